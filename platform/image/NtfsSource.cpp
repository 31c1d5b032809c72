#include "NtfsSource.h"

#include "NtfsItemStreams.h"
#include "NtfsLibrary.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace sondrel::image {

namespace {

    class NtfsItem final : public backup::SourceItem
    {
    public:
        NtfsItem(std::shared_ptr<NtfsVolume> volume, std::uint64_t record, bool countOnly)
            : m_volume(std::move(volume))
            , m_record(record)
            , m_countOnly(countOnly)
        {
        }

        backup::CollectedStreams Collect(bool processSecurity) override
        {
            return CollectNtfsStreams(m_volume, m_record, m_countOnly, processSecurity);
        }

    private:
        std::shared_ptr<NtfsVolume> m_volume;
        std::uint64_t m_record;
        bool m_countOnly;
    };

    // The volume's lock is held.
    ntfs_inode* OpenPath(ntfs_volume* volume, const std::string& path)
    {
        errno = 0;
        const std::string rooted = path.empty() || path[0] != '/' ? "/" + path : path;
        ntfs_inode* inode = ntfs_pathname_to_inode(volume, nullptr, rooted.c_str());
        if (inode == nullptr && errno == 0)
            errno = ENOENT;
        return inode;
    }

    struct Listing
    {
        std::vector<platform::DirectoryEntry>* Entries;
        std::uint64_t Left; // names the folder may still have
        bool Damaged = false;
    };

    int Fill(void* context, const ntfschar* name, const int length, const int type,
        const s64 /*position*/, const MFT_REF /*reference*/, const unsigned kind)
    {
        auto& listing = *static_cast<Listing*>(context);
        if (listing.Left == 0) {
            listing.Damaged = true;
            return -1; // stops the library's walk of the index
        }
        --listing.Left;
        if (type == FILE_NAME_DOS) // the short alias of a name listed in full as well
            return 0;
        char* bytes = nullptr;
        const int size = ntfs_ucstombs(name, length, &bytes, 0);
        if (size < 0)
            return 0; // a name that is no valid UTF-16 could not be opened by its path either
        std::string text(bytes, static_cast<std::size_t>(size));
        std::free(bytes);
        if (text == "." || text == "..")
            return 0;
        listing.Entries->push_back({ std::move(text), kind == NTFS_DT_DIR, false });
        return 0;
    }

} // namespace

int NtfsSource::Open(
    const std::string& path, bool countOnly, std::shared_ptr<backup::SourceItem>& item)
{
    std::lock_guard lock(m_volume->Lock());
    ntfs_inode* inode = OpenPath(m_volume->Volume(), path);
    if (inode == nullptr)
        return errno;
    const std::uint64_t record = inode->mft_no;
    ntfs_inode_close(inode);
    item = std::make_shared<NtfsItem>(m_volume, record, countOnly);
    return 0;
}

int NtfsSource::ReadFolder(const std::string& path, std::vector<platform::DirectoryEntry>& entries)
{
    std::lock_guard lock(m_volume->Lock());
    ntfs_inode* inode = OpenPath(m_volume->Volume(), path);
    if (inode == nullptr)
        return errno;
    int error = 0;
    if ((inode->mrec->flags & MFT_RECORD_IS_DIRECTORY) == 0) {
        error = ENOTDIR;
    } else {
        Listing listing { &entries, m_volume->MaxNamesPerFolder() };
        s64 position = 0;
        errno = 0;
        const int result = ntfs_readdir(inode, &position, &listing, Fill);
        if (listing.Damaged)
            error = EUCLEAN;
        else if (result != 0)
            error = errno != 0 ? errno : EIO;
    }
    ntfs_inode_close(inode);
    return error;
}

int NtfsSource::Stat(const std::string& path, backup::SourceFacts& facts)
{
    std::lock_guard lock(m_volume->Lock());
    ntfs_inode* inode = OpenPath(m_volume->Volume(), path);
    if (inode == nullptr)
        return errno;
    facts.IsFolder = (inode->mrec->flags & MFT_RECORD_IS_DIRECTORY) != 0;
    facts.Attributes = le32_to_cpu(inode->flags);
    facts.Modified = ntfs2timespec(inode->last_data_change_time).tv_sec;
    facts.Size = 0;
    if (!facts.IsFolder) {
        // The size the index keeps may be stale; the data attribute's own is not.
        if (ntfs_attr* data = ntfs_attr_open(inode, AT_DATA, AT_UNNAMED, 0)) {
            facts.Size = static_cast<backup::Offset>(std::max<s64>(0, data->data_size));
            ntfs_attr_close(data);
        }
    }
    ntfs_inode_close(inode);
    return 0;
}

std::shared_ptr<NtfsSource> OpenImageVolume(
    const std::string& imagePath, int partition, std::string& error)
{
    std::shared_ptr<DiskImage> image = DiskImage::Open(imagePath, error);
    if (!image)
        return nullptr;
    const auto& volumes = image->NtfsVolumes();
    if (partition < 1 || static_cast<std::size_t>(partition) > volumes.size()) {
        error = "no NTFS partition " + std::to_string(partition) + " in the image (it holds "
            + std::to_string(volumes.size()) + ")";
        return nullptr;
    }
    const VolumeExtent extent = volumes[static_cast<std::size_t>(partition) - 1];
    std::shared_ptr<NtfsVolume> volume = NtfsVolume::Open(std::move(image), extent, error);
    if (!volume)
        return nullptr;
    return std::make_shared<NtfsSource>(std::move(volume));
}

} // namespace sondrel::image
