// Where the SMS parts of a text lie in the editor (a line break is one
// position there, none in a part) and how long the text may grow before a
// recipient's row would lose some of it.

#include "client/ComposerParts.h"

#include <gtest/gtest.h>

#include "core/Zprava.h"  // the nickname's source

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

TEST(TComposerPartsTest, RangesFollowTheSentTextWithItsLeadAndWhatEachCharacterBecomes) {
    // A salutation of 10 takes the start of the first part.
    EXPECT_EQ(PartRanges(AnsiString(160, 'a'), Parts({AnsiString(156, 'a'), AnsiString(14, 'a')}), 10),
              (TRanges{{0, 146}, {146, 14}}));
    // A first part the salutation fills alone (whole words cut after it)
    // keeps its place, so that the parts keep their colours.
    EXPECT_EQ(PartRanges(AnsiString(10, 'a'), Parts({"Ahoj, ", AnsiString(10, 'a')}), 6), (TRanges{{0, 0}, {0, 10}}));
    // A line break that is sent as a blank belongs to the part that sends it;
    // a character that is not sent goes with the one before.
    auto asSent = [](char C) -> Integer { return C == '\n' || C == '\'' ? 0 : 1; };
    EXPECT_EQ(PartRanges("ab\r\ncd", Parts({"ab", " cd"}), 0, asSent), (TRanges{{0, 2}, {2, 3}}));
    EXPECT_EQ(PartRanges("it's", Parts({"its"}), 0, asSent), (TRanges{{0, 4}}));
    // What no part holds has no range.
    EXPECT_EQ(PartRanges(AnsiString(10, 'a'), Parts({"aaaa"})), (TRanges{{0, 4}}));
}

class TComposerFitTest : public ::testing::Test, public TSenderSettings {
protected:
    void SetUp() override { SetSenderSettings(this); }
    void TearDown() override { SetSenderSettings(nullptr); }
    AnsiString NickName() const override { return Nick; }
    AnsiString SenderName() const override { return {}; }
    AnsiString SenderNumber() const override { return {}; }

    static AnsiString Same(const AnsiString& Text) { return Text; }
    // A home country's conversion in small: a CR is sent as a blank, an LF
    // not at all.
    static AnsiString Blanks(const AnsiString& Text) {
        AnsiString sent;
        for (char c : Text)
            if (c != '\n') sent += c == '\r' ? ' ' : c;
        return sent;
    }
    // Five words of 150 letters, each followed by a blank: cut at whole
    // words, each fills a part of its own.
    static AnsiString FiveWords() {
        AnsiString words;
        for (char c = 'a'; c <= 'e'; ++c) words += AnsiString(150, c) + " ";
        return words;
    }

    AnsiString Nick;
};

TEST_F(TComposerFitTest, TheLimitLeavesRoomForFiveHeadersAndNicknamesAndStaysPositive) {
    EXPECT_EQ(FitComposedText("", {}, Same, false).Limit, 780);
    // A nickname of four characters: 800 - 5 x 8, plus one per line break.
    Nick = "Petr";
    EXPECT_EQ(FitComposedText("a\r\nb\r\nc", {}, Same, false).Limit, 762);
    // Sent as blanks, the two line breaks cost what letters cost.
    EXPECT_EQ(FitComposedText("a\r\nb\r\nc", {}, Blanks, false).Limit, 760);
    // The splitter uses ten characters of a nickname at most; so does the limit.
    Nick = AnsiString(300, 'x');
    EXPECT_EQ(FitComposedText("", {}, Same, false).Limit, 730);
    // A frame that leaves no room at all still leaves the editor a limit.
    const TComposerFit none = FitComposedText("abc", {{AnsiString(800, 's'), ""}}, Same, false);
    EXPECT_FALSE(none.Fits);
    EXPECT_EQ(none.Fitting, 0);
    EXPECT_EQ(none.Limit, 1);
}

TEST_F(TComposerFitTest, WholeWordsAndEachRecipientsSignatureTakeTheirRoomFromTheText) {
    const AnsiString words = FiveWords();
    // Cut anywhere, 780 characters fit; cut at whole words, the fifth part
    // takes only five characters more after the fifth word.
    EXPECT_EQ(FitComposedText(words, {}, Same, false).Limit, 780);
    EXPECT_EQ(FitComposedText(words, {}, Same, true).Limit, 760);
    // A salutation fits in what the first part's whole word leaves over.
    EXPECT_EQ(FitComposedText(words, {{"Ahoj ", ""}}, Same, true).Limit, 760);
    // A signature of five takes the fifth part's last five: the row with it
    // is the fullest and decides.
    const TTextFrame jana{"Ahoj ", ""};
    const TTextFrame petr{"", " Petr"};
    const TComposerFit both = FitComposedText(words, {jana, petr}, Same, true);
    EXPECT_TRUE(both.Fits);
    EXPECT_EQ(both.Frame, petr);
    EXPECT_EQ(both.Limit, 755);

    // Two words more: the longest beginning that every row keeps whole.
    const AnsiString over = words + "fffff ffff";
    const TComposerFit alone = FitComposedText(over, {jana}, Same, true);
    EXPECT_FALSE(alone.Fits);
    EXPECT_EQ(alone.Fitting, 760);
    EXPECT_EQ(alone.Limit, 760);
    const TComposerFit signedRows = FitComposedText(over, {jana, petr}, Same, true);
    EXPECT_EQ(signedRows.Frame, petr);
    EXPECT_EQ(signedRows.Fitting, 755);
}

TEST(TComposerPartsTest, CuttingNeverLeavesHalfALineBreak) {
    EXPECT_EQ(CutToLimit("ab\r\ncd", 3), "ab");
    EXPECT_EQ(CutToLimit("ab\r\ncd", 4), "ab\r\n");
    EXPECT_EQ(CutToLimit("abc", 5), "abc");
    EXPECT_EQ(CountLineBreaks("a\r\nb\nc\r\n"), 2);
}

}  // namespace
