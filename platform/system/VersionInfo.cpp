#include "VersionInfo.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <stdexcept>

namespace sondrel::platform {

namespace {

    constexpr std::size_t kHeaderSize = 6; // wLength, wValueLength, wType

    [[nodiscard]] constexpr std::size_t Align4(std::size_t offset)
    {
        return (offset + 3) & ~std::size_t { 3 };
    }

    [[nodiscard]] std::uint16_t Word(std::span<const std::uint8_t> block, std::size_t offset)
    {
        return static_cast<std::uint16_t>(block[offset] | block[offset + 1] << 8);
    }

    struct Node
    {
        std::size_t End = 0; // one past the node's last byte
        std::size_t KeyOffset = 0;
        std::size_t KeyUnits = 0; // without the zero
        VersionValue Value;
        std::size_t ChildrenOffset = 0;
    };

    // The node at `offset`, which must lie within [offset, limit). Nothing when it does not fit
    // or its key has no end.
    std::optional<Node> ReadNode(
        std::span<const std::uint8_t> block, std::size_t offset, std::size_t limit)
    {
        if (offset > limit || limit - offset < kHeaderSize)
            return std::nullopt;
        const std::size_t length = Word(block, offset);
        if (length < kHeaderSize + 2 || length > limit - offset)
            return std::nullopt;
        Node node;
        node.End = offset + length;
        const std::size_t valueLength = Word(block, offset + 2);
        const std::uint16_t type = Word(block, offset + 4);
        node.KeyOffset = offset + kHeaderSize;
        std::size_t at = node.KeyOffset;
        for (;; at += 2) {
            if (node.End - at < 2)
                return std::nullopt;
            if (Word(block, at) == 0)
                break;
        }
        node.KeyUnits = (at - node.KeyOffset) / 2;
        node.Value.IsText = type == 1;
        // Text lengths count UTF-16 units, binary ones bytes.
        node.Value.Size = node.Value.IsText ? valueLength * std::size_t { 2 } : valueLength;
        node.Value.Offset = std::min(Align4(at + 2), node.End);
        if (node.Value.Size > node.End - node.Value.Offset)
            return std::nullopt;
        node.ChildrenOffset = std::min(Align4(node.Value.Offset + node.Value.Size), node.End);
        return node;
    }

    [[nodiscard]] char16_t FoldAscii(char16_t c)
    {
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
    }

    [[nodiscard]] bool KeyIs(
        std::span<const std::uint8_t> block, const Node& node, std::string_view name)
    {
        if (node.KeyUnits != name.size())
            return false;
        for (std::size_t i = 0; i < name.size(); ++i) {
            const char16_t unit = Word(block, node.KeyOffset + 2 * i);
            const auto wanted = static_cast<char16_t>(static_cast<unsigned char>(name[i]));
            if (FoldAscii(unit) != FoldAscii(wanted))
                return false;
        }
        return true;
    }

    // The child of `parent` called `name`.
    std::optional<Node> FindChild(
        std::span<const std::uint8_t> block, const Node& parent, std::string_view name)
    {
        std::size_t at = parent.ChildrenOffset;
        while (at < parent.End) {
            const std::optional<Node> child = ReadNode(block, at, parent.End);
            if (!child)
                return std::nullopt;
            if (KeyIs(block, *child, name))
                return child;
            at = Align4(child->End); // every node is at least 8 bytes, so this advances
        }
        return std::nullopt;
    }

    void PutWord(std::vector<std::uint8_t>& out, std::size_t at, std::size_t value)
    {
        if (value > 0xFFFF)
            throw std::length_error("version information block too large");
        out[at] = static_cast<std::uint8_t>(value);
        out[at + 1] = static_cast<std::uint8_t>(value >> 8);
    }

    void AppendWord(std::vector<std::uint8_t>& out, std::size_t value)
    {
        out.resize(out.size() + 2);
        PutWord(out, out.size() - 2, value);
    }

    void Pad(std::vector<std::uint8_t>& out) { out.resize(Align4(out.size()), 0); }

    void AppendText(std::vector<std::uint8_t>& out, std::u16string_view text)
    {
        for (char16_t c : text)
            AppendWord(out, c);
        AppendWord(out, 0);
    }

    // Writes a node: header, key, value, then whatever `children` appends; fixes the length.
    template <typename Children>
    void AppendNode(std::vector<std::uint8_t>& out, std::u16string_view key, bool text,
        std::size_t valueLength, std::span<const std::uint8_t> value, Children children)
    {
        Pad(out);
        const std::size_t start = out.size();
        AppendWord(out, 0);
        AppendWord(out, valueLength);
        AppendWord(out, text ? 1 : 0);
        AppendText(out, key);
        if (!value.empty()) {
            Pad(out);
            out.insert(out.end(), value.begin(), value.end());
        }
        children();
        PutWord(out, start, out.size() - start);
    }

    void NoChildren() { }

    std::vector<std::uint8_t> Bytes(const void* data, std::size_t size)
    {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        return { bytes, bytes + size };
    }

    [[nodiscard]] std::uint32_t High(const std::uint16_t (&v)[4])
    {
        return std::uint32_t { v[0] } << 16 | v[1];
    }
    [[nodiscard]] std::uint32_t Low(const std::uint16_t (&v)[4])
    {
        return std::uint32_t { v[2] } << 16 | v[3];
    }

} // namespace

std::optional<VersionValue> FindVersionValue(
    std::span<const std::uint8_t> block, std::string_view path)
{
    std::optional<Node> node = ReadNode(block, 0, block.size());
    if (!node || !KeyIs(block, *node, "VS_VERSION_INFO"))
        return std::nullopt;
    while (!path.empty()) {
        const std::size_t start = path.find_first_not_of('\\');
        if (start == std::string_view::npos)
            break;
        path.remove_prefix(start);
        const std::size_t end = std::min(path.find('\\'), path.size());
        node = FindChild(block, *node, path.substr(0, end));
        if (!node)
            return std::nullopt;
        path.remove_prefix(end);
    }
    return node->Value;
}

std::u16string VersionText(std::span<const std::uint8_t> block, const VersionValue& value)
{
    std::u16string text;
    if (value.Offset > block.size() || value.Size > block.size() - value.Offset)
        return text;
    for (std::size_t at = value.Offset; at + 1 < value.Offset + value.Size; at += 2) {
        const char16_t c = Word(block, at);
        if (c == 0)
            break;
        text += c;
    }
    return text;
}

std::vector<std::uint8_t> BuildVersionInfo(const VersionInfoFields& fields)
{
    win32::VS_FIXEDFILEINFO fixed {};
    fixed.dwSignature = win32::VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = win32::VS_FFI_STRUCVERSION;
    fixed.dwFileVersionMS = High(fields.FileVersion);
    fixed.dwFileVersionLS = Low(fields.FileVersion);
    fixed.dwProductVersionMS = High(fields.ProductVersion);
    fixed.dwProductVersionLS = Low(fields.ProductVersion);
    fixed.dwFileFlagsMask = 0x3F;
    fixed.dwFileOS = win32::VOS_NT_WINDOWS32;
    fixed.dwFileType = win32::VFT_APP;
    // The block is little-endian, as are the machines this runs on.
    static_assert(std::endian::native == std::endian::little);
    const std::vector<std::uint8_t> fixedBytes = Bytes(&fixed, sizeof fixed);

    char tableName[9] = {};
    static constexpr char kHex[] = "0123456789abcdef";
    const std::uint32_t id = std::uint32_t { fields.Language } << 16 | fields.CodePage;
    for (int i = 0; i < 8; ++i)
        tableName[i] = kHex[(id >> (28 - 4 * i)) & 0xF];
    const std::u16string table(tableName, tableName + 8);

    const std::uint32_t translation = std::uint32_t { fields.CodePage } << 16 | fields.Language;
    const std::vector<std::uint8_t> translationBytes = Bytes(&translation, sizeof translation);

    std::vector<std::uint8_t> out;
    AppendNode(out, u"VS_VERSION_INFO", false, fixedBytes.size(), fixedBytes, [&] {
        AppendNode(out, u"StringFileInfo", true, 0, {}, [&] {
            AppendNode(out, table, true, 0, {}, [&] {
                for (const auto& [key, text] : fields.Strings) {
                    std::vector<std::uint8_t> value;
                    AppendText(value, text);
                    AppendNode(out, key, true, text.size() + 1, value, NoChildren);
                }
            });
        });
        AppendNode(out, u"VarFileInfo", true, 0, {}, [&] {
            AppendNode(
                out, u"Translation", false, translationBytes.size(), translationBytes, NoChildren);
        });
    });
    return out;
}

void ParseVersionNumbers(std::string_view text, std::uint16_t (&numbers)[4])
{
    for (std::uint16_t& n : numbers) {
        n = 0;
        const std::size_t dot = std::min(text.find('.'), text.size());
        unsigned value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + dot, value);
        if (error == std::errc {} && end == text.data() + dot && value <= 0xFFFF)
            n = static_cast<std::uint16_t>(value);
        text.remove_prefix(std::min(dot + 1, text.size()));
    }
}

} // namespace sondrel::platform
