#pragma once
// TVmDBGrid: the data grid of every list of the client. On top of TDBGrid:
// title cells that act as push buttons (the windows sort on a title click
// and show a sort marker), glyphs for blob fields, selecting several rows
// with the mouse and Shift+arrows, leading data columns that stay in place,
// one height for all rows, and the column layout kept in the window's
// settings file through its storage.
//
// Layout keys (in the grid's section, the form's class name followed by the
// grid's Name, e.g. [TfMainAdrGrid]):
//   <grid Name>.<FieldName> = <index>,<width>     (AdrGrid.Jmeno=0,200)
// Without columns of its own the grid keeps the data set's field layout
// instead (DBUtils.h).

#include <memory>

#include "components/Placemnt.h"
#include "platform/ui/DBGrids.h"

enum TSortMarker { smNone, smDown, smUp };

using TCheckTitleBtnEvent = std::function<void(TObject* Sender, Integer ACol, TField* Field, bool& Enabled)>;
using TTitleClickEvent = std::function<void(TObject* Sender, Integer ACol, TField* Field)>;
using TGetBtnParamsEvent = std::function<void(TObject* Sender, TField* Field, TFont* AFont, TColor& Background,
                                              TSortMarker& SortMarker, bool IsDown)>;
using TGetCellParamsEvent =
    std::function<void(TObject* Sender, TField* Field, TFont* AFont, TColor& Background, bool Highlight)>;
using TGetCellPropsEvent = std::function<void(TObject* Sender, TField* Field, TFont* AFont, TColor& Background)>;
using TDBEditShowEvent = std::function<void(TObject* Sender, TField* Field, bool& AllowEdit)>;

// The grid's bitmaps, drawn on first use: field glyphs and sort markers.
enum TVmGridGlyph { ggBlob, ggMemo, ggPicture, ggOle, ggObject, ggData, ggNotEmpty, ggSortDown, ggSortUp };
TBitmap* VmGridGlyph(TVmGridGlyph Glyph);

class TVmDBGrid : public TDBGrid {
public:
    explicit TVmDBGrid(TComponent* AOwner);
    ~TVmDBGrid() override;

    TDBGridOptions Options() const { return TDBGrid::Options(); }
    // dgMultiSelect follows MultiSelect and back.
    void SetOptions(TDBGridOptions Value);
    Integer FixedCols() const { return FFixedColsValue; }
    void SetFixedCols(Integer Value);
    bool ClearSelection() const { return FClearSelection; }
    void SetClearSelection(bool Value) { FClearSelection = Value; }
    TFormPlacement* IniStorage() const { return FIniLink->IniObject(); }
    void SetIniStorage(TFormPlacement* Value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    bool ShowGlyphs() const { return FShowGlyphs; }
    void SetShowGlyphs(bool Value);
    bool TitleButtons() const { return FTitleButtons; }
    void SetTitleButtons(bool Value);
    Integer RowsHeight() const { return DataRowHeight(); }
    void SetRowsHeight(Integer Value);

    // The glyph a field is drawn as, or -1 for text.
    int FieldGlyph(TField* Field) const;
    // The column layout in the storage's open settings file.
    void SaveLayout();
    void RestoreLayout();
    // The title column drawn pressed (-1 for none).
    Integer PressedTitleCol() const { return FPressed ? FPressedCol : -1; }

    TCheckTitleBtnEvent OnCheckButton;
    TTitleClickEvent OnTitleBtnClick;
    TGetBtnParamsEvent OnGetBtnParams;
    TGetCellParamsEvent OnGetCellParams;
    TGetCellPropsEvent OnGetCellProps;
    TDBEditShowEvent OnShowEditor;
    TNotifyEvent OnEditChange;
    TNotifyEvent OnTopLeftChanged;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    TVmDBGrid(TComponent* AOwner, TCollectionItemFactory ColumnClass);

    Integer FixedDataCols() const override;
    void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) override;
    void DrawTitleCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) override;
    bool CanEditShow() const override;
    void SetEditText(Integer ACol, Integer ARow, const AnsiString& Value) override;
    void DataKeyDown(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void TopLeftChanged() override;
    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual void TitleBtnClick(Integer ACol, TField* Field);
    // Ends a title press without a click.
    void StopTracking();
    // Draws the data cell's own look: parameters, glyph or text, the event.
    void DrawDataCellFull(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState);

private:
    void Init();
    bool ExtendSelection(Word Key);
    bool TitleCellAt(Integer X, Integer Y, Integer& ACol) const;
    void DeleteRecords();
    AnsiString LayoutSection() const;

    std::unique_ptr<TIniLink> FIniLink;
    Integer FFixedColsValue = 0;
    bool FClearSelection = true;
    bool FMultiSelect = false;
    bool FShowGlyphs = true;
    bool FTitleButtons = false;
    // A title press: its column, whether the mouse is over it (drawn sunken).
    Integer FPressedCol = -1;
    bool FPressed = false;
    bool FTracking = false;
    // A column drag started with the right button.
    bool FSwapButtons = false;
    // The record where Shift+arrows started selecting.
    Integer FAnchorRecNo = 0;
    bool FAnchorSet = false;
};
