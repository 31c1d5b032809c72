#pragma once
// Actions: a command with its caption, hint, enabled and visible state and an image from its
// list's images, which the controls linked to it follow (QAction's changed signal tells them).
// An action list holds the images its actions name by index. GUI thread only; both are owned by
// their form.

#include "Events.h"
#include "ImageList.h"

#include <QAction>
#include <QPointer>

namespace sondrel::framework {

class TActionList : public QObject
{
    Q_OBJECT

public:
    explicit TActionList(QObject* owner = nullptr);

    [[nodiscard]] TImageList* Images() const { return m_images; }
    void SetImages(TImageList* images);

Q_SIGNALS:
    // The images changed, or another list took their place.
    void Changed();

private:
    QPointer<TImageList> m_images;
};

class TCustomAction : public QAction
{
    Q_OBJECT

public:
    explicit TCustomAction(QObject* owner = nullptr);

    [[nodiscard]] QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    [[nodiscard]] QString Hint() const { return toolTip(); }
    void SetHint(const QString& hint) { setToolTip(hint); }
    [[nodiscard]] TActionList* ActionList() const { return m_actionList; }
    void SetActionList(TActionList* list);
    // An image of the list's images; -1 for none.
    [[nodiscard]] int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index);

    // Fires OnExecute; false when the action has no handler.
    bool Execute();

    TNotifyEvent OnExecute;

private:
    QPointer<TActionList> m_actionList;
    QMetaObject::Connection m_listChanged;
    int m_imageIndex = -1;
};

} // namespace sondrel::framework
