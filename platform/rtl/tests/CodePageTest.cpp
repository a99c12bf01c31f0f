#include "platform/rtl/CodePage.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <string>

// Literals in this file are Windows-1250 bytes at run time; UTF-8 and ISO
// 8859-2 text is written as escapes.

namespace {

std::string AllBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) s += static_cast<char>(b);
    return s;
}

// The C library's converter as an independent reference; "" when it cannot
// convert the input.
std::string Iconv(const char* from, const char* to, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return "";
    std::string out(in.size() * 4 + 4, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1)) return "";
    out.resize(out.size() - dstLeft);
    return out;
}

}  // namespace

TEST(CodePageTest, TablesAgreeWithTheSystemConverter) {
    if (Iconv("CP1250", "UTF-8", "a").empty() || Iconv("ISO-8859-2", "UTF-8", "a").empty())
        GTEST_SKIP() << "iconv has no CP1250 / ISO-8859-2";
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string reference = Iconv("CP1250", "UTF-8", one);
        if (!reference.empty()) {
            EXPECT_EQ(AnsiToUtf8(one), reference) << "Windows-1250 byte 0x" << std::hex << b;
        }
        const std::string isoUtf8 = Iconv("ISO-8859-2", "UTF-8", one);
        ASSERT_FALSE(isoUtf8.empty());
        // Through UTF-8 the ISO byte must land where our direct table puts it.
        const std::string viaUtf8 = Utf8ToAnsi(isoUtf8);
        EXPECT_EQ(Iso88592ToAnsi(one), viaUtf8 == "?" && b != '?' ? "?" : viaUtf8) << "ISO byte 0x" << std::hex << b;
    }
}

TEST(CodePageTest, AnsiToUtf8ConvertsCzechText) {
    EXPECT_EQ(AnsiToUtf8("Příliš žluťoučký kůň"),
              "P\xC5\x99\xC3\xAD\x6C\x69\xC5\xA1 \xC5\xBE\x6C\x75\xC5\xA5\x6F\x75\xC4\x8D\x6B\xC3\xBD k\xC5\xAF\xC5\x88");
    EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC");       // euro sign
    EXPECT_EQ(AnsiToUtf8("\xFF"), "\xCB\x99");           // dot above
    EXPECT_EQ(AnsiToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(AnsiToUtf8(""), "");
}

// Every byte survives the trip through UTF-8, the undefined ones included
// (they travel as U+0081...; see CodePage.h).
TEST(CodePageTest, EveryAnsiByteRoundTripsThroughUtf8) {
    const std::string all = AllBytes();
    const std::string utf8 = AnsiToUtf8(all);
    EXPECT_EQ(Utf8ToAnsi(utf8), all);
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(one)), one) << "byte 0x" << std::hex << b;
    }
    EXPECT_EQ(AnsiToUtf8("\x81"), "\xC2\x81");
}

TEST(CodePageTest, Utf8ToAnsiReplacesWhatItCannotRepresent) {
    EXPECT_EQ(Utf8ToAnsi("\xE2\x82\xAC 5"), "\x80 5");
    EXPECT_EQ(Utf8ToAnsi("\xC3\xA0"), "?");                   // à is not in Windows-1250
    EXPECT_EQ(Utf8ToAnsi("\xF0\x9F\x98\x80!"), "?!");         // one emoji, one '?'
    EXPECT_EQ(Utf8ToAnsi("\xC2\x80"), "?");                   // U+0080 has no byte: 0x80 is the euro sign
    // Malformed input: each offending byte becomes '?', what follows is kept.
    EXPECT_EQ(Utf8ToAnsi("a\xFF" "b"), "a?b");
    EXPECT_EQ(Utf8ToAnsi("\x80"), "?");                       // lone continuation byte
    EXPECT_EQ(Utf8ToAnsi("\xC5"), "?");                       // truncated at the end
    EXPECT_EQ(Utf8ToAnsi("\xE2\x82"), "??");
    EXPECT_EQ(Utf8ToAnsi("\xC5x"), "?x");
    EXPECT_EQ(Utf8ToAnsi("\xC0\xAF"), "??");                  // overlong '/'
    EXPECT_EQ(Utf8ToAnsi("\xE0\x80\xAF"), "???");             // overlong '/'
    EXPECT_EQ(Utf8ToAnsi("\xED\xA0\x80"), "???");             // surrogate
    EXPECT_EQ(Utf8ToAnsi("\xF4\x90\x80\x80"), "????");        // above U+10FFFF
    EXPECT_EQ(Utf8ToAnsi("\xC5\xA1\xC5"), "š?");
    EXPECT_EQ(Utf8ToAnsi(""), "");
}

// The two 8-bit sets share most letters at different positions; each byte
// that has a counterpart must map to it and back, all others to '?'.
TEST(CodePageTest, AnsiAndIsoConvertAllBytesBothWays) {
    const std::string all = AllBytes();
    const std::string iso = AnsiToIso88592(all);
    const std::string back = Iso88592ToAnsi(all);
    ASSERT_EQ(iso.size(), 256u);
    ASSERT_EQ(back.size(), 256u);
    int mappedAnsi = 0, mappedIso = 0;
    for (int b = 0; b < 256; ++b) {
        const char a = static_cast<char>(b);
        if (iso[b] != '?' || b == '?') {
            ++mappedAnsi;
            EXPECT_EQ(Iso88592ToAnsi(std::string(1, iso[b]))[0], a) << "Windows-1250 byte 0x" << std::hex << b;
        }
        if (back[b] != '?' || b == '?') {
            ++mappedIso;
            EXPECT_EQ(AnsiToIso88592(std::string(1, back[b]))[0], a) << "ISO byte 0x" << std::hex << b;
        }
    }
    // 128 ASCII + 5 undefined bytes (as C1 controls) + 10 letters of
    // 0x80..0x9F + 22 of 0xA0..0xBF + all 64 of 0xC0..0xFF.
    EXPECT_EQ(mappedAnsi, 229);
    EXPECT_EQ(mappedIso, 229);
    // Letters that move: Š Ś Ť Ž Ź š ś ť ž ź Ą ą Ľ ľ.
    EXPECT_EQ(AnsiToIso88592("ŠŚŤŽŹšśťžźĄąĽľ"), "\xA9\xA6\xAB\xAE\xAC\xB9\xB6\xBB\xBE\xBC\xA1\xB1\xA5\xB5");
    EXPECT_EQ(Iso88592ToAnsi("\xA9\xA6\xAB\xAE\xAC\xB9\xB6\xBB\xBE\xBC\xA1\xB1\xA5\xB5"), "ŠŚŤŽŹšśťžźĄąĽľ");
    // Letters at the same place.
    EXPECT_EQ(AnsiToIso88592("ČčŘřÍíĺÁ"), "ČčŘřÍíĺÁ");
    // No counterpart: euro and typographic quotes in Windows-1250, C1 controls in ISO.
    EXPECT_EQ(AnsiToIso88592("\x80\x84\x93\x94\xA9"), "?????");
    EXPECT_EQ(Iso88592ToAnsi("\x80\x85\x9F"), "???");
    EXPECT_EQ(Iso88592ToAnsi("\x81"), "\x81");
}
