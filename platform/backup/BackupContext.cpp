#include "BackupContext.h"

#include "BackupApi.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <vector>

#include <unistd.h>

namespace sondrel::backup {

using namespace win32;

ContentRead MemoryContent::Read(Offset offset, BYTE* out, std::size_t count)
{
    if (offset >= m_bytes.size())
        return {};
    const std::size_t n = std::min<std::size_t>(count, m_bytes.size() - offset);
    std::memcpy(out, m_bytes.data() + offset, n);
    return { n, 0 };
}

ContentRead StreamContent::CopyTo(Offset offset, int fd, std::size_t count)
{
    constexpr std::size_t kBuffer = 1 << 20;
    std::vector<BYTE> buffer(std::min(count, kBuffer));
    std::size_t done = 0;
    while (done < count) {
        const ContentRead got
            = Read(offset + done, buffer.data(), std::min(count - done, buffer.size()));
        for (std::size_t written = 0; written < got.Bytes;) {
            const ssize_t n = ::write(fd, buffer.data() + written, got.Bytes - written);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return { done + written, Win32ErrorFromErrno(n < 0 ? errno : EIO) };
            written += static_cast<std::size_t>(n);
        }
        done += got.Bytes;
        if (got.Error != 0 || got.EndedEarly || got.Bytes == 0)
            return { done, got.Error, got.EndedEarly };
    }
    return { done, 0 };
}

Offset BackupContext::PrefixSize(const BackupStream& stream) const
{
    return kStreamHeaderSize + Offset { stream.Name.size() } * 2;
}

void BackupContext::Advance()
{
    ++m_index;
    m_offset = 0;
}

bool BackupContext::Read(BYTE* out, std::size_t count, std::size_t& read, DWORD& error)
{
    read = 0;
    while (read < count && m_index < m_streams.size()) {
        const BackupStream& stream = m_streams[m_index];
        const Offset prefix = PrefixSize(stream);
        if (m_offset < prefix) {
            // Header and name are serialised on the fly, straight into the caller's buffer:
            // counting reads every header, and a copy on the heap would cost more than the read.
            WIN32_STREAM_ID header;
            header.dwStreamId = stream.Id;
            header.dwStreamAttributes = stream.Attributes;
            header.Size.QuadPart = static_cast<LONGLONG>(stream.Size);
            header.dwStreamNameSize = static_cast<DWORD>(stream.Name.size() * 2);
            BYTE fixed[kStreamHeaderSize];
            EncodeStreamHeader(header, fixed);
            const std::size_t n
                = static_cast<std::size_t>(std::min<Offset>(prefix - m_offset, count - read));
            std::size_t done = 0;
            if (m_offset < kStreamHeaderSize) {
                done = std::min<std::size_t>(n, kStreamHeaderSize - m_offset);
                std::memcpy(out + read, fixed + m_offset, done);
            }
            // The name's units, little-endian; a read may begin or end inside a unit.
            Offset at = m_offset + done - kStreamHeaderSize;
            if constexpr (std::endian::native == std::endian::little) {
                // The units' bytes in memory are already those of the stream.
                if (done < n)
                    std::memcpy(out + read + done,
                        reinterpret_cast<const BYTE*>(stream.Name.data()) + at, n - done);
                read += n;
                m_offset += n;
                continue;
            }
            if (done < n && at % 2 != 0) {
                out[read + done++] = static_cast<BYTE>(stream.Name[at / 2] >> 8);
                ++at;
            }
            for (std::size_t unit = at / 2; done + 1 < n; ++unit, done += 2) {
                out[read + done] = static_cast<BYTE>(stream.Name[unit] & 0xFF);
                out[read + done + 1] = static_cast<BYTE>(stream.Name[unit] >> 8);
            }
            if (done < n) {
                at = m_offset + done - kStreamHeaderSize;
                out[read + done++] = static_cast<BYTE>(stream.Name[at / 2] & 0xFF);
            }
            read += n;
            m_offset += n;
            continue;
        }
        const Offset contentOffset = m_offset - prefix;
        if (contentOffset >= stream.Size) {
            Advance();
            continue;
        }
        const std::size_t want
            = static_cast<std::size_t>(std::min<Offset>(stream.Size - contentOffset, count - read));
        const ContentRead got = stream.Content
            ? stream.Content->Read(contentOffset, out + read, want)
            : ContentRead { 0, ERROR_SONDREL_CONTENT_CHANGED };
        read += got.Bytes;
        m_offset += got.Bytes;
        if (got.Bytes < want && got.EndedEarly)
            return true; // short, and the reader skips the rest of the stream
        if (got.Bytes < want) {
            // A content that ends before its header's size is never padded with invented bytes.
            error = got.Error != 0 ? got.Error : ERROR_SONDREL_CONTENT_CHANGED;
            return false;
        }
    }
    if (read < count && m_failure != 0) {
        error = m_failure;
        return false;
    }
    return true;
}

bool BackupContext::CopyContent(int fd, std::size_t count, std::size_t& copied, DWORD& error)
{
    copied = 0;
    if (m_index >= m_streams.size())
        return true;
    const BackupStream& stream = m_streams[m_index];
    const Offset prefix = PrefixSize(stream);
    if (m_offset < prefix) {
        error = ERROR_INVALID_PARAMETER; // a copy never moves through a header or a name
        return false;
    }
    const Offset contentOffset = m_offset - prefix;
    const std::size_t want
        = static_cast<std::size_t>(std::min<Offset>(stream.Size - contentOffset, count));
    if (want == 0)
        return true;
    const ContentRead got = stream.Content ? stream.Content->CopyTo(contentOffset, fd, want)
                                           : ContentRead { 0, ERROR_SONDREL_CONTENT_CHANGED };
    copied = got.Bytes;
    m_offset += got.Bytes;
    if (got.Bytes < want && !got.EndedEarly) {
        error = got.Error != 0 ? got.Error : ERROR_SONDREL_CONTENT_CHANGED;
        return false;
    }
    return true;
}

bool BackupContext::Seek(Offset count, Offset& seeked)
{
    seeked = 0;
    if (m_index >= m_streams.size())
        return false;
    const BackupStream& stream = m_streams[m_index];
    const Offset prefix = PrefixSize(stream);
    if (m_offset < prefix)
        return false; // a seek never moves through a header or a name
    const Offset remaining = stream.Size - (m_offset - prefix);
    if (count < remaining) {
        m_offset += count;
        seeked = count;
        return true;
    }
    seeked = remaining;
    Advance();
    return count == remaining;
}

} // namespace sondrel::backup
