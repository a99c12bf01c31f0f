#include "updater/uAdvHttp.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <mutex>

#include "platform/classes/ClassRegistry.h"
#include "platform/os/Http.h"
#include "platform/os/Thread.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "updater/AdvHttpUrl.h"

namespace {

constexpr std::size_t kChunk = 16384;
constexpr std::size_t kMaxAcceptTypes = 100;

constexpr Cardinal kFlagWords[] = {
    0x10000,     // ifCacheIfNetFail
    0x4000000,   // ifDontCache
    0x400,       // ifHyperLink
    0x1000,      // ifIgnoreCertCnInvalid
    0x2000,      // ifIgnoreCertDateInvalid
    0x8000,      // ifIgnoreRedirectToHttp
    0x4000,      // ifIgnoreRedirectToHttps
    0x400000,    // ifKeepConnection
    0x10,        // ifNeedFile
    0x40000,     // ifNoAuth
    0x200000,    // ifNoAutoRedirect
    0x4000000,   // ifNoCacheWrite
    0x80000,     // ifNoCookies
    0x200,       // ifNoUi
    0x100,       // ifPragmaNoCache
    0x80000000,  // ifReload
    0x800,       // ifResynchronize
};

struct TDialogSlot {
    std::mutex Lock;
    THttpCredentialsDialog Dialog;
};

TDialogSlot& DialogSlot() {
    static TDialogSlot* slot = new TDialogSlot;
    return *slot;
}

constexpr TNotifyEvent TAdvHttp::*kEvents[] = {
    &TAdvHttp::OnClosingConnection, &TAdvHttp::OnConnectedToServer, &TAdvHttp::OnConnectingToServer,
    &TAdvHttp::OnConnectionClosed,  &TAdvHttp::OnIntermediateResponse, &TAdvHttp::OnNameResolved,
    &TAdvHttp::OnReceivingResponse, &TAdvHttp::OnResponseReceived,  &TAdvHttp::OnRedirect,
    &TAdvHttp::OnRequestComplete,   &TAdvHttp::OnRequestSent,       &TAdvHttp::OnResolvingName,
    &TAdvHttp::OnSendingRequest,    &TAdvHttp::OnStateChange,       &TAdvHttp::OnDataAvailable,
    &TAdvHttp::OnNeedAuth,          &TAdvHttp::OnNeedProxyAuth,     &TAdvHttp::OnError};

std::uint32_t EventBit(TNotifyEvent TAdvHttp::*Event) {
    for (std::size_t i = 0; i < std::size(kEvents); ++i)
        if (kEvents[i] == Event) return std::uint32_t{1} << i;
    return 0;
}

TAdvHttpFireHook& FireHook() {
    static TAdvHttpFireHook hook;
    return hook;
}

}  // namespace

const TEnumType& EnumTypeInfo(TInternetFlag) {
    static const TEnumType t{"TInternetFlag",
                             {"ifCacheIfNetFail", "ifDontCache", "ifHyperLink", "ifIgnoreCertCnInvalid",
                              "ifIgnoreCertDateInvalid", "ifIgnoreRedirectToHttp", "ifIgnoreRedirectToHttps",
                              "ifKeepConnection", "ifNeedFile", "ifNoAuth", "ifNoAutoRedirect", "ifNoCacheWrite",
                              "ifNoCookies", "ifNoUi", "ifPragmaNoCache", "ifReload", "ifResynchronize"}};
    return t;
}

Cardinal InternetFlagsWord(TInternetFlags Flags) {
    Cardinal word = 0;
    for (int i = 0; i <= ifResynchronize; ++i)
        if (Flags.Contains(static_cast<TInternetFlag>(i))) word |= kFlagWords[i];
    return word;
}

void SetAdvHttpFireTestHook(TAdvHttpFireHook Hook) { FireHook() = std::move(Hook); }

void SetHttpCredentialsDialog(THttpCredentialsDialog Dialog) {
    std::lock_guard lock(DialogSlot().Lock);
    DialogSlot().Dialog = std::move(Dialog);
}

// ---------------------------------------------------------------------------
// One request: sent and handled on the caller's thread (synchronous) or on a
// worker of its own. It touches its component only while attached; a run
// let go by a later Execute, or by the component's destruction, finishes on
// its own without another event.

class TAdvHttpRun {
public:
    TAdvHttpRun(TAdvHttp* Owner, std::shared_ptr<THttpSession> Session, THttpRequestOptions Options, bool Sync)
        : FOwner(Owner), FSession(std::move(Session)), FOptions(std::move(Options)), FSync(Sync),
          FAuthRetries(Owner->FAuthRetries), FDefaultUi(Owner->FDefaultUi), FKeepBody(Owner->FKeepBody) {}
    ~TAdvHttpRun() { Join(); }

    // Synchronous: raises EInetError after OnError when the request failed.
    void Perform();
    void Start() {
        FWorker = std::make_unique<TWorker>(this);
        FWorker->Start();
    }
    void Join() {
        if (FWorker && !FJoined) {
            FWorker->WaitFor();
            FJoined = true;
        }
    }
    bool Finished() const { return FSync ? FDone.load() : (!FWorker || FWorker->Finished()); }
    bool Attached() const { return !FDetached; }
    void Detach() { FDetached = true; }
    void Abort() {
        FAborted = true;
        std::lock_guard lock(FRequestLock);
        if (FRequest) FRequest->Abort();
    }
    bool Sync() const { return FSync; }

    // Runs the component's event on the UI thread while this thread waits;
    // nothing once the run is let go or the component is being destroyed.
    void Fire(TNotifyEvent TAdvHttp::*Event);
    // On the UI thread: notes which events have a handler now, for the
    // worker, which may not look at the handlers themselves.
    void NoteHandlers();
    void Error(Integer Code) { FOwner->ReportError(this, Code, FSync); }

private:
    class TWorker : public TThread {
    public:
        explicit TWorker(TAdvHttpRun* Run) : TThread(true), FRun(Run) {}
        ~TWorker() override {
            if (!Suspended()) WaitFor();
        }

    protected:
        void Execute() override {
            // Nothing escapes a worker: failures were reported through OnError.
            try {
                FRun->Perform();
            } catch (...) {
            }
        }

    private:
        TAdvHttpRun* FRun;
    };

    bool Send();
    void Status(THttpStatus Status, const AnsiString& Text, Int64 Count);
    void HandleResponse();
    bool AskCredentials(bool Proxy);
    bool ReadBody();
    void CloseRequest() {
        // Closed outside the lock: the closing notices reach handlers that
        // may call Abort, which takes it.
        if (FRequest) FRequest->Close();
        std::lock_guard lock(FRequestLock);
        FRequest.reset();
    }

    TAdvHttp* FOwner;
    std::shared_ptr<THttpSession> FSession;
    THttpRequestOptions FOptions;
    bool FSync;
    Integer FAuthRetries;
    bool FDefaultUi;
    bool FKeepBody;
    std::mutex FRequestLock;
    std::unique_ptr<THttpRequest> FRequest;
    std::unique_ptr<TWorker> FWorker;
    bool FJoined = false;
    std::atomic<bool> FDetached{false};
    std::atomic<bool> FAborted{false};
    std::atomic<bool> FDone{false};
    std::atomic<std::uint32_t> FAssigned{0};
};

void TAdvHttpRun::Fire(TNotifyEvent TAdvHttp::*Event) {
    auto call = [this, Event] {
        if (FDetached || FOwner->ComponentState().Contains(csDestroying)) return;
        // What was assigned since the run's last look counts from its next event.
        auto note = ScopeExit([this] { NoteHandlers(); });
        TNotifyEvent handler = FOwner->*Event;
        if (!handler) return;
        TAdvHttpRun* outer = std::exchange(FOwner->FFiring, this);
        auto restore = ScopeExit([this, outer] { FOwner->FFiring = outer; });
        handler(FOwner);
    };
    if (const auto& hook = FireHook()) hook(FOwner, Event);
    if (FSync) {
        call();
        return;
    }
    // The handlers belong to the UI thread, which may assign them while this
    // worker runs (the updater does, from its menu, as the previous download
    // ends): the worker goes by what the UI thread noted of them last, and
    // only unassigned events spare it the trip.
    if (FDetached || !(FAssigned.load() & EventBit(Event))) return;
    TThread::Synchronize(nullptr, call);
}

void TAdvHttpRun::NoteHandlers() {
    std::uint32_t assigned = 0;
    for (TNotifyEvent TAdvHttp::*event : kEvents)
        if (FOwner->*event) assigned |= EventBit(event);
    FAssigned = assigned;
}

void TAdvHttpRun::Perform() {
    auto done = ScopeExit([this] {
        CloseRequest();
        FDone = true;
    });
    if (Send()) HandleResponse();
}

bool TAdvHttpRun::Send() {
    {
        std::lock_guard lock(FRequestLock);
        FRequest = std::make_unique<THttpRequest>(*FSession, FOptions);
        if (FAborted) FRequest->Abort();
    }
    FRequest->OnStatus = [this](THttpStatus S, const AnsiString& Text, Int64 Count) { Status(S, Text, Count); };
    if (FRequest->Send()) return true;
    Error(FRequest->LastError());
    return false;
}

void TAdvHttpRun::Status(THttpStatus S, const AnsiString& Text, Int64 Count) {
    if (!Attached()) return;
    TAdvHttp& o = *FOwner;
    TNotifyEvent TAdvHttp::*event = nullptr;
    switch (S) {
        case hsResolvingName: event = &TAdvHttp::OnResolvingName; break;
        case hsNameResolved: event = &TAdvHttp::OnNameResolved; break;
        case hsConnectingToServer: event = &TAdvHttp::OnConnectingToServer; break;
        case hsConnectedToServer: event = &TAdvHttp::OnConnectedToServer; break;
        case hsSendingRequest: event = &TAdvHttp::OnSendingRequest; break;
        case hsRequestSent: event = &TAdvHttp::OnRequestSent; break;
        case hsReceivingResponse: event = &TAdvHttp::OnReceivingResponse; break;
        case hsResponseReceived: event = &TAdvHttp::OnResponseReceived; break;
        case hsClosingConnection: event = &TAdvHttp::OnClosingConnection; break;
        case hsConnectionClosed: event = &TAdvHttp::OnConnectionClosed; break;
        case hsRedirect: event = &TAdvHttp::OnRedirect; break;
        case hsIntermediateResponse: event = &TAdvHttp::OnIntermediateResponse; break;
    }
    if (!event) return;
    if (S == hsNameResolved || S == hsConnectingToServer || S == hsConnectedToServer) {
        std::lock_guard lock(o.FTextLock);
        o.FServerAddress = Text;
    } else if (S == hsRedirect) {
        std::lock_guard lock(o.FTextLock);
        o.FRedirectURL = Text;
    } else if (S == hsRequestSent) {
        o.FBytesSent = Count;
    } else if (S == hsResponseReceived) {
        o.FResponseBytes = Count;
        o.FResponseBytesTotal += Count;
    }
    Fire(event);
}

void TAdvHttpRun::HandleResponse() {
    Integer retries = 0;
    for (;;) {
        if (!Attached()) return;
        const Integer status = FRequest->StatusCode();
        FOwner->FStatusCode = status;
        const bool proxy = status == 407;
        if (status != 401 && !proxy) break;
        Fire(proxy ? &TAdvHttp::OnNeedProxyAuth : &TAdvHttp::OnNeedAuth);
        if (retries >= FAuthRetries) {
            Error(http_errors::OperationCancelled);
            return;
        }
        if (FDefaultUi && !AskCredentials(proxy)) {
            Error(http_errors::OperationCancelled);
            return;
        }
        ++retries;
        CloseRequest();
        if (FAborted || !Attached() || !Send()) return;
    }

    {
        auto lines = std::make_unique<TStringList>();
        for (const AnsiString& line : FRequest->RawHeaders()) lines->Add(line);
        FOwner->FResponseHeaders->Assign(lines.get());
    }
    const bool read = ReadBody();
    CloseRequest();
    if (Attached() && FOwner->FLastError != http_errors::OperationCancelled) Fire(&TAdvHttp::OnRequestComplete);
    if (!read && FSync && Attached() && FOwner->FRaiseExceptions)
        throw EInetError(HttpErrorText(FOwner->FLastError));
}

bool TAdvHttpRun::AskCredentials(bool Proxy) {
    THttpCredentialsDialog dialog;
    {
        std::lock_guard lock(DialogSlot().Lock);
        dialog = DialogSlot().Dialog;
    }
    if (!dialog) return false;
    AnsiString& user = Proxy ? FOptions.ProxyUserName : FOptions.UserName;
    AnsiString& password = Proxy ? FOptions.ProxyPassword : FOptions.Password;
    bool accepted = false;
    auto ask = [&] { accepted = dialog(FOptions.Url, Proxy, user, password); };
    if (FSync)
        ask();
    else
        TThread::Synchronize(nullptr, ask);
    return accepted;
}

bool TAdvHttpRun::ReadBody() {
    std::vector<char> buffer(kChunk);
    while (!FAborted && Attached()) {
        std::size_t n = 0;
        // Every piece as it comes: a slow server is seen to make progress.
        if (!FRequest->ReadSome(buffer.data(), buffer.size(), n)) {
            // Stopped by Abort: the body ends here, as if complete.
            if (FAborted) return true;
            try {
                Error(FRequest->LastError());
            } catch (const EInetError&) {
            }
            return false;
        }
        if (n == 0 || !Attached()) break;
        TAdvHttp& o = *FOwner;
        o.FChunkPosition = o.FReceivedBytes.load();
        if (!FKeepBody) o.FResponseBody->Clear();
        o.FResponseBody->Seek(0, soFromEnd);
        o.FResponseBody->Write(buffer.data(), static_cast<LongInt>(n));
        o.FChunkSize = static_cast<Int64>(n);
        o.FReceivedBytes += static_cast<Int64>(n);
        Fire(&TAdvHttp::OnDataAvailable);
    }
    return true;
}

// ---------------------------------------------------------------------------
// TAdvHttp

TAdvHttp::TAdvHttp(TComponent* AOwner)
    : TComponent(AOwner),
      FRequestHeaders(std::make_unique<TStringList>()),
      FAcceptTypes(std::make_unique<TStringList>()),
      FResponseHeaders(std::make_unique<TStringList>()),
      FResponseBody(std::make_unique<TMemoryStream>()),
      FRequestBody(std::make_unique<TMemoryStream>()) {
    SetInternetFlags(TInternetFlags{ifIgnoreCertCnInvalid, ifIgnoreCertDateInvalid, ifIgnoreRedirectToHttp,
                                    ifIgnoreRedirectToHttps, ifKeepConnection, ifNoUi, ifReload});
}

TAdvHttp::~TAdvHttp() {
    Destroying();
    // Let every run go first, then wait: a worker blocked on an event is
    // released without running the handler.
    for (auto& run : FRuns) {
        run->Detach();
        run->Abort();
    }
    FRuns.clear();
    FSession.reset();
}

void TAdvHttp::SetUserAgent(const AnsiString& Value) {
    if (Value == FUserAgent) return;
    FUserAgent = Value;
    FSession.reset();
}

void TAdvHttp::SetProxy(const AnsiString& Value) {
    if (Value == FProxy) return;
    FProxy = Value;
    FSession.reset();
}

void TAdvHttp::SetSSL(bool Value) {
    if (Value == FSSL) return;
    const bool old = FSSL;
    FSSL = Value;
    auto undo = ScopeFail([&] { FSSL = old; });
    RebuildURL();
}

void TAdvHttp::SetURL(const AnsiString& Value) {
    TUrlParts parts;
    const TUrlCrack result = CrackUrl(Value, parts);
    if (result == ucBadScheme) throw EInetError("Invalid protocol");
    if (result != ucOk) {
        ReportError(nullptr, http_errors::InvalidUrl, true);
        return;
    }
    FHostName = parts.Host;
    FURLPath = parts.Path;
    FExtraInfo = parts.Extra;
    // The scheme decides both ways: an http address after an https one must
    // not be sent secured.
    FSSL = parts.Secure;
    FPort = parts.Port;
    if (parts.HasUser) {
        FUserName = parts.User;
        FPassword = parts.Password;
    }
    FURL = Value;
}

void TAdvHttp::SetURLPath(const AnsiString& Value) {
    const AnsiString old = FURLPath;
    FURLPath = Value;
    auto undo = ScopeFail([&] { FURLPath = old; });
    RebuildURL();
}

void TAdvHttp::SetExtraInfo(const AnsiString& Value) {
    const AnsiString old = FExtraInfo;
    FExtraInfo = Value.empty() || Value[0] == '#' || Value[0] == '?' ? Value : "?" + Value;
    auto undo = ScopeFail([&] { FExtraInfo = old; });
    RebuildURL();
}

void TAdvHttp::SetPort(Integer Value) {
    const Integer old = FPort;
    FPort = Value;
    auto undo = ScopeFail([&] { FPort = old; });
    RebuildURL();
}

void TAdvHttp::SetHostName(const AnsiString& Value) {
    const AnsiString old = FHostName;
    FHostName = Value;
    auto undo = ScopeFail([&] { FHostName = old; });
    RebuildURL();
}

void TAdvHttp::RebuildURL() {
    AnsiString url;
    if (!CombineUrl(FSSL, FHostName, FPort, FURLPath + FExtraInfo, url))
        ReportError(nullptr, http_errors::InvalidUrl, true);
    FURL = url;
}

TStrings* TAdvHttp::RequestHeaders() const { return FRequestHeaders.get(); }
void TAdvHttp::SetRequestHeaders(TStrings* Value) { FRequestHeaders->Assign(Value); }
TStrings* TAdvHttp::AcceptTypes() const { return FAcceptTypes.get(); }
void TAdvHttp::SetAcceptTypes(TStrings* Value) { FAcceptTypes->Assign(Value); }

AnsiString TAdvHttp::Text() const {
    const char* data = static_cast<const char*>(FResponseBody->Memory());
    const auto size = static_cast<std::size_t>(FResponseBody->Size());
    return AnsiString(data, std::find(data, data + size, '\0'));
}

void TAdvHttp::SetText(const AnsiString& Value) {
    FRequestBody->Clear();
    FRequestBody->Write(Value.data(), static_cast<LongInt>(Value.size()));
}

void TAdvHttp::SetInternetFlags(TInternetFlags Value) {
    FInternetFlags = Value;
    FRequestFlags = InternetFlagsWord(Value);
}

AnsiString TAdvHttp::ServerAddress() const {
    std::lock_guard lock(FTextLock);
    return FServerAddress;
}

AnsiString TAdvHttp::RedirectURL() const {
    std::lock_guard lock(FTextLock);
    return FRedirectURL;
}

bool TAdvHttp::Running() const { return FCurrent && !FCurrent->Finished(); }

THttpRequestOptions TAdvHttp::RequestOptions() const {
    THttpRequestOptions o;
    o.Method = FMethod;
    o.Url = RequestUrl(FSSL, FHostName, FPort, FURLPath, FExtraInfo);
    for (int i = 0; i < FRequestHeaders->Count(); ++i) o.Headers.push_back(FRequestHeaders->Strings(i));
    if (FInternetFlags.Contains(ifPragmaNoCache)) o.Headers.push_back("Pragma: no-cache");
    for (int i = 0; i < FAcceptTypes->Count() && o.AcceptTypes.size() < kMaxAcceptTypes; ++i) {
        if (FAcceptTypes->Strings(i).empty()) break;
        o.AcceptTypes.push_back(FAcceptTypes->Strings(i));
    }
    o.Body.assign(static_cast<const char*>(FRequestBody->Memory()), static_cast<std::size_t>(FRequestBody->Size()));
    if (!FInternetFlags.Contains(ifNoAuth)) {
        o.UserName = FUserName;
        o.Password = FPassword;
    }
    o.ProxyUserName = FProxyUserName;
    o.ProxyPassword = FProxyPassword;
    o.ConnectTimeout = static_cast<Cardinal>(std::max(0, FConnectTimeout));
    o.LowSpeedLimit = FLowSpeedLimit;
    o.LowSpeedTime = FLowSpeedTime;
    o.FollowRedirects = !FInternetFlags.Contains(ifNoAutoRedirect);
    o.RedirectToHttp = FInternetFlags.Contains(ifIgnoreRedirectToHttp);
    o.RedirectToHttps = FInternetFlags.Contains(ifIgnoreRedirectToHttps);
    o.VerifyHostName = !FInternetFlags.Contains(ifIgnoreCertCnInvalid);
    o.KeepConnection = FInternetFlags.Contains(ifKeepConnection);
    return o;
}

void TAdvHttp::ReportError(TAdvHttpRun* Run, Integer Code, bool Raise) {
    if (Run && !Run->Attached()) return;
    FLastError = Code;
    if (Code == 0) return;
    if (Run)
        Run->Fire(&TAdvHttp::OnError);
    else
        FireEvent(OnError, this);
    if (Raise) throw EInetError(HttpErrorText(Code));
}

void TAdvHttp::ReapWorkers(bool All) {
    std::erase_if(FRuns, [&](const std::unique_ptr<TAdvHttpRun>& run) {
        if (run.get() == FCurrent && !All) return false;
        if (run.get() == FFiring) return false;  // it waits for the handler running now
        return All || run->Finished();
    });
}

bool TAdvHttp::Execute(bool Sync) {
    ReapWorkers(false);
    if (FCurrent && !FCurrent->Finished()) {
        // One request at a time: the running one is stopped and joined, or,
        // when this call comes from its own handler, let go to end by itself.
        FCurrent->Detach();
        FCurrent->Abort();
        if (FCurrent != FFiring) FCurrent->Join();
    }
    FCurrent = nullptr;
    ReapWorkers(false);

    FLastError = 0;
    FStatusCode = 0;
    FBytesSent = FResponseBytes = FResponseBytesTotal = 0;
    FChunkSize = FChunkPosition = FReceivedBytes = 0;
    FResponseBody->Clear();
    FResponseHeaders->Clear();
    if (!FSession) FSession = std::make_shared<THttpSession>(FUserAgent, FProxy);
    auto run = std::make_unique<TAdvHttpRun>(this, FSession, RequestOptions(), Sync);
    run->NoteHandlers();
    FCurrent = run.get();
    FRuns.push_back(std::move(run));
    if (!Sync) {
        FCurrent->Start();
        return true;
    }
    try {
        FCurrent->Perform();
    } catch (const EInetError&) {
        if (FRaiseExceptions) throw;
        return false;
    }
    return FLastError == 0;
}

void TAdvHttp::Abort() {
    if (FCurrent && !FCurrent->Finished()) FCurrent->Abort();
}

VEMLOR_PUBLISHED(TAdvHttp, TComponent) {
    Prop("ConnectTimeout", &TAdvHttp::ConnectTimeout, &TAdvHttp::SetConnectTimeout);
    Prop("RaiseExceptions", &TAdvHttp::RaiseExceptions, &TAdvHttp::SetRaiseExceptions);
    Prop("UserAgent", &TAdvHttp::UserAgent, &TAdvHttp::SetUserAgent);
    Prop("Proxy", &TAdvHttp::Proxy, &TAdvHttp::SetProxy);
    Prop("SSL", &TAdvHttp::SSL, &TAdvHttp::SetSSL);
    Prop("URL", &TAdvHttp::URL, &TAdvHttp::SetURL);
    Prop("URLPath", &TAdvHttp::URLPath, &TAdvHttp::SetURLPath);
    Prop("ExtraInfo", &TAdvHttp::ExtraInfo, &TAdvHttp::SetExtraInfo);
    Prop("Port", &TAdvHttp::Port, &TAdvHttp::SetPort);
    Prop("UserName", &TAdvHttp::UserName, &TAdvHttp::SetUserName);
    Prop("Password", &TAdvHttp::Password, &TAdvHttp::SetPassword);
    Prop("ProxyUserName", &TAdvHttp::ProxyUserName, &TAdvHttp::SetProxyUserName);
    Prop("ProxyPassword", &TAdvHttp::ProxyPassword, &TAdvHttp::SetProxyPassword);
    Prop("HostName", &TAdvHttp::HostName, &TAdvHttp::SetHostName);
    Prop("DefaultUi", &TAdvHttp::DefaultUi, &TAdvHttp::SetDefaultUi);
    Prop("RequestHeaders", &TAdvHttp::RequestHeaders, &TAdvHttp::SetRequestHeaders);
    Prop("AcceptTypes", &TAdvHttp::AcceptTypes, &TAdvHttp::SetAcceptTypes);
    Prop("Method", &TAdvHttp::Method, &TAdvHttp::SetMethod);
    Prop("AuthRetries", &TAdvHttp::AuthRetries, &TAdvHttp::SetAuthRetries);
    Prop("InternetFlags", &TAdvHttp::InternetFlags, &TAdvHttp::SetInternetFlags);
    EventProp("OnClosingConnection", &TAdvHttp::OnClosingConnection);
    EventProp("OnConnectedToServer", &TAdvHttp::OnConnectedToServer);
    EventProp("OnConnectingToServer", &TAdvHttp::OnConnectingToServer);
    EventProp("OnConnectionClosed", &TAdvHttp::OnConnectionClosed);
    EventProp("OnIntermediateResponse", &TAdvHttp::OnIntermediateResponse);
    EventProp("OnNameResolved", &TAdvHttp::OnNameResolved);
    EventProp("OnReceivingResponse", &TAdvHttp::OnReceivingResponse);
    EventProp("OnResponseReceived", &TAdvHttp::OnResponseReceived);
    EventProp("OnRedirect", &TAdvHttp::OnRedirect);
    EventProp("OnRequestComplete", &TAdvHttp::OnRequestComplete);
    EventProp("OnRequestSent", &TAdvHttp::OnRequestSent);
    EventProp("OnResolvingName", &TAdvHttp::OnResolvingName);
    EventProp("OnSendingRequest", &TAdvHttp::OnSendingRequest);
    EventProp("OnStateChange", &TAdvHttp::OnStateChange);
    EventProp("OnDataAvailable", &TAdvHttp::OnDataAvailable);
    EventProp("OnNeedAuth", &TAdvHttp::OnNeedAuth);
    EventProp("OnNeedProxyAuth", &TAdvHttp::OnNeedProxyAuth);
    EventProp("OnError", &TAdvHttp::OnError);
}
VEMLOR_REGISTER_CLASS(TAdvHttp);
