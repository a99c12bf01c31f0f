#include "client/Main.h"

#include <cstdio>

#include "client/MainCommands.h"
#include "client/MelodyModel.h"
#include "client/MidiImport.h"
#include "client/Sending.h"
#include "client/Start.h"
#include "client/TableFiles.h"
#include "core/CallerLib.h"
#include "core/Language.h"
#include "core/Msgdlg.h"
#include "core/Zprava.h"
#include "platform/classes/FormFiles.h"
#include "platform/os/SingleInstance.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/ModalBegin.h"

TfMain* fMain = nullptr;

namespace {

constexpr const char* kWindowTitle = "SMS Vemlor";
// How long a second copy waits for the first one to come forward.
constexpr Cardinal kShowTimeout = 5000;

}  // namespace

AnsiString DefaultInstanceName() { return "OnlyOne" + AnsiString(kWindowTitle).substr(0, 10); }

VEMLOR_PUBLISHED(TfMain, TForm) {
    // Window, start-up and close
    Field("MainMenu1", &TfMain::MainMenu1);
    Field("ActionList1", &TfMain::ActionList1);
    Field("FormStorage", &TfMain::FormStorage);
    Field("PageControl1", &TfMain::PageControl1);
    Field("TabText", &TfMain::TabText);
    Field("TabLogo", &TfMain::TabLogo);
    Field("TabMelody", &TfMain::TabMelody);
    Field("TabFronta", &TfMain::TabFronta);
    Field("TabFrontaObj", &TfMain::TabFrontaObj);
    Field("TabHistorie", &TfMain::TabHistorie);
    Field("TabAdresar", &TfMain::TabAdresar);
    Field("StatusBar1", &TfMain::StatusBar1);
    Field("TimerStartLogo", &TfMain::TimerStartLogo);
    Field("AExit", &TfMain::AExit);
    Field("AMin", &TfMain::AMin);
    Field("mHideAdr", &TfMain::mHideAdr);
    Field("mHideFront", &TfMain::mHideFront);
    Field("mHideLog", &TfMain::mHideLog);
    Field("mHideDate", &TfMain::mHideDate);
    Field("mDoruc", &TfMain::mDoruc);
    Field("mhideDoruc", &TfMain::mhideDoruc);
    Field("mhideCas", &TfMain::mhideCas);
    Field("mhideSab", &TfMain::mhideSab);
    Field("AHideAdr", &TfMain::AHideAdr);
    Field("AHideFront", &TfMain::AHideFront);
    Field("AHideLog", &TfMain::AHideLog);
    Field("AHideDate", &TfMain::AHideDate);
    Method("FormCreate", &TfMain::FormCreate);
    Method("FormShow", &TfMain::FormShow);
    Method("FormCloseQuery", &TfMain::FormCloseQuery);
    Method("FormClose", &TfMain::FormClose);
    Method("FormDestroy", &TfMain::FormDestroy);
    Method("FormStorageSavePlacement", &TfMain::FormStorageSavePlacement);
    Method("FormStorageRestorePlacement", &TfMain::FormStorageRestorePlacement);
    Method("TimerStartLogoTimer", &TfMain::TimerStartLogoTimer);
    Method("AExitExecute", &TfMain::AExitExecute);

    // Recipients
    Field("GroupPanelText", &TfMain::GroupPanelText);
    Field("GroupPanelLogo", &TfMain::GroupPanelLogo);
    Field("GroupPanelMelody", &TfMain::GroupPanelMelody);
    Field("LabelSkupina", &TfMain::LabelSkupina);
    Field("DBLookupComboBox1", &TfMain::DBLookupComboBox1);
    Field("StatusBar2", &TfMain::StatusBar2);
    Field("Panel1", &TfMain::Panel1);
    Field("AdrSplitter", &TfMain::AdrSplitter);
    Field("ComboEdit1", &TfMain::ComboEdit1);
    Field("CheckGrid", &TfMain::CheckGrid);
    Field("PopupMenu1", &TfMain::PopupMenu1);
    Field("Vybratvechny1", &TfMain::Vybratvechny1);
    Field("Zruitvbr1", &TfMain::Zruitvbr1);
    Field("ANewAdr", &TfMain::ANewAdr);
    Field("AEditAdr", &TfMain::AEditAdr);
    Field("ADelAdr", &TfMain::ADelAdr);
    Method("ComboEdit1Change", &TfMain::ComboEdit1Change);
    Method("ComboEdit1ButtonClick", &TfMain::ComboEdit1ButtonClick);
    Method("ComboEdit1KeyDown", &TfMain::ComboEdit1KeyDown);
    Method("AdrEditKeyPress", &TfMain::AdrEditKeyPress);
    Method("ComboEdit1Exit", &TfMain::ComboEdit1Exit);
    Method("CheckGridKeyPress", &TfMain::CheckGridKeyPress);
    Method("CheckGridCellClick", &TfMain::CheckGridCellClick);
    Method("CheckGridExit", &TfMain::CheckGridExit);
    Method("Panel1Resize", &TfMain::Panel1Resize);
    Method("PopupMenu1Popup", &TfMain::PopupMenu1Popup);
    Method("Vybratvechny1Click", &TfMain::Vybratvechny1Click);
    Method("Zruitvbr1Click", &TfMain::Zruitvbr1Click);
    Method("DBLookupComboBox1Click", &TfMain::DBLookupComboBox1Click);
    Method("ANewAdrExecute", &TfMain::ANewAdrExecute);
    Method("AEditAdrExecute", &TfMain::AEditAdrExecute);
    Method("ADelAdrExecute", &TfMain::ADelAdrExecute);
    Method("Smazatdoasnpoloky1Click", &TfMain::Smazatdoasnpoloky1Click);

    // Composer and queueing
    Field("TextPanel", &TfMain::TextPanel);
    Field("ToolPanelText", &TfMain::ToolPanelText);
    Field("ToolBar1", &TfMain::ToolBar1);
    Field("ToolPanelLogo", &TfMain::ToolPanelLogo);
    Field("ToolPanelMelody", &TfMain::ToolPanelMelody);
    Field("EditorPanel", &TfMain::EditorPanel);
    Field("REdit1", &TfMain::REdit1);
    Field("TimePanel", &TfMain::TimePanel);
    Field("DateTimePicker1", &TfMain::DateTimePicker1);
    Field("DateTimePicker2", &TfMain::DateTimePicker2);
    Field("DorucPanel", &TfMain::DorucPanel);
    Field("DorucEdit", &TfMain::DorucEdit);
    Field("SendPanel", &TfMain::SendPanel);
    Field("ProgressBar1", &TfMain::ProgressBar1);
    Field("ProgressBar2", &TfMain::ProgressBar2);
    Field("SabButton", &TfMain::SabButton);
    Field("DorucButton", &TfMain::DorucButton);
    Field("CasButton", &TfMain::CasButton);
    Field("PopupMenu2", &TfMain::PopupMenu2);
    Field("ZpravyMenu", &TfMain::ZpravyMenu);
    Field("ADoFronty", &TfMain::ADoFronty);
    Field("ANovaZprava", &TfMain::ANovaZprava);
    Field("AUndo", &TfMain::AUndo);
    Field("ARedo", &TfMain::ARedo);
    Field("Adoruc", &TfMain::Adoruc);
    Field("Acas", &TfMain::Acas);
    Method("REdit2Change", &TfMain::REdit2Change);
    Method("REdit1Enter", &TfMain::REdit1Enter);
    Method("REdit1MouseDown", &TfMain::REdit1MouseDown);
    Method("ADoFrontyExecute", &TfMain::ADoFrontyExecute);
    Method("ANovaZpravaExecute", &TfMain::ANovaZpravaExecute);
    Method("AUndoExecute", &TfMain::AUndoExecute);
    Method("ARedoExecute", &TfMain::ARedoExecute);
    Method("Zkopruj1Click", &TfMain::Zkopruj1Click);
    Method("Vyjmi1Click", &TfMain::Vyjmi1Click);
    Method("Vybratve1Click", &TfMain::Vybratve1Click);
    Method("Vlo1Click", &TfMain::Vlo1Click);

    // Queue, history and the event log
    Field("FrontaGrid", &TfMain::FrontaGrid);
    Field("FrontaObjGrid", &TfMain::FrontaObjGrid);
    Field("HistorieGrid", &TfMain::HistorieGrid);
    Field("AdrGrid", &TfMain::AdrGrid);
    Field("PanelNahledText", &TfMain::PanelNahledText);
    Field("PanelNahledObj", &TfMain::PanelNahledObj);
    Field("PanelNahledHist", &TfMain::PanelNahledHist);
    Field("ImageNahledObj", &TfMain::ImageNahledObj);
    Field("FindFrontaEdit", &TfMain::FindFrontaEdit);
    Field("FindFrontaObjEdit", &TfMain::FindFrontaObjEdit);
    Field("FindHistorieEdit", &TfMain::FindHistorieEdit);
    Field("FindAdrEdit", &TfMain::FindAdrEdit);
    Field("PopupMenuFronta", &TfMain::PopupMenuFronta);
    Field("Odesli1", &TfMain::Odesli1);
    Field("PopupMenuLog", &TfMain::PopupMenuLog);
    Field("LogPanel", &TfMain::LogPanel);
    Field("LogSplitter", &TfMain::LogSplitter);
    Field("Panel3", &TfMain::Panel3);
    Field("ListView1", &TfMain::ListView1);
    Method("FrontaGridCellClick", &TfMain::FrontaGridCellClick);
    Method("FrontaObjGridCellClick", &TfMain::FrontaObjGridCellClick);
    Method("SpeedButton4Click", &TfMain::SpeedButton4Click);
    Method("SpeedButton5Click", &TfMain::SpeedButton5Click);
    Method("SpeedButton6Click", &TfMain::SpeedButton6Click);
    Method("SpeedButton2Click", &TfMain::SpeedButton2Click);
    Method("SpeedButton7Click", &TfMain::SpeedButton7Click);
    Method("SpeedButton8Click", &TfMain::SpeedButton8Click);
    Method("SpeedButton9Click", &TfMain::SpeedButton9Click);
    Method("SpeedButton11Click", &TfMain::SpeedButton11Click);
    Method("SpeedButton12Click", &TfMain::SpeedButton12Click);
    Method("SpeedButton10Click", &TfMain::SpeedButton10Click);
    Method("SpeedButton13Click", &TfMain::SpeedButton13Click);
    Method("SpeedButton16Click", &TfMain::SpeedButton16Click);
    Method("SpeedButton17Click", &TfMain::SpeedButton17Click);
    Method("SpeedButton37Click", &TfMain::SpeedButton37Click);
    Method("SpeedButton18Click", &TfMain::SpeedButton18Click);
    Method("SpeedButton32Click", &TfMain::SpeedButton32Click);
    Method("SpeedButton39Click", &TfMain::SpeedButton39Click);
    Method("FindEditKeyPress", &TfMain::FindEditKeyPress);
    Method("TiskZprvy1Click", &TfMain::TiskZprvy1Click);
    Method("AdrGridTitleBtnClick", &TfMain::AdrGridTitleBtnClick);
    Method("AdrGridGetBtnParams", &TfMain::AdrGridGetBtnParams);
    Method("Odesli1Click", &TfMain::Odesli1Click);
    Method("VymazatVse1Click", &TfMain::VymazatVse1Click);
    Method("VymazatKromeChyb1Click", &TfMain::VymazatKromeChyb1Click);

    // Sending and the call
    Field("TimerNotif", &TfMain::TimerNotif);
    Field("AZFronty", &TfMain::AZFronty);
    Field("APoslat", &TfMain::APoslat);
    Field("AZavesit", &TfMain::AZavesit);
    Method("AZFrontyExecute", &TfMain::AZFrontyExecute);
    Method("APoslatExecute", &TfMain::APoslatExecute);
    Method("TimerNotifTimer", &TfMain::TimerNotifTimer);

    // Logos and pictures
    Field("LogoPanel", &TfMain::LogoPanel);
    Field("LogoScrollBox", &TfMain::LogoScrollBox);
    Field("BitmapEditor1", &TfMain::BitmapEditor1);
    Field("Image1", &TfMain::Image1);
    Field("LogoNameEdit", &TfMain::LogoNameEdit);
    Field("Memo1", &TfMain::Memo1);
    Field("PictureTextLabel", &TfMain::PictureTextLabel);
    Field("LogoOpButton", &TfMain::LogoOpButton);
    Field("LogoGroupButton", &TfMain::LogoGroupButton);
    Field("LogoPicButton", &TfMain::LogoPicButton);
    Field("OpenPictureDialog1", &TfMain::OpenPictureDialog1);
    Field("OpenPictureDialog2", &TfMain::OpenPictureDialog2);
    Field("SavePictureDialog1", &TfMain::SavePictureDialog1);
    Field("ToolBar3", &TfMain::ToolBar3);
    Field("tbPencil", &TfMain::tbPencil);
    Method("LogoOpButtonClick", &TfMain::LogoOpButtonClick);
    Method("LogoGroupButtonClick", &TfMain::LogoGroupButtonClick);
    Method("LogoPicButtonClick", &TfMain::LogoPicButtonClick);
    Method("ToolButtonOpenLogoClick", &TfMain::ToolButtonOpenLogoClick);
    Method("ToolButton22Click", &TfMain::ToolButton22Click);
    Method("ToolButton24Click", &TfMain::ToolButton24Click);
    Method("BitmapEditor1Change", &TfMain::BitmapEditor1Change);
    Method("BitmapEditor1DrawToolChange", &TfMain::BitmapEditor1DrawToolChange);
    Method("UndoButtonClick", &TfMain::UndoButtonClick);
    Method("RedoButtonClick", &TfMain::RedoButtonClick);
    Method("tbSelectRectClick", &TfMain::tbSelectRectClick);
    Method("ToolButton30Click", &TfMain::ToolButton30Click);

    // Melodies
    Field("MelodyPanel", &TfMain::MelodyPanel);
    Field("OsnovaPanel", &TfMain::OsnovaPanel);
    Field("Osnova", &TfMain::Osnova);
    Field("Image2", &TfMain::Image2);
    Field("ImageKrizek", &TfMain::ImageKrizek);
    Field("ImageTecka", &TfMain::ImageTecka);
    Field("NoteImageList", &TfMain::NoteImageList);
    Field("ScrollBar1", &TfMain::ScrollBar1);
    Field("ScrollBar2", &TfMain::ScrollBar2);
    Field("Label3", &TfMain::Label3);
    Field("RTTTLNameEdit", &TfMain::RTTTLNameEdit);
    Field("TempoBox", &TfMain::TempoBox);
    Field("MelodyCombo", &TfMain::MelodyCombo);
    Field("RTTTLDlg", &TfMain::RTTTLDlg);
    Field("RTTTLSaveDlg", &TfMain::RTTTLSaveDlg);
    Field("MediaPlayer1", &TfMain::MediaPlayer1);
    Field("MidiFile1", &TfMain::MidiFile1);
    Method("AddNoteButtonClick", &TfMain::AddNoteButtonClick);
    Method("DeleteNoteButtonClick", &TfMain::DeleteNoteButtonClick);
    Method("NoteButtonClick", &TfMain::NoteButtonClick);
    Method("DotButtonClick", &TfMain::DotButtonClick);
    Method("SharpButtonClick", &TfMain::SharpButtonClick);
    Method("ScrollBar1Change", &TfMain::ScrollBar1Change);
    Method("ScrollBar2Change", &TfMain::ScrollBar2Change);
    Method("RTTTLNameEditChange", &TfMain::RTTTLNameEditChange);
    Method("MelodyComboCloseUp", &TfMain::MelodyComboCloseUp);
    Method("OpenMelodyButtonClick", &TfMain::OpenMelodyButtonClick);
    Method("SaveMelodyButtonClick", &TfMain::SaveMelodyButtonClick);
    Method("PlayButtonClick", &TfMain::PlayButtonClick);
    Method("StopButtonClick", &TfMain::StopButtonClick);

    // Other commands
    Field("OpenDialog1", &TfMain::OpenDialog1);
    Field("SaveDialog1", &TfMain::SaveDialog1);
    Field("AHelp", &TfMain::AHelp);
    Field("ASetup", &TfMain::ASetup);
    Field("ASkupiny", &TfMain::ASkupiny);
    Field("APrednastav", &TfMain::APrednastav);
    Field("AMelody", &TfMain::AMelody);
    Field("AStaty", &TfMain::AStaty);
    Field("ANotif", &TfMain::ANotif);
    Method("MenuHelpClick", &TfMain::MenuHelpClick);
    Method("AZavesitExecute", &TfMain::AZavesitExecute);
    Method("AHideAdrExecute", &TfMain::AHideAdrExecute);
    Method("AHideLogExecute", &TfMain::AHideLogExecute);
    Method("AHideDateExecute", &TfMain::AHideDateExecute);
    Method("CasButtonClick", &TfMain::CasButtonClick);
    Method("DorucButtonClick", &TfMain::DorucButtonClick);
    Method("mhideDorucClick", &TfMain::mhideDorucClick);
    Method("mhideCasClick", &TfMain::mhideCasClick);
    Method("mhideSabClick", &TfMain::mhideSabClick);
    Method("SabButtonClick", &TfMain::SabButtonClick);
    Method("DateTimePicker1Change", &TfMain::DateTimePicker1Change);
    Method("SpeedButton3Click", &TfMain::SpeedButton3Click);
    Method("ADatabazeExecute", &TfMain::ADatabazeExecute);
    Method("Oprogramu1Click", &TfMain::Oprogramu1Click);
    Method("AMinExecute", &TfMain::AMinExecute);
    Method("SpeedButton36Click", &TfMain::SpeedButton36Click);
    Method("SpeedButton38Click", &TfMain::SpeedButton38Click);
    Method("SpeedButton29Click", &TfMain::SpeedButton29Click);
    Method("SpeedButton31Click", &TfMain::SpeedButton31Click);
    Method("SpeedButton40Click", &TfMain::SpeedButton40Click);
    Method("PageControl1Change", &TfMain::PageControl1Change);
    Method("StatusBar1Resize", &TfMain::StatusBar1Resize);
}

TfMain::TfMain(TComponent* AOwner) : TForm(AOwner) {
    InitInheritedComponent(this);
    EditContact = [this] { return ::EditContact(this, &Commands()); };
}

TfMain::~TfMain() {
    if (DM && DM->MainWindow() == this) DM->SetMainWindow(nullptr);
    if (fnastaveni) fnastaveni->SetMainWindow(nullptr);
    SetZpravaLogEvent(nullptr);
    // The handlers reach this window.
    Application->OnException = nullptr;
    SetModalBeginHandler(nullptr);
    if (fMain == this) {
        fMain = nullptr;
        SetFileDialogSettingsFile("");
    }
}

// ---------------------------------------------------------------------------
// The window's life

void TfMain::FormCreate(TObject*) {
    FProgramFolder = ::ProgramFolder();
    InitLogoPage();
    InitComposer();
    FormStorage->SetIniFileName(SettingsFileName());
    SetFileDialogSettingsFile(SettingsFileName());
    if (InstanceName.empty()) InstanceName = DefaultInstanceName();
    // Before any file is touched: a second copy must not put program files
    // in place under the copy that runs.
    if (!CheckSingleInstance()) return;
    ApplyPendingUpdates();
    SetZpravaLogEvent([this](const AnsiString& Text, bool Error) { LogEvent(Text, Error); });
    // An error that escapes a handler interrupts nobody, but it is not lost:
    // the event log keeps it.
    Application->OnException = [this](TObject*, Exception& E) { LogException(E); };
}

bool TfMain::CheckSingleInstance() {
    auto instance = std::make_unique<TSingleInstance>(InstanceName);
    bool acquired = instance->Acquire();
    TInstanceReply reply = irNoInstance;
    if (!acquired) {
        reply = SendToInstance(InstanceName, "SHOW", kShowTimeout);
        // The other copy ended in the meantime.
        if (reply == irNoInstance) acquired = instance->Acquire();
    }
    if (acquired) {
        instance->OnShow = [this] {
            if (Application->Minimized()) Application->Restore();
            Show();
        };
        instance->OnClose = [this] {
            Close();
            return FClosed;
        };
        FInstance = std::move(instance);
        return true;
    }
    FSecondCopy = true;
    // Nothing of this copy may reach the files of the one that runs.
    FormStorage->SetActive(false);
    Application->SetShowMainForm(false);
    Application->Terminate();
    if (reply == irDone) {
        std::fprintf(stderr, "%s already runs; its window was brought forward.\n", kWindowTitle);
    } else {
        std::fprintf(stderr, "%s already runs, but does not answer.\n", kWindowTitle);
        LocalMessageDlg(LangText("AlreadyRunning", "Program SMS Vemlor je již spuštěn."), mtInformation,
                        TMsgDlgButtons{mbOK}, 0);
    }
    return false;
}

void TfMain::FormShow(TObject*) {
    // Later showings (the window brought forward) find everything in place.
    if (FShownOnce || FSecondCopy) return;
    FShownOnce = true;
    if (DM) DM->SetMainWindow(this);
    if (fnastaveni) fnastaveni->SetMainWindow(this);
    FFirstRun = !FileExists(SettingsFileName());
    try {
        ChooseLanguageFile();
    } catch (const Exception&) {
    }
    if (!LoadCallerLibraries()) {
        // The library's message has been shown; nothing is loaded, so
        // nothing may be saved either.
        FormStorage->SetActive(false);
        Application->Post([this, alive = AliveToken()] {
            if (!alive.expired()) Close();
        });
        return;
    }
    StartUp();
    try {
        CheckGroupOrder();
    } catch (const Exception& E) {
        LogException(E);
    }
    try {
        TIniFile ini(SettingsFileName());
        FBRCName = ini.ReadString("MainForm", "BRCName", "");
        const Integer group = ini.ReadInteger("MainForm", "TabControl1_TabIndex", 0);
        DM->Skupiny->Locate("ID", Variant(group), TLocateOptions{});
        DM->TmpTab->Edit();
        DM->TmpTabID->SetAsInteger(CurrentGroupID());
        DM->TmpTab->Post();
    } catch (const Exception&) {
        if (DM->TmpTab->State() != dsBrowse) DM->TmpTab->Cancel();
    }
    RefilterContacts();
    RestoreLastContact();
    ShowRecipientSummary();
    FStarted = true;
}

void TfMain::FormCloseQuery(TObject*, bool& CanClose) {
    // The call thread may still write notifications and tariffs; the tables
    // are saved only once it has ended.
    if (CheckBusy()) {
        CanClose = false;
        return;
    }
    if (FStarted) SaveMainSettings();
}

void TfMain::FormClose(TObject*, TCloseAction&) {
    FClosed = true;
    if (FStarted) DeleteDirectoryFiles("Mmf/*.*");
    // The line to other copies goes once the request that may have closed
    // the window has been answered.
    Application->Post([this, alive = AliveToken()] {
        if (!alive.expired()) FInstance.reset();
    });
}

void TfMain::FormDestroy(TObject*) { FreeCallerLibraries(); }

void TfMain::TimerStartLogoTimer(TObject*) {
    TimerStartLogo->SetEnabled(false);
    SetModalBeginHandler(nullptr);
    if (FSplash) {
        FSplash->Close();
        FSplash->Release();
        FSplash = nullptr;
    }
}

void TfMain::AExitExecute(TObject*) { Close(); }

// ---------------------------------------------------------------------------
// What the data module and the settings window ask of the window

void TfMain::ShowCurrentContact() {
    if (CheckGrid->Focused()) SetRecipientText(DM->AdresaJmeno->AsString());
    if (!DM->Adresa->IsEmpty())
        StatusBar1->Panels()->Items(0)->SetText(
            Format(" %s: %s", DM->AdresaJmeno->AsString(), DM->AdresaCislo->AsString()));
}

void TfMain::LanguageChanged() {
    ApplyLanguage();
    PrepareGroups();
}

void TfMain::SeveralRecipientsChanged(bool Several) { SetSeveralRecipients(Several); }

TColor TfMain::ComposerColor() const { return REdit1->Color(); }

void TfMain::SettingsConfirmed(TColor Background, TFont* OddPartsFont) {
    if (Background != 0) REdit1->SetColor(Background);
    REdit1->SetFont(OddPartsFont);
    try {
        FormStorage->SaveSettings();
    } catch (const Exception& E) {
        LogException(E);
    }
    UpdateComposerCounters();
}

// ---------------------------------------------------------------------------
// The event log and the call

void TfMain::LogEvent(const AnsiString& Text, bool Error) {
    TListItem* item = ListView1->Items()->Add();
    item->SetCaption(FormatDateTime("hh:nn:ss", Now()));
    item->SubItems()->Add(Text);
    if (Error) item->SetImageIndex(0);
    if (!Panel3->Visible()) StatusBar1->Panels()->Items(0)->SetText(Text);
    item->MakeVisible();
}

void TfMain::LogException(const Exception& E) { LogEvent(E.Message(), true); }

bool TfMain::CheckBusy() {
    if (!CallerBusy()) return false;
    LocalMessageDlg(LangText("FuncNotAvailable", "Během odesílání zpráv nelze tuto funkci použít."), mtInformation,
                    TMsgDlgButtons{mbOK}, 0);
    return true;
}

TCallSettings TfMain::CallSettings() const {
    TCallSettings settings;
    if (!fnastaveni) return settings;
    settings.PortName = fnastaveni->ComboBox1->Text();
    settings.RedialCount = fnastaveni->SpinEdit1->Value();
    settings.ToneDialing = fnastaveni->RadioTon->Checked();
    return settings;
}

std::vector<AnsiString> TfMain::NotificationNames() const {
    std::vector<AnsiString> names;
    TMemData* notif = DM->Notif;
    if (!notif->Active()) return names;
    const TBookmark place = notif->GetBookmark();
    notif->DisableControls();
    auto restore = ScopeExit([notif, &place] {
        if (!place.empty() && notif->BookmarkValid(place)) notif->GotoBookmark(place);
        notif->EnableControls();
    });
    for (notif->First(); !notif->Eof(); notif->Next()) names.push_back(DM->NotifJmeno->AsString());
    return names;
}

void TfMain::ShowCallerStatus(const AnsiString& Text, bool Error) { LogEvent(Text, Error); }

void TfMain::EnableNotificationTimer() { TimerNotif->SetEnabled(true); }
