#include "packet/KernelStamp.h"

#include <cstring>
#include <ctime>

std::int64_t kernelStamp(const msghdr& msg)
{
    for (const cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(const_cast<msghdr*>(&msg), const_cast<cmsghdr*>(c))) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS && c->cmsg_len >= CMSG_LEN(sizeof(timespec))) {
            timespec t;
            std::memcpy(&t, CMSG_DATA(c), sizeof t);
            return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
        }
    }
    return 0;
}
