#include "platform/rtl/CodePage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace {

// Code points of Windows-1250 bytes 0x80..0xFF (0x00..0x7F are ASCII). The
// undefined bytes hold their own value; see the header for why.
constexpr std::array<char16_t, 128> kAnsiHigh = {
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

// Code points of ISO 8859-2 bytes 0xA0..0xFF; 0x00..0x9F are U+0000..U+009F.
constexpr std::array<char16_t, 96> kIsoHigh = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7,
    0x00A8, 0x0160, 0x015E, 0x0164, 0x0179, 0x00AD, 0x017D, 0x017B,
    0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

constexpr char kMissing = '?';

char32_t AnsiCode(unsigned char b) { return b < 0x80 ? b : kAnsiHigh[b - 0x80]; }
char32_t IsoCode(unsigned char b) { return b < 0xA0 ? b : kIsoHigh[b - 0xA0]; }

using TReverse = std::array<std::pair<char32_t, unsigned char>, 128>;

const TReverse& AnsiReverse() {
    static const TReverse table = [] {
        TReverse t{};
        for (unsigned b = 0; b < 128; ++b) t[b] = {kAnsiHigh[b], static_cast<unsigned char>(0x80 + b)};
        std::sort(t.begin(), t.end());
        return t;
    }();
    return table;
}

// The Windows-1250 byte of a code point, or kMissing.
char UnicodeToAnsi(char32_t code) {
    if (code < 0x80) return static_cast<char>(code);
    const TReverse& t = AnsiReverse();
    auto it = std::lower_bound(t.begin(), t.end(), code,
                               [](const auto& entry, char32_t c) { return entry.first < c; });
    if (it != t.end() && it->first == code) return static_cast<char>(it->second);
    return kMissing;
}

struct TByteTables {
    std::array<char, 256> AnsiToIso{};
    std::array<char, 256> IsoToAnsi{};
};

const TByteTables& ByteTables() {
    static const TByteTables tables = [] {
        TByteTables t;
        t.AnsiToIso.fill(kMissing);
        t.IsoToAnsi.fill(kMissing);
        for (unsigned a = 0; a < 256; ++a) {
            for (unsigned i = 0; i < 256; ++i) {
                if (AnsiCode(static_cast<unsigned char>(a)) == IsoCode(static_cast<unsigned char>(i))) {
                    t.AnsiToIso[a] = static_cast<char>(i);
                    t.IsoToAnsi[i] = static_cast<char>(a);
                }
            }
        }
        return t;
    }();
    return tables;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        // Every Windows-1250 character lies in the Basic Multilingual Plane.
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Decodes one well-formed UTF-8 sequence at s[i]; returns its length, or 0
// when the bytes there do not form one.
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& code) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) { code = b0; return 1; }
    std::size_t len;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) { len = 2; code = b0 & 0x1F; min = 0x80; }
    else if (b0 >= 0xE0 && b0 <= 0xEF) { len = 3; code = b0 & 0x0F; min = 0x800; }
    else if (b0 >= 0xF0 && b0 <= 0xF4) { len = 4; code = b0 & 0x07; min = 0x10000; }
    else return 0;
    if (len > s.size() - i) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        code = (code << 6) | (b & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

char32_t AnsiCharToUnicode(char Ch) { return AnsiCode(static_cast<unsigned char>(Ch)); }

bool UnicodeCharToAnsi(char32_t Code, char& Ch) {
    Ch = UnicodeToAnsi(Code);
    return Ch != kMissing || Code == static_cast<char32_t>(kMissing);
}

std::string AnsiToUtf8(std::string_view Ansi) {
    std::string out;
    out.reserve(Ansi.size() + Ansi.size() / 2);
    for (char c : Ansi) AppendUtf8(out, AnsiCode(static_cast<unsigned char>(c)));
    return out;
}

AnsiString Utf8ToAnsi(std::string_view Utf8) {
    AnsiString out;
    out.reserve(Utf8.size());
    std::size_t i = 0;
    while (i < Utf8.size()) {
        char32_t code = 0;
        const std::size_t len = DecodeUtf8(Utf8, i, code);
        if (len == 0) {
            out += kMissing;
            ++i;
        } else {
            out += UnicodeToAnsi(code);
            i += len;
        }
    }
    return out;
}

std::string AnsiToIso88592(std::string_view Ansi) {
    const auto& t = ByteTables().AnsiToIso;
    std::string out(Ansi.size(), '\0');
    for (std::size_t i = 0; i < Ansi.size(); ++i) out[i] = t[static_cast<unsigned char>(Ansi[i])];
    return out;
}

AnsiString Iso88592ToAnsi(std::string_view Iso) {
    const auto& t = ByteTables().IsoToAnsi;
    AnsiString out(Iso.size(), '\0');
    for (std::size_t i = 0; i < Iso.size(); ++i) out[i] = t[static_cast<unsigned char>(Iso[i])];
    return out;
}
