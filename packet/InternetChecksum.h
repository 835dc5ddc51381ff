#pragma once

#include <cstdint>
#include <span>

// The ones' complement sum of RFC 1071 over big-endian 16-bit words, an odd
// last byte padded with zero: 0 over a message that carries its own.
std::uint16_t internetChecksum(std::span<const std::uint8_t> data);
