#include "media/GIFPainter.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/gfx/Canvas.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/ExtCtrls.h"

namespace GIFImage {

namespace {

struct TClockState {
    std::mutex Lock;
    TGIFPainterClock Clock;
};

TClockState& ClockState() {
    static TClockState state;
    return state;
}

Int64 Now() {
    std::function<Int64()> now;
    {
        std::lock_guard lock(ClockState().Lock);
        now = ClockState().Clock.Now;
    }
    if (now) return now();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool UsesBuffers(unsigned Disposals) { return Disposals & ((1u << 2) | (1u << 3)); }

}  // namespace

void SetGIFPainterClock(TGIFPainterClock Clock) {
    std::lock_guard lock(ClockState().Lock);
    ClockState().Clock = std::move(Clock);
}

TGIFPainter* TGIFPainter::Start(TGIFImage* AImage, TGIFDrawOptions Options, const TRect& ARect, TCanvas* ACanvas,
                                TGIFPainter** Painter) {
    if (AImage == nullptr || AImage->Empty() || ARect.IsEmpty() || ACanvas == nullptr) return nullptr;
    if (AImage->Images().Count() == 1) Options &= TGIFDrawOptions(~(PaintInThread | Animate));
    auto* painter = new TGIFPainter(AImage, Options, ARect, ACanvas, Painter);
    if (!painter->FThreaded) {
        painter->Step(true);
        return painter;
    }
    painter->SetFreeOnTerminate(true);
    painter->OnTerminate = [AImage](TObject* Sender) { AImage->PainterEnded(static_cast<TGIFPainter*>(Sender)); };
    return painter;
}

TGIFPainter::TGIFPainter(TGIFImage* AImage, TGIFDrawOptions Options, const TRect& ARect, TCanvas* ACanvas,
                         TGIFPainter** Painter)
    : TThread(true),
      FImage(AImage),
      FCanvas(ACanvas),
      FRect(ARect),
      FDrawOptions(Options),
      FThreaded((Options & PaintInThread) && (Options & Animate)),
      FAnimationSpeed(AImage->AnimationSpeed()),
      FReference(Painter) {
    if (FThreaded && AImage->Images().Count() > 1 && FAnimationSpeed >= 0) FEvent = std::make_unique<TEvent>();
    if (!FThreaded) {
        FTimer = std::make_unique<TTimer>(nullptr);
        FTimer->SetEnabled(false);
        FTimer->OnTimer = [this](TObject*) { Tick(); };
    }
    if (AImage->DrawBackgroundColor() != clNone) FBackgroundColor = AImage->DrawBackgroundColor();
    else if (AImage->GlobalColorMap().Count() == 0) FBackgroundColor = clWindow;
    else {
        const int index = std::min<int>(AImage->Header().BackgroundColorIndex(), AImage->GlobalColorMap().Count() - 1);
        const TGIFColor c = AImage->GlobalColorMap().Entry(index);
        FBackgroundColor = RGB(c.Red, c.Green, c.Blue);
    }
    unsigned disposals = 0;
    for (const auto& frame : AImage->Images())
        if (const TGIFGraphicControlExtension* gce = frame->GraphicControlExtension())
            disposals |= 1u << gce->Disposal();
    if (Options & ClearOnLoop) disposals |= 1u << 2;
    const Integer w = ARect.Right - ARect.Left, h = ARect.Bottom - ARect.Top;
    auto copyOfTarget = [&] {
        auto b = std::make_unique<TBitmap>();
        b->SetPixelFormat(pf24bit);
        b->SetSize(w, h);
        b->Canvas()->Brush()->SetColor(FBackgroundColor);
        b->Canvas()->CopyRect(::Rect(0, 0, w, h), ACanvas, ARect);
        return b;
    };
    if ((disposals & (1u << 2)) && (Options & DrawTransparent)) FBackground = copyOfTarget();
    if (UsesBuffers(disposals)) {
        FBackup = copyOfTarget();
        FFrameBuffer = std::make_unique<TBitmap>();
        FFrameBuffer->SetPixelFormat(pf24bit);
        FFrameBuffer->SetSize(w, h);
        FFrameBuffer->Canvas()->Brush()->SetColor(FBackgroundColor);
    }
    OnStartPaint = AImage->OnStartPaint;
    OnPaint = AImage->OnPaint;
    OnAfterPaint = AImage->OnAfterPaint;
    OnLoop = AImage->OnLoop;
    OnEndPaint = AImage->OnEndPaint;
    AImage->AddPainter(this);
    if (FReference) *FReference = this;
}

TGIFPainter::~TGIFPainter() {
    // A threaded painter left the list in its end handler; the picture may
    // be gone by the time its thread frees it.
    if (FImage) FImage->RemovePainter(this);
}

void TGIFPainter::Stop() {
    FStop = true;
    if (FEvent) FEvent->SetEvent();
    if (FThreaded && Suspended()) Resume();
    // Waiting for its timer, an unthreaded painter ends now; inside a step
    // (a handler of its own events stopped it) the step ends it.
    if (!FThreaded && !FInStep && !FEnded) Finish();
}

void TGIFPainter::Execute() {
    try {
        Body();
    } catch (...) {
        FStop = true;
        throw;  // kept by the thread; its end handler reports it
    }
}

void TGIFPainter::Fire(const TNotifyEvent& Event) {
    const TNotifyEvent handler = Event;
    if (!handler) return;
    // The handlers belong to the user-interface thread, like the picture.
    if (FThreaded) Synchronize([&] { handler(this); });
    else handler(this);
}

Int64 TGIFPainter::ComputeWait() {
    if (FPass.PreviousDelay < 1) return 0;
    // Render the frame now, so the wait covers its cost.
    const int active = FActiveImage;
    if (active >= 0 && active < FImage->Images().Count()) {
        if (FThreaded) Synchronize([&] { FImage->Images()[active]->Bitmap(); });
        else FImage->Images()[active]->Bitmap();
    }
    const Int64 now = Now();
    Int64 t;
    if (FAnimationSpeed < 1) t = FThreaded ? -1 : Int64(1000) * DelayUnitMs;
    else t = (Int64(FPass.PreviousDelay) * DelayUnitMs - (now - FPass.Base - FPass.Carry) / 2) * 100 / FAnimationSpeed;
    FPass.Carry = t;
    FPass.Base = now;
    FLastWait = t;
    return t;
}

void TGIFPainter::Wait() {
    if (FPass.PreviousDelay < 1) {
        std::this_thread::yield();
        return;
    }
    const Int64 t = ComputeWait();
    if (t <= 0 && FAnimationSpeed != 0) return;
    const unsigned timeout = t < 0 ? TEvent::InfiniteWait : unsigned(std::min<Int64>(t, 0x7FFFFFFF));
    if (FEvent && FEvent->WaitFor(timeout) == TWaitResult::wrSignaled) {
        FPass.Carry = 0;
        FPass.Base = Now();
    }
}

bool TGIFPainter::NextFrame() {
    for (;;) {
        if (FStop) return false;
        if (!FPass.Running) {
            if (!FRestart) return false;
            FRestart = false;
            FActiveImage = 0;
            Fire(OnStartPaint);
            FPass = TPass{};
            FPass.Running = true;
            FPass.Forever = FDrawOptions & LoopForever;
            FPreviousDisposal = 1;
            FPass.Base = Now();
            FPass.PreviousDelay = FThreaded ? 0 : 1;
            continue;
        }
        if (!FPass.InLoop) {
            if ((FPass.Loops <= 0 && !FPass.Forever) || FRestart) {
                FPass.Running = false;
                continue;
            }
            FActiveImage = FPass.LoopStart;
            if (!FPass.FirstLoop) Fire(OnLoop);
            FPass.FirstLoop = false;
            FPass.InLoop = true;
            FPass.Painted = 0;
            continue;
        }
        const int active = FActiveImage;
        if (active >= 0 && active < FImage->Images().Count() && !FRestart && !FImage->Images()[active]->Empty() &&
            (FPass.Painted == 0 || (FDrawOptions & Animate)))
            return true;
        FPass.InLoop = false;
        if (FPass.Loops > 0) --FPass.Loops;
        if (!((FDrawOptions & Animate) && (FDrawOptions & RepeatAnimation))) FPass.Running = false;
    }
}

void TGIFPainter::PaintActive() {
    const int active = FActiveImage;
    if (active < 0 || active >= FImage->Images().Count()) return;
    TGIFSubImage* frame = FImage->Images()[active];
    Fire(OnPaint);
    FDisposal = 1;
    Integer delay = DefaultDelay;
    for (const auto& ext : frame->Extensions()) {
        if (auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(ext.get()); loop && !FPass.LoopSeen) {
            FPass.LoopSeen = true;
            FPass.Loops = loop->Loops();
            if (FThreaded && (loop->Loops() == 0 || (FDrawOptions & LoopForever))) FPass.Forever = true;
            FPass.LoopStart = active;
        } else if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(ext.get())) {
            FDisposal = gce->Disposal();
            if (gce->Delay() != 0) delay = gce->Delay();
        }
    }
    if (FThreaded) Synchronize([this] { PaintFrame(); });
    else PaintFrame();
    FStarted = true;
    FPreviousDisposal = FDisposal;
    delay = std::max(delay, MinimumDelay);
    if (!FThreaded) delay = std::min(delay, MaximumUnthreadedDelay);
    FPass.PreviousDelay = delay;
    Fire(OnAfterPaint);
    if (FActiveImage == active) FActiveImage = active + 1;
    ++FPass.Painted;
}

void TGIFPainter::Finish() {
    // An end-paint handler may stop its own painter again.
    if (FFinishing) return;
    FFinishing = true;
    FActiveImage = -1;
    // Even a failing handler does not keep an unthreaded painter listed.
    auto leave = ScopeExit([this] {
        if (!FThreaded) Leave();
    });
    Fire(OnEndPaint);
}

void TGIFPainter::Leave() {
    FStarted = true;
    FTimer->SetEnabled(false);
    FBackup.reset();
    FFrameBuffer.reset();
    FBackground.reset();
    if (FImage) FImage->RemovePainter(this);
    FImage = nullptr;
    // The picture may free the painter from here on.
    FEnded = true;
}

void TGIFPainter::Body() {
    auto done = ScopeExit([this] { FStarted = true; });
    try {
        while (NextFrame()) {
            Wait();
            if (!FStop && !FRestart) PaintActive();
        }
        Finish();
    } catch (...) {
        FStop = true;
        FActiveImage = -1;
        throw;  // kept by the thread; its end handler reports it
    }
}

void TGIFPainter::Step(bool First) {
    try {
        {
            FInStep = true;
            auto leaving = ScopeExit([this] { FInStep = false; });
            if (First ? NextFrame() : !FStop && !FRestart) PaintActive();
            if (NextFrame()) {
                const Int64 t = ComputeWait();
                FTimer->SetInterval(Cardinal(std::clamp<Int64>(t, 1, 0x7FFFFFFF)));
                FTimer->SetEnabled(true);
                return;
            }
        }
        Finish();
    } catch (...) {
        FStop = true;
        FActiveImage = -1;
        if (!FFinishing) Leave();
        // The first frame's failure goes to the Draw call; later ones to
        // the application, through the timer event.
        if (!First) throw;
        FFailure = std::current_exception();
    }
}

void TGIFPainter::Tick() {
    FTimer->SetEnabled(false);
    Step(false);
}

void TGIFPainter::ClearFrameArea(TGIFSubImage* Frame, TCanvas& Target, const TRect& Area) {
    const bool tile = FDrawOptions & Tile;
    const Integer w = FImage->Width(), h = FImage->Height();
    auto clear = [&](const TRect& r) {
        if (FBackground && (FDrawOptions & DrawTransparent)) {
            Target.CopyFromBitmap(r, *FBackground, ::Rect(r.Left - Area.Left, r.Top - Area.Top, r.Right - Area.Left,
                                                          r.Bottom - Area.Top));
        } else {
            Target.Brush()->SetColor(FBackgroundColor);
            Target.Brush()->SetStyle(bsSolid);
            Target.FillRect(r);
        }
    };
    if (tile && (FBackground || (Frame->Width() != w && Frame->Height() != h))) {
        for (Int64 y = Area.Top + Frame->Top(); y < Area.Bottom; y += h)
            for (Int64 x = Area.Left + Frame->Left(); x < Area.Right; x += w)
                clear(::Rect(Integer(x), Integer(y), Integer(x + Frame->Width()), Integer(y + Frame->Height())));
        return;
    }
    const Int64 rw = Int64(Area.Right) - Area.Left, rh = Int64(Area.Bottom) - Area.Top;
    clear(::Rect(Integer(Area.Left + Int64(Frame->Left()) * rw / w), Integer(Area.Top + Int64(Frame->Top()) * rh / h),
                 Integer(Area.Left + Int64(Frame->Left() + Frame->Width()) * rw / w),
                 Integer(Area.Top + Int64(Frame->Top() + Frame->Height()) * rh / h)));
}

void TGIFPainter::PaintFrame() {
    if (FStop) return;
    const int active = FActiveImage;
    if (active < 0 || active >= FImage->Images().Count()) return;
    TGIFSubImage* frame = FImage->Images()[active];
    const bool transparent = FDrawOptions & DrawTransparent, tile = FDrawOptions & Tile;
    if (!FBackup) {
        frame->Draw(*FCanvas, FRect, transparent, tile);
        return;
    }
    const Integer w = FRect.Right - FRect.Left, h = FRect.Bottom - FRect.Top;
    const TRect local = ::Rect(0, 0, w, h);
    TBitmap* buffer = nullptr;
    switch (FDisposal) {
        case 0:
        case 1:
        case 2: buffer = FBackup.get(); break;
        case 3:
            if (FPreviousDisposal == 2 || FPreviousDisposal == 3) {
                FFrameBuffer->Canvas()->CopyFromBitmap(local, *FBackup, local);
                buffer = FFrameBuffer.get();
            }
            break;
        default: return;
    }
    if (buffer == nullptr) {
        // Restore-previous after a frame that stays: draw on the target
        // itself, the backup keeps what was there.
        if ((FDrawOptions & ClearOnLoop) && active == 0) ClearFrameArea(frame, *FCanvas, FRect);
        frame->Draw(*FCanvas, FRect, transparent, tile);
        return;
    }
    if ((FDrawOptions & ClearOnLoop) && active == 0) {
        buffer->Canvas()->Brush()->SetColor(FBackgroundColor);
        buffer->Canvas()->Brush()->SetStyle(bsSolid);
        buffer->Canvas()->FillRect(local);
    }
    frame->Draw(*buffer->Canvas(), local, transparent, tile);
    FCanvas->CopyFromBitmap(FRect, *buffer, local);
    if (FDisposal == 2) ClearFrameArea(frame, *FBackup->Canvas(), local);
}

}  // namespace GIFImage
