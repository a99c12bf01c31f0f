#pragma once
// Queueing a composed message: one row per ticked recipient in the text
// queue (Fronta) or the queue of ring tones, logos and picture messages
// (FrontObj). The composer window gathers what was written and the settings
// that apply; this unit walks the address book and appends the rows.

#include <functional>

#include "client/ComposerParts.h"
#include "platform/rtl/System.h"

class TDM;
class TMemData;

// What the composer hands over.
struct TComposedMessage {
    AnsiString Type;     // "text", "ringtone", "logo", "group" or "picture"
    AnsiString Name;     // of the melody or picture (Nazev)
    AnsiString Text;     // the message, or a picture message's text
    AnsiString Melody;   // ring-tone text
    AnsiString Picture;  // the picture as bitmap-file bytes; empty for none
};

// Text rows go to Fronta, every other kind to FrontObj.
TMemData* QueueTableFor(TDM& Data, const AnsiString& Type);

struct TQueueOptions {
    bool WholeWords = false;         // split at word boundaries
    bool SeveralRecipients = false;  // per-recipient salutation and signature
    bool AddSalutation = false;
    bool AddSignature = false;
    AnsiString HomeCountry;          // by its name in Staty
    AnsiString DeliveryAddress;      // for the delivery report; empty for none
    TDateTime SendTime = 0;
    bool Tick = false;               // the rows are ticked for sending
    Integer Group = 0;               // the group whose ticked contacts get a row
    // Asked, with the contact current, for each recipient whose number is not
    // one of the home country's; false leaves that recipient out.
    std::function<bool()> ConfirmForeign;
};

// What a contact's row puts around the composed text, converted as the row
// stores it: for a text to several recipients the contact's salutation and
// a blank before it, a blank and the signature after it, each when the
// options ask for it and the contact has one; nothing otherwise. The row
// stores Lead + Plain(text) + Tail.
TTextFrame RecipientFrame(const TPlainConversion& Plain, const TComposedMessage& Message, const TQueueOptions& Options,
                          const AnsiString& Salutation, const AnsiString& Signature);

// The name of the first ticked contact of the group, in the address book's
// order, whose row could not carry the text whole in five parts as the send
// splits it; empty when every row can, and for anything but a text. The
// address book's current contact and its contact events come back as they
// were.
AnsiString RecipientTooLong(TDM& Data, const TComposedMessage& Message, const TQueueOptions& Options);

// Appends one row per ticked contact of the group, in the address book's
// order, and returns how many. A text message sent to several recipients
// gets each recipient's own salutation in front and signature behind, each
// only when the recipient has one. The stored text is stripped of
// diacritics, and the part count is that of the stored text, which is what
// the send will split. A text that some row could not carry whole
// (RecipientTooLong) gets no row at all: a message is sent whole or not at
// all. The address book's current contact and its contact events come back
// as they were; the queue is not saved here.
Integer EnqueueForTickedContacts(TDM& Data, const TComposedMessage& Message, const TQueueOptions& Options);
