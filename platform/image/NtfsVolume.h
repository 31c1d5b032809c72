#pragma once
// One NTFS volume read out of a disk image by libntfs-3g, through device operations that read
// the volume's byte range of the image and refuse every write. The library is not thread-safe:
// whoever calls into it holds Lock(). Shared by the source, the items and the contents that read
// through it; the last one unmounts.

#include "DiskImage.h"

#include <memory>
#include <mutex>
#include <string>

struct _ntfs_volume;

namespace sondrel::image {

class NtfsVolume
{
public:
    // Mounts `extent` of `image` read-only; null with `error` the library's reason.
    [[nodiscard]] static std::shared_ptr<NtfsVolume> Open(
        std::shared_ptr<DiskImage> image, const VolumeExtent& extent, std::string& error);
    ~NtfsVolume();
    NtfsVolume(const NtfsVolume&) = delete;
    NtfsVolume& operator=(const NtfsVolume&) = delete;

    [[nodiscard]] std::mutex& Lock() { return m_lock; }
    [[nodiscard]] _ntfs_volume* Volume() const { return m_volume; }
    // How many names one folder could hold at most: more is a damaged index.
    [[nodiscard]] std::uint64_t MaxNamesPerFolder() const;

    // Where the device operations read from.
    struct Device
    {
        std::shared_ptr<DiskImage> Image;
        Offset Start = 0;
        Offset Length = 0;
        Offset Position = 0;
    };

private:
    NtfsVolume() = default;

    std::mutex m_lock;
    std::unique_ptr<Device> m_device;
    _ntfs_volume* m_volume = nullptr;
};

// The last error libntfs-3g logged on this thread, or the system's text for `error`.
[[nodiscard]] std::string NtfsReason(int error);

} // namespace sondrel::image
