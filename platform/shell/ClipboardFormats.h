#pragma once
// Files on the clipboard (and in drags) in the forms other Linux file managers use, both ways:
// `text/uri-list`, `x-special/gnome-copied-files` ("copy" or "cut", then one URI a line, no line
// break at the end), `application/x-kde-cutselection` ("1" for a cut), `text/plain` paths, and
// the shell's "Shell IDList Array" block under a private MIME name for ourselves. URIs are made
// from the paths' bytes, so names that are not UTF-8 survive. Only local `file:` URIs are taken.

#include "BytePath.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QMimeData;

namespace sondrel::platform {

inline constexpr const char* kIdListArrayMime = "application/x-sondrel-shell-idlist-array";
inline constexpr const char* kUriListMime = "text/uri-list";
inline constexpr const char* kGnomeCopiedMime = "x-special/gnome-copied-files";
inline constexpr const char* kKdeCutMime = "application/x-kde-cutselection";
inline constexpr const char* kPlainTextMime = "text/plain";
// Ours: "1" when the files were made for this transfer alone (a stream dragged out as a file), so
// that they never replace a file where they land.
inline constexpr const char* kNewNamesMime = "application/x-sondrel-new-names";

struct FileTransfer
{
    std::vector<BytePath> Paths;
    bool Cut = false;
    // A name they clash with in the target folder gets a new name: nothing is replaced, and
    // the user is not asked.
    bool NewNames = false;
};

// Every format's bytes for `paths` (absolute), our own first.
[[nodiscard]] std::vector<std::pair<std::string, std::string>> EncodeFileTransfer(
    const FileTransfer& transfer);

// Reads a transfer from an offer; `get` answers the bytes of a MIME type, or nothing. Trusted in
// this order: our ID-list array, the GNOME form, the older text form that starts
// "x-special/nautilus-clipboard", a URI list (a cut when the KDE mark says "1").
[[nodiscard]] std::optional<FileTransfer> DecodeFileTransfer(
    const std::function<std::optional<std::string>(const char* mime)>& get);

// The "Shell IDList Array" block of absolute paths and back (empty / nothing when it cannot be
// made or read; the reader checks every offset and length).
[[nodiscard]] std::string EncodeIdListArray(const std::vector<BytePath>& paths);
[[nodiscard]] std::optional<std::vector<BytePath>> DecodeIdListArray(std::string_view block);

// Qt's side: a new mime data object (the caller owns it), reading one, and the clipboard itself
// (GUI thread, with a QGuiApplication).
[[nodiscard]] QMimeData* MakeMimeData(const FileTransfer& transfer);
[[nodiscard]] std::optional<FileTransfer> ReadMimeData(const QMimeData& data);
void PutOnClipboard(const FileTransfer& transfer);
[[nodiscard]] std::optional<FileTransfer> ReadClipboard();
void ClearClipboard();

} // namespace sondrel::platform
