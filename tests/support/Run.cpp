#include "Run.h"

#include "TempDir.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sondrel::test {

RunResult Run(const std::vector<std::string>& argv, std::chrono::seconds timeout)
{
    RunResult result;
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // A group of its own, so that a program that overruns goes with whatever it started.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (spawned == 0) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        pollfd fds[2] = { { outPipe[0], POLLIN, 0 }, { errPipe[0], POLLIN, 0 } };
        int open = 2;
        char buffer[65536];
        while (open > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                ::kill(-pid, SIGKILL);
                result.TimedOut = true;
                break;
            }
            const int ready = ::poll(fds, 2, static_cast<int>(left.count()));
            if (ready < 0 && errno != EINTR)
                break;
            if (ready <= 0)
                continue;
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    (i == 0 ? result.Out : result.Err).append(buffer, static_cast<std::size_t>(n));
                } else {
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        int status = 0;
        if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && !result.TimedOut)
            result.Status = WEXITSTATUS(status);
    }
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    return result;
}

RunResult RunCompanion(const std::vector<std::string>& args)
{
    std::vector<std::string> argv { SONDREL_STREAMS_TOOL };
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(argv);
}

std::string Sha256Hex(std::string_view bytes)
{
    TempDir dir;
    const std::string file = dir / "content";
    WriteFile(file, bytes);
    const RunResult sum = Run({ "sha256sum", "-b", file });
    return sum.Status == 0 ? sum.Out.substr(0, sum.Out.find(' ')) : std::string();
}

bool HaveProgram(const std::string& program)
{
    return Run({ "sh", "-c", "command -v " + program + " >/dev/null" }).Status == 0;
}

} // namespace sondrel::test
