#include "LiveVolume.h"

#include "BackupSource.h"
#include "Ntfs3g.h"
#include "NtfsItemStreams.h"

#include <climits>
#include <cstdlib>

namespace sondrel::image {

namespace {

    std::optional<backup::WholeStream> ReadFromVolume(
        const std::string& path, std::uint64_t device, const std::u16string& name)
    {
        const backup::MountEntry mount = backup::MountOfDevice(device);
        if (mount.Point.empty() || mount.Type.rfind("fuse", 0) != 0 || mount.Source.empty()
            || mount.Source[0] != '/')
            return std::nullopt;
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr)
            return std::nullopt;
        const std::string full(resolved);
        const std::string& point = mount.Point;
        if (full != point && full.rfind(point == "/" ? point : point + "/", 0) != 0)
            return std::nullopt;
        const std::string inside
            = full == point ? "/" : full.substr(point == "/" ? 0 : point.size());
        // Opening the image or device is where a user who may not read it is refused.
        std::string error;
        const std::shared_ptr<DiskImage> disk = DiskImage::Open(mount.Source, error);
        if (!disk)
            return std::nullopt;
        const std::shared_ptr<NtfsVolume> volume
            = NtfsVolume::Open(disk, disk->NtfsVolumes().front(), error);
        if (!volume)
            return std::nullopt;
        return NamedNtfsStream(volume, inside, name);
    }

} // namespace

void InstallLiveVolumeReader() { backup::InstallNtfsVolumeReader(ReadFromVolume); }

} // namespace sondrel::image
