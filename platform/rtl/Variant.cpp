#include "platform/rtl/Variant.h"

#include <cmath>
#include <limits>
#include <utility>

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

namespace {

const char* TypeName(Word type) {
    if ((type & varArray) != 0) return "Array";
    switch (type) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varSmallint: return "Smallint";
    case varInteger: return "Integer";
    case varDouble: return "Double";
    case varCurrency: return "Currency";
    case varDate: return "Date";
    case varBoolean: return "Boolean";
    case varInt64: return "Int64";
    case varString: return "String";
    default: return "Unknown";
    }
}

[[noreturn]] void CastError(Word from, const char* to) {
    throw EVariantError(AnsiString("Could not convert variant of type (") + TypeName(from) + ") into type (" + to + ")");
}

bool IsIntegral(Word type) {
    return type == varSmallint || type == varInteger || type == varInt64 || type == varBoolean;
}

bool IsNumeric(Word type) {
    return IsIntegral(type) || type == varDouble || type == varCurrency || type == varDate;
}

// Rounds half to even, as the class library's conversions do; false when the
// value does not fit.
bool RoundToInt64(double value, Int64& result) {
    if (std::isnan(value)) return false;
    double rounded = std::nearbyint(value);
    // 2^63 is exact as a double; anything at or above it does not fit.
    if (rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0) return false;
    result = static_cast<Int64>(rounded);
    return true;
}

template <class T>
int Sign(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// NaN sorts below every number and equals itself, keeping the order total.
int CompareDoubles(double a, double b) {
    bool aNan = std::isnan(a), bNan = std::isnan(b);
    if (aNan || bNan) return Sign(!aNan, !bNan);
    return Sign(a, b);
}

// Position in the order of kinds: null < empty < scalars < arrays.
int Rank(const Variant& v) {
    if (v.IsNull()) return 0;
    if (v.IsEmpty()) return 1;
    if (v.IsArray()) return 3;
    return 2;
}

}  // namespace

Variant::Variant(bool value) : FType(varBoolean), FInt(value ? -1 : 0) {}
Variant::Variant(short value) : FType(varSmallint), FInt(value) {}
Variant::Variant(int value) : FType(varInteger), FInt(value) {}
Variant::Variant(unsigned int value) : FType(varInt64), FInt(value) {}
Variant::Variant(long value) : FType(varInt64), FInt(value) {}
Variant::Variant(long long value) : FType(varInt64), FInt(value) {}
Variant::Variant(double value) : FType(varDouble), FDouble(value) {}
Variant::Variant(const char* s) : FType(varString), FString(s != nullptr ? s : "") {}
Variant::Variant(char* s) : Variant(static_cast<const char*>(s)) {}
Variant::Variant(const AnsiString& s) : FType(varString), FString(s) {}
Variant::Variant(AnsiString&& s) : FType(varString), FString(std::move(s)) {}

Variant Variant::FromDateTime(TDateTime value) {
    Variant v(value);
    v.FType = varDate;
    return v;
}

Variant Variant::FromCurrency(double value) {
    Variant v(value);
    v.FType = varCurrency;
    return v;
}

Variant Variant::FromArray(std::vector<Variant> elements) {
    Variant v;
    v.FType = varArray | varVariant;
    v.FArray = std::move(elements);
    return v;
}

AnsiString Variant::AsString() const {
    switch (FType) {
    case varEmpty: return AnsiString();
    case varSmallint:
    case varInteger:
    case varInt64: return IntToStr(FInt);
    case varBoolean: return FInt != 0 ? "True" : "False";
    case varDouble:
    case varCurrency: return FloatToStr(FDouble);
    case varDate: return DateTimeToStr(FDouble);
    case varString: return FString;
    default: CastError(FType, "String");
    }
}

Int64 Variant::AsInt64() const {
    Int64 result = 0;
    switch (FType) {
    case varEmpty: return 0;
    case varSmallint:
    case varInteger:
    case varInt64:
    case varBoolean: return FInt;
    case varDouble:
    case varCurrency:
    case varDate:
        if (RoundToInt64(FDouble, result)) return result;
        throw EVariantError("Variant value " + FloatToStr(FDouble) + " is out of range for type (Int64)");
    case varString: {
        double d = 0;
        if (TryStrToInt64(FString, result)) return result;
        if (TryStrToFloat(FString, d) && RoundToInt64(d, result)) return result;
        CastError(FType, "Int64");
    }
    default: CastError(FType, "Int64");
    }
}

Integer Variant::AsInteger() const {
    if (FType == varString) {
        // Say "Integer", not "Int64", when the text is no number at all.
        Int64 i = 0;
        double d = 0;
        if (!TryStrToInt64(FString, i) && !TryStrToFloat(FString, d)) CastError(FType, "Integer");
    } else if (FType == varNull || IsArray()) {
        CastError(FType, "Integer");
    }
    Int64 value = AsInt64();
    if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max())
        throw EVariantError("Variant value " + IntToStr(value) + " is out of range for type (Integer)");
    return static_cast<Integer>(value);
}

double Variant::AsDouble() const {
    double result = 0;
    switch (FType) {
    case varEmpty: return 0;
    case varSmallint:
    case varInteger:
    case varInt64:
    case varBoolean: return static_cast<double>(FInt);
    case varDouble:
    case varCurrency:
    case varDate: return FDouble;
    case varString:
        if (TryStrToFloat(FString, result)) return result;
        CastError(FType, "Double");
    default: CastError(FType, "Double");
    }
}

bool Variant::AsBoolean() const {
    double d = 0;
    switch (FType) {
    case varEmpty: return false;
    case varSmallint:
    case varInteger:
    case varInt64:
    case varBoolean: return FInt != 0;
    case varDouble:
    case varCurrency:
    case varDate: return FDouble != 0;
    case varString:
        if (SameText(FString, "True")) return true;
        if (SameText(FString, "False")) return false;
        if (TryStrToFloat(FString, d)) return d != 0;
        CastError(FType, "Boolean");
    default: CastError(FType, "Boolean");
    }
}

TDateTime Variant::AsDateTime() const {
    if (FType == varString) {
        TDateTime value = 0;
        if (TryStrToDateTime(FString, value)) return value;
        CastError(FType, "Date");
    }
    if (FType == varNull || IsArray()) CastError(FType, "Date");
    return AsDouble();
}

int Variant::ElementCount() const {
    if (!IsArray()) throw EVariantError("Variant is not an array");
    return static_cast<int>(FArray.size());
}

const Variant& Variant::operator[](int index) const {
    if (index < 0 || index >= ElementCount())
        throw EVariantError("Variant array index out of bounds (" + IntToStr(index) + ")");
    return FArray[static_cast<std::size_t>(index)];
}

void Variant::SetElement(int index, const Variant& value) {
    if (index < 0 || index >= ElementCount())
        throw EVariantError("Variant array index out of bounds (" + IntToStr(index) + ")");
    FArray[static_cast<std::size_t>(index)] = value;
}

int Variant::Compare(const Variant& a, const Variant& b) {
    int rankA = Rank(a), rankB = Rank(b);
    if (rankA != rankB) return Sign(rankA, rankB);
    if (rankA < 2) return 0;
    if (rankA == 3) {
        std::size_t n = std::min(a.FArray.size(), b.FArray.size());
        for (std::size_t i = 0; i < n; ++i) {
            int c = Compare(a.FArray[i], b.FArray[i]);
            if (c != 0) return c;
        }
        return Sign(a.FArray.size(), b.FArray.size());
    }

    // Booleans count as 0 and 1 here, so false < true.
    auto integral = [](const Variant& v) { return v.FType == varBoolean ? Int64(v.FInt != 0) : v.FInt; };
    auto real = [&](const Variant& v) { return IsIntegral(v.FType) ? double(integral(v)) : v.FDouble; };
    bool numericA = IsNumeric(a.FType), numericB = IsNumeric(b.FType);
    if (numericA && numericB) {
        if (IsIntegral(a.FType) && IsIntegral(b.FType)) return Sign(integral(a), integral(b));
        return CompareDoubles(real(a), real(b));
    }
    if (!numericA && !numericB) {
        int c = AnsiCompareStr(a.FString, b.FString);
        return Sign(c, 0);
    }
    // A string against a number: as numbers when the text is one.
    const Variant& text = numericA ? b : a;
    const Variant& number = numericA ? a : b;
    int flip = numericA ? -1 : 1;  // results below are "text versus number"
    Int64 i = 0;
    double d = 0;
    if (IsIntegral(number.FType) && TryStrToInt64(text.FString, i)) return flip * Sign(i, integral(number));
    if (TryStrToFloat(text.FString, d)) return flip * CompareDoubles(d, real(number));
    return flip * Sign(AnsiCompareStr(text.FString, number.AsString()), 0);
}

Variant Null() {
    Variant v;
    v.FType = varNull;
    return v;
}

Variant Unassigned() { return Variant(); }

Variant VarArrayOf(std::initializer_list<Variant> elements) { return Variant::FromArray(std::vector<Variant>(elements)); }

Variant VarArrayOf(const std::vector<Variant>& elements) { return Variant::FromArray(elements); }

AnsiString VarToStr(const Variant& v) { return v.IsNull() ? AnsiString() : v.AsString(); }

static void CheckArrayDimension(const Variant& v, int dim) {
    if (!v.IsArray()) throw EVariantError("Variant is not an array");
    if (dim != 1) throw EVariantError("Variant array has no dimension " + IntToStr(dim));
}

int VarArrayLowBound(const Variant& v, int dim) {
    CheckArrayDimension(v, dim);
    return 0;
}

int VarArrayHighBound(const Variant& v, int dim) {
    CheckArrayDimension(v, dim);
    return v.ElementCount() - 1;
}
