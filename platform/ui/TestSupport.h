#pragma once
// Support for tests that drive windows offscreen (QT_QPA_PLATFORM=offscreen):
// a scripted answerer for modal windows, pumping the event loop until idle,
// a fake clock for TTimer, simulated keys and clicks, and rendering a window
// to a PNG file. Not for program code.

#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

// Handles every pending event, posted call and deferred deletion, repeated
// until a pass finds nothing left (at most a bounded number of passes).
void PumpUntilIdle();
// Handles events, waiting until at least one arrives (for the few tests
// that check a real timer of the toolkit).
void WaitForEvents();

// Answers the modal windows that open while it exists, one scripted answer
// per time a modal window waits for its result, in order. Each answer may
// first inspect the window. A modal window that finds no answer left gets
// mrCancel and is recorded in Unexpected(), so a test never hangs.
class TModalAnswerer {
public:
    using TInspect = std::function<void(TForm* Form)>;

    TModalAnswerer();
    ~TModalAnswerer();
    TModalAnswerer(const TModalAnswerer&) = delete;
    TModalAnswerer& operator=(const TModalAnswerer&) = delete;

    // Sets the window's ModalResult.
    void Answer(TModalResult Result, TInspect Inspect = {});
    // Clicks the button (any TButton on the window) whose Name or whose
    // caption without "&" equals the text, ignoring case. A missing button
    // is recorded in Unexpected() and the window gets mrCancel.
    void ClickButton(const AnsiString& NameOrCaption, TInspect Inspect = {});
    // Runs the action on the window. When the window still waits afterwards,
    // the next scripted answer is applied to it.
    void Act(TInspect Action);

    int Pending() const { return static_cast<int>(FQueue.size()); }
    // Captions of the windows answered, in order.
    const std::vector<AnsiString>& Seen() const { return FSeen; }
    const std::vector<AnsiString>& Unexpected() const { return FUnexpected; }

private:
    struct TStep {
        TInspect Inspect;
        std::function<void(TForm*)> Action;
    };
    void Handle(TForm* Form);

    std::deque<TStep> FQueue;
    std::vector<AnsiString> FSeen;
    std::vector<AnsiString> FUnexpected;
};

// Replaces the timers' clock while it exists: timers fire only from Advance,
// in the order of their due times. Create it before the timers under test.
class TFakeTimerClock : public ui_detail::TTimerSource {
public:
    TFakeTimerClock();
    ~TFakeTimerClock() override;

    // Moves the clock forward, firing every timer that comes due on the way
    // (a timer with a 100 ms interval fires 3 times in Advance(350)).
    void Advance(Cardinal Milliseconds);
    Int64 Now() const { return FNow; }
    bool Running(const TTimer* Timer) const { return FTimers.count(const_cast<TTimer*>(Timer)) != 0; }

    void Start(TTimer* Timer, Cardinal Interval) override;
    void Stop(TTimer* Timer) override;

private:
    struct TEntry {
        Cardinal Interval = 0;
        Int64 Due = 0;
    };
    std::map<TTimer*, TEntry> FTimers;
    Int64 FNow = 0;
};

// Simulated input through the toolkit, so every handler in the chain runs
// (the form's key preview, the control's events, default and cancel buttons).
void SendKey(TWinControl* Control, Word Key, TShiftState Shift = {});
// Types each character (Windows-1250) as a key press.
void TypeText(TWinControl* Control, const AnsiString& Text);
void SendClick(TControl* Control, int X, int Y, TMouseButton Button = mbLeft);
// Turns the wheel over the control's client point by Notches (positive:
// away from the user, as to scroll up).
void SendWheel(TControl* Control, int X, int Y, int Notches);

// Resizes a shown window the way the window manager does when the user drags
// its frame: the toolkit keeps the size within the limits the window asked
// for.
void ResizeByUser(TForm* Form, int Width, int Height);

// Renders a control or window (shown or not) to a PNG file, creating its
// folder when needed; false when the file cannot be written.
bool SaveControlToPng(TControl* Control, const AnsiString& FileName);

// Renders a control or window (shown or not) into a 24-bit bitmap, for
// checking pixels; false when the control has no window to render.
bool GrabControl(TControl* Control, TBitmap& Image);

// Makes Screen report this size (0, 0: the real screen again).
void OverrideScreenSize(int Width, int Height);

// Forgets a Terminate and the main form left by an earlier test.
void ResetApplicationForTests();
