#include "updater/uAdvHttp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "platform/os/Http.h"
#include "platform/os/Thread.h"
#include "platform/os/tests/TestHttpServer.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/TestSupport.h"

namespace {

// Handles events until the condition holds; the worker's events arrive as
// posted calls, so this blocks on the event queue, never on a clock.
template <class F>
void RunUntil(F Condition) {
    while (!Condition()) WaitForEvents();
}

class TAdvHttpTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto& s = Server.Server();
        s.Get("/file40000", [](const httplib::Request&, httplib::Response& Res) {
            Res.set_content(TTestHttpServer::Pattern(40000), "application/octet-stream");
        });
        s.Get("/moved", [this](const httplib::Request&, httplib::Response& Res) {
            Res.set_redirect(Server.Url("/file40000"));
        });
        s.Get("/private", [this](const httplib::Request& Req, httplib::Response& Res) {
            ++PrivateHits;
            if (Req.get_header_value("Authorization") == "Basic dXNlcjpzZWNyZXQ=") {  // user:secret
                Res.set_content("welcome", "text/plain");
                return;
            }
            Res.status = 401;
            Res.set_header("WWW-Authenticate", "Basic realm=\"test\"");
        });
        s.Get("/small", [](const httplib::Request&, httplib::Response& Res) { Res.set_content("small", "text/plain"); });
        Server.ServeGated("/slow", 50000, 20000);
        Server.Start();
        Server.Gate().Close();
        Http = std::make_unique<TAdvHttp>(nullptr);
        Http->SetDefaultUi(false);
    }
    void TearDown() override {
        Http.reset();
        SetHttpCredentialsDialog({});
        SetAdvHttpFireTestHook({});
    }

    void Count(TNotifyEvent& Event, int& Counter) {
        Event = [this, &Counter](TObject* Sender) {
            EXPECT_EQ(Http.get(), Sender);
            EXPECT_TRUE(IsMainThread());
            ++Counter;
        };
    }

    TTestHttpServer Server;
    std::unique_ptr<TAdvHttp> Http;
    std::atomic<int> PrivateHits{0};
};

TEST_F(TAdvHttpTest, AddressesSplitIntoPartsAndPartsRebuildTheAddress) {
    Http->SetURL("http://update.example:8080/updclnt/update.dat?lang=cs");
    EXPECT_EQ("update.example", Http->HostName());
    EXPECT_EQ(8080, Http->Port());
    EXPECT_EQ("/updclnt/update.dat", Http->URLPath());
    EXPECT_EQ("?lang=cs", Http->ExtraInfo());

    Http->SetExtraInfo("v=2");
    EXPECT_EQ("?v=2", Http->ExtraInfo());
    EXPECT_EQ("http://update.example:8080/updclnt/update.dat?v=2", Http->URL());
    Http->SetExtraInfo("#top");
    Http->SetPort(80);
    EXPECT_EQ("http://update.example/updclnt/update.dat#top", Http->URL());
    Http->SetURLPath("/my files/a.zip");
    EXPECT_EQ("http://update.example/my%20files/a.zip#top", Http->URL());

    EXPECT_THROW(
        {
            try {
                Http->SetURL("ftp://files.example/a.zip");
            } catch (const EInetError& E) {
                EXPECT_EQ("Invalid protocol", E.Message());
                throw;
            }
        },
        EInetError);
    EXPECT_EQ("http://update.example/my%20files/a.zip#top", Http->URL());
    EXPECT_EQ("update.example", Http->HostName());

    // The scheme sets SSL both ways, and credentials in an address replace the stored ones.
    Http->SetUserName("old");
    Http->SetURL("https://secure.example/x");
    EXPECT_TRUE(Http->SSL());
    EXPECT_EQ(443, Http->Port());
    EXPECT_EQ("old", Http->UserName());
    Http->SetURL("http://anna:pw@plain.example/y");
    EXPECT_FALSE(Http->SSL());
    EXPECT_EQ("anna", Http->UserName());
    EXPECT_EQ("pw", Http->Password());

    int errors = 0;
    Count(Http->OnError, errors);
    EXPECT_THROW(Http->SetURL("http://host:99999/"), EInetError);
    EXPECT_EQ(1, errors);
    EXPECT_EQ(http_errors::InvalidUrl, Http->LastError());
}

TEST_F(TAdvHttpTest, ASynchronousRequestReadsInChunksAndCompletesOnce) {
    Http->SetURL(Server.Url("/moved"));
    int chunks = 0, complete = 0, redirects = 0;
    std::vector<Int64> received;
    Http->OnDataAvailable = [&](TObject*) {
        ++chunks;
        received.push_back(Http->ReceivedBytes());
        EXPECT_EQ(Http->ReceivedBytes() - Http->ChunkSize(), Http->ChunkPosition());
    };
    Count(Http->OnRequestComplete, complete);
    Count(Http->OnRedirect, redirects);
    ASSERT_TRUE(Http->Execute(true));
    // Every piece as it arrives, none over 16 KB.
    EXPECT_GE(chunks, 3);
    Int64 before = 0;
    for (const Int64 r : received) {
        EXPECT_GT(r, before);
        EXPECT_LE(r - before, 16384);
        before = r;
    }
    EXPECT_EQ(40000, before);
    EXPECT_EQ(1, complete);
    EXPECT_EQ(1, redirects);
    EXPECT_EQ(Server.Url("/file40000"), Http->RedirectURL());
    EXPECT_EQ(200, Http->StatusCode());
    EXPECT_EQ("HTTP/1.1 200 OK", Http->ResponseHeaders()->Strings(0));
    EXPECT_EQ(40000, Http->ResponseBody()->Size());
    EXPECT_TRUE(Http->Text() == TTestHttpServer::Pattern(40000));
}

TEST_F(TAdvHttpTest, AnAsynchronousRequestDeliversEveryEventOnTheMainThread) {
    Http->SetURL(Server.Url("/file40000"));
    int resolving = 0, connected = 0, sent = 0, data = 0, complete = 0, closed = 0;
    Count(Http->OnResolvingName, resolving);
    Count(Http->OnConnectionClosed, closed);
    Count(Http->OnConnectedToServer, connected);
    Count(Http->OnRequestSent, sent);
    Count(Http->OnDataAvailable, data);
    Count(Http->OnRequestComplete, complete);
    ASSERT_TRUE(Http->Execute(false));
    RunUntil([&] { return complete > 0; });
    EXPECT_EQ(1, resolving);
    EXPECT_EQ(1, connected);
    EXPECT_EQ("127.0.0.1", Http->ServerAddress());
    EXPECT_GT(Http->BytesSent(), 0);
    EXPECT_EQ(1, sent);
    EXPECT_GE(data, 3);
    EXPECT_EQ(40000, Http->ReceivedBytes());
    // The request is closed before the completion is told.
    EXPECT_EQ(1, closed);
}

TEST_F(TAdvHttpTest, CredentialsAreAskedForAndRefusedAfterTheRetries) {
    Http->SetURL(Server.Url("/private"));
    int needAuth = 0, errors = 0, complete = 0;
    Count(Http->OnNeedAuth, needAuth);
    Count(Http->OnError, errors);
    Count(Http->OnRequestComplete, complete);
    Http->SetRaiseExceptions(false);
    EXPECT_FALSE(Http->Execute(true));
    // The first request and three more, each answered 401.
    EXPECT_EQ(4, PrivateHits);
    EXPECT_EQ(4, needAuth);
    EXPECT_EQ(1, errors);
    EXPECT_EQ(0, complete);
    EXPECT_EQ(http_errors::OperationCancelled, Http->LastError());

    // With the dialog the user's answer goes with the next try.
    Http->SetDefaultUi(true);
    int asked = 0;
    SetHttpCredentialsDialog([&](const AnsiString&, bool Proxy, AnsiString& User, AnsiString& Password) {
        EXPECT_FALSE(Proxy);
        EXPECT_TRUE(IsMainThread());
        ++asked;
        User = "user";
        Password = "secret";
        return true;
    });
    ASSERT_TRUE(Http->Execute(false));
    RunUntil([&] { return complete > 0 || errors > 1; });
    EXPECT_EQ(1, asked);
    EXPECT_EQ(1, complete);
    EXPECT_EQ("welcome", Http->Text());

    SetHttpCredentialsDialog([&](const AnsiString&, bool, AnsiString&, AnsiString&) { return false; });
    EXPECT_FALSE(Http->Execute(true));
    EXPECT_EQ(2, errors);
    EXPECT_EQ(http_errors::OperationCancelled, Http->LastError());
}

TEST_F(TAdvHttpTest, AbortDuringTheBodyStopsTheDataAndStillCompletes) {
    Http->SetURL(Server.Url("/slow"));
    int data = 0, complete = 0, errors = 0;
    Http->OnDataAvailable = [&](TObject*) {
        ++data;
        Http->Abort();
        Server.Gate().Open();
    };
    Count(Http->OnRequestComplete, complete);
    Count(Http->OnError, errors);
    ASSERT_TRUE(Http->Execute(false));
    RunUntil([&] { return complete > 0 || errors > 0; });
    EXPECT_EQ(1, data);
    EXPECT_EQ(1, complete);
    EXPECT_EQ(0, errors);
    EXPECT_NE(http_errors::OperationCancelled, Http->LastError());
}

TEST_F(TAdvHttpTest, ANewRequestReplacesTheRunningOneAndCanStartFromTheCompletionHandler) {
    // A second Execute aborts and joins the first: none of its events follow.
    Http->SetURL(Server.Url("/slow"));
    int slowComplete = 0;
    Http->OnRequestComplete = [&](TObject*) { ++slowComplete; };
    ASSERT_TRUE(Http->Execute(false));
    Http->SetURL(Server.Url("/small"));
    std::vector<AnsiString> done;
    Http->OnRequestComplete = [&](TObject*) {
        done.push_back(Http->Text());
        // The next request from inside the handler, as the updater chains packages.
        if (done.size() == 1) {
            Http->SetURL(Server.Url("/file40000"));
            ASSERT_TRUE(Http->Execute(false));
            EXPECT_TRUE(Http->Running());
        }
    };
    // The first worker ends while the second runs, and must not take its place.
    int dataEvents = 0, runningWhileData = 0;
    Http->OnDataAvailable = [&](TObject*) {
        ++dataEvents;
        runningWhileData += Http->Running() ? 1 : 0;
    };
    ASSERT_TRUE(Http->Execute(false));
    RunUntil([&] { return done.size() == 2; });
    EXPECT_EQ(0, slowComplete);
    EXPECT_EQ("small", done[0]);
    EXPECT_EQ(40000u, done[1].size());
    EXPECT_GE(dataEvents, 4);
    EXPECT_EQ(dataEvents, runningWhileData);
}

TEST_F(TAdvHttpTest, HandlersReassignedWhileTheWorkerFiresAreLookedAtOnlyOnTheMainThread) {
    // The worker is held just as it fires the completion while the main thread
    // puts other handlers in place, as the updater's menu does while a
    // download ends. The flags are relaxed on purpose: they order the two
    // threads without publishing the main thread's writes to the worker, so
    // that a race checker reports any handler the worker reads.
    std::atomic<bool> held{false}, reassigned{false};
    SetAdvHttpFireTestHook([&](TAdvHttp*, TNotifyEvent TAdvHttp::*Event) {
        if (Event != &TAdvHttp::OnRequestComplete) return;
        held.store(true, std::memory_order_relaxed);
        while (!reassigned.load(std::memory_order_relaxed)) std::this_thread::yield();
    });
    std::vector<AnsiString> seen;
    Http->OnRequestComplete = [&](TObject*) { seen.push_back("old"); };
    Http->SetURL(Server.Url("/small"));
    ASSERT_TRUE(Http->Execute(false));
    // Without waiting for events: the worker may be in none when it is held.
    while (!held.load(std::memory_order_relaxed)) PumpUntilIdle();
    Http->OnRequestComplete = [&](TObject*) { seen.push_back("new"); };
    Http->OnError = [&](TObject*) { seen.push_back("error"); };
    reassigned.store(true, std::memory_order_relaxed);
    RunUntil([&] { return !seen.empty(); });
    EXPECT_EQ((std::vector<AnsiString>{"new"}), seen);
}

TEST_F(TAdvHttpTest, DestroyingDuringAReadReturnsAfterTheWorkerAndRunsNoHandler) {
    TEvent bodyStarted;
    Server.Server().Get("/held", [&](const httplib::Request&, httplib::Response& Res) {
        Res.set_content_provider(50000, "application/octet-stream",
                                 [&](size_t Offset, size_t, httplib::DataSink& Sink) {
                                     if (Offset == 0) {
                                         const std::string part = TTestHttpServer::Pattern(20000);
                                         Sink.write(part.data(), part.size());
                                         bodyStarted.SetEvent();
                                         return true;
                                     }
                                     Server.Gate().Wait();
                                     return false;
                                 });
    });
    Http->SetURL(Server.Url("/held"));
    std::atomic<int> handled{0};
    Http->OnDataAvailable = [&](TObject*) { ++handled; };
    Http->OnRequestComplete = [&](TObject*) { ++handled; };
    Http->OnError = [&](TObject*) { ++handled; };
    ASSERT_TRUE(Http->Execute(false));
    bodyStarted.WaitFor(TEvent::InfiniteWait);
    // The worker now reads or waits for its first event; either way the
    // destructor must end it without running a handler or hanging.
    Http.reset();
    PumpUntilIdle();
    EXPECT_EQ(0, handled);
}

TEST_F(TAdvHttpTest, ErrorsReachOnErrorAndThenTheCaller) {
    TTestHttpServer gone;
    gone.Start();
    const std::string url = gone.Url("/x");
    gone.Stop();
    Http->SetURL(url);
    int errors = 0, complete = 0;
    Count(Http->OnError, errors);
    Count(Http->OnRequestComplete, complete);
    EXPECT_THROW(Http->Execute(true), EInetError);
    EXPECT_EQ(1, errors);
    EXPECT_EQ(http_errors::CannotConnect, Http->LastError());

    ASSERT_TRUE(Http->Execute(false));
    RunUntil([&] { return errors == 2; });
    EXPECT_EQ(http_errors::CannotConnect, Http->LastError());
    EXPECT_EQ(0, complete);
}

}  // namespace
