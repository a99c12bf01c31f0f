#include "media/GIFImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Icon.h"
#include "platform/rtl/Exceptions.h"

using namespace GIFImage;

namespace {

constexpr TColor Red = 0x0000FF, Green = 0x00FF00, Blue = 0xFF0000, White = 0xFFFFFF, Yellow = 0x00FFFF;

// A picture of ScreenW x ScreenH with the global table red, green, blue,
// white and one frame of the given indices; index 3 is transparent when asked.
std::unique_ptr<TGIFImage> MakePicture(Integer ScreenW, Integer ScreenH, Integer Left, Integer Top, Integer W,
                                       Integer H, const std::vector<Byte>& Pixels, bool Transparent) {
    auto gif = std::make_unique<TGIFImage>();
    gif->Header().SetWidth(ScreenW);
    gif->Header().SetHeight(ScreenH);
    for (TColor c : {Red, Green, Blue, White}) gif->GlobalColorMap().Add(c);
    auto frame = std::make_unique<TGIFSubImage>(gif.get());
    frame->SetLeft(Left);
    frame->SetTop(Top);
    frame->SetSize(W, H);
    frame->Data() = Pixels;
    if (Transparent) {
        auto gce = std::make_unique<TGIFGraphicControlExtension>(frame.get());
        gce->SetTransparent(true);
        gce->SetTransparentColorIndex(3);
        frame->Extensions().Add(std::move(gce));
        frame->SetTransparent(true);
    }
    gif->Images().Add(std::move(frame));
    return gif;
}

std::vector<Byte> SaveBytes(TGIFImage& gif) {
    TMemoryStream s;
    gif.SaveToStream(&s);
    const Byte* p = static_cast<const Byte*>(s.Memory());
    return std::vector<Byte>(p, p + s.Size());
}

void LoadBytes(TGIFImage& gif, const std::vector<Byte>& bytes) {
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), LongInt(bytes.size()));
    s.SetPosition(0);
    gif.LoadFromStream(&s);
}

// A 24-bit bitmap filled with one colour.
std::unique_ptr<TBitmap> Canvas24(Integer W, Integer H, TColor Fill) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(W, H);
    b->Canvas()->Brush()->SetColor(Fill);
    b->Canvas()->FillRect(::Rect(0, 0, W, H));
    return b;
}

std::vector<TColor> Row(const TBitmap& b, Integer y) {
    std::vector<TColor> r;
    for (Integer x = 0; x < b.Width(); ++x) r.push_back(b.GetPixel(x, y));
    return r;
}

}  // namespace

TEST(TGIFImageTest, DrawsFrameZeroLeavingTransparentPixelsAlone) {
    // Read back from its file form, so the transparency comes from the file.
    auto made = MakePicture(4, 2, 0, 0, 4, 2, {0, 1, 3, 2, 3, 3, 0, 1}, true);
    TGIFImage gif;
    LoadBytes(gif, SaveBytes(*made));
    ASSERT_EQ(gif.DrawOptions(), DefaultDrawOptions);
    auto target = Canvas24(4, 2, Yellow);
    target->Canvas()->StretchDraw(::Rect(0, 0, 4, 2), &gif);
    EXPECT_EQ(Row(*target, 0), (std::vector<TColor>{Red, Green, Yellow, Blue}));
    EXPECT_EQ(Row(*target, 1), (std::vector<TColor>{Yellow, Yellow, Red, Green}));
    ASSERT_NE(gif.Images()[0]->Mask(), nullptr);

    // Stretched to twice the size, and without DrawTransparent index 3 shows white.
    auto big = Canvas24(8, 4, Yellow);
    big->Canvas()->StretchDraw(::Rect(0, 0, 8, 4), &gif);
    EXPECT_EQ(Row(*big, 1), (std::vector<TColor>{Red, Red, Green, Green, Yellow, Yellow, Blue, Blue}));
    gif.SetDrawOptions(DefaultDrawOptions & ~DrawTransparent);
    target->Canvas()->StretchDraw(::Rect(0, 0, 4, 2), &gif);
    EXPECT_EQ(Row(*target, 1), (std::vector<TColor>{White, White, Red, Green}));
}

TEST(TGIFImageTest, PlacesFrameByItsShareOfTheLogicalScreen) {
    // A frame at (10, 0), 50 wide, on a 100-wide screen covers x = 20 to 120 of a 200-wide rectangle.
    auto gif = MakePicture(100, 1, 10, 0, 50, 1, std::vector<Byte>(50, 1), false);
    auto target = Canvas24(200, 2, Yellow);
    target->Canvas()->StretchDraw(::Rect(0, 0, 200, 2), gif.get());
    EXPECT_EQ(target->GetPixel(19, 0), Yellow);
    EXPECT_EQ(target->GetPixel(20, 0), Green);
    EXPECT_EQ(target->GetPixel(119, 1), Green);
    EXPECT_EQ(target->GetPixel(120, 0), Yellow);
}

TEST(TGIFImageTest, TilesFrameAtItsOwnSizeInsideTheRectangle) {
    // A 1 x 1 frame at (1, 0) of a 2 x 1 screen, tiled over (1, 1)-(6, 2).
    auto gif = MakePicture(2, 1, 1, 0, 1, 1, {2}, false);
    gif->SetDrawOptions(DefaultDrawOptions | Tile);
    auto target = Canvas24(8, 3, Yellow);
    target->Canvas()->StretchDraw(::Rect(1, 1, 6, 2), gif.get());
    EXPECT_EQ(Row(*target, 1), (std::vector<TColor>{Yellow, Yellow, Blue, Yellow, Blue, Yellow, Yellow, Yellow}));
    EXPECT_EQ(Row(*target, 0), std::vector<TColor>(8, Yellow));
    EXPECT_EQ(Row(*target, 2), std::vector<TColor>(8, Yellow));
}

TEST(TGIFImageTest, EmptyOrColourlessPicturesDrawWithoutFailing) {
    TGIFImage empty;
    auto target = Canvas24(3, 3, Yellow);
    target->Canvas()->StretchDraw(::Rect(0, 0, 3, 3), &empty);
    EXPECT_EQ(Row(*target, 1), std::vector<TColor>(3, Yellow));
    EXPECT_EQ(empty.Palette(), nullptr);

    // No colour table anywhere: the palette is none (instead of the frame
    // and the picture asking each other), and the pixels show black.
    TGIFImage bare;
    bare.Header().SetWidth(2);
    bare.Header().SetHeight(1);
    auto frame = std::make_unique<TGIFSubImage>(&bare);
    frame->SetSize(2, 1);
    bare.Images().Add(std::move(frame));
    EXPECT_EQ(bare.Palette(), nullptr);
    target->Canvas()->StretchDraw(::Rect(0, 0, 2, 1), &bare);
    EXPECT_EQ(target->GetPixel(1, 0), TColor(0));
}

TEST(TGIFImageTest, ResizingBelowAFrameIsRefusedAndKeepsTheSize) {
    auto gif = MakePicture(10, 10, 2, 3, 5, 5, std::vector<Byte>(25, 0), false);
    EXPECT_THROW(gif->SetWidth(6), GIFException);
    EXPECT_THROW(gif->SetHeight(7), GIFException);
    EXPECT_EQ(gif->Width(), 10);
    EXPECT_EQ(gif->Height(), 10);
    TBitmap* before = gif->Bitmap();
    ASSERT_NE(before, nullptr);
    gif->SetWidth(7);
    EXPECT_EQ(gif->Bitmap()->Width(), 7);  // the composite was rebuilt
}

TEST(TGIFImageTest, AssignsCompositeOfFrameZeroToABitmap) {
    auto gif = MakePicture(3, 2, 1, 1, 2, 1, {2, 3}, true);
    TBitmap b;
    b.Assign(gif.get());
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    ASSERT_EQ(b.Width(), 3);
    ASSERT_EQ(b.Height(), 2);
    // Background index 0, the frame at its place, not transparent.
    EXPECT_EQ(Row(b, 0), (std::vector<TColor>{Red, Red, Red}));
    EXPECT_EQ(Row(b, 1), (std::vector<TColor>{Red, Blue, White}));
    TGIFImage empty;
    b.Assign(&empty);
    EXPECT_TRUE(b.Empty());
}

TEST(TGIFImageTest, SmallerFrameWithItsOwnTableKeepsItsColoursInTheComposite) {
    // A 4 x 2 screen whose global table is white and black, and a 2 x 1
    // frame at (1, 0) with its own table of black, red, green and blue
    // showing red and green.
    const std::vector<Byte> file = {
        'G', 'I', 'F', '8', '9', 'a',
        4, 0, 2, 0,               // logical screen 4 x 2
        0x80, 0, 0,               // global table of 2 entries, background 0, no aspect
        255, 255, 255, 0, 0, 0,   // global: white, black
        0x2C,                     // image descriptor
        1, 0, 0, 0,               // left 1, top 0
        2, 0, 1, 0,               // 2 x 1
        0x81,                     // local table of 4 entries
        0, 0, 0, 255, 0, 0,       // local: black, red
        0, 255, 0, 0, 0, 255,     // green, blue
        2,                        // LZW minimum code size
        2, 0x8C, 0x0A,            // codes clear, 1, 2, end in 3 bits each
        0,                        // end of the pixel data
        0x3B};                    // trailer
    TGIFImage gif;
    LoadBytes(gif, file);
    TBitmap b;
    b.Assign(&gif);
    ASSERT_EQ(b.Width(), 4);
    ASSERT_EQ(b.Height(), 2);
    // The background is the global table's first colour, as ever.
    EXPECT_EQ(Row(b, 0), (std::vector<TColor>{White, Red, Green, White}));
    EXPECT_EQ(Row(b, 1), (std::vector<TColor>{White, White, White, White}));
    // Drawing it agrees.
    auto drawn = Canvas24(4, 2, Yellow);
    drawn->Canvas()->StretchDraw(::Rect(0, 0, 4, 2), &gif);
    EXPECT_EQ(Row(*drawn, 0)[1], Red);
    EXPECT_EQ(Row(*drawn, 0)[2], Green);
    // The picture's palette is still the global table.
    ASSERT_NE(gif.Palette(), nullptr);
    EXPECT_EQ(PaletteEntryCount(gif.Palette()), 2);
}

TEST(TGIFImageTest, IconGivesAFrameSeeThroughWhereItsMaskSays) {
    // Red and see-through on top, blue and opaque black below: black is no
    // key colour in an icon.
    TIconInfo info;
    info.Color = std::make_unique<TBitmap>();
    info.Color->SetPixelFormat(pf24bit);
    info.Color->SetSize(2, 2);
    info.Mask = std::make_unique<TBitmap>();
    info.Mask->SetPixelFormat(pf1bit);
    info.Mask->SetSize(2, 2);
    const TColor colours[2][2] = {{Red, clBlack}, {Blue, clBlack}};
    for (Integer y = 0; y < 2; ++y)
        for (Integer x = 0; x < 2; ++x) {
            info.Color->SetPixel(x, y, colours[y][x]);
            info.Mask->SetPixelValue(x, y, x == 1 && y == 0 ? 1 : 0);
        }
    TIcon icon;
    icon.SetHandle(CreateIconIndirect(info));
    TGIFImage gif;
    gif.Assign(&icon);
    ASSERT_EQ(gif.Images().Count(), 1);
    EXPECT_TRUE(gif.Images()[0]->Transparent());
    auto target = Canvas24(2, 2, Yellow);
    target->Canvas()->StretchDraw(::Rect(0, 0, 2, 2), &gif);
    EXPECT_EQ(Row(*target, 0), (std::vector<TColor>{Red, Yellow}));
    EXPECT_EQ(Row(*target, 1), (std::vector<TColor>{Blue, TColor(clBlack)}));
    // And so it is saved.
    TGIFImage again;
    LoadBytes(again, SaveBytes(gif));
    auto target2 = Canvas24(2, 2, Yellow);
    target2->Canvas()->StretchDraw(::Rect(0, 0, 2, 2), &again);
    EXPECT_EQ(Row(*target2, 0), Row(*target, 0));
    EXPECT_EQ(Row(*target2, 1), Row(*target, 1));
}

TEST(TGIFImageTest, TakesAFrameFromA24BitBitmap) {
    auto src = Canvas24(3, 2, Red);
    src->SetPixel(1, 0, 0x00CC33);  // colours of the web cube survive the default reduction
    src->SetPixel(2, 1, Blue);
    TGIFImage gif;
    std::vector<AnsiString> warnings;
    gif.OnWarning = [&](TObject*, TGIFSeverity, const AnsiString& m) { warnings.push_back(m); };
    gif.Assign(src.get());
    ASSERT_EQ(gif.Images().Count(), 1);
    EXPECT_EQ(gif.Width(), 3);
    EXPECT_EQ(gif.Height(), 2);
    EXPECT_EQ(warnings.back(), "Image exceeds Logical Screen size");
    TBitmap back;
    back.Assign(&gif);
    for (Integer y = 0; y < 2; ++y) EXPECT_EQ(Row(back, y), Row(*src, y)) << y;
    // And it is written and read back as a GIF.
    TGIFImage again;
    LoadBytes(again, SaveBytes(gif));
    TBitmap back2;
    back2.Assign(&again);
    EXPECT_EQ(Row(back2, 0), Row(*src, 0));

    // Without reduction the exact colours go into the local table.
    TGIFImage exact;
    exact.SetColorReduction(0);
    src->SetPixel(0, 0, 0x123456);
    exact.Assign(src.get());
    EXPECT_EQ(exact.Images()[0]->ColorMap().Count(), 4);
    back.Assign(&exact);
    EXPECT_EQ(back.GetPixel(0, 0), TColor(0x123456));
}

TEST(TGIFImageTest, TakesIndicesAndTableFromPalettedBitmaps) {
    TBitmap b4;
    b4.SetPixelFormat(pf4bit);
    b4.SetColorTable({TRGBQuad{0, 0, 0, 0}, TRGBQuad{0, 0, 255, 0}, TRGBQuad{255, 0, 0, 0}});
    b4.SetSize(3, 1);
    b4.ScanLine(0)[0] = 0x12;
    b4.ScanLine(0)[1] = 0x50;  // index 5 lies past the 3-entry table: black
    TGIFImage gif;
    gif.Assign(&b4);
    TGIFSubImage* f = gif.Images()[0];
    EXPECT_EQ(f->Data(), (std::vector<Byte>{1, 2, 5}));
    EXPECT_EQ(f->ColorMap().Count(), 6);
    TBitmap back;
    back.Assign(&gif);
    EXPECT_EQ(Row(back, 0), (std::vector<TColor>{Red, Blue, TColor(0)}));
    EXPECT_NO_THROW(SaveBytes(gif));  // every index has a colour

    TBitmap b1;
    b1.SetPixelFormat(pf1bit);
    b1.SetSize(10, 1);
    std::memset(b1.ScanLine(0), 0, 2);
    b1.ScanLine(0)[0] = 0xA0;
    b1.ScanLine(0)[1] = 0x40;
    gif.Assign(&b1);
    EXPECT_EQ(gif.Images()[0]->Data(), (std::vector<Byte>{1, 0, 1, 0, 0, 0, 0, 0, 0, 1}));
}

TEST(TGIFImageTest, TransparentBitmapBecomesATransparentFrame) {
    auto src = Canvas24(2, 2, Green);
    src->SetPixel(0, 0, Red);
    src->SetTransparentColor(Green);
    src->SetTransparent(true);
    TGIFImage gif;
    gif.Assign(src.get());
    TGIFSubImage* f = gif.Images()[0];
    ASSERT_NE(f->GraphicControlExtension(), nullptr);
    EXPECT_TRUE(f->GraphicControlExtension()->Transparent());
    EXPECT_TRUE(f->Transparent());
    auto target = Canvas24(2, 2, Yellow);
    target->Canvas()->StretchDraw(::Rect(0, 0, 2, 2), &gif);
    EXPECT_EQ(Row(*target, 0), (std::vector<TColor>{Red, Yellow}));
    EXPECT_EQ(Row(*target, 1), (std::vector<TColor>{Yellow, Yellow}));
    // The transparency survives the file.
    TGIFImage again;
    LoadBytes(again, SaveBytes(gif));
    auto target2 = Canvas24(2, 2, Yellow);
    target2->Canvas()->StretchDraw(::Rect(0, 0, 2, 2), &again);
    EXPECT_EQ(Row(*target2, 0), Row(*target, 0));
}

TEST(TGIFImageTest, AddsFramesFromGraphicsAndFramesOnly) {
    auto gif = MakePicture(4, 2, 0, 0, 4, 2, std::vector<Byte>(8, 1), false);
    auto bmp = Canvas24(2, 2, Blue);
    EXPECT_EQ(gif->Add(bmp.get()), 1);
    EXPECT_EQ(gif->Add(gif->Images()[0]), 2);
    EXPECT_EQ(gif->Images()[2]->Data(), gif->Images()[0]->Data());
    TGIFColorMap notAGraphic;
    EXPECT_THROW(gif->Add(&notAGraphic), GIFException);
    EXPECT_EQ(gif->Images().Count(), 3);
}

TEST(TGIFImageTest, CopiesAnotherPictureWithItsSettings) {
    auto src = MakePicture(4, 2, 0, 0, 4, 2, {0, 1, 3, 2, 3, 3, 0, 1}, true);
    src->SetDrawOptions(Tile);
    src->SetColorReduction(4);
    src->SetDitherMode(1);
    int copying = 0;
    src->OnProgress = [&](TObject*, TProgressStage, Byte, bool, const TRect&, const AnsiString& m) {
        if (m == "Copying...") ++copying;
    };
    TGIFImage copy;
    copy.Assign(src.get());
    EXPECT_EQ(copy.DrawOptions(), Tile);
    EXPECT_EQ(copy.ColorReduction(), 4);
    EXPECT_EQ(copy.DitherMode(), 1);
    EXPECT_EQ(copy.Images()[0]->Data(), src->Images()[0]->Data());
    EXPECT_TRUE(copy.Images()[0]->Transparent());
    EXPECT_GT(copying, 0);
    EXPECT_FALSE(copy.OnProgress);  // the source's handler was lent for the copy only
}

TEST(TGIFImageTest, AbortedRenderingLeavesTheFrameUnbuilt) {
    auto gif = MakePicture(4, 2, 0, 0, 4, 2, std::vector<Byte>(8, 2), false);
    gif->OnProgress = [](TObject*, TProgressStage Stage, Byte, bool, const TRect&, const AnsiString& m) {
        if (m == "Rendering..." && Stage == psStarting) throw EAbort("");
    };
    auto target = Canvas24(4, 2, Yellow);
    EXPECT_NO_THROW(target->Canvas()->StretchDraw(::Rect(0, 0, 4, 2), gif.get()));
    EXPECT_EQ(Row(*target, 0), std::vector<TColor>(4, Yellow));
    EXPECT_EQ(gif->Images()[0]->Bitmap(), nullptr);
}

TEST(TGIFImageTest, PictureLoadsGifFilesThroughTheRegistration) {
    // Another class registered for "gif" first loses to this one.
    TPicture::RegisterFileFormat("gif", "Other", "OtherGIF", [] { return std::unique_ptr<TGraphic>(new TBitmap); });
    RegisterGIFImage();
    EXPECT_EQ(TPicture::GraphicClassForExtension(".GIF"), "GIFImage::TGIFImage");
    auto gif = MakePicture(4, 2, 0, 0, 4, 2, {0, 1, 3, 2, 3, 3, 0, 1}, false);
    std::filesystem::create_directories(VEMLOR_TEST_OUTPUT);
    const std::string path = std::string(VEMLOR_TEST_OUTPUT) + "/picture_x.GIF";
    {
        // With a 32-bit length in front, as form resources store it.
        const auto bytes = SaveBytes(*gif);
        std::ofstream f(path, std::ios::binary);
        const char length[4] = {char(bytes.size()), 0, 0, 0};
        f.write(length, 4);
        f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    TPicture picture;
    picture.LoadFromFile(path);
    auto* loaded = dynamic_cast<TGIFImage*>(picture.Graphic());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Images()[0]->Data(), gif->Images()[0]->Data());
    UnregisterGIFImage();
    TPicture::UnregisterGraphicClass("OtherGIF");
    EXPECT_EQ(TPicture::GraphicClassForExtension("gif"), "");
}

TEST(TGIFImageTest, DitheredFramesUseTheWebCubeAndKeepTransparency) {
    // Web-cube colours come through dithering unchanged; index 3 stays transparent.
    auto gif = MakePicture(4, 1, 0, 0, 4, 1, {0, 3, 1, 2}, true);
    gif->SetDrawOptions(DefaultDrawOptions & ~DitherOnPaletteScreens);
    ASSERT_TRUE(gif->DitheringFrames());
    EXPECT_EQ(PaletteEntryCount(gif->Palette()), 216);
    auto target = Canvas24(4, 1, Yellow);
    target->Canvas()->StretchDraw(::Rect(0, 0, 4, 1), gif.get());
    EXPECT_EQ(Row(*target, 0), (std::vector<TColor>{Red, Yellow, Green, Blue}));
    // On a true-colour screen the default options do not dither.
    gif->SetDrawOptions(DefaultDrawOptions);
    EXPECT_FALSE(gif->DitheringFrames());
    EXPECT_EQ(PaletteEntryCount(gif->Palette()), 4);
}

TEST(TGIFImageTest, BitmapThatCannotBeConvertedLeavesThePictureAsItWas) {
    // 300 colours without reduction overflow the colour table.
    auto many = Canvas24(300, 1, Red);
    for (Integer x = 0; x < 300; ++x) many->SetPixel(x, 0, RGB(Byte(x), Byte(x >> 8), 7));
    auto gif = MakePicture(4, 2, 0, 0, 4, 2, std::vector<Byte>(8, 2), false);
    gif->SetColorReduction(0);
    EXPECT_THROW(gif->Assign(many.get()), GIFException);
    ASSERT_EQ(gif->Images().Count(), 1);
    EXPECT_EQ(gif->Width(), 4);
    EXPECT_EQ(gif->Images()[0]->Data(), std::vector<Byte>(8, 2));
}
