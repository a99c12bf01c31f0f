// The value conversions of the field kinds: time stamps, BCD and wide text.

#include <cmath>
#include <cstring>

#include "platform/db/Fields.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateUtils.h"

TTimeStamp DateTimeToTimeStamp(TDateTime value) {
    // 0001-01-01 .. 9999-12-31; beyond that the day number leaves its type.
    if (!std::isfinite(value) || value < -693594.0 || value >= 2958466.0)
        throw EConvertError(Format("%g is not a valid date and time", value));
    double whole = std::trunc(value);
    TTimeStamp ts;
    ts.Date = DateDelta + static_cast<Integer>(whole);
    auto ms = static_cast<Integer>(std::llround(std::fabs(value - whole) * MSecsPerDay));
    if (ms >= MSecsPerDay) {
        ms -= MSecsPerDay;
        ++ts.Date;
    }
    ts.Time = ms;
    return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp& value) {
    double days = static_cast<double>(value.Date) - DateDelta;
    double frac = static_cast<double>(value.Time) / MSecsPerDay;
    return days < 0 ? days - frac : days + frac;
}

double TimeStampToMSecs(const TTimeStamp& value) {
    return static_cast<double>(value.Date) * MSecsPerDay + value.Time;
}

TTimeStamp MSecsToTimeStamp(double msecs) {
    double days = std::floor(msecs / MSecsPerDay);
    if (!std::isfinite(msecs) || days < 1 || days > 3652059)
        throw EConvertError(Format("%g is not a valid timestamp", msecs));
    TTimeStamp ts;
    ts.Date = static_cast<Integer>(days);
    ts.Time = static_cast<Integer>(std::llround(msecs - days * MSecsPerDay));
    if (ts.Time >= MSecsPerDay) {
        ts.Time -= MSecsPerDay;
        ++ts.Date;
    }
    return ts;
}

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

TBcd CurrToBcd(double value) {
    TBcd bcd;
    double scaled = std::round(value * 10000.0);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18) throw EConvertError("BCD overflow");
    auto n = static_cast<long long>(scaled);
    bool negative = n < 0;
    unsigned long long u = negative ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
    std::string digits = std::to_string(u);
    while (digits.size() < 5) digits.insert(digits.begin(), '0');
    bcd.Precision = static_cast<Byte>(digits.size());
    bcd.SignSpecialPlaces = static_cast<Byte>((negative ? 0x80 : 0) | 4);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        auto d = static_cast<Byte>(digits[i] - '0');
        bcd.Fraction[i / 2] |= (i % 2 == 0) ? static_cast<Byte>(d << 4) : d;
    }
    return bcd;
}

double BcdToDouble(const TBcd& value) {
    int precision = value.Precision;
    int places = value.SignSpecialPlaces & 0x3F;
    if (precision > 64 || places > precision) return 0;
    double result = 0;
    for (int i = 0; i < precision; ++i) {
        Byte b = value.Fraction[i / 2];
        int d = (i % 2 == 0) ? (b >> 4) : (b & 0x0F);
        result = result * 10 + (d > 9 ? 0 : d);
    }
    result /= std::pow(10.0, places);
    return (value.SignSpecialPlaces & 0x80) ? -result : result;
}

std::u16string AnsiToWide(const AnsiString& s) {
    std::u16string w;
    w.reserve(s.size());
    for (char c : s) w += static_cast<char16_t>(AnsiCharToUnicode(c));
    return w;
}

AnsiString WideToAnsi(const std::u16string& s) {
    std::string utf8;
    utf8.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = '?';
        }
        AppendUtf8(utf8, c);
    }
    return Utf8ToAnsi(utf8);
}
