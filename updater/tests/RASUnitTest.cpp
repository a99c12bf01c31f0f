#include "updater/RASUnit.h"

#include <gtest/gtest.h>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"

namespace {

class TRASUnitTest : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/rasunit/" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        ForceDirectories(Folder);
        DeleteFile(Folder + "update.ini");
        DeleteFile(Folder + "hungup");
        SetProgramFolder(Folder);
        FreeRasLibrary();
    }
    void TearDown() override {
        FreeRasLibrary();
        SetProgramFolder("");
        SetNetInterfaceSource({});
        SetProxyConfiguredSource({});
    }
    void Links(int Count, int ConnectedIndex) {
        std::vector<TNetInterface> list{{"lo", true, true, false}, {"eth0", true, false, false}};
        for (int i = 0; i < Count; ++i) list.push_back({"ppp" + std::to_string(i), i == ConnectedIndex, false, true});
        SetNetInterfaceSource([list] { return list; });
    }
    void Answer(TModalAnswerer& Answerer, AnsiString& Message) {
        Answerer.ClickButton("OK", [&Message](TForm* Form) {
            if (auto* label = dynamic_cast<TLabel*>(Form->FindComponent("Message"))) Message = label->Caption();
        });
    }

    AnsiString Folder;
};

TEST_F(TRASUnitTest, WithoutADialupServiceHangUpSaysSoDialDoesNothingAndAnUpLinkStillCounts) {
    Links(1, 0);
    TModalAnswerer answerer;
    AnsiString message;
    Answer(answerer, message);
    HangUp();
    EXPECT_EQ("Nepodařilo se načíst knihovnu RASAPI32.DLL.", message);
    EXPECT_EQ(0, DialInternet());
    EXPECT_TRUE(answerer.Unexpected().empty());
    // A link brought up outside the updater is up all the same.
    EXPECT_TRUE(IsRasConnected());
    Links(1, -1);
    EXPECT_FALSE(IsRasConnected());
}

TEST_F(TRASUnitTest, TwelveLinksOverflowTheHangUpListButNotTheConnectedTest) {
    TIniFile(Folder + "update.ini").WriteString("Dialup", "HangUp", "/bin/true");
    Links(12, 11);
    SetProxyConfiguredSource([] { return false; });
    TModalAnswerer answerer;
    AnsiString message;
    Answer(answerer, message);
    HangUp();
    EXPECT_EQ("Chyba při odpojování " + TDialupService::ErrorText(dialup_errors::BufferTooSmall), message);
    EXPECT_TRUE(IsRasConnected());
    EXPECT_EQ(ncModem | ncLan, GetConnectedState());
}

TEST_F(TRASUnitTest, HangUpEndsTheFirstLinkAndALanHasNoDialupLink) {
    TIniFile(Folder + "update.ini")
        .WriteString("Dialup", "HangUp", "/bin/sh -c \"echo $1 >> '" + Folder + "hungup'\" hangup");
    Links(2, 1);
    TModalAnswerer answerer;  // no dialog expected
    HangUp();
    EXPECT_EQ("ppp0\n", ReadFileBytes(Folder + "hungup"));
    EXPECT_TRUE(answerer.Seen().empty());

    Links(0, -1);
    SetProxyConfiguredSource([] { return false; });
    EXPECT_EQ(ncLan, GetConnectedState());
    EXPECT_FALSE(IsRasConnected());
    HangUp();
    EXPECT_EQ("ppp0\n", ReadFileBytes(Folder + "hungup"));
}

}  // namespace
