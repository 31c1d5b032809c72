#pragma once
// Real NTFS volumes for tests: a fresh image made with mkntfs, or one of the shared fixtures,
// mounted with ntfs-3g over FUSE and unmounted again, whatever happens: a test that fails
// unmounts in the destructor, and one that was killed is cleaned up by the next run. Where the
// machine cannot (no root, no FUSE, no ntfs-3g) the reason is kept and the test skips with it.

#include "Mounts.h"
#include "TempDir.h"

#include <string>

namespace sondrel::test {

class NtfsImage
{
public:
    // A new empty volume of `megabytes` in a temporary folder.
    explicit NtfsImage(int megabytes = 32);
    // A fixture image (xz-compressed, from shared/fixtures/ntfs), its NTFS volume starting at
    // byte `partitionOffset`; always mounted read-only.
    NtfsImage(const std::string& fixtureName, long long partitionOffset);
    ~NtfsImage();
    NtfsImage(const NtfsImage&) = delete;
    NtfsImage& operator=(const NtfsImage&) = delete;

    // Mounts with `options` (for instance "streams_interface=windows"); false with Problem() set.
    bool Mount(const std::string& options = "streams_interface=xattr");
    // Returns once the ntfs-3g process has written everything back and gone, so that a mount
    // that follows reads what this one wrote. Bounded: a busy mount is detached lazily and a
    // daemon that does not end is killed.
    void Unmount();

    [[nodiscard]] bool Usable() const { return m_problem.empty(); }
    [[nodiscard]] const std::string& Problem() const { return m_problem; }
    [[nodiscard]] std::string operator/(const std::string& name) const;
    [[nodiscard]] const std::string& MountPoint() const { return m_mountPoint; }
    // The image file itself (the whole disk for a fixture with a partition table).
    [[nodiscard]] const std::string& ImagePath() const { return m_image; }

private:
    TempDir m_dir;
    std::string m_image;
    std::string m_mountPoint;
    std::string m_loopDevice;
    std::string m_problem;
    bool m_readOnly = false;
    bool m_mounted = false;
    int m_daemon = -1; // a pidfd of the ntfs-3g process serving the mount, or -1
};

// Skips the current test unless `image` is usable.
#define SONDREL_REQUIRE_NTFS(image)                                                                \
    do {                                                                                           \
        if (!(image).Usable())                                                                     \
            GTEST_SKIP() << "no NTFS volume here: " << (image).Problem();                          \
    } while (false)

} // namespace sondrel::test
