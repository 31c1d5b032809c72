#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include <sys/xattr.h>

namespace sondrel::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "sondrel-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    // Tests drop permissions on some items; restore them so everything can go.
    for (auto it = std::filesystem::recursive_directory_iterator(
             m_path, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(m_path, ignored);
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

} // namespace sondrel::test
