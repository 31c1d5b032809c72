// The shell tree: expanding a node with 10,000 sub-folders (empty ones, and ones holding 50
// files each) and with 100,000 empty ones, against a loop that reads the folder, stats each name
// and reads each sub-folder until it knows whether that has a sub-folder of its own (what an
// expand button needs); refreshing that node when nothing changed, against readdir + stat; and
// selecting a folder 20 levels deep from a freshly filled tree.

#include "Baselines.h"
#include "Benchmarks.h"
#include "ShellTree.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::bench {

namespace {

    bool MakeFolder(const std::string& path, std::string& problem)
    {
        if (::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST)
            return true;
        problem = "cannot make " + path + ": " + std::strerror(errno);
        return false;
    }

    // `count` sub-folders of `folder`, each holding `files` empty files; kept when present.
    bool MakeSubfolders(const std::string& folder, int count, int files, std::string& problem)
    {
        if (!MakeFolder(folder, problem))
            return false;
        const std::string done
            = folder + "/../" + "done-" + std::to_string(count) + "-" + std::to_string(files);
        if (::access(done.c_str(), F_OK) == 0)
            return true;
        for (int i = 0; i < count; ++i) {
            const std::string child = folder + "/folder" + std::to_string(i);
            if (!MakeFolder(child, problem))
                return false;
            for (int j = 0; j < files; ++j) {
                const std::string file = child + "/file" + std::to_string(j);
                const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                if (fd < 0) {
                    problem = "cannot make " + file + ": " + std::strerror(errno);
                    return false;
                }
                ::close(fd);
            }
        }
        const int fd = ::open(done.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0)
            ::close(fd);
        return true;
    }

    // Whether the folder `name` in `dirFd` holds a folder: read until one is seen.
    bool ReadsSubfolder(int dirFd, const char* name)
    {
        const int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return false;
        DIR* dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            return false;
        }
        bool found = false;
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_type == DT_DIR && std::strcmp(entry->d_name, ".") != 0
                && std::strcmp(entry->d_name, "..") != 0) {
                found = true;
                break;
            }
        ::closedir(dir);
        return found;
    }

    // The expansion's information by hand: each name, its stat, and for each folder whether it
    // has a folder of its own.
    std::size_t ExpandBaseline(const std::string& folder)
    {
        DIR* dir = ::opendir(folder.c_str());
        if (!dir)
            return 0;
        const int fd = ::dirfd(dir);
        std::size_t sum = 0;
        while (const dirent* entry = ::readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                continue;
            struct stat st
            {
            };
            if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            sum += std::strlen(entry->d_name);
            if (S_ISDIR(st.st_mode))
                sum += ReadsSubfolder(fd, entry->d_name) ? 1 : 0;
        }
        ::closedir(dir);
        return sum;
    }

    std::unique_ptr<shell::TPTShellTree> TreeOn(const std::string& base)
    {
        auto tree = std::make_unique<shell::TPTShellTree>();
        tree->SetOptions(
            shell::kDefaultShellTreeOptions & ~shell::ShellTreeOption(shell::ptstoDynamicRefresh));
        tree->resize(300, 600);
        shell::TPTShellLocator locator;
        locator.SetPathName(base);
        tree->SetBaseFolder(&locator);
        tree->show();
        QCoreApplication::sendPostedEvents(tree.get());
        if (tree->Items().Count() == 0)
            tree->FillItems();
        return tree;
    }

    // Each iteration expands the one child of the base afresh; collapsing and emptying it again
    // is not timed. The tree is never painted: texts and icons are the paint's.
    void ExpandNode(benchmark::State& state, const std::string& base, int expected)
    {
        auto tree = TreeOn(base);
        framework::TTreeNode* node = tree->Items().GetFirstNode()->GetFirstChild();
        if (!node) {
            state.SkipWithError("the base shows no folder");
            return;
        }
        for (auto _ : state) {
            node->Expand(false);
            state.PauseTiming();
            const int count = node->Count();
            node->Collapse(false);
            node->DeleteChildren();
            node->SetHasChildren(true);
            state.ResumeTiming();
            if (count != expected) {
                state.SkipWithError("the node does not show every folder");
                break;
            }
        }
        state.SetItemsProcessed(state.iterations() * expected);
    }

    void RefreshExpanded(benchmark::State& state, const std::string& base)
    {
        auto tree = TreeOn(base);
        framework::TTreeNode* node = tree->Items().GetFirstNode()->GetFirstChild();
        if (!node) {
            state.SkipWithError("the base shows no folder");
            return;
        }
        node->Expand(false);
        for (auto _ : state)
            tree->RefreshNodes();
    }

    void RegisterExpand(const std::string& family, const std::string& base, int count,
        std::vector<RatioTarget>& targets)
    {
        const std::string product = family + "/TPTShellTree";
        const std::string baseline = family + "/readdir_fstatat_subfolder";
        const std::string folder = base + "/x";
        benchmark::RegisterBenchmark(product.c_str(),
            [base, count](benchmark::State& state) { ExpandNode(state, base, count); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(baseline.c_str(),
            [folder, count](benchmark::State& state) {
                for (auto _ : state)
                    benchmark::DoNotOptimize(ExpandBaseline(folder));
                state.SetItemsProcessed(state.iterations() * count);
            })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        targets.push_back({ product, baseline, 2.0 });
    }

} // namespace

bool RegisterShellTreeBenchmarks(
    const std::string& data, std::vector<RatioTarget>& targets, std::string& problem)
{
    const std::string empty10k = data + "/tree_empty_10000";
    const std::string full10k = data + "/tree_full_10000";
    const std::string empty100k = data + "/tree_empty_100000";
    std::string deep = data + "/tree_deep";
    if (!MakeFolder(empty10k, problem) || !MakeSubfolders(empty10k + "/x", 10000, 0, problem)
        || !MakeFolder(full10k, problem) || !MakeSubfolders(full10k + "/x", 10000, 50, problem)
        || !MakeFolder(empty100k, problem) || !MakeSubfolders(empty100k + "/x", 100000, 0, problem)
        || !MakeFolder(deep, problem))
        return false;
    for (int level = 1; level <= 20; ++level) {
        deep += "/level" + std::to_string(level);
        if (!MakeFolder(deep, problem))
            return false;
    }

    RegisterExpand("shell_tree_expand_10000_empty", empty10k, 10000, targets);
    RegisterExpand("shell_tree_expand_10000_full", full10k, 10000, targets);
    RegisterExpand("shell_tree_expand_100000_empty", empty100k, 100000, targets);
    // Per-child time at 100,000 over that at 10,000, against the baseline's own growth.
    targets.push_back({ "shell_tree_expand_100000_empty/TPTShellTree",
        "shell_tree_expand_10000_empty/TPTShellTree", 1.2, 10.0 });
    targets.push_back({ "shell_tree_expand_100000_empty/readdir_fstatat_subfolder",
        "shell_tree_expand_10000_empty/readdir_fstatat_subfolder", 0, 10.0 });

    const std::string refreshed = "shell_tree_refresh_10000/TPTShellTree";
    const std::string stat = "shell_tree_refresh_10000/readdir_stat";
    const std::string folder = empty10k + "/x";
    benchmark::RegisterBenchmark(refreshed.c_str(),
        [empty10k](benchmark::State& state) { RefreshExpanded(state, empty10k); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    RegisterReaddirStat(stat, folder);
    targets.push_back({ refreshed, stat, 2.0 });

    // Absolute: a user waits for it, and no loop does the same work.
    benchmark::RegisterBenchmark("shell_tree_select_20_deep/TPTShellTree",
        [deep](benchmark::State& state) {
            shell::TPTShellTree tree;
            tree.SetOptions(shell::kDefaultShellTreeOptions
                & ~shell::ShellTreeOption(shell::ptstoDynamicRefresh));
            tree.resize(300, 600);
            tree.show();
            for (auto _ : state) {
                state.PauseTiming();
                // A fresh tree on the desktop: nothing below it filled, nothing selected there.
                shell::TPTShellLocator desktop;
                tree.SetSelectedFolder(&desktop);
                tree.FillItems();
                state.ResumeTiming();
                tree.SetSelectedPathName(deep);
                if (tree.SelectedPathName() != deep) {
                    state.SkipWithError("the folder was not selected");
                    break;
                }
            }
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    return true;
}

} // namespace sondrel::bench
