#include "Benchmarks.h"
#include "CommandDialogs.h"
#include "CommandUi.h"
#include "FileOperation.h"
#include "ShellCommands.h"

#include <array>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

extern char** environ;

namespace sondrel::bench {

namespace {

    namespace fs = std::filesystem;

    // Answers nothing: the benchmarks make no clashes and lose no streams.
    struct NoQuestions : fileops::Questions
    {
        fileops::Answer<fileops::ClashAction> OnClash(const fileops::Clash&) override
        {
            return { fileops::ClashAction::Cancel };
        }
        fileops::Answer<fileops::LossAction> OnStreamsLost(
            const BytePath&, const BytePath&, const std::vector<std::string>&) override
        {
            return { fileops::LossAction::Cancel };
        }
        fileops::Answer<fileops::ErrorAction> OnError(const fileops::Failure&) override
        {
            return { fileops::ErrorAction::Cancel };
        }
    };

    fileops::Outcome CopyByProduct(const std::string& source, const std::string& target)
    {
        NoQuestions questions;
        fileops::Progress progress;
        return fileops::RunFileOperation(
            { fileops::Operation::Copy, { source }, target, {} }, questions, progress);
    }

    std::vector<std::string> Names(int dir)
    {
        std::vector<std::string> names;
        DIR* listing = ::fdopendir(::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        while (const dirent* entry = ::readdir(listing))
            if (entry->d_name[0] != '.' || (entry->d_name[1] != '\0' && entry->d_name[1] != '.'))
                names.emplace_back(entry->d_name);
        ::closedir(listing);
        return names;
    }

    // What a hand-written copier needs for one item: its xattrs read and written, its bytes,
    // owner (as root), mode and times.
    void CopyItemBySameSyscalls(int in, int out, const struct stat& st)
    {
        std::array<char, 4096> names {};
        std::array<char, 4096> value {};
        const ssize_t listed = ::flistxattr(in, names.data(), names.size());
        for (ssize_t at = 0; at < listed;) {
            const char* name = names.data() + at;
            at += static_cast<ssize_t>(std::strlen(name)) + 1;
            const ssize_t size = ::fgetxattr(in, name, value.data(), value.size());
            if (size >= 0)
                (void)::fsetxattr(out, name, value.data(), static_cast<std::size_t>(size), 0);
        }
        for (off_t left = st.st_size; left > 0;) {
            const ssize_t n
                = ::copy_file_range(in, nullptr, out, nullptr, std::min<off_t>(left, 8 << 20), 0);
            if (n <= 0)
                break;
            left -= n;
        }
        if (::geteuid() == 0)
            (void)::fchown(out, st.st_uid, st.st_gid);
        (void)::fchmod(out, st.st_mode & 07777);
        const std::array<timespec, 2> times { st.st_atim, st.st_mtim };
        (void)::futimens(out, times.data());
    }

    void CopyBySameSyscalls(const std::string& source, const std::string& target)
    {
        const int from = ::open(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const std::string name = source.substr(source.rfind('/') + 1);
        const int parent = ::open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::mkdirat(parent, name.c_str(), 0700);
        const int to = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (const std::string& file : Names(from)) {
            struct stat st
            {
            };
            ::fstatat(from, file.c_str(), &st, AT_SYMLINK_NOFOLLOW);
            const int in = ::openat(from, file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            const int out = ::openat(
                to, file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            CopyItemBySameSyscalls(in, out, st);
            ::close(out);
            ::close(in);
        }
        struct stat st
        {
        };
        ::fstat(from, &st);
        CopyItemBySameSyscalls(from, to, st);
        ::close(to);
        ::close(parent);
        ::close(from);
    }

    void CopyByCp(const std::string& source, const std::string& target)
    {
        const char* argv[] = { "cp", "-a", source.c_str(), target.c_str(), nullptr };
        pid_t child = 0;
        if (::posix_spawnp(&child, "cp", nullptr, nullptr, const_cast<char**>(argv), environ) == 0)
            ::waitpid(child, nullptr, 0);
    }

    // Each run copies into a fresh folder; removing it is not timed.
    template <typename Copy>
    void Copying(
        benchmark::State& state, const std::string& source, const std::string& scratch, Copy copy)
    {
        int run = 0;
        for (auto _ : state) {
            state.PauseTiming();
            const std::string target = scratch + "/" + std::to_string(run++);
            fs::remove_all(target);
            fs::create_directories(target);
            ::sync();
            state.ResumeTiming();
            copy(source, target);
            state.PauseTiming();
            fs::remove_all(target);
            state.ResumeTiming();
        }
    }

    void MakeFiles(const std::string& folder, int count, std::size_t size, int xattrs)
    {
        fs::create_directories(folder);
        const std::string content(size, 'c');
        for (int i = 0; i < count; ++i) {
            const std::string path = folder + "/f" + std::to_string(i);
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            (void)::write(fd, content.data(), content.size());
            for (int x = 0; x < xattrs; ++x) {
                const std::string name = "user.stream" + std::to_string(x);
                (void)::fsetxattr(fd, name.c_str(), "named stream value", 18, 0);
            }
            ::close(fd);
        }
    }

    // Throwing away: the product's verb (its trash planned once per folder, each record, each
    // rename), against the calls a trash needs per item.
    void TrashBySameSyscalls(const std::vector<std::string>& paths, const std::string& trash)
    {
        for (const std::string& path : paths) {
            const std::string name = path.substr(path.rfind('/') + 1);
            const std::string info = trash + "/info/" + name + ".trashinfo";
            const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            const std::string record
                = "[Trash Info]\nPath=" + path + "\nDeletionDate=2026-01-01T00:00:00\n";
            (void)::write(fd, record.data(), record.size());
            ::fsync(fd);
            ::close(fd);
            ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, (trash + "/files/" + name).c_str(),
                RENAME_NOREPLACE);
        }
    }

    template <typename Trash>
    void Trashing(benchmark::State& state, const std::string& data, int count, Trash trash)
    {
        const std::string folder = data + "/trash_items";
        const std::string home = data + "/trash_home";
        for (auto _ : state) {
            state.PauseTiming();
            fs::remove_all(home);
            fs::create_directories(home + "/Trash/files");
            fs::create_directories(home + "/Trash/info");
            MakeFiles(folder, count, 0, 0);
            std::vector<std::string> paths;
            for (int i = 0; i < count; ++i)
                paths.push_back(folder + "/f" + std::to_string(i));
            ::sync();
            state.ResumeTiming();
            trash(paths, home + "/Trash");
        }
        fs::remove_all(home);
        fs::remove_all(folder);
    }

} // namespace

void RegisterFileOpsBenchmarks(const std::string& data, std::vector<RatioTarget>& targets)
{
    static const std::string small = data + "/copy_src";
    static const std::string big = data + "/copy_big";
    static const std::string scratch = data + "/copy_dst";
    static const std::string dataFolder = data;
    if (!fs::exists(small))
        MakeFiles(small, 10000, 4096, 3);
    if (!fs::exists(big + "/one") || fs::file_size(big + "/one") != (1ull << 30)) {
        fs::create_directories(big);
        const int fd = ::open((big + "/one").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char> block(1 << 20);
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 131 + 7);
        for (int i = 0; i < 1024; ++i)
            (void)::write(fd, block.data(), block.size());
        ::close(fd);
    }

    for (const auto& [family, source] : { std::pair { std::string("copy_10000x4KiB"), small },
             std::pair { std::string("copy_1GiB"), big } }) {
        const std::string ours = family + "/RunFileOperation";
        const std::string same = family + "/same_syscalls";
        const std::string cp = family + "/cp_a";
        const std::string& from = source;
        benchmark::RegisterBenchmark(ours.c_str(),
            [from](benchmark::State& state) {
                Copying(state, from, scratch,
                    [](const std::string& s, const std::string& t) { (void)CopyByProduct(s, t); });
            })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(same.c_str(),
            [from](benchmark::State& state) { Copying(state, from, scratch, CopyBySameSyscalls); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(cp.c_str(),
            [from](benchmark::State& state) { Copying(state, from, scratch, CopyByCp); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        targets.push_back({ ours, same, 1.2 });
        targets.push_back({ ours, cp, 0 });
    }

    // The progress dialog on the same copy, against the copy on a thread of its own.
    benchmark::RegisterBenchmark("copy_progress/with_dialog",
        [](benchmark::State& state) {
            shell::TShellCommandUi ui;
            ui.ShowDelay = 0;
            Copying(state, small, scratch, [&ui](const std::string& s, const std::string& t) {
                (void)ui.RunWithProgress(
                    "Copying", [&](fileops::Questions& q, fileops::Progress& p) {
                        return fileops::RunFileOperation(
                            { fileops::Operation::Copy, { s }, t, {} }, q, p);
                    });
            });
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("copy_progress/thread_only",
        [](benchmark::State& state) {
            Copying(state, small, scratch, [](const std::string& s, const std::string& t) {
                std::thread worker([&] { (void)CopyByProduct(s, t); });
                worker.join();
            });
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    targets.push_back({ "copy_progress/with_dialog", "copy_progress/thread_only", 1.02 });

    benchmark::RegisterBenchmark("trash_10000/DeletePaths",
        [](benchmark::State& state) {
            ::setenv("XDG_DATA_HOME", (dataFolder + "/trash_home").c_str(), 1);
            platform::QuietCommandUi ui;
            platform::InstallCommandUi(&ui);
            Trashing(state, dataFolder, 10000,
                [](const std::vector<std::string>& paths, const std::string&) {
                    (void)platform::DeletePaths(paths, false);
                });
            platform::InstallCommandUi(nullptr);
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("trash_10000/same_syscalls",
        [](benchmark::State& state) { Trashing(state, dataFolder, 10000, TrashBySameSyscalls); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    targets.push_back({ "trash_10000/DeletePaths", "trash_10000/same_syscalls", 1.2 });
}

} // namespace sondrel::bench
