// Floating-point conversion, FormatFloat and Format: the number-to-text half of
// SysUtils. Always "." as the decimal separator, whatever the process locale.
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

namespace {

using uchar = unsigned char;

inline uchar U(char c) { return static_cast<uchar>(c); }
inline char AsciiUpper(char ch) { return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch; }

[[noreturn]] void RaiseInvalidFloat(const AnsiString& s) {
    throw EConvertError("'" + s + "' is not a valid floating point value");
}

}  // namespace

// ---------------------------------------------------------------------------
// Floating point

namespace {

// The magnitude of a finite value as Count significant decimal digits and
// the exponent of the first one: |Value| ~ D.DDD x 10^Exponent. Zero gives
// zeros and exponent 0.
struct TDecimal {
    std::string Digits;
    int Exponent = 0;
};

TDecimal Decompose(double value, int count) {
    // A double carries 17 significant digits; beyond a few more every digit
    // is zero padding (pictures may ask for any number of them).
    const int computed = std::clamp(count, 1, 40);
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, computed - 1);
    TDecimal d;
    const char* p = buf;
    for (; p < r.ptr && *p != 'e'; ++p)
        if (*p != '.') d.Digits += *p;
    if (p < r.ptr) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), r.ptr, d.Exponent);
    if (count > computed) d.Digits.append(static_cast<std::size_t>(count - computed), '0');
    return d;
}

void StripTrailingZeros(std::string& digits, std::size_t keep) {
    while (digits.size() > keep && digits.back() == '0') digits.pop_back();
}

AnsiString SpecialFloat(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

// Exponent text: sign (always, or only when negative) and at least minDigits.
AnsiString ExponentText(int exponent, bool forceSign, int minDigits) {
    AnsiString r;
    if (exponent < 0) r += '-';
    else if (forceSign) r += '+';
    AnsiString n = IntToStrImpl(exponent < 0 ? -static_cast<Int64>(exponent) : exponent);
    if (static_cast<int>(n.size()) < minDigits) r.append(static_cast<std::size_t>(minDigits) - n.size(), '0');
    return r + n;
}

// General format: fixed when the exponent is below Precision and not below
// -4, else d.dddE<exp>; trailing zeros removed.
AnsiString FormatGeneral(double value, int precision, bool expSign, int expDigits) {
    if (!std::isfinite(value)) return SpecialFloat(value);
    if (value == 0) return "0";
    TDecimal d = Decompose(value, precision);
    AnsiString r = value < 0 ? "-" : "";
    StripTrailingZeros(d.Digits, 1);
    const int x = d.Exponent;
    if (x >= precision || x < -4) {
        r += d.Digits[0];
        if (d.Digits.size() > 1) r += "." + d.Digits.substr(1);
        return r + "E" + ExponentText(x, expSign, expDigits);
    }
    if (x >= 0) {
        const auto intLen = static_cast<std::size_t>(x) + 1;
        if (d.Digits.size() <= intLen) {
            r += d.Digits;
            r.append(intLen - d.Digits.size(), '0');
        } else {
            r += d.Digits.substr(0, intLen) + "." + d.Digits.substr(intLen);
        }
    } else {
        r += "0.";
        r.append(static_cast<std::size_t>(-x - 1), '0');
        r += d.Digits;
    }
    return r;
}

std::string ToFixed(double value, int decimals) {
    // 309 integer digits at most, sign and point.
    std::string buf(static_cast<std::size_t>(decimals) + 320, '\0');
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed, decimals);
    buf.resize(static_cast<std::size_t>(r.ptr - buf.data()));
    return buf;
}

// Adds one unit in the last place of a decimal text ("-9.99" -> "-10.00").
void IncrementLastDigit(std::string& s) {
    std::size_t k = s.size();
    while (k > 0) {
        --k;
        if (s[k] == '.') continue;
        if (s[k] == '-') break;
        if (s[k] != '9') {
            ++s[k];
            return;
        }
        s[k] = '0';
        if (k == 0 || s[k - 1] == '-') {
            s.insert(k, 1, '1');
            return;
        }
    }
}

// The binary value rounded to `decimals` places, half away from zero as the
// class library rounds (to_chars alone would round an exact tie to even:
// 2.5 -> "2", 0.125 -> "0.12").
AnsiString FormatFixed(double value, int decimals) {
    if (!std::isfinite(value)) return SpecialFloat(value);
    std::string text = ToFixed(value, decimals);
    const std::string longer = ToFixed(value, decimals + 1);
    if (longer.back() == '5') {
        // All doubles have at most 1074 fraction digits: this is exact.
        const std::string exact = ToFixed(value, 1100);
        const std::size_t tieDigit = longer.size() - 1;
        if (exact.compare(0, longer.size(), longer) == 0 &&
            exact.find_first_not_of('0', tieDigit + 1) == std::string::npos) {
            text = longer.substr(0, longer.size() - 1);
            if (text.back() == '.') text.pop_back();
            IncrementLastDigit(text);
        }
    }
    // "-0.00" for a tiny negative value reads as an error; drop the sign.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

AnsiString FormatScientific(double value, int precision) {
    if (!std::isfinite(value)) return SpecialFloat(value);
    const TDecimal d = Decompose(value, precision);
    AnsiString r = std::signbit(value) && value != 0 ? "-" : "";
    r += d.Digits[0];
    if (d.Digits.size() > 1) r += "." + d.Digits.substr(1);
    return r + "E" + ExponentText(d.Exponent, true, 3);
}

}  // namespace

bool TryStrToFloat(const AnsiString& S, double& Value) {
    std::size_t b = 0, e = S.size();
    while (b < e && U(S[b]) <= ' ') ++b;
    while (e > b && U(S[e - 1]) <= ' ') --e;
    const std::string_view t(S.data() + b, e - b);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    const std::size_t numberStart = i;
    // Validate the shape ourselves: from_chars would also take "inf", "nan"
    // and hex forms, which are no numbers here.
    int mantissaDigits = 0;
    int pointAt = -1;
    int firstNonZero = -1;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9') {
            if (firstNonZero < 0 && t[i] != '0') firstNonZero = static_cast<int>(i);
            ++mantissaDigits;
        } else if (t[i] == '.' && pointAt < 0) {
            pointAt = static_cast<int>(i);
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return false;
    const int mantissaEnd = static_cast<int>(i);
    int exponent = 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) expNegative = t[i++] == '-';
        const std::size_t expStart = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            if (exponent < 100000) exponent = exponent * 10 + (t[i] - '0');
            ++i;
        }
        if (i == expStart) return false;
        if (expNegative) exponent = -exponent;
    }
    if (i != t.size()) return false;
    double v = 0;
    const auto r = std::from_chars(t.data() + numberStart, t.data() + t.size(), v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Out of range either way: below the smallest double is zero, above
        // the largest is an error.
        if (firstNonZero < 0) {
            v = 0;
        } else {
            const int point = pointAt < 0 ? mantissaEnd : pointAt;
            // The value is 0.D x 10^magnitude, D starting at the first non-zero digit.
            int magnitude = point - firstNonZero;
            if (firstNonZero > point) ++magnitude;
            if (static_cast<Int64>(magnitude) + exponent > 0) return false;
            v = 0;
        }
    } else if (r.ec != std::errc() || r.ptr != t.data() + t.size()) {
        return false;
    }
    Value = negative ? -v : v;
    return true;
}

double StrToFloat(const AnsiString& S) {
    double v;
    if (!TryStrToFloat(S, v)) RaiseInvalidFloat(S);
    return v;
}

double StrToFloatDef(const AnsiString& S, double Default) {
    double v;
    return TryStrToFloat(S, v) ? v : Default;
}

double StrToCurr(const AnsiString& S) {
    double v;
    // The currency type: a 64-bit integer of ten-thousandths.
    constexpr double kMaxCurrency = 922337203685477.5807;
    if (!TryStrToFloat(S, v) || std::fabs(v) > kMaxCurrency) RaiseInvalidFloat(S);
    return std::round(v * 10000.0) / 10000.0;
}

AnsiString FloatToStr(double Value) { return FormatGeneral(Value, 15, false, 0); }

// ---------------------------------------------------------------------------
// FormatFloat

namespace {

struct TPictureToken {
    enum TKind { Literal, IntDigit, FracDigit, Point, Exponent } Kind = Literal;
    char Ch = 0;          // Literal: the character; IntDigit/FracDigit: '0' or '#'; Exponent: 'E' or 'e'
    AnsiString Text;      // Literal text
    bool ExpSign = false;  // Exponent: "+" (sign always) rather than "-"
    int ExpDigits = 0;
};

struct TPicture {
    std::vector<TPictureToken> Tokens;
    int IntPlaceholders = 0;
    int MinIntDigits = 0;  // from the first '0' before the point
    int FracPlaceholders = 0;
    int MinFracDigits = 0;  // up to the last '0' after the point
    bool Thousands = false;
    bool Scientific = false;
    bool HasPlaceholders = false;
};

std::vector<std::string_view> SplitSections(std::string_view fmt) {
    std::vector<std::string_view> sections;
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        const char ch = fmt[i];
        if (quote) {
            if (ch == quote) quote = 0;
        } else if (ch == '\'' || ch == '"') {
            quote = ch;
        } else if (ch == ';' && sections.size() < 2) {
            sections.push_back(fmt.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(fmt.substr(start));
    return sections;
}

TPicture ParsePicture(std::string_view fmt) {
    TPicture p;
    bool afterPoint = false;
    int firstZero = -1;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        const char ch = fmt[i];
        TPictureToken t;
        if (ch == '0' || ch == '#') {
            p.HasPlaceholders = true;
            t.Ch = ch;
            if (afterPoint) {
                t.Kind = TPictureToken::FracDigit;
                ++p.FracPlaceholders;
                if (ch == '0') p.MinFracDigits = p.FracPlaceholders;
            } else {
                t.Kind = TPictureToken::IntDigit;
                if (ch == '0' && firstZero < 0) firstZero = p.IntPlaceholders;
                ++p.IntPlaceholders;
            }
        } else if (ch == '.' && !afterPoint && !p.Scientific) {
            afterPoint = true;
            // A picture like ".00" still shows the integer digits.
            if (p.IntPlaceholders == 0) {
                TPictureToken implicit;
                implicit.Kind = TPictureToken::IntDigit;
                implicit.Ch = '#';
                p.Tokens.push_back(implicit);
                ++p.IntPlaceholders;
            }
            t.Kind = TPictureToken::Point;
        } else if (ch == ',') {
            p.Thousands = true;
            continue;
        } else if ((ch == 'E' || ch == 'e') && i + 1 < fmt.size() && (fmt[i + 1] == '+' || fmt[i + 1] == '-') &&
                   !p.Scientific) {
            t.Kind = TPictureToken::Exponent;
            t.Ch = ch;
            t.ExpSign = fmt[i + 1] == '+';
            i += 2;
            while (i < fmt.size() && fmt[i] == '0' && t.ExpDigits < 4) {
                ++t.ExpDigits;
                ++i;
            }
            --i;
            p.Scientific = true;
        } else if (ch == '\'' || ch == '"') {
            const std::size_t end = fmt.find(ch, i + 1);
            const std::size_t stop = end == std::string_view::npos ? fmt.size() : end;
            t.Text.assign(fmt.substr(i + 1, stop - i - 1));
            i = stop;
        } else {
            t.Text.assign(1, ch);
        }
        p.Tokens.push_back(std::move(t));
    }
    if (firstZero >= 0) p.MinIntDigits = p.IntPlaceholders - firstZero;
    return p;
}

// Rounds |value| half away from zero at `decimals` places, working on its 15
// significant digits so that 2.675 shows as "2.68" the way FloatToStr shows
// "2.675". Returns integer digits (no leading zeros) and fraction digits.
void RoundDecimal(double value, int decimals, std::string& intDigits, std::string& fracDigits) {
    intDigits.clear();
    fracDigits.assign(static_cast<std::size_t>(decimals), '0');
    if (value == 0) return;
    TDecimal d = Decompose(value, 15);
    // Position of the rounding digit within d.Digits.
    const long keep = static_cast<long>(d.Exponent) + 1 + decimals;
    if (keep < 0) return;
    std::string digits = d.Digits;
    int exponent = d.Exponent;
    if (keep < static_cast<long>(digits.size())) {
        const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
        digits.resize(static_cast<std::size_t>(keep));
        if (up) {
            long k = keep - 1;
            while (k >= 0 && digits[static_cast<std::size_t>(k)] == '9') digits[static_cast<std::size_t>(k--)] = '0';
            if (k >= 0) ++digits[static_cast<std::size_t>(k)];
            else { digits.insert(digits.begin(), '1'); ++exponent; }
        }
    }
    // digits now hold the value as D.DDD x 10^exponent.
    const long intLen = static_cast<long>(exponent) + 1;
    for (long k = 0; k < intLen; ++k)
        intDigits += k < static_cast<long>(digits.size()) ? digits[static_cast<std::size_t>(k)] : '0';
    for (long k = 0; k < decimals; ++k) {
        const long src = intLen + k;
        if (src >= 0 && src < static_cast<long>(digits.size())) fracDigits[static_cast<std::size_t>(k)] = digits[static_cast<std::size_t>(src)];
    }
    const std::size_t nz = intDigits.find_first_not_of('0');
    intDigits.erase(0, nz == std::string::npos ? intDigits.size() : nz);
}

bool AllZero(const std::string& a, const std::string& b) {
    return a.find_first_not_of('0') == std::string::npos && b.find_first_not_of('0') == std::string::npos;
}

AnsiString RenderPicture(const TPicture& p, double value, bool withSign) {
    std::string intDigits, fracDigits;
    int exponent = 0;
    if (p.Scientific) {
        const int sig = std::max(1, p.IntPlaceholders + p.FracPlaceholders);
        if (value != 0) {
            const TDecimal d = Decompose(value, sig);
            const int intCount = std::max(p.IntPlaceholders, 0);
            exponent = d.Exponent + 1 - intCount;
            intDigits = d.Digits.substr(0, static_cast<std::size_t>(intCount));
            fracDigits = d.Digits.substr(static_cast<std::size_t>(intCount));
            const std::size_t nz = intDigits.find_first_not_of('0');
            intDigits.erase(0, nz == std::string::npos ? intDigits.size() : nz);
        } else {
            fracDigits.assign(static_cast<std::size_t>(p.FracPlaceholders), '0');
        }
    } else {
        RoundDecimal(value, p.FracPlaceholders, intDigits, fracDigits);
    }
    if (static_cast<int>(intDigits.size()) < p.MinIntDigits)
        intDigits.insert(0, static_cast<std::size_t>(p.MinIntDigits) - intDigits.size(), '0');
    StripTrailingZeros(fracDigits, static_cast<std::size_t>(p.MinFracDigits));

    AnsiString r;
    if (withSign) r += '-';
    const long D = static_cast<long>(intDigits.size());
    const long P = p.IntPlaceholders;
    long intIndex = 0;
    std::size_t fracIndex = 0;
    for (const TPictureToken& t : p.Tokens) {
        switch (t.Kind) {
        case TPictureToken::Literal:
            r += t.Text;
            break;
        case TPictureToken::IntDigit: {
            // Placeholders take the digits right-aligned; the first one also
            // takes every digit that has no placeholder of its own.
            const long end = D - (P - 1 - intIndex);
            const long start = intIndex == 0 ? 0 : end - 1;
            for (long j = std::max(0L, start); j < end; ++j) {
                r += intDigits[static_cast<std::size_t>(j)];
                if (p.Thousands && j < D - 1 && (D - 1 - j) % 3 == 0) r += ',';
            }
            ++intIndex;
            break;
        }
        case TPictureToken::Point:
            if (!fracDigits.empty()) r += '.';
            break;
        case TPictureToken::FracDigit:
            if (fracIndex < fracDigits.size()) r += fracDigits[fracIndex];
            ++fracIndex;
            break;
        case TPictureToken::Exponent:
            r += t.Ch;
            r += ExponentText(exponent, t.ExpSign, t.ExpDigits);
            break;
        }
    }
    return r;
}

}  // namespace

AnsiString FormatFloat(const AnsiString& Format, double Value) {
    if (Format.empty() || !std::isfinite(Value)) return FloatToStr(Value);
    const std::vector<std::string_view> sections = SplitSections(Format);
    const TPicture first = ParsePicture(sections[0]);
    const bool negative = Value < 0;
    std::size_t chosen = 0;
    if (negative && sections.size() > 1 && !sections[1].empty()) chosen = 1;
    TPicture picture = chosen == 0 ? first : ParsePicture(sections[chosen]);

    // A value that shows as zero takes the zero section, and never a sign.
    std::string intDigits, fracDigits;
    bool showsAsZero = Value == 0;
    if (!showsAsZero && !picture.Scientific) {
        RoundDecimal(Value, picture.FracPlaceholders, intDigits, fracDigits);
        showsAsZero = AllZero(intDigits, fracDigits);
    }
    if (showsAsZero) {
        if (sections.size() > 2 && !sections[2].empty()) return RenderPicture(ParsePicture(sections[2]), 0, false);
        return RenderPicture(first, 0, false);
    }
    return RenderPicture(picture, Value, negative && chosen == 0);
}

// ---------------------------------------------------------------------------
// Format

namespace {

// Width and precision beyond this are a malformed specifier, not a request
// for gigabytes of padding from a damaged language file.
constexpr Int64 kMaxFormatWidth = 1 << 16;

struct TFormatter {
    std::string_view Fmt;
    std::span<const TFormatArg> Args;
    std::size_t NextArg = 0;

    [[noreturn]] void Invalid() const {
        throw EConvertError("Format '" + AnsiString(Fmt) + "' invalid or incompatible with argument");
    }
    [[noreturn]] void Missing() const { throw EConvertError("No argument for format '" + AnsiString(Fmt) + "'"); }

    const TFormatArg& TakeArg() {
        if (NextArg >= Args.size()) Missing();
        return Args[NextArg++];
    }

    Int64 TakeIntArg() {
        const TFormatArg& a = TakeArg();
        if (a.Kind == TFormatArg::vtInt64) return a.Int;
        if (a.Kind == TFormatArg::vtUInt64 && a.UInt <= static_cast<std::uint64_t>(kMaxFormatWidth))
            return static_cast<Int64>(a.UInt);
        Invalid();
    }

    // Digits or "*" at i; nothing when neither is there.
    std::optional<Int64> ReadNumber(std::size_t& i) {
        if (i < Fmt.size() && Fmt[i] == '*') {
            ++i;
            const Int64 v = TakeIntArg();
            if (v < -kMaxFormatWidth || v > kMaxFormatWidth) Invalid();
            return v;
        }
        if (i >= Fmt.size() || Fmt[i] < '0' || Fmt[i] > '9') return std::nullopt;
        Int64 v = 0;
        while (i < Fmt.size() && Fmt[i] >= '0' && Fmt[i] <= '9') {
            v = v * 10 + (Fmt[i] - '0');
            if (v > kMaxFormatWidth) Invalid();
            ++i;
        }
        return v;
    }

    static std::uint64_t Unsigned(const TFormatArg& a) {
        if (a.Kind == TFormatArg::vtUInt64) return a.UInt;
        const auto u = static_cast<std::uint64_t>(a.Int);
        return a.Narrow ? (u & 0xFFFFFFFFu) : u;
    }

    AnsiString Run() {
        AnsiString out;
        out.reserve(Fmt.size() + 16);
        std::size_t i = 0;
        while (i < Fmt.size()) {
            const std::size_t pct = Fmt.find('%', i);
            if (pct == std::string_view::npos) {
                out.append(Fmt.substr(i));
                break;
            }
            out.append(Fmt.substr(i, pct - i));
            i = pct + 1;
            if (i >= Fmt.size()) Invalid();
            if (Fmt[i] == '%') {
                out += '%';
                ++i;
                continue;
            }
            Specifier(i, out);
        }
        return out;
    }

    void Specifier(std::size_t& i, AnsiString& out) {
        // An index is digits (or "*") followed by ":".
        {
            std::size_t j = i;
            while (j < Fmt.size() && Fmt[j] >= '0' && Fmt[j] <= '9') ++j;
            if (j == i && j < Fmt.size() && Fmt[j] == '*') ++j;
            if (j > i && j < Fmt.size() && Fmt[j] == ':') {
                const std::optional<Int64> index = ReadNumber(i);
                if (!index || *index < 0) Invalid();
                NextArg = static_cast<std::size_t>(*index);
                ++i;  // ':'
            }
        }
        bool left = false, zero = false;
        while (i < Fmt.size() && (Fmt[i] == '-' || Fmt[i] == '0')) {
            if (Fmt[i] == '-') left = true;
            else zero = true;
            ++i;
        }
        Int64 width = ReadNumber(i).value_or(0);
        if (width < 0) {  // only from "*": justifies left
            left = true;
            width = -width;
        }
        Int64 precision = -1;  // none
        if (i < Fmt.size() && Fmt[i] == '.') {
            ++i;
            // "%.f" means precision 0; a negative one from "*" means none.
            precision = ReadNumber(i).value_or(0);
            if (precision < 0) precision = -1;
        }
        if (i >= Fmt.size()) Invalid();
        const char type = AsciiUpper(Fmt[i++]);

        AnsiString body;
        bool numeric = true;
        switch (type) {
        case 'D': {
            const TFormatArg& a = TakeArg();
            bool negative = false;
            std::uint64_t magnitude;
            if (a.Kind == TFormatArg::vtInt64) {
                negative = a.Int < 0;
                magnitude = negative ? ~static_cast<std::uint64_t>(a.Int) + 1 : static_cast<std::uint64_t>(a.Int);
            } else if (a.Kind == TFormatArg::vtUInt64) {
                magnitude = a.UInt;
            } else {
                Invalid();
            }
            body = UIntToStrImpl(magnitude);
            if (precision > static_cast<Int64>(body.size())) body.insert(0, static_cast<std::size_t>(precision) - body.size(), '0');
            if (negative) body.insert(0, 1, '-');
            if (precision >= 0) zero = false;
            break;
        }
        case 'U':
        case 'X': {
            const TFormatArg& a = TakeArg();
            if (a.Kind != TFormatArg::vtInt64 && a.Kind != TFormatArg::vtUInt64) Invalid();
            const std::uint64_t u = Unsigned(a);
            body = type == 'U' ? UIntToStrImpl(u) : IntToHexImpl(u, 0);
            if (precision > static_cast<Int64>(body.size())) body.insert(0, static_cast<std::size_t>(precision) - body.size(), '0');
            if (precision >= 0) zero = false;
            break;
        }
        case 'P': {
            const TFormatArg& a = TakeArg();
            if (a.Kind != TFormatArg::vtPointer) Invalid();
            body = IntToHexImpl(reinterpret_cast<std::uintptr_t>(a.Ptr), 2 * sizeof(void*));
            break;
        }
        case 'F':
        case 'E':
        case 'G': {
            const TFormatArg& a = TakeArg();
            if (a.Kind != TFormatArg::vtFloat) Invalid();
            const double v = a.Float;
            if (type == 'F') body = FormatFixed(v, precision < 0 ? 2 : static_cast<int>(precision));
            else {
                const int digits = precision < 0 ? 15 : static_cast<int>(std::clamp<Int64>(precision, 1, 18));
                body = type == 'E' ? FormatScientific(v, digits) : FormatGeneral(v, digits, true, 3);
            }
            if (!std::isfinite(v)) zero = false;
            break;
        }
        case 'S': {
            const TFormatArg& a = TakeArg();
            if (a.Kind == TFormatArg::vtString) body.assign(a.Str);
            else if (a.Kind == TFormatArg::vtChar) body.assign(1, a.Char);
            else Invalid();
            if (precision >= 0 && static_cast<std::size_t>(precision) < body.size()) body.resize(static_cast<std::size_t>(precision));
            numeric = false;
            break;
        }
        default:
            Invalid();
        }

        const auto w = static_cast<std::size_t>(width);
        if (body.size() >= w) {
            out += body;
        } else if (left) {
            out += body;
            out.append(w - body.size(), ' ');
        } else if (zero && numeric) {
            const std::size_t signLen = (!body.empty() && (body[0] == '-' || body[0] == '+')) ? 1 : 0;
            out.append(body, 0, signLen);
            out.append(w - body.size(), '0');
            out.append(body, signLen, AnsiString::npos);
        } else {
            out.append(w - body.size(), ' ');
            out += body;
        }
    }
};

}  // namespace

AnsiString FormatArgs(std::string_view Format, std::span<const TFormatArg> Args) {
    TFormatter f{Format, Args};
    return f.Run();
}
