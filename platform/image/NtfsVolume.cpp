#include "NtfsVolume.h"

#include "NtfsLibrary.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include <fcntl.h>

namespace sondrel::image {

namespace {

    using Device = NtfsVolume::Device;

    // The library's own words for what went wrong, caught from its log rather than printed.
    thread_local std::string t_lastLogged;

    int Logged(const char* /*function*/, const char* /*file*/, int /*line*/, u32 /*level*/,
        void* /*data*/, const char* format, va_list args)
    {
        char text[512];
        const int length = std::vsnprintf(text, sizeof text, format, args);
        t_lastLogged.assign(text);
        while (!t_lastLogged.empty()
            && (t_lastLogged.back() == '\n' || t_lastLogged.back() == '.'
                || t_lastLogged.back() == ' '))
            t_lastLogged.pop_back();
        return length;
    }

    void CatchLog()
    {
        static std::once_flag once;
        std::call_once(once, [] {
            ntfs_log_set_handler(Logged);
            ntfs_log_set_levels(
                NTFS_LOG_LEVEL_ERROR | NTFS_LOG_LEVEL_PERROR | NTFS_LOG_LEVEL_CRITICAL);
        });
    }

    Device& Of(struct ntfs_device* dev) { return *static_cast<Device*>(dev->d_private); }

    int DeviceOpen(struct ntfs_device* dev, int flags)
    {
        if ((flags & O_ACCMODE) != O_RDONLY) {
            errno = EROFS;
            return -1;
        }
        NDevSetOpen(dev);
        NDevSetReadOnly(dev);
        return 0;
    }

    int DeviceClose(struct ntfs_device* dev)
    {
        NDevClearOpen(dev);
        return 0;
    }

    s64 DevicePread(struct ntfs_device* dev, void* buffer, s64 count, s64 offset)
    {
        Device& device = Of(dev);
        if (offset < 0 || count < 0) {
            errno = EINVAL;
            return -1;
        }
        if (static_cast<Offset>(offset) >= device.Length)
            return 0;
        const Offset wanted = std::min<Offset>(
            static_cast<Offset>(count), device.Length - static_cast<Offset>(offset));
        std::string reason;
        const std::int64_t got = device.Image->Read(
            device.Start + static_cast<Offset>(offset), buffer, wanted, reason);
        if (got < 0) {
            t_lastLogged = reason;
            errno = EIO;
            return -1;
        }
        return got;
    }

    s64 DeviceRead(struct ntfs_device* dev, void* buffer, s64 count)
    {
        Device& device = Of(dev);
        const s64 got = DevicePread(dev, buffer, count, static_cast<s64>(device.Position));
        if (got > 0)
            device.Position += static_cast<Offset>(got);
        return got;
    }

    s64 DeviceSeek(struct ntfs_device* dev, s64 offset, int whence)
    {
        Device& device = Of(dev);
        s64 base = 0;
        if (whence == SEEK_CUR)
            base = static_cast<s64>(device.Position);
        else if (whence == SEEK_END)
            base = static_cast<s64>(device.Length);
        else if (whence != SEEK_SET) {
            errno = EINVAL;
            return -1;
        }
        if (offset < 0 ? base < -offset : false) {
            errno = EINVAL;
            return -1;
        }
        device.Position = static_cast<Offset>(base + offset);
        return static_cast<s64>(device.Position);
    }

    // Nothing in an image is ever written.
    s64 DeviceWrite(struct ntfs_device*, const void*, s64)
    {
        errno = EROFS;
        return -1;
    }

    s64 DevicePwrite(struct ntfs_device*, const void*, s64, s64)
    {
        errno = EROFS;
        return -1;
    }

    int DeviceSync(struct ntfs_device*) { return 0; }

    int DeviceStat(struct ntfs_device* dev, struct stat* buffer)
    {
        std::memset(buffer, 0, sizeof *buffer);
        buffer->st_mode = S_IFREG | 0444;
        buffer->st_size = static_cast<off_t>(Of(dev).Length);
        return 0;
    }

    int DeviceIoctl(struct ntfs_device*, unsigned long, void*)
    {
        errno = ENOTTY;
        return -1;
    }

    struct ntfs_device_operations s_operations = { DeviceOpen, DeviceClose, DeviceSeek, DeviceRead,
        DeviceWrite, DevicePread, DevicePwrite, DeviceSync, DeviceStat, DeviceIoctl };

} // namespace

std::string NtfsReason(int error)
{
    if (!t_lastLogged.empty())
        return std::exchange(t_lastLogged, {});
    return std::strerror(error);
}

std::shared_ptr<NtfsVolume> NtfsVolume::Open(
    std::shared_ptr<DiskImage> image, const VolumeExtent& extent, std::string& error)
{
    CatchLog();
    t_lastLogged.clear();
    std::shared_ptr<NtfsVolume> volume(new NtfsVolume);
    volume->m_device
        = std::make_unique<Device>(Device { std::move(image), extent.Start, extent.Length, 0 });
    struct ntfs_device* dev = ntfs_device_alloc("image", 0, &s_operations, volume->m_device.get());
    if (dev == nullptr) {
        error = NtfsReason(errno);
        return nullptr;
    }
    volume->m_volume = ntfs_device_mount(dev, NTFS_MNT_RDONLY | NTFS_MNT_FORENSIC);
    if (volume->m_volume == nullptr) {
        error = NtfsReason(errno);
        if (NDevOpen(dev))
            DeviceClose(dev);
        ntfs_device_free(dev);
        return nullptr;
    }
    // The security descriptors live in $Secure, which a volume mounted this way has not opened.
    if (volume->m_volume->secure_ni == nullptr)
        (void)ntfs_open_secure(volume->m_volume);
    return volume;
}

NtfsVolume::~NtfsVolume()
{
    if (m_volume != nullptr) {
        if (m_volume->secure_ni != nullptr)
            (void)ntfs_close_secure(m_volume);
        ntfs_umount(m_volume, static_cast<BOOL>(0)); // not forced
    }
}

std::uint64_t NtfsVolume::MaxNamesPerFolder() const
{
    // A record of 1 KiB holds at most a dozen names (a name attribute takes at least 90 bytes).
    const std::uint64_t records = m_volume->mft_na != nullptr && m_volume->mft_record_size > 0
        ? static_cast<std::uint64_t>(m_volume->mft_na->initialized_size) / m_volume->mft_record_size
        : 0;
    return (records + 1) * (m_volume->mft_record_size / 90 + 1);
}

} // namespace sondrel::image
