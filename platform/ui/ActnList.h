#pragma once
// Actions: commands with a caption, hint, shortcut, Checked and Enabled,
// shared by the menu items, buttons and tool buttons linked to them, and
// the action lists that hold them and run them by shortcut (see Menus.h for
// the order in which a window asks its menus and action lists).

#include <functional>
#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/TypInfo.h"
#include "platform/ui/Menus.h"

class TActionList;

class TBasicAction : public TComponent {
public:
    explicit TBasicAction(TComponent* AOwner);
    ~TBasicAction() override;

    // Runs OnExecute (after the action list's OnExecute, which may handle
    // it); false when nothing ran.
    virtual bool Execute();
    // Runs OnUpdate so the handler can set Enabled and Checked.
    virtual bool Update();
    // The control or menu item that executed it last.
    TComponent* ActionComponent() const { return FActionComponent; }
    void SetActionComponent(TComponent* Value) { FActionComponent = Value; }

    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;

    std::weak_ptr<void> AliveToken() const { return FAlive; }

    // What a change touched; a client hears only of that.
    enum TChange : unsigned {
        chCaption = 1, chHint = 2, chShortCut = 4, chChecked = 8, chEnabled = 16, chVisible = 32, chImageIndex = 64,
        chAll = 127
    };

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Pushes the action's state to every linked client.
    void Changed(unsigned What = chAll);

private:
    friend void LinkAction(TComponent* Client, TBasicAction* Action);
    friend struct TActionAccess;
    std::vector<TComponent*> FClients;
    TComponent* FActionComponent = nullptr;
    std::shared_ptr<char> FAlive;
};

class TCustomAction : public TBasicAction {
public:
    explicit TCustomAction(TComponent* AOwner);
    ~TCustomAction() override;

    TActionList* ActionList() const { return FActionList; }
    void SetActionList(TActionList* Value);

    // In a form file an action stands inside its list.
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;
    Integer Index() const;

    const AnsiString& Caption() const { return FCaption; }
    void SetCaption(const AnsiString& Value);
    const AnsiString& Hint() const { return FHint; }
    void SetHint(const AnsiString& Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    // A disabled action does not execute (its shortcut passes it by).
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    Integer ImageIndex() const { return FImageIndex; }
    void SetImageIndex(Integer Value);
    THelpContext HelpContext() const { return FHelpContext; }
    void SetHelpContext(THelpContext Value) { FHelpContext = Value; }
    const AnsiString& Category() const { return FCategory; }
    void SetCategory(const AnsiString& Value) { FCategory = Value; }

    bool Execute() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    friend class TActionList;
    TActionList* FActionList = nullptr;
    AnsiString FCaption;
    AnsiString FHint;
    TShortCut FShortCut = 0;
    bool FChecked = false;
    bool FEnabled = true;
    bool FVisible = true;
    Integer FImageIndex = -1;
    THelpContext FHelpContext = 0;
    AnsiString FCategory;
};

class TAction : public TCustomAction {
public:
    explicit TAction(TComponent* AOwner);
    ~TAction() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

using TActionEvent = std::function<void(TBasicAction* Action, bool& Handled)>;

class TActionList : public TComponent {
public:
    explicit TActionList(TComponent* AOwner);
    // The actions stay with their owner; they only leave the list.
    ~TActionList() override;

    int ActionCount() const { return static_cast<int>(FActions.size()); }
    // Raises EListError for an index out of range.
    TCustomAction* Actions(int Index) const;
    void AddAction(TCustomAction* Action);
    void RemoveAction(TCustomAction* Action);
    // Updates, then executes the first enabled action with the shortcut.
    bool IsShortCut(TShortCut Value);
    // Asks OnUpdate/the actions' OnUpdate for every action.
    void UpdateActions();

    // Called before an action's own OnExecute; set Handled to stop it.
    TActionEvent OnExecute;
    TActionEvent OnUpdate;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    friend class TCustomAction;
    std::vector<TCustomAction*> FActions;
};

// Links a client to an action (nullptr unlinks): a TMenuItem, a tool or
// speed button, a check box, or any control. The client shows the action's
// caption, hint, Enabled and Visible (Checked as a check box's Checked, a
// button's Down, a menu item's tick; the shortcut on a menu item) from now
// on, and its click executes the action: a control without an OnClick gets
// one that executes it.
void LinkAction(TComponent* Client, TBasicAction* Action);
TBasicAction* ActionOf(const TComponent* Client);
