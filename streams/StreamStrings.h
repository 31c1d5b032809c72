#pragma once
// The program's own string resources.

#include <string>

namespace sondrel::streams {

constexpr int sDefaultStreamCaption = 100; // "<default>"
constexpr int sUnnamedStreamCaption = 101; // "<no name>"
constexpr int sStreamNotLoaded = 102;

// The text of a string resource; empty for an id that has none.
[[nodiscard]] std::string LoadStr(int id);

} // namespace sondrel::streams
