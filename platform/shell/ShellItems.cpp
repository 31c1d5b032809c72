#include "ShellItems.h"

#include "BackupSource.h"
#include "CodePage.h"
#include "FolderScope.h"
#include "ImageDrives.h"
#include "MountTable.h"
#include "RecentStat.h"
#include "ShellAllocator.h"
#include "ShellEnvironment.h"
#include "Trash.h"
#include "Win32Error.h"

#include <QCollator>
#include <QFile>
#include <QLocale>
#include <QVarLengthArray>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::platform {

using namespace win32;
using idlist::Item;
using idlist::Kind;

namespace {

    constexpr std::string_view kComputerUri = "computer:///";
    constexpr std::string_view kTrashUri = "trash:///";

    bool EndsWithLnk(std::string_view name)
    {
        if (name.size() < 4)
            return false;
        std::string tail(name.substr(name.size() - 4));
        std::transform(tail.begin(), tail.end(), tail.begin(),
            [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return tail == ".lnk";
    }

    const Drive* DriveAt(std::string_view mountPoint, std::shared_ptr<const DriveList>& keep)
    {
        keep = CurrentDrives();
        return FindDrive(*keep, mountPoint);
    }

} // namespace

HRESULT HResultFromErrno(int error) { return HRESULT_FROM_WIN32(Win32ErrorFromErrno(error)); }

Location DesktopLocation()
{
    const ShellEnvironment& env = CurrentEnvironment();
    Location desktop;
    desktop.Where = Place::Desktop;
    desktop.Path = env.Desktop;
    return desktop;
}

BytePath EntryPath(const Location& parent, const Item& item)
{
    return JoinPath(item.ItemKind == Kind::TrashEntry ? item.Trash : parent.Path, item.Payload);
}

bool CanDescend(const Location& parent, const Item& item)
{
    switch (item.ItemKind) {
    case Kind::Home:
    case Kind::Computer:
    case Kind::Trash:
        return parent.Where == Place::Desktop;
    case Kind::Drive:
        return parent.Where == Place::Computer;
    case Kind::Entry:
        return parent.Where != Place::Computer;
    case Kind::TrashEntry:
        // Only a trash of a file system mounted now; a list kept from before leads nowhere.
        return parent.Where == Place::Trash && OtherTrashTop(item.Trash);
    }
    return false;
}

std::optional<Location> Descend(const Location& parent, const Item& item)
{
    if (!CanDescend(parent, item))
        return std::nullopt;
    Location child;
    child.InTrash = parent.InTrash;
    child.OtherTrash = parent.OtherTrash;
    child.Image = parent.Image;
    child.Flags = item.Flags;
    switch (item.ItemKind) {
    case Kind::Home:
    case Kind::Computer:
    case Kind::Trash: {
        const ShellEnvironment& env = CurrentEnvironment();
        if (item.ItemKind == Kind::Home) {
            child.Where = Place::Home;
            child.Path = env.Home;
        } else if (item.ItemKind == Kind::Computer) {
            child.Where = Place::Computer;
            child.HasPath = false;
        } else {
            child.Where = Place::Trash;
            child.Path = env.TrashFiles;
            child.HasPath = false;
            child.InTrash = true;
        }
        return child;
    }
    case Kind::Drive: {
        child.Where = Place::Drive;
        child.Path = BytePath(item.Payload);
        std::shared_ptr<const DriveList> keep;
        if (const Drive* drive = DriveAt(item.Payload, keep)) {
            child.DriveType = drive->Type;
            child.ReadOnlyDrive = drive->ReadOnly;
            child.Image = drive->Image;
        }
        return child;
    }
    case Kind::Entry:
        child.Where = Place::Entry;
        child.Path = JoinPath(parent.Path, item.Payload);
        return child;
    case Kind::TrashEntry:
        child.Where = Place::Entry;
        child.Path = EntryPath(parent, item);
        child.OtherTrash = true;
        return child;
    }
    return std::nullopt;
}

std::optional<std::vector<Item>> DecodeItems(PCIDLIST list)
{
    std::vector<Item> items;
    if (list == nullptr)
        return items;
    const auto* bytes = reinterpret_cast<const unsigned char*>(list);
    if (!idlist::DecodeList(bytes, idlist::ListSize(list), items))
        return std::nullopt;
    return items;
}

std::optional<Location> ResolveAbsolute(PCIDLIST list)
{
    const auto items = DecodeItems(list);
    if (!items || !idlist::IsAbsoluteShape(*items))
        return std::nullopt;
    std::optional<Location> at = DesktopLocation();
    for (const Item& item : *items) {
        at = Descend(*at, item);
        if (!at)
            return std::nullopt;
    }
    return at;
}

int StatPath(const BytePath& path, struct stat& st, bool follow)
{
    backup::SourceFacts facts;
    if (const auto served = backup::SourceStat(path, facts)) {
        if (*served != 0)
            return *served;
        st = {};
        st.st_mode = facts.IsFolder ? S_IFDIR | 0555 : S_IFREG | 0444;
        st.st_nlink = 1; // no count of sub-folders: HasSubfolder lists the folder
        st.st_size = static_cast<off_t>(facts.Size);
        st.st_mtim.tv_sec = facts.Modified;
        return 0;
    }
    return (follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) == 0 ? 0 : errno;
}

std::uint8_t EntryFlags(const BytePath& path, const struct stat& linkStat)
{
    if (S_ISDIR(linkStat.st_mode))
        return idlist::kFlagFolder;
    if (!S_ISLNK(linkStat.st_mode))
        return 0;
    struct stat target
    {
    };
    const bool folder = ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
    return idlist::kFlagLink | (folder ? idlist::kFlagFolder : 0);
}

namespace {

    // Appends one entry per component of the relative `path` under `base`.
    HRESULT AppendEntries(BytePath base, std::string_view path, std::string& items)
    {
        std::size_t at = 0;
        while (at < path.size()) {
            const std::size_t end = std::min(path.find('/', at), path.size());
            const std::string_view name = path.substr(at, end - at);
            at = end + 1;
            if (name.empty())
                continue;
            if (!idlist::IsValidEntryName(name))
                return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
            base = JoinPath(base, name);
            struct stat st
            {
            };
            if (const int error = StatPath(base, st); error != 0)
                return HResultFromErrno(error);
            const std::string item = idlist::EncodeItem(Kind::Entry, EntryFlags(base, st), name);
            if (item.empty())
                return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
            items += item;
        }
        return S_OK;
    }

} // namespace

HRESULT ParseAbsolutePath(std::string_view path, std::string& items)
{
    items.clear();
    const BytePath normal = NormalizePath(path);
    if (normal.empty())
        return E_INVALIDARG;
    if (normal.size() >= kShellPathMax)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    const auto drives = CurrentDrives();
    const Drive* drive = DriveOfPath(*drives, normal);
    if (drive == nullptr)
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    struct stat st
    {
    };
    if (const int error = StatPath(drive->MountPoint, st, true); error != 0)
        return HResultFromErrno(error);
    items = idlist::EncodeItem(Kind::Computer, 0, {});
    items += idlist::EncodeItem(Kind::Drive, 0, drive->MountPoint);
    const std::string_view rest = std::string_view(normal).substr(
        drive->MountPoint == "/" ? 1 : std::min(normal.size(), drive->MountPoint.size() + 1));
    const HRESULT hr = AppendEntries(drive->MountPoint, rest, items);
    if (FAILED(hr))
        items.clear();
    return hr;
}

HRESULT ParseRelativePath(const BytePath& base, std::string_view path, std::string& items)
{
    items.clear();
    if (path.empty() || path.front() == '/')
        return E_INVALIDARG;
    const HRESULT hr = AppendEntries(base, path, items);
    if (FAILED(hr))
        items.clear();
    else if (items.empty())
        return E_INVALIDARG;
    return hr;
}

FolderPermissions PermissionsOf(const BytePath& folder)
{
    FolderPermissions permissions;
    permissions.Uid = ::geteuid();
    struct stat st
    {
    };
    if (::stat(folder.c_str(), &st) != 0 || OnImageDrive(folder))
        return permissions;
    // The effective user counts, as for the rename itself.
    permissions.Writable = ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
    permissions.Sticky = (st.st_mode & S_ISVTX) != 0;
    permissions.OwnerUid = st.st_uid;
    return permissions;
}

namespace {

    // The entries of a folder a backup source serves; empty for files on disk.
    std::optional<std::vector<DirectoryEntry>> SourceEntries(const BytePath& path)
    {
        std::string inside;
        const auto source = backup::SourceFor(path, inside);
        if (!source)
            return std::nullopt;
        std::vector<DirectoryEntry> entries;
        (void)source->ReadFolder(inside, entries);
        return entries;
    }

} // namespace

bool HasSubfolder(const BytePath& path)
{
    if (const auto entries = SourceEntries(path)) {
        return std::any_of(entries->begin(), entries->end(),
            [](const DirectoryEntry& entry) { return entry.IsFolder; });
    }
    // A network folder is said to have sub-folders without asking its server, which may hang.
    {
        std::shared_ptr<const DriveList> drives = CurrentDrives();
        if (const Drive* drive = DriveOfPath(*drives, path); drive && drive->Type == DRIVE_REMOTE)
            return true;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    // Where folders count their sub-folders' ".." in their link count, the count answers
    // without reading the folder, which may hold a hundred thousand files: more than two links
    // is a sub-folder, two is none (links to folders there give no expand button; the folder
    // still opens). File systems that do not count report one, and are read.
    struct stat own
    {
    };
    if (::fstat(fd, &own) == 0 && own.st_nlink >= 2) {
        ::close(fd);
        return own.st_nlink > 2;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), &::closedir);
    if (!dir) {
        ::close(fd);
        return false;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        if (entry->d_type == DT_DIR)
            return true;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st
            {
            };
            if (::fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode))
                return true;
        }
    }
    return false;
}

bool HasEntries(const BytePath& path)
{
    if (const auto entries = SourceEntries(path))
        return !entries->empty();
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), &::closedir);
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            return true;
    }
    return false;
}

namespace {

    // An item of a disk image: read, never changed; hidden as its volume says. Not copied or
    // linked either: the file operations and links reach files on disk, where it is not.
    HRESULT ImageEntryAttributes(const Location& at, const Item& item, SFGAOF mask, SFGAOF& found)
    {
        backup::SourceFacts facts;
        const int error = backup::SourceStat(at.Path, facts).value_or(ENOENT);
        if (error != 0) {
            if (mask & SFGAO_VALIDATE)
                return HResultFromErrno(error);
            facts.IsFolder = (item.Flags & idlist::kFlagFolder) != 0;
        }
        found = SFGAO_FILESYSTEM | SFGAO_READONLY;
        if (facts.IsFolder) {
            found |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
            if ((mask & SFGAO_HASSUBFOLDER) && HasSubfolder(at.Path))
                found |= SFGAO_HASSUBFOLDER;
        }
        if ((facts.Attributes & FILE_ATTRIBUTE_HIDDEN) != 0 || item.Payload.front() == '.')
            found |= SFGAO_HIDDEN;
        return S_OK;
    }

} // namespace

HRESULT ItemAttributes(const Location& parent, const Item& item, SFGAOF mask,
    const FolderPermissions& permissions, SFGAOF& attributes)
{
    const auto at = Descend(parent, item);
    if (!at)
        return E_INVALIDARG;
    SFGAOF found = 0;
    switch (at->Where) {
    case Place::Desktop:
        break;
    case Place::Home:
        found = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_CANLINK
            | SFGAO_DROPTARGET | SFGAO_HASSUBFOLDER;
        break;
    case Place::Computer:
        found = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_CANLINK | SFGAO_HASSUBFOLDER;
        break;
    case Place::Trash:
        found = SFGAO_FOLDER | SFGAO_CANLINK | SFGAO_DROPTARGET;
        if (mask & SFGAO_HASSUBFOLDER) {
            bool any = HasSubfolder(at->Path);
            for (const BytePath& other : any ? std::vector<BytePath> {} : OtherTrashes())
                any = any || HasSubfolder(other);
            if (any)
                found |= SFGAO_HASSUBFOLDER;
        }
        break;
    case Place::Drive:
        found = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_CANLINK;
        if (!at->Image)
            found |= SFGAO_DROPTARGET;
        if (at->DriveType == DRIVE_REMOVABLE || at->DriveType == DRIVE_CDROM)
            found |= SFGAO_REMOVABLE;
        if (at->ReadOnlyDrive)
            found |= SFGAO_READONLY;
        if ((mask & SFGAO_HASSUBFOLDER) && HasSubfolder(at->Path))
            found |= SFGAO_HASSUBFOLDER;
        break;
    case Place::Entry: {
        if (at->Image) {
            const HRESULT hr = ImageEntryAttributes(*at, item, mask, found);
            if (FAILED(hr))
                return hr;
            break;
        }
        struct stat st
        {
        };
        // Inside the folder the file list is filling, the name is resolved in the folder alone.
        const char* name = nullptr;
        const int folderFd = ScopedFolder(at->Path, name);
        if (StatEntry(folderFd, name, at->Path, st, false) != 0) {
            if (mask & SFGAO_VALIDATE)
                return HResultFromErrno(errno);
            // A name that went away keeps what its list item knew of it.
            found = SFGAO_FILESYSTEM
                | ((item.Flags & idlist::kFlagFolder) ? SFGAO_FOLDER | SFGAO_FILESYSANCESTOR : 0)
                | ((item.Flags & idlist::kFlagLink) ? SFGAO_LINK : 0);
            break;
        }
        // The file list counts the item's streams next: one stat serves both.
        platform::RememberLstat(at->Path, st);
        found = SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_CANLINK;
        bool folder = S_ISDIR(st.st_mode);
        if (S_ISLNK(st.st_mode)) {
            found |= SFGAO_LINK;
            struct stat target
            {
            };
            folder
                = StatEntry(folderFd, name, at->Path, target, true) == 0 && S_ISDIR(target.st_mode);
        } else if (S_ISREG(st.st_mode) && EndsWithLnk(item.Payload)) {
            found |= SFGAO_LINK;
        }
        if (folder) {
            found |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
            if (!at->OtherTrash)
                found |= SFGAO_DROPTARGET;
            if ((mask & SFGAO_HASSUBFOLDER) && HasSubfolder(at->Path))
                found |= SFGAO_HASSUBFOLDER;
        }
        if (item.Payload.front() == '.')
            found |= SFGAO_HIDDEN;
        if ((st.st_mode & 0222) == 0)
            found |= SFGAO_READONLY;
        // A sticky folder lets only the item's owner, the folder's owner and root change it.
        const unsigned uid = permissions.Uid;
        const bool mayChange = !at->OtherTrash && permissions.Writable
            && (!permissions.Sticky || uid == 0 || uid == st.st_uid || uid == permissions.OwnerUid);
        if (mayChange) {
            found |= SFGAO_CANMOVE | SFGAO_CANDELETE;
            // Renaming in the trash would part a file from its deletion record.
            if (!at->InTrash)
                found |= SFGAO_CANRENAME;
        }
        break;
    }
    }
    attributes = found & mask;
    return S_OK;
}

std::string ItemName(const Location& parent, const Item& item, SHGDNF flags)
{
    const bool parsing = (flags & SHGDN_FORPARSING) != 0;
    const bool inFolder = (flags & SHGDN_INFOLDER) != 0;
    switch (item.ItemKind) {
    case Kind::Home:
        return parsing && !inFolder ? CurrentEnvironment().Home : std::string("Home");
    case Kind::Computer:
        return parsing ? std::string(kComputerUri) : std::string("Computer");
    case Kind::Trash:
        return parsing ? std::string(kTrashUri) : std::string("Trash");
    case Kind::Drive:
        if (!parsing) {
            std::shared_ptr<const DriveList> keep;
            if (const Drive* drive = DriveAt(item.Payload, keep); drive && !drive->Label.empty())
                return drive->Label;
        }
        return std::string(item.Payload);
    case Kind::Entry:
    case Kind::TrashEntry:
        if (parsing && !inFolder && parent.Where != Place::Computer)
            return EntryPath(parent, item);
        return std::string(item.Payload);
    }
    return {};
}

HRESULT SetStrRet(STRRET* name, std::string_view bytes)
{
    if (name == nullptr)
        return E_INVALIDARG;
    if (bytes.size() < sizeof name->cStr && bytes.find('\0') == std::string_view::npos) {
        name->uType = STRRET_CSTR;
        std::memcpy(name->cStr, bytes.data(), bytes.size());
        name->cStr[bytes.size()] = '\0';
        return S_OK;
    }
    const std::u16string wide = AnsiToWide(bytes);
    auto* copy = static_cast<WCHAR*>(ShellAllocator().Alloc((wide.size() + 1) * sizeof(WCHAR)));
    if (copy == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(copy, wide.data(), wide.size() * sizeof(WCHAR));
    copy[wide.size()] = 0;
    name->uType = STRRET_WSTR;
    name->pOleStr = copy;
    return S_OK;
}

namespace {

    bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

    // Runs of digits compare by their value; the rest by the locale's collation. Done here
    // rather than by the collator's numeric mode, which the C locale ignores.
    int NaturalCompare(QStringView a, QStringView b)
    {
        thread_local QCollator collator = [] {
            QCollator c { QLocale::system() };
            c.setCaseSensitivity(Qt::CaseInsensitive);
            return c;
        }();
        qsizetype i = 0, j = 0;
        while (i < a.size() && j < b.size()) {
            const bool digitA = IsDigit(a[i]), digitB = IsDigit(b[j]);
            qsizetype endA = i, endB = j;
            while (endA < a.size() && IsDigit(a[endA]) == digitA)
                ++endA;
            while (endB < b.size() && IsDigit(b[endB]) == digitB)
                ++endB;
            int order = 0;
            if (digitA && digitB) {
                QStringView x = a.sliced(i, endA - i), y = b.sliced(j, endB - j);
                while (x.size() > 1 && x.front() == QLatin1Char('0'))
                    x = x.sliced(1);
                while (y.size() > 1 && y.front() == QLatin1Char('0'))
                    y = y.sliced(1);
                order = x.size() != y.size() ? (x.size() < y.size() ? -1 : 1) : x.compare(y);
            } else {
                // Equal runs, such as the common stem of numbered names, are equal in any
                // collation; the collator is by far the dearest step.
                const QStringView x = a.sliced(i, endA - i), y = b.sliced(j, endB - j);
                order = x == y ? 0 : collator.compare(x, y);
            }
            if (order != 0)
                return order;
            i = endA;
            j = endB;
        }
        return i < a.size() ? 1 : j < b.size() ? -1 : 0;
    }

    bool WidenAscii(std::string_view bytes, QVarLengthArray<char16_t, 256>& wide)
    {
        wide.resize(static_cast<qsizetype>(bytes.size()));
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            if (byte >= 0x80)
                return false;
            wide[static_cast<qsizetype>(i)] = byte;
        }
        return true;
    }

} // namespace

int CompareNames(std::string_view first, std::string_view second)
{
    if (first == second)
        return 0;
    int order = 0;
    // Most names are ASCII, which decodes by widening; sorting a folder compares each name
    // about log n times, so the decoder's allocations would dominate the sort.
    QVarLengthArray<char16_t, 256> wideA;
    QVarLengthArray<char16_t, 256> wideB;
    if (WidenAscii(first, wideA) && WidenAscii(second, wideB)) {
        order = NaturalCompare(
            QStringView(wideA.data(), wideA.size()), QStringView(wideB.data(), wideB.size()));
    } else {
        const QString a = QFile::decodeName(
            QByteArray::fromRawData(first.data(), static_cast<int>(first.size())));
        const QString b = QFile::decodeName(
            QByteArray::fromRawData(second.data(), static_cast<int>(second.size())));
        order = NaturalCompare(a, b);
    }
    if (order != 0)
        return order < 0 ? -1 : 1;
    return first < second ? -1 : 1;
}

} // namespace sondrel::platform
