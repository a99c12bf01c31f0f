#pragma once
// Colour lookups: each answers the palette index for a colour and the colour
// of the entry chosen. The fast lookup searches any palette by the sum of
// the channel differences and remembers its answer per 15-bit colour; the
// others compute the index of a fixed palette (web cube, gray ramp, black
// and white) directly.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/gfx/Color.h"
#include "platform/rtl/System.h"

namespace GIFImage {

class TColorLookup {
public:
    explicit TColorLookup(int Colors) : FColors(Colors) {}
    virtual ~TColorLookup() = default;
    int Colors() const { return FColors; }
    // The palette index for the colour; the chosen entry's colour goes to R, G, B.
    virtual int MatchColour(int Red, int Green, int Blue, int& R, int& G, int& B) = 0;

protected:
    int FColors;
};

// Nearest palette entry by |dr| + |dg| + |db|, remembered per 15-bit colour.
class TFastColorLookup : public TColorLookup {
public:
    explicit TFastColorLookup(HPALETTE Palette);
    int MatchColour(int Red, int Green, int Blue, int& R, int& G, int& B) override;

private:
    std::array<TPaletteEntry, 256> FEntries{};
    std::vector<std::int16_t> FInverse;
};

class TNetscapeColorLookup : public TColorLookup {
public:
    TNetscapeColorLookup() : TColorLookup(216) {}
    int MatchColour(int Red, int Green, int Blue, int& R, int& G, int& B) override;
};

class TGrayScaleLookup : public TColorLookup {
public:
    TGrayScaleLookup() : TColorLookup(256) {}
    int MatchColour(int Red, int Green, int Blue, int& R, int& G, int& B) override;
};

class TMonochromeLookup : public TColorLookup {
public:
    TMonochromeLookup() : TColorLookup(2) {}
    int MatchColour(int Red, int Green, int Blue, int& R, int& G, int& B) override;
};

}  // namespace GIFImage
