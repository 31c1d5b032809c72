#pragma once
// A scroll box: children stacked from its top (those aligned to the top, in order, at the full
// width) or at their own places, scrolled vertically by a scroll bar whose step is
// VertScrollIncrement. The scrolled range is logical: a paint box child may be far taller than a
// widget can be, and only the part of it in view is placed on screen. Keys and the wheel scroll
// it; it takes the focus so the keyboard reaches it. GUI thread only.

#include <QWidget>

class QScrollBar;

namespace sondrel::framework {

class TPaintBox;

class TScrollBox : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int VertScrollIncrement READ VertScrollIncrement WRITE SetVertScrollIncrement)

public:
    explicit TScrollBox(QWidget* parent = nullptr);

    [[nodiscard]] int VertScrollIncrement() const;
    void SetVertScrollIncrement(int increment);
    [[nodiscard]] QScrollBar* VertScrollBar() const { return m_bar; }
    // The height of everything the box holds, in logical pixels.
    [[nodiscard]] int ContentHeight() const;
    [[nodiscard]] int ScrollPosition() const;
    void ScrollTo(int position);
    // The rectangle of the client area children go into (without the scroll bar).
    [[nodiscard]] QRect ClientRect() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Arrange();
    [[nodiscard]] static int LogicalHeight(const QWidget* child);

    QScrollBar* m_bar;
    bool m_arranging = false;
};

} // namespace sondrel::framework
