#include "Privileges.h"

#include <initializer_list>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace sondrel::test {

namespace {

    // capset acts on the calling thread alone, which is what a test wants.
    bool SetEffective(bool keep)
    {
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        __user_cap_data_struct data[2] {};
        if (::syscall(SYS_capget, &header, data) != 0)
            return false;
        for (const int cap : { CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH }) {
            const unsigned bit = 1u << (cap % 32);
            if (keep)
                data[cap / 32].effective |= data[cap / 32].permitted & bit;
            else
                data[cap / 32].effective &= ~bit;
        }
        return ::syscall(SYS_capset, &header, data) == 0;
    }

} // namespace

TWithoutDacOverride::TWithoutDacOverride()
    : m_dropped(SetEffective(false))
{
}

TWithoutDacOverride::~TWithoutDacOverride()
{
    if (m_dropped)
        (void)SetEffective(true);
}

} // namespace sondrel::test
