// The client's first start to its first painted main window, with 100,000
// contacts and 100,000 history rows in the program folder, against the least
// any start must do with the same files: restore the table files and paint an
// empty window. A user meets the start once, in a process of its own, with
// nothing of the program's in memory yet; so each side starts in a fresh
// process of its own (this program run again), the sides in turns, and the
// time runs from the spawn to the child's word that its window is painted.
// Goals: the start's median at most 1.5x the baseline's; the peak resident
// memory a start adds to the process it starts in at most 3x the table
// files. Starts repeated warm in one process are printed beside, for
// comparison only: they find freed memory and warm caches a user never has.
//
// Each start is the program block's own order (the main window, the data
// module, the settings window, then the showing) in a program folder of the
// benchmark's own, with the link-library stand-ins; the first-run settings
// are confirmed once before anything is measured.

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "../RatioReporter.h"
#include "client/DatMod.h"
#include "client/Main.h"
#include "client/nastaveni.h"
#include "core/CallerLib.h"
#include "core/Language.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TestSupport.h"

namespace {

constexpr int kRows = 100000;
constexpr int kFreshRounds = 7;  // fresh processes per side

AnsiString& Folder() {
    static AnsiString folder;
    return folder;
}

void LayOutFolder() {
    Folder() = IncludeTrailingPathDelimiter(AnsiString(std::filesystem::temp_directory_path().string())) +
               "vemlor-bench-startup-" + std::to_string(getpid()) + "/";
    ForceDirectories(Folder() + "Lang");
    ForceDirectories(Folder() + "Mmf");
    WriteFileAtomic(Folder() + "Lang/czech.lng", "[Strings]\r\n");
    WriteFileAtomic(Folder() + "caller.so", ReadFileBytes(VEMLOR_CALLER_MODULE));
    WriteFileAtomic(Folder() + "mac.so", ReadFileBytes(VEMLOR_MAC_MODULE));
    SetProgramFolder(Folder());

    TDM tables(nullptr);
    tables.SetName("Filler");
    tables.Staty->Open();
    tables.Staty->Append();
    tables.StatyJmeno->SetAsString("Czech rep");
    tables.StatyPredcisli->SetAsString("420");
    tables.StatyFiltr->SetAsString("00420#########");
    tables.Staty->Post();
    tables.Staty->StoreToFile(Folder() + "Staty.dat");

    // The data module's contact events serve a window; a plain fill needs none.
    tables.Adresa->SetOnFilterRecord(nullptr);
    tables.Adresa->BeforePost = nullptr;
    tables.Adresa->AfterPost = nullptr;
    tables.Adresa->AfterScroll = nullptr;
    tables.Adresa->Open();
    for (int i = 1; i <= kRows; ++i) {
        tables.Adresa->Append();
        tables.AdresaID->SetAsInteger(i);
        tables.AdresaJmeno->SetAsString("Kontakt " + std::to_string(i));
        tables.AdresaCislo->SetAsString("00420" + std::to_string(600000000 + i));
        tables.AdresaOsloveni->SetAsString("Ahoj,");
        tables.Adresa->Post();
    }
    tables.Adresa->StoreToFile(Folder() + "Adresa.dat");

    tables.Historie->Open();
    const TDateTime start = EncodeDate(2024, 1, 1);
    for (int i = 0; i < kRows; ++i) {
        tables.Historie->Append();
        tables.HistorieJmeno->SetAsString("Kontakt " + std::to_string(i % 5000 + 1));
        tables.HistorieCislo->SetAsString("00420" + std::to_string(600000000 + i % 5000 + 1));
        tables.HistorieZprava->SetAsString("Sraz je v osm hodin ráno na hlavním nádraží, vlak jede v 8:20. Zpráva " +
                                         std::to_string(i));
        tables.HistorieNapsano->SetAsDateTime(start + i / 1440.0);
        tables.HistoriePoslano->SetAsDateTime(start + i / 1440.0 + 0.001);
        tables.HistorieStav->SetAsBoolean(i % 17 != 0);
        tables.HistorieTyp->SetAsString("SMS");
        tables.Historie->Post();
    }
    tables.Historie->StoreToFile(Folder() + "Historie.dat");
}

long long TableFilesSize() {
    long long size = 0;
    for (const char* name : {"Adresa.dat", "Historie.dat", "Staty.dat"}) size += FileSize(Folder() + name);
    return size;
}

struct TClient {
    TfMain* Main = nullptr;
    TDM* Data = nullptr;
    Tfnastaveni* Settings = nullptr;

    void Start() {
        Main = new TfMain(Application);
        Main->InstanceName = "OnlyOneSMS Vemlor bench " + std::to_string(getpid());
        Main->AfterConstruction();
        fMain = Main;
        Data = new TDM(Application);
        Data->AfterConstruction();
        DM = Data;
        Settings = new Tfnastaveni(Application);
        Settings->AfterConstruction();
        fnastaveni = Settings;
        Main->Show();
        PumpUntilIdle();
    }
    void Stop() {
        Main->Close();
        PumpUntilIdle();
        Main->Free();
        Settings->Free();
        Data->Free();
        PumpUntilIdle();
        FreeCallerLibraries();
        SetLang(nullptr);
    }
};

// The least a start does with the same files.
struct TBaseline {
    TDM* Data = nullptr;
    TForm* Form = nullptr;

    void Start() {
        Data = new TDM(nullptr);
        Data->SetName("Baseline");
        for (TMemData* table : Data->FileTables()) {
            const AnsiString file = Folder() + table->Name() + ".dat";
            if (FileExists(file)) table->RestoreFromFile(file);
            table->Open();
        }
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, 900, 640);
        Form->Show();
        PumpUntilIdle();
    }
    void Stop() {
        delete Form;
        delete Data;
        PumpUntilIdle();
    }
};

// Kilobytes of a "VmHWM:", "VmRSS:", "RssAnon:" or "RssFile:" line of
// /proc/self/status.
long long StatusKilobytes(const char* Key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(Key, 0) == 0) return std::atoll(line.c_str() + std::strlen(Key));
    return -1;
}

void ClientStart(benchmark::State& state) {
    for (auto _ : state) {
        TClient client;
        client.Start();
        state.PauseTiming();
        client.Stop();
        state.ResumeTiming();
    }
}

void RestoreAndEmptyWindow(benchmark::State& state) {
    for (auto _ : state) {
        TBaseline baseline;
        baseline.Start();
        state.PauseTiming();
        baseline.Stop();
        state.ResumeTiming();
    }
}

// ---------------------------------------------------------------------------
// Fresh processes: this program run again with --fresh=client or
// --fresh=baseline starts that side once and, as soon as its window is
// painted, writes one line to its standard output: the resident memory
// before the start (the toolkit up, nothing of the program's), the peak
// resident memory by the painted window, and what is resident then of
// anonymous and of file-backed memory, all in kilobytes. Then it closes down
// as the program does.

int FreshChild(const std::string& side) {
    Application->Initialize();
    SetProgramFolder(Folder());
    const long long before = StatusKilobytes("VmRSS:");
    auto report = [&] {
        std::printf("%lld %lld %lld %lld\n", before, StatusKilobytes("VmHWM:"), StatusKilobytes("RssAnon:"),
                    StatusKilobytes("RssFile:"));
        std::fflush(stdout);
    };
    if (side == "client") {
        TClient client;
        client.Start();
        report();
        client.Stop();
    } else if (side == "baseline") {
        TBaseline baseline;
        baseline.Start();
        report();
        baseline.Stop();
    } else {
        return 2;
    }
    FinalizeApplication();
    return 0;
}

struct TFreshStart {
    double Seconds = -1;
    long long BeforeKb = 0, PeakKb = 0, AnonKb = 0, FileKb = 0;
};

TFreshStart RunFresh(const std::string& side) {
    TFreshStart result;
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return result;
    self[n] = 0;
    int out[2];
    if (::pipe(out) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    const std::string fresh = "--fresh=" + side, folder = "--folder=" + Folder();
    char* args[] = {self, const_cast<char*>(fresh.c_str()), const_cast<char*>(folder.c_str()), nullptr};
    pid_t child = 0;
    const auto start = std::chrono::steady_clock::now();
    const int spawned = posix_spawn(&child, self, &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        return result;
    }
    FILE* in = ::fdopen(out[0], "r");
    const int read = std::fscanf(in, "%lld %lld %lld %lld", &result.BeforeKb, &result.PeakKb, &result.AnonKb,
                                 &result.FileKb);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fclose(in);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (read == 4 && WIFEXITED(status) && WEXITSTATUS(status) == 0) result.Seconds = seconds;
    return result;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct TSide {
    const char* Name;
    const char* Work;
    std::vector<TFreshStart> Starts;
    double MedianSeconds() const {
        std::vector<double> t;
        for (const TFreshStart& s : Starts) t.push_back(s.Seconds);
        return Median(t);
    }
    // The peak a start adds to its process, in bytes (the median).
    double MedianGrowth() const {
        std::vector<double> g;
        for (const TFreshStart& s : Starts) g.push_back(double(s.PeakKb - s.BeforeKb) * 1024);
        return Median(g);
    }
    template <class F>
    double MedianOf(F f) const {
        std::vector<double> v;
        for (const TFreshStart& s : Starts) v.push_back(double(f(s)));
        return Median(v);
    }
};

// The two sides in turns, each round beginning with the other side than the
// round before, so that neither always follows the other's exit.
bool MeasureFresh(TSide& client, TSide& baseline, int rounds) {
    for (int i = 0; i < rounds; ++i) {
        TSide* order[2] = {&client, &baseline};
        if (i % 2) std::swap(order[0], order[1]);
        for (TSide* side : order) {
            const TFreshStart s = RunFresh(side->Name);
            if (s.Seconds < 0) {
                std::printf("%-10s a fresh start failed\n", side->Name);
                return false;
            }
            side->Starts.push_back(s);
        }
    }
    for (const TSide* side : {&client, &baseline}) {
        double lo = 1e9, hi = 0;
        for (const TFreshStart& s : side->Starts) lo = std::min(lo, s.Seconds), hi = std::max(hi, s.Seconds);
        std::printf("%-10s %7.1f ms  median of %d fresh processes (%.1f .. %.1f); the start adds a peak of %.1f MB "
                    "to the %.1f MB the process had (at the painted window %.1f MB anonymous, %.1f MB file-backed)\n",
                    side->Name, side->MedianSeconds() * 1e3, rounds, lo * 1e3, hi * 1e3, side->MedianGrowth() / 1e6,
                    side->MedianOf([](const TFreshStart& s) { return s.BeforeKb; }) * 1024 / 1e6,
                    side->MedianOf([](const TFreshStart& s) { return s.AnonKb; }) * 1024 / 1e6,
                    side->MedianOf([](const TFreshStart& s) { return s.FileKb; }) * 1024 / 1e6);
    }
    return true;
}

}  // namespace

BENCHMARK(ClientStart)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(RestoreAndEmptyWindow)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (argc == 3 && std::strncmp(argv[1], "--fresh=", 8) == 0 && std::strncmp(argv[2], "--folder=", 9) == 0) {
        Folder() = argv[2] + 9;
        return FreshChild(argv[1] + 8);
    }
    benchmark::Initialize(&argc, argv);
    Application->Initialize();
    LayOutFolder();
    {
        // The first run asks for the settings; later starts do not.
        TModalAnswerer answers;
        answers.ClickButton("OK");
        TClient first;
        first.Start();
        first.Stop();
    }
    const long long files = TableFilesSize();

    std::printf("First starts, each in a fresh process, in turns (table files: %.1f MB)\n", double(files) / 1e6);
    TSide client{"client", "the program block's start: main window, data module, settings window, shown and painted", {}};
    TSide baseline{"baseline", "the data module's table files restored, an empty 900 x 640 window shown and painted", {}};
    const bool fresh = MeasureFresh(client, baseline, kFreshRounds);

    std::printf("\nStarts repeated in one process, for comparison only (freed memory and caches are warm)\n");
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    TRatioTable table(reporter.Seconds);
    std::printf("\nRatios\n");
    if (fresh) {
        table.Print("first start to the painted main window / restore + empty window", client.MedianSeconds() /
                    baseline.MedianSeconds(), 1.5);
        std::printf("    ours:   %s, in a fresh process, timed from the spawn (median)\n"
                    "    theirs: %s, in a fresh process, timed from the spawn (median)\n",
                    client.Work, baseline.Work);
        table.Print("peak memory a first start adds / table files", client.MedianGrowth() / double(files), 3.0);
        std::printf("    ours:   peak resident memory by the painted main window less the resident memory before "
                    "the start, in a fresh process (median)\n"
                    "    theirs: the size of the table files the start restores\n");
        table.Print("peak memory the baseline adds / table files, for comparison", baseline.MedianGrowth() /
                    double(files));
    } else {
        std::printf("%-64s   not measured\n", "first start / restore + empty window");
        std::printf("%-64s   not measured\n", "peak memory a first start adds / table files");
    }
    table.Ratio("warm repeat start / warm restore + empty window, for comparison", "ClientStart/iterations:3",
                "RestoreAndEmptyWindow/iterations:3");

    std::filesystem::remove_all(SysFileName(Folder()));
    FinalizeApplication();
    benchmark::Shutdown();
    return 0;
}
