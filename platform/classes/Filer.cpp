#include "platform/classes/Filer.h"

#include <algorithm>
#include <typeinfo>

#include "platform/classes/FilerSupport.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"

using filer_detail::TWatchList;

namespace {

// A fault whose message already names the file, the line and the property;
// it passes the wrapping in ReadProperty unchanged.
VEMLOR_DECLARE_EXCEPTION(EFormFault, EReadError);

struct TFixup {
    TComponent* Component = nullptr;   // whose property (or sub-object's) takes the reference
    TObject* Instance = nullptr;
    const TPropInfo* Prop = nullptr;
    AnsiString Reference;              // "PopupMenu1" or "DM.AdresaDS"
    AnsiString FileName;
    AnsiString Where;                  // "Button1.PopupMenu", for messages
    int Line = 0;
};

// References to forms and data modules not yet read, waiting across reads.
struct TGlobalFixups {
    TWatchList Watch;
    std::vector<TFixup> List;
};

TGlobalFixups& GlobalFixups() {
    static TGlobalFixups fixups;
    return fixups;
}

TFindGlobalComponent& GlobalFinder() {
    static TFindGlobalComponent finder;
    return finder;
}

AnsiString Title(const TComponent* Component) {
    return Component->Name().empty() ? Component->ClassName() : Component->Name();
}

std::vector<AnsiString> SplitDots(const AnsiString& Path) {
    std::vector<AnsiString> parts;
    size_t start = 0;
    for (;;) {
        size_t dot = Path.find('.', start);
        parts.push_back(Path.substr(start, dot == AnsiString::npos ? AnsiString::npos : dot - start));
        if (dot == AnsiString::npos) return parts;
        start = dot + 1;
    }
}

}  // namespace

// --- Finding forms and data modules ------------------------------------------------

void SetFindGlobalComponent(TFindGlobalComponent Finder) {
    GlobalFinder() = std::move(Finder);
}

TComponent* FindGlobalComponent(const AnsiString& Name) {
    const TFindGlobalComponent& finder = GlobalFinder();
    return finder ? finder(Name) : nullptr;
}

int PendingFixupCount() {
    TGlobalFixups& fixups = GlobalFixups();
    return static_cast<int>(std::count_if(fixups.List.begin(), fixups.List.end(),
                                          [&](const TFixup& f) { return fixups.Watch.Alive(f.Component); }));
}

void GlobalFixupReferences() {
    TGlobalFixups& fixups = GlobalFixups();
    std::vector<TFixup> waiting;
    waiting.swap(fixups.List);
    for (TFixup& fixup : waiting) {
        if (!fixups.Watch.Alive(fixup.Component)) continue;
        size_t dot = fixup.Reference.find('.');
        TComponent* root = FindGlobalComponent(fixup.Reference.substr(0, dot));
        TComponent* target = root && !root->ComponentState().Contains(csLoading)
                                 ? root->FindComponent(fixup.Reference.substr(dot + 1))
                                 : nullptr;
        if (!target) {
            fixups.List.push_back(fixup);
            continue;
        }
        fixup.Prop->SetObject(fixup.Instance, target);
    }
}

// --- TReader ---------------------------------------------------------------------------

struct TReader::TState {
    TComponent* Root = nullptr;
    TWatchList Read;      // the root and every component created, in creation order
    TWatchList Created;   // created by this read: freed again when it fails
    std::vector<TFixup> Fixups;
    const TFormObject* Current = nullptr;

    // A DefineProperties call looking for one name.
    const AnsiString* WantedName = nullptr;
    const TFormValue* WantedValue = nullptr;
    bool Found = false;

    // The values a DefineProperty reader walks: the property's value as a
    // list of one, and the lists it enters.
    struct TFrame {
        const std::vector<TFormValue>* Items;
        size_t Index;
        int Line;
    };
    std::vector<TFormValue> Single;
    std::vector<TFrame> Frames;
};

TReader::TReader(const AnsiString& Text, const AnsiString& FileName)
    : FState(std::make_unique<TState>()), FFileName(FileName), FTree(ParseFormText(Text, FileName)) {}

TReader::~TReader() = default;

// The pieces of reading that need the state; kept apart from the public
// interface so that the header stays small.
class TReaderImpl {
public:
    TReaderImpl(TReader& Reader, TReader::TState& State, const AnsiString& FileName)
        : FReader(Reader), FState(State), FFileName(FileName) {}

    [[noreturn]] void Fault(int Line, const AnsiString& What) const {
        throw EFormFault(FFileName + "(" + std::to_string(Line) + "): " + What);
    }

    void ReadObject(TComponent* Instance, const TFormObject& Node) {
        const TFormObject* outer = FState.Current;
        FState.Current = &Node;
        auto restore = ScopeExit([&] { FState.Current = outer; });
        Instance->ReadState(&FReader);
        for (const TFormObject& child : Node.Children) ReadChild(Instance, child);
    }

    void ReadChild(TComponent* Parent, const TFormObject& Node) {
        const TClassInfo* info = GetClass(Node.ClassName);
        if (!info)
            throw EClassNotFound(FFileName + "(" + std::to_string(Node.Line) + "): Class " + Node.ClassName +
                                 " not found");
        if (!info->Factory()) Fault(Node.Line, "Class " + Node.ClassName + " cannot be created by a form file");
        TComponent* component = nullptr;
        try {
            component = info->CreateInstance(FState.Root);
        } catch (const Exception& e) {
            Fault(Node.Line, "Error creating " + (Node.Name.empty() ? Node.ClassName : Node.Name) + ": " + e.Message());
        }
        FState.Created.Add(component);
        FState.Read.Add(component);
        component->FComponentState.Include(csLoading).Include(csReading);
        try {
            if (!Node.Name.empty()) component->SetName(Node.Name);
            component->SetParentComponent(Parent);
        } catch (const EFormFault&) {
            throw;
        } catch (const Exception& e) {
            Fault(Node.Line, "Error creating " + (Node.Name.empty() ? Node.ClassName : Node.Name) + ": " + e.Message());
        }
        ReadObject(component, Node);
    }

    // Handlers are bound after the other properties, so that setting a
    // value while reading (a check box's Checked) fires no handler.
    void ReadProperties(TComponent* Instance) {
        if (!FState.Current) throw EReadError("No form file object is being read");
        std::vector<const TFormProperty*> handlers;
        for (const TFormProperty& prop : FState.Current->Properties) {
            const TPropInfo* info = GetPropInfo(Instance, prop.Name);
            if (info && info->Kind == tkMethod)
                handlers.push_back(&prop);
            else
                ReadProperty(Instance, Instance, Title(Instance), prop);
        }
        for (const TFormProperty* prop : handlers) ReadProperty(Instance, Instance, Title(Instance), *prop);
    }

    // One property of Target (Instance itself, or a collection item of it);
    // faults of the setters come back naming the file, line and property.
    void ReadProperty(TComponent* Instance, TObject* Target, const AnsiString& Where, const TFormProperty& Prop) {
        try {
            ApplyProperty(Instance, Target, Where + "." + Prop.Name, Prop);
        } catch (const EFormFault&) {
            throw;
        } catch (const EClassNotFound&) {
            throw;
        } catch (const Exception& e) {
            Fault(Prop.Line, "Error reading " + Where + "." + Prop.Name + ": " + e.Message());
        }
    }

    void ApplyProperty(TComponent* Instance, TObject* Target, const AnsiString& Where, const TFormProperty& Prop) {
        std::vector<AnsiString> parts = SplitDots(Prop.Name);
        TObject* object = Target;
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            const TPropInfo* step = GetPropInfo(object, parts[i]);
            if (!step) Fault(Prop.Line, "Error reading " + Where + ": property " + parts[i] + " does not exist");
            if (step->Kind != tkClass || step->ClassKind == ckComponent || step->ClassKind == ckCollection)
                Fault(Prop.Line, "Error reading " + Where + ": " + parts[i] + " is not a nested object");
            object = step->GetObject(object);
            if (!object) Fault(Prop.Line, "Error reading " + Where + ": " + parts[i] + " is not set");
        }
        const AnsiString& name = parts.back();
        if (auto* strings = dynamic_cast<TStrings*>(object); strings && SameText(name, "Strings")) {
            ReadStrings(strings, Prop.Value, Where);
            return;
        }
        const TPropInfo* prop = GetPropInfo(object, name);
        if (!prop) {
            if (auto* persistent = dynamic_cast<TPersistent*>(object); persistent && ReadDefined(persistent, name, Prop.Value))
                return;
            Fault(Prop.Line, "Error reading " + Where + ": property " + name + " does not exist");
        }
        SetValue(Instance, object, *prop, Prop.Value, Where);
    }

    [[noreturn]] void BadValue(const TFormValue& Value, const TPropInfo& Prop, const AnsiString& Where) const {
        AnsiString shown;
        switch (Value.Type) {
            case vaInteger: shown = std::to_string(Value.Integer); break;
            case vaFloat:
            case vaIdent: shown = Value.Text; break;
            case vaString: shown = "'" + Value.Text.substr(0, 40) + "'"; break;
            case vaSet: shown = "a set"; break;
            case vaList: shown = "a list"; break;
            case vaCollection: shown = "a collection"; break;
            case vaBinary: shown = "binary data"; break;
        }
        Fault(Value.Line, "Error reading " + Where + ": " + shown + " is not a valid value for " + Prop.Name + " (" +
                              Prop.TypeName + ")");
    }

    void RequireWritable(const TPropInfo& Prop, const TFormValue& Value, const AnsiString& Where) const {
        if (!Prop.IsWritable()) Fault(Value.Line, "Error reading " + Where + ": property " + Prop.Name + " is read-only");
    }

    void SetValue(TComponent* Instance, TObject* Object, const TPropInfo& Prop, const TFormValue& Value,
                  const AnsiString& Where) {
        switch (Prop.Kind) {
            case tkInteger:
            case tkInt64: {
                RequireWritable(Prop, Value, Where);
                Int64 number = 0;
                if (Value.Type == vaInteger)
                    number = Value.Integer;
                else if ((Value.Type == vaIdent || Value.Type == vaString) && Prop.Idents &&
                         IdentToInt(*Prop.Idents, Value.Text, number))
                    ;
                else
                    BadValue(Value, Prop, Where);
                Prop.SetOrd(Object, number);
                return;
            }
            case tkChar:
                RequireWritable(Prop, Value, Where);
                if (Value.Type == vaString && Value.Text.size() == 1)
                    Prop.SetOrd(Object, static_cast<unsigned char>(Value.Text[0]));
                else if (Value.Type == vaInteger)
                    Prop.SetOrd(Object, Value.Integer);
                else
                    BadValue(Value, Prop, Where);
                return;
            case tkEnumeration: {
                RequireWritable(Prop, Value, Where);
                int ordinal = Value.Type == vaIdent ? GetEnumValue(*Prop.EnumType, Value.Text) : -1;
                if (ordinal < 0) BadValue(Value, Prop, Where);
                Prop.SetOrd(Object, ordinal);
                return;
            }
            case tkSet: {
                RequireWritable(Prop, Value, Where);
                if (Value.Type != vaSet) BadValue(Value, Prop, Where);
                std::uint64_t bits = 0;
                for (const AnsiString& member : Value.Members) {
                    int ordinal = GetEnumValue(*Prop.EnumType, member);
                    if (ordinal < 0 || ordinal >= 64)
                        Fault(Value.Line, "Error reading " + Where + ": " + member + " is not a member of " +
                                              Prop.TypeName);
                    bits |= std::uint64_t{1} << ordinal;
                }
                Prop.SetOrd(Object, static_cast<Int64>(bits));
                return;
            }
            case tkFloat: {
                RequireWritable(Prop, Value, Where);
                long double number = 0;
                if (Value.Type == vaInteger)
                    number = static_cast<long double>(Value.Integer);
                else if (Value.Type != vaFloat || !ParseFormFloat(Value.Text, number))
                    BadValue(Value, Prop, Where);
                Prop.SetFloat(Object, number);
                return;
            }
            case tkString:
            case tkLString:
                RequireWritable(Prop, Value, Where);
                if (Value.Type != vaString) BadValue(Value, Prop, Where);
                Prop.SetStr(Object, Value.Text);
                return;
            case tkMethod:
                if (Value.Type != vaIdent) BadValue(Value, Prop, Where);
                BindMethod(Object, Prop, Value, Where);
                return;
            case tkClass:
                SetClassValue(Instance, Object, Prop, Value, Where);
                return;
            case tkUnknown:
                break;
        }
        BadValue(Value, Prop, Where);
    }

    void SetClassValue(TComponent* Instance, TObject* Object, const TPropInfo& Prop, const TFormValue& Value,
                       const AnsiString& Where) {
        if (Prop.ClassKind == ckStrings && Value.Type == vaList) {
            auto* strings = dynamic_cast<TStrings*>(Prop.GetObject(Object));
            if (!strings) Fault(Value.Line, "Error reading " + Where + ": the list is not set");
            ReadStrings(strings, Value, Where);
            return;
        }
        if (Prop.ClassKind == ckCollection && Value.Type == vaCollection && Prop.AddItem) {
            ReadCollection(Instance, Object, Prop, Value, Where);
            return;
        }
        if (Value.Type != vaIdent) BadValue(Value, Prop, Where);
        RequireWritable(Prop, Value, Where);
        if (SameText(Value.Text, "nil")) {
            Prop.SetObject(Object, nullptr);
            return;
        }
        FState.Fixups.push_back(TFixup{Instance, Object, &Prop, Value.Text, FFileName, Where, Value.Line});
    }

    void ReadStrings(TStrings* Strings, const TFormValue& Value, const AnsiString& Where) {
        if (Value.Type != vaList) Fault(Value.Line, "Error reading " + Where + ": a list of strings expected");
        Strings->BeginUpdate();
        auto end = ScopeExit([&] { Strings->EndUpdate(); });
        Strings->Clear();
        for (const TFormValue& item : Value.Items) {
            if (item.Type != vaString) Fault(item.Line, "Error reading " + Where + ": a string expected in the list");
            Strings->Add(item.Text);
        }
    }

    void ReadCollection(TComponent* Instance, TObject* Object, const TPropInfo& Prop, const TFormValue& Value,
                        const AnsiString& Where) {
        Prop.ClearItems(Object);
        int index = 0;
        for (const TFormItem& item : Value.CollectionItems) {
            TObject* added = Prop.AddItem(Object);
            AnsiString itemWhere = Where + "[" + std::to_string(index++) + "]";
            for (const TFormProperty& prop : item.Properties) ReadProperty(Instance, added, itemWhere, prop);
        }
    }

    void BindMethod(TObject* Object, const TPropInfo& Prop, const TFormValue& Value, const AnsiString& Where) {
        const TClassInfo* rootInfo = GetClassInfo(FState.Root);
        const TMethodInfo* method = rootInfo ? rootInfo->FindMethod(Value.Text) : nullptr;
        if (!method)
            Fault(Value.Line, "Error reading " + Where + ": " + FState.Root->ClassName() + " has no handler named " +
                                  Value.Text);
        std::any handler = method->Bind(FState.Root);
        try {
            Prop.SetMethod(Object, handler);
        } catch (const std::bad_any_cast&) {
            Fault(Value.Line, "Error reading " + Where + ": handler " + Value.Text + " (" + method->Signature +
                                  ") does not fit the event " + Prop.Name);
        }
    }

    // Asks the object's DefineProperties for Name; true when it read it.
    bool ReadDefined(TPersistent* Object, const AnsiString& Name, const TFormValue& Value) {
        FState.WantedName = &Name;
        FState.WantedValue = &Value;
        FState.Found = false;
        auto clear = ScopeExit([&] {
            FState.WantedName = nullptr;
            FState.WantedValue = nullptr;
        });
        Object->DefineProperties(&FReader);
        return FState.Found;
    }

    // Runs a DefineProperty reader over the wanted value.
    void RunDefined(const TReaderProc& ReadData) {
        const TFormValue& value = *FState.WantedValue;
        FState.Found = true;
        if (!ReadData) return;
        FState.Single.assign(1, value);
        FState.Frames.assign(1, TReader::TState::TFrame{&FState.Single, 0, value.Line});
        auto clear = ScopeExit([&] { FState.Frames.clear(); });
        ReadData(FReader);
        if (FState.Frames.size() != 1 || FState.Frames.back().Index != 1)
            Fault(value.Line, "Error reading " + *FState.WantedName + ": the value was not read to its end");
    }

    void RunDefinedBinary(const TStreamProc& ReadData) {
        const TFormValue& value = *FState.WantedValue;
        FState.Found = true;
        if (value.Type != vaBinary) Fault(value.Line, "Error reading " + *FState.WantedName + ": binary data expected");
        if (!ReadData) return;
        TStringStream stream(value.Text);
        ReadData(stream);
    }

    // The next value of a DefineProperty reader.
    const TFormValue& Next(const char* Wanted) {
        if (FState.Frames.empty()) throw EReadError("No value is being read");
        auto& frame = FState.Frames.back();
        if (frame.Index >= frame.Items->size()) Fault(frame.Line, AnsiString(Wanted) + " expected, found the end of the list");
        return (*frame.Items)[frame.Index++];
    }

    [[noreturn]] void WrongValue(const TFormValue& Value, const char* Wanted) const {
        Fault(Value.Line, "Error reading " + (FState.WantedName ? *FState.WantedName : AnsiString("a value")) + ": " +
                              Wanted + " expected");
    }

    // After the tree: each reference names a component of this form, of a
    // form that exists, or of one that does not exist yet (it waits).
    void ResolveFixups() {
        for (const TFixup& fixup : FState.Fixups) {
            if (!FState.Read.Alive(fixup.Component)) continue;
            AnsiString name = fixup.Reference;
            TComponent* target = nullptr;
            size_t dot = name.find('.');
            if (dot == AnsiString::npos) {
                target = SameText(name, FState.Root->Name()) ? FState.Root : FState.Root->FindComponent(name);
                if (!target)
                    Fault(fixup.Line, "Error reading " + fixup.Where + ": there is no component named " + name);
            } else {
                AnsiString rootName = name.substr(0, dot);
                AnsiString componentName = name.substr(dot + 1);
                TComponent* root = SameText(rootName, FState.Root->Name()) ? FState.Root : FindGlobalComponent(rootName);
                if (!root) {
                    TGlobalFixups& global = GlobalFixups();
                    global.Watch.Add(fixup.Component);
                    global.List.push_back(fixup);
                    continue;
                }
                target = root->FindComponent(componentName);
                if (!target)
                    Fault(fixup.Line, "Error reading " + fixup.Where + ": " + rootName + " has no component named " +
                                          componentName);
            }
            try {
                fixup.Prop->SetObject(fixup.Instance, target);
            } catch (const Exception& e) {
                Fault(fixup.Line, "Error reading " + fixup.Where + ": " + e.Message());
            }
        }
    }

    // The root class's published fields take the components of their names.
    void BindFields(int Line) {
        const TClassInfo* info = GetClassInfo(FState.Root);
        if (!info) return;
        for (const TFieldInfo* field : info->Fields()) {
            TComponent* component = FState.Root->FindComponent(field->Name);
            if (!component)
                Fault(Line, FState.Root->ClassName() + "::" + field->Name + " has no component of that name in the form file");
            if (!field->Assign(FState.Root, component))
                Fault(Line, FState.Root->ClassName() + "::" + field->Name + " is a " + field->ClassName +
                                ", but the form file's " + field->Name + " is a " + component->ClassName());
        }
    }

private:
    TReader& FReader;
    TReader::TState& FState;
    const AnsiString& FFileName;
};

namespace {

void SetUniqueName(TComponent* Root, const AnsiString& Name) {
    TComponent* owner = Root->Owner();
    AnsiString candidate = Name;
    for (int i = 1; owner && owner->FindComponent(candidate) && owner->FindComponent(candidate) != Root; ++i)
        candidate = Name + "_" + std::to_string(i);
    Root->SetName(candidate);
}

}  // namespace

TComponent* TReader::ReadRootComponent(TComponent* Root) {
    TReaderImpl impl(*this, *FState, FFileName);
    bool ownRoot = false;
    if (!Root) {
        const TClassInfo* info = GetClass(FTree.ClassName);
        if (!info)
            throw EClassNotFound(FFileName + "(" + std::to_string(FTree.Line) + "): Class " + FTree.ClassName +
                                 " not found");
        Root = info->CreateInstance(nullptr);
        ownRoot = true;
    } else {
        const TClassInfo* info = GetClassInfo(Root);
        if (!SameText(Root->ClassName(), FTree.ClassName) && !(info && info->InheritsFrom(FTree.ClassName)))
            impl.Fault(FTree.Line, "the form file describes a " + FTree.ClassName + ", not a " + Root->ClassName());
    }
    FRoot = Root;
    FState->Root = Root;
    FState->Read.Add(Root);
    Root->FComponentState.Include(csLoading).Include(csReading);
    auto undo = ScopeFail([&] {
        // Last created first; a parent freeing its children takes them out of
        // the list before their turn comes.
        const auto& created = FState->Created.Items();
        for (size_t i = created.size(); i-- > 0;)
            if (TComponent* component = created[i]) delete component;
        if (ownRoot)
            delete Root;
        else
            Root->FComponentState.Exclude(csLoading).Exclude(csReading);
    });
    if (Root->Name().empty() && !FTree.Name.empty()) SetUniqueName(Root, FTree.Name);
    impl.ReadObject(Root, FTree);
    impl.BindFields(FTree.Line);
    impl.ResolveFixups();
    for (TComponent* component : FState->Read.Items())
        if (component) component->FComponentState.Exclude(csReading);
    undo.Release();
    for (TComponent* component : FState->Read.Items())
        if (component) {
            component->Loaded();
            if (FState->Read.Alive(component)) component->FComponentState.Exclude(csLoading);
        }
    GlobalFixupReferences();
    return Root;
}

void TReader::ReadProperties(TComponent* Instance) {
    TReaderImpl(*this, *FState, FFileName).ReadProperties(Instance);
}

void TReader::DefineProperty(const AnsiString& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                             bool HasData) {
    (void)WriteData;
    (void)HasData;
    if (!FState->WantedName || FState->Found || !SameText(Name, *FState->WantedName)) return;
    TReaderImpl(*this, *FState, FFileName).RunDefined(ReadData);
}

void TReader::DefineBinaryProperty(const AnsiString& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                                   bool HasData) {
    (void)WriteData;
    (void)HasData;
    if (!FState->WantedName || FState->Found || !SameText(Name, *FState->WantedName)) return;
    TReaderImpl(*this, *FState, FFileName).RunDefinedBinary(ReadData);
}

TValueType TReader::NextValue() const {
    if (FState->Frames.empty()) throw EReadError("No value is being read");
    const auto& frame = FState->Frames.back();
    if (frame.Index >= frame.Items->size())
        throw EReadError(FFileName + "(" + std::to_string(frame.Line) + "): no value left in the list");
    return (*frame.Items)[frame.Index].Type;
}

Int64 TReader::ReadInteger() {
    TReaderImpl impl(*this, *FState, FFileName);
    const TFormValue& value = impl.Next("an integer");
    if (value.Type != vaInteger) impl.WrongValue(value, "an integer");
    return value.Integer;
}

bool TReader::ReadBoolean() {
    TReaderImpl impl(*this, *FState, FFileName);
    const TFormValue& value = impl.Next("True or False");
    if (value.Type == vaIdent && SameText(value.Text, "True")) return true;
    if (value.Type == vaIdent && SameText(value.Text, "False")) return false;
    impl.WrongValue(value, "True or False");
}

long double TReader::ReadFloat() {
    TReaderImpl impl(*this, *FState, FFileName);
    const TFormValue& value = impl.Next("a number");
    long double result = 0;
    if (value.Type == vaInteger) return static_cast<long double>(value.Integer);
    if (value.Type != vaFloat || !ParseFormFloat(value.Text, result)) impl.WrongValue(value, "a number");
    return result;
}

AnsiString TReader::ReadString() {
    TReaderImpl impl(*this, *FState, FFileName);
    const TFormValue& value = impl.Next("a string");
    if (value.Type != vaString) impl.WrongValue(value, "a string");
    return value.Text;
}

AnsiString TReader::ReadIdent() {
    TReaderImpl impl(*this, *FState, FFileName);
    const TFormValue& value = impl.Next("an identifier");
    if (value.Type != vaIdent) impl.WrongValue(value, "an identifier");
    return value.Text;
}

void TReader::ReadListBegin() {
    TReaderImpl impl(*this, *FState, FFileName);
    const TFormValue& value = impl.Next("a list");
    if (value.Type != vaList) impl.WrongValue(value, "a list");
    FState->Frames.push_back(TState::TFrame{&value.Items, 0, value.Line});
}

bool TReader::EndOfList() const {
    if (FState->Frames.empty()) return true;
    const auto& frame = FState->Frames.back();
    return frame.Index >= frame.Items->size();
}

void TReader::ReadListEnd() {
    if (FState->Frames.size() < 2) throw EReadError("No list is being read");
    const auto& frame = FState->Frames.back();
    if (frame.Index < frame.Items->size())
        throw EReadError(FFileName + "(" + std::to_string(frame.Line) + "): more values in the list than expected");
    FState->Frames.pop_back();
}

// --- Whole texts ------------------------------------------------------------------------

TComponent* ReadComponent(const AnsiString& Text, TComponent* Instance, const AnsiString& FileName) {
    TReader reader(Text, FileName);
    return reader.ReadRootComponent(Instance);
}

void TComponent::ReadState(TReader* Reader) {
    Reader->ReadProperties(this);
}
