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
// the records before it are kept, and the status says so (TMemReadStatus).

#include "tables/memdset.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileBuffer.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"

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
    const char* Here() const { return FData.data() + FPos; }
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
        const Byte* image = r.Data;
        for (const TColumn& c : plan) {
            if (c.BlobSlot >= 0) {
                const AnsiString* stored = r.Blob(c.BlobSlot);
                const AnsiString& blob = stored ? *stored : empty;
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
                const std::u16string& w = r.Wide(d->WideIndex());
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

// Reads a table file image into a table that was just emptied, in three
// steps: the header (signature, version, column descriptors), the column plan
// (how each column of the file is read and where its value goes in the
// record), and the records, one after another to the end of the image.
// Damage stops the reading where it is found; the records read in full
// before it are kept.
//
// A record is read in one pass straight into its image, with one bounds
// check for all its fixed-size parts and one per length it holds; a start-up
// restore of a large table spent most of its time checking and dispatching
// value by value. When a record is not all there, it is read again value by
// value (ReadValue) to find and describe the damage.
class TMemFileReader {
public:
    TMemFileReader(TMemData& table, std::string_view data, TFileBuffer* source)
        : FTable(table), FStorage(table.FStorage), FIn(data), FSource(source) {}

    TMemReadStatus Read() {
        if (ReadHeader() && PlanColumns()) ReadRecords();
        return FStatus;
    }

private:
    // How a column of the file is read: by the matched field's kind, or for
    // an unmatched column by its stored type code.
    enum TColumnKind : Byte { ckText, ckBlob, ckWide, ckFixed, ckSkipCounted, ckSkipWide, ckSkipFixed };
    // How ReadRecord reads a column: its kind, and for the usual fixed-size
    // values (flagged, stored in the field's own size) that size.
    enum TStep : Byte { stText, stFixed2, stFixed4, stFixed8, stFixed, stWide, stBlob, stSkipCounted, stSkipWide, stSkip };
    // Where a column's value goes, resolved once for all records.
    struct TPlan {
        TStep Step;
        bool Flagged;            // a fixed-size value with its null-flag byte (not version 0)
        std::uint32_t Stored;    // fixed-size values: the bytes in the file (stSkip: with the flag)
        std::uint32_t Copied;    // the bytes that fit the field: at most its data size, for a text its Size
        std::uint32_t NullOffset;
        int Slot;                // the wide-string index or blob slot
    };

    // Marks the image damaged at the current position; false, for returning.
    bool Damage(const AnsiString& reason, TMemDamage where = rdNone) {
        FStatus.Result = rrPartial;
        FStatus.DamageOffset = static_cast<Int64>(FIn.Pos());
        FStatus.Damage = where != rdNone ? where : FInRecords ? rdRecord : rdHeader;
        FStatus.Reason = reason;
        return false;
    }
    AnsiString Where(std::size_t column) const {
        return "record " + std::to_string(FCounter) + ", column \"" + FNames[column] + "\"";
    }
    // A length read from the file: not negative, and its bytes present.
    bool CheckLength(std::size_t column, std::int64_t length) {
        if (length < 0) return Damage(Where(column) + ": negative length " + std::to_string(length));
        if (static_cast<std::uint64_t>(length) > FIn.Left())
            return Damage(Where(column) + ": length " + std::to_string(length) + " runs past the end of the file (" +
                          std::to_string(FIn.Left()) + " bytes left)");
        return true;
    }
    bool Ends(std::size_t column) { return Damage(Where(column) + ": the file ends inside the value"); }

    bool ReadHeader();
    bool PlanColumns();
    void ReadRecords();
    bool ReadRecord(TMemRecord& record);
    void FindDamage();
    bool ReadValue(std::size_t column);

    TMemData& FTable;
    TMemFields& FStorage;
    TImageReader FIn;
    TMemReadStatus FStatus;
    bool FVersion0 = true;
    std::vector<TMemReadField> FColumns;
    std::vector<AnsiString> FNames;
    std::vector<TColumnKind> FKinds;
    std::vector<TPlan> FPlan;
    std::size_t FFixedBytes = 0;  // a record's bytes besides the texts, blobs and wide strings its lengths count
    TMemField* FRecId = nullptr;
    std::vector<TMemField*> FAutoIncs;  // the auto-increment fields but RecId, which the reader numbers
    Integer FCounter = 1;  // the number of the record being read
    bool FInRecords = false;
    TFileBuffer* FSource;  // the buffer behind the bytes, or none
    std::size_t FDiscarded = 0;
};

bool TMemFileReader::ReadHeader() {
    std::string_view signature;
    if (FIn.View(3, signature) && signature == "Ver") {
        double version = 0;
        if (!FIn.Double(version)) return Damage("the file ends inside its version number");
        FVersion0 = false;  // any stored version reads as 1.0 or later
    } else {
        FIn.Rewind();
    }
    std::int32_t count = 0;
    if (!FIn.Int32(count)) return Damage("the file ends before its column count");
    if (count < 0) return Damage("column count " + std::to_string(count) + " is negative");
    std::vector<const TField*> bound;
    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t size;
        std::uint16_t code, nameLength;
        std::string_view name;
        if (!FIn.Int32(size) || !FIn.UInt16(code) || !FIn.UInt16(nameLength) || !FIn.View(nameLength, name))
            return Damage("the file ends inside column descriptor " + std::to_string(i + 1) + " of " +
                          std::to_string(count));
        name = name.substr(0, name.find('\0'));
        if (size < 0)  // a column of negative size cannot be read past
            return Damage("column \"" + AnsiString(name) + "\" has a negative size (" + std::to_string(size) + ")");
        TMemReadField column;
        column.StoredSize = size;
        column.BufferSize = size;
        column.Code = code;
        TField* field = FTable.FindField(AnsiString(name));
        // RecId is numbered by the reader, and a second column of one name
        // would overwrite the first: both are skipped like unknown columns.
        if (field && field != FTable.FRecIdField && std::find(bound.begin(), bound.end(), field) == bound.end()) {
            bound.push_back(field);
            column.Field = field;
            column.Desc = FStorage.FindDescriptor(field);
            column.BlobSlot = FStorage.BlobIndex(field);
            if (column.Desc) column.BufferSize = std::max(size, column.Desc->DataSize());
        }
        FColumns.push_back(std::move(column));
        FNames.emplace_back(name);
    }
    // Records the table has no field for would be lost by the next save.
    if (bound.empty() && !FIn.AtEnd())
        return Damage("none of the file's " + std::to_string(count) + " columns is a field of the table", rdColumns);
    return !FIn.AtEnd();
}

bool TMemFileReader::PlanColumns() {
    for (const TMemReadField& c : FColumns) {
        TColumnKind kind;
        if (c.Field)
            kind = c.BlobSlot >= 0                           ? ckBlob
                   : c.Field->DataType() == ftString     ? ckText
                   : c.Field->DataType() == ftWideString ? ckWide
                                                         : ckFixed;
        else
            kind = c.Code == 1 || IsBlobCode(c.Code) ? ckSkipCounted : c.Code == 20 ? ckSkipWide : ckSkipFixed;
        FKinds.push_back(kind);
        const TStep step = kind == ckText          ? stText
                           : kind == ckBlob        ? stBlob
                           : kind == ckWide        ? stWide
                           : kind == ckFixed       ? stFixed
                           : kind == ckSkipCounted ? stSkipCounted
                           : kind == ckSkipWide    ? stSkipWide
                                                   : stSkip;
        TPlan plan{step, !FVersion0, static_cast<std::uint32_t>(c.StoredSize), 0, 0, c.BlobSlot};
        if (c.Desc) {
            plan.NullOffset = static_cast<std::uint32_t>(c.Desc->NullOffset());
            // A text keeps at most Size characters, a wide string at most
            // Size UTF-16 units; other values are copied up to the data size.
            const int size = c.Field->Size() < 0 ? 0 : c.Field->Size();
            plan.Copied = kind == ckText   ? static_cast<std::uint32_t>(c.Desc->DataSize() - 1)
                          : kind == ckWide ? static_cast<std::uint32_t>(size)
                                           : std::min<std::uint32_t>(plan.Stored, static_cast<std::uint32_t>(c.Desc->DataSize()));
            if (kind == ckWide) plan.Slot = c.Desc->WideIndex();
            if (kind == ckFixed && plan.Flagged && plan.Copied == plan.Stored)
                plan.Step = plan.Stored == 2 ? stFixed2 : plan.Stored == 4 ? stFixed4 : plan.Stored == 8 ? stFixed8 : stFixed;
        }
        if (kind == ckSkipFixed && plan.Flagged) ++plan.Stored;
        FFixedBytes += kind == ckFixed       ? (FVersion0 ? 0 : 1) + std::size_t{plan.Stored}
                       : kind == ckSkipFixed ? std::size_t{plan.Stored}
                       : kind == ckWide || kind == ckSkipWide ? 5
                                                              : 4;
        FPlan.push_back(plan);
    }
    FRecId = FStorage.FindDescriptor(FTable.FRecIdField);
    for (TMemField* d : FStorage.AutoIncFields())
        if (d != FRecId) FAutoIncs.push_back(d);
    return true;
}

// One column's value of the current record into its working record; false
// (with the damage noted) when the bytes are not there. Only a damaged
// record is read this way, to say where and why it is damaged.
bool TMemFileReader::ReadValue(std::size_t k) {
    TMemReadField& c = FColumns[k];
    std::int32_t length = 0;
    Byte flag = 0;
    switch (FKinds[k]) {
    case ckBlob:
        if (!FIn.Int32(length)) return Ends(k);
        return CheckLength(k, length) && FIn.View(length, c.Value);
    case ckText:
        if (!FIn.Int32(length)) return Ends(k);
        if (!CheckLength(k, length)) return false;
        // Longer than the field can hold: its head is read, the rest skipped.
        FIn.View(std::min<std::int64_t>(length, c.BufferSize), c.Value);
        return FIn.Skip(length - static_cast<std::int64_t>(c.Value.size()));
    case ckWide: {
        if (!FIn.Int32(length) || !FIn.Byte1(flag)) return Ends(k);
        if (length < 0) return Damage(Where(k) + ": negative length " + std::to_string(length));
        c.NullFlag = flag == 1 ? 1 : 0;
        c.Wide.clear();
        if (flag != 1) return true;
        std::string_view text;
        if (!CheckLength(k, std::int64_t{length} * 2)) return false;
        FIn.View(std::int64_t{length} * 2, text);
        c.Wide.resize(static_cast<std::size_t>(length));
        std::memcpy(c.Wide.data(), text.data(), text.size());
        return true;
    }
    case ckFixed:
        if (!FVersion0) {
            if (!FIn.Byte1(flag)) return Ends(k);
            c.NullFlag = flag != 0 ? 1 : 0;
        }
        return FIn.View(c.StoredSize, c.Value) || Ends(k);
    case ckSkipCounted:
        if (!FIn.Int32(length)) return Ends(k);
        return CheckLength(k, length) && FIn.Skip(length);
    case ckSkipWide:
        if (!FIn.Int32(length) || !FIn.Byte1(flag)) return Ends(k);
        if (length < 0) return Damage(Where(k) + ": negative length " + std::to_string(length));
        return flag != 1 || (CheckLength(k, std::int64_t{length} * 2) && FIn.Skip(std::int64_t{length} * 2));
    case ckSkipFixed:
        if (!FVersion0 && !FIn.Byte1(flag)) return Ends(k);
        return FIn.Skip(c.StoredSize) || Ends(k);
    }
    return false;
}

namespace {

std::int32_t LoadInt32(const char* p) {
    std::int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Most texts are short: copied by a few overlapping moves instead of a call
// into memcpy for each.
[[gnu::always_inline]] inline void CopyBytes(Byte* to, const char* from, std::size_t n) {
    if (n <= 16) {
        if (n >= 8) {
            std::uint64_t head, tail;
            std::memcpy(&head, from, 8);
            std::memcpy(&tail, from + n - 8, 8);
            std::memcpy(to, &head, 8);
            std::memcpy(to + n - 8, &tail, 8);
        } else if (n >= 4) {
            std::uint32_t head, tail;
            std::memcpy(&head, from, 4);
            std::memcpy(&tail, from + n - 4, 4);
            std::memcpy(to, &head, 4);
            std::memcpy(to + n - 4, &tail, 4);
        } else if (n > 0) {
            to[0] = static_cast<Byte>(from[0]);
            to[n / 2] = static_cast<Byte>(from[n / 2]);
            to[n - 1] = static_cast<Byte>(from[n - 1]);
        }
    } else if (n <= 32) {
        char head[16], tail[16];
        std::memcpy(head, from, 16);
        std::memcpy(tail, from + n - 16, 16);
        std::memcpy(to, head, 16);
        std::memcpy(to + n - 16, tail, 16);
    } else {
        std::memcpy(to, from, n);
    }
}

}  // namespace

// The current record's values straight into the record's zeroed image (and
// its values beside it); false, with nothing consumed, when the record is not
// all there or holds a negative length. Only the bytes of values are written.
bool TMemFileReader::ReadRecord(TMemRecord& record) {
    const char* p = FIn.Here();
    if (FIn.Left() < FFixedBytes) return false;
    // The bytes the record's lengths may still claim.
    std::size_t spare = FIn.Left() - FFixedBytes;
    auto claim = [&spare](std::int64_t bytes) {
        // A negative length turns into a huge one here.
        if (static_cast<std::uint64_t>(bytes) > spare) return false;
        spare -= static_cast<std::size_t>(bytes);
        return true;
    };
    Byte* image = record.Data;
    for (const TPlan& c : FPlan) {
        switch (c.Step) {
        case stFixed2:
        case stFixed4:
        case stFixed8:
            if (*p++) {
                image[c.NullOffset] = 1;
                // Constant moves for the usual sizes.
                Byte* value = image + c.NullOffset + 1;
                if (c.Step == stFixed4)
                    std::memcpy(value, p, 4);
                else if (c.Step == stFixed2)
                    std::memcpy(value, p, 2);
                else
                    std::memcpy(value, p, 8);
            }
            p += c.Stored;
            break;
        case stFixed: {
            Byte flag = 1;
            if (c.Flagged) flag = static_cast<Byte>(*p++);
            if (flag) {
                image[c.NullOffset] = 1;
                CopyBytes(image + c.NullOffset + 1, p, c.Copied);
            }
            p += c.Stored;
            break;
        }
        case stText: {
            const std::int32_t n = LoadInt32(p);
            p += 4;
            if (!claim(n)) return false;
            // The text and its NUL, cut to the field's Size: the image's last
            // byte stays 0, and readers stop at the first NUL.
            CopyBytes(image + c.NullOffset + 1, p, std::min(static_cast<std::uint32_t>(n), c.Copied));
            image[c.NullOffset] = 1;
            p += n;
            break;
        }
        case stWide: {
            const std::int32_t n = LoadInt32(p);
            const Byte flag = static_cast<Byte>(p[4]);
            p += 5;
            if (n < 0) return false;
            if (flag != 1) break;
            if (!claim(std::int64_t{n} * 2)) return false;
            // Cut to the field's Size like an 8-bit text, never inside a surrogate pair.
            std::size_t keep = std::min(static_cast<std::size_t>(n), std::size_t{c.Copied});
            auto unit = [p](std::size_t i) {
                char16_t u;
                std::memcpy(&u, p + 2 * i, 2);
                return u;
            };
            if (keep < static_cast<std::size_t>(n) && keep > 0 && unit(keep - 1) >= 0xD800 && unit(keep - 1) <= 0xDBFF)
                --keep;
            std::u16string& text = record.Values->Wides[static_cast<std::size_t>(c.Slot)];
            text.resize(keep);
            std::memcpy(text.data(), p, keep * 2);
            image[c.NullOffset] = 1;
            p += std::size_t{2} * static_cast<std::size_t>(n);
            break;
        }
        case stBlob: {
            const std::int32_t n = LoadInt32(p);
            p += 4;
            if (!claim(n)) return false;
            record.Values->Blobs[static_cast<std::size_t>(c.Slot)].assign(p, static_cast<std::size_t>(n));
            p += n;
            break;
        }
        case stSkipCounted: {
            const std::int32_t n = LoadInt32(p);
            p += 4;
            if (!claim(n)) return false;
            p += n;
            break;
        }
        case stSkipWide: {
            const std::int32_t n = LoadInt32(p);
            const Byte flag = static_cast<Byte>(p[4]);
            p += 5;
            if (n < 0) return false;
            if (flag == 1) {
                if (!claim(std::int64_t{n} * 2)) return false;
                p += std::size_t{2} * static_cast<std::size_t>(n);
            }
            break;
        }
        case stSkip:
            p += c.Stored;
            break;
        }
    }
    FIn.Skip(static_cast<std::int64_t>(p - FIn.Here()));
    image[FRecId->NullOffset()] = 1;
    std::memcpy(image + FRecId->ValueOffset(), &FCounter, 4);
    record.Id = FCounter;
    return true;
}

// The record that ReadRecord refused, value by value up to its damage.
void TMemFileReader::FindDamage() {
    for (std::size_t k = 0; k < FColumns.size(); ++k)
        if (!ReadValue(k)) return;
    Damage("record " + std::to_string(FCounter) + " cannot be read");  // not reached: ReadRecord refuses only damage
}

void TMemFileReader::ReadRecords() {
    FInRecords = true;
    // A record that reads no bytes at all would repeat for ever: every
    // column is a fixed-size one of size 0 without a flag.
    if (FFixedBytes == 0) {
        Damage("record 1 takes no bytes: no column of the file has a size");
        return;
    }
    const std::size_t total = FIn.Left() + FIn.Pos();
    // The records read in full are 1..FCounter - 1, however the reading ends.
    auto count = ScopeExit([this] {
        FStatus.Records = FCounter - 1;
        FTable.FIdCounter = FCounter - 1;
        FRecId->AutoIncMax = FCounter - 1;  // RecId numbers the records 1..n
    });
    // Records are read into a few zeroed images that stay in the cache and
    // then copied to their own images many at a time: values written here and
    // there straight into fresh memory made the processor fetch each of its
    // lines first, which cost more than the reading itself.
    const std::size_t size = static_cast<std::size_t>(FStorage.RecordSize());
    // As many as fit in 16 KB, at most 32.
    const std::size_t room = std::clamp<std::size_t>(16384 / size, 1, 32);
    std::vector<Byte> stage(room * size);
    Byte* to = nullptr;  // the image of the first staged record; the others follow it
    std::size_t staged = 0;
    auto flush = [&] {
        if (staged == 0) return;
        std::memcpy(to, stage.data(), staged * size);
        std::memset(stage.data(), 0, staged * size);
        staged = 0;
    };
    auto flushed = ScopeExit(flush);
    while (!FIn.AtEnd()) {
        const std::size_t start = FIn.Pos();
        TMemRecord record = FStorage.NewRecord();
        Byte* image = record.Data;
        if (staged == room || (staged > 0 && image != to + staged * size)) flush();
        if (staged == 0) to = image;
        record.Data = stage.data() + staged * size;
        if (FStorage.BlobCount() > 0) record.Values->Blobs.resize(static_cast<std::size_t>(FStorage.BlobCount()));
        if (!ReadRecord(record)) {
            std::memset(record.Data, 0, size);
            record.Data = image;
            FStorage.Discard(record);
            FindDamage();  // the damaged record is dropped
            return;
        }
        if (FCounter == 1) {
            // Room for as many records as the first one's size suggests, in
            // the list and for their images, so that the list is not moved
            // again and again while it grows. A damaged file with a tiny first
            // record reserves no more than a few times its own size.
            std::size_t guess = FIn.Left() / (FIn.Pos() - start);
            guess = std::min(1 + guess + guess / 8, 4 * total / sizeof(TMemRecord));
            FStorage.FRecords.reserve(guess);
            FStorage.FImages.Reserve(std::min(guess, 4 * total / static_cast<std::size_t>(FStorage.RecordSize())));
        }
        if (!FAutoIncs.empty()) FTable.ApplyAutoIncrement(record, true, FAutoIncs);
        record.Data = image;
        ++staged;
        FStorage.FRecords.push_back(std::move(record));
        ++FCounter;
        // Every value before the next record has been copied into the table.
        if (FSource && FIn.Pos() >= FDiscarded + 2 * HugePageSize) {
            FDiscarded = FIn.Pos();
            FSource->Discard(FDiscarded);
        }
    }
}

TMemReadStatus TMemData::RestoreFromFile(const AnsiString& fileName) {
    TFileBuffer bytes;
    std::size_t size = 0;
    try {
        ReadWholeFile(fileName, bytes, size);
    } catch (const EStreamError& e) {
        // An unreadable file leaves the table as it was.
        TMemReadStatus status;
        status.Result = rrUnreadable;
        status.Reason = e.Message();
        return status;
    }
    TMemReadStatus status = Restore(std::string_view(bytes.Data(), size), &bytes);
    if (!status.Reason.empty()) status.Reason = fileName + ": " + status.Reason;
    return status;
}

TMemReadStatus TMemData::RestoreFromBytes(std::string_view data) { return Restore(data, nullptr); }

TMemReadStatus TMemData::Restore(std::string_view data, TFileBuffer* source) {
    DisableControls();
    auto enable = ScopeExit([this] { EnableControls(); });
    TMemReadStatus status;
    {
        FBusy = true;
        auto idle = ScopeExit([this] { FBusy = false; });
        Close();
        Open();
        status = TMemFileReader(*this, data, source).Read();
    }
    SortStorage();
    RebuildFilterList();
    if (!FFiltered) {
        First();
    } else {
        InternalFirst();
        Resync(TResyncMode{});
    }
    return status;
}
