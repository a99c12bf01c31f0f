#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

// Byte values in this file are written as numbers, never as character
// literals above 0x7F: the execution character set differs between the gcc
// (Windows-1250) and clang (UTF-8) builds.

namespace {

using uchar = unsigned char;

inline uchar U(char c) { return static_cast<uchar>(c); }

// ---------------------------------------------------------------------------
// Windows-1250 letter tables

struct TCollation {
    std::array<uchar, 256> Upper{};
    std::array<uchar, 256> Lower{};
    // Level weights: base character, accent, case. Every byte has its own
    // triple, so equal weights at all levels mean equal bytes.
    std::array<std::uint16_t, 256> Primary{};
    std::array<uchar, 256> Secondary{};
    std::array<uchar, 256> Tertiary{};
};

struct TLetterForm {
    uchar LowerCh;
    uchar UpperCh;  // 0: no upper-case form (ß)
};

// Accented forms in the order they sort after their base letter; the base
// letter itself comes first.
struct TLetterGroup {
    char Base;
    std::array<TLetterForm, 5> Accented;  // zero-terminated
};

constexpr TLetterGroup kAccented[] = {
    {'a', {{{0xE1, 0xC1}, {0xE2, 0xC2}, {0xE3, 0xC3}, {0xE4, 0xC4}, {0xB9, 0xA5}}}},  // á â ă ä ą
    {'c', {{{0xE6, 0xC6}, {0xE7, 0xC7}, {0xE8, 0xC8}}}},                              // ć ç č
    {'d', {{{0xEF, 0xCF}, {0xF0, 0xD0}}}},                                            // ď đ
    {'e', {{{0xE9, 0xC9}, {0xEA, 0xCA}, {0xEB, 0xCB}, {0xEC, 0xCC}}}},                // é ę ë ě
    {'i', {{{0xED, 0xCD}, {0xEE, 0xCE}}}},                                            // í î
    {'l', {{{0xE5, 0xC5}, {0xBE, 0xBC}, {0xB3, 0xA3}}}},                              // ĺ ľ ł
    {'n', {{{0xF1, 0xD1}, {0xF2, 0xD2}}}},                                            // ń ň
    {'o', {{{0xF3, 0xD3}, {0xF4, 0xD4}, {0xF5, 0xD5}, {0xF6, 0xD6}}}},                // ó ô ő ö
    {'r', {{{0xE0, 0xC0}, {0xF8, 0xD8}}}},                                            // ŕ ř
    {'s', {{{0x9C, 0x8C}, {0xBA, 0xAA}, {0x9A, 0x8A}, {0xDF, 0x00}}}},                // ś ş š ß
    {'t', {{{0xFE, 0xDE}, {0x9D, 0x8D}}}},                                            // ţ ť
    {'u', {{{0xFA, 0xDA}, {0xF9, 0xD9}, {0xFB, 0xDB}, {0xFC, 0xDC}}}},                // ú ů ű ü
    {'y', {{{0xFD, 0xDD}}}},                                                          // ý
    {'z', {{{0x9F, 0x8F}, {0xBF, 0xAF}, {0x9E, 0x8E}}}},                              // ź ż ž
};

const TCollation& Collation() {
    static const TCollation t = [] {
        TCollation c;
        std::array<bool, 256> letter{};
        for (unsigned b = 0; b < 256; ++b) {
            c.Upper[b] = static_cast<uchar>(b);
            c.Lower[b] = static_cast<uchar>(b);
        }
        // Letters sort after every other character and digits just before
        // them; the rest keeps byte order among itself.
        constexpr std::uint16_t kDigitBase = 300;
        constexpr std::uint16_t kLetterBase = 400;
        for (char base = 'a'; base <= 'z'; ++base) {
            const auto lo = static_cast<uchar>(base);
            const auto up = static_cast<uchar>(base - 'a' + 'A');
            const auto primary = static_cast<std::uint16_t>(kLetterBase + (base - 'a'));
            c.Upper[lo] = up;
            c.Lower[up] = lo;
            c.Primary[lo] = c.Primary[up] = primary;
            c.Tertiary[up] = 1;
            letter[lo] = letter[up] = true;
        }
        for (const TLetterGroup& g : kAccented) {
            const auto primary = static_cast<std::uint16_t>(kLetterBase + (g.Base - 'a'));
            uchar accent = 1;
            for (const TLetterForm& f : g.Accented) {
                if (f.LowerCh == 0) break;
                c.Primary[f.LowerCh] = primary;
                c.Secondary[f.LowerCh] = accent;
                letter[f.LowerCh] = true;
                if (f.UpperCh != 0) {
                    c.Upper[f.LowerCh] = f.UpperCh;
                    c.Lower[f.UpperCh] = f.LowerCh;
                    c.Primary[f.UpperCh] = primary;
                    c.Secondary[f.UpperCh] = accent;
                    c.Tertiary[f.UpperCh] = 1;
                    letter[f.UpperCh] = true;
                }
                ++accent;
            }
        }
        std::uint16_t next = 1;
        for (unsigned b = 0; b < 256; ++b) {
            if (b >= '0' && b <= '9') c.Primary[b] = static_cast<std::uint16_t>(kDigitBase + (b - '0'));
            else if (!letter[b]) c.Primary[b] = next++;
        }
        return c;
    }();
    return t;
}

// Lexicographic comparison level by level; Levels 2 ignores case.
template <int Levels>
Integer Collate(const AnsiString& s1, const AnsiString& s2) {
    const TCollation& c = Collation();
    const std::size_t n = std::min(s1.size(), s2.size());
    const char* a = s1.data();
    const char* b = s2.data();
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        const int pa = c.Primary[U(a[i])];
        const int pb = c.Primary[U(b[i])];
        if (pa != pb) return pa < pb ? -1 : 1;
    }
    if (s1.size() != s2.size()) return s1.size() < s2.size() ? -1 : 1;
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        const int sa = c.Secondary[U(a[i])];
        const int sb = c.Secondary[U(b[i])];
        if (sa != sb) return sa < sb ? -1 : 1;
    }
    if constexpr (Levels >= 3) {
        for (std::size_t i = 0; i < n; ++i) {
            if (a[i] == b[i]) continue;
            const int ta = c.Tertiary[U(a[i])];
            const int tb = c.Tertiary[U(b[i])];
            if (ta != tb) return ta < tb ? -1 : 1;
        }
    }
    return 0;
}

AnsiString MapBytes(const AnsiString& s, const std::array<uchar, 256>& table) {
    AnsiString r(s);
    for (char& ch : r) ch = static_cast<char>(table[U(ch)]);
    return r;
}

inline char AsciiUpper(char ch) { return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch; }

}  // namespace

// ---------------------------------------------------------------------------
// Positions, substrings, trimming

AnsiString Copy(const AnsiString& S, Integer Index, Integer Count) {
    const Int64 len = static_cast<Int64>(S.size());
    Int64 start = static_cast<Int64>(Index) - 1;
    if (start < 0) start = 0;
    if (start >= len || Count <= 0) return AnsiString();
    const Int64 n = std::min<Int64>(Count, len - start);
    return S.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(n));
}

Integer Pos(const AnsiString& Substr, const AnsiString& S) { return PosEx(Substr, S, 1); }

Integer PosEx(const AnsiString& Substr, const AnsiString& S, Integer Offset) {
    if (Substr.empty() || Offset < 1 || static_cast<std::size_t>(Offset) > S.size()) return 0;
    const std::size_t at = S.find(Substr, static_cast<std::size_t>(Offset) - 1);
    return at == AnsiString::npos ? 0 : static_cast<Integer>(at + 1);
}

void Delete(AnsiString& S, Integer Index, Integer Count) {
    if (Index < 1 || static_cast<std::size_t>(Index) > S.size() || Count <= 0) return;
    S.erase(static_cast<std::size_t>(Index) - 1, static_cast<std::size_t>(Count));
}

void Insert(const AnsiString& Substr, AnsiString& S, Integer Index) {
    std::size_t at = Index < 1 ? 0 : static_cast<std::size_t>(Index) - 1;
    if (at > S.size()) at = S.size();
    S.insert(at, Substr);
}

AnsiString Trim(const AnsiString& S) {
    std::size_t b = 0, e = S.size();
    while (b < e && U(S[b]) <= ' ') ++b;
    while (e > b && U(S[e - 1]) <= ' ') --e;
    return S.substr(b, e - b);
}

AnsiString TrimLeft(const AnsiString& S) {
    std::size_t b = 0;
    while (b < S.size() && U(S[b]) <= ' ') ++b;
    return S.substr(b);
}

AnsiString TrimRight(const AnsiString& S) {
    std::size_t e = S.size();
    while (e > 0 && U(S[e - 1]) <= ' ') --e;
    return S.substr(0, e);
}

AnsiString StringOfChar(char Ch, Integer Count) {
    return Count > 0 ? AnsiString(static_cast<std::size_t>(Count), Ch) : AnsiString();
}

// ---------------------------------------------------------------------------
// Case and comparison

AnsiString UpperCase(const AnsiString& S) {
    AnsiString r(S);
    for (char& ch : r) ch = AsciiUpper(ch);
    return r;
}

AnsiString LowerCase(const AnsiString& S) {
    AnsiString r(S);
    for (char& ch : r)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return r;
}

Integer CompareStr(const AnsiString& S1, const AnsiString& S2) {
    const int r = S1.compare(S2);  // std::char_traits<char> compares as unsigned char
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

Integer CompareText(const AnsiString& S1, const AnsiString& S2) {
    const std::size_t n = std::min(S1.size(), S2.size());
    for (std::size_t i = 0; i < n; ++i) {
        const uchar a = U(AsciiUpper(S1[i]));
        const uchar b = U(AsciiUpper(S2[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    if (S1.size() == S2.size()) return 0;
    return S1.size() < S2.size() ? -1 : 1;
}

bool SameText(const AnsiString& S1, const AnsiString& S2) {
    return S1.size() == S2.size() && CompareText(S1, S2) == 0;
}

AnsiString AnsiUpperCase(const AnsiString& S) { return MapBytes(S, Collation().Upper); }
AnsiString AnsiLowerCase(const AnsiString& S) { return MapBytes(S, Collation().Lower); }

Integer AnsiCompareStr(const AnsiString& S1, const AnsiString& S2) { return Collate<3>(S1, S2); }
Integer AnsiCompareText(const AnsiString& S1, const AnsiString& S2) { return Collate<2>(S1, S2); }
bool AnsiSameStr(const AnsiString& S1, const AnsiString& S2) { return S1 == S2; }

bool AnsiSameText(const AnsiString& S1, const AnsiString& S2) {
    if (S1.size() != S2.size()) return false;
    const auto& up = Collation().Upper;
    for (std::size_t i = 0; i < S1.size(); ++i)
        if (up[U(S1[i])] != up[U(S2[i])]) return false;
    return true;
}

// ---------------------------------------------------------------------------
// Replacing, quoting, delimiters

AnsiString StringReplace(const AnsiString& S, const AnsiString& OldPattern,
                         const AnsiString& NewPattern, TReplaceFlags Flags) {
    if (OldPattern.empty()) return S;
    const bool ignoreCase = Flags.Contains(rfIgnoreCase);
    // Case folding keeps every byte in place, so positions found in the
    // folded text are positions in S.
    const AnsiString haystack = ignoreCase ? AnsiUpperCase(S) : AnsiString();
    const AnsiString needle = ignoreCase ? AnsiUpperCase(OldPattern) : AnsiString();
    const AnsiString& h = ignoreCase ? haystack : S;
    const AnsiString& n = ignoreCase ? needle : OldPattern;
    AnsiString result;
    std::size_t from = 0;
    while (true) {
        const std::size_t at = h.find(n, from);
        if (at == AnsiString::npos) break;
        result.append(S, from, at - from);
        result += NewPattern;
        from = at + n.size();
        if (!Flags.Contains(rfReplaceAll)) break;
    }
    result.append(S, from, AnsiString::npos);
    return result;
}

AnsiString QuotedStr(const AnsiString& S) { return AnsiQuotedStr(S, '\''); }

AnsiString AnsiQuotedStr(const AnsiString& S, char Quote) {
    AnsiString r;
    r.reserve(S.size() + 2);
    r += Quote;
    for (char ch : S) {
        r += ch;
        if (ch == Quote) r += Quote;
    }
    r += Quote;
    return r;
}

AnsiString AnsiExtractQuotedStr(std::string_view& Src, char Quote) {
    if (Src.empty() || Src.front() != Quote) return AnsiString();
    AnsiString r;
    std::size_t i = 1;
    while (i < Src.size()) {
        if (Src[i] == Quote) {
            if (i + 1 < Src.size() && Src[i + 1] == Quote) {
                r += Quote;
                i += 2;
                continue;
            }
            ++i;  // the closing quote
            Src.remove_prefix(i);
            return r;
        }
        r += Src[i++];
    }
    Src.remove_prefix(Src.size());
    return r;
}

AnsiString AnsiExtractQuotedStr(const char*& Src, char Quote) {
    if (Src == nullptr) return AnsiString();
    std::string_view view(Src);
    const std::size_t before = view.size();
    AnsiString r = AnsiExtractQuotedStr(view, Quote);
    Src += before - view.size();
    return r;
}

bool IsDelimiter(const AnsiString& Delimiters, const AnsiString& S, Integer Index) {
    if (Index < 1 || static_cast<std::size_t>(Index) > S.size()) return false;
    return Delimiters.find(S[static_cast<std::size_t>(Index) - 1]) != AnsiString::npos;
}

Integer LastDelimiter(const AnsiString& Delimiters, const AnsiString& S) {
    const std::size_t at = S.find_last_of(Delimiters);
    return at == AnsiString::npos ? 0 : static_cast<Integer>(at + 1);
}

// ---------------------------------------------------------------------------
// Integers

namespace {

constexpr const char* kHexDigits = "0123456789ABCDEF";

[[noreturn]] void RaiseInvalidInteger(const AnsiString& s) {
    throw EConvertError("'" + s + "' is not a valid integer value");
}

[[noreturn]] void RaiseInvalidFloat(const AnsiString& s) {
    throw EConvertError("'" + s + "' is not a valid floating point value");
}

struct TParsedInt {
    bool Negative = false;
    bool Hex = false;
    std::uint64_t Magnitude = 0;
};

bool ParseInt(std::string_view s, TParsedInt& out) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) out.Negative = s[i++] == '-';
    if (i < s.size() && s[i] == '$') {
        out.Hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        out.Hex = true;
        i += 2;
    }
    if (i >= s.size()) return false;
    const unsigned base = out.Hex ? 16 : 10;
    std::uint64_t v = 0;
    for (; i < s.size(); ++i) {
        const char ch = s[i];
        unsigned d;
        if (ch >= '0' && ch <= '9') d = static_cast<unsigned>(ch - '0');
        else if (out.Hex && ch >= 'a' && ch <= 'f') d = static_cast<unsigned>(ch - 'a' + 10);
        else if (out.Hex && ch >= 'A' && ch <= 'F') d = static_cast<unsigned>(ch - 'A' + 10);
        else return false;
        if (v > (std::numeric_limits<std::uint64_t>::max() - d) / base) return false;
        v = v * base + d;
    }
    out.Magnitude = v;
    return true;
}

}  // namespace

AnsiString IntToStrImpl(Int64 Value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, Value);
    return AnsiString(buf, r.ptr);
}

AnsiString UIntToStrImpl(std::uint64_t Value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, Value);
    return AnsiString(buf, r.ptr);
}

AnsiString IntToHexImpl(std::uint64_t Value, Integer Digits) {
    char buf[16];
    int n = 0;
    do {
        buf[15 - n++] = kHexDigits[Value & 0xF];
        Value >>= 4;
    } while (Value != 0);
    AnsiString r;
    if (Digits > n) r.assign(static_cast<std::size_t>(Digits - n), '0');
    r.append(buf + 16 - n, static_cast<std::size_t>(n));
    return r;
}

bool TryStrToInt64(const AnsiString& S, Int64& Value) {
    TParsedInt p;
    if (!ParseInt(S, p)) return false;
    std::uint64_t m = p.Magnitude;
    if (!p.Hex) {
        const std::uint64_t limit = p.Negative ? (std::uint64_t{1} << 63) : (std::uint64_t{1} << 63) - 1;
        if (m > limit) return false;
    }
    if (p.Negative) m = ~m + 1;  // two's complement, well defined on unsigned
    Value = static_cast<Int64>(m);
    return true;
}

bool TryStrToInt(const AnsiString& S, Integer& Value) {
    TParsedInt p;
    if (!ParseInt(S, p)) return false;
    std::uint64_t m = p.Magnitude;
    if (p.Hex) {
        if (m > 0xFFFFFFFFu) return false;
    } else {
        const std::uint64_t limit = p.Negative ? 0x80000000u : 0x7FFFFFFFu;
        if (m > limit) return false;
    }
    std::uint32_t v = static_cast<std::uint32_t>(m);
    if (p.Negative) v = ~v + 1;
    Value = static_cast<Integer>(v);
    return true;
}

Integer StrToInt(const AnsiString& S) {
    Integer v;
    if (!TryStrToInt(S, v)) RaiseInvalidInteger(S);
    return v;
}

Integer StrToIntDef(const AnsiString& S, Integer Default) {
    Integer v;
    return TryStrToInt(S, v) ? v : Default;
}

Int64 StrToInt64(const AnsiString& S) {
    Int64 v;
    if (!TryStrToInt64(S, v)) RaiseInvalidInteger(S);
    return v;
}

Int64 StrToInt64Def(const AnsiString& S, Int64 Default) {
    Int64 v;
    return TryStrToInt64(S, v) ? v : Default;
}

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
