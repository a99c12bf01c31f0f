// The picture and melody pages of the main window, driven as the user drives
// them: a picture file opened, cropped, drawn on, saved and queued as a logo;
// a picture pasted; a melody written with the page's buttons, held to 30
// seconds, saved, played and read back from its MIDI file.

#include <unistd.h>

#include <functional>
#include <utility>
#include <vector>

#include "client/LogoPrep.h"
#include "client/MelodyModel.h"
#include "MainFixture.h"
#include "media/GIFPicture.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Graphic.h"
#include "platform/gfx/Icon.h"
#include "platform/gfx/tests/MetafileSamples.h"
#include "platform/os/MediaPlayer.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Clipbrd.h"

namespace {

class TMainPagesTest : public TMainWindowTest {
protected:
    // A white picture with a black bar across its top left corner.
    void WritePicture(const AnsiString& Name, Integer Width, Integer Height) {
        TBitmap picture;
        picture.SetPixelFormat(pf24bit);
        picture.SetSize(Width, Height);
        TCanvas* c = picture.Canvas();
        c->Brush()->SetColor(clWhite);
        c->FillRect(Rect(0, 0, Width, Height));
        c->Brush()->SetColor(clBlack);
        c->FillRect(Rect(2, 2, 40, 9));
        picture.SaveToFile(Folder + Name);
    }
    static void ChooseFile(TModalAnswerer& Answers, const AnsiString& File) {
        Answers.ChooseFile(File);
    }
    TBitmap& Image() { return *Main->BitmapEditor1->WorkBitmap(); }
    void Tick(Integer Id) {
        Data->Adresa->Locate("ID", Variant(Id), TLocateOptions{});
        Main->SetCurrentTick(true);
    }
    TToolButton* Tool(const char* Name) { return dynamic_cast<TToolButton*>(Main->FindComponent(Name)); }
    TSpeedButton* Button(const char* Name) { return dynamic_cast<TSpeedButton*>(Main->FindComponent(Name)); }
};

TEST_F(TMainPagesTest, ThePictureDialogComesBackToTheFolderOfTheLastPicture) {
    StartConfirmed();
    Main->PageControl1->SetActivePage(Main->TabLogo);
    ForceDirectories(Folder + "Graphics");
    ForceDirectories(Folder + "obrázky");
    WritePicture("obrázky/mapa.bmp", 200, 100);

    TModalAnswerer answers;
    answers.ActOnFile([&](TFileDialogView& Dialog) {
        EXPECT_EQ(Dialog.Folder(), Folder + "Graphics/");
        Dialog.TypeFileName(Folder + "obrázky/mapa.bmp");
        Dialog.Accept();
    });
    answers.Answer(mrCancel);  // the crop window: too large
    Tool("ToolButtonOpenLogo")->Click();
    EXPECT_EQ(TIniFile(Main->SettingsFileName()).ReadString("FileDialogs", "TfMain.OpenPictureDialog1", ""),
              Folder + "obrázky/");
    answers.ActOnFile([&](TFileDialogView& Dialog) {
        EXPECT_EQ(Dialog.Folder(), Folder + "obrázky/");
        Dialog.Cancel();
    });
    Tool("ToolButtonOpenLogo")->Click();
    EXPECT_EQ(answers.Pending(), 0);
    EXPECT_TRUE(answers.Unexpected().empty());
}

TEST_F(TMainPagesTest, APictureFileBecomesALogoThatIsDrawnOnSavedAndQueued) {
    StartConfirmed();
    AddContact(1, "Jana Nováková", "00420603123456");
    Main->PageControl1->SetActivePage(Main->TabLogo);
    WritePicture("mapa.bmp", 200, 100);
    WriteFileAtomic(Folder + "rozbity.bmp", "BM not really");

    TModalAnswerer answers;
    ChooseFile(answers, Folder + "rozbity.bmp");
    AnsiString error;
    answers.ClickButton("OK", [&](TForm* f) { error = DialogText(f); });
    Tool("ToolButton22")->Click();
    EXPECT_EQ(error, "Obrázek se nepodařilo otevřít.");
    EXPECT_FALSE(Main->LogoChanged());

    // Too large: the crop window asks; cancelling keeps the image but names it.
    ChooseFile(answers, Folder + "mapa.bmp");
    answers.Answer(mrCancel);
    Tool("ToolButton22")->Click();
    EXPECT_EQ(Main->LogoNameEdit->Text(), "mapa");
    EXPECT_EQ(Image().GetPixel(0, 0), LogoBackground);

    // Taken with the frame over the top left corner: the bar comes out black
    // on the background colour, as large as an operator logo.
    ChooseFile(answers, Folder + "mapa.bmp");
    answers.Act([](TForm* Crop) {
        auto* image = dynamic_cast<TControl*>(Crop->FindComponent("Image1"));
        image->Perform(WM_MOUSEMOVE, 0, MakeLParam(36, 7));
        image->Perform(WM_LBUTTONDBLCLK, 0, MakeLParam(36, 7));
    });
    Tool("ToolButton22")->Click();
    EXPECT_EQ(answers.Pending(), 0);
    ASSERT_EQ(Image().Width(), LogoWidth);
    ASSERT_EQ(Image().Height(), LogoHeight);
    EXPECT_EQ(Image().GetPixel(10, 5) & 0xFFFFFF, clBlack);
    EXPECT_EQ(Image().GetPixel(60, 12), LogoBackground);
    // The crop window's frame ran along the part's top and left edges.
    for (Integer x = 0; x < LogoWidth; ++x) ASSERT_EQ(Image().GetPixel(x, 0), LogoBackground) << x;
    EXPECT_TRUE(Main->LogoChanged());
    EXPECT_TRUE(Main->tbPencil->Down());

    // A pencil dot in the empty corner reaches the preview.
    const Integer m = Main->BitmapEditor1->Magnification();
    SendClick(Main->BitmapEditor1, 70 * m + 1, 12 * m + 1);
    EXPECT_EQ(Image().GetPixel(70, 12) & 0xFFFFFF, clBlack);
    EXPECT_EQ(Main->Image1->Picture()->Bitmap()->GetPixel(70, 12) & 0xFFFFFF, clBlack);
    Tool("UndoButton")->Click();
    EXPECT_EQ(Image().GetPixel(70, 12), LogoBackground);
    Tool("RedoButton")->Click();

    ChooseFile(answers, Folder + "logo.bmp");
    Tool("ToolButton24")->Click();
    TBitmap saved;
    saved.LoadFromFile(Folder + "logo.bmp");
    EXPECT_EQ(saved.GetPixel(60, 2) & 0xFFFFFF, clWhite);
    EXPECT_EQ(saved.GetPixel(70, 12) & 0xFFFFFF, clBlack);

    Main->LogoGroupButton->Click();
    Tick(1);
    Queue();
    ASSERT_EQ(Data->FrontObj->RecordCount(), 1);
    EXPECT_EQ(Data->FrontObj->FieldByName("Typ")->AsString(), "group");
    EXPECT_EQ(Data->FrontObj->FieldByName("Nazev")->AsString(), "mapa");
    TStringStream bytes(Data->FrontObj->FieldByName("Logo")->AsString());
    TBitmap queued;
    queued.LoadFromStream(&bytes);
    EXPECT_EQ(queued.PixelFormat(), pf1bit);
    EXPECT_EQ(queued.GetPixel(70, 12) & 0xFFFFFF, clBlack);
    EXPECT_EQ(queued.GetPixel(60, 2) & 0xFFFFFF, clWhite);
    // Queueing cleared the page.
    EXPECT_FALSE(Main->LogoChanged());
    EXPECT_EQ(Main->LogoNameEdit->Text(), "");
}

TEST_F(TMainPagesTest, EveryKindOfPictureTheSecondOpenDialogOffersReachesTheCropWindow) {
    // Whatever another test registered, the main window registers its own.
    for (const char* name : {"TIcon", "TMetafile", "VmGIF::TGIFImage", "GIFImage::TGIFImage"})
        TPicture::UnregisterGraphicClass(name);
    StartConfirmed();
    Main->PageControl1->SetActivePage(Main->TabLogo);

    TBitmap square;
    square.SetPixelFormat(pf24bit);
    square.SetSize(32, 32);
    square.Canvas()->Brush()->SetColor(clWhite);
    square.Canvas()->FillRect(Rect(0, 0, 32, 32));
    square.Canvas()->Brush()->SetColor(clRed);
    square.Canvas()->FillRect(Rect(8, 8, 24, 24));
    {
        TIconInfo info;
        info.Color = std::make_unique<TBitmap>();
        info.Color->Assign(square);
        info.Mask = std::make_unique<TBitmap>();
        info.Mask->SetPixelFormat(pf1bit);
        info.Mask->SetSize(32, 32);
        info.Mask->Canvas()->Brush()->SetColor(clBlack);  // all opaque
        info.Mask->Canvas()->FillRect(Rect(0, 0, 32, 32));
        TIcon icon;
        icon.SetHandle(CreateIconIndirect(info));
        icon.SaveToFile(Folder + "ikona.ico");
        GIFImage::TGIFImage gif;
        gif.Assign(&square);
        gif.SaveToFile(Folder + "ctverec.gif");
    }
    WriteFileAtomic(Folder + "elipsa.wmf", MetafileSamples::WindowsMetafile());
    WriteFileAtomic(Folder + "obdelnik.emf", MetafileSamples::EnhancedMetafile());

    struct TCase {
        const char* File;
        Integer Width, Height;
        TPoint Inside, Outside;
        TColor Fill;
    };
    const TCase cases[] = {{"ikona.ico", 32, 32, Point(16, 16), Point(2, 2), clRed},
                           {"ctverec.gif", 32, 32, Point(16, 16), Point(2, 2), clRed},
                           {"elipsa.wmf", 100, 50, Point(50, 25), Point(2, 2), clRed},
                           {"obdelnik.emf", 100, 50, Point(50, 25), Point(5, 5), TColor(0x00FF00)}};
    TModalAnswerer answers;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        TBitmap seen;
        AnsiString refused;
        ChooseFile(answers, Folder + c.File);
        answers.Act([&](TForm* Crop) {
            auto* image = dynamic_cast<TImage*>(Crop->FindComponent("Image1"));
            if (!image) {
                refused = DialogText(Crop);
                Crop->SetModalResult(mrOk);
                return;
            }
            seen.Assign(*image->Picture()->Bitmap());
            image->Perform(WM_LBUTTONDBLCLK, 0, MakeLParam(16, 16));
        });
        Tool("ToolButton22")->Click();
        ASSERT_EQ(answers.Pending(), 0) << "no crop window";
        EXPECT_EQ(refused, "");
        EXPECT_EQ(seen.Width(), c.Width);
        EXPECT_EQ(seen.Height(), c.Height);
        EXPECT_EQ(seen.GetPixel(c.Inside.x, c.Inside.y) & 0xFFFFFF, c.Fill);
        EXPECT_EQ(seen.GetPixel(c.Outside.x, c.Outside.y) & 0xFFFFFF, clWhite);
        EXPECT_EQ(Main->LogoNameEdit->Text(), ChangeFileExt(c.File, ""));
    }

    // A metafile the translator cannot read is refused with the usual
    // message, and nothing changes.
    WriteFileAtomic(Folder + "rozbity.wmf", MetafileSamples::WindowsMetafile().substr(0, 30));
    ChooseFile(answers, Folder + "rozbity.wmf");
    AnsiString error;
    answers.ClickButton("OK", [&](TForm* f) { error = DialogText(f); });
    Tool("ToolButton22")->Click();
    EXPECT_EQ(error, "Obrázek se nepodařilo otevřít.");
    EXPECT_EQ(Main->LogoNameEdit->Text(), "obdelnik");
}

TEST_F(TMainPagesTest, ASmallPictureIsAPictureMessageAndAPastedOneALogo) {
    StartConfirmed();
    Main->PageControl1->SetActivePage(Main->TabLogo);
    WritePicture("maly.bmp", 60, 20);
    TModalAnswerer answers;
    ChooseFile(answers, Folder + "maly.bmp");
    Main->ToolButtonOpenLogoClick(nullptr);
    EXPECT_EQ(answers.Pending(), 0);
    EXPECT_EQ(Image().Height(), PictureMessageHeight);
    EXPECT_TRUE(Main->LogoPicButton->Down());
    EXPECT_TRUE(Main->Memo1->Visible());
    // The margin right of the 60 pixels is background, not drawing.
    EXPECT_EQ(Image().GetPixel(65, 5), LogoBackground);
    Main->Memo1->SetText("Zdravím z hor");
    Main->LogoPicButton->Click();

    TBitmap clip;
    clip.SetPixelFormat(pf24bit);
    clip.SetSize(72, 14);
    clip.Canvas()->Brush()->SetColor(clWhite);
    clip.Canvas()->FillRect(Rect(0, 0, 72, 14));
    clip.SetPixel(3, 3, clBlack);
    Clipboard()->SetAsBitmap(clip);
    Main->Vlo1Click(nullptr);
    EXPECT_EQ(Image().Height(), LogoHeight);
    EXPECT_TRUE(Main->LogoOpButton->Down());
    EXPECT_FALSE(Main->Memo1->Visible());
    EXPECT_EQ(Image().GetPixel(3, 3) & 0xFFFFFF, clBlack);
    EXPECT_EQ(Main->LogoNameEdit->Text(), "maly");

    // Mountains under a sun, as a photograph would be cut down.
    TBitmap hory;
    hory.SetPixelFormat(pf24bit);
    hory.SetSize(200, 100);
    TCanvas* c = hory.Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(0, 0, 200, 100));
    c->Brush()->SetColor(TColor(0x505050));
    for (const TPoint peak : {Point(20, 10), Point(48, 5)})
        for (Integer y = peak.y; y < 28; ++y) c->FillRect(Rect(peak.x - (y - peak.y), y, peak.x + (y - peak.y), y + 1));
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clWhite);
    c->Ellipse(58, 1, 70, 13);
    hory.SaveToFile(Folder + "hory.bmp");
    ChooseFile(answers, Folder + "hory.bmp");
    answers.Act([](TForm* Crop) {
        auto* image = dynamic_cast<TControl*>(Crop->FindComponent("Image1"));
        image->Perform(WM_MOUSEMOVE, 0, MakeLParam(36, 14));
        image->Perform(WM_LBUTTONDBLCLK, 0, MakeLParam(36, 14));
    });
    Main->LogoPicButton->Click();
    Tool("ToolButton22")->Click();
    Tool("tbLine")->Click();
    EXPECT_EQ(Main->BitmapEditor1->DrawingTool(), dtLine);
    answers.ClickButton("OK");
    Tool("ToolButton30")->Click();
    EXPECT_EQ(Main->BitmapEditor1->DrawingTool(), dtText);
    EXPECT_EQ(Main->BitmapEditor1->InsertText(), "Text");
    EXPECT_TRUE(Main->BitmapEditor1->PlaceTextOnMove());
    // The dropper goes back to the tool before it, and so does the tool bar.
    Tool("tbFloodFill")->Click();
    Main->BitmapEditor1->SelectDrawingTool(dtDropper);
    SendClick(Main->BitmapEditor1, 1, 1);
    EXPECT_EQ(Main->BitmapEditor1->DrawingTool(), dtFloodFill);
    EXPECT_TRUE(Tool("tbFloodFill")->Down());
    Main->LogoNameEdit->SetText("Hory");
    Main->Memo1->SetText("Zdravím z hor!");
    Main->SetBounds(0, 0, 900, 600);
    PumpUntilIdle();
    ASSERT_TRUE(SaveControlToPng(Main, AnsiString(VEMLOR_TEST_OUTPUT) + "/client/main-logo-page.png"));
}

TEST_F(TMainPagesTest, ThePicturePageFitsTheWindowsDefaultSize) {
    StartConfirmed();
    Main->PageControl1->SetActivePage(Main->TabLogo);
    Main->PageControl1Change(Main->PageControl1);
    PumpUntilIdle();
    const TPoint origin = Main->TabLogo->ClientToScreen(Point(0, 0));
    const Integer pageWidth = Main->TabLogo->ClientWidth();
    // Every shown control within the page's width, and no two side by side
    // on top of each other; for each kind, as the text memo comes and goes.
    std::function<void(TWinControl*, const AnsiString&)> check = [&](TWinControl* Parent, const AnsiString& Kind) {
        std::vector<std::pair<TControl*, TRect>> shown;
        for (int i = 0; i < Parent->ControlCount(); ++i) {
            TControl* c = Parent->Controls(i);
            if (!c->Visible() || c->Width() <= 0 || c->Height() <= 0) continue;
            const TPoint at = c->ClientToScreen(Point(0, 0));
            const Integer right = at.x - origin.x + c->Width();
            EXPECT_LE(right, pageWidth) << Kind << ": " << c->Name() << " in " << Parent->Name();
            const TRect r = c->BoundsRect();
            for (const auto& [other, o] : shown)
                EXPECT_FALSE(r.Left < o.Right && o.Left < r.Right && r.Top < o.Bottom && o.Top < r.Bottom)
                    << Kind << ": " << c->Name() << " lies over " << other->Name();
            shown.emplace_back(c, r);
            if (auto* w = dynamic_cast<TWinControl*>(c)) check(w, Kind);
        }
    };
    for (TToolButton* kind : {Main->LogoPicButton, Main->LogoOpButton}) {
        kind->Click();
        PumpUntilIdle();
        EXPECT_EQ(Main->Memo1->Visible(), kind == Main->LogoPicButton);
        check(Main->TabLogo, kind->Name());
        // Nothing to scroll to sideways.
        EXPECT_LE(Main->LogoScrollBox->HorzScrollBar()->Range(), Main->LogoScrollBox->ClientWidth()) << kind->Name();
    }
}

TEST_F(TMainPagesTest, ASavedMelodyJoinsTheMelodyListAndAnEmptyOneNeedsAYes) {
    StartConfirmed();
    ForceDirectories(Folder + "Melody");
    Main->PageControl1->SetActivePage(Main->TabMelody);
    TModalAnswerer answers;
    // No notes yet: the question comes before any dialog, and No saves nothing.
    AnsiString asked;
    answers.ClickButton("No", [&](TForm* f) { asked = DialogText(f); });
    Tool("SaveMelodyButton")->Click();
    EXPECT_EQ(asked, "Melodie neobsahuje žádnou notu. Přesto ji uložit?");
    EXPECT_EQ(answers.Seen().size(), 1u);
    EXPECT_TRUE(ListFiles(Folder + "Melody", "*").empty());

    Main->RTTTLNameEdit->SetText("Skala");
    Main->AddNote(3);
    ChooseFile(answers, Folder + "Melody/skala");
    Tool("SaveMelodyButton")->Click();
    EXPECT_EQ(ListFiles(Folder + "Melody", "*"), std::vector<AnsiString>{"skala.rtl"});
    EXPECT_TRUE(Data->Melody->Locate("Jmeno", Variant("skala"), TLocateOptions{}));
    // A bare name under the MIDI type is a MIDI file's name.
    answers.ActOnFile([&](TFileDialogView& Dialog) {
        Dialog.ChooseFilter(2);
        Dialog.TypeFileName(Folder + "Melody/skala2");
        Dialog.Accept();
    });
    Tool("SaveMelodyButton")->Click();
    EXPECT_EQ(ListFiles(Folder + "Melody", "*"), (std::vector<AnsiString>{"skala.rtl", "skala2.mid"}));
    EXPECT_TRUE(answers.Unexpected().empty());
}

TEST_F(TMainPagesTest, AMelodyIsWrittenHeldTo30sSavedPlayedAndReadBack) {
    StartConfirmed();
    AddContact(1, "Jana Nováková", "00420603123456");
    Main->PageControl1->SetActivePage(Main->TabMelody);
    Main->RTTTLNameEdit->SetText("Skala");
    Main->TempoBox->SetItemIndex(Main->TempoBox->Items()->IndexOf("160"));

    // C6 quarter, then D6 sharp dotted, then an eighth rest.
    Button("NoteButton2")->Click();
    Tool("AddNoteButton")->Click();
    Button("NoteButton2")->Click();
    Tool("AddNoteButton")->Click();
    Main->ScrollBar2->SetPosition(12);
    Button("SharpButton")->Click();
    Button("DotButton")->Click();
    Tool("AddNoteButton")->Click();
    Button("RestButton8")->Click();
    EXPECT_EQ(Main->BuildRingTone(), "Skala:d=4,o=5,b=160:4C6,4D#6.,8P");
    EXPECT_EQ(Main->Label3->Caption(), "3/3");

    // A click on the first glyph makes it current and brings its line back.
    TImage* first = nullptr;
    for (Integer i = 0; i < Main->OsnovaPanel->ControlCount(); ++i)
        if (auto* image = dynamic_cast<TImage*>(Main->OsnovaPanel->Controls(i));
            image && image != Main->Osnova && image != Main->Image2 && image->Left() == Main->Osnova->Left() + 60)
            first = image;
    ASSERT_NE(first, nullptr);
    SendClick(first, 5, 5);
    EXPECT_EQ(Main->Label3->Caption(), "1/3");
    EXPECT_EQ(Main->ScrollBar2->Position(), 13);

    Main->ClearComposer(false);
    Main->RTTTLNameEdit->SetText("Dlouha");
    AnsiString refused;
    int refusals = 0;
    TModalAnswerer answers;
    answers.ClickButton("OK", [&](TForm* f) {
        refused = DialogText(f);
        ++refusals;
    });
    // Whole notes at 63 are 3.8 s each: the ninth passes 30 s, and the tenth
    // is refused.
    for (int i = 0; i < 10; ++i) Main->AddNote(0);
    EXPECT_EQ(refusals, 1);
    EXPECT_EQ(refused, "Nemůžete přidat další notu, protože délka záznamu přesahuje povolený limit 30 sekund.");
    EXPECT_EQ(Main->Melody().NoteCount(), 9);
    EXPECT_GT(Main->MelodySeconds(), 30);

    Main->ClearComposer(false);
    Main->RTTTLNameEdit->SetText("Skala");
    for (Integer line : {13, 12, 11, 10}) {
        Main->AddNote(3);
        Main->ScrollBar2->SetPosition(line);
    }
    ForceDirectories(Folder + "Melody");
    ChooseFile(answers, Folder + "Melody/skala.rtl");
    Main->SaveMelodyButtonClick(nullptr);
    EXPECT_EQ(ReadFileBytes(Folder + "Melody/skala.rtl"), "Skala:d=4,o=5,b=63:8C6,8D6,8E6,8F6");
    EXPECT_TRUE(Data->Melody->Locate("Jmeno", Variant("skala"), TLocateOptions{loCaseInsensitive}));

    answers.ActOnFile([&](TFileDialogView& Dialog) {
        Dialog.ChooseFilter(2);
        Dialog.TypeFileName(Folder + "skala.mid");
        Dialog.Accept();
    });
    Main->SaveMelodyButtonClick(nullptr);
    ASSERT_TRUE(FileExists(Folder + "skala.mid"));
    Main->ClearComposer(true);
    ChooseFile(answers, Folder + "skala.mid");
    Main->OpenMelodyButtonClick(nullptr);
    EXPECT_EQ(Main->BuildRingTone(), "Skala:d=4,o=5,b=63:8C6,8D6,8E6,8F6");
    // The melody list names the saved file.
    Main->ClearComposer(true);
    Main->MelodyCombo->SetKeyValue(Variant("skala"));
    Main->MelodyComboCloseUp(nullptr);
    EXPECT_EQ(Main->BuildRingTone(), "Skala:d=4,o=5,b=63:8C6,8D6,8E6,8F6");

    TMediaPlayer::SetAudioDriver("no-such-driver");
    auto restore = ScopeExit([] { TMediaPlayer::SetAudioDriver(""); });
    AnsiString played;
    answers.ClickButton("OK", [&](TForm* f) { played = DialogText(f); });
    Tool("PlayButton")->Click();
    EXPECT_EQ(played, "Nepodařilo se přehrát melodii, zkuste externí přehrávání.");

    // A sharp dotted G6 and a quarter rest after the last note.
    Main->Melody().SelectNote(3);
    Tool("AddNoteButton")->Click();
    // The rest chosen last is the type a new note gets.
    EXPECT_TRUE(Main->Melody().Current()->IsRest());
    Button("NoteButton3")->Click();
    Main->ScrollBar2->SetPosition(9);
    Button("SharpButton")->Click();
    Button("DotButton")->Click();
    Tool("AddNoteButton")->Click();
    Button("RestButton7")->Click();
    const AnsiString tune = "Skala:d=4,o=5,b=63:8C6,8D6,8E6,8F6,8G#6.,4P";
    EXPECT_EQ(Main->BuildRingTone(), tune);
    Main->SetBounds(0, 0, 900, 600);
    PumpUntilIdle();
    ASSERT_TRUE(SaveControlToPng(Main, AnsiString(VEMLOR_TEST_OUTPUT) + "/client/main-melody-page.png"));

    Tick(1);
    Queue();
    ASSERT_EQ(Data->FrontObj->RecordCount(), 1);
    EXPECT_EQ(Data->FrontObj->FieldByName("Typ")->AsString(), "ringtone");
    EXPECT_EQ(Data->FrontObj->FieldByName("Melodie")->AsString(), tune);
    EXPECT_EQ(Main->Melody().NoteCount(), 0);
    EXPECT_EQ(answers.Pending(), 0);
}

TEST_F(TMainPagesTest, TheMelodysNameKeepsOutSeparators) {
    StartConfirmed();
    Main->PageControl1->SetActivePage(Main->TabMelody);
    // Typed: ":" and "," do not appear; the caret stays after what was typed.
    TypeText(Main->RTTTLNameEdit, "Ra:no,");
    EXPECT_EQ(Main->RTTTLNameEdit->Text(), "Rano");
    EXPECT_EQ(Main->RTTTLNameEdit->SelStart(), 4);
    Main->RTTTLNameEdit->SetText("Song: one");
    EXPECT_EQ(Main->RTTTLNameEdit->Text(), "Song one");
    EXPECT_FALSE(Main->MelodyIsReady());
    Main->AddNote(3);
    EXPECT_EQ(Main->BuildRingTone(), "Song one:d=4,o=5,b=63:8C6");
}

TEST_F(TMainPagesTest, AFailedMidiSaveSaysSo) {
    StartConfirmed();
    Main->PageControl1->SetActivePage(Main->TabMelody);
    Main->AddNote(3);
    // The folder chosen is gone by the time the melody is written.
    TModalAnswerer answers;
    ForceDirectories(Folder + "gone");
    const AnsiString file = Folder + "gone/skala.mid";
    answers.ActOnFile([&](TFileDialogView& Dialog) {
        Dialog.ChooseFilter(2);
        Dialog.TypeFileName(file);
        Dialog.Accept();
        ASSERT_EQ(::rmdir((Folder + "gone").c_str()), 0);
    });
    AnsiString error;
    answers.ClickButton("OK", [&](TForm* f) { error = DialogText(f); });
    Main->SaveMelodyButtonClick(nullptr);
    EXPECT_EQ(error, "Melodii se nepodařilo uložit jako MIDI do souboru " + file + ".");
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(answers.Pending(), 0);
}

}  // namespace
