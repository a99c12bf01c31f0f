#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

// Format texts come from language files: a specifier that does not fit its
// argument must raise EConvertError so the caller can fall back, never read
// the wrong argument.

namespace {

AnsiString ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const EConvertError& e) {
        return e.Message();
    }
    return "(no error)";
}

}  // namespace

TEST(FormatTest, SubstitutesStringsAndIntegers) {
    EXPECT_EQ(Format("%s má %d nových zpráv", "Jan", 5), "Jan má 5 nových zpráv");
    EXPECT_EQ(Format("%s|%s|%s", AnsiString("a"), std::string_view("b"), 'c'), "a|b|c");
    EXPECT_EQ(Format("no arguments, 100%%"), "no arguments, 100%");
    EXPECT_EQ(Format("%d %d %d", -7, Int64{-9000000000}, static_cast<Byte>(200)), "-7 -9000000000 200");
    EXPECT_EQ(Format("%d", std::numeric_limits<std::uint64_t>::max()), "18446744073709551615");
    EXPECT_EQ(Format("%D %S", 1, "x"), "1 x");  // type letters ignore case
    EXPECT_EQ(Format("%s", static_cast<const char*>(nullptr)), "");
    EXPECT_EQ(Format("%d", true), "1");
    EXPECT_EQ(Format("%s", "unused", 1, 2), "unused");
}

TEST(FormatTest, UnsignedAndHexShowNegativeValuesInTheirOwnWidth) {
    EXPECT_EQ(Format("%u", -1), "4294967295");
    EXPECT_EQ(Format("%u", Int64{-1}), "18446744073709551615");
    EXPECT_EQ(Format("%x", 255), "FF");
    EXPECT_EQ(Format("%X", 255u), "FF");
    EXPECT_EQ(Format("%x", -1), "FFFFFFFF");
    EXPECT_EQ(Format("%x", Int64{-2}), "FFFFFFFFFFFFFFFE");
    EXPECT_EQ(Format("%.4x", 255), "00FF");
    EXPECT_EQ(Format("%p", reinterpret_cast<void*>(0xBEEF)), "000000000000BEEF");
    EXPECT_EQ(Format("%p", nullptr), "0000000000000000");
}

TEST(FormatTest, WidthPrecisionAndFlags) {
    EXPECT_EQ(Format("[%5d]", 42), "[   42]");
    EXPECT_EQ(Format("[%-5d]", 42), "[42   ]");
    EXPECT_EQ(Format("[%05d]", -42), "[-0042]");
    EXPECT_EQ(Format("[%-05d]", 42), "[42   ]");
    EXPECT_EQ(Format("[%.3d]", 5), "[005]");
    EXPECT_EQ(Format("[%.3d]", -5), "[-005]");
    EXPECT_EQ(Format("[%6.3d]", 5), "[   005]");
    EXPECT_EQ(Format("[%1d]", 12345), "[12345]");
    EXPECT_EQ(Format("[%*d]", 5, 42), "[   42]");
    EXPECT_EQ(Format("[%-*d]", 4, 7), "[7   ]");
    EXPECT_EQ(Format("[%*d]", -4, 7), "[7   ]");
    EXPECT_EQ(Format("[%.*f]", 1, 3.14159), "[3.1]");
    EXPECT_EQ(Format("[%*.*f]", 7, 3, 3.14159), "[  3.142]");
    EXPECT_EQ(Format("[%.3s]", "abcdef"), "[abc]");
    EXPECT_EQ(Format("[%10s]", "Šimon"), "[     Šimon]");
    EXPECT_EQ(Format("[%-10s]", "Šimon"), "[Šimon     ]");
    EXPECT_EQ(Format("[%05s]", "ab"), "[   ab]");
    EXPECT_EQ(Format("[%08.2f]", -1.5), "[-0001.50]");
    EXPECT_EQ(Format("[%6s]", 'x'), "[     x]");
}

TEST(FormatTest, ArgumentIndexesReorderArguments) {
    EXPECT_EQ(Format("%1:s %0:s", "world", "hello"), "hello world");
    EXPECT_EQ(Format("%0:s %s %0:s", "a", "b"), "a b a");  // continues after the indexed one
    EXPECT_EQ(Format("%1:5d|", 1, 2), "    2|");
    EXPECT_EQ(Format("%*:s", 1, "x"), "x");  // index from an argument
}

TEST(FormatTest, FloatsUseDecimalPointAndClassLibraryForms) {
    EXPECT_EQ(Format("%f", 3.14159), "3.14");
    EXPECT_EQ(Format("%.0f", 2.5), "3");
    EXPECT_EQ(Format("%.0f", -2.5), "-3");
    EXPECT_EQ(Format("%.2f", 0.125), "0.13");
    EXPECT_EQ(Format("%.2f", 2.675), "2.67");  // binary value is below the half
    EXPECT_EQ(Format("%.1f", 9.96), "10.0");
    EXPECT_EQ(Format("%.2f", -0.001), "0.00");
    EXPECT_EQ(Format("%.3f", 1e20), "100000000000000000000.000");
    EXPECT_EQ(Format("%f", 1.0f), "1.00");
    EXPECT_EQ(Format("%e", 1234.5), "1.23450000000000E+003");
    EXPECT_EQ(Format("%.3e", -1234.5), "-1.23E+003");
    EXPECT_EQ(Format("%.3e", 0.0), "0.00E+000");
    EXPECT_EQ(Format("%e", 1e-300), "1.00000000000000E-300");
    EXPECT_EQ(Format("%g", 0.1), "0.1");
    EXPECT_EQ(Format("%g", 100.0), "100");
    EXPECT_EQ(Format("%g", 1e20), "1E+020");
    EXPECT_EQ(Format("%.3g", 1234.5), "1.23E+003");
    EXPECT_EQ(Format("%g", 0.00001), "1E-005");
    EXPECT_EQ(Format("%f|%e|%g", std::nan(""), HUGE_VAL, -HUGE_VAL), "NAN|INF|-INF");
    EXPECT_EQ(Format("[%05f]", HUGE_VAL), "[  INF]");
}

TEST(FormatTest, MismatchedArgumentRaisesConvertError) {
    const AnsiString invalid = "Format '%d' invalid or incompatible with argument";
    EXPECT_EQ(ErrorOf([] { Format("%d", "text"); }), invalid);
    EXPECT_EQ(ErrorOf([] { Format("%d", 1.5); }), invalid);
    EXPECT_EQ(ErrorOf([] { Format("%d", 'c'); }), invalid);
    EXPECT_EQ(ErrorOf([] { Format("%s", 5); }), "Format '%s' invalid or incompatible with argument");
    EXPECT_EQ(ErrorOf([] { Format("%s", 1.5); }), "Format '%s' invalid or incompatible with argument");
    EXPECT_EQ(ErrorOf([] { Format("%f", 1); }), "Format '%f' invalid or incompatible with argument");
    EXPECT_EQ(ErrorOf([] { Format("%x", "a"); }), "Format '%x' invalid or incompatible with argument");
    EXPECT_EQ(ErrorOf([] { Format("%p", 5); }), "Format '%p' invalid or incompatible with argument");
    EXPECT_EQ(ErrorOf([] { Format("%*d", "w", 5); }), "Format '%*d' invalid or incompatible with argument");
}

TEST(FormatTest, MissingArgumentRaisesConvertError) {
    EXPECT_EQ(ErrorOf([] { Format("%s and %s", "one"); }), "No argument for format '%s and %s'");
    EXPECT_EQ(ErrorOf([] { Format("%d"); }), "No argument for format '%d'");
    EXPECT_EQ(ErrorOf([] { Format("%5:s", "a"); }), "No argument for format '%5:s'");
    EXPECT_EQ(ErrorOf([] { Format("%*d", 5); }), "No argument for format '%*d'");
}

TEST(FormatTest, MalformedSpecifiersRaiseConvertError) {
    for (const char* fmt : {"100%", "%", "%k", "%-", "%5", "%.", "%.2", "%1:", "%n", "%c", "%ld",
                            "%99999999d", "%.99999999f", "%2147483648:s", "%99999999999999999999d"}) {
        EXPECT_THROW(Format(fmt, 1, "x"), EConvertError) << fmt;
    }
    EXPECT_THROW(Format("%*d", 1 << 30, 5), EConvertError);
    EXPECT_THROW(Format("%*d", -(1 << 30), 5), EConvertError);
}

TEST(FormatTest, FormatArgsTakesARuntimeArgumentList) {
    const std::vector<TFormatArg> args = {TFormatArg("Eva"), TFormatArg(3)};
    EXPECT_EQ(FormatArgs("%s: %d", args), "Eva: 3");
    EXPECT_THROW(FormatArgs("%s %s %s", args), EConvertError);
}

// Forms the program's own texts use.
TEST(FormatTest, ProgramFormsGiveFixedWidths) {
    EXPECT_EQ(Format("%03.3d", 7), "007");
    EXPECT_EQ(Format("%03.3d", 1234), "1234");
    EXPECT_EQ(Format("Unknown resource type - %8.8x", 0x2A), "Unknown resource type - 0000002A");
    EXPECT_EQ(Format("Unrecognized extension block: %.2x", 0x0F), "Unrecognized extension block: 0F");
    EXPECT_EQ(Format(" (%0.2f)", 1.25), " (1.25)");
    EXPECT_EQ(Format(" LANGUAGE %x,%x", 0x05, 0x01), " LANGUAGE 5,1");
}

// Whatever a damaged language file holds, Format either formats or raises
// EConvertError; the sanitizer build checks that nothing is read out of
// bounds on the way.
TEST(FormatTest, RandomFormatTextsNeverMisbehave) {
    const std::string alphabet = "%%%%-0123456789.*:sdxufegpXSa ";
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 12);
    int formatted = 0, refused = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string fmt;
        for (int n = length(rng); n > 0; --n) fmt += alphabet[pick(rng)];
        try {
            const AnsiString r = Format(fmt, 3, "text", 2.5, -7, 'c');
            EXPECT_LE(r.size(), fmt.size() + 4 * 65536 + 400);
            ++formatted;
        } catch (const EConvertError&) {
            ++refused;
        }
    }
    EXPECT_GT(formatted, 1000);
    EXPECT_GT(refused, 1000);
}
