#include "FileInfo.h"

#include "FileTypes.h"
#include "MountTable.h"
#include "ShellEnvironment.h"
#include "ShellItems.h"
#include "SystemImageList.h"
#include "Trash.h"

#include <cstring>

#include <sys/stat.h>

namespace win32 {

using namespace sondrel::platform;
using sondrel::BytePath;
namespace idlist = sondrel::idlist;

namespace {

    // What the query needs to know of the item it is asked about.
    struct Subject
    {
        Location At;
        Location Parent;
        std::optional<idlist::Item> Item; // none for the desktop and for plain paths
        std::string Name;
        bool Folder = false;
        bool Link = false;
        bool Exists = true;
    };

    void LookAt(Subject& subject)
    {
        if (subject.At.Where != Place::Entry)
            return;
        struct stat st
        {
        };
        if (StatPath(subject.At.Path, st) != 0) {
            subject.Exists = false;
            subject.Folder = (subject.At.Flags & idlist::kFlagFolder) != 0;
            return;
        }
        subject.At.Flags = EntryFlags(subject.At.Path, st);
        subject.Folder = (subject.At.Flags & idlist::kFlagFolder) != 0;
        subject.Link = (subject.At.Flags & idlist::kFlagLink) != 0;
    }

    bool FromIdList(PCIDLIST pidl, Subject& subject)
    {
        const auto items = DecodeItems(pidl);
        if (!items || !idlist::IsAbsoluteShape(*items))
            return false;
        Location at = DesktopLocation();
        if (items->empty()) {
            subject.At = at;
            subject.Name = "Desktop";
            subject.Folder = true;
            return true;
        }
        for (std::size_t i = 0; i + 1 < items->size(); ++i) {
            auto next = Descend(at, (*items)[i]);
            if (!next)
                return false;
            at = std::move(*next);
        }
        auto item = Descend(at, items->back());
        if (!item)
            return false;
        subject.Parent = at;
        subject.At = std::move(*item);
        subject.Item = items->back();
        subject.Name = ItemName(at, items->back(), SHGDN_INFOLDER);
        subject.Folder = subject.At.Where != Place::Entry;
        LookAt(subject);
        return true;
    }

    bool FromPath(std::string_view path, DWORD attributes, bool useAttributes, Subject& subject)
    {
        const std::size_t slash = path.find_last_of('/');
        subject.Name = std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
        subject.At.Where = Place::Entry;
        if (useAttributes) {
            subject.Folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            subject.At.Flags = subject.Folder ? idlist::kFlagFolder : 0;
            return true;
        }
        const BytePath normal = NormalizePath(path);
        if (normal.empty())
            return false;
        const auto drives = CurrentDrives();
        if (const Drive* drive = FindDrive(*drives, normal)) {
            subject.At.Where = Place::Drive;
            subject.At.Path = normal;
            subject.At.DriveType = drive->Type;
            subject.Name = normal;
            subject.Folder = true;
            return true;
        }
        subject.Name = normal.substr(normal.find_last_of('/') + 1);
        subject.At.Path = normal;
        LookAt(subject);
        return subject.Exists;
    }

    int IconIndex(const Subject& subject, UINT flags)
    {
        const bool open = (flags & SHGFI_OPENICON) != 0;
        switch (subject.At.Where) {
        case Place::Desktop:
            return SystemImageList::IndexOf(
                { QStringLiteral("user-desktop"), QStringLiteral("folder") },
                StandardImage::Folder);
        case Place::Home:
            return SystemImageList::IndexOf(
                { QStringLiteral("user-home"), QStringLiteral("folder") }, StandardImage::Home);
        case Place::Computer:
            return SystemImageList::IndexOf(
                { QStringLiteral("computer") }, StandardImage::Computer);
        case Place::Trash: {
            const bool full = AnyTrashHolds();
            return SystemImageList::IndexOf(
                { full ? QStringLiteral("user-trash-full") : QStringLiteral("user-trash"),
                    QStringLiteral("user-trash") },
                StandardImage::Trash);
        }
        case Place::Drive:
            switch (subject.At.DriveType) {
            case DRIVE_REMOVABLE:
                return SystemImageList::IndexOf(
                    { QStringLiteral("drive-removable-media"), QStringLiteral("drive-harddisk") },
                    StandardImage::RemovableDisk);
            case DRIVE_REMOTE:
                return SystemImageList::IndexOf(
                    { QStringLiteral("folder-remote"), QStringLiteral("network-server") },
                    StandardImage::NetworkDrive);
            case DRIVE_CDROM:
                return SystemImageList::IndexOf(
                    { QStringLiteral("media-optical"), QStringLiteral("drive-optical") },
                    StandardImage::OpticalDisk);
            default:
                return SystemImageList::IndexOf(
                    { QStringLiteral("drive-harddisk") }, StandardImage::HardDisk);
            }
        case Place::Entry:
            break;
        }
        if (subject.Folder) {
            return open
                ? SystemImageList::IndexOf(
                    { QStringLiteral("folder-open"), QStringLiteral("folder") },
                    StandardImage::FolderOpen)
                : SystemImageList::IndexOf({ QStringLiteral("folder") }, StandardImage::Folder);
        }
        return SystemImageList::IndexOf(
            EntryType(subject.Name, false, subject.Link).IconNames, StandardImage::File);
    }

    void CopyText(char* buffer, std::size_t size, std::string_view text)
    {
        std::size_t length = std::min(text.size(), size - 1);
        // A cut never leaves half of a UTF-8 sequence.
        if (length < text.size()) {
            while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
                --length;
        }
        std::memcpy(buffer, text.data(), length);
        buffer[length] = '\0';
    }

} // namespace

DWORD_PTR SHGetFileInfoA(
    LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT infoSize, UINT flags)
{
    if (info != nullptr && infoSize < sizeof(SHFILEINFOA))
        return 0;
    Subject subject;
    const bool byPidl = (flags & SHGFI_PIDL) != 0;
    if (byPidl) {
        if (!FromIdList(reinterpret_cast<PCIDLIST>(path), subject))
            return 0;
    } else {
        if (path == nullptr
            || !FromPath(path, attributes, (flags & SHGFI_USEFILEATTRIBUTES) != 0, subject))
            return 0;
    }
    const bool wantsIcon = (flags & SHGFI_SYSICONINDEX) != 0;
    if (info != nullptr) {
        if (wantsIcon)
            info->iIcon = IconIndex(subject, flags);
        if (flags & SHGFI_DISPLAYNAME)
            CopyText(info->szDisplayName, sizeof info->szDisplayName, subject.Name);
        if (flags & SHGFI_TYPENAME)
            CopyText(info->szTypeName, sizeof info->szTypeName, TypeText(subject.At, subject.Name));
        if (flags & SHGFI_ATTRIBUTES) {
            SFGAOF found = 0;
            if (subject.Item) {
                (void)ItemAttributes(subject.Parent, *subject.Item, ~SFGAOF { 0 } & ~SFGAO_VALIDATE,
                    PermissionsOf(subject.Parent.Path), found);
            } else if (subject.At.Where == Place::Entry && subject.Exists) {
                const std::size_t slash = subject.At.Path.find_last_of('/');
                Location parent;
                parent.Where = Place::Entry;
                parent.Path = slash == 0 ? BytePath("/") : subject.At.Path.substr(0, slash);
                const idlist::Item item { idlist::Kind::Entry, subject.At.Flags, subject.Name, {} };
                (void)ItemAttributes(parent, item, ~SFGAOF { 0 } & ~SFGAO_VALIDATE,
                    PermissionsOf(parent.Path), found);
            } else if (subject.At.Where == Place::Drive) {
                found
                    = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER;
            } else if (subject.At.Where == Place::Desktop) {
                found = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER;
            }
            info->dwAttributes = found;
        }
    }
    if (wantsIcon) {
        SystemImageList& list
            = (flags & SHGFI_SMALLICON) ? SystemImageList::Small() : SystemImageList::Large();
        return reinterpret_cast<DWORD_PTR>(&list);
    }
    return 1;
}

} // namespace win32
