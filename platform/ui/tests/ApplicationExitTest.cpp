// How the program ends when something calls exit() instead of returning from
// main: the toolkit does so from inside its event dispatch when the display
// connection is lost. Each case runs in a child process of its own.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/ui/Forms.h"

namespace {

// A function-local static made after the application, used by a form's
// teardown (the rich edit's font table is one): static destruction frees it
// before the exit handlers that come from the application.
bool gLateTableGone = false;

struct TLateTable {
    ~TLateTable() { gLateTableGone = true; }
};

TLateTable& LateTable() {
    static TLateTable table;
    return table;
}

// Its destructor tells by the exit code whether it ran, and whether it ran
// too late.
class TExitProbeForm : public TForm {
public:
    using TForm::TForm;
    ~TExitProbeForm() override {
        if (gLateTableGone) _exit(90);
        if (ReportTeardown) _exit(91);
    }
    static inline bool ReportTeardown = false;
};

class ApplicationExitTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ApplicationExitTest, ExitFromInsideDispatchLeavesTheFormsToTheSystem) {
    // From the main loop, as when the display goes away under a running program.
    EXPECT_EXIT(
        {
            new TExitProbeForm(Application);
            LateTable();
            Application->Post([] { std::exit(3); });
            Application->Run();
            _exit(80);
        },
        ::testing::ExitedWithCode(3), "");
    // From a modal window's loop and from a pump outside any loop.
    EXPECT_EXIT(
        {
            auto* form = new TExitProbeForm(Application);
            LateTable();
            Application->Post([] { std::exit(4); });
            form->ShowModal();
            _exit(80);
        },
        ::testing::ExitedWithCode(4), "");
    EXPECT_EXIT(
        {
            new TExitProbeForm(Application);
            LateTable();
            Application->Post([] { std::exit(5); });
            Application->ProcessMessages();
            _exit(80);
        },
        ::testing::ExitedWithCode(5), "");
}

TEST_F(ApplicationExitTest, ExitOutsideDispatchStillFreesTheForms) {
    EXPECT_EXIT(
        {
            new TExitProbeForm(Application);
            TExitProbeForm::ReportTeardown = true;
            std::exit(0);
        },
        ::testing::ExitedWithCode(91), "");
}

}  // namespace
