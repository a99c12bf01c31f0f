// The main window's start-up and close: pending program files, the language
// choice, the tables in and out of their files, the window's own settings
// and the panels they show or hide.

#include "client/Contacts.h"
#include "client/Main.h"
#include "client/PendingUpdates.h"
#include "client/Start.h"
#include "client/TableFiles.h"
#include "client/WritableFolder.h"
#include "core/Language.h"
#include "core/Msgdlg.h"
#include "core/midi.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/ModalBegin.h"

namespace {

// The tables with a file, in the order they are loaded and saved.
std::vector<TMemData*> LoadOrder(TDM& Data) {
    return {Data.Adresa, Data.Skupiny, Data.Fronta, Data.FrontObj, Data.Historie, Data.Zprava, Data.Notif, Data.Staty};
}
std::vector<TMemData*> SaveOrder(TDM& Data) {
    return {Data.Adresa, Data.Fronta, Data.Zprava, Data.Historie, Data.Skupiny, Data.FrontObj, Data.Staty, Data.Notif};
}

}  // namespace

void TfMain::ApplyPendingUpdates() {
    try {
        const TPendingUpdates updates = ::ApplyPendingUpdates(FProgramFolder);
        for (const AnsiString& name : updates.Failed)
            LogEvent(LangFormat("UpdateNotPlaced", "Novou verzi souboru %s se nepodařilo použít, zkusí se to při "
                                                   "dalším spuštění.", name),
                     true);
    } catch (const Exception& E) {
        LogException(E);
    }
}

void TfMain::ChooseLanguageFile() {
    const AnsiString chosen = TIniFile(SettingsFileName()).ReadString("Setup", "ComboBox2_Text", "");
    fnastaveni->FormStorage1->RestoreSettings();
    fnastaveni->SelectLanguage(chosen);
    if (fnastaveni->ComboBox2->ItemIndex() < 0) {
        fnastaveni->SelectLanguage("czech.lng");
        fnastaveni->LookupStaty->SetText("Czech rep");
    }
}

void TfMain::StartUp() {
    FSplash = new TfStart(this);
    // The splash stays on top of every window: any question or window the
    // start-up opens (the first run's settings, a damaged table's warning)
    // would open under it, its fields hidden until the user drags it aside.
    SetModalBeginHandler([this](TForm*) {
        if (FSplash) FSplash->Hide();
    });
    FSplash->Show();
    FSplash->Repaint();

    TFormStorage* settings = fnastaveni->FormStorage1;
    settings->SetIniFileName(SettingsFileName());
    const AnsiString language = settings->ReadStringValue("Jazyk", "");
    settings->RestoreSettings();
    if (!language.empty()) fnastaveni->SelectLanguage(language);

    LoadLanguage();
    WarnIfFolderKeepsNothing();

    PageControl1->SetActivePageIndex(0);
    SetCaption("SMS Vemlor");
    FormStorage->SetIniFileName(SettingsFileName());
    FormStorage->RestoreSettings();

    LoadTables();
    FQueuedPictureLink = std::make_unique<TFieldDataLink>();
    FQueuedPictureLink->OnDataChange = [this](TObject*) { ShowQueuedPicture(); };
    FQueuedPictureLink->SetDataSource(DM->DSFrontObj);
    FQueuedPictureLink->SetFieldName("Logo");
    ShowQueuedPicture();

    fnastaveni->PageControl1->SetActivePageIndex(0);
    ShowPanels(mHideAdr, mHideAdr->Checked());
    ShowPanels(mHideLog, mHideLog->Checked());
    if (Acas->Checked()) ShowPanels(nullptr, true);

    if (FFirstRun) {
        fnastaveni->ShowModal();
        fnastaveni->Panel2->Font()->SetColor(TColor(0x808000));
        Adoruc->SetChecked(!Adoruc->Checked());
        DorucButton->SetVisible(false);
        CasButton->SetVisible(false);
        mhideDoruc->SetChecked(false);
        mhideCas->SetChecked(false);
    }
    ShowDeliveryPanel(Adoruc->Checked());

    // The settings file exists from the first run on.
    try {
        settings->SaveSettings();
    } catch (const Exception& E) {
        LogException(E);
    }
    BuildTemplatesMenu();
    PurgeExpiredNotifications();
    if (ComboEdit1->CanFocus()) ComboEdit1->SetFocus();
    SetSeveralRecipients(fnastaveni->chbskupina->Checked());
    TimerStartLogo->SetEnabled(true);
}

// Otherwise the user learns it only at the end of the run, when every save
// fails at once and all the run's changes are gone; told now, in the chosen
// language and before the first change, they can still quit and move the
// program to a folder of their own.
void TfMain::WarnIfFolderKeepsNothing() {
    const AnsiString problem =
        FolderWriteProblem ? FolderWriteProblem(FProgramFolder) : ::FolderWriteProblem(FProgramFolder);
    if (problem.empty()) return;
    LocalMessageDlg(LangFormat("FolderReadOnly",
                               "Do složky programu %s nelze zapisovat (%s). Nic z toho, co v programu změníte "
                               "(kontakty, zprávy ve frontě, historie, nastavení), se neuloží a po ukončení "
                               "programu bude ztraceno.",
                               ExcludeTrailingPathDelimiter(FProgramFolder), problem),
                    mtWarning, TMsgDlgButtons{mbOK}, 0);
}

// ---------------------------------------------------------------------------
// Tables

void TfMain::LoadTables() {
    FTableFiles = std::make_unique<TTableFiles>(FProgramFolder);
    for (TMemData* table : LoadOrder(*DM)) FTableFiles->Load(table);
    for (TMemData* table : {DM->Melody, DM->TmpTab}) table->Open();
    NumberContacts(*DM);
    EnsureGroupZero();
    PrepareGroups();
    ScanMelodyFolder();
    LoadTariffs();
    ReportDamagedTables();
}

void TfMain::ReportDamagedTables() {
    if (FTableFiles->Damaged().empty()) return;
    AnsiString text = LangText("TablesDamaged",
                               "Některé soubory s daty jsou poškozené. Program z nich načetl, co se dalo, a poškozené "
                               "soubory odložil stranou, aby je nic nepřepsalo:");
    for (const TTableDamage& damage : FTableFiles->Damaged()) {
        const AnsiString file = ExtractFileName(damage.FileName);
        text += "\r\n\r\n";
        if (damage.SetAside.empty())
            text += LangFormat("TableNotSetAside",
                               "%s: načteno %d záznamů; soubor se nepodařilo odložit, a proto se tabulka do konce "
                               "běhu programu nebude ukládat.",
                               file, damage.Status.Records);
        else
            text += LangFormat("TableSetAside", "%s: načteno %d záznamů, soubor odložen jako %s.", file,
                               damage.Status.Records, ExtractFileName(damage.SetAside));
        const AnsiString reason = DamageReason(damage.Status);
        if (!reason.empty()) text += "\r\n(" + reason + ")";
    }
    LocalMessageDlg(text, mtWarning, TMsgDlgButtons{mbOK}, 0);
}

bool TfMain::SaveTable(TMemData* Table) {
    if (!FTableFiles) return false;
    try {
        return FTableFiles->Save(Table);
    } catch (const Exception& E) {
        LocalMessageDlg(LangFormat("TableSaveFailed", "Tabulku %s se nepodařilo uložit: %s", Table->Name(), E.Message()),
                        mtError, TMsgDlgButtons{mbOK}, 0);
        return false;
    }
}

void TfMain::SaveTables() {
    if (!FTableFiles) return;
    const std::vector<TTableSaveFailure> failures = FTableFiles->SaveAll(SaveOrder(*DM));
    if (failures.empty()) return;
    AnsiString text;
    for (const TTableSaveFailure& failure : failures) {
        if (!text.empty()) text += "\r\n";
        text += LangFormat("TableSaveFailed", "Tabulku %s se nepodařilo uložit: %s", failure.Table, failure.Message);
    }
    LocalMessageDlg(text, mtError, TMsgDlgButtons{mbOK}, 0);
}

void TfMain::ScanMelodyFolder() {
    TMemData* melody = DM->Melody;
    const AnsiString folder = FProgramFolder + "Melody/";
    for (const AnsiString& name : ListFiles(folder, "*.rtl")) {
        TStringList lines;
        try {
            lines.LoadFromFile(folder + name);
        } catch (const Exception&) {
        }
        AnsiString text;
        for (int i = 0; i < lines.Count(); ++i) text += lines[i];
        if (!RingToneToMidiFile(text, "", 0, true)) continue;
        melody->Append();
        DM->MelodyJmeno->SetAsString(ChangeFileExt(name, ""));
        melody->Post();
    }
    // Cleared and set again, so that it sorts whatever the field was.
    melody->SetSortedField("");
    melody->SetSortedField("Jmeno");
    melody->First();
}

// ---------------------------------------------------------------------------
// Groups

void TfMain::EnsureGroupZero() {
    if (!DM->Skupiny->IsEmpty()) return;
    DM->Skupiny->Append();
    DM->SkupinyJmeno->SetAsString(FGrpAll);
    DM->SkupinyID->SetAsInteger(0);
    DM->SkupinyPoradi->SetAsInteger(0);
    DM->Skupiny->Post();
}

void TfMain::PrepareGroups() {
    TMemData* skupiny = DM->Skupiny;
    if (!skupiny->Active()) return;
    const Integer current = CurrentGroupID();
    if (skupiny->Locate("ID", Variant(0), TLocateOptions{})) {
        skupiny->Edit();
        DM->SkupinyJmeno->SetAsString(FGrpAll);
        skupiny->Post();
    }
    TMemData* tmp = DM->TmpTab;
    if (current != 0 && skupiny->Locate("ID", Variant(current), TLocateOptions{})) return;
    // Written twice, so that the group selector hears of the new name.
    for (Integer id : {1, 0}) {
        tmp->Edit();
        DM->TmpTabID->SetAsInteger(id);
        tmp->Post();
    }
    DBLookupComboBox1->RefreshList();
}

void TfMain::CheckGroupOrder() {
    TMemData* skupiny = DM->Skupiny;
    skupiny->First();
    if (!skupiny->IsEmpty() && DM->SkupinyPoradi->IsNull()) {
        DM->RenumberGroups();
        skupiny->First();
    }
}

// ---------------------------------------------------------------------------
// Close

void TfMain::SaveMainSettings() {
    DM->SetBulkMarker(true);
    auto clear = ScopeExit([] { DM->SetBulkMarker(false); });
    try {
        // The window's settings and the values below land together.
        TIniFileBatch batch(SettingsFileName());
        FormStorage->SaveSettings();
        TIniFile ini(SettingsFileName());
        ini.WriteInteger("MainForm", "TabControl1_TabIndex", CurrentGroupID());
        ini.WriteString("MainForm", "LastNum", DM->Adresa->IsEmpty() ? AnsiString() : DM->AdresaCislo->AsString());
        ini.WriteString("MainForm", "BRCName", FBRCName);
        batch.Commit();
    } catch (const Exception& E) {
        LogException(E);
    }
    SaveOnClose();
}

void TfMain::SaveOnClose() {
    try {
        if (fnastaveni->chbTempItem->Checked()) ::DeleteTemporaryContacts(*DM, FTempNum);
        FixContactIds(*DM);
        ClearQueueTicks();
    } catch (const Exception& E) {
        LogException(E);
    }
    SaveTables();
}

void TfMain::ClearQueueTicks() {
    for (TMemData* queue : {DM->Fronta, DM->FrontObj}) {
        if (!queue->Active() || queue->IsEmpty()) continue;
        TField* ticked = queue->FieldByName("Vybrany");
        const TBookmark place = queue->GetBookmark();
        queue->DisableControls();
        auto restore = ScopeExit([queue, &place] {
            if (queue->State() == dsEdit) queue->Cancel();
            if (!place.empty() && queue->BookmarkValid(place)) queue->GotoBookmark(place);
            queue->EnableControls();
        });
        for (queue->First(); !queue->Eof(); queue->Next()) {
            if (!ticked->AsBoolean()) continue;
            queue->Edit();
            ticked->SetAsBoolean(false);
            queue->Post();
        }
    }
}

void TfMain::DeleteDirectoryFiles(const AnsiString& Mask) {
    const AnsiString path = FProgramFolder + NormalizePath(Mask);
    const AnsiString folder = ExtractFilePath(path);
    for (const AnsiString& name : ListFiles(folder, ExtractFileName(path), faAnyFile)) DeleteFile(folder + name);
}

// ---------------------------------------------------------------------------
// The window's own settings

void TfMain::FormStorageSavePlacement(TObject*) { SaveLogColumns(); }

void TfMain::FormStorageRestorePlacement(TObject*) { RestoreLogColumns(); }

void TfMain::SaveLogColumns() {
    TIniFile* ini = FormStorage->IniFileObject();
    if (!ini) return;
    TListColumns* columns = ListView1->Columns();
    for (Integer i = 0; i < columns->Count(); ++i) ini->WriteInteger("ListView1", "Col" + IntToStr(i), columns->Items(i)->Width());
}

void TfMain::RestoreLogColumns() {
    TIniFile* ini = FormStorage->IniFileObject();
    if (!ini) return;
    TListColumns* columns = ListView1->Columns();
    for (const AnsiString& line : ini->ReadSectionValues("ListView1")) {
        if (line.size() < 4 || line[3] < '0' || line[3] > '9') continue;
        const Integer index = line[3] - '0';
        if (index >= columns->Count()) continue;
        const std::size_t equals = line.find('=');
        const Integer width = equals == AnsiString::npos ? 50 : StrToIntDef(line.substr(equals + 1), 50);
        columns->Items(index)->SetWidth(width);
    }
}

void TfMain::ShowPanels(TMenuItem* Item, bool Visible) {
    if (Item == mHideAdr) {
        // The splitter goes back beside its panel, not wherever it was.
        AdrSplitter->SetLeft(Panel1->Left() + Panel1->Width());
        for (TControl* control : std::initializer_list<TControl*>{Panel1, AdrSplitter, GroupPanelText, GroupPanelLogo,
                                                                  GroupPanelMelody})
            control->SetVisible(Visible);
    } else if (Item == mHideLog) {
        LogSplitter->SetTop(LogPanel->Top() - LogSplitter->Height());
        LogPanel->SetVisible(Visible);
        LogSplitter->SetVisible(Visible);
        Panel3->SetVisible(Visible);
    } else if (!Item) {
        TimePanel->SetTop(EditorTop());
        TimePanel->SetVisible(Visible);
        const TDateTime now = Now();
        DateTimePicker2->SetDateTime(now);
        // Sent to the minute.
        Word hour, minute, second, msec;
        DecodeTime(now, hour, minute, second, msec);
        DateTimePicker1->SetDateTime(static_cast<double>(static_cast<Int64>(now)) + EncodeTime(hour, minute, 0, 0));
    }
}

void TfMain::ShowDeliveryPanel(bool Visible) {
    if (Visible && DorucEdit->Text().empty() && fnastaveni) DorucEdit->SetText(fnastaveni->Edit5->Text());
    DorucPanel->SetTop(EditorTop());
    DorucPanel->SetVisible(Visible);
}

Integer TfMain::EditorTop() const {
    // Before the first page change the panels lie in the text page's editor.
    return (FEditorFill ? FEditorFill : EditorPanel)->Top();
}
