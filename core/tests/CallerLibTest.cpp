#include "core/CallerLib.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"

namespace {

// A program folder per test, holding copies of the built modules under the
// names the program loads (fresh files, so the loader never reuses another
// test's copy).
class TCallerLibTest : public ::testing::Test {
protected:
    void SetUp() override {
        FFolder = AnsiString(VEMLOR_TEST_OUTPUT) + "/callerlib/" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        ForceDirectories(FFolder);
        DeleteFile(FFolder + "caller.so");
        DeleteFile(FFolder + "mac.so");
        SetProgramFolder(FFolder);
    }
    void TearDown() override {
        FreeCallerLibraries();
        SetProgramFolder("");
        unsetenv("VEMLOR_CENTRE");
    }

    void Install(const char* module, const AnsiString& name) {
        AnsiString bytes = ReadFileBytes(module);
        ASSERT_FALSE(bytes.empty()) << module;
        WriteFileAtomic(FFolder + name, bytes);
    }
    void InstallBoth() {
        Install(VEMLOR_CALLER_MODULE, "caller.so");
        Install(VEMLOR_MAC_MODULE, "mac.so");
    }
    // Answers the error dialog with OK and keeps its message.
    void ExpectLoadFailure(const AnsiString& missing) {
        TModalAnswerer answerer;
        AnsiString message;
        answerer.ClickButton("OK", [&](TForm* form) {
            if (auto* label = dynamic_cast<TLabel*>(form->FindComponent("Message"))) message = label->Caption();
        });
        EXPECT_FALSE(LoadCallerLibraries());
        EXPECT_EQ(answerer.Pending(), 0);
        EXPECT_TRUE(answerer.Unexpected().empty());
        EXPECT_EQ(message, "Napodařilo se načíst systémovou knohovnu. Program bude ukončen.");
        EXPECT_NE(CallerLibraryError().find(missing), AnsiString::npos) << CallerLibraryError();
        EXPECT_EQ(CallerEntries().Caller_PortOpen, nullptr);
        EXPECT_EQ(CallerEntries().mac_file, nullptr);
    }

    AnsiString FFolder;
};

}  // namespace

TEST_F(TCallerLibTest, BindsAllTenEntriesFromTheProgramFolder) {
    InstallBoth();
    WriteFileAtomic(FFolder + "caller.ini", "[Modem]\nPorts=2\nModem=2\n");
    setenv("VEMLOR_CENTRE", (FFolder + "caller.ini").c_str(), 1);
    WriteFileAtomic(FFolder + "logo.bmp", "123456789");
    TModalAnswerer answerer;  // no dialog expected
    ASSERT_TRUE(LoadCallerLibraries()) << CallerLibraryError();
    EXPECT_TRUE(answerer.Seen().empty());
    const TCallerEntries& e = CallerEntries();
    for (const void* entry : {(const void*)e.Caller_PortOpen, (const void*)e.Caller_PortClose,
                              (const void*)e.Caller_Connect, (const void*)e.Caller_Disconnect,
                              (const void*)e.Caller_WaitDisconnect, (const void*)e.Caller_SendFile,
                              (const void*)e.Caller_Dir, (const void*)e.Caller_ReceiveFile,
                              (const void*)e.Caller_WriteReadPort, (const void*)e.mac_file}) {
        EXPECT_NE(entry, nullptr);
    }

    Integer handle = 0;
    EXPECT_EQ(Caller_PortOpen(handle, 1), 2);
    ASSERT_EQ(Caller_PortOpen(handle, 2), 0);
    EXPECT_EQ(handle, 2);
    AnsiString answer = "old";
    EXPECT_EQ(Caller_WriteReadPort(handle, "AT\n\r", answer, 100, 2000), 0);
    EXPECT_EQ(answer, "OK\r\n");
    // A short buffer cuts the answer; it never runs past it.
    EXPECT_EQ(Caller_WriteReadPort(handle, "AT\n\r", answer, 2, 2000), 0);
    EXPECT_EQ(answer, "O");
    EXPECT_EQ(Caller_PortClose(handle, 0), 0);

    Cardinal number = 1;
    EXPECT_EQ(mac_file(FFolder + "logo.bmp", number), 0);
    EXPECT_EQ(number, 0xCBF43926u);
}

TEST_F(TCallerLibTest, MissingLibraryShowsTheErrorAndBindsNothing) {
    Install(VEMLOR_CALLER_MODULE, "caller.so");
    ExpectLoadFailure("mac.so");

    DeleteFile(FFolder + "caller.so");
    Install(VEMLOR_MAC_MODULE, "mac.so");
    ExpectLoadFailure("caller.so");

    // A file of the right name that is no library.
    WriteFileAtomic(FFolder + "caller.so", "MZ");
    ExpectLoadFailure("caller.so");
}

TEST_F(TCallerLibTest, MissingEntryShowsTheErrorNamingIt) {
    // Each module under the other's name lacks every entry of the other.
    Install(VEMLOR_MAC_MODULE, "caller.so");
    Install(VEMLOR_MAC_MODULE, "mac.so");
    ExpectLoadFailure("Caller_PortOpen");

    DeleteFile(FFolder + "caller.so");
    DeleteFile(FFolder + "mac.so");
    Install(VEMLOR_CALLER_MODULE, "caller.so");
    Install(VEMLOR_CALLER_MODULE, "mac.so");
    ExpectLoadFailure("mac_file");
}

TEST_F(TCallerLibTest, FreeMacLibraryUnbindsOnlyTheLogoNumber) {
    InstallBoth();
    ASSERT_TRUE(LoadCallerLibraries()) << CallerLibraryError();
    EXPECT_TRUE(FreeMacLibrary());
    EXPECT_EQ(CallerEntries().mac_file, nullptr);
    EXPECT_NE(CallerEntries().Caller_PortOpen, nullptr);
    Cardinal number = 5;
    EXPECT_THROW(mac_file(FFolder + "caller.so", number), Exception);
    EXPECT_FALSE(FreeMacLibrary());

    // Binding again brings it back.
    ASSERT_TRUE(LoadCallerLibraries());
    EXPECT_EQ(mac_file(FFolder + "nothing.bmp", number), 1);
    EXPECT_EQ(number, 0u);
}

TEST_F(TCallerLibTest, UnboundEntryRaisesInsteadOfCrashing) {
    Integer handle = 0;
    AnsiString answer;
    EXPECT_THROW(Caller_PortOpen(handle, 1), Exception);
    EXPECT_THROW(Caller_WriteReadPort(handle, "AT", answer, 10, 10), Exception);
    EXPECT_THROW(Caller_WaitDisconnect(handle, nullptr), Exception);
}

namespace {
std::int32_t NoHangUp(void*) { return 0; }
}  // namespace

TEST_F(TCallerLibTest, BackslashPathsReachTheLibraryInTheSystemsForm) {
    InstallBoth();
    WriteFileAtomic(FFolder + "caller.ini", "[Modem]\nPorts=1\nModem=1\n");
    setenv("VEMLOR_CENTRE", (FFolder + "caller.ini").c_str(), 1);
    ForceDirectories(FFolder + "Mmf");
    ForceDirectories(FFolder + "centre/notifications");
    WriteFileAtomic(FFolder + "Mmf/a.mmf", "<mmf/>");
    WriteFileAtomic(FFolder + "Mmf/a.bmp", "123456789");
    WriteFileAtomic(FFolder + "centre/notifications/n.not", "note");
    ASSERT_TRUE(LoadCallerLibraries()) << CallerLibraryError();
    // The program's own spelling: its folder, then "Mmf\<name>".
    const AnsiString mmf = FFolder + "Mmf\\";
    Integer handle = 0;
    ASSERT_EQ(Caller_PortOpen(handle, 1), 0);
    ASSERT_EQ(Caller_Connect(handle, "420111", "0900", 0, 2, NoHangUp), 0);
    EXPECT_EQ(Caller_SendFile(handle, mmf + "a.mmf", 0, NoHangUp), 0);
    EXPECT_EQ(ReadFileBytes(FFolder + "centre/inbox/a.mmf"), "<mmf/>");
    EXPECT_EQ(Caller_Dir(handle, mmf + "list.txt", 2), 0);
    EXPECT_EQ(ReadFileBytes(FFolder + "Mmf/list.txt"), "n.not\r\n");
    EXPECT_EQ(Caller_ReceiveFile(handle, "n.not", mmf + "n.not", 2, NoHangUp), 0);
    EXPECT_EQ(ReadFileBytes(FFolder + "Mmf/n.not"), "note");
    EXPECT_EQ(Caller_PortClose(handle, 1), 0);
    Cardinal number = 0;
    EXPECT_EQ(mac_file(mmf + "a.bmp", number), 0);
    EXPECT_EQ(number, 0xCBF43926u);
}
