#pragma once
// The built modules, loaded once per test binary with dlopen, and their
// entry points with the types the program binds.

#include <dlfcn.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using TAbortProc = std::int32_t (*)(void*);

struct TCallerModule {
    std::int32_t (*PortOpen)(std::int32_t*, std::int32_t);
    std::int32_t (*PortClose)(std::int32_t, std::int32_t);
    std::int32_t (*Connect)(std::int32_t, const char*, const char*, std::int32_t, std::int32_t, TAbortProc);
    std::int32_t (*Disconnect)();
    std::int32_t (*WaitDisconnect)(std::int32_t, TAbortProc);
    std::int32_t (*SendFile)(std::int32_t, const char*, std::int32_t, TAbortProc);
    std::int32_t (*Dir)(std::int32_t, const char*, std::int32_t);
    std::int32_t (*ReceiveFile)(std::int32_t, const char*, const char*, std::int32_t, TAbortProc);
    std::int32_t (*WriteReadPort)(std::int32_t, const char*, char*, std::int32_t, std::int32_t);
};

inline void* OpenModule(const char* path) {
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle) ADD_FAILURE() << "cannot load " << path << ": " << dlerror();
    return handle;
}

template <class F>
void Bind(void* module, const char* name, F& target) {
    target = module ? reinterpret_cast<F>(dlsym(module, name)) : nullptr;
    if (!target) ADD_FAILURE() << "missing export " << name;
}

inline const TCallerModule& Caller() {
    static const TCallerModule module = [] {
        TCallerModule m{};
        void* handle = OpenModule(VEMLOR_CALLER_MODULE);
        Bind(handle, "Caller_PortOpen", m.PortOpen);
        Bind(handle, "Caller_PortClose", m.PortClose);
        Bind(handle, "Caller_Connect", m.Connect);
        Bind(handle, "Caller_Disconnect", m.Disconnect);
        Bind(handle, "Caller_WaitDisconnect", m.WaitDisconnect);
        Bind(handle, "Caller_SendFile", m.SendFile);
        Bind(handle, "Caller_Dir", m.Dir);
        Bind(handle, "Caller_ReceiveFile", m.ReceiveFile);
        Bind(handle, "Caller_WriteReadPort", m.WriteReadPort);
        return m;
    }();
    return module;
}

inline std::string ReadText(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteText(const std::string& fileName, const std::string& text) {
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::vector<std::string> ReadLines(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}
