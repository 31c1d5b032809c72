#pragma once
// Looking at the items of one folder by their names relative to an open descriptor of it, so each
// look (a count, the file list's attributes of an item) resolves one name rather than the whole
// path again.

#include <string>

#include <sys/stat.h>

namespace sondrel::platform {

// While one lives, looks on this thread at items directly inside `folder` reach them through
// the folder's descriptor. Scopes nest; one whose folder cannot be opened changes nothing.
class TFolderScope
{
public:
    explicit TFolderScope(const std::string& folder);
    ~TFolderScope();
    TFolderScope(const TFolderScope&) = delete;
    TFolderScope& operator=(const TFolderScope&) = delete;

private:
    std::string m_folder;
    int m_fd = -1;
    TFolderScope* m_outer = nullptr;

    friend int ScopedFolder(const std::string& path, const char*& name);
};

// The descriptor of the innermost scope's folder when `path` names an entry directly inside it,
// with `name` pointing at the entry's name within `path`; -1 otherwise.
[[nodiscard]] int ScopedFolder(const std::string& path, const char*& name);

// An lstat of `path` (a stat with `follow`) by `name` in `folder` when that is ScopedFolder's
// open descriptor, else by the whole path; 0, or -1 with errno.
[[nodiscard]] int StatEntry(
    int folder, const char* name, const std::string& path, struct stat& st, bool follow);

} // namespace sondrel::platform
