#pragma once
// TGIFPainter shows the frames of a picture one after another, honouring
// each frame's delay and disposal method and the picture's loop count,
// either inside the picture's Draw call (unthreaded) or in a thread of its
// own that paints each frame on the user-interface thread (Synchronize).
//
//   created (suspended) --Start/Resume-->  painting passes  --body ends-->
//   ended: the picture's end handler takes it off the painter list (on the
//   user-interface thread for a threaded one, which then frees itself; an
//   unthreaded one is freed by the Draw call that ran it)
//
// Stop sets the stop flag and wakes a painter that waits between frames, so
// a long delay ends at once; painting stops before the next frame.

#include <atomic>
#include <exception>
#include <functional>
#include <memory>

#include "media/GIFPicture.h"
#include "platform/os/Thread.h"

namespace GIFImage {

// Time as painters see it: milliseconds, and the wait an unthreaded painter
// spends between frames. Tests replace both; empty members stand for the
// real clock.
struct TGIFPainterClock {
    std::function<Int64()> Now;
    std::function<void(Cardinal Milliseconds)> Sleep;
};
void SetGIFPainterClock(TGIFPainterClock Clock);

class TGIFPainter : public TThread {
public:
    // Frame delays are hundredths of a second, waited as 12 ms each.
    static constexpr Integer DelayUnitMs = 12;
    static constexpr Integer DefaultDelay = 10;
    static constexpr Integer MinimumDelay = 3;
    static constexpr Integer MaximumUnthreadedDelay = 1000;

    // Nothing (nullptr) for an empty picture or rectangle. A threaded painter
    // is returned suspended (Resume starts it); an unthreaded one has painted
    // when this returns, and the caller frees it. Painter is the optional
    // reference through which the caller finds the painter while it lives.
    static TGIFPainter* Start(TGIFImage* AImage, TGIFDrawOptions Options, const TRect& ARect, TCanvas* ACanvas,
                              TGIFPainter** Painter = nullptr);
    ~TGIFPainter() override;

    void Stop();
    bool Stopped() const { return FStop; }
    bool Threaded() const { return FThreaded; }
    TGIFImage* Image() const { return FImage; }
    TCanvas* Canvas() const { return FCanvas; }
    const TRect& Rect() const { return FRect; }
    TGIFDrawOptions DrawOptions() const { return FDrawOptions; }
    // The frame being shown, -1 when idle. Painter events may set it to
    // jump to another frame.
    int ActiveImage() const { return FActiveImage; }
    void SetActiveImage(int Value) { FActiveImage = Value; }
    // The first frame has been painted, or painting is over.
    bool Started() const { return FStarted; }
    // The wait before the frame about to be shown, in milliseconds (the
    // last one computed).
    Int64 LastWait() const { return FLastWait; }
    // What went wrong inside the body of an unthreaded painter.
    std::exception_ptr Failure() const { return FFailure; }

    TNotifyEvent OnStartPaint;
    TNotifyEvent OnPaint;
    TNotifyEvent OnAfterPaint;
    TNotifyEvent OnLoop;
    TNotifyEvent OnEndPaint;

protected:
    void Execute() override;

private:
    friend class TGIFImage;
    TGIFPainter(TGIFImage* AImage, TGIFDrawOptions Options, const TRect& ARect, TCanvas* ACanvas,
                TGIFPainter** Painter);
    void Body();
    void Fire(const TNotifyEvent& Event);
    void Wait(Integer PreviousDelay, Int64& Base, Int64& Carry);
    void PaintFrame();
    void ClearFrameArea(TGIFSubImage* Frame, TCanvas& Target, const TRect& Area);

    TGIFImage* FImage;
    TCanvas* FCanvas;
    TRect FRect;
    TGIFDrawOptions FDrawOptions;
    bool FThreaded;
    Integer FAnimationSpeed;
    TColor FBackgroundColor;
    TGIFPainter** FReference;
    std::atomic<int> FActiveImage{-1};
    std::atomic<bool> FStarted{false};
    std::atomic<bool> FStop{false};
    std::atomic<bool> FRestart{true};
    int FDisposal = 1;
    int FPreviousDisposal = 1;
    Int64 FLastWait = 0;
    std::unique_ptr<TEvent> FEvent;
    std::unique_ptr<TBitmap> FBackup;
    std::unique_ptr<TBitmap> FFrameBuffer;
    std::unique_ptr<TBitmap> FBackground;
    std::exception_ptr FFailure;
};

}  // namespace GIFImage
