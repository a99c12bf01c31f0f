// Feeds arbitrary bytes as one country row (code, patterns, letters and
// their plain forms) and a number and a text to check, one per line, then
// checks what the phone checks promise: an accepted number was typed in
// digits and fits some pattern, a repaired one is the country's code and the
// number's last digits, and
// stripped text holds plain letters and printable characters only.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "client/DatMod.h"
#include "client/PhoneNumbers.h"
#include "platform/ui/Forms.h"

namespace {

std::vector<std::string> Lines(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n' && lines.size() < 6)
            lines.emplace_back();
        else
            lines.back() += static_cast<char>(data[i]);
    }
    lines.resize(6);
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TDM* dm = [] {
        auto* module = new TDM(nullptr);
        module->Staty->Open();
        module->Adresa->Open();
        return module;
    }();
    const std::vector<std::string> f = Lines(data, size);
    dm->Staty->First();
    while (!dm->Staty->IsEmpty()) dm->Staty->Delete();
    dm->Staty->Append();
    dm->StatyJmeno->SetAsString("Home");
    dm->StatyPredcisli->SetAsString(f[0]);
    dm->StatyFiltr->SetAsString(f[1]);
    dm->StatyHacky->SetAsString(f[2]);
    dm->StatyBezHacku->SetAsString(f[3]);
    dm->Staty->Post();
    const std::string prefix = "00" + dm->StatyPredcisli->AsString();

    MatchCountryPattern(*dm, f[4]);
    AnsiString number = f[4];
    if (ValidatePhoneNumber(*dm, "home", number, false)) {
        // Accepted as typed: digits only. Repaired: the country's code in
        // front of the typed number's last digits (the code is the table's).
        const std::string& typed = f[4];
        for (char c : typed)
            if (c < '0' || c > '9') std::abort();
        if (!MatchCountryPattern(*dm, number)) std::abort();
        if (number != typed) {
            if (number.compare(0, prefix.size(), prefix) != 0) std::abort();
            const std::string rest = number.substr(prefix.size());
            if (rest.size() > typed.size() || typed.compare(typed.size() - rest.size(), rest.size(), rest) != 0)
                std::abort();
        }
    }
    if (dm->Adresa->State() != dsBrowse) dm->Adresa->Cancel();

    const AnsiString plain = dm->StatyBezHacku->AsString();
    for (char c : StripDiacritics(*dm, "HOME", f[5])) {
        const unsigned char u = static_cast<unsigned char>(c);
        const bool printable = u >= 32 && u < 127 && std::string("'\\`|~").find(c) == std::string::npos;
        if (!printable && plain.find(c) == std::string::npos) std::abort();
    }
    return 0;
}
