// The record store: cursor, posting, deleting, record ids, value storage.

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "platform/classes/TypInfo.h"
#include "platform/rtl/DateUtils.h"
#include "tables/tests/TableFixture.h"

#ifdef VEMLOR_TABLE_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace {

class TBytesField : public TField {
public:
    explicit TBytesField(TComponent* owner) : TField(owner) { SetDataType(ftBytes); }
    int DataSize() const override { return 4; }
};

std::vector<AnsiString> Names(TMemData* t) {
    std::vector<AnsiString> names;
    for (t->First(); !t->Eof(); t->Next()) names.push_back(t->FieldByName("Jmeno")->AsString());
    return names;
}

}  // namespace

TEST(TMemDataTest, UnsupportedFieldTypeKeepsTheTableClosed) {
    auto h = MakeGroups();
    AddField<TBytesField>(h->Owner.get(), h->Table, "Surova");
    try {
        h->Table->Open();
        FAIL() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Unsupported field type: Surova");
    }
    EXPECT_FALSE(h->Table->Active());
}

TEST(TMemDataTest, EmptyTableHasNoRecordsAndEveryFetchIsAtTheEnd) {
    auto h = MakeGroups();
    h->Table->Open();
    EXPECT_EQ(h->Table->RecNo(), 0);
    EXPECT_EQ(h->Table->RecordCount(), 0);
    EXPECT_TRUE(h->Table->Eof());
    EXPECT_TRUE(h->Table->Bof());
    EXPECT_TRUE(h->Table->IsEmpty());
    h->Table->Next();
    h->Table->Last();
    EXPECT_TRUE(h->Table->Eof());
    EXPECT_TRUE(h->Table->FieldByName("ID")->IsNull());
    EXPECT_EQ(h->Table->MemFields()->StoredRecordCount(), 0);
}

TEST(TMemDataTest, RecIdIsTheHiddenFirstFieldAndNumbersRecordsWithoutReuse) {
    auto h = MakeGroups();
    TField* recId = h->Table->Fields()[0];
    EXPECT_EQ(recId->FieldName(), "RecId");
    EXPECT_EQ(recId->Name(), "SkupinyRecId");
    EXPECT_FALSE(recId->Visible());
    h->Table->Open();
    for (int i = 1; i <= 10; ++i) AppendGroup(h->Table, i, "G" + IntToStr(i), i);
    std::vector<int> ids;
    for (h->Table->First(); !h->Table->Eof(); h->Table->Next()) ids.push_back(recId->AsInteger());
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    h->Table->Last();
    h->Table->Delete();
    AppendGroup(h->Table, 11, "G11", 11);
    EXPECT_EQ(recId->AsInteger(), 11);
    // Reopening starts a new life.
    h->Table->Close();
    h->Table->Open();
    AppendGroup(h->Table, 1, "G1", 1);
    EXPECT_EQ(recId->AsInteger(), 1);
}

TEST(TMemDataTest, InsertGoesBeforeTheCurrentRecordAndAppendAfterTheLast) {
    auto h = MakeGroups();
    h->Table->Open();
    AppendGroup(h->Table, 1, "A", 0);
    AppendGroup(h->Table, 3, "C", 0);
    h->Table->First();
    h->Table->Next();
    h->Table->Insert();
    h->Table->FieldByName("Jmeno")->SetAsString("B");
    h->Table->Post();
    EXPECT_EQ(h->Table->RecNo(), 2);
    h->Table->First();
    h->Table->Insert();
    h->Table->FieldByName("Jmeno")->SetAsString("0");
    h->Table->Post();
    AppendGroup(h->Table, 4, "D", 0);
    EXPECT_EQ(Names(h->Table), (std::vector<AnsiString>{"0", "A", "B", "C", "D"}));
    EXPECT_EQ(h->Table->RecordCount(), 5);
}

TEST(TMemDataTest, CancelDropsTheEditAndTheInsert) {
    auto h = MakeGroups();
    h->Table->Open();
    AppendGroup(h->Table, 1, "A", 0);
    h->Table->Edit();
    h->Table->FieldByName("Jmeno")->SetAsString("Z");
    h->Table->Cancel();
    EXPECT_EQ(h->Table->FieldByName("Jmeno")->AsString(), "A");
    h->Table->Append();
    h->Table->Cancel();
    EXPECT_EQ(h->Table->RecordCount(), 1);
    EXPECT_EQ(h->Table->State(), dsBrowse);
}

TEST(TMemDataTest, DeletingTheLastRecordMovesToTheNewLast) {
    auto h = MakeGroups();
    h->Table->Open();
    for (int i = 1; i <= 3; ++i) AppendGroup(h->Table, i, "G" + IntToStr(i), i);
    h->Table->Last();
    h->Table->Delete();
    EXPECT_EQ(h->Table->FieldByName("ID")->AsInteger(), 2);
    EXPECT_EQ(h->Table->RecNo(), 2);
    h->Table->First();
    h->Table->Delete();
    EXPECT_EQ(h->Table->FieldByName("ID")->AsInteger(), 2);
    h->Table->Delete();
    EXPECT_TRUE(h->Table->IsEmpty());
    EXPECT_THROW(h->Table->Delete(), EDatabaseError);
}

TEST(TMemDataTest, RecNoOutOfRangeLeavesTheCursor) {
    auto h = MakeGroups();
    h->Table->Open();
    for (int i = 1; i <= 3; ++i) AppendGroup(h->Table, i, "G" + IntToStr(i), i);
    int scrolls = 0;
    h->Table->AfterScroll = [&](TDataSet*) { ++scrolls; };
    h->Table->SetRecNo(2);
    EXPECT_EQ(h->Table->FieldByName("ID")->AsInteger(), 2);
    EXPECT_EQ(scrolls, 1);
    h->Table->SetRecNo(0);
    h->Table->SetRecNo(4);
    EXPECT_EQ(h->Table->RecNo(), 2);
    h->Table->SetRecNo(2);
    EXPECT_EQ(scrolls, 1) << "no scroll when the position does not change";
}

TEST(TMemDataTest, BookmarksFollowRecordsAndDieWithThem) {
    auto h = MakeGroups();
    h->Table->Open();
    for (int i = 1; i <= 5; ++i) AppendGroup(h->Table, i, "G" + IntToStr(i), i);
    h->Table->SetRecNo(2);
    TBookmark second = h->Table->GetBookmark();
    h->Table->SetRecNo(4);
    TBookmark fourth = h->Table->GetBookmark();
    EXPECT_EQ(h->Table->CompareBookmarks(second, fourth), -1);
    EXPECT_EQ(h->Table->CompareBookmarks(fourth, second), 1);
    EXPECT_EQ(h->Table->CompareBookmarks(TBookmark(), second), 1);
    EXPECT_EQ(h->Table->CompareBookmarks(TBookmark(), TBookmark()), 0);
    h->Table->GotoBookmark(second);
    EXPECT_EQ(h->Table->FieldByName("ID")->AsInteger(), 2);
    h->Table->Delete();
    EXPECT_FALSE(h->Table->BookmarkValid(second));
    EXPECT_TRUE(h->Table->BookmarkValid(fourth));
    try {
        h->Table->GotoBookmark(second);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Skupiny: Bookmark not found");
    }
}

TEST(TMemDataTest, WritingOutsideEditModeIsRefused) {
    auto h = MakeGroups();
    h->Table->Open();
    AppendGroup(h->Table, 1, "A", 0);
    try {
        h->Table->FieldByName("Jmeno")->SetAsString("B");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Skupiny: Dataset not in edit or insert mode");
    }
    h->Table->SetReadOnly(true);
    EXPECT_THROW(h->Table->Edit(), EDatabaseError);
    EXPECT_THROW(h->Table->Append(), EDatabaseError);
}

TEST(TMemDataTest, WideStringsAreValuesNotSharedReferences) {
    auto h = std::make_unique<TTableHolder>();
    auto* wide = AddField<TWideStringField>(h->Owner.get(), h->Table, "W", 20);
    h->Table->Open();
    h->Table->Append();
    wide->SetAsWideString(u"první");
    h->Table->Post();
    h->Table->Append();
    wide->SetAsWideString(u"druhý");
    h->Table->Post();

    // A null write in the buffer leaves the stored value alone until posted.
    h->Table->First();
    h->Table->Edit();
    wide->Clear();
    EXPECT_TRUE(wide->IsNull());
    h->Table->Cancel();
    EXPECT_EQ(wide->AsWideString(), u"první");
    EXPECT_EQ(h->Table->MemFields()->FieldAt(1)->WideValue(0), u"první");

    // Changing one record never shows in another.
    h->Table->Edit();
    wide->SetAsWideString(u"změna");
    h->Table->Post();
    h->Table->Next();
    EXPECT_EQ(wide->AsWideString(), u"druhý");
    h->Table->Edit();
    wide->Clear();
    h->Table->Post();
    EXPECT_TRUE(wide->IsNull());
    h->Table->First();
    EXPECT_EQ(wide->AsWideString(), u"změna");
    EXPECT_EQ(wide->AsString(), "změna");
}

TEST(TMemDataTest, BlobsLiveBesideTheRecordAndCancelRestoresThem) {
    auto h = std::make_unique<TTableHolder>();
    auto* memo = AddField<TMemoField>(h->Owner.get(), h->Table, "Text");
    auto* name = AddField<TStringField>(h->Owner.get(), h->Table, "Jmeno", 10);
    h->Table->Open();
    h->Table->Append();
    name->SetAsString("bez textu");
    h->Table->Post();
    EXPECT_TRUE(memo->IsNull());
    EXPECT_EQ(memo->AsString(), "");
    h->Table->Edit();
    memo->SetAsString("uložený text");
    h->Table->Post();
    h->Table->Edit();
    memo->SetAsString("rozepsaný");
    h->Table->Cancel();
    EXPECT_EQ(memo->AsString(), "uložený text");
    EXPECT_EQ(memo->DisplayText(), "(MEMO)");
}

TEST(TMemDataTest, DirectStorageAccessReadsValuesInPlace) {
    auto h = MakeGroups();
    h->Table->Open();
    AppendGroup(h->Table, 7, "Sedm", 1);
    AppendGroup(h->Table, 8, "Osm", 2);
    TMemFields* s = h->Table->MemFields();
    ASSERT_EQ(s->StoredRecordCount(), 2);
    EXPECT_TRUE(s->FieldAt(0)->IsRecId());
    const TMemField* jmeno = s->FieldAt(2);
    EXPECT_EQ(jmeno->Field()->FieldName(), "Jmeno");
    EXPECT_STREQ(reinterpret_cast<const char*>(jmeno->ValuePtr(1)), "Osm");
    Integer id;
    std::memcpy(&id, s->FieldAt(1)->ValuePtr(0), 4);
    EXPECT_EQ(id, 7);
    EXPECT_EQ(s->RecordSize(), 5 + 22 + 5 + 5);
}

TEST(TMemDataTest, ManyRecordsAppendedAndDeletedKeepTheirOwnValues) {
    // Enough records that their images fill blocks of huge pages and the
    // record list outgrows the heap; the images of deleted records go to the
    // records appended after them.
    auto h = MakeGroups();
    TMemData* t = h->Table;
    t->Open();
    constexpr int kRows = 12000, kGone = 300, kNew = 100;
    for (int i = 0; i < kRows; ++i) AppendGroup(t, i, "skupina " + std::to_string(i), i);
    t->SetRecNo(kRows - 3 * kGone + 1);
    for (int i = 0; i < kGone; ++i) {
        t->Delete();
        t->Next();
        t->Next();
    }
    for (int i = 0; i < kNew; ++i) {
        t->Append();
        t->FieldByName("ID")->SetAsInteger(kRows + i);
        t->Post();
    }
    int count = 0;
    std::set<int> added;
    for (t->First(); !t->Eof(); t->Next(), ++count) {
        const int id = t->FieldByName("ID")->AsInteger();
        if (id >= kRows) {
            added.insert(id);
            ASSERT_TRUE(t->FieldByName("Jmeno")->IsNull()) << id;
            ASSERT_TRUE(t->FieldByName("Poradi")->IsNull()) << id;
            continue;
        }
        ASSERT_FALSE(id >= kRows - 3 * kGone && (id - (kRows - 3 * kGone)) % 3 == 0) << id << " was deleted";
        ASSERT_EQ(t->FieldByName("Jmeno")->AsString(), "skupina " + std::to_string(id));
        ASSERT_EQ(t->FieldByName("Poradi")->AsInteger(), id);
    }
    EXPECT_EQ(count, kRows - kGone + kNew);
    EXPECT_EQ(added.size(), static_cast<std::size_t>(kNew)) << "each new record has an image of its own";
}

TEST(TMemDataTest, UnderAddressSanitizerDeletedAndOverrunImagesAreReported) {
#ifndef VEMLOR_TABLE_ASAN
    GTEST_SKIP() << "needs AddressSanitizer";
#else
    // Images share blocks, so the sanitizer sees none of them freed unless the
    // table tells it: a stale pointer to a deleted record, or a read past an
    // image into its neighbour, must still be reported.
    auto h = MakeGroups();
    TMemData* t = h->Table;
    t->Open();
    for (int i = 0; i < 3; ++i) AppendGroup(t, i, "skupina", i);
    TMemFields* s = t->MemFields();
    const Byte* gone = s->Record(1).Data;
    const std::size_t size = static_cast<std::size_t>(s->RecordSize());
    for (int pos = 0; pos < 3; ++pos) {
        EXPECT_FALSE(__asan_region_is_poisoned(const_cast<Byte*>(s->Record(pos).Data), size)) << pos;
        EXPECT_TRUE(__asan_address_is_poisoned(s->Record(pos).Data + size)) << "past image " << pos;
    }
    t->SetRecNo(2);
    t->Delete();
    EXPECT_TRUE(__asan_address_is_poisoned(gone));
    EXPECT_TRUE(__asan_address_is_poisoned(gone + size - 1));
    AppendGroup(t, 9, "nova", 9);
    EXPECT_TRUE(__asan_address_is_poisoned(gone)) << "a deleted record's image is not handed out again";
    EXPECT_EQ(t->FieldByName("Jmeno")->AsString(), "nova");
#endif
}

TEST(TMemDataTest, AutoIncrementNumbersNewRecordsAboveTheLargestValue) {
    auto h = std::make_unique<TTableHolder>();
    auto* autoInc = AddField<TAutoIncField>(h->Owner.get(), h->Table, "Cislo");
    h->Table->Open();
    h->Table->Append();
    h->Table->Post();
    EXPECT_EQ(autoInc->AsInteger(), 1);
    h->Table->Append();
    autoInc->SetAsInteger(50);
    h->Table->Post();
    EXPECT_EQ(autoInc->AsInteger(), 50);
    h->Table->Append();
    autoInc->SetAsInteger(20);
    h->Table->Post();
    EXPECT_EQ(autoInc->AsInteger(), 51);
}

TEST(TMemDataTest, EventsFireInOrderAndBusyWalksKeepThemQuiet) {
    auto h = MakeGroups();
    std::vector<std::string> log;
    TMemData* t = h->Table;
    t->BeforeOpen = [&](TDataSet*) { log.push_back("BeforeOpen"); };
    t->AfterOpen = [&](TDataSet*) { log.push_back("AfterOpen"); };
    t->BeforeInsert = [&](TDataSet*) { log.push_back("BeforeInsert"); };
    t->OnNewRecord = [&](TDataSet* ds) {
        log.push_back("OnNewRecord");
        ds->FieldByName("Poradi")->SetAsInteger(99);
    };
    t->AfterInsert = [&](TDataSet*) { log.push_back("AfterInsert"); };
    t->BeforePost = [&](TDataSet*) { log.push_back("BeforePost"); };
    t->AfterPost = [&](TDataSet*) { log.push_back("AfterPost"); };
    t->Open();
    t->Append();
    t->FieldByName("Jmeno")->SetAsString("X");
    t->Post();
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeOpen", "AfterOpen", "BeforeInsert", "OnNewRecord",
                                             "AfterInsert", "BeforePost", "AfterPost"}));
    EXPECT_EQ(t->FieldByName("Poradi")->AsInteger(), 99);

    std::string image = t->StoreToBytes();
    log.clear();
    t->RestoreFromBytes(image);
    EXPECT_TRUE(log.empty()) << log.front();
}

TEST(TMemDataTest, RefreshRecomputesStoredCalculatedFields) {
    auto h = std::make_unique<TTableHolder>();
    auto* text = AddField<TMemoField>(h->Owner.get(), h->Table, "Zprava");
    auto* preview = new TStringField(h->Owner.get());
    preview->SetFieldName("Nahled");
    preview->SetFieldKind(fkCalculated);
    preview->SetDataSet(h->Table);
    h->Table->Open();
    h->Table->Append();
    text->SetAsString("Ahoj, jak se máš? Dlouho jsme se neviděli.");
    h->Table->Post();
    EXPECT_TRUE(preview->IsNull()) << "writes of the base's calculation pass are ignored";
    h->Table->OnCalcFields = [&](TDataSet*) { preview->SetAsString(Copy(text->AsString(), 1, 20)); };
    h->Table->SetReadOnly(true);  // the engine's own walk may still write
    h->Table->Refresh();
    EXPECT_EQ(preview->AsString(), "Ahoj, jak se máš? Dl");
    // The value is stored and saved like any other.
    auto g = std::make_unique<TTableHolder>();
    AddField<TStringField>(g->Owner.get(), g->Table, "Nahled", 20);
    g->Table->RestoreFromBytes(h->Table->StoreToBytes());
    EXPECT_EQ(g->Table->FieldByName("Nahled")->AsString(), "Ahoj, jak se máš? Dl");
}

TEST(TMemDataTest, SortedTableKeepsPostedRecordsInOrder) {
    auto h = MakeGroups();
    h->Table->SetSortedField("Poradi");
    h->Table->Open();
    AppendGroup(h->Table, 1, "C", 3);
    AppendGroup(h->Table, 2, "A", 1);
    AppendGroup(h->Table, 3, "B", 2);
    EXPECT_EQ(Names(h->Table), (std::vector<AnsiString>{"A", "B", "C"}));
    h->Table->First();
    h->Table->Edit();
    h->Table->FieldByName("Poradi")->SetAsInteger(9);
    h->Table->Post();
    EXPECT_EQ(h->Table->FieldByName("Jmeno")->AsString(), "A") << "the cursor follows the moved record";
    EXPECT_EQ(Names(h->Table), (std::vector<AnsiString>{"B", "C", "A"}));
    // The forced re-sort idiom.
    h->Table->SetSortedField("");
    h->Table->SetSortedField("Jmeno");
    EXPECT_EQ(Names(h->Table), (std::vector<AnsiString>{"A", "B", "C"}));
    h->Table->SetSortOptions(TMemSortOptions{soDesc});
    EXPECT_EQ(Names(h->Table), (std::vector<AnsiString>{"C", "B", "A"}));
}

TEST(TMemDataTest, FilterListHidesRefusedRecords) {
    auto h = MakeGroups();
    h->Table->Open();
    for (int i = 1; i <= 6; ++i) AppendGroup(h->Table, i, "G" + IntToStr(i), i);
    h->Table->SetOnFilterRecord([](TDataSet* ds, bool& accept) { accept = ds->FieldByName("ID")->AsInteger() % 2 == 0; });
    EXPECT_TRUE(h->Table->Filtered());
    EXPECT_EQ(h->Table->RecordCount(), 3);
    EXPECT_EQ(Names(h->Table), (std::vector<AnsiString>{"G2", "G4", "G6"}));
    h->Table->SetRecNo(2);
    h->Table->Delete();
    EXPECT_EQ(h->Table->FieldByName("ID")->AsInteger(), 6);
    EXPECT_EQ(Names(h->Table), (std::vector<AnsiString>{"G2", "G6"}));
    h->Table->First();
    h->Table->Edit();
    h->Table->FieldByName("ID")->SetAsInteger(3);
    h->Table->Post();
    EXPECT_EQ(h->Table->RecordCount(), 1);
    h->Table->SetOnFilterRecord(nullptr);
    EXPECT_FALSE(h->Table->Filtered());
    EXPECT_EQ(h->Table->RecordCount(), 5);
}

// A grid's window of several rows leaves the engine's cursor on the
// window's last row after each fetch; every operation that reads the cursor
// must first put it back on the active record.
TEST(TMemDataTest, ResortUnderAGridKeepsTheCursorPositionAndFiresScrollEvents) {
    auto h = MakeGroups();
    TGridWindow grid(h->Table, 5);
    h->Table->Open();
    const int orders[] = {7, 3, 8, 1, 6, 2, 5, 4};
    for (int i = 0; i < 8; ++i) AppendGroup(h->Table, i + 1, "G" + IntToStr(i + 1), orders[i]);
    int before = 0, after = 0;
    h->Table->BeforeScroll = [&](TDataSet*) { ++before; };
    h->Table->AfterScroll = [&](TDataSet*) { ++after; };

    h->Table->First();
    before = after = 0;
    h->Table->SetSortedField("Poradi");
    EXPECT_EQ(h->Table->RecNo(), 1);
    EXPECT_EQ(h->Table->FieldByName("Poradi")->AsInteger(), 1);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);

    h->Table->SetRecNo(3);
    h->Table->SetSortOptions(TMemSortOptions{soDesc});
    EXPECT_EQ(h->Table->RecNo(), 3);
    EXPECT_EQ(h->Table->FieldByName("Poradi")->AsInteger(), 6);
    EXPECT_EQ(Names(h->Table).front(), "G3");
}

TEST(TMemDataTest, FilterUnderAGridThatRefusesEveryRecordAndItsRemoval) {
    auto h = MakeGroups();
    TGridWindow grid(h->Table, 5);
    h->Table->Open();
    for (int i = 1; i <= 8; ++i) AppendGroup(h->Table, i, "G" + IntToStr(i), i);

    h->Table->SetOnFilterRecord([](TDataSet*, bool& accept) { accept = false; });
    EXPECT_TRUE(h->Table->Filtered());
    EXPECT_EQ(h->Table->RecordCount(), 0);
    EXPECT_TRUE(h->Table->IsEmpty());
    EXPECT_EQ(h->Table->RecNo(), 0);
    h->Table->SetOnFilterRecord(nullptr);
    EXPECT_FALSE(h->Table->Filtered());
    EXPECT_EQ(h->Table->RecordCount(), 8);
    EXPECT_EQ(Names(h->Table).size(), 8u);

    // Showing every record again keeps the cursor on the record it was on.
    h->Table->SetOnFilterRecord([](TDataSet* ds, bool& accept) { accept = ds->FieldByName("ID")->AsInteger() > 2; });
    h->Table->First();
    EXPECT_EQ(h->Table->FieldByName("ID")->AsInteger(), 3);
    h->Table->SetOnFilterRecord(nullptr);
    EXPECT_EQ(h->Table->FieldByName("ID")->AsInteger(), 3);
    EXPECT_EQ(h->Table->RecNo(), 3);
}

TEST(TMemDataTest, FindRecordByValueGivesTheStoredPosition) {
    auto h = MakeGroups();
    h->Table->Open();
    AppendGroup(h->Table, 5, "A", 0);
    AppendGroup(h->Table, 6, "B", 0);
    EXPECT_EQ(h->Table->FindRecordByValue(Variant(6), "ID"), 2);
    EXPECT_EQ(h->Table->FindRecordByValue(Variant("A"), "Jmeno"), 1);
    EXPECT_EQ(h->Table->FindRecordByValue(Variant(7), "ID"), -1);
    EXPECT_EQ(h->Table->FindRecordByValue(Variant(7), "Neni"), -1);
}

TEST(TMemDataTest, PublishesItsPropertiesInOrder) {
    auto h = MakeGroups();
    std::vector<AnsiString> names;
    for (const TPropInfo* p : GetPropList(h->Table)) names.push_back(p->Name);
    ASSERT_GE(names.size(), 8u);
    EXPECT_EQ(std::vector<AnsiString>(names.begin() + 2, names.begin() + 7),
              (std::vector<AnsiString>{"Active", "ReadOnly", "SortOptions", "SortedField", "BeforeOpen"}));
    SetPropValue(h->Table, "SortOptions", "[soDesc]");
    EXPECT_TRUE(h->Table->SortOptions().Contains(soDesc));
    SetPropValue(h->Table->FieldByName("Jmeno"), "DisplayLabel", "Název");
    EXPECT_EQ(h->Table->FieldByName("Jmeno")->DisplayLabel(), "Název");

    // The filter event is the last one and goes through its setter, so that
    // binding it by name filters at once.
    EXPECT_EQ(names.back(), "OnFilterRecord");
    h->Table->Open();
    for (int i = 1; i <= 4; ++i) AppendGroup(h->Table, i, "G", i);
    SetMethodProp<TFilterRecordEvent>(h->Table, "OnFilterRecord",
                                      [](TDataSet* ds, bool& accept) { accept = ds->FieldByName("ID")->AsInteger() > 3; });
    EXPECT_EQ(h->Table->RecordCount(), 1);
    EXPECT_TRUE(GetMethodProp<TFilterRecordEvent>(h->Table, "OnFilterRecord") != nullptr);
    SetMethodProp<TFilterRecordEvent>(h->Table, "OnFilterRecord", nullptr);
    EXPECT_EQ(h->Table->RecordCount(), 4);
}

TEST(TMemDataTest, FreeingAFieldClosesTheTable) {
    auto h = MakeGroups();
    h->Table->Open();
    AppendGroup(h->Table, 1, "A", 0);
    delete h->Table->FieldByName("Poradi");
    EXPECT_FALSE(h->Table->Active());
    h->Table->Open();
    EXPECT_EQ(h->Table->FieldCount(), 3);
}

TEST(TMemDataTest, TextSortsKeepTheirOrderTiesIncluded) {
    // Names that tie under each option (case and accent variants, repeats),
    // in a scrambled insertion order; the ID sequences were taken from the
    // sort before its texts were prepared once per record, and must not move.
    auto h = MakeGroups();
    TWideStringField* wide = AddField<TWideStringField>(h->Owner.get(), h->Table, "Siroky", 20);
    h->Table->Open();
    static const char* const names[] = {"čeněk", "Adam", "adam", "Čeněk", "bára", "Bára", "ADAM", "cenek", "", "Adam"};
    for (int i = 0; i < 40; ++i) {
        AnsiString name = names[(i * 7) % 10];
        h->Table->Append();
        h->Table->FieldByName("ID")->SetAsInteger(i + 1);
        h->Table->FieldByName("Jmeno")->SetAsString(name);
        h->Table->FieldByName("Poradi")->SetAsInteger(40 - i);
        wide->SetAsString(name);
        h->Table->Post();
    }
    auto ids = [&] {
        std::string s;
        for (h->Table->First(); !h->Table->Eof(); h->Table->Next())
            s += IntToStr(h->Table->FieldByName("ID")->AsInteger()) + " ";
        return s;
    };
    std::vector<std::string> got;
    for (const char* field : {"Jmeno", "Siroky"}) {
        for (TMemSortOptions options : {TMemSortOptions{}, TMemSortOptions{soDesc}, TMemSortOptions{soCaseInsensitive},
                                        TMemSortOptions{soDesc, soCaseInsensitive}}) {
            h->Table->SetSortedField("Poradi");
            h->Table->SetSortOptions(options);
            h->Table->SetSortedField(field);
            got.push_back(ids());
        }
    }
    // Plain, descending, case-insensitive, both; the wide-string field the same.
    const std::vector<std::string> expected = {
        "35 15 25 5 17 37 27 7 38 24 34 28 18 4 8 14 39 19 29 9 13 23 33 3 26 16 36 6 22 12 2 32 31 21 11 1 20 10 40 30 ",
        "20 10 40 30 21 1 11 31 32 2 22 12 36 16 26 6 13 33 23 3 9 19 39 29 18 14 8 28 34 4 24 38 17 27 37 7 5 35 15 25 ",
        "35 15 5 25 38 37 7 39 8 9 34 29 28 27 4 24 14 18 19 17 33 26 36 3 16 6 23 13 2 22 32 12 31 40 30 10 11 20 21 1 ",
        "1 20 11 10 40 31 30 21 22 2 12 32 13 3 26 16 23 6 33 36 19 18 4 8 9 24 27 28 17 7 29 14 37 34 39 38 15 25 35 5 ",
    };
    for (std::size_t k = 0; k < got.size(); ++k) EXPECT_EQ(got[k], expected[k % 4]) << "sort " << k;
}
