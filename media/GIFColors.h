#pragma once
// Colour reduction of the GIF unit: palettes (fixed ones and an octree
// quantizer), colour lookups (colour -> palette index), error-diffusion
// dither engines and ReduceBitmapColors, which turns any bitmap into an
// 8-bit bitmap on one of those palettes.

#include <array>
#include <memory>
#include <vector>

#include "media/GIFImage.h"
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

// ---------------------------------------------------------------------------
// Row access to bitmaps.
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

// ---------------------------------------------------------------------------
// Colour lookups.
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

// ---------------------------------------------------------------------------
// Dither engines. Rows are scanned alternately left to right and right to
// left; Column and Direction say where the next pixel is.
class TDitherEngine {
public:
    TDitherEngine(Integer Width, TColorLookup* Lookup) : FWidth(Width), FLookup(Lookup) {}
    virtual ~TDitherEngine() = default;
    virtual int ProcessPixel(int Red, int Green, int Blue, int& R, int& G, int& B);
    virtual void EndRow();
    // Passes over the next pixel without matching or spreading an error
    // (transparent pixels of a frame).
    virtual void Skip() { FColumn += FDirection; }
    Integer Column() const { return FColumn; }
    Integer Direction() const { return FDirection; }

protected:
    Integer FDirection = 1;
    Integer FColumn = 0;
    Integer FWidth;
    TColorLookup* FLookup;
};

class TFloydSteinbergDitherer : public TDitherEngine {
public:
    TFloydSteinbergDitherer(Integer Width, TColorLookup* Lookup);
    int ProcessPixel(int Red, int Green, int Blue, int& R, int& G, int& B) override;
    void EndRow() override;
    void Skip() override {
        TDitherEngine::Skip();
        FPos += FDirection;
    }

private:
    std::vector<Integer> FErrors[3];
    Integer FPos = 0;
    Integer FCarry[3] = {}, FBelow[3] = {}, FBelowPrev[3] = {};
};

// Shared frame of the engines that spread an error over rows below.
class TRowDitherer : public TDitherEngine {
public:
    TRowDitherer(Integer Width, TColorLookup* Lookup, int Rows, int Margin, int Divisor);
    int ProcessPixel(int Red, int Green, int Blue, int& R, int& G, int& B) override;
    void EndRow() override;
    void Skip() override {
        TDitherEngine::Skip();
        FPos += FDirection;
    }

protected:
    // Adds e x weight at offset (in the scan direction) of the buffered row.
    void Add(int channel, int row, int offset, Integer e, int weight) {
        FRows[std::size_t(row)][std::size_t(channel)][std::size_t(FPos + offset * FDirection)] += e * weight;
    }
    virtual void SpreadError(int Channel, Integer e) = 0;
    std::vector<std::array<std::vector<Integer>, 3>> FRows;
    Integer FPos;
    int FMargin, FDivisor;
};

class T5by3Ditherer : public TRowDitherer {
public:
    T5by3Ditherer(Integer Width, TColorLookup* Lookup, int Divisor) : TRowDitherer(Width, Lookup, 3, 2, Divisor) {}
};

class TStuckiDitherer : public T5by3Ditherer {
public:
    TStuckiDitherer(Integer Width, TColorLookup* Lookup) : T5by3Ditherer(Width, Lookup, 42) {}

protected:
    void SpreadError(int Channel, Integer e) override;
};

class TSierraDitherer : public T5by3Ditherer {
public:
    TSierraDitherer(Integer Width, TColorLookup* Lookup) : T5by3Ditherer(Width, Lookup, 32) {}

protected:
    void SpreadError(int Channel, Integer e) override;
};

class TJaJuNiDitherer : public T5by3Ditherer {
public:
    TJaJuNiDitherer(Integer Width, TColorLookup* Lookup) : T5by3Ditherer(Width, Lookup, 48) {}

protected:
    void SpreadError(int Channel, Integer e) override;
};

class TBurkesDitherer : public TRowDitherer {
public:
    TBurkesDitherer(Integer Width, TColorLookup* Lookup) : TRowDitherer(Width, Lookup, 2, 2, 32) {}

protected:
    void SpreadError(int Channel, Integer e) override;
};

class TSteveArcheDitherer : public TRowDitherer {
public:
    TSteveArcheDitherer(Integer Width, TColorLookup* Lookup) : TRowDitherer(Width, Lookup, 4, 3, 200) {}

protected:
    void SpreadError(int Channel, Integer e) override;
};

// ---------------------------------------------------------------------------
// Palettes. Every builder returns a new palette owned by the caller.
HPALETTE CreateWebCubePalette();
HPALETTE CreateGrayRampPalette();
HPALETTE CreateBlackWhitePalette();
HPALETTE CreateFourGrayPalette();
HPALETTE CreateHalftoneScreenPalette();
HPALETTE CreateSystemDefaultPalette();

struct TOctreeNode {
    bool Leaf = false;
    Int64 PixelCount = 0;
    Int64 RedSum = 0, GreenSum = 0, BlueSum = 0;
    TOctreeNode* NextReducible = nullptr;
    std::unique_ptr<TOctreeNode> Child[8];
};

class TColorQuantizer {
public:
    TColorQuantizer(int MaxColors, int ColorBits);
    ~TColorQuantizer();
    void AddPicture(TDIBReader& Reader);
    void ReadColourTable(std::vector<TPaletteEntry>& Table) const;
    int LeafCount() const { return FLeafCount; }

private:
    void Insert(std::unique_ptr<TOctreeNode>& node, int r, int g, int b, int level);
    void Merge();
    std::unique_ptr<TOctreeNode> FRoot;
    int FLeafCount = 0;
    TOctreeNode* FReducible[8] = {};
    int FMaxColors;
    int FColorBits;
};

// Octree palette of the reader's picture: Colors entries (256 with the
// static colours reserved at 0-9 and 246-255); entries past the colours the
// picture yields are black.
HPALETTE CreateQuantizedPalette(TDIBReader& Reader, int Colors, int ColorBits, bool ReserveSystemColors);
// Works on a 24-bit copy; the bitmap is left as it is.
HPALETTE CreateQuantizedPaletteForBitmap(const TBitmap& Bitmap, int Colors, int ColorBits, bool ReserveSystemColors);

// A new 8-bit bitmap (or a 24-bit copy for rmNone). Unknown modes, an empty
// palette or a missing caller palette give an empty bitmap. ReductionBits
// is clamped to 1..8. The source bitmap is not changed.
std::unique_ptr<TBitmap> ReduceBitmapColors(const TBitmap& Bitmap, Byte ColorReduction, Byte DitherMode,
                                            Integer ReductionBits, HPALETTE CustomPalette);

}  // namespace GIFImage
