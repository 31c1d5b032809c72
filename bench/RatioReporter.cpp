#include "RatioReporter.h"

namespace sondrel::bench {

void RatioReporter::ReportRuns(const std::vector<Run>& runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred)
            continue;
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !median)
            continue;
        Time& time = m_times[run.run_name.function_name];
        // A median outranks single runs; without repetitions the last run stands.
        if (time.Median && !median)
            continue;
        time = { run.GetAdjustedRealTime(), median, benchmark::GetTimeUnitString(run.time_unit) };
        auto& [counterMedian, counters] = m_counters[run.run_name.function_name];
        counterMedian = median;
        counters.clear();
        for (const auto& [name, counter] : run.counters)
            counters[name] = counter.value;
    }
}

int RatioReporter::PrintCounters(const std::vector<CounterTarget>& targets, std::FILE* out) const
{
    int missed = 0;
    std::fprintf(out, "\nCounters (same run):\n");
    for (const CounterTarget& target : targets) {
        const auto found = m_counters.find(target.Benchmark);
        if (found == m_counters.end())
            continue;
        const auto value = found->second.second.find(target.Counter);
        if (value == found->second.second.end())
            continue;
        const bool met = value->second <= target.Limit;
        missed += !met;
        std::fprintf(out, "  %-36s %-20s %8.2f  (target <= %g: %s)\n", target.Benchmark.c_str(),
            target.Counter.c_str(), value->second, target.Limit, met ? "met" : "MISSED");
    }
    return missed;
}

int RatioReporter::PrintRatios(const std::vector<RatioTarget>& targets, std::FILE* out) const
{
    int missed = 0;
    std::fprintf(out, "\nRatios (product / baseline, real time, same run):\n");
    for (const RatioTarget& target : targets) {
        const auto ours = m_times.find(target.Product);
        const auto base = m_times.find(target.Baseline);
        if (ours == m_times.end() || base == m_times.end() || base->second.Value <= 0)
            continue;
        double ratio = ours->second.Value / base->second.Value / target.Scale;
        if (!target.OverProduct.empty()) {
            const auto overOurs = m_times.find(target.OverProduct);
            const auto overBase = m_times.find(target.OverBaseline);
            if (overOurs == m_times.end() || overBase == m_times.end()
                || overOurs->second.Value <= 0)
                continue;
            ratio /= overOurs->second.Value / overBase->second.Value / target.Scale;
        }
        std::fprintf(out, "  %-36s / %-36s %8.3f %s / %8.3f %s", target.Product.c_str(),
            target.Baseline.c_str(), ours->second.Value, ours->second.Unit.c_str(),
            base->second.Value, base->second.Unit.c_str());
        if (!target.OverProduct.empty())
            std::fprintf(out, " over the baselines' growth");
        else if (target.Scale != 1)
            std::fprintf(out, " / %g", target.Scale);
        std::fprintf(out, " = %5.2fx", ratio);
        if (target.Limit > 0) {
            const bool met = ratio <= target.Limit;
            missed += !met;
            std::fprintf(out, "  (target <= %.1fx: %s)", target.Limit, met ? "met" : "MISSED");
        }
        std::fprintf(out, "\n");
    }
    return missed;
}

} // namespace sondrel::bench
