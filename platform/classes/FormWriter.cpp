// TWriter: a component tree back to form text (see Filer.h).

#include <map>

#include "platform/classes/Filer.h"
#include "platform/rtl/StringList.h"

namespace {

// Nested objects inside nested objects (Font of a Title of a Column...);
// deeper than this is a cycle, not a form.
constexpr int MaxNestedDepth = 16;

bool SameStrings(const TStrings* A, const TStrings* B) {
    if (!A || !B) return false;
    if (A->Count() != B->Count()) return false;
    for (int i = 0; i < A->Count(); ++i)
        if (A->Strings(i) != B->Strings(i)) return false;
    return true;
}

void AddProperty(std::vector<TFormProperty>& Out, const AnsiString& Name, TFormValue Value) {
    TFormProperty prop;
    prop.Name = Name;
    prop.Value = std::move(Value);
    Out.push_back(std::move(prop));
}

}  // namespace

struct TWriter::TState {
    TComponent* Root = nullptr;
    TFormObject* Current = nullptr;
    TComponent* Reference = nullptr;
    // Freshly created components of each class, the defaults to compare with.
    std::map<const TClassInfo*, std::unique_ptr<TComponent>> References;

    // Where DefineProperties output goes.
    std::vector<TFormProperty>* DefinedOut = nullptr;
    AnsiString DefinedPrefix;
    // The values a DefineProperty writer is writing, innermost list last.
    std::vector<TFormValue> Written;
    std::vector<std::vector<TFormValue>*> Stack;
};

class TWriterImpl {
public:
    TWriterImpl(TWriter& Writer, TWriter::TState& State) : FWriter(Writer), FState(State) {}

    TFormObject WriteObject(TComponent* Component) {
        TFormObject node;
        node.Name = Component->Name();
        node.ClassName = Component->ClassName();
        TFormObject* outerNode = FState.Current;
        TComponent* outerReference = FState.Reference;
        FState.Current = &node;
        FState.Reference = ReferenceFor(Component);
        Component->WriteState(&FWriter);
        FState.Current = outerNode;
        FState.Reference = outerReference;
        for (int i = 0; i < FState.Root->ComponentCount(); ++i) {
            TComponent* child = FState.Root->Components(i);
            if (child != Component && WrittenParent(child) == Component) node.Children.push_back(WriteObject(child));
        }
        return node;
    }

    void WriteProperties(TComponent* Instance) {
        if (!FState.Current) throw EWriteError("No form file object is being written");
        WriteObjectProps(Instance, FState.Reference, "", FState.Current->Properties, 0);
    }

    // Published values of Object that differ from Reference's (all of them
    // without a reference), then its own data.
    void WriteObjectProps(TObject* Object, TObject* Reference, const AnsiString& Prefix, std::vector<TFormProperty>& Out,
                          int Depth) {
        if (Depth > MaxNestedDepth) throw EWriteError("Nested objects deeper than " + std::to_string(MaxNestedDepth) + " at " + Prefix);
        for (const TPropInfo* prop : GetPropList(Object)) {
            if (prop->Stored && !prop->Stored(Object)) continue;
            AnsiString name = Prefix + prop->Name;
            switch (prop->Kind) {
                case tkInteger:
                case tkInt64:
                case tkChar:
                case tkEnumeration:
                case tkSet: {
                    if (!prop->SetOrd) break;
                    Int64 value = prop->GetOrd(Object);
                    if (Reference && prop->GetOrd(Reference) == value) break;
                    AddProperty(Out, name, OrdinalValue(*prop, value));
                    break;
                }
                case tkFloat: {
                    if (!prop->SetFloat) break;
                    if (Reference && prop->GetFloat(Reference) == prop->GetFloat(Object)) break;
                    TFormValue value;
                    value.Type = vaFloat;
                    value.Text = GetPropValue(Object, *prop);
                    AddProperty(Out, name, value);
                    break;
                }
                case tkString:
                case tkLString: {
                    if (!prop->SetStr) break;
                    AnsiString value = prop->GetStr(Object);
                    if (Reference ? prop->GetStr(Reference) == value : value.empty()) break;
                    AddProperty(Out, name, TFormValue::MakeString(value));
                    break;
                }
                case tkMethod: {
                    AnsiString handler = prop->GetMethodName ? prop->GetMethodName(Object) : AnsiString();
                    if (!handler.empty()) AddProperty(Out, name, TFormValue::MakeIdent(handler));
                    break;
                }
                case tkClass:
                    WriteClassProp(Object, Reference, *prop, name, Out, Depth);
                    break;
                case tkUnknown:
                    break;
            }
        }
        if (auto* persistent = dynamic_cast<TPersistent*>(Object)) WriteDefined(persistent, Prefix, Out);
    }

    void WriteDefined(TPersistent* Object, const AnsiString& Prefix, std::vector<TFormProperty>& Out) {
        std::vector<TFormProperty>* outerOut = FState.DefinedOut;
        AnsiString outerPrefix = FState.DefinedPrefix;
        FState.DefinedOut = &Out;
        FState.DefinedPrefix = Prefix;
        Object->DefineProperties(&FWriter);
        FState.DefinedOut = outerOut;
        FState.DefinedPrefix = outerPrefix;
    }

    void WriteClassProp(TObject* Object, TObject* Reference, const TPropInfo& Prop, const AnsiString& Name,
                        std::vector<TFormProperty>& Out, int Depth) {
        if (Prop.ClassKind == ckCollection && Prop.ItemCount) {
            WriteCollection(Object, Reference, Prop, Name, Out, Depth);
            return;
        }
        TObject* value = Prop.GetObject(Object);
        TObject* referenceValue = Reference ? Prop.GetObject(Reference) : nullptr;
        if (!value) return;
        if (auto* component = dynamic_cast<TComponent*>(value)) {
            AnsiString text = ReferenceText(component);
            if (Prop.SetObject && !text.empty() && value != referenceValue)
                AddProperty(Out, Name, TFormValue::MakeIdent(text));
            return;
        }
        if (auto* strings = dynamic_cast<TStrings*>(value)) {
            auto* referenceStrings = dynamic_cast<TStrings*>(referenceValue);
            if (SameStrings(strings, referenceStrings) || (strings->Count() == 0 && !referenceStrings)) return;
            TFormValue list;
            list.Type = vaList;
            for (int i = 0; i < strings->Count(); ++i) list.Items.push_back(TFormValue::MakeString(strings->Strings(i)));
            AddProperty(Out, Name + ".Strings", list);
            return;
        }
        if (dynamic_cast<TPersistent*>(value)) WriteObjectProps(value, referenceValue, Name + ".", Out, Depth + 1);
    }

    void WriteCollection(TObject* Object, TObject* Reference, const TPropInfo& Prop, const AnsiString& Name,
                         std::vector<TFormProperty>& Out, int Depth) {
        int count = Prop.ItemCount(Object);
        if (count == 0) return;
        TFormValue value;
        value.Type = vaCollection;
        for (int i = 0; i < count; ++i) {
            TFormItem item;
            // Each item is compared with a fresh item of the reference's list.
            TObject* referenceItem = Reference && Prop.AddItem ? Prop.AddItem(Reference) : nullptr;
            WriteObjectProps(Prop.GetItem(Object, i), referenceItem, "", item.Properties, Depth + 1);
            value.CollectionItems.push_back(std::move(item));
        }
        AddProperty(Out, Name, value);
    }

    // A component by name: one of this form, the form itself, or one of
    // another form or data module ("DM.AdresaDS"); "" for an unnamed one.
    AnsiString ReferenceText(const TComponent* Component) const {
        if (Component->Name().empty()) return AnsiString();
        if (Component == FState.Root || Component->Owner() == FState.Root) return Component->Name();
        const TComponent* owner = Component->Owner();
        if (!owner || owner->Name().empty()) return AnsiString();
        return owner->Name() + "." + Component->Name();
    }

    TFormValue OrdinalValue(const TPropInfo& Prop, Int64 Value) const {
        switch (Prop.Kind) {
            case tkEnumeration: return TFormValue::MakeIdent(GetEnumName(*Prop.EnumType, static_cast<int>(Value)));
            case tkSet: {
                TFormValue set;
                set.Type = vaSet;
                for (int i = 0; i < Prop.EnumType->Count() && i < 64; ++i)
                    if (static_cast<std::uint64_t>(Value) & (std::uint64_t{1} << i))
                        set.Members.push_back(Prop.EnumType->Names[static_cast<size_t>(i)]);
                return set;
            }
            case tkChar: return TFormValue::MakeString(AnsiString(1, static_cast<char>(Value)));
            default: break;
        }
        if (Prop.Idents) {
            for (const auto& [value, name] : Prop.Idents->Names)
                if (value == Value) return TFormValue::MakeIdent(name);
            AnsiString text;
            if (IntToIdent(*Prop.Idents, Value, text)) return TFormValue::MakeString(text);
        }
        return TFormValue::MakeInteger(Value);
    }

    // The component a child is written inside: its parent component when
    // the form owns that one, else the form.
    TComponent* WrittenParent(TComponent* Component) const {
        TComponent* parent = Component->GetParentComponent();
        if (parent && parent != FState.Root && parent->Owner() == FState.Root) return parent;
        return FState.Root;
    }

    // A fresh component of the nearest registered class, or nullptr.
    TComponent* ReferenceFor(TComponent* Component) {
        const TClassInfo* info = GetClassInfo(Component);
        while (info && !(GetClass(info->Name()) == info && info->Factory())) info = info->Parent();
        if (!info) return nullptr;
        auto& slot = FState.References[info];
        if (!slot) slot.reset(info->CreateInstance(nullptr));
        return slot.get();
    }

    void DefineProperty(const AnsiString& Name, const TWriterProc& WriteData, bool HasData) {
        if (!HasData || !WriteData || !FState.DefinedOut) return;
        FState.Written.clear();
        FState.Stack.assign(1, &FState.Written);
        WriteData(FWriter);
        if (FState.Stack.size() != 1 || FState.Written.size() != 1)
            throw EWriteError("The data of " + Name + " must be one value (a list for several)");
        AddProperty(*FState.DefinedOut, FState.DefinedPrefix + Name, FState.Written.front());
        FState.Stack.clear();
    }

    void DefineBinaryProperty(const AnsiString& Name, const TStreamProc& WriteData, bool HasData) {
        if (!HasData || !WriteData || !FState.DefinedOut) return;
        TStringStream stream;
        WriteData(stream);
        TFormValue value;
        value.Type = vaBinary;
        value.Text = stream.DataString();
        AddProperty(*FState.DefinedOut, FState.DefinedPrefix + Name, value);
    }

    void Put(TFormValue Value) {
        if (FState.Stack.empty()) throw EWriteError("No value is being written");
        FState.Stack.back()->push_back(std::move(Value));
    }

private:
    TWriter& FWriter;
    TWriter::TState& FState;
};

TWriter::TWriter() : FState(std::make_unique<TState>()) {}

TWriter::~TWriter() = default;

AnsiString TWriter::WriteRootComponent(TComponent* Root) {
    FRoot = Root;
    FState->Root = Root;
    TFormObject tree = TWriterImpl(*this, *FState).WriteObject(Root);
    FState->References.clear();
    return PrintFormText(tree);
}

void TWriter::WriteProperties(TComponent* Instance) {
    TWriterImpl(*this, *FState).WriteProperties(Instance);
}

void TWriter::DefineProperty(const AnsiString& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                             bool HasData) {
    (void)ReadData;
    TWriterImpl(*this, *FState).DefineProperty(Name, WriteData, HasData);
}

void TWriter::DefineBinaryProperty(const AnsiString& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                                   bool HasData) {
    (void)ReadData;
    TWriterImpl(*this, *FState).DefineBinaryProperty(Name, WriteData, HasData);
}

void TWriter::WriteInteger(Int64 Value) {
    TWriterImpl(*this, *FState).Put(TFormValue::MakeInteger(Value));
}

void TWriter::WriteBoolean(bool Value) {
    TWriterImpl(*this, *FState).Put(TFormValue::MakeIdent(Value ? "True" : "False"));
}

void TWriter::WriteFloat(long double Value) {
    TFormValue value;
    value.Type = vaFloat;
    value.Text = FloatToFormText(Value);
    TWriterImpl(*this, *FState).Put(value);
}

void TWriter::WriteString(const AnsiString& Value) {
    TWriterImpl(*this, *FState).Put(TFormValue::MakeString(Value));
}

void TWriter::WriteIdent(const AnsiString& Value) {
    TWriterImpl(*this, *FState).Put(TFormValue::MakeIdent(Value));
}

void TWriter::WriteListBegin() {
    TFormValue list;
    list.Type = vaList;
    TWriterImpl(*this, *FState).Put(list);
    FState->Stack.push_back(&FState->Stack.back()->back().Items);
}

void TWriter::WriteListEnd() {
    if (FState->Stack.size() < 2) throw EWriteError("No list is being written");
    FState->Stack.pop_back();
}

AnsiString WriteComponent(TComponent* Root) {
    TWriter writer;
    return writer.WriteRootComponent(Root);
}

void TComponent::WriteState(TWriter* Writer) {
    Writer->WriteProperties(this);
}
