// The picker of a logo's part: the slider's scale, the frame that follows
// the mouse, and the part taken by a click.

#include "client/vyber.h"

#include "ClientFixture.h"
#include "platform/gfx/Graphic.h"

namespace {

class TfvyberTest : public TClientTest {
protected:
    void SetUp() override {
        TClientTest::SetUp();
        Form = new Tfvyber(Application);
        Form->AfterConstruction();
        TBitmap* picture = Form->Image1->Picture()->Bitmap();
        picture->SetSize(200, 100);
        picture->Canvas()->Brush()->SetColor(clWhite);
        picture->Canvas()->FillRect(Rect(0, 0, 200, 100));
        picture->Canvas()->Brush()->SetColor(RGB(0x6B, 0xBE, 0x7B));
        picture->Canvas()->Pen()->SetColor(RGB(0x2E, 0x7D, 0x4F));
        picture->Canvas()->Ellipse(130, 20, 190, 80);
        Form->SelWidth = 72;
        Form->SelHeight = 14;
    }
    void TearDown() override {
        Form->Free();
        TClientTest::TearDown();
    }

    TColor Pixel(Integer X, Integer Y) { return Form->Image1->Picture()->Bitmap()->GetPixel(X, Y); }
    int BlackIn(const TRect& R) {
        int n = 0;
        for (Integer y = R.Top; y <= R.Bottom; ++y)
            for (Integer x = R.Left; x <= R.Right; ++x) n += Pixel(x, y) == clBlack;
        return n;
    }

    Tfvyber* Form = nullptr;
};

TEST_F(TfvyberTest, TheSliderScalesThePictureAroundItsNaturalSize) {
    TModalAnswerer answers;
    answers.Act([&](TForm*) {
        EXPECT_EQ(Form->TrackBar1->Position(), 50);
        Form->TrackBar1->SetPosition(1);
        EXPECT_DOUBLE_EQ(Form->Scale(), 1.98);
        EXPECT_EQ(Form->Image1->Width(), 101);
        Form->TrackBar1->SetPosition(99);
        EXPECT_EQ(Form->Image1->Width(), 10000);
        EXPECT_EQ(Form->Image1->Height(), 5000);
        Form->TrackBar1->SetPosition(50);
        EXPECT_EQ(Form->Image1->Width(), 200);
        EXPECT_EQ(Form->Image1->Height(), 100);
        Form->Image1->Perform(WM_MOUSEMOVE, 0, MakeLParam(120, 60));
        PumpUntilIdle();
        EXPECT_TRUE(SaveControlToPng(Form, AnsiString(VEMLOR_TEST_OUTPUT) + "/client/vyber.png"));
    });
    answers.ClickButton("Zavřít");
    EXPECT_EQ(Form->ShowModal(), mrOk);
}

TEST_F(TfvyberTest, AFrameOfThePartsSizeFollowsTheMouseAndAClickTakesThePart) {
    TModalAnswerer answers;
    answers.Act([&](TForm*) {
        Form->Image1->Perform(WM_MOUSEMOVE, 0, MakeLParam(100, 50));
        EXPECT_EQ(Form->Selection(), Rect(64, 43, 136, 57));
        EXPECT_GT(BlackIn(Rect(64, 43, 136, 43)), 20) << "a dotted line along the top";
        EXPECT_EQ(BlackIn(Rect(66, 45, 134, 55)), 0) << "nothing inside";

        // Past the picture's edge the frame moves but is not drawn, and the
        // one drawn before is gone.
        Form->Image1->Perform(WM_MOUSEMOVE, 0, MakeLParam(190, 50));
        EXPECT_EQ(Form->Selection(), Rect(154, 43, 226, 57));
        EXPECT_EQ(BlackIn(Rect(0, 0, 199, 99)), 0);

        Form->TrackBar1->SetPosition(1);
        Form->Image1->Perform(WM_MOUSEMOVE, 0, MakeLParam(50, 25));
        EXPECT_EQ(Form->Selection(), Rect(28, 36, 171, 64)) << "in picture pixels at scale 1.98";
        Form->Image1->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(50, 25));
        Form->Image1->Perform(WM_LBUTTONUP, 0, MakeLParam(50, 25));
    });
    EXPECT_EQ(Form->ShowModal(), mrOk);
    EXPECT_EQ(Form->Selection(), Rect(28, 36, 171, 64));
    EXPECT_TRUE(answers.Unexpected().empty());
}

}  // namespace
