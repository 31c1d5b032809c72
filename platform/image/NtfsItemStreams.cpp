#include "NtfsItemStreams.h"

#include "BackupApi.h"
#include "EaList.h"
#include "NtfsLibrary.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace sondrel::image {

using namespace win32;
using backup::BackupStream;
using backup::BackupStreams;
using backup::ContentRead;

namespace {

    constexpr std::size_t kObjectIdSize = 64;

    struct ByteRange
    {
        Offset Start = 0;
        Offset Length = 0;
    };

    // The bytes of one $DATA attribute, optionally preceded by a few bytes of our own (a sparse
    // block's offset). The attribute stays open from the first read until the content goes.
    class AttributeContent final : public backup::StreamContent
    {
    public:
        AttributeContent(std::shared_ptr<NtfsVolume> volume, std::uint64_t record,
            std::u16string name, Offset start = 0, std::vector<BYTE> prefix = {})
            : m_volume(std::move(volume))
            , m_record(record)
            , m_name(std::move(name))
            , m_start(start)
            , m_prefix(std::move(prefix))
        {
        }

        ~AttributeContent() override
        {
            std::lock_guard lock(m_volume->Lock());
            if (m_attribute != nullptr)
                ntfs_attr_close(m_attribute);
            if (m_inode != nullptr)
                ntfs_inode_close(m_inode);
        }

        AttributeContent(const AttributeContent&) = delete;
        AttributeContent& operator=(const AttributeContent&) = delete;

        ContentRead Read(Offset offset, BYTE* out, std::size_t count) override
        {
            std::size_t done = 0;
            if (offset < m_prefix.size()) {
                done = std::min<std::size_t>(count, m_prefix.size() - offset);
                std::memcpy(out, m_prefix.data() + offset, done);
            }
            if (done == count)
                return { done, 0 };
            std::lock_guard lock(m_volume->Lock());
            if (m_attribute == nullptr && !OpenAttribute())
                return { done, Win32ErrorFromErrno(errno) };
            while (done < count) {
                const Offset at = m_start + offset + done - m_prefix.size();
                const s64 got = ntfs_attr_pread(
                    m_attribute, static_cast<s64>(at), static_cast<s64>(count - done), out + done);
                if (got < 0)
                    return { done, Win32ErrorFromErrno(errno) };
                // The record promised more than the volume holds: a damaged volume.
                if (got == 0)
                    return { done, Win32ErrorFromErrno(EIO) };
                done += static_cast<std::size_t>(got);
            }
            return { done, 0 };
        }

    private:
        bool OpenAttribute()
        {
            m_inode = ntfs_inode_open(m_volume->Volume(), m_record);
            if (m_inode == nullptr)
                return false;
            std::vector<ntfschar> name(m_name.begin(), m_name.end());
            m_attribute = ntfs_attr_open(m_inode, AT_DATA, name.empty() ? AT_UNNAMED : name.data(),
                static_cast<u32>(name.size()));
            return m_attribute != nullptr;
        }

        std::shared_ptr<NtfsVolume> m_volume;
        std::uint64_t m_record;
        std::u16string m_name;
        Offset m_start;
        std::vector<BYTE> m_prefix;
        ntfs_inode* m_inode = nullptr;
        ntfs_attr* m_attribute = nullptr;
    };

    struct DataAttribute
    {
        std::u16string Name;
        Offset Size = 0;
        bool Sparse = false;
    };

    // Every $DATA attribute of the item, by its first extent.
    int ListDataAttributes(ntfs_inode* inode, std::vector<DataAttribute>& found)
    {
        ntfs_attr_search_ctx* search = ntfs_attr_get_search_ctx(inode, nullptr);
        if (search == nullptr)
            return errno;
        while (ntfs_attr_lookup(AT_DATA, nullptr, 0, CASE_SENSITIVE, 0, nullptr, 0, search) == 0) {
            const ATTR_RECORD* record = search->attr;
            if (record->non_resident && sle64_to_cpu(record->lowest_vcn) != 0)
                continue;
            DataAttribute attribute;
            const unsigned length = record->name_length;
            const unsigned nameOffset = le16_to_cpu(record->name_offset);
            const unsigned recordLength = le32_to_cpu(record->length);
            if (length > 0) {
                if (nameOffset + length * 2U > recordLength) {
                    ntfs_attr_put_search_ctx(search);
                    return EUCLEAN;
                }
                // The name may sit at an odd offset in the record: copied, never read in place.
                attribute.Name.resize(length);
                std::memcpy(attribute.Name.data(),
                    reinterpret_cast<const std::uint8_t*>(record) + nameOffset, length * 2U);
            }
            if (record->non_resident) {
                attribute.Size
                    = static_cast<Offset>(std::max<s64>(0, sle64_to_cpu(record->data_size)));
                attribute.Sparse = (record->flags & ATTR_IS_SPARSE) != 0
                    && (record->flags & ATTR_IS_COMPRESSED) == 0;
            } else {
                attribute.Size = le32_to_cpu(record->value_length);
            }
            found.push_back(std::move(attribute));
        }
        const int error = errno == ENOENT ? 0 : errno;
        ntfs_attr_put_search_ctx(search);
        return error;
    }

    // The allocated ranges of a sparse attribute, from its run list, within its size.
    std::vector<ByteRange> AllocatedRanges(ntfs_inode* inode, const DataAttribute& data)
    {
        std::vector<ByteRange> ranges;
        ntfs_attr* attribute = ntfs_attr_open(inode, AT_DATA, AT_UNNAMED, 0);
        if (attribute == nullptr)
            return { { 0, data.Size } };
        if (ntfs_attr_map_whole_runlist(attribute) != 0 || attribute->rl == nullptr) {
            ntfs_attr_close(attribute);
            return { { 0, data.Size } };
        }
        const Offset cluster = inode->vol->cluster_size;
        for (const runlist_element* run = attribute->rl; run->length > 0; ++run) {
            if (run->lcn < 0 || run->vcn < 0)
                continue;
            const Offset start = static_cast<Offset>(run->vcn) * cluster;
            if (start >= data.Size)
                break;
            const Offset end = std::min<Offset>(
                data.Size, static_cast<Offset>(run->vcn + run->length) * cluster);
            if (!ranges.empty() && ranges.back().Start + ranges.back().Length == start)
                ranges.back().Length += end - start;
            else
                ranges.push_back({ start, end - start });
        }
        ntfs_attr_close(attribute);
        return ranges;
    }

    void Add(BackupStreams& streams, DWORD id, DWORD attributes, Offset size,
        std::unique_ptr<backup::StreamContent> content = nullptr, std::u16string name = {})
    {
        BackupStream stream;
        stream.Id = id;
        stream.Attributes = attributes;
        stream.Size = size;
        stream.Name = std::move(name);
        stream.Content = std::move(content);
        streams.push_back(std::move(stream));
    }

    std::vector<BYTE> OffsetBytes(Offset offset)
    {
        std::vector<BYTE> bytes(8);
        for (int i = 0; i < 8; ++i)
            bytes[i] = static_cast<BYTE>(offset >> (8 * i));
        return bytes;
    }

    // One of the metadata values the library hands out as ntfs-3g's system.ntfs_* bytes: the
    // size first, then the bytes. 0 when the item has none; an errno when it cannot be read.
    template <typename Getter>
    int AddValue(BackupStreams& streams, DWORD id, DWORD attributes, bool countOnly, Getter get)
    {
        const int size = get(nullptr, 0);
        if (size == 0 || size == -ENODATA)
            return 0;
        if (size < 0)
            return -size;
        // An object id stored without its birth ids still travels as the whole 64-byte buffer,
        // as the mount hands it out.
        const std::size_t shown = id == BACKUP_OBJECT_ID
            ? std::max<std::size_t>(static_cast<std::size_t>(size), kObjectIdSize)
            : static_cast<std::size_t>(size);
        if (countOnly) {
            Add(streams, id, attributes, shown);
            return 0;
        }
        std::vector<BYTE> bytes(static_cast<std::size_t>(size));
        const int got = get(reinterpret_cast<char*>(bytes.data()), bytes.size());
        if (got < 0)
            return -got;
        bytes.resize(std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(got)));
        if (id == BACKUP_EA_DATA)
            backup::TerminateEaList(bytes);
        if (bytes.size() < shown)
            bytes.resize(shown);
        const Offset length = bytes.size();
        Add(streams, id, attributes, length,
            std::make_unique<backup::MemoryContent>(std::move(bytes)));
        return 0;
    }

    int CollectFrom(const std::shared_ptr<NtfsVolume>& volume, ntfs_inode* inode,
        std::uint64_t record, bool countOnly, bool processSecurity, BackupStreams& streams)
    {
        if (processSecurity) {
            struct SECURITY_CONTEXT security
            {
            };
            security.vol = volume->Volume();
            if (countOnly) // the descriptor's size would cost a look-up in $Secure
                Add(streams, BACKUP_SECURITY_DATA, STREAM_CONTAINS_SECURITY, 0);
            else if (const int error = AddValue(streams, BACKUP_SECURITY_DATA,
                         STREAM_CONTAINS_SECURITY, false, [&](char* value, std::size_t size) {
                             return ntfs_get_ntfs_acl(&security, inode, value, size);
                         }))
                return error;
        }
        std::vector<DataAttribute> data;
        if (const int error = ListDataAttributes(inode, data))
            return error;
        const bool folder = (inode->mrec->flags & MFT_RECORD_IS_DIRECTORY) != 0;
        for (const DataAttribute& attribute : data) {
            if (!attribute.Name.empty() || folder || attribute.Size == 0)
                continue;
            const std::vector<ByteRange> ranges = attribute.Sparse
                ? AllocatedRanges(inode, attribute)
                : std::vector<ByteRange> { { 0, attribute.Size } };
            if (ranges.size() <= 1) {
                Add(streams, BACKUP_DATA, 0, attribute.Size,
                    countOnly ? nullptr : std::make_unique<AttributeContent>(volume, record, u""));
                continue;
            }
            Add(streams, BACKUP_DATA, STREAM_SPARSE_ATTRIBUTE, 0);
            for (const ByteRange& range : ranges)
                Add(streams, BACKUP_SPARSE_BLOCK, 0, 8 + range.Length,
                    countOnly ? nullptr
                              : std::make_unique<AttributeContent>(
                                  volume, record, u"", range.Start, OffsetBytes(range.Start)));
            Add(streams, BACKUP_SPARSE_BLOCK, 0, 8,
                countOnly ? nullptr
                          : std::make_unique<backup::MemoryContent>(OffsetBytes(attribute.Size)));
        }
        if (const int error
            = AddValue(streams, BACKUP_EA_DATA, 0, countOnly, [&](char* value, std::size_t size) {
                  return ntfs_get_ntfs_ea(inode, value, size);
              }))
            return error;
        for (const DataAttribute& attribute : data) {
            if (attribute.Name.empty())
                continue;
            Add(streams, BACKUP_ALTERNATE_DATA, 0, attribute.Size,
                countOnly || attribute.Size == 0
                    ? nullptr
                    : std::make_unique<AttributeContent>(volume, record, attribute.Name),
                u":" + attribute.Name + u":$DATA");
        }
        if (const int error = AddValue(
                streams, BACKUP_REPARSE_DATA, 0, countOnly, [&](char* value, std::size_t size) {
                    return ntfs_get_ntfs_reparse_data(inode, value, size);
                }))
            return error;
        return AddValue(
            streams, BACKUP_OBJECT_ID, 0, countOnly, [&](char* value, std::size_t size) {
                return ntfs_get_ntfs_object_id(inode, value, size);
            });
    }

} // namespace

backup::CollectedStreams CollectNtfsStreams(const std::shared_ptr<NtfsVolume>& volume,
    std::uint64_t record, bool countOnly, bool processSecurity)
{
    backup::CollectedStreams collected;
    std::lock_guard lock(volume->Lock());
    ntfs_inode* inode = ntfs_inode_open(volume->Volume(), record);
    if (inode == nullptr) {
        collected.Failure = Win32ErrorFromErrno(errno);
        return collected;
    }
    if (const int error
        = CollectFrom(volume, inode, record, countOnly, processSecurity, collected.Streams))
        collected.Failure = Win32ErrorFromErrno(error);
    ntfs_inode_close(inode);
    return collected;
}

std::optional<backup::WholeStream> NamedNtfsStream(
    const std::shared_ptr<NtfsVolume>& volume, const std::string& path, const std::u16string& name)
{
    std::lock_guard lock(volume->Lock());
    ntfs_inode* inode = ntfs_pathname_to_inode(volume->Volume(), nullptr, path.c_str());
    if (inode == nullptr)
        return std::nullopt;
    std::vector<ntfschar> wanted(name.begin(), name.end());
    ntfs_attr* attribute
        = ntfs_attr_open(inode, AT_DATA, wanted.data(), static_cast<u32>(wanted.size()));
    std::optional<backup::WholeStream> found;
    if (attribute != nullptr) {
        found = backup::WholeStream { static_cast<Offset>(std::max<s64>(0, attribute->data_size)),
            std::make_unique<AttributeContent>(volume, inode->mft_no, name) };
        ntfs_attr_close(attribute);
    }
    ntfs_inode_close(inode);
    return found;
}

} // namespace sondrel::image
