#include "icmp/HelperPrivileges.h"

#include "icmp/Capabilities.h"

#include <sys/prctl.h>

#include <cerrno>
#include <cstdlib>

int dropHelperPrivileges()
{
    // Run by root, the helper may empty its bounding set; otherwise it
    // holds nothing the bounding set could give back.
    Capabilities::emptyBoundingSet(-1);
    if (!Capabilities::clear())
        return errno;
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return errno;
    if (Capabilities::holdsAny(true))
        return EPERM;
    clearenv();
    return 0;
}
