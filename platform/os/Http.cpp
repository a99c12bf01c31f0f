#include "platform/os/Http.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <exception>
#include <mutex>
#include <utility>

#include "platform/rtl/SysUtils.h"

using namespace http_errors;

namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

Integer MapCurlCode(CURLcode Code) {
    switch (Code) {
        case CURLE_OK: return 0;
        case CURLE_OPERATION_TIMEDOUT: return Timeout;
        case CURLE_URL_MALFORMAT: return InvalidUrl;
        case CURLE_UNSUPPORTED_PROTOCOL: return UnrecognizedScheme;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY: return NameNotResolved;
        case CURLE_ABORTED_BY_CALLBACK: return OperationCancelled;
        case CURLE_COULDNT_CONNECT: return CannotConnect;
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE: return ConnectionAborted;
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
        case CURLE_BAD_CONTENT_ENCODING: return InvalidServerResponse;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR: return InvalidCa;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_USE_SSL_FAILED: return SecureChannelError;
        case CURLE_TOO_MANY_REDIRECTS: return RedirectFailed;
        default: return InternalError;
    }
}

AnsiString TrimLineEnd(const char* Data, std::size_t Size) {
    while (Size > 0 && (Data[Size - 1] == '\n' || Data[Size - 1] == '\r')) --Size;
    return AnsiString(Data, Size);
}

}  // namespace

AnsiString HttpErrorText(Integer Code) {
    switch (Code) {
        case 0: return "The operation completed successfully";
        case Timeout: return "The operation timed out";
        case InternalError: return "An internal error occurred";
        case InvalidUrl: return "The URL is invalid";
        case UnrecognizedScheme: return "The URL does not use a recognized protocol";
        case NameNotResolved: return "The server name or address could not be resolved";
        case OperationCancelled: return "The operation was canceled";
        case CannotConnect: return "A connection with the server could not be established";
        case ConnectionAborted: return "The connection with the server was terminated abnormally";
        case InvalidCa: return "The certificate authority is invalid or incorrect";
        case InvalidServerResponse: return "The server returned an invalid or unrecognized response";
        case RedirectFailed: return "The redirection failed";
        case SecureChannelError: return "A secure channel error occurred";
        default: return Format("Internet error %d", Code);
    }
}

// ---------------------------------------------------------------------------
// Session: the shared cache of connections and names, used from the threads
// of its requests one at a time, but not always the same thread.

struct THttpSessionImpl {
    CURLSH* Share = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> Locks;

    static void Lock(CURL*, curl_lock_data Data, curl_lock_access, void* Self) {
        static_cast<THttpSessionImpl*>(Self)->Locks[Data].lock();
    }
    static void Unlock(CURL*, curl_lock_data Data, void* Self) {
        static_cast<THttpSessionImpl*>(Self)->Locks[Data].unlock();
    }
};

THttpSession::THttpSession(const AnsiString& UserAgent, const AnsiString& Proxy)
    : FUserAgent(UserAgent), FProxy(Proxy), FImpl(std::make_unique<THttpSessionImpl>()) {
    GlobalInit();
    FImpl->Share = curl_share_init();
    if (FImpl->Share) {
        curl_share_setopt(FImpl->Share, CURLSHOPT_LOCKFUNC, &THttpSessionImpl::Lock);
        curl_share_setopt(FImpl->Share, CURLSHOPT_UNLOCKFUNC, &THttpSessionImpl::Unlock);
        curl_share_setopt(FImpl->Share, CURLSHOPT_USERDATA, FImpl.get());
        curl_share_setopt(FImpl->Share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
        curl_share_setopt(FImpl->Share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
}

THttpSession::~THttpSession() {
    if (FImpl->Share) curl_share_cleanup(FImpl->Share);
}

// ---------------------------------------------------------------------------
// Request

struct THttpRequestImpl {
    THttpRequest* Owner = nullptr;
    THttpSession* Session = nullptr;
    THttpRequestOptions Options;
    CURLM* Multi = nullptr;
    CURL* Easy = nullptr;
    curl_slist* HeaderList = nullptr;
    bool Added = false;    // the easy handle is in the multi handle
    bool Sent = false;
    bool Done = false;
    bool Paused = false;
    CURLcode Result = CURLE_OK;
    std::atomic<bool> Aborted{false};
    // Abort wakes the transfer from another thread while Close may free it.
    std::mutex MultiLock;
    // The reader's wish; unread data beyond the larger of it and MaxBuffered
    // pauses the transfer.
    std::size_t Wanted = 1;
    Integer StatusCode = 0;
    std::vector<AnsiString> Headers;
    bool HeadersEnded = false;
    bool ReceivingNotified = false;
    // Body bytes received but not yet read; ReadPos marks what Read took.
    std::string Buffer;
    std::size_t ReadPos = 0;
    std::exception_ptr HandlerError;
    // The low-speed watch: bytes moved so far (body and headers in, request
    // out), and since when the current window counts.
    Int64 Received = 0;
    Int64 Uploaded = 0;
    Int64 WindowFrom = 0;
    std::chrono::steady_clock::duration Watched{};

    // The network library pauses the transfer beyond this much unread data,
    // so a slow reader never makes the buffer grow without bound.
    static constexpr std::size_t MaxBuffered = 256 * 1024;

    void Notify(THttpStatus Status, const AnsiString& Text = AnsiString(), Int64 Count = 0) {
        if (HandlerError || !Owner->OnStatus) return;
        // A handler's exception must not unwind through the network library;
        // it ends the transfer and is raised again by Send or Read.
        try {
            THttpStatusEvent handler = Owner->OnStatus;
            handler(Status, Text, Count);
        } catch (...) {
            HandlerError = std::current_exception();
        }
    }

    static size_t HeaderCallback(char* Data, size_t Size, size_t Count, void* Self) {
        auto* self = static_cast<THttpRequestImpl*>(Self);
        const size_t bytes = Size * Count;
        self->Received += static_cast<Int64>(bytes);
        AnsiString line = TrimLineEnd(Data, bytes);
        if (line.rfind("HTTP/", 0) == 0) {
            // Every answer starts its own header list: only the final one's stays.
            self->Headers.clear();
            self->HeadersEnded = false;
            if (!self->ReceivingNotified) {
                curl_off_t sent = 0;
                curl_easy_getinfo(self->Easy, CURLINFO_REQUEST_SIZE, &sent);
                self->Notify(hsRequestSent, AnsiString(), sent);
                self->Notify(hsReceivingResponse);
                self->ReceivingNotified = true;
            }
            self->Headers.push_back(line);
        } else if (line.empty()) {
            self->HeadersEnded = true;
            long code = 0;
            curl_easy_getinfo(self->Easy, CURLINFO_RESPONSE_CODE, &code);
            self->StatusCode = static_cast<Integer>(code);
            Int64 size = 0;
            for (const AnsiString& h : self->Headers) size += static_cast<Int64>(h.size()) + 2;
            self->Notify(hsResponseReceived, AnsiString(), size + 2);
            if (code >= 100 && code < 200) {
                self->Notify(hsIntermediateResponse);
            } else if (code >= 300 && code < 400 && self->Options.FollowRedirects) {
                const AnsiString target = self->RedirectTarget();
                if (!target.empty()) self->Notify(hsRedirect, target);
            }
        } else if (!self->HeadersEnded) {
            self->Headers.push_back(line);
        }
        return self->HandlerError ? 0 : bytes;
    }

    static size_t WriteCallback(char* Data, size_t Size, size_t Count, void* Self) {
        auto* self = static_cast<THttpRequestImpl*>(Self);
        const size_t bytes = Size * Count;
        if (self->Aborted) return 0;
        if (self->Buffer.size() - self->ReadPos >= std::max(MaxBuffered, self->Wanted)) {
            self->Paused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        self->Buffer.append(Data, bytes);
        self->Received += static_cast<Int64>(bytes);
        return bytes;
    }

    static curl_socket_t OpenSocket(void* Self, curlsocktype, curl_sockaddr* Address) {
        auto* self = static_cast<THttpRequestImpl*>(Self);
        self->Notify(hsNameResolved, AddressText(Address));
        self->Notify(hsConnectingToServer, AddressText(Address));
        if (self->HandlerError || self->Aborted) return CURL_SOCKET_BAD;
        return socket(Address->family, Address->socktype, Address->protocol);
    }

    static int Prereq(void* Self, char* ConnPrimaryIp, char*, int, int) {
        auto* self = static_cast<THttpRequestImpl*>(Self);
        self->Notify(hsConnectedToServer, ConnPrimaryIp ? ConnPrimaryIp : "");
        self->Notify(hsSendingRequest);
        return self->HandlerError || self->Aborted ? CURL_PREREQFUNC_ABORT : CURL_PREREQFUNC_OK;
    }

    static int Progress(void* Self, curl_off_t, curl_off_t, curl_off_t, curl_off_t UploadNow) {
        auto* self = static_cast<THttpRequestImpl*>(Self);
        self->Uploaded = std::max<Int64>(self->Uploaded, UploadNow);
        return self->Aborted || self->HandlerError ? 1 : 0;
    }

    // Adds the time since Since to the watch; true when a window has passed
    // with too few bytes moved in it.
    bool TooSlow(std::chrono::steady_clock::time_point& Since) {
        if (Options.LowSpeedTime == 0) return false;
        const auto now = std::chrono::steady_clock::now();
        Watched += now - Since;
        Since = now;
        const Int64 watched = std::chrono::duration_cast<std::chrono::milliseconds>(Watched).count();
        if (watched < static_cast<Int64>(Options.LowSpeedTime)) return false;
        const Int64 moved = Received + Uploaded - WindowFrom;
        if (moved * 1000 < static_cast<Int64>(Options.LowSpeedLimit) * watched) return true;
        WindowFrom = Received + Uploaded;
        Watched = {};
        return false;
    }
    // How long a wait for the network may last before the watch looks again.
    int PollTimeout() const {
        constexpr Int64 kMax = 1000;
        if (Options.LowSpeedTime == 0) return static_cast<int>(kMax);
        const Int64 left = static_cast<Int64>(Options.LowSpeedTime) -
                           std::chrono::duration_cast<std::chrono::milliseconds>(Watched).count();
        return static_cast<int>(std::clamp<Int64>(left, 1, kMax));
    }

    static AnsiString AddressText(const curl_sockaddr* Address);

    // The Location of the answer in hand, resolved against the address asked.
    AnsiString RedirectTarget() const {
        AnsiString location;
        for (const AnsiString& h : Headers)
            if (h.size() > 9 && SameText(h.substr(0, 9), "Location:")) location = Trim(h.substr(9));
        if (location.empty()) return location;
        char* base = nullptr;
        curl_easy_getinfo(Easy, CURLINFO_EFFECTIVE_URL, &base);
        CURLU* url = curl_url();
        AnsiString result;
        char* text = nullptr;
        if (url && base && curl_url_set(url, CURLUPART_URL, base, 0) == CURLUE_OK &&
            curl_url_set(url, CURLUPART_URL, location.c_str(), 0) == CURLUE_OK &&
            curl_url_get(url, CURLUPART_URL, &text, 0) == CURLUE_OK) {
            result = text;
            curl_free(text);
        }
        if (url) curl_url_cleanup(url);
        return result;
    }

    void Setup();
    // Drives the transfer until Ready() holds, the transfer ends or fails.
    bool Pump(const std::function<bool()>& Ready);
    void Remove() {
        if (Added) {
            curl_multi_remove_handle(Multi, Easy);
            Added = false;
        }
    }
};

AnsiString THttpRequestImpl::AddressText(const curl_sockaddr* Address) {
    char text[64] = {};
    if (Address->family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&Address->addr);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    } else if (Address->family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&Address->addr);
        inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    }
    return text;
}

void THttpRequestImpl::Setup() {
    CURL* e = Easy;
    const THttpRequestOptions& o = Options;
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_URL, o.Url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    const bool secure = o.Url.size() >= 8 && SameText(o.Url.substr(0, 8), "https://");
    AnsiString redirect = secure ? "https" : "http";
    if (secure && o.RedirectToHttp) redirect += ",http";
    if (!secure && o.RedirectToHttps) redirect += ",https";
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, redirect.c_str());
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, o.FollowRedirects ? 1L : 0L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, Session->UserAgent().c_str());
    if (!Session->Proxy().empty()) curl_easy_setopt(e, CURLOPT_PROXY, Session->Proxy().c_str());
    if (Session->FImpl->Share) curl_easy_setopt(e, CURLOPT_SHARE, Session->FImpl->Share);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(o.ConnectTimeout));
    curl_easy_setopt(e, CURLOPT_FORBID_REUSE, o.KeepConnection ? 0L : 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, o.VerifyHostName ? 2L : 0L);
    if (!o.UserName.empty()) {
        curl_easy_setopt(e, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
        curl_easy_setopt(e, CURLOPT_USERNAME, o.UserName.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, o.Password.c_str());
    }
    if (!o.ProxyUserName.empty()) {
        curl_easy_setopt(e, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
        curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, o.ProxyUserName.c_str());
        curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, o.ProxyPassword.c_str());
    }

    if (SameText(o.Method, "HEAD")) {
        curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    } else if (!o.Body.empty()) {
        curl_easy_setopt(e, CURLOPT_POSTFIELDS, o.Body.data());
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(o.Body.size()));
        if (!SameText(o.Method, "POST")) curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, o.Method.c_str());
    } else if (!SameText(o.Method, "GET")) {
        curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, o.Method.c_str());
    }

    if (!o.AcceptTypes.empty()) {
        AnsiString accept = "Accept: ";
        for (std::size_t i = 0; i < o.AcceptTypes.size(); ++i) accept += (i ? ", " : "") + o.AcceptTypes[i];
        HeaderList = curl_slist_append(HeaderList, accept.c_str());
    }
    for (const AnsiString& h : o.Headers)
        if (!h.empty() && h.find_first_of("\r\n") == AnsiString::npos)
            HeaderList = curl_slist_append(HeaderList, h.c_str());
    if (HeaderList) curl_easy_setopt(e, CURLOPT_HTTPHEADER, HeaderList);

    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &HeaderCallback);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &WriteCallback);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &OpenSocket);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &Prereq);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &Progress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
}

bool THttpRequestImpl::Pump(const std::function<bool()>& Ready) {
    auto since = std::chrono::steady_clock::now();
    while (!Done && !Ready()) {
        if (Aborted) return Owner->Fail(OperationCancelled);
        if (Paused && Buffer.size() - ReadPos < std::max(MaxBuffered, Wanted)) {
            Paused = false;
            curl_easy_pause(Easy, CURLPAUSE_CONT);
        }
        int running = 0;
        if (curl_multi_perform(Multi, &running) != CURLM_OK) return Owner->Fail(InternalError);
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(Multi, &left))
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == Easy) {
                Done = true;
                Result = msg->data.result;
            }
        if (HandlerError) {
            Remove();
            Done = true;
            Result = CURLE_ABORTED_BY_CALLBACK;
            Owner->Fail(OperationCancelled);
            std::rethrow_exception(std::exchange(HandlerError, nullptr));
        }
        if (Paused) {
            // Held back by the reader, not by the server.
            since = std::chrono::steady_clock::now();
        } else if (!Done && TooSlow(since)) {
            // Whatever came in before is still handed out first.
            Remove();
            Done = true;
            Result = CURLE_OPERATION_TIMEDOUT;
        }
        if (Done || Ready()) break;
        if (Paused) continue;
        curl_multi_poll(Multi, nullptr, 0, PollTimeout(), nullptr);
    }
    if (Aborted) return Owner->Fail(OperationCancelled);
    if (Done && Result != CURLE_OK) return Owner->Fail(MapCurlCode(Result));
    return true;
}

THttpRequest::THttpRequest(THttpSession& Session, THttpRequestOptions Options)
    : FImpl(std::make_unique<THttpRequestImpl>()) {
    GlobalInit();
    FImpl->Owner = this;
    FImpl->Session = &Session;
    FImpl->Options = std::move(Options);
}

THttpRequest::~THttpRequest() {
    OnStatus = nullptr;
    Close();
}

bool THttpRequest::Fail(Integer Code) {
    FLastError = Code;
    return false;
}

bool THttpRequest::Send() {
    THttpRequestImpl& r = *FImpl;
    FLastError = 0;
    if (r.Sent) return Fail(InternalError);
    if (r.Aborted) return Fail(OperationCancelled);
    {
        std::lock_guard lock(r.MultiLock);
        r.Multi = curl_multi_init();
    }
    r.Easy = curl_easy_init();
    if (!r.Multi || !r.Easy) return Fail(InternalError);
    r.Setup();
    r.Sent = true;
    r.Notify(hsResolvingName);
    if (curl_multi_add_handle(r.Multi, r.Easy) != CURLM_OK) return Fail(InternalError);
    r.Added = true;
    // The headers of the final answer are in once its first body byte has
    // arrived or the transfer has ended: the bodies of answers the network
    // library follows or authenticates past never reach the buffer.
    return r.Pump([&r] { return r.Buffer.size() > r.ReadPos; });
}

Integer THttpRequest::StatusCode() const { return FImpl->StatusCode; }

const std::vector<AnsiString>& THttpRequest::RawHeaders() const { return FImpl->Headers; }

AnsiString THttpRequest::EffectiveUrl() const {
    char* url = nullptr;
    if (FImpl->Easy) curl_easy_getinfo(FImpl->Easy, CURLINFO_EFFECTIVE_URL, &url);
    return url ? AnsiString(url) : FImpl->Options.Url;
}

bool THttpRequest::Read(void* Buffer, std::size_t Count, std::size_t& Received) {
    return Take(Buffer, Count, Count, Received);
}

bool THttpRequest::ReadSome(void* Buffer, std::size_t Count, std::size_t& Received) {
    return Take(Buffer, Count, std::min<std::size_t>(Count, 1), Received);
}

bool THttpRequest::Take(void* Buffer, std::size_t Count, std::size_t Least, std::size_t& Received) {
    THttpRequestImpl& r = *FImpl;
    Received = 0;
    FLastError = 0;
    if (!r.Sent || !r.Easy) return Fail(InternalError);
    r.Wanted = Count;
    const bool pumped = r.Pump([&r, Least] { return r.Buffer.size() - r.ReadPos >= Least; });
    // What arrived before a failure is handed out first; the failure stays
    // and answers the next Read. An abort drops it at once.
    if (!pumped && (r.Aborted || r.Buffer.size() == r.ReadPos)) return false;
    FLastError = 0;
    const std::size_t n = std::min(Count, r.Buffer.size() - r.ReadPos);
    if (n > 0) std::memcpy(Buffer, r.Buffer.data() + r.ReadPos, n);
    r.ReadPos += n;
    if (r.ReadPos > 1024 * 1024 || r.ReadPos == r.Buffer.size()) {
        r.Buffer.erase(0, r.ReadPos);
        r.ReadPos = 0;
    }
    Received = n;
    return true;
}

void THttpRequest::Abort() {
    FImpl->Aborted = true;
    // curl_multi_wakeup is the one call that is safe from another thread.
    std::lock_guard lock(FImpl->MultiLock);
    if (FImpl->Multi) curl_multi_wakeup(FImpl->Multi);
}

bool THttpRequest::Aborted() const { return FImpl->Aborted; }

void THttpRequest::Close() {
    THttpRequestImpl& r = *FImpl;
    if (!r.Easy && !r.Multi) return;
    if (r.Sent) r.Notify(hsClosingConnection);
    r.Remove();
    if (r.Easy) curl_easy_cleanup(r.Easy);
    if (r.HeaderList) curl_slist_free_all(r.HeaderList);
    r.Easy = nullptr;
    r.HeaderList = nullptr;
    {
        std::lock_guard lock(r.MultiLock);
        if (r.Multi) curl_multi_cleanup(std::exchange(r.Multi, nullptr));
    }
    if (r.Sent) r.Notify(hsConnectionClosed);
    r.HandlerError = nullptr;
}

AnsiString THttpRequest::LastErrorText() const { return HttpErrorText(FLastError); }
