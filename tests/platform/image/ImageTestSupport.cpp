#include "ImageTestSupport.h"

#include "CodePage.h"
#include "Run.h"

#include <gtest/gtest.h>

using namespace win32;

namespace sondrel::test {

std::vector<ReadStream> ReadAllStreams(const std::string& path, std::string& error)
{
    std::vector<ReadStream> streams;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = SystemMessageText(GetLastError());
        return streams;
    }
    LPVOID context = nullptr;
    for (;;) {
        BYTE header[kStreamHeaderSize];
        DWORD read = 0;
        if (!BackupRead(file, header, kStreamHeaderSize, &read, FALSE, TRUE, &context)) {
            error = SystemMessageText(GetLastError());
            break;
        }
        if (read != kStreamHeaderSize)
            break;
        const WIN32_STREAM_ID id = DecodeStreamHeader(header);
        std::u16string name(id.dwStreamNameSize / 2, u'\0');
        if (!BackupRead(file, reinterpret_cast<BYTE*>(name.data()), id.dwStreamNameSize, &read,
                FALSE, TRUE, &context)) {
            error = SystemMessageText(GetLastError());
            break;
        }
        ReadStream stream { id.dwStreamId, id.dwStreamAttributes,
            static_cast<std::uint64_t>(id.Size.QuadPart), WideToAnsi(name), {} };
        stream.Content.resize(static_cast<std::size_t>(stream.Size));
        std::size_t done = 0;
        while (done < stream.Content.size()) {
            const DWORD piece
                = static_cast<DWORD>(std::min<std::size_t>(stream.Content.size() - done, 1 << 20));
            if (!BackupRead(file, reinterpret_cast<BYTE*>(stream.Content.data() + done), piece,
                    &read, FALSE, TRUE, &context)
                || read == 0) {
                error = SystemMessageText(GetLastError());
                break;
            }
            done += read;
        }
        stream.Content.resize(done);
        streams.push_back(std::move(stream));
        if (!error.empty())
            break;
    }
    (void)BackupRead(file, nullptr, 0, nullptr, TRUE, TRUE, &context);
    CloseHandle(file);
    return streams;
}

const ReadStream* FindStream(
    const std::vector<ReadStream>& streams, DWORD id, const std::string& name)
{
    const std::string wanted = name.empty() ? "" : ":" + name + ":$DATA";
    for (const ReadStream& stream : streams)
        if (stream.Id == id && stream.Name == wanted)
            return &stream;
    return nullptr;
}

std::string DecompressFixture(const TempDir& dir, const std::string& name)
{
    const std::string target = dir / name;
    const RunResult unpacked = Run({ "sh", "-c", "xz -dc \"$0\" > \"$1\"",
        std::string(SONDREL_FIXTURES_DIR) + "/ntfs/" + name + ".xz", target });
    EXPECT_EQ(unpacked.Status, 0) << unpacked.Err;
    return unpacked.Status == 0 ? target : std::string();
}

} // namespace sondrel::test
