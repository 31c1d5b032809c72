#pragma once
// How the companion writes names: UTF-8 where they are UTF-8, with a tab, a newline and a
// backslash as \t, \n, \\ and every byte that is not UTF-8 as \xHH, so that one line is one item.

#include <string>
#include <string_view>

namespace sondrel::tools {

[[nodiscard]] std::string EscapeForLine(std::string_view bytes);

} // namespace sondrel::tools
