#include "ShellLocator.h"

#include "LocatorForm.h"

#include <cstring>

namespace sondrel::shell {

TPTShellLocator::~TPTShellLocator() { FreeList(); }

void TPTShellLocator::FreeList()
{
    ShellMemFree(m_idList);
    m_idList = nullptr;
}

PCItemIDList TPTShellLocator::GetIdList()
{
    switch (m_which) {
    case usePidl:
        return m_idList;
    case useCSIDL:
        if (m_idList == nullptr && FAILED(ShellGetSpecialFolderIdList(nullptr, m_csidl, m_idList)))
            m_idList = nullptr;
        return m_idList;
    }
    return nullptr;
}

void TPTShellLocator::SetIdList(PCItemIDList pidl)
{
    const TPTShellLocator_Which old = m_which;
    m_which = usePidl;
    bool changed = false;
    if (m_idList != nullptr) {
        const int order = CompareAbsIdLists(m_idList, pidl);
        changed = old == useCSIDL || (order != 0 && order != kIdListsIncomparable);
    } else {
        changed = old == useCSIDL || (pidl != nullptr && IdListLen(pidl) > 2);
    }
    // The new list is copied before the old one goes: `pidl` may be the locator's own list.
    PItemIDList copy = pidl != nullptr && IdListLen(pidl) > 2 ? CopyIdList(nullptr, pidl) : nullptr;
    FreeList();
    m_idList = copy;
    m_csidl = csidlNone;
    if (changed)
        Changed();
}

TCSIDL TPTShellLocator::GetCSIDL() const { return m_which == useCSIDL ? m_csidl : csidlNone; }

void TPTShellLocator::SetCSIDL(TCSIDL csidl)
{
    FreeList();
    const bool changed = m_which != useCSIDL || m_csidl != csidl;
    m_which = useCSIDL;
    m_csidl = csidl;
    if (changed)
        Changed();
}

std::string TPTShellLocator::GetPathName() { return ShellGetPathFromIdList(GetIdList()); }

void TPTShellLocator::SetPathName(const std::string& path)
{
    PItemIDList parsed = nullptr;
    if (FAILED(ShellGetIdListFromPath(path, parsed))) {
        SetIdList(nullptr);
        return;
    }
    try {
        SetIdList(parsed);
    } catch (...) {
        ShellMemFree(parsed);
        throw;
    }
    ShellMemFree(parsed);
}

void TPTShellLocator::Clear() { SetIdList(nullptr); }

bool TPTShellLocator::IsEqual(const TPTShellLocator* other) const
{
    if (other == nullptr || other->m_which != m_which)
        return false;
    if (other == this)
        return true;
    if (m_which == usePidl)
        return CompareAbsIdLists(m_idList, other->m_idList) == 0;
    return m_csidl == other->m_csidl;
}

void TPTShellLocator::Assign(const framework::TPersistent* source)
{
    if (source == nullptr) {
        // Whether or not a special folder's list was fetched yet, the result is the desktop.
        SetIdList(nullptr);
        return;
    }
    const auto* locator = dynamic_cast<const TPTShellLocator*>(source);
    if (locator == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (IsEqual(locator))
        return;
    PItemIDList copy = locator->m_which == usePidl && locator->m_idList != nullptr
        ? CopyIdList(nullptr, locator->m_idList)
        : nullptr;
    FreeList();
    m_which = locator->m_which;
    m_csidl = m_which == useCSIDL ? locator->m_csidl : csidlNone;
    m_idList = copy;
    Changed();
}

void TPTShellLocator::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TPTShellLocator::DefineProperties(framework::TFiler& filer)
{
    filer.DefineBinaryProperty(
        "Pidl", [this](framework::TStream& stream) { ReadData(stream); },
        [this](framework::TStream& stream) { WriteData(stream); },
        m_which == useCSIDL || m_idList != nullptr);
}

void TPTShellLocator::WriteData(framework::TStream& stream)
{
    locatorform::StoredLocator stored;
    stored.BySpecialFolder = m_which == useCSIDL;
    stored.Csidl = static_cast<std::uint8_t>(m_csidl);
    if (!stored.BySpecialFolder && m_idList != nullptr)
        stored.List.assign(reinterpret_cast<const char*>(m_idList), IdListLen(m_idList));
    const std::string bytes = locatorform::Write(stored);
    stream.WriteBuffer(bytes.data(), bytes.size());
}

void TPTShellLocator::ReadData(framework::TStream& stream)
{
    std::string bytes;
    char chunk[4096];
    for (std::size_t got; (got = stream.Read(chunk, sizeof chunk)) > 0;)
        bytes.append(chunk, got);
    locatorform::StoredLocator stored;
    // The whole form is checked before anything changes: a bad one leaves the locator as it was.
    switch (locatorform::Parse(
        reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), stored)) {
    case locatorform::ParseResult::EndedEarly:
        throw framework::EReadError("Stream read error");
    case locatorform::ParseResult::Invalid:
        throw framework::EReadError("Invalid stream format");
    case locatorform::ParseResult::Ok:
        break;
    }
    PItemIDList list = nullptr;
    if (!stored.List.empty()) {
        list = static_cast<PItemIDList>(ShellMemAlloc(stored.List.size()));
        if (list == nullptr)
            throw std::bad_alloc();
        std::memcpy(list, stored.List.data(), stored.List.size());
    }
    FreeList();
    m_idList = list;
    if (stored.BySpecialFolder || list == nullptr) {
        m_which = useCSIDL;
        m_csidl = stored.BySpecialFolder ? static_cast<TCSIDL>(stored.Csidl) : csidlDesktop;
    } else {
        m_which = usePidl;
        m_csidl = csidlNone;
    }
}

} // namespace sondrel::shell
