#pragma once
// The commands on a stream: the context menus of the stream list and of the content pane (Save
// stream as..., the copy forms, Copy name) and dragging a stream out of the stream list as a
// file. GUI thread; owned by the main window.

#include "BytePath.h"
#include "DumpPane.h"
#include "StreamInfo.h"

#include <QObject>
#include <QPoint>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QAbstractItemView;
class QMenu;
class QMimeData;

namespace sondrel::app {

// The stream a command acts on: the selected one of the listed file.
struct TStreamChoice
{
    BytePath Path; // the file's
    std::uint64_t Index = 0;
    const streams::StreamInfo* Info = nullptr; // null when no stream is selected
    QString Caption;
};

class TStreamMenu : public QObject
{
    Q_OBJECT

public:
    using TChooser = std::function<TStreamChoice()>;

    TStreamMenu(QAbstractItemView* list, QWidget* content, TDumpPane& pane, TChooser chooser);

    // The menu of the list (`wholeStream`: the copies take the whole shown content) or of the
    // content pane (they take the selection, or everything when nothing is selected).
    [[nodiscard]] std::unique_ptr<QMenu> MakeMenu(bool wholeStream);
    // Asks for a file and saves the chosen stream whole into it, with a progress dialog for
    // large streams; a failure is told and leaves no file.
    void SaveStreamAs();
    // Saves the chosen stream into `target`; the reason when it could not, else empty.
    [[nodiscard]] QString SaveChosenStream(const QString& target);
    // The chosen stream saved whole under its own name in a private folder, for a drag; empty
    // (with the reason told) when it could not be.
    [[nodiscard]] QString ExportForDrag();
    // What a drag of the chosen stream carries (the caller owns it): its exported file, marked
    // so that our folders give it a new name rather than replace a file; null when it could
    // not be exported (the reason told).
    [[nodiscard]] QMimeData* DragData();
    // How long a large save runs before its progress dialog shows (tests show it at once).
    void SetProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }

    void CopyDump(bool wholeStream) const;
    void CopyText(bool wholeStream) const;
    void CopyBytes(bool wholeStream) const;
    void CopyName() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Tell(const QString& text) const;

    QAbstractItemView* m_list;
    QWidget* m_content;
    TDumpPane& m_pane;
    TChooser m_chooser;
    QPoint m_pressAt;
    bool m_pressed = false;
    int m_progressDelay = 500;
    // Dragged streams live here until the program ends: a file manager may copy after the drop.
    std::unique_ptr<QTemporaryDir> m_exports;
};

} // namespace sondrel::app
