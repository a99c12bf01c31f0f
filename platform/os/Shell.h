#pragma once
// Opening a file the way the desktop would, and starting a program: a
// document, a folder, a web or mail address goes to the desktop's opener
// (xdg-open), which picks the user's application for it; a program is started
// only when the caller means to start one, with the parameters as its
// argument list (never through a shell).

#include "platform/rtl/System.h"

// Show modes of the started program's window; the desktop decides, so they
// are accepted and passed over. The window placement (platform/ui/Forms.h)
// stores the same values.
constexpr Cardinal SW_HIDE = 0;
constexpr Cardinal SW_SHOWNORMAL = 1;
constexpr Cardinal SW_SHOW = 5;

// Opens a document, folder or address with the desktop's opener. A file is
// never started itself, whatever its permissions: a disk that marks every
// file executable would otherwise have a help file or a melody run as a
// script. Operation: empty or "open" (the default verb); any other verb is
// treated as "open". A document takes no parameters. Directory is where a
// relative name is looked up and the opener's working folder (empty: the
// current one). False when the file is missing or the opener cannot start.
bool ShellExecute(const AnsiString& Operation, const AnsiString& FileName, const AnsiString& Parameters,
                  const AnsiString& Directory, Integer ShowCmd);

// Starts a program file (IsProgramFile) with the parameters split as a
// command line (Process.h) in the Directory (empty: the current one). False
// when the file is no program or cannot be started.
bool StartProgramFile(const AnsiString& FileName, const AnsiString& Parameters, const AnsiString& Directory);

// The program that opens documents and addresses; tests put a recorder in
// its place (empty: the desktop's own again).
void SetDesktopOpener(const AnsiString& Program);

// Gives a saved file the execute permission (for everyone who may read it),
// so that a downloaded program can be started. False when it cannot.
bool SetExecutable(const AnsiString& FileName);

// A plain file that may be started as a program: execute permission for this
// user.
bool IsProgramFile(const AnsiString& FileName);
