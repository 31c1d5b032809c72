#include "Align.h"

#include <QVariant>
#include <QWidget>

#include <algorithm>

namespace sondrel::framework {

namespace {

    constexpr char kAlignProperty[] = "Align";

    // A child's place in the docking order: by alignment, then along its own axis.
    int Rank(TAlign align)
    {
        switch (align) {
        case alTop:
            return 0;
        case alBottom:
            return 1;
        case alLeft:
            return 2;
        case alRight:
            return 3;
        case alClient:
            return 4;
        case alNone:
            break;
        }
        return 5;
    }

} // namespace

TAlign AlignOf(const QWidget* widget)
{
    const QVariant value = widget->property(kAlignProperty);
    if (!value.isValid())
        return alNone;
    if (value.metaType() == QMetaType::fromType<TAlign>())
        return value.value<TAlign>();
    const int align = value.toInt();
    return align >= alNone && align <= alClient ? static_cast<TAlign>(align) : alNone;
}

void SetAlign(QWidget* widget, TAlign align)
{
    widget->setProperty(kAlignProperty, QVariant::fromValue(align));
    if (QWidget* parent = widget->parentWidget(); parent && parent->layout())
        parent->layout()->invalidate();
}

TAlignLayout::TAlignLayout(QWidget* container)
    : QLayout(container)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
    for (QObject* child : container->children())
        if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow())
            addWidget(widget);
}

TAlignLayout::~TAlignLayout()
{
    for (QLayoutItem* item : m_items)
        delete item;
}

void TAlignLayout::InstallAll(QWidget* root)
{
    bool aligned = false;
    for (QObject* child : root->children())
        if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow()) {
            aligned = aligned || AlignOf(widget) != alNone;
            InstallAll(widget);
        }
    if (aligned && !root->layout())
        new TAlignLayout(root);
}

void TAlignLayout::addItem(QLayoutItem* item) { m_items.push_back(item); }

QLayoutItem* TAlignLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? m_items[static_cast<std::size_t>(index)] : nullptr;
}

QLayoutItem* TAlignLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem* item = m_items[static_cast<std::size_t>(index)];
    m_items.erase(m_items.begin() + index);
    return item;
}

int TAlignLayout::count() const { return static_cast<int>(m_items.size()); }

QSize TAlignLayout::sizeHint() const { return minimumSize(); }

QSize TAlignLayout::minimumSize() const { return QSize(0, 0); }

void TAlignLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    std::vector<QWidget*> docked;
    for (QLayoutItem* item : m_items)
        if (QWidget* widget = item->widget(); widget && AlignOf(widget) != alNone)
            docked.push_back(widget);
    // Stable: children of one alignment dock in the order the form made them.
    std::stable_sort(docked.begin(), docked.end(),
        [](const QWidget* a, const QWidget* b) { return Rank(AlignOf(a)) < Rank(AlignOf(b)); });
    QRect free = rect;
    for (QWidget* widget : docked) {
        if (widget->isHidden())
            continue;
        switch (AlignOf(widget)) {
        case alTop:
            widget->setGeometry(free.left(), free.top(), free.width(), widget->height());
            free.setTop(free.top() + widget->height());
            break;
        case alBottom:
            widget->setGeometry(
                free.left(), free.bottom() + 1 - widget->height(), free.width(), widget->height());
            free.setBottom(free.bottom() - widget->height());
            break;
        case alLeft:
            widget->setGeometry(free.left(), free.top(), widget->width(), free.height());
            free.setLeft(free.left() + widget->width());
            break;
        case alRight:
            widget->setGeometry(
                free.right() + 1 - widget->width(), free.top(), widget->width(), free.height());
            free.setRight(free.right() - widget->width());
            break;
        case alClient:
            widget->setGeometry(
                free.left(), free.top(), std::max(0, free.width()), std::max(0, free.height()));
            break;
        case alNone:
            break;
        }
    }
}

} // namespace sondrel::framework
