#include "client/Sending.h"

#include <algorithm>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "client/DatMod.h"
#include "client/QueueTicks.h"
#include "SendSamples.h"
#include "core/Caller.h"
#include "core/Language.h"
#include "core/Zprava.h"
#include "core/tests/CallCentre.h"
#include "platform/gfx/Bitmap.h"
#include "platform/rtl/DateUtils.h"
#include "platform/ui/TestSupport.h"

namespace {

const TDateTime kNow = EncodeDateTime(2025, 3, 14, 9, 26, 53, 589);
// The station value's last six characters and the clock's stamp.
const AnsiString kFirstBase = "12345620250314092653589";
const AnsiString kSecondBase = "12345620250314092653590";
const AnsiString kSent = "Zprávy byly úspěšně odeslány na sms centrum.";
const AnsiString kFailedMFF = "Nepodařilo se vytvořit MFF soubor.";


// The main window as sending and the call see it.
class TSendingTest : public ::testing::Test, public TSendServices, public TCallerServices {
protected:
    TSendingTest() {
        SetNowFunction([] { return kNow; });
        EXPECT_TRUE(Centre.Bind()) << CallerLibraryError();
        Centre.Scenario("");
        for (TMemData* table : {Dm->Fronta, Dm->FrontObj, Dm->Historie, Dm->Tarify}) table->Open();
        AddTariff(1, "0900111", 5, 1);
        AddTariff(2, "0900222", 20, 10);
    }
    ~TSendingTest() override { ResetNowFunction(); }

    // TSendServices
    TSenderIdentity SenderIdentity() override { return {"420777123456", "0212345678", "PC"}; }
    bool WholeWords() const override { return true; }
    AnsiString OutsideLinePrefix() const override { return "0"; }
    void ShowError(const AnsiString& Text) override { Errors.push_back(Text); }
    void SaveTable(TMemData* Table) override {
        Saved.push_back(Table->Name());
        if (Table->Name() == FailingSave) throw EWriteError("disk full");
        Table->StoreToFile(ProgramFolder() + Table->Name() + ".dat");
    }

    // TCallerServices
    TCallSettings CallSettings() const override { return {"COM1", 0, true}; }
    AnsiString BRCName() const override { return ""; }
    std::vector<AnsiString> NotificationNames() const override { return {}; }
    void ShowCallerStatus(const AnsiString& Text, bool Error) override { Status.push_back((Error ? "! " : "") + Text); }
    void LoadTariffs() override {}
    void SetBRCName(const AnsiString&) override {}
    void EnableNotificationTimer() override {}
    TCallDelivery MoveSentToHistory(TDataSet* Queue, bool Success) override {
        return Sending.MoveSentToHistory(Queue, Success);
    }

    void AddTariff(Integer Tarif, const AnsiString& Number, Integer SmsMax, Integer PmsMax) {
        Dm->Tarify->Append();
        Dm->TarifyTarif->SetAsInteger(Tarif);
        Dm->TarifyCislo->SetAsString(Number);
        Dm->Tarifysmsmax->SetAsInteger(SmsMax);
        Dm->Tarifypmsmax->SetAsInteger(PmsMax);
        Dm->Tarify->Post();
    }
    // Appends a queue row and returns its record id.
    Integer Queue(TMemData* Table, const AnsiString& Number, const AnsiString& Type, const AnsiString& Text,
                  bool Ticked = true, const AnsiString& Logo = "") {
        Table->Append();
        Table->FieldByName("Jmeno")->SetAsString("To " + Number);
        Table->FieldByName("Cislo")->SetAsString(Number);
        Table->FieldByName("Zprava")->SetAsString(Text);
        // Queued a second apart, so that the tables' order is the order of queueing.
        Table->FieldByName("Napsano")->SetAsDateTime(kNow - 1 + (++FQueued) / double(SecsPerDay));
        Table->FieldByName("Poslat")->SetAsDateTime(kNow - 1);
        Table->FieldByName("Vybrany")->SetAsBoolean(Ticked);
        Table->FieldByName("Logo")->SetAsString(Logo);
        Table->FieldByName("Typ")->SetAsString(Type);
        Table->FieldByName("Pocet")->SetAsInteger(1);
        Table->Post();
        return Table->RecIdField()->AsInteger();
    }
    void Tick(TMemData* Table, Integer RecId, bool Ticked) {
        ASSERT_TRUE(Table->Locate("RecId", Variant(RecId), TLocateOptions{}));
        Table->Edit();
        Table->FieldByName("Vybrany")->SetAsBoolean(Ticked);
        Table->Post();
    }
    std::vector<Integer> Ids(TMemData* Table) {
        std::vector<Integer> ids;
        for (Table->First(); !Table->Eof(); Table->Next()) ids.push_back(Table->RecIdField()->AsInteger());
        return ids;
    }
    std::vector<AnsiString> History() { return HistoryRows(*Dm); }
    // Runs a started call to its end and its termination event.
    void Finish(TCaller* Call, const std::function<void()>& During = {}) {
        ASSERT_NE(Call, nullptr);
        if (During) During();
        while (CallerBusy()) {
            CheckSynchronize();
            std::this_thread::yield();
        }
        PumpUntilIdle();
    }
    std::vector<AnsiString> Inbox() const { return ListFiles(Centre.Folder + "centre/inbox", "*.*"); }
    AnsiString Golden(const AnsiString& Name) const { return ReadFileBytes(AnsiString(VEMLOR_TEST_DATA) + "/" + Name); }

    TCallCentre Centre;
    std::unique_ptr<TDM> Dm = std::make_unique<TDM>(nullptr);
    TQueueSending Sending{*Dm, *this, *this};
    std::vector<AnsiString> Errors;
    std::vector<AnsiString> Saved;
    std::vector<AnsiString> Status;
    AnsiString FailingSave;

private:
    int FQueued = 0;
};

}  // namespace

TEST_F(TSendingTest, QueuedTextAndLogoReachTheCentreAndMoveToTheHistory) {
    Queue(Dm->Fronta, "00420603111222", "text", "Tom & Jerry <3 > all");
    Dm->Fronta->Edit();
    Dm->FrontaPotvrdit->SetAsString("a&b@example.cz");
    Dm->FrontaPoslat->SetAsDateTime(EncodeDateTime(2025, 3, 15, 10, 0, 0, 0));
    Dm->Fronta->Post();
    const Integer waiting = Queue(Dm->Fronta, "00420603999999", "text", "later", false);
    Queue(Dm->FrontObj, "00420603111333", "logo", "", true, FramedLogo());

    Finish(Sending.SendFromQueue(false));
    Finish(Sending.SendFromQueue(true));

    EXPECT_EQ(Inbox(), (std::vector<AnsiString>{kFirstBase + ".mmf", kSecondBase + ".bmp", kSecondBase + ".mmf"}));
    EXPECT_EQ(Centre.Read("centre/inbox/" + kFirstBase + ".mmf"), Golden("text.mmf"));
    EXPECT_EQ(Centre.Read("centre/inbox/" + kSecondBase + ".mmf"), Golden("logo.mmf"));
    EXPECT_EQ(Centre.Read("centre/inbox/" + kSecondBase + ".bmp"), Golden("logo.bmp"));
    // The first tariff takes one file of either kind; the bitmap goes before its message file.
    const std::vector<AnsiString> log = Centre.Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Caller_Connect(1, \"0212345678\", \"00900111\", 0, 1, abort) = 0"), 2);
    const auto bitmap = std::find_if(log.begin(), log.end(), [](const AnsiString& line) {
        return line.find(kSecondBase + ".bmp\", 4,") != AnsiString::npos;
    });
    ASSERT_NE(bitmap, log.end());
    EXPECT_NE((bitmap + 1)->find(kSecondBase + ".mmf\", 0,"), AnsiString::npos);

    EXPECT_EQ(History(), (std::vector<AnsiString>{"00420603111222:Odesláno", "00420603111333:Odesláno"}));
    EXPECT_EQ(Ids(Dm->Fronta), std::vector<Integer>{waiting});
    EXPECT_TRUE(Dm->FrontObj->IsEmpty());
    EXPECT_EQ(Status.back(), kSent);
    EXPECT_TRUE(Errors.empty());
    // Saved as they stand after each move, the history first.
    EXPECT_EQ(Saved, (std::vector<AnsiString>{"Historie", "Fronta", "Historie", "FrontObj"}));
    TDM reread(nullptr);
    EXPECT_EQ(reread.Historie->RestoreFromFile(ProgramFolder() + "Historie.dat").Records, 2);
    EXPECT_EQ(reread.Fronta->RestoreFromFile(ProgramFolder() + "Fronta.dat").Records, 1);
    EXPECT_EQ(reread.FrontObj->RestoreFromFile(ProgramFolder() + "FrontObj.dat").Records, 0);

    // The history's state follows the language.
    WriteFileAtomic(ProgramFolder() + "texts.lng", "[Strings]\r\nSentOK=Sent\r\nSentError=Failed\r\n");
    SetLang(std::make_unique<TLang>(ProgramFolder() + "texts.lng"));
    ApplyHistoryStateTexts(*Dm);
    SetLang(nullptr);
    EXPECT_EQ(History(), (std::vector<AnsiString>{"00420603111222:Sent", "00420603111333:Sent"}));
}

TEST_F(TSendingTest, RowWithAFailedPartIsWithdrawnWholeAndStaysQueued) {
    // Two parts; the second one's message file cannot be written.
    const Integer split = Queue(Dm->Fronta, "00420603000001", "text", AnsiString(200, 'x'));
    Queue(Dm->Fronta, "00420603000002", "text", "short");
    ForceDirectories(ProgramFolder() + "Mmf/" + kSecondBase + ".mmf");

    Finish(Sending.SendFromQueue(false));
    EXPECT_EQ(Errors, std::vector<AnsiString>{kFailedMFF});
    // The third stamp is the second row's; the first part's file went with its row.
    EXPECT_EQ(Inbox(), std::vector<AnsiString>{"12345620250314092653591.mmf"});
    EXPECT_FALSE(FileExists(ProgramFolder() + "Mmf/" + kFirstBase + ".mmf"));
    EXPECT_EQ(History(), std::vector<AnsiString>{"00420603000002:Odesláno"});
    EXPECT_EQ(Ids(Dm->Fronta), std::vector<Integer>{split});
    EXPECT_TRUE(Dm->FrontaVybrany->AsBoolean());

    // A picture that does not read, and a logo whose message file cannot be
    // written: its bitmap is neither sent nor left behind, and no call starts.
    Errors.clear();
    Queue(Dm->FrontObj, "00420603000003", "logo", "", true, "not a bitmap");
    Queue(Dm->FrontObj, "00420603000004", "group", "", true, FramedLogo());
    const AnsiString blocked = "12345620250314092653593";
    ForceDirectories(ProgramFolder() + "Mmf/" + blocked + ".mmf");
    EXPECT_EQ(Sending.SendFromQueue(true), nullptr);
    EXPECT_FALSE(CallerBusy());
    EXPECT_EQ(Errors, (std::vector<AnsiString>{kFailedMFF, kFailedMFF}));
    EXPECT_FALSE(FileExists(ProgramFolder() + "Mmf/" + blocked + ".bmp"));
    EXPECT_EQ(Dm->FrontObj->RecordCount(), 2);

    // Nothing ticked: nothing is written and no call starts.
    Errors.clear();
    Dm->FrontObj->First();
    while (!Dm->FrontObj->IsEmpty()) Dm->FrontObj->Delete();
    EXPECT_EQ(Sending.SendFromQueue(true), nullptr);
    EXPECT_EQ(Errors, std::vector<AnsiString>{"Musíte zatrhnout alespoň jednu zprávu."});
}

TEST_F(TSendingTest, TheRowsTheCallCarriedMoveWhateverTheTicksSayByThen) {
    const Integer a = Queue(Dm->Fronta, "00420603000001", "text", "a");
    const Integer b = Queue(Dm->Fronta, "00420603000002", "text", "b");
    const Integer c = Queue(Dm->Fronta, "00420603000003", "text", "c", false);
    Centre.Scenario("[Hold]\nSendFile.1=gate\n");
    TCaller* call = Sending.SendFromQueue(false);
    EXPECT_EQ(Sending.CallRows(), (std::vector<Integer>{a, b}));
    Finish(call, [&] {
        const AnsiString gate = Centre.Folder + "gate";
        while (!FileExists(gate)) {
            CheckSynchronize();
            std::this_thread::yield();
        }
        Tick(Dm->Fronta, a, false);
        Tick(Dm->Fronta, c, true);
        DeleteFile(gate);
    });
    EXPECT_EQ(History(), (std::vector<AnsiString>{"00420603000001:Odesláno", "00420603000002:Odesláno"}));
    EXPECT_EQ(Ids(Dm->Fronta), std::vector<Integer>{c});
    EXPECT_TRUE(Sending.CallRows().empty());

    // The history cannot be saved: the queue's file is left as it was, so
    // that the files hold every row once at least.
    FailingSave = "Historie";
    Saved.clear();
    Centre.Scenario("");
    Finish(Sending.SendFromQueue(false));
    EXPECT_EQ(Saved, std::vector<AnsiString>{"Historie"});
    EXPECT_EQ(Errors, std::vector<AnsiString>{"disk full"});
    TDM reread(nullptr);
    EXPECT_EQ(reread.Fronta->RestoreFromFile(ProgramFolder() + "Fronta.dat").Records, 1);
    EXPECT_EQ(Status.back(), kSent);
}

TEST_F(TSendingTest, AFailedCallMovesTheRowsTheCentreTookAndKeepsTheRest) {
    // A busy line: nothing went, every row stays and is logged as failed.
    const Integer a = Queue(Dm->Fronta, "00420603000001", "text", "a");
    const Integer b = Queue(Dm->Fronta, "00420603000002", "text", "b");
    Centre.Scenario("[Line]\nBusy=1\n");
    Finish(Sending.SendFromQueue(false));
    EXPECT_EQ(History(), (std::vector<AnsiString>{"00420603000001:Chyba", "00420603000002:Chyba"}));
    EXPECT_EQ(Ids(Dm->Fronta), (std::vector<Integer>{a, b}));
    EXPECT_EQ(Status.back().rfind("! Zprávy se nepodařilo odeslat. (Obsazeno.", 0), 0u);

    // The third file fails for good: the rows of the first two went.
    const Integer c = Queue(Dm->Fronta, "00420603000003", "text", "c");
    Centre.Scenario("[Fail]\nSendFile.3=16\nSendFile.4=16\nSendFile.5=16\nSendFile.6=16\n");
    Finish(Sending.SendFromQueue(false));
    EXPECT_EQ(Status.back(),
              "! Počet zpráv doručených na sms centrum: 2 z 3. (Nepodařilo se odeslat soubor. Chyba 16)");
    EXPECT_EQ(Ids(Dm->Fronta), std::vector<Integer>{c});
    EXPECT_EQ(History(), (std::vector<AnsiString>{"00420603000001:Chyba", "00420603000001:Odesláno",
                                                  "00420603000002:Chyba", "00420603000002:Odesláno",
                                                  "00420603000003:Chyba"}));

    // Every file went, then the notifications could not be listed: the call
    // failed, but the row was delivered and must not be sent again.
    Centre.Scenario("[Fail]\nDir.2=23\n");
    Finish(Sending.SendFromQueue(false));
    EXPECT_EQ(Status.back(), "! Počet zpráv doručených na sms centrum: 1 z 1. (Selhala funkce DIR. Chyba 23)");
    EXPECT_TRUE(Dm->Fronta->IsEmpty());
    EXPECT_EQ(History().size(), 6u);
    EXPECT_EQ(History().back(), "00420603000003:Odesláno");
    EXPECT_EQ(Sending.SendFromQueue(false), nullptr);
}

TEST_F(TSendingTest, TariffAndLimitsFollowTheTickedParts) {
    Sending.ChooseTariff(5, false);
    EXPECT_EQ(Dm->TarifyTarif->AsInteger(), 1);
    Sending.ChooseTariff(6, false);
    EXPECT_EQ(Dm->TarifyTarif->AsInteger(), 2);
    Sending.ChooseTariff(2, true);
    EXPECT_EQ(Dm->TarifyTarif->AsInteger(), 2);
    // None large enough: the last one.
    Sending.ChooseTariff(11, true);
    EXPECT_EQ(Dm->TarifyTarif->AsInteger(), 2);

    Queue(Dm->Fronta, "1", "text", "a");
    Dm->Fronta->Edit();
    Dm->FrontaPocet->SetAsInteger(3);
    Dm->Fronta->Post();
    Queue(Dm->Fronta, "2", "text", "b");
    Queue(Dm->Fronta, "3", "text", "c", false);
    EXPECT_EQ(SumTickedParts(Dm->Fronta), 4);
    EXPECT_EQ(Sending.SendLimitText(false, {4, 0}), "");
    EXPECT_EQ(Sending.SendLimitText(false, {3, 0}),
              "Najednou lze odeslat maximálně 3 zpráv.\r\n\r\nZkraťte text nebo vyberte menší počet zpráv.");
}

TEST_F(TSendingTest, WithoutATariffNothingIsWrittenOrDialled) {
    Dm->Tarify->Close();
    Dm->Tarify->Open();
    const Integer row = Queue(Dm->Fronta, "00420603000001", "text", "a");
    TCaller* call = Sending.SendFromQueue(false);
    if (call) Finish(call);
    EXPECT_EQ(call, nullptr);
    EXPECT_FALSE(CallerBusy());
    EXPECT_EQ(Errors, std::vector<AnsiString>{"Chybí tarify centra zpráv (soubor tariffs.brc), a tak není známo "
                                              "číslo, na které volat. Zprávy nebyly odeslány."});
    EXPECT_TRUE(ListFiles(ProgramFolder() + "Mmf", "*.*").empty());
    EXPECT_TRUE(Centre.Log().empty());
    EXPECT_EQ(Ids(Dm->Fronta), std::vector<Integer>{row});
    EXPECT_TRUE(Dm->Historie->IsEmpty());
}

TEST_F(TSendingTest, TheHistoryShowsWhenTheCallSentARowUnlessTheCentreHoldsItForItsChosenTime) {
    // Queued an hour ago, to go at once; queued to go tomorrow; chosen for a
    // time that passed before the send, which the centre is not told.
    const TDateTime tomorrow = EncodeDateTime(2025, 3, 15, 10, 0, 0, 0);
    const TDateTime lapsed = EncodeDateTime(2025, 3, 14, 9, 0, 0, 0);
    for (const TDateTime poslat : {kNow - 1.0 / 24, tomorrow, lapsed}) {
        Queue(Dm->Fronta, "00420603000001", "text", "a");
        Dm->Fronta->Edit();
        Dm->FrontaPoslat->SetAsDateTime(poslat);
        Dm->Fronta->Post();
    }
    TCaller* call = Sending.SendFromQueue(false);
    // The call ends three minutes after the files were written.
    const TDateTime ended = EncodeDateTime(2025, 3, 14, 9, 29, 53, 589);
    SetNowFunction([ended] { return ended; });
    Finish(call);
    std::vector<AnsiString> shown;
    for (Dm->Historie->First(); !Dm->Historie->Eof(); Dm->Historie->Next())
        shown.push_back(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", Dm->HistoriePoslano->AsDateTime()));
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (std::vector<AnsiString>{"2025-03-14 09:29:53.589", "2025-03-14 09:29:53.589",
                                              "2025-03-15 10:00:00.000"}));
}

TEST_F(TSendingTest, APictureMessagesLineBreakStaysInsideItsOneBodyLine) {
    // Without a home country in Staty the text is queued as written.
    Queue(Dm->FrontObj, "00421905123456", "picture", "Veselé Vánoce\r\na šťastný nový rok 2026!", true, FramedLogo());
    Finish(Sending.SendFromQueue(true));
    EXPECT_EQ(Inbox(), (std::vector<AnsiString>{kFirstBase + ".bmp", kFirstBase + ".mmf"}));
    EXPECT_EQ(Centre.Read("centre/inbox/" + kFirstBase + ".mmf"), Golden("picture.mmf"));
    EXPECT_TRUE(Errors.empty());
}

TEST_F(TSendingTest, ATextFivePartsCannotHoldWholeStaysQueuedAndNoneOfItIsSent) {
    // Queued while parts were cut anywhere; whole words are kept now, and
    // the last words would no longer fit.
    const AnsiString text =
        "Mila Jano, posilam podrobnosti k sobotnimu vyletu do Ceskeho raje. Sraz je v 7:15 na hlavnim nadrazi "
        "u pokladen, vlak do Turnova odjizdi v 7:42 z tretiho nastupiste. Jizdenky koupim pro vsechny predem, "
        "takze mi prosim do patku posli 180 Kc na ucet nebo mi je dej v sobotu rano. S sebou si vezmi pevne "
        "boty, pristesenku, neco k jidlu na cely den a dost vody, protoze na hrebenech neni kde nakoupit. "
        "Pujdeme pres Hruboskalsko a Valdstejn k Trosce, celkem asi osmnact kilometru s nekolika strmymi "
        "stoupanimi. Kdyby prselo, pojedeme misto toho do Liberce do aquaparku a do zoologicke zahrady, tak "
        "si pro jistotu pribal i plavky. Zpatky budeme kolem osme vecer. Kdybys nemohla, dej mi prosim vedet "
        "co nejdriv, at muzu vratit jizdenku. Uz se moc tesim na spolecny den, Petr.";
    ASSERT_EQ(Trozdel(text, false).DroppedLength(), 0);
    ASSERT_GT(Trozdel(text, true).DroppedLength(), 0);
    const Integer whole = Queue(Dm->Fronta, "00420603000001", "text", text);
    Queue(Dm->Fronta, "00421905000002", "text", "Ahoj, v sobotu v 7:15 na nadrazi.");

    Finish(Sending.SendFromQueue(false));
    EXPECT_EQ(Errors, std::vector<AnsiString>{"Zpráva pro adresáta \"To 00420603000001\" se nevejde do pěti SMS. "
                                              "Zkraťte text."});
    EXPECT_EQ(Inbox(), std::vector<AnsiString>{kFirstBase + ".mmf"});
    EXPECT_EQ(History(), std::vector<AnsiString>{"00421905000002:Odesláno"});
    EXPECT_EQ(Ids(Dm->Fronta), std::vector<Integer>{whole});
    EXPECT_TRUE(Dm->FrontaVybrany->AsBoolean());
}
