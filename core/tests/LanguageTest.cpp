#include "core/Language.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/classes/Component.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/Forms.h"

// Window-like components with the kinds of published properties a language
// file may name: strings, a nested font, an integer, a read-only string.
class TLangTestFont : public TPersistent {
public:
    AnsiString FontName() const { return FName; }
    void SetFontName(const AnsiString& value) { FName = value; }
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    AnsiString FName = "MS Sans Serif";
};

VEMLOR_PUBLISHED(TLangTestFont, TPersistent) {
    Prop("Name", &TLangTestFont::FontName, &TLangTestFont::SetFontName);
}

class TLangTestLabel : public TComponent {
public:
    explicit TLangTestLabel(TComponent* owner) : TComponent(owner) {}
    AnsiString Caption() const { return FCaption; }
    void SetCaption(const AnsiString& value) { FCaption = value; }
    AnsiString Hint() const { return FHint; }
    void SetHint(const AnsiString& value) { FHint = value; }
    AnsiString ReadOnlyText() const { return "designed"; }
    TLangTestFont* Font() const { return &FFont; }
    void SetFont(TLangTestFont* value) { FFont.SetFontName(value->FontName()); }
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    AnsiString FCaption = "designed";
    AnsiString FHint;
    mutable TLangTestFont FFont;
};

VEMLOR_PUBLISHED(TLangTestLabel, TComponent) {
    Prop("Caption", &TLangTestLabel::Caption, &TLangTestLabel::SetCaption);
    Prop("Hint", &TLangTestLabel::Hint, &TLangTestLabel::SetHint);
    Prop("ReadOnlyText", &TLangTestLabel::ReadOnlyText, nullptr);
    Prop("Font", &TLangTestLabel::Font, &TLangTestLabel::SetFont);
}

class TLangTestTimer : public TComponent {
public:
    explicit TLangTestTimer(TComponent* owner) : TComponent(owner) {}
    Integer Interval() const { return FInterval; }
    void SetInterval(Integer value) { FInterval = value; }
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    Integer FInterval = 1000;
};

VEMLOR_PUBLISHED(TLangTestTimer, TComponent) {
    Prop("Interval", &TLangTestTimer::Interval, &TLangTestTimer::SetInterval);
}

namespace {

const AnsiString TestFile = AnsiString(VEMLOR_TEST_DATA) + "/lang/test.lng";

class TLangTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetLang(nullptr);
    }
};

TEST_F(TLangTest, GetTextReturnsTheFileTextOrTheDefault) {
    TLang lang(TestFile);
    EXPECT_EQ(lang.GetText("Hello", "Nazdar"), "Ahoj");
    EXPECT_EQ(lang.GetText("Unknown", "Nazdar"), "Nazdar");
    EXPECT_EQ(lang.GetText("Czech", ""), "Všichni");
    // The text is all after the first '=', blanks included; the key is trimmed.
    EXPECT_EQ(lang.GetText("Equals", ""), "a=b=c");
    EXPECT_EQ(lang.GetText("Spaced", ""), "  kept as is");
    EXPECT_EQ(lang.GetText("NoEquals", "default"), "");
}

TEST_F(TLangTest, BackslashNBecomesCrLf) {
    TLang lang(TestFile);
    EXPECT_EQ(lang.GetText("TwoLines", ""), "first\r\nsecond");
}

TEST_F(TLangTest, FirstOfTwoEqualKeysWins) {
    TLang lang(TestFile);
    EXPECT_EQ(lang.GetText("Dup", ""), "first one");
}

TEST_F(TLangTest, KeysMatchWithLetterCase) {
    TLang lang(TestFile);
    EXPECT_EQ(lang.GetText("DlgYes", "&Ano"), "&Ano");
    EXPECT_EQ(lang.GetText("dlgyes", "&Ano"), "lower case key");
}

TEST_F(TLangTest, EmptyKeyNeverMatches) {
    TLang lang(TestFile);
    EXPECT_EQ(lang.GetText("", "default"), "default");
}

TEST_F(TLangTest, MissingFileOrSectionGivesDefaults) {
    TLang missing(AnsiString(VEMLOR_TEST_DATA) + "/lang/no-such-file.lng");
    EXPECT_TRUE(missing.Strings().empty());
    EXPECT_EQ(missing.GetText("Hello", "Nazdar"), "Nazdar");

    TLang none("");
    EXPECT_EQ(none.GetText("Hello", "Nazdar"), "Nazdar");
}

TEST_F(TLangTest, ReadsLfLinesAndSectionNamesIgnoringCase) {
    AnsiString file = AnsiString(VEMLOR_TEST_OUTPUT) + "/lang-lf.lng";
    ForceDirectories(VEMLOR_TEST_OUTPUT);
    WriteFileAtomic(file, "[strings]\nA=1\n[Other]\nB=2\n");
    TLang lang(file);
    EXPECT_EQ(lang.GetText("A", ""), "1");
    EXPECT_EQ(lang.GetText("B", "none"), "none");
    DeleteFile(file);
}

TEST_F(TLangTest, TranslateFormSetsOnlyLongStringProperties) {
    TComponent form(nullptr);
    form.SetName("fLangTest");
    auto* label = new TLangTestLabel(&form);
    label->SetName("Label1");
    auto* timer = new TLangTestTimer(&form);
    timer->SetName("Timer1");

    TLang lang(TestFile);
    lang.TranslateForm(&form);

    EXPECT_EQ(label->Caption(), "Line one\r\nLine two");
    // "\n" is a line break only in the Strings section.
    EXPECT_EQ(label->Hint(), "hint\\nstays");
    // Nested, integer and read-only properties stay as designed, and a value
    // the component refuses (an invalid name) changes nothing.
    EXPECT_EQ(label->Font()->FontName(), "MS Sans Serif");
    EXPECT_EQ(timer->Interval(), 1000);
    EXPECT_EQ(label->ReadOnlyText(), "designed");
    EXPECT_EQ(label->Name(), "Label1");
}

TEST_F(TLangTest, TranslateFormFindsApplicationComponents) {
    std::unique_ptr<TLangTestLabel> other(new TLangTestLabel(Application));
    other->SetName("fOther");

    TComponent form(nullptr);
    form.SetName("fLangTest");
    TLang lang(TestFile);
    // "Missing.Caption" names nothing anywhere and is skipped quietly.
    EXPECT_NO_THROW(lang.TranslateForm(&form));
    EXPECT_EQ(other->Caption(), "Other window");
}

TEST_F(TLangTest, TranslateFormNamesTheWindowItselfAlsoWhenNobodyOwnsIt) {
    AnsiString file = AnsiString(VEMLOR_TEST_OUTPUT) + "/lang-own.lng";
    ForceDirectories(VEMLOR_TEST_OUTPUT);
    WriteFileAtomic(file, "[fAlone]\nfAlone.Caption=Sign in\n");
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetName("fAlone");
    TLang(file).TranslateForm(form.get());
    EXPECT_EQ(form->Caption(), "Sign in");
    DeleteFile(file);
}

TEST_F(TLangTest, TranslateFormReadsTheFileAgain) {
    AnsiString file = AnsiString(VEMLOR_TEST_OUTPUT) + "/lang-reread.lng";
    ForceDirectories(VEMLOR_TEST_OUTPUT);
    WriteFileAtomic(file, "[fLangTest]\nLabel1.Caption=one\n");
    TComponent form(nullptr);
    form.SetName("fLangTest");
    auto* label = new TLangTestLabel(&form);
    label->SetName("Label1");

    TLang lang(file);
    lang.TranslateForm(&form);
    EXPECT_EQ(label->Caption(), "one");
    WriteFileAtomic(file, "[fLangTest]\nLabel1.Caption=two\n");
    lang.TranslateForm(&form);
    EXPECT_EQ(label->Caption(), "two");
    DeleteFile(file);
}

TEST_F(TLangTest, ProgramWideInstanceIsReplaceable) {
    EXPECT_EQ(Lang(), nullptr);
    EXPECT_EQ(LangText("Hello", "Nazdar"), "Nazdar");
    SetLang(std::make_unique<TLang>(TestFile));
    ASSERT_NE(Lang(), nullptr);
    EXPECT_EQ(LangText("Hello", "Nazdar"), "Ahoj");
    SetLang(std::make_unique<TLang>(""));
    EXPECT_EQ(LangText("Hello", "Nazdar"), "Nazdar");
}

}  // namespace

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

namespace {

// The window classes of the platform, as the program's windows use them.
TEST_F(TLangTest, TranslateFormOnARealWindowSetsCaptionsOnly) {
    AnsiString file = AnsiString(VEMLOR_TEST_OUTPUT) + "/lang-window.lng";
    ForceDirectories(VEMLOR_TEST_OUTPUT);
    WriteFileAtomic(file,
                    "[fOkno]\r\n"
                    "Caption=no component\r\n"
                    "fOkno.Caption=Nastavení\r\n"
                    "Label1.Caption=První~~Druhý\r\n"
                    "Label1.Font.Name=Courier New\r\n"
                    "Label1.Width=5\r\n"
                    "Timer1.Interval=5000\r\n"
                    "Timer1.Enabled=False\r\n"
                    "Button1.Caption=&Uložit\r\n"
                    "Edit1.Text=výchozí\r\n"
                    "Nikdo.Caption=x\r\n");
    TForm* form = new TForm(Application);
    form->SetName("fOkno");
    auto* label = new TLabel(form);
    label->SetName("Label1");
    label->SetParent(form);
    auto* timer = new TTimer(form);
    timer->SetName("Timer1");
    timer->SetInterval(1000);
    auto* button = new TButton(form);
    button->SetName("Button1");
    button->SetParent(form);
    auto* edit = new TEdit(form);
    edit->SetName("Edit1");
    edit->SetParent(form);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    const AnsiString fontName = label->Font()->Name();

    TLang lang(file);
    lang.TranslateForm(form);

    // The window itself is found among the application's components.
    EXPECT_EQ(form->Caption(), "Nastavení");
    EXPECT_EQ(label->Caption(), "První\r\nDruhý");
    EXPECT_EQ(label->Font()->Name(), fontName);
    EXPECT_EQ(timer->Interval(), 1000u);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_EQ(button->Caption(), "&Uložit");
    // A long string like any other; the edit reports the change.
    EXPECT_EQ(edit->Text(), "výchozí");
    EXPECT_EQ(changes, 1);
    EXPECT_NE(label->Width(), 5);  // an integer property
    form->Free();
    DeleteFile(file);
}

// Each text belongs to the key on its own line, whatever comments, blank
// lines, keyless lines and repeated keys stand between.
TEST_F(TLangTest, CommentsAndRepeatedKeysDoNotShiftTexts) {
    AnsiString file = AnsiString(VEMLOR_TEST_OUTPUT) + "/lang-shift.lng";
    ForceDirectories(VEMLOR_TEST_OUTPUT);
    WriteFileAtomic(file,
                    "[Strings]\r\n"
                    "A=1\r\n"
                    "; a comment\r\n"
                    "\r\n"
                    "A=2\r\n"
                    "B=3\r\n"
                    "loose line\r\n"
                    "C=4\r\n");
    TLang lang(file);
    EXPECT_EQ(lang.GetText("A", ""), "1");
    EXPECT_EQ(lang.GetText("B", ""), "3");
    EXPECT_EQ(lang.GetText("C", ""), "4");
    EXPECT_EQ(lang.GetText("; a comment", "none"), "none");
    EXPECT_EQ(lang.Strings().size(), 5u);
    DeleteFile(file);
}

}  // namespace
