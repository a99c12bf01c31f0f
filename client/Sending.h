#pragma once
// The send road below the main window's commands: the ticked rows of a queue
// (Fronta for texts, FrontObj for ring tones, logos and pictures) become
// message files and bitmaps (MessageFiles.h), a call (TCaller) takes them to
// the message centre, and when it ends the rows it carried move to Historie.
//
// A send, and what each step leaves behind:
//   SendFromQueue     without a tariff, nothing but the refusal: there is
//                     no number to dial; the call exists (busy) before the
//                     first file is written; per ticked row, every part's
//                     bitmap and message file; a row whose parts were all
//                     written goes into the call with its files (bitmap
//                     before message file) and its record id is recorded;
//                     a row with a failed part is withdrawn whole and stays
//                     queued, and a text five parts cannot hold whole gets
//                     no file and stays queued (it would arrive cut); the
//                     tariff is chosen by the number of message files; the
//                     call starts and frees itself when it ends
//   MoveSentToHistory run by the call's termination event: the recorded
//                     rows, whatever their ticks say by then, each get a
//                     history row; a row whose files the centre all took is
//                     sent (Stav true) and leaves the queue, any other stays
//                     queued with a failed history row (Stav false); the
//                     history's Poslano is the row's Poslat when its files
//                     asked the centre to send it then, else the time the
//                     call ended; then Historie and the queue are saved, in
//                     that order, so that a failure between the two saves
//                     loses no row; a save that fails is shown and stops
//                     the saving
//
// The record ids, not the ticks, say what moves: the queue stays in the
// user's hands during a call only as far as the busy check lets it.

#include <vector>

#include "client/MessageFiles.h"
#include "client/Tariffs.h"
#include "platform/rtl/System.h"

class TCaller;
class TCallerServices;
struct TCallDelivery;
class TDataSet;
class TDM;
class TMemData;

// What sending needs of the main window and its settings.
class TSendServices {
public:
    virtual ~TSendServices() = default;
    // The three values written into every message file.
    virtual TSenderIdentity SenderIdentity() = 0;
    // Parts are cut after whole words ("Zachovat celá slova").
    virtual bool WholeWords() const = 0;
    // The outside-line prefix dialled before the centre's number, empty when
    // none is set up.
    virtual AnsiString OutsideLinePrefix() const = 0;
    // An error dialog with an OK button.
    virtual void ShowError(const AnsiString& Text) = 0;
    // Stores one table to its file, replacing the old file atomically
    // (TfMain.SaveTable); raises when it cannot.
    virtual void SaveTable(TMemData* Table) = 0;
};

// The texts the history shows for Stav ("SentOK" and "SentError"), in the
// language in force.
void ApplyHistoryStateTexts(TDM& Data);

class TQueueSending {
public:
    // CallServices is what each call is created with (the main window).
    TQueueSending(TDM& Data, TSendServices& Services, TCallerServices& CallServices);
    ~TQueueSending();
    TQueueSending(const TQueueSending&) = delete;
    TQueueSending& operator=(const TQueueSending&) = delete;

    // Writes the files of the ticked rows of FrontObj (Objects) or Fronta and
    // starts a call that sends them; the call frees itself. Nothing ticked:
    // "NoMsgChecked"; no tariff: "NoTariff"; a part that cannot be written:
    // "FailedMFF" for its row; a text five parts cannot hold whole:
    // "MsgTooLong" for its row.
    // Returns the running call, or nullptr when no call was started; while
    // another call runs it does nothing (the main window's busy check has
    // told the user).
    TCaller* SendFromQueue(bool Objects);

    // Moves the rows the call carried to the history (see above), then
    // saves Historie and the queue. Success is the call's own result; a call
    // that failed after it delivered some rows' files still moves those.
    // Returns how many rows the call carried and how many of them went.
    TCallDelivery MoveSentToHistory(TDataSet* Queue, bool Success);

    // True, after telling the user, when Tarify holds no tariff: a call
    // would have no number to dial.
    bool RefuseWithoutTariff();

    // Makes current the first tariff of Tarify (in table order) whose maximum
    // (objects or text parts) is at least Count, else the last tariff.
    void ChooseTariff(Integer Count, bool Objects);

    // Empty while the ticked rows fit one call; else the information that
    // says they do not ("SMSLimit" or "PMSLimit" with the maximum, and
    // "TooLongMsg").
    AnsiString SendLimitText(bool Objects, const TCallLimits& Limits);

    // The record ids of the rows the running call carries, in queue order.
    std::vector<Integer> CallRows() const;

    // The base names of the files; the clock can be replaced for tests.
    TBaseNames& BaseNames() { return FBaseNames; }
    // The logo library's entry; the bound mac_file when empty.
    void SetMacFile(TMacFileFunc Value) { FMacFile = std::move(Value); }

private:
    struct TRowFiles;
    // Writes a row's parts; false (files removed) when one failed.
    bool WriteRowFiles(TDataSet* Queue, const TSenderIdentity& Sender, TRowFiles& Row);
    void WritePart(TDataSet* Queue, const TSenderIdentity& Sender, const AnsiString& Body, TRowFiles& Row);
    void AppendToHistory(TDataSet* Queue, bool Sent, TDateTime SentAt);

    // A row in the running call: its id, the end of its files in the call's
    // list (one past its last file), and whether its files asked the centre
    // to send it at its Poslat.
    struct TCallRow {
        Integer RecId;
        Integer FilesEnd;
        bool Scheduled;
    };

    TDM& FData;
    TSendServices& FServices;
    TCallerServices& FCallServices;
    TBaseNames FBaseNames;
    TMacFileFunc FMacFile;
    // The running call (it frees itself after its termination event, which
    // runs MoveSentToHistory) and what it carries.
    TCaller* FCall = nullptr;
    std::vector<TCallRow> FCallRows;
};
