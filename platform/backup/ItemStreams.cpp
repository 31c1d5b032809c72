#include "ItemStreams.h"

#include "BackupApi.h"
#include "BackupSource.h"
#include "CodePage.h"
#include "EaList.h"
#include "PosixAcl.h"
#include "SafeOpen.h"
#include "SecurityDescriptor.h"
#include "SparseRanges.h"
#include "StreamNames.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/statfs.h>
#include <unistd.h>

namespace sondrel::backup {

using namespace win32;

namespace {

    using ItemRef = std::shared_ptr<const BackupItem>;

    // What ntfs-3g's size query answers for every named stream at least this large.
    constexpr std::int64_t kNtfs3gXattrLimit = 65536;

    // proc, sysfs, debugfs, tracefs, securityfs, configfs, cgroup, cgroup2.
    bool IsPseudoFileSystem(int fd)
    {
        static constexpr long kMagics[] = { 0x9fa0, 0x62656572, 0x64626720, 0x74726163, 0x73636673,
            0x62656570, 0x27e0eb, 0x63677270 };
        struct statfs fs
        {
        };
        if (::fstatfs(fd, &fs) != 0)
            return false;
        return std::find(std::begin(kMagics), std::end(kMagics), static_cast<long>(fs.f_type))
            != std::end(kMagics);
    }

    ContentRead Failure(std::size_t bytes, int error)
    {
        return { bytes, Win32ErrorFromErrno(error) };
    }

    // A range of the file, optionally preceded by a few bytes (the sparse block's offset).
    class FileContent final : public StreamContent
    {
    public:
        FileContent(ItemRef item, Offset fileOffset, std::vector<BYTE> prefix = {})
            : m_item(std::move(item))
            , m_fileOffset(fileOffset)
            , m_prefix(std::move(prefix))
        {
        }

        ContentRead Read(Offset offset, BYTE* out, std::size_t count) override
        {
            std::size_t done = 0;
            if (offset < m_prefix.size()) {
                done = std::min<std::size_t>(count, m_prefix.size() - offset);
                std::memcpy(out, m_prefix.data() + offset, done);
            }
            while (done < count) {
                const Offset at = m_fileOffset + offset + done - m_prefix.size();
                const ssize_t got
                    = ::pread(m_item->Fd, out + done, count - done, static_cast<off_t>(at));
                if (got < 0) {
                    if (errno == EINTR)
                        continue;
                    return Failure(done, errno);
                }
                if (got == 0) {
                    // Pseudo files state a size (often a page) larger than what they hold.
                    if (IsPseudoFileSystem(m_item->Fd))
                        return { done, 0, true };
                    return { done, ERROR_SONDREL_CONTENT_CHANGED };
                }
                done += static_cast<std::size_t>(got);
            }
            return { done, 0 };
        }

        ContentRead CopyTo(Offset offset, int fd, std::size_t count) override
        {
            // The sparse block's offset bytes, and pseudo files, go through a buffer.
            if (offset < m_prefix.size() || IsPseudoFileSystem(m_item->Fd))
                return StreamContent::CopyTo(offset, fd, count);
            std::size_t done = 0;
            while (done < count) {
                auto at = static_cast<off_t>(m_fileOffset + offset + done - m_prefix.size());
                const ssize_t got
                    = ::copy_file_range(m_item->Fd, &at, fd, nullptr, count - done, 0);
                if (got < 0 && errno == EINTR)
                    continue;
                if (got < 0 && done == 0
                    && (errno == EXDEV || errno == EINVAL || errno == ENOSYS
                        || errno == EOPNOTSUPP))
                    return StreamContent::CopyTo(offset, fd, count);
                if (got < 0)
                    return Failure(done, errno);
                if (got == 0)
                    return { done, ERROR_SONDREL_CONTENT_CHANGED };
                done += static_cast<std::size_t>(got);
            }
            return { done, 0 };
        }

    private:
        ItemRef m_item;
        Offset m_fileOffset;
        std::vector<BYTE> m_prefix;
    };

    // A content made in one piece when it is first read.
    class LazyContent : public StreamContent
    {
    public:
        ContentRead Read(Offset offset, BYTE* out, std::size_t count) final
        {
            if (!m_loaded) {
                m_error = Load(m_bytes);
                m_loaded = true;
            }
            if (m_error != 0)
                return { 0, m_error };
            return MemoryContent(m_bytes).Read(offset, out, count);
        }

    protected:
        virtual DWORD Load(std::vector<BYTE>& bytes) = 0;

    private:
        bool m_loaded = false;
        DWORD m_error = 0;
        std::vector<BYTE> m_bytes;
    };

    class XattrContent final : public LazyContent
    {
    public:
        enum class Form { AsIs, EaList, SambaStream };

        XattrContent(ItemRef item, std::string name, Form form)
            : m_item(std::move(item))
            , m_name(std::move(name))
            , m_form(form)
        {
        }

    private:
        DWORD Load(std::vector<BYTE>& bytes) override
        {
            if (const int error = ReadXattr(m_item->Target(), m_name.c_str(), bytes)) {
                if (error == E2BIG && m_item->Driver == NtfsDriver::Ntfs3g)
                    return ERROR_SONDREL_STREAM_TOO_LARGE_FOR_XATTR;
                return Win32ErrorFromErrno(error);
            }
            if (m_form == Form::EaList)
                TerminateEaList(bytes);
            else if (m_form == Form::SambaStream && !bytes.empty())
                bytes.pop_back();
            return 0;
        }

        ItemRef m_item;
        std::string m_name;
        Form m_form;
    };

    // The packed list of the xattrs that stand for Windows' extended attributes.
    class EaPackContent final : public LazyContent
    {
    public:
        EaPackContent(ItemRef item, std::vector<std::string> names)
            : m_item(std::move(item))
            , m_names(std::move(names))
        {
        }

    private:
        DWORD Load(std::vector<BYTE>& bytes) override
        {
            std::vector<EaEntry> entries;
            for (const std::string& name : m_names) {
                EaEntry entry { name, {} };
                if (const int error = ReadXattr(m_item->Target(), name.c_str(), entry.Value))
                    return Win32ErrorFromErrno(error);
                entries.push_back(std::move(entry));
            }
            bytes = PackEaList(entries);
            return 0;
        }

        ItemRef m_item;
        std::vector<std::string> m_names;
    };

    void AddXattrStream(BackupStreams& streams, const ItemRef& item, DWORD id, DWORD attributes,
        const std::string& name, std::int64_t size, XattrContent::Form form,
        std::u16string streamName = {})
    {
        BackupStream s;
        s.Id = id;
        s.Attributes = attributes;
        s.Size = static_cast<Offset>(size);
        s.Name = std::move(streamName);
        s.Content = std::make_unique<XattrContent>(item, name, form);
        streams.push_back(std::move(s));
    }

    // A stream of a count: its kind and name, its size only where that costs nothing more.
    void AddCounted(BackupStreams& streams, DWORD id, DWORD attributes, Offset size = 0,
        std::u16string name = {})
    {
        BackupStream s;
        s.Id = id;
        s.Attributes = attributes;
        s.Size = size;
        s.Name = std::move(name);
        streams.push_back(std::move(s));
    }

    void AddSecurity(BackupStreams& streams, const ItemRef& item, const XattrTarget& target,
        const std::vector<std::string>& listed, bool listFailed)
    {
        // Every item has exactly one, stored or built: a count need not read or build it.
        if (item->CountOnly) {
            AddCounted(streams, BACKUP_SECURITY_DATA, STREAM_CONTAINS_SECURITY);
            return;
        }
        if (item->Driver != NtfsDriver::None) {
            const char* name = item->Driver == NtfsDriver::Ntfs3g ? kNtfsAcl : kNtfs3Security;
            if (const std::int64_t size = XattrSize(target, name); size > 0) {
                AddXattrStream(streams, item, BACKUP_SECURITY_DATA, STREAM_CONTAINS_SECURITY, name,
                    size, XattrContent::Form::AsIs);
                return;
            }
        }
        PosixSecurity security { item->Uid, item->Gid, item->Mode,
            item->Type == BackupItem::Kind::Folder, {} };
        // Reading the ACL costs a call only where the kernel says there is one (or could not).
        if (listFailed || std::find(listed.begin(), listed.end(), kPosixAclAccess) != listed.end())
            (void)ReadAccessAcl(target, security.Acl);
        std::vector<BYTE> descriptor = BuildSecurityDescriptor(security);
        BackupStream s;
        s.Id = BACKUP_SECURITY_DATA;
        s.Attributes = STREAM_CONTAINS_SECURITY;
        s.Size = descriptor.size();
        s.Content = std::make_unique<MemoryContent>(std::move(descriptor));
        streams.push_back(std::move(s));
    }

    void AddData(BackupStreams& streams, const ItemRef& item)
    {
        if (item->Type != BackupItem::Kind::File || item->Size == 0)
            return;
        std::vector<ByteRange> ranges;
        // A file whose blocks cover its size has no holes: no need to ask.
        if (item->AllocatedBytes < item->Size) {
            // A count examines without opening; only the holes need a descriptor to be found.
            sondrel::platform::OpenedItem opened;
            int fd = item->Fd;
            if (fd < 0 && sondrel::platform::OpenForReading(item->Path, true, opened) == 0)
                fd = opened.Fd();
            ranges = fd >= 0 ? AllocatedRanges(fd, item->Size)
                             : std::vector<ByteRange> { ByteRange { 0, item->Size } };
        }
        if (item->CountOnly) {
            AddCounted(streams, BACKUP_DATA, ranges.size() <= 1 ? 0 : STREAM_SPARSE_ATTRIBUTE,
                ranges.size() <= 1 ? item->Size : 0);
            if (ranges.size() > 1) {
                for (const ByteRange& range : ranges)
                    AddCounted(streams, BACKUP_SPARSE_BLOCK, 0, 8 + range.Length);
                AddCounted(streams, BACKUP_SPARSE_BLOCK, 0, 8);
            }
            return;
        }
        if (ranges.size() <= 1) {
            BackupStream s;
            s.Id = BACKUP_DATA;
            s.Size = item->Size;
            s.Content = std::make_unique<FileContent>(item, 0);
            streams.push_back(std::move(s));
            return;
        }
        BackupStream data;
        data.Id = BACKUP_DATA;
        data.Attributes = STREAM_SPARSE_ATTRIBUTE;
        streams.push_back(std::move(data));
        auto offsetBytes = [](Offset offset) {
            std::vector<BYTE> bytes(8);
            for (int i = 0; i < 8; ++i)
                bytes[i] = static_cast<BYTE>(offset >> (8 * i));
            return bytes;
        };
        for (const ByteRange& range : ranges) {
            BackupStream block;
            block.Id = BACKUP_SPARSE_BLOCK;
            block.Size = 8 + range.Length;
            block.Content
                = std::make_unique<FileContent>(item, range.Start, offsetBytes(range.Start));
            streams.push_back(std::move(block));
        }
        BackupStream end;
        end.Id = BACKUP_SPARSE_BLOCK;
        end.Size = 8;
        end.Content = std::make_unique<MemoryContent>(offsetBytes(item->Size));
        streams.push_back(std::move(end));
    }

    void AddEa(BackupStreams& streams, const ItemRef& item, const XattrTarget& target,
        const std::vector<std::string>& listed)
    {
        if (item->Driver == NtfsDriver::Ntfs3g) {
            if (const std::int64_t size = XattrSize(target, kNtfsEa); size > 0)
                AddXattrStream(
                    streams, item, BACKUP_EA_DATA, 0, kNtfsEa, size, XattrContent::Form::EaList);
            return;
        }
        std::vector<std::string> names;
        std::size_t packed = 0;
        for (const std::string& name : listed) {
            if (!name.starts_with("trusted.") && !name.starts_with("security."))
                continue;
            const std::int64_t size = XattrSize(target, name.c_str());
            if (size < 0 || !FitsEaEntry(name.size(), static_cast<std::size_t>(size)))
                continue;
            packed += EaEntrySize(name.size(), static_cast<std::size_t>(size));
            names.push_back(name);
        }
        if (names.empty())
            return;
        BackupStream s;
        s.Id = BACKUP_EA_DATA;
        s.Size = packed;
        s.Content = std::make_unique<EaPackContent>(item, std::move(names));
        streams.push_back(std::move(s));
    }

    void AddNamedStreams(BackupStreams& streams, const ItemRef& item, const XattrTarget& target,
        const std::vector<std::string>& listed)
    {
        for (const std::string& name : listed) {
            std::optional<std::u16string> streamName = StreamNameFromXattr(name);
            if (!streamName)
                continue;
            if (item->CountOnly) {
                AddCounted(streams, BACKUP_ALTERNATE_DATA, 0, 0, std::move(*streamName));
                continue;
            }
            std::int64_t size = XattrSize(target, name.c_str());
            if (size == -ENODATA)
                continue; // removed since the listing
            if (size < 0) {
                // Still a stream the item has, though its size cannot be learnt: listed empty.
                size = 0;
            }
            // ntfs-3g says 65536 for any larger stream and then refuses it: the volume beneath
            // the mount holds it whole, when the user may read that.
            if (size == kNtfs3gXattrLimit && item->Driver == NtfsDriver::Ntfs3g) {
                // The volume knows the stream by its bare name, without ":" and ":$DATA".
                const std::u16string& shown = *streamName;
                const std::u16string bare = shown.size() > 7 && shown.ends_with(u":$DATA")
                    ? shown.substr(1, shown.size() - 7)
                    : shown;
                if (auto whole = ReadFromNtfsVolume(item->Path, item->Device, bare)) {
                    BackupStream s;
                    s.Id = BACKUP_ALTERNATE_DATA;
                    s.Size = whole->Size;
                    s.Name = std::move(*streamName);
                    s.Content = std::move(whole->Content);
                    streams.push_back(std::move(s));
                    continue;
                }
            }
            const bool samba = IsSambaStreamXattr(name);
            if (samba && size > 0)
                --size;
            AddXattrStream(streams, item, BACKUP_ALTERNATE_DATA, 0, name, size,
                samba ? XattrContent::Form::SambaStream : XattrContent::Form::AsIs,
                std::move(*streamName));
        }
    }

    void AddNtfsMetadata(BackupStreams& streams, const ItemRef& item, const XattrTarget& target)
    {
        if (item->Driver != NtfsDriver::Ntfs3g)
            return;
        // The attribute bits are four bytes: read at once, their size asked only if they are not.
        BYTE bits4[4] {};
        std::vector<BYTE> attrib;
        const std::int64_t quick = ReadSmallXattr(target, kNtfsAttrib, bits4, sizeof bits4);
        if (quick == sizeof bits4)
            attrib.assign(bits4, bits4 + sizeof bits4);
        else if (quick == -ERANGE || quick == -EIO)
            (void)ReadXattr(target, kNtfsAttrib, attrib);
        if (attrib.size() >= 4) {
            const std::uint32_t bits = attrib[0] | attrib[1] << 8 | attrib[2] << 16
                | static_cast<std::uint32_t>(attrib[3]) << 24;
            if (bits & kFileAttributeReparsePoint) {
                if (const std::int64_t size = XattrSize(target, kNtfsReparseData); size > 0)
                    AddXattrStream(streams, item, BACKUP_REPARSE_DATA, 0, kNtfsReparseData, size,
                        XattrContent::Form::AsIs);
            }
        }
        if (const std::int64_t size = XattrSize(target, kNtfsObjectId); size > 0)
            AddXattrStream(
                streams, item, BACKUP_OBJECT_ID, 0, kNtfsObjectId, size, XattrContent::Form::AsIs);
    }

} // namespace

CollectedStreams CollectStreams(const ItemRef& item, bool processSecurity)
{
    // One copy of the path for all the calls on this item.
    const XattrTarget target = item->Target();
    std::vector<std::string> listedHere;
    const int listError = item->Listed ? item->ListError : ListXattrs(target, listedHere);
    const std::vector<std::string>& listed = item->Listed ? item->Names : listedHere;
    CollectedStreams collected;
    BackupStreams& streams = collected.Streams;
    // Security, data, EA, the listed names, reparse data and object id: one allocation.
    streams.reserve(5 + listed.size());
    if (processSecurity)
        AddSecurity(streams, item, target, listed, listError != 0);
    AddData(streams, item);
    if (listError != 0) {
        // What the names would have told is unknown: the walk ends here with the reason rather
        // than showing fewer streams than the item has.
        if (item->Driver == NtfsDriver::Ntfs3g)
            AddEa(streams, item, target, listed);
        collected.Failure = listError == E2BIG ? ERROR_SONDREL_XATTR_LIST_TOO_LONG
                                               : Win32ErrorFromErrno(listError);
        return collected;
    }
    AddEa(streams, item, target, listed);
    AddNamedStreams(streams, item, target, listed);
    AddNtfsMetadata(streams, item, target);
    return collected;
}

} // namespace sondrel::backup
