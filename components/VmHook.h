#pragma once
// A window hook: a component that watches, and may answer, the messages of
// another window control without that control's code knowing. Any number of
// hooks may sit on one control; they share one replacement window procedure
// per control (a TControlHook record), so hooks can come and go in any order
// without cutting each other out of the control's WindowProc chain.
//
// For each message the replacement runs the hooks' BeforeMessage events from
// the last attached hook to the first until one sets Handled, then (unless a
// hook handled it) the control's previous window procedure, then the
// AfterMessage events the same way. WM_DESTROY always reaches the control.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/TypInfo.h"
#include "platform/ui/Controls.h"

class TControlHook;

using THookMessageEvent = std::function<void(TObject* Sender, TMessage& Msg, bool& Handled)>;

class TVmWindowHook : public TComponent {
public:
    explicit TVmWindowHook(TComponent* AOwner);
    ~TVmWindowHook() override;

    bool Active() const { return FActive; }
    void SetActive(bool Value);
    TWinControl* WinControl() const { return FWinControl; }
    void SetWinControl(TWinControl* Value);
    // True when the hooked control is the hook's own owner form; stored
    // windows re-bind such a hook to its owner when they load.
    bool IsForm() const;
    void SetIsForm(bool Value);

    // Attaches (Active) or detaches the hook again.
    void HookControl();
    void UnhookControl();

    THookMessageEvent BeforeMessage;
    THookMessageEvent AfterMessage;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    // A form file keeps IsForm as data of the hook's own.
    void DefineProperties(TFiler* Filer) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TControlHook;
    bool FActive = true;
    TWinControl* FWinControl = nullptr;
    TControlHook* FControlHook = nullptr;
};

// Private messages of the hook list's dispatcher; LParam is a TControlHook*.
constexpr Cardinal HM_REINSTALL = 45138;  // install the record's hook again
constexpr Cardinal HM_RELEASE = 45139;    // free the record if no hook is left

namespace vmhook_detail {
struct TProcState;
struct TReplacementProc;
}

// One per hooked control: the control, its hooks in attach order and the
// replacement window procedure. Created and freed by THookList only.
class TControlHook : public TObject {
public:
    explicit TControlHook(TWinControl* Control);
    ~TControlHook() override;
    TControlHook(const TControlHook&) = delete;
    TControlHook& operator=(const TControlHook&) = delete;

    TWinControl* Control() const;
    int HookCount() const { return static_cast<int>(FHooks.size()); }
    // True while the replacement procedure is installed on the control.
    bool Installed() const;
    // Whether the control this record was made for still exists.
    bool ControlAlive() const { return !FAlive.expired(); }

    void AddHook(TVmWindowHook* Hook);
    void RemoveHook(TVmWindowHook* Hook);
    void Install();
    void Remove();

private:
    friend struct vmhook_detail::TReplacementProc;
    void Process(vmhook_detail::TProcState& State, TMessage& Message);
    void RunEvents(const vmhook_detail::TProcState& State, bool Before, TMessage& Message, bool& Handled);
    bool Alive() const;

    TWinControl* FControl;
    std::weak_ptr<void> FAlive;
    std::vector<TVmWindowHook*> FHooks;
    std::shared_ptr<vmhook_detail::TProcState> FState;
    bool FDestroying = false;
};

// The program's list of hooked controls and the receiver of the two private
// messages, which reach it through the application's queue of posted calls.
class THookList {
public:
    THookList() = default;
    ~THookList();
    THookList(const THookList&) = delete;
    THookList& operator=(const THookList&) = delete;

    // The record of the control, made when there is none yet.
    TControlHook* Find(TWinControl* Control, bool Create);
    bool Contains(const TControlHook* Hook) const;
    int Count() const { return static_cast<int>(FItems.size()); }
    // Queues one of the private messages for the record.
    void Post(Cardinal Msg, TControlHook* Hook);
    // The dispatcher's window procedure.
    void WndProc(TMessage& Message);

private:
    void Free(TControlHook* Hook);
    std::vector<std::unique_ptr<TControlHook>> FItems;
};

// Created on first use; freed with the program's last static objects.
THookList& HookList();
