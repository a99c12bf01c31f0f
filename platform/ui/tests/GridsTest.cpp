#include "platform/ui/Grids.h"

#include <gtest/gtest.h>

#include "platform/db/tests/TestDataSet.h"
#include "platform/ui/DBGrids.h"
#include "platform/ui/EdgeDraw.h"
#include "platform/ui/TestSupport.h"

namespace {

// Paints each cell in a colour of its own, so the pixels say where the grid
// put every cell.
class TColourGrid : public TCustomGrid {
public:
    explicit TColourGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}
    static TColor CellColour(Integer c, Integer r) { return RGB(40 * c + 10, 30 * r + 5, 200); }
    std::vector<TGridCoord> Drawn;

protected:
    void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState) override {
        Drawn.push_back(TGridCoord{ACol, ARow});
        Canvas()->Brush()->SetColor(CellColour(ACol, ARow));
        Canvas()->FillRect(ARect);
    }
};

class TGridFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetApplicationForTests();
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, 400, 300);
    }
    void TearDown() override {
        Form->Free();
        PumpUntilIdle();
    }
    TForm* Form = nullptr;
};

}  // namespace

TEST(EdgeDrawTest, ButtonEdgeAndFocusFrameAreExactAndFocusFrameUndoesItself) {
    TBitmap bmp;
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(10, 8);
    TCanvas* c = bmp.Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(0, 0, 10, 8));
    TRect r = Rect(0, 0, 10, 8);
    DrawEdge(c, r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    EXPECT_EQ(Rect(2, 2, 8, 6), r);
    EXPECT_EQ(ColorToRGB(cl3DLight), c->Pixel(0, 0));
    EXPECT_EQ(ColorToRGB(cl3DDkShadow), c->Pixel(9, 7));
    EXPECT_EQ(ColorToRGB(cl3DDkShadow), c->Pixel(9, 0));  // the corner belongs to the right line
    EXPECT_EQ(ColorToRGB(clBtnHighlight), c->Pixel(1, 1));
    EXPECT_EQ(ColorToRGB(clBtnShadow), c->Pixel(8, 6));
    EXPECT_EQ(clWhite, c->Pixel(2, 2));

    c->FillRect(Rect(0, 0, 10, 8));
    DrawFocusRect(c, Rect(1, 1, 7, 5));
    EXPECT_EQ(clBlack, c->Pixel(1, 1));
    EXPECT_EQ(clWhite, c->Pixel(2, 1));
    EXPECT_EQ(clBlack, c->Pixel(3, 1));
    EXPECT_EQ(clWhite, c->Pixel(3, 3));  // inside stays
    DrawFocusRect(c, Rect(1, 1, 7, 5));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(clWhite, c->Pixel(x, y)) << x << "," << y;
}

TEST(EdgeDrawTest, CheckBoxGlyphIsCentredAndTickedOnlyWhenChecked) {
    TBitmap bmp;
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(21, 17);
    TCanvas* c = bmp.Canvas();
    c->Brush()->SetColor(clRed);
    c->FillRect(Rect(0, 0, 21, 17));
    DrawCheckBoxGlyph(c, Rect(0, 0, 21, 17), false);
    // 13 x 13 at (4, 2): frame outside, white face inside, red around.
    EXPECT_EQ(clRed, c->Pixel(3, 2));
    EXPECT_EQ(ColorToRGB(clBtnShadow), c->Pixel(4, 2));
    EXPECT_EQ(ColorToRGB(clBtnHighlight), c->Pixel(16, 14));
    EXPECT_EQ(clRed, c->Pixel(17, 14));
    int ink = 0;
    for (int y = 4; y < 13; ++y)
        for (int x = 6; x < 15; ++x) ink += c->Pixel(x, y) != clWhite;
    EXPECT_EQ(0, ink);
    DrawCheckBoxGlyph(c, Rect(0, 0, 21, 17), true);
    for (int y = 4; y < 13; ++y)
        for (int x = 6; x < 15; ++x) ink += c->Pixel(x, y) == clBlack;
    EXPECT_EQ(21, ink);  // seven columns of three pixels
}

TEST_F(TGridFixture, CellsLinesAndFixedPartsArePlacedToThePixel) {
    auto* grid = new TColourGrid(Form);
    grid->SetParent(Form);
    grid->SetBounds(0, 0, 200, 120);
    grid->SetColCount(4);
    grid->SetRowCount(6);
    grid->SetDefaultColWidth(40);
    grid->SetDefaultRowHeight(20);
    grid->SetColWidths(0, 15);
    grid->SetScrollBars(ssNone);
    // Border 2: client 196 x 116; columns at 0, 16, 57, 98; rows at 0, 21, 42 ...
    EXPECT_EQ(Rect(16, 21, 56, 41), grid->CellRect(1, 1));
    EXPECT_EQ(Rect(98, 0, 138, 20), grid->CellRect(3, 0));
    Integer c = -1, r = -1;
    grid->MouseToCell(56, 41, c, r);  // the line after a cell counts to it
    EXPECT_EQ(1, c);
    EXPECT_EQ(1, r);
    grid->MouseToCell(190, 10, c, r);  // right of the last column
    EXPECT_EQ(-1, c);
    EXPECT_EQ(4, grid->VisibleRowCount());  // 95 pixels below the titles: 4 rows and their lines, not 5

    TBitmap shot;
    ASSERT_TRUE(GrabControl(grid, shot));
    const TPoint o = grid->ClientOffset();
    TCanvas* s = shot.Canvas();
    EXPECT_EQ(TColourGrid::CellColour(1, 1), s->Pixel(o.x + 16, o.y + 21));
    EXPECT_EQ(TColourGrid::CellColour(1, 1), s->Pixel(o.x + 55, o.y + 40));
    EXPECT_EQ(TColourGrid::CellColour(0, 0), s->Pixel(o.x + 0, o.y + 0));
    EXPECT_EQ(clBlack, s->Pixel(o.x + 15, o.y + 30));   // the fixed column's line
    EXPECT_EQ(clBlack, s->Pixel(o.x + 30, o.y + 20));   // the fixed row's line
    EXPECT_EQ(clSilver, s->Pixel(o.x + 56, o.y + 30));  // a line between scrolling cells
    EXPECT_EQ(ColorToRGB(clWindow), s->Pixel(o.x + 150, o.y + 30));  // no column there
    EXPECT_EQ(ColorToRGB(clBtnShadow), s->Pixel(0, 0));  // the sunken border
}

TEST_F(TGridFixture, ScrollingKeepsFixedCellsAndFollowsTheCurrentCell) {
    auto* grid = new TColourGrid(Form);
    grid->SetParent(Form);
    grid->SetBounds(0, 0, 200, 120);
    grid->SetColCount(3);
    grid->SetRowCount(50);
    grid->SetDefaultRowHeight(20);
    grid->SetScrollBars(ssNone);
    grid->Perform(WM_VSCROLL, ScrollWParam(SB_PAGEDOWN));
    EXPECT_EQ(1 + grid->VisibleRowCount(), grid->TopRow());
    EXPECT_EQ(1, grid->Row());  // scrolling does not move the current cell
    grid->Perform(WM_VSCROLL, ScrollWParam(SB_BOTTOM));
    EXPECT_EQ(50 - grid->VisibleRowCount(), grid->TopRow());
    grid->SetRow(3);
    EXPECT_EQ(3, grid->TopRow());
    grid->SetRow(40);
    EXPECT_EQ(40 - grid->VisibleRowCount() + 1, grid->TopRow());
    grid->Drawn.clear();
    TBitmap shot;
    ASSERT_TRUE(GrabControl(grid, shot));
    EXPECT_EQ(TColourGrid::CellColour(0, 0), shot.Canvas()->Pixel(3, 3));  // row 0 stays on top
    ASSERT_FALSE(grid->Drawn.empty());
    for (const TGridCoord& cell : grid->Drawn) EXPECT_TRUE(cell.Y == 0 || cell.Y >= grid->TopRow()) << cell.Y;
}

TEST_F(TGridFixture, TitleDragMovesAColumnWithItsWidthAndEdgeDragSizesIt) {
    auto* grid = new TColourGrid(Form);
    grid->SetParent(Form);
    grid->SetBounds(0, 0, 300, 120);
    grid->SetColCount(4);
    grid->SetRowCount(3);
    grid->SetDefaultColWidth(50);
    grid->SetColWidths(1, 30);
    grid->SetOptions(grid->Options() + TGridOptions{goColMoving, goColSizing});
    // Press on column 1's title, release over column 3's: column 1 goes last.
    const TRect title1 = grid->CellRect(1, 0), title3 = grid->CellRect(3, 0);
    grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(title1.Left + 10, 5));
    grid->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(title3.Left + 10, 5));
    grid->Perform(WM_LBUTTONUP, 0, MakeLParam(title3.Left + 10, 5));
    EXPECT_EQ(30, grid->ColWidths(3));
    EXPECT_EQ(50, grid->ColWidths(1));
    // Dragging the right edge of column 2's title makes it 20 pixels wider.
    const TRect title2 = grid->CellRect(2, 0);
    grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(title2.Right, 5));
    EXPECT_EQ(gsColSizing, grid->GridState());
    grid->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(title2.Right + 20, 5));
    grid->Perform(WM_LBUTTONUP, 0, MakeLParam(title2.Right + 20, 5));
    EXPECT_EQ(70, grid->ColWidths(2));
    EXPECT_EQ(gsNormal, grid->GridState());
}

// ---------------------------------------------------------------------------
// TDBGrid over a data set of many records

namespace {

struct TNumbers {
    std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
    TTestDataSet* DS = new TTestDataSet(Owner.get());
    TDataSource* Source = new TDataSource(Owner.get());
    explicit TNumbers(int rows) {
        auto* value = new TIntegerField(Owner.get());
        value->SetFieldName("Value");
        value->SetDataSet(DS);
        auto* name = new TStringField(Owner.get());
        name->SetSize(10);
        name->SetFieldName("Name");
        name->SetDataSet(DS);
        for (int i = 1; i <= rows; ++i) DS->AddRow({TTestDataSet::Int(i), "n" + std::to_string(i)});
        Source->SetDataSet(DS);
        DS->Open();
    }
};

}  // namespace

TEST_F(TGridFixture, DataGridHoldsOnlyItsVisibleRowsAndScrollsTheDataSet) {
    TNumbers data(1000);
    auto* grid = new TDBGrid(Form);
    grid->SetParent(Form);
    grid->SetBounds(0, 0, 300, 200);
    grid->SetDataSource(data.Source);
    const int visible = grid->RowCount() - 1;
    ASSERT_GT(visible, 3);
    EXPECT_LT(visible, 20);
    EXPECT_EQ(visible, data.DS->BufferCount());
    EXPECT_EQ(2, grid->Columns()->Count());
    EXPECT_EQ("Value", grid->Columns()->Items(0)->Title()->Caption());
    for (int i = 0; i < visible + 2; ++i) SendKey(grid, VK_DOWN);
    EXPECT_EQ(visible + 3, data.DS->FieldByName("Value")->AsInteger());
    EXPECT_EQ(grid->RowCount() - 1, grid->Row());  // the last row shows the current record
    SendKey(grid, VK_END, TShiftState{ssCtrl});
    EXPECT_EQ(1000, data.DS->FieldByName("Value")->AsInteger());
    grid->Perform(WM_VSCROLL, ScrollWParam(SB_PAGEUP));
    EXPECT_EQ(1000 - visible, data.DS->FieldByName("Value")->AsInteger());
    // A click on the third data row makes its record current.
    const TRect third = grid->CellRect(1, 3);
    const int before = data.DS->FieldByName("Value")->AsInteger();
    const int activeRow = grid->Row();
    SendClick(grid, third.Left + 3, third.Top + 3);
    EXPECT_EQ(before + (3 - activeRow), data.DS->FieldByName("Value")->AsInteger());
    // Each notch of the wheel is one record.
    SendWheel(grid, third.Left + 3, third.Top + 3, -1);
    EXPECT_EQ(before + (4 - activeRow), data.DS->FieldByName("Value")->AsInteger());
    SendWheel(grid, third.Left + 3, third.Top + 3, 1);
    SendWheel(grid, third.Left + 3, third.Top + 3, 1);
    EXPECT_EQ(before + (2 - activeRow), data.DS->FieldByName("Value")->AsInteger());
}

TEST_F(TGridFixture, EditorPostsOnRowChangeAndEscapeCancels) {
    TNumbers data(5);
    auto* grid = new TDBGrid(Form);
    grid->SetParent(Form);
    grid->SetBounds(0, 0, 300, 200);
    grid->SetDataSource(data.Source);
    Form->Show();
    grid->SetFocus();
    grid->SetSelectedIndex(1);
    TypeText(grid, "E");
    ASSERT_TRUE(grid->EditorMode());
    TypeText(grid->InplaceEditor(), "va");
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(dsEdit, data.DS->State());
    SendKey(grid->InplaceEditor(), VK_DOWN);
    EXPECT_EQ(dsBrowse, data.DS->State());
    EXPECT_EQ("Eva", data.DS->Rows[0].Values[1].substr(0, 3));
    EXPECT_EQ(2, data.DS->FieldByName("Value")->AsInteger());

    TypeText(grid, "O");
    ASSERT_TRUE(grid->EditorMode());
    SendKey(grid->InplaceEditor(), VK_ESCAPE);
    EXPECT_EQ(dsBrowse, data.DS->State());
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ("n2", data.DS->FieldByName("Name")->AsString());
}

TEST_F(TGridFixture, KeysTypedIntoTheEditorReachTheGridsKeyDownEventOnce) {
    TNumbers data(2);
    auto* grid = new TDBGrid(Form);
    grid->SetParent(Form);
    grid->SetBounds(0, 0, 300, 200);
    grid->SetDataSource(data.Source);
    std::vector<Word> keys;
    grid->OnKeyDown = [&](TObject* Sender, Word& Key, TShiftState) {
        EXPECT_EQ(grid, Sender);
        keys.push_back(Key);
    };
    Form->Show();
    grid->SetFocus();
    grid->SetSelectedIndex(1);
    grid->SetEditorMode(true);
    ASSERT_TRUE(grid->EditorMode());
    SendKey(grid->InplaceEditor(), 'K');
    // A key that moves between rows goes to the grid itself, which fires it.
    SendKey(grid->InplaceEditor(), VK_DOWN);
    EXPECT_EQ((std::vector<Word>{'K', VK_DOWN}), keys);
}

TEST_F(TGridFixture, DataGridColumnsFollowFieldsUntilTheProgramAddsItsOwn) {
    TNumbers data(3);
    auto* grid = new TDBGrid(Form);
    grid->SetParent(Form);
    grid->SetBounds(0, 0, 300, 150);
    grid->SetDataSource(data.Source);
    ASSERT_EQ(csDefault, grid->Columns()->State());
    EXPECT_EQ(3, grid->ColCount());  // indicator and two fields
    // A hidden column takes no room, and the current cell passes over it.
    auto* name = grid->Columns()->Add();
    EXPECT_EQ(csCustomized, grid->Columns()->State());
    name->SetFieldName("Name");
    auto* value = grid->Columns()->Add();
    value->SetFieldName("Value");
    value->SetVisible(false);
    auto* again = grid->Columns()->Add();
    again->SetFieldName("Name");
    EXPECT_EQ(4, grid->ColCount());
    EXPECT_TRUE(grid->CellRect(2, 1).IsEmpty());
    EXPECT_EQ(grid->CellRect(1, 1).Right + 1, grid->CellRect(3, 1).Left);
    grid->SetSelectedIndex(0);
    SendKey(grid, VK_RIGHT);
    EXPECT_EQ(2, grid->SelectedIndex());
    // Closing the data set keeps the program's columns; their fields go.
    data.DS->Close();
    EXPECT_EQ(3, grid->Columns()->Count());
    EXPECT_EQ(nullptr, grid->Columns()->Items(0)->Field());
    data.DS->Open();
    EXPECT_EQ(data.DS->FieldByName("Name"), grid->Columns()->Items(0)->Field());
}

TEST_F(TGridFixture, DataGridTitleClickAndColumnDragReportThroughTheirEvents) {
    TNumbers data(3);
    auto* grid = new TDBGrid(Form);
    grid->SetParent(Form);
    grid->SetBounds(0, 0, 300, 150);
    grid->SetDataSource(data.Source);
    std::vector<AnsiString> titles;
    grid->OnTitleClick = [&](TColumn* Column) { titles.push_back(Column->FieldName()); };
    Integer movedFrom = -1, movedTo = -1;
    grid->OnColumnMoved = [&](TObject*, Integer From, Integer To) {
        movedFrom = From;
        movedTo = To;
    };
    const TRect value = grid->CellRect(1, 0), name = grid->CellRect(2, 0);
    grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(value.Left + 5, 4));
    grid->Perform(WM_LBUTTONUP, 0, MakeLParam(value.Left + 5, 4));
    ASSERT_EQ(1u, titles.size());
    EXPECT_EQ("Value", titles[0]);
    grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(value.Left + 5, 4));
    grid->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(name.Left + 20, 4));
    grid->Perform(WM_LBUTTONUP, 0, MakeLParam(name.Left + 20, 4));
    EXPECT_EQ(1u, titles.size());  // a drag is no click
    EXPECT_EQ(0, movedFrom);
    EXPECT_EQ(1, movedTo);
    EXPECT_EQ("Name", grid->Columns()->Items(0)->FieldName());
}
