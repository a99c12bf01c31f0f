#include "platform/os/Http.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "platform/os/tests/TestHttpServer.h"

namespace {

using namespace http_errors;

class THttpTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto& s = Server.Server();
        s.Get("/file40000", [](const httplib::Request&, httplib::Response& Res) {
            Res.set_content(TTestHttpServer::Pattern(40000), "application/octet-stream");
        });
        s.Get("/missing", [](const httplib::Request&, httplib::Response& Res) {
            Res.status = 404;
            Res.set_content("<html>not here</html>", "text/html");
        });
        s.Get("/moved", [this](const httplib::Request&, httplib::Response& Res) {
            Res.set_redirect(Server.Url("/file40000"));
        });
        s.Get("/chunked", [](const httplib::Request&, httplib::Response& Res) {
            Res.set_chunked_content_provider("text/plain", [](size_t Offset, httplib::DataSink& Sink) {
                if (Offset >= 30000) {
                    Sink.done();
                    return true;
                }
                const std::string part = TTestHttpServer::Pattern(30000).substr(Offset, 1000);
                Sink.write(part.data(), part.size());
                return true;
            });
        });
        s.Get("/private", [](const httplib::Request& Req, httplib::Response& Res) {
            // "user:secret"
            if (Req.get_header_value("Authorization") == "Basic dXNlcjpzZWNyZXQ=") {
                Res.set_content("welcome", "text/plain");
                return;
            }
            Res.status = 401;
            Res.set_header("WWW-Authenticate", "Basic realm=\"test\"");
        });
        s.Get("/echo-headers", [](const httplib::Request& Req, httplib::Response& Res) {
            Res.set_content(Req.get_header_value("Accept") + "|" + Req.get_header_value("X-Test") + "|" +
                                Req.get_header_value("User-Agent"),
                            "text/plain");
        });
        Server.ServeGated("/slow", 50000, 20000);
        Server.ServeGated("/truncated", 50000, 20000, true);
        Server.Start();
        Server.Gate().Close();
    }

    THttpRequestOptions Options(const std::string& Path) {
        THttpRequestOptions o;
        o.Url = Server.Url(Path);
        return o;
    }

    // The body in reads of Chunk bytes; the sizes of the reads in Sizes.
    static bool ReadAll(THttpRequest& Request, std::string& Body, std::vector<std::size_t>* Sizes = nullptr) {
        char buffer[16384];
        for (;;) {
            std::size_t n = 0;
            if (!Request.Read(buffer, sizeof buffer, n)) return false;
            if (Sizes) Sizes->push_back(n);
            if (n == 0) return true;
            Body.append(buffer, n);
        }
    }

    TTestHttpServer Server;
    THttpSession Session{"Test Agent", ""};
};

TEST_F(THttpTest, ReadsTheBodyInFullPiecesAndKeepsTheFinalAnswersHeaders) {
    THttpRequest request(Session, Options("/moved"));
    std::vector<std::pair<THttpStatus, AnsiString>> events;
    request.OnStatus = [&](THttpStatus Status, const AnsiString& Text, Int64) { events.push_back({Status, Text}); };
    ASSERT_TRUE(request.Send());
    EXPECT_EQ(200, request.StatusCode());
    ASSERT_FALSE(request.RawHeaders().empty());
    EXPECT_EQ("HTTP/1.1 200 OK", request.RawHeaders().front());
    EXPECT_NE(std::find(request.RawHeaders().begin(), request.RawHeaders().end(), "Content-Length: 40000"),
              request.RawHeaders().end());
    EXPECT_EQ(Server.Url("/file40000"), request.EffectiveUrl());

    std::string body;
    std::vector<std::size_t> sizes;
    ASSERT_TRUE(ReadAll(request, body, &sizes));
    EXPECT_TRUE(body == TTestHttpServer::Pattern(40000));
    EXPECT_EQ((std::vector<std::size_t>{16384, 16384, 7232, 0}), sizes);

    // The notices come in the order of the exchange, the redirect among them.
    auto at = [&](THttpStatus Status) {
        return std::find_if(events.begin(), events.end(), [&](auto& e) { return e.first == Status; }) - events.begin();
    };
    ASSERT_LT(at(hsRedirect), static_cast<long>(events.size()));
    EXPECT_EQ(Server.Url("/file40000"), events[at(hsRedirect)].second);
    EXPECT_EQ("127.0.0.1", events[at(hsNameResolved)].second);
    EXPECT_LT(at(hsResolvingName), at(hsConnectingToServer));
    EXPECT_LT(at(hsConnectingToServer), at(hsConnectedToServer));
    EXPECT_LT(at(hsConnectedToServer), at(hsSendingRequest));
    EXPECT_LT(at(hsRequestSent), at(hsReceivingResponse));
    EXPECT_LT(at(hsReceivingResponse), at(hsResponseReceived));
}

TEST_F(THttpTest, ErrorStatusesAreAnswersAndRedirectsCanBeLeftToTheCaller) {
    THttpRequest missing(Session, Options("/missing"));
    ASSERT_TRUE(missing.Send());
    EXPECT_EQ(404, missing.StatusCode());
    std::string body;
    ASSERT_TRUE(ReadAll(missing, body));
    EXPECT_EQ("<html>not here</html>", body);

    THttpRequestOptions o = Options("/moved");
    o.FollowRedirects = false;
    THttpRequest moved(Session, o);
    ASSERT_TRUE(moved.Send());
    EXPECT_EQ(302, moved.StatusCode());
    const auto& h = moved.RawHeaders();
    EXPECT_NE(std::find(h.begin(), h.end(), "Location: " + Server.Url("/file40000")), h.end());
}

TEST_F(THttpTest, ChunkedBodiesArriveWhole) {
    THttpRequest request(Session, Options("/chunked"));
    ASSERT_TRUE(request.Send());
    std::string body;
    ASSERT_TRUE(ReadAll(request, body));
    EXPECT_TRUE(body == TTestHttpServer::Pattern(30000));
}

TEST_F(THttpTest, SendsHeadersAcceptTypesAndAgent) {
    THttpRequestOptions o = Options("/echo-headers");
    o.AcceptTypes = {"text/plain", "text/html"};
    o.Headers = {"X-Test: yes", "X-Bad: a\r\nInjected: 1"};
    THttpRequest request(Session, o);
    ASSERT_TRUE(request.Send());
    std::string body;
    ASSERT_TRUE(ReadAll(request, body));
    EXPECT_EQ("text/plain, text/html|yes|Test Agent", body);
}

TEST_F(THttpTest, ServerCredentialsAnswerTheChallenge) {
    THttpRequest anonymous(Session, Options("/private"));
    ASSERT_TRUE(anonymous.Send());
    EXPECT_EQ(401, anonymous.StatusCode());

    THttpRequestOptions wrong = Options("/private");
    wrong.UserName = "user";
    wrong.Password = "guess";
    THttpRequest refused(Session, wrong);
    ASSERT_TRUE(refused.Send());
    EXPECT_EQ(401, refused.StatusCode());

    THttpRequestOptions right = Options("/private");
    right.UserName = "user";
    right.Password = "secret";
    THttpRequest allowed(Session, right);
    ASSERT_TRUE(allowed.Send());
    EXPECT_EQ(200, allowed.StatusCode());
    std::string body;
    ASSERT_TRUE(ReadAll(allowed, body));
    EXPECT_EQ("welcome", body);
}

TEST_F(THttpTest, ProxyCredentialsAnswerTheProxysChallenge) {
    // The proxy answers every request itself; it only checks the credentials
    // and that it was asked for the full address.
    TTestHttpServer proxy;
    proxy.Server().Get(".*", [&](const httplib::Request& Req, httplib::Response& Res) {
        if (Req.get_header_value("Proxy-Authorization") != "Basic cHJveHk6cGFzcw==") {  // "proxy:pass"
            Res.status = 407;
            Res.set_header("Proxy-Authenticate", "Basic realm=\"proxy\"");
            return;
        }
        Res.set_content("via proxy " + Req.target, "text/plain");
    });
    proxy.Start();
    THttpSession viaProxy("Test Agent", "127.0.0.1:" + std::to_string(proxy.Port()));
    const std::string target = "http://update.example/updclnt/update.dat";

    THttpRequestOptions o;
    o.Url = target;
    THttpRequest refused(viaProxy, o);
    ASSERT_TRUE(refused.Send());
    EXPECT_EQ(407, refused.StatusCode());

    o.ProxyUserName = "proxy";
    o.ProxyPassword = "pass";
    THttpRequest allowed(viaProxy, o);
    ASSERT_TRUE(allowed.Send());
    EXPECT_EQ(200, allowed.StatusCode());
    std::string body;
    ASSERT_TRUE(ReadAll(allowed, body));
    EXPECT_EQ("via proxy " + target, body);
}

TEST_F(THttpTest, ATruncatedBodyIsALostConnectionAndAbortCancelsFromAnotherThread) {
    THttpRequest truncated(Session, Options("/truncated"));
    ASSERT_TRUE(truncated.Send());
    std::string body;
    Server.Gate().Open();
    EXPECT_FALSE(ReadAll(truncated, body));
    EXPECT_EQ(ConnectionAborted, truncated.LastError());
    EXPECT_TRUE(body == TTestHttpServer::Pattern(20000)) << body.size();

    Server.Gate().Close();
    THttpRequest slow(Session, Options("/slow"));
    ASSERT_TRUE(slow.Send());
    char buffer[16384];
    std::size_t n = 0;
    ASSERT_TRUE(slow.Read(buffer, sizeof buffer, n));
    EXPECT_EQ(16384u, n);
    // The next read waits for the held-back part; only Abort can end it.
    std::thread aborter([&] { slow.Abort(); });
    EXPECT_FALSE(slow.Read(buffer, sizeof buffer, n));
    aborter.join();
    EXPECT_EQ(OperationCancelled, slow.LastError());
    EXPECT_EQ("The operation was canceled", slow.LastErrorText());
}

TEST_F(THttpTest, RefusedAddressesAndSchemesHaveTheirOwnNumbers) {
    THttpRequestOptions ftp;
    ftp.Url = "ftp://127.0.0.1/file";
    THttpRequest scheme(Session, ftp);
    EXPECT_FALSE(scheme.Send());
    EXPECT_EQ(UnrecognizedScheme, scheme.LastError());

    THttpRequestOptions closed;
    TTestHttpServer gone;
    gone.Start();
    closed.Url = gone.Url("/x");
    gone.Stop();
    THttpRequest refused(Session, closed);
    EXPECT_FALSE(refused.Send());
    EXPECT_EQ(CannotConnect, refused.LastError());
}

TEST_F(THttpTest, AnExceptionOfAStatusHandlerEndsTheRequestAndReachesTheCaller) {
    THttpRequest request(Session, Options("/file40000"));
    request.OnStatus = [](THttpStatus Status, const AnsiString&, Int64) {
        if (Status == hsConnectedToServer) throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(request.Send(), std::runtime_error);
    EXPECT_EQ(OperationCancelled, request.LastError());
}

}  // namespace
