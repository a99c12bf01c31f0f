#include "platform/rtl/DateUtils.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>

#include "platform/rtl/Exceptions.h"

TFormatSettings FormatSettings;

namespace {

// Days from 1 January 1970 in the proleptic Gregorian calendar (the class
// library's calendar, also before 1582).
constexpr Int64 DaysFromCivil(Int64 y, unsigned m, unsigned d) {
    y -= m <= 2;
    const Int64 era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<Int64>(doe) - 719468;
}

void CivilFromDays(Int64 z, Int64& y, unsigned& m, unsigned& d) {
    z += 719468;
    const Int64 era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<Int64>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

// 30 December 1899 counted from 1 January 1970. A constant, not a value
// computed at start-up: dates encoded while other units initialise (a test's
// fixed clock) must not see it still zero.
constexpr Int64 kEpochOffset = DaysFromCivil(1899, 12, 30);
constexpr Int64 kMinDay = -693593;   // 1 January 0001
constexpr Int64 kMaxDay = 2958465;   // 31 December 9999

// Splits a TDateTime into its day number and the milliseconds of its time
// (the fraction's absolute value). Out-of-range values give day 0, time 0.
void Split(TDateTime value, Int64& day, Int64& msec) {
    day = 0;
    msec = 0;
    if (!(value > kMinDay - 1 && value < kMaxDay + 1))
        return;
    double whole = 0;
    const double fraction = std::modf(value, &whole);
    day = static_cast<Int64>(whole);
    msec = std::llround(std::fabs(fraction) * MSecsPerDay);
    if (msec >= MSecsPerDay) {
        // Rounded up to midnight: that is the start of the following calendar
        // day on either side of 30 December 1899 (-1.9999999999, late on
        // 29 December, becomes 30 December 0:00, day 0).
        const Int64 next = day + 1;
        if (next >= kMinDay && next <= kMaxDay) {
            day = next;
            msec = 0;
        } else {
            msec = MSecsPerDay - 1;
        }
    }
}

TDateTime Compose(Int64 day, Int64 msec) {
    const double time = static_cast<double>(msec) / MSecsPerDay;
    return day < 0 ? static_cast<double>(day) - time : static_cast<double>(day) + time;
}

std::mutex& ClockMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<TDateTime()>& ClockFunction() {
    static std::function<TDateTime()> clock;
    return clock;
}

TDateTime SystemNow() {
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    const Int64 day = DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                                    static_cast<unsigned>(local.tm_mday)) - kEpochOffset;
    const Int64 msec = ((local.tm_hour * 60 + local.tm_min) * 60LL + local.tm_sec) * 1000 + ms % 1000;
    return Compose(day, msec);
}

void AppendNumber(AnsiString& out, Int64 value, int width) {
    AnsiString digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width)
        out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    out += digits;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// ---- parsing --------------------------------------------------------------

struct Scanner {
    const AnsiString& text;
    std::size_t pos = 0;

    void SkipBlanks() {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
            ++pos;
    }
    bool AtEnd() {
        SkipBlanks();
        return pos >= text.size();
    }
    bool Char(char c) {
        SkipBlanks();
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }
    // Up to 9 digits; `digits` receives how many were read.
    bool Number(Int64& value, int& digits) {
        SkipBlanks();
        value = 0;
        digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            if (digits == 9)
                return false;
            value = value * 10 + (text[pos] - '0');
            ++digits;
            ++pos;
        }
        return digits > 0;
    }
};

Word CurrentYear() {
    Word y, m, d;
    DecodeDate(Now(), y, m, d);
    return y;
}

Int64 ExpandYear(Int64 year, int digits) {
    if (digits > 2)
        return year;
    const Int64 current = CurrentYear();
    Int64 result = current - current % 100 + year;
    if (result < current - 50)
        result += 100;
    else if (result >= current + 50)
        result -= 100;
    return result;
}

bool ScanDate(Scanner& sc, const TFormatSettings& fs, TDateTime& date) {
    const std::size_t start = sc.pos;
    Int64 n[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int count = 0;
    if (!sc.Number(n[0], digits[0]))
        return false;
    count = 1;
    while (count < 3) {
        const std::size_t before = sc.pos;
        if (!sc.Char(fs.DateSeparator))
            break;
        const std::size_t afterSeparator = sc.pos;
        if (!sc.Number(n[count], digits[count])) {
            // "1.2." - a separator after day and month ends the date.
            if (count < 2)
                sc.pos = before;
            break;
        }
        if (!sc.AtEnd() && sc.text[sc.pos] == fs.TimeSeparator) {
            // "1.2. 10:00": the number is the hour, not the year.
            sc.pos = count < 2 ? before : afterSeparator;
            break;
        }
        ++count;
    }
    if (count == 3) {
        // "1.2.2024." as Czech texts often write it.
        const std::size_t before = sc.pos;
        if (!sc.Char(fs.DateSeparator))
            sc.pos = before;
    }
    if (count < 2) {
        sc.pos = start;
        return false;
    }
    // The order of day, month and year follows the short date format.
    char order[3] = {'D', 'M', 'Y'};
    int found = 0;
    for (char c : fs.ShortDateFormat) {
        const char u = Upper(c);
        if ((u == 'D' || u == 'M' || u == 'Y') && found < 3) {
            bool seen = false;
            for (int i = 0; i < found; ++i)
                seen = seen || order[i] == u;
            if (!seen)
                order[found++] = u;
        }
    }
    if (found != 3) {
        order[0] = 'D';
        order[1] = 'M';
        order[2] = 'Y';
    }
    Int64 y = 0, m = 0, d = 0;
    int yDigits = 4;
    if (count == 2) {
        int k = 0;
        for (char part : order) {
            if (part == 'Y')
                continue;
            (part == 'D' ? d : m) = n[k++];
        }
        y = CurrentYear();
    } else {
        for (int k = 0; k < 3; ++k) {
            if (order[k] == 'D')
                d = n[k];
            else if (order[k] == 'M')
                m = n[k];
            else {
                y = n[k];
                yDigits = digits[k];
            }
        }
        y = ExpandYear(y, yDigits);
    }
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31)
        return false;
    return TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date);
}

bool ScanTime(Scanner& sc, const TFormatSettings& fs, TDateTime& time) {
    Int64 h = 0, n = 0, s = 0, ms = 0;
    int digits = 0;
    if (!sc.Number(h, digits))
        return false;
    if (!sc.Char(fs.TimeSeparator) || !sc.Number(n, digits))
        return false;
    if (sc.Char(fs.TimeSeparator)) {
        if (!sc.Number(s, digits))
            return false;
        if (sc.Char(fs.DecimalSeparator)) {
            if (!sc.Number(ms, digits) || digits > 3)
                return false;
            for (int i = digits; i < 3; ++i)
                ms *= 10;
        }
    }
    if (h > 23 || n > 59 || s > 59)
        return false;
    return TryEncodeTime(static_cast<Word>(h), static_cast<Word>(n), static_cast<Word>(s),
                         static_cast<Word>(ms), time);
}

TDateTime Combine(TDateTime date, TDateTime time) {
    return date < 0 ? date - time : date + time;
}

}  // namespace

bool IsLeapYear(Word year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

Word DaysInAMonth(Word year, Word month) {
    static const Word days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
        return false;
    date = static_cast<double>(DaysFromCivil(year, month, day) - kEpochOffset);
    return true;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time) {
    if (hour > 23 || min > 59 || sec > 59 || msec > 999)
        return false;
    time = static_cast<double>(((hour * 60 + min) * 60 + sec) * 1000 + msec) / MSecsPerDay;
    return true;
}

bool TryEncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec,
                       TDateTime& value) {
    TDateTime date, time;
    if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, min, sec, msec, time))
        return false;
    value = Combine(date, time);
    return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
    TDateTime result;
    if (!TryEncodeDate(year, month, day, result))
        throw EConvertError("Invalid argument to date encode: " + std::to_string(year) + "-" +
                            std::to_string(month) + "-" + std::to_string(day));
    return result;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
    TDateTime result;
    if (!TryEncodeTime(hour, min, sec, msec, result))
        throw EConvertError("Invalid argument to time encode: " + std::to_string(hour) + ":" +
                            std::to_string(min) + ":" + std::to_string(sec) + "." + std::to_string(msec));
    return result;
}

TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec) {
    return Combine(EncodeDate(year, month, day), EncodeTime(hour, min, sec, msec));
}

void DecodeDateTime(TDateTime value, Word& year, Word& month, Word& day, Word& hour, Word& min,
                    Word& sec, Word& msec) {
    Int64 dayNumber, ms;
    Split(value, dayNumber, ms);
    Int64 y;
    unsigned m, d;
    CivilFromDays(dayNumber + kEpochOffset, y, m, d);
    year = static_cast<Word>(y);
    month = static_cast<Word>(m);
    day = static_cast<Word>(d);
    msec = static_cast<Word>(ms % 1000);
    ms /= 1000;
    sec = static_cast<Word>(ms % 60);
    ms /= 60;
    min = static_cast<Word>(ms % 60);
    hour = static_cast<Word>(ms / 60);
}

void DecodeDate(TDateTime date, Word& year, Word& month, Word& day) {
    Word h, n, s, ms;
    DecodeDateTime(date, year, month, day, h, n, s, ms);
}

void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec) {
    Word y, m, d;
    DecodeDateTime(time, y, m, d, hour, min, sec, msec);
}

Integer DayOfWeek(TDateTime date) {
    Int64 day, ms;
    Split(date, day, ms);
    return static_cast<Integer>(((day - 1) % 7 + 7) % 7 + 1);
}

TDateTime IncMonth(TDateTime date, Integer numberOfMonths) {
    Int64 day, ms;
    Split(date, day, ms);
    Int64 y;
    unsigned m, d;
    CivilFromDays(day + kEpochOffset, y, m, d);
    Int64 months = y * 12 + (m - 1) + numberOfMonths;
    Int64 newYear = months >= 0 ? months / 12 : (months - 11) / 12;
    const Word newMonth = static_cast<Word>(months - newYear * 12 + 1);
    if (newYear < 1 || newYear > 9999)
        throw EConvertError("Invalid argument to date encode: month " + std::to_string(newMonth) +
                            " of year " + std::to_string(newYear));
    const Word last = DaysInAMonth(static_cast<Word>(newYear), newMonth);
    const Word newDay = static_cast<Word>(d > last ? last : d);
    const Int64 newDayNumber = DaysFromCivil(newYear, newMonth, newDay) - kEpochOffset;
    return Compose(newDayNumber, ms);
}

TDateTime Now() {
    std::function<TDateTime()> clock;
    {
        std::lock_guard<std::mutex> lock(ClockMutex());
        clock = ClockFunction();
    }
    return clock ? clock() : SystemNow();
}

TDateTime Date() {
    Int64 day, ms;
    Split(Now(), day, ms);
    return static_cast<double>(day);
}

TDateTime Time() {
    Int64 day, ms;
    Split(Now(), day, ms);
    return static_cast<double>(ms) / MSecsPerDay;
}

void SetNowFunction(std::function<TDateTime()> clock) {
    std::lock_guard<std::mutex> lock(ClockMutex());
    ClockFunction() = std::move(clock);
}

void ResetNowFunction() { SetNowFunction(nullptr); }

AnsiString FormatDateTime(const AnsiString& format, TDateTime value, const TFormatSettings& settings) {
    if (format.empty()) {
        // As the class library: an empty format shows date and time.
        AnsiString result = FormatDateTime(settings.ShortDateFormat, value, settings);
        Int64 day, ms;
        Split(value, day, ms);
        if (ms != 0)
            result += " " + FormatDateTime(settings.LongTimeFormat, value, settings);
        return result;
    }
    Word year, month, day, hour, min, sec, msec;
    DecodeDateTime(value, year, month, day, hour, min, sec, msec);
    AnsiString out;
    char lastToken = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c == '"' || c == '\'') {
            const std::size_t close = format.find(c, i + 1);
            const std::size_t end = close == AnsiString::npos ? format.size() : close;
            out.append(format, i + 1, end - i - 1);
            i = close == AnsiString::npos ? format.size() : close + 1;
            continue;
        }
        if (c == '/') {
            out += settings.DateSeparator;
            ++i;
            continue;
        }
        if (c == ':') {
            out += settings.TimeSeparator;
            ++i;
            continue;
        }
        char token = Upper(c);
        if (token < 'A' || token > 'Z') {
            out += c;
            ++i;
            continue;
        }
        std::size_t count = 1;
        while (i + count < format.size() && Upper(format[i + count]) == token)
            ++count;
        if (token == 'M' && lastToken == 'H')
            token = 'N';
        switch (token) {
        case 'Y':
            if (count <= 2)
                AppendNumber(out, year % 100, 2);
            else
                AppendNumber(out, year, 4);
            break;
        case 'M':
            AppendNumber(out, month, count >= 2 ? 2 : 1);
            break;
        case 'D':
            AppendNumber(out, day, count >= 2 ? 2 : 1);
            break;
        case 'H':
            AppendNumber(out, hour, count >= 2 ? 2 : 1);
            break;
        case 'N':
            AppendNumber(out, min, count >= 2 ? 2 : 1);
            break;
        case 'S':
            AppendNumber(out, sec, count >= 2 ? 2 : 1);
            break;
        case 'Z':
            AppendNumber(out, msec, count >= 3 ? 3 : 1);
            break;
        default:
            out.append(format, i, count);
            break;
        }
        lastToken = token;
        i += count;
    }
    return out;
}

AnsiString FormatDateTime(const AnsiString& format, TDateTime value) {
    return FormatDateTime(format, value, FormatSettings);
}

AnsiString DateToStr(TDateTime date) { return FormatDateTime(FormatSettings.ShortDateFormat, date); }

AnsiString TimeToStr(TDateTime time) { return FormatDateTime(FormatSettings.LongTimeFormat, time); }

AnsiString DateTimeToStr(TDateTime value) { return FormatDateTime("", value, FormatSettings); }

bool TryStrToDate(const AnsiString& s, TDateTime& value) {
    Scanner sc{s};
    TDateTime date;
    if (!ScanDate(sc, FormatSettings, date) || !sc.AtEnd())
        return false;
    value = date;
    return true;
}

bool TryStrToTime(const AnsiString& s, TDateTime& value) {
    Scanner sc{s};
    TDateTime time;
    if (!ScanTime(sc, FormatSettings, time) || !sc.AtEnd())
        return false;
    value = time;
    return true;
}

bool TryStrToDateTime(const AnsiString& s, TDateTime& value) {
    Scanner sc{s};
    TDateTime date = 0, time = 0;
    if (ScanDate(sc, FormatSettings, date)) {
        if (!sc.AtEnd() && !ScanTime(sc, FormatSettings, time))
            return false;
    } else {
        sc.pos = 0;
        if (!ScanTime(sc, FormatSettings, time))
            return false;
    }
    if (!sc.AtEnd())
        return false;
    value = Combine(date, time);
    return true;
}

TDateTime StrToDate(const AnsiString& s) {
    TDateTime value;
    if (!TryStrToDate(s, value))
        throw EConvertError("'" + s + "' is not a valid date");
    return value;
}

TDateTime StrToTime(const AnsiString& s) {
    TDateTime value;
    if (!TryStrToTime(s, value))
        throw EConvertError("'" + s + "' is not a valid time");
    return value;
}

TDateTime StrToDateTime(const AnsiString& s) {
    TDateTime value;
    if (!TryStrToDateTime(s, value))
        throw EConvertError("'" + s + "' is not a valid date and time");
    return value;
}

TDateTime StrToDateDef(const AnsiString& s, TDateTime defaultValue) {
    TDateTime value;
    return TryStrToDate(s, value) ? value : defaultValue;
}

TDateTime StrToDateTimeDef(const AnsiString& s, TDateTime defaultValue) {
    TDateTime value;
    return TryStrToDateTime(s, value) ? value : defaultValue;
}
