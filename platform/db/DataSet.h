#pragma once
// The data-set model: a cursor over records that some engine stores, seen
// through a window of record buffers, with field objects, data-aware links
// and the class library's events. The base knows nothing of how records are
// stored; an engine overrides the Internal* operations and the buffer calls.
//
// States and the transitions between them (method that performs each):
//   dsInactive -> dsBrowse            [Open, SetActive(true)]
//   dsBrowse   -> dsInactive          [Close, SetActive(false)] (an edit is dropped)
//   dsBrowse   -> dsEdit              [Edit]            (empty data set: Insert instead)
//   dsBrowse   -> dsInsert            [Insert, Append]
//   dsEdit     -> dsBrowse            [Post, Cancel, Delete, CheckBrowseMode]
//   dsInsert   -> dsBrowse            [Post, Cancel, Delete (= Cancel), CheckBrowseMode]
//   dsBrowse   -> dsBrowse            [First, Last, Next, Prior, MoveBy, GotoBookmark,
//                                      Delete, Refresh, Resync]
//   any        -> dsCalcFields -> back [CalculateFields: OnCalcFields and lookups run on
//                                      CalcBuffer, nothing else may happen meanwhile]
//   any        -> dsFilter / dsNewValue / dsInternalCalc / dsSetKey -> back
//                                     [SetTempState ... RestoreState, used by engines]
// Every navigation first leaves dsEdit/dsInsert through CheckBrowseMode (post
// when modified, else cancel).
//
// Buffer window: FBuffers holds BufferCount buffers plus one spare at index
// BufferCount. FRecordCount of them hold records, FActiveRecord is the one
// the fields show, FCurrentRecord the one the engine's cursor stands on (-1:
// unknown, UpdateCursorPos puts the cursor back on the active record).

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Set.h"
#include "platform/db/DBConsts.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Variant.h"

class TDataSet;
class TField;
class TDataSource;
class TDataLink;
class TStrings;

// The class library's field types, in its order.
enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
    ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
    ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
    ftLargeint, ftADT, ftArray, ftReference, ftDataSet
};
// "String", "Integer", ... as the messages name them.
AnsiString FieldTypeName(TFieldType type);

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

enum TDataSetState {
    dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
    dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};
using TDataSetStates = TSet<TDataSetState>;
inline constexpr TDataSetStates dsEditModes{dsEdit, dsInsert, dsSetKey};
inline constexpr TDataSetStates dsWriteModes{dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter,
                                             dsNewValue, dsInternalCalc};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
    deUpdateRecord, deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange,
    deFocusControl
};
enum TResyncModeFlag { rmExact, rmCenter };
using TResyncMode = TSet<TResyncModeFlag>;
enum TDataAction { daFail, daAbort, daRetry };
enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

// A record buffer is opaque to the base: the engine allocates it and decides
// what it holds. Only the engine's overrides look inside.
using TRecordBuffer = void*;
// A bookmark is a value: copying it is taking another bookmark; empty = none.
using TBookmark = std::vector<Byte>;

using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;
using TDataSetErrorEvent = std::function<void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action)>;
using TFilterRecordEvent = std::function<void(TDataSet* DataSet, bool& Accept)>;

// Raises EDatabaseError; a named component prefixes the text ("Adresa: ...").
[[noreturn]] void DatabaseError(const AnsiString& message, const TComponent* component = nullptr);
template <typename... TArgs>
[[noreturn]] void DatabaseErrorFmt(const char* fmt, const TComponent* component, const TArgs&... args) {
    DatabaseError(Format(fmt, args...), component);
}

// Where the data-set layer sends an exception it must not let escape (an
// engine's InternalHandleException, a failing blob-stream clean-up). The user
// interface installs the application's handler; the default drops it. Called
// inside a catch block: the handler may rethrow with `throw;` to inspect it.
using TDataExceptionHandler = std::function<void()>;
void SetDataExceptionHandler(TDataExceptionHandler handler);
void HandleDataException();

// ---------------------------------------------------------------------------
// Field definitions: what an engine can store, independent of field objects.

class TFieldDefs;

class TFieldDef {
public:
    TFieldDef(TFieldDefs* owner, const AnsiString& name, TFieldType type, int size, bool required,
              int fieldNo);
    const AnsiString& Name() const { return FName; }
    TFieldType DataType() const { return FDataType; }
    int Size() const { return FSize; }
    bool Required() const { return FRequired; }
    int FieldNo() const { return FFieldNo; }
    TFieldDefs* Collection() const { return FOwner; }
    // Creates the matching field object for the definitions' data set.
    TField* CreateField(TComponent* owner);

private:
    TFieldDefs* FOwner;
    AnsiString FName;
    TFieldType FDataType;
    int FSize;
    bool FRequired;
    int FFieldNo;
};

class TFieldDefs {
public:
    explicit TFieldDefs(TDataSet* dataSet) : FDataSet(dataSet) {}
    TFieldDef* Add(const AnsiString& name, TFieldType type, int size = 0, bool required = false);
    void Clear() { FItems.clear(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    TFieldDef* Items(int index) const;
    TFieldDef* operator[](int index) const { return Items(index); }
    // Ignoring case; -1 / nullptr when none, Find raises "Field '%s' not found".
    int IndexOf(const AnsiString& name) const;
    TFieldDef* Find(const AnsiString& name) const;
    // Asks the data set to rebuild the definitions.
    void Update();
    TDataSet* DataSet() const { return FDataSet; }

private:
    TDataSet* FDataSet;
    std::vector<std::unique_ptr<TFieldDef>> FItems;
};

// The field objects of one data set, in field order. Not owning.
class TFields {
public:
    explicit TFields(TDataSet* dataSet) : FDataSet(dataSet) {}
    int Count() const { return static_cast<int>(FList.size()); }
    // Raises "Field index out of range".
    TField* Fields(int index) const;
    TField* operator[](int index) const { return Fields(index); }
    int IndexOf(const TField* field) const;
    // Names compare ignoring case (ASCII).
    TField* FindField(const AnsiString& name) const;
    TField* FieldByName(const AnsiString& name) const;
    TDataSet* DataSet() const { return FDataSet; }

private:
    friend class TDataSet;
    friend class TField;
    void Add(TField* field);
    void Remove(TField* field);
    void Move(int from, int to);

    TDataSet* FDataSet;
    std::vector<TField*> FList;
};

// ---------------------------------------------------------------------------

class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* owner);
    ~TDataSet() override;

    // Opening and closing
    bool Active() const { return FState != dsInactive; }
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return FState; }

    // Navigation
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int distance);
    bool Eof() const { return FEOF; }
    bool Bof() const { return FBOF; }
    bool IsEmpty() const { return FActiveRecord >= FRecordCount; }
    int RecordCount() { return GetRecordCount(); }
    int RecNo() { return GetRecNo(); }
    void SetRecNo(int value) { SetRecNoImpl(value); }

    // Bookmarks
    bool BookmarkAvailable();
    TBookmark GetBookmark();
    void GotoBookmark(const TBookmark& bookmark);
    void FreeBookmark(TBookmark& bookmark) { bookmark.clear(); }
    TBookmark Bookmark() { return GetBookmark(); }
    void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
    virtual bool BookmarkValid(const TBookmark& bookmark);
    virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b);

    // Editing
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    void AppendRecord(const std::vector<Variant>& values) { InsertRecordValues(values, true); }
    void InsertRecord(const std::vector<Variant>& values) { InsertRecordValues(values, false); }
    void CheckBrowseMode();
    void UpdateRecord();
    void Refresh();
    void Resync(TResyncMode mode);
    bool Modified() const { return FModified; }
    bool CanModify() { return GetCanModify(); }
    void ClearFields();

    // Controls
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount != 0; }

    // Fields
    TFields& Fields() { return FFields; }
    int FieldCount() const { return FFields.Count(); }
    TFieldDefs& FieldDefs() { return FFieldDefs; }
    TField* FindField(const AnsiString& name) const { return FFields.FindField(name); }
    TField* FieldByName(const AnsiString& name) const;
    void GetFieldList(std::vector<TField*>& list, const AnsiString& fieldNames) const;
    bool DefaultFields() const { return FDefaultFields; }

    // Searching (filled in by engines)
    virtual bool Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options);
    virtual Variant Lookup(const AnsiString& keyFields, const Variant& keyValues,
                           const AnsiString& resultFields);

    // Record data, as the field objects read and write it. The buffer holds
    // the field's native form (DataSize bytes); for a wide-string field it is
    // a std::u16string*, for a blob field an AnsiString*. A null buffer on
    // read only asks whether there is a value; on write it writes null.
    virtual bool GetFieldData(TField* field, void* buffer);
    virtual void SetFieldData(TField* field, const void* buffer);
    // Owned by the caller; nullptr when the engine has no blob streams.
    virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);

    // The buffer window (for data links and engines)
    TRecordBuffer ActiveBuffer() const;
    TRecordBuffer CalcBuffer() const { return FCalcBuffer; }
    int BufferCount() const { return FBufferCount; }
    int ActiveRecordIndex() const { return FActiveRecord; }
    int WindowRecordCount() const { return FRecordCount; }

    virtual void DataEvent(TDataEvent event, std::intptr_t info);

    // Events
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;
    TDataSetErrorEvent OnPostError, OnEditError, OnDeleteError;
    // Engines that filter read it; SetOnFilterRecord lets them react.
    const TFilterRecordEvent& OnFilterRecord() const { return FOnFilterRecord; }
    virtual void SetOnFilterRecord(TFilterRecordEvent handler) { FOnFilterRecord = std::move(handler); }

protected:
    // Record buffers
    virtual TRecordBuffer AllocRecordBuffer() = 0;
    virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
    virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
    virtual void GetBookmarkData(TRecordBuffer buffer, void* data) = 0;
    virtual void SetBookmarkData(TRecordBuffer buffer, const void* data) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
    virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) = 0;

    // The engine's cursor and storage
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() const = 0;
    virtual void InternalInitFieldDefs() = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalHandleException();
    virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
    virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
    virtual void InternalGotoBookmark(const void* bookmark) = 0;
    // The base checks required fields here; overrides call it first.
    virtual void InternalPost();
    virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
    virtual void InternalDelete() = 0;
    virtual void InternalCancel() {}
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    virtual void InternalRefresh() {}
    virtual void ClearCalcFields(TRecordBuffer) {}
    virtual void CloseBlob(TField*) {}
    virtual bool GetCanModify() { return true; }
    virtual int GetRecordCount() { return -1; }
    virtual int GetRecNo() { return -1; }
    virtual void SetRecNoImpl(int) {}

    // Helpers for engines
    void SetState(TDataSetState value);
    TDataSetState SetTempState(TDataSetState value);
    void RestoreState(TDataSetState value);
    void SetModified(bool value) { FModified = value; }
    void SetBookmarkSize(int size) { FBookmarkSize = size; }
    int BookmarkSize() const { return FBookmarkSize; }
    TRecordBuffer Buffer(int index) const { return FBuffers[static_cast<std::size_t>(index)]; }
    // Whether the buffer is still one of the window's (or the calculation
    // buffer): objects that keep a buffer across calls check before use.
    bool IsWindowBuffer(TRecordBuffer buffer) const;
    void CreateFields();
    void DestroyFields();
    void BindFields(bool binding);
    void InitFieldDefsFromFields();
    void CheckActive() const;
    void CheckInactive() const;
    void CheckRequiredFields();
    void UpdateCursorPos();
    void CursorPosChanged() { FCurrentRecord = -1; }
    void ClearBuffers();
    void CalculateFields(TRecordBuffer buffer);
    // OnCalcFields; engines may add their own calculation.
    virtual void DoOnCalcFields();
    void InitRecord(TRecordBuffer buffer);
    void CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& errorEvent);

    virtual void DoBeforeOpen() { FireDataSetEvent(BeforeOpen); }
    virtual void DoAfterOpen() { FireDataSetEvent(AfterOpen); }
    virtual void DoBeforeClose() { FireDataSetEvent(BeforeClose); }
    virtual void DoAfterClose() { FireDataSetEvent(AfterClose); }
    virtual void DoBeforeInsert() { FireDataSetEvent(BeforeInsert); }
    virtual void DoAfterInsert() { FireDataSetEvent(AfterInsert); }
    virtual void DoBeforeEdit() { FireDataSetEvent(BeforeEdit); }
    virtual void DoAfterEdit() { FireDataSetEvent(AfterEdit); }
    virtual void DoBeforePost() { FireDataSetEvent(BeforePost); }
    virtual void DoAfterPost() { FireDataSetEvent(AfterPost); }
    virtual void DoBeforeCancel() { FireDataSetEvent(BeforeCancel); }
    virtual void DoAfterCancel() { FireDataSetEvent(AfterCancel); }
    virtual void DoBeforeDelete() { FireDataSetEvent(BeforeDelete); }
    virtual void DoAfterDelete() { FireDataSetEvent(AfterDelete); }
    virtual void DoBeforeScroll() { FireDataSetEvent(BeforeScroll); }
    virtual void DoAfterScroll() { FireDataSetEvent(AfterScroll); }
    virtual void DoOnNewRecord() { FireDataSetEvent(OnNewRecord); }
    void FireDataSetEvent(const TDataSetNotifyEvent& event);

    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TField;
    friend class TFieldDefs;
    friend class TDataSource;
    friend class TDataLink;

    void OpenCursor();
    void CloseCursor();
    void SetBufferCount(int value);
    void UpdateBufferCount();
    // The window's rows moved down by `distance` (up when negative).
    void ShiftLinks(int distance);
    void MoveBuffer(int from, int to);
    bool GetNextRecord();
    bool GetPriorRecord();
    void GetNextRecords();
    void GetPriorRecords();
    void SetCurrentRecord(int index);
    void ActivateBuffers();
    void BeginInsertAppend();
    void EndInsertAppend();
    void FreeFieldBuffers();
    void InsertRecordValues(const std::vector<Variant>& values, bool append);
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    void AddField(TField* field);
    void RemoveField(TField* field);
    void CheckCanModify();

    TDataSetState FState = dsInactive;
    TFields FFields;
    TFieldDefs FFieldDefs;
    std::vector<TDataSource*> FDataSources;
    std::vector<TRecordBuffer> FBuffers;
    int FBufferCount = 0;
    int FRecordCount = 0;
    int FActiveRecord = 0;
    int FCurrentRecord = -1;
    TRecordBuffer FCalcBuffer = nullptr;
    int FBookmarkSize = 0;
    int FDisableCount = 0;
    TDataEvent FPendingEvent = deDataSetChange;
    bool FEventPending = false;
    bool FBOF = true;
    bool FEOF = true;
    bool FModified = false;
    bool FDefaultFields = false;
    bool FInternalCalc = false;
    TDataSetState FDisableState = dsInactive;
    TFilterRecordEvent FOnFilterRecord;
};
