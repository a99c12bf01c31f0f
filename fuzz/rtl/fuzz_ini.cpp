// Feeds arbitrary bytes to the settings file reader, reads every section and
// key back through each typed reader, then writes a key and reads it again:
// a write must read back as itself and leave every other key as it read
// before. A crash, a hang or another answer is a finding.

#include <cstdint>
#include <cstdlib>

#include "fuzz/ScratchFile.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TIniFile ini(WriteFuzzInput(data, size, ".ini"));
    std::vector<std::pair<AnsiString, std::vector<AnsiString>>> before;
    for (const AnsiString& section : ini.ReadSections()) {
        before.emplace_back(section, ini.ReadSectionValues(section));
        for (const AnsiString& key : ini.ReadSection(section)) {
            if (!ini.ValueExists(section, key)) std::abort();
            ini.ReadString(section, key, "");
            ini.ReadInteger(section, key, 0);
            ini.ReadFloat(section, key, 0);
            ini.ReadDateTime(section, key, 0);
        }
    }
    const AnsiString value = " Zkouška = \"hodnota\" ";
    try {
        ini.WriteString("Fuzz", "Klic", value);
    } catch (const EIniFileException&) {
        return 0;
    }
    if (ini.ReadString("Fuzz", "Klic", "") != value) std::abort();
    for (const auto& [section, values] : before)
        if (!SameText(Trim(section), "Fuzz") && ini.ReadSectionValues(section) != values) std::abort();
    return 0;
}
