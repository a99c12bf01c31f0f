// Feeds arbitrary bytes to a call as the lists the message centre sends: a
// directory list and a version list. A name the call accepts must stay a
// file of the folder it is fetched into, under its own name; a version
// line kept for fetching must offer a newer version and name no program. A
// crash, a hang or another answer is a finding.

#include <cstdint>
#include <cstdlib>

#include "core/Caller.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"

namespace {

void CheckStaysInside(const AnsiString& Folder, const AnsiString& Name) {
    const AnsiString path = ExpandFileName(Folder + Name);
    if (path.compare(0, Folder.size(), Folder) != 0 || ExtractFileName(path) != Name) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TStringList lines;
    lines.SetText(AnsiString(reinterpret_cast<const char*>(data), size));
    const AnsiString program = "/vemlor/";
    for (Integer i = 0; i < lines.Count(); ++i) {
        const AnsiString name = lines[i];
        if (!TCaller::PlainRemoteName(name)) continue;
        CheckStaysInside(program, name);
        CheckStaysInside(program + "Mmf/", name);
        CheckStaysInside(program, "_" + name);
    }

    // Nothing is recorded as installed, so every file counts as version 1.0.
    const TIniFile installed("/nonexistent/vemlor/update.ini");
    TCaller::KeepNewerFiles(lines, installed);
    for (Integer i = 0; i < lines.Count(); ++i) {
        if (!(StrToFloatDef(lines.ValueFromIndex(i), 1.0) > 1.0)) std::abort();
        if (SameText(ExtractFileExt(lines.Names(i)), ".exe")) std::abort();
    }
    return 0;
}
