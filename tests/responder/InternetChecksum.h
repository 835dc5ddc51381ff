#pragma once

#include <cstdint>
#include <span>

// The ones' complement checksum of RFC 1071 over big-endian 16-bit words;
// store the result big-endian.
inline std::uint16_t internetChecksum(std::span<const std::uint8_t> bytes)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        sum += static_cast<std::uint32_t>(bytes[i] << 8 | bytes[i + 1]);
    if (bytes.size() % 2 != 0)
        sum += static_cast<std::uint32_t>(bytes.back() << 8);
    while (sum > 0xffff)
        sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}
