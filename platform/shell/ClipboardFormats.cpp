#include "ClipboardFormats.h"

#include "ShellItems.h"
#include "ShellNamespace.h"
#include "UriPath.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstdint>

namespace sondrel::platform {

namespace {

    void PutU32(std::string& block, std::size_t at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            block[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }

    std::uint32_t GetU32(std::string_view block, std::size_t at)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(block[at + i]))
                << (8 * i);
        return value;
    }

    // The length of the ID list at `at`, its terminator included; 0 when it runs off the block.
    std::size_t ListLength(std::string_view block, std::size_t at)
    {
        std::size_t end = at;
        for (;;) {
            if (end + 2 > block.size())
                return 0;
            const std::size_t size = static_cast<unsigned char>(block[end])
                | static_cast<std::size_t>(static_cast<unsigned char>(block[end + 1])) << 8;
            if (size == 0)
                return end + 2 - at;
            if (size < 2)
                return 0;
            end += size;
        }
    }

    std::vector<std::string_view> Lines(std::string_view text)
    {
        std::vector<std::string_view> lines;
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            std::string_view line = text.substr(0, end);
            if (line.ends_with('\r'))
                line.remove_suffix(1);
            lines.push_back(line);
            if (end == std::string_view::npos)
                break;
            text.remove_prefix(end + 1);
        }
        return lines;
    }

    // "copy"/"cut" and then the URIs, as the GNOME form and the older text form carry them.
    std::optional<FileTransfer> FromActionAndUris(const std::vector<std::string_view>& lines)
    {
        if (lines.empty() || (lines[0] != "copy" && lines[0] != "cut"))
            return std::nullopt;
        FileTransfer transfer;
        transfer.Cut = lines[0] == "cut";
        for (std::size_t i = 1; i < lines.size(); ++i) {
            if (lines[i].empty())
                continue;
            const auto path = PathFromFileUri(lines[i]);
            if (!path)
                return std::nullopt; // not only local files: not ours to paste
            transfer.Paths.push_back(*path);
        }
        if (transfer.Paths.empty())
            return std::nullopt;
        return transfer;
    }

    std::string CommonFolder(const std::vector<BytePath>& paths)
    {
        std::string folder;
        for (const BytePath& path : paths) {
            const std::size_t slash = path.rfind('/');
            if (slash == std::string::npos)
                return {};
            const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
            if (!folder.empty() && folder != parent)
                return {};
            folder = parent;
        }
        return folder;
    }

} // namespace

std::string EncodeIdListArray(const std::vector<BytePath>& paths)
{
    if (paths.empty())
        return {};
    // One parent for all when they share a folder; else the desktop, with absolute items.
    const std::string folder = CommonFolder(paths);
    std::string parent;
    std::vector<std::string> items;
    if (!folder.empty() && win32::SUCCEEDED(ParseAbsolutePath(folder, parent))) {
        for (const BytePath& path : paths) {
            std::string item;
            if (win32::FAILED(ParseRelativePath(folder, path.substr(path.rfind('/') + 1), item)))
                return {};
            items.push_back(std::move(item));
        }
    } else {
        parent.clear();
        for (const BytePath& path : paths) {
            std::string item;
            if (win32::FAILED(ParseAbsolutePath(path, item)))
                return {};
            items.push_back(std::move(item));
        }
    }
    const std::size_t n = items.size();
    std::string block(4 + 4 * (n + 1), '\0');
    PutU32(block, 0, static_cast<std::uint32_t>(n));
    PutU32(block, 4, static_cast<std::uint32_t>(block.size()));
    block += parent + std::string(idlist::kTerminator, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        PutU32(block, 8 + 4 * i, static_cast<std::uint32_t>(block.size()));
        block += items[i] + std::string(idlist::kTerminator, '\0');
    }
    return block;
}

std::optional<std::vector<BytePath>> DecodeIdListArray(std::string_view block)
{
    if (block.size() < 8)
        return std::nullopt;
    const std::uint32_t n = GetU32(block, 0);
    if (n == 0 || n > (block.size() - 8) / 4)
        return std::nullopt;
    const std::size_t parentAt = GetU32(block, 4);
    const std::size_t parentLength = parentAt < block.size() ? ListLength(block, parentAt) : 0;
    if (parentLength == 0)
        return std::nullopt;
    const std::string_view parent = block.substr(parentAt, parentLength - idlist::kTerminator);
    std::vector<BytePath> paths;
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::size_t at = GetU32(block, 8 + 4 * std::size_t { i });
        const std::size_t length = at < block.size() ? ListLength(block, at) : 0;
        if (length == 0)
            return std::nullopt;
        const std::string absolute = std::string(parent) + std::string(block.substr(at, length));
        BytePath path;
        if (!GetPathFromIdList(reinterpret_cast<win32::PCIDLIST>(absolute.data()), path))
            return std::nullopt;
        paths.push_back(std::move(path));
    }
    return paths;
}

std::vector<std::pair<std::string, std::string>> EncodeFileTransfer(const FileTransfer& transfer)
{
    std::string uriList;
    std::string gnome = transfer.Cut ? "cut" : "copy";
    std::string plain;
    for (const BytePath& path : transfer.Paths) {
        const std::string uri = FileUri(path);
        uriList += uri + "\r\n";
        gnome += "\n" + uri;
        plain += (plain.empty() ? "" : "\n") + path;
    }
    std::vector<std::pair<std::string, std::string>> formats;
    if (std::string block = EncodeIdListArray(transfer.Paths); !block.empty())
        formats.emplace_back(kIdListArrayMime, std::move(block));
    formats.emplace_back(kUriListMime, uriList);
    formats.emplace_back(kGnomeCopiedMime, gnome);
    if (transfer.Cut)
        formats.emplace_back(kKdeCutMime, "1");
    formats.emplace_back(kPlainTextMime, plain);
    return formats;
}

std::optional<FileTransfer> DecodeFileTransfer(
    const std::function<std::optional<std::string>(const char* mime)>& get)
{
    const auto kdeCut = [&] {
        const auto mark = get(kKdeCutMime);
        return mark && mark->starts_with('1');
    };
    if (const auto block = get(kIdListArrayMime)) {
        if (auto paths = DecodeIdListArray(*block)) {
            const auto gnome = get(kGnomeCopiedMime);
            const bool cut = (gnome && gnome->starts_with("cut\n")) || kdeCut();
            return FileTransfer { std::move(*paths), cut };
        }
    }
    if (const auto gnome = get(kGnomeCopiedMime))
        if (auto transfer = FromActionAndUris(Lines(*gnome)))
            return transfer;
    if (const auto text = get(kPlainTextMime)) {
        auto lines = Lines(*text);
        if (!lines.empty() && lines[0] == "x-special/nautilus-clipboard") {
            lines.erase(lines.begin());
            if (auto transfer = FromActionAndUris(lines))
                return transfer;
        }
    }
    if (const auto uris = get(kUriListMime)) {
        FileTransfer transfer;
        for (const std::string_view line : Lines(*uris)) {
            if (line.empty() || line.starts_with('#'))
                continue;
            const auto path = PathFromFileUri(line);
            if (!path)
                return std::nullopt;
            transfer.Paths.push_back(*path);
        }
        if (transfer.Paths.empty())
            return std::nullopt;
        transfer.Cut = kdeCut();
        return transfer;
    }
    return std::nullopt;
}

QMimeData* MakeMimeData(const FileTransfer& transfer)
{
    auto* data = new QMimeData;
    for (const auto& [mime, bytes] : EncodeFileTransfer(transfer))
        data->setData(QString::fromLatin1(mime),
            QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return data;
}

std::optional<FileTransfer> ReadMimeData(const QMimeData& data)
{
    return DecodeFileTransfer([&](const char* mime) -> std::optional<std::string> {
        const QString name = QString::fromLatin1(mime);
        if (!data.hasFormat(name))
            return std::nullopt;
        const QByteArray bytes = data.data(name);
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    });
}

void PutOnClipboard(const FileTransfer& transfer)
{
    QGuiApplication::clipboard()->setMimeData(MakeMimeData(transfer));
}

std::optional<FileTransfer> ReadClipboard()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr)
        return std::nullopt;
    return ReadMimeData(*data);
}

void ClearClipboard() { QGuiApplication::clipboard()->clear(); }

} // namespace sondrel::platform
