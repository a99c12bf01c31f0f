#pragma once
// Helpers shared by the .cpp files of the standard controls (check boxes,
// lists, pages, bars, menus, dialogs). Like UiBridge.h this header only
// forward-declares Qt types; it is not meant for program code.

#include "platform/ui/Controls.h"
#include "platform/ui/UiBridge.h"

class QWidget;

namespace ui_detail {

// The control's widget as its concrete Qt class (the caller knows it).
template <class W>
W* QtWidget(const TControl* control) {
    return static_cast<W*>(WidgetOf(control));
}

// A composite widget (a combo box with its line edit, a list inside its
// scroll area) receives keys and mouse input in a child widget. This routes
// the child's keys through the control's widget, so the control's key events,
// the form's key preview and shortcuts see them, and lets the control see the
// child's mouse input (positions mapped to the control), so that OnMouseDown
// and OnDblClick fire.
void RouteChildInput(TControl* control, QWidget* child, bool keys, bool mouse);
// True while a routed copy of a child's input is being dispatched: a control
// that also reacts to mouse messages sent to itself (Perform, simulated
// input) must then leave the work to the child.
bool RoutingChildInput();

}  // namespace ui_detail
