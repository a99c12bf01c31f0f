// The main window's other commands, run through its actions and buttons:
// Ctrl+Z and hang-up, help, the database window over every contact, the
// contact editor, the text export and import of the address book, the mail
// client's contacts, and the send-time and delivery-report switches.

#include "client/Main.h"

#include <sys/stat.h>

#include <cstdio>
#include <map>

#include "MainFixture.h"
#include "client/AdrEdit.h"
#include "client/Databaze.h"
#include "core/Caller.h"
#include "platform/os/MailContacts.h"
#include "platform/os/Shell.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

struct TFakeMailClient : TMailContactsProvider {
    std::vector<TMailContact> Cards;
    bool ReadContacts(std::vector<TMailContact>& Contacts) override {
        Contacts = Cards;
        return true;
    }
};

class TMainCommandsTest : public TMainWindowTest {
protected:
    void AddGroup(Integer Id, const AnsiString& Name, Integer Order) {
        Data->Skupiny->Append();
        Data->SkupinyID->SetAsInteger(Id);
        Data->SkupinyJmeno->SetAsString(Name);
        Data->SkupinyPoradi->SetAsInteger(Order);
        Data->Skupiny->Post();
    }
    void ChooseGroup(Integer Id) {
        Data->TmpTab->Edit();
        Data->TmpTabID->SetAsInteger(Id);
        Data->TmpTab->Post();
        Main->DBLookupComboBox1Click(Main->DBLookupComboBox1);
    }
    // Answers the next file dialog with a file of the test's folder.
    static void ChooseFile(TModalAnswerer& Answers, const AnsiString& File) {
        Answers.ChooseFile(File);
    }
    AnsiString Names() {
        AnsiString names;
        for (Data->Adresa->First(); !Data->Adresa->Eof(); Data->Adresa->Next())
            names += Data->AdresaJmeno->AsString() + ";";
        return names;
    }
};

TEST_F(TMainCommandsTest, CtrlZUndoesTypingAndOnlyTheHangUpCommandHangsUp) {
    StartConfirmed();
    Main->PageControl1->SetActivePage(Main->TabText);
    Main->REdit1->SetFocus();
    TypeText(Main->REdit1, "abc");
    ASSERT_EQ(Main->REdit1->Text(), "abc");
    SendKey(Main->REdit1, 'Z', TShiftState{ssCtrl});
    PumpUntilIdle();
    EXPECT_NE(Main->REdit1->Text(), "abc");
    EXPECT_FALSE(HangUpRequested());
    // Which of two actions with one shortcut gets the key depends on their
    // order in the list: no shortcut may have two.
    std::map<TShortCut, AnsiString> owners;
    for (int i = 0; i < Main->ActionList1->ActionCount(); ++i) {
        const TCustomAction* action = Main->ActionList1->Actions(i);
        if (action->ShortCut() == 0) continue;
        const auto [owner, added] = owners.emplace(action->ShortCut(), action->Name());
        EXPECT_TRUE(added) << ShortCutToText(action->ShortCut()) << ": " << owner->second << ", " << action->Name();
    }
    EXPECT_EQ(owners[ShortCut('Z', TShiftState{ssCtrl})], "AUndo");
    // The menu's "Zavěsit modem" is the way to hang up.
    Main->AZavesit->Execute();
    EXPECT_TRUE(HangUpRequested());
}

TEST_F(TMainCommandsTest, HelpOpensTheHelpFileWithTheDesktopViewerOrSaysItIsUnavailable) {
    StartConfirmed();
    Main->PageControl1->SetActivePage(Main->TabHistorie);
    EXPECT_EQ(Main->HelpTopic(), Folder + "vemlor.chm::/history.html");
    {
        TModalAnswerer answers;
        answers.ClickButton("OK", [](TForm* Form) {
            EXPECT_NE(DialogText(Form).find("vemlor.chm"), AnsiString::npos);
        });
        Main->AHelp->Execute();
        EXPECT_EQ(answers.Seen().size(), 1u);
    }
    // With the file there, the desktop's opener gets it; a named pipe
    // carries its argument back without waiting on a clock.
    WriteFileAtomic(Folder + "vemlor.chm", "ITSF");
    const AnsiString fifo = Folder + "opened.fifo";
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    const AnsiString opener = Folder + "opener.sh";
    WriteFileAtomic(opener, "#!/bin/sh\necho \"$1\" > '" + fifo + "'\n");
    chmod(opener.c_str(), 0755);
    SetDesktopOpener(opener);
    auto reset = ScopeExit([] { SetDesktopOpener(""); });
    TModalAnswerer none;
    Main->AHelp->Execute();
    EXPECT_TRUE(none.Seen().empty());
    FILE* pipe = std::fopen(fifo.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[512] = {};
    ASSERT_NE(std::fgets(line, sizeof line, pipe), nullptr);
    std::fclose(pipe);
    EXPECT_EQ(AnsiString(line), Folder + "vemlor.chm\n");
}

TEST_F(TMainCommandsTest, TheDatabaseWindowShowsEveryContactAndTheChosenGroupComesBack) {
    StartConfirmed();
    AddGroup(3, "Rodina", 1);
    AddGroup(4, "Práce", 2);
    AddContact(1, "Jana Nováková", "00420603123456");
    AddContact(2, "Petr Svoboda", "00420777654321");
    Data->Adresa->Locate("ID", Variant(2), TLocateOptions{});
    Data->Adresa->Edit();
    Data->AdresaIDSkup->SetAsString("3;");
    Data->Adresa->Post();
    ChooseGroup(3);
    ASSERT_EQ(Names(), "Petr Svoboda;");

    TModalAnswerer answers;
    answers.Act([this](TForm* Form) {
        auto* window = dynamic_cast<TfDatabaze*>(Form);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->PageControl1->ActivePage(), window->TabStaty);
        EXPECT_EQ(Data->Adresa->RecordCount(), 2);
        // The picture of the main window with the database window over it.
        TBitmap picture, over;
        ASSERT_TRUE(GrabControl(Main, picture));
        ASSERT_TRUE(GrabControl(Form, over));
        picture.Canvas()->Draw(60, 40, &over);
        picture.SaveToFile(AnsiString(VEMLOR_TEST_OUTPUT) + "/client/main-with-database.png");
        Form->Close();
    });
    Main->AStaty->Execute();
    EXPECT_TRUE(answers.Unexpected().empty());
    EXPECT_EQ(Main->CurrentGroupID(), 3);
    EXPECT_EQ(Names(), "Petr Svoboda;");

    // A group deleted in the window leaves the main window on the first one.
    answers.Act([this](TForm* Form) {
        Data->Skupiny->Locate("ID", Variant(3), TLocateOptions{});
        Data->Skupiny->Delete();
        Form->Close();
    });
    Main->ASkupiny->Execute();
    EXPECT_EQ(Main->CurrentGroupID(), 0);
    EXPECT_EQ(Names(), "Jana Nováková;Petr Svoboda;");
}

TEST_F(TMainCommandsTest, TheCountriesPageShowsTheCountriesBeforeTheHomeCountryToo) {
    StartConfirmed();
    for (const char* country : {"Albánie", "Andorra", "Belgie", "Bosna", "Bulharsko"}) {
        Data->Staty->Append();
        Data->StatyJmeno->SetAsString(country);
        Data->Staty->Post();
    }
    // The home country is what the number checks look for.
    Settings->LookupStaty->SetText("Czech rep");
    Data->Staty->Locate("Jmeno", Variant("Czech rep"), TLocateOptions{});
    ASSERT_EQ(Data->StatyJmeno->AsString(), "Czech rep");

    TModalAnswerer answers;
    std::vector<AnsiString> shown;
    answers.Act([&](TForm* Form) {
        auto* window = dynamic_cast<TfDatabaze*>(Form);
        ASSERT_NE(window, nullptr);
        PumpUntilIdle();
        shown = DrawnRows(window->RxDBGrid7, Data->StatyJmeno);
        Form->Close();
    });
    Main->AStaty->Execute();
    EXPECT_TRUE(answers.Unexpected().empty());
    EXPECT_EQ(shown, (std::vector<AnsiString>{"Albánie", "Andorra", "Belgie", "Bosna", "Bulharsko", "Czech rep",
                                              "Slovensko"}));
}

TEST_F(TMainCommandsTest, TheContactEditorTakesTheNumberAndTheDefaultSalutation) {
    StartConfirmed();
    Settings->HeaderEdit->SetText("Dobrý den,");
    AddContact(1, "Jana Nováková", "00420603123456");
    Data->Adresa->First();
    TModalAnswerer answers;
    answers.ClickButton("OK", [](TForm* Form) {
        auto* editor = dynamic_cast<TfAdrEdit*>(Form);
        ASSERT_NE(editor, nullptr);
        editor->DBEdit3Enter(editor->DBEdit3);
        editor->DBEdit2->SetText("+420 777 654-321");
    });
    Main->AEditAdr->Execute();
    EXPECT_TRUE(answers.Unexpected().empty());
    Data->Adresa->First();
    EXPECT_EQ(Data->AdresaCislo->AsString(), "00420777654321");
    EXPECT_EQ(Data->AdresaOsloveni->AsString(), "Dobrý den,");

    // A foreign number keeps its country, typed key by key over the number.
    answers.ClickButton("OK", [](TForm* Form) {
        auto* editor = dynamic_cast<TfAdrEdit*>(Form);
        ASSERT_NE(editor, nullptr);
        editor->DBEdit2->SetText("");
        TypeText(editor->DBEdit2, "+421 903 123 456");
    });
    Main->AEditAdr->Execute();
    EXPECT_TRUE(answers.Unexpected().empty());
    Data->Adresa->First();
    EXPECT_EQ(Data->AdresaCislo->AsString(), "00421903123456");
}

TEST_F(TMainCommandsTest, TheAddressBookGoesOutAndComesBackAndMailContactsJoinTheirGroup) {
    StartConfirmed();
    AddContact(1, "Jana; Nováková", "00420603123456");
    AddContact(2, "Petr Svoboda", "00420777654321");
    const AnsiString file = Folder + "adresar.txt";
    {
        TModalAnswerer answers;
        ChooseFile(answers, file);
        Main->SpeedButton38Click(nullptr);
        EXPECT_TRUE(answers.Unexpected().empty());
    }
    Data->Adresa->First();
    Data->Adresa->Delete();
    {
        TModalAnswerer answers;
        ChooseFile(answers, file);
        Main->SpeedButton36Click(nullptr);
        EXPECT_TRUE(answers.Unexpected().empty());
    }
    EXPECT_EQ(Names(), "Jana; Nováková;Petr Svoboda;");

    TFakeMailClient mail;
    mail.Cards = {{"Eva Malá", "603 111 222"}, {"Bez čísla", "  "}};
    Main->MailContacts = &mail;
    TModalAnswerer answers;
    answers.ClickButton("OK", [](TForm* Form) { EXPECT_NE(DialogText(Form).find(" 1 "), AnsiString::npos); });
    Main->SpeedButton40Click(nullptr);
    ASSERT_TRUE(Data->Skupiny->Locate("Jmeno", Variant("Outlook"), TLocateOptions{}));
    const Integer group = Data->SkupinyID->AsInteger();
    ASSERT_TRUE(Data->Adresa->Locate("Jmeno", Variant("Eva Malá"), TLocateOptions{}));
    EXPECT_EQ(Data->AdresaCislo->AsString(), "00420603111222");
    EXPECT_EQ(Data->AdresaIDSkup->AsString(), IntToStr(group) + ";");
}

TEST_F(TMainCommandsTest, TheSendTimeKeepsWholeMinutesAndTheDeliveryReportKeepsItsAddress) {
    StartConfirmed();
    SetNowFunction([] { return EncodeDate(2024, 3, 5) + EncodeTime(10, 15, 42, 0); });
    Main->Acas->Execute();
    EXPECT_TRUE(Main->TimePanel->Visible());
    EXPECT_EQ(Main->DateTimePicker1->DateTime(), EncodeDate(2024, 3, 5) + EncodeTime(10, 15, 0, 0));
    Main->DateTimePicker1->SetDateTime(EncodeDate(2024, 3, 5) + EncodeTime(18, 40, 59, 500));
    Main->DateTimePicker1Change(Main->DateTimePicker1);
    EXPECT_EQ(Main->DateTimePicker1->DateTime(), EncodeDate(2024, 3, 5) + EncodeTime(18, 40, 0, 0));
    Main->AHideDate->Execute();
    EXPECT_FALSE(Main->TimePanel->Visible());

    // The first run starts with the delivery report marked.
    ASSERT_TRUE(Main->Adoruc->Checked());
    Main->Adoruc->Execute();
    EXPECT_FALSE(Main->DorucPanel->Visible());
    Settings->Edit5->SetText("petr@example.cz");
    Main->DorucEdit->SetText("");
    Main->Adoruc->Execute();
    EXPECT_TRUE(Main->DorucPanel->Visible());
    EXPECT_EQ(Main->DorucEdit->Text(), "petr@example.cz");
    Main->Adoruc->Execute();
    EXPECT_FALSE(Main->DorucPanel->Visible());
    EXPECT_EQ(Main->DorucEdit->Text(), "petr@example.cz");
}

TEST_F(TMainCommandsTest, TheRecipientControlsFollowTheComposerPageShown) {
    StartConfirmed();
    Settings->chbskupina->SetChecked(true);
    Main->ShowPage(Main->TabLogo);
    EXPECT_EQ(Main->DBLookupComboBox1->Parent(), Main->GroupPanelLogo);
    EXPECT_EQ(Main->Panel1->Parent(), Main->TabLogo);
    EXPECT_EQ(Main->TimePanel->Parent(), Main->LogoPanel);
    EXPECT_EQ(Main->ToolBar1->Parent(), Main->ToolPanelLogo);
    EXPECT_TRUE(Main->StatusBar2->Visible());
    // The Czech texts are built in, the recipients' panel's as every other.
    EXPECT_EQ(Main->StatusBar2->Panels()->Items(0)->Text(), "Adresáti");
    EXPECT_FALSE(Main->REdit1->TabStop());
    EXPECT_TRUE(SaveControlToPng(Main, AnsiString(VEMLOR_TEST_OUTPUT) + "/client/main-logo-page.png"));
    Main->ShowPage(Main->TabAdresar);
    EXPECT_FALSE(Main->StatusBar2->Visible());
    Main->ShowPage(Main->TabText);
    EXPECT_EQ(Main->DBLookupComboBox1->Parent(), Main->GroupPanelText);
    EXPECT_EQ(Main->Panel1->Parent(), Main->TabText);
    EXPECT_LT(Main->Panel1->Left(), Main->AdrSplitter->Left());
    EXPECT_TRUE(Main->StatusBar2->Visible());
    EXPECT_TRUE(Main->REdit1->TabStop());

    // The first panel of the status bar takes what the others leave.
    ResizeByUser(Main, 1000, 700);
    PumpUntilIdle();
    int used = 0;
    for (int i = 0; i < Main->StatusBar1->Panels()->Count(); ++i) used += Main->StatusBar1->Panels()->Items(i)->Width();
    EXPECT_EQ(used, Main->Width() - 10);
}

TEST_F(TMainCommandsTest, EveryComposerPageHasTheComposersToolsAndNothingOnItIsCovered) {
    StartConfirmed();
    ResizeByUser(Main, 1000, 700);
    Main->Acas->Execute();
    ASSERT_TRUE(Main->Adoruc->Checked());
    auto outer = [](TControl* Control) {
        const TPoint origin = Control->Parent()->ClientToScreen(TPoint{Control->Left(), Control->Top()});
        return TRect{origin.x, origin.y, origin.x + Control->Width(), origin.y + Control->Height()};
    };
    auto within = [](TControl* Control, TControl* Ancestor) {
        for (TControl* c = Control; c; c = c->Parent())
            if (c == Ancestor) return true;
        return false;
    };
    TControl* const movers[] = {Main->DorucPanel, Main->TimePanel, Main->ToolBar1};
    for (TTabSheet* page : {Main->TabText, Main->TabLogo, Main->TabMelody}) {
        Main->ShowPage(page);
        PumpUntilIdle();
        const AnsiString name = page->Caption();
        for (const char* tool : {"ToolButtonNova", "ToolButtonDoFronty", "SabButton", "PoslatButton", "ZFrontyButton"})
            EXPECT_TRUE(dynamic_cast<TControl*>(Main->FindComponent(tool))->Showing()) << tool << " on " << name;
        // Every control the page shows stays whole in sight: what came in
        // with the page change lies over none of them.
        std::vector<TControl*> shown{page};
        for (std::size_t i = 0; i < shown.size(); ++i)
            if (auto* parent = dynamic_cast<TWinControl*>(shown[i]))
                for (int k = 0; k < parent->ControlCount(); ++k)
                    if (parent->Controls(k)->Showing()) shown.push_back(parent->Controls(k));
        for (TControl* mover : movers) {
            ASSERT_TRUE(mover->Showing()) << mover->Name() << " on " << name;
            const TRect area = outer(mover);
            for (TControl* control : shown) {
                if (within(control, mover) || within(mover, control)) continue;
                const TRect rect = outer(control);
                const bool apart = rect.Right <= area.Left || area.Right <= rect.Left || rect.Bottom <= area.Top ||
                                   area.Bottom <= rect.Top;
                EXPECT_TRUE(apart) << mover->Name() << " covers " << control->Name() << " on " << name;
            }
        }
    }

    // The delivery report is switched in the View menu as by its button.
    Main->mDoruc->Click();
    EXPECT_FALSE(Main->Adoruc->Checked());
    EXPECT_FALSE(Main->mDoruc->Checked());
    EXPECT_FALSE(Main->DorucPanel->Visible());
    Main->mDoruc->Click();
    EXPECT_TRUE(Main->mDoruc->Checked());
    EXPECT_TRUE(Main->DorucPanel->Visible());
}

}  // namespace

TEST_F(TMainCommandsTest, AMelodyOfTheDatabaseWindowGoesToTheComposer) {
    ForceDirectories(Folder + "Melody");
    WriteFileAtomic(Folder + "Melody/Skala.rtl", "Skala:d=4,o=5,b=120:c,d,e,f\r\n");
    WriteFileAtomic(Folder + "Melody/Ukolebavka.rtl", "Ukolebavka:d=4,o=5,b=100:g,e\r\n");
    StartConfirmed();
    Main->ScanMelodyFolder();
    TModalAnswerer answers;
    answers.Act([](TForm* Form) {
        auto* window = dynamic_cast<TfDatabaze*>(Form);
        ASSERT_NE(window, nullptr);
        // The page's search runs the main window's.
        DM->Melody->Locate("Jmeno", Variant(AnsiString("Ukolebavka")), TLocateOptions{});
        window->Edit4->SetText("Skal");
        window->ToolButton24->Click();
        ASSERT_EQ(DM->MelodyJmeno->AsString(), "Skala");
        window->ToolButton21->Click();
    });
    Main->AMelody->Execute();
    EXPECT_TRUE(answers.Unexpected().empty());
    EXPECT_EQ(Main->PageControl1->ActivePage(), Main->TabMelody);
    EXPECT_EQ(Main->RTTTLNameEdit->Text(), "Skala");
}
