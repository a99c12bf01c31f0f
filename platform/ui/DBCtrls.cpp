#include "platform/ui/DBCtrls.h"

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Points a control's link at another source; the control hears when the
// source is freed, so that it never keeps a dangling one.
void Relink(TComponent* Control, TDataLink* Link, TDataSource* Value) {
    if (Value == Link->DataSource()) return;
    if (TDataSource* old = Link->DataSource()) old->RemoveFreeNotification(Control);
    Link->SetDataSource(Value);
    if (Value) Value->FreeNotification(Control);
}

// Lets go of the source for a control that is being destroyed. Its owner
// may be half gone by now, so the link fires none of the control's handlers
// on the way out.
void DetachDying(TFieldDataLink* Link) {
    Link->OnDataChange = nullptr;
    Link->OnEditingChange = nullptr;
    Link->OnUpdateData = nullptr;
    Link->OnActiveChange = nullptr;
    Link->SetDataSource(nullptr);
}

}  // namespace

// ---------------------------------------------------------------------------
// TFieldDataLink

void TFieldDataLink::SetFieldName(const AnsiString& Value) {
    if (Value == FFieldName) return;
    FFieldName = Value;
    UpdateField();
}

void TFieldDataLink::UpdateField() {
    TField* field = nullptr;
    if (Active() && !FFieldName.empty()) field = DataSet()->FindField(FFieldName);
    FField = field;
    FModified = false;
    FireEvent(OnDataChange, this);
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && FField && FField->CanModify(); }

void TFieldDataLink::Reset() {
    FModified = false;
    FireEvent(OnDataChange, this);
}

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    FireEvent(OnActiveChange, this);
}

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::EditingChanged() { FireEvent(OnEditingChange, this); }

void TFieldDataLink::RecordChanged(TField* Field) {
    if (Field && Field != FField) return;
    FModified = false;
    FireEvent(OnDataChange, this);
}

void TFieldDataLink::UpdateData() {
    if (!FModified) return;
    FireEvent(OnUpdateData, this);
    FModified = false;
}

void TFieldDataLink::FocusControl(TField** Field) {
    if (!Field || !*Field || *Field != FField) return;
    if (auto* control = dynamic_cast<TWinControl*>(FControl); control && control->CanFocus()) {
        control->SetFocus();
        *Field = nullptr;
    }
}

// ---------------------------------------------------------------------------
// Edits: what TDBEdit and TDBMemo share.

namespace {

template <class C>
void ShowFieldText(C* control, TFieldDataLink* link, bool& settingText) {
    settingText = true;
    auto done = ScopeExit([&settingText] { settingText = false; });
    TField* field = link->Field();
    if (!field)
        control->SetText(AnsiString());
    else
        control->SetText(control->Focused() && link->CanModify() ? field->Text() : field->DisplayText());
}

// Typing into a control whose data set cannot be edited does nothing.
bool StartEditing(TFieldDataLink* link) { return link->Field() && link->CanModify() && link->Edit(); }

// A change of the control's text puts the data set into edit mode. Going
// into edit mode shows the record again, which would put the field's text
// back over what the user just typed; the typed text is kept.
template <class C>
bool BeginChange(C* control, TFieldDataLink* link, bool& settingText) {
    if (link->Editing()) return true;
    const AnsiString typed = control->Text();
    if (!StartEditing(link)) return false;
    if (control->Text() != typed) {
        settingText = true;
        auto done = ScopeExit([&settingText] { settingText = false; });
        control->SetText(typed);
    }
    return true;
}

template <class C>
void CommitOnExit(C* control, TFieldDataLink* link) {
    if (!link->IsModified()) return;
    // A value the field refuses keeps the user in the control.
    try {
        link->UpdateRecord();
    } catch (...) {
        control->SelectAll();
        if (control->CanFocus()) control->SetFocus();
        throw;
    }
}

}  // namespace

TDBEdit::TDBEdit(TComponent* AOwner) : TEdit(AOwner), FDataLink(std::make_unique<TFieldDataLink>()) {
    FDataLink->SetControl(this);
    FDataLink->OnDataChange = [this](TObject*) { DataChange(); };
    FDataLink->OnEditingChange = [this](TObject*) { ApplyReadOnly(); };
    FDataLink->OnActiveChange = [this](TObject*) { ApplyReadOnly(); };
    FDataLink->OnUpdateData = [this](TObject*) {
        if (TField* field = FDataLink->Field()) field->SetText(Text());
    };
}

TDBEdit::~TDBEdit() {
    Destroying();
    DetachDying(FDataLink.get());
}

void TDBEdit::SetDataSource(TDataSource* Value) { Relink(this, FDataLink.get(), Value); }

void TDBEdit::Notification(TComponent* AComponent, TOperation Operation) {
    TEdit::Notification(AComponent, Operation);
    if (Operation == opRemove && FDataLink && AComponent == DataSource()) SetDataSource(nullptr);
}

void TDBEdit::SetReadOnly(bool Value) {
    FReadOnlyProp = Value;
    FDataLink->SetReadOnly(Value);
    ApplyReadOnly();
}

void TDBEdit::ApplyReadOnly() { TEdit::SetReadOnly(FReadOnlyProp || !FDataLink->CanModify()); }

void TDBEdit::DataChange() {
    TField* field = FDataLink->Field();
    if (field && field->DataType() == ftString)
        SetMaxLength(field->Size());
    else
        SetMaxLength(0);
    ShowFieldText(this, FDataLink.get(), FSettingText);
}

void TDBEdit::Change() {
    if (!FSettingText && BeginChange(this, FDataLink.get(), FSettingText)) FDataLink->Modified();
    TEdit::Change();
}

void TDBEdit::KeyDown(Word& Key, TShiftState Shift) {
    TEdit::KeyDown(Key, Shift);
    if (Key == VK_ESCAPE && FDataLink->IsModified()) {
        FDataLink->Reset();
        SelectAll();
        Key = 0;
    }
}

void TDBEdit::KeyPress(char& Key) {
    TEdit::KeyPress(Key);
    if (static_cast<unsigned char>(Key) >= 32 && !FDataLink->Editing() && !StartEditing(FDataLink.get())) Key = 0;
}

void TDBEdit::DoExit() {
    CommitOnExit(this, FDataLink.get());
    ShowFieldText(this, FDataLink.get(), FSettingText);
    TEdit::DoExit();
}

// ---------------------------------------------------------------------------
// TDBMemo

TDBMemo::TDBMemo(TComponent* AOwner) : TMemo(AOwner), FDataLink(std::make_unique<TFieldDataLink>()) {
    FDataLink->SetControl(this);
    FDataLink->OnDataChange = [this](TObject*) { DataChange(); };
    FDataLink->OnEditingChange = [this](TObject*) { ApplyReadOnly(); };
    FDataLink->OnActiveChange = [this](TObject*) { ApplyReadOnly(); };
    FDataLink->OnUpdateData = [this](TObject*) {
        if (TField* field = FDataLink->Field()) field->SetAsString(Text());
    };
}

TDBMemo::~TDBMemo() {
    Destroying();
    DetachDying(FDataLink.get());
}

void TDBMemo::SetDataSource(TDataSource* Value) { Relink(this, FDataLink.get(), Value); }

void TDBMemo::Notification(TComponent* AComponent, TOperation Operation) {
    TMemo::Notification(AComponent, Operation);
    if (Operation == opRemove && FDataLink && AComponent == DataSource()) SetDataSource(nullptr);
}

void TDBMemo::SetReadOnly(bool Value) {
    FReadOnlyProp = Value;
    FDataLink->SetReadOnly(Value);
    ApplyReadOnly();
}

void TDBMemo::ApplyReadOnly() { TMemo::SetReadOnly(FReadOnlyProp || !FDataLink->CanModify()); }

void TDBMemo::DataChange() {
    // A memo shows the whole value, not the "(MEMO)" a grid cell shows.
    FSettingText = true;
    auto done = ScopeExit([this] { FSettingText = false; });
    TField* field = FDataLink->Field();
    SetText(field ? field->AsString() : AnsiString());
}

void TDBMemo::Change() {
    if (!FSettingText && BeginChange(this, FDataLink.get(), FSettingText)) FDataLink->Modified();
    TMemo::Change();
}

void TDBMemo::KeyDown(Word& Key, TShiftState Shift) {
    TMemo::KeyDown(Key, Shift);
    if (Key == VK_ESCAPE && FDataLink->IsModified()) {
        FDataLink->Reset();
        Key = 0;
    }
}

void TDBMemo::KeyPress(char& Key) {
    TMemo::KeyPress(Key);
    const auto code = static_cast<unsigned char>(Key);
    if ((code >= 32 || code == '\r') && !FDataLink->Editing() && !StartEditing(FDataLink.get())) Key = 0;
}

void TDBMemo::DoExit() {
    CommitOnExit(this, FDataLink.get());
    TMemo::DoExit();
}

// ---------------------------------------------------------------------------
// TDBText

TDBText::TDBText(TComponent* AOwner) : TLabel(AOwner), FDataLink(std::make_unique<TFieldDataLink>()) {
    SetAutoSize(false);
    FDataLink->SetControl(this);
    FDataLink->OnDataChange = [this](TObject*) {
        TField* field = FDataLink->Field();
        SetCaption(field ? field->DisplayText() : AnsiString());
    };
}

TDBText::~TDBText() { FDataLink->SetDataSource(nullptr); }

void TDBText::SetDataSource(TDataSource* Value) { Relink(this, FDataLink.get(), Value); }

void TDBText::Notification(TComponent* AComponent, TOperation Operation) {
    TLabel::Notification(AComponent, Operation);
    if (Operation == opRemove && FDataLink && AComponent == DataSource()) SetDataSource(nullptr);
}

// ---------------------------------------------------------------------------
// TDBCheckBox

bool MatchesAlternative(const AnsiString& Text, const AnsiString& Alternatives) {
    std::size_t start = 0;
    while (start <= Alternatives.size()) {
        const std::size_t end = std::min(Alternatives.find(';', start), Alternatives.size());
        if (AnsiCompareText(Text, Alternatives.substr(start, end - start)) == 0) return true;
        start = end + 1;
    }
    return false;
}

AnsiString FirstAlternative(const AnsiString& Alternatives) {
    return Alternatives.substr(0, std::min(Alternatives.find(';'), Alternatives.size()));
}

TDBCheckBox::TDBCheckBox(TComponent* AOwner) : TCheckBox(AOwner), FDataLink(std::make_unique<TFieldDataLink>()) {
    FDataLink->SetControl(this);
    FDataLink->OnDataChange = [this](TObject*) { DataChange(); };
}

TDBCheckBox::~TDBCheckBox() {
    Destroying();
    DetachDying(FDataLink.get());
}

void TDBCheckBox::SetDataSource(TDataSource* Value) { Relink(this, FDataLink.get(), Value); }

void TDBCheckBox::Notification(TComponent* AComponent, TOperation Operation) {
    TCheckBox::Notification(AComponent, Operation);
    if (Operation == opRemove && FDataLink && AComponent == DataSource()) SetDataSource(nullptr);
}

void TDBCheckBox::SetValueChecked(const AnsiString& Value) {
    if (Value == FValueChecked) return;
    FValueChecked = Value;
    DataChange();
}

void TDBCheckBox::SetValueUnchecked(const AnsiString& Value) {
    if (Value == FValueUnchecked) return;
    FValueUnchecked = Value;
    DataChange();
}

TCheckBoxState TDBCheckBox::FieldState() const {
    TField* field = FDataLink->Field();
    if (!field || field->IsNull()) return cbGrayed;
    if (field->DataType() == ftBoolean) return field->AsBoolean() ? cbChecked : cbUnchecked;
    const AnsiString text = field->Text();
    if (MatchesAlternative(text, FValueChecked)) return cbChecked;
    if (MatchesAlternative(text, FValueUnchecked)) return cbUnchecked;
    return cbGrayed;
}

void TDBCheckBox::DataChange() {
    FSettingState = true;
    auto done = ScopeExit([this] { FSettingState = false; });
    SetState(FieldState());
}

// Following the record is no click; only a change by the user or the
// program writes the field and fires OnClick.
void TDBCheckBox::Click() {
    if (FSettingState) return;
    const bool want = Checked();
    TField* field = FDataLink->Field();
    // A box the data set cannot follow goes back to the field's value.
    if (FReadOnly || !field || !FDataLink->CanModify() || !FDataLink->Edit()) {
        DataChange();
        return;
    }
    if (field->DataType() == ftBoolean)
        field->SetAsBoolean(want);
    else
        field->SetText(FirstAlternative(want ? FValueChecked : FValueUnchecked));
    TCheckBox::Click();
}

// ---------------------------------------------------------------------------
// TDBLookupComboBox

class TLookupListLink : public TDataLink {
public:
    explicit TLookupListLink(TDBLookupComboBox* ACombo) : FCombo(ACombo) {}

protected:
    void ActiveChanged() override { FCombo->RefreshList(); }
    void DataSetChanged() override { FCombo->RefreshList(); }
    void LayoutChanged() override { FCombo->RefreshList(); }
    void RecordChanged(TField* Field) override {
        if (Field) FCombo->RefreshList();
    }
    void DataSetScrolled(int) override {}

private:
    TDBLookupComboBox* FCombo;
};

TDBLookupComboBox::TDBLookupComboBox(TComponent* AOwner)
    : TComboBox(AOwner), FDataLink(std::make_unique<TFieldDataLink>()),
      FListLink(std::make_unique<TLookupListLink>(this)) {
    SetStyle(csDropDownList);
    FDataLink->SetControl(this);
    FDataLink->OnDataChange = [this](TObject*) { DataChange(); };
}

TDBLookupComboBox::~TDBLookupComboBox() {
    Destroying();
    DetachDying(FDataLink.get());
    FListLink->SetDataSource(nullptr);
}

void TDBLookupComboBox::SetDataSource(TDataSource* Value) { Relink(this, FDataLink.get(), Value); }

TDataSource* TDBLookupComboBox::ListSource() const { return FListLink->DataSource(); }

void TDBLookupComboBox::SetListSource(TDataSource* Value) {
    if (Value == ListSource()) return;
    Relink(this, FListLink.get(), Value);
    RefreshList();
}

void TDBLookupComboBox::Notification(TComponent* AComponent, TOperation Operation) {
    TComboBox::Notification(AComponent, Operation);
    if (Operation != opRemove || !FDataLink) return;
    if (AComponent == DataSource()) SetDataSource(nullptr);
    if (AComponent == ListSource()) SetListSource(nullptr);
}

void TDBLookupComboBox::SetListField(const AnsiString& Value) {
    if (Value == FListField) return;
    FListField = Value;
    RefreshList();
}

void TDBLookupComboBox::SetKeyField(const AnsiString& Value) {
    if (Value == FKeyField) return;
    FKeyField = Value;
    RefreshList();
}

void TDBLookupComboBox::RefreshList() {
    if (FFilling) return;
    std::vector<AnsiString> keys;
    auto items = std::make_unique<TStringList>();
    TDataSet* dataSet = FListLink->Active() ? FListLink->DataSet() : nullptr;
    TField* keyField = dataSet ? dataSet->FindField(FKeyField) : nullptr;
    TField* listField = dataSet ? dataSet->FindField(FListField.empty() ? FKeyField : FListField) : nullptr;
    if (keyField && listField && dataSet->State() == dsBrowse) {
        // Walking the list moves its data set; the walk's own notifications
        // must not start another walk, and the user's record comes back.
        FFilling = true;
        auto done = ScopeExit([this] { FFilling = false; });
        const TBookmark bookmark = dataSet->GetBookmark();
        dataSet->DisableControls();
        auto enable = ScopeExit([dataSet, &bookmark] {
            // The walk deleted nothing, so the record is still there; should
            // the engine refuse anyway, the list stays usable where it is.
            try {
                if (!bookmark.empty()) dataSet->GotoBookmark(bookmark);
            } catch (const Exception&) {
            }
            dataSet->EnableControls();
        });
        for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) {
            keys.push_back(keyField->AsString());
            items->Add(listField->DisplayText());
        }
    }
    FKeys = std::move(keys);
    Items()->Assign(items.get());
    ShowKey();
}

void TDBLookupComboBox::ShowKey() {
    const bool none = FKeyValue.IsNull() || FKeyValue.IsEmpty();
    const AnsiString key = none ? AnsiString() : VarToStr(FKeyValue);
    Integer index = -1;
    if (!none)
        for (std::size_t i = 0; i < FKeys.size(); ++i)
            if (FKeys[i] == key) {
                index = Integer(i);
                break;
            }
    SetItemIndex(index);
}

void TDBLookupComboBox::SetKeyValue(const Variant& Value) {
    FKeyValue = Value;
    ShowKey();
}

void TDBLookupComboBox::DataChange() {
    TField* field = FDataLink->Field();
    if (!FDataLink->DataSource()) return;
    FKeyValue = field && !field->IsNull() ? field->AsVariant() : Variant();
    ShowKey();
}

void TDBLookupComboBox::Select() {
    const Integer index = ItemIndex();
    if (index >= 0 && std::size_t(index) < FKeys.size()) {
        TField* field = FDataLink->Field();
        if (field && (FReadOnly || !FDataLink->CanModify() || !FDataLink->Edit())) {
            ShowKey();
            return;
        }
        FKeyValue = Variant(FKeys[std::size_t(index)]);
        if (field) field->SetAsString(FKeys[std::size_t(index)]);
    }
    TComboBox::Select();
}

// ---------------------------------------------------------------------------
// Published properties

VEMLOR_PUBLISHED(TDBEdit, TEdit) {
    Prop("DataField", &TDBEdit::DataField, &TDBEdit::SetDataField);
    Prop("DataSource", &TDBEdit::DataSource, &TDBEdit::SetDataSource);
    Prop("ReadOnly", &TDBEdit::ReadOnly, &TDBEdit::SetReadOnly);
}
VEMLOR_REGISTER_CLASS(TDBEdit);

VEMLOR_PUBLISHED(TDBMemo, TMemo) {
    Prop("DataField", &TDBMemo::DataField, &TDBMemo::SetDataField);
    Prop("DataSource", &TDBMemo::DataSource, &TDBMemo::SetDataSource);
    Prop("ReadOnly", &TDBMemo::ReadOnly, &TDBMemo::SetReadOnly);
}
VEMLOR_REGISTER_CLASS(TDBMemo);

VEMLOR_PUBLISHED(TDBText, TLabel) {
    Prop("DataField", &TDBText::DataField, &TDBText::SetDataField);
    Prop("DataSource", &TDBText::DataSource, &TDBText::SetDataSource);
}
VEMLOR_REGISTER_CLASS(TDBText);

VEMLOR_PUBLISHED(TDBCheckBox, TCheckBox) {
    Prop("DataField", &TDBCheckBox::DataField, &TDBCheckBox::SetDataField);
    Prop("DataSource", &TDBCheckBox::DataSource, &TDBCheckBox::SetDataSource);
    Prop("ReadOnly", &TDBCheckBox::ReadOnly, &TDBCheckBox::SetReadOnly);
    Prop("ValueChecked", &TDBCheckBox::ValueChecked, &TDBCheckBox::SetValueChecked);
    Prop("ValueUnchecked", &TDBCheckBox::ValueUnchecked, &TDBCheckBox::SetValueUnchecked);
}
VEMLOR_REGISTER_CLASS(TDBCheckBox);

VEMLOR_PUBLISHED(TDBLookupComboBox, TComboBox) {
    Prop("DataField", &TDBLookupComboBox::DataField, &TDBLookupComboBox::SetDataField);
    Prop("DataSource", &TDBLookupComboBox::DataSource, &TDBLookupComboBox::SetDataSource);
    Prop("KeyField", &TDBLookupComboBox::KeyField, &TDBLookupComboBox::SetKeyField);
    Prop("ListField", &TDBLookupComboBox::ListField, &TDBLookupComboBox::SetListField);
    Prop("ListSource", &TDBLookupComboBox::ListSource, &TDBLookupComboBox::SetListSource);
    Prop("ReadOnly", &TDBLookupComboBox::ReadOnly, &TDBLookupComboBox::SetReadOnly);
}
VEMLOR_REGISTER_CLASS(TDBLookupComboBox);
