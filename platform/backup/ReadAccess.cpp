#include "ReadAccess.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace sondrel::backup {

namespace {

    // Whether the calling thread's effective capabilities let it read any file and folder.
    // Asked each time: capabilities belong to a thread and may be dropped for a while.
    bool ReadsEverything()
    {
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        __user_cap_data_struct caps[2] {};
        if (::syscall(SYS_capget, &header, caps) != 0)
            return false;
        constexpr unsigned kOverride = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
        return (caps[0].effective & kOverride) != 0;
    }

    // 1 when the process is in group `gid`, 0 when not, -1 when it cannot tell.
    int InGroup(gid_t gid)
    {
        if (::getegid() == gid)
            return 1;
        gid_t groups[256];
        const int count = ::getgroups(256, groups);
        if (count < 0)
            return -1;
        return std::find(groups, groups + count, gid) != groups + count ? 1 : 0;
    }

} // namespace

int CheckReadable(
    const std::string& path, const struct stat& st, bool localPermissions, bool hasAcl)
{
    if (localPermissions) {
        // Readable by owner, group and others alike (most items): whoever asks may read.
        constexpr mode_t kAllRead = S_IRUSR | S_IRGRP | S_IROTH;
        if (!hasAcl && (st.st_mode & kAllRead) == kAllRead)
            return 0;
        // With an ACL the group bits are its mask and named entries may decide for others.
        if (::geteuid() == st.st_uid) {
            if (st.st_mode & S_IRUSR)
                return 0;
        } else if (!hasAcl) {
            // The group bits decide for a member even where the others' bits would allow.
            const int member = InGroup(st.st_gid);
            if (member >= 0 && (st.st_mode & (member ? S_IRGRP : S_IROTH)))
                return 0;
        }
        // Where the bits refuse, the capabilities may still allow: asked only then.
        if (ReadsEverything())
            return 0;
    }
    // Refused by the bits (the kernel gives the reason), or not for the bits alone to say.
    return ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0 ? 0 : errno;
}

} // namespace sondrel::backup
