#pragma once
// What the client's window tests share: a program folder of their own under
// the test output (with its "Lang" folder), the data module with open tables
// and a few countries, and the captions and texts of the modal windows that
// the scripted answerer met. The database window, the contact editor and
// the imports get every table open and empty, groups to work with, and
// fakes of what they ask of the main window.

#include <filesystem>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "client/AdrEdit.h"
#include "client/Contacts.h"
#include "client/DatMod.h"
#include "client/Databaze.h"
#include "client/PhoneNumbers.h"
#include "core/Language.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"

// Phone numbers the way the main window treats them: typed and normalised
// as the main window does, but checked in a cut-down way: "00420" and nine
// digits are valid, nine digits alone are repaired into that form, anything
// else fails.
struct TFakePhones : TContactEditorServices {
    int Checks = 0;
    int ShownChecks = 0;
    AnsiString NormalisePhoneNumber(const AnsiString& Text) override { return ::NormalisePhoneNumber(Text); }
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
    void FilterPhoneNumberChars(TEdit* Edit) override { FilterPhoneNumberText(Edit); }
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

class TClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/client/" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "/" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        std::filesystem::remove_all(Folder);
        ForceDirectories(Folder + "Lang");
        SetProgramFolder(Folder);
        Dm = std::make_unique<TDM>(nullptr);
        DM = Dm.get();
        for (TMemData* table : {Dm->Adresa, Dm->Staty, Dm->Tarify, Dm->Skupiny}) table->Open();
        AddCountry("Czech rep", "420", "00420#########", "ěščřžýáíéúůťďňĚŠČŘŽÝÁÍÉÚŮŤĎŇ",
                   "escrzyaieuutdnESCRZYAIEUUTDN");
        AddCountry("Slovensko", "421", "00421#########", "ľščťžýáíéúäôňĽŠČŤŽÝÁÍÉÚ", "lsctzyaieuaonLSCTZYAIEU");
    }

    void TearDown() override {
        SetLang(nullptr);
        Application->SetToolkitLanguage("");
        Dm.reset();
        PumpUntilIdle();
        SetProgramFolder("");
    }

    void AddCountry(const AnsiString& Name, const AnsiString& Prefix, const AnsiString& Filter,
                    const AnsiString& Letters = "", const AnsiString& Plain = "") {
        Dm->Staty->Append();
        Dm->StatyJmeno->SetAsString(Name);
        Dm->StatyPredcisli->SetAsString(Prefix);
        Dm->StatyFiltr->SetAsString(Filter);
        Dm->StatyHacky->SetAsString(Letters);
        Dm->StatyBezHacku->SetAsString(Plain);
        Dm->Staty->Post();
    }

    void AddContact(Integer Id, const AnsiString& Name, const AnsiString& Number, const AnsiString& Signature = "") {
        Dm->Adresa->Append();
        Dm->AdresaID->SetAsInteger(Id);
        Dm->AdresaJmeno->SetAsString(Name);
        Dm->AdresaCislo->SetAsString(Number);
        Dm->AdresaPodpis->SetAsString(Signature);
        Dm->Adresa->Post();
    }

    void WriteLanguage(const AnsiString& Name, const AnsiString& Text) { WriteFileAtomic(Folder + "Lang/" + Name, Text); }

    // The text of the localised message dialog on the screen.
    static AnsiString DialogText(TForm* Form) {
        auto* label = dynamic_cast<TLabel*>(Form->FindComponent("Message"));
        return label ? label->Caption() : AnsiString();
    }

    AnsiString Folder;
    std::unique_ptr<TDM> Dm;
};

class TDataWindowTest : public TClientTest {
protected:
    void SetUp() override {
        ResetApplicationForTests();
        TClientTest::SetUp();
        // Every table open, and no countries but those a test adds.
        Dm->Staty->Close();
        for (TMemData* t : {Dm->Fronta, Dm->FrontObj, Dm->Historie, Dm->Zprava, Dm->Melody, Dm->Staty, Dm->Notif,
                            Dm->TmpTab})
            t->Open();
    }

    void AddMember(Integer ID, const AnsiString& Name, const AnsiString& Groups = "") {
        AddContact(ID, Name, "00420" + IntToStr(Int64{603000000} + ID));
        ASSERT_TRUE(Dm->Adresa->Locate("ID", Variant(ID), {}));
        Dm->Adresa->Edit();
        Dm->AdresaIDSkup->SetAsString(Groups);
        Dm->Adresa->Post();
    }
    void AddGroup(Integer ID, const AnsiString& Name, Integer Order) {
        Dm->Skupiny->Append();
        Dm->SkupinyID->SetAsInteger(ID);
        Dm->SkupinyJmeno->SetAsString(Name);
        Dm->SkupinyPoradi->SetAsInteger(Order);
        Dm->Skupiny->Post();
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
        Dm->Adresa->DisableControls();
        const bool found = Dm->Adresa->Locate("Jmeno", Variant(Name), {});
        const AnsiString value = found ? Field->AsString() : AnsiString("<none>");
        Dm->Adresa->EnableControls();
        return value;
    }
    AnsiString GroupsOf(const AnsiString& Name) { return ContactValue(Name, Dm->AdresaIDSkup); }
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
};
