#include "packet/Ipv6Header.h"

#include <algorithm>

namespace {

constexpr std::uint8_t NextHeaderIcmp6 = 58;
constexpr std::uint8_t NextHeaderHopByHop = 0;
constexpr std::uint8_t NextHeaderRouting = 43;
constexpr std::uint8_t NextHeaderFragment = 44;
constexpr std::uint8_t NextHeaderDestinationOptions = 60;
constexpr std::size_t ExtensionUnit = 8;
// More than a router and our own fragmenting ever put before an echo.
constexpr int MaxExtensionHeaders = 8;

}

std::optional<Ipv6Header> readIpv6Header(std::span<const std::uint8_t> p)
{
    if (p.size() < Ipv6Header::Size || (p[0] >> 4) != 6)
        return std::nullopt;
    Ipv6Header h;
    h.nextHeader = p[6];
    h.hopLimit = p[7];
    std::copy_n(p.begin() + 8, h.source.size(), h.source.begin());
    std::copy_n(p.begin() + 24, h.destination.size(), h.destination.begin());
    return h;
}

std::optional<std::span<const std::uint8_t>> icmp6Behind(std::uint8_t next, std::span<const std::uint8_t> rest)
{
    for (int headers = 0; next != NextHeaderIcmp6; ++headers) {
        if (headers == MaxExtensionHeaders || rest.size() < ExtensionUnit)
            return std::nullopt;
        std::size_t length = ExtensionUnit;
        if (next == NextHeaderFragment) {
            if ((static_cast<unsigned>(rest[2] << 8 | rest[3]) & 0xFFF8) != 0)
                return std::nullopt;
        } else if (next == NextHeaderHopByHop || next == NextHeaderRouting || next == NextHeaderDestinationOptions) {
            length = (static_cast<std::size_t>(rest[1]) + 1) * ExtensionUnit;
        } else {
            return std::nullopt;
        }
        if (length > rest.size())
            return std::nullopt;
        next = rest[0];
        rest = rest.subspan(length);
    }
    return rest;
}

std::optional<std::span<const std::uint8_t>> icmpOfIpv6(std::span<const std::uint8_t> packet)
{
    const auto h = readIpv6Header(packet);
    if (!h)
        return std::nullopt;
    return icmp6Behind(h->nextHeader, packet.subspan(Ipv6Header::Size));
}
