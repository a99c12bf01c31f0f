// Locate and Lookup on sorted, unsorted and filtered tables.

#include <gtest/gtest.h>

#include "tables/tests/TableFixture.h"

namespace {

std::unique_ptr<TTableHolder> Contacts(const char* sortedField) {
    auto h = MakeGroups();
    h->Table->SetSortedField(sortedField);
    h->Table->Open();
    AppendGroup(h->Table, 1, "Novák", 30);
    AppendGroup(h->Table, 2, "Adam", 10);
    AppendGroup(h->Table, 3, "Nový", 20);
    AppendGroup(h->Table, 4, "No", 40);
    AppendGroup(h->Table, 5, "Zikmund", 50);
    return h;
}

int CurrentId(TTableHolder& h) { return h.Table->FieldByName("ID")->AsInteger(); }

}  // namespace

TEST(TMemDataLocateTest, PartialKeyFindsTheFirstTextBeginningWithIt) {
    for (const char* sorted : {"Jmeno", ""}) {
        SCOPED_TRACE(sorted);
        auto h = Contacts(sorted);
        EXPECT_TRUE(h->Table->Locate("Jmeno", Variant("Nov"), TLocateOptions{loPartialKey}));
        EXPECT_EQ(CurrentId(*h), 1);
        EXPECT_TRUE(h->Table->Locate("jmeno", Variant("nový"), TLocateOptions{loCaseInsensitive}));
        EXPECT_EQ(CurrentId(*h), 3);
        // "No" is shorter than the key: it never matches.
        EXPECT_FALSE(h->Table->Locate("Jmeno", Variant("Nob"), TLocateOptions{loPartialKey}));
    }
}

TEST(TMemDataLocateTest, SortFieldIsSearchedBinaryInBothDirections) {
    auto h = Contacts("Poradi");
    EXPECT_TRUE(h->Table->Locate("Poradi", Variant(40), {}));
    EXPECT_EQ(CurrentId(*h), 4);
    EXPECT_FALSE(h->Table->Locate("Poradi", Variant(35), {}));
    h->Table->SetSortOptions(TMemSortOptions{soDesc});
    h->Table->First();
    EXPECT_EQ(CurrentId(*h), 5);
    EXPECT_TRUE(h->Table->Locate("Poradi", Variant(20), {}));
    EXPECT_EQ(CurrentId(*h), 3);
    EXPECT_TRUE(h->Table->Locate("Poradi", Variant(50), {}));
    EXPECT_EQ(CurrentId(*h), 5);
}

TEST(TMemDataLocateTest, KeyBeforeTheFirstRecordIsNotFoundAndTheCursorStays) {
    auto h = Contacts("Poradi");
    h->Table->SetRecNo(3);
    EXPECT_FALSE(h->Table->Locate("Poradi", Variant(5), {}));
    EXPECT_EQ(h->Table->RecNo(), 3);
    EXPECT_FALSE(h->Table->Locate("Neni", Variant(5), {}));
    EXPECT_FALSE(h->Table->Locate("", Variant(5), {}));
}

TEST(TMemDataLocateTest, NullKeyFindsTheFirstNullAmongTheVisibleRecords) {
    auto h = Contacts("");
    h->Table->Append();
    h->Table->FieldByName("ID")->SetAsInteger(6);
    h->Table->Post();
    h->Table->Append();
    h->Table->FieldByName("ID")->SetAsInteger(7);
    h->Table->Post();
    EXPECT_TRUE(h->Table->Locate("Poradi", Null(), {}));
    EXPECT_EQ(CurrentId(*h), 6);
    h->Table->SetOnFilterRecord([](TDataSet* ds, bool& accept) { accept = ds->FieldByName("ID")->AsInteger() != 6; });
    EXPECT_TRUE(h->Table->Locate("Poradi", Null(), {}));
    EXPECT_EQ(CurrentId(*h), 7) << "the hidden record is not found";
}

TEST(TMemDataLocateTest, SeveralFieldsMustAllMatch) {
    auto h = Contacts("Jmeno");
    EXPECT_TRUE(h->Table->Locate("Jmeno;Poradi", VarArrayOf({Variant("Nov"), Variant(20)}), TLocateOptions{loPartialKey}));
    EXPECT_EQ(CurrentId(*h), 3);
    EXPECT_FALSE(h->Table->Locate("Jmeno;Poradi", VarArrayOf({Variant("Adam"), Variant(20)}), {}));
    EXPECT_FALSE(h->Table->Locate("Jmeno;Poradi", Variant("Adam"), {}));
}

TEST(TMemDataLocateTest, LookupReadsAValueWithoutMovingTheCursor) {
    auto h = Contacts("Jmeno");
    h->Table->First();
    int scrolls = 0;
    h->Table->AfterScroll = [&](TDataSet*) { ++scrolls; };
    EXPECT_EQ(h->Table->Lookup("ID", Variant(5), "Jmeno").AsString(), "Zikmund");
    EXPECT_EQ(h->Table->Lookup("Jmeno", Variant("Nový"), "Poradi").AsInteger(), 20);
    EXPECT_EQ(h->Table->Lookup("ID", Variant(9), "Jmeno").AsString(), "");
    EXPECT_FALSE(h->Table->Lookup("ID", Variant(9), "Poradi").AsBoolean());
    EXPECT_EQ(CurrentId(*h), 2);
    EXPECT_EQ(scrolls, 0);
}

TEST(TMemDataLocateTest, LocateFiresScrollEventsOnlyWhenMoving) {
    auto h = Contacts("");
    int scrolls = 0;
    h->Table->AfterScroll = [&](TDataSet*) { ++scrolls; };
    h->Table->First();
    scrolls = 0;
    EXPECT_TRUE(h->Table->Locate("ID", Variant(1), {}));
    EXPECT_EQ(scrolls, 0);
    EXPECT_TRUE(h->Table->Locate("ID", Variant(4), {}));
    EXPECT_EQ(scrolls, 1);
}

TEST(TMemDataLocateTest, AKeyBeforeTheFirstTextThatItBeginsStopsOnTheFirstRecord) {
    auto h = Contacts("Jmeno");
    h->Table->SetRecNo(3);
    // "Ad" sorts before "Adam" and agrees with it as far as it goes.
    EXPECT_FALSE(h->Table->Locate("Jmeno", Variant("Ad"), {}));
    EXPECT_EQ(h->Table->RecNo(), 1);
    h->Table->SetRecNo(3);
    EXPECT_FALSE(h->Table->Locate("Jmeno", Variant("Aa"), {}));
    EXPECT_EQ(h->Table->RecNo(), 3);
    // After the last record: not found.
    EXPECT_FALSE(h->Table->Locate("Jmeno", Variant("Žofie"), {}));
    EXPECT_FALSE(h->Table->Locate("Jmeno", Variant(AnsiString(25, 'x')), {})) << "longer than the field";
}

TEST(TMemDataLocateTest, RewritingTheSameSortFieldDoesNotResortButEmptyThenTheNameDoes) {
    // A calculated sort field recomputed by Refresh changes values without
    // sorted moves; only the forced re-sort brings the order back.
    auto h = MakeGroups();
    auto* rank = AddField<TIntegerField>(h->Owner.get(), h->Table, "Rank");
    rank->SetFieldKind(fkCalculated);
    int sign = 1;
    h->Table->OnCalcFields = [&](TDataSet* ds) {
        ds->FieldByName("Rank")->SetAsInteger(sign * ds->FieldByName("ID")->AsInteger());
    };
    h->Table->SetSortedField("Rank");
    h->Table->Open();
    for (int i = 1; i <= 4; ++i) AppendGroup(h->Table, i, "G" + IntToStr(i), i);
    h->Table->Refresh();
    auto ids = [&] {
        std::vector<int> v;
        for (h->Table->First(); !h->Table->Eof(); h->Table->Next()) v.push_back(CurrentId(*h));
        return v;
    };
    EXPECT_EQ(ids(), (std::vector<int>{1, 2, 3, 4}));
    sign = -1;
    h->Table->Refresh();
    h->Table->SetSortedField("Rank");
    EXPECT_EQ(ids(), (std::vector<int>{1, 2, 3, 4}));
    h->Table->SetSortedField("");
    h->Table->SetSortedField("Rank");
    EXPECT_EQ(ids(), (std::vector<int>{4, 3, 2, 1}));
}

// The sorted search compares with the table's case rule; a key in another
// case that matches the first record must still be found when the caller
// asks for case-insensitive matching.
TEST(TMemDataLocateTest, CaseInsensitivePartialKeyFindsTheFirstSortedRecord) {
    auto h = MakeGroups();
    h->Table->SetSortedField("Jmeno");
    h->Table->Open();
    AppendGroup(h->Table, 1, "Česko", 10);
    AppendGroup(h->Table, 2, "Dánsko", 20);
    h->Table->Last();
    EXPECT_TRUE(h->Table->Locate("Jmeno", Variant("čes"), TLocateOptions{loCaseInsensitive, loPartialKey}));
    EXPECT_EQ(CurrentId(*h), 1);
    EXPECT_TRUE(h->Table->Locate("Jmeno", Variant("ČESKO"), TLocateOptions{loCaseInsensitive}));
    EXPECT_EQ(CurrentId(*h), 1);
    EXPECT_FALSE(h->Table->Locate("Jmeno", Variant("čes"), TLocateOptions{loPartialKey}));
}
