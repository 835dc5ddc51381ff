#pragma once

#include "HostAddress.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// An ICMP or ICMPv6 echo request as it arrived.
struct EchoRequest {
    // Empty unless the datagram is a well-formed IPv4 ICMP echo request.
    static std::optional<EchoRequest> parse(std::span<const std::uint8_t> datagram);

    HostAddress source;
    HostAddress destination;
    // The hop limit for IPv6.
    std::uint8_t ttl = 0;
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
    std::vector<std::uint8_t> payload;
    bool checksumValid = false;
    // The whole IPv4 datagram, for a report to quote.
    std::vector<std::uint8_t> datagram;
};
