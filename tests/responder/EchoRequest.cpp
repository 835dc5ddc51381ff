#include "EchoRequest.h"

#include "InternetChecksum.h"

#include <cstring>

namespace {

constexpr std::size_t MinIpHeader = 20;
constexpr std::size_t EchoHeader = 8;
constexpr std::uint8_t IcmpProtocol = 1;
constexpr std::uint8_t EchoRequestType = 8;

std::uint16_t bigEndian16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

HostAddress address(std::span<const std::uint8_t> bytes, std::size_t at)
{
    in_addr result;
    std::memcpy(&result.s_addr, bytes.data() + at, sizeof result.s_addr);
    return HostAddress(result);
}

} // namespace

std::optional<EchoRequest> EchoRequest::parse(std::span<const std::uint8_t> datagram)
{
    if (datagram.size() < MinIpHeader || datagram[0] >> 4 != 4 || datagram[9] != IcmpProtocol)
        return std::nullopt;
    const std::size_t headerLength = (datagram[0] & 0x0f) * 4u;
    const std::size_t totalLength = bigEndian16(datagram, 2);
    if (headerLength < MinIpHeader || totalLength < headerLength + EchoHeader || totalLength > datagram.size())
        return std::nullopt;

    const auto icmp = datagram.subspan(headerLength, totalLength - headerLength);
    if (icmp[0] != EchoRequestType)
        return std::nullopt;

    EchoRequest request;
    request.ttl = datagram[8];
    request.source = address(datagram, 12);
    request.destination = address(datagram, 16);
    request.identifier = bigEndian16(icmp, 4);
    request.sequence = bigEndian16(icmp, 6);
    request.payload.assign(icmp.begin() + EchoHeader, icmp.end());
    request.checksumValid = internetChecksum(icmp) == 0;
    request.datagram.assign(datagram.begin(), datagram.begin() + static_cast<std::ptrdiff_t>(totalLength));
    return request;
}
