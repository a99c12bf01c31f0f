#include "platform/gfx/Graphic.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Jpeg.h"
#include "platform/rtl/Exceptions.h"

namespace {

std::string OutputPath(const std::string& name) {
    std::filesystem::create_directories(VEMLOR_TEST_OUTPUT);
    return std::string(VEMLOR_TEST_OUTPUT) + "/gfx_" + name;
}

class TMarkerGraphic : public TBitmap {
public:
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TMarkerGraphic>(); }
};

}  // namespace

TEST(TPictureTest, LoadFromFilePicksTheClassByExtensionCaseInsensitively) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(3, 2);
    b.SetPixel(1, 1, clRed);
    const std::string path = OutputPath("picture.BMP");
    b.SaveToFile(path);
    TPicture p;
    int changes = 0;
    p.OnChange = [&](TObject*) { ++changes; };
    p.LoadFromFile(path);
    ASSERT_NE(dynamic_cast<TBitmap*>(p.Graphic()), nullptr);
    EXPECT_EQ(p.Width(), 3);
    EXPECT_EQ(p.Bitmap()->GetPixel(1, 1), clRed);
    EXPECT_GE(changes, 1);
    EXPECT_THROW(p.LoadFromFile(OutputPath("picture.xyz")), EInvalidGraphic);
    EXPECT_EQ(p.Width(), 3);  // the old picture stays
}

TEST(TPictureTest, LaterRegistrationWinsAndUnregisterRemoves) {
    EXPECT_EQ(TPicture::GraphicClassForExtension("JPG"), "TJPEGImage");
    TPicture::RegisterFileFormat("bmp", "Marked", "TMarkerGraphic",
                                 [] { return std::unique_ptr<TGraphic>(new TMarkerGraphic); });
    EXPECT_EQ(TPicture::GraphicClassForExtension(".Bmp"), "TMarkerGraphic");
    TPicture::UnregisterGraphicClass("TMarkerGraphic");
    EXPECT_EQ(TPicture::GraphicClassForExtension("bmp"), "TBitmap");
}

TEST(TPictureTest, AssignCopiesTheGraphic) {
    TBitmap b;
    b.SetSize(2, 2);
    TPicture p;
    p.Assign(&b);
    ASSERT_NE(p.Graphic(), nullptr);
    EXPECT_NE(p.Graphic(), &b);
    EXPECT_EQ(p.Width(), 2);
    TPicture q;
    q.Assign(&p);
    EXPECT_EQ(q.Height(), 2);
    q.Assign(nullptr);
    EXPECT_EQ(q.Graphic(), nullptr);
}

TEST(TJPEGImageTest, EncodesAndDecodesTo24Bits) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(16, 8);
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->FillRect(Rect(0, 0, 8, 8));
    TJPEGImage j;
    j.Assign(&b);
    j.SetCompressionQuality(95);
    TMemoryStream s;
    j.SaveToStream(&s);
    s.SetPosition(0);
    TJPEGImage back;
    back.LoadFromStream(&s);
    EXPECT_EQ(back.Width(), 16);
    EXPECT_EQ(back.Bitmap().PixelFormat(), pf24bit);
    const TColor red = back.Bitmap().GetPixel(2, 2), white = back.Bitmap().GetPixel(13, 5);
    EXPECT_GT(GetRValue(red), 230);
    EXPECT_LT(GetGValue(red), 30);
    EXPECT_GT(GetBValue(white), 230);
    TBitmap out;
    out.Assign(&back);
    EXPECT_EQ(out.Width(), 16);
}

TEST(TJPEGImageTest, BrokenDataRaisesInvalidGraphic) {
    const Byte junk[] = {0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3};
    TJPEGImage j;
    EXPECT_THROW(j.LoadFromBytes(junk, sizeof junk), EInvalidGraphic);
    EXPECT_THROW(j.LoadFromBytes(junk, 0), EInvalidGraphic);
}
