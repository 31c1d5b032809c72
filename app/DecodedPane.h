#pragma once
// The content pane's second view: what the selected stream means, above the dump of its bytes.
// A toggle in the pane's corner shows or hides it; the choice lasts as long as the window
// (nothing is saved). The dump stays as it is: a stream no decoder knows, or one its decoder
// refuses, shows a line that says so above it.

#include "CustomListView.h"
#include "StreamInfo.h"

#include <QTreeWidget>

#include <vector>

class QToolButton;

namespace sondrel::app {

class TDecodedPane : public QTreeWidget
{
    Q_OBJECT

public:
    // Docks itself at the top of the dump's parent, hidden until the toggle is on; the dump keeps
    // the rest.
    explicit TDecodedPane(QWidget* dump);

    // The stream of `item` in the stream list `list`, with the list's other records (a sparse
    // block's map is made of its siblings). The records stay the list's; Forget lets go of them.
    void ShowListed(const framework::TCustomListView& list, const framework::TListItem* item);
    void ShowStream(const streams::StreamInfo* info, std::vector<const streams::StreamInfo*> file);
    // Shows nothing.
    void Clear();
    // A record is about to be released: nothing of it may stay in use.
    void Forget(const streams::StreamInfo* info);

    void SetDecodedShown(bool shown);
    [[nodiscard]] bool DecodedShown() const;
    [[nodiscard]] QToolButton* Toggle() const { return m_toggle; }
    // The line above the rows: the form read, or why there is nothing to read.
    [[nodiscard]] QString Summary() const { return m_summary; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Decodes the current stream when the view is shown and it has not been decoded yet.
    void Refresh();
    void PlaceToggle();

    QWidget* m_dump;
    QToolButton* m_toggle;
    const streams::StreamInfo* m_info = nullptr;
    std::vector<const streams::StreamInfo*> m_file;
    // The stream the rows were made for, so that hiding and showing does not decode again.
    const streams::StreamInfo* m_decoded = nullptr;
    QString m_summary;
};

} // namespace sondrel::app
