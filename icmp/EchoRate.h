#pragma once

#include "icmp/HelperProtocol.h"

#include <array>
#include <chrono>
#include <cstddef>

// No more echoes in any one second than a user's own ping may send.
class EchoRate {
public:
    using Clock = std::chrono::steady_clock;

    // Whether one more echo may go at now; counts it when it may.
    bool take(Clock::time_point now);

private:
    std::array<Clock::time_point, HelperProtocol::MaxEchoesPerSecond> m_sent{};
    std::size_t m_next = 0;  // the oldest of the last sends
    std::size_t m_count = 0;
};
