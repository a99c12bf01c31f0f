#include "media/GIFImage.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "platform/gfx/Canvas.h"

namespace GIFImage {

namespace {

AnsiString Num(Int64 v) { return std::to_string(v); }

bool ReadByte(TStream* s, int& b) {
    Byte c;
    if (s->Read(&c, 1) != 1) return false;
    b = c;
    return true;
}

void ReadExact(TStream* s, void* buffer, LongInt count) {
    if (count > 0 && s->Read(buffer, count) != count) throw GIFException("Premature end of data");
}

void WriteByte(TStream* s, Byte b) { s->WriteBuffer(&b, 1); }
void WriteWord(TStream* s, Word w) {
    const Byte b[2] = {Byte(w), Byte(w >> 8)};
    s->WriteBuffer(b, 2);
}
Word GetWord(const Byte* p) { return Word(p[0] | (p[1] << 8)); }

void PutBack(TStream* s) { s->Seek(-1, soFromCurrent); }

Int64 BytesLeft(TStream* s) { return std::max<Int64>(0, s->Size() - s->Position()); }

// Seeks forward at most to the end of the stream.
void Skip(TStream* s, Int64 n) {
    if (n > 0) s->Seek(std::min(n, BytesLeft(s)), soFromCurrent);
}

// Data sub-blocks as strings: one string per sub-block.
void ReadStrings(TStream* s, std::vector<AnsiString>& out) {
    out.clear();
    int size;
    while (ReadByte(s, size) && size != 0) {
        AnsiString block(static_cast<std::size_t>(size), 0);
        ReadExact(s, block.data(), size);
        out.push_back(std::move(block));
    }
}

void WriteStrings(TStream* s, const std::vector<AnsiString>& strings) {
    for (const AnsiString& str : strings) {
        std::size_t pos = 0;
        while (pos < str.size()) {
            const std::size_t n = std::min<std::size_t>(255, str.size() - pos);
            WriteByte(s, Byte(n));
            s->WriteBuffer(str.data() + pos, LongInt(n));
            pos += n;
        }
    }
    WriteByte(s, 0);
}

}  // namespace

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
void TGIFLocalColorMap::NotifyChanged() {}
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
// Extensions

namespace {

struct AppEntry {
    TGIFApplicationRec Ident;
    const TGIFExtensionClass* Class;
};

const TGIFExtensionClass* PickSelfText(TStream*) { return &TGIFTextExtension::StaticClass(); }
const TGIFExtensionClass* PickSelfGCE(TStream*) { return &TGIFGraphicControlExtension::StaticClass(); }
const TGIFExtensionClass* PickSelfComment(TStream*) { return &TGIFCommentExtension::StaticClass(); }
const TGIFExtensionClass* PickSelfUnknown(TStream*) { return &TGIFUnknownAppExtension::StaticClass(); }
const TGIFExtensionClass* PickSelfLoop(TStream*) { return &TGIFAppExtNSLoop::StaticClass(); }

// The application class looks at the identifier block to find its reader.
const TGIFExtensionClass* PickApplication(TStream* s) {
    const TGIFExtensionClass* self = &TGIFApplicationExtension::StaticClass();
    int size;
    if (!ReadByte(s, size)) return self;
    if (size == 10) return BytesLeft(s) >= 10 ? &TGIFUnknownAppExtension::StaticClass() : self;
    TGIFApplicationRec ident{};
    if (size < 11 || BytesLeft(s) < 11) return self;
    ReadExact(s, ident.data(), 11);
    // Identifier blocks longer than 11 bytes have no reader of their own:
    // they are kept verbatim as unknown application data.
    if (size > 11) return &TGIFUnknownAppExtension::StaticClass();
    const TGIFExtensionClass* found = FindAppExtension(ident);
    return found ? found : &TGIFUnknownAppExtension::StaticClass();
}

template <class T>
std::unique_ptr<TGIFExtension> Make(TGIFSubImage* frame) {
    return std::make_unique<T>(frame);
}

std::vector<const TGIFExtensionClass*>& ExtensionRegistry() {
    static std::vector<const TGIFExtensionClass*> list{
        &TGIFTextExtension::StaticClass(), &TGIFGraphicControlExtension::StaticClass(),
        &TGIFCommentExtension::StaticClass(), &TGIFApplicationExtension::StaticClass()};
    return list;
}

TGIFApplicationRec MakeIdent(const AnsiString& s) {
    TGIFApplicationRec r{};
    std::memcpy(r.data(), s.data(), std::min<std::size_t>(11, s.size()));
    return r;
}

std::vector<AppEntry>& AppRegistry() {
    static std::vector<AppEntry> list{{MakeIdent("NETSCAPE2.0"), &TGIFAppExtNSLoop::StaticClass()},
                                      {MakeIdent("ANIMEXTS1.0"), &TGIFAppExtNSLoop::StaticClass()}};
    return list;
}

}  // namespace

void RegisterExtension(const TGIFExtensionClass& Class) { ExtensionRegistry().push_back(&Class); }
void RegisterAppExtension(const AnsiString& Identifier, const TGIFExtensionClass& Class) {
    AppRegistry().push_back({MakeIdent(Identifier), &Class});
}
const TGIFExtensionClass* FindExtension(Byte Label) {
    auto& list = ExtensionRegistry();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if ((*it)->Label == Label) return *it;
    return nullptr;
}
const TGIFExtensionClass* FindAppExtension(const TGIFApplicationRec& Identifier) {
    auto& list = AppRegistry();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (it->Ident == Identifier) return it->Class;
    return nullptr;
}

TGIFExtension::TGIFExtension(TGIFSubImage* ASubImage)
    : TGIFItem(ASubImage ? ASubImage->Image() : nullptr), FSubImage(ASubImage) {}
TGIFExtension::~TGIFExtension() = default;

void TGIFExtension::LoadFromStream(TStream* Stream) {
    Byte intro[2];
    ReadExact(Stream, intro, 2);
    if (intro[0] != 0x21) throw GIFException("Invalid extension introducer");
    if (intro[1] != ExtensionLabel())
        throw GIFException("Internal error: Extension Instance does not match Extension Label");
    LoadData(Stream);
}

void TGIFExtension::SaveToStream(TStream* Stream) {
    WriteByte(Stream, 0x21);
    WriteByte(Stream, ExtensionLabel());
    SaveData(Stream);
}

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* ASubImage) : TGIFExtension(ASubImage) {
    if (FSubImage && FSubImage->GraphicControlExtension() == nullptr) FSubImage->SetGraphicControlExtension(this);
}
TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
    if (FSubImage && FSubImage->GraphicControlExtension() == this) FSubImage->SetGraphicControlExtension(nullptr);
}
const TGIFExtensionClass& TGIFGraphicControlExtension::StaticClass() {
    static const TGIFExtensionClass c{"TGIFGraphicControlExtension", 0xF9, PickSelfGCE,
                                      Make<TGIFGraphicControlExtension>};
    return c;
}
void TGIFGraphicControlExtension::Assign(TPersistent* Source) {
    if (auto* g = dynamic_cast<TGIFGraphicControlExtension*>(Source)) {
        FBlock = g->FBlock;
        return;
    }
    TGIFExtension::Assign(Source);
}
void TGIFGraphicControlExtension::SetTransparent(bool Value) {
    FBlock.PackedFields = Byte(Value ? FBlock.PackedFields | 1 : FBlock.PackedFields & ~1);
}
void TGIFGraphicControlExtension::SetUserInput(bool Value) {
    FBlock.PackedFields = Byte(Value ? FBlock.PackedFields | 2 : FBlock.PackedFields & ~2);
}
void TGIFGraphicControlExtension::SetDisposal(int Value) {
    FBlock.PackedFields = Byte((FBlock.PackedFields & ~0x1C) | ((Value & 7) << 2));
}
void TGIFGraphicControlExtension::LoadData(TStream* Stream) {
    Byte raw[6] = {4, 0, 0, 0, 0, 0};
    const LongInt n = Stream->Read(raw, 6);
    if (n < 6) ReportWarning(gsWarning, "Premature end of data");
    FBlock.BlockSize = raw[0];
    FBlock.PackedFields = raw[1];
    FBlock.DelayTime = GetWord(raw + 2);
    FBlock.TransparentColorIndex = raw[4];
    FBlock.Terminator = raw[5];
    if (FBlock.PackedFields & 1 && FSubImage) FSubImage->SetTransparent(true);
}
void TGIFGraphicControlExtension::SaveData(TStream* Stream) {
    WriteByte(Stream, FBlock.BlockSize);
    WriteByte(Stream, FBlock.PackedFields);
    WriteWord(Stream, FBlock.DelayTime);
    WriteByte(Stream, FBlock.TransparentColorIndex);
    WriteByte(Stream, FBlock.Terminator);
}

const TGIFExtensionClass& TGIFTextExtension::StaticClass() {
    static const TGIFExtensionClass c{"TGIFTextExtension", 0x01, PickSelfText, Make<TGIFTextExtension>};
    return c;
}
void TGIFTextExtension::Assign(TPersistent* Source) {
    if (auto* t = dynamic_cast<TGIFTextExtension*>(Source)) {
        FBlock = t->FBlock;
        FText = t->FText;
        return;
    }
    TGIFExtension::Assign(Source);
}
void TGIFTextExtension::LoadData(TStream* Stream) {
    Byte raw[13];
    ReadExact(Stream, raw, 13);
    FBlock.BlockSize = raw[0];
    FBlock.Left = GetWord(raw + 1);
    FBlock.Top = GetWord(raw + 3);
    FBlock.Width = GetWord(raw + 5);
    FBlock.Height = GetWord(raw + 7);
    FBlock.CellWidth = raw[9];
    FBlock.CellHeight = raw[10];
    FBlock.TextFGColorIndex = raw[11];
    FBlock.TextBGColorIndex = raw[12];
    ReadStrings(Stream, FText);
}
void TGIFTextExtension::SaveData(TStream* Stream) {
    WriteByte(Stream, FBlock.BlockSize);
    WriteWord(Stream, FBlock.Left);
    WriteWord(Stream, FBlock.Top);
    WriteWord(Stream, FBlock.Width);
    WriteWord(Stream, FBlock.Height);
    WriteByte(Stream, FBlock.CellWidth);
    WriteByte(Stream, FBlock.CellHeight);
    WriteByte(Stream, FBlock.TextFGColorIndex);
    WriteByte(Stream, FBlock.TextBGColorIndex);
    WriteStrings(Stream, FText);
}

const TGIFExtensionClass& TGIFCommentExtension::StaticClass() {
    static const TGIFExtensionClass c{"TGIFCommentExtension", 0xFE, PickSelfComment, Make<TGIFCommentExtension>};
    return c;
}
void TGIFCommentExtension::Assign(TPersistent* Source) {
    if (auto* t = dynamic_cast<TGIFCommentExtension*>(Source)) {
        FComment = t->FComment;
        return;
    }
    TGIFExtension::Assign(Source);
}
void TGIFCommentExtension::LoadData(TStream* Stream) { ReadStrings(Stream, FComment); }
void TGIFCommentExtension::SaveData(TStream* Stream) { WriteStrings(Stream, FComment); }

const TGIFExtensionClass& TGIFApplicationExtension::StaticClass() {
    static const TGIFExtensionClass c{"TGIFApplicationExtension", 0xFF, PickApplication,
                                      Make<TGIFApplicationExtension>};
    return c;
}
void TGIFApplicationExtension::Assign(TPersistent* Source) {
    if (auto* a = dynamic_cast<TGIFApplicationExtension*>(Source)) {
        FIdent = a->FIdent;
        FIdentBlockSize = a->FIdentBlockSize;
        FIdentExtra = a->FIdentExtra;
        return;
    }
    TGIFExtension::Assign(Source);
}
void TGIFApplicationExtension::SetIdentifier(const AnsiString& Ident) {
    FIdent = MakeIdent(Ident);
    FIdentBlockSize = 11;
    FIdentExtra.clear();
}
void TGIFApplicationExtension::LoadData(TStream* Stream) {
    int size;
    if (!ReadByte(Stream, size)) throw GIFException("Premature end of data");
    FIdentExtra.clear();
    FIdentBlockSize = size;
    if (size == 10) {
        // A 10-byte identifier: the field's last byte is the byte after it.
        ReadExact(Stream, FIdent.data(), 11);
        PutBack(Stream);
    } else if (size < 11) {
        throw GIFException("Unsupported Application Extension block size");
    } else {
        ReadExact(Stream, FIdent.data(), 11);
        FIdentExtra.resize(std::size_t(size - 11));
        ReadExact(Stream, FIdentExtra.data(), size - 11);
    }
    ReadSubBlocks(Stream);
}
void TGIFApplicationExtension::SaveData(TStream* Stream) {
    if (FIdentBlockSize == 10) {
        WriteByte(Stream, 10);
        Stream->WriteBuffer(FIdent.data(), 10);
    } else {
        WriteByte(Stream, Byte(11 + FIdentExtra.size()));
        Stream->WriteBuffer(FIdent.data(), 11);
        if (!FIdentExtra.empty()) Stream->WriteBuffer(FIdentExtra.data(), LongInt(FIdentExtra.size()));
    }
    WriteSubBlocks(Stream);
}
void TGIFApplicationExtension::WriteSubBlocks(TStream* Stream) { WriteByte(Stream, 0); }
void TGIFApplicationExtension::ReadSubBlocks(TStream* Stream) {
    int size;
    while (ReadByte(Stream, size) && size != 0) Skip(Stream, size);
}

const TGIFExtensionClass& TGIFUnknownAppExtension::StaticClass() {
    static const TGIFExtensionClass c{"TGIFUnknownAppExtension", 0xFF, PickSelfUnknown,
                                      Make<TGIFUnknownAppExtension>};
    return c;
}
void TGIFUnknownAppExtension::Assign(TPersistent* Source) {
    if (auto* a = dynamic_cast<TGIFUnknownAppExtension*>(Source)) FBlocks = a->FBlocks;
    TGIFApplicationExtension::Assign(Source);
}
void TGIFUnknownAppExtension::ReadSubBlocks(TStream* Stream) {
    FBlocks.clear();
    int size;
    while (ReadByte(Stream, size) && size != 0) {
        std::vector<Byte> block(static_cast<std::size_t>(size));
        ReadExact(Stream, block.data(), size);
        FBlocks.push_back(std::move(block));
    }
}
void TGIFUnknownAppExtension::WriteSubBlocks(TStream* Stream) {
    for (const auto& b : FBlocks) {
        if (b.empty()) continue;
        const std::size_t n = std::min<std::size_t>(b.size(), 255);
        WriteByte(Stream, Byte(n));
        Stream->WriteBuffer(b.data(), LongInt(n));
    }
    WriteByte(Stream, 0);
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* ASubImage) : TGIFApplicationExtension(ASubImage) {
    FIdent = MakeIdent("NETSCAPE2.0");
}
const TGIFExtensionClass& TGIFAppExtNSLoop::StaticClass() {
    static const TGIFExtensionClass c{"TGIFAppExtNSLoop", 0xFF, PickSelfLoop, Make<TGIFAppExtNSLoop>};
    return c;
}
void TGIFAppExtNSLoop::Assign(TPersistent* Source) {
    if (auto* a = dynamic_cast<TGIFAppExtNSLoop*>(Source)) {
        FLoops = a->FLoops;
        FBufferSize = a->FBufferSize;
    }
    TGIFApplicationExtension::Assign(Source);
}
void TGIFAppExtNSLoop::ReadSubBlocks(TStream* Stream) {
    // The end of the stream ends the sub-blocks like a 0 size does.
    int size, id;
    while (ReadByte(Stream, size) && size != 0) {
        if (!ReadByte(Stream, id)) break;
        if ((id & 7) == 1) {
            if (size < 3) throw GIFException("Invalid GIF data");
            Byte raw[2];
            ReadExact(Stream, raw, 2);
            FLoops = GetWord(raw);
            Skip(Stream, size - 3);
        } else if ((id & 7) == 2) {
            if (size < 5) throw GIFException("Invalid GIF data");
            Byte raw[4];
            ReadExact(Stream, raw, 4);
            FBufferSize = Cardinal(raw[0]) | (Cardinal(raw[1]) << 8) | (Cardinal(raw[2]) << 16) | (Cardinal(raw[3]) << 24);
            Skip(Stream, size - 5);
        } else {
            Skip(Stream, size - 1);
        }
    }
}
void TGIFAppExtNSLoop::WriteSubBlocks(TStream* Stream) {
    WriteByte(Stream, 3);
    WriteByte(Stream, 1);
    WriteWord(Stream, FLoops);
    if (FBufferSize != 0) {
        WriteByte(Stream, 5);
        WriteByte(Stream, 2);
        WriteWord(Stream, Word(FBufferSize));
        WriteWord(Stream, Word(FBufferSize >> 16));
    }
    WriteByte(Stream, 0);
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
// LZW decoding

namespace {

class LzwDecoder {
public:
    LzwDecoder(TStream* s, TGIFItem* owner, int minCodeSize) : FStream(s), FOwner(owner), FMin(minCodeSize) {
        FClear = 1 << minCodeSize;
        FEnd = FClear + 1;
        FCodeSize = minCodeSize + 1;
        FLimit = 2 * FClear;
        FNext = FClear + 2;
        ResetTable();
    }

    // A pixel value, or -1 at the end of the data, -2 after the end code.
    int NextPixel() {
        if (FSp > 0) return FStack[--FSp];
        return Decode();
    }

    bool TerminatorSeen() const { return FDone; }

    void SkipRest() {
        int size;
        while (!FDone) {
            if (!ReadByte(FStream, size) || size == 0) {
                FDone = true;
                break;
            }
            Skip(FStream, size);
        }
    }

private:
    void ResetTable() {
        for (int i = 0; i < FClear; ++i) {
            FPrefix[i] = 0;
            FSuffix[i] = Byte(i);
        }
        for (int i = FClear; i < 4096; ++i) {
            FPrefix[i] = 0;
            FSuffix[i] = 0;
        }
    }

    int ReadCode() {
        if (FFirst) {
            FFirst = false;
            return FClear;
        }
        while (FCurBit + FCodeSize >= FLastBit) {
            if (FDone) {
                // Codes that still fit in the kept bits are read; only a
                // request beyond them has run out.
                if (FCurBit + FCodeSize <= FLastBit) break;
                if (FCurBit >= FLastBit) FOwner->ReportWarning(gsWarning, "Decoder bit buffer under-run");
                return -1;
            }
            const int lastByte = FLastBit / 8;
            FBuf[0] = lastByte >= 2 ? FBuf[lastByte - 2] : 0;
            FBuf[1] = lastByte >= 1 ? FBuf[lastByte - 1] : 0;
            int size;
            if (!ReadByte(FStream, size)) return -1;
            if (size == 0) FDone = true;
            const Int64 left = BytesLeft(FStream);
            if (size > left) {
                size = int(left);
                FOwner->ReportWarning(gsWarning, "Premature end of data");
            }
            if (size > 0) size = FStream->Read(FBuf + 2, size);
            FCurBit = FCurBit - FLastBit + 16;
            FLastBit = (size + 2) * 8;
            if (FCurBit < 0) FCurBit = 0;
        }
        const int i = FCurBit >> 3;
        const Cardinal v = Cardinal(FBuf[i]) | (Cardinal(FBuf[i + 1]) << 8) | (Cardinal(FBuf[i + 2]) << 16);
        const int code = int((v >> (FCurBit & 7)) & ((1u << FCodeSize) - 1));
        FCurBit += FCodeSize;
        return code;
    }

    void Push(Byte b) {
        // Sound tables never nest deeper than the table size; a longer chain
        // can only come from entries that refer to each other.
        if (FSp >= int(sizeof FStack)) throw GIFException("Circular decoder table entry");
        FStack[FSp++] = b;
    }

    int Decode() {
        int code = ReadCode();
        if (code < 0) return -1;
        if (code == FClear) {
            ResetTable();
            FCodeSize = FMin + 1;
            FLimit = 2 * FClear;
            FNext = FClear + 2;
            FSp = 0;
            do {
                code = ReadCode();
            } while (code == FClear);
            if (code < 0) return -1;
            FFirstByte = code;
            FOld = code;
            return code;
        }
        if (code == FEnd) {
            SkipRest();
            return -2;
        }
        const int incode = code;
        if (code >= FNext) {
            Push(Byte(FFirstByte));
            code = FOld;
        }
        while (code >= FClear) {
            Push(FSuffix[code]);
            if (FPrefix[code] == code) throw GIFException("Circular decoder table entry");
            code = FPrefix[code];
        }
        FFirstByte = FSuffix[code];
        Push(Byte(FFirstByte));
        if (FNext <= 4095) {
            FPrefix[FNext] = Word(FOld);
            FSuffix[FNext] = Byte(FFirstByte);
            ++FNext;
            if (FNext >= FLimit && FLimit <= 4095) {
                FLimit *= 2;
                ++FCodeSize;
            }
        }
        FOld = incode;
        return FStack[--FSp];
    }

    TStream* FStream;
    TGIFItem* FOwner;
    int FMin, FClear, FEnd, FCodeSize, FLimit, FNext;
    int FFirstByte = 0, FOld = 0;
    bool FFirst = true, FDone = false;
    int FCurBit = 0, FLastBit = 0;
    Byte FBuf[2 + 255 + 4] = {};
    Word FPrefix[4096];
    Byte FSuffix[4096];
    Byte FStack[8192];
    int FSp = 0;
};

}  // namespace

void DecodeLZW(TStream* Stream, TGIFItem* Owner, std::vector<Byte>& Pixels, Integer Width, Integer Height,
               bool Interlaced) {
    int m;
    if (!ReadByte(Stream, m)) return;
    if (m > 11) throw GIFException("Invalid LZW code size " + Num(m) + " (at most 11)");
    auto decoder = std::make_unique<LzwDecoder>(Stream, Owner, m);
    bool stopped = false;
    int v = 0;
    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    const int passes = Interlaced ? 4 : 1;
    for (int pass = 0; pass < passes && !stopped; ++pass) {
        const int rowStep = Interlaced ? step[pass] : 1;
        for (Integer y = Interlaced ? start[pass] : 0; y < Height && !stopped; y += rowStep) {
            Byte* row = Pixels.data() + std::size_t(y) * std::size_t(Width);
            for (Integer x = 0; x < Width; ++x) {
                v = decoder->NextPixel();
                if (v < 0) {
                    stopped = true;
                    break;
                }
                row[x] = Byte(v);
            }
        }
    }
    if (!stopped) v = decoder->NextPixel();  // an end code right after the last pixel
    // Whatever codes remain are not pixels of this frame; their sub-blocks
    // are passed over so that the next block is read where it starts.
    (void)v;
    decoder->SkipRest();
}

// ---------------------------------------------------------------------------
// TGIFImage

Int64 TGIFImage::MaxFramePixels = Int64(1) << 26;
Int64 TGIFImage::MaxTotalPixels = Int64(1) << 28;

TGIFImage::TGIFImage() : FHeader(std::make_unique<TGIFHeader>(this)) {}
TGIFImage::~TGIFImage() { FImages.Clear(); }

std::unique_ptr<TGraphic> TGIFImage::NewInstance() const { return std::make_unique<TGIFImage>(); }

void TGIFImage::Clear() {
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

void TGIFImage::Assign(TPersistent* Source) {
    if (Source == nullptr) {
        Clear();
        Changed(this);
        return;
    }
    if (auto* g = dynamic_cast<TGIFImage*>(Source)) {
        if (g == this) return;
        Clear();
        FHeader->Assign(g->FHeader.get());
        FCompression = g->FCompression;
        for (const auto& f : g->FImages) {
            auto copy = std::make_unique<TGIFSubImage>(this);
            copy->Assign(f.get());
            FImages.Add(std::move(copy));
        }
        Changed(this);
        return;
    }
    TGraphic::Assign(Source);
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

void TGIFImage::AssignTo(TPersistent* Dest) {
    auto* bmp = dynamic_cast<TBitmap*>(Dest);
    if (bmp == nullptr) {
        TGraphic::AssignTo(Dest);
        return;
    }
    if (Empty() || Width() == 0 || Height() == 0) {
        bmp->Assign(nullptr);
        return;
    }
    TGIFSubImage* frame = FImages.Items(0);
    std::unique_ptr<TBitmap> picture = frame->MakeBitmap();
    if (frame->Left() != 0 || frame->Top() != 0 || frame->Width() != Width() || frame->Height() != Height()) {
        auto whole = std::make_unique<TBitmap>();
        whole->SetPixelFormat(pf8bit);
        whole->SetColorTable(picture->ColorTable());
        whole->SetSize(Width(), Height());
        for (Integer y = 0; y < Height(); ++y) std::memset(whole->ScanLine(y), 0, std::size_t(Width()));
        for (Integer y = 0; y < frame->Height() && frame->Top() + y < Height(); ++y)
            for (Integer x = 0; x < frame->Width() && frame->Left() + x < Width(); ++x)
                whole->ScanLine(frame->Top() + y)[frame->Left() + x] = frame->Pixel(x, y);
        picture = std::move(whole);
    }
    bmp->Assign(*picture);
}

void TGIFImage::Draw(TCanvas& ACanvas, const TRect& Rect) {
    if (Empty() || Width() == 0 || Height() == 0) return;
    TGIFSubImage* frame = FImages.Items(0);
    if (frame->Empty()) return;
    const std::unique_ptr<TBitmap> bmp = frame->MakeBitmap();
    const Int64 w = Rect.Width(), h = Rect.Height();
    const TRect place{Integer(Rect.Left + Int64(frame->Left()) * w / Width()),
                      Integer(Rect.Top + Int64(frame->Top()) * h / Height()),
                      Integer(Rect.Left + Int64(frame->Left() + frame->Width()) * w / Width()),
                      Integer(Rect.Top + Int64(frame->Top() + frame->Height()) * h / Height())};
    ACanvas.CopyFromBitmap(place, *bmp, ::Rect(0, 0, bmp->Width(), bmp->Height()));
}

}  // namespace GIFImage
