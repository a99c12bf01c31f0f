#include "platform/os/Dialup.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/os/Process.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

AnsiString TestFolder() {
    const AnsiString folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/dialup/" +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
    ForceDirectories(folder);
    return folder;
}

TEST(ProcessTest, CommandLinesSplitAtBlanksAndQuotesGroupWithDoubledQuotesInside) {
    EXPECT_EQ((std::vector<AnsiString>{"setup.exe", "/S", "C:\\Program Files", "say \"hi\"", ""}),
              SplitCommandLine("  setup.exe /S \"C:\\Program Files\"\t\"say \"\"hi\"\"\" \"\" "));
    EXPECT_TRUE(SplitCommandLine("   ").empty());
}

TEST(ProcessTest, ArgumentsReachTheProgramAsTheyStandAndNoShellSeesThem) {
    const AnsiString folder = TestFolder();
    const AnsiString out = folder + "args.txt";
    // $1 stays one argument with its blanks, semicolon and substitution unrun.
    const TProcessResult r = RunProcess("/bin/sh", {"-c", "printf '%s|%s' \"$1\" \"$2\" > \"$0\"", out,
                                                    "a b; touch hacked", "$(id)"}, 10000);
    ASSERT_TRUE(r.Started);
    EXPECT_EQ(0, r.ExitCode);
    EXPECT_EQ("a b; touch hacked|$(id)", ReadFileBytes(out));
    EXPECT_FALSE(FileExists(folder + "hacked"));

    EXPECT_EQ(3, RunProcess("/bin/sh", {"-c", "exit 3"}, 10000).ExitCode);
    EXPECT_FALSE(RunProcess(folder + "missing-program", {}, 10000).Started);
}

TEST(ProcessTest, AProgramOverItsTimeOutIsKilled) {
    const TProcessResult r = RunProcess("sleep", {"30"}, 50);
    EXPECT_TRUE(r.Started);
    EXPECT_TRUE(r.TimedOut);
}

TEST(ProcessTest, AStartedProgramRunsInItsFolderWithoutBeingWaitedFor) {
    const AnsiString folder = TestFolder();
    const AnsiString fifo = folder + "pwd.fifo";
    DeleteFile(fifo);
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    // The program blocks on the pipe until the test reads it, so StartProcess
    // returning proves that it did not wait.
    AnsiString error;
    ASSERT_TRUE(StartProcess("/bin/sh", {"-c", "pwd > pwd.fifo"}, folder, &error)) << error;
    EXPECT_EQ(ExcludeTrailingPathDelimiter(folder) + "\n", ReadFileBytes(fifo));

    EXPECT_FALSE(StartProcess(folder + "missing-program", {}, "", &error));
    EXPECT_FALSE(error.empty());
}

class TDialupTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetNetInterfaceSource({});
        SetProxyConfiguredSource({});
    }
    void Interfaces(std::vector<TNetInterface> List) {
        SetNetInterfaceSource([List] { return List; });
    }
};

TEST_F(TDialupTest, ConnectedStateComesFromActiveInterfacesAndTheProxy) {
    SetProxyConfiguredSource([] { return false; });
    Interfaces({{"lo", true, true, false}, {"eth0", true, false, false}});
    EXPECT_EQ(ncLan, GetInternetConnectedState());
    Interfaces({{"lo", true, true, false}, {"eth0", false, false, false}, {"ppp0", true, false, true}});
    EXPECT_EQ(ncModem, GetInternetConnectedState());
    Interfaces({{"lo", true, true, false}, {"ppp0", false, false, true}});
    EXPECT_EQ(0, GetInternetConnectedState());

    SetProxyConfiguredSource([] { return true; });
    Interfaces({{"eth0", true, false, false}});
    EXPECT_EQ(ncLan | ncProxy, GetInternetConnectedState());
    // A proxy does not make an offline machine online.
    Interfaces({});
    EXPECT_EQ(0, GetInternetConnectedState());
}

TEST_F(TDialupTest, ListsDialupLinksOnlyWhenThereIsRoomForAll) {
    std::vector<TNetInterface> list{{"eth0", true, false, false}};
    for (int i = 0; i < 12; ++i) list.push_back({"ppp" + std::to_string(i), i == 7, false, true});
    Interfaces(list);
    TDialupService service(TestFolder() + "none.ini");
    std::vector<TDialupConnection> found;
    EXPECT_EQ(dialup_errors::BufferTooSmall, service.EnumConnections(found, 11));
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(0, service.EnumConnections(found, 100));
    ASSERT_EQ(12u, found.size());
    EXPECT_EQ("ppp7", found[7].Name);
    EXPECT_TRUE(found[7].Connected);
    EXPECT_FALSE(found[0].Connected);
}

TEST_F(TDialupTest, CommandsComeFromTheSettingsFileAndHangUpNamesTheLink) {
    const AnsiString folder = TestFolder();
    EXPECT_FALSE(TDialupService(folder + "missing.ini").Available());

    const AnsiString ini = folder + "update.ini";
    DeleteFile(ini);
    TIniFile file(ini);
    file.WriteString("Dialup", "Dial", "/bin/false");
    file.WriteString("Dialup", "HangUp", "/bin/sh -c \"printf %s \"\"$1\"\" > '" + folder + "hungup'\" hangup");
    TDialupService service(ini);
    EXPECT_TRUE(service.Available());
    EXPECT_EQ(dialup_errors::CommandFailed, service.Dial());
    EXPECT_EQ(0, service.HangUp({"ppp3", true}));
    EXPECT_EQ("ppp3", ReadFileBytes(folder + "hungup"));
}

}  // namespace
