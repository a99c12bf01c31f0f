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

// A picture enlarged past what a bitmap may hold is painted where it can be
// seen, and the frame lands under the pointer however far it is scrolled.
TEST_F(TfvyberTest, AnEnlargedPictureIsPaintedWhereItIsSeenAndTheFrameStaysUnderThePointer) {
    // Every pixel's colour tells where it lies.
    const auto colourAt = [](Integer X, Integer Y) { return RGB(X & 0xFF, Y & 0xFF, ((X >> 8) << 4) | (Y >> 8)); };
    TBitmap* picture = Form->Image1->Picture()->Bitmap();
    picture->SetPixelFormat(pf24bit);
    picture->SetSize(700, 330);
    for (Integer y = 0; y < 330; ++y)
        for (Integer x = 0; x < 700; ++x) picture->SetPixel(x, y, colourAt(x, y));

    struct TView {
        int Position;
        Integer ScrollX, ScrollY;  // in screen pixels
        Integer MouseX, MouseY;    // in the scroll box's client area
        TRect Frame;               // in picture pixels
        Integer Zoom;              // screen pixels per picture pixel
    };
    // Fifty times: 35000 x 16500 screen pixels, the pointer past 32767.
    // Twice: the frame of 72 x 14 screen pixels is 36 x 7 picture pixels.
    const TView views[] = {{99, 33000, 8000, 120, 60, Rect(662, 161, 663, 161), 50},
                           {75, 500, 200, 100, 80, Rect(282, 137, 318, 144), 2}};
    TModalAnswerer answers;
    answers.Act([&](TForm*) {
        for (const TView& v : views) {
            SCOPED_TRACE(v.Position);
            Form->TrackBar1->SetPosition(v.Position);
            PumpUntilIdle();
            EXPECT_EQ(Form->ScrollBox1->HorzScrollBar()->Range(), 700 * v.Zoom);
            EXPECT_EQ(Form->ScrollBox1->VertScrollBar()->Range(), 330 * v.Zoom);
            Form->ScrollBox1->HorzScrollBar()->SetPosition(v.ScrollX);
            Form->ScrollBox1->VertScrollBar()->SetPosition(v.ScrollY);
            ASSERT_EQ(Form->Image1->Left(), -v.ScrollX);
            ASSERT_EQ(Form->Image1->Top(), -v.ScrollY);

            SendMouseMove(Form->ScrollBox1, v.MouseX, v.MouseY);
            EXPECT_EQ(Form->Selection(), v.Frame);
            // The frame's top-left corner is drawn over the picture.
            EXPECT_EQ(picture->GetPixel(v.Frame.Left, v.Frame.Top),
                      (~colourAt(v.Frame.Left, v.Frame.Top)) & 0xFFFFFF);

            PumpUntilIdle();
            TBitmap shot;
            ASSERT_TRUE(GrabControl(Form->ScrollBox1, shot));
            const TPoint client = Form->ScrollBox1->ClientOffset();
            // The picture as it now is, frame and all, enlarged where the
            // scroll box shows it: the pointer's spot and the corners.
            const TPoint spots[] = {Point(v.MouseX, v.MouseY), Point(0, 0),
                                    Point(Form->ScrollBox1->ClientWidth() - 1, Form->ScrollBox1->ClientHeight() - 1),
                                    Point((v.Frame.Left * v.Zoom - v.ScrollX), (v.Frame.Top * v.Zoom - v.ScrollY))};
            for (const TPoint& at : spots) {
                const Integer px = (at.x + v.ScrollX) / v.Zoom, py = (at.y + v.ScrollY) / v.Zoom;
                EXPECT_EQ(shot.GetPixel(client.x + at.x, client.y + at.y) & 0xFFFFFF,
                          picture->GetPixel(px, py) & 0xFFFFFF)
                    << "at " << at.x << "," << at.y << " of the scroll box";
            }
        }
    });
    answers.ClickButton("Zavřít");
    EXPECT_EQ(Form->ShowModal(), mrOk);
    EXPECT_TRUE(answers.Unexpected().empty());
}

}  // namespace
