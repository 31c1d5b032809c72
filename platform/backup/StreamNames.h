#pragma once
// Named data streams stored as user.* extended attributes, and their names as the backup
// format carries them (":name:$DATA").

#include <optional>
#include <string>
#include <string_view>

namespace sondrel::backup {

// The stream's name (":name:$DATA" in UTF-16) for an xattr that holds a named stream, or nothing
// for any other xattr. Both ntfs-3g's "user.NAME" and Samba's "user.DosStream.NAME:$DATA" are
// recognised. A colon inside the name becomes U+FF1A, which still reads as a colon but survives
// the cut at the first colon; bytes that are not UTF-8 travel as U+DC80..U+DCFF.
[[nodiscard]] std::optional<std::u16string> StreamNameFromXattr(std::string_view xattrName);

// Samba keeps a NUL byte after a stream's content inside the xattr value.
[[nodiscard]] bool IsSambaStreamXattr(std::string_view xattrName);

} // namespace sondrel::backup
