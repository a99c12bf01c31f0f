#pragma once
// One frame of a GIF picture: the extensions that precede it in the file,
// its image descriptor, an optional local colour table and its pixels, one
// colour index per pixel, rows top to bottom whatever the file's row order.
// A frame may also be empty: extensions only, no image part. The trailer,
// the byte that ends the file, lives here too.
//
//   OFFSET SIZE DESCRIPTION
//   0      1    separator "," (0x2C)
//   1      2    left (little-endian), within the logical screen
//   3      2    top
//   5      2    width
//   7      2    height
//   9      1    flags: bit 7 local table present, bit 6 interlaced, bit 5
//               table sorted, bits 0-2 table size (2 << n entries)
//   10     3n   local colour table, when bit 7 is set
//   then        LZW minimum code size byte and the coded data sub-blocks
//
// Reading and writing live in GIFFrame.cpp; the cached bitmaps and drawing
// in GIFPicture.cpp.

#include <functional>
#include <memory>
#include <vector>

#include "media/GIFColorMap.h"
#include "media/GIFExtensions.h"
#include "media/GIFItem.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"

namespace GIFImage {

#pragma pack(push, 1)
struct TImageDescriptor {
    Byte Separator = 0x2C;
    Word Left = 0;
    Word Top = 0;
    Word Width = 0;
    Word Height = 0;
    Byte PackedFields = 0;
};
#pragma pack(pop)
static_assert(sizeof(TImageDescriptor) == 10);

class TGIFSubImage : public TGIFItem {
public:
    explicit TGIFSubImage(TGIFImage* AImage);
    ~TGIFSubImage() override;

    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    TGIFVersion FormatVersion() const override;
    void Assign(TPersistent* Source) override;
    void Clear();

    const TImageDescriptor& Descriptor() const { return FDescriptor; }
    Integer Left() const { return FDescriptor.Left; }
    Integer Top() const { return FDescriptor.Top; }
    Integer Width() const { return FDescriptor.Width; }
    Integer Height() const { return FDescriptor.Height; }
    void SetLeft(Integer Value) { FDescriptor.Left = Word(Value); }
    void SetTop(Integer Value) { FDescriptor.Top = Word(Value); }
    // Resizes the pixel data (new pixels 0; content is not kept).
    void SetSize(Integer AWidth, Integer AHeight);
    TRect BoundsRect() const { return Bounds(Left(), Top(), Width(), Height()); }
    bool Interlaced() const { return FDescriptor.PackedFields & 0x40; }
    void SetInterlaced(bool Value);
    // No pixel data or a zero width or height.
    bool Empty() const;

    TGIFColorMap& ColorMap() { return *FLocalPalette; }
    // The local table when it has entries, else the global one when that
    // has entries, else the (empty) local table.
    TGIFColorMap& ActiveColorMap();
    TGIFExtensionList& Extensions() { return FExtensions; }
    // The first graphic control extension of the frame, if any.
    TGIFGraphicControlExtension* GraphicControlExtension() const { return FGCE; }
    void SetGraphicControlExtension(TGIFGraphicControlExtension* Value) { FGCE = Value; }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value) { FTransparent = Value; }

    std::vector<Byte>& Data() { return FData; }
    const std::vector<Byte>& Data() const { return FData; }
    Byte Pixel(Integer X, Integer Y) const { return FData[std::size_t(Y) * Width() + std::size_t(X)]; }
    Byte* ScanLine(Integer Row);

    // The frame drawn into a new 8-bit bitmap with the active table.
    std::unique_ptr<TBitmap> MakeBitmap();

    // The frame's cached bitmap (8 bits, its palette), built on first use;
    // nullptr when building it was aborted through the progress event.
    TBitmap* Bitmap();
    // The transparency mask built with the bitmap: 1 bit per pixel, set
    // where the pixel is the transparent index; nullptr when no pixel is.
    const TBitmap* Mask();
    // Its bitmap's palette, else its local table, else the picture's.
    HPALETTE Palette();
    // Drops the cached bitmap, mask and palette.
    void FreeBitmap();

    // Draws the frame at its place in Rect (see TGIFImage::Draw).
    void Draw(TCanvas& ACanvas, const TRect& Rect, bool DoTransparent, bool DoTile);
    // Takes size, colours and indices from the bitmap (reduced to 256
    // colours first when it has more than 8 bits per pixel).
    void AssignFromBitmap(const TBitmap& Source);
    // Marks the pixels where Mask(x, y) is true transparent with a new
    // graphic control extension.
    void TransparencyFromMask(const std::function<bool(Integer X, Integer Y)>& Mask);

private:
    friend class TGIFImage;
    void Decompress(TStream* Stream);
    void Compress(TStream* Stream);
    void BuildBitmap();
    // Bitmaps, pictures and other graphics; false for anything else.
    bool AssignGraphic(TPersistent* Source);
    std::unique_ptr<TBitmap> FBitmap;
    std::unique_ptr<TBitmap> FMask;
    TPaletteOwner FPalette;
    TImageDescriptor FDescriptor;
    std::unique_ptr<TGIFLocalColorMap> FLocalPalette;
    TGIFExtensionList FExtensions;
    TGIFGraphicControlExtension* FGCE = nullptr;
    bool FTransparent = false;
    std::vector<Byte> FData;
};

class TGIFTrailer : public TGIFItem {
public:
    using TGIFItem::TGIFItem;
    void SaveToStream(TStream* Stream) override;
    // Warns "Invalid Image trailer" when the byte read is not ";".
    void LoadFromStream(TStream* Stream) override;
};

}  // namespace GIFImage
