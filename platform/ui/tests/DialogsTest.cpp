#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QWidget>

#include <algorithm>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/ScopeGuard.h"
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

bool Lists(const std::vector<AnsiString>& names, const AnsiString& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
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
    answers.ActOnFile([&](TFileDialogView& d) {
        EXPECT_EQ(d.Caption(), "Uložit jako");
        EXPECT_EQ(d.Folder(), ExpandFileName(folder));
        EXPECT_EQ(d.Filters(), (std::vector<AnsiString>{"Bitmapy (*.bmp)", "Všechny soubory"}));
        const std::vector<AnsiString> names = d.Names();
        EXPECT_TRUE(Lists(names, "logo.bmp"));
        EXPECT_FALSE(Lists(names, "poznámky.txt"));  // filtered out
        EXPECT_EQ(d.FileNameText(), "logo");
        EXPECT_TRUE(d.Widget()->grab().save(VEMLOR_TEST_OUTPUT "/dialog-save.png"));
        d.Accept();
    });
    answers.ClickButton("NoButton", [](TForm* f) {
        EXPECT_TRUE(SaveControlToPng(f, VEMLOR_TEST_OUTPUT "/dialog-overwrite.png"));
        EXPECT_NE(Find<TLabel>(f, "MessageLabel")->Caption().find("logo.bmp"), AnsiString::npos);
    });
    answers.ChooseFile("nový");
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), ExpandFileName(folder) + "nový.bmp");
    EXPECT_EQ(dialog.Files()->Count(), 1);
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(answers.Seen().size(), 3u);
    EXPECT_TRUE(answers.Unexpected().empty());

    dialog.SetFileName(folder + "logo.bmp");
    answers.ActOnFile([](TFileDialogView& d) { d.Accept(); });
    answers.ClickButton("Ano");
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(ExtractFileName(dialog.FileName()), "logo.bmp");
    EXPECT_TRUE(answers.Unexpected().empty());
}

TEST(TOpenDialogTest, MissingFileIsRefusedAndADoubleClickOpensWithTheFilterChosen) {
    const AnsiString folder = DialogFolder();
    TOpenDialog dialog(nullptr);
    dialog.SetFilter("Bitmapy|*.bmp|Texty|*.txt");
    dialog.SetInitialDir(folder);
    dialog.SetTitle("Otevřít text");
    dialog.SetOptions(dialog.Options() + TOpenOptions{ofFileMustExist});
    TModalAnswerer answers;
    answers.ChooseFile("chybí.bmp");
    answers.ClickButton("OK");  // "not found"
    answers.ActOnFile([](TFileDialogView& d) { d.Cancel(); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(answers.Seen(), (std::vector<AnsiString>{"Otevřít text", "Otevřít text", "Otevřít text"}));
    EXPECT_TRUE(answers.Unexpected().empty());

    answers.ActOnFile([](TFileDialogView& d) {
        d.ChooseFilter(2);
        EXPECT_TRUE(Lists(d.Names(), "poznámky.txt"));
        EXPECT_FALSE(Lists(d.Names(), "logo.bmp"));
        EXPECT_TRUE(d.DoubleClick("poznámky.txt"));
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), ExpandFileName(folder) + "poznámky.txt");
    EXPECT_EQ(dialog.FilterIndex(), 2);
    EXPECT_TRUE(answers.Unexpected().empty());
}

TEST(TOpenDialogTest, TheToolkitsOwnTextsFollowTheChosenLanguage) {
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFileInfo::exists(translations + "/qtbase_cs.qm") || !QFileInfo::exists(translations + "/qtbase_de.qm"))
        GTEST_SKIP() << "the toolkit's translations are not installed";
    auto english = ScopeExit([] { Application->SetToolkitLanguage(""); });
    const AnsiString folder = DialogFolder();
    TOpenDialog dialog(nullptr);
    dialog.SetFilter("Bitmapy|*.bmp");
    dialog.SetInitialDir(folder);
    // What the dialog shows of its own: the first column's title and the
    // accept button.
    AnsiString caption;
    auto shown = [&](AnsiString& Column, QString& Accept) {
        TModalAnswerer answers;
        answers.ActOnFile([&](TFileDialogView& d) {
            caption = d.Caption();
            d.Names();
            Column = d.ColumnTitle(0);
            if (auto* box = d.Widget()->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
                for (QAbstractButton* b : box->buttons())
                    if (box->buttonRole(b) == QDialogButtonBox::AcceptRole) Accept = b->text();
            d.Cancel();
        });
        EXPECT_FALSE(dialog.Execute());
    };
    AnsiString column;
    QString accept;

    ASSERT_TRUE(Application->SetToolkitLanguage("cs"));
    EXPECT_EQ(Application->ToolkitLanguage(), "cs");
    EXPECT_EQ(QCoreApplication::translate("QFileSystemModel", "Name"), QString::fromUtf16(u"N\u00e1zev"));
    shown(column, accept);
    EXPECT_EQ(column, "Název");
    EXPECT_EQ(accept, QString::fromUtf16(u"&Otev\u0159\u00edt"));  // the program's own label
    EXPECT_EQ(caption, "Otevřít");

    // Another language: the toolkit's own labels as well.
    ASSERT_TRUE(Application->SetToolkitLanguage("de"));
    shown(column, accept);
    EXPECT_EQ(column, "Name");
    EXPECT_EQ(accept.remove(u'&'), QString::fromUtf16(u"\u00d6ffnen"));
    EXPECT_EQ(caption, "Öffnen");

    // None, none installed, or a code that is no name: English.
    for (const char* code : {"", "xx", "../cs", "cs/../cs"}) {
        EXPECT_FALSE(Application->SetToolkitLanguage(code)) << code;
        EXPECT_EQ(QCoreApplication::translate("QFileSystemModel", "Name"), QStringLiteral("Name")) << code;
    }
}

TEST(TOpenDialogTest, EachDialogOpensWhereItsLastFileWasChosen) {
    const AnsiString folder = ExpandFileName(DialogFolder());
    const AnsiString inner = folder + "podsložka/";
    ForceDirectories(inner);
    WriteFileAtomic(inner + "README", "x");
    WriteFileAtomic(inner + "LOGO2.BMP", "BM");
    const AnsiString settings = folder + "dialogy.ini";
    DeleteFile(settings);
    SetFileDialogSettingsFile(settings);
    auto forget = ScopeExit([] { SetFileDialogSettingsFile(""); });
    TComponent owner(nullptr);
    auto makePictures = [&] {
        auto* d = new TOpenDialog(&owner);
        d->SetName("OpenPictureDialog1");
        d->SetFilter("Obrázky|*.bmp|Všechny soubory|*.*");
        d->SetInitialDir(folder);
        return d;
    };
    TOpenDialog* pictures = makePictures();
    auto* texts = new TOpenDialog(&owner);
    texts->SetName("OpenDialog1");
    texts->SetInitialDir(folder);

    TModalAnswerer answers;
    answers.ActOnFile([&](TFileDialogView& d) {
        EXPECT_EQ(d.Folder(), folder);
        ASSERT_TRUE(d.DoubleClick("podsložka"));
        EXPECT_EQ(d.Folder(), inner);
        // Masks match regardless of case, and "*.*" takes names without a dot.
        EXPECT_EQ(d.Names(), (std::vector<AnsiString>{"LOGO2.BMP"}));
        d.ChooseFilter(2);
        EXPECT_TRUE(Lists(d.Names(), "README"));
        // The dialog is no fixed box.
        d.Widget()->resize(900, 640);
        PumpUntilIdle();
        EXPECT_EQ(d.Widget()->width(), 900);
        EXPECT_EQ(d.Widget()->height(), 640);
        d.TypeFileName("README");
        d.Accept();
    });
    ASSERT_TRUE(pictures->Execute());
    EXPECT_EQ(pictures->FileName(), inner + "README");
    EXPECT_EQ(TIniFile(settings).ReadString("FileDialogs", "TComponent.OpenPictureDialog1", ""), inner);

    // As after a restart: the same dialog opens where its file was chosen,
    // whatever the program proposes as InitialDir; another dialog does not.
    delete pictures;
    pictures = makePictures();
    answers.ActOnFile([&](TFileDialogView& d) {
        EXPECT_EQ(d.Folder(), inner);
        d.Cancel();
    });
    answers.ActOnFile([&](TFileDialogView& d) {
        EXPECT_EQ(d.Folder(), folder);
        d.Cancel();
    });
    EXPECT_FALSE(pictures->Execute());
    EXPECT_FALSE(texts->Execute());
    // A proposed name with its folder comes first.
    pictures->SetFileName(folder + "logo.bmp");
    answers.ActOnFile([&](TFileDialogView& d) {
        EXPECT_EQ(d.Folder(), folder);
        EXPECT_EQ(d.FileNameText(), "logo.bmp");
        d.Cancel();
    });
    EXPECT_FALSE(pictures->Execute());
    EXPECT_EQ(TIniFile(settings).ReadString("FileDialogs", "TComponent.OpenPictureDialog1", ""), inner);
    EXPECT_TRUE(answers.Unexpected().empty());
    EXPECT_EQ(answers.Pending(), 0);
}

TEST(TOpenDialogTest, AFileDialogWhereAWindowWasScriptedIsCancelledAndRecorded) {
    TOpenDialog dialog(nullptr);
    dialog.SetInitialDir(DialogFolder());
    TModalAnswerer answers;
    answers.ClickButton("OK");
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(answers.Unexpected(), (std::vector<AnsiString>{"Otevřít"}));
    answers.ChooseFile("logo.bmp");
    ShowMessage("x");  // a window where a file dialog was scripted
    EXPECT_EQ(answers.Unexpected().size(), 2u);
    EXPECT_EQ(answers.Pending(), 0);
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
        if (AnsiString(name) == "Courier New") {
            EXPECT_EQ(shown, "DejaVu Sans Mono");
        }
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
