#pragma once
// The second GIF codec: a picture class that keeps each frame's LZW data as
// read, decodes a frame into a bitmap on first use and encodes bitmaps with
// the colour mapping of VmGraph. The main codec (GIFImage.h) registers for
// "gif" after this one and is the one pictures use; this one turns animated
// cursors into GIF animations.
//
// File layout (little-endian):
//   OFFSET SIZE DESCRIPTION
//   0      6    "GIF87a" or "GIF89a" (compared without case)
//   6      7    logical screen: width u16, height u16, flags (bit 7 global
//               table, bits 4-6 colour resolution - 1, bits 0-2 bits - 1),
//               background index, aspect ratio
//   13     3n   global colour table of n = 2^bits R,G,B entries
//   then blocks:
//     "!" label fixed sub-blocks   extension: 0xF9 graphic control (6 fixed
//                                  bytes: 4, flags, delay u16, transparent
//                                  index, 0), 0x01 plain text (13), 0xFF
//                                  application (12), 0xFE comment (0); data
//                                  sub-blocks of 1-255 bytes, 0 ends them
//     "," 9 bytes                  image descriptor: left, top, width, height
//                                  u16, flags (bit 7 local table, bit 6
//                                  interlaced, bits 0-2 bits - 1); the local
//                                  table; the LZW minimum code size; data
//                                  sub-blocks
//     ";"                          trailer

#include <functional>
#include <memory>
#include <vector>

#include "media/VmGraph.h"
#include "platform/classes/Filer.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"
#include "platform/rtl/Streams.h"

class TAnimatedCursorImage;

namespace VmGIF {

// Damaged frame data marks the frame corrupted and shows what could be
// decoded; cleared, it raises the codec's error instead.
inline bool TolerateCorruptData = true;

struct TGIFColorTable {
    std::vector<TRGBQuad> Entries;  // at most 256
};

// Image data shared between copies of a picture.
class TGIFData {
public:
    Byte AspectRatio = 0;
    int BitsPerPixel = 0;
    int ColorResBits = 0;
    TGIFColorTable ColorTable;  // the global table; empty when there is none
    std::vector<AnsiString> Comment;
};

// Frame data shared between copies of a frame.
class TGIFItem {
public:
    std::vector<Byte> Encoded;  // the minimum code size and the data sub-blocks
    int BitsPerPixel = 0;
    Integer Width = 0;
    Integer Height = 0;
    TGIFColorTable ColorTable;
};

enum TExtensionKind { ekGraphicControl, ekPlainText, ekApplication, ekComment };

class TExtension : public TPersistent {
public:
    explicit TExtension(TExtensionKind AKind);
    TExtensionKind Kind() const { return FKind; }
    Byte Label() const;
    // Graphic control 6 bytes, plain text 13, application 12, comment none.
    std::vector<Byte> Fixed;
    std::vector<AnsiString> SubBlocks;
    void Assign(TPersistent* Source) override;

private:
    TExtensionKind FKind;
};

class TGIFImage;

class TGIFFrame : public TPersistent {
public:
    explicit TGIFFrame(TGIFImage* AOwner);
    ~TGIFFrame() override;
    TGIFFrame(const TGIFFrame&) = delete;
    TGIFFrame& operator=(const TGIFFrame&) = delete;

    TGIFImage* Owner() const { return FOwner; }
    // Decoded from the encoded data on first use.
    TBitmap* Bitmap();
    bool HasBitmap() const { return FBitmap != nullptr; }
    Integer Width() const;
    Integer Height() const;
    const std::shared_ptr<TGIFItem>& Item() const { return FItem; }
    std::vector<std::unique_ptr<TExtension>>& Extensions() { return FExtensions; }
    // The lines of the frame's comment extensions.
    std::vector<AnsiString> Comment() const;

    Integer Left = 0;
    Integer Top = 0;
    bool Interlaced = false;
    bool Corrupted = false;
    bool GreyScale = false;
    TColor TransparentColor = clNone;
    Integer Delay = 0;  // milliseconds
    Byte Disposal = 0;
    bool OwnColorTable = false;

    // From another frame (shares its data), a TGIFImage (its current or
    // first frame) or any graphic (drawn into the frame bitmap).
    void Assign(TPersistent* Source) override;

protected:
    void AssignTo(TPersistent* Dest) override;

private:
    friend class TGIFImage;
    friend class TGIFReader;
    friend class TGIFWriter;
    void Decode();
    void Encode();
    void SetBitmap(std::unique_ptr<TBitmap> Value);

    TGIFImage* FOwner;
    std::shared_ptr<TGIFItem> FItem;
    std::unique_ptr<TBitmap> FBitmap;
    std::vector<std::unique_ptr<TExtension>> FExtensions;
};

class TGIFImage : public TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;
    TGIFImage(const TGIFImage&) = delete;
    TGIFImage& operator=(const TGIFImage&) = delete;

    std::unique_ptr<TGraphic> NewInstance() const override;
    // The rest of the stream; the first frame is decoded at once.
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    // The form-file Data property: a 32-bit length, then the GIF.
    void ReadData(TStream* Stream);
    void WriteData(TStream* Stream);
    void DefineProperties(TFiler* Filer) override;
    // The clipboard format "GIF Image": a 32-bit length, then the GIF.
    void LoadFromClipboardFormat(const AnsiString& Format, const std::vector<Byte>& Data) override;
    void SaveToClipboardFormat(AnsiString& Format, std::vector<Byte>& Data) override;

    void Assign(TPersistent* Source) override;
    void Draw(TCanvas& ACanvas, const TRect& Rect) override;
    Integer Width() const override;
    Integer Height() const override;
    // Raise "Cannot change the Size of a GIF image".
    void SetWidth(Integer Value) override;
    void SetHeight(Integer Value) override;
    bool Empty() const override;
    bool Transparent() const override;
    HPALETTE Palette() override;
    // Shares the same image data.
    bool Equals(const TGIFImage& Other) const { return FData == Other.FData; }

    void Clear();
    // A new frame from the bitmap becomes the current one.
    TGIFFrame* AddBitmap(TBitmap* Bitmap);

    int FrameCount() const { return int(FFrames.size()); }
    TGIFFrame* Frames(int Index) const { return FFrames.at(std::size_t(Index)).get(); }
    int CurrentIndex() const { return FCurrent; }
    void SetCurrentIndex(int Value) { FCurrent = Value; }
    TGIFFrame* CurrentFrame() const;
    const std::shared_ptr<TGIFData>& Data() const { return FData; }
    Word ScreenWidth() const { return FScreenWidth; }
    Word ScreenHeight() const { return FScreenHeight; }
    TColor BackgroundColor = clNone;
    bool Looping = false;
    Integer RepeatCount = 1;
    int Version = 0;  // 0 none yet, 1 "87a", 2 "89a"

    // Frames larger than this many pixels are refused (EInvalidGraphicOperation).
    static inline Int64 MaxFramePixels = Int64(1) << 26;

protected:
    void AssignTo(TPersistent* Dest) override;

private:
    friend class TGIFFrame;
    friend class TGIFReader;
    friend class TGIFWriter;
    void AssignCursor(TAnimatedCursorImage* Cursor);
    void Grow(const TGIFFrame& Frame);

    std::shared_ptr<TGIFData> FData;
    std::vector<std::unique_ptr<TGIFFrame>> FFrames;
    int FCurrent = -1;
    Word FScreenWidth = 0;
    Word FScreenHeight = 0;
};

// Registers TGIFImage with the picture class for "gif" ("CompuServe GIF
// Image") and the clipboard format "GIF Image". The program block calls it
// before the main codec's registration, which then takes "gif" over.
void RegisterGIFImage();
void UnregisterGIFImage();

constexpr const char* ClipboardFormatName = "GIF Image";

// LZW coding of one frame's indices, rows top-down (interlace order when
// asked), into the minimum code size byte and data sub-blocks; and back.
// RowDone hears of every row coded.
std::vector<Byte> EncodeLZW(const std::vector<Byte>& Pixels, Integer Width, Integer Height, int Bits, bool Interlaced,
                            const std::function<void(Integer Rows)>& RowDone = {});
// Fills Pixels (Width x Height, preset by the caller) from the encoded data;
// false when the data was damaged (or raises, when not tolerated).
bool DecodeLZW(const std::vector<Byte>& Encoded, std::vector<Byte>& Pixels, Integer Width, Integer Height, int Bits,
               bool Interlaced);

// The file reader (into an empty image) and writer behind LoadFromStream
// and SaveToStream.
void ReadGIF(TGIFImage& Image, const std::vector<Byte>& Data);
std::vector<Byte> WriteGIF(TGIFImage& Image);

}  // namespace VmGIF
