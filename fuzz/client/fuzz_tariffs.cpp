// Feeds arbitrary bytes as "tariffs.brc". The reader either refuses the file
// with its own error, leaving the tariffs in force, or every tariff it gives
// is one a call can use and the table and the maxima follow it exactly. A
// crash, another exception or a table that disagrees is a finding.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "client/DatMod.h"
#include "client/Tariffs.h"
#include "fuzz/ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TDM* dm = new TDM(nullptr);
    const AnsiString file = WriteFuzzInput(data, size, ".brc");
    TCallLimits limits{-5, -5};
    std::vector<TTariff> tariffs;
    try {
        tariffs = ReadTariffFile(file);
    } catch (const ETariffFileError& E) {
        if (E.Reason().empty()) std::abort();
        // Refused: loading it changes nothing.
        const int rows = dm->Tarify->Active() ? dm->Tarify->RecordCount() : 0;
        try {
            LoadTariffs(*dm, file, limits);
            std::abort();
        } catch (const ETariffFileError&) {
        }
        if (limits.TextParts != -5 || limits.Objects != -5) std::abort();
        if ((dm->Tarify->Active() ? dm->Tarify->RecordCount() : 0) != rows) std::abort();
        return 0;
    }
    const TTariff* highest = nullptr;
    for (const TTariff& t : tariffs) {
        if (t.Tarif == -1 || t.Cislo.empty() || t.Cislo.size() > 20 || t.SmsMax == -1 || t.PmsMax == -1 ||
            t.Interval == -1 || t.Cena == -1)
            std::abort();
        if (!highest || t.Tarif >= highest->Tarif) highest = &t;
    }
    LoadTariffs(*dm, file, limits);
    if (dm->Tarify->RecordCount() != static_cast<int>(tariffs.size())) std::abort();
    if (limits.TextParts != (highest ? highest->SmsMax : 0) || limits.Objects != (highest ? highest->PmsMax : 0))
        std::abort();
    return 0;
}
