#pragma once
// What one open handle stands for: a file or folder with its descriptor, or an item that is
// never opened (a FIFO, socket or device, or any item examined only to count its streams,
// reached by path), or an ntfs-3g reparse point walked as the link it shows as. Shared by the
// handle and the contents that read through it, so a context never outlives the descriptor it
// reads.

#include "Ntfs3g.h"
#include "Xattr.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sondrel::backup {

struct BackupItem
{
    enum class Kind { File, Folder, Special, LinkItself };

    BackupItem() = default;
    BackupItem(const BackupItem&) = delete;
    BackupItem& operator=(const BackupItem&) = delete;
    ~BackupItem();

    [[nodiscard]] XattrTarget Target() const
    {
        return XattrTarget { Fd, Path.c_str(), Type != Kind::LinkItself };
    }

    Kind Type = Kind::File;
    int Fd = -1;
    std::string Path;
    std::uint32_t Uid = 0;
    std::uint32_t Gid = 0;
    unsigned Mode = 0; // permission bits
    std::uint64_t Size = 0;
    std::uint64_t AllocatedBytes = 0;
    std::uint64_t Device = 0;
    NtfsDriver Driver = NtfsDriver::None;
    // Examined for a count only: never opened (Fd -1), sizes that cost a call each not learnt.
    bool CountOnly = false;
    // A count of a file or folder lists its xattr names while examining it (its ACL bears on
    // whether it may be read); ListError is 0 or the errno of that listing.
    bool Listed = false;
    std::vector<std::string> Names;
    int ListError = 0;
};

} // namespace sondrel::backup
