#pragma once
// Lookup lists: the records of a lookup data set shown as rows (one or more
// display fields a row), one of them selected by its key value, found by
// typed text, and, when the list is bound to a field of another data set,
// the selected key written into that field.
//
//   TVmLookupControl   the links, fields, value and search state
//   TVmDBLookupList    the visible, data-aware list
//   TVmPopupDataList   the same list dropped down as a window of its own
//   TPopupDataWindow   the popup of the lookup editor (TVmLookupEdit)
//   TVmLookupEdit      an edit whose drop-down list completes what is typed
//
// The value is the key field's text of the selected record, or EmptyValue
// when none is selected; the display value is that record's display text.
// A text is matched against the data set only when it differs from
// EmptyValue: exactly or by prefix, ignoring case unless IgnoreCase is off,
// first match in the data set's order; a failing lookup counts as no match.

#include <functional>
#include <memory>
#include <vector>

#include "components/ToolEdit.h"
#include "platform/db/DataSource.h"
#include "platform/db/Fields.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/RangeCtrls.h"

class TGraphic;
class TLocateObject;
class TVmLookupControl;
class TVmLookupEdit;

enum TLookupListStyle { lsFixed, lsDelimited };
const TEnumType& EnumTypeInfo(TLookupListStyle);

using TGetImageEvent =
    std::function<void(TObject* Sender, bool IsEmpty, TGraphic*& Graphic, Integer& TextMargin)>;

// Milliseconds from any fixed start; the incremental search of stand-alone
// lists asks it (tests install their own; nullptr restores the real one).
using TSearchClock = std::function<Int64()>;
void SetLookupSearchClock(TSearchClock Clock);

// The edited data set's link: a change of the bound field re-locates the list.
class TDataSourceLink : public TDataLink {
public:
    explicit TDataSourceLink(TVmLookupControl* Control) : FControl(Control) {}

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void FocusControl(TField** Field) override;

private:
    TVmLookupControl* FControl;
};

// The lookup data set's link: its window holds the rows the list shows.
class TLookupSourceLink : public TDataLink {
public:
    explicit TLookupSourceLink(TVmLookupControl* Control) : FControl(Control) {}

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void DataSetChanged() override;

private:
    TVmLookupControl* FControl;
};

class TVmLookupControl : public TCustomControl {
public:
    explicit TVmLookupControl(TComponent* AOwner);
    ~TVmLookupControl() override;

    // The edited field. A data source equal to the lookup source (or over
    // the same data set) raises "Circular datalinks are not allowed".
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    const AnsiString& DataField() const { return FDataFieldName; }
    void SetDataField(const AnsiString& Value);
    // Not empty: a first row showing it stands for EmptyValue.
    const AnsiString& DisplayEmpty() const { return FDisplayEmpty; }
    void SetDisplayEmpty(const AnsiString& Value);
    TColor EmptyItemColor() const { return FEmptyItemColor; }
    void SetEmptyItemColor(TColor Value);
    const AnsiString& EmptyValue() const { return FEmptyValue; }
    void SetEmptyValue(const AnsiString& Value);
    char FieldsDelimiter() const { return FFieldsDelimiter; }
    virtual void SetFieldsDelimiter(char Value);
    bool IgnoreCase() const { return FIgnoreCase; }
    void SetIgnoreCase(bool Value) { FIgnoreCase = Value; }
    bool IndexSwitch() const { return FIndexSwitch; }
    void SetIndexSwitch(bool Value) { FIndexSwitch = Value; }
    TLookupListStyle ListStyle() const { return FListStyle; }
    virtual void SetListStyle(TLookupListStyle Value);
    // Field names separated by ";".
    const AnsiString& LookupDisplay() const { return FLookupDisplay; }
    void SetLookupDisplay(const AnsiString& Value);
    Integer LookupDisplayIndex() const { return FLookupDisplayIndex; }
    void SetLookupDisplayIndex(Integer Value);
    // Bound to a lookup field these come from its definition: they read as
    // empty and nil and may not be written ("Property already defined by
    // lookup field").
    AnsiString LookupField() const;
    void SetLookupField(const AnsiString& Value);
    TDataSource* LookupSource() const;
    void SetLookupSource(TDataSource* Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }

    // The key text of the selected record, or EmptyValue.
    const AnsiString& Value() const { return FValue; }
    void SetValue(const AnsiString& Value);
    // The display text of the selected record, or empty.
    const AnsiString& DisplayValue() const { return FDisplayValue; }
    void SetDisplayValue(const AnsiString& Value);
    const AnsiString& SearchText() const { return FSearchText; }
    bool ListActive() const { return FListActive; }
    TField* Field() const { return FDataField; }
    TField* KeyField() const { return FKeyField; }
    TField* DisplayField() const { return FDisplayField; }
    const std::vector<TField*>& DisplayFields() const { return FDisplayFields; }
    TDataSet* LookupDataSet() const { return FLookupLink->DataSet(); }

    TGetImageEvent OnGetImage;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    friend class TDataSourceLink;
    friend class TLookupSourceLink;

    virtual void KeyValueChanged() {}
    virtual void DisplayValueChanged() {}
    virtual void ListLinkActiveChanged();
    virtual void ListLinkDataChanged() {}
    // OnGetImage: a picture for a row and the room its text leaves for it.
    virtual TGraphic* GetPicture(bool Current, bool Empty, Integer& TextMargin);
    virtual void DisplayEmptyChanged() {}
    // The bound field takes EmptyValue (cleared when that is empty); the
    // list shows the empty row.
    virtual void SelectEmpty();

    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Active, not read-only, and the bound field (if any) can be modified.
    bool CanModify() const;
    bool EmptyRowVisible() const { return !FDisplayEmpty.empty(); }
    bool ValueIsEmpty(const AnsiString& S) const { return S == FEmptyValue; }
    // Finds the text in the field (exactly or by prefix): the record found
    // becomes the data set's current one.
    bool Locate(TField* AField, const AnsiString& Text, bool Exact);
    // The value's record by its key.
    bool LocateKey();
    // The key of the record found or moved to becomes the value (or the
    // bound field's), the display value follows; repaint and click.
    void SelectKeyValue(const AnsiString& AValue);
    void SelectCurrent();
    // A typed character of the incremental search (Backspace takes one back).
    void ProcessSearchKey(char Key);
    void ClearSearchText() { FSearchText.clear(); }
    // Stores the display value and runs DisplayValueChanged even when it is
    // the same text (the list may have moved since).
    void ForceDisplayValue(const AnsiString& Value);
    TLookupSourceLink* LookupLink() const { return FLookupLink.get(); }
    // The display text of the data set's current record.
    AnsiString CurrentDisplayText() const;

    bool FPopup = false;
    bool FLockPosition = false;
    bool FSelectEmpty = false;

private:
    void DataLinkActiveChanged();
    void DataLinkRecordChanged(TField* AField);
    void CheckNotCircular(TDataSource* Data, TDataSource* Lookup) const;
    void CheckNotLookupMode() const;
    void ValueFromField();

    std::unique_ptr<TDataSourceLink> FDataLink;
    std::unique_ptr<TLookupSourceLink> FLookupLink;
    std::unique_ptr<TDataSource> FLookupFieldSource;
    TDataSource* FLookupSource = nullptr;
    AnsiString FDataFieldName;
    TField* FDataField = nullptr;
    TField* FMasterField = nullptr;
    AnsiString FLookupFieldName;
    TField* FKeyField = nullptr;
    AnsiString FLookupDisplay;
    Integer FLookupDisplayIndex = 0;
    std::vector<TField*> FDisplayFields;
    TField* FDisplayField = nullptr;
    AnsiString FDisplayEmpty;
    TColor FEmptyItemColor = clWindow;
    AnsiString FEmptyValue;
    char FFieldsDelimiter = ',';
    bool FIgnoreCase = true;
    bool FIndexSwitch = true;
    TLookupListStyle FListStyle = lsFixed;
    bool FReadOnly = false;
    AnsiString FValue;
    AnsiString FDisplayValue;
    AnsiString FSearchText;
    std::unique_ptr<TLocateObject> FLocate;
    bool FListActive = false;
    bool FLookupMode = false;
};

class TVmDBLookupList : public TVmLookupControl {
public:
    explicit TVmDBLookupList(TComponent* AOwner);
    ~TVmDBLookupList() override;

    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    // At least the font's text height.
    Integer ItemHeight() const;
    void SetItemHeight(Integer Value);
    Integer RowCount() const { return FRowCount; }
    // 1..50; the height follows.
    void SetRowCount(Integer Value);
    // The width that shows every display field whole.
    Integer NaturalWidth();
    bool IsItemHeightStored() const;
    bool IsEmptyValueStored() const { return !EmptyValue().empty(); }
    void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
    // Only a double click on the selected row fires OnDblClick.
    void DblClick() override {}

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void KeyValueChanged() override;
    void DisplayValueChanged() override;
    void ListLinkActiveChanged() override;
    void ListLinkDataChanged() override;
    void DisplayEmptyChanged() override;
    void SelectEmpty() override;
    // One row's text: columns of the display fields (lsFixed) or their
    // texts joined by the delimiter (lsDelimited).
    virtual void DrawItemText(const TRect& Rect, bool Selected, bool IsEmpty);

    void Paint() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void WndProc(TMessage& Message) override;
    void FontChanged() override;
    void Resize() override;
    bool WantsKey(Word Key) const override;

    // Frame pixels around the rows (top and bottom together).
    Integer FrameHeight() const;
    TRect RowsRect() const;
    // The row under a y (limited to the rows), the empty row counting as 0.
    Integer RowAt(Integer Y) const;
    void SelectRow(Integer Row);
    void UpdateBufferCount();
    void UpdateScrollBar();
    void StopTracking();
    // Height back to the frame and whole rows.
    void SnapHeight();

private:
    void ListScroll(TObject* Sender, TScrollCode Code, Integer& Pos);
    void TrackTimer();
    void KeyMove(Integer Delta);
    Integer BufferedRows() const { return FRowCount - (EmptyRowVisible() ? 1 : 0); }

    TBorderStyle FBorderStyle = bsSingle;
    Integer FItemHeight = 0;
    Integer FRowCount = 7;
    bool FTracking = false;
    TPoint FMousePos;
    std::unique_ptr<TTimer> FTimer;
    TScrollBar* FScrollBar = nullptr;
};

class TVmPopupDataList : public TVmDBLookupList {
public:
    explicit TVmPopupDataList(TComponent* AOwner);
    ~TVmPopupDataList() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

class TPopupDataWindow : public TVmPopupDataList {
public:
    explicit TPopupDataWindow(TVmLookupEdit* AEditor);
    ~TPopupDataWindow() override;

    // Tells the editor to close it, taking its value or not.
    virtual void CloseUp(bool Accept);
    void Click() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    friend class TVmLookupEdit;
    void DisplayValueChanged() override;
    TGraphic* GetPicture(bool Current, bool Empty, Integer& TextMargin) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    TVmLookupEdit* FEditor;
};

// An edit with a drop-down list of the lookup data set's records: what ends
// up in the edit is the display field's text of the record chosen. While
// the list is open, typing completes the text from the first record whose
// display text begins with what was typed, and the arrow and page keys move
// through the records (Up and Down do so with the list closed as well).
class TVmLookupEdit : public TCustomComboEdit {
public:
    explicit TVmLookupEdit(TComponent* AOwner);
    ~TVmLookupEdit() override;

    // Rows shown by the list: 1..50.
    Integer DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(Integer Value);
    // 0: the edit's width; negative: the larger of that and the list's
    // natural width; positive: that width.
    Integer DropDownWidth() const { return FDropDownWidth; }
    void SetDropDownWidth(Integer Value) { FDropDownWidth = Value; }
    TLookupListStyle ListStyle() const { return FList->ListStyle(); }
    void SetListStyle(TLookupListStyle Value) { FList->SetListStyle(Value); }
    char FieldsDelimiter() const { return FList->FieldsDelimiter(); }
    void SetFieldsDelimiter(char Value) { FList->SetFieldsDelimiter(Value); }
    const AnsiString& LookupDisplay() const { return FList->LookupDisplay(); }
    void SetLookupDisplay(const AnsiString& Value) { FList->SetLookupDisplay(Value); }
    Integer LookupDisplayIndex() const { return FList->LookupDisplayIndex(); }
    void SetLookupDisplayIndex(Integer Value) { FList->SetLookupDisplayIndex(Value); }
    AnsiString LookupField() const { return FList->LookupField(); }
    void SetLookupField(const AnsiString& Value) { FList->SetLookupField(Value); }
    TDataSource* LookupSource() const { return FList->LookupSource(); }
    void SetLookupSource(TDataSource* Value) { FList->SetLookupSource(Value); }
    // Completion of typed text only while the list is shown.
    bool PopupOnlyLocate() const { return FPopupOnlyLocate; }
    void SetPopupOnlyLocate(bool Value) { FPopupOnlyLocate = Value; }
    TPopupDataWindow* List() const { return FList; }

    TNotifyEvent OnCloseUp;
    TNotifyEvent OnDropDown;
    // The list's pictures; the edit is the Sender.
    TGetImageEvent OnGetImage;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    friend class TPopupDataWindow;

    void PopupDropDown(bool DisableEdit) override;
    void SetPopupValue(const Variant& Value) override;
    Variant GetPopupValue() override;
    bool AcceptPopup(const Variant& Value) override;
    // Completes the typed text from the list.
    void PopupChange() override;
    void Change() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    // The list selected a record: its display text goes into the edit.
    void ListClicked();

private:
    TPopupDataWindow* FList = nullptr;
    Integer FDropDownCount = 8;
    Integer FDropDownWidth = 0;
    bool FPopupOnlyLocate = true;
    bool FChanging = false;
    bool FKeepSelection = false;
};
