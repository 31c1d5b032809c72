// sondrel-image-bench --image=IMAGE --mount=DIR [benchmark options]
//
// Disk images read without mounting, against the same work where it is usually done. IMAGE is a
// bare NTFS volume holding the folder /many (the files to count) and the file /big with a 16 MB
// named stream "big"; DIR is an ntfs-3g mount of the same volume. bench/run makes both.

#include "BackupSource.h"
#include "Benchmarks.h"
#include "Directory.h"
#include "DroppingSink.h"
#include "NtfsSource.h"
#include "RatioReporter.h"
#include "StreamWalk.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace sondrel;

constexpr std::size_t kStreamSize = 16 * 1024 * 1024;
const std::string kPrefix = "/bench-image";

std::uint64_t CountAll(const std::vector<std::string>& paths)
{
    std::uint64_t streams = 0;
    for (const std::string& path : paths)
        streams += std::strtoull(streams::WalkStreams(path, false, nullptr).c_str(), nullptr, 10);
    return streams;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace sondrel::bench;
    std::string imagePath;
    std::string mount;
    std::vector<char*> rest { argv[0] };
    for (int i = 1; i < argc; ++i)
        if (!TakeOption(argv[i], "--image", imagePath) && !TakeOption(argv[i], "--mount", mount))
            rest.push_back(argv[i]);
    if (imagePath.empty() || mount.empty()) {
        std::fprintf(stderr, "usage: sondrel-image-bench --image=IMAGE --mount=DIR ...\n");
        return 2;
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    std::string error;
    auto source = image::OpenImageVolume(imagePath, 1, error);
    if (!source) {
        std::fprintf(stderr, "sondrel-image-bench: %s: %s\n", imagePath.c_str(), error.c_str());
        return 1;
    }
    backup::RegisterBackupSource(kPrefix, std::move(source));

    // The same names on both sides, from the mount's listing.
    std::vector<platform::DirectoryEntry> entries;
    if (platform::ReadDirectory(mount + "/many", entries) != 0 || entries.empty()) {
        std::fprintf(stderr, "sondrel-image-bench: %s/many cannot be listed\n", mount.c_str());
        return 1;
    }
    static std::vector<std::string> inImage, onMount;
    for (const auto& entry : entries) {
        inImage.push_back(kPrefix + "/many/" + entry.Name);
        onMount.push_back(mount + "/many/" + entry.Name);
    }
    if (CountAll(inImage) != CountAll(onMount))
        std::fprintf(stderr, "warning: the image and the mount count different streams\n");
    const std::string family = "image_count_" + std::to_string(entries.size());
    std::vector<RatioTarget> targets;
    benchmark::RegisterBenchmark((family + "/image").c_str(),
        [](benchmark::State& state) {
            for (auto _ : state)
                benchmark::DoNotOptimize(CountAll(inImage));
            state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * inImage.size()));
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark((family + "/ntfs3g_mount").c_str(),
        [](benchmark::State& state) {
            for (auto _ : state)
                benchmark::DoNotOptimize(CountAll(onMount));
            state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * onMount.size()));
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    targets.push_back({ family + "/image", family + "/ntfs3g_mount", 1.0 });

    // A list-mode walk of the file whose named stream holds 16 MB, against pread of as many
    // bytes of the image file into a new buffer.
    const std::string big = kPrefix + "/big";
    benchmark::RegisterBenchmark("image_list_16MB/image",
        [big](benchmark::State& state) {
            DroppingSink sink;
            for (auto _ : state)
                benchmark::DoNotOptimize(streams::WalkStreams(big, true, &sink));
            state.SetBytesProcessed(static_cast<std::int64_t>(sink.Bytes()));
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("image_list_16MB/pread",
        [imagePath](benchmark::State& state) {
            const int fd = ::open(imagePath.c_str(), O_RDONLY | O_CLOEXEC);
            for (auto _ : state) {
                std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[kStreamSize]);
                std::size_t done = 0;
                while (done < kStreamSize) {
                    const ssize_t n = ::pread(
                        fd, buffer.get() + done, kStreamSize - done, static_cast<off_t>(done));
                    if (n <= 0)
                        break;
                    done += static_cast<std::size_t>(n);
                }
                benchmark::DoNotOptimize(buffer.get());
            }
            ::close(fd);
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    targets.push_back({ "image_list_16MB/image", "image_list_16MB/pread", 1.5 });

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const int missed = reporter.PrintRatios(targets, stdout);
    benchmark::Shutdown();
    backup::UnregisterBackupSource(kPrefix);
    return missed == 0 ? 0 : 3;
}
