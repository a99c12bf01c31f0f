// The address book without a window: groups, numbers typed by hand, the
// ticked-recipient summary, ID repairs, temporary contacts, the search behind
// the recipient edit, and the rows queued for the ticked contacts.

#include "client/Contacts.h"

#include "ClientFixture.h"
#include "client/Queueing.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

class TContactsTest : public TClientTest {
protected:
    void SetUp() override {
        TClientTest::SetUp();
        Dm->Fronta->Open();
        Dm->FrontObj->Open();
    }
    void Add(Integer Id, const AnsiString& Name, bool Ticked = false, const AnsiString& Groups = "",
             const AnsiString& Salutation = "", const AnsiString& Signature = "",
             const AnsiString& Number = "00420603000001") {
        Dm->Adresa->Append();
        Dm->AdresaID->SetAsInteger(Id);
        Dm->AdresaJmeno->SetAsString(Name);
        Dm->AdresaCislo->SetAsString(Number);
        Dm->AdresaIDSkup->SetAsString(Groups);
        Dm->AdresaOsloveni->SetAsString(Salutation);
        Dm->AdresaPodpis->SetAsString(Signature);
        Dm->AdresaVybrany->SetAsBoolean(Ticked);
        Dm->Adresa->Post();
    }
    // "Name=ID" of every contact in the address book's order, and "*" for a tick.
    AnsiString Contacts() {
        // Looking must not tick: with one recipient, moving to a contact would.
        Dm->Adresa->DisableControls();
        auto enable = ScopeExit([this] { Dm->Adresa->EnableControls(); });
        AnsiString all;
        for (Dm->Adresa->First(); !Dm->Adresa->Eof(); Dm->Adresa->Next())
            all += Dm->AdresaJmeno->AsString() + "=" + Dm->AdresaID->AsString() +
                   (Dm->AdresaVybrany->AsBoolean() ? "*" : "") + " ";
        return all;
    }
    void ShowGroup(Integer Group) {
        Dm->Skupiny->Append();
        Dm->SkupinyID->SetAsInteger(Group);
        Dm->Skupiny->Post();
        Dm->SetGroupFilter(true);
        Dm->Adresa->RebuildFilterList();
        Dm->SetGroupFilter(false);
    }
    TMainWindowServices* Several() {
        static struct : TMainWindowServices {
            bool SendsToSeveral() const override { return true; }
            void ShowCurrentContact() override {}
            void ShowRecipientSummary() override {}
        } several;
        return &several;
    }
};

TEST_F(TContactsTest, GroupListsAndTypedNumbers) {
    EXPECT_TRUE(BelongsToGroup("3;12;", 3));
    EXPECT_TRUE(BelongsToGroup("3;12;", 12));
    EXPECT_FALSE(BelongsToGroup("3;12;", 1));
    EXPECT_FALSE(BelongsToGroup("", 2));
    EXPECT_TRUE(BelongsToGroup("", 0));
    EXPECT_EQ(NormalisePhoneNumber("+420 603-123/456"), "00420603123456");
    EXPECT_EQ(NormalisePhoneNumber("(603) 12+3"), "60312+3");
    EXPECT_TRUE(IsAllDigits("00420603123456"));
    EXPECT_FALSE(IsAllDigits(""));
    EXPECT_FALSE(IsAllDigits("0042o"));
}

TEST_F(TContactsTest, TheSummaryCountsTickedContactsOfTheGroupAndKeepsRoomForTheLongestAdditions) {
    Dm->SetMainWindow(Several());
    Add(1, "Adam", true, "2;", "Ahoj!", "Pet");
    Add(2, "Bára", true, "2;5;", "", "S pozdravem");
    Add(3, "Cyril", true, "5;", "Čau", "");
    Add(4, "Dana", false, "2;", "Dobrý den", "Petr Novák");
    const TRecipientSummary group = SummariseTickedContacts(*Dm, 2);
    EXPECT_EQ(group.Names, "Adam;Bára");
    EXPECT_EQ(group.Count, 2);
    // Adam: 5 + 1 and 3 + 1; Bára: nothing and 11 + 1.
    EXPECT_EQ(group.Reserve, 12);
    // The summary counts contacts the address book does not show.
    ShowGroup(5);
    EXPECT_EQ(SummariseTickedContacts(*Dm, 0).Count, 3);
    EXPECT_EQ(SummariseTickedContacts(*Dm, 7).Names, "");
    Dm->SetMainWindow(nullptr);
}

TEST_F(TContactsTest, LoadingGivesMissingAndRepeatedIdsNewOnesAboveTheLargest) {
    Dm->SetMainWindow(Several());
    Add(5, "Adam", true);
    Add(-1, "Bára", true);
    Add(5, "Cyril");
    Add(2, "Dana", true);
    Dm->SetMainWindow(nullptr);
    // One recipient at a time: a repair must still leave the ticks alone.
    NumberContacts(*Dm);
    EXPECT_EQ(Contacts(), "Adam=5* Bára=6* Cyril=7 Dana=2* ");
    // IDs that are all there and distinct stay, gaps and order included;
    // a single repeat among them is still found.
    NumberContacts(*Dm);
    EXPECT_EQ(Contacts(), "Adam=5* Bára=6* Cyril=7 Dana=2* ");
    Dm->SetMainWindow(Several());
    Add(7, "Eva");
    Dm->SetMainWindow(nullptr);
    NumberContacts(*Dm);
    EXPECT_EQ(Contacts(), "Adam=5* Bára=6* Cyril=7 Dana=2* Eva=8 ");
    // So are repeats among IDs spread far apart.
    Dm->SetMainWindow(Several());
    Add(100000, "Filip");
    Add(100000, "Gita");
    Dm->SetMainWindow(nullptr);
    NumberContacts(*Dm);
    EXPECT_EQ(Contacts(), "Adam=5* Bára=6* Cyril=7 Dana=2* Eva=8 Filip=100000 Gita=100001 ");
}

TEST_F(TContactsTest, ClosingClearsTicksAndRenumbersAllButTheLastOfASharedId) {
    Add(3, "Adam", true);
    Add(3, "Bára");
    Add(3, "Cyril");
    Add(1, "Dana");
    FixContactIds(*Dm);
    EXPECT_EQ(Contacts(), "Adam=4 Bára=5 Cyril=3 Dana=1 ");
}

TEST_F(TContactsTest, TemporaryContactsAreThoseNamedByTheWordAndABlankInEveryGroup) {
    Add(1, "Dočasné 00420603000001", false, "3;");
    Add(2, "Dočasné 00420603000002", false, "");
    Add(3, "Nedočasné Jan", false, "3;");
    Add(4, "Dočasnéjméno", false, "3;");
    ShowGroup(3);
    Dm->Adresa->Locate("ID", Variant(3), TLocateOptions{});
    EXPECT_EQ(DeleteTemporaryContacts(*Dm, "Dočasné"), 2);
    EXPECT_EQ(Dm->AdresaJmeno->AsString(), "Nedočasné Jan");
    EXPECT_EQ(Dm->Adresa->MemFields()->StoredRecordCount(), 2);
}

TEST_F(TContactsTest, SearchPrefersANameThatStartsWithTheTextOverOneThatContainsIt) {
    Add(1, "Adriana", false, "", "", "", "00420777111222");
    Add(2, "Jana", false, "", "", "", "00420603555666");
    Add(3, "Žaneta", false, "", "", "", "00421905000000");
    Dm->Adresa->First();
    EXPECT_EQ(FindContactByName(*Dm, "ja"), 1);
    EXPECT_EQ(Dm->AdresaJmeno->AsString(), "Jana");
    EXPECT_EQ(FindContactByName(*Dm, "AN"), 2);
    EXPECT_EQ(Dm->AdresaJmeno->AsString(), "Adriana");
    EXPECT_EQ(FindContactByName(*Dm, "žan"), 1);
    EXPECT_EQ(FindContactByName(*Dm, "xyz"), 0);
    EXPECT_EQ(Dm->AdresaJmeno->AsString(), "Žaneta");
    EXPECT_TRUE(FindContactByNumberPart(*Dm, "555"));
    EXPECT_EQ(Dm->AdresaJmeno->AsString(), "Jana");
    EXPECT_FALSE(FindContactByNumberPart(*Dm, "999"));
    EXPECT_EQ(Dm->AdresaJmeno->AsString(), "Jana");
}

class TQueueingTest : public TContactsTest {
protected:
    static TComposedMessage Text(const AnsiString& Value) {
        TComposedMessage message;
        message.Type = "text";
        message.Text = Value;
        return message;
    }
    // "Name|Text|parts" of every row of Fronta.
    std::vector<AnsiString> Rows() {
        std::vector<AnsiString> rows;
        for (Dm->Fronta->First(); !Dm->Fronta->Eof(); Dm->Fronta->Next())
            rows.push_back(Dm->FrontaJmeno->AsString() + "|" + Dm->FrontaZprava->AsString() + "|" +
                           Dm->FrontaPocet->AsString());
        return rows;
    }
    void SetUp() override {
        TContactsTest::SetUp();
        // Rows are kept in the order they were written.
        SetNowFunction([t = TDateTime(46000.5)]() mutable { return t += 1.0 / 86400; });
    }
    void TearDown() override {
        ResetNowFunction();
        TContactsTest::TearDown();
    }
    TQueueOptions Options() {
        TQueueOptions options;
        options.HomeCountry = "Czech rep";
        return options;
    }
};

TEST_F(TQueueingTest, EachRecipientOfSeveralGetsOnlyTheirOwnSalutationAndSignature) {
    Dm->SetMainWindow(Several());
    Add(1, "Adam", true, "", "Ahoj", "Petr");
    Add(2, "Bára", true, "", "", "Tvůj P.");
    Add(3, "Cyril", true, "", "Čau", "");
    Add(4, "Dana", false, "", "Nazdar", "P.");
    TQueueOptions options = Options();
    options.SeveralRecipients = true;
    options.AddSalutation = true;
    options.AddSignature = true;
    EXPECT_EQ(EnqueueForTickedContacts(*Dm, Text("zítra v 9"), options), 3);
    EXPECT_EQ(Rows(), (std::vector<AnsiString>{"Adam|Ahoj zitra v 9 Petr|1", "Bára|zitra v 9 Tvuj P.|1",
                                               "Cyril|Cau zitra v 9|1"}));
    Dm->SetMainWindow(nullptr);
}

TEST_F(TQueueingTest, TheStoredTextAndItsPartCountAreWhatTheSendWillSplit) {
    Add(1, "Adam", true);
    // A line break costs nothing on the screen but goes out as a blank: 160
    // letters and a break are one part on the screen and two when sent.
    const AnsiString text = AnsiString(80, 'a') + "\r\n" + AnsiString(79, 'b');
    EXPECT_EQ(EnqueueForTickedContacts(*Dm, Text(text + "'"), Options()), 1);
    EXPECT_EQ(EnqueueForTickedContacts(*Dm, Text(text + "c"), Options()), 1);
    const std::vector<AnsiString> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], "Adam|" + AnsiString(80, 'a') + " " + AnsiString(79, 'b') + "|1");
    EXPECT_EQ(rows[1], "Adam|" + AnsiString(80, 'a') + " " + AnsiString(79, 'b') + "c|2");
}

TEST_F(TQueueingTest, ForeignNumbersAreQueuedOnlyWhenConfirmedAndTheAddressBookStaysWhereItWas) {
    Dm->SetMainWindow(Several());
    Add(1, "Adam", true, "", "", "", "00420603000001");
    Add(2, "Bára", true, "", "", "", "00421905000002");
    Add(3, "Cyril", true, "", "", "", "0049151000003");
    Dm->Adresa->Locate("ID", Variant(2), TLocateOptions{});
    std::vector<AnsiString> asked;
    TQueueOptions options = Options();
    options.ConfirmForeign = [&] {
        asked.push_back(Dm->AdresaCislo->AsString());
        return Dm->AdresaJmeno->AsString() == "Bára";
    };
    EXPECT_EQ(EnqueueForTickedContacts(*Dm, Text("Ahoj"), options), 2);
    EXPECT_EQ(asked, (std::vector<AnsiString>{"00421905000002", "0049151000003"}));
    EXPECT_EQ(Rows(), (std::vector<AnsiString>{"Adam|Ahoj|1", "Bára|Ahoj|1"}));
    EXPECT_EQ(Dm->AdresaJmeno->AsString(), "Bára");
    // Without the home country in the table every recipient is asked about.
    asked.clear();
    options.HomeCountry = "Atlantida";
    EnqueueForTickedContacts(*Dm, Text("Ahoj"), options);
    EXPECT_EQ(asked.size(), 3u);
    Dm->SetMainWindow(nullptr);
}

}  // namespace
