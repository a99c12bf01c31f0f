#pragma once
// The update run behind the updater's windows: closing a running client,
// fetching the update description, offering what is newer, downloading the
// packages one after the other, saving them, recording their versions and
// starting what a package asks to start. It knows its windows only through
// TUpdaterView, so it is driven and tested without them.
//
// States and the method behind each move:
//   idle        RequestUpdateInfo           -> fetching
//   fetching    UpdateInfoReceived          -> idle (description parsed or refused)
//   fetching    HttpError                   -> idle
//   idle        StartUpdate (queue, !busy)  -> running, package 0 requested
//   running     DownloadNextPackage         -> running, next package requested
//   running     DownloadNextPackage (last)  -> finished ("UpdateFinished"; busy stays)
//   running     DownloadNextPackage         -> running, a package with a bad name or
//                                              size refused unfetched, the next requested
//   running     wrong size / save failure   -> finished (busy stays)
//   running     a package's start fails     -> finished (busy stays, version unrecorded)
//   running     Stop                        -> stopped (the aborted request ends quietly)
//   running     HttpError                   -> idle (busy cleared)
//   running     an exception in a handler   -> idle (busy cleared, the reason shown)
//   running     exclusive installer started -> the program closes
// A finished run needs a new description fetch before the next one.
//
// A package is streamed into a temporary file beside its target as it
// arrives and put in place by rename once its size proves right, so a
// package needs no memory of its size and a broken one replaces nothing.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/rtl/System.h"
#include "updater/UpdateInfo.h"

class TAdvHttp;
class TAtomicFileWriter;
class TObject;

// What the update run needs of the windows.
class TUpdaterView {
public:
    virtual ~TUpdaterView() = default;
    virtual void SetStatus(const AnsiString& Text) = 0;
    // Replaces the list of what is new.
    virtual void SetLines(const std::vector<AnsiString>& Lines) = 0;
    virtual void ShowInfo(const AnsiString& Text) = 0;
    virtual void ShowError(const AnsiString& Text) = 0;
    // Yes/No; true for Yes.
    virtual bool Confirm(const AnsiString& Text) = 0;
    // The progress dialog for a package, its bar at 0 of 100.
    virtual void ShowProgress(const AnsiString& FileName) = 0;
    virtual void Progress(const AnsiString& Text, Integer Position, Integer Max) = 0;
    // Closes the progress dialog when it is visible.
    virtual void HideProgress() = 0;
    // Closes the main window, which ends the program.
    virtual void CloseMain() = 0;
};

// The connection settings of the settings dialog.
struct TConnectionSettings {
    bool Permanent = true;  // LAN or cable; else dial-up
    bool UseProxy = false;
    AnsiString ProxyHost, ProxyPort, ProxyUser, ProxyPassword;
};

// The client's single-instance name: "OnlyOne" and the first ten characters
// of its window title.
AnsiString ClientInstanceName();

// The language file the client's settings choose: program folder + "Lang\"
// + [Tfnastaveni] ComboBox2_Text of "vemlor.ini" ("english.lng" when the key
// is missing; no name at all when the file cannot be read).
AnsiString UpdaterLanguageFile(const AnsiString& ProgramFolder);

// The built-in base address of the update description.
extern const char* const kDefaultUpdateURL;

class TUpdater {
public:
    TUpdater(TAdvHttp* Http, TUpdaterView* View, const AnsiString& ProgramFolder);
    ~TUpdater();

    // Wiring to the windows.
    std::function<TConnectionSettings()> Settings;
    std::function<AnsiString(const AnsiString& Default)> ReadUpdateURL;
    std::function<void(const AnsiString& Value)> WriteUpdateURL;
    // Starts a saved package (the file launcher by default); false when it
    // could not be started.
    std::function<bool(const AnsiString& FileName, const AnsiString& Params)> Launch;

    // The client's single-instance name (tests use one of their own).
    AnsiString InstanceName = ClientInstanceName();

    // Closes a running client through its single-instance line and tells the user.
    void CloseMainProgram();
    // The show step after the client is closed: the server address, the
    // online test and the dialling question. True when the caller should
    // poll at once (online, or the user dialled).
    bool PrepareConnection();
    bool IsOnline() const;
    // The timer's poll: when online, fetches the description and answers
    // true (the timer is no longer needed).
    bool Poll();
    void RequestUpdateInfo();
    bool ParseUpdateInfo();
    // The update command (tool button, F2, menu).
    void StartUpdate();
    // The progress dialog's Stop button.
    void Stop();
    // The progress dialog was closed by other means.
    void ProgressClosed();
    // The main window closes: the fetched description goes.
    void Cleanup();

    bool Busy() const { return FBusy; }
    bool StopMark() const { return FStop; }
    const AnsiString& ServerBase() const { return FServerBase; }
    const std::optional<std::vector<AnsiString>>& Queue() const { return FQueue; }
    const TUpdatePackage& Package() const { return FPackage; }
    Integer ReceivedKB() const { return FReceivedKB; }

private:
    enum TPrepared { ppReady, ppRefused, ppFailed };

    void UpdateInfoReceived(TObject* Sender);
    void DescriptionProgress(TObject* Sender);
    void DownloadNextPackage(TObject* Sender);
    void NextPackage();
    void DownloadProgress(TObject* Sender);
    void StorePiece();
    void HttpError(TObject* Sender);
    // The package in hand arrived: check, save, start, record. False ends the run.
    bool FinishPackage();
    // Starts the saved package; says so and answers false when it cannot.
    bool StartPackage(const AnsiString& FileName, const AnsiString& Params);
    // Reads the package at the queue index and opens its file; a package
    // refused is skipped, a failure ends the run.
    TPrepared PreparePackage();
    // Skips the package in hand with the reason shown.
    void Refuse(const AnsiString& Message);
    // What an exception escaping a handler leaves: the reason shown, the run
    // ended, the busy mark cleared.
    void EndRun(const std::exception& E);

    TAdvHttp* FHttp;
    TUpdaterView* FView;
    AnsiString FProgramFolder;
    AnsiString FServerBase;
    bool FStop = false;
    bool FBusy = false;
    std::optional<std::vector<AnsiString>> FQueue;
    TUpdateDescription FDescription;
    AnsiString FPackageBase;
    Integer FIndex = -1;
    TUpdatePackage FPackage;
    AnsiString FOutputDir;
    Integer FReceivedKB = 0;
    // The package's file while it arrives, the bytes stored in it, and
    // whether storing failed; whether this run refused a package.
    std::unique_ptr<TAtomicFileWriter> FFile;
    Int64 FStored = 0;
    bool FStoreFailed = false;
    bool FRefused = false;
};
