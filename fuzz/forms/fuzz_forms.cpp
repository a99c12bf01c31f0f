// Feeds arbitrary bytes to the form-file reader as form text, read into a
// small tree of components with a value of every kind and data of their own,
// then writes what was read. A damaged text must raise EFilerError (or
// another Exception from a setter) and leave no component behind; anything
// else, a crash or a hang is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/classes/Events.h"
#include "platform/classes/Filer.h"
#include "platform/rtl/StringList.h"

namespace {

enum TFuzzKind { fkOne, fkTwo };
const TEnumType& EnumTypeInfo(TFuzzKind) {
    static const TEnumType type{"TFuzzKind", {"fkOne", "fkTwo"}};
    return type;
}
using TFuzzKinds = TSet<TFuzzKind>;

class TFuzzPart : public TComponent {
public:
    explicit TFuzzPart(TComponent* AOwner) : TComponent(AOwner) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    int Number() const { return FNumber; }
    void SetNumber(int Value) { FNumber = Value; }
    double Ratio() const { return FRatio; }
    void SetRatio(double Value) { FRatio = Value; }
    const AnsiString& Text() const { return FText; }
    void SetText(const AnsiString& Value) { FText = Value; }
    TFuzzKind Kind() const { return FKind; }
    void SetKind(TFuzzKind Value) { FKind = Value; }
    TFuzzKinds Kinds() const { return FKinds; }
    void SetKinds(TFuzzKinds Value) { FKinds = Value; }
    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* Value) { FLines->Assign(Value); }
    TFuzzPart* Link() const { return FLink; }
    void SetLink(TFuzzPart* Value) {
        if (FLink) RemoveFreeNotification(FLink);
        FLink = Value;
        if (FLink) FreeNotification(FLink);
    }
    TNotifyEvent OnPing;

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override { return FHolder; }
    void SetParentComponent(TComponent* Value) override { FHolder = dynamic_cast<TFuzzPart*>(Value); }

    void DefineProperties(TFiler* Filer) override {
        Filer->DefineProperty(
            "Items",
            [this](TReader& Reader) {
                FItems.clear();
                Reader.ReadListBegin();
                while (!Reader.EndOfList()) {
                    FItems += Reader.ReadString();
                    FItems += std::to_string(Reader.ReadInteger());
                    FItems += Reader.ReadBoolean() ? "1" : "0";
                }
                Reader.ReadListEnd();
            },
            [this](TWriter& Writer) {
                Writer.WriteListBegin();
                Writer.WriteString(FItems);
                Writer.WriteInteger(1);
                Writer.WriteBoolean(true);
                Writer.WriteListEnd();
            },
            !FItems.empty());
        Filer->DefineBinaryProperty(
            "Data", [this](TStream& Stream) { FData = static_cast<TStringStream&>(Stream).DataString(); },
            [this](TStream& Stream) { Stream.WriteBuffer(FData.data(), static_cast<LongInt>(FData.size())); },
            !FData.empty());
    }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FLink) FLink = nullptr;
    }

private:
    int FNumber = 0;
    double FRatio = 0;
    AnsiString FText;
    TFuzzKind FKind = fkOne;
    TFuzzKinds FKinds;
    std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
    TFuzzPart* FLink = nullptr;
    TFuzzPart* FHolder = nullptr;
    AnsiString FItems;
    AnsiString FData;
};

class TFuzzRoot : public TComponent {
public:
    explicit TFuzzRoot(TComponent* AOwner) : TComponent(AOwner) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    void Ping(TObject*) {}
};

}  // namespace

VEMLOR_PUBLISHED(TFuzzPart, TComponent) {
    Prop("Number", &TFuzzPart::Number, &TFuzzPart::SetNumber);
    Prop("Ratio", &TFuzzPart::Ratio, &TFuzzPart::SetRatio);
    Prop("Text", &TFuzzPart::Text, &TFuzzPart::SetText);
    Prop("Kind", &TFuzzPart::Kind, &TFuzzPart::SetKind);
    Prop("Kinds", &TFuzzPart::Kinds, &TFuzzPart::SetKinds);
    Prop("Lines", &TFuzzPart::Lines, &TFuzzPart::SetLines);
    Prop("Link", &TFuzzPart::Link, &TFuzzPart::SetLink);
    EventProp("OnPing", &TFuzzPart::OnPing);
}
VEMLOR_REGISTER_CLASS(TFuzzPart);

VEMLOR_PUBLISHED(TFuzzRoot, TComponent) {
    Method("Ping", &TFuzzRoot::Ping);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    AnsiString text(reinterpret_cast<const char*>(data), size);
    TFuzzRoot root(nullptr);
    try {
        ReadComponent(text, &root, "fuzz.form");
    } catch (const Exception&) {
        if (root.ComponentCount() != 0) std::abort();
        return 0;
    }
    WriteComponent(&root);
    return 0;
}
