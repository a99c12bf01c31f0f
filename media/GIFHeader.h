#pragma once
// The logical screen of a GIF file: the picture's size, the background
// colour and the global colour table. Read after the 6-byte signature,
// written with it.
//
//   OFFSET SIZE DESCRIPTION
//   0      2    screen width (little-endian)
//   2      2    screen height
//   4      1    flags: bit 7 global table present, bits 4-6 colour
//               resolution - 1, bit 3 table sorted, bits 0-2 table size
//               (2 << n entries)
//   5      1    background colour index
//   6      1    pixel aspect ratio
//   7      3n   global colour table, when bit 7 is set

#include <memory>

#include "media/GIFColorMap.h"
#include "media/GIFItem.h"

namespace GIFImage {

#pragma pack(push, 1)
struct TLogicalScreenDescriptor {
    Word ScreenWidth = 0;
    Word ScreenHeight = 0;
    Byte PackedFields = 0;
    Byte BackgroundColorIndex = 0;
    Byte AspectRatio = 0;
};
#pragma pack(pop)
static_assert(sizeof(TLogicalScreenDescriptor) == 7);

class TGIFHeader : public TGIFItem {
public:
    explicit TGIFHeader(TGIFImage* AImage);
    ~TGIFHeader() override;

    void LoadFromStream(TStream* Stream) override;  // the 7-byte descriptor and the global table
    // Signature, descriptor and table. The version is the highest any frame
    // needs; the flags are recomputed from the tables actually written.
    void SaveToStream(TStream* Stream) override;
    void Clear();
    void Assign(TPersistent* Source) override;

    const TLogicalScreenDescriptor& Descriptor() const { return FDescriptor; }
    Integer Width() const { return FDescriptor.ScreenWidth; }
    Integer Height() const { return FDescriptor.ScreenHeight; }
    // The file holds 16 bits: a size outside 0..65535 raises GIFException
    // instead of wrapping to a small one.
    void SetWidth(Integer Value);
    void SetHeight(Integer Value);
    Byte BackgroundColorIndex() const { return FDescriptor.BackgroundColorIndex; }
    void SetBackgroundColorIndex(Byte Value) { FDescriptor.BackgroundColorIndex = Value; }
    Byte AspectRatio() const { return FDescriptor.AspectRatio; }
    void SetAspectRatio(Byte Value) { FDescriptor.AspectRatio = Value; }
    // Bits 4-6 of the flags plus one.
    int ColorResolution() const { return ((FDescriptor.PackedFields >> 4) & 7) + 1; }
    TGIFColorMap& ColorMap() { return *FColorMap; }

private:
    TLogicalScreenDescriptor FDescriptor;
    std::unique_ptr<TGIFGlobalColorMap> FColorMap;
};

}  // namespace GIFImage
