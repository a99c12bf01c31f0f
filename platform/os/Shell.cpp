#include "platform/os/Shell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

#include "platform/os/Process.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

namespace {

struct TOpener {
    std::mutex Lock;
    AnsiString Program;
};

TOpener& Opener() {
    static TOpener* opener = new TOpener;
    return *opener;
}

AnsiString OpenerProgram() {
    std::lock_guard lock(Opener().Lock);
    return Opener().Program.empty() ? AnsiString("xdg-open") : Opener().Program;
}

bool IsAddress(const AnsiString& S) {
    const std::size_t colon = S.find(':');
    if (colon == AnsiString::npos || colon < 2) return false;  // "C:" is a drive, not a scheme
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = S[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
              c == '.'))
            return false;
    }
    return true;
}

}  // namespace

bool ShellExecute(const AnsiString&, const AnsiString& FileName, const AnsiString& Parameters,
                  const AnsiString& Directory, Integer) {
    if (FileName.empty()) return false;
    if (IsAddress(FileName)) return StartProcess(OpenerProgram(), {FileName}, Directory);
    // A relative name is looked up in the working folder, as a program started
    // there would see it.
    AnsiString path = FileName;
    if (!Directory.empty() && NormalizePath(path)[0] != '/')
        path = IncludeTrailingPathDelimiter(Directory) + path;
    if (IsProgramFile(path)) return StartProcess(ExpandFileName(path), SplitCommandLine(Parameters), Directory);
    if (!FileExists(path) && !DirectoryExists(path)) return false;
    return StartProcess(OpenerProgram(), {ExpandFileName(path)}, Directory);
}

void SetDesktopOpener(const AnsiString& Program) {
    std::lock_guard lock(Opener().Lock);
    Opener().Program = Program;
}

bool IsProgramFile(const AnsiString& FileName) {
    struct stat st {};
    const std::string name = SysFileName(FileName);
    return stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(name.c_str(), X_OK) == 0;
}

bool SetExecutable(const AnsiString& FileName) {
    struct stat st {};
    const std::string name = SysFileName(FileName);
    if (stat(name.c_str(), &st) != 0) return false;
    const mode_t read = st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
    return chmod(name.c_str(), st.st_mode | (read >> 2)) == 0;
}
