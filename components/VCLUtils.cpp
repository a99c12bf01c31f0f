#include "components/VCLUtils.h"

#include <algorithm>
#include <functional>

#include "core/Msgdlg.h"
#include "platform/gfx/ImageList.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/Beep.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Messages.h"

namespace {

// Restores a value on scope exit (the canvas brush, a bitmap's handler).
template <class T>
struct TRestore {
    T& Ref;
    T Saved;
    explicit TRestore(T& r) : Ref(r), Saved(r) {}
    ~TRestore() { Ref = Saved; }
};

struct TCanvasLock {
    TCanvas* Canvas;
    explicit TCanvasLock(TCanvas* c) : Canvas(c) { Canvas->Lock(); }
    ~TCanvasLock() { Canvas->Unlock(); }
};

// Paint and PaintsTransparent are protected; these name them through a
// derived class so that another control can be painted into a buffer.
struct TGraphicPaint : TGraphicControl {
    using TGraphicControl::Paint;
    using TGraphicControl::PaintsTransparent;
};
struct TCustomPaint : TCustomControl {
    using TCustomControl::Paint;
};

void PrepareBuffer(TCanvas* Canvas, const TControl* Control, TColor Background) {
    Canvas->ResetClipRect();
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Background);
    Canvas->FillRect(Rect(0, 0, Canvas->Bitmap()->Width(), Canvas->Bitmap()->Height()));
    Canvas->Font()->Assign(Control->Font());
    Canvas->Pen()->SetColor(clBlack);
    Canvas->Pen()->SetMode(pmCopy);
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetWidth(1);
}

// Copies what the painter draws of a control at Offset into Canvas. With
// Transparent, pixels the painter leaves alone keep what Canvas shows:
// painting on black and on white tells them apart whatever the picture's
// colours.
void PaintInto(TCanvas* Target, TControl* Control, TCanvas* Buffer, const std::function<void()>& Paint,
               bool Transparent, const TPoint& Offset) {
    const Integer w = Control->Width(), h = Control->Height();
    if (w <= 0 || h <= 0) return;
    TBitmap* bits = Buffer->Bitmap();
    const TRect dest = Bounds(Offset.x, Offset.y, w, h);
    if (!Transparent) {
        PrepareBuffer(Buffer, Control, ColorToRGB(Control->Color()));
        Paint();
        Target->CopyFromBitmap(dest, *bits, Rect(0, 0, w, h));
        return;
    }
    PrepareBuffer(Buffer, Control, clBlack);
    Paint();
    TBitmap onBlack;
    onBlack.Assign(*bits);
    PrepareBuffer(Buffer, Control, clWhite);
    Paint();
    for (Integer y = 0; y < h; ++y)
        for (Integer x = 0; x < w; ++x) {
            const TColor c = bits->GetPixel(x, y);
            if (c == onBlack.GetPixel(x, y)) Target->SetPixel(Offset.x + x, Offset.y + y, c);
        }
}

bool Overlaps(const TRect& A, const TRect& B) { return !IntersectRect(A, B).IsEmpty(); }

TRect CellRect(const TBitmap& Bitmap, const TRect& Source) {
    if (Source.IsEmpty()) return Rect(0, 0, Bitmap.Width(), Bitmap.Height());
    return Source;
}

// Cached off-screen bitmap for wrapped cell text, grown as needed.
TBitmap& TextBitmap() {
    static TBitmap bitmap;
    return bitmap;
}

// The shared cursors, 16 x 16: '#' black, 'o' white, anything else clear.
struct TCursorShape {
    TCursor Index;
    int HotX, HotY;
    const char* Rows[16];
};

const TCursorShape SharedCursors[] = {
    {crHand, 6, 0,
     {"......##........", ".....#oo#.......", ".....#oo#.......", ".....#oo###.....",
      ".....#oo#oo##...", "..##.#oo#oo#o##.", ".#oo##oo#oo#o#o#", ".#ooo#ooooooooo#",
      "..#oo#ooooooooo#", "...#ooooooooooo#", "...#oooooooooo#.", "....#ooooooooo#.",
      "....#oooooooo#..", ".....#ooooooo#..", ".....#ooooooo#..", "......#######..."}},
    {crDragHand, 8, 8,
     {"................", "................", "................", "................",
      ".....##.##.##...", "....#oo#oo#oo##.", "....#oooooooo#o#", "..###oooooooooo#",
      ".#oo#oooooooooo#", ".#ooooooooooooo#", "..#oooooooooooo#", "...#ooooooooooo#",
      "....#ooooooooo#.", ".....#oooooooo#.", ".....#oooooooo#.", "......########.."}},
};

}  // namespace

void RegisterSharedCursors() {
    static bool done = false;
    if (done) return;
    done = true;
    // Magenta marks the clear pixels: black and white are both used.
    const TColor clear = clFuchsia;
    for (const TCursorShape& shape : SharedCursors) {
        TBitmap image;
        image.SetPixelFormat(pf24bit);
        image.SetSize(16, 16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const char c = shape.Rows[y][x];
                image.SetPixel(x, y, c == '#' ? clBlack : c == 'o' ? clWhite : clear);
            }
        Screen->SetCursors(shape.Index, CreateCursorFromBitmap(image, clear, shape.HotX, shape.HotY));
    }
}

void CopyBitmapCell(TGraphic* Source, TBitmap* Dest, Integer Cols, Integer Index, Integer Rows) {
    if (!Source || !Dest) return;
    if (Cols < 1) Cols = 1;
    if (Rows < 1) Rows = 1;
    if (Index < 0) Index = 0;
    const Integer cellW = Source->Width() / Cols, cellH = Source->Height() / Rows;
    // 64-bit: a huge index must not wrap round into a real cell.
    const Int64 left = Int64(Index % Cols) * cellW, top = Int64(Index / Cols) * cellH;
    Dest->SetSize(0, 0);
    Dest->SetSize(cellW, cellH);
    const TRect destRect = Rect(0, 0, cellW, cellH);
    if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
        if (top + cellH <= bitmap->Height())
            Dest->Canvas()->CopyFromBitmap(destRect, *bitmap,
                                           Bounds(Integer(left), Integer(top), cellW, cellH));
        Dest->SetTransparentColor(bitmap->TransparentColor());
    } else {
        TCanvas* canvas = Dest->Canvas();
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(clSilver);
        canvas->FillRect(destRect);
        if (top + cellH <= Source->Height()) canvas->Draw(-Integer(left), -Integer(top), Source);
    }
    Dest->SetTransparent(Source->Transparent());
}

void PaintParentBackground(TControl* Control, TCanvas* Canvas) {
    if (!Control || !Canvas || !Control->Parent()) return;
    TWinControl* parent = Control->Parent();
    const TPoint offset{-Control->Left(), -Control->Top()};
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(ColorToRGB(parent->Color()));
    Canvas->FillRect(Rect(0, 0, Control->Width(), Control->Height()));
    if (auto* custom = dynamic_cast<TCustomControl*>(parent)) {
        void (TCustomControl::*paint)() = &TCustomPaint::Paint;
        const Integer w = custom->Width(), h = custom->Height();
        if (w > 0 && h > 0) {
            TCanvas* buffer = custom->Canvas();
            buffer->Bitmap()->SetSize(w, h);
            PaintInto(Canvas, custom, buffer, [&] { (custom->*paint)(); }, false, offset);
        }
    }
    const TRect self = Control->BoundsRect();
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* sibling = parent->Controls(i);
        if (sibling == Control) break;
        auto* graphic = dynamic_cast<TGraphicControl*>(sibling);
        if (!graphic || !graphic->Visible() || !Overlaps(graphic->BoundsRect(), self)) continue;
        void (TGraphicControl::*paint)() = &TGraphicPaint::Paint;
        bool (TGraphicControl::*transparent)() const = &TGraphicPaint::PaintsTransparent;
        if (graphic->Width() <= 0 || graphic->Height() <= 0) continue;
        TCanvas* buffer = graphic->Canvas();
        buffer->Bitmap()->SetSize(graphic->Width(), graphic->Height());
        // The control can tell this copy from painting itself on screen.
        const TControlState state = graphic->ControlState();
        TControlState copying = state;
        copying.Include(csPaintCopy);
        graphic->SetControlState(copying);
        auto restore = ScopeExit([graphic, state] { graphic->SetControlState(state); });
        PaintInto(Canvas, graphic, buffer, [&] { (graphic->*paint)(); }, (graphic->*transparent)(),
                  TPoint{graphic->Left() + offset.x, graphic->Top() + offset.y});
    }
}

void StretchBltMasked(TCanvas* Dest, Integer X, Integer Y, Integer Width, Integer Height, TCanvas* Source,
                      Integer SrcX, Integer SrcY, Integer SrcW, Integer SrcH, TColor TransparentColor,
                      HPALETTE /*Palette*/) {
    if (!Dest || !Source || !Source->Bitmap()) return;
    Dest->CopyTransparent(Bounds(X, Y, Width, Height), *Source->Bitmap(), Bounds(SrcX, SrcY, SrcW, SrcH),
                          TransparentColor);
}

void StretchBitmapRectTransparent(TCanvas* Canvas, Integer X, Integer Y, Integer Width, Integer Height,
                                  const TRect& SrcRect, TBitmap* Bitmap, TColor TransparentColor) {
    if (!Canvas || !Bitmap || Bitmap->Empty()) return;
    if (Width < 1) Width = Bitmap->Width();
    if (Height < 1) Height = Bitmap->Height();
    const TRect src = CellRect(*Bitmap, SrcRect);
    TCanvas* bitmapCanvas = Bitmap->Canvas();
    TCanvasLock lock(bitmapCanvas);
    TRestore<TNotifyEvent> keepOnChange(Bitmap->OnChange);
    Bitmap->OnChange = nullptr;
    const TRect dest = Bounds(X, Y, Width, Height);
    if (TransparentColor == clNone) {
        Canvas->CopyFromBitmap(dest, *Bitmap, src);
        return;
    }
    if (TransparentColor == clDefault) TransparentColor = Bitmap->GetPixel(0, Bitmap->Height() - 1);
    if (Bitmap->Monochrome()) TransparentColor = clWhite;
    StretchBltMasked(Canvas, X, Y, Width, Height, bitmapCanvas, src.Left, src.Top, src.Width(), src.Height(),
                     TransparentColor, nullptr);
}

void StretchBitmapMasked(TCanvas* Canvas, Integer X, Integer Y, Integer Width, Integer Height, TBitmap* Bitmap,
                         const TRect& SrcRect, TColor TransparentColor) {
    StretchBitmapRectTransparent(Canvas, X, Y, Width, Height, SrcRect, Bitmap, TransparentColor);
}

void DrawBitmapMasked(TCanvas* Canvas, Integer X, Integer Y, TBitmap* Bitmap, TColor TransparentColor) {
    if (!Bitmap) return;
    StretchBitmapRectTransparent(Canvas, X, Y, Bitmap->Width(), Bitmap->Height(), TRect{}, Bitmap,
                                 TransparentColor);
}

std::unique_ptr<TBitmap> MakeEmbossedBitmap(TBitmap* Bitmap, TColor BackColor, TColor FaceColor, bool UseHighlight,
                                            TColor ShadowColor, TColor HighlightColor) {
    auto result = std::make_unique<TBitmap>();
    result->SetPixelFormat(pf24bit);
    if (!Bitmap) return result;
    const Integer w = Bitmap->Width(), h = Bitmap->Height();
    result->SetSize(w, h);
    TCanvas* canvas = result->Canvas();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(FaceColor);
    canvas->FillRect(Rect(0, 0, w, h));
    const TColor back = ColorToRGB(BackColor) & 0xFFFFFF;
    std::vector<bool> ink(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (Integer y = 0; y < h; ++y)
        for (Integer x = 0; x < w; ++x)
            ink[std::size_t(y) * std::size_t(w) + std::size_t(x)] = Bitmap->GetPixel(x, y) != back;
    auto paintMask = [&](Integer dx, Integer dy, TColor color) {
        const TColor rgb = ColorToRGB(color);
        for (Integer y = 0; y < h; ++y)
            for (Integer x = 0; x < w; ++x)
                if (ink[std::size_t(y) * std::size_t(w) + std::size_t(x)]) result->SetPixel(x + dx, y + dy, rgb);
    };
    if (UseHighlight) paintMask(1, 1, HighlightColor);
    paintMask(0, 0, ShadowColor);
    return result;
}

std::unique_ptr<TBitmap> MakeEmbossedBitmapDefault(TBitmap* Bitmap, TColor BackColor) {
    return MakeEmbossedBitmap(Bitmap, BackColor, clBtnFace, true, clBtnShadow, clBtnHighlight);
}

void DrawImageEmbossed(TImageList* Images, TCanvas* Canvas, Integer X, Integer Y, Integer Index,
                       bool UseHighlight, TColor HighlightColor, TColor ShadowColor) {
    if (!Images || !Canvas || Index < 0 || Index >= Images->Count()) return;
    // Drawn once on black and once on white: the pixels that differ are the
    // image's transparent ones.
    TBitmap onBlack, onWhite;
    for (TBitmap* b : {&onBlack, &onWhite}) {
        b->SetPixelFormat(pf24bit);
        b->SetSize(Images->Width(), Images->Height());
        b->Canvas()->Brush()->SetColor(b == &onBlack ? clBlack : clWhite);
        b->Canvas()->FillRect(Rect(0, 0, Images->Width(), Images->Height()));
        if (!Images->GetBitmap(Index, b)) return;
    }
    auto paintShape = [&](Integer dx, Integer dy, TColor color) {
        const TColor rgb = ColorToRGB(color);
        for (Integer y = 0; y < onWhite.Height(); ++y)
            for (Integer x = 0; x < onWhite.Width(); ++x) {
                const TColor c = onWhite.GetPixel(x, y);
                if (c == onBlack.GetPixel(x, y) && c != clWhite) Canvas->SetPixel(X + x + dx, Y + y + dy, rgb);
            }
    };
    if (UseHighlight) paintShape(1, 1, HighlightColor);
    paintShape(0, 0, ShadowColor);
}

AnsiString FitTextWithEllipsis(const AnsiString& Text, TCanvas* Canvas, Integer MaxWidth) {
    if (!Canvas || Canvas->TextWidth(Text) <= MaxWidth) return Text;
    AnsiString result;
    for (Integer length = std::max<Integer>(Integer(Text.size()) - 2, 0); length >= 0; --length) {
        result = Text.substr(0, std::size_t(length)) + "...";
        if (Canvas->TextWidth(result) <= MaxWidth) break;
    }
    return result;
}

void PaintTextInRect(TCanvas* Canvas, const TRect& Rect, Integer DX, Integer DY, const AnsiString& Text,
                     TAlignment Alignment, bool WordWrap, bool RightToLeft) {
    if (!Canvas) return;
    // Our canvases are true colour, so no brush needs dithering; and they are
    // never mirrored, so left and right alignment never need swapping to
    // land where they are meant to.
    if (!WordWrap && Text.find('\r') == AnsiString::npos) {
        Integer x = Rect.Left + DX;
        if (Alignment == taRightJustify)
            x = Rect.Right - Canvas->TextWidth(Text) - 3;
        else if (Alignment == taCenter)
            x = Rect.Left + (Rect.Right - Rect.Left) / 2 - Canvas->TextWidth(Text) / 2;
        TextRect(Canvas, Rect, x, Rect.Top + DY, Text);
        return;
    }
    const Integer w = WidthOfRect(Rect), h = HeightOfRect(Rect);
    if (w <= 0 || h <= 0) return;
    TBitmap& bitmap = TextBitmap();
    if (bitmap.Width() < w || bitmap.Height() < h)
        bitmap.SetSize(std::max(bitmap.Width(), w), std::max(bitmap.Height(), h));
    TCanvas* buffer = bitmap.Canvas();
    buffer->ResetClipRect();
    buffer->Font()->Assign(Canvas->Font());
    buffer->Brush()->Assign(Canvas->Brush());
    buffer->Brush()->SetStyle(bsSolid);
    buffer->FillRect(::Rect(0, 0, w, h));
    buffer->Brush()->SetStyle(bsClear);
    Cardinal format = DT_EXPANDTABS | DT_NOPREFIX;
    if (Alignment == taRightJustify) format |= DT_RIGHT;
    if (Alignment == taCenter) format |= DT_CENTER;
    if (WordWrap) format |= DT_WORDBREAK;
    if (RightToLeft) format |= DT_RTLREADING;
    TRect area = ::Rect(DX, DY, w - 1, h - 1);
    DrawText(buffer, Text, area, format);
    Canvas->CopyFromBitmap(Rect, bitmap, ::Rect(0, 0, w, h));
}

void DrawGridCellText(TCustomControl* Grid, Integer /*Col*/, Integer /*Row*/, const AnsiString& Text,
                      const TRect& Rect, TAlignment Alignment, TVertAlignment VertAlignment, bool RightToLeft) {
    if (!Grid) return;
    constexpr Integer minOffset = 2;
    TCanvas* canvas = Grid->Canvas();
    Integer dy = minOffset;
    if (VertAlignment == vaCenter)
        dy = std::max<Integer>(1, (HeightOfRect(Rect) - canvas->TextHeight("W")) / 2);
    else if (VertAlignment == vaBottomJustify)
        dy = std::max<Integer>(minOffset, HeightOfRect(Rect) - canvas->TextHeight("W"));
    PaintTextInRect(canvas, Rect, minOffset, dy, Text, Alignment, Alignment == taCenter, RightToLeft);
}

void DrawGridCellText(TCustomControl* Grid, Integer Col, Integer Row, const AnsiString& Text, const TRect& Rect,
                      TAlignment Alignment, TVertAlignment VertAlignment) {
    DrawGridCellText(Grid, Col, Row, Text, Rect, Alignment, VertAlignment, false);
}

void DiscardMessage(TControl* Control, Cardinal Msg) { RemovePostedMessage(Control, Msg); }

void SystemBeep() { MessageBeep(); }

TColor PaletteRelativeColor(TColor Color) { return (ColorToRGB(Color) & 0xFFFFFF) | PaletteRelativeFlag; }

void ShowNotImplemented() {
    Screen->SetCursor(crDefault);
    LocalMessageDlg("Function not yet implemented", mtInformation, TMsgDlgButtons{mbOK}, 0);
    throw EAbort("");
}

bool ActiveWindowInThisThread() {
    return Application->IsMainThread() && Screen->ActiveForm() != nullptr;
}
