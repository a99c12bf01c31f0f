#pragma once
// The published-property registry. Windows are translated and stored by
// property name ("Label1.Caption", "ComboBox2.Text", "Panel1.Font"), so every
// class lists its published properties here, in declaration order, with the
// kind of each and typed accessors that go through the class's own getter and
// setter (a setter's side effects, such as firing OnChange, happen).
//
// Publishing, one line per property:
//
//   // TButton.h, inside the class:
//   static const TClassInfo& StaticClassInfo();
//   const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
//
//   // TButton.cpp, at global scope:
//   VEMLOR_PUBLISHED(TButton, TWinControl) {
//       Prop("Caption", &TButton::Caption, &TButton::SetCaption);
//       Prop("Default", &TButton::Default, &TButton::SetDefault);   // bool
//       Prop("Font", &TButton::Font, &TButton::SetFont);            // TFont*
//       EnumProp("Align", &TButton::Align, &TButton::SetAlign, {"alNone", "alTop"});
//       EventProp("OnClick", &TButton::OnClick);
//   }
//
// The kind follows the C++ type: bool -> enumeration False/True, char -> char,
// other integers -> integer (64-bit ones -> int64), float/double/long double
// -> float, AnsiString -> long string, T* (T a TObject) -> class, TSet<E> ->
// set, an enumeration -> enumeration. An enumeration type used in several
// classes is described once by an overload found by argument-dependent lookup:
//   const TEnumType& EnumTypeInfo(TAlign);   // returns a function-local static
// after which Prop deduces both TAlign and TSet<TAlign> properties. Enumerations
// number their values 0, 1, 2, ... in identifier order.
//
// A class info is built on first use, in a function-local static; its
// properties are the base class's, then its own. A class re-registering an
// inherited name replaces the inherited entry in place. A class is found by
// name once its info has been built: asked for by an object, or registered
// with RegisterClass<T>() beforehand.
//
// A class outside TPersistent (a collection item, say) declares only the
// static StaticClassInfo() and is found by object through its exact C++ type,
// which works once its info is built: call RegisterClass<TMyItem>() in its
// constructor (cheap after the first time).
//
// An overloaded getter or setter needs a static_cast to pick the overload.
//
// For form files (Filer.h) a property can say more after its registration:
//   Prop("Width", ...).Stored(&TForm::IsSizeStored);   // written only while true
//   Prop("Color", ...).Idents(ColorIdents());           // clBtnFace <-> value
// A form class publishes its component fields and its event handlers, which
// the form file binds by name:
//   Field("Button1", &TfMain::Button1);
//   Method("Button1Click", &TfMain::Button1Click);
// Classes that a form file may create are registered in the class registry
// (ClassRegistry.h).

#include <any>
#include <concepts>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <utility>
#include <vector>

#include "platform/classes/Set.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/System.h"

class TPersistent;
class TComponent;
class TStrings;
class TCollection;
class TClassInfo;

enum TTypeKind {
    tkUnknown,
    tkInteger,
    tkChar,
    tkEnumeration,
    tkFloat,
    tkString,   // short string; nothing here publishes one, kept for callers' tables
    tkSet,
    tkClass,
    tkMethod,
    tkLString,  // long string (AnsiString)
    tkInt64
};

enum TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// What a class-typed property holds, for code that stores nested objects.
enum TPropClassKind { ckOther, ckPersistent, ckComponent, ckStrings, ckCollection };

// An enumeration's identifiers by ordinal (also the element type of a set).
struct TEnumType {
    AnsiString Name;                  // "TAlign", "Boolean"
    std::vector<AnsiString> Names;    // identifier of ordinal 0, 1, ...
    int Count() const { return static_cast<int>(Names.size()); }
};

// The identifiers False and True.
const TEnumType& BooleanEnumType();

// Names for some values of an integer type (clBtnFace for a colour,
// crHandPoint for a cursor), used by form files in both directions. Parse and
// Format, when set, take texts beyond the list (a shortcut's "Ctrl+Enter");
// such texts are written quoted.
struct TIntegerIdents {
    AnsiString TypeName;                                  // "TColor"
    std::vector<std::pair<Int64, AnsiString>> Names;     // value and identifier
    std::function<bool(const AnsiString& Text, Int64& Value)> Parse;
    std::function<AnsiString(Int64 Value)> Format;
};
// The value of a name of the list (ignoring case) or a text Parse takes.
bool IdentToInt(const TIntegerIdents& Idents, const AnsiString& Name, Int64& Value);
// The name of a value of the list, or Format's text; false when neither has one.
bool IntToIdent(const TIntegerIdents& Idents, Int64 Value, AnsiString& Name);

// A handler bound by name (a form file's "OnClick = Button1Click"): it calls
// the method on its instance and keeps the name, so that a writer can put the
// binding back into text. Event is the event's std::function type.
template <class Event>
struct TNamedHandler;
template <class R, class... Args>
struct TNamedHandler<std::function<R(Args...)>> {
    AnsiString Name;
    std::function<R(Args...)> Call;
    R operator()(Args... args) const { return Call(std::forward<Args>(args)...); }
};

// A published method: an event handler a form file can bind by name. Bind
// returns the handler as the std::function its signature gives, ready for the
// event property's SetMethod (which refuses another signature).
struct TMethodInfo {
    AnsiString Name;
    AnsiString Signature;   // for messages
    std::function<std::any(TObject* Instance)> Bind;
};

// A published field: a form's pointer to one of its components, set by name
// once the form file is read. Assign is false when the component is not of
// the field's class.
struct TFieldInfo {
    AnsiString Name;
    AnsiString ClassName;   // the field's component class
    std::function<bool(TObject* Instance, TObject* Value)> Assign;
    std::function<TObject*(const TObject* Instance)> Get;
};

// One published property. The registry hands out const pointers only; the
// accessor functions are set for the property's kind (GetOrd/SetOrd for
// integer, char, enumeration, set (member bits) and int64; GetFloat/SetFloat;
// GetStr/SetStr; GetObject/SetObject; GetMethod/SetMethod) and are empty
// otherwise. A read-only property has no setter. Every accessor checks that
// the object is of the class that registered the property (EPropertyError).
struct TPropInfo {
    AnsiString Name;
    TTypeKind Kind = tkUnknown;
    AnsiString TypeName;                 // "Integer", "Boolean", "TAlign", "TFont", "TDateTime"
    TFloatType FloatType = ftDouble;     // tkFloat only
    const TEnumType* EnumType = nullptr; // tkEnumeration, or the members of a tkSet
    TPropClassKind ClassKind = ckOther;  // tkClass only
    Int64 MinValue = 0;                  // ordinal range of tkInteger, tkChar, tkInt64
    Int64 MaxValue = 0;
    const TClassInfo* Owner = nullptr;   // the class that registered the property

    std::function<Int64(const TObject*)> GetOrd;
    std::function<void(TObject*, Int64)> SetOrd;
    std::function<long double(const TObject*)> GetFloat;
    std::function<void(TObject*, long double)> SetFloat;
    std::function<AnsiString(const TObject*)> GetStr;
    std::function<void(TObject*, const AnsiString&)> SetStr;
    std::function<TObject*(const TObject*)> GetObject;
    std::function<void(TObject*, TObject*)> SetObject;
    std::function<std::any(const TObject*)> GetMethod;   // a copy of the std::function
    std::function<void(TObject*, const std::any&)> SetMethod;
    std::function<bool(const TObject*)> MethodAssigned;
    // tkMethod: the name of a handler bound by name, "" for any other.
    std::function<AnsiString(const TObject*)> GetMethodName;

    // ckCollection: the items of the property's collection, reached through
    // the object that has the property, so that form files can list them and
    // build them anew (also for lists that are no TCollection).
    std::function<int(const TObject*)> ItemCount;
    std::function<TObject*(const TObject*, int Index)> GetItem;
    std::function<TObject*(TObject*)> AddItem;
    std::function<void(TObject*)> ClearItems;

    // Form files: written only while Stored answers true (empty: always),
    // and integer values named through Idents where it has a name.
    std::function<bool(const TObject*)> Stored;
    const TIntegerIdents* Idents = nullptr;

    bool IsWritable() const {
        return SetOrd || SetFloat || SetStr || SetObject || SetMethod;
    }

    std::unique_ptr<TEnumType> OwnedEnumType;  // for identifiers given at registration
};

// The published properties of one class.
class TClassInfo {
public:
    TClassInfo(AnsiString name, const std::type_info& type, const TClassInfo* parent);
    TClassInfo(const TClassInfo&) = delete;
    TClassInfo& operator=(const TClassInfo&) = delete;

    const AnsiString& Name() const { return FName; }
    const TClassInfo* Parent() const { return FParent; }
    std::type_index Type() const { return FType; }

    // All published properties, inherited ones first, in registration order.
    const std::vector<const TPropInfo*>& Props() const { return FProps; }
    // By name ignoring case; nullptr when the class has none of that name.
    const TPropInfo* FindProp(const AnsiString& name) const;

    // This class or one of its ancestors has the name (ignoring case).
    bool InheritsFrom(const AnsiString& className) const;
    bool InheritsFrom(const TClassInfo& other) const;

    // Published methods and fields (a form class's), inherited ones included.
    // FindMethod looks in this class first, then in its ancestors.
    const TMethodInfo* FindMethod(const AnsiString& name) const;
    const std::vector<const TFieldInfo*>& Fields() const { return FFields; }

    // A component class constructible with an owner can be created by name
    // (form files do); nullptr for other classes.
    using TFactory = TComponent* (*)(TComponent* AOwner);
    TFactory Factory() const { return FFactory; }
    TComponent* CreateInstance(TComponent* AOwner) const;

    // Used while the class is being built.
    void AddProp(std::unique_ptr<TPropInfo> prop);
    void AddMethod(std::unique_ptr<TMethodInfo> method);
    void AddField(std::unique_ptr<TFieldInfo> field);
    void SetFactory(TFactory factory) { FFactory = factory; }

private:
    AnsiString FName;
    std::type_index FType;
    const TClassInfo* FParent;
    std::vector<std::unique_ptr<TPropInfo>> FOwnProps;
    std::vector<const TPropInfo*> FProps;
    std::vector<std::unique_ptr<TMethodInfo>> FOwnMethods;
    std::vector<std::unique_ptr<TFieldInfo>> FOwnFields;
    std::vector<const TFieldInfo*> FFields;
    TFactory FFactory = nullptr;
};

// --- Looking up classes -----------------------------------------------------

// The class info of obj's dynamic class: its ClassInfo() for a TPersistent
// (or the info built for its exact C++ type, should a derived class have
// forgotten the override); for other objects the info built for their exact
// type. nullptr for nullptr or an object whose class was never registered.
const TClassInfo* GetClassInfo(const TObject* obj);
// A built class by name, ignoring case; nullptr when unknown.
const TClassInfo* FindClassInfo(const AnsiString& className);

namespace typinfo_detail {
void AddRegisteredClass(const TClassInfo& info);
const TClassInfo* FindRegisteredClass(const AnsiString& name);
}

// Builds the class's info and, for a class derived from TPersistent, enters
// it in the class registry (ClassRegistry.h) so that form files find it by
// name. Cheap after the first call for a class.
template <class T>
const TClassInfo& RegisterClass() {
    static const TClassInfo& info = [] () -> const TClassInfo& {
        const TClassInfo& built = T::StaticClassInfo();
        if constexpr (std::is_base_of_v<TPersistent, T>) typinfo_detail::AddRegisteredClass(built);
        return built;
    }();
    return info;
}

// --- Looking up properties ---------------------------------------------------

// All published properties of obj's class (empty for unregistered classes).
const std::vector<const TPropInfo*>& GetPropList(const TObject* obj);
// nullptr when obj's class has no published property of that name (ignoring
// case). A dotted path is not a property name; see ResolvePropPath.
const TPropInfo* GetPropInfo(const TObject* obj, const AnsiString& name);
bool IsPublishedProp(const TObject* obj, const AnsiString& name);
// These raise EPropertyError naming the property and class when it is unknown.
const TPropInfo& GetPropInfoOrRaise(const TObject* obj, const AnsiString& name);
bool PropIsType(const TObject* obj, const AnsiString& name, TTypeKind kind);
TTypeKind PropType(const TObject* obj, const AnsiString& name);

// Follows a path such as "Font.Size" through class-typed properties. On
// success obj is the object that owns the last property (the font) and its
// info is returned; nullptr when any step is missing, not an object, or nil.
const TPropInfo* ResolvePropPath(TObject*& obj, const AnsiString& path);

// --- Values as text ------------------------------------------------------------
// Integer and int64: decimal (parsing also takes "$1F" and "0x1F"); char: the
// one character; enumeration: its identifier (parsing ignores case);
// set: "[a,b]" in ordinal order, "[]" when empty (parsing takes identifiers
// separated by blanks or commas, brackets optional); float: shortest general
// form with the precision of the float type (7, 15, 18, 18, 19 digits) and
// "." whatever the locale, exponent as "1E20"; long string: unchanged.
// Class and method properties have no text form (EPropertyError).
// Bad text raises EConvertError naming the property and the value, out of
// range raises ERangeError; a read-only property raises EPropertyError.
AnsiString GetPropValue(const TObject* obj, const TPropInfo& prop);
AnsiString GetPropValue(const TObject* obj, const AnsiString& name);
void SetPropValue(TObject* obj, const TPropInfo& prop, const AnsiString& value);
void SetPropValue(TObject* obj, const AnsiString& name, const AnsiString& value);

// --- Typed access ----------------------------------------------------------------
// Each raises EPropertyError when the property is of a different kind.
// Ordinal covers integer, char, enumeration, set (member bits) and int64.
Int64 GetOrdProp(const TObject* obj, const TPropInfo& prop);
Int64 GetOrdProp(const TObject* obj, const AnsiString& name);
void SetOrdProp(TObject* obj, const TPropInfo& prop, Int64 value);
void SetOrdProp(TObject* obj, const AnsiString& name, Int64 value);
Int64 GetInt64Prop(const TObject* obj, const AnsiString& name);
void SetInt64Prop(TObject* obj, const AnsiString& name, Int64 value);
AnsiString GetStrProp(const TObject* obj, const TPropInfo& prop);
AnsiString GetStrProp(const TObject* obj, const AnsiString& name);
void SetStrProp(TObject* obj, const TPropInfo& prop, const AnsiString& value);
void SetStrProp(TObject* obj, const AnsiString& name, const AnsiString& value);
long double GetFloatProp(const TObject* obj, const TPropInfo& prop);
long double GetFloatProp(const TObject* obj, const AnsiString& name);
void SetFloatProp(TObject* obj, const TPropInfo& prop, long double value);
void SetFloatProp(TObject* obj, const AnsiString& name, long double value);
TObject* GetObjectProp(const TObject* obj, const TPropInfo& prop);
TObject* GetObjectProp(const TObject* obj, const AnsiString& name);
// Raises EPropertyError when value is not of the property's class.
void SetObjectProp(TObject* obj, const TPropInfo& prop, TObject* value);
void SetObjectProp(TObject* obj, const AnsiString& name, TObject* value);

// Event properties: a copy of the handler, or nullptr/empty when unassigned.
template <class Event>
Event GetMethodProp(const TObject* obj, const AnsiString& name);
template <class Event>
void SetMethodProp(TObject* obj, const AnsiString& name, Event handler);

// --- Enumerations and sets ------------------------------------------------------
// "" for an ordinal out of range.
AnsiString GetEnumName(const TEnumType& type, int value);
// The ordinal of an identifier ignoring case, -1 when none.
int GetEnumValue(const TEnumType& type, const AnsiString& name);
AnsiString SetToString(const TEnumType& type, std::uint64_t bits);
// Raises EConvertError naming the first word that is no member.
std::uint64_t StringToSet(const TEnumType& type, const AnsiString& text);

// =============================================================================
// Registration machinery (used through VEMLOR_PUBLISHED).

namespace typinfo_detail {

AnsiString ShortTypeName(const std::type_info& type);
[[noreturn]] void RaiseWrongObject(const TPropInfo& prop, const TObject* obj);
[[noreturn]] void RaiseWrongValueClass(const TPropInfo& prop, const TObject* value);
[[noreturn]] void RaiseOutOfRange(const TPropInfo& prop, Int64 value);
const TClassInfo& AdoptClassInfo(std::unique_ptr<TClassInfo> info);
const TClassInfo* FindBuiltType(std::type_index type);

template <class T>
struct IsTSet : std::false_type {};
template <class E>
struct IsTSet<TSet<E>> : std::true_type {
    using Element = E;
};

template <class E>
concept HasEnumTypeInfo = requires(E e) {
    { EnumTypeInfo(e) } -> std::convertible_to<const TEnumType&>;
};

template <class Base>
const TClassInfo* BaseInfo() {
    if constexpr (requires { Base::StaticClassInfo(); })
        return &Base::StaticClassInfo();
    else
        return nullptr;
}

template <class T>
const char* IntegerTypeName() {
    if constexpr (std::is_same_v<T, Byte>) return "Byte";
    else if constexpr (std::is_same_v<T, ShortInt>) return "ShortInt";
    else if constexpr (std::is_same_v<T, Word>) return "Word";
    else if constexpr (std::is_same_v<T, SmallInt>) return "SmallInt";
    else if constexpr (std::is_same_v<T, Cardinal>) return "Cardinal";
    else if constexpr (sizeof(T) == 8) return "Int64";
    else return "Integer";
}

}  // namespace typinfo_detail

// What a registration line can add to the property it registered.
template <class T>
class TPropOptions {
public:
    explicit TPropOptions(TPropInfo& prop) : FProp(prop) {}
    // Written to form files only while the predicate answers true.
    TPropOptions& Stored(bool (T::*predicate)() const) {
        FProp.Stored = [predicate](const TObject* obj) {
            const T* typed = dynamic_cast<const T*>(obj);
            return !typed || (typed->*predicate)();
        };
        return *this;
    }
    TPropOptions& Stored(bool value) {
        FProp.Stored = [value](const TObject*) { return value; };
        return *this;
    }
    // An integer property whose values have names (a colour, a cursor).
    TPropOptions& Idents(const TIntegerIdents& idents) {
        FProp.Idents = &idents;
        FProp.TypeName = idents.TypeName;
        return *this;
    }

private:
    TPropInfo& FProp;
};

template <class T>
class TPropRegistrar {
public:
    explicit TPropRegistrar(TClassInfo& info) : FInfo(info) {}

protected:
    // Deduces the kind from the getter's type; setter may be omitted for a
    // read-only property.
    template <class Getter, class Setter>
    TPropOptions<T> Prop(const char* name, Getter getter, Setter setter) {
        using V = ValueOf<Getter>;
        auto prop = NewProp(name);
        if constexpr (std::is_enum_v<V>) {
            static_assert(typinfo_detail::HasEnumTypeInfo<V>,
                          "declare EnumTypeInfo(E) for this enumeration or use EnumProp");
            prop->EnumType = &EnumTypeInfo(V{});
        } else if constexpr (typinfo_detail::IsTSet<V>::value) {
            using E = typename typinfo_detail::IsTSet<V>::Element;
            static_assert(typinfo_detail::HasEnumTypeInfo<E>,
                          "declare EnumTypeInfo(E) for the set's elements or use SetProp");
            prop->EnumType = &EnumTypeInfo(E{});
        }
        Fill<V>(*prop, getter, setter);
        return Add(std::move(prop));
    }
    template <class Getter>
    TPropOptions<T> Prop(const char* name, Getter getter) {
        return Prop(name, getter, nullptr);
    }

    // A list of items that is not a TCollection (status panels, list-view
    // columns): the getter returns an object with Count(), Items(i), Add()
    // and Clear(); its items are TObjects that publish their properties.
    template <class Getter>
    TPropOptions<T> CollectionProp(const char* name, Getter getter) {
        using L = std::remove_pointer_t<ValueOf<Getter>>;
        using Item = std::remove_pointer_t<decltype(std::declval<L&>().Add())>;
        static_assert(std::is_base_of_v<TObject, Item>, "collection items must be TObjects");
        auto prop = NewProp(name);
        prop->Kind = tkClass;
        prop->ClassKind = ckCollection;
        prop->TypeName = typinfo_detail::ShortTypeName(typeid(L));
        const TPropInfo* self = prop.get();
        // The list is no TObject, so the property hands out no object; the
        // item accessors reach the list through the object that holds it.
        prop->GetObject = [](const TObject*) -> TObject* { return nullptr; };
        prop->ItemCount = [self, getter](const TObject* obj) {
            return static_cast<int>(std::invoke(getter, Cast(*self, obj))->Count());
        };
        prop->GetItem = [self, getter](const TObject* obj, int index) -> TObject* {
            RegisterClass<Item>();
            return std::invoke(getter, Cast(*self, obj))->Items(index);
        };
        prop->AddItem = [self, getter](TObject* obj) -> TObject* {
            RegisterClass<Item>();
            return std::invoke(getter, Cast(*self, obj))->Add();
        };
        prop->ClearItems = [self, getter](TObject* obj) { std::invoke(getter, Cast(*self, obj))->Clear(); };
        return Add(std::move(prop));
    }

    // A published method of a form class, bound by name from form files.
    template <class C, class R, class... Args>
    void Method(const char* name, R (C::*method)(Args...)) {
        static_assert(std::is_base_of_v<C, T>, "the method must be a member of the class");
        auto entry = std::make_unique<TMethodInfo>();
        entry->Name = name;
        entry->Signature = typinfo_detail::ShortTypeName(typeid(R(Args...)));
        AnsiString boundName = name;
        entry->Bind = [method, boundName](TObject* instance) -> std::any {
            T* self = dynamic_cast<T*>(instance);
            if (!self) return std::any();
            using Event = std::function<R(Args...)>;
            TNamedHandler<Event> handler{boundName, [self, method](Args... args) -> R {
                                             return (self->*method)(std::forward<Args>(args)...);
                                         }};
            return std::any(Event(std::move(handler)));
        };
        FInfo.AddMethod(std::move(entry));
    }

    // A published field of a form class: its pointer to a component.
    template <class C, class F>
    void Field(const char* name, F* C::*member) {
        static_assert(std::is_base_of_v<C, T>, "the field must be a member of the class");
        static_assert(std::is_base_of_v<TObject, F>, "a field points to a component");
        auto entry = std::make_unique<TFieldInfo>();
        entry->Name = name;
        entry->ClassName = typinfo_detail::ShortTypeName(typeid(F));
        entry->Assign = [member](TObject* instance, TObject* value) {
            T* self = dynamic_cast<T*>(instance);
            F* typed = dynamic_cast<F*>(value);
            if (!self || (value && !typed)) return false;
            self->*member = typed;
            return true;
        };
        entry->Get = [member](const TObject* instance) -> TObject* {
            const T* self = dynamic_cast<const T*>(instance);
            return self ? self->*member : nullptr;
        };
        FInfo.AddField(std::move(entry));
    }

    // An enumeration (or bool) whose identifiers are given here.
    template <class Getter, class Setter>
    TPropOptions<T> EnumProp(const char* name, Getter getter, Setter setter,
                  std::initializer_list<const char*> identifiers, const char* typeName = "") {
        using V = ValueOf<Getter>;
        static_assert(std::is_enum_v<V> || std::is_same_v<V, bool>, "EnumProp needs an enumeration");
        auto prop = NewProp(name);
        prop->OwnedEnumType = MakeEnumType(typeName, identifiers, typeid(V));
        prop->EnumType = prop->OwnedEnumType.get();
        Fill<V>(*prop, getter, setter);
        return Add(std::move(prop));
    }

    // A set whose members' identifiers are given here.
    template <class Getter, class Setter>
    TPropOptions<T> SetProp(const char* name, Getter getter, Setter setter,
                 std::initializer_list<const char*> identifiers, const char* typeName = "") {
        using V = ValueOf<Getter>;
        static_assert(typinfo_detail::IsTSet<V>::value, "SetProp needs a TSet");
        auto prop = NewProp(name);
        prop->OwnedEnumType = MakeEnumType(typeName, identifiers, typeid(V));
        prop->EnumType = prop->OwnedEnumType.get();
        Fill<V>(*prop, getter, setter);
        return Add(std::move(prop));
    }

    // A TDateTime (a double that is a date) property.
    template <class Getter, class Setter>
    TPropOptions<T> DateTimeProp(const char* name, Getter getter, Setter setter) {
        TPropOptions<T> options = Prop(name, getter, setter);
        LastOwnProp().TypeName = "TDateTime";
        return options;
    }

    // An event: a public std::function member.
    template <class Event, class C>
    void EventProp(const char* name, Event C::*member) {
        static_assert(std::is_base_of_v<C, T>, "the event must be a member of the class");
        auto prop = NewProp(name);
        prop->Kind = tkMethod;
        prop->TypeName = "TMethod";
        const TPropInfo* self = prop.get();
        prop->GetMethod = [self, member](const TObject* obj) -> std::any {
            return std::any(Cast(*self, obj)->*member);
        };
        prop->MethodAssigned = [self, member](const TObject* obj) {
            return static_cast<bool>(Cast(*self, obj)->*member);
        };
        prop->GetMethodName = [self, member](const TObject* obj) -> AnsiString {
            if constexpr (requires { sizeof(TNamedHandler<Event>); }) {
                const Event& handler = Cast(*self, obj)->*member;
                if (auto* named = handler.template target<TNamedHandler<Event>>()) return named->Name;
            }
            return AnsiString();
        };
        prop->SetMethod = [self, member](TObject* obj, const std::any& value) {
            T* target = Cast(*self, obj);
            if (!value.has_value())
                target->*member = Event();
            else
                target->*member = std::any_cast<Event>(value);
        };
        FInfo.AddProp(std::move(prop));
    }

    // An event read and written through accessors, for a class that reacts
    // when its handler changes.
    template <class Getter, class Setter>
    void EventProp(const char* name, Getter getter, Setter setter) {
        using Event = std::remove_cvref_t<std::invoke_result_t<Getter, const T*>>;
        auto prop = NewProp(name);
        prop->Kind = tkMethod;
        prop->TypeName = "TMethod";
        const TPropInfo* self = prop.get();
        prop->GetMethod = [self, getter](const TObject* obj) -> std::any {
            return std::any(Event(std::invoke(getter, Cast(*self, obj))));
        };
        prop->MethodAssigned = [self, getter](const TObject* obj) {
            return static_cast<bool>(std::invoke(getter, Cast(*self, obj)));
        };
        prop->SetMethod = [self, setter](TObject* obj, const std::any& value) {
            std::invoke(setter, Cast(*self, obj), value.has_value() ? std::any_cast<Event>(value) : Event());
        };
        FInfo.AddProp(std::move(prop));
    }

private:
    template <class Getter>
    using ValueOf = std::remove_cvref_t<std::invoke_result_t<Getter, T*>>;

    TPropInfo& LastOwnProp() { return *FLast; }

    TPropOptions<T> Add(std::unique_ptr<TPropInfo> prop) {
        TPropInfo& added = *prop;
        FInfo.AddProp(std::move(prop));
        return TPropOptions<T>(added);
    }

    std::unique_ptr<TPropInfo> NewProp(const char* name) {
        auto prop = std::make_unique<TPropInfo>();
        prop->Name = name;
        prop->Owner = &FInfo;
        FLast = prop.get();
        return prop;
    }

    static std::unique_ptr<TEnumType> MakeEnumType(const char* typeName,
                                                   std::initializer_list<const char*> identifiers,
                                                   const std::type_info& type) {
        auto result = std::make_unique<TEnumType>();
        result->Name = (typeName && *typeName) ? AnsiString(typeName) : typinfo_detail::ShortTypeName(type);
        for (const char* identifier : identifiers) result->Names.emplace_back(identifier);
        return result;
    }

    // The registered class, or EPropertyError for an object of another class.
    static T* Cast(const TPropInfo& prop, const TObject* obj) {
        auto* result = dynamic_cast<T*>(const_cast<TObject*>(obj));
        if (!result) typinfo_detail::RaiseWrongObject(prop, obj);
        return result;
    }

    template <class V, class Getter, class Setter>
    static void Fill(TPropInfo& prop, Getter getter, Setter setter) {
        constexpr bool writable = !std::is_same_v<Setter, std::nullptr_t>;
        const TPropInfo* self = &prop;
        if constexpr (std::is_same_v<V, bool>) {
            prop.Kind = tkEnumeration;
            if (!prop.EnumType) prop.EnumType = &BooleanEnumType();
            prop.TypeName = prop.EnumType->Name;
            prop.GetOrd = [self, getter](const TObject* obj) -> Int64 {
                return std::invoke(getter, Cast(*self, obj)) ? 1 : 0;
            };
            if constexpr (writable)
                prop.SetOrd = [self, setter](TObject* obj, Int64 value) {
                    if (value < 0 || value > 1) typinfo_detail::RaiseOutOfRange(*self, value);
                    std::invoke(setter, Cast(*self, obj), value != 0);
                };
        } else if constexpr (std::is_enum_v<V>) {
            prop.Kind = tkEnumeration;
            prop.TypeName = prop.EnumType->Name;
            prop.GetOrd = [self, getter](const TObject* obj) -> Int64 {
                return static_cast<Int64>(std::invoke(getter, Cast(*self, obj)));
            };
            if constexpr (writable)
                prop.SetOrd = [self, setter](TObject* obj, Int64 value) {
                    if (value < 0 || value >= self->EnumType->Count())
                        typinfo_detail::RaiseOutOfRange(*self, value);
                    std::invoke(setter, Cast(*self, obj), static_cast<V>(value));
                };
        } else if constexpr (typinfo_detail::IsTSet<V>::value) {
            prop.Kind = tkSet;
            prop.TypeName = "set of " + prop.EnumType->Name;
            prop.GetOrd = [self, getter](const TObject* obj) -> Int64 {
                return static_cast<Int64>(std::invoke(getter, Cast(*self, obj)).Bits());
            };
            if constexpr (writable)
                prop.SetOrd = [self, setter](TObject* obj, Int64 value) {
                    auto bits = static_cast<std::uint64_t>(value);
                    int count = self->EnumType->Count();
                    if (count < 64 && (bits >> count) != 0) typinfo_detail::RaiseOutOfRange(*self, value);
                    std::invoke(setter, Cast(*self, obj), V::FromBits(bits));
                };
        } else if constexpr (std::is_same_v<V, char>) {
            prop.Kind = tkChar;
            prop.TypeName = "Char";
            prop.MinValue = 0;
            prop.MaxValue = 255;
            prop.GetOrd = [self, getter](const TObject* obj) -> Int64 {
                return static_cast<unsigned char>(std::invoke(getter, Cast(*self, obj)));
            };
            if constexpr (writable)
                prop.SetOrd = [self, setter](TObject* obj, Int64 value) {
                    if (value < 0 || value > 255) typinfo_detail::RaiseOutOfRange(*self, value);
                    std::invoke(setter, Cast(*self, obj), static_cast<char>(static_cast<unsigned char>(value)));
                };
        } else if constexpr (std::is_integral_v<V>) {
            static_assert(sizeof(V) < 8 || std::is_signed_v<V>, "unsigned 64-bit properties are not supported");
            prop.Kind = sizeof(V) == 8 ? tkInt64 : tkInteger;
            prop.TypeName = typinfo_detail::IntegerTypeName<V>();
            prop.MinValue = static_cast<Int64>(std::numeric_limits<V>::min());
            prop.MaxValue = static_cast<Int64>(std::numeric_limits<V>::max());
            prop.GetOrd = [self, getter](const TObject* obj) -> Int64 {
                return static_cast<Int64>(std::invoke(getter, Cast(*self, obj)));
            };
            if constexpr (writable)
                prop.SetOrd = [self, setter](TObject* obj, Int64 value) {
                    if (value < self->MinValue || value > self->MaxValue)
                        typinfo_detail::RaiseOutOfRange(*self, value);
                    std::invoke(setter, Cast(*self, obj), static_cast<V>(value));
                };
        } else if constexpr (std::is_floating_point_v<V>) {
            prop.Kind = tkFloat;
            if constexpr (std::is_same_v<V, float>) {
                prop.FloatType = ftSingle;
                prop.TypeName = "Single";
            } else if constexpr (std::is_same_v<V, double>) {
                prop.FloatType = ftDouble;
                prop.TypeName = "Double";
            } else {
                prop.FloatType = ftExtended;
                prop.TypeName = "Extended";
            }
            prop.GetFloat = [self, getter](const TObject* obj) -> long double {
                return static_cast<long double>(std::invoke(getter, Cast(*self, obj)));
            };
            if constexpr (writable)
                prop.SetFloat = [self, setter](TObject* obj, long double value) {
                    std::invoke(setter, Cast(*self, obj), static_cast<V>(value));
                };
        } else if constexpr (std::is_same_v<V, AnsiString>) {
            prop.Kind = tkLString;
            prop.TypeName = "AnsiString";
            prop.GetStr = [self, getter](const TObject* obj) -> AnsiString {
                return std::invoke(getter, Cast(*self, obj));
            };
            if constexpr (writable)
                prop.SetStr = [self, setter](TObject* obj, const AnsiString& value) {
                    std::invoke(setter, Cast(*self, obj), value);
                };
        } else if constexpr (std::is_pointer_v<V> &&
                             std::is_base_of_v<TObject, std::remove_cv_t<std::remove_pointer_t<V>>>) {
            using C = std::remove_cv_t<std::remove_pointer_t<V>>;
            prop.Kind = tkClass;
            prop.TypeName = typinfo_detail::ShortTypeName(typeid(C));
            if constexpr (std::is_base_of_v<TStrings, C>)
                prop.ClassKind = ckStrings;
            else if constexpr (std::is_base_of_v<TCollection, C>) {
                prop.ClassKind = ckCollection;
                FillCollection<C>(prop, getter);
            }
            else if constexpr (std::is_base_of_v<TComponent, C>)
                prop.ClassKind = ckComponent;
            else if constexpr (std::is_base_of_v<TPersistent, C>)
                prop.ClassKind = ckPersistent;
            else
                prop.ClassKind = ckOther;
            prop.GetObject = [self, getter](const TObject* obj) -> TObject* {
                return const_cast<C*>(std::invoke(getter, Cast(*self, obj)));
            };
            if constexpr (writable)
                prop.SetObject = [self, setter](TObject* obj, TObject* value) {
                    C* typed = dynamic_cast<C*>(value);
                    if (value && !typed) typinfo_detail::RaiseWrongValueClass(*self, value);
                    std::invoke(setter, Cast(*self, obj), typed);
                };
        } else {
            static_assert(sizeof(V) == 0, "this property type cannot be published");
        }
    }

    // A TCollection's items through its own interface (complete only where
    // a class publishes one, so instantiated there).
    template <class C, class Getter>
    static void FillCollection(TPropInfo& prop, Getter getter) {
        const TPropInfo* self = &prop;
        prop.ItemCount = [self, getter](const TObject* obj) {
            return static_cast<int>(std::invoke(getter, Cast(*self, obj))->Count());
        };
        prop.GetItem = [self, getter](const TObject* obj, int index) -> TObject* {
            return std::invoke(getter, Cast(*self, obj))->Items(index);
        };
        prop.AddItem = [self, getter](TObject* obj) -> TObject* { return std::invoke(getter, Cast(*self, obj))->Add(); };
        prop.ClearItems = [self, getter](TObject* obj) { std::invoke(getter, Cast(*self, obj))->Clear(); };
    }

    TClassInfo& FInfo;
    TPropInfo* FLast = nullptr;
};

// Specialised by VEMLOR_PUBLISHED for each publishing class.
template <class T>
class TPublished : public TPropRegistrar<T> {
public:
    using TPropRegistrar<T>::TPropRegistrar;
    void Register();

    static const TClassInfo& Build(const char* name, const TClassInfo* parent) {
        auto info = std::make_unique<TClassInfo>(name, typeid(T), parent);
        if constexpr (std::is_base_of_v<TComponent, T> && !std::is_abstract_v<T> &&
                      std::is_constructible_v<T, TComponent*>)
            info->SetFactory([](TComponent* AOwner) -> TComponent* { return new T(AOwner); });
        TPublished registrar(*info);
        registrar.Register();
        return typinfo_detail::AdoptClassInfo(std::move(info));
    }
};

// Defines Class::StaticClassInfo() and opens the body that registers the
// class's own published properties. Use at global scope in the class's .cpp.
#define VEMLOR_PUBLISHED(Class, Base)                                                      \
    static_assert(std::is_base_of_v<Base, Class>, #Base " is not a base of " #Class);     \
    template <>                                                                           \
    void TPublished<Class>::Register();                                                   \
    const TClassInfo& Class::StaticClassInfo() {                                          \
        static const TClassInfo& info =                                                   \
            TPublished<Class>::Build(#Class, typinfo_detail::BaseInfo<Base>());           \
        return info;                                                                      \
    }                                                                                     \
    template <>                                                                           \
    void TPublished<Class>::Register()

// --- Template definitions ---------------------------------------------------------

template <class Event>
Event GetMethodProp(const TObject* obj, const AnsiString& name) {
    const TPropInfo& prop = GetPropInfoOrRaise(obj, name);
    if (prop.Kind != tkMethod)
        throw EPropertyError("Property " + prop.Name + " is not an event");
    std::any value = prop.GetMethod(obj);
    if (const Event* handler = std::any_cast<Event>(&value)) return *handler;
    throw EPropertyError("Event " + prop.Name + " has another handler type");
}

template <class Event>
void SetMethodProp(TObject* obj, const AnsiString& name, Event handler) {
    const TPropInfo& prop = GetPropInfoOrRaise(obj, name);
    if (prop.Kind != tkMethod)
        throw EPropertyError("Property " + prop.Name + " is not an event");
    try {
        prop.SetMethod(obj, std::any(std::move(handler)));
    } catch (const std::bad_any_cast&) {
        throw EPropertyError("Event " + prop.Name + " has another handler type");
    }
}
