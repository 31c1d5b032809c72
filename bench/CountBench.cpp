#include "Baselines.h"
#include "Benchmarks.h"
#include "FolderScope.h"
#include "StreamWalk.h"

#include <benchmark/benchmark.h>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <list>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace sondrel::bench {

namespace {

    constexpr long kFuseMagic = 0x65735546;
    constexpr std::uint32_t kReparsePoint = 0x400;
    constexpr long kListxattrat = 465; // the same on every architecture

    std::uint64_t CountByProduct(const std::string& path)
    {
        const std::string text = streams::WalkStreams(path, false, nullptr);
        return std::strtoull(text.c_str(), nullptr, 10);
    }

    template <typename Count>
    void CountAll(benchmark::State& state, const std::vector<std::string>& files, Count count)
    {
        std::uint64_t streams = 0;
        for (auto _ : state) {
            for (const std::string& path : files)
                streams += count(path);
            benchmark::DoNotOptimize(streams);
        }
        state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * files.size()));
    }

} // namespace

// What a hand-written counter with the same knowledge would do: the calls that carry the
// information and no others. The item's type and size come from one fstatat relative to the
// folder, its names from one listing (listxattrat of the name where the kernel has it); holes are
// looked for only where the blocks do not cover the size, the extended attributes' sizes only for
// the few names that pack into them, and on ntfs-3g the metadata only by the probes that say
// whether it exists.
long ListNamesAt(
    int folder, const char* name, const std::string& path, char* names, std::size_t size)
{
    static bool noListAt = false;
    if (!noListAt) {
        const long got = ::syscall(kListxattrat, folder, name, AT_SYMLINK_NOFOLLOW, names, size);
        if (got >= 0 || errno != ENOSYS)
            return got;
        noListAt = true;
    }
    return ::llistxattr(path.c_str(), names, size);
}

std::uint64_t CountByNeededCalls(int folder, const char* name, const std::string& path, bool ntfs3g)
{
    struct stat st
    {
    };
    if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return 0;
    std::uint64_t streams = 1; // security: always there, built from the stat where not stored
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        ++streams;
        if (static_cast<std::uint64_t>(st.st_blocks) * 512
            < static_cast<std::uint64_t>(st.st_size)) {
            const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            if (fd >= 0) {
                const off_t start = ::lseek(fd, 0, SEEK_DATA);
                if (start >= 0)
                    (void)::lseek(fd, start, SEEK_HOLE);
                ::close(fd);
            }
        }
    }
    char names[4096];
    long listed = ListNamesAt(folder, name, path, names, sizeof names);
    if (listed < 0)
        listed = 0;
    bool ea = false;
    if (ntfs3g) {
        // Whether the item opens is part of its line, and a FUSE mount decides access in its
        // daemon, not from the mode bits the stat brought.
        if (::faccessat(folder, name, R_OK, AT_EACCESS) != 0)
            return 0;
        ea = ::getxattr(path.c_str(), "system.ntfs_ea", nullptr, 0) > 0;
    }
    for (long at = 0; at < listed; at += static_cast<long>(std::strlen(names + at)) + 1) {
        const std::string_view n(names + at);
        if (!ntfs3g && (n.starts_with("trusted.") || n.starts_with("security.")))
            ea = ::getxattr(path.c_str(), names + at, nullptr, 0) >= 0 || ea;
        streams += n.starts_with("user.");
    }
    streams += ea;
    if (ntfs3g) {
        std::uint32_t bits = 0;
        if (::getxattr(path.c_str(), "system.ntfs_attrib", &bits, sizeof bits) == sizeof bits
            && (bits & kReparsePoint) != 0)
            streams += ::getxattr(path.c_str(), "system.ntfs_reparse_data", nullptr, 0) > 0;
        streams += ::getxattr(path.c_str(), "system.ntfs_object_id", nullptr, 0) > 0;
    }
    return streams;
}

bool OnFuse(const std::string& path)
{
    struct statfs fs
    {
    };
    return ::statfs(path.c_str(), &fs) == 0 && fs.f_type == kFuseMagic;
}

void RegisterCountBenchmarks(const std::string& family, const std::vector<std::string>& files,
    std::vector<RatioTarget>& targets, std::vector<CounterTarget>& counters)
{
    if (files.empty())
        return;
    // The material lies in one folder: the hand-written loop opens it once per pass.
    // A list: the benchmarks keep references to earlier families' paths.
    static std::list<std::vector<std::string>> materials;
    materials.push_back(files);
    const std::vector<std::string>& paths = materials.back();
    const std::string folder = paths.front().substr(0, paths.front().rfind('/'));
    const bool ntfs3g = OnFuse(folder);
    auto needed = [folder, ntfs3g, &paths](std::uint64_t& streams) {
        const int dir = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        for (const std::string& path : paths)
            streams += CountByNeededCalls(dir, path.c_str() + folder.size() + 1, path, ntfs3g);
        ::close(dir);
    };
    // The loop is only a baseline if it finds what the product finds.
    std::uint64_t product = 0;
    std::uint64_t mirrored = 0;
    for (const std::string& path : paths)
        product += CountByProduct(path);
    needed(mirrored);
    if (product != mirrored)
        std::fprintf(stderr,
            "warning: %s: the hand-written loop counts %llu streams, the product %llu\n",
            family.c_str(), static_cast<unsigned long long>(mirrored),
            static_cast<unsigned long long>(product));

    const std::string ours = family + "/WalkStreams";
    const std::string scoped = family + "/WalkStreams_in_folder";
    const std::string floor = family + (ntfs3g ? "/needed_probes" : "/fstatat_listxattr");
    benchmark::RegisterBenchmark(
        ours.c_str(), [&paths](benchmark::State& state) { CountAll(state, paths, CountByProduct); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    // As a folder's counter calls it (the companion's -r): inside a scope on the folder.
    benchmark::RegisterBenchmark(scoped.c_str(),
        [folder, &paths](benchmark::State& state) {
            const platform::TFolderScope scope(folder);
            CountAll(state, paths, CountByProduct);
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(floor.c_str(),
        [needed, &paths](benchmark::State& state) {
            std::uint64_t streams = 0;
            for (auto _ : state) {
                needed(streams);
                benchmark::DoNotOptimize(streams);
            }
            state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * paths.size()));
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    targets.push_back({ scoped, floor, ntfs3g ? 0 : 1.3 });
    targets.push_back({ ours, floor, 0 });
    if (!ntfs3g)
        return;
    // Each pass times ours and the loop back to back, in alternating order, so both meet the
    // same state of the FUSE daemon; the ratio is that of the sums.
    const std::string paired = family + "/paired";
    benchmark::RegisterBenchmark(paired.c_str(),
        [folder, needed, &paths](benchmark::State& state) {
            using Clock = std::chrono::steady_clock;
            const platform::TFolderScope scope(folder);
            Clock::duration oursTotal {};
            Clock::duration theirsTotal {};
            std::uint64_t streams = 0;
            bool oursFirst = true;
            for (auto _ : state) {
                Clock::duration times[2] {};
                for (int k = 0; k < 2; ++k) {
                    const bool isOurs = (k == 0) == oursFirst;
                    const auto start = Clock::now();
                    if (isOurs) {
                        for (const std::string& path : paths)
                            streams += CountByProduct(path);
                    } else {
                        needed(streams);
                    }
                    times[isOurs ? 0 : 1] = Clock::now() - start;
                }
                oursFirst = !oursFirst;
                oursTotal += times[0];
                theirsTotal += times[1];
                state.SetIterationTime(std::chrono::duration<double>(times[0]).count());
                benchmark::DoNotOptimize(streams);
            }
            state.counters["ratio"] = std::chrono::duration<double>(oursTotal).count()
                / std::chrono::duration<double>(theirsTotal).count();
        })
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    counters.push_back({ paired, "ratio", 1.2 });
}

} // namespace sondrel::bench
