#pragma once
// What the main window does with the address book (Adresa) that needs no
// window: group membership, phone-number text, the summary of the ticked
// recipients, the repair of contact IDs, temporary contacts and the search
// behind the recipient edit.
//
// A contact's group list (IDSkup) holds group IDs in decimal, each followed
// by ";". Group 0 holds every contact.

#include <vector>

#include "platform/db/DataSet.h"
#include "platform/rtl/System.h"

class TDM;

// Whether a contact with this group list is shown under the chosen group:
// group 0 stands for all contacts.
bool BelongsToGroup(const AnsiString& Groups, Integer Group);

// Blanks, '/', '-', '(' and ')' removed; a leading '+' becomes "00".
AnsiString NormalisePhoneNumber(const AnsiString& Text);
// A non-empty text of the digits 0-9 only.
bool IsAllDigits(const AnsiString& Text);

// A contact's salutation and signature, which a text to several recipients
// carries around the composed text.
struct TContactEnding {
    AnsiString Salutation;
    AnsiString Signature;
    bool operator==(const TContactEnding&) const = default;
};

// The ticked contacts of a group, counted over every stored contact whatever
// the address book shows: their names, each followed by ";" except the last,
// how many they are, the room a message must leave for the longest
// salutation and signature among them (each counted with its blank), and
// their salutations and signatures, each pair once, in the order met.
struct TRecipientSummary {
    AnsiString Names;
    Integer Count = 0;
    Integer Reserve = 0;
    std::vector<TContactEnding> Endings;
};
TRecipientSummary SummariseTickedContacts(TDM& Data, Integer Group);

// Gives every contact without an ID (-1 or none), and every contact whose ID
// an earlier contact (in the address book's order) already has, a new ID
// above the largest one, counting up. The ticks stay as they are.
void NumberContacts(TDM& Data);

// At the end of a run: clears every tick, and of contacts sharing an ID all
// but the last (in ID order) get new IDs above the largest one.
void FixContactIds(TDM& Data);

// A temporary contact is one the program named for a typed number: its name
// starts with the temporary-contact word and a blank.
bool IsTemporaryContact(const AnsiString& Name, const AnsiString& TempWord);
// Deletes every temporary contact, those of groups not shown included; the
// current contact stays current when it is not among them. The number deleted.
Integer DeleteTemporaryContacts(TDM& Data, const AnsiString& TempWord);

// From the first contact shown: the first whose name starts with the text,
// ignoring letter case, becomes current (1); else the first whose name
// contains it (2); else nothing moves (0).
Integer FindContactByName(TDM& Data, const AnsiString& Text);
// The first contact shown whose number contains the digits becomes current.
bool FindContactByNumberPart(TDM& Data, const AnsiString& Digits);

// While it lives, the address book shows every contact, whatever group it
// showed, with its controls disabled; when it goes, the group's filter comes
// back as it was, and so does the current contact on the row of the window
// where it stood, so that a grid shows the rows it showed. Walking the table
// is the owner's business; the group's filter follows the current group of
// Skupiny, which the walk must not move.
class TEveryContactShown {
public:
    explicit TEveryContactShown(TDM& Data);
    ~TEveryContactShown();
    TEveryContactShown(const TEveryContactShown&) = delete;
    TEveryContactShown& operator=(const TEveryContactShown&) = delete;

private:
    TDM& FData;
    bool FFiltered;
    TBookmark FPlace;  // the current contact
    int FRow;          // its row in the data set's window
};
