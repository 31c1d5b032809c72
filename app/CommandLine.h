#pragma once
// The window program's command line: `sondrel [PATH]`, `sondrel --help`, `sondrel --version`.
// Read twice: once before the toolkit starts, so that help and version need no display, and
// again after the toolkit has taken its own options (-platform and the like) out of it.

#include <optional>
#include <string>
#include <string_view>

namespace sondrel::app {

struct TCommandLine
{
    enum TAction { caRun, caHelp, caVersion, caUsageError };

    TAction Action = caRun;
    // The path to open, as its bytes were given.
    std::optional<std::string> Path;
    // What is wrong with the line, for caUsageError.
    std::string Problem;
};

// --help and --version win over anything wrong elsewhere on the line, so that they answer even
// before the toolkit's options have been taken out. After "--" every argument is a path.
[[nodiscard]] TCommandLine ReadCommandLine(int argc, const char* const* argv);

// The text --help prints.
[[nodiscard]] std::string_view SondrelUsage();
// "sondrel VERSION", as --version prints it.
[[nodiscard]] std::string SondrelVersionLine();

} // namespace sondrel::app
