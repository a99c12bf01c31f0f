#pragma once
// Worker threads (TThread) and the wake-up event (TEvent).
//
// A worker reaches the user-interface thread only through Synchronize, which
// queues the call and blocks the worker until the UI thread has run it, and
// through OnTerminate, which runs on the UI thread once Execute has returned.
// platform/os may not include platform/ui, so the UI thread is reached through
// a dispatcher that the application installs when it starts: Post wakes the
// event loop, which then runs every queued synchronised call. A program
// without an application (a test, a console tool) has no dispatcher: its
// main thread runs the queued calls itself with CheckSynchronize, or while it
// waits in WaitFor.
//
// Life cycle:
//   TThread(true)           suspended: no system thread exists yet
//   Start / Resume          the system thread runs Execute
//   Execute returns/throws  Finished; an escaping exception is kept
//   OnTerminate             on the UI thread, while the worker waits
//   FreeOnTerminate         the worker deletes the object, else WaitFor joins
// A never-started thread is simply deleted; Execute never runs.

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/classes/Events.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"

VEMLOR_DECLARE_EXCEPTION(EThread, Exception);

using TThreadMethod = std::function<void()>;

// How platform/os reaches the user-interface thread. The application
// installs one at start and removes it (an empty dispatcher) when it ends.
struct TMainThreadDispatcher {
    // Queues a call for the UI thread's event loop; called from any thread.
    std::function<void(std::function<void()>)> Post;
    // True on the UI thread.
    std::function<bool()> IsMainThread;
    // Reports an exception of an OnTerminate handler, on the UI thread.
    std::function<void(std::exception_ptr)> HandleException;
};
void SetMainThreadDispatcher(TMainThreadDispatcher Dispatcher);

// The UI thread: the installed dispatcher's, else the thread that loaded the
// program.
bool IsMainThread();
// Runs the synchronised calls queued by workers; only on the main thread
// (elsewhere it does nothing). True when at least one ran.
bool CheckSynchronize();

class TThread : public TObject {
public:
    // With CreateSuspended false the thread starts in AfterConstruction
    // (which the creator calls after new): a thread started from the base
    // constructor could reach Execute before the derived class exists.
    explicit TThread(bool CreateSuspended);
    // A running thread is told to terminate and waited for. A derived class
    // whose Execute uses its own members must do that in its own destructor.
    ~TThread() override;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void AfterConstruction();
    // Starts a thread created suspended; raises EThread when it was started.
    void Start();
    // Starts a suspended thread; nothing when it runs already.
    void Resume();
    bool Suspended() const { return !FStarted; }
    // Asks Execute to stop; Execute polls Terminated.
    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }
    // Execute has returned (OnTerminate may still be running).
    bool Finished() const { return FFinished; }

    // Waits until the thread has ended (OnTerminate included) and returns
    // ReturnValue. On the main thread the synchronised calls of workers keep
    // running meanwhile, so a worker in Synchronize cannot deadlock it.
    // Raises EThread on the thread itself, for a thread never started and for
    // one that frees itself (the object may be gone before the wait ends).
    int WaitFor();

    bool FreeOnTerminate() const { return FFreeOnTerminate; }
    void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
    int ReturnValue() const { return FReturnValue; }
    // The system thread's id; a default id until started.
    std::thread::id ThreadID() const { return FThreadID; }
    // The exception that escaped Execute (null when none did).
    std::exception_ptr FatalException() const { return FFatalException; }

    // Runs Method on the UI thread and blocks until it has run; inline when
    // already on the UI thread. Its exception is raised again in the caller.
    static void Synchronize(TThread* AThread, const TThreadMethod& Method);

    // Runs on the UI thread after Execute, with the thread as Sender.
    TNotifyEvent OnTerminate;

protected:
    virtual void Execute() = 0;
    void Synchronize(const TThreadMethod& Method) { Synchronize(this, Method); }
    void SetReturnValue(int Value) { FReturnValue = Value; }

private:
    void Run();
    void WaitUntilDone();

    std::thread FThread;
    std::thread::id FThreadID;
    std::mutex FJoinLock;
    bool FCreateSuspended;
    bool FStarted = false;
    bool FDone = false;  // guarded by the synchronisation queue's lock
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    std::atomic<bool> FFreeOnTerminate{false};
    std::atomic<int> FReturnValue{0};
    std::exception_ptr FFatalException;
};

// A wake-up that is never lost: a SetEvent before the wait lets the wait
// return at once. Auto-reset events release one waiter and reset.
enum class TWaitResult { wrSignaled, wrTimeout };

class TEvent {
public:
    explicit TEvent(bool ManualReset = false, bool InitialState = false)
        : FManualReset(ManualReset), FSignaled(InitialState) {}
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    void SetEvent();
    void ResetEvent();
    // Milliseconds; InfiniteWait waits until signalled.
    TWaitResult WaitFor(unsigned Timeout);
    static constexpr unsigned InfiniteWait = 0xFFFFFFFFu;

private:
    std::mutex FLock;
    std::condition_variable FSignal;
    bool FManualReset;
    bool FSignaled;
};
