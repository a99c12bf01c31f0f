// Stand-in for the logo library: mac_file gives a number for a file's bytes,
// which the program writes into the message file beside a logo bitmap. The
// number is the file's CRC-32 (the polynomial of zip and PNG), so it is the
// same for the same bytes on every run and every machine.

#include <cstdint>
#include <cstdio>

#include "linklib/Cp1250.h"

namespace {

std::uint32_t CrcTableEntry(std::uint32_t n) {
    for (int k = 0; k < 8; ++k) n = (n & 1) ? 0xEDB88320u ^ (n >> 1) : n >> 1;
    return n;
}

}  // namespace

// 0 with the number; 1 (and the number 0) when the file cannot be read.
extern "C" __attribute__((visibility("default"))) std::int32_t mac_file(const char* path, std::uint32_t* number) {
    if (!number) return 1;
    *number = 0;
    if (!path) return 1;
    static const struct TTable {
        std::uint32_t Entries[256];
        TTable() {
            for (std::uint32_t n = 0; n < 256; ++n) Entries[n] = CrcTableEntry(n);
        }
    } table;
    std::FILE* file = std::fopen(linklib::Cp1250ToUtf8(path).c_str(), "rb");
    if (!file) return 1;
    std::uint32_t crc = 0xFFFFFFFFu;
    unsigned char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        for (std::size_t i = 0; i < got; ++i) crc = table.Entries[(crc ^ buffer[i]) & 0xFF] ^ (crc >> 8);
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return 1;
    *number = crc ^ 0xFFFFFFFFu;
    return 0;
}
