#include "components/VmProps.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <filesystem>
#include <map>

#include "components/AppUtils.h"
#include "components/Placemnt.h"
#include "components/StrUtils.h"
#include "platform/classes/TypInfo.h"
#include "platform/gfx/GraphicsObjects.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"
#include "platform/ui/TextCtrls.h"

// A column of a layout: a collection item with published properties.
class TGadgetColumn : public TCollectionItem {
public:
    explicit TGadgetColumn(TCollection* Collection) : TCollectionItem(Collection) {
        RegisterClass<TGadgetColumn>();
    }
    static const TClassInfo& StaticClassInfo();
    Integer Width() const { return FWidth; }
    void SetWidth(Integer Value) { FWidth = Value; }
    AnsiString Title() const { return FTitle; }
    void SetTitle(const AnsiString& Value) { FTitle = Value; }

private:
    Integer FWidth = 64;
    AnsiString FTitle;
};

VEMLOR_PUBLISHED(TGadgetColumn, TObject) {
    Prop("Width", &TGadgetColumn::Width, &TGadgetColumn::SetWidth);
    Prop("Title", &TGadgetColumn::Title, &TGadgetColumn::SetTitle);
}

// The kinds no standard control publishes.
class TGadget : public TComponent {
public:
    explicit TGadget(TComponent* AOwner) : TComponent(AOwner), FColumns(CollectionItemClass<TGadgetColumn>()) {}
    double Ratio() const { return FRatio; }
    void SetRatio(double Value) { FRatio = Value; }
    float Scale() const { return FScale; }
    void SetScale(float Value) { FScale = Value; }
    Int64 Big() const { return FBig; }
    void SetBig(Int64 Value) { FBig = Value; }
    char Letter() const { return FLetter; }
    void SetLetter(char Value) { FLetter = Value; }
    Byte Small() const { return FSmall; }
    void SetSmall(Byte Value) { FSmall = Value; }
    TStringList* Lines() const { return const_cast<TStringList*>(&FLines); }
    TCollection* Columns() const { return const_cast<TCollection*>(&FColumns); }
    TComponent* Link() const { return FLink; }
    void SetLink(TComponent* Value) { FLink = Value; }
    TFontStyles Styles() const { return FStyles; }
    void SetStyles(TFontStyles Value) { FStyles = Value; }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    double FRatio = 0;
    float FScale = 0;
    Int64 FBig = 0;
    char FLetter = 'a';
    Byte FSmall = 0;
    TStringList FLines;
    TCollection FColumns;
    TComponent* FLink = nullptr;
    TFontStyles FStyles;
};

VEMLOR_PUBLISHED(TGadget, TComponent) {
    Prop("Ratio", &TGadget::Ratio, &TGadget::SetRatio);
    Prop("Scale", &TGadget::Scale, &TGadget::SetScale);
    Prop("Big", &TGadget::Big, &TGadget::SetBig);
    Prop("Letter", &TGadget::Letter, &TGadget::SetLetter);
    Prop("Small", &TGadget::Small, &TGadget::SetSmall);
    Prop("Lines", &TGadget::Lines);
    Prop("Columns", &TGadget::Columns);
    Prop("Link", &TGadget::Link, &TGadget::SetLink);
    Prop("Styles", &TGadget::Styles, &TGadget::SetStyles);
}

namespace {

class TfPropsTest : public TForm {
public:
    TfPropsTest(const AnsiString& IniName, const std::vector<AnsiString>& Lines) : TForm(nullptr) {
        BeginLoading();
        Edit1 = Make<TEdit>("Edit1");
        CheckBox1 = Make<TCheckBox>("CheckBox1");
        ComboBox2 = Make<TComboBox>("ComboBox2");
        Panel1 = Make<TPanel>("Panel1");
        Memo1 = Make<TMemo>("Memo1");
        Gadget1 = new TGadget(this);
        Gadget1->SetName("Gadget1");
        Storage = new TFormStorage(this);
        Storage->SetIniFileName(IniName);
        for (const AnsiString& line : Lines) Storage->StoredProps()->Add(line);
        EndLoading();
    }
    template <class T>
    T* Make(const char* Name) {
        T* control = new T(this);
        control->SetName(Name);
        control->SetParent(this);
        return control;
    }
    TEdit* Edit1;
    TCheckBox* CheckBox1;
    TComboBox* ComboBox2;
    TPanel* Panel1;
    TMemo* Memo1;
    TGadget* Gadget1;
    TFormStorage* Storage;
};

const std::vector<AnsiString> AllLines{
    "Edit1.Text",    "CheckBox1.Checked", "ComboBox2.Items", "ComboBox2.Text", "Panel1.Font",
    "Memo1.Lines",   "Gadget1.Ratio",     "Gadget1.Scale",   "Gadget1.Big",    "Gadget1.Letter",
    "Gadget1.Columns", "Gadget1.Link",    "Gadget1.Styles",  "Panel1.Anchors", "Edit1.NoSuchProperty",
    "Ghost.Text",    "NoDot",             " Edit1 . Width "};

class TFormStorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetApplicationForTests();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/storage/" + info->name() + "/";
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        Ini = Folder + "Vemlor.ini";
    }
    void TearDown() override {
        PumpUntilIdle();
        ResetApplicationForTests();
    }
    AnsiString Read(const AnsiString& Key, const AnsiString& Section = "TfPropsTest") const {
        return TIniFile(Ini).ReadString(Section, Key, "<none>");
    }
    void Write(const AnsiString& Key, const AnsiString& Value, const AnsiString& Section = "TfPropsTest") {
        TIniFile(Ini).WriteString(Section, Key, Value);
    }
    // Shows and frees a fresh form, which restores and then saves.
    TfPropsTest* Open(const std::vector<AnsiString>& Lines = AllLines) {
        auto* form = new TfPropsTest(Ini, Lines);
        form->Show();
        return form;
    }

    AnsiString Folder;
    AnsiString Ini;
};

}  // namespace

TEST_F(TFormStorageTest, LinesNamingNoComponentAreDroppedWhenTheFormLoads) {
    auto* form = new TfPropsTest(Ini, AllLines);
    TStrings* lines = form->Storage->StoredProps();
    EXPECT_EQ(lines->IndexOf("Ghost.Text"), -1);
    EXPECT_EQ(lines->IndexOf("NoDot"), -1);
    ASSERT_NE(lines->IndexOf("Edit1.Text"), -1);
    EXPECT_EQ(lines->Objects(lines->IndexOf("Edit1.Text")), form->Edit1);
    EXPECT_EQ(lines->Objects(lines->IndexOf(" Edit1 . Width ")), form->Edit1);
    // A component that goes away takes its lines with it.
    delete form->Memo1;
    EXPECT_EQ(lines->IndexOf("Memo1.Lines"), -1);
    form->Storage->SetActive(false);
    form->Free();
}

TEST_F(TFormStorageTest, PropertiesOfSeveralKindsRoundTripThroughTheSettingsFile) {
    TForm* other = new TForm(nullptr);
    other->SetName("Other");
    auto* button = new TButton(other);
    button->SetName("Button1");

    auto* form = Open();
    form->Edit1->SetText("Ahoj světe");
    form->Edit1->SetWidth(123);
    form->CheckBox1->SetChecked(true);
    form->ComboBox2->Items()->SetText("czech.lng\r\nenglish.lng\r\n");
    form->ComboBox2->SetText("english.lng");
    form->Panel1->Font()->SetName("Courier New");
    form->Panel1->Font()->SetColor(clRed);
    form->Panel1->Font()->SetStyle(TFontStyles{fsBold, fsItalic});
    form->Panel1->SetAnchors(TAnchors{akLeft, akRight});
    form->Memo1->Lines()->SetText("first\r\n  second  \r\n\r\nlast\r\n");
    form->Gadget1->SetRatio(2.5);
    form->Gadget1->SetScale(0.1f);
    form->Gadget1->SetBig(Int64{1} << 40);
    form->Gadget1->SetLetter('Z');
    form->Gadget1->Columns()->Add();
    static_cast<TGadgetColumn*>(form->Gadget1->Columns()->Add())->SetWidth(120);
    static_cast<TGadgetColumn*>(form->Gadget1->Columns()->Items(0))->SetTitle("Jméno");
    form->Gadget1->SetLink(button);
    form->Gadget1->SetStyles(TFontStyles{fsUnderline});
    form->Close();
    form->Free();

    EXPECT_EQ(Read("Edit1_Text"), "Ahoj světe");
    EXPECT_EQ(Read("CheckBox1_Checked"), "True");
    EXPECT_EQ(Read("Panel1_FontName"), "Courier New");
    EXPECT_EQ(Read("Panel1_FontStyle"), "[fsBold,fsItalic]");
    EXPECT_EQ(Read("Panel1_Anchors"), "[akLeft,akRight]");
    EXPECT_EQ(Read("Count", "TfPropsTest.Memo1_Lines"), "4");
    EXPECT_EQ(Read("Gadget1_Ratio"), "2.5");
    EXPECT_EQ(Read("Gadget1_Link"), "Other.Button1");
    EXPECT_EQ(Read("Gadget1_Columns.Count"), "2");
    EXPECT_EQ(Read("Item1_Width", "TfPropsTest.Gadget1_Columns"), "120");
    EXPECT_EQ(Read("Edit1_NoSuchProperty"), "<none>");

    form = Open();
    EXPECT_EQ(form->Edit1->Text(), "Ahoj světe");
    EXPECT_EQ(form->Edit1->Width(), 123);
    EXPECT_TRUE(form->CheckBox1->Checked());
    EXPECT_EQ(form->ComboBox2->Items()->Count(), 2);
    EXPECT_EQ(form->ComboBox2->Text(), "english.lng");
    EXPECT_EQ(form->Panel1->Font()->Name(), "Courier New");
    EXPECT_EQ(form->Panel1->Font()->Color(), clRed);
    EXPECT_EQ(form->Panel1->Font()->Style(), (TFontStyles{fsBold, fsItalic}));
    EXPECT_EQ(form->Panel1->Anchors(), (TAnchors{akLeft, akRight}));
    EXPECT_EQ(form->Memo1->Lines()->Text(), "first\r\n  second  \r\n\r\nlast\r\n");
    EXPECT_DOUBLE_EQ(form->Gadget1->Ratio(), 2.5);
    EXPECT_FLOAT_EQ(form->Gadget1->Scale(), 0.1f);
    EXPECT_EQ(form->Gadget1->Big(), Int64{1} << 40);
    EXPECT_EQ(form->Gadget1->Letter(), 'Z');
    ASSERT_EQ(form->Gadget1->Columns()->Count(), 2);
    EXPECT_EQ(static_cast<TGadgetColumn*>(form->Gadget1->Columns()->Items(0))->Title(), "Jméno");
    EXPECT_EQ(static_cast<TGadgetColumn*>(form->Gadget1->Columns()->Items(1))->Width(), 120);
    EXPECT_EQ(form->Gadget1->Link(), button);
    EXPECT_EQ(form->Gadget1->Styles(), TFontStyles{fsUnderline});
    form->Storage->SetActive(false);
    form->Free();
    other->Free();
}

TEST_F(TFormStorageTest, BooleansAndEnumerationsAreIdentifiersReadIgnoringCase) {
    Write("CheckBox1_Checked", "true");
    auto* form = Open();
    EXPECT_TRUE(form->CheckBox1->Checked());
    form->Storage->SetActive(false);
    form->Free();

    Write("CheckBox1_Checked", "maybe");
    form = new TfPropsTest(Ini, AllLines);
    form->CheckBox1->SetChecked(true);
    form->Show();
    EXPECT_TRUE(form->CheckBox1->Checked());  // no match: unchanged
    form->Close();
    EXPECT_EQ(Read("CheckBox1_Checked"), "True");
    form->Free();
}

TEST_F(TFormStorageTest, TextIsStoredTrimmedAndEmptyTextIsStored) {
    auto* form = Open();
    form->Edit1->SetText("  padded  ");
    form->ComboBox2->SetText("");
    form->Close();
    form->Free();
    EXPECT_EQ(Read("Edit1_Text"), "padded");
    EXPECT_EQ(Read("ComboBox2_Text"), "");
}

TEST_F(TFormStorageTest, AnEmptyListErasesItsSubSectionAndLoadingThenKeepsTheLines) {
    auto* form = Open();
    form->Memo1->Lines()->SetText("a\r\nb\r\n");
    form->Close();
    form->Memo1->Lines()->Clear();
    form->Show();
    EXPECT_EQ(form->Memo1->Lines()->Count(), 2);
    form->Memo1->Lines()->Clear();
    form->Close();
    EXPECT_FALSE(TIniFile(Ini).SectionExists("TfPropsTest.Memo1_Lines"));
    form->Memo1->Lines()->SetText("kept\r\n");
    form->Show();
    EXPECT_EQ(form->Memo1->Lines()->Text(), "kept\r\n");
    form->Storage->SetActive(false);
    form->Free();
}

TEST_F(TFormStorageTest, DamagedValuesLeaveTheRestLoaded) {
    Write("Edit1_Width", "12abc");           // integer that does not parse: 0
    Write("Gadget1_Ratio", "two");           // float that does not parse: unchanged
    Write("Gadget1_Styles", "[fsBold, bogus fsStrikeOut]");
    Write("Panel1_FontColor", "clRed");      // a colour is a number here
    Write("Gadget1_Link", "Vanished");       // no such component: nil
    Write("Gadget1_Columns.Count", "99999999");
    Write("Count", "1000000000", "TfPropsTest.Memo1_Lines");
    Write("Item0", "only line", "TfPropsTest.Memo1_Lines");
    Write("Edit1_Text", "still loaded");
    Write("CheckBox1_Checked", "True");

    auto* form = new TfPropsTest(Ini, AllLines);
    form->Gadget1->SetRatio(1.5);
    form->Gadget1->SetLink(form->Edit1);
    form->Gadget1->Columns()->Add();
    form->Show();
    EXPECT_EQ(form->Edit1->Width(), 0);
    EXPECT_DOUBLE_EQ(form->Gadget1->Ratio(), 1.5);
    EXPECT_EQ(form->Gadget1->Styles(), (TFontStyles{fsBold, fsStrikeOut}));
    EXPECT_EQ(form->Panel1->Font()->Color(), 0);
    EXPECT_EQ(form->Gadget1->Link(), nullptr);
    EXPECT_EQ(form->Gadget1->Columns()->Count(), 1);
    EXPECT_EQ(form->Memo1->Lines()->Text(), "only line\r\n");
    EXPECT_EQ(form->Edit1->Text(), "still loaded");
    EXPECT_TRUE(form->CheckBox1->Checked());
    form->Storage->SetActive(false);
    form->Free();

    Write("Gadget1_Link", "(NULL)");
    Write("Gadget1_Small", "300");  // out of the property's range: unchanged
    form = new TfPropsTest(Ini, {"Gadget1.Link", "Gadget1.Small"});
    form->Gadget1->SetLink(form->Edit1);
    form->Gadget1->SetSmall(7);
    form->Show();
    EXPECT_EQ(form->Gadget1->Link(), nullptr);
    EXPECT_EQ(form->Gadget1->Small(), 7);
    form->Storage->SetActive(false);
    form->Free();
}

namespace {
struct TCommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};
}  // namespace

TEST_F(TFormStorageTest, AFloatWrittenUnderADecimalCommaLocaleReadsBack) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const AnsiString savedC = old ? old : "C";
    const std::locale savedCpp = std::locale::global(std::locale(std::locale::classic(), new TCommaDecimal));
    for (const char* name : {"de_DE.UTF-8", "cs_CZ.UTF-8", "de_DE", "cs_CZ"})
        if (std::setlocale(LC_NUMERIC, name)) break;
    auto* form = Open({"Gadget1.Ratio"});
    form->Gadget1->SetRatio(0.125);
    form->Close();
    form->Free();
    std::setlocale(LC_NUMERIC, savedC.c_str());
    std::locale::global(savedCpp);
    EXPECT_EQ(Read("Gadget1_Ratio"), "0.125");
    form = Open({"Gadget1.Ratio"});
    EXPECT_DOUBLE_EQ(form->Gadget1->Ratio(), 0.125);
    form->Storage->SetActive(false);
    form->Free();
}

TEST_F(TFormStorageTest, StoredValuesAreKeptUnderTheirNamesEncodedWithTheirKey) {
    auto make = [&] {
        auto* form = new TfPropsTest(Ini, {});
        TStoredValue* plain = form->Storage->StoredValues()->Add();
        plain->SetName("Nick");
        TStoredValue* secret = form->Storage->StoredValues()->Add();
        secret->SetName("Password");
        secret->KeyString = "key";
        return form;
    };
    auto* form = make();
    form->Show();
    form->Storage->StoredValues()->FindValue("nick")->Value = Variant("Pepa");
    form->Storage->StoredValues()->FindValue("Password")->Value = Variant("tajné");
    int saves = 0;
    form->Storage->StoredValues()->Items(0)->OnSave = [&](TStoredValue*, Variant&) { ++saves; };
    form->Close();
    form->Free();
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(Read("Nick"), "Pepa");
    EXPECT_EQ(Read("Password"), EncodeHexWithKey("key", "tajné"));

    form = make();
    form->Storage->StoredValues()->Items(1)->OnRestore = [](TStoredValue*, Variant& V) {
        V = Variant(V.AsString() + "!");
    };
    form->Show();
    EXPECT_EQ(form->Storage->StoredValues()->Items(0)->Value.AsString(), "Pepa");
    EXPECT_EQ(form->Storage->StoredValues()->Items(1)->Value.AsString(), "tajné!");
    EXPECT_THROW(form->Storage->StoredValues()->Items(1)->SetName("NICK"), EStringListError);
    form->Storage->SetActive(false);
    form->Free();
}

TEST(TPropsStorageTest, ConvertsOneObjectThroughItsCallbacks) {
    std::map<std::pair<AnsiString, AnsiString>, AnsiString> store;
    TGadget gadget(nullptr);
    gadget.SetLetter('q');
    gadget.Lines()->Add("x");
    TPropsStorage storage;
    storage.AObject = &gadget;
    storage.Prefix = "G_";
    storage.Section = "S";
    storage.OnWriteString = [&](const AnsiString& s, const AnsiString& k, const AnsiString& v) { store[{s, k}] = v; };
    storage.OnReadString = [&](const AnsiString& s, const AnsiString& k, const AnsiString& d) {
        auto it = store.find({s, k});
        return it == store.end() ? d : it->second;
    };
    storage.StoreProperties();
    EXPECT_EQ(store[std::make_pair(AnsiString("S"), AnsiString("G_Letter"))], "q");
    EXPECT_EQ(store[std::make_pair(AnsiString("S"), AnsiString("G_Link"))], "(null)");
    EXPECT_EQ(store[std::make_pair(AnsiString("S.G_Lines"), AnsiString("Item0"))], "x");
    gadget.SetLetter('w');
    storage.LoadProperties();
    EXPECT_EQ(gadget.Letter(), 'q');
    // Without callbacks nothing is read or written.
    TPropsStorage silent;
    silent.AObject = &gadget;
    silent.StoreProperties();
    silent.LoadProperties();
    EXPECT_EQ(gadget.Letter(), 'q');
}
