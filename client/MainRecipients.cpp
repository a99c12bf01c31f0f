// Picking recipients beside the composer: the check grid over the address
// book, the recipient edit with its incremental search and its numbers
// turned into contacts, the group selector and the ticked-recipient summary.
//
// One recipient (the default): the current contact is the one ticked, and
// moving to another contact moves the tick (the data module's contact events
// do that). Several recipients: the ticks stay where the user puts them.

#include <utility>

#include "client/Contacts.h"
#include "client/Main.h"
#include "client/PhoneNumbers.h"
#include "core/Language.h"
#include "core/Msgdlg.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/ScopeGuard.h"

void TfMain::SetRecipientText(const AnsiString& Text) {
    TNotifyEvent handler = std::exchange(ComboEdit1->OnChange, nullptr);
    auto restore = ScopeExit([this, &handler] { ComboEdit1->OnChange = std::move(handler); });
    ComboEdit1->SetText(Text);
}

void TfMain::MoveToComposer() {
    if (REdit1->CanFocus()) REdit1->SetFocus();
}

Integer TfMain::CurrentGroupID() const {
    if (!DM || !DM->Skupiny->Active() || DM->Skupiny->IsEmpty()) return 0;
    return DM->SkupinyID->AsInteger();
}

void TfMain::SetSeveralRecipients(bool Value) {
    FSeveral = Value;
    StatusBar2->SetVisible(Value);
    if (!Value) TickOnlyCurrent();
    ShowRecipientSummary();
    // Salutations and signatures are added only for several recipients.
    UpdateComposerCounters();
}

// ---------------------------------------------------------------------------
// The summary of ticked recipients

Integer TfMain::CountTickedRecipients() { return SummariseTickedContacts(*DM, CurrentGroupID()).Count; }

void TfMain::ShowRecipientSummary() {
    if (!DM || !DM->Adresa->Active()) return;
    const TRecipientSummary summary = SummariseTickedContacts(*DM, CurrentGroupID());
    StatusBar2->Panels()->Items(1)->SetText(summary.Names);
    StatusBar2->Panels()->Items(2)->SetText(IntToStr(summary.Count));
    // The counters measure the text as each ticked contact's row will carry
    // it, salutation and signature included.
    if (summary.Endings != FEndings) {
        FEndings = summary.Endings;
        UpdateComposerCounters();
    }
}

// ---------------------------------------------------------------------------
// The address book shown: the chosen group, the contact last used

void TfMain::RefilterContacts() {
    TMemData* adresa = DM->Adresa;
    if (!adresa->Active()) return;
    try {
        const bool had = !adresa->IsEmpty();
        const Integer id = had ? DM->AdresaID->AsInteger() : 0;
        // The whole address book lets every contact through: when every one
        // already shows, a walk over all of them would find the same list.
        if (CurrentGroupID() != 0 || adresa->Filtered()) {
            DM->SetGroupFilter(true);
            auto off = ScopeExit([] { DM->SetGroupFilter(false); });
            adresa->RebuildFilterList();
        }
        if (adresa->IsEmpty()) {
            for (Integer i = 0; i < 3; ++i) StatusBar1->Panels()->Items(i)->SetText("");
            return;
        }
        // The contact stays current when the group holds it.
        if (!had || !adresa->Locate("ID", Variant(id), TLocateOptions{})) adresa->First();
    } catch (const Exception&) {
    }
}

void TfMain::RestoreLastContact() {
    const AnsiString last = TIniFile(SettingsFileName()).ReadString("MainForm", "LastNum", "");
    TMemData* adresa = DM->Adresa;
    if (last.empty() || !adresa->Locate("Cislo", Variant(last), TLocateOptions{})) adresa->First();
    SetRecipientText("");
}

void TfMain::DBLookupComboBox1Click(TObject*) {
    TMemData* tmp = DM->TmpTab;
    if (tmp->State() == dsEdit || tmp->State() == dsInsert) tmp->Post();
    DM->Skupiny->Locate("ID", Variant(DM->TmpTabID->AsInteger()), TLocateOptions{});
    RefilterContacts();
    ShowRecipientSummary();
}

void TfMain::Panel1Resize(TObject*) {
    if (CheckGrid && CheckGrid->Columns()->Count() > 1) CheckGrid->Columns()->Items(1)->SetWidth(Panel1->Width() - 45);
}

// ---------------------------------------------------------------------------
// Ticks

void TfMain::SetCurrentTick(bool Ticked) {
    TMemData* adresa = DM->Adresa;
    if (!adresa->Active() || adresa->IsEmpty() || DM->AdresaVybrany->AsBoolean() == Ticked) return;
    adresa->Edit();
    DM->AdresaVybrany->SetAsBoolean(Ticked);
    adresa->Post();
}

void TfMain::ToggleCurrentTick() {
    if (!DM->Adresa->IsEmpty()) SetCurrentTick(!DM->AdresaVybrany->AsBoolean());
}

void TfMain::TickOnlyCurrent() {
    if (FSeveral || !DM || !DM->Adresa->Active()) return;
    DM->ClearContactTicks();
    DM->Adresa->Refresh();
    SetCurrentTick(true);
}

void TfMain::SetAllTicks(bool Ticked) {
    TMemData* adresa = DM->Adresa;
    if (!adresa->Active() || adresa->IsEmpty()) return;
    {
        DM->BeginBulkUpdate(true);
        auto end = ScopeExit([] { DM->EndBulkUpdate(true); });
        const Integer id = DM->AdresaID->AsInteger();
        for (adresa->First(); !adresa->Eof(); adresa->Next()) SetCurrentTick(Ticked);
        adresa->Locate("ID", Variant(id), TLocateOptions{});
    }
    ShowRecipientSummary();
}

void TfMain::PopupMenu1Popup(TObject*) {
    Vybratvechny1->SetEnabled(FSeveral);
    Zruitvbr1->SetEnabled(FSeveral);
}

void TfMain::Vybratvechny1Click(TObject*) { SetAllTicks(true); }

void TfMain::Zruitvbr1Click(TObject*) { SetAllTicks(false); }

void TfMain::CheckGridCellClick(TColumn* Column) {
    if (Column && Column->Index() == 1) return;
    if (!FSeveral) SetCurrentTick(true);
    CheckGrid->Invalidate();
}

// ---------------------------------------------------------------------------
// The recipient edit

void TfMain::ComboEdit1Change(TObject*) { IncrementalSearch(); }

void TfMain::IncrementalSearch() {
    if (FBackspace) return;
    const AnsiString typed = ComboEdit1->Text();
    if (FAutoCompleting || typed.empty()) {
        ComboEdit1->SetSelStart(FRestoreSelStart);
        ComboEdit1->SetSelLength(FRestoreSelLength);
        FAutoCompleting = false;
        return;
    }
    TMemData* adresa = DM->Adresa;
    if (!adresa->Active()) return;
    const AnsiString number = NormalisePhoneNumber(typed);
    Integer found = 0;
    {
        DM->BeginBulkUpdate(false);
        auto end = ScopeExit([] { DM->EndBulkUpdate(false); });
        if (IsAllDigits(number))
            found = FindContactByNumberPart(*DM, number) ? 3 : 0;
        else
            found = FindContactByName(*DM, typed);
    }
    if (found == 0) {
        StatusBar1->Panels()->Items(0)->SetText(LangFormat("RecNotFound", "Adresát \"%s\" nebyl nalezen.", typed));
        return;
    }
    const AnsiString name = DM->AdresaJmeno->AsString();
    if (found == 1 && name != typed) {
        // The rest of the name is completed and selected, so that typing on
        // replaces it.
        FRestoreSelStart = static_cast<Integer>(typed.size());
        FRestoreSelLength = static_cast<Integer>(name.size());
        FAutoCompleting = true;
        ComboEdit1->SetText(name);
    } else {
        FAutoCompleting = false;
    }
    if (!FSeveral) SetCurrentTick(true);
    ShowCurrentContact();
}

void TfMain::ComboEdit1KeyDown(TObject* Sender, Word& Key, TShiftState) {
    FBackspace = Key == VK_BACK;
    TMemData* adresa = DM->Adresa;
    switch (Key) {
    case VK_DOWN:
    case VK_UP:
    case VK_NEXT:
    case VK_PRIOR: {
        if (adresa->Active() && !adresa->IsEmpty()) {
            const Integer page = std::max<Integer>(CheckGrid->VisibleRowCount(), 1);
            adresa->MoveBy(Key == VK_DOWN ? 1 : Key == VK_UP ? -1 : Key == VK_NEXT ? page : -page);
            SetRecipientText(DM->AdresaJmeno->AsString());
            ComboEdit1->SelectAll();
        }
        Key = 0;
        break;
    }
    case VK_INSERT:
        Key = 0;
        ComboEdit1ButtonClick(Sender);
        break;
    case VK_ESCAPE:
        Key = 0;
        SetRecipientText("");
        break;
    case VK_RETURN:
        Key = 0;
        if (PageControl1->ActivePage() == TabText)
            MoveToComposer();
        else
            ResolveRecipient(false);
        break;
    default: break;
    }
}

void TfMain::AdrEditKeyPress(TObject*, char& Key) {
    // Handled as keys already; as characters they would only beep.
    if (Key == '\r' || Key == '\x1b') Key = 0;
}

void TfMain::ComboEdit1Exit(TObject*) { FRecipientEditLeft = true; }

void TfMain::CheckGridExit(TObject*) { FRecipientEditLeft = false; }

void TfMain::ComboEdit1ButtonClick(TObject*) {
    if (FSeveral) {
        ResolveRecipient(true);
    } else {
        SetSeveralRecipients(true);
        SetRecipientText("");
    }
}

void TfMain::CheckGridKeyPress(TObject*, char& Key) {
    if (DM->Adresa->IsEmpty()) return;
    const char key = Key;
    Key = 0;
    switch (key) {
    case '\b': {
        AnsiString text = ComboEdit1->Text();
        if (!text.empty()) text.pop_back();
        SetRecipientText(text);
        break;
    }
    case '\x1b': SetRecipientText(""); break;
    case '\r': MoveToComposer(); break;
    case ' ': ToggleCurrentTick(); break;
    default:
        if (static_cast<unsigned char>(key) < 32) break;
        if (ComboEdit1->CanFocus()) ComboEdit1->SetFocus();
        ComboEdit1->SetText(AnsiString(1, key));
        break;
    }
}

void TfMain::ResolveRecipient(bool TickAnyway) {
    const AnsiString number = NormalisePhoneNumber(ComboEdit1->Text());
    if (IsAllDigits(number)) {
        // Only a number is written back: a name is no phone number.
        SetRecipientText(number);
        if (DM->Adresa->Locate("Cislo", Variant(number), TLocateOptions{}))
            SetCurrentTick(true);
        else
            AddTypedNumber(false);
    } else if (TickAnyway) {
        SetCurrentTick(true);
    }
}

TModalResult TfMain::AddTypedNumber(bool Silent) {
    TMemData* adresa = DM->Adresa;
    const AnsiString typed = ComboEdit1->Text();
    AnsiString number = NormalisePhoneNumber(typed);
    if (!ValidatePhoneNumber(*DM, fnastaveni->HomeCountry(), number, true)) {
        SetRecipientText("");
        if (ComboEdit1->CanFocus()) ComboEdit1->SetFocus();
        SetRecipientText(typed);
        return mrCancel;
    }
    // The check may have put the current contact into edit state for a
    // number it rewrote; that contact is not the one being added.
    if (adresa->State() == dsEdit) adresa->Cancel();
    TModalResult answer = mrNo;
    if (!Silent)
        answer = LocalMessageDlg(LangText("AddNumberAsk", "Přidat nové číslo do seznamu?") + "\r\n\r\n" +
                                     LangText("AddNumberInfo", "Pokud vyberete Ne, bude vytvořena dočasná položka."),
                                 mtConfirmation, TMsgDlgButtons{mbYes, mbNo, mbCancel}, 0);
    if (answer != mrYes && answer != mrNo) {
        SetRecipientText("");
        return mrCancel;
    }

    const Integer group = CurrentGroupID();
    TNotifyEvent change = std::exchange(ComboEdit1->OnChange, nullptr);
    DM->SetBulkMarker(true);
    auto restore = ScopeExit([this, &change] {
        DM->SetBulkMarker(false);
        ComboEdit1->OnChange = std::move(change);
    });
    auto dropRow = ScopeFail([adresa] {
        if (adresa->State() == dsInsert) adresa->Cancel();
    });
    adresa->Append();
    DM->AdresaID->SetAsInteger(DM->NextContactID());
    DM->AdresaCislo->SetAsString(number);
    if (group != 0) DM->AdresaIDSkup->SetAsString(IntToStr(group) + ";");
    if (answer == mrNo) {
        DM->AdresaJmeno->SetAsString(FTempNum + " " + number);
    } else if (EditContact) {
        if (EditContact() != mrOk) {
            // Nobody was added, so nobody is ticked; the number stays typed.
            adresa->Cancel();
            ComboEdit1->SetText(typed);
            return mrCancel;
        }
    } else {
        DM->AdresaJmeno->SetAsString(number);
    }
    adresa->Post();
    ComboEdit1->SetText(DM->AdresaJmeno->AsString());
    SetCurrentTick(true);
    MoveToComposer();
    if (group != 0) RefilterContacts();
    return answer;
}

// ---------------------------------------------------------------------------
// Contact commands

void TfMain::ANewAdrExecute(TObject*) {
    TMemData* adresa = DM->Adresa;
    if (!adresa->Active() || !EditContact) return;
    const Integer group = CurrentGroupID();
    {
        DM->SetBulkMarker(true);
        auto clear = ScopeExit([] { DM->SetBulkMarker(false); });
        auto dropRow = ScopeFail([adresa] {
            if (adresa->State() == dsInsert) adresa->Cancel();
        });
        adresa->Append();
        DM->AdresaID->SetAsInteger(DM->NextContactID());
        if (group != 0) DM->AdresaIDSkup->SetAsString(IntToStr(group) + ";");
        if (EditContact() == mrOk)
            adresa->Post();
        else
            adresa->Cancel();
    }
    if (!FSeveral) SetCurrentTick(true);
    if (group != 0) RefilterContacts();
}

void TfMain::AEditAdrExecute(TObject*) {
    TMemData* adresa = DM->Adresa;
    if (!adresa->Active() || adresa->IsEmpty() || !EditContact) return;
    auto dropEdit = ScopeFail([adresa] {
        if (adresa->State() == dsEdit) adresa->Cancel();
    });
    adresa->Edit();
    if (EditContact() != mrOk) {
        adresa->Cancel();
        return;
    }
    adresa->Post();
    SaveTable(DM->Adresa);
    SaveTable(DM->Skupiny);
    RefilterContacts();
}

void TfMain::ADelAdrExecute(TObject*) {
    if (!DM->Adresa->Active() || DM->Adresa->IsEmpty()) return;
    if (LocalMessageDlg(LangText("DelAdr", "Opravdu chcete smazat kontakt z adresáře?"), mtConfirmation,
                        TMsgDlgButtons{mbYes, mbNo}, 0) != mrYes)
        return;
    try {
        DM->Adresa->Delete();
    } catch (const Exception&) {
    }
    ShowRecipientSummary();
}

void TfMain::DeleteTemporaryContacts() {
    ::DeleteTemporaryContacts(*DM, FTempNum);
    RefilterContacts();
    ShowRecipientSummary();
}

void TfMain::Smazatdoasnpoloky1Click(TObject*) {
    if (LocalMessageDlg(LangText("DelTempAsk", "Opravdu chcete smazat všechny dočasné položky?"), mtConfirmation,
                        TMsgDlgButtons{mbYes, mbNo}, 0) == mrYes)
        DeleteTemporaryContacts();
}
