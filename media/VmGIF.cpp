#include "media/VmGIF.h"

#include <algorithm>
#include <cstring>

#include "components/VCLUtils.h"
#include "media/AniFile.h"
#include "platform/rtl/ByteFields.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Icon.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"

namespace VmGIF {

namespace {

constexpr TColor FallbackBackground = 0xFF00FF;  // magenta, for graphics that cannot be copied

[[noreturn]] void Fail(const AnsiString& Message) { throw EInvalidGraphicOperation(Message); }

void CheckSize(Integer Width, Integer Height) {
    if (Int64(Width) * Height > TGIFImage::MaxFramePixels)
        Fail("GIF frame of " + std::to_string(Width) + " x " + std::to_string(Height) + " pixels exceeds the limit of " +
             std::to_string(TGIFImage::MaxFramePixels));
}

void PutLength(std::vector<Byte>& Out, std::size_t Length) {
    for (int i = 0; i < 4; ++i) Out.push_back(Byte(Length >> (8 * i)));
}

}  // namespace

// ---------------------------------------------------------------------------
// TExtension

TExtension::TExtension(TExtensionKind AKind) : FKind(AKind) {}

Byte TExtension::Label() const {
    switch (FKind) {
    case ekGraphicControl: return 0xF9;
    case ekPlainText: return 0x01;
    case ekApplication: return 0xFF;
    default: return 0xFE;
    }
}

void TExtension::Assign(TPersistent* Source) {
    if (auto* e = dynamic_cast<TExtension*>(Source)) {
        FKind = e->FKind;
        Fixed = e->Fixed;
        SubBlocks = e->SubBlocks;
        return;
    }
    TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------
// TGIFFrame

TGIFFrame::TGIFFrame(TGIFImage* AOwner) : FOwner(AOwner) {}
TGIFFrame::~TGIFFrame() = default;

TBitmap* TGIFFrame::Bitmap() {
    if (!FBitmap && FItem && !FItem->Encoded.empty()) Decode();
    return FBitmap.get();
}

Integer TGIFFrame::Width() const {
    if (FItem && !FItem->Encoded.empty()) return FItem->Width;
    return FBitmap ? FBitmap->Width() : 0;
}

Integer TGIFFrame::Height() const {
    if (FItem && !FItem->Encoded.empty()) return FItem->Height;
    return FBitmap ? FBitmap->Height() : 0;
}

std::vector<AnsiString> TGIFFrame::Comment() const {
    std::vector<AnsiString> lines;
    for (const auto& e : FExtensions)
        if (e->Kind() == ekComment) lines.insert(lines.end(), e->SubBlocks.begin(), e->SubBlocks.end());
    return lines;
}

void TGIFFrame::SetBitmap(std::unique_ptr<TBitmap> Value) {
    FBitmap = std::move(Value);
    // The pixels changed: the frame is encoded afresh when written.
    FItem = std::make_shared<TGIFItem>();
    if (FBitmap) {
        FItem->Width = FBitmap->Width();
        FItem->Height = FBitmap->Height();
    }
    OwnColorTable = false;
}

void TGIFFrame::Decode() {
    const TGIFItem& item = *FItem;
    TPixelFormat format;
    if (item.BitsPerPixel == 1) format = pf1bit;
    else if (item.BitsPerPixel >= 2 && item.BitsPerPixel <= 4) format = pf4bit;
    else if (item.BitsPerPixel >= 5 && item.BitsPerPixel <= 8) format = pf8bit;
    else Fail("Wrong number of colors; must be a power of 2");
    CheckSize(item.Width, item.Height);
    FOwner->Progress(FOwner, psStarting, 0, false, TRect{}, "");
    std::vector<Byte> pixels(std::size_t(item.Width) * std::size_t(item.Height), 0);
    if (!DecodeLZW(item.Encoded, pixels, item.Width, item.Height, item.BitsPerPixel, Interlaced)) Corrupted = true;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(format);
    bitmap->SetSize(item.Width, item.Height);
    std::vector<TRGBQuad> table = item.ColorTable.Entries;
    table.resize(std::size_t(1) << PixelFormatBits(format), TRGBQuad{128, 128, 128, 0});
    bitmap->SetColorTable(table);
    for (Integer y = 0; y < item.Height; ++y) {
        const Byte* row = pixels.data() + std::size_t(y) * std::size_t(item.Width);
        for (Integer x = 0; x < item.Width; ++x) bitmap->SetPixelValue(x, y, row[x]);
    }
    FBitmap = std::move(bitmap);
    FOwner->Progress(FOwner, psEnding, 100, false, TRect{}, "");
}

void TGIFFrame::Encode() {
    if (!FBitmap || FBitmap->Empty()) Fail("No GIF Data to write");
    TBitmap* source = FBitmap.get();
    TBitmap mapped;
    const int bits = source->BitsPerPixel();
    if (bits != 1 && bits != 4 && bits != 8) {
        auto stream = BitmapToStreamInFormat(source, pf8bit, GreyScale ? ReduceToGrey : ColorMappingMethod);
        mapped.LoadFromStream(stream.get());
        if (mapped.BitsPerPixel() != 8) Fail("GIF image encoding error");
        source = &mapped;
    }
    const int depth = source->BitsPerPixel();
    auto item = std::make_shared<TGIFItem>();
    item->Width = source->Width();
    item->Height = source->Height();
    item->BitsPerPixel = depth;
    item->ColorTable.Entries = source->ColorTable();
    item->ColorTable.Entries.resize(std::size_t(1) << depth);
    std::vector<Byte> pixels(std::size_t(item->Width) * std::size_t(item->Height));
    for (Integer y = 0; y < item->Height; ++y)
        for (Integer x = 0; x < item->Width; ++x)
            pixels[std::size_t(y) * std::size_t(item->Width) + std::size_t(x)] = Byte(source->PixelValue(x, y));
    FOwner->Progress(FOwner, psStarting, 0, false, TRect{}, "");
    item->Encoded = EncodeLZW(pixels, item->Width, item->Height, depth, false, [&](Integer Rows) {
        FOwner->Progress(FOwner, psRunning, Byte(Int64(Rows) * 100 / item->Height), false, TRect{}, "");
    });
    FOwner->Progress(FOwner, psEnding, 100, false, TRect{}, "");
    Interlaced = false;
    if (FOwner->FData->ColorTable.Entries.empty()) {
        // Copies of the picture share its data; this one gets its own.
        if (FOwner->FData.use_count() > 1) FOwner->FData = std::make_shared<TGIFData>(*FOwner->FData);
    }
    TGIFData& data = *FOwner->FData;
    if (data.ColorTable.Entries.empty()) {
        data.ColorTable = item->ColorTable;
        data.BitsPerPixel = depth;
        data.ColorResBits = depth;
        OwnColorTable = false;
    } else {
        OwnColorTable = true;
    }
    FItem = std::move(item);
    FOwner->Grow(*this);
}

void TGIFFrame::Assign(TPersistent* Source) {
    if (auto* f = dynamic_cast<TGIFFrame*>(Source)) {
        if (f == this) return;
        FItem = f->FItem;
        Left = f->Left;
        Top = f->Top;
        Interlaced = f->Interlaced;
        FBitmap.reset();
        if (f->FBitmap) {
            FBitmap = std::make_unique<TBitmap>();
            FBitmap->Assign(*f->FBitmap);
        }
        TransparentColor = f->TransparentColor;
        Delay = f->Delay;
        Disposal = f->Disposal;
        GreyScale = f->GreyScale;
        Corrupted = f->Corrupted;
        OwnColorTable = f->OwnColorTable;
        FExtensions.clear();
        for (const auto& e : f->FExtensions) {
            FExtensions.push_back(std::make_unique<TExtension>(e->Kind()));
            FExtensions.back()->Assign(e.get());
        }
        return;
    }
    if (auto* image = dynamic_cast<TGIFImage*>(Source)) {
        TGIFFrame* frame = image->CurrentFrame();
        if (frame == nullptr && image->FrameCount() > 0) frame = image->Frames(0);
        if (frame) Assign(frame);
        else SetBitmap(nullptr);
        return;
    }
    if (auto* graphic = dynamic_cast<TGraphic*>(Source)) {
        auto bitmap = std::make_unique<TBitmap>();
        TransparentColor = clNone;
        if (auto* b = dynamic_cast<TBitmap*>(graphic)) {
            bitmap->Assign(*b);
            if (b->Transparent()) TransparentColor = b->TransparentColor();
        } else {
            try {
                bitmap->Assign(graphic);
            } catch (const Exception&) {
                bitmap = std::make_unique<TBitmap>();
                bitmap->SetPixelFormat(pf24bit);
                bitmap->SetSize(graphic->Width(), graphic->Height());
                bitmap->Canvas()->Brush()->SetColor(FallbackBackground);
                bitmap->Canvas()->FillRect(Rect(0, 0, graphic->Width(), graphic->Height()));
                bitmap->Canvas()->Draw(0, 0, graphic);
            }
            if (graphic->Transparent())
                TransparentColor = bitmap->PixelValueToColor(bitmap->ColorToPixelValue(bitmap->Canvas()->Brush()->Color()));
        }
        SetBitmap(std::move(bitmap));
        return;
    }
    TPersistent::Assign(Source);
}

void TGIFFrame::AssignTo(TPersistent* Dest) {
    if (auto* graphic = dynamic_cast<TGraphic*>(Dest)) {
        TBitmap* bitmap = Bitmap();
        if (bitmap == nullptr) {
            graphic->Assign(nullptr);
            return;
        }
        graphic->Assign(bitmap);
        if (auto* b = dynamic_cast<TBitmap*>(graphic); b && TransparentColor != clNone) {
            b->SetTransparentColor(b->PixelValueToColor(b->ColorToPixelValue(TransparentColor)));
            b->SetTransparent(true);
        }
        return;
    }
    TPersistent::AssignTo(Dest);
}

// ---------------------------------------------------------------------------
// TGIFImage

TGIFImage::TGIFImage() : FData(std::make_shared<TGIFData>()) {
    SetTransparent(true);
    SetModified(false);
}

TGIFImage::~TGIFImage() = default;

std::unique_ptr<TGraphic> TGIFImage::NewInstance() const { return std::make_unique<TGIFImage>(); }

void TGIFImage::Clear() {
    FFrames.clear();
    FData = std::make_shared<TGIFData>();
    FCurrent = -1;
    FScreenWidth = FScreenHeight = 0;
    BackgroundColor = clNone;
    Looping = false;
    RepeatCount = 1;
    Version = 0;
}

TGIFFrame* TGIFImage::CurrentFrame() const {
    if (FCurrent < 0 || FCurrent >= FrameCount()) return nullptr;
    return FFrames[std::size_t(FCurrent)].get();
}

void TGIFImage::Grow(const TGIFFrame& Frame) {
    FScreenWidth = Word(std::clamp<Integer>(std::max<Integer>(FScreenWidth, Frame.Left + Frame.Width()), 0, 0xFFFF));
    FScreenHeight = Word(std::clamp<Integer>(std::max<Integer>(FScreenHeight, Frame.Top + Frame.Height()), 0, 0xFFFF));
}

void TGIFImage::LoadFromStream(TStream* Stream) {
    const std::vector<Byte> bytes = byte_fields::RestOfStream(Stream);
    TGIFImage loaded;
    ReadGIF(loaded, bytes);
    Clear();
    FData = loaded.FData;
    FFrames = std::move(loaded.FFrames);
    for (auto& f : FFrames) f->FOwner = this;
    FCurrent = loaded.FCurrent;
    FScreenWidth = loaded.FScreenWidth;
    FScreenHeight = loaded.FScreenHeight;
    BackgroundColor = loaded.BackgroundColor;
    Looping = loaded.Looping;
    RepeatCount = loaded.RepeatCount;
    Version = loaded.Version;
    if (!FFrames.empty()) {
        auto drop = ScopeFail([&] {
            FFrames.erase(FFrames.begin());
            FCurrent = FFrames.empty() ? -1 : 0;
        });
        FFrames.front()->Bitmap();
    }
    Changed(this);
}

void TGIFImage::SaveToStream(TStream* Stream) {
    const std::vector<Byte> bytes = WriteGIF(*this);
    Stream->WriteBuffer(bytes.data(), LongInt(bytes.size()));
}

void TGIFImage::ReadData(TStream* Stream) {
    Cardinal length = 0;
    Stream->ReadBuffer(&length, 4);
    if (Int64(length) > Stream->Size() - Stream->Position()) Fail("Stream read error");
    TMemoryStream gif;
    gif.CopyFrom(Stream, length);
    gif.SetPosition(0);
    LoadFromStream(&gif);
}

void TGIFImage::WriteData(TStream* Stream) {
    std::vector<Byte> out;
    const std::vector<Byte> bytes = WriteGIF(*this);
    PutLength(out, bytes.size());
    out.insert(out.end(), bytes.begin(), bytes.end());
    Stream->WriteBuffer(out.data(), LongInt(out.size()));
}

void TGIFImage::DefineProperties(TFiler* Filer) {
    Filer->DefineBinaryProperty(
        "Data", [this](TStream& Stream) { ReadData(&Stream); }, [this](TStream& Stream) { WriteData(&Stream); },
        !FFrames.empty());
}

void TGIFImage::LoadFromClipboardFormat(const AnsiString& Format, const std::vector<Byte>& Data) {
    if (Format != ClipboardFormatName) TGraphic::LoadFromClipboardFormat(Format, Data);
    TMemoryStream stream;
    if (!Data.empty()) stream.WriteBuffer(Data.data(), LongInt(Data.size()));
    stream.SetPosition(0);
    ReadData(&stream);
}

void TGIFImage::SaveToClipboardFormat(AnsiString& Format, std::vector<Byte>& Data) {
    TMemoryStream stream;
    WriteData(&stream);
    const Byte* p = static_cast<const Byte*>(stream.Memory());
    Data.assign(p, p + stream.Size());
    Format = ClipboardFormatName;
}

TGIFFrame* TGIFImage::AddBitmap(TBitmap* Bitmap) {
    auto frame = std::make_unique<TGIFFrame>(this);
    frame->Assign(Bitmap);
    FFrames.push_back(std::move(frame));
    FCurrent = FrameCount() - 1;
    Grow(*FFrames.back());
    if (Version == 0) Version = 1;
    if (FrameCount() > 1) Version = 2;
    Changed(this);
    return FFrames.back().get();
}

void TGIFImage::AssignCursor(TAnimatedCursorImage* Cursor) {
    Clear();
    BackgroundColor = ColorToRGB(clWindow);
    for (int i = 0; i < Cursor->Count(); ++i) {
        auto frame = std::make_unique<TGIFFrame>(this);
        frame->Assign(Cursor->IconAt(i));
        frame->Delay = Integer(Int64(Cursor->FrameAt(i)->Rate) * 100 / 6);
        Grow(*frame);
        FFrames.push_back(std::move(frame));
    }
    FCurrent = FFrames.empty() ? -1 : 0;
    Version = FrameCount() > 1 ? 2 : FrameCount() == 1 ? 1 : 0;
}

void TGIFImage::Assign(TPersistent* Source) {
    if (Source == this) return;
    if (Source == nullptr) {
        Clear();
    } else if (auto* gif = dynamic_cast<TGIFImage*>(Source)) {
        Clear();
        FData = gif->FData;
        for (const auto& f : gif->FFrames) {
            FFrames.push_back(std::make_unique<TGIFFrame>(this));
            FFrames.back()->Assign(f.get());
        }
        FScreenWidth = gif->FScreenWidth;
        FScreenHeight = gif->FScreenHeight;
        FCurrent = gif->FCurrent;
        BackgroundColor = gif->BackgroundColor;
        Looping = gif->Looping;
        RepeatCount = gif->RepeatCount;
        Version = gif->Version;
    } else if (auto* frame = dynamic_cast<TGIFFrame*>(Source)) {
        Clear();
        auto data = std::make_shared<TGIFData>();
        if (frame->Owner()) {
            const TGIFData& from = *frame->Owner()->FData;
            data->AspectRatio = from.AspectRatio;
            data->BitsPerPixel = from.BitsPerPixel;
            data->ColorResBits = from.ColorResBits;
            data->ColorTable = from.ColorTable;
        }
        FData = std::move(data);
        FFrames.push_back(std::make_unique<TGIFFrame>(this));
        FFrames.back()->Assign(frame);
        Grow(*FFrames.back());
        FCurrent = 0;
        Version = 1;
    } else if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
        Clear();
        AddBitmap(bitmap);
        return;
    } else if (auto* cursor = dynamic_cast<TAnimatedCursorImage*>(Source)) {
        AssignCursor(cursor);
    } else {
        TGraphic::Assign(Source);
        return;
    }
    Changed(this);
}

void TGIFImage::AssignTo(TPersistent* Dest) {
    if (auto* gif = dynamic_cast<TGIFImage*>(Dest)) {
        gif->Assign(this);
        return;
    }
    if (auto* graphic = dynamic_cast<TGraphic*>(Dest)) {
        TGIFFrame* frame = CurrentFrame();
        if (frame == nullptr && FrameCount() > 0) frame = Frames(0);
        if (frame) graphic->Assign(frame);
        else graphic->Assign(nullptr);
        return;
    }
    TGraphic::AssignTo(Dest);
}

void TGIFImage::Draw(TCanvas& ACanvas, const TRect& Rect) {
    TGIFFrame* frame = CurrentFrame();
    TBitmap* bitmap = frame ? frame->Bitmap() : nullptr;
    if (bitmap == nullptr || bitmap->Empty()) return;
    if (Transparent() && frame->TransparentColor != clNone)
        StretchBitmapRectTransparent(&ACanvas, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(),
                                     ::Rect(0, 0, bitmap->Width(), bitmap->Height()), bitmap, frame->TransparentColor);
    else
        ACanvas.StretchDraw(Rect, bitmap);
}

Integer TGIFImage::Width() const {
    const TGIFFrame* frame = CurrentFrame();
    return frame ? frame->Width() : 0;
}

Integer TGIFImage::Height() const {
    const TGIFFrame* frame = CurrentFrame();
    return frame ? frame->Height() : 0;
}

void TGIFImage::SetWidth(Integer) { Fail("Cannot change the Size of a GIF image"); }
void TGIFImage::SetHeight(Integer) { Fail("Cannot change the Size of a GIF image"); }

bool TGIFImage::Empty() const {
    const TGIFFrame* frame = CurrentFrame();
    return frame == nullptr || (!frame->HasBitmap() && (!frame->Item() || frame->Item()->Encoded.empty()));
}

bool TGIFImage::Transparent() const {
    if (!TGraphic::Transparent()) return false;
    return std::any_of(FFrames.begin(), FFrames.end(), [](const auto& f) { return f->TransparentColor != clNone; });
}

HPALETTE TGIFImage::Palette() {
    TGIFFrame* frame = CurrentFrame();
    TBitmap* bitmap = frame ? frame->Bitmap() : nullptr;
    return bitmap ? bitmap->Palette() : nullptr;
}

// ---------------------------------------------------------------------------

void RegisterGIFImage() {
    UnregisterGIFImage();
    const auto make = [] { return std::unique_ptr<TGraphic>(new TGIFImage); };
    TPicture::RegisterFileFormat("gif", "CompuServe GIF Image", "VmGIF::TGIFImage", make);
    TPicture::RegisterClipboardFormat(ClipboardFormatName, "VmGIF::TGIFImage", make);
}

void UnregisterGIFImage() { TPicture::UnregisterGraphicClass("VmGIF::TGIFImage"); }

}  // namespace VmGIF
