// Random edits, re-sorts, filter switches and locates on a sorted table,
// checked after every step against a plain map of the same rows: the stored
// records stay sorted, the visible ones are exactly those the filter accepts,
// and RecNo, the current record and the record count agree.

#include <gtest/gtest.h>

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

TEST(TMemDataModelTest, SortedAndFilteredTableMatchesAMapModel) {
    auto h = MakeGroups();
    TMemData* t = h->Table;
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
