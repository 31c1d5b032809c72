#pragma once
// TPTCustomShellCombo: a drop-down list of folders in the manner of an address combo: the
// desktop, the folders on the desktop, the drives of "Computer", and the chain of folders down
// to the current one, each with its small icon and indented by its depth. Choosing an entry moves
// the linked shell tree (or, without a tree, the linked shell list) to that folder; when the
// tree's selection moves, the entries are rebuilt around the new folder. Entries other than the
// current folder get their captions and icons only when first drawn. TPTShellCombo publishes it.
//
// GUI thread only. The combo owns its entries and their shell data; the system image list and
// the linked tree or list are borrowed (a linked control that goes is forgotten).

#include "ImageList.h"
#include "ShellHeld.h"
#include "ShellList.h"
#include "ShellLocator.h"
#include "UPTImageCombo.h"

#include <QPointer>

#include <cstdint>
#include <memory>

namespace sondrel::shell {

class TPTCustomShellCombo;
class TPTCustomShellTree;

enum TPTShellComboOption { ptscoAutofill, ptscoNonFilesystemAncestors };
using TPTShellComboOptions = std::uint8_t;
[[nodiscard]] constexpr TPTShellComboOptions ShellComboOption(TPTShellComboOption option)
{
    return static_cast<TPTShellComboOptions>(1u << option);
}
inline constexpr TPTShellComboOptions kDefaultShellComboOptions = 0x3;

// The shell data of one entry: the folder it lies in and its lists. For the desktop entry the
// lists are empty and the folder is the desktop.
class TPTShComboData
{
public:
    TPTShComboData(TPTCustomShellCombo* owner, IShellFolder_NRC* parentFolder,
        PCItemIDList parentList, PCItemIDList relative);
    TPTShComboData(const TPTShComboData&) = delete;
    TPTShComboData& operator=(const TPTShComboData&) = delete;

    [[nodiscard]] TPTCustomShellCombo* Owner() const { return m_owner; }
    [[nodiscard]] IShellFolder_NRC* ParentFolder() const { return m_parentFolder.Get(); }
    [[nodiscard]] PCItemIDList ParentList() const { return m_parentList.Get(); }
    [[nodiscard]] PCItemIDList RelativeList() const { return m_relative.Get(); }
    [[nodiscard]] PCItemIDList AbsoluteList() const { return m_absolute.Get(); }
    // The entry's own folder, bound on first need; a failure raises.
    [[nodiscard]] IShellFolder_NRC* GetThisIShf();

private:
    TPTCustomShellCombo* m_owner;
    Held<IShellFolder_NRC> m_parentFolder;
    HeldPidl m_parentList;
    HeldPidl m_relative;
    HeldPidl m_absolute;
    Held<IShellFolder_NRC> m_thisFolder;
};

class TPTCustomShellCombo : public TPTCustomImageCombo, public TPTShellListLink
{
    Q_OBJECT

public:
    explicit TPTCustomShellCombo(QWidget* parent = nullptr);
    ~TPTCustomShellCombo() override;

    // Rebuilds the entries around the selected folder (only once the window exists).
    void FillItems();
    void GoUp(int levels);
    void Synchronize(bool all);
    [[nodiscard]] TPTShellLocator& GetSelectedFolder() { return *m_selectedFolder; }
    void SetSelectedFolder(const TPTShellLocator* folder);
    // The tree's selection moved to `node`.
    void TreeChanged(framework::TTreeNode* node);
    [[nodiscard]] TPTShComboData* GetShComboData(int index) const;

    [[nodiscard]] TPTCustomShellTree* ShellTree() const;
    void SetShellTree(TPTCustomShellTree* tree);
    [[nodiscard]] TPTCustomShellList* ShellList() const { return m_list; }
    void SetShellList(TPTCustomShellList* list);
    [[nodiscard]] TPTShellComboOptions Options() const { return m_options; }
    void SetOptions(TPTShellComboOptions options) { m_options = options; }
    [[nodiscard]] bool HasOption(TPTShellComboOption option) const
    {
        return (m_options & ShellComboOption(option)) != 0;
    }
    [[nodiscard]] bool AutoDropDownCount() const { return m_autoDropDownCount; }
    void SetAutoDropDownCount(bool automatic) { m_autoDropDownCount = automatic; }

    // The end of loading from a form description.
    Q_INVOKABLE void Loaded();

    // TPTShellListLink
    [[nodiscard]] QObject* LinkObject() override { return this; }
    [[nodiscard]] TPTShellLocator& LinkFolder() override { return *m_selectedFolder; }
    void LinkSelectIdList(PCItemIDList pidl) override;
    void LinkGoUp(int levels) override { GoUp(levels); }
    void LinkSynchronize(bool all) override { Synchronize(all); }
    [[nodiscard]] PCItemIDList LinkNodeIdList(framework::TTreeNode*) override { return nullptr; }

protected:
    // Adds the entries of `folder` at `level` (below 0: the desktop's own entry first), with
    // the chain down to the target where it passes through here.
    virtual void FillCombo(
        IShellFolder_NRC* folder, PCItemIDList parentList, TPTIdListArray*& target, int level);
    virtual bool CanAdd(IShellFolder_NRC* folder, PCItemIDList parentList, int level,
        std::uint32_t attributes, PCItemIDList relative);
    virtual void SelectedFolderChanged();
    void GetItemData(TPTImageComboItem* item) override;
    void SelEndOk() override;
    void DropDown() override;

    // Qt
    bool event(QEvent* event) override;

private:
    // Adds the target's items from `from` on below the entry of `folder` + `parentList`.
    void AddTargetPath(
        IShellFolder_NRC* folder, PCItemIDList parentList, TPTIdListArray& target, int from);
    TPTImageComboItem* AddEntry(const QString& caption, int image, int indent,
        IShellFolder_NRC* folder, PCItemIDList parentList, PCItemIDList relative,
        std::uint32_t attributes);
    [[nodiscard]] bool Loading() const;

    std::unique_ptr<TPTShellLocator> m_selectedFolder;
    QPointer<TPTCustomShellTree> m_tree;
    QPointer<TPTCustomShellList> m_list;
    TPTShellComboOptions m_options = kDefaultShellComboOptions;
    bool m_autoDropDownCount = true;
    bool m_handleAllocated = false;
    framework::TImageList* m_images;
    int m_reentry = 0;
};

// The same combo with its properties published.
class TPTShellCombo : public TPTCustomShellCombo
{
    Q_OBJECT
    Q_PROPERTY(bool AutoDropDownCount READ AutoDropDownCount WRITE SetAutoDropDownCount)

public:
    using TPTCustomShellCombo::TPTCustomShellCombo;
};

} // namespace sondrel::shell
