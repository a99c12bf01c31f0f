// TGIFImage as a picture: frame bitmaps and masks, palettes, the composite
// bitmap, drawing into a canvas, assignment from and to other graphics, and
// the registration with TPicture.

#include "media/GIFPicture.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "media/GIFColors.h"
#include "media/GIFPainter.h"
#include "media/GIFStreamIO.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/Clipbrd.h"

namespace GIFImage {

namespace {

// Resets a flag when leaving the scope.
class TFlagGuard {
public:
    explicit TFlagGuard(bool& Flag) : FFlag(Flag) { FFlag = true; }
    ~TFlagGuard() { FFlag = false; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& FFlag;
};

std::vector<TRGBQuad> TableOf(HPALETTE Palette) {
    // 256 slots as the frame bitmaps have them, so that copies between the
    // composite and frame 0 move indices unchanged.
    std::vector<TRGBQuad> table(256);
    const int n = std::min(PaletteEntryCount(Palette), 256);
    for (int i = 0; i < n; ++i) {
        const TPaletteEntry& e = Palette->Entries[std::size_t(i)];
        table[std::size_t(i)] = TRGBQuad{e.peBlue, e.peGreen, e.peRed, 0};
    }
    return table;
}

// The part of Rect that stands for the area (Left, Top, Width, Height) of a
// W x H screen; multiply first, then divide, so the edges of neighbouring
// frames meet.
TRect Place(const TRect& Rect, Integer W, Integer H, Integer Left, Integer Top, Integer Width, Integer Height) {
    const Int64 rw = Int64(Rect.Right) - Rect.Left, rh = Int64(Rect.Bottom) - Rect.Top;
    return TRect{Integer(Rect.Left + Int64(Left) * rw / W), Integer(Rect.Top + Int64(Top) * rh / H),
                 Integer(Rect.Left + Int64(Left + Width) * rw / W), Integer(Rect.Top + Int64(Top + Height) * rh / H)};
}

// Copies of a Width x Height image starting at (X0, Y0), every StepX and
// StepY, while a copy starts inside Rect; the canvas is clipped to Rect
// meanwhile so that the last row and column do not spill over the neighbours.
template <class F>
void ForEachTile(TCanvas& ACanvas, const TRect& Rect, Integer X0, Integer Y0, Integer Width, Integer Height,
                 Integer StepX, Integer StepY, F Copy) {
    if (StepX <= 0 || StepY <= 0 || Width <= 0 || Height <= 0) return;
    const TRect oldClip = ACanvas.ClipRect();
    const TRect clip = IntersectRect(oldClip, Rect);
    if (clip.IsEmpty()) return;
    ACanvas.SetClipRect(clip);
    auto unclip = ScopeExit([&] { ACanvas.SetClipRect(oldClip); });
    for (Int64 y = Y0; y < Rect.Bottom; y += StepY)
        for (Int64 x = X0; x < Rect.Right; x += StepX)
            Copy(TRect{Integer(x), Integer(y), Integer(x + Width), Integer(y + Height)});
}

}  // namespace

// ---------------------------------------------------------------------------
// Frames

void TGIFSubImage::FreeBitmap() {
    FBitmap.reset();
    FMask.reset();
    FPalette.reset();
}

HPALETTE TGIFSubImage::Palette() {
    if (FBitmap) return FBitmap->Palette();
    if (FPalette) return FPalette.get();
    if (FImage && FImage->DitheringFrames()) {
        FPalette.reset(CreateWebCubePalette());
        return FPalette.get();
    }
    if (FLocalPalette->Count() > 0) {
        FPalette.reset(FLocalPalette->ExportPalette());
        return FPalette.get();
    }
    return FImage ? FImage->Palette() : nullptr;
}

TBitmap* TGIFSubImage::Bitmap() {
    if (!FBitmap) BuildBitmap();
    return FBitmap.get();
}

const TBitmap* TGIFSubImage::Mask() {
    Bitmap();
    return FMask.get();
}

void TGIFSubImage::BuildBitmap() {
    FBitmap.reset();
    FMask.reset();
    HPALETTE palette = Palette();
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(pf8bit);
    if (Empty()) {
        bmp->SetColorTable(TableOf(palette));
        bmp->SetSize(Width(), Height());
        FBitmap = std::move(bmp);
        return;
    }
    const bool wantMask = FTransparent && FGCE;
    const Byte transparentIndex = FGCE ? FGCE->TransparentColorIndex() : 0;
    std::unique_ptr<TBitmap> mask;
    if (wantMask) {
        mask = std::make_unique<TBitmap>();
        mask->SetPixelFormat(pf1bit);
        mask->SetSize(Width(), Height());
        for (Integer y = 0; y < Height(); ++y) std::memset(mask->ScanLine(y), 0, std::size_t(mask->BytesPerScanLine()));
    }
    bool anyTransparent = false;
    try {
        if (FImage) FImage->ReportProgress(this, psStarting, 0, "Rendering...");
        TDIBWriter writer(bmp.get(), palette, Height(), Width(), pf8bit);
        if (FImage && FImage->DitheringFrames()) {
            TGIFColorMap& map = ActiveColorMap();
            TNetscapeColorLookup lookup;
            TFloydSteinbergDitherer engine(Width(), &lookup);
            for (Integer y = 0; y < Height(); ++y) {
                const Byte* src = FData.data() + std::size_t(y) * std::size_t(Width());
                Byte* dst = writer.RowAddress(y);
                Byte* m = mask ? mask->ScanLine(y) : nullptr;
                for (Integer i = 0; i < Width(); ++i) {
                    const Integer x = engine.Column();
                    if (m && src[x] == transparentIndex) {
                        m[x >> 3] = Byte(m[x >> 3] | (0x80 >> (x & 7)));
                        anyTransparent = true;
                        engine.Skip();
                        continue;
                    }
                    // Indices past the table show black, as in the plain bitmap.
                    const TGIFColor c = src[x] < map.Count() ? map.Entry(src[x]) : TGIFColor{};
                    int r, g, b;
                    dst[x] = Byte(engine.ProcessPixel(c.Red, c.Green, c.Blue, r, g, b));
                }
                engine.EndRow();
                if ((y & 31) == 31)
                    FImage->ReportProgress(this, psRunning, Byte(Int64(y + 1) * 100 / Height()), "Rendering...");
            }
        } else {
            for (Integer y = 0; y < Height(); ++y) {
                const Byte* src = FData.data() + std::size_t(y) * std::size_t(Width());
                std::memcpy(writer.RowAddress(y), src, std::size_t(Width()));
                if (mask) {
                    Byte* m = mask->ScanLine(y);
                    for (Integer x = 0; x < Width(); ++x)
                        if (src[x] == transparentIndex) {
                            m[x >> 3] = Byte(m[x >> 3] | (0x80 >> (x & 7)));
                            anyTransparent = true;
                        }
                }
                if (FImage && (y & 31) == 31)
                    FImage->ReportProgress(this, psRunning, Byte(Int64(y + 1) * 100 / Height()), "Rendering...");
            }
        }
        writer.Install();
    } catch (const EAbort&) {
        // The user stopped the rendering: the frame stays unbuilt.
        if (FImage) FImage->ReportProgress(this, psEnding, 0, "Rendering...");
        return;
    }
    if (FImage) FImage->ReportProgress(this, psEnding, 100, "Rendering...");
    FBitmap = std::move(bmp);
    if (anyTransparent) FMask = std::move(mask);
}

void TGIFSubImage::Draw(TCanvas& ACanvas, const TRect& Rect, bool DoTransparent, bool DoTile) {
    if (!FImage || FImage->Width() <= 0 || FImage->Height() <= 0 || Empty()) return;
    TBitmap* bmp = Bitmap();
    if (bmp == nullptr || bmp->Empty()) return;
    const TBitmap* mask = DoTransparent ? FMask.get() : nullptr;
    const TRect all{0, 0, bmp->Width(), bmp->Height()};
    auto copy = [&](const TRect& dest) {
        if (mask) ACanvas.CopyMasked(dest, *bmp, all, *mask);
        else ACanvas.CopyFromBitmap(dest, *bmp, all);
    };
    if (DoTile)
        ForEachTile(ACanvas, Rect, Rect.Left + Left(), Rect.Top + Top(), Width(), Height(), FImage->Width(),
                    FImage->Height(), copy);
    else
        copy(Place(Rect, FImage->Width(), FImage->Height(), Left(), Top(), Width(), Height()));
}

void TGIFSubImage::AssignFromBitmap(const TBitmap& Source) {
    if (FImage) FImage->ReportProgress(this, psStarting, 0, "Converting...");
    FExtensions.Clear();
    FGCE = nullptr;
    FTransparent = false;
    FLocalPalette->Clear();
    SetSize(Source.Width(), Source.Height());
    if (FImage) {
        // A frame larger than the picture grows it, as reading does.
        const Int64 right = Int64(Left()) + Width(), bottom = Int64(Top()) + Height();
        if (right > 0xFFFF || bottom > 0xFFFF) throw GIFException("Invalid image dimensions");
        bool grew = false;
        if (right > FImage->Width()) {
            ReportWarning(gsWarning, "Image width too small for contained frames");
            FImage->Header().SetWidth(Integer(right));
            grew = true;
        }
        if (bottom > FImage->Height()) {
            ReportWarning(gsWarning, "Image height too small for contained frames");
            FImage->Header().SetHeight(Integer(bottom));
            grew = true;
        }
        if (grew) ReportWarning(gsWarning, "Image exceeds Logical Screen size");
    }
    const TBitmap* from = &Source;
    std::unique_ptr<TBitmap> reduced;
    int bits = Source.BitsPerPixel();
    if (bits != 1 && bits != 4 && bits != 8 && !Source.Empty()) {
        reduced = ReduceBitmapColors(Source, FImage ? FImage->ColorReduction() : rmNetscape,
                                     FImage ? FImage->DitherMode() : dmNearest, FImage ? FImage->ReductionBits() : 8,
                                     nullptr);
        // A mode that yields nothing (a caller's palette that is not there)
        // falls back to the exact colours read below.
        if (reduced && !reduced->Empty()) {
            from = reduced.get();
            bits = from->BitsPerPixel();
        }
    }
    const Integer w = Width(), h = Height();
    if (bits == 1 || bits == 4 || bits == 8) {
        int highest = -1;
        for (Integer y = 0; y < h; ++y) {
            const Byte* src = from->ScanLine(y);
            Byte* dst = FData.data() + std::size_t(y) * std::size_t(w);
            for (Integer x = 0; x < w; ++x) {
                Byte v;
                if (bits == 8) v = src[x];
                else if (bits == 4) v = Byte((x & 1) ? src[x >> 1] & 0x0F : src[x >> 1] >> 4);
                else v = Byte((src[x >> 3] >> (7 - (x & 7))) & 1);
                dst[x] = v;
                highest = std::max<int>(highest, v);
            }
            if (FImage && (y & 31) == 31)
                FImage->ReportProgress(this, psRunning, Byte(Int64(y + 1) * 100 / h), "Converting...");
        }
        const std::vector<TRGBQuad>& table = from->ColorTable();
        FLocalPalette->ImportColorTable(table.data(), int(table.size()));
        // Pixels past a short table show black in the bitmap; the table is
        // padded so that they stay black and the frame stays writable.
        while (FLocalPalette->Count() <= highest) FLocalPalette->Add(clBlack);
    } else if (w > 0 && h > 0) {
        TDIBReader reader(*from, pf24bit);
        // The last 8 distinct colours seen, most recent at slot ringLast.
        struct Slot {
            TColor Color;
            Byte Index;
        };
        Slot ring[8];
        int ringCount = 0, ringLast = -1;
        for (Integer y = 0; y < h; ++y) {
            const Byte* src = reader.RowAddress(y);
            Byte* dst = FData.data() + std::size_t(y) * std::size_t(w);
            for (Integer x = 0; x < w; ++x) {
                const TColor c = RGB(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                int index = -1;
                for (int k = 0; k < ringCount && index < 0; ++k) {
                    const Slot& s = ring[(ringLast - k + 8) % 8];
                    if (s.Color == c) index = s.Index;
                }
                if (index < 0) {
                    index = FLocalPalette->IndexOf(c);
                    if (index < 0) index = FLocalPalette->Add(c);  // "Color table overflow" past 256
                    ringLast = (ringLast + 1) % 8;
                    ring[ringLast] = Slot{c, Byte(index)};
                    ringCount = std::min(ringCount + 1, 8);
                }
                dst[x] = Byte(index);
            }
            if (FImage && (y & 31) == 31)
                FImage->ReportProgress(this, psRunning, Byte(Int64(y + 1) * 100 / h), "Converting...");
        }
    }
    FreeBitmap();
    if (Source.Transparent() && !Source.Empty()) {
        const TColor key = ColorToRGB(Source.TransparentColor()) & 0xFFFFFF;
        TransparencyFromMask([&](Integer x, Integer y) { return (Source.GetPixel(x, y) & 0xFFFFFF) == key; });
    }
    if (FImage) FImage->ReportProgress(this, psEnding, 100, "Converting...");
}

void TGIFSubImage::TransparencyFromMask(const std::function<bool(Integer x, Integer y)>& Mask) {
    FLocalPalette->SortByUse();
    const int n = FLocalPalette->Count();
    if (n <= 0 || n >= 256) return;
    const int extra = FLocalPalette->Add(clBlack);
    bool any = false;
    for (Integer y = 0; y < Height(); ++y)
        for (Integer x = 0; x < Width(); ++x)
            if (Mask(x, y)) {
                FData[std::size_t(y) * std::size_t(Width()) + std::size_t(x)] = Byte(extra);
                any = true;
            }
    if (!any) {
        FLocalPalette->Delete(extra);
        return;
    }
    auto gce = std::make_unique<TGIFGraphicControlExtension>(this);
    gce->SetTransparentColorIndex(Byte(extra));
    gce->SetTransparent(true);
    // A reader takes the frame's first graphic control as its own: the new
    // one goes in front, or the transparency would be lost in a saved file.
    FGCE = gce.get();
    FExtensions.Insert(0, std::move(gce));
    FTransparent = true;
    FreeBitmap();
}

bool TGIFSubImage::AssignGraphic(TPersistent* Source) {
    if (auto* b = dynamic_cast<TBitmap*>(Source)) {
        AssignFromBitmap(*b);
        return true;
    }
    if (auto* p = dynamic_cast<TPicture*>(Source)) {
        if (p->Graphic()) return AssignGraphic(p->Graphic());
        AssignFromBitmap(TBitmap());
        return true;
    }
    auto* g = dynamic_cast<TGraphic*>(Source);
    if (g == nullptr) return false;
    TBitmap b;
    try {
        b.Assign(g);
    } catch (const EConvertError&) {
        b.Assign(nullptr);
        b.SetPixelFormat(pf24bit);
        b.SetSize(g->Width(), g->Height());
        b.Canvas()->StretchDraw(::Rect(0, 0, g->Width(), g->Height()), g);
    }
    AssignFromBitmap(b);
    return true;
}

// ---------------------------------------------------------------------------
// The picture

void TGIFImage::ReportProgress(TObject* Sender, TProgressStage Stage, Byte PercentDone, const AnsiString& Message) {
    Progress(Sender, Stage, PercentDone, false, TRect{}, Message);
}

void TGIFImage::FreeCaches() {
    // Painters that draw on the animation bitmap stop before it goes.
    if (FAnimation && PainterCount() > 0) StopDraw();
    FAnimation.reset();
    FBitmap.reset();
    FGlobalPalette.reset();
    for (const auto& f : FImages) f->FreeBitmap();
}

void TGIFImage::PaletteModified() { FreeCaches(); }

void TGIFImage::Changed(TObject* Sender) {
    FreeCaches();
    TGraphic::Changed(Sender);
}

// No screen is measured here; displays of today are true-colour.
bool TGIFImage::PaletteScreen = false;

bool TGIFImage::DitheringFrames() const {
    return (FDrawOptions & DitherFrames) && (!(FDrawOptions & DitherOnPaletteScreens) || PaletteScreen);
}

HPALETTE TGIFImage::Palette() {
    if (FPaletteBusy) throw GIFException("No global or local color table defined");
    TFlagGuard busy(FPaletteBusy);
    if (FBitmap) return FBitmap->Palette();
    if (FGlobalPalette) return FGlobalPalette.get();
    if (DitheringFrames()) {
        FGlobalPalette.reset(CreateWebCubePalette());
    } else if (GlobalColorMap().Count() > 0) {
        FGlobalPalette.reset(GlobalColorMap().ExportPalette());
    } else if (FImages.Count() > 0 && FImages[0]->ColorMap().Count() > 0) {
        FGlobalPalette.reset(CopyPalette(FImages[0]->Palette()));
    }
    // With no colour table anywhere there is no palette: asking frame 0
    // would only come back here.
    return FGlobalPalette.get();
}

TBitmap* TGIFImage::Bitmap() {
    if (FBitmap) return FBitmap.get();
    if (Empty() || Width() <= 0 || Height() <= 0) return nullptr;
    TGIFSubImage* frame = FImages[0];
    TBitmap* frameBitmap = frame->Bitmap();
    auto bmp = std::make_unique<TBitmap>();
    if (frameBitmap && frame->Left() == 0 && frame->Top() == 0 && frame->Width() == Width() &&
        frame->Height() == Height()) {
        bmp->Assign(*frameBitmap);
    } else {
        bmp->SetPixelFormat(pf8bit);
        bmp->SetColorTable(TableOf(Palette()));
        bmp->SetSize(Width(), Height());
        for (Integer y = 0; y < Height(); ++y) std::memset(bmp->ScanLine(y), 0, std::size_t(bmp->BytesPerScanLine()));
        if (frameBitmap && !frameBitmap->Empty())
            bmp->Canvas()->CopyFromBitmap(Place(::Rect(0, 0, Width(), Height()), Width(), Height(), frame->Left(),
                                                frame->Top(), frame->Width(), frame->Height()),
                                          *frameBitmap, ::Rect(0, 0, frameBitmap->Width(), frameBitmap->Height()));
    }
    FBitmap = std::move(bmp);
    return FBitmap.get();
}

void TGIFImage::DrawTiled(TCanvas& ACanvas, const TRect& Rect, const TBitmap& Source) {
    const TRect all{0, 0, Source.Width(), Source.Height()};
    ForEachTile(ACanvas, Rect, Rect.Left, Rect.Top, Source.Width(), Source.Height(), Source.Width(), Source.Height(),
                [&](const TRect& dest) { ACanvas.CopyFromBitmap(dest, Source, all); });
}

void TGIFImage::Draw(TCanvas& ACanvas, const TRect& Rect) {
    if (FDrawing || Empty() || Width() <= 0 || Height() <= 0) return;
    TFlagGuard drawing(FDrawing);
    if (FImages.Count() == 1 || !(FDrawOptions & Animate)) {
        FImages[0]->Draw(ACanvas, Rect, FDrawOptions & DrawTransparent, FDrawOptions & Tile);
        return;
    }
    DrawAnimated(ACanvas, Rect);
}

void TGIFImage::DrawAnimated(TCanvas& ACanvas, const TRect& Rect) {
    if (!FAnimation || (FDrawOptions & DrawDirect)) {
        TGIFPainter* last = Painter();
        const bool direct = FDrawOptions & DrawDirect;
        if (last == nullptr || !direct || last->Canvas() != &ACanvas || last->Rect() != Rect) {
            StopDraw();
            TCanvas* target = &ACanvas;
            TRect area = Rect;
            if (!direct) {
                // The painter keeps the picture's animation bitmap up to
                // date; each Draw shows it. It starts from what the target
                // shows. (The composite of Bitmap() stays frame 0, which is
                // what an assignment to a bitmap gives.)
                auto bmp = std::make_unique<TBitmap>();
                bmp->SetPixelFormat(pf24bit);
                bmp->SetSize(Width(), Height());
                bmp->Canvas()->CopyRect(::Rect(0, 0, Width(), Height()), &ACanvas, Rect);
                FAnimation = std::move(bmp);
                target = FAnimation->Canvas();
                area = ::Rect(0, 0, Width(), Height());
            }
            FreeEndedPainters();
            TGIFPainter* painter = TGIFPainter::Start(this, FDrawOptions, area, target, &FPainter);
            if (painter == nullptr) return;
            if (painter->Threaded()) {
                painter->Resume();
                if (!direct)
                    // Until the first frame is there the bitmap shows only
                    // the background.
                    while (Painter() == painter && !painter->Started() && !painter->Stopped())
                        if (!CheckSynchronize()) std::this_thread::yield();
            } else {
                FOwnPainters.emplace_back(painter);
                if (const std::exception_ptr failure = painter->Failure()) std::rethrow_exception(failure);
            }
        }
        if (direct) return;
    }
    TBitmap* bmp = FAnimation.get();
    if (bmp == nullptr) return;
    if (FDrawOptions & Tile) DrawTiled(ACanvas, Rect, *bmp);
    else ACanvas.CopyFromBitmap(Rect, *bmp, ::Rect(0, 0, bmp->Width(), bmp->Height()));
}

int TGIFImage::PainterCount() const {
    std::lock_guard lock(FPainterLock);
    return int(FPainters.size());
}

TGIFPainter* TGIFImage::Painter() const {
    std::lock_guard lock(FPainterLock);
    return FPainter;
}

void TGIFImage::AddPainter(TGIFPainter* Painter) {
    std::lock_guard lock(FPainterLock);
    FPainters.push_back(Painter);
}

void TGIFImage::RemovePainter(TGIFPainter* Painter) {
    std::lock_guard lock(FPainterLock);
    FPainters.erase(std::remove(FPainters.begin(), FPainters.end(), Painter), FPainters.end());
    if (FPainter == Painter) FPainter = nullptr;
}

void TGIFImage::PainterEnded(TGIFPainter* Painter) {
    RemovePainter(Painter);
    Painter->FImage = nullptr;
    if (const std::exception_ptr failure = Painter->FatalException()) std::rethrow_exception(failure);
}

void TGIFImage::FreeEndedPainters() {
    std::erase_if(FOwnPainters, [](const auto& p) { return p->Ended(); });
}

void TGIFImage::StopDraw() {
    for (;;) {
        std::vector<TGIFPainter*> painters;
        {
            std::lock_guard lock(FPainterLock);
            painters = FPainters;
        }
        // Threaded painters leave the list in their end handlers, which run
        // on this thread: they are alive while listed. Unthreaded ones end
        // at once, or, stopped by one of their own events, when that event
        // has returned.
        bool threaded = false;
        for (TGIFPainter* p : painters) {
            p->Stop();
            threaded = threaded || p->Threaded();
        }
        if (!threaded) return;
        if (!CheckSynchronize()) std::this_thread::yield();
    }
}

void TGIFImage::AssignTo(TPersistent* Dest) {
    auto* bmp = dynamic_cast<TBitmap*>(Dest);
    if (bmp == nullptr) {
        TGraphic::AssignTo(Dest);
        return;
    }
    TBitmap* composite = Bitmap();
    if (composite == nullptr) bmp->Assign(nullptr);
    else bmp->Assign(*composite);
}

int TGIFImage::Add(TPersistent* Source) {
    if (dynamic_cast<TGIFSubImage*>(Source) == nullptr && dynamic_cast<TGraphic*>(Source) == nullptr &&
        dynamic_cast<TPicture*>(Source) == nullptr)
        throw GIFException("Object type not supported for operation");
    auto frame = std::make_unique<TGIFSubImage>(this);
    frame->Assign(Source);
    const int index = FImages.Count();
    FImages.Add(std::move(frame));
    Changed(this);
    return index;
}

void TGIFImage::Assign(TPersistent* Source) {
    if (Source == nullptr) {
        Clear();
        Changed(this);
        return;
    }
    if (auto* g = dynamic_cast<TGIFImage*>(Source)) {
        if (g == this) return;
        Clear();
        FHeader->Assign(g->FHeader.get());
        FCompression = g->FCompression;
        FDrawBackgroundColor = g->FDrawBackgroundColor;
        FDrawOptions = g->FDrawOptions;
        FColorReduction = g->FColorReduction;
        FDitherMode = g->FDitherMode;
        // The source's handlers hear about the copy; ours come back after.
        const TProgressEvent ownProgress = OnProgress;
        const TGIFWarning ownWarning = OnWarning;
        OnProgress = g->OnProgress;
        OnWarning = g->OnWarning;
        {
            auto restore = ScopeExit([&] {
                OnProgress = ownProgress;
                OnWarning = ownWarning;
            });
            const int count = g->FImages.Count();
            for (int i = 0; i < count; ++i) {
                ReportProgress(this, i == 0 ? psStarting : psRunning, Byte(i * 100 / count), "Copying...");
                auto copy = std::make_unique<TGIFSubImage>(this);
                copy->Assign(g->FImages[i]);
                FImages.Add(std::move(copy));
            }
            ReportProgress(this, psEnding, 100, "Copying...");
        }
        Changed(this);
        return;
    }
    if (auto* p = dynamic_cast<TPicture*>(Source)) {
        Assign(p->Graphic());
        return;
    }
    if (dynamic_cast<TGraphic*>(Source)) {
        // The frame is made aside first, so that a graphic that cannot be
        // converted (more than 256 colours without reduction, say) leaves
        // this picture as it was instead of empty.
        TGIFImage made;
        made.FColorReduction = FColorReduction;
        made.FReductionBits = FReductionBits;
        made.FDitherMode = FDitherMode;
        made.OnWarning = OnWarning;
        made.OnProgress = OnProgress;
        try {
            made.Add(Source);
        } catch (const EConvertError&) {
            TGraphic::Assign(Source);
            return;
        }
        Clear();
        FHeader->Assign(made.FHeader.get());
        Add(made.FImages[0]);
        return;
    }
    TGraphic::Assign(Source);
}

// ---------------------------------------------------------------------------
// The clipboard

void TGIFImage::LoadFromClipboardFormat(const AnsiString& Format, const std::vector<Byte>& Data) {
    if (Format != GIFClipboardFormat) throw EInvalidGraphic("Unsupported clipboard format");
    TMemoryStream stream;
    if (!Data.empty()) stream.WriteBuffer(Data.data(), LongInt(Data.size()));
    stream.SetPosition(0);
    LoadFromStream(&stream);
}

void TGIFImage::SaveToClipboardFormat(AnsiString& Format, std::vector<Byte>& Data) {
    TMemoryStream stream;
    SaveToStream(&stream);
    const Byte* p = static_cast<const Byte*>(stream.Memory());
    Data.assign(p, p + stream.Size());
    Format = GIFClipboardFormat;
}

void TGIFImage::LoadFromClipboard() {
    TClipboard* clipboard = Clipboard();
    if (clipboard->HasFormatData(GIFClipboardFormat)) {
        LoadFromClipboardFormat(GIFClipboardFormat, clipboard->FormatData(GIFClipboardFormat));
        return;
    }
    TBitmap bitmap;
    if (!clipboard->GetAsBitmap(bitmap)) throw GIFException("Unsupported clipboard format");
    Assign(&bitmap);
}

void TGIFImage::SaveToClipboard() {
    if (Empty()) return;
    AnsiString format;
    std::vector<Byte> data;
    try {
        SaveToClipboardFormat(format, data);
    } catch (const Exception& e) {
        throw GIFException("Failed to store GIF on clipboard (" + e.Message() + ")");
    }
    TClipboard* clipboard = Clipboard();
    clipboard->Open();
    auto close = ScopeExit([&] { clipboard->Close(); });
    if (TBitmap* composite = Bitmap()) clipboard->SetAsBitmap(*composite);
    clipboard->SetFormatData(format, data);
}

// ---------------------------------------------------------------------------

void RegisterGIFImage() {
    UnregisterGIFImage();
    const TGraphicFactory make = [] { return std::unique_ptr<TGraphic>(new TGIFImage); };
    TPicture::RegisterFileFormat("gif", "GIF Image", "GIFImage::TGIFImage", make);
    TPicture::RegisterClipboardFormat(GIFClipboardFormat, "GIFImage::TGIFImage", make);
}

void UnregisterGIFImage() { TPicture::UnregisterGraphicClass("GIFImage::TGIFImage"); }

}  // namespace GIFImage
