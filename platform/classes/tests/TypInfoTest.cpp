#include "platform/classes/TypInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/StringList.h"

enum TTestAlignment { taLeftJustify, taRightJustify, taCenter };
const TEnumType& EnumTypeInfo(TTestAlignment) {
    static const TEnumType type{"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}};
    return type;
}

enum TTestFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TTestFontStyles = TSet<TTestFontStyle>;
const TEnumType& EnumTypeInfo(TTestFontStyle) {
    static const TEnumType type{"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
    return type;
}

enum TTestBorder { bsNone, bsSingle };

class TTestFont : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    int Size() const { return FSize; }
    void SetSize(int value) {
        if (value == FSize) return;
        FSize = value;
        FireEvent(OnChange, this);
    }
    TTestFontStyles Style() const { return FStyle; }
    void SetStyle(TTestFontStyles value) { FStyle = value; }

    TNotifyEvent OnChange;

private:
    int FSize = 8;
    TTestFontStyles FStyle;
};

VEMLOR_PUBLISHED(TTestFont, TPersistent) {
    Prop("Size", &TTestFont::Size, &TTestFont::SetSize);
    Prop("Style", &TTestFont::Style, &TTestFont::SetStyle);
}

// A control-like class whose setters have side effects, as the UI layer's do.
class TTestBase : public TComponent {
public:
    explicit TTestBase(TComponent* owner) : TComponent(owner) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    const AnsiString& Caption() const { return FCaption; }
    void SetCaption(const AnsiString& value) {
        if (value == FCaption) return;
        FCaption = value;
        FireEvent(OnChange, this);
    }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    Word Width() const { return FWidth; }
    void SetWidth(Word value) { FWidth = value; }

    TNotifyEvent OnChange;

private:
    AnsiString FCaption;
    bool FEnabled = true;
    Word FWidth = 0;
};

VEMLOR_PUBLISHED(TTestBase, TComponent) {
    Prop("Caption", &TTestBase::Caption, &TTestBase::SetCaption);
    Prop("Enabled", &TTestBase::Enabled, &TTestBase::SetEnabled);
    Prop("Width", &TTestBase::Width, &TTestBase::SetWidth);
}

class TTestControl : public TTestBase {
public:
    explicit TTestControl(TComponent* owner) : TTestBase(owner) {
        FFont.OnChange = [this](TObject*) { ++FontChanges; };
    }
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TTestAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TTestAlignment value) { FAlignment = value; }
    TTestBorder Border() const { return FBorder; }
    void SetBorder(TTestBorder value) { FBorder = value; }
    double Ratio() const { return FRatio; }
    void SetRatio(double value) { FRatio = value; }
    float Scale() const { return FScale; }
    void SetScale(float value) { FScale = value; }
    TDateTime Stamp() const { return FStamp; }
    void SetStamp(TDateTime value) { FStamp = value; }
    char Mask() const { return FMask; }
    void SetMask(char value) { FMask = value; }
    Int64 Big() const { return FBig; }
    void SetBig(Int64 value) { FBig = value; }
    TTestFont* Font() const { return const_cast<TTestFont*>(&FFont); }
    void SetFont(TTestFont* value) { FFont.SetSize(value->Size()); }
    TTestControl* Buddy() const { return FBuddy; }
    void SetBuddy(TTestControl* value) { FBuddy = value; }
    TStrings* Lines() const { return FLines; }
    TCollection* Items() const { return FItems; }
    int Count() const { return 42; }

    TNotifyEvent OnClick;
    int FontChanges = 0;

private:
    TTestAlignment FAlignment = taLeftJustify;
    TTestBorder FBorder = bsSingle;
    double FRatio = 0;
    float FScale = 0;
    TDateTime FStamp = 0;
    char FMask = '*';
    Int64 FBig = 0;
    TTestFont FFont;
    TTestControl* FBuddy = nullptr;
    TStrings* FLines = nullptr;
    TCollection* FItems = nullptr;
};

VEMLOR_PUBLISHED(TTestControl, TTestBase) {
    Prop("Alignment", &TTestControl::Alignment, &TTestControl::SetAlignment);
    EnumProp("BorderStyle", &TTestControl::Border, &TTestControl::SetBorder, {"bsNone", "bsSingle"}, "TBorderStyle");
    Prop("Ratio", &TTestControl::Ratio, &TTestControl::SetRatio);
    Prop("Scale", &TTestControl::Scale, &TTestControl::SetScale);
    DateTimeProp("Stamp", &TTestControl::Stamp, &TTestControl::SetStamp);
    Prop("Mask", &TTestControl::Mask, &TTestControl::SetMask);
    Prop("Big", &TTestControl::Big, &TTestControl::SetBig);
    Prop("Font", &TTestControl::Font, &TTestControl::SetFont);
    Prop("Buddy", &TTestControl::Buddy, &TTestControl::SetBuddy);
    Prop("Lines", &TTestControl::Lines);
    Prop("Items", &TTestControl::Items);
    Prop("Count", &TTestControl::Count);
    EventProp("OnClick", &TTestControl::OnClick);
}

// Republishes an inherited property and adds one of its own.
class TTestButton : public TTestBase {
public:
    explicit TTestButton(TComponent* owner) : TTestBase(owner) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    bool Default() const { return FDefault; }
    void SetDefault(bool value) { FDefault = value; }

private:
    bool FDefault = false;
};

VEMLOR_PUBLISHED(TTestButton, TTestBase) {
    Prop("Default", &TTestButton::Default, &TTestButton::SetDefault);
    Prop("Caption", &TTestButton::Caption, &TTestButton::SetCaption);
}

// Not a TPersistent, like a collection item: found through its C++ type.
class TTestItem : public TObject {
public:
    static const TClassInfo& StaticClassInfo();
    int Width() const { return FWidth; }
    void SetWidth(int value) { FWidth = value; }

private:
    int FWidth = 64;
};

VEMLOR_PUBLISHED(TTestItem, TObject) {
    Prop("Width", &TTestItem::Width, &TTestItem::SetWidth);
}

namespace {

std::vector<std::string> Names(const TObject* obj) {
    std::vector<std::string> result;
    for (const TPropInfo* prop : GetPropList(obj)) result.push_back(prop->Name);
    return result;
}

template <class Error, class Action>
std::string MessageOf(Action action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(TypInfoTest, PropertiesComeInheritedFirstInDeclarationOrder) {
    TTestControl control(nullptr);
    EXPECT_EQ(Names(&control),
              (std::vector<std::string>{"Name", "Tag", "Caption", "Enabled", "Width", "Alignment", "BorderStyle",
                                        "Ratio", "Scale", "Stamp", "Mask", "Big", "Font", "Buddy", "Lines", "Items",
                                        "Count", "OnClick"}));
    TTestBase base(nullptr);
    EXPECT_EQ(Names(&base), (std::vector<std::string>{"Name", "Tag", "Caption", "Enabled", "Width"}));
}

TEST(TypInfoTest, RepublishedPropertyKeepsItsInheritedPlace) {
    TTestButton button(nullptr);
    EXPECT_EQ(Names(&button), (std::vector<std::string>{"Name", "Tag", "Caption", "Enabled", "Width", "Default"}));
    EXPECT_EQ(GetPropInfo(&button, "Caption")->Owner, &TTestButton::StaticClassInfo());
}

TEST(TypInfoTest, ClassesAndPropertiesAreFoundIgnoringCase) {
    TTestControl control(nullptr);
    const TClassInfo* info = GetClassInfo(&control);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Name(), "TTestControl");
    EXPECT_EQ(FindClassInfo("ttestcontrol"), info);
    EXPECT_EQ(FindClassInfo("TNoSuchClass"), nullptr);
    EXPECT_TRUE(info->InheritsFrom("tcomponent"));
    EXPECT_TRUE(info->InheritsFrom("TPersistent"));
    EXPECT_FALSE(info->InheritsFrom("TTestButton"));
    EXPECT_EQ(GetPropInfo(&control, "caption"), GetPropInfo(&control, "CAPTION"));
    EXPECT_TRUE(IsPublishedProp(&control, "onclick"));
    EXPECT_FALSE(IsPublishedProp(&control, "FCaption"));
    EXPECT_FALSE(IsPublishedProp(nullptr, "Caption"));
    EXPECT_TRUE(PropIsType(&control, "Caption", tkLString));
    EXPECT_EQ(PropType(&control, "Font"), tkClass);
}

TEST(TypInfoTest, UnknownPropertyNamesGiveAClearError) {
    TTestControl control(nullptr);
    EXPECT_EQ(GetPropInfo(&control, "Colour"), nullptr);
    EXPECT_EQ(MessageOf<EPropertyError>([&] { GetPropValue(&control, "Colour"); }),
              "Class TTestControl has no published property named 'Colour'");
    EXPECT_THROW(SetPropValue(&control, "Colour", "1"), EPropertyError);
    EXPECT_THROW(GetOrdProp(&control, "Colour"), EPropertyError);
    EXPECT_THROW(PropIsType(&control, "Colour", tkInteger), EPropertyError);
    EXPECT_THROW(GetPropValue(nullptr, "Caption"), EPropertyError);
}

TEST(TypInfoTest, SettersRunWithTheirSideEffects) {
    TTestControl control(nullptr);
    int changes = 0;
    control.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &control);
        ++changes;
    };
    SetPropValue(&control, "Caption", "Odeslat");
    SetStrProp(&control, "caption", "Odeslat");  // unchanged: the setter fires nothing
    EXPECT_EQ(control.Caption(), "Odeslat");
    EXPECT_EQ(changes, 1);
}

TEST(TypInfoTest, NameGoesThroughTheComponentsValidation) {
    TTestControl owner(nullptr);
    auto* a = new TTestControl(&owner);
    auto* b = new TTestControl(&owner);
    SetPropValue(a, "Name", "Edit1");
    EXPECT_THROW(SetPropValue(b, "Name", "EDIT1"), EComponentError);
    EXPECT_THROW(SetPropValue(b, "Name", "bad name"), EComponentError);
    EXPECT_EQ(GetPropValue(a, "Name"), "Edit1");
}

TEST(TypInfoTest, EnumerationsRoundTripAsIdentifiers) {
    TTestControl control(nullptr);
    EXPECT_EQ(GetPropValue(&control, "Alignment"), "taLeftJustify");
    SetPropValue(&control, "Alignment", "TACENTER");
    EXPECT_EQ(control.Alignment(), taCenter);
    EXPECT_EQ(GetOrdProp(&control, "Alignment"), 2);
    EXPECT_EQ(GetPropValue(&control, "BorderStyle"), "bsSingle");
    EXPECT_EQ(GetPropInfo(&control, "BorderStyle")->TypeName, "TBorderStyle");
    SetOrdProp(&control, "BorderStyle", 0);
    EXPECT_EQ(control.Border(), bsNone);

    EXPECT_EQ(GetPropValue(&control, "Enabled"), "True");
    SetPropValue(&control, "Enabled", "false");
    EXPECT_FALSE(control.Enabled());
    EXPECT_EQ(GetPropValue(&control, "Enabled"), "False");
    EXPECT_EQ(GetPropInfo(&control, "Enabled")->Kind, tkEnumeration);
    EXPECT_EQ(GetPropInfo(&control, "Enabled")->TypeName, "Boolean");

    EXPECT_EQ(MessageOf<EConvertError>([&] { SetPropValue(&control, "Alignment", "taMiddle"); }),
              "'taMiddle' is not a valid value for the property Alignment of TTestControl (TAlignment)");
    EXPECT_EQ(control.Alignment(), taCenter);
    EXPECT_THROW(SetOrdProp(&control, "Alignment", 3), ERangeError);
    EXPECT_THROW(SetOrdProp(&control, "Enabled", 2), ERangeError);

    const TEnumType& type = *GetPropInfo(&control, "Alignment")->EnumType;
    EXPECT_EQ(GetEnumName(type, 1), "taRightJustify");
    EXPECT_EQ(GetEnumName(type, 3), "");
    EXPECT_EQ(GetEnumValue(type, "tarightjustify"), 1);
    EXPECT_EQ(GetEnumValue(type, "x"), -1);
}

TEST(TypInfoTest, SetsRoundTripAsBracketedIdentifiers) {
    TTestControl control(nullptr);
    TObject* font = GetObjectProp(&control, "Font");
    EXPECT_EQ(GetPropValue(font, "Style"), "[]");
    SetPropValue(font, "Style", "[fsUnderline, FSBOLD]");
    EXPECT_EQ(control.Font()->Style(), (TTestFontStyles{fsBold, fsUnderline}));
    EXPECT_EQ(GetPropValue(font, "Style"), "[fsBold,fsUnderline]");
    SetPropValue(font, "Style", "fsItalic");
    EXPECT_EQ(GetOrdProp(font, "Style"), 2);
    SetPropValue(font, "Style", "[]");
    EXPECT_TRUE(control.Font()->Style().Empty());
    EXPECT_EQ(GetPropInfo(font, "Style")->Kind, tkSet);
    EXPECT_EQ(GetPropInfo(font, "Style")->EnumType->Name, "TFontStyle");

    EXPECT_THROW(SetPropValue(font, "Style", "[fsBold,fsHeavy]"), EConvertError);
    EXPECT_TRUE(control.Font()->Style().Empty());
    EXPECT_THROW(SetOrdProp(font, "Style", 16), ERangeError);
}

TEST(TypInfoTest, FloatsUseAPointAndThePrecisionOfTheirType) {
    TTestControl control(nullptr);
    SetPropValue(&control, "Ratio", "2.25");
    EXPECT_DOUBLE_EQ(control.Ratio(), 2.25);
    EXPECT_EQ(GetPropValue(&control, "Ratio"), "2.25");
    SetFloatProp(&control, "Ratio", 0.1L + 0.2L);
    EXPECT_EQ(GetPropValue(&control, "Ratio"), "0.3");
    SetFloatProp(&control, "Ratio", -1e20L);
    EXPECT_EQ(GetPropValue(&control, "Ratio"), "-1E20");
    SetPropValue(&control, "Ratio", "1.5E-7");
    EXPECT_EQ(GetPropValue(&control, "Ratio"), "1.5E-7");

    SetPropValue(&control, "Scale", "0.1");
    EXPECT_EQ(GetPropValue(&control, "Scale"), "0.1");
    EXPECT_EQ(GetPropInfo(&control, "Scale")->FloatType, ftSingle);

    const TPropInfo* stamp = GetPropInfo(&control, "Stamp");
    EXPECT_EQ(stamp->Kind, tkFloat);
    EXPECT_EQ(stamp->FloatType, ftDouble);
    EXPECT_EQ(stamp->TypeName, "TDateTime");
    SetPropValue(&control, "Stamp", "45000.5");
    EXPECT_DOUBLE_EQ(control.Stamp(), 45000.5);

    for (const char* bad : {"2,25", "", "1.5x", "abc", "+-1"})
        EXPECT_THROW(SetPropValue(&control, "Ratio", bad), EConvertError) << bad;
    EXPECT_DOUBLE_EQ(control.Stamp(), 45000.5);
}

TEST(TypInfoTest, IntegersParseDecimalAndHexAndCheckTheirRange) {
    TTestControl control(nullptr);
    SetPropValue(&control, "Width", " 640 ");
    EXPECT_EQ(control.Width(), 640);
    SetPropValue(&control, "Width", "$10");
    EXPECT_EQ(control.Width(), 16);
    SetPropValue(&control, "Width", "0x20");
    EXPECT_EQ(GetPropValue(&control, "Width"), "32");
    EXPECT_EQ(MessageOf<ERangeError>([&] { SetPropValue(&control, "Width", "70000"); }),
              "Value 70000 is out of range for the property Width of TTestBase (Word: 0..65535)");
    EXPECT_THROW(SetPropValue(&control, "Width", "-1"), ERangeError);
    EXPECT_THROW(SetPropValue(&control, "Width", "12px"), EConvertError);
    EXPECT_THROW(SetPropValue(&control, "Width", "99999999999999999999"), EConvertError);
    EXPECT_EQ(control.Width(), 32);

    SetPropValue(&control, "Tag", "-7");
    EXPECT_EQ(control.Tag(), -7);
    SetPropValue(&control, "Big", "-9223372036854775808");
    EXPECT_EQ(GetInt64Prop(&control, "Big"), INT64_MIN);
    SetInt64Prop(&control, "Big", 1LL << 40);
    EXPECT_EQ(GetPropValue(&control, "Big"), "1099511627776");
    EXPECT_EQ(GetPropInfo(&control, "Big")->Kind, tkInt64);
}

TEST(TypInfoTest, CharIsOneCharacter) {
    TTestControl control(nullptr);
    EXPECT_EQ(GetPropValue(&control, "Mask"), "*");
    SetPropValue(&control, "Mask", "Žluť");
    EXPECT_EQ(control.Mask(), AnsiString("Ž")[0]);
    EXPECT_EQ(GetOrdProp(&control, "Mask"), static_cast<unsigned char>(AnsiString("Ž")[0]));
    EXPECT_EQ(GetPropInfo(&control, "Mask")->Kind, tkChar);
}

TEST(TypInfoTest, ClassPropertiesKnowWhatTheyHold) {
    TTestControl control(nullptr);
    EXPECT_EQ(GetPropInfo(&control, "Font")->ClassKind, ckPersistent);
    EXPECT_EQ(GetPropInfo(&control, "Font")->TypeName, "TTestFont");
    EXPECT_EQ(GetPropInfo(&control, "Buddy")->ClassKind, ckComponent);
    EXPECT_EQ(GetPropInfo(&control, "Lines")->ClassKind, ckStrings);
    EXPECT_EQ(GetPropInfo(&control, "Items")->ClassKind, ckCollection);
    EXPECT_EQ(GetObjectProp(&control, "Font"), control.Font());
    EXPECT_EQ(GetObjectProp(&control, "Buddy"), nullptr);
    EXPECT_THROW(GetPropValue(&control, "Font"), EPropertyError);
    EXPECT_THROW(GetOrdProp(&control, "Font"), EPropertyError);
    EXPECT_THROW(GetObjectProp(&control, "Caption"), EPropertyError);
}

TEST(TypInfoTest, ObjectSetterChecksTheValuesClass) {
    TTestControl control(nullptr);
    TTestControl buddy(nullptr);
    SetObjectProp(&control, "Buddy", &buddy);
    EXPECT_EQ(control.Buddy(), &buddy);
    TTestBase plain(nullptr);
    EXPECT_EQ(MessageOf<EPropertyError>([&] { SetObjectProp(&control, "Buddy", &plain); }),
              "Cannot assign a TTestBase to the property Buddy of TTestControl (TTestControl)");
    SetObjectProp(&control, "Buddy", nullptr);
    EXPECT_EQ(control.Buddy(), nullptr);
    TTestFont font;
    font.SetSize(12);
    SetObjectProp(&control, "Font", &font);  // the setter copies, firing the font's OnChange
    EXPECT_EQ(control.Font()->Size(), 12);
    EXPECT_EQ(control.FontChanges, 1);
}

TEST(TypInfoTest, NestedPathsReachInnerObjects) {
    TTestControl control(nullptr);
    TObject* target = &control;
    const TPropInfo* prop = ResolvePropPath(target, "font.SIZE");
    ASSERT_NE(prop, nullptr);
    EXPECT_EQ(target, control.Font());
    SetPropValue(target, *prop, "14");
    EXPECT_EQ(control.Font()->Size(), 14);
    EXPECT_EQ(control.FontChanges, 1);

    for (const char* missing : {"Font.Colour", "Caption.Size", "Buddy.Caption", "Font.", ""}) {
        target = &control;
        EXPECT_EQ(ResolvePropPath(target, missing), nullptr) << missing;
        EXPECT_EQ(target, &control);
    }
    EXPECT_EQ(GetPropInfo(&control, "Font.Size"), nullptr);
}

TEST(TypInfoTest, ReadOnlyPropertiesRefuseWrites) {
    TTestControl control(nullptr);
    EXPECT_FALSE(GetPropInfo(&control, "Count")->IsWritable());
    EXPECT_EQ(GetPropValue(&control, "Count"), "42");
    EXPECT_EQ(MessageOf<EPropertyError>([&] { SetPropValue(&control, "Count", "1"); }),
              "The property Count of TTestControl is read-only");
    EXPECT_THROW(SetObjectProp(&control, "Lines", nullptr), EPropertyError);
}

TEST(TypInfoTest, PropertyOfOneClassRefusesAnObjectOfAnother) {
    TTestControl control(nullptr);
    TTestBase base(nullptr);
    const TPropInfo& ratio = *GetPropInfo(&control, "Ratio");
    EXPECT_EQ(MessageOf<EPropertyError>([&] { GetFloatProp(&base, ratio); }),
              "The property Ratio of TTestControl cannot be used on an object of class TTestBase");
    EXPECT_THROW(GetFloatProp(&control, "Caption"), EPropertyError);
    EXPECT_THROW(GetStrProp(&control, "Ratio"), EPropertyError);
}

TEST(TypInfoTest, EventsAreReadAndAssignedByName) {
    TTestControl control(nullptr);
    const TPropInfo& onClick = *GetPropInfo(&control, "OnClick");
    EXPECT_EQ(onClick.Kind, tkMethod);
    EXPECT_FALSE(onClick.MethodAssigned(&control));
    EXPECT_FALSE(GetMethodProp<TNotifyEvent>(&control, "OnClick"));
    int clicks = 0;
    SetMethodProp<TNotifyEvent>(&control, "OnClick", [&](TObject*) { ++clicks; });
    EXPECT_TRUE(onClick.MethodAssigned(&control));
    GetMethodProp<TNotifyEvent>(&control, "OnClick")(&control);
    control.OnClick(&control);
    EXPECT_EQ(clicks, 2);
    EXPECT_THROW(SetMethodProp<std::function<void()>>(&control, "OnClick", [] {}), EPropertyError);
    EXPECT_THROW(GetPropValue(&control, "OnClick"), EPropertyError);
}

TEST(TypInfoTest, NonPersistentClassIsFoundOnceRegistered) {
    TTestItem item;
    RegisterClass<TTestItem>();
    EXPECT_EQ(GetClassInfo(&item), &TTestItem::StaticClassInfo());
    EXPECT_EQ(GetPropValue(&item, "width"), "64");
    EXPECT_EQ(FindClassInfo("TTestItem"), &TTestItem::StaticClassInfo());
    EXPECT_EQ(TTestItem::StaticClassInfo().Parent(), nullptr);
}

TEST(TypInfoTest, DerivedClassWithoutItsOwnRegistrationAnswersWithItsBase) {
    class TUnpublished : public TTestBase {
    public:
        using TTestBase::TTestBase;
    };
    TUnpublished object(nullptr);
    EXPECT_EQ(GetClassInfo(&object), &TTestBase::StaticClassInfo());
    SetPropValue(&object, "Caption", "x");
    EXPECT_EQ(object.Caption(), "x");
}

}  // namespace
