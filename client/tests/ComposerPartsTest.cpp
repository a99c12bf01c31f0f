// Where the SMS parts of a text lie in the editor (a line break is one
// position there, none in a part) and how long the text may grow.

#include "client/ComposerParts.h"

#include <gtest/gtest.h>

namespace {

// The bare parts as the splitter would give them, written out by hand.
struct Parts : TStringList {
    Parts(std::initializer_list<AnsiString> Items) {
        for (const AnsiString& item : Items) Add(item);
    }
};

using TRanges = std::vector<TPartRange>;

TEST(TComposerPartsTest, ALineBreakInsideAPartCountsOneEditorPosition) {
    EXPECT_EQ(PartRanges("Ahoj\r\nsvete", Parts({"Ahojsvete"})), (TRanges{{0, 10}}));
    // A lone CR or LF is a break as well.
    EXPECT_EQ(PartRanges("Ahoj\nsvete", Parts({"Ahojsvete"})), (TRanges{{0, 10}}));
}

TEST(TComposerPartsTest, PartsFollowEachOtherAcrossTheBreaksOfTheText) {
    // 150 letters, a break, 20 letters: the first part takes 156 letters
    // (the header "1/2 " takes the rest of its 160), the second the last 14.
    const AnsiString text = AnsiString(150, 'a') + "\r\n" + AnsiString(20, 'b');
    const Parts parts({AnsiString(150, 'a') + AnsiString(6, 'b'), AnsiString(14, 'b')});
    EXPECT_EQ(PartRanges(text, parts), (TRanges{{0, 157}, {157, 14}}));
}

TEST(TComposerPartsTest, ABreakBetweenTwoPartsGoesWithTheFirst) {
    const AnsiString text = AnsiString(156, 'a') + "\r\n" + AnsiString(10, 'b') + "\r\n";
    const Parts parts({AnsiString(156, 'a'), AnsiString(10, 'b')});
    EXPECT_EQ(PartRanges(text, parts), (TRanges{{0, 157}, {157, 11}}));
}

TEST(TComposerPartsTest, TheReserveBeyondTheTextGetsNoRange) {
    EXPECT_EQ(PartRanges("ab", Parts({"abPPPP"})), (TRanges{{0, 2}}));
    EXPECT_EQ(PartRanges(AnsiString(158, 'a'), Parts({AnsiString(156, 'a'), "aaPPPP"})), (TRanges{{0, 156}, {156, 2}}));
    EXPECT_TRUE(PartRanges("", Parts({""})).empty());
}

TEST(TComposerPartsTest, TheLimitLeavesRoomForFiveHeadersAndNicknamesAndStaysPositive) {
    EXPECT_EQ(ComposerLimit("", ""), 780);
    // A nickname of four characters: 800 - 5 x 8, plus one per line break.
    EXPECT_EQ(ComposerLimit("a\r\nb\r\nc", "Petr"), 762);
    // The splitter uses ten characters of a nickname at most; so does the limit.
    EXPECT_EQ(ComposerLimit("", AnsiString(300, 'x')), 730);
}

TEST(TComposerPartsTest, CuttingNeverLeavesHalfALineBreak) {
    EXPECT_EQ(CutToLimit("ab\r\ncd", 3), "ab");
    EXPECT_EQ(CutToLimit("ab\r\ncd", 4), "ab\r\n");
    EXPECT_EQ(CutToLimit("abc", 5), "abc");
    EXPECT_EQ(CountLineBreaks("a\r\nb\nc\r\n"), 2);
}

}  // namespace
