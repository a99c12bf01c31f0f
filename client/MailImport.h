#pragma once
// The address book's import from the address book of the user's mail client
// ("Import z pošty"): every contact with a mobile number joins the address
// book and the group "Outlook", whose name stored address books already
// carry, and the user is told how many were found.

#include <vector>

#include "client/PhoneServices.h"
#include "platform/os/MailContacts.h"
#include "platform/rtl/StringList.h"

// The import's lines: name, ";", the mobile number without blanks, for each
// contact with a mobile number. ";", CR and LF in a name would shift or
// split the line's fields, so they become "," and blanks.
void MailContactLines(const std::vector<TMailContact>& Contacts, TStringList& Lines);

// The whole command with its messages. Returns the number of contacts found
// with a mobile number (also those already in the address book), or -1 when
// the mail client could not be read or the group not be made.
Integer ImportMailContacts(TMailContactsProvider& Provider, TPhoneNumberServices& Phones);
