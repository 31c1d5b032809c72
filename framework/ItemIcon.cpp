#include "ItemIcon.h"

#include <QIconEngine>
#include <QPainter>

namespace sondrel::framework {

namespace {

    class TItemIconEngine : public QIconEngine
    {
    public:
        explicit TItemIconEngine(TItemIconParts parts)
            : m_parts(std::move(parts))
        {
        }

        void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
        {
            int x = rect.x();
            if (!m_parts.StateSize.isEmpty()) {
                const QRect stateRect(QPoint(x, rect.y()), m_parts.StateSize);
                if (!m_parts.State.isNull())
                    m_parts.State.paint(painter, stateRect, Qt::AlignCenter, mode);
                x += m_parts.StateSize.width();
            }
            if (m_parts.ImageSize.isEmpty())
                return;
            const QRect imageRect(QPoint(x, rect.y()), m_parts.ImageSize);
            const qreal opacity = painter->opacity();
            if (m_parts.Cut)
                painter->setOpacity(opacity * 0.5);
            if (!m_parts.Image.isNull())
                m_parts.Image.paint(painter, imageRect, Qt::AlignCenter, mode);
            if (!m_parts.Overlay.isNull())
                m_parts.Overlay.paint(painter, imageRect, Qt::AlignCenter, mode);
            painter->setOpacity(opacity);
        }

        QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
        {
            const QSize full(m_parts.StateSize.width() + m_parts.ImageSize.width(),
                std::max(m_parts.StateSize.height(), m_parts.ImageSize.height()));
            return full.boundedTo(size);
        }

        QIconEngine* clone() const override { return new TItemIconEngine(m_parts); }

        // Never null: an item without images keeps their room, so captions stay aligned.
        bool isNull() override { return false; }

    private:
        TItemIconParts m_parts;
    };

} // namespace

QIcon ComposeItemIcon(const TItemIconParts& parts) { return QIcon(new TItemIconEngine(parts)); }

} // namespace sondrel::framework
