#include "platform/ui/ActnList.h"

#include <algorithm>
#include <map>

#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Bars.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

namespace {

struct TLink {
    TBasicAction* Action = nullptr;
    bool OwnClick = false;  // we gave the control its OnClick
};

std::map<const TComponent*, TLink>& Links() {
    static std::map<const TComponent*, TLink> links;
    return links;
}

// Only what changed reaches the clients, as with the class library's action
// links: checking an action must not show a button the program has hidden.
void ApplyToClient(TComponent* client, TBasicAction* basic, unsigned what) {
    auto* action = dynamic_cast<TCustomAction*>(basic);
    if (!action) return;
    if (auto* item = dynamic_cast<TMenuItem*>(client)) {
        if (what & TBasicAction::chCaption) item->SetCaption(action->Caption());
        if (what & TBasicAction::chHint) item->SetHint(action->Hint());
        if (what & TBasicAction::chShortCut) item->SetShortCut(action->ShortCut());
        if (what & TBasicAction::chChecked) item->SetChecked(action->Checked());
        if (what & TBasicAction::chEnabled) item->SetEnabled(action->Enabled());
        if (what & TBasicAction::chVisible) item->SetVisible(action->Visible());
        return;
    }
    auto* control = dynamic_cast<TControl*>(client);
    if (!control) return;
    if (what & TBasicAction::chCaption) control->SetCaption(action->Caption());
    if (what & TBasicAction::chHint) control->SetHint(action->Hint());
    if (what & TBasicAction::chEnabled) control->SetEnabled(action->Enabled());
    if (what & TBasicAction::chVisible) control->SetVisible(action->Visible());
    // A check box's Checked setter clicks, which would run the action again;
    // it keeps its own state.
    if (what & TBasicAction::chChecked) {
        if (auto* speed = dynamic_cast<TSpeedButton*>(control)) speed->SetDown(action->Checked());
        if (auto* tool = dynamic_cast<TToolButton*>(control)) tool->SetDown(action->Checked());
    }
}

// The OnClick a link gives a control without one: executes the action.
struct TActionClick {
    std::weak_ptr<void> Alive;
    TBasicAction* Action;
    void operator()(TObject* sender) const {
        if (Alive.expired()) return;
        Action->SetActionComponent(dynamic_cast<TComponent*>(sender));
        Action->Execute();
    }
};

// Takes back the OnClick the link gave, unless the program has put its own
// handler there since.
void ForgetClick(TComponent* client, const TLink& link) {
    if (!link.OwnClick) return;
    if (auto* control = dynamic_cast<TControl*>(client); control && control->OnClick.target<TActionClick>())
        control->OnClick = nullptr;
}

bool gHandlerInstalled = false;

}  // namespace

// ---------------------------------------------------------------------------
// Links

void LinkAction(TComponent* Client, TBasicAction* Action) {
    if (!Client) return;
    auto& links = Links();
    auto it = links.find(Client);
    if (it != links.end()) {
        if (it->second.Action == Action) return;
        TBasicAction* old = it->second.Action;
        ForgetClick(Client, it->second);
        links.erase(it);
        old->FClients.erase(std::remove(old->FClients.begin(), old->FClients.end(), Client), old->FClients.end());
    }
    if (!Action) return;
    TLink link{Action, false};
    if (auto* control = dynamic_cast<TControl*>(Client); control && !control->OnClick) {
        control->OnClick = TActionClick{Action->AliveToken(), Action};
        link.OwnClick = true;
    }
    links[Client] = link;
    Action->FClients.push_back(Client);
    Action->FreeNotification(Client);
    ApplyToClient(Client, Action, TBasicAction::chAll);
}

TBasicAction* ActionOf(const TComponent* Client) {
    auto& links = Links();
    auto it = links.find(Client);
    return it == links.end() ? nullptr : it->second.Action;
}

// ---------------------------------------------------------------------------
// TBasicAction

TBasicAction::TBasicAction(TComponent* AOwner) : TComponent(AOwner), FAlive(std::make_shared<char>(0)) {}

TBasicAction::~TBasicAction() {
    FAlive.reset();
    auto& links = Links();
    for (TComponent* client : FClients) {
        auto it = links.find(client);
        if (it == links.end()) continue;
        ForgetClick(client, it->second);
        links.erase(it);
    }
    FClients.clear();
}

bool TBasicAction::Execute() {
    if (!OnExecute) return false;
    FireEvent(OnExecute, this);
    return true;
}

bool TBasicAction::Update() {
    if (!OnUpdate) return false;
    FireEvent(OnUpdate, this);
    return true;
}

void TBasicAction::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FActionComponent) FActionComponent = nullptr;
    auto it = std::find(FClients.begin(), FClients.end(), AComponent);
    if (it == FClients.end()) return;
    FClients.erase(it);
    Links().erase(AComponent);
}

void TBasicAction::Changed(unsigned What) {
    for (TComponent* client : std::vector<TComponent*>(FClients)) ApplyToClient(client, this, What);
}

// ---------------------------------------------------------------------------
// TCustomAction

TCustomAction::TCustomAction(TComponent* AOwner) : TBasicAction(AOwner) {}

TCustomAction::~TCustomAction() {
    if (FActionList) FActionList->RemoveAction(this);
}

void TCustomAction::SetActionList(TActionList* Value) {
    if (FActionList == Value) return;
    if (FActionList) FActionList->RemoveAction(this);
    if (Value) Value->AddAction(this);
}

Integer TCustomAction::Index() const {
    if (!FActionList) return -1;
    const auto& list = FActionList->FActions;
    return static_cast<Integer>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TCustomAction::SetCaption(const AnsiString& Value) {
    if (FCaption == Value) return;
    FCaption = Value;
    Changed(chCaption);
}

void TCustomAction::SetHint(const AnsiString& Value) {
    if (FHint == Value) return;
    FHint = Value;
    Changed(chHint);
}

void TCustomAction::SetShortCut(TShortCut Value) {
    if (FShortCut == Value) return;
    FShortCut = Value;
    Changed(chShortCut);
}

void TCustomAction::SetChecked(bool Value) {
    if (FChecked == Value) return;
    FChecked = Value;
    Changed(chChecked);
}

void TCustomAction::SetEnabled(bool Value) {
    if (FEnabled == Value) return;
    FEnabled = Value;
    Changed(chEnabled);
}

void TCustomAction::SetVisible(bool Value) {
    if (FVisible == Value) return;
    FVisible = Value;
    Changed(chVisible);
}

void TCustomAction::SetImageIndex(Integer Value) {
    if (FImageIndex == Value) return;
    FImageIndex = Value;
    Changed(chImageIndex);
}

bool TCustomAction::Execute() {
    std::weak_ptr<void> alive = AliveToken();
    Update();
    if (alive.expired() || !FEnabled) return false;
    if (FActionList && FActionList->OnExecute) {
        bool handled = false;
        TActionEvent handler = FActionList->OnExecute;
        handler(this, handled);
        if (handled || alive.expired()) return true;
    }
    return TBasicAction::Execute();
}

TAction::TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
TAction::~TAction() = default;

// ---------------------------------------------------------------------------
// TActionList

TActionList::TActionList(TComponent* AOwner) : TComponent(AOwner) {
    ui_detail::InstallShortCutDispatch();
    if (!gHandlerInstalled) {
        gHandlerInstalled = true;
        ui_detail::AddShortCutHandler([](TForm* form, TShortCut sc) {
            std::vector<TActionList*> lists;
            for (int i = 0; i < form->ComponentCount(); ++i)
                if (auto* list = dynamic_cast<TActionList*>(form->Components(i))) lists.push_back(list);
            std::weak_ptr<void> alive = form->AliveToken();
            for (TActionList* list : lists) {
                if (alive.expired()) return true;
                if (list->IsShortCut(sc)) return true;
            }
            return false;
        });
    }
}

TActionList::~TActionList() {
    for (TCustomAction* a : FActions) a->FActionList = nullptr;
    FActions.clear();
}

TCustomAction* TActionList::Actions(int Index) const {
    if (Index < 0 || Index >= ActionCount()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return FActions[static_cast<std::size_t>(Index)];
}

void TActionList::AddAction(TCustomAction* Action) {
    if (!Action || Action->FActionList == this) return;
    if (Action->FActionList) Action->FActionList->RemoveAction(Action);
    FActions.push_back(Action);
    Action->FActionList = this;
}

void TActionList::RemoveAction(TCustomAction* Action) {
    auto it = std::find(FActions.begin(), FActions.end(), Action);
    if (it == FActions.end()) return;
    FActions.erase(it);
    Action->FActionList = nullptr;
}

bool TActionList::IsShortCut(TShortCut Value) {
    if (Value == 0) return false;
    for (TCustomAction* action : std::vector<TCustomAction*>(FActions)) {
        if (action->ShortCut() != Value) continue;
        std::weak_ptr<void> alive = action->AliveToken();
        action->Update();
        if (alive.expired()) return true;
        if (!action->Enabled()) continue;
        action->SetActionComponent(nullptr);
        action->Execute();
        return true;
    }
    return false;
}

void TActionList::UpdateActions() {
    for (TCustomAction* action : std::vector<TCustomAction*>(FActions)) {
        bool handled = false;
        if (OnUpdate) {
            TActionEvent handler = OnUpdate;
            handler(action, handled);
        }
        if (!handled) action->Update();
    }
}

// ---------------------------------------------------------------------------
// Published properties

VEMLOR_PUBLISHED(TBasicAction, TComponent) {
    EventProp("OnExecute", &TBasicAction::OnExecute);
    EventProp("OnUpdate", &TBasicAction::OnUpdate);
}

VEMLOR_PUBLISHED(TCustomAction, TBasicAction) {
    Prop("Caption", &TCustomAction::Caption, &TCustomAction::SetCaption);
    Prop("Category", &TCustomAction::Category, &TCustomAction::SetCategory);
    Prop("Checked", &TCustomAction::Checked, &TCustomAction::SetChecked);
    Prop("Enabled", &TCustomAction::Enabled, &TCustomAction::SetEnabled);
    Prop("HelpContext", &TCustomAction::HelpContext, &TCustomAction::SetHelpContext);
    Prop("Hint", &TCustomAction::Hint, &TCustomAction::SetHint);
    Prop("ImageIndex", &TCustomAction::ImageIndex, &TCustomAction::SetImageIndex);
    Prop("ShortCut", &TCustomAction::ShortCut, &TCustomAction::SetShortCut).Idents(ShortCutIdents());
    Prop("Visible", &TCustomAction::Visible, &TCustomAction::SetVisible);
}

VEMLOR_PUBLISHED(TAction, TCustomAction) {}
VEMLOR_REGISTER_CLASS(TAction);

TComponent* TCustomAction::GetParentComponent() const {
    return FActionList;
}

void TCustomAction::SetParentComponent(TComponent* Value) {
    if (auto* list = dynamic_cast<TActionList*>(Value)) SetActionList(list);
}

VEMLOR_PUBLISHED(TActionList, TComponent) {
    EventProp("OnExecute", &TActionList::OnExecute);
    EventProp("OnUpdate", &TActionList::OnUpdate);
}
VEMLOR_REGISTER_CLASS(TActionList);
