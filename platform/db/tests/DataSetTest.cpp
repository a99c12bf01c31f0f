// The data-set base: the buffer window, states, events and data links.

#include <gtest/gtest.h>

#include <memory>

#include "platform/db/tests/TestDataSet.h"

namespace {

struct TFixture {
    std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
    TTestDataSet* DS = new TTestDataSet(Owner.get());
    TIntegerField* Value = nullptr;

    explicit TFixture(int rows) {
        DS->SetName("Tabulka");
        Value = new TIntegerField(Owner.get());
        Value->SetFieldName("Value");
        Value->SetDataSet(DS);
        for (int i = 1; i <= rows; ++i) DS->AddRow({TTestDataSet::Int(i * 10)});
    }
};

std::vector<int> Visible(TDataSet* ds, TDataLink& link, TField* f) {
    std::vector<int> values;
    int active = link.ActiveRecord();
    for (int i = 0; i < link.RecordCount(); ++i) {
        link.SetActiveRecord(i);
        values.push_back(f->AsInteger());
    }
    link.SetActiveRecord(active);
    (void)ds;
    return values;
}

}  // namespace

TEST(TDataSetTest, NavigatesWithBofAndEof) {
    TFixture f(3);
    f.DS->Open();
    EXPECT_TRUE(f.DS->Bof());
    EXPECT_FALSE(f.DS->Eof());
    EXPECT_EQ(f.Value->AsInteger(), 10);
    f.DS->Next();
    f.DS->Next();
    EXPECT_EQ(f.Value->AsInteger(), 30);
    EXPECT_FALSE(f.DS->Eof());
    f.DS->Next();
    EXPECT_TRUE(f.DS->Eof());
    EXPECT_EQ(f.Value->AsInteger(), 30);
    EXPECT_EQ(f.DS->MoveBy(-5), -2);
    EXPECT_TRUE(f.DS->Bof());
    EXPECT_EQ(f.Value->AsInteger(), 10);
    f.DS->Last();
    EXPECT_TRUE(f.DS->Eof());
    EXPECT_EQ(f.Value->AsInteger(), 30);
    EXPECT_EQ(f.DS->RecNo(), 3);
}

TEST(TDataSetTest, ClosedDataSetRefusesWork) {
    TFixture f(1);
    try {
        f.DS->First();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Tabulka: Cannot perform this operation on a closed dataset");
    }
}

TEST(TDataSetTest, LinkWindowScrollsOverTheRecords) {
    TFixture f(10);
    TDataSource source(f.Owner.get());
    source.SetDataSet(f.DS);
    TLogLink link;
    link.SetBufferCount(4);
    link.SetDataSource(&source);
    f.DS->Open();
    EXPECT_EQ(link.RecordCount(), 4);
    EXPECT_EQ(Visible(f.DS, link, f.Value), (std::vector<int>{10, 20, 30, 40}));
    f.DS->MoveBy(3);
    EXPECT_EQ(link.ActiveRecord(), 3);
    link.Log.clear();
    f.DS->Next();
    EXPECT_EQ(link.ActiveRecord(), 3);
    EXPECT_EQ(Visible(f.DS, link, f.Value), (std::vector<int>{20, 30, 40, 50}));
    EXPECT_EQ(link.Log, (std::vector<std::string>{"scrolled 1"}));
    EXPECT_EQ(f.Value->AsInteger(), 50);
    f.DS->MoveBy(-4);
    EXPECT_EQ(link.ActiveRecord(), 0);
    EXPECT_EQ(f.Value->AsInteger(), 10);
    EXPECT_EQ(Visible(f.DS, link, f.Value), (std::vector<int>{10, 20, 30, 40}));
    f.DS->Last();
    EXPECT_EQ(Visible(f.DS, link, f.Value), (std::vector<int>{70, 80, 90, 100}));
    EXPECT_EQ(f.DS->RecNo(), 10);
    // Going to a bookmark centres the window on the record.
    f.DS->First();
    f.DS->MoveBy(4);
    TBookmark fifty = f.DS->GetBookmark();
    f.DS->Last();
    f.DS->GotoBookmark(fifty);
    EXPECT_EQ(f.Value->AsInteger(), 50);
    EXPECT_EQ(link.ActiveRecord(), 1);
    EXPECT_EQ(Visible(f.DS, link, f.Value), (std::vector<int>{40, 50, 60, 70}));
}

TEST(TDataSetTest, InsertInsideTheWindowAndCancelRestoresIt) {
    TFixture f(6);
    TDataSource source(f.Owner.get());
    source.SetDataSet(f.DS);
    TLogLink link;
    link.SetBufferCount(3);
    link.SetDataSource(&source);
    f.DS->Open();
    f.DS->Next();
    f.DS->Insert();
    EXPECT_EQ(f.DS->State(), dsInsert);
    EXPECT_TRUE(f.Value->IsNull());
    EXPECT_EQ(link.ActiveRecord(), 1);
    f.DS->Cancel();
    EXPECT_EQ(f.Value->AsInteger(), 20);
    EXPECT_EQ(Visible(f.DS, link, f.Value), (std::vector<int>{10, 20, 30}));
    f.DS->Insert();
    f.Value->SetAsInteger(15);
    f.DS->Post();
    EXPECT_EQ(f.Value->AsInteger(), 15);
    EXPECT_EQ(Visible(f.DS, link, f.Value), (std::vector<int>{10, 15, 20}));
    f.DS->Append();
    f.Value->SetAsInteger(99);
    f.DS->Post();
    EXPECT_EQ(f.DS->RecNo(), 8);
    EXPECT_EQ(Visible(f.DS, link, f.Value), (std::vector<int>{50, 60, 99}));
}

TEST(TDataSetTest, StateChangesReachSourcesAndLinks) {
    TFixture f(2);
    TDataSource source(f.Owner.get());
    std::vector<TDataSetState> states;
    source.OnStateChange = [&](TObject*) { states.push_back(source.State()); };
    int changes = 0;
    source.OnDataChange = [&](TObject*, TField*) { ++changes; };
    source.SetDataSet(f.DS);
    TLogLink link;
    link.SetDataSource(&source);
    f.DS->Open();
    f.DS->Edit();
    f.Value->SetAsInteger(11);
    EXPECT_TRUE(f.DS->Modified());
    f.DS->Post();
    f.DS->Close();
    EXPECT_EQ(states, (std::vector<TDataSetState>{dsBrowse, dsEdit, dsBrowse, dsInactive}));
    EXPECT_GT(changes, 0);
    EXPECT_EQ(link.Log.front(), "active");
    EXPECT_NE(std::find(link.Log.begin(), link.Log.end(), "editing"), link.Log.end());
    EXPECT_NE(std::find(link.Log.begin(), link.Log.end(), "record Value"), link.Log.end());
    EXPECT_NE(std::find(link.Log.begin(), link.Log.end(), "update"), link.Log.end());
    EXPECT_EQ(link.Log.back(), "inactive");
    EXPECT_FALSE(link.Editing());
}

TEST(TDataSetTest, NavigationPostsAModifiedEditAndCancelsAnUntouchedOne) {
    TFixture f(3);
    int posts = 0, cancels = 0;
    f.DS->AfterPost = [&](TDataSet*) { ++posts; };
    f.DS->AfterCancel = [&](TDataSet*) { ++cancels; };
    f.DS->Open();
    f.DS->Edit();
    f.Value->SetAsInteger(12);
    f.DS->Next();
    EXPECT_EQ(posts, 1);
    f.DS->Edit();
    f.DS->Next();
    EXPECT_EQ(cancels, 1);
    f.DS->First();
    EXPECT_EQ(f.Value->AsInteger(), 12);
}

TEST(TDataSetTest, EditOfAnEmptyDataSetInserts) {
    TFixture f(0);
    f.DS->Open();
    EXPECT_TRUE(f.DS->IsEmpty());
    f.DS->Edit();
    EXPECT_EQ(f.DS->State(), dsInsert);
    f.DS->Cancel();
    EXPECT_THROW(f.DS->Delete(), EDatabaseError);
}

TEST(TDataSetTest, ScrollEventsSurroundEveryMove) {
    TFixture f(3);
    std::vector<std::string> log;
    f.DS->BeforeScroll = [&](TDataSet*) { log.push_back("before"); };
    f.DS->AfterScroll = [&](TDataSet* ds) { log.push_back("after " + std::to_string(ds->FieldByName("value")->AsInteger())); };
    f.DS->Open();
    f.DS->Next();
    f.DS->Last();
    f.DS->Next();  // at the end: no move, no events after the first one
    EXPECT_EQ(log, (std::vector<std::string>{"after 10", "before", "after 20", "before", "after 30", "before"}));
}

TEST(TDataSetTest, DisabledControlsHearOneChangeWhenEnabledAgain) {
    TFixture f(5);
    TDataSource source(f.Owner.get());
    source.SetDataSet(f.DS);
    TLogLink link;
    link.SetDataSource(&source);
    f.DS->Open();
    link.Log.clear();
    f.DS->DisableControls();
    f.DS->DisableControls();
    EXPECT_TRUE(f.DS->ControlsDisabled());
    f.DS->Next();
    f.DS->Next();
    f.DS->EnableControls();
    EXPECT_TRUE(link.Log.empty());
    f.DS->EnableControls();
    EXPECT_FALSE(f.DS->ControlsDisabled());
    EXPECT_EQ(link.Log, (std::vector<std::string>{"changed"}));
    f.DS->EnableControls();  // unbalanced: ignored
}

TEST(TDataSetTest, PostErrorHandlerDecidesWhatHappens) {
    TFixture f(1);
    f.Value->SetRequired(true);
    f.DS->Open();
    f.DS->Append();
    try {
        f.DS->Post();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Tabulka: Field 'Value' must have a value");
    }
    EXPECT_EQ(f.DS->State(), dsInsert);
    f.DS->OnPostError = [&](TDataSet*, EDatabaseError&, TDataAction& action) { action = daAbort; };
    EXPECT_THROW(f.DS->Post(), EAbort);
    int calls = 0;
    f.DS->OnPostError = [&](TDataSet*, EDatabaseError&, TDataAction& action) {
        ++calls;
        f.Value->SetAsInteger(5);
        action = daRetry;
    };
    f.DS->Post();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(f.DS->RecordCount(), 2);
}

TEST(TDataSetTest, ReadOnlyDataSetCannotBeModified) {
    TFixture f(1);
    f.DS->ReadOnlyTable = true;
    f.DS->Open();
    try {
        f.DS->Edit();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Tabulka: Cannot modify a read-only dataset");
    }
}

TEST(TDataSetTest, DefaultFieldsComeFromTheDefinitionsAndGoOnClose) {
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* ds = new TTestDataSet(owner.get());
    // With no field objects the engine's definitions become fields.
    ds->FieldDefs().Add("Jmeno", ftString, 5);
    ds->FieldDefs().Add("Pocet", ftInteger);
    ds->AddRow({"Eva", TTestDataSet::Int(3)});
    ds->Open();
    EXPECT_TRUE(ds->DefaultFields());
    ASSERT_EQ(ds->FieldCount(), 2);
    EXPECT_EQ(ds->FieldByName("JMENO")->AsString(), "Eva");
    EXPECT_EQ(ds->FieldByName("pocet")->AsInteger(), 3);
    EXPECT_EQ(ds->FindField("Nic"), nullptr);
    try {
        ds->FieldByName("Nic");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'Nic' not found");
    }
    ds->Close();
    EXPECT_EQ(ds->FieldCount(), 0);
}

TEST(TDataSetTest, AppendRecordStoresValuesInFieldOrder) {
    TFixture f(0);
    f.DS->Open();
    f.DS->AppendRecord({Variant(7)});
    f.DS->AppendRecord({Variant(8)});
    EXPECT_EQ(f.DS->RecordCount(), 2);
    EXPECT_EQ(f.Value->AsInteger(), 8);
    EXPECT_EQ(f.DS->State(), dsBrowse);
}

TEST(TDataSetTest, LookupFieldsNeedTheirDefinition) {
    TFixture f(1);
    auto* lookup = new TStringField(f.Owner.get());
    lookup->SetFieldName("Nazev");
    lookup->SetFieldKind(fkLookup);
    lookup->SetDataSet(f.DS);
    try {
        f.DS->Open();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Tabulka: Lookup information for field 'Nazev' is incomplete");
    }
    EXPECT_FALSE(f.DS->Active());
}

TEST(TDataSetTest, WindowFollowsTheLargestLinkAndShrinksAroundTheActiveRecord) {
    TFixture f(10);
    TDataSource source(f.Owner.get());
    source.SetDataSet(f.DS);
    TLogLink grid, edit;
    grid.SetBufferCount(6);
    grid.SetDataSource(&source);
    edit.SetDataSource(&source);
    f.DS->Open();
    EXPECT_EQ(f.DS->BufferCount(), 6);
    f.DS->MoveBy(4);
    EXPECT_EQ(edit.RecordCount(), 1);
    EXPECT_EQ(edit.ActiveRecord(), 0);
    EXPECT_EQ(Visible(f.DS, edit, f.Value), (std::vector<int>{50}));
    grid.SetBufferCount(2);
    EXPECT_EQ(f.DS->BufferCount(), 2);
    EXPECT_EQ(f.Value->AsInteger(), 50);
    EXPECT_EQ(Visible(f.DS, grid, f.Value), (std::vector<int>{40, 50}));
    grid.SetBufferCount(4);
    EXPECT_EQ(f.Value->AsInteger(), 50);
    std::vector<int> rows = Visible(f.DS, grid, f.Value);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_NE(std::find(rows.begin(), rows.end(), 50), rows.end());
    for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i], rows[i - 1] + 10);
    grid.SetDataSource(nullptr);
    EXPECT_EQ(f.DS->BufferCount(), 1);
    EXPECT_EQ(f.Value->AsInteger(), 50);
}

// A grid that grows (shown, laid out, resized) asks for more rows: it gets
// the records before the current one when those after it run out, whichever
// link holds the data set's window, and the other links keep their records.
TEST(TDataSetTest, AGrowingLinkShowsTheRecordsBeforeTheCurrentOneAndTheOthersKeepTheirRows) {
    {
        TFixture f(7);
        TDataSource source(f.Owner.get());
        source.SetDataSet(f.DS);
        TLogLink grid;
        grid.SetDataSource(&source);
        f.DS->Open();
        f.DS->MoveBy(6);
        grid.SetBufferCount(10);
        EXPECT_EQ(f.Value->AsInteger(), 70);
        EXPECT_EQ(grid.ActiveRecord(), 6);
        EXPECT_EQ(Visible(f.DS, grid, f.Value), (std::vector<int>{10, 20, 30, 40, 50, 60, 70}));
    }
    {
        // A wider link already holds the window; the small one grows into it.
        TFixture f(10);
        TDataSource source(f.Owner.get());
        source.SetDataSet(f.DS);
        TLogLink wide, grid;
        wide.SetBufferCount(6);
        wide.SetDataSource(&source);
        grid.SetDataSource(&source);
        f.DS->Open();
        f.DS->MoveBy(4);
        ASSERT_EQ(Visible(f.DS, grid, f.Value), (std::vector<int>{50}));
        grid.SetBufferCount(6);
        EXPECT_EQ(f.Value->AsInteger(), 50);
        EXPECT_EQ(grid.ActiveRecord(), 4);
        EXPECT_EQ(Visible(f.DS, grid, f.Value), (std::vector<int>{10, 20, 30, 40, 50, 60}));
    }
    {
        // Records fetched above the window push the other links' rows down
        // with their records.
        TFixture f(7);
        TDataSource source(f.Owner.get());
        source.SetDataSet(f.DS);
        TLogLink list, grid;
        list.SetBufferCount(3);
        list.SetDataSource(&source);
        grid.SetDataSource(&source);
        f.DS->Open();
        f.DS->MoveBy(5);
        ASSERT_EQ(Visible(f.DS, list, f.Value), (std::vector<int>{40, 50, 60}));
        grid.SetBufferCount(6);
        EXPECT_EQ(Visible(f.DS, grid, f.Value), (std::vector<int>{20, 30, 40, 50, 60, 70}));
        EXPECT_EQ(grid.ActiveRecord(), 4);
        EXPECT_EQ(list.ActiveRecord(), 2);
        EXPECT_EQ(Visible(f.DS, list, f.Value), (std::vector<int>{40, 50, 60}));
    }
}
