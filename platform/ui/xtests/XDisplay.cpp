#include "XDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <cerrno>
#include <cstdlib>

namespace {

pid_t gServer = -1;
std::string gProblem = "the X server was not started";

// How long the server may take to open its display.
constexpr int kStartBoundMs = 20000;

}  // namespace

bool StartXDisplay(std::string& Error) {
    int fds[2];
    if (pipe(fds) != 0) {
        Error = gProblem = "no pipe for the X server's display number";
        return false;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        Error = gProblem = "cannot start a process for the X server";
        return false;
    }
    if (pid == 0) {
        // The server must not outlive a test run that crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
        }
        const std::string fd = std::to_string(fds[1]);
        // -displayfd: the server picks the first free display and writes its
        // number here once it accepts connections.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    gServer = pid;
    std::string number;
    bool done = false;
    QDeadlineTimer deadline(kStartBoundMs);
    while (!done && !deadline.hasExpired()) {
        pollfd p{fds[0], POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        char c;
        const ssize_t n = read(fds[0], &c, 1);
        if (n <= 0) break;
        if (c == '\n')
            done = true;
        else
            number += c;
    }
    close(fds[0]);
    if (!done || number.empty()) {
        StopXDisplay();
        Error = "Xvfb did not open a display (is it installed? scripts/bootstrap installs it)";
        gProblem = Error;
        return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    gProblem.clear();
    return true;
}

void StopXDisplay() {
    if (gServer <= 0) return;
    kill(gServer, SIGTERM);
    int status = 0;
    waitpid(gServer, &status, 0);
    gServer = -1;
}

const std::string& XDisplayProblem() { return gProblem; }

bool RunXdotool(const std::vector<std::string>& Arguments, std::string& Error) {
    QStringList args;
    for (const std::string& a : Arguments) args << QString::fromStdString(a);
    QProcess process;
    process.start("xdotool", args);
    if (!process.waitForStarted(5000)) {
        Error = "xdotool cannot be started (scripts/bootstrap installs it)";
        return false;
    }
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        Error = "xdotool did not finish";
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        Error = "xdotool failed: " + process.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

bool WaitUntil(const std::function<bool()>& Condition, int BoundMs) {
    QDeadlineTimer deadline(BoundMs);
    // Wakes the wait below when nothing else arrives before the bound.
    QTimer bound;
    bound.setSingleShot(true);
    bound.start(BoundMs);
    while (!Condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}
