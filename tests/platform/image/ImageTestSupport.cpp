#include "ImageTestSupport.h"

#include "Run.h"

#include <gtest/gtest.h>

using namespace win32;

namespace sondrel::test {

namespace {

    std::string Utf8(const std::u16string& text)
    {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            std::uint32_t c = text[i];
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
                c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
                ++i;
            }
            if (c < 0x80) {
                out += static_cast<char>(c);
            } else if (c < 0x800) {
                out += static_cast<char>(0xC0 | c >> 6);
                out += static_cast<char>(0x80 | (c & 0x3F));
            } else if (c < 0x10000) {
                out += static_cast<char>(0xE0 | c >> 12);
                out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
                out += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                out += static_cast<char>(0xF0 | c >> 18);
                out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
                out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        return out;
    }

} // namespace

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
            static_cast<std::uint64_t>(id.Size.QuadPart), Utf8(name), {} };
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
