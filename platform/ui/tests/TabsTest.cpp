#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/classes/TypInfo.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Tabs.h"
#include "platform/ui/TestSupport.h"

namespace {

struct TPages {
    TPages() {
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, 400, 300);
        Control = new TPageControl(Form);
        Control->SetName("PageControl1");
        Control->SetParent(Form);
        Control->SetAlign(alClient);
        const char* captions[] = {"Text", "Obrázky", "Melodie"};
        for (const char* caption : captions) {
            auto* sheet = new TTabSheet(Form);
            sheet->SetCaption(caption);
            sheet->SetPageControl(Control);
            sheet->OnShow = [this, sheet](TObject*) { Log.push_back("show " + sheet->Caption()); };
            sheet->OnHide = [this, sheet](TObject*) { Log.push_back("hide " + sheet->Caption()); };
            Sheets.push_back(sheet);
        }
        Control->OnChanging = [this](TObject*, bool& allow) {
            Log.push_back("changing");
            allow = AllowChange;
        };
        Control->OnChange = [this](TObject*) { Log.push_back("change"); };
    }
    ~TPages() {
        Form->Free();
        PumpUntilIdle();
    }
    TForm* Form;
    TPageControl* Control;
    std::vector<TTabSheet*> Sheets;
    std::vector<std::string> Log;
    bool AllowChange = true;
};

TEST(TPageControlTest, CodeShowsPagesWithoutChangeEvents) {
    TPages p;
    p.Form->Show();
    EXPECT_EQ(p.Control->PageCount(), 3);
    EXPECT_EQ(p.Control->ActivePageIndex(), -1);
    p.Control->SetActivePage(p.Sheets[1]);
    p.Control->SetActivePageIndex(2);
    EXPECT_EQ(p.Control->ActivePage(), p.Sheets[2]);
    EXPECT_TRUE(p.Sheets[2]->Visible());
    EXPECT_FALSE(p.Sheets[1]->Visible());
    EXPECT_EQ(p.Log, (std::vector<std::string>{"show Obrázky", "show Melodie", "hide Obrázky"}));
    p.Control->SetActivePageIndex(9);
    EXPECT_EQ(p.Control->ActivePage(), nullptr);
    SetPropValue(p.Control, "ActivePageIndex", "0");
    EXPECT_EQ(p.Control->ActivePage(), p.Sheets[0]);
}

TEST(TPageControlTest, FocusLeavesAPageThatIsHidden) {
    TPages p;
    auto* edit = new TEdit(p.Form);
    edit->SetParent(p.Sheets[0]);
    auto* other = new TEdit(p.Form);
    other->SetParent(p.Sheets[1]);
    p.Control->SetActivePageIndex(0);
    p.Form->Show();
    edit->SetFocus();
    PumpUntilIdle();
    ASSERT_TRUE(edit->Focused());
    p.Control->SetActivePageIndex(1);
    PumpUntilIdle();
    EXPECT_FALSE(edit->Focused());
    EXPECT_NE(p.Form->ActiveControl(), edit);
}

TEST(TPageControlTest, ActivePageShowsWithItsWindow) {
    TPages p;
    p.Control->SetActivePageIndex(1);  // the window is not shown yet
    EXPECT_TRUE(p.Log.empty());
    TModalAnswerer answers;
    answers.Answer(mrOk, [&](TForm*) { EXPECT_EQ(p.Log, (std::vector<std::string>{"show Obrázky"})); });
    p.Form->ShowModal();
    EXPECT_EQ(p.Log, (std::vector<std::string>{"show Obrázky", "hide Obrázky"}));
}

TEST(TPageControlTest, UserClickOnATabAsksAndFiresOnChange) {
    TPages p;
    p.Control->SetActivePageIndex(0);
    p.Form->Show();
    p.Log.clear();
    const TRect tab = p.Control->TabRect(2);
    SendClick(p.Control, tab.Left + 4, tab.Top + 4);
    EXPECT_EQ(p.Control->ActivePageIndex(), 2);
    EXPECT_EQ(p.Log, (std::vector<std::string>{"changing", "show Melodie", "hide Text", "change"}));
    p.AllowChange = false;
    p.Log.clear();
    p.Control->SelectNextPage(true);
    EXPECT_EQ(p.Control->ActivePageIndex(), 2);
    EXPECT_EQ(p.Log, (std::vector<std::string>{"changing"}));
    p.AllowChange = true;
    p.Control->SelectNextPage(true);  // wraps around
    EXPECT_EQ(p.Control->ActivePageIndex(), 0);
}

TEST(TPageControlTest, CtrlTabWalksThePagesAsTheUserWould) {
    TPages p;
    p.Control->SetActivePageIndex(2);
    p.Form->Show();
    p.Control->SetFocus();
    p.Log.clear();
    SendKey(p.Control, VK_TAB, {ssCtrl});
    EXPECT_EQ(p.Control->ActivePageIndex(), 0);
    SendKey(p.Control, VK_TAB, {ssCtrl, ssShift});
    EXPECT_EQ(p.Control->ActivePageIndex(), 2);
    EXPECT_EQ(std::count(p.Log.begin(), p.Log.end(), "change"), 2);
}

TEST(TPageControlTest, SheetsFillTheAreaUnderTheTabsAndLeaveWhenFreed) {
    TPages p;
    p.Control->SetActivePageIndex(1);
    const TRect d = p.Control->DisplayRect();
    EXPECT_EQ(p.Sheets[1]->Top(), d.Top);
    EXPECT_EQ(p.Sheets[1]->Width(), d.Width());
    auto* edit = new TEdit(p.Form);
    edit->SetParent(p.Sheets[1]);
    p.Sheets[2]->SetTabVisible(false);
    EXPECT_EQ(p.Sheets[2]->TabIndex(), -1);
    EXPECT_EQ(p.Sheets[1]->TabIndex(), 1);
    p.Sheets[0]->SetPageIndex(2);
    EXPECT_EQ(p.Control->Pages(0), p.Sheets[1]);
    delete p.Sheets[1];  // the active page: the next visible one takes over
    EXPECT_EQ(p.Control->PageCount(), 2);
    EXPECT_EQ(p.Control->ActivePage(), p.Sheets[0]);
    EXPECT_THROW(p.Control->Pages(5), EListError);
}

TEST(TTabControlTest, TabIndexFromCodeIsSilentClicksAsk) {
    auto* form = new TForm(nullptr);
    auto* tabs = new TTabControl(form);
    tabs->SetParent(form);
    tabs->Tabs()->SetCommaText("Všichni,Práce,Rodina");
    int changes = 0;
    tabs->OnChange = [&](TObject*) { ++changes; };
    tabs->SetTabIndex(1);
    EXPECT_EQ(changes, 0);
    form->Show();
    const TRect r = tabs->TabRect(2);
    SendClick(tabs, r.Left + 3, r.Top + 3);
    EXPECT_EQ(tabs->TabIndex(), 2);
    EXPECT_EQ(changes, 1);
    tabs->Tabs()->Delete(2);
    EXPECT_EQ(tabs->TabIndex(), 1);
    tabs->SetTabIndex(5);
    EXPECT_EQ(tabs->TabIndex(), -1);
    form->Free();
    PumpUntilIdle();
}

}  // namespace
