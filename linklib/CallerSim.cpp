// Stand-in for the link library: instead of a modem and a telephone line it
// plays the scenario of Scenario.h against a message centre kept in a folder,
// and writes one line per call into the call log:
//
//   Caller_Connect(3, "420603123456", "0900123456", 0, 2, abort) = 10
//   Caller_SendFile(3, "/prog/Mmf/a.mmf", 0, null) = 12; hung up at poll 2
//
// Texts are quoted with \" \\ \r \n \t and \xNN for other control bytes; an
// abort callback is logged as "abort", a missing one as "null".
//
// A call, as the program makes it, and the session's states:
//   closed    -> open       [Caller_PortOpen]   2: port missing or taken, 2006: bad scenario
//   open      -> connected  [Caller_Connect]    10: busy, 17: no modem, 26: no number
//   connected -> open       [Caller_WaitDisconnect, Caller_Disconnect, a hang-up, codes 11 and 40]
//   any       -> closed     [Caller_PortClose]
// An entry that needs the line while it is down returns 11.
//
// Every entry with an abort callback polls it first, before it looks at the
// line, and then before each tick of its work; a nonzero answer ends the
// entry with 12 and drops the line. Polling first means a hang-up ends every
// entry it reaches with 12, the retries after a hung-up transfer included,
// never with the 11 of a line that is merely down. A file being sent or
// received is written piece by piece, one piece per tick, to
// "<target>.part", and renamed over the target only when whole, so a hang-up
// never leaves half a file in the inbox or at the local path.
//
// CODE   MEANING
// 2003   Caller_Dir: the folder holds no file
// 2004   Caller_ReceiveFile: the centre has no such file
// 2005   a local file cannot be written
// 2006   a bad argument: unknown handle, kind or mode, missing text, a remote
//        name that is not a plain file name, or an unreadable scenario
// The other codes are the ones the program knows (2, 10, 11, 12, 16, 17, 26, 28).

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

#include "linklib/Cp1250.h"
#include "linklib/Scenario.h"

#define CALLER_EXPORT extern "C" __attribute__((visibility("default")))

using TAbortProc = std::int32_t (*)(void*);

namespace fs = std::filesystem;
using namespace linklib;

namespace {

enum : std::int32_t {
    kOk = 0,
    kPortOpen = 2,
    kBusy = 10,
    kNoCarrier = 11,
    kUserBreak = 12,
    kSendFile = 16,
    kNoAnswer = 17,
    kDial = 26,
    kTimeOut = 28,
    kNothingToList = 2003,
    kNoRemoteFile = 2004,
    kLocalFile = 2005,
    kBadArgument = 2006,
};

struct TSession {
    bool Open = false;
    bool Connected = false;
    std::int32_t Handle = 0;
    int Port = 0;
    int Dials = 0;
    std::map<std::string, int> Calls;
};

std::mutex Lock;
TScenario Scenario;
TSession Session;
std::string LogFile;

std::string ScenarioFile() {
    const char* path = std::getenv("VEMLOR_CENTRE");
    // The program makes its folder the current one before it opens the port.
    return path && *path ? std::string(path) : std::string("caller.ini");
}

std::string Quote(const char* text) {
    if (!text) return "null";
    std::string result = "\"";
    for (const char* p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        switch (c) {
            case '"': result += "\\\""; break;
            case '\\': result += "\\\\"; break;
            case '\r': result += "\\r"; break;
            case '\n': result += "\\n"; break;
            case '\t': result += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", c);
                    result += hex;
                } else {
                    result += static_cast<char>(c);
                }
        }
    }
    return result + "\"";
}

void WriteLog(const std::string& line) {
    std::string file = LogFile.empty() ? FolderOf(ScenarioFile()) + "caller.log" : LogFile;
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out << line << '\n';
}

// One entry's run: counts the call, applies the scenario's delay and
// failure, polls the abort callback and logs the call with its result.
class TCall {
public:
    TCall(const char* entry, std::string arguments) : FEntry(entry), FArguments(std::move(arguments)) {
        FNumber = ++Session.Calls[FEntry];
    }
    ~TCall() {
        std::string note = FHeldAt.empty() ? FNote : "held at " + FHeldAt + (FNote.empty() ? "" : ", " + FNote);
        WriteLog("Caller_" + FEntry + "(" + FArguments + ") = " + std::to_string(FResult) +
                 (note.empty() ? "" : "; " + note));
    }

    std::int32_t Result(std::int32_t code, std::string note = {}) {
        FResult = code;
        if (!note.empty()) FNote = std::move(note);
        return code;
    }
    int Ticks() const { return Scenario.Lookup(Scenario.Delays, FEntry, FNumber, 0); }
    // The code the scenario makes this call fail with, or 0.
    int Failure() const { return Scenario.Lookup(Scenario.Failures, FEntry, FNumber, 0); }
    // The scenario lets this call answer 0 without writing its local file:
    // 0 no, 1 removing what was there, 2 leaving the path untouched.
    int NoFile() const { return Scenario.Lookup(Scenario.NoFiles, FEntry, FNumber, 0); }

    // One tick of work: false when the user hung up (the line is dropped).
    bool Poll(TAbortProc abort) {
        if (FPolledAhead) {
            FPolledAhead = false;  // PollFirst asked for this tick already
            return true;
        }
        if (HungUp(abort)) return false;
        if (Scenario.TickMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(Scenario.TickMs));
        return true;
    }
    // The first tick's poll, made before the entry looks at the line.
    bool PollFirst(TAbortProc abort) {
        if (!Poll(abort)) return false;
        FPolledAhead = true;
        return true;
    }
    // Waits at the scenario's gate for this call, if it has one: the gate
    // file is created and the call polls its callback until the file is
    // deleted (true) or the user hangs up (false; the file is removed).
    bool Hold(TAbortProc abort) {
        std::string gate = Scenario.Lookup(Scenario.Holds, FEntry, FNumber, std::string());
        if (gate.empty()) return true;
        const std::string path = FolderOf(Scenario.FileName) + gate;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << FEntry << "." << FNumber << "\n";
        FHeldAt = gate;
        std::error_code ignored;
        while (fs::exists(path, ignored)) {
            if (HungUp(abort)) {
                fs::remove(path, ignored);
                return false;
            }
            // The library's own pace while held; the test never waits on it.
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return true;
    }
    // Runs the delay's ticks, polling before each; false on a hang-up.
    bool Wait(TAbortProc abort) {
        int ticks = std::max(1, Ticks());
        for (int i = 0; i < ticks; ++i) {
            if (!Poll(abort)) return false;
        }
        return true;
    }
    // The scenario's failure for this call, dropping the line for the codes
    // that mean it was lost.
    std::int32_t Fail(int code) {
        if (code == 11 || code == 40) Session.Connected = false;
        return Result(code, "scenario failure");
    }

private:
    bool HungUp(TAbortProc abort) {
        ++FPolls;
        if (!abort || abort(nullptr) == 0) return false;
        Session.Connected = false;
        FNote = "hung up at poll " + std::to_string(FPolls);
        return true;
    }

    std::string FEntry;
    std::string FArguments;
    int FNumber = 0;
    int FPolls = 0;
    bool FPolledAhead = false;
    std::string FHeldAt;  // the gate the call waited at
    std::int32_t FResult = 0;
    std::string FNote;
};

std::string Args() { return {}; }
template <class T, class... R>
std::string Args(const T& first, const R&... rest) {
    std::string head;
    if constexpr (std::is_same_v<T, const char*> || std::is_same_v<T, char*>) head = Quote(first);
    else if constexpr (std::is_same_v<T, TAbortProc>) head = first ? "abort" : "null";
    else head = std::to_string(first);
    std::string tail = Args(rest...);
    return tail.empty() ? head : head + ", " + tail;
}

bool ValidHandle(std::int32_t handle) { return Session.Open && handle == Session.Handle; }

std::string KindFolder(std::int32_t kind) {
    switch (kind) {
        case 2: return Scenario.CentreFolder + "notifications/";
        case 3: return Scenario.CentreFolder + "tariffs/";
        case 5: return Scenario.CentreFolder + "programs/";
        default: return {};
    }
}

// Writes `target` through "<target>.part": `write` fills the stream and
// returns 0, or a code that ends the call; the target appears only when the
// part file was written whole, and a part file never stays behind.
template <class Write>
std::int32_t WriteThroughPart(TCall& call, const std::string& target, Write write, std::string note = {}) {
    const std::string part = target + ".part";
    std::error_code ignored;
    std::int32_t code = kOk;
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        if (!out) return call.Result(kLocalFile, "cannot write " + part);
        code = write(out);
        out.close();
        if (code == kOk && !out) {
            fs::remove(part, ignored);
            return call.Result(kLocalFile, "cannot write " + part);
        }
    }
    if (code != kOk) {
        fs::remove(part, ignored);
        return call.Result(code);
    }
    std::error_code error;
    fs::rename(part, target, error);
    if (error) {
        fs::remove(part, ignored);
        return call.Result(kLocalFile, "cannot rename to " + target);
    }
    return call.Result(kOk, std::move(note));
}

// Copies source to target one piece per tick, polling before each piece.
std::int32_t CopyInPieces(TCall& call, const std::string& source, const std::string& target, TAbortProc abort,
                          std::int32_t unreadable) {
    std::ifstream in(source, std::ios::binary);
    if (!in) return call.Result(unreadable, "cannot read " + source);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return call.Result(unreadable, "cannot read " + source);
    return WriteThroughPart(call, target, [&](std::ofstream& out) {
        std::size_t pieces = static_cast<std::size_t>(std::max(1, call.Ticks()));
        for (std::size_t i = 0; i < pieces; ++i) {
            if (!call.Poll(abort)) return std::int32_t{kUserBreak};
            std::size_t from = bytes.size() * i / pieces, to = bytes.size() * (i + 1) / pieces;
            out.write(bytes.data() + from, static_cast<std::streamsize>(to - from));
            out.flush();
        }
        return std::int32_t{kOk};
    });
}

// The scenario's "no file": the call answers 0 and writes nothing. Mode 1
// makes sure no local file is there; mode 2 does not look, as a library
// that trusts its caller to have made the file would.
std::int32_t AnswerWithoutFile(TCall& call, const std::string& target, int mode) {
    if (mode == 2) return call.Result(kOk, "local path left untouched");
    std::error_code ignored;
    fs::remove(target, ignored);
    return call.Result(kOk, "no local file written");
}

}  // namespace

CALLER_EXPORT std::int32_t Caller_PortOpen(std::int32_t* handle, std::int32_t port) {
    std::lock_guard guard(Lock);
    if (Session.Open) {
        // The port of the open session stays untouched; only the log learns.
        TCall call("PortOpen", Args(port));
        return call.Result(kPortOpen, "port " + std::to_string(Session.Port) + " is still open");
    }
    Session = TSession();
    std::string error;
    bool read = ReadScenario(ScenarioFile(), Scenario, error);
    LogFile = Scenario.LogFile;
    TCall call("PortOpen", Args(port));
    if (!handle) return call.Result(kBadArgument, "no handle to fill");
    *handle = 0;
    if (!read) return call.Result(kBadArgument, error);
    if (port < 1 || port > 8 || !(Scenario.Ports & (1u << port))) return call.Result(kPortOpen);
    call.Hold(nullptr);
    if (int code = call.Failure()) return call.Fail(code);
    Session.Open = true;
    Session.Port = port;
    Session.Handle = port;
    *handle = Session.Handle;
    return call.Result(kOk, "handle " + std::to_string(Session.Handle));
}

CALLER_EXPORT std::int32_t Caller_PortClose(std::int32_t handle, std::int32_t flag) {
    std::lock_guard guard(Lock);
    TCall call("PortClose", Args(handle, flag));
    if (!ValidHandle(handle)) return call.Result(kBadArgument, "no such handle");
    call.Hold(nullptr);
    Session.Open = false;
    Session.Connected = false;
    if (int code = call.Failure()) return call.Fail(code);
    return call.Result(kOk);
}

CALLER_EXPORT std::int32_t Caller_Connect(std::int32_t handle, const char* lineIdentity, const char* dialNumber,
                                          std::int32_t dialMode, std::int32_t tariff, TAbortProc abort) {
    std::lock_guard guard(Lock);
    TCall call("Connect", Args(handle, lineIdentity, dialNumber, dialMode, tariff, abort));
    if (!ValidHandle(handle) || !lineIdentity || !dialNumber || (dialMode != 0 && dialMode != 1))
        return call.Result(kBadArgument);
    if (!call.PollFirst(abort)) return call.Result(kUserBreak);
    if (!(Scenario.Modems & (1u << Session.Port))) return call.Result(kNoAnswer);
    if (!*dialNumber) return call.Result(kDial, "no number to dial");
    if (!call.Hold(abort) || !call.Wait(abort)) return call.Result(kUserBreak);
    if (++Session.Dials <= Scenario.Busy) return call.Result(kBusy);
    if (int code = call.Failure()) return call.Fail(code);
    Session.Connected = true;
    return call.Result(kOk);
}

CALLER_EXPORT std::int32_t Caller_Disconnect() {
    std::lock_guard guard(Lock);
    TCall call("Disconnect", Args());
    call.Hold(nullptr);
    Session.Connected = false;
    if (int code = call.Failure()) return call.Fail(code);
    return call.Result(kOk);
}

CALLER_EXPORT std::int32_t Caller_WaitDisconnect(std::int32_t handle, TAbortProc abort) {
    std::lock_guard guard(Lock);
    TCall call("WaitDisconnect", Args(handle, abort));
    if (!ValidHandle(handle)) return call.Result(kBadArgument, "no such handle");
    if (!call.PollFirst(abort)) return call.Result(kUserBreak);
    if (!Session.Connected) return call.Result(kNoCarrier);
    if (!call.Hold(abort) || !call.Wait(abort)) return call.Result(kUserBreak);
    Session.Connected = false;
    if (int code = call.Failure()) return call.Fail(code);
    return call.Result(kOk);
}

CALLER_EXPORT std::int32_t Caller_SendFile(std::int32_t handle, const char* path, std::int32_t kind,
                                           TAbortProc abort) {
    std::lock_guard guard(Lock);
    TCall call("SendFile", Args(handle, path, kind, abort));
    if (!ValidHandle(handle) || !path || !*path || (kind != 0 && kind != 4)) return call.Result(kBadArgument);
    if (!call.PollFirst(abort)) return call.Result(kUserBreak);
    if (!Session.Connected) return call.Result(kNoCarrier);
    if (!call.Hold(abort)) return call.Result(kUserBreak);
    if (int code = call.Failure()) {
        if (!call.Wait(abort)) return call.Result(kUserBreak);
        return call.Fail(code);
    }
    std::string source = Cp1250ToUtf8(path);
    std::string inbox = Scenario.CentreFolder + "inbox/";
    std::error_code error;
    fs::create_directories(inbox, error);
    return CopyInPieces(call, source, inbox + fs::path(source).filename().string(), abort, kSendFile);
}

CALLER_EXPORT std::int32_t Caller_Dir(std::int32_t handle, const char* listPath, std::int32_t kind) {
    std::lock_guard guard(Lock);
    TCall call("Dir", Args(handle, listPath, kind));
    std::string folder = KindFolder(kind);
    if (!ValidHandle(handle) || !listPath || !*listPath || folder.empty()) return call.Result(kBadArgument);
    if (!Session.Connected) return call.Result(kNoCarrier);
    call.Hold(nullptr);
    // No callback to poll: the delay only passes.
    for (int i = 0; i < call.Ticks(); ++i) call.Poll(nullptr);
    if (int code = call.Failure()) return call.Fail(code);
    if (int mode = call.NoFile()) return AnswerWithoutFile(call, Cp1250ToUtf8(listPath), mode);
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored)) names.push_back(Utf8ToCp1250(it->path().filename().string()));
    }
    if (names.empty()) return call.Result(kNothingToList);
    std::sort(names.begin(), names.end());
    return WriteThroughPart(
        call, Cp1250ToUtf8(listPath),
        [&](std::ofstream& out) {
            for (const std::string& name : names) out << name << "\r\n";
            return std::int32_t{kOk};
        },
        std::to_string(names.size()) + " names");
}

CALLER_EXPORT std::int32_t Caller_ReceiveFile(std::int32_t handle, const char* remoteName, const char* localPath,
                                              std::int32_t kind, TAbortProc abort) {
    std::lock_guard guard(Lock);
    TCall call("ReceiveFile", Args(handle, remoteName, localPath, kind, abort));
    std::string folder = KindFolder(kind);
    if (!ValidHandle(handle) || !remoteName || !localPath || !*localPath || folder.empty())
        return call.Result(kBadArgument);
    // Nothing the centre hands out reaches outside its folder.
    if (!PlainFileName(remoteName)) return call.Result(kBadArgument, "not a plain file name");
    if (!call.PollFirst(abort)) return call.Result(kUserBreak);
    if (!Session.Connected) return call.Result(kNoCarrier);
    if (!call.Hold(abort)) return call.Result(kUserBreak);
    if (int code = call.Failure()) {
        if (!call.Wait(abort)) return call.Result(kUserBreak);
        return call.Fail(code);
    }
    if (int mode = call.NoFile()) {
        if (!call.Wait(abort)) return call.Result(kUserBreak);
        return AnswerWithoutFile(call, Cp1250ToUtf8(localPath), mode);
    }
    std::string source = folder + Cp1250ToUtf8(remoteName);
    std::error_code error;
    if (!fs::is_regular_file(source, error)) {
        if (!call.Wait(abort)) return call.Result(kUserBreak);
        return call.Result(kNoRemoteFile);
    }
    return CopyInPieces(call, source, Cp1250ToUtf8(localPath), abort, kNoRemoteFile);
}

CALLER_EXPORT std::int32_t Caller_WriteReadPort(std::int32_t handle, const char* command, char* answer,
                                                std::int32_t length, std::int32_t timeoutMs) {
    std::lock_guard guard(Lock);
    TCall call("WriteReadPort", Args(handle, command, length, timeoutMs));
    if (!ValidHandle(handle) || !command || !answer || length <= 0) return call.Result(kBadArgument);
    call.Hold(nullptr);
    for (int i = 0; i < call.Ticks(); ++i) call.Poll(nullptr);
    if (int code = call.Failure()) return call.Fail(code);
    // A port without a modem stays silent; the time-out is reported, not waited.
    if (!(Scenario.Modems & (1u << Session.Port))) return call.Result(kTimeOut);
    std::string command8 = command;
    bool at = command8.size() >= 2 && (command8[0] == 'A' || command8[0] == 'a') &&
              (command8[1] == 'T' || command8[1] == 't');
    std::string reply = at ? "OK\r\n" : "ERROR\r\n";
    std::size_t copied = std::min(reply.size(), static_cast<std::size_t>(length) - 1);
    reply.copy(answer, copied);
    answer[copied] = '\0';
    return call.Result(kOk, "answer " + Quote(answer));
}
