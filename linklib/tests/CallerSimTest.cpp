#include <algorithm>
#include <cstdint>
#include <functional>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "linklib/Cp1250.h"
#include "linklib/tests/Modules.h"

namespace fs = std::filesystem;

namespace {

// The user's hang-up as the program's abort callback sees it: the poll
// number at which it answers nonzero (0: never), and an optional look at the
// world at that moment.
int Polls = 0;
int HangUpAt = 0;
std::function<void()> AtHangUp;

std::int32_t AbortCallback(void*) {
    ++Polls;
    if (HangUpAt != 0 && Polls == HangUpAt) {
        if (AtHangUp) AtHangUp();
        return 1;
    }
    return 0;
}

// Each test gets a folder with a scenario, a centre and a program folder.
class CallerSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        Polls = 0;
        HangUpAt = 0;
        AtHangUp = nullptr;
        Folder = std::string(VEMLOR_TEST_OUTPUT) + "/linklib/" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        fs::remove_all(Folder);
        Centre = Folder + "centre/";
        Program = Folder + "prog/";
        for (const char* sub : {"notifications", "tariffs", "programs"}) fs::create_directories(Centre + sub);
        fs::create_directories(Program + "Mmf");
        setenv("VEMLOR_CENTRE", (Folder + "caller.ini").c_str(), 1);
        ASSERT_NE(Caller().PortOpen, nullptr);
    }
    void TearDown() override {
        // A failed test must not leave its port taken for the next one.
        if (Handle) Caller().PortClose(Handle, 1);
        unsetenv("VEMLOR_CENTRE");
    }

    void Scenario(const std::string& text) { WriteText(Folder + "caller.ini", text); }
    std::vector<std::string> Log() const { return ReadLines(Folder + "caller.log"); }
    std::string Quoted(const std::string& text) const { return "\"" + text + "\""; }
    // Opens the port and dials without trouble.
    void Connect(int port = 1) {
        ASSERT_EQ(Caller().PortOpen(&Handle, port), 0);
        ASSERT_EQ(Caller().Connect(Handle, "420111", "0900", 0, 2, AbortCallback), 0);
    }

    std::string Folder, Centre, Program;
    std::int32_t Handle = 0;
};

}  // namespace

TEST_F(CallerSimTest, WholeExchangeRedialsWhileBusyAndMovesEveryFile) {
    Scenario("; a modem on COM3, busy twice\n[Modem]\nPorts=1,3\nModem=3\n[Line]\nBusy=2\n");
    WriteText(Centre + "tariffs/tariffs2.brc", "[Tarif]\r\nA=1\r\n");
    WriteText(Centre + "notifications/n2.not", "second");
    WriteText(Centre + "notifications/n1.not", "first");
    WriteText(Centre + "programs/version.ini", "lib.dll=1.3\r\n");
    WriteText(Centre + "programs/lib.dll", "LIBRARY");
    WriteText(Program + "Mmf/a.mmf", "<mmf/>");
    WriteText(Program + "Mmf/a.bmp", "BM");
    const auto& c = Caller();
    const std::string list = Program + "dirlist.txt";

    ASSERT_EQ(c.PortOpen(&Handle, 3), 0);
    EXPECT_EQ(Handle, 3);
    EXPECT_EQ(c.Connect(Handle, "420111", "0900", 0, 2, AbortCallback), 10);
    EXPECT_EQ(c.Connect(Handle, "420111", "0900", 0, 2, AbortCallback), 10);
    EXPECT_EQ(c.Connect(Handle, "420111", "0900", 0, 2, AbortCallback), 0);
    EXPECT_EQ(c.Dir(Handle, list.c_str(), 3), 0);
    EXPECT_EQ(ReadText(list), "tariffs2.brc\r\n");
    EXPECT_EQ(c.ReceiveFile(Handle, "tariffs2.brc", (Program + "tariffs2.brc").c_str(), 3, AbortCallback), 0);
    EXPECT_EQ(c.SendFile(Handle, (Program + "Mmf/a.mmf").c_str(), 0, AbortCallback), 0);
    EXPECT_EQ(c.SendFile(Handle, (Program + "Mmf/a.bmp").c_str(), 4, AbortCallback), 0);
    EXPECT_EQ(c.Dir(Handle, list.c_str(), 2), 0);
    EXPECT_EQ(ReadText(list), "n1.not\r\nn2.not\r\n");
    EXPECT_EQ(c.ReceiveFile(Handle, "n1.not", (Program + "Mmf/n1.not").c_str(), 2, AbortCallback), 0);
    EXPECT_EQ(c.ReceiveFile(Handle, "version.ini", (Program + "version.ini").c_str(), 5, AbortCallback), 0);
    EXPECT_EQ(c.ReceiveFile(Handle, "lib.dll", (Program + "_lib.dll").c_str(), 5, AbortCallback), 0);
    EXPECT_EQ(c.WaitDisconnect(Handle, AbortCallback), 0);
    EXPECT_EQ(c.PortClose(Handle, 1), 0);
    Handle = 0;

    EXPECT_EQ(ReadText(Program + "tariffs2.brc"), "[Tarif]\r\nA=1\r\n");
    EXPECT_EQ(ReadText(Centre + "inbox/a.mmf"), "<mmf/>");
    EXPECT_EQ(ReadText(Centre + "inbox/a.bmp"), "BM");
    EXPECT_EQ(ReadText(Program + "Mmf/n1.not"), "first");
    EXPECT_EQ(ReadText(Program + "version.ini"), "lib.dll=1.3\r\n");
    EXPECT_EQ(ReadText(Program + "_lib.dll"), "LIBRARY");
    // Every operation with a callback polled it once.
    EXPECT_EQ(Polls, 10);

    const std::string p = Program;
    EXPECT_EQ(Log(), (std::vector<std::string>{
                         "Caller_PortOpen(3) = 0; handle 3",
                         "Caller_Connect(3, \"420111\", \"0900\", 0, 2, abort) = 10",
                         "Caller_Connect(3, \"420111\", \"0900\", 0, 2, abort) = 10",
                         "Caller_Connect(3, \"420111\", \"0900\", 0, 2, abort) = 0",
                         "Caller_Dir(3, " + Quoted(p + "dirlist.txt") + ", 3) = 0; 1 names",
                         "Caller_ReceiveFile(3, \"tariffs2.brc\", " + Quoted(p + "tariffs2.brc") + ", 3, abort) = 0",
                         "Caller_SendFile(3, " + Quoted(p + "Mmf/a.mmf") + ", 0, abort) = 0",
                         "Caller_SendFile(3, " + Quoted(p + "Mmf/a.bmp") + ", 4, abort) = 0",
                         "Caller_Dir(3, " + Quoted(p + "dirlist.txt") + ", 2) = 0; 2 names",
                         "Caller_ReceiveFile(3, \"n1.not\", " + Quoted(p + "Mmf/n1.not") + ", 2, abort) = 0",
                         "Caller_ReceiveFile(3, \"version.ini\", " + Quoted(p + "version.ini") + ", 5, abort) = 0",
                         "Caller_ReceiveFile(3, \"lib.dll\", " + Quoted(p + "_lib.dll") + ", 5, abort) = 0",
                         "Caller_WaitDisconnect(3, abort) = 0",
                         "Caller_PortClose(3, 1) = 0",
                     }));
}

TEST_F(CallerSimTest, HangUpInTheMiddleOfASendDeliversNothingAndDropsTheLine) {
    Scenario("[Delay]\nSendFile=4\n");
    WriteText(Program + "Mmf/a.mmf", std::string(1000, 'x'));
    Connect();
    // Hang up before the third of four pieces: half the file is on its way.
    HangUpAt = Polls + 3;
    std::uintmax_t partSize = 0;
    AtHangUp = [&] { partSize = fs::file_size(Centre + "inbox/a.mmf.part"); };
    EXPECT_EQ(Caller().SendFile(Handle, (Program + "Mmf/a.mmf").c_str(), 0, AbortCallback), 12);
    EXPECT_EQ(partSize, 500u);
    EXPECT_FALSE(fs::exists(Centre + "inbox/a.mmf"));
    EXPECT_FALSE(fs::exists(Centre + "inbox/a.mmf.part"));
    // The line is down: the rest of the call fails until the port is closed.
    EXPECT_EQ(Caller().WaitDisconnect(Handle, AbortCallback), 11);
    EXPECT_EQ(Caller().PortClose(Handle, 1), 0);
    Handle = 0;
    std::vector<std::string> log = Log();
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[2], "Caller_SendFile(1, " + Quoted(Program + "Mmf/a.mmf") + ", 0, abort) = 12; hung up at poll 3");
    EXPECT_EQ(log[3], "Caller_WaitDisconnect(1, abort) = 11");
}

TEST_F(CallerSimTest, HangUpEndsDialReceiveAndWaitAlike) {
    Scenario("[Delay]\nConnect=2\nReceiveFile=3\nWaitDisconnect=5\n");
    WriteText(Centre + "tariffs/t.brc", "tariff");
    WriteText(Program + "t.brc", "old tariff");
    const auto& c = Caller();
    ASSERT_EQ(c.PortOpen(&Handle, 1), 0);

    HangUpAt = 2;
    EXPECT_EQ(c.Connect(Handle, "420111", "0900", 1, 2, AbortCallback), 12);
    EXPECT_EQ(c.Dir(Handle, (Program + "dirlist.txt").c_str(), 3), 11);
    HangUpAt = 0;
    ASSERT_EQ(c.Connect(Handle, "420111", "0900", 1, 2, AbortCallback), 0);

    HangUpAt = Polls + 2;
    EXPECT_EQ(c.ReceiveFile(Handle, "t.brc", (Program + "t.brc").c_str(), 3, AbortCallback), 12);
    EXPECT_EQ(ReadText(Program + "t.brc"), "old tariff");
    EXPECT_FALSE(fs::exists(Program + "t.brc.part"));
    HangUpAt = 0;
    ASSERT_EQ(c.Connect(Handle, "420111", "0900", 1, 2, AbortCallback), 0);

    HangUpAt = Polls + 5;
    EXPECT_EQ(c.WaitDisconnect(Handle, AbortCallback), 12);
    EXPECT_EQ(c.WaitDisconnect(Handle, AbortCallback), 11);
    EXPECT_EQ(Log()[1], "Caller_Connect(1, \"420111\", \"0900\", 1, 2, abort) = 12; hung up at poll 2");
}

TEST_F(CallerSimTest, ScenarioFailsTheGivenCalls) {
    Scenario("[Fail]\nSendFile.2=16\nCaller_Dir=23\nReceiveFile.1=11\n");
    WriteText(Program + "Mmf/a.mmf", "a");
    WriteText(Centre + "tariffs/t.brc", "t");
    Connect();
    const auto& c = Caller();
    const std::string file = Program + "Mmf/a.mmf";
    EXPECT_EQ(c.SendFile(Handle, file.c_str(), 0, AbortCallback), 0);
    EXPECT_EQ(c.SendFile(Handle, file.c_str(), 0, AbortCallback), 16);
    EXPECT_EQ(c.SendFile(Handle, file.c_str(), 0, AbortCallback), 0);
    EXPECT_EQ(c.Dir(Handle, (Program + "dirlist.txt").c_str(), 3), 23);
    EXPECT_EQ(c.Dir(Handle, (Program + "dirlist.txt").c_str(), 3), 23);
    // 11 loses the line.
    EXPECT_EQ(c.ReceiveFile(Handle, "t.brc", (Program + "t.brc").c_str(), 3, AbortCallback), 11);
    EXPECT_EQ(c.SendFile(Handle, file.c_str(), 0, AbortCallback), 11);
    EXPECT_EQ(Log()[3], "Caller_SendFile(1, " + Quoted(file) + ", 0, abort) = 16; scenario failure");

    // Counts start again with the next session.
    EXPECT_EQ(c.PortClose(Handle, 1), 0);
    Connect();
    EXPECT_EQ(c.ReceiveFile(Handle, "t.brc", (Program + "t.brc").c_str(), 3, AbortCallback), 11);
}

TEST_F(CallerSimTest, PortDetectionFindsTheModemThatAnswers) {
    Scenario("[Modem]\nPorts=2-3\nModem=3\n");
    const auto& c = Caller();
    char answer[200] = "untouched";
    std::int32_t handle = -1;
    EXPECT_EQ(c.PortOpen(&handle, 1), 2);
    EXPECT_EQ(handle, 0);
    ASSERT_EQ(c.PortOpen(&Handle, 2), 0);
    EXPECT_EQ(c.WriteReadPort(Handle, "AT\n\r", answer, 100, 2000), 28);
    EXPECT_EQ(c.Connect(Handle, "420111", "0900", 0, 2, AbortCallback), 17);
    EXPECT_EQ(c.PortClose(Handle, 0), 0);
    ASSERT_EQ(c.PortOpen(&Handle, 3), 0);
    EXPECT_EQ(c.WriteReadPort(Handle, "AT\n\r", answer, 100, 2000), 0);
    EXPECT_STREQ(answer, "OK\r\n");
    // The answer never runs past the length given.
    EXPECT_EQ(c.WriteReadPort(Handle, "AT\n\r", answer, 3, 2000), 0);
    EXPECT_STREQ(answer, "OK");
    EXPECT_EQ(c.WriteReadPort(Handle, "AT", nullptr, 100, 2000), 2006);
    EXPECT_EQ(c.WriteReadPort(Handle, "AT", answer, 0, 2000), 2006);
    // One port at a time; only the open port's handle is known.
    EXPECT_EQ(c.PortOpen(&handle, 2), 2);
    EXPECT_EQ(c.PortClose(2, 0), 2006);
    EXPECT_EQ(c.PortClose(Handle, 0), 0);
    Handle = 0;
    EXPECT_EQ(Log()[2], "Caller_WriteReadPort(2, \"AT\\n\\r\", 100, 2000) = 28");
    EXPECT_EQ(Log()[6], "Caller_WriteReadPort(3, \"AT\\n\\r\", 100, 2000) = 0; answer \"OK\\r\\n\"");
}

TEST_F(CallerSimTest, EmptyFolderListsNothingAndKeepsTheListFile) {
    Scenario("[Centre]\nFolder=centre\n");
    WriteText(Program + "dirlist.txt", "old\r\n");
    fs::create_directories(Centre + "notifications/sub");
    Connect();
    EXPECT_EQ(Caller().Dir(Handle, (Program + "dirlist.txt").c_str(), 2), 2003);
    EXPECT_EQ(Caller().Dir(Handle, (Program + "dirlist.txt").c_str(), 3), 2003);
    EXPECT_EQ(ReadText(Program + "dirlist.txt"), "old\r\n");
    EXPECT_EQ(Caller().Dir(Handle, (Program + "dirlist.txt").c_str(), 0), 2006);
}

TEST_F(CallerSimTest, ReceiveTakesOnlyPlainNamesFromTheCentre) {
    Scenario("[Modem]\nModem=1\n");
    WriteText(Folder + "secret.txt", "secret");
    WriteText(Program + "x", "kept");
    Connect();
    const auto& c = Caller();
    const std::string local = Program + "x";
    for (const char* name : {"../../secret.txt", "sub/x", "..\\x", "..", ""}) {
        EXPECT_EQ(c.ReceiveFile(Handle, name, local.c_str(), 2, AbortCallback), 2006) << name;
    }
    EXPECT_EQ(c.ReceiveFile(Handle, "missing.not", local.c_str(), 2, AbortCallback), 2004);
    EXPECT_EQ(c.ReceiveFile(Handle, "x", local.c_str(), 7, AbortCallback), 2006);
    EXPECT_EQ(c.ReceiveFile(Handle, nullptr, local.c_str(), 2, AbortCallback), 2006);
    EXPECT_EQ(ReadText(local), "kept");
    // A missing local file to send.
    EXPECT_EQ(c.SendFile(Handle, (Program + "none.mmf").c_str(), 0, AbortCallback), 16);
}

TEST_F(CallerSimTest, BadScenarioOpensNoPortAndSaysWhy) {
    const auto& c = Caller();
    EXPECT_EQ(c.PortOpen(&Handle, 1), 2006);
    EXPECT_EQ(Handle, 0);
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_NE(Log()[0].find("caller.ini: cannot be read"), std::string::npos) << Log()[0];

    const std::pair<const char*, const char*> cases[] = {
        {"[Line]\nBusy=abc\n", "line 2: [line] Busy = \"abc\" is not a count"},
        {"[Modem]\nPorts=0,9\n", "is not a list of ports 1 to 8"},
        {"[Fail]\nSendFiles=3\n", "\"SendFiles\" is not an entry name"},
        {"[Delay]\nSendFile.0=3\n", "\"SendFile.0\" is not an entry name"},
        {"[Line]\nBussy=1\n", "unknown key \"Bussy\" in [line]"},
        {"Busy=1\n", "stands before any section"},
        {"[Lines]\n", "unknown section [Lines]"},
        {"[Hold]\nSendFile=../gate\n", "[hold] SendFile = \"../gate\" is not a plain file name"},
        {"[NoFile]\nSendFile=1\n", "\"SendFile\" writes no local file"},
        {"[NoFile]\nDir=3\n", "is not 0, 1 or 2"},
    };
    for (const auto& [text, message] : cases) {
        Scenario(text);
        fs::remove(Folder + "caller.log");
        EXPECT_EQ(c.PortOpen(&Handle, 1), 2006) << text;
        ASSERT_EQ(Log().size(), 1u);
        EXPECT_NE(Log()[0].find(message), std::string::npos) << Log()[0];
    }
}

TEST_F(CallerSimTest, WindowsPathsWithCzechLettersReachTheRightFiles) {
    Scenario("[Log]\nFile=log/calls.txt\n");
    fs::create_directories(Folder + "log");
    // The program's paths are Windows-1250; the file system's names UTF-8.
    const std::string program = Folder + "Složka/";
    fs::create_directories(linklib::Cp1250ToUtf8(program));
    WriteText(linklib::Cp1250ToUtf8(program + "zpráva.mmf"), "text");
    WriteText(linklib::Cp1250ToUtf8(Centre + "notifications/oznámení.not"), "not");
    Connect();
    const auto& c = Caller();
    EXPECT_EQ(c.SendFile(Handle, (program + "zpráva.mmf").c_str(), 0, AbortCallback), 0);
    EXPECT_EQ(ReadText(linklib::Cp1250ToUtf8(Centre + "inbox/zpráva.mmf")), "text");
    EXPECT_EQ(c.Dir(Handle, (program + "dirlist.txt").c_str(), 2), 0);
    EXPECT_EQ(ReadText(linklib::Cp1250ToUtf8(program + "dirlist.txt")), "oznámení.not\r\n");
    EXPECT_EQ(c.ReceiveFile(Handle, "oznámení.not", (program + "oznámení.not").c_str(), 2, AbortCallback), 0);
    EXPECT_EQ(ReadText(linklib::Cp1250ToUtf8(program + "oznámení.not")), "not");
    EXPECT_EQ(ReadLines(Folder + "log/calls.txt").size(), 5u);
}

namespace {

// The program's hang-up flag, as every abort callback answers it: once the
// user hangs up it stays set. The user here hangs up as soon as the held
// call's gate file appears.
bool HungUp = false;
std::string Gate;

std::int32_t ProgramAbort(void*) {
    if (!HungUp && !Gate.empty() && fs::exists(Gate)) HungUp = true;
    return HungUp ? 1 : 0;
}

// One call as the program makes it: dial, send each file with up to four
// tries, fetch a file, wait for the centre to end the call; the first
// failure ends the call with its code, and the port is closed either way.
std::int32_t RunCall(const std::vector<std::string>& files, const std::string& fetchTo) {
    const auto& c = Caller();
    std::int32_t handle = 0;
    std::int32_t r = c.PortOpen(&handle, 1);
    if (r != 0) return r;
    auto end = [&](std::int32_t code) {
        c.PortClose(handle, 1);
        return code;
    };
    if ((r = c.Connect(handle, "420111", "0900", 0, 2, ProgramAbort)) != 0) return end(r);
    for (const std::string& file : files) {
        for (int attempt = 0; attempt < 4; ++attempt)
            if ((r = c.SendFile(handle, file.c_str(), 0, ProgramAbort)) == 0) break;
        if (r != 0) return end(r);
    }
    if ((r = c.ReceiveFile(handle, "t.brc", fetchTo.c_str(), 3, ProgramAbort)) != 0) return end(r);
    return end(c.WaitDisconnect(handle, ProgramAbort));
}

}  // namespace

TEST_F(CallerSimTest, HangUpInsideAnyHeldOperationEndsTheCallWithUserBreak) {
    WriteText(Centre + "tariffs/t.brc", "tariff");
    std::vector<std::string> files;
    for (const char* name : {"a", "b", "c"}) {
        files.push_back(Program + "Mmf/" + name + ".mmf");
        WriteText(files.back(), name);
    }
    const std::pair<const char*, int> cases[] = {
        {"Connect", 0}, {"SendFile.1", 0}, {"SendFile.3", 2}, {"ReceiveFile", 3}, {"WaitDisconnect", 3}};
    for (const auto& [entry, delivered] : cases) {
        SCOPED_TRACE(entry);
        Scenario(std::string("[Delay]\nSendFile=3\n[Hold]\n") + entry + "=gate\n");
        fs::remove(Folder + "caller.log");
        fs::remove_all(Centre + "inbox");
        HungUp = false;
        Gate = Folder + "gate";
        // The retries of a hung-up transfer end with the user's break too,
        // not with the lost line that followed it.
        EXPECT_EQ(RunCall(files, Program + "t.brc"), 12);
        EXPECT_FALSE(fs::exists(Gate));
        std::vector<std::string> log = Log();
        std::string name = std::string(entry).substr(0, std::string(entry).find('.'));
        auto held = std::find_if(log.begin(), log.end(), [](const std::string& line) {
            return line.find("= 12; held at gate, hung up at poll") != std::string::npos;
        });
        ASSERT_NE(held, log.end());
        EXPECT_EQ(held->rfind("Caller_" + name + "(", 0), 0u) << *held;
        for (auto retry = held + 1; retry + 1 < log.end(); ++retry)
            EXPECT_NE(retry->find(") = 12; hung up at poll 1"), std::string::npos) << *retry;
        EXPECT_EQ(log.back(), "Caller_PortClose(1, 1) = 0");
        // Nothing half-sent reached the centre.
        int inbox = 0;
        std::error_code none;
        for (fs::directory_iterator it(Centre + "inbox", none), end; !none && it != end; it.increment(none)) ++inbox;
        EXPECT_EQ(inbox, delivered);
    }
    Gate.clear();
}

TEST_F(CallerSimTest, HeldCallGoesOnOnceItsGateIsDeleted) {
    Scenario("[Hold]\nSendFile.2=gate\n");
    WriteText(Program + "Mmf/a.mmf", "a");
    Connect();
    const std::string gate = Folder + "gate";
    const std::string file = Program + "Mmf/a.mmf";
    EXPECT_EQ(Caller().SendFile(Handle, file.c_str(), 0, AbortCallback), 0);
    EXPECT_FALSE(fs::exists(gate));
    // The callback sees the call waiting at its gate and lets it go.
    bool sawGate = false;
    HangUpAt = 0;
    AtHangUp = nullptr;
    static std::function<std::int32_t()> release;
    release = [&] {
        if (fs::exists(gate)) {
            sawGate = true;
            fs::remove(gate);
        }
        return 0;
    };
    auto releasing = [](void*) -> std::int32_t { return release(); };
    EXPECT_EQ(Caller().SendFile(Handle, file.c_str(), 0, releasing), 0);
    EXPECT_TRUE(sawGate);
    EXPECT_EQ(ReadText(Centre + "inbox/a.mmf"), "a");
    // A call without a callback is logged as such.
    EXPECT_EQ(Caller().SendFile(Handle, file.c_str(), 0, nullptr), 0);
    std::vector<std::string> log = Log();
    EXPECT_EQ(log[3], "Caller_SendFile(1, " + Quoted(file) + ", 0, abort) = 0; held at gate");
    EXPECT_EQ(log[4], "Caller_SendFile(1, " + Quoted(file) + ", 0, null) = 0");
}

TEST_F(CallerSimTest, NoFileAnswersZeroAndLeavesTheListUnreadable) {
    Scenario("[NoFile]\nDir.1=1\nReceiveFile=1\nReceiveFile.2=2\nReceiveFile.3=2\n");
    WriteText(Centre + "tariffs/t.brc", "tariff");
    const std::string list = Program + "dirlist.txt";
    WriteText(list, "t.brc\r\n");  // an older list must not pass for this one
    Connect();
    const auto& c = Caller();
    EXPECT_EQ(c.Dir(Handle, list.c_str(), 3), 0);
    EXPECT_FALSE(fs::exists(list));
    EXPECT_EQ(c.Dir(Handle, list.c_str(), 3), 0);
    EXPECT_EQ(ReadText(list), "t.brc\r\n");
    EXPECT_EQ(c.ReceiveFile(Handle, "t.brc", (Program + "t.brc").c_str(), 3, AbortCallback), 0);
    EXPECT_FALSE(fs::exists(Program + "t.brc"));
    EXPECT_EQ(Log()[2], "Caller_Dir(1, " + Quoted(list) + ", 3) = 0; no local file written");
    // Mode 2 does not look at the path: what was there stays, and so does nothing.
    WriteText(Program + "old.brc", "old");
    EXPECT_EQ(c.ReceiveFile(Handle, "t.brc", (Program + "old.brc").c_str(), 3, AbortCallback), 0);
    EXPECT_EQ(ReadText(Program + "old.brc"), "old");
    EXPECT_EQ(c.ReceiveFile(Handle, "t.brc", (Program + "none.brc").c_str(), 3, AbortCallback), 0);
    EXPECT_FALSE(fs::exists(Program + "none.brc"));
    EXPECT_NE(Log().back().find("= 0; local path left untouched"), std::string::npos) << Log().back();
}

TEST(Cp1250Test, RoundTripsEveryDefinedLetter) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(linklib::Utf8ToCp1250(linklib::Cp1250ToUtf8(all)), all);
    EXPECT_EQ(linklib::Cp1250ToUtf8("\x8A"), "\xC5\xA0");  // Š
    EXPECT_EQ(linklib::Utf8ToCp1250("\xE4\xB8\xAD\xC5"), "??");  // not in the code page; cut short
}
