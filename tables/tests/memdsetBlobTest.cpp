// Blob streams: the cached stream on a record buffer, the uncached stream on
// the stored value, positions and the editing rules.

#include <gtest/gtest.h>

#include "tables/tests/TableFixture.h"

namespace {

struct TMemoTable {
    std::unique_ptr<TTableHolder> H = std::make_unique<TTableHolder>();
    TMemoField* Memo = AddField<TMemoField>(H->Owner.get(), H->Table, "Text");
    TStringField* Name = AddField<TStringField>(H->Owner.get(), H->Table, "Jmeno", 10);
    TMemData* T = H->Table;

    TMemoTable() { T->Open(); }
    void Add(const AnsiString& name, const AnsiString& text) {
        T->Append();
        Name->SetAsString(name);
        if (!text.empty()) Memo->SetAsString(text);
        T->Post();
    }
    std::unique_ptr<TMemBlobStream> Stream(TBlobStreamMode mode) {
        std::unique_ptr<TStream> s = T->CreateBlobStream(Memo, mode);
        return std::unique_ptr<TMemBlobStream>(static_cast<TMemBlobStream*>(s.release()));
    }
};

AnsiString ReadAll(TStream* s) {
    AnsiString text(static_cast<std::size_t>(s->Size()), '\0');
    s->SetPosition(0);
    EXPECT_EQ(s->Read(text.data(), static_cast<LongInt>(text.size())), static_cast<LongInt>(text.size()));
    return text;
}

}  // namespace

TEST(TMemBlobStreamTest, RecordWithoutBlobValuesReadsEmpty) {
    TMemoTable m;
    m.Add("prvni", "");
    auto s = m.Stream(bmRead);
    EXPECT_TRUE(s->Opened());
    EXPECT_TRUE(s->Cached());
    EXPECT_EQ(s->Size(), 0);
    char c = 'x';
    EXPECT_EQ(s->Read(&c, 1), 0);
    EXPECT_EQ(s->Position(), 0);
    EXPECT_EQ(m.Memo->AsString(), "");
    EXPECT_TRUE(m.Memo->IsNull());
}

TEST(TMemBlobStreamTest, WriteStartsEmptyAndFillsAGapBeforeAWriteBeyondTheEnd) {
    TMemoTable m;
    m.Add("prvni", "abc");
    m.T->Edit();
    {
        auto s = m.Stream(bmWrite);
        EXPECT_EQ(s->Size(), 0);
        EXPECT_TRUE(s->Modified());
        EXPECT_EQ(s->Write("abc", 3), 3);
        EXPECT_EQ(s->Seek(5, soFromBeginning), 5);
        EXPECT_EQ(s->Write("0123456789", 10), 10);
        EXPECT_EQ(s->Size(), 15);
        EXPECT_EQ(s->Seek(0, soFromEnd), 15);
    }
    EXPECT_TRUE(m.Memo->Modified());
    EXPECT_TRUE(m.T->Modified());
    m.T->Post();
    EXPECT_FALSE(m.Memo->Modified());
    EXPECT_EQ(m.Memo->AsString(), AnsiString("abc\0\0" "0123456789", 15));
}

TEST(TMemBlobStreamTest, SeekClampsAtZeroAndReadsAtOrPastTheEndLeaveThePosition) {
    TMemoTable m;
    m.Add("prvni", "hello");
    auto s = m.Stream(bmRead);
    EXPECT_EQ(s->Seek(-10, soFromBeginning), 0);
    EXPECT_EQ(s->Seek(-10, soFromEnd), 0);
    EXPECT_EQ(s->Seek(2, soFromCurrent), 2);
    EXPECT_EQ(s->Seek(-3, soFromCurrent), 0);
    char buf[16] = {};
    EXPECT_EQ(s->Seek(3, soFromBeginning), 3);
    EXPECT_EQ(s->Read(buf, 10), 2);
    EXPECT_EQ(AnsiString(buf, 2), "lo");
    EXPECT_EQ(s->Position(), 5);
    EXPECT_EQ(s->Read(buf, 10), 0);
    EXPECT_EQ(s->Position(), 5);
    EXPECT_EQ(s->Seek(100, soFromBeginning), 100);
    EXPECT_EQ(s->Read(buf, 10), 0);
    EXPECT_EQ(s->Position(), 100);
    EXPECT_EQ(s->Read(buf, -1), 0);
    EXPECT_EQ(s->Seek(0, soFromEnd), 5);
}

TEST(TMemBlobStreamTest, ReadWriteStreamKeepsTheValueAndTruncatesAtThePosition) {
    TMemoTable m;
    m.Add("prvni", "hello world");
    m.T->Edit();
    {
        auto s = m.Stream(bmReadWrite);
        EXPECT_EQ(s->Size(), 11);
        s->Seek(0, soFromBeginning);
        EXPECT_EQ(s->Write("J", 1), 1);
        s->Seek(5, soFromBeginning);
        s->Truncate();
        EXPECT_EQ(ReadAll(s.get()), "Jello");
        s->SetSize(2);
        EXPECT_EQ(ReadAll(s.get()), "Je");
    }
    m.T->Post();
    EXPECT_EQ(m.Memo->AsString(), "Je");
}

TEST(TMemBlobStreamTest, CancelRestoresTheStoredTextAndInsertCancelEmptiesTheSlot) {
    TMemoTable m;
    m.Add("prvni", "uložený");
    m.T->Edit();
    m.Memo->SetAsString("rozepsaný");
    EXPECT_EQ(m.Memo->AsString(), "rozepsaný");
    m.T->Cancel();
    EXPECT_EQ(m.Memo->AsString(), "uložený");
    m.T->Append();
    m.Memo->SetAsString("nový");
    m.T->Cancel();
    EXPECT_EQ(m.T->RecordCount(), 1);
    EXPECT_EQ(m.Memo->AsString(), "uložený");
}

TEST(TMemBlobStreamTest, WritingOutsideEditingOrToAReadOnlyFieldRaises) {
    TMemoTable m;
    m.Add("prvni", "text");
    EXPECT_THROW(m.Stream(bmWrite), EDatabaseError);
    EXPECT_THROW(m.Stream(bmReadWrite), EDatabaseError);
    try {
        m.Memo->SetAsString("x");
        FAIL() << "written while browsing";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().find("Dataset not in edit or insert mode"), AnsiString::npos);
    }
    m.Memo->SetReadOnly(true);
    m.T->Edit();
    try {
        m.Stream(bmWrite);
        FAIL() << "read-only field written";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().find("Field 'Text' cannot be modified"), AnsiString::npos);
    }
    m.T->Cancel();
    // An empty table has no buffer: even then a write is refused, not lost.
    TMemoTable empty;
    EXPECT_THROW(empty.Memo->SetAsString("x"), EDatabaseError);
    auto s = empty.Stream(bmRead);
    EXPECT_FALSE(s->Opened());
    EXPECT_EQ(s->Size(), 0);
}

TEST(TMemBlobStreamTest, FilterPassReadsEachRecordsOwnBlob) {
    TMemoTable m;
    m.Add("a", "první text");
    m.Add("b", "");
    m.Add("c", "třetí text");
    std::vector<AnsiString> seen;
    m.T->SetOnFilterRecord([&](TDataSet*, bool& accept) {
        // The filter's record copy is not the window's active buffer.
        EXPECT_FALSE(m.Stream(bmRead)->Cached());
        seen.push_back(m.Memo->AsString());
        accept = !m.Memo->IsNull();
    });
    EXPECT_EQ(seen, (std::vector<AnsiString>{"první text", "", "třetí text"}));
    EXPECT_EQ(m.T->RecordCount(), 2);
    m.T->Last();
    EXPECT_EQ(m.Memo->AsString(), "třetí text");
    m.T->SetOnFilterRecord(nullptr);
    EXPECT_EQ(m.T->RecordCount(), 3);
}

TEST(TMemBlobStreamTest, ASecondWriteInTheSameRecordNeedsNoNewChecks) {
    TMemoTable m;
    m.Add("a", "text");
    m.T->Edit();
    m.Memo->SetAsString("jedna");
    EXPECT_TRUE(m.Memo->Modified());
    m.Memo->SetAsString("dva");
    EXPECT_EQ(m.Memo->AsString(), "dva");
    m.T->Post();
    EXPECT_EQ(m.Memo->AsString(), "dva");
}

TEST(TMemBlobStreamTest, AStreamWhoseBufferLeftTheWindowNeitherReadsNorWrites) {
    TMemoTable m;
    m.Add("a", "text");
    auto s = m.Stream(bmRead);
    EXPECT_EQ(s->Size(), 4);
    m.T->Close();
    char c;
    EXPECT_EQ(s->Size(), 0);
    EXPECT_EQ(s->Read(&c, 1), 0);
    EXPECT_EQ(s->Write("x", 1), 0);
}

TEST(TMemBlobStreamTest, BlobValuesSurviveSortedMovesDeletesAndTheFile) {
    TMemoTable m;
    m.T->SetSortedField("Jmeno");
    m.Add("c", "třetí");
    m.Add("a", "první");
    m.Add("b", "");
    m.T->First();
    EXPECT_EQ(m.Memo->AsString(), "první");
    m.T->Next();
    EXPECT_TRUE(m.Memo->IsNull());
    m.T->Edit();
    m.Name->SetAsString("z");
    m.Memo->SetAsString("poslední");
    m.T->Post();
    m.T->Last();
    EXPECT_EQ(m.Memo->AsString(), "poslední");
    AnsiString image = m.T->StoreToBytes();
    m.T->First();
    m.T->Delete();
    EXPECT_EQ(m.Memo->AsString(), "třetí");
    m.T->RestoreFromBytes(image);
    m.T->First();
    EXPECT_EQ(m.Memo->AsString(), "první");
}
