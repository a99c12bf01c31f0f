#pragma once
// The client's main window: the composer pages (text, pictures, melodies),
// the queues, the history and the address book, the recipient list beside
// the composers, the event log and the menus and actions of all of it.
//
// Layout, captions and event bindings are the form file Main.form; this
// header lists the window by area, and each area's logic lives in a unit of
// its own:
//   start-up and close     Main.cpp, MainStartup.cpp (PendingUpdates,
//                          TableFiles do the file work)
//   language               MainLanguage.cpp
//   recipients             MainRecipients.cpp (Contacts does the table work)
//   composer and queueing  MainComposer.cpp (ComposerParts, Queueing)
//   logos and pictures     MainLogos.cpp (LogoPrep does the picture work)
//   melodies               MainMelody.cpp (MelodyModel, MidiImport)
//   queue and history      MainQueue.cpp (QueueTicks, GridSearch)
//   sending and the call   MainSending.cpp (Sending, Tariffs, Notifications)
//
// Life of the window (the program block creates it first, then the data
// module and the settings window, then runs the event loop):
//   FormCreate   program folder; the single-instance check, which ends a
//                second copy at once (its only deed: bringing the first one
//                forward); pending program files put in place
//   FormShow     the first showing: language, link library (failure closes
//                the window, saving nothing), tables, settings, groups
//   close        refused while a call runs; otherwise the settings and every
//                loaded table are saved (FormCloseQuery), the message folder
//                emptied (FormClose)

#include <functional>
#include <memory>
#include <vector>

#include "client/ComposerParts.h"
#include "client/Contacts.h"
#include "client/DatMod.h"
#include "client/Databaze.h"
#include "client/LogoPrep.h"
#include "client/Notifications.h"
#include "client/Tariffs.h"
#include "client/nastaveni.h"
#include "components/CheckVmDBGrid.h"
#include "components/Placemnt.h"
#include "components/ToolEdit.h"
#include "components/VmDBCtrl.h"
#include "components/VmRichEd.h"
#include "core/Caller.h"
#include "media/cmpBitmapEditor.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Containers.h"
#include "platform/ui/DBCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TextCtrls.h"

class TfStart;
class Tfvyber;
class TLogoPicture;
class TMailContactsProvider;
class TMainWindowCommands;
class TMediaPlayer;
class TMelodyModel;
class TMelodyPictures;
class TMelodyPlayer;
class TMidiFile;
class TPosli;
class TQueueSending;
class TSendServices;
class TSingleInstance;
class TTableFiles;
struct TComposedMessage;
struct TQueueOptions;

class TfMain : public TForm,
               public TMainWindowServices,
               public TSettingsMainWindow,
               public TCallerServices,
               public TNotificationServices {
public:
    explicit TfMain(TComponent* AOwner);
    ~TfMain() override;

    // =====================================================================
    // Window, start-up and close

    TMainMenu* MainMenu1 = nullptr;
    TActionList* ActionList1 = nullptr;
    TFormStorage* FormStorage = nullptr;
    TPageControl* PageControl1 = nullptr;
    TTabSheet* TabText = nullptr;
    TTabSheet* TabLogo = nullptr;
    TTabSheet* TabMelody = nullptr;
    TTabSheet* TabFronta = nullptr;
    TTabSheet* TabFrontaObj = nullptr;
    TTabSheet* TabHistorie = nullptr;
    TTabSheet* TabAdresar = nullptr;
    TStatusBar* StatusBar1 = nullptr;
    TTimer* TimerStartLogo = nullptr;
    TAction* AExit = nullptr;
    TAction* AMin = nullptr;
    // View switches kept in the settings.
    TMenuItem* mHideAdr = nullptr;
    TMenuItem* mHideFront = nullptr;
    TMenuItem* mHideLog = nullptr;
    TMenuItem* mHideDate = nullptr;
    TMenuItem* mDoruc = nullptr;
    TMenuItem* mhideDoruc = nullptr;
    TMenuItem* mhideCas = nullptr;
    TMenuItem* mhideSab = nullptr;
    TAction* AHideAdr = nullptr;
    TAction* AHideFront = nullptr;
    TAction* AHideLog = nullptr;
    TAction* AHideDate = nullptr;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormDestroy(TObject* Sender);
    void FormStorageSavePlacement(TObject* Sender);
    void FormStorageRestorePlacement(TObject* Sender);
    void TimerStartLogoTimer(TObject* Sender);
    void AExitExecute(TObject* Sender);

    // The executable's folder (or the one tests chose), with a trailing '/'.
    const AnsiString& ProgramFolder() const { return FProgramFolder; }
    AnsiString SettingsFileName() const { return FProgramFolder + "Vemlor.ini"; }
    // The name the single-instance line goes by; tests give each run its own.
    AnsiString InstanceName;
    // Why the program folder keeps no change, empty when it does; asked once
    // at start. Tests stand in for a folder that refuses even the superuser.
    std::function<AnsiString(const AnsiString& Folder)> FolderWriteProblem;

    void ApplyPendingUpdates();
    // False when another copy runs: it was asked to come forward and this
    // copy is ending.
    bool CheckSingleInstance();
    void ChooseLanguageFile();
    void StartUp();
    void LoadTables();
    void ScanMelodyFolder();
    void PrepareGroups();
    void CheckGroupOrder();
    void EnsureGroupZero();
    // Stores one table to "<Name>.dat"; a failure is shown, and false.
    bool SaveTable(TMemData* Table);
    void SaveMainSettings();
    void SaveOnClose();
    void ClearQueueTicks();
    // Deletes the files matching the mask (relative to the program folder).
    void DeleteDirectoryFiles(const AnsiString& Mask);
    void SaveLogColumns();
    void RestoreLogColumns();
    // Shows or hides the address panel (mHideAdr), the event log (mHideLog)
    // or, with no item, the send-time panel.
    void ShowPanels(TMenuItem* Item, bool Visible);
    // The delivery-report panel; shown with the default address when empty.
    void ShowDeliveryPanel(bool Visible);
    // Where the send-time and delivery-report panels go in the composer page
    // shown: over what fills its editor area.
    Integer EditorTop() const;
    bool Started() const { return FStarted; }

    // =====================================================================
    // Language

    void LoadLanguage();
    void ApplyLanguage();
    // The name of temporary contacts and of the group of all contacts.
    const AnsiString& TempNumText() const { return FTempNum; }
    const AnsiString& AllGroupText() const { return FGrpAll; }

    // =====================================================================
    // Recipients

    TPanel* GroupPanelText = nullptr;
    TPanel* GroupPanelLogo = nullptr;
    TPanel* GroupPanelMelody = nullptr;
    TLabel* LabelSkupina = nullptr;
    TDBLookupComboBox* DBLookupComboBox1 = nullptr;
    TStatusBar* StatusBar2 = nullptr;
    TPanel* Panel1 = nullptr;
    TSplitter* AdrSplitter = nullptr;
    TComboEdit* ComboEdit1 = nullptr;
    TCheckVmDBGrid* CheckGrid = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* Vybratvechny1 = nullptr;
    TMenuItem* Zruitvbr1 = nullptr;
    TAction* ANewAdr = nullptr;
    TAction* AEditAdr = nullptr;
    TAction* ADelAdr = nullptr;

    void ComboEdit1Change(TObject* Sender);
    void ComboEdit1ButtonClick(TObject* Sender);
    void ComboEdit1KeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void AdrEditKeyPress(TObject* Sender, char& Key);
    void ComboEdit1Exit(TObject* Sender);
    void CheckGridKeyPress(TObject* Sender, char& Key);
    void CheckGridCellClick(TColumn* Column);
    void CheckGridExit(TObject* Sender);
    void Panel1Resize(TObject* Sender);
    void PopupMenu1Popup(TObject* Sender);
    void Vybratvechny1Click(TObject* Sender);
    void Zruitvbr1Click(TObject* Sender);
    void DBLookupComboBox1Click(TObject* Sender);
    void ANewAdrExecute(TObject* Sender);
    void AEditAdrExecute(TObject* Sender);
    void ADelAdrExecute(TObject* Sender);
    void Smazatdoasnpoloky1Click(TObject* Sender);

    void IncrementalSearch();
    // The dialog's answer: mrCancel (nothing added), mrYes (a new contact)
    // or mrNo (a temporary contact).
    TModalResult AddTypedNumber(bool Silent);
    void ResolveRecipient(bool TickAnyway);
    void ToggleCurrentTick();
    void SetCurrentTick(bool Ticked);
    void TickOnlyCurrent();
    void SetAllTicks(bool Ticked);
    void RefilterContacts();
    void RestoreLastContact();
    void DeleteTemporaryContacts();
    Integer CountTickedRecipients();
    // The group chosen in the group selector (0: every contact).
    Integer CurrentGroupID() const;
    bool SeveralRecipients() const { return FSeveral; }
    void SetSeveralRecipients(bool Value);
    // Opens the contact editor modally on the contact being added or edited
    // (Adresa in insert or edit state); mrOk when it was confirmed. Without
    // an editor a typed number is added under its own number as the name.
    std::function<TModalResult()> EditContact;

    // =====================================================================
    // Composer and queueing

    TPanel* TextPanel = nullptr;
    TPanel* ToolPanelText = nullptr;
    TToolBar* ToolBar1 = nullptr;  // the composer's, moved to the composer page shown
    TPanel* ToolPanelLogo = nullptr;
    TPanel* ToolPanelMelody = nullptr;
    TPanel* EditorPanel = nullptr;
    TVmRichEdit* REdit1 = nullptr;
    TPanel* TimePanel = nullptr;
    TDateTimePicker* DateTimePicker1 = nullptr;  // send time: the time
    TDateTimePicker* DateTimePicker2 = nullptr;  // send time: the date
    TPanel* DorucPanel = nullptr;
    TEdit* DorucEdit = nullptr;
    TPanel* SendPanel = nullptr;
    TProgressBar* ProgressBar1 = nullptr;
    TProgressBar* ProgressBar2 = nullptr;
    TToolButton* SabButton = nullptr;
    TToolButton* DorucButton = nullptr;
    TToolButton* CasButton = nullptr;
    TPopupMenu* PopupMenu2 = nullptr;
    TPopupMenu* ZpravyMenu = nullptr;
    TAction* ADoFronty = nullptr;
    TAction* ANovaZprava = nullptr;
    TAction* AUndo = nullptr;
    TAction* ARedo = nullptr;
    TAction* Adoruc = nullptr;
    TAction* Acas = nullptr;

    void REdit2Change(TObject* Sender);
    void REdit1Enter(TObject* Sender);
    void REdit1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void ADoFrontyExecute(TObject* Sender);
    void ANovaZpravaExecute(TObject* Sender);
    void AUndoExecute(TObject* Sender);
    void ARedoExecute(TObject* Sender);
    void Zkopruj1Click(TObject* Sender);
    void Vyjmi1Click(TObject* Sender);
    void Vybratve1Click(TObject* Sender);
    void Vlo1Click(TObject* Sender);
    void InsertTemplate(TObject* Sender);

    // Edited: the user's change of the text, which may be cut back to what
    // every recipient's row keeps whole; a change of the recipients or the
    // settings never cuts.
    void UpdateComposerCounters(bool Edited = false);
    void ColourParts(const std::vector<TPartRange>& Ranges);
    bool EnqueueMessage(bool Tick, bool& LimitExceeded, TDateTime SendTime);
    bool ConfirmForeignNumber();
    void BuildTemplatesMenu();
    void InsertSalutation();
    // Clears a composer page (the active one when none is given), the
    // counters and, when asked, the recipient edit and the ticks.
    void ClearComposerPage(bool ClearRecipient, TTabSheet* Page = nullptr);

    // =====================================================================
    // Queue, history and the event log

    TCheckVmDBGrid* FrontaGrid = nullptr;
    TCheckVmDBGrid* FrontaObjGrid = nullptr;
    TVmDBGrid* HistorieGrid = nullptr;
    TVmDBGrid* AdrGrid = nullptr;
    TPanel* PanelNahledText = nullptr;
    TPanel* PanelNahledObj = nullptr;
    TPanel* PanelNahledHist = nullptr;
    TImage* ImageNahledObj = nullptr;
    TEdit* FindFrontaEdit = nullptr;
    TEdit* FindFrontaObjEdit = nullptr;
    TEdit* FindHistorieEdit = nullptr;
    TEdit* FindAdrEdit = nullptr;
    TPopupMenu* PopupMenuFronta = nullptr;
    TMenuItem* Odesli1 = nullptr;
    TPopupMenu* PopupMenuLog = nullptr;
    TPanel* LogPanel = nullptr;
    TSplitter* LogSplitter = nullptr;
    TPanel* Panel3 = nullptr;
    TListView* ListView1 = nullptr;

    void FrontaGridCellClick(TColumn* Column);
    void FrontaObjGridCellClick(TColumn* Column);
    void SpeedButton4Click(TObject* Sender);   // text queue: tick all
    void SpeedButton5Click(TObject* Sender);   // text queue: untick all
    void SpeedButton6Click(TObject* Sender);   // text queue: delete the ticked
    void SpeedButton2Click(TObject* Sender);   // text queue: back into the composer
    void SpeedButton7Click(TObject* Sender);   // text queue: print
    void SpeedButton8Click(TObject* Sender);   // text queue: find
    void SpeedButton9Click(TObject* Sender);   // object queue: tick all
    void SpeedButton11Click(TObject* Sender);  // object queue: untick all
    void SpeedButton12Click(TObject* Sender);  // object queue: delete the ticked
    void SpeedButton10Click(TObject* Sender);  // object queue: back into the composer
    void SpeedButton13Click(TObject* Sender);  // object queue: find
    void SpeedButton16Click(TObject* Sender);  // history: into the composer
    void SpeedButton17Click(TObject* Sender);  // history: delete the row
    void SpeedButton37Click(TObject* Sender);  // history: empty it
    void SpeedButton18Click(TObject* Sender);  // history: print
    void SpeedButton32Click(TObject* Sender);  // history: find
    void SpeedButton39Click(TObject* Sender);  // address book: find
    void FindEditKeyPress(TObject* Sender, char& Key);
    void TiskZprvy1Click(TObject* Sender);
    void AdrGridTitleBtnClick(TObject* Sender, Integer ACol, TField* Field);
    void AdrGridGetBtnParams(TObject* Sender, TField* Field, TFont* AFont, TColor& Background,
                             TSortMarker& SortMarker, bool IsDown);
    void Odesli1Click(TObject* Sender);
    void VymazatVse1Click(TObject* Sender);
    void VymazatKromeChyb1Click(TObject* Sender);

    // The picture of the object queue's current row in its preview; none
    // for a melody or a picture that cannot be read.
    void ShowQueuedPicture();
    void TickAllWithinLimit(TDataSet* Queue);
    void UntickAll(TDataSet* Queue);
    void DeleteTickedRows(TDataSet* Queue);
    // True when the row was taken into the composer.
    bool OpenRowInComposer(TDataSet* Table);
    // Time 0: no "sent" line.
    void PrintMessage(const AnsiString& Text, const AnsiString& Recipient, TDateTime Time);
    bool FindInGrid(TDBGrid* Grid, TEdit* Edit);
    // Adds an entry (time, text, error mark) to the event log; with the log
    // hidden the text goes to the status bar as well.
    void LogEvent(const AnsiString& Text, bool Error) override;
    // Deletes every entry (All) or those without an error mark.
    void ClearEventLog(bool All);

    // =====================================================================
    // Sending and the call

    TTimer* TimerNotif = nullptr;
    TAction* AZFronty = nullptr;
    TAction* APoslat = nullptr;
    TAction* AZavesit = nullptr;

    void AZFrontyExecute(TObject* Sender);
    void APoslatExecute(TObject* Sender);
    void TimerNotifTimer(TObject* Sender);

    // True, after telling the user, while a call runs.
    bool CheckBusy();
    // True, after telling the user, when the ticked rows of the active
    // queue page do not fit one call.
    bool CheckSendLimits();
    void SendNow();
    // The running call, nullptr when none was started.
    TCaller* SendFromQueue(bool Objects);
    const TCallLimits& CallLimits() const { return FCallLimits; }
    void ProcessNotificationFiles();
    void PurgeExpiredNotifications();
    // Where sending stands; made on first use.
    TQueueSending& Sending();

    // What a call reads of the window before it starts and hands back.
    TCallSettings CallSettings() const override;
    AnsiString BRCName() const override { return FBRCName; }
    void SetBRCName(const AnsiString& Value) override { FBRCName = Value; }
    std::vector<AnsiString> NotificationNames() const override;
    void ShowCallerStatus(const AnsiString& Text, bool Error) override;
    void LoadTariffs() override;
    void EnableNotificationTimer() override;
    TCallDelivery MoveSentToHistory(TDataSet* Queue, bool Success) override;
    void ShowNotification(const AnsiString& Text) override;
    void ShowNotificationError(const AnsiString& Text) override;

    // =====================================================================
    // Logos and pictures

    TPanel* LogoPanel = nullptr;
    TScrollBox* LogoScrollBox = nullptr;
    TBitmapEditor* BitmapEditor1 = nullptr;
    TImage* Image1 = nullptr;
    TEdit* LogoNameEdit = nullptr;
    TMemo* Memo1 = nullptr;
    TLabel* PictureTextLabel = nullptr;
    TToolButton* LogoOpButton = nullptr;
    TToolButton* LogoGroupButton = nullptr;
    TToolButton* LogoPicButton = nullptr;
    TOpenDialog* OpenPictureDialog1 = nullptr;
    TOpenDialog* OpenPictureDialog2 = nullptr;
    TSaveDialog* SavePictureDialog1 = nullptr;
    TToolBar* ToolBar3 = nullptr;
    TToolButton* tbPencil = nullptr;

    void LogoOpButtonClick(TObject* Sender);
    void LogoGroupButtonClick(TObject* Sender);
    void LogoPicButtonClick(TObject* Sender);
    void ToolButtonOpenLogoClick(TObject* Sender);
    void ToolButton22Click(TObject* Sender);
    void ToolButton24Click(TObject* Sender);
    void BitmapEditor1Change(TObject* Sender);
    void BitmapEditor1DrawToolChange(TObject* Sender);
    void UndoButtonClick(TObject* Sender);
    void RedoButtonClick(TObject* Sender);
    // Every drawing tool but the text tool: the editor's tool by the Tag.
    void tbSelectRectClick(TObject* Sender);
    void ToolButton30Click(TObject* Sender);

    void ResizeLogo(Integer Width, Integer Height);
    // Turns the picture in the crop window into the logo (FileName names
    // it; "" keeps the name). False when the user cancelled the cropping.
    bool PictureToLogo(Tfvyber* Crop, const AnsiString& FileName, bool Stucki);
    // A picture on the clipboard becomes the logo; false when there is none.
    bool PastePicture();
    void ClearLogoPage();
    // Drawn, loaded or taken from the queue since the page was cleared.
    bool LogoChanged() const;
    void SetLogoChanged(bool Value);
    bool ComposedPicture(TComposedMessage& Message);
    TLogoPicture& Logo() { return *FLogo; }

    // =====================================================================
    // Melodies

    TPanel* MelodyPanel = nullptr;
    TPanel* OsnovaPanel = nullptr;
    TImage* Osnova = nullptr;
    TImage* Image2 = nullptr;
    TImage* ImageKrizek = nullptr;
    TImage* ImageTecka = nullptr;
    TImageList* NoteImageList = nullptr;
    TScrollBar* ScrollBar1 = nullptr;
    TScrollBar* ScrollBar2 = nullptr;
    TLabel* Label3 = nullptr;
    TEdit* RTTTLNameEdit = nullptr;
    TComboBox* TempoBox = nullptr;
    TDBLookupComboBox* MelodyCombo = nullptr;
    TOpenDialog* RTTTLDlg = nullptr;
    TSaveDialog* RTTTLSaveDlg = nullptr;
    TMediaPlayer* MediaPlayer1 = nullptr;
    TMidiFile* MidiFile1 = nullptr;

    void AddNoteButtonClick(TObject* Sender);
    void DeleteNoteButtonClick(TObject* Sender);
    // The ten note and rest buttons: the current note's type by the Tag.
    void NoteButtonClick(TObject* Sender);
    void DotButtonClick(TObject* Sender);
    void SharpButtonClick(TObject* Sender);
    void ScrollBar1Change(TObject* Sender);
    void ScrollBar2Change(TObject* Sender);
    // Keeps out of the name what would break the ring-tone text.
    void RTTTLNameEditChange(TObject* Sender);
    void MelodyComboCloseUp(TObject* Sender);
    void OpenMelodyButtonClick(TObject* Sender);
    void SaveMelodyButtonClick(TObject* Sender);
    void PlayButtonClick(TObject* Sender);
    void StopButtonClick(TObject* Sender);
    void NoteGlyphClick(int Index);

    // The melody with the page's name and tempo.
    TMelodyModel& Melody();
    void AddNote(Integer Type);
    AnsiString BuildRingTone();
    bool MelodyIsReady();
    Integer MelodySeconds();
    void ClearComposer(bool ResetChoice);
    void LoadRingTone(const AnsiString& Text);
    // The ring-tone text of a MIDI file; "" when it cannot be read.
    AnsiString ImportMidi(const AnsiString& FileName);
    // TextOrFile: a ring-tone file, or else the ring tone itself. A failure
    // to play is shown.
    void PlayRingTone(const AnsiString& TextOrFile, Integer Instrument);
    void PlayRingToneExternally(const AnsiString& TextOrFile, Integer Instrument);
    void StopPlaying();
    bool ComposedMelody(TComposedMessage& Message);

    // =====================================================================
    // Other commands

    TOpenDialog* OpenDialog1 = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;
    TAction* AHelp = nullptr;
    TAction* ASetup = nullptr;
    TAction* ASkupiny = nullptr;
    TAction* APrednastav = nullptr;
    TAction* AMelody = nullptr;
    TAction* AStaty = nullptr;
    TAction* ANotif = nullptr;

    void MenuHelpClick(TObject* Sender);
    void AZavesitExecute(TObject* Sender);
    void AHideAdrExecute(TObject* Sender);
    void AHideLogExecute(TObject* Sender);
    void AHideDateExecute(TObject* Sender);
    void CasButtonClick(TObject* Sender);
    void DorucButtonClick(TObject* Sender);
    void mhideDorucClick(TObject* Sender);
    void mhideCasClick(TObject* Sender);
    void mhideSabClick(TObject* Sender);
    void SabButtonClick(TObject* Sender);
    void DateTimePicker1Change(TObject* Sender);
    void SpeedButton3Click(TObject* Sender);
    // The five database commands; the action chooses the page.
    void ADatabazeExecute(TObject* Sender);
    void Oprogramu1Click(TObject* Sender);
    void AMinExecute(TObject* Sender);
    // Text import and export of the address book (36, 38) and the history
    // (29, 31); the address book's import from the mail client (40).
    void SpeedButton36Click(TObject* Sender);
    void SpeedButton38Click(TObject* Sender);
    void SpeedButton29Click(TObject* Sender);
    void SpeedButton31Click(TObject* Sender);
    void SpeedButton40Click(TObject* Sender);
    // The recipient controls, the address panel and the send-time and
    // delivery-report panels follow the composer page shown.
    void PageControl1Change(TObject* Sender);
    // Makes the page active and lays it out as a change by the user does.
    void ShowPage(TTabSheet* Page);
    // The status bars' stretching panels take the window's width.
    void StatusBar1Resize(TObject* Sender);

    // Opens a topic ("<help file>::/<page>.html") with the desktop's viewer
    // for the help file; false, after telling the user, when there is no
    // help file or nothing opens it.
    bool ShowHelp(const AnsiString& TopicPath);
    // The help file's full name followed by the active page's topic.
    AnsiString HelpTopic() const;
    // Shows the database window modally on the page, over every contact,
    // and brings back the group and the contact chosen before.
    void OpenDatabaseWindow(TDatabasePage Page);
    // Puts the send time at whole minutes.
    void TrimSendTime();
    void ExportText(TMemData* Table);
    void ImportText(TMemData* Table);
    // What the database window and the contact editor ask of this window.
    TMainWindowCommands& Commands();
    // The mail client's address book; nullptr: the desktop's own.
    TMailContactsProvider* MailContacts = nullptr;

    // =====================================================================
    // What the data module and the settings window ask of the window

    bool SendsToSeveral() const override { return FSeveral; }
    void ShowCurrentContact() override;
    void ShowRecipientSummary() override;
    void LanguageChanged() override;
    void SeveralRecipientsChanged(bool Several) override;
    TColor ComposerColor() const override;
    void SettingsConfirmed(TColor Background, TFont* OddPartsFont) override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    // Start-up and close.
    void ReportDamagedTables();
    void WarnIfFolderKeepsNothing();
    void SaveTables();
    void LogException(const Exception& E);
    AnsiString FProgramFolder;
    std::unique_ptr<TSingleInstance> FInstance;
    std::unique_ptr<TTableFiles> FTableFiles;
    TfStart* FSplash = nullptr;
    AnsiString FBRCName;
    bool FSecondCopy = false;
    bool FShownOnce = false;
    bool FFirstRun = false;
    bool FStarted = false;
    bool FClosed = false;

    // Language: the texts kept for later use.
    AnsiString FCharsCaption = "Znaků";
    AnsiString FRemainCaption = "Zbývá";
    AnsiString FMsgsCaption = "Zpráv";
    AnsiString FTempNum = "Dočasné";
    AnsiString FGrpAll = "Všichni";

    // Recipients.
    // Sets the recipient edit's text without running its change handler.
    void SetRecipientText(const AnsiString& Text);
    void MoveToComposer();
    void AfterContactMove();
    bool FSeveral = false;
    bool FAutoCompleting = false;
    bool FBackspace = false;
    Integer FRestoreSelStart = 0;
    Integer FRestoreSelLength = 0;
    bool FRecipientEditLeft = false;

    // Other commands.
    std::unique_ptr<TMainWindowCommands> FCommands;

    // Composer.
    bool ComposedContent(TComposedMessage& Message);
    bool FEditorEntered = false;
    // The queueing options the settings and the window's state give now.
    TQueueOptions QueueOptions(bool Tick, TDateTime SendTime);
    bool FUpdatingCounters = false;
    // The salutations and signatures of the ticked contacts, which the
    // counters measure the text with.
    std::vector<TContactEnding> FEndings;
    // The editor's text length at the last count: an edit that did not
    // shorten the text is the one that may be cut back.
    Integer FComposerLength = 0;
    Integer FSavedCaret = 0;

    // Logos and pictures.
    void InitLogoPage();
    void ShowLogo();
    void ShowLogoKind(TLogoKind Kind);
    void SetLogoKind(TLogoKind Kind);
    void UpdateLogoPreview();
    // The editor draws on its own copy; this takes it back.
    void TakeEditorImage();
    void OpenPicture(TOpenDialog* Dialog, bool Stucki);
    void SelectPencil();
    std::unique_ptr<TLogoPicture> FLogo;

    // Melodies.
    void InitComposer();
    void TakeMelodyFields();
    void ShowMelodyFields();
    void ShowStaff();
    std::unique_ptr<TMelodyPictures> FMelodyPictures;
    std::unique_ptr<TMelodyModel> FMelody;
    std::unique_ptr<TMelodyPlayer> FMelodyPlayer;
    // The glyph controls on the staff, reused as the visible notes change.
    std::vector<TImage*> FNoteGlyphs;
    bool FShowingStaff = false;

    // Queue and history.
    TMemData* GridTable(TObject* Grid) const;
    void TickedCellClick(TColumn* Column, TDataSet* Queue, Integer Limit, bool Objects);
    void TakeBackFromQueue(TDataSet* Queue);
    void PrintCurrentQueueText();
    void PrintCurrentHistoryText();
    std::unique_ptr<TPosli> FSendJob;
    // Follows the object queue's current row for its preview.
    std::unique_ptr<TFieldDataLink> FQueuedPictureLink;
    // What fills the editor area of the composer page shown last.
    TControl* FEditorFill = nullptr;

    // Sending.
    void UntickBeyondLimit(TDataSet* Queue, Integer Limit);
    TCallLimits FCallLimits;
    std::unique_ptr<TSendServices> FSendServices;
    std::unique_ptr<TQueueSending> FSending;
};

// The program-wide instance, set by the program block; cleared when it goes.
extern TfMain* fMain;

// "OnlyOne" and the first ten characters of the window title "SMS Vemlor":
// the name of the running client's single-instance line, which the updater
// uses too.
AnsiString DefaultInstanceName();
