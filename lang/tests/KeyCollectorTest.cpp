// The key collector on small sources written the ways the programs look
// texts up, and the ways they mention keys without looking them up.

#include "KeyCollector.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Found(const TKeyCollector& Collector) {
    std::vector<std::string> keys;
    for (const TKeyUse& use : Collector.Uses()) keys.push_back(use.Key + "=" + use.Default + "@" + use.Where);
    return keys;
}

TEST(TKeyCollectorTest, FindsDirectLookupsWithTheirJoinedDefaultsButNothingInComments) {
    TKeyCollector collector;
    collector.AddSource("a.cpp",
                        "// LangText(\"Commented\", \"x\")\n"
                        "void F() {\n"
                        "    LangText(\"Plain\", \"Text\");\n"
                        "    /* LangFormat(\"Blocked\", \"y\") */ x = LangFormat(\"Fmt\", \"%d of \"\n"
                        "        \"%d\\r\\n\", a, b);\n"
                        "    Lang()->GetText(\"Got\", \"it\\\"s\");\n"
                        "    Edit->Text();  Caption(\"NoKey\", \"no\");\n"
                        "}\n");
    EXPECT_EQ(Found(collector), (std::vector<std::string>{"Plain=Text@a.cpp:3", "Fmt=%d of %d\r\n@a.cpp:4",
                                                          "Got=it\"s@a.cpp:6"}));
}

TEST(TKeyCollectorTest, AFunctionHandingOnItsParameterAsKeyIsALookupInItsFileOrEverywhereFromAHeader) {
    TKeyCollector collector;
    collector.AddSource("helper.cpp",
                        "AnsiString Text(const char* Key, const char* Default) { return LangText(Key, Default); }\n"
                        "void TForm1::Fill(TField* Field, const AnsiString& WordKey, const AnsiString& WordDefault) {\n"
                        "    if (Field) { word = Text(WordKey, WordDefault); }\n"
                        "}\n"
                        "void G() { Fill(DM->F, \"Sign\", \"podpis\"); Show(Text(\"Done\", \"Hotovo\")); }\n");
    collector.AddSource("words.h", "inline AnsiString Word(int N, const char* Key) { return LangText(Key, \"\"); }\n");
    // Another unit's function of the same name is no lookup.
    collector.AddSource("other.cpp", "void H() { r.Text(\"font name\"); Fill(1, \"x\", \"y\"); Word(2, \"Tea\"); }\n");
    EXPECT_EQ(collector.Lookups("helper.cpp").at("Text"), 0u);
    EXPECT_EQ(collector.Lookups("helper.cpp").at("Fill"), 1u);
    EXPECT_FALSE(collector.Lookups("other.cpp").count("Text"));
    EXPECT_EQ(Found(collector), (std::vector<std::string>{"Sign=podpis@helper.cpp:5", "Done=Hotovo@helper.cpp:5",
                                                          "Tea=@other.cpp:1"}));
}

TEST(TKeyCollectorTest, TableRowsCountOnlyInFilesThatLookKeysUpThroughVariables) {
    const char* table =
        "const TEntry kErrors[] = {\n"
        "    {2, \"ErrPortOpen\", \"Port\"},\n"
        "    {nullptr, \"&Help\"},\n"
        "};\n"
        "const char* names[] = {\"Yes\", \"No\", \"OK\"};\n"
        "const char* pair[2] = {\"Not a key\", \"text\"};\n";
    TKeyCollector plain;
    plain.AddSource("plain.cpp", table);
    EXPECT_TRUE(plain.Uses().empty());

    TKeyCollector looking;
    looking.AddSource("table.cpp", std::string(table) + "AnsiString E(const TEntry& e) { return LangText(e.Key, e.Default); }\n");
    EXPECT_EQ(Found(looking), (std::vector<std::string>{"ErrPortOpen=Port@table.cpp:2"}));
}

}  // namespace
