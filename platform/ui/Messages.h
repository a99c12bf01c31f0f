#pragma once
// Messages posted to a control.
//
// A posted message waits in the application's queue and reaches the control
// later through its WindowProc (as Perform would send it), in the order
// messages and calls were posted. Until then it can be taken out again: a
// control that posts itself a reminder drops the ones still pending once a
// single one will do. The quit request is not one of these messages
// (TApplication::Terminate ends the loops at once), so taking messages out
// can never swallow it.

#include <cstdint>

#include "platform/rtl/System.h"
#include "platform/ui/Controls.h"

// Queues the message for the control; safe from any thread while the
// control exists. A message whose control is freed before it is delivered
// is dropped.
void PostMessage(TControl* Control, Cardinal Msg, std::intptr_t WParam = 0, std::intptr_t LParam = 0);

// Takes the first message of that number still pending for the control out
// of the queue, into Message when given; false when none is pending.
bool RemovePostedMessage(TControl* Control, Cardinal Msg, TMessage* Message = nullptr);
