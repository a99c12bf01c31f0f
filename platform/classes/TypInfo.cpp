#include "platform/classes/TypInfo.h"

#include <cxxabi.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "platform/classes/Component.h"

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIdentifier(const AnsiString& a, const AnsiString& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

AnsiString StripQualifier(AnsiString name) {
    auto colon = name.rfind("::");
    if (colon != AnsiString::npos) name.erase(0, colon + 2);
    return name;
}

AnsiString TrimBlanks(const AnsiString& text) {
    size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

// Every class info ever built, owned here for the life of the program, and
// the classes registered for creation by name.
struct TRegistry {
    std::mutex Lock;
    std::vector<std::unique_ptr<TClassInfo>> Infos;
    std::unordered_map<std::type_index, const TClassInfo*> ByType;
    std::vector<const TClassInfo*> Registered;
};

TRegistry& Registry() {
    static TRegistry registry;
    return registry;
}

AnsiString ObjectClassName(const TObject* obj) {
    return obj ? obj->ClassName() : AnsiString("nil");
}

AnsiString Describe(const TPropInfo& prop) {
    return "property " + prop.Name + " of " + (prop.Owner ? prop.Owner->Name() : AnsiString("?"));
}

[[noreturn]] void RaiseWrongKind(const TPropInfo& prop, const char* wanted) {
    throw EPropertyError("The " + Describe(prop) + " (" + prop.TypeName + ") is not " + wanted);
}

[[noreturn]] void RaiseReadOnly(const TPropInfo& prop) {
    throw EPropertyError("The " + Describe(prop) + " is read-only");
}

[[noreturn]] void RaiseBadText(const TPropInfo& prop, const AnsiString& text) {
    throw EConvertError("'" + text + "' is not a valid value for the " + Describe(prop) + " (" + prop.TypeName + ")");
}

bool IsOrdinalKind(TTypeKind kind) {
    return kind == tkInteger || kind == tkChar || kind == tkEnumeration || kind == tkSet || kind == tkInt64;
}

// Decimal with an optional sign, or hexadecimal written "$1F" or "0x1F";
// blanks around it are allowed. False for anything else, overflow included.
bool ParseInt64(const AnsiString& raw, Int64& result) {
    AnsiString text = TrimBlanks(raw);
    if (text.empty()) return false;
    size_t pos = 0;
    bool negative = false;
    if (text[pos] == '+' || text[pos] == '-') negative = text[pos++] == '-';
    int base = 10;
    if (pos < text.size() && text[pos] == '$') {
        base = 16;
        ++pos;
    } else if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    if (pos >= text.size()) return false;
    std::uint64_t magnitude = 0;
    const char* begin = text.data() + pos;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, magnitude, base);
    if (ec != std::errc() || ptr != end) return false;
    constexpr auto maxPositive = static_cast<std::uint64_t>(std::numeric_limits<Int64>::max());
    if (negative) {
        if (magnitude > maxPositive + 1) return false;
        result = magnitude == maxPositive + 1 ? std::numeric_limits<Int64>::min() : -static_cast<Int64>(magnitude);
    } else {
        if (magnitude > maxPositive) return false;
        result = static_cast<Int64>(magnitude);
    }
    return true;
}

// Locale-independent: "." is the only decimal separator.
bool ParseFloat(const AnsiString& raw, long double& result) {
    AnsiString text = TrimBlanks(raw);
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin != end && *begin == '-') return false;
    }
    if (begin == end || *begin == '+') return false;
    auto [ptr, ec] = std::from_chars(begin, end, result, std::chars_format::general);
    return ec == std::errc() && ptr == end;
}

int FloatPrecision(TFloatType type) {
    switch (type) {
        case ftSingle: return 7;
        case ftDouble: return 15;
        case ftExtended: return 18;
        case ftComp: return 18;
        case ftCurr: return 19;
    }
    return 15;
}

// General format: fixed notation unless the exponent needs more digits than
// the precision, trailing zeros dropped, "." always, exponent as "E20"/"E-7".
AnsiString FormatFloat(long double value, TFloatType type) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    char buffer[96];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general,
                                   FloatPrecision(type));
    if (ec != std::errc()) return "0";
    AnsiString text(buffer, ptr);
    auto e = text.find('e');
    if (e == AnsiString::npos) return text;
    AnsiString mantissa = text.substr(0, e);
    AnsiString exponent = text.substr(e + 1);
    bool negative = !exponent.empty() && exponent[0] == '-';
    if (!exponent.empty() && (exponent[0] == '-' || exponent[0] == '+')) exponent.erase(0, 1);
    exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
    return mantissa + "E" + (negative ? "-" : "") + exponent;
}

}  // namespace

// --- TEnumType and friends -----------------------------------------------------

const TEnumType& BooleanEnumType() {
    static const TEnumType type{"Boolean", {"False", "True"}};
    return type;
}

AnsiString GetEnumName(const TEnumType& type, int value) {
    if (value < 0 || value >= type.Count()) return AnsiString();
    return type.Names[static_cast<size_t>(value)];
}

int GetEnumValue(const TEnumType& type, const AnsiString& name) {
    AnsiString trimmed = TrimBlanks(name);
    for (int i = 0; i < type.Count(); ++i)
        if (SameIdentifier(type.Names[static_cast<size_t>(i)], trimmed)) return i;
    return -1;
}

AnsiString SetToString(const TEnumType& type, std::uint64_t bits) {
    AnsiString result = "[";
    bool first = true;
    for (int i = 0; i < type.Count() && i < 64; ++i) {
        if (!(bits & (std::uint64_t{1} << i))) continue;
        if (!first) result += ",";
        result += type.Names[static_cast<size_t>(i)];
        first = false;
    }
    return result + "]";
}

std::uint64_t StringToSet(const TEnumType& type, const AnsiString& text) {
    std::uint64_t bits = 0;
    AnsiString word;
    auto flush = [&] {
        if (word.empty()) return;
        int ordinal = GetEnumValue(type, word);
        if (ordinal < 0 || ordinal >= 64)
            throw EConvertError("'" + word + "' is not a member of set of " + type.Name);
        bits |= std::uint64_t{1} << ordinal;
        word.clear();
    };
    for (char c : text) {
        if (c == ' ' || c == ',' || c == '[' || c == ']' || c == '\t')
            flush();
        else
            word += c;
    }
    flush();
    return bits;
}

bool IdentToInt(const TIntegerIdents& Idents, const AnsiString& Name, Int64& Value) {
    for (const auto& [value, name] : Idents.Names)
        if (SameIdentifier(name, Name)) {
            Value = value;
            return true;
        }
    return Idents.Parse && Idents.Parse(Name, Value);
}

bool IntToIdent(const TIntegerIdents& Idents, Int64 Value, AnsiString& Name) {
    for (const auto& [value, name] : Idents.Names)
        if (value == Value) {
            Name = name;
            return true;
        }
    if (!Idents.Format) return false;
    Name = Idents.Format(Value);
    return !Name.empty();
}

// --- TClassInfo ----------------------------------------------------------------------

TClassInfo::TClassInfo(AnsiString name, const std::type_info& type, const TClassInfo* parent)
    : FName(StripQualifier(std::move(name))), FType(type), FParent(parent) {
    if (FParent) {
        FProps = FParent->FProps;
        FFields = FParent->FFields;
    }
}

const TMethodInfo* TClassInfo::FindMethod(const AnsiString& name) const {
    for (const TClassInfo* info = this; info; info = info->FParent)
        for (const auto& method : info->FOwnMethods)
            if (SameIdentifier(method->Name, name)) return method.get();
    return nullptr;
}

TComponent* TClassInfo::CreateInstance(TComponent* AOwner) const {
    if (!FFactory) throw EPropertyError("Class " + FName + " cannot be created by name");
    return FFactory(AOwner);
}

void TClassInfo::AddMethod(std::unique_ptr<TMethodInfo> method) {
    FOwnMethods.push_back(std::move(method));
}

void TClassInfo::AddField(std::unique_ptr<TFieldInfo> field) {
    FFields.push_back(field.get());
    FOwnFields.push_back(std::move(field));
}

const TPropInfo* TClassInfo::FindProp(const AnsiString& name) const {
    for (const TPropInfo* prop : FProps)
        if (SameIdentifier(prop->Name, name)) return prop;
    return nullptr;
}

bool TClassInfo::InheritsFrom(const AnsiString& className) const {
    for (const TClassInfo* info = this; info; info = info->FParent)
        if (SameIdentifier(info->FName, className)) return true;
    return false;
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
    for (const TClassInfo* info = this; info; info = info->FParent)
        if (info == &other) return true;
    return false;
}

void TClassInfo::AddProp(std::unique_ptr<TPropInfo> prop) {
    const TPropInfo* added = prop.get();
    auto same = std::find_if(FProps.begin(), FProps.end(),
                             [&](const TPropInfo* existing) { return SameIdentifier(existing->Name, added->Name); });
    if (same != FProps.end())
        *same = added;  // a redeclared property keeps its inherited position
    else
        FProps.push_back(added);
    FOwnProps.push_back(std::move(prop));
}

// --- Registry -------------------------------------------------------------------------

namespace typinfo_detail {

AnsiString ShortTypeName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                     std::free);
    return StripQualifier(status == 0 && demangled ? AnsiString(demangled.get()) : AnsiString(type.name()));
}

void RaiseWrongObject(const TPropInfo& prop, const TObject* obj) {
    throw EPropertyError("The " + Describe(prop) + " cannot be used on an object of class " + ObjectClassName(obj));
}

void RaiseWrongValueClass(const TPropInfo& prop, const TObject* value) {
    throw EPropertyError("Cannot assign a " + ObjectClassName(value) + " to the " + Describe(prop) + " (" +
                         prop.TypeName + ")");
}

void RaiseOutOfRange(const TPropInfo& prop, Int64 value) {
    AnsiString limits;
    if (prop.Kind == tkEnumeration && prop.EnumType)
        limits = "0.." + std::to_string(prop.EnumType->Count() - 1);
    else if (prop.Kind == tkSet && prop.EnumType)
        limits = "members 0.." + std::to_string(prop.EnumType->Count() - 1);
    else
        limits = std::to_string(prop.MinValue) + ".." + std::to_string(prop.MaxValue);
    throw ERangeError("Value " + std::to_string(value) + " is out of range for the " + Describe(prop) + " (" +
                      prop.TypeName + ": " + limits + ")");
}

const TClassInfo& AdoptClassInfo(std::unique_ptr<TClassInfo> info) {
    TRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.Lock);
    const TClassInfo* result = info.get();
    registry.ByType.emplace(result->Type(), result);
    registry.Infos.push_back(std::move(info));
    return *result;
}

void AddRegisteredClass(const TClassInfo& info) {
    TRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.Lock);
    auto same = std::find_if(registry.Registered.begin(), registry.Registered.end(),
                             [&](const TClassInfo* other) { return SameIdentifier(other->Name(), info.Name()); });
    // Two classes of one name would make a form file ambiguous; the first
    // registration keeps the name.
    if (same == registry.Registered.end()) registry.Registered.push_back(&info);
}

const TClassInfo* FindRegisteredClass(const AnsiString& name) {
    TRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.Lock);
    for (const TClassInfo* info : registry.Registered)
        if (SameIdentifier(info->Name(), name)) return info;
    return nullptr;
}

const TClassInfo* FindBuiltType(std::type_index type) {
    TRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.Lock);
    auto it = registry.ByType.find(type);
    return it == registry.ByType.end() ? nullptr : it->second;
}

}  // namespace typinfo_detail

const TClassInfo* GetClassInfo(const TObject* obj) {
    if (!obj) return nullptr;
    std::type_index exact(typeid(*obj));
    if (auto* persistent = dynamic_cast<const TPersistent*>(obj)) {
        const TClassInfo& info = persistent->ClassInfo();
        if (info.Type() == exact) return &info;
        // A derived class that registered but forgot the ClassInfo override.
        if (const TClassInfo* built = typinfo_detail::FindBuiltType(exact)) return built;
        return &info;
    }
    return typinfo_detail::FindBuiltType(exact);
}

const TClassInfo* FindClassInfo(const AnsiString& className) {
    TRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.Lock);
    for (const auto& info : registry.Infos)
        if (SameIdentifier(info->Name(), className)) return info.get();
    return nullptr;
}

// --- Property look-up ------------------------------------------------------------------

const std::vector<const TPropInfo*>& GetPropList(const TObject* obj) {
    static const std::vector<const TPropInfo*> none;
    const TClassInfo* info = GetClassInfo(obj);
    return info ? info->Props() : none;
}

const TPropInfo* GetPropInfo(const TObject* obj, const AnsiString& name) {
    const TClassInfo* info = GetClassInfo(obj);
    return info ? info->FindProp(name) : nullptr;
}

bool IsPublishedProp(const TObject* obj, const AnsiString& name) {
    return GetPropInfo(obj, name) != nullptr;
}

const TPropInfo& GetPropInfoOrRaise(const TObject* obj, const AnsiString& name) {
    if (!obj) throw EPropertyError("Property " + name + " requested of a nil object");
    const TPropInfo* prop = GetPropInfo(obj, name);
    if (!prop) throw EPropertyError("Class " + obj->ClassName() + " has no published property named '" + name + "'");
    return *prop;
}

bool PropIsType(const TObject* obj, const AnsiString& name, TTypeKind kind) {
    return GetPropInfoOrRaise(obj, name).Kind == kind;
}

TTypeKind PropType(const TObject* obj, const AnsiString& name) {
    return GetPropInfoOrRaise(obj, name).Kind;
}

const TPropInfo* ResolvePropPath(TObject*& obj, const AnsiString& path) {
    TObject* current = obj;
    size_t start = 0;
    while (current) {
        size_t dot = path.find('.', start);
        const TPropInfo* prop = GetPropInfo(current, path.substr(start, dot == AnsiString::npos ? dot : dot - start));
        if (!prop) return nullptr;
        if (dot == AnsiString::npos) {
            obj = current;
            return prop;
        }
        if (prop->Kind != tkClass) return nullptr;
        current = prop->GetObject(current);
        start = dot + 1;
    }
    return nullptr;
}

// --- Typed access ----------------------------------------------------------------------

Int64 GetOrdProp(const TObject* obj, const TPropInfo& prop) {
    if (!IsOrdinalKind(prop.Kind)) RaiseWrongKind(prop, "an ordinal property");
    return prop.GetOrd(obj);
}

void SetOrdProp(TObject* obj, const TPropInfo& prop, Int64 value) {
    if (!IsOrdinalKind(prop.Kind)) RaiseWrongKind(prop, "an ordinal property");
    if (!prop.SetOrd) RaiseReadOnly(prop);
    prop.SetOrd(obj, value);
}

Int64 GetOrdProp(const TObject* obj, const AnsiString& name) {
    return GetOrdProp(obj, GetPropInfoOrRaise(obj, name));
}

void SetOrdProp(TObject* obj, const AnsiString& name, Int64 value) {
    SetOrdProp(obj, GetPropInfoOrRaise(obj, name), value);
}

Int64 GetInt64Prop(const TObject* obj, const AnsiString& name) {
    return GetOrdProp(obj, name);
}

void SetInt64Prop(TObject* obj, const AnsiString& name, Int64 value) {
    SetOrdProp(obj, name, value);
}

AnsiString GetStrProp(const TObject* obj, const TPropInfo& prop) {
    if (prop.Kind != tkLString && prop.Kind != tkString) RaiseWrongKind(prop, "a string property");
    return prop.GetStr(obj);
}

void SetStrProp(TObject* obj, const TPropInfo& prop, const AnsiString& value) {
    if (prop.Kind != tkLString && prop.Kind != tkString) RaiseWrongKind(prop, "a string property");
    if (!prop.SetStr) RaiseReadOnly(prop);
    prop.SetStr(obj, value);
}

AnsiString GetStrProp(const TObject* obj, const AnsiString& name) {
    return GetStrProp(obj, GetPropInfoOrRaise(obj, name));
}

void SetStrProp(TObject* obj, const AnsiString& name, const AnsiString& value) {
    SetStrProp(obj, GetPropInfoOrRaise(obj, name), value);
}

long double GetFloatProp(const TObject* obj, const TPropInfo& prop) {
    if (prop.Kind != tkFloat) RaiseWrongKind(prop, "a float property");
    return prop.GetFloat(obj);
}

void SetFloatProp(TObject* obj, const TPropInfo& prop, long double value) {
    if (prop.Kind != tkFloat) RaiseWrongKind(prop, "a float property");
    if (!prop.SetFloat) RaiseReadOnly(prop);
    prop.SetFloat(obj, value);
}

long double GetFloatProp(const TObject* obj, const AnsiString& name) {
    return GetFloatProp(obj, GetPropInfoOrRaise(obj, name));
}

void SetFloatProp(TObject* obj, const AnsiString& name, long double value) {
    SetFloatProp(obj, GetPropInfoOrRaise(obj, name), value);
}

TObject* GetObjectProp(const TObject* obj, const TPropInfo& prop) {
    if (prop.Kind != tkClass) RaiseWrongKind(prop, "a class property");
    return prop.GetObject(obj);
}

void SetObjectProp(TObject* obj, const TPropInfo& prop, TObject* value) {
    if (prop.Kind != tkClass) RaiseWrongKind(prop, "a class property");
    if (!prop.SetObject) RaiseReadOnly(prop);
    prop.SetObject(obj, value);
}

TObject* GetObjectProp(const TObject* obj, const AnsiString& name) {
    return GetObjectProp(obj, GetPropInfoOrRaise(obj, name));
}

void SetObjectProp(TObject* obj, const AnsiString& name, TObject* value) {
    SetObjectProp(obj, GetPropInfoOrRaise(obj, name), value);
}

// --- Values as text ---------------------------------------------------------------------

AnsiString GetPropValue(const TObject* obj, const TPropInfo& prop) {
    switch (prop.Kind) {
        case tkInteger:
        case tkInt64:
            return std::to_string(prop.GetOrd(obj));
        case tkChar:
            return AnsiString(1, static_cast<char>(static_cast<unsigned char>(prop.GetOrd(obj))));
        case tkEnumeration:
            return GetEnumName(*prop.EnumType, static_cast<int>(prop.GetOrd(obj)));
        case tkSet:
            return SetToString(*prop.EnumType, static_cast<std::uint64_t>(prop.GetOrd(obj)));
        case tkFloat:
            return FormatFloat(prop.GetFloat(obj), prop.FloatType);
        case tkString:
        case tkLString:
            return prop.GetStr(obj);
        case tkClass:
        case tkMethod:
        case tkUnknown:
            break;
    }
    throw EPropertyError("The " + Describe(prop) + " (" + prop.TypeName + ") has no text form");
}

void SetPropValue(TObject* obj, const TPropInfo& prop, const AnsiString& value) {
    if (!prop.IsWritable()) RaiseReadOnly(prop);
    switch (prop.Kind) {
        case tkInteger:
        case tkInt64: {
            Int64 number = 0;
            if (!ParseInt64(value, number)) RaiseBadText(prop, value);
            prop.SetOrd(obj, number);
            return;
        }
        case tkChar:
            prop.SetOrd(obj, value.empty() ? 0 : static_cast<unsigned char>(value[0]));
            return;
        case tkEnumeration: {
            int ordinal = GetEnumValue(*prop.EnumType, value);
            if (ordinal < 0) RaiseBadText(prop, value);
            prop.SetOrd(obj, ordinal);
            return;
        }
        case tkSet: {
            std::uint64_t bits = 0;
            try {
                bits = StringToSet(*prop.EnumType, value);
            } catch (const EConvertError& error) {
                throw EConvertError(error.Message() + " (the " + Describe(prop) + ")");
            }
            prop.SetOrd(obj, static_cast<Int64>(bits));
            return;
        }
        case tkFloat: {
            long double number = 0;
            if (!ParseFloat(value, number)) RaiseBadText(prop, value);
            prop.SetFloat(obj, number);
            return;
        }
        case tkString:
        case tkLString:
            prop.SetStr(obj, value);
            return;
        case tkClass:
        case tkMethod:
        case tkUnknown:
            break;
    }
    throw EPropertyError("The " + Describe(prop) + " (" + prop.TypeName + ") has no text form");
}

AnsiString GetPropValue(const TObject* obj, const AnsiString& name) {
    return GetPropValue(obj, GetPropInfoOrRaise(obj, name));
}

void SetPropValue(TObject* obj, const AnsiString& name, const AnsiString& value) {
    SetPropValue(obj, GetPropInfoOrRaise(obj, name), value);
}
