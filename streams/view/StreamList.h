#pragma once
// The stream list: a listing walk fills a list view with one item per stream, each item owning
// its StreamInfo record through its data pointer until the list's deletion event releases it.

#include "CustomListView.h"
#include "StreamInfo.h"
#include "StreamWalk.h"

#include <memory>

namespace sondrel::streams {

// Adds each stream as an item (caption, size, kind as the state image, the record as data) and
// selects the first one at the end, so that the list's selection handling runs for it.
class TStreamListSink : public TStreamSink
{
public:
    explicit TStreamListSink(framework::TCustomListView& list);

    void AddStream(std::unique_ptr<StreamInfo> info, const std::string& caption,
        const std::string& sizeText, int stateIndex) override;
    void SelectFirstStream() override;

private:
    framework::TCustomListView& m_list;
};

// The record an item of the stream list carries, or null.
[[nodiscard]] StreamInfo* StreamRecord(const framework::TListItem* item);
// Releases the record an item carries (and its content with it); an item without one is left
// as it is. For the stream list's deletion event.
void ReleaseStreamRecord(framework::TListItem* item);

} // namespace sondrel::streams
