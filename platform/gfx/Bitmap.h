#pragma once
// TBitmap: our own device-independent bitmap. One representation only: a
// top-down pixel buffer, rows padded to 4 bytes, plus a colour table.
//
// Row layouts (ScanLine(y), y counted from the top):
//   1 bit   8 pixels a byte, most significant bit leftmost
//   4 bits  2 pixels a byte, high nibble leftmost
//   8 bits  one colour-table index a byte
//   15 bits x555 little-endian words (blue in bits 0-4)
//   16 bits 565 little-endian words (blue in bits 0-4)
//   24 bits B, G, R
//   32 bits B, G, R, X     ("device" is 32 bits too)

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/gfx/Graphic.h"

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TCanvas;

class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    std::unique_ptr<TGraphic> NewInstance() const override;
    void Assign(TPersistent* Source) override;
    void Assign(const TBitmap& Source);
    // Form files keep the pixels as binary "Data": the bitmap's BMP file.
    void DefineProperties(TFiler* Filer) override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    Integer Width() const override { return FWidth; }
    Integer Height() const override { return FHeight; }
    void SetWidth(Integer Value) override { SetSize(Value, FHeight); }
    void SetHeight(Integer Value) override { SetSize(FWidth, Value); }
    // Keeps the top-left content; new pixels are white. Raises
    // EInvalidGraphicOperation for negative or too large sizes.
    void SetSize(Integer AWidth, Integer AHeight);
    bool Empty() const override { return FWidth == 0 || FHeight == 0; }

    TPixelFormat PixelFormat() const { return FPixelFormat; }
    // Converts the pixels in place: widening is exact, narrowing picks the
    // nearest colour of the bitmap's palette (8 bits; the halftone palette
    // when it has none), of the 16 VGA colours (4 bits) or of black and
    // white (1 bit).
    void SetPixelFormat(TPixelFormat Value);
    int BitsPerPixel() const;
    Integer BytesPerScanLine() const { return FStride; }

    // Raises EInvalidGraphicOperation "Scan line index out of range" outside 0..Height-1.
    Byte* ScanLine(Integer Row);
    const Byte* ScanLine(Integer Row) const;

    // B,G,R,0 entries; for 1/4/8 bits it gives the pixels their colours
    // (possibly fewer than 2^bits entries; indices past it read as black).
    // Other formats keep it as the palette used when narrowing to 8 bits.
    const std::vector<TRGBQuad>& ColorTable() const { return FColorTable; }
    void SetColorTable(std::vector<TRGBQuad> Table);

    // A palette made from the colour table, owned by the bitmap (nullptr
    // when the table is empty). Setting one replaces the table with its
    // entries without remapping pixels.
    HPALETTE Palette() override;
    void SetPalette(HPALETTE Value) override;

    bool Monochrome() const;
    void SetMonochrome(bool Value);

    void SetTransparent(bool Value) override;
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode Value);
    // Automatic mode: the bottom-left pixel (clDefault for an empty bitmap).
    TColor TransparentColor() const;
    // Switches to tmFixed.
    void SetTransparentColor(TColor Value);

    TCanvas* Canvas();

    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    // The BMP file image parser and writer behind the stream functions.
    void LoadFromBytes(const Byte* Data, std::size_t Size);
    std::vector<Byte> SaveToBytes() const;
    // A bitmap resource compiled into the program (platform/classes/
    // Resources.h); EResNotFound "Resource X not found" when there is none.
    void LoadFromResourceName(const AnsiString& ResName);

    void Draw(TCanvas& ACanvas, const TRect& Rect) override;

    // Pixel access used by the canvas. A pixel value is the raw content
    // (an index, a packed 15/16-bit word or 0x00RRGGBB for 24/32 bits).
    TColor GetPixel(Integer x, Integer y) const;           // -1 outside
    void SetPixel(Integer x, Integer y, TColor Color);     // nothing outside
    Cardinal PixelValue(Integer x, Integer y) const;
    void SetPixelValue(Integer x, Integer y, Cardinal Value);
    // SetPixelValue for pixels xs..xe-1 of row y (all inside the bitmap):
    // a window's backgrounds are filled this way, row by row.
    void FillPixelValues(Integer y, Integer xs, Integer xe, Cardinal Value);
    Cardinal ColorToPixelValue(TColor Color) const;
    TColor PixelValueToColor(Cardinal Value) const;
    // The mask of meaningful bits of a pixel value.
    Cardinal PixelValueMask() const;

    // Called by the canvas after it drew.
    void CanvasChanged();

private:
    void Reallocate(Integer width, Integer height, TPixelFormat format, bool keep);
    void InvalidatePalette();
    static std::vector<TRGBQuad> DefaultTable(TPixelFormat format);

    Integer FWidth = 0;
    Integer FHeight = 0;
    Integer FStride = 0;
    TPixelFormat FPixelFormat = pfDevice;
    std::vector<Byte> FBits;
    std::vector<TRGBQuad> FColorTable;
    TPaletteOwner FPalette;
    TTransparentMode FTransparentMode = tmAuto;
    TColor FTransparentColor = clDefault;
    std::unique_ptr<TCanvas> FCanvas;
};

// Bits per pixel of a format (pfDevice and pfCustom: 32).
int PixelFormatBits(TPixelFormat Format);
