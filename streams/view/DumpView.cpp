#include "DumpView.h"

#include "HexDump.h"
#include "StreamList.h"

#include <algorithm>
#include <string>

namespace sondrel::streams {

void PaintDump(framework::TCanvas& canvas, const std::uint8_t* data, std::uint32_t length)
{
    if (!data || length == 0)
        return;
    const framework::TRect clip = canvas.ClipRect();
    // A font taller than the pitch reaches into the next line's band: start early enough.
    const int overhang = std::max(0, canvas.TextHeight(QStringLiteral("0")) - kDumpLinePitch);
    const std::int64_t lines = DumpLineCount(length);
    const std::int64_t first = std::max<std::int64_t>(0, (clip.Top - overhang) / kDumpLinePitch);
    const std::int64_t end = std::min<std::int64_t>(
        lines, (static_cast<std::int64_t>(clip.Bottom) + kDumpLinePitch - 1) / kDumpLinePitch);
    std::string text;
    for (std::int64_t i = first; i < end; ++i) {
        const auto offset = static_cast<std::uint32_t>(i * kDumpBytesPerLine);
        const int count
            = static_cast<int>(std::min<std::uint32_t>(kDumpBytesPerLine, length - offset));
        text.clear();
        AppendDumpLine(text, data + offset, count, offset);
        canvas.TextOut(
            0, static_cast<int>(i * kDumpLinePitch), QString::fromLatin1(text.data(), text.size()));
    }
}

std::uint32_t DumpStream(framework::TCanvas& canvas, const framework::TListItem* item)
{
    const StreamInfo* info = StreamRecord(item);
    if (!info)
        return 0;
    PaintDump(canvas, info->Data.get(), info->DataLength);
    if (!info->ReadError.empty()) {
        const int y = static_cast<int>(DumpLineCount(info->DataLength) * kDumpLinePitch);
        canvas.TextOut(0, y, QString::fromStdString(DumpReasonLine(info)));
    }
    return info->DataLength;
}

std::int64_t DumpPaneHeight(const framework::TListItem* item)
{
    const StreamInfo* info = StreamRecord(item);
    const std::uint32_t length = info ? info->DataLength : 0;
    // An empty dump's one line is where its reason goes.
    const bool extra = info && !info->ReadError.empty() && length > 0;
    return DumpHeight(length) + (extra ? kDumpLinePitch : 0);
}

std::string DumpReasonLine(const StreamInfo* info)
{
    if (!info || info->ReadError.empty())
        return {};
    return "(" + info->ReadError + ")";
}

} // namespace sondrel::streams
