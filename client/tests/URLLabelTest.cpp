// The link label: its colours through a press, and what it opens.

#include "client/URLLabel.h"

#include <sys/stat.h>

#include <memory>

#include <gtest/gtest.h>

#include "platform/os/Shell.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/TestSupport.h"

namespace {

class TURLLabelTest : public ::testing::Test {
protected:
    TURLLabelTest() {
        Link->SetURL("http://www.vemlor.example/sms");
        TURLLabel::SetOpener([this](const AnsiString& Address) {
            Opened.push_back(Address);
            return true;
        });
    }
    ~TURLLabelTest() override { TURLLabel::SetOpener(nullptr); }

    void Press(int X, int Y) { Link->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(X, Y)); }
    void Release(int X, int Y) { Link->Perform(WM_LBUTTONUP, 0, MakeLParam(X, Y)); }

    // Alone: the shell's header and the forms' both name the show modes.
    std::unique_ptr<TURLLabel> Link = std::make_unique<TURLLabel>(nullptr);
    std::vector<AnsiString> Opened;
};

TEST_F(TURLLabelTest, AClickOpensTheAddressAndTheColourFollowsThePress) {
    EXPECT_TRUE(Link->Font()->Style().Contains(fsUnderline));
    EXPECT_EQ(Link->Font()->Color(), clBlue);
    Link->SetColorMoveOver(clNavy);
    Link->Perform(CM_MOUSEENTER);
    EXPECT_EQ(Link->Font()->Color(), clNavy);
    Press(2, 2);
    EXPECT_EQ(Link->Font()->Color(), clRed);
    Link->Perform(CM_MOUSELEAVE);
    Link->Perform(CM_MOUSEENTER);
    EXPECT_EQ(Link->Font()->Color(), clRed) << "still pressed";
    Release(Link->Width(), Link->Height());
    EXPECT_EQ(Opened, std::vector<AnsiString>{"http://www.vemlor.example/sms"});
    EXPECT_EQ(Link->Font()->Color(), clNavy);
    Link->Perform(CM_MOUSELEAVE);
    EXPECT_EQ(Link->Font()->Color(), clBlue);
}

TEST_F(TURLLabelTest, AReleaseOutsideOpensNothingAndAnEmptyAddressOpensTheCaption) {
    for (TPoint outside : {Point(-1, 2), Point(2, -1), Point(Link->Width() + 1, 2), Point(2, Link->Height() + 1)}) {
        Press(2, 2);
        Release(outside.x, outside.y);
        EXPECT_EQ(Link->Font()->Color(), clBlue);
    }
    Release(2, 2);
    EXPECT_TRUE(Opened.empty()) << "a release without a press";
    Link->SetURL("");
    Link->SetCaption("www.vemlor.example");
    Press(2, 2);
    Release(2, 2);
    EXPECT_EQ(Opened, std::vector<AnsiString>{"www.vemlor.example"});
}

TEST_F(TURLLabelTest, ALongAddressReachesTheDesktopOpenerWhole) {
    const AnsiString folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/client/urllabel/";
    ForceDirectories(folder);
    const AnsiString fifo = folder + "opened.fifo", opener = folder + "opener.sh";
    DeleteFile(fifo);
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    WriteFileAtomic(opener, "#!/bin/sh\necho \"$1\" > '" + fifo + "'\n");
    chmod(opener.c_str(), 0755);
    SetDesktopOpener(opener);
    auto restore = ScopeExit([] { SetDesktopOpener(""); });
    TURLLabel::SetOpener(nullptr);

    const AnsiString address = "http://www.vemlor.example/" + AnsiString(120, 'a') + "?q=1&x=2";
    Link->SetURL(address);
    Press(2, 2);
    Release(2, 2);
    EXPECT_EQ(ReadFileBytes(fifo), address + "\n");
}

TEST_F(TURLLabelTest, AnAddressNothingCanOpenIsToldToTheUser) {
    SetDesktopOpener(AnsiString(VEMLOR_TEST_OUTPUT) + "/client/urllabel/no-such-opener");
    auto restore = ScopeExit([] { SetDesktopOpener(""); });
    TURLLabel::SetOpener(nullptr);
    AnsiString told;
    TModalAnswerer answers;
    answers.ClickButton("OK", [&told](TForm* Form) {
        auto* label = dynamic_cast<TLabel*>(Form->FindComponent("Message"));
        if (label) told = label->Caption();
    });
    Press(2, 2);
    Release(2, 2);
    EXPECT_EQ(told, "Adresu http://www.vemlor.example/sms se nepodařilo otevřít.");
    EXPECT_TRUE(answers.Unexpected().empty());
}

}  // namespace
