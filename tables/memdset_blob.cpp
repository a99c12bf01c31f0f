// Blob streams of the in-memory table. Blob values live beside the fixed
// record image: one text per blob field in each stored record and in each
// window buffer (memdset.h).

#include <algorithm>
#include <cstring>
#include <limits>

#include "tables/memdset.h"

namespace {
constexpr Int64 kMaxBlobSize = std::numeric_limits<std::int32_t>::max();
}  // namespace

// ---------------------------------------------------------------------------
// TMemData: the blob values of the stream's record

std::unique_ptr<TStream> TMemData::CreateBlobStream(TField* field, TBlobStreamMode mode) {
    return std::make_unique<TMemBlobStream>(this, field, mode);
}

bool TMemData::IsLiveBuffer(const TMemRecBuf* buffer) const {
    if (!buffer || !IsCursorOpen()) return false;
    return buffer == FFilterBuffer || IsWindowBuffer(const_cast<TMemRecBuf*>(buffer));
}

const AnsiString* TMemData::StoredBlob(const TMemRecBuf* buffer, int slot) const {
    // By the buffer's record id rather than the cursor: a calculation or
    // filter buffer holds some other record than the current one.
    int pos = IndexOfId(buffer->Id);
    if (pos < 0 || slot < 0) return nullptr;
    return FStorage.Record(pos).Blob(slot);
}

// ---------------------------------------------------------------------------
// TMemBlobStream

TMemBlobStream::TMemBlobStream(TMemData* dataSet, TField* field, TBlobStreamMode mode)
    : FDataSet(dataSet), FField(field) {
    auto* blob = field && field->IsBlob() ? static_cast<TBlobField*>(field) : nullptr;
    bool written = blob && blob->Modified();
    if (mode != bmRead && !written) {
        // Checked even without a buffer, so that a write outside editing
        // never passes silently.
        if (field && field->ReadOnly()) DatabaseErrorFmt(SFieldReadOnly, dataSet, field->DisplayName());
        if (dataSet->State() != dsEdit && dataSet->State() != dsInsert) DatabaseError(SNotEditing, dataSet);
    }
    FBuffer = dataSet->ActiveRecBuf();
    FSlot = blob ? dataSet->MemFields()->BlobIndex(field) : -1;
    if (!FBuffer || FSlot < 0) return;
    if (mode != bmRead && !written)
        FCached = true;
    else
        FCached = FBuffer == dataSet->ActiveBuffer();
    FOpened = true;
    if (mode == bmWrite) {
        if (AnsiString* slot = WritableSlot()) slot->clear();
        FModified = true;
    }
}

TMemBlobStream::~TMemBlobStream() {
    if (!FModified) return;
    try {
        if (FOpened && FField && FField->IsBlob()) static_cast<TBlobField*>(FField)->SetModified(true);
        FDataSet->DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(FField));
    } catch (...) {
        HandleDataException();
    }
}

const AnsiString* TMemBlobStream::Value() const {
    if (!FOpened || !FDataSet->IsLiveBuffer(FBuffer)) return nullptr;
    if (FCached) return &FBuffer->Blobs[static_cast<std::size_t>(FSlot)];
    return FDataSet->StoredBlob(FBuffer, FSlot);
}

AnsiString* TMemBlobStream::WritableSlot() {
    // Only into the buffer the fields show: a buffer that has left the
    // window, or a filter pass's copy, would take the value nowhere.
    if (!FOpened || !FCached || FBuffer != FDataSet->ActiveBuffer() || FDataSet->State() == dsFilter ||
        !FDataSet->IsLiveBuffer(FBuffer))
        return nullptr;
    return &FBuffer->Blobs[static_cast<std::size_t>(FSlot)];
}

Int64 TMemBlobStream::Size() {
    const AnsiString* v = Value();
    return v ? static_cast<Int64>(v->size()) : 0;
}

LongInt TMemBlobStream::Read(void* buffer, LongInt count) {
    const AnsiString* v = Value();
    if (!v || count <= 0) return 0;
    Int64 left = static_cast<Int64>(v->size()) - FPosition;
    if (left <= 0) return 0;
    auto n = static_cast<LongInt>(std::min<Int64>(count, left));
    std::memcpy(buffer, v->data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

LongInt TMemBlobStream::Write(const void* buffer, LongInt count) {
    // The table file keeps blob lengths as 32-bit counts.
    if (count <= 0 || FPosition > kMaxBlobSize - count) return 0;
    AnsiString* slot = WritableSlot();
    if (!slot) return 0;
    auto end = static_cast<std::size_t>(FPosition) + static_cast<std::size_t>(count);
    if (slot->size() < end) slot->resize(end, '\0');
    std::memcpy(slot->data() + FPosition, buffer, static_cast<std::size_t>(count));
    FPosition += count;
    FModified = true;
    return count;
}

Int64 TMemBlobStream::Seek(Int64 offset, Word origin) {
    Int64 base = 0;
    if (origin == soFromCurrent) base = FPosition;
    else if (origin == soFromEnd) base = Size();
    if (offset > 0 && base > std::numeric_limits<Int64>::max() - offset)
        FPosition = std::numeric_limits<Int64>::max();
    else
        FPosition = std::max<Int64>(0, base + offset);
    return FPosition;
}

void TMemBlobStream::SetSize(Int64 newSize) {
    AnsiString* slot = WritableSlot();
    if (!slot || newSize > kMaxBlobSize) return;
    slot->resize(static_cast<std::size_t>(std::max<Int64>(0, newSize)), '\0');
    FModified = true;
}

void TMemBlobStream::Truncate() {
    AnsiString* slot = WritableSlot();
    if (!slot) return;
    if (static_cast<Int64>(slot->size()) > FPosition) slot->resize(static_cast<std::size_t>(FPosition));
    FModified = true;
}
