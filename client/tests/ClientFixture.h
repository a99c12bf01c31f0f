#pragma once
// The data module with open tables, and fakes of what the windows ask of
// the main window, for the tests of the client's windows and imports.

#include <filesystem>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "client/AdrEdit.h"
#include "client/DatMod.h"
#include "client/Databaze.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"

// Phone numbers the way the main window treats them, cut down to what the
// tests need: "00420" and nine digits are valid, nine digits alone are
// repaired into that form, anything else fails.
struct TFakePhones : TContactEditorServices {
    int Checks = 0;
    int ShownChecks = 0;
    AnsiString NormalisePhoneNumber(const AnsiString& Text) override {
        AnsiString out;
        for (char c : Text)
            if (c != ' ' && c != '/' && c != '-' && c != '(' && c != ')') out += c;
        if (!out.empty() && out[0] == '+') out = "00" + out.substr(1);
        return out;
    }
    bool ValidatePhoneNumber(AnsiString& Number, bool ShowMessages) override {
        ++Checks;
        if (ShowMessages) ++ShownChecks;
        for (char c : Number)
            if (c < '0' || c > '9') return false;
        if (Number.size() == 9) Number = "00420" + Number;
        return Number.size() == 14 && Number.substr(0, 5) == "00420";
    }
    void PrefillInternationalPrefix(TEdit* Edit) override {
        if (Edit->Text().empty()) Edit->SetText("00420-");
        Edit->SetSelStart(static_cast<Integer>(Edit->Text().size()));
    }
    void FilterPhoneNumberChars(TEdit* Edit) override {
        AnsiString kept;
        for (char c : Edit->Text())
            if (c == ' ' || c == '-' || c == '/' || (c >= '0' && c <= '9')) kept += c;
        if (kept != Edit->Text()) Edit->SetText(kept);
    }
    AnsiString SalutationText() override { return "Ahoj,"; }
    AnsiString SignatureText() override { return "Petr"; }
    bool ShowHelp(const AnsiString& TopicPath) override {
        Help.push_back(TopicPath);
        return true;
    }
    std::vector<AnsiString> Help;
};

struct TFakeDatabaseServices : TDatabaseWindowServices {
    int MenuBuilds = 0;
    int Scans = 0;
    int Stops = 0;
    std::vector<AnsiString> Help, Played, PlayedOutside, Edited;
    std::vector<std::pair<TDBGrid*, TEdit*>> Searches;
    void BuildTemplatesMenu() override { ++MenuBuilds; }
    bool ShowHelp(const AnsiString& TopicPath) override {
        Help.push_back(TopicPath);
        return true;
    }
    void EditRingTone(const AnsiString& RingTone) override { Edited.push_back(RingTone); }
    void ScanMelodyFolder() override { ++Scans; }
    void PlayRingTone(const AnsiString& FileName) override { Played.push_back(FileName); }
    void PlayRingToneExternally(const AnsiString& FileName) override { PlayedOutside.push_back(FileName); }
    void StopPlaying() override { ++Stops; }
    bool FindInGrid(TDBGrid* Grid, TEdit* Edit) override {
        Searches.emplace_back(Grid, Edit);
        return true;
    }
};

// The text of the message dialog an answerer looks at.
inline AnsiString MessageOf(TForm* Dialog) {
    auto* label = dynamic_cast<TLabel*>(Dialog->FindComponent("Message"));
    return label ? label->Caption() : AnsiString();
}

// The program's data module as DM, its tables open and empty, in a program
// folder of the test's own.
class TClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetApplicationForTests();
        Folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/client-windows/" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        std::filesystem::remove_all(SysFileName(Folder));
        ForceDirectories(Folder);
        SetProgramFolder(Folder);
        Data = std::make_unique<TDM>(nullptr);
        DM = Data.get();
        for (TMemData* t : {Data->Adresa, Data->Fronta, Data->FrontObj, Data->Historie, Data->Zprava, Data->Melody,
                            Data->Skupiny, Data->Staty, Data->Notif, Data->Tarify, Data->TmpTab})
            t->Open();
    }
    void TearDown() override {
        PumpUntilIdle();
        Data.reset();
        SetProgramFolder("");
    }

    void AddContact(Integer ID, const AnsiString& Name, const AnsiString& Groups = "") {
        Data->Adresa->Append();
        Data->AdresaID->SetAsInteger(ID);
        Data->AdresaJmeno->SetAsString(Name);
        Data->AdresaCislo->SetAsString("00420" + IntToStr(Int64{603000000} + ID));
        Data->AdresaIDSkup->SetAsString(Groups);
        Data->Adresa->Post();
    }
    void AddGroup(Integer ID, const AnsiString& Name, Integer Order) {
        Data->Skupiny->Append();
        Data->SkupinyID->SetAsInteger(ID);
        Data->SkupinyJmeno->SetAsString(Name);
        Data->SkupinyPoradi->SetAsInteger(Order);
        Data->Skupiny->Post();
    }
    // Groups 0 "Všichni", 1 "Práce", 5 "Rodina", 15 "Škola" in that order.
    void AddGroups() {
        AddGroup(0, "Všichni", 0);
        AddGroup(1, "Práce", 1);
        AddGroup(5, "Rodina", 2);
        AddGroup(15, "Škola", 3);
    }
    // A field of the contact of that name, "<none>" without one.
    AnsiString ContactValue(const AnsiString& Name, TField* Field) {
        Data->Adresa->DisableControls();
        const bool found = Data->Adresa->Locate("Jmeno", Variant(Name), {});
        const AnsiString value = found ? Field->AsString() : AnsiString("<none>");
        Data->Adresa->EnableControls();
        return value;
    }
    AnsiString GroupsOf(const AnsiString& Name) { return ContactValue(Name, Data->AdresaIDSkup); }
    std::vector<AnsiString> Column(TMemData* Table, TField* Field) {
        std::vector<AnsiString> values;
        Table->DisableControls();
        for (Table->First(); !Table->Eof(); Table->Next()) values.push_back(Field->AsString());
        Table->EnableControls();
        return values;
    }
    static std::vector<AnsiString> Items(TVmCheckListBox* List) {
        std::vector<AnsiString> items;
        for (int i = 0; i < List->Items()->Count(); ++i) items.push_back(List->Items()->Strings(i));
        return items;
    }
    static void Check(TVmCheckListBox* List, const AnsiString& Name) {
        const int at = List->Items()->IndexOf(Name);
        ASSERT_GE(at, 0) << Name;
        List->SetChecked(at, true);
    }
    AnsiString OutputPng(const char* Name) { return AnsiString(VEMLOR_TEST_OUTPUT) + "/client-windows/" + Name; }

    AnsiString Folder;
    std::unique_ptr<TDM> Data;
};
