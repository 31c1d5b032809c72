#include "DecodedPane.h"

#include "Align.h"
#include "StreamDecode.h"
#include "StreamList.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>

namespace sondrel::app {

TDecodedPane::TDecodedPane(QWidget* dump)
    : QTreeWidget(dump->parentWidget())
    , m_dump(dump)
    , m_toggle(new QToolButton(dump->parentWidget()))
{
    setObjectName(QStringLiteral("DecodedView"));
    setAccessibleName(QStringLiteral("Decoded stream"));
    setToolTip(QStringLiteral("What the selected stream means; its bytes are in the dump below."));
    setColumnCount(2);
    setHeaderLabels({ QStringLiteral("Field"), QStringLiteral("Value") });
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setUniformRowHeights(true);
    setWordWrap(false);
    hide();

    m_toggle->setObjectName(QStringLiteral("DecodedToggle"));
    m_toggle->setText(QStringLiteral("Decoded"));
    m_toggle->setCheckable(true);
    m_toggle->setAutoRaise(true);
    m_toggle->setAccessibleName(QStringLiteral("Show the decoded view"));
    m_toggle->setToolTip(QStringLiteral("Show what the selected stream means above its dump"));
    m_toggle->setFocusPolicy(Qt::TabFocus);
    connect(m_toggle, &QToolButton::toggled, this, [this](bool on) {
        setVisible(on);
        Refresh();
        m_toggle->raise();
        if (QLayout* layout = parentWidget()->layout())
            layout->invalidate();
    });

    // Above the dump, taking a part of the pane's height that follows the pane.
    framework::SetAlign(this, framework::alTop);
    if (QLayout* layout = parentWidget()->layout())
        layout->addWidget(this);
    parentWidget()->installEventFilter(this);
    PlaceToggle();
}

void TDecodedPane::ShowListed(
    const framework::TCustomListView& list, const framework::TListItem* item)
{
    std::vector<const streams::StreamInfo*> file;
    for (int i = 0; i < list.Items().Count(); ++i)
        file.push_back(streams::StreamRecord(list.Items()[i]));
    ShowStream(streams::StreamRecord(item), std::move(file));
}

void TDecodedPane::ShowStream(
    const streams::StreamInfo* info, std::vector<const streams::StreamInfo*> file)
{
    m_info = info;
    m_file = std::move(file);
    m_decoded = nullptr;
    clear();
    m_summary.clear();
    Refresh();
}

void TDecodedPane::Clear() { ShowStream(nullptr, {}); }

void TDecodedPane::Forget(const streams::StreamInfo* info)
{
    if (!info)
        return;
    if (info == m_info) {
        Clear();
        return;
    }
    for (const streams::StreamInfo*& sibling : m_file)
        if (sibling == info)
            sibling = nullptr;
}

void TDecodedPane::SetDecodedShown(bool shown) { m_toggle->setChecked(shown); }

bool TDecodedPane::DecodedShown() const { return m_toggle->isChecked(); }

void TDecodedPane::Refresh()
{
    if (!DecodedShown() || !m_info || m_decoded == m_info)
        return;
    const streams::decode::TDecoded decoded = streams::DecodeRecord(*m_info, m_file);
    m_decoded = m_info;
    clear();
    if (!decoded.Known())
        m_summary = QStringLiteral("No decoded view of this stream: its bytes are in the dump.");
    else if (!decoded.Refusal.empty())
        m_summary = QStringLiteral("Not readable as %1: %2")
                        .arg(QString::fromStdString(decoded.Form),
                            QString::fromStdString(decoded.Refusal));
    else
        m_summary = QString::fromStdString(decoded.Form);
    auto* summary = new QTreeWidgetItem(this, { m_summary });
    summary->setFirstColumnSpanned(true);
    QFont bold = font();
    bold.setBold(true);
    summary->setFont(0, bold);
    // What was read before a refusal still shows: it often says where the bytes go wrong.
    std::vector<QTreeWidgetItem*> parents;
    for (const auto& row : decoded.Rows) {
        const auto depth = static_cast<std::size_t>(std::max(row.Depth, 0));
        parents.resize(std::min(depth, parents.size()));
        const QStringList texts { QString::fromStdString(row.Field),
            QString::fromStdString(row.Value) };
        auto* item = parents.empty() ? new QTreeWidgetItem(this, texts)
                                     : new QTreeWidgetItem(parents.back(), texts);
        item->setToolTip(1, texts[1]);
        parents.push_back(item);
    }
    expandAll();
}

bool TDecodedPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        // The view takes two fifths of the pane; the dump keeps the rest.
        setFixedHeight(std::max(60, parentWidget()->height() * 2 / 5));
        PlaceToggle();
    }
    return QTreeWidget::eventFilter(watched, event);
}

void TDecodedPane::PlaceToggle()
{
    // In the pane's top right corner, left of where the dump's scroll bar runs.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QSize size = m_toggle->sizeHint();
    m_toggle->setGeometry(
        parentWidget()->width() - bar - size.width() - 2, 1, size.width(), size.height());
    m_toggle->raise();
}

} // namespace sondrel::app
