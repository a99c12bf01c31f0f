#pragma once
// Colours and palettes of the graphics layer.
//
// TColor is 0x00BBGGRR as the class library has it. The high byte tags the
// special values: 0x80 marks a system colour (its low byte indexes the fixed
// system-colour table), 0x1F is "no colour" and 0x20 "default colour".

#include <array>
#include <memory>
#include <vector>

#include "platform/rtl/System.h"

using TColor = Integer;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | static_cast<unsigned>(index)); }
constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);

// The cl* names of TColor values, for form files (clBtnFace <-> value).
struct TIntegerIdents;
const TIntegerIdents& ColorIdents();

constexpr TColor RGB(int r, int g, int b) {
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr Byte GetRValue(TColor c) { return static_cast<Byte>(c & 0xFF); }
constexpr Byte GetGValue(TColor c) { return static_cast<Byte>((c >> 8) & 0xFF); }
constexpr Byte GetBValue(TColor c) { return static_cast<Byte>((c >> 16) & 0xFF); }

// System colours resolve to the fixed classic scheme (there is no desktop
// theme to ask); every other value, clNone and clDefault included, is
// returned unchanged.
TColor ColorToRGB(TColor color);

// ---------------------------------------------------------------------------
// Palette objects: up to 256 entries of red, green, blue and a flag byte.

constexpr Byte PC_NOCOLLAPSE = 4;

struct TPaletteEntry {
    Byte peRed = 0;
    Byte peGreen = 0;
    Byte peBlue = 0;
    Byte peFlags = 0;
    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

// A colour-table entry of a device-independent bitmap, in file order.
struct TRGBQuad {
    Byte rgbBlue = 0;
    Byte rgbGreen = 0;
    Byte rgbRed = 0;
    Byte rgbReserved = 0;
    friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

class TPaletteObject {
public:
    Word Version = 0x300;
    std::vector<TPaletteEntry> Entries;
};

// A palette handle as the graphics code passes it around: created by
// CreatePalette/CopyPalette, owned by whoever created it, freed by DeletePalette.
using HPALETTE = TPaletteObject*;

constexpr int MaxPaletteEntries = 256;

// Raises EInvalidGraphic for a count outside 0..256.
HPALETTE CreatePalette(const TPaletteEntry* entries, int count);
HPALETTE CreatePalette(const std::vector<TPaletteEntry>& entries);
// A new palette with the same entries; nullptr for a missing or empty palette.
HPALETTE CopyPalette(HPALETTE palette);
// Copies up to count entries from start into out and returns how many were
// copied; with out == nullptr returns the palette's entry count.
int GetPaletteEntries(HPALETTE palette, int start, int count, TPaletteEntry* out);
int PaletteEntryCount(HPALETTE palette);
void DeletePalette(HPALETTE palette);

struct TPaletteDeleter {
    void operator()(HPALETTE palette) const { DeletePalette(palette); }
};
using TPaletteOwner = std::unique_ptr<TPaletteObject, TPaletteDeleter>;

// The fixed tables: the 20 static colours of the default system palette
// (entries 0-9 at the start of a 256-entry palette, 10-19 at its end), the
// 256-entry halftone palette and the 16 colours of a 4-bit bitmap.
const std::array<TPaletteEntry, 20>& DefaultSystemPaletteEntries();
const std::array<TPaletteEntry, 256>& HalftonePaletteEntries();
const std::array<TPaletteEntry, 16>& VGAPaletteEntries();

HPALETTE CreateSystemPalette();
HPALETTE CreateHalftonePalette();

// Index of the entry nearest to the colour (squared RGB distance; the lowest
// index wins a tie); -1 for an empty table.
int NearestPaletteIndex(const TPaletteEntry* entries, int count, TColor color);
int NearestColorIndex(const TRGBQuad* entries, int count, TColor color);
