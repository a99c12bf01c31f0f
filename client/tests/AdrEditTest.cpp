#include "client/AdrEdit.h"

#include "client/tests/ClientFixture.h"
#include "platform/ui/StdCtrls.h"

namespace {

class TAdrEditTest : public TDataWindowTest {
protected:
    void SetUp() override {
        TDataWindowTest::SetUp();
        AddGroups();
    }
    // The caller's part: the contact in edit state, the editor, then post or
    // cancel by the result.
    TModalResult Edit(const AnsiString& Name) {
        EXPECT_TRUE(Dm->Adresa->Locate("Jmeno", Variant(Name), {}));
        Dm->Adresa->Edit();
        const TModalResult result = EditContact(nullptr, &Phones);
        if (result == mrOk)
            Dm->Adresa->Post();
        else
            Dm->Adresa->Cancel();
        return result;
    }
    static TfAdrEdit* Editor(TForm* Form) {
        auto* editor = dynamic_cast<TfAdrEdit*>(Form);
        EXPECT_NE(nullptr, editor);
        return editor;
    }

    TFakePhones Phones;
    TModalAnswerer Answers;
};

}  // namespace

TEST_F(TAdrEditTest, GroupsMoveBetweenTheListsGroupZeroStaysAndOkStoresTheListInItsOrder) {
    AddMember(1, "Adam", "5;15;");
    AddMember(2, "Cyril", "0;5;");
    ASSERT_TRUE(Dm->Skupiny->Locate("ID", Variant(1), {}));
    Answers.Act([this](TForm* Form) {
        TfAdrEdit* f = Editor(Form);
        EXPECT_EQ("Editace kontaktu", f->Caption());
        EXPECT_EQ((std::vector<AnsiString>{"Rodina", "Škola"}), Items(f->CheckLB1));
        EXPECT_EQ((std::vector<AnsiString>{"Práce"}), Items(f->CheckLB2)) << "group 0 is never offered";
        EXPECT_TRUE(SaveControlToPng(f, OutputPng("contact-editor.png")));
        Check(f->CheckLB2, "Práce");
        f->SpeedButton1->Click();
        EXPECT_EQ((std::vector<AnsiString>{"Rodina", "Škola", "Práce"}), Items(f->CheckLB1));
        f->BitBtn1->Click();
    });
    EXPECT_EQ(mrOk, Edit("Adam"));
    EXPECT_EQ("5;15;1;", GroupsOf("Adam"));

    Answers.Act([](TForm* Form) {
        TfAdrEdit* f = Editor(Form);
        EXPECT_EQ((std::vector<AnsiString>{"Práce", "Rodina", "Škola"}), Items(f->CheckLB1)) << "in the groups' order";
        for (const char* group : {"Rodina", "Škola", "Práce"}) Check(f->CheckLB1, group);
        f->SpeedButton2->Click();
        EXPECT_TRUE(Items(f->CheckLB1).empty());
        EXPECT_EQ((std::vector<AnsiString>{"Škola", "Rodina", "Práce"}), Items(f->CheckLB2));
        f->BitBtn1->Click();
    });
    EXPECT_EQ(mrOk, Edit("Adam"));
    EXPECT_EQ("", GroupsOf("Adam"));

    // A list that names group 0 keeps it.
    Answers.Act([](TForm* Form) {
        TfAdrEdit* f = Editor(Form);
        EXPECT_EQ((std::vector<AnsiString>{"Všichni", "Rodina"}), Items(f->CheckLB1));
        Check(f->CheckLB1, "Všichni");
        Check(f->CheckLB1, "Rodina");
        f->SpeedButton2->Click();
        EXPECT_EQ((std::vector<AnsiString>{"Všichni"}), Items(f->CheckLB1));
        f->BitBtn1->Click();
    });
    EXPECT_EQ(mrOk, Edit("Cyril"));
    EXPECT_EQ("0;", GroupsOf("Cyril"));
    EXPECT_EQ("Práce", Dm->SkupinyJmeno->AsString()) << "the group table is back where it was";
    EXPECT_TRUE(Answers.Unexpected().empty());
}

TEST_F(TAdrEditTest, AnInvalidNumberKeepsTheEditorOpenOnTheNumberUntilItIsMended) {
    AddMember(1, "Adam");
    ASSERT_TRUE(Dm->Adresa->Locate("ID", Variant(1), {}));
    Dm->Adresa->Edit();
    Dm->AdresaCislo->SetAsString("12");
    Dm->Adresa->Post();
    Answers.Act([](TForm* Form) { Editor(Form)->BitBtn1->Click(); });
    Answers.Act([this](TForm* Form) {
        TfAdrEdit* f = Editor(Form);
        EXPECT_EQ(1, Phones.ShownChecks) << "the user was told";
        EXPECT_EQ(f->DBEdit2, f->ActiveControl());
        f->DBEdit2->SetText("+420 603-123 456x");
        EXPECT_EQ("+420 603-123 456", f->DBEdit2->Text()) << "only what a number holds";
        f->DBEdit2->SetText("00420 603-123 456");
        f->BitBtn1->Click();
    });
    EXPECT_EQ(mrOk, Edit("Adam"));
    EXPECT_EQ(0, Answers.Pending());
    EXPECT_EQ("00420603123456", ContactValue("Adam", Dm->AdresaCislo));
}

TEST_F(TAdrEditTest, EmptyFieldsAreFilledAsTheyAreEnteredAndStornoKeepsNothing) {
    Dm->Adresa->Append();
    Dm->AdresaID->SetAsInteger(9);
    Dm->AdresaJmeno->SetAsString("Nový");
    Dm->AdresaPodpis->SetAsString("Jana");
    Answers.Act([](TForm* Form) {
        TfAdrEdit* f = Editor(Form);
        PumpUntilIdle();
        f->DBEdit3->SetFocus();
        f->DBEdit4->SetFocus();
        EXPECT_EQ("Ahoj,", f->DBEdit3->Text());
        EXPECT_EQ("Jana", f->DBEdit4->Text()) << "a signature of its own stays";
        f->DBEdit2->SetFocus();
        EXPECT_EQ("00420-", f->DBEdit2->Text());
        f->DBEdit2->SetSelStart(2);
        SendClick(f->DBEdit2, 3, 5);
        PumpUntilIdle();
        EXPECT_EQ(6, f->DBEdit2->SelStart()) << "the click that entered goes to the end";
        EXPECT_EQ("Ahoj,", DM->AdresaOsloveni->AsString());
        f->BitBtn2->Click();
    });
    EXPECT_EQ(mrCancel, EditContact(nullptr, &Phones));
    Dm->Adresa->Cancel();
    EXPECT_EQ(0, Dm->Adresa->RecordCount());
}

TEST_F(TAdrEditTest, AGroupThatNoLongerFitsTheContactsListIsRefusedWithAMessage) {
    // 63 groups of three-digit IDs fill 252 of the 255 characters.
    AnsiString list;
    for (Integer id = 100; id <= 170; ++id) {
        AddGroup(id, "S" + IntToStr(id), id);
        if (id <= 162) list += IntToStr(id) + ";";
    }
    AddMember(1, "Adam", list);
    Answers.Act([](TForm* Form) {
        TfAdrEdit* f = Editor(Form);
        Check(f->CheckLB2, "S163");
        Check(f->CheckLB2, "Práce");
        f->SpeedButton1->Click();
    });
    Answers.Act([](TForm* Dialog) {
        auto* label = dynamic_cast<TLabel*>(Dialog->FindComponent("Message"));
        ASSERT_NE(nullptr, label);
        EXPECT_NE(AnsiString::npos, label->Caption().find("seznam skupin je plný: S163.")) << label->Caption();
        Dialog->SetModalResult(mrOk);
    });
    Answers.Act([](TForm* Form) { Editor(Form)->BitBtn1->Click(); });
    EXPECT_EQ(mrOk, Edit("Adam"));
    EXPECT_EQ(0, Answers.Pending());
    EXPECT_EQ(list + "1;", GroupsOf("Adam"));
}
