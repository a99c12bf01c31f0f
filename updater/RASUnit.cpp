#include "updater/RASUnit.h"

#include <memory>

#include "core/Language.h"
#include "core/Msgdlg.h"
#include "platform/rtl/FileUtils.h"

namespace {

// Room for listed connections when hanging up and when testing the link.
constexpr std::size_t kHangUpRoom = 11;
constexpr std::size_t kConnectedRoom = 100;

std::unique_ptr<TDialupService>& Library() {
    static std::unique_ptr<TDialupService> library;
    return library;
}

// The service, read on first use; nullptr when none is configured.
TDialupService* LoadLibrary() {
    if (!Library()) Library() = std::make_unique<TDialupService>(ProgramFolder() + "update.ini");
    return Library()->Available() ? Library().get() : nullptr;
}

}  // namespace

Integer DialInternet() {
    TDialupService* service = LoadLibrary();
    if (!service || !service->CanDial()) return 0;
    return service->Dial();
}

void HangUp() {
    TDialupService* service = LoadLibrary();
    if (!service) {
        LocalMessageDlg(LangText("RasapiFail", "Nepodařilo se načíst knihovnu RASAPI32.DLL."), mtError, {mbOK}, 0);
        return;
    }
    if (!service->CanHangUp()) return;
    if (const auto connection = GetActiveRasConnection()) service->HangUp(*connection);
}

std::optional<TDialupConnection> GetActiveRasConnection() {
    TDialupService* service = LoadLibrary();
    if (!service) return std::nullopt;
    std::vector<TDialupConnection> connections;
    const Integer error = TDialupService::EnumConnections(connections, kHangUpRoom);
    if (error != 0) {
        LocalMessageDlg(LangText("DisconnEr", "Chyba při odpojování") + " " + TDialupService::ErrorText(error),
                        mtError, {mbOK}, 0);
        return std::nullopt;
    }
    if (connections.empty()) return std::nullopt;
    return connections.front();
}

Integer GetConnectedState() { return GetInternetConnectedState(); }

bool IsRasConnected() {
    // A link brought up by other means than our commands is up all the same:
    // a machine online only through it must count as online.
    std::vector<TDialupConnection> connections;
    if (TDialupService::EnumConnections(connections, kConnectedRoom) != 0) return false;
    for (const TDialupConnection& c : connections)
        if (c.Connected) return true;
    return false;
}

void FreeRasLibrary() { Library().reset(); }
