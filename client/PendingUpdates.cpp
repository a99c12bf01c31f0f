#include "client/PendingUpdates.h"

#include "core/Caller.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"

TPendingUpdates ApplyPendingUpdates(const AnsiString& Folder) {
    TPendingUpdates result;
    const AnsiString folder = IncludeTrailingPathDelimiter(Folder);
    TIniFile modem(folder + "modem.dat");
    const std::vector<AnsiString> sections = modem.ReadSections();
    if (sections.size() != 1 || modem.ReadInteger(sections[0], "Update", 0) == 0) return result;
    // Program files here have no extension ("_Vemlor", "_update"), so the
    // mask must not ask for a dot.
    for (const AnsiString& name : ListFiles(folder, "_*")) {
        // "_" alone names no file to replace; it is no update.
        if (name.size() < 2) continue;
        const AnsiString target = name.substr(1);
        // A call no longer fetches programs or the user's data, but an older
        // build did ("_Adresa.dat" would replace the address book): such a
        // file waits untouched, and is no failure to retry.
        if (!TCaller::ReplaceableFile(target, folder)) continue;
        if (RenameFile(folder + name, folder + target))
            result.Placed.push_back(target);
        else
            result.Failed.push_back(target);
    }
    if (result.Failed.empty()) modem.WriteInteger(sections[0], "Update", 0);
    return result;
}
