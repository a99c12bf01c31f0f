// Delimited-text export and import of a table.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/FileUtils.h"
#include "fuzz/tables/FuzzTables.h"
#include "tables/tests/TableFixture.h"

namespace {

std::string TextFolder() {
    std::filesystem::path p = std::filesystem::path(VEMLOR_TEST_OUTPUT) / "tables" / "text";
    std::filesystem::create_directories(p);
    return p.string() + "/";
}

std::string WriteText(const char* name, const std::string& text) {
    std::string path = TextFolder() + name;
    WriteFileAtomic(path, text);
    return path;
}

std::vector<AnsiString> Rows(TMemData* t) {
    std::vector<AnsiString> rows;
    for (t->First(); !t->Eof(); t->Next())
        rows.push_back(t->FieldByName("ID")->AsString() + "|" + t->FieldByName("Jmeno")->AsString() + "|" +
                       t->FieldByName("Poradi")->AsString());
    return rows;
}

}  // namespace

TEST(TMemDataTextTest, ExportWritesNamesThenEditTextsAndKeepsTheCursor) {
    auto h = MakeGroups();
    AddField<TMemoField>(h->Owner.get(), h->Table, "Pozn");
    auto* calc = AddField<TIntegerField>(h->Owner.get(), h->Table, "Dvojnasobek");
    calc->SetFieldKind(fkCalculated);
    h->Table->Open();
    AppendGroup(h->Table, 1, "Všichni", 10);
    AppendGroup(h->Table, 2, "Rodina", 20);
    h->Table->Append();
    h->Table->FieldByName("ID")->SetAsInteger(3);
    h->Table->Post();
    h->Table->SetRecNo(2);
    std::string path = TextFolder() + "export.txt";
    h->Table->ExportToTextFile(path);
    EXPECT_EQ(ReadFileBytes(path),
              "RecId\tID\tJmeno\tPoradi\r\n"
              "1\t1\tVšichni\t10\r\n"
              "2\t2\tRodina\t20\r\n"
              "3\t3\t\t\r\n");
    EXPECT_EQ(h->Table->RecNo(), 2);
    EXPECT_FALSE(h->Table->ControlsDisabled());
}

TEST(TMemDataTextTest, ExportToAnUnwritablePlaceRaisesAndAClosedTableWritesNothing) {
    auto h = MakeGroups();
    std::string path = TextFolder() + "closed.txt";
    DeleteFile(path);
    h->Table->ExportToTextFile(path);
    EXPECT_FALSE(FileExists(path));
    h->Table->Open();
    EXPECT_ANY_THROW(h->Table->ExportToTextFile(TextFolder() + "no/such/folder/x.txt"));
}

TEST(TMemDataTextTest, ImportReplacesTheRecordsMatchesColumnsByNameAndSorts) {
    auto h = MakeGroups();
    AddField<TMemoField>(h->Owner.get(), h->Table, "Pozn");
    h->Table->SetSortedField("Jmeno");
    h->Table->Open();
    AppendGroup(h->Table, 99, "Stará", 1);
    std::string path = WriteText("import.txt",
                                 "Poradi\tNeznamy\tJmeno\tPozn\tID\r\n"
                                 "5\tx\tZdeněk\tmemo\t1\r\n"
                                 "\t\tAdam\t\t2\textra\tvalues\r\n"
                                 "7\r\n");
    h->Table->ImportFromTextFile(path);
    EXPECT_EQ(Rows(h->Table), (std::vector<AnsiString>{"||7", "2|Adam|", "1|Zdeněk|5"}));
    EXPECT_TRUE(h->Table->FieldByName("Pozn")->IsNull());
    EXPECT_FALSE(h->Table->Busy());
    EXPECT_FALSE(h->Table->ControlsDisabled());
    EXPECT_EQ(h->Table->State(), dsBrowse);
    h->Table->First();
    EXPECT_EQ(h->Table->FieldByName("RecId")->AsInteger(), 3);
}

TEST(TMemDataTextTest, ImportUnderAGridEndsOnTheFirstSortedRecord) {
    auto h = MakeGroups();
    TGridWindow grid(h->Table, 5);
    h->Table->SetSortedField("Poradi");
    h->Table->Open();
    h->Table->ImportFromTextFile(WriteText("grid.txt",
                                           "ID\tPoradi\r\n"
                                           "1\t6\r\n2\t2\r\n3\t5\r\n4\t1\r\n5\t4\r\n6\t3\r\n"));
    EXPECT_EQ(h->Table->RecNo(), 1);
    EXPECT_EQ(h->Table->FieldByName("ID")->AsInteger(), 4);
}

TEST(TMemDataTextTest, ImportKeepsLongValuesWhole) {
    auto h = std::make_unique<TTableHolder>();
    AddField<TStringField>(h->Owner.get(), h->Table, "Dlouhy", 4000);
    AddField<TIntegerField>(h->Owner.get(), h->Table, "ID");
    h->Table->Open();
    AnsiString longText(3000, 'a');
    longText += "konec";
    h->Table->ImportFromTextFile(WriteText("long.txt", "Dlouhy\tID\r\n" + longText + "\t42\r\n"));
    h->Table->First();
    EXPECT_EQ(h->Table->FieldByName("Dlouhy")->AsString(), longText);
    EXPECT_EQ(h->Table->FieldByName("ID")->AsInteger(), 42);
}

TEST(TMemDataTextTest, ARefusedValueStopsTheImportButCleansUpFirst) {
    auto h = MakeGroups();
    h->Table->SetSortedField("Jmeno");
    h->Table->Open();
    std::string path = WriteText("bad.txt",
                                 "ID\tJmeno\r\n"
                                 "1\tZuzana\r\n"
                                 "2\tAlena\r\n"
                                 "tri\tBeata\r\n"
                                 "4\tCyril\r\n");
    try {
        h->Table->ImportFromTextFile(path);
        FAIL() << "imported";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("'tri'"), AnsiString::npos) << e.Message();
        EXPECT_NE(e.Message().find("line 4"), AnsiString::npos) << e.Message();
        EXPECT_NE(e.Message().find("bad.txt"), AnsiString::npos) << e.Message();
    }
    EXPECT_FALSE(h->Table->Busy());
    EXPECT_FALSE(h->Table->ControlsDisabled());
    EXPECT_EQ(h->Table->State(), dsBrowse);
    EXPECT_EQ(Rows(h->Table), (std::vector<AnsiString>{"2|Alena|", "1|Zuzana|"}));
    // Still sorted: the binary search finds the rows.
    EXPECT_TRUE(h->Table->Locate("Jmeno", Variant(AnsiString("Zuzana")), {}));
    h->Table->Append();
    h->Table->FieldByName("Jmeno")->SetAsString("Berta");
    h->Table->Post();
    EXPECT_EQ(h->Table->RecNo(), 2);
}

TEST(TMemDataTextTest, ImportOfAMissingOrEmptyFile) {
    auto h = MakeGroups();
    h->Table->Open();
    AppendGroup(h->Table, 1, "Zůstane", 1);
    EXPECT_ANY_THROW(h->Table->ImportFromTextFile(TextFolder() + "missing.txt"));
    h->Table->ImportFromTextFile(WriteText("empty.txt", ""));
    EXPECT_EQ(Rows(h->Table), (std::vector<AnsiString>{"1|Zůstane|1"}));
}

TEST(TMemDataTextTest, ExportThenImportRoundTripsAnotherDelimiter) {
    auto h = MakeGroups();
    h->Table->SetDelimiter(';');
    h->Table->Open();
    AppendGroup(h->Table, 1, "Všichni", 10);
    AppendGroup(h->Table, 2, "Práce", 30);
    std::string path = TextFolder() + "round.txt";
    h->Table->ExportToTextFile(path);
    EXPECT_EQ(ReadFileBytes(path).substr(0, 22), "RecId;ID;Jmeno;Poradi\r");
    auto copy = MakeGroups();
    copy->Table->SetDelimiter(';');
    copy->Table->Open();
    copy->Table->ImportFromTextFile(path);
    EXPECT_EQ(Rows(copy->Table), Rows(h->Table));
}

TEST(TMemDataTextTest, EveryKeptFuzzInputImportsOrStopsWithAnErrorLeavingTheTableUsable) {
    // tests/data/fuzz: the text fuzzer's starting inputs and every input that ever
    // crashed the import.
    int refused = 0;
    for (const std::string& path : FuzzInputs(".txt")) {
        auto h = MakeFuzzTextTable();
        try {
            h->Table->ImportFromTextFile(path);
        } catch (const Exception&) {
            ++refused;
        }
        EXPECT_TRUE(h->Table->Active()) << path;
        EXPECT_EQ(h->Table->State(), dsBrowse) << path;
        EXPECT_FALSE(h->Table->Busy()) << path;
        EXPECT_FALSE(h->Table->ControlsDisabled()) << path;
        for (h->Table->First(); !h->Table->Eof(); h->Table->Next())
            for (int i = 0; i < h->Table->FieldCount(); ++i) (void)h->Table->Fields()[i]->Text();
    }
    EXPECT_EQ(refused, 1);  // refused.txt
}
