#include "platform/os/MailContacts.h"

#include <filesystem>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "platform/os/tests/AddressBookFile.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileUtils.h"

namespace {

// An empty home folder of the test's own.
AnsiString TestHome() {
    const AnsiString folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/mail-contacts/" +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
    std::filesystem::remove_all(SysFileName(folder));
    ForceDirectories(folder);
    return folder;
}

void WriteText(const AnsiString& FileName, const AnsiString& Text) {
    ForceDirectories(ExtractFilePath(FileName));
    WriteFileAtomic(FileName, Text);
}

}  // namespace

TEST(TDesktopMailContactsTest, ReadsNamesAndMobileNumbersOfTheDefaultProfileInCardOrder) {
    const AnsiString home = TestHome();
    // The installation's default wins over the older Default=1 mark.
    WriteText(home + ".thunderbird/profiles.ini",
                    "[Profile1]\r\nName=old\r\nIsRelative=1\r\nPath=old.default\r\nDefault=1\r\n\r\n"
                    "[Profile0]\r\nName=default-release\r\nIsRelative=1\r\nPath=ab12.default-release\r\n\r\n"
                    "[Install4F96D1932A9F858E]\r\nDefault=ab12.default-release\r\nLocked=1\r\n");
    WriteAddressBook(home + ".thunderbird/old.default/abook.sqlite", {{"x", "DisplayName", "Stará kniha"}});
    WriteAddressBook(home + ".thunderbird/ab12.default-release/abook.sqlite",
                     {{"c1", "DisplayName", "Řehoř Žák"},
                      {"c2", "FirstName", "Jana"},
                      {"c1", "CellularNumber", "+420 603 123 456"},
                      {"c2", "LastName", "Nováková"},
                      {"c2", "_vCard", "BEGIN:VCARD\r\nVERSION:4.0\r\nTEL;TYPE=work:222\r\n"
                                       "TEL;TYPE=cell;VALUE=TEXT:777 1\r\n 23 456\r\nEND:VCARD\r\n"},
                      {"c3", "DisplayName", "Bez mobilu"},
                      {"c3", "WorkPhone", "222 333 444"}});

    TDesktopMailContacts provider(home);
    EXPECT_EQ(home + ".thunderbird/ab12.default-release/abook.sqlite", provider.AddressBookFile());
    std::vector<TMailContact> contacts{{"stale", "1"}};
    ASSERT_TRUE(provider.ReadContacts(contacts));
    ASSERT_EQ(3u, contacts.size());
    EXPECT_EQ("Řehoř Žák", contacts[0].FullName);
    EXPECT_EQ("+420 603 123 456", contacts[0].MobileNumber);
    EXPECT_EQ("Jana Nováková", contacts[1].FullName);
    EXPECT_EQ("777 123 456", contacts[1].MobileNumber);
    EXPECT_EQ("Bez mobilu", contacts[2].FullName);
    EXPECT_EQ("", contacts[2].MobileNumber);
}

TEST(TDesktopMailContactsTest, OlderProfileListsAndSandboxedInstallationsAreFound) {
    const AnsiString home = TestHome();
    const AnsiString elsewhere = home + "elsewhere/profile";
    WriteText(home + "snap/thunderbird/common/.thunderbird/profiles.ini",
                    "[General]\nStartWithLastProfile=1\n[Profile0]\nName=a\nIsRelative=1\nPath=a.default\n"
                    "[Profile1]\nName=b\nIsRelative=0\nPath=" + AnsiToUtf8(elsewhere) + "\nDefault=1\n");
    WriteAddressBook(elsewhere + "/abook.sqlite", {{"k", "DisplayName", "Absolutní"}});
    std::vector<TMailContact> contacts;
    ASSERT_TRUE(TDesktopMailContacts(home).ReadContacts(contacts));
    ASSERT_EQ(1u, contacts.size());
    EXPECT_EQ("Absolutní", contacts[0].FullName);

    // A single profile is the default even unmarked.
    const AnsiString single = home + "single/";
    WriteText(single + ".thunderbird/profiles.ini", "[Profile0]\nPath=only\n");
    WriteAddressBook(single + ".thunderbird/only/abook.sqlite", {});
    ASSERT_TRUE(TDesktopMailContacts(single).ReadContacts(contacts));
    EXPECT_TRUE(contacts.empty());
}

TEST(TDesktopMailContactsTest, NoMailClientNoDefaultProfileOrNoAddressBookReadsNothing) {
    const AnsiString home = TestHome();
    std::vector<TMailContact> contacts{{"stale", "1"}};
    EXPECT_FALSE(TDesktopMailContacts(home).ReadContacts(contacts));
    EXPECT_TRUE(contacts.empty());

    // Two profiles, none marked: no default.
    WriteText(home + ".thunderbird/profiles.ini", "[Profile0]\nPath=a\n[Profile1]\nPath=b\n");
    WriteAddressBook(home + ".thunderbird/a/abook.sqlite", {{"k", "DisplayName", "A"}});
    EXPECT_FALSE(TDesktopMailContacts(home).ReadContacts(contacts));

    // The default profile without an address book.
    WriteText(home + ".thunderbird/profiles.ini", "[Profile0]\nPath=b\nDefault=1\n");
    EXPECT_EQ("", TDesktopMailContacts(home).AddressBookFile());
    EXPECT_FALSE(TDesktopMailContacts(home).ReadContacts(contacts));

    // A file of that name that is no address book.
    WriteText(home + ".thunderbird/b/abook.sqlite", "not a database");
    EXPECT_FALSE(TDesktopMailContacts(home).ReadContacts(contacts));
}

TEST(VCardMobileNumberTest, TakesTheFirstCellEntryInEachSpellingAndNothingElse) {
    EXPECT_EQ("+420603", VCardMobileNumber("BEGIN:VCARD\nTEL;TYPE=\"voice,CELL\":+420603\nEND:VCARD"));
    EXPECT_EQ("603 1", VCardMobileNumber("BEGIN:VCARD\r\nTEL;HOME;CELL:603 1\r\nTEL;CELL:2\r\n"));
    EXPECT_EQ("+420777", VCardMobileNumber("item1.TEL;VALUE=uri;TYPE=cell:tel:+420777\n"));
    EXPECT_EQ("+420-777-888", VCardMobileNumber("TEL;VALUE=uri;TYPE=cell:tel:+420-777-888;ext=12\n"));
    EXPECT_EQ("", VCardMobileNumber("TEL;TYPE=work:1\nTEL;TYPE=x-cellar:2\nTEL:3\nNOTE;TYPE=cell:4\n"));
    EXPECT_EQ("", VCardMobileNumber("TEL;TYPE=cell"));
    EXPECT_EQ("", VCardMobileNumber(""));
}

TEST(VCardMobileNumberTest, KeptCardsGiveTheirMobileNumberOnOneLine) {
    // tests/data/vcard holds the vCard fuzzer's starting inputs and every
    // input that ever stopped it ("fuzz_*"), with the start of the number
    // each gives.
    const std::map<std::string, std::string> numbers = {
        {"v21.vcf", "+420 603 123 456"}, {"v30_folded.vcf", "603"}, {"v40_uri.vcf", "+420-777-888-999"},
        {"no_mobile.vcf", ""},
        // A TEL line folded inside its CELL parameter.
        {"fuzz_folded_cell_type.vcf", "56"}};
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(VEMLOR_TEST_DATA) + "/vcard")) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".vcf") continue;
        SCOPED_TRACE(name);
        ++files;
        const std::string number = VCardMobileNumber(ReadFileBytes(entry.path().string()));
        EXPECT_EQ(number.find_first_of("\r\n"), std::string::npos);
        ASSERT_TRUE(numbers.count(name));
        EXPECT_EQ(number.substr(0, numbers.at(name).size()), numbers.at(name));
        if (numbers.at(name).empty()) {
            EXPECT_EQ(number, "");
        }
    }
    EXPECT_EQ(files, int(numbers.size()));
}
