#include "client/PhoneNumbers.h"

#include <algorithm>
#include <memory>

#include "client/DatMod.h"
#include "client/Languages.h"
#include "core/Msgdlg.h"
#include "core/midi.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

namespace {

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

bool FitsPattern(const AnsiString& Pattern, const AnsiString& Number) {
    for (std::size_t i = 0; i < Pattern.size(); ++i) {
        if (Pattern[i] == '#' ? !IsDigit(Number[i]) : Pattern[i] != Number[i]) return false;
    }
    return true;
}

// The patterns of the current country row.
void ReadPatterns(TDM& Data, TStringList& Patterns) {
    Patterns.Clear();
    SplitString(';', Data.StatyFiltr->AsString(), &Patterns);
}

}  // namespace

bool LocateHomeCountry(TDM& Data, const AnsiString& HomeCountry) {
    if (!Data.Staty->Active()) return false;
    return Data.Staty->Locate("Jmeno", Variant(HomeCountry), TLocateOptions{loCaseInsensitive});
}

bool MatchCountryPattern(TDM& Data, const AnsiString& Number) {
    if (Number.empty() || !Data.Staty->Active()) return false;
    TMemData* staty = Data.Staty;
    // The walk is not something to show in a grid over the countries.
    staty->DisableControls();
    auto enable = ScopeExit([staty] { staty->EnableControls(); });
    bool matched = false;
    TStringList patterns;
    for (staty->First(); !staty->Eof(); staty->Next()) {
        const AnsiString prefix = "00" + Data.StatyPredcisli->AsString();
        ReadPatterns(Data, patterns);
        for (int i = 0; i < patterns.Count(); ++i) {
            const AnsiString& pattern = patterns[i];
            if (pattern.size() != Number.size()) break;
            if (Number.compare(0, prefix.size(), prefix) != 0) break;
            if (FitsPattern(pattern, Number)) {
                matched = true;
                break;
            }
        }
    }
    return matched;
}

bool ValidatePhoneNumber(TDM& Data, const AnsiString& HomeCountry, AnsiString& Number, bool ShowMessages) {
    for (char c : Number) {
        if (IsDigit(c)) continue;
        if (ShowMessages)
            LocalMessageDlg(LangText("InvalidNumChar", "Číslo obsahuje nedovolené znaky"), mtError,
                            TMsgDlgButtons{mbOK}, 0);
        return false;
    }
    if (MatchCountryPattern(Data, Number)) return true;
    if (!LocateHomeCountry(Data, HomeCountry)) return false;
    // A number that already names its country is not the home country's:
    // its last digits under the home code would be another subscriber.
    const bool international = Number.compare(0, 2, "00") == 0;

    const AnsiString prefix = "00" + Data.StatyPredcisli->AsString();
    TStringList patterns;
    ReadPatterns(Data, patterns);
    for (int i = 0; i < patterns.Count() && !international; ++i) {
        // The digits the pattern leaves for the subscriber number; a pattern
        // shorter than the prefix leaves none.
        const long long room = static_cast<long long>(patterns[i].size()) - static_cast<long long>(prefix.size());
        AnsiString suffix;
        if (room >= static_cast<long long>(Number.size()))
            suffix = Number;
        else if (room > 0)
            suffix = Number.substr(Number.size() - static_cast<std::size_t>(room));
        const AnsiString candidate = prefix + suffix;
        if (!MatchCountryPattern(Data, candidate)) continue;
        // The caller stores the repaired number in the current contact. An
        // empty table is left alone: editing it would insert a blank contact.
        TMemData* adresa = Data.Adresa;
        if (adresa->Active() && adresa->State() == dsBrowse && !adresa->IsEmpty()) adresa->Edit();
        Number = candidate;
        return true;
    }
    if (ShowMessages)
        LocalMessageDlg(LangFormat("InvalidNum", "%s není platné telefonní číslo.", Number), mtError,
                        TMsgDlgButtons{mbOK}, 0);
    return false;
}

AnsiString StripDiacritics(TDM& Data, const AnsiString& HomeCountry, const AnsiString& Text) {
    return TPlainText(Data, HomeCountry)(Text);
}

TPlainText::TPlainText(TDM& Data, const AnsiString& HomeCountry) : FFound(LocateHomeCountry(Data, HomeCountry)) {
    if (!FFound) return;
    FLetters = Data.StatyHacky->AsString();
    FPlain = Data.StatyBezHacku->AsString();
}

AnsiString TPlainText::operator()(const AnsiString& Text) const {
    if (!FFound) return Text;
    AnsiString result;
    result.reserve(Text.size());
    for (char c : Text) {
        // A letter without its counterpart in BezHacku (the country's two
        // lists differ in length) falls to the rules below, like any other.
        const std::size_t k = FLetters.find(c);
        if (k != AnsiString::npos && k < FPlain.size()) {
            result += FPlain[k];
            continue;
        }
        const unsigned char code = static_cast<unsigned char>(c);
        if (code == 13)
            result += ' ';
        else if (code < 32 || code >= 127 || c == '\'' || c == '\\' || c == '`' || c == '|' || c == '~')
            continue;
        else
            result += c;
    }
    return result;
}

AnsiString InternationalPrefixText(TDM& Data, const AnsiString& HomeCountry) {
    AnsiString text = "00";
    if (LocateHomeCountry(Data, HomeCountry)) text += Data.StatyPredcisli->AsString() + "-";
    return text;
}

void PrefillInternationalPrefix(TDM& Data, const AnsiString& HomeCountry, TEdit* Edit) {
    if (!Edit->Text().empty()) return;
    const AnsiString text = InternationalPrefixText(Data, HomeCountry);
    Edit->SetText(text);
    Edit->SetSelStart(static_cast<Integer>(text.size()));
    Edit->SetSelLength(0);
}

void CaretToEndAfterClick(TEdit* Edit) {
    std::weak_ptr<void> alive = Edit->AliveToken();
    Application->Post([alive, Edit] {
        if (!alive.expired()) Edit->SetSelStart(static_cast<Integer>(Edit->Text().size()));
    });
}

void FilterPhoneNumberText(TEdit* Edit, const AnsiString& Prefilled) {
    const AnsiString text = Edit->Text();
    std::size_t from = 0;
    // A '+' typed straight after the prefix the edit was given begins a
    // number of another country: kept behind that prefix, it would be taken
    // out and the number filed under the home country.
    if (!Prefilled.empty() && text.size() > Prefilled.size() && text.compare(0, Prefilled.size(), Prefilled) == 0 &&
        text[Prefilled.size()] == '+')
        from = Prefilled.size();
    AnsiString kept;
    bool leading = true;
    for (char c : text.substr(from)) {
        const bool digit = IsDigit(c);
        if (c == '+' ? leading : digit || c == ' ' || c == '-' || c == '/') kept += c;
        if (digit || c == '+') leading = false;
    }
    if (kept == text) return;
    const Integer caret = Edit->SelStart() - static_cast<Integer>(text.size() - kept.size());
    Edit->SetText(kept);
    Edit->SetSelStart(std::max<Integer>(caret, 0));
}
