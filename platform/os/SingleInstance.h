#pragma once
// One running copy of a program per user, and a line to it from other
// processes: a second copy asks the first to come forward (SHOW), the updater
// asks the client to close (CLOSE) before it replaces its files.
//
// The running copy holds a lock file and listens on a local socket, both
// named after the program's instance name, in the user's runtime folder
// (else the temporary folder, with the user id in the name). The lock, not
// the socket, decides who runs: the system drops it when a process dies, so
// a crashed copy never blocks the next one, and a socket it left behind is
// replaced.
//
// Protocol, one exchange per connection, lines of ASCII ending in LF:
//   client: SHOW | CLOSE
//   server: DONE         the command's handler ran (CLOSE: the window closed)
//           REFUSED      CLOSE only: the program stayed open
//           UNKNOWN      any other line
// The server answers only after the handler has returned, so a client that
// got DONE for CLOSE knows that the close handlers have run.
//
// The server side needs the program's event loop on the thread that called
// Acquire; its handlers run there.

#include <functional>
#include <memory>

#include "platform/rtl/System.h"

struct TSingleInstanceImpl;

class TSingleInstance {
public:
    explicit TSingleInstance(const AnsiString& Name);
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // True when this process is now the running copy and listens; false when
    // another copy runs (or the lock cannot be had). Once true, stays true.
    bool Acquire();
    bool Acquired() const;

    // Bring the program forward.
    std::function<void()> OnShow;
    // Run the program's close road; true when it closed.
    std::function<bool()> OnClose;

private:
    std::unique_ptr<TSingleInstanceImpl> FImpl;
};

enum TInstanceReply {
    irNoInstance,  // no copy runs
    irDone,
    irRefused,
    irNoAnswer,    // a copy runs but did not answer in time
};

// Sends a command to the running copy and waits for its answer at most
// TimeoutMs milliseconds. Must not be called on the thread that serves the
// same name (it would wait for itself).
TInstanceReply SendToInstance(const AnsiString& Name, const AnsiString& Command, Cardinal TimeoutMs);

// A copy holds the name's lock.
bool InstanceRunning(const AnsiString& Name);

// The socket's file name for the name (for messages and tests).
AnsiString InstanceSocketPath(const AnsiString& Name);
