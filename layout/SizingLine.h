#pragma once
// The ghost of a splitter's bar while it is dragged: the shared 50 % pattern inverted over
// whatever lies beneath (the panes included), as a widget on top of the splitter's children
// that the mouse passes through. Painting it twice in one place takes it away again, as an
// inverting line does. GUI thread only; owned by its splitter.

#include <QImage>
#include <QWidget>

namespace sondrel::layout {

// 8 x 8, white where a pixel's row and column differ in parity; made on first use and kept until
// the program ends. Drawn so that its white inverts and its black leaves the pixel alone, it
// inverts the pixels whose splitter coordinates add up to an even number.
[[nodiscard]] const QImage& HalftonePattern();

class TPTSizingLine : public QWidget
{
    Q_OBJECT

public:
    explicit TPTSizingLine(QWidget* splitter);

    // Inverts `rect` (splitter coordinates): shows the line there, or takes away the line that
    // is there.
    void Invert(const QRect& rect);
    [[nodiscard]] bool IsShown() const { return isVisible(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace sondrel::layout
