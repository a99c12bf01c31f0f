#include <gtest/gtest.h>

#include <vector>

#include "platform/classes/TypInfo.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"
#include "platform/ui/TextCtrls.h"

namespace {

struct THost {
    THost() { Form = new TForm(nullptr); }
    ~THost() {
        Form->Free();
        PumpUntilIdle();
    }
    TForm* Form;
};

TEST(TMemoTest, LinesAndTextShareCrLfAndEachChangeFiresOnChange) {
    THost host;
    auto* memo = new TMemo(host.Form);
    memo->SetParent(host.Form);
    int changes = 0;
    memo->OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(memo->Lines()->Count(), 0);
    memo->Lines()->Add("Dobrý den");
    memo->Lines()->Add("čau");
    EXPECT_EQ(memo->Text(), "Dobrý den\r\nčau\r\n");
    EXPECT_EQ(memo->Lines()->Count(), 2);
    EXPECT_EQ(changes, 2);
    memo->SetText("a\rb\nc");
    EXPECT_EQ(memo->Text(), "a\r\nb\r\nc");
    EXPECT_EQ(memo->Lines()->Strings(2), "c");
    memo->SetText("a\r\nb\r\nc");  // same text: no event
    EXPECT_EQ(changes, 3);
    memo->Lines()->Delete(1);
    EXPECT_EQ(memo->Text(), "a\r\nc\r\n");
    memo->Lines()->SetText("x\r\ny");
    EXPECT_EQ(memo->Lines()->Count(), 2);
    EXPECT_EQ(changes, 5);
    EXPECT_THROW(memo->Lines()->Strings(5), EStringListError);
}

TEST(TMemoTest, SelectionCountsLineBreaksAsTwoCharacters) {
    THost host;
    auto* memo = new TMemo(host.Form);
    memo->SetParent(host.Form);
    memo->SetText("ab\r\ncd");
    memo->SetSelStart(4);
    memo->SetSelLength(2);
    EXPECT_EQ(memo->SelText(), "cd");
    memo->SetSelStart(1);
    memo->SetSelLength(4);
    EXPECT_EQ(memo->SelText(), "b\r\nc");
    EXPECT_EQ(memo->SelStart(), 1);
    EXPECT_EQ(memo->SelLength(), 4);
    memo->SetSelText("-");
    EXPECT_EQ(memo->Text(), "a-d");
}

TEST(TMemoTest, MaxLengthCutsCodeAndTyping) {
    THost host;
    auto* memo = new TMemo(host.Form);
    memo->SetParent(host.Form);
    host.Form->Show();
    memo->SetMaxLength(5);
    memo->SetText("abcdefgh");
    EXPECT_EQ(memo->Text(), "abcde");
    memo->SetText("ab");
    memo->SetFocus();
    memo->SetSelStart(2);
    TypeText(memo, "12345");
    EXPECT_EQ(memo->Text(), "ab123");
    SetPropValue(memo, "ScrollBars", "ssVertical");
    EXPECT_EQ(memo->ScrollBars(), ssVertical);
}

TEST(TMemoTest, ReturnStaysInMemoUnlessUnwanted) {
    THost host;
    auto* memo = new TMemo(host.Form);
    memo->SetParent(host.Form);
    auto* ok = new TButton(host.Form);
    ok->SetParent(host.Form);
    ok->SetDefault(true);
    int okClicks = 0;
    ok->OnClick = [&](TObject*) { ++okClicks; };
    host.Form->Show();
    memo->SetFocus();
    SendKey(memo, VK_RETURN);
    EXPECT_EQ(okClicks, 0);
    EXPECT_EQ(memo->Lines()->Count(), 1);
    memo->SetWantReturns(false);
    SendKey(memo, VK_RETURN);
    EXPECT_EQ(okClicks, 1);
}

TEST(TMaskEditTest, MaskConvertsToToolkitNotation) {
    bool save = false;
    char blank = 0;
    EXPECT_EQ(ConvertEditMask("!99/99/0000;1;_", save, blank), "00/00/9999;_");
    EXPECT_TRUE(save);
    EXPECT_EQ(ConvertEditMask(">LL-aa\\9;0;*", save, blank), ">AA-nn\\9;*");
    EXPECT_FALSE(save);
    EXPECT_EQ(blank, '*');
}

TEST(TMaskEditTest, PlainWithoutMaskAndLiteralsDroppedWhenAsked) {
    THost host;
    auto* edit = new TMaskEdit(host.Form);
    edit->SetParent(host.Form);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    edit->SetText("Jan Novák");
    EXPECT_EQ(edit->Text(), "Jan Novák");
    EXPECT_EQ(changes, 1);
    edit->SetEditMask("000-000;0;_");
    edit->SetText("123456");
    EXPECT_EQ(edit->EditText(), "123-456");
    EXPECT_EQ(edit->Text(), "123456");
    EXPECT_EQ(GetPropValue(edit, "EditMask"), "000-000;0;_");
}

TEST(TMaskEditTest, CharCaseConvertsTypingAndTheText) {
    THost host;
    auto* edit = new TMaskEdit(host.Form);
    edit->SetParent(host.Form);
    edit->SetText("Čau");
    edit->SetCharCase(ecUpperCase);
    EXPECT_EQ(edit->Text(), "ČAU");
    host.Form->Show();
    edit->SetFocus();
    edit->SetSelStart(3);
    std::vector<AnsiString> seen;
    edit->OnChange = [&](TObject*) { seen.push_back(edit->Text()); };
    TypeText(edit, "ž");
    EXPECT_EQ(seen, (std::vector<AnsiString>{"ČAUŽ"}));
}

}  // namespace
