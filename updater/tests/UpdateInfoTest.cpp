#include "updater/UpdateInfo.h"

#include <gtest/gtest.h>

#include <map>

namespace {

TUpdateDescription Parsed(const AnsiString& Text) {
    TUpdateDescription d;
    EXPECT_TRUE(d.Parse(Text)) << d.Error();
    return d;
}

TUpdatePlan Plan(const AnsiString& Text, std::map<AnsiString, AnsiString> Installed = {}) {
    return PlanUpdate(Parsed(Text), [&](const AnsiString& Name) { return Installed[Name]; });
}

TEST(TUpdateDescriptionTest, ReadsLikeASettingsFileInFileOrder) {
    const TUpdateDescription d = Parsed(
        "; comment\r\n"
        "[Setup]\r\n"
        "MainURL = http://host/updclnt/ \r\n"
        "[Client]\r\n"
        "Version=1.05\r\n"
        "version=9\r\n"              // the first of two equal keys counts
        "FileName=\"my file.zip\"\r\n"
        "garbage line\r\n"
        "[InfoClient]\n"
        "1=First\n"
        "2=Second = with equals\n"
        "[client]\n"                 // the same section again, letter case aside
        "Size=0x10\n");
    EXPECT_EQ((std::vector<AnsiString>{"Setup", "Client", "InfoClient"}), d.Sections());
    EXPECT_EQ("http://host/updclnt/", d.ReadString("setup", "mainurl", ""));
    EXPECT_EQ("1.05", d.ReadString("Client", "Version", ""));
    EXPECT_EQ("my file.zip", d.ReadString("Client", "FileName", ""));
    EXPECT_EQ(16, d.ReadInteger("Client", "Size", 0));
    EXPECT_EQ(7, d.ReadInteger("Client", "Missing", 7));
    EXPECT_EQ((std::vector<AnsiString>{"First", "Second = with equals"}), d.SectionValues("InfoClient"));
}

TEST(TUpdateDescriptionTest, RefusesDamagedTextWithAReasonAndKeepsNothing) {
    TUpdateDescription d;
    EXPECT_TRUE(d.Parse("<html><body>404 Not Found</body></html>"));
    EXPECT_TRUE(d.Sections().empty());

    EXPECT_FALSE(d.Parse(AnsiString("[Setup]\nMainURL=x\n[A]\nVersion=2\0\n", 33)));
    EXPECT_TRUE(d.Sections().empty());
    EXPECT_EQ("The update description holds a zero byte at offset 31", d.Error());

    EXPECT_FALSE(d.Parse("[A]\nInfo=" + AnsiString(5000, 'x') + "\n"));
    EXPECT_EQ("Line 2 of the update description is longer than 4096 bytes", d.Error());

    AnsiString many;
    for (int i = 0; i <= 1000; ++i) many += "[S" + std::to_string(i) + "]\n";
    EXPECT_FALSE(d.Parse(many));
    EXPECT_FALSE(d.Parse(AnsiString(kMaxDescription + 1, '\n')));
    EXPECT_FALSE(d.Error().empty());
}

TEST(TUpdatePlanTest, OffersOnlyNewerPackagesCountingMissingVersionsAsOne) {
    const AnsiString text =
        "[Setup]\nMainURL=http://h/u\n"
        "[Same]\nVersion=1.0\n[InfoSame]\n1=not shown\n"
        "[New]\nVersion=1.01\n[InfoNew]\n1=New address book\n2=Faster sending\n"
        "[Silent]\nVersion=3\n"
        "[Broken]\nVersion=abc\n";
    const TUpdatePlan plan = Plan(text, {{"Same", "1.0"}, {"Silent", "2.5"}});
    EXPECT_EQ("http://h/u", plan.MainURL);
    EXPECT_EQ((std::vector<AnsiString>{"New", "Silent"}), plan.Queue);
    // Two decimals with "." whatever the locale; a blank line after each package.
    EXPECT_EQ((std::vector<AnsiString>{"New address book (1.01)", "Faster sending", ""}), plan.Lines);

    EXPECT_TRUE(Plan(text, {{"New", "1.01"}, {"Silent", "3"}}).Queue.empty());
    EXPECT_EQ(1.0, ParseVersion(""));
    EXPECT_EQ(1.0, ParseVersion("1,25"));
    EXPECT_EQ(1.25, ParseVersion("1.25"));
}

TEST(TUpdatePlanTest, AnExclusivePackageReplacesTheOthersBeforeItAndEndsTheScan) {
    const AnsiString later =
        "[A]\nVersion=2\n[InfoA]\n1=a\n[B]\nVersion=2\nExclusive=1\n[InfoB]\n1=b\n";
    const TUpdatePlan bExclusive = Plan(later);
    EXPECT_EQ((std::vector<AnsiString>{"B"}), bExclusive.Queue);
    EXPECT_EQ((std::vector<AnsiString>{"a (2.00)", "", "b (2.00)", ""}), bExclusive.Lines);

    const TUpdatePlan aExclusive = Plan("[A]\nVersion=2\nExclusive=5\n[InfoA]\n1=a\n[B]\nVersion=2\n[InfoB]\n1=b\n");
    EXPECT_EQ((std::vector<AnsiString>{"A"}), aExclusive.Queue);
    EXPECT_EQ((std::vector<AnsiString>{"a (2.00)", ""}), aExclusive.Lines);
}

TEST(TUpdatePackageTest, NamesFromTheServerStayInsideTheProgramFolder) {
    for (const char* bad : {"", ".", "..", "../vemlor", "sub/file", "sub\\file", "C:file", "a\tb"})
        EXPECT_FALSE(IsPlainFileName(bad)) << bad;
    EXPECT_TRUE(IsPlainFileName("setup 1.05.exe"));
    for (const char* bad : {"/etc", "\\Windows", "..", "Plugins/../..", "a\\..\\b", "C:\\Temp", "C:rel"})
        EXPECT_FALSE(IsSafeOutputDir(bad)) << bad;
    for (const char* good : {"", "Plugins", "Plugins/sub", "Lang\\cz", "a..b"}) EXPECT_TRUE(IsSafeOutputDir(good)) << good;

    EXPECT_EQ("http://h/u/update.dat", JoinUrl("http://h/u/", "update.dat"));
    EXPECT_EQ("http://h/u/update.dat", JoinUrl("http://h/u", "update.dat"));
    EXPECT_EQ("pkg.zip", JoinUrl("", "pkg.zip"));
}

}  // namespace
