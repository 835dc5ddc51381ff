#include "ping/start/Privileges.h"

#include <linux/capability.h>
#include <sys/auxv.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool dropped = false;

using CapabilitySets = std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3>;

bool readCapabilities(CapabilitySets& sets)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, sets.data()) == 0;
}

// Inheritable capabilities alone grant nothing, but none may be left over.
bool holdsCapabilities(bool countInheritable)
{
    CapabilitySets sets{};
    if (!readCapabilities(sets))
        return true;
    for (const auto& set : sets) {
        if (set.effective || set.permitted || (countInheritable && set.inheritable))
            return true;
    }
    return false;
}

bool holdsCapability(int capability)
{
    CapabilitySets sets{};
    return readCapabilities(sets) && (sets[capability / 32].effective & (1u << (capability % 32)));
}

// Where Qt, and the GTK that its desktop theme may bring in, look for code
// to load, and which plugins they are told to take.
constexpr std::array PluginVariables{
    "QT_PLUGIN_PATH",   "QT_QPA_PLATFORM_PLUGIN_PATH", "QT_QPA_GENERIC_PLUGINS", "QT_QPA_PLATFORMTHEME",
    "QT_STYLE_OVERRIDE", "GTK_MODULES",                "GTK3_MODULES",           "GTK_PATH",
    "GIO_EXTRA_MODULES", "GIO_MODULE_DIR",
};

// A root run keeps its user id, and a child it starts (the browser of a
// link) would get every capability back through it: empty the bounding set
// where we may. CAP_NET_RAW stays in it, for the ICMP helper alone to take
// up: a root run starts it without a file capability, and for anyone else
// the bounding set would mask the helper's own.
void dropBoundingSet()
{
    if (!holdsCapability(CAP_SETPCAP))
        return;
    for (int capability = 0; prctl(PR_CAPBSET_READ, capability, 0, 0, 0) >= 0; ++capability) {
        if (capability != CAP_NET_RAW)
            prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);
    }
}

bool dropEverything()
{
    dropBoundingSet();
    // A set-user-id or set-group-id install runs as the user who started it.
    const gid_t group = getgid();
    const uid_t user = getuid();
    if (setresgid(group, group, group) != 0 || setresuid(user, user, user) != 0)
        return false;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    CapabilitySets none{};
    if (syscall(SYS_capset, &header, none.data()) != 0)
        return false;
    // Emptying the permitted set empties the ambient one too. Check that
    // nothing is left rather than trust it.
    if (holdsCapabilities(true) || geteuid() != user || getegid() != group) {
        errno = EPERM;
        return false;
    }
    return true;
}

}

bool Privileges::dropAtStart(const char* program)
{
    if (!getauxval(AT_SECURE) && !holdsCapabilities(false))
        return true;
    for (const char* variable : PluginVariables)
        unsetenv(variable);
    if (!dropEverything()) {
        std::fprintf(stderr, "%s: cannot give up the privileges it was started with (%s); not running\n", program,
                     std::strerror(errno));
        return false;
    }
    dropped = true;
    return true;
}

bool Privileges::droppedAtStart()
{
    return dropped;
}
