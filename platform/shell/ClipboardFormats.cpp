#include "ClipboardFormats.h"

#include "IdListArrayFormat.h"
#include "ShellItems.h"
#include "ShellNamespace.h"
#include "UriPath.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstdint>

namespace sondrel::platform {

namespace {

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
    std::vector<std::string_view> views(items.begin(), items.end());
    return idlist::EncodeArray(parent, views);
}

std::optional<std::vector<BytePath>> DecodeIdListArray(std::string_view block)
{
    const auto view = idlist::DecodeArray(block);
    if (!view)
        return std::nullopt;
    const std::string_view parent = idlist::WithoutTerminator(view->Parent);
    std::vector<BytePath> paths;
    paths.reserve(view->Items.size());
    std::string absolute;
    for (const std::string_view item : view->Items) {
        absolute.assign(parent);
        absolute += item;
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
    if (transfer.NewNames)
        formats.emplace_back(kNewNamesMime, "1");
    formats.emplace_back(kPlainTextMime, plain);
    return formats;
}

namespace {

    // The paths and the cut mark, from the most trusted form offered.
    std::optional<FileTransfer> DecodePaths(
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

} // namespace

std::optional<FileTransfer> DecodeFileTransfer(
    const std::function<std::optional<std::string>(const char* mime)>& get)
{
    std::optional<FileTransfer> transfer = DecodePaths(get);
    if (transfer) {
        const auto mark = get(kNewNamesMime);
        transfer->NewNames = mark && mark->starts_with('1');
    }
    return transfer;
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
