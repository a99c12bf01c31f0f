#pragma once
// TGIFPainter shows the frames of a picture one after another, honouring
// each frame's delay and disposal method and the picture's loop count,
// either in a thread of its own that paints each frame on the user-interface
// thread (Synchronize), or unthreaded, on the user-interface thread between
// its other events: the first frame inside the picture's Draw call, each
// further one from a timer set to the frame's delay.
//
//   created (suspended) --Start--> threaded: Resume runs the body in its
//                                  thread; unthreaded: first frame painted
//   painting passes  --body ends, or Stop of an unthreaded painter between
//   frames-->  ended: end-paint event; off the picture's painter list (a
//   threaded one in its end handler on the user-interface thread, after
//   which it frees itself; an unthreaded one at once, and the picture frees
//   it later)
//
// Stop sets the stop flag and wakes a painter that waits between frames, so
// a long delay ends at once; painting stops before the next frame.

#include <atomic>
#include <exception>
#include <functional>
#include <memory>

#include "media/GIFPicture.h"
#include "platform/os/Thread.h"

class TTimer;

namespace GIFImage {

// Time as painters see it, in milliseconds. Tests replace it; an empty
// member stands for the real clock.
struct TGIFPainterClock {
    std::function<Int64()> Now;
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
    // its first frame when this returns, paints the others from its timer,
    // and is freed by the caller, at the latest once it has Ended. Painter is
    // the optional reference through which the caller finds the painter
    // while it lives.
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
    // What went wrong while an unthreaded painter painted its first frame.
    std::exception_ptr Failure() const { return FFailure; }
    // An unthreaded painter has left its picture's painter list.
    bool Ended() const { return FEnded; }

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
    // Moves to the frame to be painted next, beginning passes and loops and
    // firing their events on the way; false when painting is over.
    bool NextFrame();
    // The paint event, the frame itself and the after-paint event; then
    // the next frame in order becomes the active one.
    void PaintActive();
    // Renders the active frame and works out how long its predecessor
    // stays: milliseconds, -1 for ever; 0 after a frame with no delay.
    Int64 ComputeWait();
    void Wait();
    // Unthreaded: a timer tick paints the frame that was waiting, and each
    // step ends by setting the timer for the next one or by ending.
    void Tick();
    void Step(bool First);
    void Finish();
    void Leave();
    void Fire(const TNotifyEvent& Event);
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
    // Where a pass stands between frames.
    struct TPass {
        bool Running = false;
        bool InLoop = false;
        bool FirstLoop = true;
        Integer Loops = 1;
        bool Forever = false;
        bool LoopSeen = false;
        int LoopStart = 0;
        int Painted = 0;  // frames painted in this loop
        Int64 Base = 0;
        Int64 Carry = 0;
        Integer PreviousDelay = 0;
    } FPass;
    bool FInStep = false;
    bool FFinishing = false;
    bool FEnded = false;
    std::unique_ptr<TTimer> FTimer;
    std::unique_ptr<TEvent> FEvent;
    std::unique_ptr<TBitmap> FBackup;
    std::unique_ptr<TBitmap> FFrameBuffer;
    std::unique_ptr<TBitmap> FBackground;
    std::exception_ptr FFailure;
};

}  // namespace GIFImage
