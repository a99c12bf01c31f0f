// TPopupDataWindow and TVmLookupEdit: the lookup editor and its list.
#include <algorithm>

#include "components/VmLookup.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/ScopeGuard.h"

// ---------------------------------------------------------------------------
// TPopupDataWindow

TPopupDataWindow::TPopupDataWindow(TVmLookupEdit* AEditor) : TVmPopupDataList(AEditor), FEditor(AEditor) {
    SetParent(AEditor);
    SetDropDownWindow(true);
}

TPopupDataWindow::~TPopupDataWindow() = default;

void TPopupDataWindow::CloseUp(bool Accept) {
    if (FEditor) FEditor->PopupCloseUp(this, Accept);
}

void TPopupDataWindow::Click() {
    std::weak_ptr<void> alive = AliveToken();
    TVmPopupDataList::Click();
    if (!alive.expired() && FEditor) FEditor->ListClicked();
}

TGraphic* TPopupDataWindow::GetPicture(bool, bool Empty, Integer& TextMargin) {
    TGraphic* graphic = nullptr;
    if (FEditor) FireEvent(FEditor->OnGetImage, FEditor, Empty, graphic, TextMargin);
    return graphic;
}

// The text is matched exactly: its record is selected, or nothing.
void TPopupDataWindow::DisplayValueChanged() {
    if (ListActive()) {
        if (Locate(DisplayField(), DisplayValue(), true)) {
            SetValue(KeyField()->AsString());
        } else {
            LookupDataSet()->First();
            SetValue(EmptyValue());
        }
    }
    Invalidate();
}

void TPopupDataWindow::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    TVmPopupDataList::MouseUp(Button, Shift, X, Y);
    if (!alive.expired() && Button == mbLeft) CloseUp(ClientRect().Contains(X, Y));
}

// ---------------------------------------------------------------------------
// TVmLookupEdit

TVmLookupEdit::TVmLookupEdit(TComponent* AOwner) : TCustomComboEdit(AOwner) {
    FList = new TPopupDataWindow(this);
    SetPopupControl(FList);
    SetGlyphKind(gkDropDown);
}

TVmLookupEdit::~TVmLookupEdit() {
    Destroying();
    FList->FEditor = nullptr;
}

void TVmLookupEdit::SetDropDownCount(Integer Value) { FDropDownCount = std::clamp<Integer>(Value, 1, 50); }

void TVmLookupEdit::PopupDropDown(bool) {
    if (ReadOnly() || PopupVisible()) return;
    std::weak_ptr<void> alive = AliveToken();
    FireEvent(OnDropDown, this);
    if (alive.expired()) return;
    FList->SetColor(Color());
    FList->SetFont(Font());
    Integer width = FDropDownWidth;
    if (width == 0) width = Width();
    if (width < 0) width = std::max(Width(), FList->NaturalWidth());
    FList->SetWidth(width);
    FList->SetReadOnly(ReadOnly());
    FList->SetRowCount(FDropDownCount);
    // The edit stays open for typing while the list is shown.
    TCustomComboEdit::PopupDropDown(false);
}

void TVmLookupEdit::SetPopupValue(const Variant& Value) {
    const AnsiString text = VarToStr(Value);
    if (text.empty())
        FList->SetValue(FList->EmptyValue());
    else
        FList->ForceDisplayValue(text);
}

Variant TVmLookupEdit::GetPopupValue() {
    if (!FList->ValueIsEmpty(FList->Value())) return Variant(FList->DisplayValue());
    return Variant(Text());
}

bool TVmLookupEdit::AcceptPopup(const Variant&) {
    FireEvent(OnCloseUp, this);
    return true;
}

void TVmLookupEdit::Change() {
    if (!PopupVisible() && !FPopupOnlyLocate) PopupChange();
    TCustomComboEdit::Change();
}

void TVmLookupEdit::PopupChange() {
    if (FChanging || ReadOnly()) return;
    if (FKeepSelection) {
        FKeepSelection = false;
        return;
    }
    FChanging = true;
    auto done = ScopeExit([this] { FChanging = false; });
    const AnsiString typed = Text();
    if (typed.empty()) {
        if (FList->ListActive()) FList->LookupDataSet()->First();
        FList->SetValue(FList->EmptyValue());
        FList->Invalidate();
        return;
    }
    if (FList->Locate(FList->DisplayField(), typed, false)) {
        // The record's whole text, the part not typed selected so that the
        // next character replaces it.
        FList->SelectCurrent();
        const AnsiString full = FList->CurrentDisplayText();
        SetTextQuietly(full);
        SetSelStart(static_cast<Integer>(typed.size()));
        SetSelLength(static_cast<Integer>(full.size() - std::min(full.size(), typed.size())));
    } else {
        FList->SetValue(FList->EmptyValue());
    }
}

void TVmLookupEdit::KeyDown(Word& Key, TShiftState Shift) {
    const bool listKey = Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN;
    if (PopupVisible() && listKey) {
        Word key = Key;
        FList->KeyDown(key, Shift);
        Key = 0;
    }
    // Backspace, and Delete over the completed part, take text away: the
    // change they make must not complete it back at once.
    const bool deletesSelection = Key == VK_DELETE && SelLength() > 0;
    TCustomComboEdit::KeyDown(Key, Shift);
    FKeepSelection = Key == VK_BACK || (Key == VK_DELETE && deletesSelection);
    if (Key != 0 && !PopupVisible() && !ReadOnly() && (Key == VK_UP || Key == VK_DOWN) &&
        !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt)) {
        Word key = Key;
        FList->KeyDown(key, Shift);
        if (!FList->ValueIsEmpty(FList->Value())) Key = 0;
    }
}

void TVmLookupEdit::ListClicked() {
    if (FList->ValueIsEmpty(FList->Value()) || FChanging || ReadOnly()) return;
    FChanging = true;
    auto done = ScopeExit([this] { FChanging = false; });
    SetText(FList->DisplayValue());
    if (AutoSelect() && DirectInput()) SelectAll();
    Invalidate();
}

// ---------------------------------------------------------------------------

VEMLOR_PUBLISHED(TPopupDataWindow, TVmPopupDataList) {}

VEMLOR_PUBLISHED(TVmLookupEdit, TCustomComboEdit) {
    Prop("Alignment", &TVmLookupEdit::Alignment, &TVmLookupEdit::SetAlignment);
    Prop("ButtonHint", &TVmLookupEdit::ButtonHint, &TVmLookupEdit::SetButtonHint);
    Prop("ButtonWidth", &TVmLookupEdit::ButtonWidth, &TVmLookupEdit::SetButtonWidth);
    Prop("ClickKey", &TVmLookupEdit::ClickKey, &TVmLookupEdit::SetClickKey);
    Prop("DirectInput", &TVmLookupEdit::DirectInput, &TVmLookupEdit::SetDirectInput);
    Prop("GlyphKind", &TVmLookupEdit::GlyphKind, &TVmLookupEdit::SetGlyphKind);
    Prop("ReadOnly", &TVmLookupEdit::ReadOnly, &TVmLookupEdit::SetReadOnly);
    Prop("DropDownCount", &TVmLookupEdit::DropDownCount, &TVmLookupEdit::SetDropDownCount);
    Prop("DropDownWidth", &TVmLookupEdit::DropDownWidth, &TVmLookupEdit::SetDropDownWidth);
    Prop("ListStyle", &TVmLookupEdit::ListStyle, &TVmLookupEdit::SetListStyle);
    Prop("FieldsDelimiter", &TVmLookupEdit::FieldsDelimiter, &TVmLookupEdit::SetFieldsDelimiter);
    Prop("LookupDisplay", &TVmLookupEdit::LookupDisplay, &TVmLookupEdit::SetLookupDisplay);
    Prop("LookupDisplayIndex", &TVmLookupEdit::LookupDisplayIndex, &TVmLookupEdit::SetLookupDisplayIndex);
    Prop("LookupField", &TVmLookupEdit::LookupField, &TVmLookupEdit::SetLookupField);
    Prop("LookupSource", &TVmLookupEdit::LookupSource, &TVmLookupEdit::SetLookupSource);
    Prop("PopupAlign", &TVmLookupEdit::PopupAlign, &TVmLookupEdit::SetPopupAlign);
    Prop("PopupOnlyLocate", &TVmLookupEdit::PopupOnlyLocate, &TVmLookupEdit::SetPopupOnlyLocate);
    EventProp("OnButtonClick", &TVmLookupEdit::OnButtonClick);
    EventProp("OnCloseUp", &TVmLookupEdit::OnCloseUp);
    EventProp("OnDropDown", &TVmLookupEdit::OnDropDown);
    EventProp("OnGetImage", &TVmLookupEdit::OnGetImage);
}
VEMLOR_REGISTER_CLASS(TVmLookupEdit);
