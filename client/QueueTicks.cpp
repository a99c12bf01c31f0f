#include "client/QueueTicks.h"

#include "core/Language.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

void SetTick(TDataSet* Queue, TField* Ticked, bool Value) {
    if (Ticked->AsBoolean() == Value && !Ticked->IsNull()) return;
    Queue->Edit();
    auto cancel = ScopeFail([Queue] { Queue->Cancel(); });
    Ticked->SetAsBoolean(Value);
    Queue->Post();
}

}  // namespace

TTableWalk::TTableWalk(TDataSet* Table) : FTable(Table), FPosition(Table->GetBookmark()) {
    FTable->DisableControls();
}

TTableWalk::~TTableWalk() {
    try {
        if (!FPosition.empty() && FTable->BookmarkValid(FPosition)) FTable->GotoBookmark(FPosition);
    } catch (const std::exception&) {
        // The row it stood on has gone; the cursor stays where the walk left it.
    }
    FTable->EnableControls();
}

Integer SumTickedParts(TDataSet* Queue) {
    TField* ticked = Queue->FieldByName("Vybrany");
    TField* parts = Queue->FieldByName("Pocet");
    TTableWalk walk(Queue);
    Integer sum = 0;
    for (Queue->First(); !Queue->Eof(); Queue->Next())
        if (ticked->AsBoolean()) sum += parts->AsInteger();
    return sum;
}

void TickAllWithinLimit(TDataSet* Queue, Integer Limit, const TAskEvent& Ask) {
    TField* ticked = Queue->FieldByName("Vybrany");
    TField* parts = Queue->FieldByName("Pocet");
    TTableWalk walk(Queue);
    enum { kWithin, kAll, kNoMore } mode = kWithin;
    Integer sum = 0;
    for (Queue->First(); !Queue->Eof(); Queue->Next()) {
        sum += parts->AsInteger();
        if (mode == kWithin && sum > Limit) {
            const bool all = Ask(LangText("SelectMsgQueue", "Ve frontě je více zpráv než lze odeslat na jedno "
                                                            "volání, přejete si vybrat skutečně všechny zprávy?") +
                                 "\r\nPokud vyberete Ne bude zatržen jen maximální možný počet zpráv.");
            mode = all ? kAll : kNoMore;
        }
        // Left as they were, later rows could stay ticked from before and
        // the ticked rows would not fit one call after all.
        SetTick(Queue, ticked, mode != kNoMore);
    }
}

void UntickAll(TDataSet* Queue) {
    TField* ticked = Queue->FieldByName("Vybrany");
    TTableWalk walk(Queue);
    for (Queue->First(); !Queue->Eof(); Queue->Next()) SetTick(Queue, ticked, false);
}

AnsiString KeepTickWithinLimit(TDataSet* Queue, Integer Limit, bool Objects) {
    if (SumTickedParts(Queue) <= Limit) return AnsiString();
    SetTick(Queue, Queue->FieldByName("Vybrany"), false);
    return Objects ? LangFormat("PMSLimit", "Najednou lze odeslat maximálně %d zpráv.", Limit)
                   : LangFormat("SMSLimit", "Najednou lze odeslat maximálně %d zpráv.", Limit);
}
