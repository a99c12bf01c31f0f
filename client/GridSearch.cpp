#include "client/GridSearch.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"
#include "tables/memdset.h"

namespace {

bool RowContains(TDataSet* Table, const AnsiString& Text) {
    for (int i = 0; i < Table->FieldCount(); ++i)
        if (AnsiLowerCase(Table->Fields()[i]->AsString()).find(Text) != AnsiString::npos) return true;
    return false;
}

}  // namespace

bool FindNextRow(TDataSet* Table, const AnsiString& Text) {
    if (!Table->Active() || Table->IsEmpty()) return false;
    const AnsiString text = AnsiLowerCase(Text);
    const TBookmark start = Table->GetBookmark();
    Table->DisableControls();
    auto enable = ScopeExit([Table] { Table->EnableControls(); });
    // The start row is known by its bookmark, so that the walk back from the
    // first row stops there whatever the table's order.
    for (Table->Next(); !Table->Eof(); Table->Next())
        if (RowContains(Table, text)) return true;
    for (Table->First(); !Table->Eof() && Table->CompareBookmarks(Table->GetBookmark(), start) != 0; Table->Next())
        if (RowContains(Table, text)) return true;
    Table->GotoBookmark(start);
    return false;
}

void SortByTitle(TMemData* Table, TComponent* Grid, Integer ACol, TField* Field) {
    if (!Table || !Grid || !Field) return;
    if (Grid->Tag() == ACol) {
        TMemSortOptions options = Table->SortOptions();
        if (options.Contains(soDesc))
            options.Exclude(soDesc);
        else
            options.Include(soDesc);
        Table->SetSortOptions(options);
    }
    Table->SetSortedField(Field->FieldName());
    Grid->SetTag(ACol);
}

TSortMarker TitleSortMarker(TMemData* Table, TField* Field) {
    if (!Table || !Field || Field->FieldName() != Table->SortedField()) return smNone;
    return Table->SortOptions().Contains(soDesc) ? smUp : smDown;
}
