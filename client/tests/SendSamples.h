#pragma once
// What the sending tests share: the logo of data/logo.bmp as a picture may
// come, and the history as "Cislo:Stav" lines.

#include <algorithm>
#include <vector>

#include "client/DatMod.h"
#include "platform/gfx/Bitmap.h"

// Drawn in 24 bits: a black frame and one black pixel at (10, 3) on white.
inline AnsiString FramedLogo() {
    TBitmap logo;
    logo.SetPixelFormat(pf24bit);
    logo.SetSize(72, 14);
    for (Integer x = 0; x < 72; ++x) logo.SetPixel(x, 0, clBlack), logo.SetPixel(x, 13, clBlack);
    for (Integer y = 0; y < 14; ++y) logo.SetPixel(0, y, clBlack), logo.SetPixel(71, y, clBlack);
    logo.SetPixel(10, 3, clBlack);
    const std::vector<Byte> bytes = logo.SaveToBytes();
    return AnsiString(bytes.begin(), bytes.end());
}

// "Cislo:Stav" of every history row, sorted.
inline std::vector<AnsiString> HistoryRows(TDM& Data) {
    std::vector<AnsiString> rows;
    for (Data.Historie->First(); !Data.Historie->Eof(); Data.Historie->Next())
        rows.push_back(Data.HistorieCislo->AsString() + ":" + Data.HistorieStav->DisplayText());
    std::sort(rows.begin(), rows.end());
    return rows;
}
