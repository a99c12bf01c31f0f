#include "CaptionFit.h"

#include <algorithm>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/GraphicsObjects.h"
#include "platform/ui/Bars.h"
#include "platform/ui/BitBtn.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/Containers.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Tabs.h"

namespace {

// Room the window style (Fusion) takes beside a text: the indicator and its
// gap, a button's frame on both sides, a group box's title inset on both
// sides, a tab's padding on both sides, a panel's bevel.
constexpr Integer kIndicatorRoom = 20;
constexpr Integer kButtonRoom = 8;
constexpr Integer kGroupTitleRoom = 16;
constexpr Integer kTabRoom = 20;
constexpr Integer kPanelRoom = 4;

// What is drawn: "&x" underlines x, "&&" is one "&".
AnsiString Shown(const AnsiString& Caption) {
    AnsiString text;
    for (size_t i = 0; i < Caption.size(); ++i) {
        if (Caption[i] == '&' && i + 1 < Caption.size()) ++i;
        text += Caption[i];
    }
    return text;
}

// The widest line of the text, and the height of all its lines.
TPoint Extent(const TFont& Font, const AnsiString& Caption) {
    const AnsiString text = Shown(Caption);
    TPoint extent{0, 0};
    size_t start = 0;
    for (;;) {
        const size_t end = text.find("\r\n", start);
        const TPoint line = MeasureText(Font, text.substr(start, end - start));
        extent.x = std::max(extent.x, line.x);
        extent.y += line.y;
        if (end == AnsiString::npos) break;
        start = end + 2;
    }
    return extent;
}

AnsiString Problem(const TControl* Control, const AnsiString& Text, Integer Needs, Integer Has) {
    return Control->Name() + " '" + Text + "' needs " + std::to_string(Needs) + " px, has " +
           std::to_string(Has);
}

// An auto-sized label grows to the right: up to the parent's edge and the
// first control beside it.
Integer RoomRightOf(const TControl* Control) {
    const TWinControl* parent = Control->Parent();
    if (!parent) return Control->Width();
    Integer right = parent->ClientWidth();
    for (int i = 0; i < parent->ControlCount(); ++i) {
        const TControl* other = parent->Controls(i);
        if (other == Control || !other->Visible() || other->Left() <= Control->Left()) continue;
        const bool besides = other->Top() < Control->Top() + Control->Height() &&
                             Control->Top() < other->Top() + other->Height();
        if (besides) right = std::min(right, other->Left());
    }
    return right - Control->Left();
}

// A tool bar lays its buttons out side by side as wide as their texts and
// never wraps them: a longer text pushes the buttons after it past the bar's
// end or under a control placed in the bar.
void CheckToolButton(const TToolButton* Button, std::vector<AnsiString>& Problems) {
    const TToolBar* bar = Button->ToolBar();
    if (!bar || Button->Style() == tbsSeparator || Button->Style() == tbsDivider) return;
    const Integer right = Button->Left() + Button->Width();
    Integer room = bar->ClientWidth();
    for (int i = 0; i < bar->ControlCount(); ++i) {
        const TControl* other = bar->Controls(i);
        if (!dynamic_cast<const TToolButton*>(other) && other->Visible() && other->Left() >= Button->Left())
            room = std::min(room, other->Left());
    }
    if (right > room) Problems.push_back(Problem(Button, Button->Caption(), right, room));
}

}  // namespace

std::vector<AnsiString> CaptionThatDoesNotFit(TControl* Control) {
    std::vector<AnsiString> problems;
    auto check = [&](const AnsiString& Text, Integer Needs, Integer Has) {
        if (Needs > Has) problems.push_back(Problem(Control, Text, Needs, Has));
    };
    const TFont& font = *Control->Font();
    if (auto* pages = dynamic_cast<TPageControl*>(Control)) {
        Integer needs = 0;
        AnsiString all;
        for (Integer i = 0; i < pages->PageCount(); ++i) {
            if (!pages->Pages(i)->TabVisible()) continue;
            needs += Extent(font, pages->Pages(i)->Caption()).x + kTabRoom;
            all += (all.empty() ? "" : " | ") + pages->Pages(i)->Caption();
        }
        check(all, needs, pages->Width());
        return problems;
    }
    if (auto* button = dynamic_cast<TToolButton*>(Control)) {
        CheckToolButton(button, problems);
        return problems;
    }
    const AnsiString caption = Control->Caption();
    if (caption.empty() || dynamic_cast<TTabSheet*>(Control)) return problems;
    const TPoint extent = Extent(font, caption);
    if (auto* label = dynamic_cast<TLabel*>(Control)) {
        if (label->WordWrap()) {
            TRect rect = Rect(0, 0, label->Width(), 0);
            DrawText(font, Shown(caption), rect, DT_WORDBREAK | DT_EXPANDTABS | DT_CALCRECT);
            check(caption, rect.Bottom, label->Height());
        } else if (label->AutoSize()) {
            check(caption, extent.x, RoomRightOf(label));
        } else {
            check(caption, extent.x, label->Width());
            check(caption, extent.y, label->Height());
        }
    } else if (dynamic_cast<TCheckBox*>(Control) || dynamic_cast<TRadioButton*>(Control)) {
        check(caption, extent.x + kIndicatorRoom, Control->Width());
    } else if (auto* bitBtn = dynamic_cast<TBitBtn*>(Control)) {
        const Integer glyph = bitBtn->Glyph()->Empty() ? 0 : bitBtn->Glyph()->Width() / bitBtn->NumGlyphs() + 4;
        check(caption, extent.x + glyph + kButtonRoom, Control->Width());
    } else if (dynamic_cast<TButton*>(Control) || dynamic_cast<TSpeedButton*>(Control)) {
        check(caption, extent.x + kButtonRoom, Control->Width());
    } else if (dynamic_cast<TGroupBox*>(Control)) {
        check(caption, extent.x + kGroupTitleRoom, Control->Width());
    } else if (dynamic_cast<TPanel*>(Control)) {
        check(caption, extent.x + kPanelRoom, Control->Width());
    }
    return problems;
}

std::vector<AnsiString> CaptionsThatDoNotFit(TWinControl* Window) {
    std::vector<AnsiString> problems;
    for (int i = 0; i < Window->ControlCount(); ++i) {
        TControl* control = Window->Controls(i);
        // A page that is not shown is still a page the user can choose.
        if (!control->Visible() && !dynamic_cast<TTabSheet*>(control)) continue;
        for (AnsiString& problem : CaptionThatDoesNotFit(control)) problems.push_back(std::move(problem));
        if (auto* inner = dynamic_cast<TWinControl*>(control))
            for (AnsiString& problem : CaptionsThatDoNotFit(inner)) problems.push_back(std::move(problem));
    }
    return problems;
}
