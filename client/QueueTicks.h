#pragma once
// The ticks of a queue (Fronta or FrontObj, field Vybrany) against the
// per-call maximum of its kind: the ticked rows' Pocet, summed, must fit one
// call. The main window refuses these commands while a call runs (its busy
// check), so that they never change a queue a call is taking from.

#include <functional>

#include "platform/db/DB.h"
#include "platform/rtl/System.h"

// Walks a table with its controls off and puts the cursor back on the row
// it stood on, where that row still exists.
class TTableWalk {
public:
    explicit TTableWalk(TDataSet* Table);
    ~TTableWalk();
    TTableWalk(const TTableWalk&) = delete;
    TTableWalk& operator=(const TTableWalk&) = delete;

private:
    TDataSet* FTable;
    TBookmark FPosition;
};

// A confirmation question; true for Yes.
using TAskEvent = std::function<bool(const AnsiString& Question)>;

// The sum of Pocet over the ticked rows.
Integer SumTickedParts(TDataSet* Queue);

// Ticks the rows from the first while their running sum of Pocet stays
// within Limit. At the first row that passes it, Ask decides: Yes ticks every
// row; No leaves that row and every later one unticked, so that what is
// ticked fits one call. The current row stays current.
void TickAllWithinLimit(TDataSet* Queue, Integer Limit, const TAskEvent& Ask);

// Clears every tick; the current row stays current.
void UntickAll(TDataSet* Queue);

// After the user ticked the current row: when the ticked rows no longer fit
// one call, unticks it again and returns the information to show
// ("PMSLimit" for objects, "SMSLimit" for texts, with the maximum); else
// returns an empty text.
AnsiString KeepTickWithinLimit(TDataSet* Queue, Integer Limit, bool Objects);
