#include "platform/rtl/StringList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace fs = std::filesystem;

namespace {

fs::path TestFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path folder = fs::path(VEMLOR_TEST_OUTPUT) / "rtl-stringlist" / (std::string(info->test_suite_name()) + "." + info->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

std::vector<AnsiString> Items(const TStrings& list) {
    std::vector<AnsiString> items;
    for (int i = 0; i < list.Count(); ++i) items.push_back(list[i]);
    return items;
}

using Lines = std::vector<AnsiString>;

void Fill(TStrings& list, const Lines& lines) {
    list.Clear();
    for (const auto& line : lines) list.Add(line);
}

AnsiString IndexErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EStringListError& e) {
        return e.Message();
    }
    return "(nothing raised)";
}

}  // namespace

TEST(TStringListTest, TextPutsCrLfAfterEveryLine) {
    TStringList list;
    EXPECT_EQ(list.Text(), "");
    Fill(list, {"a", "", "b"});
    EXPECT_EQ(list.Text(), "a\r\n\r\nb\r\n");
}

TEST(TStringListTest, SetTextSplitsAtCrLfOrEitherAlone) {
    TStringList list;
    list.SetText("one\r\ntwo\nthree\rfour");
    EXPECT_EQ(Items(list), (Lines{"one", "two", "three", "four"}));
    list.SetText("a\r\n");  // a final break starts no further line
    EXPECT_EQ(Items(list), (Lines{"a"}));
    list.SetText("a\r\n\r\n");
    EXPECT_EQ(Items(list), (Lines{"a", ""}));
    list.SetText("a\n\rb");  // LF then CR: two breaks
    EXPECT_EQ(Items(list), (Lines{"a", "", "b"}));
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
    list.SetText(AnsiString("x\0y\r\nz", 6));  // a NUL byte is text, not the end
    EXPECT_EQ(Items(list), (Lines{AnsiString("x\0y", 3), "z"}));
}

TEST(TStringListTest, TextRoundTripKeepsEmptyLinesAndBytes) {
    TStringList list, copy;
    Fill(list, {"", "Příliš žluťoučký kůň", "", "\xA0\x81\xFF", ""});
    copy.SetText(list.Text());
    EXPECT_TRUE(copy.Equals(&list));
}

TEST(TStringListTest, CommaTextQuotesWhatWouldOtherwiseBreakApart) {
    TStringList list;
    Fill(list, {"plain", "two words", "", "say \"hi\"", "a,b", "čaj", "tab\there"});
    EXPECT_EQ(list.CommaText(), "plain,\"two words\",,\"say \"\"hi\"\"\",\"a,b\",čaj,\"tab\there\"");
    TStringList copy;
    copy.SetCommaText(list.CommaText());
    EXPECT_EQ(Items(copy), Items(list));
}

TEST(TStringListTest, CommaTextRoundTripsEmptyItemsAtEitherEnd) {
    for (const Lines& lines : {Lines{""}, Lines{"", "a"}, Lines{"a", ""}, Lines{"", ""}, Lines{}, Lines{"", "", "x", ""}}) {
        TStringList list, copy;
        Fill(list, lines);
        copy.SetCommaText(list.CommaText());
        EXPECT_EQ(Items(copy), lines) << "comma text: " << list.CommaText();
    }
    TStringList single;
    single.Add("");
    EXPECT_EQ(single.CommaText(), "\"\"");
}

TEST(TStringListTest, SetCommaTextSplitsUnquotedBlanksAndToleratesBadQuotes) {
    TStringList list;
    list.SetCommaText("  a b , \"c d\"  ,e");
    EXPECT_EQ(Items(list), (Lines{"a", "b", "c d", "e"}));
    list.SetCommaText("\"unterminated, still one");
    EXPECT_EQ(Items(list), (Lines{"unterminated, still one"}));
    list.SetCommaText("\"\"\"\"");
    EXPECT_EQ(Items(list), (Lines{"\""}));
    list.SetCommaText(AnsiString("\"a\0b\"", 5));
    EXPECT_EQ(Items(list), (Lines{AnsiString("a\0b", 3)}));
}

TEST(TStringListTest, DelimitedTextUsesDelimiterAndQuoteChar) {
    TStringList list;
    list.SetDelimiter(';');
    list.SetQuoteChar('\'');
    Fill(list, {"a,b", "it's", "c;d"});
    EXPECT_EQ(list.DelimitedText(), "a,b;'it''s';'c;d'");
    EXPECT_EQ(list.CommaText(), "\"a,b\",it's,c;d");  // always , and "
    TStringList copy;
    copy.SetDelimiter(';');
    copy.SetQuoteChar('\'');
    copy.SetDelimitedText(list.DelimitedText());
    EXPECT_EQ(Items(copy), Items(list));
}

TEST(TStringListTest, IndexErrorsNameTheIndex) {
    TStringList list;
    Fill(list, {"a", "b"});
    EXPECT_EQ(IndexErrorOf([&] { list.Strings(2); }), "List index out of bounds (2)");
    EXPECT_EQ(IndexErrorOf([&] { list.Delete(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(IndexErrorOf([&] { list.Insert(3, "x"); }), "List index out of bounds (3)");
    EXPECT_EQ(IndexErrorOf([&] { list.Objects(5); }), "List index out of bounds (5)");
    EXPECT_EQ(IndexErrorOf([&] { list.Exchange(0, 2); }), "List index out of bounds (2)");
    EXPECT_EQ(IndexErrorOf([&] { list.Move(0, 2); }), "List index out of bounds (2)");
    EXPECT_EQ(Items(list), (Lines{"a", "b"}));  // nothing lost on the way
    list.Insert(2, "c");                        // the end itself is a valid place
    EXPECT_EQ(Items(list), (Lines{"a", "b", "c"}));
}

TEST(TStringListTest, SortedListInsertsInOrderAndFindsByBinarySearch) {
    TStringList list;
    list.SetSorted(true);
    EXPECT_EQ(list.Add("pear"), 0);
    EXPECT_EQ(list.Add("apple"), 0);
    EXPECT_EQ(list.Add("Čert"), 1);  // Č sorts with C, before p
    EXPECT_EQ(list.Add("zebra"), 3);
    EXPECT_EQ(list.Add("dub"), 2);
    EXPECT_EQ(Items(list), (Lines{"apple", "Čert", "dub", "pear", "zebra"}));
    int index = -1;
    EXPECT_TRUE(list.Find("PEAR", index));
    EXPECT_EQ(index, 3);
    EXPECT_FALSE(list.Find("banana", index));
    EXPECT_EQ(index, 1);  // where it would go
    EXPECT_FALSE(list.Find("zzz", index));
    EXPECT_EQ(index, 5);
    EXPECT_EQ(list.IndexOf("ZEBRA"), 4);
    EXPECT_EQ(list.IndexOf("none"), -1);
}

TEST(TStringListTest, SortedListRefusesPositionalChanges) {
    TStringList list;
    list.SetSorted(true);
    list.Add("b");
    EXPECT_EQ(IndexErrorOf([&] { list.Insert(0, "a"); }), "Operation not allowed on sorted list");
    EXPECT_EQ(IndexErrorOf([&] { list.SetStrings(0, "a"); }), "Operation not allowed on sorted list");
    list.Add("c");
    EXPECT_EQ(IndexErrorOf([&] { list.Move(0, 1); }), "Operation not allowed on sorted list");
    EXPECT_EQ(Items(list), (Lines{"b", "c"}));  // nothing lost
}

TEST(TStringListTest, SettingSortedSortsStablyAndKeepsObjects) {
    TObject one, two, three;
    TStringList list;
    list.AddObject("b", &one);
    list.AddObject("a", &two);
    list.AddObject("B", &three);  // equal to "b" ignoring case: stays after it
    list.SetSorted(true);
    EXPECT_EQ(Items(list), (Lines{"a", "b", "B"}));
    EXPECT_EQ(list.Objects(0), &two);
    EXPECT_EQ(list.Objects(1), &one);
    EXPECT_EQ(list.Objects(2), &three);
    EXPECT_EQ(list.IndexOfObject(&three), 2);
}

TEST(TStringListTest, DuplicatesApplyToSortedLists) {
    TStringList list;
    list.SetSorted(true);
    list.Add("abc");
    list.Add("x");
    EXPECT_EQ(list.Add("ABC"), 0);  // dupIgnore: the existing index, nothing added
    EXPECT_EQ(list.Count(), 2);

    list.SetDuplicates(dupError);
    EXPECT_EQ(IndexErrorOf([&] { list.Add("Abc"); }), "String list does not allow duplicates");
    EXPECT_EQ(list.Count(), 2);

    list.SetDuplicates(dupAccept);
    EXPECT_EQ(list.Add("ABC"), 0);
    EXPECT_EQ(list.Count(), 3);
    int index = -1;
    EXPECT_TRUE(list.Find("abc", index));
    EXPECT_EQ(index, 0);  // the first of the equal ones

    TStringList unsorted;
    unsorted.SetDuplicates(dupError);
    unsorted.Add("a");
    EXPECT_EQ(unsorted.Add("a"), 1);  // an unsorted list never checks
}

TEST(TStringListTest, CaseSensitivityGovernsSearchAndSortOrder) {
    TStringList list;
    Fill(list, {"Šíp", "šíp"});
    EXPECT_EQ(list.IndexOf("ŠÍP"), 0);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("ŠÍP"), -1);
    EXPECT_EQ(list.IndexOf("šíp"), 1);

    TStringList sorted;
    sorted.SetSorted(true);
    sorted.SetDuplicates(dupAccept);
    for (const char* s : {"b", "A", "a", "B"}) sorted.Add(s);
    sorted.SetCaseSensitive(true);  // re-sorted, so Find keeps working
    for (const char* s : {"a", "A", "b", "B"}) {
        int index = -1;
        EXPECT_TRUE(sorted.Find(s, index)) << s;
        EXPECT_EQ(sorted[index], s);
    }
}

TEST(TStringListTest, CustomSortSeesConsistentIndexes) {
    TStringList list;
    Fill(list, {"ccc", "a", "bb", "dddd", "e"});
    list.CustomSort([](TStringList* l, int i, int j) {
        return static_cast<int>(l->Strings(i).size()) - static_cast<int>(l->Strings(j).size());
    });
    EXPECT_EQ(Items(list), (Lines{"a", "e", "bb", "ccc", "dddd"}));

    // A comparison that contradicts itself gives some order, never a fault.
    for (int i = 0; i < 100; ++i) list.Add(std::to_string(i));
    unsigned state = 1;
    list.CustomSort([&state](TStringList*, int, int) {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 16) % 3) - 1;
    });
    EXPECT_EQ(list.Count(), 105);
}

TEST(TStringListTest, NamesAndValues) {
    TStringList list;
    Fill(list, {"Port=COM1", "no separator", "Speed=9600", "Formula=a=b"});
    EXPECT_EQ(list.Values("port"), "COM1");
    EXPECT_EQ(list.Values("Formula"), "a=b");
    EXPECT_EQ(list.Values("missing"), "");
    EXPECT_EQ(list.Names(0), "Port");
    EXPECT_EQ(list.Names(1), "");
    EXPECT_EQ(list.ValueFromIndex(1), "");  // not "o separator"
    EXPECT_EQ(list.ValueFromIndex(2), "9600");
    EXPECT_EQ(list.IndexOfName("SPEED"), 2);

    list.SetValue("speed", "19200");  // replaced in place, under the new spelling
    EXPECT_EQ(list[2], "speed=19200");
    list.SetValues("New", "1");
    EXPECT_EQ(list[4], "New=1");
    list.SetValue("Port", "");  // an empty value deletes the line
    EXPECT_EQ(list.IndexOfName("Port"), -1);
    EXPECT_EQ(list.Count(), 4);
    list.SetValue("absent", "");  // and deleting nothing is fine
    EXPECT_EQ(list.Count(), 4);

    list.SetValueFromIndex(0, "x");
    EXPECT_EQ(list[0], "=x");

    list.SetNameValueSeparator(':');
    list.Add("Host:localhost");
    EXPECT_EQ(list.Values("host"), "localhost");
}

TEST(TStringListTest, SetValueOnASortedListMovesTheLine) {
    TStringList list;
    list.SetSorted(true);
    list.Add("b=1");
    list.Add("c=2");
    list.SetValue("b", "zzz");
    EXPECT_EQ(Items(list), (Lines{"b=zzz", "c=2"}));
    list.SetValue("a", "0");
    EXPECT_EQ(Items(list), (Lines{"a=0", "b=zzz", "c=2"}));
}

TEST(TStringListTest, ChangeEventsFireOncePerChangeOrUpdateBlock) {
    TStringList list;
    int changing = 0, changed = 0;
    TObject* sender = nullptr;
    list.OnChanging = [&](TObject*) { ++changing; };
    list.OnChange = [&](TObject* s) {
        ++changed;
        sender = s;
    };
    list.Add("a");
    list.Delete(0);
    EXPECT_EQ(changing, 2);
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(sender, &list);

    list.BeginUpdate();
    list.Add("x");
    list.BeginUpdate();
    list.Add("y");
    list.EndUpdate();
    EXPECT_EQ(changed, 2);  // still inside the outer block
    list.Clear();
    list.SetText("p\r\nq");
    list.EndUpdate();
    EXPECT_EQ(changing, 3);
    EXPECT_EQ(changed, 3);

    list.EndUpdate();  // unpaired: ignored, and the list still reports changes
    list.Add("r");
    EXPECT_EQ(changed, 4);

    TStringList source;
    Fill(source, {"1", "2", "3"});
    list.Assign(&source);
    list.SetCommaText("a,b,c");
    EXPECT_EQ(changed, 6);  // one each, not one per line
    list.Clear();
    list.Clear();  // clearing an empty list changes nothing
    EXPECT_EQ(changed, 7);
}

TEST(TStringListTest, HandlerMayReplaceItselfWhileFiring) {
    TStringList list;
    int calls = 0;
    list.OnChange = [&](TObject*) {
        ++calls;
        list.OnChange = nullptr;
    };
    list.Add("a");
    list.Add("b");
    EXPECT_EQ(calls, 1);
}

TEST(TStringListTest, AssignAddStringsEqualsExchangeMove) {
    TObject tag;
    TStringList a, b;
    Fill(a, {"1", "2"});
    a.SetObjects(1, &tag);
    a.SetDelimiter(';');
    b.Add("old");
    b.Assign(&a);
    EXPECT_TRUE(b.Equals(&a));
    EXPECT_EQ(b.Objects(1), &tag);
    EXPECT_EQ(b.Delimiter(), ';');
    b.Assign(b);  // onto itself: unchanged, not emptied
    EXPECT_EQ(Items(b), (Lines{"1", "2"}));
    b.AddStrings(&b);
    EXPECT_EQ(Items(b), (Lines{"1", "2", "1", "2"}));
    EXPECT_FALSE(b.Equals(&a));
    b.Exchange(0, 3);
    EXPECT_EQ(Items(b), (Lines{"2", "2", "1", "1"}));
    EXPECT_EQ(b.Objects(0), &tag);
    b.Move(0, 3);
    EXPECT_EQ(Items(b), (Lines{"2", "1", "1", "2"}));
    EXPECT_EQ(b.Objects(3), &tag);
    TStringList upper;
    Fill(upper, {"1", "2"});
    upper.SetStrings(0, "X");
    EXPECT_FALSE(upper.Equals(&a));  // Equals compares bytes, case included
    EXPECT_THROW(b.Assign(static_cast<const TStrings*>(nullptr)), EConvertError);
}

TEST(TStringListTest, LoadFromFileAcceptsMixedLineEndsAndKeepsBytes) {
    fs::path file = TestFolder() / "mixed.txt";
    // Literals are Windows-1250 bytes, so is the file; nothing converts them.
    std::ofstream(file, std::ios::binary) << "první\r\ndruhý\ntřetí\rčtvrtý\r\n\r\nposlední";
    TStringList list;
    list.Add("replaced");
    list.LoadFromFile(file.string());
    EXPECT_EQ(Items(list), (Lines{"první", "druhý", "třetí", "čtvrtý", "", "poslední"}));
    EXPECT_THROW(list.LoadFromFile((file.parent_path() / "none.txt").string()), EFOpenError);
    EXPECT_EQ(list.Count(), 6);  // a failed load keeps the lines
}

TEST(TStringListTest, LoadFromStreamReadsFromThePosition) {
    TStringStream stream("skip|a\nb");
    stream.SetPosition(5);
    TStringList list;
    list.LoadFromStream(&stream);
    EXPECT_EQ(Items(list), (Lines{"a", "b"}));
}

TEST(TStringListTest, SaveToFileWritesCrLfAfterEveryLine) {
    fs::path file = TestFolder() / "out.txt";
    std::ofstream(file) << "an older and much longer content";
    TStringList list;
    Fill(list, {"žluť", "", "end"});
    list.SaveToFile(file.string());
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "žluť\r\n\r\nend\r\n");

    TStringStream stream;
    list.SaveToStream(&stream);
    EXPECT_EQ(stream.DataString(), bytes);

    TStringList back;
    back.LoadFromFile(file.string());
    EXPECT_TRUE(back.Equals(&list));
    EXPECT_ANY_THROW(list.SaveToFile((file.parent_path() / "no-folder" / "x.txt").string()));
}
