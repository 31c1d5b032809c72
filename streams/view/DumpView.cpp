#include "DumpView.h"

#include "HexDump.h"
#include "StreamList.h"

#include <algorithm>
#include <string>

namespace sondrel::streams {

namespace {

    // Redraws the part of a drawn line that shows the highlighted bytes [from, to) of it, in
    // the highlight colours: its hex digits and its characters.
    void PaintHighlight(
        framework::TCanvas& canvas, const QString& line, DumpLine i, int y, int from, int to)
    {
        const framework::TColor back = canvas.Brush().Color();
        const framework::TColor text = canvas.Font().Color();
        canvas.Brush().SetColor(framework::clHighlight);
        canvas.Font().SetColor(framework::clHighlightText);
        const auto span = [&](int first, int end) {
            canvas.TextOut(canvas.TextWidth(line.left(first)), y, line.mid(first, end - first));
        };
        span(DumpHexColumn(i, from), DumpHexColumn(i, to - 1) + 2);
        span(DumpCharColumn(i, from), DumpCharColumn(i, to - 1) + 1);
        canvas.Brush().SetColor(back);
        canvas.Font().SetColor(text);
    }

} // namespace

void PaintDump(framework::TCanvas& canvas, const std::uint8_t* data, std::uint32_t length,
    const TDumpHighlight& highlight)
{
    if (!data || length == 0)
        return;
    const framework::TRect clip = canvas.ClipRect();
    // A font taller than the pitch reaches into the next line's band: start early enough.
    const int overhang = std::max(0, canvas.TextHeight(QStringLiteral("0")) - kDumpLinePitch);
    const DumpLineRange lines = DumpLinesInBand(clip.Top, clip.Bottom, length, overhang);
    std::string text;
    for (DumpLine i = lines.First; i < lines.End; ++i) {
        const auto offset = static_cast<std::uint32_t>(DumpLineOffset(i));
        const int count = DumpLineBytes(i, length);
        text.clear();
        AppendDumpLine(text, data + offset, count, offset);
        const QString line = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
        const int y = static_cast<int>(i * kDumpLinePitch);
        canvas.TextOut(0, y, line);
        const auto from = static_cast<std::int64_t>(highlight.From) - DumpLineOffset(i);
        const auto to = static_cast<std::int64_t>(highlight.To) - DumpLineOffset(i);
        if (to > 0 && from < count && highlight.From < highlight.To)
            PaintHighlight(canvas, line, i, y, static_cast<int>(std::max<std::int64_t>(from, 0)),
                static_cast<int>(std::min<std::int64_t>(to, count)));
    }
}

std::uint32_t DumpStream(
    framework::TCanvas& canvas, const framework::TListItem* item, const TDumpHighlight& highlight)
{
    const StreamInfo* info = StreamRecord(item);
    if (!info)
        return 0;
    PaintDump(canvas, info->Data.get(), info->DataLength, highlight);
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
