// The main window opening a folder in its file list, which counts every item's streams as the
// item is inserted, against what a hand-written program would do for the same table: readdir
// with one lstat per name, then the count's own system calls for each file.

#include "Baselines.h"
#include "Benchmarks.h"
#include "Main.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <dirent.h>

namespace sondrel::bench {

namespace {

    // The paths of the folder's entries, for the mirrored count.
    std::vector<std::string> Entries(const std::string& folder)
    {
        std::vector<std::string> paths;
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr)
            return paths;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                paths.push_back(folder + "/" + name);
        }
        ::closedir(dir);
        return paths;
    }

    // The sum of the Streams column, to hold against the mirrored count.
    std::uint64_t ShownStreams(app::TMainForm& form)
    {
        std::uint64_t streams = 0;
        framework::TListItems& items = form.FileList->Items();
        for (int i = 0; i < items.Count(); ++i) {
            const QStringList& cells = items[i]->SubItems();
            if (!cells.isEmpty())
                streams += cells[0].toULongLong();
        }
        return streams;
    }

    // As the shell list's fill: each iteration opens `folder` in a window showing `empty`.
    void OpenFolder(
        benchmark::State& state, const std::string& folder, const std::string& empty, int count)
    {
        app::TMainForm form;
        form.FileList->Folder().SetPathName(empty);
        form.show();
        QCoreApplication::sendPostedEvents();
        for (auto _ : state) {
            form.FileList->Folder().SetPathName(folder);
            benchmark::DoNotOptimize(form.FileList->Items().Count());
            state.PauseTiming();
            const int shown = form.FileList->Items().Count();
            form.FileList->Folder().SetPathName(empty);
            state.ResumeTiming();
            if (shown != count) {
                state.SkipWithError("the file list does not show every file");
                break;
            }
        }
        state.SetItemsProcessed(state.iterations() * count);
    }

    std::uint64_t ListAndCount(const std::string& folder, const std::vector<std::string>& files)
    {
        std::uint64_t sum = ReaddirStat(folder);
        const int table = MountTableFd();
        for (const std::string& path : files)
            sum += CountBySameSyscalls(path, table);
        return sum;
    }

} // namespace

void RegisterMainWindowBenchmarks(const std::string& family, const std::string& folder,
    const std::string& empty, std::vector<RatioTarget>& targets)
{
    static std::vector<std::string> files;
    files = Entries(folder);
    const int count = static_cast<int>(files.size());
    {
        // The mirror is only a baseline if it finds what the window shows.
        app::TMainForm form;
        form.FileList->Folder().SetPathName(folder);
        form.show();
        QCoreApplication::sendPostedEvents();
        std::uint64_t mirrored = 0;
        for (const std::string& path : files)
            mirrored += CountBySameSyscalls(path, MountTableFd());
        const std::uint64_t shown = ShownStreams(form);
        if (shown != mirrored)
            std::fprintf(stderr,
                "warning: %s: the mirrored loop counts %llu streams, the window shows %llu\n",
                family.c_str(), static_cast<unsigned long long>(mirrored),
                static_cast<unsigned long long>(shown));
    }
    const std::string product = family + "/TMainForm";
    const std::string baseline = family + "/readdir_stat+same_syscalls";
    benchmark::RegisterBenchmark(product.c_str(),
        [folder, empty, count](
            benchmark::State& state) { OpenFolder(state, folder, empty, count); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(baseline.c_str(),
        [folder](benchmark::State& state) {
            for (auto _ : state)
                benchmark::DoNotOptimize(ListAndCount(folder, files));
            state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    targets.push_back({ product, baseline, 2.0 });
}

} // namespace sondrel::bench
