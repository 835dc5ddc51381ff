#include "packet/Ipv4Header.h"

#include <cstring>

namespace {

constexpr std::size_t MinHeaderLength = 20;
constexpr std::uint8_t ProtocolIcmp = 1;

std::uint16_t read16(std::span<const std::uint8_t> d, std::size_t at)
{
    return static_cast<std::uint16_t>(d[at] << 8 | d[at + 1]);
}

}

std::optional<Ipv4Header> readIpv4Header(std::span<const std::uint8_t> d, bool quoted)
{
    if (d.size() < MinHeaderLength || (d[0] >> 4) != 4)
        return std::nullopt;
    Ipv4Header h;
    h.headerLength = static_cast<std::size_t>(d[0] & 0x0F) * 4;
    if (h.headerLength < MinHeaderLength || h.headerLength > d.size())
        return std::nullopt;
    h.totalLength = read16(d, 2);
    if (!quoted && (h.totalLength < h.headerLength || h.totalLength > d.size()))
        return std::nullopt;
    h.tos = d[1];
    h.flags = static_cast<std::uint8_t>(d[6] >> 5);
    h.firstFragment = (read16(d, 6) & 0x1FFF) == 0;
    h.ttl = d[8];
    h.protocol = d[9];
    std::memcpy(&h.source, d.data() + 12, 4);
    std::memcpy(&h.destination, d.data() + 16, 4);
    return h;
}

std::optional<std::span<const std::uint8_t>> icmpOfIpv4(std::span<const std::uint8_t> datagram, bool quoted)
{
    const auto h = readIpv4Header(datagram, quoted);
    if (!h || h->protocol != ProtocolIcmp || !h->firstFragment)
        return std::nullopt;
    const auto behind = datagram.subspan(h->headerLength);
    return quoted ? behind : behind.first(h->totalLength - h->headerLength);
}
