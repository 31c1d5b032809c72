#include "DumpAccessible.h"

#include "DumpView.h"
#include "HexDump.h"
#include "PaintBox.h"
#include "ScrollBox.h"

#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QPointer>
#include <QScrollBar>

#include <algorithm>
#include <map>

namespace sondrel::app {

namespace {

    using streams::DumpLineCount;

    // The most a single request returns, so that no reader makes the process build 80 MB.
    constexpr int kMostCharacters = 1 << 20;

    class TDumpAccessible : public QAccessibleWidget, public QAccessibleTextInterface
    {
    public:
        TDumpAccessible(QWidget* pane, TDumpSource source)
            : QAccessibleWidget(pane, QAccessible::EditableText)
            , m_source(std::move(source))
        {
        }

        void* interface_cast(QAccessible::InterfaceType type) override
        {
            if (type == QAccessible::TextInterface)
                return static_cast<QAccessibleTextInterface*>(this);
            return QAccessibleWidget::interface_cast(type);
        }

        QAccessible::State state() const override
        {
            QAccessible::State state = QAccessibleWidget::state();
            state.readOnly = true;
            state.multiLine = true;
            return state;
        }

        // QAccessibleTextInterface
        void selection(int index, int* start, int* end) const override
        {
            *start = *end = 0;
            const auto [from, to] = SelectedBytes();
            if (index != 0 || from >= to)
                return;
            const auto first = static_cast<std::int64_t>(from);
            const auto last = static_cast<std::int64_t>(to) - 1;
            const std::int64_t firstLine = streams::DumpLineAt(first);
            const std::int64_t lastLine = streams::DumpLineAt(last);
            *start = static_cast<int>(streams::DumpTextLineStart(firstLine)
                + streams::DumpHexColumn(
                    firstLine, static_cast<int>(first - streams::DumpLineOffset(firstLine))));
            *end = static_cast<int>(streams::DumpTextLineStart(lastLine)
                + streams::DumpCharColumn(
                    lastLine, static_cast<int>(last - streams::DumpLineOffset(lastLine)))
                + 1);
        }
        int selectionCount() const override
        {
            const auto [from, to] = SelectedBytes();
            return from < to ? 1 : 0;
        }
        void addSelection(int, int) override { }
        void removeSelection(int) override { }
        void setSelection(int, int, int) override { }
        int cursorPosition() const override { return std::min(m_cursor, characterCount()); }
        void setCursorPosition(int position) override
        {
            m_cursor = std::clamp(position, 0, characterCount());
        }

        int characterCount() const override
        {
            const std::int64_t lines = Lines();
            if (lines == 0)
                return 0;
            const std::int64_t dump = DumpLines();
            if (lines > dump) // the reason line ends the text, without a line feed
                return static_cast<int>(Start(dump) + Reason().size());
            return static_cast<int>(Start(lines) - 1);
        }

        QString text(int start, int end) const override
        {
            const int count = characterCount();
            start = std::clamp(start, 0, count);
            end = std::clamp(end, start, std::min(count, start + kMostCharacters));
            QString result;
            result.reserve(end - start);
            std::int64_t line = At(start);
            const std::int64_t lines = Lines();
            std::string buffer;
            while (line < lines && Start(line) < end) {
                const std::int64_t lineStart = Start(line);
                const QString full = LineText(line, buffer) + u'\n';
                const std::int64_t from = std::max<std::int64_t>(start, lineStart) - lineStart;
                const std::int64_t to
                    = std::min<std::int64_t>(end, lineStart + full.size()) - lineStart;
                result += full.mid(static_cast<int>(from), static_cast<int>(to - from));
                ++line;
            }
            return result;
        }

        QString textAtOffset(
            int offset, QAccessible::TextBoundaryType boundary, int* start, int* end) const override
        {
            const int count = characterCount();
            *start = *end = -1;
            if (offset < 0 || offset >= count)
                return {};
            if (boundary == QAccessible::CharBoundary) {
                *start = offset;
                *end = offset + 1;
                return text(offset, offset + 1);
            }
            if (boundary == QAccessible::NoBoundary) {
                *start = 0;
                *end = count;
                return text(0, count);
            }
            // Words and sentences of a dump are its lines, as a reader reads them.
            const std::int64_t line = At(offset);
            *start = static_cast<int>(Start(line));
            *end = static_cast<int>(std::min<std::int64_t>(Start(line) + Length(line), count));
            return text(*start, *end);
        }

        QString textBeforeOffset(
            int offset, QAccessible::TextBoundaryType boundary, int* start, int* end) const override
        {
            if (boundary == QAccessible::CharBoundary)
                return textAtOffset(offset - 1, boundary, start, end);
            const std::int64_t line = offset <= 0 ? -1 : At(offset) - 1;
            if (line < 0) {
                *start = *end = -1;
                return {};
            }
            return textAtOffset(static_cast<int>(Start(line)), boundary, start, end);
        }

        QString textAfterOffset(
            int offset, QAccessible::TextBoundaryType boundary, int* start, int* end) const override
        {
            if (boundary == QAccessible::CharBoundary)
                return textAtOffset(offset + 1, boundary, start, end);
            const std::int64_t line = At(std::max(0, offset)) + 1;
            if (line >= Lines()) {
                *start = *end = -1;
                return {};
            }
            return textAtOffset(static_cast<int>(Start(line)), boundary, start, end);
        }

        QRect characterRect(int offset) const override
        {
            const TGeometry g = Geometry();
            if (!g.box || offset < 0 || offset >= characterCount())
                return {};
            const std::int64_t line = At(offset);
            const int column = static_cast<int>(offset - Start(line));
            const int y = static_cast<int>(line * streams::kDumpLinePitch) - g.scroll;
            return QRect(g.pane->mapToGlobal(QPoint(column * g.charWidth, y)),
                QSize(g.charWidth, streams::kDumpLinePitch));
        }

        int offsetAtPoint(const QPoint& point) const override
        {
            const TGeometry g = Geometry();
            if (!g.box)
                return -1;
            const QPoint local = g.pane->mapFromGlobal(point);
            const std::int64_t line
                = (static_cast<std::int64_t>(local.y()) + g.scroll) / streams::kDumpLinePitch;
            if (local.y() < 0 || line >= Lines())
                return -1;
            const int column = std::clamp(
                local.x() / std::max(1, g.charWidth), 0, static_cast<int>(Length(line)) - 1);
            return static_cast<int>(Start(line) + column);
        }

        void scrollToSubstring(int start, int) override
        {
            const TGeometry g = Geometry();
            if (!g.scrollBox || start < 0 || start >= characterCount())
                return;
            g.scrollBox->ScrollTo(static_cast<int>(At(start) * streams::kDumpLinePitch));
        }

        QString attributes(int offset, int* start, int* end) const override
        {
            *start = *end = offset;
            return {};
        }

    private:
        struct TGeometry
        {
            QWidget* pane = nullptr;
            framework::TScrollBox* scrollBox = nullptr;
            framework::TPaintBox* box = nullptr;
            int scroll = 0;
            int charWidth = 7;
        };

        [[nodiscard]] TGeometry Geometry() const
        {
            TGeometry g;
            g.pane = widget();
            g.scrollBox = qobject_cast<framework::TScrollBox*>(g.pane);
            g.box = g.pane ? g.pane->findChild<framework::TPaintBox*>() : nullptr;
            if (g.scrollBox)
                g.scroll = g.scrollBox->ScrollPosition();
            if (g.box)
                g.charWidth = QFontMetrics(g.box->Font().ToQFont()).horizontalAdvance(u'0');
            return g;
        }

        [[nodiscard]] std::pair<std::uint64_t, std::uint64_t> SelectedBytes() const;

        [[nodiscard]] const streams::StreamInfo* Info() const
        {
            return m_source ? m_source() : nullptr;
        }

        // The dump's own lines; a stream whose content could not be read whole has one more,
        // saying why, as the pane draws it.
        [[nodiscard]] std::int64_t DumpLines() const
        {
            const streams::StreamInfo* info = Info();
            return info && info->Data ? DumpLineCount(info->DataLength) : 0;
        }

        [[nodiscard]] QString Reason() const
        {
            return QString::fromStdString(streams::DumpReasonLine(Info()));
        }

        [[nodiscard]] std::int64_t Lines() const
        {
            return DumpLines() + (Reason().isEmpty() ? 0 : 1);
        }

        // Where a line starts; the reason line starts where a dump line after the last would.
        [[nodiscard]] static std::int64_t Start(std::int64_t line)
        {
            return streams::DumpTextLineStart(line);
        }

        [[nodiscard]] std::int64_t Length(std::int64_t line) const
        {
            return line < DumpLines() ? streams::DumpLineLength(line) : Reason().size();
        }

        [[nodiscard]] std::int64_t At(std::int64_t offset) const
        {
            const std::int64_t line = streams::DumpTextLineAt(offset);
            return Reason().isEmpty() ? line : std::min(line, DumpLines());
        }

        [[nodiscard]] QString LineText(std::int64_t line, std::string& buffer) const
        {
            const streams::StreamInfo* info = m_source();
            if (line >= DumpLines())
                return Reason();
            const auto offset = static_cast<std::uint32_t>(streams::DumpLineOffset(line));
            const int count = streams::DumpLineBytes(line, info->DataLength);
            buffer.clear();
            streams::AppendDumpLine(buffer, info->Data.get() + offset, count, offset);
            return QString::fromLatin1(buffer.data(), static_cast<qsizetype>(buffer.size()));
        }

        TDumpSource m_source;
        int m_cursor = 0;
    };

    // The panes that offer a dump, and where their text comes from.
    std::map<const QObject*, TDumpSource>& Sources()
    {
        static std::map<const QObject*, TDumpSource> sources;
        return sources;
    }

    std::map<const QObject*, TDumpSelectionSource>& Selections()
    {
        static std::map<const QObject*, TDumpSelectionSource> selections;
        return selections;
    }

    std::pair<std::uint64_t, std::uint64_t> TDumpAccessible::SelectedBytes() const
    {
        const auto found = Selections().find(widget());
        if (found == Selections().end() || !Info() || !Info()->Data)
            return {};
        const auto [from, to] = found->second();
        const std::uint64_t length = Info()->DataLength;
        return { std::min(from, length), std::min(to, length) };
    }

    QAccessibleInterface* DumpFactory(const QString&, QObject* object)
    {
        const auto found = Sources().find(object);
        if (found == Sources().end() || !object->isWidgetType())
            return nullptr;
        return new TDumpAccessible(static_cast<QWidget*>(object), found->second);
    }

} // namespace

void InstallDumpAccessibility(QWidget* pane, TDumpSource source)
{
    static const bool installed = [] {
        QAccessible::installFactory(DumpFactory);
        return true;
    }();
    (void)installed;
    Sources()[pane] = std::move(source);
    QObject::connect(pane, &QObject::destroyed, [pane] { Sources().erase(pane); });
    QObject::connect(pane, &QObject::destroyed, [pane] { Selections().erase(pane); });
    // Setting the pane's name may already have made it a plain interface: replace that.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(pane);
        made && !made->textInterface())
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void SetDumpAccessibleSelection(QWidget* pane, TDumpSelectionSource selection)
{
    Selections()[pane] = std::move(selection);
}

} // namespace sondrel::app
