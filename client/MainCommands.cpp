// The main window's remaining commands: help, hang-up, the view switches,
// the send time, the database, settings and about windows, the text import
// and export of the address book and the history and the import from the
// mail client; and what the database window and the contact editor ask of
// the main window.

#include "client/MainCommands.h"

#include <algorithm>
#include <cmath>

#include "client/About.h"
#include "client/Contacts.h"
#include "client/FmxUtils.h"
#include "client/MailImport.h"
#include "client/Main.h"
#include "client/PhoneNumbers.h"
#include "client/TextImpExp.h"
#include "client/nastaveni.h"
#include "core/Caller.h"
#include "core/Language.h"
#include "core/Msgdlg.h"
#include "platform/os/MailContacts.h"
#include "platform/os/Shell.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

constexpr const char* kHelpFile = "vemlor.chm";

// Makes the group the one the group selector shows and the contacts follow.
void ChooseGroup(Integer Group) {
    TMemData* tmp = DM->TmpTab;
    if (!tmp->Active()) return;
    if (tmp->IsEmpty())
        tmp->Append();
    else
        tmp->Edit();
    DM->TmpTabID->SetAsInteger(Group);
    tmp->Post();
    DM->Skupiny->Locate("ID", Variant(Group), TLocateOptions{});
}

}  // namespace

// ---------------------------------------------------------------------------
// What the database window and the contact editor ask of the main window

void TMainWindowCommands::BuildTemplatesMenu() { FMain.BuildTemplatesMenu(); }

bool TMainWindowCommands::ShowHelp(const AnsiString& TopicPath) { return FMain.ShowHelp(TopicPath); }

void TMainWindowCommands::EditRingTone(const AnsiString& RingTone) {
    FMain.LoadRingTone(RingTone);
    FMain.ShowPage(FMain.TabMelody);
}

void TMainWindowCommands::ScanMelodyFolder() { FMain.ScanMelodyFolder(); }

void TMainWindowCommands::PlayRingTone(const AnsiString& FileName) { FMain.PlayRingTone(FileName, 0); }

void TMainWindowCommands::PlayRingToneExternally(const AnsiString& FileName) {
    FMain.PlayRingToneExternally(FileName, 0);
}

void TMainWindowCommands::StopPlaying() { FMain.StopPlaying(); }

bool TMainWindowCommands::FindInGrid(TDBGrid* Grid, TEdit* Edit) { return FMain.FindInGrid(Grid, Edit); }

AnsiString TMainWindowCommands::NormalisePhoneNumber(const AnsiString& Text) { return ::NormalisePhoneNumber(Text); }

bool TMainWindowCommands::ValidatePhoneNumber(AnsiString& Number, bool ShowMessages) {
    return ::ValidatePhoneNumber(*DM, fnastaveni ? fnastaveni->HomeCountry() : AnsiString(), Number, ShowMessages);
}

void TMainWindowCommands::PrefillInternationalPrefix(TEdit* Edit) {
    ::PrefillInternationalPrefix(*DM, fnastaveni ? fnastaveni->HomeCountry() : AnsiString(), Edit);
}

void TMainWindowCommands::FilterPhoneNumberChars(TEdit* Edit) {
    FilterPhoneNumberText(Edit, InternationalPrefixText(*DM, fnastaveni ? fnastaveni->HomeCountry() : AnsiString()));
}

AnsiString TMainWindowCommands::SalutationText() { return fnastaveni ? fnastaveni->HeaderEdit->Text() : AnsiString(); }

AnsiString TMainWindowCommands::SignatureText() { return fnastaveni ? fnastaveni->SignEdit->Text() : AnsiString(); }

TMainWindowCommands& TfMain::Commands() {
    if (!FCommands) FCommands = std::make_unique<TMainWindowCommands>(*this);
    return *FCommands;
}

// ---------------------------------------------------------------------------
// Help and hang-up

AnsiString TfMain::HelpTopic() const {
    static const char* const kTopics[] = {"::/maintext.html",  "::/mainlogo.html", "::/mainmelody.html",
                                          "::/fronttext.html", "::/frontlogo.html", "::/history.html",
                                          "::/addrbook.html"};
    const Integer page = PageControl1->ActivePageIndex();
    const char* topic = page >= 0 && page < 7 ? kTopics[page] : "::/opening.html";
    return FProgramFolder + kHelpFile + topic;
}

bool TfMain::ShowHelp(const AnsiString& TopicPath) {
    // Desktop viewers of the help file open it at its start page: they take
    // no topic.
    const AnsiString file = TopicPath.substr(0, TopicPath.find("::"));
    if (FileExists(file) && ShellRunFile(file, "", ExtractFilePath(file), SW_SHOWNORMAL)) return true;
    LocalMessageDlg(LangFormat("HelpUnavailable", "Nápověda není k dispozici: soubor %s nelze otevřít.", file), mtError,
                    TMsgDlgButtons{mbOK}, 0);
    return false;
}

void TfMain::MenuHelpClick(TObject*) { ShowHelp(HelpTopic()); }

void TfMain::AZavesitExecute(TObject*) { HangUpCall(); }

// ---------------------------------------------------------------------------
// View switches and the send time

void TfMain::AHideAdrExecute(TObject*) {
    mHideAdr->SetChecked(!mHideAdr->Checked());
    ShowPanels(mHideAdr, mHideAdr->Checked());
}

void TfMain::AHideLogExecute(TObject*) {
    mHideLog->SetChecked(!mHideLog->Checked());
    ShowPanels(mHideLog, mHideLog->Checked());
}

void TfMain::AHideDateExecute(TObject* Sender) { CasButtonClick(Sender); }

void TfMain::CasButtonClick(TObject*) {
    Acas->SetChecked(!Acas->Checked());
    ShowPanels(nullptr, Acas->Checked());
}

void TfMain::DorucButtonClick(TObject*) {
    Adoruc->SetChecked(!Adoruc->Checked());
    ShowDeliveryPanel(Adoruc->Checked());
}

void TfMain::mhideDorucClick(TObject*) {
    mhideDoruc->SetChecked(!mhideDoruc->Checked());
    DorucButton->SetVisible(mhideDoruc->Checked());
}

void TfMain::mhideCasClick(TObject*) {
    mhideCas->SetChecked(!mhideCas->Checked());
    CasButton->SetVisible(mhideCas->Checked());
}

void TfMain::mhideSabClick(TObject*) {
    mhideSab->SetChecked(!mhideSab->Checked());
    SabButton->SetVisible(mhideSab->Checked());
}

void TfMain::SabButtonClick(TObject*) { SabButton->CheckMenuDropdown(); }

void TfMain::DateTimePicker1Change(TObject*) { TrimSendTime(); }

void TfMain::TrimSendTime() {
    const TDateTime value = DateTimePicker1->DateTime();
    Word hour, minute, second, msec;
    DecodeTime(value, hour, minute, second, msec);
    if (second == 0 && msec == 0) return;
    DateTimePicker1->SetDateTime(std::floor(static_cast<double>(value)) + EncodeTime(hour, minute, 0, 0));
}

// ---------------------------------------------------------------------------
// Windows

void TfMain::SpeedButton3Click(TObject*) {
    if (fnastaveni) fnastaveni->ShowModal();
}

void TfMain::ADatabazeExecute(TObject* Sender) {
    if (Sender == ASkupiny) OpenDatabaseWindow(dpGroups);
    if (Sender == APrednastav) OpenDatabaseWindow(dpTemplates);
    if (Sender == AMelody) OpenDatabaseWindow(dpMelodies);
    if (Sender == AStaty) OpenDatabaseWindow(dpCountries);
    if (Sender == ANotif) OpenDatabaseWindow(dpNotifications);
}

void TfMain::OpenDatabaseWindow(TDatabasePage Page) {
    TMemData* adresa = DM->Adresa;
    TMemData* skupiny = DM->Skupiny;
    const Integer contact = adresa->Active() && !adresa->IsEmpty() ? DM->AdresaID->AsInteger() : -1;
    const Integer group = CurrentGroupID();
    {
        DM->SetBulkMarker(true);
        auto clear = ScopeExit([] { DM->SetBulkMarker(false); });
        // The window lists every contact for the group it shows.
        ChooseGroup(0);
        RefilterContacts();
        ShowDatabaseWindow(this, &Commands(), Page);
        BuildTemplatesMenu();
    }
    if (!adresa->Active() || !skupiny->Active()) return;
    adresa->SetSortedField("");
    adresa->SetSortedField("Jmeno");
    CheckGroupOrder();
    // A group deleted meanwhile leaves the selector on the first one.
    ChooseGroup(skupiny->Locate("ID", Variant(group), TLocateOptions{}) ? group : CurrentGroupID());
    DBLookupComboBox1->RefreshList();
    RefilterContacts();
    try {
        if (contact >= 0) adresa->Locate("ID", Variant(contact), TLocateOptions{});
    } catch (const Exception&) {
    }
    ShowRecipientSummary();
}

void TfMain::Oprogramu1Click(TObject*) {
    auto about = std::make_unique<TfAbout>(this);
    about->ShowModal();
}

void TfMain::AMinExecute(TObject*) { Application->Minimize(); }

// ---------------------------------------------------------------------------
// Text import and export, the mail client's contacts

void TfMain::ExportText(TMemData* Table) {
    if (SaveDialog1->Execute()) ::ExportText(Table, SaveDialog1->FileName(), false, ';');
}

void TfMain::ImportText(TMemData* Table) {
    if (!OpenDialog1->Execute()) return;
    ::ImportText(Table, OpenDialog1->FileName(), -1, nullptr, ';', &Commands());
    if (Table == DM->Adresa) {
        RefilterContacts();
        ShowRecipientSummary();
    }
}

void TfMain::SpeedButton36Click(TObject*) { ImportText(DM->Adresa); }

void TfMain::SpeedButton38Click(TObject*) { ExportText(DM->Adresa); }

void TfMain::SpeedButton29Click(TObject*) { ImportText(DM->Historie); }

void TfMain::SpeedButton31Click(TObject*) { ExportText(DM->Historie); }

void TfMain::SpeedButton40Click(TObject*) {
    TDesktopMailContacts desktop;
    if (ImportMailContacts(MailContacts ? *MailContacts : desktop, Commands()) < 0) return;
    DBLookupComboBox1->RefreshList();
    RefilterContacts();
    ShowRecipientSummary();
}

// ---------------------------------------------------------------------------
// Pages

void TfMain::ShowPage(TTabSheet* Page) {
    PageControl1->SetActivePage(Page);
    PageControl1Change(PageControl1);
}

void TfMain::PageControl1Change(TObject*) {
    TTabSheet* page = PageControl1->ActivePage();
    struct TComposerPage {
        TTabSheet* Page;
        TPanel* GroupPanel;
        TPanel* ToolPanel;
        TWinControl* EditorArea;
        // What fills the editor area below the panels shown over it.
        TControl* EditorFill;
    };
    // The melody page's editor lays its controls out by hand: panels put
    // inside it would lie over them, so they go above it.
    const TComposerPage composers[] = {{TabText, GroupPanelText, ToolPanelText, TextPanel, EditorPanel},
                                       {TabLogo, GroupPanelLogo, ToolPanelLogo, LogoPanel, LogoScrollBox},
                                       {TabMelody, GroupPanelMelody, ToolPanelMelody, TabMelody, MelodyPanel}};
    for (const TComposerPage& composer : composers) {
        if (composer.Page != page) continue;
        for (TControl* control : std::initializer_list<TControl*>{LabelSkupina, DBLookupComboBox1, StatusBar2})
            control->SetParent(composer.GroupPanel);
        // Left-aligned controls line up by their Left: the list, then its
        // splitter.
        Panel1->SetParent(page);
        Panel1->SetLeft(0);
        AdrSplitter->SetParent(page);
        AdrSplitter->SetLeft(Panel1->Width());
        // The composer's tool bar, with the send buttons, heads the page's
        // own tool bar.
        ToolBar1->SetParent(composer.ToolPanel);
        ToolBar1->SetTop(0);
        FEditorFill = composer.EditorFill;
        DorucPanel->SetParent(composer.EditorArea);
        TimePanel->SetParent(composer.EditorArea);
        DorucPanel->SetTop(FEditorFill->Top());
        TimePanel->SetTop(FEditorFill->Top());
        REdit1->SetTabStop(page == TabText);
        StatusBar2->SetVisible(FSeveral);
        if (ComboEdit1->CanFocus()) ComboEdit1->SetFocus();
        return;
    }
    if (page == TabFronta || page == TabFrontaObj) {
        ListView1->Invalidate();
        TWinControl* grid = page == TabFronta ? FrontaGrid : FrontaObjGrid;
        if (grid->CanFocus()) grid->SetFocus();
    } else if (page == TabAdresar) {
        StatusBar2->SetVisible(false);
    }
}

void TfMain::StatusBar1Resize(TObject*) {
    TStatusPanels* main = StatusBar1->Panels();
    if (main->Count() < 5) return;
    main->Items(0)->SetWidth(std::max(0, Width() - 3 * main->Items(1)->Width() - main->Items(4)->Width() - 10));
    TStatusPanels* recipients = StatusBar2->Panels();
    TWinControl* groupPanel = StatusBar2->Parent();
    if (recipients->Count() < 3 || !groupPanel) return;
    // The names take what the group selector and the other panels leave of
    // the group panel's width.
    StatusBar2->SetLeft(DBLookupComboBox1->Left() + DBLookupComboBox1->Width() + 5);
    const Integer room = std::max(0, groupPanel->ClientWidth() - StatusBar2->Left() - 4);
    recipients->Items(1)->SetWidth(
        std::max(0, room - recipients->Items(0)->Width() - recipients->Items(2)->Width()));
    StatusBar2->SetWidth(room);
}
