#pragma once
// Network state and dial-up connections.
//
// The connected state comes from the network interfaces: an active
// point-to-point link (ppp, a mobile modem) counts as a modem connection, any
// other active interface but loopback as a LAN, and a proxy configured in the
// environment adds the proxy flag.
//
// Dialling and hanging up are left to commands the user configures in the
// program's settings file, because every system dials its own way:
//
//   [Dialup]
//   Dial=pon provider         started as a program with its arguments, no shell
//   HangUp=poff               the connection's interface name is added last
//   Timeout=60                seconds a command may take before it is killed
//
// A file without these commands has no dial-up service, the way a machine
// without the system's dial-up library has none. Whether a dial-up link is up
// is another matter: the interfaces tell, with or without the commands.

#include <functional>
#include <vector>

#include "platform/rtl/System.h"

// Connected-state flags.
constexpr Integer ncModem = 1;
constexpr Integer ncLan = 2;
constexpr Integer ncProxy = 4;

struct TNetInterface {
    AnsiString Name;
    bool Up = false;           // up and running
    bool Loopback = false;
    bool PointToPoint = false; // a dial-up link
};

// The interfaces of the machine; tests put a scripted list in their place
// (an empty function restores the real one).
std::vector<TNetInterface> ListNetInterfaces();
void SetNetInterfaceSource(std::function<std::vector<TNetInterface>()> Source);
// A proxy named in the environment (http_proxy and its kin); tests may
// override the answer (an empty function restores the real one).
bool ProxyConfigured();
void SetProxyConfiguredSource(std::function<bool()> Source);

// The flags above for the machine as it is now; 0 when offline.
Integer GetInternetConnectedState();

struct TDialupConnection {
    AnsiString Name;         // the interface
    bool Connected = false;  // up and running
};

// Error numbers of the dial-up service.
namespace dialup_errors {
constexpr Integer CannotStart = 2;      // the configured command cannot be run
constexpr Integer BufferTooSmall = 603; // more connections than room for them
constexpr Integer CommandFailed = 668;  // the command ended with a failure
constexpr Integer Timeout = 1460;       // the command was killed after the time-out
}  // namespace dialup_errors

class TDialupService {
public:
    // Reads the [Dialup] commands of the settings file; Available() tells
    // whether any is configured.
    explicit TDialupService(const AnsiString& SettingsFile);

    bool Available() const { return !FDial.empty() || !FHangUp.empty(); }
    bool CanDial() const { return !FDial.empty(); }
    bool CanHangUp() const { return !FHangUp.empty(); }

    // Runs the dial command and waits for it (at most the time-out); 0 when
    // it succeeded, else one of the error numbers above.
    Integer Dial();
    // The dial-up links (point-to-point interfaces), at most Room of them; 0,
    // or BufferTooSmall with nothing listed when there are more.
    static Integer EnumConnections(std::vector<TDialupConnection>& Connections, std::size_t Room);
    // Runs the hang-up command for the connection; 0 or an error number.
    Integer HangUp(const TDialupConnection& Connection);

    static AnsiString ErrorText(Integer Code);

private:
    std::vector<AnsiString> FDial;
    std::vector<AnsiString> FHangUp;
    Cardinal FTimeoutMs = 60000;
};
