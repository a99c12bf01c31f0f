#include "components/VmHook.h"
#include "components/Placemnt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/Filer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TestSupport.h"

namespace {

constexpr Cardinal WM_PROBE = WM_USER + 7;

// A control that records what reaches its own window procedure.
class TProbeControl : public TWinControl {
public:
    explicit TProbeControl(TComponent* AOwner, std::vector<std::string>* Log) : TWinControl(AOwner), FLog(Log) {}
    void WndProc(TMessage& Message) override {
        if (Message.Msg == WM_PROBE || Message.Msg == WM_DESTROY) {
            FLog->push_back(Message.Msg == WM_DESTROY ? "control:destroy" : "control");
            Message.Result = 42;
        }
        TWinControl::WndProc(Message);
    }

private:
    std::vector<std::string>* FLog;
};

struct HookFixture : ::testing::Test {
    std::vector<std::string> log;
    TForm* form = nullptr;
    TProbeControl* control = nullptr;

    void SetUp() override {
        form = new TForm(nullptr);
        control = new TProbeControl(form, &log);
        control->SetParent(form);
    }
    void TearDown() override {
        if (form) form->Free();
        PumpUntilIdle();
    }
    TVmWindowHook* NewHook(const std::string& name, bool handleBefore = false) {
        auto* hook = new TVmWindowHook(form);
        hook->BeforeMessage = [this, name, handleBefore](TObject*, TMessage& m, bool& handled) {
            if (m.Msg != WM_PROBE && m.Msg != WM_DESTROY) return;
            log.push_back(name + ":before");
            handled = handleBefore;
        };
        hook->AfterMessage = [this, name](TObject*, TMessage& m, bool&) {
            if (m.Msg == WM_PROBE || m.Msg == WM_DESTROY) log.push_back(name + ":after");
        };
        hook->SetWinControl(control);
        return hook;
    }
};

using TVmWindowHookTest = HookFixture;

TEST_F(TVmWindowHookTest, LaterHookRunsFirstAndHandledKeepsMessageFromControl) {
    NewHook("a");
    NewHook("b", true);
    const auto result = control->Perform(WM_PROBE);
    EXPECT_EQ(log, (std::vector<std::string>{"b:before", "b:after", "a:after"}));
    EXPECT_EQ(result, 0);
}

TEST_F(TVmWindowHookTest, UnhandledMessageReachesControlBetweenBeforeAndAfter) {
    NewHook("a");
    NewHook("b");
    EXPECT_EQ(control->Perform(WM_PROBE), 42);
    EXPECT_EQ(log, (std::vector<std::string>{"b:before", "a:before", "control", "b:after", "a:after"}));
}

TEST_F(TVmWindowHookTest, AfterMessageStopsWhenOneSetsHandled) {
    TVmWindowHook* a = NewHook("a");
    TVmWindowHook* b = NewHook("b");
    (void)a;
    b->AfterMessage = [this](TObject*, TMessage& m, bool& handled) {
        if (m.Msg != WM_PROBE) return;
        log.push_back("b:after");
        handled = true;
    };
    control->Perform(WM_PROBE);
    EXPECT_EQ(log, (std::vector<std::string>{"b:before", "a:before", "control", "b:after"}));
}

TEST_F(TVmWindowHookTest, DestroyMessageAlwaysReachesControl) {
    NewHook("a", true);
    control->Perform(WM_DESTROY);
    EXPECT_EQ(log, (std::vector<std::string>{"a:before", "control:destroy", "a:after"}));
}

TEST_F(TVmWindowHookTest, RecreatedWindowGetsItsHookBackFromThePostedMessage) {
    NewHook("a");
    control->Perform(WM_DESTROY);  // the window goes, the control stays
    TControlHook* record = HookList().Find(control, false);
    ASSERT_NE(record, nullptr);
    EXPECT_FALSE(record->Installed());
    PumpUntilIdle();
    EXPECT_TRUE(record->Installed());
    log.clear();
    control->Perform(WM_PROBE);
    EXPECT_EQ(log, (std::vector<std::string>{"a:before", "control", "a:after"}));
}

TEST_F(TVmWindowHookTest, InactiveHookSeesNothingAndActivatingAttachesAgain) {
    TVmWindowHook* a = NewHook("a");
    a->SetActive(false);
    control->Perform(WM_PROBE);
    EXPECT_EQ(log, (std::vector<std::string>{"control"}));
    a->SetActive(true);
    log.clear();
    control->Perform(WM_PROBE);
    EXPECT_EQ(log, (std::vector<std::string>{"a:before", "control", "a:after"}));
}

TEST_F(TVmWindowHookTest, LastHookLeavingRestoresWindowProcAndRecordIsFreedLater) {
    TVmWindowHook* a = NewHook("a");
    TVmWindowHook* b = NewHook("b");
    const int before = HookList().Count();
    delete a;
    b->SetWinControl(nullptr);
    control->Perform(WM_PROBE);
    EXPECT_EQ(log, (std::vector<std::string>{"control"}));
    EXPECT_EQ(HookList().Count(), before);
    PumpUntilIdle();
    EXPECT_EQ(HookList().Count(), before - 1);
    EXPECT_EQ(HookList().Find(control, false), nullptr);
}

TEST_F(TVmWindowHookTest, HookChainedAboveByOthersKeepsTheChainWhenRemoved) {
    TVmWindowHook* a = NewHook("a");
    // Someone chains above the hook the classic way.
    TWndMethod saved = control->WindowProc;
    control->WindowProc = [this, saved](TMessage& m) {
        if (m.Msg == WM_PROBE) log.push_back("outer");
        saved(m);
    };
    delete a;
    PumpUntilIdle();  // the record is freed; the outer procedure still holds ours
    EXPECT_EQ(HookList().Find(control, false), nullptr);
    control->Perform(WM_PROBE);
    EXPECT_EQ(log, (std::vector<std::string>{"outer", "control"}));
    // A new hook goes on top of the outer procedure; nothing runs twice.
    NewHook("c");
    log.clear();
    control->Perform(WM_PROBE);
    EXPECT_EQ(log, (std::vector<std::string>{"c:before", "outer", "control", "c:after"}));
}

TEST_F(TVmWindowHookTest, FreeingTheHookedControlUnbindsTheHook) {
    TVmWindowHook* a = NewHook("a");
    const int before = HookList().Count();
    delete control;
    control = nullptr;
    EXPECT_EQ(a->WinControl(), nullptr);
    // A control on its way out is not shown to the hooks.
    EXPECT_TRUE(log.empty());
    PumpUntilIdle();
    EXPECT_EQ(HookList().Count(), before - 1);
    a->SetActive(false);
    a->SetActive(true);  // nothing to hook, nothing happens
}

TEST_F(TVmWindowHookTest, HandlerFreeingAnotherHookSkipsIt) {
    NewHook("a");
    TVmWindowHook* b = NewHook("b");
    TVmWindowHook* c = new TVmWindowHook(form);
    c->BeforeMessage = [&](TObject*, TMessage& m, bool&) {
        if (m.Msg != WM_PROBE) return;
        log.push_back("c:before");
        delete b;
        b = nullptr;
    };
    c->SetWinControl(control);
    control->Perform(WM_PROBE);
    EXPECT_EQ(log, (std::vector<std::string>{"c:before", "a:before", "control", "a:after"}));
}

TEST_F(TVmWindowHookTest, HookSwitchedOffByItsOwnHandlerStillLetsTheMessageThrough) {
    TVmWindowHook* a = NewHook("a");
    a->BeforeMessage = [&](TObject*, TMessage& m, bool&) {
        if (m.Msg != WM_PROBE) return;
        log.push_back("a:before");
        a->SetActive(false);
    };
    EXPECT_EQ(control->Perform(WM_PROBE), 42);
    EXPECT_EQ(log, (std::vector<std::string>{"a:before", "control"}));
    log.clear();
    control->Perform(WM_PROBE);
    EXPECT_EQ(log, (std::vector<std::string>{"control"}));
}

TEST_F(TVmWindowHookTest, ExceptionInOneEventGoesToApplicationAndNextHookRuns) {
    NewHook("a");
    TVmWindowHook* b = NewHook("b");
    b->BeforeMessage = [](TObject*, TMessage& m, bool&) {
        if (m.Msg == WM_PROBE) throw EConvertError("bad hook");
    };
    std::vector<std::string> errors;
    Application->OnException = [&](TObject*, Exception& e) { errors.push_back(e.Message()); };
    control->Perform(WM_PROBE);
    Application->OnException = nullptr;
    EXPECT_EQ(errors, (std::vector<std::string>{"bad hook"}));
    EXPECT_EQ(log, (std::vector<std::string>{"a:before", "control", "b:after", "a:after"}));
}

TEST_F(TVmWindowHookTest, AfterMessageRunsWhenTheWindowProcedureFails) {
    control->WindowProc = [](TMessage& m) {
        if (m.Msg == WM_PROBE) throw EInvalidOperation("window failed");
    };
    NewHook("a");
    EXPECT_THROW(control->Perform(WM_PROBE), EInvalidOperation);
    EXPECT_EQ(log, (std::vector<std::string>{"a:before", "a:after"}));
}

TEST_F(TVmWindowHookTest, FreeingTheOwnerFormWithHooksIsClean) {
    NewHook("a");
    NewHook("b", true);
    const int before = HookList().Count();
    form->Free();
    form = nullptr;
    PumpUntilIdle();
    EXPECT_EQ(HookList().Count(), before - 1);
}

TEST_F(TVmWindowHookTest, IsFormRebindsToOwnerForm) {
    auto* hook = new TVmWindowHook(form);
    EXPECT_FALSE(hook->IsForm());
    hook->SetIsForm(true);
    EXPECT_EQ(hook->WinControl(), form);
    EXPECT_TRUE(hook->IsForm());
}

TEST_F(TVmWindowHookTest, WinControlIsPublishedAndBindsTheHookWhenSetByName) {
    auto* hook = new TVmWindowHook(form);
    hook->BeforeMessage = [this](TObject*, TMessage& m, bool&) {
        if (m.Msg == WM_PROBE) log.push_back("named:before");
    };
    ASSERT_TRUE(PropIsType(hook, "WinControl", tkClass));
    SetObjectProp(hook, "WinControl", control);
    EXPECT_EQ(GetObjectProp(hook, "WinControl"), control);
    control->Perform(WM_PROBE);
    EXPECT_EQ(log, (std::vector<std::string>{"named:before", "control"}));
}

TEST(TVmWindowHookPlacementTest, PlacementSizeLimitsAndAnotherHookLeaveInAnyOrder) {
    TForm* form = new TForm(nullptr);
    form->SetBounds(0, 0, 300, 200);
    form->BeginLoading();
    auto* placement = new TFormPlacement(form);
    form->EndLoading();
    placement->MinMaxInfo()->SetMinTrackWidth(250);
    std::vector<std::string> seen;
    auto* other = new TVmWindowHook(form);
    other->AfterMessage = [&](TObject*, TMessage& m, bool&) {
        if (m.Msg == WM_GETMINMAXINFO) seen.push_back("other");
    };
    other->SetWinControl(form);
    auto ask = [&] {
        seen.clear();
        TMinMaxInfo info{};
        form->Perform(WM_GETMINMAXINFO, 0, reinterpret_cast<std::intptr_t>(&info));
        return info.ptMinTrackSize.x;
    };
    EXPECT_EQ(ask(), 250);
    EXPECT_EQ(seen.size(), 1u);
    // The placement's limits go first; the hook attached after it stays.
    placement->MinMaxInfo()->SetMinTrackWidth(0);
    EXPECT_EQ(ask(), 0);
    EXPECT_EQ(seen.size(), 1u);
    placement->MinMaxInfo()->SetMinTrackWidth(120);
    delete other;
    EXPECT_EQ(ask(), 120);
    EXPECT_TRUE(seen.empty());
    form->Free();
    PumpUntilIdle();
}

TEST_F(TVmWindowHookTest, AFormFileKeepsTheHookOnItsOwnerForm) {
    auto* form = static_cast<TForm*>(
        ReadComponent("object fHooked: TForm\n  object Hook1: TVmWindowHook\n    IsForm = True\n  end\nend", nullptr));
    auto* hook = dynamic_cast<TVmWindowHook*>(form->FindComponent("Hook1"));
    ASSERT_NE(hook, nullptr);
    EXPECT_EQ(hook->WinControl(), form);
    EXPECT_NE(WriteComponent(form).find("    IsForm = True\n"), AnsiString::npos);
    hook->SetWinControl(nullptr);
    EXPECT_EQ(WriteComponent(form).find("IsForm"), AnsiString::npos);
    form->Free();
    PumpUntilIdle();
}

}  // namespace
