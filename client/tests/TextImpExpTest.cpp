#include "client/TextImpExp.h"

#include <stdexcept>

#include "client/tests/ClientFixture.h"
#include "fuzz/client/FuzzTextImport.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/StdCtrls.h"

namespace {

class TTextImpExpTest : public TClientTest {
protected:
    void AddHistory(const AnsiString& Name, const AnsiString& Text, TDateTime Written, bool Sent,
                    const AnsiString& Melody = "", const AnsiString& Title = "") {
        Data->Historie->Append();
        Data->HistorieJmeno->SetAsString(Name);
        Data->HistorieCislo->SetAsString("00420777000111");
        Data->HistorieZprava->SetAsString(Text);
        Data->HistorieNapsano->SetAsDateTime(Written);
        if (Sent) Data->HistoriePoslano->SetAsDateTime(Written + EncodeTime(0, 1, 30, 0));
        Data->HistorieStav->SetAsBoolean(Sent);
        Data->HistorieMelodie->SetAsString(Melody);
        Data->HistorieLogo->SetAsString("BM-picture");
        Data->HistorieTyp->SetAsString("text");
        Data->HistorieNazev->SetAsString(Title);
        Data->Historie->Post();
    }
    std::vector<std::vector<AnsiString>> Rows(TMemData* Table) {
        std::vector<std::vector<AnsiString>> rows;
        for (Table->First(); !Table->Eof(); Table->Next()) {
            rows.emplace_back();
            for (int i = 1; i < Table->FieldCount(); ++i) rows.back().push_back(Table->Fields()[i]->AsString());
        }
        return rows;
    }
};

bool Holds(const AnsiString& Text, const AnsiString& Part) { return Text.find(Part) != AnsiString::npos; }

}  // namespace

TEST(TTextRecordReaderTest, QuotedValuesSpanLinesAndValuesOfOlderFilesComeAsTheyStand) {
    const AnsiString text = "a\rb\r\n\"c\r\nd\";\"e\"\"f\"\n\"g\"h;\"i\n\n\"j";
    TTextRecordReader reader(text, ';');
    std::vector<TTextRecord> records;
    for (TTextRecord r; reader.Next(r);) records.push_back(r);
    ASSERT_EQ(6u, records.size());
    EXPECT_EQ((std::vector<AnsiString>{"a"}), records[0].Values);
    EXPECT_EQ(2, records[1].Line);
    EXPECT_EQ(3, records[2].Line);
    EXPECT_EQ((std::vector<AnsiString>{"c\r\nd", "e\"f"}), records[2].Values);
    // A quote that does not close the value, or never closes, is text.
    EXPECT_EQ(5, records[3].Line);
    EXPECT_EQ((std::vector<AnsiString>{"\"g\"h", "\"i"}), records[3].Values);
    EXPECT_EQ((std::vector<AnsiString>{""}), records[4].Values);
    EXPECT_EQ(7, records[5].Line);
    EXPECT_EQ((std::vector<AnsiString>{"\"j"}), records[5].Values);
}

TEST_F(TTextImpExpTest, HistoryGoesOutLineByLineAndComesBackWholeWithSeparatorsLineBreaksAndQuotes) {
    const TDateTime first = EncodeDate(2026, 12, 8) + EncodeTime(21, 5, 0, 0);
    const TDateTime second = EncodeDate(2026, 12, 9) + EncodeTime(8, 0, 0, 0);
    AddHistory("Eva", "Cena; sleva\r\nDruhý řádek", second, false, "\"Tón\":d=4", "x;y");
    AddHistory("Jan Novák", "Ahoj", first, true);
    auto before = Rows(Data->Historie);
    const AnsiString file = Folder + "historie.txt";

    TModalAnswerer answers;
    ExportText(Data->Historie, file, false, ';');
    // Plain values as they stand, the picture left out; quotes only where
    // a value would break the line.
    EXPECT_EQ("Jan Novák;00420777000111;Ahoj;8.12.2026 21:05:00;8.12.2026 21:06:30;Odesláno;;;text;\r\n"
              "Eva;00420777000111;\"Cena; sleva\r\nDruhý řádek\";9.12.2026 8:00:00;;Chyba;;\"\"\"Tón\"\":d=4\";text;"
              "\"x;y\"\r\n",
              ReadFileBytes(file));

    Data->Historie->Close();
    Data->Historie->Open();
    ImportText(Data->Historie, file, -1, nullptr, ';', nullptr);
    EXPECT_TRUE(answers.Seen().empty());
    auto after = Rows(Data->Historie);
    ASSERT_EQ(before.size(), after.size());
    for (auto& row : before) row[8] = "";  // the picture does not travel
    EXPECT_EQ(before, after);
    EXPECT_EQ("Napsano", Data->Historie->SortedField());
}

TEST_F(TTextImpExpTest, AddressBookImportSkipsKnownNamesNumbersNewOnesChecksNumbersAndJoinsTheGroup) {
    AddGroup(1, "Práce", 0);
    AddContact(3, "Známý");
    AddContact(7, "Skrytý", "2;");
    AddContact(4, "Člen", "1;");
    // The main window shows group 1: the other contacts are filtered out.
    Data->SetGroupFilter(true);
    Data->Adresa->RebuildFilterList();
    Data->SetGroupFilter(false);
    ASSERT_EQ(1, Data->Adresa->RecordCount());

    TStringList lines;
    lines.Add("Nový;+420 603 111 222;\"9;\";Ahoj;Jan;True;navíc;další");
    lines.Add("Skrytý;00420603000999");
    lines.Add("Bez čísla;");
    lines.Add("Krátké;603 111 333");
    lines.Add("Špatné;12");
    TFakePhones phones;
    TModalAnswerer answers;
    answers.Act([](TForm* Form) {
        EXPECT_TRUE(Holds(MessageOf(Form), "nesplňují pravidla"));
        Form->SetModalResult(mrOk);
    });
    ImportText(Data->Adresa, "", 5, &lines, ';', &phones);
    EXPECT_TRUE(answers.Unexpected().empty());
    EXPECT_EQ(0, answers.Pending());

    EXPECT_EQ("Jmeno", Data->Adresa->SortedField());
    EXPECT_EQ((std::vector<AnsiString>{"Člen", "Krátké", "Nový", "Skrytý", "Špatné", "Známý"}),
              Column(Data->Adresa, Data->AdresaJmeno));
    EXPECT_EQ("8", ContactValue("Nový", Data->AdresaID));
    EXPECT_EQ("00420603111222", ContactValue("Nový", Data->AdresaCislo));
    EXPECT_EQ("9;5;", GroupsOf("Nový"));
    EXPECT_EQ("Ahoj", ContactValue("Nový", Data->AdresaOsloveni));
    EXPECT_EQ("Jan", ContactValue("Nový", Data->AdresaPodpis));
    EXPECT_EQ("00420603111333", ContactValue("Krátké", Data->AdresaCislo));
    EXPECT_EQ("5;", GroupsOf("Krátké"));
    EXPECT_EQ("12", ContactValue("Špatné", Data->AdresaCislo));
    EXPECT_EQ("2;", GroupsOf("Skrytý"));

    // What was exported comes back as names already there: nothing is added.
    const AnsiString file = Folder + "adresar.txt";
    WriteTextExport(Data->Adresa, file, false, ';');
    const TTextImportResult again = ImportTextRows(Data->Adresa, file, -1, nullptr, ';', &phones);
    EXPECT_EQ(0, again.Rows);
    EXPECT_TRUE(again.BadLines.empty());
    EXPECT_EQ(6, Data->Adresa->RecordCount());
}

TEST_F(TTextImpExpTest, ARefusedLineIsReportedByNumberAndEveryOtherLineIsImported) {
    const AnsiString file = Folder + "poskozeny.txt";
    WriteFileAtomic(file,
                    "A;1;\"víc\r\nřádků\";1.1.2026 10:00:00;;Odesláno;;;text;\r\n"
                    "B;2;x;není datum;;Chyba;;;text;\r\n"
                    "\"C;D\";3;\"\"\"q\"\"\";2.1.2026 10:00:00\r\n"
                    "E;4;\"neukončená;3.1.2026 10:00:00\r\n");
    TModalAnswerer answers;
    answers.Act([](TForm* Form) {
        EXPECT_TRUE(Holds(MessageOf(Form), "Čísla řádků: 3.")) << MessageOf(Form);
        Form->SetModalResult(mrOk);
    });
    ImportText(Data->Historie, file, -1, nullptr, ';', nullptr);
    EXPECT_EQ(0, answers.Pending());
    EXPECT_EQ((std::vector<AnsiString>{"A", "C;D", "E"}), Column(Data->Historie, Data->HistorieJmeno));
    EXPECT_EQ((std::vector<AnsiString>{"víc\r\nřádků", "\"q\"", "\"neukončená"}),
              Column(Data->Historie, Data->HistorieZprava));
    EXPECT_EQ((std::vector<AnsiString>{"Odesláno", "", ""}), Column(Data->Historie, Data->HistorieStav));
}

TEST_F(TTextImpExpTest, CleanUpRunsWhenTheImportFailsAndKeepsWhatWasImported) {
    AddContact(1, "Adam");
    int inserts = 0;
    Data->Adresa->BeforeInsert = [&](TDataSet*) { ++inserts; };
    struct TFailingPhones : TFakePhones {
        bool ValidatePhoneNumber(AnsiString& Number, bool ShowMessages) override {
            if (Number == "00420603999999") throw std::runtime_error("the country table is gone");
            return TFakePhones::ValidatePhoneNumber(Number, ShowMessages);
        }
    } phones;
    TStringList lines;
    lines.Add("Zuzana;00420603111222");
    lines.Add("Boris;00420603999999");
    EXPECT_THROW(ImportTextRows(Data->Adresa, "", -1, &lines, ';', &phones), std::runtime_error);
    EXPECT_EQ(0, inserts);
    EXPECT_EQ(dsBrowse, Data->Adresa->State());
    EXPECT_FALSE(Data->Adresa->ControlsDisabled());
    EXPECT_EQ("Jmeno", Data->Adresa->SortedField());
    EXPECT_EQ((std::vector<AnsiString>{"Adam", "Zuzana"}), Column(Data->Adresa, Data->AdresaJmeno));
    Data->Adresa->Append();
    EXPECT_EQ(1, inserts) << "the insert handler is back";
    Data->Adresa->Cancel();
}

TEST_F(TTextImpExpTest, FilesThatCannotBeReadOrWrittenAreNamedToTheUser) {
    AddContact(1, "Adam");
    TFakePhones phones;
    TModalAnswerer answers;
    answers.Act([](TForm* Form) {
        EXPECT_TRUE(Holds(MessageOf(Form), "Nepodařilo se přečíst soubor: ")) << MessageOf(Form);
        EXPECT_TRUE(Holds(MessageOf(Form), "chybi.txt"));
        Form->SetModalResult(mrOk);
    });
    answers.Act([](TForm* Form) {
        EXPECT_TRUE(Holds(MessageOf(Form), "Nepodařilo se zapsat soubor: ")) << MessageOf(Form);
        Form->SetModalResult(mrOk);
    });
    ImportText(Data->Adresa, Folder + "chybi.txt", -1, nullptr, ';', &phones);
    ExportText(Data->Adresa, Folder + "neni/slozka.txt", false, ';');
    EXPECT_EQ(0, answers.Pending());
    EXPECT_EQ(1, Data->Adresa->RecordCount());
    EXPECT_EQ(dsBrowse, Data->Adresa->State());
}

TEST(TTextImportFuzzInputsTest, EveryKeptInputSettlesBothTablesAndItsExportReadsBackToItself) {
    const AnsiString folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/text-import-inputs/";
    ForceDirectories(folder);
    const AnsiString kept = AnsiString(VEMLOR_TEST_DATA) + "/import/";
    const std::vector<AnsiString> inputs = ListFiles(kept, "*.txt");
    ASSERT_FALSE(inputs.empty());
    for (const AnsiString& input : inputs) {
        SCOPED_TRACE(input);
        EXPECT_EQ("", fuzz_text_import::Check(ReadFileBytes(kept + input), folder));
    }
}
