#include "media/unitEXGraphics.h"

#include <cstring>

#include "platform/rtl/ByteFields.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/Exceptions.h"

using byte_fields::U16;
using byte_fields::U32;

namespace {

constexpr const char* InvalidIconOrCursor = "Invalid Icon or Cursor";

}  // namespace

TPixelFormat IconPixelFormat(int BitsPerPixel, Cardinal Compression) {
    switch (BitsPerPixel) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return Compression == 3 ? pf16bit : pf15bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: return pfCustom;
    }
}

std::vector<TRGBQuad> StandardIconColorTable(TPixelFormat Format) {
    auto quads = [](const TPaletteEntry* e, int n) {
        std::vector<TRGBQuad> t(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) t[std::size_t(i)] = TRGBQuad{e[i].peBlue, e[i].peGreen, e[i].peRed, 0};
        return t;
    };
    switch (Format) {
    case pf1bit: return {TRGBQuad{0, 0, 0, 0}, TRGBQuad{255, 255, 255, 0}};
    case pf4bit: return quads(VGAPaletteEntries().data(), 16);
    case pf8bit: return quads(HalftonePaletteEntries().data(), 256);
    default: return {};
    }
}

// ---------------------------------------------------------------------------
// TIconCursor

TIconCursor::TIconCursor(Integer AWidth, Integer AHeight, TPixelFormat APixelFormat, int AHeaderOffset)
    : FPixelFormat(APixelFormat), FWidth(AWidth), FHeight(AHeight), FHeaderOffset(AHeaderOffset) {}

TIconCursor::~TIconCursor() = default;

void TIconCursor::Assign(TPersistent* Source) {
    if (Source == nullptr) {
        FImage.reset();
        FPalette.reset();
        Changed(this);
        return;
    }
    auto* other = dynamic_cast<TIconCursor*>(Source);
    if (other == nullptr) {
        TGraphic::Assign(Source);
        return;
    }
    if (other == this) return;
    if (other->FHeaderOffset == FHeaderOffset || other->Empty()) {
        FImage = other->FImage;
    } else {
        // A cursor's data starts with its hot spot, an icon's does not.
        const std::vector<Byte>& data = other->Data();
        auto image = std::make_shared<TExIconImage>();
        if (FHeaderOffset > other->FHeaderOffset) {
            image->Data.assign(std::size_t(FHeaderOffset - other->FHeaderOffset), 0);
            image->Data.insert(image->Data.end(), data.begin(), data.end());
        } else {
            image->Data.assign(data.begin() + (other->FHeaderOffset - FHeaderOffset), data.end());
        }
        FImage = std::move(image);
    }
    FPixelFormat = other->FPixelFormat;
    FWidth = other->FWidth;
    FHeight = other->FHeight;
    FHotSpot = FHeaderOffset > 0 ? other->FHotSpot : 0;
    FPalette.reset();
    Changed(this);
}

bool TIconCursor::Empty() const { return !FImage || (!FImage->Handle && FImage->Data.empty()); }

void TIconCursor::SetWidth(Integer Value) {
    if (Value == FWidth) return;
    if (!Empty()) throw EInvalidGraphicOperation("Can't resize Icons or Cursors");
    FWidth = Value;
}

void TIconCursor::SetHeight(Integer Value) {
    if (Value == FHeight) return;
    if (!Empty()) throw EInvalidGraphicOperation("Can't resize Icons or Cursors");
    FHeight = Value;
}

HICON TIconCursor::Handle() {
    if (Empty()) return nullptr;
    if (!FImage->Handle) HandleNeeded();
    return FImage->Handle.get();
}

void TIconCursor::SetHandle(HICON Value) {
    FImage.reset();
    FPalette.reset();
    if (Value != nullptr) {
        auto image = std::make_shared<TExIconImage>();
        image->Handle.reset(Value);
        FImage = std::move(image);
        const TPoint size = IconSize(Value);
        FWidth = size.x;
        FHeight = size.y;
        FHotSpot = FHeaderOffset > 0 ? (Cardinal(Value->HotX) & 0xFFFF) | (Cardinal(Value->HotY) << 16) : 0;
        const std::vector<Byte> header = IconResourceImage(Value);
        FPixelFormat = IconPixelFormat(int(U16(header.data() + 14)), U32(header.data() + 16));
    }
    Changed(this);
}

const std::vector<Byte>& TIconCursor::Data() {
    static const std::vector<Byte> none;
    if (Empty()) return none;
    if (FImage->Data.empty()) ImageNeeded();
    return FImage->Data;
}

void TIconCursor::ReadHeader(const std::vector<Byte>& Data) {
    const Byte* header = Data.data() + FHeaderOffset;
    FWidth = Integer(U32(header + 4));
    FHeight = Integer(U32(header + 8) / 2);
    FPixelFormat = IconPixelFormat(int(U16(header + 14)), U32(header + 16));
    FHotSpot = FHeaderOffset > 0 ? U32(Data.data()) : 0;
}

void TIconCursor::CreateHandleFromData(bool Icon) {
    // The data was checked when it came in; a failure here is a fault of
    // the image itself all the same.
    try {
        FImage->Handle.reset(CreateIconFromResource(FImage->Data.data(), FImage->Data.size(), Icon));
    } catch (const EInvalidGraphic&) {
        throw EInvalidGraphic(InvalidIconOrCursor);
    }
}

void TIconCursor::CreateDataFromHandle(bool Icon) {
    if (!FImage || !FImage->Handle) throw EInvalidGraphic(InvalidIconOrCursor);
    std::vector<Byte> data;
    if (!Icon) {
        const HICON h = FImage->Handle.get();
        data = {Byte(h->HotX), Byte(h->HotX >> 8), Byte(h->HotY), Byte(h->HotY >> 8)};
    }
    const std::vector<Byte> image = IconResourceImage(FImage->Handle.get());
    data.insert(data.end(), image.begin(), image.end());
    FImage->Data = std::move(data);
}

HPALETTE TIconCursor::Palette() {
    if (FPalette || Empty()) return FPalette.get();
    const std::vector<Byte>& data = Data();
    const TIconImageLayout L = ParseIconImage(data.data() + FHeaderOffset, data.size() - std::size_t(FHeaderOffset));
    if (L.BitsPerPixel > 8 || L.ColorCount == 0) return nullptr;
    std::vector<TPaletteEntry> entries(std::size_t(L.ColorCount));
    const Byte* table = data.data() + FHeaderOffset + L.TableOffset;
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = TPaletteEntry{table[4 * i + 2], table[4 * i + 1], table[4 * i], 0};
    FPalette.reset(CreatePalette(entries));
    return FPalette.get();
}

void TIconCursor::LoadFromStream(TStream* Stream) {
    std::vector<Byte> data = byte_fields::RestOfStream(Stream);
    if (data.size() < std::size_t(FHeaderOffset) + 40) throw EInvalidGraphic(InvalidIconOrCursor);
    const int bits = int(U16(data.data() + FHeaderOffset + 14));
    if (IconPixelFormat(bits, 0) == pfCustom) throw EInvalidGraphic("Pixel Format Not Valid for Icons or Cursors");
    try {
        ParseIconImage(data.data() + FHeaderOffset, data.size() - std::size_t(FHeaderOffset));
    } catch (const EInvalidGraphic&) {
        throw EInvalidGraphic(InvalidIconOrCursor);
    }
    auto image = std::make_shared<TExIconImage>();
    image->Data = std::move(data);
    FImage = std::move(image);
    FPalette.reset();
    ReadHeader(FImage->Data);
    Changed(this);
}

void TIconCursor::SaveToStream(TStream* Stream) {
    if (Empty()) throw EInvalidGraphic(InvalidIconOrCursor);
    const std::vector<Byte>& data = Data();
    Stream->WriteBuffer(data.data(), LongInt(data.size()));
}

void TIconCursor::LoadFromClipboardFormat(const AnsiString&, const std::vector<Byte>&) {
    throw EInvalidGraphic("Clipboard not supported for Icons or Cursors");
}

void TIconCursor::SaveToClipboardFormat(AnsiString&, std::vector<Byte>&) {
    throw EInvalidGraphic("Clipboard not supported for Icons or Cursors");
}

void TIconCursor::Draw(TCanvas& ACanvas, const TRect& Rect) { DrawIcon(ACanvas, Rect, Handle()); }

// ---------------------------------------------------------------------------

TExIcon::TExIcon() : TIconCursor(SystemIconSize, SystemIconSize, pf4bit, 0) {}
std::unique_ptr<TGraphic> TExIcon::NewInstance() const { return std::make_unique<TExIcon>(); }
void TExIcon::HandleNeeded() { CreateHandleFromData(true); }
void TExIcon::ImageNeeded() { CreateDataFromHandle(true); }

TExCursor::TExCursor() : TIconCursor(SystemCursorSize, SystemCursorSize, pf1bit, 4) {}
std::unique_ptr<TGraphic> TExCursor::NewInstance() const { return std::make_unique<TExCursor>(); }
void TExCursor::HandleNeeded() { CreateHandleFromData(false); }
void TExCursor::ImageNeeded() { CreateDataFromHandle(false); }

void DrawIconOnBitmap(TBitmap* Bitmap, TIconCursor* Image, TColor Background) {
    Bitmap->Assign(TBitmap());
    Bitmap->SetSize(Image->Width(), Image->Height());
    TCanvas* canvas = Bitmap->Canvas();
    canvas->Brush()->SetColor(ColorToRGB(Background));
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(Rect(0, 0, Image->Width(), Image->Height()));
    canvas->Draw(0, 0, Image);
}
