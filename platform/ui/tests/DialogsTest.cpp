#include <gtest/gtest.h>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Containers.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"
#include "platform/ui/TextCtrls.h"

namespace {

template <class T>
T* Find(TForm* form, const char* name) {
    T* c = dynamic_cast<T*>(form->FindComponent(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

AnsiString DialogFolder() {
    const AnsiString folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/dialogs/";
    ForceDirectories(folder);
    WriteFileAtomic(folder + "logo.bmp", "BM");
    WriteFileAtomic(folder + "poznámky.txt", "x");
    return folder;
}

TEST(ParseFileFilterTest, PairsDescriptionsAndMasks) {
    auto f = ParseFileFilter("Obrázky (*.bmp;*.jpg)|*.bmp;*.jpg|Všechny soubory|*.*|Lichý");
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].Description, "Obrázky (*.bmp;*.jpg)");
    EXPECT_EQ(f[0].Mask, "*.bmp;*.jpg");
    EXPECT_EQ(f[1].Mask, "*.*");
    EXPECT_TRUE(ParseFileFilter("").empty());
    EXPECT_EQ(ParseFileFilter("Vše|")[0].Mask, "*");
}

TEST(TSaveDialogTest, OverwritePromptCanRefuseAndDefaultExtIsAdded) {
    const AnsiString folder = DialogFolder();
    TSaveDialog dialog(nullptr);
    dialog.SetFilter("Bitmapy (*.bmp)|*.bmp|Všechny soubory|*.*");
    dialog.SetDefaultExt("bmp");
    dialog.SetInitialDir(folder);
    dialog.SetFileName("logo");
    dialog.SetOptions(dialog.Options() + TOpenOptions{ofOverwritePrompt});
    int shows = 0;
    dialog.OnShow = [&](TObject*) { ++shows; };
    TModalAnswerer answers;
    answers.Act([](TForm* f) {
        EXPECT_EQ(f->Caption(), "Uložit jako");
        EXPECT_TRUE(SaveControlToPng(f, VEMLOR_TEST_OUTPUT "/dialog-save.png"));
        auto* list = Find<TListBox>(f, "FileList");
        EXPECT_GE(list->Items()->IndexOf("logo.bmp"), 0);
        EXPECT_LT(list->Items()->IndexOf("poznámky.txt"), 0);  // filtered out
        EXPECT_EQ(Find<TEdit>(f, "FileNameEdit")->Text(), "logo");
        Find<TButton>(f, "OKButton")->Click();
    });
    answers.ClickButton("NoButton", [](TForm* f) {
        EXPECT_TRUE(SaveControlToPng(f, VEMLOR_TEST_OUTPUT "/dialog-overwrite.png"));
        EXPECT_NE(Find<TLabel>(f, "MessageLabel")->Caption().find("logo.bmp"), AnsiString::npos);
    });
    answers.Act([](TForm* f) {
        Find<TEdit>(f, "FileNameEdit")->SetText("nový");
        Find<TButton>(f, "OKButton")->Click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), ExpandFileName(folder) + "nový.bmp");
    EXPECT_EQ(dialog.Files()->Count(), 1);
    EXPECT_EQ(shows, 1);
    EXPECT_TRUE(answers.Unexpected().empty());

    dialog.SetFileName(folder + "logo.bmp");
    answers.ClickButton("OKButton");
    answers.ClickButton("Ano");
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(ExtractFileName(dialog.FileName()), "logo.bmp");
}

TEST(TOpenDialogTest, MissingFileIsRefusedAndFilterChoiceIsKept) {
    const AnsiString folder = DialogFolder();
    TOpenDialog dialog(nullptr);
    dialog.SetFilter("Bitmapy|*.bmp|Texty|*.txt");
    dialog.SetInitialDir(folder);
    dialog.SetOptions(dialog.Options() + TOpenOptions{ofFileMustExist});
    TModalAnswerer answers;
    answers.Act([](TForm* f) {
        EXPECT_EQ(f->Caption(), "Otevřít");
        Find<TEdit>(f, "FileNameEdit")->SetText("chybí.bmp");
        Find<TButton>(f, "OKButton")->Click();
    });
    answers.ClickButton("OK");  // "not found"
    answers.ClickButton("CancelButton");
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(answers.Seen().size(), 3u);

    answers.Act([](TForm* f) {
        auto* filter = Find<TComboBox>(f, "FilterCombo");
        filter->SetItemIndex(1);
        filter->OnChange(filter);  // as the user's choice
        auto* list = Find<TListBox>(f, "FileList");
        const int index = list->Items()->IndexOf("poznámky.txt");
        ASSERT_GE(index, 0);
        list->SetItemIndex(index);
        list->OnClick(list);
        list->OnDblClick(list);
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(ExtractFileName(dialog.FileName()), "poznámky.txt");
    EXPECT_EQ(dialog.FilterIndex(), 2);
}

TEST(TColorDialogTest, ChosenSwatchOrNumbersBecomeTheColour) {
    TColorDialog dialog(nullptr);
    dialog.SetColor(clBlack);
    TModalAnswerer answers;
    answers.Act([](TForm* f) {
        EXPECT_EQ(Find<TSpinEdit>(f, "RedEdit")->Value(), 0);
        EXPECT_TRUE(SaveControlToPng(f, VEMLOR_TEST_OUTPUT "/dialog-color.png"));
        SendClick(Find<TShape>(f, "Swatch8"), 3, 3);
        Find<TButton>(f, "OKButton")->Click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Color(), clRed);
    answers.Act([](TForm* f) {
        Find<TSpinEdit>(f, "BlueEdit")->SetValue(0x6B);
        Find<TSpinEdit>(f, "GreenEdit")->SetValue(0xBE);
        Find<TSpinEdit>(f, "RedEdit")->SetValue(0x7B);
        Find<TButton>(f, "OKButton")->Click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Color(), 0x6BBE7B);
    answers.ClickButton("Storno");
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.Color(), 0x6BBE7B);
}

TEST(TFontDialogTest, StyleSizeAndColourComeBack) {
    TFontDialog dialog(nullptr);
    dialog.Font()->SetName("Arial");
    dialog.Font()->SetSize(8);
    dialog.SetMaxFontSize(20);
    TModalAnswerer answers;
    answers.Act([](TForm* f) {
        EXPECT_EQ(Find<TComboBox>(f, "SizeEdit")->Text(), "8");
        auto* names = Find<TListBox>(f, "FontNameList");
        // The family that stands in for it on this system (the tests' fonts).
        EXPECT_EQ(names->Items()->Strings(names->ItemIndex()), "DejaVu Sans");
        Find<TCheckBox>(f, "BoldCheck")->SetChecked(true);
        auto* size = Find<TComboBox>(f, "SizeEdit");
        size->SetText("36");
        size->OnChange(size);
        auto* color = Find<TComboBox>(f, "ColorCombo");
        color->SetItemIndex(12);
        color->OnChange(color);
        EXPECT_TRUE(Find<TLabel>(f, "Sample")->Font()->Style().Contains(fsBold));
        EXPECT_TRUE(SaveControlToPng(f, VEMLOR_TEST_OUTPUT "/dialog-font.png"));
        Find<TButton>(f, "OKButton")->Click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_TRUE(dialog.Font()->Style().Contains(fsBold));
    EXPECT_EQ(dialog.Font()->Size(), 20);  // MaxFontSize
    EXPECT_EQ(dialog.Font()->Color(), clBlue);
    EXPECT_EQ(dialog.Font()->Name(), "DejaVu Sans");
}

// A window's font names a family this system may not have: the dialog offers
// only installed families and starts on the one the text is drawn with.
TEST(TFontDialogTest, OffersOnlyInstalledFamiliesAndStartsOnTheStandIn) {
    for (const char* name : {"MS Sans Serif", "Courier New", "Písmo, které nikdo nemá"}) {
        TFontDialog dialog(nullptr);
        dialog.Font()->SetName(name);
        TModalAnswerer answers;
        AnsiString shown;
        answers.Act([&](TForm* f) {
            auto* names = Find<TListBox>(f, "FontNameList");
            EXPECT_EQ(names->Items()->IndexOf("MS Sans Serif"), -1);
            EXPECT_EQ(names->Items()->IndexOf(name), -1);
            ASSERT_GE(names->ItemIndex(), 0) << name;
            shown = names->Items()->Strings(names->ItemIndex());
            Find<TButton>(f, "OKButton")->Click();
        });
        ASSERT_TRUE(dialog.Execute());
        EXPECT_EQ(dialog.Font()->Name(), shown);
        if (AnsiString(name) == "Courier New") EXPECT_EQ(shown, "DejaVu Sans Mono");
    }
}

TEST(ShowMessageTest, ShowsTheTextUnderTheApplicationTitle) {
    TModalAnswerer answers;
    AnsiString text;
    answers.ClickButton("OK", [&](TForm* f) { text = Find<TLabel>(f, "MessageLabel")->Caption(); });
    ShowMessage("Modem nebyl detekován.");
    EXPECT_EQ(text, "Modem nebyl detekován.");
    EXPECT_EQ(answers.Seen().at(0), GetApplication()->Title());
}

TEST(TClipboardTest, TextTravelsAsUnicodeAndComesBackAsWindows1250) {
    Clipboard()->SetAsText("Příliš žluťoučký kůň\r\núpěl");
    EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_EQ(Clipboard()->AsText(), "Příliš žluťoučký kůň\r\núpěl");
    auto* form = new TForm(nullptr);
    auto* memo = new TMemo(form);
    memo->SetParent(form);
    memo->PasteFromClipboard();
    EXPECT_EQ(memo->Text(), "Příliš žluťoučký kůň\r\núpěl");
    Clipboard()->Clear();
    EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
    form->Free();
}

TEST(TClipboardTest, BitmapTravelsAsAnImageAndFormatsGatherBetweenOpenAndClose) {
    TBitmap picture;
    picture.SetPixelFormat(pf1bit);
    picture.SetSize(5, 3);
    picture.Canvas()->Brush()->SetColor(clWhite);
    picture.Canvas()->FillRect(Rect(0, 0, 5, 3));
    picture.SetPixel(1, 2, clBlack);
    Clipboard()->Open();
    Clipboard()->SetAsBitmap(picture);
    Clipboard()->SetFormatData("Vemlor Test", {1, 2, 3});
    // Nothing reaches the clipboard before the bracket closes.
    EXPECT_FALSE(Clipboard()->HasFormatData("Vemlor Test"));
    Clipboard()->Close();
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    EXPECT_EQ(Clipboard()->FormatData("Vemlor Test"), (std::vector<Byte>{1, 2, 3}));
    TBitmap pasted;
    ASSERT_TRUE(Clipboard()->GetAsBitmap(pasted));
    EXPECT_EQ(pasted.Width(), 5);
    EXPECT_EQ(pasted.Height(), 3);
    EXPECT_EQ(pasted.GetPixel(1, 2) & 0xFFFFFF, clBlack);
    EXPECT_EQ(pasted.GetPixel(0, 0) & 0xFFFFFF, clWhite);
    // Outside a bracket each format replaces the clipboard's content.
    Clipboard()->SetAsText("text");
    EXPECT_FALSE(Clipboard()->HasFormat(CF_BITMAP));
    EXPECT_FALSE(Clipboard()->GetAsBitmap(pasted));
    EXPECT_EQ(pasted.Width(), 5);
}

}  // namespace
