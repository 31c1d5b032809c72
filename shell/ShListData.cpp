#include "ShListData.h"

#include "FileInfo.h"
#include "FindFile.h"
#include "IdListArray.h"
#include "ShellHeld.h"
#include "ShellList.h"
#include "Uptshconsts.h"

#include <QDateTime>
#include <QLocale>

#include <cstring>

namespace sondrel::shell {

using namespace win32;

namespace {

    // What the list shows an item with: can copy, move, link, rename, delete; link, share,
    // read-only, hidden; file-system ancestor, folder, file system.
    constexpr SFGAOF kItemAttributeMask = 0x700F0037;

    QString LocalDateTime(std::int64_t seconds)
    {
        const QDateTime when = QDateTime::fromSecsSinceEpoch(seconds).toLocalTime();
        const QLocale locale = QLocale::system();
        return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
            + locale.toString(when.time(), QLocale::ShortFormat);
    }

} // namespace

std::string ShellSizeText(std::uint64_t bytes)
{
    const std::uint64_t kilobytes = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    const std::string number
        = QLocale::system().toString(static_cast<qulonglong>(kilobytes)).toStdString();
    std::string text = PTLoadStr(LoadLibraryString(_SFilesizeKB));
    if (const auto at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, number);
    return text;
}

TPTShListData::TPTShListData(TPTCustomShellList* owner)
    : m_owner(owner)
{
}

TPTShListData::~TPTShListData()
{
    ShellMemFree(m_absolute);
    ShellMemFree(m_relative);
}

void TPTShListData::SetData(PItemIDList relative)
{
    ShellMemFree(m_relative);
    m_relative = relative;
    Flush();
}

void TPTShListData::Flush()
{
    ShellMemFree(m_absolute);
    m_absolute = nullptr;
    m_displayName.clear();
    m_displayNameLoaded = false;
    m_extraDataLoaded = false;
    m_colTexts.clear();
    m_iconIndex = -1;
}

int TPTShListData::GetIconIndex()
{
    if (m_iconIndex < 0)
        m_iconIndex = ShellGetIconIndex(GetAbsoluteIdList(), SHGFI_SMALLICON);
    return m_iconIndex;
}

PCItemIDList TPTShListData::GetAbsoluteIdList()
{
    if (!m_absolute)
        m_absolute = ConcatIdLists(nullptr, m_owner->CurrentFolderIdList(), m_relative);
    return m_absolute;
}

std::uint32_t TPTShListData::GetAttributes() const
{
    SFGAOF attributes = kItemAttributeMask;
    IShellFolder_NRC* folder = m_owner->CurrentFolder();
    if (!folder || !m_relative)
        return 0;
    PCIDLIST items[] = { m_relative };
    if (FAILED(folder->GetAttributesOf(1, items, &attributes)))
        return 0;
    return attributes;
}

bool TPTShListData::IsFolder() const { return (GetAttributes() & SFGAO_FOLDER) != 0; }

bool TPTShListData::IsFileSystem() const { return (GetAttributes() & SFGAO_FILESYSTEM) != 0; }

bool TPTShListData::GetEditable() const { return (GetAttributes() & SFGAO_CANRENAME) != 0; }

bool TPTShListData::IsValid() const
{
    IShellFolder_NRC* folder = m_owner->CurrentFolder();
    if (!folder || !m_relative)
        return false;
    SFGAOF attributes = SFGAO_VALIDATE;
    PCIDLIST items[] = { m_relative };
    return SUCCEEDED(folder->GetAttributesOf(1, items, &attributes));
}

const std::string& TPTShListData::GetDisplayName()
{
    if (!m_displayNameLoaded) {
        m_displayNameLoaded = true;
        SHFILEINFOA info;
        if (SHGetFileInfoA(reinterpret_cast<LPCSTR>(GetAbsoluteIdList()), 0, &info, sizeof info,
                SHGFI_PIDL | SHGFI_DISPLAYNAME)
            != 0)
            m_displayName = info.szDisplayName;
    }
    return m_displayName;
}

std::string TPTShListData::GetPathName() { return ShellGetPathFromIdList(GetAbsoluteIdList()); }

std::string TPTShListData::GetFilename()
{
    const std::string path = GetPathName();
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool TPTShListData::IsLnkShortcut()
{
    const std::string path = GetPathName();
    if (path.size() < 4)
        return false;
    const std::string extension = path.substr(path.size() - 4);
    return QString::fromStdString(extension).compare(QLatin1String(".lnk"), Qt::CaseInsensitive)
        == 0;
}

void TPTShListData::GetExtraData()
{
    if (m_extraDataLoaded)
        return;
    m_extraDataLoaded = true;
    m_sizeText.clear();
    m_modifiedText.clear();
    const std::string path = GetPathName();
    // The items of "Computer" are drive roots, which show no size or date.
    const bool driveRoot = ShellFindCSIDLFromIdList(m_owner->CurrentFolderIdList()) == csidlDrives;
    WIN32_FIND_DATAA found;
    HANDLE search
        = path.empty() || driveRoot ? INVALID_HANDLE_VALUE : FindFirstFileA(path.c_str(), &found);
    // Names here may hold the search's own wildcards: only the entry of exactly this name counts.
    const std::string name = path.substr(path.find_last_of('/') + 1);
    while (search != INVALID_HANDLE_VALUE && name != found.cFileName)
        if (!FindNextFileA(search, &found)) {
            FindClose(search);
            search = INVALID_HANDLE_VALUE;
        }
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            m_sizeText = ShellSizeText(
                static_cast<std::uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow);
        const FILETIME& when = (found.ftLastWriteTime.dwLowDateTime != 0
                                   || found.ftLastWriteTime.dwHighDateTime != 0)
            ? found.ftLastWriteTime
            : found.ftCreationTime;
        m_modifiedText = LocalDateTime(platform::FileTimeToUnixSeconds(when)).toStdString();
    }
    if (!(GetAttributes() & SFGAO_FILESYSTEM)) {
        m_typeText = PTLoadStr(LoadLibraryString(_SSystemFolder));
    } else {
        SHFILEINFOA info;
        m_typeText = SHGetFileInfoA(reinterpret_cast<LPCSTR>(GetAbsoluteIdList()), 0, &info,
                         sizeof info, SHGFI_PIDL | SHGFI_TYPENAME)
                != 0
            ? std::string(info.szTypeName, strnlen(info.szTypeName, sizeof info.szTypeName))
            : std::string();
    }
}

const std::string& TPTShListData::GetSize()
{
    GetExtraData();
    return m_sizeText;
}

const std::string& TPTShListData::GetFileType()
{
    GetExtraData();
    return m_typeText;
}

const std::string& TPTShListData::GetModified()
{
    GetExtraData();
    return m_modifiedText;
}

std::string TPTShListData::GetColText(int column)
{
    if (column == 0)
        return {};
    if (IShellDetails_NRC* details = m_owner->GetCurrentFolderIShellDetails()) {
        if (m_colTexts.size() <= static_cast<std::size_t>(column))
            m_colTexts.resize(static_cast<std::size_t>(column) + 1);
        std::optional<std::string>& cached = m_colTexts[static_cast<std::size_t>(column)];
        if (!cached) {
            TShColInfo info {};
            if (FAILED(details->GetDetailsOf(m_relative, static_cast<UINT>(column), &info))) {
                cached.emplace();
            } else {
                cached = StrretToString(m_relative, info.str);
                StrretFree(info.str);
            }
        }
        return *cached;
    }
    switch (column) {
    case 1:
        return GetSize();
    case 2:
        return GetFileType();
    case 3:
        return GetModified();
    default:
        return {};
    }
}

} // namespace sondrel::shell
