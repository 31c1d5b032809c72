#include "Accounts.h"

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <vector>

namespace sondrel::platform {

std::string LocalAccountName(bool group, std::uint32_t id)
{
    // The reentrant calls want a buffer; a large group's member list may need it to grow.
    std::vector<char> buffer(4096);
    while (buffer.size() <= (1u << 20)) {
        int error = 0;
        if (group) {
            struct group entry
            {
            };
            struct group* found = nullptr;
            error
                = getgrgid_r(static_cast<gid_t>(id), &entry, buffer.data(), buffer.size(), &found);
            if (error == 0)
                return found && found->gr_name ? std::string(found->gr_name) : std::string();
        } else {
            struct passwd entry
            {
            };
            struct passwd* found = nullptr;
            error
                = getpwuid_r(static_cast<uid_t>(id), &entry, buffer.data(), buffer.size(), &found);
            if (error == 0)
                return found && found->pw_name ? std::string(found->pw_name) : std::string();
        }
        if (error != ERANGE)
            return {};
        buffer.resize(buffer.size() * 4);
    }
    return {};
}

} // namespace sondrel::platform
