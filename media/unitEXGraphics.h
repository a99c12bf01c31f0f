#pragma once
// Single icon and cursor images of any size and colour depth, kept in the
// form an image has inside a program's resources (no icon-file directory):
//
//   OFFSET SIZE DESCRIPTION
//   0      4    cursors only: hot spot x u16, y u16
//   +0     40   bitmap info header; its height covers colour part and mask
//   +40    4c   colour table (1, 4, 8 bits: 2^bits entries or the colours used)
//   ...         colour bits, then mask bits (1 bit per pixel), rows padded to 32 bits
//
// TExIcon and TExCursor hold such an image for a picture: they draw it,
// load it from and save it to a stream, and share it between copies.

#include <memory>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"
#include "platform/gfx/Icon.h"

// The image shared between copies: the data as read and the icon handle
// made from it on first use (or the other way round).
class TExIconImage {
public:
    std::vector<Byte> Data;
    TIconOwner Handle;
};

class TIconCursor : public TGraphic {
public:
    TIconCursor(Integer AWidth, Integer AHeight, TPixelFormat APixelFormat, int AHeaderOffset);
    ~TIconCursor() override;
    TIconCursor(const TIconCursor&) = delete;
    TIconCursor& operator=(const TIconCursor&) = delete;

    // From another icon or cursor image: shares it (a cursor's hot spot is
    // added or dropped when the kinds differ); nullptr: an empty image.
    void Assign(TPersistent* Source) override;
    void Draw(TCanvas& ACanvas, const TRect& Rect) override;
    // Neither a handle nor data.
    bool Empty() const override;
    Integer Width() const override { return FWidth; }
    Integer Height() const override { return FHeight; }
    // Only an empty image takes a size; otherwise "Can't resize Icons or Cursors".
    void SetWidth(Integer Value) override;
    void SetHeight(Integer Value) override;
    // Made from the colour table of the data on first use; owned here.
    HPALETTE Palette() override;

    // The rest of the stream becomes the image data. A damaged image raises
    // EInvalidGraphic "Invalid Icon or Cursor" and leaves this one as it was.
    void LoadFromStream(TStream* Stream) override;
    // The data, made from the handle when needed.
    void SaveToStream(TStream* Stream) override;
    void LoadFromClipboardFormat(const AnsiString& Format, const std::vector<Byte>& Data) override;
    void SaveToClipboardFormat(AnsiString& Format, std::vector<Byte>& Data) override;

    TPixelFormat PixelFormat() const { return FPixelFormat; }
    // x in the low 16 bits, y in the high 16 bits; 0 for icons.
    Cardinal HotSpot() const { return FHotSpot; }
    // The image's handle, made from the data when needed; nullptr when empty.
    HICON Handle();
    // Takes the handle over; the data is made from it when asked for.
    void SetHandle(HICON Value);
    // The resource image, made from the handle when needed.
    const std::vector<Byte>& Data();

protected:
    // Makes the handle from the data (there is data but no handle).
    virtual void HandleNeeded() = 0;
    // Makes the data from the handle (there is a handle but no data).
    virtual void ImageNeeded() = 0;

    void CreateHandleFromData(bool Icon);
    void CreateDataFromHandle(bool Icon);
    // Takes the width, height, pixel format and hot spot of validated data.
    void ReadHeader(const std::vector<Byte>& Data);

    std::shared_ptr<TExIconImage> FImage;
    TPixelFormat FPixelFormat;
    Integer FWidth;
    Integer FHeight;
    TPaletteOwner FPalette;
    int FHeaderOffset;
    Cardinal FHotSpot = 0;
};

class TExIcon : public TIconCursor {
public:
    TExIcon();
    std::unique_ptr<TGraphic> NewInstance() const override;

protected:
    void HandleNeeded() override;
    void ImageNeeded() override;
};

class TExCursor : public TIconCursor {
public:
    TExCursor();
    std::unique_ptr<TGraphic> NewInstance() const override;

protected:
    void HandleNeeded() override;
    void ImageNeeded() override;
};

// Clears the bitmap, gives it the image's size, fills it with the
// background colour and draws the image at (0, 0).
void DrawIconOnBitmap(TBitmap* Bitmap, TIconCursor* Image, TColor Background);

// The colour table a new icon or cursor image of the pixel format starts
// with: black and white for 1 bit, the 16 standard colours for 4 bits, the
// program's 256-colour table for 8 bits, none above.
std::vector<TRGBQuad> StandardIconColorTable(TPixelFormat Format);

// The pixel format of bits per pixel as icon headers give them (16 bits
// with bit fields is pf16bit, without pf15bit); pfCustom for other values.
TPixelFormat IconPixelFormat(int BitsPerPixel, Cardinal Compression);
