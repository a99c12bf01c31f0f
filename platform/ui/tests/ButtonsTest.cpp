#include <gtest/gtest.h>

#include <vector>

#include "platform/classes/TypInfo.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TestSupport.h"

namespace {

struct THost {
    THost() {
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, 300, 200);
    }
    ~THost() {
        Form->Free();
        PumpUntilIdle();
    }
    TSpeedButton* Button(Integer group, Integer left) {
        auto* b = new TSpeedButton(Form);
        b->SetParent(Form);
        b->SetBounds(left, 8, 23, 22);
        b->SetGroupIndex(group);
        return b;
    }
    TForm* Form;
};

TEST(TSpeedButtonTest, DownNeedsAGroupAndIsExclusiveWithinIt) {
    THost host;
    auto* alone = host.Button(0, 0);
    auto* a = host.Button(1, 30);
    auto* b = host.Button(1, 60);
    auto* other = host.Button(2, 90);
    int clicks = 0;
    a->OnClick = b->OnClick = [&](TObject*) { ++clicks; };
    alone->SetDown(true);
    EXPECT_FALSE(alone->Down());
    other->SetDown(true);
    a->SetDown(true);
    b->SetDown(true);
    EXPECT_FALSE(a->Down());
    EXPECT_TRUE(b->Down());
    EXPECT_TRUE(other->Down());
    b->SetDown(false);  // no AllowAllUp: the group keeps one down
    EXPECT_TRUE(b->Down());
    b->SetAllowAllUp(true);
    EXPECT_TRUE(a->AllowAllUp());  // shared by the group
    b->SetDown(false);
    EXPECT_FALSE(b->Down());
    EXPECT_EQ(clicks, 0);  // code fires no OnClick
}

TEST(TSpeedButtonTest, UserClickPressesAndClicksAfterMouseUp) {
    THost host;
    auto* a = host.Button(3, 30);
    auto* b = host.Button(3, 60);
    host.Form->Show();
    std::vector<std::string> log;
    a->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { log.push_back("up"); };
    a->OnClick = [&](TObject*) { log.push_back(a->Down() ? "click down" : "click"); };
    SendClick(a, 5, 5);
    EXPECT_EQ(log, (std::vector<std::string>{"up", "click down"}));
    SendClick(b, 5, 5);
    EXPECT_FALSE(a->Down());
    EXPECT_TRUE(b->Down());
    a->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 5));
    EXPECT_EQ(a->State(), bsDown);
    a->Perform(WM_LBUTTONUP, 0, MakeLParam(50, 50));  // released outside
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(a->State(), bsUp);
    EXPECT_EQ(log.size(), 3u);
}

TEST(TSpeedButtonTest, GlyphCountFollowsPictureAndPaintsTransparently) {
    THost host;
    auto* b = host.Button(0, 0);
    b->SetBounds(0, 0, 24, 24);
    TBitmap glyph;
    glyph.SetPixelFormat(pf24bit);
    glyph.SetSize(32, 16);  // two images: up and disabled
    glyph.Canvas()->Brush()->SetColor(clFuchsia);
    glyph.Canvas()->FillRect(Rect(0, 0, 32, 16));
    glyph.Canvas()->Brush()->SetColor(clRed);
    glyph.Canvas()->FillRect(Rect(4, 4, 12, 12));
    b->SetGlyph(&glyph);
    EXPECT_EQ(b->NumGlyphs(), 2);
    EXPECT_EQ(GetPropValue(b, "NumGlyphs"), "2");
    SetPropValue(b, "Flat", "True");
    EXPECT_TRUE(b->Flat());
}

}  // namespace
