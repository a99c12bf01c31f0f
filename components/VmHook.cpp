#include "components/VmHook.h"

#include <algorithm>

#include "platform/classes/Filer.h"
#include "platform/ui/Forms.h"

namespace vmhook_detail {

// The replacement window procedure's state. It lives as long as any WindowProc
// copy refers to it, not as long as its record: a procedure chained above
// ours after we installed keeps calling us, and once our record is gone (or
// our hook removed) we simply pass its messages down to the procedure that was
// below us, instead of calling into freed memory or dropping the rest of the
// chain.
struct TProcState {
    TControlHook* Hook = nullptr;  // nullptr once detached: pass-through
    TWinControl* Control = nullptr;
    std::weak_ptr<void> Alive;
    TWndMethod Previous;

    void CallPrevious(TMessage& Message) {
        if (Previous)
            Previous(Message);
        else if (!Alive.expired())
            static_cast<TControl*>(Control)->WndProc(Message);
    }
};

struct TReplacementProc {
    std::shared_ptr<TProcState> State;
    void operator()(TMessage& Message) const {
        // Keeps the state alive even when the call replaces the WindowProc
        // holding this functor.
        std::shared_ptr<TProcState> state = State;
        if (state->Hook)
            state->Hook->Process(*state, Message);
        else
            state->CallPrevious(Message);
    }
};

}  // namespace vmhook_detail

using vmhook_detail::TProcState;
using vmhook_detail::TReplacementProc;

// --- TControlHook ---------------------------------------------------------------

TControlHook::TControlHook(TWinControl* Control) : FControl(Control), FAlive(Control->AliveToken()) {}

TControlHook::~TControlHook() {
    FDestroying = true;
    for (TVmWindowHook* hook : FHooks) hook->FControlHook = nullptr;
    FHooks.clear();
    Remove();
}

TWinControl* TControlHook::Control() const { return FAlive.expired() ? nullptr : FControl; }

bool TControlHook::Installed() const { return FState != nullptr; }

bool TControlHook::Alive() const {
    if (FDestroying || FAlive.expired()) return false;
    return !FControl->ComponentState().Contains(csDestroying);
}

void TControlHook::AddHook(TVmWindowHook* Hook) {
    if (std::find(FHooks.begin(), FHooks.end(), Hook) == FHooks.end()) FHooks.push_back(Hook);
    Hook->FControlHook = this;
    Install();
}

void TControlHook::RemoveHook(TVmWindowHook* Hook) {
    FHooks.erase(std::remove(FHooks.begin(), FHooks.end(), Hook), FHooks.end());
    if (Hook->FControlHook == this) Hook->FControlHook = nullptr;
    if (FHooks.empty()) Remove();
}

void TControlHook::Install() {
    if (FState || !Alive() || FControl->ComponentState().Contains(csDesigning)) return;
    auto state = std::make_shared<TProcState>();
    state->Hook = this;
    state->Control = FControl;
    state->Alive = FAlive;
    state->Previous = FControl->WindowProc;
    FState = state;
    FControl->WindowProc = TReplacementProc{state};
}

void TControlHook::Remove() {
    if (!FState) return;
    std::shared_ptr<TProcState> state = std::move(FState);
    if (!FAlive.expired()) {
        const auto* current = FControl->WindowProc.target<TReplacementProc>();
        // A call still running through the state (this very message, say)
        // goes on down the chain it started with.
        if (current && current->State == state) FControl->WindowProc = state->Previous;
    }
    // Still chained below another procedure: stays there as a pass-through.
    state->Hook = nullptr;
}

void TControlHook::RunEvents(const TProcState& State, bool Before, TMessage& Message, bool& Handled) {
    const std::vector<TVmWindowHook*> hooks = FHooks;
    for (auto it = hooks.rbegin(); it != hooks.rend() && !Handled; ++it) {
        // A handler running a nested event loop may have let the list free
        // this record: the state tells without touching it.
        if (State.Hook != this || !Alive()) return;
        // A handler may have detached or freed a hook further down the list.
        if (std::find(FHooks.begin(), FHooks.end(), *it) == FHooks.end()) continue;
        TVmWindowHook* hook = *it;
        THookMessageEvent event = Before ? hook->BeforeMessage : hook->AfterMessage;
        if (!event) continue;
        try {
            event(hook, Message, Handled);
        } catch (...) {
            Application->HandleException(hook);
        }
    }
}

void TControlHook::Process(TProcState& State, TMessage& Message) {
    const bool destroy = Message.Msg == WM_DESTROY;
    bool handled = false;
    if (Message.Msg != WM_QUIT && !FHooks.empty() && Alive()) RunEvents(State, true, Message, handled);
    std::exception_ptr failure;
    if (!handled || destroy) {
        try {
            State.CallPrevious(Message);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    // The record may have been freed by now (a handler freed the control
    // and the list released the record): State.Hook tells.
    if (State.Hook == this) {
        bool afterHandled = false;
        if (!FHooks.empty() && Alive()) RunEvents(State, false, Message, afterHandled);
    }
    if (destroy && State.Hook == this) {
        const bool controlGoes = FAlive.expired() || FControl->ComponentState().Contains(csDestroying);
        Remove();
        // The window is only being recreated: hook the new one.
        if (!controlGoes) HookList().Post(HM_REINSTALL, this);
    }
    if (failure) std::rethrow_exception(failure);
}

// --- THookList ------------------------------------------------------------------

THookList::~THookList() {
    // At program end the controls are gone; records only forget them.
    FItems.clear();
}

THookList& HookList() {
    static THookList list;
    return list;
}

TControlHook* THookList::Find(TWinControl* Control, bool Create) {
    for (auto it = FItems.begin(); it != FItems.end(); ++it) {
        TControlHook* hook = it->get();
        if (hook->Control() == Control && hook->ControlAlive()) return hook;
    }
    // A record left from a freed control whose address was reused would
    // otherwise be taken for the new control's; such records go now.
    FItems.erase(std::remove_if(FItems.begin(), FItems.end(),
                                [](const std::unique_ptr<TControlHook>& h) {
                                    return !h->ControlAlive() && h->HookCount() == 0;
                                }),
                 FItems.end());
    if (!Create || !Control) return nullptr;
    FItems.push_back(std::make_unique<TControlHook>(Control));
    return FItems.back().get();
}

bool THookList::Contains(const TControlHook* Hook) const {
    return std::any_of(FItems.begin(), FItems.end(), [Hook](const auto& h) { return h.get() == Hook; });
}

void THookList::Post(Cardinal Msg, TControlHook* Hook) {
    const auto lparam = reinterpret_cast<std::intptr_t>(Hook);
    Application->Post([this, Msg, lparam] {
        TMessage m{Msg, 0, lparam, 0};
        WndProc(m);
    });
}

void THookList::WndProc(TMessage& Message) {
    try {
        // The record named by the message is only trusted when it is still
        // one of ours; it may have been freed since the message was posted.
        auto* hook = reinterpret_cast<TControlHook*>(Message.LParam);
        switch (Message.Msg) {
        case HM_REINSTALL:
            if (Contains(hook) && hook->HookCount() > 0) hook->Install();
            break;
        case HM_RELEASE:
            if (Contains(hook) && hook->HookCount() == 0) Free(hook);
            break;
        default:
            break;
        }
    } catch (...) {
        Application->HandleException(nullptr);
    }
}

void THookList::Free(TControlHook* Hook) {
    auto it = std::find_if(FItems.begin(), FItems.end(), [Hook](const auto& h) { return h.get() == Hook; });
    if (it == FItems.end()) return;
    std::unique_ptr<TControlHook> doomed = std::move(*it);
    FItems.erase(it);
}

// --- TVmWindowHook --------------------------------------------------------------

TVmWindowHook::TVmWindowHook(TComponent* AOwner) : TComponent(AOwner) {}

TVmWindowHook::~TVmWindowHook() {
    Destroying();
    SetWinControl(nullptr);
}

void TVmWindowHook::SetActive(bool Value) {
    if (FActive == Value) return;
    FActive = Value;
    if (Value)
        HookControl();
    else
        UnhookControl();
}

void TVmWindowHook::SetWinControl(TWinControl* Value) {
    if (Value == FWinControl) return;
    UnhookControl();
    if (FWinControl) RemoveFreeNotification(FWinControl);
    FWinControl = Value;
    if (Value) {
        FreeNotification(Value);
        if (FActive) HookControl();
    }
}

bool TVmWindowHook::IsForm() const { return FWinControl && FWinControl == Owner(); }

void TVmWindowHook::SetIsForm(bool Value) {
    if (!Value) return;
    if (auto* form = dynamic_cast<TForm*>(Owner())) SetWinControl(form);
}

void TVmWindowHook::HookControl() {
    if (!FActive || !FWinControl || FControlHook) return;
    if (ComponentState().Contains(csDestroying)) return;
    if (FWinControl->ComponentState().Contains(csDestroying)) return;
    HookList().Find(FWinControl, true)->AddHook(this);
}

void TVmWindowHook::UnhookControl() {
    TControlHook* record = FControlHook;
    if (!record) return;
    record->RemoveHook(this);
    // Freed later, never from inside its own window procedure.
    if (record->HookCount() == 0) HookList().Post(HM_RELEASE, record);
}

void TVmWindowHook::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FWinControl) {
        UnhookControl();
        FWinControl = nullptr;
    }
}

void TVmWindowHook::DefineProperties(TFiler* Filer) {
    TComponent::DefineProperties(Filer);
    Filer->DefineProperty(
        "IsForm", [this](TReader& Reader) { SetIsForm(Reader.ReadBoolean()); },
        [this](TWriter& Writer) { Writer.WriteBoolean(IsForm()); }, IsForm());
}

VEMLOR_PUBLISHED(TVmWindowHook, TComponent) {
    Prop("Active", &TVmWindowHook::Active, &TVmWindowHook::SetActive);
    Prop("WinControl", &TVmWindowHook::WinControl, &TVmWindowHook::SetWinControl);
    EventProp("BeforeMessage", &TVmWindowHook::BeforeMessage);
    EventProp("AfterMessage", &TVmWindowHook::AfterMessage);
}
VEMLOR_REGISTER_CLASS(TVmWindowHook);
