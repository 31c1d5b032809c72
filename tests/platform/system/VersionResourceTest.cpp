// The version calls on real program files: this test program, which its build gives the file
// version 1.0.3.0, and copies of it that are cut short, renamed or corrupted.

#include "VersionResource.h"

#include "TempDir.h"
#include "Win32Error.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include <unistd.h>

using namespace sondrel::platform;
using sondrel::test::ReadWholeFile;
using sondrel::test::TempDir;
using sondrel::test::WriteFile;

namespace {

// The program's FileVersion read as the version label reads it, or "<error N>".
std::string FileVersionOf(const char* file)
{
    win32::DWORD handle = 7;
    const win32::DWORD size = win32::GetFileVersionInfoSizeA(file, &handle);
    EXPECT_EQ(handle, 0u);
    if (size == 0)
        return "<error " + std::to_string(win32::GetLastError()) + ">";
    std::vector<char> buffer(size + 1);
    if (!win32::GetFileVersionInfoA(file, 0, size + 1, buffer.data()))
        return "<error " + std::to_string(win32::GetLastError()) + ">";
    void* translation = nullptr;
    win32::UINT length = 0;
    if (!win32::VerQueryValueA(buffer.data(), "\\VarFileInfo\\Translation", &translation, &length)
        || length < 4)
        return "<no translation>";
    std::uint32_t id = 0;
    std::memcpy(&id, translation, 4);
    char path[64];
    std::snprintf(
        path, sizeof path, "\\StringFileInfo\\%04x%04x\\FileVersion", id & 0xFFFF, id >> 16);
    void* text = nullptr;
    if (!win32::VerQueryValueA(buffer.data(), path, &text, &length))
        return "<no FileVersion>";
    EXPECT_EQ(length, std::strlen(static_cast<char*>(text)) + 1);
    return static_cast<char*>(text);
}

std::string OwnImage() { return ReadWholeFile(ProgramFileName()); }

TEST(VersionResource, TheProgramReadsItsOwnFileVersion)
{
    EXPECT_EQ(FileVersionOf(ProgramFileName()), "1.0.3.0");
}

TEST(VersionResource, StringAnswersLiveInTheCallersBufferAndRepeat)
{
    const win32::DWORD size = win32::GetFileVersionInfoSizeA(ProgramFileName(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> buffer(size);
    ASSERT_TRUE(win32::GetFileVersionInfoA(ProgramFileName(), 0, size, buffer.data()));
    const char* path = "\\StringFileInfo\\040904b0\\ProductName";
    void* first = nullptr;
    void* second = nullptr;
    win32::UINT length = 0;
    ASSERT_TRUE(win32::VerQueryValueA(buffer.data(), path, &first, &length));
    ASSERT_TRUE(win32::VerQueryValueA(buffer.data(), path, &second, &length));
    EXPECT_EQ(first, second);
    EXPECT_GE(static_cast<char*>(first), buffer.data());
    EXPECT_LT(static_cast<char*>(first), buffer.data() + size);
    EXPECT_STREQ(static_cast<char*>(first), "Sondrel");

    void* fixed = nullptr;
    ASSERT_TRUE(win32::VerQueryValueA(buffer.data(), "\\", &fixed, &length));
    EXPECT_EQ(length, sizeof(win32::VS_FIXEDFILEINFO));
    EXPECT_EQ(static_cast<win32::VS_FIXEDFILEINFO*>(fixed)->dwFileVersionLS, 0x00030000u);
}

TEST(VersionResource, ABufferTooSmallIsRefusedNotFilled)
{
    const win32::DWORD size = win32::GetFileVersionInfoSizeA(ProgramFileName(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> buffer(size, 'x');
    EXPECT_FALSE(win32::GetFileVersionInfoA(ProgramFileName(), 0, size - 1, buffer.data()));
    EXPECT_EQ(win32::GetLastError(), win32::ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(buffer.data(), 16), std::string(16, 'x'));
}

TEST(VersionResource, FilesWithoutAVersionResource)
{
    const TempDir dir;
    const std::string image = OwnImage();
    std::string renamed = image;
    const std::string name = kVersionSection;
    // Every copy of the name, the section table's included.
    std::size_t renames = 0;
    for (std::size_t at = renamed.find(name); at != std::string::npos;
         at = renamed.find(name, at + 1), ++renames)
        renamed[at + name.size() - 1] = 'X';
    ASSERT_GT(renames, 0u);
    WriteFile(dir / "renamed", renamed);
    WriteFile(dir / "text", "#!/bin/sh\necho not a program\n");
    WriteFile(dir / "empty", "");

    const struct
    {
        std::string file;
        std::string answer;
    } rows[] = {
        { dir / "renamed", "<error 1813>" }, // ERROR_RESOURCE_TYPE_NOT_FOUND
        { dir / "text", "<error 11>" }, // ERROR_BAD_FORMAT
        { dir / "empty", "<error 11>" }, { dir.Path(), "<error 11>" }, // a folder
        { dir / "missing", "<error 2>" }, // ERROR_FILE_NOT_FOUND
    };
    for (const auto& row : rows)
        EXPECT_EQ(FileVersionOf(row.file.c_str()), row.answer) << row.file;
}

// A program file cut anywhere loses the section table at its end: no cut is read past.
TEST(VersionResource, ProgramFilesCutShortAreRefused)
{
    const TempDir dir;
    const std::string image = OwnImage();
    const std::string path = dir / "cut";
    for (std::size_t size :
        { std::size_t { 3 }, std::size_t { 16 }, std::size_t { 63 }, std::size_t { 64 },
            std::size_t { 65 }, image.size() / 2, image.size() - 64, image.size() - 1 }) {
        WriteFile(path, std::string_view(image).substr(0, size));
        EXPECT_EQ(FileVersionOf(path.c_str()), "<error 11>") << size;
    }
}

TEST(VersionResource, ACorruptedBlockIsInvalidData)
{
    const TempDir dir;
    std::string image = OwnImage();
    const std::u16string key = u"VS_VERSION_INFO";
    const std::string keyBytes(reinterpret_cast<const char*>(key.data()), key.size() * 2);
    // The key that follows a root header (value length 52, binary); the text of the key also
    // stands in the program's constants.
    std::size_t at = image.find(keyBytes);
    while (at != std::string::npos && (at < 6 || image.compare(at - 4, 4, "\x34\0\0\0", 4) != 0))
        at = image.find(keyBytes, at + 1);
    ASSERT_NE(at, std::string::npos);
    // The block's own length now claims more than its section holds.
    image[at - 6] = '\xFF';
    image[at - 5] = '\xFF';
    WriteFile(dir / "corrupt", image);
    EXPECT_EQ(FileVersionOf((dir / "corrupt").c_str()), "<error 13>");
}

} // namespace
