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
};

// Counting every file of `files` (WalkStreams without a sink) against a loop making the same
// system calls, and against a bare stat + listxattr loop. On an ntfs-3g mount the mirrored loop
// makes the ntfs-3g probes too, as the product does there.
void RegisterCountBenchmarks(const std::string& family, const std::vector<std::string>& files,
    std::vector<RatioTarget>& targets);

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

// The main window opening `folder` in its file list with the stream count of every item,
// against readdir + lstat followed by the mirrored count loop over the same folder.
void RegisterMainWindowBenchmarks(const std::string& family, const std::string& folder,
    const std::string& empty, std::vector<RatioTarget>& targets);

// The main window selecting the file `path` (one 16 MB data stream) until the dump of its data
// stream is painted, against reading its 16 MB into a new buffer.
void RegisterSelectDumpBenchmarks(
    const std::string& family, const std::string& path, std::vector<RatioTarget>& targets);

// Copying 10,000 files of 4 KiB with three user.* xattrs each, and one 1 GiB file, with the
// file-operation engine against a loop making the same system calls (and `cp -a` beside);
// the progress dialog's cost on that copy; throwing 10,000 files into the trash against the
// calls a trash needs. Material and scratch folders go below `data`.
void RegisterFileOpsBenchmarks(const std::string& data, std::vector<RatioTarget>& targets);

// The shell tree expanding nodes of 10,000 and 100,000 sub-folders, refreshing one, and
// selecting a folder 20 levels deep; its material is made in `data`. False, with `problem`
// set, when the material cannot be made.
bool RegisterShellTreeBenchmarks(
    const std::string& data, std::vector<RatioTarget>& targets, std::string& problem);

// Starting a drag of the `count` empty files of `folder` selected in a shell list, one step of
// that drag over the folder `empty` shown in another, and building the context menu of 1,000
// of them; each reported beside readdir and one lstat per name of `folder`.
void RegisterShellDragDropBenchmarks(const std::string& folder, int count, const std::string& empty,
    std::vector<RatioTarget>& targets);

} // namespace sondrel::bench
