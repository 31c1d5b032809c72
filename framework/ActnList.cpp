#include "ActnList.h"

#include "Guard.h"

namespace sondrel::framework {

TActionList::TActionList(QObject* owner)
    : QObject(owner)
{
}

void TActionList::SetImages(TImageList* images)
{
    if (images == m_images)
        return;
    if (m_images)
        disconnect(m_images, nullptr, this, nullptr);
    m_images = images;
    if (images)
        connect(images, &TImageList::Changed, this, &TActionList::Changed);
    Q_EMIT Changed();
}

TCustomAction::TCustomAction(QObject* owner)
    : QAction(owner)
{
    connect(this, &QAction::triggered, this, [this] {
        if (OnExecute)
            Guarded([this] { OnExecute(this); });
    });
}

void TCustomAction::SetActionList(TActionList* list)
{
    if (list == m_actionList)
        return;
    disconnect(m_listChanged);
    m_actionList = list;
    if (list)
        m_listChanged = connect(list, &TActionList::Changed, this, &QAction::changed);
    Q_EMIT changed();
}

void TCustomAction::SetImageIndex(int index)
{
    if (index == m_imageIndex)
        return;
    m_imageIndex = index;
    Q_EMIT changed();
}

bool TCustomAction::Execute()
{
    if (!OnExecute)
        return false;
    trigger();
    return true;
}

} // namespace sondrel::framework
