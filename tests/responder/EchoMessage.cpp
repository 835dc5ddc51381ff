#include "EchoMessage.h"

#include "InternetChecksum.h"

#include <algorithm>

namespace {

constexpr std::size_t HeaderLength = 8;

void putBigEndian16(std::vector<std::uint8_t> &bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value);
}

} // namespace

std::vector<std::uint8_t> EchoMessage::encode() const
{
    std::vector<std::uint8_t> bytes(HeaderLength + payload.size());
    bytes[0] = type;
    putBigEndian16(bytes, 4, identifier);
    putBigEndian16(bytes, 6, sequence);
    std::copy(payload.begin(), payload.end(), bytes.begin() + HeaderLength);
    putBigEndian16(bytes, 2, internetChecksum(bytes));
    return bytes;
}
