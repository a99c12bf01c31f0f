#pragma once
// A program folder for tests that call the message centre: the link-library
// stand-ins copied in and bound from it, its scenario "caller.ini" and the
// simulated centre beside them. The stand-in finds its scenario in the
// current folder, which the program makes its own folder before it calls.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include "core/CallerLib.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/StringList.h"

class TCallCentre {
public:
    explicit TCallCentre(const AnsiString& Subfolder = {}) {
        Folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/call/" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/" + Subfolder;
        std::filesystem::remove_all(SysFileName(Folder));
        for (const char* sub : {"Mmf", "centre/tariffs", "centre/notifications", "centre/programs"})
            ForceDirectories(Folder + sub);
        SetProgramFolder(Folder);
        unsetenv("VEMLOR_CENTRE");
        FOldFolder = GetCurrentDir();
    }
    ~TCallCentre() {
        FreeCallerLibraries();
        SetProgramFolder("");
        SetCurrentDir(FOldFolder);
    }
    TCallCentre(const TCallCentre&) = delete;
    TCallCentre& operator=(const TCallCentre&) = delete;

    // Copies the modules under the names the program loads and binds them.
    bool Bind(const char* CallerModule = VEMLOR_CALLER_MODULE) {
        WriteFileAtomic(Folder + "caller.so", ReadFileBytes(CallerModule));
        WriteFileAtomic(Folder + "mac.so", ReadFileBytes(VEMLOR_MAC_MODULE));
        return LoadCallerLibraries();
    }
    void Scenario(const AnsiString& Text) {
        DeleteFile(Folder + "caller.log");
        WriteFileAtomic(Folder + "caller.ini", Text);
    }
    // Written byte for byte under the name as it stands: a name with '\'
    // must stay one name, as a centre on another system may hand it out.
    void Put(const AnsiString& Relative, const AnsiString& Bytes) {
        std::ofstream(Folder + Relative, std::ios::binary | std::ios::trunc) << Bytes;
    }
    AnsiString Read(const AnsiString& Relative) const {
        return FileExists(Folder + Relative) ? ReadFileBytes(Folder + Relative) : AnsiString("<none>");
    }
    // The fresh names files are received under are random: each shows as
    // ".~received-*".
    std::vector<AnsiString> Log() const {
        TStringList lines;
        if (FileExists(Folder + "caller.log")) lines.LoadFromFile(Folder + "caller.log");
        std::vector<AnsiString> result;
        for (Integer i = 0; i < lines.Count(); ++i) {
            AnsiString line = lines[i];
            const AnsiString fresh = ".~received-";
            for (std::size_t at = line.find(fresh); at != AnsiString::npos; at = line.find(fresh, at + 1))
                line.replace(at + fresh.size(), std::min<std::size_t>(6, line.size() - at - fresh.size()), "*");
            result.push_back(line);
        }
        return result;
    }
    // The quoted path of a file of the program folder, as the log shows it.
    AnsiString Quoted(const AnsiString& Relative) const { return "\"" + Folder + Relative + "\""; }

    AnsiString Folder;

private:
    AnsiString FOldFolder;
};
