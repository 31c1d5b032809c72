#pragma once
// Paths in URIs as other Linux programs write them: every byte outside the URI's unreserved
// characters and "/" as %XX, so names that are not UTF-8 survive (a URI made through a Unicode
// string would lose them). Used by the clipboard's file URIs and the trash's deletion records.

#include "BytePath.h"

#include <optional>
#include <string>
#include <string_view>

namespace sondrel::platform {

[[nodiscard]] std::string PercentEncodePath(std::string_view path);
// Its inverse; a malformed escape is kept as it stands.
[[nodiscard]] BytePath PercentDecode(std::string_view text);

// "file://" and the encoded absolute path.
[[nodiscard]] std::string FileUri(std::string_view path);
// The path of a local file URI ("file:///p" or "file://localhost/p"); empty for anything else.
[[nodiscard]] std::optional<BytePath> PathFromFileUri(std::string_view uri);

} // namespace sondrel::platform
