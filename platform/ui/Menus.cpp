#include "platform/ui/Menus.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/ControlKit.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/Forms.h"

using namespace ui_detail;

// ---------------------------------------------------------------------------
// Shortcuts

namespace {

struct TKeyName {
    Word Key;
    const char* Name;
};

const TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},  {VK_TAB, "Tab"},     {VK_ESCAPE, "Esc"},   {VK_RETURN, "Enter"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},   {VK_END, "End"},      {VK_HOME, "Home"},    {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},    {VK_INSERT, "Ins"},   {VK_DELETE, "Del"},
};

AnsiString KeyName(Word key) {
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return AnsiString(1, static_cast<char>(key));
    if (key >= VK_F1 && key <= VK_F12) return "F" + IntToStr(key - VK_F1 + 1);
    for (const TKeyName& k : kKeyNames)
        if (k.Key == key) return k.Name;
    return {};
}

}  // namespace

TShortCut ShortCut(Word Key, TShiftState Shift) {
    if (Key & 0xF000) return 0;
    TShortCut result = Key;
    if (Shift.Contains(ssShift)) result |= scShift;
    if (Shift.Contains(ssCtrl)) result |= scCtrl;
    if (Shift.Contains(ssAlt)) result |= scAlt;
    return result;
}

void ShortCutToKey(TShortCut Value, Word& Key, TShiftState& Shift) {
    Key = Value & 0x0FFF;
    Shift = TShiftState{};
    if (Value & scShift) Shift.Include(ssShift);
    if (Value & scCtrl) Shift.Include(ssCtrl);
    if (Value & scAlt) Shift.Include(ssAlt);
}

AnsiString ShortCutToText(TShortCut Value) {
    const AnsiString name = KeyName(Value & 0x0FFF);
    if (name.empty()) return {};
    AnsiString text;
    if (Value & scShift) text += "Shift+";
    if (Value & scCtrl) text += "Ctrl+";
    if (Value & scAlt) text += "Alt+";
    return text + name;
}

TShortCut TextToShortCut(const AnsiString& Text) {
    AnsiString rest = Text;
    TShortCut modifiers = 0;
    for (bool again = true; again;) {
        again = false;
        static const std::pair<const char*, TShortCut> prefixes[] = {{"Shift+", scShift}, {"Ctrl+", scCtrl}, {"Alt+", scAlt}};
        for (const auto& [prefix, bit] : prefixes) {
            const AnsiString p = prefix;
            if (rest.size() > p.size() && SameText(rest.substr(0, p.size()), p)) {
                modifiers |= bit;
                rest.erase(0, p.size());
                again = true;
            }
        }
    }
    for (Word key = 8; key < 0x100; ++key) {
        const AnsiString name = KeyName(key);
        if (!name.empty() && SameText(name, rest)) return static_cast<TShortCut>(modifiers | key);
    }
    return 0;
}

const TIntegerIdents& ShortCutIdents() {
    static const TIntegerIdents idents{
        "TShortCut",
        {},
        [](const AnsiString& Text, Int64& Value) {
            TShortCut shortcut = TextToShortCut(Text);
            Value = shortcut;
            return shortcut != 0 || Text.empty();
        },
        [](Int64 Value) { return ShortCutToText(static_cast<TShortCut>(Value)); }};
    return idents;
}

// ---------------------------------------------------------------------------
// TMenuItem

TComponent* TMenuItem::GetParentComponent() const {
    if (FParent && FParent->FMenu) return FParent->FMenu;
    return FParent;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
    if (auto* menu = dynamic_cast<TMenu*>(Value))
        menu->Items()->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(Value))
        item->Add(this);
}

struct TMenuItemImpl {
    QPointer<QAction> Action;
    QPointer<QMenu> Menu;
    QPointer<QMenuBar> Bar;  // the root item of a main menu shows its items here
};

struct TMenuItemAccess {
    static TMenuItemImpl& Impl(const TMenuItem* i) { return *i->FImpl; }
    static void SetMenu(TMenuItem* i, TMenu* m) { i->FMenu = m; }
};

namespace {

void DeleteQt(QObject* object) {
    if (!object) return;
    if (InDispatch())
        object->deleteLater();
    else
        delete object;
}

}  // namespace

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FImpl(std::make_unique<TMenuItemImpl>()) {
    FImpl->Action = new QAction(nullptr);
    QObject::connect(FImpl->Action, &QAction::triggered, FImpl->Action, [this] {
        // Qt ticks checkable actions by itself; the item's Checked decides.
        if (FImpl->Action->isChecked() != FChecked) {
            const QSignalBlocker block(FImpl->Action);
            FImpl->Action->setChecked(FChecked);
        }
        SafeCall(this, [this] { Click(); });
    });
}

TMenuItem::~TMenuItem() {
    SetAction(nullptr);
    while (!FItems.empty()) delete FItems.back();
    if (FParent) FParent->Remove(this);
    DeleteQt(FImpl->Menu);
    DeleteQt(FImpl->Action);
}

void TMenuItem::ApplyToAction() {
    QAction* a = FImpl->Action;
    if (!a) return;
    a->setSeparator(IsLine());
    // A separator with text is a section heading to the toolkit, which
    // would draw the "-" that marks the line.
    QString text = IsLine() ? QString() : ToQ(FCaption);
    if (FShortCut != 0 && !IsLine()) text += QStringLiteral("\t") + ToQ(ShortCutToText(FShortCut));
    a->setText(text);
    a->setCheckable(FChecked || FRadioItem);
    a->setChecked(FChecked);
    a->setEnabled(FEnabled);
    a->setVisible(FVisible);
    a->setStatusTip(ToQ(FHint));
    QFont f = a->font();
    f.setBold(FDefault);
    a->setFont(f);
}

void TMenuItem::SetCaption(const AnsiString& Value) {
    if (FCaption == Value) return;
    FCaption = Value;
    ApplyToAction();
}

void TMenuItem::SetShortCut(TShortCut Value) {
    if (FShortCut == Value) return;
    FShortCut = Value;
    ApplyToAction();
}

void TMenuItem::SetChecked(bool Value) {
    if (FChecked == Value) return;
    FChecked = Value;
    ApplyToAction();
    if (Value && FRadioItem) UpdateRadioGroup();
}

void TMenuItem::UpdateRadioGroup() {
    if (!FParent) return;
    for (TMenuItem* sibling : FParent->FItems)
        if (sibling != this && sibling->FRadioItem && sibling->FGroupIndex == FGroupIndex && sibling->FChecked) {
            sibling->FChecked = false;
            sibling->ApplyToAction();
        }
}

void TMenuItem::SetRadioItem(bool Value) {
    if (FRadioItem == Value) return;
    FRadioItem = Value;
    ApplyToAction();
    if (FChecked && Value) UpdateRadioGroup();
}

void TMenuItem::SetGroupIndex(Byte Value) {
    if (FGroupIndex == Value) return;
    FGroupIndex = Value;
    if (FChecked && FRadioItem) UpdateRadioGroup();
}

void TMenuItem::SetEnabled(bool Value) {
    if (FEnabled == Value) return;
    FEnabled = Value;
    ApplyToAction();
}

void TMenuItem::SetVisible(bool Value) {
    if (FVisible == Value) return;
    FVisible = Value;
    ApplyToAction();
}

void TMenuItem::SetDefault(bool Value) {
    if (FDefault == Value) return;
    FDefault = Value;
    ApplyToAction();
}

void TMenuItem::SetHint(const AnsiString& Value) {
    if (FHint == Value) return;
    FHint = Value;
    ApplyToAction();
}

TBasicAction* TMenuItem::Action() const { return ActionOf(this); }
void TMenuItem::SetAction(TBasicAction* Value) { LinkAction(this, Value); }

TMenuItem* TMenuItem::Items(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("Menu index out of range (" + IntToStr(Index) + ")");
    return FItems[static_cast<std::size_t>(Index)];
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
    if (!Item) return;
    for (const TMenuItem* p = this; p; p = p->FParent)
        if (p == Item) throw EInvalidOperation("A menu item cannot hold itself");
    if (Item->FParent) Item->FParent->Remove(Item);
    Index = std::clamp(Index, 0, Count());
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
    QAction* before = Index + 1 < Count() ? FItems[static_cast<std::size_t>(Index) + 1]->FImpl->Action.data() : nullptr;
    if (FImpl->Bar) {
        FImpl->Bar->insertAction(before, Item->FImpl->Action);
    } else {
        if (!FImpl->Menu) {
            FImpl->Menu = new QMenu();
            if (FImpl->Action) FImpl->Action->setMenu(FImpl->Menu);
        }
        FImpl->Menu->insertAction(before, Item->FImpl->Action);
    }
    Item->ApplyToAction();
    if (Item->FChecked && Item->FRadioItem) Item->UpdateRadioGroup();
}

void TMenuItem::Remove(TMenuItem* Item) {
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    if (it == FItems.end()) return;
    FItems.erase(it);
    Item->FParent = nullptr;
    if (QAction* a = Item->FImpl->Action) {
        if (FImpl->Bar) FImpl->Bar->removeAction(a);
        if (FImpl->Menu) FImpl->Menu->removeAction(a);
    }
}

void TMenuItem::Delete(int Index) { delete Items(Index); }

void TMenuItem::Clear() {
    while (!FItems.empty()) delete FItems.back();
}

TMenuItem* TMenuItem::FindShortCut(TShortCut Value) const {
    for (TMenuItem* item : FItems) {
        if (item->FShortCut == Value) return item;
        if (TMenuItem* found = item->FindShortCut(Value)) return found;
    }
    return nullptr;
}

void TMenuItem::Click() {
    if (!FEnabled) return;
    if (OnClick) {
        FireEvent(OnClick, this);
        return;
    }
    if (TBasicAction* action = ActionOf(this)) {
        action->SetActionComponent(this);
        action->Execute();
    }
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
}

// ---------------------------------------------------------------------------
// TMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {
    TMenuItemAccess::SetMenu(FItems.get(), this);
    InstallShortCutDispatch();
}

TMenu::~TMenu() { FItems.reset(); }

namespace {

// An item runs by its shortcut only when it and every item above it can.
bool Reachable(const TMenuItem* item) {
    for (const TMenuItem* i = item; i && i->Parent(); i = i->Parent())
        if (!i->Enabled() || !i->Visible()) return false;
    return true;
}

TMenuItem* FindRunnable(TMenuItem* root, TShortCut value) {
    for (int i = 0; i < root->Count(); ++i) {
        TMenuItem* item = root->Items(i);
        if (item->ShortCut() == value && Reachable(item)) return item;
        if (TMenuItem* found = FindRunnable(item, value)) return found;
    }
    return nullptr;
}

}  // namespace

bool TMenu::IsShortCut(TShortCut Value) {
    if (Value == 0) return false;
    TMenuItem* item = FindRunnable(FItems.get(), Value);
    if (!item) return false;
    item->Click();
    return true;
}

// ---------------------------------------------------------------------------
// TMainMenu

namespace {

// The bar lies above the form's client area, outside it: it is no control
// of the form (the menu owns it), so the form's children keep their client
// coordinates and the alignment never sees it.
class TMenuBarControl : public TWinControl {
public:
    explicit TMenuBarControl(TComponent* owner) : TWinControl(owner) {
        auto* bar = new QMenuBar();
        bar->setNativeMenuBar(false);
        AttachWidget(this, bar);
        SetColor(clBtnFace);
        // An empty bar has no height of its own yet; the items to come need a line.
        SetBounds(0, 0, 100, std::max<Integer>(bar->sizeHint().height(), LayoutText(*Font(), "Ag", 0, 0).LineHeight + 8));
    }
};

// Keeps the bar as wide as the form's window.
class TMenuBarFollower : public QObject {
public:
    TMenuBarFollower(TMenuBarControl* bar, QObject* parent) : QObject(parent), FBar(bar) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize) {
            if (auto* w = qobject_cast<QWidget*>(watched)) FBar->SetBounds(0, 0, w->width(), FBar->Height());
        }
        return false;
    }

private:
    TMenuBarControl* FBar;
};

}  // namespace

struct TMainMenuImpl {
    TMenuBarControl* Bar = nullptr;
    TForm* Form = nullptr;
};

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner), FMainImpl(std::make_unique<TMainMenuImpl>()) {
    auto* form = dynamic_cast<TForm*>(AOwner);
    if (!form || form->Menu()) return;
    FMainImpl->Form = form;
    auto* bar = new TMenuBarControl(this);
    FMainImpl->Bar = bar;
    TMenuItemAccess::Impl(Items()).Bar = QtWidget<QMenuBar>(bar);
    if (QWidget* window = WidgetOf(form)) {
        QWidget* w = WidgetOf(bar);
        w->setParent(window);
        // The filter is a child of the bar's widget, so it goes with the bar.
        window->installEventFilter(new TMenuBarFollower(bar, w));
        bar->SetBounds(0, 0, form->Width(), bar->Height());
        w->raise();
        w->show();
    }
    form->SetMenuBar(this, bar->Height());
}

TMainMenu::~TMainMenu() {
    // The items go first: their actions leave the bar while it still exists.
    Items()->Clear();
    TForm* form = FMainImpl->Form;
    if (form && !form->ComponentState().Contains(csDestroying)) form->SetMenuBar(nullptr, 0);
}

TForm* TMainMenu::Form() const { return FMainImpl->Form; }

// ---------------------------------------------------------------------------
// TPopupMenu

namespace {
TPopupAnswer& PopupAnswerSlot() {
    static TPopupAnswer answer;
    return answer;
}
}  // namespace

void ui_detail::SetPopupAnswer(TPopupAnswer Answer) { PopupAnswerSlot() = std::move(Answer); }

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {
    static bool installed = false;
    if (!installed) {
        installed = true;
        SetPopupMenuHandler([](TPopupMenu* menu, TControl* control, int x, int y) {
            if (!menu || !menu->AutoPopup()) return;
            menu->SetPopupComponent(control);
            menu->Popup(x, y);
        });
    }
}

TPopupMenu::~TPopupMenu() { SetPopupComponent(nullptr); }

void TPopupMenu::SetPopupComponent(TComponent* Value) {
    if (FPopupComponent == Value) return;
    // The free-notification link stays: it may serve another reference
    // between the same two components, and a notice about a component no
    // longer held is ignored.
    FPopupComponent = Value;
    if (Value) Value->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TMenu::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::Popup(Integer X, Integer Y) {
    std::weak_ptr<void> alive;
    FireEvent(OnPopup, this);
    TPopupAnswer answer = PopupAnswerSlot();
    if (answer) {
        if (TMenuItem* item = answer(this, X, Y)) item->Click();
        return;
    }
    QMenu* menu = TMenuItemAccess::Impl(Items()).Menu;
    if (!menu) return;
    // The chosen item's Click runs from its action's signal inside exec.
    menu->exec(QPoint(X, Y));
}

// ---------------------------------------------------------------------------
// Dispatch

namespace {

std::vector<TShortCutHandler>& Handlers() {
    static std::vector<TShortCutHandler> handlers;
    return handlers;
}

class TShortCutFilter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        auto* e = static_cast<QKeyEvent*>(event);
        const Word key = VirtualKeyFromQt(e->key(), e->modifiers() & Qt::KeypadModifier);
        if (key == 0 || key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) return false;
        TControl* control = nullptr;
        for (QWidget* w = static_cast<QWidget*>(watched); w && !control; w = w->parentWidget()) control = ControlOf(w);
        if (!control) return false;
        const TShortCut sc = ShortCut(key, TShiftState::FromBits(ShiftBitsFromQt(e->modifiers(), 0)));
        // Plain typing is never a shortcut unless a modifier or a function key is held.
        const bool plain = !(sc & (scCtrl | scAlt)) && key != VK_ESCAPE && !(key >= VK_F1 && key <= VK_F12) &&
                           key != VK_INSERT && key != VK_DELETE;
        if (plain) return false;
        bool used = false;
        SafeCall(control, [&] { used = DispatchShortCut(control, sc); });
        return used;
    }
};

}  // namespace

void ui_detail::AddShortCutHandler(TShortCutHandler Handler) { Handlers().push_back(std::move(Handler)); }

void ui_detail::InstallShortCutDispatch() {
    static bool installed = false;
    if (installed) return;
    GetApplication();
    if (QCoreApplication* app = QCoreApplication::instance()) {
        installed = true;
        // The application owns the filter and frees it at the end.
        auto* filter = new TShortCutFilter();
        filter->setParent(app);
        app->installEventFilter(filter);
    }
}

bool DispatchShortCut(TControl* Focused, TShortCut Value) {
    if (!Focused || Value == 0) return false;
    std::weak_ptr<void> alive = Focused->AliveToken();
    for (TControl* c = Focused; c; c = c->Parent())
        if (TPopupMenu* popup = c->PopupMenu(); popup && popup->IsShortCut(Value)) return true;
    TForm* form = GetParentForm(Focused);
    if (!form) return false;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* menu = dynamic_cast<TMainMenu*>(form->Components(i)); menu && menu->IsShortCut(Value)) return true;
    for (const TShortCutHandler& handler : std::vector<TShortCutHandler>(Handlers()))
        if (handler(form, Value)) return true;
    return false;
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TPopupAlignment) {
    static const TEnumType t{"TPopupAlignment", {"paLeft", "paRight", "paCenter"}};
    return t;
}

VEMLOR_PUBLISHED(TMenuItem, TComponent) {
    Prop("Action", &TMenuItem::Action, &TMenuItem::SetAction);
    Prop("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption);
    Prop("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked);
    Prop("Default", &TMenuItem::Default, &TMenuItem::SetDefault);
    Prop("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled);
    Prop("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex);
    Prop("Hint", &TMenuItem::Hint, &TMenuItem::SetHint);
    Prop("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex);
    Prop("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem);
    Prop("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut).Idents(ShortCutIdents());
    Prop("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible);
    EventProp("OnClick", &TMenuItem::OnClick);
}

VEMLOR_REGISTER_CLASS(TMenuItem);

VEMLOR_PUBLISHED(TMenu, TComponent) {}
VEMLOR_PUBLISHED(TMainMenu, TMenu) {}
VEMLOR_REGISTER_CLASS(TMainMenu);

VEMLOR_PUBLISHED(TPopupMenu, TMenu) {
    Prop("Alignment", &TPopupMenu::Alignment, &TPopupMenu::SetAlignment);
    Prop("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup);
    EventProp("OnPopup", &TPopupMenu::OnPopup);
}
VEMLOR_REGISTER_CLASS(TPopupMenu);
