#pragma once
// Controls that choose: TCheckBox, TRadioButton, TComboBox and TListBox.
//
// The class library's rules for events, which the windows rely on:
//   TCheckBox     any change of State, by the user or in code, fires OnClick.
//   TRadioButton  becoming checked (user or code) unchecks the other radio
//                 buttons of the same parent and fires OnClick; becoming
//                 unchecked fires nothing.
//   TComboBox     the user picking an item fires OnClick then OnChange; the
//                 user typing fires OnChange; ItemIndex and Text set in code
//                 fire nothing (Text selects the item equal to it, ignoring
//                 case, or none).
//   TListBox      the user selecting fires OnClick; ItemIndex set in code
//                 fires nothing.

#include <cstdint>
#include <memory>

#include "platform/rtl/StringList.h"
#include "platform/ui/Controls.h"

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
const TEnumType& EnumTypeInfo(TCheckBoxState);

class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* AOwner);
    ~TCheckBox() override;

    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return FState; }
    void SetState(TCheckBoxState Value);
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
    // taRightJustify: box on the left, caption on its right (the default).
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    // The user's click: unchecked -> checked -> (grayed when allowed) -> unchecked.
    void Toggle();
    void TextChanged() override;
    bool ClicksOnMouseUp() const override { return false; }

private:
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
    TAlignment FAlignment = taRightJustify;
};

class TRadioButton : public TWinControl {
public:
    explicit TRadioButton(TComponent* AOwner);
    ~TRadioButton() override;

    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void TextChanged() override;
    bool ClicksOnMouseUp() const override { return false; }

private:
    bool FChecked = false;
    TAlignment FAlignment = taRightJustify;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
const TEnumType& EnumTypeInfo(TComboBoxStyle);

class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* AOwner);
    ~TComboBox() override;

    // Drop-down (csDropDown, csSimple) takes typed text; a drop-down list
    // (csDropDownList and the owner-drawn styles) shows only its items.
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle Value);
    // The items; changing them keeps the chosen item where it still exists.
    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* Value);
    // -1 for none. Out of range raises nothing and selects nothing.
    Integer ItemIndex() const;
    void SetItemIndex(Integer Value);
    AnsiString Text() const override;
    void SetText(const AnsiString& Value) override;
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    Integer DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(Integer Value);
    // 0 = no limit; for drop-down styles only.
    Integer MaxLength() const { return FMaxLength; }
    void SetMaxLength(Integer Value);
    bool DroppedDown() const;
    void SetDroppedDown(bool Value);
    void Clear();
    void SelectAll();

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    virtual void Change();
    virtual void Select();
    void DropDown();
    bool ClicksOnMouseUp() const override { return false; }
    bool WantsKey(Word Key) const override;

private:
    friend struct TComboAccess;
    void ApplyStyle();

    std::unique_ptr<TStrings> FItems;
    TComboBoxStyle FStyle = csDropDown;
    bool FSorted = false;
    Integer FDropDownCount = 8;
    Integer FMaxLength = 0;
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
const TEnumType& EnumTypeInfo(TListBoxStyle);

enum TOwnerDrawStateFlag { odSelected, odGrayed, odDisabled, odChecked, odFocused };
using TOwnerDrawState = TSet<TOwnerDrawStateFlag>;

using TDrawItemEvent =
    std::function<void(TWinControl* Control, Integer Index, const TRect& Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, Integer Index, Integer& Height)>;

class TBitmap;
struct TListBoxImpl;

// A list box. With an owner-draw Style the program draws the items: the
// list asks DrawItem for each visible item on Canvas (a bitmap of the
// control's size, clipped to the item), in control coordinates. Items keep
// a pointer-sized datum each (what Items' objects hold); the four item
// operations a descendant may replace (GetItemData, SetItemData,
// ResetContent, DeleteString) are the only ways Items reaches them.
class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* AOwner);
    ~TListBox() override;

    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* Value);
    // The item with the focus (the selected one in a single-select list).
    Integer ItemIndex() const;
    void SetItemIndex(Integer Value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    bool ExtendedSelect() const { return FExtendedSelect; }
    void SetExtendedSelect(bool Value);
    // Raises EListError for an index out of range.
    bool Selected(Integer Index) const;
    void SetSelected(Integer Index, bool Value);
    Integer SelCount() const;
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    Integer TopIndex() const;
    void SetTopIndex(Integer Value);
    // Standard style: the height the toolkit gives an item; owner-drawn:
    // the height set (only positive values are taken).
    Integer ItemHeight() const;
    void SetItemHeight(Integer Value);
    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle Value);
    // The item under a point of the client area, -1 when none.
    Integer ItemAtPos(const TPoint& Pos, bool Existing = true) const;
    TRect ItemRect(Integer Index) const;
    void Clear();
    // What DrawItem draws on; outside drawing it draws nowhere visible.
    TCanvas* Canvas();

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    bool ClicksOnMouseUp() const override { return false; }
    // A button press sent to the list itself (not to its item area) picks
    // the item under it, as the list's own window would.
    void WndProc(TMessage& Message) override;

    // A descendant with a strings class of its own installs it here, from
    // its constructor.
    void ReplaceItems(std::unique_ptr<TStrings> Value);

    // Owner drawing of one item: prepares Canvas (the control's font and
    // colour, the highlight colours for a selected item), calls DrawItem
    // and frames a focused item; an index below 0 only fills the rectangle.
    virtual void DrawItemNotify(Integer Index, const TRect& Rect, TOwnerDrawState State);
    // OnDrawItem, or the rectangle filled and the text 2 pixels in.
    virtual void DrawItem(Integer Index, const TRect& Rect, TOwnerDrawState State);
    // lbOwnerDrawVariable: asked once for each item added.
    virtual void MeasureItem(Integer Index, Integer& Height);

    virtual std::intptr_t GetItemData(Integer Index) const;
    virtual void SetItemData(Integer Index, std::intptr_t Data);
    virtual void ResetContent();
    virtual void DeleteString(Integer Index);

    // The list window's own item operations, under the four above. Reads
    // and writes with an index out of range do nothing and answer -1
    // (text: raise EListError).
    Integer ListCount() const;
    AnsiString ListText(Integer Index) const;
    void ListSetText(Integer Index, const AnsiString& S);
    // Adds at the sorted place of a Sorted list, else at the end; answers
    // the index.
    Integer ListAddString(const AnsiString& S);
    // -1 appends; an index past the end is refused (-1).
    Integer ListInsertString(Integer Index, const AnsiString& S);
    void ListDeleteString(Integer Index);
    void ListResetContent();
    std::intptr_t ListItemData(Integer Index) const;
    void ListSetItemData(Integer Index, std::intptr_t Data);
    // The toolkit's own rectangle of an existing item (empty otherwise).
    TRect ListItemRect(Integer Index) const;
    // The area the items are shown in, inside the border.
    TRect ListClientRect() const;

    // Width of the scrollable area (0: the client width).
    Integer HorizontalExtent() const { return FHorizontalExtent; }
    void SetHorizontalExtent(Integer Value);
    void ScrollToLeftEdge();
    // Items in columns of this width, filled top to bottom; 0: one column.
    void SetColumnLayout(Integer ColumnWidth);
    Integer ColumnLayout() const { return FColumnWidth; }
    void SetBorderVisible(bool Value);
    // Stops and restarts repainting (around a bulk change of the items).
    void SetRedraw(bool Value);

private:
    friend struct TListBoxAccess;
    void ApplySelectionMode();
    void ApplyItemSizes();
    void ApplyItemSize(Integer Index);
    void PaintOwnerDrawn(void* Painter);

    std::unique_ptr<TStrings> FItems;
    std::unique_ptr<TListBoxImpl> FListImpl;
    bool FMultiSelect = false;
    bool FExtendedSelect = true;
    bool FSorted = false;
    int FUpdatingSelection = 0;
    TListBoxStyle FStyle = lbStandard;
    Integer FItemHeight = 16;
    Integer FHorizontalExtent = 0;
    Integer FColumnWidth = 0;
};
