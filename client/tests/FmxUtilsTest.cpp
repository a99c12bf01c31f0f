#include "client/FmxUtils.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/os/Shell.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

// Started programs write what they were given into a named pipe; reading it
// waits for them without sleeping.
class TShellRunFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/fmxutils/" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        ForceDirectories(Folder);
        Fifo = Folder + "report.fifo";
        DeleteFile(Fifo);
        ASSERT_EQ(0, mkfifo(Fifo.c_str(), 0600));
    }
    void TearDown() override { SetDesktopOpener(""); }

    // A program that reports its folder and arguments, one per line.
    AnsiString Recorder(const AnsiString& Name) {
        const AnsiString path = Folder + Name;
        WriteFileAtomic(path, "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > '" + Fifo + "'\n");
        chmod(path.c_str(), 0755);
        return path;
    }

    AnsiString Folder, Fifo;
};

TEST_F(TShellRunFileTest, AProgramGetsItsParametersAsArgumentsInItsFolder) {
    const AnsiString setup = Recorder("setup.sh");
    ASSERT_TRUE(ShellRunProgram(setup, "/S \"C:\\Program Files\\Vemlor\" $(id);x", ""));
    EXPECT_EQ(GetCurrentDir() + "\n/S\nC:\\Program Files\\Vemlor\n$(id);x\n", ReadFileBytes(Fifo));

    const AnsiString subfolder = Folder + "Plugins/";
    ForceDirectories(subfolder);
    RenameFile(setup, subfolder + "plugin.sh");
    // Longer than any fixed buffer would hold, and taken whole.
    const AnsiString longParam(300, 'p');
    ASSERT_TRUE(ShellRunProgram(subfolder + "plugin.sh", longParam, subfolder));
    EXPECT_EQ(ExcludeTrailingPathDelimiter(subfolder) + "\n" + longParam + "\n", ReadFileBytes(Fifo));
}

TEST_F(TShellRunFileTest, DocumentsAndAddressesGoToTheDesktopOpener) {
    SetDesktopOpener(Recorder("opener.sh"));
    const AnsiString document = Folder + "readme.txt";
    WriteFileAtomic(document, "text");
    ASSERT_TRUE(ShellRunFile(document, "ignored", "", SW_SHOWNORMAL));
    EXPECT_EQ(GetCurrentDir() + "\n" + document + "\n", ReadFileBytes(Fifo));

    ASSERT_TRUE(ShellRunFile("http://www.example.com/sms", "", "", SW_SHOWNORMAL));
    EXPECT_EQ(GetCurrentDir() + "\nhttp://www.example.com/sms\n", ReadFileBytes(Fifo));

    EXPECT_FALSE(ShellRunFile(Folder + "missing.exe", "", "", SW_SHOWNORMAL));
}

// A disk that marks every file executable (a memory card, a shared folder)
// must not turn a help file or a melody into a script the shell runs.
TEST_F(TShellRunFileTest, AnExecutableDocumentIsOpenedNotRun) {
    SetDesktopOpener(Recorder("opener.sh"));
    // Were it run, it would report only its folder.
    for (const char* name : {"vemlor.chm", "melody.mid"}) {
        const AnsiString document = Recorder(name);
        ASSERT_TRUE(ShellRunFile(document, "", Folder, SW_SHOWNORMAL));
        EXPECT_EQ(ExcludeTrailingPathDelimiter(Folder) + "\n" + document + "\n", ReadFileBytes(Fifo)) << name;
    }
    // And a program is started only from a file marked as one.
    const AnsiString plain = Folder + "setup.bin";
    WriteFileAtomic(plain, "#!/bin/sh\n");
    EXPECT_FALSE(ShellRunProgram(plain, "", ""));
}

}  // namespace
