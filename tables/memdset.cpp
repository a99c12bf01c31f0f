#include "tables/memdset.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/classes/ClassRegistry.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/FileBuffer.h"

#ifdef VEMLOR_TABLE_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace {

constexpr const char* SUnsupportedFieldType = "Unsupported field type: %s";
constexpr const char* SBookmarkNotFound = "Bookmark not found";
constexpr const char* SNoRecords = "No Records";

bool IsIntegerKind(TFieldType t) {
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc || t == ftLargeint;
}

Int64 ReadInteger(const Byte* p, TFieldType t) {
    switch (t) {
    case ftSmallint: { std::int16_t v; std::memcpy(&v, p, 2); return v; }
    case ftWord: { std::uint16_t v; std::memcpy(&v, p, 2); return v; }
    case ftLargeint: { Int64 v; std::memcpy(&v, p, 8); return v; }
    default: { std::int32_t v; std::memcpy(&v, p, 4); return v; }
    }
}

void WriteInteger(Byte* p, TFieldType t, Int64 value) {
    switch (t) {
    case ftSmallint:
    case ftWord: { auto v = static_cast<std::uint16_t>(value); std::memcpy(p, &v, 2); break; }
    case ftLargeint: std::memcpy(p, &value, 8); break;
    default: { auto v = static_cast<std::uint32_t>(value); std::memcpy(p, &v, 4); break; }
    }
}

TMemRecBuf* Buf(TRecordBuffer b) { return static_cast<TMemRecBuf*>(b); }

template <typename T>
int Sign(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }

double DateValue(const Byte* p, TFieldType t) {
    switch (t) {
    case ftDate: { std::int32_t d; std::memcpy(&d, p, 4); return static_cast<double>(d) - DateDelta; }
    case ftTime: { std::int32_t ms; std::memcpy(&ms, p, 4); return static_cast<double>(ms) / MSecsPerDay; }
    default: { double ms; std::memcpy(&ms, p, 8); return ms / MSecsPerDay - DateDelta; }
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Table memory

namespace {

constexpr std::size_t kHugeFrom = std::size_t{256} << 10;

std::size_t HugePagesFor(std::size_t bytes) { return (bytes + HugePageSize - 1) & ~(HugePageSize - 1); }

}  // namespace

void* AllocTableMemory(std::size_t bytes) {
    void* memory = bytes >= kHugeFrom ? AllocHugePages(HugePagesFor(bytes)) : std::calloc(1, std::max<std::size_t>(bytes, 1));
    if (!memory) throw std::bad_alloc();
    return memory;
}

void FreeTableMemory(void* memory, std::size_t bytes) {
    if (!memory) return;
    if (bytes >= kHugeFrom)
        FreeHugePages(memory, HugePagesFor(bytes));
    else
        std::free(memory);
}

#ifdef VEMLOR_TABLE_ASAN
namespace {
constexpr std::size_t kImageFence = 16;  // poisoned bytes after each image
}
#endif

void TMemImages::Reset(std::size_t imageSize) {
    for (const TBlock& b : FBlocks) {
#ifdef VEMLOR_TABLE_ASAN
        // The system may hand these bytes out again, unpoisoned.
        ASAN_UNPOISON_MEMORY_REGION(b.Memory, b.Bytes);
#endif
        FreeTableMemory(b.Memory, b.Bytes);
    }
    FBlocks.clear();
    FFree.clear();
    FFree.shrink_to_fit();
    FSize = std::max<std::size_t>(imageSize, 1);
#ifdef VEMLOR_TABLE_ASAN
    FStride = (FSize + 7) / 8 * 8 + kImageFence;
#else
    FStride = FSize;
#endif
    FCapacity = 0;
    FUsed = 0;
}

Byte* TMemImages::TakeElsewhere() {
#ifdef VEMLOR_TABLE_ASAN
    // A given-back image is never reused, so that a stale pointer to it
    // stays poisoned for as long as the table lives.
    if (FUsed < FCapacity) {
        Byte* image = static_cast<Byte*>(FBlocks.back().Memory) + FUsed++ * FStride;
        ASAN_UNPOISON_MEMORY_REGION(image, FSize);
        return image;
    }
#else
    if (!FFree.empty()) {
        Byte* image = FFree.back();
        FFree.pop_back();
        std::memset(image, 0, FSize);
        return image;
    }
#endif
    // Small blocks grow fast to the size that earns huge pages, then each
    // block doubles what there is, so that a table of any size has few.
    constexpr std::size_t kFirstImages = 16;
    NewBlock(FBlocks.empty() ? kFirstImages : FCapacity * FStride < kHugeFrom ? FCapacity * 4 : FCapacity * 2);
    FUsed = 1;
    Byte* image = static_cast<Byte*>(FBlocks.back().Memory);
#ifdef VEMLOR_TABLE_ASAN
    ASAN_UNPOISON_MEMORY_REGION(image, FSize);
#endif
    return image;
}

#ifdef VEMLOR_TABLE_ASAN
void TMemImages::Give(Byte* image) { ASAN_POISON_MEMORY_REGION(image, FSize); }
#endif

void TMemImages::Reserve(std::size_t count) {
    if (FCapacity - FUsed < count) NewBlock(count);
}

void TMemImages::NewBlock(std::size_t capacity) {
    FBlocks.reserve(FBlocks.size() + 1);
    FBlocks.push_back({AllocTableMemory(capacity * FStride), capacity * FStride});
#ifdef VEMLOR_TABLE_ASAN
    ASAN_POISON_MEMORY_REGION(FBlocks.back().Memory, FBlocks.back().Bytes);
#endif
    FCapacity = capacity;
    FUsed = 0;
}

// ---------------------------------------------------------------------------
// TMemField

TMemField::TMemField(TMemFields* owner, int index) : FOwner(owner), FIndex(index) {}

void TMemField::Bind(TField* field) {
    FField = field;
    FDataType = field->DataType();
    FDataSize = field->DataSize();
    FNullOffset = 0;
    if (FIndex > 0) {
        const TMemField* prev = FOwner->FFields[static_cast<std::size_t>(FIndex - 1)].get();
        FNullOffset = prev->ValueOffset() + prev->DataSize();
    }
    FIsRecId = UpperCase(field->FieldName()) == "RECID";
    FIsAutoInc = (FIsRecId || FDataType == ftAutoInc) && IsIntegerKind(FDataType);
    if (FIsAutoInc) FOwner->FAutoIncs.push_back(this);
    FWideIndex = -1;
    if (FDataType == ftWideString) {
        FWideIndex = static_cast<int>(FOwner->FWides.size());
        FOwner->FWides.push_back(this);
    }
    AutoIncMax = 0;
}

const Byte* TMemField::ValuePtr(int pos) const { return FOwner->Record(pos).Data + ValueOffset(); }

bool TMemField::IsNullAt(int pos) const { return FOwner->Record(pos).Data[static_cast<std::size_t>(FNullOffset)] == 0; }

const std::u16string& TMemField::WideValue(int pos) const {
    return FOwner->Record(pos).Wide(FWideIndex);
}

// ---------------------------------------------------------------------------
// TMemFields

TMemField* TMemFields::FieldAt(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return FFields[static_cast<std::size_t>(index)].get();
}

TMemField* TMemFields::FindDescriptor(const TField* field) const {
    const TFieldSlot* s = Slot(field);
    return s ? s->Desc : nullptr;
}

int TMemFields::BlobIndex(const TField* field) const {
    const TFieldSlot* s = Slot(field);
    return s ? s->BlobSlot : -1;
}

std::unique_ptr<TMemRecordValues> TMemFields::NewValues() const {
    auto values = std::make_unique<TMemRecordValues>();
    values->Wides.resize(FWides.size());
    return values;
}

void TMemFields::Discard(TMemRecord& record) {
    if (record.Data) FImages.Give(std::exchange(record.Data, nullptr));
}

void TMemFields::Clear() {
    FRecords.clear();
    FRecords.shrink_to_fit();
    FImages.Reset(0);
    FHasRecords = false;
    FFields.clear();
    FSlots.clear();
    FCalcFields.clear();
    FAutoIncs.clear();
    FWides.clear();
    FRecordSize = 0;
    FBlobCount = 0;
}

// ---------------------------------------------------------------------------
// TMemData: life cycle

VEMLOR_PUBLISHED(TMemData, TDataSet) {
    Prop("Active", &TMemData::Active, &TMemData::SetActive);
    Prop("ReadOnly", &TMemData::ReadOnly, &TMemData::SetReadOnly);
    SetProp("SortOptions", &TMemData::SortOptions, &TMemData::SetSortOptions, {"soDesc", "soCaseInsensitive"},
            "TMemSortOptions");
    Prop("SortedField", &TMemData::SortedField, &TMemData::SetSortedField);
    EventProp("BeforeOpen", &TMemData::BeforeOpen);
    EventProp("AfterOpen", &TMemData::AfterOpen);
    EventProp("BeforeClose", &TMemData::BeforeClose);
    EventProp("AfterClose", &TMemData::AfterClose);
    EventProp("BeforeInsert", &TMemData::BeforeInsert);
    EventProp("AfterInsert", &TMemData::AfterInsert);
    EventProp("BeforeEdit", &TMemData::BeforeEdit);
    EventProp("AfterEdit", &TMemData::AfterEdit);
    EventProp("BeforePost", &TMemData::BeforePost);
    EventProp("AfterPost", &TMemData::AfterPost);
    EventProp("BeforeCancel", &TMemData::BeforeCancel);
    EventProp("AfterCancel", &TMemData::AfterCancel);
    EventProp("BeforeDelete", &TMemData::BeforeDelete);
    EventProp("AfterDelete", &TMemData::AfterDelete);
    EventProp("BeforeScroll", &TMemData::BeforeScroll);
    EventProp("AfterScroll", &TMemData::AfterScroll);
    EventProp("OnCalcFields", &TMemData::OnCalcFields);
    EventProp("OnDeleteError", &TMemData::OnDeleteError);
    EventProp("OnEditError", &TMemData::OnEditError);
    EventProp("OnNewRecord", &TMemData::OnNewRecord);
    EventProp("OnPostError", &TMemData::OnPostError);
    // Through its setter: a new handler rebuilds the filter list.
    EventProp("OnFilterRecord", &TMemData::OnFilterRecord, &TMemData::SetOnFilterRecord);
}
VEMLOR_REGISTER_CLASS(TMemData);

TMemData::TMemData(TComponent* owner) : TDataSet(owner) {
    FRecIdField = new TIntegerField(this);
    FRecIdField->SetFieldName("RecId");
    FRecIdField->SetVisible(false);
    FRecIdField->SetDataSet(this);
}

TMemData::~TMemData() {
    Destroying();
    Close();
}

void TMemData::SetName(const AnsiString& value) {
    TDataSet::SetName(value);
    if (FRecIdField) FRecIdField->SetName(value.empty() ? AnsiString() : value + "RecId");
}

bool TMemData::IsSupportedFieldType(TFieldType type) const {
    switch (type) {
    case ftString: case ftSmallint: case ftInteger: case ftWord: case ftBoolean: case ftFloat:
    case ftCurrency: case ftBCD: case ftDate: case ftTime: case ftDateTime: case ftAutoInc:
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle:
    case ftTypedBinary: case ftWideString: case ftLargeint:
        return true;
    default:
        return false;
    }
}

void TMemData::InternalOpen() {
    for (int i = 0; i < FieldCount(); ++i) {
        TField* f = Fields()[i];
        if (!IsSupportedFieldType(f->DataType())) DatabaseErrorFmt(SUnsupportedFieldType, nullptr, f->FieldName());
    }
    FStorage.Clear();
    FIdCounter = 0;
    FCurrent = -1;
    FFilterPos = -1;
    FFilterList.clear();
    FFiltered = false;
    SetBookmarkSize(4);
    InternalInitFieldDefs();
    if (DefaultFields()) CreateFields();
    int blobs = 0;
    for (int i = 0; i < FieldCount(); ++i) {
        TField* f = Fields()[i];
        if (f->FieldKind() == fkCalculated) FStorage.FCalcFields.push_back(f);
        if (f->IsBlob()) {
            FStorage.FSlots.push_back({f, nullptr, blobs++});
            continue;
        }
        auto desc = std::make_unique<TMemField>(&FStorage, FStorage.Count());
        FStorage.FFields.push_back(std::move(desc));
        TMemField* d = FStorage.FFields.back().get();
        d->Bind(f);
        FStorage.FSlots.push_back({f, d, -1});
        FStorage.FRecordSize = d->ValueOffset() + d->DataSize();
    }
    FStorage.FBlobCount = blobs;
    FStorage.FImages.Reset(static_cast<std::size_t>(FStorage.FRecordSize));
    FStorage.FHasRecords = true;
    BindFields(true);
    // The storage is empty: looking the sort field up is all the sort needs.
    FSortField = FindField(FSortedField);
    if (FSortField && !FStorage.FindDescriptor(FSortField)) FSortField = nullptr;
}

void TMemData::InternalInitFieldDefs() { InitFieldDefsFromFields(); }

void TMemData::InternalClose() {
    FStorage.Clear();
    FFilterList.clear();
    FFiltered = false;
    FSortField = nullptr;
    FCurrent = -1;
    FFilterPos = -1;
}

void TMemData::InternalHandleException() { HandleDataException(); }

// ---------------------------------------------------------------------------
// Buffers

TMemRecBuf TMemData::EmptyBuffer() const {
    TMemRecBuf b;
    b.Data.assign(static_cast<std::size_t>(FStorage.RecordSize()), 0);
    b.Blobs.resize(static_cast<std::size_t>(FStorage.BlobCount()));
    b.Wides.resize(static_cast<std::size_t>(FStorage.WideCount()));
    return b;
}

TRecordBuffer TMemData::AllocRecordBuffer() { return new TMemRecBuf(EmptyBuffer()); }

void TMemData::FreeRecordBuffer(TRecordBuffer& buffer) {
    delete Buf(buffer);
    buffer = nullptr;
}

void TMemData::InternalInitRecord(TRecordBuffer buffer) {
    TMemRecBuf* b = Buf(buffer);
    std::fill(b->Data.begin(), b->Data.end(), Byte{0});
    for (AnsiString& s : b->Blobs) s.clear();
    for (std::u16string& s : b->Wides) s.clear();
}

void TMemData::GetBookmarkData(TRecordBuffer buffer, void* data) { std::memcpy(data, &Buf(buffer)->Id, 4); }

void TMemData::SetBookmarkData(TRecordBuffer buffer, const void* data) { std::memcpy(&Buf(buffer)->Id, data, 4); }

TBookmarkFlag TMemData::GetBookmarkFlag(TRecordBuffer buffer) { return Buf(buffer)->Flag; }

void TMemData::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) { Buf(buffer)->Flag = value; }

void TMemData::CopyRecordToBuffer(const TMemRecord& record, TMemRecBuf& buffer) const {
    std::memcpy(buffer.Data.data(), record.Data, buffer.Data.size());
    buffer.Id = record.Id;
    buffer.Flag = bfCurrent;
    for (std::size_t i = 0; i < buffer.Blobs.size(); ++i) {
        const AnsiString* blob = record.Blob(static_cast<int>(i));
        buffer.Blobs[i] = blob ? *blob : AnsiString();
    }
    if (record.Values) buffer.Wides = record.Values->Wides;
}

void TMemData::CopyBufferToRecord(const TMemRecBuf& buffer, TMemRecord& record) const {
    std::memcpy(record.Data, buffer.Data.data(), buffer.Data.size());
    if (!record.Values) return;
    record.Values->Wides = buffer.Wides;  // deep copies: the record owns its texts
    if (FStorage.BlobCount() > 0) record.Values->Blobs = buffer.Blobs;
}

// ---------------------------------------------------------------------------
// Cursor

TGetResult TMemData::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
    TGetResult result = grOK;
    int count = FStorage.StoredRecordCount();
    if (!FStorage.FHasRecords) {
        result = grError;
    } else if (count == 0) {
        result = grEOF;
    } else if (!FFiltered) {
        switch (mode) {
        case gmCurrent: result = (FCurrent >= 0 && FCurrent < count) ? grOK : grError; break;
        case gmNext:
            if (FCurrent < count - 1) ++FCurrent; else result = grEOF;
            break;
        case gmPrior:
            if (FCurrent > 0) --FCurrent; else result = grBOF;
            break;
        }
    } else {
        int n = static_cast<int>(FFilterList.size());
        switch (mode) {
        case gmCurrent: result = (FFilterPos >= 0 && FFilterPos < n) ? grOK : grError; break;
        case gmNext:
            if (FFilterPos < n - 1) ++FFilterPos; else result = grEOF;
            break;
        case gmPrior:
            if (FFilterPos > 0) --FFilterPos; else result = grBOF;
            break;
        }
        if (n == 0 && result == grError) result = grEOF;
        FCurrent = result == grOK ? FFilterList[static_cast<std::size_t>(FFilterPos)] - 1 : -1;
    }
    if (result == grOK) {
        if (FCurrent < 0 || FCurrent >= count) {
            result = grError;
        } else {
            CopyRecordToBuffer(FStorage.FRecords[static_cast<std::size_t>(FCurrent)], *Buf(buffer));
        }
    }
    if (result == grError && doCheck) DatabaseError(SNoRecords, this);
    return result;
}

int TMemData::GetRecordCount() {
    if (!FStorage.FHasRecords) return 0;
    return FFiltered ? static_cast<int>(FFilterList.size()) : FStorage.StoredRecordCount();
}

int TMemData::GetRecNo() {
    if (!FStorage.FHasRecords) return 0;
    UpdateCursorPos();
    if (FCurrent == -1 && GetRecordCount() > 0) return 1;
    return FFiltered ? FFilterPos + 1 : FCurrent + 1;
}

void TMemData::SetRecNoImpl(int value) {
    CheckBrowseMode();
    if (value < 1 || value > GetRecordCount()) return;
    DoBeforeScroll();
    UpdateCursorPos();
    int oldCurrent = FCurrent;
    if (FFiltered) {
        FFilterPos = value - 1;
        FCurrent = FFilterList[static_cast<std::size_t>(FFilterPos)] - 1;
    } else {
        FCurrent = value - 1;
    }
    if (FCurrent != oldCurrent) {
        Resync(TResyncMode{rmCenter});
        DoAfterScroll();
    }
}

void TMemData::InternalFirst() {
    FCurrent = -1;
    FFilterPos = -1;
}

void TMemData::InternalLast() {
    FCurrent = FStorage.StoredRecordCount();
    FFilterPos = static_cast<int>(FFilterList.size());
}

int TMemData::IndexOfId(Integer id) const {
    const auto& recs = FStorage.FRecords;
    int n = static_cast<int>(recs.size());
    // The cursor is usually on or next to the record asked for.
    for (int d = 0; d <= 1; ++d) {
        int i = FCurrent + d;
        if (i >= 0 && i < n && recs[static_cast<std::size_t>(i)].Id == id) return i;
    }
    for (int i = 0; i < n; ++i)
        if (recs[static_cast<std::size_t>(i)].Id == id) return i;
    return -1;
}

int TMemData::FilterIndexOf(int pos) const {
    auto it = std::lower_bound(FFilterList.begin(), FFilterList.end(), pos + 1);
    if (it == FFilterList.end() || *it != pos + 1) return -1;
    return static_cast<int>(it - FFilterList.begin());
}

void TMemData::InternalGotoBookmark(const void* bookmark) {
    Integer id;
    std::memcpy(&id, bookmark, 4);
    int pos = IndexOfId(id);
    if (pos < 0) DatabaseError(SBookmarkNotFound, this);
    if (FFiltered) {
        int f = FilterIndexOf(pos);
        if (f < 0) return;  // filtered out: the cursor stays
        FFilterPos = f;
    }
    FCurrent = pos;
}

void TMemData::InternalSetToRecord(TRecordBuffer buffer) {
    int pos = IndexOfId(Buf(buffer)->Id);
    if (pos < 0) return;
    if (FFiltered) {
        int f = FilterIndexOf(pos);
        if (f < 0) return;
        FFilterPos = f;
    }
    FCurrent = pos;
}

bool TMemData::BookmarkValid(const TBookmark& bookmark) {
    if (bookmark.size() != 4 || !FStorage.FHasRecords) return false;
    Integer id;
    std::memcpy(&id, bookmark.data(), 4);
    int pos = IndexOfId(id);
    if (pos < 0) return false;
    return !FFiltered || FilterIndexOf(pos) >= 0;
}

int TMemData::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
    bool hasA = a.size() == 4, hasB = b.size() == 4;
    if (!hasA && !hasB) return 0;
    if (!hasA) return 1;
    if (!hasB) return -1;
    Integer ia, ib;
    std::memcpy(&ia, a.data(), 4);
    std::memcpy(&ib, b.data(), 4);
    if (ia == ib) return 0;
    return IndexOfId(ia) > IndexOfId(ib) ? 1 : -1;
}

// ---------------------------------------------------------------------------
// Field values

TMemRecBuf* TMemData::ActiveRecBuf() {
    switch (State()) {
    case dsBrowse: return IsEmpty() ? nullptr : Buf(ActiveBuffer());
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsNewValue: return Buf(ActiveBuffer());
    case dsCalcFields:
    case dsInternalCalc: return Buf(CalcBuffer());
    case dsFilter: return FFilterBuffer;
    default: return nullptr;
    }
}

bool TMemData::GetFieldData(TField* field, void* buffer) {
    TMemRecBuf* b = ActiveRecBuf();
    const TMemFields::TFieldSlot* s = FStorage.Slot(field);
    if (!b || !s) return false;
    if (s->BlobSlot >= 0) {
        const AnsiString& text = b->Blobs[static_cast<std::size_t>(s->BlobSlot)];
        if (buffer) *static_cast<AnsiString*>(buffer) = text;
        return !text.empty();
    }
    const TMemField* d = s->Desc;
    bool hasValue = b->Data[static_cast<std::size_t>(d->NullOffset())] != 0;
    if (buffer) {
        if (d->IsWideString())
            *static_cast<std::u16string*>(buffer) = b->Wides[static_cast<std::size_t>(d->WideIndex())];
        else
            std::memcpy(buffer, b->Data.data() + d->ValueOffset(), static_cast<std::size_t>(d->DataSize()));
    }
    return hasValue;
}

void TMemData::SetFieldData(TField* field, const void* buffer) {
    TDataSetState state = State();
    if (!dsWriteModes.Contains(state)) DatabaseError(SNotEditing, this);
    // Calculated values live in the records; the base's calculation pass
    // must not overwrite them.
    if (state == dsCalcFields && (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup)) return;
    if (!FConverting) field->Validate(buffer);
    TMemRecBuf* b = ActiveRecBuf();
    if (!b) DatabaseError(SNotEditing, this);
    const TMemFields::TFieldSlot* s = FStorage.Slot(field);
    if (!s) return;
    if (s->BlobSlot >= 0) {
        b->Blobs[static_cast<std::size_t>(s->BlobSlot)] = buffer ? *static_cast<const AnsiString*>(buffer) : AnsiString();
    } else {
        const TMemField* d = s->Desc;
        Byte* value = b->Data.data() + d->ValueOffset();
        b->Data[static_cast<std::size_t>(d->NullOffset())] = buffer ? 1 : 0;
        if (d->IsWideString()) {
            std::u16string& w = b->Wides[static_cast<std::size_t>(d->WideIndex())];
            if (buffer) w = *static_cast<const std::u16string*>(buffer); else w.clear();
        } else if (buffer) {
            std::memcpy(value, buffer, static_cast<std::size_t>(d->DataSize()));
        } else {
            std::memset(value, 0, static_cast<std::size_t>(d->DataSize()));
        }
    }
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue && !FConverting)
        DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

void TMemData::ClearCalcFields(TRecordBuffer buffer) {
    // Calculated values are stored with the record and recomputed only by
    // Refresh; the client's one calculated field (the first entry) is kept.
    if (FStorage.Count() < 2 || State() == dsCalcFields || !buffer) return;
    TMemRecBuf* b = Buf(buffer);
    const auto& calc = FStorage.CalcFields();
    for (std::size_t i = 1; i < calc.size(); ++i)
        if (TMemField* d = FStorage.FindDescriptor(calc[i])) b->Data[static_cast<std::size_t>(d->NullOffset())] = 0;
}

void TMemData::CloseBlob(TField* field) {
    int slot = FStorage.BlobIndex(field);
    TMemRecBuf* b = ActiveRecBuf();
    if (slot < 0 || !b) return;
    AnsiString& text = b->Blobs[static_cast<std::size_t>(slot)];
    int count = FStorage.StoredRecordCount();
    if (State() == dsEdit && FCurrent >= 0 && FCurrent < count) {
        const AnsiString* stored = FStorage.FRecords[static_cast<std::size_t>(FCurrent)].Blob(slot);
        text = stored ? *stored : AnsiString();
    } else {
        text.clear();
    }
}

// ---------------------------------------------------------------------------
// Posting and deleting

void TMemData::ApplyAutoIncrement(TMemRecord& record, bool keepLoadedValues, const std::vector<TMemField*>& fields) {
    for (TMemField* d : fields) {
        Byte* flag = record.Data + d->NullOffset();
        Byte* value = record.Data + d->ValueOffset();
        bool hasValue = *flag != 0;
        Int64 v = ReadInteger(value, d->DataType());
        if (hasValue && v > d->AutoIncMax) {
            d->AutoIncMax = v;
        } else if (hasValue && keepLoadedValues && !d->IsRecId()) {
            // A file's own numbers are data: they are kept, not renumbered.
        } else {
            ++d->AutoIncMax;
            WriteInteger(value, d->DataType(), d->AutoIncMax);
            *flag = 1;
        }
    }
}

void TMemData::InsertStored(int pos, TMemRecord&& record) {
    auto& recs = FStorage.FRecords;
    pos = std::clamp(pos, 0, static_cast<int>(recs.size()));
    recs.insert(recs.begin() + pos, std::move(record));
    FCurrent = pos;
    FilterInsertPosition(pos);
}

void TMemData::PostInsert(TMemRecBuf& buffer, bool append) {
    TMemRecord record = FStorage.NewRecord();
    CopyBufferToRecord(buffer, record);
    record.Id = ++FIdCounter;
    ApplyAutoIncrement(record, false);
    int pos = append ? FStorage.StoredRecordCount() : std::max(FCurrent, 0);
    InsertStored(pos, std::move(record));
}

void TMemData::InternalPost() {
    TDataSet::InternalPost();
    TMemRecBuf* b = Buf(ActiveBuffer());
    bool move = false;
    if (State() == dsEdit) {
        if (FCurrent < 0 || FCurrent >= FStorage.StoredRecordCount()) DatabaseError(SRecordNotFound, this);
        TMemRecord& r = FStorage.FRecords[static_cast<std::size_t>(FCurrent)];
        if (FSortField) {
            if (TMemField* d = FStorage.FindDescriptor(FSortField)) {
                const Byte* stored = r.Data + d->NullOffset();
                const Byte* edited = b->Data.data() + d->NullOffset();
                move = std::memcmp(stored, edited, static_cast<std::size_t>(d->DataSize()) + 1) != 0 ||
                       (d->IsWideString() && r.Wide(d->WideIndex()) != b->Wides[static_cast<std::size_t>(d->WideIndex())]);
            }
        }
        CopyBufferToRecord(*b, r);
    } else {
        PostInsert(*b, b->Flag == bfEOF);
        move = true;
    }
    if (FSortField && move) MoveToSortedPlace();
    RecheckFilter();
}

void TMemData::InternalAddRecord(TRecordBuffer buffer, bool append) {
    PostInsert(*Buf(buffer), append);
    if (FSortField) MoveToSortedPlace();
    RecheckFilter();
}

void TMemData::InternalDelete() {
    auto& recs = FStorage.FRecords;
    if (FCurrent < 0 || FCurrent >= static_cast<int>(recs.size())) DatabaseError(SRecordNotFound, this);
    TMemRecord gone = std::move(recs[static_cast<std::size_t>(FCurrent)]);
    recs.erase(recs.begin() + FCurrent);
    FStorage.Discard(gone);
    int filterPos = FFilterPos;
    FilterRemovePosition(FCurrent);
    if (FFiltered) {
        int n = static_cast<int>(FFilterList.size());
        FFilterPos = std::min(filterPos, n - 1);
        FCurrent = FFilterPos >= 0 ? FFilterList[static_cast<std::size_t>(FFilterPos)] - 1 : -1;
    } else if (FCurrent >= static_cast<int>(recs.size())) {
        FCurrent = static_cast<int>(recs.size()) - 1;
    }
}

void TMemData::InternalRefresh() {
    if (FStorage.CalcFields().empty() || FStorage.StoredRecordCount() == 0 || !OnCalcFields) return;
    FBusy = true;
    int recNo = RecNo();
    DisableControls();
    auto done = ScopeExit([this] {
        EnableControls();
        FBusy = false;
    });
    auto dropEdit = ScopeFail([this] {
        // The handler's own error is the one to report.
        try {
            if (State() == dsEdit) Cancel();
        } catch (...) {
        }
    });
    for (int i = 1; i <= GetRecordCount(); ++i) {
        SetRecNo(i);
        Edit();
        FireDataSetEvent(OnCalcFields);
        Post();
    }
    SetRecNo(recNo);
}

// ---------------------------------------------------------------------------
// The value comparison that sorting and searching share

AnsiString TMemData::SortText(const TMemField* d, const TMemRecord& r) const {
    if (d->DataType() == ftWideString) return WideToAnsi(r.Wide(d->WideIndex()));
    const Byte* p = r.Data + d->ValueOffset();
    return AnsiString(reinterpret_cast<const char*>(p),
                      static_cast<std::size_t>(std::find(p, p + d->DataSize(), Byte{0}) - p));
}

int TMemData::CompareTexts(const AnsiString& a, const AnsiString& b) const {
    int c = FSortOptions.Contains(soCaseInsensitive) ? AnsiCompareText(a, b) : AnsiCompareStr(a, b);
    c = c < 0 ? -1 : (c > 0 ? 1 : 0);
    return FSortOptions.Contains(soDesc) ? -c : c;
}

int TMemData::CompareValues(const TMemField* d, const TMemRecord& ra, const TMemRecord& rb) const {
    const Byte* a = ra.Data + d->ValueOffset();
    const Byte* b = rb.Data + d->ValueOffset();
    int c = 0;
    switch (d->DataType()) {
    case ftString: {
        auto len = [&](const Byte* p) {
            return static_cast<std::size_t>(std::find(p, p + d->DataSize(), Byte{0}) - p);
        };
        // Searches and the sorted move compare the same few texts again and
        // again: the scratch texts keep their memory between calls (one pair
        // per thread, as the call thread searches tables too).
        thread_local AnsiString sa, sb;
        sa.assign(reinterpret_cast<const char*>(a), len(a));
        sb.assign(reinterpret_cast<const char*>(b), len(b));
        return CompareTexts(sa, sb);
    }
    case ftWideString:
        return CompareTexts(SortText(d, ra), SortText(d, rb));
    case ftSmallint: case ftInteger: case ftAutoInc: case ftWord: case ftLargeint:
        c = Sign(ReadInteger(a, d->DataType()), ReadInteger(b, d->DataType()));
        break;
    case ftBoolean: c = Sign(a[0], b[0]); break;
    case ftFloat: case ftCurrency: case ftBCD: {
        double x, y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        c = Sign(x, y);
        break;
    }
    case ftDate: case ftTime: case ftDateTime:
        c = Sign(DateValue(a, d->DataType()), DateValue(b, d->DataType()));
        break;
    default: break;
    }
    return FSortOptions.Contains(soDesc) ? -c : c;
}
