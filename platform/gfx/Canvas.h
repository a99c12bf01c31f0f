#pragma once
// The canvas that draws on a TBitmap with a pen, a brush and a font.
//
// The drawing rules are the classic GDI ones, deterministic to the pixel:
// lines leave out their end point, shapes leave out their right and bottom
// edges, the pen mode combines pixel values (palette indices on 1/4/8-bit
// bitmaps, packed colours otherwise) bit by bit, copy modes are ternary
// raster operations over brush, source and destination.

#include <memory>
#include <mutex>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/GraphicsObjects.h"
#include "platform/gfx/GraphTypes.h"

class TBitmap;
class TGraphic;

enum TFillStyle { fsSurface, fsBorder };

// Ternary raster operations: bits 16-23 hold the truth table over
// (pattern, source, destination).
using TCopyMode = Cardinal;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmMergeCopy = 0x00C000CA;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmPatInvert = 0x005A0049;
constexpr TCopyMode cmPatPaint = 0x00FB0A09;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;

// TCanvas::TextFlags.
constexpr Integer ETO_RTLREADING = 0x0080;

class TCanvas : public TPersistent {
public:
    explicit TCanvas(TBitmap* Bitmap);
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TBitmap* Bitmap() const { return FBitmap; }
    TPen* Pen() { return &FPen; }
    TBrush* Brush() { return &FBrush; }
    TFont* Font() { return &FFont; }
    TCopyMode CopyMode() const { return FCopyMode; }
    void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }

    TPoint PenPos() const { return FPenPos; }
    void SetPenPos(const TPoint& Value);

    // Reading outside the bitmap gives -1; writing outside does nothing.
    TColor Pixel(Integer x, Integer y) const;
    void SetPixel(Integer x, Integer y, TColor Color);

    void MoveTo(Integer x, Integer y);
    // Draws from the pen position to (x, y), leaving out (x, y) itself.
    void LineTo(Integer x, Integer y);
    void Polyline(const std::vector<TPoint>& Points);
    // Shapes: right and bottom edges exclusive, corners normalised; outline
    // in the pen, interior in the brush (both through the pen mode).
    void Rectangle(Integer x1, Integer y1, Integer x2, Integer y2);
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    void RoundRect(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3);
    void Ellipse(Integer x1, Integer y1, Integer x2, Integer y2);
    void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    // Brush fills, not normalised: an inverted rectangle draws nothing.
    void FillRect(const TRect& R);
    void FrameRect(const TRect& R);
    // 4-connected fill with the brush: fsSurface fills the area of the given
    // colour, fsBorder everything up to the given colour.
    void FloodFill(Integer x, Integer y, TColor Color, TFillStyle FillStyle);

    void Draw(Integer x, Integer y, TGraphic* Graphic);
    void StretchDraw(const TRect& Rect, TGraphic* Graphic);
    // Nearest-neighbour copy through CopyMode.
    void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
    void CopyFromBitmap(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect);
    // Pixels of the source equal to TransparentColor are left out.
    void CopyTransparent(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect, TColor TransparentColor);
    // Where the mask (same size as the source rectangle, at its origin 0,0)
    // has a non-zero pixel the destination is kept.
    void CopyMasked(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect, const TBitmap& Mask);
    // Pixels of exactly Color become the brush (kept when the brush is clear).
    void BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color);

    // Text in the font's colour; with a solid brush the text cell is filled first.
    void TextOut(Integer x, Integer y, const AnsiString& Text);
    // ETO_RTLREADING: TextOut lays text out right to left (the text's own
    // left-to-right words keep their order; what stands between them and
    // at the ends follows the right-to-left reading).
    Integer TextFlags() const { return FTextFlags; }
    void SetTextFlags(Integer Value) { FTextFlags = Value; }
    TPoint TextExtent(const AnsiString& Text);
    Integer TextWidth(const AnsiString& Text) { return TextExtent(Text).x; }
    Integer TextHeight(const AnsiString& Text) { return TextExtent(Text).y; }

    // The bitmap's area unless narrowed by SetClipRect; drawing stays inside.
    TRect ClipRect() const;
    void SetClipRect(const TRect& R);
    void ResetClipRect();

    void Lock();
    void Unlock();
    bool TryLock();
    Integer LockCount() const { return FLockCount; }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

private:
    struct Span {
        Integer xs = 0, xe = 0;  // [xs, xe)
    };
    struct Region {
        Integer top = 0;
        std::vector<Span> rows;
    };
    void Changing();
    void Changed();
    bool Drawable() const;
    void PlotPen(Integer x, Integer y, Cardinal value);
    void PlotLine(Integer x0, Integer y0, Integer x1, Integer y1);
    void FillSpanRop(Integer y, Integer xs, Integer xe, Cardinal value);
    void BrushSpan(Integer y, Integer xs, Integer xe, bool useRop);
    void DrawRegion(const Region& region, bool rectangleOutline, const TRect& box);
    static Region EllipseRegion(Integer l, Integer t, Integer r, Integer b);
    static Region Erode(const Region& region, Integer times);
    TRect PenShapeBox(Integer x1, Integer y1, Integer x2, Integer y2) const;
    void Blit(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect, int mode, TColor key,
              const TBitmap* mask);

    TBitmap* FBitmap;
    TPen FPen;
    TBrush FBrush;
    TFont FFont;
    TCopyMode FCopyMode = cmSrcCopy;
    Integer FTextFlags = 0;
    TPoint FPenPos;
    int FStyleCounter = 0;
    bool FHasClip = false;
    TRect FClip;
    std::recursive_mutex FLock;
    Integer FLockCount = 0;
};

// Text rasterising, done through Qt inside platform/gfx only. The coverage
// is 0 or 255 per pixel (no anti-aliasing, so small logos stay crisp).
struct TTextImage {
    Integer Width = 0;
    Integer Height = 0;
    std::vector<Byte> Coverage;  // Width * Height, rows top-down
};
TPoint MeasureText(const TFont& Font, const AnsiString& Text);
TTextImage RasterizeText(const TFont& Font, const AnsiString& Text, bool RightToLeft = false);
// Whatever draws text through the toolkit (the two above, a metafile's
// translation) calls this first: a program that only draws gets an
// offscreen application for the fonts.
void EnsureGuiApplication();
