#include "client/AdrEdit.h"

#include <cstdint>
#include <memory>

#include "client/GroupList.h"
#include "client/PhoneNumbers.h"
#include "core/Language.h"
#include "core/Msgdlg.h"
#include "platform/classes/FormFiles.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

Integer ItemID(TVmCheckListBox* List, int Index) {
    return static_cast<Integer>(reinterpret_cast<std::intptr_t>(List->Items()->Objects(Index)));
}

void AddItem(TVmCheckListBox* List, const AnsiString& Name, Integer ID) {
    List->Items()->AddObject(Name, reinterpret_cast<TObject*>(std::intptr_t(ID)));
}

// The group list the items of a list stand for, in list order.
AnsiString GroupListOf(TVmCheckListBox* List) {
    AnsiString list;
    for (int i = 0; i < List->Items()->Count(); ++i) list = AddToGroupList(list, ItemID(List, i));
    return list;
}

bool Editing(TDataSet* Table) { return Table->State() == dsEdit || Table->State() == dsInsert; }

}  // namespace

VEMLOR_PUBLISHED(TfAdrEdit, TForm) {
    Field("DBEdit1", &TfAdrEdit::DBEdit1);
    Field("DBEdit2", &TfAdrEdit::DBEdit2);
    Field("DBEdit3", &TfAdrEdit::DBEdit3);
    Field("DBEdit4", &TfAdrEdit::DBEdit4);
    Field("CheckLB1", &TfAdrEdit::CheckLB1);
    Field("CheckLB2", &TfAdrEdit::CheckLB2);
    Field("SpeedButton1", &TfAdrEdit::SpeedButton1);
    Field("SpeedButton2", &TfAdrEdit::SpeedButton2);
    Field("BitBtn1", &TfAdrEdit::BitBtn1);
    Field("BitBtn2", &TfAdrEdit::BitBtn2);
    Field("ActionList1", &TfAdrEdit::ActionList1);
    Field("AHelp", &TfAdrEdit::AHelp);
    Method("FormCreate", &TfAdrEdit::FormCreate);
    Method("FormShow", &TfAdrEdit::FormShow);
    Method("FormCloseQuery", &TfAdrEdit::FormCloseQuery);
    Method("FormClose", &TfAdrEdit::FormClose);
    Method("BitBtn1Click", &TfAdrEdit::BitBtn1Click);
    Method("BitBtn2Click", &TfAdrEdit::BitBtn2Click);
    Method("DBEdit2Enter", &TfAdrEdit::DBEdit2Enter);
    Method("DBEdit2MouseDown", &TfAdrEdit::DBEdit2MouseDown);
    Method("DBEdit2Change", &TfAdrEdit::DBEdit2Change);
    Method("DBEdit3Enter", &TfAdrEdit::DBEdit3Enter);
    Method("DBEdit4Enter", &TfAdrEdit::DBEdit4Enter);
    Method("SpeedButton1Click", &TfAdrEdit::SpeedButton1Click);
    Method("SpeedButton2Click", &TfAdrEdit::SpeedButton2Click);
    Method("AHelpExecute", &TfAdrEdit::AHelpExecute);
}

TfAdrEdit::TfAdrEdit(TComponent* AOwner, TContactEditorServices* Services) : TForm(AOwner), FServices(Services) {
    InitInheritedComponent(this);
}

void TfAdrEdit::FormCreate(TObject*) {
    if (TLang* lang = Lang()) lang->TranslateForm(this);
}

void TfAdrEdit::FormShow(TObject*) {
    FConfirmed = false;
    FNumberWasEmpty = false;
    TMemData* groups = DM->Skupiny;
    FGroupMark = groups->GetBookmark();
    if (DBEdit1->CanFocus()) DBEdit1->SetFocus();
    const AnsiString list = DM->AdresaIDSkup->AsString();
    CheckLB1->Items()->Clear();
    CheckLB2->Items()->Clear();
    groups->DisableControls();
    auto enable = ScopeExit([groups] { groups->EnableControls(); });
    for (groups->First(); !groups->Eof(); groups->Next())
        if (IsInGroup(list, DM->SkupinyID->AsInteger())) AddItem(CheckLB1, DM->SkupinyJmeno->AsString(), DM->SkupinyID->AsInteger());
    for (groups->First(); !groups->Eof(); groups->Next()) {
        const Integer id = DM->SkupinyID->AsInteger();
        if (id != 0 && !IsInGroup(list, id)) AddItem(CheckLB2, DM->SkupinyJmeno->AsString(), id);
    }
}

void TfAdrEdit::FormCloseQuery(TObject*, bool& CanClose) {
    if (ModalResult() != mrOk || !FServices) return;
    TMemData* contacts = DM->Adresa;
    // A number typed and confirmed with Enter is still in its edit.
    if (Editing(contacts)) contacts->UpdateRecord();
    AnsiString number = FServices->NormalisePhoneNumber(DM->AdresaCislo->AsString());
    if (!FServices->ValidatePhoneNumber(number, true)) {
        if (DBEdit2->CanFocus()) DBEdit2->SetFocus();
        CanClose = false;
        return;
    }
    contacts->Edit();
    DM->AdresaCislo->SetAsString(number);
}

void TfAdrEdit::FormClose(TObject*, TCloseAction&) {
    TMemData* groups = DM->Skupiny;
    try {
        if (!FGroupMark.empty() && groups->BookmarkValid(FGroupMark)) groups->GotoBookmark(FGroupMark);
    } catch (const Exception&) {
    }
    groups->FreeBookmark(FGroupMark);
}

void TfAdrEdit::BitBtn1Click(TObject*) {
    FConfirmed = true;
    DM->Adresa->Edit();
    DM->AdresaIDSkup->SetAsString(GroupListOf(CheckLB1));
}

void TfAdrEdit::BitBtn2Click(TObject*) { FConfirmed = false; }

void TfAdrEdit::DBEdit2Enter(TObject*) {
    if (DBEdit2->Text().empty()) FNumberWasEmpty = true;
    if (FServices) FServices->PrefillInternationalPrefix(DBEdit2);
}

void TfAdrEdit::DBEdit2MouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    if (!FNumberWasEmpty) return;
    FNumberWasEmpty = false;
    CaretToEndAfterClick(DBEdit2);
}

void TfAdrEdit::DBEdit2Change(TObject*) {
    if (FServices) FServices->FilterPhoneNumberChars(DBEdit2);
}

void TfAdrEdit::FillDefault(TField* Field, const AnsiString& Text) {
    DM->Adresa->Edit();
    if (Field->AsString().empty()) Field->SetAsString(Text);
}

void TfAdrEdit::DBEdit3Enter(TObject*) {
    if (FServices) FillDefault(DM->AdresaOsloveni, FServices->SalutationText());
}

void TfAdrEdit::DBEdit4Enter(TObject*) {
    if (FServices) FillDefault(DM->AdresaPodpis, FServices->SignatureText());
}

void TfAdrEdit::SpeedButton1Click(TObject*) {
    AnsiString refused;
    for (int i = CheckLB2->Items()->Count() - 1; i >= 0; --i) {
        if (!CheckLB2->Checked(i)) continue;
        const Integer id = ItemID(CheckLB2, i);
        if (!DM->Skupiny->Locate("ID", Variant(id), {})) break;
        const AnsiString name = DM->SkupinyJmeno->AsString();
        if (!GroupListFits(GroupListOf(CheckLB1), id)) {
            refused += (refused.empty() ? "" : ", ") + name;
            continue;
        }
        AddItem(CheckLB1, name, id);
        CheckLB2->Items()->Delete(i);
    }
    if (!refused.empty())
        LocalMessageDlg(LangFormat("ContactGroupsFull",
                                   "Kontakt už nelze přidat do dalších skupin, jeho seznam skupin je plný: %s.", refused),
                        mtError, TMsgDlgButtons{mbOK}, 0);
}

void TfAdrEdit::SpeedButton2Click(TObject*) {
    for (int i = CheckLB1->Items()->Count() - 1; i >= 0; --i) {
        if (!CheckLB1->Checked(i)) continue;
        const Integer id = ItemID(CheckLB1, i);
        if (!DM->Skupiny->Locate("ID", Variant(id), {})) break;
        // Every contact is in group 0.
        if (id == 0) continue;
        AddItem(CheckLB2, DM->SkupinyJmeno->AsString(), id);
        CheckLB1->Items()->Delete(i);
    }
}

void TfAdrEdit::AHelpExecute(TObject*) {
    if (FServices) FServices->ShowHelp(IncludeTrailingPathDelimiter(ProgramFolder()) + "vemlor.chm::/newnumber.html");
}

TModalResult EditContact(TComponent* AOwner, TContactEditorServices* Services) {
    auto form = std::make_unique<TfAdrEdit>(AOwner, Services);
    return form->ShowModal() == mrOk ? mrOk : mrCancel;
}
