#include "ping/socket/EchoReplyParser.h"

#include "ping/EchoService.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::uint8_t IcmpEchoReplyType = 0;
constexpr std::uint8_t IcmpDestUnreachable = 3;
constexpr std::uint8_t IcmpSourceQuench = 4;
constexpr std::uint8_t IcmpEchoRequestType = 8;
constexpr std::uint8_t IcmpTimeExceeded = 11;
constexpr std::uint8_t IcmpParameterProblem = 12;
constexpr std::uint8_t IpProtoIcmp = 1;
constexpr std::uint8_t Icmp6DestUnreachable = 1;
constexpr std::uint8_t Icmp6PacketTooBig = 2;
constexpr std::uint8_t Icmp6TimeExceeded = 3;
constexpr std::uint8_t Icmp6ParameterProblem = 4;
constexpr std::uint8_t Icmp6EchoRequestType = 128;
constexpr std::uint8_t Icmp6EchoReplyType = 129;
constexpr std::uint8_t NextHeaderIcmp6 = 58;
constexpr std::size_t Ip6HeaderSize = 40;
constexpr std::size_t MinIpHeader = 20;

std::uint16_t read16(std::span<const std::uint8_t> d, std::size_t at)
{
    return static_cast<std::uint16_t>(d[at] << 8 | d[at + 1]);
}

std::uint32_t readAddress(std::span<const std::uint8_t> d, std::size_t at)
{
    std::uint32_t address;
    std::memcpy(&address, d.data() + at, 4);
    return address;
}

struct IpHeader {
    std::size_t headerLength = 0;
    std::size_t totalLength = 0;
    std::uint8_t tos = 0;
    std::uint8_t flags = 0;
    std::uint8_t ttl = 0;
    std::uint8_t protocol = 0;
    std::uint32_t source = 0;
    std::uint32_t destination = 0;
};

// Quoted headers inside ICMP errors may come with a total length that the
// quoting router rewrote, so only the header length is trusted there.
std::optional<IpHeader> readIpHeader(std::span<const std::uint8_t> d, bool checkTotalLength)
{
    if (d.size() < MinIpHeader || (d[0] >> 4) != 4)
        return std::nullopt;
    IpHeader h;
    h.headerLength = static_cast<std::size_t>(d[0] & 0x0F) * 4;
    if (h.headerLength < MinIpHeader || h.headerLength > d.size())
        return std::nullopt;
    h.totalLength = read16(d, 2);
    if (checkTotalLength && (h.totalLength < h.headerLength || h.totalLength > d.size()))
        return std::nullopt;
    h.tos = d[1];
    h.flags = static_cast<std::uint8_t>(d[6] >> 5);
    h.ttl = d[8];
    h.protocol = d[9];
    h.source = readAddress(d, 12);
    h.destination = readAddress(d, 16);
    return h;
}

bool isOurRequest(std::span<const std::uint8_t> icmp, const EchoExpectation& expected)
{
    const std::uint8_t requestType = expected.v6 ? Icmp6EchoRequestType : IcmpEchoRequestType;
    return icmp.size() >= EchoReplyParser::IcmpHeaderSize && icmp[0] == requestType
        && icmp[1] == 0
        && (!expected.checkIdentifier || read16(icmp, 4) == expected.identifier)
        && read16(icmp, 6) == expected.sequence;
}

bool isErrorType(std::uint8_t type)
{
    return type == IcmpDestUnreachable || type == IcmpSourceQuench || type == IcmpTimeExceeded
        || type == IcmpParameterProblem;
}

std::optional<std::uint16_t> requestSequence(std::span<const std::uint8_t> icmp)
{
    if (icmp.size() < EchoReplyParser::IcmpHeaderSize
        || (icmp[0] != IcmpEchoRequestType && icmp[0] != Icmp6EchoRequestType))
        return std::nullopt;
    return read16(icmp, 6);
}

bool isError6Type(std::uint8_t type)
{
    return type >= Icmp6DestUnreachable && type <= Icmp6ParameterProblem;
}

// The request that an ICMPv6 report quotes: the IPv6 header of our packet,
// any extension headers, then our echo request.
struct Quoted6 {
    Ipv6Address destination{};
    std::span<const std::uint8_t> request;
};

constexpr std::uint8_t NextHeaderHopByHop = 0;
constexpr std::uint8_t NextHeaderRouting = 43;
constexpr std::uint8_t NextHeaderFragment = 44;
constexpr std::uint8_t NextHeaderDestinationOptions = 60;
constexpr std::size_t ExtensionUnit = 8;

// A large echo leaves in fragments, and a router may have added headers of
// its own: walk them to the ICMPv6 header. Only the first fragment (offset
// 0) carries one; a later fragment cannot be told apart from anyone's.
std::optional<std::span<const std::uint8_t>> upperLayer6(std::uint8_t next, std::span<const std::uint8_t> rest)
{
    while (next != NextHeaderIcmp6) {
        if (rest.size() < ExtensionUnit)
            return std::nullopt;
        std::size_t length = ExtensionUnit;
        if (next == NextHeaderFragment) {
            if ((read16(rest, 2) & 0xFFF8) != 0)
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

std::optional<Quoted6> quotedRequest6(std::span<const std::uint8_t> report)
{
    if (report.size() < EchoReplyParser::IcmpHeaderSize + Ip6HeaderSize)
        return std::nullopt;
    const auto ip = report.subspan(EchoReplyParser::IcmpHeaderSize);
    if ((ip[0] >> 4) != 6)
        return std::nullopt;
    const auto request = upperLayer6(ip[6], ip.subspan(Ip6HeaderSize));
    if (!request)
        return std::nullopt;
    Quoted6 quoted;
    std::memcpy(quoted.destination.data(), ip.data() + 24, quoted.destination.size());
    quoted.request = *request;
    return quoted;
}

std::optional<EchoAnswer> echoReply(std::span<const std::uint8_t> icmp, const EchoExpectation& expected)
{
    const std::uint8_t replyType = expected.v6 ? Icmp6EchoReplyType : IcmpEchoReplyType;
    if (icmp.size() < EchoReplyParser::IcmpHeaderSize || icmp[0] != replyType || icmp[1] != 0)
        return std::nullopt;
    if (expected.checkIdentifier && read16(icmp, 4) != expected.identifier)
        return std::nullopt;
    if (read16(icmp, 6) != expected.sequence)
        return std::nullopt;
    // A reply that does not carry our data back unchanged answers someone
    // else's request (or none), however well its numbers match.
    const auto data = icmp.subspan(EchoReplyParser::IcmpHeaderSize);
    if (!std::ranges::equal(data, expected.payload))
        return std::nullopt;
    EchoAnswer answer;
    answer.dataSize = static_cast<std::uint16_t>(data.size());
    return answer;
}

}

std::uint16_t EchoReplyParser::checksum(std::span<const std::uint8_t> data)
{
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < data.size(); i += 2)
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (i < data.size())
        sum += static_cast<std::uint32_t>(data[i] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

std::uint32_t EchoReplyParser::statusForIcmpError(std::uint8_t type, std::uint8_t code)
{
    switch (type) {
    case IcmpDestUnreachable:
        switch (code) {
        case 0: case 6: case 9: case 11: return IpStatus::DestNetUnreachable;
        case 2: return IpStatus::DestProtUnreachable;
        case 3: return IpStatus::DestPortUnreachable;
        case 4: return IpStatus::PacketTooBig;
        case 5: return IpStatus::BadRoute;
        default: return IpStatus::DestHostUnreachable;
        }
    case IcmpTimeExceeded:
        return code == 1 ? IpStatus::TtlExpiredReassembly : IpStatus::TtlExpiredTransit;
    case IcmpParameterProblem:
        return IpStatus::ParameterProblem;
    case IcmpSourceQuench:
        return IpStatus::SourceQuench;
    default:
        return IpStatus::GeneralFailure;
    }
}

std::uint32_t EchoReplyParser::statusForSendErrno(int error)
{
    switch (error) {
    case ENETUNREACH: return IpStatus::DestNetUnreachable;   // no route here
    case EHOSTUNREACH: return IpStatus::DestHostUnreachable; // neighbour gone
    case EMSGSIZE: return IpStatus::PacketTooBig;             // larger than the path allows
    default: return IpStatus::GeneralFailure;                 // nothing the caller can mend
    }
}

std::uint32_t EchoReplyParser::statusForIcmp6Error(std::uint8_t type, std::uint8_t code)
{
    switch (type) {
    case Icmp6DestUnreachable:
        switch (code) {
        case 0: case 6: return IpStatus::DestNetUnreachable;  // no route, reject route
        case 4: return IpStatus::DestPortUnreachable;
        default: return IpStatus::DestHostUnreachable;       // prohibited, beyond scope, address, policy
        }
    case Icmp6PacketTooBig:
        return IpStatus::PacketTooBig;
    case Icmp6TimeExceeded:
        return code == 1 ? IpStatus::TtlExpiredReassembly : IpStatus::TtlExpiredTransit;
    case Icmp6ParameterProblem:
        return IpStatus::ParameterProblem;
    default:
        return IpStatus::GeneralFailure;
    }
}

std::optional<std::uint16_t> EchoReplyParser::sequenceOf(const ReceivedPacket& packet)
{
    switch (packet.origin) {
    case ReceivedPacket::Origin::Icmp6Message:
        if (packet.bytes.size() >= IcmpHeaderSize && packet.bytes[0] == Icmp6EchoReplyType)
            return read16(packet.bytes, 6);
        if (packet.bytes.empty() || !isError6Type(packet.bytes[0]))
            return std::nullopt;
        if (const auto quoted = quotedRequest6(packet.bytes))
            return requestSequence(quoted->request);
        return std::nullopt;
    case ReceivedPacket::Origin::DatagramReply:
        if (packet.bytes.size() < IcmpHeaderSize)
            return std::nullopt;
        return read16(packet.bytes, 6);
    case ReceivedPacket::Origin::QueuedError:
    case ReceivedPacket::Origin::LocalRefusal:
        return requestSequence(packet.bytes);
    case ReceivedPacket::Origin::RawPacket:
        break;
    }
    const auto ip = readIpHeader(packet.bytes, true);
    if (!ip || ip->protocol != IpProtoIcmp)
        return std::nullopt;
    const auto icmp = packet.bytes.subspan(ip->headerLength, ip->totalLength - ip->headerLength);
    if (icmp.size() < IcmpHeaderSize)
        return std::nullopt;
    if (icmp[0] == IcmpEchoReplyType)
        return read16(icmp, 6);
    const auto quoted = icmp.subspan(IcmpHeaderSize);
    const auto quotedIp = readIpHeader(quoted, false);
    if (!isErrorType(icmp[0]) || !quotedIp)
        return std::nullopt;
    return requestSequence(quoted.subspan(quotedIp->headerLength));
}

std::optional<EchoAnswer> EchoReplyParser::parse(const ReceivedPacket& packet, const EchoExpectation& expected)
{
    switch (packet.origin) {
    case ReceivedPacket::Origin::RawPacket:
        return parseRawPacket(packet.bytes, expected);
    case ReceivedPacket::Origin::DatagramReply:
        return parseDatagramReply(packet.bytes, packet.source, packet.ttl, packet.tos, expected);
    case ReceivedPacket::Origin::Icmp6Message:
        return parseIcmp6Message(packet, expected);
    case ReceivedPacket::Origin::QueuedError: {
        // The kernel queues reports about every request of the socket; only
        // one about the address this echo went to can be about this echo.
        if (packet.v6 != expected.v6 || (expected.v6 ? packet.target6 != expected.target6 : packet.target != expected.target))
            return std::nullopt;
        auto answer = parseQueuedError(packet.icmpType, packet.icmpCode, packet.source, packet.bytes, expected);
        if (answer && expected.v6) {
            answer->status = statusForIcmp6Error(packet.icmpType, packet.icmpCode);
            answer->source6 = packet.source6;
        }
        return answer;
    }
    case ReceivedPacket::Origin::LocalRefusal:
        if (!isOurRequest(packet.bytes, expected))
            return std::nullopt;
        EchoAnswer answer;
        answer.status = statusForSendErrno(packet.localErrno);
        answer.refusedLocally = true;
        return answer;
    }
    return std::nullopt;
}

std::optional<EchoAnswer> EchoReplyParser::parseIcmp6Message(const ReceivedPacket& packet,
                                                             const EchoExpectation& expected)
{
    if (!expected.v6 || packet.bytes.size() < IcmpHeaderSize)
        return std::nullopt;
    const auto message = packet.bytes;
    std::optional<EchoAnswer> answer;
    if (message[0] == Icmp6EchoReplyType) {
        answer = echoReply(message, expected);
    } else if (isError6Type(message[0])) {
        const auto quoted = quotedRequest6(message);
        if (!quoted || quoted->destination != expected.target6 || !isOurRequest(quoted->request, expected))
            return std::nullopt;
        answer = EchoAnswer{};
        answer->status = statusForIcmp6Error(message[0], message[1]);
    }
    if (answer) {
        answer->source6 = packet.source6;
        answer->ttl = packet.ttl;
        answer->tos = packet.tos;
    }
    return answer;
}

std::optional<EchoAnswer> EchoReplyParser::parseRawPacket(std::span<const std::uint8_t> packet,
                                                          const EchoExpectation& expected)
{
    const auto ip = readIpHeader(packet, true);
    if (!ip || ip->protocol != IpProtoIcmp)
        return std::nullopt;
    const auto icmp = packet.subspan(ip->headerLength, ip->totalLength - ip->headerLength);
    // The kernel hands raw sockets what arrived, before any checksum test.
    if (icmp.size() < IcmpHeaderSize || checksum(icmp) != 0)
        return std::nullopt;

    if (icmp[0] == IcmpEchoReplyType) {
        auto answer = echoReply(icmp, expected);
        if (answer) {
            answer->source = ip->source;
            answer->ttl = ip->ttl;
            answer->tos = ip->tos;
            answer->flags = ip->flags;
        }
        return answer;
    }
    if (!isErrorType(icmp[0]))
        return std::nullopt;

    const auto quoted = icmp.subspan(IcmpHeaderSize);
    const auto quotedIp = readIpHeader(quoted, false);
    if (!quotedIp || quotedIp->protocol != IpProtoIcmp || quotedIp->destination != expected.target)
        return std::nullopt;
    if (!isOurRequest(quoted.subspan(quotedIp->headerLength), expected))
        return std::nullopt;
    EchoAnswer answer;
    answer.source = ip->source;
    answer.status = statusForIcmpError(icmp[0], icmp[1]);
    answer.ttl = ip->ttl;
    answer.tos = ip->tos;
    answer.flags = ip->flags;
    return answer;
}

std::optional<EchoAnswer> EchoReplyParser::parseDatagramReply(std::span<const std::uint8_t> message,
                                                              std::uint32_t source, std::uint8_t ttl,
                                                              std::uint8_t tos,
                                                              const EchoExpectation& expected)
{
    auto answer = echoReply(message, expected);
    if (answer) {
        answer->source = source;
        answer->ttl = ttl;
        answer->tos = tos;
    }
    return answer;
}

std::optional<EchoAnswer> EchoReplyParser::parseQueuedError(std::uint8_t type, std::uint8_t code,
                                                            std::uint32_t reporter,
                                                            std::span<const std::uint8_t> quotedRequest,
                                                            const EchoExpectation& expected)
{
    if (!(expected.v6 ? isError6Type(type) : isErrorType(type)) || !isOurRequest(quotedRequest, expected))
        return std::nullopt;
    EchoAnswer answer;
    answer.source = reporter;
    answer.status = statusForIcmpError(type, code);
    return answer;
}
