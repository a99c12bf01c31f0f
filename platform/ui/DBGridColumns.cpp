// The parts of TDBGrid around the grid itself: column titles, columns, the
// column collection, the list of selected records and the data link.

#include "platform/ui/DBGrids.h"

#include <algorithm>

#include "platform/classes/TypInfo.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/ScopeGuard.h"

// ---------------------------------------------------------------------------
// TColumnTitle

TColumnTitle::TColumnTitle(TColumn* AColumn) : FColumn(AColumn), FFont(std::make_unique<TFont>()) {
    FFont->OnChange = [this](TObject*) {
        if (FLoadingFont) return;
        FColumn->FAssignedValues.Include(cvTitleFont);
        FColumn->ColumnChanged();
    };
}

TColumnTitle::~TColumnTitle() = default;

AnsiString TColumnTitle::DefaultCaption() const {
    if (TField* field = FColumn->Field()) return field->DisplayName();
    return FColumn->FieldName();
}

AnsiString TColumnTitle::Caption() const {
    return FColumn->FAssignedValues.Contains(cvTitleCaption) ? FCaption : DefaultCaption();
}

void TColumnTitle::SetCaption(const AnsiString& Value) {
    if (FColumn->FAssignedValues.Contains(cvTitleCaption) && Value == FCaption) return;
    FCaption = Value;
    FColumn->FAssignedValues.Include(cvTitleCaption);
    FColumn->ColumnChanged();
}

TColor TColumnTitle::Color() const {
    if (FColumn->FAssignedValues.Contains(cvTitleColor)) return FColor;
    TDBGrid* grid = FColumn->Grid();
    return grid ? grid->FixedColor() : clBtnFace;
}

void TColumnTitle::SetColor(TColor Value) {
    if (FColumn->FAssignedValues.Contains(cvTitleColor) && Value == FColor) return;
    FColor = Value;
    FColumn->FAssignedValues.Include(cvTitleColor);
    FColumn->ColumnChanged();
}

TAlignment TColumnTitle::Alignment() const {
    return FColumn->FAssignedValues.Contains(cvTitleAlignment) ? FAlignment : taLeftJustify;
}

void TColumnTitle::SetAlignment(TAlignment Value) {
    if (FColumn->FAssignedValues.Contains(cvTitleAlignment) && Value == FAlignment) return;
    FAlignment = Value;
    FColumn->FAssignedValues.Include(cvTitleAlignment);
    FColumn->ColumnChanged();
}

void TColumnTitle::RefreshDefaultFont() const {
    if (FColumn->FAssignedValues.Contains(cvTitleFont)) return;
    TDBGrid* grid = FColumn->Grid();
    if (!grid) return;
    FLoadingFont = true;
    auto restore = ScopeExit([this] { FLoadingFont = false; });
    FFont->Assign(grid->TitleFont());
}

TFont* TColumnTitle::Font() const {
    RefreshDefaultFont();
    return FFont.get();
}

void TColumnTitle::SetFont(TFont* Value) {
    if (Value) FFont->Assign(Value);
}

void TColumnTitle::RestoreDefaults() {
    FColumn->FAssignedValues.Exclude(cvTitleCaption);
    FColumn->FAssignedValues.Exclude(cvTitleColor);
    FColumn->FAssignedValues.Exclude(cvTitleAlignment);
    FColumn->FAssignedValues.Exclude(cvTitleFont);
    FColumn->ColumnChanged();
}

// ---------------------------------------------------------------------------
// TColumn

TColumn::TColumn(TCollection* ACollection)
    : TCollectionItem(nullptr), FTitle(std::make_unique<TColumnTitle>(this)), FFont(std::make_unique<TFont>()) {
    RegisterClass<TColumn>();
    FFont->OnChange = [this](TObject*) {
        if (FLoadingFont) return;
        FAssignedValues.Include(cvFont);
        ColumnChanged();
    };
    // Joining after the members exist: the collection may look at the column.
    SetCollection(ACollection);
}

TColumn::~TColumn() = default;

TDBGrid* TColumn::Grid() const {
    auto* columns = dynamic_cast<TDBGridColumns*>(Collection());
    return columns ? columns->Grid() : nullptr;
}

void TColumn::ColumnChanged() { Changed(false); }

void TColumn::SetFieldName(const AnsiString& Value) {
    if (Value == FFieldName) return;
    FFieldName = Value;
    ColumnChanged();
}

// Looked up each time: the data set may free and recreate its fields, and a
// column must never hold on to a field that is gone.
TField* TColumn::Field() const {
    TDBGrid* grid = Grid();
    if (!grid || FFieldName.empty()) return nullptr;
    TDataSet* dataSet = grid->DataLink()->DataSet();
    if (!dataSet || !grid->DataLink()->Active()) return nullptr;
    return dataSet->FindField(FFieldName);
}

void TColumn::SetField(TField* Value) { SetFieldName(Value ? Value->FieldName() : AnsiString()); }

void TColumn::RefreshDefaultFont() const {
    if (FAssignedValues.Contains(cvFont)) return;
    TDBGrid* grid = Grid();
    if (!grid) return;
    FLoadingFont = true;
    auto restore = ScopeExit([this] { FLoadingFont = false; });
    FFont->Assign(grid->Font());
}

TFont* TColumn::Font() const {
    RefreshDefaultFont();
    return FFont.get();
}

void TColumn::SetFont(TFont* Value) {
    if (Value) FFont->Assign(Value);
}

TColor TColumn::DefaultColor() const {
    TDBGrid* grid = Grid();
    return grid ? grid->Color() : clWindow;
}

TColor TColumn::Color() const { return FAssignedValues.Contains(cvColor) ? FColor : DefaultColor(); }

void TColumn::SetColor(TColor Value) {
    if (FAssignedValues.Contains(cvColor) && Value == FColor) return;
    FColor = Value;
    FAssignedValues.Include(cvColor);
    ColumnChanged();
}

TAlignment TColumn::Alignment() const {
    if (FAssignedValues.Contains(cvAlignment)) return FAlignment;
    TField* field = Field();
    return field ? field->Alignment() : taLeftJustify;
}

void TColumn::SetAlignment(TAlignment Value) {
    if (FAssignedValues.Contains(cvAlignment) && Value == FAlignment) return;
    FAlignment = Value;
    FAssignedValues.Include(cvAlignment);
    ColumnChanged();
}

Integer TColumn::DefaultWidth() const {
    TField* field = Field();
    if (!field) return 64;
    const Integer digit = MeasureText(*Font(), "0").x;
    Integer width = field->DisplayWidth() * digit + 4;
    TDBGrid* grid = Grid();
    if (grid && grid->Options().Contains(dgTitles))
        width = std::max(width, MeasureText(*FTitle->Font(), FTitle->Caption()).x + 4);
    return width;
}

Integer TColumn::Width() const { return FAssignedValues.Contains(cvWidth) ? FWidth : DefaultWidth(); }

void TColumn::SetWidth(Integer Value) {
    if (FAssignedValues.Contains(cvWidth) && Value == FWidth) return;
    FWidth = Value;
    FAssignedValues.Include(cvWidth);
    ColumnChanged();
}

void TColumn::SetVisible(bool Value) {
    if (Value == FVisible) return;
    FVisible = Value;
    ColumnChanged();
}

bool TColumn::ReadOnly() const {
    if (FAssignedValues.Contains(cvReadOnly)) return FReadOnly;
    TField* field = Field();
    return field && field->ReadOnly();
}

void TColumn::SetReadOnly(bool Value) {
    if (FAssignedValues.Contains(cvReadOnly) && Value == FReadOnly) return;
    FReadOnly = Value;
    FAssignedValues.Include(cvReadOnly);
    ColumnChanged();
}

void TColumn::SetExpanded(bool Value) {
    if (Value == FExpanded) return;
    FExpanded = Value;
    ColumnChanged();
}

void TColumn::RestoreDefaults() {
    FAssignedValues = TColumnValues{};
    FTitle->RestoreDefaults();
}

AnsiString TColumn::DisplayName() const { return FFieldName.empty() ? TCollectionItem::DisplayName() : FFieldName; }

// ---------------------------------------------------------------------------
// TDBGridColumns

TDBGridColumns::TDBGridColumns(TDBGrid* AGrid, TCollectionItemFactory ColumnClass)
    : TCollection(std::move(ColumnClass), AGrid), FGrid(AGrid) {}

TColumn* TDBGridColumns::Add() {
    if (FState == csDefault) {
        // The grid's own columns make way for the program's.
        BeginUpdate();
        Clear();
        FState = csCustomized;
        TColumn* column = static_cast<TColumn*>(TCollection::Add());
        EndUpdate();
        return column;
    }
    return static_cast<TColumn*>(TCollection::Add());
}

void TDBGridColumns::SetState(TDBGridColumnsState Value) {
    if (Value == FState) return;
    FState = Value;
    if (Value == csDefault)
        RebuildColumns();
    else if (FGrid)
        FGrid->LayoutChanged();
}

void TDBGridColumns::RebuildColumns() {
    BeginUpdate();
    auto done = ScopeExit([this] { EndUpdate(); });
    Clear();
    TDataSet* dataSet = FGrid ? FGrid->DataLink()->DataSet() : nullptr;
    if (!dataSet || !FGrid->DataLink()->Active()) return;
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        TField* field = dataSet->Fields()[i];
        auto* column = static_cast<TColumn*>(TCollection::Add());
        column->FFieldName = field->FieldName();
        column->FVisible = field->Visible();
    }
}

void TDBGridColumns::RestoreDefaults() {
    BeginUpdate();
    for (int i = 0; i < Count(); ++i) Items(i)->RestoreDefaults();
    EndUpdate();
}

void TDBGridColumns::Update(TCollectionItem*) {
    if (FGrid) FGrid->LayoutChanged();
}

// ---------------------------------------------------------------------------
// TBookmarkList

TDataSet* TBookmarkList::DataSet() const {
    TGridDataLink* link = FGrid->DataLink();
    return link->Active() ? link->DataSet() : nullptr;
}

const TBookmark& TBookmarkList::Items(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", Index));
    return FList[std::size_t(Index)];
}

bool TBookmarkList::Find(const TBookmark& Item, int& Index) const {
    TDataSet* dataSet = DataSet();
    int lo = 0, hi = Count() - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = dataSet ? dataSet->CompareBookmarks(FList[std::size_t(mid)], Item)
                              : (FList[std::size_t(mid)] < Item ? -1 : FList[std::size_t(mid)] == Item ? 0 : 1);
        if (c == 0) {
            Index = mid;
            return true;
        }
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    Index = lo;
    return false;
}

int TBookmarkList::IndexOf(const TBookmark& Item) const {
    int index = 0;
    return Find(Item, index) ? index : -1;
}

bool TBookmarkList::CurrentRowSelected() const {
    TDataSet* dataSet = DataSet();
    if (!dataSet || FList.empty() || dataSet->IsEmpty()) return false;
    int index = 0;
    return Find(dataSet->GetBookmark(), index);
}

void TBookmarkList::SetCurrentRowSelected(bool Value) {
    TDataSet* dataSet = DataSet();
    if (!dataSet || dataSet->IsEmpty()) return;
    const TBookmark current = dataSet->GetBookmark();
    if (current.empty()) return;
    int index = 0;
    const bool found = Find(current, index);
    if (found == Value) return;
    if (Value)
        FList.insert(FList.begin() + index, current);
    else
        FList.erase(FList.begin() + index);
    FGrid->Invalidate();
}

void TBookmarkList::Clear() {
    if (FList.empty()) return;
    FList.clear();
    FGrid->Invalidate();
}

void TBookmarkList::Delete() {
    TDataSet* dataSet = DataSet();
    if (!dataSet) return;
    dataSet->DisableControls();
    auto enable = ScopeExit([dataSet] { dataSet->EnableControls(); });
    // From the last so that an error leaves the records not yet deleted
    // in the list.
    while (!FList.empty()) {
        dataSet->GotoBookmark(FList.back());
        dataSet->Delete();
        FList.pop_back();
    }
}

bool TBookmarkList::Refresh() {
    TDataSet* dataSet = DataSet();
    if (!dataSet) return false;
    const auto before = FList.size();
    FList.erase(std::remove_if(FList.begin(), FList.end(),
                               [dataSet](const TBookmark& b) { return !dataSet->BookmarkValid(b); }),
                FList.end());
    if (FList.size() == before) return false;
    FGrid->Invalidate();
    return true;
}

void TBookmarkList::LinkActive(bool) { FList.clear(); }

// ---------------------------------------------------------------------------
// TGridDataLink

void TGridDataLink::Reset() { FModified = false; }
void TGridDataLink::ActiveChanged() { FGrid->LinkActive(Active()); }
void TGridDataLink::DataSetChanged() { FGrid->DataChanged(); }
void TGridDataLink::DataSetScrolled(int Distance) { FGrid->Scroll(Distance); }
void TGridDataLink::EditingChanged() { FGrid->EditingChanged(); }
void TGridDataLink::LayoutChanged() {
    FGrid->LayoutChanged();
    FGrid->DataChanged();
}
void TGridDataLink::RecordChanged(TField* Field) { FGrid->RecordChanged(Field); }
void TGridDataLink::UpdateData() { FGrid->UpdateData(); }

void TGridDataLink::FocusControl(TField** Field) {
    if (!Field || !*Field) return;
    for (int i = 0; i < FGrid->Columns()->Count(); ++i) {
        if (FGrid->Columns()->Items(i)->Field() != *Field) continue;
        if (FGrid->CanFocus()) FGrid->SetFocus();
        FGrid->SetSelectedIndex(i);
        *Field = nullptr;
        return;
    }
}

// ---------------------------------------------------------------------------
// Published properties

VEMLOR_PUBLISHED(TColumnTitle, TPersistent) {
    Prop("Alignment", &TColumnTitle::Alignment, &TColumnTitle::SetAlignment);
    Prop("Caption", &TColumnTitle::Caption, &TColumnTitle::SetCaption);
    Prop("Color", &TColumnTitle::Color, &TColumnTitle::SetColor);
    Prop("Font", &TColumnTitle::Font, &TColumnTitle::SetFont);
}

VEMLOR_PUBLISHED(TColumn, TCollectionItem) {
    Prop("Alignment", &TColumn::Alignment, &TColumn::SetAlignment);
    Prop("Color", &TColumn::Color, &TColumn::SetColor);
    Prop("Expanded", &TColumn::Expanded, &TColumn::SetExpanded);
    Prop("FieldName", &TColumn::FieldName, &TColumn::SetFieldName);
    Prop("Font", &TColumn::Font, &TColumn::SetFont);
    Prop("ReadOnly", &TColumn::ReadOnly, &TColumn::SetReadOnly);
    Prop("Title", &TColumn::Title);
    Prop("Visible", &TColumn::Visible, &TColumn::SetVisible);
    Prop("Width", &TColumn::Width, &TColumn::SetWidth);
}
