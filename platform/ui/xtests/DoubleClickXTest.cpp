// A double click as the X server delivers it: two presses with the server's
// time stamps, of which the toolkit turns the second into a double click.

#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "XDisplay.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ListView.h"
#include "platform/ui/RichEdit.h"
#include "platform/ui/TestSupport.h"
#include "platform/ui/UiBridge.h"

namespace {

class TDoubleClickXTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!XDisplayProblem().empty()) GTEST_SKIP() << "no X server: " << XDisplayProblem();
        Form = new TForm(nullptr);
        Form->SetBounds(60, 60, 320, 240);
        Form->SetCaption("Dvojklik");
    }
    void TearDown() override {
        if (!Form) return;
        Form->Free();
        PumpUntilIdle();
    }
    // Shows the window and waits until the server has it on the screen.
    void ShowOnScreen() {
        Form->Show();
        QWidget* w = ui_detail::WidgetOf(Form);
        ASSERT_TRUE(WaitUntil([w] { return w->windowHandle() && w->windowHandle()->isExposed(); }))
            << "the window never appeared";
    }
    // Presses and releases the left button twice at the control's point,
    // through the server, with no pause between.
    void DoubleClick(TControl* Control, TPoint At) {
        const TPoint p = Control->ClientToScreen(At);
        std::string error;
        ASSERT_TRUE(RunXdotool({"mousemove", "--sync", std::to_string(p.x), std::to_string(p.y), "mousedown", "1",
                                "mouseup", "1", "mousedown", "1", "mouseup", "1"},
                               error))
            << error;
    }
    TForm* Form = nullptr;
};

TEST_F(TDoubleClickXTest, ListBoxFiresOnDblClickOnceOnTheItemUnderThePointer) {
    auto* list = new TListBox(Form);
    list->SetParent(Form);
    list->SetBounds(10, 10, 200, 150);
    list->Items()->SetCommaText("Adam,Božena,Cyril");
    int doubles = 0, releases = 0;
    Integer itemAtDouble = -1;
    list->OnDblClick = [&](TObject*) {
        ++doubles;
        itemAtDouble = list->ItemIndex();
    };
    list->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++releases; };
    ASSERT_NO_FATAL_FAILURE(ShowOnScreen());
    const TRect r = list->ItemRect(1);
    ASSERT_NO_FATAL_FAILURE(DoubleClick(list, Point(r.Left + 10, (r.Top + r.Bottom) / 2)));
    // The second release ends the gesture: everything it brought has arrived.
    ASSERT_TRUE(WaitUntil([&] { return releases >= 2; })) << "releases seen: " << releases;
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(itemAtDouble, 1);
}

TEST_F(TDoubleClickXTest, ListViewFiresOnDblClickOnceOnTheRowUnderThePointer) {
    auto* view = new TListView(Form);
    view->SetParent(Form);
    view->SetBounds(10, 10, 280, 180);
    view->SetViewStyle(vsReport);
    view->Columns()->Add()->SetCaption("Čas");
    view->Columns()->Add()->SetCaption("Událost");
    for (const char* time : {"10:00", "10:01", "10:02"}) view->Items()->Add()->SetCaption(time);
    int doubles = 0, releases = 0;
    view->OnDblClick = [&](TObject*) { ++doubles; };
    view->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++releases; };
    ASSERT_NO_FATAL_FAILURE(ShowOnScreen());
    Integer y = -1;
    for (Integer row = 0; row < 180 && y < 0; ++row)
        if (view->GetItemAt(5, row) == view->Items()->Item(1)) y = row;
    ASSERT_GE(y, 0);
    ASSERT_NO_FATAL_FAILURE(DoubleClick(view, Point(10, y + 3)));
    ASSERT_TRUE(WaitUntil([&] { return releases >= 2; })) << "releases seen: " << releases;
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(view->Selected(), view->Items()->Item(1));
}

// The editor passes its text area's input on as well: a double click there
// still selects the word.
TEST_F(TDoubleClickXTest, RichMemoSelectsTheWordUnderThePointer) {
    auto* memo = new TCustomRichMemo(Form);
    memo->SetParent(Form);
    memo->SetBounds(10, 10, 280, 120);
    memo->SetText("slunce slunce slunce");
    int releases = 0;
    memo->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++releases; };
    ASSERT_NO_FATAL_FAILURE(ShowOnScreen());
    ASSERT_NO_FATAL_FAILURE(DoubleClick(memo, Point(12, 10)));
    ASSERT_TRUE(WaitUntil([&] { return releases >= 2; })) << "releases seen: " << releases;
    EXPECT_EQ(memo->SelText(), "slunce");
}

}  // namespace
