#include "media/AniFile.h"

#include <gtest/gtest.h>

#include "media/IcoList.h"
#include "media/VmGIF.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/tests/IconFiles.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/TestSupport.h"

using icon_files::SolidIcon;

namespace {

void Put32(std::vector<Byte>& v, Cardinal x) {
    for (int i = 0; i < 4; ++i) v.push_back(Byte(x >> (8 * i)));
}

std::vector<Byte> Chunk(const char* Id, const std::vector<Byte>& Data, Cardinal Size = 0xFFFFFFFF) {
    std::vector<Byte> c(Id, Id + 4);
    Put32(c, Size == 0xFFFFFFFF ? Cardinal(Data.size()) : Size);
    c.insert(c.end(), Data.begin(), Data.end());
    if (Data.size() & 1) c.push_back(0);
    return c;
}

std::vector<Byte> Join(std::initializer_list<std::vector<Byte>> Parts) {
    std::vector<Byte> all;
    for (const auto& p : Parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::vector<Byte> List(const char* Type, const std::vector<Byte>& Chunks, Cardinal Size = 0xFFFFFFFF) {
    return Chunk("LIST", Join({std::vector<Byte>(Type, Type + 4), Chunks}), Size);
}

std::vector<Byte> Riff(const std::vector<Byte>& Chunks) {
    return Join({{'R', 'I', 'F', 'F'}, {0, 0, 0, 0}, {'A', 'C', 'O', 'N'}, Chunks});
}

std::vector<Byte> Header(Cardinal Frames, Cardinal Steps, Cardinal Rate, Cardinal Flags = 1, Cardinal Size = 36) {
    std::vector<Byte> h;
    for (Cardinal v : {Cardinal(36), Frames, Steps, Cardinal(0), Cardinal(0), Cardinal(0), Cardinal(0), Rate, Flags})
        Put32(h, v);
    h.resize(Size);
    return h;
}

// A one-image icon file of a solid colour, at 4 or 8 bits per pixel; as a
// cursor file with the hot spot in its directory entry.
std::vector<Byte> IconFile(int Size, TColor Color, TPixelFormat Format, bool Cursor = false, int HotX = 0,
                           int HotY = 0) {
    TMemoryStream s;
    SolidIcon(Size, Color, Format)->SaveToStream(&s);
    const Byte* p = static_cast<const Byte*>(s.Memory());
    std::vector<Byte> file(p, p + s.Size());
    if (Cursor) {
        file[2] = 2;
        file[10] = Byte(HotX), file[11] = 0, file[12] = Byte(HotY), file[13] = 0;
    }
    return file;
}

void Load(TAnimatedCursorImage& Ani, const std::vector<Byte>& Bytes) {
    TMemoryStream s;
    if (!Bytes.empty()) s.WriteBuffer(Bytes.data(), LongInt(Bytes.size()));
    s.SetPosition(0);
    Ani.LoadFromStream(&s);
}

TColor CentreColor(TIcon* Icon) {
    TBitmap b;
    b.SetSize(Icon->Width(), Icon->Height());
    b.Canvas()->Draw(0, 0, Icon);
    return b.GetPixel(Icon->Width() / 2, Icon->Height() / 2);
}

}  // namespace

TEST(TAnimatedCursorImageTest, ReadsFramesWithTheirRatesHotSpotsAndTexts) {
    const AnsiString longTitle(300, 'T');
    // Four frames announced, three images: an icon and two cursors.
    const auto file = Riff(Join({
        List("INFO", Join({Chunk("INAM", std::vector<Byte>(longTitle.begin(), longTitle.end())),
                           Chunk("IART", {'m', 'e', 0})})),
        Chunk("anih", Header(4, 4, 10)),
        Chunk("rate", {20, 0, 0, 0, 30, 0, 0, 0}),
        Chunk("rate", {40, 0, 0, 0}),
        List("fram", Join({Chunk("icon", IconFile(16, clRed, pf4bit)),
                           Chunk("icon", IconFile(24, clLime, pf8bit, true, 3, 5)),
                           Chunk("icon", IconFile(16, clBlue, pf4bit, true, 7, 1))})),
    }));
    TAnimatedCursorImage ani;
    Load(ani, file);
    ASSERT_EQ(ani.Count(), 3);
    EXPECT_EQ(ani.Header().Steps, 3u);
    EXPECT_EQ(ani.Title(), AnsiString(255, 'T'));
    EXPECT_EQ(ani.Author(), "me");
    EXPECT_EQ(ani.SourceColorCount(), 256);
    // Each "rate" chunk gives its first value to the next frame.
    EXPECT_EQ(ani.FrameAt(0)->Rate, 20u);
    EXPECT_EQ(ani.FrameAt(1)->Rate, 40u);
    EXPECT_EQ(ani.FrameAt(2)->Rate, 10u);
    EXPECT_TRUE(ani.FrameAt(0)->IsIcon);
    EXPECT_EQ(ani.FrameAt(0)->HotSpot, Point(8, 8));
    EXPECT_FALSE(ani.FrameAt(1)->IsIcon);
    EXPECT_EQ(ani.FrameAt(1)->HotSpot, Point(3, 5));
    EXPECT_EQ(ani.FrameAt(2)->HotSpot, Point(7, 1));
    EXPECT_EQ(CentreColor(ani.IconAt(1)), clLime);
    EXPECT_EQ(ani.IconAt(1)->Width(), 24);

    // Frames go to an icon list, an icon, a strip and a GIF animation.
    TIconList list;
    list.Assign(&ani);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(CentreColor(list.Icons(2)), clBlue);
    TIcon first;
    first.Assign(&ani);
    EXPECT_EQ(CentreColor(&first), clRed);
    TBitmap strip;
    strip.Canvas()->Brush()->SetColor(clWhite);
    strip.Assign(&ani);
    EXPECT_EQ(strip.Width(), 48);
    EXPECT_EQ(strip.Height(), 16);
    EXPECT_EQ(strip.GetPixel(40, 8), clBlue);
    VmGIF::TGIFImage gif;
    gif.Assign(&ani);
    ASSERT_EQ(gif.FrameCount(), 3);
    EXPECT_EQ(gif.Frames(0)->Delay, 20 * 100 / 6);
    EXPECT_EQ(gif.Frames(1)->Bitmap()->GetPixel(12, 12), clLime);
    EXPECT_THROW(ani.FrameAt(3), EListError);
}

TEST(TAnimatedCursorImageTest, ImagesBeyondTheHeaderBecomeFramesWithoutSequence) {
    const auto file = Riff(Join({Chunk("anih", Header(1, 1, 6)), Chunk("seq ", {0, 0, 0, 0}),
                                 List("fram", Join({Chunk("icon", IconFile(8, clRed, pf4bit)),
                                                    Chunk("icon", IconFile(8, clLime, pf4bit))}))}));
    TAnimatedCursorImage ani;
    Load(ani, file);
    ASSERT_EQ(ani.Count(), 2);
    EXPECT_EQ(ani.FrameAt(0)->Sequence, 0);
    EXPECT_EQ(ani.FrameAt(1)->Sequence, -1);
    EXPECT_EQ(ani.FrameAt(1)->Rate, 6u);
    TAnimatedCursorImage copy;
    copy.Assign(&ani);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(CentreColor(copy.IconAt(1)), clLime);
}

TEST(TAnimatedCursorImageTest, DamagedFilesFailCleanlyAndHugeCountsAreCapped) {
    const auto icons = List("fram", Join({Chunk("icon", IconFile(8, clRed, pf4bit)),
                                          Chunk("icon", IconFile(8, clLime, pf4bit))}));
    TAnimatedCursorImage ani;
    // A header that announces four thousand million frames, and a list
    // whose size runs far past the data: two frames all the same.
    Load(ani, Riff(Join({Chunk("anih", Header(0xFFFFFFFF, 2, 6)), icons})));
    EXPECT_EQ(ani.Count(), 2);
    auto huge = Riff(Join({Chunk("anih", Header(2, 2, 6)), icons}));
    huge[12 + 8 + 36 + 4] = 0xF0, huge[12 + 8 + 36 + 5] = 0xFF, huge[12 + 8 + 36 + 6] = 0xFF,
    huge[12 + 8 + 36 + 7] = 0xFF;
    Load(ani, huge);
    EXPECT_EQ(ani.Count(), 2);

    const auto fails = [&](const std::vector<Byte>& bytes) {
        try {
            Load(ani, bytes);
        } catch (const EReadError& e) {
            return e.Message() == "Stream read error" && ani.Count() == 0;
        }
        return false;
    };
    // A header of fewer than its 36 bytes (followed by more data it could
    // have taken for its own), no icon flag, no steps, no icon.
    EXPECT_TRUE(fails(Riff(Join({Chunk("anih", Header(2, 2, 6, 1, 20)), icons}))));
    EXPECT_TRUE(fails(Riff(Join({Chunk("anih", Header(2, 2, 6, 0)), icons}))));
    EXPECT_TRUE(fails(Riff(Join({Chunk("anih", Header(2, 0, 6)), icons}))));
    EXPECT_TRUE(fails(Riff(Chunk("anih", Header(2, 2, 6)))));
    std::vector<Byte> notRiff = Riff(icons);
    notRiff[0] = 'X';
    EXPECT_TRUE(fails(notRiff));
    const auto good = Riff(Join({Chunk("anih", Header(2, 2, 6)), icons}));
    for (std::size_t n = 1; n < good.size(); ++n) {
        try {
            Load(ani, std::vector<Byte>(good.begin(), good.begin() + std::ptrdiff_t(n)));
        } catch (const EReadError&) {
            EXPECT_EQ(ani.Count(), 0);
        }
    }
    Load(ani, good);
    Load(ani, {});
    EXPECT_EQ(ani.Count(), 2) << "an empty stream changes nothing";
}

TEST(TAnimatedCursorImageTest, FramesThatWouldDecodeToTooManyPixelsAreRefusedBeforeAnyStripIsMade) {
    // 34 KB whose 1499 frames all show one 256 x 256 image.
    const AnsiString bomb = std::string(VEMLOR_TEST_DATA) + "/icons/crafted_frame_bomb.ani";
    TAnimatedCursorImage ani;
    EXPECT_EQ(icon_files::MessageOf([&] { ani.LoadFromFile(bomb); }),
              "Animated cursor of 1499 frames of up to 256 x 256 pixels exceeds the limit of 16777216 pixels in all");
    EXPECT_EQ(ani.Count(), 0);
    EXPECT_THROW(ani.LoadFromFile(bomb), EReadError);

    // The bound counts every frame at the largest frame's size, as a strip
    // may lay them out: one frame of 16 x 16 and four of 24 x 24 count as
    // five of 24 x 24.
    const auto file = Riff(Join({Chunk("anih", Header(5, 5, 6)), Chunk("seq ", {0, 0, 0, 0}),
                                 Chunk("seq ", {1, 0, 0, 0}), Chunk("seq ", {1, 0, 0, 0}), Chunk("seq ", {1, 0, 0, 0}),
                                 Chunk("seq ", {1, 0, 0, 0}),
                                 List("fram", Join({Chunk("icon", IconFile(16, clRed, pf4bit)),
                                                    Chunk("icon", IconFile(24, clLime, pf4bit))}))}));
    const Int64 saved = TAnimatedCursorImage::MaxTotalPixels;
    auto restore = ScopeExit([&] { TAnimatedCursorImage::MaxTotalPixels = saved; });
    TAnimatedCursorImage::MaxTotalPixels = 5 * 24 * 24;
    Load(ani, file);
    EXPECT_EQ(ani.Count(), 5);
    TAnimatedCursorImage::MaxTotalPixels = 5 * 24 * 24 - 1;
    EXPECT_THROW(Load(ani, file), EReadError);
    EXPECT_EQ(ani.Count(), 0);
}

TEST(TAnimatedCursorImageTest, WritingTellsTheUserItIsNotImplemented) {
    TModalAnswerer answerer;
    answerer.Answer(mrOk);
    TAnimatedCursorImage ani;
    TMemoryStream out;
    EXPECT_THROW(ani.SaveToStream(&out), EAbort);
    EXPECT_EQ(answerer.Pending(), 0);
    EXPECT_TRUE(answerer.Unexpected().empty());
    EXPECT_EQ(out.Size(), 0);
}
