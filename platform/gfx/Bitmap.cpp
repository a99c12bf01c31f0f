#include "platform/gfx/Bitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <unordered_map>

#include "platform/classes/Filer.h"
#include "platform/classes/Resources.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/ByteFields.h"
#include "platform/rtl/Exceptions.h"

namespace {

constexpr Int64 MaxBitmapBytes = Int64(1) << 30;
constexpr Integer MaxBitmapSide = 1 << 20;

Cardinal GetRaw(const Byte* row, int bpp, Integer x) {
    switch (bpp) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    case 8: return row[x];
    case 16: return Cardinal(row[2 * x]) | (Cardinal(row[2 * x + 1]) << 8);
    case 24: {
        const Byte* p = row + 3 * x;
        return Cardinal(p[0]) | (Cardinal(p[1]) << 8) | (Cardinal(p[2]) << 16);
    }
    default: {
        const Byte* p = row + 4 * x;
        return Cardinal(p[0]) | (Cardinal(p[1]) << 8) | (Cardinal(p[2]) << 16);
    }
    }
}

void PutRaw(Byte* row, int bpp, Integer x, Cardinal v) {
    switch (bpp) {
    case 1: {
        const Byte bit = Byte(0x80 >> (x & 7));
        if (v & 1) row[x >> 3] |= bit; else row[x >> 3] &= Byte(~bit);
        break;
    }
    case 4:
        if (x & 1) row[x >> 1] = Byte((row[x >> 1] & 0xF0) | (v & 0x0F));
        else row[x >> 1] = Byte((row[x >> 1] & 0x0F) | ((v & 0x0F) << 4));
        break;
    case 8: row[x] = Byte(v); break;
    case 16:
        row[2 * x] = Byte(v);
        row[2 * x + 1] = Byte(v >> 8);
        break;
    case 24: {
        Byte* p = row + 3 * x;
        p[0] = Byte(v);
        p[1] = Byte(v >> 8);
        p[2] = Byte(v >> 16);
        break;
    }
    default: {
        Byte* p = row + 4 * x;
        p[0] = Byte(v);
        p[1] = Byte(v >> 8);
        p[2] = Byte(v >> 16);
        p[3] = 0;
        break;
    }
    }
}

bool IsIndexed(TPixelFormat f) { return f == pf1bit || f == pf4bit || f == pf8bit; }

// The storage width in bits of a format (15-bit pixels take 16).
int StorageBits(TPixelFormat f) { return f == pf15bit ? 16 : PixelFormatBits(f); }

Integer StrideFor(Integer width, TPixelFormat f) {
    return Integer(((Int64(width) * StorageBits(f) + 31) / 32) * 4);
}

std::vector<TRGBQuad> ToQuads(const TPaletteEntry* e, int n) {
    std::vector<TRGBQuad> t(n);
    for (int i = 0; i < n; ++i) t[i] = TRGBQuad{e[i].peBlue, e[i].peGreen, e[i].peRed, 0};
    return t;
}

TColor ValueToColor(Cardinal v, TPixelFormat f, const std::vector<TRGBQuad>& table) {
    switch (f) {
    case pf1bit:
    case pf4bit:
    case pf8bit:
        if (v < table.size()) return RGB(table[v].rgbRed, table[v].rgbGreen, table[v].rgbBlue);
        return clBlack;
    case pf15bit: {
        const int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return RGB((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
    }
    case pf16bit: {
        const int r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
        return RGB((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
    }
    default: return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
}

Cardinal ColorToValue(TColor color, TPixelFormat f, const std::vector<TRGBQuad>& table) {
    const TColor c = ColorToRGB(color) & 0xFFFFFF;
    const Cardinal r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    switch (f) {
    case pf1bit:
    case pf4bit:
    case pf8bit: {
        const int i = NearestColorIndex(table.data(), static_cast<int>(table.size()), c);
        return i < 0 ? 0 : Cardinal(i);
    }
    case pf15bit: return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case pf16bit: return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    default: return (r << 16) | (g << 8) | b;
    }
}

AnsiString Num(Int64 v) { return std::to_string(v); }

// ---------------------------------------------------------------------------
// BMP file layout (all values little-endian):
//   OFFSET SIZE DESCRIPTION
//   0      2    "BM"
//   2      4    file size (not trusted; files in the wild get it wrong)
//   6      4    reserved
//   10     4    offset of the pixel data from the file start
//   14     4    info header size: 12 (core), 40, 108 (v4) or 124 (v5)
//   core:  18 width u16, 20 height u16, 22 planes u16, 24 bits per pixel u16
//   40+:   18 width i32, 22 height i32 (negative: rows top-down), 26 planes u16,
//          28 bits per pixel u16, 30 compression u32 (0 BI_RGB, 3 BI_BITFIELDS),
//          34 image size, 38/42 resolution, 46 colours used, 50 colours important
//   v4/v5: 54 red mask, 58 green mask, 62 blue mask (the masks of BI_BITFIELDS)
//   40 with BI_BITFIELDS: three u32 masks follow the header
//   colour table (1/4/8 bits): colours used (0: 2^bits) entries of B,G,R,0
//          (core header: B,G,R)
//   pixel data: rows padded to 4 bytes, bottom-up unless the height is negative

constexpr Cardinal BI_RGB = 0;
constexpr Cardinal BI_BITFIELDS = 3;

using byte_fields::Put16;
using byte_fields::Put32;
using byte_fields::U16;
using byte_fields::U32;

struct BmpLayout {
    Integer width = 0, height = 0;
    bool topDown = false;
    int bpp = 0;
    Cardinal compression = BI_RGB;
    Cardinal masks[3] = {0, 0, 0};
    Int64 tableOffset = 0;
    Int64 tableCount = 0;
    int tableEntrySize = 4;
    Int64 bitsOffset = 0;
    Int64 stride = 0;
    Int64 imageBytes = 0;
    Int64 totalBytes = 0;
};

[[noreturn]] void BadBmp(const AnsiString& what) { throw EInvalidGraphic("Bitmap file: " + what); }

void NeedBytes(std::size_t size, Int64 need, const char* what) {
    if (need > Int64(size))
        BadBmp(AnsiString(what) + " needs " + Num(need) + " bytes, the data has " + Num(Int64(size)));
}

// Validates the headers and works out where everything lies; with
// `headersOnly` the pixel data need not be present yet (the stream reader
// asks first how much to read).
BmpLayout ParseBmpHeaders(const Byte* d, std::size_t size, bool headersOnly) {
    BmpLayout L;
    NeedBytes(size, 18, "file header");
    if (d[0] != 'B' || d[1] != 'M') BadBmp("signature is not \"BM\"");
    L.bitsOffset = U32(d + 10);
    const Cardinal hdr = U32(d + 14);
    if (hdr != 12 && hdr != 40 && hdr != 108 && hdr != 124)
        BadBmp("info header size " + Num(hdr) + " is not 12, 40, 108 or 124");
    NeedBytes(size, 14 + Int64(hdr), "info header");
    const Byte* h = d + 14;
    Cardinal planes, clrUsed = 0;
    Int64 height;
    if (hdr == 12) {
        L.width = Integer(U16(h + 4));
        height = U16(h + 6);
        planes = U16(h + 8);
        L.bpp = int(U16(h + 10));
        L.tableEntrySize = 3;
    } else {
        L.width = Integer(U32(h + 4));
        height = Integer(U32(h + 8));
        planes = U16(h + 12);
        L.bpp = int(U16(h + 14));
        L.compression = U32(h + 16);
        clrUsed = U32(h + 32);
    }
    if (planes != 1) BadBmp("plane count " + Num(planes) + " is not 1");
    if (L.bpp != 1 && L.bpp != 4 && L.bpp != 8 && L.bpp != 16 && L.bpp != 24 && L.bpp != 32)
        BadBmp("bits per pixel " + Num(L.bpp) + " is not 1, 4, 8, 16, 24 or 32");
    if (L.compression != BI_RGB && L.compression != BI_BITFIELDS)
        BadBmp("compression " + Num(L.compression) + " is not supported (only 0 and 3)");
    if (L.compression == BI_BITFIELDS && L.bpp != 16 && L.bpp != 32)
        BadBmp("bit fields with " + Num(L.bpp) + " bits per pixel (only 16 and 32)");
    if (L.width < 0) BadBmp("width " + Num(L.width) + " is negative");
    if (height < 0) {
        L.topDown = true;
        height = -height;
    }
    if (L.width > MaxBitmapSide || height > MaxBitmapSide)
        BadBmp("size " + Num(L.width) + " x " + Num(height) + " exceeds " + Num(MaxBitmapSide));
    L.height = Integer(height);
    Int64 pos = 14 + Int64(hdr);
    if (L.compression == BI_BITFIELDS) {
        const Byte* m = h + 40;
        if (hdr == 40) {
            NeedBytes(size, pos + 12, "bit-field masks");
            m = d + pos;
            pos += 12;
        }
        for (int i = 0; i < 3; ++i) L.masks[i] = U32(m + 4 * i);
    } else if (L.bpp == 16) {
        L.masks[0] = 0x7C00, L.masks[1] = 0x03E0, L.masks[2] = 0x001F;
    } else if (L.bpp >= 24) {
        L.masks[0] = 0xFF0000, L.masks[1] = 0xFF00, L.masks[2] = 0xFF;
    }
    L.tableOffset = pos;
    if (L.bpp <= 8) {
        const Int64 maxColors = Int64(1) << L.bpp;
        if (clrUsed > maxColors)
            BadBmp("colours used " + Num(clrUsed) + " exceeds " + Num(maxColors) + " for " + Num(L.bpp) + " bits");
        L.tableCount = clrUsed ? clrUsed : maxColors;
        NeedBytes(size, pos + L.tableCount * L.tableEntrySize, "colour table");
    }
    const Int64 tableEnd = pos + L.tableCount * L.tableEntrySize;
    if (L.bitsOffset < tableEnd)
        BadBmp("pixel data offset " + Num(L.bitsOffset) + " lies inside the headers (they end at " + Num(tableEnd) + ")");
    L.stride = ((Int64(L.width) * L.bpp + 31) / 32) * 4;
    L.imageBytes = L.stride * L.height;
    if (L.imageBytes > MaxBitmapBytes)
        BadBmp("pixel data of " + Num(L.imageBytes) + " bytes exceeds " + Num(MaxBitmapBytes));
    L.totalBytes = std::max(tableEnd, L.bitsOffset + L.imageBytes);
    if (!headersOnly) NeedBytes(size, L.bitsOffset + L.imageBytes, "pixel data");
    return L;
}

// Scales a masked channel to 8 bits.
Cardinal Channel(Cardinal v, Cardinal mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const Cardinal m = mask >> shift;
    const int bits = std::bit_width(m);
    const Cardinal x = (v >> shift) & m;
    if (bits >= 8) return x >> (bits - 8);
    return x * 255 / m;
}

}  // namespace

int PixelFormatBits(TPixelFormat Format) {
    switch (Format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit: return 15;
    case pf16bit: return 16;
    case pf24bit: return 24;
    default: return 32;
    }
}

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

std::unique_ptr<TGraphic> TBitmap::NewInstance() const { return std::make_unique<TBitmap>(); }

int TBitmap::BitsPerPixel() const { return PixelFormatBits(FPixelFormat); }

std::vector<TRGBQuad> TBitmap::DefaultTable(TPixelFormat format) {
    switch (format) {
    case pf1bit: return {TRGBQuad{0, 0, 0, 0}, TRGBQuad{255, 255, 255, 0}};
    case pf4bit: return ToQuads(VGAPaletteEntries().data(), 16);
    case pf8bit: return ToQuads(HalftonePaletteEntries().data(), 256);
    default: return {};
    }
}

void TBitmap::Reallocate(Integer width, Integer height, TPixelFormat format, bool keep) {
    if (width < 0 || height < 0 || width > MaxBitmapSide || height > MaxBitmapSide)
        throw EInvalidGraphicOperation("Bitmap size " + Num(width) + " x " + Num(height) + " outside 0.." +
                                       Num(MaxBitmapSide));
    // A zero side keeps the other one: code sets Width and then Height.
    const Integer stride = StrideFor(width, format);
    if (Int64(stride) * height > MaxBitmapBytes)
        throw EInvalidGraphicOperation("Bitmap of " + Num(width) + " x " + Num(height) + " pixels is too large");
    std::vector<Byte> bits(std::size_t(stride) * std::size_t(height));
    const int bpp = StorageBits(format);
    if (!bits.empty()) {
        // New pixels are white.
        const Cardinal white = ColorToValue(clWhite, format, FColorTable);
        Byte* row0 = bits.data();
        for (Integer x = 0; x < width; ++x) PutRaw(row0, bpp, x, white);
        for (Integer y = 1; y < height; ++y) std::memcpy(row0 + std::size_t(y) * stride, row0, std::size_t(stride));
        if (keep && !FBits.empty()) {
            const Integer w = std::min(width, FWidth), hh = std::min(height, FHeight);
            for (Integer y = 0; y < hh; ++y) {
                const Byte* src = FBits.data() + std::size_t(y) * FStride;
                Byte* dst = bits.data() + std::size_t(y) * stride;
                if (bpp >= 8) std::memcpy(dst, src, std::size_t(w) * (bpp / 8));
                else
                    for (Integer x = 0; x < w; ++x) PutRaw(dst, bpp, x, GetRaw(src, bpp, x));
            }
        }
    }
    FBits = std::move(bits);
    FWidth = width;
    FHeight = height;
    FStride = stride;
    FPixelFormat = format;
}

void TBitmap::SetSize(Integer AWidth, Integer AHeight) {
    if (AWidth == FWidth && AHeight == FHeight) return;
    if (IsIndexed(FPixelFormat) && FColorTable.empty()) FColorTable = DefaultTable(FPixelFormat);
    Reallocate(AWidth, AHeight, FPixelFormat, true);
    Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
    if (Value == FPixelFormat) return;
    const TPixelFormat old = FPixelFormat;
    std::vector<TRGBQuad> newTable = FColorTable;
    bool keepIndices = false;
    switch (Value) {
    case pf8bit:
        if (IsIndexed(old)) keepIndices = true;
        else if (newTable.empty()) newTable = DefaultTable(pf8bit);
        if (newTable.size() > 256) newTable.resize(256);
        break;
    case pf4bit:
        if (old == pf1bit) keepIndices = true;
        else newTable = DefaultTable(pf4bit);
        break;
    case pf1bit: newTable = DefaultTable(pf1bit); break;
    default: break;
    }
    if (keepIndices && newTable.empty()) newTable = DefaultTable(old);
    if (PixelFormatBits(old) == PixelFormatBits(Value) && StorageBits(old) == StorageBits(Value)) {
        FPixelFormat = Value;  // pfDevice <-> pf32bit: same layout
        Changed(this);
        return;
    }
    TBitmap converted;
    converted.FColorTable = newTable;
    converted.Reallocate(FWidth, FHeight, Value, false);
    const int sb = StorageBits(old), db = StorageBits(Value);
    std::unordered_map<Cardinal, Cardinal> cache;
    for (Integer y = 0; y < FHeight; ++y) {
        const Byte* src = FBits.data() + std::size_t(y) * FStride;
        Byte* dst = converted.FBits.data() + std::size_t(y) * converted.FStride;
        for (Integer x = 0; x < FWidth; ++x) {
            const Cardinal v = GetRaw(src, sb, x);
            Cardinal out;
            if (keepIndices) out = v;
            else {
                auto it = cache.find(v);
                if (it != cache.end()) out = it->second;
                else {
                    out = ColorToValue(ValueToColor(v, old, FColorTable), Value, newTable);
                    cache.emplace(v, out);
                }
            }
            PutRaw(dst, db, x, out);
        }
    }
    FBits = std::move(converted.FBits);
    FStride = converted.FStride;
    FPixelFormat = Value;
    FColorTable = std::move(newTable);
    InvalidatePalette();
    Changed(this);
}

Byte* TBitmap::ScanLine(Integer Row) {
    // A bitmap of zero width has rows but no bytes to point at.
    if (Row < 0 || Row >= FHeight || FBits.empty()) throw EInvalidGraphicOperation("Scan line index out of range");
    return FBits.data() + std::size_t(Row) * FStride;
}

const Byte* TBitmap::ScanLine(Integer Row) const {
    // A bitmap of zero width has rows but no bytes to point at.
    if (Row < 0 || Row >= FHeight || FBits.empty()) throw EInvalidGraphicOperation("Scan line index out of range");
    return FBits.data() + std::size_t(Row) * FStride;
}

void TBitmap::SetColorTable(std::vector<TRGBQuad> Table) {
    if (Table.size() > 256) Table.resize(256);
    if (IsIndexed(FPixelFormat) && Table.size() > (std::size_t(1) << BitsPerPixel()))
        Table.resize(std::size_t(1) << BitsPerPixel());
    FColorTable = std::move(Table);
    InvalidatePalette();
    Changed(this);
}

void TBitmap::InvalidatePalette() { FPalette.reset(); }

HPALETTE TBitmap::Palette() {
    if (FColorTable.empty()) return nullptr;
    if (!FPalette) {
        std::vector<TPaletteEntry> e(FColorTable.size());
        for (std::size_t i = 0; i < e.size(); ++i)
            e[i] = TPaletteEntry{FColorTable[i].rgbRed, FColorTable[i].rgbGreen, FColorTable[i].rgbBlue, 0};
        FPalette.reset(CreatePalette(e));
    }
    return FPalette.get();
}

void TBitmap::SetPalette(HPALETTE Value) {
    const int n = PaletteEntryCount(Value);
    SetColorTable(n ? ToQuads(Value->Entries.data(), n) : std::vector<TRGBQuad>{});
}

bool TBitmap::Monochrome() const {
    return FPixelFormat == pf1bit && FColorTable.size() == 2 && FColorTable[0] == TRGBQuad{0, 0, 0, 0} &&
           FColorTable[1] == TRGBQuad{255, 255, 255, 0};
}

void TBitmap::SetMonochrome(bool Value) {
    if (Value == Monochrome()) return;
    if (Value) {
        if (FPixelFormat == pf1bit) {
            // A 1-bit bitmap with other colours: go through 24 bits to remap.
            SetPixelFormat(pf24bit);
        }
        SetPixelFormat(pf1bit);
    } else {
        SetPixelFormat(pfDevice);
    }
}

void TBitmap::SetTransparent(bool Value) { TGraphic::SetTransparent(Value); }

void TBitmap::SetTransparentMode(TTransparentMode Value) {
    if (Value == FTransparentMode) return;
    FTransparentMode = Value;
    if (Value == tmAuto) FTransparentColor = clDefault;
    Changed(this);
}

TColor TBitmap::TransparentColor() const {
    if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
    if (Empty()) return clDefault;
    return GetPixel(0, FHeight - 1);
}

void TBitmap::SetTransparentColor(TColor Value) {
    if (Value == FTransparentColor) return;
    FTransparentColor = Value;
    FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
    Changed(this);
}

TCanvas* TBitmap::Canvas() {
    if (!FCanvas) FCanvas = std::make_unique<TCanvas>(this);
    return FCanvas.get();
}

void TBitmap::CanvasChanged() { Changed(this); }

void TBitmap::Assign(const TBitmap& Source) {
    if (&Source == this) return;
    FBits = Source.FBits;
    FWidth = Source.FWidth;
    FHeight = Source.FHeight;
    FStride = Source.FStride;
    FPixelFormat = Source.FPixelFormat;
    FColorTable = Source.FColorTable;
    FTransparentMode = Source.FTransparentMode;
    FTransparentColor = Source.FTransparentColor;
    TGraphic::SetTransparent(Source.Transparent());
    InvalidatePalette();
    Changed(this);
}

void TBitmap::Assign(TPersistent* Source) {
    if (Source == nullptr) {
        FBits.clear();
        FWidth = FHeight = FStride = 0;
        InvalidatePalette();
        Changed(this);
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(Source)) {
        Assign(*b);
        return;
    }
    TGraphic::Assign(Source);
}

Cardinal TBitmap::PixelValueMask() const {
    switch (FPixelFormat) {
    case pf1bit: return 1;
    case pf4bit: return 0xF;
    case pf8bit: return 0xFF;
    case pf15bit: return 0x7FFF;
    case pf16bit: return 0xFFFF;
    default: return 0xFFFFFF;
    }
}

Cardinal TBitmap::PixelValue(Integer x, Integer y) const {
    return GetRaw(FBits.data() + std::size_t(y) * FStride, StorageBits(FPixelFormat), x);
}

void TBitmap::SetPixelValue(Integer x, Integer y, Cardinal Value) {
    PutRaw(FBits.data() + std::size_t(y) * FStride, StorageBits(FPixelFormat), x, Value & PixelValueMask());
}

void TBitmap::FillPixelValues(Integer y, Integer xs, Integer xe, Cardinal Value) {
    if (xe <= xs) return;
    Byte* row = FBits.data() + std::size_t(y) * FStride;
    const int bpp = StorageBits(FPixelFormat);
    Value &= PixelValueMask();
    if (bpp == 32) {
        // As PutRaw stores it: the fourth byte is always 0.
        const Byte pixel[4] = {Byte(Value), Byte(Value >> 8), Byte(Value >> 16), 0};
        for (Byte *p = row + 4 * std::size_t(xs), *end = row + 4 * std::size_t(xe); p < end; p += 4)
            std::memcpy(p, pixel, 4);
        return;
    }
    if (bpp == 8) {
        std::memset(row + xs, int(Value), std::size_t(xe - xs));
        return;
    }
    for (Integer x = xs; x < xe; ++x) PutRaw(row, bpp, x, Value);
}

Cardinal TBitmap::ColorToPixelValue(TColor Color) const { return ColorToValue(Color, FPixelFormat, FColorTable); }

TColor TBitmap::PixelValueToColor(Cardinal Value) const { return ValueToColor(Value, FPixelFormat, FColorTable); }

TColor TBitmap::GetPixel(Integer x, Integer y) const {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return -1;
    return PixelValueToColor(PixelValue(x, y));
}

void TBitmap::SetPixel(Integer x, Integer y, TColor Color) {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
    SetPixelValue(x, y, ColorToPixelValue(Color));
}

void TBitmap::Draw(TCanvas& ACanvas, const TRect& Rect) {
    if (Empty()) return;
    if (Transparent())
        ACanvas.CopyTransparent(Rect, *this, ::Rect(0, 0, FWidth, FHeight), TransparentColor());
    else
        ACanvas.CopyFromBitmap(Rect, *this, ::Rect(0, 0, FWidth, FHeight));
}

// ---------------------------------------------------------------------------
// BMP files

void TBitmap::LoadFromBytes(const Byte* Data, std::size_t Size) {
    const BmpLayout L = ParseBmpHeaders(Data, Size, false);
    TBitmap b;
    TPixelFormat format;
    bool generic = false;
    switch (L.bpp) {
    case 1: format = pf1bit; break;
    case 4: format = pf4bit; break;
    case 8: format = pf8bit; break;
    case 16:
        if (L.masks[0] == 0x7C00 && L.masks[1] == 0x03E0 && L.masks[2] == 0x1F) format = pf15bit;
        else if (L.masks[0] == 0xF800 && L.masks[1] == 0x07E0 && L.masks[2] == 0x1F) format = pf16bit;
        else format = pf24bit, generic = true;
        break;
    case 24: format = pf24bit; break;
    default:
        format = pf32bit;
        generic = !(L.masks[0] == 0xFF0000 && L.masks[1] == 0xFF00 && L.masks[2] == 0xFF);
        break;
    }
    if (L.bpp <= 8) {
        b.FColorTable.resize(std::size_t(L.tableCount));
        const Byte* t = Data + L.tableOffset;
        for (Int64 i = 0; i < L.tableCount; ++i, t += L.tableEntrySize)
            b.FColorTable[std::size_t(i)] = TRGBQuad{t[0], t[1], t[2], 0};
    }
    b.Reallocate(L.width, L.height, format, false);
    const int outBits = StorageBits(format);
    const Integer rows = b.FBits.empty() ? 0 : b.FHeight;  // nothing to copy for a zero width
    for (Integer r = 0; r < rows; ++r) {
        const Byte* src = Data + L.bitsOffset + L.stride * r;
        Byte* dst = b.FBits.data() + std::size_t(L.topDown ? r : b.FHeight - 1 - r) * b.FStride;
        if (!generic) {
            std::memcpy(dst, src, std::size_t(std::min<Int64>(L.stride, b.FStride)));
            continue;
        }
        for (Integer x = 0; x < b.FWidth; ++x) {
            const Cardinal v = L.bpp == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
            PutRaw(dst, outBits, x,
                   (Channel(v, L.masks[0]) << 16) | (Channel(v, L.masks[1]) << 8) | Channel(v, L.masks[2]));
        }
    }
    FBits = std::move(b.FBits);
    FWidth = b.FWidth;
    FHeight = b.FHeight;
    FStride = b.FStride;
    FPixelFormat = b.FPixelFormat;
    FColorTable = std::move(b.FColorTable);
    InvalidatePalette();
    Changed(this);
}

std::vector<Byte> TBitmap::SaveToBytes() const {
    const int bpp = StorageBits(FPixelFormat);
    const bool bitfields = FPixelFormat == pf16bit;
    std::size_t tableCount = 0;
    Cardinal clrUsed = 0;
    if (IsIndexed(FPixelFormat)) {
        const std::size_t max = std::size_t(1) << bpp;
        tableCount = std::min(FColorTable.size(), max);
        clrUsed = Cardinal(tableCount);
        // An empty table would make readers take 2^bits entries: write them black.
        if (tableCount == 0) tableCount = max, clrUsed = 0;
    }
    const Cardinal headerBytes = 14 + 40 + (bitfields ? 12 : 0) + Cardinal(tableCount * 4);
    const Integer stride = StrideFor(FWidth, FPixelFormat);
    const Cardinal imageBytes = Cardinal(stride) * Cardinal(FHeight);
    std::vector<Byte> out;
    out.reserve(headerBytes + imageBytes);
    out.push_back('B');
    out.push_back('M');
    Put32(out, headerBytes + imageBytes);
    Put32(out, 0);
    Put32(out, headerBytes);
    Put32(out, 40);
    Put32(out, Cardinal(FWidth));
    Put32(out, Cardinal(FHeight));
    Put16(out, 1);
    Put16(out, Cardinal(bpp));
    Put32(out, bitfields ? BI_BITFIELDS : BI_RGB);
    Put32(out, imageBytes);
    Put32(out, 3780);  // 96 dots per inch
    Put32(out, 3780);
    Put32(out, clrUsed);
    Put32(out, 0);
    if (bitfields) {
        Put32(out, 0xF800);
        Put32(out, 0x07E0);
        Put32(out, 0x001F);
    }
    for (std::size_t i = 0; i < tableCount; ++i) {
        const TRGBQuad q = i < FColorTable.size() ? FColorTable[i] : TRGBQuad{};
        out.push_back(q.rgbBlue);
        out.push_back(q.rgbGreen);
        out.push_back(q.rgbRed);
        out.push_back(0);
    }
    for (Integer r = FHeight - 1; r >= 0; --r) {
        const Byte* row = FBits.data() + std::size_t(r) * FStride;
        out.insert(out.end(), row, row + FStride);
    }
    return out;
}

void TBitmap::LoadFromStream(TStream* Stream) {
    // Read the headers first to learn how many bytes the bitmap takes, so
    // that a bitmap inside a larger stream leaves the rest unread.
    const Int64 start = Stream->Position();
    const Int64 available = Stream->Size() - start;
    std::vector<Byte> data(std::size_t(std::clamp<Int64>(available, 0, 14 + 124 + 12 + 256 * 4)));
    data.resize(std::size_t(Stream->Read(data.data(), LongInt(data.size()))));
    const BmpLayout L = ParseBmpHeaders(data.data(), data.size(), true);
    if (L.totalBytes > available)
        BadBmp("pixel data needs " + Num(L.totalBytes) + " bytes, the stream has " + Num(available));
    const std::size_t have = data.size();
    if (Int64(have) < L.totalBytes) {
        data.resize(std::size_t(L.totalBytes));
        Stream->ReadBuffer(data.data() + have, LongInt(L.totalBytes - Int64(have)));
    }
    Stream->SetPosition(start + L.totalBytes);
    LoadFromBytes(data.data(), std::size_t(L.totalBytes));
}

void TBitmap::LoadFromResourceName(const AnsiString& ResName) {
    const TNamedResource* resource = FindNamedResource(ResName, "BITMAP");
    if (resource == nullptr) throw EResNotFound("Resource " + ResName + " not found");
    LoadFromBytes(resource->Data, resource->Size);
}

void TBitmap::SaveToStream(TStream* Stream) {
    const std::vector<Byte> bytes = SaveToBytes();
    Stream->WriteBuffer(bytes.data(), LongInt(bytes.size()));
}

// A bitmap in a form file ("Glyph.Data = {...}") is its BMP file, as
// SaveToStream writes it and LoadFromStream reads it.
void TBitmap::DefineProperties(TFiler* Filer) {
    Filer->DefineBinaryProperty(
        "Data", [this](TStream& Stream) { LoadFromStream(&Stream); }, [this](TStream& Stream) { SaveToStream(&Stream); },
        !Empty());
}

VEMLOR_PUBLISHED(TBitmap, TGraphic) {}
VEMLOR_REGISTER_CLASS(TBitmap);
