#include "Baselines.h"
#include "Benchmarks.h"
#include "StreamWalk.h"

#include <benchmark/benchmark.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace sondrel::bench {

namespace {

    constexpr long kFuseMagic = 0x65735546;
    constexpr std::uint32_t kReparsePoint = 0x400;

    struct MountTable
    {
        MountTable()
            : Fd(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC))
        {
        }
        ~MountTable()
        {
            if (Fd >= 0)
                ::close(Fd);
        }
        int Fd;
    };

    std::uint64_t CountByProduct(const std::string& path)
    {
        const std::string text = streams::WalkStreams(path, false, nullptr);
        return std::strtoull(text.c_str(), nullptr, 10);
    }

    // The least any stream counter must do: see the item and list its xattrs.
    std::uint64_t StatAndList(const std::string& path)
    {
        struct stat st
        {
        };
        if (::stat(path.c_str(), &st) != 0)
            return 0;
        char names[4096];
        return static_cast<std::uint64_t>(::listxattr(path.c_str(), names, sizeof names) > 0);
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

// What a hand-written counter with the same knowledge would do.
std::uint64_t CountBySameSyscalls(const std::string& path, int mountTable)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return 0;
    ::fstat(fd, &st);
    struct statfs fs
    {
    };
    ::fstatfs(fd, &fs);
    const bool ntfs3g = fs.f_type == kFuseMagic;
    if (ntfs3g) {
        // The product's per-mount answer is forgotten when the mount table changes.
        pollfd changed { mountTable, POLLPRI, 0 };
        (void)::poll(&changed, 1, 0);
    }

    std::uint64_t streams = 0;
    char names[4096];
    ssize_t listed = ::flistxattr(fd, nullptr, 0);
    if (listed > 0)
        listed = ::flistxattr(fd, names, std::min<std::size_t>(listed, sizeof names));
    if (listed < 0)
        listed = 0;

    // Security: the NTFS descriptor's size on ntfs-3g, built from the stat elsewhere.
    if (ntfs3g)
        (void)::fgetxattr(fd, "system.ntfs_acl", nullptr, 0);
    ++streams;
    // Data: holes are looked for only when the blocks do not cover the size.
    if (st.st_size > 0) {
        ++streams;
        if (static_cast<std::uint64_t>(st.st_blocks) * 512
            < static_cast<std::uint64_t>(st.st_size)) {
            const off_t start = ::lseek(fd, 0, SEEK_DATA);
            if (start >= 0)
                (void)::lseek(fd, start, SEEK_HOLE);
        }
    }
    // Extended attributes, then one size query per named stream.
    bool ea = false;
    if (ntfs3g)
        ea = ::fgetxattr(fd, "system.ntfs_ea", nullptr, 0) > 0;
    for (ssize_t at = 0; at < listed; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
        const std::string_view name(names + at);
        if (!ntfs3g && (name.starts_with("trusted.") || name.starts_with("security.")))
            ea = ::fgetxattr(fd, names + at, nullptr, 0) >= 0 || ea;
    }
    streams += ea;
    for (ssize_t at = 0; at < listed; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
        if (std::string_view(names + at).starts_with("user.")) {
            (void)::fgetxattr(fd, names + at, nullptr, 0);
            ++streams;
        }
    }
    // The NTFS metadata: the attribute bits, then only what they announce.
    if (ntfs3g) {
        std::uint32_t bits = 0;
        if (::fgetxattr(fd, "system.ntfs_attrib", nullptr, 0) >= 4
            && ::fgetxattr(fd, "system.ntfs_attrib", &bits, sizeof bits) == sizeof bits
            && (bits & kReparsePoint) != 0)
            streams += ::fgetxattr(fd, "system.ntfs_reparse_data", nullptr, 0) > 0;
        streams += ::fgetxattr(fd, "system.ntfs_object_id", nullptr, 0) > 0;
    }
    ::close(fd);
    return streams;
}

int MountTableFd()
{
    static MountTable table;
    return table.Fd;
}

void RegisterCountBenchmarks(const std::string& family, const std::vector<std::string>& files,
    std::vector<RatioTarget>& targets)
{
    const int table = MountTableFd();
    // The mirror is only a baseline if it finds what the product finds.
    std::uint64_t product = 0;
    std::uint64_t mirrored = 0;
    for (const std::string& path : files) {
        product += CountByProduct(path);
        mirrored += CountBySameSyscalls(path, table);
    }
    if (product != mirrored)
        std::fprintf(stderr,
            "warning: %s: the mirrored loop counts %llu streams, the product %llu\n",
            family.c_str(), static_cast<unsigned long long>(mirrored),
            static_cast<unsigned long long>(product));

    const std::string ours = family + "/WalkStreams";
    const std::string same = family + "/same_syscalls";
    const std::string bare = family + "/stat_listxattr";
    benchmark::RegisterBenchmark(
        ours.c_str(), [&files](benchmark::State& state) { CountAll(state, files, CountByProduct); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(same.c_str(),
        [&files, table](benchmark::State& state) {
            CountAll(state, files,
                [table](const std::string& path) { return CountBySameSyscalls(path, table); });
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(
        bare.c_str(), [&files](benchmark::State& state) { CountAll(state, files, StatAndList); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    targets.push_back({ ours, same, 1.2 });
    targets.push_back({ ours, bare, 0 });
}

} // namespace sondrel::bench
