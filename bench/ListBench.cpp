#include "Baselines.h"
#include "Benchmarks.h"
#include "DroppingSink.h"
#include "StreamWalk.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::bench {

namespace {

    std::size_t FileSize(const std::string& path)
    {
        struct stat st
        {
        };
        return ::stat(path.c_str(), &st) == 0 ? static_cast<std::size_t>(st.st_size) : 0;
    }

} // namespace

std::size_t ReadWholeFile(const std::string& path, std::uint8_t* buffer, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, size - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return done;
}

void RegisterListBenchmarks(
    const std::string& family, const std::string& path, std::vector<RatioTarget>& targets)
{
    const std::string ours = family + "/WalkStreams";
    const std::string fresh = family + "/read_new_buffer";
    const std::string reused = family + "/read_same_buffer";
    benchmark::RegisterBenchmark(ours.c_str(),
        [path](benchmark::State& state) {
            DroppingSink sink;
            for (auto _ : state)
                benchmark::DoNotOptimize(streams::WalkStreams(path, true, &sink));
            state.SetBytesProcessed(static_cast<std::int64_t>(sink.Bytes()));
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    // A record owns its bytes, so a reader that hands them on needs a new buffer each time.
    benchmark::RegisterBenchmark(fresh.c_str(),
        [path](benchmark::State& state) {
            const std::size_t size = FileSize(path);
            std::uint64_t bytes = 0;
            for (auto _ : state) {
                std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[size]);
                bytes += ReadWholeFile(path, buffer.get(), size);
                benchmark::DoNotOptimize(buffer.get());
            }
            state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    // The floor: the copy out of the page cache into memory that is already mapped.
    benchmark::RegisterBenchmark(reused.c_str(),
        [path](benchmark::State& state) {
            const std::size_t size = FileSize(path);
            std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[size]());
            std::uint64_t bytes = 0;
            for (auto _ : state) {
                bytes += ReadWholeFile(path, buffer.get(), size);
                benchmark::DoNotOptimize(buffer.get());
            }
            state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    targets.push_back({ ours, fresh, 1.2 });
    targets.push_back({ ours, reused, 0 });
}

} // namespace sondrel::bench
