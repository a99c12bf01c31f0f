#include "updater/Updater.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>

#include "platform/os/Http.h"
#include "platform/os/tests/TestHttpServer.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TestSupport.h"
#include "updater/uAdvHttp.h"

namespace {

template <class F>
void RunUntil(F Condition) {
    while (!Condition()) WaitForEvents();
}

// Records what the run shows; answers questions from a script.
class TRecordingView : public TUpdaterView {
public:
    void SetStatus(const AnsiString& Text) override { Statuses.push_back(Text); }
    void SetLines(const std::vector<AnsiString>& L) override { Lines = L; }
    void ShowInfo(const AnsiString& Text) override { Infos.push_back(Text); }
    void ShowError(const AnsiString& Text) override { Errors.push_back(Text); }
    bool Confirm(const AnsiString& Text) override {
        Questions.push_back(Text);
        const bool yes = !Answers.empty() && Answers.front();
        if (!Answers.empty()) Answers.pop_front();
        return yes;
    }
    void ShowProgress(const AnsiString& FileName) override {
        Shown.push_back(FileName);
        Visible = true;
        if (OnShow) OnShow();
    }
    void Progress(const AnsiString& Text, Integer, Integer) override {
        ProgressTexts.push_back(Text);
        if (OnProgress) OnProgress();
    }
    void HideProgress() override { Visible = false; }
    void CloseMain() override { Closed = true; }

    bool Ended() const { return !Infos.empty() || !Errors.empty(); }

    std::vector<AnsiString> Statuses, Lines, Infos, Errors, Questions, Shown, ProgressTexts;
    std::deque<bool> Answers;
    std::function<void()> OnProgress, OnShow;
    bool Visible = false;
    bool Closed = false;
};

const AnsiString kWrongSize = "Stažený soubor je poškozen, spustťe aktualizaci znovu.";
const AnsiString kSaveFailed = "Nelze uložit stažený instalační soubor.";
const AnsiString kFinished = "Aktualizace byla úspěšně dokončena.";
const AnsiString kNoDescription = "Nepodařilo se stahnout aktualizační soubor, zkontrolujte nastavení";

class TUpdaterTest : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/updater/" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        std::system(("rm -rf '" + Folder + "'").c_str());
        ForceDirectories(Folder);
        auto& s = Server.Server();
        s.Get("/updclnt/update.dat", [this](const httplib::Request& Req, httplib::Response& Res) {
            Log(Req.path);
            Res.status = DescriptionStatus;
            Res.set_content(Description, "text/plain");
        });
        s.Get("/pkg/plugin.sh", [this](const httplib::Request& Req, httplib::Response& Res) {
            Log(Req.path);
            Res.set_content(TTestHttpServer::Pattern(40000), "application/octet-stream");
        });
        s.Get("/pkg/client.zip", [this](const httplib::Request& Req, httplib::Response& Res) {
            Log(Req.path);
            Res.set_content("ZIP", "application/zip");
        });
        s.Get("/pkg/moved.zip", [this](const httplib::Request&, httplib::Response& Res) {
            Res.set_redirect(Server.Url("/pkg/client.zip"));
        });
        s.Get("/pkg/bad.zip", [this](const httplib::Request& Req, httplib::Response& Res) {
            Log(Req.path);
            Res.set_content("BAD", "application/zip");
        });
        s.Get("/pkg/missing.zip", [](const httplib::Request&, httplib::Response& Res) {
            Res.status = 404;
            Res.set_content("404", "text/plain");
        });
        Server.ServeGated("/pkg/cut.zip", 50000, 20000, true);
        Server.ServeGated("/pkg/slow.zip", 50000, 20000);
        Server.ServeDrip("/pkg/drip.zip", 100000);
        Server.Start();
        Server.Gate().Close();

        Http = std::make_unique<TAdvHttp>(nullptr);
        Updater = std::make_unique<TUpdater>(Http.get(), &View, Folder);
        Updater->InstanceName = "OnlyOneSMS Vemlor updater-test-" + std::to_string(getpid());
        Updater->Settings = [] { return TConnectionSettings(); };
        Updater->ReadUpdateURL = [this](const AnsiString& Default) {
            return TIniFile(Folder + "update.ini").ReadString("TfUpdate", "UpdateURL", Default);
        };
        Updater->WriteUpdateURL = [this](const AnsiString& Value) {
            TIniFile(Folder + "update.ini").WriteString("TfUpdate", "UpdateURL", Value);
        };
        FileLauncher = Updater->Launch;
        Updater->Launch = [this](const AnsiString& File, const AnsiString& Params) {
            Launched.push_back(File + "|" + Params);
            return true;
        };
    }
    void TearDown() override {
        Updater.reset();
        Http.reset();
    }

    void Log(const std::string& Path) {
        std::lock_guard lock(LogLock);
        Requested.push_back(Path);
    }
    bool Logged(const std::string& Path) {
        std::lock_guard lock(LogLock);
        return std::find(Requested.begin(), Requested.end(), Path) != Requested.end();
    }
    // The temporary files of writers in the folder, with their sizes; the
    // settings file's lock file is none.
    static std::map<std::string, std::uintmax_t> TempFiles(const AnsiString& Dir) {
        std::map<std::string, std::uintmax_t> found;
        for (const auto& entry : std::filesystem::directory_iterator(Dir)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(".~", 0) == 0 && !name.ends_with(".lock")) found[name] = entry.file_size();
        }
        return found;
    }

    // One package section.
    AnsiString Package(const AnsiString& Name, const AnsiString& File, Int64 Size, const AnsiString& Extra = "") {
        return "[" + Name + "]\nVersion=1.5\nFileName=" + File + "\nSize=" + std::to_string(Size) + "\n" + Extra +
               "[Info" + Name + "]\n1=" + Name + " is new\n";
    }
    void Fetch(const AnsiString& Base = "") {
        TIniFile(Folder + "update.ini")
            .WriteString("TfUpdate", "UpdateURL", Base.empty() ? AnsiString(Server.Url("/updclnt/")) : Base);
        ASSERT_TRUE(Updater->PrepareConnection());
        ASSERT_TRUE(Updater->Poll());
        // The answer's handler first clears the status, then parses.
        RunUntil([&] { return View.Statuses.size() >= 2 && View.Statuses.back().empty(); });
    }
    void Run() {
        Updater->StartUpdate();
        RunUntil([&] { return View.Ended() || View.Closed || !Updater->Busy(); });
    }
    AnsiString Installed(const AnsiString& Name) {
        return TIniFile(Folder + "update.ini").ReadString("Version", Name, "");
    }

    AnsiString Folder;
    TTestHttpServer Server;
    std::string Description;
    std::atomic<int> DescriptionStatus{200};
    std::mutex LogLock;
    std::vector<std::string> Requested;
    TRecordingView View;
    std::unique_ptr<TAdvHttp> Http;
    std::unique_ptr<TUpdater> Updater;
    std::vector<AnsiString> Launched;
    // The run's own launcher, before the test's recorder took its place.
    std::function<bool(const AnsiString&, const AnsiString&)> FileLauncher;
};

TEST_F(TUpdaterTest, ClosesTheClientThenFetchesShowsDownloadsAndInstallsTwoPackages) {
    // A running client, in a process of its own, is asked to close first.
    const std::string command =
        std::string("'") + VEMLOR_INSTANCE_HELPER + "' serve '" + Updater->InstanceName + "'";
    FILE* client = popen(command.c_str(), "r");
    char line[32] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, client));
    ASSERT_STREQ("READY\n", line);
    Updater->CloseMainProgram();
    ASSERT_TRUE(std::fgets(line, sizeof line, client));
    EXPECT_STREQ("CLOSED\n", line);
    EXPECT_EQ(0, pclose(client));
    ASSERT_EQ(1u, View.Infos.size());
    EXPECT_EQ("Před provedením aktualizace je nutné ukončit hlavní aplikaci, kliknutím na OK ji zavřete.",
              View.Infos[0]);
    View.Infos.clear();

    Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" +
                  Package("Plugin", "plugin.sh", 40000, "OutputDir=Plugins\nRun=1\n") +
                  Package("Client", "client.zip", 3);
    Fetch();
    EXPECT_EQ((std::vector<AnsiString>{"Plugin is new (1.50)", "", "Client is new (1.50)", ""}), View.Lines);
    EXPECT_EQ((std::vector<AnsiString>{"Plugin", "Client"}), *Updater->Queue());
    EXPECT_EQ("Zjišťuji informace o nové verzi.", View.Statuses.front());

    Run();
    EXPECT_EQ((std::vector<AnsiString>{kFinished}), View.Infos);
    EXPECT_TRUE(View.Errors.empty());
    EXPECT_EQ((std::vector<AnsiString>{"plugin.sh", "client.zip"}), View.Shown);
    // At least a notice per 16 KB piece of the first package, then one for the second.
    ASSERT_GE(View.ProgressTexts.size(), 4u);
    EXPECT_EQ("Staženo 39 KB z 39 KB", View.ProgressTexts[View.ProgressTexts.size() - 2]);
    EXPECT_EQ("Staženo 0 KB z 0 KB", View.ProgressTexts.back());
    EXPECT_TRUE(ReadFileBytes(Folder + "Plugins/plugin.sh") == TTestHttpServer::Pattern(40000));
    EXPECT_EQ("ZIP", ReadFileBytes(Folder + "client.zip"));
    struct stat st {};
    ASSERT_EQ(0, stat((Folder + "Plugins/plugin.sh").c_str(), &st));
    EXPECT_TRUE(st.st_mode & S_IXUSR);
    EXPECT_EQ((std::vector<AnsiString>{Folder + "Plugins/plugin.sh|"}), Launched);
    EXPECT_EQ("1.5", Installed("Plugin"));
    EXPECT_EQ("1.5", Installed("Client"));
    // The stored base ends in "/" and is not doubled.
    EXPECT_EQ(Server.Url("/pkg/"), TIniFile(Folder + "update.ini").ReadString("TfUpdate", "UpdateURL", ""));
    EXPECT_EQ("/updclnt/update.dat", Requested.front());

    // Nothing newer now; the command does nothing after a finished run.
    Updater->StartUpdate();
    EXPECT_EQ(1u, View.Infos.size());
    Updater->Cleanup();
    EXPECT_FALSE(FileExists(Folder + "update.dat"));
    EXPECT_TRUE(FileExists(Folder + "update.ini"));
}

TEST_F(TUpdaterTest, ShortErrorPageAndOverlongBodiesAreRefusedUnsaved) {
    struct TCase {
        AnsiString File;
        Int64 Size;
    };
    // One byte short of the announced size, a 404 page of exactly the
    // announced size, and a body longer than announced, which is stopped
    // there (the rest is held back for good).
    for (const TCase& c : {TCase{"client.zip", 4}, TCase{"missing.zip", 3}, TCase{"slow.zip", 10000}}) {
        SCOPED_TRACE(c.File + " " + std::to_string(c.Size));
        View = TRecordingView();
        Description = "[Setup]\nMainURL=" + Server.Url("/pkg") + "\n" + Package("Client", c.File, c.Size);
        Fetch();
        Run();
        EXPECT_EQ((std::vector<AnsiString>{kWrongSize}), View.Errors);
        EXPECT_FALSE(FileExists(Folder + c.File));
        EXPECT_EQ("", Installed("Client"));
        EXPECT_FALSE(View.Visible);
        EXPECT_TRUE(TempFiles(Folder).empty());
    }
}

TEST_F(TUpdaterTest, PackagesWithoutARecordableNameOrAKnownSizeAreRefusedUnfetchedAndTheRestInstalled) {
    auto bad = [](const AnsiString& Name, const AnsiString& Size) {
        return "[" + Name + "]\nVersion=1.5\nFileName=bad.zip\n" + Size + "[Info" + Name + "]\n1=x\n";
    };
    Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" + bad("a=b", "Size=3\n") +
                  bad(";note", "Size=3\n") + bad("[x", "Size=3\n") + bad("", "Size=3\n") + bad("NoSize", "") +
                  bad("Zero", "Size=0\n") + bad("Negative", "Size=-3\n") + Package("Client", "client.zip", 3);
    Fetch();
    ASSERT_EQ(8u, Updater->Queue()->size());
    Updater->StartUpdate();
    RunUntil([&] { return Installed("Client") == "1.5" || Logged("/pkg/bad.zip"); });
    auto name = [](const char* N) {
        return "Balíček „" + AnsiString(N) + "“ má v popisu aktualizace neplatný název, nebude stažen.";
    };
    auto size = [](const char* N) {
        return "Balíček „" + AnsiString(N) + "“ nemá v popisu aktualizace platnou velikost, nebude stažen.";
    };
    EXPECT_EQ((std::vector<AnsiString>{name("a=b"), name(";note"), name("[x"), name(""), size("NoSize"), size("Zero"),
                                       size("Negative")}),
              View.Errors);
    EXPECT_FALSE(Logged("/pkg/bad.zip"));
    EXPECT_FALSE(FileExists(Folder + "bad.zip"));
    EXPECT_EQ("ZIP", ReadFileBytes(Folder + "client.zip"));
    // Not everything was installed: no word of success, the last refusal stays in sight.
    EXPECT_TRUE(View.Infos.empty());
    EXPECT_EQ(size("Negative"), View.Statuses.back());
}

TEST_F(TUpdaterTest, AnExceptionInACompletionHandlerIsShownAndEndsTheRun) {
    Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" + Package("Tool", "client.zip", 3, "Run=1\n") +
                  Package("Later", "bad.zip", 3);
    Updater->Launch = [this](const AnsiString& File, const AnsiString&) -> bool {
        Launched.push_back(File);
        throw Exception("Cannot start " + File);
    };
    Fetch();
    Updater->StartUpdate();
    RunUntil([&] { return !Launched.empty(); });
    EXPECT_EQ((std::vector<AnsiString>{"Cannot start " + Folder + "client.zip"}), View.Errors);
    EXPECT_FALSE(Updater->Busy());
    EXPECT_FALSE(View.Visible);
    EXPECT_FALSE(Logged("/pkg/bad.zip"));
}

TEST_F(TUpdaterTest, APackageIsStreamedIntoATemporaryFileBesideItsTargetAndPutInPlaceWhole) {
    Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" +
                  Package("Slow", "slow.zip", 50000, "OutputDir=Plugins\n");
    Fetch();
    Int64 held = -1;
    std::map<std::string, std::uintmax_t> temps;
    // Once the part sent at once is in, before the rest is let go.
    View.OnProgress = [&] {
        if (held >= 0 || Http->ReceivedBytes() < 20000) return;
        held = Http->ResponseBody()->Size();
        temps = TempFiles(Folder + "Plugins");
        Server.Gate().Open();
    };
    Run();
    EXPECT_LE(held, 16384);
    ASSERT_EQ(1u, temps.size());
    EXPECT_EQ(0u, temps.begin()->first.rfind(".~slow.zip.", 0)) << temps.begin()->first;
    EXPECT_EQ(20000u, temps.begin()->second);
    EXPECT_EQ((std::vector<AnsiString>{kFinished}), View.Infos);
    EXPECT_TRUE(ReadFileBytes(Folder + "Plugins/slow.zip") == TTestHttpServer::Pattern(50000));
    EXPECT_TRUE(TempFiles(Folder + "Plugins").empty());
}

TEST_F(TUpdaterTest, ADrippingServerIsSeenPieceByPieceAndEndedByTheLowSpeedLimit) {
    Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" + Package("Drip", "drip.zip", 100000);
    Fetch();
    // A drip of 2 bytes per notice never comes near this. The window is long
    // enough for the first pieces to come in on a busy machine, whose
    // connection and headers alone may take tens of milliseconds.
    Http->SetLowSpeedLimit(10000000);
    Http->SetLowSpeedTime(200);
    std::vector<Int64> received;
    View.OnProgress = [&] {
        received.push_back(Http->ReceivedBytes());
        Server.Drip().Release();
    };
    Run();
    ASSERT_GE(received.size(), 2u);
    Int64 before = 0;
    for (const Int64 r : received) {
        EXPECT_GT(r, before);
        EXPECT_LE(r - before, 2);
        before = r;
    }
    EXPECT_LT(received.back(), 100000);
    EXPECT_EQ(http_errors::Timeout, Http->LastError());
    EXPECT_EQ("Chyba při stahování souboru.", View.Statuses.back());
    EXPECT_FALSE(Updater->Busy());
    EXPECT_FALSE(FileExists(Folder + "drip.zip"));
    EXPECT_TRUE(TempFiles(Folder).empty());
}

TEST_F(TUpdaterTest, NamesThatLeadOutOfTheProgramFolderAreNotEvenFetched) {
    for (const char* extra : {"FileName=../evil.sh\n", "FileName=client.zip\nOutputDir=../outside\n",
                              "FileName=client.zip\nOutputDir=/tmp\n"}) {
        View = TRecordingView();
        Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n[Evil]\nVersion=2\nSize=3\n" + extra +
                      "[InfoEvil]\n1=x\n";
        Fetch();
        Requested.clear();
        Run();
        EXPECT_EQ((std::vector<AnsiString>{kSaveFailed}), View.Errors) << extra;
        EXPECT_TRUE(Requested.empty());
    }
    EXPECT_FALSE(DirectoryExists(Folder + "../outside"));
}

TEST_F(TUpdaterTest, ARedirectIsFollowedAndATruncatedBodyFailsTheRun) {
    Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" + Package("Client", "moved.zip", 3);
    Fetch();
    Run();
    EXPECT_EQ((std::vector<AnsiString>{kFinished}), View.Infos);
    EXPECT_EQ("ZIP", ReadFileBytes(Folder + "moved.zip"));

    View = TRecordingView();
    Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" + Package("Cut", "cut.zip", 50000);
    Fetch();
    View.OnProgress = [this] { Server.Gate().Open(); };
    Run();
    EXPECT_FALSE(Updater->Busy());
    EXPECT_EQ("Chyba při stahování souboru.", View.Statuses.back());
    EXPECT_FALSE(FileExists(Folder + "cut.zip"));
    EXPECT_TRUE(TempFiles(Folder).empty());
    EXPECT_TRUE(View.Errors.empty());
}

TEST_F(TUpdaterTest, StopEndsTheDownloadQuietlyAndTheCommandWaitsForANewDescription) {
    Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" + Package("Slow", "slow.zip", 50000);
    Updater->StartUpdate();  // before any description: nothing
    EXPECT_TRUE(View.Shown.empty());
    Fetch();
    View.OnProgress = [this] {
        Updater->Stop();
        Updater->StartUpdate();  // during the run: nothing
        Server.Gate().Open();
    };
    // The run's own completion handler, counted on its way.
    int completions = 0;
    View.OnShow = [&] {
        TNotifyEvent runs = Http->OnRequestComplete;
        Http->OnRequestComplete = [&completions, runs](TObject* Sender) {
            ++completions;
            runs(Sender);
        };
    };
    Updater->StartUpdate();
    RunUntil([&] { return completions > 0; });
    EXPECT_EQ(1u, View.Shown.size());
    EXPECT_TRUE(Updater->StopMark());
    EXPECT_FALSE(View.Visible);
    EXPECT_TRUE(View.Ended() == false);
    EXPECT_FALSE(FileExists(Folder + "slow.zip"));
    EXPECT_TRUE(TempFiles(Folder).empty());
}

TEST_F(TUpdaterTest, FetchingTheDescriptionAgainDuringADownloadLeavesNoTemporaryFile) {
    Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" + Package("Slow", "slow.zip", 50000);
    Fetch();
    Updater->StartUpdate();
    RunUntil([&] { return !View.ProgressTexts.empty(); });
    // The menu command, while the download waits for the rest.
    View.Statuses.clear();
    Updater->RequestUpdateInfo();
    RunUntil([&] { return View.Statuses.size() >= 2 && View.Statuses.back().empty(); });
    EXPECT_TRUE(TempFiles(Folder).empty());
    EXPECT_FALSE(FileExists(Folder + "slow.zip"));
    EXPECT_EQ((std::vector<AnsiString>{"Slow"}), *Updater->Queue());
}

TEST_F(TUpdaterTest, AMainAddressTheComponentCannotFetchFromIsNeverTheNextRunsAddress) {
    const AnsiString good = Server.Url("/updclnt/");
    auto stored = [this] { return TIniFile(Folder + "update.ini").ReadString("TfUpdate", "UpdateURL", ""); };
    for (const AnsiString bad : {"ftp://update.example/pkg/", "update.example/pkg/"}) {
        SCOPED_TRACE(bad);
        View = TRecordingView();
        Description = "[Setup]\nMainURL=" + bad + "\n" + Package("Client", "client.zip", 3);
        Fetch(good);
        EXPECT_EQ((std::vector<AnsiString>{"Popis aktualizace uvádí adresu „" + bad +
                                           "“, kterou nelze použít (jen http:// nebo https://); zůstává dosavadní "
                                           "adresa."}),
                  View.Errors);
        EXPECT_EQ(good, stored());
        ASSERT_TRUE(Updater->PrepareConnection());
        EXPECT_EQ(good, Updater->ServerBase());
    }
    // One that an older build stored gives way to the built-in address.
    TIniFile(Folder + "update.ini").WriteString("TfUpdate", "UpdateURL", "update.example/updclnt");
    ASSERT_TRUE(Updater->PrepareConnection());
    EXPECT_EQ(kDefaultUpdateURL, Updater->ServerBase());
}

TEST_F(TUpdaterTest, AnExclusiveInstallerStartsWithItsParametersAndClosesTheUpdater) {
    Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" +
                  Package("Setup2", "client.zip", 3, "Exclusive=1\nParams=/S /D=\"C:\\x y\"\n") +
                  Package("Later", "plugin.sh", 40000);
    Fetch();
    EXPECT_EQ((std::vector<AnsiString>{"Setup2"}), *Updater->Queue());
    View.Answers = {true};
    Run();
    EXPECT_EQ(1u, View.Questions.size());
    EXPECT_EQ((std::vector<AnsiString>{Folder + "client.zip|/S /D=\"C:\\x y\""}), Launched);
    EXPECT_TRUE(View.Closed);
    EXPECT_EQ("1.5", Installed("Setup2"));
}

TEST_F(TUpdaterTest, TheLanguageComesFromTheClientsSettingsAndTheInstanceFromItsTitle) {
    EXPECT_EQ("OnlyOneSMS Vemlor", ClientInstanceName());
    EXPECT_EQ(Folder + "Lang\\english.lng", UpdaterLanguageFile(Folder));
    // The client writes "Vemlor.ini"; the name is found whatever its letter case.
    TIniFile(Folder + "Vemlor.ini").WriteString("Tfnastaveni", "ComboBox2_Text", "polish.lng");
    EXPECT_EQ(Folder + "Lang\\polish.lng", UpdaterLanguageFile(Folder));
}

TEST_F(TUpdaterTest, APackageOverTheFileSizeLimitIsReportedAndTheUpdaterLivesOn) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // As the program block starts.
            Application->Initialize();
            Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" + Package("Plugin", "plugin.sh", 40000);
            Fetch();
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 16 * 1024;
            setrlimit(RLIMIT_FSIZE, &limit);
            Run();
            _exit(View.Errors == std::vector<AnsiString>{kSaveFailed} ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_FALSE(FileExists(Folder + "plugin.sh"));
    EXPECT_EQ("", Installed("Plugin"));
    for (const AnsiString& name : ListFiles(Folder, ".~*", faAnyFile))
        EXPECT_EQ(ExtractFileExt(name), ".lock") << name;
}

TEST_F(TUpdaterTest, APackageThatCannotBeStartedIsAnErrorStaysUnrecordedAndIsOfferedAgain) {
    // "ZIP" is no program this machine runs, execute bit or not. Started
    // after its download (Run), and as an installer the user agreed to.
    Updater->Launch = FileLauncher;
    const AnsiString failed = "Stažený soubor " + Folder + "client.zip nelze spustit.";
    for (const AnsiString extra : {"Run=1\n", "Exclusive=1\nParams=/S\n"}) {
        SCOPED_TRACE(extra);
        View = TRecordingView();
        View.Answers = {true};
        Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" + Package("Tool", "client.zip", 3, extra) +
                      Package("Later", "bad.zip", 3);
        Fetch();
        Run();
        EXPECT_EQ((std::vector<AnsiString>{failed}), View.Errors);
        EXPECT_TRUE(View.Infos.empty());
        EXPECT_FALSE(View.Closed);
        EXPECT_EQ("", Installed("Tool"));
        EXPECT_FALSE(Logged("/pkg/bad.zip"));
        View = TRecordingView();
        Fetch();
        ASSERT_FALSE(Updater->Queue()->empty());
        EXPECT_EQ("Tool", Updater->Queue()->front());
    }
}

TEST_F(TUpdaterTest, AnErrorStatusForTheDescriptionLeavesTheOneInHandAndItsAddress) {
    const AnsiString good = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" + Package("Client", "client.zip", 3);
    Description = good;
    Fetch();
    ASSERT_EQ((std::vector<AnsiString>{"Client"}), *Updater->Queue());
    // A server's "not found" page that happens to read like a description.
    View = TRecordingView();
    DescriptionStatus = 404;
    Description = "[Setup]\nMainURL=http://127.0.0.1:1/elsewhere/\n" + Package("Other", "bad.zip", 3);
    Updater->RequestUpdateInfo();
    RunUntil([&] { return View.Statuses.size() >= 2 && View.Statuses.back().empty(); });
    EXPECT_EQ((std::vector<AnsiString>{kNoDescription}), View.Errors);
    EXPECT_TRUE(ReadFileBytes(Folder + "update.dat") == good);
    EXPECT_EQ(Server.Url("/pkg/"), TIniFile(Folder + "update.ini").ReadString("TfUpdate", "UpdateURL", ""));
    // What the good one offered can still be installed.
    View = TRecordingView();
    Run();
    EXPECT_EQ((std::vector<AnsiString>{kFinished}), View.Infos);
    EXPECT_EQ("1.5", Installed("Client"));
}

TEST_F(TUpdaterTest, ADescriptionThatCannotBeSavedIsReportedWithTheFileAndTheReason) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // As the program block starts: a file over the limit fails to write
            // instead of ending the program.
            Application->Initialize();
            Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" + Package("Client", "client.zip", 3) +
                          "[InfoClient]\n2=" + std::string(20000, 'x') + "\n";
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 16 * 1024;
            setrlimit(RLIMIT_FSIZE, &limit);
            Fetch();
            for (const AnsiString& e : View.Errors) std::fprintf(stderr, "error: %s\n", e.c_str());
            for (const AnsiString& i : View.Infos) std::fprintf(stderr, "info: %s\n", i.c_str());
            const bool named = View.Errors.size() == 1 &&
                               View.Errors[0].rfind("Popis aktualizace nelze uložit. ", 0) == 0 &&
                               View.Errors[0].find(Folder + "update.dat") != AnsiString::npos;
            _exit(named && View.Infos.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_FALSE(FileExists(Folder + "update.dat"));
}

TEST_F(TUpdaterTest, DescriptionsThatOfferNothingSaySo) {
    Description = "<html>Server error</html>";
    Fetch();
    EXPECT_EQ((std::vector<AnsiString>{"Nepodařilo se stahnout aktualizační soubor, zkontrolujte nastavení"}),
              View.Errors);
    EXPECT_TRUE(View.Infos.empty());

    View = TRecordingView();
    TIniFile(Folder + "update.ini").WriteString("Version", "Client", "1.5");
    Description = "[Setup]\nMainURL=" + Server.Url("/pkg/") + "\n" + Package("Client", "client.zip", 3);
    Fetch(Server.Url("/updclnt"));
    EXPECT_EQ((std::vector<AnsiString>{"Žádná nová verze."}), View.Infos);
    EXPECT_TRUE(Updater->Queue()->empty());
}

}  // namespace
