// TVmSpeedButton: states, groups, repeat clicks, the drop-down menu and painting.
#include "components/VCLUtils.h"
#include "components/VmCtrls.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/gfx/Bitmap.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Menus.h"

TVmSpeedButton::TVmSpeedButton(TComponent* AOwner)
    : TGraphicControl(AOwner), FGlyph(std::make_unique<TVmButtonGlyph>()) {
    FGlyph->OnChange = [this](TObject*) { Invalidate(); };
    SetBounds(Left(), Top(), 25, 25);
    SetShowHint(true);
}

TVmSpeedButton::~TVmSpeedButton() {
    StopTimer();
    SetDropDownMenu(nullptr);
}

// --- properties

void TVmSpeedButton::SetAlignment(TAlignment Value) { FGlyph->SetAlignment(Value); }
void TVmSpeedButton::SetWordWrap(bool Value) { FGlyph->SetWordWrap(Value); }
void TVmSpeedButton::SetNumGlyphs(Integer Value) { FGlyph->SetNumGlyphs(Value); }

void TVmSpeedButton::SetAllowAllUp(bool Value) {
    if (FAllowAllUp == Value) return;
    FAllowAllUp = Value;
    UpdateExclusive();
}

void TVmSpeedButton::SetAllowTimer(bool Value) {
    if (FAllowTimer == Value) return;
    FAllowTimer = Value;
    if (!Value) StopTimer();
}

void TVmSpeedButton::SetGroupIndex(Integer Value) {
    if (FGroupIndex == Value) return;
    FGroupIndex = Value;
    UpdateExclusive();
}

void TVmSpeedButton::SetDown(bool Value) {
    if (FGroupIndex == 0) Value = false;
    if (FDown == Value) return;
    if (FDown && !FAllowAllUp) return;
    FDown = Value;
    FState = Value ? vbsExclusive : vbsUp;
    Invalidate();
    if (Value) UpdateExclusive();
}

void TVmSpeedButton::SetDropDownMenu(TPopupMenu* Value) {
    if (FDropDownMenu == Value) return;
    if (FDropDownMenu) FDropDownMenu->RemoveFreeNotification(this);
    FDropDownMenu = Value;
    if (Value) Value->FreeNotification(this);
    if (FMarkDropDown) Invalidate();
}

void TVmSpeedButton::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FDropDownMenu) FDropDownMenu = nullptr;
}

void TVmSpeedButton::SetFlat(bool Value) {
    if (FFlat == Value) return;
    FFlat = Value;
    Invalidate();
}

void TVmSpeedButton::SetGrayedInactive(bool Value) {
    if (FGrayedInactive == Value) return;
    FGrayedInactive = Value;
    Invalidate();
}

void TVmSpeedButton::SetLayout(TButtonLayout Value) {
    if (FLayout == Value) return;
    FLayout = Value;
    Invalidate();
}

void TVmSpeedButton::SetMargin(Integer Value) {
    if (Value < -1 || FMargin == Value) return;
    FMargin = Value;
    Invalidate();
}

void TVmSpeedButton::SetMarkDropDown(bool Value) {
    if (FMarkDropDown == Value) return;
    FMarkDropDown = Value;
    Invalidate();
}

void TVmSpeedButton::SetSpacing(Integer Value) {
    if (FSpacing == Value) return;
    FSpacing = Value;
    Invalidate();
}

void TVmSpeedButton::SetStyle(TButtonStyle Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    Invalidate();
}

void TVmSpeedButton::SetTransparent(bool Value) {
    if (FTransparent == Value) return;
    FTransparent = Value;
    Invalidate();
}

// --- groups

// Tells the parent's other controls; a grouped button that is down gives way.
void TVmSpeedButton::UpdateExclusive() {
    if (FGroupIndex == 0 || !Parent()) return;
    TWinControl* parent = Parent();
    for (int i = 0; i < parent->ControlCount(); ++i)
        parent->Controls(i)->Perform(CM_BUTTONPRESSED, FGroupIndex, reinterpret_cast<std::intptr_t>(this));
}

void TVmSpeedButton::ButtonPressed(Integer Group, TVmSpeedButton* Sender) {
    if (Group != FGroupIndex || Sender == this) return;
    if (Sender->Down() && FDown) {
        FDown = false;
        FState = vbsUp;
        Invalidate();
    }
    FAllowAllUp = Sender->AllowAllUp();
}

void TVmSpeedButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_BUTTONPRESSED:
        // Only speed buttons send it, and only to their siblings.
        ButtonPressed(static_cast<Integer>(Message.WParam), reinterpret_cast<TVmSpeedButton*>(Message.LParam));
        return;
    case CM_MOUSEENTER:
        if (Enabled() && ActiveWindowInThisThread()) SetMouseInControl(true);
        return;
    case CM_MOUSELEAVE:
        if (!FDragging) SetMouseInControl(false);
        return;
    default: TGraphicControl::WndProc(Message);
    }
}

void TVmSpeedButton::SetMouseInControl(bool Value) {
    if (FMouseInControl == Value) return;
    FMouseInControl = Value;
    if (FFlat) Invalidate();
    std::weak_ptr<void> alive = AliveToken();
    FireEvent(Value ? OnMouseEnter : OnMouseLeave, this);
}

// --- mouse

bool TVmSpeedButton::Inside(int X, int Y) const {
    return X >= 0 && X < ClientWidth() && Y >= 0 && Y < ClientHeight();
}

TPoint TVmSpeedButton::MenuPoint() const {
    const TPopupAlignment align = FDropDownMenu ? FDropDownMenu->Alignment() : paLeft;
    TPoint p;
    if (FMenuPosition == dmpBottom)
        p = align == paLeft ? Point(-1, Height()) : align == paRight ? Point(Width() + 1, Height())
                                                                     : Point(Width() / 2, Height());
    else
        p = align == paLeft ? Point(Width(), -1) : align == paRight ? Point(-1, -1) : Point(Width() / 2, Height());
    return ClientToScreen(p);
}

void TVmSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (alive.expired() || Button != mbLeft || !Enabled() || FMenuTracking) return;
    if (!FDown) {
        FState = vbsDown;
        Invalidate();
    }
    FDragging = true;
    if (FDropDownMenu && FDropDownMenu->AutoPopup()) {
        // The menu takes the press; the button comes up without a click.
        FMenuTracking = true;
        {
            auto done = ScopeExit([&] {
                if (!alive.expired()) FMenuTracking = false;
            });
            const TPoint at = MenuPoint();
            FDropDownMenu->SetPopupComponent(this);
            FDropDownMenu->Popup(at.x, at.y);
            if (alive.expired()) return;
            MouseUp(mbLeft, Shift, X, Y);
        }
        return;
    }
    if (FAllowTimer) {
        if (!FRepeatTimer) {
            FRepeatTimer = std::make_unique<TTimer>(nullptr);
            FRepeatTimer->OnTimer = [this](TObject*) { TimerExpired(); };
        }
        FRepeatTimer->SetEnabled(false);
        FRepeatTimer->SetInterval(FInitPause);
        FRepeatTimer->SetEnabled(true);
    }
}

void TVmSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    TGraphicControl::MouseMove(Shift, X, Y);
    if (alive.expired() || !FDragging) return;
    TVmButtonState state = FDown ? vbsExclusive : vbsUp;
    if (Inside(X, Y) && !FDown) state = vbsDown;
    if (state != FState) {
        FState = state;
        Invalidate();
    }
}

void TVmSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (alive.expired() || Button != mbLeft || !FDragging) return;
    FDragging = false;
    StopTimer();
    const bool click = Inside(X, Y);
    if (FGroupIndex == 0) {
        FState = vbsUp;
        Invalidate();
    } else if (click) {
        SetDown(!FDown);
        if (FDown) FState = vbsExclusive;
        Invalidate();
    } else {
        if (FDown) FState = vbsExclusive;
        Invalidate();
    }
    if (click && !FMenuTracking) Click();
}

void TVmSpeedButton::DblClick() {
    if (FDown) TGraphicControl::DblClick();
}

void TVmSpeedButton::Click() {
    if (TForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
    TGraphicControl::Click();
}

void TVmSpeedButton::TimerExpired() {
    FRepeatTimer->SetInterval(FRepeatInterval);
    if (FState != vbsDown || !FDragging) return;
    auto stop = ScopeFail([this] { StopTimer(); });
    Click();
}

void TVmSpeedButton::StopTimer() {
    if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
}

void TVmSpeedButton::SetEnabled(bool Value) {
    if (Value == Enabled()) return;
    TGraphicControl::SetEnabled(Value);
    FGlyph->CreateButtonGlyph(!Value ? vbsDisabled : FFlat ? vbsInactive : vbsUp);
    Invalidate();
}

// --- painting

void TVmSpeedButton::DrawFrame(TCanvas* Canvas, TRect& Rect, bool Pressed) {
    const bool newLook = FStyle != bsWin31;
    if (FFlat) {
        if (Pressed)
            Frame3D(Canvas, Rect, clWindowFrame, clBtnHighlight, 1);
        else
            Frame3D(Canvas, Rect, clBtnHighlight, newLook ? clBtnShadow : clWindowFrame, 1);
        return;
    }
    if (newLook) {
        if (Pressed) {
            Frame3D(Canvas, Rect, clWindowFrame, clBtnHighlight, 1);
            Frame3D(Canvas, Rect, clBtnShadow, clBtnFace, 1);
        } else {
            Frame3D(Canvas, Rect, clBtnHighlight, clWindowFrame, 1);
            Frame3D(Canvas, Rect, clBtnFace, clBtnShadow, 1);
        }
        return;
    }
    Frame3D(Canvas, Rect, clWindowFrame, clWindowFrame, 1);
    if (Pressed) {
        Canvas->Pen()->SetColor(clBtnShadow);
        Canvas->MoveTo(Rect.Left, Rect.Bottom - 1);
        Canvas->LineTo(Rect.Left, Rect.Top);
        Canvas->LineTo(Rect.Right, Rect.Top);
        Rect.Left += 1;
        Rect.Top += 1;
    } else {
        Frame3D(Canvas, Rect, clBtnHighlight, clBtnShadow, 1);
    }
}

void TVmSpeedButton::Paint() {
    if (!Enabled()) {
        FState = vbsDisabled;
        FDragging = false;
    } else if (FState == vbsDisabled) {
        FState = FDown && FGroupIndex != 0 ? vbsExclusive : vbsUp;
    }
    const bool designing = ComponentState().Contains(csDesigning);
    const TVmButtonState paintState = FFlat && !FMouseInControl && !designing ? vbsInactive : FState;
    TCanvas* canvas = Canvas();
    TRect rect = ClientRect();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(clBtnFace);
    if (FTransparent)
        PaintParentBackground(this, canvas);
    else
        canvas->FillRect(rect);
    if (!(paintState == vbsInactive && FState != vbsExclusive))
        DrawFrame(canvas, rect, FState == vbsDown || FState == vbsExclusive);
    else
        rect = Rect(rect.Left + 2, rect.Top + 2, rect.Right - 2, rect.Bottom - 2);
    if (FState == vbsExclusive && !FTransparent && (!FFlat || paintState == vbsInactive)) {
        // The checker of a button held down.
        const TColor face = ColorToRGB(clBtnFace), light = ColorToRGB(clBtnHighlight);
        for (Integer y = rect.Top; y < rect.Bottom; ++y)
            for (Integer x = rect.Left; x < rect.Right; ++x) canvas->SetPixel(x, y, ((x + y) & 1) ? face : light);
    }
    TPoint offset{0, 0};
    if (FState == vbsDown || FState == vbsExclusive) offset = Point(1, 1);
    const TVmButtonState glyphState = FGrayedInactive && FState != vbsDisabled ? paintState : FState;
    canvas->Font()->Assign(Font());
    FGlyph->Draw(canvas, rect, offset, Caption(), FLayout, FMargin, FSpacing, FDropDownMenu && FMarkDropDown,
                 glyphState);
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TButtonStyle) {
    static const TEnumType t{"TButtonStyle", {"bsAutoDetect", "bsWin31", "bsNew"}};
    return t;
}

const TEnumType& EnumTypeInfo(TVmDropDownMenuPos) {
    static const TEnumType t{"TVmDropDownMenuPos", {"dmpBottom", "dmpRight"}};
    return t;
}

VEMLOR_PUBLISHED(TVmSpeedButton, TGraphicControl) {
    Prop("Action", &TVmSpeedButton::Action, &TVmSpeedButton::SetAction);
    Prop("Alignment", &TVmSpeedButton::Alignment, &TVmSpeedButton::SetAlignment);
    Prop("AllowAllUp", &TVmSpeedButton::AllowAllUp, &TVmSpeedButton::SetAllowAllUp);
    Prop("AllowTimer", &TVmSpeedButton::AllowTimer, &TVmSpeedButton::SetAllowTimer);
    Prop("GroupIndex", &TVmSpeedButton::GroupIndex, &TVmSpeedButton::SetGroupIndex);
    Prop("Down", &TVmSpeedButton::Down, &TVmSpeedButton::SetDown);
    Prop("DropDownMenu", &TVmSpeedButton::DropDownMenu, &TVmSpeedButton::SetDropDownMenu);
    Prop("MenuPosition", &TVmSpeedButton::MenuPosition, &TVmSpeedButton::SetMenuPosition);
    Prop("Caption", &TVmSpeedButton::Caption, &TVmSpeedButton::SetCaption);
    Prop("Flat", &TVmSpeedButton::Flat, &TVmSpeedButton::SetFlat);
    Prop("Glyph", &TVmSpeedButton::Glyph, &TVmSpeedButton::SetGlyph);
    Prop("GrayedInactive", &TVmSpeedButton::GrayedInactive, &TVmSpeedButton::SetGrayedInactive);
    Prop("InitPause", &TVmSpeedButton::InitPause, &TVmSpeedButton::SetInitPause);
    Prop("Layout", &TVmSpeedButton::Layout, &TVmSpeedButton::SetLayout);
    Prop("Margin", &TVmSpeedButton::Margin, &TVmSpeedButton::SetMargin);
    Prop("MarkDropDown", &TVmSpeedButton::MarkDropDown, &TVmSpeedButton::SetMarkDropDown);
    Prop("ModalResult", &TVmSpeedButton::ModalResult, &TVmSpeedButton::SetModalResult);
    Prop("NumGlyphs", &TVmSpeedButton::NumGlyphs, &TVmSpeedButton::SetNumGlyphs);
    Prop("RepeatInterval", &TVmSpeedButton::RepeatInterval, &TVmSpeedButton::SetRepeatInterval);
    Prop("Spacing", &TVmSpeedButton::Spacing, &TVmSpeedButton::SetSpacing);
    Prop("Style", &TVmSpeedButton::Style, &TVmSpeedButton::SetStyle);
    Prop("Transparent", &TVmSpeedButton::Transparent, &TVmSpeedButton::SetTransparent);
    Prop("WordWrap", &TVmSpeedButton::WordWrap, &TVmSpeedButton::SetWordWrap);
}
VEMLOR_REGISTER_CLASS(TVmSpeedButton);
