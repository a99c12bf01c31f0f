#include "media/GIFColors.h"

#include <algorithm>

namespace GIFImage {

std::unique_ptr<TBitmap> ReduceBitmapColors(const TBitmap& Bitmap, Byte ColorReduction, Byte DitherMode,
                                            Integer ReductionBits, HPALETTE CustomPalette) {
    auto result = std::make_unique<TBitmap>();
    if (ColorReduction == rmNone) {
        result->Assign(Bitmap);
        result->SetPixelFormat(pf24bit);
        return result;
    }
    if (Int64(Bitmap.Width()) * Bitmap.Height() > 500000) result->SetPixelFormat(pf1bit);
    // The reader works on a 24-bit copy so that the caller's picture keeps
    // its format.
    TDIBReader reader(Bitmap, pf24bit);
    if (ColorReduction > rmPalette) return result;

    TPaletteOwner palette;
    switch (ColorReduction) {
    case rmWindows20: palette.reset(CreateSystemDefaultPalette()); break;
    case rmWindows256: palette.reset(CreateHalftoneScreenPalette()); break;
    case rmWindowsGray: palette.reset(CreateFourGrayPalette()); break;
    case rmMonochrome: palette.reset(CreateBlackWhitePalette()); break;
    case rmGrayScale: palette.reset(CreateGrayRampPalette()); break;
    case rmNetscape: palette.reset(CreateWebCubePalette()); break;
    case rmQuantize: {
        // More than 8 bits would ask for palettes beyond 256 entries.
        const int bits = std::clamp<Integer>(ReductionBits, 1, 8);
        palette.reset(CreateQuantizedPalette(reader, 1 << bits, 8, false));
        break;
    }
    case rmQuantizeWindows: palette.reset(CreateQuantizedPalette(reader, 256, 8, true)); break;
    default: palette.reset(CopyPalette(CustomPalette)); break;
    }

    std::unique_ptr<TColorLookup> lookup;
    switch (ColorReduction) {
    case rmMonochrome: lookup = std::make_unique<TMonochromeLookup>(); break;
    case rmGrayScale: lookup = std::make_unique<TGrayScaleLookup>(); break;
    case rmNetscape: lookup = std::make_unique<TNetscapeColorLookup>(); break;
    default: lookup = std::make_unique<TFastColorLookup>(palette.get()); break;
    }
    if (lookup->Colors() == 0) return result;

    const Integer width = reader.Width(), height = reader.Height();
    std::unique_ptr<TDitherEngine> engine;
    switch (DitherMode) {
    case dmNearest: engine = std::make_unique<TDitherEngine>(width, lookup.get()); break;
    case dmFloydSteinberg: engine = std::make_unique<TFloydSteinbergDitherer>(width, lookup.get()); break;
    case dmStucki: engine = std::make_unique<TStuckiDitherer>(width, lookup.get()); break;
    case dmSierra: engine = std::make_unique<TSierraDitherer>(width, lookup.get()); break;
    case dmJaJuNI: engine = std::make_unique<TJaJuNiDitherer>(width, lookup.get()); break;
    case dmSteveArche: engine = std::make_unique<TSteveArcheDitherer>(width, lookup.get()); break;
    case dmBurkes: engine = std::make_unique<TBurkesDitherer>(width, lookup.get()); break;
    default: return result;
    }

    TDIBWriter writer(result.get(), palette.get(), height, width, pf8bit);
    int r, g, b;
    for (Integer y = 0; y < height; ++y) {
        const Byte* src = reader.RowAddress(y);
        Byte* dst = writer.RowAddress(y);
        for (Integer x = engine->Column(); x >= 0 && x < width; x = engine->Column())
            dst[x] = Byte(engine->ProcessPixel(src[3 * x + 2], src[3 * x + 1], src[3 * x], r, g, b));
        engine->EndRow();
    }
    writer.Install();
    return result;
}

}  // namespace GIFImage
