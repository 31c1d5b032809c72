#pragma once
// Drag and drop of shell items with Qt's drag: what the list and the tree share. Items leave as
// `text/uri-list` (file-system items only) and the "Shell IDList Array" block under our private
// MIME name, the same bytes the clipboard carries; what arrives is read once per drag into a
// data object of the files it carries. Drop effects and Qt's drop actions share their values
// (copy 1, move 2, link 4). GUI thread.

#include "DataObjects.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QTimer>

#include <functional>
#include <memory>

class QAbstractScrollArea;
class QDropEvent;
class QMimeData;
class QWidget;

namespace sondrel::shell {

inline constexpr win32::DWORD DROPEFFECT_SCROLL = 0x80000000;
inline constexpr win32::HRESULT DRAGDROP_S_DROP = 0x00040100;
inline constexpr win32::HRESULT DRAGDROP_S_CANCEL = 0x00040101;
inline constexpr win32::HRESULT DRAGDROP_S_USEDEFAULTCURSORS = 0x00040102;

// The margins that scroll during a drag, and the least time between two steps.
inline constexpr int PTSH_AUTOSCROLL_THRESHOLD_X = 26;
inline constexpr int PTSH_AUTOSCROLL_THRESHOLD_Y = 20;
inline constexpr int PTSH_AUTOSCROLL_MINDELAY_MS = 100;

// The drop source of both controls: the drag goes on while its button is down, drops when it is
// released, and is cancelled by Escape or another button.
class TDropSource_shlvtv final : public IDropSource_NRC
{
public:
    explicit TDropSource_shlvtv(Qt::MouseButton button);

    HRESULT QueryInterface(win32::REFIID riid, void** object) override;
    win32::ULONG AddRef() override;
    win32::ULONG Release() override;
    HRESULT QueryContinueDrag(win32::BOOL escapePressed, win32::DWORD keyState) override;
    HRESULT GiveFeedback(win32::DWORD effect) override;

private:
    ~TDropSource_shlvtv() = default;
    win32::ULONG m_references = 0;
    win32::DWORD m_button;
};

// The key state of a drag event: buttons (left 0x01, right 0x02, middle 0x10), Shift 0x04,
// Ctrl 0x08.
[[nodiscard]] win32::DWORD DragKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys);

// What leaves with a drag of `data`: its file-drop paths as URIs and its ID-list array.
[[nodiscard]] QMimeData* MimeDataOf(const TPTShellDataObject& data);
// The files an offer carries as a data object (one reference for the caller); null when it
// carries none we can take.
[[nodiscard]] IDataObject_NRC* DataObjectOf(const QMimeData& mime);

// The button a drag starting now is made with: the right one when it alone is held.
[[nodiscard]] Qt::MouseButton DragButton();

// Runs Qt's drag of `data` from `source` with the `allowed` effects, made with DragButton();
// the effect it ended in (0 when cancelled or refused). Escape or a press of another button
// cancels it. The source deletes nothing after a move: the target moved.
[[nodiscard]] win32::DWORD RunDrag(
    QWidget* source, const TPTShellDataObject& data, win32::DWORD allowed);

// One autoscroll step of `view` for a pointer at `pos` (viewport coordinates), at most one per
// PTSH_AUTOSCROLL_MINDELAY_MS since `last` (restarted by a step); true when it scrolled.
bool AutoScrollStep(QAbstractScrollArea& view, QPoint pos, QElapsedTimer& last);

// A drag resting over a view: Qt tells the view of a drag only when the pointer moves, so while
// it rests this calls `tick` with the last position and keys every autoscroll interval, as the
// steps of a drag go on under a still pointer elsewhere (autoscroll, the auto-open, the target
// under the pointer after a scroll). Started by each move, stopped when the drag leaves or drops.
class TDragHover
{
public:
    explicit TDragHover(std::function<void(QPoint, win32::DWORD)> tick);
    void Moved(QPoint pos, win32::DWORD keyState);
    void Stop();

private:
    QTimer m_timer;
    QPoint m_pos;
    win32::DWORD m_keyState = 0;
};

// The drop target of the folder whose absolute list is `pidl` (the desktop folder for the
// empty list); one reference for the caller, or null.
[[nodiscard]] IDropTarget_NRC* FolderDropTargetOf(PCItemIDList pidl);

// The effects `data` allows: copy, move and link as the folder of its items grants them; all
// three when it carries no ID-list array.
[[nodiscard]] win32::DWORD AllowedEffectsOf(IDataObject_NRC* data);

} // namespace sondrel::shell
