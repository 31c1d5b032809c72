#include "TempDir.h"

#include "Mounts.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <sstream>
#include <vector>

#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace sondrel::test {

TempDir::TempDir()
    : TempDir(std::filesystem::temp_directory_path().string())
{
}

TempDir::TempDir(const std::string& parent)
{
    static std::once_flag once;
    std::call_once(once, CleanUpAfterKilledRuns);
    // The owner's identity in the name lets a later run clean up after a killed one.
    std::string pattern = parent + "/sondrel-test-" + RunIdentity() + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed in " + parent);
    m_path = pattern;
}

TempDir::~TempDir() { RemoveTree(m_path); }

void RemoveTree(const std::string& path)
{
    std::error_code ignored;
    // Tests drop permissions on some items; restore them so everything can go.
    for (auto it = std::filesystem::recursive_directory_iterator(
             path, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path, ignored);
}

std::string TempDir::operator/(std::string_view name) const
{
    return m_path + "/" + std::string(name);
}

void WriteFile(const std::string& path, std::string_view content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

bool SetXattr(const std::string& path, const std::string& name, std::string_view value)
{
    return ::setxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0) == 0;
}

bool UserXattrsWork(const std::string& folder)
{
    const std::string probe = folder + "/.xattr-probe";
    WriteFile(probe, "");
    const bool works = SetXattr(probe, "user.probe", "1");
    std::filesystem::remove(probe);
    return works;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string TmpfsFolder()
{
    constexpr long kTmpfsMagic = 0x01021994;
    struct statfs fs
    {
    };
    if (::statfs("/dev/shm", &fs) != 0 || fs.f_type != kTmpfsMagic
        || ::access("/dev/shm", W_OK) != 0)
        return {};
    return "/dev/shm";
}

bool OverfillXattrNames(const std::string& path)
{
    // 256 bytes a name with its zero: 257 names pass the 64 KiB the kernel lists at most.
    for (int i = 0; i < 300; ++i) {
        if (::listxattr(path.c_str(), nullptr, 0) > 65536)
            return ::listxattr(path.c_str(), std::vector<char>(65536).data(), 65536) < 0
                && errno == E2BIG;
        std::string name = "user." + std::to_string(i);
        name.resize(255, 'n');
        if (!SetXattr(path, name, "v"))
            return false;
    }
    return false;
}

CrowdedFile::CrowdedFile()
{
    const std::string tmpfs = TmpfsFolder();
    if (tmpfs.empty()) {
        Problem = "no tmpfs at /dev/shm to hold 64 KiB of xattr names";
        return;
    }
    Dir = std::make_unique<TempDir>(tmpfs);
    Path = *Dir / "crowded";
    WriteFile(Path, "data");
    if (!OverfillXattrNames(Path))
        Problem = "tmpfs here refuses that many user xattrs";
}

} // namespace sondrel::test
