#include "client/MailImport.h"

#include <filesystem>

#include "client/TextImpExp.h"
#include "client/tests/ClientFixture.h"
#include "platform/os/tests/AddressBookFile.h"
#include "platform/ui/StdCtrls.h"

namespace {

struct TFakeMailClient : TMailContactsProvider {
    bool Reachable = true;
    std::vector<TMailContact> Contacts;
    bool ReadContacts(std::vector<TMailContact>& Out) override {
        Out = Reachable ? Contacts : std::vector<TMailContact>{};
        return Reachable;
    }
};

class TMailImportTest : public TDataWindowTest {
protected:
    // Answers the next message dialog with OK after recording its text.
    static void Expect(TModalAnswerer& Answers, std::vector<AnsiString>& Texts) {
        Answers.Act([&Texts](TForm* Form) {
            Texts.push_back(DialogText(Form));
            Form->SetModalResult(mrOk);
        });
    }
};

}  // namespace

TEST_F(TMailImportTest, MailContactsWithAMobileNumberJoinTheOutlookGroupAndASecondRunAddsNoneOfThemAgain) {
    AddGroup(0, "Všichni", 0);
    AddGroup(4, "Práce", 1);
    AddMember(9, "Známá", "4;");
    // The address book of the desktop's mail client, as files.
    const AnsiString home = Folder + "home/";
    WriteProfileList(home);
    WriteAddressBook(DefaultAddressBook(home), {{"1", "DisplayName", "Novák; Jan"},
                                                {"1", "CellularNumber", "+420 603 123 456"},
                                                {"2", "DisplayName", "Bez mobilu"},
                                                {"2", "CellularNumber", "   "},
                                                {"3", "DisplayName", "Řádek\r\nDruhý"},
                                                {"3", "CellularNumber", "603 222 333"},
                                                {"4", "DisplayName", "Známá"},
                                                {"4", "CellularNumber", "00420603000009"}});
    TDesktopMailContacts mail(home);
    TFakePhones phones;
    std::vector<AnsiString> texts;
    TModalAnswerer answers;
    Expect(answers, texts);
    EXPECT_EQ(3, ImportMailContacts(mail, phones));
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ("Import byl dokončen, bylo nalezeno 3 adresátů s mobilním číslem.", texts[0]);

    EXPECT_EQ((std::vector<AnsiString>{"Všichni", "Práce", "Outlook"}), Column(Dm->Skupiny, Dm->SkupinyJmeno));
    EXPECT_EQ("5", Dm->Skupiny->Lookup("Jmeno", Variant("Outlook"), "ID").AsString());
    EXPECT_EQ("2", Dm->Skupiny->Lookup("Jmeno", Variant("Outlook"), "Poradi").AsString());
    EXPECT_EQ((std::vector<AnsiString>{"Novák, Jan", "Řádek Druhý", "Známá"}), Column(Dm->Adresa, Dm->AdresaJmeno));
    EXPECT_EQ("00420603123456", ContactValue("Novák, Jan", Dm->AdresaCislo));
    EXPECT_EQ("5;", GroupsOf("Novák, Jan"));
    EXPECT_EQ("00420603222333", ContactValue("Řádek Druhý", Dm->AdresaCislo));
    EXPECT_EQ("4;", GroupsOf("Známá"));

    Expect(answers, texts);
    EXPECT_EQ(3, ImportMailContacts(mail, phones));
    EXPECT_EQ(texts[0], texts[1]);
    EXPECT_EQ(3, Dm->Skupiny->RecordCount());
    EXPECT_EQ(3, Dm->Adresa->RecordCount());
    EXPECT_TRUE(answers.Unexpected().empty());
}

TEST_F(TMailImportTest, AContactWhoseNameIsLongerThanTheColumnComesInOnceHoweverOftenTheImportRuns) {
    TFakeMailClient mail;
    mail.Contacts = {{"\"Jířa\" Čermáková; Stavební firma Čermák a synové, Žďár nad Sázavou", "+420 603 123 456"},
                     {"Eva", "603 222 333"}};
    TFakePhones phones;
    std::vector<AnsiString> texts;
    TModalAnswerer answers;
    for (int run = 0; run < 3; ++run) {
        Expect(answers, texts);
        EXPECT_EQ(2, ImportMailContacts(mail, phones));
    }
    EXPECT_EQ((std::vector<AnsiString>{"\"Jířa\" Čermáková, Stavební firma Čermák a synové, ", "Eva"}),
              Column(Dm->Adresa, Dm->AdresaJmeno));
    EXPECT_TRUE(answers.Unexpected().empty());
}

TEST_F(TMailImportTest, ASeparatorInAMobileNumberStaysInTheNumberAndOutOfTheGroupList) {
    TFakeMailClient mail;
    mail.Contacts = {{"Eva", "603 222;333"}, {"Jan", "\"603\" 1\r\n"}};
    TFakePhones phones;
    std::vector<AnsiString> texts;
    TModalAnswerer answers;
    Expect(answers, texts);
    Expect(answers, texts);
    EXPECT_EQ(2, ImportMailContacts(mail, phones));
    const AnsiString outlook = Dm->Skupiny->Lookup("Jmeno", Variant("Outlook"), "ID").AsString() + ";";
    EXPECT_EQ("603222;333", ContactValue("Eva", Dm->AdresaCislo));
    EXPECT_EQ(outlook, GroupsOf("Eva"));
    EXPECT_EQ("\"603\"1", ContactValue("Jan", Dm->AdresaCislo));
    EXPECT_EQ(outlook, GroupsOf("Jan"));
    // The number check's complaint, then the count.
    EXPECT_EQ(2u, texts.size());
    EXPECT_TRUE(answers.Unexpected().empty());
}

TEST_F(TMailImportTest, KeptAddressBooksGiveOneLineOfANameAndTheWholeNumberPerContact) {
    // platform/os/tests/data/addressbook holds the address-book fuzzer's
    // starting inputs and every input that ever stopped it ("fuzz_*"):
    // records split by 0x1E, the profile list first, then rows of the book
    // of the profile "p" (card, name and value split by 0x1F), kept as bytes.
    const auto split = [](const AnsiString& Text, char Separator) {
        std::vector<AnsiString> parts(1);
        for (char c : Text) {
            if (c == Separator) parts.emplace_back();
            else parts.back() += c;
        }
        return parts;
    };
    int files = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(VEMLOR_TEST_DATA) + "/../../../platform/os/tests/data/addressbook")) {
        if (entry.path().extension() != ".cards") continue;
        SCOPED_TRACE(entry.path().filename().string());
        const AnsiString home = Folder + "home" + IntToStr(++files) + "/";
        const std::vector<AnsiString> records = split(ReadFileBytes(entry.path().string()), '\x1E');
        ForceDirectories(home + ".thunderbird/p");
        WriteFileAtomic(home + ".thunderbird/profiles.ini", records[0]);
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(SysFileName(home + ".thunderbird/p/abook.sqlite").c_str(), &db));
        sqlite3_exec(db, "CREATE TABLE properties (card TEXT, name TEXT, value TEXT);", nullptr, nullptr, nullptr);
        for (std::size_t i = 1; i < records.size(); ++i) {
            std::vector<AnsiString> f = split(records[i], '\x1F');
            f.resize(3);
            sqlite3_stmt* insert = nullptr;
            sqlite3_prepare_v2(db, "INSERT INTO properties VALUES (?, ?, ?)", -1, &insert, nullptr);
            for (int k = 0; k < 3; ++k) sqlite3_bind_text(insert, k + 1, f[k].data(), int(f[k].size()), SQLITE_TRANSIENT);
            EXPECT_EQ(SQLITE_DONE, sqlite3_step(insert));
            sqlite3_finalize(insert);
        }
        sqlite3_close(db);

        TDesktopMailContacts mail(home);
        std::vector<TMailContact> contacts;
        if (!mail.ReadContacts(contacts)) continue;
        TStringList lines;
        MailContactLines(contacts, lines);
        // Each line is a name and the number, read back whole.
        const AnsiString text = lines.Text();
        TTextRecordReader reader(text, ';');
        TTextRecord record;
        std::size_t n = 0;
        for (const TMailContact& c : contacts) {
            AnsiString number = c.MobileNumber;
            std::erase_if(number, [](char ch) { return ch == ' ' || ch == '\r' || ch == '\n'; });
            if (number.empty()) continue;
            ASSERT_TRUE(reader.Next(record)) << c.FullName;
            ASSERT_EQ(2u, record.Values.size()) << record.Line;
            EXPECT_EQ(number, record.Values[1]);
            ++n;
        }
        EXPECT_FALSE(reader.Next(record));
        EXPECT_GT(n, 0u);
    }
    EXPECT_GE(files, 5);
}

TEST_F(TMailImportTest, AnUnreachableMailClientChangesNothingAndAnEmptyOneStillMakesTheGroup) {
    TFakeMailClient mail;
    mail.Reachable = false;
    TFakePhones phones;
    std::vector<AnsiString> texts;
    TModalAnswerer answers;
    Expect(answers, texts);
    EXPECT_EQ(-1, ImportMailContacts(mail, phones));
    EXPECT_EQ(0, Dm->Skupiny->RecordCount());
    // Without a profile list in the home folder there is no mail client.
    TDesktopMailContacts none(Folder + "empty-home/");
    Expect(answers, texts);
    EXPECT_EQ(-1, ImportMailContacts(none, phones));
    ASSERT_EQ(2u, texts.size());
    // It says what it reads: no Windows mail program.
    EXPECT_EQ("Nepodařilo se přečíst adresář poštovního programu. Je poštovní program nainstalovaný a má osobní "
              "adresář kontaktů?",
              texts[0]);
    EXPECT_EQ(texts[0], texts[1]);

    // An older group list without order numbers is numbered afterwards.
    Dm->Skupiny->Append();
    Dm->SkupinyID->SetAsInteger(0);
    Dm->SkupinyJmeno->SetAsString("Všichni");
    Dm->Skupiny->Post();
    mail.Reachable = true;
    Expect(answers, texts);
    EXPECT_EQ(0, ImportMailContacts(mail, phones));
    EXPECT_EQ("Import byl dokončen, bylo nalezeno 0 adresátů s mobilním číslem.", texts[2]);
    EXPECT_EQ((std::vector<AnsiString>{"0", "1"}), Column(Dm->Skupiny, Dm->SkupinyPoradi));
    EXPECT_EQ(0, Dm->Adresa->RecordCount());
}
