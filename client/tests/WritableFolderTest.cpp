// The try at the program folder: a file is really made there (so a read-only
// mount, which the mode bits do not show, is found) and none is left behind.

#include "client/WritableFolder.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/rtl/FileUtils.h"

namespace {

TEST(FolderWriteProblemTest, SaysWhyAFolderTakesNoFileAndLeavesNoTraceWhereOneDoes) {
    const AnsiString folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/client/WritableFolder/";
    std::filesystem::remove_all(SysFileName(folder));
    ForceDirectories(folder + "program");
    WriteFileAtomic(folder + "program/Adresa.dat", "rows");
    WriteFileAtomic(folder + "plain", "a file, not a folder");

    EXPECT_EQ(FolderWriteProblem(folder + "program/"), "");
    EXPECT_EQ(FolderWriteProblem(folder + "program"), "");
    EXPECT_EQ(ListFiles(folder + "program", "*", faAnyFile), std::vector<AnsiString>{"Adresa.dat"});

    // Refused to the superuser too, whatever the mode bits.
    EXPECT_EQ(FolderWriteProblem(folder + "plain/"), "Not a directory");
    EXPECT_EQ(FolderWriteProblem(folder + "missing/"), "No such file or directory");
    EXPECT_EQ(ListFiles(folder, "*", faAnyFile), (std::vector<AnsiString>{"plain", "program"}));
}

}  // namespace
