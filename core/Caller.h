#pragma once
// One dial-up call to the message centre, run by a worker thread: open the
// modem port and dial (redialling while the line is busy), fetch a newer
// tariff file, send the queued message files, fetch new notifications and
// newer program files, wait for the centre to end the call, close the port.
//
// Who runs what:
//
//   MAIN THREAD                                   WORKER THREAD (Execute)
//   TCaller(Services)  reads CallSettings,
//     BRCName and NotificationNames once;
//     sets the busy flag, clears hang-up
//   creator fills Tariff, DialNumber, ...,
//     SetFreeOnTerminate(true), Resume()  ---->   the six steps below
//   Services.ShowCallerStatus       <-- Synchronize --  ShowStatus
//   Services.LoadTariffs            <-- Synchronize --  after a tariff list
//   Services.SetBRCName             <-- Synchronize --  a tariff file arrived
//   Services.EnableNotificationTimer <-- posted ------  notifications arrived
//   HangUpCall() (the hang-up action)  -- atomic -->   abort callbacks
//   SessionFinished (OnTerminate):
//     Services.MoveSentToHistory, the result's status with how many
//     messages the centre took
//   ~TCaller (on the worker when it frees itself) clears the busy flag
//
// The worker touches no table and no control: what it needs of them is read
// on the main thread before it starts, and what it changes goes back through
// the calls above.
//
// Whatever a file from the centre is called, it is received into a fresh
// hidden folder of the call's own beside its place and only then renamed to
// its place ("tariffs.brc", "Mmf/<name>.not", "_<name>", "version.ini"),
// taking the permission bits of the file it replaces: the centre's name never
// decides which existing file is written, and a failed or broken receive, or
// one that reports success but leaves no file, leaves every file as it was.
//
// The call's steps (Execute); a step's nonzero result R ends the call with
// ErrorCode R, closing the port when it was opened:
//   idle      -> connected [ConnectToCentre]      PortOpen, Connect (redials on 10)
//   connected -> tariffs   [UpdateTariffs]        Dir 3, ReceiveFile 3 per new name
//   tariffs   -> sent      [SendQueuedFiles]      SendFile, up to 4 tries a file
//   sent      -> notified  [ReceiveNotifications] Dir 2, ReceiveFile 2 per new name
//   notified  -> updated   [ReceiveUpdates]       ReceiveFile 5; its result is ignored
//   updated   -> closed    [WaitForCentre]        WaitDisconnect, PortClose

#include <atomic>
#include <memory>
#include <vector>

#include "platform/os/Thread.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/System.h"

class TDataSet;
class TIniFile;

// The settings window's values a call uses, with that window's defaults.
struct TCallSettings {
    AnsiString PortName;       // ComboBox1: "COM1" to "COM8"
    Integer RedialCount = 3;   // SpinEdit1: 0 to 10
    bool ToneDialing = false;  // RadioTon checked
};

// The messages (queue rows) a call carried, and how many of them the centre
// took whole.
struct TCallDelivery {
    Integer Delivered = 0;
    Integer Carried = 0;
};

// What a call needs of the main window, which implements it. Every member
// runs on the main thread.
class TCallerServices {
public:
    virtual ~TCallerServices() = default;

    // Read by the constructor.
    virtual TCallSettings CallSettings() const = 0;
    // The base name of the tariff file last received.
    virtual AnsiString BRCName() const = 0;
    // Jmeno of every row of Notif: the NotificationKey of every notification
    // fetched before.
    virtual std::vector<AnsiString> NotificationNames() const = 0;

    // Run through Synchronize; the worker waits for them.
    virtual void ShowCallerStatus(const AnsiString& Text, bool Error) = 0;
    virtual void LoadTariffs() = 0;
    virtual void SetBRCName(const AnsiString& Value) = 0;

    // Posted; the worker goes on at once. Starts TimerNotif, which reads the
    // notification files the call received.
    virtual void EnableNotificationTimer() = 0;

    // The termination event: moves the rows the call carried to the
    // history, marked sent or failed, and says how many the centre took.
    virtual TCallDelivery MoveSentToHistory(TDataSet* Queue, bool Success) = 0;
};

// True from the creation of a call until its destruction; the main window
// refuses the commands that would disturb a call while it is set.
bool CallerBusy();
// The user's hang-up: the library's abort callbacks answer nonzero from now
// until the next call is created.
void HangUpCall();
bool HangUpRequested();

// Result codes the program gives itself (the library's own are listed with
// ErrorText).
constexpr Integer ceListUnreadable = 35;  // a received list cannot be used
constexpr Integer ceFileNotPlaced = 36;   // a received file is missing or cannot be put in its place
constexpr Integer ceException = -1;       // the call ended on an exception

// How Notif knows a notification file (Jmeno, 20 characters): its name
// without folder and extension when that fits, else the first 11 characters,
// "~" and 8 hexadecimal digits of a hash of the whole name, so that long
// names alike in their first 20 characters stay apart. The call skips the
// notifications whose key Notif holds, and the reader stores this key: the
// two must agree, or a notification is fetched again and dropped unseen.
AnsiString NotificationKey(const AnsiString& FileName);

class TCaller : public TThread {
public:
    // Suspended; reads the settings, looks up the status texts and sets the
    // busy flag. Services must outlive the call.
    explicit TCaller(TCallerServices& Services);
    ~TCaller() override;

    // Filled by the creator before Resume.
    Integer Tariff() const { return FTariff; }
    void SetTariff(Integer Value) { FTariff = Value; }
    const AnsiString& DialNumber() const { return FDialNumber; }
    void SetDialNumber(const AnsiString& Value) { FDialNumber = Value; }
    const AnsiString& LineIdentity() const { return FLineIdentity; }
    void SetLineIdentity(const AnsiString& Value) { FLineIdentity = Value; }
    // Full paths in sending order.
    TStringList* Files() { return &FFiles; }
    // Fronta or FrontObj (not owned), handed to the history move.
    TDataSet* QueueTable() const { return FQueueTable; }
    void SetQueueTable(TDataSet* Value) { FQueueTable = Value; }

    // What the constructor read.
    Integer Port() const { return FPort; }
    Integer RedialCount() const { return FRedialCount; }
    Integer DialMode() const { return FDialMode; }

    // 0 until a step fails; the call's result.
    Integer ErrorCode() const { return FErrorCode; }
    // How many files of Files(), from the first, the library took. A call
    // that fails after its files went (a notification that does not arrive,
    // the centre not ending the call) has still delivered them; the history
    // move tells sent rows from failed ones by it.
    Integer FilesSent() const { return FFilesSent; }

    // The localised text for a result code.
    static AnsiString ErrorText(Integer Code);
    // "COM3" -> 3: the digits after the first three characters, else 1.
    static Integer PortNumber(const AnsiString& PortName);
    // A name from the centre that may become a local file name: no folder,
    // drive or parent part, not hidden (a leading '.'), no control character,
    // not empty, not too long.
    static bool PlainRemoteName(const AnsiString& Name);
    // Keeps the lines of a version list ("name=version") that offer a newer
    // version than Installed records under [Version] (1.0 when it records
    // none or an unreadable one), programs (".exe") left out.
    static void KeepNewerFiles(TStringList& Lines, const TIniFile& Installed);
    // Whether a program file of the version list may be fetched to replace
    // the file of that name in Folder at the next start: a plain name that is
    // no program (the client, the updater, any executable file of Folder, an
    // ".exe"), no link-library module (".so"), none of the user's data
    // (tables and their set-aside copies, settings files, the tariffs) and no
    // folder of Folder. The start-up that puts waiting files in place keeps
    // to the same rule.
    static bool ReplaceableFile(const AnsiString& Name, const AnsiString& Folder);

    // The termination event (main thread).
    void SessionFinished(TObject* Sender);

protected:
    void Execute() override;

private:
    void ShowStatus(const AnsiString& Text, bool Error);
    Integer ConnectToCentre(bool& PortOpened);
    Integer UpdateTariffs();
    // Receives the centre's file Remote and renames it to Target, with the
    // permission bits of ModeOf (of Target when empty): 0, the library's
    // code, or ceFileNotPlaced when no file arrived or it cannot take
    // Target's place (Target stays as it was).
    Integer ReceiveAs(const AnsiString& Remote, Integer Kind, const AnsiString& Target,
                      const AnsiString& ModeOf = {});
    Integer SendQueuedFiles();
    Integer ReceiveNotifications();
    void ReceiveUpdates();
    Integer ReceiveVersionedFiles(TStringList& Lines);
    // Asks the library for a list of remote names into dirlist.txt: 0 with
    // the lines (none when the centre has nothing to list), or the failure.
    Integer ReadRemoteList(Integer Kind, TStringList& Lines);

    TCallerServices& FServices;
    Integer FPort = 1;
    Integer FRedialCount = 0;
    Integer FDialMode = 0;
    Integer FTariff = 0;
    AnsiString FDialNumber;
    AnsiString FLineIdentity;
    TStringList FFiles;
    TDataSet* FQueueTable = nullptr;
    Integer FErrorCode = 0;
    std::atomic<Integer> FFilesSent{0};
    Integer FHandle = 0;
    AnsiString FMsgChecking;
    AnsiString FMsgCalling;
    AnsiString FMsgSending;
    // The worker's copies of the main window's state.
    AnsiString FBRCName;
    std::vector<AnsiString> FNotificationNames;
};
