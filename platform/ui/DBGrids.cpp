// TDBGrid: layout from the columns, rows from the data link, drawing,
// editing in place and the keys and clicks that move the data set.

#include "platform/ui/DBGrids.h"

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/EdgeDraw.h"

namespace {

constexpr Integer IndicatorWidth = 11;

enum TIndicatorGlyph { igArrow, igEdit, igInsert, igMultiDot, igMultiArrow };

// The indicator glyphs, drawn in the window-text colour around the centre of
// the cell: a right-pointing triangle, an I-beam, an asterisk and a dot.
void DrawIndicatorGlyph(TCanvas* canvas, const TRect& r, TIndicatorGlyph glyph) {
    const TColor ink = ColorToRGB(clWindowText);
    const Integer cx = r.Left + r.Width() / 2, cy = r.Top + r.Height() / 2;
    auto dot = [&](Integer x, Integer y) {
        for (Integer dy = -1; dy <= 1; ++dy)
            for (Integer dx = -1; dx <= 1; ++dx)
                if (dx == 0 || dy == 0) canvas->SetPixel(x + dx, y + dy, ink);
    };
    switch (glyph) {
    case igArrow:
    case igMultiArrow: {
        const Integer x0 = cx - 2;
        for (Integer i = 0; i < 4; ++i)
            for (Integer y = cy - (3 - i); y <= cy + (3 - i); ++y) canvas->SetPixel(x0 + i, y, ink);
        if (glyph == igMultiArrow) dot(x0 - 3, cy);
        break;
    }
    case igEdit:
        for (Integer y = cy - 4; y <= cy + 4; ++y) canvas->SetPixel(cx, y, ink);
        for (Integer x = cx - 2; x <= cx + 2; ++x)
            if (x != cx) {
                canvas->SetPixel(x, cy - 4, ink);
                canvas->SetPixel(x, cy + 4, ink);
            }
        break;
    case igInsert:
        for (Integer d = -2; d <= 2; ++d) {
            canvas->SetPixel(cx + d, cy, ink);
            canvas->SetPixel(cx, cy + d, ink);
            canvas->SetPixel(cx + d, cy + d, ink);
            canvas->SetPixel(cx + d, cy - d, ink);
        }
        break;
    case igMultiDot: dot(cx, cy); break;
    }
}

void DrawRaisedFixed(TCanvas* canvas, const TRect& r) {
    TRect edge = r;
    DrawEdge(canvas, edge, BDR_RAISEDINNER, BF_BOTTOMRIGHT);
    DrawEdge(canvas, edge, BDR_RAISEDINNER, BF_TOPLEFT);
}

// Text in a cell as the grid writes it: the cell filled with the brush, the
// text 2 pixels in from the left (3 from the right when right-aligned) and
// 2 from the top, clipped to the cell.
void WriteCellText(TCanvas* canvas, const TRect& r, const AnsiString& text, TAlignment alignment) {
    if (canvas->Brush()->Style() == bsSolid) canvas->FillRect(r);
    Integer x = r.Left + 2;
    if (alignment == taRightJustify)
        x = r.Right - canvas->TextWidth(text) - 3;
    else if (alignment == taCenter)
        x = r.Left + (r.Width() - canvas->TextWidth(text)) / 2;
    TextRect(canvas, r, x, r.Top + 2, text);
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and properties

TDBGrid::TDBGrid(TComponent* AOwner) : TDBGrid(AOwner, CollectionItemClass<TColumn>()) {}

TDBGrid::TDBGrid(TComponent* AOwner, TCollectionItemFactory ColumnClass)
    : TCustomGrid(AOwner), FDataLink(std::make_unique<TGridDataLink>(this)),
      FColumns(std::make_unique<TDBGridColumns>(this, std::move(ColumnClass))),
      FTitleFont(std::make_unique<TFont>()), FBookmarks(std::make_unique<TBookmarkList>(this)) {
    FTitleFont->Assign(Font());
    FTitleFont->OnChange = [this](TObject*) { LayoutChanged(); };
    ApplyOptions();
    SetColumnAttributes();
    UpdateRowCount();
}

TDBGrid::~TDBGrid() {
    Destroying();
    FDataLink->SetDataSource(nullptr);
}

TDataSource* TDBGrid::DataSource() const { return FDataLink->DataSource(); }

void TDBGrid::SetDataSource(TDataSource* Value) {
    if (Value == DataSource()) return;
    if (TDataSource* old = DataSource()) old->RemoveFreeNotification(this);
    FBookmarks->Clear();
    FDataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
    LinkActive(FDataLink->Active());
}

void TDBGrid::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomGrid::Notification(AComponent, Operation);
    if (Operation == opRemove && FDataLink && AComponent == DataSource()) SetDataSource(nullptr);
}

void TDBGrid::SetColumns(TDBGridColumns* Value) {
    if (!Value || Value == FColumns.get()) return;
    BeginLayout();
    auto end = ScopeExit([this] { EndLayout(); });
    FColumns->Clear();
    FColumns->FState = Value->State();
    for (int i = 0; i < Value->Count(); ++i) {
        TColumn* from = Value->Items(i);
        auto* to = static_cast<TColumn*>(static_cast<TCollection*>(FColumns.get())->Add());
        to->FFieldName = from->FFieldName;
        to->FVisible = from->FVisible;
        to->FAssignedValues = from->FAssignedValues;
        to->FWidth = from->FWidth;
        to->FColor = from->FColor;
        to->FAlignment = from->FAlignment;
        to->FReadOnly = from->FReadOnly;
    }
}

void TDBGrid::SetOptions(TDBGridOptions Value) {
    if (Value == FDBOptions) return;
    const bool wasMulti = FDBOptions.Contains(dgMultiSelect);
    FDBOptions = Value;
    if (wasMulti && !Value.Contains(dgMultiSelect)) FBookmarks->Clear();
    ApplyOptions();
    LayoutChanged();
}

void TDBGrid::ApplyOptions() {
    TGridOptions o;
    if (FDBOptions.Contains(dgColLines)) o << goFixedVertLine << goVertLine;
    if (FDBOptions.Contains(dgRowLines)) o << goFixedHorzLine << goHorzLine;
    if (FDBOptions.Contains(dgColumnResize)) o << goColSizing << goColMoving;
    if (FDBOptions.Contains(dgTabs)) o << goTabs;
    if (FDBOptions.Contains(dgRowSelect)) o << goRowSelect;
    if (FDBOptions.Contains(dgEditing) && !FDBOptions.Contains(dgRowSelect)) o << goEditing;
    if (FDBOptions.Contains(dgAlwaysShowEditor)) o << goAlwaysShowEditor;
    TCustomGrid::SetOptions(o);
}

void TDBGrid::SetReadOnly(bool Value) {
    if (Value == FReadOnly) return;
    FReadOnly = Value;
    if (Value) HideEditor();
    Invalidate();
}

void TDBGrid::SetTitleFont(TFont* Value) {
    if (Value) FTitleFont->Assign(Value);
}

void TDBGrid::FontChanged() {
    TCustomGrid::FontChanged();
    LayoutChanged();
}

TColumn* TDBGrid::ColumnAt(Integer ACol) const {
    const Integer index = RawToDataColumn(ACol);
    if (index < 0 || index >= FColumns->Count()) return nullptr;
    return FColumns->Items(index);
}

TField* TDBGrid::SelectedField() const {
    TColumn* column = ColumnAt(Col());
    return column ? column->Field() : nullptr;
}

void TDBGrid::SetSelectedField(TField* Value) {
    if (!Value) return;
    for (int i = 0; i < FColumns->Count(); ++i)
        if (FColumns->Items(i)->Field() == Value) {
            SetSelectedIndex(i);
            return;
        }
}

Integer TDBGrid::SelectedIndex() const { return RawToDataColumn(Col()); }

void TDBGrid::SetSelectedIndex(Integer Value) {
    if (Value < 0 || Value >= FColumns->Count()) return;
    SetCol(DataToRawColumn(Value));
}

Integer TDBGrid::FieldCount() const { return FColumns->Count(); }

TField* TDBGrid::Fields(Integer Index) const {
    if (Index < 0 || Index >= FColumns->Count()) return nullptr;
    return FColumns->Items(Index)->Field();
}

// ---------------------------------------------------------------------------
// Layout

void TDBGrid::BeginLayout() { ++FLayoutLock; }

void TDBGrid::EndLayout() {
    if (FLayoutLock > 0 && --FLayoutLock == 0) LayoutChanged();
}

void TDBGrid::LayoutChanged() {
    if (FLayoutLock > 0 || FInLayout || ComponentState().Contains(csDestroying)) return;
    FInLayout = true;
    auto done = ScopeExit([this] { FInLayout = false; });
    if (FColumns->State() == csDefault) FColumns->RebuildColumns();
    SetColumnAttributes();
    UpdateRowCount();
    Invalidate();
}

Integer TDBGrid::DataRowHeight() const {
    if (FRowsHeightOverride > 0) return FRowsHeightOverride;
    return MeasureText(*Font(), "Wg").y + 4;
}

Integer TDBGrid::TitleRowHeight() const {
    if (FRowsHeightOverride > 0) return FRowsHeightOverride + 2;
    return MeasureText(*FTitleFont, "Wg").y + 4;
}

void TDBGrid::SetColumnAttributes() {
    FUpdatingWidths = true;
    BeginUpdate();
    auto done = ScopeExit([this] {
        FUpdatingWidths = false;
        EndUpdate();
    });
    const Integer indicator = IndicatorOffset();
    const Integer count = std::max<Integer>(FColumns->Count(), 1);
    if (FixedCols() >= indicator + count) SetFixedCols(0);
    SetColCount(indicator + count);
    const Integer fixedData = std::clamp<Integer>(FixedDataCols(), 0, std::max<Integer>(FColumns->Count() - 1, 0));
    SetFixedCols(indicator + fixedData);
    if (indicator > 0) SetColWidthsQuiet(0, IndicatorWidth);
    for (Integer i = 0; i < count; ++i) {
        TColumn* column = i < FColumns->Count() ? FColumns->Items(i) : nullptr;
        const Integer width = !column ? 64 : column->Visible() ? std::max<Integer>(column->Width(), 0) : -1;
        SetColWidthsQuiet(indicator + i, width);
    }
    SetDefaultRowHeight(DataRowHeight());
    if (TitleOffset() > 0) SetRowHeights(0, TitleRowHeight());
    // The current cell never rests on a fixed or hidden column.
    if (Col() < FixedCols()) SetCol(FixedCols());
}

void TDBGrid::UpdateRowCount() {
    if (FUpdatingRows || ComponentState().Contains(csDestroying)) return;
    FUpdatingRows = true;
    auto done = ScopeExit([this] { FUpdatingRows = false; });
    const Integer title = TitleOffset();
    const Integer line = FDBOptions.Contains(dgRowLines) ? GridLineWidth() : 0;
    const Integer available = ClientHeight() - (title > 0 ? TitleRowHeight() + line : 0);
    const Integer visibleRows = std::max<Integer>(1, available / std::max<Integer>(DataRowHeight() + line, 1));
    Integer rows = 1;
    if (FDataLink->Active()) {
        FDataLink->SetBufferCount(visibleRows);
        rows = std::max(1, FDataLink->RecordCount());
    }
    if (RowCount() <= title) SetRowCount(title + 1);
    SetRowCount(title + rows);
    SetFixedRows(title);
    if (title > 0) SetRowHeights(0, TitleRowHeight());
    UpdateActive();
}

void TDBGrid::UpdateActive() {
    if (!FDataLink->Active() || FDataLink->RecordCount() == 0) {
        UpdateScrollBars();
        return;
    }
    const Integer target = TitleOffset() + FDataLink->ActiveRecord();
    FInUpdateActive = true;
    auto done = ScopeExit([this] { FInUpdateActive = false; });
    if (Row() != target) MoveColRow(Col(), target, true, false);
    SetTopRow(FixedRows());
    UpdateScrollBars();
}

void TDBGrid::Resize() {
    TCustomGrid::Resize();
    UpdateRowCount();
}

void TDBGrid::ScrollBarsChanged() { UpdateRowCount(); }

// ---------------------------------------------------------------------------
// Data link notifications

void TDBGrid::LinkActive(bool Value) {
    FBookmarks->LinkActive(Value);
    if (!Value) HideEditor();
    LayoutChanged();
}

void TDBGrid::DataChanged() {
    if (!FDataLink->Active()) return;
    UpdateRowCount();
    if (EditorMode() && !FEditModified) ShowEditor();
    Invalidate();
}

void TDBGrid::Scroll(Integer Distance) {
    (void)Distance;
    if (!FDataLink->Active()) return;
    UpdateActive();
    Invalidate();
}

void TDBGrid::EditingChanged() {
    if (!FDataLink->Editing()) {
        FEditModified = false;
        FDataLink->Reset();
        if (EditorMode()) {
            if (Options().Contains(dgAlwaysShowEditor))
                ShowEditor();
            else
                HideEditor();
        }
    }
    Invalidate();
}

void TDBGrid::RecordChanged(TField* Field) {
    if (EditorMode() && !FEditModified && (!Field || Field == SelectedField())) ShowEditor();
    Invalidate();
}

void TDBGrid::UpdateData() {
    if (!FEditModified) return;
    TField* field = SelectedField();
    FEditModified = false;
    FDataLink->Reset();
    if (field) field->SetText(FEditText);
}

// ---------------------------------------------------------------------------
// Moving

bool TDBGrid::AcquireFocus() {
    if (Focused() || (InplaceEditor() && InplaceEditor()->Focused())) return true;
    if (!CanFocus()) return true;
    std::weak_ptr<void> alive = AliveToken();
    SetFocus();
    return !alive.expired();
}

void TDBGrid::MoveToDataRow(Integer DataRow) {
    if (!FDataLink->Active()) return;
    FDataLink->MoveBy(DataRow - FDataLink->ActiveRecord());
}

bool TDBGrid::SelectCell(Integer ACol, Integer ARow) {
    if (FInUpdateActive) return true;
    if (ARow != Row()) {
        if (!FDataLink->Active()) return false;
        MoveToDataRow(ARow - TitleOffset());
        if (Row() != ARow) return false;
    }
    if (ACol != Col()) {
        UpdateData();
        ColExit();
    }
    return true;
}

void TDBGrid::CurrentCellChanged(const TGridCoord& Old) {
    if (Old.X != Col()) ColEnter();
}

void TDBGrid::ColEnter() { FireEvent(OnColEnter, this); }
void TDBGrid::ColExit() { FireEvent(OnColExit, this); }

void TDBGrid::CellClick(TColumn* Column) {
    if (OnCellClick) {
        TDBGridClickEvent handler = OnCellClick;
        handler(Column);
    }
}

void TDBGrid::TitleClick(TColumn* Column) {
    if (OnTitleClick) {
        TDBGridClickEvent handler = OnTitleClick;
        handler(Column);
    }
}

void TDBGrid::ColumnMoved(Integer FromIndex, Integer ToIndex) {
    FTitlePressCol = -1;
    const Integer from = RawToDataColumn(FromIndex), to = RawToDataColumn(ToIndex);
    if (from < 0 || to < 0 || from >= FColumns->Count() || to >= FColumns->Count()) return;
    BeginLayout();
    {
        auto end = ScopeExit([this] { EndLayout(); });
        // Default columns are rebuilt from the fields, so the field moves.
        if (FColumns->State() == csDefault) {
            TField* moved = FColumns->Items(from)->Field();
            TField* target = FColumns->Items(to)->Field();
            if (moved && target) moved->SetIndex(target->Index());
        }
        FColumns->Items(from)->SetIndex(to);
    }
    FireEvent(OnColumnMoved, this, from, to);
}

void TDBGrid::ColWidthsChanged() {
    if (FUpdatingWidths) return;
    FUpdatingWidths = true;
    auto done = ScopeExit([this] { FUpdatingWidths = false; });
    for (int i = 0; i < FColumns->Count(); ++i) {
        const Integer raw = DataToRawColumn(i);
        if (raw >= ColCount()) break;
        const Integer width = ColWidths(raw);
        TColumn* column = FColumns->Items(i);
        if (width >= 0 && column->Width() != width) {
            column->FWidth = width;
            column->FAssignedValues.Include(cvWidth);
        }
    }
}

// ---------------------------------------------------------------------------
// Scroll bar: the vertical one stands for the records, not the rows.

void TDBGrid::GetVertScrollInfo(Integer& Min, Integer& Max, Integer& Page, Integer& Pos) {
    Min = Max = Pos = 0;
    Page = 1;
    if (!FDataLink->Active()) return;
    TDataSet* dataSet = FDataLink->DataSet();
    const Integer count = dataSet->RecordCount();
    if (count <= 0 || count <= FDataLink->RecordCount()) return;
    Max = count - 1;
    Page = std::max(1, FDataLink->RecordCount());
    Pos = std::max(dataSet->RecNo() - 1, 0);
}

void TDBGrid::ScrollMessage(bool Vertical, int Code, int Pos) {
    if (!Vertical || !FDataLink->Active()) {
        TCustomGrid::ScrollMessage(Vertical, Code, Pos);
        return;
    }
    TDataSet* dataSet = FDataLink->DataSet();
    const Integer page = std::max<Integer>(VisibleRowCount(), 1);
    switch (Code) {
    case SB_LINEUP: FDataLink->MoveBy(-1); break;
    case SB_LINEDOWN: FDataLink->MoveBy(1); break;
    case SB_PAGEUP: FDataLink->MoveBy(-page); break;
    case SB_PAGEDOWN: FDataLink->MoveBy(page); break;
    case SB_TOP: dataSet->First(); break;
    case SB_BOTTOM: dataSet->Last(); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        if (dataSet->RecordCount() > 0) dataSet->SetRecNo(Pos + 1);
        break;
    default: break;
    }
    UpdateScrollBars();
}

// ---------------------------------------------------------------------------
// Editing

bool TDBGrid::CanEditShow() const {
    if (!TCustomGrid::CanEditShow() || FReadOnly || !FDataLink->Active() || FDataLink->ReadOnly()) return false;
    if (!FDBOptions.Contains(dgEditing)) return false;
    TColumn* column = ColumnAt(Col());
    if (!column || column->ReadOnly()) return false;
    TField* field = column->Field();
    return field && field->CanModify() && !field->IsBlob();
}

bool TDBGrid::CanEditModify() {
    if (FReadOnly || !FDataLink->Active() || FDataLink->ReadOnly()) return false;
    TColumn* column = ColumnAt(Col());
    if (!column || column->ReadOnly()) return false;
    TField* field = column->Field();
    if (!field || !field->CanModify()) return false;
    return FDataLink->Edit();
}

AnsiString TDBGrid::GetEditText(Integer ACol, Integer ARow) {
    (void)ARow;
    if (FEditModified) return FEditText;
    TColumn* column = ColumnAt(ACol);
    TField* field = column ? column->Field() : nullptr;
    return field ? field->Text() : AnsiString();
}

void TDBGrid::SetEditText(Integer ACol, Integer ARow, const AnsiString& Value) {
    (void)ACol;
    (void)ARow;
    if (!FEditModified && !CanEditModify()) return;
    FEditText = Value;
    FEditModified = true;
    FDataLink->Modified();
}

Integer TDBGrid::GetEditLimit() {
    TField* field = SelectedField();
    return field && field->DataType() == ftString ? field->Size() : 0;
}

// ---------------------------------------------------------------------------
// Keys and mouse

void TDBGrid::KeyDown(Word& Key, TShiftState Shift) {
    TWinControl::KeyDown(Key, Shift);
    if (Key != 0) DataKeyDown(Key, Shift);
}

void TDBGrid::DataKeyDown(Word& Key, TShiftState Shift) {
    if (!FDataLink->Active()) {
        KeyMove(Key, Shift);
        return;
    }
    TDataSet* dataSet = FDataLink->DataSet();
    const bool ctrl = Shift.Contains(ssCtrl);
    const Integer page = std::max<Integer>(VisibleRowCount(), 1);
    switch (Key) {
    case VK_UP: FDataLink->MoveBy(-1); break;
    case VK_DOWN: {
        if (FDataLink->MoveBy(1) == 0 && dataSet->Eof() && !ctrl && FDBOptions.Contains(dgEditing) && !FReadOnly &&
            dataSet->CanModify() && dataSet->State() == dsBrowse)
            dataSet->Append();
        break;
    }
    case VK_PRIOR: FDataLink->MoveBy(-page); break;
    case VK_NEXT: FDataLink->MoveBy(page); break;
    case VK_HOME:
        if (ctrl)
            dataSet->First();
        else
            KeyMove(Key, Shift);
        break;
    case VK_END:
        if (ctrl)
            dataSet->Last();
        else
            KeyMove(Key, Shift);
        break;
    case VK_ESCAPE:
        FEditModified = false;
        FDataLink->Reset();
        if (dsEditModes.Contains(dataSet->State())) dataSet->Cancel();
        if (!FDBOptions.Contains(dgAlwaysShowEditor)) HideEditor();
        Key = 0;
        break;
    case VK_RETURN:
        if (EditorMode()) {
            UpdateData();
            if (!FDBOptions.Contains(dgAlwaysShowEditor)) HideEditor();
            Key = 0;
        }
        break;
    case VK_INSERT:
        if (!ctrl && !Shift.Contains(ssShift) && FDBOptions.Contains(dgEditing) && !FReadOnly && dataSet->CanModify())
            dataSet->Insert();
        break;
    default: KeyMove(Key, Shift); break;
    }
}

void TDBGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    if (!AcquireFocus()) return;
    const TGridCoord cell = MouseCoord(X, Y);
    FTitlePressCol = -1;
    FCellPressCol = FCellPressRow = -1;
    if (Button == mbLeft && !Shift.Contains(ssDouble)) {
        if (cell.Y >= 0 && cell.Y < TitleOffset()) {
            FTitlePressCol = cell.X;
        } else if (cell.X >= 0 && cell.X < IndicatorOffset() && cell.Y >= TitleOffset()) {
            MoveToDataRow(cell.Y - TitleOffset());
            if (!alive.expired()) TCustomControl::MouseDown(Button, Shift, X, Y);
            return;
        } else if (cell.X >= IndicatorOffset() && cell.Y >= TitleOffset()) {
            FCellPressCol = cell.X;
            FCellPressRow = cell.Y;
        }
    }
    TCustomGrid::MouseDown(Button, Shift, X, Y);
}

void TDBGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    const TGridState state = FGridState;
    const TGridCoord cell = MouseCoord(X, Y);
    TCustomGrid::MouseUp(Button, Shift, X, Y);
    if (alive.expired() || Button != mbLeft) return;
    const Integer titleCol = FTitlePressCol, pressCol = FCellPressCol, pressRow = FCellPressRow;
    FTitlePressCol = FCellPressCol = FCellPressRow = -1;
    if (titleCol >= IndicatorOffset() && state != gsColSizing && cell.X == titleCol && cell.Y >= 0 &&
        cell.Y < TitleOffset()) {
        if (TColumn* column = ColumnAt(titleCol)) TitleClick(column);
    } else if (pressCol >= IndicatorOffset() && cell.X == pressCol && cell.Y == pressRow) {
        if (TColumn* column = ColumnAt(pressCol)) CellClick(column);
    }
}

bool TDBGrid::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
    bool handled = false;
    if (OnMouseWheelDown) {
        TMouseWheelUpDownEvent handler = OnMouseWheelDown;
        handler(this, Shift, MousePos, handled);
    }
    if (!handled && FDataLink->Active()) FDataLink->MoveBy(1);
    return true;
}

bool TDBGrid::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
    bool handled = false;
    if (OnMouseWheelUp) {
        TMouseWheelUpDownEvent handler = OnMouseWheelUp;
        handler(this, Shift, MousePos, handled);
    }
    if (!handled && FDataLink->Active()) FDataLink->MoveBy(-1);
    return true;
}

void TDBGrid::DoExit() {
    // An appended record the user never typed into goes when the grid is left.
    if (FDBOptions.Contains(dgCancelOnExit) && FDataLink->Active() && !(InplaceEditor() && InplaceEditor()->Focused())) {
        TDataSet* dataSet = FDataLink->DataSet();
        if (dataSet->State() == dsInsert && !dataSet->Modified() && !FEditModified) dataSet->Cancel();
    }
    TCustomGrid::DoExit();
}

// ---------------------------------------------------------------------------
// Drawing

bool TDBGrid::HighlightCell(Integer, Integer, const AnsiString&, TGridDrawState AState) {
    if (FDBOptions.Contains(dgMultiSelect) && FBookmarks->CurrentRowSelected()) return true;
    return AState.Contains(gdSelected) && (IsActiveControl() || FDBOptions.Contains(dgAlwaysShowSelection));
}

void TDBGrid::DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) {
    TCanvas* canvas = Canvas();
    if (ARow < TitleOffset()) {
        DrawTitleCell(ACol, ARow, ARect, AState);
        return;
    }
    if (ACol < IndicatorOffset()) {
        DrawIndicatorCell(ARow, ARect);
        return;
    }
    TColumn* column = ColumnAt(ACol);
    canvas->Font()->Assign(column ? column->Font() : Font());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(ColorToRGB(column ? column->Color() : Color()));
    if (!column || !FDataLink->Active() || FDataLink->RecordCount() == 0) {
        if (DefaultDrawing()) canvas->FillRect(ARect);
        return;
    }
    const Integer dataRow = ARow - TitleOffset();
    const Integer oldActive = FDataLink->ActiveRecord();
    FDataLink->SetActiveRecord(dataRow);
    auto restore = ScopeExit([this, oldActive] { FDataLink->SetActiveRecord(oldActive); });
    TField* field = column->Field();
    const AnsiString value = field ? field->DisplayText() : AnsiString();
    const bool current = ARow == Row() && (ACol == Col() || Options().Contains(dgRowSelect));
    TGridDrawState state = AState;
    if (current) state.Include(gdSelected);
    const bool highlight = HighlightCell(RawToDataColumn(ACol), dataRow, value, state);
    if (highlight) {
        canvas->Brush()->SetColor(ColorToRGB(clHighlight));
        canvas->Font()->SetColor(clHighlightText);
    }
    if (DefaultDrawing()) DefaultDrawColumnCell(ARect, RawToDataColumn(ACol), column, state);
    if (FColumns->State() == csDefault) DrawDataCell(ARect, field, state);
    DrawColumnCell(ARect, RawToDataColumn(ACol), column, state);
    if (DefaultDrawing() && highlight && current && IsActiveControl() && !Options().Contains(dgRowSelect) &&
        !EditorMode())
        DrawFocusRect(canvas, ARect);
}

void TDBGrid::DrawTitleCell(Integer ACol, Integer, const TRect& ARect, TGridDrawState) {
    TCanvas* canvas = Canvas();
    TColumn* column = ColumnAt(ACol);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(ColorToRGB(column ? column->Title()->Color() : FixedColor()));
    canvas->FillRect(ARect);
    if (FDBOptions.Contains(dgColLines) && FDBOptions.Contains(dgRowLines)) DrawRaisedFixed(canvas, ARect);
    if (!column) return;
    canvas->Font()->Assign(column->Title()->Font());
    canvas->Brush()->SetStyle(bsClear);
    WriteCellText(canvas, ARect, column->Title()->Caption(), column->Title()->Alignment());
    canvas->Brush()->SetStyle(bsSolid);
}

void TDBGrid::DrawIndicatorCell(Integer ARow, const TRect& ARect) {
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(ColorToRGB(FixedColor()));
    canvas->FillRect(ARect);
    if (FDBOptions.Contains(dgColLines) && FDBOptions.Contains(dgRowLines)) DrawRaisedFixed(canvas, ARect);
    if (!FDataLink->Active() || FDataLink->RecordCount() == 0) return;
    const Integer dataRow = ARow - TitleOffset();
    const bool multi = FDBOptions.Contains(dgMultiSelect);
    bool selected = false;
    if (multi) {
        const Integer oldActive = FDataLink->ActiveRecord();
        FDataLink->SetActiveRecord(dataRow);
        selected = FBookmarks->CurrentRowSelected();
        FDataLink->SetActiveRecord(oldActive);
    }
    if (dataRow == FDataLink->ActiveRecord()) {
        const TDataSetState state = FDataLink->DataSet()->State();
        TIndicatorGlyph glyph = selected ? igMultiArrow : igArrow;
        if (state == dsEdit) glyph = igEdit;
        if (state == dsInsert) glyph = igInsert;
        DrawIndicatorGlyph(canvas, ARect, glyph);
    } else if (selected) {
        DrawIndicatorGlyph(canvas, ARect, igMultiDot);
    }
}

void TDBGrid::DefaultDrawColumnCell(const TRect& Rect, Integer, TColumn* Column, TGridDrawState) {
    TCanvas* canvas = Canvas();
    TField* field = Column ? Column->Field() : nullptr;
    const AnsiString value = field ? field->DisplayText() : AnsiString();
    canvas->Brush()->SetStyle(bsSolid);
    WriteCellText(canvas, Rect, value, Column ? Column->Alignment() : taLeftJustify);
}

void TDBGrid::DefaultDrawDataCell(const TRect& Rect, TField* Field, TGridDrawState) {
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetStyle(bsSolid);
    WriteCellText(canvas, Rect, Field ? Field->DisplayText() : AnsiString(),
                  Field ? Field->Alignment() : taLeftJustify);
}

void TDBGrid::DrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State) {
    FireEvent(OnDrawDataCell, this, Rect, Field, State);
}

void TDBGrid::DrawColumnCell(const TRect& Rect, Integer DataCol, TColumn* Column, TGridDrawState State) {
    FireEvent(OnDrawColumnCell, this, Rect, DataCol, Column, State);
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TDBGridOption) {
    static const TEnumType t{"TDBGridOption",
                             {"dgEditing", "dgAlwaysShowEditor", "dgTitles", "dgIndicator", "dgColumnResize",
                              "dgColLines", "dgRowLines", "dgTabs", "dgRowSelect", "dgAlwaysShowSelection",
                              "dgConfirmDelete", "dgCancelOnExit", "dgMultiSelect"}};
    return t;
}

VEMLOR_PUBLISHED(TDBGrid, TCustomGrid) {
    Prop("Columns", &TDBGrid::Columns, &TDBGrid::SetColumns);
    Prop("DataSource", &TDBGrid::DataSource, &TDBGrid::SetDataSource);
    Prop("Options", &TDBGrid::Options, &TDBGrid::SetOptions);
    Prop("ReadOnly", &TDBGrid::ReadOnly, &TDBGrid::SetReadOnly);
    Prop("TitleFont", &TDBGrid::TitleFont, &TDBGrid::SetTitleFont);
    EventProp("OnCellClick", &TDBGrid::OnCellClick);
    EventProp("OnColEnter", &TDBGrid::OnColEnter);
    EventProp("OnColExit", &TDBGrid::OnColExit);
    EventProp("OnColumnMoved", &TDBGrid::OnColumnMoved);
    EventProp("OnDrawColumnCell", &TDBGrid::OnDrawColumnCell);
    EventProp("OnDrawDataCell", &TDBGrid::OnDrawDataCell);
    EventProp("OnTitleClick", &TDBGrid::OnTitleClick);
}
VEMLOR_REGISTER_CLASS(TDBGrid);
