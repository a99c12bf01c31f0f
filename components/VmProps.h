#pragma once
// Published properties of a window's components kept as text in a settings
// section, one key per property: "ComboBox2.Text" is stored under the key
// ComboBox2_Text. Values by kind: integers in decimal, enumerations and
// Booleans by identifier ("True"), sets as "[a,b]", floats with "." at the
// precision of their type, strings as they are (trimmed), string lists and
// collections in a sub-section "<section>.<Component>_<Property>", component
// references by name ("(null)" for none), any other object through its own
// published properties under the key prefix <Component>_<Property>.

#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/Collection.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/System.h"
#include "platform/rtl/Variant.h"

class TComponent;
class TStrings;
class TClassInfo;
struct TPropInfo;

// The published properties of one object's class, every kind but events.
class TPropInfoList : public TObject {
public:
    explicit TPropInfoList(const TObject* Object);
    int Count() const { return static_cast<int>(FList.size()); }
    const TPropInfo* Items(int Index) const { return FList.at(static_cast<std::size_t>(Index)); }
    // By name ignoring case; nullptr when there is none.
    const TPropInfo* Find(const AnsiString& Name) const;

private:
    std::vector<const TPropInfo*> FList;
};

class TPropsStorage : public TObject {
public:
    using TReadStringEvent =
        std::function<AnsiString(const AnsiString& Section, const AnsiString& Key, const AnsiString& Default)>;
    using TWriteStringEvent =
        std::function<void(const AnsiString& Section, const AnsiString& Key, const AnsiString& Value)>;
    using TEraseSectionEvent = std::function<void(const AnsiString& Section)>;

    TPropsStorage() = default;

    TObject* AObject = nullptr;  // whose properties are converted
    TComponent* AOwner = nullptr;  // the form component references are resolved on
    AnsiString Prefix;
    AnsiString Section;
    TReadStringEvent OnReadString;
    TWriteStringEvent OnWriteString;
    TEraseSectionEvent OnEraseSection;

    // Every published property of AObject under Prefix in Section.
    void StoreProperties();
    void LoadProperties();
    // The lines "Component.Property" of a form's stored list; each line's
    // object is the component it names (lines without one are skipped).
    void StoreObjectsProps(TStrings* Lines);
    void LoadObjectsProps(TStrings* Lines);

    // One property of AObject as stored text, and back.
    AnsiString StoreValue(const TPropInfo& Prop);
    void LoadValue(const TPropInfo& Prop, const AnsiString& Text);

protected:
    virtual AnsiString ReadString(const AnsiString& ASection, const AnsiString& Key, const AnsiString& Default);
    virtual void WriteString(const AnsiString& ASection, const AnsiString& Key, const AnsiString& Value);
    virtual void EraseSection(const AnsiString& ASection);
    virtual AnsiString GetItemName(const AnsiString& PropName) const { return Prefix + PropName; }
    // A converter for an inner object, sharing this one's callbacks.
    virtual std::unique_ptr<TPropsStorage> CreateStorage() const;

private:
    void StoreProp(const TPropInfo& Prop);
    void LoadProp(const TPropInfo& Prop);
    void StoreObject(TObject* Object, const AnsiString& KeyName);
    void LoadObject(TObject* Object, const AnsiString& KeyName);
    void StoreStrings(TStrings* List, const AnsiString& KeyName);
    void LoadStrings(TStrings* List, const AnsiString& KeyName);
    void StoreCollection(TCollection* Collection, const AnsiString& KeyName);
    void LoadCollection(TCollection* Collection, const AnsiString& KeyName);
    AnsiString ComponentReference(const TComponent* Component) const;
    TComponent* FindReference(const AnsiString& Text) const;
    // nullptr once objects nest deeper than a stored layout ever does.
    std::unique_ptr<TPropsStorage> Nested(TObject* Object, const AnsiString& NestedPrefix,
                                          const AnsiString& NestedSection) const;

    int FDepth = 0;
};

class TStoredValue;
using TStoredValueEvent = std::function<void(TStoredValue* Sender, Variant& Value)>;

// A named value kept in the window's section (encoded with KeyString when set).
class TStoredValue : public TCollectionItem {
public:
    explicit TStoredValue(TCollection* Collection);

    const AnsiString& Name() const { return FName; }
    // Raises EStringListError "String list does not allow duplicates" when
    // another value of the collection has the name (ignoring case).
    void SetName(const AnsiString& Value);
    Variant Value;
    AnsiString KeyString;
    TStoredValueEvent OnSave;
    TStoredValueEvent OnRestore;

    AnsiString DisplayName() const override { return FName.empty() ? ClassName() : FName; }

private:
    AnsiString FName;
};

class TStoredValues : public TCollection {
public:
    explicit TStoredValues(TObject* Owner = nullptr);
    TStoredValue* Items(int Index) const;
    TStoredValue* Add() { return static_cast<TStoredValue*>(TCollection::Add()); }
    // nullptr when no value has the name (ignoring case).
    TStoredValue* FindValue(const AnsiString& Name) const;

    // Each value under the key of its Name, in collection order.
    void SaveValues(const std::function<void(const AnsiString& Key, const AnsiString& Value)>& Write);
    void RestoreValues(
        const std::function<AnsiString(const AnsiString& Key, const AnsiString& Default)>& Read);
};
