#include "platform/os/DynLib.h"

#include <dlfcn.h>

#include <utility>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

AnsiString LibraryFileName(const AnsiString& name) {
    AnsiString result = NormalizePath(name);
    if (SameText(ExtractFileExt(result), ".dll")) result = ChangeFileExt(result, ".so");
    if (result.find('/') == AnsiString::npos) result = ProgramFolder() + result;
    return result;
}

TDynLib::~TDynLib() {
    Free();
}

TDynLib::TDynLib(TDynLib&& other) noexcept
    : FHandle(std::exchange(other.FHandle, nullptr)),
      FFileName(std::move(other.FFileName)),
      FLastError(std::move(other.FLastError)) {}

TDynLib& TDynLib::operator=(TDynLib&& other) noexcept {
    if (this != &other) {
        Free();
        FHandle = std::exchange(other.FHandle, nullptr);
        FFileName = std::move(other.FFileName);
        FLastError = std::move(other.FLastError);
    }
    return *this;
}

static AnsiString TakeDlError() {
    const char* text = dlerror();
    return text ? AnsiString(text) : AnsiString("unknown error");
}

bool TDynLib::Load(const AnsiString& name) {
    Free();
    FFileName = LibraryFileName(name);
    FLastError.clear();
    if (FFileName.empty() || ExtractFileName(FFileName).empty()) {
        FLastError = "No library name given";
        return false;
    }
    // A relative folder still has a '/', so dlopen never searches the system.
    std::string sysName = SysFileName(FFileName);
    if (sysName.find('/') == std::string::npos) sysName = "./" + sysName;
    FHandle = dlopen(sysName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!FHandle) {
        FLastError = "Cannot load " + FFileName + ": " + TakeDlError();
        return false;
    }
    return true;
}

void* TDynLib::Symbol(const AnsiString& name) {
    if (!FHandle) {
        FLastError = "Cannot resolve " + name + ": no library loaded";
        return nullptr;
    }
    dlerror();
    void* address = dlsym(FHandle, name.c_str());
    if (!address) {
        FLastError = FFileName + " does not export " + name;
        return nullptr;
    }
    return address;
}

bool TDynLib::Free() {
    if (!FHandle) return false;
    void* handle = std::exchange(FHandle, nullptr);
    if (dlclose(handle) != 0) {
        FLastError = "Cannot unload " + FFileName + ": " + TakeDlError();
        return false;
    }
    return true;
}
