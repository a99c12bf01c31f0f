#pragma once
// TDBGrid: a grid over the records of a data set. Each grid column is a
// TColumn bound to a field; a title row and an indicator column may lead.
//
// The grid holds only the rows it shows: its data link's buffer is the
// visible data rows, so opening, scrolling and painting cost the same over
// a thousand records or a million. Data row r (0-based below the titles) is
// record r of the link's window; moving to another row moves the data set.
//
// Columns are either default ones, rebuilt from the data set's fields each
// time its layout changes, or persistent ones (Columns->Add() switches to
// those), kept by FieldName until the program changes them.
//
// Editing in place: typing or F2 opens the editor on the current cell; its
// text is written into the field when the row is left (the data set posts
// then), when the column changes or on Return; Escape cancels the record's
// changes.

#include <memory>
#include <vector>

#include "platform/db/DataSource.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Collection.h"
#include "platform/ui/Grids.h"

class TDBGrid;
class TDBGridColumns;
class TColumn;

enum TColumnValue { cvColor, cvWidth, cvFont, cvAlignment, cvReadOnly, cvTitleColor, cvTitleCaption,
                    cvTitleAlignment, cvTitleFont };
using TColumnValues = TSet<TColumnValue>;

// The title cell of one column. Values never assigned follow the grid (font,
// colour) and the field (caption).
class TColumnTitle : public TPersistent {
public:
    explicit TColumnTitle(TColumn* AColumn);
    ~TColumnTitle() override;

    TColumn* Column() const { return FColumn; }
    AnsiString Caption() const;
    void SetCaption(const AnsiString& Value);
    TColor Color() const;
    void SetColor(TColor Value);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment Value);
    TFont* Font() const;
    void SetFont(TFont* Value);
    void RestoreDefaults();
    AnsiString DefaultCaption() const;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    friend class TColumn;
    void RefreshDefaultFont() const;
    TColumn* FColumn;
    AnsiString FCaption;
    TColor FColor = clBtnFace;
    TAlignment FAlignment = taLeftJustify;
    std::unique_ptr<TFont> FFont;
    mutable bool FLoadingFont = false;
};

class TColumn : public TCollectionItem {
public:
    explicit TColumn(TCollection* ACollection);
    ~TColumn() override;

    TDBGrid* Grid() const;
    const AnsiString& FieldName() const { return FFieldName; }
    void SetFieldName(const AnsiString& Value);
    // The data set's field of that name; nullptr while the grid has no data.
    TField* Field() const;
    void SetField(TField* Value);
    TColumnTitle* Title() const { return FTitle.get(); }
    TFont* Font() const;
    void SetFont(TFont* Value);
    TColor Color() const;
    void SetColor(TColor Value);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment Value);
    Integer Width() const;
    void SetWidth(Integer Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    bool ReadOnly() const;
    void SetReadOnly(bool Value);
    bool Expanded() const { return FExpanded; }
    void SetExpanded(bool Value);
    TColumnValues AssignedValues() const { return FAssignedValues; }
    // The field's display width in the column's font, at least the title's.
    Integer DefaultWidth() const;
    TColor DefaultColor() const;
    void RestoreDefaults();
    AnsiString DisplayName() const override;

    static const TClassInfo& StaticClassInfo();

protected:
    // A value that decides how the grid looks changed.
    void ColumnChanged();

private:
    friend class TColumnTitle;
    friend class TDBGrid;
    friend class TDBGridColumns;
    void RefreshDefaultFont() const;

    AnsiString FFieldName;
    mutable TField* FField = nullptr;
    std::unique_ptr<TColumnTitle> FTitle;
    std::unique_ptr<TFont> FFont;
    TColor FColor = clWindow;
    TAlignment FAlignment = taLeftJustify;
    Integer FWidth = 64;
    bool FVisible = true;
    bool FReadOnly = false;
    bool FExpanded = true;
    TColumnValues FAssignedValues;
    mutable bool FLoadingFont = false;
};

enum TDBGridColumnsState { csDefault, csCustomized };

class TDBGridColumns : public TCollection {
public:
    TDBGridColumns(TDBGrid* AGrid, TCollectionItemFactory ColumnClass);
    TDBGrid* Grid() const { return FGrid; }
    TColumn* Items(int Index) const { return static_cast<TColumn*>(TCollection::Items(Index)); }
    TColumn* operator[](int Index) const { return Items(Index); }
    // Adding a column to default columns makes the columns persistent.
    TColumn* Add();
    TDBGridColumnsState State() const { return FState; }
    void SetState(TDBGridColumnsState Value);
    // Default columns again, from the data set's fields.
    void RebuildColumns();
    void RestoreDefaults();

protected:
    void Update(TCollectionItem* Item) override;

private:
    friend class TDBGrid;
    TDBGrid* FGrid;
    TDBGridColumnsState FState = csDefault;
};

// The bookmarks of the selected records, kept in the data set's order.
class TBookmarkList {
public:
    explicit TBookmarkList(TDBGrid* AGrid) : FGrid(AGrid) {}

    int Count() const { return static_cast<int>(FList.size()); }
    const TBookmark& Items(int Index) const;
    bool CurrentRowSelected() const;
    void SetCurrentRowSelected(bool Value);
    void Clear();
    // Deletes every selected record, then clears the list.
    void Delete();
    // True when found; Index is its place or where it would go.
    bool Find(const TBookmark& Item, int& Index) const;
    int IndexOf(const TBookmark& Item) const;
    // Drops bookmarks whose records are gone; true when any was dropped.
    bool Refresh();

private:
    friend class TDBGrid;
    TDataSet* DataSet() const;
    void LinkActive(bool Value);
    TDBGrid* FGrid;
    std::vector<TBookmark> FList;
};

enum TDBGridOption { dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize, dgColLines,
                     dgRowLines, dgTabs, dgRowSelect, dgAlwaysShowSelection, dgConfirmDelete,
                     dgCancelOnExit, dgMultiSelect };
using TDBGridOptions = TSet<TDBGridOption>;
const TEnumType& EnumTypeInfo(TDBGridOption);

using TDrawColumnCellEvent =
    std::function<void(TObject* Sender, const TRect& Rect, Integer DataCol, TColumn* Column, TGridDrawState State)>;
using TDrawDataCellEvent = std::function<void(TObject* Sender, const TRect& Rect, TField* Field, TGridDrawState State)>;
using TDBGridClickEvent = std::function<void(TColumn* Column)>;
using TMovedEvent = std::function<void(TObject* Sender, Integer FromIndex, Integer ToIndex)>;

class TGridDataLink;

class TDBGrid : public TCustomGrid {
public:
    explicit TDBGrid(TComponent* AOwner);
    // A grid whose columns are of a class of its own.
    TDBGrid(TComponent* AOwner, TCollectionItemFactory ColumnClass);
    ~TDBGrid() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* Value);
    TDBGridColumns* Columns() const { return FColumns.get(); }
    void SetColumns(TDBGridColumns* Value);
    TDBGridOptions Options() const { return FDBOptions; }
    void SetOptions(TDBGridOptions Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    TFont* TitleFont() const { return FTitleFont.get(); }
    void SetTitleFont(TFont* Value);
    TBookmarkList* SelectedRows() const { return FBookmarks.get(); }
    // The field of the current column (nullptr without data).
    TField* SelectedField() const;
    void SetSelectedField(TField* Value);
    // Index of the current column among Columns.
    Integer SelectedIndex() const;
    void SetSelectedIndex(Integer Value);
    Integer FieldCount() const;
    TField* Fields(Integer Index) const;

    // Changes made between the two are laid out once at the end.
    void BeginLayout();
    void EndLayout();

    void DefaultDrawColumnCell(const TRect& Rect, Integer DataCol, TColumn* Column, TGridDrawState State);
    void DefaultDrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State);
    // Re-reads the data set's window (after a change made past the links).
    void DataChanged();

    TDrawColumnCellEvent OnDrawColumnCell;
    TDrawDataCellEvent OnDrawDataCell;
    TDBGridClickEvent OnCellClick;
    TDBGridClickEvent OnTitleClick;
    TNotifyEvent OnColEnter;
    TNotifyEvent OnColExit;
    TMovedEvent OnColumnMoved;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    friend class TGridDataLink;
    friend class TDBGridColumns;
    friend class TColumn;
    friend class TBookmarkList;

    TGridDataLink* DataLink() const { return FDataLink.get(); }
    Integer TitleOffset() const { return FDBOptions.Contains(dgTitles) ? 1 : 0; }
    Integer IndicatorOffset() const { return FDBOptions.Contains(dgIndicator) ? 1 : 0; }
    // Grid column <-> index in Columns.
    Integer RawToDataColumn(Integer ACol) const { return ACol - IndicatorOffset(); }
    Integer DataToRawColumn(Integer ACol) const { return ACol + IndicatorOffset(); }
    TColumn* ColumnAt(Integer ACol) const;
    // Data columns that stay in place left of the scrolling ones.
    virtual Integer FixedDataCols() const { return 0; }

    void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) override;
    virtual void DrawTitleCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState);
    virtual void DrawIndicatorCell(Integer ARow, const TRect& ARect);
    virtual void DrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State);
    virtual void DrawColumnCell(const TRect& Rect, Integer DataCol, TColumn* Column, TGridDrawState State);
    virtual bool HighlightCell(Integer DataCol, Integer DataRow, const AnsiString& Value, TGridDrawState AState);
    virtual void CellClick(TColumn* Column);
    virtual void TitleClick(TColumn* Column);
    virtual void ColEnter();
    virtual void ColExit();
    virtual void LayoutChanged();
    virtual void LinkActive(bool Value);
    virtual void Scroll(Integer Distance);
    virtual void EditingChanged();
    virtual void RecordChanged(TField* Field);
    virtual void UpdateData();
    // Takes the focus when it can; false when the grid may not act now.
    bool AcquireFocus();
    // The record under the mouse moved; false when the data set stayed.
    void MoveToDataRow(Integer DataRow);

    bool SelectCell(Integer ACol, Integer ARow) override;
    void CurrentCellChanged(const TGridCoord& Old) override;
    void ColumnMoved(Integer FromIndex, Integer ToIndex) override;
    void ColWidthsChanged() override;
    void GetVertScrollInfo(Integer& Min, Integer& Max, Integer& Page, Integer& Pos) override;
    void ScrollMessage(bool Vertical, int Code, int Pos) override;
    void ScrollBarsChanged() override;
    bool CanEditShow() const override;
    bool CanEditModify() override;
    AnsiString GetEditText(Integer ACol, Integer ARow) override;
    void SetEditText(Integer ACol, Integer ARow, const AnsiString& Value) override;
    Integer GetEditLimit() override;
    // OnKeyDown, then DataKeyDown.
    void KeyDown(Word& Key, TShiftState Shift) override;
    // What a key does to the data set and the current cell.
    virtual void DataKeyDown(Word& Key, TShiftState Shift);
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void DoExit() override;
    void Resize() override;
    void FontChanged() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Row heights and the link's buffer follow the client height.
    void UpdateRowCount();
    // The current row follows the data set's active record.
    void UpdateActive();
    // Applies the columns' widths, visibility and the fixed counts.
    void SetColumnAttributes();
    Integer DataRowHeight() const;
    Integer TitleRowHeight() const;
    // Overrides for subclasses that size rows themselves (0: the default).
    Integer FRowsHeightOverride = 0;

    Integer FTitlePressCol = -1;
    Integer FCellPressCol = -1;
    Integer FCellPressRow = -1;

private:
    void ApplyOptions();

    std::unique_ptr<TGridDataLink> FDataLink;
    std::unique_ptr<TDBGridColumns> FColumns;
    std::unique_ptr<TFont> FTitleFont;
    std::unique_ptr<TBookmarkList> FBookmarks;
    TDBGridOptions FDBOptions{dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
                              dgConfirmDelete, dgCancelOnExit};
    bool FReadOnly = false;
    Integer FLayoutLock = 0;
    bool FInLayout = false;
    bool FInUpdateActive = false;
    bool FUpdatingRows = false;
    bool FUpdatingWidths = false;
    bool FEditModified = false;
    AnsiString FEditText;
};

// The grid's link to its data source: a window of as many records as the
// grid shows rows.
class TGridDataLink : public TDataLink {
public:
    explicit TGridDataLink(TDBGrid* AGrid) : FGrid(AGrid) {}
    TDBGrid* Grid() const { return FGrid; }
    // Marks the current record as changed by the grid's editor.
    void Modified() { FModified = true; }
    bool IsModified() const { return FModified; }
    void Reset();

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int Distance) override;
    void FocusControl(TField** Field) override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;

private:
    TDBGrid* FGrid;
    bool FModified = false;
};
