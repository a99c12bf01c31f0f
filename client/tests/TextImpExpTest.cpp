#include "client/TextImpExp.h"

#include <stdexcept>

#include "client/tests/ClientFixture.h"
#include "fuzz/client/FuzzTextImport.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/StdCtrls.h"

namespace {

class TTextImpExpTest : public TDataWindowTest {
protected:
    void AddHistory(const AnsiString& Name, const AnsiString& Text, TDateTime Written, bool Sent,
                    const AnsiString& Melody = "", const AnsiString& Title = "") {
        Dm->Historie->Append();
        Dm->HistorieJmeno->SetAsString(Name);
        Dm->HistorieCislo->SetAsString("00420777000111");
        Dm->HistorieZprava->SetAsString(Text);
        Dm->HistorieNapsano->SetAsDateTime(Written);
        if (Sent) Dm->HistoriePoslano->SetAsDateTime(Written + EncodeTime(0, 1, 30, 0));
        Dm->HistorieStav->SetAsBoolean(Sent);
        Dm->HistorieMelodie->SetAsString(Melody);
        Dm->HistorieLogo->SetAsString("BM-picture");
        Dm->HistorieTyp->SetAsString("text");
        Dm->HistorieNazev->SetAsString(Title);
        Dm->Historie->Post();
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
    auto before = Rows(Dm->Historie);
    const AnsiString file = Folder + "historie.txt";

    TModalAnswerer answers;
    ExportText(Dm->Historie, file, false, ';');
    // Plain values as they stand, the picture left out; quotes only where
    // a value would break the line.
    EXPECT_EQ("Jan Novák;00420777000111;Ahoj;8.12.2026 21:05:00;8.12.2026 21:06:30;Odesláno;;;text;\r\n"
              "Eva;00420777000111;\"Cena; sleva\r\nDruhý řádek\";9.12.2026 8:00:00;;Chyba;;\"\"\"Tón\"\":d=4\";text;"
              "\"x;y\"\r\n",
              ReadFileBytes(file));

    Dm->Historie->Close();
    Dm->Historie->Open();
    ImportText(Dm->Historie, file, -1, nullptr, ';', nullptr);
    EXPECT_TRUE(answers.Seen().empty());
    auto after = Rows(Dm->Historie);
    ASSERT_EQ(before.size(), after.size());
    for (auto& row : before) row[8] = "";  // the picture does not travel
    EXPECT_EQ(before, after);
    EXPECT_EQ("Napsano", Dm->Historie->SortedField());
}

TEST_F(TTextImpExpTest, AddressBookImportSkipsKnownNamesNumbersNewOnesChecksNumbersAndJoinsTheGroup) {
    AddGroup(1, "Práce", 0);
    AddMember(3, "Známý");
    AddMember(7, "Skrytý", "2;");
    AddMember(4, "Člen", "1;");
    // The main window shows group 1: the other contacts are filtered out.
    Dm->SetGroupFilter(true);
    Dm->Adresa->RebuildFilterList();
    Dm->SetGroupFilter(false);
    ASSERT_EQ(1, Dm->Adresa->RecordCount());

    TStringList lines;
    lines.Add("Nový;+420 603 111 222;\"9;\";Ahoj;Jan;True;navíc;další");
    lines.Add("Skrytý;00420603000999");
    lines.Add("Bez čísla;");
    lines.Add("Krátké;603 111 333");
    lines.Add("Špatné;12");
    TFakePhones phones;
    TModalAnswerer answers;
    answers.Act([](TForm* Form) {
        EXPECT_TRUE(Holds(DialogText(Form), "nesplňují pravidla"));
        Form->SetModalResult(mrOk);
    });
    ImportText(Dm->Adresa, "", 5, &lines, ';', &phones);
    EXPECT_TRUE(answers.Unexpected().empty());
    EXPECT_EQ(0, answers.Pending());

    EXPECT_EQ("Jmeno", Dm->Adresa->SortedField());
    EXPECT_EQ((std::vector<AnsiString>{"Člen", "Krátké", "Nový", "Skrytý", "Špatné", "Známý"}),
              Column(Dm->Adresa, Dm->AdresaJmeno));
    EXPECT_EQ("8", ContactValue("Nový", Dm->AdresaID));
    EXPECT_EQ("00420603111222", ContactValue("Nový", Dm->AdresaCislo));
    EXPECT_EQ("9;5;", GroupsOf("Nový"));
    EXPECT_EQ("Ahoj", ContactValue("Nový", Dm->AdresaOsloveni));
    EXPECT_EQ("Jan", ContactValue("Nový", Dm->AdresaPodpis));
    EXPECT_EQ("00420603111333", ContactValue("Krátké", Dm->AdresaCislo));
    EXPECT_EQ("5;", GroupsOf("Krátké"));
    EXPECT_EQ("12", ContactValue("Špatné", Dm->AdresaCislo));
    EXPECT_EQ("2;", GroupsOf("Skrytý"));

    // What was exported comes back as names already there: nothing is added.
    const AnsiString file = Folder + "adresar.txt";
    WriteTextExport(Dm->Adresa, file, false, ';');
    const TTextImportResult again = ImportTextRows(Dm->Adresa, file, -1, nullptr, ';', &phones);
    EXPECT_EQ(0, again.Rows);
    EXPECT_TRUE(again.BadLines.empty());
    EXPECT_EQ(6, Dm->Adresa->RecordCount());
}

TEST_F(TTextImpExpTest, NamesLongerThanTheColumnAreFoundAsStoredSoAnImportRunAgainAddsNothing) {
    // 63 and 60 characters, 50 kept.
    const AnsiString file = Folder + "dlouhe.txt";
    WriteFileAtomic(file,
                    "\"Čermák \"\"Čert\"\"; Stavební firma Čermák a synové, Žďár nad Sázavou\";00420603111222;;;;False\r\n"
                    "Žluťoučký kůň úpěl ďábelské ódy a pak ještě dlouho přemýšlel;00420603111333\r\n");
    TFakePhones phones;
    EXPECT_EQ(2, ImportTextRows(Dm->Adresa, file, -1, nullptr, ';', &phones).Rows);
    EXPECT_EQ((std::vector<AnsiString>{"Čermák \"Čert\"; Stavební firma Čermák a synové, Žďá",
                                       "Žluťoučký kůň úpěl ďábelské ódy a pak ještě dlouho"}),
              Column(Dm->Adresa, Dm->AdresaJmeno));

    const TTextImportResult again = ImportTextRows(Dm->Adresa, file, 5, nullptr, ';', &phones);
    EXPECT_EQ(0, again.Rows);
    EXPECT_TRUE(again.BadLines.empty());
    EXPECT_EQ(2, Dm->Adresa->RecordCount());
    EXPECT_EQ("", GroupsOf("Žluťoučký kůň úpěl ďábelské ódy a pak ještě dlouho"));
    // A skipped line takes no contact number.
    TStringList lines;
    lines.Add("Žluťoučký kůň úpěl ďábelské ódy a pak ještě dlouho přemýšlel;00420603111333");
    lines.Add("Nová;00420603111444");
    ImportTextRows(Dm->Adresa, "", -1, &lines, ';', &phones);
    EXPECT_EQ("3", ContactValue("Nová", Dm->AdresaID));
}

TEST_F(TTextImpExpTest, AnOlderFilesValueBeginningWithAQuoteKeepsTheLinesAfterIt) {
    // No quoting in an older file: the first name opens a quote that the
    // third one seems to close.
    const AnsiString book = Folder + "stary-adresar.txt";
    WriteFileAtomic(book,
                    "\"Honza Novák;00420603000001;;;;False\r\n"
                    "Eva Malá;00420603000002;;;;False\r\n"
                    "Servis TV 55\";00420603000003;;;;False\r\n"
                    "Žofie;00420603000004;;;;False\r\n");
    TFakePhones phones;
    TModalAnswerer answers;
    ImportText(Dm->Adresa, book, -1, nullptr, ';', &phones);
    EXPECT_TRUE(answers.Seen().empty());
    EXPECT_EQ((std::vector<AnsiString>{"\"Honza Novák", "Eva Malá", "Servis TV 55\"", "Žofie"}),
              Column(Dm->Adresa, Dm->AdresaJmeno));
    EXPECT_EQ("00420603000001", ContactValue("\"Honza Novák", Dm->AdresaCislo));

    // A history damaged in the middle (a message that lost its closing
    // quote, a title ending in an inch mark) and cut after its last record:
    // the messages that do run over lines still come back whole.
    const AnsiString history = Folder + "poskozena-historie.txt";
    WriteFileAtomic(history,
                    "A;1;\"Dva\r\nřádky\";1.1.2026 10:00:00;;Odesláno;;;text;\r\n"
                    "B;2;\"Začátek bez konce;2.1.2026 10:00:00;;Odesláno;;;text;\r\n"
                    "C;3;Ahoj;3.1.2026 10:00:00;;Chyba;;;text;\r\n"
                    "D;4;Prodám;4.1.2026 10:00:00;;Odesláno;;;text;Monitor 24\"\r\n"
                    "E;5;\"Poslední\r\nzpráva\";5.1.2026 10:00:00;;Odesláno;;;text;");
    ImportText(Dm->Historie, history, -1, nullptr, ';', nullptr);
    EXPECT_TRUE(answers.Seen().empty());
    EXPECT_EQ((std::vector<AnsiString>{"A", "B", "C", "D", "E"}), Column(Dm->Historie, Dm->HistorieJmeno));
    EXPECT_EQ((std::vector<AnsiString>{"Dva\r\nřádky", "\"Začátek bez konce", "Ahoj", "Prodám", "Poslední\r\nzpráva"}),
              Column(Dm->Historie, Dm->HistorieZprava));
    EXPECT_EQ((std::vector<AnsiString>{"", "", "", "Monitor 24\"", ""}), Column(Dm->Historie, Dm->HistorieNazev));
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
        EXPECT_TRUE(Holds(DialogText(Form), "Čísla řádků: 3.")) << DialogText(Form);
        Form->SetModalResult(mrOk);
    });
    ImportText(Dm->Historie, file, -1, nullptr, ';', nullptr);
    EXPECT_EQ(0, answers.Pending());
    EXPECT_EQ((std::vector<AnsiString>{"A", "C;D", "E"}), Column(Dm->Historie, Dm->HistorieJmeno));
    EXPECT_EQ((std::vector<AnsiString>{"víc\r\nřádků", "\"q\"", "\"neukončená"}),
              Column(Dm->Historie, Dm->HistorieZprava));
    EXPECT_EQ((std::vector<AnsiString>{"Odesláno", "", ""}), Column(Dm->Historie, Dm->HistorieStav));
}

TEST_F(TTextImpExpTest, CleanUpRunsWhenTheImportFailsAndKeepsWhatWasImported) {
    AddMember(1, "Adam");
    int inserts = 0;
    Dm->Adresa->BeforeInsert = [&](TDataSet*) { ++inserts; };
    struct TFailingPhones : TFakePhones {
        bool ValidatePhoneNumber(AnsiString& Number, bool ShowMessages) override {
            if (Number == "00420603999999") throw std::runtime_error("the country table is gone");
            return TFakePhones::ValidatePhoneNumber(Number, ShowMessages);
        }
    } phones;
    TStringList lines;
    lines.Add("Zuzana;00420603111222");
    lines.Add("Boris;00420603999999");
    EXPECT_THROW(ImportTextRows(Dm->Adresa, "", -1, &lines, ';', &phones), std::runtime_error);
    EXPECT_EQ(0, inserts);
    EXPECT_EQ(dsBrowse, Dm->Adresa->State());
    EXPECT_FALSE(Dm->Adresa->ControlsDisabled());
    EXPECT_EQ("Jmeno", Dm->Adresa->SortedField());
    EXPECT_EQ((std::vector<AnsiString>{"Adam", "Zuzana"}), Column(Dm->Adresa, Dm->AdresaJmeno));
    Dm->Adresa->Append();
    EXPECT_EQ(1, inserts) << "the insert handler is back";
    Dm->Adresa->Cancel();
}

TEST_F(TTextImpExpTest, FilesThatCannotBeReadOrWrittenAreNamedToTheUser) {
    AddMember(1, "Adam");
    TFakePhones phones;
    TModalAnswerer answers;
    answers.Act([](TForm* Form) {
        EXPECT_TRUE(Holds(DialogText(Form), "Nepodařilo se přečíst soubor: ")) << DialogText(Form);
        EXPECT_TRUE(Holds(DialogText(Form), "chybi.txt"));
        Form->SetModalResult(mrOk);
    });
    answers.Act([](TForm* Form) {
        EXPECT_TRUE(Holds(DialogText(Form), "Nepodařilo se zapsat soubor: ")) << DialogText(Form);
        Form->SetModalResult(mrOk);
    });
    ImportText(Dm->Adresa, Folder + "chybi.txt", -1, nullptr, ';', &phones);
    ExportText(Dm->Adresa, Folder + "neni/slozka.txt", false, ';');
    EXPECT_EQ(0, answers.Pending());
    EXPECT_EQ(1, Dm->Adresa->RecordCount());
    EXPECT_EQ(dsBrowse, Dm->Adresa->State());
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
