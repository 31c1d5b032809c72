#include "ShellCombo.h"

#include "Form.h"
#include "Guard.h"
#include "IdListArray.h"
#include "ShellErrors.h"
#include "ShellImages.h"
#include "ShellTree.h"

#include <QFile>
#include <QScreen>

#include <algorithm>
#include <vector>

namespace sondrel::shell {

using namespace win32;

namespace {

    constexpr SFGAOF kEntryMask = 0xF00B0000;
    constexpr SFGAOF kPathEntryMask = 0xB00B0000;
    constexpr SHGDNF kAddressBarName = SHGDN_INFOLDER | SHGDN_FORADDRESSBAR;
    constexpr HRESULT kNoMoreItems = static_cast<HRESULT>(0x80070103);
    // The open list shows at least this many entries, even at the bottom of a screen.
    constexpr int kMinDropDownCount = 4;

    bool SameItem(IShellFolder_NRC* folder, PCItemIDList first, PCItemIDList second)
    {
        if (!first || !second)
            return false;
        const HRESULT hr = folder->CompareIDs(0, first, second);
        return SUCCEEDED(hr) && CompareResultOrder(hr) == 0;
    }

    QString InFolderName(IShellFolder_NRC* folder, PCItemIDList relative)
    {
        return QFile::decodeName(
            ShellGetFriendlyNameFromIdList(folder, relative, ptfnInFolder).c_str());
    }

    // The target's own name as an address bar shows it, which the library's name kinds lack.
    QString AddressBarName(IShellFolder_NRC* folder, PCItemIDList relative)
    {
        TStrRet name {};
        if (FAILED(folder->GetDisplayNameOf(relative, kAddressBarName, &name)))
            return {};
        const std::string bytes = StrretToString(relative, name);
        StrretFree(name);
        return QFile::decodeName(bytes.c_str());
    }

} // namespace

// ---- TPTShComboData

TPTShComboData::TPTShComboData(TPTCustomShellCombo* owner, IShellFolder_NRC* parentFolder,
    PCItemIDList parentList, PCItemIDList relative)
    : m_owner(owner)
    , m_parentFolder(HoldReference(parentFolder))
    , m_parentList(parentList ? CopyIdList(nullptr, parentList) : nullptr)
    , m_relative(relative ? CopyIdList(nullptr, relative) : nullptr)
    , m_absolute(relative ? ConcatIdLists(nullptr, parentList, relative) : nullptr)
{
}

IShellFolder_NRC* TPTShComboData::GetThisIShf()
{
    if (m_thisFolder)
        return m_thisFolder.Get();
    if (!m_absolute || IdListLen(m_absolute.Get()) <= 2) {
        OleCheck(ShellGetDesktopFolder(*m_thisFolder.Out()));
        return m_thisFolder.Get();
    }
    void* bound = nullptr;
    OleCheck(m_parentFolder->BindToObject(m_relative.Get(), nullptr, IID_IShellFolder, &bound));
    m_thisFolder.Reset(static_cast<IShellFolder_NRC*>(bound));
    return m_thisFolder.Get();
}

// ---- TPTCustomShellCombo

TPTCustomShellCombo::TPTCustomShellCombo(QWidget* parent)
    : TPTCustomImageCombo(parent)
    , m_selectedFolder(std::make_unique<TPTShellLocator>())
    , m_images(new framework::TImageList(this, 16, 16))
{
    ShowSystemImages(*m_images, ptsizSmall);
    SetImageList(m_images);
    m_selectedFolder->OnChange = [this](TPTShellLocator*) { SelectedFolderChanged(); };
}

TPTCustomShellCombo::~TPTCustomShellCombo()
{
    if (m_tree)
        m_tree->SetShellCombo(nullptr);
    if (m_list)
        m_list->SetShellCombo(nullptr);
    Clear();
    SetImageList(nullptr);
}

bool TPTCustomShellCombo::Loading() const { return framework::ComponentLoading(this); }

TPTShComboData* TPTCustomShellCombo::GetShComboData(int index) const
{
    TPTImageComboItem* item = GetImageComboItem(index);
    return item ? item->ShellData() : nullptr;
}

void TPTCustomShellCombo::SetSelectedFolder(const TPTShellLocator* folder)
{
    m_selectedFolder->Assign(folder);
}

void TPTCustomShellCombo::LinkSelectIdList(PCItemIDList pidl) { m_selectedFolder->SetIdList(pidl); }

// ---- Filling

void TPTCustomShellCombo::FillItems()
{
    if (!m_handleAllocated)
        return;
    framework::TRaised reentry(m_reentry);
    SetItemIndex(-1);
    Clear();
    TPTIdListArray view(m_selectedFolder->GetIdList());
    TPTIdListArray* target = &view;
    Held<IShellFolder_NRC> desktop;
    OleCheck(ShellGetDesktopFolder(desktop.Pointer));
    FillCombo(desktop.Get(), nullptr, target, -1);
    if (ItemIndex() < 0 && ItemCount() > 0)
        SetItemIndex(0);
}

void TPTCustomShellCombo::FillCombo(
    IShellFolder_NRC* folder, PCItemIDList parentList, TPTIdListArray*& target, int level)
{
    auto* form = qobject_cast<framework::TForm*>(window());
    HeldPidl drives;
    OleCheck(ShellGetSpecialFolderIdList(form, csidlDrives, drives.Pointer));

    HeldPidl parent;
    if (level < 0) {
        const QString caption
            = QFile::decodeName(ShellGetFriendlyNameForLastIdListElement(nullptr).c_str());
        HeldPidl empty(CopyIdList(nullptr, nullptr));
        TPTImageComboItem* desktop
            = AddItem(caption, ShellGetIconIndex(empty.Get(), SHGFI_SMALLICON), 0);
        desktop->SetShellData(std::make_unique<TPTShComboData>(this, folder, nullptr, nullptr));
        if (target && target->GetCount() == 0) {
            SetItemIndex(desktop->Index());
            target = nullptr;
        }
        level = 1;
    } else {
        parent.Reset(CopyIdList(nullptr, parentList));
    }

    std::vector<HeldPidl> items;
    {
        Held<IEnumIDList_NRC> list;
        OleCheck(folder->EnumObjects(form, SHCONTF_FOLDERS, list.Out()));
        if (!list)
            OleCheck(E_FAIL);
        const HRESULT result = ForEachEnumItem(
            list.Get(), [&items](HeldPidl item) { items.push_back(std::move(item)); });
        if (result != S_FALSE && result != kNoMoreItems)
            OleCheck(FAILED(result) ? result : E_FAIL);
    }
    std::stable_sort(items.begin(), items.end(), [folder](const HeldPidl& a, const HeldPidl& b) {
        const HRESULT hr = folder->CompareIDs(0, a.Get(), b.Get());
        return SUCCEEDED(hr) && CompareResultOrder(hr) < 0;
    });

    for (const HeldPidl& item : items) {
        SFGAOF attributes = kEntryMask;
        PCIDLIST asked[] = { item.Get() };
        if (FAILED(folder->GetAttributesOf(1, asked, &attributes)))
            attributes = 0;
        const bool candidate = HasOption(ptscoNonFilesystemAncestors)
            || (attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)) != 0;
        if (!candidate || !CanAdd(folder, parent.Get(), level, attributes, item.Get()))
            continue;

        const bool onPath = target && target->GetCount() >= level
            && SameItem(folder, target->GetItem(level - 1), item.Get());
        const bool isTarget = onPath && target->GetCount() == level;
        QString caption;
        int image = -1;
        if (isTarget) {
            HeldPidl absolute(ConcatIdLists(nullptr, parent.Get(), item.Get()));
            caption = InFolderName(folder, item.Get());
            image = ShellGetIconIndex(absolute.Get(), SHGFI_SMALLICON | SHGFI_OPENICON);
        }
        TPTImageComboItem* entry
            = AddEntry(caption, image, level, folder, parent.Get(), item.Get(), attributes);

        const bool isDrives = level == 1
            && CompareAbsIdLists(entry->ShellData()->AbsoluteList(), drives.Get()) == 0;
        if (onPath) {
            if (isTarget) {
                SetItemIndex(entry->Index());
                target = nullptr;
            } else if (!isDrives) {
                AddTargetPath(entry->ShellData()->GetThisIShf(), entry->ShellData()->AbsoluteList(),
                    *target, level);
                target = nullptr;
            }
        }
        if (isDrives) {
            TPTShComboData* shData = entry->ShellData();
            FillCombo(shData->GetThisIShf(), shData->AbsoluteList(), target, 2);
        }
    }
}

void TPTCustomShellCombo::AddTargetPath(
    IShellFolder_NRC* folder, PCItemIDList parentList, TPTIdListArray& target, int from)
{
    Held<IShellFolder_NRC> current = HoldReference(folder);
    HeldPidl currentList(CopyIdList(nullptr, parentList));
    TPTImageComboItem* last = nullptr;
    const int count = target.GetCount();
    for (int i = from; i < count; ++i) {
        HeldPidl item(CopyIdList(nullptr, target.GetItem(i)));
        SFGAOF attributes = kPathEntryMask;
        PCIDLIST asked[] = { item.Get() };
        if (FAILED(current->GetAttributesOf(1, asked, &attributes)))
            attributes = 0;
        QString caption;
        int image = -1;
        HeldPidl absolute(ConcatIdLists(nullptr, currentList.Get(), item.Get()));
        if (i == count - 1) {
            caption = AddressBarName(current.Get(), item.Get());
            image = ShellGetIconIndex(absolute.Get(), SHGFI_SMALLICON | SHGFI_OPENICON);
        }
        last = AddEntry(
            caption, image, i + 1, current.Get(), currentList.Get(), item.Get(), attributes);
        if (i == count - 1)
            break;
        void* bound = nullptr;
        OleCheck(current->BindToObject(item.Get(), nullptr, IID_IShellFolder, &bound));
        current.Reset(static_cast<IShellFolder_NRC*>(bound));
        currentList = std::move(absolute);
    }
    if (last)
        SetItemIndex(last->Index());
}

TPTImageComboItem* TPTCustomShellCombo::AddEntry(const QString& caption, int image, int indent,
    IShellFolder_NRC* folder, PCItemIDList parentList, PCItemIDList relative,
    std::uint32_t attributes)
{
    TPTImageComboItem* entry = AddItem(caption, image, indent);
    entry->SetShellData(std::make_unique<TPTShComboData>(this, folder, parentList, relative));
    if (attributes & SFGAO_SHARE)
        entry->SetOverlayIndex(0);
    else if (attributes & SFGAO_LINK)
        entry->SetOverlayIndex(1);
    return entry;
}

bool TPTCustomShellCombo::CanAdd(IShellFolder_NRC*, PCItemIDList, int, std::uint32_t, PCItemIDList)
{
    return true;
}

void TPTCustomShellCombo::GetItemData(TPTImageComboItem* item)
{
    TPTShComboData* shData = item->ShellData();
    if (shData && shData->RelativeList()) {
        if (item->Caption().isEmpty())
            item->SetCaption(InFolderName(shData->ParentFolder(), shData->RelativeList()));
        if (item->ImageIndex() < 0)
            item->SetImageIndex(ShellGetIconIndex(shData->AbsoluteList(), SHGFI_SMALLICON));
    }
    TPTCustomImageCombo::GetItemData(item);
}

// ---- Choosing, following and linking

void TPTCustomShellCombo::SelEndOk()
{
    TPTCustomImageCombo::SelEndOk();
    if (TPTShComboData* shData = GetShComboData(ItemIndex()))
        m_selectedFolder->SetIdList(shData->AbsoluteList());
}

void TPTCustomShellCombo::SelectedFolderChanged()
{
    if (m_reentry > 0)
        return;
    framework::TRaised reentry(m_reentry);
    if (m_tree)
        m_tree->SetSelectedFolder(m_selectedFolder.get());
    else if (m_list)
        m_list->SetFolder(m_selectedFolder.get());
    FillItems();
}

void TPTCustomShellCombo::TreeChanged(framework::TTreeNode* node)
{
    if (!m_tree || node != m_tree->Selected())
        return;
    if (TPTShTreeData* treeData = m_tree->GetDataFromNode(node))
        m_selectedFolder->SetIdList(treeData->GetAbsPidl());
}

void TPTCustomShellCombo::GoUp(int levels)
{
    const TPTImageComboItem* current = GetImageComboItem(ItemIndex());
    if (!current)
        return;
    const int wanted = current->Indent() - levels;
    int index = current->Index() - 1;
    while (index > 0 && GetImageComboItem(index)->Indent() > wanted)
        --index;
    if (index < 0 || index == current->Index())
        return;
    TPTShComboData* shData = GetShComboData(index);
    if (!shData)
        return;
    if (shData->AbsoluteList())
        m_selectedFolder->SetIdList(shData->AbsoluteList());
    else
        m_selectedFolder->Clear();
}

void TPTCustomShellCombo::Synchronize(bool all)
{
    if (!all)
        return;
    if (m_tree)
        m_tree->Synchronize(false);
    else if (m_list)
        m_list->Synchronize(false);
}

TPTCustomShellTree* TPTCustomShellCombo::ShellTree() const { return m_tree; }

void TPTCustomShellCombo::SetShellTree(TPTCustomShellTree* tree)
{
    if (m_list || tree == m_tree)
        return;
    if (m_tree)
        m_tree->SetShellCombo(nullptr);
    m_tree = tree;
    if (tree)
        tree->SetShellCombo(this);
}

void TPTCustomShellCombo::SetShellList(TPTCustomShellList* list)
{
    if (m_tree || list == m_list)
        return;
    if (m_list)
        m_list->SetShellCombo(nullptr);
    m_list = list;
    if (list)
        list->SetShellCombo(this);
}

void TPTCustomShellCombo::DropDown()
{
    TPTCustomImageCombo::DropDown();
    if (!m_autoDropDownCount || ItemHeight() <= 0)
        return;
    const QScreen* where = screen();
    if (!where)
        return;
    const int bottom = mapToGlobal(QPoint(0, height())).y();
    const int room = where->availableGeometry().bottom() - bottom - 1;
    SetDropDownCount(std::max(kMinDropDownCount, room / ItemHeight()));
}

void TPTCustomShellCombo::Loaded()
{
    if (!HasOption(ptscoAutofill))
        return;
    {
        framework::TRaised reentry(m_reentry);
        m_handleAllocated = true;
        FillItems();
    }
    if (m_tree) {
        m_tree->SetSelectedFolder(m_selectedFolder.get());
        m_tree->RefreshNodes();
    } else if (m_list) {
        m_list->SetFolder(m_selectedFolder.get());
    }
}

bool TPTCustomShellCombo::event(QEvent* event)
{
    if (event->type() == QEvent::Polish && !m_handleAllocated) {
        m_handleAllocated = true;
        if (HasOption(ptscoAutofill) && !Loading())
            framework::Guarded([this] { FillItems(); });
    }
    return TPTCustomImageCombo::event(event);
}

} // namespace sondrel::shell
