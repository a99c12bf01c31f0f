#include "platform/os/Thread.h"

#include <atomic>
#include <functional>
#include <stdexcept>
#include <utility>

#include <gtest/gtest.h>

// These tests have no application: the test's own thread is the main thread
// and runs the synchronised calls while it waits in WaitFor.

namespace {

constexpr unsigned kLongWait = 20000;  // ms; only reached when a test fails

class TLambdaThread : public TThread {
public:
    explicit TLambdaThread(std::function<void(TLambdaThread&)> Body, std::atomic<bool>* Destroyed = nullptr,
                           TEvent* DestroyedEvent = nullptr)
        : TThread(true), FBody(std::move(Body)), FDestroyed(Destroyed), FDestroyedEvent(DestroyedEvent) {}
    ~TLambdaThread() override {
        if (FDestroyed) *FDestroyed = true;
        if (FDestroyedEvent) FDestroyedEvent->SetEvent();
    }
    using TThread::SetReturnValue;
    using TThread::Synchronize;

protected:
    void Execute() override { FBody(*this); }

private:
    std::function<void(TLambdaThread&)> FBody;
    std::atomic<bool>* FDestroyed;
    TEvent* FDestroyedEvent;
};

TEST(TThreadTest, RunsExecuteOnlyAfterStartAndWaitForGivesReturnValue) {
    std::atomic<int> runs{0};
    std::thread::id ranOn;
    TLambdaThread thread([&](TLambdaThread& t) {
        ++runs;
        ranOn = std::this_thread::get_id();
        t.SetReturnValue(42);
    });
    EXPECT_TRUE(thread.Suspended());
    EXPECT_EQ(thread.ThreadID(), std::thread::id());
    EXPECT_THROW(thread.WaitFor(), EThread);
    EXPECT_EQ(runs, 0);

    thread.Start();
    EXPECT_FALSE(thread.Suspended());
    EXPECT_EQ(thread.WaitFor(), 42);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(thread.Finished());
    EXPECT_EQ(ranOn, thread.ThreadID());
    EXPECT_NE(ranOn, std::this_thread::get_id());
    EXPECT_THROW(thread.Start(), EThread);
    thread.Resume();  // a started thread is not started again
    EXPECT_EQ(thread.WaitFor(), 42);
    EXPECT_EQ(runs, 1);
}

TEST(TThreadTest, NeverStartedThreadIsFreedWithoutRunning) {
    std::atomic<bool> ran{false};
    std::atomic<bool> destroyed{false};
    auto* thread = new TLambdaThread([&](TLambdaThread&) { ran = true; }, &destroyed);
    thread->SetFreeOnTerminate(true);
    delete thread;
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(ran);
}

TEST(TThreadTest, CreatedRunningStartsInAfterConstruction) {
    class TCounter : public TThread {
    public:
        TCounter() : TThread(false) {}
        std::atomic<int> Runs{0};

    protected:
        void Execute() override { ++Runs; }
    } thread;
    EXPECT_TRUE(thread.Suspended());
    thread.AfterConstruction();
    thread.WaitFor();
    EXPECT_EQ(thread.Runs, 1);
}

TEST(TThreadTest, ExecuteObservesTerminate) {
    TEvent started, proceed;
    std::atomic<bool> sawTerminated{false};
    TLambdaThread thread([&](TLambdaThread& t) {
        started.SetEvent();
        proceed.WaitFor(kLongWait);
        sawTerminated = t.Terminated();
    });
    thread.Start();
    ASSERT_EQ(started.WaitFor(kLongWait), TWaitResult::wrSignaled);
    EXPECT_FALSE(thread.Terminated());
    thread.Terminate();
    proceed.SetEvent();
    thread.WaitFor();
    EXPECT_TRUE(sawTerminated);
}

// Uses nothing of a derived class: the base destructor waits only after the
// derived part is gone.
TEvent gSpinnerStarted;
std::atomic<bool> gSpinnerFinished{false};

class TSpinner : public TThread {
public:
    TSpinner() : TThread(true) {}

protected:
    void Execute() override {
        gSpinnerStarted.SetEvent();
        while (!Terminated()) std::this_thread::yield();
        gSpinnerFinished = true;
    }
};

TEST(TThreadTest, DestroyingARunningThreadTerminatesAndWaits) {
    {
        TSpinner thread;
        thread.Start();
        ASSERT_EQ(gSpinnerStarted.WaitFor(kLongWait), TWaitResult::wrSignaled);
    }
    EXPECT_TRUE(gSpinnerFinished);
}

TEST(TThreadTest, ExceptionEscapingExecuteIsKept) {
    TLambdaThread thread([](TLambdaThread&) { throw EConvertError("'x' is not a number"); });
    thread.Start();
    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
    ASSERT_TRUE(thread.FatalException());
    try {
        std::rethrow_exception(thread.FatalException());
    } catch (EConvertError& e) {
        EXPECT_EQ(e.Message(), "'x' is not a number");
    }

    TLambdaThread foreign([](TLambdaThread&) { throw std::runtime_error("not ours"); });
    foreign.Start();
    foreign.WaitFor();
    EXPECT_TRUE(foreign.FatalException());
}

TEST(TThreadTest, SynchronizeRunsOnMainThreadWhileItWaits) {
    const auto mainId = std::this_thread::get_id();
    std::thread::id syncedOn;
    int order = 0;
    int syncedAt = 0;
    TLambdaThread thread([&](TLambdaThread& t) {
        t.Synchronize([&] {
            syncedOn = std::this_thread::get_id();
            syncedAt = ++order;
        });
        ++order;  // the worker goes on only after the call has run
        t.SetReturnValue(order);
    });
    thread.Start();
    EXPECT_EQ(thread.WaitFor(), 2);
    EXPECT_EQ(syncedOn, mainId);
    EXPECT_EQ(syncedAt, 1);
}

TEST(TThreadTest, SynchronizeRaisesTheCallsExceptionInTheWorker) {
    std::atomic<bool> caught{false};
    TLambdaThread thread([&](TLambdaThread& t) {
        try {
            t.Synchronize([] { throw EInvalidOperation("refused"); });
        } catch (EInvalidOperation& e) {
            caught = e.Message() == "refused";
        }
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_TRUE(caught);
    EXPECT_FALSE(thread.FatalException());
}

TEST(TThreadTest, SynchronizeOnTheMainThreadRunsInline) {
    bool ran = false;
    TThread::Synchronize(nullptr, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(IsMainThread());
    EXPECT_FALSE(CheckSynchronize());
}

TEST(TThreadTest, OnTerminateRunsOnMainThreadAfterExecute) {
    const auto mainId = std::this_thread::get_id();
    std::thread::id terminatedOn;
    TObject* sender = nullptr;
    bool finishedFirst = false;
    TLambdaThread thread([](TLambdaThread& t) { t.SetReturnValue(7); });
    thread.OnTerminate = [&](TObject* Sender) {
        terminatedOn = std::this_thread::get_id();
        sender = Sender;
        finishedFirst = thread.Finished();
    };
    thread.Start();
    EXPECT_EQ(thread.WaitFor(), 7);
    EXPECT_EQ(terminatedOn, mainId);
    EXPECT_EQ(sender, &thread);
    EXPECT_TRUE(finishedFirst);
}

TEST(TThreadTest, OnTerminateExceptionIsKeptWithoutAnApplication) {
    TLambdaThread thread([](TLambdaThread&) {});
    thread.OnTerminate = [](TObject*) { throw EAbort("handler failed"); };
    thread.Start();
    thread.WaitFor();
    EXPECT_TRUE(thread.FatalException());
}

TEST(TThreadTest, FreeOnTerminateDeletesTheThreadAfterExecute) {
    TEvent destroyedEvent;
    std::atomic<bool> destroyed{false};
    auto* thread = new TLambdaThread([](TLambdaThread&) {}, &destroyed, &destroyedEvent);
    thread->SetFreeOnTerminate(true);
    EXPECT_THROW(thread->WaitFor(), EThread);  // once started it may be gone any moment
    thread->Start();
    ASSERT_EQ(destroyedEvent.WaitFor(kLongWait), TWaitResult::wrSignaled);
    EXPECT_TRUE(destroyed);
}

TEST(TEventTest, AutoResetReleasesOneWaitAndKeepsAnEarlySignal) {
    TEvent event;
    EXPECT_EQ(event.WaitFor(0), TWaitResult::wrTimeout);
    event.SetEvent();  // before anyone waits: not lost
    EXPECT_EQ(event.WaitFor(0), TWaitResult::wrSignaled);
    EXPECT_EQ(event.WaitFor(0), TWaitResult::wrTimeout);

    TEvent manual(true, true);
    EXPECT_EQ(manual.WaitFor(0), TWaitResult::wrSignaled);
    EXPECT_EQ(manual.WaitFor(0), TWaitResult::wrSignaled);
    manual.ResetEvent();
    EXPECT_EQ(manual.WaitFor(0), TWaitResult::wrTimeout);
}

TEST(TEventTest, WakesAWaitingThread) {
    TEvent ready, wake;
    TLambdaThread thread([&](TLambdaThread& t) {
        ready.SetEvent();
        t.SetReturnValue(wake.WaitFor(TEvent::InfiniteWait) == TWaitResult::wrSignaled ? 1 : 0);
    });
    thread.Start();
    ASSERT_EQ(ready.WaitFor(kLongWait), TWaitResult::wrSignaled);
    wake.SetEvent();
    EXPECT_EQ(thread.WaitFor(), 1);
}

}  // namespace
