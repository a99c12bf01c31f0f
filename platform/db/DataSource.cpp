#include "platform/db/DataSource.h"

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/classes/TypInfo.h"
#include "platform/db/Fields.h"
#include "platform/rtl/ScopeGuard.h"

// ---------------------------------------------------------------------------
// TDataSource

VEMLOR_PUBLISHED(TDataSource, TComponent) {
    Prop("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit);
    Prop("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet);
    Prop("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled);
    EventProp("OnDataChange", &TDataSource::OnDataChange);
    EventProp("OnStateChange", &TDataSource::OnStateChange);
    EventProp("OnUpdateData", &TDataSource::OnUpdateData);
}
VEMLOR_REGISTER_CLASS(TDataSource);

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    for (TDataLink* link : std::vector<TDataLink*>(FDataLinks)) {
        link->FDataSource = nullptr;
        link->UpdateState();
    }
    FDataLinks.clear();
    if (FDataSet) FDataSet->RemoveDataSource(this);
    FDataSet = nullptr;
}

void TDataSource::SetDataSet(TDataSet* value) {
    if (value == FDataSet) return;
    if (FDataSet) FDataSet->RemoveDataSource(this);
    FDataSet = value;
    if (FDataSet) FDataSet->AddDataSource(this);
    UpdateState();
}

void TDataSource::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    UpdateState();
}

void TDataSource::Edit() {
    if (FAutoEdit && FDataSet && FState == dsBrowse) FDataSet->Edit();
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const { return dataSet && dataSet == FDataSet; }

void TDataSource::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
}

void TDataSource::UpdateState() {
    SetStateValue(FEnabled && FDataSet ? FDataSet->State() : dsInactive);
}

void TDataSource::SetStateValue(TDataSetState value) {
    if (value == FState) return;
    FState = value;
    NotifyDataLinks(deUpdateState, 0);
    FireEvent(OnStateChange, this);
}

void TDataSource::NotifyDataLinks(TDataEvent event, std::intptr_t info) {
    for (TDataLink* link : std::vector<TDataLink*>(FDataLinks)) {
        // A handler may have detached a link that is still in the copy.
        if (std::find(FDataLinks.begin(), FDataLinks.end(), link) != FDataLinks.end())
            link->DataEvent(event, info);
    }
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (FState == dsInactive) return;
    NotifyDataLinks(event, info);
    switch (event) {
    case deFieldChange: FireEvent(OnDataChange, this, reinterpret_cast<TField*>(info)); break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: FireEvent(OnDataChange, this, static_cast<TField*>(nullptr)); break;
    case deUpdateRecord: FireEvent(OnUpdateData, this); break;
    default: break;
    }
}

void TDataSource::AddDataLink(TDataLink* link) {
    FDataLinks.push_back(link);
    if (FDataSet) FDataSet->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
    auto it = std::find(FDataLinks.begin(), FDataLinks.end(), link);
    if (it != FDataLinks.end()) FDataLinks.erase(it);
    if (FDataSet) FDataSet->UpdateBufferCount();
}

// ---------------------------------------------------------------------------
// TDataLink

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
    if (FDataSource) FDataSource->RemoveDataLink(this);
    FDataSource = nullptr;
}

TDataSet* TDataLink::DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }

void TDataLink::SetDataSource(TDataSource* value) {
    if (value == FDataSource) return;
    if (FDataSource) FDataSource->RemoveDataLink(this);
    FDataSource = value;
    if (FDataSource) FDataSource->AddDataLink(this);
    UpdateState();
}

void TDataLink::SetReadOnly(bool value) {
    if (value == FReadOnly) return;
    FReadOnly = value;
    UpdateState();
}

int TDataLink::ActiveRecord() const {
    TDataSet* ds = DataSet();
    if (!ds || !FActive) return 0;
    return ds->FActiveRecord - FFirstRecord;
}

void TDataLink::SetActiveRecord(int value) {
    TDataSet* ds = DataSet();
    if (!ds || !FActive) return;
    int index = value + FFirstRecord;
    if (index >= 0 && index < std::max(1, ds->FRecordCount)) ds->FActiveRecord = index;
}

void TDataLink::SetBufferCount(int value) {
    if (value < 1) value = 1;
    if (value == FBufferCount) return;
    FBufferCount = value;
    if (TDataSet* ds = DataSet(); ds && ds->Active()) {
        ds->UpdateBufferCount();
        UpdateRange();
    }
}

int TDataLink::RecordCount() const {
    TDataSet* ds = DataSet();
    if (!ds || !FActive) return 0;
    return std::clamp(ds->FRecordCount - FFirstRecord, 0, FBufferCount);
}

bool TDataLink::Edit() {
    if (FDataSource && !FReadOnly) FDataSource->Edit();
    return FEditing;
}

void TDataLink::UpdateRecord() {
    FUpdating = true;
    auto done = ScopeExit([this] { FUpdating = false; });
    UpdateData();
}

int TDataLink::MoveBy(int distance) {
    TDataSet* ds = DataSet();
    return ds ? ds->MoveBy(distance) : 0;
}

void TDataLink::UpdateState() {
    TDataSetState state = FDataSource ? FDataSource->State() : dsInactive;
    SetActive(state != dsInactive);
    SetEditing(dsEditModes.Contains(state) && !FReadOnly);
}

void TDataLink::SetActive(bool value) {
    if (value == FActive) return;
    FActive = value;
    FFirstRecord = 0;
    if (value) UpdateRange();
    ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
    if (value == FEditing) return;
    FEditing = value;
    EditingChanged();
}

// Keeps the data set's active record inside this link's rows, and the rows
// full while the data set's window has records above them: a link never
// shows empty rows at its end and hides records before its first row.
void TDataLink::UpdateRange() {
    TDataSet* ds = DataSet();
    if (!ds) return;
    int active = ds->FActiveRecord;
    if (active > FFirstRecord + FBufferCount - 1) FFirstRecord = active - FBufferCount + 1;
    if (active < FFirstRecord) FFirstRecord = active;
    FFirstRecord = std::min(FFirstRecord, ds->FRecordCount - FBufferCount);
    if (FFirstRecord < 0) FFirstRecord = 0;
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!FActive) return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!FUpdating) RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        // The data set's buffers slid by `info` rows on a scroll; the link's
        // first row follows its record, then the active record is kept in view.
        int shifted = FFirstRecord + (event == deDataSetScroll ? static_cast<int>(info) : 0);
        FFirstRecord = shifted;
        UpdateRange();
        int moved = FFirstRecord - shifted;
        if (event == deDataSetChange)
            DataSetChanged();
        else if (event == deDataSetScroll)
            DataSetScrolled(moved);
        else
            LayoutChanged();
        break;
    }
    case deUpdateRecord: UpdateRecord(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deFocusControl: FocusControl(reinterpret_cast<TField**>(info)); break;
    default: break;
    }
}
