#include "components/DateUtil.h"

#include "platform/rtl/DateUtils.h"

TDateTime AddTimeSpan(Integer Hours, Integer Minutes, Integer Seconds, Integer Milliseconds,
                      TDateTime DateTime)
{
    // A 32-bit sum overflows from about 35,800 minutes on; 64 bits cannot.
    const Int64 SubDay = Int64(Hours % HoursPerDay) * 3600000 + Int64(Minutes) * 60000
                         + Int64(Seconds) * 1000 + Int64(Milliseconds);
    TDateTime Result = DateTime + Hours / HoursPerDay + double(SubDay) / MSecsPerDay;
    if (Result < 0)
        Result += 1;
    return Result;
}

TDateTime AddMinutes(Integer Minutes, TDateTime DateTime)
{
    return AddTimeSpan(0, Minutes, 0, 0, DateTime);
}

TDateTime AddMilliseconds(Integer Milliseconds, TDateTime DateTime)
{
    return AddTimeSpan(0, 0, 0, Milliseconds, DateTime);
}

bool FourDigitYear()
{
    static const bool Recorded = [] {
        AnsiString Format = FormatSettings.ShortDateFormat;
        for (char& C : Format)
            if (C == 'y')
                C = 'Y';
        return Format.find("YYYY") != AnsiString::npos;
    }();
    return Recorded;
}
