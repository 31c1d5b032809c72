#pragma once
// Opening for reading without side effects: a path is first opened with O_PATH (which neither
// blocks nor reaches a driver), its type is checked on that descriptor, and only a regular file
// or a folder is then opened for reading, through that same descriptor. No FIFO, socket or
// device is ever opened, even when the path is swapped for one between the calls.

#include <string>

#include <sys/stat.h>

namespace sondrel::platform {

class OpenedItem
{
public:
    OpenedItem() = default;
    OpenedItem(const OpenedItem&) = delete;
    OpenedItem& operator=(const OpenedItem&) = delete;
    ~OpenedItem();

    // The descriptor open for reading, or -1 for an item that is no regular file or folder.
    [[nodiscard]] int Fd() const { return m_fd; }
    // What the descriptor (or, for an item not opened, its O_PATH descriptor) refers to.
    [[nodiscard]] const struct stat& Stat() const { return m_stat; }
    // Hands the descriptor to the caller, who closes it.
    [[nodiscard]] int Release();

private:
    friend int OpenForReading(const std::string&, bool, OpenedItem&);
    int m_fd = -1;
    struct stat m_stat
    {
    };
};

// Opens `path` as above, following symbolic links or not (a link not followed is reported by its
// stat, S_ISLNK, and not opened). Returns 0 or errno; an item that is no regular file or folder
// is no error: its Fd() is -1.
[[nodiscard]] int OpenForReading(const std::string& path, bool followLinks, OpenedItem& item);

} // namespace sondrel::platform
