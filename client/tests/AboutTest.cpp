// The about box and the splash window, built from their form files.

#include "client/About.h"

#include "ClientFixture.h"
#include "client/Languages.h"
#include "client/Start.h"
#include "platform/gfx/Graphic.h"

namespace {

using TAboutTest = TClientTest;

TEST_F(TAboutTest, TheProductsSiteAppearsWithTheWindowWhichIsTranslatedWhenCreated) {
    WriteLanguage("english.lng", "[fAbout]\r\nLabel2.Caption=Made by the Vemlor team\r\n");
    LoadLanguage("english.lng");
    auto* form = new TfAbout(Application);
    form->AfterConstruction();
    EXPECT_EQ(dynamic_cast<TLabel*>(form->FindComponent("Label2"))->Caption(), "Made by the Vemlor team");
    EXPECT_FALSE(form->URLLabel3->Visible());
    TModalAnswerer answers;
    answers.ClickButton("OK", [&](TForm* f) {
        EXPECT_TRUE(form->URLLabel3->Visible());
        EXPECT_EQ(form->URLLabel3->Caption(), kProductSite);
        EXPECT_EQ(form->URLLabel3->URL(), kProductSite);
        EXPECT_TRUE(SaveControlToPng(f, AnsiString(VEMLOR_TEST_OUTPUT) + "/client/about.png"));
    });
    EXPECT_EQ(form->ShowModal(), mrOk);
    form->Free();
}

TEST_F(TAboutTest, TheSplashWindowIsABorderlessPictureOnTop) {
    auto* form = new TfStart(Application);
    form->AfterConstruction();
    EXPECT_EQ(form->BorderStyle(), bsNone);
    EXPECT_EQ(form->FormStyle(), fsStayOnTop);
    EXPECT_EQ(form->Image1->Picture()->Width(), form->ClientWidth());
    form->Show();
    PumpUntilIdle();
    EXPECT_TRUE(SaveControlToPng(form, AnsiString(VEMLOR_TEST_OUTPUT) + "/client/start.png"));
    form->Free();
}

}  // namespace
