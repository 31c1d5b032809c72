#include "Pane.h"

namespace sondrel::layout {

TPTPane::TPTPane(QWidget* parent)
    : TPTGroup(parent, ptfsLowered)
{
    // The splitter shows its split cursor on the bar only; children of a pane inherit this.
    setCursor(Qt::ArrowCursor);
}

} // namespace sondrel::layout
