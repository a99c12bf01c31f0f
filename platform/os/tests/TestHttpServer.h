#pragma once
// An HTTP server inside the test process, on 127.0.0.1 and a free port, for
// the tests of the HTTP layer, the HTTP component and the updater. Routes are
// added before or after Start; the socket listens as soon as Start returns,
// so no test waits for the server to come up.

#include <httplib.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class TTestHttpServer {
public:
    TTestHttpServer() = default;
    ~TTestHttpServer() { Stop(); }
    TTestHttpServer(const TTestHttpServer&) = delete;
    TTestHttpServer& operator=(const TTestHttpServer&) = delete;

    httplib::Server& Server() { return FServer; }

    void Start() {
        FPort = FServer.bind_to_any_port("127.0.0.1");
        FThread = std::thread([this] { FServer.listen_after_bind(); });
    }
    void Stop() {
        Gate().Open();
        Drip().Open();
        if (FThread.joinable()) {
            // stop() is lost on a server whose accept loop has not begun yet.
            while (!FServer.is_running()) std::this_thread::yield();
            FServer.stop();
            FThread.join();
        }
    }

    int Port() const { return FPort; }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(FPort); }
    std::string Url(const std::string& Path) const { return Base() + Path; }

    // Holds a slow body back until the test opens it, so that a test can act
    // in the middle of a transfer without sleeping.
    class TGate {
    public:
        void Open() {
            std::lock_guard lock(FLock);
            FOpen = true;
            FChanged.notify_all();
        }
        void Close() {
            std::lock_guard lock(FLock);
            FOpen = false;
        }
        void Wait() {
            std::unique_lock lock(FLock);
            FChanged.wait(lock, [this] { return FOpen; });
        }

    private:
        std::mutex FLock;
        std::condition_variable FChanged;
        bool FOpen = true;
    };
    TGate& Gate() { return FGate; }

    // Lets a dripping body out one piece per Release, so that a test paces a
    // slow server by what its client sees, without sleeping.
    class TDrip {
    public:
        void Release() {
            std::lock_guard lock(FLock);
            ++FTokens;
            FChanged.notify_all();
        }
        // Every piece goes out at once from now on.
        void Open() {
            std::lock_guard lock(FLock);
            FOpen = true;
            FChanged.notify_all();
        }
        void Take() {
            std::unique_lock lock(FLock);
            FChanged.wait(lock, [this] { return FOpen || FTokens > 0; });
            if (FTokens > 0) --FTokens;
        }

    private:
        std::mutex FLock;
        std::condition_variable FChanged;
        int FTokens = 1;  // the first piece needs none
        bool FOpen = false;
    };
    TDrip& Drip() { return FDrip; }

    // Body bytes with a recognisable pattern: byte i is 'a' + i % 26.
    static std::string Pattern(std::size_t Size) {
        std::string s(Size, '\0');
        for (std::size_t i = 0; i < Size; ++i) s[i] = static_cast<char>('a' + i % 26);
        return s;
    }

    // A body of Size bytes whose first FirstPart bytes go out at once and the
    // rest only after the gate opens; with Truncate the connection drops there.
    void ServeGated(const std::string& Path, std::size_t Size, std::size_t FirstPart, bool Truncate = false) {
        FServer.Get(Path, [this, Size, FirstPart, Truncate](const httplib::Request&, httplib::Response& Res) {
            Res.set_content_provider(Size, "application/octet-stream",
                [this, Size, FirstPart, Truncate](size_t Offset, size_t, httplib::DataSink& Sink) {
                    const std::string body = Pattern(Size);
                    if (Offset < FirstPart) {
                        Sink.write(body.data() + Offset, FirstPart - Offset);
                        return true;
                    }
                    Gate().Wait();
                    if (Truncate) return false;
                    Sink.write(body.data() + Offset, Size - Offset);
                    return true;
                });
        });
    }

    // A body of Size bytes (announced) sent 2 bytes a piece, a piece per
    // Drip().Release().
    void ServeDrip(const std::string& Path, std::size_t Size) {
        FServer.Get(Path, [this, Size](const httplib::Request&, httplib::Response& Res) {
            Res.set_content_provider(Size, "application/octet-stream",
                [this, Size](size_t Offset, size_t, httplib::DataSink& Sink) {
                    Drip().Take();
                    std::string piece;
                    for (size_t i = Offset; i < Size && i < Offset + 2; ++i) piece += static_cast<char>('a' + i % 26);
                    return Sink.write(piece.data(), piece.size());
                });
        });
    }

private:
    httplib::Server FServer;
    std::thread FThread;
    int FPort = 0;
    TGate FGate;
    TDrip FDrip;
};
