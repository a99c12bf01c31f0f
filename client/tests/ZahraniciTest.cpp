// The question before a message goes abroad.

#include "client/Zahranici.h"

#include "ClientFixture.h"
#include "client/Languages.h"
#include "components/Placemnt.h"
#include "platform/rtl/IniFiles.h"

namespace {

class TfZahraniciTest : public TClientTest {
protected:
    void SetUp() override {
        TClientTest::SetUp();
        AddContact(1, "Zuzana", "00421903123456");
        Storage->SetIniFileName(Folder + "Vemlor.ini");
    }

    // Shows the window, answers it with the button and the check box given,
    // and returns the result and what the main window's storage holds then.
    std::pair<TModalResult, Integer> Ask(const AnsiString& Button, bool DontAskAgain) {
        auto* form = new TfZahranici(Application);
        form->AfterConstruction();
        form->WarningStorage = Storage;
        TModalAnswerer answers;
        answers.Act([&](TForm* f) {
            Text = form->Label1->Caption();
            form->CheckBox1->SetChecked(DontAskAgain);
            EXPECT_TRUE(SaveControlToPng(f, AnsiString(VEMLOR_TEST_OUTPUT) + "/client/zahranici.png"));
        });
        answers.ClickButton(Button);
        const TModalResult result = form->ShowModal();
        form->Free();
        return {result, TIniFile(Folder + "Vemlor.ini").ReadInteger("TForm", "AbroadWarning", 1)};
    }

    TForm Main{nullptr};
    TFormStorage* Storage = new TFormStorage(&Main);
    AnsiString Text;
};

TEST_F(TfZahraniciTest, YesWithDontAskAgainSwitchesTheQuestionOffAndNothingElseDoes) {
    EXPECT_EQ(Ask("Ne", true), std::make_pair(mrNo, 1));
    EXPECT_EQ(Text,
              "Doručení vaší zprávy do zahraničí v rámci mezinárodního provozu není ze strany GSM operátorů "
              "zaručeno.\r\n\r\nOpravdu chcete odeslat zprávu na číslo 00421903123456?");
    EXPECT_EQ(Ask("Ano", false), std::make_pair(mrYes, 1));
    EXPECT_EQ(Ask("Ano", true), std::make_pair(mrYes, 0));
}

TEST_F(TfZahraniciTest, TheTextsComeFromTheLanguageAndTheButtonsMakeRoomForThem) {
    WriteLanguage("english.lng",
                  "[Strings]\r\nDlgYes=&Yes\r\nStrangeNum=Send to %s?\\n\\n\\n\\n\\n\\nAre you sure?\r\n");
    LoadLanguage("english.lng");
    auto* form = new TfZahranici(Application);
    form->AfterConstruction();
    EXPECT_EQ(form->BitBtn1->Caption(), "&Yes");
    EXPECT_EQ(form->BitBtn2->Caption(), "&Ne");
    EXPECT_EQ(form->Label1->Caption(), "Send to 00421903123456?\r\n\r\n\r\n\r\n\r\n\r\nAre you sure?");
    EXPECT_GT(form->CheckBox1->Top(), form->Label1->Top() + form->Label1->Height());
    EXPECT_GT(form->BitBtn1->Top(), form->CheckBox1->Top() + form->CheckBox1->Height());
    EXPECT_GE(form->ClientHeight(), form->BitBtn1->Top() + form->BitBtn1->Height());
    form->Free();
}

}  // namespace
