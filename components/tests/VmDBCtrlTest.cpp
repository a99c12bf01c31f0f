#include "components/VmDBCtrl.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "components/CheckVmDBGrid.h"
#include "platform/classes/Filer.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/Beep.h"
#include "platform/ui/EdgeDraw.h"
#include "platform/ui/TestSupport.h"
#include "tables/memdset.h"

namespace {

// The address book as the client keeps it, in a window of its own with a
// storage, a tick grid and the sorting the windows attach to title clicks.
class TfKontakty : public TForm {
public:
    explicit TfKontakty(const AnsiString& IniName) : TForm(nullptr) {
        BeginLoading();
        SetBounds(0, 0, 360, 220);
        Table = new TMemData(this);
        Table->SetName("Adresa");
        AddField(new TIntegerField(this), "ID", 0);
        AddField(new TStringField(this), "Jmeno", 50);
        AddField(new TStringField(this), "Cislo", 20);
        AddField(new TBooleanField(this), "Vybrany", 0);
        Table->SetSortedField("Jmeno");
        Source = new TDataSource(this);
        Source->SetDataSet(Table);
        Storage = new TFormStorage(this);
        Storage->SetName("FormStorage1");
        Storage->SetIniFileName(IniName);
        Grid = new TCheckVmDBGrid(this);
        Grid->SetName("AdrGrid");
        Grid->SetParent(this);
        Grid->SetBounds(4, 4, 350, 200);
        Grid->SetIniStorage(Storage);
        EndLoading();
    }
    void AddField(TField* Field, const AnsiString& Name, int Size) {
        if (Size > 0) Field->SetSize(Size);
        Field->SetFieldName(Name);
        Field->SetDataSet(Table);
    }
    void Fill(std::initializer_list<const char*> Names) {
        Table->Open();
        int id = 0;
        for (const char* name : Names) {
            Table->Append();
            Table->FieldByName("ID")->SetAsInteger(++id);
            Table->FieldByName("Jmeno")->SetAsString(name);
            Table->FieldByName("Cislo")->SetAsString("00420" + std::to_string(600000000 + id));
            Table->FieldByName("Vybrany")->SetAsBoolean(id % 2 == 0);
            Table->Post();
        }
        Table->First();
    }
    // Tick column first, then name and number, as the client's grids have them.
    void PersistentColumns() {
        auto* tick = static_cast<TCheckColumn*>(Grid->Columns()->Add());
        tick->SetFieldName("Vybrany");
        tick->SetCheck(true);
        tick->SetWidth(22);
        tick->Title()->SetCaption("");
        auto* name = Grid->Columns()->Add();
        name->SetFieldName("Jmeno");
        name->Title()->SetCaption("Jméno");
        name->SetWidth(150);
        auto* number = Grid->Columns()->Add();
        number->SetFieldName("Cislo");
        number->Title()->SetCaption("Číslo");
        number->SetWidth(120);
    }
    // Sorting as the windows do it: a title click sorts by the column, a
    // second click on the same column turns the order round.
    void SortOnTitleClicks() {
        Grid->SetTitleButtons(true);
        Grid->OnTitleBtnClick = [this](TObject*, Integer ACol, TField* Field) {
            ++TitleClicks;
            if (!Field) return;
            if (ACol == LastTitle)
                Table->SetSortOptions(Table->SortOptions().Contains(soDesc) ? TMemSortOptions{}
                                                                           : TMemSortOptions{soDesc});
            else
                Table->SetSortOptions(TMemSortOptions{});
            Table->SetSortedField("");
            Table->SetSortedField(Field->FieldName());
            LastTitle = ACol;
        };
        Grid->OnGetBtnParams = [this](TObject*, TField* Field, TFont*, TColor&, TSortMarker& Marker, bool) {
            if (Field->FieldName() == Table->SortedField())
                Marker = Table->SortOptions().Contains(soDesc) ? smDown : smUp;
        };
    }

    TMemData* Table;
    TDataSource* Source;
    TFormStorage* Storage;
    TCheckVmDBGrid* Grid;
    int TitleClicks = 0;
    Integer LastTitle = -1;
};

class TVmDBGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetApplicationForTests();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/grids/" + info->name() + "/";
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        Form = new TfKontakty(Folder + "Vemlor.ini");
        Grid = Form->Grid;
    }
    void TearDown() override {
        SetBeepHook(nullptr);
        Form->Storage->SetActive(false);
        Form->Free();
        PumpUntilIdle();
    }
    void Press(Integer ACol, Integer ARow, Cardinal Keys = 0) {
        const TRect r = Grid->CellRect(ACol, ARow);
        Grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON | Keys, MakeLParam(r.Left + 5, r.Top + 3));
    }
    void Release(Integer X, Integer Y) { Grid->Perform(WM_LBUTTONUP, 0, MakeLParam(X, Y)); }
    void Click(Integer ACol, Integer ARow, Cardinal Keys = 0) {
        const TRect r = Grid->CellRect(ACol, ARow);
        Press(ACol, ARow, Keys);
        Release(r.Left + 5, r.Top + 3);
    }
    AnsiString Name() const { return Form->Table->FieldByName("Jmeno")->AsString(); }
    bool Ticked() const { return Form->Table->FieldByName("Vybrany")->AsBoolean(); }
    std::unique_ptr<TBitmap> Shot() {
        auto shot = std::make_unique<TBitmap>();
        EXPECT_TRUE(GrabControl(Grid, *shot));
        return shot;
    }
    TRect OnShot(Integer ACol, Integer ARow) const {
        const TRect r = Grid->CellRect(ACol, ARow);
        const TPoint o = Grid->ClientOffset();
        return Rect(r.Left + o.x, r.Top + o.y, r.Right + o.x, r.Bottom + o.y);
    }

    AnsiString Folder;
    TfKontakty* Form = nullptr;
    TCheckVmDBGrid* Grid = nullptr;
};

}  // namespace

TEST_F(TVmDBGridTest, TitleClicksSortAndTheSortedTitleShowsItsMarker) {
    Form->PersistentColumns();
    Form->Grid->SetDataSource(Form->Source);
    Form->Fill({"Karel", "Adam", "Zdena", "Bohuš"});
    Form->SortOnTitleClicks();
    Form->Table->SetSortedField("ID");
    Form->Table->First();
    EXPECT_EQ("Karel", Name());
    Click(2, 0);  // Jmeno
    Form->Table->First();
    EXPECT_EQ("Adam", Name());
    Click(2, 0);  // again: descending
    Form->Table->First();
    EXPECT_EQ("Zdena", Name());
    EXPECT_EQ(2, Form->TitleClicks);

    // The marker: the descending triangle's 8-pixel base 3 pixels in from the
    // title's right edge, inside the button edge; the other titles have none.
    const std::unique_ptr<TBitmap> shot = Shot();
    const TRect title = OnShot(2, 0);
    const Integer left = title.Right - 1 - 8 - 3;
    const Integer top = title.Top + 1 + (title.Height() - 2 - 5) / 2;
    for (Integer x = left; x < left + 8; ++x) EXPECT_EQ(clGray, shot->Canvas()->Pixel(x, top)) << x;
    EXPECT_EQ(clGray, shot->Canvas()->Pixel(left + 3, top + 4));
    EXPECT_NE(clGray, shot->Canvas()->Pixel(left, top + 4));  // magenta stayed out
    const TRect other = OnShot(3, 0);
    for (Integer x = other.Right - 14; x < other.Right - 2; ++x)
        EXPECT_NE(clGray, shot->Canvas()->Pixel(x, top)) << x;
}

TEST_F(TVmDBGridTest, RefusedOrAbandonedTitlePressFiresNoClick) {
    Form->PersistentColumns();
    Form->Grid->SetDataSource(Form->Source);
    Form->Fill({"Karel", "Adam"});
    Form->SortOnTitleClicks();
    int beeps = 0;
    SetBeepHook([&] { ++beeps; });
    // The column index is the column's place among Columns: 1 is the name.
    Grid->OnCheckButton = [](TObject*, Integer ACol, TField*, bool& Enabled) { Enabled = ACol != 1; };
    Click(2, 0);
    EXPECT_EQ(1, beeps);
    EXPECT_EQ(-1, Grid->PressedTitleCol());
    // Pressed on one title, released over another: drawn up again, no click.
    Press(1, 0);
    EXPECT_EQ(1, Grid->PressedTitleCol());
    const TRect elsewhere = Grid->CellRect(3, 0);
    Grid->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(elsewhere.Left + 4, 4));
    EXPECT_EQ(-1, Grid->PressedTitleCol());
    Release(elsewhere.Left + 4, 4);
    EXPECT_EQ(0, Form->TitleClicks);
    Click(3, 0);
    EXPECT_EQ(1, Form->TitleClicks);
}

TEST_F(TVmDBGridTest, TickByClickAndSpaceTogglesOnceBeforeCellClick) {
    Form->PersistentColumns();
    Form->Grid->SetDataSource(Form->Source);
    Form->Fill({"Adam", "Bohuš", "Cyril"});
    std::vector<bool> seenByCellClick;
    Grid->OnCellClick = [&](TColumn*) { seenByCellClick.push_back(Ticked()); };
    EXPECT_FALSE(Ticked());
    Click(1, 1);
    EXPECT_TRUE(Ticked());
    EXPECT_EQ(dsBrowse, Form->Table->State());  // posted
    ASSERT_EQ(1u, seenByCellClick.size());
    EXPECT_TRUE(seenByCellClick[0]);  // the toggle came first
    Click(2, 1);  // the name column toggles nothing
    EXPECT_TRUE(Ticked());
    Grid->SetSelectedIndex(0);
    SendKey(Grid, VK_SPACE);
    EXPECT_FALSE(Ticked());  // once, not twice
    Grid->OnKeyPress = [](TObject*, char& Key) {
        if (Key == ' ') Key = 0;
    };
    SendKey(Grid, VK_SPACE);
    EXPECT_FALSE(Ticked());  // the handler kept the key
}

TEST_F(TVmDBGridTest, TextTicksFollowValueCheckedAlternativesWhenDrawnAndToggled) {
    // A text tick column: "Ano;A" counts as ticked, whatever else as not.
    auto* field = new TStringField(Form);
    field->SetSize(5);
    Form->AddField(field, "Stav", 0);
    auto* column = static_cast<TCheckColumn*>(Grid->Columns()->Add());
    column->SetFieldName("Stav");
    column->SetCheck(true);
    column->SetValueChecked("Ano;A");
    column->SetValueUnchecked("Ne;N");
    Grid->SetDataSource(Form->Source);
    Form->Table->SetSortedField("");
    Form->Table->Open();
    for (const char* value : {"ano", "Yes", "x", "a"}) {
        Form->Table->Append();
        Form->Table->FieldByName("Jmeno")->SetAsString(value);
        Form->Table->FieldByName("Stav")->SetAsString(value);
        Form->Table->Post();
    }
    Form->Table->First();
    const std::unique_ptr<TBitmap> shot = Shot();
    auto tickDrawn = [&](Integer row) {
        const TRect cell = OnShot(1, row);
        const Integer cx = cell.Left + (cell.Width() - 13) / 2 + 2, cy = cell.Top + (cell.Height() - 13) / 2 + 2;
        int ink = 0;
        for (Integer y = cy; y < cy + 9; ++y)
            for (Integer x = cx; x < cx + 9; ++x) ink += shot->Canvas()->Pixel(x, y) == clBlack;
        return ink > 0;
    };
    EXPECT_TRUE(tickDrawn(1));   // "ano"
    EXPECT_FALSE(tickDrawn(2));  // "Yes" is not among the alternatives
    EXPECT_FALSE(tickDrawn(3));  // "x"
    EXPECT_TRUE(tickDrawn(4));   // "a"
    Form->Table->SetRecNo(2);
    ASSERT_TRUE(Grid->ToggleCurrentCheck());
    EXPECT_EQ("Ano", Form->Table->FieldByName("Stav")->AsString());  // drawn unticked, so it ticks
    ASSERT_TRUE(Grid->ToggleCurrentCheck());
    EXPECT_EQ("Ne", Form->Table->FieldByName("Stav")->AsString());
}

TEST_F(TVmDBGridTest, ClickOnAnEmptyListNeitherTogglesNorReportsTheClick) {
    Form->PersistentColumns();
    Grid->SetDataSource(Form->Source);
    Form->Table->Open();
    int cellClicks = 0;
    Grid->OnCellClick = [&](TColumn*) { ++cellClicks; };
    Click(1, 1);
    EXPECT_EQ(0, cellClicks);
    EXPECT_EQ(0, Form->Table->RecordCount());
    EXPECT_EQ(dsBrowse, Form->Table->State());
}

TEST_F(TVmDBGridTest, ShiftArrowsSelectFromTheAnchorAndStepBackDeselects) {
    Form->PersistentColumns();
    Grid->SetDataSource(Form->Source);
    Form->Fill({"Adam", "Bohuš", "Cyril", "David", "Emil"});
    Grid->SetMultiSelect(true);
    EXPECT_TRUE(Grid->Options().Contains(dgMultiSelect));
    Form->Table->SetRecNo(2);
    SendKey(Grid, VK_DOWN, TShiftState{ssShift});
    SendKey(Grid, VK_DOWN, TShiftState{ssShift});
    EXPECT_EQ(3, Grid->SelectedRows()->Count());  // Bohuš, Cyril, David
    SendKey(Grid, VK_UP, TShiftState{ssShift});
    EXPECT_EQ(2, Grid->SelectedRows()->Count());
    EXPECT_EQ("Cyril", Name());
    EXPECT_TRUE(Grid->SelectedRows()->CurrentRowSelected());
    SendKey(Grid, VK_UP, TShiftState{ssShift});
    SendKey(Grid, VK_UP, TShiftState{ssShift});  // past the anchor: Adam joins
    EXPECT_EQ("Adam", Name());
    EXPECT_EQ(2, Grid->SelectedRows()->Count());
    // Ctrl+click adds a row; a plain click starts again from the clicked one.
    Click(2, 5, MK_CONTROL);
    EXPECT_EQ(3, Grid->SelectedRows()->Count());
    Click(2, 3);
    EXPECT_EQ(1, Grid->SelectedRows()->Count());
    EXPECT_EQ("Cyril", Name());
    SendKey(Grid, VK_DOWN);
    EXPECT_EQ(0, Grid->SelectedRows()->Count());
}

TEST_F(TVmDBGridTest, FixedColumnsStayInPlaceAndKeepTheCurrentColumnOut) {
    Form->PersistentColumns();
    Grid->SetDataSource(Form->Source);
    Form->Fill({"Adam", "Bohuš"});
    Grid->SetWidth(200);
    Grid->SetFixedCols(1);
    EXPECT_EQ(2, Grid->TCustomGrid::FixedCols());  // indicator + tick column
    EXPECT_EQ(2, Grid->Col());
    SendKey(Grid, VK_LEFT);
    EXPECT_EQ(2, Grid->Col());
    SendKey(Grid, VK_RIGHT);
    EXPECT_EQ(3, Grid->Col());
    SendKey(Grid, VK_HOME);
    EXPECT_EQ(2, Grid->Col());
    Grid->SetLeftCol(3);
    EXPECT_FALSE(Grid->CellRect(1, 1).IsEmpty());  // the fixed tick column stays
    EXPECT_TRUE(Grid->CellRect(2, 1).IsEmpty());   // the name column scrolled away
    // A click on the fixed column moves to its record without toggling it.
    const bool before = (Form->Table->SetRecNo(1), Ticked());
    Click(1, 2);
    EXPECT_EQ("Bohuš", Name());
    Form->Table->SetRecNo(1);
    EXPECT_EQ(before, Ticked());
    Grid->SetFixedCols(7);
    EXPECT_EQ(2, Grid->FixedCols());  // at most the column count minus one
    EXPECT_EQ(3, Grid->Col());
}

TEST_F(TVmDBGridTest, ColumnLayoutIsStoredAndRestoredThroughTheWindowsStorage) {
    Form->PersistentColumns();
    Grid->SetDataSource(Form->Source);
    Form->Fill({"Adam"});
    Form->Storage->RestoreSettings();
    Grid->Columns()->Items(1)->SetWidth(200);
    Form->Storage->SaveSettings();
    TIniFile ini(Folder + "Vemlor.ini");
    EXPECT_EQ("1,200", ini.ReadString("TfKontaktyAdrGrid", "AdrGrid.Jmeno", ""));
    EXPECT_EQ("0,22", ini.ReadString("TfKontaktyAdrGrid", "AdrGrid.Vybrany", ""));

    // Swapped indices come back swapped; two claims on one place: the first wins.
    ini.WriteString("TfKontaktyAdrGrid", "AdrGrid.Jmeno", "2,180");
    ini.WriteString("TfKontaktyAdrGrid", "AdrGrid.Cislo", "1, 90");
    ini.WriteString("TfKontaktyAdrGrid", "AdrGrid.Vybrany", "1,x");
    Form->Storage->RestoreSettings();
    EXPECT_EQ("Vybrany", Grid->Columns()->Items(0)->FieldName());
    EXPECT_EQ("Cislo", Grid->Columns()->Items(1)->FieldName());
    EXPECT_EQ("Jmeno", Grid->Columns()->Items(2)->FieldName());
    EXPECT_EQ(180, Grid->Columns()->Items(2)->Width());
    EXPECT_EQ(90, Grid->Columns()->Items(1)->Width());
    EXPECT_EQ(22, Grid->Columns()->Items(0)->Width());  // "x" kept the width

    // A hand-edited file: a width no screen shows is cut to one a wide
    // screen could, and none or a negative one is not taken.
    ini.WriteString("TfKontaktyAdrGrid", "AdrGrid.Jmeno", "2,2000000000");
    ini.WriteString("TfKontaktyAdrGrid", "AdrGrid.Cislo", "1,-500");
    ini.WriteString("TfKontaktyAdrGrid", "AdrGrid.Vybrany", "0,0");
    Form->Storage->RestoreSettings();
    EXPECT_LE(Grid->Columns()->Items(2)->Width(), 8192);
    EXPECT_GE(Grid->Columns()->Items(2)->Width(), 2560);
    EXPECT_EQ(90, Grid->Columns()->Items(1)->Width());
    EXPECT_EQ(22, Grid->Columns()->Items(0)->Width());

    // Saving again drops keys of columns the grid no longer has.
    ini.WriteString("TfKontaktyAdrGrid", "AdrGrid.Stary", "5,50");
    Form->Storage->SaveSettings();
    EXPECT_EQ("", TIniFile(Folder + "Vemlor.ini").ReadString("TfKontaktyAdrGrid", "AdrGrid.Stary", ""));

    // A grid without a Name keeps nothing.
    Grid->SetName("");
    TIniFile(Folder + "Vemlor.ini").EraseSection("TfKontaktyAdrGrid");
    Form->Storage->SaveSettings();
    EXPECT_FALSE(TIniFile(Folder + "Vemlor.ini").SectionExists("TfKontaktyAdrGrid"));
}

TEST_F(TVmDBGridTest, ContactsGridWithTicksAndSortMarkerToPng) {
    Form->PersistentColumns();
    Grid->SetDataSource(Form->Source);
    Form->Fill({"Novák Jan", "Dvořáková Eva", "Černý Petr", "Šťastná Lucie", "Hrubý Tomáš", "Žáková Iva"});
    Form->SortOnTitleClicks();
    Grid->SetOptions(Grid->Options() + TDBGridOptions{dgAlwaysShowSelection});
    Form->Show();
    Click(2, 0);
    Form->Table->First();
    Form->Table->Next();
    Grid->SetSelectedIndex(1);
    PumpUntilIdle();
    const AnsiString png = Folder + "contacts.png";
    ASSERT_TRUE(SaveControlToPng(Form, png));
    EXPECT_GT(std::filesystem::file_size(png), 1000u);
    // The current row is highlighted in its name cell.
    const std::unique_ptr<TBitmap> shot = Shot();
    const TRect current = OnShot(2, 2);
    EXPECT_EQ(ColorToRGB(clHighlight), shot->Canvas()->Pixel(current.Right - 3, current.Top + 3));
}

TEST_F(TVmDBGridTest, CtrlDeleteAsksAndDeletesTheSelectedRowsOnlyOnYes) {
    Form->PersistentColumns();
    Grid->SetDataSource(Form->Source);
    Form->Fill({"Adam", "Bohuš", "Cyril", "David"});
    Grid->SetMultiSelect(true);
    SendKey(Grid, VK_DOWN, TShiftState{ssShift});
    SendKey(Grid, VK_DOWN, TShiftState{ssShift});
    ASSERT_EQ(3, Grid->SelectedRows()->Count());
    TModalAnswerer answers;
    answers.ClickButton("No");
    SendKey(Grid, VK_DELETE, TShiftState{ssCtrl});
    EXPECT_EQ(4, Form->Table->RecordCount());
    answers.ClickButton("Yes", [](TForm* Dialog) {
        EXPECT_NE(nullptr, Dialog->FindComponent("Message"));
    });
    SendKey(Grid, VK_DELETE, TShiftState{ssCtrl});
    EXPECT_EQ(1, Form->Table->RecordCount());
    EXPECT_EQ("David", Name());
    EXPECT_EQ(0, Grid->SelectedRows()->Count());
    EXPECT_TRUE(answers.Unexpected().empty());
}

TEST_F(TVmDBGridTest, DownAtTheEndAppendsOnlyWhenTheCheckGridAllowsIt) {
    Form->PersistentColumns();
    Grid->SetDataSource(Form->Source);
    Form->Fill({"Adam", "Bohuš"});
    Form->Table->Last();
    SendKey(Grid, VK_DOWN);
    EXPECT_EQ(dsBrowse, Form->Table->State());
    EXPECT_EQ(2, Form->Table->RecordCount());
    Grid->SetAllowAppend(true);
    SendKey(Grid, VK_DOWN);
    EXPECT_EQ(dsInsert, Form->Table->State());
    Form->Table->Cancel();
}

TEST_F(TVmDBGridTest, AToggleTheTableRefusesToPostLeavesTheRecordAsItWas) {
    Form->PersistentColumns();
    Grid->SetDataSource(Form->Source);
    Form->Fill({"Adam"});
    Form->Table->BeforePost = [](TDataSet*) { DatabaseError("Záznam nelze uložit"); };
    EXPECT_THROW(Grid->ToggleCurrentCheck(), EDatabaseError);
    EXPECT_EQ(dsBrowse, Form->Table->State());
    EXPECT_FALSE(Ticked());
}

TEST_F(TVmDBGridTest, CellParametersColourCellsAndGlyphFieldsGetNoEditor) {
    auto* memo = new TMemoField(Form);
    Form->AddField(memo, "Zprava", 0);
    Form->PersistentColumns();
    Grid->Columns()->Add()->SetFieldName("Zprava");
    Grid->SetDataSource(Form->Source);
    Form->Fill({"Adam", "Bohuš"});
    Grid->OnGetCellParams = [](TObject*, TField* Field, TFont*, TColor& Background, bool Highlight) {
        if (Field->FieldName() == "Cislo" && !Highlight) Background = clYellow;
    };
    const std::unique_ptr<TBitmap> shot = Shot();
    const TRect number = OnShot(3, 2);
    EXPECT_EQ(clYellow, shot->Canvas()->Pixel(number.Right - 2, number.Bottom - 2));
    // The memo column shows its glyph: black ink in the middle of the cell.
    const TRect message = OnShot(4, 1);
    int ink = 0;
    for (Integer x = message.Left; x < message.Right; ++x)
        ink += shot->Canvas()->Pixel(x, message.Top + message.Height() / 2) == clBlack;
    EXPECT_GT(ink, 0);
    Grid->SetSelectedIndex(3);
    Grid->SetEditorMode(true);
    EXPECT_FALSE(Grid->EditorMode());
    Grid->SetSelectedIndex(1);
    bool asked = false;
    Grid->OnShowEditor = [&](TObject*, TField*, bool& AllowEdit) {
        asked = true;
        AllowEdit = false;
    };
    Grid->SetEditorMode(true);
    EXPECT_TRUE(asked);
    EXPECT_FALSE(Grid->EditorMode());
}

namespace {

// A client window names its grid's columns and data source in its form file;
// the table lives in the data module, made before the window is read.
TEST(TCheckVmDBGridFormTest, ColumnsAndDataSourceComeFromTheFormFile) {
    auto* dm = new TDataModule(nullptr);
    dm->SetName("DM");
    auto* table = new TMemData(dm);
    table->SetName("Adresa");
    for (auto [name, size] : {std::pair{"Jmeno", 50}, {"Cislo", 20}}) {
        auto* f = new TStringField(dm);
        f->SetSize(size);
        f->SetFieldName(name);
        f->SetDataSet(table);
    }
    auto* tick = new TBooleanField(dm);
    tick->SetFieldName("Vybrany");
    tick->SetDataSet(table);
    auto* source = new TDataSource(dm);
    source->SetName("AdresaDS");
    source->SetDataSet(table);
    table->Open();

    auto* form = static_cast<TForm*>(ReadComponent(
        "object fAdr: TForm\n"
        "  object AdrGrid: TCheckVmDBGrid\n"
        "    Width = 300\n"
        "    Height = 150\n"
        "    DataSource = DM.AdresaDS\n"
        "    Columns = <\n"
        "      item\n"
        "        FieldName = 'Vybrany'\n"
        "        Width = 20\n"
        "        Check = True\n"
        "      end\n"
        "      item\n"
        "        FieldName = 'Jmeno'\n"
        "        Title.Caption = 'Jméno'\n"
        "        Width = 150\n"
        "      end>\n"
        "  end\n"
        "end\n",
        nullptr));
    auto* grid = static_cast<TCheckVmDBGrid*>(form->FindComponent("AdrGrid"));
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->DataSource(), source);
    ASSERT_EQ(grid->Columns()->Count(), 2);
    auto* check = dynamic_cast<TCheckColumn*>(grid->Columns()->Items(0));
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(check->Check());
    EXPECT_EQ(check->Field(), tick);
    EXPECT_EQ(grid->Columns()->Items(1)->Title()->Caption(), "Jméno");
    EXPECT_EQ(grid->Columns()->Items(1)->Width(), 150);
    const AnsiString written = WriteComponent(form);
    EXPECT_NE(written.find("Check = True"), AnsiString::npos) << written;
    EXPECT_NE(written.find("DataSource = DM.AdresaDS"), AnsiString::npos) << written;
    form->Free();
    dm->Free();
    PumpUntilIdle();
}

}  // namespace
