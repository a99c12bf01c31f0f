#include "components/ToolEdit.h"

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/gfx/Bitmap.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/EdgeDraw.h"
#include "platform/ui/Forms.h"

namespace {

constexpr Integer kDefaultButtonWidth = 21;

// The combo box's arrow: a triangle of 7, 5, 3 and 1 black pixels.
std::unique_ptr<TBitmap> ComboArrowBitmap() {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(7, 4);
    bmp->Canvas()->Brush()->SetColor(clBtnFace);
    bmp->Canvas()->FillRect(Rect(0, 0, 7, 4));
    for (Integer row = 0; row < 4; ++row)
        for (Integer x = row; x < 7 - row; ++x) bmp->SetPixel(x, row, clBlack);
    return bmp;
}

// Three 2 x 2 dots in a monochrome bitmap for a button Width wide.
std::unique_ptr<TBitmap> EllipsisBitmap(Integer ButtonWidth) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(pf1bit);
    const Integer w = std::max<Integer>(1, ButtonWidth - 6);
    bmp->SetSize(w, 4);
    bmp->Canvas()->Brush()->SetColor(clWhite);
    bmp->Canvas()->FillRect(Rect(0, 0, w, 4));
    const Integer gap = std::clamp<Integer>((w - 6) / 2, 1, 3);
    const Integer start = (w - 6 - 2 * gap) / 2;
    bmp->Canvas()->Brush()->SetColor(clBlack);
    for (Integer i = 0; i < 3; ++i) bmp->Canvas()->FillRect(Bounds(start + i * (2 + gap), 1, 2, 2));
    return bmp;
}

}  // namespace

// ---------------------------------------------------------------------------
// TEditButton

TEditButton::TEditButton(TComponent* AOwner) : TVmSpeedButton(AOwner) {}

TEditButton::~TEditButton() = default;

void TEditButton::Click() {
    if (FNoAction) {
        FNoAction = false;
        return;
    }
    TVmSpeedButton::Click();
}

void TEditButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && FEdit) {
        std::weak_ptr<void> alive = AliveToken();
        FEdit->ButtonMouseDown();
        if (alive.expired()) return;
    }
    TVmSpeedButton::MouseDown(Button, Shift, X, Y);
}

void TEditButton::Paint() {
    TVmSpeedButton::Paint();
    if (State() == vbsDown) return;
    TCanvas* canvas = Canvas();
    canvas->Pen()->SetColor(clBtnFace);
    canvas->MoveTo(0, 0);
    canvas->LineTo(0, Height());
    canvas->Pen()->SetColor(clBtnHighlight);
    canvas->MoveTo(1, 1);
    canvas->LineTo(1, Height() - 1);
}

// ---------------------------------------------------------------------------
// TCustomComboEdit

TCustomComboEdit::TCustomComboEdit(TComponent* AOwner) : TMaskEdit(AOwner) {
    FClickKey = ShortCut(VK_DOWN, TShiftState{ssAlt});
    FBtnControl = new TCustomControl(this);
    FBtnControl->SetColor(clBtnFace);
    FBtnControl->SetBounds(0, 0, kDefaultButtonWidth, 17);
    FBtnControl->SetParent(this);
    FButton = new TEditButton(this);
    FButton->FEdit = this;
    FButton->SetBounds(0, 0, kDefaultButtonWidth, 17);
    FButton->SetParent(FBtnControl);
    FButton->OnClick = [this](TObject*) { EditButtonClick(); };
    SetHeight(21);
    UpdateButtonBounds();
}

TCustomComboEdit::~TCustomComboEdit() {
    Destroying();
    FButton->OnClick = nullptr;
    FButton->FEdit = nullptr;
}

// --- properties

void TCustomComboEdit::SetAlignment(TAlignment Value) {
    if (FAlignment == Value) return;
    FAlignment = Value;
    SetTextAlignment(Value);
}

void TCustomComboEdit::SetButtonWidth(Integer Value) {
    if (ButtonWidth() == Value) return;
    FBtnControl->SetVisible(Value > 1);
    if (Value < ClientWidth()) {
        FButton->SetWidth(Value);
        UpdateButtonBounds();
    }
    FButtonFixedWidth = false;
    RecreateGlyph();
}

void TCustomComboEdit::SetDirectInput(bool Value) {
    FDirectInput = Value;
    TMaskEdit::SetReadOnly(FReadOnly || !FDirectInput);
}

void TCustomComboEdit::SetReadOnly(bool Value) {
    FReadOnly = Value;
    SetDirectInput(FDirectInput);
}

void TCustomComboEdit::SetGlyph(TBitmap* Value) {
    FButton->SetGlyph(Value);
    FGlyphKind = gkCustom;
}

void TCustomComboEdit::SetNumGlyphs(Integer Value) { FButton->SetNumGlyphs(std::clamp<Integer>(Value, 1, 4)); }

void TCustomComboEdit::SetGlyphKind(TGlyphKind Value) {
    if (FGlyphKind == Value) return;
    FGlyphKind = Value;
    if (Value == gkCustom && ComponentState().Contains(csReading)) FButton->SetGlyph(nullptr);
    RecreateGlyph();
    if (Value == gkDefault && !FButton->Glyph()->Empty()) {
        SetButtonWidth(std::max(FButton->Glyph()->Width() / FButton->NumGlyphs() + 6, ButtonWidth()));
    } else if (Value == gkDropDown) {
        SetButtonWidth(GetSystemMetrics(SM_CXVSCROLL));
        FButtonFixedWidth = true;
    }
}

Integer TCustomComboEdit::DefaultButtonWidth() const {
    switch (FGlyphKind) {
    case gkDefault:
        if (!FButton->Glyph()->Empty())
            return std::max(FButton->Glyph()->Width() / FButton->NumGlyphs() + 6, kDefaultButtonWidth);
        return kDefaultButtonWidth;
    case gkDropDown: return GetSystemMetrics(SM_CXVSCROLL);
    default: return kDefaultButtonWidth;
    }
}

TBitmap* TCustomComboEdit::GetDefaultBitmap(bool& DestroyNeeded) {
    DestroyNeeded = false;
    return nullptr;
}

void TCustomComboEdit::RecreateGlyph() {
    switch (FGlyphKind) {
    case gkCustom: return;
    case gkDefault: {
        bool destroy = false;
        TBitmap* bitmap = GetDefaultBitmap(destroy);
        auto release = ScopeExit([&] {
            if (destroy) delete bitmap;
        });
        FButton->SetGlyph(bitmap);
        FButton->SetNumGlyphs(FDefNumGlyphs);
        break;
    }
    case gkDropDown:
        FButton->SetGlyph(ComboArrowBitmap().get());
        FButton->SetNumGlyphs(1);
        break;
    case gkEllipsis:
        FButton->SetGlyph(EllipsisBitmap(ButtonWidth()).get());
        FButton->SetNumGlyphs(1);
        break;
    }
}

void TCustomComboEdit::SetEnabled(bool Value) {
    TMaskEdit::SetEnabled(Value);
    FButton->SetEnabled(Value);
}

// --- geometry

// The button sits inside the edit's frame at its right edge; the text ends
// two pixels before it.
void TCustomComboEdit::UpdateButtonBounds() {
    const Integer w = FButton->Width();
    FBtnControl->SetBounds(Width() - w - 2, 2, w, std::max<Integer>(Height() - 4, 0));
    FButton->SetBounds(0, 0, w, FBtnControl->Height());
    UpdateEditRect();
}

void TCustomComboEdit::UpdateEditRect() {
    SetTextMargins(0, 0, FBtnControl->Visible() ? FButton->Width() + 2 : 0, 0);
}

Integer TCustomComboEdit::MinHeight() {
    TCanvas* canvas = GetParentForm(this) ? GetParentForm(this)->Canvas() : nullptr;
    if (!canvas) return 0;
    TFont system;
    canvas->Font()->Assign(&system);
    const Integer systemHeight = canvas->TextHeight("Wg");
    canvas->Font()->Assign(Font());
    return std::min(systemHeight, canvas->TextHeight("Wg")) + 4 * GetSystemMetrics(SM_CYBORDER) + 1;
}

void TCustomComboEdit::Resize() {
    if (!ComponentState().Contains(csLoading)) {
        const Integer minimum = MinHeight();
        if (Height() < minimum) {
            SetHeight(minimum);  // resizes again
            return;
        }
    }
    TMaskEdit::Resize();
    if (FBtnControl) UpdateButtonBounds();
}

void TCustomComboEdit::FontChanged() {
    TMaskEdit::FontChanged();
    UpdateEditRect();
    if (FFocused) ApplyCaret();
}

void TCustomComboEdit::ApplyCaret() { SetCaretWidth(Font()->Style().Contains(fsBold) ? 2 : 1); }

// --- the button and keys

void TCustomComboEdit::EditButtonClick() {
    if (!ReadOnly()) ButtonClick();
}

void TCustomComboEdit::ButtonClick() {
    std::weak_ptr<void> alive = AliveToken();
    FireEvent(OnButtonClick, this);
    if (alive.expired() || !FPopup) return;
    if (FPopupVisible)
        PopupCloseUp(FPopup, true);
    else
        PopupDropDown(true);
}

void TCustomComboEdit::ButtonMouseDown() {
    if (FPopupVisible) {
        // The press closes the popup; the click that follows must not open it again.
        PopupCloseUp(FPopup, true);
        FButton->FNoAction = true;
    } else if (TabStop() && CanFocus() && !Focused()) {
        SetFocus();
    }
}

void TCustomComboEdit::KeyDown(Word& Key, TShiftState Shift) {
    TMaskEdit::KeyDown(Key, Shift);
    if (Key != 0 && ShortCut(Key, Shift) == FClickKey && ButtonWidth() > 0) {
        EditButtonClick();
        Key = 0;
    }
}

bool TCustomComboEdit::WantsKey(Word Key) const {
    // With the popup shown Enter and Escape are the popup's, not the form's buttons'.
    if (FPopupVisible && (Key == VK_RETURN || Key == VK_ESCAPE)) return true;
    return TMaskEdit::WantsKey(Key);
}

void TCustomComboEdit::KeyPress(char& Key) {
    if ((Key == '\r' || Key == 27) && FPopupVisible) {
        PopupCloseUp(FPopup, Key == '\r');
        Key = 0;
        return;
    }
    TMaskEdit::KeyPress(Key);
    // The form has had Enter as a dialog key already; the edit itself has
    // no use for it.
    if (Key == '\r') Key = 0;
}

void TCustomComboEdit::DoEnter() {
    if (AutoSelect() && FDirectInput) SelectAll();
    TWinControl::DoEnter();
}

void TCustomComboEdit::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (FPopup) {
            if (CanFocus()) SetFocus();
            // Without the focus the press does nothing at all.
            if (!Focused()) return;
            if (FPopupVisible) PopupCloseUp(FPopup, false);
        }
        break;
    case WM_SETFOCUS:
        FFocused = true;
        ApplyCaret();
        break;
    case WM_KILLFOCUS:
        FFocused = false;
        PopupCloseUp(FPopup, false);
        break;
    case CM_CANCELMODE: {
        auto* sender = reinterpret_cast<TControl*>(Message.LParam);
        const bool ours = sender == this || sender == FButton || sender == FBtnControl ||
                          (FPopup && (sender == FPopup || FPopup->ContainsControl(sender)));
        if (!ours) PopupCloseUp(FPopup, false);
        return;
    }
    default: break;
    }
    TMaskEdit::WndProc(Message);
}

// --- the popup

void TCustomComboEdit::PopupDropDown(bool DisableEdit) {
    if (!FPopup || ReadOnly() || FPopupVisible) return;
    const TPoint p = ClientToScreen(Point(0, 0));
    const Integer screenW = Screen->Width(), screenH = Screen->Height();
    const Integer popupW = FPopup->Width(), popupH = FPopup->Height();
    Integer y = p.y + Height();
    if (y + popupH > screenH) y = p.y - popupH;
    // Above or below, the popup's top stays on the screen.
    y = std::max<Integer>(std::min<Integer>(y, screenH - popupH), 0);
    Integer x = 0;
    if (FPopupAlign == epaRight) {
        x = p.x + Width() - popupW;
        if (x < 0) x = p.x;
    } else {
        x = p.x;
        if (p.x + popupW > screenW) x = p.x + Width() - popupW;
    }
    x = std::max<Integer>(std::min<Integer>(x, screenW - popupW), 0);
    const AnsiString text = Text();
    SetPopupValue(text.empty() ? Null() : Variant(text));
    if (CanFocus()) SetFocus();
    ShowPopup(Point(x, y));
    FPopupVisible = true;
    if (DisableEdit) TMaskEdit::SetReadOnly(true);
}

void TCustomComboEdit::ShowPopup(const TPoint& Origin) {
    FPopup->SetBounds(Origin.x, Origin.y, FPopup->Width(), FPopup->Height());
    FPopup->Show();
    FPopupVisible = true;
}

void TCustomComboEdit::HidePopup() {
    FPopup->Hide();
    FPopupVisible = false;
}

void TCustomComboEdit::PopupCloseUp(TObject*, bool Accept) {
    if (!FPopup || !FPopupVisible) return;
    std::weak_ptr<void> alive = AliveToken();
    auto clear = ScopeExit([&] {
        if (!alive.expired()) FPopupVisible = false;
    });
    const Variant value = GetPopupValue();
    HidePopup();
    try {
        if (CanFocus()) SetFocus();
        if (Focused()) ApplyCaret();
    } catch (const Exception&) {
        // Focus may be refused while the form closes; the popup closes anyway.
    }
    SetDirectInput(FDirectInput);
    Invalidate();
    if (Accept && AcceptPopup(value) && EditCanModify()) {
        AcceptValue(value);
        if (!alive.expired() && Focused()) SelectAll();
    }
}

bool TCustomComboEdit::EditCanModify() { return !FReadOnly; }

bool TCustomComboEdit::AcceptPopup(const Variant&) { return true; }

void TCustomComboEdit::AcceptValue(const Variant& Value) {
    const AnsiString text = VarToStr(Value);
    if (Text() == text) return;
    SetTextQuietly(text);
    SetModified(true);
    FPopupVisible = FPopup && FPopup->Visible();
    Change();
}

void TCustomComboEdit::SetTextQuietly(const AnsiString& Value) {
    FQuiet = true;
    auto done = ScopeExit([this] { FQuiet = false; });
    TMaskEdit::SetText(Value);
}

void TCustomComboEdit::SetPopupValue(const Variant&) {}

Variant TCustomComboEdit::GetPopupValue() { return Variant(AnsiString()); }

void TCustomComboEdit::Change() {
    if (FQuiet) return;
    if (FPopupVisible)
        PopupChange();
    else
        TMaskEdit::Change();
}

// ---------------------------------------------------------------------------
// TComboEdit

TComboEdit::TComboEdit(TComponent* AOwner) : TCustomComboEdit(AOwner) {}

TComboEdit::~TComboEdit() = default;

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TGlyphKind) {
    static const TEnumType t{"TGlyphKind", {"gkCustom", "gkDefault", "gkDropDown", "gkEllipsis"}};
    return t;
}

const TEnumType& EnumTypeInfo(TPopupAlign) {
    static const TEnumType t{"TPopupAlign", {"epaRight", "epaLeft"}};
    return t;
}

VEMLOR_PUBLISHED(TEditButton, TVmSpeedButton) {}

VEMLOR_PUBLISHED(TCustomComboEdit, TMaskEdit) {}

VEMLOR_PUBLISHED(TComboEdit, TCustomComboEdit) {
    Prop("Alignment", &TComboEdit::Alignment, &TComboEdit::SetAlignment);
    Prop("ButtonHint", &TComboEdit::ButtonHint, &TComboEdit::SetButtonHint);
    Prop("ButtonWidth", &TComboEdit::ButtonWidth, &TComboEdit::SetButtonWidth).Stored(&TComboEdit::IsButtonWidthStored);
    Prop("ClickKey", &TComboEdit::ClickKey, &TComboEdit::SetClickKey);
    Prop("DirectInput", &TComboEdit::DirectInput, &TComboEdit::SetDirectInput);
    Prop("Glyph", &TComboEdit::Glyph, &TComboEdit::SetGlyph).Stored(&TComboEdit::IsGlyphStored);
    Prop("GlyphKind", &TComboEdit::GlyphKind, &TComboEdit::SetGlyphKind);
    Prop("NumGlyphs", &TComboEdit::NumGlyphs, &TComboEdit::SetNumGlyphs);
    Prop("ReadOnly", &TComboEdit::ReadOnly, &TComboEdit::SetReadOnly);
    EventProp("OnButtonClick", &TComboEdit::OnButtonClick);
}
VEMLOR_REGISTER_CLASS(TComboEdit);
