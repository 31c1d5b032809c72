#pragma once
// A temporary folder on the machine's ordinary file system, removed with everything in it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace sondrel::test {

class TempDir
{
public:
    TempDir();
    // A temporary folder inside `parent` (for instance a tmpfs) instead of the system's.
    explicit TempDir(const std::string& parent);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::string& Path() const { return m_path; }
    [[nodiscard]] std::string operator/(std::string_view name) const;

private:
    std::string m_path;
};

// Removes `path` with everything below it, whatever the tests left its permissions at.
void RemoveTree(const std::string& path);
// Writes `content` to `path` (created or replaced); fails the test on error.
void WriteFile(const std::string& path, std::string_view content);
// Sets an extended attribute (following links); false when the file system refuses it.
[[nodiscard]] bool SetXattr(
    const std::string& path, const std::string& name, std::string_view value);
// Whether user.* xattrs work in `folder`.
[[nodiscard]] bool UserXattrsWork(const std::string& folder);
[[nodiscard]] std::string ReadWholeFile(const std::string& path);
// A writable tmpfs folder (/dev/shm), where the names of one file's xattrs can add up to more
// than the kernel lists; empty when the machine has none.
[[nodiscard]] std::string TmpfsFolder();
// Gives `path` user.* xattrs until their names add up to more than listxattr hands out (it then
// fails with E2BIG); false when the file system refuses first.
[[nodiscard]] bool OverfillXattrNames(const std::string& path);

// A file on a tmpfs whose xattr names are more than the kernel lists, with its folder; Problem
// says why the machine cannot make one.
struct CrowdedFile
{
    CrowdedFile();
    std::unique_ptr<TempDir> Dir;
    std::string Path;
    std::string Problem;
};

} // namespace sondrel::test
