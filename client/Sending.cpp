#include "client/Sending.h"

#include <climits>
#include <map>
#include <memory>

#include "client/DatMod.h"
#include "client/QueueTicks.h"
#include "core/Caller.h"
#include "core/Language.h"
#include "core/Zprava.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"

namespace {

bool IsPictureType(const AnsiString& Type) { return Type == "logo" || Type == "group" || Type == "picture"; }

}  // namespace

void ApplyHistoryStateTexts(TDM& Data) {
    Data.HistorieStav->SetDisplayValues(LangText("SentOK", "Odesláno") + ";" + LangText("SentError", "Chyba"));
}

struct TQueueSending::TRowFiles {
    std::vector<AnsiString> Files;  // in sending order
    Integer MessageFiles = 0;
    AnsiString Send;  // the send element of every part: empty for at once
};

TQueueSending::TQueueSending(TDM& Data, TSendServices& Services, TCallerServices& CallServices)
    : FData(Data), FServices(Services), FCallServices(CallServices) {}

TQueueSending::~TQueueSending() = default;

std::vector<Integer> TQueueSending::CallRows() const {
    std::vector<Integer> ids;
    for (const TCallRow& row : FCallRows) ids.push_back(row.RecId);
    return ids;
}

AnsiString TQueueSending::SendLimitText(bool Objects, const TCallLimits& Limits) {
    const Integer total = SumTickedParts(Objects ? FData.FrontObj : FData.Fronta);
    const Integer limit = Objects ? Limits.Objects : Limits.TextParts;
    if (total <= limit) return AnsiString();
    const AnsiString text = Objects ? LangFormat("PMSLimit", "Najednou lze odeslat maximálně %d zpráv.", limit)
                                    : LangFormat("SMSLimit", "Najednou lze odeslat maximálně %d zpráv.", limit);
    return text + "\r\n\r\n" + LangText("TooLongMsg", "Zkraťte text nebo vyberte menší počet zpráv.");
}

bool TQueueSending::RefuseWithoutTariff() {
    if (!FData.Tarify->IsEmpty()) return false;
    FServices.ShowError(LangText("NoTariff",
                                 "Chybí tarify centra zpráv (soubor tariffs.brc), a tak není známo číslo, na které "
                                 "volat. Zprávy nebyly odeslány."));
    return true;
}

void TQueueSending::ChooseTariff(Integer Count, bool Objects) {
    TMemData* tariffs = FData.Tarify;
    TField* maximum = Objects ? FData.Tarifypmsmax : FData.Tarifysmsmax;
    for (tariffs->First(); !tariffs->Eof(); tariffs->Next())
        if (maximum->AsInteger() >= Count) return;
    tariffs->Last();
}

TCaller* TQueueSending::SendFromQueue(bool Objects) {
    // One call at a time: the records below belong to the running one.
    if (CallerBusy()) return nullptr;
    TMemData* queue = Objects ? FData.FrontObj : FData.Fronta;
    TField* ticked = queue->FieldByName("Vybrany");
    TTableWalk walk(queue);
    bool any = false;
    for (queue->First(); !queue->Eof() && !any; queue->Next()) any = ticked->AsBoolean();
    if (!any) {
        FServices.ShowError(LangText("NoMsgChecked", "Musíte zatrhnout alespoň jednu zprávu."));
        return nullptr;
    }
    if (RefuseWithoutTariff()) return nullptr;
    const TSenderIdentity sender = FServices.SenderIdentity();
    ForceDirectories(ProgramFolder() + "Mmf");
    // Busy from here: no command may touch the queue while its files are written.
    auto call = std::make_unique<TCaller>(FCallServices);
    std::vector<TCallRow> rows;
    Integer messageFiles = 0;
    FBaseNames.BeginSend();
    for (queue->First(); !queue->Eof(); queue->Next()) {
        if (!ticked->AsBoolean()) continue;
        TRowFiles row;
        if (!WriteRowFiles(queue, sender, row)) continue;
        for (const AnsiString& file : row.Files) call->Files()->Add(file);
        messageFiles += row.MessageFiles;
        rows.push_back({queue->RecIdField()->AsInteger(), call->Files()->Count(), !row.Send.empty()});
    }
    // Freeing the call that never ran clears the busy flag.
    if (rows.empty()) return nullptr;
    ChooseTariff(messageFiles, Objects);
    call->SetTariff(FData.TarifyTarif->AsInteger());
    call->SetLineIdentity(sender.LineIdentity);
    call->SetDialNumber(FServices.OutsideLinePrefix() + FData.TarifyCislo->AsString());
    call->SetQueueTable(queue);
    call->SetFreeOnTerminate(true);
    FCall = call.get();
    FCallRows = std::move(rows);
    call->Resume();
    return call.release();
}

bool TQueueSending::WriteRowFiles(TDataSet* Queue, const TSenderIdentity& Sender, TRowFiles& Row) {
    const AnsiString type = Queue->FieldByName("Typ")->AsString();
    const AnsiString text = Queue->FieldByName("Zprava")->AsString();
    const Trozdel parts(text, FServices.WholeWords());
    // Queueing keeps out what five parts cannot hold, but the nickname or the
    // word splitting may have changed since: a message is sent whole or not
    // at all, and the row stays queued to be shortened.
    if (type == "text" && parts.DroppedLength() > 0) {
        FServices.ShowError(LangFormat("MsgTooLong", "Zpráva pro adresáta \"%s\" se nevejde do pěti SMS. Zkraťte text.",
                                       Queue->FieldByName("Jmeno")->AsString()));
        return false;
    }
    // One moment for the whole row, so that its parts agree on it.
    Row.Send = SendTimeText(Queue->FieldByName("Poslat")->AsDateTime(), Now());
    try {
        for (Integer i = 0; i < parts.PartCount(); ++i) {
            const AnsiString body = type == "text" ? parts.FullParts()[i] : type == "picture" ? text : AnsiString();
            WritePart(Queue, Sender, body, Row);
        }
    } catch (const Exception&) {
        // A row goes whole or not at all: a message missing a part, or a
        // picture without its bitmap, is no message.
        FServices.ShowError(LangText("FailedMFF", "Nepodařilo se vytvořit MFF soubor."));
        for (const AnsiString& file : Row.Files) DeleteFile(file);
        return false;
    }
    return true;
}

void TQueueSending::WritePart(TDataSet* Queue, const TSenderIdentity& Sender, const AnsiString& Body,
                              TRowFiles& Row) {
    const AnsiString type = Queue->FieldByName("Typ")->AsString();
    const AnsiString base = ProgramFolder() + "Mmf/" + FBaseNames.Next(Sender.Station);
    TMessageFileValues values;
    values.Msisdn = Queue->FieldByName("Cislo")->AsString();
    values.MsgType = type;
    values.BodyText = Body;
    values.Ringtone = Queue->FieldByName("Melodie")->AsString();
    values.Email = Queue->FieldByName("Potvrdit")->AsString();
    values.Send = Row.Send;
    if (IsPictureType(type)) {
        const AnsiString bitmap = base + ".bmp";
        WriteLogoBitmap(bitmap, Queue->FieldByName("Logo")->AsString());
        Row.Files.push_back(bitmap);
        values.Crcb = IntToStr(LogoNumber(bitmap, FMacFile));
    }
    WriteFileAtomic(base + ".mmf", MessageFileText(Sender, values));
    Row.Files.push_back(base + ".mmf");
    ++Row.MessageFiles;
}

TCallDelivery TQueueSending::MoveSentToHistory(TDataSet* Queue, bool Success) {
    // A call that succeeded delivered every file; one that failed, those
    // before the file that failed.
    const Integer filesSent = Success ? INT_MAX : (FCall ? FCall->FilesSent() : 0);
    // A row sent at once was sent by this call, whenever it was queued; a
    // row the centre holds until its chosen time keeps that time.
    const TDateTime now = Now();
    struct TMove {
        bool Sent;
        bool Scheduled;
    };
    std::map<Integer, TMove> moves;
    TCallDelivery delivery;
    for (const TCallRow& row : FCallRows) {
        const bool sent = row.FilesEnd <= filesSent;
        moves[row.RecId] = {sent, row.Scheduled};
        ++delivery.Carried;
        if (sent) ++delivery.Delivered;
    }
    FCall = nullptr;
    FCallRows.clear();
    if (!Queue || moves.empty()) return delivery;
    {
        TTableWalk walk(Queue);
        TTableWalk history(FData.Historie);
        TField* recId = Queue->FieldByName("RecId");
        Queue->First();
        while (!Queue->Eof()) {
            const auto row = moves.find(recId->AsInteger());
            if (row == moves.end()) {
                Queue->Next();
                continue;
            }
            const TMove move = row->second;
            AppendToHistory(Queue, move.Sent, move.Scheduled ? Queue->FieldByName("Poslat")->AsDateTime() : now);
            if (move.Sent)
                Queue->Delete();
            else
                Queue->Next();
        }
    }
    // The history first: should its save fail, the queue's file keeps the
    // rows too, so the files lose nothing; the tables are saved again on close.
    try {
        FServices.SaveTable(FData.Historie);
        if (auto* table = dynamic_cast<TMemData*>(Queue)) FServices.SaveTable(table);
    } catch (const Exception& E) {
        FServices.ShowError(E.Message());
    }
    return delivery;
}

void TQueueSending::AppendToHistory(TDataSet* Queue, bool Sent, TDateTime SentAt) {
    TMemData* history = FData.Historie;
    history->Append();
    auto cancel = ScopeFail([history] { history->Cancel(); });
    for (const char* name : {"Jmeno", "Cislo", "Zprava", "Napsano", "Potvrdit", "Melodie", "Logo", "Typ", "Nazev"})
        history->FieldByName(name)->SetAsVariant(Queue->FieldByName(name)->AsVariant());
    FData.HistoriePoslano->SetAsDateTime(SentAt);
    FData.HistorieStav->SetAsBoolean(Sent);
    history->Post();
}
