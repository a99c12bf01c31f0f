#pragma once
// Colour mapping for the second GIF codec and the animated-cursor reader:
// bitmaps brought to a pixel format, true colour mapped to 8 bits by one of
// six methods, as a bitmap file image in a memory stream.

#include <memory>

#include "platform/gfx/Bitmap.h"
#include "platform/rtl/Streams.h"

enum TMappingMethod {
    // The most frequent colours (channels coarsened until at most 2049 remain).
    ReduceByHistogram,
    // Boxes of a 4-bit-per-channel histogram split at their pixel median.
    ReduceByMedianCut,
    // 7 levels of red, 8 of green, 4 of blue.
    ReduceToFixed784,
    // 6 levels per channel.
    ReduceToFixed666,
    // Red, green and blue ramps taken by turns along the diagonals.
    ReduceToChannelRamps,
    // 256 greys.
    ReduceToGrey
};

// The method ReduceColorsToStream and the GIF encoder use.
inline TMappingMethod ColorMappingMethod = ReduceByHistogram;

// The bitmap as a bitmap file image of the pixel format. A bitmap already in
// that format is saved unchanged (except when mapped to grey); 1 and 4 bits
// take the nearest standard colours; 8 bits map a true-colour copy with the
// method; 24 bits are true colour. Other formats tell the user the function
// is not implemented and abort. An empty bitmap raises EInvalidGraphic
// "Bitmap image is not valid".
std::unique_ptr<TMemoryStream> BitmapToStreamInFormat(TBitmap* Bitmap, TPixelFormat PixelFormat,
                                                      TMappingMethod Method);
// 1 bit for up to 2 colours, 4 bits up to 16, 8 bits up to 256, 24 above,
// with ColorMappingMethod.
std::unique_ptr<TMemoryStream> ReduceColorsToStream(TBitmap* Bitmap, int Colors);

// 2, 16 and 256 for 1, 4 and 8 bits; 0 for other formats.
int PixelFormatColors(TPixelFormat PixelFormat);
// Bytes of a row of Width pixels of Bits each, padded to Alignment bits.
Int64 ScanLineBytes(Int64 Width, int Bits, int Alignment);

// The 8-bit image of a 24-bit bitmap: 256 palette entries and one index
// per pixel, rows top-down.
struct TMappedImage {
    Integer Width = 0;
    Integer Height = 0;
    std::vector<TRGBQuad> Palette;
    std::vector<Byte> Indices;
};
TMappedImage MapColors(const TBitmap& Bitmap, TMappingMethod Method);
