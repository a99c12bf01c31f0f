// Sorting, the sorted move after a post, and the filter list of the
// in-memory table. The value comparison both sorting and searching use is
// TMemData::CompareValues (memdset.cpp).

#include <algorithm>
#include <cstring>
#include <functional>

#include "tables/memdset.h"

// ---------------------------------------------------------------------------
// Filter list: 1-based stored positions of the records OnFilterRecord
// accepts. While a handler exists the list follows every insert, delete and
// move, so that it always names the same records.

void TMemData::UpdateFiltered() {
    FFiltered = OnFilterRecord() && static_cast<int>(FFilterList.size()) < FStorage.StoredRecordCount();
}

void TMemData::FilterInsertPosition(int pos) {
    if (!OnFilterRecord()) return;
    for (int& p : FFilterList)
        if (p >= pos + 1) ++p;
    auto it = std::lower_bound(FFilterList.begin(), FFilterList.end(), pos + 1);
    it = FFilterList.insert(it, pos + 1);
    FFilterPos = static_cast<int>(it - FFilterList.begin());
    UpdateFiltered();
}

void TMemData::FilterRemovePosition(int pos) {
    if (!OnFilterRecord()) return;
    auto it = std::lower_bound(FFilterList.begin(), FFilterList.end(), pos + 1);
    if (it != FFilterList.end() && *it == pos + 1) it = FFilterList.erase(it);
    for (; it != FFilterList.end(); ++it) --*it;
    UpdateFiltered();
}

void TMemData::FilterMovePosition(int from, int to) {
    if (!OnFilterRecord() || from == to) return;
    int moving = FilterIndexOf(from);
    for (std::size_t i = 0; i < FFilterList.size(); ++i) {
        if (static_cast<int>(i) == moving) continue;
        int q = FFilterList[i] - 1;
        if (from < to && q > from && q <= to) --FFilterList[i];
        if (to < from && q >= to && q < from) ++FFilterList[i];
    }
    if (moving >= 0) {
        FFilterList[static_cast<std::size_t>(moving)] = to + 1;
        std::sort(FFilterList.begin(), FFilterList.end());
        FFilterPos = FilterIndexOf(to);
    }
}

bool TMemData::AcceptsRecord(int pos) {
    TFilterRecordEvent handler = OnFilterRecord();
    if (!handler) return true;
    TMemRecBuf buffer = EmptyBuffer();
    CopyRecordToBuffer(FStorage.FRecords[static_cast<std::size_t>(pos)], buffer);
    auto shown = ShowBuffer(buffer);
    bool accept = true;
    handler(this, accept);
    return accept;
}

void TMemData::RebuildFilterList() {
    FFilterList.clear();
    FFiltered = false;
    if (!OnFilterRecord() || !IsCursorOpen()) return;
    const bool disabled = !ControlsDisabled();
    if (disabled) DisableControls();
    auto enable = ScopeExit([this, disabled] {
        if (disabled) EnableControls();
    });
    int n = FStorage.StoredRecordCount();
    for (int pos = 0; pos < n; ++pos)
        if (AcceptsRecord(pos)) FFilterList.push_back(pos + 1);
    UpdateFiltered();
    FFilterPos = -1;
    if (disabled && State() == dsBrowse) First();
}

void TMemData::RecheckFilter() {
    if (!OnFilterRecord() || FCurrent < 0 || FCurrent >= FStorage.StoredRecordCount()) return;
    if (AcceptsRecord(FCurrent)) return;
    int f = FilterIndexOf(FCurrent);
    if (f < 0) return;
    FFilterList.erase(FFilterList.begin() + f);
    UpdateFiltered();
    if (FFiltered) {
        int n = static_cast<int>(FFilterList.size());
        FFilterPos = std::min(f, n - 1);
        FCurrent = FFilterPos >= 0 ? FFilterList[static_cast<std::size_t>(FFilterPos)] - 1 : -1;
    }
}

void TMemData::SetOnFilterRecord(TFilterRecordEvent handler) {
    // A grid's window leaves the cursor on its last row; it is put back on
    // the active record while the old list can still place it.
    if (IsCursorOpen() && State() == dsBrowse) UpdateCursorPos();
    TDataSet::SetOnFilterRecord(std::move(handler));
    RebuildFilterList();
    // Without a handler every record shows again; the cursor stays on its record.
    if (!OnFilterRecord() && IsCursorOpen() && State() == dsBrowse) Resync(TResyncMode{});
}

// ---------------------------------------------------------------------------
// Sorting

void TMemData::ApplySortedField(const AnsiString& value) {
    if (value == FSortedField) {
        FSortField = FindField(value);
        if (FSortField && FSortField->IsBlob()) FSortField = nullptr;
        return;
    }
    FSortedField = value;
    Resort();
}

void TMemData::ApplySortOptions(TMemSortOptions value) {
    if (value == FSortOptions) return;
    FSortOptions = value;
    Resort();
}

void TMemData::Resort() {
    const bool browsing = State() == dsBrowse && IsCursorOpen() && !FBusy;
    // The cursor is brought onto the active record before its position is
    // read: a grid's window leaves it on the window's last row.
    if (browsing) UpdateCursorPos();
    const int oldIndex = FCurrent;
    const bool scrolls = browsing && SortDescriptor() != nullptr;
    // The record under the cursor changes although RecNo does not: the
    // scroll events fire as for a RecNo write.
    if (scrolls) DoBeforeScroll();
    if (!SortStorage()) return;
    RebuildFilterList();
    if (State() != dsBrowse) return;
    if (!FFiltered && oldIndex >= 0 && oldIndex < FStorage.StoredRecordCount())
        FCurrent = oldIndex;
    else
        UpdateCursorPos();  // on the first filtered record, where the rebuild left the window
    Resync(TResyncMode{});
    if (scrolls) DoAfterScroll();
}

TMemField* TMemData::SortDescriptor() const {
    TField* field = FindField(FSortedField);
    return field ? FStorage.FindDescriptor(field) : nullptr;
}

bool TMemData::SortStorage() {
    FSortField = nullptr;
    if (FBusy || !IsCursorOpen()) return false;
    TMemField* d = SortDescriptor();
    if (!d) return false;
    FSortField = d->Field();
    if (State() == dsBrowse) UpdateCursorPos();
    auto& recs = FStorage.FRecords;
    // A table file holds its records in the order they were sorted in, so a
    // loaded table is mostly in order already. The quicksort below leaves
    // records that are in order where they are, equal values included, so
    // one pass that finds them in order stands for it.
    bool ordered = true;
    for (std::size_t i = 1; i < recs.size() && ordered; ++i) ordered = CompareValues(d, recs[i - 1], recs[i]) <= 0;
    if (ordered) return true;
    // Texts are compared in the linguistic order, which takes whole strings:
    // each record's text is made once for the sort, instead of twice in every
    // comparison, which cost most of the sort. texts[i] is the text of the
    // record at position i and moves with it; comparing texts gives exactly
    // CompareValues's answer.
    const bool byText = d->DataType() == ftString || d->DataType() == ftWideString;
    std::vector<AnsiString> texts;
    if (byText) {
        texts.reserve(recs.size());
        for (const TMemRecord& r : recs) texts.push_back(SortText(d, r));
    }
    AnsiString pivotText;
    // Quicksort with the middle record as pivot; equal values order by
    // their position against the pivot's starting position, so the result is
    // the same on every run. The larger part is handled by the loop, which
    // keeps the recursion shallow without changing the result.
    auto compareToPivot = [&](int i, const TMemRecord& pivot, int pivotPos) {
        int c = byText ? CompareTexts(texts[static_cast<std::size_t>(i)], pivotText)
                       : CompareValues(d, recs[static_cast<std::size_t>(i)], pivot);
        if (c != 0) return c;
        return i < pivotPos ? -1 : (i > pivotPos ? 1 : 0);
    };
    // A copy of the pivot's image, as the pivot record itself moves.
    std::vector<Byte> pivotImage(static_cast<std::size_t>(FStorage.RecordSize()));
    TMemRecord pivot;
    pivot.Data = pivotImage.data();
    std::function<void(int, int)> sort = [&](int lo, int hi) {
        while (lo < hi) {
            int i = lo, j = hi;
            int pivotPos = lo + (hi - lo) / 2;
            if (byText) {
                pivotText = texts[static_cast<std::size_t>(pivotPos)];
            } else {
                const TMemRecord& p = recs[static_cast<std::size_t>(pivotPos)];
                std::memcpy(pivot.Data, p.Data, pivotImage.size());
            }
            do {
                while (i < hi && compareToPivot(i, pivot, pivotPos) < 0) ++i;
                while (j > lo && compareToPivot(j, pivot, pivotPos) > 0) --j;
                if (i <= j) {
                    if (i != j) {
                        std::swap(recs[static_cast<std::size_t>(i)], recs[static_cast<std::size_t>(j)]);
                        if (byText) std::swap(texts[static_cast<std::size_t>(i)], texts[static_cast<std::size_t>(j)]);
                    }
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (j - lo < hi - i) {
                if (lo < j) sort(lo, j);
                lo = i;
            } else {
                if (i < hi) sort(i, hi);
                hi = j;
            }
        }
    };
    sort(0, static_cast<int>(recs.size()) - 1);
    return true;
}

void TMemData::MoveToSortedPlace() {
    if (FBusy || !FSortField) return;
    TMemField* d = FStorage.FindDescriptor(FSortField);
    auto& recs = FStorage.FRecords;
    int n = static_cast<int>(recs.size());
    if (!d || FCurrent < 0 || FCurrent >= n) return;
    int from = FCurrent;
    const TMemRecord& rec = recs[static_cast<std::size_t>(from)];
    int to = from;
    if (from > 0 && CompareValues(d, rec, recs[static_cast<std::size_t>(from - 1)]) < 0) {
        // First among the earlier records that are not before it.
        int lo = 0, hi = from;
        while (lo < hi) {
            int mid = lo + (hi - lo) / 2;
            if (CompareValues(d, recs[static_cast<std::size_t>(mid)], rec) < 0) lo = mid + 1; else hi = mid;
        }
        to = lo;
    } else {
        // Just before the first later record that is not before it.
        int lo = from + 1, hi = n;
        while (lo < hi) {
            int mid = lo + (hi - lo) / 2;
            if (CompareValues(d, recs[static_cast<std::size_t>(mid)], rec) < 0) lo = mid + 1; else hi = mid;
        }
        to = lo - 1;
    }
    if (to == from) return;
    TMemRecord moving = std::move(recs[static_cast<std::size_t>(from)]);
    recs.erase(recs.begin() + from);
    recs.insert(recs.begin() + to, std::move(moving));
    FCurrent = to;
    FilterMovePosition(from, to);
}

// ---------------------------------------------------------------------------
// Searching: a plain scan in storage order (the filter list when filtered).

int TMemData::FindRecordByValue(const Variant& value, const AnsiString& fieldName) {
    TField* field = FindField(fieldName);
    if (!field || !IsCursorOpen()) return -1;
    if (State() == dsBrowse) UpdateCursorPos();
    int found = -1;
    int n = FStorage.StoredRecordCount();
    TMemRecBuf buffer = EmptyBuffer();
    auto shown = ShowBuffer(buffer);
    for (int pos = 0; pos < n && found < 0; ++pos) {
        CopyRecordToBuffer(FStorage.FRecords[static_cast<std::size_t>(pos)], buffer);
        Variant v = field->AsVariant();
        if (v.IsNull() ? value.IsNull() : (!value.IsNull() && Variant::Compare(v, value) == 0)) found = pos + 1;
    }
    return found;
}
