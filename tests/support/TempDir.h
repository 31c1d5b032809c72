#pragma once
// A temporary folder on the machine's ordinary file system, removed with everything in it.

#include <cstdint>
#include <string>
#include <string_view>

namespace sondrel::test {

class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::string& Path() const { return m_path; }
    [[nodiscard]] std::string operator/(std::string_view name) const;

private:
    std::string m_path;
};

// Writes `content` to `path` (created or replaced); fails the test on error.
void WriteFile(const std::string& path, std::string_view content);
// Sets an extended attribute (following links); false when the file system refuses it.
[[nodiscard]] bool SetXattr(
    const std::string& path, const std::string& name, std::string_view value);
// Whether user.* xattrs work in `folder`.
[[nodiscard]] bool UserXattrsWork(const std::string& folder);
[[nodiscard]] std::string ReadWholeFile(const std::string& path);

} // namespace sondrel::test
