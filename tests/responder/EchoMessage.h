#pragma once

#include <cstdint>
#include <vector>

// An ICMP echo message to send, encoded with a correct checksum.
struct EchoMessage {
    static constexpr std::uint8_t ReplyType = 0;
    static constexpr std::uint8_t RequestType = 8;

    std::vector<std::uint8_t> encode() const;

    std::uint8_t type = ReplyType;
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
    std::vector<std::uint8_t> payload;
};
