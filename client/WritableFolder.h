#pragma once
// Whether the client's changes can be kept. Every table and the settings
// file are replaced by a new file created beside them, so a folder that takes
// no new file (installed read-only, or another user's) keeps nothing of a run.

#include "platform/rtl/System.h"

// Empty when a file can be created (and removed again) in `Folder`, else the
// system's reason ("Read-only file system", "Permission denied"). Tried, not
// read from the mode bits: those say nothing of a read-only mount, and an
// administrator passes them anyway.
AnsiString FolderWriteProblem(const AnsiString& Folder);
