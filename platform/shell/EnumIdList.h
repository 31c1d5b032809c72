#pragma once
// The enumerator a folder hands out: the items it listed when asked, given out one new ID list
// at a time (the receiver frees each), then S_FALSE, or the failure that cut the listing short.
// Clones share the listing. Used from one thread at a time.

#include "ShellInterfaces.h"

#include <memory>
#include <string>
#include <vector>

namespace sondrel::platform {

struct Listing
{
    std::string Items; // item bytes, one after another
    std::vector<std::size_t> Offsets; // where each item starts
    win32::HRESULT EndResult = win32::S_FALSE; // what Next answers once all were handed out

    void Add(const std::string& item)
    {
        Offsets.push_back(Items.size());
        Items += item;
    }
};

// A new enumerator over `listing` with one reference for the caller.
[[nodiscard]] win32::IEnumIDList_NRC* NewEnumIdList(std::shared_ptr<const Listing> listing);

} // namespace sondrel::platform
