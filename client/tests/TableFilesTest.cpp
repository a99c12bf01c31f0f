// The client's table files at start-up and close: what a missing, a whole, a
// damaged and an unreadable file give, what is set aside and what is saved.

#include "client/TableFiles.h"

#include "ClientFixture.h"

namespace {

class TTableFilesTest : public TClientTest {
protected:
    void AddContacts(int Count) {
        for (int i = 1; i <= Count; ++i) AddContact(i, "Kontakt " + IntToStr(i), "00420600000" + IntToStr(100 + i));
    }
    AnsiString Bytes(const AnsiString& Name) { return ReadFileBytes(Folder + Name); }
    // A fresh module whose tables are all closed, as at start-up.
    std::unique_ptr<TDM> Fresh() { return std::make_unique<TDM>(nullptr); }
};

TEST_F(TTableFilesTest, AMissingFileIsAnEmptyTableThatIsSavedAtClose) {
    auto data = Fresh();
    TTableFiles files(Folder);
    files.Load(data->Zprava);
    EXPECT_TRUE(data->Zprava->Active());
    EXPECT_TRUE(data->Zprava->IsEmpty());
    EXPECT_TRUE(files.Damaged().empty());
    EXPECT_TRUE(files.Save(data->Zprava));
    EXPECT_TRUE(FileExists(Folder + "Zprava.dat"));
}

TEST_F(TTableFilesTest, ADamagedFileIsSetAsideUntouchedAndTheRescuedRowsAreSavedInItsPlace) {
    AddContacts(3);
    const AnsiString whole = Dm->Adresa->StoreToBytes();
    // Cut inside the last record.
    const AnsiString damaged = whole.substr(0, whole.size() - 6);
    WriteFileAtomic(Folder + "Adresa.dat", damaged);
    WriteFileAtomic(Folder + "Adresa.bad", "an older one");

    auto data = Fresh();
    TTableFiles files(Folder);
    files.Load(data->Adresa);
    ASSERT_EQ(files.Damaged().size(), 1u);
    const TTableDamage& damage = files.Damaged()[0];
    EXPECT_EQ(damage.Table, "Adresa");
    EXPECT_EQ(damage.Status.Result, rrPartial);
    EXPECT_EQ(damage.Status.Records, 2);
    // The older copy set aside stays too.
    EXPECT_EQ(damage.SetAside, Folder + "Adresa.bad1");
    EXPECT_EQ(Bytes("Adresa.bad1"), damaged);
    EXPECT_EQ(Bytes("Adresa.bad"), "an older one");
    EXPECT_EQ(data->Adresa->RecordCount(), 2);
    // The rescued rows are a whole table file at once, before any save.
    {
        auto rescued = Fresh();
        EXPECT_EQ(rescued->Adresa->RestoreFromFile(Folder + "Adresa.dat").Result, rrComplete);
        EXPECT_EQ(rescued->Adresa->RecordCount(), 2);
    }

    EXPECT_TRUE(files.Save(data->Adresa));
    EXPECT_EQ(Bytes("Adresa.bad1"), damaged);
    auto again = Fresh();
    EXPECT_EQ(again->Adresa->RestoreFromFile(Folder + "Adresa.dat").Result, rrComplete);
    EXPECT_EQ(again->Adresa->RecordCount(), 2);
}

TEST_F(TTableFilesTest, OnlyLoadedTablesAreSavedAndOneFailingSaveDoesNotStopTheOthers) {
    auto data = Fresh();
    TTableFiles files(Folder);
    files.Load(data->Adresa);
    files.Load(data->Historie);
    files.Load(data->Staty);
    // A folder where the history file must go makes its save fail.
    ForceDirectories(Folder + "Historie.dat");
    const std::vector<TTableSaveFailure> failures =
        files.SaveAll({data->Adresa, data->Fronta, data->Historie, data->Staty});
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].Table, "Historie");
    EXPECT_FALSE(failures[0].Message.empty());
    EXPECT_TRUE(FileExists(Folder + "Adresa.dat"));
    EXPECT_TRUE(FileExists(Folder + "Staty.dat"));
    // Fronta was never loaded: no file appears for it.
    EXPECT_FALSE(FileExists(Folder + "Fronta.dat"));
}

}  // namespace
