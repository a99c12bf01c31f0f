#pragma once
// Glue shared by the .cpp files of platform/ui: how a control reaches the Qt
// widget behind it, text and font conversion at the Qt boundary, and the
// hooks test support plugs into. Qt types are only forward-declared here, so
// this header compiles without Qt like every other header of the layer; it is
// not meant for program code.

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/rtl/System.h"

class QWidget;
class QString;
class QFont;
class QPainter;
class QImage;
class QColor;
class TControl;
class TForm;
class TFont;
class TBitmap;
class TObject;
class TFileDialogView;

namespace ui_detail {

// The widget a control keeps (nullptr once Qt destroyed it).
QWidget* WidgetOf(const TControl* control);
// Gives a control its widget; the control owns it from now on and pushes its
// stored state (bounds, visibility, font, colours) into it.
void AttachWidget(TControl* control, QWidget* widget);
// The control a widget belongs to, or nullptr.
TControl* ControlOf(const QWidget* widget);

// What TWinControl (in a unit of its own) needs of the control's widget
// state: the message reached the control's own WndProc; the control paints
// itself rather than being a native widget.
void MarkDefaultReached(TControl* control);
bool PaintsItself(const TControl* control);

// The Qt cursor shape (Qt::CursorShape as an int) for one of the built-in
// cursors (crDefault and unknown numbers give the arrow).
int QtCursorShape(SmallInt cursor);
// Gives the widget the cursor of the screen's cursor table (the program's
// own cursors included); crDefault unsets it.
void SetWidgetCursor(QWidget* widget, SmallInt cursor);

// Windows-1250 <-> QString.
QString ToQ(const AnsiString& text);
AnsiString FromQ(const QString& text);
// "&Ano" -> "Ano", "&&" -> "&": the caption as shown without mnemonics.
AnsiString StripMnemonics(const AnsiString& caption);
// The Qt spelling of a caption with mnemonics ("&" stays, "&&" stays).
QString ToQMnemonic(const AnsiString& caption);

// The Qt font for one of ours: classic family names map to DejaVu at the same
// pixel height.
QFont ToQFont(const TFont& font);

QColor ToQColor(Integer color);  // system colours resolved

// Qt key codes and modifier flags (as plain integers) to ours and back.
Word VirtualKeyFromQt(int qtKey, bool keypad);
int QtKeyFromVirtualKey(Word key);
// ssShift/ssAlt/ssCtrl from Qt keyboard modifiers, ssLeft/ssRight/ssMiddle
// from Qt mouse buttons.
std::uint64_t ShiftBitsFromQt(int modifiers, int buttons);

// Every call from Qt into program code runs inside one of these: while any
// is active, widgets of freed controls are deleted later rather than under
// the Qt handler that may still be running for them.
struct TDispatchGuard {
    TDispatchGuard();
    ~TDispatchGuard();
    TDispatchGuard(const TDispatchGuard&) = delete;
    TDispatchGuard& operator=(const TDispatchGuard&) = delete;
};
bool InDispatch();
// The control (or one of its parents) is being destroyed.
bool BeingDestroyed(TObject* sender);
// Runs fn for Qt; an exception goes to the application's handler. Nothing
// runs for a control that is being destroyed.
void SafeCall(TObject* sender, const std::function<void()>& fn);

// A TBitmap as a 32-bit image; with a transparent colour, its pixels become
// fully transparent.
QImage BitmapToImage(TBitmap& bitmap, bool transparent = false, Integer transparentColor = -1);

// A TBitmap with every pixel opaque, for a paint that draws it at once: the
// image is good until the next call. Its memory is kept from paint to paint,
// so that a repaint of a large control touches no fresh pages. UI thread
// only.
const QImage& OpaqueImage(TBitmap& bitmap);

// A plain widget whose painting is done by a callback.
QWidget* NewPaintWidget(QWidget* parent, std::function<void(QPainter&)> painter);

// A modal form's window is about to wait for its result: the application
// starts watching where the user's input goes.
void WatchModalInput();
// A modal form's window closed: when the user's last input was a mouse
// button on it, the rest of that click (the release still to come, the
// second press of a double click) reaches no other window.
void ModalWindowClosed(QWidget* window);

// Test support: called every time a modal form starts or resumes waiting
// for its result (after a refused close, say).
using TModalHook = std::function<void(TForm*)>;
void SetModalHook(TModalHook hook);
void CallModalHook(TForm* form);

// Test support: called every time a file dialog starts or goes on waiting for
// the user (TestSupport.h declares what it shows); false when no hook is set.
using TFileDialogHook = std::function<void(TFileDialogView&)>;
void SetFileDialogHook(TFileDialogHook hook);
bool CallFileDialogHook(TFileDialogView& view);

// Test support: overrides the reported screen size (0, 0 restores).
void SetScreenSizeOverride(int width, int height);
bool ScreenSizeOverride(int& width, int& height);

}  // namespace ui_detail
