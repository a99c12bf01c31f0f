// The queue and history pages of the main window, driven as the user drives
// them: ticks against the per-call maxima, tick all, deleting and taking a
// row back, searching round the end of a grid, sorting by a title, printing
// and the event log's clearing.

#include "client/Main.h"

#include "MainFixture.h"
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
    Queue(Data->FrontObj, "00420603111222", "", 1, false, "ringtone");
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

    // A row the composer cannot take yet stays queued.
    Press("SpeedButton10");
    EXPECT_FALSE(Data->FrontObj->IsEmpty());
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
