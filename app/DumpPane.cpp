#include "DumpPane.h"

#include "DumpSearch.h"
#include "HexDump.h"
#include "PaintBox.h"
#include "ScrollBox.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace sondrel::app {

using namespace streams;

namespace {
    // A step each 50 ms, of at most 8 lines however far the mouse is: fast enough to cross a
    // screenful in a second, slow enough to stop where the user wants.
    constexpr int kAutoScrollInterval = 50;
    constexpr int kAutoScrollLines = 8;
} // namespace

TDumpPane::TDumpPane(framework::TScrollBox* box, framework::TPaintBox* paint, TDumpSource source)
    : QObject(box)
    , m_box(box)
    , m_paint(paint)
    , m_source(std::move(source))
{
    m_box->installEventFilter(this);
    m_paint->installEventFilter(this);
    m_paint->setCursor(Qt::IBeamCursor);
    m_autoScroll.setInterval(kAutoScrollInterval);
    connect(&m_autoScroll, &QTimer::timeout, this, &TDumpPane::AutoScrollStep);
    SetDumpAccessibleSelection(m_box, [this] {
        const TDumpHighlight selected = Selection();
        return std::pair { selected.From, selected.To };
    });
}

const std::uint8_t* TDumpPane::Data() const
{
    const StreamInfo* info = m_source ? m_source() : nullptr;
    return info ? info->Data.get() : nullptr;
}

std::uint64_t TDumpPane::Length() const
{
    const StreamInfo* info = m_source ? m_source() : nullptr;
    return info && info->Data ? info->DataLength : 0;
}

void TDumpPane::Reset()
{
    m_anchor = m_caret = m_dragAnchor = 0;
    m_dragging = false;
    m_autoScroll.stop();
}

TDumpHighlight TDumpPane::Selection() const
{
    const std::uint64_t length = Length();
    return { std::min({ m_anchor, m_caret, length }),
        std::min(std::max(m_anchor, m_caret), length) };
}

void TDumpPane::Changed()
{
    m_paint->update();
    QAccessibleTextSelectionEvent event(m_box, 0, 0);
    const TDumpHighlight selected = Selection();
    if (QAccessible::isActive() && selected.From < selected.To)
        if (QAccessibleInterface* pane = QAccessible::queryAccessibleInterface(m_box))
            if (QAccessibleTextInterface* text = pane->textInterface()) {
                int start = 0;
                int end = 0;
                text->selection(0, &start, &end);
                event.setSelection(start, end);
                QAccessible::updateAccessibility(&event);
            }
}

void TDumpPane::Select(std::uint64_t anchor, std::uint64_t caret)
{
    const std::uint64_t length = Length();
    m_anchor = std::min(anchor, length);
    m_caret = std::min(caret, length);
    EnsureVisible(m_caret == length && m_caret > 0 ? m_caret - 1 : m_caret);
    Changed();
}

void TDumpPane::SelectAll() { Select(0, Length()); }

void TDumpPane::EnsureVisible(std::uint64_t offset)
{
    const int y = static_cast<int>(DumpLineAt(static_cast<DumpOffset>(offset)) * kDumpLinePitch);
    const int top = m_box->ScrollPosition();
    const int view = m_box->ClientRect().height();
    if (y < top)
        m_box->ScrollTo(y);
    else if (y + kDumpLinePitch > top + view)
        m_box->ScrollTo(y + kDumpLinePitch - view);
}

QString TDumpPane::DumpText(bool whole) const
{
    const std::uint8_t* data = Data();
    const std::uint64_t length = Length();
    TDumpHighlight range = Selection();
    if (range.From == range.To || whole)
        range = { 0, length };
    const DumpLineRange lines
        = DumpLinesOfBytes(static_cast<DumpOffset>(range.From), static_cast<DumpOffset>(range.To));
    std::string text;
    for (DumpLine i = lines.First; i < lines.End; ++i) {
        const DumpOffset at = DumpLineOffset(i);
        AppendDumpLine(text, data + at, DumpLineBytes(i, static_cast<DumpOffset>(length)),
            static_cast<std::uint32_t>(at));
        text += '\n';
    }
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QByteArray TDumpPane::Bytes(bool whole) const
{
    const TDumpHighlight range = Selection();
    const bool all = range.From == range.To || whole;
    const std::uint64_t from = all ? 0 : range.From;
    const std::uint64_t to = all ? Length() : range.To;
    if (!Data() || to <= from)
        return {};
    return QByteArray(
        reinterpret_cast<const char*>(Data() + from), static_cast<qsizetype>(to - from));
}

QString TDumpPane::CharacterText(bool whole) const
{
    QByteArray bytes = Bytes(whole);
    // As the character column shows them.
    for (char& c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x1F || byte > 0x7E)
            c = '.';
    }
    return QString::fromLatin1(bytes);
}

void TDumpPane::CopySelection() const
{
    if (Length() == 0)
        return;
    QApplication::clipboard()->setText(DumpText());
}

bool TDumpPane::GoTo(std::uint64_t offset)
{
    const std::uint64_t length = Length();
    if (offset >= length)
        return false;
    m_anchor = m_caret = offset;
    m_box->ScrollTo(static_cast<int>(DumpLineAt(static_cast<DumpOffset>(offset)) * kDumpLinePitch));
    Changed();
    return true;
}

bool TDumpPane::Find(const std::string& pattern, bool forward)
{
    m_pattern = pattern;
    m_forward = forward;
    const TDumpHighlight selected = Selection();
    // Forward from just after the current match's start; backward from before it.
    const std::uint64_t from
        = forward ? (selected.From < selected.To ? selected.From + 1 : m_caret) : selected.From;
    const std::optional<std::uint64_t> found = FindBytes(Data(), Length(), pattern, from, forward);
    if (!found)
        return false;
    Select(*found, *found + pattern.size());
    EnsureVisible(*found);
    return true;
}

bool TDumpPane::FindNext(bool reverse)
{
    if (m_pattern.empty())
        return false;
    const bool forward = m_forward;
    const bool found = Find(m_pattern, reverse ? !forward : forward);
    m_forward = forward;
    return found;
}

int TDumpPane::CharWidth() const
{
    return std::max(1, QFontMetrics(m_paint->Font().ToQFont()).horizontalAdvance(u'0'));
}

std::uint64_t TDumpPane::ByteAt(QPoint point) const
{
    const std::uint64_t length = Length();
    if (length == 0)
        return 0;
    const DumpLine line = std::clamp<DumpLine>(
        (static_cast<DumpLine>(point.y()) + m_paint->VisibleTop()) / kDumpLinePitch, 0,
        DumpLineCount(static_cast<DumpOffset>(length)) - 1);
    const int column = point.x() / CharWidth();
    int k = 0;
    if (column >= DumpBarColumn(line))
        k = column - DumpCharColumn(line, 0);
    else if (column >= DumpHexColumn(line, 8))
        k = 8 + (column - DumpHexColumn(line, 8)) / 3;
    else
        k = (column - DumpHexColumn(line, 0)) / 3;
    const std::uint64_t at = static_cast<std::uint64_t>(DumpLineOffset(line))
        + static_cast<std::uint64_t>(std::clamp(k, 0, kDumpBytesPerLine - 1));
    return std::min(at, length - 1);
}

void TDumpPane::DragTo(QPoint point)
{
    const int reach = kAutoScrollLines * kDumpLinePitch;
    point.setY(std::clamp(point.y(), -reach, m_box->ClientRect().height() + reach));
    SelectFromDragAnchor(ByteAt(point));
}

void TDumpPane::SelectFromDragAnchor(std::uint64_t at)
{
    // Both ends are inside the selection, whichever way the mouse went.
    const std::uint64_t from = m_dragAnchor;
    Select(at >= from ? from : from + 1, at >= from ? at + 1 : at);
}

void TDumpPane::AutoScrollStep()
{
    if (!m_dragging || !m_paint->isVisible()) {
        m_autoScroll.stop();
        return;
    }
    DragTo(m_dragAt);
}

bool TDumpPane::KeyPress(int key, Qt::KeyboardModifiers modifiers)
{
    const bool control = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    if (control) {
        switch (key) {
        case Qt::Key_C:
            CopySelection();
            return true;
        case Qt::Key_A:
            SelectAll();
            return true;
        case Qt::Key_G:
            AskGoTo();
            return true;
        case Qt::Key_F:
            AskFind();
            return true;
        default:
            return false;
        }
    }
    if (key == Qt::Key_F3) {
        if (!FindNext(shift) && !m_pattern.empty())
            Tell(QStringLiteral("Not found."));
        return true;
    }
    const std::int64_t length = static_cast<std::int64_t>(Length());
    const std::int64_t page
        = std::max(1, m_box->ClientRect().height() / kDumpLinePitch) * kDumpBytesPerLine;
    std::int64_t caret = static_cast<std::int64_t>(m_caret);
    switch (key) {
    case Qt::Key_Left:
        caret -= 1;
        break;
    case Qt::Key_Right:
        caret += 1;
        break;
    case Qt::Key_Up:
        caret -= kDumpBytesPerLine;
        break;
    case Qt::Key_Down:
        caret += kDumpBytesPerLine;
        break;
    case Qt::Key_PageUp:
        caret -= page;
        break;
    case Qt::Key_PageDown:
        caret += page;
        break;
    case Qt::Key_Home:
        caret = 0;
        break;
    case Qt::Key_End:
        caret = length;
        break;
    default:
        return false;
    }
    if (length == 0)
        return false; // nothing to select: the box scrolls as it always does
    caret = std::clamp<std::int64_t>(caret, 0, length);
    if (shift) {
        Select(m_anchor, static_cast<std::uint64_t>(caret));
        return true;
    }
    // Without Shift the keys scroll the pane as they always have; the caret goes along.
    m_anchor = m_caret = static_cast<std::uint64_t>(caret);
    Changed();
    return false;
}

bool TDumpPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_box && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        return KeyPress(key->key(), key->modifiers());
    }
    if (watched != m_paint)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || Length() == 0)
            return false;
        m_box->setFocus(Qt::MouseFocusReason);
        const std::uint64_t at = ByteAt(mouse->position().toPoint());
        if (mouse->modifiers() & Qt::ShiftModifier) {
            // The selection grows from its first byte; one made backwards ends after it.
            m_dragAnchor = m_anchor > m_caret ? m_anchor - 1 : m_anchor;
            SelectFromDragAnchor(at);
        } else {
            m_dragAnchor = at;
            Select(at, at);
        }
        m_dragging = true;
        return true;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_dragging || !(mouse->buttons() & Qt::LeftButton))
            return false;
        m_dragAt = mouse->position().toPoint();
        DragTo(m_dragAt);
        const bool outside = m_dragAt.y() < 0 || m_dragAt.y() >= m_box->ClientRect().height();
        if (outside && !m_autoScroll.isActive())
            m_autoScroll.start();
        else if (!outside)
            m_autoScroll.stop();
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        m_autoScroll.stop();
        return false;
    default:
        return false;
    }
}

void TDumpPane::Tell(const QString& text) const
{
    QMessageBox::information(m_box->window(), QStringLiteral("Sondrel"), text);
}

void TDumpPane::AskGoTo()
{
    if (Length() == 0)
        return;
    bool ok = false;
    const QString text = QInputDialog::getText(m_box->window(), QStringLiteral("Go to offset"),
        QStringLiteral("Offset (hexadecimal, as the dump shows it):"), QLineEdit::Normal, {}, &ok);
    if (!ok)
        return;
    const std::optional<std::uint64_t> offset = ParseDumpOffset(text.toStdString());
    if (!offset)
        Tell(QStringLiteral("\"%1\" is no hexadecimal offset.").arg(text));
    else if (!GoTo(*offset))
        Tell(QStringLiteral("The shown content ends before offset %1.").arg(text));
}

void TDumpPane::AskFind()
{
    if (Length() == 0)
        return;
    QDialog dialog(m_box->window());
    dialog.setWindowTitle(QStringLiteral("Find"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(QStringLiteral("Find text or hex bytes:"), &dialog);
    auto* edit = new QLineEdit(&dialog);
    label->setBuddy(edit);
    auto* hex = new QCheckBox(QStringLiteral("&Hex bytes (such as DE AD BE EF)"), &dialog);
    auto* backward = new QCheckBox(QStringLiteral("Search &backward"), &dialog);
    backward->setChecked(!m_forward);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    for (QWidget* widget :
        { static_cast<QWidget*>(label), static_cast<QWidget*>(edit), static_cast<QWidget*>(hex),
            static_cast<QWidget*>(backward), static_cast<QWidget*>(buttons) })
        layout->addWidget(widget);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted || edit->text().isEmpty())
        return;
    std::string pattern;
    if (hex->isChecked()) {
        const std::optional<std::string> bytes = ParseHexBytes(edit->text().toStdString());
        if (!bytes) {
            Tell(QStringLiteral("\"%1\" are no hex bytes.").arg(edit->text()));
            return;
        }
        pattern = *bytes;
    } else {
        pattern = edit->text().toStdString(); // as UTF-8, the way text files hold it
    }
    if (!Find(pattern, !backward->isChecked()))
        Tell(QStringLiteral("Not found."));
}

} // namespace sondrel::app
