// The main window opening a folder in its file list, which counts every item's streams as the
// item is inserted, against what a hand-written program would do for the same table: readdir,
// then for each name openat, fstat, flistxattr and close; and, reported beside, the fewest calls
// (fstatat and listxattrat of each name in the open folder).

#include "Baselines.h"
#include "Benchmarks.h"
#include "Main.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace sondrel::bench {

namespace {

    // The names of the folder's entries and, for each, the streams a table of counts needs:
    // the security stream, the data of a non-empty regular file and each user.* name.
    std::uint64_t OpenStatList(const std::string& folder)
    {
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr)
            return 0;
        const int dirFd = ::dirfd(dir);
        std::uint64_t streams = 0;
        while (const dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
                continue;
            const int fd = ::openat(dirFd, name, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                continue;
            struct stat st
            {
            };
            ::fstat(fd, &st);
            char names[4096];
            const ssize_t listed = ::flistxattr(fd, names, sizeof names);
            ::close(fd);
            streams += 1 + (S_ISREG(st.st_mode) && st.st_size > 0);
            for (ssize_t at = 0; at < listed;
                 at += static_cast<ssize_t>(std::strlen(names + at)) + 1)
                streams += std::string_view(names + at).starts_with("user.");
        }
        ::closedir(dir);
        return streams;
    }

    // The same table by the fewest calls: per name one fstatat and one listing of the xattr
    // names, both resolving the name in the open folder.
    std::uint64_t StatListAt(const std::string& folder)
    {
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr)
            return 0;
        const int dirFd = ::dirfd(dir);
        std::uint64_t streams = 0;
        std::string path = folder + '/';
        const std::size_t base = path.size();
        while (const dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
                continue;
            struct stat st
            {
            };
            if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            path.resize(base);
            path += name;
            char names[4096];
            const long listed = ListNamesAt(dirFd, name, path, names, sizeof names);
            streams += 1 + (S_ISREG(st.st_mode) && st.st_size > 0);
            for (long at = 0; at < listed; at += static_cast<long>(std::strlen(names + at)) + 1)
                streams += std::string_view(names + at).starts_with("user.");
        }
        ::closedir(dir);
        return streams;
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

} // namespace

void RegisterMainWindowBenchmarks(const std::string& family, const std::string& folder, int count,
    const std::string& empty, std::vector<RatioTarget>& targets)
{
    {
        // The loop is only a baseline if it finds what the window shows.
        app::TMainForm form;
        form.FileList->Folder().SetPathName(folder);
        form.show();
        QCoreApplication::sendPostedEvents();
        const std::uint64_t mirrored = OpenStatList(folder);
        const std::uint64_t shown = ShownStreams(form);
        if (StatListAt(folder) != mirrored)
            std::fprintf(
                stderr, "warning: %s: the two hand-written loops disagree\n", family.c_str());
        if (shown != mirrored)
            std::fprintf(stderr,
                "warning: %s: the hand-written loop counts %llu streams, the window shows %llu\n",
                family.c_str(), static_cast<unsigned long long>(mirrored),
                static_cast<unsigned long long>(shown));
    }
    const std::string product = family + "/TMainForm";
    const std::string baseline = family + "/openat_fstat_flistxattr";
    benchmark::RegisterBenchmark(product.c_str(),
        [folder, empty, count](
            benchmark::State& state) { OpenFolder(state, folder, empty, count); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(baseline.c_str(),
        [folder, count](benchmark::State& state) {
            for (auto _ : state)
                benchmark::DoNotOptimize(OpenStatList(folder));
            state.SetItemsProcessed(state.iterations() * count);
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    const std::string fewest = family + "/fstatat_listxattrat";
    benchmark::RegisterBenchmark(fewest.c_str(),
        [folder, count](benchmark::State& state) {
            for (auto _ : state)
                benchmark::DoNotOptimize(StatListAt(folder));
            state.SetItemsProcessed(state.iterations() * count);
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    targets.push_back({ product, baseline, 2.0 });
    targets.push_back({ product, fewest, 0 });
}

void RegisterMainWindowGrowth(const std::string& small, int smallCount, const std::string& large,
    int largeCount, std::vector<RatioTarget>& targets)
{
    const double growth = static_cast<double>(largeCount) / smallCount;
    RatioTarget perFile { large + "/TMainForm", small + "/TMainForm", 1.2, growth };
    perFile.OverProduct = large + "/openat_fstat_flistxattr";
    perFile.OverBaseline = small + "/openat_fstat_flistxattr";
    targets.push_back(perFile);
}

} // namespace sondrel::bench
