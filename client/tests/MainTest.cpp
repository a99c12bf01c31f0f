// The client as a whole, offscreen: its three windows made the way the
// program block makes them, in a program folder of the test's own with the
// link-library stand-ins. A start, a contact added by typing a number, a
// message queued, a close and a start again on the same folder; a damaged
// table file; a second copy; and the main window's picture.

#include "client/Main.h"

#include <sys/resource.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "MainFixture.h"
#include "client/Start.h"
#include "platform/os/SingleInstance.h"
#include "platform/rtl/CodePage.h"

namespace {

using TMainTest = TMainWindowTest;

TEST_F(TMainTest, AMessageQueuedForATypedNumberIsStillThereAfterARestart) {
    {
        TModalAnswerer answers;
        // The first run asks for the settings, with no splash over them.
        int splashes = 0;
        answers.ClickButton("OK", [&splashes](TForm*) {
            for (int i = 0; i < Screen->FormCount(); ++i) {
                auto* splash = dynamic_cast<TfStart*>(Screen->Forms(i));
                if (!splash) continue;
                ++splashes;
                EXPECT_FALSE(splash->Visible());
            }
        });
        Start();
        EXPECT_EQ(splashes, 1);
        EXPECT_EQ(answers.Seen(), std::vector<AnsiString>{"Nastavení"});
        EXPECT_TRUE(answers.Unexpected().empty());
    }
    ASSERT_TRUE(Main->Started());
    EXPECT_TRUE(FileExists(Folder + "Vemlor.ini"));
    EXPECT_EQ(Main->Caption(), "SMS Vemlor");
    EXPECT_EQ(Main->AllGroupText(), "Všichni");

    // A number typed with its country code, blanks and dashes; the contact
    // editor names the new contact.
    Main->EditContact = [this] {
        Data->AdresaJmeno->SetAsString("Jana Nováková");
        return mrOk;
    };
    Main->ComboEdit1->SetText("+420 603-123 456");
    Main->REdit1->SetText("Ahoj Jano,\r\nzítra v 9 u nádraží.");
    {
        TModalAnswerer answers;
        answers.ClickButton("Yes");
        Queue();
        EXPECT_EQ(answers.Seen().size(), 1u);
        EXPECT_TRUE(answers.Unexpected().empty());
    }
    ASSERT_EQ(Data->Fronta->RecordCount(), 1);
    Data->Fronta->First();
    EXPECT_EQ(Data->FrontaJmeno->AsString(), "Jana Nováková");
    EXPECT_EQ(Data->FrontaCislo->AsString(), "00420603123456");
    EXPECT_EQ(Data->FrontaZprava->AsString(), "Ahoj Jano, zitra v 9 u nadrazi.");
    EXPECT_EQ(Data->FrontaTyp->AsString(), "text");
    EXPECT_EQ(Data->FrontaPocet->AsInteger(), 1);
    // Queued means saved: the queue is in its file at once.
    EXPECT_TRUE(FileExists(Folder + "Fronta.dat"));
    // The composer is ready for the next message.
    EXPECT_EQ(Main->REdit1->Text(), "");
    EXPECT_EQ(Main->ComboEdit1->Text(), "");

    Stop();
    EXPECT_EQ(Stored("MainForm", "LastNum"), "00420603123456");
    Start();
    ASSERT_TRUE(Main->Started());
    EXPECT_EQ(Data->Adresa->RecordCount(), 1);
    EXPECT_EQ(Data->AdresaJmeno->AsString(), "Jana Nováková");
    EXPECT_EQ(Data->AdresaCislo->AsString(), "00420603123456");
    EXPECT_EQ(Data->Fronta->RecordCount(), 1);
    Data->Fronta->First();
    EXPECT_EQ(Data->FrontaZprava->AsString(), "Ahoj Jano, zitra v 9 u nadrazi.");
    EXPECT_EQ(Data->Skupiny->RecordCount(), 1);
    EXPECT_EQ(Data->Staty->RecordCount(), 2);
}

TColumn* ColumnOf(TDBGrid* Grid, const AnsiString& FieldName) {
    for (int i = 0; i < Grid->Columns()->Count(); ++i)
        if (Grid->Columns()->Items(i)->FieldName() == FieldName) return Grid->Columns()->Items(i);
    return nullptr;
}

TEST_F(TMainTest, GridColumnsKeepTheirPlacesWidthsAndTitlesAcrossARestart) {
    StartConfirmed();
    ASSERT_TRUE(Main->Started());
    ColumnOf(Main->FrontaGrid, "Nahled")->SetWidth(333);
    ColumnOf(Main->FrontaGrid, "Cislo")->SetIndex(1);
    ColumnOf(Main->HistorieGrid, "Jmeno")->SetWidth(150);
    Stop();
    for (const char* grid : {"CheckGrid", "FrontaGrid", "FrontaObjGrid", "HistorieGrid", "AdrGrid"})
        EXPECT_TRUE(TIniFile(Folder + "Vemlor.ini").SectionExists(AnsiString("TfMain") + grid)) << grid;

    Start();
    ASSERT_TRUE(Main->Started());
    EXPECT_EQ(ColumnOf(Main->FrontaGrid, "Nahled")->Width(), 333);
    EXPECT_EQ(ColumnOf(Main->HistorieGrid, "Jmeno")->Width(), 150);
    TColumn* moved = Main->FrontaGrid->Columns()->Items(1);
    EXPECT_EQ(moved->FieldName(), "Cislo");
    // The titles come from the language after the layout moved the columns.
    EXPECT_EQ(moved->Title()->Caption(), "Tel. číslo");
    EXPECT_EQ(ColumnOf(Main->FrontaGrid, "Jmeno")->Title()->Caption(), "Komu");
}

TEST_F(TMainTest, ADamagedTableFileIsSetAsideReportedOnceAndNeverOverwritten) {
    {
        TDM tables(nullptr);
        tables.SetName("Filler");
        tables.Adresa->Open();
        for (Integer id : {1, 2, 3}) {
            tables.Adresa->Append();
            tables.AdresaID->SetAsInteger(id);
            tables.AdresaJmeno->SetAsString("Kontakt " + IntToStr(id));
            tables.AdresaCislo->SetAsString("0042060300000" + IntToStr(id));
            tables.Adresa->Post();
        }
        const AnsiString whole = tables.Adresa->StoreToBytes();
        WriteFileAtomic(Folder + "Adresa.dat", whole.substr(0, whole.size() - 5));
    }
    const AnsiString damaged = ReadFileBytes(Folder + "Adresa.dat");
    AnsiString report;
    // What a run ended while the warning is up would leave to the next start.
    TMemReadStatus underWarning;
    Integer rowsUnderWarning = -1;
    {
        TModalAnswerer answers;
        answers.ClickButton("OK", [&](TForm* Form) {
            report = DialogText(Form);
            TDM tables(nullptr);
            tables.SetName("Probe");
            underWarning = tables.Adresa->RestoreFromFile(Folder + "Adresa.dat");
            rowsUnderWarning = tables.Adresa->RecordCount();
        });
        answers.ClickButton("OK");
        Start();
        EXPECT_EQ(answers.Seen().size(), 2u);
    }
    EXPECT_NE(report.find("Adresa.dat"), AnsiString::npos) << report;
    EXPECT_NE(report.find("Adresa.bad"), AnsiString::npos) << report;
    // Why, in the user's language as the rest of the warning.
    EXPECT_NE(report.find("(poškozený nebo neúplný záznam č. 3)"), AnsiString::npos) << AnsiToUtf8(report);
    EXPECT_EQ(underWarning.Result, rrComplete);
    EXPECT_EQ(rowsUnderWarning, 2);
    EXPECT_EQ(Data->Adresa->RecordCount(), 2);
    Stop();
    EXPECT_EQ(ReadFileBytes(Folder + "Adresa.bad"), damaged);
    {
        // The rescued contacts are a whole file now: nothing more to report.
        TModalAnswerer answers;
        Start();
        EXPECT_TRUE(answers.Seen().empty());
    }
    EXPECT_EQ(Data->Adresa->RecordCount(), 2);
    EXPECT_EQ(ReadFileBytes(Folder + "Adresa.bad"), damaged);
}

TEST_F(TMainTest, NoWindowOfTheStartUpOpensUnderTheSplash) {
    // A first run that meets a damaged table: its warning, then the settings.
    WriteFileAtomic(Folder + "Adresa.dat", "Ver");
    std::vector<AnsiString> splashShown;
    auto look = [&splashShown](TForm* Form) {
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (auto* splash = dynamic_cast<TfStart*>(Screen->Forms(i)))
                if (splash->Visible()) splashShown.push_back(Form->Caption());
    };
    TModalAnswerer answers;
    answers.ClickButton("OK", look);
    answers.ClickButton("OK", look);
    Start();
    ASSERT_EQ(answers.Seen().size(), 2u);
    EXPECT_EQ(answers.Seen()[1], "Nastavení");
    EXPECT_TRUE(splashShown.empty()) << AnsiToUtf8(splashShown[0]);
}

TEST_F(TMainTest, ASecondStartBringsTheRunningOneForwardAndTouchesNoFile) {
    const std::string command = std::string("'") + VEMLOR_INSTANCE_HELPER + "' serve '" + InstanceName + "'";
    FILE* running = popen(command.c_str(), "r");
    ASSERT_NE(running, nullptr);
    auto line = [running] {
        char buffer[64] = {};
        return std::fgets(buffer, sizeof buffer, running) ? AnsiString(buffer) : AnsiString();
    };
    ASSERT_EQ(line(), "READY\n");
    WriteFileAtomic(Folder + "modem.dat", "[Modem]\r\nUpdate=1\r\n");
    WriteFileAtomic(Folder + "_Vemlor", "a newer program");
    const std::vector<AnsiString> before = ListFiles(Folder, "*");

    Main = new TfMain(Application);
    Main->InstanceName = InstanceName;
    Main->AfterConstruction();
    EXPECT_EQ(line(), "SHOWN\n");
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(Application->ShowMainForm());
    Data = new TDM(Application);
    Settings = new Tfnastaveni(Application);
    Settings->AfterConstruction();
    fnastaveni = Settings;
    // Its window would never be shown; showing it anyway starts nothing.
    Main->Show();
    Stop();
    EXPECT_EQ(ListFiles(Folder, "*"), before);
    EXPECT_EQ(ReadFileBytes(Folder + "_Vemlor"), "a newer program");
    EXPECT_EQ(ReadFileBytes(Folder + "modem.dat"), "[Modem]\r\nUpdate=1\r\n");

    EXPECT_EQ(SendToInstance(InstanceName, "CLOSE", 10000), irDone);
    pclose(running);
}

TEST_F(TMainTest, UnderAFileSizeLimitATableTooLargeIsReportedAndTheOthersAreStillSaved) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    constexpr rlim_t kLimit = 64 * 1024;
    EXPECT_EXIT(
        {
            // As the program block starts.
            Application->Initialize();
            StartConfirmed();
            Data->Adresa->DisableControls();
            for (Integer id = 1; id <= 1000; ++id)
                AddContact(id, "Kontakt s dlouhým jménem číslo " + IntToStr(id), "00420603" + IntToStr(100000 + id),
                           "Milý příteli,", "S pozdravem, Vemlor");
            Data->Adresa->EnableControls();
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = kLimit;
            setrlimit(RLIMIT_FSIZE, &limit);
            AnsiString report;
            {
                TModalAnswerer answers;
                answers.ClickButton("OK", [&](TForm* Form) { report = DialogText(Form); });
                Stop();
            }
            const bool told = report.find("Adresa") != AnsiString::npos &&
                              report.find("File too large") != AnsiString::npos;
            _exit(told ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    // The contacts were never saved; every table after them in the save order was.
    EXPECT_FALSE(FileExists(Folder + "Adresa.dat"));
    for (const char* table : {"Fronta", "Zprava", "Historie", "Skupiny", "FrontObj", "Notif"})
        EXPECT_TRUE(FileExists(Folder + table + ".dat")) << table;
    EXPECT_LT(FileSize(Folder + "Vemlor.ini"), Int64(kLimit));
    for (const AnsiString& name : ListFiles(Folder, ".~*", faAnyFile))
        EXPECT_EQ(ExtractFileExt(name), ".lock") << name;
}

TEST_F(TMainTest, AProgramFolderThatKeepsNothingIsToldAtTheStartOnceInTheChosenLanguage) {
    WriteFileAtomic(Folder + "Lang/english.lng",
                    "[Strings]\r\nFolderReadOnly=Folder %s refuses files (%s): nothing will be kept.\r\n");
    WriteFileAtomic(Folder + "Vemlor.ini", "[Tfnastaveni]\r\nJazyk=english.lng\r\n");
    // A read-only mount, which refuses the superuser the tests run as too.
    std::vector<AnsiString> tried;
    BeforeShow = [&] {
        Main->FolderWriteProblem = [&](const AnsiString& Tried) {
            tried.push_back(Tried);
            return AnsiString("Read-only file system");
        };
    };
    std::vector<AnsiString> told;
    {
        TModalAnswerer answers;
        answers.ClickButton("OK", [&](TForm* Form) { told.push_back(DialogText(Form)); });
        Start();
        EXPECT_TRUE(answers.Unexpected().empty());
    }
    ASSERT_TRUE(Main->Started());
    EXPECT_EQ(tried, std::vector<AnsiString>{Folder});
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], "Folder " + ExcludeTrailingPathDelimiter(Folder) +
                           " refuses files (Read-only file system): nothing will be kept.");

    // Brought forward again later: not told again.
    {
        TModalAnswerer answers;
        Main->Hide();
        Main->Show();
        PumpUntilIdle();
        EXPECT_TRUE(answers.Seen().empty());
    }
    EXPECT_EQ(tried.size(), 1u);
}

TEST_F(TMainTest, PictureOfTheMainWindowWithAMessageInColouredParts) {
    StartConfirmed();
    AddContact(1, "Jana Nováková", "00420603123456");
    AddContact(2, "Petr Svoboda", "00420777654321");
    AddContact(3, "Zuzana Horváthová", "00421905111222");
    AddContact(4, "Tomáš Dvořák", "00420731000999");
    Data->Adresa->Locate("ID", Variant(2), TLocateOptions{});
    Main->SetCurrentTick(true);
    Data->Adresa->Locate("ID", Variant(1), TLocateOptions{});
    Main->SetCurrentTick(true);
    Main->SetBounds(0, 0, 900, 640);
    Main->REdit1->SetText(
        "Ahoj Jano,\r\nposílám slíbený program na sobotní výlet. Sraz je v osm hodin ráno na hlavním nádraží u "
        "pokladen, vlak do Berouna jede v 8:20. Vezmi si pevné boty, pláštěnku a něco k jídlu, oběd si dáme až "
        "na Karlštejně. Kdyby ti něco nevyšlo, zavolej mi do pátku večer.\r\nMěj se, Petr");
    Main->LogEvent("Program byl spuštěn.", false);
    PumpUntilIdle();
    const AnsiString file = AnsiString(VEMLOR_TEST_OUTPUT) + "/client/main-window.png";
    ASSERT_TRUE(SaveControlToPng(Main, file));
    EXPECT_GT(FileSize(file), 0);
}

}  // namespace
