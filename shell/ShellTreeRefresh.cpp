// Refreshing the shell tree by difference: each filled level is compared with what its folder
// holds now; nodes whose items went are deleted, new items are added, the rest stay as they
// are (expanded, selected, with their children).

#include "Cursor.h"
#include "Guard.h"
#include "PidlList.h"
#include "ShellHeld.h"
#include "ShellTree.h"

namespace sondrel::shell {

using namespace win32;
using framework::TTreeNode;

void TPTCustomShellTree::RefreshNodes() { RefreshLevels(nullptr); }

void TPTCustomShellTree::RefreshLevels(const TChangedWatches* changed)
{
    if (changed && changed->Empty())
        return;
    if (Occupied()) {
        m_refreshPending = true;
        return;
    }
    if (Items().Count() == 0) {
        FillItems();
        return;
    }
    m_refreshPending = false;
    TTreeNode* remembered = nullptr;
    {
        framework::THourglass hourglass;
        framework::TUpdating<framework::TTreeNodes> update(Items());
        FillStart();
        const framework::TAtScopeEnd complete(
            [this] { framework::FireAtScopeEnd([this] { FillComplete(); }); });
        remembered = Selected();
        {
            framework::TRaised suppressed(m_suppress);
            SetSelected(nullptr);
        }
        // A node that goes takes its place in `remembered` with it; the list of top-level
        // nodes is taken first since refreshing may delete among them.
        std::vector<TTreeNode*> roots;
        for (int i = 0; i < Items().TopLevelCount(); ++i)
            roots.push_back(Items().TopLevelItem(i));
        for (TTreeNode* root : roots)
            if (Items().Contains(root))
                RefreshNode(root, remembered, changed);
    }
    if (remembered && Items().Contains(remembered)) {
        m_immediate = true;
        SetSelected(remembered);
        if (Selected() == remembered)
            m_immediate = false;
    }
}

void TPTCustomShellTree::RefreshNode(
    TTreeNode* node, TTreeNode*& remembered, const TChangedWatches* changed)
{
    TPTShTreeData* shData = GetDataFromNode(node);
    // Only filled levels: a node that was never expanded fills when it is.
    if (!shData || node->Count() == 0)
        return;
    IShellFolder_NRC* folder = shData->GetThisIShf();
    if (!folder)
        return;
    // The levels whose watches saw nothing are as they were (their descendants may still have
    // changed).
    if (changed && !changed->Contains(shData->WatchSlot)) {
        for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling())
            RefreshNode(child, remembered, changed);
        return;
    }

    TPTPidlList shown;
    shown.SetCompareFolder(folder);
    shown.SetDuplicates(dupAccept);
    shown.SetCapacity(node->Count());
    for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling())
        if (TPTShTreeData* childData = GetDataFromNode(child))
            shown.AddObject(const_cast<PItemIDList>(childData->RelPidl()), child);
    shown.SetSorted(true);

    TPTPidlList present;
    present.SetPidlAllocator(ShellIMalloc());
    present.SetDuplicates(dupAccept);
    {
        Held<IEnumIDList_NRC> list;
        if (SUCCEEDED(folder->EnumObjects(nullptr, EnumFlags(), list.Out())) && list)
            (void)ForEachEnumItem(
                list.Get(), [&present](HeldPidl item) { present.Add(item.Detach()); });
    }

    for (int i = present.GetCount() - 1; i >= 0; --i) {
        const int at = shown.IndexOf(present.GetPIDL(i));
        if (at >= 0) {
            shown.Delete(at);
            present.Delete(i);
        }
    }

    for (int i = shown.GetCount() - 1; i >= 0; --i) {
        auto* gone = static_cast<TTreeNode*>(shown.GetObject(i));
        if (remembered && (remembered == gone || remembered->HasAsParent(gone)))
            remembered = node;
        framework::TRaised suppressed(m_suppress);
        gone->Delete();
    }

    const int before = node->Count();
    for (int i = 0; i < present.GetCount(); ++i)
        OleCheck(AddNewShellNode(folder, shData->GetAbsPidl(), present.GetPIDL(i), node));
    if (node->Count() != before)
        SortNode(node);
    if (node->Count() == 0)
        node->SetHasChildren(false);

    for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling())
        RefreshNode(child, remembered, changed);
}

} // namespace sondrel::shell
