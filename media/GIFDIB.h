#pragma once
// Row access to bitmaps for colour reduction: a reader that hands out the
// rows of a 24-bit copy of the source (blue, green, red per pixel), and a
// writer that collects 8-bit or 24-bit rows and installs them into the
// target bitmap with the palette as its colour table.

#include <vector>

#include "media/GIFItem.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Color.h"

namespace GIFImage {

class TDIB {
public:
    virtual ~TDIB() = default;
    virtual Byte* RowAddress(Integer Row) = 0;
    TPixelFormat PixelFormat() const { return FPixelFormat; }

protected:
    TPixelFormat FPixelFormat = pf24bit;
};

// Reads a private copy of the bitmap in the given format; the caller's
// bitmap stays as it is.
class TDIBReader : public TDIB {
public:
    TDIBReader(const TBitmap& Bitmap, TPixelFormat Format);
    Byte* RowAddress(Integer Row) override { return FCopy.ScanLine(Row); }
    Integer Width() const { return FCopy.Width(); }
    Integer Height() const { return FCopy.Height(); }

private:
    TBitmap FCopy;
};

// Collects rows for the target bitmap; Install puts them into it with a
// 256-slot colour table made of the palette (8 bits) or none (24 bits).
class TDIBWriter : public TDIB {
public:
    // GIFException "Unsupported PixelFormat" for formats other than 8 and 24
    // bits, "Invalid image dimensions" for a zero width or height.
    TDIBWriter(TBitmap* Target, HPALETTE Palette, Integer Height, Integer Width, TPixelFormat Format);
    Byte* RowAddress(Integer Row) override;
    void Install();

private:
    TBitmap* FTarget;
    std::vector<TPaletteEntry> FPalette;
    Integer FHeight, FWidth, FStride = 0;
    std::vector<Byte> FBits;
};

}  // namespace GIFImage
