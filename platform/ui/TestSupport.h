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

class QWidget;

// A file dialog (TOpenDialog, TSaveDialog) as a test drives it: the toolkit's
// own dialog, worked through its own parts as the user works it.
class TFileDialogView {
public:
    virtual ~TFileDialogView() = default;

    virtual AnsiString Caption() const = 0;
    // The folder shown, with a trailing '/'.
    virtual AnsiString Folder() const = 0;
    // What the list shows (folders and the files the filter lets through),
    // once the folder has been read.
    virtual std::vector<AnsiString> Names() = 0;
    // The filters' descriptions and the chosen one (1-based); choosing one
    // acts as the user's choice in the list of types.
    virtual std::vector<AnsiString> Filters() const = 0;
    virtual Integer FilterIndex() const = 0;
    virtual void ChooseFilter(Integer Index) = 0;
    // The name box.
    virtual AnsiString FileNameText() const = 0;
    virtual void TypeFileName(const AnsiString& Text) = 0;
    // The Open/Save button and the cancel button, clicked.
    virtual void Accept() = 0;
    virtual void Cancel() = 0;
    // Double-clicks the entry of the list; false when the list has none.
    virtual bool DoubleClick(const AnsiString& Name) = 0;
    // The title of a column of the detailed list (0: the names), as the
    // toolkit words it in the language in use.
    virtual AnsiString ColumnTitle(Integer Index) const = 0;
    // Still open, waiting for the user.
    virtual bool Waiting() const = 0;
    virtual QWidget* Widget() const = 0;
};

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
    // The same for a file dialog: the next modal window must be one (any
    // other window, or a file dialog where a window is scripted, is recorded
    // in Unexpected() and cancelled).
    using TFileAction = std::function<void(TFileDialogView& Dialog)>;
    void ActOnFile(TFileAction Action);
    // Types the name (a full path, or one relative to the folder shown) into
    // the next file dialog and clicks its Open/Save button.
    void ChooseFile(const AnsiString& FileName);

    int Pending() const { return static_cast<int>(FQueue.size()); }
    // Captions of the windows answered, in order.
    const std::vector<AnsiString>& Seen() const { return FSeen; }
    const std::vector<AnsiString>& Unexpected() const { return FUnexpected; }

private:
    struct TStep {
        TInspect Inspect;
        std::function<void(TForm*)> Action;
        TFileAction FileAction;  // set for a file dialog's step
    };
    void Handle(TForm* Form);
    void HandleFile(TFileDialogView& Dialog);

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
// Moves the pointer to (X, Y) of the control's client area: the move reaches
// the control's child lying there, in that child's own pixels, as a real
// pointer's would (a picture scrolled in a scroll box gets the point
// shifted by the scrolling).
void SendMouseMove(TControl* Control, int X, int Y);
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

// Offers an image file's bytes on the clipboard as another program of the
// desktop offers a copied picture: as the image the toolkit decodes from
// them. False, and the clipboard emptied, when they decode to no image.
bool PutImageFileOnClipboard(const std::vector<Byte>& Bytes);

// Makes Screen report this size (0, 0: the real screen again).
void OverrideScreenSize(int Width, int Height);

// Forgets a Terminate and the main form left by an earlier test.
void ResetApplicationForTests();
