// Sending from the main window through the link-library stand-in and its
// simulated centre, as the user sends: the queue pages' "Z fronty" and
// "Poslat ihned", the call's status in the event log, the rows moved to the
// history, and what a call brings back (tariffs, notifications, program
// files). Every case ends with each queued row either still queued or in
// the history as sent, never both and never delivered twice.

#include "client/Main.h"

#include <algorithm>
#include <map>
#include <memory>
#include <thread>

#include "MainFixture.h"
#include "client/Notifications.h"
#include "client/Sending.h"
#include "SendSamples.h"
#include "core/Caller.h"
#include "core/Zprava.h"
#include "platform/gfx/Bitmap.h"

namespace {

const TDateTime kNow = EncodeDateTime(2025, 3, 14, 9, 26, 53, 589);
const AnsiString kOwnNumber = "420777123456";
const AnsiString kFirstBase = "12345620250314092653589";
const AnsiString kSecondBase = "12345620250314092653590";
const char kTariffs[] =
    "[Tariff1]\r\nPHONE=0900111\r\nSMSMAX=5\r\nPMSMAX=1\r\nINTERVAL=30\r\nTAX=3.25\r\n"
    "[Tariff2]\r\nPHONE=0900222\r\nSMSMAX=20\r\nPMSMAX=4\r\nINTERVAL=60\r\nTAX=12.5\r\n";

class TMainSendingTest : public TMainWindowTest {
protected:
    void SetUp() override {
        TMainWindowTest::SetUp();
        SetNowFunction([] { return kNow; });
        for (const char* sub : {"centre/inbox", "centre/tariffs", "centre/notifications", "centre/programs"})
            ForceDirectories(Folder + sub);
        Scenario("");
        WriteFileAtomic(Folder + "tariffs.brc", kTariffs);
    }

    void Scenario(const AnsiString& Text) { WriteFileAtomic(Folder + "caller.ini", "[Centre]\r\nFolder=centre\r\n" + Text); }

    void StartSending() {
        StartConfirmed();
        Settings->Edit3->SetText(kOwnNumber);
        Settings->ComboBox1->SetText("COM1");
        Settings->SpinEdit1->SetValue(0);
    }

    // A row as the composer queues it, ticked.
    Integer Queue(TMemData* Table, const AnsiString& Number, const AnsiString& Type, const AnsiString& Text,
                  const AnsiString& Logo = "") {
        Table->Append();
        Table->FieldByName("Jmeno")->SetAsString("To " + Number);
        Table->FieldByName("Cislo")->SetAsString(Number);
        Table->FieldByName("Zprava")->SetAsString(Text);
        Table->FieldByName("Napsano")->SetAsDateTime(kNow - 1);
        Table->FieldByName("Poslat")->SetAsDateTime(kNow - 1);
        Table->FieldByName("Vybrany")->SetAsBoolean(true);
        Table->FieldByName("Logo")->SetAsString(Logo);
        Table->FieldByName("Typ")->SetAsString(Type);
        Table->FieldByName("Pocet")->SetAsInteger(1);
        Table->Post();
        return Table->RecIdField()->AsInteger();
    }

    // "Z fronty" on a queue page, then the call to its end and its
    // termination event.
    void SendFrom(TTabSheet* Page) {
        Main->PageControl1->SetActivePage(Page);
        Main->AZFronty->Execute();
        Finish();
    }
    void Finish() {
        while (CallerBusy()) {
            CheckSynchronize();
            std::this_thread::yield();
        }
        PumpUntilIdle();
    }

    std::vector<AnsiString> Log() {
        std::vector<AnsiString> lines;
        TListItems* items = Main->ListView1->Items();
        for (Integer i = 0; i < items->Count(); ++i)
            lines.push_back((items->Item(i)->ImageIndex() == 0 ? "! " : "") + (*items->Item(i)->SubItems())[0]);
        return lines;
    }
    std::vector<AnsiString> History() { return HistoryRows(*Data); }
    std::vector<AnsiString> Numbers(TMemData* Table) {
        std::vector<AnsiString> numbers;
        for (Table->First(); !Table->Eof(); Table->Next()) numbers.push_back(Table->FieldByName("Cislo")->AsString());
        return numbers;
    }
    std::vector<AnsiString> Inbox() { return ListFiles(Folder + "centre/inbox", "*.*"); }
    AnsiString Golden(const AnsiString& Name) { return ReadFileBytes(AnsiString(VEMLOR_TEST_DATA) + "/" + Name); }
};


// The golden files carry another line identity; this window sends its own number.
AnsiString WithOwnLine(AnsiString Text) {
    const AnsiString other = "<cline>0212345678</cline>";
    Text.replace(Text.find(other), other.size(), "<cline>" + kOwnNumber + "</cline>");
    return Text;
}

TEST_F(TMainSendingTest, QueuedTextAndLogoReachTheCentreAndTheHistoryWithTheCallInTheLog) {
    StartSending();
    EXPECT_EQ(Main->CallLimits().TextParts, 20);
    EXPECT_EQ(Main->CallLimits().Objects, 4);
    Queue(Data->Fronta, "00420603111222", "text", "Tom & Jerry <3 > all");
    Data->Fronta->Edit();
    Data->FrontaPotvrdit->SetAsString("a&b@example.cz");
    Data->FrontaPoslat->SetAsDateTime(EncodeDateTime(2025, 3, 15, 10, 0, 0, 0));
    Data->Fronta->Post();
    Queue(Data->FrontObj, "00420603111333", "logo", "", FramedLogo());

    SendFrom(Main->TabFronta);
    SendFrom(Main->TabFrontaObj);

    EXPECT_EQ(Inbox(), (std::vector<AnsiString>{kFirstBase + ".mmf", kSecondBase + ".bmp", kSecondBase + ".mmf"}));
    EXPECT_EQ(ReadFileBytes(Folder + "centre/inbox/" + kFirstBase + ".mmf"), WithOwnLine(Golden("text.mmf")));
    EXPECT_EQ(ReadFileBytes(Folder + "centre/inbox/" + kSecondBase + ".mmf"), WithOwnLine(Golden("logo.mmf")));
    EXPECT_EQ(ReadFileBytes(Folder + "centre/inbox/" + kSecondBase + ".bmp"), Golden("logo.bmp"));
    EXPECT_EQ(History(), (std::vector<AnsiString>{"00420603111222:Odesláno", "00420603111333:Odesláno"}));
    EXPECT_TRUE(Data->Fronta->IsEmpty());
    EXPECT_TRUE(Data->FrontObj->IsEmpty());
    // Both tables are on disk as they stand after the move.
    TDM reread(nullptr);
    EXPECT_EQ(reread.Historie->RestoreFromFile(Folder + "Historie.dat").Records, 2);
    EXPECT_EQ(reread.Fronta->RestoreFromFile(Folder + "Fronta.dat").Records, 0);

    const std::vector<AnsiString> log = Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Vytáčím číslo centra zpráv..."), 2);
    EXPECT_EQ(std::count(log.begin(), log.end(), "Zprávy byly úspěšně odeslány na sms centrum."), 2);

    AddContact(1, "Jana Nováková", "00420603111222");
    Main->SetBounds(0, 0, 900, 640);
    Main->PageControl1->SetActivePage(Main->TabHistorie);
    PumpUntilIdle();
    const AnsiString file = AnsiString(VEMLOR_TEST_OUTPUT) + "/client/main-window-after-call.png";
    ASSERT_TRUE(SaveControlToPng(Main, file));
    EXPECT_GT(FileSize(file), 0);
}

TEST_F(TMainSendingTest, TheMobileNumberTypedInTheSettingsIsTheSenderOfEveryMessage) {
    StartSending();
    Settings->Edit3->SetText("");
    TModalAnswerer answers;
    answers.Act([&](TForm*) { TypeText(Settings->Edit3, "+421 903 123 456"); });
    answers.ClickButton("BitBtn1");
    Settings->ShowModal();
    Queue(Data->Fronta, "00420603111222", "text", "Ahoj");
    Queue(Data->Fronta, "00420603111333", "text", "Nazdar");
    SendFrom(Main->TabFronta);

    const std::vector<AnsiString> inbox = Inbox();
    ASSERT_EQ(inbox.size(), 2u);
    for (const AnsiString& name : inbox)
        EXPECT_NE(ReadFileBytes(Folder + "centre/inbox/" + name)
                      .find("<serialte>00421903123456</serialte>\r\n<cline>00421903123456</cline>\r\n"),
                  AnsiString::npos)
            << name;
    EXPECT_NE(ReadFileBytes(Folder + "caller.log").find(", \"00421903123456\", \"0900"), AnsiString::npos)
        << "the call announces the same line";
}

TEST_F(TMainSendingTest, ABusyLineKeepsTheRowsQueuedUntilACallGetsThrough) {
    Scenario("[Line]\r\nBusy=9\r\n");
    StartSending();
    Queue(Data->Fronta, "00420603111222", "text", "first");
    Queue(Data->Fronta, "00420603111444", "text", "second");

    SendFrom(Main->TabFronta);
    EXPECT_TRUE(Inbox().empty());
    EXPECT_EQ(Numbers(Data->Fronta), (std::vector<AnsiString>{"00420603111222", "00420603111444"}));
    EXPECT_EQ(History(), (std::vector<AnsiString>{"00420603111222:Chyba", "00420603111444:Chyba"}));
    EXPECT_EQ(Log().back(), "! Zprávy se nepodařilo odeslat. (Obsazeno. Chyba 10)");

    Scenario("");
    SendFrom(Main->TabFronta);
    EXPECT_EQ(Inbox().size(), 2u);
    EXPECT_TRUE(Data->Fronta->IsEmpty());
    EXPECT_EQ(History(), (std::vector<AnsiString>{"00420603111222:Chyba", "00420603111222:Odesláno",
                                                  "00420603111444:Chyba", "00420603111444:Odesláno"}));
}

TEST_F(TMainSendingTest, AFileTheCentreRefusesKeepsItsRowAndTheRowsBeforeItAreSentOnce) {
    Scenario("[Fail]\r\nSendFile.2=16\r\nSendFile.3=16\r\nSendFile.4=16\r\nSendFile.5=16\r\n");
    StartSending();
    Queue(Data->Fronta, "00420603111222", "text", "first");
    Queue(Data->Fronta, "00420603111444", "text", "second");

    SendFrom(Main->TabFronta);
    EXPECT_EQ(Inbox(), std::vector<AnsiString>{kFirstBase + ".mmf"});
    EXPECT_EQ(Numbers(Data->Fronta), std::vector<AnsiString>{"00420603111444"});
    EXPECT_EQ(History(), (std::vector<AnsiString>{"00420603111222:Odesláno", "00420603111444:Chyba"}));
    EXPECT_EQ(Log().back().substr(0, 2), "! ");

    // The row left behind is still ticked and goes alone on the next call.
    Scenario("");
    SendFrom(Main->TabFronta);
    EXPECT_EQ(Inbox().size(), 2u);
    EXPECT_TRUE(Data->Fronta->IsEmpty());
}

TEST_F(TMainSendingTest, ACallThatFailsPartWayTellsTheLogAndTheStatusLineHowManyMessagesWent) {
    // The fourth file fails on each of its four tries.
    Scenario("[Fail]\r\nSendFile.4=16\r\nSendFile.5=16\r\nSendFile.6=16\r\nSendFile.7=16\r\n");
    StartSending();
    Main->AHideLog->Execute();
    ASSERT_FALSE(Main->Panel3->Visible());
    for (const char* number : {"00420603000001", "00420603000002", "00420603000003", "00420603000004",
                               "00420603000005"})
        Queue(Data->Fronta, number, "text", "hello");

    SendFrom(Main->TabFronta);
    const AnsiString told = "Počet zpráv doručených na sms centrum: 3 z 5. (Nepodařilo se odeslat soubor. Chyba 16)";
    EXPECT_EQ(Log().back(), "! " + told);
    EXPECT_EQ(Main->StatusBar1->Panels()->Items(0)->Text(), told);
    EXPECT_EQ(History(), (std::vector<AnsiString>{"00420603000001:Odesláno", "00420603000002:Odesláno",
                                                  "00420603000003:Odesláno", "00420603000004:Chyba",
                                                  "00420603000005:Chyba"}));
    EXPECT_EQ(Numbers(Data->Fronta), (std::vector<AnsiString>{"00420603000004", "00420603000005"}));
}

TEST_F(TMainSendingTest, HangingUpMidCallKeepsTheRowsAndRefusesTheQueueCommandsMeanwhile) {
    Scenario("[Hold]\r\nSendFile=gate\r\n");
    StartSending();
    Queue(Data->Fronta, "00420603111222", "text", "first");
    Main->PageControl1->SetActivePage(Main->TabFronta);
    Main->AZFronty->Execute();
    while (!FileExists(Folder + "gate")) {
        CheckSynchronize();
        std::this_thread::yield();
    }
    {
        // Neither a second send, nor a delete, nor a tick while the call runs.
        Main->SetBounds(0, 0, 900, 640);
        PumpUntilIdle();
        TModalAnswerer answers;
        for (int i = 0; i < 3; ++i) answers.ClickButton("OK");
        Main->AZFronty->Execute();
        Main->DeleteTickedRows(Data->Fronta);
        const TRect box = Main->FrontaGrid->CellRect(0, 1);
        Main->FrontaGrid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(box.Left + 5, box.Top + 3));
        Main->FrontaGrid->Perform(WM_LBUTTONUP, 0, MakeLParam(box.Left + 5, box.Top + 3));
        EXPECT_EQ(answers.Pending(), 0);
        EXPECT_TRUE(Data->FrontaVybrany->AsBoolean());
    }
    HangUpCall();
    Finish();
    EXPECT_TRUE(Inbox().empty());
    EXPECT_EQ(Numbers(Data->Fronta), std::vector<AnsiString>{"00420603111222"});
    EXPECT_EQ(History(), std::vector<AnsiString>{"00420603111222:Chyba"});
    EXPECT_NE(Log().back().find("Odesílání přerušeno uživatelem."), AnsiString::npos);
}

TEST_F(TMainSendingTest, ACallBringsTariffsANotificationShownOnceAndANewerProgramFile) {
    TFakeTimerClock clock;
    StartSending();
    WriteFileAtomic(Folder + "centre/tariffs/tariffs7.brc",
                    "[Tariff3]\r\nPHONE=0900333\r\nSMSMAX=2\r\nPMSMAX=3\r\nINTERVAL=10\r\nTAX=1.5\r\n");
    WriteFileAtomic(Folder + "centre/notifications/news1.not",
                    "<note><expireby>202503201200</expireby><published>202503140800</published>"
                    "<text>Nov\xe9 tarify</text></note>");
    WriteFileAtomic(Folder + "centre/programs/version.ini", "readme.txt=1.3\r\n");
    WriteFileAtomic(Folder + "centre/programs/readme.txt", "new");
    Queue(Data->Fronta, "00420603111222", "text", "first");

    SendFrom(Main->TabFronta);
    EXPECT_EQ(Main->CallLimits().TextParts, 2);
    EXPECT_EQ(Main->CallLimits().Objects, 3);
    EXPECT_EQ(Main->BRCName(), "tariffs7");
    EXPECT_EQ(ReadFileBytes(Folder + "_readme.txt"), "new");
    EXPECT_EQ(TIniFile(Folder + "update.ini").ReadString("Version", "readme.txt", ""), "1.3");
    EXPECT_EQ(History(), std::vector<AnsiString>{"00420603111222:Odesláno"});

    AnsiString shown;
    {
        TModalAnswerer answers;
        answers.ClickButton("OK", [&](TForm* Form) { shown = DialogText(Form); });
        clock.Advance(100);
        PumpUntilIdle();
        EXPECT_EQ(answers.Pending(), 0);
    }
    EXPECT_EQ(shown, "Nové tarify");
    EXPECT_FALSE(FileExists(Folder + "Mmf/news1.not"));
    ASSERT_FALSE(Data->Notif->IsEmpty());
    EXPECT_EQ(Data->NotifJmeno->AsString(), "news1");

    // The next call fetches neither the tariffs nor the notification again.
    Queue(Data->Fronta, "00420603111444", "text", "second");
    SendFrom(Main->TabFronta);
    EXPECT_FALSE(FileExists(Folder + "Mmf/news1.not"));
    EXPECT_FALSE(Main->TimerNotif->Enabled());
}

TEST_F(TMainSendingTest, TariffsTheLibraryReportsButNeverWritesLeaveTheOldOnesToDialWith) {
    StartSending();
    WriteFileAtomic(Folder + "centre/tariffs/tariffs7.brc",
                    "[Tariff3]\r\nPHONE=0900333\r\nSMSMAX=2\r\nPMSMAX=3\r\nINTERVAL=10\r\nTAX=1.5\r\n");
    Scenario("[NoFile]\r\nReceiveFile=2\r\n");
    Queue(Data->Fronta, "00420603111222", "text", "first");
    SendFrom(Main->TabFronta);
    EXPECT_EQ(ReadFileBytes(Folder + "tariffs.brc"), kTariffs);
    EXPECT_NE(Main->BRCName(), "tariffs7");

    // The next send dials with them, and this time the new tariffs arrive.
    Scenario("");
    Queue(Data->Fronta, "00420603111444", "text", "second");
    {
        TModalAnswerer answers;
        SendFrom(Main->TabFronta);
        EXPECT_TRUE(answers.Unexpected().empty());
    }
    EXPECT_EQ(History(), (std::vector<AnsiString>{"00420603111222:Odesláno", "00420603111444:Odesláno"}));
    EXPECT_EQ(Main->BRCName(), "tariffs7");
    EXPECT_EQ(Main->CallLimits().TextParts, 2);
}

TEST_F(TMainSendingTest, NotificationsAlikeInTheirFirstTwentyCharactersAreEachShownOnce) {
    TFakeTimerClock clock;
    StartSending();
    const std::vector<AnsiString> names = {"service-news-2025-03-first", "service-news-2025-03-second"};
    for (const AnsiString& name : names)
        WriteFileAtomic(Folder + "centre/notifications/" + name + ".not",
                        "<note><expireby>202503201200</expireby><published>202503140800</published><text>" + name +
                            "</text></note>");
    Queue(Data->Fronta, "00420603111222", "text", "first");
    SendFrom(Main->TabFronta);
    std::vector<AnsiString> shown;
    {
        TModalAnswerer answers;
        for (int i = 0; i < 2; ++i) answers.ClickButton("OK", [&](TForm* Form) { shown.push_back(DialogText(Form)); });
        clock.Advance(100);
        PumpUntilIdle();
    }
    EXPECT_EQ(shown, names);
    EXPECT_EQ(Data->Notif->RecordCount(), 2);

    // Known to the next call as the reader stored them: neither comes again.
    Queue(Data->Fronta, "00420603111444", "text", "second");
    SendFrom(Main->TabFronta);
    EXPECT_TRUE(ListFiles(Folder + "Mmf", "*.not").empty());
    EXPECT_FALSE(Main->TimerNotif->Enabled());
}

TEST_F(TMainSendingTest, ANotificationFileThatCannotBeUsedIsAnErrorDialogAndIsDeleted) {
    StartSending();
    WriteFileAtomic(Folder + "Mmf/broken.not", "<text>no times</text>");
    std::vector<AnsiString> shown;
    {
        TModalAnswerer answers;
        for (int i = 0; i < 2; ++i)
            answers.ClickButton("OK", [&](TForm* Form) { shown.push_back(Form->Caption() + ": " + DialogText(Form)); });
        Main->ProcessNotificationFiles();
        TNotifications(*Data, *Main).ReadNotificationFile(Folder + "Mmf/missing.not");
        EXPECT_EQ(answers.Pending(), 0);
    }
    EXPECT_EQ(shown, (std::vector<AnsiString>{"Chyba: Nepodařilo se zpracovat notifikační soubor.",
                                              "Chyba: Nepodařilo se otevřít notifikační soubor."}));
    EXPECT_FALSE(FileExists(Folder + "Mmf/broken.not"));
    EXPECT_TRUE(Data->Notif->IsEmpty());
    // The log keeps the reason.
    const std::vector<AnsiString> log = Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2].rfind("! Nepodařilo se zpracovat notifikační soubor. (" + Folder + "Mmf/broken.not: ", 0),
              0u)
        << log[log.size() - 2];
    EXPECT_EQ(log.back().rfind("! Nepodařilo se otevřít notifikační soubor. (", 0), 0u) << log.back();
}

TEST_F(TMainSendingTest, SendNowSendsOnlyTheMessageJustWritten) {
    StartSending();
    AddContact(1, "Jana Nováková", "00420603111222");
    const Integer waiting = Queue(Data->Fronta, "00420603999999", "text", "waiting");
    Main->PageControl1->SetActivePage(Main->TabText);
    Main->ComboEdit1->SetText("00420603111222");
    Main->REdit1->SetText("Ahoj");

    {
        TModalAnswerer answers;
        answers.ClickButton("OK", [](TForm* Form) { ADD_FAILURE() << DialogText(Form); });
        Main->APoslat->Execute();
        Finish();
    }

    EXPECT_EQ(Inbox().size(), 1u);
    EXPECT_EQ(History(), std::vector<AnsiString>{"00420603111222:Odesláno"});
    EXPECT_EQ(Numbers(Data->Fronta), std::vector<AnsiString>{"00420603999999"});
    EXPECT_TRUE(Data->Fronta->Locate("RecId", Variant(waiting), TLocateOptions{}));
    EXPECT_FALSE(Data->FrontaVybrany->AsBoolean());
    EXPECT_EQ(Main->PageControl1->ActivePage(), Main->TabFronta);
    EXPECT_TRUE(Main->REdit1->Text().empty());

    // Without a recipient nothing is queued, and the text stays to be mended.
    Main->PageControl1->SetActivePage(Main->TabText);
    Main->REdit1->SetText("Ahoj znovu");
    Data->ClearContactTicks();
    {
        TModalAnswerer answers;
        answers.ClickButton("OK");
        Main->APoslat->Execute();
        EXPECT_EQ(answers.Pending(), 0);
    }
    EXPECT_EQ(Main->REdit1->Text(), "Ahoj znovu");
    EXPECT_EQ(Numbers(Data->Fronta), std::vector<AnsiString>{"00420603999999"});
}

TEST_F(TMainSendingTest, SendNowOverTheCallsLimitQueuesTheMessageUntickedAndSendsNothing) {
    WriteFileAtomic(Folder + "tariffs.brc",
                    "[Tariff1]\r\nPHONE=0900111\r\nSMSMAX=1\r\nPMSMAX=1\r\nINTERVAL=30\r\nTAX=3.25\r\n");
    StartSending();
    AddContact(1, "Jana Nováková", "00420603111222");
    Main->PageControl1->SetActivePage(Main->TabText);
    Main->ComboEdit1->SetText("00420603111222");
    Main->REdit1->SetText(AnsiString(200, 'a'));
    AnsiString told;
    {
        TModalAnswerer answers;
        answers.ClickButton("OK", [&](TForm* Form) { told = DialogText(Form); });
        Main->APoslat->Execute();
        Finish();
    }
    EXPECT_EQ(told.substr(0, 47), "Tato zpráva je určena více adresátům, než je mo");
    EXPECT_TRUE(Inbox().empty());
    EXPECT_EQ(Numbers(Data->Fronta), std::vector<AnsiString>{"00420603111222"});
    EXPECT_FALSE(Data->FrontaVybrany->AsBoolean());
}

TEST_F(TMainSendingTest, WithoutTariffsNeitherSendCommandDialsAndBothSayWhatIsMissing) {
    DeleteFile(Folder + "tariffs.brc");
    StartSending();
    AddContact(1, "Jana Nováková", "00420603111222");
    Queue(Data->Fronta, "00420603999999", "text", "waiting");
    std::vector<AnsiString> told;
    {
        TModalAnswerer answers;
        for (int i = 0; i < 2; ++i) answers.ClickButton("OK", [&](TForm* Form) { told.push_back(DialogText(Form)); });
        SendFrom(Main->TabFronta);
        Main->PageControl1->SetActivePage(Main->TabText);
        Main->ComboEdit1->SetText("00420603111222");
        Main->REdit1->SetText("Ahoj");
        Main->APoslat->Execute();
        Finish();
        EXPECT_EQ(answers.Pending(), 0);
    }
    const AnsiString missing =
        "Chybí tarify centra zpráv (soubor tariffs.brc), a tak není známo číslo, na které volat. "
        "Zprávy nebyly odeslány.";
    EXPECT_EQ(told, (std::vector<AnsiString>{missing, missing}));
    EXPECT_FALSE(FileExists(Folder + "caller.log"));
    EXPECT_TRUE(Inbox().empty());
    EXPECT_TRUE(History().empty());
    // The queue keeps its row, and the message just written stays in the composer.
    EXPECT_EQ(Numbers(Data->Fronta), std::vector<AnsiString>{"00420603999999"});
    EXPECT_EQ(Main->REdit1->Text(), "Ahoj");
}

TEST_F(TMainSendingTest, ARowQueuedWithoutAChosenTimeShowsInTheHistoryWhenTheCallSentIt) {
    // The window reads the clock until the fixture closes it.
    auto clock = std::make_shared<TDateTime>(kNow);
    SetNowFunction([clock] { return *clock; });
    StartSending();
    ASSERT_FALSE(Main->TimePanel->Visible());
    AddContact(1, "Jana Nováková", "00420603111222");
    Main->PageControl1->SetActivePage(Main->TabText);
    Main->ComboEdit1->SetText("00420603111222");
    Main->REdit1->SetText("Ahoj");
    *clock = EncodeDateTime(2025, 3, 14, 10, 26, 53, 589);
    Main->ADoFronty->Execute();
    PumpUntilIdle();
    ASSERT_EQ(Numbers(Data->Fronta), std::vector<AnsiString>{"00420603111222"});
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", Data->FrontaPoslat->AsDateTime()), "2025-03-14 10:26:53.589");

    *clock = EncodeDateTime(2025, 3, 14, 11, 0, 0, 0);
    Main->TickAllWithinLimit(Data->Fronta);
    SendFrom(Main->TabFronta);
    ASSERT_EQ(History(), std::vector<AnsiString>{"00420603111222:Odesláno"});
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", Data->HistoriePoslano->AsDateTime()), "2025-03-14 11:00:00.000");
}

// An invitation longer than five parts, with words to cut at.
const AnsiString kInvitation =
    "Milí přátelé, v sobotu 14. června pořádáme na chatě u Sázavy oslavu Petrových padesátin a moc bychom byli "
    "rádi, kdybyste přijeli. Začínáme ve dvě odpoledne opékáním buřtů, večer bude živá hudba a ohňostroj nad "
    "řekou. Spát se dá v chatě, ve stanech nebo v penzionu U Kováře, kde máme zamluvené čtyři pokoje. Cesta: z "
    "Prahy po D1 na exit 21, pak směr Týnec nad Sázavou, za mostem doleva a po dvou kilometrech uvidíte ceduli. "
    "Kdo pojede vlakem, vystoupí v Čerčanech a zavolá, někdo pro něj dojede autem. S sebou prosím spacák, teplé "
    "oblečení, repelent a dobrou náladu; jídla i pití bude dost. Dárky nejsou nutné, Petr si přeje jen to, "
    "abyste dorazili. Kdybyste věděli o někom, kdo by rád přišel, klidně ho vezměte s sebou. Dejte nám prosím "
    "vědět do pátku, kolik vás bude a jestli zůstanete přes noc. Děkujeme a těšíme se na vás!";

TEST_F(TMainSendingTest, FivePartsArriveAsTheHistoryShowsThemOrAreNotQueued) {
    StartSending();
    Settings->LookupStaty->SetText("Czech rep");
    Settings->chbNickName->SetChecked(true);
    Settings->NickEdit->SetText("Petr");
    Settings->chbWholeWord->SetChecked(true);
    Settings->chbAddHeader->SetChecked(true);
    Settings->chbAddSign->SetChecked(true);
    Settings->chbskupina->SetChecked(true);
    AddContact(1, "Jana Nováková", "00420603111222", "Ahoj Jano,", "Petr");
    AddContact(2, "Zuzana Horváthová", "00421905123456", "Milá Zuzko,", "Zdraví Petr Dvořák");
    auto tick = [&](Integer Id) {
        Data->Adresa->Locate("ID", Variant(Id), TLocateOptions{});
        Main->SetCurrentTick(true);
    };
    auto panel = [&](Integer Index) { return Main->StatusBar1->Panels()->Items(Index)->Text(); };
    Main->PageControl1->SetActivePage(Main->TabText);

    // Written for Jana alone, the editor keeps what her row carries whole.
    tick(1);
    Main->REdit1->SetText(kInvitation);
    const AnsiString forJana = Main->REdit1->Text();
    ASSERT_LT(forJana.size(), kInvitation.size());
    EXPECT_EQ(kInvitation.substr(0, forJana.size()), forJana);
    EXPECT_EQ(panel(3), "Zpráv: 5");

    // Zuzana's longer salutation and signature leave no room for all of it:
    // the editor keeps the text, the counters show what would be lost, and
    // nobody gets a row.
    tick(2);
    EXPECT_EQ(Main->REdit1->Text(), forJana);
    EXPECT_EQ(panel(2).substr(0, 8), "Zbývá: -");
    AnsiString told;
    {
        TModalAnswerer answers;
        answers.ClickButton("OK", [&](TForm* Form) { told = DialogText(Form); });
        Main->ADoFronty->Execute();
        PumpUntilIdle();
        EXPECT_EQ(answers.Pending(), 0);
    }
    EXPECT_EQ(told, "Zpráva pro adresáta \"Zuzana Horváthová\" se nevejde do pěti SMS. Zkraťte text.");
    EXPECT_TRUE(Data->Fronta->IsEmpty());
    EXPECT_EQ(Main->REdit1->Text(), forJana);

    // Written again for both, it is queued for both (Zuzana's number is
    // Slovak: the question about it is answered) and sent.
    Main->REdit1->SetText(kInvitation);
    const AnsiString forBoth = Main->REdit1->Text();
    EXPECT_LT(forBoth.size(), forJana.size());
    EXPECT_EQ(panel(3), "Zpráv: 5");
    {
        TModalAnswerer answers;
        answers.ClickButton("Ano");
        Main->ADoFronty->Execute();
        PumpUntilIdle();
        EXPECT_EQ(answers.Pending(), 0);
    }
    ASSERT_EQ(Numbers(Data->Fronta), (std::vector<AnsiString>{"00420603111222", "00421905123456"}));
    for (Data->Fronta->First(); !Data->Fronta->Eof(); Data->Fronta->Next()) {
        Data->Fronta->Edit();
        Data->FrontaVybrany->SetAsBoolean(true);
        Data->Fronta->Post();
    }
    SendFrom(Main->TabFronta);
    EXPECT_TRUE(Data->Fronta->IsEmpty());

    // What the centre received, part by part without header and nickname,
    // is what the history says was sent.
    std::map<AnsiString, AnsiString> delivered;
    std::map<AnsiString, int> parts;
    for (const AnsiString& name : Inbox()) {
        const AnsiString file = ReadFileBytes(Folder + "centre/inbox/" + name);
        const AnsiString body = TagValue(file, "<bodytext>");
        ASSERT_EQ(body.substr(3, 5), " Petr") << body;
        delivered[TagValue(file, "<msisdn>")] += body.substr(8);
        ++parts[TagValue(file, "<msisdn>")];
    }
    std::map<AnsiString, AnsiString> history;
    for (Data->Historie->First(); !Data->Historie->Eof(); Data->Historie->Next()) {
        EXPECT_EQ(Data->HistorieStav->DisplayText(), "Odesláno");
        history[Data->HistorieCislo->AsString()] = Data->HistorieZprava->AsString();
    }
    EXPECT_EQ(delivered, history);
    EXPECT_EQ(parts["00421905123456"], 5);
    const AnsiString zuzana = history["00421905123456"];
    EXPECT_EQ(zuzana.substr(0, 25), "Mila Zuzko, Mili pratele,");
    EXPECT_EQ(zuzana.substr(zuzana.size() - 19), " Zdravi Petr Dvorak");
    EXPECT_EQ(history["00420603111222"].substr(0, 24), "Ahoj Jano, Mili pratele,");
}

}  // namespace
