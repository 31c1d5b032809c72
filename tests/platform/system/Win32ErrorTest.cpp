#include "Win32Error.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>

using namespace win32;

namespace {

TEST(Win32Error, ErrnosMapToTheCodesCallersTestFor)
{
    EXPECT_EQ(Win32ErrorFromErrno(ENOENT), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Win32ErrorFromErrno(EACCES), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Win32ErrorFromErrno(EPERM), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Win32ErrorFromErrno(EEXIST), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(Win32ErrorFromErrno(ESPIPE), ERROR_SEEK);
    EXPECT_EQ(Win32ErrorFromErrno(0), ERROR_SUCCESS);
    // No Win32 counterpart: kept in the customer range, text intact.
    EXPECT_EQ(Win32ErrorFromErrno(EDOM), kErrnoBase + EDOM);
}

TEST(Win32Error, TextIsTheSystemsOwnWithWindowsLineBreak)
{
    EXPECT_EQ(SystemMessageText(ERROR_FILE_NOT_FOUND), std::string(std::strerror(ENOENT)) + "\r\n");
    EXPECT_EQ(SystemMessageText(ERROR_ACCESS_DENIED), std::string(std::strerror(EACCES)) + "\r\n");
    EXPECT_EQ(SystemMessageText(kErrnoBase + EDOM), std::string(std::strerror(EDOM)) + "\r\n");
    EXPECT_NE(SystemMessageText(ERROR_SONDREL_STREAM_TOO_LARGE_FOR_XATTR).find("64 KiB"),
        std::string::npos);
    EXPECT_EQ(SystemMessageText(0x1234567).rfind("Unknown error", 0), 0u);
}

TEST(Win32Error, FormatMessageCutsToTheBufferWithoutSplittingACharacter)
{
    char buffer[200];
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND,
        LANG_USER_DEFAULT, buffer, sizeof buffer, nullptr);
    EXPECT_EQ(std::string(buffer, n), SystemMessageText(ERROR_FILE_NOT_FOUND));

    char tiny[6];
    const DWORD cut = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
        ERROR_SONDREL_CONTENT_CHANGED, LANG_USER_DEFAULT, tiny, sizeof tiny, nullptr);
    EXPECT_EQ(cut, 5u);
    EXPECT_EQ(tiny[5], '\0');

    EXPECT_EQ(FormatMessageA(0, nullptr, 2, 0, buffer, sizeof buffer, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Win32Error, LastErrorBelongsToEachThread)
{
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seen = 1;
    std::thread other([&seen] { seen = GetLastError(); });
    other.join();
    EXPECT_EQ(seen, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

} // namespace
