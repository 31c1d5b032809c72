#pragma once
// A Linux path is a byte string that need not be valid in any encoding; it is carried as bytes
// everywhere and decoded only for display.

#include <string>
#include <string_view>

namespace sondrel {

using BytePath = std::string;

[[nodiscard]] inline BytePath JoinPath(std::string_view folder, std::string_view name)
{
    BytePath path(folder);
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

} // namespace sondrel
