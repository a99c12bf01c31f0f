// Reading a settings file of 2,000 sections of 8 keys, as the form storage
// restores its windows: every key once, through one TIniFile, from a file
// last written a while ago (as at start-up), and from one written just now,
// whose bytes are compared on every read until it has been quiet for a
// second. Beside them the cost of reading the file once after another writer
// changed it (the file read and parsed again), which is what every key read
// cost before the parsed file was kept.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/RatioReporter.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"

namespace {

constexpr int kSections = 2000;
constexpr int kKeys = 8;

const std::string& SettingsFile() {
    static const std::string name = [] {
        auto folder = std::filesystem::temp_directory_path() / "vemlor-bench-ini";
        std::filesystem::create_directories(folder);
        std::string text;
        for (int s = 0; s < kSections; ++s) {
            text += "[TfOkno" + std::to_string(s) + "]\r\n";
            for (int k = 0; k < kKeys; ++k)
                text += "Klic" + std::to_string(k) + "=hodnota " + std::to_string(s * kKeys + k) + "\r\n";
        }
        std::string file = (folder / "Vemlor.ini").string();
        WriteFileAtomic(file, text);
        return file;
    }();
    return name;
}

void ReadEveryKey(benchmark::State& state, bool justWritten) {
    TIniFile ini(SettingsFile());
    if (justWritten) WriteFileAtomic(SettingsFile(), ReadFileBytes(SettingsFile()));
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (int s = 0; s < kSections; ++s)
            for (int k = 0; k < kKeys; ++k)
                bytes += ini.ReadString("TfOkno" + std::to_string(s), "Klic" + std::to_string(k), "").size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * kSections * kKeys);
}
void IniReadEveryKey(benchmark::State& state) { ReadEveryKey(state, false); }
void IniReadEveryKeyJustWritten(benchmark::State& state) { ReadEveryKey(state, true); }

// One key read after the file was replaced: the whole file read and parsed.
void IniReadAfterAChange(benchmark::State& state) {
    TIniFile ini(SettingsFile());
    const AnsiString text = ReadFileBytes(SettingsFile());
    for (auto _ : state) {
        state.PauseTiming();
        WriteFileAtomic(SettingsFile(), text);
        state.ResumeTiming();
        benchmark::DoNotOptimize(ini.ReadString("TfOkno1999", "Klic7", ""));
    }
}

}  // namespace

// The warm-up lets the file, written when the program starts, grow quiet.
BENCHMARK(IniReadEveryKey)->Unit(benchmark::kMillisecond)->MinWarmUpTime(2);
BENCHMARK(IniReadEveryKeyJustWritten)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(IniReadAfterAChange)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    TRatioTable table(reporter.Seconds);
    std::printf("\nRatios\n");
    table.Ratio("every one of 16,000 keys / the file read and parsed once", "IniReadEveryKey/min_warmup_time:2.000",
                "IniReadAfterAChange");
    table.Ratio("the same, the file written just now / read and parsed once", "IniReadEveryKeyJustWritten/iterations:1",
                "IniReadAfterAChange");
    benchmark::Shutdown();
    return 0;
}
