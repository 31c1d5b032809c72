// Filling the shell list from folders of empty files against readdir and one lstat per name:
// what the list adds per item (the enumeration, the attributes a fill asks, the item, the sort
// through the folder's CompareIDs), and whether that stays linear from 10,000 to 100,000 items.

#include "Baselines.h"
#include "Benchmarks.h"
#include "ShellList.h"

#include <QCoreApplication>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::bench {

namespace {

    // Each iteration opens `folder` in a list showing `empty`, so that every fill starts from
    // an empty list as a freshly opened folder does; emptying it again is not timed. The list
    // has its window but is never painted: texts and icons are the paint's, asked per row shown.
    void FillList(
        benchmark::State& state, const std::string& folder, const std::string& empty, int expected)
    {
        shell::TPTShellList list;
        list.resize(640, 400);
        list.Folder().SetPathName(empty);
        list.show();
        QCoreApplication::sendPostedEvents(&list);
        for (auto _ : state) {
            list.Folder().SetPathName(folder);
            benchmark::DoNotOptimize(list.Items().Count());
            state.PauseTiming();
            const int count = list.Items().Count();
            list.Folder().SetPathName(empty);
            state.ResumeTiming();
            if (count != expected) {
                state.SkipWithError("the list does not show every file");
                break;
            }
        }
        state.SetItemsProcessed(state.iterations() * expected);
    }

    void RegisterFill(const std::string& family, const std::string& folder, int count,
        const std::string& empty, std::vector<RatioTarget>& targets)
    {
        const std::string product = family + "/TPTShellList";
        const std::string baseline = family + "/readdir_stat";
        benchmark::RegisterBenchmark(product.c_str(),
            [folder, empty, count](
                benchmark::State& state) { FillList(state, folder, empty, count); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        RegisterReaddirStat(baseline, folder, count);
        targets.push_back({ product, baseline, 3.0 });
    }

    // Each iteration sorts the shown list of `folder` by size; putting it back in name order
    // between them is not timed.
    void SortBySize(benchmark::State& state, const std::string& folder, int expected)
    {
        shell::TPTShellList list;
        list.resize(640, 400);
        list.show();
        list.Folder().SetPathName(folder);
        QCoreApplication::sendPostedEvents(&list);
        if (list.Items().Count() != expected) {
            state.SkipWithError("the list does not show every file");
            return;
        }
        for (auto _ : state) {
            list.SetSortColumn(2);
            state.PauseTiming();
            list.SetSortColumn(1);
            state.ResumeTiming();
        }
        state.SetItemsProcessed(state.iterations() * expected);
    }

    // What a hand-written program does to show a folder sorted by size: readdir, one fstatat
    // per name, and a sort of the names by size.
    void ReaddirStatSort(benchmark::State& state, const std::string& folder, int expected)
    {
        struct TEntry
        {
            off_t Size;
            std::string Name;
        };
        std::vector<TEntry> entries;
        for (auto _ : state) {
            entries.clear();
            DIR* dir = ::opendir(folder.c_str());
            if (dir == nullptr) {
                state.SkipWithError("cannot open the folder");
                break;
            }
            while (const dirent* entry = ::readdir(dir)) {
                if (entry->d_name[0] == '.'
                    && (entry->d_name[1] == 0
                        || (entry->d_name[1] == '.' && entry->d_name[2] == 0)))
                    continue;
                struct stat st
                {
                };
                if (::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0)
                    entries.push_back({ st.st_size, entry->d_name });
            }
            ::closedir(dir);
            std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
                return a.Size != b.Size ? a.Size < b.Size : a.Name < b.Name;
            });
            benchmark::DoNotOptimize(entries.data());
        }
        state.SetItemsProcessed(state.iterations() * expected);
    }

} // namespace

void RegisterShellListSortBenchmarks(const std::string& family, const std::string& folder,
    int count, std::vector<RatioTarget>& targets)
{
    const std::string product = family + "/TPTShellList";
    const std::string baseline = family + "/readdir_stat_sort";
    benchmark::RegisterBenchmark(product.c_str(),
        [folder, count](benchmark::State& state) { SortBySize(state, folder, count); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(baseline.c_str(),
        [folder, count](benchmark::State& state) { ReaddirStatSort(state, folder, count); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    targets.push_back({ product, baseline, 3.0 });
}

void RegisterShellListBenchmarks(const std::string& small, int smallCount, const std::string& large,
    int largeCount, const std::string& empty, std::vector<RatioTarget>& targets)
{
    const std::string smallFamily = "shell_list_fill_" + std::to_string(smallCount);
    const std::string largeFamily = "shell_list_fill_" + std::to_string(largeCount);
    RegisterFill(smallFamily, small, smallCount, empty, targets);
    RegisterFill(largeFamily, large, largeCount, empty, targets);
    // Per-file time at the larger size over that at the smaller: 1 is linear growth. The
    // baseline's own growth (the file system's, with a larger folder) is reported beside it.
    const double growth = static_cast<double>(largeCount) / smallCount;
    targets.push_back(
        { largeFamily + "/TPTShellList", smallFamily + "/TPTShellList", 1.2, growth });
    targets.push_back({ largeFamily + "/readdir_stat", smallFamily + "/readdir_stat", 0, growth });
}

} // namespace sondrel::bench
