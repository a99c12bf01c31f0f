#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/TypInfo.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ListView.h"
#include "platform/ui/TestSupport.h"

namespace {

struct TLog {
    TLog() {
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, 400, 300);
        View = new TListView(Form);
        View->SetParent(Form);
        View->SetBounds(0, 0, 380, 200);
        View->SetViewStyle(vsReport);
        for (const char* caption : {"Čas", "Událost"}) View->Columns()->Add()->SetCaption(caption);
    }
    ~TLog() {
        Form->Free();
        PumpUntilIdle();
    }
    TListItem* Add(const char* time, const char* text) {
        TListItem* item = View->Items()->Add();
        item->SetCaption(time);
        item->SubItems()->Add(text);
        return item;
    }
    TForm* Form;
    TListView* View;
};

TEST(TListViewTest, ColumnWidthsAreReadBackForStoring) {
    TLog log;
    log.View->Columns()->Items(0)->SetWidth(80);
    log.View->Columns()->Items(1)->SetWidth(50);
    EXPECT_EQ(log.View->Columns()->Items(0)->Width(), 80);
    log.View->Columns()->Add()->SetWidth(33);
    EXPECT_EQ(log.View->Columns()->Items(0)->Width(), 80);
    EXPECT_EQ(log.View->Columns()->Items(2)->Width(), 33);
    log.View->Columns()->Delete(1);
    EXPECT_EQ(log.View->Columns()->Items(1)->Width(), 33);
    EXPECT_THROW(log.View->Columns()->Items(2), EListError);
}

TEST(TListViewTest, ItemsSelectionAndEvents) {
    TLog log;
    TListItem* a = log.Add("10:00", "Volání zahájeno");
    TListItem* b = log.Add("10:01", "Odesláno 3 SMS");
    TListItem* first = log.View->Items()->Insert(0);
    first->SetCaption("09:59");
    EXPECT_EQ(a->Index(), 1);
    EXPECT_EQ(b->SubItems()->Strings(0), "Odesláno 3 SMS");
    std::vector<std::string> events;
    log.View->OnSelectItem = [&](TObject*, TListItem* item, bool selected) {
        events.push_back(item->Caption() + (selected ? "+" : "-"));
    };
    log.View->OnDeletion = [&](TObject*, TListItem* item) { events.push_back("del " + item->Caption()); };
    log.View->SetSelected(a);
    EXPECT_EQ(log.View->Selected(), a);
    log.Form->Show();
    PumpUntilIdle();
    TListItem* hit = nullptr;
    for (int y = 0; y < 200 && !hit; ++y)
        if (TListItem* i = log.View->GetItemAt(5, y); i == b) hit = i;
    ASSERT_EQ(hit, b);
    log.View->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 60));
    log.View->Items()->Delete(0);
    EXPECT_EQ(log.View->Items()->Count(), 2);
    EXPECT_GE(events.size(), 2u);
    EXPECT_EQ(events[0], "10:00+");
    EXPECT_EQ(events.back(), "del 09:59");
    int clicks = 0;
    log.View->OnColumnClick = [&](TObject*, TListColumn* c) { clicks += c->Index() + 1; };
    log.View->Items()->Clear();
    EXPECT_EQ(log.View->Selected(), nullptr);
    EXPECT_EQ(GetPropValue(log.View, "ViewStyle"), "vsReport");
}

TEST(TListViewTest, UserClicksPickRowsAndColumns) {
    TLog log;
    log.Add("10:00", "Volání zahájeno");
    TListItem* b = log.Add("10:01", "Odesláno 3 SMS");
    log.Form->Show();
    PumpUntilIdle();
    Integer yb = -1;
    for (Integer y = 0; y < 200 && yb < 0; ++y)
        if (log.View->GetItemAt(5, y) == b) yb = y;
    ASSERT_GE(yb, 0);
    std::vector<std::string> events;
    log.View->OnSelectItem = [&](TObject*, TListItem* item, bool selected) {
        events.push_back(item->Caption() + (selected ? "+" : "-"));
    };
    int clicks = 0;
    log.View->OnClick = [&](TObject*) { ++clicks; };
    SendClick(log.View, 5, yb + 2);
    EXPECT_EQ(log.View->Selected(), b);
    EXPECT_EQ(log.View->SelCount(), 1);
    EXPECT_EQ(events, (std::vector<std::string>{"10:01+"}));
    EXPECT_EQ(clicks, 1);
    std::vector<Integer> columns;
    log.View->OnColumnClick = [&](TObject*, TListColumn* c) { columns.push_back(c->Index()); };
    SendClick(log.View, log.View->Columns()->Items(0)->Width() + 10, 5);
    EXPECT_EQ(columns, (std::vector<Integer>{1}));
}

}  // namespace
