#pragma once
// Phone numbers and message text checked against the country table Staty.
// Each country row gives its calling code (Predcisli, without "00"), the
// shapes its numbers may take (Filtr: patterns separated by ";", where "#"
// is one digit and any other character stands for itself, and a pattern
// fits only numbers of its own length) and the letters of its language
// with their plain replacements (SHacky and BezHacku, position by position).
// Numbers are kept in international form: "00", the calling code, the
// subscriber number.
//
// The home country is the row whose Jmeno equals the settings' home-country
// name, ignoring case; the main window, the contact editor and the settings
// window pass that name in.

#include "platform/rtl/System.h"

class TDM;
class TEdit;

// Makes the home country's row of Staty current; false when Staty has none.
bool LocateHomeCountry(TDM& Data, const AnsiString& HomeCountry);

// True when a pattern of some country fits the number. Within a row the
// patterns are tried in order until one has another length than the number
// (the row's later patterns are not tried); a number that does not start
// with "00" and the row's code is left to the other rows. Every row is
// examined, and Staty is left behind its last row.
bool MatchCountryPattern(TDM& Data, const AnsiString& Number);

// True when the number is acceptable. A number with anything but the digits
// 0-9 is refused ("InvalidNumChar"). One that no country accepts is tried as
// a number written without the home country's code: for each pattern of the
// home country, "00", the code and as many of the number's last digits as
// the pattern leaves room for; the first such candidate that some country
// accepts replaces the number, after Adresa has been put into edit state so
// that the caller can store it there. A number beginning with "00" was
// written with its country and is never repaired. None: false
// ("InvalidNum"). Without a home country in Staty nothing is repaired and
// nothing is shown.
bool ValidatePhoneNumber(TDM& Data, const AnsiString& HomeCountry, AnsiString& Number, bool ShowMessages);

// The text as the message centre takes it: letters of the home country's
// language become their plain forms, CR becomes a blank, and control
// characters, ' \ ` | ~, DEL and every other character above 127 are
// dropped. Without a home country in Staty the text is returned unchanged.
AnsiString StripDiacritics(TDM& Data, const AnsiString& HomeCountry, const AnsiString& Text);

// The same conversion with the home country looked up once, for the
// composer, which converts at every keystroke. Each character is converted
// on its own, so the text of a whole is the texts of its pieces joined.
class TPlainText {
public:
    TPlainText(TDM& Data, const AnsiString& HomeCountry);
    AnsiString operator()(const AnsiString& Text) const;

private:
    bool FFound = false;
    AnsiString FLetters;
    AnsiString FPlain;
};

// "00", the home country's code and "-" ("00" alone when the home country is
// not in Staty): how an empty phone-number edit starts.
AnsiString InternationalPrefixText(TDM& Data, const AnsiString& HomeCountry);
// Starts an empty phone-number edit with that text, caret at the end.
void PrefillInternationalPrefix(TDM& Data, const AnsiString& HomeCountry, TEdit* Edit);
// For the mouse press that entered an edit just prefilled: the click would
// put the caret inside the prefix. The edit places the caret for the click
// after its mouse-down handler, so the move to the end waits behind it.
void CaretToEndAfterClick(TEdit* Edit);

// Takes out of a phone-number edit, as it is typed, what a number cannot
// hold: only digits, blanks, '-' and '/' stay, and a '+' before any digit,
// which the number's normalisation turns into "00". Losing that '+' would
// leave the country code looking like a national number, which the check
// then files under the home country. The caret steps back over the
// characters taken out. Prefilled is the prefix the empty edit was given
// (InternationalPrefixText): a '+' typed right after it replaces it.
void FilterPhoneNumberText(TEdit* Edit, const AnsiString& Prefilled = AnsiString());
