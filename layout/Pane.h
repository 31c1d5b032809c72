#pragma once
// One of the two panes of a splitter: a group (frame around its client area) with the smallest
// size the splitter leaves it and its slot in the splitter. GUI thread only; owned by its
// splitter.

#include "Group.h"

namespace sondrel::layout {

class TPTPane : public TPTGroup
{
    Q_OBJECT
    // What a form description sets.
    Q_PROPERTY(int Index READ Index WRITE SetIndex)
    Q_PROPERTY(sondrel::layout::TPTFrameStyle FrameStyle READ FrameStyle WRITE SetFrameStyle)

public:
    explicit TPTPane(QWidget* parent = nullptr);

    [[nodiscard]] int MinSize() const { return m_minSize; }
    void SetMinSize(int minSize) { m_minSize = minSize; }
    // 0 for pane 1 (left or top), 1 for pane 2.
    [[nodiscard]] int Index() const { return m_index; }
    void SetIndex(int index) { m_index = index; }

private:
    int m_minSize = 20;
    int m_index = 0;
};

} // namespace sondrel::layout
