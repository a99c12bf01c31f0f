#pragma once
// The contacts of the user's mail client, for the address book's import.
//
// The mail client a Linux desktop usually has keeps its profiles under
// ".thunderbird" in the home folder (or in the sandboxed copies a snap or a
// flatpak install makes), listed in "profiles.ini":
//
//   [Install<hash>]           the profile an installation starts with
//   Default=<path>            (newer installations; wins when present)
//   [Profile0]
//   Path=<path>               relative to the folder of profiles.ini when
//   IsRelative=1              IsRelative is 1, else absolute
//   Default=1                 the default profile of older installations
//
// The personal address book is the SQLite file "abook.sqlite" of that
// profile, opened read-only. Each card is a set of rows of its table
// "properties" (card, name, value): the name shown is "DisplayName" (or
// "FirstName" and "LastName" when it has none), the mobile number is
// "CellularNumber", or, in the cards newer clients keep as a vCard in
// "_vCard", the telephone entry of type "cell".
//
// Texts come as UTF-8 and are handed over in Windows-1250.

#include <memory>
#include <string_view>
#include <vector>

#include "platform/rtl/System.h"

struct TMailContact {
    AnsiString FullName;
    AnsiString MobileNumber;  // as the card holds it, blanks included
};

class TMailContactsProvider {
public:
    virtual ~TMailContactsProvider() = default;
    // Replaces Contacts by every card of the address book, in its order.
    // False when there is no mail client or no address book to read.
    virtual bool ReadContacts(std::vector<TMailContact>& Contacts) = 0;
};

class TDesktopMailContacts : public TMailContactsProvider {
public:
    // HomeFolder empty: the user's home folder.
    explicit TDesktopMailContacts(const AnsiString& HomeFolder = "");

    // The address book of the default profile; "" when there is no profile
    // list, no default profile in it or no address book in that profile.
    AnsiString AddressBookFile() const;
    bool ReadContacts(std::vector<TMailContact>& Contacts) override;

private:
    AnsiString FHomeFolder;
};

// The mobile number of a vCard: the value of its first TEL entry whose TYPE
// names "cell" (vCard 2.1's bare CELL parameter too), with a "tel:" prefix
// removed; "" when there is none. UTF-8 in and out.
std::string VCardMobileNumber(std::string_view VCard);
