#pragma once
// The scenario of the simulated message centre, read from a sectioned
// key=value file. Format (';' or '#' starts a comment line, names ignore
// letter case, paths are relative to the scenario file's folder):
//
// SECTION   KEY              DEFAULT      MEANING
// [Modem]   Ports            1-8          ports that open: a list like "1,3,5-8"
//           Modem            1            ports whose modem answers "AT" and dials
// [Line]    Busy             0            the first N dials of a session hear the busy tone (10)
// [Centre]  Folder           centre       the centre's folder (layout below)
//           TickMs           0            real milliseconds one tick of a delay lasts
// [Log]     File             caller.log   the call log, appended to, one line per call
// [Delay]   <entry>[.<n>]    0            ticks the entry (its n-th call of the session) lasts
// [Fail]    <entry>[.<n>]    -            the code the entry (its n-th call) returns instead of its work
// [Hold]    <entry>[.<n>]    -            a gate: a plain file name in the scenario's folder
// [NoFile]  Dir|ReceiveFile[.<n>]  0     1: the call answers 0 but leaves no local file
//                                        (an older one is removed), so the list or file is unreadable;
//                                        2: the call answers 0 and leaves the local path as it
//                                        found it, whatever was there
//
// A held call creates its gate file when it gets there and waits, polling
// its abort callback, until the file is gone: the test deletes it to let the
// call go on, or hangs up (the callback answers nonzero) to end it with 12.
// So a test can hang up inside any operation without timing anything. An
// entry without an abort callback is released only by deleting the file.
//
// <entry> is an exported name with or without "Caller_" (SendFile,
// Caller_ReceiveFile, ...); a numbered key wins over the plain one. A session
// runs from Caller_PortOpen, which reads the scenario afresh, to
// Caller_PortClose; call counts start again with every session.
//
// The centre's folder:
//
// FOLDER           KIND   WHAT
// notifications/   2      notification files (*.not) listed by Caller_Dir and fetched
// tariffs/         3      tariff files listed by Caller_Dir and fetched
// programs/        5      "version.ini" and the program files it names
// inbox/           0, 4   where Caller_SendFile delivers message files and bitmaps

#include <map>
#include <string>

namespace linklib {

// The names the scenario may use for an entry, without "Caller_".
bool IsCallerEntry(const std::string& name);

struct TScenario {
    std::string FileName;
    unsigned Ports = 0x1FE;   // bit n: port n opens
    unsigned Modems = 0x002;  // bit n: a modem answers on port n
    int Busy = 0;
    int TickMs = 0;
    std::string CentreFolder;
    std::string LogFile;
    std::map<std::string, int> Delays;    // "SendFile" or "SendFile.2" -> ticks
    std::map<std::string, int> Failures;  // the same keys -> result code
    std::map<std::string, std::string> Holds;  // the same keys -> gate file name
    std::map<std::string, int> NoFiles;   // the same keys -> 1: no local file, 2: path untouched

    // The value for the entry's n-th call: the numbered key, else the plain
    // one, else the fallback.
    template <class V>
    V Lookup(const std::map<std::string, V>& table, const std::string& entry, int call, V fallback) const {
        auto numbered = table.find(entry + "." + std::to_string(call));
        if (numbered != table.end()) return numbered->second;
        auto plain = table.find(entry);
        return plain != table.end() ? plain->second : fallback;
    }
};

// Reads the scenario; false with a message naming the file, the line, the
// key and the value when something in it is wrong or it cannot be read.
bool ReadScenario(const std::string& fileName, TScenario& scenario, std::string& error);

// A name that stays inside its folder: no separator, not "." or "..".
bool PlainFileName(const std::string& name);

// The folder part of a path with its trailing '/', "./" for a bare name.
std::string FolderOf(const std::string& fileName);

}  // namespace linklib
