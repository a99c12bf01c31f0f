#pragma once
// TCheckVmDBGrid: a TVmDBGrid whose columns may be check columns. A check
// column shows a check box bound to its field and toggles it on a click or
// Space: the client's recipient list, queue grids and history grid tick
// their "Vybrany" column this way.
//
// A cell is drawn ticked exactly when the value is true (a Boolean field) or
// its text is one of the ValueChecked alternatives, ignoring case; a toggle
// writes the first ValueUnchecked alternative over a ticked value and the
// first ValueChecked alternative over anything else, and posts.

#include "components/VmDBCtrl.h"

class TCheckColumn : public TColumn {
public:
    explicit TCheckColumn(TCollection* ACollection);

    bool Check() const { return FCheck; }
    void SetCheck(bool Value);
    // Alternatives separated by ";".
    const AnsiString& ValueChecked() const { return FValueChecked; }
    void SetValueChecked(const AnsiString& Value);
    const AnsiString& ValueUnchecked() const { return FValueUnchecked; }
    void SetValueUnchecked(const AnsiString& Value);

    // Whether the field's current value counts as ticked.
    bool IsChecked() const;

    static const TClassInfo& StaticClassInfo();

private:
    bool FCheck = false;
    AnsiString FValueChecked = "T";
    AnsiString FValueUnchecked = "F";
};

class TCheckVmDBGrid : public TVmDBGrid {
public:
    explicit TCheckVmDBGrid(TComponent* AOwner);

    TCheckColumn* CheckColumn(Integer Index) const;
    bool AllowAppend() const { return FAllowAppend; }
    void SetAllowAppend(bool Value) { FAllowAppend = Value; }
    // Toggles the current record's value of the current column when it is a
    // check column that may be changed; false when nothing was toggled.
    bool ToggleCurrentCheck();

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) override;
    void CellClick(TColumn* Column) override;
    void ColEnter() override;
    void ColExit() override;
    void DoEnter() override;
    void KeyPress(char& Key) override;
    void DataKeyDown(Word& Key, TShiftState Shift) override;

private:
    TCheckColumn* CurrentCheckColumn() const;

    bool FAllowAppend = false;
    bool FEditingWasOn = false;
    bool FInCheckColumn = false;
};
