#pragma once
// HTTP over the network library, in the shape the program's HTTP component
// expects of the platform: a session (the root: agent name, proxy, a cache of
// open connections) and requests made from it. A request is sent, then its
// body is pulled in pieces by Read, on whatever thread drives it; only Abort
// may be called from another thread.
//
// Failures are error numbers of the platform's Internet family, so that the
// program's messages and tests speak of one set of codes:
//   12002 time-out          12005 bad address       12006 unknown protocol
//   12007 name not resolved 12017 cancelled         12029 cannot connect
//   12030 connection lost   12152 bad server answer 12045/12157 secure channel
//   12156 redirect failed   12004 anything else
//
// Request life:
//   created           Send            ->  sent (headers of the final answer in)
//   sent              Read (n > 0)    ->  sent
//   sent              Read (0)        ->  done (body complete)
//   any               failure, Abort  ->  failed (LastError)
//   any               Close           ->  closed (connection back to the session)

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/System.h"

namespace http_errors {
constexpr Integer Timeout = 12002;
constexpr Integer InternalError = 12004;
constexpr Integer InvalidUrl = 12005;
constexpr Integer UnrecognizedScheme = 12006;
constexpr Integer NameNotResolved = 12007;
constexpr Integer OperationCancelled = 12017;
constexpr Integer CannotConnect = 12029;
constexpr Integer ConnectionAborted = 12030;
constexpr Integer InvalidCa = 12045;
constexpr Integer InvalidServerResponse = 12152;
constexpr Integer RedirectFailed = 12156;
constexpr Integer SecureChannelError = 12157;
}  // namespace http_errors

// A short English text for an error number (the platform's own language).
AnsiString HttpErrorText(Integer Code);

// What a request reports while it runs, on the thread that drives it.
enum THttpStatus {
    hsResolvingName = 10,
    hsNameResolved = 11,
    hsConnectingToServer = 20,
    hsConnectedToServer = 21,
    hsSendingRequest = 30,
    hsRequestSent = 31,
    hsReceivingResponse = 40,
    hsResponseReceived = 41,
    hsClosingConnection = 50,
    hsConnectionClosed = 51,
    hsRedirect = 110,
    hsIntermediateResponse = 120,
};
// Text is the server address for name, connect and redirect notices; Count
// the bytes for sent and received notices.
using THttpStatusEvent = std::function<void(THttpStatus Status, const AnsiString& Text, Int64 Count)>;

struct THttpSessionImpl;

class THttpSession {
public:
    // Proxy: "host:port"; empty uses the system's configured proxy (the
    // environment's http_proxy and its kin), if any.
    THttpSession(const AnsiString& UserAgent, const AnsiString& Proxy);
    ~THttpSession();
    THttpSession(const THttpSession&) = delete;
    THttpSession& operator=(const THttpSession&) = delete;

    const AnsiString& UserAgent() const { return FUserAgent; }
    const AnsiString& Proxy() const { return FProxy; }

private:
    friend struct THttpRequestImpl;
    AnsiString FUserAgent;
    AnsiString FProxy;
    std::unique_ptr<THttpSessionImpl> FImpl;
};

// Defaults of the low-speed limit below: a slower line than any modem's.
constexpr Cardinal kHttpLowSpeedLimit = 100;   // bytes a second
constexpr Cardinal kHttpLowSpeedTime = 60000;  // ms

struct THttpRequestOptions {
    AnsiString Method = "GET";
    AnsiString Url;                 // absolute http:// or https:// address
    std::vector<AnsiString> Headers;  // "Name: value"
    std::vector<AnsiString> AcceptTypes;
    AnsiString Body;
    AnsiString UserName, Password;            // the server's
    AnsiString ProxyUserName, ProxyPassword;  // the proxy's
    Cardinal ConnectTimeout = 30000;          // ms
    // A transfer that moves fewer than LowSpeedLimit bytes a second, on
    // average over LowSpeedTime, fails with a time-out, so a server that
    // stops answering, or drips, cannot hold a request for ever. Only the
    // time spent in Send and Read counts: a reader busy elsewhere is no fault
    // of the server's. A LowSpeedTime of 0 sets no limit.
    Cardinal LowSpeedLimit = kHttpLowSpeedLimit;
    Cardinal LowSpeedTime = kHttpLowSpeedTime;
    bool FollowRedirects = true;
    bool RedirectToHttp = false;   // an https request may be sent on to http
    bool RedirectToHttps = false;  // an http request may be sent on to https
    bool VerifyHostName = true;    // the certificate must name the host
    bool KeepConnection = true;    // the connection may serve later requests
};

struct THttpRequestImpl;

class THttpRequest {
public:
    THttpRequest(THttpSession& Session, THttpRequestOptions Options);
    ~THttpRequest();
    THttpRequest(const THttpRequest&) = delete;
    THttpRequest& operator=(const THttpRequest&) = delete;

    // Runs on the driving thread during Send and Read.
    THttpStatusEvent OnStatus;

    // Sends the request and waits for the headers of the final answer (after
    // redirects and authentication the network library handles itself).
    // False with LastError on failure.
    bool Send();
    // The HTTP status of the final answer; 0 before it arrived.
    Integer StatusCode() const;
    // Raw header lines of the final answer, the status line first, without
    // line ends and without the blank line that ends them.
    const std::vector<AnsiString>& RawHeaders() const;
    // The address finally answered (after redirects).
    AnsiString EffectiveUrl() const;

    // Fills Buffer with up to Count body bytes, fewer only at the end of the
    // body; Received is 0 at the end. False with LastError on failure or
    // when aborted (12017).
    bool Read(void* Buffer, std::size_t Count, std::size_t& Received);
    // As Read, but returns as soon as any body bytes are in, so that a caller
    // sees every piece of a slow body as it arrives.
    bool ReadSome(void* Buffer, std::size_t Count, std::size_t& Received);

    // From any thread: the running or next Send/Read fails with 12017.
    void Abort();
    bool Aborted() const;
    // Ends the request; its connection may serve a later one.
    void Close();

    Integer LastError() const { return FLastError; }
    AnsiString LastErrorText() const;

private:
    bool Fail(Integer Code);
    // Read and ReadSome: waits until Least bytes are in or the body ends.
    bool Take(void* Buffer, std::size_t Count, std::size_t Least, std::size_t& Received);
    friend struct THttpRequestImpl;
    std::unique_ptr<THttpRequestImpl> FImpl;
    Integer FLastError = 0;
};
