// A burst of 10,000 file creations by another thread into the folder a shell list shows, empty
// and already holding 10,000 files: how many change messages the list handles (at most 2 plus
// one per 50 ms of the burst), how many refreshes it makes after the burst (1; a burst longer than
// twice the delay is refreshed during it too, as it should be), and how busy the GUI thread is
// while the burst runs (at most 5 %); and the refresh the burst ends in, a
// refresh of that folder when nothing changed, against readdir + stat of it.

#include "Baselines.h"
#include "Benchmarks.h"
#include "ShellList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <atomic>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <time.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::bench {

namespace {

    constexpr int kBurstFiles = 10000;
    // The folder in memory the material went to, removed after the run; empty for none.
    std::string s_inMemory;
    // Bounds every wait for the list to catch up: the unfocused delay, its ceiling and a
    // refresh of 20,000 items, with room for a loaded machine.
    constexpr int kSettleBound = 30000;

    double ThreadCpuMilliseconds()
    {
        timespec now {};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
    }

    // Counts the change messages that reach the list; the list handles them as ever.
    class TMessageCounter final : public QObject
    {
    public:
        int Messages = 0;

    protected:
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (static_cast<int>(event->type()) == shell::AM_CHANGENOTIFY)
                ++Messages;
            return false;
        }
    };

    bool MakeFiles(const std::string& folder, const char* prefix, int count)
    {
        for (int i = 0; i < count; ++i) {
            const std::string path = folder + "/" + prefix + std::to_string(i);
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0)
                return false;
            ::close(fd);
        }
        return true;
    }

    void RemoveFiles(const std::string& folder, const char* prefix, int count)
    {
        for (int i = 0; i < count; ++i)
            (void)::unlink((folder + "/" + prefix + std::to_string(i)).c_str());
    }

    // Runs the GUI's events until `done` holds and the list's change timer is idle, or the
    // bound passes; false then.
    template <typename Done> bool Settle(shell::TPTShellList& list, Done done)
    {
        QElapsedTimer waited;
        waited.start();
        while (!(done() && !list.RefreshTimerRunning())) {
            if (waited.elapsed() > kSettleBound)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        // What a refresh leaves for later (the view's deferred layout, paints) is done now, not
        // in the next burst's time.
        QElapsedTimer idle;
        idle.start();
        while (idle.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return true;
    }

    void Burst(benchmark::State& state, const std::string& folder, int present)
    {
        shell::TPTShellList list;
        TMessageCounter counter;
        int refreshes = 0;
        list.OnFillStart = [&refreshes](framework::TObject*) { ++refreshes; };
        list.resize(640, 400);
        list.Folder().SetPathName(folder);
        list.show();
        list.installEventFilter(&counter);
        QCoreApplication::sendPostedEvents(&list);
        if (!Settle(list, [&] { return list.Items().Count() == present; })) {
            state.SkipWithError("the list did not show the folder in time");
            return;
        }
        double messages = 0, messageLimitShare = 0, refreshesDuring = 0, refreshesAfter = 0;
        double busy = 0;
        for (auto _ : state) {
            counter.Messages = 0;
            refreshes = 0;
            std::atomic<bool> made = true;
            const double cpuBefore = ThreadCpuMilliseconds();
            QElapsedTimer burst;
            burst.start();
            // The GUI thread waits in its event loop as it would in the window, so that its busy
            // time is the time it spends on the list's messages.
            QEventLoop loop;
            std::thread maker([&] {
                made = MakeFiles(folder, "burst", kBurstFiles);
                QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
            });
            loop.exec();
            maker.join();
            const double burstMs = static_cast<double>(burst.nsecsElapsed()) / 1e6;
            const double cpuMs = ThreadCpuMilliseconds() - cpuBefore;
            state.SetIterationTime(burstMs / 1e3);
            // A burst longer than twice the delay is refreshed during it, by design.
            refreshesDuring += refreshes;
            refreshes = 0;
            const bool caughtUp = made
                && Settle(list, [&] { return list.Items().Count() == present + kBurstFiles; });
            state.PauseTiming();
            messages += counter.Messages;
            messageLimitShare += counter.Messages / (2 + burstMs / 50);
            refreshesAfter += refreshes;
            busy += 100 * cpuMs / burstMs;
            RemoveFiles(folder, "burst", kBurstFiles);
            const bool back = Settle(list, [&] { return list.Items().Count() == present; });
            state.ResumeTiming();
            if (!caughtUp || !back) {
                state.SkipWithError("the list did not follow the burst in time");
                break;
            }
        }
        const auto runs = static_cast<double>(state.iterations());
        state.counters["messages"] = messages / runs;
        state.counters["messages_per_limit"] = messageLimitShare / runs;
        state.counters["refreshes_during"] = refreshesDuring / runs;
        state.counters["refreshes_after"] = refreshesAfter / runs;
        state.counters["gui_busy_pct"] = busy / runs;
    }

    void Refresh(benchmark::State& state, const std::string& folder, int present)
    {
        shell::TPTShellList list;
        list.resize(640, 400);
        list.Folder().SetPathName(folder);
        list.show();
        QCoreApplication::sendPostedEvents(&list);
        for (auto _ : state) {
            list.RefreshItems();
            benchmark::DoNotOptimize(list.Items().Count());
        }
        if (list.Items().Count() != present)
            state.SkipWithError("the list does not show every file");
    }

    void RegisterFolder(const std::string& data, int present, std::vector<RatioTarget>& targets,
        std::vector<CounterTarget>& counters)
    {
        const std::string folder = data + "/burst" + std::to_string(present);
        ::mkdir(folder.c_str(), 0755);
        // A run that was killed may have left its burst behind.
        RemoveFiles(folder, "burst", kBurstFiles);
        RemoveFiles(folder, "keep", present);
        if (!MakeFiles(folder, "keep", present)) {
            std::fprintf(stderr, "sondrel-bench: cannot make %s: %s\n", folder.c_str(),
                std::strerror(errno));
            return;
        }
        const std::string family = "change_burst_" + std::to_string(present);
        const std::string burst = family + "/TPTShellList";
        benchmark::RegisterBenchmark(burst.c_str(),
            [folder, present](benchmark::State& state) { Burst(state, folder, present); })
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(1);
        counters.push_back({ burst, "messages_per_limit", 1.0 });
        counters.push_back({ burst, "refreshes_after", 1.0 });
        counters.push_back({ burst, "gui_busy_pct", 5.0 });
        if (present == 0)
            return;

        const std::string refresh = family + "/refresh";
        const std::string baseline = family + "/readdir_stat";
        benchmark::RegisterBenchmark(refresh.c_str(),
            [folder, present](benchmark::State& state) { Refresh(state, folder, present); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        RegisterReaddirStat(baseline, folder);
        targets.push_back({ refresh, baseline, 3.0 });
    }

} // namespace

void RegisterChangeBurstBenchmarks(const std::string& data, std::vector<RatioTarget>& targets,
    std::vector<CounterTarget>& counters)
{
    // On a disk file system, creations into space that many deletions just freed are slowed by
    // the allocator (ext4 spends the burst looking for recently deleted inodes), which would
    // measure the disk rather than the list: a memory file system is used where there is one.
    const std::string shm = "/dev/shm/sondrel-bench-" + std::to_string(::getpid());
    if (::mkdir(shm.c_str(), 0700) == 0)
        s_inMemory = shm;
    const std::string& where = s_inMemory.empty() ? data : s_inMemory;
    RegisterFolder(where, 0, targets, counters);
    RegisterFolder(where, kBurstFiles, targets, counters);
}

void RemoveChangeBurstMaterial()
{
    if (s_inMemory.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(s_inMemory, ignored);
    s_inMemory.clear();
}

} // namespace sondrel::bench
