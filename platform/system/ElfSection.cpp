#include "ElfSection.h"

#include <bit>
#include <cerrno>
#include <cstring>

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::platform {

namespace {

    // Section tables and name tables beyond this are no program file's.
    constexpr std::uint64_t kMaxSections = 1u << 20;
    constexpr std::uint64_t kMaxNameTable = 16u << 20;

    class File
    {
    public:
        explicit File(const char* path)
            : m_fd(::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY))
        {
        }
        ~File()
        {
            if (m_fd >= 0)
                ::close(m_fd);
        }
        File(const File&) = delete;
        File& operator=(const File&) = delete;

        [[nodiscard]] int Fd() const { return m_fd; }

        // Reads exactly `size` bytes at `offset`, which the caller has checked against the size.
        [[nodiscard]] bool Read(std::uint64_t offset, void* data, std::size_t size) const
        {
            auto* bytes = static_cast<char*>(data);
            while (size > 0) {
                const ssize_t n = ::pread(m_fd, bytes, size, static_cast<off_t>(offset));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    return false;
                bytes += n;
                offset += static_cast<std::uint64_t>(n);
                size -= static_cast<std::size_t>(n);
            }
            return true;
        }

    private:
        int m_fd;
    };

    // [offset, offset + size) lies within a file of `fileSize` bytes.
    [[nodiscard]] bool Fits(std::uint64_t offset, std::uint64_t size, std::uint64_t fileSize)
    {
        return offset <= fileSize && size <= fileSize - offset;
    }

    template <typename Ehdr, typename Shdr>
    ElfSectionResult Find(const File& file, std::uint64_t fileSize, std::string_view name,
        std::size_t maxSize, std::vector<std::uint8_t>& content)
    {
        const ElfSectionResult notElf { ElfSectionError::NotElf, 0 };
        Ehdr header;
        if (!Fits(0, sizeof header, fileSize) || !file.Read(0, &header, sizeof header))
            return notElf;
        if (header.e_shoff == 0 || header.e_shentsize < sizeof(Shdr))
            return notElf;
        Shdr first;
        if (!Fits(header.e_shoff, sizeof first, fileSize)
            || !file.Read(header.e_shoff, &first, sizeof first))
            return notElf;
        // Counts that do not fit the header's fields live in the first section header.
        const std::uint64_t count = header.e_shnum == 0 ? first.sh_size : header.e_shnum;
        const std::uint64_t namesIndex
            = header.e_shstrndx == SHN_XINDEX ? first.sh_link : header.e_shstrndx;
        if (count == 0 || count > kMaxSections || namesIndex >= count
            || !Fits(header.e_shoff, count * header.e_shentsize, fileSize))
            return notElf;

        std::vector<Shdr> sections(count);
        for (std::uint64_t i = 0; i < count; ++i)
            if (!file.Read(header.e_shoff + i * header.e_shentsize, &sections[i], sizeof(Shdr)))
                return notElf;

        const Shdr& namesHeader = sections[namesIndex];
        if (namesHeader.sh_type == SHT_NOBITS || namesHeader.sh_size > kMaxNameTable
            || !Fits(namesHeader.sh_offset, namesHeader.sh_size, fileSize))
            return notElf;
        std::vector<char> names(namesHeader.sh_size);
        if (!file.Read(namesHeader.sh_offset, names.data(), names.size()))
            return notElf;

        for (const Shdr& section : sections) {
            if (section.sh_name >= names.size())
                continue;
            const char* start = names.data() + section.sh_name;
            const auto* end
                = static_cast<const char*>(std::memchr(start, 0, names.size() - section.sh_name));
            if (!end || std::string_view(start, static_cast<std::size_t>(end - start)) != name)
                continue;
            if (section.sh_type == SHT_NOBITS)
                return { ElfSectionError::NoSuchSection, 0 };
            if (section.sh_size > maxSize)
                return { ElfSectionError::TooLarge, 0 };
            if (!Fits(section.sh_offset, section.sh_size, fileSize))
                return notElf;
            content.resize(section.sh_size);
            if (!file.Read(section.sh_offset, content.data(), content.size()))
                return notElf;
            return {};
        }
        return { ElfSectionError::NoSuchSection, 0 };
    }

} // namespace

ElfSectionResult ReadElfSection(const char* path, std::string_view name, std::size_t maxSize,
    std::vector<std::uint8_t>& content)
{
    content.clear();
    const File file(path);
    if (file.Fd() < 0)
        return { ElfSectionError::CannotOpen, errno };
    struct stat status;
    if (::fstat(file.Fd(), &status) != 0)
        return { ElfSectionError::CannotOpen, errno };
    if (!S_ISREG(status.st_mode))
        return { ElfSectionError::NotElf, 0 };
    const auto fileSize = static_cast<std::uint64_t>(status.st_size);

    unsigned char ident[EI_NIDENT];
    if (!Fits(0, sizeof ident, fileSize) || !file.Read(0, ident, sizeof ident)
        || std::memcmp(ident, ELFMAG, SELFMAG) != 0 || ident[EI_VERSION] != EV_CURRENT)
        return { ElfSectionError::NotElf, 0 };
    const unsigned char nativeOrder
        = std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;
    if (ident[EI_DATA] != nativeOrder)
        return { ElfSectionError::NotElf, 0 };
    if (ident[EI_CLASS] == ELFCLASS64)
        return Find<Elf64_Ehdr, Elf64_Shdr>(file, fileSize, name, maxSize, content);
    if (ident[EI_CLASS] == ELFCLASS32)
        return Find<Elf32_Ehdr, Elf32_Shdr>(file, fileSize, name, maxSize, content);
    return { ElfSectionError::NotElf, 0 };
}

} // namespace sondrel::platform
