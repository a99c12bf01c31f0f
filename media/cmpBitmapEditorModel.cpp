#include "media/cmpBitmapEditorModel.h"

#include <algorithm>

#include "media/unitEXGraphics.h"

namespace {

bool IsShapeTool(TDrawingTool t) { return t >= dtFrameRect && t <= dtEllipse && t != dtFloodFill; }
bool IsSelectTool(TDrawingTool t) { return t == dtSelectRect || t == dtSelectArea; }

// Half a text extent, rounded to the nearest integer with halves to the even
// neighbour, as the text was always centred.
Integer HalfRoundedEven(Integer v) {
    const Integer q = v / 2;
    if (v % 2 == 0) return q;
    // v = 2q + 1 (or 2q - 1 for negative v): the half lies between two integers.
    const Integer lo = v > 0 ? q : q - 1;
    return lo % 2 == 0 ? lo : lo + 1;
}

}  // namespace

TEditorCursor DrawingToolCursor(TDrawingTool Tool) {
    switch (Tool) {
        case dtNone: return ecArrow;
        case dtPencil: case dtText: case dtEraser: return ecPencil;
        case dtFloodFill: return ecPotoPaint;
        case dtMagnifier: return ecMagnifier;
        case dtBrush: return ecDotCross;
        case dtSelectArea: return ecNone;
        case dtDropper: return ecDropper;
        default: return ecCross;
    }
}

TBitmapEditorModel::TBitmapEditorModel(TObject* Sender) : FSender(Sender != nullptr ? Sender : this) {}

TBitmapEditorModel::~TBitmapEditorModel() = default;

void TBitmapEditorModel::SetPicture(TPicture* Value) {
    FPicture.Assign(Value);
    ReloadPicture();
}

void TBitmapEditorModel::SetTransparentColor(TColor Value) {
    if (Value == FTransparentColor) return;
    FTransparentColor = Value;
    ReloadPicture();
}

void TBitmapEditorModel::SetMagnification(Integer Value) {
    Value = std::max<Integer>(Value, 1);
    if (Value == FMagnification) return;
    FMagnification = Value;
    UpdateSize();
}

void TBitmapEditorModel::SetGridLines(Integer Value) {
    if (Value == FGridLines) return;
    FGridLines = Value;
    Invalidate();
}

void TBitmapEditorModel::ReloadPicture() {
    LoadWorkBitmap();
    UpdateSize();
}

void TBitmapEditorModel::LoadWorkBitmap() {
    if (auto* bitmap = dynamic_cast<TBitmap*>(FPicture.Graphic()); bitmap != nullptr && !bitmap->Empty()) {
        FWork.Assign(*bitmap);
    } else if (auto* icon = dynamic_cast<TIconCursor*>(FPicture.Graphic()); icon != nullptr && !icon->Empty()) {
        DrawIconOnBitmap(&FWork, icon, FTransparentColor);
    } else {
        FWork.Assign(TBitmap());
        FWork.SetSize(32, 32);
        TCanvas* c = FWork.Canvas();
        c->Brush()->SetColor(BitmapEditorPaperColor);
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(Rect(0, 0, 32, 32));
    }
    FSel = TRect{0, 0, -1, -1};
    FMoving = false;
    FLifted = false;
    Fire(OnReleaseCapture);
}

void TBitmapEditorModel::UpdateSize() {
    Integer w = 32, h = 32;
    if (FWork.Width() > 0) {
        w = FWork.Width();
        h = FWork.Height();
    } else if (FPicture.Width() > 0) {
        w = FPicture.Width();
        h = FPicture.Height();
    }
    const Integer cw = w * FMagnification, ch = h * FMagnification;
    if (cw != FClientWidth || ch != FClientHeight) {
        FClientWidth = cw;
        FClientHeight = ch;
        Fire(OnSizeChange);
    }
    Invalidate();
}

void TBitmapEditorModel::SelectDrawingTool(TDrawingTool Tool) {
    if (Tool == FDrawingTool) return;
    FPrevTool = FDrawingTool;
    FDrawingTool = Tool;
    SetCursor(DrawingToolCursor(Tool));
}

void TBitmapEditorModel::UndoLastChange() {
    if (!FUndoAvailable) return;
    // A second undo in a row must not overwrite the redo image with the
    // undo image: the undone drawing would be lost for good.
    if (!FUndone) {
        FRedo.Assign(FWork);
        FRedoAvailable = true;
    }
    FWork.Assign(FUndo);
    FUndone = true;
    Invalidate();
}

void TBitmapEditorModel::RedoLastChange() {
    if (!FRedoAvailable) return;
    FWork.Assign(FRedo);
    FUndone = false;
    Invalidate();
}

void TBitmapEditorModel::ZoomIn() {
    if (FMagnification == 1)
        SetMagnification(2);
    else if (FMagnification < 32)
        SetMagnification(FMagnification + 2);
}

void TBitmapEditorModel::ZoomOut() {
    if (FMagnification == 2)
        SetMagnification(1);
    else if (FMagnification > 1)
        SetMagnification(std::max<Integer>(FMagnification - 2, 1));
}

void TBitmapEditorModel::Fire(const TNotifyEvent& Event) {
    // A copy: the handler may reassign the event it runs from.
    const TNotifyEvent handler = Event;
    if (handler) handler(FSender);
}

void TBitmapEditorModel::Invalidate() { Fire(OnInvalidate); }

void TBitmapEditorModel::Change() {
    Invalidate();
    if (!FDestroying) Fire(OnChange);
}

void TBitmapEditorModel::SetCursor(TEditorCursor Value) {
    if (Value == FCursor) return;
    FCursor = Value;
    Fire(OnCursorChange);
}

TRect TBitmapEditorModel::NormalSelection() const {
    return Rect(std::min(FSel.Left, FSel.Right), std::min(FSel.Top, FSel.Bottom), std::max(FSel.Left, FSel.Right),
                std::max(FSel.Top, FSel.Bottom));
}

void TBitmapEditorModel::PenLine(TPoint From, TPoint To, TColor Color) {
    TCanvas* c = FWork.Canvas();
    c->Pen()->Assign(&FDrawPen);
    c->Pen()->SetColor(Color);
    c->MoveTo(From.x, From.y);
    c->LineTo(To.x, To.y);
    c->SetPixel(To.x, To.y, Color);
}

void TBitmapEditorModel::DrawShape(TPoint To) {
    FWork.Assign(FStrokeBase);
    // Both the pressed cell and the cell under the mouse belong to the
    // shape whichever way the drag goes.
    const Integer l = std::min(FLastCell.x, To.x), t = std::min(FLastCell.y, To.y);
    const Integer r = std::max(FLastCell.x, To.x) + 1, b = std::max(FLastCell.y, To.y) + 1;
    const bool frame = FDrawingTool == dtFrameRect || FDrawingTool == dtFrameRoundRect ||
                       FDrawingTool == dtFrameEllipse;
    const bool plain = FDrawingTool == dtRect || FDrawingTool == dtRoundRect || FDrawingTool == dtEllipse;
    TCanvas* c = FWork.Canvas();
    c->Pen()->SetColor(FDrawPen.Color());
    c->Pen()->SetWidth(1);
    c->Pen()->SetMode(pmCopy);
    c->Pen()->SetStyle(plain ? psClear : psSolid);
    if (frame) {
        c->Brush()->SetStyle(bsClear);
    } else {
        c->Brush()->Assign(&FDrawBrush);
    }
    // A clear pen leaves out the right and bottom edges; one more keeps the
    // filled area the same as the framed one.
    const Integer extra = plain ? 1 : 0;
    if (FDrawingTool <= dtRect)
        c->Rectangle(l, t, r + extra, b + extra);
    else if (FDrawingTool <= dtRoundRect)
        c->RoundRect(l, t, r + extra, b + extra, 5, 5);
    else
        c->Ellipse(l, t, r + extra, b + extra);
    c->Pen()->SetStyle(psSolid);
}

void TBitmapEditorModel::WriteText(TPoint Cell) {
    TCanvas* c = FWork.Canvas();
    c->Brush()->SetColor(BitmapEditorPaperColor);
    c->Brush()->SetStyle(bsSolid);
    const TPoint extent = c->TextExtent(InsertText);
    c->TextOut(Cell.x - HalfRoundedEven(extent.x), Cell.y - HalfRoundedEven(extent.y), InsertText);
}

void TBitmapEditorModel::MoveSelection(TPoint Cell) {
    const TRect sel = NormalSelection();
    const Integer dx = Cell.x - FLastCell.x, dy = Cell.y - FLastCell.y;
    const TRect target = Rect(sel.Left + dx, sel.Top + dy, sel.Right + dx, sel.Bottom + dy);
    if (target.Left < 0 || target.Top < 0 || target.Right > FWork.Width() || target.Bottom > FWork.Height()) return;
    FLastCell = Cell;
    TBitmap copy;
    copy.Assign(FWork);
    if (!FLifted) {
        TCanvas* c = FWork.Canvas();
        c->Brush()->SetColor(BitmapEditorPaperColor);
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(sel);
        FLifted = true;
        FStrokeBase.Assign(FWork);
    } else {
        FWork.Assign(FStrokeBase);
    }
    FWork.Canvas()->CopyFromBitmap(target, copy, sel);
    FSel = target;
}

void TBitmapEditorModel::MouseDown(TEditorButton Button, Integer X, Integer Y) {
    const TPoint cell = CellAt(X, Y);
    FStroke = (FDrawingTool >= dtPencil && FDrawingTool <= dtEllipse) || FDrawingTool == dtBrush;
    // A press that ends a text placement (the text follows the mouse since
    // PlaceTextOnMove) keeps the image from before the placement as stroke
    // base and undo image; any other press, with the text tool too, starts
    // both afresh so that undo takes back exactly that press.
    const bool placingText = FDrawingTool == dtText && Drawing;
    if (!placingText) {
        FStrokeBase.Assign(FWork);
        FUndo.Assign(FWork);
        FUndoAvailable = true;
        FUndone = false;
    }
    if (Button == ebLeft) {
        Drawing = true;
        FLastCell = cell;
        FMouseCell = cell;
        switch (FDrawingTool) {
            case dtPencil:
            case dtLine:
                FWork.Canvas()->SetPixel(cell.x, cell.y, FDrawPen.Color());
                Change();
                break;
            case dtFloodFill: {
                TCanvas* c = FWork.Canvas();
                c->Brush()->Assign(&FDrawBrush);
                c->FloodFill(cell.x, cell.y, c->Pixel(cell.x, cell.y), fsSurface);
                Change();
                break;
            }
            case dtMagnifier: ZoomIn(); break;
            case dtSelectRect:
            case dtSelectArea:
                if (HasSelection() && NormalSelection().Contains(cell.x, cell.y)) {
                    FMoving = true;
                    // Each move lifts the pixels again from where they lie
                    // now; otherwise a second drag would leave a copy behind.
                    FLifted = false;
                } else {
                    FMoving = false;
                    FSel = TRect{cell.x, cell.y, -1, -1};
                }
                break;
            case dtDropper:
                // Beside the image (a control larger than it) there is no
                // colour to pick; -1 would make an invalid pen.
                if (const TColor picked = FWork.Canvas()->Pixel(cell.x, cell.y); picked != -1)
                    FDrawPen.SetColor(picked);
                SelectDrawingTool(FPrevTool);
                Fire(OnDrawToolChange);
                break;
            case dtText:
                WriteText(cell);
                Change();
                break;
            case dtEraser:
                FWork.Canvas()->SetPixel(cell.x, cell.y, BitmapEditorPaperColor);
                Change();
                break;
            default: break;
        }
    } else if (Button == ebRight) {
        FRightDown = true;
        FLastCell = cell;
        switch (FDrawingTool) {
            case dtPencil:
                FWork.Canvas()->SetPixel(cell.x, cell.y, BitmapEditorPaperColor);
                Change();
                break;
            case dtMagnifier: ZoomOut(); break;
            case dtDropper:
                if (const TColor picked = FWork.Canvas()->Pixel(cell.x, cell.y); picked != -1)
                    FDrawBrush.SetColor(picked);
                SelectDrawingTool(FPrevTool);
                Fire(OnDrawToolChange);
                break;
            default: break;
        }
    }
}

void TBitmapEditorModel::MouseMove(Integer X, Integer Y) {
    if (X < 0 || Y < 0 || X >= FClientWidth || Y >= FClientHeight) {
        if (!Drawing) {
            Fire(OnReleaseCapture);
            Invalidate();
        } else if (IsSelectTool(FDrawingTool) && !FMoving) {
            // While the selection is carried its size stays as it is.
            const TPoint cell = CellAt(X, Y);
            FSel.Right = std::clamp<Integer>(cell.x, 0, FWork.Width());
            FSel.Bottom = std::clamp<Integer>(cell.y, 0, FWork.Height());
            FLifted = false;
            Invalidate();
        }
        return;
    }
    const TPoint cell = CellAt(X, Y);
    if (!Drawing && FDrawingTool == dtSelectRect)
        SetCursor(HasSelection() && NormalSelection().Contains(cell.x, cell.y) ? ecSizeAll : ecCross);
    // A line or shape dragged back onto its pressed cell must shrink back
    // to that cell too.
    const bool anchored = Drawing && (FDrawingTool == dtLine || IsShapeTool(FDrawingTool));
    if (cell != (anchored ? FMouseCell : FLastCell)) {
        FMouseCell = cell;
        if (Drawing) {
            switch (FDrawingTool) {
                case dtPencil:
                    PenLine(FLastCell, cell, FDrawPen.Color());
                    FLastCell = cell;
                    break;
                case dtEraser:
                    PenLine(FLastCell, cell, BitmapEditorPaperColor);
                    FLastCell = cell;
                    break;
                case dtLine:
                    FWork.Assign(FStrokeBase);
                    PenLine(FLastCell, cell, FDrawPen.Color());
                    break;
                case dtSelectRect:
                case dtSelectArea:
                    if (FMoving) {
                        MoveSelection(cell);
                    } else {
                        FSel.Right = cell.x;
                        FSel.Bottom = cell.y;
                        FLifted = false;
                    }
                    break;
                case dtText: {
                    FWork.Assign(FStrokeBase);
                    const Integer w = FClientWidth / FMagnification, h = FClientHeight / FMagnification;
                    if (cell.x > 1 && cell.y > 1 && cell.x < w - 2 && cell.y < h - 2) WriteText(cell);
                    // Following the mouse: moving back to the pressed cell
                    // must move the text back too.
                    FLastCell = cell;
                    break;
                }
                default:
                    if (IsShapeTool(FDrawingTool)) DrawShape(cell);
                    break;
            }
            if (FDrawingTool == dtSelectArea)
                Invalidate();
            else
                Change();
        } else if (FRightDown && FDrawingTool == dtPencil) {
            PenLine(FLastCell, cell, BitmapEditorPaperColor);
            FLastCell = cell;
            // The erased pixels reach the preview like any other change.
            Change();
        } else if (FDrawingTool == dtText && PlaceTextOnMove) {
            FStrokeBase.Assign(FWork);
            FUndo.Assign(FWork);
            FUndoAvailable = true;
            FUndone = false;
            FLastCell = cell;
            WriteText(cell);
            Drawing = true;
            PlaceTextOnMove = false;
            Change();
        }
    }
    if (FDrawingTool == dtSelectArea) Invalidate();
}

void TBitmapEditorModel::MouseUp(TEditorButton Button, Integer, Integer) {
    if (Button == ebLeft) Drawing = false;
    if (Button == ebRight) FRightDown = false;
    FMoving = false;
    if (FStroke) {
        FStroke = false;
        Fire(OnEndChange);
    }
}

void TBitmapEditorModel::Paint(TCanvas& Canvas, Integer Width, Integer Height) {
    Canvas.StretchDraw(Rect(0, 0, Width, Height), &FWork);
    TPen* pen = Canvas.Pen();
    if (FMagnification >= FGridLines) {
        pen->SetColor(clBlack);
        pen->SetStyle(psSolid);
        pen->SetMode(pmCopy);
        pen->SetWidth(1);
        for (Integer x = FMagnification - 1; x < Width - 1; x += FMagnification) {
            Canvas.MoveTo(x, 0);
            Canvas.LineTo(x, Height);
        }
        for (Integer y = FMagnification - 1; y < Height - 1; y += FMagnification) {
            Canvas.MoveTo(0, y);
            Canvas.LineTo(Width, y);
        }
    }
    if (HasSelection()) {
        const Integer m = FMagnification;
        pen->SetWidth(1);
        pen->SetStyle(psDash);
        pen->SetMode(pmNotXor);
        Canvas.Polyline({Point(FSel.Left * m, FSel.Top * m), Point(FSel.Right * m, FSel.Top * m),
                         Point(FSel.Right * m, FSel.Bottom * m), Point(FSel.Left * m, FSel.Bottom * m),
                         Point(FSel.Left * m, FSel.Top * m)});
        pen->SetMode(pmCopy);
    }
    pen->SetStyle(psSolid);
}
