#include "BackupSource.h"

#include <atomic>
#include <mutex>
#include <utility>

namespace sondrel::backup {

namespace {

    std::mutex s_mutex;
    // Walks of files on disk pass by without taking the lock while no source is registered.
    std::atomic<bool> s_any { false };
    NtfsVolumeReader s_volumeReader;
    std::vector<std::pair<std::string, std::shared_ptr<BackupSource>>> s_sources;

} // namespace

void RegisterBackupSource(const std::string& prefix, std::shared_ptr<BackupSource> source)
{
    std::lock_guard lock(s_mutex);
    for (auto& [known, registered] : s_sources) {
        if (known == prefix) {
            registered = std::move(source);
            return;
        }
    }
    s_sources.emplace_back(prefix, std::move(source));
    s_any = true;
}

void UnregisterBackupSource(const std::string& prefix)
{
    std::lock_guard lock(s_mutex);
    std::erase_if(s_sources, [&](const auto& entry) { return entry.first == prefix; });
    s_any = !s_sources.empty();
}

std::shared_ptr<BackupSource> SourceFor(const std::string& path, std::string& inside)
{
    if (!s_any)
        return nullptr;
    std::lock_guard lock(s_mutex);
    // The longest prefix wins, so a source may be registered inside another's paths.
    const std::pair<std::string, std::shared_ptr<BackupSource>>* best = nullptr;
    for (const auto& entry : s_sources) {
        const std::string& prefix = entry.first;
        const bool under = prefix.empty()
            || (path.compare(0, prefix.size(), prefix) == 0
                && (path.size() == prefix.size() || path[prefix.size()] == '/'));
        if (under && (best == nullptr || prefix.size() > best->first.size()))
            best = &entry;
    }
    if (best == nullptr)
        return nullptr;
    inside = path.substr(best->first.size());
    if (inside.empty())
        inside = "/";
    return best->second;
}

void InstallNtfsVolumeReader(NtfsVolumeReader reader)
{
    std::lock_guard lock(s_mutex);
    s_volumeReader = std::move(reader);
}

std::optional<WholeStream> ReadFromNtfsVolume(
    const std::string& path, std::uint64_t device, const std::u16string& name)
{
    NtfsVolumeReader reader;
    {
        std::lock_guard lock(s_mutex);
        reader = s_volumeReader;
    }
    if (!reader)
        return std::nullopt;
    return reader(path, device, name);
}

std::optional<int> SourceStat(const std::string& path, SourceFacts& facts)
{
    std::string inside;
    const auto source = SourceFor(path, inside);
    if (!source)
        return std::nullopt;
    return source->Stat(inside, facts);
}

int ReadFolderEntries(const std::string& path, std::vector<platform::DirectoryEntry>& entries)
{
    std::string inside;
    const auto source = SourceFor(path, inside);
    if (!source)
        return platform::ReadDirectory(path, entries);
    return source->ReadFolder(inside, entries);
}

} // namespace sondrel::backup
