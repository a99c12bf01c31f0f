// The main window's recipients and composer, driven as the user drives them:
// the incremental search and its completion, numbers typed into the
// recipient edit, the parts of a message coloured in the editor, the editor's
// limit, the salutation put into an empty editor, and the close refused
// while a call runs.

#include "client/Main.h"

#include "MainFixture.h"
#include "core/Caller.h"

namespace {

class TMainWindowBehaviourTest : public TMainWindowTest {
protected:
    void OneRecipient() { Settings->chbskupina->SetChecked(false); }

    // The colour the editor shows the character at an editor position in.
    TColor ColourAt(Integer Position) {
        const TCharRange kept = Main->REdit1->ExGetSel();
        Main->REdit1->ExSetSel(TCharRange{Position, Position + 1});
        const TColor colour = Main->REdit1->SelectedTextAttributes()->Color();
        Main->REdit1->ExSetSel(kept);
        return colour;
    }
    AnsiString Panel(Integer Index) { return Main->StatusBar1->Panels()->Items(Index)->Text(); }
    bool Ticked(Integer Id) {
        Data->Adresa->DisableControls();
        const TBookmark place = Data->Adresa->GetBookmark();
        bool ticked = Data->Adresa->Locate("ID", Variant(Id), TLocateOptions{}) && Data->AdresaVybrany->AsBoolean();
        Data->Adresa->GotoBookmark(place);
        Data->Adresa->EnableControls();
        return ticked;
    }
};

TEST_F(TMainWindowBehaviourTest, EachPartIsColouredInTheEditorsOwnPositionsAndTheCaretStays) {
    StartConfirmed();
    Settings->Panel1->Font()->SetColor(clRed);
    Settings->Panel2->Font()->SetColor(TColor(0x808000));
    // 150 letters, a line break, 20 letters: the break goes out as a blank,
    // so the first part holds the 150, the blank and 5 more, and in the
    // editor (the break is one position there too) it ends at 155.
    Main->REdit1->SetText(AnsiString(150, 'a') + "\r\n" + AnsiString(20, 'b'));
    Main->REdit1->ExSetSel(TCharRange{3, 5});
    Main->UpdateComposerCounters();
    EXPECT_EQ(ColourAt(0), clRed);
    EXPECT_EQ(ColourAt(155), clRed);
    EXPECT_EQ(ColourAt(156), TColor(0x808000));
    EXPECT_EQ(ColourAt(170), TColor(0x808000));
    EXPECT_EQ(Main->REdit1->ExGetSel(), (TCharRange{3, 5}));
    EXPECT_EQ(Panel(1), "Znaků: 171");
    EXPECT_EQ(Panel(2), "Zbývá: 141");
    EXPECT_EQ(Panel(3), "Zpráv: 2");
    EXPECT_EQ(Main->ProgressBar1->Position(), 19);
}

TEST_F(TMainWindowBehaviourTest, TheEditorKeepsRoomForFiveHeadersAndTheNickname) {
    StartConfirmed();
    Settings->chbNickName->SetChecked(true);
    Settings->NickEdit->SetText("Petr");
    Main->REdit1->SetText(AnsiString(900, 'x'));
    EXPECT_EQ(Main->REdit1->Text().size(), 760u);
    EXPECT_EQ(Panel(3), "Zpráv: 5");
    EXPECT_EQ(Panel(2), "Zbývá: 0");
    // However long the nickname, the message keeps room: it is sent cut to ten.
    Settings->NickEdit->SetText(AnsiString(40, 'N'));
    Main->REdit1->SetText(AnsiString(900, 'x'));
    EXPECT_EQ(Main->REdit1->Text().size(), 730u);
}

TEST_F(TMainWindowBehaviourTest, TheCountersAndTheLimitMeasureTheFullestRowOfTheTickedRecipients) {
    StartConfirmed();
    Settings->LookupStaty->SetText("Czech rep");
    Settings->chbAddHeader->SetChecked(true);
    Settings->chbAddSign->SetChecked(true);
    Settings->chbskupina->SetChecked(true);
    AddContact(1, "Jana Nováková", "00420603123456", "Ahoj Jano,", "Petr");
    AddContact(2, "Zuzana Horváthová", "00421903123456", "", "Zdraví Petr Dvořák");
    Data->Adresa->Locate("ID", Variant(1), TLocateOptions{});
    Main->SetCurrentTick(true);
    // 27 characters and a line break, which goes out as a blank: Jana's row
    // is "Ahoj Jano, " + 28 + " Petr".
    Main->REdit1->SetText("Dobrý den,\r\nzítra v 9 u kina.");
    EXPECT_EQ(Panel(1), "Znaků: 44");
    EXPECT_EQ(Panel(2), "Zbývá: 116");
    EXPECT_EQ(Panel(3), "Zpráv: 1");
    // Zuzana's signature makes hers the fuller row: 28 + " Zdravi Petr
    // Dvorak". The editor keeps room for 780 characters of it.
    Data->Adresa->Locate("ID", Variant(2), TLocateOptions{});
    Main->SetCurrentTick(true);
    EXPECT_EQ(Panel(1), "Znaků: 47");
    EXPECT_EQ(Panel(2), "Zbývá: 113");
    EXPECT_EQ(Main->REdit1->MaxLength(), 28 + 780 - 47);
    // One recipient: the editor holds all that is sent.
    Settings->chbskupina->SetChecked(false);
    EXPECT_EQ(Panel(1), "Znaků: 28");
}

TEST_F(TMainWindowBehaviourTest, AnEmptyEditorGetsTheRecipientsSalutationAndSignature) {
    StartConfirmed();
    OneRecipient();
    AddContact(1, "Jana Nováková", "00420603123456", "Ahoj Jano,", "Petr");
    AddContact(2, "Petr Svoboda", "00420777654321", "", "P.");
    Data->Adresa->Locate("ID", Variant(1), TLocateOptions{});
    Main->REdit1Enter(Main->REdit1);
    EXPECT_EQ(Main->REdit1->Text(), "Ahoj Jano, \r\nPetr");
    EXPECT_EQ(Main->REdit1->SelStart(), 11);
    // Without a salutation the caret starts the text.
    Main->REdit1->Clear();
    Data->Adresa->Locate("ID", Variant(2), TLocateOptions{});
    Main->REdit1->SetSelStart(0);
    Main->REdit1Enter(Main->REdit1);
    EXPECT_EQ(Main->REdit1->Text(), "\r\nP.");
    EXPECT_EQ(Main->REdit1->SelStart(), 0);
    // Text already written is left alone.
    Main->REdit1->SetText("Ahoj");
    Main->REdit1Enter(Main->REdit1);
    EXPECT_EQ(Main->REdit1->Text(), "Ahoj");
}

TEST_F(TMainWindowBehaviourTest, TypingANameCompletesItAndMakesTheContactTheRecipient) {
    StartConfirmed();
    OneRecipient();
    AddContact(1, "Jana Nováková", "00420603123456");
    AddContact(2, "Petr Svoboda", "00420777654321");
    Data->Adresa->Locate("ID", Variant(2), TLocateOptions{});
    Main->ComboEdit1->SetText("ja");
    EXPECT_EQ(Main->ComboEdit1->Text(), "Jana Nováková");
    EXPECT_EQ(Main->ComboEdit1->SelStart(), 2);
    EXPECT_EQ(Main->ComboEdit1->SelLength(), 11);
    EXPECT_EQ(Data->AdresaID->AsInteger(), 1);
    EXPECT_TRUE(Ticked(1));
    EXPECT_FALSE(Ticked(2));
    EXPECT_EQ(Panel(0), " Jana Nováková: 00420603123456");
    // Letters from inside a name find the contact without completing.
    Data->Adresa->Locate("ID", Variant(2), TLocateOptions{});
    Main->ComboEdit1->SetText("vob");
    EXPECT_EQ(Main->ComboEdit1->Text(), "vob");
    EXPECT_EQ(Data->AdresaID->AsInteger(), 2);
    // Digits find a number; a typed '+' and blanks do not matter.
    Main->ComboEdit1->SetText("+420 603");
    EXPECT_EQ(Data->AdresaID->AsInteger(), 1);
    Main->ComboEdit1->SetText("Karel");
    EXPECT_EQ(Panel(0), "Adresát \"Karel\" nebyl nalezen.");
    EXPECT_EQ(Data->AdresaID->AsInteger(), 1);
    // After Backspace the text is the user's, not completed again.
    Word key = VK_BACK;
    Main->ComboEdit1KeyDown(Main->ComboEdit1, key, {});
    Main->ComboEdit1->SetText("Pe");
    EXPECT_EQ(Main->ComboEdit1->Text(), "Pe");
}

TEST_F(TMainWindowBehaviourTest, TheAddressBookShowsContactsAboveTheChosenOneAndEditsTheRowClicked) {
    StartConfirmed();
    OneRecipient();
    const std::vector<AnsiString> names = {"Adam Bílý",    "Běla Černá",          "Cyril Dvořák", "Dana Fialová",
                                           "Emil Horák",   "Františka Jelínková", "Hana Králová", "Ivan Lukáš"};
    for (std::size_t i = 0; i < names.size(); ++i)
        AddContact(static_cast<Integer>(i + 1), names[i], "0042060300000" + IntToStr(static_cast<Integer>(i + 1)));
    Main->PageControl1->SetActivePage(Main->TabText);
    PumpUntilIdle();
    Main->ComboEdit1->SetText("Hana");
    ASSERT_EQ(Data->AdresaJmeno->AsString(), "Hana Králová");

    Main->PageControl1->SetActivePage(Main->TabAdresar);
    PumpUntilIdle();
    EXPECT_EQ(DrawnRows(Main->AdrGrid, Data->AdresaJmeno), names);
    EXPECT_EQ(Data->AdresaJmeno->AsString(), "Hana Králová");

    // A double click on the top row edits the contact shown there.
    AnsiString edited;
    Main->EditContact = [&] {
        edited = Data->AdresaJmeno->AsString();
        return mrCancel;
    };
    const TRect top = Main->AdrGrid->CellRect(0, 1);
    const std::intptr_t at = MakeLParam(top.Left + 5, top.Top + 3);
    for (Cardinal message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        Main->AdrGrid->Perform(message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
    PumpUntilIdle();
    EXPECT_EQ(edited, "Adam Bílý");
}

TEST_F(TMainWindowBehaviourTest, ATypedNumberBecomesATemporaryContactOrNothingWhenTheEditorIsCancelled) {
    StartConfirmed();
    AddContact(1, "Jana Nováková", "00420603123456");
    Data->Adresa->First();
    ASSERT_FALSE(Ticked(1));
    // Several recipients: the edit's button takes the typed number.
    Main->EditContact = [] { return mrCancel; };
    Main->ComboEdit1->SetText("777 654 321");
    {
        TModalAnswerer answers;
        answers.ClickButton("Yes");
        Main->ComboEdit1ButtonClick(Main->ComboEdit1);
    }
    EXPECT_EQ(Data->Adresa->RecordCount(), 1);
    EXPECT_FALSE(Ticked(1));
    EXPECT_EQ(Main->ComboEdit1->Text(), "777654321");

    {
        TModalAnswerer answers;
        answers.ClickButton("No");
        Main->ComboEdit1ButtonClick(Main->ComboEdit1);
    }
    ASSERT_EQ(Data->Adresa->RecordCount(), 2);
    EXPECT_EQ(Data->AdresaJmeno->AsString(), "Dočasné 00420777654321");
    EXPECT_TRUE(Data->AdresaVybrany->AsBoolean());
    EXPECT_EQ(Data->AdresaID->AsInteger(), 2);
    EXPECT_EQ(Main->ComboEdit1->Text(), "Dočasné 00420777654321");
    EXPECT_FALSE(Ticked(1));

    // A number no country accepts is refused and stays typed.
    Main->ComboEdit1->SetText("12");
    {
        TModalAnswerer answers;
        answers.ClickButton("OK");
        Main->ComboEdit1ButtonClick(Main->ComboEdit1);
        EXPECT_EQ(answers.Seen().size(), 1u);
    }
    EXPECT_EQ(Data->Adresa->RecordCount(), 2);
    EXPECT_EQ(Main->ComboEdit1->Text(), "12");

    // A number typed with its country goes there, or nowhere.
    Main->ComboEdit1->SetText("+421 903 123 456");
    {
        TModalAnswerer answers;
        answers.ClickButton("No");
        Main->ComboEdit1ButtonClick(Main->ComboEdit1);
    }
    ASSERT_EQ(Data->Adresa->RecordCount(), 3);
    EXPECT_EQ(Data->AdresaCislo->AsString(), "00421903123456");
    Main->ComboEdit1->SetText("+49 170 1234567");
    {
        TModalAnswerer answers;
        AnsiString shown;
        answers.ClickButton("OK", [&shown](TForm* Form) { shown = DialogText(Form); });
        Main->ComboEdit1ButtonClick(Main->ComboEdit1);
        EXPECT_EQ(shown, "00491701234567 není platné telefonní číslo.");
    }
    EXPECT_EQ(Data->Adresa->RecordCount(), 3);
    EXPECT_EQ(Main->ComboEdit1->Text(), "00491701234567");
}

class TIdleCall : public TCallerServices {
public:
    TCallSettings CallSettings() const override { return {}; }
    AnsiString BRCName() const override { return {}; }
    std::vector<AnsiString> NotificationNames() const override { return {}; }
    void ShowCallerStatus(const AnsiString&, bool) override {}
    void LoadTariffs() override {}
    void SetBRCName(const AnsiString&) override {}
    void EnableNotificationTimer() override {}
    TCallDelivery MoveSentToHistory(TDataSet*, bool) override { return {}; }
};

TEST_F(TMainWindowBehaviourTest, TheWindowStaysOpenAndSavesNothingWhileACallRuns) {
    StartConfirmed();
    AddContact(1, "Jana Nováková", "00420603123456");
    TIdleCall services;
    auto call = std::make_unique<TCaller>(services);
    {
        TModalAnswerer answers;
        answers.ClickButton("OK");
        Main->Close();
        EXPECT_EQ(answers.Seen().size(), 1u);
    }
    EXPECT_TRUE(Main->Visible());
    EXPECT_FALSE(FileExists(Folder + "Adresa.dat"));
    call.reset();
    Main->Close();
    EXPECT_FALSE(Main->Visible());
    EXPECT_TRUE(FileExists(Folder + "Adresa.dat"));
}

}  // namespace
