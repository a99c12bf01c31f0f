#include "media/GIFImage.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "media/GIFStreamIO.h"
#include "platform/gfx/Canvas.h"

namespace GIFImage {

using namespace io;

// ---------------------------------------------------------------------------
// TGIFItem

void TGIFItem::ReportWarning(TGIFSeverity Severity, const AnsiString& Message) {
    if (FImage) FImage->Warning(this, Severity, Message);
}

void TGIFItem::SaveFile(const AnsiString& FileName) {
    TMemoryStream m;
    SaveToStream(&m);
    m.SaveToFile(FileName);
}

void TGIFItem::LoadFile(const AnsiString& FileName) {
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&f);
}

// ---------------------------------------------------------------------------
// TGIFColorMap

void TGIFColorMap::ReportWarning(TGIFSeverity, const AnsiString&) {}

int TGIFColorMap::BitsPerPixel() const {
    int b = 1;
    while ((1 << b) < FCount) ++b;
    return b;
}

void TGIFColorMap::Grow(int count) {
    if (count <= FCapacity) return;
    FCapacity = count <= 16 ? 16 : std::min(256, (count + 31) / 32 * 32);
}

TColor TGIFColorMap::Colors(int Index) {
    if (Index < 0 || Index >= FCount) {
        ReportWarning(gsWarning, "Invalid color index");
        if (FCount == 0) throw GIFException("Color table is empty");
        Index = 0;
    }
    const TGIFColor& c = FEntries[std::size_t(Index)];
    return RGB(c.Red, c.Green, c.Blue);
}

void TGIFColorMap::SetColors(int Index, TColor Value) {
    if (Index < 0 || Index >= FCount) throw GIFException("Invalid color index");
    const TColor c = ColorToRGB(Value);
    FEntries[std::size_t(Index)] = TGIFColor{GetRValue(c), GetGValue(c), GetBValue(c)};
    NotifyChanged();
}

int TGIFColorMap::IndexOf(TColor Color) const {
    const TColor c = ColorToRGB(Color);
    const TGIFColor want{GetRValue(c), GetGValue(c), GetBValue(c)};
    if (FOptimized) {
        for (int i = 0; i < FCount; ++i)
            if (FEntries[std::size_t(i)] == want) return i;
    } else {
        for (int i = FCount - 1; i >= 0; --i)
            if (FEntries[std::size_t(i)] == want) return i;
    }
    return -1;
}

int TGIFColorMap::Add(TColor Color) {
    if (FCount >= 256) throw GIFException("Color table overflow");
    Grow(FCount + 1);
    const TColor c = ColorToRGB(Color);
    FEntries[std::size_t(FCount)] = TGIFColor{GetRValue(c), GetGValue(c), GetBValue(c)};
    FOptimized = false;
    NotifyChanged();
    return FCount++;
}

int TGIFColorMap::AddUnique(TColor Color) {
    const int i = IndexOf(Color);
    return i >= 0 ? i : Add(Color);
}

void TGIFColorMap::Delete(int Index) {
    if (Index < 0 || Index >= FCount) throw GIFException("Invalid color index");
    std::copy(FEntries.begin() + Index + 1, FEntries.begin() + FCount, FEntries.begin() + Index);
    --FCount;
    NotifyChanged();
}

void TGIFColorMap::Clear() {
    FCount = 0;
    FCapacity = 0;
    FOptimized = false;
    NotifyChanged();
}

void TGIFColorMap::ImportPalette(HPALETTE Palette) {
    Clear();
    const int n = std::min(PaletteEntryCount(Palette), 256);
    Grow(n);
    for (int i = 0; i < n; ++i) {
        const TPaletteEntry& e = Palette->Entries[std::size_t(i)];
        FEntries[std::size_t(i)] = TGIFColor{e.peRed, e.peGreen, e.peBlue};
    }
    FCount = n;
    NotifyChanged();
}

void TGIFColorMap::ImportColorTable(const TRGBQuad* Table, int Count) {
    Clear();
    Count = std::clamp(Count, 0, 256);
    Grow(Count);
    for (int i = 0; i < Count; ++i) FEntries[std::size_t(i)] = TGIFColor{Table[i].rgbRed, Table[i].rgbGreen, Table[i].rgbBlue};
    FCount = Count;
    NotifyChanged();
}

HPALETTE TGIFColorMap::ExportPalette() const {
    if (FCount == 0) return nullptr;
    std::vector<TPaletteEntry> e(static_cast<std::size_t>(FCount));
    for (int i = 0; i < FCount; ++i) {
        const TGIFColor& c = FEntries[std::size_t(i)];
        e[std::size_t(i)] = TPaletteEntry{c.Red, c.Green, c.Blue, PC_NOCOLLAPSE};
    }
    return CreatePalette(e);
}

void TGIFColorMap::LoadFromStream(TStream* Stream, int Count) {
    if (Count < 0 || Count > 256) throw GIFException("Invalid number of colors: " + Num(Count));
    Byte raw[768];
    ReadExact(Stream, raw, Count * 3);
    Grow(Count);
    for (int i = 0; i < Count; ++i) FEntries[std::size_t(i)] = TGIFColor{raw[3 * i], raw[3 * i + 1], raw[3 * i + 2]};
    FCount = Count;
    FOptimized = false;
    NotifyChanged();
}

void TGIFColorMap::SaveToStream(TStream* Stream) const {
    Byte raw[768] = {};
    for (int i = 0; i < FCount; ++i) {
        raw[3 * i] = FEntries[std::size_t(i)].Red;
        raw[3 * i + 1] = FEntries[std::size_t(i)].Green;
        raw[3 * i + 2] = FEntries[std::size_t(i)].Blue;
    }
    Stream->WriteBuffer(raw, 3 * (1 << BitsPerPixel()));
}

void TGIFColorMap::Assign(TPersistent* Source) {
    if (auto* m = dynamic_cast<TGIFColorMap*>(Source)) {
        FEntries = m->FEntries;
        FCount = m->FCount;
        FCapacity = m->FCapacity;
        FOptimized = m->FOptimized;
        NotifyChanged();
        return;
    }
    TPersistent::Assign(Source);
}

std::vector<Int64> TGIFColorMap::BuildUseHistogram() const {
    std::vector<Int64> counts(256, 0);
    for (TGIFSubImage* frame : UsingFrames())
        for (Byte p : frame->Data()) ++counts[p];
    return counts;
}

void TGIFColorMap::RemapIndices(const std::vector<int>& Map) {
    for (TGIFSubImage* frame : UsingFrames()) {
        for (Byte& p : frame->Data())
            if (p < Map.size()) p = Byte(Map[p]);
        if (auto* gce = frame->GraphicControlExtension()) {
            const Byte t = gce->TransparentColorIndex();
            if (t < Map.size()) gce->SetTransparentColorIndex(Byte(Map[t]));
        }
    }
}

bool TGIFColorMap::SortByUse() {
    if (FCount < 2) return false;
    FOptimized = true;
    const std::vector<Int64> counts = BuildUseHistogram();
    std::vector<std::pair<Int64, int>> order;
    for (int i = 0; i < FCount; ++i) order.emplace_back(counts[std::size_t(i)], i);
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    bool changed = false;
    for (int i = 0; i < FCount; ++i) changed |= order[std::size_t(i)].second != i;
    if (!changed) return true;
    std::vector<int> map(256);
    for (int i = 0; i < 256; ++i) map[std::size_t(i)] = i;
    for (int i = 0; i < FCount; ++i) map[std::size_t(order[std::size_t(i)].second)] = i;
    RemapIndices(map);
    std::array<TGIFColor, 256> sorted{};
    int used = FCount;
    for (int i = 0; i < FCount; ++i) {
        sorted[std::size_t(i)] = FEntries[std::size_t(order[std::size_t(i)].second)];
        if (order[std::size_t(i)].first == 0 && used == FCount) used = i;
    }
    FEntries = sorted;
    FCount = used;
    NotifyChanged();
    return true;
}

void TGIFGlobalColorMap::ReportWarning(TGIFSeverity Severity, const AnsiString& Message) {
    if (FHeader) FHeader->ReportWarning(Severity, Message);
}
void TGIFGlobalColorMap::NotifyChanged() {
    if (FHeader && FHeader->Image()) FHeader->Image()->PaletteModified();
}
std::vector<TGIFSubImage*> TGIFGlobalColorMap::UsingFrames() const {
    std::vector<TGIFSubImage*> frames;
    if (FHeader && FHeader->Image())
        for (const auto& f : FHeader->Image()->Images())
            if (&f->ActiveColorMap() == this) frames.push_back(f.get());
    return frames;
}

void TGIFLocalColorMap::ReportWarning(TGIFSeverity Severity, const AnsiString& Message) {
    if (FSubImage) FSubImage->ReportWarning(Severity, Message);
}
void TGIFLocalColorMap::NotifyChanged() {
    if (FSubImage && FSubImage->Image()) FSubImage->Image()->PaletteModified();
    else if (FSubImage) FSubImage->FreeBitmap();
}
std::vector<TGIFSubImage*> TGIFLocalColorMap::UsingFrames() const {
    if (FSubImage) return {FSubImage};
    return {};
}

// ---------------------------------------------------------------------------
// TGIFHeader

TGIFHeader::TGIFHeader(TGIFImage* AImage) : TGIFItem(AImage), FColorMap(std::make_unique<TGIFGlobalColorMap>(this)) {}
TGIFHeader::~TGIFHeader() = default;

void TGIFHeader::Clear() {
    FDescriptor = TLogicalScreenDescriptor{};
    FColorMap->Clear();
}

void TGIFHeader::Assign(TPersistent* Source) {
    if (auto* h = dynamic_cast<TGIFHeader*>(Source)) {
        FDescriptor = h->FDescriptor;
        FColorMap->Assign(h->FColorMap.get());
        return;
    }
    TGIFItem::Assign(Source);
}

void TGIFHeader::LoadFromStream(TStream* Stream) {
    Byte raw[7];
    ReadExact(Stream, raw, 7);
    FDescriptor.ScreenWidth = GetWord(raw);
    FDescriptor.ScreenHeight = GetWord(raw + 2);
    FDescriptor.PackedFields = raw[4];
    FDescriptor.BackgroundColorIndex = raw[5];
    FDescriptor.AspectRatio = raw[6];
    if (FDescriptor.PackedFields & 0x80) {
        const int n = 2 << (FDescriptor.PackedFields & 7);
        if (n < 2 || n > 256) throw GIFException("Invalid number of colors specified in Screen Descriptor");
        FColorMap->LoadFromStream(Stream, n);
    } else {
        FColorMap->Clear();
    }
}

// ---------------------------------------------------------------------------
// TGIFSubImage

TGIFSubImage::TGIFSubImage(TGIFImage* AImage)
    : TGIFItem(AImage), FLocalPalette(std::make_unique<TGIFLocalColorMap>(this)) {}

TGIFSubImage::~TGIFSubImage() {
    FExtensions.Clear();
    FGCE = nullptr;
}

void TGIFSubImage::Clear() {
    FExtensions.Clear();
    FGCE = nullptr;
    FLocalPalette->Clear();
    FData.clear();
    FDescriptor = TImageDescriptor{};
    FTransparent = false;
    FreeBitmap();
}

TGIFVersion TGIFSubImage::FormatVersion() const {
    return (FLocalPalette->Optimized() && FLocalPalette->Count() > 0) || FExtensions.Count() > 0 ? gv89a : gv87a;
}

void TGIFSubImage::SetSize(Integer AWidth, Integer AHeight) {
    if (AWidth < 0 || AHeight < 0 || AWidth > 0xFFFF || AHeight > 0xFFFF)
        throw GIFException("Invalid image dimensions");
    FDescriptor.Width = Word(AWidth);
    FDescriptor.Height = Word(AHeight);
    FData.assign(std::size_t(AWidth) * std::size_t(AHeight), 0);
    FreeBitmap();
}

void TGIFSubImage::SetInterlaced(bool Value) {
    FDescriptor.PackedFields = Byte(Value ? FDescriptor.PackedFields | 0x40 : FDescriptor.PackedFields & ~0x40);
}

bool TGIFSubImage::Empty() const { return FData.empty() || Width() == 0 || Height() == 0; }

TGIFColorMap& TGIFSubImage::ActiveColorMap() {
    if (FLocalPalette->Count() > 0) return *FLocalPalette;
    if (FImage && FImage->GlobalColorMap().Count() > 0) return FImage->GlobalColorMap();
    return *FLocalPalette;
}

Byte* TGIFSubImage::ScanLine(Integer Row) {
    if (Row < 0 || Row >= Height() || FData.empty()) throw EInvalidGraphicOperation("Scan line index out of range");
    return FData.data() + std::size_t(Row) * Width();
}

void TGIFSubImage::Assign(TPersistent* Source) {
    if (auto* f = dynamic_cast<TGIFSubImage*>(Source)) {
        if (f == this) return;
        Clear();
        FDescriptor = f->FDescriptor;
        FTransparent = f->FTransparent;
        FData = f->FData;
        FLocalPalette->Assign(f->FLocalPalette.get());
        // Extensions are copied through their file form.
        TMemoryStream m;
        for (const auto& e : f->FExtensions) e->SaveToStream(&m);
        m.SetPosition(0);
        for (const auto& e : f->FExtensions) {
            auto copy = e->ExtensionClass().Create(this);
            copy->LoadFromStream(&m);
            FExtensions.Add(std::move(copy));
        }
        return;
    }
    if (AssignGraphic(Source)) return;
    TGIFItem::Assign(Source);
}

void TGIFSubImage::LoadFromStream(TStream* Stream) {
    // The extensions that precede the image.
    int b;
    while (ReadByte(Stream, b)) {
        if (b == 0x2C || b == 0x3B) {
            PutBack(Stream);
            break;
        }
        if (b != 0x21) {
            ReportWarning(gsWarning, "Invalid extension introducer");
            PutBack(Stream);
            break;
        }
        int label;
        if (!ReadByte(Stream, label)) break;
        const TGIFExtensionClass* cls = FindExtension(Byte(label));
        if (cls == nullptr) throw GIFException("Unknown extension type");
        const Int64 afterLabel = Stream->Position();
        for (int guard = 0; guard < 8; ++guard) {
            const TGIFExtensionClass* next = cls->PickSubclass(Stream);
            Stream->SetPosition(afterLabel);
            if (next == cls || next == nullptr) break;
            cls = next;
        }
        Stream->SetPosition(afterLabel - 2);
        std::unique_ptr<TGIFExtension> ext = cls->Create(this);
        ext->LoadFromStream(Stream);
        FExtensions.Add(std::move(ext));
    }
    if (!ReadByte(Stream, b)) return;
    PutBack(Stream);
    if (b == 0x3B || b == 0) return;  // extensions only

    Byte raw[10];
    ReadExact(Stream, raw, 10);
    FDescriptor.Separator = raw[0];
    FDescriptor.Left = GetWord(raw + 1);
    FDescriptor.Top = GetWord(raw + 3);
    FDescriptor.Width = GetWord(raw + 5);
    FDescriptor.Height = GetWord(raw + 7);
    FDescriptor.PackedFields = raw[9];
    if (FDescriptor.Width == 0 || FDescriptor.Height == 0) {
        if (FImage) {
            FDescriptor.Width = Word(FImage->Width());
            FDescriptor.Height = Word(FImage->Height());
        }
        ReportWarning(gsWarning, "Image exceeds Logical Screen size");
    }
    if (FDescriptor.PackedFields & 0x80) {
        const int n = 2 << (FDescriptor.PackedFields & 7);
        if (n < 2 || n > 256) throw GIFException("Invalid number of colors specified in Image Descriptor");
        FLocalPalette->LoadFromStream(Stream, n);
    } else {
        FLocalPalette->Clear();
    }
    Decompress(Stream);
}

void TGIFSubImage::Decompress(TStream* Stream) {
    const Int64 pixels = Int64(Width()) * Height();
    if (pixels > TGIFImage::MaxFramePixels)
        throw GIFException("Image of " + Num(Width()) + " x " + Num(Height()) + " pixels exceeds the limit of " +
                           Num(TGIFImage::MaxFramePixels) + " pixels");
    if (FImage) {
        if (FImage->DecodedPixels + pixels > TGIFImage::MaxTotalPixels)
            throw GIFException("Frames of more than " + Num(TGIFImage::MaxTotalPixels) + " pixels in total");
        FImage->DecodedPixels += pixels;
    }
    const Byte fill = (FTransparent && FGCE) ? FGCE->TransparentColorIndex() : 0;
    FData.assign(std::size_t(pixels), fill);
    DecodeLZW(Stream, this, FData, Width(), Height(), Interlaced());
}

std::unique_ptr<TBitmap> TGIFSubImage::MakeBitmap() {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(pf8bit);
    TGIFColorMap& map = ActiveColorMap();
    std::vector<TRGBQuad> table(std::size_t(std::max(map.Count(), 1)));
    for (int i = 0; i < map.Count(); ++i)
        table[std::size_t(i)] = TRGBQuad{map.Entry(i).Blue, map.Entry(i).Green, map.Entry(i).Red, 0};
    bmp->SetColorTable(table);
    bmp->SetSize(Width(), Height());
    if (!Empty())
        for (Integer y = 0; y < Height(); ++y) std::memcpy(bmp->ScanLine(y), FData.data() + std::size_t(y) * Width(), std::size_t(Width()));
    return bmp;
}

void TGIFTrailer::SaveToStream(TStream* Stream) { WriteByte(Stream, 0x3B); }

void TGIFTrailer::LoadFromStream(TStream* Stream) {
    int b;
    if (ReadByte(Stream, b) && b != 0x3B) ReportWarning(gsWarning, "Invalid Image trailer");
}

// ---------------------------------------------------------------------------
// TGIFImage

Int64 TGIFImage::MaxFramePixels = Int64(1) << 26;
Int64 TGIFImage::MaxTotalPixels = Int64(1) << 28;

TGIFImage::TGIFImage() : FHeader(std::make_unique<TGIFHeader>(this)) {}
TGIFImage::~TGIFImage() { FImages.Clear(); }

std::unique_ptr<TGraphic> TGIFImage::NewInstance() const { return std::make_unique<TGIFImage>(); }

void TGIFImage::Clear() {
    FreeCaches();
    FImages.Clear();
    FHeader->Clear();
    DecodedPixels = 0;
}

void TGIFImage::Warning(TObject* Sender, TGIFSeverity Severity, const AnsiString& Message) {
    FireEvent(OnWarning, Sender, Severity, Message);
}

void TGIFImage::SetWidth(Integer Value) {
    for (const auto& f : FImages)
        if (f->Left() + f->Width() > Value) throw GIFException("Image width too small for contained frames");
    FHeader->SetWidth(Value);
    Changed(this);
}

void TGIFImage::SetHeight(Integer Value) {
    for (const auto& f : FImages)
        if (f->Top() + f->Height() > Value) throw GIFException("Image height too small for contained frames");
    FHeader->SetHeight(Value);
    Changed(this);
}

int TGIFImage::BitsPerPixel() {
    int bits = FHeader->ColorMap().Count() > 0 ? FHeader->ColorMap().BitsPerPixel() : 1;
    for (const auto& f : FImages) bits = std::max(bits, f->ActiveColorMap().BitsPerPixel());
    return bits;
}

TGIFVersion TGIFImage::Version() const {
    TGIFVersion v = gvUnknown;
    for (const auto& f : FImages) {
        v = std::max(v, f->FormatVersion());
        if (v == gv89a) break;
    }
    return v;
}

void TGIFImage::LoadFromStream(TStream* Stream) {
    Progress(this, psStarting, 0, false, TRect{}, "Loading...");
    Clear();
    const Int64 start = Stream->Position();
    try {
        auto isGif = [](const Byte* s, LongInt n) {
            return n == 6 && std::toupper(s[0]) == 'G' && std::toupper(s[1]) == 'I' && std::toupper(s[2]) == 'F';
        };
        Byte sig[6];
        if (!isGif(sig, Stream->Read(sig, 6))) {
            // Form resources carry a 32-bit length in front of the GIF data.
            Stream->SetPosition(start + 4);
            if (!isGif(sig, Stream->Read(sig, 6))) throw GIFException("Invalid GIF signature");
        }
        FHeader->LoadFromStream(Stream);
        const Int64 size = std::max<Int64>(1, Stream->Size());
        int b;
        for (;;) {
            bool eof = false;
            do {
                if (!ReadByte(Stream, b)) eof = true;
            } while (!eof && b == 0);
            if (eof) break;
            PutBack(Stream);
            if (b == 0x3B) break;
            if (b != 0x21 && b != 0x2C) {
                Warning(this, gsWarning, "Unknown GIF block type");
                break;
            }
            auto frame = std::make_unique<TGIFSubImage>(this);
            frame->LoadFromStream(Stream);
            FImages.Add(std::move(frame));
            Progress(this, psRunning, Byte(std::clamp<Int64>(Stream->Position() * 100 / size, 0, 100)), false,
                     TRect{}, "Loading...");
        }
        TGIFTrailer trailer(this);
        trailer.LoadFromStream(Stream);
    } catch (...) {
        Stream->SetPosition(start);
        Progress(this, psEnding, 0, false, TRect{}, "Loading...");
        throw;
    }
    Progress(this, psEnding, 100, false, TRect{}, "Loading...");
    Changed(this);
}

}  // namespace GIFImage
