#pragma once
// What the image tests share: the shared fixtures decompressed into a temporary folder, and
// every stream of a path read through the backup calls as a walk reads them.

#include "BackupApi.h"
#include "TempDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sondrel::test {

struct ReadStream
{
    win32::DWORD Id = 0;
    win32::DWORD Attributes = 0;
    std::uint64_t Size = 0;
    std::string Name; // as UTF-8, ":name:$DATA" for a named stream
    std::string Content;
};

// Every stream of `path` with its whole content; `error` the reason when it could not all be read.
[[nodiscard]] std::vector<ReadStream> ReadAllStreams(const std::string& path, std::string& error);

// The stream named `name` ("" for the unnamed data) among `streams`, or null.
[[nodiscard]] const ReadStream* FindStream(
    const std::vector<ReadStream>& streams, win32::DWORD id, const std::string& name = {});

// Decompresses the fixture `name` (from shared/fixtures/ntfs, without ".xz") into `dir`; its
// path, or "" (with the test failed) when it cannot.
[[nodiscard]] std::string DecompressFixture(const TempDir& dir, const std::string& name);

} // namespace sondrel::test
