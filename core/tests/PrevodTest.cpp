#include "core/prevod.h"

#include <gtest/gtest.h>

#include "platform/rtl/CodePage.h"

namespace {

AnsiString Byte1(Byte B)
{
    return AnsiString(1, static_cast<char>(B));
}

int FirstPosition(const Byte (&Table)[PrevodTableSize], Byte B)
{
    for (int K = 0; K < PrevodTableSize; ++K)
        if (Table[K] == B)
            return K;
    return -1;
}

// Every position of the tables where both sides hold the same letter, as
// Windows-1250 text (the sources are compiled to that code page).
const AnsiString Letters =
    "ČüéďäĎŤčěĚĹÍľĺÄÁÉžŽôöÓůÚýÖÜŠĽÝŘťáíóúňŇŮÔšřŕŔČş"
    "ÁÂĚŞŻżĂăđĐĎËďŇÍÎěŢŮÓßÔŃńňŔÚŕŰýÝţűŘř";

}  // namespace

TEST(PrevodTest, LettersConvertAsTheCodePagesDefineThem)
{
    const std::string Iso = AnsiToIso88592(Letters);
    ASSERT_EQ(Iso.find('?'), std::string::npos);
    EXPECT_EQ(WinToIso(Letters), Iso);
    EXPECT_EQ(IsoToWin(Iso), Letters);
}

TEST(PrevodTest, CapitalIAcuteAndSmallLAcuteRoundTrip)
{
    EXPECT_EQ(WinToIso("Í"), "\xCD");
    EXPECT_EQ(IsoToWin("\xCD"), "Í");
    EXPECT_EQ(WinToIso("ĺ"), "\xE5");
    EXPECT_EQ(IsoToWin("\xE5"), "ĺ");
    // "Â" is the same byte on both sides.
    EXPECT_EQ(WinToIso("Â"), "\xC2");
    EXPECT_EQ(IsoToWin("\xC2"), "Â");
    EXPECT_EQ(WinTable[11], 0xCD);
    EXPECT_EQ(WinTable[13], 0xE5);
}

TEST(PrevodTest, EveryPairConvertsBothWaysByItsFirstPosition)
{
    for (int K = 0; K < PrevodTableSize; ++K) {
        SCOPED_TRACE("position " + std::to_string(K + 1));
        EXPECT_EQ(WinToIso(Byte1(WinTable[K])), Byte1(IsoTable[FirstPosition(WinTable, WinTable[K])]));
        EXPECT_EQ(IsoToWin(Byte1(IsoTable[K])), Byte1(WinTable[FirstPosition(IsoTable, IsoTable[K])]));
    }
}

TEST(PrevodTest, KnownBytesAndDuplicates)
{
    EXPECT_EQ(IsoToWin("\xAB"), "\x8D");  // Ť
    EXPECT_EQ(IsoToWin("\xB9"), "\x9A");  // š
    // 0xC8 stands at positions 1 and 45; the first one decides.
    EXPECT_EQ(WinToIso("\xC8"), "\xC8");
    // Win 0x8A (Š) is at positions 28 and 103; position 28 gives ISO 0xA9.
    EXPECT_EQ(WinToIso("\x8A"), "\xA9");
}

TEST(PrevodTest, OtherBytesPassUnchangedAndLengthIsKept)
{
    const AnsiString Ascii = "Hello, World 0123456789 <text>";
    EXPECT_EQ(WinToIso(Ascii), Ascii);
    EXPECT_EQ(IsoToWin(Ascii), Ascii);
    EXPECT_EQ(WinToIso(""), "");
    EXPECT_EQ(IsoToWin(""), "");

    AnsiString All;
    for (int B = 0; B < 256; ++B)
        All += static_cast<char>(B);
    const AnsiString Iso = WinToIso(All);
    const AnsiString Win = IsoToWin(All);
    ASSERT_EQ(Iso.size(), 256u);
    ASSERT_EQ(Win.size(), 256u);
    for (int B = 0; B < 256; ++B) {
        if (FirstPosition(WinTable, Byte(B)) < 0) {
            EXPECT_EQ(Byte(Iso[B]), B) << B;
        }
        if (FirstPosition(IsoTable, Byte(B)) < 0) {
            EXPECT_EQ(Byte(Win[B]), B) << B;
        }
    }
}

TEST(PrevodTest, ReplacedBytesAreNotConvertedAgain)
{
    // ISO 0xB5 (ľ) becomes Win 0xBE, which is also ISO "ž" (0xBE -> 0x9E);
    // Win 0x9E (ž) becomes ISO 0xBE, which is also Win "ľ" (0xBE -> 0xB5).
    EXPECT_EQ(IsoToWin("\xB5\xBE"), "\xBE\x9E");
    EXPECT_EQ(WinToIso("\x9E\xBE"), "\xBE\xB5");
}
