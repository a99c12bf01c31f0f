// The table file: exact bytes, round trips, and damaged or foreign files.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FileUtils.h"
#include "fuzz/tables/FuzzTables.h"
#include "tables/tests/TableFixture.h"

namespace {

std::string TestFolder(const char* name) {
    std::filesystem::path p = std::filesystem::path(VEMLOR_TEST_OUTPUT) / "tables" / name;
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    return p.string() + "/";
}

void FillAllTypes(TMemData* t) {
    // Row 1: a value in every field.
    t->Append();
    t->FieldByName("Str")->SetAsString("Žluťoučký kůň");  // cut to 10 characters
    t->FieldByName("Small")->SetAsInteger(-1234);
    t->FieldByName("Int")->SetAsInteger(-2000000000);
    t->FieldByName("Wrd")->SetAsInteger(65535);
    t->FieldByName("Bool")->SetAsBoolean(true);
    t->FieldByName("Flt")->SetAsFloat(3.25);
    t->FieldByName("Cur")->SetAsFloat(12.5);
    t->FieldByName("Bcd")->SetAsFloat(-7.125);
    t->FieldByName("Dat")->SetAsDateTime(EncodeDate(2001, 2, 3));
    t->FieldByName("Tim")->SetAsDateTime(EncodeTime(13, 14, 15, 160));
    t->FieldByName("DT")->SetAsDateTime(EncodeDateTime(1999, 12, 31, 23, 59, 58, 0));
    t->FieldByName("Auto")->SetAsInteger(7);
    static_cast<TLargeintField*>(t->FieldByName("Big"))->SetAsLargeInt(-(Int64{1} << 40));
    static_cast<TWideStringField*>(t->FieldByName("Wide"))->SetAsWideString(u"Příliš \u20AC \U0001F600");
    t->FieldByName("Blob")->SetAsString(std::string("\0\1\2binary", 9));
    t->FieldByName("Memo")->SetAsString("řádek 1\r\nřádek 2");
    t->FieldByName("Pic")->SetAsString("BM....");
    t->Post();
    // Row 2: every field null (the string is written as "").
    t->Append();
    t->Post();
}

void ExpectAllTypesRow1(TMemData* t) {
    EXPECT_EQ(t->FieldByName("Str")->AsString(), "Žluťoučký ");
    EXPECT_EQ(t->FieldByName("Small")->AsInteger(), -1234);
    EXPECT_EQ(t->FieldByName("Int")->AsInteger(), -2000000000);
    EXPECT_EQ(t->FieldByName("Wrd")->AsInteger(), 65535);
    EXPECT_TRUE(t->FieldByName("Bool")->AsBoolean());
    EXPECT_DOUBLE_EQ(t->FieldByName("Flt")->AsFloat(), 3.25);
    EXPECT_DOUBLE_EQ(t->FieldByName("Cur")->AsFloat(), 12.5);
    EXPECT_DOUBLE_EQ(t->FieldByName("Bcd")->AsFloat(), -7.125);
    EXPECT_DOUBLE_EQ(t->FieldByName("Dat")->AsDateTime(), EncodeDate(2001, 2, 3));
    EXPECT_NEAR(t->FieldByName("Tim")->AsDateTime(), EncodeTime(13, 14, 15, 160), 1e-9);
    EXPECT_NEAR(t->FieldByName("DT")->AsDateTime(), EncodeDateTime(1999, 12, 31, 23, 59, 58, 0), 1e-9);
    EXPECT_EQ(t->FieldByName("Auto")->AsInteger(), 7);
    EXPECT_EQ(static_cast<TLargeintField*>(t->FieldByName("Big"))->AsLargeInt(), -(Int64{1} << 40));
    EXPECT_EQ(static_cast<TWideStringField*>(t->FieldByName("Wide"))->AsWideString(), u"Příliš \u20AC \U0001F600");
    EXPECT_EQ(t->FieldByName("Blob")->AsString(), std::string("\0\1\2binary", 9));
    EXPECT_EQ(t->FieldByName("Memo")->AsString(), "řádek 1\r\nřádek 2");
    EXPECT_EQ(t->FieldByName("Pic")->AsString(), "BM....");
}

}  // namespace

TEST(TMemDataFileTest, StoresTheGroupsTableByteForByte) {
    auto h = MakeGroups();
    h->Table->Open();
    AppendGroup(h->Table, 0, "Všichni", 0);
    AppendGroup(h->Table, 1, "Rodina", 1);
    std::string expected = kHeader14 + Int32Bytes(3) +
                           // size 4, code 3, length 3, "ID" NUL
                           Bytes({4, 0, 0, 0, 3, 0, 3, 0, 'I', 'D', 0}) +
                           // size 21, code 1, length 6, "Jmeno" NUL
                           Bytes({21, 0, 0, 0, 1, 0, 6, 0, 'J', 'm', 'e', 'n', 'o', 0}) +
                           // size 4, code 3, length 7, "Poradi" NUL
                           Bytes({4, 0, 0, 0, 3, 0, 7, 0, 'P', 'o', 'r', 'a', 'd', 'i', 0}) +
                           // flag + ID 0; length 8 + "Všichni" NUL; flag + Poradi 0
                           Bytes({1, 0, 0, 0, 0, 8, 0, 0, 0, 'V', 0x9A, 'i', 'c', 'h', 'n', 'i', 0, 1, 0, 0, 0, 0}) +
                           Bytes({1, 1, 0, 0, 0, 7, 0, 0, 0, 'R', 'o', 'd', 'i', 'n', 'a', 0, 1, 1, 0, 0, 0});
    EXPECT_EQ(h->Table->StoreToBytes(), expected);

    std::string folder = TestFolder("golden");
    h->Table->StoreToFile(folder + "Skupiny.dat");
    EXPECT_EQ(ReadFileBytes(folder + "Skupiny.dat"), expected);
}

TEST(TMemDataFileTest, EmptyTableWritesHeaderOnlyAndReadsBackOpenAndEmpty) {
    auto h = MakeGroups();
    h->Table->Open();
    std::string image = h->Table->StoreToBytes();
    EXPECT_EQ(image.size(), 11u + 4 + 11 + 14 + 15);

    auto g = MakeGroups();
    g->Table->RestoreFromBytes(image);
    EXPECT_TRUE(g->Table->Active());
    EXPECT_EQ(g->Table->RecordCount(), 0);
}

TEST(TMemDataFileTest, ClosedTableStoresNothing) {
    auto h = MakeGroups();
    std::string folder = TestFolder("closed");
    h->Table->StoreToFile(folder + "x.dat");
    EXPECT_FALSE(FileExists(folder + "x.dat"));
}

TEST(TMemDataFileTest, EveryFieldTypeRoundTripsWithNullsBlobsAndWideStrings) {
    auto h = MakeAllTypes();
    h->Table->Open();
    FillAllTypes(h->Table);
    std::string image = h->Table->StoreToBytes();

    auto g = MakeAllTypes();
    g->Table->RestoreFromBytes(image);
    ASSERT_EQ(g->Table->RecordCount(), 2);
    g->Table->First();
    ExpectAllTypesRow1(g->Table);
    g->Table->Next();
    for (int i = 1; i < g->Table->FieldCount(); ++i) {
        TField* f = g->Table->Fields()[i];
        if (f->FieldName() == "Str") {
            EXPECT_EQ(f->AsString(), "");
        } else if (f->FieldName() == "Auto") {
            EXPECT_EQ(f->AsInteger(), 8) << "a null auto-increment value is numbered";
        } else {
            EXPECT_TRUE(f->IsNull()) << f->FieldName();
        }
    }
    // Writing the loaded table again gives the same bytes.
    EXPECT_EQ(g->Table->StoreToBytes(), image);
}

TEST(TMemDataFileTest, BooleanTrueIsStoredAsTheWordOne) {
    auto h = std::make_unique<TTableHolder>();
    AddField<TBooleanField>(h->Owner.get(), h->Table, "B");
    h->Table->Open();
    h->Table->Append();
    h->Table->FieldByName("B")->SetAsBoolean(true);
    h->Table->Post();
    std::string image = h->Table->StoreToBytes();
    EXPECT_EQ(image.substr(image.size() - 3), Bytes({1, 1, 0}));
}

TEST(TMemDataFileTest, RecIdIsNumberedInFileOrderWhateverTheSortOrder) {
    std::string file = kHeader14 + Int32Bytes(1) + Descriptor(21, 1, "Jmeno") + StringValue("Cyril") +
                       StringValue("Adam") + StringValue("Bedřich");
    auto h = MakeGroups();
    h->Table->SetSortedField("Jmeno");
    h->Table->RestoreFromBytes(file);
    ASSERT_EQ(h->Table->RecordCount(), 3);
    std::vector<std::pair<AnsiString, int>> rows;
    for (h->Table->First(); !h->Table->Eof(); h->Table->Next())
        rows.emplace_back(h->Table->FieldByName("Jmeno")->AsString(), h->Table->RecIdField()->AsInteger());
    std::vector<std::pair<AnsiString, int>> expected{{"Adam", 2}, {"Bedřich", 3}, {"Cyril", 1}};
    EXPECT_EQ(rows, expected);
    EXPECT_TRUE(h->Table->FieldByName("ID")->IsNull()) << "a field the file lacks is null";
}

TEST(TMemDataFileTest, AFileInOrderLoadsInItsOrderAndOneInTheOtherOrderIsSorted) {
    std::string file = kHeader14 + Int32Bytes(1) + Descriptor(21, 1, "Jmeno") + StringValue("Adam") +
                       StringValue("Bedřich") + StringValue("bedřich") + StringValue("Bedřich") + StringValue("Cyril");
    auto rows = [](TMemData* t) {
        std::vector<std::pair<AnsiString, int>> r;
        for (t->First(); !t->Eof(); t->Next()) r.emplace_back(t->FieldByName("Jmeno")->AsString(), t->RecIdField()->AsInteger());
        return r;
    };
    auto h = MakeGroups();
    h->Table->SetSortOptions(TMemSortOptions{soCaseInsensitive});
    h->Table->SetSortedField("Jmeno");
    h->Table->RestoreFromBytes(file);
    // Equal names keep the order of the file.
    EXPECT_EQ(rows(h->Table), (std::vector<std::pair<AnsiString, int>>{
                                  {"Adam", 1}, {"Bedřich", 2}, {"bedřich", 3}, {"Bedřich", 4}, {"Cyril", 5}}));
    auto d = MakeGroups();
    d->Table->SetSortOptions(TMemSortOptions{soDesc});
    d->Table->SetSortedField("Jmeno");
    d->Table->RestoreFromBytes(file);
    std::vector<AnsiString> names;
    for (const auto& [name, id] : rows(d->Table)) names.push_back(name);
    EXPECT_EQ(names, (std::vector<AnsiString>{"Cyril", "Bedřich", "Bedřich", "bedřich", "Adam"}));
}

TEST(TMemDataFileTest, VersionZeroFileHasNoFlagsAndLoadsNonNull) {
    // No "Ver": N at offset 0; fixed-size values carry no null-flag byte.
    std::string file = Int32Bytes(2) + Descriptor(4, 3, "ID") + Descriptor(11, 1, "Jmeno") +
                       IntValue(5, false) + StringValue("Pět") + IntValue(0, false) + StringValue("");
    auto h = MakeGroups();
    h->Table->RestoreFromBytes(file);
    ASSERT_EQ(h->Table->RecordCount(), 2);
    h->Table->First();
    EXPECT_EQ(h->Table->FieldByName("ID")->AsInteger(), 5);
    EXPECT_EQ(h->Table->FieldByName("Jmeno")->AsString(), "Pět");
    h->Table->Next();
    EXPECT_FALSE(h->Table->FieldByName("ID")->IsNull());
    EXPECT_EQ(h->Table->FieldByName("ID")->AsInteger(), 0);
}

TEST(TMemDataFileTest, VersionBelowOneReadsLikeOne) {
    double half = 0.5;
    std::string file = std::string("Ver") + std::string(reinterpret_cast<const char*>(&half), 8) + Int32Bytes(1) +
                       Descriptor(4, 3, "ID") + IntValue(9) + Bytes({0, 0, 0, 0, 0});
    auto h = MakeGroups();
    h->Table->RestoreFromBytes(file);
    ASSERT_EQ(h->Table->RecordCount(), 2);
    h->Table->First();
    EXPECT_EQ(h->Table->FieldByName("ID")->AsInteger(), 9);
    h->Table->Next();
    EXPECT_TRUE(h->Table->FieldByName("ID")->IsNull());
}

TEST(TMemDataFileTest, ExtraColumnsOfEveryTypeCodeAreSkipped) {
    auto all = MakeAllTypes();
    all->Table->Open();
    FillAllTypes(all->Table);
    // An unknown type code carries a flag byte and its stored size.
    std::string image = all->Table->StoreToBytes();

    auto h = std::make_unique<TTableHolder>();
    AddField<TIntegerField>(h->Owner.get(), h->Table, "Int");
    AddField<TStringField>(h->Owner.get(), h->Table, "Jmeno", 5);
    h->Table->RestoreFromBytes(image);
    ASSERT_EQ(h->Table->RecordCount(), 2);
    h->Table->First();
    EXPECT_EQ(h->Table->FieldByName("Int")->AsInteger(), -2000000000);
    EXPECT_TRUE(h->Table->FieldByName("Jmeno")->IsNull());
    h->Table->Next();
    EXPECT_TRUE(h->Table->FieldByName("Int")->IsNull());

    std::string unknown = kHeader14 + Int32Bytes(2) + Descriptor(3, 0xFFFF, "Divny") + Descriptor(4, 3, "Int") +
                          Bytes({1, 'a', 'b', 'c'}) + IntValue(42) + Bytes({0, 0, 0, 0}) + IntValue(43);
    h->Table->RestoreFromBytes(unknown);
    ASSERT_EQ(h->Table->RecordCount(), 2);
    h->Table->Last();
    EXPECT_EQ(h->Table->FieldByName("Int")->AsInteger(), 43);
}

TEST(TMemDataFileTest, LongerStoredStringKeepsTheFieldsSize) {
    std::string file = kHeader14 + Int32Bytes(1) + Descriptor(51, 1, "Jmeno") + StringValue("Bartoloměj Veliký");
    auto h = std::make_unique<TTableHolder>();
    AddField<TStringField>(h->Owner.get(), h->Table, "Jmeno", 5);
    h->Table->RestoreFromBytes(file);
    ASSERT_EQ(h->Table->RecordCount(), 1);
    EXPECT_EQ(h->Table->FieldByName("Jmeno")->AsString(), "Barto");
}

TEST(TMemDataFileTest, AutoIncrementValuesOfTheFileAreKept) {
    std::string file = kHeader14 + Int32Bytes(1) + Descriptor(4, 12, "Cislo") + IntValue(5) + IntValue(3) +
                       Bytes({0, 0, 0, 0, 0}) + IntValue(9);
    auto h = std::make_unique<TTableHolder>();
    AddField<TAutoIncField>(h->Owner.get(), h->Table, "Cislo");
    h->Table->RestoreFromBytes(file);
    std::vector<int> values;
    for (h->Table->First(); !h->Table->Eof(); h->Table->Next())
        values.push_back(h->Table->FieldByName("Cislo")->AsInteger());
    EXPECT_EQ(values, (std::vector<int>{5, 3, 6, 9}));
    h->Table->Append();
    h->Table->Post();
    EXPECT_EQ(h->Table->FieldByName("Cislo")->AsInteger(), 10);
}

TEST(TMemDataFileTest, EveryTruncatedPrefixLoadsTheCompleteRecordsBeforeIt) {
    auto h = MakeAllTypes();
    h->Table->Open();
    FillAllTypes(h->Table);
    FillAllTypes(h->Table);
    std::string image = h->Table->StoreToBytes();
    // Where each record ends: the image of the first k records.
    std::vector<std::size_t> ends;
    {
        auto k = MakeAllTypes();
        k->Table->Open();
        ends.push_back(k->Table->StoreToBytes().size());
        k->Table->RestoreFromBytes(image);
        while (k->Table->RecordCount() > 0) {
            k->Table->Last();
            ends.insert(ends.begin() + 1, k->Table->StoreToBytes().size());
            k->Table->Delete();
        }
    }
    ASSERT_EQ(ends.size(), 5u);
    ASSERT_EQ(ends.back(), image.size());

    auto t = MakeAllTypes();
    for (std::size_t len = 0; len <= image.size(); ++len) {
        TMemReadStatus status = t->Table->RestoreFromBytes(std::string_view(image).substr(0, len));
        int complete = 0;
        for (std::size_t k = 1; k < ends.size(); ++k)
            if (ends[k] <= len) complete = static_cast<int>(k);
        ASSERT_EQ(t->Table->RecordCount(), complete) << "prefix of " << len << " bytes";
        // Read in full only when the file ends exactly after its header or a record.
        const bool whole = std::find(ends.begin(), ends.end(), len) != ends.end();
        ASSERT_EQ(status.Result, whole ? rrComplete : rrPartial) << "prefix of " << len << " bytes";
        ASSERT_EQ(status.Records, complete);
        ASSERT_EQ(status.Reason.empty(), whole) << status.Reason;
        // A cut inside the header (ends[0] is its length) is the header's damage.
        ASSERT_EQ(status.Damage, whole ? rdNone : len < ends[0] ? rdHeader : rdRecord) << "prefix of " << len;
        if (complete > 0) {
            t->Table->First();
            ExpectAllTypesRow1(t->Table);
        }
    }
}

TEST(TMemDataFileTest, DamagedFilesKeepEarlierRecordsAndSayWhereTheDamageIs) {
    std::string good = kHeader14 + Int32Bytes(2) + Descriptor(4, 3, "ID") + Descriptor(21, 1, "Jmeno") +
                       IntValue(1) + StringValue("Jedna");
    auto h = MakeGroups();
    struct TCase {
        std::string Bytes;
        int Records;
        const char* Reason;
        TMemDamage Damage;
    };
    const TCase cases[] = {
        {good + IntValue(2) + Int32Bytes(-5) + "xyz", 1, "record 2, column \"Jmeno\": negative length -5", rdRecord},
        {good + IntValue(2) + Int32Bytes(0x7FFFFFFF) + "xyz", 1,
         "record 2, column \"Jmeno\": length 2147483647 runs past the end of the file (3 bytes left)", rdRecord},
        {good + Bytes({1, 2}), 1, "record 2, column \"ID\": the file ends inside the value", rdRecord},
        {kHeader14 + Int32Bytes(0x7FFFFFFF) + Descriptor(4, 3, "ID"), 0,
         "the file ends inside column descriptor 2 of 2147483647", rdHeader},
        {kHeader14 + Int32Bytes(-1), 0, "column count -1 is negative", rdHeader},
        {kHeader14 + Int32Bytes(1) + Descriptor(-4, 3, "ID") + IntValue(1), 0,
         "column \"ID\" has a negative size (-4)", rdHeader},
        // Version 0 with a column of size 0 only: no record reads any byte.
        {Int32Bytes(1) + Descriptor(0, 3, "ID") + "rest", 0, "record 1 takes no bytes", rdRecord},
        // A name length running past the end.
        {kHeader14 + Int32Bytes(1) + Int32Bytes(4) + UInt16Bytes(3) + UInt16Bytes(200) + "ID", 0,
         "the file ends inside column descriptor 1 of 1", rdHeader},
        // Records whose columns the table does not have would be lost.
        {kHeader14 + Int32Bytes(1) + Descriptor(4, 3, "Jine") + IntValue(1), 0,
         "none of the file's 1 columns is a field of the table", rdColumns},
        {"", 0, "the file ends before its column count", rdHeader},
        {"Ver" + Bytes({1, 2}), 0, "the file ends inside its version number", rdHeader},
    };
    for (const TCase& c : cases) {
        TMemReadStatus status = h->Table->RestoreFromBytes(c.Bytes);
        EXPECT_EQ(status.Result, rrPartial) << c.Reason;
        EXPECT_EQ(status.Records, c.Records) << c.Reason;
        EXPECT_EQ(h->Table->RecordCount(), c.Records) << c.Reason;
        EXPECT_EQ(status.Reason.rfind(c.Reason, 0), 0u) << status.Reason;
        EXPECT_EQ(status.Damage, c.Damage) << c.Reason;
        EXPECT_TRUE(h->Table->Active());
    }
    // The damage is found where the second record's name begins.
    EXPECT_EQ(h->Table->RestoreFromBytes(good + IntValue(2) + Int32Bytes(-5)).DamageOffset,
              static_cast<Int64>(good.size() + 5 + 4));
    TMemReadStatus whole = h->Table->RestoreFromBytes(good);
    EXPECT_EQ(whole.Result, rrComplete);
    EXPECT_EQ(whole.Records, 1);
    EXPECT_EQ(whole.DamageOffset, -1);
}

TEST(TMemDataFileTest, AWideStringLongerThanItsFieldIsCutToItsSize) {
    auto wideValue = [](const std::u16string& text) {
        return Int32Bytes(static_cast<std::int32_t>(text.size())) + Bytes({1}) +
               std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    };
    // "abcd", then a character outside the basic plane, as a surrogate pair.
    const std::u16string text = u"abcd😀ef";
    std::string file = kHeader14 + Int32Bytes(1) + Descriptor(30, 20, "Siroky") + wideValue(text) + wideValue(u"xy");
    for (int size : {5, 6, 7, 30}) {
        auto h = std::make_unique<TTableHolder>();
        auto* wide = AddField<TWideStringField>(h->Owner.get(), h->Table, "Siroky", size);
        ASSERT_EQ(h->Table->RestoreFromBytes(file).Result, rrComplete);
        h->Table->First();
        // A cut never leaves half of a surrogate pair behind.
        std::u16string expected = size == 5 ? u"abcd" : size == 6 ? u"abcd😀" : text.substr(0, size);
        EXPECT_EQ(wide->AsWideString(), expected) << "size " << size;
        h->Table->Next();
        EXPECT_EQ(wide->AsWideString(), u"xy");
    }
}

TEST(TMemDataFileTest, UnreadableFileLeavesTheTableAsItWas) {
    auto h = MakeGroups();
    h->Table->Open();
    AppendGroup(h->Table, 1, "Rodina", 0);
    const std::string folder = TestFolder("missing");
    for (const std::string& name : {folder + "nic.dat", folder}) {
        TMemReadStatus status = h->Table->RestoreFromFile(name);
        EXPECT_EQ(status.Result, rrUnreadable);
        EXPECT_NE(status.Reason.find(name), AnsiString::npos) << status.Reason;
        EXPECT_EQ(h->Table->RecordCount(), 1);
        EXPECT_EQ(h->Table->FieldByName("Jmeno")->AsString(), "Rodina");
    }
    // A damaged file on disk is named in the reason.
    WriteFileAtomic(folder + "Skupiny.dat", h->Table->StoreToBytes() + Bytes({1, 2}));
    TMemReadStatus status = h->Table->RestoreFromFile(folder + "Skupiny.dat");
    EXPECT_EQ(status.Result, rrPartial);
    EXPECT_EQ(status.Records, 1);
    EXPECT_EQ(status.Reason.rfind(folder + "Skupiny.dat: record 2", 0), 0u) << status.Reason;
}

TEST(TMemDataFileTest, StoreKeepsOldFileWhenWriteFails) {
    std::string folder = TestFolder("full");
    auto h = MakeGroups();
    h->Table->Open();
    AppendGroup(h->Table, 1, "Rodina", 0);
    h->Table->StoreToFile(folder + "Skupiny.dat");
    std::string old = ReadFileBytes(folder + "Skupiny.dat");
    for (int i = 0; i < 200; ++i) AppendGroup(h->Table, i + 2, "Přátelé", i + 1);

    // A file-size limit below the new image stands in for a full disk.
    struct rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 512;
    setrlimit(RLIMIT_FSIZE, &limited);
    bool raised = false;
    try {
        h->Table->StoreToFile(folder + "Skupiny.dat");
    } catch (const EStreamError&) {
        raised = true;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(raised);
    EXPECT_EQ(ReadFileBytes(folder + "Skupiny.dat"), old);
    EXPECT_EQ(ListFiles(folder, "*"), (std::vector<AnsiString>{"Skupiny.dat"})) << "no temporary file left";
}

TEST(TMemDataFileTest, FileRoundTripThroughDisk) {
    std::string folder = TestFolder("disk");
    auto h = MakeAllTypes();
    h->Table->Open();
    FillAllTypes(h->Table);
    h->Table->StoreToFile(folder + "Vse.dat");
    auto g = MakeAllTypes();
    TMemReadStatus status = g->Table->RestoreFromFile(folder + "Vse.dat");
    EXPECT_EQ(status.Result, rrComplete);
    EXPECT_EQ(status.Records, 2);
    EXPECT_TRUE(status.Reason.empty());
    ASSERT_EQ(g->Table->RecordCount(), 2);
    g->Table->First();
    ExpectAllTypesRow1(g->Table);
}

TEST(TMemDataFileTest, ManyLoadedRecordsAreEditedDeletedAndSortedOneByOne) {
    // Records of about 1 KB, enough of them that the loaded images fill
    // several shared blocks, the largest of a huge page each, and a file
    // large enough to be read into huge pages too.
    auto make = [] {
        auto h = std::make_unique<TTableHolder>();
        h->Table->SetName("Velka");
        AddField<TIntegerField>(h->Owner.get(), h->Table, "ID");
        AddField<TStringField>(h->Owner.get(), h->Table, "Text", 1000);
        return h;
    };
    constexpr int kRows = 6000;
    auto Line = [](int n) { return "řádek " + std::to_string(n) + std::string(400, '.'); };
    auto source = make();
    source->Table->Open();
    for (int i = 0; i < kRows; ++i) {
        source->Table->Append();
        source->Table->FieldByName("ID")->SetAsInteger(i);
        source->Table->FieldByName("Text")->SetAsString(Line(kRows - i));
        source->Table->Post();
    }
    std::string folder = TestFolder("many");
    source->Table->StoreToFile(folder + "Velka.dat");
    source.reset();
    ASSERT_GT(FileSize(folder + "Velka.dat"), Int64{2} << 20);

    auto h = make();
    h->Table->RestoreFromFile(folder + "Velka.dat");
    ASSERT_EQ(h->Table->RecordCount(), kRows);
    TMemData* t = h->Table;
    // Every other record goes, from the end and from the front.
    t->Last();
    for (int i = 0; i < kRows / 4; ++i) {
        t->Delete();
        t->Prior();
    }
    t->First();
    for (int i = 0; i < kRows / 4; ++i) {
        t->Delete();
        t->Next();
    }
    ASSERT_EQ(t->RecordCount(), kRows / 2);
    t->First();
    t->Edit();
    t->FieldByName("Text")->SetAsString("upravený");
    t->Post();
    t->SetSortedField("ID");
    t->First();
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(t->FieldByName("Text")->AsString(), "upravený");
    t->Next();
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 3);
    EXPECT_EQ(t->FieldByName("Text")->AsString(), Line(kRows - 3));
    t->Last();
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), kRows - 2);
    // Loading again over the loaded records frees them.
    t->RestoreFromFile(folder + "Velka.dat");
    EXPECT_EQ(t->RecordCount(), kRows);
    t->Last();
    EXPECT_EQ(t->FieldByName("Text")->AsString(), Line(1));
}

TEST(TMemDataFileTest, ShortRecordsAfterALongFirstOneAllLoad) {
    // The reader makes room for as many records as the first one's size
    // suggests: many short records after a long one need more than that.
    auto make = [] {
        auto h = std::make_unique<TTableHolder>();
        AddField<TIntegerField>(h->Owner.get(), h->Table, "ID");
        AddField<TStringField>(h->Owner.get(), h->Table, "Text", 1000);
        return h;
    };
    constexpr int kRows = 3000;
    std::string file = kHeader14 + Int32Bytes(2) + Descriptor(4, 3, "ID") + Descriptor(1001, 1, "Text") + IntValue(0) +
                       StringValue(std::string(1000, 'd'));
    for (int i = 1; i < kRows; ++i) file += IntValue(i) + StringValue("k" + std::to_string(i));
    auto h = make();
    ASSERT_EQ(h->Table->RestoreFromBytes(file).Result, rrComplete);
    ASSERT_EQ(h->Table->RecordCount(), kRows);
    int i = 0;
    for (h->Table->First(); !h->Table->Eof(); h->Table->Next(), ++i) {
        ASSERT_EQ(h->Table->FieldByName("ID")->AsInteger(), i);
        ASSERT_EQ(h->Table->FieldByName("Text")->AsString(), i == 0 ? std::string(1000, 'd') : "k" + std::to_string(i));
    }
    EXPECT_EQ(h->Table->StoreToBytes(), file);
}

TEST(TMemDataFileTest, ADamagedRecordAfterManyKeepsTheValuesOfEveryRecordBeforeIt) {
    // The damage is found while earlier records are still on their way into
    // their images: each of them must arrive whole, wherever the damage lies.
    auto make = [] {
        auto h = std::make_unique<TTableHolder>();
        AddField<TIntegerField>(h->Owner.get(), h->Table, "ID");
        AddField<TStringField>(h->Owner.get(), h->Table, "Text", 20);
        return h;
    };
    std::string file = kHeader14 + Int32Bytes(2) + Descriptor(4, 3, "ID") + Descriptor(21, 1, "Text");
    for (int rows = 1; rows <= 80; ++rows) {
        file += IntValue(rows) + StringValue("radek " + std::to_string(rows));
        auto h = make();
        // The next record's ID and only the length of its text.
        const TMemReadStatus status = h->Table->RestoreFromBytes(file + IntValue(rows + 1) + Int32Bytes(5));
        ASSERT_EQ(status.Result, rrPartial) << rows;
        ASSERT_EQ(h->Table->RecordCount(), rows);
        int i = 1;
        for (h->Table->First(); !h->Table->Eof(); h->Table->Next(), ++i) {
            ASSERT_EQ(h->Table->FieldByName("ID")->AsInteger(), i) << rows;
            ASSERT_EQ(h->Table->FieldByName("Text")->AsString(), "radek " + std::to_string(i)) << rows;
        }
    }
}

TEST(TMemDataFileTest, AFileOfManyHugePagesLoadsWhole) {
    // The reader gives back the memory of the bytes it has read while it
    // goes on: every value, wherever it lies in the file, still arrives.
    auto make = [] {
        auto h = std::make_unique<TTableHolder>();
        h->Table->SetName("Dlouha");
        AddField<TIntegerField>(h->Owner.get(), h->Table, "ID");
        AddField<TStringField>(h->Owner.get(), h->Table, "Jmeno", 50);
        AddField<TMemoField>(h->Owner.get(), h->Table, "Text");
        h->Table->SetSortedField("ID");
        return h;
    };
    auto text = [](int n) { return std::string(1500 + n % 700, static_cast<char>('a' + n % 26)) + std::to_string(n); };
    constexpr int kRows = 6000;
    auto source = make();
    source->Table->Open();
    for (int i = 0; i < kRows; ++i) {
        source->Table->Append();
        source->Table->FieldByName("ID")->SetAsInteger(i);
        source->Table->FieldByName("Jmeno")->SetAsString("kontakt " + std::to_string(i));
        source->Table->FieldByName("Text")->SetAsString(text(i));
        source->Table->Post();
    }
    const std::string folder = TestFolder("hugepages");
    source->Table->StoreToFile(folder + "Dlouha.dat");
    source.reset();
    ASSERT_GT(FileSize(folder + "Dlouha.dat"), Int64{5} * (2 << 20));

    auto h = make();
    const TMemReadStatus status = h->Table->RestoreFromFile(folder + "Dlouha.dat");
    EXPECT_EQ(status.Result, rrComplete);
    ASSERT_EQ(h->Table->RecordCount(), kRows);
    int i = 0;
    for (h->Table->First(); !h->Table->Eof(); h->Table->Next(), ++i) {
        ASSERT_EQ(h->Table->FieldByName("ID")->AsInteger(), i);
        ASSERT_EQ(h->Table->FieldByName("Jmeno")->AsString(), "kontakt " + std::to_string(i));
        ASSERT_EQ(h->Table->FieldByName("Text")->AsString(), text(i));
    }
}

TEST(TMemDataFileTest, EveryKeptFuzzInputLoadsReadsAndStoresBackTheSame) {
    // tests/data/fuzz: the file fuzzer's starting inputs and every input that ever
    // crashed the reader. Each loads, every value reads (or refuses to
    // convert with an error), and what loaded is stored back unchanged.
    int rows = 0;
    for (const std::string& path : FuzzInputs(".dat")) {
        auto h = MakeFuzzFileTable();
        const std::string bytes = ReadFileBytes(path);
        h->Table->RestoreFromBytes(bytes);
        for (h->Table->First(); !h->Table->Eof(); h->Table->Next(), ++rows)
            for (int i = 0; i < h->Table->FieldCount(); ++i) {
                try {
                    (void)h->Table->Fields()[i]->DisplayText();
                } catch (const Exception&) {
                }
            }
        const std::string stored = h->Table->StoreToBytes();
        auto again = MakeFuzzFileTable();
        again->Table->RestoreFromBytes(stored);
        EXPECT_EQ(again->Table->StoreToBytes(), stored) << path;
    }
    EXPECT_GE(rows, 2);  // two_rows.dat
}
