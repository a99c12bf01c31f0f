#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classes/TypInfo.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TestSupport.h"

namespace {

struct THost {
    THost() {
        Form = new TForm(nullptr);
        Form->SetBounds(10, 10, 400, 300);
    }
    ~THost() {
        Form->Free();
        PumpUntilIdle();
    }
    TForm* Form;
};

template <class T>
T* Make(TForm* form, const char* name) {
    T* c = new T(form);
    c->SetName(name);
    c->SetParent(form);
    return c;
}

TEST(TCheckBoxTest, CheckedSetInCodeFiresOnClickOncePerChange) {
    THost host;
    auto* box = Make<TCheckBox>(host.Form, "chbAddSign");
    int clicks = 0;
    box->OnClick = [&](TObject* sender) {
        EXPECT_EQ(sender, box);
        EXPECT_TRUE(box->Checked());
        ++clicks;
    };
    box->SetChecked(true);
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    box->OnClick = [&](TObject*) { ++clicks; };
    box->SetChecked(false);
    EXPECT_EQ(clicks, 2);
    SetPropValue(box, "Checked", "True");
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(clicks, 3);
}

TEST(TCheckBoxTest, UserClickTogglesThroughGrayedWhenAllowed) {
    THost host;
    auto* box = Make<TCheckBox>(host.Form, "CheckBox1");
    box->SetCaption("&Zjistovat BRC");
    box->SetBounds(8, 8, 150, 17);
    host.Form->Show();
    std::vector<TCheckBoxState> seen;
    box->OnClick = [&](TObject*) { seen.push_back(box->State()); };
    SendClick(box, 6, 8);
    box->SetAllowGrayed(true);
    SendClick(box, 6, 8);
    SendClick(box, 6, 8);
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbChecked, cbUnchecked, cbGrayed}));
    SendKey(box, VK_SPACE);
    EXPECT_EQ(box->State(), cbChecked);
}

TEST(TRadioButtonTest, CheckingOneUnchecksItsSiblingsOnly) {
    THost host;
    auto* puls = Make<TRadioButton>(host.Form, "RadioPuls");
    auto* ton = Make<TRadioButton>(host.Form, "RadioTon");
    auto* other = new TRadioButton(host.Form);
    auto* group = new TForm(nullptr);
    other->SetParent(group);
    other->SetChecked(true);
    std::vector<std::string> log;
    puls->OnClick = [&](TObject*) { log.push_back("puls"); };
    ton->OnClick = [&](TObject*) { log.push_back("ton"); };
    puls->SetChecked(true);
    ton->SetChecked(true);
    EXPECT_FALSE(puls->Checked());
    EXPECT_TRUE(ton->Checked());
    EXPECT_TRUE(other->Checked());  // another parent
    ton->SetChecked(false);         // unchecking fires nothing
    EXPECT_EQ(log, (std::vector<std::string>{"puls", "ton"}));
    EXPECT_TRUE(ton->TabStop() == false && !puls->TabStop());
    group->Free();
}

TEST(TRadioButtonTest, UserClickOnCheckedButtonKeepsItChecked) {
    THost host;
    auto* a = Make<TRadioButton>(host.Form, "A");
    auto* b = Make<TRadioButton>(host.Form, "B");
    a->SetBounds(8, 8, 120, 17);
    b->SetBounds(8, 30, 120, 17);
    host.Form->Show();
    int clicks = 0;
    a->OnClick = [&](TObject*) { ++clicks; };
    SendClick(a, 6, 8);
    SendClick(a, 6, 8);
    EXPECT_TRUE(a->Checked());
    EXPECT_EQ(clicks, 1);
    SendClick(b, 6, 8);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
}

TEST(TComboBoxTest, TextSelectsTheMatchingItemWithoutOnChange) {
    THost host;
    auto* combo = Make<TComboBox>(host.Form, "ComboBox2");
    combo->SetStyle(csDropDownList);
    combo->Items()->Add("czech.lng");
    combo->Items()->Add("english.lng");
    EXPECT_EQ(combo->ItemIndex(), -1);  // adding selects nothing
    EXPECT_EQ(combo->Text(), "");
    int changes = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    combo->SetText("ENGLISH.lng");
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "english.lng");
    combo->SetText("slovak.lng");  // a file that no longer exists
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), "");
    combo->SetItemIndex(0);
    EXPECT_EQ(combo->Text(), "czech.lng");
    combo->SetItemIndex(7);
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(changes, 0);
    SetPropValue(combo, "Text", "czech.lng");
    EXPECT_EQ(GetPropValue(combo, "ItemIndex"), "0");
}

TEST(TComboBoxTest, DropDownKeepsTypedTextAndSelectsMatch) {
    THost host;
    auto* combo = Make<TComboBox>(host.Form, "ComboBox1");
    for (int i = 1; i <= 8; ++i) combo->Items()->Add("COM" + std::to_string(i));
    combo->SetText("com3");
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(combo->Text(), "com3");
    combo->SetText("USB0");
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), "USB0");
    combo->Items()->Add("COM9");
    EXPECT_EQ(combo->Text(), "USB0");
}

TEST(TComboBoxTest, UserTypingFiresOnChangeAndKeyEvents) {
    THost host;
    auto* combo = Make<TComboBox>(host.Form, "ComboBox1");
    host.Form->Show();
    combo->SetFocus();
    int changes = 0;
    std::string pressed;
    combo->OnChange = [&](TObject*) { ++changes; };
    combo->OnKeyPress = [&](TObject*, char& key) {
        pressed += key;
        if (key == 'x') key = 0;
    };
    TypeText(combo, "Příkaz");
    TypeText(combo, "x");
    EXPECT_EQ(combo->Text(), "Příkaz");
    EXPECT_EQ(pressed, "Příkazx");
    EXPECT_EQ(changes, 6);
}

TEST(TComboBoxTest, ItemsKeepSelectionAndObjectsAndSort) {
    THost host;
    auto* combo = Make<TComboBox>(host.Form, "ComboBox3");
    combo->SetStyle(csDropDownList);
    TObject tag;
    combo->Items()->AddObject("Beta", &tag);
    combo->Items()->Add("Alfa");
    combo->SetItemIndex(0);
    combo->Items()->Insert(0, "Gama");
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Items()->Objects(1), &tag);
    combo->Items()->Delete(1);
    EXPECT_EQ(combo->ItemIndex(), -1);  // the chosen item went
    combo->SetSorted(true);
    combo->Items()->Add("Čeřovka");
    combo->Items()->Add("Delta");
    EXPECT_EQ(combo->Items()->CommaText(), "Alfa,Čeřovka,Delta,Gama");
    EXPECT_THROW(combo->Items()->Strings(9), EStringListError);
}

TEST(TListBoxTest, CodeSelectionIsSilentUserSelectionClicks) {
    THost host;
    auto* list = Make<TListBox>(host.Form, "CheckLB1");
    list->SetBounds(8, 8, 150, 120);
    list->Items()->SetCommaText("Adam,Božena,Cyril");
    host.Form->Show();
    int clicks = 0, dbl = 0;
    list->OnClick = [&](TObject*) { ++clicks; };
    list->OnDblClick = [&](TObject*) { ++dbl; };
    list->SetItemIndex(1);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_TRUE(list->Selected(1));
    EXPECT_EQ(clicks, 0);
    const TRect r = list->ItemRect(2);
    SendClick(list, r.Left + 5, r.Top + 2);
    EXPECT_EQ(list->ItemIndex(), 2);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list->ItemAtPos(Point(r.Left + 5, r.Top + 2)), 2);
    EXPECT_EQ(list->ItemAtPos(Point(5, 110)), -1);
    list->Items()->Delete(2);
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_EQ(clicks, 1);
    EXPECT_THROW(list->Selected(5), EListError);
}

TEST(TListBoxTest, FocusAloneSelectsNothing) {
    THost host;
    auto* list = Make<TListBox>(host.Form, "FileList");
    list->Items()->SetCommaText("a,b");
    host.Form->Show();
    int clicks = 0;
    list->OnClick = [&](TObject*) { ++clicks; };
    list->SetFocus();
    PumpUntilIdle();
    EXPECT_EQ(list->ItemIndex(), -1);
    SendKey(list, VK_DOWN);
    EXPECT_GE(list->ItemIndex(), 0);
    EXPECT_EQ(clicks, 1);
}

TEST(TListBoxTest, MultiSelectCountsSelectedItems) {
    THost host;
    auto* list = Make<TListBox>(host.Form, "CheckLB2");
    list->Items()->SetCommaText("a,b,c,d");
    list->SetMultiSelect(true);
    list->SetSelected(0, true);
    list->SetSelected(2, true);
    EXPECT_EQ(list->SelCount(), 2);
    list->SetSelected(0, false);
    EXPECT_EQ(list->SelCount(), 1);
    EXPECT_TRUE(list->Selected(2));
}

}  // namespace

namespace {

TEST(TComboBoxTest, EditableComboEntersAndExitsOnce) {
    THost host;
    auto* combo = Make<TComboBox>(host.Form, "ComboBox1");
    auto* other = Make<TComboBox>(host.Form, "ComboBox2");
    other->SetStyle(csDropDownList);
    other->SetTop(40);
    host.Form->Show();
    int enters = 0, exits = 0;
    combo->OnEnter = [&](TObject*) { ++enters; };
    combo->OnExit = [&](TObject*) { ++exits; };
    combo->SetFocus();
    PumpUntilIdle();
    other->SetFocus();
    PumpUntilIdle();
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(host.Form->ActiveControl(), other);
}

}  // namespace
