#include "ShTreeData.h"

#include "IdListArray.h"
#include "MountTable.h"

namespace sondrel::shell {

using namespace win32;

namespace {

    // What a node's commands and look ask: has-subfolder, file system, folder, file-system
    // ancestor; link, share, read-only, hidden; can copy, move, link, rename, delete.
    constexpr SFGAOF kNodeAttributeMask = 0xF00F0037;
    constexpr SFGAOF kEditableMask = 0x40000177;

} // namespace

TPTShTreeData::TPTShTreeData(TPTCustomShellTree* owner)
    : m_owner(owner)
{
}

TPTShTreeData::~TPTShTreeData() = default;

void TPTShTreeData::SetData(TPTShTreeData* parentData, PCItemIDList pidl)
{
    m_parentData = parentData;
    Flush();
    if (parentData) {
        m_relPidl.Reset(CopyIdList(nullptr, pidl));
        m_absPidl.Reset();
        return;
    }
    // A root-level node: its last item stands for it among its parent's items.
    TPTIdListArray items(pidl);
    const int count = items.GetCount();
    m_relPidl.Reset(CopyIdList(nullptr, count > 0 ? items.GetItem(count - 1) : pidl));
    m_absPidl.Reset(CopyIdList(nullptr, pidl));
}

void TPTShTreeData::SetRelPidl(PCItemIDList pidl)
{
    HeldPidl copy(CopyIdList(nullptr, pidl));
    if (!m_parentData) {
        // The parent part of the absolute list stays; the last item is the new one.
        TPTIdListArray items(m_absPidl.Get());
        HeldPidl parent(CopyIdList(nullptr, items.GoUp(1)));
        m_absPidl.Reset(ConcatIdLists(nullptr, parent.Get(), copy.Get()));
    }
    m_relPidl = std::move(copy);
    Flush();
    (void)GetAbsPidl();
}

PCItemIDList TPTShTreeData::GetAbsPidl()
{
    if (!m_absPidl) {
        if (m_parentData)
            m_absPidl.Reset(ConcatIdLists(nullptr, m_parentData->GetAbsPidl(), m_relPidl.Get()));
        else
            m_absPidl.Reset(CopyIdList(nullptr, m_relPidl.Get()));
    }
    return m_absPidl.Get();
}

IShellFolder_NRC* TPTShTreeData::GetThisIShf()
{
    if (m_thisFolder)
        return m_thisFolder.Get();
    if (!m_parentData && IdListLen(GetAbsPidl()) <= 2) {
        OleCheck(ShellGetDesktopFolder(*m_thisFolder.Out()));
        return m_thisFolder.Get();
    }
    IShellFolder_NRC* parent = GetParentIShf();
    if (!parent)
        return nullptr;
    void* bound = nullptr;
    if (FAILED(parent->BindToObject(m_relPidl.Get(), nullptr, IID_IShellFolder, &bound)))
        return nullptr;
    m_thisFolder.Reset(static_cast<IShellFolder_NRC*>(bound));
    return m_thisFolder.Get();
}

void TPTShTreeData::SetThisIShf(IShellFolder_NRC* folder) { m_thisFolder = HoldReference(folder); }

IShellFolder_NRC* TPTShTreeData::GetParentIShf()
{
    if (m_parentData)
        return m_parentData->GetThisIShf();
    TPTIdListArray items(GetAbsPidl());
    PCItemIDList parent = items.GoUp(1);
    if (!parent)
        parent = GetAbsPidl(); // the desktop has no parent: it answers for itself
    Held<IShellFolder_NRC> folder;
    if (FAILED(ShellGetFolderFromIdList(parent, folder.Pointer)))
        return nullptr;
    m_parentFolder = std::move(folder);
    return m_parentFolder.Get();
}

std::string TPTShTreeData::GetPathName() { return ShellGetPathFromIdList(GetAbsPidl()); }

std::uint32_t TPTShTreeData::GetAttributes()
{
    SFGAOF attributes = kNodeAttributeMask;
    // A removable drive's read-only state is the medium's, which may change at any moment.
    if (const std::string path = GetPathName(); !path.empty()) {
        const auto drives = platform::CurrentDrives();
        if (const auto* drive = platform::FindDrive(*drives, path);
            drive && drive->Type == DRIVE_REMOVABLE)
            attributes &= ~SFGAO_READONLY;
    }
    IShellFolder_NRC* parent = GetParentIShf();
    if (!parent)
        return 0;
    PCIDLIST items[] = { m_relPidl.Get() };
    if (FAILED(parent->GetAttributesOf(1, items, &attributes)))
        return 0;
    return attributes;
}

bool TPTShTreeData::GetEditable()
{
    if (!m_parentData || IdListLen(m_relPidl.Get()) <= 2)
        return false;
    IShellFolder_NRC* parent = GetParentIShf();
    if (!parent)
        return false;
    SFGAOF attributes = kEditableMask;
    PCIDLIST items[] = { m_relPidl.Get() };
    if (FAILED(parent->GetAttributesOf(1, items, &attributes)))
        return false;
    return (attributes & SFGAO_CANRENAME) != 0;
}

void TPTShTreeData::Flush()
{
    if (m_parentData)
        m_absPidl.Reset();
    m_thisFolder.Reset();
    m_parentFolder.Reset();
}

IDropTarget_NRC* TPTShTreeData::GetIDropTarget(HWND owner)
{
    IShellFolder_NRC* parent = GetParentIShf();
    void* target = nullptr;
    if (m_parentData && parent) {
        PCIDLIST items[] = { m_relPidl.Get() };
        if (FAILED(parent->GetUIObjectOf(owner, 1, items, IID_IDropTarget, nullptr, &target)))
            return nullptr;
        return static_cast<IDropTarget_NRC*>(target);
    }
    Held<IShellFolder_NRC> desktop;
    if (FAILED(ShellGetDesktopFolder(desktop.Pointer)))
        return nullptr;
    PCIDLIST items[] = { GetAbsPidl() };
    if (FAILED(desktop->GetUIObjectOf(owner, 1, items, IID_IDropTarget, nullptr, &target)))
        return nullptr;
    return static_cast<IDropTarget_NRC*>(target);
}

bool TPTShTreeData::IsRootDir()
{
    const std::string path = GetPathName();
    if (path.empty())
        return false;
    const auto drives = platform::CurrentDrives();
    return platform::FindDrive(*drives, path) != nullptr;
}

} // namespace sondrel::shell
