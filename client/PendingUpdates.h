#pragma once
// Program files fetched during a call wait in the program folder under their
// own name with "_" in front, and "modem.dat" (one section, key "Update")
// says that some are waiting. The next start puts each in place of the file
// it replaces, renaming it over that file in one step, so a file is either
// the old one or the new one.
//
// Only a file a call may fetch is put in place: never a program, a link-library
// module or the user's data, whatever waits under its name.
//
// A file that cannot be put in place does not stop the others; "Update"
// stays set while any is left, so the next start tries again.

#include <vector>

#include "platform/rtl/System.h"

struct TPendingUpdates {
    std::vector<AnsiString> Placed;  // names put in place (without the "_")
    std::vector<AnsiString> Failed;  // names of waiting files left as they are
};

// Nothing is touched unless "modem.dat" has exactly one section and its
// "Update" is not 0.
TPendingUpdates ApplyPendingUpdates(const AnsiString& Folder);
