#pragma once
// Menus: TMenuItem trees, the window's TMainMenu and TPopupMenu; shortcuts
// (TShortCut) and their dispatch.
//
// Shortcut dispatch, as the class library does it for a key pressed in a
// window (before the focused control sees the key): the pop-up menus of
// the focused control and its parents, then the window's main menu, then
// the window's action lists (ActnList.h), each in creation order. The first
// enabled item or action with the key's shortcut runs and the key is eaten;
// a disabled one is passed over, so two actions may share a key and the
// first enabled one gets it.

#include <functional>
#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/TypInfo.h"
#include "platform/ui/Controls.h"

using TShortCut = Word;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

TShortCut ShortCut(Word Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift);
// "Ctrl+Z", "Shift+Esc", "Alt+F4", "Ctrl+Enter"; "" for none.
AnsiString ShortCutToText(TShortCut ShortCut);
// The reverse, ignoring case; 0 for a text that names no key.
TShortCut TextToShortCut(const AnsiString& Text);
// Shortcuts in form files: their texts ('Ctrl+Enter') both ways.
const TIntegerIdents& ShortCutIdents();

class TMenu;
class TBasicAction;
struct TMenuItemImpl;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    // Frees the items under it.
    ~TMenuItem() override;

    // "-" makes a separator line.
    const AnsiString& Caption() const { return FCaption; }
    void SetCaption(const AnsiString& Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    // Setting Checked does not click; a checked radio item unchecks the
    // radio items of its GroupIndex under the same parent.
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool Value);
    Byte GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(Byte Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    const AnsiString& Hint() const { return FHint; }
    void SetHint(const AnsiString& Value);
    Integer ImageIndex() const { return FImageIndex; }
    void SetImageIndex(Integer Value) { FImageIndex = Value; }
    bool IsLine() const { return FCaption == "-"; }

    // The action whose caption, hint, shortcut, Checked and Enabled the item
    // shows and which a click executes (unless OnClick is another handler).
    TBasicAction* Action() const;
    void SetAction(TBasicAction* Value);

    // The items under this one.
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError for an index out of range.
    TMenuItem* Items(int Index) const;
    TMenuItem* operator[](int Index) const { return Items(Index); }
    TMenuItem* Parent() const { return FParent; }
    int IndexOf(const TMenuItem* Item) const;
    int MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }
    // Takes the item from its former parent. Raises EInvalidOperation when
    // the item is this one or holds it.
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    // Takes the item out without freeing it.
    void Remove(TMenuItem* Item);
    // Frees the item at Index.
    void Delete(int Index);
    void Clear();
    // The item (here or below) with this shortcut; nullptr when none.
    TMenuItem* FindShortCut(TShortCut Value) const;

    // When enabled: OnClick, or the action.
    virtual void Click();

    // In a form file an item stands inside its menu or its parent item.
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;

    TNotifyEvent OnClick;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend struct TMenuItemAccess;
    friend class TMenu;
    void ApplyToAction();
    void UpdateRadioGroup();

    std::unique_ptr<TMenuItemImpl> FImpl;
    std::vector<TMenuItem*> FItems;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr;  // the menu of a root item
    AnsiString FCaption;
    TShortCut FShortCut = 0;
    bool FChecked = false;
    bool FRadioItem = false;
    Byte FGroupIndex = 0;
    bool FEnabled = true;
    bool FVisible = true;
    bool FDefault = false;
    AnsiString FHint;
    Integer FImageIndex = -1;
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;

    // The invisible root whose items are the menu's.
    TMenuItem* Items() const { return FItems.get(); }
    // Runs the enabled, visible item with the shortcut; true when one ran.
    bool IsShortCut(TShortCut Value);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    std::unique_ptr<TMenuItem> FItems;
};

struct TMainMenuImpl;

// The menu bar of the form that owns it (created with a TForm owner). The
// bar takes the top of the form as the first top-aligned control.
class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* AOwner);
    ~TMainMenu() override;

    TForm* Form() const;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    std::unique_ptr<TMainMenuImpl> FMainImpl;
};

enum TPopupAlignment { paLeft, paRight, paCenter };
const TEnumType& EnumTypeInfo(TPopupAlignment);

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    // Fires OnPopup, then shows the menu at the screen point and waits until
    // it closes; a chosen item's Click runs before Popup returns.
    void Popup(Integer X, Integer Y);
    // The control the menu was last opened over by a right click.
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* Value);
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool Value) { FAutoPopup = Value; }
    TPopupAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }

    TNotifyEvent OnPopup;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TComponent* FPopupComponent = nullptr;
    bool FAutoPopup = true;
    TPopupAlignment FAlignment = paLeft;
};

// The focused control's form handles a key as a shortcut (see above); true
// when something ran. The key dispatch calls it; tests and code may too.
bool DispatchShortCut(TControl* Focused, TShortCut Value);

namespace ui_detail {
// Shortcut handlers of other units (the action lists), asked after the
// menus of the form. Returns true when the key was used.
using TShortCutHandler = std::function<bool(TForm* Form, TShortCut ShortCut)>;
void AddShortCutHandler(TShortCutHandler Handler);
// Makes sure keys pressed in any window reach DispatchShortCut.
void InstallShortCutDispatch();

// Test support: while set, Popup asks this instead of showing the menu and
// clicks the item returned (nullptr: the menu was dismissed).
using TPopupAnswer = std::function<TMenuItem*(TPopupMenu* Menu, Integer X, Integer Y)>;
void SetPopupAnswer(TPopupAnswer Answer);
}  // namespace ui_detail
