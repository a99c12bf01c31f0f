#include "media/GIFLookups.h"

#include <algorithm>
#include <cstdlib>

namespace GIFImage {

namespace {
int Key15(int Red, int Green, int Blue) { return ((Blue >> 3) << 10) | ((Green >> 3) << 5) | (Red >> 3); }
}  // namespace

TFastColorLookup::TFastColorLookup(HPALETTE Palette)
    : TColorLookup(std::min(PaletteEntryCount(Palette), 256)), FInverse(32768, -1) {
    for (int i = 0; i < FColors; ++i) {
        FEntries[std::size_t(i)] = Palette->Entries[std::size_t(i)];
        auto& cell = FInverse[std::size_t(Key15(FEntries[std::size_t(i)].peRed, FEntries[std::size_t(i)].peGreen,
                                                FEntries[std::size_t(i)].peBlue))];
        if (cell == -1) cell = std::int16_t(i);
    }
}

int TFastColorLookup::MatchColour(int Red, int Green, int Blue, int& R, int& G, int& B) {
    auto& cell = FInverse[std::size_t(Key15(Red, Green, Blue))];
    if (cell < 0) {
        int best = 0, bestDistance = 0x30000;
        for (int i = 0; i < FColors; ++i) {
            const TPaletteEntry& e = FEntries[std::size_t(i)];
            const int d = std::abs(Red - e.peRed) + std::abs(Green - e.peGreen) + std::abs(Blue - e.peBlue);
            if (d < bestDistance) {
                best = i;
                bestDistance = d;
            }
        }
        cell = std::int16_t(best);
    }
    const TPaletteEntry& e = FEntries[std::size_t(cell)];
    R = e.peRed, G = e.peGreen, B = e.peBlue;
    return cell;
}

int TNetscapeColorLookup::MatchColour(int Red, int Green, int Blue, int& R, int& G, int& B) {
    const int qr = (Red + 3) / 51, qg = (Green + 3) / 51, qb = (Blue + 3) / 51;
    R = 51 * qr, G = 51 * qg, B = 51 * qb;
    return 36 * qr + 6 * qg + qb;
}

int TGrayScaleLookup::MatchColour(int Red, int Green, int Blue, int& R, int& G, int& B) {
    const int y = (77 * Red + 150 * Green + 29 * Blue) >> 8;
    R = G = B = y;
    return y;
}

int TMonochromeLookup::MatchColour(int Red, int Green, int Blue, int& R, int& G, int& B) {
    if (77 * Red + 150 * Green + 29 * Blue > 0x7F00) {
        R = G = B = 255;
        return 1;
    }
    R = G = B = 0;
    return 0;
}

}  // namespace GIFImage
