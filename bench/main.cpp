// sondrel-bench --data=DIR [--ntfs=DIR] [--prepare] [benchmark options]
//
// Makes its material in DIR (and, when given, in DIR on an ntfs-3g mount), runs each product
// benchmark beside its baselines and prints the ratios. --prepare makes the material and stops,
// for the whole-process comparisons bench/run makes with the same files.

#include "Application.h"
#include "BenchMaterial.h"
#include "Benchmarks.h"
#include "DroppingSink.h"
#include "RatioReporter.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kLocalFiles = 10000;
constexpr int kNtfsFiles = 1000;
constexpr int kFewEmptyFiles = 10000;
constexpr int kManyEmptyFiles = 100000;
constexpr std::size_t kBigFileSize = 16u << 20;

} // namespace

int main(int argc, char** argv)
{
    using namespace sondrel::bench;
    std::string data;
    std::string ntfs;
    bool prepareOnly = false;
    std::vector<char*> rest { argv[0] };
    for (int i = 1; i < argc; ++i) {
        if (TakeOption(argv[i], "--data", data) || TakeOption(argv[i], "--ntfs", ntfs))
            continue;
        if (std::strcmp(argv[i], "--prepare") == 0)
            prepareOnly = true;
        else
            rest.push_back(argv[i]);
    }
    if (data.empty()) {
        std::fprintf(stderr, "usage: sondrel-bench --data=DIR [--ntfs=DIR] [--prepare] ...\n");
        return 2;
    }
    // Painting and the windows need the GUI's fonts and widgets, not a screen.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int guiArgc = 1;
    sondrel::framework::TApplication gui(guiArgc, argv);
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());

    std::string problem;
    static const Material local = MakeXattrFiles(data + "/many", kLocalFiles, problem);
    if (local.Files.empty()) {
        std::fprintf(stderr, "sondrel-bench: %s\n", problem.c_str());
        return 1;
    }
    const std::string big = data + "/big.bin";
    if (!MakeBigFile(big, kBigFileSize, problem)) {
        std::fprintf(stderr, "sondrel-bench: %s\n", problem.c_str());
        return 1;
    }
    const std::string fewEmpty = data + "/empty" + std::to_string(kFewEmptyFiles);
    const std::string manyEmpty = data + "/empty" + std::to_string(kManyEmptyFiles);
    const std::string none = data + "/none";
    if (!MakeEmptyFiles(fewEmpty, kFewEmptyFiles, problem)
        || !MakeEmptyFiles(manyEmpty, kManyEmptyFiles, problem)
        || !MakeEmptyFiles(none, 0, problem)) {
        std::fprintf(stderr, "sondrel-bench: %s\n", problem.c_str());
        return 1;
    }
    static Material onNtfs;
    if (!ntfs.empty()) {
        onNtfs = MakeXattrFiles(ntfs + "/many", kNtfsFiles, problem);
        if (onNtfs.Files.empty())
            std::fprintf(
                stderr, "sondrel-bench: skipping the ntfs-3g count: %s\n", problem.c_str());
    }
    if (prepareOnly)
        return 0;

    WarmPageCache(big);
    std::vector<RatioTarget> targets;
    std::vector<CounterTarget> counters;
    RegisterCountBenchmarks("count_10000", local.Files, targets, counters);
    RegisterListBenchmarks("list_16MB", big, targets);
    RegisterDumpPaintBenchmarks("dump_paint", targets);
    RegisterShellEnumBenchmarks("shell_enum_10000", data + "/many", targets);
    RegisterShellListBenchmarks(
        fewEmpty, kFewEmptyFiles, manyEmpty, kManyEmptyFiles, none, targets);
    RegisterShellDragDropBenchmarks(fewEmpty, kFewEmptyFiles, none, targets);
    RegisterShellListSortBenchmarks(
        "shell_list_sort_size_10000", data + "/many", kLocalFiles, targets);
    RegisterMainWindowBenchmarks(
        "main_window_open_10000", data + "/many", kLocalFiles, none, targets);
    RegisterMainWindowBenchmarks(
        "main_window_open_empty_10000", fewEmpty, kFewEmptyFiles, none, targets);
    RegisterMainWindowBenchmarks(
        "main_window_open_empty_100000", manyEmpty, kManyEmptyFiles, none, targets);
    RegisterMainWindowGrowth("main_window_open_empty_10000", kFewEmptyFiles,
        "main_window_open_empty_100000", kManyEmptyFiles, targets);
    RegisterSelectDumpBenchmarks("select_dump_16MB", big, targets);
    if (!onNtfs.Files.empty())
        RegisterCountBenchmarks("ntfs3g_count_1000", onNtfs.Files, targets, counters);
    RegisterFileOpsBenchmarks(data, targets);
    RegisterStreamActionBenchmarks(data, big, targets);
    if (!RegisterShellTreeBenchmarks(data, targets, problem))
        std::fprintf(stderr, "sondrel-bench: skipping the shell tree: %s\n", problem.c_str());

    RegisterChangeBurstBenchmarks(data, targets, counters);
    RegisterStartupBenchmarks("first_paint", targets);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    RemoveChangeBurstMaterial();
    const int missed
        = reporter.PrintRatios(targets, stdout) + reporter.PrintCounters(counters, stdout);
    benchmark::Shutdown();
    return missed == 0 ? 0 : 3;
}
