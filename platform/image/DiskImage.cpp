#include "DiskImage.h"

#include "TskLibrary.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace sondrel::image {

namespace {

    std::string TskReason(const TskLibrary& tsk)
    {
        const char* text = tsk.ErrorGet();
        std::string reason = text != nullptr ? text : "unknown failure of the image reader";
        tsk.ErrorReset();
        return reason;
    }

    bool IsExpertWitness(const std::string& path)
    {
        static constexpr unsigned char kSignature[]
            = { 'E', 'V', 'F', 0x09, 0x0D, 0x0A, 0xFF, 0x00 };
        unsigned char start[sizeof kSignature] = {};
        std::FILE* file = std::fopen(path.c_str(), "rbe");
        if (file == nullptr)
            return false;
        const bool whole = std::fread(start, 1, sizeof start, file) == sizeof start;
        std::fclose(file);
        return whole && std::memcmp(start, kSignature, sizeof start) == 0;
    }

} // namespace

std::shared_ptr<DiskImage> DiskImage::Open(const std::string& path, std::string& error)
{
    const TskLibrary* tsk = LoadTsk(error);
    if (tsk == nullptr)
        return nullptr;
    tsk->ErrorReset();
    const char* names[] = { path.c_str() };
    // Only the two formats we promise are tried: the reader's own detection also probes the
    // virtual-machine formats, whose libraries leak on every image that is not theirs.
    TSK_IMG_INFO* info = tsk->ImageOpen(
        1, names, IsExpertWitness(path) ? TSK_IMG_TYPE_EWF_EWF : TSK_IMG_TYPE_RAW, 0);
    if (info == nullptr) {
        error = TskReason(*tsk);
        return nullptr;
    }
    std::shared_ptr<DiskImage> image(new DiskImage);
    image->m_tsk = tsk;
    image->m_image = info;
    image->m_size = info->size > 0 ? static_cast<Offset>(info->size) : 0;
    image->FindVolumes();
    if (image->m_volumes.empty()) {
        error = "no NTFS volume in the image";
        return nullptr;
    }
    return image;
}

DiskImage::~DiskImage()
{
    if (m_image != nullptr)
        m_tsk->ImageClose(m_image);
}

std::int64_t DiskImage::Read(Offset offset, void* out, std::size_t count, std::string& error)
{
    if (offset >= m_size || count == 0)
        return 0;
    count = static_cast<std::size_t>(std::min<Offset>(count, m_size - offset));
    // The image reader keeps a cache of its own under its own lock.
    const ssize_t got
        = m_tsk->ImageRead(m_image, static_cast<TSK_OFF_T>(offset), static_cast<char*>(out), count);
    if (got < 0) {
        error = TskReason(*m_tsk);
        return -1;
    }
    return got;
}

bool DiskImage::HoldsNtfs(Offset start)
{
    char boot[512];
    std::string ignored;
    return Read(start, boot, sizeof boot, ignored) == static_cast<std::int64_t>(sizeof boot)
        && std::memcmp(boot + 3, "NTFS    ", 8) == 0;
}

void DiskImage::FindVolumes()
{
    // GPT first: its disks carry a protective MBR as well, and the reader's own detection,
    // finding both, leaks the table it drops.
    TSK_VS_INFO* table = nullptr;
    for (const TSK_VS_TYPE_ENUM type : { TSK_VS_TYPE_GPT, TSK_VS_TYPE_DOS }) {
        table = m_tsk->TableOpen(m_image, 0, type);
        if (table != nullptr)
            break;
        m_tsk->ErrorReset();
    }
    if (table == nullptr) {
        m_tsk->ErrorReset();
        if (HoldsNtfs(0))
            m_volumes.push_back({ 0, m_size, "bare volume" });
        return;
    }
    for (TSK_PNUM_T i = 0; i < table->part_count; ++i) {
        const TSK_VS_PART_INFO* part = m_tsk->TablePart(table, i);
        if (part == nullptr || (part->flags & TSK_VS_PART_FLAG_ALLOC) == 0)
            continue;
        const Offset start = static_cast<Offset>(part->start) * table->block_size;
        const Offset length = static_cast<Offset>(part->len) * table->block_size;
        // A table may point past the image's end; such a partition is not there to read.
        if (start >= m_size || length == 0)
            continue;
        if (HoldsNtfs(start))
            m_volumes.push_back({ start, std::min(length, m_size - start),
                part->desc != nullptr ? part->desc : "" });
    }
    m_tsk->TableClose(table);
    m_tsk->ErrorReset();
}

} // namespace sondrel::image
