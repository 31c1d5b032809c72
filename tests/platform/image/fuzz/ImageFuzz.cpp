// The disk-image reader over hostile bytes: the image formats' and partition tables' readers,
// libntfs-3g on a damaged volume, and our wrapper (names, sizes, run lists, listings). It must
// end without a crash, a leak or an unbounded allocation.

#include "BackupSource.h"
#include "NtfsSource.h"
#include "VolumeWalk.h"

#include <cstdint>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = ::memfd_create("image", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (::write(fd, data, size) == static_cast<ssize_t>(size)) {
        std::string error;
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        for (int partition = 1; partition <= 2; ++partition) {
            if (auto source = sondrel::image::OpenImageVolume(path, partition, error)) {
                sondrel::backup::RegisterBackupSource("/fuzz", std::move(source));
                (void)sondrel::test::WalkVolume("/fuzz", 200);
                sondrel::backup::UnregisterBackupSource("/fuzz");
            }
        }
    }
    ::close(fd);
    return 0;
}
