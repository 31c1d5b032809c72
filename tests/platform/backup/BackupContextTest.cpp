#include "BackupContext.h"

#include "BackupApi.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace sondrel::backup;
using namespace win32;

namespace {

BackupStream Memory(DWORD id, std::string content, std::u16string name = {})
{
    BackupStream s;
    s.Id = id;
    s.Size = content.size();
    s.Name = std::move(name);
    s.Content = std::make_unique<MemoryContent>(std::vector<BYTE>(content.begin(), content.end()));
    return s;
}

// A content that fails after a few bytes, as an unreadable xattr or a failing disk does.
class FailingContent final : public StreamContent
{
public:
    ContentRead Read(Offset offset, BYTE* out, std::size_t count) override
    {
        const std::size_t n = offset < 3 ? std::min<std::size_t>(count, 3 - offset) : 0;
        std::memset(out, 'f', n);
        return { n, ERROR_IO_DEVICE };
    }
};

BackupContext TwoStreams()
{
    BackupStreams streams;
    streams.push_back(Memory(BACKUP_DATA, "hello"));
    streams.push_back(Memory(BACKUP_ALTERNATE_DATA, "ads!", u":s:$DATA"));
    return BackupContext(std::move(streams));
}

std::string ReadAll(BackupContext& c, std::size_t chunk)
{
    std::string all;
    std::vector<BYTE> buffer(chunk);
    for (;;) {
        std::size_t read = 0;
        DWORD error = 0;
        EXPECT_TRUE(c.Read(buffer.data(), chunk, read, error));
        if (read == 0)
            return all;
        all.append(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(read));
    }
}

TEST(BackupContext, ByteStreamIsHeaderNameContentWithoutPadding)
{
    BackupContext c = TwoStreams();
    const std::string whole = ReadAll(c, 4096);
    ASSERT_EQ(whole.size(), 20u + 5u + 20u + 16u + 4u);
    BYTE header[kStreamHeaderSize];
    std::memcpy(header, whole.data(), kStreamHeaderSize);
    WIN32_STREAM_ID h = DecodeStreamHeader(header);
    EXPECT_EQ(h.dwStreamId, BACKUP_DATA);
    EXPECT_EQ(h.Size.QuadPart, 5);
    EXPECT_EQ(h.dwStreamNameSize, 0u);
    EXPECT_EQ(whole.substr(20, 5), "hello");
    std::memcpy(header, whole.data() + 25, kStreamHeaderSize);
    h = DecodeStreamHeader(header);
    EXPECT_EQ(h.dwStreamId, BACKUP_ALTERNATE_DATA);
    EXPECT_EQ(h.dwStreamNameSize, 16u);
    EXPECT_EQ(whole.substr(45, 16), std::string(":\0s\0:\0$\0D\0A\0T\0A\0", 16));
    EXPECT_EQ(whole.substr(61), "ads!");
}

TEST(BackupContext, ReadsMayEndAnywhere)
{
    BackupContext whole = TwoStreams();
    const std::string expected = ReadAll(whole, 4096);
    for (std::size_t chunk : { 1u, 3u, 7u, 19u, 21u }) {
        BackupContext c = TwoStreams();
        EXPECT_EQ(ReadAll(c, chunk), expected) << "chunk " << chunk;
    }
    // A name's units go out little-endian whatever piece of a unit a read ends in.
    const std::string name(":\0\xE9\0\x1A\xFF:\0", 8);
    for (std::size_t chunk : { 1u, 3u, 21u, 4096u }) {
        BackupStreams streams;
        streams.push_back(Memory(BACKUP_ALTERNATE_DATA, "x", u":\u00E9\uFF1A:"));
        BackupContext c(std::move(streams));
        EXPECT_EQ(ReadAll(c, chunk).substr(kStreamHeaderSize), name + "x") << "chunk " << chunk;
    }
}

// Copying to a file takes the current content only, never a header, and a content that fails
// delivers what came before it and the failure.
TEST(BackupContext, CopyToAFileStaysInsideTheCurrentContent)
{
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    const int fd = ::fileno(out);
    BackupContext c = TwoStreams();
    BYTE buffer[64];
    std::size_t done = 0;
    DWORD error = 0;
    EXPECT_FALSE(c.CopyContent(fd, 4, done, error)) << "at a header";
    EXPECT_EQ(error, DWORD { ERROR_INVALID_PARAMETER });
    ASSERT_TRUE(c.Read(buffer, 20, done, error));
    ASSERT_TRUE(c.CopyContent(fd, 2, done, error));
    EXPECT_EQ(done, 2u);
    ASSERT_TRUE(c.CopyContent(fd, 100, done, error));
    EXPECT_EQ(done, 3u) << "never into the next stream";
    ASSERT_TRUE(c.CopyContent(fd, 100, done, error));
    EXPECT_EQ(done, 0u);
    ASSERT_TRUE(c.Read(buffer, 20, done, error));
    EXPECT_EQ(DecodeStreamHeader(reinterpret_cast<BYTE(&)[20]>(buffer)).dwStreamId,
        BACKUP_ALTERNATE_DATA);

    BackupStreams failing;
    BackupStream bad;
    bad.Id = BACKUP_DATA;
    bad.Size = 10;
    bad.Content = std::make_unique<FailingContent>();
    failing.push_back(std::move(bad));
    BackupContext broken(std::move(failing));
    ASSERT_TRUE(broken.Read(buffer, 20, done, error));
    EXPECT_FALSE(broken.CopyContent(fd, 10, done, error));
    EXPECT_EQ(done, 3u);
    EXPECT_EQ(error, DWORD { ERROR_IO_DEVICE });

    std::string written(16, '\0');
    ASSERT_EQ(::pread(fd, written.data(), written.size(), 0), 8);
    EXPECT_EQ(written.substr(0, 8), "hellofff");
    std::fclose(out);
}

TEST(BackupContext, SeekStaysInsideTheCurrentContent)
{
    BackupContext c = TwoStreams();
    BYTE buffer[64];
    std::size_t read = 0;
    DWORD error = 0;
    Offset seeked = 0;
    EXPECT_FALSE(c.Seek(1, seeked)); // at a header: nothing to skip
    EXPECT_EQ(seeked, 0u);
    ASSERT_TRUE(c.Read(buffer, 20, read, error));
    EXPECT_TRUE(c.Seek(2, seeked));
    EXPECT_EQ(seeked, 2u);
    ASSERT_TRUE(c.Read(buffer, 1, read, error));
    EXPECT_EQ(buffer[0], 'l');
    // Past the end: stops at the next header, says how far it went, fails.
    EXPECT_FALSE(c.Seek(100, seeked));
    EXPECT_EQ(seeked, 2u);
    ASSERT_TRUE(c.Read(buffer, 20, read, error));
    EXPECT_EQ(DecodeStreamHeader(reinterpret_cast<BYTE(&)[20]>(buffer)).dwStreamId,
        BACKUP_ALTERNATE_DATA);
    ASSERT_TRUE(c.Read(buffer, 16, read, error));
    EXPECT_TRUE(c.Seek(4, seeked)); // exactly to the end succeeds
    ASSERT_TRUE(c.Read(buffer, 20, read, error));
    EXPECT_EQ(read, 0u);
}

TEST(BackupContext, AFailingContentDeliversWhatCameBeforeAndCanBeSkipped)
{
    BackupStreams streams;
    BackupStream broken;
    broken.Id = BACKUP_ALTERNATE_DATA;
    broken.Size = 10;
    broken.Content = std::make_unique<FailingContent>();
    streams.push_back(std::move(broken));
    streams.push_back(Memory(BACKUP_DATA, "after"));
    BackupContext c(std::move(streams));
    BYTE buffer[64];
    std::size_t read = 0;
    DWORD error = 0;
    ASSERT_TRUE(c.Read(buffer, 20, read, error));
    EXPECT_FALSE(c.Read(buffer, 10, read, error));
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(error, ERROR_IO_DEVICE);
    Offset seeked = 0;
    EXPECT_TRUE(c.Seek(7, seeked));
    ASSERT_TRUE(c.Read(buffer, 25, read, error));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer) + 20, 5), "after");
}

TEST(BackupContext, AContentShorterThanItsHeaderIsNeverPadded)
{
    BackupStreams streams;
    BackupStream s = Memory(BACKUP_DATA, "abc");
    s.Size = 8; // the file shrank after its size was taken
    streams.push_back(std::move(s));
    BackupContext c(std::move(streams));
    BYTE buffer[64];
    std::size_t read = 0;
    DWORD error = 0;
    EXPECT_FALSE(c.Read(buffer, 28, read, error));
    EXPECT_EQ(read, 23u);
    EXPECT_EQ(error, ERROR_SONDREL_CONTENT_CHANGED);
}

TEST(BackupContext, HeaderRoundTripKeepsSixtyFourBitSizes)
{
    WIN32_STREAM_ID h;
    h.dwStreamId = 9;
    h.dwStreamAttributes = 0x8;
    h.Size.QuadPart = 0x123456789ABLL;
    h.dwStreamNameSize = 44;
    BYTE bytes[kStreamHeaderSize];
    EncodeStreamHeader(h, bytes);
    EXPECT_EQ(bytes[8], 0xAB);
    EXPECT_EQ(bytes[13], 0x01);
    const WIN32_STREAM_ID back = DecodeStreamHeader(bytes);
    EXPECT_EQ(back.dwStreamId, 9u);
    EXPECT_EQ(back.dwStreamAttributes, 0x8u);
    EXPECT_EQ(back.Size.QuadPart, 0x123456789ABLL);
    EXPECT_EQ(back.dwStreamNameSize, 44u);
}

} // namespace
