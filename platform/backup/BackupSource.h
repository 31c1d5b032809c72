#pragma once
// A second place items can come from besides the files on disk: a registered source answers for
// every path under its prefix (a volume read out of an image, say), behind the same open, read
// and seek calls, so a walk above cannot tell it from files on disk. Sources are registered by
// the program at start-up or by whoever opens one; the calls may come from any thread, and a
// source serialises its own work.

#include "Directory.h"
#include "ItemStreams.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sondrel::backup {

// One item a source has opened: its streams are collected when the first read needs them.
class SourceItem
{
public:
    virtual ~SourceItem() = default;
    [[nodiscard]] virtual CollectedStreams Collect(bool processSecurity) = 0;
};

// What a listing shows of one item of a source, without reading its streams.
struct SourceFacts
{
    bool IsFolder = false;
    Offset Size = 0; // of the unnamed data
    std::int64_t Modified = 0; // seconds since 1970
    std::uint32_t Attributes = 0; // the volume's FILE_ATTRIBUTE_* bits (read-only, hidden, system)
};

class BackupSource
{
public:
    virtual ~BackupSource() = default;
    // Opens `path`, absolute inside the source ("/" its root); 0 or an errno. A count needs no
    // sizes that cost a read each.
    [[nodiscard]] virtual int Open(
        const std::string& path, bool countOnly, std::shared_ptr<SourceItem>& item)
        = 0;
    // The entries of the folder `path` in the source's order; 0 or an errno.
    [[nodiscard]] virtual int ReadFolder(
        const std::string& path, std::vector<platform::DirectoryEntry>& entries)
        = 0;
    // The facts of `path`; 0 or an errno.
    [[nodiscard]] virtual int Stat(const std::string& path, SourceFacts& facts) = 0;
};

// Paths equal to `prefix` or below it ("prefix/...") are served by `source` from now on; an
// empty prefix takes every path. A later registration of the same prefix replaces the earlier.
void RegisterBackupSource(const std::string& prefix, std::shared_ptr<BackupSource> source);
void UnregisterBackupSource(const std::string& prefix);

// The source that serves `path`, with `inside` set to the path within it; null for files on disk.
[[nodiscard]] std::shared_ptr<BackupSource> SourceFor(const std::string& path, std::string& inside);

// A named stream read from the NTFS volume beneath an ntfs-3g mount, whose extended-attribute
// interface hands out none over 64 KiB: its whole size and its content.
struct WholeStream
{
    Offset Size = 0;
    std::unique_ptr<StreamContent> Content;
};

// Given an item on an ntfs-3g mount (its path and device) and a stream's name, the stream read
// from the volume itself, or nothing where the volume cannot be read (the user may not read its
// device or image). Installed by the programs at start-up; platform/image provides it.
using NtfsVolumeReader = std::function<std::optional<WholeStream>(
    const std::string& path, std::uint64_t device, const std::u16string& name)>;
void InstallNtfsVolumeReader(NtfsVolumeReader reader);
[[nodiscard]] std::optional<WholeStream> ReadFromNtfsVolume(
    const std::string& path, std::uint64_t device, const std::u16string& name);

// The facts of `path` from the source that serves it: empty for files on disk, else 0 or an errno.
[[nodiscard]] std::optional<int> SourceStat(const std::string& path, SourceFacts& facts);

// The entries of the folder `path`, from its source or from the disk; 0 or an errno.
[[nodiscard]] int ReadFolderEntries(
    const std::string& path, std::vector<platform::DirectoryEntry>& entries);

} // namespace sondrel::backup
