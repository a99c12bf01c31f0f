// Random edits, re-sorts, filter switches and locates on a sorted table,
// checked after every step against a plain map of the same rows: the stored
// records stay sorted, the visible ones are exactly those the filter accepts,
// and RecNo, the current record and the record count agree.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <set>

#include "tables/tests/TableFixture.h"

namespace {

struct TRow {
    AnsiString Name;
    int Order;
};

bool Accepts(int id) { return id % 3 != 0; }

}  // namespace

// Each model runs with a one-row window and with a grid's window of several
// rows, where the engine's cursor is left on another row than the active one.
class TMemDataWindowModelTest : public ::testing::TestWithParam<int> {};

TEST_P(TMemDataWindowModelTest, SortedAndFilteredTableMatchesAMapModel) {
    auto h = MakeGroups();
    TMemData* t = h->Table;
    TGridWindow grid(t, GetParam());
    TField* id = t->FieldByName("ID");
    TField* name = t->FieldByName("Jmeno");
    TField* order = t->FieldByName("Poradi");
    t->SetSortedField("Poradi");
    t->Open();

    std::map<int, TRow> rows;
    bool filterOn = false;
    bool descending = false;
    AnsiString sortField = "Poradi";
    std::mt19937 rng(777);
    int nextId = 1;
    auto visible = [&](int rowId) { return !filterOn || Accepts(rowId); };

    for (int step = 0; step < 2500; ++step) {
        int op = static_cast<int>(rng() % 11);
        std::string what;
        int expectCurrent = -1;  // the ID the cursor must be on, -1 when not predicted
        switch (op) {
        case 0:
        case 1: {
            int rowId = nextId++;
            TRow row{"N" + IntToStr(static_cast<int>(rng() % 20)), static_cast<int>(rng() % 15)};
            what = "append " + std::to_string(rowId);
            if (op == 0) t->Append(); else t->Insert();
            id->SetAsInteger(rowId);
            name->SetAsString(row.Name);
            order->SetAsInteger(row.Order);
            t->Post();
            rows[rowId] = row;
            if (visible(rowId)) expectCurrent = rowId;
            break;
        }
        case 2: {
            if (t->IsEmpty()) break;
            int rowId = id->AsInteger();
            what = "edit " + std::to_string(rowId);
            t->Edit();
            TRow& row = rows[rowId];
            row.Order = static_cast<int>(rng() % 15);
            row.Name = "E" + IntToStr(static_cast<int>(rng() % 20));
            order->SetAsInteger(row.Order);
            name->SetAsString(row.Name);
            t->Post();
            expectCurrent = rowId;
            break;
        }
        case 3:
            if (t->IsEmpty()) break;
            what = "delete " + std::to_string(id->AsInteger());
            rows.erase(id->AsInteger());
            t->Delete();
            break;
        case 4:
            what = filterOn ? "filter off" : "filter on";
            filterOn = !filterOn;
            if (filterOn)
                t->SetOnFilterRecord([](TDataSet* ds, bool& accept) { accept = Accepts(ds->FieldByName("ID")->AsInteger()); });
            else
                t->SetOnFilterRecord(nullptr);
            break;
        case 5:
            sortField = rng() % 2 ? "Poradi" : "Jmeno";
            what = "sort by " + sortField;
            t->SetSortedField("");
            t->SetSortedField(sortField);
            break;
        case 6:
            descending = !descending;
            what = descending ? "descending" : "ascending";
            t->SetSortOptions(descending ? TMemSortOptions{soDesc} : TMemSortOptions{});
            break;
        case 7: {
            if (rows.empty()) break;
            auto it = rows.begin();
            std::advance(it, static_cast<long>(rng() % rows.size()));
            what = "locate order " + std::to_string(it->second.Order);
            bool expected = false;
            for (auto& [k, r] : rows)
                if (r.Order == it->second.Order && visible(k)) expected = true;
            ASSERT_EQ(t->Locate("Poradi", Variant(it->second.Order), {}), expected) << what;
            if (expected) {
                ASSERT_EQ(order->AsInteger(), it->second.Order);
            }
            break;
        }
        case 8: {
            if (rows.empty()) break;
            auto it = rows.begin();
            std::advance(it, static_cast<long>(rng() % rows.size()));
            what = "locate name " + it->second.Name;
            bool expected = false;
            for (auto& [k, r] : rows)
                if (r.Name == it->second.Name && visible(k)) expected = true;
            ASSERT_EQ(t->Locate("Jmeno", Variant(it->second.Name), {}), expected) << what;
            if (expected) {
                ASSERT_EQ(name->AsString(), it->second.Name);
            }
            break;
        }
        case 9: {
            int d = static_cast<int>(rng() % 9) - 4;
            what = "moveby";
            t->MoveBy(d);
            break;
        }
        default:
            what = "first";
            t->First();
            break;
        }
        SCOPED_TRACE("step " + std::to_string(step) + ": " + what);

        // Storage holds every row, sorted on the sort field.
        TMemFields* s = t->MemFields();
        ASSERT_EQ(s->StoredRecordCount(), static_cast<int>(rows.size()));
        std::vector<int> visibleIds;
        const TMemField* sortDesc = s->FieldAt(sortField == "Poradi" ? 3 : 2);
        for (int pos = 0; pos < s->StoredRecordCount(); ++pos) {
            Integer rowId;
            std::memcpy(&rowId, s->FieldAt(1)->ValuePtr(pos), 4);
            ASSERT_EQ(rows.count(rowId), 1u);
            if (visible(rowId)) visibleIds.push_back(rowId);
            if (pos > 0) {
                int c;
                if (sortField == "Poradi") {
                    Integer a, b;
                    std::memcpy(&a, sortDesc->ValuePtr(pos - 1), 4);
                    std::memcpy(&b, sortDesc->ValuePtr(pos), 4);
                    c = a < b ? -1 : (a > b ? 1 : 0);
                } else {
                    c = AnsiCompareStr(reinterpret_cast<const char*>(sortDesc->ValuePtr(pos - 1)),
                                       reinterpret_cast<const char*>(sortDesc->ValuePtr(pos)));
                }
                ASSERT_TRUE(descending ? c >= 0 : c <= 0) << "stored records out of order at " << pos;
            }
        }
        ASSERT_EQ(t->RecordCount(), static_cast<int>(visibleIds.size()));
        if (visibleIds.empty()) {
            ASSERT_TRUE(t->IsEmpty());
            continue;
        }
        ASSERT_FALSE(t->IsEmpty());
        int recNo = t->RecNo();
        ASSERT_GE(recNo, 1);
        ASSERT_LE(recNo, static_cast<int>(visibleIds.size()));
        ASSERT_EQ(id->AsInteger(), visibleIds[static_cast<std::size_t>(recNo - 1)]);
        if (expectCurrent >= 0) {
            ASSERT_EQ(id->AsInteger(), expectCurrent);
        }
        ASSERT_EQ(name->AsString(), rows[id->AsInteger()].Name);
    }
}

// The same kind of random run against a std::vector of the rows in storage
// order, which predicts everything: the exact storage order (sorted moves
// place a record first among equal ones; a full sort is the table's
// quicksort with its tie rule, written out here plainly), the visible rows,
// RecordCount, RecNo and the record the cursor is on after every step. The
// filter looks at Poradi, so edits hide and show records while the cursor
// moves, and names differ in case so that the case option matters.
namespace {

struct TVRow {
    int Id;
    AnsiString Name;
    int Order;
};

bool OrderAccepted(int order) { return order % 3 != 0; }

struct TVectorModel {
    std::vector<TVRow> Rows;  // storage order
    int Current = -1;         // Id of the current record, -1 = none
    bool FilterOn = false;
    bool ByName = false;
    bool Descending = false;
    bool CaseInsensitive = false;

    bool Visible(const TVRow& r) const { return !FilterOn || OrderAccepted(r.Order); }
    std::vector<int> VisibleIds() const {
        std::vector<int> ids;
        for (const TVRow& r : Rows)
            if (Visible(r)) ids.push_back(r.Id);
        return ids;
    }
    bool Filtered() const { return VisibleIds().size() < Rows.size(); }
    int IndexOf(int id) const {
        for (std::size_t i = 0; i < Rows.size(); ++i)
            if (Rows[i].Id == id) return static_cast<int>(i);
        return -1;
    }
    int VisibleIndexOf(int id) const {
        std::vector<int> v = VisibleIds();
        for (std::size_t i = 0; i < v.size(); ++i)
            if (v[i] == id) return static_cast<int>(i);
        return -1;
    }
    int Compare(const TVRow& a, const TVRow& b) const {
        int c;
        if (ByName) {
            c = CaseInsensitive ? AnsiCompareText(a.Name, b.Name) : AnsiCompareStr(a.Name, b.Name);
            c = c < 0 ? -1 : (c > 0 ? 1 : 0);
        } else {
            c = a.Order < b.Order ? -1 : (a.Order > b.Order ? 1 : 0);
        }
        return Descending ? -c : c;
    }
    // The quicksort with the middle record as pivot; ties by position
    // against the pivot's starting position.
    void Sort(int lo, int hi) {
        int i = lo, j = hi, p = (lo + hi) / 2;
        TVRow pivot = Rows[static_cast<std::size_t>(p)];
        auto cmp = [&](int k) {
            int c = Compare(Rows[static_cast<std::size_t>(k)], pivot);
            return c != 0 ? c : (k < p ? -1 : (k > p ? 1 : 0));
        };
        do {
            while (cmp(i) < 0) ++i;
            while (cmp(j) > 0) --j;
            if (i <= j) std::swap(Rows[static_cast<std::size_t>(i++)], Rows[static_cast<std::size_t>(j--)]);
        } while (i <= j);
        if (lo < j) Sort(lo, j);
        if (i < hi) Sort(i, hi);
    }
    // A re-sort: unfiltered, the cursor goes to the old stored position;
    // filtered, to the first visible record.
    void Resort() {
        int old = IndexOf(Current);
        if (!Rows.empty()) Sort(0, static_cast<int>(Rows.size()) - 1);
        if (Filtered()) {
            std::vector<int> v = VisibleIds();
            Current = v.empty() ? -1 : v[0];
        } else if (old >= 0) {
            Current = Rows[static_cast<std::size_t>(old)].Id;
        }
    }
    // The sorted move after a post.
    void Move(int from) {
        TVRow rec = Rows[static_cast<std::size_t>(from)];
        int n = static_cast<int>(Rows.size());
        int to = from;
        if (from > 0 && Compare(rec, Rows[static_cast<std::size_t>(from - 1)]) < 0) {
            to = 0;
            while (Compare(Rows[static_cast<std::size_t>(to)], rec) < 0) ++to;
        } else {
            int k = from + 1;
            while (k < n && Compare(Rows[static_cast<std::size_t>(k)], rec) < 0) ++k;
            to = k - 1;
        }
        Rows.erase(Rows.begin() + from);
        Rows.insert(Rows.begin() + to, rec);
    }
    // After a post (and its sorted move) the record is re-tested: a refused
    // one leaves the cursor on the visible record that took its place in
    // the sorted order (or the last one).
    void AfterPost(int id, int visibleIndexBefore) {
        if (Visible(Rows[static_cast<std::size_t>(IndexOf(id))])) {
            Current = id;
            return;
        }
        std::vector<int> v = VisibleIds();
        Current = v.empty() ? -1 : v[static_cast<std::size_t>(std::min<int>(visibleIndexBefore, static_cast<int>(v.size()) - 1))];
    }
    // The visible index a record at stored position pos has (or would have).
    int VisibleRank(int pos) const {
        int k = 0;
        for (int i = 0; i < pos; ++i)
            if (Visible(Rows[static_cast<std::size_t>(i)])) ++k;
        return k;
    }
};

}  // namespace

TEST_P(TMemDataWindowModelTest, SortedFilteredTableMatchesAVectorModelStepByStep) {
    auto h = MakeGroups();
    TMemData* t = h->Table;
    TGridWindow grid(t, GetParam());
    TField* id = t->FieldByName("ID");
    TField* name = t->FieldByName("Jmeno");
    TField* order = t->FieldByName("Poradi");
    t->SetSortedField("Poradi");
    t->Open();
    auto filter = [](TDataSet* ds, bool& accept) { accept = OrderAccepted(ds->FieldByName("Poradi")->AsInteger()); };

    TVectorModel m;
    std::mt19937 rng(4242);
    int nextId = 1;
    auto randomName = [&] {
        static const char* const names[] = {"adam", "Adam", "bára", "Bára", "čeněk", "Čeněk", "dana", "eva"};
        return AnsiString(names[rng() % 8]);
    };
    for (int step = 0; step < 4000; ++step) {
        std::vector<int> visible = m.VisibleIds();
        int op = static_cast<int>(rng() % 14);
        std::string what;
        switch (op) {
        case 0:
        case 1:
        case 2: {
            TVRow row{nextId++, randomName(), static_cast<int>(rng() % 12)};
            bool append = op != 0;
            what = (append ? "append " : "insert ") + std::to_string(row.Id);
            // Insert goes before the current record (position 0 without one).
            int pos = append ? static_cast<int>(m.Rows.size()) : std::max(m.IndexOf(m.Current), 0);
            if (append) t->Append(); else t->Insert();
            id->SetAsInteger(row.Id);
            name->SetAsString(row.Name);
            order->SetAsInteger(row.Order);
            t->Post();
            m.Rows.insert(m.Rows.begin() + pos, row);
            m.Move(pos);
            m.AfterPost(row.Id, m.VisibleRank(m.IndexOf(row.Id)));
            break;
        }
        case 3:
        case 4: {
            if (visible.empty()) break;
            what = "edit " + std::to_string(m.Current);
            TVRow& row = m.Rows[static_cast<std::size_t>(m.IndexOf(m.Current))];
            t->Edit();
            if (rng() % 2) {
                row.Order = static_cast<int>(rng() % 12);
                order->SetAsInteger(row.Order);
            }
            if (rng() % 2) {
                row.Name = randomName();
                name->SetAsString(row.Name);
            }
            t->Post();
            int rowId = row.Id;
            m.Move(m.IndexOf(rowId));
            m.AfterPost(rowId, m.VisibleRank(m.IndexOf(rowId)));
            break;
        }
        case 5: {
            if (visible.empty()) break;
            what = "delete " + std::to_string(m.Current);
            int rank = m.VisibleIndexOf(m.Current);
            t->Delete();
            m.Rows.erase(m.Rows.begin() + m.IndexOf(m.Current));
            std::vector<int> v = m.VisibleIds();
            m.Current = v.empty() ? -1 : v[static_cast<std::size_t>(std::min<int>(rank, static_cast<int>(v.size()) - 1))];
            break;
        }
        case 6:
            m.FilterOn = !m.FilterOn;
            what = m.FilterOn ? "filter on" : "filter off";
            t->SetOnFilterRecord(m.FilterOn ? TFilterRecordEvent(filter) : TFilterRecordEvent());
            if (m.FilterOn) {
                std::vector<int> v = m.VisibleIds();
                m.Current = v.empty() ? -1 : v[0];
            } else if (m.Current < 0) {
                // Nothing was visible: no record to stay on.
                m.Current = -2;
            }
            break;
        case 7:
            m.ByName = rng() % 2;
            what = m.ByName ? "sort by name" : "sort by order";
            t->SetSortedField("");
            t->SetSortedField(m.ByName ? "Jmeno" : "Poradi");
            m.Resort();
            break;
        case 8: {
            if (rng() % 2) m.Descending = !m.Descending; else m.CaseInsensitive = !m.CaseInsensitive;
            what = std::string("options") + (m.Descending ? " desc" : "") + (m.CaseInsensitive ? " ci" : "");
            TMemSortOptions options;
            if (m.Descending) options.Include(soDesc);
            if (m.CaseInsensitive) options.Include(soCaseInsensitive);
            t->SetSortOptions(options);
            m.Resort();
            break;
        }
        case 9:
        case 10: {
            if (m.Rows.empty()) break;
            const TVRow& key = m.Rows[rng() % m.Rows.size()];
            bool byName = op == 10;
            what = byName ? "locate name " + key.Name : "locate order " + std::to_string(key.Order);
            int expected = -1;
            for (const TVRow& r : m.Rows) {
                bool match = byName ? (m.CaseInsensitive ? AnsiSameText(r.Name, key.Name) : r.Name == key.Name)
                                    : r.Order == key.Order;
                if (match && m.Visible(r)) {
                    expected = r.Id;
                    break;
                }
            }
            bool found = byName ? t->Locate("Jmeno", Variant(key.Name), {}) : t->Locate("Poradi", Variant(key.Order), {});
            ASSERT_EQ(found, expected >= 0) << what;
            if (found) m.Current = expected;
            break;
        }
        case 11: {
            if (m.Rows.empty()) break;
            const TVRow& key = m.Rows[rng() % m.Rows.size()];
            what = "lookup " + std::to_string(key.Id);
            Variant v = t->Lookup("ID", Variant(key.Id), "Jmeno");
            ASSERT_EQ(v.AsString(), m.Visible(key) ? key.Name : AnsiString()) << what;
            break;
        }
        case 12: {
            int d = static_cast<int>(rng() % 9) - 4;
            what = "moveby " + std::to_string(d);
            t->MoveBy(d);
            if (!visible.empty() && m.Current >= 0) {
                int k = std::clamp(m.VisibleIndexOf(m.Current) + d, 0, static_cast<int>(visible.size()) - 1);
                m.Current = visible[static_cast<std::size_t>(k)];
            }
            break;
        }
        default:
            what = "first";
            t->First();
            m.Current = visible.empty() ? -1 : visible[0];
            break;
        }
        SCOPED_TRACE("step " + std::to_string(step) + ": " + what);

        TMemFields* s = t->MemFields();
        ASSERT_EQ(s->StoredRecordCount(), static_cast<int>(m.Rows.size()));
        for (int pos = 0; pos < s->StoredRecordCount(); ++pos) {
            Integer rowId;
            std::memcpy(&rowId, s->FieldAt(1)->ValuePtr(pos), 4);
            ASSERT_EQ(rowId, m.Rows[static_cast<std::size_t>(pos)].Id) << "storage order at " << pos;
        }
        std::vector<int> v = m.VisibleIds();
        ASSERT_EQ(t->Filtered(), m.FilterOn && m.Filtered());
        ASSERT_EQ(t->RecordCount(), static_cast<int>(v.size()));
        if (v.empty()) {
            ASSERT_TRUE(t->IsEmpty());
            m.Current = -1;
            continue;
        }
        ASSERT_FALSE(t->IsEmpty());
        if (m.Current == -2) m.Current = id->AsInteger();  // any record is right
        ASSERT_EQ(id->AsInteger(), m.Current);
        ASSERT_EQ(t->RecNo(), m.VisibleIndexOf(m.Current) + 1);
        const TVRow& cur = m.Rows[static_cast<std::size_t>(m.IndexOf(m.Current))];
        ASSERT_EQ(name->AsString(), cur.Name);
        ASSERT_EQ(order->AsInteger(), cur.Order);
        if (step % 9 == 0) {
            // The visible records, walked through the cursor.
            TBookmark mark = t->GetBookmark();
            std::vector<int> walked;
            for (t->First(); !t->Eof(); t->Next()) walked.push_back(id->AsInteger());
            ASSERT_EQ(walked, v);
            t->GotoBookmark(mark);
            ASSERT_EQ(id->AsInteger(), m.Current);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, TMemDataWindowModelTest, ::testing::Values(1, 5));
