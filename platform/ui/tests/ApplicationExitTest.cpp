// How the program ends when something calls exit() instead of returning from
// main: the toolkit does so from inside its event dispatch when the display
// connection is lost. Each case runs in a child process of its own.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

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

// Dispatch runs with a probe form, the late static and an exit(Code) waiting
// in the queue; the child must end with that code, the form left unfreed.
void ExpectExitFrom(const std::function<void(TForm*)>& Dispatch, int Code) {
    EXPECT_EXIT(
        {
            auto* form = new TExitProbeForm(Application);
            LateTable();
            Application->Post([Code] { std::exit(Code); });
            Dispatch(form);
            _exit(80);
        },
        ::testing::ExitedWithCode(Code), "");
}

TEST_F(ApplicationExitTest, ExitFromInsideDispatchLeavesTheFormsToTheSystem) {
    // The main loop, as when the display goes away under a running program;
    // a modal window's loop; a pump outside any loop.
    ExpectExitFrom([](TForm*) { Application->Run(); }, 3);
    ExpectExitFrom([](TForm* Form) { Form->ShowModal(); }, 4);
    ExpectExitFrom([](TForm*) { Application->ProcessMessages(); }, 5);
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
