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

