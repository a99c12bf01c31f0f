#pragma once
// Dynamic libraries bound at run time: Load binds one, Symbol finds an
// exported function, Free lets it go. The program names its libraries with
// their ".dll" names ("caller.dll"); they are resolved to shared objects in
// the program folder ("<program folder>caller.so"), so the program never
// picks up a library of the same name from the system's search path.

#include "platform/rtl/System.h"

// "caller.dll" -> "<program folder>caller.so". A ".dll" extension (any letter
// case) becomes ".so"; a name without a folder is taken from the program
// folder, a name with one is used as it stands.
AnsiString LibraryFileName(const AnsiString& name);

class TDynLib {
public:
    TDynLib() = default;
    ~TDynLib();
    TDynLib(const TDynLib&) = delete;
    TDynLib& operator=(const TDynLib&) = delete;
    TDynLib(TDynLib&& other) noexcept;
    TDynLib& operator=(TDynLib&& other) noexcept;

    // Loads the library named as LibraryFileName resolves it, freeing one
    // loaded before. False (with LastError) when it cannot be loaded.
    bool Load(const AnsiString& name);
    bool Loaded() const { return FHandle != nullptr; }
    // The exported symbol's address; nullptr (with LastError) when the
    // library is not loaded or does not export the name.
    void* Symbol(const AnsiString& name);
    // The symbol as a function pointer of type F.
    template <class F>
    F Proc(const AnsiString& name) {
        return reinterpret_cast<F>(Symbol(name));
    }
    // Unloads the library; false when none was loaded or the system refused.
    bool Free();

    // The resolved file name of the last Load.
    const AnsiString& FileName() const { return FFileName; }
    // What went wrong last, naming the file and the symbol.
    const AnsiString& LastError() const { return FLastError; }

private:
    void* FHandle = nullptr;
    AnsiString FFileName;
    AnsiString FLastError;
};
