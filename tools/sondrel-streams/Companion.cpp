#include "Companion.h"

#include "BackupSource.h"
#include "DecodedOutput.h"
#include "Directory.h"
#include "Escape.h"
#include "FolderScope.h"
#include "HexDump.h"
#include "LiveVolume.h"
#include "NtfsSource.h"
#include "Sha256.h"
#include "StreamDecode.h"
#include "StreamReader.h"
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
        = "Usage: sondrel-streams [IMAGE OPTIONS] [-r [-s]] PATH...\n"
          "       sondrel-streams [IMAGE OPTIONS] [--json] -l [--hash] PATH\n"
          "       sondrel-streams [IMAGE OPTIONS] -d INDEX PATH\n"
          "       sondrel-streams [IMAGE OPTIONS] -c INDEX PATH\n"
          "       sondrel-streams [IMAGE OPTIONS] [--json] -x INDEX PATH\n"
          "\n"
          "Shows the data streams of files and folders: the main data, the named streams and\n"
          "the other kinds (security, extended attributes, object id, reparse data, sparse\n"
          "blocks).\n"
          "\n"
          "  --image IMAGE the PATHs are inside the NTFS volume of a disk image (raw, split\n"
          "                or .E01, a bare volume or a disk with MBR or GPT partitions), read\n"
          "                without mounting and never written; \"/\" is the volume's root\n"
          "  --partition N with --image: the Nth NTFS partition (from 1, in table order)\n"
          "  PATH...       one line per path: PATH, a tab, the stream count or the error\n"
          "  -r            recurse into folders (symbolic links to folders are not followed)\n"
          "  -s            with -r: only items that have a named stream\n"
          "  -l PATH       one line per stream: INDEX, KIND, SIZE and CAPTION, tab-separated\n"
          "  --hash        with -l: the SHA-256 of each stream's whole content, before\n"
          "                the caption (\"-\" where it cannot be read whole)\n"
          "  -d INDEX PATH the hex dump of stream INDEX (from 0), at most 16 MB\n"
          "  -c INDEX PATH the content of stream INDEX, all of it, as raw bytes\n"
          "  -x INDEX PATH what stream INDEX means: a security descriptor with its accounts\n"
          "                and SDDL, extended attributes, reparse data, an object id, a sparse\n"
          "                block with the file's map, a download's origin, text\n"
          "  --json        with -l or -x: one JSON object instead of lines\n"
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

        void Line(const std::string& text) { Bytes(text.data(), text.size()); }

        // For output made of large pieces only: each then goes out in one write from the
        // caller's buffer instead of being copied through stdio's in two. Before any output.
        void Unbuffered() { std::setvbuf(m_out, nullptr, _IONBF, 0); }

        // After a failed write nothing more is written: what follows would be lost as well.
        void Bytes(const char* bytes, std::size_t count)
        {
            if (m_writeError != 0)
                return;
            errno = 0;
            if (std::fwrite(bytes, 1, count, m_out) != count)
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
            std::string inside;
            if (BytePath target;
                !backup::SourceFor(path, inside) && platform::IsDanglingLink(path, target))
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
        std::unique_ptr<platform::TFolderScope> scope;
        std::string scopeFolder;
        while (!stack.empty() && !output.WriteFailed()) {
            Pending next = std::move(stack.back());
            stack.pop_back();
            std::string inside;
            if (const auto slash = next.Path.rfind('/');
                slash != std::string::npos && !backup::SourceFor(next.Path, inside)) {
                std::string folder = next.Path.substr(0, slash == 0 ? 1 : slash);
                if (!scope || folder != scopeFolder) {
                    scope.reset();
                    scope = std::make_unique<platform::TFolderScope>(folder);
                    scopeFolder = std::move(folder);
                }
            }
            const bool opened = CountItem(output, next.Path, namedOnly);
            if (!next.Descend)
                continue;
            entries.clear();
            const int error = backup::ReadFolderEntries(next.Path, entries);
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

    // INDEX as a number; false when it is not a whole number from 0. One too large for a number
    // is still a whole number: no item has that stream, which `tooLarge` tells.
    bool ParseIndex(const std::string& indexText, std::uint64_t& index, bool& tooLarge)
    {
        const auto [end, error]
            = std::from_chars(indexText.data(), indexText.data() + indexText.size(), index);
        if (end != indexText.data() + indexText.size() || indexText.empty()
            || (error != std::errc {} && error != std::errc::result_out_of_range))
            return false;
        tooLarge = error == std::errc::result_out_of_range;
        return true;
    }

    // -x: the stream's decoded view. The whole item is listed, since a sparse block's map needs
    // its siblings; a stream the listing could not load is read on its own.
    int ExplainStream(Output& output, const std::string& indexText, const BytePath& path, bool json)
    {
        std::uint64_t index = 0;
        bool tooLarge = false;
        if (!ParseIndex(indexText, index, tooLarge))
            return -1;
        class Keeper final : public streams::TStreamSink
        {
        public:
            void AddStream(std::unique_ptr<streams::StreamInfo> info, const std::string& caption,
                const std::string&, int) override
            {
                Records.push_back(std::move(info));
                Captions.push_back(caption);
            }
            void SelectFirstStream() override { }
            std::vector<std::unique_ptr<streams::StreamInfo>> Records;
            std::vector<std::string> Captions;
        } keeper;
        const streams::TWalkResult walked
            = streams::WalkItemStreams(path, streams::TWalkMode::List, &keeper);
        if (tooLarge || index >= keeper.Records.size()) {
            output.Error(path,
                walked.Ok() ? "no such stream: " + indexText
                            : streams::WithoutLineBreak(streams::WalkErrorText(walked.Error)));
            return output.Status();
        }
        const std::size_t at = static_cast<std::size_t>(index);
        if (!keeper.Records[at]->Data && keeper.Records[at]->Size() > 0) {
            streams::TSingleStream alone = streams::ReadStreamAt(path, index);
            if (alone.Info)
                keeper.Records[at] = std::move(alone.Info);
        }
        const streams::StreamInfo& info = *keeper.Records[at];
        std::vector<const streams::StreamInfo*> file;
        for (const auto& record : keeper.Records)
            file.push_back(record.get());
        const streams::decode::TDecoded decoded = streams::DecodeRecord(info, file);
        const ListedStream listed { index, info.Header.dwStreamId, info.Size(), keeper.Captions[at],
            {} };
        output.Line(json ? DecodedAsJson(path, listed, decoded) : DecodedAsText(listed, decoded));
        if (!info.ReadError.empty())
            output.Error(path, "stream " + indexText + ": " + info.ReadError);
        return output.Status();
    }

    // Reads INDEX and opens its stream, or says why not: -1 for an INDEX that is no number,
    // else the exit status once the refusal is reported; 0 when `reader` is at the stream.
    int OpenStreamAt(Output& output, const std::string& indexText, const BytePath& path,
        std::unique_ptr<streams::TStreamReader>& reader)
    {
        std::uint64_t index = 0;
        bool tooLarge = false;
        if (!ParseIndex(indexText, index, tooLarge))
            return -1;
        // An index too large for a number still names no stream; the walk says first whether
        // the path opens.
        reader = std::make_unique<streams::TStreamReader>(
            path, tooLarge ? ~std::uint64_t { 0 } : index);
        if (!reader->OpenError().empty()) {
            output.Error(path, reader->OpenError());
            return output.Status();
        }
        if (!reader->Info() || tooLarge) {
            output.Error(path, "no such stream: " + indexText);
            return output.Status();
        }
        return 0;
    }

    // The content goes through in pieces of this many bytes, in buffers of fixed size.
    constexpr std::size_t kPiece = 64 * 1024;

    // One line per stream (one JSON object with `json`); with `hash`, the SHA-256 of each
    // stream's whole content, read in pieces, or "-" where it cannot be read whole (and the
    // reason on stderr). Only headers are read otherwise.
    int ListStreams(Output& output, const BytePath& path, bool hash, bool json)
    {
        streams::TStreamReader reader(path);
        std::vector<std::uint8_t> piece(hash ? kPiece : 0);
        std::vector<ListedStream> rows;
        for (std::uint64_t index = 0; reader.NextStream() && !output.WriteFailed(); ++index) {
            const streams::StreamInfo& info = *reader.Info();
            ListedStream row { index, info.Header.dwStreamId, info.Size(),
                streams::StreamCaption(info), {} };
            if (hash) {
                TSha256 sum;
                while (const std::size_t n = reader.Read(piece.data(), piece.size()))
                    sum.Add(piece.data(), n);
                row.Sha256 = reader.Error().empty() ? sum.Hex() : "-";
                if (!reader.Error().empty())
                    output.Error(path, "stream " + std::to_string(index) + ": " + reader.Error());
            }
            if (json)
                rows.push_back(std::move(row));
            else
                output.Line(ListedLine(row));
        }
        if (json)
            output.Line(ListingAsJson(path, rows, reader.OpenError()));
        if (!reader.OpenError().empty())
            output.Error(path, reader.OpenError());
        return output.Status();
    }

    int DumpStream(Output& output, const std::string& indexText, const BytePath& path)
    {
        std::unique_ptr<streams::TStreamReader> reader;
        if (const int refused = OpenStreamAt(output, indexText, path, reader); refused != 0)
            return refused;
        output.Unbuffered();
        const std::uint64_t size = reader->Info()->Size();
        const std::uint64_t shown = std::min<std::uint64_t>(size, streams::kStreamDataCap);
        // Left uninitialised: every byte is written before it is used.
        const auto piece = std::make_unique_for_overwrite<std::uint8_t[]>(kPiece);
        const auto text = std::make_unique_for_overwrite<char[]>(
            streams::DumpLineCount(kPiece) * (streams::kDumpMaxLineLength + 1));
        while (reader->Position() < shown && !output.WriteFailed()) {
            const std::uint64_t at = reader->Position();
            std::size_t got = 0;
            // Whole pieces, so that lines never straddle two of them.
            while (got < kPiece && at + got < shown) {
                const std::size_t n = reader->Read(
                    piece.get() + got, std::min<std::uint64_t>(kPiece - got, shown - at - got));
                if (n == 0)
                    break;
                got += n;
            }
            if (got == 0)
                break;
            streams::MarkTruncation(piece.get(), at, got, size);
            output.Bytes(text.get(),
                streams::WriteDumpLines(
                    text.get(), piece.get(), got, static_cast<std::uint32_t>(at)));
            if (got < kPiece)
                break;
        }
        if (!reader->Error().empty())
            output.Error(path, "stream " + indexText + ": " + reader->Error());
        return output.Status();
    }

    // `-c INDEX PATH`: the content, all of it, as it is.
    int CopyStream(Output& output, const std::string& indexText, const BytePath& path)
    {
        std::unique_ptr<streams::TStreamReader> reader;
        if (const int refused = OpenStreamAt(output, indexText, path, reader); refused != 0)
            return refused;
        output.Unbuffered();
        const auto piece = std::make_unique_for_overwrite<std::uint8_t[]>(kPiece);
        while (!output.WriteFailed()) {
            const std::size_t n = reader->Read(piece.get(), kPiece);
            if (n == 0)
                break;
            output.Bytes(reinterpret_cast<const char*>(piece.get()), n);
        }
        if (!reader->Error().empty())
            output.Error(path, "stream " + indexText + ": " + reader->Error());
        return output.Status();
    }

    // Removes every `option VALUE` before a "--" from `args`; false when one has no value.
    bool TakeValue(std::vector<std::string>& args, const std::string& option, std::string& value)
    {
        const auto end = std::find(args.begin(), args.end(), "--");
        const auto at = std::find(args.begin(), end, option);
        if (at == end)
            return true;
        if (at + 1 == end)
            return false;
        value = *(at + 1);
        args.erase(at, at + 2);
        return TakeValue(args, option, value);
    }

    // Removes every `option` before a "--" from `args`; whether there was one.
    bool TakeOption(std::vector<std::string>& args, const std::string& option)
    {
        const auto end = std::find(args.begin(), args.end(), "--");
        const auto kept = std::remove(args.begin(), end, option);
        const bool found = kept != end;
        args.erase(kept, end);
        return found;
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
    // Named streams over 64 KiB on ntfs-3g mounts are read whole from the volume beneath.
    image::InstallLiveVolumeReader();
    const bool json = TakeOption(args, "--json");
    const bool hash = TakeOption(args, "--hash");
    std::string imagePath;
    std::string partitionText;
    if (!TakeValue(args, "--image", imagePath))
        return Usage(err, "--image takes an IMAGE");
    if (!TakeValue(args, "--partition", partitionText))
        return Usage(err, "--partition takes a number");
    int partition = 1;
    if (!partitionText.empty()) {
        const auto [end, error] = std::from_chars(
            partitionText.data(), partitionText.data() + partitionText.size(), partition);
        if (imagePath.empty())
            return Usage(err, "--partition goes with --image");
        if (error != std::errc {} || end != partitionText.data() + partitionText.size()
            || partition < 1)
            return Usage(err, "--partition takes a whole number from 1");
    }
    Output output(out, err);
    // The volume serves the PATHs for this run only.
    struct SourceScope
    {
        bool Active = false;
        ~SourceScope()
        {
            if (Active)
                backup::UnregisterBackupSource({});
        }
    } scope;
    if (!imagePath.empty()) {
        std::string reason;
        auto volume = image::OpenImageVolume(imagePath, partition, reason);
        if (!volume) {
            output.Error(imagePath, reason);
            return output.Status();
        }
        // Every PATH from here on is inside the volume.
        backup::RegisterBackupSource({}, std::move(volume));
        scope.Active = true;
    }
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
            return ListStreams(output, args[i + 1], hash, json);
        } else if (a == "-d" || a == "-c") {
            if (args.size() != i + 3 || recurse || namedOnly || !paths.empty() || hash)
                return Usage(err, a + " takes exactly one INDEX and one PATH");
            if (json)
                return Usage(err, "--json goes with -l or -x");
            const int status = a == "-d" ? DumpStream(output, args[i + 1], args[i + 2])
                                         : CopyStream(output, args[i + 1], args[i + 2]);
            return status < 0 ? Usage(err, "INDEX must be a whole number from 0") : status;
        } else if (a == "-x") {
            if (args.size() != i + 3 || recurse || namedOnly || !paths.empty())
                return Usage(err, "-x takes exactly one INDEX and one PATH");
            const int status = ExplainStream(output, args[i + 1], args[i + 2], json);
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
    if (json)
        return Usage(err, "--json goes with -l or -x");
    if (hash)
        return Usage(err, "--hash goes with -l");
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
