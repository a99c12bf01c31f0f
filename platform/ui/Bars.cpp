#include "platform/ui/Bars.h"

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

// ---------------------------------------------------------------------------
// TStatusPanel

void TStatusPanel::SetText(const AnsiString& Value) {
    if (FText == Value) return;
    FText = Value;
    FOwner->Invalidate();
}

void TStatusPanel::SetWidth(Integer Value) {
    if (Value < 0) Value = 0;
    if (FWidth == Value) return;
    FWidth = Value;
    FOwner->Invalidate();
}

void TStatusPanel::SetStyle(TStatusPanelStyle Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    FOwner->Invalidate();
}

void TStatusPanel::SetBevel(TStatusPanelBevel Value) {
    if (FBevel == Value) return;
    FBevel = Value;
    FOwner->Invalidate();
}

void TStatusPanel::SetAlignment(TAlignment Value) {
    if (FAlignment == Value) return;
    FAlignment = Value;
    FOwner->Invalidate();
}

Integer TStatusPanel::Index() const {
    const auto& items = FOwner->FPanels.FItems;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == this) return static_cast<Integer>(i);
    return -1;
}

TStatusPanel* TStatusPanels::Add() {
    FItems.push_back(std::make_unique<TStatusPanel>(FOwner));
    FOwner->Invalidate();
    return FItems.back().get();
}

TStatusPanel* TStatusPanels::Items(Integer Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return FItems[static_cast<std::size_t>(Index)].get();
}

void TStatusPanels::Delete(Integer Index) {
    Items(Index);
    FItems.erase(FItems.begin() + Index);
    FOwner->Invalidate();
}

void TStatusPanels::Clear() {
    FItems.clear();
    FOwner->Invalidate();
}

// ---------------------------------------------------------------------------
// TStatusBar

TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner) {
    SetColor(clBtnFace);
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::SetSimplePanel(bool Value) {
    if (FSimplePanel == Value) return;
    FSimplePanel = Value;
    Invalidate();
}

void TStatusBar::SetSimpleText(const AnsiString& Value) {
    if (FSimpleText == Value) return;
    FSimpleText = Value;
    Invalidate();
}

void TStatusBar::SetSizeGrip(bool Value) {
    if (FSizeGrip == Value) return;
    FSizeGrip = Value;
    Invalidate();
}

TRect TStatusBar::PanelRect(Integer Index) const {
    const Integer top = 2, bottom = Height();
    if (FSimplePanel) return Rect(0, top, Width(), bottom);
    Integer x = 0;
    for (Integer i = 0; i < FPanels.Count(); ++i) {
        const bool last = i == FPanels.Count() - 1;
        const Integer right = last ? std::max(Width(), x) : x + FPanels.Items(i)->Width();
        if (i == Index) return Rect(x, top, right, bottom);
        // Panels are parted by two pixels.
        x = right + 2;
    }
    return TRect{};
}

void TStatusBar::Paint() {
    TCanvas* canvas = Canvas();
    const TColor light = ColorToRGB(clBtnHighlight), shadow = ColorToRGB(clBtnShadow);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(ColorToRGB(Color()));
    canvas->FillRect(ClientRect());
    auto drawText = [&](const AnsiString& text, TRect r, TAlignment alignment) {
        r.Left += 2;
        r.Right -= 2;
        Cardinal flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
        if (alignment == taCenter) flags |= DT_CENTER;
        if (alignment == taRightJustify) flags |= DT_RIGHT;
        canvas->Brush()->SetStyle(bsClear);
        DrawText(canvas, text, r, flags);
        canvas->Brush()->SetStyle(bsSolid);
    };
    if (FSimplePanel) {
        TRect r = PanelRect(0);
        drawText(FSimpleText, r, taLeftJustify);
    } else {
        for (Integer i = 0; i < FPanels.Count(); ++i) {
            TStatusPanel* panel = FPanels.Items(i);
            TRect r = PanelRect(i);
            if (panel->Bevel() != pbNone) {
                const bool lowered = panel->Bevel() == pbLowered;
                Frame3D(canvas, r, lowered ? shadow : light, lowered ? light : shadow, 1);
            }
            if (panel->Style() == psOwnerDraw) {
                if (OnDrawPanel) {
                    canvas->Font()->Assign(Font());
                    TDrawPanelEvent handler = OnDrawPanel;
                    handler(this, panel, r);
                }
                continue;
            }
            drawText(panel->Text(), r, panel->Alignment());
        }
    }
    TForm* form = GetParentForm(this);
    if (FSizeGrip && form && Align() == alBottom &&
        (form->BorderStyle() == bsSizeable || form->BorderStyle() == bsSizeToolWin)) {
        // Three pairs of diagonal lines in the corner.
        const Integer w = Width(), h = Height();
        for (Integer k = 0; k < 3; ++k) {
            const Integer d = 4 * k + 3;
            canvas->Pen()->SetColor(shadow);
            canvas->MoveTo(w - d, h - 1);
            canvas->LineTo(w, h - 1 - d);
            canvas->Pen()->SetColor(light);
            canvas->MoveTo(w - d - 1, h - 1);
            canvas->LineTo(w, h - 2 - d);
        }
    }
}

// ---------------------------------------------------------------------------
// TToolButton

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetParentColor(true);
    SetBounds(0, 0, 23, 22);
}

TToolButton::~TToolButton() {
    SetMenuItem(nullptr);
    SetDropdownMenu(nullptr);
    // The buttons after this one close up.
    if (TToolBar* bar = ToolBar(); bar && !bar->ComponentState().Contains(csDestroying)) SetParent(nullptr);
}

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(Parent()); }

void TToolButton::SetParent(TWinControl* Value) {
    TToolBar* old = ToolBar();
    TGraphicControl::SetParent(Value);
    if (old && old != Value) old->ArrangeButtons();
    if (TToolBar* bar = ToolBar()) bar->ArrangeButtons();
}

void TToolButton::SetStyle(TToolButtonStyle Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    if (Value != tbsCheck) FDown = false;
    if (TToolBar* bar = ToolBar()) bar->ArrangeButtons();
    Invalidate();
}

void TToolButton::SetDown(bool Value) {
    if (FDown == Value) return;
    FDown = Value;
    Invalidate();
    if (Value && FGrouped) UpdateGroup();
}

// Grouped check buttons next to each other form a group.
void TToolButton::UpdateGroup() {
    TToolBar* bar = ToolBar();
    if (!bar) return;
    const Integer n = bar->ButtonCount();
    Integer self = -1;
    for (Integer i = 0; i < n; ++i)
        if (bar->Buttons(i) == this) self = i;
    if (self < 0) return;
    auto sibling = [](TToolButton* b) { return b->FGrouped && b->FStyle == tbsCheck; };
    for (Integer i = self - 1; i >= 0 && sibling(bar->Buttons(i)); --i) bar->Buttons(i)->SetDown(false);
    for (Integer i = self + 1; i < n && sibling(bar->Buttons(i)); ++i) bar->Buttons(i)->SetDown(false);
}

void TToolButton::SetImageIndex(Integer Value) {
    if (FImageIndex == Value) return;
    FImageIndex = Value;
    Invalidate();
}

void TToolButton::SetMenuItem(TMenuItem* Value) {
    if (FMenuItem == Value) return;
    // The free-notification link stays: it may serve another reference
    // between the same two components, and a notice about a component no
    // longer held is ignored.
    FMenuItem = Value;
    if (Value) {
        Value->FreeNotification(this);
        SetCaption(Value->Caption());
        SetHint(Value->Hint());
        SetEnabled(Value->Enabled());
    }
}

void TToolButton::SetDropdownMenu(TPopupMenu* Value) {
    if (FDropdownMenu == Value) return;
    FDropdownMenu = Value;
    if (Value) Value->FreeNotification(this);
}

void TToolButton::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FMenuItem) FMenuItem = nullptr;
    if (AComponent == FDropdownMenu) FDropdownMenu = nullptr;
}

bool TToolButton::CheckMenuDropdown() {
    if (!FDropdownMenu) return false;
    const TPoint p = ClientToScreen(Point(0, Height()));
    FDropdownMenu->SetPopupComponent(this);
    FDropdownMenu->Popup(p.x, p.y);
    return true;
}

void TToolButton::Click() {
    if (FStyle == tbsSeparator || FStyle == tbsDivider) return;
    std::weak_ptr<void> alive = AliveToken();
    if (FStyle == tbsCheck) {
        if (!FDown)
            SetDown(true);
        else if (!FGrouped || FAllowAllUp)
            SetDown(false);
    }
    if (FMenuItem) {
        FMenuItem->Click();
        if (alive.expired()) return;
    }
    if (!OnClick && FDropdownMenu) {
        CheckMenuDropdown();
        return;
    }
    TGraphicControl::Click();
}

void TToolButton::TextChanged() {
    if (TToolBar* bar = ToolBar()) bar->ArrangeButtons();
    Invalidate();
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && Enabled() && FStyle != tbsSeparator && FStyle != tbsDivider) {
        // The drop-down arrow opens the menu at once.
        if (FStyle == tbsDropDown && X >= Width() - 12) {
            std::weak_ptr<void> alive = AliveToken();
            CheckMenuDropdown();
            if (alive.expired()) return;
        } else {
            FPressed = true;
            Invalidate();
        }
    }
    TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (alive.expired() || Button != mbLeft || !FPressed) return;
    FPressed = false;
    Invalidate();
    if (X >= 0 && Y >= 0 && X < Width() && Y < Height()) Click();
}

void TToolButton::WndProc(TMessage& Message) {
    if (Message.Msg == CM_MOUSEENTER || Message.Msg == CM_MOUSELEAVE) {
        FMouseInControl = Message.Msg == CM_MOUSEENTER;
        Invalidate();
    }
    TGraphicControl::WndProc(Message);
}

void TToolButton::Paint() {
    TCanvas* canvas = Canvas();
    TRect r = ClientRect();
    const TColor light = ColorToRGB(clBtnHighlight), shadow = ColorToRGB(clBtnShadow);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(ColorToRGB(Color()));
    canvas->FillRect(r);
    if (FStyle == tbsSeparator) return;
    if (FStyle == tbsDivider) {
        const Integer x = Width() / 2 - 1;
        canvas->Pen()->SetColor(shadow);
        canvas->MoveTo(x, 2);
        canvas->LineTo(x, Height() - 2);
        canvas->Pen()->SetColor(light);
        canvas->MoveTo(x + 1, 2);
        canvas->LineTo(x + 1, Height() - 2);
        return;
    }
    TToolBar* bar = ToolBar();
    const bool flat = bar && bar->Flat();
    const bool pushed = FPressed || FDown;
    if (pushed)
        Frame3D(canvas, r, shadow, light, 1);
    else if (!flat || (FMouseInControl && Enabled()))
        Frame3D(canvas, r, light, shadow, 1);
    TRect textRect = ClientRect();
    if (FStyle == tbsDropDown) {
        // The arrow part on the right.
        const Integer ax = Width() - 8, ay = Height() / 2 - 1;
        canvas->Pen()->SetColor(ColorToRGB(Enabled() ? clBtnText : clGrayText));
        for (Integer i = 0; i < 3; ++i) {
            canvas->MoveTo(ax - 2 + i, ay + i);
            canvas->LineTo(ax + 3 - i, ay + i);
        }
        textRect.Right -= 12;
    }
    const bool showCaption = !bar || bar->ShowCaptions() || FImageIndex < 0;
    TImageList* images = bar ? bar->Images() : nullptr;
    if (images && FImageIndex >= 0 && FImageIndex < images->Count()) {
        // Centred, or at the top with the caption under it; a pushed button
        // moves its picture one pixel down and right like its caption.
        const Integer x = textRect.Left + (textRect.Width() - images->Width()) / 2 + (pushed ? 1 : 0);
        const bool captionBelow = showCaption && !Caption().empty();
        const Integer y = (captionBelow ? 2 : (textRect.Height() - images->Height()) / 2) + (pushed ? 1 : 0);
        images->Draw(canvas, x, y, FImageIndex, Enabled());
        if (captionBelow) textRect.Top = y + images->Height() - (pushed ? 1 : 0);
    }
    if (showCaption && !Caption().empty()) {
        if (pushed) {
            textRect.Left += 1;
            textRect.Top += 1;
        }
        canvas->Brush()->SetStyle(bsClear);
        canvas->Font()->SetColor(ColorToRGB(Enabled() ? clBtnText : clGrayText));
        DrawText(canvas, Caption(), textRect, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS);
    }
}

// ---------------------------------------------------------------------------
// TToolBar

TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
    SetColor(clBtnFace);
    SetBounds(0, 0, 150, 29);
    SetAlign(alTop);
    FImageChangeLink.OnChange = [this](TObject* Sender) { ImageListChange(Sender); };
}

TToolBar::~TToolBar() = default;

Integer TToolBar::ButtonCount() const {
    Integer n = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (dynamic_cast<TToolButton*>(Controls(i))) ++n;
    return n;
}

TToolButton* TToolBar::Buttons(Integer Index) const {
    Integer n = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* b = dynamic_cast<TToolButton*>(Controls(i))) {
            if (n == Index) return b;
            ++n;
        }
    throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
}

void TToolBar::ArrangeButtons() {
    if (FArranging || ComponentState().Contains(csDestroying)) return;
    FArranging = true;
    Integer x = FIndent;
    const Integer top = 2;
    for (int i = 0; i < ControlCount(); ++i) {
        auto* b = dynamic_cast<TToolButton*>(Controls(i));
        if (!b || !b->Visible()) continue;
        Integer w = FButtonWidth;
        if (b->Style() == tbsSeparator || b->Style() == tbsDivider) {
            w = 8;
        } else {
            if (FShowCaptions || b->ImageIndex() < 0) {
                TRect calc = Rect(0, 0, 0, 0);
                DrawText(*b->Font(), b->Caption(), calc, DT_SINGLELINE);
                w = std::max<Integer>(w, calc.Right + 10);
            }
            if (b->Style() == tbsDropDown) w += 12;
        }
        b->SetBounds(x, top, w, FButtonHeight);
        x += w;
    }
    FArranging = false;
}

void TToolBar::SetButtonWidth(Integer Value) {
    if (Value < 1 || FButtonWidth == Value) return;
    FButtonWidth = Value;
    ArrangeButtons();
}

void TToolBar::SetButtonHeight(Integer Value) {
    if (Value < 1 || FButtonHeight == Value) return;
    FButtonHeight = Value;
    ArrangeButtons();
}

void TToolBar::SetFlat(bool Value) {
    if (FFlat == Value) return;
    FFlat = Value;
    for (Integer i = 0; i < ButtonCount(); ++i) Buttons(i)->Invalidate();
    Invalidate();
}

void TToolBar::SetShowCaptions(bool Value) {
    if (FShowCaptions == Value) return;
    FShowCaptions = Value;
    ArrangeButtons();
}

void TToolBar::SetIndent(Integer Value) {
    if (FIndent == Value) return;
    FIndent = Value;
    ArrangeButtons();
}

void TToolBar::SetImages(TImageList* Value) {
    if (FImages == Value) return;
    if (FImages) FImages->UnRegisterChanges(&FImageChangeLink);
    // The free-notification link stays, as for the buttons' menus.
    FImages = Value;
    if (Value) {
        Value->RegisterChanges(&FImageChangeLink);
        Value->FreeNotification(this);
    }
    ImageListChange(Value);
}

void TToolBar::ImageListChange(TObject*) {
    if (ComponentState().Contains(csDestroying)) return;
    for (Integer i = 0; i < ButtonCount(); ++i) Buttons(i)->Invalidate();
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) {
        FImages = nullptr;
        ImageListChange(nullptr);
    }
}

void TToolBar::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(ColorToRGB(Color()));
    canvas->FillRect(ClientRect());
    // The etched line along the top edge.
    canvas->Pen()->SetColor(ColorToRGB(clBtnShadow));
    canvas->MoveTo(0, 0);
    canvas->LineTo(Width(), 0);
    canvas->Pen()->SetColor(ColorToRGB(clBtnHighlight));
    canvas->MoveTo(0, 1);
    canvas->LineTo(Width(), 1);
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TStatusPanelStyle) {
    static const TEnumType t{"TStatusPanelStyle", {"psText", "psOwnerDraw"}};
    return t;
}
const TEnumType& EnumTypeInfo(TStatusPanelBevel) {
    static const TEnumType t{"TStatusPanelBevel", {"pbNone", "pbLowered", "pbRaised"}};
    return t;
}
const TEnumType& EnumTypeInfo(TToolButtonStyle) {
    static const TEnumType t{"TToolButtonStyle", {"tbsButton", "tbsCheck", "tbsDropDown", "tbsSeparator", "tbsDivider"}};
    return t;
}

VEMLOR_PUBLISHED(TStatusPanel, TObject) {
    Prop("Alignment", &TStatusPanel::Alignment, &TStatusPanel::SetAlignment);
    Prop("Bevel", &TStatusPanel::Bevel, &TStatusPanel::SetBevel);
    Prop("Style", &TStatusPanel::Style, &TStatusPanel::SetStyle);
    Prop("Text", &TStatusPanel::Text, &TStatusPanel::SetText);
    Prop("Width", &TStatusPanel::Width, &TStatusPanel::SetWidth);
}

VEMLOR_PUBLISHED(TStatusBar, TCustomControl) {
    CollectionProp("Panels", &TStatusBar::Panels);
    Prop("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel);
    Prop("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText);
    Prop("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip);
    EventProp("OnDrawPanel", &TStatusBar::OnDrawPanel);
}
VEMLOR_REGISTER_CLASS(TStatusBar);

VEMLOR_PUBLISHED(TToolButton, TGraphicControl) {
    // The style first: a form file sets Down on a check button.
    Prop("Style", &TToolButton::Style, &TToolButton::SetStyle);
    Prop("AllowAllUp", &TToolButton::AllowAllUp, &TToolButton::SetAllowAllUp);
    Prop("Caption", &TToolButton::Caption, &TToolButton::SetCaption);
    Prop("Down", &TToolButton::Down, &TToolButton::SetDown);
    Prop("DropdownMenu", &TToolButton::DropdownMenu, &TToolButton::SetDropdownMenu);
    Prop("Grouped", &TToolButton::Grouped, &TToolButton::SetGrouped);
    Prop("ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex);
    Prop("MenuItem", &TToolButton::MenuItem, &TToolButton::SetMenuItem);
}
VEMLOR_REGISTER_CLASS(TToolButton);

VEMLOR_PUBLISHED(TToolBar, TCustomControl) {
    Prop("ButtonHeight", &TToolBar::ButtonHeight, &TToolBar::SetButtonHeight);
    Prop("ButtonWidth", &TToolBar::ButtonWidth, &TToolBar::SetButtonWidth);
    Prop("Flat", &TToolBar::Flat, &TToolBar::SetFlat);
    Prop("Images", &TToolBar::Images, &TToolBar::SetImages);
    Prop("Indent", &TToolBar::Indent, &TToolBar::SetIndent);
    Prop("ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions);
}
VEMLOR_REGISTER_CLASS(TToolBar);
