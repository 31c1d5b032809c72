#pragma once
// The comparisons the benchmark program runs. Each registers the product's benchmark and its
// baselines under one family name and says which pairs make the reported ratios.

#include <string>
#include <vector>

namespace sondrel::bench {

struct RatioTarget
{
    std::string Product; // benchmark names
    std::string Baseline;
    double Limit = 0; // the ratio product/baseline that must not be exceeded; 0 for none
    // The ratio is divided by this: for the same work at two sizes, the growth in items, so
    // that 1 means linear growth of the time.
    double Scale = 1;
    // When set, the ratio is divided by that of these two as well: a growth measured against
    // the baseline's own growth.
    std::string OverProduct {};
    std::string OverBaseline {};
};

// A counter a benchmark reports (the median over repetitions) that must not exceed a limit.
struct CounterTarget
{
    std::string Benchmark;
    std::string Counter;
    double Limit = 0;
};

// Counting every file of `files` (WalkStreams without a sink; all in one folder) against a loop
// making only the calls that carry the count: fstatat + listxattr, and on an ntfs-3g mount the
// probes of its metadata. On ntfs-3g also the two alternated in one benchmark (`paired`), whose
// `ratio` counter goes into `counters`: the FUSE daemon's pace drifts between separate runs.
void RegisterCountBenchmarks(const std::string& family, const std::vector<std::string>& files,
    std::vector<RatioTarget>& targets, std::vector<CounterTarget>& counters);

// A list-mode walk of `path` (a file with one large data stream) against read(2) of its bytes.
void RegisterListBenchmarks(
    const std::string& family, const std::string& path, std::vector<RatioTarget>& targets);

// Painting a window's worth of dump lines of a 16 MB stream against those of a 1 KB one.
void RegisterDumpPaintBenchmarks(const std::string& family, std::vector<RatioTarget>& targets);

// Enumerating `folder` through the shell namespace with the attributes and display name of each
// item, against readdir and one lstat per name.
void RegisterShellEnumBenchmarks(
    const std::string& family, const std::string& folder, std::vector<RatioTarget>& targets);

// Filling a shell list (a window, never painted) with the empty files of `small` and of `large`
// against readdir and one lstat per name of the same folder, and the per-file growth from the
// smaller folder to the larger; `empty` is an empty folder the list shows between fills.
void RegisterShellListBenchmarks(const std::string& small, int smallCount, const std::string& large,
    int largeCount, const std::string& empty, std::vector<RatioTarget>& targets);

// A shown shell list of `folder` (of `count` files) sorting itself by size, against readdir, one
// fstatat per name and a sort of the names by size.
void RegisterShellListSortBenchmarks(const std::string& family, const std::string& folder,
    int count, std::vector<RatioTarget>& targets);

// The main window opening `folder` (of `count` items) in its file list with the stream count of
// every item, against readdir with openat, fstat, flistxattr and close per name.
void RegisterMainWindowBenchmarks(const std::string& family, const std::string& folder, int count,
    const std::string& empty, std::vector<RatioTarget>& targets);

// The per-file time of the window's family `large` over that of `small`, relative to the same
// growth of their baselines (1 is the baseline's own growth).
void RegisterMainWindowGrowth(const std::string& small, int smallCount, const std::string& large,
    int largeCount, std::vector<RatioTarget>& targets);

// The main window selecting the file `path` (one 16 MB data stream) until the dump of its data
// stream is painted, against reading its 16 MB into a new buffer.
void RegisterSelectDumpBenchmarks(
    const std::string& family, const std::string& path, std::vector<RatioTarget>& targets);

// Copying 10,000 files of 4 KiB with three user.* xattrs each, and one 1 GiB file, with the
// file-operation engine against a loop making the same system calls (and `cp -a` beside);
// the progress dialog's cost on that copy; throwing 10,000 files into the trash against the
// calls a trash needs. Material and scratch folders go below `data`.
void RegisterFileOpsBenchmarks(const std::string& data, std::vector<RatioTarget>& targets);

// Finding an absent pattern in the 16 MB of `big16` against memmem, and saving the 1 GiB data
// stream of the copy comparison's file (below `data`) against cp of the file.
void RegisterStreamActionBenchmarks(
    const std::string& data, const std::string& big16, std::vector<RatioTarget>& targets);

// The shell tree expanding nodes of 10,000 and 100,000 sub-folders, refreshing one, and
// selecting a folder 20 levels deep; its material is made in `data`. False, with `problem`
// set, when the material cannot be made.
bool RegisterShellTreeBenchmarks(
    const std::string& data, std::vector<RatioTarget>& targets, std::string& problem);

// A burst of 10,000 file creations into the folder a shell list shows (empty, and holding
// 10,000 files; made in /dev/shm where it can be, else below `data`): the change messages handled,
// the refreshes and the GUI thread's busy time as counters, and a refresh of the fuller folder
// against readdir + stat.
void RegisterChangeBurstBenchmarks(const std::string& data, std::vector<RatioTarget>& targets,
    std::vector<CounterTarget>& counters);
// Removes the burst's material where it went to memory rather than below `data`.
void RemoveChangeBurstMaterial();

// Starting a drag of the `count` empty files of `folder` selected in a shell list, one step of
// that drag over the folder `empty` shown in another, and building the context menu of 1,000
// of them; each reported beside readdir and one lstat per name of `folder`.
void RegisterShellDragDropBenchmarks(const std::string& folder, int count, const std::string& empty,
    std::vector<RatioTarget>& targets);

// Start-up to the first painted window, each a fresh process timed until its first paint was
// handled: the program's own start against the least Qt program showing a ten-row tree view.
void RegisterStartupBenchmarks(const std::string& family, std::vector<RatioTarget>& targets);

} // namespace sondrel::bench
