#include "icmp/RelayFilter.h"

#include "icmp/HelperProtocol.h"

#include <cstddef>

namespace {

using HelperProtocol::read16;

constexpr std::size_t IcmpHeaderSize = 8;
constexpr std::uint8_t ProtocolIcmp = 1;
constexpr std::uint8_t ProtocolIcmp6 = 58;

using Sequence = std::optional<std::uint16_t>;

// An echo request or reply of ours, and its sequence.
Sequence ours(std::span<const std::uint8_t> icmp, std::uint8_t type, std::uint16_t identifier)
{
    if (icmp.size() < IcmpHeaderSize || icmp[0] != type || read16(icmp, 4) != identifier)
        return std::nullopt;
    return read16(icmp, 6);
}

// The ICMP message of an IPv4 datagram; empty when there is none or it is
// not the first fragment.
std::span<const std::uint8_t> icmpOf(std::span<const std::uint8_t> datagram)
{
    if (datagram.size() < 20)
        return {};
    const std::size_t headerSize = (datagram[0] & 0x0F) * 4u;
    const bool firstFragment = (read16(datagram, 6) & 0x1FFF) == 0;
    if (headerSize < 20 || datagram.size() < headerSize || datagram[9] != ProtocolIcmp || !firstFragment)
        return {};
    return datagram.subspan(headerSize);
}

// The ICMPv6 message behind an IPv6 header and its extension headers (a
// long echo is quoted behind a fragment header).
std::span<const std::uint8_t> icmp6Of(std::span<const std::uint8_t> packet)
{
    if (packet.size() < 40)
        return {};
    std::uint8_t next = packet[6];
    std::size_t at = 40;
    for (int headers = 0; headers < 8; ++headers) {
        if (next == ProtocolIcmp6)
            return packet.subspan(at);
        if (packet.size() < at + 8)
            return {};
        if (next == 44) {  // fragment: only the first one holds the ICMP header
            if ((read16(packet, at + 2) & 0xFFF8) != 0)
                return {};
            next = packet[at];
            at += 8;
        } else if (next == 0 || next == 43 || next == 60) {  // hop-by-hop, routing, destination options
            const std::size_t length = (packet[at + 1] + 1u) * 8u;
            next = packet[at];
            at += length;
        } else {
            return {};
        }
    }
    return {};
}

Sequence concerns4(std::span<const std::uint8_t> datagram, std::uint16_t identifier)
{
    const auto icmp = icmpOf(datagram);
    if (icmp.size() < IcmpHeaderSize)
        return std::nullopt;
    switch (icmp[0]) {
    case 0:  // echo reply
        return ours(icmp, 0, identifier);
    case 3: case 4: case 11: case 12:  // unreachable, source quench, time exceeded, parameter problem
        return ours(icmpOf(icmp.subspan(IcmpHeaderSize)), 8, identifier);
    default:
        return std::nullopt;
    }
}

Sequence concerns6(std::span<const std::uint8_t> message, std::uint16_t identifier)
{
    if (message.size() < IcmpHeaderSize)
        return std::nullopt;
    switch (message[0]) {
    case 129:  // echo reply
        return ours(message, 129, identifier);
    case 1: case 2: case 3: case 4:  // unreachable, too big, time exceeded, parameter problem
        return ours(icmp6Of(message.subspan(IcmpHeaderSize)), 128, identifier);
    default:
        return std::nullopt;
    }
}

}

std::optional<std::uint16_t> concernsOurEchoes(std::span<const std::uint8_t> packet, bool v6,
                                                std::uint16_t identifier)
{
    return v6 ? concerns6(packet, identifier) : concerns4(packet, identifier);
}
