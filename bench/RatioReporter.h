#pragma once
// The console report of Google Benchmark, remembering each benchmark's time so that the ratios
// of product to baseline can be printed from the same run. With repetitions the median counts.

#include "Benchmarks.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace sondrel::bench {

class RatioReporter final : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override;

    // One line per target; returns how many targets were missed.
    int PrintRatios(const std::vector<RatioTarget>& targets, std::FILE* out) const;
    int PrintCounters(const std::vector<CounterTarget>& targets, std::FILE* out) const;

private:
    struct Time
    {
        double Value = 0;
        bool Median = false;
        std::string Unit;
    };
    std::map<std::string, Time> m_times;
    // By benchmark, then counter; a median outranks single runs as for times.
    std::map<std::string, std::pair<bool, std::map<std::string, double>>> m_counters;
};

} // namespace sondrel::bench
