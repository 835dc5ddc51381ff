#pragma once

#include <cstdint>
#include <vector>

// An ICMP or ICMPv6 echo message to send, encoded with the ICMP checksum.
// ICMPv6 sums a pseudo-header too; the kernel puts that right on sending.
struct EchoMessage {
    static constexpr std::uint8_t ReplyType = 0;
    static constexpr std::uint8_t RequestType = 8;
    static constexpr std::uint8_t Reply6Type = 129;

    std::vector<std::uint8_t> encode() const;

    std::uint8_t type = ReplyType;
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
    std::vector<std::uint8_t> payload;
};
