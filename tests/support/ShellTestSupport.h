#pragma once
// What the namespace tests share: owners for interfaces and ID lists, a home folder of the
// test's own, tmpfs mounts, and running briefly as an unprivileged user.

#include "BytePath.h"
#include "ShellInterfaces.h"
#include "TempDir.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace sondrel::test {

// Releases the interface it holds.
template <typename T> class Com
{
public:
    Com() = default;
    explicit Com(T* p)
        : m_p(p)
    {
    }
    ~Com()
    {
        if (m_p)
            m_p->Release();
    }
    Com(Com&& other) noexcept
        : m_p(std::exchange(other.m_p, nullptr))
    {
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    Com& operator=(Com&&) = delete;
    T* operator->() const { return m_p; }
    T* get() const { return m_p; }
    T** out() { return &m_p; }
    void** outVoid() { return reinterpret_cast<void**>(&m_p); }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};

struct PidlFree
{
    void operator()(win32::ITEMIDLIST* pidl) const;
};
using Pidl = std::unique_ptr<win32::ITEMIDLIST, PidlFree>;

[[nodiscard]] std::string Bytes(win32::PCIDLIST pidl); // the items, without terminator

// Converts and frees a name-return record.
[[nodiscard]] std::string TakeName(win32::STRRET& name);
[[nodiscard]] std::string NameOf(
    win32::IShellFolder_NRC* folder, win32::PCIDLIST pidl, win32::SHGDNF flags);

// Every item the folder lists with `flags`; `end` gets the result of the last Next.
[[nodiscard]] std::vector<Pidl> Enumerate(
    win32::IShellFolder_NRC* folder, win32::SHCONTF flags, win32::HRESULT* end = nullptr);

[[nodiscard]] Pidl ParsePath(const std::string& path, win32::HRESULT* result = nullptr);
[[nodiscard]] Com<win32::IShellFolder_NRC> Desktop();
[[nodiscard]] Com<win32::IShellFolder_NRC> BindPath(const std::string& path);

// HOME, XDG_CONFIG_HOME and XDG_DATA_HOME inside a temporary folder for the object's life.
class ScopedHome
{
public:
    ScopedHome();
    ~ScopedHome();
    ScopedHome(const ScopedHome&) = delete;
    ScopedHome& operator=(const ScopedHome&) = delete;
    [[nodiscard]] const std::string& Path() const { return m_home; }
    // Writes user-dirs.dirs with these entries (e.g. "XDG_DESKTOP_DIR=\"$HOME/Desktop\"").
    void SetUserDirs(const std::vector<std::string>& lines);

private:
    TempDir m_dir;
    std::string m_home;
    std::vector<std::pair<std::string, std::string>> m_saved;
};

// Waits until a mount or unmount the test just made is sure to show in the drive list.
void AfterMountChange();

// A tmpfs mounted at a new folder inside `parent`, unmounted again by the destructor.
class TmpfsMount
{
public:
    explicit TmpfsMount(const std::string& parent);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    [[nodiscard]] bool Usable() const { return m_problem.empty(); }
    [[nodiscard]] const std::string& Problem() const { return m_problem; }
    [[nodiscard]] const std::string& Path() const { return m_path; }
    void Unmount();

private:
    std::string m_path;
    std::string m_problem;
    bool m_mounted = false;
};

#define SONDREL_REQUIRE_MOUNT(mount)                                                               \
    do {                                                                                           \
        if (!(mount).Usable())                                                                     \
            GTEST_SKIP() << "no tmpfs mount here: " << (mount).Problem();                          \
    } while (false)

// The effective user is "nobody" for the object's life when the process runs as root, so that
// permissions count; otherwise nothing changes.
class AsUnprivileged
{
public:
    AsUnprivileged();
    ~AsUnprivileged();
    AsUnprivileged(const AsUnprivileged&) = delete;
    AsUnprivileged& operator=(const AsUnprivileged&) = delete;
    [[nodiscard]] bool Active() const { return m_switched || ::geteuid() != 0; }

private:
    bool m_switched = false;
};

} // namespace sondrel::test
