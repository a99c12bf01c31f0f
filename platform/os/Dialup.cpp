#include "platform/os/Dialup.h"

#include <ifaddrs.h>
#include <net/if.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "platform/os/Process.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"

namespace {

struct TSources {
    std::mutex Lock;
    std::function<std::vector<TNetInterface>()> Interfaces;
    std::function<bool()> Proxy;
};

TSources& Sources() {
    static TSources* sources = new TSources;
    return *sources;
}

std::vector<TNetInterface> SystemInterfaces() {
    std::vector<TNetInterface> result;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return result;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        const AnsiString name = Utf8ToAnsi(a->ifa_name ? a->ifa_name : "");
        // One entry per interface, though it has an address per family.
        bool seen = false;
        for (const TNetInterface& i : result) seen = seen || i.Name == name;
        if (seen) continue;
        TNetInterface i;
        i.Name = name;
        i.Up = (a->ifa_flags & IFF_UP) && (a->ifa_flags & IFF_RUNNING);
        i.Loopback = a->ifa_flags & IFF_LOOPBACK;
        i.PointToPoint = (a->ifa_flags & IFF_POINTOPOINT) || name.rfind("ppp", 0) == 0;
        result.push_back(i);
    }
    freeifaddrs(list);
    return result;
}

}  // namespace

std::vector<TNetInterface> ListNetInterfaces() {
    std::function<std::vector<TNetInterface>()> source;
    {
        std::lock_guard lock(Sources().Lock);
        source = Sources().Interfaces;
    }
    return source ? source() : SystemInterfaces();
}

void SetNetInterfaceSource(std::function<std::vector<TNetInterface>()> Source) {
    std::lock_guard lock(Sources().Lock);
    Sources().Interfaces = std::move(Source);
}

bool ProxyConfigured() {
    std::function<bool()> source;
    {
        std::lock_guard lock(Sources().Lock);
        source = Sources().Proxy;
    }
    if (source) return source();
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

void SetProxyConfiguredSource(std::function<bool()> Source) {
    std::lock_guard lock(Sources().Lock);
    Sources().Proxy = std::move(Source);
}

Integer GetInternetConnectedState() {
    Integer flags = 0;
    for (const TNetInterface& i : ListNetInterfaces()) {
        if (!i.Up || i.Loopback) continue;
        flags |= i.PointToPoint ? ncModem : ncLan;
    }
    if (flags != 0 && ProxyConfigured()) flags |= ncProxy;
    return flags;
}

// ---------------------------------------------------------------------------

TDialupService::TDialupService(const AnsiString& SettingsFile) {
    TIniFile ini(SettingsFile);
    FDial = SplitCommandLine(ini.ReadString("Dialup", "Dial", ""));
    FHangUp = SplitCommandLine(ini.ReadString("Dialup", "HangUp", ""));
    const Integer seconds = ini.ReadInteger("Dialup", "Timeout", 60);
    // A day at most: the wait is in milliseconds of 32 bits.
    FTimeoutMs = static_cast<Cardinal>(std::clamp<Integer>(seconds, 1, 86400)) * 1000u;
}

namespace {

Integer RunCommand(const std::vector<AnsiString>& Command, const std::vector<AnsiString>& Extra, Cardinal TimeoutMs) {
    if (Command.empty()) return dialup_errors::CannotStart;
    std::vector<AnsiString> args(Command.begin() + 1, Command.end());
    args.insert(args.end(), Extra.begin(), Extra.end());
    const TProcessResult r = RunProcess(Command.front(), args, TimeoutMs);
    if (!r.Started) return dialup_errors::CannotStart;
    if (r.TimedOut) return dialup_errors::Timeout;
    return r.ExitCode == 0 ? 0 : dialup_errors::CommandFailed;
}

}  // namespace

Integer TDialupService::Dial() { return RunCommand(FDial, {}, FTimeoutMs); }

Integer TDialupService::EnumConnections(std::vector<TDialupConnection>& Connections, std::size_t Room) {
    Connections.clear();
    std::vector<TDialupConnection> found;
    for (const TNetInterface& i : ListNetInterfaces())
        if (i.PointToPoint && !i.Loopback) found.push_back({i.Name, i.Up});
    if (found.size() > Room) return dialup_errors::BufferTooSmall;
    Connections = std::move(found);
    return 0;
}

Integer TDialupService::HangUp(const TDialupConnection& Connection) {
    return RunCommand(FHangUp, {Connection.Name}, FTimeoutMs);
}

AnsiString TDialupService::ErrorText(Integer Code) {
    switch (Code) {
        case 0: return "The operation completed successfully.";
        case dialup_errors::CannotStart: return "The configured dial-up command cannot be started.";
        case dialup_errors::BufferTooSmall: return "The buffer is too small for all connections.";
        case dialup_errors::CommandFailed: return "The dial-up command failed.";
        case dialup_errors::Timeout: return "The dial-up command did not finish in time.";
        default: return Format("Dial-up error %d.", Code);
    }
}
