#pragma once

#include "HostAddress.h"

#include <chrono>
#include <cstdint>
#include <vector>

// An ICMP or ICMPv6 message to send from a chosen source some time after the request
// that caused it arrived.
struct PlannedReply {
    std::chrono::nanoseconds delay{};
    HostAddress source;
    HostAddress destination;
    std::vector<std::uint8_t> icmp;
};
