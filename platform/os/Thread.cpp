#include "platform/os/Thread.h"

#include <chrono>
#include <deque>
#include <utility>

namespace {

// One call waiting for the UI thread. It lives on the stack of the thread
// that asked, which waits until Done.
struct TSyncRequest {
    const TThreadMethod* Method = nullptr;
    std::exception_ptr Error;
    bool Done = false;
    // OnTerminate: the handler's exception is the application's to report,
    // the worker has no caller to hand it to.
    bool ReportOnMain = false;
};

// One lock for the queue, the dispatcher and the threads' Done flags, so
// that a main thread waiting in WaitFor wakes for either.
struct TSyncState {
    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<TSyncRequest*> Queue;
    TMainThreadDispatcher Dispatcher;
};

// Never destroyed: a worker still ending during static destruction must
// find it whole.
TSyncState& Sync() {
    static TSyncState* state = new TSyncState;
    return *state;
}

const std::thread::id gLoadThread = std::this_thread::get_id();
thread_local TThread* tCurrentThread = nullptr;

void RunOnMain(const TThreadMethod& Method, bool ReportOnMain) {
    if (!Method) return;
    if (IsMainThread()) {
        Method();
        return;
    }
    TSyncState& s = Sync();
    TSyncRequest request;
    request.Method = &Method;
    request.ReportOnMain = ReportOnMain;
    std::function<void(std::function<void()>)> post;
    {
        std::lock_guard lock(s.Lock);
        s.Queue.push_back(&request);
        post = s.Dispatcher.Post;
    }
    s.Changed.notify_all();
    if (post) post([] { CheckSynchronize(); });
    {
        std::unique_lock lock(s.Lock);
        s.Changed.wait(lock, [&] { return request.Done; });
    }
    if (request.Error) std::rethrow_exception(request.Error);
}

}  // namespace

void SetMainThreadDispatcher(TMainThreadDispatcher Dispatcher) {
    TSyncState& s = Sync();
    std::function<void(std::function<void()>)> post;
    {
        std::lock_guard lock(s.Lock);
        s.Dispatcher = std::move(Dispatcher);
        if (!s.Queue.empty()) post = s.Dispatcher.Post;
    }
    // Calls queued before the application existed still get their turn.
    if (post) post([] { CheckSynchronize(); });
}

bool IsMainThread() {
    std::function<bool()> check;
    {
        TSyncState& s = Sync();
        std::lock_guard lock(s.Lock);
        check = s.Dispatcher.IsMainThread;
    }
    return check ? check() : std::this_thread::get_id() == gLoadThread;
}

bool CheckSynchronize() {
    if (!IsMainThread()) return false;
    TSyncState& s = Sync();
    bool ran = false;
    for (;;) {
        TSyncRequest* request = nullptr;
        std::function<void(std::exception_ptr)> report;
        {
            std::lock_guard lock(s.Lock);
            if (s.Queue.empty()) break;
            request = s.Queue.front();
            s.Queue.pop_front();
            report = s.Dispatcher.HandleException;
        }
        ran = true;
        std::exception_ptr error;
        try {
            (*request->Method)();
        } catch (...) {
            error = std::current_exception();
        }
        const bool reportHere = error && request->ReportOnMain && report;
        {
            std::lock_guard lock(s.Lock);
            if (!reportHere) request->Error = error;
            request->Done = true;  // the request may vanish from here on
        }
        s.Changed.notify_all();
        if (reportHere) report(error);
    }
    return ran;
}

// ---------------------------------------------------------------------------
// TThread

TThread::TThread(bool CreateSuspended) : FCreateSuspended(CreateSuspended) {}

TThread::~TThread() {
    if (tCurrentThread == this) {
        // FreeOnTerminate: the worker deletes itself and ends right after.
        FThread.detach();
        return;
    }
    if (!FStarted) return;
    Terminate();
    WaitUntilDone();
    std::lock_guard lock(FJoinLock);
    if (FThread.joinable()) FThread.join();
}

void TThread::AfterConstruction() {
    if (!FCreateSuspended && !FStarted) Start();
}

void TThread::Start() {
    if (FStarted) throw EThread("Cannot start a thread that was started already");
    // The worker takes this lock first, so it sees FThread and FThreadID set.
    std::lock_guard lock(FJoinLock);
    FThread = std::thread([this] { Run(); });
    FThreadID = FThread.get_id();
    FStarted = true;
}

void TThread::Resume() {
    if (!FStarted) Start();
}

void TThread::Run() {
    { std::lock_guard lock(FJoinLock); }
    tCurrentThread = this;
    try {
        if (!FTerminated) Execute();
    } catch (...) {
        // Kept for the owner; an exception leaving a thread would end the
        // whole program.
        FFatalException = std::current_exception();
    }
    FFinished = true;
    if (OnTerminate) {
        try {
            RunOnMain([this] {
                TNotifyEvent handler = OnTerminate;
                if (handler) handler(this);
            }, true);
        } catch (...) {
            // No application to report it to: keep it unless Execute failed first.
            if (!FFatalException) FFatalException = std::current_exception();
        }
    }
    if (FFreeOnTerminate) {
        delete this;
        tCurrentThread = nullptr;
        return;
    }
    tCurrentThread = nullptr;
    TSyncState& s = Sync();
    {
        std::lock_guard lock(s.Lock);
        FDone = true;
    }
    s.Changed.notify_all();
}

void TThread::WaitUntilDone() {
    TSyncState& s = Sync();
    const bool onMain = IsMainThread();
    std::unique_lock lock(s.Lock);
    while (!FDone) {
        if (onMain && !s.Queue.empty()) {
            lock.unlock();
            CheckSynchronize();
            lock.lock();
            continue;
        }
        s.Changed.wait(lock);
    }
}

int TThread::WaitFor() {
    if (FFreeOnTerminate) throw EThread("Cannot wait for a thread that frees itself on termination");
    if (!FStarted) throw EThread("Cannot wait for a thread that was never started");
    if (tCurrentThread == this) throw EThread("A thread cannot wait for itself");
    WaitUntilDone();
    std::lock_guard lock(FJoinLock);
    if (FThread.joinable()) FThread.join();
    return FReturnValue;
}

void TThread::Synchronize(TThread*, const TThreadMethod& Method) { RunOnMain(Method, false); }

// ---------------------------------------------------------------------------
// TEvent

void TEvent::SetEvent() {
    // Notified under the lock: a woken waiter may destroy the event at once
    // (a thread signalling its end from its destructor).
    std::lock_guard lock(FLock);
    FSignaled = true;
    if (FManualReset)
        FSignal.notify_all();
    else
        FSignal.notify_one();
}

void TEvent::ResetEvent() {
    std::lock_guard lock(FLock);
    FSignaled = false;
}

TWaitResult TEvent::WaitFor(unsigned Timeout) {
    std::unique_lock lock(FLock);
    auto signaled = [this] { return FSignaled; };
    if (Timeout == InfiniteWait)
        FSignal.wait(lock, signaled);
    else if (!FSignal.wait_for(lock, std::chrono::milliseconds(Timeout), signaled))
        return TWaitResult::wrTimeout;
    if (!FManualReset) FSignaled = false;
    return TWaitResult::wrSignaled;
}
