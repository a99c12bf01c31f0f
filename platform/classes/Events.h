#pragma once
// The generic event types of the component model. Events are public members
// of these std::function types, empty when unassigned; detaching and
// re-attaching a handler is copying the member.

#include <functional>
#include <utility>

#include "platform/rtl/Object.h"
#include "platform/rtl/System.h"

using TNotifyEvent = std::function<void(TObject* Sender)>;
// Receives one text at a time (a list of names being enumerated, say).
using TGetStrProc = std::function<void(const AnsiString& S)>;
// A parameterless call handed to another thread's queue.
using TThreadMethod = std::function<void()>;

// Fires an event the safe way: the handler runs from a copy, so it may free
// its sender or reassign the event member without destroying the running
// callable. Does nothing when the event is unassigned. Callers that touch
// their own members afterwards must first check that they still exist.
template <class Event, class... Args>
void FireEvent(const Event& event, Args&&... args) {
    if (!event) return;
    Event handler = event;
    handler(std::forward<Args>(args)...);
}
