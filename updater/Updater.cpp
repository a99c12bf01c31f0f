#include "updater/Updater.h"

#include "client/FmxUtils.h"
#include "core/Language.h"
#include "platform/os/Http.h"
#include "platform/os/Shell.h"
#include "platform/os/SingleInstance.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "updater/AdvHttpUrl.h"
#include "updater/RASUnit.h"
#include "updater/uAdvHttp.h"

const char* const kDefaultUpdateURL = "http://update.vemlor.invalid/updclnt";

namespace {

constexpr const char* kClientTitle = "SMS Vemlor";
// The client may ask its user before it closes; the updater waits that long.
constexpr Cardinal kCloseTimeout = 120000;

AnsiString Text(const char* Key, const char* Default) { return LangText(Key, Default); }

// The text of the key with the name put in; the default's when a language
// file's text does not fit the argument.
AnsiString NamedText(const char* Key, const char* Default, const AnsiString& Name) {
    try {
        return Format(Text(Key, Default), Name);
    } catch (const EConvertError&) {
        return Format(Default, Name);
    }
}

// Whether the HTTP component can fetch the description below the base: it
// takes http and https addresses only.
bool UsableBase(const AnsiString& Base) {
    TUrlParts parts;
    return CrackUrl(JoinUrl(Base, "update.dat"), parts) == ucOk;
}

AnsiString Body(const TAdvHttp& Http) {
    TMemoryStream* body = Http.ResponseBody();
    return AnsiString(static_cast<const char*>(body->Memory()), static_cast<std::size_t>(body->Size()));
}

}  // namespace

AnsiString UpdaterLanguageFile(const AnsiString& ProgramFolder) {
    AnsiString name;
    try {
        name = TIniFile(IncludeTrailingPathDelimiter(ProgramFolder) + "vemlor.ini")
                   .ReadString("Tfnastaveni", "ComboBox2_Text", "english.lng");
    } catch (const Exception&) {
        name.clear();
    }
    return IncludeTrailingPathDelimiter(ProgramFolder) + "Lang\\" + name;
}

AnsiString ClientInstanceName() { return "OnlyOne" + AnsiString(kClientTitle).substr(0, 10); }

TUpdater::TUpdater(TAdvHttp* Http, TUpdaterView* View, const AnsiString& ProgramFolder)
    : FHttp(Http), FView(View), FProgramFolder(IncludeTrailingPathDelimiter(ProgramFolder)) {
    Launch = [](const AnsiString& FileName, const AnsiString& Params) {
        return ShellRunProgram(FileName, Params, "");
    };
}

TUpdater::~TUpdater() = default;

void TUpdater::CloseMainProgram() {
    const AnsiString name = InstanceName;
    if (!InstanceRunning(name)) return;
    // The answer comes once the client's close handlers have run.
    SendToInstance(name, "CLOSE", kCloseTimeout);
    FView->ShowInfo(Text("MainAppExists",
                         "Před provedením aktualizace je nutné ukončit hlavní aplikaci, kliknutím na OK ji zavřete."));
}

bool TUpdater::PrepareConnection() {
    FServerBase = ReadUpdateURL ? ReadUpdateURL(kDefaultUpdateURL) : AnsiString(kDefaultUpdateURL);
    // One stored by an older build that took any address would fail every run.
    if (FServerBase.empty() || !UsableBase(FServerBase)) FServerBase = kDefaultUpdateURL;
    if (!IsOnline()) {
        if (!FView->Confirm(Text("NotConnected", "Chcete se připojit k internetu"))) return false;
        DialInternet();
    }
    FBusy = false;
    return true;
}

bool TUpdater::IsOnline() const {
    const TConnectionSettings s = Settings ? Settings() : TConnectionSettings();
    return s.Permanent || IsRasConnected();
}

bool TUpdater::Poll() {
    if (!IsOnline()) return false;
    RequestUpdateInfo();
    return true;
}

void TUpdater::RequestUpdateInfo() {
    FBusy = false;
    // A download under way ends here, and its temporary file with it.
    FFile.reset();
    const TConnectionSettings s = Settings ? Settings() : TConnectionSettings();
    TStringList headers;
    headers.Add("User-Agent: Mozilla/4.61 [en] (OS/2; I)");
    headers.Add("Accept-Language: cs");
    headers.Add("Accept: text/html, text/plain, text/sgml, */*;q=0.01");
    headers.Add(s.UseProxy ? "Proxy-Connection: Keep-Alive" : "Connection: Keep-Alive");
    FHttp->SetRequestHeaders(&headers);
    FHttp->SetProxy(s.UseProxy ? s.ProxyHost + ":" + s.ProxyPort : AnsiString());
    FHttp->SetProxyUserName(s.UseProxy ? s.ProxyUser : AnsiString());
    FHttp->SetProxyPassword(s.UseProxy ? s.ProxyPassword : AnsiString());
    FHttp->SetPort(80);
    FHttp->OnRequestComplete = [this](TObject* Sender) { UpdateInfoReceived(Sender); };
    FHttp->OnDataAvailable = [this](TObject* Sender) { DescriptionProgress(Sender); };
    FHttp->SetKeepBody(true);
    FHttp->SetURL(JoinUrl(FServerBase, "update.dat"));
    FHttp->OnError = [this](TObject* Sender) { HttpError(Sender); };
    FView->SetStatus(Text("StartUpdate", "Zjišťuji informace o nové verzi."));
    FHttp->Execute(false);
}

void TUpdater::DescriptionProgress(TObject*) {
    // A description bigger than any real one is cut off here and refused by
    // the reader as too large.
    if (FHttp->ReceivedBytes() > static_cast<Int64>(kMaxDescription)) FHttp->Abort();
}

void TUpdater::UpdateInfoReceived(TObject*) {
    // What escapes a handler is dropped on the component's thread: say it here.
    try {
        FView->SetStatus("");
        // An error page is no description: the one in hand stays, and with
        // it what the last good one offered.
        const Integer status = FHttp->StatusCode();
        if (status < 200 || status > 299) {
            FView->ShowError(Text("DownloadUpdateErr",
                                  "Nepodařilo se stahnout aktualizační soubor, zkontrolujte nastavení"));
            return;
        }
        try {
            WriteFileAtomic(FProgramFolder + "update.dat", Body(*FHttp));
        } catch (const Exception& E) {
            // The reason names the file and what the system said.
            FView->ShowError(LangFormat("InfoSaveFailed", "Popis aktualizace nelze uložit. %s", E.Message()));
            return;
        }
        if (!ParseUpdateInfo()) FView->ShowInfo(Text("NoUpdate", "Žádná nová verze."));
    } catch (const std::exception& E) {
        EndRun(E);
    }
}

bool TUpdater::ParseUpdateInfo() {
    FQueue.emplace();
    AnsiString bytes;
    try {
        bytes = ReadFileBytes(FProgramFolder + "update.dat");
    } catch (const Exception&) {
    }
    if (!FDescription.Parse(bytes)) FView->SetStatus(FDescription.Error());
    if (FDescription.Sections().empty()) {
        FView->ShowError(Text("DownloadUpdateErr",
                              "Nepodařilo se stahnout aktualizační soubor, zkontrolujte nastavení"));
        return true;
    }
    TIniFile installed(FProgramFolder + "update.ini");
    const TUpdatePlan plan = PlanUpdate(FDescription, [&](const AnsiString& Name) {
        return installed.ReadString("Version", Name, "");
    });
    FPackageBase = plan.MainURL;
    // Stored, an address the component cannot fetch from would fail every
    // later run until the settings file is mended by hand: the last good one
    // stays. An empty one stands for the built-in address.
    if (!plan.MainURL.empty() && !UsableBase(plan.MainURL))
        FView->ShowError(NamedText("BadMainURL",
                                   "Popis aktualizace uvádí adresu „%s“, kterou nelze použít (jen http:// nebo "
                                   "https://); zůstává dosavadní adresa.",
                                   plan.MainURL));
    else if (WriteUpdateURL)
        WriteUpdateURL(plan.MainURL);
    FView->SetLines(plan.Lines);
    *FQueue = plan.Queue;
    return !plan.Lines.empty();
}

void TUpdater::StartUpdate() {
    if (!FQueue || FQueue->empty() || FBusy) return;
    FStop = false;
    FBusy = true;
    FRefused = false;
    FView->SetStatus("");
    FIndex = -1;
    DownloadNextPackage(nullptr);
}

void TUpdater::DownloadNextPackage(TObject*) {
    // What escapes a handler is dropped on the component's thread, which
    // would leave the run stopped without a word and the busy mark set.
    try {
        NextPackage();
    } catch (const std::exception& E) {
        EndRun(E);
    }
}

void TUpdater::NextPackage() {
    if (FStop || !FBusy) return;
    ++FIndex;
    if (FIndex > 0 && !FinishPackage()) return;
    for (;; ++FIndex) {
        if (FIndex == static_cast<Integer>(FQueue->size())) {
            // A package refused on the way was not installed: no success to report.
            if (!FRefused) FView->ShowInfo(Text("UpdateFinished", "Aktualizace byla úspěšně dokončena."));
            return;
        }
        const TPrepared prepared = PreparePackage();
        if (prepared == ppFailed) return;
        if (prepared == ppReady) break;
    }
    FHttp->OnDataAvailable = [this](TObject* Sender) { DownloadProgress(Sender); };
    FHttp->OnRequestComplete = [this](TObject* Sender) { DownloadNextPackage(Sender); };
    FHttp->SetKeepBody(false);
    try {
        FHttp->SetURL(JoinUrl(FPackageBase, FPackage.FileName));
        FStop = false;
        FHttp->Execute(false);
    } catch (const EInetError& E) {
        // An address that cannot be used ends the run with the reason shown.
        FFile.reset();
        FView->ShowError(E.Message());
        return;
    }
    FReceivedKB = 0;
    FView->ShowProgress(FPackage.FileName);
}

TUpdater::TPrepared TUpdater::PreparePackage() {
    FPackage = ReadPackage(FDescription, (*FQueue)[FIndex]);
    // The version is recorded under the package's name once it is saved; a
    // name the settings file cannot hold would be fetched on every run.
    if (!TIniFile::WriteProblem("Version", FPackage.Name, "").empty()) {
        Refuse(NamedText("BadPackageName", "Balíček „%s“ má v popisu aktualizace neplatný název, nebude stažen.",
                         FPackage.Name));
        return ppRefused;
    }
    // Without a size nothing proves the file whole, and nothing bounds it.
    if (FPackage.Size <= 0) {
        Refuse(NamedText("BadPackageSize",
                         "Balíček „%s“ nemá v popisu aktualizace platnou velikost, nebude stažen.", FPackage.Name));
        return ppRefused;
    }
    const AnsiString saveFailed = Text("SaveFailed", "Nelze uložit stažený instalační soubor.");
    // Names from the server may not lead out of the program folder.
    if (!IsPlainFileName(FPackage.FileName) || !IsSafeOutputDir(FPackage.OutputDir)) {
        FView->ShowError(saveFailed);
        return ppFailed;
    }
    FOutputDir = FPackage.OutputDir.empty() ? FProgramFolder : FProgramFolder + FPackage.OutputDir;
    if (!DirectoryExists(FOutputDir)) CreateDir(FOutputDir);
    FOutputDir = IncludeTrailingPathDelimiter(FOutputDir);
    FStored = 0;
    FStoreFailed = false;
    try {
        FFile = std::make_unique<TAtomicFileWriter>(FOutputDir + FPackage.FileName);
    } catch (const Exception&) {
        FView->ShowError(saveFailed);
        return ppFailed;
    }
    return ppReady;
}

bool TUpdater::FinishPackage() {
    FView->HideProgress();
    FHttp->Abort();
    // The file goes unless it is committed below.
    std::unique_ptr<TAtomicFileWriter> file = std::move(FFile);
    if (FStoreFailed || !file) {
        FView->ShowError(Text("SaveFailed", "Nelze uložit stažený instalační soubor."));
        return false;
    }
    const Integer status = FHttp->StatusCode();
    // An error page is no package, whatever its size.
    if (status < 200 || status > 299 || FStored != FPackage.Size) {
        FView->ShowError(Text("WrongFileSize", "Stažený soubor je poškozen, spustťe aktualizaci znovu."));
        return false;
    }
    const AnsiString target = file->FileName();
    try {
        file->Commit();
    } catch (const Exception&) {
        FView->ShowError(Text("SaveFailed", "Nelze uložit stažený instalační soubor."));
        return false;
    }
    if (FPackage.Exclusive || FPackage.Run) SetExecutable(target);
    // A package meant to be started counts as installed only once it has
    // started: recorded, one that failed would never be offered again.
    auto record = [&] {
        TIniFile(FProgramFolder + "update.ini").WriteString("Version", FPackage.Name, FPackage.Version);
    };
    if (FPackage.Exclusive &&
        FView->Confirm(Text("RunInstall", "Chcete spustit instalaci nové verze? Pokud ano, tento program bude před "
                                          "spuštěním instalace automaticky ukončen."))) {
        if (!StartPackage(target, FPackage.Params)) return false;
        record();
        FView->CloseMain();
        return false;
    }
    if (FPackage.Run && !StartPackage(target, "")) return false;
    record();
    return true;
}

bool TUpdater::StartPackage(const AnsiString& FileName, const AnsiString& Params) {
    if (Launch(FileName, Params)) return true;
    FView->ShowError(LangFormat("RunFailed", "Stažený soubor %s nelze spustit.", FileName));
    return false;
}

void TUpdater::DownloadProgress(TObject*) {
    try {
        StorePiece();
    } catch (const std::exception& E) {
        EndRun(E);
    }
}

void TUpdater::StorePiece() {
    if (!FBusy || !FFile) return;
    const Int64 received = FHttp->ReceivedBytes();
    // More than the package announced is cut off here; the size check then
    // refuses it.
    if (received > FPackage.Size) {
        FStored = received;
        FHttp->Abort();
        return;
    }
    if (!FStoreFailed) {
        TMemoryStream* piece = FHttp->ResponseBody();
        try {
            FFile->Write(piece->Memory(), static_cast<std::size_t>(piece->Size()));
            FStored += piece->Size();
        } catch (const Exception&) {
            // A full disk: the rest is not worth fetching.
            FStoreFailed = true;
            FHttp->Abort();
            return;
        }
    }
    FReceivedKB = static_cast<Integer>(received / 1024);
    const Integer totalKB = FPackage.Size / 1024;
    AnsiString text;
    try {
        text = Format(Text("Download", "Staženo %d KB z %d KB"), FReceivedKB, totalKB);
    } catch (const EConvertError&) {
        text = Format("Staženo %d KB z %d KB", FReceivedKB, totalKB);
    }
    FView->Progress(text, FReceivedKB, totalKB);
}

void TUpdater::Refuse(const AnsiString& Message) {
    FRefused = true;
    FView->ShowError(Message);
    // Kept in sight after the run, which ends without a word of success.
    FView->SetStatus(Message);
}

void TUpdater::EndRun(const std::exception& E) {
    FBusy = false;
    FFile.reset();
    FHttp->OnRequestComplete = nullptr;
    FHttp->Abort();
    FView->HideProgress();
    FView->ShowError(E.what());
}

void TUpdater::HttpError(TObject*) {
    FBusy = false;
    FFile.reset();
    FView->SetStatus(FStop ? Text("DownloadStop", "Zastaveno uživatelem.")
                           : Text("DownloadFialed", "Chyba při stahování souboru."));
    FHttp->OnRequestComplete = nullptr;
}

void TUpdater::Stop() {
    FStop = true;
    FFile.reset();
    FView->HideProgress();
    FHttp->Abort();
}

void TUpdater::ProgressClosed() { FHttp->Abort(); }

void TUpdater::Cleanup() { DeleteFile(FProgramFolder + "update.dat"); }
