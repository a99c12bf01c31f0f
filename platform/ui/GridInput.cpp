// TCustomGrid: the keyboard, the mouse and the in-place editor.

#include "platform/ui/Grids.h"

#include <algorithm>
#include <cstdlib>

namespace {
// How close to a column's right edge a press starts sizing it.
constexpr Integer SizingMargin = 3;
// How far the mouse travels before a press on a title starts moving it.
constexpr Integer DragThreshold = 4;
}  // namespace

// ---------------------------------------------------------------------------
// The in-place editor

TInplaceEdit::TInplaceEdit(TCustomGrid* AOwner) : TEdit(AOwner), FGrid(AOwner) {
    SetVisible(false);
    SetParent(AOwner);
    SetAutoSelect(false);
    SetTabStop(false);
}

bool TInplaceEdit::WantsKey(Word Key) const { return Key == VK_RETURN || Key == VK_ESCAPE; }

void TInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
    TEdit::KeyDown(Key, Shift);
    if (Key == 0) return;
    const Integer length = Integer(Text().size());
    bool toGrid = false;
    switch (Key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE:
    case VK_RETURN:
    case VK_F2:
    case VK_TAB:
    case VK_INSERT: toGrid = true; break;
    case VK_LEFT:
    case VK_HOME: toGrid = SelStart() == 0 && SelLength() == 0; break;
    case VK_RIGHT:
    case VK_END: toGrid = SelStart() >= length && SelLength() == 0; break;
    case VK_DELETE: toGrid = Shift.Contains(ssCtrl); break;
    default: break;
    }
    if (!toGrid) {
        // The keys the editor keeps still reach the grid's OnKeyDown, so that
        // a grid can act on what is typed into its cells.
        std::weak_ptr<void> alive = FGrid->AliveToken();
        FireEvent(FGrid->OnKeyDown, FGrid, Key, Shift);
        if (alive.expired()) Key = 0;
        return;
    }
    FGrid->KeyDown(Key, Shift);
    Key = 0;
}

void TInplaceEdit::KeyPress(char& Key) {
    FGrid->KeyPress(Key);
    if (Key == 0) return;
    if (Key == '\r' || Key == 27) {
        Key = 0;
        return;
    }
    if (static_cast<unsigned char>(Key) >= 32 && !FGrid->CanEditModify()) Key = 0;
    if (Key != 0) TEdit::KeyPress(Key);
}

void TInplaceEdit::Change() {
    TEdit::Change();
    if (!FSettingText && FGrid->EditorMode()) FGrid->SetEditText(FGrid->Col(), FGrid->Row(), Text());
}

// ---------------------------------------------------------------------------
// Showing and hiding the editor

void TCustomGrid::SetEditorMode(bool Value) {
    if (Value == FEditorMode) return;
    if (Value)
        ShowEditor();
    else
        HideEditor();
}

void TCustomGrid::ShowEditor() {
    if (!CanEditShow()) return;
    if (!FInplaceEdit) FInplaceEdit = new TInplaceEdit(this);
    FEditorMode = true;
    FInplaceEdit->FSettingText = true;
    FInplaceEdit->SetMaxLength(GetEditLimit());
    FInplaceEdit->SetText(GetEditText(FCurrent.X, FCurrent.Y));
    FInplaceEdit->SetReadOnly(false);
    FInplaceEdit->FSettingText = false;
    FInplaceEdit->SetFont(Font());
    PositionEditor();
    FInplaceEdit->SetVisible(true);
    FInplaceEdit->SelectAll();
    if (Focused() && FInplaceEdit->CanFocus()) FInplaceEdit->SetFocus();
    Invalidate();
}

void TCustomGrid::HideEditor() {
    if (!FEditorMode) return;
    FEditorMode = false;
    if (FInplaceEdit) {
        const bool hadFocus = FInplaceEdit->Focused();
        FInplaceEdit->SetVisible(false);
        if (hadFocus && CanFocus()) SetFocus();
    }
    Invalidate();
}

void TCustomGrid::HideEdit() { HideEditor(); }

void TCustomGrid::UpdateEditor() {
    if (FOptions.Contains(goAlwaysShowEditor) && CanEditShow()) {
        FEditorMode = false;
        ShowEditor();
    } else {
        HideEditor();
    }
}

void TCustomGrid::InvalidateEditor() {
    if (FEditorMode && FInplaceEdit) PositionEditor();
}

void TCustomGrid::PositionEditor() {
    const TRect r = CellRect(FCurrent.X, FCurrent.Y);
    if (r.IsEmpty()) {
        FInplaceEdit->SetBounds(-1000, -1000, 1, 1);
        return;
    }
    FInplaceEdit->SetBounds(r.Left, r.Top, r.Width(), r.Height());
}

// ---------------------------------------------------------------------------
// Focus

void TCustomGrid::DoEnter() {
    TCustomControl::DoEnter();
    Invalidate();
}

void TCustomGrid::DoExit() {
    // The focus moving into the grid's own editor does not leave the grid.
    if (FInplaceEdit && FInplaceEdit->Focused()) return;
    TCustomControl::DoExit();
    Invalidate();
}

void TCustomGrid::CancelMode() {
    FGridState = gsNormal;
    FSizingIndex = -1;
    FMoveIndex = -1;
    SetCursor(crDefault);
    Invalidate();
}

// ---------------------------------------------------------------------------
// Keyboard

bool TCustomGrid::WantsKey(Word Key) const {
    return Key == VK_LEFT || Key == VK_RIGHT || Key == VK_UP || Key == VK_DOWN ||
           (Key == VK_TAB && FOptions.Contains(goTabs));
}

Integer TCustomGrid::NextVisibleCol(Integer From, Integer Step) const {
    for (Integer c = From + Step; c >= FFixedCols && c < ColCount(); c += Step)
        if (FColWidths[std::size_t(c)] >= 0) return c;
    return FCurrent.X;
}

void TCustomGrid::KeyDown(Word& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (Key == 0) return;
    KeyMove(Key, Shift);
}

void TCustomGrid::KeyMove(Word Key, TShiftState Shift) {
    const bool ctrl = Shift.Contains(ssCtrl);
    const bool extend = Shift.Contains(ssShift) && FOptions.Contains(goRangeSelect);
    const bool rowSelect = FOptions.Contains(goRowSelect);
    Integer col = FCurrent.X, row = FCurrent.Y;
    const Integer page = std::max<Integer>(VisibleRowCount(), 1);
    switch (Key) {
    case VK_UP: row = std::max(row - 1, FFixedRows); break;
    case VK_DOWN: row = std::min(row + 1, RowCount() - 1); break;
    case VK_PRIOR: row = std::max(row - page, FFixedRows); break;
    case VK_NEXT: row = std::min(row + page, RowCount() - 1); break;
    case VK_LEFT:
        if (rowSelect) {
            SetLeftCol(LeftCol() - 1);
            return;
        }
        col = NextVisibleCol(col, -1);
        break;
    case VK_RIGHT:
        if (rowSelect) {
            SetLeftCol(LeftCol() + 1);
            return;
        }
        col = NextVisibleCol(col, 1);
        break;
    case VK_HOME:
        if (ctrl)
            row = FFixedRows;
        if (!rowSelect) col = NextVisibleCol(FFixedCols - 1, 1);
        break;
    case VK_END:
        if (ctrl) row = RowCount() - 1;
        if (!rowSelect) col = NextVisibleCol(ColCount(), -1);
        break;
    case VK_TAB:
        if (!FOptions.Contains(goTabs) || Shift.Contains(ssAlt)) return;
        if (Shift.Contains(ssShift)) {
            const Integer prev = NextVisibleCol(col, -1);
            if (prev == col && row > FFixedRows) {
                --row;
                col = NextVisibleCol(ColCount(), -1);
            } else {
                col = prev;
            }
        } else {
            const Integer next = NextVisibleCol(col, 1);
            if (next == col && row < RowCount() - 1) {
                ++row;
                col = NextVisibleCol(FFixedCols - 1, 1);
            } else {
                col = next;
            }
        }
        MoveCurrent(col, row, true, true);
        return;
    case VK_F2: SetEditorMode(true); return;
    default: return;
    }
    MoveCurrent(col, row, !extend, true);
}

void TCustomGrid::KeyPress(char& Key) {
    TCustomControl::KeyPress(Key);
    if (Key != 0) EditKeyPress(Key);
}

void TCustomGrid::EditKeyPress(char& Key) {
    if (Key == 0 || FEditorMode || !FOptions.Contains(goEditing)) return;
    const auto code = static_cast<unsigned char>(Key);
    if (code == '\r') {
        SetEditorMode(true);
        Key = 0;
        return;
    }
    if (code < 32 || !CanEditAcceptKey(Key) || !CanEditShow()) return;
    if (!CanEditModify()) return;
    ShowEditor();
    if (!FEditorMode || !FInplaceEdit) return;
    // The typed character replaces the cell's text, as typing into a
    // selected cell does.
    FInplaceEdit->SetText(AnsiString(1, Key));
    FInplaceEdit->SetSelStart(1);
    Key = 0;
}

// ---------------------------------------------------------------------------
// Mouse

bool TCustomGrid::ColumnEdgeAt(Integer X, Integer Y, Integer& Index) const {
    if (!FOptions.Contains(goColSizing)) return false;
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.Y < 0 || cell.Y >= FFixedRows) return false;
    for (Integer c = 0; c < ColCount(); ++c) {
        if (c < FFixedCols) continue;  // fixed columns keep their width
        const TRect r = CellRect(c, cell.Y);
        if (r.IsEmpty()) continue;
        if (std::abs(X - r.Right) <= SizingMargin) {
            Index = c;
            return true;
        }
    }
    return false;
}

bool TCustomGrid::BeginColumnDrag(Integer& Origin, Integer& Destination, const TPoint&) {
    Destination = Origin;
    return Origin >= FFixedCols;
}

bool TCustomGrid::CheckColumnDrag(Integer& Origin, Integer& Destination, const TPoint& MousePt) {
    const TGridCoord cell = MouseCoord(MousePt.x, std::max<Integer>(0, std::min(MousePt.y, ClientHeight() - 1)));
    if (cell.X >= FFixedCols) Destination = cell.X;
    (void)Origin;
    return true;
}

bool TCustomGrid::EndColumnDrag(Integer& Origin, Integer& Destination, const TPoint&) {
    return Origin != Destination && Destination >= FFixedCols;
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    if (!Focused() && CanFocus() && !(FInplaceEdit && FInplaceEdit->Focused())) {
        SetFocus();
        if (alive.expired()) return;
    }
    if (Button == mbLeft && !Shift.Contains(ssDouble)) {
        Integer edge = -1;
        const TGridCoord cell = MouseCoord(X, Y);
        if (ColumnEdgeAt(X, Y, edge)) {
            FGridState = gsColSizing;
            FSizingIndex = edge;
            FSizingStart = X;
            FSizingPos = CellRect(edge, cell.Y).Right;
        } else if (cell.Y >= 0 && cell.Y < FFixedRows && cell.X >= 0) {
            if (FOptions.Contains(goColMoving)) {
                Integer origin = cell.X, destination = cell.X;
                if (BeginColumnDrag(origin, destination, Point(X, Y))) {
                    FGridState = gsColMoving;
                    FMoveIndex = origin;
                    FMovePos = destination;
                    FSizingStart = X;
                }
            }
        } else if (cell.X >= FFixedCols && cell.Y >= FFixedRows) {
            const bool wasCurrent = cell == FCurrent;
            const bool extend = Shift.Contains(ssShift) && FOptions.Contains(goRangeSelect);
            FGridState = gsSelecting;
            MoveCurrent(cell.X, cell.Y, !extend, true);
            if (alive.expired()) return;
            if (wasCurrent && FOptions.Contains(goEditing) && !FEditorMode) ShowEditor();
        }
    }
    if (alive.expired()) return;
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
    switch (FGridState) {
    case gsSelecting:
        if (Shift.Contains(ssLeft) && FOptions.Contains(goRangeSelect)) {
            const TGridCoord cell = MouseCoord(X, Y);
            if (cell.X >= FFixedCols && cell.Y >= FFixedRows) MoveCurrent(cell.X, cell.Y, false, true);
        }
        break;
    case gsColSizing: {
        const TRect r = CellRect(FSizingIndex, 0);
        FSizingPos = X;
        if (!r.IsEmpty()) {
            SetColWidths(FSizingIndex, std::max<Integer>(1, X - r.Left));
        }
        break;
    }
    case gsColMoving: {
        Integer origin = FMoveIndex, destination = FMovePos;
        if (std::abs(X - FSizingStart) >= DragThreshold && CheckColumnDrag(origin, destination, Point(X, Y))) {
            FMovePos = destination;
            Invalidate();
        }
        break;
    }
    default: {
        Integer edge = -1;
        SetCursor(ColumnEdgeAt(X, Y, edge) ? crHSplit : crDefault);
        break;
    }
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    const TGridState state = FGridState;
    FGridState = gsNormal;
    if (state == gsColMoving) {
        Integer origin = FMoveIndex, destination = FMovePos;
        FMoveIndex = -1;
        if (EndColumnDrag(origin, destination, Point(X, Y))) MoveColumn(origin, destination);
        if (alive.expired()) return;
    } else if (state == gsColSizing) {
        FSizingIndex = -1;
        SetCursor(crDefault);
    }
    Invalidate();
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TCustomGrid::DblClick() {
    std::weak_ptr<void> alive = AliveToken();
    TCustomControl::DblClick();
    if (alive.expired()) return;
    if (FOptions.Contains(goEditing) && !FEditorMode) ShowEditor();
}

bool TCustomGrid::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
    bool handled = false;
    if (OnMouseWheelDown) {
        TMouseWheelUpDownEvent handler = OnMouseWheelDown;
        handler(this, Shift, MousePos, handled);
    }
    if (!handled) MoveCurrent(FCurrent.X, std::min(FCurrent.Y + 1, RowCount() - 1), true, true);
    return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
    bool handled = false;
    if (OnMouseWheelUp) {
        TMouseWheelUpDownEvent handler = OnMouseWheelUp;
        handler(this, Shift, MousePos, handled);
    }
    if (!handled) MoveCurrent(FCurrent.X, std::max(FCurrent.Y - 1, FFixedRows), true, true);
    return true;
}
