#include "StreamDecode.h"

#include "Accounts.h"
#include "NamedDecode.h"
#include "StreamWalk.h"
#include "Xattr.h"

namespace sondrel::streams {

namespace {

    // The offsets and lengths of every sparse block, or nothing when one of them was not loaded
    // (its offset is in its first bytes).
    std::vector<decode::TSparseRange> SparseMap(const std::vector<const StreamInfo*>& file)
    {
        std::vector<decode::TSparseRange> map;
        for (const StreamInfo* s : file) {
            if (!s || s->Header.dwStreamId != win32::BACKUP_SPARSE_BLOCK)
                continue;
            if (s->DataLength < 8 || s->Size() < 8)
                return {};
            std::uint64_t offset = 0;
            for (int i = 7; i >= 0; --i)
                offset = offset << 8 | s->Data[static_cast<std::size_t>(i)];
            map.push_back({ offset, s->Size() - 8 });
        }
        return map;
    }

} // namespace

decode::TDecoded DecodeRecord(const StreamInfo& info, const std::vector<const StreamInfo*>& file)
{
    decode::TStreamBytes bytes;
    bytes.Kind = info.Header.dwStreamId;
    if (bytes.Kind == win32::BACKUP_ALTERNATE_DATA)
        bytes.Name = StreamCaption(info);
    bytes.Bytes = info.Data.get();
    bytes.Length = info.Data ? info.DataLength : 0;
    bytes.Size = info.Size();
    bytes.Accounts = &platform::LocalAccountName;
    if (bytes.Kind == win32::BACKUP_SPARSE_BLOCK)
        bytes.SparseMap = SparseMap(file);
    return decode::DecodeStream(bytes);
}

std::string PathOrigin(const BytePath& path)
{
    struct Source
    {
        const char* Xattr;
        const char* Stream;
    };
    static constexpr Source kSources[] = {
        { "user.Zone.Identifier", "Zone.Identifier" },
        { "user.DosStream.Zone.Identifier:$DATA", "Zone.Identifier" },
        { "user.xdg.origin.url", "xdg.origin.url" },
    };
    backup::XattrTarget target;
    target.Path = path.c_str();
    std::vector<std::uint8_t> value;
    for (const Source& source : kSources) {
        const std::int64_t size = backup::XattrSize(target, source.Xattr);
        if (size <= 0 || size > 65536 || backup::ReadXattr(target, source.Xattr, value) != 0)
            continue;
        std::string origin = decode::OriginOf(source.Stream, value.data(), value.size());
        if (!origin.empty())
            return origin;
    }
    return {};
}

} // namespace sondrel::streams
