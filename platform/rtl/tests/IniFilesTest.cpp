#include "platform/rtl/IniFiles.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/StringList.h"

namespace fs = std::filesystem;

namespace {

class TIniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Dir = AnsiString(VEMLOR_TEST_OUTPUT) + "/TIniFileTest/" + info->name() + "/";
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        Name = Dir + "test.ini";
    }
    void Put(const std::string& bytes) { std::ofstream(Name, std::ios::binary) << bytes; }
    std::string Get() const {
        std::ifstream in(Name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    AnsiString Dir;
    AnsiString Name;
};

}  // namespace

TEST_F(TIniFileTest, ReadsIgnoringCaseBlanksCommentsAndLineEnds) {
    Put("; header comment\r\n"
        "orphan=before any section\n"
        "[Main]\r\n"
        "  Key One  =  value with  inner  blanks \t\r\n"
        ";Skipped=1\n"
        "empty=\n"
        "Eq=a=b\r\n"
        "noequals line\n"
        "[ Other ]\n"
        "key one=other section\n"
        "last=no line end");
    TIniFile ini(Name);
    EXPECT_EQ(ini.ReadString("MAIN", "key one", "def"), "value with  inner  blanks");
    EXPECT_EQ(ini.ReadString("main", "empty", "def"), "");     // present but empty
    EXPECT_EQ(ini.ReadString("main", "missing", "def"), "def");
    EXPECT_EQ(ini.ReadString("main", "Skipped", "def"), "def");
    EXPECT_EQ(ini.ReadString("main", ";Skipped", "def"), "def");
    EXPECT_EQ(ini.ReadString("main", "Eq", ""), "a=b");
    EXPECT_EQ(ini.ReadString("main", "orphan", "def"), "def");
    EXPECT_EQ(ini.ReadString("other", "KEY ONE", ""), "other section");
    EXPECT_EQ(ini.ReadString("Other", "last", ""), "no line end");
    EXPECT_EQ(ini.ReadSections(), (std::vector<AnsiString>{"Main", "Other"}));
    EXPECT_EQ(ini.ReadSection("main"), (std::vector<AnsiString>{"Key One", "empty", "Eq"}));
    EXPECT_EQ(ini.ReadSectionValues("other"), (std::vector<AnsiString>{"key one=other section", "last=no line end"}));
    EXPECT_TRUE(ini.SectionExists("OTHER"));
    EXPECT_FALSE(ini.SectionExists("third"));
    EXPECT_TRUE(ini.ValueExists("main", "EMPTY"));
    EXPECT_FALSE(ini.ValueExists("other", "empty"));
}

TEST_F(TIniFileTest, StripsOneMatchingPairOfQuotes) {
    Put("[q]\na=\"quoted\"\nb='single'\nc=\"\"x\"\"\nd=\"\ne='mixed\"\nf=\"\"\ng=  ' padded '  \n");
    TIniFile ini(Name);
    EXPECT_EQ(ini.ReadString("q", "a", ""), "quoted");
    EXPECT_EQ(ini.ReadString("q", "b", ""), "single");
    EXPECT_EQ(ini.ReadString("q", "c", ""), "\"x\"");
    EXPECT_EQ(ini.ReadString("q", "d", ""), "\"");
    EXPECT_EQ(ini.ReadString("q", "e", ""), "'mixed\"");
    EXPECT_EQ(ini.ReadString("q", "f", "def"), "");
    EXPECT_EQ(ini.ReadString("q", "g", ""), " padded ");
}

TEST_F(TIniFileTest, ValuesAreBytesWithoutLengthLimit) {
    TIniFile ini(Name);
    const AnsiString czech = "Příliš žluťoučký kůň";
    AnsiString bytes;
    for (int c = 1; c < 256; ++c)
        if (c != '\r' && c != '\n')
            bytes += static_cast<char>(c);
    const AnsiString longValue(100000, 'v');
    ini.WriteString("Texty", "Kůň", czech);
    ini.WriteString("Texty", "bytes", bytes);
    ini.WriteString("Texty", "long", longValue);
    EXPECT_EQ(ini.ReadString("texty", "KŮŇ", ""), czech);
    EXPECT_EQ(ini.ReadString("texty", "bytes", ""), bytes);
    EXPECT_EQ(ini.ReadString("texty", "long", ""), longValue);
    // Stored as Windows-1250 bytes, not converted.
    EXPECT_NE(Get().find("Kůň=" + czech + "\r\n"), std::string::npos);
}

TEST_F(TIniFileTest, WritesInPlaceAppendsKeysAndSectionsWithCrLf) {
    Put("; keep me\n[A]\nx=1\n\n[B]\ny=2\n");
    TIniFile ini(Name);
    ini.WriteString("a", "X", "10");       // replaces in place
    ini.WriteString("A", "z", "3");        // after the section's last line
    ini.WriteString("C", "w", "4");        // new section at the end
    ini.WriteInteger("b", "n", -7);
    EXPECT_EQ(Get(), "; keep me\r\n[A]\r\nX=10\r\nz=3\r\n\r\n[B]\r\ny=2\r\nn=-7\r\n[C]\r\nw=4\r\n");
}

TEST_F(TIniFileTest, BlankEdgedValuesAreQuotedQuotedValuesWrittenAsTheyStand) {
    TIniFile ini(Name);
    for (const AnsiString& value : {AnsiString("  padded  "), AnsiString("\t"), AnsiString(" \"a\""),
                                    AnsiString("plain \"inner\" quotes")}) {
        ini.WriteString("s", "k", value);
        EXPECT_EQ(ini.ReadString("s", "k", "def"), value) << value;
    }
    // An enclosing pair is dropped on reading; a caller that wants to keep
    // it wraps the value in one more pair.
    ini.WriteString("s", "k", "'q'");
    EXPECT_EQ(ini.ReadString("s", "k", ""), "q");
    ini.WriteString("s", "k", "\"\"q\"\"");
    EXPECT_EQ(ini.ReadString("s", "k", ""), "\"q\"");
    EXPECT_EQ(Get(), "[s]\r\nk=\"\"q\"\"\r\n");
    ini.WriteString("s", "k", " x ");
    EXPECT_EQ(Get(), "[s]\r\nk=\" x \"\r\n");
}

TEST_F(TIniFileTest, ReadingNeverCreatesTheFile) {
    TIniFile ini(Name);
    EXPECT_EQ(ini.ReadString("s", "k", "def"), "def");
    EXPECT_TRUE(ini.ReadSections().empty());
    EXPECT_FALSE(ini.SectionExists("s"));
    ini.DeleteKey("s", "k");
    ini.EraseSection("s");
    ini.UpdateFile();
    EXPECT_FALSE(fs::exists(Name));
    EXPECT_EQ(ini.FileName(), Name);
}

TEST_F(TIniFileTest, NumbersBooleansFloatsAndDates) {
    Put("[n]\ndec= -42 \nplus=+5\nhex=0x1F\nHEX=0XfF\nneg=-0x10\nallbits=0xFFFFFFFF\nbig=2147483648\n"
        "min=-2147483648\ntext=12abc\ndollar=$10\nempty=\nquoted=\"7\"\nf=3.25\nfbad=3,25\nb2=2\nbt=true\n");
    TIniFile ini(Name);
    EXPECT_EQ(ini.ReadInteger("n", "dec", 0), -42);
    EXPECT_EQ(ini.ReadInteger("n", "plus", 0), 5);
    EXPECT_EQ(ini.ReadInteger("n", "hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("n", "neg", 0), -16);
    EXPECT_EQ(ini.ReadInteger("n", "allbits", 0), -1);
    EXPECT_EQ(ini.ReadInteger("n", "big", 9), 9);
    EXPECT_EQ(ini.ReadInteger("n", "min", 0), -2147483647 - 1);
    EXPECT_EQ(ini.ReadInteger("n", "text", 9), 9);
    EXPECT_EQ(ini.ReadInteger("n", "dollar", 9), 9);
    EXPECT_EQ(ini.ReadInteger("n", "empty", 9), 9);
    EXPECT_EQ(ini.ReadInteger("n", "quoted", 9), 7);
    EXPECT_EQ(ini.ReadInteger("n", "missing", 9), 9);
    EXPECT_EQ(ini.ReadFloat("n", "f", 0), 3.25);
    EXPECT_EQ(ini.ReadFloat("n", "fbad", 1.5), 1.5);
    EXPECT_TRUE(ini.ReadBool("n", "b2", false));
    EXPECT_FALSE(ini.ReadBool("n", "bt", false));  // not an integer: the default
    EXPECT_TRUE(ini.ReadBool("n", "missing", true));

    ini.WriteBool("w", "on", true);
    ini.WriteBool("w", "off", false);
    ini.WriteFloat("w", "pi", 3.5);
    ini.WriteFloat("w", "third", 1.0 / 3);
    ini.WriteInteger("w", "int", -2147483647 - 1);
    const TDateTime when = EncodeDateTime(2024, 3, 5, 7, 8, 9, 0);
    ini.WriteDateTime("w", "when", when);
    EXPECT_EQ(ini.ReadString("w", "on", ""), "1");
    EXPECT_EQ(ini.ReadString("w", "off", ""), "0");
    EXPECT_EQ(ini.ReadString("w", "pi", ""), "3.5");
    EXPECT_NEAR(ini.ReadFloat("w", "third", 0), 1.0 / 3, 1e-14);
    EXPECT_EQ(ini.ReadInteger("w", "int", 0), -2147483647 - 1);
    EXPECT_EQ(ini.ReadDateTime("w", "when", 0), when);
    EXPECT_EQ(ini.ReadDateTime("w", "on", -1), -1);
}

TEST_F(TIniFileTest, DeleteKeyAndEraseSection) {
    Put("[A]\nx=1\ny=2\n[B]\nz=3\n[a]\nx=dup\n");
    TIniFile ini(Name);
    ini.DeleteKey("a", "X");
    EXPECT_FALSE(ini.ValueExists("A", "x"));
    EXPECT_EQ(ini.ReadString("A", "y", ""), "2");
    ini.DeleteKey("A", "nothing");
    ini.DeleteKey("Nothing", "x");
    ini.EraseSection("b");
    EXPECT_EQ(Get(), "[A]\r\ny=2\r\n[a]\r\n");
    ini.EraseSection("A");
    EXPECT_EQ(Get(), "");
    ini.EraseSection("A");
}

TEST_F(TIniFileTest, FillsStringLists) {
    Put("[S]\nb=2\na=1\n[T]\n");
    TIniFile ini(Name);
    TStringList list;
    list.Add("stale");
    ini.ReadSections(list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[1], "T");
    ini.ReadSection("s", list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0], "b");
    ini.ReadSectionValues("s", list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[1], "a=1");
}

TEST_F(TIniFileTest, RefusesNamesAndValuesThatWouldNotReadBack) {
    TIniFile ini(Name);
    const std::pair<AnsiString, AnsiString> badKeys[] = {{"s", "a=b"}, {"s", "[x"}, {"s", ";c"}, {"s", "l\nf"},
                                                         {"s", "c\rr"}, {"s", "  "}, {"s]", "k"}, {"s\n", "k"}};
    for (const auto& [section, key] : badKeys)
        EXPECT_THROW(ini.WriteString(section, key, "v"), EIniFileException) << key;
    EXPECT_THROW(ini.WriteString("s", "k", "two\r\nlines"), EIniFileException);
    EXPECT_THROW(ini.WriteString("s", "k", "lf\n"), EIniFileException);
    EXPECT_FALSE(fs::exists(Name));
    try {
        ini.WriteString("sec", "a=b", "v");
    } catch (const EIniFileException& e) {
        EXPECT_NE(e.Message().find("\"a=b\""), AnsiString::npos);
        EXPECT_NE(e.Message().find(Name), AnsiString::npos);
    }
}

TEST_F(TIniFileTest, TwoObjectsOnOneFileSeeEachOthersWrites) {
    TIniFile first(Name);
    first.WriteString("s", "created", "first");
    TIniFile second(Dir + ".//TEST.INI");  // the same file, spelled differently
    first.WriteString("s", "a", "1");
    EXPECT_EQ(second.ReadString("s", "a", ""), "1");
    second.WriteString("S", "b", "2");
    EXPECT_EQ(first.ReadString("s", "b", ""), "2");
    EXPECT_EQ(first.ReadString("s", "a", ""), "1");
}

// Reads keep the parsed file while it is unchanged; each kind of change by
// another writer must still be seen at the next read.
TEST_F(TIniFileTest, ReadsSeeEveryChangeOnDiskWhateverItsTiming) {
    TIniFile ini(Name);
    auto age = [&](int seconds) {
        const fs::file_time_type old = fs::file_time_type::clock::now() - std::chrono::seconds(seconds);
        fs::last_write_time(AnsiToUtf8(Name), old);
    };
    // Rewritten in place at once, to the same size: the time stamp may not move.
    Put("[s]\nk=1\n");
    EXPECT_EQ(ini.ReadString("s", "k", ""), "1");
    Put("[s]\nk=2\n");
    EXPECT_EQ(ini.ReadString("s", "k", ""), "2");

    // A file quiet for a while is trusted by its stamp; an edit gives it a new one.
    age(60);
    EXPECT_EQ(ini.ReadString("s", "k", ""), "2");
    Put("[s]\nk=3\n");
    EXPECT_EQ(ini.ReadString("s", "k", ""), "3");

    // Replaced by another file, also one with an old time stamp.
    fs::rename(AnsiToUtf8(Name), AnsiToUtf8(Dir + "moved.ini"));
    Put("[s]\nk=4\n");
    age(60);
    EXPECT_EQ(ini.ReadString("s", "k", ""), "4");
    EXPECT_EQ(TIniFile(Dir + "moved.ini").ReadString("s", "k", ""), "3");

    // Removed, then written by another object.
    fs::remove(AnsiToUtf8(Name));
    EXPECT_EQ(ini.ReadString("s", "k", "none"), "none");
    EXPECT_FALSE(ini.SectionExists("s"));
    TIniFile(Name).WriteString("s", "k", "5");
    EXPECT_EQ(ini.ReadString("s", "k", ""), "5");
    EXPECT_EQ(ini.ReadSectionValues("s"), std::vector<AnsiString>{"k=5"});
}

TEST_F(TIniFileTest, ConcurrentWritersLoseNoUpdate) {
    constexpr int kThreads = 8;
    constexpr int kKeys = 10;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            TIniFile ini(Name);  // each thread its own object on the same file
            for (int k = 0; k < kKeys; ++k)
                ini.WriteInteger("T" + std::to_string(t % 2), "k" + std::to_string(t) + "_" + std::to_string(k), k);
        });
    }
    for (auto& thread : threads)
        thread.join();
    TIniFile ini(Name);
    EXPECT_EQ(ini.ReadSection("T0").size() + ini.ReadSection("T1").size(), size_t(kThreads * kKeys));
    for (int t = 0; t < kThreads; ++t)
        for (int k = 0; k < kKeys; ++k)
            EXPECT_EQ(ini.ReadInteger("T" + std::to_string(t % 2), "k" + std::to_string(t) + "_" + std::to_string(k), -1), k);
}

TEST_F(TIniFileTest, FailedWriteKeepsTheOldFile) {
    Put("[s]\nold=1\n");
    const std::string before = Get();

    // The message says why, in the system's words, as a failed table save does.
    auto failure = [](auto write) {
        try {
            write();
        } catch (const EIniFileException& e) {
            return e.Message();
        }
        return AnsiString("no error");
    };

    // The folder is not created.
    TIniFile noFolder(Dir + "missing/x.ini");
    EXPECT_EQ(failure([&] { noFolder.WriteString("s", "k", "v"); }),
              "Unable to write to " + Dir + "missing/x.ini. No such file or directory");
    EXPECT_FALSE(fs::exists(Dir + "missing"));

    // The settings "file" is a directory: nothing is replaced.
    fs::create_directories(Dir + "dir.ini");
    EXPECT_EQ(failure([&] { TIniFile(Dir + "dir.ini").WriteString("s", "k", "v"); }),
              "Unable to write to " + Dir + "dir.ini. Is a directory");
    EXPECT_TRUE(fs::is_directory(Dir + "dir.ini"));

    // The new contents do not fit (file size limit, which binds root too).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &limited);
    TIniFile ini(Name);
    EXPECT_EQ(failure([&] { ini.WriteString("s", "big", std::string(5000, 'x')); }),
              "Unable to write to " + Name + ". File too large");
    EXPECT_EQ(failure([&] {
                  TIniFileBatch batch(Name);
                  ini.WriteString("s", "big", std::string(5000, 'x'));
                  batch.Commit();
              }),
              "Unable to write to " + Name + ". File too large");
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(Get(), before);
    EXPECT_EQ(ini.ReadString("s", "old", ""), "1");
    // No temporary file is left; lock files stay by design.
    for (const auto& entry : fs::directory_iterator(Dir))
        EXPECT_TRUE(entry.path().filename().string().rfind(".~", 0) != 0 || entry.path().extension() == ".lock")
            << entry.path();
}

namespace {

// Runs `body` in a child process told to start through `go` (which it only
// reads); the child ends with the body's result, 2 on an exception, and never
// returns into the test runner.
template <class TBody>
pid_t StartChild(const int (&go)[2], TBody body) {
    const pid_t child = fork();
    if (child != 0)
        return child;
    close(go[1]);
    int result = 1;
    char c;
    if (read(go[0], &c, 1) == 1) {
        try {
            result = body();
        } catch (...) {
            result = 2;
        }
    }
    _exit(result);
}

TEST_F(TIniFileTest, WritersInTwoProcessesLoseNoKey) {
    // The client's call thread and the updater both write "update.ini".
    constexpr int kKeys = 60;
    auto writeKeys = [this](const AnsiString& Section) {
        TIniFile ini(Name);
        for (int k = 0; k < kKeys; ++k) ini.WriteInteger(Section, "k" + std::to_string(k), k);
    };
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = StartChild(go, [&] {
        writeKeys("Updater");
        return 0;
    });
    // Both start together.
    EXPECT_EQ(write(go[1], "x", 1), 1);
    close(go[1]);
    EXPECT_NO_THROW(writeKeys("Client"));
    int status = -1;
    waitpid(child, &status, 0);
    close(go[0]);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    TIniFile ini(Name);
    EXPECT_EQ(ini.ReadSection("Client").size(), size_t(kKeys));
    EXPECT_EQ(ini.ReadSection("Updater").size(), size_t(kKeys));
}

TEST_F(TIniFileTest, ABatchLandsOnceWholeOrNotAtAll) {
    Put("; kept\r\n[s]\r\nold=1\r\n");
    const std::string before = Get();
    TIniFile ini(Name);
    {
        TIniFileBatch batch(Name);
        ini.WriteString("s", "a", "1");
        TIniFile(Dir + ".//TEST.INI").WriteString("t", "b", "2");  // another object, another spelling
        ini.DeleteKey("s", "old");
        {
            TIniFileBatch inner(Name);  // part of the outer one
            ini.WriteString("s", "c", "3");
            inner.Commit();
        }
        // This thread reads the batch; the disk and other threads still
        // have the file as it was.
        EXPECT_EQ(ini.ReadString("t", "b", ""), "2");
        EXPECT_FALSE(ini.ValueExists("s", "old"));
        EXPECT_EQ(ini.ReadSection("s"), (std::vector<AnsiString>{"a", "c"}));
        EXPECT_EQ(Get(), before);
        AnsiString elsewhere;
        std::thread([&] { elsewhere = TIniFile(Name).ReadString("s", "old", "gone"); }).join();
        EXPECT_EQ(elsewhere, "1");
        batch.Commit();
    }
    EXPECT_EQ(Get(), "; kept\r\n[s]\r\na=1\r\nc=3\r\n[t]\r\nb=2\r\n");
    EXPECT_EQ(ini.ReadString("s", "c", ""), "3");

    // Dropped: nothing reaches the file, and later writes go to it again.
    const std::string committed = Get();
    {
        TIniFileBatch batch(Name);
        ini.WriteString("s", "a", "changed");
        ini.EraseSection("t");
    }
    EXPECT_EQ(Get(), committed);
    EXPECT_EQ(ini.ReadString("s", "a", ""), "1");
    ini.WriteString("s", "d", "4");
    EXPECT_EQ(ini.ReadString("s", "d", ""), "4");

    // A batch that changes nothing creates no file.
    {
        TIniFileBatch batch(Dir + "none.ini");
        batch.Commit();
    }
    EXPECT_FALSE(fs::exists(Dir + "none.ini"));
}

TEST_F(TIniFileTest, AnotherProcessWritingDuringABatchWaitsAndKeepsBoth) {
    TIniFile ini(Name);
    ini.WriteString("Version", "Base", "1.0");
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    // Told to write while the batch is open: waits for the batch's lock, then
    // changes the file the batch committed.
    const pid_t child = StartChild(go, [this] {
        TIniFile(Name).WriteString("Version", "Plugin", "2.0");
        return 0;
    });
    {
        TIniFileBatch batch(Name);
        ini.WriteString("Version", "Client", "1.1");
        EXPECT_EQ(write(go[1], "x", 1), 1);
        close(go[1]);
        batch.Commit();
    }
    int status = -1;
    waitpid(child, &status, 0);
    close(go[0]);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(ini.ReadSectionValues("Version"),
              (std::vector<AnsiString>{"Base=1.0", "Client=1.1", "Plugin=2.0"}));
}

}  // namespace
