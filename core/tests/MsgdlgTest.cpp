#include "core/Msgdlg.h"

#include <gtest/gtest.h>

#include "core/Language.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"

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

// --- The real dialog, built offscreen -------------------------------------------------

class TMsgdlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        OverrideScreenSize(1024, 768);
        SetLang(nullptr);
    }
    void TearDown() override {
        SetLang(nullptr);
        OverrideScreenSize(0, 0);
        PumpUntilIdle();
    }

    static TButton* ButtonOf(TForm* form, const AnsiString& name) {
        return dynamic_cast<TButton*>(form->FindComponent(name));
    }
    static TControl* ControlOf(TForm* form, const AnsiString& name) {
        return dynamic_cast<TControl*>(form->FindComponent(name));
    }
};

TEST_F(TMsgdlgTest, OneLineErrorGetsTextHeightOfAtLeast32BesideTheIcon) {
    std::unique_ptr<TForm> form = BuildLocalMessageDialog("Soubor nelze otevřít.", mtError, {mbOK}, -1, -1, 0);
    TControl* image = ControlOf(form.get(), "Image");
    TControl* message = ControlOf(form.get(), "Message");
    TButton* ok = ButtonOf(form.get(), "OK");
    ASSERT_TRUE(image && message && ok);
    EXPECT_EQ(form->Caption(), "Chyba");
    EXPECT_EQ(image->Width(), 32);
    EXPECT_EQ(image->Height(), 32);
    EXPECT_EQ(image->Top(), message->Top());
    EXPECT_GT(message->Left(), image->Left() + 32);
    EXPECT_LT(message->Height(), 32);  // one line of an 8-point font
    // The buttons sit below the icon's height, not the text's.
    EXPECT_GE(ok->Top(), message->Top() + 32);
    EXPECT_EQ(form->ClientHeight(), ok->Top() + ok->Height() + image->Top());
    EXPECT_EQ(ok->Caption(), "&OK");
    EXPECT_TRUE(ok->Default());
    EXPECT_TRUE(ok->Cancel());
    // Centred on the screen.
    EXPECT_EQ(form->Left(), 1024 / 2 - form->Width() / 2);
    EXPECT_EQ(form->Top(), 768 / 2 - form->Height() / 2);
}

TEST_F(TMsgdlgTest, LongTextWrapsWithinHalfTheScreen) {
    AnsiString text;
    for (int i = 0; i < 60; ++i) text += "Zpráva se nepodařila odeslat. ";
    std::unique_ptr<TForm> form = BuildLocalMessageDialog(text, mtWarning, {mbOK}, -1, -1, 0);
    TControl* message = ControlOf(form.get(), "Message");
    TButton* ok = ButtonOf(form.get(), "OK");
    ASSERT_TRUE(message && ok);
    EXPECT_LE(message->Width(), 1024 / 2);
    EXPECT_GT(message->Width(), 1024 / 2 - 100);
    EXPECT_GT(message->Height(), 5 * 13);
    EXPECT_LE(message->Left() + message->Width(), form->ClientWidth());
    EXPECT_GE(ok->Top(), message->Top() + message->Height());
    EXPECT_EQ(form->Caption(), "Varování");
}

TEST_F(TMsgdlgTest, AmpersandInTheTextIsShownAsGiven) {
    std::unique_ptr<TForm> form = BuildLocalMessageDialog("Kontakt Novák & syn", mtInformation, {mbOK}, -1, -1, 0);
    auto* message = dynamic_cast<TLabel*>(form->FindComponent("Message"));
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->Caption(), "Kontakt Novák & syn");
    EXPECT_FALSE(message->ShowAccelChar());
    EXPECT_TRUE(message->WordWrap());
}

TEST_F(TMsgdlgTest, ManyButtonsWidenTheDialogAndStayInOrder) {
    TMsgDlgButtons all{mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbHelp};
    std::unique_ptr<TForm> narrow = BuildLocalMessageDialog("Ano?", mtConfirmation, {mbYes}, -1, -1, 0);
    std::unique_ptr<TForm> form = BuildLocalMessageDialog("Ano?", mtConfirmation, all, -1, -1, 0);
    EXPECT_GT(form->ClientWidth(), narrow->ClientWidth());
    const char* names[] = {"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "Help"};
    TButton* previous = nullptr;
    for (const char* name : names) {
        TButton* button = ButtonOf(form.get(), name);
        ASSERT_NE(button, nullptr) << name;
        if (previous) {
            EXPECT_GT(button->Left(), previous->Left() + previous->Width()) << name;
            EXPECT_EQ(button->Top(), previous->Top());
        }
        previous = button;
    }
    // The row fills the client width but for the two margins.
    TButton* first = ButtonOf(form.get(), "Yes");
    EXPECT_EQ(form->ClientWidth() - (previous->Left() + previous->Width()), first->Left());
    EXPECT_EQ(ButtonOf(form.get(), "Abort")->Caption(), "&Konec");
    EXPECT_EQ(ButtonOf(form.get(), "Help")->ModalResult(), mrNone);
    EXPECT_TRUE(ButtonOf(form.get(), "OK")->Default());
    EXPECT_TRUE(ButtonOf(form.get(), "Cancel")->Cancel());
}

TEST_F(TMsgdlgTest, CustomTypeTakesTheApplicationTitleAndNoIcon) {
    AnsiString oldTitle = Application->Title();
    Application->SetTitle("Vemlor");
    std::unique_ptr<TForm> form = BuildLocalMessageDialog("Hotovo", mtCustom, {mbOK}, -1, -1, 0);
    Application->SetTitle(oldTitle);
    EXPECT_EQ(form->Caption(), "Vemlor");
    EXPECT_EQ(form->FindComponent("Image"), nullptr);
}

TEST_F(TMsgdlgTest, PlacedWhereAskedUnlessACoordinateIsNegative) {
    std::unique_ptr<TForm> placed = BuildLocalMessageDialog("x", mtInformation, {mbOK}, 10, 20, 0);
    EXPECT_EQ(placed->Left(), 10);
    EXPECT_EQ(placed->Top(), 20);
    std::unique_ptr<TForm> centred = BuildLocalMessageDialog("x", mtInformation, {mbOK}, 10, -1, 7);
    EXPECT_EQ(centred->Left(), 1024 / 2 - centred->Width() / 2);
    EXPECT_EQ(centred->HelpContext(), 7);
    EXPECT_EQ(centred->BorderStyle(), bsDialog);
    EXPECT_EQ(centred->BorderIcons(), TBorderIcons{biSystemMenu});
}

TEST_F(TMsgdlgTest, ButtonCaptionsAndTitleComeFromTheLanguageFile) {
    SetLang(std::make_unique<TLang>(AnsiString(VEMLOR_TEST_DATA) + "/lang/english.lng"));
    std::unique_ptr<TForm> form = BuildLocalMessageDialog("Delete?", mtConfirmation, {mbYes, mbNo}, -1, -1, 0);
    EXPECT_EQ(form->Caption(), "Confirm");
    EXPECT_EQ(ButtonOf(form.get(), "Yes")->Caption(), "&Yes");
    EXPECT_EQ(ButtonOf(form.get(), "No")->Caption(), "&No");

    SetLang(nullptr);
    form = BuildLocalMessageDialog("Smazat?", mtConfirmation, {mbYes, mbNo}, -1, -1, 0);
    EXPECT_EQ(form->Caption(), "Potvrzení");
    EXPECT_EQ(ButtonOf(form.get(), "Yes")->Caption(), "&Ano");
}

TEST_F(TMsgdlgTest, ShownModallyReturnsTheClickedButtonsResult) {
    TModalAnswerer answerer;
    AnsiString seenText;
    answerer.ClickButton("Ano", [&](TForm* form) { seenText = form->FindComponent("Message") ? "found" : ""; });
    EXPECT_EQ(LocalMessageDlg("Smazat kontakt?", mtConfirmation, {mbYes, mbNo}, 0), mrYes);
    EXPECT_EQ(seenText, "found");

    // Escape answers with the cancel button, here No.
    answerer.Act([](TForm* form) { SendKey(form, VK_ESCAPE); });
    EXPECT_EQ(LocalMessageDlg("Smazat kontakt?", mtConfirmation, {mbYes, mbNo}, 0), mrNo);
    EXPECT_TRUE(answerer.Unexpected().empty());
    EXPECT_EQ(answerer.Seen(), (std::vector<AnsiString>{"Potvrzení", "Potvrzení"}));
}

TEST_F(TMsgdlgTest, ConfirmationDialogRendersToPng) {
    ForceDirectories(VEMLOR_TEST_OUTPUT);
    std::unique_ptr<TForm> form = BuildLocalMessageDialog(
        "Opravdu chcete odstranit vybrané zprávy z fronty?\r\nTuto akci nelze vrátit zpět.", mtConfirmation,
        {mbYes, mbNo}, -1, -1, 0);
    AnsiString file = AnsiString(VEMLOR_TEST_OUTPUT) + "/msgdlg-confirmation.png";
    DeleteFile(file);
    ASSERT_TRUE(SaveControlToPng(form.get(), file));
    EXPECT_TRUE(FileExists(file));

    // The other symbols, for looking at.
    const std::pair<TMsgDlgType, const char*> others[] = {
        {mtWarning, "warning"}, {mtError, "error"}, {mtInformation, "information"}};
    for (const auto& [type, name] : others) {
        form = BuildLocalMessageDialog("Zpráva byla zařazena do fronty.", type, {mbOK}, -1, -1, 0);
        EXPECT_TRUE(SaveControlToPng(form.get(), AnsiString(VEMLOR_TEST_OUTPUT) + "/msgdlg-" + name + ".png"));
    }
}

// --- The input box --------------------------------------------------------------------

TEST_F(TMsgdlgTest, InputDialogLayoutFollowsDialogUnits) {
    std::unique_ptr<TForm> form = BuildLocalInputDialog("Nová skupina", "Název skupiny:", "Rodina");
    auto* edit = dynamic_cast<TEdit*>(form->FindComponent("Edit"));
    TControl* prompt = ControlOf(form.get(), "Prompt");
    TButton* ok = ButtonOf(form.get(), "OK");
    TButton* cancel = ButtonOf(form.get(), "Cancel");
    ASSERT_TRUE(edit && prompt && ok && cancel);
    EXPECT_EQ(form->Caption(), "Nová skupina");
    EXPECT_EQ(prompt->Caption(), "Název skupiny:");
    EXPECT_EQ(edit->Text(), "Rodina");
    EXPECT_EQ(edit->MaxLength(), 255);
    EXPECT_EQ(edit->SelLength(), 6);
    EXPECT_EQ(ok->Caption(), "&OK");
    EXPECT_EQ(cancel->Caption(), "&Storno");
    EXPECT_TRUE(ok->Default());
    EXPECT_TRUE(cancel->Cancel());
    // 8 units of a quarter character from the left: the prompt and the edit
    // line up, the edit is 164 of 180 units wide, the buttons are in one row.
    EXPECT_EQ(prompt->Left(), edit->Left());
    EXPECT_EQ(edit->Left() * 2 + edit->Width(), form->ClientWidth());
    EXPECT_EQ(ok->Top(), cancel->Top());
    EXPECT_EQ(ok->Width(), cancel->Width());
    EXPECT_GT(cancel->Left(), ok->Left() + ok->Width());
    EXPECT_LE(cancel->Left() + cancel->Width(), form->ClientWidth());
    EXPECT_EQ(form->Position(), poScreenCenter);
}

TEST_F(TMsgdlgTest, InputBoxTakesAtMost255TypedCharacters) {
    TModalAnswerer answerer;
    answerer.Act([](TForm* form) {
        auto* edit = dynamic_cast<TEdit*>(form->FindComponent("Edit"));
        ASSERT_NE(edit, nullptr);
        edit->SetFocus();
        TypeText(edit, AnsiString(300, 'a'));
        form->SetModalResult(mrOk);
    });
    AnsiString result = LocalInputBox("Text", "Zadejte text:", "start");
    // The typed text replaced the selected default.
    EXPECT_EQ(result, AnsiString(255, 'a'));
    EXPECT_TRUE(answerer.Unexpected().empty());
}

TEST_F(TMsgdlgTest, InputBoxCancelledReturnsTheDefault) {
    TModalAnswerer answerer;
    answerer.Act([](TForm* form) {
        auto* edit = dynamic_cast<TEdit*>(form->FindComponent("Edit"));
        ASSERT_NE(edit, nullptr);
        edit->SetText("changed");
    });
    answerer.ClickButton("Storno");
    EXPECT_EQ(LocalInputBox("Text", "Zadejte text:", "původní"), "původní");

    AnsiString value = "původní";
    answerer.Act([](TForm* form) { SendKey(form, VK_ESCAPE); });
    EXPECT_FALSE(LocalInputQuery("Text", "Zadejte text:", value));
    EXPECT_EQ(value, "původní");
}

TEST_F(TMsgdlgTest, InputQueryOkStoresTheEditedText) {
    TModalAnswerer answerer;
    answerer.Act([](TForm* form) {
        dynamic_cast<TEdit*>(form->FindComponent("Edit"))->SetText("Přátelé");
    });
    answerer.ClickButton("OK");
    AnsiString value = "Rodina";
    EXPECT_TRUE(LocalInputQuery("Skupina", "Název:", value));
    EXPECT_EQ(value, "Přátelé");
}

}  // namespace

namespace {

TEST_F(TMsgdlgTest, InputQueryGivesBackALongerValueUncut) {
    const AnsiString longValue(300, 'v');
    TModalAnswerer answerer;
    answerer.ClickButton("OK");
    AnsiString value = longValue;
    EXPECT_TRUE(LocalInputQuery("Text", "Zadejte text:", value));
    EXPECT_EQ(value, longValue);
}

}  // namespace
