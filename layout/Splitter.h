#pragma once
// A container that always holds exactly two panes, side by side (ptstVertical: the bar is
// vertical) or one above the other, with a bar between them that the user drags with the left
// mouse button. Position is the size of pane 1 along the split axis, which is also the bar's
// offset; pane 2 starts SplitterWidth pixels further on. Children go into the panes
// (GetPane(0), GetPane(1)), never into the splitter itself.
//
// Dragging shows a ghost of the bar (the 50 % pattern inverted over the panes) and moves the
// panes on release, or, with full drag, moves the panes as the mouse goes. On a resize a
// proportional splitter keeps Position / extent; otherwise pane 1 keeps its size. As a form
// does, give the splitter its size before its Position: the position is clamped to the size the
// splitter has when it is written, and a later layout scales it from there.
//
// GUI thread only. Owned by its parent widget; it owns its panes.

#include "Pane.h"
#include "UPTFrame.h"

#include <QPointer>
#include <QWidget>

#include <array>

namespace sondrel::layout {

class TPTSizingLine;

enum TPTSplitterStyle { ptstVertical, ptstHorizontal };

// ptfdUser follows the desktop's setting for showing contents while resizing.
enum TPTFullDragMode { ptfdOff, ptfdOn, ptfdUser };

using TPTSplitterDragEvent = std::function<void(QObject* Sender, int Position)>;

class TPTSplitter : public QWidget
{
    Q_OBJECT
    // What a form description sets.
    Q_PROPERTY(sondrel::layout::TPTSplitterStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(int Position READ Position WRITE SetPosition)

public:
    explicit TPTSplitter(QWidget* parent = nullptr);
    ~TPTSplitter() override;

    [[nodiscard]] TPTPane* GetPane(int index) const;

    [[nodiscard]] TPTSplitterStyle Style() const { return m_style; }
    void SetStyle(TPTSplitterStyle style);
    [[nodiscard]] int SplitterWidth() const { return m_splitterWidth; }
    void SetSplitterWidth(int width);
    [[nodiscard]] int Position() const { return m_position; }
    // Clamped so that each pane keeps its MinSize; pane 1's minimum wins when both cannot.
    void SetPosition(int position);
    [[nodiscard]] TPTFullDragMode FullDragMode() const { return m_fullDragMode; }
    void SetFullDragMode(TPTFullDragMode mode) { m_fullDragMode = mode; }
    [[nodiscard]] bool Proportional() const { return m_proportional; }
    void SetProportional(bool proportional) { m_proportional = proportional; }
    // Position / extent as kept for proportional resizing. Writing it moves the bar there.
    [[nodiscard]] float Proportion() const { return m_proportion; }
    void SetProportion(float proportion);
    [[nodiscard]] TColor Color() const { return m_color; }
    void SetColor(TColor color);

    // The panes' own properties, reached through the splitter.
    [[nodiscard]] TColor Pane1Color() const;
    void SetPane1Color(TColor color);
    [[nodiscard]] TColor Pane2Color() const;
    void SetPane2Color(TColor color);
    [[nodiscard]] TPTFrameStyle Pane1FrameStyle() const;
    void SetPane1FrameStyle(TPTFrameStyle style);
    [[nodiscard]] TPTFrameStyle Pane2FrameStyle() const;
    void SetPane2FrameStyle(TPTFrameStyle style);
    [[nodiscard]] int Pane1MinSize() const;
    void SetPane1MinSize(int size);
    [[nodiscard]] int Pane2MinSize() const;
    void SetPane2MinSize(int size);

    // Exchanges the panes; with `adjustPosition` the bar moves so each pane keeps its size.
    void SwapPanes(bool adjustPosition);
    // After panes were made from a form description as children of the splitter: each takes
    // the slot its Index names (out-of-range indexes are left alone), replacing the pane there.
    Q_INVOKABLE void Loaded();

    // Width for ptstVertical, height for ptstHorizontal.
    [[nodiscard]] int Extent() const;
    [[nodiscard]] bool IsFullDrag() const;
    // Places the panes for the current Position.
    void InitPanePos();
    // Proportion := Position / extent (0.5 while the extent is 0).
    void FixProportion();

    TNotifyEvent OnChange;
    TNotifyEvent OnResize;
    TPTSplitterDragEvent OnSplitterDrag;
    TPTSplitterDragEvent OnSplitterDrop;

protected:
    // Inverts the bar's ghost at the drag position (so a second call takes it away).
    virtual void PaintSizingLine();
    virtual void Change();
    virtual void InternalResize(bool force);
    virtual void SplitterDrag(int position);
    virtual void SplitterDrop(int position);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void InternalSetPosition(int position, bool updateProportion);
    [[nodiscard]] int Clamped(int position) const;
    [[nodiscard]] int DragCoordinate(const QMouseEvent* event) const;
    [[nodiscard]] bool InPane(const QPoint& point) const;
    void BeginDrag(int coordinate);
    void ContinueDrag(int coordinate);
    void EndDrag();
    void SetDragPosition(int position);
    void NamePanes();
    void UpdateCursor();

    std::array<QPointer<TPTPane>, 2> m_panes;
    TPTSplitterStyle m_style = ptstVertical;
    int m_splitterWidth = 3;
    int m_position = 65;
    TPTFullDragMode m_fullDragMode = ptfdUser;
    bool m_proportional = true;
    float m_proportion = 0.5f;
    TColor m_color = framework::clBtnFace;

    bool m_dragging = false;
    bool m_dragIsFull = false; // fixed for the drag, so a ghost shown is also taken away
    int m_dragPosition = -1;
    int m_dragOffset = 0;
    Qt::MouseButton m_dragButton = Qt::NoButton;
    TPTSizingLine* m_sizingLine;
};

} // namespace sondrel::layout
