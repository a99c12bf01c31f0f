#pragma once
// String, number and formatting helpers with the class library's semantics.
//
// Text is AnsiString: Windows-1250 bytes. Positions are 1-based and forgiving:
// an index or count outside the string is clamped, never an exception and
// never a read outside the string. Numbers are always written and parsed with
// "." as the decimal separator, whatever LC_NUMERIC says (Qt changes it), so
// nothing here calls printf/strtod for data.

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/System.h"

// ---------------------------------------------------------------------------
// Positions, substrings, trimming

// Count characters starting at Index (1-based). Index < 1 counts from the
// first character; anything past the end is cut off.
AnsiString Copy(const AnsiString& S, Integer Index, Integer Count);
// 1-based position of the first Substr in S; 0 when absent or Substr is empty.
Integer Pos(const AnsiString& Substr, const AnsiString& S);
// As Pos, but the search starts at Offset; 0 when Offset < 1 or past the end.
Integer PosEx(const AnsiString& Substr, const AnsiString& S, Integer Offset = 1);
// Removes Count characters from Index; nothing happens when Index is outside
// 1..Length(S) or Count <= 0.
void Delete(AnsiString& S, Integer Index, Integer Count);
// Inserts Substr before position Index; Index < 1 inserts at the front, past
// the end appends.
void Insert(const AnsiString& Substr, AnsiString& S, Integer Index);

// Trimming removes every character <= ' ' (control characters and space).
AnsiString Trim(const AnsiString& S);
AnsiString TrimLeft(const AnsiString& S);
AnsiString TrimRight(const AnsiString& S);

AnsiString StringOfChar(char Ch, Integer Count);

// ---------------------------------------------------------------------------
// Case and comparison

// ASCII only: a-z / A-Z; every other byte stays.
AnsiString UpperCase(const AnsiString& S);
AnsiString LowerCase(const AnsiString& S);
// Byte order; the result is <0, 0 or >0.
Integer CompareStr(const AnsiString& S1, const AnsiString& S2);
// Byte order after folding a-z to A-Z.
Integer CompareText(const AnsiString& S1, const AnsiString& S2);
bool SameText(const AnsiString& S1, const AnsiString& S2);

// Every Windows-1250 letter (Č/č, Š/š, Ř/ř, Ą/ą, Ł/ł, Ő/ő...); ß, µ and
// everything that is not a letter stay.
AnsiString AnsiUpperCase(const AnsiString& S);
AnsiString AnsiLowerCase(const AnsiString& S);

// Linguistic order of Windows-1250 text. Level 1 compares base letters with
// accents and case ignored (control characters < space and punctuation <
// digits < letters; an accented letter sorts with its base letter: a á ä ą b
// c ć č d ď ...), level 2 the accents, level 3 the case (lower before upper:
// "a" < "A" < "b"). Each level compares the whole strings before the next one
// is consulted. Every byte has its own weights, so AnsiCompareStr is 0 only
// for identical strings and AnsiCompareText only for strings that differ in
// case alone. Both are strict weak orders: the table engine sorts and
// binary-searches with them.
Integer AnsiCompareStr(const AnsiString& S1, const AnsiString& S2);
Integer AnsiCompareText(const AnsiString& S1, const AnsiString& S2);
bool AnsiSameStr(const AnsiString& S1, const AnsiString& S2);
bool AnsiSameText(const AnsiString& S1, const AnsiString& S2);

// ---------------------------------------------------------------------------
// Replacing, quoting, delimiters

enum TReplaceFlag : Byte { rfReplaceAll, rfIgnoreCase };

// A set of TReplaceFlag: TReplaceFlags{rfReplaceAll, rfIgnoreCase},
// rfReplaceAll | rfIgnoreCase, or TReplaceFlags() << rfReplaceAll.
class TReplaceFlags {
public:
    constexpr TReplaceFlags() = default;
    constexpr TReplaceFlags(TReplaceFlag Flag) : FBits(Bit(Flag)) {}
    constexpr TReplaceFlags(std::initializer_list<TReplaceFlag> Flags) {
        for (TReplaceFlag f : Flags) FBits |= Bit(f);
    }
    constexpr bool Contains(TReplaceFlag Flag) const { return (FBits & Bit(Flag)) != 0; }
    constexpr TReplaceFlags& operator<<(TReplaceFlag Flag) { FBits |= Bit(Flag); return *this; }
    constexpr TReplaceFlags& operator>>(TReplaceFlag Flag) { FBits &= ~Bit(Flag); return *this; }
    friend constexpr TReplaceFlags operator|(TReplaceFlags A, TReplaceFlags B) {
        TReplaceFlags r; r.FBits = A.FBits | B.FBits; return r;
    }
    friend constexpr bool operator==(TReplaceFlags A, TReplaceFlags B) { return A.FBits == B.FBits; }

private:
    static constexpr Byte Bit(TReplaceFlag Flag) { return static_cast<Byte>(1u << Flag); }
    Byte FBits = 0;
};
constexpr TReplaceFlags operator|(TReplaceFlag A, TReplaceFlag B) { return TReplaceFlags{A, B}; }

// Replaces the first (or with rfReplaceAll every) OldPattern; rfIgnoreCase
// matches with AnsiUpperCase folding. An empty OldPattern replaces nothing.
AnsiString StringReplace(const AnsiString& S, const AnsiString& OldPattern,
                         const AnsiString& NewPattern, TReplaceFlags Flags = {});

// 'text' with every ' doubled.
AnsiString QuotedStr(const AnsiString& S);
// Quote + text with every Quote doubled + Quote.
AnsiString AnsiQuotedStr(const AnsiString& S, char Quote);
// When Src starts with Quote: returns the text up to the closing Quote with
// doubled quotes made single and advances Src past the closing Quote (to the
// end when it is missing). Otherwise returns "" and leaves Src as it is.
AnsiString AnsiExtractQuotedStr(std::string_view& Src, char Quote);
// The same on a NUL-terminated buffer (stops at the NUL).
AnsiString AnsiExtractQuotedStr(const char*& Src, char Quote);

// Whether S[Index] (1-based) is one of Delimiters; false outside the string.
bool IsDelimiter(const AnsiString& Delimiters, const AnsiString& S, Integer Index);
// 1-based position of the last character of S that is one of Delimiters, or 0.
Integer LastDelimiter(const AnsiString& Delimiters, const AnsiString& S);

// ---------------------------------------------------------------------------
// Integers

AnsiString IntToStrImpl(Int64 Value);
AnsiString UIntToStrImpl(std::uint64_t Value);
AnsiString IntToHexImpl(std::uint64_t Value, Integer Digits);

template <typename T>
    requires std::is_integral_v<T> || std::is_enum_v<T>
AnsiString IntToStr(T Value) {
    if constexpr (std::is_enum_v<T>) {
        return IntToStr(static_cast<std::underlying_type_t<T>>(Value));
    } else if constexpr (std::is_signed_v<T>) {
        return IntToStrImpl(static_cast<Int64>(Value));
    } else {
        return UIntToStrImpl(static_cast<std::uint64_t>(Value));
    }
}

// Upper-case hex, at least Digits digits. A negative value shows in the two's
// complement of its own type: IntToHex(Integer(-1), 2) == "FFFFFFFF".
template <typename T>
    requires std::is_integral_v<T>
AnsiString IntToHex(T Value, Integer Digits) {
    return IntToHexImpl(static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<T>>(Value)), Digits);
}

// Accepted: leading spaces, an optional sign, then decimal digits or hex
// digits after "$", "0x" or "0X". Nothing may follow. Hex text may use the
// full unsigned width (StrToInt("$FFFFFFFF") == -1); decimal text out of
// range is an error. StrToInt/StrToInt64 raise EConvertError
// "'<text>' is not a valid integer value".
bool TryStrToInt(const AnsiString& S, Integer& Value);
bool TryStrToInt64(const AnsiString& S, Int64& Value);
Integer StrToInt(const AnsiString& S);
Integer StrToIntDef(const AnsiString& S, Integer Default);
Int64 StrToInt64(const AnsiString& S);
Int64 StrToInt64Def(const AnsiString& S, Int64 Default);

// ---------------------------------------------------------------------------
// Floating point, always with "."

// Accepted: blanks around, an optional sign, digits with an optional "."
// fraction, an optional exponent (E/e, sign, digits). No thousands separators,
// no "INF"/"NAN". StrToFloat raises EConvertError
// "'<text>' is not a valid floating point value".
bool TryStrToFloat(const AnsiString& S, double& Value);
double StrToFloat(const AnsiString& S);
double StrToFloatDef(const AnsiString& S, double Default);
// As StrToFloat, rounded to 4 decimals (the currency type's scale) and checked
// against its range.
double StrToCurr(const AnsiString& S);
// General format with 15 significant digits: "0.1", "3", "-2.5", "1E20",
// "1.5E-7"; scientific when the exponent exceeds 15 digits or the value is
// below 0.0001. "NAN", "INF", "-INF" for the special values.
AnsiString FloatToStr(double Value);
// Picture formats: "0" digit, "#" optional digit, "." decimal point, ","
// thousands separator (written as ","), "E+0"/"E-0" exponent, '...' and
// "..." literals, up to three sections "positive;negative;zero". Rounding is
// half away from zero on the value's 15 significant digits, so 2.675 gives
// "2.68" under "0.00" just as FloatToStr shows "2.675". A value that shows
// as zero takes the zero section and no minus sign.
AnsiString FormatFloat(const AnsiString& Format, double Value);

// ---------------------------------------------------------------------------
// Format

// One argument of Format, packed by kind. Strings are views: the arguments
// must outlive the call, which they do when passed straight to Format.
struct TFormatArg {
    enum TKind : Byte { vtInt64, vtUInt64, vtFloat, vtString, vtChar, vtPointer };

    template <typename T>
        requires(std::is_integral_v<T> && !std::is_same_v<T, char>) || std::is_enum_v<T>
    TFormatArg(T V) : Narrow(sizeof(T) <= 4) {
        if constexpr (std::is_enum_v<T>) {
            using U = std::underlying_type_t<T>;
            if constexpr (std::is_signed_v<U>) { Kind = vtInt64; Int = static_cast<Int64>(V); }
            else { Kind = vtUInt64; UInt = static_cast<std::uint64_t>(V); }
        } else if constexpr (std::is_signed_v<T>) {
            Kind = vtInt64; Int = static_cast<Int64>(V);
        } else {
            Kind = vtUInt64; UInt = static_cast<std::uint64_t>(V);
        }
    }
    template <std::floating_point T>
    TFormatArg(T V) : Kind(vtFloat), Float(static_cast<double>(V)) {}
    TFormatArg(char V) : Kind(vtChar), Char(V) {}
    TFormatArg(const char* V) : Kind(vtString), Str(V ? std::string_view(V) : std::string_view()) {}
    TFormatArg(const std::string& V) : Kind(vtString), Str(V) {}
    TFormatArg(std::string_view V) : Kind(vtString), Str(V) {}
    TFormatArg(const void* V) : Kind(vtPointer), Ptr(V) {}
    TFormatArg(std::nullptr_t) : Kind(vtPointer), Ptr(nullptr) {}

    TKind Kind;
    // The value came from a type of 32 bits or less: %u and %x show a
    // negative one in 32-bit two's complement as the class library does.
    bool Narrow = false;
    union {
        Int64 Int;
        std::uint64_t UInt;
        double Float;
        char Char;
        const void* Ptr;
    };
    std::string_view Str;
};

// "%" [index ":"] ["-"] ["0"] [width] ["." precision] type, where index,
// width and precision may be "*" (taken from the next integer argument).
// Types (case-insensitive, as in the class library; %x and %X both give
// upper-case digits):
//   d  decimal integer (precision = minimum digits)      u  unsigned decimal
//   x  hexadecimal integer (precision = minimum digits)  p  pointer, 16 hex digits
//   s  string or char (precision = maximum characters)
//   f  fixed, precision decimals (default 2), half away from zero
//   e  scientific "-d.dddE+ddd", precision significant digits (default 15)
//   g  general, precision significant digits (default 15), trailing zeros
//      cut; "d.dddE+ddd" once the exponent reaches precision or is below -4
//   %% a percent sign
// "-" justifies left, "0" pads numbers with zeros. An argument of the wrong
// kind, an unknown type or a malformed specifier raises EConvertError
// "Format '<format>' invalid or incompatible with argument"; a missing
// argument raises EConvertError "No argument for format '<format>'". Unused
// arguments are ignored.
AnsiString FormatArgs(std::string_view Format, std::span<const TFormatArg> Args);

template <typename... TArgs>
AnsiString Format(std::string_view Fmt, const TArgs&... Args) {
    if constexpr (sizeof...(TArgs) == 0) {
        return FormatArgs(Fmt, {});
    } else {
        const TFormatArg packed[] = {TFormatArg(Args)...};
        return FormatArgs(Fmt, packed);
    }
}
