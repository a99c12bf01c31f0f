// The client's start-up to its first painted main window, with 100,000
// contacts and 100,000 history rows in the program folder, against the
// least any start must do with the same files: restore the table files and
// paint an empty window, in the same run. Goal: at most 2x. The program also
// prints the peak memory the start adds, against the table files' size
// (goal: below 3x).
//
// Each start is the program block's own order (the main window, the data
// module, the settings window, then the showing) in a program folder of the
// benchmark's own, with the link-library stand-ins; the first-run settings
// are confirmed once before anything is measured.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

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
    TBitmap Shot;

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
        GrabControl(Main, Shot);
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
    TBitmap Shot;

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
        GrabControl(Form, Shot);
    }
    void Stop() {
        delete Form;
        delete Data;
        PumpUntilIdle();
    }
};

// Kilobytes of a "VmHWM:" or "VmRSS:" line of /proc/self/status.
long long StatusKilobytes(const char* Key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(Key, 0) == 0) return std::atoll(line.c_str() + std::strlen(Key));
    return -1;
}

// The peak resident memory a client start adds, in bytes; -1 when the
// kernel cannot reset the peak.
long long StartPeakGrowth() {
    std::ofstream reset("/proc/self/clear_refs");
    reset << "5" << std::flush;
    if (!reset) return -1;
    const long long before = StatusKilobytes("VmRSS:");
    TClient client;
    client.Start();
    const long long peak = StatusKilobytes("VmHWM:");
    client.Stop();
    return before < 0 || peak < 0 ? -1 : (peak - before) * 1024;
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

}  // namespace

BENCHMARK(ClientStart)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(RestoreAndEmptyWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
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
    const long long growth = StartPeakGrowth();

    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    TRatioTable table(reporter.Seconds);
    std::printf("\n");
    table.Ratio("start to the first painted main window / restore + empty window",
                "ClientStart/iterations:5", "RestoreAndEmptyWindow/iterations:5", 2.0);
    if (growth < 0 || files <= 0)
        std::printf("%-64s   not measured\n", "peak memory of a start / table files");
    else
        table.Print("peak memory of a start / table files", double(growth) / double(files), 3.0);

    std::filesystem::remove_all(SysFileName(Folder()));
    FinalizeApplication();
    benchmark::Shutdown();
    return 0;
}
