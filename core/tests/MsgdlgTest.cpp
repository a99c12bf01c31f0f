#include "core/Msgdlg.h"

#include <gtest/gtest.h>

#include "core/Language.h"

namespace {

// A font of 6 x 13 pixels, the classic dialog font's size: 8 dialog units
// across are 12 pixels, 6 down are 9.75 -> 10, a button is 75 x 22.75 -> 23.
TMsgDlgMetrics FixedMetrics(Integer screenWidth = 800) {
    TMsgDlgMetrics metrics;
    metrics.CharWidth = 6;
    metrics.CharHeight = 13;
    metrics.ScreenWidth = screenWidth;
    // Every character 6 pixels wide, wrapped at the last whole character.
    metrics.MeasureText = [](const AnsiString& text, Integer maxWidth) {
        Integer perLine = std::max<Integer>(1, maxWidth / 6);
        Integer length = static_cast<Integer>(text.size());
        Integer lines = std::max<Integer>(1, (length + perLine - 1) / perLine);
        return TPoint{std::min(length, perLine) * 6, lines * 13};
    };
    return metrics;
}

TEST(LayoutMessageDialogTest, ShortErrorGetsIconHeightAndOneCentredButton) {
    TMsgDlgLayout layout = LayoutMessageDialog("Chyba", mtError, {mbOK}, FixedMetrics());
    ASSERT_TRUE(layout.HasIcon);
    EXPECT_EQ(layout.IconBounds, Bounds(12, 10, 32, 32));
    // The text right of the icon keeps its measured size...
    EXPECT_EQ(layout.TextBounds, Bounds(12 + 12 + 32, 10, 30, 13));
    // ...but the row of buttons sits below a text height of 32.
    EXPECT_EQ(layout.ClientHeight, 32 + 23 + 13 + 2 * 10);
    // 30 + 12 + 24 + 32 = 98 leaves 74 for a 75-pixel button: widened to 99.
    EXPECT_EQ(layout.ClientWidth, 75 + 2 * 12);
    ASSERT_EQ(layout.Buttons.size(), 1u);
    EXPECT_EQ(layout.Buttons[0].Button, mbOK);
    EXPECT_EQ(layout.Buttons[0].Bounds, Bounds(12, 10 + 32 + 13, 75, 23));
}

TEST(LayoutMessageDialogTest, LongTextWrapsAtHalfTheScreen) {
    AnsiString text(180, 'x');
    TMsgDlgLayout layout = LayoutMessageDialog(text, mtConfirmation, {mbYes, mbNo}, FixedMetrics(720));
    EXPECT_EQ(layout.TextBounds.Width(), 360);
    EXPECT_EQ(layout.TextBounds.Height(), 3 * 13);
    EXPECT_EQ(layout.ClientWidth, 360 + 12 + 2 * 12 + 32);
    EXPECT_EQ(layout.ClientHeight, 39 + 23 + 13 + 2 * 10);
    // Two buttons centred: group 75 + 6 + 75 = 156 in 428.
    ASSERT_EQ(layout.Buttons.size(), 2u);
    EXPECT_EQ(layout.Buttons[0].Button, mbYes);
    EXPECT_EQ(layout.Buttons[0].Bounds.Left, (428 - 156) / 2);
    EXPECT_EQ(layout.Buttons[1].Bounds.Left, (428 - 156) / 2 + 81);
    EXPECT_EQ(layout.Buttons[1].Bounds.Top, 10 + 39 + 13);
}

TEST(LayoutMessageDialogTest, ManyButtonsWidenTheDialog) {
    TMsgDlgButtons all{mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbHelp};
    TMsgDlgLayout layout = LayoutMessageDialog("Ok?", mtWarning, all, FixedMetrics());
    const Integer group = 9 * 75 + 8 * 6;
    EXPECT_EQ(layout.ClientWidth, group + 2 * 12);
    ASSERT_EQ(layout.Buttons.size(), 9u);
    EXPECT_EQ(layout.Buttons.front().Bounds.Left, 12);
    EXPECT_EQ(layout.Buttons.back().Bounds.Right, 12 + group);
    for (size_t i = 0; i < layout.Buttons.size(); ++i)
        EXPECT_EQ(layout.Buttons[i].Button, static_cast<TMsgDlgBtn>(i));
}

TEST(LayoutMessageDialogTest, CustomTypeHasNoIconAndThreeMargins) {
    TMsgDlgLayout layout = LayoutMessageDialog("Hi", mtCustom, {mbOK}, FixedMetrics());
    EXPECT_FALSE(layout.HasIcon);
    EXPECT_EQ(layout.TextBounds, Bounds(12, 10, 12, 13));
    // 12 + 36 = 48 is too narrow for the button: widened to 99.
    EXPECT_EQ(layout.ClientWidth, 99);
    // No icon, so the text height is not raised to 32.
    EXPECT_EQ(layout.ClientHeight, 13 + 23 + 13 + 20);

    TMsgDlgLayout wide = LayoutMessageDialog(AnsiString(30, 'x'), mtCustom, {}, FixedMetrics());
    EXPECT_EQ(wide.ClientWidth, 180 + 3 * 12);
    EXPECT_TRUE(wide.Buttons.empty());
}

TEST(LayoutMessageDialogTest, ButtonResultsAreThePlatformOnes) {
    EXPECT_EQ(MsgDlgButtonResult(mbOK), 1);
    EXPECT_EQ(MsgDlgButtonResult(mbCancel), 2);
    EXPECT_EQ(MsgDlgButtonResult(mbAbort), 3);
    EXPECT_EQ(MsgDlgButtonResult(mbRetry), 4);
    EXPECT_EQ(MsgDlgButtonResult(mbIgnore), 5);
    EXPECT_EQ(MsgDlgButtonResult(mbYes), 6);
    EXPECT_EQ(MsgDlgButtonResult(mbNo), 7);
    EXPECT_EQ(MsgDlgButtonResult(mbAll), 8);
    EXPECT_EQ(MsgDlgButtonResult(mbHelp), 0);
}

TEST(LoadDialogCaptionsTest, CaptionsComeFromTheLanguageFileWithCzechDefaults) {
    SetLang(nullptr);
    LoadDialogCaptions();
    EXPECT_EQ(DialogButtonCaption(mbYes), "&Ano");
    EXPECT_EQ(DialogButtonCaption(mbAll), "&Vše");
    EXPECT_EQ(DialogButtonCaption(mbAbort), "&Konec");
    EXPECT_EQ(DialogTitle(mtConfirmation), "Potvrzení");

    SetLang(std::make_unique<TLang>(AnsiString(VEMLOR_TEST_DATA) + "/lang/english.lng"));
    LoadDialogCaptions();
    EXPECT_EQ(DialogButtonCaption(mbYes), "&Yes");
    EXPECT_EQ(DialogButtonCaption(mbNo), "&No");
    EXPECT_EQ(DialogButtonCaption(mbCancel), "&Storno");
    EXPECT_EQ(DialogTitle(mtConfirmation), "Confirm");
    EXPECT_EQ(DialogTitle(mtError), "Chyba");

    SetLang(nullptr);
    LoadDialogCaptions();
    EXPECT_EQ(DialogButtonCaption(mbYes), "&Ano");
}

}  // namespace
