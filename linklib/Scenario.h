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

    // The value for the entry's n-th call: the numbered key, else the plain
    // one, else the fallback.
    int Lookup(const std::map<std::string, int>& table, const std::string& entry, int call, int fallback) const;
};

// Reads the scenario; false with a message naming the file, the line, the
// key and the value when something in it is wrong or it cannot be read.
bool ReadScenario(const std::string& fileName, TScenario& scenario, std::string& error);

// The folder part of a path with its trailing '/', "./" for a bare name.
std::string FolderOf(const std::string& fileName);

}  // namespace linklib
