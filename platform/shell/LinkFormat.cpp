#include "LinkFormat.h"

#include "CodePage.h"
#include "IdListFormat.h"

#include <cstring>
#include <string_view>

namespace sondrel::shelllink {

namespace {

    constexpr unsigned char kLinkClsid[16] = { 0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 };
    constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x1;
    constexpr std::uint32_t kNetworkRelativeLink = 0x2;
    constexpr std::size_t kEnvironmentBlockSize = 0x314;
    constexpr std::size_t kLinkInfoHeaderUnicode = 0x24;

    // A bounded view of bytes; every read checks that it stays inside.
    class Bytes
    {
    public:
        Bytes(const unsigned char* data, std::size_t size)
            : m_data(data)
            , m_size(size)
        {
        }
        [[nodiscard]] std::size_t Size() const { return m_size; }
        [[nodiscard]] const unsigned char* At(std::size_t offset) const { return m_data + offset; }
        [[nodiscard]] bool Has(std::size_t offset, std::size_t length) const
        {
            return offset <= m_size && length <= m_size - offset;
        }
        bool U16(std::size_t offset, std::uint16_t& value) const
        {
            if (!Has(offset, 2))
                return false;
            value = static_cast<std::uint16_t>(m_data[offset] | m_data[offset + 1] << 8);
            return true;
        }
        bool U32(std::size_t offset, std::uint32_t& value) const
        {
            if (!Has(offset, 4))
                return false;
            value = 0;
            for (int i = 3; i >= 0; --i)
                value = value << 8 | m_data[offset + static_cast<std::size_t>(i)];
            return true;
        }
        bool U64(std::size_t offset, std::uint64_t& value) const
        {
            std::uint32_t low = 0;
            std::uint32_t high = 0;
            if (!U32(offset, low) || !U32(offset + 4, high))
                return false;
            value = static_cast<std::uint64_t>(high) << 32 | low;
            return true;
        }
        // A zero-ended code-page string starting at `offset`, ended inside the view.
        bool AnsiZ(std::size_t offset, std::string& out) const
        {
            if (offset >= m_size)
                return false;
            const void* zero = std::memchr(m_data + offset, 0, m_size - offset);
            if (zero == nullptr)
                return false;
            out.assign(reinterpret_cast<const char*>(m_data + offset),
                static_cast<const unsigned char*>(zero) - (m_data + offset));
            return true;
        }
        // A zero-ended UTF-16 string starting at `offset`, ended inside the view.
        bool WideZ(std::size_t offset, std::string& out) const
        {
            std::u16string wide;
            for (std::size_t at = offset;; at += 2) {
                std::uint16_t unit = 0;
                if (!U16(at, unit))
                    return false;
                if (unit == 0)
                    break;
                wide += static_cast<char16_t>(unit);
            }
            out = win32::WideToAnsi(wide);
            return true;
        }
        [[nodiscard]] Bytes Sub(std::size_t offset, std::size_t length) const
        {
            return Bytes(m_data + offset, length);
        }

    private:
        const unsigned char* m_data;
        std::size_t m_size;
    };

    bool ReadVolumeId(const Bytes& info, std::size_t offset, LinkRecord& record)
    {
        std::uint32_t size = 0;
        if (!info.U32(offset, size) || size <= 0x10 || !info.Has(offset, size))
            return false;
        const Bytes volume = info.Sub(offset, size);
        std::uint32_t labelOffset = 0;
        if (!volume.U32(4, record.DriveType) || !volume.U32(8, record.DriveSerialNumber)
            || !volume.U32(12, labelOffset))
            return false;
        if (labelOffset == 0x14) {
            std::uint32_t unicodeOffset = 0;
            return volume.U32(16, unicodeOffset) && volume.WideZ(unicodeOffset, record.VolumeLabel);
        }
        return volume.AnsiZ(labelOffset, record.VolumeLabel);
    }

    bool ReadNetworkLink(const Bytes& info, std::size_t offset, LinkRecord& record)
    {
        std::uint32_t size = 0;
        if (!info.U32(offset, size) || size < 0x14 || !info.Has(offset, size))
            return false;
        const Bytes link = info.Sub(offset, size);
        std::uint32_t netNameOffset = 0;
        if (!link.U32(8, netNameOffset))
            return false;
        if (netNameOffset > 0x14) {
            std::uint32_t unicodeOffset = 0;
            return link.U32(20, unicodeOffset) && link.WideZ(unicodeOffset, record.NetName);
        }
        return link.AnsiZ(netNameOffset, record.NetName);
    }

    bool ReadLinkInfo(const Bytes& file, std::size_t& at, LinkRecord& record)
    {
        std::uint32_t size = 0;
        if (!file.U32(at, size) || size < 0x1C || !file.Has(at, size))
            return false;
        const Bytes info = file.Sub(at, size);
        at += size;
        std::uint32_t headerSize = 0;
        std::uint32_t flags = 0;
        std::uint32_t volumeOffset = 0;
        std::uint32_t localOffset = 0;
        std::uint32_t networkOffset = 0;
        std::uint32_t suffixOffset = 0;
        if (!info.U32(4, headerSize) || headerSize < 0x1C || headerSize > size
            || !info.U32(8, flags) || !info.U32(12, volumeOffset) || !info.U32(16, localOffset)
            || !info.U32(20, networkOffset) || !info.U32(24, suffixOffset))
            return false;
        std::uint32_t localUnicode = 0;
        std::uint32_t suffixUnicode = 0;
        if (headerSize >= kLinkInfoHeaderUnicode
            && (!info.U32(28, localUnicode) || !info.U32(32, suffixUnicode)))
            return false;
        if ((flags & kVolumeIdAndLocalBasePath) != 0) {
            if (!ReadVolumeId(info, volumeOffset, record))
                return false;
            if (localUnicode != 0 ? !info.WideZ(localUnicode, record.LocalBasePath)
                                  : !info.AnsiZ(localOffset, record.LocalBasePath))
                return false;
        }
        if ((flags & kNetworkRelativeLink) != 0 && !ReadNetworkLink(info, networkOffset, record))
            return false;
        if (suffixUnicode != 0)
            return info.WideZ(suffixUnicode, record.CommonPathSuffix);
        return suffixOffset == 0 || info.AnsiZ(suffixOffset, record.CommonPathSuffix);
    }

    bool ReadString(
        const Bytes& file, std::size_t& at, bool unicode, std::optional<std::string>& out)
    {
        std::uint16_t count = 0;
        if (!file.U16(at, count))
            return false;
        at += 2;
        const std::size_t bytes = unicode ? std::size_t { count } * 2 : count;
        if (!file.Has(at, bytes))
            return false;
        if (unicode) {
            std::u16string wide(count, u'\0');
            for (std::size_t i = 0; i < count; ++i)
                wide[i] = static_cast<char16_t>(file.At(at)[2 * i] | file.At(at)[2 * i + 1] << 8);
            out = win32::WideToAnsi(wide);
        } else {
            out = std::string(reinterpret_cast<const char*>(file.At(at)), bytes);
        }
        at += bytes;
        return true;
    }

    bool ReadExtraData(const Bytes& file, std::size_t at, LinkRecord& record)
    {
        while (file.Has(at, 4)) {
            std::uint32_t size = 0;
            (void)file.U32(at, size);
            if (size < 4)
                return true; // the terminal block
            std::uint32_t signature = 0;
            if (size < 8 || !file.Has(at, size) || !file.U32(at + 4, signature))
                return false;
            const Bytes block = file.Sub(at, size);
            if (signature == kEnvironmentBlock && size == kEnvironmentBlockSize) {
                std::string ansi;
                std::string wide;
                const Bytes ansiPart = block.Sub(8, 260);
                const Bytes widePart = block.Sub(268, 520);
                if (!ansiPart.AnsiZ(0, ansi))
                    ansi.clear();
                if (!widePart.WideZ(0, wide))
                    wide.clear();
                record.EnvironmentTarget = wide.empty() ? ansi : wide;
            } else {
                record.OtherBlocks.emplace_back(reinterpret_cast<const char*>(block.At(0)), size);
            }
            at += size;
        }
        return true; // a missing terminal block is forgiven: nothing follows it anyway
    }

    void PutU16(std::string& out, std::uint32_t value)
    {
        out += static_cast<char>(value & 0xFF);
        out += static_cast<char>(value >> 8 & 0xFF);
    }
    void PutU32(std::string& out, std::uint32_t value)
    {
        PutU16(out, value & 0xFFFF);
        PutU16(out, value >> 16);
    }
    void PutU64(std::string& out, std::uint64_t value)
    {
        PutU32(out, static_cast<std::uint32_t>(value));
        PutU32(out, static_cast<std::uint32_t>(value >> 32));
    }
    void PutWide(std::string& out, const std::u16string& wide)
    {
        for (const char16_t unit : wide)
            PutU16(out, unit);
    }

    std::string LinkInfoBytes(const LinkRecord& record)
    {
        std::string volume;
        PutU32(volume, 0x11);
        PutU32(volume, record.DriveType);
        PutU32(volume, record.DriveSerialNumber);
        PutU32(volume, 0x10);
        volume += '\0'; // no label: Windows' readers expect the ANSI form here
        std::string body;
        const std::size_t volumeOffset = kLinkInfoHeaderUnicode;
        const std::size_t localOffset = volumeOffset + volume.size();
        const std::size_t suffixOffset = localOffset + record.LocalBasePath.size() + 1;
        const std::size_t localUnicode = suffixOffset + record.CommonPathSuffix.size() + 1;
        const std::u16string localWide = win32::AnsiToWide(record.LocalBasePath);
        const std::u16string suffixWide = win32::AnsiToWide(record.CommonPathSuffix);
        const std::size_t suffixUnicode = localUnicode + 2 * (localWide.size() + 1);
        const std::size_t total = suffixUnicode + 2 * (suffixWide.size() + 1);
        std::string info;
        PutU32(info, static_cast<std::uint32_t>(total));
        PutU32(info, kLinkInfoHeaderUnicode);
        PutU32(info, kVolumeIdAndLocalBasePath);
        PutU32(info, static_cast<std::uint32_t>(volumeOffset));
        PutU32(info, static_cast<std::uint32_t>(localOffset));
        PutU32(info, 0);
        PutU32(info, static_cast<std::uint32_t>(suffixOffset));
        PutU32(info, static_cast<std::uint32_t>(localUnicode));
        PutU32(info, static_cast<std::uint32_t>(suffixUnicode));
        info += volume;
        info += record.LocalBasePath;
        info += '\0';
        info += record.CommonPathSuffix;
        info += '\0';
        PutWide(info, localWide);
        PutU16(info, 0);
        PutWide(info, suffixWide);
        PutU16(info, 0);
        return info;
    }

} // namespace

std::string LinkRecord::TargetPath() const
{
    if (!LinkInfoIgnored && !LocalBasePath.empty())
        return LocalBasePath + CommonPathSuffix;
    if (!LinkInfoIgnored && !NetName.empty()) {
        if (CommonPathSuffix.empty())
            return NetName;
        return NetName.ends_with('\\') ? NetName + CommonPathSuffix
                                       : NetName + '\\' + CommonPathSuffix;
    }
    return EnvironmentTarget.value_or(std::string());
}

bool FitsLinkString(const std::string& text)
{
    return text.size() <= 0xFFFF || win32::AnsiToWide(text).size() <= 0xFFFF;
}

bool ReadLink(const unsigned char* data, std::size_t size, LinkRecord& record)
{
    record = LinkRecord {};
    const Bytes file(data, size);
    std::uint32_t headerSize = 0;
    std::uint32_t flags = 0;
    if (!file.U32(0, headerSize) || headerSize != kHeaderSize || !file.Has(0, kHeaderSize)
        || std::memcmp(file.At(4), kLinkClsid, sizeof kLinkClsid) != 0)
        return false;
    std::uint32_t showCommand = 0;
    std::uint32_t iconIndex = 0;
    (void)file.U32(20, flags);
    (void)file.U32(24, record.FileAttributes);
    (void)file.U64(28, record.CreationTime);
    (void)file.U64(36, record.AccessTime);
    (void)file.U64(44, record.WriteTime);
    (void)file.U32(52, record.FileSize);
    (void)file.U32(56, iconIndex);
    (void)file.U32(60, showCommand);
    (void)file.U16(64, record.HotKey);
    record.IconIndex = static_cast<std::int32_t>(iconIndex);
    record.ShowCommand = showCommand == kShowMaximized || showCommand == kShowMinNoActive
        ? showCommand
        : kShowNormal;

    std::size_t at = kHeaderSize;
    if ((flags & kHasTargetIdList) != 0) {
        std::uint16_t listSize = 0;
        if (!file.U16(at, listSize) || !file.Has(at + 2, listSize))
            return false;
        at += 2;
        if (idlist::CheckedListSize(file.At(at), listSize) != listSize)
            return false;
        record.IdList.assign(reinterpret_cast<const char*>(file.At(at)), listSize);
        at += listSize;
    }
    if ((flags & kHasLinkInfo) != 0 && !ReadLinkInfo(file, at, record))
        return false;
    record.LinkInfoIgnored = (flags & kForceNoLinkInfo) != 0;
    const bool unicode = (flags & kIsUnicode) != 0;
    const std::pair<std::uint32_t, std::optional<std::string>*> strings[] = {
        { kHasName, &record.Description },
        { kHasRelativePath, &record.RelativePath },
        { kHasWorkingDir, &record.WorkingDirectory },
        { kHasArguments, &record.Arguments },
        { kHasIconLocation, &record.IconLocation },
    };
    for (const auto& [flag, field] : strings)
        if ((flags & flag) != 0 && !ReadString(file, at, unicode, *field))
            return false;
    return ReadExtraData(file, at, record);
}

std::optional<std::string> WriteLink(const LinkRecord& record)
{
    const std::pair<std::uint32_t, const std::optional<std::string>*> strings[] = {
        { kHasName, &record.Description },
        { kHasRelativePath, &record.RelativePath },
        { kHasWorkingDir, &record.WorkingDirectory },
        { kHasArguments, &record.Arguments },
        { kHasIconLocation, &record.IconLocation },
    };
    std::uint32_t flags = kIsUnicode;
    if (!record.IdList.empty()) {
        if (record.IdList.size() > 0xFFFF)
            return std::nullopt;
        flags |= kHasTargetIdList;
    }
    const bool linkInfo = !record.LocalBasePath.empty();
    if (linkInfo)
        flags |= kHasLinkInfo;
    for (const auto& [flag, field] : strings) {
        if (field->has_value()) {
            if (!FitsLinkString(**field))
                return std::nullopt;
            flags |= flag;
        }
    }
    if (record.EnvironmentTarget)
        flags |= kHasExpString;

    std::string out;
    PutU32(out, kHeaderSize);
    out.append(reinterpret_cast<const char*>(kLinkClsid), sizeof kLinkClsid);
    PutU32(out, flags);
    PutU32(out, record.FileAttributes);
    PutU64(out, record.CreationTime);
    PutU64(out, record.AccessTime);
    PutU64(out, record.WriteTime);
    PutU32(out, record.FileSize);
    PutU32(out, static_cast<std::uint32_t>(record.IconIndex));
    PutU32(out, record.ShowCommand);
    PutU16(out, record.HotKey);
    out.append(10, '\0'); // reserved
    if (!record.IdList.empty()) {
        PutU16(out, static_cast<std::uint32_t>(record.IdList.size()));
        out += record.IdList;
    }
    if (linkInfo)
        out += LinkInfoBytes(record);
    for (const auto& [flag, field] : strings) {
        if (!field->has_value())
            continue;
        const std::u16string wide = win32::AnsiToWide(**field);
        PutU16(out, static_cast<std::uint32_t>(wide.size()));
        PutWide(out, wide);
    }
    if (record.EnvironmentTarget) {
        std::string block;
        PutU32(block, kEnvironmentBlockSize);
        PutU32(block, kEnvironmentBlock);
        std::string ansi = *record.EnvironmentTarget;
        if (ansi.size() > 259) {
            std::size_t cut = 259; // not inside a multi-byte character
            while (cut > 0 && (static_cast<unsigned char>(ansi[cut]) & 0xC0) == 0x80)
                --cut;
            ansi.resize(cut);
        }
        ansi.resize(260, '\0');
        block += ansi;
        std::u16string wide = win32::AnsiToWide(*record.EnvironmentTarget);
        if (wide.size() > 259)
            wide.resize(wide[258] >= 0xD800 && wide[258] < 0xDC00 ? 258 : 259);
        wide.resize(260, u'\0');
        PutWide(block, wide);
        out += block;
    }
    for (const std::string& block : record.OtherBlocks)
        out += block;
    PutU32(out, 0);
    return out;
}

} // namespace sondrel::shelllink
