#include "client/Databaze.h"

#include <cstdint>
#include <memory>

#include "client/GridSearch.h"
#include "client/GroupMembers.h"
#include "client/TextImpExp.h"
#include "core/Language.h"
#include "core/Msgdlg.h"
#include "platform/classes/FormFiles.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Menus.h"

namespace {

bool Ask(const AnsiString& Text) { return LocalMessageDlg(Text, mtConfirmation, TMsgDlgButtons{mbYes, mbNo}, 0) == mrYes; }

void ShowError(const AnsiString& Text) { LocalMessageDlg(Text, mtError, TMsgDlgButtons{mbOK}, 0); }

// A refused delete leaves the row; the user sees it is still there.
void DeleteAfterAsking(TDataSet* Table, const AnsiString& Question) {
    if (!Ask(Question)) return;
    try {
        Table->Delete();
    } catch (const Exception&) {
    }
}

bool Editing(TDataSet* Table) { return Table->State() == dsEdit || Table->State() == dsInsert; }

// The check list items carry the IDs of what they name.
void FillList(TVmCheckListBox* List, const std::vector<TGroupMember>& Members) {
    TStrings* items = List->Items();
    items->BeginUpdate();
    items->Clear();
    for (const TGroupMember& m : Members) items->AddObject(m.Name, reinterpret_cast<TObject*>(std::intptr_t(m.ID)));
    items->EndUpdate();
}

std::vector<Integer> CheckedIDs(TVmCheckListBox* List) {
    std::vector<Integer> ids;
    for (int i = 0; i < List->Items()->Count(); ++i)
        if (List->Checked(i)) ids.push_back(static_cast<Integer>(reinterpret_cast<std::intptr_t>(List->Items()->Objects(i))));
    return ids;
}

TMemData* GridTable(TObject* Grid) {
    auto* grid = dynamic_cast<TDBGrid*>(Grid);
    if (!grid || !grid->DataSource()) return nullptr;
    return dynamic_cast<TMemData*>(grid->DataSource()->DataSet());
}

// The shortcut column of the templates grid.
constexpr Integer kShortCutColumn = 1;

}  // namespace

VEMLOR_PUBLISHED(TfDatabaze, TForm) {
    Field("ActionList1", &TfDatabaze::ActionList1);
    Field("AHelp", &TfDatabaze::AHelp);
    Field("PageControl1", &TfDatabaze::PageControl1);
    Field("BitBtn1", &TfDatabaze::BitBtn1);
    Field("OpenDialog1", &TfDatabaze::OpenDialog1);
    Field("SaveDialog1", &TfDatabaze::SaveDialog1);
    Field("FormStorage", &TfDatabaze::FormStorage);
    Field("TabSkupiny", &TfDatabaze::TabSkupiny);
    Field("ToolButton20", &TfDatabaze::ToolButton20);
    Field("ToolButton34", &TfDatabaze::ToolButton34);
    Field("ToolButton64", &TfDatabaze::ToolButton64);
    Field("ToolButton65", &TfDatabaze::ToolButton65);
    Field("RxDBGrid6", &TfDatabaze::RxDBGrid6);
    Field("Panel1", &TfDatabaze::Panel1);
    Field("Panel2", &TfDatabaze::Panel2);
    Field("Panel3", &TfDatabaze::Panel3);
    Field("CheckLB1", &TfDatabaze::CheckLB1);
    Field("CheckLB2", &TfDatabaze::CheckLB2);
    Field("SpeedButton20", &TfDatabaze::SpeedButton20);
    Field("SpeedButton21", &TfDatabaze::SpeedButton21);
    Field("TabZpravy", &TfDatabaze::TabZpravy);
    Field("ToolButton17", &TfDatabaze::ToolButton17);
    Field("ToolButton18", &TfDatabaze::ToolButton18);
    Field("ToolButton41", &TfDatabaze::ToolButton41);
    Field("ToolButton42", &TfDatabaze::ToolButton42);
    Field("RxDBGrid4", &TfDatabaze::RxDBGrid4);
    Field("DBMemo3", &TfDatabaze::DBMemo3);
    Field("TabMelodie", &TfDatabaze::TabMelodie);
    Field("ToolButton21", &TfDatabaze::ToolButton21);
    Field("ToolButton26", &TfDatabaze::ToolButton26);
    Field("ToolButton30", &TfDatabaze::ToolButton30);
    Field("ToolButton32", &TfDatabaze::ToolButton32);
    Field("ToolButton33", &TfDatabaze::ToolButton33);
    Field("Edit4", &TfDatabaze::Edit4);
    Field("ToolButton24", &TfDatabaze::ToolButton24);
    Field("RxDBGrid5", &TfDatabaze::RxDBGrid5);
    Field("TabStaty", &TfDatabaze::TabStaty);
    Field("ToolButton44", &TfDatabaze::ToolButton44);
    Field("ToolButton45", &TfDatabaze::ToolButton45);
    Field("ToolButton48", &TfDatabaze::ToolButton48);
    Field("ToolButton46", &TfDatabaze::ToolButton46);
    Field("Edit5", &TfDatabaze::Edit5);
    Field("ToolButton49", &TfDatabaze::ToolButton49);
    Field("RxDBGrid7", &TfDatabaze::RxDBGrid7);
    Field("TabNotif", &TfDatabaze::TabNotif);
    Field("RxDBGrid8", &TfDatabaze::RxDBGrid8);
    Field("DBMemo4", &TfDatabaze::DBMemo4);
    Field("Edit6", &TfDatabaze::Edit6);
    Field("ToolButton58", &TfDatabaze::ToolButton58);
    Method("FormCreate", &TfDatabaze::FormCreate);
    Method("FormClose", &TfDatabaze::FormClose);
    Method("AHelpExecute", &TfDatabaze::AHelpExecute);
    Method("SpeedButton1Click", &TfDatabaze::SpeedButton1Click);
    Method("TabSkupinyShow", &TfDatabaze::TabSkupinyShow);
    Method("RxDBGrid6CellClick", &TfDatabaze::RxDBGrid6CellClick);
    Method("RxDBGrid6KeyUp", &TfDatabaze::RxDBGrid6KeyUp);
    Method("Panel1Resize", &TfDatabaze::Panel1Resize);
    Method("ToolButton20Click", &TfDatabaze::ToolButton20Click);
    Method("ToolButton34Click", &TfDatabaze::ToolButton34Click);
    Method("ToolButton64Click", &TfDatabaze::ToolButton64Click);
    Method("ToolButton65Click", &TfDatabaze::ToolButton65Click);
    Method("SpeedButton20Click", &TfDatabaze::SpeedButton20Click);
    Method("SpeedButton21Click", &TfDatabaze::SpeedButton21Click);
    Method("ToolButton17Click", &TfDatabaze::ToolButton17Click);
    Method("ToolButton18Click", &TfDatabaze::ToolButton18Click);
    Method("ToolButton41Click", &TfDatabaze::ToolButton41Click);
    Method("ToolButton42Click", &TfDatabaze::ToolButton42Click);
    Method("RxDBGrid4KeyDown", &TfDatabaze::RxDBGrid4KeyDown);
    Method("RxDBGrid4KeyPress", &TfDatabaze::RxDBGrid4KeyPress);
    Method("RxDBGrid4ColEnter", &TfDatabaze::RxDBGrid4ColEnter);
    Method("ToolButton21Click", &TfDatabaze::ToolButton21Click);
    Method("ToolButton26Click", &TfDatabaze::ToolButton26Click);
    Method("ToolButton30Click", &TfDatabaze::ToolButton30Click);
    Method("ToolButton32Click", &TfDatabaze::ToolButton32Click);
    Method("ToolButton33Click", &TfDatabaze::ToolButton33Click);
    Method("ToolButton24Click", &TfDatabaze::ToolButton24Click);
    Method("Edit4KeyPress", &TfDatabaze::Edit4KeyPress);
    Method("ToolButton44Click", &TfDatabaze::ToolButton44Click);
    Method("ToolButton45Click", &TfDatabaze::ToolButton45Click);
    Method("ToolButton48Click", &TfDatabaze::ToolButton48Click);
    Method("ToolButton46Click", &TfDatabaze::ToolButton46Click);
    Method("ToolButton49Click", &TfDatabaze::ToolButton49Click);
    Method("Edit5KeyPress", &TfDatabaze::Edit5KeyPress);
    Method("ToolButton58Click", &TfDatabaze::ToolButton58Click);
    Method("Edit6KeyPress", &TfDatabaze::Edit6KeyPress);
    Method("RxDBGrid1TitleBtnClick", &TfDatabaze::RxDBGrid1TitleBtnClick);
    Method("RxDBGrid1GetBtnParams", &TfDatabaze::RxDBGrid1GetBtnParams);
}

TfDatabaze::TfDatabaze(TComponent* AOwner, TDatabaseWindowServices* Services) : TForm(AOwner), FServices(Services) {
    InitInheritedComponent(this);
}

void TfDatabaze::FormCreate(TObject*) {
    if (TLang* lang = Lang()) lang->TranslateForm(this);
    auto title = [](TVmDBGrid* Grid, int Column, const char* Key, const char* Default) {
        Grid->Columns()->Items(Column)->Title()->SetCaption(LangText(Key, Default));
    };
    title(RxDBGrid5, 0, "TitleName", "Jméno");
    title(RxDBGrid4, 0, "TitleTemplateName", "Název šablony");
    title(RxDBGrid4, 1, "TitleShortcut", "Zkratka");
    title(RxDBGrid7, 0, "TitleStateName", "Název státu");
    title(RxDBGrid7, 1, "TitleStatePrefix", "Předčíslí");
    title(RxDBGrid8, 0, "TitleNotifDate", "Datum přijetí zprávy");
}

void TfDatabaze::FormClose(TObject*, TCloseAction&) {
    for (TMemData* table : {DM->Skupiny, DM->Melody, DM->Zprava, DM->Staty}) {
        if (!Editing(table)) continue;
        try {
            table->Post();
        } catch (const Exception&) {
            // A row the table refuses is dropped, not left half edited.
            table->Cancel();
        }
    }
    if (FServices) FServices->BuildTemplatesMenu();
    if (BitBtn1->CanFocus()) BitBtn1->SetFocus();
}

void TfDatabaze::AHelpExecute(TObject*) {
    static const char* const kTopics[] = {"::/groups.html", "::/template.html", "::/melody.html", "::/opening.html",
                                          "::/notification.html"};
    const Integer page = PageControl1->ActivePageIndex();
    const char* topic = page >= 0 && page < 5 ? kTopics[page] : "::/opening.html";
    if (FServices) FServices->ShowHelp(IncludeTrailingPathDelimiter(ProgramFolder()) + "vemlor.chm" + topic);
}

void TfDatabaze::SpeedButton1Click(TObject*) { Close(); }

// ---------------------------------------------------------------------------
// Groups

void TfDatabaze::RefreshGroupLists() {
    if (!DM->Skupiny->Active() || !DM->Adresa->Active()) return;
    const Integer group = DM->SkupinyID->AsInteger();
    // Group 0 holds every contact: nobody joins or leaves it, and it stays.
    SpeedButton20->SetEnabled(group != 0);
    SpeedButton21->SetEnabled(group != 0);
    ToolButton34->SetEnabled(group != 0);
    const TGroupMembers members = ListGroupMembers(*DM, group);
    FillList(CheckLB1, members.Assigned);
    FillList(CheckLB2, members.Unassigned);
}

void TfDatabaze::TabSkupinyShow(TObject*) { RefreshGroupLists(); }

void TfDatabaze::RxDBGrid6CellClick(TColumn*) { RefreshGroupLists(); }

void TfDatabaze::RxDBGrid6KeyUp(TObject*, Word& Key, TShiftState) {
    switch (Key) {
    case VK_END:
    case VK_HOME:
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: RefreshGroupLists(); break;
    default: break;
    }
}

void TfDatabaze::Panel1Resize(TObject*) { Panel2->SetHeight((Panel1->Height() + Panel3->Height()) / 2); }

void TfDatabaze::ToolButton20Click(TObject*) {
    TMemData* groups = DM->Skupiny;
    // A new group still being named is stored first: the next free ID is
    // read from the stored groups, and two new groups must not share it.
    groups->CheckBrowseMode();
    const Integer id = DM->NextGroupID();
    const Integer order = DM->NextGroupOrder();
    if (id < 0 || order < 0) return;
    groups->Append();
    groups->Edit();
    DM->SkupinyID->SetAsInteger(id);
    DM->SkupinyPoradi->SetAsInteger(order);
    RefreshGroupLists();
    if (RxDBGrid6->CanFocus()) RxDBGrid6->SetFocus();
}

void TfDatabaze::ToolButton34Click(TObject*) {
    if (DM->Skupiny->IsEmpty()) return;
    if (DM->SkupinyID->AsInteger() == 0) {
        ShowError(LangFormat("DelGroupAll", "Skupinu %s nelze smazat, patří do ní vždy všechny kontakty.",
                             DM->SkupinyJmeno->AsString()));
        return;
    }
    if (!Ask(LangText("DelGroup", "Opravdu chcete smazat vybranou skupinu?"))) return;
    DeleteCurrentGroup(*DM);
    RefreshGroupLists();
}

void TfDatabaze::ToolButton64Click(TObject*) { MoveCurrentGroup(*DM, -1); }

void TfDatabaze::ToolButton65Click(TObject*) { MoveCurrentGroup(*DM, +1); }

void TfDatabaze::SpeedButton20Click(TObject*) {
    const std::vector<AnsiString> refused = AddContactsToGroup(*DM, CheckedIDs(CheckLB2), DM->SkupinyID->AsInteger());
    RefreshGroupLists();
    if (refused.empty()) return;
    AnsiString names;
    for (const AnsiString& name : refused) names += (names.empty() ? "" : ", ") + name;
    ShowError(LangFormat("GroupListFull",
                         "Do skupiny nelze přidat tyto kontakty, protože jejich seznam skupin je již plný: %s.",
                         names));
}

void TfDatabaze::SpeedButton21Click(TObject*) {
    RemoveContactsFromGroup(*DM, CheckedIDs(CheckLB1), DM->SkupinyID->AsInteger());
    RefreshGroupLists();
}

// ---------------------------------------------------------------------------
// Templates

void TfDatabaze::ToolButton17Click(TObject*) {
    DM->Zprava->Append();
    if (RxDBGrid4->CanFocus()) RxDBGrid4->SetFocus();
}

void TfDatabaze::ToolButton18Click(TObject*) {
    DeleteAfterAsking(DM->Zprava, LangText("DelPreset", "Opravdu chcete odstranit přednastavenou zprávu?"));
}

void TfDatabaze::ToolButton41Click(TObject*) { ImportInto(DM->Zprava); }

void TfDatabaze::ToolButton42Click(TObject*) { ExportFrom(DM->Zprava); }

void TfDatabaze::RxDBGrid4KeyDown(TObject*, Word& Key, TShiftState) {
    if (RxDBGrid4->SelectedIndex() != kShortCutColumn || Key < 'A' || Key > 'Z') return;
    const AnsiString text = ShortCutToText(ShortCut(Key, TShiftState{ssCtrl, ssAlt}));
    // One shortcut, one template.
    if (!DM->Zprava->Lookup("ShortCut", Variant(text), "ShortCut").AsString().empty()) return;
    DM->Zprava->Edit();
    DM->ZpravaShortCut->SetAsString(text);
}

void TfDatabaze::RxDBGrid4KeyPress(TObject*, char& Key) {
    if (RxDBGrid4->SelectedIndex() == kShortCutColumn) Key = 0;
}

void TfDatabaze::RxDBGrid4ColEnter(TObject*) {
    if (RxDBGrid4->SelectedIndex() != kShortCutColumn) return;
    // An empty table has no template to give a shortcut; editing it would
    // make one.
    if (DM->Zprava->IsEmpty() || !DM->ZpravaShortCut->AsString().empty()) return;
    DM->Zprava->Edit();
    DM->ZpravaShortCut->SetAsString("Ctrl+Alt+");
}

// ---------------------------------------------------------------------------
// Melodies

AnsiString TfDatabaze::MelodyFile() const {
    return IncludeTrailingPathDelimiter(ProgramFolder()) + "Melody/" + DM->MelodyJmeno->AsString() + ".rtl";
}

void TfDatabaze::ToolButton21Click(TObject*) {
    if (DM->Melody->IsEmpty()) return;
    TStringList lines;
    try {
        lines.LoadFromFile(MelodyFile());
    } catch (const Exception&) {
        return;
    }
    // The lines as one text, without the line break after the last.
    if (FServices) FServices->EditRingTone(TrimRight(lines.Text()));
    Close();
}

void TfDatabaze::ToolButton26Click(TObject*) {
    DM->Melody->Close();
    DM->Melody->Open();
    if (FServices) FServices->ScanMelodyFolder();
}

void TfDatabaze::ToolButton30Click(TObject*) {
    if (DM->Melody->IsEmpty() || !FServices) return;
    try {
        FServices->PlayRingTone(MelodyFile());
    } catch (const Exception&) {
    }
}

void TfDatabaze::ToolButton32Click(TObject*) {
    if (FServices) FServices->StopPlaying();
}

void TfDatabaze::ToolButton33Click(TObject*) {
    if (DM->Melody->IsEmpty() || !FServices) return;
    FServices->PlayRingToneExternally(MelodyFile());
}

void TfDatabaze::ToolButton24Click(TObject*) { Search(RxDBGrid5, Edit4); }

void TfDatabaze::Edit4KeyPress(TObject*, char& Key) {
    if (Key != '\r') return;
    Key = 0;
    Search(RxDBGrid5, Edit4);
}

// ---------------------------------------------------------------------------
// Countries and notifications

void TfDatabaze::ToolButton44Click(TObject*) { DM->Staty->Append(); }

void TfDatabaze::ToolButton45Click(TObject*) {
    DeleteAfterAsking(DM->Staty, LangText("DelCountry", "Opravdu chcete odstranit kód státu?"));
}

void TfDatabaze::ToolButton48Click(TObject*) { ImportInto(DM->Staty); }

void TfDatabaze::ToolButton46Click(TObject*) { ExportFrom(DM->Staty); }

void TfDatabaze::ToolButton49Click(TObject*) { Search(RxDBGrid7, Edit5); }

void TfDatabaze::Edit5KeyPress(TObject*, char& Key) {
    if (Key != '\r') return;
    Key = 0;
    Search(RxDBGrid7, Edit5);
}

void TfDatabaze::ToolButton58Click(TObject*) { Search(RxDBGrid8, Edit6); }

void TfDatabaze::Edit6KeyPress(TObject*, char& Key) {
    if (Key != '\r') return;
    Key = 0;
    Search(RxDBGrid8, Edit6);
}

void TfDatabaze::Search(TVmDBGrid* Grid, TEdit* Edit) {
    if (FServices) FServices->FindInGrid(Grid, Edit);
}

void TfDatabaze::ImportInto(TMemData* Table) {
    if (OpenDialog1->Execute()) ImportText(Table, OpenDialog1->FileName(), -1, nullptr, ';', nullptr);
}

void TfDatabaze::ExportFrom(TMemData* Table) {
    if (SaveDialog1->Execute()) ExportText(Table, SaveDialog1->FileName(), false, ';');
}

// ---------------------------------------------------------------------------
// Sortable titles

void TfDatabaze::RxDBGrid1TitleBtnClick(TObject* Sender, Integer ACol, TField* Field) {
    SortByTitle(GridTable(Sender), dynamic_cast<TComponent*>(Sender), ACol, Field);
}

void TfDatabaze::RxDBGrid1GetBtnParams(TObject* Sender, TField* Field, TFont*, TColor&, TSortMarker& SortMarker,
                                       bool) {
    SortMarker = TitleSortMarker(GridTable(Sender), Field);
}

// ---------------------------------------------------------------------------

void ShowDatabaseWindow(TComponent* AOwner, TDatabaseWindowServices* Services, TDatabasePage Page) {
    auto form = std::make_unique<TfDatabaze>(AOwner, Services);
    form->FormStorage->SetIniFileName(IncludeTrailingPathDelimiter(ProgramFolder()) + "Vemlor.ini");
    form->PageControl1->SetActivePageIndex(Page);
    form->ShowModal();
}
