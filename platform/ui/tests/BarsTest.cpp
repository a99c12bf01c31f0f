#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/TypInfo.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/ImageList.h"
#include "platform/ui/Bars.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/TestSupport.h"

namespace {

struct THost {
    THost() {
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, 400, 200);
    }
    ~THost() {
        ui_detail::SetPopupAnswer(nullptr);
        Form->Free();
        PumpUntilIdle();
    }
    TForm* Form;
};

TEST(TStatusBarTest, PanelsLieSideBySideAndTheLastReachesTheEdge) {
    THost host;
    auto* bar = new TStatusBar(host.Form);
    bar->SetParent(host.Form);
    EXPECT_EQ(bar->Align(), alBottom);
    EXPECT_EQ(bar->Top() + bar->Height(), host.Form->ClientHeight());
    for (Integer w : {100, 50, 80}) bar->Panels()->Add()->SetWidth(w);
    EXPECT_EQ(bar->PanelRect(0).Right, 100);
    EXPECT_EQ(bar->PanelRect(1).Left, 102);
    EXPECT_EQ(bar->PanelRect(2).Right, bar->Width());
    bar->Panels()->Items(1)->SetText("Připojeno");
    EXPECT_EQ(bar->Panels()->Items(1)->Index(), 1);
    EXPECT_THROW(bar->Panels()->Items(3), EListError);
    SetPropValue(bar, "SimplePanel", "True");
    EXPECT_EQ(bar->PanelRect(2).Left, 0);
}

TEST(TStatusBarTest, OwnerDrawnPanelIsDrawnByTheHandlerInItsRectangle) {
    THost host;
    auto* bar = new TStatusBar(host.Form);
    bar->SetParent(host.Form);
    bar->Panels()->Add()->SetWidth(60);
    TStatusPanel* drawn = bar->Panels()->Add();
    drawn->SetWidth(40);
    drawn->SetStyle(psOwnerDraw);
    bar->Panels()->Add();
    TRect seen;
    int calls = 0;
    bar->OnDrawPanel = [&](TStatusBar* sender, TStatusPanel* panel, const TRect& r) {
        EXPECT_EQ(sender, bar);
        EXPECT_EQ(panel, drawn);
        seen = r;
        ++calls;
        sender->Canvas()->Brush()->SetColor(clLime);
        sender->Canvas()->FillRect(r);
    };
    host.Form->Show();
    ASSERT_TRUE(SaveControlToPng(bar, VEMLOR_TEST_OUTPUT "/statusbar.png"));
    EXPECT_GE(calls, 1);
    EXPECT_EQ(seen.Left, 63);  // inside the panel's bevel
    EXPECT_EQ(bar->Canvas()->Pixel(seen.Left + 5, seen.Top + 5), clLime);
}

TEST(TToolBarTest, ButtonsLineUpAndCheckButtonsGroup) {
    THost host;
    auto* bar = new TToolBar(host.Form);
    bar->SetParent(host.Form);
    std::vector<TToolButton*> b;
    for (TToolButtonStyle style : {tbsButton, tbsSeparator, tbsCheck, tbsCheck}) {
        auto* button = new TToolButton(host.Form);
        button->SetParent(bar);
        button->SetStyle(style);
        button->SetImageIndex(0);
        b.push_back(button);
    }
    EXPECT_EQ(bar->ButtonCount(), 4);
    EXPECT_EQ(b[1]->Left(), 23);
    EXPECT_EQ(b[2]->Left(), 31);
    b[2]->SetGrouped(true);
    b[3]->SetGrouped(true);
    int clicks = 0;
    b[2]->OnClick = [&](TObject*) { ++clicks; };
    host.Form->Show();
    SendClick(b[2], 3, 3);
    EXPECT_TRUE(b[2]->Down());
    EXPECT_EQ(clicks, 1);
    SendClick(b[3], 3, 3);
    EXPECT_FALSE(b[2]->Down());
    EXPECT_TRUE(b[3]->Down());
    SendClick(b[3], 3, 3);  // a grouped button stays down
    EXPECT_TRUE(b[3]->Down());
    delete b[0];
    EXPECT_EQ(b[1]->Left(), 0);
}

TEST(TToolButtonTest, MenuItemAndDropdownMenu) {
    THost host;
    auto* bar = new TToolBar(host.Form);
    bar->SetParent(host.Form);
    auto* item = new TMenuItem(host.Form);
    item->SetCaption("Šablony zpráv");
    int itemClicks = 0;
    item->OnClick = [&](TObject*) { ++itemClicks; };
    auto* popup = new TPopupMenu(host.Form);
    auto* choice = new TMenuItem(host.Form);
    choice->SetCaption("Dobrý den");
    popup->Items()->Add(choice);
    int chosen = 0;
    choice->OnClick = [&](TObject*) { ++chosen; };
    auto* withItem = new TToolButton(host.Form);
    withItem->SetParent(bar);
    withItem->SetMenuItem(item);
    EXPECT_EQ(withItem->Caption(), "Šablony zpráv");
    auto* dropping = new TToolButton(host.Form);
    dropping->SetParent(bar);
    dropping->SetDropdownMenu(popup);
    ui_detail::SetPopupAnswer([&](TPopupMenu* menu, Integer, Integer) {
        EXPECT_EQ(menu->PopupComponent(), dropping);
        return choice;
    });
    withItem->Click();
    dropping->Click();
    EXPECT_EQ(itemClicks, 1);
    EXPECT_EQ(chosen, 1);
    delete item;
    EXPECT_EQ(withItem->MenuItem(), nullptr);
}

TEST(TToolBarTest, ButtonsDrawTheirImageFromTheBarsImageList) {
    THost host;
    auto* images = new TImageList(host.Form);
    // A red 16 x 16 image whose top-left 4 x 4 corner is fuchsia, the
    // transparent colour.
    TBitmap strip;
    strip.SetPixelFormat(pf24bit);
    strip.SetSize(16, 16);
    strip.Canvas()->Brush()->SetColor(clRed);
    strip.Canvas()->FillRect(Rect(0, 0, 16, 16));
    strip.Canvas()->Brush()->SetColor(clFuchsia);
    strip.Canvas()->FillRect(Rect(0, 0, 4, 4));
    ASSERT_EQ(images->AddMasked(&strip, clFuchsia), 0);

    auto* bar = new TToolBar(host.Form);
    bar->SetParent(host.Form);
    SetObjectProp(bar, "Images", images);
    EXPECT_EQ(bar->Images(), images);
    auto* button = new TToolButton(host.Form);
    button->SetParent(bar);
    button->SetImageIndex(0);
    auto* beyond = new TToolButton(host.Form);  // an index the list lacks draws nothing
    beyond->SetParent(bar);
    beyond->SetImageIndex(5);
    host.Form->Show();
    PumpUntilIdle();

    // The image lies centred in the 23 x 22 button: from (3, 3) to (19, 19).
    auto pixel = [&](TToolButton* b, int x, int y) {
        TBitmap shot;
        EXPECT_TRUE(GrabControl(bar, shot));
        return shot.GetPixel(b->Left() + x, b->Top() + y);
    };
    const TColor face = ColorToRGB(clBtnFace);
    EXPECT_EQ(pixel(button, 10, 10), clRed);
    EXPECT_EQ(pixel(button, 18, 18), clRed);
    EXPECT_EQ(pixel(button, 4, 4), face);  // the transparent corner
    EXPECT_EQ(pixel(button, 10, 19), face);
    EXPECT_EQ(pixel(beyond, 10, 10), face);

    button->SetEnabled(false);  // embossed: the red turns to the shadow colour
    PumpUntilIdle();
    EXPECT_EQ(pixel(button, 10, 10), ColorToRGB(clBtnShadow));

    delete images;  // the bar lets go of a freed list
    EXPECT_EQ(bar->Images(), nullptr);
    PumpUntilIdle();
    EXPECT_EQ(pixel(button, 10, 10), face);
}

}  // namespace
