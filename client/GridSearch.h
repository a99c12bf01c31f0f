#pragma once
// Searching and sorting the tables behind the main window's grids and the
// database window's grids, without the grids: a search walks the table from
// the row after the current one to the end and wraps round to the first row,
// stopping short of the row it started on; a click on a column title sorts
// the table by that column, a second click on it turns the order round.

#include "components/VmDBCtrl.h"
#include "platform/rtl/System.h"

class TComponent;
class TDataSet;
class TField;
class TMemData;

// Makes current the first row after the current one, wrapping round, whose
// text of any field (the hidden record number included) contains Text,
// ignoring letter case. The row the search starts on is never tested: false,
// with that row current again, when no other row matches.
bool FindNextRow(TDataSet* Table, const AnsiString& Text);

// A click on the title of column ACol (Field) of a grid showing Table. The
// grid's Tag keeps the column clicked last.
void SortByTitle(TMemData* Table, TComponent* Grid, Integer ACol, TField* Field);

// The marker a title shows: none but on the sort column, where it tells
// ascending from descending.
TSortMarker TitleSortMarker(TMemData* Table, TField* Field);
