#include "media/GIFHeader.h"

#include <algorithm>

#include "media/GIFPicture.h"
#include "media/GIFStreamIO.h"

namespace GIFImage {

using namespace io;

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

void TGIFHeader::SaveToStream(TStream* Stream) {
    if (FImage == nullptr) throw GIFException("Unsupported GIF version");
    const TGIFVersion version = FImage->Version();
    if (version == gvUnknown) throw GIFException("Unsupported GIF version");
    Stream->WriteBuffer(version == gv89a ? "GIF89a" : "GIF87a", 6);
    int flags = 0;
    const bool global = FColorMap->Count() > 0;
    if (global) {
        flags |= 0x80;
        if (FColorMap->Optimized()) flags |= 0x08;
    }
    int resolution = global ? FColorMap->BitsPerPixel() - 1 : 0;
    int largest = global ? FColorMap->BitsPerPixel() : 1;
    for (const auto& f : FImage->Images()) {
        const int bits = f->ActiveColorMap().BitsPerPixel();
        resolution = std::max(resolution, bits - 1);
        largest = std::max(largest, bits);
    }
    resolution = std::max(resolution, ((FDescriptor.PackedFields >> 4) & 7));
    flags |= (resolution & 7) << 4;
    flags |= (global ? FColorMap->BitsPerPixel() - 1 : largest - 1) & 7;
    FDescriptor.PackedFields = Byte(flags);
    WriteWord(Stream, FDescriptor.ScreenWidth);
    WriteWord(Stream, FDescriptor.ScreenHeight);
    WriteByte(Stream, FDescriptor.PackedFields);
    WriteByte(Stream, FDescriptor.BackgroundColorIndex);
    WriteByte(Stream, FDescriptor.AspectRatio);
    if (global) FColorMap->SaveToStream(Stream);
}

void TGIFHeader::SetWidth(Integer Value) {
    if (Value < 0 || Value > 0xFFFF) throw GIFException("Image width " + Num(Value) + " is outside 0..65535");
    FDescriptor.ScreenWidth = Word(Value);
}

void TGIFHeader::SetHeight(Integer Value) {
    if (Value < 0 || Value > 0xFFFF) throw GIFException("Image height " + Num(Value) + " is outside 0..65535");
    FDescriptor.ScreenHeight = Word(Value);
}

}  // namespace GIFImage
