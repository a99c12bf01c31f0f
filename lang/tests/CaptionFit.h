#pragma once
// Whether the texts a window shows fit the controls that show them, measured
// with each control's own font through the platform's text measuring (the
// font Qt draws with), plus the room the window style takes around a text:
// a check box's box, a button's frame, a tab's padding. A tool button must
// end within its bar, before any other control placed in the bar.

#include <vector>

#include "platform/rtl/System.h"

class TControl;
class TWinControl;

// One line per text that does not fit: "Label7 'Počet ...' needs 231 px, has
// 250 - 262". Hidden controls are left out; every page of a page control is
// checked, the one shown or not.
std::vector<AnsiString> CaptionsThatDoNotFit(TWinControl* Window);

// The same for one control.
std::vector<AnsiString> CaptionThatDoesNotFit(TControl* Control);
