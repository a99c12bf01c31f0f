#include "core/CallerLib.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "core/Language.h"
#include "core/Msgdlg.h"
#include "platform/os/DynLib.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

namespace {

struct TBinding {
    TDynLib Mac;
    TDynLib Caller;
    TCallerEntries Entries;
    AnsiString LastError;
};

TBinding& Binding() {
    static TBinding binding;
    return binding;
}

template <class F>
bool Resolve(TDynLib& library, const char* name, F& target, AnsiString& error) {
    target = library.Proc<F>(name);
    if (!target && error.empty()) error = library.LastError();
    return target != nullptr;
}

template <class F>
F Entry(F entry, const char* name) {
    if (!entry) throw Exception(AnsiString("The library entry ") + name + " is not bound");
    return entry;
}

}  // namespace

bool LoadCallerLibraries() {
    FreeCallerLibraries();
    TBinding& binding = Binding();
    TDynLib mac, caller;
    TCallerEntries entries;
    AnsiString error;
    bool ok = mac.Load("mac.dll");
    if (!ok) error = mac.LastError();
    if (ok) {
        ok = caller.Load("caller.dll");
        if (!ok) error = caller.LastError();
    }
    if (ok) {
        // Each entry is tried in turn; the error names the first one missing.
        ok = Resolve(caller, "Caller_PortOpen", entries.Caller_PortOpen, error);
        ok = Resolve(caller, "Caller_PortClose", entries.Caller_PortClose, error) && ok;
        ok = Resolve(caller, "Caller_Connect", entries.Caller_Connect, error) && ok;
        ok = Resolve(caller, "Caller_Disconnect", entries.Caller_Disconnect, error) && ok;
        ok = Resolve(caller, "Caller_WaitDisconnect", entries.Caller_WaitDisconnect, error) && ok;
        ok = Resolve(caller, "Caller_SendFile", entries.Caller_SendFile, error) && ok;
        ok = Resolve(caller, "Caller_Dir", entries.Caller_Dir, error) && ok;
        ok = Resolve(caller, "Caller_ReceiveFile", entries.Caller_ReceiveFile, error) && ok;
        ok = Resolve(caller, "Caller_WriteReadPort", entries.Caller_WriteReadPort, error) && ok;
        ok = Resolve(mac, "mac_file", entries.mac_file, error) && ok;
    }
    if (!ok) {
        binding.LastError = error;
        mac.Free();
        caller.Free();
        LocalMessageDlg(LangText("DLLLoadFailed", "Napodařilo se načíst systémovou knohovnu. Program bude ukončen."),
                        mtError, {mbOK}, 0);
        return false;
    }
    binding.Mac = std::move(mac);
    binding.Caller = std::move(caller);
    binding.Entries = entries;
    binding.LastError.clear();
    return true;
}

bool FreeMacLibrary() {
    TBinding& binding = Binding();
    // The entry points into the unloaded library, so it goes whatever happens.
    binding.Entries.mac_file = nullptr;
    return binding.Mac.Free();
}

void FreeCallerLibraries() {
    TBinding& binding = Binding();
    binding.Entries = TCallerEntries();
    binding.Caller.Free();
    binding.Mac.Free();
}

const TCallerEntries& CallerEntries() {
    return Binding().Entries;
}

AnsiString CallerLibraryError() {
    return Binding().LastError;
}

Integer Caller_PortOpen(Integer& handle, Integer port) {
    return Entry(CallerEntries().Caller_PortOpen, "Caller_PortOpen")(&handle, port);
}

Integer Caller_PortClose(Integer handle, Integer flag) {
    return Entry(CallerEntries().Caller_PortClose, "Caller_PortClose")(handle, flag);
}

Integer Caller_Connect(Integer handle, const AnsiString& lineIdentity, const AnsiString& dialNumber,
                       Integer dialMode, Integer tariff, TCallerAbortProc abort) {
    return Entry(CallerEntries().Caller_Connect, "Caller_Connect")(handle, lineIdentity.c_str(), dialNumber.c_str(),
                                                                    dialMode, tariff, abort);
}

Integer Caller_Disconnect() {
    return Entry(CallerEntries().Caller_Disconnect, "Caller_Disconnect")();
}

Integer Caller_WaitDisconnect(Integer handle, TCallerAbortProc abort) {
    return Entry(CallerEntries().Caller_WaitDisconnect, "Caller_WaitDisconnect")(handle, abort);
}

// The program builds paths such as "Mmf\\a.mmf" with backslashes; the
// libraries take them in the system's form. The remote name of a receive is
// the centre's, not a path, and goes as it is.
Integer Caller_SendFile(Integer handle, const AnsiString& path, Integer kind, TCallerAbortProc abort) {
    return Entry(CallerEntries().Caller_SendFile, "Caller_SendFile")(handle, NormalizePath(path).c_str(), kind,
                                                                      abort);
}

Integer Caller_Dir(Integer handle, const AnsiString& listPath, Integer kind) {
    return Entry(CallerEntries().Caller_Dir, "Caller_Dir")(handle, NormalizePath(listPath).c_str(), kind);
}

Integer Caller_ReceiveFile(Integer handle, const AnsiString& remoteName, const AnsiString& localPath, Integer kind,
                           TCallerAbortProc abort) {
    return Entry(CallerEntries().Caller_ReceiveFile, "Caller_ReceiveFile")(
        handle, remoteName.c_str(), NormalizePath(localPath).c_str(), kind, abort);
}

Integer Caller_WriteReadPort(Integer handle, const AnsiString& command, AnsiString& answer, Integer length,
                             Integer timeoutMs) {
    TCallerWriteReadPortProc entry = Entry(CallerEntries().Caller_WriteReadPort, "Caller_WriteReadPort");
    length = std::max<Integer>(length, 0);
    // One byte more than promised, always zero, ends the text should the
    // library fill the whole buffer.
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    Integer result = entry(handle, command.c_str(), buffer.data(), length, timeoutMs);
    answer.assign(buffer.data(), ::strnlen(buffer.data(), static_cast<std::size_t>(length)));
    return result;
}

Integer mac_file(const AnsiString& path, Cardinal& number) {
    number = 0;
    return Entry(CallerEntries().mac_file, "mac_file")(NormalizePath(path).c_str(), &number);
}
