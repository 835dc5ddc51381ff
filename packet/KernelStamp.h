#pragma once

#include <sys/socket.h>

#include <cstdint>

// The kernel's receive time of a packet (SO_TIMESTAMPNS), in ns of the wall
// clock, or 0 where the message carries none: a round trip ends when the
// answer arrived, not when a busy machine got round to reading it. Only a
// control message long enough for the stamp is read.
std::int64_t kernelStamp(const msghdr& msg);
