#include "updater/main.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>

#include "core/Language.h"
#include "platform/os/Dialup.h"
#include "platform/os/tests/TestHttpServer.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"
#include "updater/DownLoad.h"
#include "updater/RASUnit.h"
#include "updater/setup.h"

namespace {

template <class F>
void RunUntil(F Condition) {
    while (!Condition()) WaitForEvents();
}

const AnsiString kAppExists =
    "Před provedením aktualizace je nutné ukončit hlavní aplikaci, kliknutím na OK ji zavřete.";
const AnsiString kWrongSize = "Stažený soubor je poškozen, spustťe aktualizaci znovu.";
const AnsiString kSaveFailed = "Nelze uložit stažený instalační soubor.";
const AnsiString kFinished = "Aktualizace byla úspěšně dokončena.";

// The updater's three windows as the program creates them, over a program
// folder of the test's own and an update server on loopback.
class TfUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/update-window/" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        std::system(("rm -rf '" + Folder + "'").c_str());
        ForceDirectories(Folder);
        SetProgramFolder(Folder);
        FreeRasLibrary();
        ResetApplicationForTests();
        SetNetInterfaceSource([] { return std::vector<TNetInterface>{{"lo", true, true, false}}; });
        SetProxyConfiguredSource([] { return false; });

        auto& s = Server.Server();
        s.Get("/updclnt/update.dat", [this](const httplib::Request& Req, httplib::Response& Res) {
            Log(Req.path);
            Res.set_content(Description, "text/plain");
        });
        s.Get("/pkg/client.zip", [this](const httplib::Request& Req, httplib::Response& Res) {
            Log(Req.path);
            Res.set_content("ZIP", "application/zip");
        });
        s.Get("/pkg/moved.zip", [this](const httplib::Request& Req, httplib::Response& Res) {
            Log(Req.path);
            Res.set_redirect(Server.Url("/pkg/client.zip"));
        });
        s.Get("/pkg/missing.zip", [this](const httplib::Request& Req, httplib::Response& Res) {
            Log(Req.path);
            Res.status = 404;
            Res.set_content("404", "text/plain");
        });
        Server.ServeGated("/pkg/plugin.sh", 40000, 20000);
        Server.ServeGated("/pkg/cut.zip", 50000, 20000, true);
        Server.Start();
        Server.Gate().Close();
    }
    void TearDown() override {
        Server.Gate().Open();
        if (fDownLoad) fDownLoad->Free();
        if (fSetUpdate) fSetUpdate->Free();
        if (fUpdate) fUpdate->Free();
        ResetApplicationForTests();
        SetLang(nullptr);
        SetNetInterfaceSource({});
        SetProxyConfiguredSource({});
        FreeRasLibrary();
        SetProgramFolder("");
    }

    void Log(const std::string& Path) {
        std::lock_guard lock(LogLock);
        Requested.push_back(Path);
    }
    std::vector<std::string> Requests() {
        std::lock_guard lock(LogLock);
        return Requested;
    }

    // The program block's order; the run's client name and launcher are the test's.
    void CreateWindows() {
        Application->CreateForm(fUpdate);
        Application->CreateForm(fSetUpdate);
        Application->CreateForm(fDownLoad);
        fUpdate->Updater()->InstanceName = "OnlyOneSMS Vemlor window-test-" + std::to_string(getpid());
        fUpdate->Updater()->Launch = [this](const AnsiString& File, const AnsiString& Params) {
            Launched.push_back(File + "|" + Params);
            return true;
        };
    }
    void Settings(const AnsiString& Section, const AnsiString& Key, const AnsiString& Value) {
        TIniFile(Folder + "update.ini").WriteString(Section, Key, Value);
    }
    AnsiString Installed(const AnsiString& Name) {
        return TIniFile(Folder + "update.ini").ReadString("Version", Name, "");
    }
    AnsiString Status() const { return fUpdate->StatusBar1->SimpleText(); }
    // The message dialog is answered with OK, its text kept.
    void AnswerOK(TModalAnswerer& Answerer) {
        Answerer.ClickButton("OK", [this](TForm* Form) { Messages.push_back(MessageOf(Form)); });
    }
    static AnsiString MessageOf(TForm* Form) {
        auto* label = dynamic_cast<TLabel*>(Form->FindComponent("Message"));
        return label ? label->Caption() : AnsiString("?");
    }
    AnsiString Package(const AnsiString& Name, const AnsiString& File, Int64 Size, const AnsiString& Extra = "") {
        return "[" + Name + "]\r\nVersion=1.5\r\nFileName=" + File + "\r\nSize=" + std::to_string(Size) + "\r\n" +
               Extra + "[Info" + Name + "]\r\n1=" + Name + " je nový\r\n";
    }
    // The menu command fetches the description again; the status line clears
    // once it is read.
    void FetchFromMenu() {
        fUpdate->ZjistitNovouverzi1->Click();
        EXPECT_EQ("Zjišťuji informace o nové verzi.", Status());
        RunUntil([&] { return Status().empty(); });
    }

    AnsiString Folder;
    TTestHttpServer Server;
    std::string Description;
    std::mutex LogLock;
    std::vector<std::string> Requested;
    std::vector<AnsiString> Launched;
    std::vector<AnsiString> Messages;
};

TEST_F(TfUpdateTest, ClosesTheClientShowsWhatIsNewDownloadsTwoPackagesWithProgressAndRecordsThem) {
    Settings("TfUpdate", "UpdateURL", Server.Url("/updclnt/"));
    Settings("TfSetUpdate", "RadioButton2_Checked", "True");
    Description = "[Setup]\r\nMainURL=" + Server.Url("/pkg") + "\r\n" +
                  Package("Plugin", "plugin.sh", 40000, "OutputDir=Plugins\r\nRun=1\r\n") +
                  Package("Client", "client.zip", 3);
    TFakeTimerClock clock;
    CreateWindows();
    EXPECT_EQ("Vemlor Aktualizace", fUpdate->Caption());

    // A running client, in a process of its own, is closed before anything is asked.
    const std::string command =
        std::string("'") + VEMLOR_INSTANCE_HELPER + "' serve '" + fUpdate->Updater()->InstanceName + "'";
    FILE* client = popen(command.c_str(), "r");
    char line[32] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, client));
    ASSERT_STREQ("READY\n", line);

    TModalAnswerer answerer;
    AnswerOK(answerer);
    fUpdate->Show();
    ASSERT_TRUE(std::fgets(line, sizeof line, client));
    EXPECT_STREQ("CLOSED\n", line);
    EXPECT_EQ(0, pclose(client));
    EXPECT_EQ((std::vector<AnsiString>{kAppExists}), Messages);

    // Online by the stored setting: the description is asked for at once,
    // and the timer has nothing left to do.
    EXPECT_TRUE(fSetUpdate->RadioButton2->Checked());
    EXPECT_FALSE(clock.Running(fUpdate->Timer1));
    RunUntil([&] { return fUpdate->Memo1->Lines()->Count() > 0; });
    EXPECT_EQ("Plugin je nový (1.50)\r\n\r\nClient je nový (1.50)\r\n\r\n", fUpdate->Memo1->Lines()->Text());
    EXPECT_EQ("", Status());

    // F2 through the menu starts the run; the first package stops after the
    // part sent at once until the server lets the rest go.
    fUpdate->Provstupdate1->Click();
    RunUntil([&] { return fDownLoad->ProgressBar1->Position() == 19; });
    EXPECT_TRUE(fDownLoad->Visible());
    EXPECT_EQ("plugin.sh", fDownLoad->Label2->Caption());
    EXPECT_EQ("Staženo 19 KB z 39 KB", fDownLoad->Label1->Caption());
    EXPECT_EQ(39, fDownLoad->ProgressBar1->Max());
    const AnsiString shots = AnsiString(VEMLOR_TEST_OUTPUT) + "/update-window/";
    EXPECT_TRUE(SaveControlToPng(fUpdate, shots + "update-mid-download.png"));
    EXPECT_TRUE(SaveControlToPng(fDownLoad, shots + "download-mid-download.png"));
    // A second update command during the run does nothing.
    fUpdate->SpeedButton1->Click();

    AnswerOK(answerer);
    Server.Gate().Open();
    RunUntil([&] { return answerer.Pending() == 0; });
    EXPECT_EQ((std::vector<AnsiString>{kAppExists, kFinished}), Messages);
    EXPECT_TRUE(answerer.Unexpected().empty());
    EXPECT_FALSE(fDownLoad->Visible());
    EXPECT_TRUE(ReadFileBytes(Folder + "Plugins/plugin.sh") == TTestHttpServer::Pattern(40000));
    EXPECT_EQ("ZIP", ReadFileBytes(Folder + "client.zip"));
    EXPECT_EQ((std::vector<AnsiString>{Folder + "Plugins/plugin.sh|"}), Launched);
    EXPECT_EQ("1.5", Installed("Plugin"));
    EXPECT_EQ("1.5", Installed("Client"));
    // (The held-back package is served without the log.)
    EXPECT_EQ((std::vector<std::string>{"/updclnt/update.dat", "/pkg/client.zip"}), Requests());

    // Closing the window drops the description and keeps the settings, with
    // the package base as the next description address.
    fUpdate->Konec1->Click();
    EXPECT_FALSE(FileExists(Folder + "update.dat"));
    EXPECT_EQ(Server.Url("/pkg"), TIniFile(Folder + "update.ini").ReadString("TfUpdate", "UpdateURL", ""));
    EXPECT_EQ("1.5", Installed("Client"));
}

TEST_F(TfUpdateTest, TranslatedOfflineTheUserDeclinesToDialAndTheTimerFetchesOnceTheConnectionIsThere) {
    Settings("TfUpdate", "UpdateURL", Server.Url("/updclnt"));
    Description = "[Setup]\r\nMainURL=" + Server.Url("/pkg/") + "\r\n" + Package("Client", "client.zip", 3);
    // No client settings: the English language file of the program folder,
    // which every window translates itself by.
    ForceDirectories(Folder + "Lang");
    WriteFileAtomic(Folder + "Lang/english.lng",
                    "[Strings]\r\nNotConnected=Connect to the Internet?\r\n[fUpdate]\r\nNastaven1.Caption=Settings\r\n"
                    "[fSetUpdate]\r\nRadioButton1.Caption=Dial-up\r\n[fDownLoad]\r\nButton1.Caption=Halt\r\n");
    TFakeTimerClock clock;
    CreateWindows();
    EXPECT_EQ("Settings", fUpdate->Nastaven1->Caption());
    EXPECT_EQ("Dial-up", fSetUpdate->RadioButton1->Caption());
    EXPECT_EQ("Halt", fDownLoad->Button1->Caption());
    // Both windows' settings are in the program folder's update.ini before
    // any showing or tick could read them.
    EXPECT_EQ(Folder + "update.ini", fUpdate->FormStorage1->IniFileName());
    EXPECT_EQ(Folder + "update.ini", fSetUpdate->FormStorage1->IniFileName());
    EXPECT_FALSE(clock.Running(fUpdate->Timer1));

    // No connection kind stored and only the loopback link up: dial-up, and
    // the user is asked whether to connect.
    TModalAnswerer answerer;
    answerer.ClickButton("No", [this](TForm* Form) { Messages.push_back(MessageOf(Form)); });
    fUpdate->Show();
    EXPECT_EQ((std::vector<AnsiString>{"Connect to the Internet?"}), Messages);
    EXPECT_TRUE(fSetUpdate->RadioButton1->Checked());
    EXPECT_TRUE(SaveControlToPng(fSetUpdate, AnsiString(VEMLOR_TEST_OUTPUT) + "/update-window/settings.png"));
    EXPECT_TRUE(clock.Running(fUpdate->Timer1));
    clock.Advance(3000);
    EXPECT_TRUE(Requests().empty());

    // The user switches to a permanent connection: the next tick fetches,
    // and the timer stops for good.
    fSetUpdate->RadioButton2->SetChecked(true);
    clock.Advance(1000);
    EXPECT_FALSE(clock.Running(fUpdate->Timer1));
    RunUntil([&] { return fUpdate->Memo1->Lines()->Count() > 0; });
    EXPECT_EQ((std::vector<std::string>{"/updclnt/update.dat"}), Requests());

    // The choice is kept for the next run.
    fSetUpdate->Free();
    EXPECT_EQ("True", TIniFile(Folder + "update.ini").ReadString("TfSetUpdate", "RadioButton2_Checked", ""));
}

TEST_F(TfUpdateTest, OnlineOnlyThroughADialupLinkWithoutDialCommandsFetchesAtOnceWithoutAsking) {
    Settings("TfUpdate", "UpdateURL", Server.Url("/updclnt/"));
    Description = "[Setup]\r\nMainURL=" + Server.Url("/pkg/") + "\r\n" + Package("Client", "client.zip", 3);
    SetNetInterfaceSource(
        [] { return std::vector<TNetInterface>{{"lo", true, true, false}, {"ppp0", true, false, true}}; });
    TFakeTimerClock clock;
    CreateWindows();
    TModalAnswerer answerer;  // nothing may be asked
    fUpdate->Show();
    EXPECT_TRUE(fSetUpdate->RadioButton1->Checked());
    ASSERT_TRUE(answerer.Seen().empty());
    ASSERT_FALSE(clock.Running(fUpdate->Timer1));
    RunUntil([&] { return fUpdate->Memo1->Lines()->Count() > 0; });
    EXPECT_EQ((std::vector<std::string>{"/updclnt/update.dat"}), Requests());
}

TEST_F(TfUpdateTest, EachFailingDownloadEndsAsTheUserIsToldAndRecordsNothing) {
    Settings("TfUpdate", "UpdateURL", Server.Url("/updclnt/"));
    Settings("TfSetUpdate", "RadioButton2_Checked", "True");
    Description = "[Setup]\r\n";
    TFakeTimerClock clock;
    CreateWindows();
    TModalAnswerer answerer;
    AnswerOK(answerer);  // the empty description
    fUpdate->Show();
    RunUntil([&] { return answerer.Pending() == 0; });
    Messages.clear();

    struct TCase {
        const char* Name;
        AnsiString Section;
        AnsiString Message;  // the dialog the run ends with, or none
        AnsiString Status;   // the status line afterwards
        AnsiString Saved;    // the file that must (not) exist
    };
    const TCase cases[] = {
        {"wrong size", Package("A", "client.zip", 4), kWrongSize, "", "client.zip"},
        {"404", Package("B", "missing.zip", 3), kWrongSize, "", "missing.zip"},
        {"bad name", Package("C", "../evil.sh", 3), kSaveFailed, "", "../evil.sh"},
        {"truncated", Package("D", "cut.zip", 50000), "", "Chyba při stahování souboru.", "cut.zip"},
        {"stop", Package("E", "plugin.sh", 40000), "", "", "plugin.sh"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Server.Gate().Close();
        Messages.clear();
        Description = "[Setup]\r\nMainURL=" + Server.Url("/pkg/") + "\r\n" + c.Section;
        FetchFromMenu();
        const std::size_t before = Requests().size();
        if (!c.Message.empty()) AnswerOK(answerer);
        fUpdate->SpeedButton1->Click();
        if (!c.Message.empty()) {
            RunUntil([&] { return answerer.Pending() == 0; });
            EXPECT_EQ((std::vector<AnsiString>{c.Message}), Messages);
        } else if (!c.Status.empty()) {
            RunUntil([&] { return fDownLoad->ProgressBar1->Position() > 0; });
            Server.Gate().Open();
            RunUntil([&] { return !Status().empty(); });
        } else {
            // Stop in the progress window, half-way.
            RunUntil([&] { return fDownLoad->ProgressBar1->Position() > 0; });
            // The run's own completion handler, counted on its way.
            bool completed = false;
            TNotifyEvent runs = fUpdate->AdvHttp1->OnRequestComplete;
            fUpdate->AdvHttp1->OnRequestComplete = [&completed, runs](TObject* Sender) {
                completed = true;
                runs(Sender);
            };
            fDownLoad->Button1->Click();
            EXPECT_FALSE(fDownLoad->Visible());
            Server.Gate().Open();
            RunUntil([&] { return completed; });
            EXPECT_TRUE(Messages.empty());
            EXPECT_TRUE(fUpdate->Updater()->StopMark());
        }
        EXPECT_EQ(c.Status, Status());
        // A failed transfer leaves the progress window to the user.
        if (c.Status.empty()) {
            EXPECT_FALSE(fDownLoad->Visible());
        }
        EXPECT_FALSE(FileExists(Folder + c.Saved));
        EXPECT_EQ("", Installed(c.Section.substr(1, 1)));
        if (c.Message == kSaveFailed) {
            EXPECT_EQ(before, Requests().size());
        }
    }
    EXPECT_TRUE(answerer.Unexpected().empty());

    // A redirect is followed to the file.
    AnswerOK(answerer);
    Description = "[Setup]\r\nMainURL=" + Server.Url("/pkg/") + "\r\n" + Package("F", "moved.zip", 3);
    FetchFromMenu();
    fUpdate->SpeedButton1->Click();
    RunUntil([&] { return answerer.Pending() == 0; });
    EXPECT_EQ((std::vector<AnsiString>{kFinished}), Messages);
    EXPECT_EQ("ZIP", ReadFileBytes(Folder + "moved.zip"));
    EXPECT_EQ("1.5", Installed("F"));
}

}  // namespace
