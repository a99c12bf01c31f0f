// TCustomGrid: sizes, layout, painting and the scroll bars. The keyboard,
// the mouse and the in-place editor are in GridInput.cpp.

#include "platform/ui/Grids.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QPointer>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/EdgeDraw.h"
#include "platform/ui/UiBridge.h"

using namespace ui_detail;

struct TGridImpl {
    QPointer<QScrollBar> Horz;
    QPointer<QScrollBar> Vert;
    bool HorzShown = false;
    bool VertShown = false;
    // The position each bar is to show once Qt finishes the action it is
    // reporting (Qt would otherwise apply its own idea of the new value).
    int HorzValue = 0;
    int VertValue = 0;
};

struct TGridAccess {
    static void Scroll(TCustomGrid* grid, bool vertical, int action, int pos) {
        int code = -1;
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
        case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
        case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
        case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
        case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
        case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
        case QAbstractSlider::SliderMove: code = SB_THUMBTRACK; break;
        default: return;
        }
        grid->Perform(vertical ? WM_VSCROLL : WM_HSCROLL, ScrollWParam(code, pos));
    }
};

namespace {

int ScrollBarExtent() { return GetSystemMetrics(SM_CXVSCROLL); }

}  // namespace

// ---------------------------------------------------------------------------
// Construction and sizes

TCustomGrid::TCustomGrid(TComponent* AOwner)
    : TCustomControl(AOwner), FGridImpl(std::make_unique<TGridImpl>()), FColWidths(5, 64), FRowHeights(5, 24) {
    QWidget* w = WidgetOf(this);
    FGridImpl->Horz = new QScrollBar(Qt::Horizontal, w);
    FGridImpl->Vert = new QScrollBar(Qt::Vertical, w);
    FGridImpl->Horz->hide();
    FGridImpl->Vert->hide();
    for (QScrollBar* bar : {FGridImpl->Horz.data(), FGridImpl->Vert.data()}) {
        bar->setFocusPolicy(Qt::NoFocus);
        const bool vertical = bar == FGridImpl->Vert;
        QObject::connect(bar, &QAbstractSlider::actionTriggered, w, [this, bar, vertical](int action) {
            std::weak_ptr<void> alive = AliveToken();
            SafeCall(this, [&] { TGridAccess::Scroll(this, vertical, action, bar->sliderPosition()); });
            if (alive.expired()) return;
            bar->setSliderPosition(vertical ? FGridImpl->VertValue : FGridImpl->HorzValue);
        });
    }
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 320, 120);
}

TCustomGrid::~TCustomGrid() = default;

void TCustomGrid::SetColCount(Integer Value) {
    Value = std::max<Integer>(Value, 1);
    if (Value == ColCount()) return;
    if (Value <= FFixedCols) FFixedCols = Value - 1;
    const Integer oldCols = ColCount(), oldRows = RowCount();
    FColWidths.resize(static_cast<std::size_t>(Value), FDefaultColWidth);
    ClampPosition();
    SizeChanged(oldCols, oldRows);
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetRowCount(Integer Value) {
    Value = std::max<Integer>(Value, 1);
    if (Value == RowCount()) return;
    if (Value <= FFixedRows) FFixedRows = Value - 1;
    const Integer oldCols = ColCount(), oldRows = RowCount();
    FRowHeights.resize(static_cast<std::size_t>(Value), FDefaultRowHeight);
    ClampPosition();
    SizeChanged(oldCols, oldRows);
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetFixedCols(Integer Value) {
    if (Value == FFixedCols) return;
    if (Value < 0) throw EInvalidGridOperation("Grid index out of range");
    if (Value >= ColCount()) throw EInvalidGridOperation("Fixed column count must be less than column count");
    FFixedCols = Value;
    ClampPosition();
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetFixedRows(Integer Value) {
    if (Value == FFixedRows) return;
    if (Value < 0) throw EInvalidGridOperation("Grid index out of range");
    if (Value >= RowCount()) throw EInvalidGridOperation("Fixed row count must be less than row count");
    FFixedRows = Value;
    ClampPosition();
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetDefaultColWidth(Integer Value) {
    if (Value == FDefaultColWidth) return;
    FDefaultColWidth = Value;
    std::fill(FColWidths.begin(), FColWidths.end(), Value);
    ColWidthsChanged();
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(Integer Value) {
    if (Value == FDefaultRowHeight) return;
    FDefaultRowHeight = Value;
    std::fill(FRowHeights.begin(), FRowHeights.end(), Value);
    RowHeightsChanged();
    UpdateScrollBars();
    Invalidate();
}

Integer TCustomGrid::ColWidths(Integer Index) const {
    if (Index < 0 || Index >= ColCount()) throw EListError(Format("List index out of bounds (%d)", Index));
    return FColWidths[static_cast<std::size_t>(Index)];
}

Integer TCustomGrid::RowHeights(Integer Index) const {
    if (Index < 0 || Index >= RowCount()) throw EListError(Format("List index out of bounds (%d)", Index));
    return FRowHeights[static_cast<std::size_t>(Index)];
}

void TCustomGrid::SetColWidthsQuiet(Integer Index, Integer Value) {
    if (Index < 0 || Index >= ColCount()) throw EListError(Format("List index out of bounds (%d)", Index));
    FColWidths[static_cast<std::size_t>(Index)] = Value;
}

void TCustomGrid::SetColWidths(Integer Index, Integer Value) {
    if (ColWidths(Index) == Value) return;
    SetColWidthsQuiet(Index, Value);
    ColWidthsChanged();
    UpdateScrollBars();
    InvalidateEditor();
    Invalidate();
}

void TCustomGrid::SetRowHeights(Integer Index, Integer Value) {
    if (RowHeights(Index) == Value) return;
    FRowHeights[static_cast<std::size_t>(Index)] = Value;
    RowHeightsChanged();
    UpdateScrollBars();
    InvalidateEditor();
    Invalidate();
}

void TCustomGrid::SetGridLineWidth(Integer Value) {
    Value = std::max<Integer>(Value, 0);
    if (Value == FGridLineWidth) return;
    FGridLineWidth = Value;
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions Value) {
    if (Value == FOptions) return;
    FOptions = Value;
    if (!FOptions.Contains(goEditing)) HideEditor();
    if (FOptions.Contains(goRowSelect)) FAnchor.Y = FCurrent.Y;
    UpdateScrollBars();
    Invalidate();
    if (FOptions.Contains(goAlwaysShowEditor) && FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect))
        ShowEditor();
}

void TCustomGrid::SetFixedColor(TColor Value) {
    if (Value == FFixedColor) return;
    FFixedColor = Value;
    Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value) {
    if (Value == FScrollBars) return;
    FScrollBars = Value;
    UpdateScrollBars();
}

void TCustomGrid::SetBorderStyle(TBorderStyle Value) {
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    UpdateScrollBars();
    InvalidateEditor();
    Invalidate();
}

void TCustomGrid::SetDefaultDrawing(bool Value) {
    if (Value == FDefaultDrawing) return;
    FDefaultDrawing = Value;
    Invalidate();
}

void TCustomGrid::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0) {
        UpdateScrollBars();
        Invalidate();
    }
}

// ---------------------------------------------------------------------------
// Layout

namespace {
// The line after a cell along one axis: nothing after a hidden cell.
Integer Extent(Integer size, Integer line) { return size < 0 ? 0 : size + line; }
}  // namespace

struct TCustomGrid::TAxis {
    const std::vector<Integer>& Sizes;
    Integer Fixed;
    Integer First;  // the first scrolling cell shown
    Integer Line;
    Integer Available;

    Integer FixedExtent() const {
        Integer e = 0;
        for (Integer i = 0; i < Fixed; ++i) e += Extent(Sizes[std::size_t(i)], Line);
        return e;
    }
    // Start of cell i, or -1 when it is scrolled out or hidden.
    Integer Start(Integer i) const {
        if (i < 0 || i >= Integer(Sizes.size()) || Sizes[std::size_t(i)] < 0) return -1;
        Integer pos = 0;
        if (i < Fixed) {
            for (Integer k = 0; k < i; ++k) pos += Extent(Sizes[std::size_t(k)], Line);
            return pos;
        }
        if (i < First) return -1;
        pos = FixedExtent();
        for (Integer k = First; k < i; ++k) {
            pos += Extent(Sizes[std::size_t(k)], Line);
            if (pos >= Available) return -1;
        }
        return pos < Available ? pos : -1;
    }
    // The cell under a coordinate, -1 for none (lines count to the cell before).
    Integer At(Integer p) const {
        if (p < 0) return -1;
        Integer pos = 0;
        const Integer count = Integer(Sizes.size());
        for (Integer k = 0; k < Fixed && k < count; ++k) {
            const Integer e = Extent(Sizes[std::size_t(k)], Line);
            if (e > 0 && p < pos + e) return k;
            pos += e;
        }
        for (Integer k = First; k < count && pos < Available; ++k) {
            const Integer e = Extent(Sizes[std::size_t(k)], Line);
            if (e > 0 && p < pos + e) return k;
            pos += e;
        }
        return -1;
    }
    // Scrolling cells from First that fit wholly.
    Integer FullyVisible() const {
        Integer pos = FixedExtent(), n = 0;
        for (Integer k = First; k < Integer(Sizes.size()); ++k) {
            const Integer e = Extent(Sizes[std::size_t(k)], Line);
            if (pos + e - Line > Available && e > 0) break;
            pos += e;
            ++n;
        }
        return n;
    }
    // The greatest First that still fills the space with the last cells.
    Integer MaxFirst() const {
        Integer room = Available - FixedExtent();
        Integer k = Integer(Sizes.size()) - 1;
        Integer first = k + 1;
        while (k >= Fixed) {
            const Integer e = Extent(Sizes[std::size_t(k)], Line);
            if (e - Line > room && e > 0) break;
            room -= e;
            first = k;
            --k;
        }
        return std::max(std::min(first, Integer(Sizes.size()) - 1), Fixed);
    }
};

namespace {
Integer ColLine(TGridOptions o, Integer w) { return (o.Contains(goFixedVertLine) || o.Contains(goVertLine)) ? w : 0; }
Integer RowLine(TGridOptions o, Integer w) { return (o.Contains(goFixedHorzLine) || o.Contains(goHorzLine)) ? w : 0; }
}  // namespace

TCustomGrid::TAxis TCustomGrid::ColAxis() const {
    return TAxis{FColWidths, FFixedCols, FTopLeft.X, ColLine(FOptions, FGridLineWidth), ClientWidth()};
}

TCustomGrid::TAxis TCustomGrid::RowAxis() const {
    return TAxis{FRowHeights, FFixedRows, FTopLeft.Y, RowLine(FOptions, FGridLineWidth), ClientHeight()};
}

Integer TCustomGrid::GridWidth() const {
    const Integer line = ColLine(FOptions, FGridLineWidth);
    Integer w = 0;
    for (Integer s : FColWidths) w += Extent(s, line);
    return w;
}

Integer TCustomGrid::GridHeight() const {
    const Integer line = RowLine(FOptions, FGridLineWidth);
    Integer h = 0;
    for (Integer s : FRowHeights) h += Extent(s, line);
    return h;
}

Integer TCustomGrid::ClientWidth() const {
    const Integer w = Width() - 2 * BorderWidth() - (FGridImpl->VertShown ? ScrollBarExtent() : 0);
    return std::max<Integer>(w, 0);
}

Integer TCustomGrid::ClientHeight() const {
    const Integer h = Height() - 2 * BorderWidth() - (FGridImpl->HorzShown ? ScrollBarExtent() : 0);
    return std::max<Integer>(h, 0);
}

TPoint TCustomGrid::ClientOffset() const { return Point(BorderWidth(), BorderWidth()); }

Integer TCustomGrid::ColumnX(Integer ACol) const { return ColAxis().Start(ACol); }
Integer TCustomGrid::RowY(Integer ARow) const { return RowAxis().Start(ARow); }

TRect TCustomGrid::CellRect(Integer ACol, Integer ARow) const {
    const Integer x = ColumnX(ACol), y = RowY(ARow);
    if (x < 0 || y < 0) return TRect{};
    return Rect(x, y, x + FColWidths[std::size_t(ACol)], y + FRowHeights[std::size_t(ARow)]);
}

void TCustomGrid::MouseToCell(Integer X, Integer Y, Integer& ACol, Integer& ARow) const {
    const TGridCoord c = MouseCoord(X, Y);
    ACol = c.X;
    ARow = c.Y;
}

TGridCoord TCustomGrid::MouseCoord(Integer X, Integer Y) const {
    if (X >= ClientWidth() || Y >= ClientHeight()) return TGridCoord{-1, -1};
    TGridCoord c{ColAxis().At(X), RowAxis().At(Y)};
    if (c.X < 0 || c.Y < 0) return TGridCoord{-1, -1};
    return c;
}

Integer TCustomGrid::VisibleColCount() const { return ColAxis().FullyVisible(); }
Integer TCustomGrid::VisibleRowCount() const { return RowAxis().FullyVisible(); }

TGridRect TCustomGrid::Selection() const {
    TGridRect r{std::min(FAnchor.X, FCurrent.X), std::min(FAnchor.Y, FCurrent.Y), std::max(FAnchor.X, FCurrent.X),
                std::max(FAnchor.Y, FCurrent.Y)};
    if (FOptions.Contains(goRowSelect)) {
        r.Left = FFixedCols;
        r.Right = ColCount() - 1;
    }
    return r;
}

void TCustomGrid::SetSelection(const TGridRect& Value) {
    FAnchor = TGridCoord{Value.Left, Value.Top};
    MoveCurrent(Value.Right, Value.Bottom, false, true);
}

void TCustomGrid::ClampPosition() {
    auto clamp = [](Integer v, Integer lo, Integer hi) { return std::max(lo, std::min(v, std::max(lo, hi))); };
    FCurrent.X = clamp(FCurrent.X, FFixedCols, ColCount() - 1);
    FCurrent.Y = clamp(FCurrent.Y, FFixedRows, RowCount() - 1);
    FAnchor.X = clamp(FAnchor.X, FFixedCols, ColCount() - 1);
    FAnchor.Y = clamp(FAnchor.Y, FFixedRows, RowCount() - 1);
    ClampTopLeft(false);
}

// Keeps the scrolling position valid and, when asked, the current cell in view.
void TCustomGrid::ClampTopLeft(bool KeepCurrentVisible) {
    const TGridCoord old = FTopLeft;
    TAxis cols = ColAxis(), rows = RowAxis();
    if (KeepCurrentVisible) {
        if (FCurrent.X >= FFixedCols && FCurrent.X < FTopLeft.X) FTopLeft.X = FCurrent.X;
        if (FCurrent.Y >= FFixedRows && FCurrent.Y < FTopLeft.Y) FTopLeft.Y = FCurrent.Y;
        cols.First = FTopLeft.X;
        rows.First = FTopLeft.Y;
        while (FTopLeft.X < FCurrent.X && FCurrent.X >= cols.First + std::max<Integer>(cols.FullyVisible(), 1))
            cols.First = ++FTopLeft.X;
        while (FTopLeft.Y < FCurrent.Y && FCurrent.Y >= rows.First + std::max<Integer>(rows.FullyVisible(), 1))
            rows.First = ++FTopLeft.Y;
    }
    FTopLeft.X = std::max(FFixedCols, std::min(FTopLeft.X, cols.MaxFirst()));
    FTopLeft.Y = std::max(FFixedRows, std::min(FTopLeft.Y, rows.MaxFirst()));
    if (!(old == FTopLeft)) {
        InvalidateEditor();
        UpdateScrollBars();
        TopLeftChanged();
    }
}

void TCustomGrid::SetLeftCol(Integer Value) {
    if (Value == FTopLeft.X) return;
    FTopLeft.X = Value;
    ClampTopLeft(false);
    Invalidate();
}

void TCustomGrid::SetTopRow(Integer Value) {
    if (Value == FTopLeft.Y) return;
    FTopLeft.Y = Value;
    ClampTopLeft(false);
    Invalidate();
}

void TCustomGrid::SetCol(Integer Value) {
    if (Value == FCurrent.X) return;
    MoveCurrent(Value, FCurrent.Y, true, true);
}

void TCustomGrid::SetRow(Integer Value) {
    if (Value == FCurrent.Y) return;
    MoveCurrent(FCurrent.X, Value, true, true);
}

void TCustomGrid::FocusCell(Integer ACol, Integer ARow, bool MoveAnchor) { MoveCurrent(ACol, ARow, MoveAnchor, true); }

void TCustomGrid::MoveColRow(Integer ACol, Integer ARow, bool MoveAnchor, bool Show) {
    MoveCurrent(ACol, ARow, MoveAnchor, Show);
}

void TCustomGrid::MoveCurrent(Integer ACol, Integer ARow, bool MoveAnchor, bool Show) {
    if (ACol < FFixedCols || ACol >= ColCount() || ARow < FFixedRows || ARow >= RowCount()) return;
    if (!SelectCell(ACol, ARow)) return;
    const TGridCoord old = FCurrent;
    const bool moved = !(old == TGridCoord{ACol, ARow});
    if (moved && FEditorMode) HideEdit();
    FCurrent = TGridCoord{ACol, ARow};
    if (MoveAnchor || !FOptions.Contains(goRangeSelect)) FAnchor = FCurrent;
    if (FOptions.Contains(goRowSelect)) FAnchor.X = FCurrent.X;
    if (Show) ClampTopLeft(true);
    Invalidate();
    if (moved) {
        UpdateEditor();
        CurrentCellChanged(old);
    }
}

// ---------------------------------------------------------------------------
// Virtual defaults

bool TCustomGrid::SelectCell(Integer, Integer) { return true; }
void TCustomGrid::TopLeftChanged() {}
void TCustomGrid::SizeChanged(Integer, Integer) {}
void TCustomGrid::ColumnMoved(Integer, Integer) {}
void TCustomGrid::ColWidthsChanged() {}
void TCustomGrid::RowHeightsChanged() {}
bool TCustomGrid::CanEditAcceptKey(char) const { return true; }
AnsiString TCustomGrid::GetEditText(Integer, Integer) { return AnsiString(); }
void TCustomGrid::SetEditText(Integer, Integer, const AnsiString&) {}

bool TCustomGrid::CanEditShow() const {
    return FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) && FCurrent.X >= FFixedCols &&
           FCurrent.Y >= FFixedRows;
}

bool TCustomGrid::CanEditModify() { return true; }

void TCustomGrid::MoveColumn(Integer FromIndex, Integer ToIndex) {
    const Integer count = ColCount();
    if (FromIndex == ToIndex || FromIndex < 0 || ToIndex < 0 || FromIndex >= count || ToIndex >= count) return;
    const Integer width = FColWidths[std::size_t(FromIndex)];
    FColWidths.erase(FColWidths.begin() + FromIndex);
    FColWidths.insert(FColWidths.begin() + ToIndex, width);
    // The current column travels with its cells.
    auto follow = [&](Integer& c) {
        if (c == FromIndex)
            c = ToIndex;
        else if (FromIndex < c && c <= ToIndex)
            --c;
        else if (ToIndex <= c && c < FromIndex)
            ++c;
    };
    follow(FCurrent.X);
    follow(FAnchor.X);
    ColumnMoved(FromIndex, ToIndex);
    InvalidateEditor();
    Invalidate();
}

// ---------------------------------------------------------------------------
// Painting

void TCustomGrid::DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) {
    (void)ACol;
    (void)ARow;
    if (!FDefaultDrawing) return;
    TCanvas* canvas = Canvas();
    TColor color = AState.Contains(gdFixed) ? FFixedColor : Color();
    if (AState.Contains(gdSelected)) color = clHighlight;
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(ColorToRGB(color));
    canvas->FillRect(ARect);
    if (AState.Contains(gdFocused) && !FOptions.Contains(goRowSelect) && !FEditorMode) DrawFocusRect(canvas, ARect);
}

bool TCustomGrid::IsActiveControl() const {
    if (Focused()) return true;
    return FInplaceEdit && FInplaceEdit->Focused();
}

void TCustomGrid::Paint() {
    TCanvas* canvas = Canvas();
    const Integer b = BorderWidth();
    const Integer cw = ClientWidth(), ch = ClientHeight();
    if (b > 0) {
        TRect frame = Rect(0, 0, Width(), Height());
        DrawEdge(canvas, frame, EDGE_SUNKEN, BF_RECT);
    }
    if (FGridImpl->HorzShown && FGridImpl->VertShown) {
        canvas->Brush()->SetColor(ColorToRGB(clBtnFace));
        canvas->FillRect(Rect(b + cw, b + ch, Width() - b, Height() - b));
    }
    canvas->SetClipRect(Rect(b, b, b + cw, b + ch));
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(ColorToRGB(Color()));
    canvas->FillRect(Rect(b, b, b + cw, b + ch));

    const TAxis cols = ColAxis(), rows = RowAxis();
    std::vector<Integer> colList, rowList;
    for (Integer c = 0; c < ColCount(); ++c)
        if ((c < FFixedCols || c >= FTopLeft.X) && cols.Start(c) >= 0) colList.push_back(c);
    for (Integer r = 0; r < RowCount(); ++r)
        if ((r < FFixedRows || r >= FTopLeft.Y) && rows.Start(r) >= 0) rowList.push_back(r);

    const bool active = IsActiveControl();
    const TGridRect sel = Selection();
    const TColor fixedLine = ColorToRGB(clBlack), cellLine = ColorToRGB(clSilver);
    // Lines first, so a cell drawn larger than its place (none of ours) wins.
    auto lineRun = [&](bool vertical, Integer at, Integer from, Integer to, Integer width, TColor color) {
        canvas->Brush()->SetColor(color);
        if (vertical)
            canvas->FillRect(Rect(b + at, b + from, b + at + width, b + to));
        else
            canvas->FillRect(Rect(b + from, b + at, b + to, b + at + width));
    };
    Integer rowsBottom = 0, colsRight = 0;
    for (Integer r : rowList) rowsBottom = std::max(rowsBottom, rows.Start(r) + FRowHeights[std::size_t(r)] + rows.Line);
    for (Integer c : colList) colsRight = std::max(colsRight, cols.Start(c) + FColWidths[std::size_t(c)] + cols.Line);
    const Integer fixedBottom = rows.FixedExtent(), fixedRight = cols.FixedExtent();
    if (cols.Line > 0)
        for (Integer c : colList) {
            const Integer x = cols.Start(c) + FColWidths[std::size_t(c)];
            const bool fixedCol = c < FFixedCols;
            if (FOptions.Contains(goFixedVertLine))
                lineRun(true, x, 0, fixedCol ? rowsBottom : fixedBottom, cols.Line, fixedLine);
            if (fixedCol && FOptions.Contains(goFixedVertLine)) continue;
            if (FOptions.Contains(goVertLine)) lineRun(true, x, fixedBottom, rowsBottom, cols.Line, cellLine);
        }
    if (rows.Line > 0)
        for (Integer r : rowList) {
            const Integer y = rows.Start(r) + FRowHeights[std::size_t(r)];
            const bool fixedRow = r < FFixedRows;
            if (FOptions.Contains(goFixedHorzLine))
                lineRun(false, y, 0, fixedRow ? colsRight : fixedRight, rows.Line, fixedLine);
            if (fixedRow && FOptions.Contains(goFixedHorzLine)) continue;
            if (FOptions.Contains(goHorzLine)) lineRun(false, y, fixedRight, colsRight, rows.Line, cellLine);
        }

    for (Integer r : rowList)
        for (Integer c : colList) {
            const TRect cell = CellRect(c, r);
            const TRect onCanvas = Rect(cell.Left + b, cell.Top + b, cell.Right + b, cell.Bottom + b);
            TGridDrawState state;
            const bool fixed = c < FFixedCols || r < FFixedRows;
            if (fixed) state.Include(gdFixed);
            const bool focusedCell = active && c == FCurrent.X && r == FCurrent.Y;
            if (focusedCell) state.Include(gdFocused);
            if (!fixed && c >= sel.Left && c <= sel.Right && r >= sel.Top && r <= sel.Bottom &&
                (!focusedCell || FOptions.Contains(goDrawFocusSelected) || FOptions.Contains(goRowSelect)))
                state.Include(gdSelected);
            canvas->SetClipRect(IntersectRect(onCanvas, Rect(b, b, b + cw, b + ch)));
            canvas->Font()->Assign(Font());
            DrawCell(c, r, onCanvas, state);
        }
    canvas->ResetClipRect();
    if (FDefaultDrawing && active && FOptions.Contains(goRowSelect) && FCurrent.Y >= FFixedRows) {
        const Integer y = rows.Start(FCurrent.Y);
        if (y >= 0) {
            const TRect row = Rect(b + fixedRight, b + y, b + std::min(colsRight - cols.Line, cw),
                                   b + y + FRowHeights[std::size_t(FCurrent.Y)]);
            canvas->SetClipRect(Rect(b, b, b + cw, b + ch));
            DrawFocusRect(canvas, row);
            canvas->ResetClipRect();
        }
    }
}

// ---------------------------------------------------------------------------
// Scroll bars

void TCustomGrid::GetVertScrollInfo(Integer& Min, Integer& Max, Integer& Page, Integer& Pos) {
    const TAxis rows = RowAxis();
    Min = 0;
    Max = std::max<Integer>(rows.MaxFirst() - FFixedRows, 0);
    Page = std::max<Integer>(rows.FullyVisible(), 1);
    Pos = FTopLeft.Y - FFixedRows;
}

void TCustomGrid::UpdateScrollBars() {
    if (FUpdatingScrollBars || FUpdateCount > 0 || ComponentState().Contains(csDestroying)) return;
    FUpdatingScrollBars = true;
    TGridImpl& impl = *FGridImpl;
    const bool wantHorz = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    const bool wantVert = FScrollBars == ssVertical || FScrollBars == ssBoth;
    const bool oldHorz = impl.HorzShown, oldVert = impl.VertShown;
    Integer vMin = 0, vMax = 0, vPage = 1, vPos = 0;
    // Two rounds: one bar taking room can make the other necessary.
    for (int round = 0; round < 2; ++round) {
        const TAxis cols = ColAxis();
        impl.HorzShown = wantHorz && cols.MaxFirst() > FFixedCols;
        GetVertScrollInfo(vMin, vMax, vPage, vPos);
        impl.VertShown = wantVert && vMax > vMin;
    }
    const TAxis cols = ColAxis();
    const Integer b = BorderWidth(), cw = ClientWidth(), ch = ClientHeight(), sb = ScrollBarExtent();
    if (QScrollBar* h = impl.Horz) {
        h->blockSignals(true);
        h->setRange(0, std::max<Integer>(cols.MaxFirst() - FFixedCols, 0));
        h->setPageStep(std::max<Integer>(cols.FullyVisible(), 1));
        impl.HorzValue = FTopLeft.X - FFixedCols;
        h->setValue(impl.HorzValue);
        h->setGeometry(b, b + ch, cw, sb);
        h->setVisible(impl.HorzShown);
        h->blockSignals(false);
    }
    if (QScrollBar* v = impl.Vert) {
        v->blockSignals(true);
        v->setRange(vMin, std::max(vMin, vMax));
        v->setPageStep(std::max<Integer>(vPage, 1));
        impl.VertValue = vPos;
        v->setValue(vPos);
        v->setGeometry(b + cw, b, sb, ch);
        v->setVisible(impl.VertShown);
        v->blockSignals(false);
    }
    FUpdatingScrollBars = false;
    if (oldHorz != impl.HorzShown || oldVert != impl.VertShown) {
        ScrollBarsChanged();
        ClampTopLeft(true);
        InvalidateEditor();
        Invalidate();
    }
}

void TCustomGrid::Resize() {
    ClampTopLeft(true);
    UpdateScrollBars();
    InvalidateEditor();
    TCustomControl::Resize();
}

void TCustomGrid::ModifyScrollBar(bool Vertical, int Code, int Pos) {
    Integer& first = Vertical ? FTopLeft.Y : FTopLeft.X;
    const Integer fixed = Vertical ? FFixedRows : FFixedCols;
    const Integer page = std::max<Integer>(Vertical ? VisibleRowCount() : VisibleColCount(), 1);
    Integer target = first;
    switch (Code) {
    case SB_LINEUP: target = first - 1; break;
    case SB_LINEDOWN: target = first + 1; break;
    case SB_PAGEUP: target = first - page; break;
    case SB_PAGEDOWN: target = first + page; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: target = fixed + Pos; break;
    case SB_TOP: target = fixed; break;
    case SB_BOTTOM: target = Vertical ? RowCount() : ColCount(); break;
    default: return;
    }
    if (Vertical)
        SetTopRow(std::max(target, fixed));
    else
        SetLeftCol(std::max(target, fixed));
    UpdateScrollBars();
}

void TCustomGrid::ScrollMessage(bool Vertical, int Code, int Pos) { ModifyScrollBar(Vertical, Code, Pos); }

void TCustomGrid::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_VSCROLL:
    case WM_HSCROLL: {
        MarkDefaultReached(this);
        const int code = static_cast<int>(Message.WParam & 0xFFFF);
        const int pos = static_cast<int>((Message.WParam >> 16) & 0xFFFF);
        ScrollMessage(Message.Msg == WM_VSCROLL, code, pos);
        return;
    }
    case WM_CANCELMODE:
        MarkDefaultReached(this);
        CancelMode();
        return;
    default: TCustomControl::WndProc(Message);
    }
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TGridOption) {
    static const TEnumType t{"TGridOption",
                             {"goFixedVertLine", "goFixedHorzLine", "goVertLine", "goHorzLine", "goRangeSelect",
                              "goDrawFocusSelected", "goRowSizing", "goColSizing", "goRowMoving", "goColMoving",
                              "goEditing", "goTabs", "goRowSelect", "goAlwaysShowEditor", "goThumbTracking"}};
    return t;
}

VEMLOR_PUBLISHED(TCustomGrid, TCustomControl) {
    Prop("BorderStyle", &TCustomGrid::BorderStyle, &TCustomGrid::SetBorderStyle);
    Prop("ColCount", &TCustomGrid::ColCount, &TCustomGrid::SetColCount);
    Prop("RowCount", &TCustomGrid::RowCount, &TCustomGrid::SetRowCount);
    Prop("FixedCols", &TCustomGrid::FixedCols, &TCustomGrid::SetFixedCols);
    Prop("FixedRows", &TCustomGrid::FixedRows, &TCustomGrid::SetFixedRows);
    Prop("DefaultColWidth", &TCustomGrid::DefaultColWidth, &TCustomGrid::SetDefaultColWidth);
    Prop("DefaultRowHeight", &TCustomGrid::DefaultRowHeight, &TCustomGrid::SetDefaultRowHeight);
    Prop("DefaultDrawing", &TCustomGrid::DefaultDrawing, &TCustomGrid::SetDefaultDrawing);
    Prop("FixedColor", &TCustomGrid::FixedColor, &TCustomGrid::SetFixedColor);
    Prop("GridLineWidth", &TCustomGrid::GridLineWidth, &TCustomGrid::SetGridLineWidth);
    Prop("Options", &TCustomGrid::Options, &TCustomGrid::SetOptions);
    Prop("ScrollBars", &TCustomGrid::ScrollBars, &TCustomGrid::SetScrollBars);
    EventProp("OnMouseWheelDown", &TCustomGrid::OnMouseWheelDown);
    EventProp("OnMouseWheelUp", &TCustomGrid::OnMouseWheelUp);
}
