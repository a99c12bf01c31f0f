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
    Integer ItemHeight() const;
    // The item under a point of the client area, -1 when none.
    Integer ItemAtPos(const TPoint& Pos, bool Existing = true) const;
    TRect ItemRect(Integer Index) const;
    void Clear();

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    bool ClicksOnMouseUp() const override { return false; }
    // A button press sent to the list itself (not to its item area) picks
    // the item under it, as the list's own window would.
    void WndProc(TMessage& Message) override;

private:
    friend struct TListBoxAccess;
    void ApplySelectionMode();

    std::unique_ptr<TStrings> FItems;
    bool FMultiSelect = false;
    bool FExtendedSelect = true;
    bool FSorted = false;
    int FUpdatingSelection = 0;
};
