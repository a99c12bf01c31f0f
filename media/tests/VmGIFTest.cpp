#include "media/VmGIF.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>

#include "media/GIFImage.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/Exceptions.h"

namespace {

const std::string DataDir = std::string(VEMLOR_TEST_DATA) + "/gif/";

std::vector<Byte> ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<Byte>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void LoadBytes(VmGIF::TGIFImage& gif, const std::vector<Byte>& bytes) {
    TMemoryStream s;
    if (!bytes.empty()) s.WriteBuffer(bytes.data(), LongInt(bytes.size()));
    s.SetPosition(0);
    gif.LoadFromStream(&s);
}

std::vector<Byte> SaveBytes(VmGIF::TGIFImage& gif) {
    TMemoryStream s;
    gif.SaveToStream(&s);
    const Byte* p = static_cast<const Byte*>(s.Memory());
    return std::vector<Byte>(p, p + s.Size());
}

// What giflib's decoder makes of a file.
struct GiflibFrame {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::vector<Byte> Indices;
    std::vector<TColor> Colors;
    int GraphicControls = 0;
    GraphicsControlBlock Control{};
};

std::vector<GiflibFrame> GiflibDecode(const std::vector<Byte>& bytes) {
    struct Source {
        const std::vector<Byte>* Bytes;
        std::size_t Pos;
    } source{&bytes, 0};
    const auto read = [](GifFileType* gif, GifByteType* out, int n) -> int {
        auto* s = static_cast<Source*>(gif->UserData);
        const std::size_t count = std::min<std::size_t>(std::size_t(n), s->Bytes->size() - s->Pos);
        std::memcpy(out, s->Bytes->data() + s->Pos, count);
        s->Pos += count;
        return int(count);
    };
    int error = 0;
    GifFileType* gif = DGifOpen(&source, read, &error);
    if (gif == nullptr) {
        ADD_FAILURE() << "giflib cannot open the data: " << GifErrorString(error);
        return {};
    }
    std::vector<GiflibFrame> frames;
    if (DGifSlurp(gif) != GIF_OK) {
        ADD_FAILURE() << "giflib cannot read the data: " << GifErrorString(gif->Error);
    } else {
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& image = gif->SavedImages[i];
            GiflibFrame f{image.ImageDesc.Left, image.ImageDesc.Top, image.ImageDesc.Width, image.ImageDesc.Height,
                          {}, {}, 0, {}};
            const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
            for (int p = 0; p < f.Width * f.Height; ++p) {
                const Byte index = image.RasterBits[p];
                f.Indices.push_back(index);
                const GifColorType c = map && index < map->ColorCount ? map->Colors[index] : GifColorType{0, 0, 0};
                f.Colors.push_back(RGB(c.Red, c.Green, c.Blue));
            }
            for (int e = 0; e < image.ExtensionBlockCount; ++e)
                if (image.ExtensionBlocks[e].Function == GRAPHICS_EXT_FUNC_CODE) {
                    ++f.GraphicControls;
                    DGifExtensionToGCB(image.ExtensionBlocks[e].ByteCount, image.ExtensionBlocks[e].Bytes, &f.Control);
                }
            frames.push_back(std::move(f));
        }
    }
    DGifCloseFile(gif, &error);
    return frames;
}

void ExpectSameAsGiflib(VmGIF::TGIFImage& gif, const std::vector<GiflibFrame>& want, const std::string& name) {
    SCOPED_TRACE(name);
    ASSERT_EQ(gif.FrameCount(), int(want.size()));
    for (int i = 0; i < gif.FrameCount(); ++i) {
        VmGIF::TGIFFrame* f = gif.Frames(i);
        const GiflibFrame& w = want[std::size_t(i)];
        EXPECT_EQ(f->Left, w.Left);
        EXPECT_EQ(f->Top, w.Top);
        TBitmap* b = f->Bitmap();
        ASSERT_NE(b, nullptr);
        ASSERT_EQ(b->Width(), w.Width);
        ASSERT_EQ(b->Height(), w.Height);
        for (int y = 0; y < w.Height; ++y)
            for (int x = 0; x < w.Width; ++x)
                ASSERT_EQ(b->GetPixel(x, y), w.Colors[std::size_t(y * w.Width + x)]) << "frame " << i << " " << x << "," << y;
    }
}

// An indexed bitmap of the given depth filled with a pseudo-random pattern.
std::unique_ptr<TBitmap> IndexedPicture(TPixelFormat format, int width, int height, unsigned Salt, bool noise) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(format);
    b->SetSize(width, height);
    const int colors = 1 << PixelFormatBits(format);
    std::vector<TRGBQuad> table;
    for (int i = 0; i < colors; ++i) table.push_back(TRGBQuad{Byte(i * 7), Byte(255 - i), Byte(i * 13 + 1), 0});
    b->SetColorTable(table);
    std::mt19937 random(Salt);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b->SetPixelValue(x, y, noise ? Cardinal(random() % colors) : Cardinal((x / 3 + y * y) % colors));
    return b;
}

}  // namespace

TEST(VmGIFTest, ReadsSampleFilesAsGiflibDoes) {
    for (const char* name : {"magick_cs3.gif", "magick_cs5.gif", "magick_cs8.gif", "gifbuild_cs2.gif",
                             "gifbuild_frames.gif", "gifsicle_anim.gif", "gifsicle_interlaced.gif"}) {
        const std::vector<Byte> bytes = ReadAll(DataDir + name);
        VmGIF::TGIFImage gif;
        LoadBytes(gif, bytes);
        ExpectSameAsGiflib(gif, GiflibDecode(bytes), name);
    }
}

TEST(VmGIFTest, GiflibDecodesWhatWeWriteToIdenticalPixels) {
    // Noise fills the string table, so the coder restarts it with clear
    // codes; the code width grows at every power of two on the way.
    const struct {
        TPixelFormat Format;
        int Width, Height;
        bool Noise;
    } cases[] = {{pf1bit, 37, 23, false}, {pf4bit, 41, 17, false}, {pf8bit, 60, 50, false},
                 {pf8bit, 160, 130, true}, {pf1bit, 300, 70, true}, {pf4bit, 1, 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(PixelFormatBits(c.Format)) + " bits, " + std::to_string(c.Width));
        const auto picture = IndexedPicture(c.Format, c.Width, c.Height, unsigned(c.Width), c.Noise);
        VmGIF::TGIFImage gif;
        gif.AddBitmap(picture.get());
        std::vector<int> progress;
        gif.OnProgress = [&](TObject*, TProgressStage Stage, Byte Percent, bool, const TRect&, const AnsiString&) {
            progress.push_back(Stage == psRunning ? Percent : -1);
        };
        const std::vector<Byte> bytes = SaveBytes(gif);
        ASSERT_EQ(progress.size(), std::size_t(c.Height) + 2) << "start, one a row, end";
        EXPECT_EQ(progress[std::size_t(c.Height)], 100);
        EXPECT_EQ(bytes[13 + 3 * (1 << PixelFormatBits(c.Format)) + 10],
                  c.Format == pf1bit ? 2 : PixelFormatBits(c.Format))
            << "minimum code size";
        const std::vector<GiflibFrame> frames = GiflibDecode(bytes);
        ASSERT_EQ(frames.size(), 1u);
        for (int y = 0; y < c.Height; ++y)
            for (int x = 0; x < c.Width; ++x)
                ASSERT_EQ(frames[0].Indices[std::size_t(y * c.Width + x)], picture->PixelValue(x, y)) << x << "," << y;
        VmGIF::TGIFImage back;
        LoadBytes(back, bytes);
        ExpectSameAsGiflib(back, frames, "read back");
    }
}

TEST(VmGIFTest, TrueColourFramesAreMappedAndKeepTheirTransparencyAndDelay) {
    VmGIF::TGIFImage gif;
    for (int frame = 0; frame < 2; ++frame) {
        TBitmap b;
        b.SetPixelFormat(pf24bit);
        b.SetSize(20, 10);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) b.SetPixel(x, y, RGB(x * 12, y * 25, frame * 200));
        b.SetPixel(0, 0, clFuchsia);
        b.SetTransparentColor(clFuchsia);
        b.SetTransparent(true);
        gif.AddBitmap(&b)->Delay = 150;
    }
    gif.Looping = true;
    gif.RepeatCount = 3;
    const std::vector<Byte> bytes = SaveBytes(gif);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    const std::vector<GiflibFrame> frames = GiflibDecode(bytes);
    ASSERT_EQ(frames.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(frames[std::size_t(i)].GraphicControls, 1);
        EXPECT_EQ(frames[std::size_t(i)].Control.DelayTime, 15);
        ASSERT_GE(frames[std::size_t(i)].Control.TransparentColor, 0);
        EXPECT_EQ(frames[std::size_t(i)].Indices[0], frames[std::size_t(i)].Control.TransparentColor);
        EXPECT_EQ(frames[std::size_t(i)].Colors[0], clFuchsia);
        EXPECT_EQ(frames[std::size_t(i)].Colors[9 * 20 + 19], RGB(19 * 12, 9 * 25, i * 200)) << "exact: 200 colours";
    }
    VmGIF::TGIFImage back;
    LoadBytes(back, bytes);
    EXPECT_TRUE(back.Looping);
    EXPECT_EQ(back.RepeatCount, 3);
    EXPECT_EQ(back.Frames(1)->Delay, 150);
    EXPECT_EQ(back.Frames(1)->TransparentColor, clFuchsia);
    // Drawn, the transparent colour lets the background show.
    back.SetCurrentIndex(1);
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(40, 20);
    target.Canvas()->Brush()->SetColor(clYellow);
    target.Canvas()->FillRect(Rect(0, 0, 40, 20));
    target.Canvas()->StretchDraw(Rect(0, 0, 40, 20), &back);
    EXPECT_EQ(target.GetPixel(1, 1), clYellow);
    EXPECT_EQ(target.GetPixel(39, 19), RGB(19 * 12, 9 * 25, 200));
}

TEST(VmGIFTest, ALoadedFrameKeepsOneGraphicControlBlockWithItsNewValues) {
    const std::vector<Byte> file = ReadAll(DataDir + "gifbuild_frames.gif");
    const std::vector<GiflibFrame> original = GiflibDecode(file);
    ASSERT_EQ(original[0].GraphicControls, 1);
    VmGIF::TGIFImage gif;
    LoadBytes(gif, file);
    gif.Frames(0)->Delay = 370;
    const std::vector<GiflibFrame> written = GiflibDecode(SaveBytes(gif));
    ASSERT_EQ(written.size(), original.size());
    EXPECT_EQ(written[0].GraphicControls, 1);
    EXPECT_EQ(written[0].Control.DelayTime, 37);
    EXPECT_EQ(written[0].Control.DisposalMode, original[0].Control.DisposalMode);
    EXPECT_EQ(written[0].Control.TransparentColor, original[0].Control.TransparentColor);
    EXPECT_EQ(written[1].Indices, original[1].Indices);
}

TEST(VmGIFTest, CodesBelowTheClearCodeAreRootsMaskedToTheFramesColours) {
    // Two colours but a minimum code size of 8: codes 2 to 255 are roots
    // too, and no table entry that was never set is walked.
    std::vector<Byte> file = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 1, 0, 0x80, 0, 0,  // 4 x 1, 2 colours
                              0, 0, 0, 255, 255, 255,                              // black, white
                              ',', 0, 0, 0, 0, 4, 0, 1, 0, 0,                      // the frame
                              8};                                                  // minimum code size 8
    // 9-bit codes: clear, 200, 201, 258 (= 201 201's first), end.
    const int codes[] = {256, 200, 201, 259, 257};
    std::vector<Byte> packed;
    unsigned bucket = 0;
    int bits = 0;
    for (int code : codes) {
        bucket |= unsigned(code) << bits;
        bits += 9;
        for (; bits >= 8; bits -= 8, bucket >>= 8) packed.push_back(Byte(bucket));
    }
    if (bits) packed.push_back(Byte(bucket));
    file.push_back(Byte(packed.size()));
    file.insert(file.end(), packed.begin(), packed.end());
    file.insert(file.end(), {0, ';'});
    VmGIF::TGIFImage gif;
    LoadBytes(gif, file);
    TBitmap* b = gif.Frames(0)->Bitmap();
    EXPECT_EQ(b->PixelValue(0, 0), 0u);  // 200 & 1
    EXPECT_EQ(b->PixelValue(1, 0), 1u);  // 201 & 1
    EXPECT_EQ(b->PixelValue(2, 0), 1u);  // 259 = 201 + first of 201
    EXPECT_EQ(b->PixelValue(3, 0), 1u);
    EXPECT_FALSE(gif.Frames(0)->Corrupted);
}

TEST(VmGIFTest, DamagedFilesLoadWhatTheyCanOrRaiseTheCodecError) {
    const std::vector<Byte> file = ReadAll(DataDir + "gifsicle_anim.gif");
    for (bool tolerate : {true, false}) {
        VmGIF::TolerateCorruptData = tolerate;
        for (std::size_t n = 0; n < file.size(); ++n) {
            VmGIF::TGIFImage gif;
            try {
                LoadBytes(gif, std::vector<Byte>(file.begin(), file.begin() + std::ptrdiff_t(n)));
                for (int i = 0; i < gif.FrameCount(); ++i) gif.Frames(i)->Bitmap();
            } catch (const EInvalidGraphicOperation&) {
            }
        }
    }
    VmGIF::TolerateCorruptData = true;
    std::vector<Byte> cut(file.begin(), file.end() - 30);
    VmGIF::TGIFImage gif;
    LoadBytes(gif, cut);
    EXPECT_TRUE(gif.Frames(gif.FrameCount() - 1)->Corrupted);
    VmGIF::TolerateCorruptData = false;
    EXPECT_THROW(LoadBytes(gif, cut), EInvalidGraphicOperation);
    VmGIF::TolerateCorruptData = true;
    std::vector<Byte> bad = file;
    bad[3] = '8', bad[4] = '8';
    try {
        LoadBytes(gif, bad);
        ADD_FAILURE();
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), "Unknown GIF version");
    }
}

TEST(VmGIFTest, HeaderLoopSizeAndVersionEdges) {
    // "gif89A" in mixed case, a loop of 65535, a frame of width 0.
    const std::vector<Byte> file = {
        'g', 'i', 'F', '8', '9', 'A', 3, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 9, 9, 9,
        '!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0xFF, 0xFF, 0,
        ',', 0, 0, 0, 0, 0, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, ';'};
    VmGIF::TGIFImage gif;
    LoadBytes(gif, file);
    EXPECT_TRUE(gif.Looping);
    EXPECT_EQ(gif.RepeatCount, 30000);
    EXPECT_EQ(gif.Frames(0)->Width(), 3);
    EXPECT_EQ(gif.Version, 2);

    VmGIF::TGIFImage plain;
    plain.AddBitmap(IndexedPicture(pf1bit, 5, 3, 1, false).get());
    std::vector<Byte> bytes = SaveBytes(plain);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
    plain.Data()->Comment.push_back("made here");
    bytes = SaveBytes(plain);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    VmGIF::TGIFImage back;
    LoadBytes(back, bytes);
    EXPECT_EQ(back.Data()->Comment, std::vector<AnsiString>{"made here"});
    EXPECT_THROW(back.SetWidth(3), EInvalidGraphicOperation);
}

TEST(VmGIFTest, AFrameTheScreenCannotGiveASizeIsRefusedOnLoad) {
    const auto file = [](Byte ScreenHeight) {
        return std::vector<Byte>{
            'G', 'I', 'F', '8', '9', 'a', 12, 0, ScreenHeight, 0, 0, 0, 0,  // screen 12 x H, no global table
            ',', 0, 0, 0, 0, 12, 0, 0, 0, 0x80,  // frame at 0, 0 of 12 x 0, local table of 2 colours
            0, 0, 0, 255, 255, 255,              // black, white
            2, 1, 0x2C, 0,                       // code size 2; clear (4) and end (5) in 3 bits each
            ';'};
    };
    VmGIF::TGIFImage gif;
    try {
        LoadBytes(gif, file(0));
        ADD_FAILURE() << "a frame of 12 x 0 pixels loaded";
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), "GIF frame of 12 x 0 pixels is empty");
    }
    EXPECT_EQ(gif.FrameCount(), 0);

    // With a screen 3 high the frame takes its height; what loads is
    // written, also once its pixels went through a bitmap.
    LoadBytes(gif, file(3));
    ASSERT_EQ(gif.FrameCount(), 1);
    TBitmap copy;
    copy.Assign(*gif.Frames(0)->Bitmap());
    gif.Frames(0)->Assign(&copy);
    VmGIF::TGIFImage back;
    LoadBytes(back, SaveBytes(gif));
    EXPECT_EQ(back.Frames(0)->Width(), 12);
    EXPECT_EQ(back.Frames(0)->Height(), 3);
}

TEST(VmGIFTest, RegisteredBeforeTheMainCodecWhichTakesGifFiles) {
    VmGIF::RegisterGIFImage();
    GIFImage::RegisterGIFImage();
    EXPECT_EQ(TPicture::GraphicClassForExtension("gif"), "GIFImage::TGIFImage");
    TPicture picture;
    picture.LoadFromFile(DataDir + "gifbuild_cs2.gif");
    EXPECT_NE(dynamic_cast<GIFImage::TGIFImage*>(picture.Graphic()), nullptr);
    GIFImage::UnregisterGIFImage();
    EXPECT_EQ(TPicture::GraphicClassForExtension("gif"), "VmGIF::TGIFImage");
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(VmGIF::ClipboardFormatName));
    VmGIF::UnregisterGIFImage();
    EXPECT_EQ(TPicture::GraphicClassForExtension("gif"), "");
}

TEST(VmGIFTest, CopiesShareDataUntilAFrameGivesOneItsColourTable) {
    VmGIF::TGIFImage source;
    VmGIF::TGIFImage copy;
    copy.Assign(&source);
    EXPECT_TRUE(copy.Equals(source));
    copy.AddBitmap(IndexedPicture(pf4bit, 6, 6, 2, false).get());
    SaveBytes(copy);
    EXPECT_EQ(copy.Data()->ColorTable.Entries.size(), 16u);
    EXPECT_TRUE(source.Data()->ColorTable.Entries.empty());
    EXPECT_FALSE(copy.Equals(source));
}
