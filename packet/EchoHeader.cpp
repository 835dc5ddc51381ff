#include "packet/EchoHeader.h"

#include "packet/Ipv4Header.h"
#include "packet/Ipv6Header.h"

namespace {

std::uint16_t read16(std::span<const std::uint8_t> d, std::size_t at)
{
    return static_cast<std::uint16_t>(d[at] << 8 | d[at + 1]);
}

}

bool EchoHeader::isReport(std::uint8_t type, bool v6)
{
    if (v6)
        return type >= 1 && type <= 4;
    return type == 3 || type == 4 || type == 11 || type == 12;
}

std::optional<EchoHeader> readEchoHeader(std::span<const std::uint8_t> icmp)
{
    if (icmp.size() < EchoHeader::Size)
        return std::nullopt;
    return EchoHeader{icmp[0], icmp[1], read16(icmp, 4), read16(icmp, 6)};
}

std::optional<QuotedEcho> quotedEcho(std::span<const std::uint8_t> report, bool v6)
{
    if (report.size() < EchoHeader::Size)
        return std::nullopt;
    const auto quoted = report.subspan(EchoHeader::Size);
    QuotedEcho echo;
    std::optional<std::span<const std::uint8_t>> request;
    if (v6) {
        const auto ip = readIpv6Header(quoted);
        if (!ip)
            return std::nullopt;
        echo.destination6 = ip->destination;
        request = icmp6Behind(ip->nextHeader, quoted.subspan(Ipv6Header::Size));
    } else {
        const auto ip = readIpv4Header(quoted, true);
        if (!ip)
            return std::nullopt;
        echo.destination = ip->destination;
        request = icmpOfIpv4(quoted, true);
    }
    const auto header = request ? readEchoHeader(*request) : std::nullopt;
    if (!header || header->type != EchoHeader::requestType(v6))
        return std::nullopt;
    echo.request = *request;
    echo.header = *header;
    return echo;
}

std::optional<EchoHeader> concernedEcho(std::span<const std::uint8_t> message, bool v6)
{
    const auto icmp = v6 ? std::optional(message) : icmpOfIpv4(message, false);
    const auto header = icmp ? readEchoHeader(*icmp) : std::nullopt;
    if (!header)
        return std::nullopt;
    if (header->type == EchoHeader::replyType(v6))
        return header;
    if (!EchoHeader::isReport(header->type, v6))
        return std::nullopt;
    const auto quoted = quotedEcho(*icmp, v6);
    return quoted ? std::optional(quoted->header) : std::nullopt;
}
