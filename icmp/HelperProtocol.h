#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The messages between the echo engine and quorvane-icmp, one per packet of
// a SOCK_SEQPACKET socket pair. Numbers of more than one byte are in network
// byte order. The engine only ever asks for one thing, an echo request; the
// helper answers with the packets that concern its echoes and with a
// refusal for every request it does not send.
namespace HelperProtocol {

// The descriptor the helper finds its parent's socket on.
inline constexpr int ParentSocket = 3;

// Engine to helper: an echo request, then its payload.
//    0 kind (RequestEcho)      1 family (4 or 6)    2 ICMP type    3 ICMP code
//    4 TTL or hop limit        5 type of service    6 flags        7 zero
//    8 identifier             10 sequence          12 IPv6 scope (0 for IPv4)
//   16 destination (16 bytes, IPv4 in the first 4, the rest zero)
//   32 when the engine stamped the echo as sent (CLOCK_REALTIME, ns, 8 bytes)
//   40 payload
inline constexpr std::uint8_t RequestEcho = 1;
inline constexpr std::size_t RequestHeaderSize = 40;
inline constexpr std::uint8_t FlagDontFragment = 0x01;
// As ping allows: the largest payload of an IPv4 echo.
inline constexpr std::size_t MaxPayload = 65507;
inline constexpr std::size_t MaxRequestSize = RequestHeaderSize + MaxPayload;
inline constexpr unsigned MaxEchoesPerSecond = 100;

// Helper to engine: a received packet, as its raw socket read it.
//    0 kind (AnswerPacket)     1 family (4 or 6)    2 TTL/hop limit (IPv6)
//    3 traffic class (IPv6)    4 send delay, ns (4 bytes)
//    8 kernel receive stamp, ns (8 bytes)
//   16 source (16 bytes)      32 sequence of the echo it concerns (2 bytes)
//   34 zero (2 bytes)         36 the IPv4 datagram or the ICMPv6 message
// The send delay is how long after the engine's stamp the helper sent the
// echo the packet concerns: the hop to the helper (and the helper's start,
// for its first echoes) is no part of a round trip. The helper has found the
// sequence to relay the packet at all; the engine need not search again.
inline constexpr std::uint8_t AnswerPacket = 2;
inline constexpr std::size_t PacketHeaderSize = 36;

// Helper to engine: a request that was not sent, why (an errno value) and
// the ICMP header it asked for, so that the engine can tell which echo.
//    0 kind (AnswerRefused)    1 family             2 zero (2 bytes)   4 errno (4 bytes)
//    8 the ICMP header (8 bytes: type, code, 0, 0, identifier, sequence)
inline constexpr std::uint8_t AnswerRefused = 3;
// Helper to engine: the helper could not open its raw sockets and ends.
//    0 kind (AnswerFailed)     1-3 zero             4 errno (4 bytes)
inline constexpr std::uint8_t AnswerFailed = 4;
inline constexpr std::size_t RefusalSize = 16;

// The identifier of every echo a helper sends: it follows from the helper's
// process id, so that its parent knows it without asking, and a caller
// cannot choose which other program's replies it would see.
constexpr std::uint16_t identifierOf(long pid)
{
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(pid) * 40503u ^ 0x5176u);
}

inline std::uint16_t read16(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

inline std::uint32_t read32(std::span<const std::uint8_t> b, std::size_t at)
{
    return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 | std::uint32_t(b[at + 2]) << 8 | b[at + 3];
}

inline std::int64_t read64(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::int64_t>(std::uint64_t(read32(b, at)) << 32 | read32(b, at + 4));
}

inline void write16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v)
{
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}

inline void write32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v)
{
    write16(b, at, static_cast<std::uint16_t>(v >> 16));
    write16(b, at + 2, static_cast<std::uint16_t>(v));
}

inline void write64(std::span<std::uint8_t> b, std::size_t at, std::int64_t v)
{
    write32(b, at, static_cast<std::uint32_t>(static_cast<std::uint64_t>(v) >> 32));
    write32(b, at + 4, static_cast<std::uint32_t>(v));
}

}
