#include "client/MailImport.h"

#include "client/DatMod.h"
#include "client/TextImpExp.h"
#include "core/Language.h"
#include "core/Msgdlg.h"
#include "platform/rtl/SysUtils.h"
#include "tables/memdset.h"

namespace {

const char* const kGroupName = "Outlook";

AnsiString CleanName(const AnsiString& Name) {
    AnsiString out;
    for (std::size_t i = 0; i < Name.size(); ++i) {
        const char c = Name[i];
        if (c == ';') {
            out += ',';
        } else if (c == '\r' || c == '\n') {
            // A CR LF pair is one line break, one blank.
            if (!(c == '\n' && i > 0 && Name[i - 1] == '\r')) out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

// The ID of the group "Outlook", made when missing.
Integer OutlookGroup() {
    TDM* dm = DM;
    // The table's lookup answers false when no row matches.
    const Variant found = dm->Skupiny->Lookup("Jmeno", Variant(kGroupName), "ID");
    if (found.Type() != varBoolean) return found.AsInteger();
    const Integer id = dm->NextGroupID();
    const Integer order = dm->NextGroupOrder();
    if (id < 0 || order < 0) throw EDatabaseError("no free group number");
    dm->Skupiny->Append();
    dm->SkupinyID->SetAsInteger(id);
    dm->SkupinyJmeno->SetAsString(kGroupName);
    dm->SkupinyPoradi->SetAsInteger(order);
    dm->Skupiny->Post();
    return id;
}

}  // namespace

void MailContactLines(const std::vector<TMailContact>& Contacts, TStringList& Lines) {
    Lines.Clear();
    for (const TMailContact& contact : Contacts) {
        AnsiString number = StringReplace(contact.MobileNumber, " ", "", {rfReplaceAll});
        std::erase_if(number, [](char c) { return c == '\r' || c == '\n'; });
        if (number.empty()) continue;
        // A separator in the number would push the rest of it into the
        // contact's group list; quoted, the number stays whole and the
        // number check reports it.
        Lines.Add(CleanName(contact.FullName) + ";" + ExportTextValue(number, ';'));
    }
}

Integer ImportMailContacts(TMailContactsProvider& Provider, TPhoneNumberServices& Phones) {
    std::vector<TMailContact> contacts;
    if (!Provider.ReadContacts(contacts)) {
        LocalMessageDlg(LangText("OutlookFail",
                                 "Nepodařilo se přečíst adresář poštovního programu. Je poštovní program "
                                 "nainstalovaný a má osobní adresář kontaktů?"),
                        mtError, TMsgDlgButtons{mbOK}, 0);
        return -1;
    }
    TStringList lines;
    MailContactLines(contacts, lines);

    Integer group = -1;
    try {
        group = OutlookGroup();
    } catch (const Exception&) {
        if (DM->Skupiny->State() == dsInsert) DM->Skupiny->Cancel();
        LocalMessageDlg(LangText("GrpOutlookFail", "Nepodařilo se vytvořit skupinu Outlook."), mtError,
                        TMsgDlgButtons{mbOK}, 0);
        return -1;
    }
    ImportText(DM->Adresa, "", group, &lines, ';', &Phones);
    LocalMessageDlg(LangFormat("ImpOutlookOK", "Import byl dokončen, bylo nalezeno %d adresátů s mobilním číslem.",
                               lines.Count()),
                    mtInformation, TMsgDlgButtons{mbOK}, 0);
    // A group list of older files has no order numbers yet. The first
    // group is looked at in storage, so that the current one stays.
    TMemFields* storage = DM->Skupiny->MemFields();
    const TMemField* order = storage->FindDescriptor(DM->SkupinyPoradi);
    if (order && storage->StoredRecordCount() > 0 && order->IsNullAt(0)) DM->RenumberGroups();
    return lines.Count();
}
