#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <cstring>
#include <ctime>

// The kernel's receive time of a packet (SO_TIMESTAMPNS), in ns of the wall
// clock, or 0 where the message carries none: a round trip ends when the
// answer arrived, not when a busy machine got round to reading it. The
// helper relays it and the engine reads it, so both read it here.
inline std::int64_t kernelStamp(msghdr& msg)
{
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS && c->cmsg_len >= CMSG_LEN(sizeof(timespec))) {
            timespec t;
            std::memcpy(&t, CMSG_DATA(c), sizeof t);
            return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
        }
    }
    return 0;
}
