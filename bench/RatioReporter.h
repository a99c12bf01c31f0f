#pragma once
// Prints the usual console table and keeps each benchmark's real time per
// iteration in seconds, so a benchmark program can print ratios afterwards.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class TRatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Seconds;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                Seconds[r.benchmark_name()] = r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }
};
