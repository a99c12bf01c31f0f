#include "media/GIFFrame.h"

#include <cstring>

#include "media/GIFCoders.h"
#include "media/GIFPicture.h"
#include "media/GIFStreamIO.h"

namespace GIFImage {

using namespace io;

// ---------------------------------------------------------------------------
// Structure and reading

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
// Writing

void TGIFSubImage::Compress(TStream* Stream) {
    const bool local = FLocalPalette->Count() > 0;
    int bits, colors;
    if (local) {
        bits = FLocalPalette->BitsPerPixel();
        colors = FLocalPalette->Count();
    } else {
        bits = FImage ? FImage->BitsPerPixel() : 8;
        colors = 1 << bits;
    }
    EncodeFrame(Stream, FImage ? FImage->Compression() : gcLZW, bits, colors, FData.data(), Interlaced(),
                Height(), Width());
}

void TGIFSubImage::SaveToStream(TStream* Stream) {
    for (const auto& e : FExtensions) e->SaveToStream(Stream);
    if (Empty()) return;
    int flags = FDescriptor.PackedFields;
    if (FLocalPalette->Count() > 0) {
        flags = 0x80 | (flags & 0x40) | (FLocalPalette->Optimized() ? 0x20 : 0) | ((FLocalPalette->BitsPerPixel() - 1) & 7);
    } else {
        flags &= 0x40 | 0x18;
    }
    FDescriptor.PackedFields = Byte(flags);
    WriteByte(Stream, 0x2C);
    WriteWord(Stream, FDescriptor.Left);
    WriteWord(Stream, FDescriptor.Top);
    WriteWord(Stream, FDescriptor.Width);
    WriteWord(Stream, FDescriptor.Height);
    WriteByte(Stream, FDescriptor.PackedFields);
    if (FLocalPalette->Count() > 0) FLocalPalette->SaveToStream(Stream);
    Compress(Stream);
}

}  // namespace GIFImage
