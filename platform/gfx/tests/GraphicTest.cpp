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

namespace {

// The head of a progressive JPEG up to its first scan, claiming a size: no
// tables, no image data; a reader must judge it by the frame header alone.
std::vector<Byte> ProgressiveHeader(int width, int height, int components) {
    std::vector<Byte> b = {0xFF, 0xD8};                   // SOI
    const int frameLength = 8 + 3 * components;
    b.insert(b.end(), {0xFF, 0xC2,                        // SOF2: progressive, Huffman
                       Byte(frameLength >> 8), Byte(frameLength),
                       8,                                  // sample precision
                       Byte(height >> 8), Byte(height),    // lines
                       Byte(width >> 8), Byte(width),      // samples per line
                       Byte(components)});
    for (int c = 1; c <= components; ++c) b.insert(b.end(), {Byte(c), 0x11, 0});  // id, 1x1 sampling, table 0
    b.insert(b.end(), {0xFF, 0xDA, 0, 8,                  // SOS, length 8
                       1, 1, 0x00,                         // one component: id 1, tables 0/0
                       0, 0, 0x00});                       // DC scan: Ss 0, Se 0, Ah/Al 0
    b.resize(530, 0x55);                                  // scan bytes up to the reported 530
    b.insert(b.end(), {0xFF, 0xD9});                      // EOI
    return b;
}

}  // namespace

TEST(TJPEGImageTest, HeaderClaimingAHugePictureIsRefusedBeforeDecoding) {
    TJPEGImage j;
    const std::vector<Byte> bomb = ProgressiveHeader(65000, 65000, 3);
    try {
        j.LoadFromBytes(bomb.data(), bomb.size());
        FAIL() << "a 65000 x 65000 picture was accepted";
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(e.Message().find("65000 x 65000"), AnsiString::npos) << e.Message();
        EXPECT_NE(e.Message().find("limit of 67108864 pixels"), AnsiString::npos) << e.Message();
    }
    // Within the pixel limit, four components of a progressive picture would
    // still need more coefficient memory than the library is allowed.
    const std::vector<Byte> wide = ProgressiveHeader(16384, 4096, 4);
    try {
        j.LoadFromBytes(wide.data(), wide.size());
        FAIL() << "the coefficient buffer was allowed";
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(e.Message().find("16384 x 4096 pixels needs more than the limit of 512 MB"), AnsiString::npos)
            << e.Message();
    }
    EXPECT_TRUE(j.Empty());
}
