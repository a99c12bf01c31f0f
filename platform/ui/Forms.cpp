#include "platform/ui/Forms.h"

#include <QApplication>
#include <QEventLoop>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/classes/FormFiles.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Icon.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UiBridge.h"

using namespace ui_detail;

struct TFormImpl {
    QEventLoop* Loop = nullptr;
    TCloseAction LastAction = caNone;
    // Where the window goes minimized and maximized. The window manager
    // places such windows itself, so these are only kept for the placement
    // to hand back (and the settings to store).
    Cardinal PlacementFlags = 0;
    TPoint MinPosition{-1, -1};
    TPoint MaxPosition{-1, -1};
};

namespace ui_detail {
// Used by the application to end modal loops on Terminate.
void QuitModalLoop(TForm* form);
}

struct TFormAccess {
    static QEventLoop* Loop(TForm* f) { return f->FFormImpl->Loop; }
};

void ui_detail::QuitModalLoop(TForm* form) {
    if (QEventLoop* loop = TFormAccess::Loop(form)) loop->quit();
}

namespace {

bool FixedSize(TFormBorderStyle style) { return style == bsSingle || style == bsDialog || style == bsToolWindow; }

// Every window control of the tree, in child order, depth first.
void CollectWinControls(TWinControl* root, std::vector<TWinControl*>& out) {
    for (int i = 0; i < root->ControlCount(); ++i) {
        if (auto* w = dynamic_cast<TWinControl*>(root->Controls(i))) {
            out.push_back(w);
            CollectWinControls(w, out);
        }
    }
}

}  // namespace

TForm::TForm(TComponent* AOwner)
    : TWinControl(AOwner), FFormImpl(std::make_unique<TFormImpl>()), FIcon(std::make_unique<TIcon>()) {
    TControl::SetVisible(false);
    QWidget* w = NewPaintWidget(nullptr, [this](QPainter& p) {
        if (!OnPaint || ComponentState().Contains(csDestroying)) return;
        TCanvas* canvas = Canvas();
        const Integer cw = std::max<Integer>(ClientWidth(), 1), ch = std::max<Integer>(ClientHeight(), 1);
        if (FCanvasBitmap->Width() != cw || FCanvasBitmap->Height() != ch) FCanvasBitmap->SetSize(cw, ch);
        canvas->ResetClipRect();
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(ColorToRGB(Color()));
        canvas->FillRect(Rect(0, 0, cw, ch));
        canvas->Font()->Assign(Font());
        FireEvent(OnPaint, this);
        p.drawImage(0, FMenuBarHeight, OpaqueImage(*FCanvasBitmap));
    });
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->setFocusPolicy(Qt::NoFocus);
    AttachWidget(this, w);
    SetParentFont(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 320, 240);
    ApplyWindowFlags();
    GetScreen()->AddForm(this);
}

TForm::~TForm() {
    Destroying();
    ReleaseOwnedModules();
    if (FFormImpl->Loop) FFormImpl->Loop->quit();
    if (TScreen* screen = GetScreen()) screen->RemoveForm(this);
    if (QWidget* w = WidgetOf(this)) w->hide();
}

void TForm::ReleaseOwnedModules() {
    for (int i = 0; i < ComponentCount(); ++i) {
        if (auto* f = dynamic_cast<TForm*>(Components(i)))
            f->BeforeDestruction();
        else if (auto* d = dynamic_cast<TDataModule*>(Components(i)))
            d->BeforeDestruction();
    }
}

void TForm::AfterConstruction() {
    if (FCreated) return;
    FCreated = true;
    if (!FFormFileRead) InitInheritedComponent(this);
    FireEvent(OnCreate, this);
}

void TForm::Loaded() {
    TWinControl::Loaded();
    FFormFileRead = true;
}

void TForm::BeforeDestruction() {
    if (FDestroyed) return;
    FDestroyed = true;
    ReleaseOwnedModules();
    FireEvent(OnDestroy, this);
}

void TForm::Free() {
    BeforeDestruction();
    delete this;
}

void TForm::Release() {
    std::weak_ptr<void> alive = AliveToken();
    GetApplication()->Post([alive, this] {
        if (!alive.expired()) Free();
    });
}

TCanvas* TForm::Canvas() {
    if (!FCanvasBitmap) {
        FCanvasBitmap = std::make_unique<TBitmap>();
        FCanvasBitmap->SetPixelFormat(pf32bit);
        FCanvasBitmap->SetSize(1, 1);
    }
    TCanvas* canvas = FCanvasBitmap->Canvas();
    canvas->Font()->Assign(Font());
    return canvas;
}

void TForm::TextChanged() {
    if (QWidget* w = WidgetOf(this)) w->setWindowTitle(ToQ(Caption()));
}

void TForm::ApplyVisible() {}

void TForm::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
    // The size limits hold the user's frame, not the program: loosened for
    // the move, asked again after it.
    if (QWidget* w = WidgetOf(this)) {
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    ApplyMinMax();
}

void TForm::SetMenuBar(TMainMenu* Menu, Integer BarHeight) {
    const Integer client = ClientHeight();
    FMenu = Menu;
    FMenuBarHeight = Menu ? std::max<Integer>(BarHeight, 0) : 0;
    SetBounds(Left(), Top(), Width(), client + FMenuBarHeight);
    ClientOffsetChanged();
}

void TForm::ApplyMinMax() {
    QWidget* w = WidgetOf(this);
    if (!w) return;
    if (FixedSize(FBorderStyle)) {
        w->setFixedSize(Width(), Height());
        return;
    }
    TMinMaxInfo info;
    Perform(WM_GETMINMAXINFO, 0, reinterpret_cast<std::intptr_t>(&info));
    w->setMinimumSize(std::max<Integer>(info.ptMinTrackSize.x, 0), std::max<Integer>(info.ptMinTrackSize.y, 0));
    w->setMaximumSize(info.ptMaxTrackSize.x > 0 ? info.ptMaxTrackSize.x : QWIDGETSIZE_MAX,
                      info.ptMaxTrackSize.y > 0 ? info.ptMaxTrackSize.y : QWIDGETSIZE_MAX);
}

void TForm::ApplyWindowFlags() {
    QWidget* w = WidgetOf(this);
    if (!w) return;
    Qt::WindowFlags f;
    switch (FBorderStyle) {
    case bsDialog: f = Qt::Dialog; break;
    case bsToolWindow:
    case bsSizeToolWin: f = Qt::Tool; break;
    default: f = Qt::Window; break;
    }
    if (FBorderStyle == bsNone) {
        f |= Qt::FramelessWindowHint;
    } else {
        f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (FBorderIcons.Contains(biSystemMenu)) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        const bool framed = FBorderStyle == bsSingle || FBorderStyle == bsSizeable;
        if (framed && FBorderIcons.Contains(biSystemMenu)) {
            if (FBorderIcons.Contains(biMinimize)) f |= Qt::WindowMinimizeButtonHint;
            // Maximising could not change the size of a fixed window.
            if (FBorderIcons.Contains(biMaximize) && !FixedSize(FBorderStyle)) f |= Qt::WindowMaximizeButtonHint;
        }
        if (FBorderStyle == bsDialog && FBorderIcons.Contains(biHelp)) f |= Qt::WindowContextHelpButtonHint;
    }
    if (FFormStyle == fsStayOnTop) f |= Qt::WindowStaysOnTopHint;
    if (w->windowFlags() == f) return;
    const bool wasVisible = w->isVisible();
    w->setWindowFlags(f);
    ApplyGeometry();
    ApplyMinMax();
    if (wasVisible) w->show();
}

void TForm::SetBorderStyle(TFormBorderStyle Value) {
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    ApplyWindowFlags();
    ApplyMinMax();
}

void TForm::SetBorderIcons(TBorderIcons Value) {
    if (FBorderIcons == Value) return;
    FBorderIcons = Value;
    ApplyWindowFlags();
}

void TForm::SetFormStyle(TFormStyle Value) {
    if (FFormStyle == Value) return;
    FFormStyle = Value;
    ApplyWindowFlags();
}

void TForm::SetWindowState(TWindowState Value) {
    if (FWindowState == Value) return;
    FWindowState = Value;
    QWidget* w = WidgetOf(this);
    if (!w || !Visible()) return;
    switch (Value) {
    case wsMinimized: w->showMinimized(); break;
    case wsMaximized: w->showMaximized(); break;
    default: w->showNormal(); break;
    }
}

void TForm::SetIcon(TIcon* Value) {
    if (Value) FIcon->Assign(Value);
}

void TForm::SetActiveControl(TWinControl* Value) {
    if (Value && (Value == this || !ContainsControl(Value)))
        throw EInvalidOperation("Cannot focus a control that is not on the form");
    FActiveControl = Value;
    if (Value && Showing() && Value->CanFocus())
        if (QWidget* w = WidgetOf(Value)) w->setFocus(Qt::OtherFocusReason);
}

void TForm::FocusChanged(TWinControl* Control) { FActiveControl = Control; }

bool TForm::Active() const {
    QWidget* w = WidgetOf(this);
    return w && w->isActiveWindow();
}

bool TForm::CanFocus() const { return Visible() && Enabled(); }

void TForm::SetFocus() {
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    BringToFront();
}

void TForm::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FActiveControl) FActiveControl = nullptr;
}

void TForm::DoShow() { FireEvent(OnShow, this); }
void TForm::DoHide() { FireEvent(OnHide, this); }
void TForm::DoClose(TCloseAction& Action) { FireEvent(OnClose, this, Action); }

void TForm::Show() {
    SetVisible(true);
    if (Visible()) BringToFront();
}

void TForm::Hide() { SetVisible(false); }

void TForm::PlaceOnShow() {
    TScreen* screen = GetScreen();
    Integer x = Left(), y = Top();
    switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
        x = (screen->Width() - Width()) / 2;
        y = (screen->Height() - Height()) / 2;
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TForm* ref = FPosition == poOwnerFormCenter ? dynamic_cast<TForm*>(Owner()) : nullptr;
        if (!ref) ref = GetApplication()->MainForm();
        if (ref && ref != this) {
            x = ref->Left() + (ref->Width() - Width()) / 2;
            y = ref->Top() + (ref->Height() - Height()) / 2;
        } else {
            x = (screen->Width() - Width()) / 2;
            y = (screen->Height() - Height()) / 2;
        }
        break;
    }
    default: return;
    }
    // Placed once: later shows keep wherever the window is then.
    FPosition = poDesigned;
    SetBounds(std::max<Integer>(x, 0), std::max<Integer>(y, 0), Width(), Height());
}

void TForm::SetVisible(bool Value) {
    QWidget* w = WidgetOf(this);
    if (Value) {
        if ((Visible() && w && w->isVisible()) || FFormState.Contains(fsShowing)) return;
        if (!FCreated) AfterConstruction();
        std::weak_ptr<void> alive = AliveToken();
        // Visible first, then OnShow, then the window appears.
        TControl::SetVisible(true);
        FFormState.Include(fsShowing);
        {
            auto notShowing = ScopeFail([&] {
                if (!alive.expired()) FFormState.Exclude(fsShowing);
            });
            DoShow();
        }
        if (alive.expired()) return;
        FFormState.Exclude(fsShowing);
        if (!Visible()) return;
        PlaceOnShow();
        ApplyMinMax();
        if (!w) return;
        switch (FWindowState) {
        case wsMinimized: w->showMinimized(); break;
        case wsMaximized: w->showMaximized(); break;
        default: w->show(); break;
        }
        w->activateWindow();
        TWinControl* focus = FActiveControl;
        if (!focus) {
            std::vector<TWinControl*> all;
            CollectWinControls(this, all);
            for (TWinControl* c : all)
                if (c->TabStop() && c->CanFocus()) {
                    focus = c;
                    break;
                }
        }
        if (focus && focus->CanFocus())
            if (QWidget* fw = WidgetOf(focus)) fw->setFocus(Qt::ActiveWindowFocusReason);
        FShown = true;
    } else {
        if (!Visible()) return;
        std::weak_ptr<void> alive = AliveToken();
        TControl::SetVisible(false);
        DoHide();
        if (alive.expired()) return;
        if (w) w->hide();
    }
}

void TForm::SetModalResult(TModalResult Value) {
    FModalResult = Value;
    if (Value != mrNone && FFormImpl->Loop) FFormImpl->Loop->quit();
}

TModalResult TForm::ShowModal() {
    if (Visible() || !Enabled() || FFormState.Contains(fsModal))
        throw EInvalidOperation("Cannot make a visible window modal");
    if (!FCreated) AfterConstruction();
    QWidget* w = WidgetOf(this);
    TApplication* app = GetApplication();
    std::weak_ptr<void> alive = AliveToken();
    FFormState.Include(fsModal);
    FModalResult = mrNone;
    if (w) w->setWindowModality(Qt::ApplicationModal);
    WatchModalInput();
    app->EnterModal(this);
    auto leave = [&] {
        if (alive.expired()) {
            app->LeaveModal(this);
            return;
        }
        FFormState.Exclude(fsModal);
        if (QWidget* ww = WidgetOf(this)) {
            const bool wasVisible = ww->isVisible();
            if (wasVisible) ww->hide();
            ww->setWindowModality(Qt::NonModal);
        }
        app->LeaveModal(this);
    };
    auto leaveModal = ScopeExit(leave);
    auto dropLoop = ScopeFail([&] {
        if (!alive.expired()) FFormImpl->Loop = nullptr;
    });
    {
        Show();
        while (!alive.expired()) {
            if (app->Terminated()) FModalResult = mrCancel;
            if (FModalResult == mrNone) {
                QEventLoop loop;
                FFormImpl->Loop = &loop;
                // The test answerer (if any) gets its turn once the loop runs.
                QTimer::singleShot(0, &loop, [this] { CallModalHook(this); });
                loop.exec();
                if (alive.expired()) break;
                FFormImpl->Loop = nullptr;
                if (app->Terminated()) FModalResult = mrCancel;
            }
            if (FModalResult == mrNone) continue;
            // Closing a modal form: OnCloseQuery may refuse, OnClose may say caNone.
            TCloseAction action = caNone;
            if (CloseQuery()) {
                action = caHide;
                DoClose(action);
            }
            if (alive.expired()) break;
            if (action == caNone) {
                if (!app->Terminated()) FModalResult = mrNone;
                if (app->Terminated()) break;
                continue;
            }
            if (action == caFree) Release();
            break;
        }
        if (alive.expired()) return mrCancel;
        if (QWidget* ww = WidgetOf(this); ww && ww->isVisible()) ModalWindowClosed(ww);
        Hide();
    }
    return FModalResult;
}

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) {
        TCloseQueryEvent handler = OnCloseQuery;
        handler(this, canClose);
    }
    return canClose;
}

void TForm::Close() {
    if (FFormState.Contains(fsModal)) {
        SetModalResult(mrCancel);
        return;
    }
    std::weak_ptr<void> alive = AliveToken();
    if (!CloseQuery() || alive.expired()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (alive.expired() || action == caNone) return;
    TApplication* app = GetApplication();
    if (app->MainForm() == this)
        app->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Release();
}

bool TForm::DialogKey(Word Key) {
    if (Key != VK_RETURN && Key != VK_ESCAPE) return false;
    std::vector<TWinControl*> all;
    CollectWinControls(this, all);
    if (Key == VK_RETURN) {
        for (TWinControl* c : all)
            if (auto* b = dynamic_cast<TButton*>(c); b && b->Focused()) {
                b->Click();
                return true;
            }
    }
    for (TWinControl* c : all) {
        auto* b = dynamic_cast<TButton*>(c);
        if (!b || !b->Visible() || !b->Enabled()) continue;
        if ((Key == VK_RETURN && b->Default()) || (Key == VK_ESCAPE && b->Cancel())) {
            b->Click();
            return true;
        }
    }
    return false;
}

namespace {
// The character marked with "&" in a caption, or 0.
char MnemonicOf(const AnsiString& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] != '&') return caption[i + 1];
        ++i;
    }
    return 0;
}

void CollectLabels(TWinControl* root, std::vector<TLabel*>& out) {
    for (int i = 0; i < root->ControlCount(); ++i) {
        if (auto* l = dynamic_cast<TLabel*>(root->Controls(i))) out.push_back(l);
        if (auto* w = dynamic_cast<TWinControl*>(root->Controls(i))) CollectLabels(w, out);
    }
}
}  // namespace

bool TForm::DialogChar(char Key) {
    std::vector<TLabel*> labels;
    CollectLabels(this, labels);
    for (TLabel* label : labels) {
        if (!label->ShowAccelChar() || !label->FocusControl() || !label->Visible()) continue;
        const char m = MnemonicOf(label->Caption());
        if (m == 0 || UpperCase(AnsiString(1, m)) != UpperCase(AnsiString(1, Key))) continue;
        if (!label->FocusControl()->CanFocus()) continue;
        label->FocusControl()->SetFocus();
        return true;
    }
    return false;
}

void TForm::Activated(bool IsActive) {
    if (IsActive) {
        FFormState.Include(fsActivated);
        FireEvent(OnActivate, this);
        GetScreen()->FireActiveFormChange();
    } else {
        FireEvent(OnDeactivate, this);
    }
}

void TForm::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_CLOSE:
        TWinControl::WndProc(Message);
        Close();
        return;
    case WM_ACTIVATE:
        TWinControl::WndProc(Message);
        Activated(Message.WParam != 0);
        return;
    case WM_SIZE:
        TWinControl::WndProc(Message);
        if (Message.WParam == -1)
            if (QWidget* w = WidgetOf(this)) {
                const Qt::WindowStates s = w->windowState();
                FWindowState = (s & Qt::WindowMinimized)   ? wsMinimized
                               : (s & Qt::WindowMaximized) ? wsMaximized
                                                           : wsNormal;
            }
        return;
    default: TWinControl::WndProc(Message);
    }
}

TWindowPlacement TForm::GetWindowPlacement() const {
    TWindowPlacement p;
    p.flags = FFormImpl->PlacementFlags;
    p.ptMinPosition = FFormImpl->MinPosition;
    p.ptMaxPosition = FFormImpl->MaxPosition;
    p.showCmd = FWindowState == wsMinimized   ? SW_SHOWMINIMIZED
                : FWindowState == wsMaximized ? SW_SHOWMAXIMIZED
                                              : SW_SHOWNORMAL;
    QWidget* w = WidgetOf(this);
    if (w && FWindowState != wsNormal && w->isVisible()) {
        const QRect r = w->normalGeometry();
        p.rcNormalPosition = Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    } else {
        p.rcNormalPosition = BoundsRect();
    }
    return p;
}

void TForm::SetWindowPlacement(const TWindowPlacement& Placement) {
    FFormImpl->PlacementFlags = Placement.flags;
    FFormImpl->MinPosition = Placement.ptMinPosition;
    FFormImpl->MaxPosition = Placement.ptMaxPosition;
    const TRect& r = Placement.rcNormalPosition;
    // The placement read and set again moves nothing, whatever the state.
    if (r.Width() > 0 && r.Height() > 0 && r != GetWindowPlacement().rcNormalPosition) SetBoundsRect(r);
    switch (Placement.showCmd) {
    case SW_HIDE:
        // Geometry only: whether the window is shown stays the program's choice.
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: SetWindowState(wsMinimized); break;
    case SW_SHOWMAXIMIZED: SetWindowState(wsMaximized); break;
    default: SetWindowState(wsNormal); break;
    }
}

// ---------------------------------------------------------------------------
// TDataModule

TDataModule::TDataModule(TComponent* AOwner) : TComponent(AOwner) { GetScreen()->AddDataModule(this); }

TDataModule::~TDataModule() {
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* f = dynamic_cast<TForm*>(Components(i))) f->BeforeDestruction();
    if (TScreen* screen = GetScreen()) screen->RemoveDataModule(this);
}

void TDataModule::AfterConstruction() {
    if (FCreated) return;
    FCreated = true;
    if (!FFormFileRead) InitInheritedComponent(this);
    FireEvent(OnCreate, this);
}

void TDataModule::Loaded() {
    TComponent::Loaded();
    FFormFileRead = true;
}

void TDataModule::BeforeDestruction() {
    if (FDestroyed) return;
    FDestroyed = true;
    FireEvent(OnDestroy, this);
}

void TDataModule::Free() {
    BeforeDestruction();
    delete this;
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TFormBorderStyle) {
    static const TEnumType t{"TFormBorderStyle",
                             {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}};
    return t;
}
const TEnumType& EnumTypeInfo(TBorderIcon) {
    static const TEnumType t{"TBorderIcon", {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}};
    return t;
}
const TEnumType& EnumTypeInfo(TPosition) {
    static const TEnumType t{"TPosition",
                             {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                              "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"}};
    return t;
}
const TEnumType& EnumTypeInfo(TFormStyle) {
    static const TEnumType t{"TFormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"}};
    return t;
}
const TEnumType& EnumTypeInfo(TWindowState) {
    static const TEnumType t{"TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"}};
    return t;
}

VEMLOR_PUBLISHED(TForm, TWinControl) {
    // A form file keeps the client size, and a form is never shown by
    // reading it.
    Prop("Width", &TForm::Width, &TForm::SetWidth).Stored(false);
    Prop("Height", &TForm::Height, &TForm::SetHeight).Stored(false);
    Prop("Visible", &TForm::Visible, &TForm::SetVisible).Stored(false);
    Prop("Caption", &TForm::Caption, &TForm::SetCaption);
    Prop("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth);
    Prop("ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight);
    Prop("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle);
    Prop("BorderIcons", &TForm::BorderIcons, &TForm::SetBorderIcons);
    Prop("Position", &TForm::Position, &TForm::SetPosition);
    Prop("FormStyle", &TForm::FormStyle, &TForm::SetFormStyle);
    Prop("WindowState", &TForm::WindowState, &TForm::SetWindowState);
    Prop("KeyPreview", &TForm::KeyPreview, &TForm::SetKeyPreview);
    Prop("ActiveControl", &TForm::ActiveControl, &TForm::SetActiveControl);
    Prop("HelpContext", &TForm::HelpContext, &TForm::SetHelpContext);
    EventProp("OnCreate", &TForm::OnCreate);
    EventProp("OnShow", &TForm::OnShow);
    EventProp("OnHide", &TForm::OnHide);
    EventProp("OnActivate", &TForm::OnActivate);
    EventProp("OnDeactivate", &TForm::OnDeactivate);
    EventProp("OnClose", &TForm::OnClose);
    EventProp("OnCloseQuery", &TForm::OnCloseQuery);
    EventProp("OnDestroy", &TForm::OnDestroy);
    EventProp("OnPaint", &TForm::OnPaint);
}

VEMLOR_REGISTER_CLASS(TForm);

VEMLOR_PUBLISHED(TDataModule, TComponent) {
    EventProp("OnCreate", &TDataModule::OnCreate);
    EventProp("OnDestroy", &TDataModule::OnDestroy);
}
VEMLOR_REGISTER_CLASS(TDataModule);
