#include "CommandLine.h"

namespace sondrel::app {

namespace {

    constexpr std::string_view kUsage
        = "Usage: sondrel [PATH]\n"
          "       sondrel --help | --version\n"
          "\n"
          "Shows the data streams of files and folders in a window: the main data, the named\n"
          "streams and the other kinds (security, extended attributes, object id, reparse data,\n"
          "sparse blocks).\n"
          "\n"
          "  PATH       a folder: the window opens on it; a file: on its folder, with the file\n"
          "             selected and its streams listed; a disk image (raw, split, .E01, with\n"
          "             or without a partition table): its NTFS volumes become read-only\n"
          "             drives under Computer and the window opens on the first\n"
          "  --help     this text\n"
          "  --version  the program's name and version\n"
          "\n"
          "The toolkit's own options, such as -platform offscreen, are accepted too.\n"
          "The command-line companion sondrel-streams shows the same without a window.\n";

} // namespace

TCommandLine ReadCommandLine(int argc, const char* const* argv)
{
    TCommandLine line;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool isOption = !optionsDone && argument.size() > 1 && argument.front() == '-';
        if (isOption && argument == "--") {
            optionsDone = true;
        } else if (isOption && (argument == "--help" || argument == "-h")) {
            return TCommandLine { TCommandLine::caHelp, {}, {} };
        } else if (isOption && argument == "--version") {
            return TCommandLine { TCommandLine::caVersion, {}, {} };
        } else if (line.Action == TCommandLine::caUsageError) {
            // The first problem is the one reported; the rest is read for --help alone.
        } else if (isOption) {
            line.Action = TCommandLine::caUsageError;
            line.Problem = "unknown option " + std::string(argument);
        } else if (line.Path) {
            line.Action = TCommandLine::caUsageError;
            line.Problem = "only one PATH can be opened";
        } else {
            line.Path = std::string(argument);
        }
    }
    if (line.Action == TCommandLine::caUsageError)
        line.Path.reset();
    return line;
}

std::string_view SondrelUsage() { return kUsage; }

std::string SondrelVersionLine() { return std::string("sondrel ") + SONDREL_VERSION; }

} // namespace sondrel::app
