// Doing something with a stream, against the plainest program that does the same: finding a
// pattern that is not there in a 16 MB stream against memmem over the same bytes, and saving a
// 1 GiB main stream to a file against cp of the file (and against cp followed by an fsync of
// the copy, since a save makes its file durable before it puts it in place).

#include "Baselines.h"
#include "Benchmarks.h"
#include "DumpSearch.h"
#include "StreamReader.h"
#include "StreamSave.h"

#include <QString>

#include <benchmark/benchmark.h>
#include <cstring>
#include <filesystem>
#include <memory>
#include <spawn.h>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sondrel::bench {

namespace {

    namespace fs = std::filesystem;

    constexpr std::size_t kFindSize = 16u << 20;
    // Bytes the material never holds in a row, so every search runs to the end.
    constexpr char kAbsent[] = "\x01\x02\x03\x04\x05\x06\x07\x08";

    void Spawn(const char* const* argv)
    {
        pid_t child = 0;
        if (::posix_spawnp(&child, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ)
            == 0)
            ::waitpid(child, nullptr, 0);
    }

    void CopyByCp(const std::string& source, const std::string& target)
    {
        const char* argv[] = { "cp", source.c_str(), target.c_str(), nullptr };
        Spawn(argv);
    }

    // cp, then the target made durable as a save makes it before putting it in place.
    void CopyByCpAndSync(const std::string& source, const std::string& target)
    {
        CopyByCp(source, target);
        const char* argv[] = { "sync", target.c_str(), nullptr };
        Spawn(argv);
    }

    // Each run writes a fresh file; removing it and flushing the disk are not timed.
    template <typename Save>
    void Saving(benchmark::State& state, const std::string& target, Save save)
    {
        for (auto _ : state) {
            state.PauseTiming();
            fs::remove(target);
            ::sync();
            state.ResumeTiming();
            save();
        }
        fs::remove(target);
    }

} // namespace

void RegisterStreamActionBenchmarks(
    const std::string& data, const std::string& big16, std::vector<RatioTarget>& targets)
{
    static std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[kFindSize]);
    static const std::size_t length = ReadWholeFile(big16, bytes.get(), kFindSize);
    static const std::string pattern(kAbsent, sizeof kAbsent - 1);
    benchmark::RegisterBenchmark("find_16MB/FindBytes",
        [](benchmark::State& state) {
            for (auto _ : state)
                benchmark::DoNotOptimize(
                    streams::FindBytes(bytes.get(), length, pattern, 0, true).has_value());
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("find_16MB/memmem",
        [](benchmark::State& state) {
            for (auto _ : state)
                benchmark::DoNotOptimize(
                    ::memmem(bytes.get(), length, pattern.data(), pattern.size()));
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    targets.push_back({ "find_16MB/FindBytes", "find_16MB/memmem", 1.5 });

    // The 1 GiB file of the copy comparison; its data stream follows the security descriptor.
    static const std::string source = data + "/copy_big/one";
    static const std::string target = data + "/save_1GiB.out";
    benchmark::RegisterBenchmark("save_1GiB/SaveStream",
        [](benchmark::State& state) {
            const streams::TStreamReader reader(source, 1);
            if (!reader.Info() || reader.Info()->Size() != (1ull << 30)) {
                state.SkipWithError("the 1 GiB file is missing");
                return;
            }
            streams::StreamInfo listed;
            listed.Header = reader.Info()->Header;
            const QString to = QString::fromStdString(target);
            Saving(state, target, [&] {
                if (!app::SaveStream(source, 1, listed, to).isEmpty())
                    state.SkipWithError("the stream was not saved");
            });
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("save_1GiB/cp",
        [](benchmark::State& state) { Saving(state, target, [] { CopyByCp(source, target); }); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("save_1GiB/cp+sync",
        [](benchmark::State& state) {
            Saving(state, target, [] { CopyByCpAndSync(source, target); });
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    targets.push_back({ "save_1GiB/SaveStream", "save_1GiB/cp", 1.2 });
    targets.push_back({ "save_1GiB/SaveStream", "save_1GiB/cp+sync", 0 });
}

} // namespace sondrel::bench
