#include "client/DatMod.h"

#include <climits>
#include <filesystem>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "platform/rtl/DateUtils.h"

namespace {

struct TFieldShape {
    const char* Name;
    TFieldType Type;
    int Size;
    TFieldKind Kind = fkData;
};

struct TTableShape {
    TMemData* Table;
    const char* SortedField;
    TDataSource* Source;
    std::vector<TFieldShape> Fields;
};

std::vector<TFieldShape> QueueFields() {
    return {{"Jmeno", ftString, 50},  {"Cislo", ftString, 20},   {"Zprava", ftMemo, 0},
            {"Napsano", ftDateTime, 0}, {"Poslat", ftDateTime, 0}, {"Vybrany", ftBoolean, 0},
            {"Potvrdit", ftString, 50}, {"Melodie", ftMemo, 0},    {"Logo", ftGraphic, 0},
            {"Typ", ftString, 20},     {"Nazev", ftString, 20},    {"Pocet", ftInteger, 0}};
}

std::vector<TTableShape> Shapes(TDM& dm) {
    std::vector<TFieldShape> fronta = QueueFields();
    fronta.push_back({"Nahled", ftString, 20, fkCalculated});
    return {
        {dm.Adresa, "Jmeno", dm.DSAdresa,
         {{"ID", ftInteger, 0}, {"Jmeno", ftString, 50}, {"Cislo", ftString, 20}, {"IDSkup", ftString, 255},
          {"Osloveni", ftString, 20}, {"Podpis", ftString, 20}, {"Vybrany", ftBoolean, 0}}},
        {dm.Fronta, "Napsano", dm.DSFronta, fronta},
        {dm.FrontObj, "Napsano", dm.DSFrontObj, QueueFields()},
        {dm.Historie, "Napsano", dm.DSHistorie,
         {{"Jmeno", ftString, 50}, {"Cislo", ftString, 20}, {"Zprava", ftMemo, 0}, {"Napsano", ftDateTime, 0},
          {"Poslano", ftDateTime, 0}, {"Stav", ftBoolean, 0}, {"Potvrdit", ftString, 50}, {"Melodie", ftMemo, 0},
          {"Logo", ftGraphic, 0}, {"Typ", ftString, 20}, {"Nazev", ftString, 20}}},
        {dm.Zprava, "Nazev", dm.DSZprava, {{"Nazev", ftString, 25}, {"Zprava", ftMemo, 0}, {"ShortCut", ftString, 15}}},
        {dm.Melody, "Jmeno", dm.DSMelody, {{"Jmeno", ftString, 50}}},
        {dm.Skupiny, "Poradi", dm.DSSkupiny, {{"ID", ftInteger, 0}, {"Jmeno", ftString, 20}, {"Poradi", ftInteger, 0}}},
        {dm.Staty, "Jmeno", dm.DSStaty,
         {{"Jmeno", ftString, 20}, {"Predcisli", ftString, 20}, {"Filtr", ftString, 200}, {"SHacky", ftString, 50},
          {"BezHacku", ftString, 50}}},
        {dm.Notif, "Datum", dm.DSNotif,
         {{"Jmeno", ftString, 20}, {"Text", ftMemo, 0}, {"Datum", ftDateTime, 0}, {"Vyprsi", ftDateTime, 0}}},
        {dm.Tarify, "Tarif", dm.DSTarify,
         {{"Tarif", ftInteger, 0}, {"Cislo", ftString, 20}, {"smsmax", ftInteger, 0}, {"pmsmax", ftInteger, 0},
          {"interval", ftInteger, 0}, {"cena", ftCurrency, 0}}},
        {dm.TmpTab, "", dm.DSTmpTab, {{"ID", ftInteger, 0}}},
    };
}

// Every value of every stored record, in table order, as text (a null text
// is stored as an empty one). Controls are off, so that the walk does not
// tick contacts.
std::vector<std::vector<AnsiString>> Rows(TMemData* table) {
    std::vector<std::vector<AnsiString>> rows;
    table->DisableControls();
    table->First();
    while (!table->Eof()) {
        std::vector<AnsiString> row;
        for (int i = 1; i < table->FieldCount(); ++i) {
            TField* f = table->Fields()[i];
            row.push_back(f->AsString());
        }
        rows.push_back(row);
        table->Next();
    }
    table->EnableControls();
    return rows;
}

std::vector<AnsiString> Column(TMemData* table, TField* field) {
    std::vector<AnsiString> values;
    table->First();
    while (!table->Eof()) {
        values.push_back(field->AsString());
        table->Next();
    }
    return values;
}

struct TFakeMainWindow : TMainWindowServices {
    bool Several = false;
    int Shown = 0;
    int Summaries = 0;
    bool ThrowOnShow = false;
    bool SendsToSeveral() const override { return Several; }
    void ShowCurrentContact() override {
        ++Shown;
        if (ThrowOnShow) throw Exception("no window");
    }
    void ShowRecipientSummary() override { ++Summaries; }
};

class TDMTest : public ::testing::Test {
protected:
    void SetUp() override { OpenAll(*Dm); }

    static void OpenAll(TDM& dm) {
        for (const TTableShape& s : Shapes(dm)) s.Table->Open();
    }

    void AddContact(Integer id, const AnsiString& name, const AnsiString& groups = "", bool ticked = false) {
        Dm->Adresa->Append();
        Dm->AdresaID->SetAsInteger(id);
        Dm->AdresaJmeno->SetAsString(name);
        Dm->AdresaCislo->SetAsString("00420" + IntToStr(Int64{600000000} + id));
        Dm->AdresaIDSkup->SetAsString(groups);
        Dm->AdresaVybrany->SetAsBoolean(ticked);
        Dm->Adresa->Post();
    }

    void AddGroup(Integer id, const AnsiString& name, Integer order) {
        Dm->Skupiny->Append();
        Dm->SkupinyID->SetAsInteger(id);
        Dm->SkupinyJmeno->SetAsString(name);
        Dm->SkupinyPoradi->SetAsInteger(order);
        Dm->Skupiny->Post();
    }

    std::vector<AnsiString> Ticked() {
        std::vector<AnsiString> names;
        Dm->Adresa->DisableControls();
        Dm->Adresa->First();
        while (!Dm->Adresa->Eof()) {
            if (Dm->AdresaVybrany->AsBoolean()) names.push_back(Dm->AdresaJmeno->AsString());
            Dm->Adresa->Next();
        }
        Dm->Adresa->EnableControls();
        return names;
    }

    std::unique_ptr<TDM> Dm = std::make_unique<TDM>(nullptr);
    TFakeMainWindow Main;
};

std::string OutputFile(const char* name) {
    std::filesystem::create_directories(VEMLOR_TEST_OUTPUT "/client");
    return std::string(VEMLOR_TEST_OUTPUT "/client/") + name;
}

}  // namespace

TEST_F(TDMTest, EveryTableHasItsFieldsTypesSizesAndSortOrder) {
    std::vector<TTableShape> shapes = Shapes(*Dm);
    ASSERT_EQ(shapes.size(), 11u);
    for (const TTableShape& s : shapes) {
        SCOPED_TRACE(s.Table->Name());
        EXPECT_EQ(s.Table->SortedField(), s.SortedField);
        EXPECT_EQ(s.Source->DataSet(), s.Table);
        ASSERT_EQ(s.Table->FieldCount(), static_cast<int>(s.Fields.size()) + 1);
        EXPECT_EQ(s.Table->Fields()[0], s.Table->RecIdField()) << "the hidden record id comes first";
        for (std::size_t i = 0; i < s.Fields.size(); ++i) {
            TField* f = s.Table->Fields()[static_cast<int>(i) + 1];
            SCOPED_TRACE(s.Fields[i].Name);
            EXPECT_EQ(f->FieldName(), s.Fields[i].Name);
            EXPECT_EQ(f->DataType(), s.Fields[i].Type);
            if (s.Fields[i].Type == ftString) {
                EXPECT_EQ(f->Size(), s.Fields[i].Size);
            }
            EXPECT_EQ(f->FieldKind(), s.Fields[i].Kind);
            EXPECT_EQ(f->Owner(), Dm.get()) << "persistent fields belong to the data module";
            EXPECT_EQ(f->Name(), s.Table->Name() == "FrontObj" && f->FieldName() == "Cislo"
                                     ? AnsiString("FrontaObjCislo")
                                 : f->FieldName() == "SHacky" ? AnsiString("StatyHacky")
                                 : f == Dm->Zpravazprava      ? AnsiString("Zpravazprava")
                                                              : s.Table->Name() + f->FieldName());
        }
    }
    EXPECT_EQ(Dm->Name(), "DM");
    EXPECT_EQ(Dm->FileTables(), (std::vector<TMemData*>{Dm->Adresa, Dm->Fronta, Dm->FrontObj, Dm->Historie, Dm->Zprava,
                                                         Dm->Skupiny, Dm->Staty, Dm->Notif}));
}

TEST_F(TDMTest, FieldsCarryTheirLabelsAlignmentAndDisplayTexts) {
    EXPECT_EQ(Dm->StatyJmeno->DisplayLabel(), "Název státu");
    EXPECT_EQ(Dm->StatyPredcisli->DisplayLabel(), "Předčíslí");
    EXPECT_EQ(Dm->StatyPredcisli->Alignment(), taRightJustify);
    EXPECT_EQ(Dm->HistorieLogo->Tag(), 1);
    Dm->Historie->Append();
    Dm->HistorieStav->SetAsBoolean(true);
    EXPECT_EQ(Dm->HistorieStav->DisplayText(), "Odesláno");
    Dm->HistorieStav->SetAsBoolean(false);
    EXPECT_EQ(Dm->HistorieStav->DisplayText(), "Chyba");
    Dm->Historie->Cancel();
}

TEST_F(TDMTest, EachFileTableStoresToItsFileAndRestoresTheSameRows) {
    TDateTime when = EncodeDate(2026, 12, 8) + EncodeTime(21, 5, 0, 0);
    AddContact(3, "Černý", "1;12;", true);
    AddContact(4, "Adam");
    for (TMemData* queue : {Dm->Fronta, Dm->FrontObj}) {
        for (int i = 0; i < 2; ++i) {
            queue->Append();
            queue->FieldByName("Jmeno")->SetAsString("Černý");
            queue->FieldByName("Cislo")->SetAsString("00420603123456");
            queue->FieldByName("Zprava")->SetAsString("Ahoj, jak se máš? Dlouho jsme se neviděli.\r\nPá");
            queue->FieldByName("Napsano")->SetAsDateTime(when - i);
            queue->FieldByName("Poslat")->SetAsDateTime(when + 1);
            queue->FieldByName("Vybrany")->SetAsBoolean(i == 0);
            queue->FieldByName("Potvrdit")->SetAsString("a@b.cz");
            queue->FieldByName("Melodie")->SetAsString("x:d=4,o=5,b=63:8e5");
            queue->FieldByName("Logo")->SetAsString(std::string("BM\0\x01\x02", 5));
            queue->FieldByName("Typ")->SetAsString("logo");
            queue->FieldByName("Nazev")->SetAsString("Srdce");
            queue->FieldByName("Pocet")->SetAsInteger(2 + i);
            queue->Post();
        }
    }
    Dm->Historie->AppendRecord({Variant(), "Eva", "00421900111222", "Text", when, when, true, "", "", "", "text", ""});
    Dm->Historie->AppendRecord({Variant(), "Jan", "00420777000111", "Jiný", when - 2, Variant(), false, "", "", "", "text", ""});
    Dm->Zprava->AppendRecord({Variant(), "Pozdrav", "Dobrý den,", "Ctrl+1"});
    Dm->Zprava->AppendRecord({Variant(), "Konec", "S pozdravem", ""});
    AddGroup(0, "Všichni", 0);
    AddGroup(12, "Práce", 1);
    Dm->Staty->AppendRecord({Variant(), "Czech rep", "420", "6########;7########", "ěščřžýáíéůú", "escrzyaieuu"});
    Dm->Staty->AppendRecord({Variant(), "Slovakia", "421", "9########", "ľščťžýáíéäô", "lsctzyaieao"});
    Dm->Notif->AppendRecord({Variant(), "n2026", "Údržba centra", when, when + 7});

    std::vector<std::vector<std::vector<AnsiString>>> before;
    for (TMemData* t : Dm->FileTables()) {
        before.push_back(Rows(t));
        t->StoreToFile(OutputFile((t->Name() + ".dat").c_str()));
    }
    auto loaded = std::make_unique<TDM>(nullptr);
    for (std::size_t i = 0; i < loaded->FileTables().size(); ++i) {
        TMemData* t = loaded->FileTables()[i];
        SCOPED_TRACE(t->Name());
        t->RestoreFromFile(OutputFile((t->Name() + ".dat").c_str()));
        EXPECT_TRUE(t->Active());
        EXPECT_FALSE(before[i].empty());
        EXPECT_EQ(Rows(t), before[i]);
    }
    EXPECT_EQ(loaded->NextContactID(), 5);
    EXPECT_EQ(loaded->NextGroupID(), 13);
    EXPECT_EQ(loaded->NextGroupOrder(), 2);
}

TEST_F(TDMTest, NextContactIdIsTheLargestPlusOneAndLeavesTheTableAsItWas) {
    EXPECT_EQ(Dm->NextContactID(), 1) << "empty contact table";
    AddContact(3, "Cyril");
    AddContact(7, "Adam");
    AddContact(5, "Bára");
    ASSERT_TRUE(Dm->Adresa->Locate("Jmeno", Variant("Bára"), {}));
    EXPECT_EQ(Dm->NextContactID(), 8);
    EXPECT_EQ(Dm->Adresa->SortedField(), "Jmeno");
    EXPECT_EQ(Dm->AdresaJmeno->AsString(), "Bára") << "the current contact stays";
    EXPECT_EQ(Column(Dm->Adresa, Dm->AdresaJmeno), (std::vector<AnsiString>{"Adam", "Bára", "Cyril"}));

    // Sorted descending by ID, the last row holds the smallest ID; the
    // helper still gives the largest + 1.
    Dm->Adresa->SetSortedField("ID");
    Dm->Adresa->SetSortOptions(TMemSortOptions{soDesc});
    EXPECT_EQ(Dm->NextContactID(), 8);
    Dm->Adresa->SetSortOptions({});
    Dm->Adresa->SetSortedField("Jmeno");

    // A contact being inserted is neither posted nor lost.
    Dm->Adresa->Append();
    Dm->AdresaJmeno->SetAsString("Nový");
    Integer id = Dm->NextContactID();
    EXPECT_EQ(id, 8);
    EXPECT_EQ(Dm->Adresa->State(), dsInsert);
    Dm->AdresaID->SetAsInteger(id);
    Dm->Adresa->Post();
    EXPECT_EQ(Dm->NextContactID(), 9);

    // The IDs live in the file: a restored table goes on from them.
    Dm->Adresa->StoreToFile(OutputFile("AdresaIds.dat"));
    auto loaded = std::make_unique<TDM>(nullptr);
    loaded->Adresa->RestoreFromFile(OutputFile("AdresaIds.dat"));
    EXPECT_EQ(loaded->NextContactID(), 9);
}

TEST_F(TDMTest, NextContactIdFailsForAClosedTableOrWhenNoLargerIdExists) {
    AddContact(INT_MAX, "Max");
    EXPECT_EQ(Dm->NextContactID(), -1) << "no successor of the largest integer";
    Dm->Adresa->Close();
    EXPECT_EQ(Dm->NextContactID(), -1);
    EXPECT_EQ(Dm->NextGroupID(), 1);
    Dm->Skupiny->Close();
    EXPECT_EQ(Dm->NextGroupID(), -1);
    EXPECT_EQ(Dm->NextGroupOrder(), -1);
}

TEST_F(TDMTest, GroupHelpersGiveNextIdAndOrderWithoutTouchingTheContacts) {
    AddContact(1, "Cyril");
    AddContact(2, "Adam");
    AddGroup(0, "Všichni", 0);
    AddGroup(9, "Rodina", 2);
    AddGroup(4, "Práce", 5);
    EXPECT_EQ(Dm->NextGroupID(), 10);
    EXPECT_EQ(Dm->NextGroupOrder(), 6);
    EXPECT_EQ(Dm->Skupiny->SortedField(), "Poradi");
    EXPECT_EQ(Dm->Adresa->SortedField(), "Jmeno");
    EXPECT_EQ(Column(Dm->Adresa, Dm->AdresaJmeno), (std::vector<AnsiString>{"Adam", "Cyril"}));
}

TEST_F(TDMTest, RenumberGroupsNumbersInTableOrderAndSortsByOrderAgain) {
    AddGroup(0, "Všichni", 3);
    AddGroup(7, "Rodina", 10);
    AddGroup(2, "Práce", 40);
    Dm->RenumberGroups();
    EXPECT_EQ(Dm->Skupiny->SortedField(), "Poradi");
    EXPECT_FALSE(Dm->Skupiny->ControlsDisabled());
    EXPECT_EQ(Column(Dm->Skupiny, Dm->SkupinyJmeno), (std::vector<AnsiString>{"Všichni", "Rodina", "Práce"}));
    EXPECT_EQ(Column(Dm->Skupiny, Dm->SkupinyPoradi), (std::vector<AnsiString>{"0", "1", "2"}));
    EXPECT_EQ(Dm->NextGroupOrder(), 3);
}

TEST_F(TDMTest, RenumberGroupsThatFailsLeavesTheGroupsUsable) {
    AddGroup(0, "Všichni", 0);
    AddGroup(1, "Rodina", 1);
    Dm->Skupiny->SetReadOnly(true);
    EXPECT_THROW(Dm->RenumberGroups(), EDatabaseError);
    EXPECT_EQ(Dm->Skupiny->State(), dsBrowse);
    EXPECT_EQ(Dm->Skupiny->SortedField(), "Poradi");
    EXPECT_FALSE(Dm->Skupiny->ControlsDisabled());
}

TEST_F(TDMTest, BulkUpdateDisablesControlsOnceAndEndEnablesThem) {
    Dm->BeginBulkUpdate(true);
    EXPECT_TRUE(Dm->Adresa->ControlsDisabled());
    EXPECT_TRUE(Dm->BulkMarker());
    Dm->BeginBulkUpdate(false);  // already disabled: nothing
    Dm->EndBulkUpdate(false);
    EXPECT_FALSE(Dm->Adresa->ControlsDisabled());
    EXPECT_TRUE(Dm->BulkMarker()) << "the marker is cleared only when asked";
    Dm->EndBulkUpdate(true);  // controls not disabled: nothing
    EXPECT_TRUE(Dm->BulkMarker());
    Dm->BeginBulkUpdate(false);
    EXPECT_TRUE(Dm->Adresa->ControlsDisabled());
    Dm->EndBulkUpdate(true);
    EXPECT_FALSE(Dm->BulkMarker());
}

TEST_F(TDMTest, InSingleRecipientModePostingLeavesExactlyThatContactTicked) {
    Dm->SetMainWindow(&Main);
    Dm->BeginBulkUpdate(true);
    AddContact(1, "Adam", "", true);
    AddContact(2, "Bára", "", true);
    AddContact(3, "Cyril", "", false);
    Dm->EndBulkUpdate(true);
    EXPECT_EQ(Ticked(), std::vector<AnsiString>{"Cyril"});
    ASSERT_TRUE(Dm->Adresa->Locate("Jmeno", Variant("Adam"), {}));
    Dm->Adresa->Edit();
    Dm->AdresaPodpis->SetAsString("A.");
    Dm->AdresaVybrany->SetAsBoolean(false);
    Dm->Adresa->Post();
    EXPECT_EQ(Ticked(), std::vector<AnsiString>{"Adam"});
    EXPECT_EQ(Main.Summaries, 0) << "the summary belongs to multi-recipient mode";
}

TEST_F(TDMTest, InMultiRecipientModePostKeepsTicksAndRefreshesTheSummary) {
    Main.Several = true;
    Dm->SetMainWindow(&Main);
    AddContact(1, "Adam", "", true);
    AddContact(2, "Bára", "", true);
    AddContact(3, "Cyril", "", false);
    EXPECT_EQ(Ticked(), (std::vector<AnsiString>{"Adam", "Bára"}));
    EXPECT_EQ(Main.Summaries, 3);
    Dm->Adresa->Delete();
    EXPECT_EQ(Main.Summaries, 4);
}

TEST_F(TDMTest, ScrollingMakesTheContactTheRecipientInSingleRecipientMode) {
    Dm->SetMainWindow(&Main);
    Dm->BeginBulkUpdate(true);
    AddContact(1, "Adam");
    AddContact(2, "Bára");
    AddContact(3, "Cyril");
    Dm->Adresa->First();
    Dm->EndBulkUpdate(true);
    Main.Shown = 0;
    Dm->Adresa->Next();
    EXPECT_EQ(Dm->AdresaJmeno->AsString(), "Bára");
    EXPECT_EQ(Main.Shown, 1);
    EXPECT_EQ(Dm->Adresa->State(), dsBrowse);
    EXPECT_EQ(Ticked(), std::vector<AnsiString>{"Bára"});

    // With the marker set nothing happens.
    Dm->SetBulkMarker(true);
    Main.Shown = 0;
    Dm->Adresa->Next();
    EXPECT_EQ(Main.Shown, 0);
    EXPECT_EQ(Ticked(), std::vector<AnsiString>{"Bára"});
    Dm->SetBulkMarker(false);

    // In multi-recipient mode the contact is shown but not ticked.
    Main.Several = true;
    Dm->Adresa->First();
    EXPECT_EQ(Main.Shown, 1);
    EXPECT_EQ(Ticked(), std::vector<AnsiString>{"Bára"});
}

TEST_F(TDMTest, ScrollErrorsAreIgnoredAndLeaveNoEditOpen) {
    Dm->SetMainWindow(&Main);
    Dm->BeginBulkUpdate(true);
    AddContact(1, "Adam");
    AddContact(2, "Bára");
    Dm->Adresa->First();
    Dm->EndBulkUpdate(true);
    Main.ThrowOnShow = true;
    EXPECT_NO_THROW(Dm->Adresa->Next());
    EXPECT_EQ(Dm->Adresa->State(), dsBrowse);
    Main.ThrowOnShow = false;
    Dm->Adresa->SetReadOnly(true);
    EXPECT_NO_THROW(Dm->Adresa->First());
    EXPECT_EQ(Dm->Adresa->State(), dsBrowse);
}

TEST_F(TDMTest, GroupFilterShowsTheContactsOfTheCurrentGroupOnlyWhileSet) {
    Dm->BeginBulkUpdate(true);
    AddContact(1, "Adam", "1;12;");
    AddContact(2, "Bára", "12;");
    AddContact(3, "Cyril", "");
    AddContact(4, "Dana", "21;");
    Dm->EndBulkUpdate(true);
    AddGroup(0, "Všichni", 0);
    AddGroup(1, "Rodina", 1);
    AddGroup(2, "Práce", 2);
    AddGroup(12, "Sport", 3);
    auto shown = [&](Integer group) {
        EXPECT_TRUE(Dm->Skupiny->Locate("ID", Variant(group), {}));
        Dm->SetBulkMarker(true);
        Dm->SetGroupFilter(true);
        Dm->Adresa->RebuildFilterList();
        Dm->SetGroupFilter(false);
        std::vector<AnsiString> names = Column(Dm->Adresa, Dm->AdresaJmeno);
        Dm->SetBulkMarker(false);
        return names;
    };
    EXPECT_EQ(shown(1), std::vector<AnsiString>{"Adam"});
    EXPECT_EQ(shown(12), (std::vector<AnsiString>{"Adam", "Bára"}));
    EXPECT_EQ(shown(2), std::vector<AnsiString>{}) << "\"21\" and \"12\" are not group 2";
    EXPECT_EQ(shown(0), (std::vector<AnsiString>{"Adam", "Bára", "Cyril", "Dana"}));
    shown(1);
    Dm->Adresa->RebuildFilterList();  // flag clear: every contact again
    EXPECT_EQ(Dm->Adresa->RecordCount(), 4);
    EXPECT_FALSE(Dm->Adresa->Filtered());
}

TEST_F(TDMTest, QueuePreviewIsTheFirstTwentyCharactersOfTheText) {
    Dm->Fronta->Append();
    Dm->FrontaZprava->SetAsString("Ahoj, jak se máš? Dlouho jsme se neviděli.");
    Dm->FrontaNapsano->SetAsDateTime(1000);
    Dm->Fronta->Post();
    EXPECT_EQ(Dm->FrontaNahled->AsString(), "Ahoj, jak se máš? Dl") << "a posted row has its preview at once";
    Dm->Fronta->Edit();
    Dm->FrontaZprava->SetAsString("Krátce");
    Dm->Fronta->Post();
    EXPECT_EQ(Dm->FrontaNahled->AsString(), "Krátce");
    Dm->Fronta->Refresh();
    EXPECT_EQ(Dm->FrontaNahled->AsString(), "Krátce");
    auto loaded = std::make_unique<TDM>(nullptr);
    loaded->Fronta->RestoreFromBytes(Dm->Fronta->StoreToBytes());
    EXPECT_EQ(loaded->FrontaNahled->AsString(), "Krátce") << "the preview is saved with the row";
}

TEST_F(TDMTest, DestroyingTheModuleClearsTheGlobalInstance) {
    DM = Dm.get();
    Dm.reset();
    EXPECT_EQ(DM, nullptr);
    Dm = std::make_unique<TDM>(nullptr);
}
