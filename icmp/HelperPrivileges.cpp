#include "icmp/HelperPrivileges.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>

int dropHelperPrivileges()
{
    using Sets = std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3>;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    Sets held{};
    if (syscall(SYS_capget, &header, held.data()) != 0)
        return errno;
    // Run by root, the helper may empty its bounding set; otherwise it
    // holds nothing the bounding set could give back.
    if (held[CAP_SETPCAP / 32].effective & (1u << (CAP_SETPCAP % 32))) {
        for (int capability = 0; prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) == 0; ++capability) {
        }
    }
    Sets none{};
    if (syscall(SYS_capset, &header, none.data()) != 0)
        return errno;
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return errno;
    Sets left{};
    if (syscall(SYS_capget, &header, left.data()) != 0)
        return errno;
    for (const auto& set : left) {
        if (set.effective || set.permitted || set.inheritable)
            return EPERM;
    }
    clearenv();
    return 0;
}
