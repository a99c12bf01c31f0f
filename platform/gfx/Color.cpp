#include "platform/gfx/Color.h"

#include <algorithm>

#include "platform/classes/TypInfo.h"
#include "platform/rtl/Exceptions.h"

namespace {

// The classic Windows scheme, as 0x00BBGGRR, indexed by system-colour number.
constexpr std::array<TColor, 31> SystemColors = {
    0xC8C8C8, 0x808000, 0x800000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xC0C0C0, 0xC0C0C0, 0x808080, 0x800000, 0xFFFFFF, 0xC0C0C0,
    0x808080, 0x808080, 0x000000, 0xC0C0C0, 0xFFFFFF, 0x000000, 0xDFDFDF, 0x000000,
    0xE1FFFF, 0xB5B5B5, 0xFF0000, 0xD08410, 0xB5B5B5, 0x800000, 0xC0C0C0,
};

constexpr TPaletteEntry E(int r, int g, int b, int f = 0) {
    return TPaletteEntry{static_cast<Byte>(r), static_cast<Byte>(g), static_cast<Byte>(b), static_cast<Byte>(f)};
}

constexpr std::array<TPaletteEntry, 20> SystemEntries = {
    E(0, 0, 0),       E(128, 0, 0),     E(0, 128, 0),     E(128, 128, 0),   E(0, 0, 128),
    E(128, 0, 128),   E(0, 128, 128),   E(192, 192, 192), E(192, 220, 192), E(166, 202, 240),
    E(255, 251, 240), E(160, 160, 164), E(128, 128, 128), E(255, 0, 0),     E(0, 255, 0),
    E(255, 255, 0),   E(0, 0, 255),     E(255, 0, 255),   E(0, 255, 255),   E(255, 255, 255),
};

constexpr std::array<TPaletteEntry, 16> VGAEntries = {
    E(0, 0, 0),       E(128, 0, 0),   E(0, 128, 0),   E(128, 128, 0), E(0, 0, 128),   E(128, 0, 128),
    E(0, 128, 128),   E(192, 192, 192), E(128, 128, 128), E(255, 0, 0), E(0, 255, 0), E(255, 255, 0),
    E(0, 0, 255),     E(255, 0, 255), E(0, 255, 255), E(255, 255, 255),
};

// Halftone: the first ten static colours, the 6x6x6 cube in steps of 51, 20
// grays between black and white, the last ten static colours.
constexpr std::array<TPaletteEntry, 256> MakeHalftone() {
    std::array<TPaletteEntry, 256> t{};
    for (int i = 0; i < 10; ++i) t[i] = SystemEntries[i];
    int n = 10;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) t[n++] = E(r * 51, g * 51, b * 51);
    for (int i = 1; i <= 20; ++i) t[n++] = E(i * 255 / 21, i * 255 / 21, i * 255 / 21);
    for (int i = 10; i < 20; ++i) t[n++] = SystemEntries[i];
    return t;
}
constexpr std::array<TPaletteEntry, 256> HalftoneEntries = MakeHalftone();

int Distance(int r1, int g1, int b1, int r2, int g2, int b2) {
    return (r1 - r2) * (r1 - r2) + (g1 - g2) * (g1 - g2) + (b1 - b2) * (b1 - b2);
}

}  // namespace

TColor ColorToRGB(TColor color) {
    if (color < 0) {
        const int index = color & 0xFF;
        if (index < static_cast<int>(SystemColors.size())) return SystemColors[index];
        return clBlack;
    }
    return color;
}

HPALETTE CreatePalette(const TPaletteEntry* entries, int count) {
    if (count < 0 || count > MaxPaletteEntries)
        throw EInvalidGraphic("Palette entry count " + std::to_string(count) + " outside 0.." +
                              std::to_string(MaxPaletteEntries));
    auto* p = new TPaletteObject;
    if (count > 0) p->Entries.assign(entries, entries + count);
    return p;
}

HPALETTE CreatePalette(const std::vector<TPaletteEntry>& entries) {
    return CreatePalette(entries.data(), static_cast<int>(entries.size()));
}

HPALETTE CopyPalette(HPALETTE palette) {
    if (palette == nullptr || palette->Entries.empty()) return nullptr;
    return CreatePalette(palette->Entries);
}

int GetPaletteEntries(HPALETTE palette, int start, int count, TPaletteEntry* out) {
    if (palette == nullptr) return 0;
    const int size = static_cast<int>(palette->Entries.size());
    if (out == nullptr) return size;
    if (start < 0 || start >= size || count <= 0) return 0;
    const int n = std::min(count, size - start);
    std::copy_n(palette->Entries.begin() + start, n, out);
    return n;
}

int PaletteEntryCount(HPALETTE palette) { return palette ? static_cast<int>(palette->Entries.size()) : 0; }

void DeletePalette(HPALETTE palette) { delete palette; }

const std::array<TPaletteEntry, 20>& DefaultSystemPaletteEntries() { return SystemEntries; }
const std::array<TPaletteEntry, 256>& HalftonePaletteEntries() { return HalftoneEntries; }
const std::array<TPaletteEntry, 16>& VGAPaletteEntries() { return VGAEntries; }

HPALETTE CreateSystemPalette() { return CreatePalette(SystemEntries.data(), 20); }
HPALETTE CreateHalftonePalette() { return CreatePalette(HalftoneEntries.data(), 256); }

int NearestPaletteIndex(const TPaletteEntry* entries, int count, TColor color) {
    const TColor c = ColorToRGB(color);
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    int best = -1, bestDistance = 0;
    for (int i = 0; i < count; ++i) {
        const int d = Distance(r, g, b, entries[i].peRed, entries[i].peGreen, entries[i].peBlue);
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
            if (d == 0) break;
        }
    }
    return best;
}

int NearestColorIndex(const TRGBQuad* entries, int count, TColor color) {
    const TColor c = ColorToRGB(color);
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    int best = -1, bestDistance = 0;
    for (int i = 0; i < count; ++i) {
        const int d = Distance(r, g, b, entries[i].rgbRed, entries[i].rgbGreen, entries[i].rgbBlue);
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
            if (d == 0) break;
        }
    }
    return best;
}

const TIntegerIdents& ColorIdents() {
    static const TIntegerIdents idents{
        "TColor",
        {{clBlack, "clBlack"},
         {clMaroon, "clMaroon"},
         {clGreen, "clGreen"},
         {clOlive, "clOlive"},
         {clNavy, "clNavy"},
         {clPurple, "clPurple"},
         {clTeal, "clTeal"},
         {clGray, "clGray"},
         {clSilver, "clSilver"},
         {clRed, "clRed"},
         {clLime, "clLime"},
         {clYellow, "clYellow"},
         {clBlue, "clBlue"},
         {clFuchsia, "clFuchsia"},
         {clAqua, "clAqua"},
         {clWhite, "clWhite"},
         {clNone, "clNone"},
         {clDefault, "clDefault"},
         {clScrollBar, "clScrollBar"},
         {clBackground, "clBackground"},
         {clActiveCaption, "clActiveCaption"},
         {clInactiveCaption, "clInactiveCaption"},
         {clMenu, "clMenu"},
         {clWindow, "clWindow"},
         {clWindowFrame, "clWindowFrame"},
         {clMenuText, "clMenuText"},
         {clWindowText, "clWindowText"},
         {clCaptionText, "clCaptionText"},
         {clActiveBorder, "clActiveBorder"},
         {clInactiveBorder, "clInactiveBorder"},
         {clAppWorkSpace, "clAppWorkSpace"},
         {clHighlight, "clHighlight"},
         {clHighlightText, "clHighlightText"},
         {clBtnFace, "clBtnFace"},
         {clBtnShadow, "clBtnShadow"},
         {clGrayText, "clGrayText"},
         {clBtnText, "clBtnText"},
         {clInactiveCaptionText, "clInactiveCaptionText"},
         {clBtnHighlight, "clBtnHighlight"},
         {cl3DDkShadow, "cl3DDkShadow"},
         {cl3DLight, "cl3DLight"},
         {clInfoText, "clInfoText"},
         {clInfoBk, "clInfoBk"}},
        {},
        {}};
    return idents;
}
