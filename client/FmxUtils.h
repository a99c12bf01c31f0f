#pragma once
// The file launcher of both programs: the client opens help, sounds and web
// pages with it, the updater starts a downloaded installer.

#include "platform/rtl/System.h"

// Runs a program with its parameters, or opens a document or address with
// the desktop's application for it. The texts are taken whole, however long.
// Nothing is reported when it cannot be started; the result only tells.
bool ShellRunFile(const AnsiString& FileName, const AnsiString& Params, const AnsiString& DefaultDir,
                  Integer ShowCmd);
