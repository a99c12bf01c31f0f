#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/rtl/Exceptions.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder per test, so parallel test runs never share files.
fs::path TestFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path folder = fs::path(VEMLOR_TEST_OUTPUT) / "rtl-streams" / (std::string(info->test_suite_name()) + "." + info->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

std::string ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

AnsiString ContentOf(TMemoryStream& stream) {
    return AnsiString(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

}  // namespace

TEST(TMemoryStreamTest, SeeksFromEachOriginAndReadsWhatWasWritten) {
    TMemoryStream stream;
    stream.WriteBuffer("abcdef", 6);
    EXPECT_EQ(stream.Position(), 6);
    EXPECT_EQ(stream.Seek(1, soFromBeginning), 1);
    EXPECT_EQ(stream.Seek(2, soFromCurrent), 3);
    char c = 0;
    stream.ReadBuffer(&c, 1);
    EXPECT_EQ(c, 'd');
    EXPECT_EQ(stream.Seek(-1, soFromEnd), 5);
    stream.ReadBuffer(&c, 1);
    EXPECT_EQ(c, 'f');
    EXPECT_EQ(stream.Seek(-2, soEnd), 4);  // the TSeekOrigin spelling works too
}

TEST(TMemoryStreamTest, ReadingAtOrPastTheEndGivesNothing) {
    TMemoryStream stream;
    stream.WriteBuffer("xy", 2);
    char buffer[8] = {};
    stream.SetPosition(1);
    EXPECT_EQ(stream.Read(buffer, 8), 1);
    EXPECT_EQ(stream.Read(buffer, 8), 0);
    stream.SetPosition(10);
    EXPECT_EQ(stream.Read(buffer, 8), 0);
    EXPECT_EQ(stream.Read(buffer, -1), 0);
}

TEST(TMemoryStreamTest, WritingPastTheEndFillsTheGapWithZeros) {
    TMemoryStream stream;
    stream.WriteBuffer("ab", 2);
    stream.SetPosition(5);
    EXPECT_EQ(stream.Size(), 2);  // a position beyond the end alone does not grow it
    stream.WriteBuffer("z", 1);
    EXPECT_EQ(ContentOf(stream), AnsiString("ab\0\0\0z", 6));
}

TEST(TMemoryStreamTest, NegativePositionNeitherReadsNorWrites) {
    TMemoryStream stream;
    stream.WriteBuffer("abc", 3);
    EXPECT_EQ(stream.Seek(-10, soFromCurrent), -7);
    char c = 0;
    EXPECT_EQ(stream.Read(&c, 1), 0);
    EXPECT_EQ(stream.Write("q", 1), 0);
    EXPECT_EQ(ContentOf(stream), "abc");
    EXPECT_THROW(stream.ReadBuffer(&c, 1), EReadError);
}

TEST(TMemoryStreamTest, SetSizeKeepsContentAndPullsThePositionBack) {
    TMemoryStream stream;
    stream.WriteBuffer("abcdef", 6);
    stream.SetSize(3);
    EXPECT_EQ(ContentOf(stream), "abc");
    EXPECT_EQ(stream.Position(), 3);
    stream.SetSize(5);
    EXPECT_EQ(ContentOf(stream), AnsiString("abc\0\0", 5));
    EXPECT_EQ(stream.Position(), 3);
    EXPECT_THROW(stream.SetSize(-1), EStreamError);
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Position(), 0);
}

TEST(TStreamTest, ReadBufferAndWriteBufferRaiseOnShortTransfers) {
    TMemoryStream stream;
    stream.WriteBuffer("abc", 3);
    stream.SetPosition(1);
    char buffer[4];
    try {
        stream.ReadBuffer(buffer, 4);
        FAIL() << "a short read must raise";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Stream read error");
    }
    stream.ReadBuffer(buffer, 0);  // nothing asked, nothing raised

    fs::path file = TestFolder() / "ro.bin";
    std::ofstream(file) << "data";
    TFileStream readOnly(file.string(), fmOpenRead);
    try {
        readOnly.WriteBuffer("x", 1);
        FAIL() << "a refused write must raise";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error");
    }
}

TEST(TStreamTest, CopyFromZeroCopiesTheWholeSourceFromItsStart) {
    TStringStream source("0123456789");
    source.SetPosition(7);
    TMemoryStream target;
    target.WriteBuffer(">", 1);
    EXPECT_EQ(target.CopyFrom(&source, 0), 10);
    EXPECT_EQ(ContentOf(target), ">0123456789");
    EXPECT_EQ(source.Position(), 10);
}

TEST(TStreamTest, CopyFromCountStartsAtTheSourcePosition) {
    TStringStream source("0123456789");
    source.SetPosition(2);
    TMemoryStream target;
    EXPECT_EQ(target.CopyFrom(&source, 3), 3);
    EXPECT_EQ(ContentOf(target), "234");
    EXPECT_EQ(source.Position(), 5);
    EXPECT_THROW(target.CopyFrom(&source, 6), EReadError);  // only 5 left
}

TEST(TStreamTest, CopyFromCrossesItsBufferSize) {
    AnsiString big;
    for (int i = 0; i < 200000; ++i) big += static_cast<char>('a' + i % 26);
    TStringStream source(big);
    TStringStream target;
    EXPECT_EQ(target.CopyFrom(&source, 0), 200000);
    EXPECT_EQ(target.DataString(), big);
}

TEST(TFileStreamTest, CreatesWritesAndReopensForReading) {
    fs::path file = TestFolder() / "data.bin";
    {
        TFileStream out(file.string(), fmCreate);
        out.WriteBuffer("hello world", 11);
        EXPECT_EQ(out.Size(), 11);
    }
    TFileStream in(file.string(), fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(in.Size(), 11);
    EXPECT_EQ(in.Seek(-5, soFromEnd), 6);
    char buffer[5];
    in.ReadBuffer(buffer, 5);
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_EQ(in.Read(buffer, 5), 0);
    EXPECT_THROW(in.ReadBuffer(buffer, 1), EReadError);
}

TEST(TFileStreamTest, CreateTruncatesAnExistingFile) {
    fs::path file = TestFolder() / "old.txt";
    std::ofstream(file) << "old contents";
    { TFileStream out(file.string(), fmCreate); }
    EXPECT_EQ(fs::file_size(file), 0u);
}

TEST(TFileStreamTest, ReadWriteOverwritesInPlace) {
    fs::path file = TestFolder() / "rw.txt";
    std::ofstream(file) << "abcdef";
    {
        TFileStream rw(file.string(), fmOpenReadWrite | fmShareExclusive);
        rw.SetPosition(2);
        rw.WriteBuffer("XY", 2);
    }
    EXPECT_EQ(ReadWholeFile(file), "abXYef");
}

TEST(TFileStreamTest, SeekBeforeTheStartFailsAndKeepsThePosition) {
    fs::path file = TestFolder() / "s.txt";
    std::ofstream(file) << "abc";
    TFileStream in(file.string(), fmOpenRead);
    in.SetPosition(2);
    EXPECT_EQ(in.Seek(-5, soFromCurrent), -1);
    EXPECT_EQ(in.Position(), 2);
}

TEST(TFileStreamTest, SetSizeTruncatesAndMovesToTheNewEnd) {
    fs::path file = TestFolder() / "t.txt";
    std::ofstream(file) << "abcdef";
    TFileStream rw(file.string(), fmOpenReadWrite);
    rw.SetSize(2);
    EXPECT_EQ(rw.Size(), 2);
    EXPECT_EQ(rw.Position(), 2);
    rw.WriteBuffer("!", 1);
    EXPECT_EQ(ReadWholeFile(file), "ab!");
}

TEST(TFileStreamTest, OpenErrorNamesTheFileAndTheReason) {
    AnsiString name = (TestFolder() / "missing.txt").string();
    try {
        TFileStream in(name, fmOpenRead);
        FAIL() << "opening a missing file must raise";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + name + "\". No such file or directory");
    }
}

TEST(TFileStreamTest, CreateErrorNamesTheFileAndTheReason) {
    AnsiString name = (TestFolder() / "no-such-folder" / "new.txt").string();
    try {
        TFileStream out(name, fmCreate);
        FAIL() << "creating in a missing folder must raise";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file \"" + name + "\". No such file or directory");
    }
}

TEST(TFileStreamTest, AFolderCannotBeOpenedAsAFile) {
    AnsiString name = TestFolder().string();
    EXPECT_THROW({ TFileStream folder(name, fmOpenRead); }, EFOpenError);
}

TEST(TFileStreamTest, BackslashSeparatorsAndWindows1250NamesReachTheDisk) {
    fs::path folder = TestFolder();
    fs::create_directory(folder / "sub");
    // The literal is Windows-1250 at run time; on disk the name is UTF-8.
    AnsiString name = folder.string() + "\\sub\\Žluťoučký kůň.txt";
    {
        TFileStream out(name, fmCreate);
        out.WriteBuffer("k", 1);
    }
    EXPECT_TRUE(fs::exists(folder / "sub" / fs::path(u8"Žluťoučký kůň.txt")));
    try {
        TFileStream in(name + ".x", fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        // The message quotes the name as the program gave it.
        EXPECT_NE(e.Message().find(name + ".x"), AnsiString::npos);
    }
}

TEST(TMemoryStreamTest, SavesToAndLoadsFromFiles) {
    fs::path file = TestFolder() / "m.bin";
    TMemoryStream out;
    out.WriteBuffer("\x00\x01\xFF\r\n", 5);
    out.SetPosition(3);  // saving writes everything, not from the position
    out.SaveToFile(file.string());
    EXPECT_EQ(ReadWholeFile(file), std::string("\x00\x01\xFF\r\n", 5));

    TMemoryStream in;
    in.WriteBuffer("previous content", 16);
    in.LoadFromFile(file.string());
    EXPECT_EQ(ContentOf(in), AnsiString("\x00\x01\xFF\r\n", 5));
    EXPECT_THROW(in.LoadFromFile((file.parent_path() / "none").string()), EFOpenError);
}

TEST(TStringStreamTest, ReadsAndWritesStrings) {
    TStringStream stream("Hello");
    EXPECT_EQ(stream.ReadString(3), "Hel");
    EXPECT_EQ(stream.ReadString(10), "lo");
    EXPECT_EQ(stream.ReadString(10), "");
    stream.WriteString(", world");
    EXPECT_EQ(stream.DataString(), "Hello, world");
}

TEST(TStringStreamTest, WritingInTheMiddleKeepsTheRest) {
    TStringStream stream("abcdef");
    stream.SetPosition(1);
    stream.WriteString("XY");
    EXPECT_EQ(stream.DataString(), "aXYdef");
    EXPECT_EQ(stream.Position(), 3);
}

TEST(TStringStreamTest, SeeksClampToTheString) {
    TStringStream stream("abc");
    EXPECT_EQ(stream.Seek(-4, soFromBeginning), 0);
    EXPECT_EQ(stream.Seek(10, soFromCurrent), 3);
    stream.SetSize(1);
    EXPECT_EQ(stream.Position(), 1);
    EXPECT_EQ(stream.DataString(), "a");
}
