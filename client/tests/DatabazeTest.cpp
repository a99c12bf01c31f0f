#include "client/Databaze.h"

#include "client/tests/ClientFixture.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/StdCtrls.h"

namespace {

class TDatabazeTest : public TDataWindowTest {
protected:
    void SetUp() override {
        TDataWindowTest::SetUp();
        AddGroups();
        AddMember(1, "Adam", "1;5;");
        AddMember(2, "Božena", "15;");
        AddMember(3, "Cyril", "5;15;");
        AddMember(4, "Dana");
    }
    void TearDown() override {
        delete Form;
        TDataWindowTest::TearDown();
    }
    // The window shown (not modally) on a page.
    TfDatabaze* Open(TDatabasePage Page) {
        Form = new TfDatabaze(nullptr, &Services);
        Form->PageControl1->SetActivePageIndex(Page);
        Form->Show();
        PumpUntilIdle();
        return Form;
    }
    void ChooseGroup(Integer ID) {
        ASSERT_TRUE(Dm->Skupiny->Locate("ID", Variant(ID), {}));
        Form->RxDBGrid6CellClick(nullptr);
    }

    TFakeDatabaseServices Services;
    TfDatabaze* Form = nullptr;
};

}  // namespace

TEST_F(TDatabazeTest, EveryPageRendersAsAWindowToWorkIn) {
    AddMember(5, "Eva Malá", "1;");
    for (const auto& [name, text, key] : {std::tuple{"Pozdrav", "Ahoj, jak se máš?", "Ctrl+Alt+P"},
                                          std::tuple{"Schůzka", "Sejdeme se v 10:00 u nádraží.", ""},
                                          std::tuple{"Zpoždění", "Přijdu o půl hodiny později.", "Ctrl+Alt+Z"}}) {
        Dm->Zprava->Append();
        Dm->ZpravaNazev->SetAsString(name);
        Dm->Zpravazprava->SetAsString(text);
        Dm->ZpravaShortCut->SetAsString(key);
        Dm->Zprava->Post();
    }
    for (const char* melody : {"Für Elise", "Jingle Bells", "Mission Impossible", "Toccata"}) {
        Dm->Melody->Append();
        Dm->MelodyJmeno->SetAsString(melody);
        Dm->Melody->Post();
    }
    for (const auto& [country, prefix, filter] : {std::tuple{"Česká republika", "420", "00420#########"},
                                                  std::tuple{"Slovensko", "421", "00421#########"},
                                                  std::tuple{"Polsko", "48", "0048#########"}}) {
        Dm->Staty->Append();
        Dm->StatyJmeno->SetAsString(country);
        Dm->StatyPredcisli->SetAsString(prefix);
        Dm->StatyFiltr->SetAsString(filter);
        Dm->Staty->Post();
    }
    for (int day = 1; day <= 3; ++day) {
        Dm->Notif->Append();
        Dm->NotifJmeno->SetAsString("n" + IntToStr(day));
        Dm->NotifText->SetAsString("Vážení zákazníci,\r\nslužba bude " + IntToStr(day) + ". prosince přerušena.");
        Dm->NotifDatum->SetAsDateTime(EncodeDate(2026, 12, day) + EncodeTime(9, 30, 0, 0));
        Dm->Notif->Post();
    }
    Open(dpGroups);
    Form->SetBounds(0, 0, 700, 470);
    ChooseGroup(1);
    // The two member lists share the room below and above the buttons.
    EXPECT_NEAR(Form->CheckLB1->Height(), Form->CheckLB2->Height(), 4);
    EXPECT_GT(Form->CheckLB1->Height(), 100);
    const char* const names[] = {"groups", "templates", "melodies", "countries", "notifications"};
    for (int page = dpGroups; page <= dpNotifications; ++page) {
        Form->PageControl1->SetActivePageIndex(page);
        PumpUntilIdle();
        EXPECT_TRUE(SaveControlToPng(Form, OutputPng((AnsiString("database-") + names[page] + ".png").c_str())));
    }
}
TEST_F(TDatabazeTest, GroupZeroListsEveryContactAsAssignedAndCanNeitherGainLoseNorBeDeleted) {
    Dm->Skupiny->First();
    Open(dpGroups);
    EXPECT_EQ("Všichni", Dm->SkupinyJmeno->AsString());
    EXPECT_EQ((std::vector<AnsiString>{"Adam", "Božena", "Cyril", "Dana"}), Items(Form->CheckLB1));
    EXPECT_TRUE(Items(Form->CheckLB2).empty());
    EXPECT_FALSE(Form->SpeedButton20->Enabled());
    EXPECT_FALSE(Form->SpeedButton21->Enabled());
    EXPECT_FALSE(Form->ToolButton34->Enabled());
    // Reached however the delete is asked for, it is refused with a message.
    TModalAnswerer answers;
    answers.Act([](TForm* Dialog) {
        EXPECT_NE(AnsiString::npos, DialogText(Dialog).find("Skupinu Všichni nelze smazat")) << DialogText(Dialog);
        Dialog->SetModalResult(mrOk);
    });
    Form->ToolButton34Click(nullptr);
    EXPECT_EQ(0, answers.Pending());
    EXPECT_EQ(4, Dm->Skupiny->RecordCount());
}

TEST_F(TDatabazeTest, ContactsJoinAndLeaveAGroupAndDeletingGroupFiveLeavesFifteenAlone) {
    ASSERT_TRUE(Dm->Adresa->Locate("ID", Variant(4), {}));
    Open(dpGroups);
    ChooseGroup(5);
    EXPECT_EQ((std::vector<AnsiString>{"Adam", "Cyril"}), Items(Form->CheckLB1));
    EXPECT_EQ((std::vector<AnsiString>{"Božena", "Dana"}), Items(Form->CheckLB2));
    EXPECT_TRUE(Form->SpeedButton20->Enabled());

    Check(Form->CheckLB2, "Božena");
    Form->SpeedButton20->Click();
    EXPECT_EQ("15;5;", GroupsOf("Božena"));
    Check(Form->CheckLB1, "Adam");
    Form->SpeedButton21->Click();
    EXPECT_EQ("1;", GroupsOf("Adam"));
    ASSERT_TRUE(Dm->Adresa->Locate("ID", Variant(4), {}));
    EXPECT_EQ((std::vector<AnsiString>{"Božena", "Cyril"}), Items(Form->CheckLB1));

    TModalAnswerer answers;
    answers.ClickButton("No");
    Form->ToolButton34->Click();
    EXPECT_EQ(4, Dm->Skupiny->RecordCount());
    answers.ClickButton("Yes");
    Form->ToolButton34->Click();
    EXPECT_EQ(0, answers.Pending());
    EXPECT_EQ((std::vector<AnsiString>{"Všichni", "Práce", "Škola"}), Column(Dm->Skupiny, Dm->SkupinyJmeno));
    EXPECT_EQ("15;", GroupsOf("Božena"));
    EXPECT_EQ("15;", GroupsOf("Cyril"));
    EXPECT_EQ("1;", GroupsOf("Adam"));
    EXPECT_EQ("", GroupsOf("Dana"));
}

TEST_F(TDatabazeTest, AGroupListWithoutRoomIsRefusedWithAMessageAndKeptWhole) {
    AnsiString full;
    for (int i = 0; i < 50; ++i) full += "1000;";
    full += "99;";  // 253 characters: room for "5;" exactly, not for "15;"
    AddMember(6, "Plný", full);
    Open(dpGroups);
    ChooseGroup(5);
    Check(Form->CheckLB2, "Plný");
    Form->SpeedButton20->Click();
    EXPECT_EQ(full + "5;", GroupsOf("Plný"));

    ChooseGroup(15);
    Check(Form->CheckLB2, "Plný");
    Check(Form->CheckLB2, "Dana");
    TModalAnswerer answers;
    answers.Act([](TForm* Dialog) {
        EXPECT_NE(AnsiString::npos, DialogText(Dialog).find("seznam skupin je již plný: Plný.")) << DialogText(Dialog);
        Dialog->SetModalResult(mrOk);
    });
    Form->SpeedButton20->Click();
    EXPECT_EQ(0, answers.Pending());
    EXPECT_EQ(full + "5;", GroupsOf("Plný"));
    EXPECT_EQ("15;", GroupsOf("Dana"));
}

TEST_F(TDatabazeTest, GroupsMoveOnePlaceUpOrDownAndNotPastEitherEnd) {
    Open(dpGroups);
    auto order = [&] { return Column(Dm->Skupiny, Dm->SkupinyJmeno); };
    ChooseGroup(0);
    Form->ToolButton64->Click();
    EXPECT_EQ((std::vector<AnsiString>{"Všichni", "Práce", "Rodina", "Škola"}), order());
    ChooseGroup(5);
    Form->ToolButton64->Click();
    EXPECT_EQ("Rodina", Dm->SkupinyJmeno->AsString());
    EXPECT_EQ((std::vector<AnsiString>{"Všichni", "Rodina", "Práce", "Škola"}), order());
    EXPECT_EQ((std::vector<AnsiString>{"0", "1", "2", "3"}), Column(Dm->Skupiny, Dm->SkupinyPoradi));
    ChooseGroup(5);
    for (int i = 0; i < 3; ++i) Form->ToolButton65->Click();
    EXPECT_EQ((std::vector<AnsiString>{"Všichni", "Práce", "Škola", "Rodina"}), order());
    EXPECT_EQ("Rodina", Dm->SkupinyJmeno->AsString());
}

TEST_F(TDatabazeTest, NewGroupsTakeTheNextIDsAndOrderEvenWhenAddedOneAfterAnother) {
    Open(dpGroups);
    Form->ToolButton20->Click();
    EXPECT_EQ(dsInsert, Dm->Skupiny->State());
    Dm->SkupinyJmeno->SetAsString("Sport");
    // The second one comes before the first was stored.
    Form->ToolButton20->Click();
    Dm->SkupinyJmeno->SetAsString("Chata");
    Form->Close();
    EXPECT_EQ(dsBrowse, Dm->Skupiny->State());
    EXPECT_EQ((std::vector<AnsiString>{"0", "1", "5", "15", "16", "17"}), Column(Dm->Skupiny, Dm->SkupinyID));
    EXPECT_EQ((std::vector<AnsiString>{"Všichni", "Práce", "Rodina", "Škola", "Sport", "Chata"}),
              Column(Dm->Skupiny, Dm->SkupinyJmeno));
    EXPECT_EQ(1, Services.MenuBuilds);
}

TEST_F(TDatabazeTest, ATemplateTakesACtrlAltLetterShortcutThatNoOtherTemplateHas) {
    for (const auto& [name, key] : {std::pair{"Pozdrav", "Ctrl+Alt+P"}, std::pair{"Schůzka", ""}}) {
        Dm->Zprava->Append();
        Dm->ZpravaNazev->SetAsString(name);
        Dm->ZpravaShortCut->SetAsString(key);
        Dm->Zprava->Post();
    }
    ASSERT_TRUE(Dm->Zprava->Locate("Nazev", Variant("Schůzka"), {}));
    Open(dpTemplates);
    TVmDBGrid* grid = Form->RxDBGrid4;
    grid->SetFocus();
    grid->SetSelectedIndex(1);
    EXPECT_EQ("Ctrl+Alt+", Dm->ZpravaShortCut->AsString());
    ASSERT_TRUE(grid->InplaceEditor());
    SendKey(grid->InplaceEditor(), 'P');
    EXPECT_EQ("Ctrl+Alt+", Dm->ZpravaShortCut->AsString()) << "Pozdrav has it";
    SendKey(grid->InplaceEditor(), 'S');
    EXPECT_EQ("Ctrl+Alt+S", Dm->ZpravaShortCut->AsString());
    // What is typed does not reach the cell; only letters make shortcuts.
    TypeText(grid->InplaceEditor(), "1+");
    EXPECT_EQ("Ctrl+Alt+S", Dm->ZpravaShortCut->AsString());
    EXPECT_EQ("Ctrl+Alt+S", grid->InplaceEditor()->Text());
    Form->Close();
    EXPECT_EQ("Ctrl+Alt+S", Dm->Zprava->Lookup("Nazev", Variant("Schůzka"), "ShortCut").AsString());

    TModalAnswerer answers;
    answers.ClickButton("No");
    answers.ClickButton("Yes");
    Form->ToolButton18->Click();
    EXPECT_EQ(2, Dm->Zprava->RecordCount());
    Form->ToolButton18->Click();
    EXPECT_EQ(1, Dm->Zprava->RecordCount());
}

TEST_F(TDatabazeTest, TitleClicksSortTheCountriesAndTheSameTitleAgainSortsDescending) {
    for (const auto& [country, prefix] : {std::pair{"Česko", "420"}, std::pair{"Polsko", "48"}, std::pair{"Slovensko", "421"}}) {
        Dm->Staty->Append();
        Dm->StatyJmeno->SetAsString(country);
        Dm->StatyPredcisli->SetAsString(prefix);
        Dm->Staty->Post();
    }
    Open(dpCountries);
    TVmDBGrid* grid = Form->RxDBGrid7;
    auto marker = [&](TField* Field) {
        TSortMarker m = smNone;
        TColor background = clBtnFace;
        Form->RxDBGrid1GetBtnParams(grid, Field, grid->Font(), background, m, false);
        return m;
    };
    const TRect title = grid->CellRect(2, 0);
    SendClick(grid, title.Left + 5, title.Top + 5);
    EXPECT_EQ("Predcisli", Dm->Staty->SortedField());
    EXPECT_EQ((std::vector<AnsiString>{"420", "421", "48"}), Column(Dm->Staty, Dm->StatyPredcisli));
    EXPECT_EQ(smDown, marker(Dm->StatyPredcisli));
    EXPECT_EQ(smNone, marker(Dm->StatyJmeno));
    SendClick(grid, title.Left + 5, title.Top + 5);
    EXPECT_EQ((std::vector<AnsiString>{"48", "421", "420"}), Column(Dm->Staty, Dm->StatyPredcisli));
    EXPECT_EQ(smUp, marker(Dm->StatyPredcisli));
}

TEST_F(TDatabazeTest, TheMelodyPagePlaysAndEditsTheChosenFileThroughTheMainWindow) {
    const AnsiString file = Folder + "Melody/Toccata.rtl";
    ForceDirectories(Folder + "Melody");
    WriteFileAtomic(file, "Toccata:d=4,o=5,b=63:a,g\r\n");
    Dm->Melody->Append();
    Dm->MelodyJmeno->SetAsString("Toccata");
    Dm->Melody->Post();
    Open(dpMelodies);
    Form->ToolButton30->Click();
    Form->ToolButton33->Click();
    Form->ToolButton32->Click();
    EXPECT_EQ((std::vector<AnsiString>{file}), Services.Played);
    EXPECT_EQ((std::vector<AnsiString>{file}), Services.PlayedOutside);
    EXPECT_EQ(1, Services.Stops);

    Form->ToolButton21->Click();
    EXPECT_EQ((std::vector<AnsiString>{"Toccata:d=4,o=5,b=63:a,g"}), Services.Edited);
    EXPECT_FALSE(Form->Visible());

    Form->Show();
    Form->ToolButton26->Click();
    EXPECT_EQ(1, Services.Scans);
    EXPECT_TRUE(Dm->Melody->IsEmpty()) << "the folder scan refills it";
    EXPECT_TRUE(Dm->Melody->Active());
}

TEST_F(TDatabazeTest, SearchHelpAndTheTextFilesOfTheCountriesGoThroughTheirControls) {
    Dm->Staty->Append();
    Dm->StatyJmeno->SetAsString("Česko");
    Dm->StatyPredcisli->SetAsString("420");
    Dm->StatyFiltr->SetAsString("00420#########;00420#####");
    Dm->Staty->Post();
    Open(dpCountries);
    Form->Edit5->SetFocus();
    SendKey(Form->Edit5, VK_RETURN);
    Form->ToolButton58->Click();
    ASSERT_EQ(2u, Services.Searches.size());
    EXPECT_EQ(Form->RxDBGrid7, Services.Searches[0].first);
    EXPECT_EQ(Form->Edit5, Services.Searches[0].second);
    EXPECT_EQ(Form->RxDBGrid8, Services.Searches[1].first);
    SendKey(Form->Edit5, VK_F1);
    Form->PageControl1->SetActivePageIndex(dpNotifications);
    Form->AHelp->Execute();
    EXPECT_EQ((std::vector<AnsiString>{Folder + "vemlor.chm::/opening.html", Folder + "vemlor.chm::/notification.html"}),
              Services.Help);

    const AnsiString file = Folder + "staty.txt";
    TModalAnswerer answers;
    auto choose = [file](TForm* Dialog) {
        dynamic_cast<TEdit*>(Dialog->FindComponent("FileNameEdit"))->SetText(file);
        dynamic_cast<TButton*>(Dialog->FindComponent("OKButton"))->Click();
    };
    answers.Act(choose);
    Form->ToolButton46->Click();
    EXPECT_EQ("Česko;420;\"00420#########;00420#####\";;\r\n", ReadFileBytes(file));
    Dm->Staty->Close();
    Dm->Staty->Open();
    answers.Act(choose);
    Form->ToolButton48->Click();
    EXPECT_EQ(0, answers.Pending());
    EXPECT_EQ((std::vector<AnsiString>{"00420#########;00420#####"}), Column(Dm->Staty, Dm->StatyFiltr));
}

TEST_F(TDatabazeTest, TheMainWindowOpensTheWindowModallyOnAPageAndItKeepsItsPlacement) {
    TModalAnswerer answers;
    answers.Act([](TForm* Window) {
        auto* form = dynamic_cast<TfDatabaze*>(Window);
        ASSERT_NE(nullptr, form);
        EXPECT_EQ(form->TabStaty, form->PageControl1->ActivePage());
        EXPECT_EQ("Databáze", form->Caption());
        form->RxDBGrid7->Columns()->Items(1)->SetWidth(111);
        form->BitBtn1->Click();
    });
    ShowDatabaseWindow(nullptr, &Services, dpCountries);
    EXPECT_EQ(0, answers.Pending());
    EXPECT_TRUE(answers.Unexpected().empty());
    EXPECT_EQ(1, Services.MenuBuilds);
    EXPECT_TRUE(FileExists(Folder + "Vemlor.ini"));

    // Every grid of the window keeps its columns; the next showing has them.
    for (const char* grid : {"RxDBGrid4", "RxDBGrid5", "RxDBGrid6", "RxDBGrid7", "RxDBGrid8"})
        EXPECT_TRUE(TIniFile(Folder + "Vemlor.ini").SectionExists(AnsiString("TfDatabaze") + grid)) << grid;
    answers.Act([](TForm* Window) {
        auto* form = dynamic_cast<TfDatabaze*>(Window);
        ASSERT_NE(nullptr, form);
        EXPECT_EQ(111, form->RxDBGrid7->Columns()->Items(1)->Width());
        form->BitBtn1->Click();
    });
    ShowDatabaseWindow(nullptr, &Services, dpCountries);
    EXPECT_TRUE(answers.Unexpected().empty());
}
