// Feeds arbitrary bytes to the language file reader as "Lang\<name>.lng".
// Every key read must give the text of its first occurrence; a crash, a hang
// or another answer is a finding.

#include <cstdint>
#include <cstdlib>

#include "core/Language.h"
#include "fuzz/ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TLang lang(WriteFuzzInput(data, size, ".lng"));
    const auto& pairs = lang.Strings();
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const auto& [key, text] = pairs[i];
        if (key.empty()) continue;
        bool first = true;
        for (std::size_t j = 0; j < i && first; ++j) first = pairs[j].first != key;
        if (first && lang.GetText(key, "\x01" "default") != text) std::abort();
    }
    if (lang.GetText("", "d") != "d") std::abort();
    return 0;
}
