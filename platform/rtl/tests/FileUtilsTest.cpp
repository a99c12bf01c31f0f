#include "platform/rtl/FileUtils.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder per test under the build's test output.
class FileUtilsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Dir = AnsiString(VEMLOR_TEST_OUTPUT) + "/FileUtilsTest/" + info->name() + "/";
        fs::remove_all(Dir);
        fs::create_directories(Dir);
    }
    void TearDown() override { SetProgramFolder(""); }

    void Put(const AnsiString& name, const std::string& bytes = "x") {
        std::ofstream(AnsiToUtf8(Dir + name), std::ios::binary) << bytes;
    }
    static std::string Get(const AnsiString& path) {
        std::ifstream in(AnsiToUtf8(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> TempLeftovers() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(Dir))
            if (entry.path().filename().string().rfind(".~", 0) == 0)
                found.push_back(entry.path().filename().string());
        return found;
    }

    AnsiString Dir;
};

}  // namespace

TEST_F(FileUtilsTest, PathPartsAcceptBothSeparatorsAndReturnSlashes) {
    EXPECT_EQ(ExtractFilePath("Lang\\czech.lng"), "Lang/");
    EXPECT_EQ(ExtractFileDir("a\\b/c.txt"), "a/b");
    EXPECT_EQ(ExtractFileDir("/c.txt"), "/");
    EXPECT_EQ(ExtractFileDir("c.txt"), "");
    EXPECT_EQ(ExtractFileName("a\\b\\c.txt"), "c.txt");
    EXPECT_EQ(ExtractFileExt("a.b\\c"), "");
    EXPECT_EQ(ExtractFileExt("dir/arch.tar.gz"), ".gz");
    EXPECT_EQ(ChangeFileExt("a.b/c", ".ini"), "a.b/c.ini");
    EXPECT_EQ(ChangeFileExt("dir\\Vemlor.exe", ".ini"), "dir/Vemlor.ini");
    EXPECT_EQ(ChangeFileExt("x.txt", ""), "x");
    EXPECT_EQ(IncludeTrailingPathDelimiter("a\\b"), "a/b/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("a/b/"), "a/b/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("a/b\\"), "a/b");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

TEST_F(FileUtilsTest, ExpandFileNameFoldsDotsAgainstTheCurrentFolder) {
    EXPECT_EQ(ExpandFileName("/a/./b/../c\\d.txt"), "/a/c/d.txt");
    EXPECT_EQ(ExpandFileName("/../x"), "/x");
    EXPECT_EQ(ExpandFileName("/a/b/"), "/a/b/");
    const AnsiString old = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(Dir));
    EXPECT_EQ(GetCurrentDir(), ExcludeTrailingPathDelimiter(ExpandFileName(Dir)));
    EXPECT_EQ(ExpandFileName("sub\\f.txt"), ExpandFileName(Dir) + "sub/f.txt");
    ASSERT_TRUE(SetCurrentDir(old));
    EXPECT_FALSE(SetCurrentDir(Dir + "missing"));
}

TEST_F(FileUtilsTest, ProgramFolderIsTheExecutablesFolderUnlessOverridden) {
    const AnsiString folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(AnsiToUtf8(folder), fs::read_symlink("/proc/self/exe").parent_path().string() + "/");
    SetProgramFolder(Dir + "prog");
    EXPECT_EQ(ProgramFolder(), Dir + "prog/");
    SetProgramFolder("");
    EXPECT_EQ(ProgramFolder(), folder);
}

TEST_F(FileUtilsTest, ExistenceDirectoriesDeleteAndRename) {
    Put("a.txt", "old");
    EXPECT_TRUE(FileExists(Dir + "a.txt"));
    EXPECT_FALSE(FileExists(Dir));
    EXPECT_TRUE(DirectoryExists(Dir));
    EXPECT_FALSE(DirectoryExists(Dir + "a.txt"));
    EXPECT_TRUE(ForceDirectories(Dir + "x\\y\\z"));
    EXPECT_TRUE(DirectoryExists(Dir + "x/y/z"));
    EXPECT_TRUE(ForceDirectories(Dir + "x/y/z/"));
    EXPECT_FALSE(CreateDir(Dir + "q/r"));     // parent missing
    EXPECT_FALSE(DeleteFile(Dir + "x"));      // a directory is not a file
    Put("b.txt", "new");
    EXPECT_TRUE(RenameFile(Dir + "b.txt", Dir + "a.txt"));  // replaces the target
    EXPECT_EQ(Get(Dir + "a.txt"), "new");
    EXPECT_FALSE(FileExists(Dir + "b.txt"));
    EXPECT_TRUE(DeleteFile(Dir + "a.txt"));
    EXPECT_FALSE(DeleteFile(Dir + "a.txt"));
    EXPECT_EQ(FileSize(Dir + "a.txt"), -1);
    EXPECT_EQ(FileAge(Dir + "a.txt"), -1);
}

TEST_F(FileUtilsTest, NamesResolveIgnoringLetterCase) {
    fs::create_directories(Dir + "Lang");
    Put("Lang/Czech.LNG", "cz");
    EXPECT_TRUE(FileExists(Dir + "lang\\czech.lng"));
    EXPECT_EQ(ReadFileBytes(Dir + "LANG/CZECH.lng"), "cz");
    EXPECT_EQ(SysFileName(Dir + "lang/czech.lng"), AnsiToUtf8(Dir) + "Lang/Czech.LNG");
    // Windows-1250 letters fold too; the name on disk is UTF-8.
    Put("Číslo.txt", "1");
    EXPECT_TRUE(FileExists(Dir + "čÍSLO.TXT"));
    EXPECT_FALSE(FileExists(Dir + "cislo.txt"));
    // A name that does not exist at all stays as asked for.
    EXPECT_EQ(SysFileName(Dir + "Lang/New.txt"), AnsiToUtf8(Dir) + "Lang/New.txt");
    EXPECT_EQ(SysFileName(Dir + "lang/new.txt"), AnsiToUtf8(Dir) + "Lang/new.txt");
}

TEST_F(FileUtilsTest, SizeAndAge) {
    Put("f.bin", std::string(1234, 'z'));
    EXPECT_EQ(FileSize(Dir + "f.bin"), 1234);
    TDateTime age;
    ASSERT_TRUE(FileAge(Dir + "f.bin", age));
    ResetNowFunction();
    const TDateTime now = Now();
    EXPECT_LT(std::abs(age - now), 1.0 / 24);  // written moments ago (local time both)
}

TEST_F(FileUtilsTest, MasksFollowWindowsRulesIgnoringCase) {
    EXPECT_TRUE(MatchesMask("anything", "*.*"));
    EXPECT_TRUE(MatchesMask("a.b.c", "*"));
    EXPECT_TRUE(MatchesMask("_Vemlor.EXE", "_*.*"));
    EXPECT_TRUE(MatchesMask("_readme", "_*.*"));
    EXPECT_FALSE(MatchesMask("Vemlor.exe", "_*.*"));
    EXPECT_TRUE(MatchesMask("00012.NOT", "*.not"));
    EXPECT_FALSE(MatchesMask("00012.not.bak", "*.not"));
    EXPECT_TRUE(MatchesMask("a1.txt", "a?.txt"));
    EXPECT_FALSE(MatchesMask("a12.txt", "a?.txt"));
    EXPECT_TRUE(MatchesMask("noext", "*."));
    EXPECT_FALSE(MatchesMask("has.ext", "*."));
    EXPECT_TRUE(MatchesMask("ŽLUŤOUČKÝ.rtl", "žluť*.RTL"));
    EXPECT_TRUE(MatchesMask("abcabd", "*ab?"));
}

TEST_F(FileUtilsTest, FindFirstListsSortedAndFiltersByAttributes) {
    Put("b.not");
    Put("A.NOT");
    Put("c.txt");
    Put(".hidden.not");
    fs::create_directories(Dir + "d.not");
    std::vector<AnsiString> names;
    TSearchRec rec;
    for (Integer rc = FindFirst(Dir + "*.not", faAnyFile & ~faHidden & ~faDirectory, rec); rc == 0; rc = FindNext(rec))
        names.push_back(rec.Name);
    FindClose(rec);
    EXPECT_EQ(names, (std::vector<AnsiString>{"A.NOT", "b.not"}));

    ASSERT_EQ(FindFirst(Dir + "*.*", faDirectory, rec), 0);
    std::vector<std::pair<AnsiString, bool>> all;
    do
        all.emplace_back(rec.Name, (rec.Attr & faDirectory) != 0);
    while (FindNext(rec) == 0);
    FindClose(rec);
    EXPECT_EQ(all, (std::vector<std::pair<AnsiString, bool>>{
                       {"A.NOT", false}, {"b.not", false}, {"c.txt", false}, {"d.not", true}}));

    ASSERT_EQ(FindFirst(Dir + "c.txt", 0, rec), 0);
    EXPECT_EQ(rec.Size, 1);
    EXPECT_GT(rec.Time, 40000.0);
    EXPECT_NE(FindNext(rec), 0);
    FindClose(rec);
    EXPECT_NE(FindFirst(Dir + "*.zzz", faAnyFile, rec), 0);
    EXPECT_NE(FindFirst(Dir + "missing/*.*", faAnyFile, rec), 0);
    EXPECT_EQ(ListFiles(Dir, "*.NOT"), (std::vector<AnsiString>{"A.NOT", "b.not"}));
    EXPECT_EQ(ListFiles(Dir, "*.NOT", faHidden), (std::vector<AnsiString>{".hidden.not", "A.NOT", "b.not"}));
}

TEST_F(FileUtilsTest, AtomicWriterReplacesOnlyOnCommit) {
    Put("t.dat", "old");
    {
        TAtomicFileWriter writer(Dir + "t.dat");
        writer.Write("new contents");
        EXPECT_EQ(Get(Dir + "t.dat"), "old");
        EXPECT_EQ(TempLeftovers().size(), 1u);
    }  // never committed
    EXPECT_EQ(Get(Dir + "t.dat"), "old");
    EXPECT_TRUE(TempLeftovers().empty());

    TAtomicFileWriter writer(Dir + "t.dat");
    writer.Write("new ");
    writer.Write(std::string("contents\0!", 10));
    writer.Commit();
    EXPECT_TRUE(writer.Committed());
    EXPECT_EQ(Get(Dir + "t.dat"), std::string("new contents\0!", 14));
    EXPECT_TRUE(TempLeftovers().empty());
    EXPECT_THROW(writer.Write("more"), EInvalidOperation);
    EXPECT_THROW(writer.Commit(), EInvalidOperation);
}

TEST_F(FileUtilsTest, AtomicWriteKeepsThePermissionsOfTheReplacedFile) {
    Put("p.sh", "old");
    fs::permissions(Dir + "p.sh", fs::perms(0750));
    WriteFileAtomic(Dir + "p.sh", "new");
    EXPECT_EQ(fs::status(Dir + "p.sh").permissions() & fs::perms::mask, fs::perms(0750));
}

TEST_F(FileUtilsTest, FailedWritesLeaveTheTargetAlone) {
    EXPECT_THROW(WriteFileAtomic(Dir + "missing/x.dat", "1"), EFCreateError);

    fs::create_directories(Dir + "isdir");
    Put("isdir/keep", "k");
    try {
        WriteFileAtomic(Dir + "isdir", "1");
        FAIL();
    } catch (const EWriteError& e) {
        EXPECT_NE(e.Message().find("isdir"), AnsiString::npos);
    }
    EXPECT_TRUE(DirectoryExists(Dir + "isdir"));
    EXPECT_TRUE(TempLeftovers().empty());

    // A write that fails half-way (file size limit, which binds root too).
    Put("big.dat", "old");
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &limited);
    EXPECT_THROW(WriteFileAtomic(Dir + "big.dat", std::string(100000, 'b')), EWriteError);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(Get(Dir + "big.dat"), "old");
    EXPECT_TRUE(TempLeftovers().empty());
}

TEST_F(FileUtilsTest, ASaveRemovesTheTemporariesOfKilledSavesOfTheSameFile) {
    // What a save killed mid-write leaves: its temporary file, unlocked.
    Put(".~t.dat.a1B2c3", "half");
    Put(".~t.dat.Zz9Yy8", "");
    Put(".~u.dat.a1B2c3", "another file's");
    Put(".~t.dat.a1B2c3.keep", "not a temporary's name");
    {
        TAtomicFileWriter live(Dir + "t.dat");  // a save still running
        live.Write("live");
        WriteFileAtomic(Dir + "t.dat", "saved");
        EXPECT_EQ(Get(Dir + "t.dat"), "saved");
        std::vector<std::string> left = TempLeftovers();
        ASSERT_EQ(left.size(), 3u);
        EXPECT_EQ(std::count(left.begin(), left.end(), ".~t.dat.a1B2c3.keep"), 1);
        EXPECT_EQ(std::count(left.begin(), left.end(), ".~u.dat.a1B2c3"), 1);
        EXPECT_EQ(std::count(left.begin(), left.end(), ".~t.dat.a1B2c3"), 0);
        EXPECT_EQ(std::count(left.begin(), left.end(), ".~t.dat.Zz9Yy8"), 0);  // the live writer's is the third
        live.Commit();
    }
    EXPECT_EQ(Get(Dir + "t.dat"), "live");

    // A process killed between writing and committing.
    const pid_t child = fork();
    if (child == 0) {
        TAtomicFileWriter writer(Dir + "t.dat");
        writer.Write("never committed");
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(TempLeftovers().size(), 3u);
    WriteFileAtomic(Dir + "t.dat", "again");
    EXPECT_EQ(TempLeftovers().size(), 2u);
}

TEST_F(FileUtilsTest, AnotherProcessSweepingNeverTakesAWritersFreshTemporary) {
    // Another process saves the same file in the very moment this writer has
    // created its temporary file and not yet locked it: its sweep sees an
    // unlocked temporary. Both saves must still succeed.
    int created = 0;
    int otherStatus = -1;
    SetAtomicWriterTestHook([&](const AnsiString&) {
        if (created++ > 0) return;
        const pid_t child = fork();
        if (child == 0) {
            SetAtomicWriterTestHook(nullptr);
            try {
                WriteFileAtomic(Dir + "t.dat", "theirs");
            } catch (...) {
                _exit(1);
            }
            _exit(Get(Dir + "t.dat") == "theirs" ? 0 : 2);
        }
        waitpid(child, &otherStatus, 0);
    });
    auto unhook = ScopeExit([] { SetAtomicWriterTestHook(nullptr); });
    EXPECT_NO_THROW(WriteFileAtomic(Dir + "t.dat", "mine"));
    EXPECT_TRUE(WIFEXITED(otherStatus) && WEXITSTATUS(otherStatus) == 0) << otherStatus;
    EXPECT_EQ(Get(Dir + "t.dat"), "mine");
    EXPECT_TRUE(TempLeftovers().empty());
}

TEST_F(FileUtilsTest, ProcessesReplacingOneFileTogetherNeverFailNorTearIt) {
    // Every save's sweep looks at the other writers' temporaries; none may be
    // taken for a killed save's while its writer still needs it.
    constexpr int kProcesses = 4;
    constexpr int kSaves = 150;
    const AnsiString target = Dir + "t.dat";
    // A body of one letter, then "|" and its length: a mixture of two saves,
    // or a cut one, shows.
    auto contents = [](int process, int save) {
        const std::string body(std::size_t(300 + (save % 9) * 700), char('a' + process));
        return body + "|" + std::to_string(body.size());
    };
    auto whole = [](const std::string& bytes) {
        const std::size_t bar = bytes.rfind('|');
        if (bar == std::string::npos || bar == 0 || bytes.substr(bar + 1) != std::to_string(bar)) return false;
        return bytes.find_first_not_of(bytes[0], 0) == bar && bytes[0] >= 'a' && bytes[0] < 'a' + kProcesses;
    };
    WriteFileAtomic(target, contents(0, 0));

    int go[2];
    int report[2];
    ASSERT_EQ(pipe(go), 0);
    ASSERT_EQ(pipe(report), 0);
    std::vector<pid_t> children;
    for (int process = 0; process < kProcesses; ++process) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(go[1]);
            char none;
            // All start together, when the parent closes its end.
            while (::read(go[0], &none, 1) < 0 && errno == EINTR) {
            }
            int failed = 0;
            int torn = 0;
            std::string first;
            for (int save = 0; save < kSaves; ++save) {
                try {
                    WriteFileAtomic(target, contents(process, save));
                } catch (const Exception& e) {
                    if (failed++ == 0) first = e.Message();
                }
                try {
                    if (!whole(ReadFileBytes(target))) ++torn;
                } catch (const Exception&) {
                    ++torn;
                }
            }
            const std::string line = "process " + std::to_string(process) + ": " + std::to_string(failed) +
                                     " failed, " + std::to_string(torn) + " torn " + first.substr(0, 200) + "\n";
            if (::write(report[1], line.data(), line.size()) < 0) _exit(3);
            _exit(failed == 0 && torn == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    ::close(go[0]);
    ::close(go[1]);
    ::close(report[1]);
    int clean = 0;
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) ++clean;
    }
    std::string lines;
    char buffer[512];
    for (ssize_t got; (got = ::read(report[0], buffer, sizeof buffer)) > 0;) lines.append(buffer, std::size_t(got));
    ::close(report[0]);
    EXPECT_EQ(clean, kProcesses) << lines;
    EXPECT_TRUE(whole(Get(target)));
    EXPECT_TRUE(TempLeftovers().empty());
}

TEST_F(FileUtilsTest, ReadFileBytesNamesTheFileOnFailure) {
    Put("r.bin", std::string("a\0b\r\n", 5));
    EXPECT_EQ(ReadFileBytes(Dir + "r.bin"), std::string("a\0b\r\n", 5));
    try {
        ReadFileBytes(Dir + "nothere.bin");
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + Dir + "nothere.bin\". No such file or directory");
    }
    EXPECT_THROW(ReadFileBytes(Dir), EFOpenError);
}

TEST_F(FileUtilsTest, FreshFoldersArePrivateAndRemovingOneNeverFollowsALinkOut) {
    fs::create_directories(AnsiToUtf8(Dir + "outside"));
    Put("outside/kept", "kept");
    const AnsiString first = CreateFreshFolder(Dir, ".~in-");
    const AnsiString second = CreateFreshFolder(ExcludeTrailingPathDelimiter(Dir), ".~in-");
    EXPECT_NE(first, second);
    for (const AnsiString& name : {first, second}) {
        EXPECT_EQ(ExtractFilePath(ExcludeTrailingPathDelimiter(name)), Dir) << name;
        EXPECT_EQ(name.back(), '/');
        EXPECT_TRUE(fs::is_empty(AnsiToUtf8(name))) << name;
        EXPECT_EQ(fs::status(AnsiToUtf8(name)).permissions() & fs::perms::all, fs::perms::owner_all) << name;
    }
    EXPECT_THROW(CreateFreshFolder(Dir + "missing", ".~in-"), EFCreateError);

    fs::create_directory_symlink(AnsiToUtf8(Dir + "outside"), AnsiToUtf8(first + "link"));
    fs::create_directories(AnsiToUtf8(first + "sub"));
    Put(ExtractFileName(ExcludeTrailingPathDelimiter(first)) + "/sub/f", "f");
    EXPECT_TRUE(RemoveTree(first));
    EXPECT_FALSE(fs::exists(AnsiToUtf8(first)));
    EXPECT_EQ(Get(Dir + "outside/kept"), "kept");
}

TEST_F(FileUtilsTest, FreshFilesAreNewEmptyAndNamedAsCreated) {
    // Differs from the prefix only in letter case: must not be taken for it.
    Put(".~IN-");
    const AnsiString first = CreateFreshFile(Dir, ".~in-");
    const AnsiString second = CreateFreshFile(ExcludeTrailingPathDelimiter(Dir), ".~in-");
    EXPECT_NE(first, second);
    for (const AnsiString& name : {first, second}) {
        EXPECT_EQ(ExtractFilePath(name), Dir);
        EXPECT_EQ(ExtractFileName(name).rfind(".~in-", 0), 0u) << name;
        EXPECT_TRUE(fs::is_regular_file(AnsiToUtf8(name))) << name;
        EXPECT_EQ(Get(name), "");
    }
    EXPECT_EQ(Get(Dir + ".~IN-"), "x");
    EXPECT_THROW(CreateFreshFile(Dir + "missing", ".~in-"), EFCreateError);
}
