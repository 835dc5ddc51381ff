#include "ping/socket/EchoReplyParser.h"

#include "ping/EchoService.h"
#include "packet/EchoHeader.h"
#include "packet/InternetChecksum.h"
#include "packet/Ipv4Header.h"

#include <algorithm>
#include <cerrno>

namespace {

constexpr std::uint8_t IcmpDestUnreachable = 3;
constexpr std::uint8_t IcmpSourceQuench = 4;
constexpr std::uint8_t IcmpTimeExceeded = 11;
constexpr std::uint8_t IcmpParameterProblem = 12;
constexpr std::uint8_t Icmp6DestUnreachable = 1;
constexpr std::uint8_t Icmp6PacketTooBig = 2;
constexpr std::uint8_t Icmp6TimeExceeded = 3;
constexpr std::uint8_t Icmp6ParameterProblem = 4;

bool isOurRequest(std::span<const std::uint8_t> icmp, const EchoExpectation& expected)
{
    const auto h = readEchoHeader(icmp);
    return h && h->type == EchoHeader::requestType(expected.v6) && h->code == 0
        && (!expected.checkIdentifier || h->identifier == expected.identifier) && h->sequence == expected.sequence;
}

std::optional<EchoAnswer> echoReply(std::span<const std::uint8_t> icmp, const EchoExpectation& expected)
{
    const auto h = readEchoHeader(icmp);
    if (!h || h->type != EchoHeader::replyType(expected.v6) || h->code != 0)
        return std::nullopt;
    if ((expected.checkIdentifier && h->identifier != expected.identifier) || h->sequence != expected.sequence)
        return std::nullopt;
    // A reply that does not carry our data back unchanged answers someone
    // else's request (or none), however well its numbers match.
    const auto data = icmp.subspan(EchoHeader::Size);
    if (!std::ranges::equal(data, expected.payload))
        return std::nullopt;
    EchoAnswer answer;
    answer.dataSize = static_cast<std::uint16_t>(data.size());
    return answer;
}

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
    // The helper has read the packet already.
    if (packet.sequence)
        return packet.sequence;
    std::optional<EchoHeader> echo;
    switch (packet.origin) {
    case ReceivedPacket::Origin::RawPacket:
    case ReceivedPacket::Origin::Icmp6Message:
        echo = concernedEcho(packet.bytes, packet.v6);
        break;
    case ReceivedPacket::Origin::DatagramReply:
        echo = readEchoHeader(packet.bytes);
        break;
    case ReceivedPacket::Origin::QueuedError:
    case ReceivedPacket::Origin::LocalRefusal:
        echo = readEchoHeader(packet.bytes);
        if (echo && echo->type != EchoHeader::requestType(packet.v6))
            echo.reset();
        break;
    }
    return echo ? std::optional(echo->sequence) : std::nullopt;
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
    const auto message = packet.bytes;
    if (!expected.v6 || message.size() < IcmpHeaderSize)
        return std::nullopt;
    std::optional<EchoAnswer> answer;
    if (message[0] == EchoHeader::replyType(true)) {
        answer = echoReply(message, expected);
    } else if (EchoHeader::isReport(message[0], true)) {
        const auto quoted = quotedEcho(message, true);
        if (!quoted || quoted->destination6 != expected.target6 || !isOurRequest(quoted->request, expected))
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
    const auto ip = readIpv4Header(packet, false);
    const auto icmp = icmpOfIpv4(packet, false);
    // The kernel hands raw sockets what arrived, before any checksum test.
    if (!ip || !icmp || icmp->size() < IcmpHeaderSize || internetChecksum(*icmp) != 0)
        return std::nullopt;
    std::optional<EchoAnswer> answer;
    if ((*icmp)[0] == EchoHeader::replyType(false)) {
        answer = echoReply(*icmp, expected);
    } else if (EchoHeader::isReport((*icmp)[0], false)) {
        const auto quoted = quotedEcho(*icmp, false);
        if (!quoted || quoted->destination != expected.target || !isOurRequest(quoted->request, expected))
            return std::nullopt;
        answer = EchoAnswer{};
        answer->status = statusForIcmpError((*icmp)[0], (*icmp)[1]);
    }
    if (answer) {
        answer->source = ip->source;
        answer->ttl = ip->ttl;
        answer->tos = ip->tos;
        answer->flags = ip->flags;
    }
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
    if (!EchoHeader::isReport(type, expected.v6) || !isOurRequest(quotedRequest, expected))
        return std::nullopt;
    EchoAnswer answer;
    answer.source = reporter;
    answer.status = statusForIcmpError(type, code);
    return answer;
}
