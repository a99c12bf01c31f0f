// Metafiles as pictures: their own size, drawn over what lies beneath, only
// the part a canvas shows rendered, and refusals that say why.

#include "platform/gfx/Metafile.h"

#include <gtest/gtest.h>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/tests/MetafileSamples.h"
#include "platform/rtl/Exceptions.h"

namespace {

void Load(TMetafile& Picture, const AnsiString& Bytes) {
    TStringStream stream(Bytes);
    Picture.LoadFromStream(&stream);
}

void Blue(TBitmap& b, Integer W, Integer H) {
    b.SetPixelFormat(pf24bit);
    b.SetSize(W, H);
    b.Canvas()->Brush()->SetColor(clBlue);
    b.Canvas()->FillRect(Rect(0, 0, W, H));
}

TEST(TMetafileTest, BothKindsAreDrawnAtTheirSizeOverWhatLiesBeneath) {
    TMetafile wmf, emf;
    Load(wmf, MetafileSamples::WindowsMetafile());
    Load(emf, MetafileSamples::EnhancedMetafile());
    EXPECT_FALSE(wmf.Enhanced());
    EXPECT_TRUE(emf.Enhanced());
    EXPECT_EQ(wmf.Width(), 100);
    EXPECT_EQ(wmf.Height(), 50);
    EXPECT_EQ(emf.Width(), 100);
    EXPECT_EQ(emf.Height(), 50);

    TBitmap b;
    Blue(b, 100, 50);
    b.Canvas()->Draw(0, 0, &emf);
    EXPECT_EQ(b.GetPixel(50, 25) & 0xFFFFFF, TColor(0x00FF00));
    EXPECT_EQ(b.GetPixel(5, 5) & 0xFFFFFF, clBlue) << "nothing drawn there";
    Blue(b, 100, 50);
    b.Canvas()->Draw(0, 0, &wmf);
    EXPECT_EQ(b.GetPixel(50, 25) & 0xFFFFFF, clRed);
    EXPECT_EQ(b.GetPixel(1, 1) & 0xFFFFFF, clBlue);

    // A thousand times enlarged: what the small canvas shows is the middle
    // of the rectangle, rendered without a picture of the whole size.
    Blue(b, 40, 30);
    b.Canvas()->StretchDraw(Rect(-50000, -25000, 50000, 25000), &emf);
    EXPECT_EQ(b.GetPixel(0, 0) & 0xFFFFFF, TColor(0x00FF00));
    EXPECT_EQ(b.GetPixel(39, 29) & 0xFFFFFF, TColor(0x00FF00));

    // The file is written back as it was read.
    TStringStream out("");
    emf.SaveToStream(&out);
    EXPECT_EQ(out.DataString(), MetafileSamples::EnhancedMetafile());
}

TEST(TMetafileTest, DataThatIsNoMetafileOrClaimsAHugePictureIsRefusedAndChangesNothing) {
    TMetafile picture;
    Load(picture, MetafileSamples::EnhancedMetafile());
    const struct {
        AnsiString Bytes;
        const char* Says;
    } cases[] = {{"GIF89a not a metafile at all, long enough to be read", "neither"},
                 {MetafileSamples::WindowsMetafile(30000, 50), "30000"}};
    for (const auto& c : cases) {
        try {
            Load(picture, c.Bytes);
            ADD_FAILURE() << c.Says;
        } catch (const EInvalidGraphic& e) {
            EXPECT_NE(e.Message().find(c.Says), AnsiString::npos) << e.Message();
        }
        EXPECT_TRUE(picture.Enhanced());
        EXPECT_EQ(picture.Width(), 100);
    }
}

}  // namespace
