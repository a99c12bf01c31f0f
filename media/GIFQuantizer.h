#pragma once
// The palettes colour reduction maps onto: six fixed ones (web cube, gray
// ramp, black and white, four grays, the screen's halftone palette and the
// system's 20 static colours) and an optimised one computed from a picture
// by an octree quantizer. Every builder returns a new palette owned by the
// caller.
//
// The octree sorts each colour down by one bit per channel per level; when
// it holds more leaves than colours wanted, the most recently made inner node
// of the deepest level with one is merged into a leaf, so memory stays
// bounded however many pixels the picture has.

#include <memory>
#include <vector>

#include "media/GIFDIB.h"
#include "platform/gfx/Color.h"

namespace GIFImage {

HPALETTE CreateWebCubePalette();
HPALETTE CreateGrayRampPalette();
HPALETTE CreateBlackWhitePalette();
HPALETTE CreateFourGrayPalette();
HPALETTE CreateHalftoneScreenPalette();
HPALETTE CreateSystemDefaultPalette();

struct TOctreeNode {
    bool Leaf = false;
    Int64 PixelCount = 0;
    Int64 RedSum = 0, GreenSum = 0, BlueSum = 0;
    TOctreeNode* NextReducible = nullptr;
    std::unique_ptr<TOctreeNode> Child[8];
};

class TColorQuantizer {
public:
    TColorQuantizer(int MaxColors, int ColorBits);
    ~TColorQuantizer();
    void AddPicture(TDIBReader& Reader);
    void ReadColourTable(std::vector<TPaletteEntry>& Table) const;
    int LeafCount() const { return FLeafCount; }

private:
    void Insert(std::unique_ptr<TOctreeNode>& Node, int Red, int Green, int Blue, int Level);
    void Merge();
    std::unique_ptr<TOctreeNode> FRoot;
    int FLeafCount = 0;
    TOctreeNode* FReducible[8] = {};
    int FMaxColors;
    int FColorBits;
};

// Octree palette of the reader's picture: Colors entries (256 with the
// static colours reserved at 0-9 and 246-255); entries past the colours the
// picture yields are black.
HPALETTE CreateQuantizedPalette(TDIBReader& Reader, int Colors, int ColorBits, bool ReserveSystemColors);
// Works on a 24-bit copy; the bitmap is left as it is.
HPALETTE CreateQuantizedPaletteForBitmap(const TBitmap& Bitmap, int Colors, int ColorBits, bool ReserveSystemColors);

}  // namespace GIFImage
