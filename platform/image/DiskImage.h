#pragma once
// A disk image opened read-only: a raw image (one file or split in numbered pieces) or an
// Expert Witness (.E01) file, read through The Sleuth Kit, with the NTFS volumes it holds: one
// per NTFS partition of its MBR or GPT table, or the whole image when it is a bare volume.
//
// Reads may come from any thread; the image serialises them. Shared by the volumes read from it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TSK_IMG_INFO;

namespace sondrel::image {

struct TskLibrary;

using Offset = std::uint64_t;

struct VolumeExtent
{
    Offset Start = 0; // bytes from the image's start
    Offset Length = 0;
    std::string Description; // the partition table's words for it, or "bare volume"
};

class DiskImage
{
public:
    // Opens `path` (the first piece of a split image); null with `error` the reason.
    [[nodiscard]] static std::shared_ptr<DiskImage> Open(
        const std::string& path, std::string& error);
    ~DiskImage();
    DiskImage(const DiskImage&) = delete;
    DiskImage& operator=(const DiskImage&) = delete;

    [[nodiscard]] Offset Size() const { return m_size; }
    // The NTFS volumes in table order (numbered from 1 for people).
    [[nodiscard]] const std::vector<VolumeExtent>& NtfsVolumes() const { return m_volumes; }
    // Reads up to `count` bytes at `offset`; the bytes read (0 at the end), or -1 with `error`.
    [[nodiscard]] std::int64_t Read(
        Offset offset, void* out, std::size_t count, std::string& error);

private:
    DiskImage() = default;
    void FindVolumes();
    [[nodiscard]] bool HoldsNtfs(Offset start);

    const TskLibrary* m_tsk = nullptr;
    TSK_IMG_INFO* m_image = nullptr;
    Offset m_size = 0;
    std::vector<VolumeExtent> m_volumes;
};

} // namespace sondrel::image
