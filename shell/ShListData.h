#pragma once
// TPTShListData: what a shell list keeps for each item that stands for a shell item: its ID list
// relative to the list's folder, and the texts computed from it on first need (display name,
// size, type and modified texts), so that scrolling asks the disk once per item at most. Owned by
// the list item it is attached to (the list frees it with the item); GUI thread only.

#include "UPTShell95.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sondrel::shell {

class TPTCustomShellList;

class TPTShListData
{
public:
    explicit TPTShListData(TPTCustomShellList* owner);
    virtual ~TPTShListData();
    TPTShListData(const TPTShListData&) = delete;
    TPTShListData& operator=(const TPTShListData&) = delete;

    [[nodiscard]] TPTCustomShellList* Owner() const { return m_owner; }
    // Takes `relative` (freeing the previous list) and forgets everything computed from it.
    void SetData(PItemIDList relative);
    void Flush();
    [[nodiscard]] PCItemIDList RelativeIdList() const { return m_relative; }
    // The owner's folder joined with the relative list, made on first use.
    [[nodiscard]] PCItemIDList GetAbsoluteIdList();

    // Asked of the owner's folder with the mask items are shown with.
    [[nodiscard]] std::uint32_t GetAttributes() const;
    [[nodiscard]] bool IsFolder() const;
    [[nodiscard]] bool IsFileSystem() const;
    [[nodiscard]] bool GetEditable() const;
    // Whether the item still exists in the folder.
    [[nodiscard]] bool IsValid() const;

    // Bytes, as the namespace names the item for display.
    [[nodiscard]] const std::string& GetDisplayName();
    // Empty for items outside the file system.
    [[nodiscard]] std::string GetPathName();
    [[nodiscard]] std::string GetFilename();
    [[nodiscard]] bool IsLnkShortcut();

    // The built-in columns' texts, computed together once.
    void GetExtraData();
    [[nodiscard]] const std::string& GetSize();
    [[nodiscard]] const std::string& GetFileType();
    [[nodiscard]] const std::string& GetModified();
    // The text of cell `column` (0 is the name column, which the list fills itself), computed
    // once: painting never asks the disk again.
    [[nodiscard]] std::string GetColText(int column);
    // The small icon's index in the system image list, looked up once.
    [[nodiscard]] int GetIconIndex();

private:
    TPTCustomShellList* m_owner;
    PItemIDList m_absolute = nullptr;
    PItemIDList m_relative = nullptr;
    std::string m_displayName;
    bool m_displayNameLoaded = false;
    bool m_extraDataLoaded = false;
    std::string m_sizeText;
    std::string m_typeText;
    std::string m_modifiedText;
    std::vector<std::optional<std::string>> m_colTexts;
    int m_iconIndex = -1;
};

// The size text of the built-in Size column: kilobytes rounded up, with the locale's digit
// grouping, in the library's "KB" form.
[[nodiscard]] std::string ShellSizeText(std::uint64_t bytes);

} // namespace sondrel::shell
