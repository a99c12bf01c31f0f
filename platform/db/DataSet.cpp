#include "platform/db/DataSet.h"

#include <algorithm>
#include <utility>

#include "platform/db/DataSource.h"
#include "platform/db/Fields.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

TDataExceptionHandler& ExceptionHandler() {
    static TDataExceptionHandler handler;
    return handler;
}

}  // namespace

AnsiString FieldTypeName(TFieldType type) {
    static const char* const names[] = {
        "Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float", "Currency", "BCD",
        "Date", "Time", "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo", "Graphic",
        "FmtMemo", "ParadoxOle", "DBaseOle", "TypedBinary", "Cursor", "FixedChar", "WideString",
        "Largeint", "ADT", "Array", "Reference", "DataSet"};
    auto i = static_cast<std::size_t>(type);
    return i < std::size(names) ? names[i] : "Unknown";
}

void DatabaseError(const AnsiString& message, const TComponent* component) {
    if (component && !component->Name().empty()) throw EDatabaseError(component->Name() + ": " + message);
    throw EDatabaseError(message);
}

void SetDataExceptionHandler(TDataExceptionHandler handler) { ExceptionHandler() = std::move(handler); }

void HandleDataException() {
    TDataExceptionHandler handler = ExceptionHandler();
    if (handler) handler();
}

// ---------------------------------------------------------------------------
// TDataSet: life cycle

TDataSet::TDataSet(TComponent* owner) : TComponent(owner), FFields(this), FFieldDefs(this) {}

TDataSet::~TDataSet() {
    // An engine closes itself in its own destructor (its overrides are gone
    // by now); here only the links and fields are let go.
    for (TDataSource* source : std::vector<TDataSource*>(FDataSources)) {
        source->FDataSet = nullptr;
        source->UpdateState();
    }
    FDataSources.clear();
    for (TField* field : std::vector<TField*>(FFields.FList)) {
        field->FDataSet = nullptr;
        if (field->Owner() == this || field->Owner() == nullptr) delete field;
    }
    FFields.FList.clear();
}

void TDataSet::SetActive(bool value) {
    if (value == Active()) return;
    if (value) {
        DoBeforeOpen();
        {
            auto closeAgain = ScopeFail([this] {
                if (IsCursorOpen()) CloseCursor();
            });
            OpenCursor();
        }
        SetState(dsBrowse);
        DoAfterOpen();
        if (!IsEmpty()) DoAfterScroll();
    } else {
        if (ComponentState().Contains(csDestroying)) {
            FState = dsInactive;
            CloseCursor();
            return;
        }
        DoBeforeClose();
        SetState(dsInactive);
        CloseCursor();
        DoAfterClose();
    }
}

void TDataSet::OpenCursor() {
    FDefaultFields = FieldCount() == 0;
    InternalOpen();
    FBOF = true;
    FEOF = true;
    UpdateBufferCount();
    // Fill the window from the first record without scroll events.
    ClearBuffers();
    InternalFirst();
    GetNextRecords();
    FBOF = true;
}

void TDataSet::CloseCursor() {
    FModified = false;
    FreeFieldBuffers();
    ClearBuffers();
    SetBufferCount(0);
    if (IsCursorOpen()) InternalClose();
    FBuffers.clear();
    if (FDefaultFields) DestroyFields();
    FDefaultFields = false;
}

void TDataSet::CheckActive() const {
    if (FState == dsInactive) DatabaseError(SDataSetClosed, this);
}

void TDataSet::CheckInactive() const {
    if (FState != dsInactive) DatabaseError(SDataSetOpen, this);
}

void TDataSet::SetState(TDataSetState value) {
    if (FState == value) return;
    FState = value;
    FModified = false;
    DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
    TDataSetState old = FState;
    FState = value;
    return old;
}

void TDataSet::RestoreState(TDataSetState value) { FState = value; }

void TDataSet::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
}

// ---------------------------------------------------------------------------
// Fields

void TDataSet::AddField(TField* field) {
    if (FState != dsInactive && !FDefaultFields) {
        // A field added to an open data set joins the window at once.
        FFields.Add(field);
        DataEvent(deFieldListChange, 0);
        return;
    }
    FFields.Add(field);
}

void TDataSet::RemoveField(TField* field) {
    FFields.Remove(field);
    if (FState != dsInactive) DataEvent(deFieldListChange, 0);
}

TField* TDataSet::FieldByName(const AnsiString& name) const { return FFields.FieldByName(name); }

void TDataSet::GetFieldList(std::vector<TField*>& list, const AnsiString& fieldNames) const {
    std::size_t start = 0;
    while (start <= fieldNames.size()) {
        std::size_t end = fieldNames.find(';', start);
        if (end == AnsiString::npos) end = fieldNames.size();
        AnsiString name = Trim(fieldNames.substr(start, end - start));
        if (!name.empty()) list.push_back(FieldByName(name));
        start = end + 1;
    }
}

void TDataSet::CreateFields() {
    for (int i = 0; i < FFieldDefs.Count(); ++i) FFieldDefs[i]->CreateField(this);
}

void TDataSet::DestroyFields() {
    for (TField* field : std::vector<TField*>(FFields.FList)) {
        field->FDataSet = nullptr;
        FFields.Remove(field);
        delete field;
    }
}

void TDataSet::BindFields(bool binding) {
    int fieldNo = 0;
    for (TField* field : FFields.FList) {
        if (binding && field->FieldKind() == fkData) {
            int i = FFieldDefs.IndexOf(field->FieldName());
            if (i < 0) DatabaseErrorFmt(SFieldNotFound, this, field->DisplayName());
            field->FFieldNo = FFieldDefs[i]->FieldNo();
        } else {
            field->FFieldNo = binding ? --fieldNo : 0;
        }
        if (binding && field->FieldKind() == fkLookup) {
            if (!field->LookupDataSet() || field->KeyFields.empty() || field->LookupKeyFields.empty() ||
                field->LookupResultField.empty())
                DatabaseErrorFmt(SLookupInfoError, this, field->DisplayName());
        }
    }
}

void TDataSet::InitFieldDefsFromFields() {
    FFieldDefs.Clear();
    for (TField* field : FFields.FList)
        if (field->FieldKind() == fkData)
            FFieldDefs.Add(field->FieldName(), field->DataType(), field->Size(), field->Required());
}

void TDataSet::CheckRequiredFields() {
    for (TField* field : FFields.FList)
        if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull()) {
            field->FocusControl();
            DatabaseErrorFmt(SFieldRequired, this, field->DisplayName());
        }
}

void TDataSet::ClearFields() {
    if (!dsEditModes.Contains(FState)) DatabaseError(SNotEditing, this);
    DataEvent(deCheckBrowseMode, 0);
    InternalInitRecord(ActiveBuffer());
    if (FState != dsSetKey) CalculateFields(ActiveBuffer());
    DataEvent(deRecordChange, 0);
}

bool TDataSet::GetFieldData(TField*, void*) { return false; }

void TDataSet::SetFieldData(TField*, const void*) {}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField*, TBlobStreamMode) { return nullptr; }

bool TDataSet::Locate(const AnsiString&, const Variant&, TLocateOptions) { return false; }

Variant TDataSet::Lookup(const AnsiString&, const Variant&, const AnsiString&) { return Null(); }

void TDataSet::InternalHandleException() { HandleDataException(); }

void TDataSet::InternalPost() { CheckRequiredFields(); }

// ---------------------------------------------------------------------------
// Calculated fields

void TDataSet::CalculateFields(TRecordBuffer buffer) {
    bool any = false;
    for (TField* f : FFields.FList)
        if (f->FieldKind() == fkCalculated || f->FieldKind() == fkLookup) any = true;
    if (!any && !OnCalcFields) return;
    TRecordBuffer oldCalc = FCalcBuffer;
    FCalcBuffer = buffer;
    const TDataSetState old = SetTempState(dsCalcFields);
    auto restore = ScopeExit([this, old, oldCalc] {
        RestoreState(old);
        FCalcBuffer = oldCalc;
    });
    ClearCalcFields(buffer);
    for (TField* f : FFields.FList) {
        if (f->FieldKind() != fkLookup) continue;
        TDataSet* lookup = f->LookupDataSet();
        if (!lookup || !lookup->Active()) continue;
        std::vector<TField*> keys;
        GetFieldList(keys, f->KeyFields);
        Variant key;
        if (keys.size() == 1) {
            key = keys[0]->AsVariant();
        } else {
            std::vector<Variant> values;
            for (TField* k : keys) values.push_back(k->AsVariant());
            key = VarArrayOf(values);
        }
        f->SetAsVariant(lookup->Lookup(f->LookupKeyFields, key, f->LookupResultField));
    }
    DoOnCalcFields();
}

void TDataSet::DoOnCalcFields() { FireDataSetEvent(OnCalcFields); }

void TDataSet::InitRecord(TRecordBuffer buffer) {
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    SetBookmarkFlag(buffer, bfInserted);
}

// ---------------------------------------------------------------------------
// The buffer window

bool TDataSet::IsWindowBuffer(TRecordBuffer buffer) const {
    if (!buffer) return false;
    return buffer == FCalcBuffer || std::find(FBuffers.begin(), FBuffers.end(), buffer) != FBuffers.end();
}

TRecordBuffer TDataSet::ActiveBuffer() const {
    if (FBuffers.empty() || FActiveRecord < 0 || FActiveRecord >= static_cast<int>(FBuffers.size()))
        return nullptr;
    return FBuffers[static_cast<std::size_t>(FActiveRecord)];
}

void TDataSet::SetBufferCount(int value) {
    if (value == FBufferCount && static_cast<int>(FBuffers.size()) == value + 1) return;
    int wanted = value > 0 ? value + 1 : 0;
    // Rows that came or went at the top of the window: the links keep
    // showing the records they showed.
    int shifted = 0;
    // Keep the records in the window that still fit, the active one included.
    if (value > 0 && FRecordCount > value) {
        int drop = std::max(0, FActiveRecord - value + 1);
        for (int i = 0; i < drop; ++i) MoveBuffer(0, static_cast<int>(FBuffers.size()) - 1);
        FActiveRecord -= drop;
        FRecordCount = std::min(FRecordCount - drop, value);
        CursorPosChanged();
        shifted = -drop;
    }
    while (static_cast<int>(FBuffers.size()) > wanted) {
        FreeRecordBuffer(FBuffers.back());
        FBuffers.pop_back();
    }
    while (static_cast<int>(FBuffers.size()) < wanted) FBuffers.push_back(AllocRecordBuffer());
    int oldCount = FBufferCount;
    FBufferCount = value;
    if (value == 0) {
        FRecordCount = 0;
        FActiveRecord = 0;
        FCurrentRecord = -1;
    } else if (value > oldCount && FRecordCount > 0 && FState == dsBrowse) {
        // A larger window fills up with the records after the current one
        // and, when those run out, with the ones before it: a grid grown
        // taller shows every record it has room for.
        GetNextRecords();
        const int before = FRecordCount;
        GetPriorRecords();
        shifted = FRecordCount - before;
    }
    if (shifted != 0) ShiftLinks(shifted);
}

void TDataSet::ShiftLinks(int distance) {
    for (TDataSource* source : FDataSources)
        for (TDataLink* link : source->FDataLinks) {
            link->FFirstRecord += distance;
            link->UpdateRange();
        }
}

void TDataSet::UpdateBufferCount() {
    if (!IsCursorOpen()) return;
    int count = 1;
    for (TDataSource* source : FDataSources)
        for (TDataLink* link : source->FDataLinks)
            count = std::max(count, link->BufferCount());
    SetBufferCount(count);
}

// Moves the buffer at `from` to `to`, shifting the ones in between by one.
void TDataSet::MoveBuffer(int from, int to) {
    if (from == to) return;
    TRecordBuffer b = FBuffers[static_cast<std::size_t>(from)];
    FBuffers.erase(FBuffers.begin() + from);
    FBuffers.insert(FBuffers.begin() + to, b);
}

void TDataSet::ActivateBuffers() {
    FRecordCount = 1;
    FActiveRecord = 0;
    FCurrentRecord = 0;
    FBOF = false;
    FEOF = false;
}

void TDataSet::ClearBuffers() {
    FRecordCount = 0;
    FActiveRecord = 0;
    FCurrentRecord = -1;
    FBOF = true;
    FEOF = true;
}

void TDataSet::SetCurrentRecord(int index) {
    if (FCurrentRecord == index) return;
    TRecordBuffer b = FBuffers[static_cast<std::size_t>(index)];
    switch (GetBookmarkFlag(b)) {
    case bfCurrent:
    case bfInserted: InternalSetToRecord(b); break;
    case bfBOF: InternalFirst(); break;
    case bfEOF: InternalLast(); break;
    }
    FCurrentRecord = index;
}

void TDataSet::UpdateCursorPos() {
    if (FRecordCount > 0) SetCurrentRecord(FActiveRecord);
}

// Fetches the record after the last one of the window into the window; the
// window slides when full. The active record index is left to the caller.
bool TDataSet::GetNextRecord() {
    TGetMode mode = gmNext;
    if (FRecordCount > 0) {
        SetCurrentRecord(FRecordCount - 1);
        if (FState == dsInsert && FCurrentRecord == FActiveRecord &&
            GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
            mode = gmCurrent;
    }
    if (GetRecord(FBuffers[static_cast<std::size_t>(FRecordCount)], mode, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (FRecordCount == 0) {
        ActivateBuffers();
    } else if (FRecordCount < FBufferCount) {
        ++FRecordCount;
    } else {
        MoveBuffer(0, FRecordCount);
    }
    FCurrentRecord = FRecordCount - 1;
    return true;
}

// Fetches the record before the first one of the window into position 0;
// the rows shift down and the active index follows its row while the
// window grows.
bool TDataSet::GetPriorRecord() {
    if (FRecordCount > 0) SetCurrentRecord(0);
    if (GetRecord(FBuffers[static_cast<std::size_t>(FRecordCount)], gmPrior, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (FRecordCount == 0) {
        ActivateBuffers();
    } else {
        MoveBuffer(FRecordCount, 0);
        if (FRecordCount < FBufferCount) {
            ++FRecordCount;
            if (FActiveRecord < FRecordCount - 1) ++FActiveRecord;
        }
    }
    FCurrentRecord = 0;
    return true;
}

void TDataSet::GetNextRecords() {
    while (FRecordCount < FBufferCount && GetNextRecord()) {
    }
}

void TDataSet::GetPriorRecords() {
    while (FRecordCount < FBufferCount && GetPriorRecord()) {
    }
}

void TDataSet::Resync(TResyncMode mode) {
    TRecordBuffer spare = FBuffers[static_cast<std::size_t>(FRecordCount)];
    if (mode.Contains(rmExact)) {
        CursorPosChanged();
        if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError(SRecordNotFound, this);
    } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
               GetRecord(spare, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    int before = mode.Contains(rmCenter) ? (FBufferCount - 1) / 2 : FActiveRecord;
    MoveBuffer(FRecordCount, 0);
    ActivateBuffers();
    try {
        while (before > 0 && GetPriorRecord()) --before;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(deDataSetChange, 0);
        throw;
    }
    DataEvent(deDataSetChange, 0);
}

// ---------------------------------------------------------------------------
// Navigation

void TDataSet::First() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
    } catch (...) {
        FBOF = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    FBOF = true;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

void TDataSet::Last() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
    } catch (...) {
        FEOF = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    FEOF = true;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int moved = 0;
    DoBeforeScroll();
    if ((distance > 0 && !FEOF) || (distance < 0 && !FBOF)) {
        FBOF = false;
        FEOF = false;
        int oldRecordCount = FRecordCount;
        int scrolled = 0;  // rows the window slid; sent to the links
        auto notify = [&] {
            if (FRecordCount != oldRecordCount)
                DataEvent(deDataSetChange, 0);
            else
                DataEvent(deDataSetScroll, scrolled);
        };
        try {
            while (distance > 0) {
                if (FActiveRecord < FRecordCount - 1) {
                    ++FActiveRecord;
                } else {
                    int slide = FRecordCount < FBufferCount ? 0 : 1;
                    if (!GetNextRecord()) {
                        FEOF = true;
                        break;
                    }
                    scrolled -= slide;
                    if (slide == 0) ++FActiveRecord;
                }
                --distance;
                ++moved;
            }
            while (distance < 0) {
                if (FActiveRecord > 0) {
                    --FActiveRecord;
                } else {
                    int slide = FRecordCount < FBufferCount ? 0 : 1;
                    if (!GetPriorRecord()) {
                        FBOF = true;
                        break;
                    }
                    scrolled += slide;
                    if (slide == 0) --FActiveRecord;
                }
                ++distance;
                --moved;
            }
        } catch (...) {
            notify();
            throw;
        }
        notify();
        DoAfterScroll();
    }
    return moved;
}

void TDataSet::DisableControls() {
    if (FDisableCount == 0) {
        FDisableState = FState;
        FEventPending = false;
    }
    ++FDisableCount;
}

void TDataSet::EnableControls() {
    if (FDisableCount == 0) return;
    if (--FDisableCount != 0) return;
    // What happened meanwhile reaches the links as one event.
    if (FDisableState != FState) DataEvent(deUpdateState, 0);
    if (FState != dsInactive && (FEventPending || FDisableState != FState)) {
        FEventPending = false;
        DataEvent(deDataSetChange, 0);
    }
    FEventPending = false;
}

// ---------------------------------------------------------------------------
// Bookmarks

bool TDataSet::BookmarkAvailable() {
    return (FState == dsBrowse || FState == dsEdit || FState == dsInsert) && !IsEmpty() &&
           GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() {
    TBookmark bookmark;
    if (!BookmarkAvailable() || FBookmarkSize <= 0) return bookmark;
    bookmark.resize(static_cast<std::size_t>(FBookmarkSize));
    GetBookmarkData(ActiveBuffer(), bookmark.data());
    return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty()) return;
    if (static_cast<int>(bookmark.size()) != FBookmarkSize)
        DatabaseErrorFmt(SBookmarkSize, this, static_cast<int>(bookmark.size()), FBookmarkSize);
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(bookmark.data());
    Resync(TResyncMode{rmExact, rmCenter});
    DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark&) { return false; }

int TDataSet::CompareBookmarks(const TBookmark&, const TBookmark&) { return 0; }

// ---------------------------------------------------------------------------
// Editing

void TDataSet::CheckCanModify() {
    if (!CanModify()) DatabaseError(SDataSetReadOnly, this);
}

void TDataSet::CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& errorEvent) {
    for (;;) {
        try {
            UpdateCursorPos();
            operation();
            return;
        } catch (EDatabaseError& e) {
            TDataAction action = daFail;
            if (errorEvent) {
                TDataSetErrorEvent handler = errorEvent;
                handler(this, e, action);
            }
            if (action == daFail) throw;
            if (action == daAbort) throw EAbort(e.Message());
        }
    }
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeInsert();
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        UpdateCursorPos();
        FreeFieldBuffers();
        SetState(dsBrowse);
        Resync(TResyncMode{});
        throw;
    }
    FModified = false;
    DataEvent(deDataSetChange, 0);
    DoAfterInsert();
    DoAfterScroll();
}

void TDataSet::Insert() {
    BeginInsertAppend();
    TBookmark current = GetBookmark();
    MoveBuffer(FRecordCount, FActiveRecord);
    CursorPosChanged();
    TRecordBuffer b = ActiveBuffer();
    InitRecord(b);
    if (FRecordCount == 0)
        SetBookmarkFlag(b, bfBOF);
    else if (!current.empty())
        SetBookmarkData(b, current.data());
    if (FRecordCount < FBufferCount) ++FRecordCount;
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer b = FBuffers[0];
    InitRecord(b);
    SetBookmarkFlag(b, bfEOF);
    FRecordCount = 1;
    FBOF = false;
    GetPriorRecords();
    InternalLast();
    FCurrentRecord = -1;
    EndInsertAppend();
}

void TDataSet::Edit() {
    if (FState == dsEdit || FState == dsInsert) return;
    CheckActive();
    CheckCanModify();
    if (FRecordCount == 0) {
        Insert();
        return;
    }
    DoBeforeEdit();
    CheckOperation([this] { InternalEdit(); }, OnEditError);
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    DoAfterEdit();
}

void TDataSet::UpdateRecord() {
    if (!dsEditModes.Contains(FState)) DatabaseError(SNotEditing, this);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::Post() {
    UpdateRecord();
    if (FState != dsEdit && FState != dsInsert) return;
    DataEvent(deCheckBrowseMode, 0);
    DoBeforePost();
    CheckOperation([this] { InternalPost(); }, OnPostError);
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(TResyncMode{});
    DoAfterPost();
}

void TDataSet::Cancel() {
    if (FState == dsSetKey) {
        SetState(dsBrowse);
        return;
    }
    if (FState != dsEdit && FState != dsInsert) return;
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeCancel();
    bool scrollEvents = FState == dsInsert;
    if (scrollEvents) DoBeforeScroll();
    UpdateCursorPos();
    InternalCancel();
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(TResyncMode{});
    DoAfterCancel();
    if (scrollEvents) DoAfterScroll();
}

void TDataSet::Delete() {
    CheckActive();
    if (FState == dsInsert || FState == dsSetKey) {
        Cancel();
        return;
    }
    if (FRecordCount == 0) DatabaseError(SDataSetEmpty, this);
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeDelete();
    DoBeforeScroll();
    CheckOperation([this] { InternalDelete(); }, OnDeleteError);
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(TResyncMode{});
    DoAfterDelete();
    DoAfterScroll();
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    switch (FState) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (FModified)
            Post();
        else
            Cancel();
        break;
    case dsSetKey: Cancel(); break;
    default: break;
    }
}

void TDataSet::Refresh() {
    FireDataSetEvent(BeforeRefresh);
    CheckBrowseMode();
    UpdateCursorPos();
    try {
        InternalRefresh();
    } catch (...) {
        Resync(TResyncMode{});
        throw;
    }
    Resync(TResyncMode{});
    FireDataSetEvent(AfterRefresh);
}

void TDataSet::FreeFieldBuffers() {
    for (TField* f : FFields.FList)
        if (f->IsBlob()) {
            if (FState == dsEdit || FState == dsInsert) CloseBlob(f);
            static_cast<TBlobField*>(f)->SetModified(false);
        }
}

void TDataSet::InsertRecordValues(const std::vector<Variant>& values, bool append) {
    BeginInsertAppend();
    if (!append) UpdateCursorPos();
    DisableControls();
    try {
        MoveBuffer(FRecordCount, FActiveRecord);
        CursorPosChanged();
        TRecordBuffer b = ActiveBuffer();
        InitRecord(b);
        const TDataSetState old = SetTempState(dsInsert);
        auto restore = ScopeExit([this, old] { RestoreState(old); });
        std::size_t n = std::min(values.size(), static_cast<std::size_t>(FieldCount()));
        for (std::size_t i = 0; i < n; ++i)
            if (!values[i].IsEmpty()) FFields[static_cast<int>(i)]->SetAsVariant(values[i]);
        DoBeforePost();
        CheckRequiredFields();
        InternalAddRecord(b, append);
    } catch (...) {
        FreeFieldBuffers();
        Resync(TResyncMode{});
        EnableControls();
        throw;
    }
    FreeFieldBuffers();
    Resync(TResyncMode{});
    EnableControls();
    DoAfterPost();
    DoAfterScroll();
}

// ---------------------------------------------------------------------------
// Events

void TDataSet::FireDataSetEvent(const TDataSetNotifyEvent& event) {
    if (!event) return;
    TDataSetNotifyEvent handler = event;
    handler(this);
}

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info) {
    switch (event) {
    case deFieldChange: {
        auto* field = reinterpret_cast<TField*>(info);
        if (field && (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc)) FModified = true;
        if (FState != dsSetKey && field && field->FieldKind() == fkData) CalculateFields(ActiveBuffer());
        if (field) field->Change();
        break;
    }
    case dePropertyChange:
    case deFieldListChange:
        if (FState != dsInactive) UpdateBufferCount();
        break;
    default: break;
    }
    if (FDisableCount != 0) {
        // Only state changes and focus requests pass while controls are off.
        if (event != deUpdateState && event != deFocusControl) {
            FEventPending = true;
            return;
        }
        if (event == deUpdateState) return;
    }
    for (TDataSource* source : std::vector<TDataSource*>(FDataSources)) source->DataEvent(event, info);
}

void TDataSet::AddDataSource(TDataSource* source) {
    FDataSources.push_back(source);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
    auto it = std::find(FDataSources.begin(), FDataSources.end(), source);
    if (it != FDataSources.end()) FDataSources.erase(it);
    UpdateBufferCount();
}
