#include "media/GIFColorMap.h"

#include <algorithm>
#include <utility>

#include "media/GIFHeader.h"
#include "media/GIFPicture.h"
#include "media/GIFStreamIO.h"

namespace GIFImage {

using namespace io;

void TGIFColorMap::ReportWarning(TGIFSeverity, const AnsiString&) {}

int TGIFColorMap::BitsPerPixel() const {
    int b = 1;
    while ((1 << b) < FCount) ++b;
    return b;
}

void TGIFColorMap::Grow(int ACount) {
    if (ACount <= FCapacity) return;
    FCapacity = ACount <= 16 ? 16 : std::min(256, (ACount + 31) / 32 * 32);
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

void TGIFColorMap::ImportColorTable(const TRGBQuad* Table, int ACount) {
    Clear();
    ACount = std::clamp(ACount, 0, 256);
    Grow(ACount);
    for (int i = 0; i < ACount; ++i)
        FEntries[std::size_t(i)] = TGIFColor{Table[i].rgbRed, Table[i].rgbGreen, Table[i].rgbBlue};
    FCount = ACount;
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

void TGIFColorMap::LoadFromStream(TStream* Stream, int ACount) {
    if (ACount < 0 || ACount > 256) throw GIFException("Invalid number of colors: " + Num(ACount));
    Byte raw[768];
    ReadExact(Stream, raw, ACount * 3);
    Grow(ACount);
    for (int i = 0; i < ACount; ++i) FEntries[std::size_t(i)] = TGIFColor{raw[3 * i], raw[3 * i + 1], raw[3 * i + 2]};
    FCount = ACount;
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

}  // namespace GIFImage
