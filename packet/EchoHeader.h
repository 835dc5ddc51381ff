#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// The ICMP header of an echo request or reply (and the first eight bytes of
// any ICMP message), and what the reports of both families quote of one.
struct EchoHeader {
    static constexpr std::size_t Size = 8;
    std::uint8_t type = 0;
    std::uint8_t code = 0;
    std::uint16_t identifier = 0;  // host byte order
    std::uint16_t sequence = 0;    // host byte order

    // ICMP (v6 false) or ICMPv6 numbers of what matters to an echo.
    static std::uint8_t requestType(bool v6) { return v6 ? 128 : 8; }
    static std::uint8_t replyType(bool v6) { return v6 ? 129 : 0; }
    // Unreachable, too big (IPv6), source quench (IPv4), time exceeded,
    // parameter problem: the reports that quote the packet they concern.
    static bool isReport(std::uint8_t type, bool v6);
};

std::optional<EchoHeader> readEchoHeader(std::span<const std::uint8_t> icmp);

// The echo request that a report quotes, and where it was going.
struct QuotedEcho {
    std::uint32_t destination = 0;                // IPv4, network byte order
    std::array<std::uint8_t, 16> destination6{};  // IPv6
    std::span<const std::uint8_t> request;        // the quoted ICMP message, as far as it was quoted
    EchoHeader header;
};

// report: the whole ICMP message of the report, its own header first.
// Nothing unless it quotes an ICMP echo request of the family.
std::optional<QuotedEcho> quotedEcho(std::span<const std::uint8_t> report, bool v6);

// The echo that a message is about: an echo reply's own header, or the
// quoted request of a report. message: an IPv4 datagram as a raw socket
// reads it (v6 false), or a bare ICMPv6 message (v6 true).
std::optional<EchoHeader> concernedEcho(std::span<const std::uint8_t> message, bool v6);
