#pragma once
// What the file-operation tests share: scripted answers that record the questions, a progress
// that can cancel at a chosen byte, scratch file systems (a sized tmpfs, a vfat image) mounted
// as root, and the metadata of a tree to compare both sides of a copy.

#include "FileOperation.h"
#include "TempDir.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace sondrel::test {

class ScriptedQuestions : public fileops::Questions
{
public:
    std::deque<fileops::Answer<fileops::ClashAction>> ClashAnswers;
    std::deque<fileops::Answer<fileops::LossAction>> LossAnswers;
    fileops::ErrorAction OnErrors = fileops::ErrorAction::Skip;

    std::vector<fileops::Clash> Clashes;
    std::vector<std::vector<std::string>> Losses;
    std::vector<fileops::Failure> Errors;

    fileops::Answer<fileops::ClashAction> OnClash(const fileops::Clash& clash) override;
    fileops::Answer<fileops::LossAction> OnStreamsLost(const BytePath& source,
        const BytePath& target, const std::vector<std::string>& streams) override;
    fileops::Answer<fileops::ErrorAction> OnError(const fileops::Failure& failure) override;
};

// Cancels once at least `after` bytes have been copied.
class CancellingProgress : public fileops::Progress
{
public:
    explicit CancellingProgress(std::uint64_t after)
        : m_after(after)
    {
    }

protected:
    void Changed() override;

private:
    std::uint64_t m_after;
};

// A file system of its own in a temporary folder: a tmpfs of `megabytes`, or a vfat image.
class ScratchMount
{
public:
    enum class Kind { Tmpfs, Vfat };
    explicit ScratchMount(Kind kind, int megabytes = 8);
    ~ScratchMount();
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;
    [[nodiscard]] bool Usable() const { return m_problem.empty(); }
    [[nodiscard]] const std::string& Problem() const { return m_problem; }
    [[nodiscard]] const std::string& Path() const { return m_path; }

private:
    TempDir m_dir;
    std::string m_path;
    std::string m_problem;
    bool m_mounted = false;
};

#define SONDREL_REQUIRE_SCRATCH(mount)                                                             \
    do {                                                                                           \
        if (!(mount).Usable())                                                                     \
            GTEST_SKIP() << "no scratch file system here: " << (mount).Problem();                  \
    } while (false)

// Per relative path below a root: the kind, mode, size, mtime, link target, content digest,
// the user.* xattrs and the access ACL; the whole description of what a copy must carry.
[[nodiscard]] std::map<std::string, std::string> Describe(const std::string& root);

fileops::Outcome Copy(const std::vector<std::string>& sources, const std::string& target,
    fileops::Questions& questions, fileops::Operation op = fileops::Operation::Copy);

// Runs `body` in a child process and fails when it has not ended within `seconds`; the child
// is killed then, so the test never hangs. Returns the child's exit status.
int RunBounded(const std::function<int()>& body, int seconds);

} // namespace sondrel::test
