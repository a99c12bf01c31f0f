#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cwctype>
#include <unistd.h>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/rtl/CodePage.h"

// Literals in this file are Windows-1250 bytes at run time.

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

std::string EncodeUtf8(char32_t code) {
    std::string u;
    if (code < 0x80) {
        u += static_cast<char>(code);
    } else if (code < 0x800) {
        u += static_cast<char>(0xC0 | (code >> 6));
        u += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        u += static_cast<char>(0xE0 | (code >> 12));
        u += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        u += static_cast<char>(0x80 | (code & 0x3F));
    }
    return u;
}

}  // namespace

// ---------------------------------------------------------------------------
// Positions

TEST(SysUtilsTest, CopyClampsIndexAndCount) {
    const AnsiString s = "abcdef";
    EXPECT_EQ(Copy(s, 1, 2), "ab");
    EXPECT_EQ(Copy(s, 0, 2), "ab");  // index below 1 counts from the start, count unchanged
    EXPECT_EQ(Copy(s, -5, 2), "ab");
    EXPECT_EQ(Copy(s, INT_MIN, 3), "abc");
    EXPECT_EQ(Copy(s, 3, 100), "cdef");
    EXPECT_EQ(Copy(s, 2, INT_MAX), "bcdef");
    EXPECT_EQ(Copy(s, 6, 1), "f");
    EXPECT_EQ(Copy(s, 7, 1), "");
    EXPECT_EQ(Copy(s, INT_MAX, INT_MAX), "");
    EXPECT_EQ(Copy(s, 2, 0), "");
    EXPECT_EQ(Copy(s, 2, -1), "");
    EXPECT_EQ(Copy("", 1, 1), "");
}

TEST(SysUtilsTest, PosAndPosExFindOneBasedPositions) {
    EXPECT_EQ(Pos("cd", "abcdcd"), 3);
    EXPECT_EQ(Pos("x", "abc"), 0);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(Pos("abcd", "abc"), 0);
    EXPECT_EQ(Pos("a", ""), 0);
    EXPECT_EQ(PosEx("cd", "abcdcd", 4), 5);
    EXPECT_EQ(PosEx("cd", "abcdcd", 3), 3);
    EXPECT_EQ(PosEx("d", "abcd", 4), 4);
    EXPECT_EQ(PosEx("d", "abcd", 5), 0);
    EXPECT_EQ(PosEx("a", "abcd", 0), 0);
    EXPECT_EQ(PosEx("a", "abcd", INT_MAX), 0);
    EXPECT_EQ(PosEx("cd", "abcdcd", 6), 0);  // only "d" is left from 6
}

TEST(SysUtilsTest, DeleteIgnoresOutOfRangeAndClampsCount) {
    auto del = [](AnsiString s, Integer index, Integer count) {
        Delete(s, index, count);
        return s;
    };
    EXPECT_EQ(del("abcdef", 2, 2), "adef");
    EXPECT_EQ(del("abcdef", 0, 1), "abcdef");
    EXPECT_EQ(del("abcdef", -1, 3), "abcdef");
    EXPECT_EQ(del("abcdef", 7, 1), "abcdef");
    EXPECT_EQ(del("abcdef", 2, 0), "abcdef");
    EXPECT_EQ(del("abcdef", 2, -4), "abcdef");
    EXPECT_EQ(del("abcdef", 5, 100), "abcd");
    EXPECT_EQ(del("abcdef", 1, INT_MAX), "");
    EXPECT_EQ(del("abcdef", 6, INT_MAX), "abcde");
    EXPECT_EQ(del("", 1, 1), "");
}

TEST(SysUtilsTest, InsertClampsPosition) {
    auto ins = [](const AnsiString& sub, AnsiString s, Integer index) {
        Insert(sub, s, index);
        return s;
    };
    EXPECT_EQ(ins("XY", "abc", 1), "XYabc");
    EXPECT_EQ(ins("XY", "abc", 2), "aXYbc");
    EXPECT_EQ(ins("XY", "abc", 4), "abcXY");
    EXPECT_EQ(ins("XY", "abc", 100), "abcXY");
    EXPECT_EQ(ins("XY", "abc", 0), "XYabc");
    EXPECT_EQ(ins("XY", "abc", INT_MIN), "XYabc");
    EXPECT_EQ(ins("", "abc", 2), "abc");
    EXPECT_EQ(ins("XY", "", 5), "XY");
}

TEST(SysUtilsTest, TrimRemovesControlCharactersAndSpaceOnly) {
    EXPECT_EQ(Trim("\t a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("\t a b \r\n"), "a b \r\n");
    EXPECT_EQ(TrimRight("\t a b \r\n"), "\t a b");
    EXPECT_EQ(Trim(AnsiString("\0x\0", 3)), "x");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim(""), "");
    // Non-breaking space (0xA0) and letters above 0x7F are text, not blanks.
    EXPECT_EQ(Trim("\xA0ž\xA0"), "\xA0ž\xA0");
    EXPECT_EQ(StringOfChar('-', 3), "---");
    EXPECT_EQ(StringOfChar('-', 0), "");
    EXPECT_EQ(StringOfChar('-', -2), "");
}

// ---------------------------------------------------------------------------
// Case

TEST(SysUtilsTest, AsciiCaseLeavesAccentedLettersAlone) {
    EXPECT_EQ(UpperCase("Příliš žluťoučký"), "PříLIš žLUťOUčKý");
    EXPECT_EQ(LowerCase("ŽLUŤOUČKÝ Kůň"), "ŽluŤouČkÝ kůň");
    EXPECT_EQ(CompareText("abc", "ABC"), 0);
    EXPECT_LT(CompareText("abc", "ABD"), 0);
    EXPECT_GT(CompareText("_", "a"), 0);  // after folding to upper case 'A' < '_'
    EXPECT_LT(CompareText("ab", "ABC"), 0);
    EXPECT_TRUE(SameText("Vemlor", "VEMLOR"));
    EXPECT_FALSE(SameText("č", "Č"));
    EXPECT_LT(CompareStr("A", "a"), 0);
    EXPECT_GT(CompareStr("\xE1", "b"), 0);  // bytes compare unsigned
    EXPECT_EQ(CompareStr("abc", "abc"), 0);
}

TEST(SysUtilsTest, AnsiCaseMapsEveryWindows1250Letter) {
    EXPECT_EQ(AnsiUpperCase("příliš žluťoučký kůň úpěl ďábelské ódy"), "PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ ÚPĚL ĎÁBELSKÉ ÓDY");
    EXPECT_EQ(AnsiLowerCase("PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ ÚPĚL ĎÁBELSKÉ ÓDY"), "příliš žluťoučký kůň úpěl ďábelské ódy");
    EXPECT_EQ(AnsiUpperCase("ąćęłńóśźż őű ĺľŕ ăâîşţ äöüß"), "ĄĆĘŁŃÓŚŹŻ ŐŰ ĹĽŔ ĂÂÎŞŢ ÄÖÜß");
    EXPECT_EQ(AnsiLowerCase("ĄĆĘŁŃÓŚŹŻ ŐŰ ĹĽŔ ĂÂÎŞŢ ÄÖÜ"), "ąćęłńóśźż őű ĺľŕ ăâîşţ äöü");
    EXPECT_EQ(AnsiUpperCase("µ ß × ÷ ˙ 1-2"), "µ ß × ÷ ˙ 1-2");
}

// Unicode's own case mapping is the oracle: every byte whose character has a
// case partner inside Windows-1250 must map to it, every other byte stays.
TEST(SysUtilsTest, AnsiCaseAgreesWithUnicodeForAllBytes) {
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) GTEST_SKIP() << "no C.UTF-8 locale";
    int mapped = 0;
    for (int b = 0; b < 256; ++b) {
        const AnsiString ch(1, static_cast<char>(b));
        const auto code = static_cast<wint_t>(AnsiCharToUnicode(static_cast<char>(b)));
        for (const bool toUpper : {true, false}) {
            const wint_t other = toUpper ? std::towupper(code) : std::towlower(code);
            AnsiString expected = ch;
            if (other != code) {
                const AnsiString back = Utf8ToAnsi(EncodeUtf8(other));
                if (back != "?") expected = back;
            }
            const AnsiString actual = toUpper ? AnsiUpperCase(ch) : AnsiLowerCase(ch);
            EXPECT_EQ(actual, expected) << "byte 0x" << std::hex << b << (toUpper ? " upper" : " lower");
            if (actual != ch) ++mapped;
        }
    }
    std::setlocale(LC_CTYPE, saved.c_str());
    EXPECT_EQ(mapped, 2 * (26 + 40));  // ASCII pairs plus the 40 accented pairs
}

// ---------------------------------------------------------------------------
// Linguistic order

TEST(SysUtilsTest, AnsiCompareStrOrdersCaseAfterAccentAfterLetter) {
    EXPECT_LT(AnsiCompareStr("a", "A"), 0);
    EXPECT_LT(AnsiCompareStr("A", "b"), 0);
    EXPECT_LT(AnsiCompareStr("a", "á"), 0);
    EXPECT_LT(AnsiCompareStr("Á", "b"), 0);
    EXPECT_LT(AnsiCompareStr("c", "č"), 0);
    EXPECT_LT(AnsiCompareStr("č", "d"), 0);
    EXPECT_LT(AnsiCompareStr("Č", "d"), 0);
    EXPECT_LT(AnsiCompareStr("z", "ž"), 0);
    // The accent counts only when the letters are equal: "čb" < "cz".
    EXPECT_LT(AnsiCompareStr("čb", "cz"), 0);
    EXPECT_LT(AnsiCompareStr("ž", "zz"), 0);
    // ... and case only when letters and accents are equal.
    EXPECT_LT(AnsiCompareStr("Ab", "ác"), 0);
    EXPECT_LT(AnsiCompareStr("ab", "Ab"), 0);
    EXPECT_LT(AnsiCompareStr("Ab", "áb"), 0);
    // Punctuation and space before digits, digits before letters.
    EXPECT_LT(AnsiCompareStr(" ", "0"), 0);
    EXPECT_LT(AnsiCompareStr("-", "0"), 0);
    EXPECT_LT(AnsiCompareStr("~", "0"), 0);
    EXPECT_LT(AnsiCompareStr("9", "a"), 0);
    EXPECT_LT(AnsiCompareStr("9", "A"), 0);
    EXPECT_LT(AnsiCompareStr("", "a"), 0);
    EXPECT_LT(AnsiCompareStr("Jan", "Jana"), 0);
    EXPECT_EQ(AnsiCompareStr("Šimon", "Šimon"), 0);
    EXPECT_TRUE(AnsiSameStr("Šimon", "Šimon"));
    EXPECT_FALSE(AnsiSameStr("Šimon", "šimon"));
}

TEST(SysUtilsTest, AnsiCompareTextIgnoresCaseOnly) {
    EXPECT_EQ(AnsiCompareText("ŽLUŤOUČKÝ KŮŇ", "žluťoučký kůň"), 0);
    EXPECT_TRUE(AnsiSameText("ŽLUŤOUČKÝ KŮŇ", "žluťoučký kůň"));
    EXPECT_FALSE(AnsiSameText("zlutoucky", "žluťoučký"));
    EXPECT_LT(AnsiCompareText("zlutoucky", "žluťoučký"), 0);
    EXPECT_LT(AnsiCompareText("a", "B"), 0);
    EXPECT_LT(AnsiCompareText("_", "a"), 0);  // unlike CompareText, symbols before letters
    EXPECT_LT(AnsiCompareText("Čech", "cesta"), 0);
    EXPECT_LT(AnsiCompareText("čas", "Cesta"), 0);
}

TEST(SysUtilsTest, CzechWordsSortWithAccentsBesideBaseLetters) {
    std::vector<AnsiString> words = {"Žofie", "zebra", "cesta", "čáp", "Čech", "chata", "Ábel", "abeceda",
                                     "ahoj", "Adam", "1. máj", "10", "2", "řeka", "Radek", "sova",
                                     "Šimon", "ďábel", "dub", "ěšč", "Eva", "ústa", "ůl", "Uher"};
    std::sort(words.begin(), words.end(), [](const AnsiString& a, const AnsiString& b) {
        return AnsiCompareStr(a, b) < 0;
    });
    const std::vector<AnsiString> expected = {"1. máj", "10", "2", "abeceda", "Ábel", "Adam", "ahoj", "čáp",
                                              "Čech", "cesta", "chata", "ďábel", "dub", "ěšč", "Eva", "Radek",
                                              "řeka", "Šimon", "sova", "Uher", "ůl", "ústa", "zebra", "Žofie"};
    EXPECT_EQ(words, expected);
}

TEST(SysUtilsTest, AnsiCompareStrIsZeroOnlyForEqualBytes) {
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const AnsiString sa(1, static_cast<char>(a)), sb(1, static_cast<char>(b));
            const int ab = AnsiCompareStr(sa, sb);
            ASSERT_EQ(ab == 0, a == b) << a << " " << b;
            ASSERT_EQ(Sign(ab), -Sign(AnsiCompareStr(sb, sa))) << a << " " << b;
            const int t = AnsiCompareText(sa, sb);
            ASSERT_EQ(t == 0, AnsiSameText(sa, sb)) << a << " " << b;
            ASSERT_EQ(t == 0, AnsiUpperCase(sa) == AnsiUpperCase(sb)) << a << " " << b;
        }
    }
}

// The table engine sorts and binary-searches with these comparisons, so they
// must be strict weak orders: after sorting, every earlier element compares
// <= every later one, the comparison is antisymmetric, and equivalence agrees
// with the Same* functions.
TEST(SysUtilsTest, AnsiComparisonsAreStrictWeakOrders) {
    const AnsiString alphabet = "aAáÁäcCčČdďDzZžŽsSšŠßeEéěĚ 1-.9";
    std::mt19937 rng(1250);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 4);
    std::vector<AnsiString> words(600);
    for (AnsiString& w : words)
        for (int n = length(rng); n > 0; --n) w += alphabet[pick(rng)];

    using TCompare = Integer (*)(const AnsiString&, const AnsiString&);
    using TSame = bool (*)(const AnsiString&, const AnsiString&);
    const std::pair<TCompare, TSame> orders[] = {{AnsiCompareStr, AnsiSameStr}, {AnsiCompareText, AnsiSameText}};
    for (const auto& [compare, same] : orders) {
        std::vector<AnsiString> sorted = words;
        std::sort(sorted.begin(), sorted.end(), [&](const AnsiString& a, const AnsiString& b) {
            return compare(a, b) < 0;
        });
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            for (std::size_t j = i; j < sorted.size(); ++j) {
                const int ij = compare(sorted[i], sorted[j]);
                ASSERT_LE(ij, 0) << sorted[i] << " / " << sorted[j];
                ASSERT_EQ(Sign(ij), -Sign(compare(sorted[j], sorted[i])));
                ASSERT_EQ(ij == 0, same(sorted[i], sorted[j])) << sorted[i] << " / " << sorted[j];
            }
        }
        // Binary search finds every word.
        for (const AnsiString& w : words) {
            const auto it = std::lower_bound(sorted.begin(), sorted.end(), w, [&](const AnsiString& a, const AnsiString& b) {
                return compare(a, b) < 0;
            });
            ASSERT_TRUE(it != sorted.end() && compare(*it, w) == 0) << w;
        }
    }
}

// ---------------------------------------------------------------------------
// Replacing, quoting, delimiters

TEST(SysUtilsTest, StringReplaceHonoursFlags) {
    EXPECT_EQ(StringReplace("a-b-c", "-", "+"), "a+b-c");
    EXPECT_EQ(StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c");
    EXPECT_EQ(StringReplace("Čáp ČÁP čáp", "čáp", "x", rfReplaceAll), "Čáp ČÁP x");
    EXPECT_EQ(StringReplace("Čáp ČÁP čáp", "čáp", "x", rfReplaceAll | rfIgnoreCase), "x x x");
    EXPECT_EQ(StringReplace("Čáp ČÁP čáp", "čáp", "x", TReplaceFlags{rfIgnoreCase}), "x ČÁP čáp");
    EXPECT_EQ(StringReplace("aaa", "aa", "b", rfReplaceAll), "ba");
    EXPECT_EQ(StringReplace("a", "a", "aa", rfReplaceAll), "aa");  // no endless loop on its own output
    EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
    EXPECT_EQ(StringReplace("abc", "abcd", "x", rfReplaceAll), "abc");
    EXPECT_EQ(StringReplace("\r\n\r\n", "\r\n", "\n", TReplaceFlags() << rfReplaceAll), "\n\n");
}

TEST(SysUtilsTest, QuotingRoundTrips) {
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(QuotedStr(""), "''");
    EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");

    std::string_view src = "'it''s' rest";
    EXPECT_EQ(AnsiExtractQuotedStr(src, '\''), "it's");
    EXPECT_EQ(src, " rest");
    std::string_view unquoted = "abc'";
    EXPECT_EQ(AnsiExtractQuotedStr(unquoted, '\''), "");
    EXPECT_EQ(unquoted, "abc'");
    std::string_view open = "'abc";  // no closing quote: all of it, nothing left
    EXPECT_EQ(AnsiExtractQuotedStr(open, '\''), "abc");
    EXPECT_TRUE(open.empty());
    std::string_view empty;
    EXPECT_EQ(AnsiExtractQuotedStr(empty, '\''), "");

    const char* text = "\"a\"\"b\",c";
    EXPECT_EQ(AnsiExtractQuotedStr(text, '"'), "a\"b");
    EXPECT_STREQ(text, ",c");
    const char* none = nullptr;
    EXPECT_EQ(AnsiExtractQuotedStr(none, '"'), "");

    for (const AnsiString s : {"", "x", "'", "''", "a'b'c'", "Žluťoučký 'kůň'"}) {
        const AnsiString q = QuotedStr(s);
        std::string_view v = q;
        EXPECT_EQ(AnsiExtractQuotedStr(v, '\''), s);
        EXPECT_TRUE(v.empty());
    }
}

TEST(SysUtilsTest, DelimitersUseOneBasedPositions) {
    EXPECT_EQ(LastDelimiter("\\/", "C:\\a/b.txt"), 5);
    EXPECT_EQ(LastDelimiter(".", "abc"), 0);
    EXPECT_EQ(LastDelimiter(".", ""), 0);
    EXPECT_EQ(LastDelimiter("", "a.b"), 0);
    EXPECT_TRUE(IsDelimiter(",;", "a,b", 2));
    EXPECT_FALSE(IsDelimiter(",;", "a,b", 1));
    EXPECT_FALSE(IsDelimiter(",;", "a,b", 0));
    EXPECT_FALSE(IsDelimiter(",;", "a,b", 4));
    EXPECT_FALSE(IsDelimiter(",;", "", 1));
}

// ---------------------------------------------------------------------------
// Integers

TEST(SysUtilsTest, IntToStrAndIntToHexCoverTheFullRange) {
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-42), "-42");
    EXPECT_EQ(IntToStr(std::numeric_limits<Int64>::min()), "-9223372036854775808");
    EXPECT_EQ(IntToStr(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615");
    EXPECT_EQ(IntToStr(std::size_t{7}), "7");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(0, 0), "0");
    EXPECT_EQ(IntToHex(0x1234, 2), "1234");
    EXPECT_EQ(IntToHex(Integer{-1}, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(Int64{-1}, 2), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(IntToHex(static_cast<Byte>(0xAB), 1), "AB");
}

TEST(SysUtilsTest, StrToIntAcceptsSignBlanksAndHex) {
    EXPECT_EQ(StrToInt("12"), 12);
    EXPECT_EQ(StrToInt("  -12"), -12);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("$FF"), 255);
    EXPECT_EQ(StrToInt("0x1f"), 31);
    EXPECT_EQ(StrToInt("0X1F"), 31);
    EXPECT_EQ(StrToInt("-$10"), -16);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), INT_MIN);
    EXPECT_EQ(StrToInt("007"), 7);
    EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<Int64>::max());
    EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<Int64>::min());
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(StrToInt64("4294967296"), 4294967296LL);
}

TEST(SysUtilsTest, StrToIntRejectsEverythingElse) {
    for (const char* bad : {"", " ", "-", "+", "12 ", "1a", "a1", "$", "0x", "$G", "1.5", "1e3", "--1", "- 1",
                            "2147483648", "-2147483649", "$100000000", "99999999999999999999", "\t1"}) {
        EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
        EXPECT_EQ(StrToIntDef(bad, -99), -99) << bad;
    }
    for (const char* bad : {"9223372036854775808", "-9223372036854775809", "$1FFFFFFFFFFFFFFFF", "x"}) {
        EXPECT_THROW(StrToInt64(bad), EConvertError) << bad;
        EXPECT_EQ(StrToInt64Def(bad, 5), 5) << bad;
    }
    try {
        StrToInt("abc");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
    }
}

// ---------------------------------------------------------------------------
// Floating point

TEST(SysUtilsTest, StrToFloatReadsDecimalPointForms) {
    EXPECT_EQ(StrToFloat("1.5"), 1.5);
    EXPECT_EQ(StrToFloat(" -2.5e3 "), -2500.0);
    EXPECT_EQ(StrToFloat("+3"), 3.0);
    EXPECT_EQ(StrToFloat(".5"), 0.5);
    EXPECT_EQ(StrToFloat("5."), 5.0);
    EXPECT_EQ(StrToFloat("1E-2"), 0.01);
    EXPECT_EQ(StrToFloat("0.1"), 0.1);
    EXPECT_EQ(StrToFloat("1e-400"), 0.0);  // below the smallest double
    EXPECT_EQ(StrToFloat("0.000000000000000000000000000000000000000000000000000000000000001e-300"), 0.0);
    EXPECT_EQ(StrToFloatDef("x", 2.5), 2.5);
    for (const char* bad : {"", " ", "1,5", "1.2.3", "inf", "nan", "INF", "1e", "e5", ".", "-", "0x10", "1e+",
                            "1e400", "1 2", "100000000000000000000e300"}) {
        double v = 0;
        EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
        EXPECT_THROW(StrToFloat(bad), EConvertError) << bad;
    }
    try {
        StrToFloat("1,5");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'1,5' is not a valid floating point value");
    }
}

TEST(SysUtilsTest, FloatToStrUsesGeneralFormWithFifteenDigits) {
    EXPECT_EQ(FloatToStr(0.1), "0.1");
    EXPECT_EQ(FloatToStr(3.0), "3");
    EXPECT_EQ(FloatToStr(-2.5), "-2.5");
    EXPECT_EQ(FloatToStr(0.0), "0");
    EXPECT_EQ(FloatToStr(-0.0), "0");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
    EXPECT_EQ(FloatToStr(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(FloatToStr(1e14), "100000000000000");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(1e20), "1E20");
    EXPECT_EQ(FloatToStr(-1.5e300), "-1.5E300");
    EXPECT_EQ(FloatToStr(123456789012345678.0), "1.23456789012346E17");
    EXPECT_EQ(FloatToStr(0.0001), "0.0001");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
    EXPECT_EQ(FloatToStr(999999999999999.9), "1E15");
    EXPECT_EQ(FloatToStr(std::nan("")), "NAN");
    EXPECT_EQ(FloatToStr(HUGE_VAL), "INF");
    EXPECT_EQ(FloatToStr(-HUGE_VAL), "-INF");
}

TEST(SysUtilsTest, FloatToStrRoundTripsFifteenDigitValues) {
    std::mt19937_64 rng(42);
    std::uniform_int_distribution<Int64> mantissa(-999999999999999, 999999999999999);
    std::uniform_int_distribution<int> exponent(-30, 30);
    for (int i = 0; i < 2000; ++i) {
        const double v = StrToFloat(IntToStr(mantissa(rng)) + "e" + IntToStr(exponent(rng)));
        EXPECT_EQ(StrToFloat(FloatToStr(v)), v) << FloatToStr(v);
    }
}

TEST(SysUtilsTest, StrToCurrRoundsToFourDecimals) {
    EXPECT_DOUBLE_EQ(StrToCurr("1.23456"), 1.2346);
    EXPECT_DOUBLE_EQ(StrToCurr("-0.00005"), -0.0001);
    EXPECT_DOUBLE_EQ(StrToCurr("12"), 12.0);
    EXPECT_THROW(StrToCurr("1e20"), EConvertError);
    EXPECT_THROW(StrToCurr("1,5"), EConvertError);
}

TEST(SysUtilsTest, FormatFloatAppliesPictures) {
    EXPECT_EQ(FormatFloat("0.00", 2.675), "2.68");  // as the value reads, not as binary rounding gives
    EXPECT_EQ(FormatFloat("0.00", 1), "1.00");
    EXPECT_EQ(FormatFloat("0.00", 0.125), "0.13");
    EXPECT_EQ(FormatFloat("0.00", -0.001), "0.00");
    EXPECT_EQ(FormatFloat("0", -0.4), "0");
    EXPECT_EQ(FormatFloat("0", 1234), "1234");
    EXPECT_EQ(FormatFloat("0", 2.5), "3");
    EXPECT_EQ(FormatFloat("00000", 42), "00042");
    EXPECT_EQ(FormatFloat("#,##0.0", 1234567.89), "1,234,567.9");
    EXPECT_EQ(FormatFloat("#,##0.0", -1234.5), "-1,234.5");
    EXPECT_EQ(FormatFloat("#,##0", 999), "999");
    EXPECT_EQ(FormatFloat("#,##0", 0), "0");
    EXPECT_EQ(FormatFloat("#.##", 0.5), ".5");
    EXPECT_EQ(FormatFloat("0.##", 1.5), "1.5");
    EXPECT_EQ(FormatFloat("0.##", 2), "2");
    EXPECT_EQ(FormatFloat("0.0#", 2), "2.0");
    EXPECT_EQ(FormatFloat(".00", 12.5), "12.50");
    EXPECT_EQ(FormatFloat("0.0;(0.0);'nula'", -1.5), "(1.5)");
    EXPECT_EQ(FormatFloat("0.0;(0.0);'nula'", 0), "nula");
    EXPECT_EQ(FormatFloat("0.0;(0.0);'nula'", 2), "2.0");
    EXPECT_EQ(FormatFloat("0.0;;", -2), "-2.0");
    EXPECT_EQ(FormatFloat("0.00 'Kč'", 5), "5.00 Kč");
    EXPECT_EQ(FormatFloat("\"#\"0", 5), "#5");
    EXPECT_EQ(FormatFloat("0.00E+00", 1234.5), "1.23E+03");
    EXPECT_EQ(FormatFloat("0.00E-00", 0.0012), "1.20E-03");
    EXPECT_EQ(FormatFloat("0.00E-00", 1234.5), "1.23E03");
    EXPECT_EQ(FormatFloat("", 1.5), "1.5");
    EXPECT_EQ(FormatFloat("0.00", std::nan("")), "NAN");
    EXPECT_EQ(FormatFloat("0", 1e20), "100000000000000000000");
    EXPECT_EQ(FormatFloat("0." + std::string(60, '0') + "E+0", 1.5), "1.5" + std::string(59, '0') + "E+0");
    EXPECT_EQ(FormatFloat("0." + std::string(400, '#'), 0.5), "0.5");
}

// Qt sets LC_NUMERIC from the environment; a Czech or German locale writes
// "," as the decimal separator. None of our conversions may follow it.
class LocaleGuard {
public:
    LocaleGuard() : FSaved(std::setlocale(LC_NUMERIC, nullptr)) {}
    ~LocaleGuard() { std::setlocale(LC_NUMERIC, FSaved.c_str()); }
    // Tries installed locales first, then compiles one for this test run.
    bool UseCommaLocale() {
        for (const char* name : {"cs_CZ.UTF-8", "cs_CZ.utf8", "de_DE.UTF-8", "de_DE.utf8", "cs_CZ", "de_DE"})
            if (std::setlocale(LC_NUMERIC, name) && std::localeconv()->decimal_point[0] == ',') return true;
        const std::string dir = std::string(VEMLOR_TEST_OUTPUT) + "/locale";
        // Built beside the test output, under a temporary name first so an
        // interrupted run never leaves a half-written locale behind, nor a
        // failed one an empty folder that later runs would trust. The
        // output must be a path: a bare name would go into the system's
        // locale archive.
        const std::string target = dir + "/cs_CZ.UTF-8";
        const std::string temp = dir + "/cs_CZ.tmp." + std::to_string(getpid());
        const std::string cmd = "mkdir -p '" + dir + "' && (test -d '" + target + "' || (localedef -i cs_CZ -f UTF-8 '" +
                                temp + "' >/dev/null 2>&1; test -f '" + temp + "/LC_NUMERIC' && mv -T '" + temp +
                                "' '" + target + "' 2>/dev/null; rm -rf '" + temp + "'; test -d '" + target + "'))";
        if (std::system(cmd.c_str()) != 0) return false;
        setenv("LOCPATH", dir.c_str(), 1);
        const bool ok = std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8") != nullptr && std::localeconv()->decimal_point[0] == ',';
        unsetenv("LOCPATH");
        return ok;
    }

private:
    std::string FSaved;
};

TEST(SysUtilsTest, NumbersUseDecimalPointWhateverTheLocale) {
    LocaleGuard guard;
    if (!guard.UseCommaLocale()) GTEST_SKIP() << "no locale with a decimal comma available";
    EXPECT_EQ(FloatToStr(1.5), "1.5");
    EXPECT_EQ(StrToFloat("2.25"), 2.25);
    EXPECT_THROW(StrToFloat("2,25"), EConvertError);
    EXPECT_EQ(StrToCurr("3.5"), 3.5);
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1,234.50");
    EXPECT_EQ(Format("%.2f %e %g", 1.5, 2.5, 0.25), "1.50 2.50000000000000E+000 0.25");
}
