#pragma once
// What tests mount, and what killed test runs left mounted and on disk.

#include <string>

namespace sondrel::test {

// Whether something is mounted at `mountPoint` (as the mount table writes it).
[[nodiscard]] bool IsMounted(const std::string& mountPoint);

// The FUSE daemon serving `mountPoint` as a pidfd, or -1 (for other mounts too).
[[nodiscard]] int DaemonServing(const std::string& mountPoint);

// Unmounts `mountPoint` and waits for `daemon` (a pidfd from DaemonServing, or -1) to go: a
// plain unmount first, a lazy one when that fails (the mount is busy), each bounded in time.
// Closes the pidfd.
void UnmountAndAwait(const std::string& mountPoint, int daemon);

// "PID.STARTTIME" of this process, which names its temporary folders: a pid alone may be
// reused by the time a later run checks whether the folder's owner still lives.
[[nodiscard]] std::string RunIdentity();

// Unmounts, detaches and removes what killed test processes left behind: the temporary folders
// (in the system's temporary folder and in /dev/shm) whose owner no longer runs, with every
// mount and loop device under them. Folders of live runs, perhaps in parallel with this one,
// and other users' stay. TempDir runs it once per process before its first folder.
void CleanUpAfterKilledRuns();

} // namespace sondrel::test
