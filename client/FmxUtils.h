#pragma once
// The file launcher of both programs: the client opens help, sounds and web
// pages with it, the updater starts a downloaded installer.

#include "platform/rtl/System.h"

// Opens a document or address with the desktop's application for it; a file
// is never run as a program, whatever its permissions. The texts are taken
// whole, however long. Nothing is reported when it cannot be opened; the
// result only tells.
bool ShellRunFile(const AnsiString& FileName, const AnsiString& Params, const AnsiString& DefaultDir,
                  Integer ShowCmd);

// Starts a program with its parameters as arguments, in DefaultDir (empty:
// the current folder). Only what the updater has downloaded to start goes
// here. False when the file is no program or cannot be started.
bool ShellRunProgram(const AnsiString& FileName, const AnsiString& Params, const AnsiString& DefaultDir);
