#pragma once
// What the items of the namespace are on this system: where an ID list leads (its location),
// an item's attributes and names, paths parsed into ID lists, and the order of items. The
// folder objects are thin COM shells over these functions.

#include "BytePath.h"
#include "IdListFormat.h"
#include "ShellTypes.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct stat;

namespace sondrel::platform {

enum class Place { Desktop, Home, Computer, Trash, Drive, Entry };

struct Location
{
    Place Where = Place::Desktop;
    BytePath Path; // where the item's children live ("" for Computer)
    bool HasPath = true; // whether the item reports Path as its file-system path
    bool InTrash = false; // the item lies inside the trash
    bool OtherTrash = false; // ... inside the trash of another file system, which is only read
    std::uint8_t Flags = 0; // an entry's flags
    win32::UINT DriveType = win32::DRIVE_FIXED; // for drives
    bool ReadOnlyDrive = false;
    bool Image = false; // on a drive of a disk image: read from its source, never written
};

[[nodiscard]] Location DesktopLocation();

// The location of `item` inside `parent`; empty when the item cannot stand there.
[[nodiscard]] std::optional<Location> Descend(const Location& parent, const idlist::Item& item);
// Whether `item` can stand inside `parent`, as Descend decides it, without building the location.
[[nodiscard]] bool CanDescend(const Location& parent, const idlist::Item& item);

// Where the entry or trash entry `item` of the folder at `parent` lives.
[[nodiscard]] BytePath EntryPath(const Location& parent, const idlist::Item& item);

// The items of a list in this process's memory, each checked; empty when any is not ours.
[[nodiscard]] std::optional<std::vector<idlist::Item>> DecodeItems(win32::PCIDLIST list);

// The location an absolute list leads to; empty when it leads nowhere.
[[nodiscard]] std::optional<Location> ResolveAbsolute(win32::PCIDLIST list);

// lstat (or stat when `follow`) of `path`, answered by the path's backup source where one serves
// it (a folder or a file, read-only); 0 or an errno.
[[nodiscard]] int StatPath(const BytePath& path, struct stat& st, bool follow = false);

// The entry flags of a name whose lstat is `linkStat` (a link's target is asked for itself).
[[nodiscard]] std::uint8_t EntryFlags(const BytePath& path, const struct stat& linkStat);

// The items (without terminator) of an absolute path: Computer, the deepest drive holding the
// path, and one entry per component below it; each component must exist.
[[nodiscard]] win32::HRESULT ParseAbsolutePath(std::string_view path, std::string& items);
// The entries of a relative path ("a/b") inside the folder at `base`.
[[nodiscard]] win32::HRESULT ParseRelativePath(
    const BytePath& base, std::string_view path, std::string& items);

// Whether items may be renamed, moved or deleted in the folder at `path` (write and search
// permission, and the sticky bit's owner rule applied per item by the caller).
struct FolderPermissions
{
    bool Writable = false;
    bool Sticky = false;
    unsigned OwnerUid = 0;
    // The effective user when these were read: asked once per folder, not once per item.
    unsigned Uid = 0;
};
[[nodiscard]] FolderPermissions PermissionsOf(const BytePath& folder);

// The attributes of `item` (inside the location `parent`) under the request `mask`, or a
// failure when SFGAO_VALIDATE is asked and the item is gone.
[[nodiscard]] win32::HRESULT ItemAttributes(const Location& parent, const idlist::Item& item,
    win32::SFGAOF mask, const FolderPermissions& permissions, win32::SFGAOF& attributes);

// Whether the folder at `path` holds a folder (links to folders count).
[[nodiscard]] bool HasSubfolder(const BytePath& path);

// Whether the folder at `path` holds anything at all.
[[nodiscard]] bool HasEntries(const BytePath& path);

// The name of `item` inside `parent` for the SHGDN `flags`, as bytes.
[[nodiscard]] std::string ItemName(
    const Location& parent, const idlist::Item& item, win32::SHGDNF flags);

// Fills a name-return record: inline when the bytes fit, else a wide string from the shell
// allocator (lossless either way: bytes that are not UTF-8 travel as lone surrogates).
[[nodiscard]] win32::HRESULT SetStrRet(win32::STRRET* name, std::string_view bytes);

// Orders two names as people read them: natural, case-insensitive, locale-aware. Names that
// read alike but differ in bytes are still ordered (by their bytes), so only the same name is 0.
[[nodiscard]] int CompareNames(std::string_view first, std::string_view second);

// The order of two items of one folder under column `column`; `error` is set for a column the
// folder does not have.
[[nodiscard]] int CompareItems(const Location& parent, int column, const idlist::Item& first,
    const idlist::Item& second, win32::HRESULT& error);

// An HRESULT for an errno.
[[nodiscard]] win32::HRESULT HResultFromErrno(int error);

} // namespace sondrel::platform
