#include "media/GIFDIB.h"

#include <cstring>
#include <new>

#include "platform/rtl/Exceptions.h"

namespace GIFImage {

TDIBReader::TDIBReader(const TBitmap& Bitmap, TPixelFormat Format) {
    FPixelFormat = Format;
    FCopy.Assign(Bitmap);
    FCopy.SetPixelFormat(Format);
}

TDIBWriter::TDIBWriter(TBitmap* Target, HPALETTE Palette, Integer Height, Integer Width, TPixelFormat Format)
    : FTarget(Target), FHeight(Height), FWidth(Width) {
    if (Format != pf8bit && Format != pf24bit) throw GIFException("Unsupported PixelFormat");
    if (Width <= 0 || Height <= 0) throw GIFException("Invalid image dimensions");
    FPixelFormat = Format;
    if (Palette) FPalette = Palette->Entries;
}

Byte* TDIBWriter::RowAddress(Integer Row) {
    if (FBits.empty()) {
        const int bits = FPixelFormat == pf8bit ? 8 : 24;
        FStride = Integer(((Int64(FWidth) * bits + 31) / 32) * 4);
        try {
            FBits.assign(std::size_t(FStride) * std::size_t(FHeight), 0);
        } catch (const std::bad_alloc&) {
            throw EOutOfMemory("Failed to allocate memory for GIF DIB");
        }
    }
    if (Row < 0 || Row >= FHeight) throw EInvalidGraphicOperation("Scan line index out of range");
    return FBits.data() + std::size_t(Row) * std::size_t(FStride);
}

void TDIBWriter::Install() {
    if (FBits.empty()) return;
    TBitmap b;
    b.SetPixelFormat(FPixelFormat);
    if (FPixelFormat == pf8bit) {
        std::vector<TRGBQuad> table(256);
        for (std::size_t i = 0; i < FPalette.size() && i < 256; ++i)
            table[i] = TRGBQuad{FPalette[i].peBlue, FPalette[i].peGreen, FPalette[i].peRed, 0};
        b.SetColorTable(table);
    }
    b.SetSize(FWidth, FHeight);
    const std::size_t rowBytes = std::size_t(FWidth) * (FPixelFormat == pf8bit ? 1 : 3);
    for (Integer y = 0; y < FHeight; ++y)
        std::memcpy(b.ScanLine(y), FBits.data() + std::size_t(y) * std::size_t(FStride), rowBytes);
    FTarget->Assign(b);
}

}  // namespace GIFImage
