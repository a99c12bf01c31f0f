// The settings window driven offscreen: its values through the settings
// file, OK, Storno and the title bar, the language list, the modem
// detection hook, the composer's colour and fonts, and filling signatures
// and salutations for every contact.

#include "client/nastaveni.h"

#include "ClientFixture.h"
#include "client/Languages.h"
#include "components/Placemnt.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/Dialogs.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

class TFakeMain : public TSettingsMainWindow {
public:
    void LanguageChanged() override { ++Languages; }
    void SeveralRecipientsChanged(bool Several) override { SeveralCalls.push_back(Several); }
    TColor ComposerColor() const override { return Composer; }
    void SettingsConfirmed(TColor Background, TFont* OddPartsFont) override {
        ++Confirmations;
        ConfirmedColor = Background;
        ConfirmedFont = OddPartsFont->Name();
    }

    int Languages = 0;
    std::vector<bool> SeveralCalls;
    TColor Composer = clWhite;
    int Confirmations = 0;
    TColor ConfirmedColor = -1;
    AnsiString ConfirmedFont;
};

class TfnastaveniTest : public TClientTest {
protected:
    void SetUp() override {
        TClientTest::SetUp();
        AddTariff(1, "0900123456", 5, 3, 60, 4.5);
        AddTariff(2, "0900654321", 10, 5, 30, 9.9);
        WriteLanguage("czech.lng", "[Strings]\r\n");
        WriteLanguage("english.lng",
                      "[Strings]\r\nTitleTariff=Tariff\r\nTitlePhone=Phone\r\n"
                      "[fnastaveni]\r\nTabSheet1.Caption=User\r\nBitBtn2.Caption=Cancel\r\n");
        Form = NewWindow();
    }

    void TearDown() override {
        Form->Free();
        TClientTest::TearDown();
    }

    Tfnastaveni* NewWindow() {
        auto* form = new Tfnastaveni(Application);
        form->AfterConstruction();
        form->FormStorage1->SetIniFileName(Folder + "Vemlor.ini");
        form->SetMainWindow(&Main);
        return form;
    }

    void AddTariff(Integer Tariff, const AnsiString& Number, Integer Sms, Integer Pms, Integer Interval, double Price) {
        Dm->Tarify->Append();
        Dm->TarifyTarif->SetAsInteger(Tariff);
        Dm->TarifyCislo->SetAsString(Number);
        Dm->Tarifysmsmax->SetAsInteger(Sms);
        Dm->Tarifypmsmax->SetAsInteger(Pms);
        Dm->Tarifyinterval->SetAsInteger(Interval);
        Dm->Tarifycena->SetAsFloat(Price);
        Dm->Tarify->Post();
    }

    AnsiString Stored(const AnsiString& Key) { return TIniFile(Folder + "Vemlor.ini").ReadString("Tfnastaveni", Key, "(none)"); }

    Tfnastaveni* Form = nullptr;
    TFakeMain Main;
};

template <class T>
T* Find(TForm* Form, const AnsiString& Name) {
    return dynamic_cast<T*>(Form->FindComponent(Name));
}

TEST_F(TfnastaveniTest, OkSavesWhatTheNextWindowRestoresAndStornoOrTheTitleBarUndoesTheChanges) {
    TModalAnswerer answers;
    answers.Act([&](TForm*) {
        Form->ComboBox1->SetItemIndex(2);
        Form->RadioTon->SetChecked(true);
        Form->SpinEdit1->SetValue(7);
        Form->chbWholeWord->SetChecked(true);
        Form->chbAddHeader->SetChecked(false);
        Form->SignEdit->SetText("Zdraví Petr");
        // The home country is picked from the countries.
        SendKey(Form->LookupStaty, VK_DOWN);
        EXPECT_EQ(Form->HomeCountry(), "Czech rep");
        SendKey(Form->LookupStaty, VK_DOWN);
        Form->Panel2->Font()->SetColor(clRed);
        // The tariff columns as the user arranged them.
        Form->DBGrid1->Columns()->Items(5)->SetIndex(0);
        Form->DBGrid1->Columns()->Items(2)->SetWidth(140);
    });
    answers.ClickButton("BitBtn1");
    EXPECT_EQ(Form->ShowModal(), mrOk) << "an empty e-mail does not block OK";
    EXPECT_EQ(Stored("ComboBox1_Text"), "COM3");
    EXPECT_EQ(Stored("RadioPuls_Checked"), "False");
    EXPECT_EQ(Stored("RadioTon_Checked"), "True");
    EXPECT_EQ(Stored("SpinEdit1_Value"), "7");
    EXPECT_EQ(Stored("SignEdit_Text"), "Zdraví Petr");
    EXPECT_EQ(Stored("LookupStaty_Text"), "Slovensko");
    EXPECT_EQ(Stored("Panel2_FontColor"), "255");
    EXPECT_EQ(Main.Confirmations, 1);

    Form->Free();
    Form = NewWindow();
    EXPECT_EQ(Form->SpinEdit1->Value(), 3);
    answers.Act([&](TForm*) {
        EXPECT_EQ(Form->ComboBox1->Text(), "COM3");
        EXPECT_TRUE(Form->RadioTon->Checked());
        EXPECT_FALSE(Form->RadioPuls->Checked());
        EXPECT_EQ(Form->SpinEdit1->Value(), 7);
        EXPECT_TRUE(Form->chbWholeWord->Checked());
        EXPECT_FALSE(Form->chbAddHeader->Checked());
        EXPECT_EQ(Form->HomeCountry(), "Slovensko");
        EXPECT_EQ(Form->Panel2->Font()->Color(), clRed);
        EXPECT_EQ(Form->DBGrid1->Columns()->Items(0)->FieldName(), "cena");
        EXPECT_EQ(Form->DBGrid1->Columns()->Items(2)->Width(), 140);
        Form->ComboBox1->SetItemIndex(4);
        Form->SpinEdit1->SetValue(1);
    });
    answers.ClickButton("BitBtn2");
    EXPECT_EQ(Form->ShowModal(), mrCancel);
    EXPECT_EQ(Form->ComboBox1->Text(), "COM3");
    EXPECT_EQ(Form->SpinEdit1->Value(), 7);

    answers.Act([&](TForm*) {
        Form->ComboBox1->SetItemIndex(5);
        Form->Close();
    });
    EXPECT_EQ(Form->ShowModal(), mrCancel);
    EXPECT_EQ(Form->ComboBox1->Text(), "COM3");
    EXPECT_EQ(Stored("ComboBox1_Text"), "COM3");
    EXPECT_EQ(Main.Confirmations, 1);
    EXPECT_TRUE(answers.Unexpected().empty());
}

TEST_F(TfnastaveniTest, AnEmailWithoutAtKeepsTheWindowOpenAndARefusedOkIsNoOkLater) {
    Form->Edit5->SetText("abc");
    TModalAnswerer answers;
    answers.Act([&](TForm*) {
        Form->ComboBox1->SetItemIndex(4);
        Form->BitBtn1->Click();
    });
    AnsiString message;
    answers.ClickButton("OK", [&](TForm* f) { message = DialogText(f); });
    answers.Act([&](TForm*) { Form->Close(); });
    EXPECT_EQ(Form->ShowModal(), mrCancel);
    EXPECT_EQ(message, "Špatně zadaný email.");
    EXPECT_EQ(Stored("ComboBox1_Text"), "(none)");
    EXPECT_EQ(Main.Confirmations, 0);
}

TEST_F(TfnastaveniTest, ThePersonalDataAreTypedAndTheOwnNumberIsCheckedLikeAnyNumber) {
    AddContact(1, "Adam", "00420603000001");
    Dm->Adresa->First();
    Form->LookupStaty->SetText("Czech rep");
    TModalAnswerer answers;
    std::vector<AnsiString> shown;
    auto note = [&shown](TForm* f) { shown.push_back(DialogText(f)); };
    answers.Act([&](TForm*) {
        TypeText(Form->Edit2, "Jan Novák");
        TypeText(Form->Edit4, "0212345678");
        TypeText(Form->Edit3, "12 345");
        TypeText(Form->Edit5, "jan.novak");
        TypeText(Form->Edit1, AnsiString(60, 'm'));
        Form->BitBtn1->Click();
    });
    answers.ClickButton("OK", note);
    answers.Act([&](TForm*) {
        EXPECT_EQ(Form->ActiveControl(), Form->Edit5);
        TypeText(Form->Edit5, "@example.cz");
        Form->BitBtn1->Click();
    });
    answers.ClickButton("OK", note);
    answers.Act([&](TForm*) {
        EXPECT_EQ(Form->ActiveControl(), Form->Edit3);
        Form->Edit3->SetText("");
        // Written without the country code: the home country's is added.
        TypeText(Form->Edit3, "603 123 456");
        Form->BitBtn1->Click();
    });
    EXPECT_EQ(Form->ShowModal(), mrOk);
    EXPECT_EQ(shown, (std::vector<AnsiString>{"Špatně zadaný email.", "12345 není platné telefonní číslo."}));
    EXPECT_EQ(Stored("Edit2_Text"), "Jan Novák");
    EXPECT_EQ(Stored("Edit4_Text"), "0212345678");
    EXPECT_EQ(Stored("Edit3_Text"), "00420603123456");
    EXPECT_EQ(Stored("Edit5_Text"), "jan.novak@example.cz");
    EXPECT_EQ(Stored("Edit1_Text"), AnsiString(50, 'm'));
    EXPECT_EQ(Dm->Adresa->State(), dsBrowse) << "the repaired number is not the contact's";
    EXPECT_EQ(Dm->AdresaCislo->AsString(), "00420603000001");

    // A number typed with its country keeps it.
    answers.Act([&](TForm*) {
        Form->Edit3->SetText("");
        TypeText(Form->Edit3, "+421 903 123 456");
        EXPECT_EQ(Form->Edit3->Text(), "+421 903 123 456");
        Form->BitBtn1->Click();
    });
    EXPECT_EQ(Form->ShowModal(), mrOk);
    EXPECT_EQ(Stored("Edit3_Text"), "00421903123456");
    EXPECT_EQ(Form->SenderNumber(), "00421903123456");

    // Entering the empty edit fills in the code, which alone is no number;
    // the click that entered leaves the caret behind it.
    answers.Act([&](TForm*) {
        Form->Edit3->SetText("");
        Form->Edit3Enter(Form->Edit3);
        EXPECT_EQ(Form->Edit3->Text(), "00420-");
        Form->Edit3->SetSelStart(2);
        SendClick(Form->Edit3, 3, 5);
        PumpUntilIdle();
        EXPECT_EQ(Form->Edit3->SelStart(), 6);
        Form->BitBtn1->Click();
    });
    EXPECT_EQ(Form->ShowModal(), mrOk);
    EXPECT_EQ(Stored("Edit3_Text"), "");

    // With no home country to place a national number in, OK says why it
    // does not close.
    shown.clear();
    answers.Act([&](TForm*) {
        Form->LookupStaty->SetText("Atlantida");
        Form->Edit3->SetText("603 123 456");
        Form->BitBtn1->Click();
    });
    answers.ClickButton("OK", note);
    answers.ClickButton("BitBtn2");
    EXPECT_EQ(Form->ShowModal(), mrCancel);
    EXPECT_EQ(shown, std::vector<AnsiString>{"603123456 není platné telefonní číslo."});
    EXPECT_EQ(answers.Pending(), 0);
    EXPECT_TRUE(answers.Unexpected().empty());
}

TEST_F(TfnastaveniTest, TheFileDialogsSpeakThePickedLanguage) {
    if (!Application->SetToolkitLanguage("cs")) GTEST_SKIP() << "the toolkit's Czech translation is not installed";
    Application->SetToolkitLanguage("");
    auto english = ScopeExit([] { Application->SetToolkitLanguage(""); });
    TOpenDialog dialog(nullptr);
    dialog.SetInitialDir(Folder);
    auto nameColumn = [&] {
        AnsiString title;
        TModalAnswerer answers;
        answers.ActOnFile([&](TFileDialogView& d) {
            d.Names();
            title = d.ColumnTitle(0);
            d.Cancel();
        });
        dialog.Execute();
        return title;
    };
    // Czech, as the program starts.
    Form->SelectLanguage("czech.lng");
    Form->LoadSelectedLanguage();
    EXPECT_EQ(nameColumn(), "Název");

    // Picked in the settings: at once, and back with Storno.
    TModalAnswerer answers;
    AnsiString picked;
    answers.Act([&](TForm*) {
        SendKey(Form->ComboBox2, VK_DOWN);
        picked = nameColumn();
    });
    answers.ClickButton("BitBtn2");
    EXPECT_EQ(Form->ShowModal(), mrCancel);
    EXPECT_EQ(picked, "Name");
    EXPECT_EQ(nameColumn(), "Název");

    // A language file the toolkit has no translation for: its English.
    WriteLanguage("klingon.lng", "[Strings]\r\n");
    LoadLanguage("klingon.lng");
    EXPECT_EQ(nameColumn(), "Name");
    LoadLanguage("");
    EXPECT_EQ(nameColumn(), "Název");
}

TEST_F(TfnastaveniTest, APickedLanguageAppliesAtOnceAndGoesBackWithStorno) {
    EXPECT_EQ(Form->ComboBox2->Items()->CommaText(), "czech.lng,english.lng");
    TIniFile(Folder + "Vemlor.ini").WriteString("Tfnastaveni", "Jazyk", "czech.lng");
    LoadLanguage("czech.lng");
    TModalAnswerer answers;
    answers.Act([&](TForm*) {
        EXPECT_EQ(Form->ComboBox2->Text(), "czech.lng");
        Form->DBGrid1->Columns()->Items(0)->SetIndex(3);  // the titles follow their columns
        SendKey(Form->ComboBox2, VK_DOWN);
        EXPECT_EQ(ExtractFileName(Lang()->FileName()), "english.lng");
        EXPECT_EQ(Find<TTabSheet>(Form, "TabSheet1")->Caption(), "User");
        EXPECT_EQ(Form->BitBtn2->Caption(), "Cancel");
        EXPECT_EQ(Form->DBGrid1->Columns()->Items(3)->Title()->Caption(), "Tariff");
        EXPECT_EQ(Form->DBGrid1->Columns()->Items(0)->Title()->Caption(), "Phone");
        EXPECT_EQ(Form->DBGrid1->Columns()->Items(1)->Title()->Caption(), "Max. SMS");
    });
    answers.ClickButton("BitBtn2");
    EXPECT_EQ(Form->ShowModal(), mrCancel);
    EXPECT_EQ(Form->ComboBox2->Text(), "czech.lng");
    EXPECT_EQ(ExtractFileName(Lang()->FileName()), "czech.lng");
    EXPECT_EQ(Form->DBGrid1->Columns()->Items(3)->Title()->Caption(), "Tarif");
    EXPECT_EQ(Main.Languages, 2);

    answers.Act([&](TForm*) { SendKey(Form->ComboBox2, VK_DOWN); });
    answers.ClickButton("BitBtn1");
    EXPECT_EQ(Form->ShowModal(), mrOk);
    // The updater finds the language under ComboBox2_Text.
    EXPECT_EQ(Stored("ComboBox2_Text"), "english.lng");
    EXPECT_EQ(Stored("Jazyk"), "english.lng");

    TIniFile(Folder + "Vemlor.ini").WriteString("Tfnastaveni", "Jazyk", "klingon.lng");
    answers.Act([&](TForm*) { EXPECT_EQ(Form->ComboBox2->ItemIndex(), -1); });
    answers.ClickButton("BitBtn2");
    Form->ShowModal();
}

TEST_F(TfnastaveniTest, FillingSignaturesAsksWhetherToOverwriteAndKeepsTheCurrentContactTheRecipient) {
    AddContact(1, "Adam", "00420603000001");
    AddContact(2, "Bára", "00420603000002", "Ahoj");
    AddContact(3, "Cyril", "00420603000003");
    ASSERT_TRUE(Dm->Adresa->Locate("Jmeno", Variant("Bára"), {}));
    Form->SignEdit->SetText("Zdraví Petr");
    auto column = [&](TField* Field) {
        AnsiString values;
        Dm->Adresa->DisableControls();
        for (Dm->Adresa->First(); !Dm->Adresa->Eof(); Dm->Adresa->Next()) values += Field->AsString() + ";";
        Dm->Adresa->EnableControls();
        return values;
    };

    TModalAnswerer answers;
    AnsiString question, result;
    answers.ClickButton("No", [&](TForm* f) { question = DialogText(f); });
    answers.ClickButton("OK", [&](TForm* f) { result = DialogText(f); });
    Find<TButton>(Form, "Button3")->Click();
    EXPECT_EQ(question,
              "Chcete nastavit podpis \"Zdraví Petr\" ke všem kontaktům v adresáři?\r\n"
              "Pokud vyberete Ne, budou nastaveny pouze položky, u nichž není podpis nastaven.");
    EXPECT_EQ(result, "Bylo změněno 2 položek, z celkových 3.");
    EXPECT_EQ(Dm->AdresaJmeno->AsString(), "Bára");
    EXPECT_EQ(column(Dm->AdresaPodpis), "Zdraví Petr;Ahoj;Zdraví Petr;");
    // One recipient: the contact the user stands on, not the last one posted.
    EXPECT_EQ(column(Dm->AdresaVybrany), "False;True;False;");

    Form->HeaderEdit->SetText("Milý");
    answers.ClickButton("Yes");
    answers.ClickButton("OK", [&](TForm* f) { result = DialogText(f); });
    Find<TButton>(Form, "Button2")->Click();
    EXPECT_EQ(result, "Bylo změněno 3 položek, z celkových 3.");
    EXPECT_EQ(column(Dm->AdresaOsloveni), "Milý;Milý;Milý;");

    Form->HeaderEdit->SetText("Ahoj");
    answers.ClickButton("Cancel");
    Find<TButton>(Form, "Button2")->Click();
    EXPECT_EQ(column(Dm->AdresaOsloveni), "Milý;Milý;Milý;");
    EXPECT_EQ(answers.Pending(), 0);
    EXPECT_TRUE(answers.Unexpected().empty());
}

TEST_F(TfnastaveniTest, FillingReachesContactsOfGroupsNotShownAndLeavesTheGroupAndTheRowsShown) {
    for (Integer id : {0, 1}) {
        Dm->Skupiny->Append();
        Dm->SkupinyID->SetAsInteger(id);
        Dm->SkupinyJmeno->SetAsString(id ? "Práce" : "Všichni");
        Dm->SkupinyPoradi->SetAsInteger(id);
        Dm->Skupiny->Post();
    }
    const char* const names[] = {"Adam", "Bára", "Cyril", "Dana", "Emil", "František", "Gábina", "Hana"};
    for (Integer i = 0; i < 8; ++i) {
        AddContact(i + 1, names[i], "0042060300000" + IntToStr(i + 1), i == 4 ? "Emil" : "");
        Dm->Adresa->Edit();
        // Bára, Cyril, Dana, František and Gábina work together.
        Dm->AdresaIDSkup->SetAsString(i == 0 || i == 4 || i == 7 ? "2;" : "1;");
        Dm->Adresa->Post();
    }
    // The main window shows group 1 in a grid of three rows, František on the
    // last of them.
    TDataLink grid;
    grid.SetBufferCount(3);
    grid.SetDataSource(Dm->DSAdresa);
    ASSERT_TRUE(Dm->Skupiny->Locate("ID", Variant(1), {}));
    Dm->SetGroupFilter(true);
    Dm->Adresa->RebuildFilterList();
    Dm->SetGroupFilter(false);
    Dm->Adresa->First();
    Dm->Adresa->MoveBy(3);
    ASSERT_EQ(Dm->AdresaJmeno->AsString(), "František");
    ASSERT_EQ(Dm->Adresa->ActiveRecordIndex(), 2);

    Form->SignEdit->SetText("Zdraví Petr");
    TModalAnswerer answers;
    AnsiString result;
    answers.ClickButton("No");
    answers.ClickButton("OK", [&](TForm* f) { result = DialogText(f); });
    Find<TButton>(Form, "Button3")->Click();
    EXPECT_EQ(result, "Bylo změněno 7 položek, z celkových 8.");
    EXPECT_TRUE(Dm->Adresa->Filtered());
    EXPECT_EQ(Dm->Adresa->RecordCount(), 5);
    EXPECT_EQ(Dm->AdresaJmeno->AsString(), "František");
    EXPECT_EQ(Dm->Adresa->ActiveRecordIndex(), 2) << "the grid shows Cyril, Dana and František still";
    // Cyril on the first row.
    Dm->Adresa->MoveBy(-2);
    Form->HeaderEdit->SetText("Milý");
    answers.ClickButton("Yes");
    answers.ClickButton("OK");
    Find<TButton>(Form, "Button2")->Click();
    EXPECT_EQ(Dm->AdresaJmeno->AsString(), "Cyril");
    EXPECT_EQ(Dm->Adresa->ActiveRecordIndex(), 0);
    EXPECT_EQ(Dm->Adresa->RecordCount(), 5);

    Dm->Adresa->RebuildFilterList();
    AnsiString signatures;
    for (Dm->Adresa->First(); !Dm->Adresa->Eof(); Dm->Adresa->Next())
        signatures += Dm->AdresaPodpis->AsString() + ";";
    EXPECT_EQ(signatures, "Zdraví Petr;Zdraví Petr;Zdraví Petr;Zdraví Petr;Emil;Zdraví Petr;Zdraví Petr;Zdraví Petr;");
    EXPECT_EQ(Dm->Adresa->Lookup("Jmeno", Variant("Hana"), "Osloveni").AsString(), "Milý");
    EXPECT_EQ(answers.Pending(), 0);
}

TEST_F(TfnastaveniTest, DetectionSelectsThePortItFoundOrSaysThatNoneWasFound) {
    Form->DetectModemPort = [] { return 3; };
    Form->Button1->Click();
    EXPECT_EQ(Form->ComboBox1->Text(), "COM3");

    TModalAnswerer answers;
    AnsiString message;
    answers.ClickButton("OK", [&](TForm* f) { message = DialogText(f); });
    Form->DetectModemPort = [] { return -1; };
    Form->Button1->Click();
    EXPECT_EQ(message, "Modem nebyl detekován.");
    EXPECT_EQ(Form->ComboBox1->Text(), "COM3");
    EXPECT_EQ(answers.Pending(), 0);
}

TEST_F(TfnastaveniTest, OkHandsTheComposerTheColourChosenInThisShowingAndTheOddPartsFont) {
    Main.Composer = RGB(0x10, 0x20, 0x30);
    TModalAnswerer answers;
    answers.Act([&](TForm*) { Find<TSpeedButton>(Form, "SpeedButton26")->Click(); });
    answers.Act([&](TForm* f) {
        EXPECT_EQ(Find<TSpinEdit>(f, "GreenEdit")->Value(), 0x20) << "starts at the composer's colour";
        Find<TSpinEdit>(f, "RedEdit")->SetValue(0xFF);
        Find<TButton>(f, "OKButton")->Click();
    });
    answers.ClickButton("BitBtn2");
    Form->ShowModal();

    answers.Act([&](TForm*) { Find<TSpeedButton>(Form, "SpeedButton2")->Click(); });
    answers.Act([&](TForm* f) {
        EXPECT_EQ(Find<TComboBox>(f, "SizeEdit")->Text(), IntToStr(Form->Panel1->Font()->Size()));
        Find<TCheckBox>(f, "BoldCheck")->SetChecked(true);
        Find<TButton>(f, "OKButton")->Click();
    });
    answers.ClickButton("BitBtn1");
    Form->ShowModal();
    EXPECT_EQ(Main.ConfirmedColor, 0) << "the colour of a cancelled showing is no choice";
    EXPECT_TRUE(Form->Panel1->Font()->Style().Contains(fsBold));
    EXPECT_EQ(Stored("Panel1_FontStyle"), "[fsBold]");
    EXPECT_EQ(Main.ConfirmedFont, Form->Panel1->Font()->Name());

    answers.Act([&](TForm*) { Find<TSpeedButton>(Form, "SpeedButton26")->Click(); });
    answers.Act([&](TForm* f) {
        Find<TSpinEdit>(f, "BlueEdit")->SetValue(0x80);
        Find<TButton>(f, "OKButton")->Click();
    });
    answers.ClickButton("BitBtn1");
    Form->ShowModal();
    EXPECT_EQ(Main.ConfirmedColor, RGB(0x10, 0x20, 0x80));
    EXPECT_TRUE(answers.Unexpected().empty());
}

TEST_F(TfnastaveniTest, TheSenderAndTheRecipientModeComeFromTheControls) {
    Form->Edit2->SetText("Jan Novák");
    Form->Edit3->SetText("00420603123456");
    Form->NickEdit->SetText("Honza");
    EXPECT_EQ(SenderSettings(), Form);
    EXPECT_EQ(TOdesilatel().Name(), "Jan Novák");
    EXPECT_EQ(Trozdel("Ahoj", false).FullParts()[0], "Ahoj") << "an unticked nickname is not sent";
    Form->chbNickName->SetChecked(true);
    EXPECT_EQ(Trozdel("Ahoj", false).FullParts()[0], "HonzaAhoj");

    Form->chbskupina->SetChecked(false);
    EXPECT_EQ(Main.SeveralCalls, std::vector<bool>{false});
    // Entering the empty number starts it with the home country's code.
    Form->LookupStaty->SetText("Slovensko");
    Form->Edit3->SetText("");
    Form->Edit3Enter(Form->Edit3);
    EXPECT_EQ(Form->Edit3->Text(), "00421-");
}

TEST_F(TfnastaveniTest, EveryPageRendersToAPicture) {
    Form->Edit2->SetText("Jan Novák");
    Form->Edit3->SetText("00420603123456");
    Form->Edit5->SetText("jan.novak@example.com");
    Form->ComboBox1->SetItemIndex(1);
    Form->SelectLanguage("czech.lng");
    Form->LookupStaty->SetText("Czech rep");
    Form->SignEdit->SetText("Petr");
    Form->Show();
    PumpUntilIdle();
    for (int page = 0; page < Form->PageControl1->PageCount(); ++page) {
        Form->PageControl1->SetActivePageIndex(page);
        PumpUntilIdle();
        ASSERT_TRUE(SaveControlToPng(Form, AnsiString(VEMLOR_TEST_OUTPUT) + "/client/nastaveni-" +
                                               Form->PageControl1->Pages(page)->Name() + ".png"));
    }
    Form->Hide();
}

}  // namespace
