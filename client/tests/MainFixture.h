#pragma once
// The client's three windows made the way the program block makes them, in
// a program folder of the test's own with the link-library stand-ins and two
// countries, and shown as the event loop would show the main window.

#include <filesystem>
#include <map>
#include <unistd.h>

#include <gtest/gtest.h>

#include "client/DatMod.h"
#include "client/Main.h"
#include "client/nastaveni.h"
#include "core/CallerLib.h"
#include "core/Language.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/DBGrids.h"
#include "platform/ui/TestSupport.h"

class TMainWindowTest : public ::testing::Test {
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
        AddCountries();
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
    void AddCountries() {
        TDM tables(nullptr);
        tables.SetName("Filler");
        tables.Staty->Open();
        auto add = [&](const char* Name, const char* Prefix, const char* Filter, const char* Letters,
                       const char* Plain) {
            tables.Staty->Append();
            tables.StatyJmeno->SetAsString(Name);
            tables.StatyPredcisli->SetAsString(Prefix);
            tables.StatyFiltr->SetAsString(Filter);
            tables.StatyHacky->SetAsString(Letters);
            tables.StatyBezHacku->SetAsString(Plain);
            tables.Staty->Post();
        };
        add("Czech rep", "420", "00420#########", "ěščřžýáíéúůťďňĚŠČŘŽÝÁÍÉÚŮŤĎŇ", "escrzyaieuutdnESCRZYAIEUUTDN");
        add("Slovensko", "421", "00421#########", "ľščťžýáíéúäôňĽŠČŤŽÝÁÍÉÚ", "lsctzyaieuaonLSCTZYAIEU");
        tables.Staty->StoreToFile(Folder + "Staty.dat");
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
        if (BeforeShow) BeforeShow();
        Main->Show();
        PumpUntilIdle();
    }

    // A start after the first run's settings were confirmed.
    void StartConfirmed() {
        TModalAnswerer answers;
        answers.ClickButton("OK");
        Start();
    }

    void AddContact(Integer Id, const AnsiString& Name, const AnsiString& Number, const AnsiString& Salutation = "",
                    const AnsiString& Signature = "") {
        Data->Adresa->Append();
        Data->AdresaID->SetAsInteger(Id);
        Data->AdresaJmeno->SetAsString(Name);
        Data->AdresaCislo->SetAsString(Number);
        Data->AdresaOsloveni->SetAsString(Salutation);
        Data->AdresaPodpis->SetAsString(Signature);
        Data->Adresa->Post();
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

    void Queue() {
        Main->ADoFronty->Execute();
        PumpUntilIdle();
    }


    // The field's text in each data row, top to bottom, as the grid draws
    // its rows now.
    static std::vector<AnsiString> DrawnRows(TDBGrid* Grid, TField* Field) {
        std::map<Integer, AnsiString> rows;
        const TDrawColumnCellEvent kept = Grid->OnDrawColumnCell;
        Grid->OnDrawColumnCell = [&](TObject*, const TRect& Cell, Integer, TColumn* Column, TGridDrawState) {
            if (Column->Field() == Field) rows[Cell.Top] = Field->DisplayText();
        };
        TBitmap picture;
        const bool drawn = GrabControl(Grid, picture);
        Grid->OnDrawColumnCell = kept;
        std::vector<AnsiString> texts;
        if (drawn)
            for (const auto& [top, text] : rows) texts.push_back(text);
        return texts;
    }

    static AnsiString DialogText(TForm* Form) {
        auto* label = dynamic_cast<TLabel*>(Form->FindComponent("Message"));
        return label ? label->Caption() : AnsiString();
    }

    AnsiString Stored(const AnsiString& Section, const AnsiString& Key) {
        return TIniFile(Folder + "Vemlor.ini").ReadString(Section, Key, "<none>");
    }

    AnsiString Folder;
    AnsiString InstanceName;
    // What a test gives the windows once made, before the first showing.
    std::function<void()> BeforeShow;
    TfMain* Main = nullptr;
    TDM* Data = nullptr;
    Tfnastaveni* Settings = nullptr;
};

