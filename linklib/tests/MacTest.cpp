#include <cstdint>
#include <filesystem>

#include <gtest/gtest.h>

#include "linklib/tests/Modules.h"

namespace {

using TMacFile = std::int32_t (*)(const char*, std::uint32_t*);

TMacFile MacFile() {
    static TMacFile function = [] {
        TMacFile f = nullptr;
        Bind(OpenModule(VEMLOR_MAC_MODULE), "mac_file", f);
        return f;
    }();
    return function;
}

}  // namespace

TEST(MacFileTest, GivesTheCrc32OfTheFilesBytes) {
    std::string folder = std::string(VEMLOR_TEST_OUTPUT) + "/linklib/mac/";
    std::filesystem::create_directories(folder);
    WriteText(folder + "check.bmp", "123456789");
    WriteText(folder + "empty.bmp", "");
    ASSERT_NE(MacFile(), nullptr);
    std::uint32_t number = 1;
    EXPECT_EQ(MacFile()((folder + "check.bmp").c_str(), &number), 0);
    EXPECT_EQ(number, 0xCBF43926u);  // the check value of CRC-32
    EXPECT_EQ(MacFile()((folder + "empty.bmp").c_str(), &number), 0);
    EXPECT_EQ(number, 0u);
}

TEST(MacFileTest, UnreadableFileGivesZeroAndAFailure) {
    std::uint32_t number = 7;
    EXPECT_NE(MacFile()("/nonexistent/logo.bmp", &number), 0);
    EXPECT_EQ(number, 0u);
    EXPECT_NE(MacFile()(nullptr, &number), 0);
    EXPECT_NE(MacFile()("/nonexistent/logo.bmp", nullptr), 0);
}
