// Random edits and moves of an unsorted table, checked after every step
// against a plain vector of the same rows, with a five-row data link
// attached so that the buffer window is exercised as a grid would.

#include <gtest/gtest.h>

#include <random>

#include "tables/tests/TableFixture.h"

namespace {

class TRowsLink : public TDataLink {};

struct TModel {
    std::vector<int> Rows;  // the ID of each stored record, in storage order
    int Current = -1;       // index into Rows, -1 when empty
};

}  // namespace

TEST(TMemDataModelTest, RandomEditsAndMovesMatchAVectorModel) {
    auto h = MakeGroups();
    TMemData* t = h->Table;
    TDataSource source(h->Owner.get());
    source.SetDataSet(t);
    TRowsLink link;
    link.SetBufferCount(5);
    link.SetDataSource(&source);
    t->Open();
    TField* id = t->FieldByName("ID");

    TModel m;
    std::mt19937 rng(12345);
    int nextId = 1;
    for (int step = 0; step < 3000; ++step) {
        int n = static_cast<int>(m.Rows.size());
        int op = static_cast<int>(rng() % 10);
        std::string what;
        switch (op) {
        case 0:
            what = "append";
            t->Append();
            id->SetAsInteger(nextId);
            t->Post();
            m.Rows.push_back(nextId++);
            m.Current = static_cast<int>(m.Rows.size()) - 1;
            break;
        case 1:
            what = "insert";
            t->Insert();
            id->SetAsInteger(nextId);
            t->Post();
            if (m.Current < 0) m.Current = 0;
            m.Rows.insert(m.Rows.begin() + m.Current, nextId++);
            break;
        case 2:
            what = "edit";
            if (n == 0) break;
            t->Edit();
            id->SetAsInteger(nextId);
            t->Post();
            m.Rows[static_cast<std::size_t>(m.Current)] = nextId++;
            break;
        case 3:
            what = "delete";
            if (n == 0) break;
            t->Delete();
            m.Rows.erase(m.Rows.begin() + m.Current);
            if (m.Current >= static_cast<int>(m.Rows.size())) m.Current = static_cast<int>(m.Rows.size()) - 1;
            break;
        case 4:
            what = "first";
            t->First();
            m.Current = n > 0 ? 0 : -1;
            break;
        case 5:
            what = "last";
            t->Last();
            m.Current = n - 1;
            break;
        case 6: {
            int d = static_cast<int>(rng() % 13) - 6;
            what = "moveby " + std::to_string(d);
            t->MoveBy(d);
            if (n > 0) m.Current = std::clamp(m.Current + d, 0, n - 1);
            break;
        }
        case 7: {
            int r = static_cast<int>(rng() % static_cast<unsigned>(n + 2));
            what = "recno " + std::to_string(r);
            t->SetRecNo(r);
            if (r >= 1 && r <= n) m.Current = r - 1;
            break;
        }
        case 8:
            what = "cancelled edit";
            if (n == 0) break;
            t->Edit();
            id->SetAsInteger(-1);
            t->Cancel();
            break;
        default: {
            what = "bookmark";
            if (n == 0) break;
            TBookmark b = t->GetBookmark();
            t->MoveBy(static_cast<int>(rng() % 7) - 3);
            t->GotoBookmark(b);
            break;
        }
        }
        SCOPED_TRACE("step " + std::to_string(step) + ": " + what);
        ASSERT_EQ(t->RecordCount(), static_cast<int>(m.Rows.size()));
        if (m.Rows.empty()) {
            ASSERT_TRUE(t->IsEmpty());
            continue;
        }
        ASSERT_EQ(id->AsInteger(), m.Rows[static_cast<std::size_t>(m.Current)]);
        ASSERT_EQ(t->RecNo(), m.Current + 1);
        // The link's rows are consecutive stored records around the current one.
        int active = link.ActiveRecord();
        int shown = link.RecordCount();
        ASSERT_GE(active, 0);
        ASSERT_LT(active, shown);
        ASSERT_EQ(shown, std::min(5, static_cast<int>(m.Rows.size())));
        for (int i = 0; i < shown; ++i) {
            link.SetActiveRecord(i);
            int index = m.Current - active + i;
            ASSERT_GE(index, 0);
            ASSERT_LT(index, static_cast<int>(m.Rows.size()));
            ASSERT_EQ(id->AsInteger(), m.Rows[static_cast<std::size_t>(index)]) << "row " << i;
        }
        link.SetActiveRecord(active);
    }
}
