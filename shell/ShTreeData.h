#pragma once
// TPTShTreeData: what a shell tree keeps for each node that stands for a shell item: its ID list
// relative to the parent node's folder (for a root-level node, its last item, with the absolute
// list given at creation), the absolute list made from the parents' on first need, and the
// node's own folder interface bound on first need. Owned by the node it is attached to; the tree
// frees it when the node goes. GUI thread only.

#include "ShellHeld.h"
#include "UPTShell95.h"

#include <cstdint>
#include <string>

namespace sondrel::shell {

class TPTCustomShellTree;

class TPTShTreeData
{
public:
    explicit TPTShTreeData(TPTCustomShellTree* owner);
    virtual ~TPTShTreeData();
    TPTShTreeData(const TPTShTreeData&) = delete;
    TPTShTreeData& operator=(const TPTShTreeData&) = delete;

    [[nodiscard]] TPTCustomShellTree* Owner() const { return m_owner; }
    [[nodiscard]] TPTShTreeData* ParentData() const { return m_parentData; }
    // With a parent, `pidl` is relative to the parent's folder; without one it is absolute.
    // Both are copied.
    void SetData(TPTShTreeData* parentData, PCItemIDList pidl);
    [[nodiscard]] PCItemIDList RelPidl() const { return m_relPidl.Get(); }
    // Replaces the relative list (after a rename): the folder cache and the absolute list go.
    void SetRelPidl(PCItemIDList pidl);
    [[nodiscard]] PCItemIDList GetAbsPidl();
    // The node's own folder, bound on first need; null when it does not bind. The data keeps
    // the reference.
    [[nodiscard]] IShellFolder_NRC* GetThisIShf();
    // For a root-level node, sets the folder it was enumerated as (a reference is added).
    void SetThisIShf(IShellFolder_NRC* folder);
    // The folder the node lies in: the parent's own, or for a root-level node a fresh binding to
    // the parent of its absolute list. Kept by the data; null when it does not bind.
    [[nodiscard]] IShellFolder_NRC* GetParentIShf();
    [[nodiscard]] std::string GetPathName();
    [[nodiscard]] std::uint32_t GetAttributes();
    [[nodiscard]] bool GetEditable();
    // Drops what was computed from the lists (the absolute list of a node with a parent, and
    // the folder interface).
    void Flush();
    // The drop target of the node's item; null when the namespace offers none.
    [[nodiscard]] IDropTarget_NRC* GetIDropTarget(win32::HWND owner);
    // The node stands for the root of a mounted drive.
    [[nodiscard]] bool IsRootDir();

    // The images were looked up once; a failed lookup is not repeated on every paint.
    bool ImagesLooked = false;
    // The change worker's slot watching this node's folder, or -1.
    int WatchSlot = -1;

private:
    TPTCustomShellTree* m_owner;
    TPTShTreeData* m_parentData = nullptr;
    HeldPidl m_relPidl;
    HeldPidl m_absPidl;
    Held<IShellFolder_NRC> m_thisFolder;
    Held<IShellFolder_NRC> m_parentFolder;
};

} // namespace sondrel::shell
