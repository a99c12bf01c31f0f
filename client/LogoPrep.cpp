#include "client/LogoPrep.h"

#include "core/Nota.h"
#include "media/GIFColors.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/FileUtils.h"

namespace {

constexpr Integer BufferSize = 1000;

void Fill(TBitmap& Bitmap, TColor Color) {
    TCanvas* c = Bitmap.Canvas();
    c->Brush()->SetColor(Color);
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(Rect(0, 0, Bitmap.Width(), Bitmap.Height()));
}

bool IsBlack(TColor Pixel) { return (Pixel & 0xFFFFFF) == 0; }

}  // namespace

TPoint LogoSize(TLogoKind Kind) {
    return Point(LogoWidth, Kind == lkPictureMessage ? PictureMessageHeight : LogoHeight);
}

void ReplaceBackground(TBitmap& Bitmap, TColor NewColor, TColor OldColor) {
    if (Bitmap.Empty()) return;
    TColor old = OldColor;
    if (old == 0) {
        old = Bitmap.GetPixel(0, 0);
        if (IsBlack(old)) {
            old = -1;
            for (Integer x = 0; x < Bitmap.Width() && old == -1; ++x)
                for (Integer y = 0; y < Bitmap.Height(); ++y) {
                    const TColor p = Bitmap.GetPixel(x, y);
                    if (p != -1 && !IsBlack(p)) {
                        old = p;
                        break;
                    }
                }
            // All black: no background to replace; the picture is all drawing.
            if (old == -1) return;
        }
    }
    // The result takes the new colour exactly, whatever the bitmap's format
    // could hold before.
    if (Bitmap.PixelFormat() != pf24bit) Bitmap.SetPixelFormat(pf24bit);
    ReplaceColour(Bitmap, old, NewColor);
}

TLogoFit FitPicture(Integer PictureWidth, Integer PictureHeight, TLogoKind CurrentKind) {
    TLogoFit fit;
    if (PictureWidth <= LogoWidth && PictureHeight <= LogoHeight) {
        fit.Kind = lkOperatorLogo;
    } else if (PictureWidth > LogoWidth || PictureHeight > PictureMessageHeight) {
        fit.Crop = true;
        fit.Kind = CurrentKind;
    } else {
        fit.Kind = lkPictureMessage;
    }
    const TPoint size = LogoSize(fit.Kind);
    fit.Width = size.x;
    fit.Height = size.y;
    fit.Source = Rect(0, 0, size.x, size.y);
    return fit;
}

TLogoPicture::TLogoPicture() {
    FImage.SetPixelFormat(pf24bit);
    FImage.SetSize(LogoWidth, LogoHeight);
    Fill(FImage, LogoBackground);
}

void TLogoPicture::SetKind(TLogoKind Value) {
    FKind = Value;
    const TPoint size = LogoSize(Value);
    ResizeLogo(size.x, size.y);
}

// Three megabytes that most runs never need: the main window's start makes a
// logo, yet only a resize or a taken picture uses the buffer.
TBitmap& TLogoPicture::Buffer() {
    if (FBuffer.Width() == 0) {
        FBuffer.SetPixelFormat(pf24bit);
        FBuffer.SetSize(BufferSize, BufferSize);
        Fill(FBuffer, LogoBackground);
    }
    return FBuffer;
}

void TLogoPicture::ResizeLogo(Integer Width, Integer Height) {
    TBitmap& buffer = Buffer();
    buffer.Canvas()->CopyFromBitmap(Rect(0, 0, FImage.Width(), FImage.Height()), FImage,
                                     Rect(0, 0, FImage.Width(), FImage.Height()));
    FImage.SetPixelFormat(pf24bit);
    FImage.SetSize(Width, Height);
    FImage.Canvas()->CopyFromBitmap(Rect(0, 0, Width, Height), buffer, Rect(0, 0, Width, Height));
    ReplaceBackground(FImage, LogoBackground);
}

void TLogoPicture::TakePicture(const TBitmap& Picture, const TLogoFit& Fit, bool Stucki, const AnsiString& FileName) {
    Content = true;
    Name = ChangeFileExt(ExtractFileName(FileName), "");
    FKind = Fit.Kind;
    // The source rectangle on white: a picture smaller than the logo gets a
    // white margin instead of whatever lies past its edge.
    const Integer sw = Fit.Source.Right - Fit.Source.Left, sh = Fit.Source.Bottom - Fit.Source.Top;
    TBitmap source;
    source.SetPixelFormat(pf24bit);
    source.SetSize(sw, sh);
    Fill(source, clWhite);
    const TRect inside = IntersectRect(Fit.Source, Rect(0, 0, Picture.Width(), Picture.Height()));
    if (!inside.IsEmpty())
        source.Canvas()->CopyFromBitmap(
            Rect(inside.Left - Fit.Source.Left, inside.Top - Fit.Source.Top, inside.Right - Fit.Source.Left,
                 inside.Bottom - Fit.Source.Top),
            Picture, inside);
    TBitmap& buffer = Buffer();
    Fill(buffer, LogoBackground);
    buffer.Canvas()->CopyFromBitmap(Rect(0, 0, Fit.Width, Fit.Height), source, Rect(0, 0, sw, sh));
    TBitmap cut;
    cut.SetPixelFormat(pf24bit);
    cut.SetSize(Fit.Width, Fit.Height);
    cut.Canvas()->CopyFromBitmap(Rect(0, 0, Fit.Width, Fit.Height), buffer, Rect(0, 0, Fit.Width, Fit.Height));
    std::unique_ptr<TBitmap> reduced = GIFImage::ReduceBitmapColors(
        cut, GIFImage::rmMonochrome, Stucki ? GIFImage::dmStucki : GIFImage::dmNearest, 8, nullptr);
    FImage.Assign(*reduced);
    FImage.SetPixelFormat(pf24bit);
    ReplaceBackground(FImage, LogoBackground);
}

void TLogoPicture::QueuedImage(TBitmap& Out) const {
    TBitmap made;
    made.SetPixelFormat(pf1bit);
    made.SetSize(FImage.Width(), FImage.Height());
    for (Integer y = 0; y < FImage.Height(); ++y)
        for (Integer x = 0; x < FImage.Width(); ++x)
            made.SetPixel(x, y, IsBlack(FImage.GetPixel(x, y)) ? clBlack : clWhite);
    Out.Assign(made);
}

void TLogoPicture::SavedImage(TBitmap& Out) const {
    Out.Assign(FImage);
    ReplaceBackground(Out, clWhite);
}

void TLogoPicture::SaveToFile(const AnsiString& FileName) const {
    TBitmap saved;
    SavedImage(saved);
    saved.SaveToFile(FileName);
}
