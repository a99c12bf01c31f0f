#pragma once
// A small Variant: enough for the table engine's Locate and Lookup (key
// values of any field type, several keys as an array) and for what they
// return. Not an OLE variant: no references, no multi-dimensional arrays.

#include <initializer_list>
#include <vector>

#include "platform/rtl/System.h"

// Type codes as the class library numbers them.
constexpr Word varEmpty = 0x0000;
constexpr Word varNull = 0x0001;
constexpr Word varSmallint = 0x0002;
constexpr Word varInteger = 0x0003;
constexpr Word varDouble = 0x0005;
constexpr Word varCurrency = 0x0006;
constexpr Word varDate = 0x0007;
constexpr Word varBoolean = 0x000B;
constexpr Word varVariant = 0x000C;
constexpr Word varInt64 = 0x0014;
constexpr Word varString = 0x0100;
constexpr Word varTypeMask = 0x0FFF;
constexpr Word varArray = 0x2000;

class Variant {
public:
    Variant() = default;  // empty
    Variant(bool value);
    Variant(short value);  // smallint
    Variant(int value);
    Variant(unsigned int value);  // int64, so no value is lost
    Variant(long value);          // int64
    Variant(long long value);     // int64
    Variant(double value);
    Variant(const char* s);
    Variant(char* s);
    Variant(const AnsiString& s);
    Variant(AnsiString&& s);
    // Any other pointer would silently become a boolean.
    template <class T>
    Variant(T*) = delete;

    static Variant FromDateTime(TDateTime value);
    static Variant FromCurrency(double value);
    static Variant FromArray(std::vector<Variant> elements);

    // The type code: varEmpty, varNull, varInteger... or varArray | varVariant.
    Word Type() const { return FType; }
    bool IsNull() const { return FType == varNull; }
    bool IsEmpty() const { return FType == varEmpty; }
    bool IsArray() const { return (FType & varArray) != 0; }

    // Conversions; empty gives 0, "", false. Null, an array, a string that is
    // no number and a number out of range raise EVariantError naming both
    // types ("Could not convert variant of type (Null) into type (Integer)").
    // Booleans convert to -1 (true) and 0, as the class library does.
    AnsiString AsString() const;
    Integer AsInteger() const;
    Int64 AsInt64() const;
    double AsDouble() const;
    bool AsBoolean() const;
    TDateTime AsDateTime() const;

    // Elements of an array (index from 0); raise EVariantError when this is
    // no array or the index is out of bounds.
    int ElementCount() const;
    const Variant& operator[](int index) const;
    void SetElement(int index, const Variant& value);

    // null < empty < every value. Numbers (integers, doubles, currency,
    // date-times, booleans) compare numerically; strings by AnsiCompareStr;
    // arrays element by element. Booleans count as 0 and 1 here (false <
    // true, true == 1). Values of one kind are totally ordered, so a column
    // sorts and binary-searches safely. A string against a number compares
    // numerically when the string is a number, otherwise as strings: that
    // answers a key of the other kind correctly for equality, but mixed kinds
    // are not transitive ("2" < 10 < "10a" < "2"), so never sort them together.
    static int Compare(const Variant& a, const Variant& b);

    friend bool operator==(const Variant& a, const Variant& b) { return Compare(a, b) == 0; }
    friend bool operator!=(const Variant& a, const Variant& b) { return Compare(a, b) != 0; }
    friend bool operator<(const Variant& a, const Variant& b) { return Compare(a, b) < 0; }
    friend bool operator<=(const Variant& a, const Variant& b) { return Compare(a, b) <= 0; }
    friend bool operator>(const Variant& a, const Variant& b) { return Compare(a, b) > 0; }
    friend bool operator>=(const Variant& a, const Variant& b) { return Compare(a, b) >= 0; }

private:
    friend Variant Null();
    Word FType = varEmpty;
    Int64 FInt = 0;      // smallint, integer, int64, boolean
    double FDouble = 0;  // double, currency, date
    AnsiString FString;
    std::vector<Variant> FArray;
};

Variant Null();
Variant Unassigned();
Variant VarArrayOf(std::initializer_list<Variant> elements);
Variant VarArrayOf(const std::vector<Variant>& elements);

inline Word VarType(const Variant& v) { return v.Type(); }
inline bool VarIsNull(const Variant& v) { return v.IsNull(); }
inline bool VarIsEmpty(const Variant& v) { return v.IsEmpty(); }
inline bool VarIsArray(const Variant& v) { return v.IsArray(); }
// Null and empty give "".
AnsiString VarToStr(const Variant& v);
// Bounds of dimension 1 (the only one); raise EVariantError otherwise.
int VarArrayLowBound(const Variant& v, int dim);
int VarArrayHighBound(const Variant& v, int dim);
