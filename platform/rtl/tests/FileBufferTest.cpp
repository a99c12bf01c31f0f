#include "platform/rtl/FileBuffer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/rtl/Exceptions.h"

namespace fs = std::filesystem;

namespace {

std::string Folder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path p = fs::path(VEMLOR_TEST_OUTPUT) / "FileBufferTest" / info->name();
    fs::remove_all(p);
    fs::create_directories(p);
    return p.string() + "/";
}

std::string Read(const AnsiString& name) {
    TFileBuffer buffer;
    std::size_t size = 99;
    ReadWholeFile(name, buffer, size);
    return std::string(buffer.Data(), size);
}

}  // namespace

TEST(TFileBufferTest, ReadsEveryByteWhateverTheSizeTheFileReports) {
    const std::string folder = Folder();
    std::ofstream(folder + "empty.dat", std::ios::binary);
    EXPECT_EQ(Read(folder + "empty.dat"), "");
    // Larger than a huge page, so that the buffer is mapped and grows past it.
    std::string big(HugePageSize + 12345, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
    std::ofstream(folder + "big.dat", std::ios::binary) << big;
    EXPECT_EQ(Read(folder + "big.dat"), big);
    // A file that reports no size has bytes all the same.
    const std::string status = Read("/proc/self/status");
    EXPECT_NE(status.find("Pid:"), std::string::npos);
}

TEST(TFileBufferTest, AFileThatCannotBeReadIsNamedInTheError) {
    const std::string folder = Folder();
    try {
        Read(folder + "missing.dat");
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + folder + "missing.dat\". No such file or directory");
    }
    EXPECT_THROW(Read(folder), EFOpenError);
}
