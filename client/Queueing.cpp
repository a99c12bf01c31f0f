#include "client/Queueing.h"

#include "client/Contacts.h"
#include "client/DatMod.h"
#include "client/PhoneNumbers.h"
#include "core/Zprava.h"
#include "platform/rtl/ScopeGuard.h"

TMemData* QueueTableFor(TDM& Data, const AnsiString& Type) { return Type == "text" ? Data.Fronta : Data.FrontObj; }

namespace {

// The home country's numbers start with "00" and its calling code; empty
// when the home country is not in Staty, so that no number is domestic.
AnsiString DomesticPrefix(TDM& Data, const AnsiString& HomeCountry) {
    if (HomeCountry.empty() || !Data.Staty->Locate("Jmeno", Variant(HomeCountry), TLocateOptions{loCaseInsensitive}))
        return {};
    return "00" + Data.StatyPredcisli->AsString();
}

// Walks the ticked contacts of the group, each current in turn, until Each
// returns false; the contact events stay quiet and the current contact
// comes back.
template <class F>
void ForEachTickedContact(TDM& Data, Integer Group, F&& Each) {
    TMemData* adresa = Data.Adresa;
    Data.BeginBulkUpdate(true);
    auto endBulk = ScopeExit([&Data] { Data.EndBulkUpdate(true); });
    const TBookmark place = adresa->GetBookmark();
    auto back = ScopeExit([adresa, &place] {
        if (!place.empty() && adresa->BookmarkValid(place)) adresa->GotoBookmark(place);
    });
    for (adresa->First(); !adresa->Eof(); adresa->Next()) {
        if (!Data.AdresaVybrany->AsBoolean() || !BelongsToGroup(Data.AdresaIDSkup->AsString(), Group)) continue;
        if (!Each()) return;
    }
}

}  // namespace

TTextFrame RecipientFrame(const TPlainConversion& Plain, const TComposedMessage& Message, const TQueueOptions& Options,
                          const AnsiString& Salutation, const AnsiString& Signature) {
    TTextFrame frame;
    if (!Options.SeveralRecipients || Message.Type != "text") return frame;
    if (Options.AddSalutation && !Salutation.empty()) frame.Lead = Plain(Salutation + " ");
    if (Options.AddSignature && !Signature.empty()) frame.Tail = Plain(" " + Signature);
    return frame;
}

AnsiString RecipientTooLong(TDM& Data, const TComposedMessage& Message, const TQueueOptions& Options) {
    if (Message.Type != "text") return {};
    const TPlainText plain(Data, Options.HomeCountry);
    const AnsiString text = plain(Message.Text);
    AnsiString name;
    ForEachTickedContact(Data, Options.Group, [&] {
        const TTextFrame frame =
            RecipientFrame(plain, Message, Options, Data.AdresaOsloveni->AsString(), Data.AdresaPodpis->AsString());
        if (Trozdel(frame.Lead + text + frame.Tail, Options.WholeWords).DroppedLength() == 0) return true;
        name = Data.AdresaJmeno->AsString();
        return false;
    });
    return name;
}

Integer EnqueueForTickedContacts(TDM& Data, const TComposedMessage& Message, const TQueueOptions& Options) {
    if (!RecipientTooLong(Data, Message, Options).empty()) return 0;
    TMemData* queue = QueueTableFor(Data, Message.Type);
    const AnsiString domestic = DomesticPrefix(Data, Options.HomeCountry);
    const TPlainText plain(Data, Options.HomeCountry);
    const AnsiString text = plain(Message.Text);
    Integer appended = 0;

    auto dropRow = ScopeFail([queue] {
        if (queue->State() == dsInsert) queue->Cancel();
    });
    ForEachTickedContact(Data, Options.Group, [&] {
        const AnsiString number = Data.AdresaCislo->AsString();
        const bool home = !domestic.empty() && number.compare(0, domestic.size(), domestic) == 0;
        if (!home && Options.ConfirmForeign && !Options.ConfirmForeign()) return true;

        const TTextFrame frame =
            RecipientFrame(plain, Message, Options, Data.AdresaOsloveni->AsString(), Data.AdresaPodpis->AsString());
        const AnsiString stored = frame.Lead + text + frame.Tail;
        Trozdel parts(stored, Options.WholeWords);

        queue->Append();
        queue->FieldByName("Jmeno")->SetAsString(Data.AdresaJmeno->AsString());
        queue->FieldByName("Cislo")->SetAsString(number);
        queue->FieldByName("Zprava")->SetAsString(stored);
        queue->FieldByName("Napsano")->SetAsDateTime(Now());
        queue->FieldByName("Poslat")->SetAsDateTime(Options.SendTime);
        queue->FieldByName("Vybrany")->SetAsBoolean(Options.Tick);
        queue->FieldByName("Potvrdit")->SetAsString(Options.DeliveryAddress);
        queue->FieldByName("Melodie")->SetAsString(Message.Melody);
        if (!Message.Picture.empty()) queue->FieldByName("Logo")->SetAsString(Message.Picture);
        queue->FieldByName("Typ")->SetAsString(Message.Type);
        queue->FieldByName("Nazev")->SetAsString(Message.Name);
        queue->FieldByName("Pocet")->SetAsInteger(parts.PartCount());
        queue->Post();
        ++appended;
        return true;
    });
    return appended;
}
