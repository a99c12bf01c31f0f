// TVmLookupControl: the links to the edited and the lookup data set, the
// fields, the value and the incremental search.
#include "components/VmLookup.h"

#include <chrono>

#include "components/DBUtils.h"
#include "components/StrUtils.h"
#include "platform/gfx/Graphic.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr std::size_t kMaxSearchText = 32;
constexpr Int64 kSearchPause = 2000;

TSearchClock& SearchClockSlot() {
    static TSearchClock clock;
    return clock;
}

Int64 SearchNow() {
    if (const TSearchClock& clock = SearchClockSlot()) return clock();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The time of the last search key of any stand-alone list.
Int64 gLastSearchKey = 0;

}  // namespace

void SetLookupSearchClock(TSearchClock Clock) { SearchClockSlot() = std::move(Clock); }

// ---------------------------------------------------------------------------
// Links

void TDataSourceLink::ActiveChanged() { FControl->DataLinkActiveChanged(); }
void TDataSourceLink::LayoutChanged() { FControl->DataLinkActiveChanged(); }
void TDataSourceLink::RecordChanged(TField* Field) { FControl->DataLinkRecordChanged(Field); }

void TDataSourceLink::FocusControl(TField** Field) {
    if (Field && *Field && *Field == FControl->Field() && FControl->CanFocus()) {
        *Field = nullptr;
        FControl->SetFocus();
    }
}

void TLookupSourceLink::ActiveChanged() { FControl->ListLinkActiveChanged(); }
void TLookupSourceLink::LayoutChanged() { FControl->ListLinkActiveChanged(); }
void TLookupSourceLink::DataSetChanged() { FControl->ListLinkDataChanged(); }

// ---------------------------------------------------------------------------
// TVmLookupControl

TVmLookupControl::TVmLookupControl(TComponent* AOwner)
    : TCustomControl(AOwner),
      FDataLink(std::make_unique<TDataSourceLink>(this)),
      FLookupLink(std::make_unique<TLookupSourceLink>(this)),
      FLookupFieldSource(std::make_unique<TDataSource>(nullptr)) {
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
}

TVmLookupControl::~TVmLookupControl() {
    Destroying();
    FLookupLink->SetDataSource(nullptr);
    FDataLink->SetDataSource(nullptr);
}

void TVmLookupControl::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FDataLink->DataSource()) SetDataSource(nullptr);
    if (AComponent == FLookupSource) SetLookupSource(nullptr);
}

void TVmLookupControl::CheckNotCircular(TDataSource* Data, TDataSource* Lookup) const {
    if (!Data || !Lookup) return;
    if (Data == Lookup || (Data->DataSet() && Data->DataSet() == Lookup->DataSet()))
        throw EDatabaseError("Circular datalinks are not allowed");
}

void TVmLookupControl::CheckNotLookupMode() const {
    if (FLookupMode) throw EDatabaseError("Property already defined by lookup field");
}

void TVmLookupControl::SetDataSource(TDataSource* Value) {
    if (Value == FDataLink->DataSource()) return;
    CheckNotCircular(Value, FLookupSource);
    if (TDataSource* old = FDataLink->DataSource()) old->RemoveFreeNotification(this);
    FDataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
    DataLinkActiveChanged();
}

void TVmLookupControl::SetDataField(const AnsiString& Value) {
    if (FDataFieldName == Value) return;
    FDataFieldName = Value;
    DataLinkActiveChanged();
}

AnsiString TVmLookupControl::LookupField() const { return FLookupMode ? AnsiString() : FLookupFieldName; }

void TVmLookupControl::SetLookupField(const AnsiString& Value) {
    CheckNotLookupMode();
    if (FLookupFieldName == Value) return;
    FLookupFieldName = Value;
    ListLinkActiveChanged();
}

TDataSource* TVmLookupControl::LookupSource() const { return FLookupMode ? nullptr : FLookupSource; }

void TVmLookupControl::SetLookupSource(TDataSource* Value) {
    CheckNotLookupMode();
    if (FLookupSource == Value) return;
    CheckNotCircular(FDataLink->DataSource(), Value);
    if (FLookupSource) FLookupSource->RemoveFreeNotification(this);
    FLookupSource = Value;
    if (Value) Value->FreeNotification(this);
    FLookupLink->SetDataSource(Value);
    ListLinkActiveChanged();
}

void TVmLookupControl::SetLookupDisplay(const AnsiString& Value) {
    if (FLookupDisplay == Value) return;
    FLookupDisplay = Value;
    ListLinkActiveChanged();
}

void TVmLookupControl::SetLookupDisplayIndex(Integer Value) {
    if (FLookupDisplayIndex == Value) return;
    FLookupDisplayIndex = Value;
    ListLinkActiveChanged();
}

void TVmLookupControl::SetDisplayEmpty(const AnsiString& Value) {
    if (FDisplayEmpty == Value) return;
    FDisplayEmpty = Value;
    DisplayEmptyChanged();
}

void TVmLookupControl::SetEmptyItemColor(TColor Value) {
    if (FEmptyItemColor == Value) return;
    FEmptyItemColor = Value;
    if (EmptyRowVisible()) Invalidate();
}

void TVmLookupControl::SetEmptyValue(const AnsiString& Value) {
    if (FEmptyValue == Value) return;
    FEmptyValue = Value;
    Invalidate();
}

void TVmLookupControl::SetFieldsDelimiter(char Value) {
    if (FFieldsDelimiter == Value) return;
    FFieldsDelimiter = Value;
    if (FListStyle == lsDelimited) Invalidate();
}

void TVmLookupControl::SetListStyle(TLookupListStyle Value) {
    if (FListStyle == Value) return;
    FListStyle = Value;
    Invalidate();
}

// --- the edited data set

void TVmLookupControl::DataLinkActiveChanged() {
    FDataField = nullptr;
    FMasterField = nullptr;
    const bool wasLookupMode = FLookupMode;
    FLookupMode = false;
    if (FDataLink->Active() && !FDataFieldName.empty()) {
        FDataField = FDataLink->DataSet()->FindField(FDataFieldName);
        if (FDataField && FDataField->Lookup()) {
            // The field's own definition says where to look and what to show.
            FLookupMode = true;
            FMasterField = FDataLink->DataSet()->FindField(FDataField->KeyFields);
            FLookupFieldSource->SetDataSet(FDataField->LookupDataSet());
            FLookupFieldName = FDataField->LookupKeyFields;
            FLookupLink->SetDataSource(FLookupFieldSource.get());
        } else {
            FMasterField = FDataField;
        }
    }
    if (wasLookupMode && !FLookupMode) {
        FLookupFieldName.clear();
        FLookupLink->SetDataSource(FLookupSource);
    }
    ListLinkActiveChanged();
    ValueFromField();
}

void TVmLookupControl::DataLinkRecordChanged(TField* AField) {
    if (!AField || AField == FMasterField) ValueFromField();
}

void TVmLookupControl::ValueFromField() {
    if (!FMasterField) return;
    const AnsiString value = FMasterField->AsString();
    if (value == FValue) return;
    FValue = value;
    KeyValueChanged();
}

bool TVmLookupControl::CanModify() const {
    if (!FListActive || FReadOnly) return false;
    if (!FDataLink->Active()) return true;
    return FMasterField && FMasterField->CanModify() && !FDataLink->ReadOnly();
}

// --- the lookup data set

void TVmLookupControl::ListLinkActiveChanged() {
    FListActive = false;
    FKeyField = nullptr;
    FDisplayField = nullptr;
    FDisplayFields.clear();
    TDataSet* dataSet = FLookupLink->DataSet();
    if (FLookupLink->Active() && dataSet && !FLookupFieldName.empty()) {
        FKeyField = dataSet->FindField(FLookupFieldName);
        const TCharSet separator{';'};
        for (Integer i = 1, n = CountWords(FLookupDisplay, separator); i <= n; ++i)
            if (TField* field = dataSet->FindField(Trim(NthWord(i, FLookupDisplay, separator))))
                FDisplayFields.push_back(field);
        if (FLookupMode && FDataField) {
            if (TField* result = dataSet->FindField(FDataField->LookupResultField)) {
                std::erase(FDisplayFields, result);
                FDisplayFields.insert(FDisplayFields.begin(), result);
            }
            if (!FDisplayFields.empty()) FDisplayField = FDisplayFields.front();
        } else if (!FDisplayFields.empty()) {
            const bool inRange = FLookupDisplayIndex >= 0 && FLookupDisplayIndex < Integer(FDisplayFields.size());
            FDisplayField = FDisplayFields[inRange ? std::size_t(FLookupDisplayIndex) : 0];
        }
        if (FDisplayFields.empty() && FKeyField) {
            FDisplayFields.push_back(FKeyField);
            FDisplayField = FKeyField;
        }
        FListActive = FKeyField != nullptr;
    }
    if (!FLocate || FLocate->DataSet() != dataSet) FLocate = dataSet ? CreateLocateObject(dataSet) : nullptr;
    Invalidate();
}

AnsiString TVmLookupControl::CurrentDisplayText() const {
    return FDisplayField && FListActive ? FDisplayField->DisplayText() : AnsiString();
}

// The data set's current record first, then the first match in its order.
bool TVmLookupControl::Locate(TField* AField, const AnsiString& Text, bool Exact) {
    if (!AField || !FListActive || !FLocate || Text.empty() || ValueIsEmpty(Text)) return false;
    try {
        return FLocate->Locate(AField->FieldName(), Text, Exact, !FIgnoreCase);
    } catch (const Exception&) {
        return false;
    }
}

bool TVmLookupControl::LocateKey() { return Locate(FKeyField, FValue, true); }

void TVmLookupControl::SetValue(const AnsiString& Value) {
    if (Value == FValue) return;
    if (FMasterField && FDataLink->Active() && CanModify()) {
        // The bound field takes it; its change brings the value back here.
        if (FDataLink->Edit()) {
            if (Value.empty() && ValueIsEmpty(Value))
                FMasterField->Clear();
            else
                FMasterField->SetAsString(Value);
        }
        return;
    }
    FValue = Value;
    KeyValueChanged();
}

void TVmLookupControl::SetDisplayValue(const AnsiString& Value) {
    if (Value == FDisplayValue) return;
    if (FMasterField && FDataLink->Active() && CanModify()) {
        if (Locate(FDisplayField, Value, true)) SelectCurrent();
        return;
    }
    FDisplayValue = Value;
    DisplayValueChanged();
}

void TVmLookupControl::ForceDisplayValue(const AnsiString& Value) {
    FDisplayValue = Value;
    DisplayValueChanged();
}

void TVmLookupControl::SelectKeyValue(const AnsiString& AValue) {
    {
        FLockPosition = true;
        auto unlock = ScopeExit([this] { FLockPosition = false; });
        SetValue(AValue);
    }
    FDisplayValue = ValueIsEmpty(FValue) ? AnsiString() : CurrentDisplayText();
    Invalidate();
    Click();
}

void TVmLookupControl::SelectCurrent() {
    if (FSelectEmpty) {
        FSelectEmpty = false;
        SelectEmpty();
        return;
    }
    if (FKeyField && !LookupDataSet()->IsEmpty()) SelectKeyValue(FKeyField->AsString());
}

void TVmLookupControl::SelectEmpty() {
    if (FMasterField && FDataLink->Active() && CanModify()) {
        if (FDataLink->Edit()) {
            if (FEmptyValue.empty())
                FMasterField->Clear();
            else
                FMasterField->SetAsString(FEmptyValue);
        }
    }
    FValue = FEmptyValue;
    FDisplayValue.clear();
    SetText(FDisplayEmpty);
    Invalidate();
    Click();
}

TGraphic* TVmLookupControl::GetPicture(bool, bool Empty, Integer& TextMargin) {
    TGraphic* graphic = nullptr;
    FireEvent(OnGetImage, this, Empty, graphic, TextMargin);
    return graphic;
}

void TVmLookupControl::ProcessSearchKey(char Key) {
    if (!FListActive || !FDisplayField) return;
    if (!FPopup) {
        const Int64 now = SearchNow();
        if (now - gLastSearchKey > kSearchPause) FSearchText.clear();
        gLastSearchKey = now;
    }
    AnsiString text;
    const auto key = static_cast<unsigned char>(Key);
    if (key == 8) {
        text = FSearchText.substr(0, FSearchText.empty() ? 0 : FSearchText.size() - 1);
    } else if (key == 9 || key == 27) {
        FSearchText.clear();
        return;
    } else if (key >= 32 && FSearchText.size() < kMaxSearchText) {
        text = FSearchText + Key;
    } else {
        return;
    }
    if (text.empty()) {
        LookupDataSet()->First();
        SelectCurrent();
        FSearchText.clear();
    } else if (Locate(FDisplayField, text, false)) {
        FSearchText = CurrentDisplayText().substr(0, text.size());
        SelectCurrent();
    }
}

// ---------------------------------------------------------------------------

const TEnumType& EnumTypeInfo(TLookupListStyle) {
    static const TEnumType t{"TLookupListStyle", {"lsFixed", "lsDelimited"}};
    return t;
}

VEMLOR_PUBLISHED(TVmLookupControl, TCustomControl) {}
