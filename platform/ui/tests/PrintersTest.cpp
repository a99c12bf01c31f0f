#include "platform/ui/Printers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "platform/rtl/FileUtils.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/RichEdit.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"

namespace {

std::string OutputFile(const std::string& name) {
    std::filesystem::create_directories(VEMLOR_TEST_OUTPUT);
    return std::string(VEMLOR_TEST_OUTPUT) + "/printers_" + name;
}

// Pages of a PDF as its page tree counts them ("/Type /Page" objects).
int PdfPages(const std::string& file) {
    const AnsiString pdf = ReadFileBytes(file);
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    const std::regex page("/Type\\s*/Page[^s]");
    return static_cast<int>(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

struct PrinterFixture : ::testing::Test {
    TPrinter* Saved = nullptr;
    void SetUp() override { Saved = SetPrinter(new TPrinter); }
    void TearDown() override { delete SetPrinter(Saved); }
};

TEST_F(PrinterFixture, TheFilePrinterWritesPagesAndReplacesTheFileOnlyAtTheEnd) {
    TPrinter* p = Printer();
    ASSERT_TRUE(p->IsFilePrinter());
    EXPECT_EQ(p->PixelsPerInchX(), 1200);
    EXPECT_GT(p->PageHeight(), p->PageWidth());
    EXPECT_THROW(p->EndDoc(), EPrinter);
    EXPECT_THROW(p->BeginDoc(), EPrinter);  // no file yet
    const std::string file = OutputFile("pages.pdf");
    WriteFileAtomic(file, "old");
    p->SetFileName(file);
    p->SetTitle("Zkouška");
    p->BeginDoc();
    EXPECT_THROW(p->BeginDoc(), EPrinter);
    p->NewPage();
    p->NewPage();
    EXPECT_EQ(p->PageNumber(), 3);
    p->Abort();
    EXPECT_EQ(ReadFileBytes(file), "old");
    p->BeginDoc();
    p->NewPage();
    p->EndDoc();
    EXPECT_EQ(PdfPages(file), 2);
}

TEST_F(PrinterFixture, FormatRangeFillsPagesWithWholeLinesAndReportsNoProgress) {
    TForm* form = new TForm(nullptr);
    auto* edit = new TCustomRichMemo(form);
    edit->SetParent(form);
    edit->ExLimitText(RichEditMaxLimit);
    AnsiString text;
    for (int i = 0; i < 200; ++i) text += "Řádek číslo " + std::to_string(i) + "\r";
    edit->SetText(text);
    const Integer len = edit->GetTextLengthEx(GTL_DEFAULT);

    TPrinter* p = Printer();
    const std::string file = OutputFile("range.pdf");
    p->SetFileName(file);
    p->BeginDoc();
    TFormatRange r;
    r.Target = p;
    r.Rect = Rect(1440, 1440, 10000, 15000);
    r.Page = r.Rect;
    r.Chars = {0, -1};
    int pages = 0;
    std::vector<Integer> starts;
    for (;;) {
        starts.push_back(r.Chars.Min);
        const Integer next = edit->FormatRange(&r, true);
        ++pages;
        ASSERT_GT(next, r.Chars.Min);
        if (next >= len) break;
        r.Chars.Min = next;
        p->NewPage();
    }
    p->EndDoc();
    edit->FormatRange(nullptr, false);
    EXPECT_GT(pages, 2);
    EXPECT_EQ(PdfPages(file), pages);
    // Each page starts at the beginning of a line.
    for (Integer s : starts) EXPECT_EQ(edit->LineIndex(edit->LineFromChar(s)), s);
    // A rectangle lower than one line takes nothing.
    r.Chars = {0, -1};
    r.Rect = Rect(0, 0, 5000, 20);
    EXPECT_EQ(edit->FormatRange(&r, false), 0);
    form->Free();
    PumpUntilIdle();
}

TEST_F(PrinterFixture, ThePrintDialogChoosesTheFileAndCopies) {
    const std::string file = OutputFile("dialog.pdf");
    TPrintDialog dialog(nullptr);
    {
        TModalAnswerer answerer;
        answerer.Answer(mrOk, [&](TForm* form) {
            static_cast<TEdit*>(form->FindComponent("FileNameEdit"))->SetText(file);
            static_cast<TSpinEdit*>(form->FindComponent("CopiesEdit"))->SetValue(3);
            EXPECT_EQ(static_cast<TComboBox*>(form->FindComponent("PrinterCombo"))->ItemIndex(), 0);
        });
        EXPECT_TRUE(dialog.Execute());
        EXPECT_TRUE(answerer.Unexpected().empty());
    }
    EXPECT_EQ(Printer()->FileName(), file);
    EXPECT_EQ(dialog.Copies(), 3);
    {
        TModalAnswerer answerer;
        answerer.Answer(mrCancel, [&](TForm* form) {
            static_cast<TEdit*>(form->FindComponent("FileNameEdit"))->SetText("/tmp/other.pdf");
        });
        EXPECT_FALSE(dialog.Execute());
    }
    EXPECT_EQ(Printer()->FileName(), file);
}

}  // namespace
