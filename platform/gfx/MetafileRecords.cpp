#include "platform/gfx/MetafileRecords.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/gfx/Graphic.h"
#include "platform/rtl/ByteFields.h"
#include "platform/rtl/Exceptions.h"

namespace {

using byte_fields::U16;
using byte_fields::U32;

constexpr Cardinal PlaceableKey = 0x9AC6CDD7;
constexpr Cardinal EmfPlusKey = 0x2B464D45;  // "EMF+"

AnsiString Num(Int64 v) { return std::to_string(v); }
Int64 I32(const Byte* p) { return static_cast<std::int32_t>(U32(p)); }

[[noreturn]] void Bad(const AnsiString& What) { throw EInvalidGraphic(What); }

// Where a record lies, for the messages.
struct TPlace {
    const char* Kind;  // "Windows metafile", "enhanced metafile"
    Int64 Index;       // 1-based
    AnsiString Name;
    Int64 Offset;
    Int64* Pixels;  // of every bitmap so far

    [[noreturn]] void Bad(const AnsiString& What) const {
        ::Bad(AnsiString(Kind) + ", record " + Num(Index) + " (" + Name + ", at byte " + Num(Offset) + "): " + What);
    }
    // The translators decode each bitmap whole, one after another into the
    // same translation: the budget holds for all of them together.
    void Spend(Int64 Width, Int64 Height) const {
        const Int64 pixels = Width * std::llabs(Height);
        *Pixels += pixels;
        if (pixels > MaxDecodedPixels)
            Bad("a bitmap of " + Num(Width) + " x " + Num(Height) + " pixels; at most " + Num(MaxDecodedPixels) +
                " pixels are decoded");
        if (*Pixels > MaxDecodedPixels)
            Bad("a bitmap of " + Num(Width) + " x " + Num(Height) + " pixels brings the file's bitmaps to " +
                Num(*Pixels) + " pixels; at most " + Num(MaxDecodedPixels) + " are decoded");
    }
    // The field's bytes [From, From + Length) must lie in the record's Size.
    void Need(Int64 From, Int64 Length, Int64 Size, const char* Field) const {
        if (From < 0 || Length < 0 || From + Length > Size)
            Bad(AnsiString(Field) + " of " + Num(Length) + " bytes at byte " + Num(From) + " reaches byte " +
                Num(From + Length) + "; the record has " + Num(Size));
    }
};

// Run-length coded rows must end with the end-of-bitmap code inside the
// data and draw nothing outside the bitmap: the decoders follow the codes,
// not the sizes.
void CheckRunLengthCode(const TPlace& At, const Byte* p, Int64 size, int bits, Int64 width, Int64 height) {
    Int64 i = 0, x = 0, y = 0;
    while (i + 2 <= size) {
        const Cardinal count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            x += count;
        } else if (value == 0) {
            x = 0;
            ++y;
            continue;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (i + 2 > size) break;
            x += p[i];
            y += p[i + 1];
            i += 2;
            continue;
        } else {
            const Int64 bytes = bits == 8 ? value : (value + 1) / 2;
            i += (bytes + 1) / 2 * 2;
            if (i > size) break;
            x += value;
        }
        if (x > width || y >= height)
            At.Bad("the bitmap's run-length code draws at column " + Num(x) + ", row " + Num(y) + " of a " +
                   Num(width) + " x " + Num(height) + " bitmap");
    }
    At.Bad("the bitmap's run-length code has no end within its " + Num(size) + " bytes");
}

// A device-independent bitmap: its header and colour table in [Info,
// Info + InfoSize); its pixels in [Bits, Bits + BitsSize), or right after the
// colour table in the same block when Bits is null.
void CheckBitmap(const TPlace& At, const Byte* Info, Int64 InfoSize, const Byte* Bits, Int64 BitsSize,
                 bool PaletteIndices) {
    if (InfoSize < 12) At.Bad("a bitmap header of " + Num(InfoSize) + " bytes; it needs 12 at least");
    const Cardinal header = U32(Info);
    Int64 width = 0, height = 0, entrySize = 4, used = 0, masks = 0;
    Cardinal bits = 0, compression = 0;
    if (header == 12) {
        width = U16(Info + 4);
        height = U16(Info + 6);
        bits = U16(Info + 10);
        entrySize = 3;
    } else if (header >= 40 && header <= InfoSize) {
        width = I32(Info + 4);
        height = I32(Info + 8);
        bits = U16(Info + 14);
        compression = U32(Info + 16);
        used = U32(Info + 32);
        if (header == 40 && compression == 3) masks = 12;
    } else {
        At.Bad("a bitmap header of " + Num(header) + " bytes in " + Num(InfoSize));
    }
    if (PaletteIndices) entrySize = 2;
    const Int64 rows = std::llabs(height);
    if (width < 1 || rows < 1) At.Bad("a bitmap of " + Num(width) + " x " + Num(height) + " pixels");
    At.Spend(width, height);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        At.Bad("a bitmap of " + Num(bits) + " bits per pixel");
    const bool runLength = (compression == 1 && bits == 8) || (compression == 2 && bits == 4);
    if (!(compression == 0 || runLength || (compression == 3 && (bits == 16 || bits == 32))))
        At.Bad("a bitmap of " + Num(bits) + " bits per pixel with compression " + Num(compression));
    if (runLength && height < 0) At.Bad("a run-length coded bitmap stored top-down");
    const Int64 most = bits <= 8 ? Int64(1) << bits : 256;
    if (used > most) At.Bad("a bitmap of " + Num(used) + " colours; at most " + Num(most));
    const Int64 entries = used ? used : (bits <= 8 ? Int64(1) << bits : 0);
    const Int64 tableEnd = Int64(header) + masks + entries * entrySize;
    At.Need(0, tableEnd, InfoSize, "the bitmap's colour table");
    if (Bits == nullptr) {
        Bits = Info + tableEnd;
        BitsSize = InfoSize - tableEnd;
    }
    if (runLength) {
        CheckRunLengthCode(At, Bits, BitsSize, int(bits), width, rows);
        return;
    }
    const Int64 stride = (width * bits + 31) / 32 * 4;
    if (stride * rows > BitsSize)
        At.Bad("a bitmap of " + Num(width) + " x " + Num(height) + " pixels needs " + Num(stride * rows) +
               " bytes of rows; the record has " + Num(BitsSize));
}

// ---------------------------------------------------------------- WMF

// The bitmaps of the old kind: type, width, height, bytes per row u16,
// planes, bits per pixel u8; then the rows.
void CheckOldBitmap(const TPlace& At, const Byte* p, Int64 size) {
    At.Need(0, 10, size, "the bitmap header");
    const Int64 width = std::int16_t(U16(p + 2)), height = std::int16_t(U16(p + 4));
    if (width < 1 || height < 1) At.Bad("a bitmap of " + Num(width) + " x " + Num(height) + " pixels");
    At.Spend(width, height);
}

struct TWmfBitmapRecord {
    Cardinal Function;
    const char* Name;
    Int64 BitmapAt;   // bytes from the record's start
    Int64 NoBitmap;   // the record's size in words when it carries none, or 0
    bool Old;         // the old bitmap kind rather than a device-independent one
    bool HasUsage;    // a colour-usage word (1: palette indices) at byte 6
};

constexpr TWmfBitmapRecord WmfBitmapRecords[] = {
    {0x0940, "DIBBitBlt", 22, 12, false, false},     {0x0B41, "DIBStretchBlt", 26, 14, false, false},
    {0x0F43, "StretchDIB", 28, 0, false, true},      {0x0D33, "SetDIBitsToDevice", 24, 0, false, true},
    {0x0142, "DIBCreatePatternBrush", 10, 0, false, false},
    {0x0922, "BitBlt", 22, 12, true, false},         {0x0B23, "StretchBlt", 26, 14, true, false},
    {0x01F9, "CreatePatternBrush", 6, 0, true, false},
};

AnsiString WmfName(Cardinal f) {
    for (const auto& r : WmfBitmapRecords)
        if (r.Function == f) return r.Name;
    switch (f) {
    case 0x0000: return "end";
    case 0x0324: return "Polygon";
    case 0x0325: return "Polyline";
    case 0x0538: return "PolyPolygon";
    case 0x0521: return "TextOut";
    case 0x0A32: return "ExtTextOut";
    case 0x00F7: return "CreatePalette";
    case 0x0037: return "SetPaletteEntries";
    case 0x0626: return "Escape";
    default: return "function " + Num(f);
    }
}

void CheckWmfRecord(const TPlace& At, Cardinal function, const Byte* r, Int64 size) {
    for (const auto& b : WmfBitmapRecords) {
        if (b.Function != function) continue;
        if (b.NoBitmap && size == b.NoBitmap * 2) return;
        At.Need(0, b.BitmapAt, size, "the bitmap's placement");
        if (b.Old) return CheckOldBitmap(At, r + b.BitmapAt, size - b.BitmapAt);
        const bool indices = b.HasUsage && U16(r + 6) == 1;
        return CheckBitmap(At, r + b.BitmapAt, size - b.BitmapAt, nullptr, 0, indices);
    }
    switch (function) {
    case 0x0324:
    case 0x0325:
        At.Need(6, 2, size, "the point count");
        At.Need(8, 4 * Int64(U16(r + 6)), size, "the points");
        break;
    case 0x0538: {
        At.Need(6, 2, size, "the polygon count");
        const Int64 polygons = U16(r + 6);
        At.Need(8, 2 * polygons, size, "the polygons' point counts");
        Int64 points = 0;
        for (Int64 i = 0; i < polygons; ++i) points += U16(r + 8 + 2 * i);
        At.Need(8 + 2 * polygons, 4 * points, size, "the points");
        break;
    }
    case 0x0521: {
        At.Need(6, 2, size, "the text length");
        const Int64 length = U16(r + 6);
        At.Need(8, (length + 1) / 2 * 2 + 4, size, "the text and its position");
        break;
    }
    case 0x0A32: {
        At.Need(6, 8, size, "the text's position, length and options");
        const Int64 length = U16(r + 10);
        const Int64 rect = (U16(r + 12) & 0x0006) ? 8 : 0;
        At.Need(14 + rect, length, size, "the text");
        break;
    }
    case 0x00F7:
    case 0x0037:
        At.Need(6, 4, size, "the palette's start and entry count");
        At.Need(10, 4 * Int64(U16(r + 8)), size, "the palette entries");
        break;
    case 0x0626:
        At.Need(6, 4, size, "the escape's function and length");
        At.Need(10, U16(r + 8), size, "the escape's data");
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- EMF

// Offsets of a bitmap's four fields (header offset and size, pixels
// offset and size) in the records that carry one or two bitmaps.
struct TEmfBitmapRecord {
    Cardinal Type;
    const char* Name;
    Int64 Fields[2];  // where the four fields of each bitmap start, or 0
    Int64 Usage;      // where the colour usage of the first lies, or 0
};

constexpr TEmfBitmapRecord EmfBitmapRecords[] = {
    {76, "BitBlt", {84, 0}, 80},          {77, "StretchBlt", {84, 0}, 80},
    {78, "MaskBlt", {84, 112}, 80},       {79, "PlgBlt", {96, 124}, 92},
    {80, "SetDIBitsToDevice", {48, 0}, 64}, {81, "StretchDIBits", {48, 0}, 64},
    {93, "CreateMonoBrush", {16, 0}, 12}, {94, "CreateDIBPatternBrushPt", {16, 0}, 12},
    {95, "ExtCreatePen", {12, 0}, 0},     {114, "AlphaBlend", {84, 0}, 80},
    {116, "TransparentBlt", {84, 0}, 80},
};

AnsiString EmfName(Cardinal type) {
    for (const auto& b : EmfBitmapRecords)
        if (b.Type == type) return b.Name;
    switch (type) {
    case 1: return "header";
    case 14: return "end";
    case 70: return "comment";
    case 83: return "ExtTextOutA";
    case 84: return "ExtTextOutW";
    case 82: return "ExtCreateFontIndirectW";
    default: return "type " + Num(type);
    }
}

// Records of points: where the count lies, where the points start and the
// bytes of one point.
struct TEmfPoints {
    Cardinal Type;
    Int64 PointSize;
    bool Poly;  // a count of figures, the point total, each figure's count
};

constexpr TEmfPoints EmfPointRecords[] = {
    {2, 8, false},  {3, 8, false},  {4, 8, false},  {5, 8, false},  {6, 8, false},  {85, 4, false}, {86, 4, false},
    {87, 4, false}, {88, 4, false}, {89, 4, false}, {7, 8, true},   {8, 8, true},   {90, 4, true},  {91, 4, true},
};

void CheckEmfPlus(const TPlace& At, const Byte* p, Int64 size) {
    Int64 i = 0;
    for (Int64 n = 1; i < size; ++n) {
        const AnsiString which = "the second kind's record " + Num(n);
        if (size - i < 12)
            At.Bad(which + " needs 12 bytes at its start " + Num(i) + "; the comment has " + Num(size));
        const Int64 recordSize = U32(p + i + 4), dataSize = U32(p + i + 8);
        if (recordSize < 12 || recordSize % 4 != 0 || recordSize > size - i)
            At.Bad(which + " claims " + Num(recordSize) + " bytes; " + Num(size - i) +
                   " are left in the comment (12 at least, a multiple of 4)");
        if (dataSize > recordSize - 12)
            At.Bad(which + " claims " + Num(dataSize) + " bytes of data in " + Num(recordSize - 12));
        // Its header record holds version, flags and the two resolutions.
        if (U16(p + i) == 0x4001 && dataSize < 16)
            At.Bad(which + " is a header of " + Num(dataSize) + " bytes; it needs 16");
        i += recordSize;
    }
}

void CheckEmfText(const TPlace& At, const Byte* r, Int64 size, Int64 charSize) {
    At.Need(36, 40, size, "the text's fields");
    const Int64 chars = U32(r + 44), textAt = U32(r + 48), dxAt = U32(r + 72);
    if (chars == 0) return;
    At.Need(textAt, chars * charSize, size, "the text");
    // Each character has its advance, and a vertical one too with ETO_PDY.
    if (dxAt != 0) At.Need(dxAt, chars * ((U32(r + 52) & 0x2000) ? 8 : 4), size, "the character advances");
}

void CheckEmfRecord(const TPlace& At, Cardinal type, const Byte* r, Int64 size) {
    for (const auto& b : EmfBitmapRecords) {
        if (b.Type != type) continue;
        for (int k = 0; k < 2; ++k) {
            const Int64 f = b.Fields[k];
            if (f == 0) continue;
            At.Need(f, 16, size, "the bitmap's offsets");
            const Int64 infoAt = U32(r + f), infoSize = U32(r + f + 4);
            const Int64 bitsAt = U32(r + f + 8), bitsSize = U32(r + f + 12);
            if (infoSize == 0) continue;  // no bitmap: a plain pattern or raster operation
            At.Need(infoAt, infoSize, size, "the bitmap header");
            At.Need(bitsAt, bitsSize, size, "the bitmap's pixels");
            const bool indices = k == 0 && b.Usage && U32(r + b.Usage) == 1;
            CheckBitmap(At, r + infoAt, infoSize, r + bitsAt, bitsSize, indices);
        }
        return;
    }
    for (const auto& pts : EmfPointRecords) {
        if (pts.Type != type) continue;
        if (!pts.Poly) {
            At.Need(24, 4, size, "the point count");
            At.Need(28, U32(r + 24) * pts.PointSize, size, "the points");
            return;
        }
        At.Need(24, 8, size, "the figure and point counts");
        const Int64 figures = U32(r + 24), points = U32(r + 28);
        At.Need(32, 4 * figures, size, "the figures' point counts");
        Int64 sum = 0;
        for (Int64 i = 0; i < figures; ++i) sum += U32(r + 32 + 4 * i);
        if (sum != points) At.Bad("the figures hold " + Num(sum) + " points; the record says " + Num(points));
        At.Need(32 + 4 * figures, points * pts.PointSize, size, "the points");
        return;
    }
    switch (type) {
    case 70: {
        At.Need(8, 4, size, "the comment's length");
        const Int64 length = U32(r + 8);
        At.Need(12, length, size, "the comment");
        if (length >= 4 && U32(r + 12) == EmfPlusKey) CheckEmfPlus(At, r + 16, length - 4);
        break;
    }
    case 83: CheckEmfText(At, r, size, 1); break;
    case 84: CheckEmfText(At, r, size, 2); break;
    case 82: At.Need(12, 92, size, "the font"); break;  // the font's fields and its 32-character name
    case 49:
        At.Need(12, 4, size, "the palette's entry count");
        At.Need(16, 4 * Int64(U16(r + 14)), size, "the palette entries");
        break;
    case 50:
        At.Need(12, 8, size, "the palette's start and entry count");
        At.Need(20, 4 * Int64(U32(r + 16)), size, "the palette entries");
        break;
    default:
        break;
    }
}

}  // namespace

void CheckWindowsMetafileRecords(const Byte* Data, std::size_t Size) {
    const Int64 size = Int64(Size);
    Int64 base = 0;
    if (size >= 4 && U32(Data) == PlaceableKey) base = 22;
    if (size < base + 18)
        Bad("Windows metafile: its header needs " + Num(base + 18) + " bytes; the file has " + Num(size));
    const Byte* h = Data + base;
    if (U16(h + 2) != 9) Bad("Windows metafile: a header of " + Num(U16(h + 2)) + " words; it has 9");
    // The translator sets aside a buffer of the largest record's size
    // before it reads one.
    const Int64 largest = U32(h + 12);
    if (largest * 2 > size - base)
        Bad("Windows metafile: the header claims records of up to " + Num(largest) + " words; the file holds " +
            Num((size - base) / 2));
    Int64 pixels = 0;
    Int64 at = base + 18;
    for (Int64 index = 1;; ++index) {
        if (size - at < 6)
            Bad("Windows metafile: record " + Num(index) + " at byte " + Num(at) + " lies past the end of the " +
                Num(size) + " bytes; the end record is missing");
        const Int64 words = U32(Data + at);
        const Cardinal function = U16(Data + at + 4);
        const TPlace place{"Windows metafile", index, WmfName(function), at, &pixels};
        if (words < 3 || words * 2 > size - at)
            place.Bad("a record of " + Num(words) + " words; 3 at least and " + Num((size - at) / 2) +
                      " at most are left in the file");
        if (words > largest)
            place.Bad("a record of " + Num(words) + " words; the header says " + Num(largest) + " at most");
        if (function == 0) return;
        CheckWmfRecord(place, function, Data + at, words * 2);
        at += words * 2;
    }
}

std::size_t CheckEnhancedMetafileRecords(const Byte* Data, std::size_t Size) {
    const Int64 size = Int64(Size);
    if (size < 88) Bad("enhanced metafile: its header needs 88 bytes; the file has " + Num(size));
    const Int64 headerSize = U32(Data + 4), bytes = U32(Data + 48), records = U32(Data + 52);
    Int64 pixels = 0;
    const TPlace header{"enhanced metafile", 1, "header", 0, &pixels};
    if (bytes > size) header.Bad("the file claims " + Num(bytes) + " bytes; it has " + Num(size));
    if (headerSize < 88 || headerSize % 4 != 0 || headerSize > bytes)
        header.Bad("a header of " + Num(headerSize) + " bytes; 88 at least, a multiple of 4, within the file's " +
                   Num(bytes));
    if (records < 2 || records > bytes / 8)
        header.Bad("the file claims " + Num(records) + " records; " + Num(bytes) + " bytes hold 2.." +
                   Num(bytes / 8));
    const Int64 descriptionChars = U32(Data + 60);
    if (descriptionChars != 0) {
        const Int64 from = U32(Data + 64);
        if (from < 88) header.Bad("the description starts at byte " + Num(from) + ", inside the header's fields");
        header.Need(from, 2 * descriptionChars, headerSize, "the description");
    }
    if (headerSize >= 100 && U32(Data + 88) != 0)
        header.Need(U32(Data + 92), U32(Data + 88), headerSize, "the pixel format");
    Int64 at = headerSize, index = 1;
    while (at < bytes) {
        ++index;
        const TPlace place{"enhanced metafile", index, EmfName(bytes - at >= 4 ? U32(Data + at) : 0), at,
                           &pixels};
        if (bytes - at < 8) place.Bad("a record needs 8 bytes; " + Num(bytes - at) + " are left in the file");
        const Cardinal type = U32(Data + at);
        const Int64 recordSize = U32(Data + at + 4);
        if (recordSize < 8 || recordSize % 4 != 0 || recordSize > bytes - at)
            place.Bad("a record of " + Num(recordSize) + " bytes; 8 at least, a multiple of 4, and " +
                      Num(bytes - at) + " at most are left in the file");
        if (type == 1) place.Bad("a second header");
        CheckEmfRecord(place, type, Data + at, recordSize);
        at += recordSize;
        if (type == 14) {
            if (at != bytes)
                place.Bad("the end record is followed by " + Num(bytes - at) + " bytes of the file");
            if (index != records)
                place.Bad("the file holds " + Num(index) + " records; its header says " + Num(records));
            // The end record's palette: entry count, offset, then its own size.
            place.Need(8, 8, recordSize, "the palette's count and offset");
            if (U32(Data + at - recordSize + 8) != 0)
                place.Need(U32(Data + at - recordSize + 12), 4 * Int64(U32(Data + at - recordSize + 8)), recordSize,
                           "the palette entries");
            return std::size_t(bytes);
        }
    }
    Bad("enhanced metafile: no end record within its " + Num(bytes) + " bytes");
}
