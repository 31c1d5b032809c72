#pragma once
// A drive that the mount table calls a network file system ("fuse.sshfs"): the tests' own FUSE
// daemon (RemoteFsDaemon.cpp) serving a few files from memory, notes.txt, report.txt and
// folder/inside.txt. Unmounted in the destructor, also when the test failed; a killed run's
// mount is cleaned up by the next run. Where the machine has no FUSE the reason is kept.

#include "TempDir.h"

#include <string>

namespace sondrel::test {

class RemoteMount
{
public:
    RemoteMount();
    ~RemoteMount();
    RemoteMount(const RemoteMount&) = delete;
    RemoteMount& operator=(const RemoteMount&) = delete;

    [[nodiscard]] bool Usable() const { return m_problem.empty(); }
    [[nodiscard]] const std::string& Problem() const { return m_problem; }
    [[nodiscard]] const std::string& Path() const { return m_mountPoint; }

private:
    TempDir m_dir;
    std::string m_mountPoint;
    std::string m_problem;
    bool m_mounted = false;
    int m_daemon = -1; // a pidfd of the daemon serving the mount, or -1
};

} // namespace sondrel::test
