#include "icmp/Capabilities.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>

namespace {

using Sets = std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3>;

bool read(Sets& sets)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, sets.data()) == 0;
}

}

bool Capabilities::holds(int capability)
{
    Sets sets{};
    return read(sets) && (sets[capability / 32].effective & (1u << (capability % 32)));
}

bool Capabilities::holdsAny(bool countInheritable)
{
    Sets sets{};
    if (!read(sets))
        return true;
    for (const auto& set : sets) {
        if (set.effective || set.permitted || (countInheritable && set.inheritable))
            return true;
    }
    return false;
}

bool Capabilities::clear()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    Sets none{};
    return syscall(SYS_capset, &header, none.data()) == 0;
}

void Capabilities::emptyBoundingSet(int keep)
{
    if (!holds(CAP_SETPCAP))
        return;
    for (int capability = 0; prctl(PR_CAPBSET_READ, capability, 0, 0, 0) >= 0; ++capability) {
        if (capability != keep)
            prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);
    }
}
