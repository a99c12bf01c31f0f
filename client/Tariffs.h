#pragma once
// The message centre's tariffs: the file "tariffs.brc" in the program folder,
// which a call fetches when the centre offers a newer one, read into the
// table Tarify, and the per-call maxima that ticking and sending check.
//
// "tariffs.brc" is a sectioned key=value file, one section per tariff:
//
//   SECTION / KEY  TYPE     DESCRIPTION
//   [xxxxxxN]      name     six characters of any kind, then the tariff number N
//   PHONE          text     the number to dial, 1 to 20 characters
//   SMSMAX         integer  most text-message parts one call may carry
//   PMSMAX         integer  most objects (ring tones, logos, pictures) one call may carry
//   INTERVAL       integer  the tariff's interval
//   TAX            decimal  price per minute, '.' as the decimal point
//
// A tariff number or integer that does not read, or reads as -1, a missing
// PHONE and a TAX that does not read, or reads as -1, make the whole file
// unusable. A missing file is a file without tariffs.

#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/System.h"

class TDM;

// The per-call maxima, both taken from the tariff with the highest number.
struct TCallLimits {
    Integer TextParts = 0;  // Tarify.smsmax: text-message parts a call takes
    Integer Objects = 0;    // Tarify.pmsmax: objects a call takes
};

// One section of the file.
struct TTariff {
    Integer Tarif = 0;
    AnsiString Cislo;
    Integer SmsMax = 0;
    Integer PmsMax = 0;
    Integer Interval = 0;
    double Cena = 0;
};

// A tariff file that cannot be used. Message() is the text for the user
// ("TariffReadFailed"); Reason() names the file, the section, the key and
// the value, for the event log.
class ETariffFileError : public Exception {
public:
    ETariffFileError(AnsiString Message, AnsiString Reason)
        : Exception(std::move(Message)), FReason(std::move(Reason)) {}
    const char* ClassName() const noexcept override { return "ETariffFileError"; }
    const AnsiString& Reason() const { return FReason; }

private:
    AnsiString FReason;
};

// Reads every section, in file order; raises ETariffFileError at the first
// one that cannot be used, or when the file exists but cannot be read.
std::vector<TTariff> ReadTariffFile(const AnsiString& FileName);

// Replaces the rows of Tarify (opened when closed) by the tariffs of the
// file and sets Limits from the highest one (0 and 0 for none). A file that
// cannot be used changes neither the table nor Limits: the tariffs in force
// stay, and ETariffFileError says why.
void LoadTariffs(TDM& Data, const AnsiString& FileName, TCallLimits& Limits);

// The same for "tariffs.brc" of the program folder.
void LoadTariffs(TDM& Data, TCallLimits& Limits);
