#include "ping/start/OpenFileLimit.h"

#include <sys/resource.h>

void raiseOpenFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max;
    // Refused only under a hard limit we cannot change; the old one stands.
    setrlimit(RLIMIT_NOFILE, &limit);
}
