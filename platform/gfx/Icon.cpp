#include "platform/gfx/Icon.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Png.h"
#include "platform/rtl/ByteFields.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

// Icons bigger than this are not icons; the limit keeps damaged headers
// from asking for huge bitmaps.
constexpr Int64 MaxIconSide = 4096;

AnsiString Num(Int64 v) { return std::to_string(v); }

using byte_fields::Put16;
using byte_fields::Put32;
using byte_fields::U16;
using byte_fields::U32;
void Set32(Byte* p, Cardinal x) {
    for (int i = 0; i < 4; ++i) p[i] = Byte(x >> (8 * i));
}

[[noreturn]] void BadImage(const AnsiString& what) { throw EInvalidGraphic("Icon or cursor image: " + what); }

void NeedBytes(std::size_t size, Int64 need, const char* what) {
    if (need > Int64(size)) BadImage(AnsiString(what) + " needs " + Num(need) + " bytes, the data has " + Num(Int64(size)));
}

Int64 Stride(Int64 width, int bits) { return ((width * bits + 31) / 32) * 4; }

std::unique_ptr<TBitmap> NewMask(Integer width, Integer height) {
    auto mask = std::make_unique<TBitmap>();
    mask->SetPixelFormat(pf1bit);
    mask->SetSize(width, height);
    return mask;
}

// Rows of 1-bit data, bottom-up and padded like a DIB, into a top-down
// bitmap from row `first` on.
void CopyRowsIn(TBitmap& target, Integer first, const Byte* rows, Integer count, Int64 stride) {
    const std::size_t n = std::size_t(std::min<Int64>(stride, target.BytesPerScanLine()));
    for (Integer r = 0; r < count; ++r) std::memcpy(target.ScanLine(first + count - 1 - r), rows + r * stride, n);
}

void CopyRowsOut(std::vector<Byte>& out, const TBitmap& source, Integer first, Integer count) {
    for (Integer r = count - 1; r >= 0; --r) {
        const Byte* row = source.ScanLine(first + r);
        out.insert(out.end(), row, row + source.BytesPerScanLine());
    }
}

bool IsBlackAndWhite(const Byte* table) {
    return U32(table) == 0 && (U32(table + 4) & 0xFFFFFF) == 0xFFFFFF;
}

// A PNG image's alpha decides the mask, at the half-way level as icon
// editors store it. See-through pixels are black in the colour part, or
// drawing would invert the background under them.
void FromPng(TIconObject& icon, const Byte* data, std::size_t size) {
    const TPngPixels png = DecodePng(data, size, Integer(MaxIconSide));
    icon.Color = std::make_unique<TBitmap>();
    icon.Color->SetPixelFormat(pf32bit);
    icon.Color->SetSize(png.Width, png.Height);
    icon.Mask = NewMask(png.Width, png.Height);
    const Byte* in = png.Bgra.data();
    for (Integer y = 0; y < png.Height; ++y) {
        Byte* out = icon.Color->ScanLine(y);
        Byte* mask = icon.Mask->ScanLine(y);
        std::memset(mask, 0, std::size_t(icon.Mask->BytesPerScanLine()));
        for (Integer x = 0; x < png.Width; ++x, in += 4, out += 4) {
            const bool clear = in[3] < 128;
            if (clear) mask[x / 8] |= Byte(0x80 >> (x % 8));
            for (int c = 0; c < 3; ++c) out[c] = clear ? 0 : in[c];
            out[3] = in[3];
        }
    }
}

}  // namespace

void TIconDeleter::operator()(HICON Icon) const { DestroyIcon(Icon); }

TIconImageLayout ParseIconImage(const Byte* Data, std::size_t Size) {
    if (Size >= 4 && Data[0] == 0x89 && Data[1] == 'P' && Data[2] == 'N' && Data[3] == 'G')
        BadImage("PNG-compressed images are not supported");
    NeedBytes(Size, 40, "the bitmap header");
    const Cardinal header = U32(Data);
    if (header != 40 && header != 108 && header != 124)
        BadImage("header size " + Num(header) + " is not 40, 108 or 124");
    NeedBytes(Size, header, "the bitmap header");
    TIconImageLayout L;
    const Int64 width = std::int32_t(U32(Data + 4));
    const Int64 height = std::int32_t(U32(Data + 8));
    if (width < 1 || width > MaxIconSide) BadImage("width " + Num(width) + " is outside 1.." + Num(MaxIconSide));
    if (height < 2 || height % 2 != 0 || height / 2 > MaxIconSide)
        BadImage("header height " + Num(height) + " is not an even number in 2.." + Num(2 * MaxIconSide));
    L.Width = Integer(width);
    L.Height = Integer(height / 2);
    L.BitsPerPixel = int(U16(Data + 14));
    const int bpp = L.BitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        BadImage("bits per pixel " + Num(bpp) + " is not 1, 4, 8, 16, 24 or 32");
    L.Compression = U32(Data + 16);
    if (L.Compression != 0 && !(L.Compression == 3 && (bpp == 16 || bpp == 32)))
        BadImage("compression " + Num(L.Compression) + " with " + Num(bpp) + " bits per pixel is not supported");
    const Cardinal used = U32(Data + 32);
    const Cardinal most = bpp <= 8 ? (1u << bpp) : 256u;
    if (used > most) BadImage("colours used " + Num(used) + " exceeds " + Num(most));
    L.ColorCount = Integer(bpp <= 8 && used == 0 ? most : used);
    L.TableOffset = header + (L.Compression == 3 && header == 40 ? 12 : 0);
    L.ColorOffset = L.TableOffset + 4 * Int64(L.ColorCount);
    L.ColorBytes = Stride(width, bpp) * L.Height;
    L.MaskOffset = L.ColorOffset + L.ColorBytes;
    L.MaskBytes = Stride(width, 1) * L.Height;
    NeedBytes(Size, L.TableOffset, "the bit-field masks");
    NeedBytes(Size, L.ColorOffset, "the colour table");
    NeedBytes(Size, L.MaskOffset, "the colour bits");
    NeedBytes(Size, L.MaskOffset + L.MaskBytes, "the mask bits");
    return L;
}

HICON CreateIconFromResource(const Byte* Bits, std::size_t Size, bool Icon, Cardinal Version) {
    if (Version != IconResourceVersion) BadImage("resource format version " + Num(Version) + " is not 0x30000");
    auto result = TIconOwner(new TIconObject);
    result->Icon = Icon;
    if (!Icon) {
        NeedBytes(Size, 4, "the cursor hot spot");
        result->HotX = Integer(U16(Bits));
        result->HotY = Integer(U16(Bits + 2));
        Bits += 4;
        Size -= 4;
    }
    if (IsPng(Bits, Size)) {
        FromPng(*result, Bits, Size);
        if (Icon) {
            result->HotX = result->Color->Width() / 2;
            result->HotY = result->Color->Height() / 2;
        }
        return result.release();
    }
    const TIconImageLayout L = ParseIconImage(Bits, Size);
    if (Icon) {
        result->HotX = L.Width / 2;
        result->HotY = L.Height / 2;
    }
    const Byte* maskBits = Bits + L.MaskOffset;
    if (L.BitsPerPixel == 1 && L.ColorCount == 2 && IsBlackAndWhite(Bits + L.TableOffset)) {
        result->Mask = NewMask(L.Width, 2 * L.Height);
        CopyRowsIn(*result->Mask, 0, maskBits, L.Height, Stride(L.Width, 1));
        CopyRowsIn(*result->Mask, L.Height, Bits + L.ColorOffset, L.Height, Stride(L.Width, 1));
        return result.release();
    }
    // The colour part is a bitmap file without its file header and with the
    // height doubled; put both right and let the bitmap reader decode it.
    std::vector<Byte> file;
    file.reserve(std::size_t(14 + L.MaskOffset));
    file.push_back('B');
    file.push_back('M');
    Put32(file, Cardinal(14 + L.MaskOffset));
    Put32(file, 0);
    Put32(file, Cardinal(14 + L.ColorOffset));
    file.insert(file.end(), Bits, Bits + L.MaskOffset);
    Set32(file.data() + 14 + 8, Cardinal(L.Height));
    // Icon headers do not always say 1 plane; the bitmap reader insists.
    file[14 + 12] = 1;
    file[14 + 13] = 0;
    result->Color = std::make_unique<TBitmap>();
    result->Color->LoadFromBytes(file.data(), file.size());
    result->Mask = NewMask(L.Width, L.Height);
    CopyRowsIn(*result->Mask, 0, maskBits, L.Height, Stride(L.Width, 1));
    return result.release();
}

HICON CreateIconIndirect(const TIconInfo& Info) {
    if (!Info.Mask || Info.Mask->Empty()) throw EInvalidGraphic("An icon needs a mask bitmap");
    if (Info.Color && (Info.Color->Width() != Info.Mask->Width() || Info.Color->Height() != Info.Mask->Height()))
        throw EInvalidGraphic("Icon colour bitmap " + Num(Info.Color->Width()) + " x " + Num(Info.Color->Height()) +
                              " and mask " + Num(Info.Mask->Width()) + " x " + Num(Info.Mask->Height()) + " differ");
    if (!Info.Color && Info.Mask->Height() % 2 != 0)
        throw EInvalidGraphic("A monochrome icon's mask needs an even height, not " + Num(Info.Mask->Height()));
    auto result = TIconOwner(new TIconObject);
    result->Icon = Info.Icon;
    result->HotX = Info.HotX;
    result->HotY = Info.HotY;
    result->Mask = std::make_unique<TBitmap>();
    result->Mask->Assign(*Info.Mask);
    if (result->Mask->PixelFormat() != pf1bit) result->Mask->SetPixelFormat(pf1bit);
    if (Info.Color) {
        result->Color = std::make_unique<TBitmap>();
        result->Color->Assign(*Info.Color);
    }
    return result.release();
}

bool GetIconInfo(HICON Icon, TIconInfo& Info) {
    if (Icon == nullptr) return false;
    Info.Icon = Icon->Icon;
    Info.HotX = Icon->HotX;
    Info.HotY = Icon->HotY;
    Info.Mask.reset();
    Info.Color.reset();
    if (Icon->Mask) {
        Info.Mask = std::make_unique<TBitmap>();
        Info.Mask->Assign(*Icon->Mask);
    }
    if (Icon->Color) {
        Info.Color = std::make_unique<TBitmap>();
        Info.Color->Assign(*Icon->Color);
    }
    return true;
}

HICON CopyIcon(HICON Icon) {
    if (Icon == nullptr) return nullptr;
    TIconInfo info;
    GetIconInfo(Icon, info);
    return CreateIconIndirect(info);
}

void DestroyIcon(HICON Icon) { delete Icon; }

HICON CreateDefaultApplicationIcon() {
    // A window: white client area under a navy title bar, framed in black.
    TIconInfo info;
    info.Color = std::make_unique<TBitmap>();
    info.Color->SetPixelFormat(pf4bit);
    info.Color->SetSize(SystemIconSize, SystemIconSize);
    TCanvas& c = *info.Color->Canvas();
    c.Brush()->SetColor(clBlack);  // see-through pixels must be black, or they invert
    c.FillRect(Rect(0, 0, SystemIconSize, SystemIconSize));
    c.Brush()->SetColor(clWhite);
    c.Pen()->SetColor(clBlack);
    c.Rectangle(2, 4, 30, 28);
    c.Brush()->SetColor(clNavy);
    c.FillRect(Rect(3, 5, 29, 10));
    info.Mask = NewMask(SystemIconSize, SystemIconSize);
    TCanvas& m = *info.Mask->Canvas();
    m.Brush()->SetColor(clWhite);
    m.FillRect(Rect(0, 0, SystemIconSize, SystemIconSize));
    m.Brush()->SetColor(clBlack);
    m.FillRect(Rect(2, 4, 30, 28));
    return CreateIconIndirect(info);
}

TPoint IconSize(HICON Icon) {
    if (Icon == nullptr || !Icon->Mask) return Point(0, 0);
    if (Icon->Color) return Point(Icon->Color->Width(), Icon->Color->Height());
    return Point(Icon->Mask->Width(), Icon->Mask->Height() / 2);
}

void DrawIcon(TCanvas& Canvas, const TRect& Rect, HICON Icon) {
    if (Icon == nullptr || !Icon->Mask || Rect.IsEmpty()) return;
    const TPoint size = IconSize(Icon);
    const TRect source = ::Rect(0, 0, size.x, size.y);
    const TCopyMode mode = Canvas.CopyMode();
    auto restore = ScopeExit([&] { Canvas.SetCopyMode(mode); });
    if (!Icon->Color) {
        Canvas.SetCopyMode(cmSrcAnd);
        Canvas.CopyFromBitmap(Rect, *Icon->Mask, source);
        Canvas.SetCopyMode(cmSrcInvert);
        Canvas.CopyFromBitmap(Rect, *Icon->Mask, ::Rect(0, size.y, size.x, 2 * size.y));
        return;
    }
    Canvas.CopyMasked(Rect, *Icon->Color, source, *Icon->Mask);
    // See-through pixels that are not black invert what lies below them.
    TBitmap invert;
    invert.SetPixelFormat(pf24bit);
    invert.SetSize(size.x, size.y);
    bool any = false;
    for (Integer y = 0; y < size.y; ++y)
        for (Integer x = 0; x < size.x; ++x) {
            const TColor c = Icon->Color->GetPixel(x, y);
            any |= Icon->Mask->PixelValue(x, y) != 0 && c != clBlack;
            invert.SetPixel(x, y, Icon->Mask->PixelValue(x, y) != 0 ? c : clBlack);
        }
    if (!any) return;
    Canvas.SetCopyMode(cmSrcInvert);
    Canvas.CopyFromBitmap(Rect, invert, source);
}

std::vector<Byte> IconResourceImage(HICON Icon) {
    std::vector<Byte> out;
    if (Icon == nullptr || !Icon->Mask) return out;
    const TPoint size = IconSize(Icon);
    const Int64 maskStride = Stride(size.x, 1);
    if (Icon->Color) {
        const std::vector<Byte> file = Icon->Color->SaveToBytes();
        const Cardinal bitsOffset = U32(file.data() + 10);
        out.assign(file.begin() + 14, file.end());
        Set32(out.data() + 8, Cardinal(2 * size.y));
        Set32(out.data() + 20, Cardinal(file.size() - bitsOffset + maskStride * size.y));
        CopyRowsOut(out, *Icon->Mask, 0, size.y);
        return out;
    }
    Put32(out, 40);
    Put32(out, Cardinal(size.x));
    Put32(out, Cardinal(2 * size.y));
    Put16(out, 1);
    Put16(out, 1);
    Put32(out, 0);
    Put32(out, Cardinal(2 * maskStride * size.y));
    for (int i = 0; i < 4; ++i) Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0xFFFFFF);
    CopyRowsOut(out, *Icon->Mask, size.y, size.y);
    CopyRowsOut(out, *Icon->Mask, 0, size.y);
    return out;
}

// ---------------------------------------------------------------------------
// TIcon

struct TIcon::TIconImage {
    std::vector<Byte> Data;  // the icon file as read; empty for an icon made from a handle
    TIconOwner Handle;
};

namespace {

[[noreturn]] void BadIconFile(const AnsiString& what) { throw EInvalidGraphic("Icon file: " + what); }

// The icon file of one image.
std::vector<Byte> IconFileOf(HICON Icon) {
    const std::vector<Byte> image = IconResourceImage(Icon);
    const TPoint size = IconSize(Icon);
    const Cardinal bpp = U16(image.data() + 14);
    std::vector<Byte> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, 1);
    out.push_back(Byte(size.x >= 256 ? 0 : size.x));
    out.push_back(Byte(size.y >= 256 ? 0 : size.y));
    out.push_back(Byte(bpp < 8 ? 1u << bpp : 0));
    out.push_back(0);
    Put16(out, 1);
    Put16(out, bpp);
    Put32(out, Cardinal(image.size()));
    Put32(out, 22);
    out.insert(out.end(), image.begin(), image.end());
    return out;
}

}  // namespace

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

std::unique_ptr<TGraphic> TIcon::NewInstance() const { return std::make_unique<TIcon>(); }

void TIcon::Assign(TPersistent* Source) {
    if (Source == nullptr) {
        FImage.reset();
        Changed(this);
        return;
    }
    if (auto* i = dynamic_cast<TIcon*>(Source)) {
        if (i == this) return;
        FImage = i->FImage;
        FWidth = i->FWidth;
        FHeight = i->FHeight;
        Changed(this);
        return;
    }
    TGraphic::Assign(Source);
}

void TIcon::LoadFromStream(TStream* Stream) {
    std::vector<Byte> file(6);
    if (Stream->Read(file.data(), 6) != 6) BadIconFile("the header needs 6 bytes");
    const Cardinal reserved = U16(file.data()), type = U16(file.data() + 2), count = U16(file.data() + 4);
    if (reserved != 0) BadIconFile("reserved field " + Num(reserved) + " is not 0");
    if (type != 1) BadIconFile("resource type " + Num(type) + " is not an icon (1)");
    if (count == 0) BadIconFile("the file holds no image");
    const Int64 directoryEnd = 6 + 16 * Int64(count);
    file.resize(std::size_t(directoryEnd));
    if (Stream->Read(file.data() + 6, LongInt(directoryEnd - 6)) != directoryEnd - 6)
        BadIconFile("the directory of " + Num(count) + " images needs " + Num(directoryEnd) + " bytes");
    Int64 end = directoryEnd;
    for (Cardinal i = 0; i < count; ++i) {
        const Byte* e = file.data() + 6 + 16 * i;
        const Int64 size = U32(e + 8), offset = U32(e + 12);
        if (offset < directoryEnd)
            BadIconFile("image " + Num(i) + " starts at byte " + Num(offset) + ", inside the directory");
        end = std::max(end, offset + size);
    }
    const Int64 left = Stream->Size() - Stream->Position();
    if (end - directoryEnd > left)
        BadIconFile("the images end at byte " + Num(end) + ", the file has " + Num(directoryEnd + std::max<Int64>(left, 0)));
    file.resize(std::size_t(end));
    Stream->ReadBuffer(file.data() + directoryEnd, LongInt(end - directoryEnd));
    // The image nearest to the system icon size, the most colours first.
    int best = -1;
    Int64 bestDistance = 0;
    int bestBits = 0;
    for (Cardinal i = 0; i < count; ++i) {
        const Byte* e = file.data() + 6 + 16 * i;
        const Byte* image = file.data() + U32(e + 12);
        const Int64 size = U32(e + 8);
        Int64 w, h;
        int bits;
        if (Integer pw, ph; PngSize(image, std::size_t(size), pw, ph)) {
            w = pw, h = ph;
            bits = int(U16(e + 6));  // the directory's; a PNG's own depth counts per channel
        } else if (size >= 40 && U32(image) >= 40 && U32(image) <= 124) {
            w = std::int32_t(U32(image + 4)), h = std::int32_t(U32(image + 8)) / 2;
            bits = int(U16(image + 14));
        } else {
            continue;  // neither a bitmap header nor a PNG
        }
        const Int64 distance = std::abs(w - SystemIconSize) + std::abs(h - SystemIconSize);
        if (best < 0 || distance < bestDistance || (distance == bestDistance && bits > bestBits)) {
            best = int(i);
            bestDistance = distance;
            bestBits = bits;
        }
    }
    if (best < 0) BadIconFile("no image holds a bitmap or a PNG picture");
    const Byte* e = file.data() + 6 + 16 * best;
    auto image = std::make_shared<TIconImage>();
    image->Handle.reset(CreateIconFromResource(file.data() + U32(e + 12), U32(e + 8), true));
    image->Data = std::move(file);
    FImage = std::move(image);
    Changed(this);
}

void TIcon::SaveToStream(TStream* Stream) {
    if (Empty()) throw EInvalidGraphicOperation("Cannot save an empty icon");
    const std::vector<Byte> bytes = FImage->Data.empty() ? IconFileOf(FImage->Handle.get()) : FImage->Data;
    Stream->WriteBuffer(bytes.data(), LongInt(bytes.size()));
}

void TIcon::LoadFromClipboardFormat(const AnsiString&, const std::vector<Byte>& Data) {
    TMemoryStream stream;
    if (!Data.empty()) stream.WriteBuffer(Data.data(), LongInt(Data.size()));
    stream.SetPosition(0);
    LoadFromStream(&stream);
}

void TIcon::SaveToClipboardFormat(AnsiString&, std::vector<Byte>& Data) {
    TMemoryStream stream;
    SaveToStream(&stream);
    const Byte* p = static_cast<const Byte*>(stream.Memory());
    Data.assign(p, p + stream.Size());
}

void TIcon::Draw(TCanvas& ACanvas, const TRect& Rect) { DrawIcon(ACanvas, Rect, Handle()); }

Integer TIcon::Width() const { return Empty() ? FWidth : IconSize(Handle()).x; }
Integer TIcon::Height() const { return Empty() ? FHeight : IconSize(Handle()).y; }

void TIcon::SetWidth(Integer Value) {
    if (!Empty()) throw EInvalidGraphicOperation("Cannot change the size of an icon");
    FWidth = Value;
}

void TIcon::SetHeight(Integer Value) {
    if (!Empty()) throw EInvalidGraphicOperation("Cannot change the size of an icon");
    FHeight = Value;
}

bool TIcon::Empty() const { return !FImage || !FImage->Handle; }

HICON TIcon::Handle() const { return FImage ? FImage->Handle.get() : nullptr; }

void TIcon::SetHandle(HICON Value) {
    if (Value == Handle()) return;
    if (Value == nullptr) {
        FImage.reset();
    } else {
        auto image = std::make_shared<TIconImage>();
        image->Handle.reset(Value);
        FImage = std::move(image);
    }
    Changed(this);
}
