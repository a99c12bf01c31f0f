// Feeds arbitrary bytes as what a server answers the HTTP component. The
// first byte chooses how the component asks (bit 0: on a worker of its own,
// bit 1: without following redirects, bit 2: HEAD); the rest is the raw
// answer, sent to every request of the run by a server in this process that
// stands as the proxy of every address, so nothing leaves the machine.
//
// Whatever the answer, the request ends with a result or an error; the body
// it hands out is no longer than one answer, arrives in pieces that follow
// each other and reaches the handlers as it reaches the body. A crash, a
// hang, an exception or another answer is a finding.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "platform/os/Thread.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "updater/uAdvHttp.h"

namespace {

// Answers every connection with the bytes in hand, then closes it.
class TAnswerServer {
public:
    TAnswerServer() {
        FListener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (FListener < 0 || bind(FListener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(FListener, 16) != 0 || getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            std::abort();
        FPort = ntohs(address.sin_port);
        std::thread([this] { Serve(); }).detach();
    }
    int Port() const { return FPort; }
    void SetAnswer(std::string Answer) {
        std::lock_guard lock(FLock);
        FAnswer = std::move(Answer);
    }

private:
    void Serve() {
        for (;;) {
            const int c = accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0) continue;
            // The request head, so that the client is not answered mid-send.
            std::string request;
            char buffer[4096];
            pollfd wait{c, POLLIN, 0};
            while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 && poll(&wait, 1, 2000) > 0) {
                const ssize_t n = recv(c, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                request.append(buffer, std::size_t(n));
            }
            std::string answer;
            {
                std::lock_guard lock(FLock);
                answer = FAnswer;
            }
            for (std::size_t sent = 0; sent < answer.size();) {
                const ssize_t n = send(c, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += std::size_t(n);
            }
            shutdown(c, SHUT_RDWR);
            close(c);
        }
    }

    int FListener = -1;
    int FPort = 0;
    std::mutex FLock;
    std::string FAnswer;
};

TAnswerServer& Server() {
    static TAnswerServer* server = [] {
        // Every address goes to the proxy, which is this server.
        unsetenv("no_proxy");
        unsetenv("NO_PROXY");
        return new TAnswerServer;
    }();
    return *server;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const Byte mode = data[0];
    const std::string answer(reinterpret_cast<const char*>(data) + 1, size - 1);
    Server().SetAnswer(answer);

    TAdvHttp http(nullptr);
    http.SetRaiseExceptions(false);
    http.SetDefaultUi(false);
    http.SetAuthRetries(1);
    http.SetConnectTimeout(5000);
    http.SetProxy("127.0.0.1:" + std::to_string(Server().Port()));
    http.SetURL("http://updates.invalid/updclnt/update.dat");
    if (mode & 2) {
        TInternetFlags flags = http.InternetFlags();
        flags.Include(ifNoAutoRedirect);
        http.SetInternetFlags(flags);
    }
    if (mode & 4) http.SetMethod("HEAD");

    Int64 pieces = 0;
    bool completed = false;
    http.OnDataAvailable = [&](TObject*) {
        if (http.ChunkPosition() != pieces || http.ChunkSize() <= 0 ||
            http.ChunkPosition() + http.ChunkSize() != http.ResponseBody()->Size())
            std::abort();
        pieces += http.ChunkSize();
    };
    http.OnRequestComplete = [&](TObject*) { completed = true; };

    bool ok = false;
    if (mode & 1) {
        if (!http.Execute(false)) std::abort();
        while (http.Running()) {
            if (!CheckSynchronize()) std::this_thread::yield();
        }
        while (CheckSynchronize()) {
        }
        ok = http.LastError() == 0;
    } else {
        ok = http.Execute(true);
        if (ok != (http.LastError() == 0)) std::abort();
    }
    const Int64 body = http.ResponseBody()->Size();
    if (pieces != body || http.ReceivedBytes() != body || body > Int64(answer.size())) std::abort();
    if (ok && !completed) std::abort();
    return 0;
}
