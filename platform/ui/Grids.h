#pragma once
// TCustomGrid: rows and columns of cells, some of them fixed (titles and row
// headers that never scroll), with a current cell, a selection, scrolling,
// an in-place editor, and moving and sizing of columns with the mouse.
//
// Every pixel of the grid is drawn by DrawCell and the grid itself on our
// TCanvas, so what it shows is deterministic; the toolkit only provides the
// surface, the two scroll bars and the input.
//
// Coordinates: mouse positions, CellRect and the editor's place are client
// coordinates (inside the border). DrawCell receives the rectangle on the
// canvas, which includes the border: CellRect moved by ClientOffset().
//
// Columns and rows of negative size are hidden: they take no space and no
// grid line, and moving the current cell passes over them.
//
// States of the mouse (FGridState) and the method that leaves each:
//   gsNormal    -> gsSelecting  [MouseDown on a scrolling cell]
//   gsNormal    -> gsColSizing  [MouseDown on a column edge in a fixed row]
//   gsNormal    -> gsColMoving  [MouseDown on a fixed-row cell, goColMoving]
//   gsSelecting / gsColSizing / gsColMoving -> gsNormal  [MouseUp, CancelMode]

#include <memory>
#include <vector>

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TextCtrls.h"

enum TGridOption {
    goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected,
    goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect,
    goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = TSet<TGridOption>;
const TEnumType& EnumTypeInfo(TGridOption);

enum TGridDrawStateFlag { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateFlag>;

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

struct TGridCoord {
    Integer X = 0;
    Integer Y = 0;
    friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

struct TGridRect {
    Integer Left = 0;
    Integer Top = 0;
    Integer Right = 0;
    Integer Bottom = 0;
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

// Scroll messages; WParam is the code in its low word and, for the thumb
// codes, the position in its high word.
constexpr Cardinal WM_HSCROLL = 0x0114;
constexpr Cardinal WM_VSCROLL = 0x0115;
constexpr Cardinal WM_CANCELMODE = 0x001F;
constexpr int SB_LINEUP = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_TOP = 6;
constexpr int SB_BOTTOM = 7;
constexpr int SB_ENDSCROLL = 8;
inline std::intptr_t ScrollWParam(int Code, int Pos = 0) {
    return static_cast<std::intptr_t>((static_cast<Cardinal>(Code) & 0xFFFF) | (static_cast<Cardinal>(Pos) << 16));
}

using TMouseWheelUpDownEvent = std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;

class TCustomGrid;

// The editor shown over the current cell. Keys that move between cells go
// to the grid; its characters reach the grid's OnKeyPress first.
class TInplaceEdit : public TEdit {
public:
    explicit TInplaceEdit(TCustomGrid* AOwner);
    TCustomGrid* Grid() const { return FGrid; }

protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void Change() override;
    bool WantsKey(Word Key) const override;

private:
    friend class TCustomGrid;
    TCustomGrid* FGrid;
    bool FSettingText = false;
};

struct TGridImpl;

class TCustomGrid : public TCustomControl {
public:
    explicit TCustomGrid(TComponent* AOwner);
    ~TCustomGrid() override;

    // Size. Fixed counts are kept below the totals (EInvalidGridOperation
    // "Fixed column count must be less than column count" otherwise).
    Integer ColCount() const { return static_cast<Integer>(FColWidths.size()); }
    void SetColCount(Integer Value);
    Integer RowCount() const { return static_cast<Integer>(FRowHeights.size()); }
    void SetRowCount(Integer Value);
    Integer FixedCols() const { return FFixedCols; }
    void SetFixedCols(Integer Value);
    Integer FixedRows() const { return FFixedRows; }
    void SetFixedRows(Integer Value);
    Integer DefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(Integer Value);
    Integer DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(Integer Value);
    // Raises EListError for an index out of range.
    Integer ColWidths(Integer Index) const;
    void SetColWidths(Integer Index, Integer Value);
    Integer RowHeights(Integer Index) const;
    void SetRowHeights(Integer Index, Integer Value);
    Integer GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(Integer Value);
    Integer GridWidth() const;
    Integer GridHeight() const;

    // Look and behaviour
    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions Value);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value);

    // The current cell and the scrolling position
    Integer Col() const { return FCurrent.X; }
    void SetCol(Integer Value);
    Integer Row() const { return FCurrent.Y; }
    void SetRow(Integer Value);
    Integer LeftCol() const { return FTopLeft.X; }
    void SetLeftCol(Integer Value);
    Integer TopRow() const { return FTopLeft.Y; }
    void SetTopRow(Integer Value);
    // Scrolling cells wholly visible.
    Integer VisibleColCount() const;
    Integer VisibleRowCount() const;
    TGridRect Selection() const;
    void SetSelection(const TGridRect& Value);

    bool EditorMode() const { return FEditorMode; }
    void SetEditorMode(bool Value);
    TInplaceEdit* InplaceEditor() const { return FInplaceEdit; }

    // Client area, border and scroll bars left out.
    Integer ClientWidth() const override;
    Integer ClientHeight() const override;
    TPoint ClientOffset() const override;

    // The cell's rectangle in client coordinates; empty when it is not shown.
    TRect CellRect(Integer ACol, Integer ARow) const;
    // -1, -1 outside every cell.
    void MouseToCell(Integer X, Integer Y, Integer& ACol, Integer& ARow) const;
    TGridCoord MouseCoord(Integer X, Integer Y) const;
    // The whole grid is one buffer painted at once, so these invalidate it all.
    void InvalidateCell(Integer, Integer) { Invalidate(); }
    void InvalidateRow(Integer) { Invalidate(); }
    void InvalidateCol(Integer) { Invalidate(); }
    void InvalidateGrid() { Invalidate(); }
    // Moves a column (widths travel with it) and calls ColumnMoved.
    void MoveColumn(Integer FromIndex, Integer ToIndex);
    TGridState GridState() const { return FGridState; }

    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    friend class TInplaceEdit;
    friend struct TGridAccess;

    // Draws one cell; the base fills it with the cell's colour and frames
    // the focused cell.
    virtual void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState);
    // May refuse the move of the current cell there.
    virtual bool SelectCell(Integer ACol, Integer ARow);
    virtual void TopLeftChanged();
    virtual void SizeChanged(Integer OldColCount, Integer OldRowCount);
    virtual void ColumnMoved(Integer FromIndex, Integer ToIndex);
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual bool CanEditShow() const;
    virtual bool CanEditModify();
    virtual bool CanEditAcceptKey(char Key) const;
    virtual AnsiString GetEditText(Integer ACol, Integer ARow);
    virtual void SetEditText(Integer ACol, Integer ARow, const AnsiString& Value);
    virtual Integer GetEditLimit() { return 0; }
    // A mouse press that may start moving a column here.
    virtual bool BeginColumnDrag(Integer& Origin, Integer& Destination, const TPoint& MousePt);
    virtual bool CheckColumnDrag(Integer& Origin, Integer& Destination, const TPoint& MousePt);
    virtual bool EndColumnDrag(Integer& Origin, Integer& Destination, const TPoint& MousePt);
    // The grid moved its current cell by itself (keys, mouse).
    void FocusCell(Integer ACol, Integer ARow, bool MoveAnchor);
    virtual void MoveColRow(Integer ACol, Integer ARow, bool MoveAnchor, bool Show);
    void ShowEditor();
    void HideEditor();
    void UpdateEditor();
    void InvalidateEditor();
    // Puts the editor's text into the cell (SetEditText) and hides it.
    void HideEdit();
    virtual void DoExit() override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    // The vertical scroll bar: range, page and position it shows.
    virtual void GetVertScrollInfo(Integer& Min, Integer& Max, Integer& Page, Integer& Pos);
    void UpdateScrollBars();
    // A scroll message (WM_VSCROLL, WM_HSCROLL) from a bar or from code.
    virtual void ScrollMessage(bool Vertical, int Code, int Pos);
    // A scroll bar came or went, so the client area changed size.
    virtual void ScrollBarsChanged() {}
    // The current cell moved (Old is where it was).
    virtual void CurrentCellChanged(const TGridCoord& Old) { (void)Old; }
    void CancelMode();
    // The grid or its editor has the focus.
    bool IsActiveControl() const;
    // What the arrow, page, home, end, tab and F2 keys do to the current cell.
    void KeyMove(Word Key, TShiftState Shift);
    // A typed character opens the editor with it (KeyPress after OnKeyPress).
    void EditKeyPress(char& Key);
    // The column whose right edge lies under a point of a fixed row, when
    // columns may be sized.
    bool ColumnEdgeAt(Integer X, Integer Y, Integer& Index) const;

    void Paint() override;
    void WndProc(TMessage& Message) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    void Resize() override;
    bool WantsKey(Word Key) const override;
    void DoEnter() override;

    // The sizes as stored, for subclasses that lay out columns themselves.
    void SetColWidthsQuiet(Integer Index, Integer Value);
    Integer BorderWidth() const { return FBorderStyle == bsSingle ? 2 : 0; }
    bool Updating() const { return FUpdateCount > 0; }
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

    TGridState FGridState = gsNormal;
    Integer FSizingIndex = -1;
    Integer FMoveIndex = -1;
    Integer FMovePos = -1;

private:
    struct TAxis;
    TAxis ColAxis() const;
    TAxis RowAxis() const;
    void ClampPosition();
    Integer ColumnX(Integer ACol) const;
    Integer RowY(Integer ARow) const;
    void MoveCurrent(Integer ACol, Integer ARow, bool MoveAnchor, bool Show);
    void ClampTopLeft(bool KeepCurrentVisible);
    void ModifyScrollBar(bool Vertical, int Code, int Pos);
    void PositionEditor();
    Integer NextVisibleCol(Integer From, Integer Step) const;

    std::unique_ptr<TGridImpl> FGridImpl;
    std::vector<Integer> FColWidths;
    std::vector<Integer> FRowHeights;
    Integer FFixedCols = 1;
    Integer FFixedRows = 1;
    Integer FDefaultColWidth = 64;
    Integer FDefaultRowHeight = 24;
    Integer FGridLineWidth = 1;
    TGridOptions FOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    TColor FFixedColor = clBtnFace;
    TScrollStyle FScrollBars = ssBoth;
    TBorderStyle FBorderStyle = bsSingle;
    bool FDefaultDrawing = true;
    TGridCoord FCurrent{1, 1};
    TGridCoord FAnchor{1, 1};
    TGridCoord FTopLeft{1, 1};
    bool FEditorMode = false;
    TInplaceEdit* FInplaceEdit = nullptr;
    Integer FSizingPos = 0;
    Integer FSizingStart = 0;
    Integer FUpdateCount = 0;
    bool FUpdatingScrollBars = false;
};

VEMLOR_DECLARE_EXCEPTION(EInvalidGridOperation, Exception);
