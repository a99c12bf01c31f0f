// Worker threads reach the user-interface thread through the application's
// event loop: synchronised calls and OnTerminate run while the loop pumps.

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "platform/os/Thread.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TestSupport.h"

namespace {

constexpr unsigned kLongWait = 20000;  // ms; only reached when a test fails
constexpr int kMaxPumps = 10000;

class TLambdaThread : public TThread {
public:
    explicit TLambdaThread(std::function<void(TLambdaThread&)> Body, TEvent* Destroyed = nullptr)
        : TThread(true), FBody(std::move(Body)), FDestroyed(Destroyed) {}
    ~TLambdaThread() override {
        if (FDestroyed) FDestroyed->SetEvent();
    }
    using TThread::Synchronize;

protected:
    void Execute() override { FBody(*this); }

private:
    std::function<void(TLambdaThread&)> FBody;
    TEvent* FDestroyed;
};

// Handles events, blocking until one arrives, until Done holds; a posted
// call from the worker is such an event.
bool PumpUntil(const std::function<bool()>& Done) {
    for (int i = 0; i < kMaxPumps && !Done(); ++i) WaitForEvents();
    return Done();
}

class ThreadDispatchTest : public ::testing::Test {
protected:
    void SetUp() override { ResetApplicationForTests(); }
    void TearDown() override {
        Application->OnException = nullptr;
        PumpUntilIdle();
    }
};

TEST_F(ThreadDispatchTest, SynchronizeRunsOnTheUiThreadWhileTheLoopPumps) {
    ASSERT_TRUE(IsMainThread());
    const auto uiId = std::this_thread::get_id();
    std::atomic<int> calls{0};
    std::thread::id ranOn;
    TEvent secondDone;
    TLambdaThread thread([&](TLambdaThread& t) {
        t.Synchronize([&] {
            ranOn = std::this_thread::get_id();
            ++calls;
        });
        t.Synchronize([&] { ++calls; });
        secondDone.SetEvent();
    });
    thread.Start();
    ASSERT_TRUE(PumpUntil([&] { return calls == 2; }));
    ASSERT_EQ(secondDone.WaitFor(kLongWait), TWaitResult::wrSignaled);
    thread.WaitFor();
    EXPECT_EQ(ranOn, uiId);
    EXPECT_FALSE(thread.FatalException());
}

TEST_F(ThreadDispatchTest, WaitForOnTheUiThreadLetsSynchronisedCallsRun) {
    std::atomic<int> calls{0};
    TLambdaThread thread([&](TLambdaThread& t) {
        for (int i = 0; i < 3; ++i) t.Synchronize([&] { ++calls; });
    });
    thread.Start();
    thread.WaitFor();  // no pumping: the wait itself runs the calls
    EXPECT_EQ(calls, 3);
}

TEST_F(ThreadDispatchTest, OnTerminateRunsOnTheUiThreadThenTheThreadFreesItself) {
    const auto uiId = std::this_thread::get_id();
    std::thread::id terminatedOn;
    std::atomic<bool> terminated{false};
    std::atomic<bool> executed{false};
    bool executedFirst = false;
    TEvent destroyed;
    auto* thread = new TLambdaThread([&](TLambdaThread&) { executed = true; }, &destroyed);
    thread->OnTerminate = [&](TObject* Sender) {
        terminatedOn = std::this_thread::get_id();
        executedFirst = executed && static_cast<TThread*>(Sender)->Finished();
        terminated = true;
    };
    thread->SetFreeOnTerminate(true);
    thread->Start();
    ASSERT_TRUE(PumpUntil([&] { return terminated.load(); }));
    ASSERT_EQ(destroyed.WaitFor(kLongWait), TWaitResult::wrSignaled);
    EXPECT_EQ(terminatedOn, uiId);
    EXPECT_TRUE(executedFirst);
}

TEST_F(ThreadDispatchTest, OnTerminateExceptionGoesToTheApplicationsHandler) {
    AnsiString reported;
    Application->OnException = [&](TObject*, Exception& E) { reported = E.Message(); };
    TLambdaThread thread([](TLambdaThread&) {});
    thread.OnTerminate = [](TObject*) { throw EInvalidOperation("handler failed"); };
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(reported, "handler failed");
    EXPECT_FALSE(thread.FatalException());
}

TEST_F(ThreadDispatchTest, ExceptionInASynchronisedCallReachesTheWorker) {
    bool reportedToApplication = false;
    Application->OnException = [&](TObject*, Exception&) { reportedToApplication = true; };
    std::atomic<bool> caught{false};
    TLambdaThread thread([&](TLambdaThread& t) {
        try {
            t.Synchronize([] { throw EInvalidOperation("stop"); });
        } catch (EInvalidOperation&) {
            caught = true;
        }
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_TRUE(caught);
    EXPECT_FALSE(reportedToApplication);
}

}  // namespace
