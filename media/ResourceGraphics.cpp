#include "media/ResourceGraphics.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/ByteFields.h"
#include "media/unitEXGraphics.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Jpeg.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

using byte_fields::U16;
using byte_fields::U32;
using byte_fields::Put16;
using byte_fields::Put32;

namespace {

void Write(TStream* Stream, const std::vector<Byte>& Bytes) {
    if (!Bytes.empty()) Stream->WriteBuffer(Bytes.data(), LongInt(Bytes.size()));
}
AnsiString Num(Int64 Value) { return std::to_string(Value); }

int StoredBits(TPixelFormat Format) { return Format == pf15bit ? 16 : PixelFormatBits(Format); }

// A directory entry's colour count: 2^bits, 0 for 256 and more.
Byte DirectoryColors(int Bits) { return Bits < 8 ? Byte(1u << Bits) : 0; }

}  // namespace

TPixelFormat ResourcePixelFormat(int BitsPerPixel) {
    switch (BitsPerPixel) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 15: return pf15bit;
    case 16: return pf16bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: throw EResourceError("Invalid pixel format in TIconResource");
    }
}

// ---------------------------------------------------------------------------
// Icon and cursor images

TIconCursorResource::TIconCursorResource(TResourceModule* AModule, const TResourceId& AType,
                                         const std::vector<Byte>& AData, const TResourceId& AName,
                                         Integer ADefaultSize, TPixelFormat ADefaultFormat)
    : TGraphicsResource(AModule, AType, AData, AName), FWidth(ADefaultSize), FHeight(ADefaultSize),
      FPixelFormat(ADefaultFormat) {}

TIconResource::TIconResource(TResourceModule* AModule, const TResourceId& AType, const std::vector<Byte>& AData,
                             const TResourceId& AName)
    : TIconCursorResource(AModule, AType, AData, AName, 32, pf4bit) {}

TCursorResource::TCursorResource(TResourceModule* AModule, const TResourceId& AType, const std::vector<Byte>& AData,
                                 const TResourceId& AName)
    : TIconCursorResource(AModule, AType, AData, AName, SystemCursorSize, pf1bit) {}

const TResourceClass& TIconResource::StaticClass() {
    static const TResourceClass c = MakeResourceClass<TIconResource>("TIconResource", 3, true);
    return c;
}

const TResourceClass& TCursorResource::StaticClass() {
    static const TResourceClass c = MakeResourceClass<TCursorResource>("TCursorResource", 1, true);
    return c;
}

const Byte* TIconCursorResource::Header() const {
    const std::vector<Byte>& d = Data();
    if (d.size() < std::size_t(HeaderOffset()) + 40) throw EInvalidGraphic("Invalid Icon or Cursor");
    return d.data() + HeaderOffset();
}

Integer TIconCursorResource::Width() const { return Data().empty() ? FWidth : Integer(U32(Header() + 4)); }
Integer TIconCursorResource::Height() const { return Data().empty() ? FHeight : Integer(U32(Header() + 8) / 2); }

TPixelFormat TIconCursorResource::PixelFormat() const {
    if (Data().empty()) return FPixelFormat;
    const Byte* h = Header();
    const int bits = int(U16(h + 14));
    if (bits != 16) return ResourcePixelFormat(bits);
    // 5-5-5 pixels come plain or with their masks spelled out.
    if (U32(h + 16) != 3) return pf15bit;
    const bool masks = Data().size() >= std::size_t(HeaderOffset()) + 52;
    return masks && U32(h + 40) == 0x7C00 ? pf15bit : pf16bit;
}

TPoint TIconCursorResource::HotSpot() const {
    if (IsIcon() || Data().size() < 4) return Point(0, 0);
    return Point(Integer(U16(Data().data())), Integer(U16(Data().data() + 2)));
}

void TIconCursorResource::SetWidth(Integer Value) {
    if (!Data().empty()) throw EResourceError("Can't change icon/cursor width");
    FWidth = Value;
}

void TIconCursorResource::SetHeight(Integer Value) {
    if (!Data().empty()) throw EResourceError("Can't change icon/cursor height");
    FHeight = Value;
}

void TIconCursorResource::SetPixelFormat(TPixelFormat Value) {
    if (!Data().empty()) throw EResourceError("Can't change icon/cursor pixel format");
    if (Value == pfDevice || Value == pfCustom) throw EResourceError("Invalid pixel format in TIconResource");
    FPixelFormat = Value;
}

void TIconCursorResource::InitNew() {
    const int bits = StoredBits(FPixelFormat);
    const bool fields = bits == 16;
    const std::vector<TRGBQuad> table = StandardIconColorTable(FPixelFormat);
    const Cardinal colorBytes = Cardinal(((Int64(FWidth) * bits + 31) / 32) * 4 * FHeight);
    const Cardinal maskBytes = Cardinal(((Int64(FWidth) + 31) / 32) * 4 * FHeight);
    std::vector<Byte> d;
    if (!IsIcon()) Put32(d, 0);
    Put32(d, 40);
    Put32(d, Cardinal(FWidth));
    Put32(d, Cardinal(2 * FHeight));
    Put16(d, 1);
    Put16(d, Cardinal(bits));
    Put32(d, fields ? 3 : 0);
    Put32(d, colorBytes + maskBytes);
    for (int i = 0; i < 4; ++i) Put32(d, 0);
    if (fields) {
        const bool five = FPixelFormat == pf15bit;
        Put32(d, five ? 0x7C00 : 0xF800);
        Put32(d, five ? 0x03E0 : 0x07E0);
        Put32(d, 0x001F);
    }
    for (const TRGBQuad& q : table) d.insert(d.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
    d.resize(d.size() + colorBytes, 0);
    d.resize(d.size() + maskBytes, 0xFF);
    SetDataQuietly(std::move(d));
}

void TIconCursorResource::GetImage(TPicture* Picture) {
    std::unique_ptr<TIconCursor> image;
    if (IsIcon()) image = std::make_unique<TExIcon>();
    else image = std::make_unique<TExCursor>();
    TMemoryStream stream;
    Write(&stream, Data());
    stream.SetPosition(0);
    image->LoadFromStream(&stream);
    Picture->SetGraphic(image.get());
}

void TIconCursorResource::SetImage(TPicture* Picture, const AnsiString& Description) {
    auto* source = dynamic_cast<TIconCursor*>(Picture ? Picture->Graphic() : nullptr);
    if (source == nullptr || source->Empty())
        throw EResourceError("An icon or cursor resource takes only an icon or cursor image");
    std::unique_ptr<TIconCursor> image;
    if (IsIcon()) image = std::make_unique<TExIcon>();
    else image = std::make_unique<TExCursor>();
    image->Assign(source);
    const AnsiString description = !Description.empty() ? Description : IsIcon() ? "icon changed" : "change cursor";
    ChangeData(description, image->Data());
}

void TIconCursorResource::Rename(const AnsiString& NewName) {
    const TResourceId old = Name();
    TGraphicsResource::Rename(NewName);
    if (old == Name() || !old.IsNumber || Module() == nullptr) return;
    const TResourceClass& groups = IsIcon() ? TIconGroupResource::StaticClass() : TCursorGroupResource::StaticClass();
    for (int i = 0; i < Module()->ResourceCount(); ++i)
        if (auto* g = dynamic_cast<TGroupResource*>(Module()->ResourceDetails(i)); g && &g->Class() == &groups)
            g->ReplaceImageNumber(old.Number, Name().Number);
}

void TIconCursorResource::DoExport(TStream* Stream) {
    const std::vector<Byte>& d = Data();
    const Byte* h = Header();
    const int bits = int(U16(h + 14));
    const Cardinal size = Cardinal(d.size() - std::size_t(HeaderOffset()));
    std::vector<Byte> out;
    Put16(out, 0);
    Put16(out, IsIcon() ? 1 : 2);
    Put16(out, 1);
    out.push_back(Byte(Width()));
    out.push_back(Byte(Height()));
    if (IsIcon()) {
        out.push_back(DirectoryColors(bits));
        out.push_back(0);
        Put16(out, 1);
        Put16(out, Cardinal(bits));
    } else {
        out.push_back(0);
        out.push_back(0);
        Put16(out, Cardinal(HotSpot().x));
        Put16(out, Cardinal(HotSpot().y));
    }
    Put32(out, size);
    Put32(out, 22);
    out.insert(out.end(), d.begin() + HeaderOffset(), d.end());
    Write(Stream, out);
}

// ---------------------------------------------------------------------------
// Bitmaps

const TResourceClass& TBitmapResource::StaticClass() {
    static const TResourceClass c = MakeResourceClass<TBitmapResource>("TBitmapResource", 2, false);
    return c;
}

namespace {

// The bitmap file of resource data: "BM", the file size, 0, and the offset
// of the pixels behind the header, the bit-field masks and the colour table.
std::vector<Byte> BitmapFile(const std::vector<Byte>& Data) {
    if (Data.size() < 40) throw EInvalidGraphic("Bitmap resource of " + Num(Int64(Data.size())) + " bytes has no header");
    const Int64 header = U32(Data.data());
    const Cardinal bits = U16(Data.data() + 14), compression = U32(Data.data() + 16), used = U32(Data.data() + 32);
    Int64 colors = used;
    if (bits <= 8 && used == 0) colors = Int64(1) << bits;
    const Int64 masks = compression == 3 && header == 40 ? 12 : 0;
    const Int64 offset = 14 + header + masks + 4 * colors;
    std::vector<Byte> file{'B', 'M'};
    Put32(file, Cardinal(14 + Data.size()));
    Put32(file, 0);
    Put32(file, Cardinal(offset));
    file.insert(file.end(), Data.begin(), Data.end());
    return file;
}

}  // namespace

void TBitmapResource::InitNew() {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf8bit);
    bitmap.SetSize(16, 16);
    bitmap.SetColorTable(StandardIconColorTable(pf8bit));
    bitmap.Canvas()->Brush()->SetColor(clWhite);
    bitmap.Canvas()->FillRect(Rect(0, 0, 16, 16));
    const std::vector<Byte> file = bitmap.SaveToBytes();
    SetDataQuietly(std::vector<Byte>(file.begin() + 14, file.end()));
}

void TBitmapResource::GetImage(TPicture* Picture) {
    const std::vector<Byte> file = BitmapFile(Data());
    TBitmap bitmap;
    bitmap.LoadFromBytes(file.data(), file.size());
    Picture->SetGraphic(&bitmap);
}

void TBitmapResource::SetImage(TPicture* Picture, const AnsiString& Description) {
    TBitmap bitmap;
    bitmap.Assign(Picture ? Picture->Graphic() : nullptr);
    if (bitmap.Empty()) throw EResourceError("A bitmap resource takes only a picture that is not empty");
    const std::vector<Byte> file = bitmap.SaveToBytes();
    ChangeData(Description.empty() ? AnsiString("bitmap changed") : Description,
               std::vector<Byte>(file.begin() + 14, file.end()));
}

void TBitmapResource::DoExport(TStream* Stream) { Write(Stream, BitmapFile(Data())); }

void TBitmapResource::DoImport(const AnsiString& FileName, const std::vector<Byte>& Bytes) {
    std::vector<Byte> file = Bytes;
    const AnsiString ext = ExtractFileExt(FileName);
    if (SameText(ext, ".jpg") || SameText(ext, ".jpeg")) {
        TJPEGImage jpeg;
        jpeg.LoadFromBytes(Bytes.data(), Bytes.size());
        TBitmap bitmap;
        bitmap.Assign(&jpeg);
        file = bitmap.SaveToBytes();
    } else if (Bytes.size() < 2 || Bytes[0] != 'B' || Bytes[1] != 'M') {
        throw EResourceError("\"" + FileName + "\" is not a bitmap file: it does not start with \"BM\"");
    }
    TBitmap check;
    check.LoadFromBytes(file.data(), file.size());
    TGraphicsResource::DoImport(FileName, std::vector<Byte>(file.begin() + 14, file.end()));
}

// ---------------------------------------------------------------------------
// Groups

const TResourceClass& TIconGroupResource::StaticClass() {
    static const TResourceClass c = MakeResourceClass<TIconGroupResource>("TIconGroupResource", 14, false);
    return c;
}

const TResourceClass& TCursorGroupResource::StaticClass() {
    static const TResourceClass c = MakeResourceClass<TCursorGroupResource>("TCursorGroupResource", 12, false);
    return c;
}

const TResourceClass& TGroupResource::ImageClass() const {
    return IsIconGroup() ? TIconResource::StaticClass() : TCursorResource::StaticClass();
}

std::vector<TGroupEntry> TGroupResource::Entries() const {
    const std::vector<Byte>& d = Data();
    if (d.size() < 6) throw EResourceError("Group " + DisplayName() + ": the 6-byte header is missing");
    const Cardinal kind = U16(d.data() + 2), count = U16(d.data() + 4);
    if (kind != (IsIconGroup() ? 1u : 2u))
        throw EResourceError("Group " + DisplayName() + ": kind " + Num(kind) + " does not match the group");
    if (6 + 14 * Int64(count) > Int64(d.size()))
        throw EResourceError("Group " + DisplayName() + ": " + Num(count) + " entries do not fit the " +
                             Num(Int64(d.size())) + "-byte data");
    std::vector<TGroupEntry> entries;
    for (Cardinal i = 0; i < count; ++i) {
        const Byte* e = d.data() + 6 + 14 * i;
        TGroupEntry g;
        if (IsIconGroup()) {
            g.Width = e[0];
            g.Height = e[1];
            g.Colors = e[2];
            g.Reserved = e[3];
        } else {
            g.Width = Word(U16(e));
            g.Height = Word(U16(e + 2) / 2);
        }
        g.Planes = Word(U16(e + 4));
        g.BitCount = Word(U16(e + 6));
        g.Size = U32(e + 8);
        g.Id = Word(U16(e + 12));
        entries.push_back(g);
    }
    return entries;
}

namespace {

std::vector<Byte> GroupData(const std::vector<TGroupEntry>& Entries, bool Icons) {
    std::vector<Byte> d;
    Put16(d, 0);
    Put16(d, Icons ? 1 : 2);
    Put16(d, Cardinal(Entries.size()));
    for (const TGroupEntry& g : Entries) {
        if (Icons) {
            d.insert(d.end(), {Byte(g.Width), Byte(g.Height), g.Colors, g.Reserved});
        } else {
            Put16(d, g.Width);
            Put16(d, Cardinal(g.Height) * 2);
        }
        Put16(d, g.Planes);
        Put16(d, g.BitCount);
        Put32(d, g.Size);
        Put16(d, g.Id);
    }
    return d;
}

}  // namespace

void TGroupResource::SetEntries(const std::vector<TGroupEntry>& Entries, const AnsiString& Description) {
    ChangeData(Description, GroupData(Entries, IsIconGroup()));
}

void TGroupResource::ReplaceImageNumber(Word Old, Word New) {
    std::vector<TGroupEntry> entries = Entries();
    bool any = false;
    for (TGroupEntry& g : entries)
        if (g.Id == Old) g.Id = New, any = true;
    if (any) SetEntries(entries, "change resource name");
}

void TGroupResource::InitNew() {
    const Word number = Module()->GetUniqueResourceName(ImageClass());
    auto* image = static_cast<TIconCursorResource*>(ImageClass().CreateNew(Module(), Language(), TResourceId::Of(number)));
    TGroupEntry g;
    g.Width = Word(image->Width());
    g.Height = Word(image->Height());
    g.Colors = DirectoryColors(PixelFormatBits(image->PixelFormat()));
    g.Planes = 1;
    g.BitCount = Word(StoredBits(image->PixelFormat()));
    g.Size = Cardinal(image->Data().size());
    g.Id = number;
    SetDataQuietly(GroupData({g}, IsIconGroup()));
}

void TGroupResource::DoExport(TStream* Stream) {
    const std::vector<TGroupEntry> entries = Entries();
    std::vector<const TIconCursorResource*> images;
    for (const TGroupEntry& g : entries) {
        auto* image = dynamic_cast<const TIconCursorResource*>(Module()->FindResource(ImageClass(), IntToStr(g.Id)));
        if (image == nullptr)
            throw EResourceError("Group " + DisplayName() + ": image " + Num(g.Id) + " is not in the module");
        images.push_back(image);
    }
    const int skip = IsIconGroup() ? 0 : 4;
    std::vector<Byte> out;
    Put16(out, 0);
    Put16(out, IsIconGroup() ? 1 : 2);
    Put16(out, Cardinal(entries.size()));
    Cardinal offset = Cardinal(6 + 16 * entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TGroupEntry& g = entries[i];
        const Cardinal size = Cardinal(images[i]->Data().size() - std::size_t(std::min<std::size_t>(skip, images[i]->Data().size())));
        out.insert(out.end(), {Byte(g.Width), Byte(g.Height), g.Colors, g.Reserved});
        if (IsIconGroup()) {
            Put16(out, g.Planes);
            Put16(out, g.BitCount);
        } else {
            Put16(out, Cardinal(images[i]->HotSpot().x));
            Put16(out, Cardinal(images[i]->HotSpot().y));
        }
        Put32(out, size);
        Put32(out, offset);
        offset += size;
    }
    for (const TIconCursorResource* image : images)
        out.insert(out.end(), image->Data().begin() + std::min<std::ptrdiff_t>(skip, std::ptrdiff_t(image->Data().size())),
                   image->Data().end());
    Write(Stream, out);
}

void TGroupResource::DoImport(const AnsiString& FileName, const std::vector<Byte>& Bytes) {
    const AnsiString what = IsIconGroup() ? "an icon file" : "a cursor file";
    if (Bytes.size() < 6 || U16(Bytes.data()) != 0 || U16(Bytes.data() + 2) != (IsIconGroup() ? 1u : 2u))
        throw EResourceError("\"" + FileName + "\" is not " + what);
    const Cardinal count = U16(Bytes.data() + 4);
    if (6 + 16 * Int64(count) > Int64(Bytes.size()))
        throw EResourceError("\"" + FileName + "\": the directory of " + Num(count) + " images runs past the end of the file");
    // Every image is checked before any resource is made.
    struct TImage {
        const Byte* Entry;
        std::vector<Byte> Data;
    };
    std::vector<TImage> images;
    for (Cardinal i = 0; i < count; ++i) {
        const Byte* e = Bytes.data() + 6 + 16 * i;
        const Int64 size = U32(e + 8), offset = U32(e + 12);
        if (offset + size > Int64(Bytes.size()))
            throw EResourceError("\"" + FileName + "\": image " + Num(i) + " ends at byte " + Num(offset + size) +
                                 ", the file has " + Num(Int64(Bytes.size())));
        ParseIconImage(Bytes.data() + offset, std::size_t(size));
        TImage image{e, {}};
        if (!IsIconGroup()) image.Data = {e[4], e[5], e[6], e[7]};
        image.Data.insert(image.Data.end(), Bytes.begin() + offset, Bytes.begin() + offset + size);
        images.push_back(std::move(image));
    }
    std::vector<TGroupEntry> entries;
    for (const TImage& image : images) {
        const Word number = Module()->GetUniqueResourceName(ImageClass());
        const Byte* header = image.Data.data() + (IsIconGroup() ? 0 : 4);
        TGroupEntry g;
        g.Width = Word(U32(header + 4));
        g.Height = Word(U32(header + 8) / 2);
        g.Colors = image.Entry[2];
        g.Reserved = image.Entry[3];
        g.Planes = Word(U16(header + 12));
        g.BitCount = Word(U16(header + 14));
        g.Size = Cardinal(image.Data.size());
        g.Id = number;
        Module()->AddResource(ImageClass().Create(Module(), TResourceId::Of(ImageClass().TypeId), image.Data,
                                                  TResourceId::Of(number)));
        entries.push_back(g);
    }
    SetEntries(entries, "import");
}

void LoadIconGroupResource(TResourceModule* Module, const AnsiString& ResourceName, TIcon* Icon) {
    auto* group = Module ? dynamic_cast<TIconGroupResource*>(
                               Module->FindResource(TIconGroupResource::StaticClass(), ResourceName))
                         : nullptr;
    if (group == nullptr) throw EResourceError("Icon resource \"" + ResourceName + "\" not found");
    TMemoryStream stream;
    group->ExportToStream(&stream);
    stream.SetPosition(0);
    Icon->LoadFromStream(&stream);
}
