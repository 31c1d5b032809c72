#include "FirstPaint.h"

#include "Guard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace sondrel::framework {

namespace {

    // Owned by the widget it watches, so it goes with it. It sees the paints of every widget
    // (a window covered by its children may get none of its own) until one of the widget's
    // window has painted, then stops watching.
    class TFirstPaintWatch final : public QObject
    {
    public:
        TFirstPaintWatch(QWidget* widget, std::function<void()> work)
            : QObject(widget)
            , m_widget(widget)
            , m_work(std::move(work))
        {
            QCoreApplication::instance()->installEventFilter(this);
        }

        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() != QEvent::Paint || m_fired || !watched->isWidgetType())
                return false;
            if (static_cast<QWidget*>(watched)->window() == m_widget->window()) {
                m_fired = true;
                QCoreApplication::instance()->removeEventFilter(this);
                // After this paint has been handled and the frame shown, not inside it.
                QTimer::singleShot(0, parent(), [this] {
                    const std::function<void()> work = std::move(m_work);
                    deleteLater();
                    (void)Guarded(work);
                });
            }
            return false;
        }

    private:
        QWidget* m_widget;
        std::function<void()> m_work;
        bool m_fired = false;
    };

} // namespace

void AfterFirstPaint(QWidget* widget, std::function<void()> work)
{
    new TFirstPaintWatch(widget, std::move(work));
}

} // namespace sondrel::framework
