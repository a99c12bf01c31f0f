#pragma once
// The main window's phone-number operations that the contact editor and the
// text import use. The main window implements them; tests put fakes in its
// place.

#include "platform/rtl/System.h"

class TEdit;

class TPhoneNumberServices {
public:
    virtual ~TPhoneNumberServices() = default;
    // Blanks, '/', '-', '(' and ')' removed, a leading '+' made "00".
    virtual AnsiString NormalisePhoneNumber(const AnsiString& Text) = 0;
    // Checks the number against the country table; may rewrite it into its
    // international form. With ShowMessages the user is told what is wrong.
    virtual bool ValidatePhoneNumber(AnsiString& Number, bool ShowMessages) = 0;
    // An empty edit gets "00", the home country's prefix and "-"; the caret
    // goes to the end.
    virtual void PrefillInternationalPrefix(TEdit* Edit) = 0;
    // Removes what a phone number cannot hold from the edit's text.
    virtual void FilterPhoneNumberChars(TEdit* Edit) = 0;
};
