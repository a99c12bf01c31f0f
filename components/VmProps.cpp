#include "components/VmProps.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "components/StrUtils.h"
#include "platform/classes/Component.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

namespace {

const char* const NullReference = "(null)";
// Read back for a key that is not there; no stored line can equal it.
const char* const MissingKey = "\x01\x02missing\x03";
// A stored item count above this is damage, not a layout: it would make the
// load create that many items.
constexpr int MaxStoredItems = 4096;
// Objects reached through objects: a cycle of class properties stops here.
constexpr int MaxNesting = 8;

bool IsStringKind(TTypeKind kind) { return kind == tkString || kind == tkLString; }

// Set members 0-31, as the stored form has always held them.
AnsiString SetToText(const TPropInfo& prop, Int64 bits) {
    AnsiString text = "[";
    bool first = true;
    const int count = prop.EnumType ? std::min(prop.EnumType->Count(), 32) : 0;
    for (int i = 0; i < count; ++i) {
        if (((static_cast<std::uint64_t>(bits) >> i) & 1u) == 0) continue;
        if (!first) text += ",";
        text += prop.EnumType->Names[static_cast<std::size_t>(i)];
        first = false;
    }
    return text + "]";
}

Int64 TextToSet(const TPropInfo& prop, const AnsiString& text) {
    static const TCharSet separators{' ', ',', '[', ']'};
    std::uint64_t bits = 0;
    const int words = CountWords(text, separators);
    const int count = prop.EnumType ? std::min(prop.EnumType->Count(), 32) : 0;
    for (int w = 1; w <= words; ++w) {
        const AnsiString word = NthWord(w, text, separators);
        for (int i = 0; i < count; ++i)
            if (SameText(word, prop.EnumType->Names[static_cast<std::size_t>(i)])) bits |= std::uint64_t{1} << i;
    }
    return static_cast<Int64>(bits);
}

struct TUpdateGuard {
    explicit TUpdateGuard(TCollection* c) : C(c) { C->BeginUpdate(); }
    ~TUpdateGuard() { C->EndUpdate(); }
    TCollection* C;
};

}  // namespace

// --- TPropInfoList ------------------------------------------------------------

TPropInfoList::TPropInfoList(const TObject* Object) {
    for (const TPropInfo* prop : GetPropList(Object))
        if (prop->Kind != tkMethod) FList.push_back(prop);
}

const TPropInfo* TPropInfoList::Find(const AnsiString& Name) const {
    for (const TPropInfo* prop : FList)
        if (SameText(prop->Name, Name)) return prop;
    return nullptr;
}

// --- TPropsStorage ------------------------------------------------------------

AnsiString TPropsStorage::ReadString(const AnsiString& ASection, const AnsiString& Key, const AnsiString& Default) {
    return OnReadString ? OnReadString(ASection, Key, Default) : AnsiString();
}

void TPropsStorage::WriteString(const AnsiString& ASection, const AnsiString& Key, const AnsiString& Value) {
    if (OnWriteString) OnWriteString(ASection, Key, Value);
}

void TPropsStorage::EraseSection(const AnsiString& ASection) {
    if (OnEraseSection) OnEraseSection(ASection);
}

std::unique_ptr<TPropsStorage> TPropsStorage::CreateStorage() const {
    auto storage = std::make_unique<TPropsStorage>();
    storage->OnReadString = OnReadString;
    storage->OnWriteString = OnWriteString;
    storage->OnEraseSection = OnEraseSection;
    return storage;
}

std::unique_ptr<TPropsStorage> TPropsStorage::Nested(TObject* Object, const AnsiString& NestedPrefix,
                                                     const AnsiString& NestedSection) const {
    if (FDepth >= MaxNesting) return nullptr;
    auto storage = CreateStorage();
    storage->AObject = Object;
    storage->AOwner = AOwner;
    storage->Prefix = NestedPrefix;
    storage->Section = NestedSection;
    storage->FDepth = FDepth + 1;
    return storage;
}

AnsiString TPropsStorage::StoreValue(const TPropInfo& Prop) {
    switch (Prop.Kind) {
    case tkInteger:
    case tkInt64: return IntToStr(GetOrdProp(AObject, Prop));
    case tkChar: return AnsiString(1, static_cast<char>(GetOrdProp(AObject, Prop) & 0xFF));
    case tkEnumeration: {
        const Int64 ord = GetOrdProp(AObject, Prop);
        if (Prop.EnumType && ord >= 0 && ord < Prop.EnumType->Count())
            return Prop.EnumType->Names[static_cast<std::size_t>(ord)];
        return IntToStr(ord);
    }
    case tkSet: return SetToText(Prop, GetOrdProp(AObject, Prop));
    case tkFloat:
    case tkString:
    case tkLString: return GetPropValue(AObject, Prop);
    case tkClass:
        if (Prop.ClassKind == ckComponent)
            return ComponentReference(dynamic_cast<TComponent*>(Prop.GetObject(AObject)));
        return "";
    default: return "";
    }
}

void TPropsStorage::LoadValue(const TPropInfo& Prop, const AnsiString& Text) {
    if (!Prop.IsWritable()) return;
    switch (Prop.Kind) {
    case tkInteger:
    case tkInt64: SetOrdProp(AObject, Prop, StrToInt64Def(Text, 0)); break;
    case tkChar:
        if (!Text.empty()) SetOrdProp(AObject, Prop, static_cast<unsigned char>(Text[0]));
        break;
    case tkEnumeration:
        if (!Prop.EnumType) break;
        for (int i = 0; i < Prop.EnumType->Count(); ++i)
            if (SameText(Text, Prop.EnumType->Names[static_cast<std::size_t>(i)])) {
                SetOrdProp(AObject, Prop, i);
                break;
            }
        break;
    case tkSet: SetOrdProp(AObject, Prop, TextToSet(Prop, Text)); break;
    case tkFloat: SetPropValue(AObject, Prop, Text); break;
    case tkString:
    case tkLString: SetStrProp(AObject, Prop, Text); break;
    case tkClass:
        if (Prop.ClassKind != ckComponent || Text.empty() || !Prop.SetObject) break;
        Prop.SetObject(AObject, SameText(Text, NullReference) ? nullptr : FindReference(Text));
        break;
    default: break;
    }
}

AnsiString TPropsStorage::ComponentReference(const TComponent* Component) const {
    if (!Component) return NullReference;
    const TComponent* owner = Component->Owner();
    if (!owner || owner == AOwner) return Component->Name();
    AnsiString ownerName = owner->Name();
    if (ownerName.empty()) {
        ownerName = owner->ClassName();
        if (!ownerName.empty() && ownerName[0] == 'T') ownerName.erase(0, 1);
    }
    return ownerName + "." + Component->Name();
}

TComponent* TPropsStorage::FindReference(const AnsiString& Text) const {
    const auto dot = Text.find('.');
    if (dot == AnsiString::npos) return AOwner ? AOwner->FindComponent(Text) : nullptr;
    const AnsiString ownerName = Text.substr(0, dot);
    const AnsiString name = Text.substr(dot + 1);
    TComponent* owner = nullptr;
    for (int i = 0; i < Screen->FormCount() && !owner; ++i)
        if (SameText(Screen->Forms(i)->Name(), ownerName)) owner = Screen->Forms(i);
    for (int i = 0; i < Screen->DataModuleCount() && !owner; ++i)
        if (SameText(Screen->DataModules(i)->Name(), ownerName)) owner = Screen->DataModules(i);
    return owner ? owner->FindComponent(name) : nullptr;
}

void TPropsStorage::StoreProp(const TPropInfo& Prop) {
    const AnsiString key = GetItemName(Prop.Name);
    if (Prop.Kind == tkMethod) return;
    if (Prop.Kind == tkClass) {
        TObject* object = Prop.GetObject(AObject);
        switch (Prop.ClassKind) {
        case ckComponent: WriteString(Section, key, StoreValue(Prop)); return;
        case ckStrings:
            if (auto* list = dynamic_cast<TStrings*>(object)) StoreStrings(list, key);
            break;
        case ckCollection:
            if (auto* collection = dynamic_cast<TCollection*>(object)) StoreCollection(collection, key);
            break;
        default: break;
        }
        if (object) StoreObject(object, key);
        return;
    }
    const AnsiString text = Trim(StoreValue(Prop));
    if (!text.empty() || IsStringKind(Prop.Kind)) WriteString(Section, key, text);
}

void TPropsStorage::LoadProp(const TPropInfo& Prop) {
    const AnsiString key = GetItemName(Prop.Name);
    if (Prop.Kind == tkMethod) return;
    if (Prop.Kind == tkClass) {
        TObject* object = Prop.GetObject(AObject);
        switch (Prop.ClassKind) {
        case ckComponent: LoadValue(Prop, Trim(ReadString(Section, key, ""))); return;
        case ckStrings:
            if (auto* list = dynamic_cast<TStrings*>(object)) LoadStrings(list, key);
            break;
        case ckCollection:
            if (auto* collection = dynamic_cast<TCollection*>(object)) LoadCollection(collection, key);
            break;
        default: break;
        }
        if (object) LoadObject(object, key);
        return;
    }
    const AnsiString current = StoreValue(Prop);
    if (current.empty() && !IsStringKind(Prop.Kind)) return;
    const AnsiString text = ReadString(Section, key, current);
    // A missing key leaves the property exactly as it is.
    if (text == current) return;
    LoadValue(Prop, Trim(text));
}

void TPropsStorage::StoreObject(TObject* Object, const AnsiString& KeyName) {
    if (auto nested = Nested(Object, KeyName, Section)) nested->StoreProperties();
}

void TPropsStorage::LoadObject(TObject* Object, const AnsiString& KeyName) {
    if (auto nested = Nested(Object, KeyName, Section)) nested->LoadProperties();
}

void TPropsStorage::StoreStrings(TStrings* List, const AnsiString& KeyName) {
    const AnsiString sub = Section + "." + KeyName;
    EraseSection(sub);
    if (List->Count() == 0) return;
    WriteString(sub, "Count", IntToStr(List->Count()));
    for (int i = 0; i < List->Count(); ++i) WriteString(sub, "Item" + IntToStr(i), List->Strings(i));
}

void TPropsStorage::LoadStrings(TStrings* List, const AnsiString& KeyName) {
    const AnsiString sub = Section + "." + KeyName;
    const int count = StrToIntDef(Trim(ReadString(sub, "Count", "0")), 0);
    if (count <= 0) return;
    TStringList lines;
    // A count larger than the lines present is damage: the lines end at the
    // first missing item instead of growing by empty ones.
    for (int i = 0; i < count; ++i) {
        const AnsiString line = ReadString(sub, "Item" + IntToStr(i), MissingKey);
        if (line == MissingKey) break;
        lines.Add(line);
    }
    List->Assign(&lines);
}

void TPropsStorage::StoreCollection(TCollection* Collection, const AnsiString& KeyName) {
    WriteString(Section, KeyName + ".Count", IntToStr(Collection->Count()));
    const AnsiString sub = Section + "." + KeyName;
    EraseSection(sub);
    for (int i = 0; i < Collection->Count(); ++i)
        if (auto nested = Nested(Collection->Items(i), Format("Item%d_", i), sub)) nested->StoreProperties();
}

void TPropsStorage::LoadCollection(TCollection* Collection, const AnsiString& KeyName) {
    const int current = Collection->Count();
    int count = StrToIntDef(Trim(ReadString(Section, KeyName + ".Count", IntToStr(current))), current);
    if (count < 0 || count > MaxStoredItems) count = current;
    const AnsiString sub = Section + "." + KeyName;
    TUpdateGuard update(Collection);
    if (count != current) {
        Collection->Clear();
        for (int i = 0; i < count; ++i) Collection->Add();
    }
    for (int i = 0; i < Collection->Count(); ++i)
        if (auto nested = Nested(Collection->Items(i), Format("Item%d_", i), sub)) nested->LoadProperties();
}

void TPropsStorage::StoreProperties() {
    if (!AObject) return;
    TPropInfoList list(AObject);
    for (int i = 0; i < list.Count(); ++i) StoreProp(*list.Items(i));
}

void TPropsStorage::LoadProperties() {
    if (!AObject) return;
    TPropInfoList list(AObject);
    for (int i = 0; i < list.Count(); ++i) {
        try {
            LoadProp(*list.Items(i));
        } catch (...) {
            // One unreadable value leaves its property as it was.
        }
    }
}

namespace {
AnsiString PropertyOfLine(const AnsiString& line) {
    const auto dot = line.find('.');
    return dot == AnsiString::npos ? AnsiString() : Trim(line.substr(dot + 1));
}
}  // namespace

void TPropsStorage::StoreObjectsProps(TStrings* Lines) {
    std::vector<std::pair<TComponent*, std::unique_ptr<TPropInfoList>>> lists;
    for (int i = 0; i < Lines->Count(); ++i) {
        auto* component = dynamic_cast<TComponent*>(Lines->Objects(i));
        if (!component) continue;
        auto it = std::find_if(lists.begin(), lists.end(), [&](auto& e) { return e.first == component; });
        if (it == lists.end()) {
            lists.emplace_back(component, std::make_unique<TPropInfoList>(component));
            it = std::prev(lists.end());
        }
        const TPropInfo* prop = it->second->Find(PropertyOfLine(Lines->Strings(i)));
        if (!prop) continue;
        Nested(component, component->Name() + "_", Section)->StoreProp(*prop);
    }
}

void TPropsStorage::LoadObjectsProps(TStrings* Lines) {
    for (int i = 0; i < Lines->Count(); ++i) {
        auto* component = dynamic_cast<TComponent*>(Lines->Objects(i));
        if (!component) continue;
        try {
            TPropInfoList list(component);
            const TPropInfo* prop = list.Find(PropertyOfLine(Lines->Strings(i)));
            if (!prop) continue;
            Nested(component, component->Name() + "_", Section)->LoadProp(*prop);
        } catch (...) {
            // One unreadable value leaves its property as it was.
        }
    }
}

// --- Stored values ----------------------------------------------------------------

TStoredValue::TStoredValue(TCollection* Collection) : TCollectionItem(Collection) {}

void TStoredValue::SetName(const AnsiString& Value) {
    if (Value == FName) return;
    if (auto* values = dynamic_cast<TStoredValues*>(Collection()))
        if (TStoredValue* other = values->FindValue(Value); other && other != this)
            throw EStringListError("String list does not allow duplicates");
    FName = Value;
}

TStoredValues::TStoredValues(TObject* Owner) : TCollection(CollectionItemClass<TStoredValue>(), Owner) {}

TStoredValue* TStoredValues::Items(int Index) const {
    return static_cast<TStoredValue*>(TCollection::Items(Index));
}

TStoredValue* TStoredValues::FindValue(const AnsiString& Name) const {
    if (Name.empty()) return nullptr;
    for (int i = 0; i < Count(); ++i)
        if (SameText(Items(i)->Name(), Name)) return Items(i);
    return nullptr;
}

namespace {
AnsiString VariantText(const Variant& value) {
    if (value.IsNull() || value.IsEmpty() || value.IsArray()) return "";
    return value.AsString();
}
}  // namespace

void TStoredValues::SaveValues(const std::function<void(const AnsiString& Key, const AnsiString& Value)>& Write) {
    for (int i = 0; i < Count(); ++i) {
        TStoredValue* item = Items(i);
        if (item->Name().empty()) continue;
        Variant value = item->Value;
        if (item->OnSave) item->OnSave(item, value);
        AnsiString text = VariantText(value);
        if (!item->KeyString.empty()) text = EncodeHexWithKey(item->KeyString, text);
        Write(item->Name(), text);
    }
}

void TStoredValues::RestoreValues(
    const std::function<AnsiString(const AnsiString& Key, const AnsiString& Default)>& Read) {
    for (int i = 0; i < Count(); ++i) {
        TStoredValue* item = Items(i);
        if (item->Name().empty()) continue;
        AnsiString text = VariantText(item->Value);
        if (!item->KeyString.empty()) text = EncodeHexWithKey(item->KeyString, text);
        text = Read(item->Name(), text);
        if (!item->KeyString.empty()) text = DecodeHexWithKey(item->KeyString, text);
        Variant value(text);
        if (item->OnRestore) item->OnRestore(item, value);
        item->Value = value;
    }
}
