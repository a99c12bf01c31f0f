#pragma once
// Prints the usual console table and keeps each benchmark's real time per
// iteration in seconds, so a benchmark program can print ratios afterwards.

#include <benchmark/benchmark.h>

#include <cstdio>
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

// One line of the ratio table: the ratio of the times of two benchmarks that
// do the same work, and beside it the goal it must meet (at most `goal`),
// when it has one. A missing time prints why instead of a number.
class TRatioTable {
public:
    explicit TRatioTable(const std::map<std::string, double>& seconds) : FSeconds(seconds) {}

    void Ratio(const char* label, const std::string& a, const std::string& b, double goal = 0) {
        auto ia = FSeconds.find(a), ib = FSeconds.find(b);
        if (ia == FSeconds.end() || ib == FSeconds.end() || ib->second <= 0) {
            std::printf("%-64s   not measured\n", label);
            return;
        }
        Print(label, ia->second / ib->second, goal);
    }
    void Print(const char* label, double ratio, double goal = 0) {
        if (goal > 0)
            std::printf("%-64s %7.2f   goal <= %.1f  %s\n", label, ratio, goal, ratio <= goal ? "met" : "MISSED");
        else
            std::printf("%-64s %7.2f\n", label, ratio);
    }

private:
    const std::map<std::string, double>& FSeconds;
};
