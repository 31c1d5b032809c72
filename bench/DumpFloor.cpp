// sondrel-dump-floor FILE
//
// The whole-process baseline of the companion's dump: what a hand-written C program does to
// print the same hex dump of a file's first 16 MB. It reads 64 KiB at a time, formats each line
// with lookup tables (two hex digits and the shown character per byte value) into a buffer and
// writes the buffer. bench/run checks first that its output is the companion's.

#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr size_t kPiece = 64 * 1024;
constexpr size_t kCap = 16777216;
constexpr char kDigits[] = "0123456789ABCDEF";

char s_hex[256][2];
char s_shown[256];

void MakeTables()
{
    for (int b = 0; b < 256; ++b) {
        s_hex[b][0] = kDigits[b >> 4];
        s_hex[b][1] = kDigits[b & 0xF];
        s_shown[b] = b >= 0x1F && b <= 0x7E ? static_cast<char>(b) : '.';
    }
}

// One line of `count` bytes at `offset`; returns the end.
char* Line(char* at, const unsigned char* bytes, size_t count, size_t offset)
{
    int digits = 4;
    for (size_t rest = offset >> 16; rest != 0; rest >>= 4)
        ++digits;
    for (int k = digits - 1; k >= 0; --k, offset >>= 4)
        at[k] = kDigits[offset & 0xF];
    at += digits;
    *at++ = ' ';
    *at++ = ' ';
    for (size_t k = 0; k < 16; ++k) {
        if (k == 8) {
            *at++ = k < count ? '-' : ' ';
            *at++ = ' ';
        }
        if (k < count) {
            *at++ = s_hex[bytes[k]][0];
            *at++ = s_hex[bytes[k]][1];
        } else {
            *at++ = ' ';
            *at++ = ' ';
        }
        *at++ = ' ';
    }
    *at++ = ' ';
    *at++ = '|';
    for (size_t k = 0; k < count; ++k)
        *at++ = s_shown[bytes[k]];
    *at++ = '|';
    for (size_t k = count; k < 16; ++k)
        *at++ = ' ';
    *at++ = '\n';
    return at;
}

bool WriteAll(const char* bytes, size_t count)
{
    while (count > 0) {
        const ssize_t n = ::write(1, bytes, count);
        if (n <= 0)
            return false;
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: sondrel-dump-floor FILE\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    MakeTables();
    static unsigned char piece[kPiece];
    static char text[kPiece / 16 * 90];
    size_t offset = 0;
    while (offset < kCap) {
        size_t got = 0;
        while (got < kPiece && offset + got < kCap) {
            const ssize_t n = ::read(fd, piece + got, kPiece - got);
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        if (got == 0)
            break;
        char* at = text;
        for (size_t k = 0; k < got; k += 16)
            at = Line(at, piece + k, got - k < 16 ? got - k : 16, offset + k);
        if (!WriteAll(text, static_cast<size_t>(at - text)))
            return 1;
        offset += got;
        if (got < kPiece)
            break;
    }
    ::close(fd);
    return 0;
}
