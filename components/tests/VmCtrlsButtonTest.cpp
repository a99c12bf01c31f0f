#include <gtest/gtest.h>

#include <memory>

#include "components/VmCtrls.h"
#include "platform/gfx/Bitmap.h"
#include "platform/ui/Menus.h"
#include "platform/ui/TestSupport.h"

namespace {

// A picture of Count 16 x 16 images on fuchsia: image i has a 6 x 6 square
// of Colors[i] at (5, 5) with a black frame around it.
std::unique_ptr<TBitmap> Strip(int Count, std::initializer_list<TColor> Colors) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(16 * Count, 16);
    TCanvas* c = bmp->Canvas();
    c->Brush()->SetColor(clFuchsia);
    c->FillRect(Rect(0, 0, 16 * Count, 16));
    int i = 0;
    for (TColor color : Colors) {
        c->Brush()->SetColor(clBlack);
        c->FillRect(Bounds(16 * i + 4, 4, 8, 8));
        c->Brush()->SetColor(color);
        c->FillRect(Bounds(16 * i + 5, 5, 6, 6));
        ++i;
    }
    return bmp;
}

struct THost {
    THost() {
        Form = new TForm(nullptr);
        Form->SetBounds(10, 10, 300, 200);
    }
    ~THost() {
        Form->Free();
        PumpUntilIdle();
    }
    TVmSpeedButton* Button(Integer X, Integer Y) {
        auto* b = new TVmSpeedButton(Form);
        b->SetParent(Form);
        b->SetBounds(X, Y, 40, 30);
        return b;
    }
    TForm* Form;
};

std::unique_ptr<TBitmap> Grab(TControl* Control) {
    auto shot = std::make_unique<TBitmap>();
    EXPECT_TRUE(GrabControl(Control, *shot));
    return shot;
}

TColor At(const std::unique_ptr<TBitmap>& Shot, Integer X, Integer Y) { return Shot->GetPixel(X, Y) & 0xFFFFFF; }

void Press(TControl* C, int X, int Y) { C->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(X, Y)); }
void Move(TControl* C, int X, int Y) { C->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(X, Y)); }
void Release(TControl* C, int X, int Y) { C->Perform(WM_LBUTTONUP, 0, MakeLParam(X, Y)); }

TEST(TVmButtonGlyphTest, PictureWidthDecidesTheImageCount) {
    TVmButtonGlyph glyph;
    glyph.SetGlyph(Strip(4, {}).get());
    EXPECT_EQ(glyph.NumGlyphs(), 4);
    EXPECT_EQ(glyph.GlyphSize().x, 16);
    glyph.SetGlyph(Strip(6, {}).get());
    EXPECT_EQ(glyph.NumGlyphs(), 1);
    glyph.SetNumGlyphs(0);  // would divide by zero
    EXPECT_EQ(glyph.NumGlyphs(), 1);
    glyph.SetNumGlyphs(9);
    EXPECT_EQ(glyph.NumGlyphs(), 5);
    EXPECT_EQ(glyph.TransparentColor(), clFuchsia);
}

TEST(TVmButtonGlyphTest, CacheSharesListsBySizeReusesSlotsAndGoesWithTheLastGlyph) {
    auto first = std::make_unique<TVmButtonGlyph>();
    auto second = std::make_unique<TVmButtonGlyph>();
    ASSERT_NE(GlyphCache(), nullptr);
    first->SetGlyph(Strip(1, {clRed}).get());
    second->SetGlyph(Strip(1, {clBlue}).get());
    const Integer a = first->CreateButtonGlyph(vbsUp);
    const Integer b = second->CreateButtonGlyph(vbsUp);
    EXPECT_EQ(first->GlyphList(), second->GlyphList());
    EXPECT_NE(a, b);
    EXPECT_EQ(first->CreateButtonGlyph(vbsDown), a);  // one image: down shows the up image
    EXPECT_EQ(GlyphCache()->ListCount(), 1);

    first->Invalidate();  // frees slot a; b keeps its index
    TGlyphList* list = second->GlyphList();
    EXPECT_EQ(list->UsedCount(), 1);
    EXPECT_EQ(first->CreateButtonGlyph(vbsUp), a);

    TVmButtonGlyph wide;
    wide.SetGlyph(Strip(1, {}).get());
    wide.SetNumGlyphs(1);
    auto big = std::make_unique<TBitmap>();
    big->SetSize(20, 20);
    wide.SetGlyph(big.get());
    wide.CreateButtonGlyph(vbsUp);
    EXPECT_EQ(GlyphCache()->ListCount(), 2);
    wide.Invalidate();
    EXPECT_EQ(GlyphCache()->ListCount(), 1);  // its list had nothing else

    first.reset();
    second.reset();
    EXPECT_NE(GlyphCache(), nullptr);  // "wide" still lives
}

TEST(TVmButtonGlyphTest, CacheIsFreedWithTheLastGlyph) {
    {
        TVmButtonGlyph glyph;
        glyph.SetGlyph(Strip(1, {clRed}).get());
        glyph.CreateButtonGlyph(vbsUp);
    }
    EXPECT_EQ(GlyphCache(), nullptr);
}

TEST(TVmButtonGlyphTest, LayoutPlacesPictureCaptionAndMark) {
    TBitmap canvasHolder;
    canvasHolder.SetSize(10, 10);
    TCanvas* canvas = canvasHolder.Canvas();
    TVmButtonGlyph glyph;
    glyph.SetGlyph(Strip(1, {clRed}).get());
    const TRect client = Rect(0, 0, 100, 30);

    // No caption: no spacing, the picture centred by the margin.
    auto r = glyph.CalcButtonLayout(canvas, client, Point(0, 0), "", blGlyphLeft, -1, -1, false);
    EXPECT_EQ(r.GlyphPos, Point((100 - 16) / 2, (30 - 16 + 1) / 2));
    r = glyph.CalcButtonLayout(canvas, client, Point(1, 1), "", blGlyphRight, 5, -1, false);
    EXPECT_EQ(r.GlyphPos, Point(100 - 5 - 16 + 1, 7 + 1));

    // Margin and spacing given: the caption follows the picture.
    r = glyph.CalcButtonLayout(canvas, Rect(0, 0, 40, 60), Point(0, 0), "Ok", blGlyphTop, 3, 2, false);
    EXPECT_EQ(r.GlyphPos.y, 3);
    EXPECT_EQ(r.TextBounds.Top, 3 + 16 + 2);
    EXPECT_EQ(r.Text, "Ok");

    // A caption too long for the room is shortened with an ellipsis.
    r = glyph.CalcButtonLayout(canvas, Rect(0, 0, 40, 30), Point(0, 0), "Odeslat zprávu", blGlyphLeft, 2, 2, false);
    EXPECT_EQ(r.Text.substr(r.Text.size() - 3), "...");
    EXPECT_LE(r.TextBounds.Width(), 40 - 16 - 4);

    // The mark sits right of the picture, or centred where the caption would be.
    r = glyph.CalcButtonLayout(canvas, client, Point(0, 0), "", blGlyphTop, -1, -1, true);
    EXPECT_EQ(r.MarkPos, Point(r.GlyphPos.x + 16 + 1, r.GlyphPos.y + 8));
    TVmButtonGlyph none;
    r = none.CalcButtonLayout(canvas, client, Point(0, 0), "", blGlyphLeft, -1, -1, true);
    EXPECT_EQ(r.MarkPos.x, (100 - 9) / 2 + 1);
}

TEST(TVmSpeedButtonTest, FrameShowsRaisedPressedAndHeldDown) {
    THost host;
    auto* b = host.Button(10, 10);
    host.Form->Show();
    const auto up = Grab(b);
    EXPECT_EQ(At(up, 0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(up, 39, 29), ColorToRGB(clWindowFrame));
    EXPECT_EQ(At(up, 38, 28), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(up, 20, 15), ColorToRGB(clBtnFace));
    Press(b, 5, 5);
    const auto down = Grab(b);
    EXPECT_EQ(At(down, 0, 0), ColorToRGB(clWindowFrame));
    EXPECT_EQ(At(down, 1, 1), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(down, 39, 29), ColorToRGB(clBtnHighlight));
    Release(b, 5, 5);
    b->SetGroupIndex(1);
    b->SetDown(true);
    const auto held = Grab(b);
    EXPECT_EQ(At(held, 2, 2), ColorToRGB(clBtnHighlight));  // the checker
    EXPECT_EQ(At(held, 3, 2), ColorToRGB(clBtnFace));
}

TEST(TVmSpeedButtonTest, FlatButtonShowsAGrayPictureUntilTheMouseEnters) {
    THost host;
    auto* b = host.Button(10, 10);
    b->SetFlat(true);
    b->SetGlyph(Strip(1, {clRed}).get());
    host.Form->Show();
    PumpUntilIdle();
    // Without a frame the content is 2 pixels in; centred in it.
    const Integer gx = 2 + (36 - 16 + 1) / 2, gy = 2 + (26 - 16) / 2;
    const Integer gray = 77 * 255 / 256;
    EXPECT_EQ(At(Grab(b), gx + 7, gy + 7), RGB(gray, gray, gray));
    EXPECT_EQ(At(Grab(b), 0, 0), ColorToRGB(clBtnFace));  // no frame
    int enters = 0;
    b->OnMouseEnter = [&](TObject*) { ++enters; };
    b->Perform(CM_MOUSEENTER);
    b->Perform(CM_MOUSEENTER);
    EXPECT_TRUE(b->MouseInControl());
    EXPECT_EQ(enters, 1);
    const auto hot = Grab(b);
    EXPECT_EQ(At(hot, 0, 0), ColorToRGB(clBtnHighlight));
    bool red = false;
    for (Integer y = 0; y < 30; ++y)
        for (Integer x = 0; x < 40; ++x) red |= At(hot, x, y) == clRed;
    EXPECT_TRUE(red);
    b->Perform(CM_MOUSELEAVE);
    b->SetGrayedInactive(false);
    EXPECT_EQ(At(Grab(b), gx + 7, gy + 7), clRed);
}

TEST(TVmSpeedButtonTest, DisabledPictureIsEmbossedFromItsShapeOnly) {
    THost host;
    auto* b = host.Button(10, 10);
    b->SetGlyph(Strip(1, {clRed}).get());
    b->SetEnabled(false);
    host.Form->Show();
    const auto shot = Grab(b);
    // Inside the frame's two pixels, centred: no caption, so no spacing.
    const Integer gx = 2 + (36 - 16 + 1) / 2, gy = 2 + (26 - 16) / 2;
    EXPECT_EQ(At(shot, gx + 7, gy + 7), ColorToRGB(clBtnShadow));  // the square
    EXPECT_EQ(At(shot, gx + 12, gy + 12), ColorToRGB(clBtnHighlight));  // one right and down of it
    EXPECT_EQ(At(shot, gx + 1, gy + 1), ColorToRGB(clBtnFace));  // the transparent background stays face
    EXPECT_EQ(At(shot, gx + 14, gy + 2), ColorToRGB(clBtnFace));
}

TEST(TVmSpeedButtonTest, GroupedButtonsReleaseEachOther) {
    THost host;
    auto* first = host.Button(10, 10);
    auto* second = host.Button(60, 10);
    first->SetGroupIndex(1);
    second->SetGroupIndex(1);
    auto* loose = host.Button(110, 10);
    loose->SetDown(true);
    EXPECT_FALSE(loose->Down());
    host.Form->Show();
    int clicks = 0;
    first->OnClick = [&](TObject*) { ++clicks; };
    SendClick(first, 5, 5);
    EXPECT_TRUE(first->Down());
    SendClick(second, 5, 5);
    EXPECT_TRUE(second->Down());
    EXPECT_FALSE(first->Down());
    SendClick(second, 5, 5);  // no AllowAllUp: stays down
    EXPECT_TRUE(second->Down());
    second->SetDown(false);
    EXPECT_TRUE(second->Down());
    first->SetAllowAllUp(true);  // the group takes it
    SendClick(second, 5, 5);
    EXPECT_FALSE(second->Down());
    EXPECT_EQ(clicks, 1);
}

TEST(TVmSpeedButtonTest, ReleaseOnTheRowBelowTheButtonIsOutside) {
    THost host;
    auto* b = host.Button(10, 10);
    b->SetModalResult(mrOk);
    host.Form->Show();
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    Press(b, 5, 5);
    Move(b, 5, 30);
    EXPECT_EQ(b->State(), vbsUp);
    Release(b, 5, 30);
    EXPECT_EQ(clicks, 0);
    Press(b, 5, 5);
    Release(b, 5, 29);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(host.Form->ModalResult(), mrOk);
}

TEST(TVmSpeedButtonTest, HeldButtonRepeatsItsClickWhileThePointerIsOnIt) {
    TFakeTimerClock clock;
    THost host;
    auto* b = host.Button(10, 10);
    b->SetAllowTimer(true);
    host.Form->Show();
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    Press(b, 5, 5);
    clock.Advance(499);
    EXPECT_EQ(clicks, 0);
    clock.Advance(1);
    EXPECT_EQ(clicks, 1);
    clock.Advance(200);
    EXPECT_EQ(clicks, 3);
    Move(b, 60, 5);  // off the button: paused
    clock.Advance(300);
    EXPECT_EQ(clicks, 3);
    Move(b, 6, 5);
    clock.Advance(100);
    EXPECT_EQ(clicks, 4);
    Release(b, 6, 5);
    EXPECT_EQ(clicks, 5);
    clock.Advance(1000);
    EXPECT_EQ(clicks, 5);
}

TEST(TVmSpeedButtonTest, DropDownMarkIsATriangleBesideThePicture) {
    THost host;
    auto* b = host.Button(10, 10);
    auto* menu = new TPopupMenu(host.Form);
    menu->SetAutoPopup(false);
    b->SetDropDownMenu(menu);
    host.Form->Show();
    const auto shot = Grab(b);
    // No picture, no caption: centred in the 9 pixels of the caption place.
    const Integer left = 2 + (36 - 9 + 1) / 2 + 1, y = 2 + (26 + 1) / 2 - 1;
    const TColor text = ColorToRGB(clBtnText), face = ColorToRGB(clBtnFace);
    for (Integer row = 0; row < 4; ++row) {
        EXPECT_EQ(At(shot, left + row - 1, y + row), face) << row;
        for (Integer x = left + row; x < left + 7 - row; ++x) EXPECT_EQ(At(shot, x, y + row), text) << row;
        EXPECT_EQ(At(shot, left + 7 - row, y + row), face) << row;
    }
    delete menu;
    EXPECT_EQ(b->DropDownMenu(), nullptr);
}

}  // namespace
