#pragma once
// What the client's window tests share: a program folder of their own under
// the test output (with its "Lang" folder), the data module with open tables
// and a few countries, and the captions and texts of the modal windows that
// the scripted answerer met.

#include <filesystem>
#include <memory>

#include <gtest/gtest.h>

#include "client/DatMod.h"
#include "core/Language.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"

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
