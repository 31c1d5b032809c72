#include "StreamList.h"

namespace sondrel::streams {

TStreamListSink::TStreamListSink(framework::TCustomListView& list)
    : m_list(list)
{
}

void TStreamListSink::AddStream(std::unique_ptr<StreamInfo> info, const std::string& caption,
    const std::string& sizeText, int stateIndex)
{
    auto item = std::make_unique<framework::TListItem>();
    item->SetCaption(QString::fromUtf8(caption));
    item->AddSubItem(QString::fromLatin1(sizeText));
    item->SetStateIndex(stateIndex);
    item->SetData(info.release());
    m_list.Items().AddItem(std::move(item));
}

void TStreamListSink::SelectFirstStream()
{
    framework::TListItem* first = m_list.Items()[0];
    if (!first)
        return;
    m_list.SetItemFocused(first);
    first->SetSelected(true);
}

StreamInfo* StreamRecord(const framework::TListItem* item)
{
    return item ? static_cast<StreamInfo*>(item->Data()) : nullptr;
}

void ReleaseStreamRecord(framework::TListItem* item)
{
    if (!item)
        return;
    delete StreamRecord(item);
    item->SetData(nullptr);
}

} // namespace sondrel::streams
