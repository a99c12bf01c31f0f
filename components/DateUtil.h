#pragma once
// Date-time arithmetic on TDateTime values (days since 30 December 1899, the
// time of day as the fraction).

#include "platform/rtl/System.h"

// DateTime + Hours div 24 days + the rest of the span as a fraction of a day.
// A negative result has 1 added to it, which callers rely on to wrap a time of
// day that was moved before midnight of day 0. The sub-day part is summed in
// 64 bits, so any Integer arguments are safe.
TDateTime AddTimeSpan(Integer Hours, Integer Minutes, Integer Seconds, Integer Milliseconds,
                      TDateTime DateTime);
TDateTime AddMinutes(Integer Minutes, TDateTime DateTime);
TDateTime AddMilliseconds(Integer Milliseconds, TDateTime DateTime);

// Whether the program's short date format writes four-digit years ("YYYY" in
// any letter case). Read once, on first use, as the date unit's start-up
// setting; later changes to the format do not alter it.
bool FourDigitYear();
