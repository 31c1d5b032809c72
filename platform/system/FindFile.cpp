#include "FindFile.h"

#include "Directory.h"
#include "Win32Error.h"

#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

namespace sondrel::platform {

namespace {

    // 1601-01-01 to 1970-01-01, in seconds.
    constexpr std::int64_t kEpochDifference = 11644473600;

    win32::FILETIME FileTimeOf(const statx_timestamp& time)
    {
        if (time.tv_sec == 0 && time.tv_nsec == 0)
            return {};
        const std::uint64_t ticks
            = static_cast<std::uint64_t>(time.tv_sec + kEpochDifference) * 10000000u
            + time.tv_nsec / 100u;
        return { static_cast<win32::DWORD>(ticks), static_cast<win32::DWORD>(ticks >> 32) };
    }

    QString Folded(std::string_view text)
    {
        return QFile::decodeName(QByteArray(text.data(), static_cast<qsizetype>(text.size())))
            .toUpper();
    }

    bool MatchesFrom(const QString& name, int n, const QString& pattern, int p)
    {
        while (p < pattern.size()) {
            const QChar c = pattern[p];
            if (c == QLatin1Char('*')) {
                while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
                    ++p;
                if (p == pattern.size())
                    return true;
                for (int k = n; k <= name.size(); ++k)
                    if (MatchesFrom(name, k, pattern, p))
                        return true;
                return false;
            }
            if (n == name.size())
                break;
            if (c != QLatin1Char('?') && c != name[n])
                return false;
            ++p;
            ++n;
        }
        if (n != name.size())
            return false;
        if (p == pattern.size())
            return true;
        // "NAME.*" and "NAME." stand for NAME itself when it has no extension.
        const QStringView rest = QStringView(pattern).mid(p);
        return !name.contains(QLatin1Char('.'))
            && (rest == QLatin1String(".*") || rest == QLatin1String("."));
    }

    bool HasWildcards(std::string_view text)
    {
        return text.find_first_of("*?") != std::string_view::npos;
    }

    // The entry at `path` as the search reports it: what a link leads to, or the link itself
    // when it leads nowhere.
    bool Describe(const std::string& path, std::string_view name, win32::WIN32_FIND_DATAA& data)
    {
        struct statx facts
        {
        };
        const unsigned mask
            = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;
        if (statx(AT_FDCWD, path.c_str(), 0, mask, &facts) != 0
            && statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, mask, &facts) != 0)
            return false;
        data = {};
        if (S_ISDIR(facts.stx_mode))
            data.dwFileAttributes |= win32::FILE_ATTRIBUTE_DIRECTORY;
        if (name.starts_with('.'))
            data.dwFileAttributes |= win32::FILE_ATTRIBUTE_HIDDEN;
        if (!(facts.stx_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
            data.dwFileAttributes |= win32::FILE_ATTRIBUTE_READONLY;
        if (data.dwFileAttributes == 0)
            data.dwFileAttributes = win32::FILE_ATTRIBUTE_NORMAL;
        if (!S_ISDIR(facts.stx_mode)) {
            data.nFileSizeLow = static_cast<win32::DWORD>(facts.stx_size);
            data.nFileSizeHigh = static_cast<win32::DWORD>(facts.stx_size >> 32);
        }
        if (facts.stx_mask & STATX_BTIME)
            data.ftCreationTime = FileTimeOf(facts.stx_btime);
        data.ftLastAccessTime = FileTimeOf(facts.stx_atime);
        data.ftLastWriteTime = FileTimeOf(facts.stx_mtime);
        // A Linux name (at most 255 bytes) always fits.
        const std::size_t length = std::min(name.size(), sizeof data.cFileName - 1);
        std::memcpy(data.cFileName, name.data(), length);
        return true;
    }

    struct Search
    {
        std::string Folder;
        std::vector<std::string> Names;
        std::size_t Next = 0;
    };

    // Hands out the next match that can still be described; entries that vanished are passed.
    bool NextMatch(Search& search, win32::WIN32_FIND_DATAA& data)
    {
        while (search.Next < search.Names.size()) {
            const std::string& name = search.Names[search.Next++];
            if (Describe(search.Folder + name, name, data))
                return true;
        }
        return false;
    }

} // namespace

bool MatchesNamePattern(std::string_view name, std::string_view pattern)
{
    return MatchesFrom(Folded(name), 0, Folded(pattern), 0);
}

std::int64_t FileTimeToUnixSeconds(const win32::FILETIME& time)
{
    const std::uint64_t ticks
        = static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
    if (ticks == 0)
        return 0;
    return static_cast<std::int64_t>(ticks / 10000000u) - kEpochDifference;
}

} // namespace sondrel::platform

namespace win32 {

using namespace sondrel::platform;

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data)
{
    if (!pattern || !data || !*pattern) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string whole(pattern);
    const std::size_t slash = whole.find_last_of('/');
    auto search = std::make_unique<Search>();
    search->Folder = slash == std::string::npos ? std::string() : whole.substr(0, slash + 1);
    const std::string namePattern = slash == std::string::npos ? whole : whole.substr(slash + 1);
    if (namePattern.empty() || namePattern == "." || namePattern == "..") {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (!HasWildcards(namePattern)) {
        if (!Describe(whole, namePattern, *data)) {
            SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : Win32ErrorFromErrno(errno));
            return INVALID_HANDLE_VALUE;
        }
        return search.release();
    }
    std::vector<DirectoryEntry> entries;
    if (const int error = sondrel::platform::ReadDirectory(
            search->Folder.empty() ? std::string(".") : search->Folder, entries);
        error != 0) {
        SetLastError(error == ENOENT || error == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                         : Win32ErrorFromErrno(error));
        return INVALID_HANDLE_VALUE;
    }
    for (DirectoryEntry& entry : entries)
        if (sondrel::platform::MatchesNamePattern(entry.Name, namePattern))
            search->Names.push_back(std::move(entry.Name));
    if (!NextMatch(*search, *data)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return search.release();
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data)
{
    if (!find || find == INVALID_HANDLE_VALUE || !data) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!NextMatch(*static_cast<Search*>(find), *data)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL FindClose(HANDLE find)
{
    if (!find || find == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete static_cast<Search*>(find);
    return TRUE;
}

} // namespace win32
