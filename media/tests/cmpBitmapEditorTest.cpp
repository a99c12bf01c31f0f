#include "media/cmpBitmapEditorModel.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr TColor Paper = BitmapEditorPaperColor;

// An editor at magnification 1 on a blank 8 x 6 picture, so client pixels
// are image pixels.
struct Editor {
    TBitmapEditorModel M;
    int Changes = 0, EndChanges = 0, ToolChanges = 0;
    explicit Editor(Integer w = 8, Integer h = 6, Integer mag = 1) {
        TPicture pic;
        TBitmap* b = pic.Bitmap();
        b->SetSize(w, h);
        b->Canvas()->Brush()->SetColor(Paper);
        b->Canvas()->FillRect(Rect(0, 0, w, h));
        M.SetMagnification(mag);
        M.SetPicture(&pic);
        M.OnChange = [this](TObject*) { ++Changes; };
        M.OnEndChange = [this](TObject*) { ++EndChanges; };
        M.OnDrawToolChange = [this](TObject*) { ++ToolChanges; };
    }
    TColor Px(Integer x, Integer y) { return M.WorkBitmap()->GetPixel(x, y); }
    // Rows of the image, '#' for black, '.' for paper, '?' otherwise.
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (Integer y = 0; y < M.WorkBitmap()->Height(); ++y) {
            std::string r;
            for (Integer x = 0; x < M.WorkBitmap()->Width(); ++x) {
                const TColor c = Px(x, y);
                r += c == clBlack ? '#' : c == Paper ? '.' : '?';
            }
            rows.push_back(r);
        }
        return rows;
    }
    void Drag(TPoint from, TPoint to, TEditorButton b = ebLeft) {
        M.MouseDown(b, from.x, from.y);
        M.MouseMove(to.x, to.y);
        M.MouseUp(b, to.x, to.y);
    }
};

using Rows = std::vector<std::string>;

TEST(TBitmapEditorTest, DefaultsAndEmptyPictureGivePaperImage) {
    TBitmapEditorModel m;
    EXPECT_EQ(m.Magnification(), 4);
    EXPECT_EQ(m.GridLines(), 4);
    EXPECT_EQ(m.TransparentColor(), clTeal);
    EXPECT_EQ(m.DrawingTool(), dtNone);
    EXPECT_EQ(m.DrawPen()->Color(), clBlack);
    EXPECT_EQ(m.DrawBrush()->Color(), clWhite);
    EXPECT_EQ(m.InsertText, "Text");
    EXPECT_EQ(m.ClientWidth(), 128);
    int sizes = 0;
    m.OnSizeChange = [&](TObject*) { ++sizes; };
    m.SetMagnification(6);
    m.ReloadPicture();
    ASSERT_EQ(m.WorkBitmap()->Width(), 32);
    ASSERT_EQ(m.WorkBitmap()->Height(), 32);
    EXPECT_EQ(m.WorkBitmap()->GetPixel(0, 0), Paper);
    EXPECT_EQ(m.WorkBitmap()->GetPixel(31, 31), Paper);
    EXPECT_EQ(m.ClientWidth(), 192);
    EXPECT_EQ(m.ClientHeight(), 192);
    EXPECT_EQ(sizes, 1);
}

TEST(TBitmapEditorTest, PictureIsCopiedAndSizesTheClient) {
    Editor e(72, 14, 6);
    EXPECT_EQ(e.M.ClientWidth(), 432);
    EXPECT_EQ(e.M.ClientHeight(), 84);
    e.M.SetMagnification(0);  // no division by zero later
    EXPECT_EQ(e.M.Magnification(), 1);
    EXPECT_EQ(e.M.ClientWidth(), 72);
}

TEST(TBitmapEditorTest, ZoomStepsAndLimits) {
    TBitmapEditorModel m;
    m.SetMagnification(1);
    std::vector<Integer> seen;
    for (int i = 0; i < 18; ++i) {
        m.ZoomIn();
        seen.push_back(m.Magnification());
    }
    EXPECT_EQ(seen.front(), 2);
    EXPECT_EQ(seen[1], 4);
    EXPECT_EQ(seen[15], 32);
    EXPECT_EQ(seen[16], 32);
    m.SetMagnification(4);
    m.ZoomOut();
    EXPECT_EQ(m.Magnification(), 2);
    m.ZoomOut();
    EXPECT_EQ(m.Magnification(), 1);
    m.ZoomOut();
    EXPECT_EQ(m.Magnification(), 1);
    m.SetMagnification(3);
    m.ZoomOut();
    EXPECT_EQ(m.Magnification(), 1);
}

TEST(TBitmapEditorTest, PaintDrawsMagnifiedImageGridAndSelection) {
    Editor e(3, 2, 4);
    e.M.WorkBitmap()->SetPixel(1, 0, clBlack);
    TBitmap screen;
    screen.SetSize(12, 8);
    e.M.Paint(*screen.Canvas(), 12, 8);
    // Pixel (1,0) covers x 4..7, y 0..3; grid lines at x = 3, 7 and y = 3.
    EXPECT_EQ(screen.GetPixel(4, 0), clBlack);
    EXPECT_EQ(screen.GetPixel(0, 0), Paper);
    EXPECT_EQ(screen.GetPixel(3, 5), clBlack);
    EXPECT_EQ(screen.GetPixel(7, 5), clBlack);
    EXPECT_EQ(screen.GetPixel(11, 5), Paper);  // no line at the last column
    EXPECT_EQ(screen.GetPixel(9, 3), clBlack);
    EXPECT_EQ(screen.GetPixel(9, 7), Paper);

    e.M.SetMagnification(3);
    e.M.SetGridLines(4);
    screen.SetSize(9, 6);
    e.M.Paint(*screen.Canvas(), 9, 6);
    EXPECT_EQ(screen.GetPixel(2, 1), Paper) << "no grid below the threshold";

    // A selection outline through the corners, inverted (not-xor) over paper.
    e.M.SetMagnification(4);
    e.M.SelectDrawingTool(dtSelectRect);
    e.M.MouseDown(ebLeft, 0, 0);
    e.M.MouseMove(8, 4);
    e.M.MouseUp(ebLeft, 8, 4);
    e.M.SetGridLines(100);
    screen.SetSize(12, 8);
    e.M.Paint(*screen.Canvas(), 12, 8);
    EXPECT_NE(screen.GetPixel(0, 0), Paper);
    EXPECT_EQ(screen.GetPixel(2, 2), Paper);
    EXPECT_EQ(screen.GetPixel(10, 6), Paper);
}

TEST(TBitmapEditorTest, PencilDrawsWithLeftAndErasesWithRight) {
    Editor e;
    e.M.SelectDrawingTool(dtPencil);
    e.M.MouseDown(ebLeft, 0, 0);
    e.M.MouseMove(3, 0);
    e.M.MouseMove(3, 2);
    e.M.MouseUp(ebLeft, 3, 2);
    EXPECT_EQ(e.Rows(), (Rows{"####....", "...#....", "...#....", "........", "........", "........"}));
    EXPECT_EQ(e.Changes, 3);
    EXPECT_EQ(e.EndChanges, 1);
    e.M.MouseDown(ebRight, 3, 2);
    e.M.MouseMove(3, 0);
    e.M.MouseUp(ebRight, 3, 0);
    EXPECT_EQ(e.Rows()[0], "###.....");
    EXPECT_EQ(e.Rows()[2], "........");
    EXPECT_EQ(e.Changes, 5) << "right-button erasing reports its change too";
}

TEST(TBitmapEditorTest, EraserPaintsPaper) {
    Editor e;
    e.M.WorkBitmap()->Canvas()->Brush()->SetColor(clBlack);
    e.M.WorkBitmap()->Canvas()->FillRect(Rect(0, 0, 8, 1));
    e.M.SelectDrawingTool(dtEraser);
    e.Drag(Point(1, 0), Point(4, 0));
    EXPECT_EQ(e.Rows()[0], "#....###");
}

TEST(TBitmapEditorTest, LineDragLeavesExactlyOneLine) {
    Editor e;
    e.M.SelectDrawingTool(dtLine);
    e.M.MouseDown(ebLeft, 0, 0);
    e.M.MouseMove(7, 5);
    e.M.MouseMove(5, 3);
    e.M.MouseMove(4, 0);
    e.M.MouseUp(ebLeft, 4, 0);
    EXPECT_EQ(e.Rows(), (Rows{"#####...", "........", "........", "........", "........", "........"}));
}

TEST(TBitmapEditorTest, LineOrShapeDraggedBackOntoItsPressedCellShrinksToIt) {
    for (TDrawingTool tool : {dtLine, dtFrameRect, dtRect}) {
        Editor e;
        e.M.DrawBrush()->SetColor(clBlack);
        e.M.SelectDrawingTool(tool);
        e.M.MouseDown(ebLeft, 2, 2);
        e.M.MouseMove(6, 4);
        e.M.MouseMove(2, 2);
        e.M.MouseUp(ebLeft, 2, 2);
        EXPECT_EQ(e.Rows(), (Rows{"........", "........", "..#.....", "........", "........", "........"}))
            << tool;
    }
}

TEST(TBitmapEditorTest, ShapesCoverBothCornerCellsWhicheverWayDragged) {
    {
        Editor e;
        e.M.SelectDrawingTool(dtFrameRect);
        e.Drag(Point(4, 3), Point(1, 0));
        EXPECT_EQ(e.Rows(), (Rows{".####...", ".#..#...", ".#..#...", ".####...", "........", "........"}));
    }
    {
        Editor e;
        e.M.DrawBrush()->SetColor(clRed);
        e.M.SelectDrawingTool(dtFillRect);
        e.Drag(Point(1, 0), Point(4, 3));
        EXPECT_EQ(e.Rows(), (Rows{".####...", ".#??#...", ".#??#...", ".####...", "........", "........"}));
    }
    {
        Editor e;
        e.M.DrawBrush()->SetColor(clBlack);
        e.M.SelectDrawingTool(dtRect);
        e.Drag(Point(1, 0), Point(2, 1));
        EXPECT_EQ(e.Rows()[0], ".##.....");
        EXPECT_EQ(e.Rows()[1], ".##.....");
        EXPECT_EQ(e.Rows()[2], "........");
    }
    {
        Editor e;
        e.M.SelectDrawingTool(dtFrameEllipse);
        e.Drag(Point(0, 0), Point(7, 5));
        const Rows r = e.Rows();
        EXPECT_EQ(r[0][0], '.');  // corners stay outside an ellipse
        EXPECT_NE(r[0].find('#'), std::string::npos);
        EXPECT_EQ(r[2][0], '#');
        EXPECT_EQ(r[2][3], '.');
    }
}

// The pixels a shape tool leaves on an 8 x 6 image dragged corner to corner,
// with a red brush: '#' pen, '?' brush, '.' paper.
Rows ShapeRows(TDrawingTool Tool) {
    Editor e;
    e.M.DrawBrush()->SetColor(clRed);
    e.M.SelectDrawingTool(Tool);
    e.Drag(Point(7, 5), Point(0, 0));
    return e.Rows();
}

// Where a shape put anything at all, or only its pen.
Rows Covered(const Rows& R) {
    Rows out = R;
    for (auto& row : out)
        for (char& c : row) c = c == '.' ? '.' : 'x';
    return out;
}
Rows Pen(const Rows& R) {
    Rows out = R;
    for (auto& row : out)
        for (char& c : row) c = c == '#' ? '#' : '.';
    return out;
}

bool MirrorSymmetric(const Rows& R) {
    for (std::size_t y = 0; y < R.size(); ++y)
        if (R[y] != std::string(R[R.size() - 1 - y].rbegin(), R[R.size() - 1 - y].rend())) return false;
    return true;
}

TEST(TBitmapEditorTest, RoundRectanglesAndEllipsesFrameFillOrPaintTheirRegion) {
    const Rows frameRound = ShapeRows(dtFrameRoundRect), fillRound = ShapeRows(dtFillRoundRect),
               plainRound = ShapeRows(dtRoundRect), frameEllipse = ShapeRows(dtFrameEllipse),
               fillEllipse = ShapeRows(dtFillEllipse), plainEllipse = ShapeRows(dtEllipse);
    for (const Rows* r : {&frameRound, &fillRound, &plainRound, &frameEllipse, &fillEllipse, &plainEllipse}) {
        // Both corner cells bound the shape: it touches every edge of the
        // image in the middle and leaves the corners alone.
        const Rows& rows = *r;
        EXPECT_NE(rows[0][3], '.');
        EXPECT_NE(rows[5][4], '.');
        EXPECT_NE(rows[2][0], '.');
        EXPECT_NE(rows[3][7], '.');
        EXPECT_EQ(rows[0][0], '.');
        EXPECT_EQ(rows[5][7], '.');
        EXPECT_TRUE(MirrorSymmetric(rows));
    }
    // Frame tools: pen outline, paper inside. Fill tools: the same outline
    // around brush. Plain tools: brush only, over the same area.
    EXPECT_EQ(frameRound[0][3], '#');
    EXPECT_EQ(frameRound[2][3], '.');
    EXPECT_EQ(fillRound[0][3], '#');
    EXPECT_EQ(fillRound[2][3], '?');
    EXPECT_EQ(Pen(fillRound), frameRound);
    EXPECT_EQ(Covered(plainRound), Covered(fillRound));
    for (const auto& row : plainRound) EXPECT_EQ(row.find('#'), std::string::npos) << row;
    EXPECT_EQ(frameEllipse[2][3], '.');
    EXPECT_EQ(fillEllipse[2][3], '?');
    EXPECT_EQ(fillEllipse[2][0], '#');
    EXPECT_EQ(Pen(fillEllipse), frameEllipse);
    EXPECT_EQ(Covered(plainEllipse), Covered(fillEllipse));
    for (const auto& row : plainEllipse) EXPECT_EQ(row.find('#'), std::string::npos) << row;
    // An ellipse cuts its corners deeper than a rectangle rounded by 5 x 5.
    int roundPaper = 0, ellipsePaper = 0;
    for (std::size_t y = 0; y < 6; ++y)
        for (std::size_t x = 0; x < 8; ++x) {
            roundPaper += plainRound[y][x] == '.';
            ellipsePaper += plainEllipse[y][x] == '.';
        }
    EXPECT_LT(roundPaper, ellipsePaper);
}

TEST(TBitmapEditorTest, LetsGoOfTheMouseOnLoadingAndLeavingWithNoButton) {
    Editor e;
    int releases = 0;
    e.M.OnReleaseCapture = [&](TObject*) { ++releases; };
    e.M.ReloadPicture();
    EXPECT_EQ(releases, 1);
    e.M.SelectDrawingTool(dtPencil);
    e.M.MouseMove(20, 3);  // outside, no button
    EXPECT_EQ(releases, 2);
    e.M.MouseDown(ebLeft, 1, 1);
    e.M.MouseMove(20, 3);  // outside while drawing: the stroke keeps the mouse
    EXPECT_EQ(releases, 2);
    e.M.MouseUp(ebLeft, 20, 3);
}

TEST(TBitmapEditorTest, FloodFillFillsTheClickedArea) {
    Editor e;
    e.M.WorkBitmap()->Canvas()->Pen()->SetColor(clBlack);
    e.M.WorkBitmap()->Canvas()->MoveTo(3, 0);
    e.M.WorkBitmap()->Canvas()->LineTo(3, 6);
    e.M.DrawBrush()->SetColor(clBlack);
    e.M.SelectDrawingTool(dtFloodFill);
    e.Drag(Point(0, 0), Point(0, 0));
    EXPECT_EQ(e.Rows()[5], "####....");
    EXPECT_EQ(e.Changes, 1);
}

TEST(TBitmapEditorTest, DropperPicksColoursAndReturnsToThePreviousTool) {
    Editor e;
    e.M.WorkBitmap()->SetPixel(2, 2, clRed);
    e.M.SelectDrawingTool(dtLine);
    e.M.SelectDrawingTool(dtDropper);
    EXPECT_EQ(e.M.Cursor(), ecDropper);
    e.Drag(Point(2, 2), Point(2, 2));
    EXPECT_EQ(e.M.DrawPen()->Color(), clRed);
    EXPECT_EQ(e.M.DrawingTool(), dtLine);
    EXPECT_EQ(e.M.Cursor(), ecCross);
    EXPECT_EQ(e.ToolChanges, 1);
    e.M.SelectDrawingTool(dtDropper);
    e.Drag(Point(0, 0), Point(0, 0), ebRight);
    EXPECT_EQ(e.M.DrawBrush()->Color(), Paper);
    EXPECT_EQ(e.M.DrawingTool(), dtLine);
    EXPECT_EQ(e.ToolChanges, 2);
    EXPECT_EQ(e.Changes, 0);

    // A press beside the image picks nothing but still ends the dropper.
    TBitmapEditorModel bare;  // no picture loaded yet: an empty image
    bare.SelectDrawingTool(dtDropper);
    bare.MouseDown(ebLeft, 5, 5);
    EXPECT_EQ(bare.DrawPen()->Color(), clBlack);
    EXPECT_EQ(bare.DrawingTool(), dtNone);
}

TEST(TBitmapEditorTest, UndoRedoAndDoubleUndoKeepsTheRedoImage) {
    Editor e;
    e.M.SelectDrawingTool(dtPencil);
    e.Drag(Point(0, 0), Point(0, 0));
    e.Drag(Point(1, 0), Point(1, 0));
    EXPECT_EQ(e.Rows()[0], "##......");
    const int changes = e.Changes;
    e.M.UndoLastChange();
    EXPECT_EQ(e.Rows()[0], "#.......");
    e.M.UndoLastChange();
    EXPECT_EQ(e.Rows()[0], "#.......");
    e.M.RedoLastChange();
    EXPECT_EQ(e.Rows()[0], "##......") << "the undone stroke survives a second undo";
    e.M.UndoLastChange();
    EXPECT_EQ(e.Rows()[0], "#.......");
    EXPECT_EQ(e.Changes, changes) << "undo and redo fire no change";

    // A press that changes nothing still takes the undo image.
    e.M.SelectDrawingTool(dtMagnifier);
    e.M.MouseDown(ebLeft, 5, 5);
    e.M.MouseUp(ebLeft, 5, 5);
    EXPECT_EQ(e.M.Magnification(), 2);
    e.M.UndoLastChange();
    EXPECT_EQ(e.Rows()[0], "#.......");
}

TEST(TBitmapEditorTest, UndoBeforeAnyPressDoesNothing) {
    Editor e;
    e.M.UndoLastChange();
    e.M.RedoLastChange();
    EXPECT_EQ(e.Rows()[0], "........");
}

TEST(TBitmapEditorTest, SelectionMovesItsPixelsAndLeavesPaper) {
    Editor e;
    e.M.WorkBitmap()->SetPixel(1, 1, clBlack);
    e.M.WorkBitmap()->SetPixel(2, 1, clBlack);
    e.M.SelectDrawingTool(dtSelectRect);
    e.Drag(Point(1, 1), Point(3, 2));
    EXPECT_EQ(e.M.Selection(), Rect(1, 1, 3, 2));
    e.M.MouseMove(1, 1);
    EXPECT_EQ(e.M.Cursor(), ecSizeAll);
    e.M.MouseMove(5, 5);
    EXPECT_EQ(e.M.Cursor(), ecCross);
    e.M.MouseDown(ebLeft, 1, 1);
    e.M.MouseMove(2, 3);
    e.M.MouseUp(ebLeft, 2, 3);
    EXPECT_EQ(e.Rows(), (Rows{"........", "........", "........", "..##....", "........", "........"}));
    EXPECT_EQ(e.M.Selection(), Rect(2, 3, 4, 4));
    // A second drag moves it again without leaving a copy behind.
    e.M.MouseDown(ebLeft, 2, 3);
    e.M.MouseMove(5, 3);
    e.M.MouseUp(ebLeft, 5, 3);
    EXPECT_EQ(e.Rows()[3], ".....##.");
    // Crossing the edge does nothing for that move.
    e.M.MouseDown(ebLeft, 5, 3);
    e.M.MouseMove(7, 3);
    EXPECT_EQ(e.Rows()[3], ".....##.");
    EXPECT_EQ(e.M.Selection(), Rect(5, 3, 7, 4));
    e.M.MouseUp(ebLeft, 7, 3);
}

TEST(TBitmapEditorTest, SelectionDraggedUpwardsMovesLikeOneDraggedDown) {
    Editor e;
    e.M.WorkBitmap()->SetPixel(1, 1, clBlack);
    e.M.SelectDrawingTool(dtSelectRect);
    e.Drag(Point(2, 2), Point(1, 1));
    e.Drag(Point(1, 1), Point(1, 3));
    EXPECT_EQ(e.Rows()[1], "........");
    EXPECT_EQ(e.Rows()[3], ".#......");
}

TEST(TBitmapEditorTest, SelectionDraggedOutsideIsLimitedToTheImage) {
    Editor e(8, 6, 2);
    e.M.SelectDrawingTool(dtSelectRect);
    e.M.MouseDown(ebLeft, 4, 4);
    e.M.MouseMove(40, 30);
    EXPECT_EQ(e.M.Selection(), Rect(2, 2, 8, 6));
    e.M.MouseMove(-30, -30);
    EXPECT_EQ(e.M.Selection(), Rect(2, 2, 0, 0));
    e.M.MouseUp(ebLeft, 0, 0);
}

TEST(TBitmapEditorTest, TextPressIsUndoneAlone) {
    Editor e(40, 30);
    e.M.SelectDrawingTool(dtPencil);
    e.Drag(Point(0, 0), Point(0, 0));
    e.M.SelectDrawingTool(dtText);
    e.M.InsertText = "I";
    e.M.MouseDown(ebLeft, 20, 15);
    e.M.MouseUp(ebLeft, 20, 15);
    bool drawn = false;
    for (const auto& r : e.Rows()) drawn = drawn || (r.find('#', 1) != std::string::npos);
    EXPECT_TRUE(drawn);
    e.M.UndoLastChange();
    Rows expected(30, std::string(40, '.'));
    expected[0][0] = '#';
    EXPECT_EQ(e.Rows(), expected);
}

TEST(TBitmapEditorTest, PlacedTextFollowsTheMouseWithoutATrail) {
    Editor e(40, 30);
    e.M.WorkBitmap()->Canvas()->Font()->SetColor(clBlack);
    e.M.SelectDrawingTool(dtText);
    e.M.InsertText = "I";
    e.M.PlaceTextOnMove = true;
    e.M.MouseMove(10, 10);
    EXPECT_TRUE(e.M.Drawing);
    EXPECT_FALSE(e.M.PlaceTextOnMove);
    const Rows at10 = e.Rows();
    e.M.MouseMove(20, 10);
    e.M.MouseDown(ebLeft, 20, 10);
    e.M.MouseMove(10, 10);
    e.M.MouseUp(ebLeft, 10, 10);
    EXPECT_EQ(e.Rows(), at10) << "only the text under the mouse remains";
    e.M.UndoLastChange();
    EXPECT_EQ(e.Rows(), Rows(30, std::string(40, '.')));
}

TEST(TBitmapEditorTest, ChangeIsSilentWhileDestroying) {
    Editor e;
    e.M.SelectDrawingTool(dtPencil);
    e.M.BeginDestroy();
    e.Drag(Point(0, 0), Point(0, 0));
    EXPECT_EQ(e.Changes, 0);
    EXPECT_EQ(e.Px(0, 0), clBlack);
}

}  // namespace

// The control: a thin window over the model.
#include "media/cmpBitmapEditor.h"
#include "platform/ui/TestSupport.h"

namespace {

TEST(TBitmapEditorControlTest, CreatesWithDefaultsAndRegistersItsCursors) {
    TBitmapEditor editor(nullptr);
    EXPECT_EQ(editor.Width(), 128);
    EXPECT_EQ(editor.Height(), 128);
    EXPECT_EQ(editor.Cursor(), crArrow);
    EXPECT_EQ(editor.BorderStyle(), bsSingle);
    for (TCursor c = 1; c <= 5; ++c) EXPECT_NE(Screen->Cursors(c), Screen->Cursors(crArrow)) << c;
    EXPECT_EQ(LoadCursor("NO_SUCH_CURSOR"), nullptr);
    editor.SelectDrawingTool(dtFloodFill);
    EXPECT_EQ(editor.Cursor(), crBitmapEditorPotoPaint);
    editor.SetDrawingTool(dtSelectArea);
    EXPECT_EQ(editor.Cursor(), crNone);
}

TEST(TBitmapEditorControlTest, SizesToTheImageAndReportsChangesAsItself) {
    TBitmapEditor editor(nullptr);
    editor.SetMagnification(6);
    editor.SetGridLines(5);
    TPicture pic;
    pic.Bitmap()->SetSize(72, 14);
    editor.SetPicture(&pic);
    EXPECT_EQ(editor.ClientWidth(), 432);
    EXPECT_EQ(editor.ClientHeight(), 84);
    TObject* sender = nullptr;
    int ends = 0;
    editor.OnChange = [&](TObject* s) { sender = s; };
    editor.OnEndChange = [&](TObject*) { ++ends; };
    editor.SelectDrawingTool(dtPencil);
    SendClick(&editor, 13, 7);
    PumpUntilIdle();
    EXPECT_EQ(sender, &editor);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(editor.WorkBitmap()->GetPixel(2, 1), clBlack);
    EXPECT_FALSE(editor.Drawing());
}

TEST(TBitmapEditorControlTest, SingleBorderFramesTheImageOnePixelWide) {
    auto* form = new TForm(nullptr);
    auto* editor = new TBitmapEditor(form);
    editor->SetParent(form);
    editor->SetMagnification(6);
    editor->SetGridLines(5);
    editor->SetTransparentColor(clBlack);
    editor->ReloadPicture();  // the empty 32 x 32 image
    EXPECT_EQ(editor->Width(), 194);
    EXPECT_EQ(editor->ClientWidth(), 192);
    EXPECT_EQ(editor->ClientOffset(), Point(1, 1));
    form->Show();
    PumpUntilIdle();
    TBitmap shot;
    GrabControl(editor, shot);
    ASSERT_EQ(shot.Width(), 194);
    EXPECT_EQ(shot.GetPixel(0, 0) & 0xFFFFFF, clBlack);
    EXPECT_EQ(shot.GetPixel(193, 100) & 0xFFFFFF, clBlack);
    EXPECT_EQ(shot.GetPixel(1, 1) & 0xFFFFFF, BitmapEditorPaperColor);
    EXPECT_EQ(shot.GetPixel(6, 6) & 0xFFFFFF, clBlack);  // the grid line at x = 5 of the client
    // Without the border the client is the whole control.
    editor->SetBorderStyle(bsNone);
    EXPECT_EQ(editor->Width(), 192);
    // A click lands on the cell under the mouse, border or not.
    editor->SetBorderStyle(bsSingle);
    editor->SelectDrawingTool(dtPencil);
    SendClick(editor, 13, 7);
    PumpUntilIdle();
    EXPECT_EQ(editor->WorkBitmap()->GetPixel(2, 1), clBlack);
    form->Free();
}

}  // namespace
