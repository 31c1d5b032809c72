#include "VolumeWalk.h"

#include "BackupApi.h"
#include "BackupSource.h"

#include <cerrno>
#include <vector>

using namespace win32;

namespace sondrel::test {

namespace {

    // Reads every stream of `path` to its end; false when something failed on the way.
    bool ReadThrough(const std::string& path)
    {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        LPVOID context = nullptr;
        std::vector<BYTE> buffer(64 * 1024);
        bool ok = true;
        for (;;) {
            DWORD read = 0;
            if (!BackupRead(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, FALSE,
                    TRUE, &context)) {
                ok = false;
                break;
            }
            if (read == 0)
                break;
        }
        (void)BackupRead(file, nullptr, 0, nullptr, TRUE, TRUE, &context);
        CloseHandle(file);
        return ok;
    }

} // namespace

VolumeWalkResult WalkVolume(const std::string& root, std::size_t limit)
{
    VolumeWalkResult result;
    std::vector<std::string> pending { root };
    std::vector<platform::DirectoryEntry> entries;
    while (!pending.empty() && result.Items < limit) {
        const std::string path = std::move(pending.back());
        pending.pop_back();
        ++result.Items;
        if (!ReadThrough(path))
            ++result.Failures;
        entries.clear();
        const int error = backup::ReadFolderEntries(path, entries);
        if (error != 0 && error != ENOTDIR)
            ++result.Failures;
        for (const auto& entry : entries)
            pending.push_back(
                path == "/" || path.back() == '/' ? path + entry.Name : path + "/" + entry.Name);
    }
    return result;
}

} // namespace sondrel::test
