#include "ScrollBox.h"

#include "Align.h"
#include "PaintBox.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace sondrel::framework {

TScrollBox::TScrollBox(QWidget* parent)
    : QWidget(parent)
    , m_bar(new QScrollBar(Qt::Vertical, this))
{
    setFocusPolicy(Qt::StrongFocus);
    m_bar->setSingleStep(16);
    m_bar->setRange(0, 0);
    connect(m_bar, &QScrollBar::valueChanged, this, [this] { Arrange(); });
}

int TScrollBox::VertScrollIncrement() const { return m_bar->singleStep(); }

void TScrollBox::SetVertScrollIncrement(int increment) { m_bar->setSingleStep(increment); }

int TScrollBox::LogicalHeight(const QWidget* child)
{
    if (const auto* box = qobject_cast<const TPaintBox*>(child))
        return box->Height();
    return child->height();
}

int TScrollBox::ContentHeight() const
{
    std::int64_t top = 0;
    std::int64_t bottom = 0;
    for (QObject* object : children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child == m_bar || child->isWindow() || child->isHidden())
            continue;
        if (AlignOf(child) == alTop) {
            top += LogicalHeight(child);
            bottom = std::max(bottom, top);
        } else {
            bottom = std::max<std::int64_t>(bottom, child->y() + LogicalHeight(child));
        }
    }
    return static_cast<int>(std::min<std::int64_t>(bottom, INT32_MAX));
}

int TScrollBox::ScrollPosition() const { return m_bar->value(); }

void TScrollBox::ScrollTo(int position) { m_bar->setValue(position); }

QRect TScrollBox::ClientRect() const
{
    const int barWidth = m_bar->isVisible() ? m_bar->sizeHint().width() : 0;
    return QRect(0, 0, std::max(0, width() - barWidth), height());
}

void TScrollBox::Arrange()
{
    if (m_arranging)
        return;
    m_arranging = true;
    const int content = ContentHeight();
    const bool needBar = content > height();
    m_bar->setVisible(needBar);
    const QRect client = ClientRect();
    m_bar->setGeometry(client.right() + 1, 0, width() - client.width(), height());
    m_bar->setPageStep(std::max(1, height()));
    m_bar->setRange(0, std::max(0, content - height()));
    const int position = m_bar->value();
    int stacked = 0;
    for (QObject* object : children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child == m_bar || child->isWindow() || AlignOf(child) != alTop
            || child->isHidden())
            continue;
        const int logicalTop = stacked;
        const int logicalHeight = LogicalHeight(child);
        stacked += logicalHeight;
        if (auto* box = qobject_cast<TPaintBox*>(child)) {
            // Only the part in view becomes a widget; its canvas is shifted to match.
            const int visibleTop = std::max(logicalTop, position);
            const int visibleBottom = std::min(logicalTop + logicalHeight, position + height());
            const int shown = std::max(0, visibleBottom - visibleTop);
            box->setGeometry(0, visibleTop - position, client.width(), shown);
            box->SetVisibleTop(visibleTop - logicalTop);
        } else {
            child->setGeometry(0, logicalTop - position, client.width(), logicalHeight);
        }
    }
    m_arranging = false;
}

void TScrollBox::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Arrange();
}

void TScrollBox::childEvent(QChildEvent* event)
{
    QWidget::childEvent(event);
    // A child is whole only once polished: then its height changes can be followed.
    if (event->type() == QEvent::ChildPolished)
        if (auto* box = qobject_cast<TPaintBox*>(event->child())) {
            connect(
                box, &TPaintBox::HeightChanged, this, &TScrollBox::Arrange, Qt::UniqueConnection);
            Arrange();
        }
}

bool TScrollBox::event(QEvent* event)
{
    // A child shown, hidden or given its alignment after creation moves the others.
    if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Polish)
        Arrange();
    return QWidget::event(event);
}

void TScrollBox::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) {
        event->ignore();
        return;
    }
    m_bar->setValue(m_bar->value() - notches * 3 * m_bar->singleStep());
    event->accept();
}

void TScrollBox::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        m_bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Down:
        m_bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_PageUp:
        m_bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case Qt::Key_PageDown:
        m_bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    case Qt::Key_Home:
        m_bar->triggerAction(QAbstractSlider::SliderToMinimum);
        break;
    case Qt::Key_End:
        m_bar->triggerAction(QAbstractSlider::SliderToMaximum);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace sondrel::framework
