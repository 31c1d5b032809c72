#include "FileOpsSupport.h"

#include "Run.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace sondrel::test {

using namespace sondrel::fileops;

Answer<ClashAction> ScriptedQuestions::OnClash(const Clash& clash)
{
    Clashes.push_back(clash);
    if (ClashAnswers.empty())
        return { ClashAction::Cancel };
    const auto answer = ClashAnswers.front();
    ClashAnswers.pop_front();
    return answer;
}

Answer<LossAction> ScriptedQuestions::OnStreamsLost(
    const BytePath& /*source*/, const BytePath& /*target*/, const std::vector<std::string>& streams)
{
    Losses.push_back(streams);
    if (LossAnswers.empty())
        return { LossAction::Cancel };
    const auto answer = LossAnswers.front();
    LossAnswers.pop_front();
    return answer;
}

Answer<ErrorAction> ScriptedQuestions::OnError(const Failure& failure)
{
    Errors.push_back(failure);
    return { OnErrors };
}

void CancellingProgress::Changed()
{
    if (Snapshot().BytesDone >= m_after)
        Cancel();
}

ScratchMount::ScratchMount(Kind kind, int megabytes)
    : m_path(m_dir / "mnt")
{
    std::filesystem::create_directories(m_path);
    if (::geteuid() != 0) {
        m_problem = "mounting needs root";
        return;
    }
    if (kind == Kind::Tmpfs) {
        const std::string options = "size=" + std::to_string(megabytes) + "m";
        if (::mount("sondrel-test", m_path.c_str(), "tmpfs", 0, options.c_str()) != 0)
            m_problem = std::string("mount: ") + std::strerror(errno);
        else
            m_mounted = true;
        return;
    }
    const std::string image = m_dir / "vfat.img";
    if (!HaveProgram("mkfs.vfat")) {
        m_problem = "mkfs.vfat is missing (dosfstools)";
        return;
    }
    const RunResult made = Run({ "mkfs.vfat", "-C", image, std::to_string(megabytes * 1024) });
    if (made.Status != 0) {
        m_problem = "mkfs.vfat failed: " + made.Err;
        return;
    }
    const RunResult mounted = Run({ "mount", "-o", "loop", image, m_path });
    if (mounted.Status != 0)
        m_problem = "mount -o loop failed: " + mounted.Err;
    else
        m_mounted = true;
}

ScratchMount::~ScratchMount()
{
    if (m_mounted)
        ::umount2(m_path.c_str(), MNT_DETACH);
}

namespace {

    std::string Xattrs(const std::string& path)
    {
        std::string names(4096, '\0');
        const ssize_t size = ::llistxattr(path.c_str(), names.data(), names.size());
        std::map<std::string, std::string> found;
        for (ssize_t at = 0; at < size;) {
            const std::string name = names.c_str() + at;
            at += static_cast<ssize_t>(name.size()) + 1;
            if (!name.starts_with("user.") && name != "system.posix_acl_access"
                && name != "system.posix_acl_default")
                continue;
            std::string value(65536, '\0');
            const ssize_t got = ::lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
            value.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
            found[name] = value;
        }
        std::string text;
        for (const auto& [name, value] : found)
            text += " " + name + "=" + std::to_string(std::hash<std::string> {}(value));
        return text;
    }

    void DescribeInto(const std::string& root, const std::string& relative,
        std::map<std::string, std::string>& out)
    {
        const std::string path = relative.empty() ? root : root + "/" + relative;
        struct stat st
        {
        };
        if (::lstat(path.c_str(), &st) != 0)
            return;
        std::string text = "mode=" + std::to_string(st.st_mode) + " mtime="
            + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
        if (S_ISREG(st.st_mode))
            text += " size=" + std::to_string(st.st_size)
                + " data=" + std::to_string(std::hash<std::string> {}(ReadWholeFile(path)));
        if (S_ISLNK(st.st_mode)) {
            std::string target(4096, '\0');
            const ssize_t got = ::readlink(path.c_str(), target.data(), target.size());
            target.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
            text += " link=" + target;
        }
        text += Xattrs(path);
        out[relative.empty() ? "." : relative] = text;
        if (!S_ISDIR(st.st_mode))
            return;
        for (const auto& entry : std::filesystem::directory_iterator(path))
            DescribeInto(root,
                (relative.empty() ? "" : relative + "/") + entry.path().filename().string(), out);
    }

} // namespace

std::map<std::string, std::string> Describe(const std::string& root)
{
    std::map<std::string, std::string> out;
    DescribeInto(root, "", out);
    return out;
}

Outcome Copy(const std::vector<std::string>& sources, const std::string& target,
    Questions& questions, Operation op)
{
    Progress progress;
    return RunFileOperation({ op, sources, target, {} }, questions, progress);
}

int RunBounded(const std::function<int()>& body, int seconds)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            ADD_FAILURE() << "the operation did not end within " << seconds << " s";
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace sondrel::test
