#pragma once
// Reads animated cursor files into frames of icons with their hot spots and
// display rates. Writing them is not supported.
//
// RIFF file, little-endian; every chunk is a 4-character identifier, a
// 32-bit size and that many bytes, plus a pad byte when the size is odd:
//   OFFSET SIZE DESCRIPTION
//   0      4    "RIFF"
//   4      4    form size (not trusted)
//   8      4    "ACON"
//   12     ...  chunks:
//     "anih" 36+  header: 9 x u32 - header size, frames, steps, width,
//                 height, bits per pixel, planes, display rate (1/60 s),
//                 flags (bit 0: frames are icon or cursor files; required)
//     "rate"      u32 display rates     "seq "  u32 frame numbers
//     "LIST"      u32 list type, then sub-chunks:
//                 "fram": one "icon" per frame, each a whole .ico or .cur
//                 file (6-byte header: reserved, type 1 or 2, count; 16-byte
//                 entries: width, height, colours, reserved, hot spot x and
//                 y u16 in a cursor, size u32, offset u32; the images)
//                 "INFO": "INAM" title, "IART" author, among others

#include <array>
#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Icon.h"
#include "platform/rtl/Streams.h"

struct TAniHeader {
    Cardinal HeaderSize = 0;
    Cardinal Frames = 0;
    Cardinal Steps = 0;
    Cardinal Width = 0;
    Cardinal Height = 0;
    Cardinal BitCount = 0;
    Cardinal Planes = 0;
    Cardinal Rate = 0;  // jiffies
    Cardinal Flags = 0;
};

// A chunk's identifier and size as they stood in the file.
struct TAniTag {
    std::array<char, 4> Id{};
    Cardinal Size = 0;
};

class TIconFrame : public TPersistent {
public:
    TIconFrame(Integer ASequence, Cardinal ARate);
    ~TIconFrame() override;

    TIcon* Icon() const { return FIcon.get(); }
    bool IsIcon = true;  // false: the frame came from a cursor
    TAniTag Tag;
    TPoint HotSpot;
    Cardinal Rate = 0;      // jiffies (1/60 s)
    Integer Sequence = -1;  // -1: none

    void Assign(TPersistent* Source) override;

private:
    std::unique_ptr<TIcon> FIcon;
};

class TAnimatedCursorImage : public TPersistent {
public:
    TAnimatedCursorImage();
    ~TAnimatedCursorImage() override;
    TAnimatedCursorImage(const TAnimatedCursorImage&) = delete;
    TAnimatedCursorImage& operator=(const TAnimatedCursorImage&) = delete;

    void Clear();
    int Count() const { return int(FFrames.size()); }
    TIcon* IconAt(int Index) const { return FrameAt(Index)->Icon(); }
    TIconFrame* FrameAt(int Index) const;

    // Everything from the stream's position on; nothing happens when there
    // is nothing. A file that is not an animated cursor, or holds no frame
    // with an icon, raises EReadError "Stream read error" and leaves the
    // object cleared; so does one whose frames would decode to more than
    // MaxTotalPixels, with a message naming its figures.
    void LoadFromStream(TStream* Stream);
    void LoadFromFile(const AnsiString& FileName);
    // Tells the user that writing is not implemented and aborts.
    [[noreturn]] void SaveToStream(TStream* Stream);

    // From nullptr (clears) or another animated cursor.
    void Assign(TPersistent* Source) override;

    // A new colour bitmap with every frame drawn side by side (or one below
    // the other) on the background, optionally reduced to the colours the
    // source images had (at least 16), assigned to Bitmap.
    void ComposeFrameStrip(TBitmap* Bitmap, TColor Background, bool Vertical, bool ReduceColors);

    const TAniHeader& Header() const { return FHeader; }
    const AnsiString& Title() const { return FTitle; }
    const AnsiString& Author() const { return FAuthor; }
    // The most colours of any image of any frame (1 bit 2, 4 bits 16,
    // 8 bits 256, other depths 0).
    int SourceColorCount() const { return FSourceColorCount; }

    // Frames x the largest frame's width x height that a file may decode to:
    // one small image shared by every frame can otherwise ask for a frame
    // strip of hundreds of megabytes.
    static inline Int64 MaxTotalPixels = MaxDecodedPixels;

protected:
    // An icon gets the first frame's icon, a bitmap the frame strip on its
    // brush colour, an icon list every frame's icon.
    void AssignTo(TPersistent* Dest) override;

private:
    friend class TAniParser;
    std::vector<std::unique_ptr<TIconFrame>> FFrames;
    TAniHeader FHeader;
    AnsiString FTitle;
    AnsiString FAuthor;
    int FSourceColorCount = 0;
};
