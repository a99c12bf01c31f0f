#pragma once
// Dates and times as the class library keeps them: a TDateTime counts days
// since 30 December 1899 and its fraction is the time of day. Days before that
// date are negative, and there the time is the fraction's absolute value
// (-1.25 is 29 December 1899, 06:00), so the day and the time are read
// separately rather than by flooring.
//
// The clock behind Now/Date/Time is injectable so that tests never depend on
// the real time.

#include <functional>

#include "platform/rtl/System.h"

// The program-wide formatting settings (Czech defaults). DateToStr, TimeToStr,
// DateTimeToStr, their parsers and FormatDateTime's "/" and ":" use them.
struct TFormatSettings {
    char DecimalSeparator = '.';
    char DateSeparator = '.';
    char TimeSeparator = ':';
    AnsiString ShortDateFormat = "d.m.yyyy";
    AnsiString ShortTimeFormat = "h:nn";
    AnsiString LongTimeFormat = "h:nn:ss";
};

extern TFormatSettings FormatSettings;

constexpr Integer HoursPerDay = 24;
constexpr Integer MinsPerDay = 24 * 60;
constexpr Integer SecsPerDay = 24 * 60 * 60;
constexpr Integer MSecsPerDay = 24 * 60 * 60 * 1000;
// The TDateTime of 1 January 0001 and of 31 December 9999, the range every
// conversion here accepts.
constexpr TDateTime MinDateTime = -693593.0;
constexpr TDateTime MaxDateTime = 2958465.99999999;

bool IsLeapYear(Word year);
// 28..31; 0 for a month outside 1..12.
Word DaysInAMonth(Word year, Word month);

// Raise EConvertError for a date outside 1.1.0001..31.12.9999 or a time
// outside 0:00:00.000..23:59:59.999.
TDateTime EncodeDate(Word year, Word month, Word day);
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);
TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec);
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date);
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time);
bool TryEncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec,
                       TDateTime& value);

// A value outside MinDateTime..MaxDateTime (or not a number) decodes as
// 30 December 1899, 0:00 rather than as garbage.
void DecodeDate(TDateTime date, Word& year, Word& month, Word& day);
void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec);
void DecodeDateTime(TDateTime value, Word& year, Word& month, Word& day, Word& hour, Word& min,
                    Word& sec, Word& msec);

// 1 = Sunday .. 7 = Saturday.
Integer DayOfWeek(TDateTime date);
// Moves by whole months; a day past the end of the target month becomes its
// last day (31.1. + 1 month = 28./29.2.). The time of day is kept.
TDateTime IncMonth(TDateTime date, Integer numberOfMonths = 1);

// The clock. Now() is the local date and time; Date() its day part, Time() its
// time part.
TDateTime Now();
TDateTime Date();
TDateTime Time();
// Replaces the clock (tests); an empty function restores the system clock.
void SetNowFunction(std::function<TDateTime()> clock);
void ResetNowFunction();

// Formats with yyyy yy mm m dd d hh h nn n ss s zzz; "m"/"mm" right after
// an hour are minutes, as in the class library; "/" and ":" become the date
// and time separators; text in "..." or '...' is copied as it stands; any
// other character is copied.
AnsiString FormatDateTime(const AnsiString& format, TDateTime value);
AnsiString FormatDateTime(const AnsiString& format, TDateTime value, const TFormatSettings& settings);

// ShortDateFormat, LongTimeFormat, and both (the time left out at midnight).
AnsiString DateToStr(TDateTime date);
AnsiString TimeToStr(TDateTime time);
AnsiString DateTimeToStr(TDateTime value);

// Parse in the order of ShortDateFormat (day, month, year) with
// DateSeparator, and hours:minutes[:seconds[.msec]] with TimeSeparator.
// A missing year is the current one; a two-digit year lies within 50 years of
// the current year. Blanks around the parts are allowed. The Str* forms raise
// EConvertError naming the text.
TDateTime StrToDate(const AnsiString& s);
TDateTime StrToTime(const AnsiString& s);
TDateTime StrToDateTime(const AnsiString& s);
bool TryStrToDate(const AnsiString& s, TDateTime& value);
bool TryStrToTime(const AnsiString& s, TDateTime& value);
bool TryStrToDateTime(const AnsiString& s, TDateTime& value);
TDateTime StrToDateDef(const AnsiString& s, TDateTime defaultValue);
TDateTime StrToDateTimeDef(const AnsiString& s, TDateTime defaultValue);
