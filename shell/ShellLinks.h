#pragma once
// Shortcut files through the shell's link object (platform/shell/ShellLink.h), and the class id
// registered for a file type. GUI thread.

#include "ShellLink.h"
#include "UPTShell95.h"

#include <cstdint>
#include <initializer_list>
#include <string>

namespace sondrel::shell {

enum TLinkDataOption : std::uint8_t {
    ldoUseDesc,
    ldoUseArgs,
    ldoUseIcon,
    ldoUseWorkDir,
    ldoUseHotKey,
    ldoUseShowCmd,
};

// A set of TLinkDataOption in one byte, bit n for option n.
class TLinkDataOptions
{
public:
    constexpr TLinkDataOptions() = default;
    constexpr TLinkDataOptions(std::initializer_list<TLinkDataOption> options)
    {
        for (const TLinkDataOption option : options)
            m_bits = static_cast<std::uint8_t>(m_bits | 1u << option);
    }
    [[nodiscard]] constexpr bool Contains(TLinkDataOption option) const
    {
        return (m_bits >> option & 1u) != 0;
    }
    [[nodiscard]] constexpr std::uint8_t Bits() const { return m_bits; }
    friend constexpr bool operator==(TLinkDataOptions, TLinkDataOptions) = default;

private:
    std::uint8_t m_bits = 0;
};

inline constexpr TLinkDataOptions kAllLinkDataOptions { ldoUseDesc, ldoUseArgs, ldoUseIcon,
    ldoUseWorkDir, ldoUseHotKey, ldoUseShowCmd };

// Everything a shortcut carries. IdList is filled only on request, and then the caller owns it.
struct TLinkData
{
    std::string Path;
    TLinkDataOptions Options;
    std::string Description;
    std::string Arguments;
    std::string IconLocation;
    std::int32_t IconIndex = 0;
    std::string WorkingDirectory;
    std::int32_t ShowCmd = 0;
    std::uint16_t HotKey = 0;
    std::uint8_t ResolveMode = 0; // 0: may ask the user; 1: never
    PItemIDList IdList = nullptr;
    win32::WIN32_FIND_DATAA FindData;
};

// Writes the link file `fileName` (replacing one of that name): the target always, the other
// fields as Options says. The first failing step's result, or the save's.
HRESULT CreateShortcut(const std::string& fileName, const TLinkData& data);
// A link to `target` described by its path and starting in its folder.
HRESULT CreateQuickShortcut(const std::string& fileName, const std::string& target);
// Reads the link file into `data`, stopping at the first failure (the fields not reached keep
// their values); all six options when every field was read. The last step's result.
HRESULT ResolveShortcut(const std::string& fileName, TLinkData& data, bool wantIdList);

// The class id registered under the classes root for a file type (".txt", or a class name), from
// the registry. False for a missing key, a missing CLSID entry or text that is no class id.
[[nodiscard]] bool PTClsidFromFileType(const std::string& fileType, win32::GUID& id);

} // namespace sondrel::shell
