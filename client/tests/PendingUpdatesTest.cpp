// Program files fetched during a call and put in place at the next start.

#include "client/PendingUpdates.h"

#include "ClientFixture.h"
#include "platform/rtl/IniFiles.h"

namespace {

class TPendingUpdatesTest : public TClientTest {
protected:
    void Modem(const AnsiString& Text) { WriteFileAtomic(Folder + "modem.dat", Text); }
    Integer Update() { return TIniFile(Folder + "modem.dat").ReadInteger("Modem", "Update", -1); }
    AnsiString Bytes(const AnsiString& Name) { return FileExists(Folder + Name) ? ReadFileBytes(Folder + Name) : "<none>"; }
};

TEST_F(TPendingUpdatesTest, WaitingFilesReplaceTheirTargetsAndTheMarkIsCleared) {
    Modem("[Modem]\r\nUpdate=1\r\n");
    WriteFileAtomic(Folder + "vemlor.hlp", "old help");
    WriteFileAtomic(Folder + "_vemlor.hlp", "new help");
    WriteFileAtomic(Folder + "_novinky.txt", "news");
    const TPendingUpdates result = ApplyPendingUpdates(Folder);
    EXPECT_EQ(result.Placed, (std::vector<AnsiString>{"novinky.txt", "vemlor.hlp"}));
    EXPECT_TRUE(result.Failed.empty());
    EXPECT_EQ(Bytes("vemlor.hlp"), "new help");
    EXPECT_EQ(Bytes("novinky.txt"), "news");
    EXPECT_EQ(Bytes("_vemlor.hlp"), "<none>");
    EXPECT_EQ(Update(), 0);
}

TEST_F(TPendingUpdatesTest, AFileWaitingForAFoldersNameStaysWaitingWithoutStoppingTheOthersAndIsNotRetried) {
    Modem("[Modem]\r\nUpdate=1\r\n");
    // A folder full of files cannot be replaced by a file: trying at every
    // start would only fail at every start.
    ForceDirectories(Folder + "Lang/sub");
    WriteFileAtomic(Folder + "_Lang", "not a folder");
    WriteFileAtomic(Folder + "_mmf", "not a folder either");
    ForceDirectories(Folder + "Mmf");
    WriteFileAtomic(Folder + "_novinky.txt", "news");
    const TPendingUpdates result = ApplyPendingUpdates(Folder);
    EXPECT_EQ(result.Placed, std::vector<AnsiString>{"novinky.txt"});
    EXPECT_TRUE(result.Failed.empty());
    EXPECT_EQ(Bytes("novinky.txt"), "news");
    EXPECT_EQ(Bytes("_Lang"), "not a folder");
    EXPECT_EQ(Bytes("_mmf"), "not a folder either");
    EXPECT_TRUE(DirectoryExists(Folder + "Lang/sub"));
    EXPECT_EQ(Update(), 0);
}

TEST_F(TPendingUpdatesTest, ProgramsAndTheUsersDataAreNeverReplacedByWhatWaits) {
    // Left by an older build, which fetched whatever the version list named.
    Modem("[Modem]\r\nUpdate=1\r\n");
    for (const char* name :
         {"Vemlor", "update", "caller.so", "Adresa.dat", "Vemlor.ini", "tariffs.brc", "Adresa.bad2", "Notif.BAD"}) {
        WriteFileAtomic(Folder + name, "the user's");
        WriteFileAtomic(Folder + "_" + name, "from the centre");
    }
    const TPendingUpdates result = ApplyPendingUpdates(Folder);
    EXPECT_TRUE(result.Placed.empty());
    EXPECT_TRUE(result.Failed.empty());
    for (const char* name :
         {"Vemlor", "update", "caller.so", "Adresa.dat", "Vemlor.ini", "tariffs.brc", "Adresa.bad2", "Notif.BAD"})
        EXPECT_EQ(Bytes(name), "the user's") << name;
    EXPECT_EQ(Update(), 0);
}

TEST_F(TPendingUpdatesTest, NothingIsTouchedUnlessOneSectionAsksForIt) {
    WriteFileAtomic(Folder + "_Vemlor", "new program");
    for (const char* modem : {"[Modem]\r\nUpdate=0\r\n", "[Modem]\r\nUpdate=1\r\n[Other]\r\nUpdate=1\r\n", ""}) {
        Modem(modem);
        const TPendingUpdates result = ApplyPendingUpdates(Folder);
        EXPECT_TRUE(result.Placed.empty() && result.Failed.empty()) << modem;
        EXPECT_EQ(Bytes("_Vemlor"), "new program") << modem;
        EXPECT_EQ(Bytes("modem.dat"), modem);
    }
}

TEST_F(TPendingUpdatesTest, AMarkWithNothingWaitingIsCleared) {
    Modem("[Modem]\r\nUpdate=1\r\n");
    EXPECT_TRUE(ApplyPendingUpdates(Folder).Placed.empty());
    EXPECT_EQ(Update(), 0);
}

}  // namespace
