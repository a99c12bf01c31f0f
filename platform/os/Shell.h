#pragma once
// Running or opening a file the way the desktop would: a program is started
// with the parameters as its argument list (never through a shell), anything
// else - a document, a folder, a web or mail address - goes to the desktop's
// opener (xdg-open), which picks the user's application for it.

#include "platform/rtl/System.h"

// Show modes of the started program's window; the desktop decides, so they
// are accepted and passed over. The window placement (platform/ui/Forms.h)
// stores the same values.
constexpr Cardinal SW_HIDE = 0;
constexpr Cardinal SW_SHOWNORMAL = 1;
constexpr Cardinal SW_SHOW = 5;

// Operation: empty or "open" (the default verb); any other verb is treated
// as "open". Parameters are split as a command line (Process.h) and given to
// a program; a document takes none. Directory is the program's working
// folder (empty: the current one). False when nothing could be started.
bool ShellExecute(const AnsiString& Operation, const AnsiString& FileName, const AnsiString& Parameters,
                  const AnsiString& Directory, Integer ShowCmd);

// The program that opens documents and addresses; tests put a recorder in
// its place (empty: the desktop's own again).
void SetDesktopOpener(const AnsiString& Program);

// Gives a saved file the execute permission (for everyone who may read it),
// so that a downloaded program can be started. False when it cannot.
bool SetExecutable(const AnsiString& FileName);

// A plain file that may be started as a program: execute permission for this
// user.
bool IsProgramFile(const AnsiString& FileName);
