// The client as a whole, offscreen: its three windows made the way the
// program block makes them, in a program folder of the test's own with the
// link-library stand-ins. A start, a contact added by typing a number, a
// message queued, a close and a start again on the same folder; a damaged
// table file; a second copy; and the main window's picture.

#include "client/Main.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include <gtest/gtest.h>

#include "client/DatMod.h"
#include "client/nastaveni.h"
#include "core/CallerLib.h"
#include "core/Language.h"
#include "platform/os/SingleInstance.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/TestSupport.h"

namespace {

class TMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/client/Main/" + info->name() + "/";
        std::filesystem::remove_all(SysFileName(Folder));
        ForceDirectories(Folder + "Lang");
        ForceDirectories(Folder + "Mmf");
        WriteFileAtomic(Folder + "Lang/czech.lng", "[Strings]\r\n");
        WriteFileAtomic(Folder + "caller.so", ReadFileBytes(VEMLOR_CALLER_MODULE));
        WriteFileAtomic(Folder + "mac.so", ReadFileBytes(VEMLOR_MAC_MODULE));
        InstanceName = AnsiString("OnlyOneSMS Vemlor test ") + info->name() + "-" + std::to_string(getpid());
        SetProgramFolder(Folder);
        SeedCountries();
    }

    void TearDown() override {
        Stop();
        SetLang(nullptr);
        ResetNowFunction();
        SetProgramFolder("");
        Application->SetShowMainForm(true);
        ResetApplicationForTests();
    }

    // The countries the phone checks need, in the folder's table file.
    void SeedCountries() {
        TDM seed(nullptr);
        seed.SetName("Seed");
        seed.Staty->Open();
        auto add = [&](const char* Name, const char* Prefix, const char* Filter, const char* Letters,
                       const char* Plain) {
            seed.Staty->Append();
            seed.StatyJmeno->SetAsString(Name);
            seed.StatyPredcisli->SetAsString(Prefix);
            seed.StatyFiltr->SetAsString(Filter);
            seed.StatyHacky->SetAsString(Letters);
            seed.StatyBezHacku->SetAsString(Plain);
            seed.Staty->Post();
        };
        add("Czech rep", "420", "00420#########", "ěščřžýáíéúůťďňĚŠČŘŽÝÁÍÉÚŮŤĎŇ", "escrzyaieuutdnESCRZYAIEUUTDN");
        add("Slovensko", "421", "00421#########", "ľščťžýáíéúäôňĽŠČŤŽÝÁÍÉÚ", "lsctzyaieuaonLSCTZYAIEU");
        seed.Staty->StoreToFile(Folder + "Staty.dat");
    }

    // What the program block does before its event loop runs, then the
    // main window's first showing.
    void Start() {
        Main = new TfMain(Application);
        Main->InstanceName = InstanceName;
        Main->AfterConstruction();
        fMain = Main;
        Data = new TDM(Application);
        Data->AfterConstruction();
        DM = Data;
        Settings = new Tfnastaveni(Application);
        Settings->AfterConstruction();
        fnastaveni = Settings;
        Main->Show();
        PumpUntilIdle();
    }

    // Closes the window as the user does, then frees what the program's end
    // frees.
    void Stop() {
        if (!Main) return;
        if (Main->Visible()) Main->Close();
        PumpUntilIdle();
        Main->Free();
        Settings->Free();
        Data->Free();
        Main = nullptr;
        Settings = nullptr;
        Data = nullptr;
        PumpUntilIdle();
        FreeCallerLibraries();
        SetLang(nullptr);
    }

    TModalResult Queue() {
        Main->ADoFronty->Execute();
        PumpUntilIdle();
        return 0;
    }

    AnsiString Stored(const AnsiString& Section, const AnsiString& Key) {
        return TIniFile(Folder + "Vemlor.ini").ReadString(Section, Key, "<none>");
    }

    AnsiString Folder;
    AnsiString InstanceName;
    TfMain* Main = nullptr;
    TDM* Data = nullptr;
    Tfnastaveni* Settings = nullptr;
};

TEST_F(TMainTest, AMessageQueuedForATypedNumberIsStillThereAfterARestart) {
    {
        TModalAnswerer answers;
        // The first run asks for the settings.
        answers.ClickButton("OK");
        Start();
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

}  // namespace
