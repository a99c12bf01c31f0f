#pragma once
// The program hands the libraries 8-bit Windows-1250 paths, as it always has;
// the file system speaks UTF-8. These two turn one into the other at the
// stand-ins' boundary, so a program folder with Czech letters works.

#include <cstdint>
#include <string>

namespace linklib {

// Code points of the bytes 0x80..0xFF; the five bytes Windows-1250 leaves
// undefined map to the C1 control of the same number.
inline const std::uint16_t kCp1250High[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

inline std::string Cp1250ToUtf8(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (unsigned char c : text) {
        std::uint32_t cp = c < 0x80 ? c : kCp1250High[c - 0x80];
        if (cp < 0x80) {
            result += static_cast<char>(cp);
        } else if (cp < 0x800) {
            result += static_cast<char>(0xC0 | (cp >> 6));
            result += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            result += static_cast<char>(0xE0 | (cp >> 12));
            result += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return result;
}

// A character Windows-1250 cannot hold, or a broken sequence, becomes '?'.
inline std::string Utf8ToCp1250(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::uint32_t cp = 0;
        std::size_t length = 0;
        if (c < 0x80) { cp = c; length = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; length = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; length = 3; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; length = 4; }
        bool ok = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; ok && k < length; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (next & 0x3F);
        }
        if (!ok) {
            result += '?';
            ++i;
            continue;
        }
        i += length;
        if (cp < 0x80) {
            result += static_cast<char>(cp);
            continue;
        }
        char mapped = '?';
        for (int k = 0; k < 128; ++k) {
            if (kCp1250High[k] == cp) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        result += mapped;
    }
    return result;
}

}  // namespace linklib
