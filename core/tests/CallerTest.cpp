#include "core/Caller.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "core/Language.h"
#include "core/tests/CallCentre.h"
#include "platform/os/Shell.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"

namespace {

// Only handed through to the history move, never used: its identity is all
// the test checks.
TDataSet* const kQueue = reinterpret_cast<TDataSet*>(alignof(std::max_align_t) * 16);

// The main window as the call sees it. Every member must run on the main
// thread; one that does not is counted.
class TFakeMainWindow : public TCallerServices {
public:
    TCallSettings Settings;
    AnsiString Tariff;
    std::vector<AnsiString> Notif;

    std::vector<AnsiString> Log;  // status texts, "! " in front of an error
    int TariffLoads = 0;
    std::vector<AnsiString> BRCNames;
    int TimerStarts = 0;
    std::vector<std::pair<TDataSet*, bool>> Moves;
    mutable std::atomic<int> OffMainThread{0};

    TCallSettings CallSettings() const override {
        Check();
        return Settings;
    }
    AnsiString BRCName() const override {
        Check();
        return Tariff;
    }
    std::vector<AnsiString> NotificationNames() const override {
        Check();
        return Notif;
    }
    void ShowCallerStatus(const AnsiString& Text, bool Error) override {
        Check();
        Log.push_back((Error ? "! " : "") + Text);
    }
    void LoadTariffs() override {
        Check();
        ++TariffLoads;
    }
    void SetBRCName(const AnsiString& Value) override {
        Check();
        Tariff = Value;
        BRCNames.push_back(Value);
    }
    void EnableNotificationTimer() override {
        Check();
        ++TimerStarts;
    }
    TCallDelivery MoveSentToHistory(TDataSet* Queue, bool Success) override {
        Check();
        Moves.emplace_back(Queue, Success);
        return {};
    }

private:
    void Check() const {
        if (!IsMainThread()) ++OffMainThread;
    }
};

const AnsiString kCalling = "Vytáčím číslo centra zpráv...";
const AnsiString kSending = "Odesílám zprávy...";
const AnsiString kChecking = "Kontroluji odeslané zprávy...";
const AnsiString kSent = "Zprávy byly úspěšně odeslány na sms centrum.";
const AnsiString kFailed = "! Zprávy se nepodařilo odeslat. (";

class TCallerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Centre.Bind()) << CallerLibraryError(); }
    void TearDown() override { EXPECT_EQ(Window.OffMainThread, 0); }

    // Runs one call with the files of the program folder to send; During
    // runs on the main thread once the worker has started.
    Integer Call(const std::vector<AnsiString>& Files, const std::function<void(TCaller&)>& During = {}) {
        auto caller = std::make_unique<TCaller>(Window);
        caller->SetTariff(2);
        caller->SetDialNumber("0900123");
        caller->SetLineIdentity("420111");
        caller->SetQueueTable(kQueue);
        for (const AnsiString& file : Files) caller->Files()->Add(Centre.Folder + file);
        caller->Resume();
        if (During) During(*caller);
        caller->WaitFor();
        const Integer error = caller->ErrorCode();
        caller.reset();
        PumpUntilIdle();  // the posted start of the notification timer
        return error;
    }
    void ExpectFailed(Integer Code) {
        ASSERT_FALSE(Window.Log.empty());
        EXPECT_EQ(Window.Log.back(), kFailed + TCaller::ErrorText(Code) + ")");
        ASSERT_FALSE(Window.Moves.empty());
        EXPECT_EQ(Window.Moves.back(), std::make_pair(kQueue, false));
    }
    AnsiString Version(const AnsiString& Name) {
        return TIniFile(Centre.Folder + "update.ini").ReadString("Version", Name, "<none>");
    }

    // A folder name holding ".mmf": message files are known by their ending.
    TCallCentre Centre{"old.mmf.files/"};
    TFakeMainWindow Window;
};

}  // namespace

TEST_F(TCallerTest, WholeCallRedialsSendsAndFetchesWhatIsNew) {
    Centre.Scenario("[Modem]\nPorts=1,3\nModem=3\n[Line]\nBusy=2\n");
    Window.Settings = {"COM3", 3, false};
    Window.Notif = {"n1"};
    Centre.Put("tariffs.brc", "[Tarif1]\r\nPHONE=1\r\n");
    Centre.Put("centre/tariffs/tariffs7.brc", "[Tarif7]\r\nPHONE=7\r\n");
    Centre.Put("centre/notifications/n1.not", "old");
    Centre.Put("centre/notifications/n2.not", "new");
    Centre.Put("centre/notifications/readme.txt", "not a notification");
    Centre.Put("centre/programs/version.ini",
               "lib.dll=1.3\r\nsame.dll=1.2\r\nVemlor.EXE=9.0\r\ndefault.dll=1.0\r\n");
    Centre.Put("centre/programs/lib.dll", "LIB 1.3");
    Centre.Put("centre/programs/same.dll", "SAME");
    Centre.Put("centre/programs/Vemlor.EXE", "PROGRAM");
    Centre.Put("centre/programs/default.dll", "DEFAULT");
    Centre.Put("update.ini", "[Version]\r\nlib.dll=1.2\r\nsame.dll=1.2\r\n");
    Centre.Put("modem.dat", "[Modem]\r\nUpdate=0\r\n");
    Centre.Put("Mmf/a.bmp", "BM");
    Centre.Put("Mmf/a.mmf", "<message/>");

    EXPECT_EQ(Call({"Mmf/a.bmp", "Mmf/a.mmf"}), 0);

    const AnsiString d = Centre.Quoted("dirlist.txt");
    EXPECT_EQ(Centre.Log(), (std::vector<AnsiString>{
                                "Caller_PortOpen(3) = 0; handle 3",
                                "Caller_Connect(3, \"420111\", \"0900123\", 1, 2, abort) = 10",
                                "Caller_Connect(3, \"420111\", \"0900123\", 1, 2, abort) = 10",
                                "Caller_Connect(3, \"420111\", \"0900123\", 1, 2, abort) = 0",
                                "Caller_Dir(3, " + d + ", 3) = 0; 1 names",
                                "Caller_ReceiveFile(3, \"tariffs7.brc\", " + Centre.Quoted(".~received-*/tariffs.brc") +
                                    ", 3, abort) = 0",
                                "Caller_SendFile(3, " + Centre.Quoted("Mmf/a.bmp") + ", 4, abort) = 0",
                                "Caller_SendFile(3, " + Centre.Quoted("Mmf/a.mmf") + ", 0, abort) = 0",
                                "Caller_Dir(3, " + d + ", 2) = 0; 3 names",
                                "Caller_ReceiveFile(3, \"n2.not\", " + Centre.Quoted("Mmf/.~received-*/n2.not") +
                                    ", 2, abort) = 0",
                                "Caller_ReceiveFile(3, \"version.ini\", " + Centre.Quoted(".~received-*/version.ini") +
                                    ", 5, abort) = 0",
                                "Caller_ReceiveFile(3, \"lib.dll\", " + Centre.Quoted(".~received-*/_lib.dll") +
                                    ", 5, abort) = 0",
                                "Caller_WaitDisconnect(3, abort) = 0",
                                "Caller_PortClose(3, 1) = 0",
                            }));
    EXPECT_EQ(Window.Log, (std::vector<AnsiString>{kCalling, kSending, kChecking, kSent}));
    EXPECT_EQ(Window.Moves, (std::vector<std::pair<TDataSet*, bool>>{{kQueue, true}}));

    // The new tariffs replaced the old ones, and the main window knows it.
    EXPECT_EQ(Centre.Read("tariffs.brc"), "[Tarif7]\r\nPHONE=7\r\n");
    EXPECT_FALSE(FileExists(Centre.Folder + "tariffs7.brc"));
    EXPECT_EQ(Window.BRCNames, std::vector<AnsiString>{"tariffs7"});
    EXPECT_EQ(Window.TariffLoads, 1);

    EXPECT_EQ(Centre.Read("Mmf/n2.not"), "new");
    EXPECT_EQ(Window.TimerStarts, 1);

    EXPECT_EQ(Centre.Read("_lib.dll"), "LIB 1.3");
    EXPECT_EQ(Version("lib.dll"), "1.3");
    EXPECT_EQ(Version("default.dll"), "<none>");
    EXPECT_EQ(TIniFile(Centre.Folder + "modem.dat").ReadInteger("Modem", "Update", 0), 1);
    EXPECT_EQ(Centre.Read("centre/inbox/a.mmf"), "<message/>");
    EXPECT_EQ(Centre.Read("centre/inbox/a.bmp"), "BM");
}

TEST_F(TCallerTest, FirstFailingStepEndsTheCallAndOnlyAnOpenedPortIsClosed) {
    Window.Settings = {"COM1", 3, true};
    Centre.Scenario("[Line]\nBusy=100\n");
    EXPECT_EQ(Call({}), 10);
    std::vector<AnsiString> log = Centre.Log();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[4], "Caller_Connect(1, \"420111\", \"0900123\", 0, 2, abort) = 10");
    EXPECT_EQ(log[5], "Caller_PortClose(1, 1) = 0");
    ExpectFailed(10);
    EXPECT_EQ(Window.Log.back(), "! Zprávy se nepodařilo odeslat. (Obsazeno. Chyba 10)");

    // A port that does not open leaves nothing to close.
    Window.Settings.PortName = "COM5";
    Centre.Scenario("[Modem]\nPorts=1\n");
    EXPECT_EQ(Call({}), 2);
    EXPECT_EQ(Centre.Log(), std::vector<AnsiString>{"Caller_PortOpen(5) = 2"});
    ExpectFailed(2);

    // A file that fails four times: nothing after it is sent or fetched.
    Window.Settings.PortName = "COM1";
    Centre.Scenario("[Fail]\nSendFile=16\n");
    Centre.Put("Mmf/a.mmf", "a");
    Centre.Put("Mmf/b.mmf", "b");
    Centre.Put("centre/notifications/n.not", "n");
    EXPECT_EQ(Call({"Mmf/a.mmf", "Mmf/b.mmf"}), 16);
    log = Centre.Log();
    ASSERT_EQ(log.size(), 8u);
    for (int i = 3; i < 7; ++i) EXPECT_EQ(log[i].rfind("Caller_SendFile(1, " + Centre.Quoted("Mmf/a.mmf"), 0), 0u);
    EXPECT_EQ(log[7], "Caller_PortClose(1, 1) = 0");
    ExpectFailed(16);
    EXPECT_EQ(Window.Moves.size(), 3u);
}

TEST_F(TCallerTest, TariffListDecidesWhatIsFetchedAndReloaded) {
    Centre.Scenario("");
    Centre.Put("tariffs.brc", "old");
    // Nothing listed: no reload, and the call goes on.
    EXPECT_EQ(Call({}), 0);
    EXPECT_EQ(Window.TariffLoads, 0);
    EXPECT_EQ(Centre.Log()[2], "Caller_Dir(1, " + Centre.Quoted("dirlist.txt") + ", 3) = 2003");

    // The only entry is the one received last: nothing fetched, reloaded all the same.
    Window.Tariff = "tariffs7";
    Centre.Put("centre/tariffs/tariffs7.brc", "seven");
    Centre.Scenario("");
    EXPECT_EQ(Call({}), 0);
    EXPECT_EQ(Window.TariffLoads, 1);
    EXPECT_EQ(Centre.Log()[3].rfind("Caller_Dir(1, ", 0), 0u);
    EXPECT_EQ(Centre.Read("tariffs.brc"), "old");

    // A listed "tariffs.brc" is received in place and stays; a name that
    // would land outside the program folder is not fetched at all.
    std::filesystem::remove(SysFileName(Centre.Folder + "centre/tariffs/tariffs7.brc"));
    Centre.Put("centre/tariffs/tariffs.brc", "new");
    Centre.Put("centre/tariffs/..\\evil.brc", "evil");
    Centre.Scenario("");
    EXPECT_EQ(Call({}), 0);
    EXPECT_EQ(Centre.Read("tariffs.brc"), "new");
    EXPECT_EQ(Window.Tariff, "tariffs");
    EXPECT_FALSE(std::filesystem::exists(SysFileName(Centre.Folder) + "../evil.brc"));
    for (const AnsiString& line : Centre.Log()) EXPECT_EQ(line.find("evil"), AnsiString::npos) << line;

    // A received file that cannot take the place of the tariff file leaves
    // what is there untouched and is forgotten, to be fetched again.
    std::filesystem::remove(SysFileName(Centre.Folder + "tariffs.brc"));
    ForceDirectories(Centre.Folder + "tariffs.brc");
    Centre.Put("tariffs.brc/kept", "kept");
    Centre.Put("centre/tariffs/tariffs8.brc", "eight");
    Centre.Scenario("");
    EXPECT_EQ(Call({}), 0);
    EXPECT_EQ(Centre.Read("tariffs.brc/kept"), "kept");
    EXPECT_EQ(Window.Tariff, "");
    EXPECT_EQ(Window.TariffLoads, 3);
}

TEST_F(TCallerTest, NamesFromTheCentreNeverLeaveTheirFolder) {
    Centre.Scenario("");
    Centre.Put("centre/programs/version.ini", "..\\evil.dll=2.0\r\nlib.dll=1.3\r\n");
    Centre.Put("centre/programs/..\\evil.dll", "EVIL");
    Centre.Put("centre/programs/lib.dll", "LIB");
    Centre.Put("modem.dat", "[Modem]\r\nUpdate=0\r\n");
    EXPECT_EQ(Call({}), 0);
    EXPECT_EQ(Centre.Read("_lib.dll"), "LIB");
    EXPECT_EQ(Version("lib.dll"), "1.3");
    EXPECT_EQ(Version("..\\evil.dll"), "<none>");
    EXPECT_FALSE(std::filesystem::exists(SysFileName(Centre.Folder) + "../evil.dll"));
    EXPECT_EQ(TIniFile(Centre.Folder + "modem.dat").ReadInteger("Modem", "Update", 0), 1);

    // A notification list naming a path is unusable: the call fails with the
    // program's own code before anything is received.
    Centre.Put("centre/notifications/..\\..\\evil.not", "EVIL");
    Centre.Scenario("");
    EXPECT_EQ(Call({}), ceListUnreadable);
    for (const AnsiString& line : Centre.Log()) EXPECT_EQ(line.find("evil"), AnsiString::npos) << line;
    EXPECT_FALSE(std::filesystem::exists(SysFileName(Centre.Folder) + "../evil.not"));
    ExpectFailed(ceListUnreadable);
    EXPECT_EQ(Window.Log.back(), "! Zprávy se nepodařilo odeslat. (Seznam souborů zaslaný centrem zpráv nelze použít. Chyba 35)");
    EXPECT_EQ(Window.TimerStarts, 0);
}

TEST_F(TCallerTest, FilesFromTheCentreNeverLandOnTheUsersFilesOrPrograms) {
    const std::vector<AnsiString> kept = {"Adresa.dat", "Vemlor.ini", "Notif.bad", "Adresa.bad1", "Vemlor",
                                          "update",     "helper",     "caller.so", "mac.so"};
    Centre.Put("Adresa.dat", "address book");
    Centre.Put("Vemlor.ini", "[MainForm]\r\nBRCName=\r\n");
    Centre.Put("Notif.bad", "set aside");
    Centre.Put("Adresa.bad1", "set aside again");
    for (const char* program : {"Vemlor", "update", "helper"}) {
        Centre.Put(program, AnsiString("\x7F" "ELF ") + program);
        ASSERT_TRUE(SetExecutable(Centre.Folder + program));
    }
    std::map<AnsiString, AnsiString> before;
    for (const AnsiString& name : kept) before[name] = Centre.Read(name);
    Centre.Put("tariffs.brc", "old tariffs");
    // Whatever the centre calls its tariffs, they become "tariffs.brc" and nothing else.
    Centre.Put("centre/tariffs/Adresa.dat", "tariffs A");
    Centre.Put("centre/tariffs/Vemlor", "tariffs V");
    Centre.Put("centre/tariffs/Vemlor.ini", "tariffs I");
    // Of these program files only the text may take its name's place at the next start.
    AnsiString versions;
    for (const char* name : {"Vemlor", "UPDATE", "helper", "caller.so", "libextra.so.2", "Adresa.dat", "vemlor.ini",
                             "Notif.bad", "ADRESA.BAD1", "Mmf", "tariffs.brc", ".profile", "news.txt"}) {
        versions += AnsiString(name) + "=2.0\r\n";
        Centre.Put(AnsiString("centre/programs/") + name, "NEW");
    }
    Centre.Put("centre/programs/version.ini", versions);
    Centre.Put("modem.dat", "[Modem]\r\nUpdate=0\r\n");
    Centre.Scenario("");
    EXPECT_EQ(Call({}), 0);

    for (const AnsiString& name : kept) EXPECT_EQ(Centre.Read(name), before[name]) << name;
    // "Vemlor.ini" shares its base name with "Vemlor", received just before.
    EXPECT_EQ(Centre.Read("tariffs.brc"), "tariffs V");
    EXPECT_EQ(Window.Tariff, "Vemlor");
    EXPECT_EQ(ListFiles(Centre.Folder, "_*"), std::vector<AnsiString>{"_news.txt"});
    EXPECT_EQ(Version("news.txt"), "2.0");
    EXPECT_EQ(Version("Vemlor"), "<none>");
    // No temporary is left; the settings files' lock files may stay.
    const Integer hidden = faHidden | faDirectory | faReadOnly | faArchive;
    EXPECT_TRUE(ListFiles(Centre.Folder, ".~received-*", hidden).empty());
    EXPECT_TRUE(ListFiles(Centre.Folder + "Mmf", ".*", hidden).empty());

    // A library that reports a file delivered without writing it leaves
    // the old tariffs and the files the centre named alone.
    Centre.Scenario("[NoFile]\nReceiveFile=1\n");
    EXPECT_EQ(Call({}), 0);
    for (const AnsiString& name : kept) EXPECT_EQ(Centre.Read(name), before[name]) << name;
    EXPECT_EQ(Centre.Read("tariffs.brc"), "tariffs V");
    EXPECT_EQ(Window.Tariff, "");
    EXPECT_EQ(Centre.Read("_news.txt"), "NEW");
    EXPECT_TRUE(ListFiles(Centre.Folder, ".~received-*", hidden).empty());
}

TEST_F(TCallerTest, AnyFetchedProgramFileMarksTheUpdateAndUnreadableListsFail) {
    // The first file arrives, the last one is missing at the centre.
    Centre.Scenario("");
    Centre.Put("centre/programs/version.ini", "lib.dll=1.3\r\nmissing.dll=2.0\r\n");
    Centre.Put("centre/programs/lib.dll", "LIB");
    Centre.Put("modem.dat", "[Modem]\r\nUpdate=0\r\n");
    EXPECT_EQ(Call({}), 0);
    EXPECT_EQ(Centre.Read("_lib.dll"), "LIB");
    EXPECT_EQ(Version("missing.dll"), "<none>");
    EXPECT_EQ(TIniFile(Centre.Folder + "modem.dat").ReadInteger("Modem", "Update", 0), 1);

    // A modem.dat of two sections is left alone.
    DeleteFile(Centre.Folder + "update.ini");
    Centre.Put("modem.dat", "[A]\r\nUpdate=0\r\n[B]\r\n");
    Centre.Scenario("");
    EXPECT_EQ(Call({}), 0);
    EXPECT_EQ(Centre.Read("modem.dat"), "[A]\r\nUpdate=0\r\n[B]\r\n");

    // A list the library says it wrote but did not ends the call with the
    // program's own code.
    Centre.Put("centre/notifications/n.not", "n");
    Centre.Scenario("[NoFile]\nDir.2=1\n");
    EXPECT_EQ(Call({}), ceListUnreadable);
    EXPECT_FALSE(FileExists(Centre.Folder + "Mmf/n.not"));
}

TEST_F(TCallerTest, AReceiveReportedButNeverWrittenKeepsTheFileItWouldHaveReplaced) {
    // The library answers success and leaves the path it was given as it
    // found it: the program must not take whatever is there for the file.
    Centre.Put("tariffs.brc", "old tariffs");
    Centre.Put("centre/tariffs/tariffs7.brc", "new tariffs");
    Centre.Put("centre/notifications/n.not", "n");
    Window.Tariff = "tariffs6";
    Centre.Scenario("[NoFile]\nReceiveFile=2\n");
    EXPECT_EQ(Call({}), ceFileNotPlaced);
    EXPECT_EQ(Centre.Read("tariffs.brc"), "old tariffs");
    // Not believed to be in place, so fetched again by the next call.
    EXPECT_EQ(Window.Tariff, "");
    EXPECT_EQ(Centre.Read("Mmf/n.not"), "<none>");
    EXPECT_EQ(Window.TimerStarts, 0);
    ExpectFailed(ceFileNotPlaced);

    // The version list is no different.
    std::filesystem::remove(SysFileName(Centre.Folder + "centre/notifications/n.not"));
    Centre.Put("version.ini", "lib.dll=1.2\r\n");
    Centre.Put("centre/programs/version.ini", "lib.dll=1.3\r\n");
    Centre.Put("centre/programs/lib.dll", "LIB");
    Centre.Scenario("[NoFile]\nReceiveFile=2\n");
    EXPECT_EQ(Call({}), 0);
    EXPECT_EQ(Centre.Read("version.ini"), "lib.dll=1.2\r\n");
    EXPECT_EQ(Centre.Read("tariffs.brc"), "old tariffs");
    EXPECT_TRUE(ListFiles(Centre.Folder, ".~received-*", faHidden | faDirectory | faArchive).empty());
}

TEST_F(TCallerTest, ReceivedFilesKeepTheAccessOfTheFilesTheyReplace) {
    // A new file gets what the umask allows; set one that differs from every
    // mode the old files carry.
    struct TUmask {
        mode_t Old = ::umask(027);
        ~TUmask() { ::umask(Old); }
    } restoreUmask;
    const auto mode = [&](const char* Name) {
        return std::filesystem::status(SysFileName(Centre.Folder + Name)).permissions() & std::filesystem::perms::mask;
    };
    using std::filesystem::perms;
    Centre.Put("tariffs.brc", "old");
    std::filesystem::permissions(SysFileName(Centre.Folder + "tariffs.brc"), perms(0604));
    // A program file waits as "_lib.dll" but is to become "lib.dll".
    Centre.Put("lib.dll", "old lib");
    std::filesystem::permissions(SysFileName(Centre.Folder + "lib.dll"), perms(0660));
    Centre.Put("centre/tariffs/tariffs7.brc", "new");
    Centre.Put("centre/notifications/n.not", "n");
    Centre.Put("centre/programs/version.ini", "lib.dll=1.3\r\n");
    Centre.Put("centre/programs/lib.dll", "LIB");
    Centre.Scenario("");
    EXPECT_EQ(Call({}), 0);
    EXPECT_EQ(Centre.Read("tariffs.brc"), "new");
    EXPECT_EQ(mode("tariffs.brc"), perms(0604));
    EXPECT_EQ(mode("_lib.dll"), perms(0660));
    EXPECT_EQ(mode("Mmf/n.not"), perms(0640));
    EXPECT_EQ(mode("version.ini"), perms(0640));
}

TEST_F(TCallerTest, WhatAKilledCallLeftHalfReceivedIsSweptByTheNext) {
    for (const char* folder : {"", "Mmf/"}) {
        Centre.Put(AnsiString(folder) + ".~received-Ab12cD", "older build's leftover");
        ForceDirectories(Centre.Folder + folder + ".~received-x9Y8z7/inner");
        Centre.Put(AnsiString(folder) + ".~received-x9Y8z7/tariffs.brc", "half");
        Centre.Put(AnsiString(folder) + ".~received-x9Y8z7/inner/part", "half");
    }
    Centre.Scenario("");
    EXPECT_EQ(Call({}), 0);
    const Integer any = faHidden | faDirectory | faReadOnly | faArchive;
    EXPECT_TRUE(ListFiles(Centre.Folder, ".~received-*", any).empty());
    EXPECT_TRUE(ListFiles(Centre.Folder + "Mmf", ".~received-*", any).empty());
}

TEST_F(TCallerTest, HangUpInsideEachOperationEndsTheCallWithUserBreak) {
    Centre.Put("centre/tariffs/t.brc", "t");
    Centre.Put("centre/notifications/n.not", "n");
    Centre.Put("centre/programs/version.ini", "lib.dll=1.3\r\n");
    Centre.Put("centre/programs/lib.dll", "LIB");
    Centre.Put("Mmf/a.mmf", "a");
    const AnsiString gate = Centre.Folder + "gate";
    // ReceiveFile's calls: the tariff file, the notification, version.ini, lib.dll.
    for (const char* entry : {"Connect", "ReceiveFile.1", "SendFile", "ReceiveFile.2", "ReceiveFile.3",
                              "ReceiveFile.4", "WaitDisconnect"}) {
        SCOPED_TRACE(entry);
        Centre.Scenario(AnsiString("[Hold]\n") + entry + "=gate\n");
        // Each call fetches the same files, so that the receives keep their numbers.
        Window.Tariff.clear();
        DeleteFile(Centre.Folder + "update.ini");
        EXPECT_EQ(Call({"Mmf/a.mmf"},
                       [&](TCaller& caller) {
                           // The worker may need the main thread for its
                           // status texts on its way to the gate.
                           while (!FileExists(gate) && !caller.Finished()) {
                               CheckSynchronize();
                               std::this_thread::yield();
                           }
                           HangUpCall();
                       }),
                  12);
        EXPECT_FALSE(FileExists(gate));
        ExpectFailed(12);
        EXPECT_EQ(Window.Log.back(), "! Zprávy se nepodařilo odeslat. (Odesílání přerušeno uživatelem. Chyba 12)");
        std::vector<AnsiString> log = Centre.Log();
        const AnsiString name = AnsiString(entry).substr(0, AnsiString(entry).find('.'));
        const auto held = std::find_if(log.begin(), log.end(), [](const AnsiString& line) {
            return line.find("; held at gate, hung up at poll") != AnsiString::npos;
        });
        ASSERT_NE(held, log.end());
        EXPECT_EQ(held->rfind("Caller_" + name + "(", 0), 0u) << *held;
        EXPECT_EQ(log.back(), "Caller_PortClose(1, 1) = 0");
    }
    // The next call starts without the hang-up.
    Centre.Scenario("");
    EXPECT_EQ(Call({"Mmf/a.mmf"}), 0);
}

TEST_F(TCallerTest, CallWithoutTheLibraryFailsCleanly) {
    // A library lacking one entry, even one never called, is not bound at all.
    // Bound from a folder of its own: the loader may still hold the full
    // library under the fixture's name.
    TCallCentre lacking("lacking/");
    TModalAnswerer answerer;
    answerer.ClickButton("OK");
    EXPECT_FALSE(lacking.Bind(VEMLOR_CALLER_LACKING_MODULE));
    EXPECT_TRUE(answerer.Unexpected().empty());
    EXPECT_NE(CallerLibraryError().find("Caller_Disconnect"), AnsiString::npos) << CallerLibraryError();

    EXPECT_EQ(Call({}), ceException);
    ASSERT_EQ(Window.Log.size(), 3u);
    EXPECT_EQ(Window.Log[1], "! The library entry Caller_PortOpen is not bound");
    ExpectFailed(ceException);
}

TEST_F(TCallerTest, BusyFromCreationToDestructionAndHangUpLastsOneCall) {
    EXPECT_FALSE(CallerBusy());
    HangUpCall();
    auto caller = std::make_unique<TCaller>(Window);
    EXPECT_TRUE(CallerBusy());
    EXPECT_FALSE(HangUpRequested());
    HangUpCall();
    EXPECT_TRUE(HangUpRequested());
    // A call that queued nothing is freed without ever running.
    caller.reset();
    EXPECT_FALSE(CallerBusy());
    EXPECT_TRUE(Window.Log.empty());
}

TEST(TCallerTextTest, ErrorTextsAndPortNames) {
    EXPECT_EQ(TCaller::ErrorText(10), "Obsazeno. Chyba 10");
    EXPECT_EQ(TCaller::ErrorText(40), "Ztraceno spojení. Chyba 40");
    EXPECT_EQ(TCaller::ErrorText(9), "Nebyl detekován oznamovací tón. Chyba 9");
    EXPECT_EQ(TCaller::ErrorText(26), "Nepodařilo se vytočit číslo. Chyba 26");
    EXPECT_EQ(TCaller::ErrorText(2004), "Blíže nespecifikovaná chyba číslo 2004.");
    // The program's own codes say what went wrong, not just their number.
    EXPECT_EQ(TCaller::ErrorText(ceFileNotPlaced),
              "Soubor z centra zpráv nedorazil nebo jej nelze uložit; předchozí zůstává. Chyba 36");

    const AnsiString file = AnsiString(VEMLOR_TEST_OUTPUT) + "/call/texts.lng";
    ForceDirectories(ExtractFilePath(file));
    WriteFileAtomic(file, "[Strings]\r\nErrDial=No dial tone.\r\nDlgError=Error\r\nErrUnknown=Unknown error %s.\r\n");
    SetLang(std::make_unique<TLang>(file));
    EXPECT_EQ(TCaller::ErrorText(9), "No dial tone. Error 9");
    EXPECT_EQ(TCaller::ErrorText(26), "No dial tone. Error 26");
    // The translation's specifier does not fit a number.
    EXPECT_EQ(TCaller::ErrorText(2004), "Blíže nespecifikovaná chyba číslo 2004.");
    SetLang(nullptr);

    EXPECT_EQ(TCaller::PortNumber("COM3"), 3);
    EXPECT_EQ(TCaller::PortNumber("COM"), 1);
    EXPECT_EQ(TCaller::PortNumber("COMx"), 1);

    for (const char* good : {"n1.not", "tariffs2.brc", "lib.dll", "žluťoučký.not"})
        EXPECT_TRUE(TCaller::PlainRemoteName(good)) << good;
    for (const char* bad : {"", ".", "..", "a..b", "a/b.not", "a\\b.not", "c:b.not", "..\\x.dll", "a\tb.not", "a\x7F.not",
                            ".profile"})
        EXPECT_FALSE(TCaller::PlainRemoteName(bad)) << bad;
    EXPECT_TRUE(TCaller::PlainRemoteName(AnsiString(80, 'a')));
    EXPECT_FALSE(TCaller::PlainRemoteName(AnsiString(81, 'a')));
}

TEST(TCallerFilesTest, SetAsideTablesAndFoldersAreNoFilesToReplace) {
    const AnsiString folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/call/replaceable/";
    std::filesystem::remove_all(SysFileName(folder));
    for (const char* sub : {"Mmf", "Lang"}) ForceDirectories(folder + sub);
    for (const char* kept : {"Adresa.bad", "Adresa.bad1", "Adresa.BAD2", "Historie.Bad17", "Mmf", "mmf", "LANG"})
        EXPECT_FALSE(TCaller::ReplaceableFile(kept, folder)) << kept;
    // Only a table's own set-aside names are kept out.
    for (const char* replaced : {"Adresa.badge", "Adresa.bad1x", "Mmf.txt", "Lang.hlp"})
        EXPECT_TRUE(TCaller::ReplaceableFile(replaced, folder)) << replaced;
}
