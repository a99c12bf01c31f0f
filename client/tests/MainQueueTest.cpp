// The queue and history pages of the main window, driven as the user drives
// them: ticks against the per-call maxima, tick all, deleting and taking a
// row back, searching round the end of a grid, sorting by a title, printing
// and the event log's clearing.

#include "client/LogoPrep.h"
#include "client/Main.h"

#include "MainFixture.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Printers.h"

namespace {

class TMainQueueTest : public TMainWindowTest {
protected:
    void SetUp() override {
        TMainWindowTest::SetUp();
        // Twenty text parts and four objects a call.
        WriteFileAtomic(Folder + "tariffs.brc",
                        "[Tariff2]\r\nPHONE=0900222\r\nSMSMAX=20\r\nPMSMAX=4\r\nINTERVAL=60\r\nTAX=12.5\r\n");
    }

    void Queue(TMemData* Table, const AnsiString& Number, const AnsiString& Text, Integer Parts, bool Ticked,
               const AnsiString& Type = "text") {
        Table->Append();
        Table->FieldByName("Jmeno")->SetAsString("To " + Number);
        Table->FieldByName("Cislo")->SetAsString(Number);
        Table->FieldByName("Zprava")->SetAsString(Text);
        Table->FieldByName("Vybrany")->SetAsBoolean(Ticked);
        Table->FieldByName("Typ")->SetAsString(Type);
        Table->FieldByName("Pocet")->SetAsInteger(Parts);
        Table->Post();
    }
    AnsiString Ticks(TMemData* Table) {
        AnsiString marks;
        Table->DisableControls();
        const TBookmark place = Table->GetBookmark();
        for (Table->First(); !Table->Eof(); Table->Next()) marks += Table->FieldByName("Vybrany")->AsBoolean() ? 'x' : '.';
        Table->GotoBookmark(place);
        Table->EnableControls();
        return marks;
    }
    void Press(const AnsiString& Name) {
        TComponent* component = Main->FindComponent(Name);
        if (auto* button = dynamic_cast<TSpeedButton*>(component))
            button->Click();
        else if (auto* item = dynamic_cast<TMenuItem*>(component))
            item->Click();
        else
            ADD_FAILURE() << Name;
        PumpUntilIdle();
    }
    void ClickCell(TDBGrid* Grid, Integer ACol, Integer ARow) {
        const TRect r = Grid->CellRect(ACol, ARow);
        Grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(r.Left + 5, r.Top + 3));
        Grid->Perform(WM_LBUTTONUP, 0, MakeLParam(r.Left + 5, r.Top + 3));
        PumpUntilIdle();
    }
    // What a queued object row holds, but for its times and tick.
    AnsiString ObjectRow() {
        AnsiString row;
        for (const char* field : {"Jmeno", "Cislo", "Zprava", "Typ", "Nazev", "Melodie", "Logo", "Pocet"})
            row += AnsiString(field) + "=" + Data->FrontObj->FieldByName(field)->AsString() + "\n";
        return row;
    }
    // Queues what the page holds for the one contact and hands back the row.
    AnsiString QueueComposed() {
        Data->Adresa->First();
        Main->SetCurrentTick(true);
        Main->ADoFronty->Execute();
        PumpUntilIdle();
        Data->FrontObj->Last();
        return ObjectRow();
    }
    // Takes the object queue's row of Type back with the page's "Editovat".
    void TakeBack(const AnsiString& Type) {
        Main->PageControl1->SetActivePage(Main->TabFrontaObj);
        ASSERT_TRUE(Data->FrontObj->Locate("Typ", Variant(Type), TLocateOptions{}));
        Press("SpeedButton10");
    }
    void Dot(Integer X, Integer Y) {
        const Integer m = Main->BitmapEditor1->Magnification();
        SendClick(Main->BitmapEditor1, X * m + 1, Y * m + 1);
    }
    TBitmap& Image() { return *Main->BitmapEditor1->WorkBitmap(); }
};

TEST_F(TMainQueueTest, ATickBeyondTheObjectMaximumIsTakenBackAndTold) {
    StartConfirmed();
    for (const char* number : {"1", "2", "3", "4", "5"}) Queue(Data->FrontObj, number, "", 1, false, "logo");
    Main->PageControl1->SetActivePage(Main->TabFrontaObj);
    Main->SetBounds(0, 0, 900, 640);
    PumpUntilIdle();
    for (Integer row = 1; row <= 4; ++row) ClickCell(Main->FrontaObjGrid, 0, row);
    ASSERT_EQ(Ticks(Data->FrontObj), "xxxx.");

    AnsiString told;
    {
        TModalAnswerer answers;
        answers.ClickButton("OK", [&](TForm* Form) { told = DialogText(Form); });
        ClickCell(Main->FrontaObjGrid, 0, 5);
        EXPECT_EQ(answers.Pending(), 0);
    }
    EXPECT_EQ(told, "Najednou lze odeslat maximálně 4 zpráv.");
    EXPECT_EQ(Ticks(Data->FrontObj), "xxxx.");
    // A click beside the tick column ticks nothing.
    ClickCell(Main->FrontaObjGrid, 1, 1);
    EXPECT_EQ(Ticks(Data->FrontObj), "xxxx.");

    // The text queue's grid leaves the tick column after each click, so
    // that every click on a box toggles it.
    Queue(Data->Fronta, "6", "a", 1, false);
    Main->PageControl1->SetActivePage(Main->TabFronta);
    PumpUntilIdle();
    ClickCell(Main->FrontaGrid, 0, 1);
    EXPECT_EQ(Ticks(Data->Fronta), "x");
    ClickCell(Main->FrontaGrid, 0, 1);
    EXPECT_EQ(Ticks(Data->Fronta), ".");
}

TEST_F(TMainQueueTest, TickAllAnsweredNoTicksWhatFitsOneCallAndUntickAllClearsEveryRow) {
    StartConfirmed();
    Queue(Data->Fronta, "1", "a", 8, false);
    Queue(Data->Fronta, "2", "b", 8, false);
    Queue(Data->Fronta, "3", "c", 8, false);
    Queue(Data->Fronta, "4", "d", 1, true);
    Data->Fronta->Last();
    {
        TModalAnswerer answers;
        answers.ClickButton("No");
        Press("SpeedButton4");
        EXPECT_EQ(answers.Seen().size(), 1u);
    }
    EXPECT_EQ(Ticks(Data->Fronta), "xx..");
    EXPECT_EQ(Data->FrontaCislo->AsString(), "4");
    {
        TModalAnswerer answers;
        answers.ClickButton("Yes");
        Press("SpeedButton4");
    }
    EXPECT_EQ(Ticks(Data->Fronta), "xxxx");
    Press("SpeedButton5");
    EXPECT_EQ(Ticks(Data->Fronta), "....");
}

TEST_F(TMainQueueTest, DeletingAndTakingBackLeaveTheQueueAndItsFileAlike) {
    StartConfirmed();
    AddContact(1, "Jana Nováková", "00420603111222");
    Queue(Data->Fronta, "00420603111222", "Ahoj Jano", 1, false);
    Queue(Data->Fronta, "00420603999999", "pryč", 1, true);
    Queue(Data->FrontObj, "00420603111222", "", 1, false, "kontakt");
    {
        TModalAnswerer answers;
        answers.ClickButton("Yes");
        Press("SpeedButton6");
    }
    TDM reread(nullptr);
    EXPECT_EQ(reread.Fronta->RestoreFromFile(Folder + "Fronta.dat").Records, 1);

    Data->Fronta->First();
    Press("SpeedButton2");
    EXPECT_TRUE(Data->Fronta->IsEmpty());
    EXPECT_EQ(Main->PageControl1->ActivePage(), Main->TabText);
    EXPECT_EQ(Main->REdit1->Text(), "Ahoj Jano");
    EXPECT_TRUE(Data->AdresaVybrany->AsBoolean());
    EXPECT_EQ(Data->AdresaJmeno->AsString(), "Jana Nováková");
    EXPECT_EQ(reread.Fronta->RestoreFromFile(Folder + "Fronta.dat").Records, 0);

    // A row of a type no composer knows stays queued.
    Press("SpeedButton10");
    EXPECT_FALSE(Data->FrontObj->IsEmpty());
}

TEST_F(TMainQueueTest, PicturesAndMelodiesGoBackToTheComposerAndQueueAlike) {
    StartConfirmed();
    AddContact(1, "Jana Nováková", "00420603111222");

    // A picture message with a dot in its lower half, then a group logo.
    Main->PageControl1->SetActivePage(Main->TabLogo);
    PumpUntilIdle();
    Main->LogoPicButton->Click();
    Dot(5, 20);
    Main->LogoNameEdit->SetText("Hory");
    Main->Memo1->SetText("Zdravim z hor");
    const AnsiString picture = QueueComposed();
    Main->LogoGroupButton->Click();
    Dot(70, 3);
    Main->LogoNameEdit->SetText("Parta");
    const AnsiString group = QueueComposed();
    // A melody on the melody page.
    Main->PageControl1->SetActivePage(Main->TabMelody);
    Main->RTTTLNameEdit->SetText("Skala");
    Main->TempoBox->SetItemIndex(Main->TempoBox->Items()->IndexOf("160"));
    for (Integer line : {13, 11}) {
        Main->AddNote(2);
        Main->ScrollBar2->SetPosition(line);
    }
    const AnsiString melody = QueueComposed();
    ASSERT_EQ(Data->FrontObj->RecordCount(), 3);

    // The page shows a group logo: the picture message brings its own kind,
    // its text and its lower half back.
    TakeBack("picture");
    EXPECT_EQ(Data->FrontObj->RecordCount(), 2);
    EXPECT_EQ(Main->PageControl1->ActivePage(), Main->TabLogo);
    EXPECT_TRUE(Main->LogoPicButton->Down());
    EXPECT_TRUE(Main->Memo1->Visible());
    EXPECT_EQ(Main->Memo1->Text(), "Zdravim z hor");
    EXPECT_EQ(Main->LogoNameEdit->Text(), "Hory");
    EXPECT_TRUE(Main->LogoChanged());
    ASSERT_EQ(Image().Height(), PictureMessageHeight);
    EXPECT_EQ(Image().GetPixel(5, 20) & 0xFFFFFF, clBlack);
    EXPECT_EQ(Image().GetPixel(6, 20), LogoBackground);
    EXPECT_EQ(Main->Image1->Picture()->Bitmap()->GetPixel(5, 20) & 0xFFFFFF, clBlack);
    EXPECT_TRUE(Main->Image1->Picture()->Bitmap()->Transparent());
    EXPECT_EQ(QueueComposed(), picture);

    TakeBack("group");
    EXPECT_TRUE(Main->LogoGroupButton->Down());
    EXPECT_FALSE(Main->Memo1->Visible());
    EXPECT_EQ(Image().Height(), LogoHeight);
    EXPECT_EQ(Image().GetPixel(70, 3) & 0xFFFFFF, clBlack);
    EXPECT_EQ(QueueComposed(), group);

    TakeBack("ringtone");
    EXPECT_EQ(Main->PageControl1->ActivePage(), Main->TabMelody);
    EXPECT_EQ(Main->RTTTLNameEdit->Text(), "Skala");
    EXPECT_EQ(Main->BuildRingTone(), "Skala:d=4,o=5,b=160:4C6,4E6");
    EXPECT_EQ(QueueComposed(), melody);
    EXPECT_EQ(Data->FrontObj->RecordCount(), 3);

    // A picture that cannot be read stays queued and leaves the page as it is.
    Main->PageControl1->SetActivePage(Main->TabLogo);
    Dot(1, 1);
    Data->FrontObj->Locate("Typ", Variant("group"), TLocateOptions{});
    Data->FrontObj->Edit();
    Data->FrontObj->FieldByName("Logo")->SetAsString("BM broken");
    Data->FrontObj->Post();
    AnsiString told;
    {
        TModalAnswerer answers;
        answers.ClickButton("OK", [&](TForm* Form) { told = DialogText(Form); });
        TakeBack("group");
    }
    EXPECT_EQ(told, "Obrázek se nepodařilo otevřít.");
    EXPECT_EQ(Data->FrontObj->RecordCount(), 3);
    EXPECT_EQ(Main->PageControl1->ActivePage(), Main->TabFrontaObj);
    EXPECT_EQ(Image().GetPixel(1, 1) & 0xFFFFFF, clBlack);
}

TEST_F(TMainQueueTest, TheObjectQueuesPreviewShowsTheCurrentRowsPicture) {
    StartConfirmed();
    AddContact(1, "Jana Nováková", "00420603111222");
    Main->PageControl1->SetActivePage(Main->TabLogo);
    PumpUntilIdle();
    Main->LogoGroupButton->Click();
    Dot(70, 3);
    Main->LogoNameEdit->SetText("Parta");
    QueueComposed();
    Main->PageControl1->SetActivePage(Main->TabMelody);
    Main->RTTTLNameEdit->SetText("Skala");
    Main->AddNote(2);
    QueueComposed();
    Main->ShowPage(Main->TabFrontaObj);
    TImage* preview = Main->ImageNahledObj;

    ASSERT_TRUE(Data->FrontObj->Locate("Typ", Variant("group"), TLocateOptions{}));
    TBitmap* shown = preview->Picture()->Bitmap();
    ASSERT_EQ(shown->Width(), LogoWidth);
    ASSERT_EQ(shown->Height(), LogoHeight);
    EXPECT_EQ(shown->GetPixel(70, 3) & 0xFFFFFF, clBlack);
    EXPECT_EQ(shown->GetPixel(69, 3) & 0xFFFFFF, clWhite);
    // Twice as large, and as wide as it is.
    EXPECT_EQ(preview->Width(), 2 * LogoWidth);
    EXPECT_EQ(preview->Height(), 2 * LogoHeight);

    ASSERT_TRUE(Data->FrontObj->Locate("Typ", Variant("ringtone"), TLocateOptions{}));
    EXPECT_EQ(preview->Picture()->Graphic(), nullptr);
    // A picture that cannot be read shows nothing, and says nothing yet.
    ASSERT_TRUE(Data->FrontObj->Locate("Typ", Variant("group"), TLocateOptions{}));
    EXPECT_NE(preview->Picture()->Graphic(), nullptr);
    TModalAnswerer answers;
    Data->FrontObj->Edit();
    Data->FrontObj->FieldByName("Logo")->SetAsString("BM broken");
    Data->FrontObj->Post();
    EXPECT_EQ(preview->Picture()->Graphic(), nullptr);
    EXPECT_TRUE(answers.Seen().empty());
}

TEST_F(TMainQueueTest, SearchWrapsRoundTheEndAndNeverFindsTheRowItStartsOn) {
    StartConfirmed();
    Queue(Data->Fronta, "1", "Oběd v poledne", 1, false);
    Queue(Data->Fronta, "2", "sraz v osm", 1, false);
    Queue(Data->Fronta, "3", "kino", 1, false);
    Main->PageControl1->SetActivePage(Main->TabFronta);
    Data->Fronta->Last();
    Main->FindFrontaEdit->SetText("OBĚD");
    char enter = '\r';
    Main->FindFrontaEdit->OnKeyPress(Main->FindFrontaEdit, enter);
    EXPECT_EQ(Data->FrontaCislo->AsString(), "1");

    Data->Fronta->Locate("Cislo", Variant("3"), TLocateOptions{});
    Main->FindFrontaEdit->SetText("kino");
    AnsiString told;
    {
        TModalAnswerer answers;
        answers.ClickButton("OK", [&](TForm* Form) { told = DialogText(Form); });
        EXPECT_FALSE(Main->FindInGrid(Main->FrontaGrid, Main->FindFrontaEdit));
    }
    EXPECT_EQ(told, "Zadaný text nebyl nalezen.");
    EXPECT_EQ(Data->FrontaCislo->AsString(), "3");
    EXPECT_EQ(Main->FindFrontaEdit->SelLength(), 4);
}

TEST_F(TMainQueueTest, TitleClicksSortTheHistoryAndASecondClickTurnsTheOrder) {
    StartConfirmed();
    for (const char* number : {"2", "1", "3"}) {
        Data->Historie->Append();
        Data->HistorieCislo->SetAsString(number);
        Data->Historie->Post();
    }
    TVmDBGrid* grid = Main->HistorieGrid;
    // The number's column, the last one.
    auto click = [&] { grid->OnTitleBtnClick(grid, 6, Data->HistorieCislo); };
    auto first = [&] {
        Data->Historie->First();
        return Data->HistorieCislo->AsString();
    };
    auto marker = [&](TField* Field) {
        TSortMarker m = smNone;
        TColor background = 0;
        grid->OnGetBtnParams(grid, Field, nullptr, background, m, false);
        return m;
    };
    click();
    EXPECT_EQ(first(), "1");
    EXPECT_EQ(marker(Data->HistorieCislo), smDown);
    EXPECT_EQ(marker(Data->HistorieJmeno), smNone);
    click();
    EXPECT_EQ(first(), "3");
    EXPECT_EQ(marker(Data->HistorieCislo), smUp);
}

TEST_F(TMainQueueTest, PrintingWritesTheMessageAndTheLogKeepsItsErrorsWhenAsked) {
    StartConfirmed();
    Queue(Data->Fronta, "00420603111222", "Ahoj Jano", 1, false);
    Main->PageControl1->SetActivePage(Main->TabFronta);
    const AnsiString pdf = Folder + "print.pdf";
    Printer()->SetPrinterIndex(0);
    Printer()->SetFileName(pdf);
    {
        TModalAnswerer answers;
        answers.ClickButton("OK");
        Press("TiskZprvy1");
        EXPECT_EQ(answers.Unexpected().size(), 0u);
    }
    EXPECT_GT(FileSize(pdf), 0);
    delete SetPrinter(nullptr);

    Main->LogEvent("one", false);
    Main->LogEvent("broken", true);
    Main->LogEvent("two", false);
    Press("VymazatKromeChyb1");
    ASSERT_EQ(Main->ListView1->Items()->Count(), 1);
    EXPECT_EQ((*Main->ListView1->Items()->Item(0)->SubItems())[0], "broken");
    Press("VymazatVse1");
    EXPECT_EQ(Main->ListView1->Items()->Count(), 0);
}

}  // namespace
