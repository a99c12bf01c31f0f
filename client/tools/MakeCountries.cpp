// Writes the countries table of a demonstration program folder, Staty.dat,
// for the neighbours whose numbers the client checks: "make run" calls it for
// a folder that has none yet.
//
//   make_countries FOLDER

#include <cstdio>

#include "client/DatMod.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

namespace {

struct TCountry {
    const char* Name;
    const char* Prefix;
    // Mobile numbers in international form; "#" is a digit. Within a row the
    // patterns are tried only while they have the number's length, so each
    // country lists one length.
    const char* Filter;
    const char* Letters;
    const char* Plain;
};

// The home country's name is the one the settings start with.
constexpr TCountry kCountries[] = {
    {"Czech rep", "420", "00420#########", "ěščřžýáíéúůťďňĚŠČŘŽÝÁÍÉÚŮŤĎŇ", "escrzyaieuutdnESCRZYAIEUUTDN"},
    {"Slovensko", "421", "00421#########", "ľščťžýáíéúäôňĺŕĽŠČŤŽÝÁÍÉÚÄÔŇĹŔ", "lsctzyaieuaonlrLSCTZYAIEUAONLR"},
    {"Polsko", "48", "0048#########", "ąćęłńóśźżĄĆĘŁŃÓŚŹŻ", "acelnoszzACELNOSZZ"},
    {"Německo", "49", "00491##########", "äöüßÄÖÜ", "aousAOU"},
    {"Rakousko", "43", "00436##########", "äöüßÄÖÜ", "aousAOU"},
    {"Maďarsko", "36", "0036#########", "áéíóöőúüűÁÉÍÓÖŐÚÜŰ", "aeiooouuuAEIOOOUUU"},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    try {
        TDM data(nullptr);
        data.Staty->Open();
        for (const TCountry& country : kCountries) {
            data.Staty->Append();
            data.StatyJmeno->SetAsString(country.Name);
            data.StatyPredcisli->SetAsString(country.Prefix);
            data.StatyFiltr->SetAsString(country.Filter);
            data.StatyHacky->SetAsString(country.Letters);
            data.StatyBezHacku->SetAsString(country.Plain);
            data.Staty->Post();
        }
        data.Staty->StoreToFile(IncludeTrailingPathDelimiter(argv[1]) + "Staty.dat");
    } catch (const Exception& E) {
        std::fprintf(stderr, "%s\n", E.Message().c_str());
        return 1;
    }
    return 0;
}
