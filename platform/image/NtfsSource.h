#pragma once
// An NTFS volume of a disk image as a source of the backup reader: paths inside the volume
// ("/" its root) open, read and list as files on disk do, and nothing is ever written. Any
// thread; the volume's lock serialises the library.

#include "BackupSource.h"
#include "NtfsVolume.h"

namespace sondrel::image {

class NtfsSource final : public backup::BackupSource
{
public:
    explicit NtfsSource(std::shared_ptr<NtfsVolume> volume)
        : m_volume(std::move(volume))
    {
    }

    [[nodiscard]] int Open(const std::string& path, bool countOnly,
        std::shared_ptr<backup::SourceItem>& item) override;
    [[nodiscard]] int ReadFolder(
        const std::string& path, std::vector<platform::DirectoryEntry>& entries) override;
    [[nodiscard]] int Stat(const std::string& path, backup::SourceFacts& facts) override;

private:
    std::shared_ptr<NtfsVolume> m_volume;
};

// Opens `imagePath` and the NTFS volume numbered `partition` (from 1, in table order) in it;
// null with `error` the reason: the image's, the library's, or that there is no such volume.
[[nodiscard]] std::shared_ptr<NtfsSource> OpenImageVolume(
    const std::string& imagePath, int partition, std::string& error);

} // namespace sondrel::image
