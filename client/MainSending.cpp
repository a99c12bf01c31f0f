// The main window's send road: "Z fronty" and "Poslat ihned", the busy
// check and the per-call limits, the call with this window as its services,
// the tariffs read at start-up and after a call, and the notifications a
// call brought, read on the timer.

#include <utility>

#include "client/Main.h"
#include "client/QueueTicks.h"
#include "client/Queueing.h"
#include "client/Sending.h"
#include "core/Language.h"
#include "core/Msgdlg.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

void ShowInformation(const AnsiString& Text) { LocalMessageDlg(Text, mtInformation, TMsgDlgButtons{mbOK}, 0); }

// What sending asks of the window and its settings.
class TMainSendServices : public TSendServices {
public:
    explicit TMainSendServices(TfMain& Main) : FMain(Main) {}

    // The station, the line and the device are this PC's own number as the
    // settings give it; without one the files still name a sender.
    TSenderIdentity SenderIdentity() override {
        AnsiString own = fnastaveni ? Trim(fnastaveni->Edit3->Text()) : AnsiString();
        if (own.empty()) own = "000000";
        return {own, own, "PC"};
    }
    bool WholeWords() const override { return fnastaveni && fnastaveni->chbWholeWord->Checked(); }
    AnsiString OutsideLinePrefix() const override {
        if (!fnastaveni || !fnastaveni->chOutLine->Checked()) return AnsiString();
        return fnastaveni->Edit6->Text();
    }
    void ShowError(const AnsiString& Text) override {
        if (std::exchange(FSaveFailureShown, false)) return;
        LocalMessageDlg(Text, mtError, TMsgDlgButtons{mbOK}, 0);
    }
    void SaveTable(TMemData* Table) override {
        if (FMain.SaveTable(Table)) return;
        // The window has told the user why; the error only stops the saving.
        FSaveFailureShown = true;
        throw EWriteError(Table->Name() + ".dat");
    }

private:
    TfMain& FMain;
    bool FSaveFailureShown = false;
};

}  // namespace

TQueueSending& TfMain::Sending() {
    if (!FSending) {
        FSendServices = std::make_unique<TMainSendServices>(*this);
        FSending = std::make_unique<TQueueSending>(*DM, *FSendServices, *this);
    }
    return *FSending;
}

// ---------------------------------------------------------------------------
// The commands

void TfMain::AZFrontyExecute(TObject*) {
    // Without a tariff the limits are 0, and "at most 0 messages" would hide
    // what is really missing.
    if (CheckBusy() || Sending().RefuseWithoutTariff() || CheckSendLimits()) return;
    SendFromQueue(PageControl1->ActivePage() == TabFrontaObj);
}

void TfMain::APoslatExecute(TObject*) {
    if (CheckBusy()) return;
    TTabSheet* page = PageControl1->ActivePage();
    TComposedMessage message;
    if ((page == TabText || page == TabLogo || page == TabMelody) && !ComposedContent(message)) {
        LocalMessageDlg(LangText("NoMsgBody", "Nejprve je nutné vytvořit zprávu."), mtError, TMsgDlgButtons{mbOK}, 0);
        return;
    }
    SendNow();
}

void TfMain::SendNow() {
    // Refused before anything is queued: the message stays in the composer.
    if (Sending().RefuseWithoutTariff()) return;
    ResolveRecipient(false);
    // Only the rows appended now go.
    ClearQueueTicks();
    const TDateTime sendTime = TimePanel->Visible() ? DateTimePicker2->Date() + DateTimePicker1->Time() : Now();
    TTabSheet* page = PageControl1->ActivePage();
    const bool objects = page != TabText;
    bool exceeded = false;
    // Nothing queued (no recipient, nothing written): the message stays in
    // the composer for the user to mend.
    if (!EnqueueMessage(true, exceeded, sendTime)) return;
    TMemData* queue = objects ? DM->FrontObj : DM->Fronta;
    const Integer limit = objects ? FCallLimits.Objects : FCallLimits.TextParts;
    if (exceeded || SumTickedParts(queue) > limit) {
        UntickBeyondLimit(queue, limit);
        ShowInformation(LangText("SendNowOverlimit",
                                 "Tato zpráva je určena více adresátům, než je možné odeslat v jednom volání "
                                 "Centra zpráv. Zprávy byly zařazeny do fronty a můžete je odeslat na několik "
                                 "volání."));
    } else {
        SendFromQueue(objects);
    }
    ClearComposerPage(true, page);
    if (ComboEdit1->CanFocus()) ComboEdit1->SetFocus();
    PageControl1->SetActivePage(objects ? TabFrontaObj : TabFronta);
}

// The rows a send-now appended that one call cannot take stay queued, unticked.
void TfMain::UntickBeyondLimit(TDataSet* Queue, Integer Limit) {
    TField* ticked = Queue->FieldByName("Vybrany");
    TField* parts = Queue->FieldByName("Pocet");
    TTableWalk walk(Queue);
    Integer sum = 0;
    for (Queue->First(); !Queue->Eof(); Queue->Next()) {
        if (!ticked->AsBoolean()) continue;
        sum += parts->AsInteger();
        if (sum <= Limit) continue;
        Queue->Edit();
        auto cancel = ScopeFail([Queue] { Queue->Cancel(); });
        ticked->SetAsBoolean(false);
        Queue->Post();
    }
}

bool TfMain::CheckSendLimits() {
    const AnsiString text = Sending().SendLimitText(PageControl1->ActivePage() == TabFrontaObj, FCallLimits);
    if (text.empty()) return false;
    ShowInformation(text);
    return true;
}

TCaller* TfMain::SendFromQueue(bool Objects) { return Sending().SendFromQueue(Objects); }

// ---------------------------------------------------------------------------
// What the call asks of the window

TCallDelivery TfMain::MoveSentToHistory(TDataSet* Queue, bool Success) {
    return Sending().MoveSentToHistory(Queue, Success);
}

// ---------------------------------------------------------------------------
// Tariffs and notifications

void TfMain::LoadTariffs() {
    try {
        ::LoadTariffs(*DM, FCallLimits);
    } catch (const ETariffFileError& E) {
        // The tariffs in force stay; the log says what was wrong.
        LogEvent(E.Message() + " (" + E.Reason() + ")", true);
        LocalMessageDlg(E.Message(), mtError, TMsgDlgButtons{mbOK}, 0);
    }
}

void TfMain::TimerNotifTimer(TObject*) {
    TimerNotif->SetEnabled(false);
    ProcessNotificationFiles();
}

void TfMain::ProcessNotificationFiles() {
    try {
        TNotifications(*DM, *this).ProcessNotificationFiles();
    } catch (const Exception& E) {
        LogException(E);
    }
}

void TfMain::PurgeExpiredNotifications() {
    try {
        TNotifications(*DM, *this).PurgeExpiredNotifications();
    } catch (const Exception& E) {
        LogException(E);
    }
}

void TfMain::ShowNotification(const AnsiString& Text) { ShowInformation(Text); }

void TfMain::ShowNotificationError(const AnsiString& Text) {
    LocalMessageDlg(Text, mtError, TMsgDlgButtons{mbOK}, 0);
}
