#pragma once
// The link library ("caller.dll": modem, dialling and file exchange with the
// message centre) and the logo library ("mac.dll": a number for a file), both
// outside the program, bound at start-up from the program folder. Every entry
// returns a 32-bit code, 0 for success; texts are zero-terminated Windows-1250
// strings; a connection is a 32-bit handle. Binding happens on the main
// thread before any call runs, so the call thread reads the entries unlocked.

#include <cstdint>

#include "platform/rtl/System.h"

extern "C" {
// Polled by the library while an operation runs; nonzero (the user hung up)
// ends the operation. The argument is not used.
typedef std::int32_t (*TCallerAbortProc)(void* unused);

// The exported entries, arguments in the library's order.
typedef std::int32_t (*TCallerPortOpenProc)(std::int32_t* handle, std::int32_t port);
typedef std::int32_t (*TCallerPortCloseProc)(std::int32_t handle, std::int32_t flag);
typedef std::int32_t (*TCallerConnectProc)(std::int32_t handle, const char* lineIdentity, const char* dialNumber,
                                           std::int32_t dialMode, std::int32_t tariff, TCallerAbortProc abort);
typedef std::int32_t (*TCallerDisconnectProc)();
typedef std::int32_t (*TCallerWaitDisconnectProc)(std::int32_t handle, TCallerAbortProc abort);
typedef std::int32_t (*TCallerSendFileProc)(std::int32_t handle, const char* path, std::int32_t kind,
                                            TCallerAbortProc abort);
typedef std::int32_t (*TCallerDirProc)(std::int32_t handle, const char* listPath, std::int32_t kind);
typedef std::int32_t (*TCallerReceiveFileProc)(std::int32_t handle, const char* remoteName, const char* localPath,
                                               std::int32_t kind, TCallerAbortProc abort);
typedef std::int32_t (*TCallerWriteReadPortProc)(std::int32_t handle, const char* command, char* answer,
                                                 std::int32_t length, std::int32_t timeoutMs);
typedef std::int32_t (*TMacFileProc)(const char* path, std::uint32_t* number);
}

struct TCallerEntries {
    TCallerPortOpenProc Caller_PortOpen = nullptr;
    TCallerPortCloseProc Caller_PortClose = nullptr;
    TCallerConnectProc Caller_Connect = nullptr;
    TCallerDisconnectProc Caller_Disconnect = nullptr;
    TCallerWaitDisconnectProc Caller_WaitDisconnect = nullptr;
    TCallerSendFileProc Caller_SendFile = nullptr;
    TCallerDirProc Caller_Dir = nullptr;
    TCallerReceiveFileProc Caller_ReceiveFile = nullptr;
    TCallerWriteReadPortProc Caller_WriteReadPort = nullptr;
    TMacFileProc mac_file = nullptr;
};

// Loads "mac.dll", then "caller.dll", and resolves all ten entries. When a
// library does not load or an entry is missing, shows "DLLLoadFailed" with an
// OK button, leaves nothing bound and returns false; the main window then
// closes. Binding again first releases what was bound before.
bool LoadCallerLibraries();
// Unloads "mac.dll"; false when it was not loaded or the system refused.
// mac_file is unbound afterwards either way.
bool FreeMacLibrary();
// Unloads both libraries (the end of the program, and tests).
void FreeCallerLibraries();
// The bound entries; null until bound.
const TCallerEntries& CallerEntries();
// Which library or entry the last failed binding missed, and why.
AnsiString CallerLibraryError();

// Calls through the bound entries. An entry that is not bound raises
// Exception naming it rather than jumping through a null pointer.
Integer Caller_PortOpen(Integer& handle, Integer port);
Integer Caller_PortClose(Integer handle, Integer flag);
Integer Caller_Connect(Integer handle, const AnsiString& lineIdentity, const AnsiString& dialNumber,
                       Integer dialMode, Integer tariff, TCallerAbortProc abort);
Integer Caller_Disconnect();
Integer Caller_WaitDisconnect(Integer handle, TCallerAbortProc abort);
Integer Caller_SendFile(Integer handle, const AnsiString& path, Integer kind, TCallerAbortProc abort);
Integer Caller_Dir(Integer handle, const AnsiString& listPath, Integer kind);
Integer Caller_ReceiveFile(Integer handle, const AnsiString& remoteName, const AnsiString& localPath, Integer kind,
                           TCallerAbortProc abort);
// The library fills a buffer of `length` bytes that this call owns, so the
// answer can never run past it, terminated or not; answer gets its text.
Integer Caller_WriteReadPort(Integer handle, const AnsiString& command, AnsiString& answer, Integer length,
                             Integer timeoutMs);
// number is 0 when the library could not read the file.
Integer mac_file(const AnsiString& path, Cardinal& number);
