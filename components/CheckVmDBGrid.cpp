#include "components/CheckVmDBGrid.h"

#include "components/DBUtils.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/DBCtrls.h"
#include "platform/ui/EdgeDraw.h"

// ---------------------------------------------------------------------------
// TCheckColumn

TCheckColumn::TCheckColumn(TCollection* ACollection) : TColumn(ACollection) { RegisterClass<TCheckColumn>(); }

void TCheckColumn::SetCheck(bool Value) {
    if (Value == FCheck) return;
    FCheck = Value;
    ColumnChanged();
}

void TCheckColumn::SetValueChecked(const AnsiString& Value) {
    if (Value == FValueChecked) return;
    FValueChecked = Value;
    ColumnChanged();
}

void TCheckColumn::SetValueUnchecked(const AnsiString& Value) {
    if (Value == FValueUnchecked) return;
    FValueUnchecked = Value;
    ColumnChanged();
}

// The same rule decides what is drawn ticked and what a toggle unticks, so
// a box never shows a state its toggle disagrees with.
bool TCheckColumn::IsChecked() const {
    TField* field = Field();
    if (!field || field->IsNull()) return false;
    if (field->DataType() == ftBoolean) return field->AsBoolean();
    return MatchesAlternative(field->Text(), FValueChecked);
}

// ---------------------------------------------------------------------------
// TCheckVmDBGrid

TCheckVmDBGrid::TCheckVmDBGrid(TComponent* AOwner) : TVmDBGrid(AOwner, CollectionItemClass<TCheckColumn>()) {}

TCheckColumn* TCheckVmDBGrid::CheckColumn(Integer Index) const {
    return dynamic_cast<TCheckColumn*>(Columns()->Items(Index));
}

TCheckColumn* TCheckVmDBGrid::CurrentCheckColumn() const {
    auto* column = dynamic_cast<TCheckColumn*>(ColumnAt(Col()));
    return column && column->Check() ? column : nullptr;
}

bool TCheckVmDBGrid::ToggleCurrentCheck() {
    TCheckColumn* column = CurrentCheckColumn();
    TDataSet* dataSet = DataLink()->Active() ? DataLink()->DataSet() : nullptr;
    if (!column || column->ReadOnly() || ReadOnly() || DataSetHasNoRecords(dataSet)) return false;
    TField* field = column->Field();
    if (!field || !field->CanModify()) return false;
    dataSet->Edit();
    // A value the data set refuses to post is not left half-made in the record.
    auto undo = ScopeFail([dataSet] {
        if (dsEditModes.Contains(dataSet->State())) dataSet->Cancel();
    });
    if (field->DataType() == ftBoolean)
        field->SetAsBoolean(!field->AsBoolean());
    else
        field->SetText(FirstAlternative(column->IsChecked() ? column->ValueUnchecked() : column->ValueChecked()));
    dataSet->Post();
    return true;
}

void TCheckVmDBGrid::DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) {
    TVmDBGrid::DrawCell(ACol, ARow, ARect, AState);
    if (ARow < TitleOffset() || ACol < IndicatorOffset()) return;
    auto* column = dynamic_cast<TCheckColumn*>(ColumnAt(ACol));
    if (!column || !column->Check() || !DataLink()->Active() || DataLink()->RecordCount() == 0) return;
    if (DataSetHasNoRecords(DataLink()->DataSet())) return;
    const Integer oldActive = DataLink()->ActiveRecord();
    DataLink()->SetActiveRecord(ARow - TitleOffset());
    auto restore = ScopeExit([this, oldActive] { DataLink()->SetActiveRecord(oldActive); });
    TCanvas* canvas = Canvas();
    // Cleared in the background the cell was just given (highlight, the
    // window's cell parameters), read inside any focus frame.
    if (ARect.Width() > 2 && ARect.Height() > 2) canvas->Brush()->SetColor(canvas->Pixel(ARect.Left + 1, ARect.Top + 1));
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(ARect);
    DrawCheckBoxGlyph(canvas, ARect, column->IsChecked(), !column->ReadOnly());
    if (ARow == Row() && ACol == Col() && IsActiveControl() && !Options().Contains(dgRowSelect))
        DrawFocusRect(canvas, ARect);
}

void TCheckVmDBGrid::CellClick(TColumn* Column) {
    // An empty list has no box to tick and no row to click.
    if (!DataLink()->Active() || DataSetHasNoRecords(DataLink()->DataSet())) return;
    std::weak_ptr<void> alive = AliveToken();
    auto* check = dynamic_cast<TCheckColumn*>(Column);
    if (check && check->Check() && check == CurrentCheckColumn()) ToggleCurrentCheck();
    if (!alive.expired()) TVmDBGrid::CellClick(Column);
}

void TCheckVmDBGrid::KeyPress(char& Key) {
    TWinControl::KeyPress(Key);
    if (Key == 0) return;
    if (Key == ' ' && CurrentCheckColumn()) {
        ToggleCurrentCheck();
        Key = 0;
        return;
    }
    EditKeyPress(Key);
}

// In a check column the keys tick and untick; typing must not open an editor.
void TCheckVmDBGrid::ColEnter() {
    if (CurrentCheckColumn() && !FInCheckColumn) {
        FInCheckColumn = true;
        FEditingWasOn = Options().Contains(dgEditing);
        if (FEditingWasOn) SetOptions(Options() - TDBGridOptions{dgEditing});
    }
    TVmDBGrid::ColEnter();
}

void TCheckVmDBGrid::ColExit() {
    if (FInCheckColumn) {
        FInCheckColumn = false;
        if (FEditingWasOn) SetOptions(Options() + TDBGridOptions{dgEditing});
        FEditingWasOn = false;
    }
    TVmDBGrid::ColExit();
}

void TCheckVmDBGrid::DoEnter() {
    TVmDBGrid::DoEnter();
    if (CurrentCheckColumn() && !FInCheckColumn) {
        FInCheckColumn = true;
        FEditingWasOn = Options().Contains(dgEditing);
        if (FEditingWasOn) SetOptions(Options() - TDBGridOptions{dgEditing});
    }
}

void TCheckVmDBGrid::DataKeyDown(Word& Key, TShiftState Shift) {
    if (Key != VK_DOWN || FAllowAppend || !DataLink()->Active() || Shift.Contains(ssCtrl)) {
        TVmDBGrid::DataKeyDown(Key, Shift);
        return;
    }
    TDataSet* dataSet = DataLink()->DataSet();
    const bool wasInserting = dataSet->State() == dsInsert;
    TVmDBGrid::DataKeyDown(Key, Shift);
    if (!wasInserting && dataSet->State() == dsInsert) dataSet->Cancel();
    Key = 0;
}

VEMLOR_PUBLISHED(TCheckColumn, TColumn) {
    Prop("Check", &TCheckColumn::Check, &TCheckColumn::SetCheck);
    Prop("ValueChecked", &TCheckColumn::ValueChecked, &TCheckColumn::SetValueChecked);
    Prop("ValueUnchecked", &TCheckColumn::ValueUnchecked, &TCheckColumn::SetValueUnchecked);
}

VEMLOR_PUBLISHED(TCheckVmDBGrid, TVmDBGrid) {
    Prop("AllowAppend", &TCheckVmDBGrid::AllowAppend, &TCheckVmDBGrid::SetAllowAppend);
}
VEMLOR_REGISTER_CLASS(TCheckVmDBGrid);
