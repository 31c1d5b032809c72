#pragma once
// What the user does inside the content pane: selecting bytes with the mouse and the keyboard,
// copying the selection, going to an offset and finding bytes or text. The selection is a range
// of the loaded content; the dump draws it, the pane only keeps it and moves the view. Lives on
// the GUI thread; owned by the main window, watching its scroll box and paint box.

#include "DumpAccessible.h"
#include "DumpView.h"

#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <string>

namespace sondrel::framework {
class TPaintBox;
class TScrollBox;
} // namespace sondrel::framework

namespace sondrel::app {

class TDumpPane : public QObject
{
    Q_OBJECT

public:
    TDumpPane(framework::TScrollBox* box, framework::TPaintBox* paint, TDumpSource source);

    // Another stream is shown: no selection, the caret at its start.
    void Reset();
    // The selected bytes [From, To); empty (From == To) when nothing is selected.
    [[nodiscard]] streams::TDumpHighlight Selection() const;
    // Selects [anchor, caret) (or [caret, anchor)), the caret brought into view.
    void Select(std::uint64_t anchor, std::uint64_t caret);
    void SelectAll();
    // The dump lines that hold the selection, or every line when nothing is selected (or
    // `whole`), each ended by a line feed.
    [[nodiscard]] QString DumpText(bool whole = false) const;
    // The selected bytes (all of them when nothing is selected, or `whole`) as characters, full
    // stops for bytes that show as none, as the character column does.
    [[nodiscard]] QString CharacterText(bool whole = false) const;
    // The selected bytes, or all of them, as they are.
    [[nodiscard]] QByteArray Bytes(bool whole = false) const;
    // Puts DumpText() on the clipboard.
    void CopySelection() const;

    // Moves the caret to `offset` and scrolls its line to the top; false past the content.
    bool GoTo(std::uint64_t offset);
    // Finds `pattern` from the caret (after the current match going forward), selects the match
    // and scrolls to it; false when there is none, the selection then unchanged.
    bool Find(const std::string& pattern, bool forward);
    // The last search again, in its direction or (`reverse`) the other one.
    bool FindNext(bool reverse = false);

    // The dialogs behind Ctrl+G and Ctrl+F.
    void AskGoTo();
    void AskFind();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] const std::uint8_t* Data() const;
    [[nodiscard]] std::uint64_t Length() const;
    [[nodiscard]] int CharWidth() const;
    // The byte under a point of the paint box.
    [[nodiscard]] std::uint64_t ByteAt(QPoint point) const;
    void EnsureVisible(std::uint64_t offset);
    // Extends a mouse selection to the byte under `point`; a point past the view's top or
    // bottom reaches at most a few lines beyond it, so that the view scrolls in bounded steps.
    void DragTo(QPoint point);
    void SelectFromDragAnchor(std::uint64_t at);
    void AutoScrollStep();
    void Changed();
    bool KeyPress(int key, Qt::KeyboardModifiers modifiers);
    void Tell(const QString& text) const;

    framework::TScrollBox* m_box;
    framework::TPaintBox* m_paint;
    TDumpSource m_source;
    std::uint64_t m_anchor = 0;
    std::uint64_t m_caret = 0;
    bool m_dragging = false;
    // The byte a mouse selection grows from: it stays inside the selection whichever way the
    // mouse goes, however often the selection is redrawn.
    std::uint64_t m_dragAnchor = 0;
    // While the button is held outside the view, the selection goes on growing and the view
    // scrolling without the mouse moving.
    QTimer m_autoScroll;
    QPoint m_dragAt;
    std::string m_pattern;
    bool m_forward = true;
};

} // namespace sondrel::app
