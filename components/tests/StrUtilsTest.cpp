#include "components/StrUtils.h"

#include <gtest/gtest.h>

TEST(StrUtilsTest, ReplaceAllDoesNotRescanReplacedText)
{
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceAll("a,b,c", ",", ",,"), "a,,b,,c");
    EXPECT_EQ(ReplaceAll("1,5", ",", "."), "1.5");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceAll("", "a", "x"), "");
    EXPECT_EQ(ReplaceAll("xyz", "xyz", ""), "");
}

TEST(StrUtilsTest, RemoveCharAndBlanks)
{
    EXPECT_EQ(RemoveChar("12-34-56", '-'), "123456");
    EXPECT_EQ(RemoveChar("---", '-'), "");
    EXPECT_EQ(RemoveBlanks(" 602 123\t456 "), "602123\t456");
    EXPECT_EQ(TrimLeadingSpaces("  \tx y "), "\tx y ");
    EXPECT_EQ(TrimLeadingSpaces("   "), "");
}

TEST(StrUtilsTest, TextBeforeCharIsWholeTextWithoutTheChar)
{
    EXPECT_EQ(TextBeforeChar("Jan;Novák", ';'), "Jan");
    EXPECT_EQ(TextBeforeChar(";x", ';'), "");
    EXPECT_EQ(TextBeforeChar("Jan", ';'), "Jan");
}

TEST(StrUtilsTest, SplitAtCharLeavesTheSeparatorFirst)
{
    AnsiString Text = "Jan;  Novák;x";
    AnsiString Head;
    SplitAtChar(Text, ';', Head);
    EXPECT_EQ(Head, "Jan");
    EXPECT_EQ(Text, ";  Novák;x");

    Text = "bez oddělovače";
    SplitAtChar(Text, ';', Head);
    EXPECT_EQ(Head, "bez oddělovače");
    EXPECT_EQ(Text, "");

    // A blank separator is swallowed together with the blanks after it.
    Text = "a   b";
    SplitAtChar(Text, ' ', Head);
    EXPECT_EQ(Head, "a");
    EXPECT_EQ(Text, "b");
}

TEST(StrUtilsTest, WordsAreRunsOutsideTheDelimiters)
{
    const TCharSet Delims{' ', ','};
    const AnsiString Text = "10, 20,30";
    EXPECT_EQ(CountWords(Text, Delims), 3);
    EXPECT_EQ(NthWord(1, Text, Delims), "10");
    EXPECT_EQ(NthWord(2, Text, Delims), "20");
    EXPECT_EQ(NthWord(3, Text, Delims), "30");
    EXPECT_EQ(NthWord(5, Text, Delims), "");
    EXPECT_EQ(NthWord(0, Text, Delims), "");
    EXPECT_EQ(WordStart(2, Text, Delims), 5);
    EXPECT_EQ(WordStart(3, Text, Delims), 8);
    EXPECT_EQ(WordStart(4, Text, Delims), 0);
    EXPECT_EQ(WordStart(0, Text, Delims), 0);

    EXPECT_EQ(CountWords("", Delims), 0);
    EXPECT_EQ(CountWords(" ,, ", Delims), 0);
    EXPECT_EQ(CountWords(",,a,,b,,", Delims), 2);
    EXPECT_EQ(NthWord(2, ",,a,,b,,", Delims), "b");
    EXPECT_EQ(WordStart(1, ",,a", Delims), 3);
    EXPECT_EQ(CountWords("abc", TCharSet()), 1);
}

TEST(StrUtilsTest, CharSetHoldsHighBytes)
{
    TCharSet Set("\xE1;");
    EXPECT_TRUE(Set.Contains('\xE1'));
    EXPECT_TRUE(Set.Contains(';'));
    EXPECT_FALSE(Set.Contains('a'));
    EXPECT_EQ(NthWord(2, "a\xE1" "b", Set), "b");
}

TEST(StrUtilsTest, HexWithKeyRoundTrips)
{
    EXPECT_EQ(EncodeHexWithKey("", "abc"), "616263");
    EXPECT_EQ(EncodeHexWithKey("", AnsiString("\xFF\x00", 2)), "ff00");
    // 'a' ^ 'K' = 0x2A, 'b' ^ 'e' = 0x07, 'c' ^ 'K' = 0x28 (the key cycles).
    EXPECT_EQ(EncodeHexWithKey("Ke", "abc"), "2a0728");
    EXPECT_EQ(DecodeHexWithKey("Ke", "2a0728"), "abc");
    EXPECT_EQ(DecodeHexWithKey("", "616263"), "abc");
    EXPECT_EQ(DecodeHexWithKey("", "6162A"), "ab");
    EXPECT_EQ(DecodeHexWithKey("", "4A4a"), "JJ");

    AnsiString All;
    for (int B = 0; B < 256; ++B)
        All += static_cast<char>(B);
    EXPECT_EQ(DecodeHexWithKey("klíč", EncodeHexWithKey("klíč", All)), All);
    EXPECT_EQ(EncodeHexWithKey("klíč", All).size(), 512u);
}

TEST(StrUtilsTest, DecodeHexGivesABlankForANonHexPair)
{
    EXPECT_EQ(DecodeHexWithKey("", "6g"), " ");
    EXPECT_EQ(DecodeHexWithKey("", "41zz42"), "A B");
    // The blank stands for the byte before the key is applied.
    EXPECT_EQ(DecodeHexWithKey("\x01", "??"), "\x21");
}
