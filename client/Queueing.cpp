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

AnsiString RecipientText(TDM& Data, const TComposedMessage& Message, const TQueueOptions& Options) {
    if (!Options.SeveralRecipients || Message.Type != "text") return Message.Text;
    AnsiString text = Message.Text;
    const AnsiString salutation = Data.AdresaOsloveni->AsString();
    const AnsiString signature = Data.AdresaPodpis->AsString();
    if (Options.AddSalutation && !salutation.empty()) text = salutation + " " + text;
    if (Options.AddSignature && !signature.empty()) text += " " + signature;
    return text;
}

}  // namespace

Integer EnqueueForTickedContacts(TDM& Data, const TComposedMessage& Message, const TQueueOptions& Options) {
    TMemData* adresa = Data.Adresa;
    TMemData* queue = QueueTableFor(Data, Message.Type);
    const AnsiString domestic = DomesticPrefix(Data, Options.HomeCountry);
    Integer appended = 0;

    Data.BeginBulkUpdate(true);
    auto endBulk = ScopeExit([&Data] { Data.EndBulkUpdate(true); });
    const TBookmark place = adresa->GetBookmark();
    auto back = ScopeExit([adresa, &place] {
        if (!place.empty() && adresa->BookmarkValid(place)) adresa->GotoBookmark(place);
    });
    auto dropRow = ScopeFail([queue] {
        if (queue->State() == dsInsert) queue->Cancel();
    });
    for (adresa->First(); !adresa->Eof(); adresa->Next()) {
        if (!Data.AdresaVybrany->AsBoolean() || !BelongsToGroup(Data.AdresaIDSkup->AsString(), Options.Group)) continue;
        const AnsiString number = Data.AdresaCislo->AsString();
        const bool home = !domestic.empty() && number.compare(0, domestic.size(), domestic) == 0;
        if (!home && Options.ConfirmForeign && !Options.ConfirmForeign()) continue;

        const AnsiString stored = StripDiacritics(Data, Options.HomeCountry, RecipientText(Data, Message, Options));
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
    }
    return appended;
}
