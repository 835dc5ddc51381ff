#include "ping/start/Privileges.h"

#include "icmp/Capabilities.h"

#include <linux/capability.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool dropped = false;

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
bool dropEverything()
{
    Capabilities::emptyBoundingSet(CAP_NET_RAW);
    // A set-user-id or set-group-id install runs as the user who started it.
    const gid_t group = getgid();
    const uid_t user = getuid();
    if (setresgid(group, group, group) != 0 || setresuid(user, user, user) != 0)
        return false;
    if (!Capabilities::clear())
        return false;
    // Emptying the permitted set empties the ambient one too. Check that
    // nothing is left rather than trust it.
    if (Capabilities::holdsAny(true) || geteuid() != user || getegid() != group) {
        errno = EPERM;
        return false;
    }
    return true;
}

}

bool Privileges::dropAtStart(const char* program)
{
    if (!getauxval(AT_SECURE) && !Capabilities::holdsAny(false))
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
