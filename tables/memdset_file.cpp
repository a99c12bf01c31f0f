// The table file: the image StoreToFile writes and RestoreFromFile reads.
// All integers little-endian; no checksum, no end marker.
//
//   OFFSET  SIZE      DESCRIPTION
//   0       3         "Ver" (absent in a version-0 file, which starts at N)
//   3       8         version, IEEE double; written 1.4, read: below 1.0 counts as 1.0
//   11      4         N, int32: number of column descriptors
//   15      ...       N descriptors, every field but RecId in field order:
//                       int32   size: wide string Size; blob 0; else the data size
//                       uint16  type code (string 1 ... largeint 21, 0xFFFF unknown)
//                       uint16  L = name characters + 1
//                       L       name and NUL
//   ...     ...       records to the end of the file, one value per column:
//                       blob     int32 n, n bytes
//                       string   int32 n = characters + 1, characters, NUL (null = "")
//                       wide     int32 count c, flag byte, when the flag is 1: 2c bytes UTF-16
//                       other    flag byte (not in version 0), size bytes of the native value
//
// The reader trusts nothing: every length is checked against the bytes
// left, a negative one is damage, and a record that would consume no bytes
// ends the file. Damage drops the record it hits and everything after it;
// the records before it are kept.

#include "tables/memdset.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/FileUtils.h"

static_assert(std::endian::native == std::endian::little, "the table file is little-endian like memory");

namespace {

constexpr double kWrittenVersion = 1.4;
constexpr Word kUnknownCode = 0xFFFF;

Word TypeCode(TFieldType type) {
    switch (type) {
    case ftString: return 1;
    case ftSmallint: return 2;
    case ftInteger: return 3;
    case ftWord: return 4;
    case ftBoolean: return 5;
    case ftFloat: return 6;
    case ftCurrency: return 7;
    case ftBCD: return 8;
    case ftDate: return 9;
    case ftTime: return 10;
    case ftDateTime: return 11;
    case ftAutoInc: return 12;
    case ftBlob: return 13;
    case ftMemo: return 14;
    case ftGraphic: return 15;
    case ftFmtMemo: return 16;
    case ftParadoxOle: return 17;
    case ftDBaseOle: return 18;
    case ftTypedBinary: return 19;
    case ftWideString: return 20;
    case ftLargeint: return 21;
    default: return kUnknownCode;
    }
}

bool IsBlobCode(Word code) { return code >= 13 && code <= 19; }

class TImageWriter {
public:
    explicit TImageWriter(std::size_t reserve) { FOut.reserve(reserve); }
    void Bytes(const void* p, std::size_t n) { FOut.append(static_cast<const char*>(p), n); }
    void Int32(std::int32_t v) { Bytes(&v, 4); }
    void UInt16(std::uint16_t v) { Bytes(&v, 2); }
    void Byte1(Byte v) { FOut.push_back(static_cast<char>(v)); }
    AnsiString Take() { return std::move(FOut); }

private:
    AnsiString FOut;
};

// A cursor over the file image; every read says whether the bytes were there.
class TImageReader {
public:
    explicit TImageReader(std::string_view data) : FData(data) {}
    std::size_t Pos() const { return FPos; }
    std::size_t Left() const { return FData.size() - FPos; }
    bool AtEnd() const { return FPos >= FData.size(); }
    bool Int32(std::int32_t& v) { return Fixed(&v, 4); }
    bool UInt16(std::uint16_t& v) { return Fixed(&v, 2); }
    bool Byte1(Byte& v) { return Fixed(&v, 1); }
    bool Double(double& v) { return Fixed(&v, 8); }
    // A view of n bytes; false (and nothing consumed) when fewer are left.
    bool View(std::int64_t n, std::string_view& out) {
        if (n < 0 || static_cast<std::uint64_t>(n) > Left()) return false;
        out = FData.substr(FPos, static_cast<std::size_t>(n));
        FPos += static_cast<std::size_t>(n);
        return true;
    }
    bool Skip(std::int64_t n) {
        std::string_view ignored;
        return View(n, ignored);
    }
    void Rewind() { FPos = 0; }

private:
    bool Fixed(void* v, std::size_t n) {
        if (Left() < n) return false;
        std::memcpy(v, FData.data() + FPos, n);
        FPos += n;
        return true;
    }

    std::string_view FData;
    std::size_t FPos = 0;
};

}  // namespace

// ---------------------------------------------------------------------------
// Pooled record images

// A block's header; its images follow, each one record size long.
struct TMemImageBlock {
    std::size_t Holders;  // live images, plus one while the pool still carves
    bool Mapped;          // a huge-page block of its own mapping, else from calloc
};

namespace {

constexpr std::size_t kBlockHeader = (sizeof(TMemImageBlock) + alignof(std::max_align_t) - 1) /
                                     alignof(std::max_align_t) * alignof(std::max_align_t);
constexpr std::size_t kHugeBlock = std::size_t{1} << 21;  // one transparent huge page

// `size` (a multiple of kHugeBlock) zeroed bytes on a huge-page boundary,
// asking for huge pages: filling them then costs a page fault per 2 MB
// instead of per 4 KB, and walking them few TLB misses. nullptr when the
// system gives no such mapping; UnmapHuge gives it back.
void* MapHuge(std::size_t size) {
    void* raw = ::mmap(nullptr, size + kHugeBlock, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    auto start = reinterpret_cast<std::uintptr_t>(raw);
    std::uintptr_t aligned = (start + kHugeBlock - 1) & ~std::uintptr_t{kHugeBlock - 1};
    if (aligned > start) ::munmap(raw, aligned - start);
    if (std::uintptr_t end = start + size + kHugeBlock; end > aligned + size)
        ::munmap(reinterpret_cast<void*>(aligned + size), end - aligned - size);
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);  // only a wish: may be refused
    return reinterpret_cast<void*>(aligned);
}

void UnmapHuge(void* memory, std::size_t size) { ::munmap(memory, size); }

void ReleaseBlock(TMemImageBlock* block) {
    if (--block->Holders > 0) return;
    bool mapped = block->Mapped;
    block->~TMemImageBlock();
    if (mapped)
        UnmapHuge(block, kHugeBlock);
    else
        std::free(block);
}

// Zeroed images for the records of one file, carved from blocks. Restoring a
// large table was dominated by one allocation and a few page faults per
// record. Blocks start small, so that a small table costs little, and grow
// to one huge page each, so that a large table faults its memory in with few
// faults while one record kept alive pins no more than that page. Blocks come
// zeroed (calloc, or fresh pages from the system), so the reader writes only
// the bytes a value uses.
class TImagePool {
public:
    explicit TImagePool(std::size_t imageSize) : FSize(std::max<std::size_t>(imageSize, 1)) {}
    ~TImagePool() {
        if (FBlock) ReleaseBlock(FBlock);
    }
    TImagePool(const TImagePool&) = delete;
    TImagePool& operator=(const TImagePool&) = delete;

    TMemImage Take() {
        if (!FBlock || FUsed == FCapacity) NewBlock();
        Byte* image = reinterpret_cast<Byte*>(FBlock) + kBlockHeader + FUsed * FSize;
        ++FUsed;
        ++FBlock->Holders;
        return TMemImage(image, TMemImageDeleter(FBlock));
    }

private:
    static constexpr std::size_t kFirstImages = 64;

    void NewBlock() {
        std::size_t hugeCapacity = (kHugeBlock - kBlockHeader) / FSize;  // 0: images larger than a huge page
        std::size_t capacity = FBlock ? FCapacity * 2 : kFirstImages;
        capacity = std::min(capacity, std::max<std::size_t>(hugeCapacity, 1));
        void* memory = nullptr;
        bool mapped = false;
        // Only a table that has filled a smaller block already earns a huge page.
        if (FBlock && capacity == hugeCapacity) {
            memory = MapHuge(kHugeBlock);
            mapped = memory != nullptr;
        }
        if (!memory) memory = std::calloc(1, kBlockHeader + capacity * FSize);
        if (!memory) throw std::bad_alloc();
        if (FBlock) ReleaseBlock(FBlock);
        FBlock = new (memory) TMemImageBlock{1, mapped};
        FCapacity = capacity;
        FUsed = 0;
    }

    std::size_t FSize;
    TMemImageBlock* FBlock = nullptr;
    std::size_t FCapacity = 0;
    std::size_t FUsed = 0;
};

}  // namespace

void TMemImageDeleter::operator()(Byte* image) const {
    if (Block)
        ReleaseBlock(Block);
    else
        delete[] image;
}

// ---------------------------------------------------------------------------
// Writer

AnsiString TMemData::StoreToBytes() {
    if (!IsCursorOpen()) return AnsiString();
    std::vector<TField*> columns;
    for (int i = 1; i < FieldCount(); ++i) columns.push_back(Fields()[i]);
    const auto& recs = FStorage.FRecords;

    std::size_t estimate = 64;
    for (TField* f : columns) estimate += 16 + f->FieldName().size();
    estimate += recs.size() * (static_cast<std::size_t>(FStorage.RecordSize()) + 4 * columns.size());
    TImageWriter out(estimate);

    out.Bytes("Ver", 3);
    double version = kWrittenVersion;
    out.Bytes(&version, 8);
    out.Int32(static_cast<std::int32_t>(columns.size()));
    for (TField* f : columns) {
        std::int32_t size = f->DataType() == ftWideString ? f->Size() : (f->IsBlob() ? 0 : f->DataSize());
        out.Int32(size);
        out.UInt16(TypeCode(f->DataType()));
        // Field names are identifiers of our own tables; a name that cannot be
        // described is cut rather than written with a wrong length.
        std::size_t nameLength = std::min<std::size_t>(f->FieldName().size(), 0xFFFE);
        out.UInt16(static_cast<std::uint16_t>(nameLength + 1));
        out.Bytes(f->FieldName().data(), nameLength);
        out.Byte1(0);
    }

    // Per column: how to write it, resolved once.
    struct TColumn {
        const TMemField* Desc;
        int BlobSlot;
    };
    std::vector<TColumn> plan;
    for (TField* f : columns) plan.push_back({FStorage.FindDescriptor(f), FStorage.BlobIndex(f)});

    static const AnsiString empty;
    for (const TMemRecord& r : recs) {
        const Byte* image = r.Data.get();
        for (const TColumn& c : plan) {
            if (c.BlobSlot >= 0) {
                const AnsiString& blob =
                    static_cast<std::size_t>(c.BlobSlot) < r.Blobs.size() ? r.Blobs[static_cast<std::size_t>(c.BlobSlot)] : empty;
                out.Int32(static_cast<std::int32_t>(blob.size()));
                out.Bytes(blob.data(), blob.size());
                continue;
            }
            const TMemField* d = c.Desc;
            const Byte* value = image + d->ValueOffset();
            bool hasValue = image[d->NullOffset()] != 0;
            switch (d->DataType()) {
            case ftString: {
                std::size_t n = 0;
                if (hasValue) n = static_cast<std::size_t>(std::find(value, value + d->DataSize() - 1, Byte{0}) - value);
                out.Int32(static_cast<std::int32_t>(n + 1));
                out.Bytes(value, n);
                out.Byte1(0);
                break;
            }
            case ftWideString: {
                const std::u16string& w = r.Wides[static_cast<std::size_t>(d->WideIndex())];
                if (hasValue) {
                    out.Int32(static_cast<std::int32_t>(w.size()));
                    out.Byte1(1);
                    out.Bytes(w.data(), w.size() * 2);
                } else {
                    out.Int32(0);
                    out.Byte1(0);
                }
                break;
            }
            default:
                out.Byte1(hasValue ? 1 : 0);
                out.Bytes(value, static_cast<std::size_t>(d->DataSize()));
                break;
            }
        }
    }
    return out.Take();
}

void TMemData::StoreToFile(const AnsiString& fileName) {
    if (!IsCursorOpen()) return;
    // Through a temporary file renamed over the old one: a failed write
    // (full disk) leaves the previous table file as it was.
    WriteFileAtomic(fileName, StoreToBytes());
}

// ---------------------------------------------------------------------------
// Reader

namespace {

// The bytes of a file being read: huge pages once it is large, as filling
// and parsing a large file through small pages cost a quarter of a restore.
class TFileBuffer {
public:
    TFileBuffer() = default;
    ~TFileBuffer() { Release(); }
    TFileBuffer(const TFileBuffer&) = delete;
    TFileBuffer& operator=(const TFileBuffer&) = delete;

    char* Data() const { return FData; }
    std::size_t Capacity() const { return FCapacity; }
    // Room for at least `capacity` bytes; the first `keep` stay.
    void Reserve(std::size_t capacity, std::size_t keep) {
        char* data = nullptr;
        bool mapped = false;
        if (capacity >= kHugeBlock) {
            capacity = (capacity + kHugeBlock - 1) & ~(kHugeBlock - 1);
            data = static_cast<char*>(MapHuge(capacity));
            mapped = data != nullptr;
        }
        if (!data) data = static_cast<char*>(std::malloc(capacity));
        if (!data) throw std::bad_alloc();
        if (keep > 0) std::memcpy(data, FData, keep);
        Release();
        FData = data;
        FCapacity = capacity;
        FMapped = mapped;
    }

private:
    void Release() {
        if (FMapped)
            UnmapHuge(FData, FCapacity);
        else
            std::free(FData);
        FData = nullptr;
    }

    char* FData = nullptr;
    std::size_t FCapacity = 0;
    bool FMapped = false;
};

// The file's bytes read straight into one buffer of the size the file
// reports, which growing a string piece by piece would copy and fault in
// again and again. False when the file cannot be read.
bool ReadWholeFile(const AnsiString& fileName, TFileBuffer& buffer, std::size_t& size) {
    const int fd = ::open(SysFileName(fileName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    size = 0;
    try {
        // One byte more than reported, so that the end is seen without
        // growing; a file that grows meanwhile (or reports no size) is still
        // read whole.
        buffer.Reserve(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)) + 1, 0);
        for (;;) {
            if (size == buffer.Capacity()) buffer.Reserve(2 * size, size);
            const ssize_t got = ::read(fd, buffer.Data() + size, buffer.Capacity() - size);
            if (got == 0) break;
            if (got < 0) {
                if (errno == EINTR) continue;
                ::close(fd);
                return false;
            }
            size += static_cast<std::size_t>(got);
        }
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return true;
}

}  // namespace

void TMemData::RestoreFromFile(const AnsiString& fileName) {
    TFileBuffer bytes;
    std::size_t size = 0;
    if (!ReadWholeFile(fileName, bytes, size)) return;  // an unreadable file leaves the table as it was
    RestoreFromBytes(std::string_view(bytes.Data(), size));
}

void TMemData::RestoreFromBytes(std::string_view data) {
    DisableControls();
    FBusy = true;
    try {
        Close();
        Open();
        ReadRecords(data);
    } catch (...) {
        FBusy = false;
        EnableControls();
        throw;
    }
    FBusy = false;
    try {
        SortStorage();
        RebuildFilterList();
        if (!FFiltered)
            First();
        else {
            InternalFirst();
            Resync(TResyncMode{});
        }
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

void TMemData::ReadRecords(std::string_view data) {
    TImageReader in(data);
    bool version0 = true;
    std::string_view signature;
    if (in.View(3, signature) && signature == "Ver") {
        double version = 0;
        if (!in.Double(version)) return;
        version0 = false;  // any stored version reads as 1.0 or later
    } else {
        in.Rewind();
    }

    std::int32_t columnCount = 0;
    if (!in.Int32(columnCount)) return;
    std::vector<TMemReadField> columns;
    std::vector<const TField*> bound;
    bool damaged = false;
    for (std::int32_t i = 0; i < columnCount; ++i) {
        std::int32_t size;
        std::uint16_t code, nameLength;
        std::string_view name;
        if (!in.Int32(size) || !in.UInt16(code) || !in.UInt16(nameLength) || !in.View(nameLength, name)) break;
        if (size < 0) {
            damaged = true;  // a column of negative size cannot be read past
            break;
        }
        name = name.substr(0, name.find('\0'));
        TMemReadField column;
        column.StoredSize = size;
        column.BufferSize = size;
        column.Code = code;
        TField* field = FindField(AnsiString(name));
        // RecId is numbered by the reader, and a second column of one name
        // would overwrite the first: both are skipped like unknown columns.
        if (field && field != FRecIdField && std::find(bound.begin(), bound.end(), field) == bound.end()) {
            bound.push_back(field);
            column.Field = field;
            column.Desc = FStorage.FindDescriptor(field);
            column.BlobSlot = FStorage.BlobIndex(field);
            if (column.Desc) column.BufferSize = std::max(size, column.Desc->DataSize());
        }
        columns.push_back(std::move(column));
    }
    if (damaged || in.AtEnd() || bound.empty()) return;

    std::vector<const TMemReadField*> source(static_cast<std::size_t>(FStorage.Count()), nullptr);
    std::vector<const TMemReadField*> blobSource(static_cast<std::size_t>(FStorage.BlobCount()), nullptr);
    for (const TMemReadField& c : columns) {
        if (c.Desc) source[static_cast<std::size_t>(c.Desc->Index())] = &c;
        if (c.BlobSlot >= 0) blobSource[static_cast<std::size_t>(c.BlobSlot)] = &c;
    }
    TMemField* recId = FStorage.FindDescriptor(FRecIdField);

    // How each column is read, decided once: by the matched field's kind,
    // or for an unmatched column by its stored type code.
    enum TColumnKind : Byte { ckText, ckBlob, ckWide, ckFixed, ckSkipCounted, ckSkipWide, ckSkipFixed };
    std::vector<TColumnKind> kinds;
    for (const TMemReadField& c : columns) {
        if (c.Field)
            kinds.push_back(c.BlobSlot >= 0                           ? ckBlob
                            : c.Field->DataType() == ftString     ? ckText
                            : c.Field->DataType() == ftWideString ? ckWide
                                                                   : ckFixed);
        else
            kinds.push_back(c.Code == 1 || IsBlobCode(c.Code) ? ckSkipCounted
                            : c.Code == 20                    ? ckSkipWide
                                                              : ckSkipFixed);
    }
    // How each stored field is filled; together they tile the record image.
    enum TSlotKind : Byte { skRecId, skMissing, skText, skWide, skFixed };
    struct TSlot {
        TSlotKind Kind;
        int NullOffset;
        std::size_t Size;
        int WideIndex;
        const TMemReadField* Source;
    };
    std::vector<TSlot> slots;
    for (int i = 0; i < FStorage.Count(); ++i) {
        const TMemField* d = FStorage.FieldAt(i);
        const TMemReadField* c = source[static_cast<std::size_t>(i)];
        TSlotKind kind = d == recId                         ? skRecId
                         : !c                               ? skMissing
                         : d->DataType() == ftString        ? skText
                         : d->DataType() == ftWideString    ? skWide
                                                            : skFixed;
        slots.push_back({kind, d->NullOffset(), static_cast<std::size_t>(d->DataSize()), d->WideIndex(), c});
    }
    const auto recordSize = static_cast<std::size_t>(FStorage.RecordSize());
    const auto wideCount = static_cast<std::size_t>(FStorage.WideCount());
    const auto blobCount = static_cast<std::size_t>(FStorage.BlobCount());

    TImagePool pool(recordSize);
    Integer counter = 1;
    while (!in.AtEnd()) {
        std::size_t start = in.Pos();
        bool stop = false;
        for (std::size_t k = 0; k < columns.size() && !stop; ++k) {
            TMemReadField& c = columns[k];
            std::int32_t length = 0;
            Byte flag = 0;
            switch (kinds[k]) {
            case ckBlob:
                stop = !in.Int32(length) || !in.View(length, c.Value);
                break;
            case ckText:
                if (!in.Int32(length) || length < 0) {
                    stop = true;
                } else if (length <= c.BufferSize) {
                    stop = !in.View(length, c.Value);
                } else {
                    // Longer than the field can hold: its head is read, the rest skipped.
                    stop = !in.View(c.BufferSize, c.Value) || !in.Skip(length - c.BufferSize);
                }
                break;
            case ckWide: {
                std::string_view text;
                if (!in.Int32(length) || length < 0 || !in.Byte1(flag)) {
                    stop = true;
                    break;
                }
                c.NullFlag = flag == 1 ? 1 : 0;
                c.Wide.clear();
                if (flag == 1) {
                    if (!in.View(static_cast<std::int64_t>(length) * 2, text)) {
                        stop = true;
                        break;
                    }
                    c.Wide.resize(static_cast<std::size_t>(length));
                    std::memcpy(c.Wide.data(), text.data(), text.size());
                }
                break;
            }
            case ckFixed:
                if (!version0) {
                    if (!in.Byte1(flag)) {
                        stop = true;
                        break;
                    }
                    c.NullFlag = flag != 0 ? 1 : 0;
                }
                stop = !in.View(c.StoredSize, c.Value);
                break;
            case ckSkipCounted:
                stop = !in.Int32(length) || !in.Skip(length);
                break;
            case ckSkipWide:
                stop = !in.Int32(length) || length < 0 || !in.Byte1(flag) ||
                       (flag == 1 && !in.Skip(static_cast<std::int64_t>(length) * 2));
                break;
            case ckSkipFixed:
                stop = (!version0 && !in.Byte1(flag)) || !in.Skip(c.StoredSize);
                break;
            }
        }
        // A damaged record is dropped; one that reads no bytes at all would
        // repeat for ever.
        if (stop || in.Pos() == start) break;

        // The image comes zeroed: below only the bytes of values are written.
        TMemRecord record;
        record.Data = pool.Take();
        record.Wides.resize(wideCount);
        Byte* image = record.Data.get();
        record.Id = counter;
        if (blobCount > 0) {
            record.Blobs.resize(blobCount);
            for (std::size_t k = 0; k < blobSource.size(); ++k)
                if (blobSource[k]) record.Blobs[k] = AnsiString(blobSource[k]->Value);
        }
        for (const TSlot& slot : slots) {
            Byte* value = image + slot.NullOffset + 1;
            const TMemReadField* c = slot.Source;
            Byte flag = 0;
            switch (slot.Kind) {
            case skRecId:
                std::memcpy(value, &counter, 4);
                flag = 1;
                break;
            case skMissing:  // a field the file lacks stays null
                break;
            case skText: {
                // The text ends at its first NUL and keeps at most Size characters.
                std::size_t n = std::min(c->Value.size(), slot.Size - 1);
                if (const void* nul = std::memchr(c->Value.data(), 0, n))
                    n = static_cast<std::size_t>(static_cast<const char*>(nul) - c->Value.data());
                std::memcpy(value, c->Value.data(), n);
                flag = 1;
                break;
            }
            case skWide:
                flag = c->NullFlag;
                if (flag) record.Wides[static_cast<std::size_t>(slot.WideIndex)] = c->Wide;
                break;
            case skFixed:
                flag = c->NullFlag;
                if (flag) std::memcpy(value, c->Value.data(), std::min(c->Value.size(), slot.Size));
                break;
            }
            image[slot.NullOffset] = flag;
        }
        ApplyAutoIncrement(record, true);
        if (counter == 1) {
            // Room for as many records as the first one's size suggests, so
            // that the list is not moved again and again while it grows. A
            // damaged file with a tiny first record reserves no more than a
            // few times its own size.
            std::size_t guess = in.Left() / (in.Pos() - start);
            FStorage.FRecords.reserve(std::min(1 + guess + guess / 8, 4 * data.size() / sizeof(TMemRecord)));
        }
        FStorage.FRecords.push_back(std::move(record));
        FIdCounter = counter;
        ++counter;
    }
}
