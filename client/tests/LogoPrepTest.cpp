#include "client/LogoPrep.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "media/GIFImage.h"
#include "media/PictureFormats.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Graphic.h"
#include "platform/gfx/Jpeg.h"

namespace {

std::string OutPath(const std::string& name) {
    const std::string dir = std::string(VEMLOR_TEST_OUTPUT) + "/logo-prep";
    std::filesystem::create_directories(dir);
    return dir + "/" + name;
}

bool IsBlack(const TBitmap& b, Integer x, Integer y) { return (b.GetPixel(x, y) & 0xFFFFFF) == 0; }

// A white w x h picture with a black square of side 6 at (2, 3) and a
// light-grey stripe in row 0 (not dark enough to count as drawing).
void Sample(TBitmap& b, Integer w, Integer h) {
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    b.Canvas()->Brush()->SetColor(clWhite);
    b.Canvas()->FillRect(Rect(0, 0, w, h));
    b.Canvas()->Brush()->SetColor(TColor(0xD0D0D0));
    b.Canvas()->FillRect(Rect(0, 0, w, 1));
    b.Canvas()->Brush()->SetColor(clBlack);
    b.Canvas()->FillRect(Rect(2, 3, 8, 9));
}

// The picture file read back through the registered picture classes, as a
// bitmap (what the crop window hands on).
void LoadAsBitmap(const std::string& file, TBitmap& out) {
    TPicture picture;
    picture.LoadFromFile(file);
    out.Assign(picture.Graphic());
}

// What leaves the page for the queue: exactly w x h, black where the square
// was, white everywhere else.
void ExpectQueued(const TLogoPicture& logo, Integer w, Integer h) {
    TBitmap queued;
    logo.QueuedImage(queued);
    ASSERT_EQ(queued.Width(), w);
    ASSERT_EQ(queued.Height(), h);
    EXPECT_EQ(queued.PixelFormat(), pf1bit);
    for (Integer y = 0; y < h; ++y)
        for (Integer x = 0; x < w; ++x) {
            const bool square = x >= 2 && x < 8 && y >= 3 && y < 9;
            ASSERT_EQ(IsBlack(queued, x, y), square) << x << "," << y;
            if (!square) {
                ASSERT_EQ(queued.GetPixel(x, y) & 0xFFFFFF, clWhite);
            }
        }
}

}  // namespace

TEST(TLogoPictureTest, PictureFilesBecomeLogosAndPictureMessagesOfTheirSizes) {
    RegisterPictureFormats();
    TBitmap source;
    // A BMP of 72 x 14: an operator logo, no crop window.
    Sample(source, 72, 14);
    source.SaveToFile(OutPath("logo.bmp"));
    // A GIF of 60 x 20: a picture message of 72 x 28, white beyond it.
    Sample(source, 60, 20);
    GIFImage::TGIFImage gif;
    gif.Assign(&source);
    gif.SaveToFile(OutPath("picture.gif"));
    // A JPEG of 200 x 100: the crop window; the user takes its top-left
    // 72 x 14 for a group logo.
    Sample(source, 200, 100);
    TJPEGImage jpeg;
    jpeg.Assign(&source);
    jpeg.SaveToFile(OutPath("large.jpg"));

    TLogoPicture logo;
    TBitmap picture;
    LoadAsBitmap(OutPath("logo.bmp"), picture);
    TLogoFit fit = FitPicture(picture.Width(), picture.Height(), logo.Kind());
    EXPECT_FALSE(fit.Crop);
    logo.TakePicture(picture, fit, false, OutPath("logo.bmp"));
    EXPECT_EQ(logo.Kind(), lkOperatorLogo);
    EXPECT_EQ(logo.Name, "logo");
    EXPECT_TRUE(logo.Content);
    EXPECT_EQ(logo.Image().GetPixel(20, 10) & 0xFFFFFF, LogoBackground);
    ExpectQueued(logo, 72, 14);

    LoadAsBitmap(OutPath("picture.gif"), picture);
    fit = FitPicture(picture.Width(), picture.Height(), logo.Kind());
    EXPECT_FALSE(fit.Crop);
    EXPECT_EQ(fit.Kind, lkPictureMessage);
    logo.TakePicture(picture, fit, true, OutPath("picture.gif"));
    ExpectQueued(logo, 72, 28);

    logo.SetKind(lkGroupLogo);
    LoadAsBitmap(OutPath("large.jpg"), picture);
    fit = FitPicture(picture.Width(), picture.Height(), logo.Kind());
    EXPECT_TRUE(fit.Crop);
    EXPECT_EQ(fit.Kind, lkGroupLogo);
    EXPECT_EQ(fit.Width, 72);
    EXPECT_EQ(fit.Height, 14);
    fit.Source = Rect(0, 0, 72, 14);  // the crop window's choice
    logo.TakePicture(picture, fit, false, OutPath("large.jpg"));
    EXPECT_EQ(logo.Kind(), lkGroupLogo);
    ExpectQueued(logo, 72, 14);

    // Saved: black drawing on white, read back from the file.
    logo.SaveToFile(OutPath("saved.bmp"));
    TBitmap saved;
    saved.LoadFromFile(OutPath("saved.bmp"));
    EXPECT_TRUE(IsBlack(saved, 4, 5));
    EXPECT_EQ(saved.GetPixel(30, 10) & 0xFFFFFF, clWhite);
}

TEST(TLogoPictureTest, AllBlackPictureStaysDrawnAndKindsKeepHiddenRows) {
    TLogoPicture logo;
    TBitmap black;
    black.SetPixelFormat(pf24bit);
    black.SetSize(72, 28);
    black.Canvas()->Brush()->SetColor(clBlack);
    black.Canvas()->FillRect(Rect(0, 0, 72, 28));
    logo.TakePicture(black, FitPicture(72, 28, logo.Kind()), false, "black.bmp");
    for (Integer y = 0; y < 28; ++y)
        for (Integer x = 0; x < 72; ++x) ASSERT_TRUE(IsBlack(logo.Image(), x, y));

    // Rows cut off by the smaller logo come back with the larger size.
    logo.Image().SetPixel(5, 20, clWhite);
    logo.SetKind(lkOperatorLogo);
    EXPECT_EQ(logo.Image().Height(), 14);
    logo.SetKind(lkPictureMessage);
    EXPECT_EQ(logo.Image().Height(), 28);
    EXPECT_TRUE(IsBlack(logo.Image(), 5, 27));
    EXPECT_FALSE(IsBlack(logo.Image(), 5, 20));

    // The background is found past black pixels, column by column.
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(3, 2);
    b.Canvas()->Brush()->SetColor(clBlack);
    b.Canvas()->FillRect(Rect(0, 0, 3, 2));
    b.SetPixel(2, 0, clRed);
    b.SetPixel(1, 1, clBlue);
    ReplaceBackground(b, clWhite);
    EXPECT_EQ(b.GetPixel(1, 1) & 0xFFFFFF, clWhite);
    EXPECT_EQ(b.GetPixel(2, 0) & 0xFFFFFF, clRed);
    EXPECT_TRUE(IsBlack(b, 0, 0));
}
