#pragma once
// The updater's dial-up helpers: dial the default connection, hang up the
// active one, ask how the machine is online and whether a dial-up link is up.
// The dial-up service is the [Dialup] section of the updater's settings file
// (update.ini in the program folder), read on first use and kept for the run;
// without it the machine has no dial-up service, and dialling and hanging up
// say so as the program expects of a machine without the system's dial-up
// library. Whether a link is up is read from the interfaces either way.

#include <optional>

#include "platform/os/Dialup.h"
#include "platform/rtl/System.h"

// Runs the dial command and waits for it; 0 when there is none, else the
// service's result.
Integer DialInternet();
// Hangs up the first dial-up connection; "RasapiFail" without a service,
// "DisconnEr" when the connections cannot be listed.
void HangUp();
// The first listed dial-up connection; none (after "DisconnEr") when the
// list fails, and when there is none.
std::optional<TDialupConnection> GetActiveRasConnection();
// ncModem, ncLan and ncProxy as the machine is online now; 0 when offline.
Integer GetConnectedState();
// Some dial-up link is up, whoever brought it up.
bool IsRasConnected();

// Forgets the service read on first use, so the next call reads the settings
// file again (tests point the program folder elsewhere).
void FreeRasLibrary();
