// Start-up to the first painted window: the program's own start (sondrel-first-paint) against
// the least Qt program showing a ten-row tree view (sondrel-minimal-tree), each a fresh process
// timed from its spawn until it says, through a pipe, that its first paint was handled. Their
// quitting is waited for outside the time.

#include "Benchmarks.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <climits>
#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sondrel::bench {

namespace {

    // The descriptor the child finds its end of the pipe on.
    constexpr int kPaintedFd = 3;
    // How long a start may take before the run counts as failed.
    constexpr int kPaintTimeoutMs = 20000;

    // The programs beside this one in the build.
    std::string Sibling(const char* name)
    {
        char self[PATH_MAX];
        const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
        if (length <= 0)
            return name;
        std::string path(self, static_cast<std::size_t>(length));
        return path.substr(0, path.rfind('/') + 1) + name;
    }

    // This process's environment and the descriptor the child is to tell its paint on, made
    // once: changing the environment itself would race with the GUI's threads reading it.
    std::vector<char*>& ChildEnvironment()
    {
        static std::string painted = "SONDREL_PAINTED_FD=" + std::to_string(kPaintedFd);
        static std::vector<char*> environment = [] {
            std::vector<char*> made;
            for (char** at = environ; *at != nullptr; ++at)
                if (std::string_view(*at).rfind("SONDREL_PAINTED_FD=", 0) != 0)
                    made.push_back(*at);
            made.push_back(painted.data());
            made.push_back(nullptr);
            return made;
        }();
        return environment;
    }

    // Spawns `program`, waits for its first paint and returns the time that took; reaps it
    // afterwards. Empty `problem` on success.
    double TimeToPaint(const std::string& program, std::string& problem)
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            problem = "no pipe";
            return 0;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], kPaintedFd);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        char* argv[] = { const_cast<char*>(program.c_str()), nullptr };
        pid_t child = 0;
        const auto start = std::chrono::steady_clock::now();
        const int spawned = posix_spawn(
            &child, program.c_str(), &actions, nullptr, argv, ChildEnvironment().data());
        ::close(ends[1]);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            ::close(ends[0]);
            problem = "cannot start " + program;
            return 0;
        }
        pollfd ready { ends[0], POLLIN, 0 };
        char painted = 0;
        const bool said
            = ::poll(&ready, 1, kPaintTimeoutMs) == 1 && ::read(ends[0], &painted, 1) == 1;
        const auto end = std::chrono::steady_clock::now();
        ::close(ends[0]);
        if (!said) {
            ::kill(child, SIGKILL);
            problem = program + " did not paint";
        }
        int status = 0;
        (void)::waitpid(child, &status, 0);
        return std::chrono::duration<double>(end - start).count();
    }

    void StartUp(benchmark::State& state, const std::string& program)
    {
        for (auto _ : state) {
            std::string problem;
            const double seconds = TimeToPaint(program, problem);
            if (!problem.empty()) {
                state.SkipWithError(problem.c_str());
                break;
            }
            state.SetIterationTime(seconds);
        }
    }

} // namespace

void RegisterStartupBenchmarks(const std::string& family, std::vector<RatioTarget>& targets)
{
    const std::string product = family + "/sondrel";
    const std::string baseline = family + "/minimal_tree";
    for (const auto& [name, program] : { std::pair { product, Sibling("sondrel-first-paint") },
             std::pair { baseline, Sibling("sondrel-minimal-tree") } })
        benchmark::RegisterBenchmark(name.c_str(), StartUp, program)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(20);
    targets.push_back({ product, baseline, 1.2 });
}

} // namespace sondrel::bench
