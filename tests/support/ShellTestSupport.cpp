#include "ShellTestSupport.h"

#include "CodePage.h"
#include "ShellAllocator.h"
#include "ShellNamespace.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include <sys/mount.h>
#include <unistd.h>

namespace sondrel::test {

using namespace win32;

void PidlFree::operator()(ITEMIDLIST* pidl) const { platform::ShellAllocator().Free(pidl); }

std::string Bytes(PCIDLIST pidl) { return std::string(platform::IdListItems(pidl)); }

std::string TakeName(STRRET& name)
{
    switch (name.uType) {
    case STRRET_CSTR:
        return std::string(name.cStr);
    case STRRET_WSTR: {
        std::u16string wide;
        for (const WCHAR* c = name.pOleStr; *c; ++c)
            wide += *c;
        platform::ShellAllocator().Free(name.pOleStr);
        return WideToAnsi(wide);
    }
    default:
        ADD_FAILURE() << "unexpected STRRET kind " << name.uType;
        return {};
    }
}

std::string NameOf(IShellFolder_NRC* folder, PCIDLIST pidl, SHGDNF flags)
{
    STRRET name;
    const HRESULT hr = folder->GetDisplayNameOf(pidl, flags, &name);
    EXPECT_EQ(hr, S_OK);
    return SUCCEEDED(hr) ? TakeName(name) : std::string();
}

std::vector<Pidl> Enumerate(IShellFolder_NRC* folder, SHCONTF flags, HRESULT* end)
{
    std::vector<Pidl> items;
    Com<IEnumIDList_NRC> list;
    const HRESULT hr = folder->EnumObjects(nullptr, flags, list.out());
    if (end)
        *end = hr;
    if (FAILED(hr))
        return items;
    for (;;) {
        PIDLIST batch[7] = {};
        ULONG fetched = 0;
        const HRESULT next = list->Next(7, batch, &fetched);
        for (ULONG i = 0; i < fetched; ++i)
            items.emplace_back(batch[i]);
        if (next != S_OK) {
            if (end)
                *end = next;
            break;
        }
    }
    return items;
}

Com<IShellFolder_NRC> Desktop()
{
    Com<IShellFolder_NRC> desktop;
    EXPECT_EQ(SHGetDesktopFolder(desktop.out()), S_OK);
    return desktop;
}

Pidl ParsePath(const std::string& path, HRESULT* result)
{
    const auto desktop = Desktop();
    const std::u16string wide = AnsiToWide(path);
    PIDLIST pidl = nullptr;
    const HRESULT hr
        = desktop->ParseDisplayName(nullptr, nullptr, wide.c_str(), nullptr, &pidl, nullptr);
    if (result)
        *result = hr;
    return Pidl(pidl);
}

Com<IShellFolder_NRC> BindPath(const std::string& path)
{
    Com<IShellFolder_NRC> folder;
    const Pidl pidl = ParsePath(path);
    EXPECT_TRUE(pidl) << path;
    if (pidl) {
        EXPECT_EQ(
            Desktop()->BindToObject(pidl.get(), nullptr, IID_IShellFolder, folder.outVoid()), S_OK);
    }
    return folder;
}

ScopedHome::ScopedHome()
    : m_home(m_dir / "home")
{
    std::filesystem::create_directories(m_home + "/.config");
    std::filesystem::create_directories(m_home + "/.local/share");
    for (const char* name : { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME" }) {
        const char* old = std::getenv(name);
        m_saved.emplace_back(name, old ? old : "");
    }
    ::setenv("HOME", m_home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (m_home + "/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (m_home + "/.local/share").c_str(), 1);
    SetUserDirs({});
}

ScopedHome::~ScopedHome()
{
    for (const auto& [name, value] : m_saved) {
        if (value.empty())
            ::unsetenv(name.c_str());
        else
            ::setenv(name.c_str(), value.c_str(), 1);
    }
}

void ScopedHome::SetUserDirs(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    WriteFile(m_home + "/.config/user-dirs.dirs", text);
}

TmpfsMount::TmpfsMount(const std::string& parent)
    : m_path(parent + "/tmpfs")
{
    std::filesystem::create_directories(m_path);
    if (::mount("sondrel-test", m_path.c_str(), "tmpfs", 0, "size=4m") != 0) {
        m_problem = std::string("mount: ") + std::strerror(errno);
    } else {
        m_mounted = true;
        AfterMountChange();
    }
}

TmpfsMount::~TmpfsMount() { Unmount(); }

void TmpfsMount::Unmount()
{
    if (m_mounted && ::umount2(m_path.c_str(), MNT_DETACH) == 0) {
        m_mounted = false;
        AfterMountChange();
    }
}

void AfterMountChange()
{
    // The drive list asks the mount table at most once a millisecond.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

AsUnprivileged::AsUnprivileged()
{
    if (::geteuid() == 0)
        m_switched = ::setegid(65534) == 0 && ::seteuid(65534) == 0;
}

AsUnprivileged::~AsUnprivileged()
{
    if (m_switched) {
        (void)::seteuid(0);
        (void)::setegid(0);
    }
}

} // namespace sondrel::test
