#include "components/VCLUtils.h"

#include <gtest/gtest.h>

#include "platform/gfx/ImageList.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Beep.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/Containers.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Messages.h"
#include "platform/ui/TestSupport.h"

namespace {

std::unique_ptr<TBitmap> Filled(Integer w, Integer h, TColor color) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect(Rect(0, 0, w, h));
    return b;
}

bool SamePixels(TBitmap& a, TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (Integer y = 0; y < a.Height(); ++y)
        for (Integer x = 0; x < a.Width(); ++x)
            if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
    return true;
}

// A 6 x 4 picture of 3 x 2 cells, 2 x 2 pixels each, cell i in colour i + 1.
std::unique_ptr<TBitmap> CellPicture() {
    auto b = Filled(6, 4, clWhite);
    for (int i = 0; i < 6; ++i) {
        b->Canvas()->Brush()->SetColor(RGB(10 * (i + 1), 0, 0));
        b->Canvas()->FillRect(Bounds((i % 3) * 2, (i / 3) * 2, 2, 2));
    }
    return b;
}

TEST(CopyBitmapCellTest, CopiesTheIndexedCellRowByRow) {
    auto source = CellPicture();
    TBitmap dest;
    CopyBitmapCell(source.get(), &dest, 3, 4, 2);
    ASSERT_EQ(dest.Width(), 2);
    ASSERT_EQ(dest.Height(), 2);
    for (Integer y = 0; y < 2; ++y)
        for (Integer x = 0; x < 2; ++x) EXPECT_EQ(dest.GetPixel(x, y), RGB(50, 0, 0));
}

TEST(CopyBitmapCellTest, BadCountsAndIndexAreClamped) {
    auto source = CellPicture();
    TBitmap dest;
    CopyBitmapCell(source.get(), &dest, 3, -5, 2);
    EXPECT_EQ(dest.GetPixel(0, 0), RGB(10, 0, 0));
    CopyBitmapCell(source.get(), &dest, 0, 0, -1);
    EXPECT_EQ(dest.Width(), 6);
    EXPECT_EQ(dest.Height(), 4);
    EXPECT_EQ(dest.GetPixel(5, 3), RGB(60, 0, 0));
}

TEST(CopyBitmapCellTest, IndexPastTheLastCellGivesAWhiteCell) {
    auto source = CellPicture();
    TBitmap dest;
    CopyBitmapCell(source.get(), &dest, 3, 6, 2);
    EXPECT_EQ(dest.GetPixel(0, 0), clWhite);
    CopyBitmapCell(source.get(), &dest, 3, 0x7FFFFFFF, 2);
    EXPECT_EQ(dest.GetPixel(1, 1), clWhite);
}

TEST(CopyBitmapCellTest, PassesTransparentColourAndFlag) {
    auto source = CellPicture();
    source->SetTransparentColor(clLime);
    source->SetTransparent(true);
    TBitmap dest;
    CopyBitmapCell(source.get(), &dest, 3, 1, 2);
    EXPECT_EQ(dest.TransparentColor(), clLime);
    EXPECT_TRUE(dest.Transparent());
}

struct MaskedDrawTest : ::testing::Test {
    std::unique_ptr<TBitmap> target = Filled(6, 6, clBlue);
    std::unique_ptr<TBitmap> picture = Filled(2, 2, clRed);
    void SetUp() override { picture->SetPixel(1, 0, clLime); }
};

TEST_F(MaskedDrawTest, StretchLeavesTransparentPixelsOut) {
    StretchBitmapMasked(target->Canvas(), 1, 1, 4, 4, picture.get(), TRect{}, clLime);
    EXPECT_EQ(target->GetPixel(0, 0), clBlue);
    EXPECT_EQ(target->GetPixel(1, 1), clRed);
    EXPECT_EQ(target->GetPixel(2, 2), clRed);
    EXPECT_EQ(target->GetPixel(3, 1), clBlue);  // the lime pixel, stretched twice
    EXPECT_EQ(target->GetPixel(4, 2), clBlue);
    EXPECT_EQ(target->GetPixel(4, 4), clRed);
    EXPECT_EQ(target->GetPixel(5, 5), clBlue);
}

TEST_F(MaskedDrawTest, ZeroSizeMeansBitmapSizeAndSourceRectPicksPart) {
    StretchBitmapMasked(target->Canvas(), 0, 0, 0, -1, picture.get(), TRect{}, clLime);
    EXPECT_EQ(target->GetPixel(0, 0), clRed);
    EXPECT_EQ(target->GetPixel(1, 0), clBlue);
    EXPECT_EQ(target->GetPixel(2, 0), clBlue);
    StretchBitmapRectTransparent(target->Canvas(), 3, 3, 2, 2, Rect(1, 0, 2, 1), picture.get(), clRed);
    EXPECT_EQ(target->GetPixel(4, 4), clLime);
}

TEST_F(MaskedDrawTest, NoneCopiesEverythingAndDefaultTakesBottomLeft) {
    DrawBitmapMasked(target->Canvas(), 0, 0, picture.get(), clNone);
    EXPECT_EQ(target->GetPixel(1, 0), clLime);
    auto target2 = Filled(2, 2, clBlue);
    picture->SetPixel(0, 1, clLime);  // bottom-left now lime
    DrawBitmapMasked(target2->Canvas(), 0, 0, picture.get(), clDefault);
    EXPECT_EQ(target2->GetPixel(0, 1), clBlue);
    EXPECT_EQ(target2->GetPixel(0, 0), clRed);
}

TEST_F(MaskedDrawTest, MonochromeBitmapAlwaysLeavesWhiteOut) {
    auto mono = Filled(2, 1, clWhite);
    mono->SetPixel(0, 0, clBlack);
    mono->SetPixelFormat(pf1bit);
    DrawBitmapMasked(target->Canvas(), 0, 0, mono.get(), clBlack);
    EXPECT_EQ(target->GetPixel(0, 0), clBlack);
    EXPECT_EQ(target->GetPixel(1, 0), clBlue);
}

TEST(MakeEmbossedBitmapTest, ShapeInShadowOverHighlightOnFace) {
    auto picture = Filled(4, 4, clWhite);
    picture->SetPixel(1, 1, clBlack);
    auto embossed = MakeEmbossedBitmap(picture.get(), clWhite, clSilver, true, clGray, clYellow);
    ASSERT_EQ(embossed->Width(), 4);
    EXPECT_EQ(embossed->GetPixel(1, 1), clGray);
    EXPECT_EQ(embossed->GetPixel(2, 2), clYellow);
    EXPECT_EQ(embossed->GetPixel(0, 0), clSilver);
    auto flat = MakeEmbossedBitmap(picture.get(), clWhite, clSilver, false, clGray, clYellow);
    EXPECT_EQ(flat->GetPixel(2, 2), clSilver);
    auto byDefault = MakeEmbossedBitmapDefault(picture.get(), clWhite);
    EXPECT_EQ(byDefault->GetPixel(0, 0), ColorToRGB(clBtnFace));
    EXPECT_EQ(byDefault->GetPixel(1, 1), ColorToRGB(clBtnShadow));
    EXPECT_EQ(byDefault->GetPixel(2, 2), ColorToRGB(clBtnHighlight));
}

TEST(MakeEmbossedBitmapTest, ImageListImageGetsTheSameLookOnTheCanvas) {
    TImageList images(nullptr, 3, 3);
    auto strip = Filled(3, 3, clLime);  // lime: transparent
    strip->SetPixel(0, 0, clBlack);
    strip->SetPixel(1, 0, clWhite);     // white is not part of the shape
    images.AddMasked(strip.get(), clLime);
    auto canvas = Filled(6, 6, clBlue);
    DrawImageEmbossed(&images, canvas->Canvas(), 1, 1, 0, true, clYellow, clGray);
    EXPECT_EQ(canvas->GetPixel(1, 1), clGray);
    EXPECT_EQ(canvas->GetPixel(2, 2), clYellow);
    EXPECT_EQ(canvas->GetPixel(2, 1), clBlue);
    EXPECT_EQ(canvas->GetPixel(3, 3), clBlue);
    DrawImageEmbossed(&images, canvas->Canvas(), 0, 0, 1, true, clYellow, clGray);  // no such image
    EXPECT_EQ(canvas->GetPixel(0, 0), clBlue);
}

TEST(FitTextWithEllipsisTest, TextThatFitsIsUnchangedOtherwiseShortened) {
    auto b = Filled(10, 10, clWhite);
    TCanvas* canvas = b->Canvas();
    const AnsiString text = "Všichni přátelé";
    const Integer full = canvas->TextWidth(text);
    EXPECT_EQ(FitTextWithEllipsis(text, canvas, full), text);
    const AnsiString shortened = FitTextWithEllipsis(text, canvas, full - 1);
    ASSERT_GE(shortened.size(), 3u);
    EXPECT_EQ(shortened.substr(shortened.size() - 3), "...");
    EXPECT_LE(canvas->TextWidth(shortened), full - 1);
    EXPECT_EQ(text.compare(0, shortened.size() - 3, shortened, 0, shortened.size() - 3), 0);
    // The longest prefix that fits: one more character would not.
    const AnsiString longer = text.substr(0, shortened.size() - 2) + "...";
    EXPECT_GT(canvas->TextWidth(longer), full - 1);
    EXPECT_EQ(FitTextWithEllipsis(text, canvas, 0), "...");
    EXPECT_EQ(FitTextWithEllipsis("W", canvas, 0), "...");
}

struct PaintTextInRectTest : ::testing::Test {
    std::unique_ptr<TBitmap> actual = Filled(80, 30, clWhite);
    std::unique_ptr<TBitmap> expected = Filled(80, 30, clWhite);
    const TRect cell = Rect(10, 5, 70, 25);
    void Prepare(TCanvas* c) {
        c->Brush()->SetColor(clYellow);
        c->Font()->SetColor(clBlack);
    }
    void SetUp() override {
        Prepare(actual->Canvas());
        Prepare(expected->Canvas());
    }
};

TEST_F(PaintTextInRectTest, PlainLineIsPlacedByAlignment) {
    const AnsiString text = "Ab";
    const Integer tw = expected->Canvas()->TextWidth(text);
    PaintTextInRect(actual->Canvas(), cell, 2, 3, text, taLeftJustify, false);
    TextRect(expected->Canvas(), cell, cell.Left + 2, cell.Top + 3, text);
    EXPECT_TRUE(SamePixels(*actual, *expected));
    PaintTextInRect(actual->Canvas(), cell, 2, 3, text, taRightJustify, false);
    TextRect(expected->Canvas(), cell, cell.Right - tw - 3, cell.Top + 3, text);
    EXPECT_TRUE(SamePixels(*actual, *expected));
    PaintTextInRect(actual->Canvas(), cell, 2, 3, text, taCenter, false);
    TextRect(expected->Canvas(), cell, cell.Left + 30 - tw / 2, cell.Top + 3, text);
    EXPECT_TRUE(SamePixels(*actual, *expected));
}

TEST_F(PaintTextInRectTest, TextNeverLeavesTheRectangle) {
    PaintTextInRect(actual->Canvas(), cell, 2, 2, "WWWWWWWWWWWWWWWWWWWWWW", taLeftJustify, false);
    PaintTextInRect(actual->Canvas(), cell, 2, 2, "WWWWWWWW WWWWWWW WWWWWWWWW", taCenter, true);
    for (Integer y = 0; y < 30; ++y)
        for (Integer x = 0; x < 80; ++x) {
            if (!cell.Contains(x, y)) {
                ASSERT_EQ(actual->GetPixel(x, y), clWhite) << x << "," << y;
            }
        }
}

TEST_F(PaintTextInRectTest, WrappedTextFillsTheCellWithTheBrush) {
    const AnsiString text = "one two\rthree";
    PaintTextInRect(actual->Canvas(), cell, 2, 1, text, taLeftJustify, true);
    TCanvas* e = expected->Canvas();
    e->FillRect(cell);
    e->Brush()->SetStyle(bsClear);
    TRect area = Rect(cell.Left + 2, cell.Top + 1, cell.Right - 1, cell.Bottom - 1);
    DrawText(e, text, area, DT_EXPANDTABS | DT_NOPREFIX | DT_WORDBREAK);
    EXPECT_TRUE(SamePixels(*actual, *expected));
    EXPECT_EQ(actual->GetPixel(cell.Right - 1, cell.Bottom - 1), clYellow);
}

TEST(DrawGridCellTextTest, VerticalLayoutPlacesTheLine) {
    TCustomControl grid(nullptr);
    grid.SetBounds(0, 0, 60, 40);
    TCanvas* canvas = grid.Canvas();
    canvas->Brush()->SetStyle(bsClear);
    auto expected = Filled(60, 40, clWhite);
    expected->Canvas()->Brush()->SetStyle(bsClear);
    const TRect cell = Rect(0, 0, 60, 40);
    const Integer th = canvas->TextHeight("W");
    for (TVertAlignment va : {vaTopJustify, vaCenter, vaBottomJustify}) {
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(clWhite);
        canvas->FillRect(cell);
        canvas->Brush()->SetStyle(bsClear);
        expected->Canvas()->Brush()->SetStyle(bsSolid);
        expected->Canvas()->FillRect(cell);
        expected->Canvas()->Brush()->SetStyle(bsClear);
        DrawGridCellText(&grid, 1, 1, "Xy", cell, taLeftJustify, va);
        const Integer dy = va == vaTopJustify ? 2 : va == vaCenter ? std::max(1, (40 - th) / 2) : std::max(2, 40 - th);
        TextRect(expected->Canvas(), cell, 2, dy, "Xy");
        EXPECT_TRUE(SamePixels(*canvas->Bitmap(), *expected)) << va;
    }
}

TEST(PaintParentBackgroundTest, PaintsParentColourAndGraphicControlsBeneath) {
    TForm* form = new TForm(nullptr);
    form->SetColor(clRed);
    auto* shape = new TShape(form);
    shape->SetParent(form);
    shape->SetBounds(0, 0, 10, 10);
    shape->Brush()->SetColor(clBlue);
    shape->Pen()->SetStyle(psClear);
    auto* control = new TShape(form);
    control->SetParent(form);
    control->SetBounds(5, 5, 10, 10);
    auto* above = new TShape(form);  // placed after the control: not beneath it
    above->SetParent(form);
    above->SetBounds(5, 5, 2, 2);
    above->Brush()->SetColor(clLime);
    auto image = Filled(10, 10, clWhite);
    PaintParentBackground(control, image->Canvas());
    EXPECT_EQ(image->GetPixel(0, 0), clBlue);
    // A shape without a pen fills one pixel less, as GDI does.
    EXPECT_EQ(image->GetPixel(3, 3), clBlue);
    EXPECT_EQ(image->GetPixel(4, 4), clRed);
    EXPECT_EQ(image->GetPixel(5, 5), clRed);  // the later shape is not beneath
    EXPECT_EQ(image->GetPixel(9, 0), clRed);
    form->Free();
}

TEST(VCLUtilsTest, SmallHelpers) {
    EXPECT_EQ(WidthOfRect(Rect(3, 4, 10, 20)), 7);
    EXPECT_EQ(HeightOfRect(Rect(3, 4, 10, 20)), 16);
    EXPECT_EQ(PaletteRelativeColor(clRed), 0x020000FF);
    EXPECT_EQ(PaletteRelativeColor(clBtnFace), 0x02000000 | ColorToRGB(clBtnFace));
    EXPECT_EQ(TextAsIs("Dočasné"), "Dočasné");
    EXPECT_TRUE(Application->IsMainThread());
}

TEST(VCLUtilsTest, ShowNotImplementedTellsTheUserAndAbortsSilently) {
    Screen->SetCursor(crHourGlass);
    TModalAnswerer answerer;
    answerer.ClickButton("OK");
    EXPECT_THROW(ShowNotImplemented(), EAbort);
    EXPECT_EQ(answerer.Pending(), 0);
    EXPECT_TRUE(answerer.Unexpected().empty());
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(PaintTextInRectTest, RightToLeftReadingLaysTheLineOutFromTheRightWithTheAlignmentKept) {
    // Read right to left, the full stop that ends "ab." comes first on the
    // left, as ".ab" read left to right; left alignment stays left.
    PaintTextInRect(actual->Canvas(), cell, 2, 1, "ab.", taLeftJustify, true, true);
    PaintTextInRect(expected->Canvas(), cell, 2, 1, ".ab", taLeftJustify, true, false);
    EXPECT_TRUE(SamePixels(*actual, *expected));
    PaintTextInRect(expected->Canvas(), cell, 2, 1, "ab.", taLeftJustify, true, false);
    EXPECT_FALSE(SamePixels(*actual, *expected));
}

// A graphic control that notes whether it was painted as a copy.
class TCopyProbe : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    std::vector<bool> Copies;

protected:
    void Paint() override { Copies.push_back(ControlState().Contains(csPaintCopy)); }
};

TEST(PaintParentBackgroundTest, ControlsBeneathPaintWithThePaintCopyStateForTheCallOnly) {
    TForm* form = new TForm(nullptr);
    auto* beneath = new TCopyProbe(form);
    beneath->SetParent(form);
    beneath->SetBounds(0, 0, 10, 10);
    auto* control = new TShape(form);
    control->SetParent(form);
    control->SetBounds(5, 5, 10, 10);
    auto image = Filled(10, 10, clWhite);
    PaintParentBackground(control, image->Canvas());
    ASSERT_FALSE(beneath->Copies.empty());
    for (bool copy : beneath->Copies) EXPECT_TRUE(copy);
    EXPECT_FALSE(beneath->ControlState().Contains(csPaintCopy));
    form->Free();
}

TEST(VCLUtilsTest, SharedCursorsAreRegisteredOnceUnderTheirNumbers) {
    RegisterSharedCursors();
    const HCURSOR hand = Screen->Cursors(crHand), drag = Screen->Cursors(crDragHand);
    EXPECT_NE(hand, Screen->Cursors(crDefault));
    EXPECT_NE(drag, Screen->Cursors(crDefault));
    EXPECT_NE(hand, drag);
    RegisterSharedCursors();
    EXPECT_EQ(Screen->Cursors(crHand), hand);
}

TEST(VCLUtilsTest, DiscardMessageDropsOneWaitingMessageOfItsKindAndSystemBeepSounds) {
    constexpr Cardinal WM_STEP = WM_USER + 3;
    int steps = 0, others = 0;
    TForm* form = new TForm(nullptr);
    const TWndMethod own = form->WindowProc;
    form->WindowProc = [&, own](TMessage& Message) {
        if (Message.Msg == WM_STEP) ++steps;
        if (Message.Msg == WM_STEP + 1) ++others;
        own(Message);
    };
    PostMessage(form, WM_STEP);
    PostMessage(form, WM_STEP + 1);
    PostMessage(form, WM_STEP);
    DiscardMessage(form, WM_STEP);
    PumpUntilIdle();
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(others, 1);
    DiscardMessage(form, WM_STEP);  // nothing waits: nothing happens
    form->Free();

    int beeps = 0;
    SetBeepHook([&] { ++beeps; });
    SystemBeep();
    SetBeepHook(nullptr);
    EXPECT_EQ(beeps, 1);
}

}  // namespace
