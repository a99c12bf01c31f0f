#pragma once
// Starting other programs. Arguments go to the new process as a list, never
// through a shell, so no text from a file or a server can smuggle in a
// command. Program and argument texts are Windows-1250 and reach the system
// as UTF-8.

#include <vector>

#include "platform/rtl/System.h"

// Splits a command line the way a program's parameters are written: blanks
// separate arguments, double quotes group blanks into one and are removed,
// two double quotes inside quotes stand for one.
std::vector<AnsiString> SplitCommandLine(const AnsiString& CommandLine);

// Starts Program (a path, or a name looked up on the search path) with the
// arguments in Directory (empty: the current one) and does not wait for it;
// the started program outlives this one. False with a reason in Error when it
// cannot be started (missing, not executable, a format this machine does not
// run; a script given by path needs its "#!" line).
bool StartProcess(const AnsiString& Program, const std::vector<AnsiString>& Args,
                  const AnsiString& Directory, AnsiString* Error = nullptr);

struct TProcessResult {
    bool Started = false;
    bool TimedOut = false;  // killed after the time-out
    Integer ExitCode = -1;  // when it ended by itself
};

// Runs Program and waits for it at most TimeoutMs milliseconds; a program
// still running then is killed.
TProcessResult RunProcess(const AnsiString& Program, const std::vector<AnsiString>& Args, Cardinal TimeoutMs);
