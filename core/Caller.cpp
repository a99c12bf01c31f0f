#include "core/Caller.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "core/CallerLib.h"
#include "core/Language.h"
#include "core/Zprava.h"
#include "platform/os/Shell.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

namespace {

// Written by the main thread, read by the worker and by the library through
// the abort callback.
std::atomic<bool> gBusy{false};
std::atomic<bool> gHangUp{false};

// The library polls it while an operation runs; nonzero ends the operation.
std::int32_t AbortOnHangUp(void*) {
    return gHangUp.load() ? 1 : 0;
}

constexpr Integer kBusyLine = 10;
constexpr Integer kNothingToList = 2003;
constexpr Integer kSendTries = 4;
constexpr Integer kTariffList = 3;
constexpr Integer kNotificationList = 2;
constexpr Integer kProgramFile = 5;
// Three bytes per character once the name is handed to the system, with
// the "_" of a pending program file, still fit a file name's 255 bytes.
constexpr std::size_t kMaxRemoteName = 80;
// Notif's Jmeno column.
constexpr std::size_t kNotificationKeyLength = 20;
// The private folder a file from the centre arrives in. Hidden, so no mask
// of the program ("*.not", "_*") ever picks it up, and never one of the
// atomic writers' names (".~<name>." and six characters). Earlier builds
// received into a plain file of this name; a leftover of theirs goes too.
const char kIncoming[] = ".~received-";

struct TErrorEntry {
    Integer Code;
    const char* Key;
    const char* Default;
};

// Codes 9 and 26 share their key with different defaults.
const TErrorEntry kErrors[] = {
    {2, "ErrPortOpen", "Nepodařilo se otevřít port modemu."},
    {5, "ErrPortWrite", "Nepodařil se zápis na port modemu."},
    {6, "ErrPortRead", "Nepodařilo se číst z portu modemu."},
    {7, "ErrPortCommand", "Chyba inicializačního řetězce, kontaktujte technickou podporu."},
    {9, "ErrDial", "Nebyl detekován oznamovací tón."},
    {10, "ErrPortBusy", "Obsazeno."},
    {11, "ErrNoCarrier", "Ztraceno spojení."},
    {40, "ErrNoCarrier", "Ztraceno spojení."},
    {12, "ErrUserBreak", "Odesílání přerušeno uživatelem."},
    {13, "ErrConTimeOut", "Vypršel čas pro připojení."},
    {14, "ErrRecTimeOut", "Vypršel čas pro odpověď serveru."},
    {16, "ErrSendFile", "Nepodařilo se odeslat soubor."},
    {17, "ErrNoAnswer", "Modem neodpovídá."},
    {23, "ErrDir", "Selhala funkce DIR."},
    {26, "ErrDial", "Nepodařilo se vytočit číslo."},
    {28, "ErrTimeOut", "Vypršel čas vyhrazený pro operaci."},
    // The program's own codes, past the library's.
    {ceListUnreadable, "ErrListUnreadable", "Seznam souborů zaslaný centrem zpráv nelze použít."},
    {ceFileNotPlaced, "ErrFileNotPlaced", "Soubor z centra zpráv nedorazil nebo jej nelze uložit; předchozí zůstává."},
};

bool EndsWith(const AnsiString& Text, const AnsiString& Tail) {
    return Text.size() >= Tail.size() && Text.compare(Text.size() - Tail.size(), Tail.size(), Tail) == 0;
}

// What a call killed mid-receive left behind; only one call runs at a time,
// so none of them is still being written.
void DropIncomingLeftovers(const AnsiString& Folder) {
    for (const AnsiString& name :
         ListFiles(Folder, AnsiString(kIncoming) + "*", faHidden | faDirectory | faReadOnly | faArchive)) {
        if (!DeleteFile(Folder + name)) RemoveTree(Folder + name);
    }
}

// A set-aside copy of a damaged table: "Adresa.bad", "Adresa.bad1", ... in
// any letter case (the names TTableFiles gives them).
bool SetAsideExtension(const AnsiString& Ext) {
    const AnsiString ext = LowerCase(Ext);
    return ext.compare(0, 4, ".bad") == 0 &&
           std::all_of(ext.begin() + 4, ext.end(), [](char C) { return C >= '0' && C <= '9'; });
}

}  // namespace

bool CallerBusy() {
    return gBusy.load();
}

void HangUpCall() {
    gHangUp = true;
}

bool HangUpRequested() {
    return gHangUp.load();
}

TCaller::TCaller(TCallerServices& Services) : TThread(true), FServices(Services) {
    const TCallSettings settings = Services.CallSettings();
    FPort = PortNumber(settings.PortName);
    FRedialCount = settings.RedialCount;
    FDialMode = settings.ToneDialing ? 0 : 1;
    FBRCName = Services.BRCName();
    FNotificationNames = Services.NotificationNames();
    FMsgChecking = LangText("MsgChecking", "Kontroluji odeslané zprávy...");
    FMsgCalling = LangText("MsgCalling", "Vytáčím číslo centra zpráv...");
    FMsgSending = LangText("MsgSending", "Odesílám zprávy...");
    OnTerminate = [this](TObject* Sender) { SessionFinished(Sender); };
    gBusy = true;
    gHangUp = false;
}

TCaller::~TCaller() {
    // Deleted by its creator while it runs: Execute uses the members, so it
    // must be over before they go. A call that frees itself is over already.
    if (!Suspended() && !FreeOnTerminate()) WaitFor();
    gBusy = false;
}

Integer TCaller::PortNumber(const AnsiString& PortName) {
    return StrToIntDef(PortName.size() > 3 ? PortName.substr(3) : AnsiString(), 1);
}

AnsiString NotificationKey(const AnsiString& FileName) {
    const AnsiString name = BaseNameNoExt(FileName);
    if (name.size() <= kNotificationKeyLength) return name;
    // FNV-1a: stable across runs and builds, as the stored keys must be.
    std::uint32_t hash = 2166136261u;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return name.substr(0, kNotificationKeyLength - 9) + "~" + IntToHex(hash, 8);
}

bool TCaller::PlainRemoteName(const AnsiString& Name) {
    // A hidden name would be fetched and then never seen by the program's masks.
    if (Name.empty() || Name.size() > kMaxRemoteName || Name[0] == '.') return false;
    if (Name.find_first_of("/\\:") != AnsiString::npos || Name.find("..") != AnsiString::npos) return false;
    return std::none_of(Name.begin(), Name.end(), [](char C) {
        const unsigned char c = static_cast<unsigned char>(C);
        return c < 0x20 || c == 0x7F;
    });
}

AnsiString TCaller::ErrorText(Integer Code) {
    for (const TErrorEntry& entry : kErrors) {
        if (entry.Code == Code)
            return LangText(entry.Key, entry.Default) + " " + LangText("DlgError", "Chyba") + Format(" %d", Code);
    }
    return LangFormat("ErrUnknown", "Blíže nespecifikovaná chyba číslo %d.", Code);
}

void TCaller::ShowStatus(const AnsiString& Text, bool Error) {
    Synchronize([&] { FServices.ShowCallerStatus(Text, Error); });
}

void TCaller::Execute() {
    bool portOpened = false;
    try {
        DropIncomingLeftovers(ProgramFolder());
        DropIncomingLeftovers(ProgramFolder() + "Mmf/");
        FErrorCode = [&]() -> Integer {
            ShowStatus(FMsgCalling, false);
            if (Integer r = ConnectToCentre(portOpened)) return r;
            ShowStatus(FMsgSending, false);
            if (Integer r = UpdateTariffs()) return r;
            if (Integer r = SendQueuedFiles()) return r;
            if (Integer r = ReceiveNotifications()) return r;
            ReceiveUpdates();
            ShowStatus(FMsgChecking, false);
            return Caller_WaitDisconnect(FHandle, AbortOnHangUp);
        }();
    } catch (const std::exception& E) {
        // A call that went wrong in the program must not end as if it had
        // succeeded: the reason goes to the log, the call fails.
        FErrorCode = ceException;
        try {
            ShowStatus(E.what(), true);
        } catch (const std::exception&) {
            // The log itself failed; the failed call still reports below.
        }
    }
    // A port that never opened has no handle to close.
    if (portOpened) Caller_PortClose(FHandle, 1);
}

Integer TCaller::ConnectToCentre(bool& PortOpened) {
    SetCurrentDir(ProgramFolder());
    if (Integer r = Caller_PortOpen(FHandle, FPort)) return r;
    PortOpened = true;
    Integer r = 0;
    Integer calls = 0;
    do {
        r = Caller_Connect(FHandle, FLineIdentity, FDialNumber, FDialMode, FTariff, AbortOnHangUp);
        ++calls;
    } while (r == kBusyLine && calls < 1 + FRedialCount);
    return r;
}

Integer TCaller::ReadRemoteList(Integer Kind, TStringList& Lines) {
    const AnsiString list = ProgramFolder() + "dirlist.txt";
    // A list left by an earlier call must never pass for this one.
    DeleteFile(list);
    const Integer r = Caller_Dir(FHandle, list, Kind);
    if (r == kNothingToList) return 0;
    if (r != 0) return r;
    try {
        Lines.LoadFromFile(list);
    } catch (const Exception&) {
        return ceListUnreadable;
    }
    return 0;
}

Integer TCaller::UpdateTariffs() {
    TStringList lines;
    if (Integer r = ReadRemoteList(kTariffList, lines)) return r;
    const AnsiString known = FBRCName;
    for (Integer i = 0; i < lines.Count(); ++i) {
        const AnsiString line = lines[i];
        const AnsiString baseName = BaseNameNoExt(line);
        if (baseName == FBRCName) continue;
        // A name that is no plain file name is a failed receive, which the
        // tariffs ignore.
        if (!PlainRemoteName(line)) continue;
        // The name is the centre's: it says nothing about where the file goes.
        const Integer r = ReceiveAs(line, kTariffList, ProgramFolder() + "tariffs.brc");
        if (r == 0)
            FBRCName = baseName;
        else if (r == ceFileNotPlaced)
            FBRCName.clear();
    }
    if (FBRCName != known) Synchronize([&] { FServices.SetBRCName(FBRCName); });
    if (lines.Count() > 0) Synchronize([&] { FServices.LoadTariffs(); });
    return 0;
}

Integer TCaller::ReceiveAs(const AnsiString& Remote, Integer Kind, const AnsiString& Target,
                           const AnsiString& ModeOf) {
    // The library gets a name that nothing has yet: a file there afterwards
    // is the library's own doing. A file made for it beforehand would stay
    // empty under a library that answers success without writing, and pass
    // for new tariffs or a new version list. The folder lies beside Target,
    // on its file system, so that the rename below is one step.
    AnsiString folder;
    try {
        folder = CreateFreshFolder(ExtractFilePath(Target), kIncoming);
    } catch (const EStreamError&) {
        return ceFileNotPlaced;
    }
    auto drop = ScopeExit([&folder] { RemoveTree(folder); });
    const AnsiString incoming = folder + ExtractFileName(Target);
    if (Integer r = Caller_ReceiveFile(FHandle, Remote, incoming, Kind, AbortOnHangUp)) return r;
    if (!FileExists(incoming)) return ceFileNotPlaced;
    // However the library created it, the file is read as the one it
    // replaces was. Should the bits not take, the contents still count more.
    SetFileMode(incoming, ReplacementFileMode(ModeOf.empty() ? Target : ModeOf));
    // One step, so Target is the old file or the whole new one.
    if (!RenameFile(incoming, Target)) return ceFileNotPlaced;
    return 0;
}

Integer TCaller::SendQueuedFiles() {
    for (Integer i = 0; i < FFiles.Count(); ++i) {
        const AnsiString path = FFiles[i];
        const Integer kind = EndsWith(path, ".mmf") ? 0 : 4;
        Integer r = 0;
        for (Integer tries = 0; tries < kSendTries; ++tries) {
            r = Caller_SendFile(FHandle, path, kind, AbortOnHangUp);
            if (r == 0) break;
        }
        if (r != 0) return r;
        FFilesSent = i + 1;
    }
    return 0;
}

Integer TCaller::ReceiveNotifications() {
    TStringList lines;
    if (Integer r = ReadRemoteList(kNotificationList, lines)) return r;
    Integer received = 0;
    for (Integer i = 0; i < lines.Count(); ++i) {
        const AnsiString line = lines[i];
        if (!SameText(ExtractFileExt(line), ".not")) continue;
        if (std::find(FNotificationNames.begin(), FNotificationNames.end(), NotificationKey(line)) !=
            FNotificationNames.end())
            continue;
        if (!PlainRemoteName(line)) return ceListUnreadable;
        if (Integer failed = ReceiveAs(line, kNotificationList, ProgramFolder() + "Mmf/" + line)) return failed;
        ++received;
    }
    if (received > 0) {
        TCallerServices* services = &FServices;
        Application->Post([services] { services->EnableNotificationTimer(); });
    }
    return 0;
}

void TCaller::ReceiveUpdates() {
    const AnsiString versions = ProgramFolder() + "version.ini";
    if (ReceiveAs("version.ini", kProgramFile, versions) != 0) return;
    try {
        TStringList lines;
        lines.LoadFromFile(versions);
        if (ReceiveVersionedFiles(lines) != 0) return;
        TIniFile modem(ProgramFolder() + "modem.dat");
        const std::vector<AnsiString> sections = modem.ReadSections();
        // The next start of the client puts the "_" files in place.
        if (sections.size() == 1) modem.WriteInteger(sections[0], "Update", 1);
    } catch (const Exception&) {
        // What this step fetched or failed to fetch never decides the call.
    }
}

void TCaller::KeepNewerFiles(TStringList& Lines, const TIniFile& Installed) {
    for (Integer i = Lines.Count() - 1; i >= 0; --i) {
        const double local = Installed.ReadFloat("Version", Lines.Names(i), 1.0);
        const double remote = StrToFloatDef(Lines.ValueFromIndex(i), 1.0);
        if (!(remote > local)) Lines.Delete(i);
    }
    for (Integer i = Lines.Count() - 1; i >= 0; --i) {
        if (LowerCase(ExtractFileExt(Lines.Names(i))) == ".exe") Lines.Delete(i);
    }
}

bool TCaller::ReplaceableFile(const AnsiString& Name, const AnsiString& Folder) {
    if (!PlainRemoteName(Name)) return false;
    const AnsiString ext = LowerCase(ExtractFileExt(Name));
    // Programs here have no extension: the two of this folder are known by
    // name, any other by its execute permission. The link library's modules
    // ("caller.so", "libx.so.1") are code as well.
    if (ext == ".exe" || ext == ".so" || LowerCase(Name).find(".so.") != AnsiString::npos) return false;
    if (SameText(Name, "Vemlor") || SameText(Name, "update") || IsProgramFile(Folder + Name)) return false;
    // The tables and their set-aside copies, the settings files, the tariffs.
    for (const char* kept : {".dat", ".ini", ".brc"})
        if (ext == kept) return false;
    if (SetAsideExtension(ext)) return false;
    // A folder ("Mmf", "Lang") cannot be replaced by a file: its rename would
    // fail at every start, and the waiting file be tried again forever.
    return !DirectoryExists(Folder + Name);
}

// Fetches each newer file under its name with "_" in front and records its
// version. 0 when at least one file arrived: it waits for the next start
// even when a later one failed.
Integer TCaller::ReceiveVersionedFiles(TStringList& Lines) {
    TIniFile update(ProgramFolder() + "update.ini");
    KeepNewerFiles(Lines, update);
    Integer result = -1;
    for (Integer i = 0; i < Lines.Count(); ++i) {
        const AnsiString name = Lines.Names(i);
        // Never fetched, whatever its version, like a program elsewhere.
        if (!ReplaceableFile(name, ProgramFolder())) continue;
        // It waits as "_<name>" but will replace <name>, whose access it keeps.
        const Integer r = ReceiveAs(name, kProgramFile, ProgramFolder() + "_" + name, ProgramFolder() + name);
        if (r != 0) {
            if (result != 0) result = r;
            continue;
        }
        result = 0;
        try {
            update.WriteString("Version", name, Lines.ValueFromIndex(i));
        } catch (const EIniFileException&) {
            // A name the settings file cannot hold as a key: the file still
            // waits for the next start, and is fetched again by later calls.
        }
    }
    return result;
}

void TCaller::SessionFinished(TObject*) {
    if (FErrorCode == 0) {
        FServices.MoveSentToHistory(FQueueTable, true);
        ShowStatus(LangText("MsgSuccSent", "Zprávy byly úspěšně odeslány na sms centrum."), false);
        return;
    }
    const TCallDelivery delivery = FServices.MoveSentToHistory(FQueueTable, false);
    // The history shows the messages the centre took as sent: a status
    // saying none went would send the user to send them again.
    const AnsiString outcome =
        delivery.Delivered > 0
            ? LangFormat("MsgPartlySent", "Počet zpráv doručených na sms centrum: %d z %d.", delivery.Delivered,
                         delivery.Carried)
            : LangText("MsgSentFailed", "Zprávy se nepodařilo odeslat.");
    ShowStatus(outcome + " (" + ErrorText(FErrorCode) + ")", true);
}
