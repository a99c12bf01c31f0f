#include "components/VmRichEd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <regex>
#include <string>

#include "platform/classes/TypInfo.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Printers.h"
#include "platform/ui/TestSupport.h"

namespace {

// Lets a test hand the component the notifications its window would send.
class TTestRichEdit : public TVmRichEdit {
public:
    using TVmRichEdit::TVmRichEdit;
    void Send(TRichNotify& n) { Notify(n); }
    void NotFound(const AnsiString& s) { DoTextNotFound(s); }
};

// A stream whose reads fail after the first one.
class TFailingStream : public TStringStream {
public:
    using TStringStream::TStringStream;
    LongInt Read(void* Buffer, LongInt Count) override {
        if (FCalls++ > 0) throw EReadError("disk gone");
        return TStringStream::Read(Buffer, Count);
    }

private:
    int FCalls = 0;
};

std::string OutputFile(const std::string& name) {
    std::filesystem::create_directories(VEMLOR_TEST_OUTPUT);
    return std::string(VEMLOR_TEST_OUTPUT) + "/vmriched_" + name;
}

int PdfPages(const std::string& file) {
    const AnsiString pdf = ReadFileBytes(file);
    const std::regex page("/Type\\s*/Page[^s]");
    return static_cast<int>(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

struct VmRichEditFixture : ::testing::Test {
    TForm* Form = nullptr;
    TTestRichEdit* Edit = nullptr;
    void SetUp() override {
        Form = new TForm(nullptr);
        Edit = new TTestRichEdit(Form);
        Edit->SetParent(Form);
        Edit->SetBounds(0, 0, 400, 200);
    }
    void TearDown() override {
        Form->Free();
        PumpUntilIdle();
    }
    TCharFormat Bold() {
        TCharFormat f;
        f.Mask = CFM_BOLD;
        f.Effects = CFE_BOLD;
        return f;
    }
    void LoadString(const std::string& bytes) {
        TStringStream s(bytes);
        Edit->Lines()->LoadFromStream(&s);
    }
};

TEST_F(VmRichEditFixture, LinesAreParagraphsAndAnEmptyLastLineIsNoLine) {
    TStrings* lines = Edit->Lines();
    EXPECT_EQ(lines->Count(), 0);
    Edit->SetText("a\r");
    EXPECT_EQ(lines->Count(), 1);
    Edit->SetText("abc");
    lines->Insert(1, "s");  // at Count, after a last line without a break
    EXPECT_EQ(Edit->Text(), "abc\r\ns");
    lines->Insert(0, "first");
    EXPECT_EQ(Edit->Text(), "first\r\nabc\r\ns");
    lines->SetStrings(1, "ABC");
    EXPECT_EQ(Edit->Text(), "first\r\nABC\r\ns");
    EXPECT_EQ(Edit->ExGetSel(), (TCharRange{9, 9}));  // the caret after the new line text
    EXPECT_FALSE(Edit->CanUndo());
    lines->Delete(0);
    EXPECT_EQ(lines->Strings(0), "ABC");
    lines->Delete(1);
    EXPECT_EQ(Edit->Text(), "ABC\r\n");
    EXPECT_EQ(lines->Count(), 1);
    // Whole lines, however long.
    Edit->SetMaxLength(0);
    const AnsiString longLine(9000, 'y');
    Edit->SetText("x\r" + longLine + "\rz");
    EXPECT_EQ(lines->Strings(1), longLine);
    EXPECT_EQ(lines->Strings(2), "z");
}

TEST_F(VmRichEditFixture, ChangeEventsOfTheLineList) {
    int changes = 0;
    int selections = 0;
    Edit->OnChange = [&](TObject*) { ++changes; };
    Edit->OnSelectionChange = [&](TObject*) { ++selections; };
    Edit->Lines()->Add("one");
    Edit->Lines()->Add("two");
    EXPECT_EQ(changes, 2);
    changes = 0;
    Edit->Lines()->SetText("a\r\nb\r\nc");
    EXPECT_EQ(changes, 1);  // once, when the update ends
    EXPECT_EQ(Edit->Lines()->Count(), 3);
    TStringList more;
    more.Add("d");
    selections = 0;
    Edit->Lines()->AddStrings(&more);
    EXPECT_EQ(selections, 0);
    EXPECT_EQ(Edit->Lines()->Strings(3), "d");
}

TEST_F(VmRichEditFixture, WritingSelTextSelectsExactlyWhatWasInsertedAndCanBeUndone) {
    Edit->SetText("12345");
    Edit->SelectRange(1, 3, false);
    Edit->SetSelText("a\r\nb");  // four characters, three positions
    EXPECT_EQ(Edit->Text(), "1a\r\nb45");
    EXPECT_EQ(Edit->ExGetSel(), (TCharRange{1, 4}));
    EXPECT_EQ(Edit->SelText(), "a\rb");
    EXPECT_TRUE(Edit->CanUndo());
    Edit->Undo();
    EXPECT_EQ(Edit->Text(), "12345");
    Edit->SetMaxLength(7);
    Edit->SelectRange(5, 5, false);
    Edit->SetSelText("6789");  // the limit leaves room for two
    EXPECT_EQ(Edit->Text(), "1234567");
    EXPECT_EQ(Edit->ExGetSel(), (TCharRange{5, 7}));
    Edit->SetUndoLimit(1);
    Edit->SelectRange(0, 1, false);
    Edit->SetSelText("x");
    EXPECT_FALSE(Edit->CanUndo());
}

TEST_F(VmRichEditFixture, CopyingAndRangesStayInsideTheirBounds) {
    Edit->SetText("abcdef");
    Edit->SelectRange(0, 6, false);
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(Edit->GetSelTextBuf(buffer, 4), 3);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], '#');  // nothing written past the buffer
    EXPECT_EQ(Edit->GetSelTextBuf(buffer, 0), 0);
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(Edit->TextInRange(-5, 1000), "abcdef");
    EXPECT_EQ(Edit->TextInRange(4, 2), "");
    EXPECT_EQ(Edit->TextInRange(2, 4), "cd");
    Edit->SetText("ab\rcdef");
    Edit->SelectRange(5, 5, false);
    EXPECT_EQ(Edit->CaretPos(), (TPoint{2, 1}));
}

TEST_F(VmRichEditFixture, MaxLengthZeroMeansTheLargestLimit) {
    EXPECT_EQ(Edit->GetLimitText(), RichEditMaxLimit);
    Edit->SetMaxLength(10);
    EXPECT_EQ(Edit->GetLimitText(), 10);
    Edit->SetMaxLength(0);
    EXPECT_EQ(Edit->GetLimitText(), 16777215);
}

TEST_F(VmRichEditFixture, TextAndParagraphAttributes) {
    // A bold font in the window-text colour keeps bold default text.
    TFont font;
    font.SetName("Arial");
    font.SetSize(12);
    font.SetStyle(TFontStyles{fsBold});
    font.SetColor(clWindowText);
    Edit->SetFont(&font);
    TVmTextAttributes* def = Edit->DefaultTextAttributes();
    EXPECT_TRUE(def->Style().Contains(fsBold));
    EXPECT_EQ(def->Color(), clWindowText);
    EXPECT_EQ(def->Size(), 12);
    EXPECT_EQ(def->Name(), "Arial");

    Edit->SetText("jedna dva");
    Edit->SelectRange(0, 5, false);
    TVmTextAttributes* sel = Edit->SelectedTextAttributes();
    sel->SetColor(clRed);
    sel->SetSize(20);
    sel->SetStyle(TFontStyles{fsItalic});
    sel->SetName("Courier New");
    sel->SetPitch(fpFixed);
    EXPECT_EQ(sel->Color(), clRed);
    EXPECT_EQ(sel->Size(), 20);
    EXPECT_EQ(sel->Style(), TFontStyles{fsItalic});
    EXPECT_EQ(sel->Pitch(), fpFixed);
    TFont copy;
    copy.Assign(sel);
    EXPECT_EQ(copy.Name(), "Courier New");
    EXPECT_EQ(copy.Size(), 20);
    EXPECT_EQ(copy.Color(), clRed);
    Edit->SelectRange(6, 9, false);
    sel->Assign(def);
    EXPECT_TRUE(sel->Style().Contains(fsBold));
    EXPECT_THROW(sel->Assign(Edit->ParagraphAttributes()), EConvertError);

    TVmParaAttributes* para = Edit->ParagraphAttributes();
    para->SetNumberingStyle(1);
    EXPECT_EQ(para->NumberingStyle(), 1);
    EXPECT_EQ(para->OffsetIndent(), 10);  // room made for the bullet
    para->SetNumberingStyle(0);
    EXPECT_EQ(para->OffsetIndent(), 0);
    para->SetAlignment(taJustify);
    EXPECT_EQ(para->Alignment(), taJustify);
    para->SetStartIndent(36);
    para->SetEndIndent(18);
    EXPECT_EQ(para->StartIndent(), 36);
    EXPECT_EQ(para->EndIndent(), 18);
    para->SetTabPosition(2, 72);
    EXPECT_EQ(para->TabCount(), 3);
    EXPECT_EQ(para->TabPosition(2), 72);
    EXPECT_THROW(para->TabPosition(32), ERangeError);
}

TEST_F(VmRichEditFixture, ProtectedTextAsksItsHandlers) {
    Edit->SetText("volno CHRANENO volno");
    Edit->SelectRange(6, 14, false);
    Edit->SelectedTextAttributes()->SetProtected(true);
    Edit->SelectRange(8, 10, false);
    Edit->SetSelText("x");  // no handler: refused
    EXPECT_EQ(Edit->Text(), "volno CHRANENO volno");
    int asked = 0;
    Edit->OnProtectChange = [&](TObject*, Integer s, Integer e, bool& allow) {
        ++asked;
        EXPECT_EQ(s, 8);
        EXPECT_EQ(e, 10);
        allow = true;
    };
    bool exAsked = false;
    Edit->OnProtectChangeEx = [&](TObject*, const TMessage& m, Integer, Integer, bool& allow) {
        exAsked = true;
        EXPECT_EQ(m.Msg, EM_REPLACESEL);
        allow = false;
    };
    Edit->SetSelText("x");  // the extended handler is the one asked
    EXPECT_TRUE(exAsked);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(Edit->Text(), "volno CHRANENO volno");
    Edit->OnProtectChangeEx = nullptr;
    Edit->SetSelText("x");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Edit->Text(), "volno CHxNENO volno");
}

TEST_F(VmRichEditFixture, ALinkClicksOnlyWhenPressedAndReleasedOnIt) {
    Edit->SetText("viz http://example.org/a a www.example.cz.");
    std::vector<AnsiString> clicked;
    Edit->OnURLClick = [&](TObject*, const AnsiString& url, TMouseButton) { clicked.push_back(url); };
    // Through the mouse: the detected address, without the full stop.
    Form->Show();
    PumpUntilIdle();
    const TPoint p = Edit->PosFromChar(8);
    SendClick(Edit, p.x + 2, p.y + 4);
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0], "http://example.org/a");
    auto send = [&](Cardinal msg, TCharRange r) {
        TRichNotify n;
        n.Code = EN_LINK;
        n.Message.Msg = msg;
        n.Range = r;
        Edit->Send(n);
    };
    send(WM_LBUTTONDOWN, {4, 24});
    send(WM_LBUTTONUP, {27, 41});  // released on another link
    send(WM_RBUTTONDOWN, {27, 41});
    send(WM_LBUTTONUP, {27, 41});  // another button
    EXPECT_EQ(clicked.size(), 1u);
    send(WM_RBUTTONDOWN, {27, 41});
    send(WM_RBUTTONUP, {27, 41});
    ASSERT_EQ(clicked.size(), 2u);
    EXPECT_EQ(clicked[1], "www.example.cz");
    // Detection off: no links, nothing to click.
    Edit->SetAutoURLDetect(false);
    SendClick(Edit, p.x + 2, p.y + 4);
    EXPECT_EQ(clicked.size(), 2u);
    int notFound = 0;
    Edit->OnTextNotFound = [&](TObject*, const AnsiString& s) { notFound += s == "pes"; };
    Edit->NotFound("pes");
    EXPECT_EQ(notFound, 1);
}

TEST_F(VmRichEditFixture, ReCreatingTheWindowKeepsAllTheTextAndItsFormats) {
    Edit->SetText("tučně a dál");
    Edit->SelectRange(0, 5, false);
    Edit->SetCharFormat(SCF_SELECTION, Bold());
    Edit->SetStreamFormat(sfPlainText);
    Edit->SetStreamMode(TRichStreamModes{smSelection});
    Edit->SelectRange(6, 7, false);
    Edit->SetModified(true);
    Edit->SetSelectionBar(false);  // re-creates the window
    EXPECT_EQ(Edit->Text(), "tučně a dál");
    EXPECT_TRUE(Edit->Modified());
    Edit->SelectRange(0, 5, false);
    EXPECT_TRUE(Edit->SelectedTextAttributes()->Style().Contains(fsBold));
    EXPECT_EQ(Edit->StreamFormat(), sfPlainText);
    EXPECT_EQ(Edit->StreamMode(), TRichStreamModes{smSelection});
    EXPECT_FALSE(Edit->SelectionBar());
}

TEST_F(VmRichEditFixture, SwitchingToPlainTextKeepsTheCharactersOnly) {
    Edit->SetText("a tučné slovo");
    Edit->SelectRange(2, 7, false);
    Edit->SetCharFormat(SCF_SELECTION, Bold());
    Edit->SetPlainText(true);
    EXPECT_EQ(Edit->Text(), "a tučné slovo");
    Edit->SelectRange(2, 7, false);
    EXPECT_FALSE(Edit->SelectedTextAttributes()->Style().Contains(fsBold));
    EXPECT_TRUE(Edit->PlainText());
}

TEST_F(VmRichEditFixture, LoadingKeepsEveryLineBreakAndFailsWithoutHalfAText) {
    // The converter hands out 2047 bytes per chunk: put a lone CR and a
    // CR LF pair on the boundaries, and a NUL in the middle.
    std::string data(2046, 'a');
    data += '\r';   // byte 2046, the last of the first chunk
    data += 'b';
    data += std::string(2044, 'c');
    data += '\r';   // byte 4093, the last of the second chunk
    data += '\n';
    data += "d";
    data[100] = '\0';
    Edit->SetStreamFormat(sfPlainText);
    LoadString(data);
    ASSERT_EQ(Edit->Lines()->Count(), 3);
    EXPECT_EQ(Edit->Lines()->Strings(0).size(), 2045u);  // the NUL is dropped, not an end
    EXPECT_EQ(Edit->Lines()->Strings(1), "b" + AnsiString(2044, 'c'));
    EXPECT_EQ(Edit->Lines()->Strings(2), "d");
    EXPECT_EQ(Edit->ExGetSel(), (TCharRange{0, 0}));

    // Plain text asked for as RTF still loads, as plain text.
    Edit->SetStreamFormat(sfRichText);
    LoadString("no \\b rtf here");
    EXPECT_EQ(Edit->Text(), "no \\b rtf here");
    LoadString("{\\rtf1 {\\b tu\\'e8n\\'fd}\\par konec}");
    EXPECT_EQ(Edit->Text(), "tučný\r\nkonec");
    Edit->SelectRange(0, 2, false);
    EXPECT_TRUE(Edit->SelectedTextAttributes()->Style().Contains(fsBold));

    // A converter that fails halfway leaves the text as it was.
    TFailingStream failing(AnsiString(10000, 'z'));
    EXPECT_THROW(Edit->Lines()->LoadFromStream(&failing), EOutOfResources);
    EXPECT_EQ(Edit->Text(), "tučný\r\nkonec");
}

TEST_F(VmRichEditFixture, FilesLoadAndSaveByTheirExtension) {
    const std::string txt = OutputFile("looks_like_rtf.TXT");
    WriteFileAtomic(txt, "{\\rtf1 {\\b x}}");
    Edit->Lines()->LoadFromFile(txt);
    EXPECT_EQ(Edit->Text(), "{\\rtf1 {\\b x}}");  // a .txt is plain text whatever it holds
    EXPECT_EQ(Edit->StreamFormat(), sfDefault);

    Edit->SetText("řádek jedna\rdva");
    Edit->SelectRange(0, 5, false);
    Edit->SetCharFormat(SCF_SELECTION, Bold());
    const std::string rtf = OutputFile("saved.rtf");
    Edit->Lines()->SaveToFile(rtf);
    EXPECT_EQ(ReadFileBytes(rtf).rfind("{\\rtf1", 0), 0u);
    const std::string doc = OutputFile("saved.doc");  // unknown: the stream format decides
    Edit->Lines()->SaveToFile(doc);
    Edit->Clear();
    EXPECT_FALSE(Edit->Modified());
    Edit->Lines()->LoadFromFile(doc);
    EXPECT_EQ(Edit->Text(), "řádek jedna\r\ndva");
    Edit->SelectRange(0, 5, false);
    EXPECT_TRUE(Edit->SelectedTextAttributes()->Style().Contains(fsBold));
    EXPECT_THROW(Edit->Lines()->LoadFromFile(OutputFile("missing.rtf")), EFOpenError);
    EXPECT_EQ(Edit->Text(), "řádek jedna\r\ndva");
}

struct PrintFixture : VmRichEditFixture {
    TPrinter* Saved = nullptr;
    std::string File;
    void SetUp() override {
        VmRichEditFixture::SetUp();
        Saved = SetPrinter(new TPrinter);
        // ctest runs the cases of this binary side by side: a file per case.
        File = OutputFile(std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".pdf");
        std::filesystem::remove(File);
        Printer()->SetFileName(File);
    }
    void TearDown() override {
        delete SetPrinter(Saved);
        VmRichEditFixture::TearDown();
    }
};

TEST_F(PrintFixture, PrintingALongTextWritesSeveralPagesAndAnEmptyTextOne) {
    AnsiString text;
    for (int i = 0; i < 300; ++i) text += "Řádek zprávy číslo " + IntToStr(i) + "\r";
    Edit->SetText(text);
    Edit->SetPrintPageRect(Rect(1200, 1800, 9000, 12000));
    Edit->PrintContents("SMS");
    EXPECT_FALSE(Printer()->Printing());
    EXPECT_EQ(Printer()->Title(), "SMS");
    EXPECT_GE(PdfPages(File), 3);

    Edit->Clear();
    Edit->PrintContents("empty");
    EXPECT_EQ(PdfPages(File), 1);
}

TEST_F(PrintFixture, APageThatTakesNoTextStopsPrintingWithAnError) {
    WriteFileAtomic(File, "before");
    Edit->SetText("text");
    Edit->SetPrintPageRect(Rect(0, 0, 2000, 5));  // lower than any line
    EXPECT_THROW(Edit->PrintContents("x"), EPrinter);
    EXPECT_FALSE(Printer()->Printing());
    EXPECT_EQ(ReadFileBytes(File), "before");
}

TEST(TVmRichEditTest, PublishesItsPropertiesWithTheirDefaults) {
    TForm* form = new TForm(nullptr);
    auto* edit = new TVmRichEdit(form);
    const char* const names[] = {"AutoURLDetect", "HideScrollBars", "LangOptions", "Lines", "PlainText",
                                 "StreamMode", "UndoLimit", "WordSelection", "OnURLClick", "OnProtectChange"};
    for (const char* n : names) EXPECT_NE(GetPropInfo(edit, n), nullptr) << n;
    EXPECT_EQ(GetPropValue(edit, "UndoLimit"), "100");
    EXPECT_EQ(GetPropValue(edit, "LangOptions"), "[rlAutoFont]");
    EXPECT_EQ(GetPropValue(edit, "ScrollBars"), "ssBoth");
    EXPECT_EQ(GetPropValue(edit, "StreamFormat"), "sfDefault");
    EXPECT_TRUE(edit->AutoURLDetect());
    EXPECT_TRUE(edit->SelectionBar());
    EXPECT_EQ(edit->Width(), 185);
    EXPECT_EQ(edit->SelectedContentKinds(), TRichSelectionKinds{});
    form->Free();
    PumpUntilIdle();
}

TEST_F(VmRichEditFixture, EveryKeptTextFileLoadsAndSavesBackToTheSameLines) {
    // tests/data/richtext holds the text-loading fuzzer's starting inputs and
    // every input that ever crashed or hung it ("fuzz_*"): a byte telling how
    // the file loads (bit 0 UTF-16, bit 1 an editor for plain text, bit 2 the
    // format left to the editor), then the file. Addresses are detected, as
    // by default, so every line is searched for them.
    auto* plainEdit = new TTestRichEdit(Form);
    plainEdit->SetParent(Form);
    plainEdit->SetPlainText(true);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(VEMLOR_TEST_DATA) + "/richtext")) {
        if (entry.path().extension() != ".txt") continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++files;
        const AnsiString bytes = ReadFileBytes(entry.path().string());
        ASSERT_FALSE(bytes.empty());
        const Byte mode = Byte(bytes[0]);
        TTestRichEdit* edit = mode & 2 ? plainEdit : Edit;
        edit->SetStreamFormat(!(mode & 2) && (mode & 4) ? sfDefault : sfPlainText);
        edit->SetStreamMode(mode & 1 ? TRichStreamModes{smUnicode} : TRichStreamModes{});
        TStringStream file(bytes.substr(1));
        edit->Lines()->LoadFromStream(&file);
        // RTF keeps no control characters but the tab (and a last line left
        // empty by that is no line).
        const auto normal = [rtf = edit->StreamFormat() == sfDefault](AnsiString Lines) {
            if (!rtf) return Lines;
            std::erase_if(Lines, [](char c) { return Byte(c) < 0x20 && c != '\t' && c != '\r' && c != '\n'; });
            while (!Lines.empty() && (Lines.back() == '\r' || Lines.back() == '\n')) Lines.pop_back();
            return Lines;
        };
        const AnsiString lines = normal(edit->Lines()->Text());
        TStringStream saved;
        edit->Lines()->SaveToStream(&saved);
        edit->Clear();
        saved.SetPosition(0);
        edit->Lines()->LoadFromStream(&saved);
        EXPECT_EQ(normal(edit->Lines()->Text()), lines);
    }
    EXPECT_GE(files, 7);
}

}  // namespace
