#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenu>

#include <string>
#include <vector>

#include "platform/classes/TypInfo.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/Bars.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"

namespace {

TEST(ShortCutTest, TextRoundTripsForTheProgramsKeys) {
    EXPECT_EQ(ShortCutToText(ShortCut('Z', {ssCtrl})), "Ctrl+Z");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_ESCAPE, {ssShift})), "Shift+Esc");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_F4, {ssAlt})), "Alt+F4");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_RETURN, {ssCtrl})), "Ctrl+Enter");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_F1, {})), "F1");
    EXPECT_EQ(ShortCutToText(0), "");
    for (const char* text : {"Ctrl+Z", "Shift+Esc", "Alt+F4", "Ctrl+Enter", "F12", "Shift+Ctrl+Del"})
        EXPECT_EQ(ShortCutToText(TextToShortCut(text)), text);
    EXPECT_EQ(TextToShortCut("ctrl+n"), ShortCut('N', {ssCtrl}));
    EXPECT_EQ(TextToShortCut("Hyper+Q"), 0);
}

struct TWindow {
    TWindow() {
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, 400, 300);
        Edit = new TEdit(Form);
        Edit->SetParent(Form);
        Edit->SetBounds(10, 60, 100, 21);
        Actions = new TActionList(Form);
    }
    ~TWindow() {
        ui_detail::SetPopupAnswer(nullptr);
        Form->Free();
        PumpUntilIdle();
    }
    TAction* Action(const char* name, TShortCut sc) {
        auto* a = new TAction(Form);
        a->SetName(name);
        a->SetShortCut(sc);
        a->SetActionList(Actions);
        a->OnExecute = [this, name](TObject*) { Log.push_back(name); };
        return a;
    }
    TForm* Form;
    TEdit* Edit;
    TActionList* Actions;
    std::vector<std::string> Log;
};

TEST(TActionListTest, ShortcutGoesToTheFirstEnabledActionBeforeTheControl) {
    TWindow w;
    TAction* undo = w.Action("AUndo", ShortCut('Z', {ssCtrl}));
    TAction* hangUp = w.Action("AZavesit", ShortCut('Z', {ssCtrl}));
    w.Action("APoslat", ShortCut(VK_RETURN, {ssCtrl}));
    w.Action("AHelp", ShortCut(VK_F1, {}));
    int keyDowns = 0;
    w.Edit->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++keyDowns; };
    w.Form->Show();
    w.Edit->SetFocus();
    SendKey(w.Edit, 'Z', {ssCtrl});
    undo->SetEnabled(false);
    SendKey(w.Edit, 'Z', {ssCtrl});
    SendKey(w.Edit, VK_RETURN, {ssCtrl});
    SendKey(w.Edit, VK_F1);
    hangUp->SetEnabled(false);
    SendKey(w.Edit, 'Z', {ssCtrl});  // nobody takes it: the edit gets it
    EXPECT_EQ(w.Log, (std::vector<std::string>{"AUndo", "AZavesit", "APoslat", "AHelp"}));
    EXPECT_EQ(keyDowns, 1);
    TypeText(w.Edit, "z");
    EXPECT_EQ(w.Edit->Text(), "z");
}

TEST(TActionListTest, OnUpdateRunsBeforeExecuteAndListMayHandle) {
    TWindow w;
    TAction* a = w.Action("ADoFronty", ShortCut('F', {ssCtrl}));
    a->OnUpdate = [&](TObject*) {
        w.Log.push_back("update");
        a->SetEnabled(w.Edit->Text() != "");
    };
    EXPECT_FALSE(a->Execute());
    w.Edit->SetText("x");
    EXPECT_TRUE(a->Execute());
    w.Actions->OnExecute = [&](TBasicAction* action, bool& handled) {
        w.Log.push_back("list " + action->Name());
        handled = true;
    };
    EXPECT_TRUE(a->Execute());
    EXPECT_EQ(w.Log, (std::vector<std::string>{"update", "update", "ADoFronty", "update", "list ADoFronty"}));
}

TEST(TActionListTest, LinkedClientsFollowTheAction) {
    TWindow w;
    TAction* a = w.Action("Adoruc", 0);
    a->SetCaption("Doručenka");
    a->SetHint("Potvrzení o doručení");
    auto* item = new TMenuItem(w.Form);
    auto* button = new TButton(w.Form);
    button->SetParent(w.Form);
    auto* speed = new TSpeedButton(w.Form);
    speed->SetParent(w.Form);
    speed->SetGroupIndex(5);
    speed->SetAllowAllUp(true);
    item->SetAction(a);
    LinkAction(button, a);
    LinkAction(speed, a);
    EXPECT_EQ(item->Caption(), "Doručenka");
    EXPECT_EQ(button->Caption(), "Doručenka");
    EXPECT_EQ(speed->Hint(), "Potvrzení o doručení");
    a->SetChecked(true);
    a->SetEnabled(false);
    EXPECT_TRUE(item->Checked());
    EXPECT_TRUE(speed->Down());
    EXPECT_FALSE(button->Enabled());
    a->SetEnabled(true);
    button->Click();
    item->Click();
    EXPECT_EQ(w.Log, (std::vector<std::string>{"Adoruc", "Adoruc"}));
    EXPECT_EQ(a->ActionComponent(), item);
    delete button;  // a freed client leaves the action
    a->SetCaption("Jinak");
    EXPECT_EQ(item->Caption(), "Jinak");
    delete a;  // a freed action leaves its clients alone
    EXPECT_EQ(item->Action(), nullptr);
    item->Click();
    EXPECT_EQ(w.Log.size(), 2u);
}

TEST(TActionListTest, AChangeReachesTheClientsOnlyInWhatChanged) {
    TWindow w;
    TAction* a = w.Action("Adoruc", 0);
    auto* tool = new TToolButton(w.Form);
    tool->SetStyle(tbsCheck);
    LinkAction(tool, a);
    auto* item = new TMenuItem(w.Form);
    item->SetAction(a);
    // The program hides the button and retitles the item; ticking the action
    // must not undo either.
    tool->SetVisible(false);
    item->SetCaption("Tlačítko Doručenka");
    a->SetChecked(true);
    EXPECT_TRUE(tool->Down());
    EXPECT_FALSE(tool->Visible());
    EXPECT_TRUE(item->Checked());
    EXPECT_EQ(item->Caption(), "Tlačítko Doručenka");
    a->SetVisible(false);
    a->SetVisible(true);
    EXPECT_TRUE(tool->Visible());
}

TEST(TActionListTest, ControlActionLinksAndUnlinkingKeepsTheProgramsOnClick) {
    TWindow w;
    TAction* send = w.Action("ASend", 0);
    send->SetCaption("Odeslat");
    auto* button = new TButton(w.Form);
    button->SetParent(w.Form);
    button->SetAction(send);
    EXPECT_EQ(button->Action(), send);
    EXPECT_EQ(button->Caption(), "Odeslat");
    button->Click();
    EXPECT_EQ(w.Log, (std::vector<std::string>{"ASend"}));
    button->SetAction(nullptr);  // the click the link gave goes with it
    EXPECT_FALSE(button->OnClick);
    button->SetAction(send);
    int own = 0;
    button->OnClick = [&](TObject*) { ++own; };
    button->SetAction(nullptr);  // a handler the program set since stays
    ASSERT_TRUE(button->OnClick);
    button->Click();
    EXPECT_EQ(own, 1);
    EXPECT_EQ(w.Log.size(), 1u);
}

TEST(TMainMenuTest, ShortcutsRunEnabledItemsAndTheBarTakesTheTop) {
    TWindow w;
    auto* menu = new TMainMenu(w.Form);
    auto* view = new TMenuItem(w.Form);
    view->SetCaption("&Zobrazit");
    menu->Items()->Add(view);
    auto* hideAdr = new TMenuItem(w.Form);
    hideAdr->SetCaption("Okno adresáře");
    hideAdr->SetShortCut(ShortCut(VK_F2, {}));
    hideAdr->OnClick = [&](TObject*) { hideAdr->SetChecked(!hideAdr->Checked()); };
    view->Add(hideAdr);
    auto* panel = new TButton(w.Form);
    panel->SetParent(w.Form);
    panel->SetAlign(alTop);
    EXPECT_EQ(panel->Top(), 0);  // client coordinates start under the menu bar
    w.Action("AHideAdr", ShortCut(VK_F2, {}));
    w.Form->Show();
    w.Edit->SetFocus();
    SendKey(w.Edit, VK_F2);
    EXPECT_TRUE(hideAdr->Checked());
    EXPECT_TRUE(w.Log.empty());  // the main menu comes before the action list
    view->SetEnabled(false);
    SendKey(w.Edit, VK_F2);
    EXPECT_TRUE(hideAdr->Checked());
    EXPECT_EQ(w.Log, (std::vector<std::string>{"AHideAdr"}));
    EXPECT_EQ(GetPropValue(hideAdr, "ShortCut"), IntToStr(VK_F2));
}

TEST(TMainMenuTest, BarLiesOutsideTheClientArea) {
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, 300, 200);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(4, 0, 100, 21);
    auto* menu = new TMainMenu(form);
    auto* file = new TMenuItem(form);
    file->SetCaption("&Soubor");
    menu->Items()->Add(file);
    const Integer bar = form->Height() - form->ClientHeight();
    EXPECT_GT(bar, 0);
    EXPECT_EQ(form->Menu(), menu);
    EXPECT_EQ(form->ClientHeight(), 200);  // the window grew by the bar
    EXPECT_EQ(form->ControlCount(), 1);
    EXPECT_EQ(edit->Top(), 0);
    EXPECT_EQ(edit->ClientToScreen(Point(0, 0)).y, form->ClientToScreen(Point(0, 0)).y);
    EXPECT_GE(form->ClientToScreen(Point(0, 0)).y - bar, form->Top());
    auto* bottom = new TPanel(form);
    bottom->SetParent(form);
    bottom->SetAlign(alBottom);
    bottom->SetHeight(30);
    EXPECT_EQ(bottom->Top(), 170);
    form->SetClientHeight(150);
    EXPECT_EQ(form->Height(), 150 + bar);
    EXPECT_EQ(bottom->Top(), 120);
    TPoint down{-1, -1};
    form->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int X, int Y) { down = Point(X, Y); };
    form->Show();
    SendClick(form, 150, 100);
    EXPECT_EQ(down.x, 150);
    EXPECT_EQ(down.y, 100);
    delete menu;
    EXPECT_EQ(form->Menu(), nullptr);
    EXPECT_EQ(form->ClientHeight(), 150);
    EXPECT_EQ(form->Height(), 150);
    form->Free();
}

TEST(TMenuItemTest, TreeRadioGroupsAndFreeing) {
    TWindow w;
    auto* root = new TMenuItem(w.Form);
    auto* a = new TMenuItem(w.Form);
    auto* b = new TMenuItem(w.Form);
    auto* sub = new TMenuItem(w.Form);
    root->Add(a);
    root->Insert(0, b);
    a->Add(sub);
    EXPECT_EQ(root->IndexOf(a), 1);
    EXPECT_EQ(sub->Parent(), a);
    EXPECT_THROW(sub->Add(root), EInvalidOperation);
    a->SetRadioItem(true);
    b->SetRadioItem(true);
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked());
    int clicks = 0;
    a->OnClick = [&](TObject*) { ++clicks; };
    a->SetEnabled(false);
    a->Click();
    EXPECT_EQ(clicks, 0);
    delete a;  // frees its items too
    EXPECT_EQ(root->Count(), 1);
    EXPECT_EQ(w.Form->FindComponent("sub"), nullptr);
    EXPECT_THROW(root->Items(3), EListError);
}

// Every row of a separator is one colour between the margins: a plain line
// on the menu's background, no mark drawn before it.
TEST(TMenuItemTest, SeparatorIsAPlainLine) {
    TPopupMenu popup(nullptr);
    for (const char* caption : {"Alfa", "-", "Beta"}) {
        auto* item = new TMenuItem(&popup);
        item->SetCaption(caption);
        popup.Items()->Add(item);
    }
    QMenu* menu = nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* m = qobject_cast<QMenu*>(w); m && m->actions().size() == 3 && m->actions()[0]->text() == "Alfa")
            menu = m;
    ASSERT_NE(menu, nullptr);
    menu->adjustSize();
    const QImage image = menu->grab().toImage();
    const QRect band = menu->actionGeometry(menu->actions()[1]);
    ASSERT_GT(band.height(), 0);
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left() + 8; x < band.right() - 8; ++x)
            ASSERT_EQ(image.pixel(x, y), image.pixel(band.left() + 8, y)) << "at " << x << "," << y;
}

TEST(TPopupMenuTest, RightClickPopsUpOverTheControlAndShortcutsReachIt) {
    TWindow w;
    auto* popup = new TPopupMenu(w.Form);
    auto* del = new TMenuItem(w.Form);
    del->SetCaption("Smazat");
    del->SetShortCut(ShortCut(VK_DELETE, {ssCtrl}));
    popup->Items()->Add(del);
    int deletes = 0, popups = 0;
    del->OnClick = [&](TObject*) { ++deletes; };
    popup->OnPopup = [&](TObject*) { ++popups; };
    w.Edit->SetPopupMenu(popup);
    w.Form->Show();
    TPoint where;
    ui_detail::SetPopupAnswer([&](TPopupMenu* menu, Integer x, Integer y) {
        EXPECT_EQ(menu, popup);
        where = Point(x, y);
        return del;
    });
    SendClick(w.Edit, 5, 6, mbRight);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(deletes, 1);
    EXPECT_EQ(popup->PopupComponent(), w.Edit);
    EXPECT_EQ(where.x, w.Edit->ClientToScreen(Point(5, 6)).x);
    w.Edit->SetFocus();
    SendKey(w.Edit, VK_DELETE, {ssCtrl});
    EXPECT_EQ(deletes, 2);
    delete w.Edit;
    EXPECT_EQ(popup->PopupComponent(), nullptr);
}

}  // namespace
