#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>

// One request of the helper's parent, read and checked. Nothing in it is
// trusted: whoever started the helper may send anything.
struct HelperRequest {
    int refusal = 0;  // 0 when it may be sent, else the errno the refusal carries
    bool v6 = false;
    std::uint8_t type = 0;
    std::uint8_t ttl = 0;
    std::uint8_t tos = 0;
    bool dontFragment = false;
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
    std::uint32_t scope = 0;
    std::array<std::uint8_t, 16> destination{};  // IPv4 in the first 4 bytes
    std::int64_t engineSentNs = 0;               // only ever handed back to the engine
    std::span<const std::uint8_t> payload;

    // The ICMP header of the echo, as a refusal quotes it back.
    std::array<std::uint8_t, 8> header() const;
};

// What a request is checked against.
struct RequestRules {
    std::uint16_t identifier = 0;  // the helper's own
};

HelperRequest readHelperRequest(std::span<const std::uint8_t> message, const RequestRules& rules);

class EchoRate;

// The same, and within the rate that a user's own ping may send at; a
// request that may go counts towards it.
HelperRequest admitHelperRequest(std::span<const std::uint8_t> message, const RequestRules& rules, EchoRate& rate,
                                 std::chrono::steady_clock::time_point now);
