// Feeds arbitrary bytes as what another process sends on the running copy's
// single-instance socket, then ends its side of the line. The copy answers at
// most one line, "DONE", "REFUSED" or "UNKNOWN", after running at most one
// handler that fits it (the answer may be lost when the line ended first),
// and it serves a plain SHOW afterwards. A crash, a hang or another answer
// is a finding.

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/os/SingleInstance.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TestSupport.h"

namespace {

struct TServed {
    int Shown = 0;
    int Closed = 0;
    bool CloseAnswer = false;
};

TServed Served;

TSingleInstance& Instance() {
    static TSingleInstance* instance = [] {
        GetApplication();
        const AnsiString name = "vemlor-fuzz-instance-" + std::to_string(getpid());
        auto* i = new TSingleInstance(name);
        if (!i->Acquire()) std::abort();
        i->OnShow = [] { ++Served.Shown; };
        i->OnClose = [] {
            ++Served.Closed;
            return Served.CloseAnswer;
        };
        static const std::string lock = AnsiToUtf8(InstanceSocketPath(name)) + ".lock";
        std::atexit([] { std::remove(lock.c_str()); });
        return i;
    }();
    return *instance;
}

// Sends the bytes and returns what comes back while this thread runs the
// copy's event loop: with End, until the copy closes the line after this side
// ended its sending; without, until a whole line came back.
std::string Exchange(const std::string& Bytes, bool End) {
    const std::string path = AnsiToUtf8(InstanceSocketPath("vemlor-fuzz-instance-" + std::to_string(getpid())));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) std::abort();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) std::abort();
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) std::abort();
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::size_t sent = 0;
    bool ended = false;
    std::string reply;
    for (;;) {
        if (sent < Bytes.size()) {
            const ssize_t n = send(fd, Bytes.data() + sent, Bytes.size() - sent, MSG_NOSIGNAL);
            if (n > 0) sent += std::size_t(n);
            // The copy may close the line after the first line.
            else if (errno != EAGAIN && errno != EWOULDBLOCK) sent = Bytes.size();
        }
        if (End && !ended && sent == Bytes.size()) {
            shutdown(fd, SHUT_WR);
            ended = true;
        }
        PumpUntilIdle();
        char buffer[256];
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            reply.append(buffer, std::size_t(n));
            if (!End && reply.find('\n') != std::string::npos) break;
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) break;
        pollfd wait{fd, POLLIN, 0};
        poll(&wait, 1, 1);
    }
    close(fd);
    PumpUntilIdle();
    return reply;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Instance();
    Served = TServed{};
    Served.CloseAnswer = size % 2 == 0;
    const std::string reply = Exchange(std::string(reinterpret_cast<const char*>(data), size), true);
    const int handlers = Served.Shown + Served.Closed;
    if (handlers > 1) std::abort();
    if (reply == "DONE\n") {
        if (Served.Shown != 1 && !(Served.Closed == 1 && Served.CloseAnswer)) std::abort();
    } else if (reply == "REFUSED\n") {
        if (Served.Closed != 1 || Served.CloseAnswer) std::abort();
    } else if (reply == "UNKNOWN\n") {
        if (handlers != 0) std::abort();
    } else if (reply.empty()) {
        // The copy may see the end of the line before it answers.
    } else {
        std::abort();
    }
    Served = TServed{};
    if (Exchange("SHOW\n", false) != "DONE\n" || Served.Shown != 1) std::abort();
    return 0;
}
