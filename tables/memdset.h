#pragma once
// The in-memory table behind every table of the client: all records live in
// memory, in one list kept in the order of the sort field, and the whole
// table is saved to and loaded from its own binary file (memdset_file.cpp).
// Sorting and the filter list are in memdset_sort.cpp, Locate and Lookup in
// memdset_locate.cpp, blob streams in memdset_blob.cpp and the delimited-text
// export and import in memdset_text.cpp.
//
// Stored record image, per stored field in field order (every field but the
// blob fields; calculated and lookup fields are stored like data fields):
//   OFFSET          SIZE       DESCRIPTION
//   NullOffset      1          1 = has a value, 0 = null
//   NullOffset + 1  DataSize   the value in the field's native form (Fields.h)
// The first field is the hidden integer field RecId. Values that do not fit
// a fixed slot live beside the image in the record, as values: the blob texts
// (one per blob field, in field order, or none at all) and the UTF-16 text of
// each wide-string field (its 4-byte slot in the image stays zero). Copying
// a record copies them; no pointer is ever kept inside an image.
//
// Window buffers (TMemRecBuf) hold the same image plus the record id, which
// is the bookmark, the bookmark flag, and the same value slots.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/db/DB.h"
#include "platform/rtl/ScopeGuard.h"

class TFileBuffer;
class TMemData;
class TMemFields;
class TMemFileReader;
class TStringList;

// What RestoreFromFile made of a table file. The client's start-up looks at
// it for each table: a file read only in part is set aside (renamed, so that
// the next save does not replace what could still be rescued from it) and
// the user is warned; a missing file (FileExists tells) is a first run.
//   rrComplete    read in full: the table holds every record of the file
//   rrPartial     read only in part: the file is damaged after record
//                 Records (0: in its header); the table holds those records,
//                 the rest of the file was not read
//   rrUnreadable  the file could not be opened or read: the table is as it was
enum TMemReadResult { rrComplete, rrPartial, rrUnreadable };
// Where rrPartial found the damage, so that a warning can name it in the
// user's language (Reason is the engine's own English detail):
//   rdHeader    in the header: the signature, the version or a column
//               descriptor is cut short or impossible
//   rdColumns   the header is whole but names no field of the table (the
//               file of another table)
//   rdRecord    in record Records + 1
enum TMemDamage { rdNone, rdHeader, rdColumns, rdRecord };
struct TMemReadStatus {
    TMemReadResult Result = rrComplete;
    int Records = 0;          // records read in full
    Int64 DamageOffset = -1;  // rrPartial: the byte of the file where the damage was found
    TMemDamage Damage = rdNone;
    AnsiString Reason;        // rrPartial, rrUnreadable: the file and what is wrong, for the warning
};

enum TMemSortOption { soDesc, soCaseInsensitive };
using TMemSortOptions = TSet<TMemSortOption>;

// Values of a record that do not fit a fixed slot of its image.
struct TMemRecordValues {
    std::vector<AnsiString> Blobs;       // empty: no blob values yet
    std::vector<std::u16string> Wides;   // one per wide-string field
};

// One stored record: one entry of the storage's record list, kept small
// because a large table's list is written once per record when it loads.
// The image belongs to the storage's image blocks (TMemImages); the entry
// only points at it. Values exist in tables with blob or wide-string
// fields only, in every record of such a table.
struct TMemRecord {
    Byte* Data = nullptr;  // record image
    Integer Id = 0;        // record id (bookmark)
    std::unique_ptr<TMemRecordValues> Values;

    TMemRecord() = default;
    // A record moved from no longer points at the image.
    TMemRecord(TMemRecord&& other) noexcept
        : Data(std::exchange(other.Data, nullptr)), Id(other.Id), Values(std::move(other.Values)) {}
    TMemRecord& operator=(TMemRecord&& other) noexcept {
        Data = std::exchange(other.Data, nullptr);
        Id = other.Id;
        Values = std::move(other.Values);
        return *this;
    }

    const std::u16string& Wide(int index) const { return Values->Wides[static_cast<std::size_t>(index)]; }
    // nullptr when the record has no value for the blob slot.
    const AnsiString* Blob(int slot) const {
        if (!Values || slot < 0 || static_cast<std::size_t>(slot) >= Values->Blobs.size()) return nullptr;
        return &Values->Blobs[static_cast<std::size_t>(slot)];
    }
};

// Zeroed memory for the record list and the image blocks: from 256 KB on
// straight from the system in huge pages, a page fault per 2 MB instead of
// per 4 KB, because the first write to each fresh 4 KB page costs as much as
// copying a few hundred kilobytes; less from the heap. Raises std::bad_alloc.
void* AllocTableMemory(std::size_t bytes);
void FreeTableMemory(void* memory, std::size_t bytes);

// The record list's allocator.
template <class T>
struct TTableAllocator {
    using value_type = T;
    TTableAllocator() = default;
    template <class U>
    TTableAllocator(const TTableAllocator<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(AllocTableMemory(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) { FreeTableMemory(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const TTableAllocator<U>&) const { return true; }
};

// The record images of one table, carved from blocks of many images: one
// allocation for many records instead of one each, which cost a large table
// most of its appending and loading. Blocks grow from a few images, so that a
// small table costs little, to many huge pages, and a loading file has a
// block made for the records it will bring. A block stays until the storage
// is cleared; the image of a deleted record is reused by the next record.
// Images come zeroed.
//
// Under AddressSanitizer a block cannot hide a fault the heap would show: an
// image is fenced by poisoned bytes, poisoned when given back and never
// handed out again, so reading a deleted record or past an image is reported.
#if defined(__SANITIZE_ADDRESS__)
#define VEMLOR_TABLE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEMLOR_TABLE_ASAN 1
#endif
#endif

class TMemImages {
public:
    TMemImages() = default;
    ~TMemImages() { Reset(0); }
    TMemImages(const TMemImages&) = delete;
    TMemImages& operator=(const TMemImages&) = delete;

    // Frees every block; images of `imageSize` bytes from now on.
    void Reset(std::size_t imageSize);
    Byte* Take() {
#ifndef VEMLOR_TABLE_ASAN
        if (FFree.empty() && FUsed < FCapacity) return static_cast<Byte*>(FBlocks.back().Memory) + FUsed++ * FStride;
#endif
        return TakeElsewhere();
    }
#ifdef VEMLOR_TABLE_ASAN
    void Give(Byte* image);
#else
    void Give(Byte* image) { FFree.push_back(image); }
#endif
    // Room for `count` more images in one block.
    void Reserve(std::size_t count);

private:
    struct TBlock {
        void* Memory;
        std::size_t Bytes;
    };
    // An image given back before, or one from a new block.
    Byte* TakeElsewhere();
    void NewBlock(std::size_t capacity);

    std::vector<TBlock> FBlocks;
    std::vector<Byte*> FFree;
    std::size_t FSize = 1;
    std::size_t FStride = 1;    // from one image to the next in a block
    std::size_t FCapacity = 0;  // images in the newest block
    std::size_t FUsed = 0;      // of them handed out
};

// One record buffer of the data-set window.
struct TMemRecBuf {
    std::vector<Byte> Data;
    Integer Id = 0;
    TBookmarkFlag Flag = bfCurrent;
    std::vector<AnsiString> Blobs;
    std::vector<std::u16string> Wides;
};

// One stored column.
class TMemField : public TObject {
public:
    TMemField(TMemFields* owner, int index);
    // Binds the descriptor to a field: offsets after the previous
    // descriptor, the auto-increment and wide-string lists, maximum 0.
    virtual void Bind(TField* field);

    TField* Field() const { return FField; }
    TFieldType DataType() const { return FDataType; }
    int DataSize() const { return FDataSize; }
    int NullOffset() const { return FNullOffset; }
    int ValueOffset() const { return FNullOffset + 1; }
    int Index() const { return FIndex; }
    TMemFields* Owner() const { return FOwner; }
    bool IsRecId() const { return FIsRecId; }
    bool IsAutoInc() const { return FIsAutoInc; }
    bool IsWideString() const { return FWideIndex >= 0; }
    int WideIndex() const { return FWideIndex; }
    Int64 AutoIncMax = 0;

    // Direct storage access to the stored record at 0-based position `pos`
    // (storage order, no cursor move, no events). The position must be valid.
    const Byte* ValuePtr(int pos) const;
    bool IsNullAt(int pos) const;
    const std::u16string& WideValue(int pos) const;

private:
    TMemFields* FOwner;
    TField* FField = nullptr;
    TFieldType FDataType = ftUnknown;
    int FDataSize = 0;
    int FNullOffset = 0;
    int FIndex;
    int FWideIndex = -1;
    bool FIsRecId = false;
    bool FIsAutoInc = false;
};

// The storage of one table: descriptors, records and the record size.
class TMemFields : public TObject {
public:
    explicit TMemFields(TMemData* owner) : FOwner(owner) {}

    int Count() const { return static_cast<int>(FFields.size()); }
    // By 0-based index in field order; index 0 is RecId. nullptr when out of range.
    TMemField* FieldAt(int index) const;
    TMemField* FindDescriptor(const TField* field) const;
    // 0 when the table is closed.
    int StoredRecordCount() const { return static_cast<int>(FRecords.size()); }
    int RecordSize() const { return FRecordSize; }
    int BlobCount() const { return FBlobCount; }
    int WideCount() const { return static_cast<int>(FWides.size()); }
    // The blob slot of a blob field, -1 for any other field.
    int BlobIndex(const TField* field) const;
    const std::vector<TField*>& CalcFields() const { return FCalcFields; }
    const std::vector<TMemField*>& AutoIncFields() const { return FAutoIncs; }
    TMemData* Owner() const { return FOwner; }
    const TMemRecord& Record(int pos) const { return FRecords[static_cast<std::size_t>(pos)]; }
    // Whether records carry values beside the image (TMemRecord::Values).
    bool HasRecordValues() const { return FBlobCount > 0 || !FWides.empty(); }

private:
    friend class TMemData;
    friend class TMemField;
    friend class TMemFileReader;
    void Clear();
    // A record with a zeroed image (and its values, when the table has any)
    // that is not in the list yet. Discard gives the image of one that never
    // gets there to the next record; without it (an exception on the way) the
    // image stays unused until the storage is cleared.
    TMemRecord NewRecord() {
        TMemRecord r;
        if (HasRecordValues()) r.Values = NewValues();
        r.Data = FImages.Take();
        return r;
    }
    void Discard(TMemRecord& record);
    std::unique_ptr<TMemRecordValues> NewValues() const;

    TMemData* FOwner;
    std::vector<std::unique_ptr<TMemField>> FFields;
    // Where each field's value lives, found by a short scan: a table has a
    // few fields, and every value read and written looks its field up here.
    struct TFieldSlot {
        const TField* Field;
        TMemField* Desc;  // none for blob fields
        int BlobSlot;     // -1 for every other field
    };
    const TFieldSlot* Slot(const TField* field) const {
        for (const TFieldSlot& s : FSlots)
            if (s.Field == field) return &s;
        return nullptr;
    }
    std::vector<TFieldSlot> FSlots;
    std::vector<TField*> FCalcFields;
    std::vector<TMemField*> FAutoIncs;
    std::vector<TMemField*> FWides;
    std::vector<TMemRecord, TTableAllocator<TMemRecord>> FRecords;
    TMemImages FImages;
    bool FHasRecords = false;  // the record list exists (the table is open)
    int FRecordSize = 0;
    int FBlobCount = 0;
};

// The reader's working record for one column of a table file.
struct TMemReadField {
    TField* Field = nullptr;    // the matched field, or none
    TMemField* Desc = nullptr;  // its storage descriptor (none for blobs)
    int BlobSlot = -1;          // its blob slot (blob fields)
    Integer StoredSize = 0;     // the column's size from the file
    Integer BufferSize = 0;     // the larger of the stored size and the field's data size
    Word Code = 0;              // the stored type code (kept for unmatched columns)
    Byte NullFlag = 1;          // of the current record; 1 for columns without a flag
    // The current record's value: a view into the file image (strings, blobs,
    // fixed-size values) or the decoded text of a wide string.
    std::string_view Value;
    std::u16string Wide;
};

// The stream through which blob fields (memo, graphic) of a TMemData are read
// and written (memdset_blob.cpp). A cached stream works on the blob slot of
// the record buffer it was opened on; an uncached one reads the stored value
// of the record that buffer holds and writes nothing. The position never goes
// below 0; it may lie past the end, where a read gives 0 bytes and a write
// fills the gap with zero bytes. The stream must not outlive its table; it
// stops reading and writing once its buffer has left the table's window.
class TMemBlobStream : public TStream {
public:
    // Write modes raise "Field '%s' cannot be modified" for a read-only field
    // and "Dataset not in edit or insert mode" outside edit and insert, unless
    // the field was already written in the current record.
    TMemBlobStream(TMemData* dataSet, TField* field, TBlobStreamMode mode);
    ~TMemBlobStream() override;

    LongInt Read(void* buffer, LongInt count) override;
    LongInt Write(const void* buffer, LongInt count) override;
    Int64 Seek(Int64 offset, Word origin) override;
    Int64 Size() override;
    // Cuts or lengthens (with zero bytes) the value.
    void SetSize(Int64 newSize) override;
    // Cuts the value at the position.
    void Truncate();

    bool Opened() const { return FOpened; }
    bool Cached() const { return FCached; }
    bool Modified() const { return FModified; }

private:
    // The value the stream reads; nullptr when there is none to read.
    const AnsiString* Value() const;
    // The buffer's slot when a write can be stored there, else nullptr.
    AnsiString* WritableSlot();

    TMemData* FDataSet;
    TField* FField;
    TMemRecBuf* FBuffer = nullptr;
    int FSlot = -1;
    bool FOpened = false;
    bool FModified = false;
    bool FCached = false;
    Int64 FPosition = 0;
};

class TMemData : public TDataSet {
public:
    explicit TMemData(TComponent* owner);
    ~TMemData() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    void SetName(const AnsiString& value) override;

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    TMemSortOptions SortOptions() const { return ReadSortOptions(); }
    void SetSortOptions(TMemSortOptions value) { ApplySortOptions(value); }
    const AnsiString& SortedField() const { return FSortedField; }
    void SetSortedField(const AnsiString& value) { ApplySortedField(value); }
    bool Filtered() const { return FFiltered; }
    bool Busy() const { return FBusy; }

    TMemFields* MemFields() { return &FStorage; }
    TField* RecIdField() const { return FRecIdField; }

    // The table file (layout in memdset_file.cpp). StoreToFile replaces the
    // file through a temporary file and raises the stream error on failure;
    // RestoreFromFile leaves the table as it is when the file cannot be read,
    // and says how much of the file it read (TMemReadStatus).
    void StoreToFile(const AnsiString& fileName);
    TMemReadStatus RestoreFromFile(const AnsiString& fileName);
    // The same image in memory.
    AnsiString StoreToBytes();
    TMemReadStatus RestoreFromBytes(std::string_view bytes);

    virtual void RecheckFilter();
    // 1-based stored position of the first record whose field equals value, else -1.
    virtual int FindRecordByValue(const Variant& value, const AnsiString& fieldName);
    virtual bool IsSupportedFieldType(TFieldType type) const;
    virtual void RebuildFilterList();

    bool Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) override;
    Variant Lookup(const AnsiString& keyFields, const Variant& keyValues, const AnsiString& resultFields) override;
    void SetOnFilterRecord(TFilterRecordEvent handler) override;

    bool GetFieldData(TField* field, void* buffer) override;
    void SetFieldData(TField* field, const void* buffer) override;
    std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;

    // Delimited text (memdset_text.cpp): a line of field names, then one line
    // per record of the fields' edit texts. Every field but calculated, lookup
    // and blob fields is a column, RecId included.
    char Delimiter() const { return FDelimiter; }
    void SetDelimiter(char value) { FDelimiter = value; }
    // Writes the records in table order; the cursor stays on its record. A
    // closed table writes nothing; a write failure raises.
    void ExportToTextFile(const AnsiString& fileName);
    // Replaces all records by the file's rows: columns are matched by name
    // (unknown names and calculated, lookup and blob fields are skipped, and
    // so are values beyond the header's columns), empty values stay null. A
    // value a field refuses stops the import with its error; the rows read
    // before it are kept and the table is left browsing, sorted.
    void ImportFromTextFile(const AnsiString& fileName);
    bool BookmarkValid(const TBookmark& bookmark) override;
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;

protected:
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& buffer) override;
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    void GetBookmarkData(TRecordBuffer buffer, void* data) override;
    void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return FStorage.FHasRecords; }
    void InternalInitFieldDefs() override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalHandleException() override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalGotoBookmark(const void* bookmark) override;
    void InternalPost() override;
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    void InternalDelete() override;
    void InternalRefresh() override;
    void ClearCalcFields(TRecordBuffer buffer) override;
    void CloseBlob(TField* field) override;
    bool GetCanModify() override { return !FReadOnly || FBusy; }
    int GetRecordCount() override;
    int GetRecNo() override;
    void SetRecNoImpl(int value) override;

    // Events that the engine's own walks over all records keep quiet.
    void DoBeforeOpen() override { if (!FBusy) TDataSet::DoBeforeOpen(); }
    void DoAfterOpen() override { if (!FBusy) TDataSet::DoAfterOpen(); }
    void DoBeforeClose() override { if (!FBusy) TDataSet::DoBeforeClose(); }
    void DoAfterClose() override { if (!FBusy) TDataSet::DoAfterClose(); }
    void DoBeforeInsert() override { if (!FBusy) TDataSet::DoBeforeInsert(); }
    void DoAfterInsert() override { if (!FBusy) TDataSet::DoAfterInsert(); }
    void DoBeforePost() override { if (!FBusy) TDataSet::DoBeforePost(); }
    void DoAfterPost() override { if (!FBusy) TDataSet::DoAfterPost(); }
    void DoAfterCancel() override { if (!FBusy) TDataSet::DoAfterCancel(); }
    void DoOnNewRecord() override { if (!FBusy) TDataSet::DoOnNewRecord(); }

    void ApplySortedField(const AnsiString& value);
    void ApplySortOptions(TMemSortOptions value);
    TMemSortOptions ReadSortOptions() const { return FSortOptions; }
    // Looks the sort field up again and sorts all stored records on it, then
    // rebuilds the filter list (nothing when busy, closed or without a
    // stored sort field).
    void Resort();
    // The descriptor of the field SortedField names, nullptr when there is
    // none or it has no storage (blob).
    TMemField* SortDescriptor() const;
    // The sort alone; false when there is no sort field to sort on.
    bool SortStorage();
    // Moves the record at the current index to its sorted place.
    void MoveToSortedPlace();
    // -1, 0, 1: the value comparison of two stored images on one column.
    int CompareValues(const TMemField* desc, const TMemRecord& a, const TMemRecord& b) const;
    // The text a string or wide-string field is ordered by, and that order
    // (CompareValues for texts, the sort options applied).
    AnsiString SortText(const TMemField* desc, const TMemRecord& record) const;
    int CompareTexts(const AnsiString& a, const AnsiString& b) const;

private:
    friend class TMemFileReader;
    // RestoreFromBytes; the reader gives back what it has read of `source`
    // (the buffer holding the bytes) as it goes, when there is one.
    TMemReadStatus Restore(std::string_view bytes, TFileBuffer* source);

    // Locate and Lookup (memdset_locate.cpp)
    struct TKey;
    bool LocateRecord(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options, bool move,
                      int& foundPos);
    bool ConvertKey(TField* field, const Variant& value, TKey& key);
    bool KeyMatches(const TKey& key, int pos, TLocateOptions options) const;
    int SearchSorted(const TKey& key, bool& found, bool IgnoreCase) const;
    void GoToStored(int pos);
    Variant StoredValue(TField* field, int pos);

    friend class TMemBlobStream;
    // The stored blob value of the record the buffer holds, nullptr when
    // there is none (not stored, or no blob values).
    const AnsiString* StoredBlob(const TMemRecBuf* buffer, int slot) const;
    bool IsLiveBuffer(const TMemRecBuf* buffer) const;
    // Text import (memdset_text.cpp)
    void ImportLines(const TStringList& lines);

    TMemRecBuf* ActiveRecBuf();
    // Shows `buffer` to the field objects (the filter state) until the
    // returned guard goes: how the engine reads a record outside the window.
    [[nodiscard]] auto ShowBuffer(TMemRecBuf& buffer) {
        TMemRecBuf* oldBuffer = FFilterBuffer;
        FFilterBuffer = &buffer;
        const TDataSetState old = SetTempState(dsFilter);
        return ScopeExit([this, oldBuffer, old] {
            RestoreState(old);
            FFilterBuffer = oldBuffer;
        });
    }
    // A record buffer sized for the stored columns, all bytes zero.
    TMemRecBuf EmptyBuffer() const;
    void CopyRecordToBuffer(const TMemRecord& record, TMemRecBuf& buffer) const;
    void CopyBufferToRecord(const TMemRecBuf& buffer, TMemRecord& record) const;
    int IndexOfId(Integer id) const;
    int FilterIndexOf(int pos) const;
    void InsertStored(int pos, TMemRecord&& record);
    void ApplyAutoIncrement(TMemRecord& record, bool keepLoadedValues) {
        ApplyAutoIncrement(record, keepLoadedValues, FStorage.AutoIncFields());
    }
    void ApplyAutoIncrement(TMemRecord& record, bool keepLoadedValues, const std::vector<TMemField*>& fields);
    void FilterInsertPosition(int pos);
    void FilterRemovePosition(int pos);
    void FilterMovePosition(int from, int to);
    void UpdateFiltered();
    bool AcceptsRecord(int pos);
    void PostInsert(TMemRecBuf& buffer, bool append);

    TMemFields FStorage{this};
    TIntegerField* FRecIdField = nullptr;
    TField* FSortField = nullptr;
    AnsiString FSortedField;
    TMemSortOptions FSortOptions;
    std::vector<int> FFilterList;  // 1-based stored positions, ascending
    bool FFiltered = false;
    int FCurrent = -1;             // 0-based stored position; -1 before the first
    int FFilterPos = -1;           // index into FFilterList
    Integer FIdCounter = 0;
    bool FReadOnly = false;
    bool FBusy = false;
    TMemRecBuf* FFilterBuffer = nullptr;  // the record OnFilterRecord looks at
    bool FConverting = false;              // a key is being converted: no validation, no events
    char FDelimiter = '\t';
};
