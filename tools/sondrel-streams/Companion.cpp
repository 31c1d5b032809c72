#include "Companion.h"

#include "Directory.h"
#include "Escape.h"
#include "FolderScope.h"
#include "HexDump.h"
#include "StreamWalk.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel::tools {

namespace {

    constexpr std::string_view kUsage
        = "Usage: sondrel-streams [-r [-s]] PATH...\n"
          "       sondrel-streams -l PATH\n"
          "       sondrel-streams -d INDEX PATH\n"
          "\n"
          "Shows the data streams of files and folders: the main data, the named streams and\n"
          "the other kinds (security, extended attributes, object id, reparse data, sparse\n"
          "blocks).\n"
          "\n"
          "  PATH...       one line per path: PATH, a tab, the stream count or the error\n"
          "  -r            recurse into folders (symbolic links to folders are not followed)\n"
          "  -s            with -r: only items that have a named stream\n"
          "  -l PATH       one line per stream: INDEX, KIND, SIZE and CAPTION, tab-separated\n"
          "  -d INDEX PATH the hex dump of stream INDEX (from 0), at most 16 MB\n"
          "  -h, --help    this text\n"
          "  --version     the program's name and version\n"
          "\n"
          "Names are written as UTF-8; a tab, newline or backslash as \\t, \\n, \\\\ and a byte\n"
          "that is not UTF-8 as \\xHH.\n"
          "Exit status: 0 when every path opened, 1 when any could not be opened or read,\n"
          "2 for a usage error.\n";

    class Output
    {
    public:
        Output(std::FILE* out, std::FILE* err)
            : m_out(out)
            , m_err(err)
        {
        }

        // After a failed write nothing more is written: what follows would be lost as well.
        void Line(const std::string& text)
        {
            if (m_writeError != 0)
                return;
            errno = 0;
            if (std::fwrite(text.data(), 1, text.size(), m_out) != text.size())
                m_writeError = errno != 0 ? errno : EIO;
        }

        void Error(const BytePath& path, const std::string& text)
        {
            const std::string line = "sondrel-streams: " + EscapeForLine(path) + ": " + text + "\n";
            Flush();
            std::fwrite(line.data(), 1, line.size(), m_err);
            m_failed = true;
        }

        [[nodiscard]] bool WriteFailed() const { return m_writeError != 0; }

        // Flushes what is buffered: a full disk or a closed output shows only here.
        [[nodiscard]] int Status()
        {
            Flush();
            if (m_writeError != 0) {
                const std::string line = "sondrel-streams: standard output: "
                    + streams::WithoutLineBreak(
                        win32::SystemMessageText(win32::Win32ErrorFromErrno(m_writeError)))
                    + "\n";
                std::fwrite(line.data(), 1, line.size(), m_err);
                return kSomeFailed;
            }
            return m_failed ? kSomeFailed : kAllOpened;
        }

    private:
        void Flush()
        {
            errno = 0;
            if (m_writeError == 0 && std::fflush(m_out) != 0)
                m_writeError = errno != 0 ? errno : EIO;
        }

        std::FILE* m_out;
        std::FILE* m_err;
        bool m_failed = false;
        int m_writeError = 0;
    };

    class NamedStreamSeen final : public streams::TStreamSink
    {
    public:
        void AddStream(std::unique_ptr<streams::StreamInfo>, const std::string&, const std::string&,
            int) override
        {
        }
        void SelectFirstStream() override { }
        void CountedStream(const streams::StreamInfo& info) override
        {
            m_seen = m_seen || info.Header.dwStreamId == win32::BACKUP_ALTERNATE_DATA;
        }
        [[nodiscard]] bool Seen() const { return m_seen; }

    private:
        bool m_seen = false;
    };

    // One item's line; for -s only when it has a named stream. False when it could not be opened.
    bool CountItem(Output& output, const BytePath& path, bool namedOnly)
    {
        NamedStreamSeen seen;
        const streams::TWalkResult counted
            = streams::WalkItemStreams(path, streams::TWalkMode::Count, &seen);
        if (!counted.Ok()) {
            std::string message = streams::WithoutLineBreak(streams::WalkErrorText(counted.Error));
            // The name exists (a listing shows it); what is missing is where it leads.
            if (BytePath target; platform::IsDanglingLink(path, target))
                message = "link target missing: " + EscapeForLine(target);
            output.Error(path, message);
            if (!namedOnly)
                output.Line(EscapeForLine(path) + "\t" + EscapeForLine(message) + "\n");
            return false;
        }
        if (!namedOnly || seen.Seen())
            output.Line(EscapeForLine(path) + "\t" + std::to_string(counted.Count) + "\n");
        return true;
    }

    // Depth first in name order, with an explicit stack so that deep trees cannot exhaust the
    // call stack. Only real folders are descended into; a link to a folder is counted, not entered.
    void CountTree(Output& output, const BytePath& root, bool namedOnly)
    {
        struct Pending
        {
            BytePath Path;
            bool Descend;
        };
        std::vector<Pending> stack { { root, true } };
        std::vector<platform::DirectoryEntry> entries;
        bool isRoot = true;
        // The items of one folder are counted by their names in it.
        std::unique_ptr<backup::TFolderScope> scope;
        std::string scopeFolder;
        while (!stack.empty() && !output.WriteFailed()) {
            Pending next = std::move(stack.back());
            stack.pop_back();
            if (const auto slash = next.Path.rfind('/'); slash != std::string::npos) {
                std::string folder = next.Path.substr(0, slash == 0 ? 1 : slash);
                if (!scope || folder != scopeFolder) {
                    scope.reset();
                    scope = std::make_unique<backup::TFolderScope>(folder);
                    scopeFolder = std::move(folder);
                }
            }
            const bool opened = CountItem(output, next.Path, namedOnly);
            if (!next.Descend)
                continue;
            entries.clear();
            const int error = platform::ReadDirectory(next.Path, entries);
            // A root that is not a folder is simply one item; a folder that could not be opened
            // has had its error said already.
            if (error != 0 && opened && !(isRoot && error == ENOTDIR))
                output.Error(next.Path,
                    streams::WithoutLineBreak(
                        win32::SystemMessageText(win32::Win32ErrorFromErrno(error))));
            isRoot = false;
            std::sort(entries.begin(), entries.end(),
                [](const auto& a, const auto& b) { return a.Name > b.Name; });
            for (auto& entry : entries)
                stack.push_back({ JoinPath(next.Path, entry.Name), entry.IsFolder });
        }
    }

    // Headers only: the listing shows kinds, sizes and names, so no content is loaded.
    int ListStreams(Output& output, const BytePath& path)
    {
        class Printer final : public streams::TStreamSink
        {
        public:
            explicit Printer(Output& out)
                : m_output(out)
            {
            }
            void AddStream(std::unique_ptr<streams::StreamInfo>, const std::string&,
                const std::string&, int) override
            {
            }
            void SelectFirstStream() override { }
            void CountedStream(const streams::StreamInfo& info) override
            {
                m_output.Line(std::to_string(m_index++) + "\t"
                    + std::to_string(info.Header.dwStreamId) + "\t" + std::to_string(info.Size())
                    + "\t" + EscapeForLine(streams::StreamCaption(info)) + "\n");
            }

        private:
            Output& m_output;
            std::uint64_t m_index = 0;
        } printer(output);
        const streams::TWalkResult listed
            = streams::WalkItemStreams(path, streams::TWalkMode::Headers, &printer);
        if (!listed.Ok())
            output.Error(path, streams::WithoutLineBreak(streams::WalkErrorText(listed.Error)));
        return output.Status();
    }

    int DumpStream(Output& output, const std::string& indexText, const BytePath& path)
    {
        std::uint64_t index = 0;
        const auto [end, error]
            = std::from_chars(indexText.data(), indexText.data() + indexText.size(), index);
        if (end != indexText.data() + indexText.size() || indexText.empty()
            || (error != std::errc {} && error != std::errc::result_out_of_range))
            return -1;
        // An index too large for a number is a whole number still: no item has that stream,
        // which the walk finds out after saying whether the path opens.
        const bool tooLarge = error == std::errc::result_out_of_range;
        const streams::TSingleStream stream
            = streams::ReadStreamAt(path, tooLarge ? ~std::uint64_t { 0 } : index);
        if (!stream.OpenError.empty()) {
            output.Error(path, streams::WithoutLineBreak(stream.OpenError));
            return output.Status();
        }
        if (!stream.Info || tooLarge) {
            output.Error(path, "no such stream: " + indexText);
            return output.Status();
        }
        const streams::StreamInfo& info = *stream.Info;
        std::string chunk;
        constexpr std::size_t kChunk = 1 << 20;
        chunk.reserve(kChunk + 128);
        for (std::uint32_t at = 0; at < info.DataLength; at += streams::kDumpBytesPerLine) {
            const int count = static_cast<int>(std::min<std::uint32_t>(16, info.DataLength - at));
            streams::AppendDumpLine(chunk, info.Data.get() + at, count, at);
            chunk += '\n';
            if (chunk.size() >= kChunk) {
                output.Line(chunk);
                chunk.clear();
            }
        }
        output.Line(chunk);
        if (!info.ReadError.empty())
            output.Error(path, "stream " + indexText + ": " + info.ReadError);
        return output.Status();
    }

    int Usage(std::FILE* err, const std::string& problem)
    {
        std::fprintf(err,
            "sondrel-streams: %s\nTry 'sondrel-streams --help' for more information.\n",
            problem.c_str());
        return kUsageError;
    }

} // namespace

int RunCompanion(int argc, char** argv, std::FILE* out, std::FILE* err)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    Output output(out, err);
    bool recurse = false;
    bool namedOnly = false;
    std::vector<BytePath> paths;
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsDone || a.empty() || a[0] != '-' || a == "-") {
            paths.push_back(a);
        } else if (a == "--") {
            optionsDone = true;
        } else if (a == "--help" || a == "-h") {
            output.Line(std::string(kUsage));
            return output.Status();
        } else if (a == "--version") {
            output.Line(std::string("sondrel-streams ") + SONDREL_VERSION + "\n");
            return output.Status();
        } else if (a == "-l") {
            if (args.size() != i + 2 || recurse || namedOnly || !paths.empty())
                return Usage(err, "-l takes exactly one PATH");
            return ListStreams(output, args[i + 1]);
        } else if (a == "-d") {
            if (args.size() != i + 3 || recurse || namedOnly || !paths.empty())
                return Usage(err, "-d takes exactly one INDEX and one PATH");
            const int status = DumpStream(output, args[i + 1], args[i + 2]);
            return status < 0 ? Usage(err, "INDEX must be a whole number from 0") : status;
        } else if (a == "-r") {
            recurse = true;
        } else if (a == "-s") {
            namedOnly = true;
        } else if (a == "-rs" || a == "-sr") {
            recurse = namedOnly = true;
        } else {
            return Usage(err, "unknown option " + EscapeForLine(a));
        }
    }
    if (namedOnly && !recurse)
        return Usage(err, "-s goes with -r");
    if (paths.empty())
        return Usage(err, "no PATH given");
    for (const BytePath& path : paths) {
        if (recurse)
            CountTree(output, path, namedOnly);
        else
            (void)CountItem(output, path, false);
    }
    return output.Status();
}

} // namespace sondrel::tools
