#pragma once
// Colour reduction of the GIF unit: ReduceBitmapColors turns any bitmap into
// an 8-bit bitmap on one palette, built by GIFQuantizer.h, matched through a
// lookup of GIFLookups.h, optionally dithered by an engine of GIFDitherers.h,
// row by row through the readers and writers of GIFDIB.h.

#include <memory>

#include "media/GIFDIB.h"
#include "media/GIFDitherers.h"
#include "media/GIFItem.h"
#include "media/GIFLookups.h"
#include "media/GIFQuantizer.h"
#include "platform/gfx/Bitmap.h"

namespace GIFImage {

// Palette modes of ReduceBitmapColors.
constexpr Byte rmNone = 0;             // a 24-bit copy
constexpr Byte rmWindows20 = 1;        // the 20 static colours of the system palette
constexpr Byte rmWindows256 = 2;       // the halftone palette
constexpr Byte rmWindowsGray = 3;      // four grays
constexpr Byte rmMonochrome = 4;       // black and white
constexpr Byte rmGrayScale = 5;        // 256 grays
constexpr Byte rmNetscape = 6;         // the 216-colour web cube
constexpr Byte rmQuantize = 7;         // octree, 2^ReductionBits colours
constexpr Byte rmQuantizeWindows = 8;  // octree, 236 colours plus the 20 static ones
constexpr Byte rmPalette = 9;          // the caller's palette

// Dither modes.
constexpr Byte dmNearest = 0;
constexpr Byte dmFloydSteinberg = 1;
constexpr Byte dmStucki = 2;
constexpr Byte dmSierra = 3;
constexpr Byte dmJaJuNI = 4;
constexpr Byte dmSteveArche = 5;
constexpr Byte dmBurkes = 6;

// A new 8-bit bitmap (or a 24-bit copy for rmNone). Unknown modes, an empty
// palette or a missing caller palette give an empty bitmap. ReductionBits
// is clamped to 1..8. The source bitmap is not changed.
std::unique_ptr<TBitmap> ReduceBitmapColors(const TBitmap& Bitmap, Byte ColorReduction, Byte DitherMode,
                                            Integer ReductionBits, HPALETTE CustomPalette);

}  // namespace GIFImage
