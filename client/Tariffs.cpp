#include "client/Tariffs.h"

#include "client/DatMod.h"
#include "core/Language.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"

namespace {

// The number column of Tarify holds 20 characters; a longer number cut to
// fit would dial somebody else.
constexpr std::size_t kMaxPhone = 20;
// A tariff file lists a handful of tariffs; anything near this size is not one.
constexpr Int64 kMaxFileSize = 1 << 20;
// A section name is six characters and the tariff number.
constexpr Integer kNumberStart = 7;

[[noreturn]] void Refuse(const AnsiString& FileName, const AnsiString& Why) {
    throw ETariffFileError(LangText("TariffReadFailed", "Nepodařilo se načíst soubor s tarify."),
                           FileName + ": " + Why);
}

AnsiString Quoted(const AnsiString& Value) { return "\"" + Value + "\""; }

Integer ReadCount(const TIniFile& Ini, const AnsiString& FileName, const AnsiString& Section, const char* Key) {
    const Integer value = Ini.ReadInteger(Section, Key, -1);
    if (value == -1)
        Refuse(FileName, "[" + Section + "] " + Key + " = " + Quoted(Ini.ReadString(Section, Key, "")) +
                             " is no number other than -1");
    return value;
}

TTariff ReadSection(const TIniFile& Ini, const AnsiString& FileName, const AnsiString& Section) {
    TTariff t;
    if (!TryStrToInt(Copy(Section, kNumberStart, static_cast<Integer>(Section.size())), t.Tarif) || t.Tarif == -1)
        Refuse(FileName, "section [" + Section + "] holds no tariff number after its sixth character");
    t.Cislo = Ini.ReadString(Section, "PHONE", "");
    if (t.Cislo.empty()) Refuse(FileName, "[" + Section + "] has no PHONE");
    if (t.Cislo.size() > kMaxPhone)
        Refuse(FileName, "[" + Section + "] PHONE = " + Quoted(t.Cislo) + " is " + IntToStr(t.Cislo.size()) +
                             " characters long, the limit is " + IntToStr(kMaxPhone));
    t.SmsMax = ReadCount(Ini, FileName, Section, "SMSMAX");
    t.PmsMax = ReadCount(Ini, FileName, Section, "PMSMAX");
    t.Interval = ReadCount(Ini, FileName, Section, "INTERVAL");
    const AnsiString tax = Ini.ReadString(Section, "TAX", "");
    // Read as the currency type reads it: '.' as the decimal point whatever
    // the locale, four decimals, the type's range.
    t.Cena = -1;
    try {
        t.Cena = StrToCurr(tax);
    } catch (const EConvertError&) {
    }
    if (t.Cena == -1) Refuse(FileName, "[" + Section + "] TAX = " + Quoted(tax) + " is no price other than -1");
    return t;
}

}  // namespace

std::vector<TTariff> ReadTariffFile(const AnsiString& FileName) {
    std::vector<TTariff> tariffs;
    // The settings-file reader takes a file it cannot read for an empty
    // one, which would pass for a file without tariffs.
    if (DirectoryExists(FileName)) Refuse(FileName, "it is a folder");
    if (!FileExists(FileName)) return tariffs;
    const Int64 size = FileSize(FileName);
    if (size > kMaxFileSize)
        Refuse(FileName, "the file has " + IntToStr(size) + " bytes, the limit is " + IntToStr(kMaxFileSize));
    try {
        ReadFileBytes(FileName);
    } catch (const EStreamError& E) {
        Refuse(FileName, E.Message());
    }
    const TIniFile ini(FileName);
    for (const AnsiString& section : ini.ReadSections()) tariffs.push_back(ReadSection(ini, FileName, section));
    return tariffs;
}

void LoadTariffs(TDM& Data, const AnsiString& FileName, TCallLimits& Limits) {
    // Read in full before the table is touched, so that a file that cannot
    // be used leaves the tariffs in force.
    const std::vector<TTariff> tariffs = ReadTariffFile(FileName);
    TMemData* table = Data.Tarify;
    table->DisableControls();
    auto enable = ScopeExit([table] { table->EnableControls(); });
    // Closing empties the table.
    table->Close();
    table->Open();
    for (const TTariff& t : tariffs) {
        table->Append();
        auto cancel = ScopeFail([table] { table->Cancel(); });
        Data.TarifyTarif->SetAsInteger(t.Tarif);
        Data.TarifyCislo->SetAsString(t.Cislo);
        Data.Tarifysmsmax->SetAsInteger(t.SmsMax);
        Data.Tarifypmsmax->SetAsInteger(t.PmsMax);
        Data.Tarifyinterval->SetAsInteger(t.Interval);
        Data.Tarifycena->SetAsCurrency(t.Cena);
        table->Post();
    }
    TCallLimits limits;
    // The table is sorted by Tarif: its last row is the highest tariff.
    table->Last();
    if (!table->IsEmpty()) {
        limits.TextParts = Data.Tarifysmsmax->AsInteger();
        limits.Objects = Data.Tarifypmsmax->AsInteger();
    }
    Limits = limits;
}

void LoadTariffs(TDM& Data, TCallLimits& Limits) { LoadTariffs(Data, ProgramFolder() + "tariffs.brc", Limits); }
