#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <vector>

// An ICMP message to send from a chosen source some time after the request
// that caused it arrived.
struct PlannedReply {
    std::chrono::nanoseconds delay{};
    in_addr source{};
    in_addr destination{};
    std::vector<std::uint8_t> icmp;
};
