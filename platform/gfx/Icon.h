#pragma once
// Icons and cursors: the icon handle (HICON) made from one icon or cursor
// image, and TIcon, the picture class that reads, writes and draws icon files.
//
// Icon file (.ico; .cur has the same layout), little-endian:
//   OFFSET SIZE DESCRIPTION
//   0      2    reserved, 0
//   2      2    resource type: 1 icon, 2 cursor (TIcon reads type 1 only)
//   4      2    image count n
//   6      16n  directory entries:
//                 +0 width, +1 height (0 stands for 256), +2 colour count
//                 (0: 256 or more), +3 reserved, +4 planes (cursor: hot spot x)
//                 u16, +6 bits per pixel (cursor: hot spot y) u16, +8 image
//                 size u32, +12 image offset from the file start u32
//   ...          the images, each one resource image (below) or a PNG file
//                (Png.h; see-through where its alpha is below half)
//
// Resource image (one icon or cursor image; a cursor resource puts its hot
// spot, x u16 and y u16, in front of it):
//   OFFSET SIZE DESCRIPTION
//   0      40   bitmap info header: +4 width i32, +8 height i32 (twice the
//               image height: colour part and mask), +12 planes, +14 bits per
//               pixel, +16 compression (0, or 3 for bit fields), +32 colours used
//   40     12   bit-field masks, only with compression 3
//   ...    4c   colour table of c entries B,G,R,0 (1, 4 and 8 bits per pixel:
//               the colours used, or 2^bits when 0)
//   ...         colour bits, rows bottom-up, padded to 32 bits
//   ...         mask bits, 1 bit per pixel (1 = see-through), rows bottom-up,
//               padded to 32 bits

#include <memory>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"

// One icon or cursor as the drawing code uses it.
struct TIconObject {
    bool Icon = true;  // false: a cursor
    Integer HotX = 0;
    Integer HotY = 0;
    // nullptr for a monochrome image, whose Mask then holds the AND mask
    // above the XOR image (twice the image height).
    std::unique_ptr<TBitmap> Color;
    // 1 bit per pixel, colour table black and white; white (1) is see-through
    // where the colour part is black and inverts the background elsewhere.
    std::unique_ptr<TBitmap> Mask;
};

// An icon handle: made by the functions below, owned by whoever made it,
// freed by DestroyIcon.
using HICON = TIconObject*;

struct TIconDeleter {
    void operator()(HICON Icon) const;
};
using TIconOwner = std::unique_ptr<TIconObject, TIconDeleter>;

// What GetIconInfo hands out: copies the caller owns.
struct TIconInfo {
    bool Icon = true;
    Integer HotX = 0;
    Integer HotY = 0;
    std::unique_ptr<TBitmap> Mask;
    std::unique_ptr<TBitmap> Color;
};

// The standard icon and cursor sizes of the screen.
constexpr Integer SystemIconSize = 32;
constexpr Integer SystemCursorSize = 32;
// The resource format version CreateIconFromResource reads.
constexpr Cardinal IconResourceVersion = 0x30000;

// Where the parts of one resource image lie; every offset is from the
// start of the image header.
struct TIconImageLayout {
    Integer Width = 0;
    Integer Height = 0;  // of the image: half the header's height
    int BitsPerPixel = 0;
    Cardinal Compression = 0;
    Integer ColorCount = 0;  // colour table entries
    Int64 TableOffset = 0;
    Int64 ColorOffset = 0;
    Int64 ColorBytes = 0;
    Int64 MaskOffset = 0;
    Int64 MaskBytes = 0;
};

// Checks one resource image (without a hot spot) against its size and
// raises EInvalidGraphic naming the field, its value and the limit.
TIconImageLayout ParseIconImage(const Byte* Data, std::size_t Size);

// An icon or cursor from one resource image (a cursor's starts with its hot
// spot), which may also be a PNG file. Raises EInvalidGraphic for damaged
// data or another Version.
HICON CreateIconFromResource(const Byte* Bits, std::size_t Size, bool Icon, Cardinal Version = IconResourceVersion);
// From copies of the info's bitmaps; without a colour bitmap the mask must
// hold the AND mask over the XOR image. Raises EInvalidGraphic when the
// mask is missing or the sizes disagree.
HICON CreateIconIndirect(const TIconInfo& Info);
// False for a null handle.
bool GetIconInfo(HICON Icon, TIconInfo& Info);
HICON CopyIcon(HICON Icon);
void DestroyIcon(HICON Icon);
// The program's stand-in for the system's application icon, a new handle.
HICON CreateDefaultApplicationIcon();
// Width and height of the image (0 x 0 for a null handle).
TPoint IconSize(HICON Icon);
// Draws the icon stretched to the rectangle: see-through pixels keep the
// background, inverting ones invert it.
void DrawIcon(TCanvas& Canvas, const TRect& Rect, HICON Icon);
// The icon as one resource image without a hot spot: the colour bitmap's
// header with the height doubled, its colour table, colour bits, mask bits.
std::vector<Byte> IconResourceImage(HICON Icon);

class TIcon : public TGraphic {
public:
    TIcon();
    ~TIcon() override;
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    std::unique_ptr<TGraphic> NewInstance() const override;
    // Another icon's image is shared, not copied.
    void Assign(TPersistent* Source) override;
    // Reads an icon file (resource type 1) from the stream's position and
    // takes the image of the system icon size with the most colours, or the
    // one nearest to that size. Raises EInvalidGraphic for damaged files;
    // the icon is then unchanged.
    void LoadFromStream(TStream* Stream) override;
    // The file as it was read, or an icon file of the one image the handle
    // holds. An empty icon raises EInvalidGraphicOperation.
    void SaveToStream(TStream* Stream) override;
    void Draw(TCanvas& ACanvas, const TRect& Rect) override;
    Integer Width() const override;
    Integer Height() const override;
    // Only an empty icon takes a size; otherwise EInvalidGraphicOperation
    // "Cannot change the size of an icon".
    void SetWidth(Integer Value) override;
    void SetHeight(Integer Value) override;
    bool Empty() const override;
    // Icons always have see-through pixels.
    bool Transparent() const override { return true; }

    // The icon file bytes, as SaveToStream writes them.
    void LoadFromClipboardFormat(const AnsiString& Format, const std::vector<Byte>& Data) override;
    void SaveToClipboardFormat(AnsiString& Format, std::vector<Byte>& Data) override;

    // Owned by the icon; nullptr when empty.
    HICON Handle() const;
    // Takes over the handle (nullptr empties the icon).
    void SetHandle(HICON Value);

private:
    struct TIconImage;
    std::shared_ptr<TIconImage> FImage;
    Integer FWidth = SystemIconSize;
    Integer FHeight = SystemIconSize;
};
