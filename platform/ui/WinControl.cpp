// TWinControl: child controls, alignment, tab order, focus and the keyboard
// path (the form's key preview, then the control's own key events).

#include "platform/ui/Controls.h"

#include <QWidget>

#include <algorithm>

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UiBridge.h"

using namespace ui_detail;

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    Destroying();
    if (WidgetOf(this)) {
        TMessage m{WM_DESTROY, 0, 0, 0};
        try {
            if (WindowProc)
                WindowProc(m);
            else
                WndProc(m);
        } catch (...) {
            // A hook failing on the way out must not stop the destruction.
        }
    }
    while (!FControls.empty()) {
        TControl* child = FControls.back();
        RemoveControl(child);
        child->FParent = nullptr;
        delete child;
    }
}

TControl* TWinControl::Controls(int Index) const {
    if (Index < 0 || Index >= ControlCount())
        throw EListError("Control index out of bounds (" + std::to_string(Index) + ")");
    return FControls[static_cast<std::size_t>(Index)];
}

bool TWinControl::ContainsControl(const TControl* Control) const {
    for (const TControl* c = Control; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

void TWinControl::InsertControl(TControl* Control) { FControls.push_back(Control); }

void TWinControl::RemoveControl(TControl* Control) {
    FControls.erase(std::remove(FControls.begin(), FControls.end(), Control), FControls.end());
    if (TForm* form = GetParentForm(this); form && form->FActiveControl) {
        auto* win = dynamic_cast<TWinControl*>(Control);
        if (win && win->ContainsControl(form->FActiveControl)) form->FActiveControl = nullptr;
    }
}

void TWinControl::SetTabStop(bool Value) {
    if (FTabStop == Value) return;
    FTabStop = Value;
    // Without a tab stop a native control still takes the focus by click; a
    // self-painted one (a panel) takes it only when its code asks.
    if (QWidget* w = WidgetOf(this))
        w->setFocusPolicy(Value ? Qt::StrongFocus : PaintsItself(this) ? Qt::NoFocus : Qt::ClickFocus);
}

Integer TWinControl::TabOrder() const {
    if (!Parent()) return -1;
    Integer index = 0;
    for (TControl* c : Parent()->FControls) {
        if (c == this) return index;
        if (dynamic_cast<TWinControl*>(c)) ++index;
    }
    return -1;
}

void TWinControl::SetTabOrder(Integer Value) {
    TWinControl* p = Parent();
    if (!p) return;
    std::vector<TWinControl*> wins;
    for (TControl* c : p->FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w != this) wins.push_back(w);
    Value = std::clamp<Integer>(Value, 0, static_cast<Integer>(wins.size()));
    wins.insert(wins.begin() + Value, this);
    // The window controls keep their relative order in the child list; the
    // graphic controls stay where they were.
    std::size_t next = 0;
    for (TControl*& c : p->FControls)
        if (dynamic_cast<TWinControl*>(c)) c = wins[next++];
    p->ApplyTabOrder();
}

void TWinControl::ApplyTabOrder() {
    QWidget* previous = nullptr;
    for (TControl* c : FControls) {
        if (!dynamic_cast<TWinControl*>(c)) continue;
        QWidget* w = WidgetOf(c);
        if (!w) continue;
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

// Visibility as the properties say, not the screen: a control may take the
// focus in its form's OnShow, before the window appears.
bool TWinControl::CanFocus() const {
    const TForm* form = GetParentForm(this);
    if (!form) return false;
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

void TWinControl::SetFocus() {
    if (TForm* form = GetParentForm(this); form && form != this) {
        if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
        form->SetActiveControl(this);
        return;
    }
    if (QWidget* w = WidgetOf(this)) w->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const {
    QWidget* w = WidgetOf(this);
    return w && w->hasFocus();
}

void TWinControl::EnableAlign() {
    if (FAlignDisabled > 0 && --FAlignDisabled == 0) Realign();
}

void TWinControl::Realign() {
    if (FAlignDisabled > 0 || FAligning || ComponentState().Contains(csDestroying)) return;
    AlignControls();
}

void TWinControl::ClientOffsetChanged() {
    for (TControl* c : FControls) c->ApplyGeometry();
    Realign();
}

void TWinControl::AlignControls() {
    FAligning = true;
    TRect r = AlignRect();
    const Integer cw = ClientWidth(), ch = ClientHeight();
    auto place = [](TControl* c, Integer l, Integer t, Integer w, Integer h) {
        c->SetBounds(l, t, std::max<Integer>(w, 0), std::max<Integer>(h, 0));
    };
    auto collect = [this](TAlign align) {
        std::vector<TControl*> list;
        for (TControl* c : FControls)
            if (c->Visible() && c->Align() == align) list.push_back(c);
        return list;
    };
    auto tops = collect(alTop);
    std::stable_sort(tops.begin(), tops.end(), [](TControl* a, TControl* b) { return a->Top() < b->Top(); });
    for (TControl* c : tops) {
        place(c, r.Left, r.Top, r.Width(), c->Height());
        r.Top += c->Height();
    }
    auto bottoms = collect(alBottom);
    std::stable_sort(bottoms.begin(), bottoms.end(),
                     [](TControl* a, TControl* b) { return a->Top() + a->Height() > b->Top() + b->Height(); });
    for (TControl* c : bottoms) {
        r.Bottom -= c->Height();
        place(c, r.Left, r.Bottom, r.Width(), c->Height());
    }
    auto lefts = collect(alLeft);
    std::stable_sort(lefts.begin(), lefts.end(), [](TControl* a, TControl* b) { return a->Left() < b->Left(); });
    for (TControl* c : lefts) {
        place(c, r.Left, r.Top, c->Width(), r.Height());
        r.Left += c->Width();
    }
    auto rights = collect(alRight);
    std::stable_sort(rights.begin(), rights.end(),
                     [](TControl* a, TControl* b) { return a->Left() + a->Width() > b->Left() + b->Width(); });
    for (TControl* c : rights) {
        r.Right -= c->Width();
        place(c, r.Right, r.Top, c->Width(), r.Height());
    }
    for (TControl* c : collect(alClient)) place(c, r.Left, r.Top, r.Width(), r.Height());

    // Anchored children follow the change of the client size.
    if (FLastClientWidth >= 0 && (cw != FLastClientWidth || ch != FLastClientHeight)) {
        const Integer dx = cw - FLastClientWidth, dy = ch - FLastClientHeight;
        for (TControl* c : FControls) {
            if (c->Align() != alNone) continue;
            const TAnchors a = c->Anchors();
            Integer l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
            if (a.Contains(akRight)) {
                if (a.Contains(akLeft))
                    w += dx;
                else
                    l += dx;
            } else if (!a.Contains(akLeft)) {
                l += dx / 2;
            }
            if (a.Contains(akBottom)) {
                if (a.Contains(akTop))
                    h += dy;
                else
                    t += dy;
            } else if (!a.Contains(akTop)) {
                t += dy / 2;
            }
            place(c, l, t, w, h);
        }
    }
    FLastClientWidth = cw;
    FLastClientHeight = ch;
    FAligning = false;
}

void TWinControl::Resize() {
    Realign();
    TControl::Resize();
}

void TWinControl::FontChanged() {
    TControl::FontChanged();
    for (TControl* c : std::vector<TControl*>(FControls)) c->ParentFontChanged();
}

void TWinControl::ColorChanged() {
    TControl::ColorChanged();
    for (TControl* c : std::vector<TControl*>(FControls)) c->ParentColorChanged();
}

bool TWinControl::WantsKey(Word Key) const {
    (void)Key;
    return false;
}

bool TWinControl::DoKeyDown(Word& Key, TShiftState Shift) {
    TForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview()) {
        std::weak_ptr<void> alive = AliveToken();
        form->KeyDown(Key, Shift);
        if (Key == 0 || alive.expired()) return false;
    }
    KeyDown(Key, Shift);
    return Key != 0;
}

bool TWinControl::DoKeyPress(char& Key) {
    TForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview()) {
        std::weak_ptr<void> alive = AliveToken();
        form->KeyPress(Key);
        if (Key == 0 || alive.expired()) return false;
    }
    KeyPress(Key);
    return Key != 0;
}

bool TWinControl::DoKeyUp(Word& Key, TShiftState Shift) {
    TForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview()) {
        std::weak_ptr<void> alive = AliveToken();
        form->KeyUp(Key, Shift);
        if (Key == 0 || alive.expired()) return false;
    }
    KeyUp(Key, Shift);
    return Key != 0;
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
    if (OnKeyDown) {
        TKeyEvent handler = OnKeyDown;
        handler(this, Key, Shift);
    }
}

void TWinControl::KeyPress(char& Key) {
    if (OnKeyPress) {
        TKeyPressEvent handler = OnKeyPress;
        handler(this, Key);
    }
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
    if (OnKeyUp) {
        TKeyEvent handler = OnKeyUp;
        handler(this, Key, Shift);
    }
}

void TWinControl::DoEnter() { FireEvent(OnEnter, this); }
void TWinControl::DoExit() { FireEvent(OnExit, this); }

void TWinControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        MarkDefaultReached(this);
        Word key = static_cast<Word>(Message.WParam);
        const TShiftState shift = TShiftState::FromBits(static_cast<std::uint64_t>(Message.LParam));
        if (Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN)
            DoKeyDown(key, shift);
        else
            DoKeyUp(key, shift);
        Message.WParam = key;
        return;
    }
    case WM_CHAR: {
        MarkDefaultReached(this);
        char key = static_cast<char>(Message.WParam);
        DoKeyPress(key);
        Message.WParam = static_cast<unsigned char>(key);
        return;
    }
    case WM_SETFOCUS: {
        MarkDefaultReached(this);
        if (TForm* form = GetParentForm(this); form && form != this) form->FocusChanged(this);
        DoEnter();
        return;
    }
    case WM_KILLFOCUS:
        MarkDefaultReached(this);
        DoExit();
        return;
    default: TControl::WndProc(Message);
    }
}

VEMLOR_PUBLISHED(TWinControl, TControl) {
    Prop("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
    // A form file keeps the tab order as the order of the controls.
    Prop("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).Stored(false);
    EventProp("OnKeyDown", &TWinControl::OnKeyDown);
    EventProp("OnKeyPress", &TWinControl::OnKeyPress);
    EventProp("OnKeyUp", &TWinControl::OnKeyUp);
    EventProp("OnEnter", &TWinControl::OnEnter);
    EventProp("OnExit", &TWinControl::OnExit);
}
