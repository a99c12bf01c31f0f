#pragma once
// TAdvHttp: one HTTP request at a time, synchronously or on a worker thread,
// reporting progress, data, completion and errors through events that always
// run on the user-interface thread, so handlers may touch windows.
//
// Request life (component side):
//   idle        Execute(true)            -> handled on the caller, idle again
//   idle        Execute(false)           -> running (a worker of its own)
//   running     body read, or an error   -> idle (the request closed first)
//   running     Abort                    -> the worker stops after the chunk in
//                                           hand; OnRequestComplete still fires
//   running     Execute                  -> the running request is aborted and
//                                           joined, or only aborted and let go
//                                           when Execute is called from one of
//                                           its own handlers
//   any         destroy                  -> pending events are dropped, the
//                                           worker aborted and joined
//
// Handling an answer: 401 fires OnNeedAuth and 407 OnNeedProxyAuth; the
// request is sent again (after the credentials dialog when DefaultUi) up to
// AuthRetries times, then it fails with 12017 (cancelled). Any other status,
// errors included, is an answer: its headers and body are read in pieces of
// at most 16 KB, each piece as soon as it is in, OnDataAvailable after each,
// then OnRequestComplete. A transfer slower than the low-speed limit fails
// with 12002 (time-out).
//
// Errors: the error number goes to LastError, OnError fires, then (outside
// the worker, with RaiseExceptions) EInetError with the platform's text.
//
// Handlers are looked at only on the user-interface thread, so they may be
// assigned there at any time, a request running or not. A worker makes the
// trip there only for events that had a handler when the request started or
// at its latest event.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Set.h"
#include "platform/classes/TypInfo.h"
#include "platform/os/Http.h"
#include "platform/rtl/Exceptions.h"

class TStrings;
class TStringList;
class TMemoryStream;
class TAdvHttpRun;

VEMLOR_DECLARE_EXCEPTION(EInetError, Exception);

enum TInternetFlag {
    ifCacheIfNetFail,
    ifDontCache,
    ifHyperLink,
    ifIgnoreCertCnInvalid,
    ifIgnoreCertDateInvalid,
    ifIgnoreRedirectToHttp,
    ifIgnoreRedirectToHttps,
    ifKeepConnection,
    ifNeedFile,
    ifNoAuth,
    ifNoAutoRedirect,
    ifNoCacheWrite,
    ifNoCookies,
    ifNoUi,
    ifPragmaNoCache,
    ifReload,
    ifResynchronize
};
using TInternetFlags = TSet<TInternetFlag>;
const TEnumType& EnumTypeInfo(TInternetFlag);

// The request flag word of a flag set (the platform's numbering).
Cardinal InternetFlagsWord(TInternetFlags Flags);

// Asks the user for credentials when a server or proxy wants them and
// DefaultUi is on; false when the user cancels. The program installs one
// (without one, asking counts as cancelled).
using THttpCredentialsDialog =
    std::function<bool(const AnsiString& Address, bool Proxy, AnsiString& UserName, AnsiString& Password)>;
void SetHttpCredentialsDialog(THttpCredentialsDialog Dialog);

class TAdvHttp : public TComponent {
public:
    explicit TAdvHttp(TComponent* AOwner);
    ~TAdvHttp() override;

    // --- Published properties -------------------------------------------------
    Integer ConnectTimeout() const { return FConnectTimeout; }
    void SetConnectTimeout(Integer Value) { FConnectTimeout = Value; }
    bool RaiseExceptions() const { return FRaiseExceptions; }
    void SetRaiseExceptions(bool Value) { FRaiseExceptions = Value; }
    const AnsiString& UserAgent() const { return FUserAgent; }
    void SetUserAgent(const AnsiString& Value);
    const AnsiString& Proxy() const { return FProxy; }
    void SetProxy(const AnsiString& Value);
    bool SSL() const { return FSSL; }
    void SetSSL(bool Value);
    const AnsiString& URL() const { return FURL; }
    // Raises EInetError "Invalid protocol" for a scheme other than http and
    // https, and the platform's error for an address it cannot split; the URL
    // and its parts then stay as they were.
    void SetURL(const AnsiString& Value);
    const AnsiString& URLPath() const { return FURLPath; }
    void SetURLPath(const AnsiString& Value);
    const AnsiString& ExtraInfo() const { return FExtraInfo; }
    void SetExtraInfo(const AnsiString& Value);
    Integer Port() const { return FPort; }
    void SetPort(Integer Value);
    const AnsiString& UserName() const { return FUserName; }
    void SetUserName(const AnsiString& Value) { FUserName = Value; }
    const AnsiString& Password() const { return FPassword; }
    void SetPassword(const AnsiString& Value) { FPassword = Value; }
    const AnsiString& ProxyUserName() const { return FProxyUserName; }
    void SetProxyUserName(const AnsiString& Value) { FProxyUserName = Value; }
    const AnsiString& ProxyPassword() const { return FProxyPassword; }
    void SetProxyPassword(const AnsiString& Value) { FProxyPassword = Value; }
    const AnsiString& HostName() const { return FHostName; }
    void SetHostName(const AnsiString& Value);
    bool DefaultUi() const { return FDefaultUi; }
    void SetDefaultUi(bool Value) { FDefaultUi = Value; }
    TStrings* RequestHeaders() const;
    void SetRequestHeaders(TStrings* Value);
    TStrings* AcceptTypes() const;
    void SetAcceptTypes(TStrings* Value);
    const AnsiString& Method() const { return FMethod; }
    void SetMethod(const AnsiString& Value) { FMethod = Value; }
    // The response body up to its first zero byte; writing sets the request body.
    AnsiString Text() const;
    void SetText(const AnsiString& Value);
    Integer AuthRetries() const { return FAuthRetries; }
    void SetAuthRetries(Integer Value) { FAuthRetries = Value; }
    TInternetFlags InternetFlags() const { return FInternetFlags; }
    void SetInternetFlags(TInternetFlags Value);

    // --- Not stored ------------------------------------------------------------
    // A request moving fewer than LowSpeedLimit bytes a second, on average
    // over LowSpeedTime milliseconds, fails with a time-out.
    Cardinal LowSpeedLimit() const { return FLowSpeedLimit; }
    void SetLowSpeedLimit(Cardinal Value) { FLowSpeedLimit = Value; }
    Cardinal LowSpeedTime() const { return FLowSpeedTime; }
    void SetLowSpeedTime(Cardinal Value) { FLowSpeedTime = Value; }
    // Off, ResponseBody holds only the piece in hand during OnDataAvailable,
    // for a handler that stores the body itself: a download then needs no
    // memory of its size.
    bool KeepBody() const { return FKeepBody; }
    void SetKeepBody(bool Value) { FKeepBody = Value; }

    TNotifyEvent OnClosingConnection, OnConnectedToServer, OnConnectingToServer, OnConnectionClosed,
        OnIntermediateResponse, OnNameResolved, OnReceivingResponse, OnResponseReceived, OnRedirect,
        OnRequestComplete, OnRequestSent, OnResolvingName, OnSendingRequest, OnStateChange, OnDataAvailable,
        OnNeedAuth, OnNeedProxyAuth, OnError;

    // --- Operations -----------------------------------------------------------
    // Starts the request the properties describe. True when it was started
    // (synchronously: and handled); false after an error when RaiseExceptions
    // is off.
    bool Execute(bool Sync);
    // Stops the running request.
    void Abort();

    // --- State for handlers ---------------------------------------------------
    Integer LastError() const { return FLastError; }
    Integer StatusCode() const { return FStatusCode; }
    // Server address of the latest name, connect or connected notice.
    AnsiString ServerAddress() const;
    // New address of the latest redirect.
    AnsiString RedirectURL() const;
    Int64 BytesSent() const { return FBytesSent; }
    Int64 ResponseBytes() const { return FResponseBytes; }
    Int64 ResponseBytesTotal() const { return FResponseBytesTotal; }
    // The latest body chunk: its size and its position in the body.
    Int64 ChunkSize() const { return FChunkSize; }
    Int64 ChunkPosition() const { return FChunkPosition; }
    // Body bytes received by this request so far.
    Int64 ReceivedBytes() const { return FReceivedBytes; }
    // Raw header lines of the answer, the status line first.
    TStringList* ResponseHeaders() const { return FResponseHeaders.get(); }
    TMemoryStream* ResponseBody() const { return FResponseBody.get(); }
    TMemoryStream* RequestBody() const { return FRequestBody.get(); }
    Cardinal RequestFlags() const { return FRequestFlags; }
    bool Running() const;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    friend class TAdvHttpRun;
    void RebuildURL();
    THttpRequestOptions RequestOptions() const;
    // Sets LastError; fires OnError for a failure (through Run, from its
    // thread) and raises EInetError when Raise.
    void ReportError(TAdvHttpRun* Run, Integer Code, bool Raise);
    void ReapWorkers(bool All);

    Integer FConnectTimeout = 30000;
    bool FRaiseExceptions = true;
    AnsiString FUserAgent = "Pellward WinInet Component";
    AnsiString FProxy;
    bool FSSL = false;
    AnsiString FURL;
    AnsiString FURLPath;
    AnsiString FExtraInfo;
    Integer FPort = 80;
    AnsiString FUserName, FPassword, FProxyUserName, FProxyPassword;
    AnsiString FHostName = "localhost";
    bool FDefaultUi = true;
    std::unique_ptr<TStringList> FRequestHeaders;
    std::unique_ptr<TStringList> FAcceptTypes;
    AnsiString FMethod = "GET";
    Integer FAuthRetries = 3;
    TInternetFlags FInternetFlags;
    Cardinal FRequestFlags = 0;
    Cardinal FLowSpeedLimit = kHttpLowSpeedLimit;
    Cardinal FLowSpeedTime = kHttpLowSpeedTime;
    bool FKeepBody = true;

    std::shared_ptr<THttpSession> FSession;
    std::atomic<Integer> FLastError{0};
    std::atomic<Integer> FStatusCode{0};
    // Written by the worker, read by handlers and anyone else.
    mutable std::mutex FTextLock;
    AnsiString FServerAddress, FRedirectURL;
    std::atomic<Int64> FBytesSent{0}, FResponseBytes{0}, FResponseBytesTotal{0};
    std::atomic<Int64> FChunkSize{0}, FChunkPosition{0}, FReceivedBytes{0};
    std::unique_ptr<TStringList> FResponseHeaders;
    std::unique_ptr<TMemoryStream> FResponseBody;
    std::unique_ptr<TMemoryStream> FRequestBody;

    // The request in hand (synchronous or on its worker); workers let go by a
    // later Execute end on their own and are joined later.
    TAdvHttpRun* FCurrent = nullptr;
    std::vector<std::unique_ptr<TAdvHttpRun>> FRuns;
    // The run whose event handler is running now on the UI thread.
    TAdvHttpRun* FFiring = nullptr;
};

// Fault injection for tests: called on the thread that fires an event, before
// anything decides whether its handler runs, so that a test can act at that
// moment. Empty by default; set it only while no request runs.
using TAdvHttpFireHook = std::function<void(TAdvHttp* Http, TNotifyEvent TAdvHttp::*Event)>;
void SetAdvHttpFireTestHook(TAdvHttpFireHook Hook);
