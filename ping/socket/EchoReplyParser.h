#pragma once

#include "ping/EchoService.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// Decides whether a received packet answers our echo, and what it says.
// Every socket kind hands us something different: a raw socket the whole
// IP datagram, a datagram socket the bare ICMP message, and its error queue
// the kernel's extended error with our own request quoted back. Anything
// that is not unmistakably about our request yields nothing, so that the
// caller keeps waiting.

struct EchoExpectation {
    bool v6 = false;                // ICMPv6: target6 instead of target
    std::uint32_t target = 0;       // network byte order
    Ipv6Address target6{};
    std::uint16_t identifier = 0;   // host byte order
    std::uint16_t sequence = 0;     // host byte order
    bool checkIdentifier = true;    // a datagram socket's kernel already did
    std::span<const std::uint8_t> payload;
};

struct EchoAnswer {
    std::uint32_t source = 0;       // network byte order
    Ipv6Address source6{};
    std::uint32_t status = 0;       // IP status code, 0 for an echo reply
    std::uint8_t ttl = 0;
    std::uint8_t tos = 0;
    std::uint8_t flags = 0;
    std::uint16_t dataSize = 0;
    bool refusedLocally = false;    // our own kernel refused the request: nothing was sent
};

// One packet as the shared socket's receiver read it, before anyone knows
// which echo it concerns.
struct ReceivedPacket {
    // RawPacket: an IPv4 datagram from a raw socket. DatagramReply: an ICMP
    // message from a datagram socket. Icmp6Message: an ICMPv6 message from
    // either kind of IPv6 socket, which may be a report quoting our request.
    enum class Origin { RawPacket, DatagramReply, Icmp6Message, QueuedError, LocalRefusal };
    Origin origin = Origin::RawPacket;
    bool v6 = false;
    // The IP datagram, the ICMP message, or the request quoted by an error.
    std::span<const std::uint8_t> bytes;
    std::uint32_t source = 0;       // sender of a datagram reply, reporter of a queued error
    std::uint32_t target = 0;       // where the quoted request of a queued error was going
    Ipv6Address source6{};          // the same for IPv6
    Ipv6Address target6{};
    std::uint8_t ttl = 0;
    std::uint8_t tos = 0;
    std::uint8_t icmpType = 0;      // of a queued error
    std::uint8_t icmpCode = 0;
    int localErrno = 0;             // of a local refusal
    std::int64_t arrivedNs = 0;     // the kernel's receive time (CLOCK_REALTIME), 0 when it gave none
    std::optional<std::uint16_t> sequence;  // of the echo it concerns, where the helper found it already
};

class EchoReplyParser {
public:
    static constexpr std::size_t IcmpHeaderSize = 8;

    // The sequence number of the request that a packet answers or reports
    // on, so that it can be handed to the one echo waiting for it.
    static std::optional<std::uint16_t> sequenceOf(const ReceivedPacket& packet);

    // What a packet says about the echo that expected it; nothing unless it
    // is unmistakably about that echo.
    static std::optional<EchoAnswer> parse(const ReceivedPacket& packet, const EchoExpectation& expected);

    // A whole IPv4 datagram as a raw ICMP socket receives it.
    static std::optional<EchoAnswer> parseRawPacket(std::span<const std::uint8_t> packet,
                                                    const EchoExpectation& expected);

    // An ICMP message without IP header, as a datagram socket receives it.
    static std::optional<EchoAnswer> parseDatagramReply(std::span<const std::uint8_t> message,
                                                        std::uint32_t source, std::uint8_t ttl,
                                                        std::uint8_t tos,
                                                        const EchoExpectation& expected);

    // An ICMPv6 message from either kind of IPv6 socket: an echo reply, or
    // a report that quotes our request.
    static std::optional<EchoAnswer> parseIcmp6Message(const ReceivedPacket& packet,
                                                       const EchoExpectation& expected);

    // An ICMP error that the kernel queued for a datagram socket: its type,
    // code and reporter, and the request it quotes.
    static std::optional<EchoAnswer> parseQueuedError(std::uint8_t type, std::uint8_t code,
                                                      std::uint32_t reporter,
                                                      std::span<const std::uint8_t> quotedRequest,
                                                      const EchoExpectation& expected);

    static std::uint32_t statusForIcmpError(std::uint8_t type, std::uint8_t code);
    static std::uint32_t statusForIcmp6Error(std::uint8_t type, std::uint8_t code);
    static std::uint32_t statusForSendErrno(int error);
};
