#pragma once
// The control hierarchy: TControl (a rectangle on a parent with font, colour,
// mouse events and a replaceable window procedure), TWinControl (a control
// that takes focus, keys and child controls), TGraphicControl and
// TCustomControl (controls that paint themselves on our TCanvas).
//
// Each control keeps its own state and mirrors it into the Qt widget behind
// it; program code never sees the widget. Setters compare, assign, update the
// widget and then fire their event, and fire nothing when nothing changed.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/classes/Alignment.h"
#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Set.h"
#include "platform/classes/TypInfo.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/GraphTypes.h"

class TWinControl;
class TForm;
class TPopupMenu;
class TBasicAction;
class TBitmap;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
const TEnumType& EnumTypeInfo(TAlign);

enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
const TEnumType& EnumTypeInfo(TAnchorKind);


enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// What a control is going through now. csPaintCopy: it is being painted
// into another control's image (a parent background under a transparent
// control), not onto its own place on the screen.
enum TControlStateFlag { csPaintCopy };
using TControlState = TSet<TControlStateFlag>;

using TCursor = SmallInt;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
// The cr* names of TCursor values, for form files.
const TIntegerIdents& CursorIdents();

using TModalResult = Integer;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

using THelpContext = Integer;

// Virtual-key codes. Letters and digits are their upper-case ASCII codes.
constexpr Word VK_LBUTTON = 0x01;
constexpr Word VK_RBUTTON = 0x02;
constexpr Word VK_MBUTTON = 0x04;
constexpr Word VK_BACK = 0x08;
constexpr Word VK_TAB = 0x09;
constexpr Word VK_CLEAR = 0x0C;
constexpr Word VK_RETURN = 0x0D;
constexpr Word VK_SHIFT = 0x10;
constexpr Word VK_CONTROL = 0x11;
constexpr Word VK_MENU = 0x12;
constexpr Word VK_PAUSE = 0x13;
constexpr Word VK_CAPITAL = 0x14;
constexpr Word VK_ESCAPE = 0x1B;
constexpr Word VK_SPACE = 0x20;
constexpr Word VK_PRIOR = 0x21;
constexpr Word VK_NEXT = 0x22;
constexpr Word VK_END = 0x23;
constexpr Word VK_HOME = 0x24;
constexpr Word VK_LEFT = 0x25;
constexpr Word VK_UP = 0x26;
constexpr Word VK_RIGHT = 0x27;
constexpr Word VK_DOWN = 0x28;
constexpr Word VK_SNAPSHOT = 0x2C;
constexpr Word VK_INSERT = 0x2D;
constexpr Word VK_DELETE = 0x2E;
constexpr Word VK_HELP = 0x2F;
constexpr Word VK_NUMPAD0 = 0x60;
constexpr Word VK_MULTIPLY = 0x6A;
constexpr Word VK_ADD = 0x6B;
constexpr Word VK_SEPARATOR = 0x6C;
constexpr Word VK_SUBTRACT = 0x6D;
constexpr Word VK_DECIMAL = 0x6E;
constexpr Word VK_DIVIDE = 0x6F;
constexpr Word VK_F1 = 0x70;
constexpr Word VK_F2 = 0x71;
constexpr Word VK_F3 = 0x72;
constexpr Word VK_F4 = 0x73;
constexpr Word VK_F5 = 0x74;
constexpr Word VK_F6 = 0x75;
constexpr Word VK_F7 = 0x76;
constexpr Word VK_F8 = 0x77;
constexpr Word VK_F9 = 0x78;
constexpr Word VK_F10 = 0x79;
constexpr Word VK_F11 = 0x7A;
constexpr Word VK_F12 = 0x7B;
constexpr Word VK_NUMLOCK = 0x90;
constexpr Word VK_SCROLL = 0x91;
constexpr Word VK_OEM_1 = 0xBA;      // ;
constexpr Word VK_OEM_PLUS = 0xBB;
constexpr Word VK_OEM_COMMA = 0xBC;
constexpr Word VK_OEM_MINUS = 0xBD;
constexpr Word VK_OEM_PERIOD = 0xBE;
constexpr Word VK_OEM_2 = 0xBF;      // /
constexpr Word VK_OEM_3 = 0xC0;      // `

// Window messages that pass through a control's WindowProc. Mouse messages
// carry the position in LParam (x low word, y high word, signed) and the
// MK_ flags in WParam; key messages the key in WParam (set it to 0 to eat
// the key); WM_SIZE the new client size in LParam; WM_GETMINMAXINFO a
// TMinMaxInfo* in LParam.
constexpr Cardinal WM_NULL = 0x0000;
constexpr Cardinal WM_CREATE = 0x0001;
constexpr Cardinal WM_DESTROY = 0x0002;
constexpr Cardinal WM_MOVE = 0x0003;
constexpr Cardinal WM_SIZE = 0x0005;
constexpr Cardinal WM_ACTIVATE = 0x0006;
constexpr Cardinal WM_SETFOCUS = 0x0007;
constexpr Cardinal WM_KILLFOCUS = 0x0008;
constexpr Cardinal WM_ENABLE = 0x000A;
constexpr Cardinal WM_SETTEXT = 0x000C;
constexpr Cardinal WM_PAINT = 0x000F;
constexpr Cardinal WM_CLOSE = 0x0010;
constexpr Cardinal WM_QUIT = 0x0012;
constexpr Cardinal WM_SHOWWINDOW = 0x0018;
constexpr Cardinal WM_GETMINMAXINFO = 0x0024;
constexpr Cardinal WM_KEYDOWN = 0x0100;
constexpr Cardinal WM_KEYUP = 0x0101;
constexpr Cardinal WM_CHAR = 0x0102;
constexpr Cardinal WM_SYSKEYDOWN = 0x0104;
constexpr Cardinal WM_SYSKEYUP = 0x0105;
constexpr Cardinal WM_COMMAND = 0x0111;
constexpr Cardinal WM_TIMER = 0x0113;
constexpr Cardinal WM_MOUSEMOVE = 0x0200;
constexpr Cardinal WM_LBUTTONDOWN = 0x0201;
constexpr Cardinal WM_LBUTTONUP = 0x0202;
constexpr Cardinal WM_LBUTTONDBLCLK = 0x0203;
constexpr Cardinal WM_RBUTTONDOWN = 0x0204;
constexpr Cardinal WM_RBUTTONUP = 0x0205;
constexpr Cardinal WM_RBUTTONDBLCLK = 0x0206;
constexpr Cardinal WM_MBUTTONDOWN = 0x0207;
constexpr Cardinal WM_MBUTTONUP = 0x0208;
constexpr Cardinal WM_MBUTTONDBLCLK = 0x0209;
constexpr Cardinal WM_MOUSEWHEEL = 0x020A;
constexpr Cardinal WM_USER = 0x0400;
constexpr Cardinal CM_BASE = 0xB000;
// Sent to the focused control of a form when a mouse button goes down on the
// form (LParam: the control clicked), so that drop-down lists can close.
constexpr Cardinal CM_CANCELMODE = CM_BASE + 4;
constexpr Cardinal CM_MOUSEENTER = CM_BASE + 19;
constexpr Cardinal CM_MOUSELEAVE = CM_BASE + 20;

constexpr Cardinal MK_LBUTTON = 0x0001;
constexpr Cardinal MK_RBUTTON = 0x0002;
constexpr Cardinal MK_SHIFT = 0x0004;
constexpr Cardinal MK_CONTROL = 0x0008;
constexpr Cardinal MK_MBUTTON = 0x0010;

struct TMessage {
    Cardinal Msg = 0;
    std::intptr_t WParam = 0;
    std::intptr_t LParam = 0;
    std::intptr_t Result = 0;
};

struct TMinMaxInfo {
    TPoint ptReserved;
    TPoint ptMaxSize;
    TPoint ptMaxPosition;
    TPoint ptMinTrackSize;
    TPoint ptMaxTrackSize;
};

inline std::intptr_t MakeLParam(int low, int high) {
    return static_cast<std::intptr_t>((static_cast<Cardinal>(low) & 0xFFFF) |
                                      ((static_cast<Cardinal>(high) & 0xFFFF) << 16));
}
inline int LParamX(std::intptr_t l) { return static_cast<SmallInt>(l & 0xFFFF); }
inline int LParamY(std::intptr_t l) { return static_cast<SmallInt>((l >> 16) & 0xFFFF); }

using TWndMethod = std::function<void(TMessage& Message)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

struct TControlImpl;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* Value);

    Integer Left() const { return FLeft; }
    Integer Top() const { return FTop; }
    Integer Width() const { return FWidth; }
    Integer Height() const { return FHeight; }
    void SetLeft(Integer Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(Integer Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(Integer Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(Integer Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    // Negative sizes become 0.
    virtual void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight);
    TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
    virtual Integer ClientWidth() const { return FWidth; }
    virtual Integer ClientHeight() const { return FHeight; }
    void SetClientWidth(Integer Value);
    void SetClientHeight(Integer Value);
    TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }
    TPoint ClientToScreen(const TPoint& P) const;
    TPoint ScreenToClient(const TPoint& P) const;
    // Where the client area starts inside the control's own window: below
    // a form's menu bar. Children and client coordinates count from there.
    virtual TPoint ClientOffset() const { return TPoint{0, 0}; }

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors Value) { FAnchors = Value; }

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so is every parent up to a shown window.
    bool Showing() const;
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);

    // Caption and Text are the same text, as in the class library.
    virtual AnsiString Text() const { return FText; }
    virtual void SetText(const AnsiString& Value);
    AnsiString Caption() const { return Text(); }
    void SetCaption(const AnsiString& Value) { SetText(Value); }

    // Setting a font property clears ParentFont; the parent's font changes
    // reach children that still have ParentFont.
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);

    const AnsiString& Hint() const { return FHint; }
    void SetHint(const AnsiString& Value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    // Every mouse event goes to the control while it holds the capture.
    bool MouseCapture() const;
    void SetMouseCapture(bool Value);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    // The control forgets a menu that is freed before it.
    void SetPopupMenu(TPopupMenu* Value);
    // The linked action (see LinkAction in ActnList.h); nullptr unlinks.
    TBasicAction* Action() const;
    void SetAction(TBasicAction* Value);

    // A form file writes the font and colour only of a control that does
    // not take them from its parent.
    bool IsFontStored() const { return !FParentFont; }
    bool IsColorStored() const { return !FParentColor; }

    // In a form file a control stands inside its parent.
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;

    void Invalidate();
    void Repaint();
    virtual void Update();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();

    // Runs the message through WindowProc and returns its Result.
    std::intptr_t Perform(Cardinal Msg, std::intptr_t WParam = 0, std::intptr_t LParam = 0);
    // Replaceable: a hook keeps the old value, installs its own and calls the
    // old one for what it does not handle; putting the old value back
    // restores the chain.
    TWndMethod WindowProc;
    // The control's own message handling, the end of the chain.
    virtual void WndProc(TMessage& Message);

    virtual void Click();
    virtual void DblClick();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Lets posted calls check that the control still exists.
    std::weak_ptr<void> AliveToken() const { return FAlive; }

    TControlState ControlState() const { return FControlState; }
    void SetControlState(TControlState Value) { FControlState = Value; }

protected:
    friend struct TControlAccess;
    friend class TWinControl;

    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    // One notch of the wheel over the control, at a point of its client
    // area; true when the control used it (it then goes no further).
    virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
    virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
    virtual void Resize();
    // Hooks after the text, font or colour changed (the widget is updated).
    virtual void TextChanged() {}
    virtual void FontChanged();
    virtual void ColorChanged();
    // Whether a left click inside the control fires OnClick; controls whose
    // widget reports clicks itself answer false.
    virtual bool ClicksOnMouseUp() const { return true; }
    // Called by TWinControl when the parent's font or colour changed.
    void ParentFontChanged();
    void ParentColorChanged();
    // The widget state followed the user (a window moved or resized by hand).
    void BoundsFromWidget(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight);
    // Pushes the visibility into the widget; a control without a parent
    // window is never shown on its own.
    virtual void ApplyVisible();
    void ApplyGeometry();
    virtual bool IsTopLevel() const { return FDropDownWindow; }
    // Makes the control a window of its own that drops down over the others
    // (a list under an edit): Left and Top are screen coordinates, it shows
    // without a frame, without taking the focus and without activating. It
    // keeps its Parent, so that a click in it counts as one on the form.
    void SetDropDownWindow(bool Value);
    bool DropDownWindow() const { return FDropDownWindow; }

    std::unique_ptr<TControlImpl> FImpl;

private:
    void ApplyFont();
    void ApplyColor();
    void ApplyHint();

    TWinControl* FParent = nullptr;
    Integer FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    TAnchors FAnchors{akLeft, akTop};
    bool FVisible = true;
    bool FEnabled = true;
    AnsiString FText;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    bool FApplyingParentFont = false;
    TColor FColor = clWindow;
    bool FParentColor = false;
    AnsiString FHint;
    bool FShowHint = false;
    TCursor FCursor = crDefault;
    TPopupMenu* FPopupMenu = nullptr;
    TControlState FControlState;
    bool FDropDownWindow = false;
    std::shared_ptr<char> FAlive;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    // Frees the child controls first, as the class library does.
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    // Raises EListError when index is out of range.
    TControl* Controls(int Index) const;
    bool ContainsControl(const TControl* Control) const;

    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value);
    // Position among the parent's focusable children; -1 for none.
    Integer TabOrder() const;
    void SetTabOrder(Integer Value);

    virtual bool CanFocus() const;
    virtual void SetFocus();
    virtual bool Focused() const;

    // Lays out the children by Align, then by Anchors.
    void Realign();
    // The client area moved within the window (ClientOffset changed): the
    // children's windows follow and the children are aligned again.
    void ClientOffsetChanged();
    void DisableAlign() { ++FAlignDisabled; }
    void EnableAlign();

    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Keyboard processing, called for key messages of this control: the
    // form's preview, then the control's own events. Return false once the
    // key has been eaten (Key set to 0).
    bool DoKeyDown(Word& Key, TShiftState Shift);
    bool DoKeyPress(char& Key);
    bool DoKeyUp(Word& Key, TShiftState Shift);

protected:
    friend class TControl;
    friend struct TControlAccess;

    void WndProc(TMessage& Message) override;
    virtual void KeyDown(Word& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    virtual void KeyUp(Word& Key, TShiftState Shift);
    virtual void DoEnter();
    virtual void DoExit();
    // Keys a control handles itself rather than the form's default and
    // cancel buttons (a multi-line editor wants Return, say).
    virtual bool WantsKey(Word Key) const;
    // The area children are aligned in (a panel leaves its bevels out).
    virtual TRect AlignRect() const { return ClientRect(); }
    void Resize() override;
    void FontChanged() override;
    void ColorChanged() override;
    void ApplyTabOrder();

private:
    void InsertControl(TControl* Control);
    void RemoveControl(TControl* Control);
    void AlignControls();

    std::vector<TControl*> FControls;
    bool FTabStop = false;
    int FAlignDisabled = 0;
    bool FAligning = false;
    Integer FLastClientWidth = -1, FLastClientHeight = -1;
};

// A control without a focus of its own that paints itself (a label, an image).
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;

    // The canvas Paint draws on: a bitmap of the control's size that is put
    // on the screen when Paint returns. Drawing on it outside Paint shows
    // only at the next paint.
    TCanvas* Canvas();

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    virtual void Paint() {}
    // True: the pixels Paint leaves alone show whatever lies beneath the
    // control (a transparent label over a picture).
    virtual bool PaintsTransparent() const { return false; }

private:
    friend struct TControlAccess;
    std::unique_ptr<TBitmap> FBuffer;
};

// A window control that paints itself on our TCanvas.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;

    TCanvas* Canvas();

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    virtual void Paint() {}

private:
    friend struct TControlAccess;
    std::unique_ptr<TBitmap> FBuffer;
};

// The form a control sits on (the control itself when it is a form).
TForm* GetParentForm(const TControl* Control);

// Handlers of the context menu: the menu unit sets this so that a right
// click on a control with a PopupMenu opens it at the screen point.
using TPopupMenuHandler = std::function<void(TPopupMenu* Menu, TControl* Control, int ScreenX, int ScreenY)>;
void SetPopupMenuHandler(TPopupMenuHandler Handler);
