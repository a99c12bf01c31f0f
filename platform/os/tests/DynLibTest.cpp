#include "platform/os/DynLib.h"

#include <cstdint>
#include <utility>

#include <gtest/gtest.h>

#include "platform/rtl/FileUtils.h"

namespace {

using TAdd = std::int32_t (*)(std::int32_t, std::int32_t);

// A program folder of its own holding a copy of the test module under the
// given name (the copy is a fresh file, so the loader never confuses it with
// another one).
class TDynLibTest : public ::testing::Test {
protected:
    void SetUp() override {
        FFolder = AnsiString(VEMLOR_TEST_OUTPUT) + "/dynlib/" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        ForceDirectories(FFolder);
        SetProgramFolder(FFolder);
    }
    void TearDown() override { SetProgramFolder(""); }

    void Install(const AnsiString& fileName) {
        AnsiString bytes = ReadFileBytes(VEMLOR_OS_TESTLIB);
        ASSERT_FALSE(bytes.empty());
        WriteFileAtomic(FFolder + fileName, bytes);
    }

    AnsiString FFolder;
};

}  // namespace

TEST(LibraryFileNameTest, DllNamesResolveToSharedObjectsInTheProgramFolder) {
    SetProgramFolder("/opt/vemlor/");
    EXPECT_EQ(LibraryFileName("caller.dll"), "/opt/vemlor/caller.so");
    EXPECT_EQ(LibraryFileName("MAC.DLL"), "/opt/vemlor/MAC.so");
    EXPECT_EQ(LibraryFileName("rasapi32"), "/opt/vemlor/rasapi32");
    EXPECT_EQ(LibraryFileName("/usr/lib/x.so"), "/usr/lib/x.so");
    EXPECT_EQ(LibraryFileName("sub\\caller.dll"), "sub/caller.so");
    SetProgramFolder("");
}

TEST_F(TDynLibTest, LoadsFromTheProgramFolderAndCallsAnExport) {
    Install("testlib.so");
    TDynLib lib;
    ASSERT_TRUE(lib.Load("testlib.dll")) << lib.LastError();
    EXPECT_EQ(lib.FileName(), FFolder + "testlib.so");
    TAdd add = lib.Proc<TAdd>("TestLib_Add");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(40, 2), 42);
    EXPECT_TRUE(lib.Free());
    EXPECT_FALSE(lib.Loaded());
    EXPECT_FALSE(lib.Free());
}

TEST_F(TDynLibTest, FileNameMatchesWhateverTheLetterCase) {
    Install("TestLib.SO");
    TDynLib lib;
    EXPECT_TRUE(lib.Load("testlib.dll")) << lib.LastError();
}

TEST_F(TDynLibTest, FailuresNameTheFileAndTheSymbol) {
    TDynLib lib;
    EXPECT_FALSE(lib.Load("missing.dll"));
    EXPECT_FALSE(lib.Loaded());
    EXPECT_NE(lib.LastError().find(FFolder + "missing.so"), AnsiString::npos) << lib.LastError();
    EXPECT_EQ(lib.Symbol("TestLib_Add"), nullptr);

    // A file that is no library at all.
    WriteFileAtomic(FFolder + "text.so", AnsiString("not a library\n"));
    EXPECT_FALSE(lib.Load("text.dll"));
    EXPECT_FALSE(lib.Loaded());

    Install("testlib.so");
    ASSERT_TRUE(lib.Load("testlib.dll"));
    EXPECT_EQ(lib.Symbol("TestLib_Missing"), nullptr);
    EXPECT_NE(lib.LastError().find("TestLib_Missing"), AnsiString::npos) << lib.LastError();
    EXPECT_TRUE(lib.Loaded());
}

TEST_F(TDynLibTest, MovingHandsTheLibraryOver) {
    Install("testlib.so");
    TDynLib first;
    ASSERT_TRUE(first.Load("testlib.dll"));
    TDynLib second = std::move(first);
    EXPECT_FALSE(first.Loaded());
    ASSERT_TRUE(second.Loaded());
    EXPECT_EQ(second.Proc<TAdd>("TestLib_Add")(1, 2), 3);
}
