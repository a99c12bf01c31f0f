#include "platform/os/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileUtils.h"

std::vector<AnsiString> SplitCommandLine(const AnsiString& CommandLine) {
    std::vector<AnsiString> args;
    AnsiString current;
    bool inArg = false, quoted = false;
    for (std::size_t i = 0; i < CommandLine.size(); ++i) {
        const char c = CommandLine[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < CommandLine.size() && CommandLine[i + 1] == '"') {
                    current += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                current += c;
            }
        } else if (c == ' ' || c == '\t') {
            if (inArg) args.push_back(current);
            current.clear();
            inArg = false;
        } else if (c == '"') {
            quoted = inArg = true;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg) args.push_back(current);
    return args;
}

namespace {

// Everything the child needs, converted before the fork: between fork and
// exec only async-signal-safe calls are allowed.
struct TExecImage {
    std::string Program;
    // A bare name is looked up in PATH; a path is taken as it stands.
    bool Search = false;
    std::string Directory;
    std::vector<std::string> Storage;
    std::vector<char*> Argv;

    TExecImage(const AnsiString& AProgram, const std::vector<AnsiString>& Args, const AnsiString& ADirectory) {
        Search = AProgram.find_first_of("/\\") == AnsiString::npos;
        Program = Search ? AnsiToUtf8(AProgram) : SysFileName(AProgram);
        if (!ADirectory.empty()) Directory = SysFileName(ADirectory);
        Storage.push_back(Program);
        for (const AnsiString& a : Args) Storage.push_back(AnsiToUtf8(a));
        for (std::string& s : Storage) Argv.push_back(s.data());
        Argv.push_back(nullptr);
    }
};

// In the child: change folder and exec; on failure the errno goes down the
// pipe and the child ends.
[[noreturn]] void ExecChild(const TExecImage& Image, int ErrorPipe) {
    int error = 0;
    if (!Image.Directory.empty() && chdir(Image.Directory.c_str()) != 0) {
        error = errno;
    } else {
        // execvp hands a file the kernel cannot run (a program for another
        // machine, a package that is no program at all) to /bin/sh as a
        // script: its bytes would run as commands and the start would count
        // as a success. A path is exec'd as it stands, so such a file fails.
        if (Image.Search)
            execvp(Image.Program.c_str(), Image.Argv.data());
        else
            execv(Image.Program.c_str(), Image.Argv.data());
        error = errno;
    }
    ssize_t ignored = write(ErrorPipe, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

// The child's exec errno, 0 once exec succeeded (the pipe closed on exec).
int ReadExecError(int ErrorPipe) {
    int error = 0;
    ssize_t n;
    do {
        n = read(ErrorPipe, &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    close(ErrorPipe);
    return n == static_cast<ssize_t>(sizeof error) ? error : 0;
}

}  // namespace

bool StartProcess(const AnsiString& Program, const std::vector<AnsiString>& Args, const AnsiString& Directory,
                  AnsiString* Error) {
    const TExecImage image(Program, Args, Directory);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        if (Error) *Error = Utf8ToAnsi(std::strerror(errno));
        return false;
    }
    // Started twice over: the middle child ends at once, so the program runs
    // on as nobody's child and no zombie is left behind when it ends.
    const pid_t middle = fork();
    if (middle == 0) {
        close(pipeFds[0]);
        setsid();
        const pid_t grandchild = fork();
        if (grandchild == 0) ExecChild(image, pipeFds[1]);
        _exit(grandchild < 0 ? 126 : 0);
    }
    close(pipeFds[1]);
    if (middle < 0) {
        close(pipeFds[0]);
        if (Error) *Error = Utf8ToAnsi(std::strerror(errno));
        return false;
    }
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {}
    const int error = ReadExecError(pipeFds[0]);
    if (error != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (Error) *Error = Utf8ToAnsi(std::strerror(error ? error : EAGAIN));
        return false;
    }
    return true;
}

TProcessResult RunProcess(const AnsiString& Program, const std::vector<AnsiString>& Args, Cardinal TimeoutMs) {
    TProcessResult result;
    const TExecImage image(Program, Args, AnsiString());
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return result;
    const pid_t child = fork();
    if (child == 0) ExecChild(image, pipeFds[1]);
    close(pipeFds[1]);
    if (child < 0) {
        close(pipeFds[0]);
        return result;
    }
    if (ReadExecError(pipeFds[0]) != 0) {
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {}
        return result;
    }
    result.Started = true;

    int status = 0;
    bool ended = false;
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    if (pidfd >= 0) {
        pollfd p{pidfd, POLLIN, 0};
        int n;
        do {
            n = poll(&p, 1, static_cast<int>(TimeoutMs));
        } while (n < 0 && errno == EINTR);
        close(pidfd);
        ended = n > 0;
    } else {
        // Kernels without process descriptors: look now and then.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
        while (!(ended = waitpid(child, &status, WNOHANG) == child) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (ended) {
            if (WIFEXITED(status)) result.ExitCode = WEXITSTATUS(status);
            return result;
        }
    }
    if (!ended) {
        kill(child, SIGKILL);
        result.TimedOut = true;
    }
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    if (!result.TimedOut && WIFEXITED(status)) result.ExitCode = WEXITSTATUS(status);
    return result;
}
