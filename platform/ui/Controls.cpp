#include "platform/ui/Controls.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QResizeEvent>
#include <QVariant>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>

#include "platform/gfx/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/UiBridge.h"

using namespace ui_detail;

namespace {

const char* const kControlProperty = "vemlorControl";

TPopupMenuHandler& PopupHandlerSlot() {
    static TPopupMenuHandler handler;
    return handler;
}

}  // namespace

void SetPopupMenuHandler(TPopupMenuHandler Handler) { PopupHandlerSlot() = std::move(Handler); }

class TEventBridge;

struct TControlImpl {
    QPointer<QWidget> Widget;
    TEventBridge* Bridge = nullptr;
    bool DefaultReached = false;
    bool Clicked = false;
    bool PaintsItself = false;
};

// Everything the Qt side needs from the protected parts of the controls.
struct TControlAccess {
    static TControlImpl& Impl(TControl* c) { return *c->FImpl; }
    static void FromWidget(TControl* c, const QRect& r) {
        const TPoint o = c->FParent && !c->IsTopLevel() ? c->FParent->ClientOffset() : TPoint{0, 0};
        c->BoundsFromWidget(r.x() - o.x, r.y() - o.y, r.width(), r.height());
    }
    static bool WantsKey(TWinControl* c, Word key) { return c->WantsKey(key); }
    static bool Wheel(TControl* c, QWheelEvent* e) {
        const int delta = e->angleDelta().y();
        if (delta == 0) return false;
        const TShiftState shift = TShiftState::FromBits(ShiftBitsFromQt(e->modifiers(), e->buttons()));
        const QPoint p = e->position().toPoint();
        const TPoint o = c->ClientOffset();
        const TPoint at = Point(p.x() - o.x, p.y() - o.y);
        std::weak_ptr<void> alive = c->AliveToken();
        bool used = false;
        SafeCall(c, [&] { used = delta < 0 ? c->DoMouseWheelDown(shift, at) : c->DoMouseWheelUp(shift, at); });
        return used || alive.expired();
    }
    static void PaintGraphic(TGraphicControl* c, QPainter& p);
    static void PaintCustom(TCustomControl* c, QPainter& p);
    static void ApplyAll(TControl* c) {
        c->ApplyGeometry();
        c->ApplyFont();
        c->ApplyColor();
        QWidget* w = c->FImpl->Widget;
        w->setEnabled(c->FEnabled);
        c->ApplyHint();
        if (c->FCursor != crDefault) SetWidgetCursor(w, c->FCursor);
        c->ApplyVisible();
    }
};

namespace {

std::intptr_t MouseWParam(const QMouseEvent* e) {
    std::intptr_t w = 0;
    if (e->buttons() & Qt::LeftButton) w |= MK_LBUTTON;
    if (e->buttons() & Qt::RightButton) w |= MK_RBUTTON;
    if (e->buttons() & Qt::MiddleButton) w |= MK_MBUTTON;
    if (e->modifiers() & Qt::ShiftModifier) w |= MK_SHIFT;
    if (e->modifiers() & Qt::ControlModifier) w |= MK_CONTROL;
    return w;
}

Cardinal MouseMessage(QEvent::Type type, Qt::MouseButton button) {
    const int index = button == Qt::RightButton ? 1 : button == Qt::MiddleButton ? 2 : 0;
    static const Cardinal down[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    static const Cardinal up[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
    static const Cardinal dbl[] = {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK};
    if (type == QEvent::MouseButtonPress) return down[index];
    if (type == QEvent::MouseButtonRelease) return up[index];
    return dbl[index];
}

// Runs a message through the control's window procedure for Qt. True when
// the Qt event is to be swallowed: the control was freed, or a hook in the
// chain kept the message from the control's own procedure.
bool Dispatch(TControl* control, TMessage& m) {
    std::weak_ptr<void> alive = control->AliveToken();
    TControlAccess::Impl(control).DefaultReached = false;
    SafeCall(control, [&] {
        if (control->WindowProc)
            control->WindowProc(m);
        else
            control->WndProc(m);
    });
    if (alive.expired()) return true;
    return !TControlAccess::Impl(control).DefaultReached;
}

}  // namespace

namespace {
int gDelivering = 0;
}

class TEventBridge : public QObject {
public:
    explicit TEventBridge(TControl* owner) : FOwner(owner) {}
    void Detach() { FOwner = nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!FOwner || watched != TControlAccess::Impl(FOwner).Widget) return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            auto* e = static_cast<QMouseEvent*>(event);
            TMessage m;
            m.Msg = MouseMessage(event->type(), e->button());
            m.WParam = MouseWParam(e);
            const QPoint p = e->position().toPoint();
            const TPoint o = FOwner->ClientOffset();
            m.LParam = MakeLParam(p.x() - o.x, p.y() - o.y);
            return Dispatch(FOwner, m);
        }
        case QEvent::MouseMove: {
            auto* e = static_cast<QMouseEvent*>(event);
            TMessage m;
            m.Msg = WM_MOUSEMOVE;
            m.WParam = MouseWParam(e);
            const QPoint p = e->position().toPoint();
            const TPoint o = FOwner->ClientOffset();
            m.LParam = MakeLParam(p.x() - o.x, p.y() - o.y);
            return Dispatch(FOwner, m);
        }
        case QEvent::Enter: {
            TMessage m{CM_MOUSEENTER, 0, 0, 0};
            Dispatch(FOwner, m);
            return false;
        }
        case QEvent::Leave: {
            TMessage m{CM_MOUSELEAVE, 0, 0, 0};
            Dispatch(FOwner, m);
            return false;
        }
        case QEvent::Wheel: return TControlAccess::Wheel(FOwner, static_cast<QWheelEvent*>(event));
        case QEvent::KeyPress:
        case QEvent::KeyRelease: return KeyEvent(static_cast<QKeyEvent*>(event));
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            TMessage m{event->type() == QEvent::FocusIn ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0, 0};
            Dispatch(FOwner, m);
            return false;
        }
        case QEvent::Resize:
        case QEvent::Move: {
            QWidget* w = TControlAccess::Impl(FOwner).Widget;
            if (w->isWindow() || event->type() == QEvent::Resize) TControlAccess::FromWidget(FOwner, w->geometry());
            return false;
        }
        case QEvent::Close: {
            // The window manager's close button: the form decides.
            event->ignore();
            TMessage m{WM_CLOSE, 0, 0, 0};
            Dispatch(FOwner, m);
            return true;
        }
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate: {
            TMessage m{WM_ACTIVATE, event->type() == QEvent::WindowActivate ? 1 : 0, 0, 0};
            Dispatch(FOwner, m);
            return false;
        }
        case QEvent::WindowStateChange: {
            TMessage m{WM_SIZE, 0, 0, 0};
            m.WParam = -1;  // state only
            Dispatch(FOwner, m);
            return false;
        }
        default: return false;
        }
    }

private:
    // Keys reach the control they were sent to and nothing else: the
    // control's widget gets the event from here, so Qt does not pass keys
    // the widget ignores on to the parent window (the class library has no
    // such bubbling; the form sees keys only through KeyPreview).
    bool KeyEvent(QKeyEvent* e) {
        if (gDelivering > 0) return false;
        const bool result = HandleKey(e);
        // Accepted, or Qt would offer the key to the parent widgets as well.
        e->accept();
        return result;
    }

    bool HandleKey(QKeyEvent* e) {
        auto* win = dynamic_cast<TWinControl*>(FOwner);
        if (!win) return false;
        TControl* owner = FOwner;
        std::weak_ptr<void> alive = owner->AliveToken();
        const bool press = e->type() == QEvent::KeyPress;
        const Word vk = VirtualKeyFromQt(e->key(), e->modifiers() & Qt::KeypadModifier);
        const auto shift = static_cast<std::intptr_t>(ShiftBitsFromQt(e->modifiers(), 0));
        if (vk != 0) {
            TMessage m{press ? WM_KEYDOWN : WM_KEYUP, vk, shift, 0};
            if (Dispatch(owner, m)) return true;
            if (m.WParam == 0) return true;
            if (press && (e->modifiers() & Qt::AltModifier) && !(e->modifiers() & Qt::ControlModifier) &&
                ((m.WParam >= 'A' && m.WParam <= 'Z') || (m.WParam >= '0' && m.WParam <= '9'))) {
                if (TForm* form = GetParentForm(owner)) {
                    bool taken = false;
                    SafeCall(form, [&] { taken = form->DialogChar(static_cast<char>(m.WParam)); });
                    if (taken || alive.expired()) return true;
                }
            }
            if (press && (m.WParam == VK_RETURN || m.WParam == VK_ESCAPE) &&
                !TControlAccess::WantsKey(win, Word(m.WParam))) {
                if (TForm* form = GetParentForm(owner)) {
                    bool taken = false;
                    SafeCall(form, [&] { taken = form->DialogKey(Word(m.WParam)); });
                    if (taken || alive.expired()) return true;
                }
            }
        }
        if (press) {
            const QString text = e->text();
            const AnsiString ansi = text.size() == 1 ? FromQ(text) : AnsiString();
            if (ansi.size() == 1) {
                TMessage m{WM_CHAR, static_cast<unsigned char>(ansi[0]), 0, 0};
                if (Dispatch(owner, m)) return true;
                const char key = static_cast<char>(m.WParam);
                if (key == 0) return true;
                if (key != ansi[0]) {
                    // The handler replaced the character: the control gets the new one.
                    QKeyEvent replaced(QEvent::KeyPress, 0, e->modifiers(), ToQ(AnsiString(1, key)));
                    Deliver(owner, &replaced);
                    return true;
                }
            }
        }
        Deliver(owner, e);
        return true;
    }

    static void Deliver(TControl* owner, QEvent* e) {
        QObject* w = TControlAccess::Impl(owner).Widget;
        if (!w) return;
        ++gDelivering;
        auto delivered = ScopeExit([] { --gDelivering; });
        w->event(e);
    }

    TControl* FOwner;
};

namespace ui_detail {

int QtCursorShape(SmallInt cursor) {
    switch (cursor) {
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait: return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag: return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    case crNone: return Qt::BlankCursor;
    default: return Qt::ArrowCursor;
    }
}

void MarkDefaultReached(TControl* control) { TControlAccess::Impl(control).DefaultReached = true; }

bool PaintsItself(const TControl* control) {
    return TControlAccess::Impl(const_cast<TControl*>(control)).PaintsItself;
}

QWidget* WidgetOf(const TControl* control) {
    return control ? TControlAccess::Impl(const_cast<TControl*>(control)).Widget.data() : nullptr;
}

TControl* ControlOf(const QWidget* widget) {
    if (!widget) return nullptr;
    return static_cast<TControl*>(widget->property(kControlProperty).value<void*>());
}

void AttachWidget(TControl* control, QWidget* widget) {
    TControlImpl& impl = TControlAccess::Impl(control);
    impl.Widget = widget;
    widget->setProperty(kControlProperty, QVariant::fromValue<void*>(control));
    impl.Bridge = new TEventBridge(control);
    widget->installEventFilter(impl.Bridge);
    widget->setMouseTracking(true);
    if (control->Parent()) widget->setParent(WidgetOf(control->Parent()));
    TControlAccess::ApplyAll(control);
}

}  // namespace ui_detail

// ---------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), FImpl(std::make_unique<TControlImpl>()), FFont(std::make_unique<TFont>()),
      FAlive(std::make_shared<char>(0)) {
    WindowProc = [this](TMessage& m) { WndProc(m); };
    FFont->OnChange = [this](TObject*) {
        if (!FApplyingParentFont) FParentFont = false;
        ApplyFont();
        FontChanged();
    };
}

TControl::~TControl() {
    FAlive.reset();
    if (FParent) FParent->RemoveControl(this);
    FParent = nullptr;
    if (FImpl->Bridge) FImpl->Bridge->Detach();
    if (QWidget* w = FImpl->Widget) {
        w->removeEventFilter(FImpl->Bridge);
        w->setProperty(kControlProperty, QVariant());
        w->hide();
        if (InDispatch())
            w->deleteLater();
        else
            delete w;
    }
    if (FImpl->Bridge) {
        if (InDispatch())
            FImpl->Bridge->deleteLater();
        else
            delete FImpl->Bridge;
    }
}

void TControl::SetParent(TWinControl* Value) {
    if (FParent == Value) return;
    for (TWinControl* p = Value; p; p = p->Parent())
        if (p == this) throw EInvalidOperation("A control cannot have itself or its child as parent");
    TWinControl* old = FParent;
    if (old) old->RemoveControl(this);
    FParent = Value;
    if (Value) Value->InsertControl(this);
    if (QWidget* w = FImpl->Widget) {
        w->setParent(Value ? WidgetOf(Value) : nullptr);
        ApplyGeometry();
        ApplyVisible();
    }
    if (Value) {
        if (FParentFont) ParentFontChanged();
        if (FParentColor) ParentColorChanged();
        Value->Realign();
    }
    if (old) old->Realign();
    if (auto* win = dynamic_cast<TWinControl*>(this)) {
        if (Value) Value->ApplyTabOrder();
        if (old) old->ApplyTabOrder();
        (void)win;
    }
}

void TControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
    AWidth = std::max<Integer>(AWidth, 0);
    AHeight = std::max<Integer>(AHeight, 0);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
    const bool resized = AWidth != FWidth || AHeight != FHeight;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    ApplyGeometry();
    if (resized) Resize();
    if (FParent && FAlign != alNone && !FParent->FAligning) FParent->Realign();
}

void TControl::BoundsFromWidget(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
    const bool resized = AWidth != FWidth || AHeight != FHeight;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    if (resized) Resize();
}

void TControl::ApplyGeometry() {
    if (QWidget* w = FImpl->Widget) {
        const TPoint o = FParent && !IsTopLevel() ? FParent->ClientOffset() : TPoint{0, 0};
        const QRect r(FLeft + o.x, FTop + o.y, FWidth, FHeight);
        if (w->geometry() != r) w->setGeometry(r);
    }
}

void TControl::SetClientWidth(Integer Value) { SetWidth(Value + (FWidth - ClientWidth())); }
void TControl::SetClientHeight(Integer Value) { SetHeight(Value + (FHeight - ClientHeight())); }

bool TControl::MouseCapture() const {
    QWidget* w = FImpl->Widget;
    return w && QWidget::mouseGrabber() == w;
}

void TControl::SetMouseCapture(bool Value) {
    QWidget* w = FImpl->Widget;
    if (!w || Value == MouseCapture()) return;
    if (Value) {
        if (w->isVisible()) w->grabMouse();
    } else {
        w->releaseMouse();
    }
}

TPoint TControl::ClientToScreen(const TPoint& P) const {
    if (QWidget* w = FImpl->Widget) {
        if (w->isWindow() || FParent) {
            const TPoint o = ClientOffset();
            const QPoint q = w->mapToGlobal(QPoint(P.x + o.x, P.y + o.y));
            return Point(q.x(), q.y());
        }
    }
    TPoint r{P.x + FLeft, P.y + FTop};
    return FParent ? FParent->ClientToScreen(r) : r;
}

TPoint TControl::ScreenToClient(const TPoint& P) const {
    const TPoint origin = ClientToScreen(Point(0, 0));
    return Point(P.x - origin.x, P.y - origin.y);
}

void TControl::SetAlign(TAlign Value) {
    if (FAlign == Value) return;
    FAlign = Value;
    if (FParent) FParent->Realign();
}

void TControl::SetVisible(bool Value) {
    if (FVisible == Value) return;
    FVisible = Value;
    ApplyVisible();
    if (FParent) FParent->Realign();
}

void TControl::ApplyVisible() {
    if (QWidget* w = FImpl->Widget) {
        const bool show = FVisible && FParent != nullptr;
        if (w->isVisibleTo(w->parentWidget()) != show || (!w->parentWidget() && w->isVisible() != show))
            w->setVisible(show);
    }
}

bool TControl::Showing() const {
    if (!FVisible) return false;
    if (IsTopLevel()) {
        QWidget* w = FImpl->Widget;
        return w && w->isVisible();
    }
    return FParent && FParent->Showing();
}

void TControl::SetEnabled(bool Value) {
    if (FEnabled == Value) return;
    FEnabled = Value;
    if (QWidget* w = FImpl->Widget) w->setEnabled(Value);
    Invalidate();
}

void TControl::SetText(const AnsiString& Value) {
    if (FText == Value) return;
    FText = Value;
    TextChanged();
}

void TControl::SetFont(TFont* Value) {
    if (Value) FFont->Assign(Value);
}

void TControl::SetParentFont(bool Value) {
    if (FParentFont == Value) return;
    FParentFont = Value;
    if (Value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!FParentFont || !FParent) return;
    FApplyingParentFont = true;
    auto applied = ScopeExit([this] { FApplyingParentFont = false; });
    FFont->Assign(FParent->Font());
}

void TControl::FontChanged() { Invalidate(); }

void TControl::ApplyFont() {
    QWidget* w = FImpl->Widget;
    if (!w) return;
    w->setFont(ToQFont(*FFont));
    QPalette pal = w->palette();
    const QColor c = ToQColor(FFont->Color());
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::Text, c);
    pal.setColor(QPalette::ButtonText, c);
    w->setPalette(pal);
}

void TControl::SetColor(TColor Value) {
    if (FColor == Value) return;
    FColor = Value;
    FParentColor = false;
    ApplyColor();
    ColorChanged();
}

void TControl::SetParentColor(bool Value) {
    if (FParentColor == Value) return;
    FParentColor = Value;
    if (Value) ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (!FParentColor || !FParent || FColor == FParent->Color()) return;
    FColor = FParent->Color();
    ApplyColor();
    ColorChanged();
}

void TControl::ColorChanged() { Invalidate(); }

void TControl::ApplyColor() {
    QWidget* w = FImpl->Widget;
    if (!w) return;
    QPalette pal = w->palette();
    const QColor c = ToQColor(FColor);
    pal.setColor(QPalette::Window, c);
    pal.setColor(QPalette::Base, c);
    pal.setColor(QPalette::Button, c);
    w->setPalette(pal);
}

void TControl::SetHint(const AnsiString& Value) {
    if (FHint == Value) return;
    FHint = Value;
    ApplyHint();
}

void TControl::SetShowHint(bool Value) {
    if (FShowHint == Value) return;
    FShowHint = Value;
    ApplyHint();
}

void TControl::ApplyHint() {
    if (QWidget* w = FImpl->Widget) w->setToolTip(FShowHint ? ToQ(FHint) : QString());
}

void TControl::SetCursor(TCursor Value) {
    if (FCursor == Value) return;
    FCursor = Value;
    if (QWidget* w = FImpl->Widget) SetWidgetCursor(w, Value);
}

TBasicAction* TControl::Action() const { return ActionOf(this); }
void TControl::SetAction(TBasicAction* Value) { LinkAction(this, Value); }

void TControl::SetPopupMenu(TPopupMenu* Value) {
    if (FPopupMenu == Value) return;
    if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = Value;
    if (Value) Value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::Invalidate() {
    if (QWidget* w = FImpl->Widget) w->update();
}

void TControl::Repaint() {
    if (QWidget* w = FImpl->Widget) w->repaint();
}

void TControl::Update() {
    if (QWidget* w = FImpl->Widget) w->repaint();
}

void TControl::BringToFront() {
    if (QWidget* w = FImpl->Widget) {
        // The offscreen platform of the tests has no stacking of windows.
        if (!w->isWindow() || QGuiApplication::platformName() != QLatin1String("offscreen")) w->raise();
        if (w->isWindow()) w->activateWindow();
    }
    if (FParent) {
        auto& list = FParent->FControls;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        list.push_back(this);
    }
}

void TControl::SendToBack() {
    if (QWidget* w = FImpl->Widget) w->lower();
    if (FParent) {
        auto& list = FParent->FControls;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        list.insert(list.begin(), this);
    }
}

std::intptr_t TControl::Perform(Cardinal Msg, std::intptr_t WParam, std::intptr_t LParam) {
    TMessage m{Msg, WParam, LParam, 0};
    if (WindowProc)
        WindowProc(m);
    else
        WndProc(m);
    return m.Result;
}

namespace {

// A press anywhere on a form tells its focused control (which may have a
// list dropped down) which control was clicked.
void SendCancelMode(TControl* Sender) {
    TForm* form = GetParentForm(Sender);
    if (!form) return;
    TWinControl* active = form->ActiveControl();
    if (active && active != Sender) active->Perform(CM_CANCELMODE, 0, reinterpret_cast<std::intptr_t>(Sender));
}

}  // namespace

void TControl::SetDropDownWindow(bool Value) {
    if (FDropDownWindow == Value) return;
    FDropDownWindow = Value;
    if (QWidget* w = FImpl->Widget) {
        w->hide();
        w->setWindowFlags(Value ? Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus : Qt::Widget);
        w->setAttribute(Qt::WA_ShowWithoutActivating, Value);
        ApplyGeometry();
        ApplyVisible();
    }
}

void TControl::WndProc(TMessage& Message) {
    FImpl->DefaultReached = true;
    TShiftState shift;
    if (Message.WParam & MK_SHIFT) shift.Include(ssShift);
    if (Message.WParam & MK_CONTROL) shift.Include(ssCtrl);
    if (Message.WParam & MK_LBUTTON) shift.Include(ssLeft);
    if (Message.WParam & MK_RBUTTON) shift.Include(ssRight);
    if (Message.WParam & MK_MBUTTON) shift.Include(ssMiddle);
    const int x = LParamX(Message.LParam), y = LParamY(Message.LParam);
    std::weak_ptr<void> alive = FAlive;
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SendCancelMode(this);
        if (alive.expired()) return;
        break;
    default: break;
    }
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
        FImpl->Clicked = true;
        MouseDown(mbLeft, shift, x, y);
        break;
    case WM_RBUTTONDOWN: MouseDown(mbRight, shift, x, y); break;
    case WM_MBUTTONDOWN: MouseDown(mbMiddle, shift, x, y); break;
    case WM_LBUTTONDBLCLK:
        DblClick();
        if (!alive.expired()) MouseDown(mbLeft, shift + TShiftState{ssDouble}, x, y);
        break;
    case WM_RBUTTONDBLCLK: MouseDown(mbRight, shift + TShiftState{ssDouble}, x, y); break;
    case WM_MBUTTONDBLCLK: MouseDown(mbMiddle, shift + TShiftState{ssDouble}, x, y); break;
    case WM_LBUTTONUP: {
        const bool click = FImpl->Clicked && ClicksOnMouseUp() && x >= 0 && y >= 0 && x < FWidth && y < FHeight;
        FImpl->Clicked = false;
        if (click) Click();
        if (!alive.expired()) MouseUp(mbLeft, shift, x, y);
        break;
    }
    case WM_RBUTTONUP:
        MouseUp(mbRight, shift, x, y);
        if (!alive.expired() && FPopupMenu && PopupHandlerSlot()) {
            const TPoint p = ClientToScreen(Point(x, y));
            TPopupMenuHandler handler = PopupHandlerSlot();
            handler(FPopupMenu, this, p.x, p.y);
        }
        break;
    case WM_MBUTTONUP: MouseUp(mbMiddle, shift, x, y); break;
    case WM_MOUSEMOVE: MouseMove(shift, x, y); break;
    case CM_MOUSEENTER: FireEvent(OnMouseEnter, this); break;
    case CM_MOUSELEAVE: FireEvent(OnMouseLeave, this); break;
    default: break;
    }
}

void TControl::Click() { FireEvent(OnClick, this); }
void TControl::DblClick() { FireEvent(OnDblClick, this); }
void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FireEvent(OnMouseDown, this, Button, Shift, X, Y);
}
void TControl::MouseMove(TShiftState Shift, int X, int Y) { FireEvent(OnMouseMove, this, Shift, X, Y); }
void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FireEvent(OnMouseUp, this, Button, Shift, X, Y);
}
bool TControl::DoMouseWheelDown(TShiftState, TPoint) { return false; }
bool TControl::DoMouseWheelUp(TShiftState, TPoint) { return false; }
void TControl::Resize() { FireEvent(OnResize, this); }

TForm* GetParentForm(const TControl* Control) {
    const TControl* c = Control;
    while (c && c->Parent()) c = c->Parent();
    return const_cast<TForm*>(dynamic_cast<const TForm*>(c));
}

// ---------------------------------------------------------------------------
// Self-painted controls

namespace {

// The buffer a self-painted control draws on, sized to the control.
TCanvas* BufferCanvas(std::unique_ptr<TBitmap>& buffer, Integer width, Integer height) {
    if (!buffer) {
        buffer = std::make_unique<TBitmap>();
        buffer->SetPixelFormat(pf32bit);
    }
    if (buffer->Width() != width || buffer->Height() != height) buffer->SetSize(width, height);
    return buffer->Canvas();
}

void PrepareCanvas(TCanvas* canvas, const TControl* control, TColor background, Integer w, Integer h) {
    canvas->ResetClipRect();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(background);
    canvas->FillRect(Rect(0, 0, w, h));
    canvas->Font()->Assign(control->Font());
    canvas->Pen()->SetColor(clBlack);
    canvas->Pen()->SetMode(pmCopy);
    canvas->Pen()->SetStyle(psSolid);
    canvas->Pen()->SetWidth(1);
}

void PaintThroughBuffer(std::unique_ptr<TBitmap>& buffer, TControl* control, QPainter& p,
                        const std::function<void()>& paint, bool transparent) {
    const Integer w = control->Width(), h = control->Height();
    if (w <= 0 || h <= 0) return;
    TCanvas* canvas = BufferCanvas(buffer, w, h);
    if (!transparent) {
        PrepareCanvas(canvas, control, ColorToRGB(control->Color()), w, h);
        paint();
        p.drawImage(0, 0, BitmapToImage(*buffer));
        return;
    }
    // What Paint leaves untouched shows the controls beneath. Painting on
    // black and again on white tells those pixels apart exactly, whatever
    // colours the picture itself uses.
    PrepareCanvas(canvas, control, clBlack, w, h);
    paint();
    const QImage onBlack = BitmapToImage(*buffer);
    PrepareCanvas(canvas, control, clWhite, w, h);
    paint();
    QImage image = BitmapToImage(*buffer);
    for (int y = 0; y < image.height(); ++y) {
        const auto* black = reinterpret_cast<const QRgb*>(onBlack.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (out[x] != black[x]) out[x] = qRgba(0, 0, 0, 0);
    }
    p.drawImage(0, 0, image);
}
}  // namespace

void TControlAccess::PaintGraphic(TGraphicControl* c, QPainter& p) {
    PaintThroughBuffer(c->FBuffer, c, p, [c] { c->Paint(); }, c->PaintsTransparent());
}

void TControlAccess::PaintCustom(TCustomControl* c, QPainter& p) {
    PaintThroughBuffer(c->FBuffer, c, p, [c] { c->Paint(); }, false);
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {
    QWidget* w = NewPaintWidget(nullptr, [this](QPainter& p) { TControlAccess::PaintGraphic(this, p); });
    w->setFocusPolicy(Qt::NoFocus);
    AttachWidget(this, w);
}

TGraphicControl::~TGraphicControl() = default;

TCanvas* TGraphicControl::Canvas() {
    if (FBuffer) return FBuffer->Canvas();
    return BufferCanvas(FBuffer, std::max<Integer>(Width(), 1), std::max<Integer>(Height(), 1));
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {
    QWidget* w = NewPaintWidget(nullptr, [this](QPainter& p) { TControlAccess::PaintCustom(this, p); });
    w->setFocusPolicy(Qt::NoFocus);
    FImpl->PaintsItself = true;
    AttachWidget(this, w);
}

TCustomControl::~TCustomControl() = default;

TCanvas* TCustomControl::Canvas() {
    if (FBuffer) return FBuffer->Canvas();
    return BufferCanvas(FBuffer, std::max<Integer>(Width(), 1), std::max<Integer>(Height(), 1));
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TAlign) {
    static const TEnumType t{"TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"}};
    return t;
}
const TEnumType& EnumTypeInfo(TAnchorKind) {
    static const TEnumType t{"TAnchorKind", {"akLeft", "akTop", "akRight", "akBottom"}};
    return t;
}
const TIntegerIdents& CursorIdents() {
    static const TIntegerIdents idents{
        "TCursor",
        {{crDefault, "crDefault"}, {crNone, "crNone"}, {crArrow, "crArrow"}, {crCross, "crCross"},
         {crIBeam, "crIBeam"}, {crSizeNESW, "crSizeNESW"}, {crSizeNS, "crSizeNS"}, {crSizeNWSE, "crSizeNWSE"},
         {crSizeWE, "crSizeWE"}, {crUpArrow, "crUpArrow"}, {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
         {crNoDrop, "crNoDrop"}, {crHSplit, "crHSplit"}, {crVSplit, "crVSplit"}, {crMultiDrag, "crMultiDrag"},
         {crSQLWait, "crSQLWait"}, {crNo, "crNo"}, {crAppStart, "crAppStart"}, {crHelp, "crHelp"},
         {crHandPoint, "crHandPoint"}, {crSizeAll, "crSizeAll"}},
        {},
        {}};
    return idents;
}

TComponent* TControl::GetParentComponent() const {
    return FParent;
}

void TControl::SetParentComponent(TComponent* Value) {
    if (auto* parent = dynamic_cast<TWinControl*>(Value)) SetParent(parent);
}

VEMLOR_PUBLISHED(TControl, TComponent) {
    Prop("Left", &TControl::Left, &TControl::SetLeft);
    Prop("Top", &TControl::Top, &TControl::SetTop);
    Prop("Width", &TControl::Width, &TControl::SetWidth);
    Prop("Height", &TControl::Height, &TControl::SetHeight);
    Prop("Align", &TControl::Align, &TControl::SetAlign);
    Prop("Anchors", &TControl::Anchors, &TControl::SetAnchors);
    Prop("Visible", &TControl::Visible, &TControl::SetVisible);
    Prop("Enabled", &TControl::Enabled, &TControl::SetEnabled);
    Prop("Font", &TControl::Font, &TControl::SetFont).Stored(&TControl::IsFontStored);
    Prop("ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
    Prop("Color", &TControl::Color, &TControl::SetColor).Idents(ColorIdents()).Stored(&TControl::IsColorStored);
    Prop("ParentColor", &TControl::ParentColor, &TControl::SetParentColor);
    Prop("Hint", &TControl::Hint, &TControl::SetHint);
    Prop("ShowHint", &TControl::ShowHint, &TControl::SetShowHint);
    Prop("Cursor", &TControl::Cursor, &TControl::SetCursor).Idents(CursorIdents());
    Prop("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
    Prop("Action", &TControl::Action, &TControl::SetAction);
    EventProp("OnClick", &TControl::OnClick);
    EventProp("OnDblClick", &TControl::OnDblClick);
    EventProp("OnMouseDown", &TControl::OnMouseDown);
    EventProp("OnMouseMove", &TControl::OnMouseMove);
    EventProp("OnMouseUp", &TControl::OnMouseUp);
    EventProp("OnMouseEnter", &TControl::OnMouseEnter);
    EventProp("OnMouseLeave", &TControl::OnMouseLeave);
    EventProp("OnResize", &TControl::OnResize);
}

VEMLOR_PUBLISHED(TGraphicControl, TControl) {}
VEMLOR_PUBLISHED(TCustomControl, TWinControl) {}
