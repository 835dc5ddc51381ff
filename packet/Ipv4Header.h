#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// An IPv4 header, read only as far as the bytes received hold it.
struct Ipv4Header {
    std::size_t headerLength = 0;
    std::size_t totalLength = 0;
    std::uint8_t tos = 0;
    std::uint8_t flags = 0;
    std::uint8_t ttl = 0;
    std::uint8_t protocol = 0;
    bool firstFragment = false;     // offset 0: the only fragment an upper-layer header can be in
    std::uint32_t source = 0;       // network byte order
    std::uint32_t destination = 0;  // network byte order
};

// A datagram a raw socket received, whose total length must fit what came;
// or one quoted in a report (quoted = true), whose total length the quoting
// router may have rewritten and whose tail it may have cut: there only the
// header's own length is trusted.
std::optional<Ipv4Header> readIpv4Header(std::span<const std::uint8_t> datagram, bool quoted);

// The ICMP message behind the header: the first fragment of an ICMP
// datagram, cut at its total length unless quoted; nothing otherwise.
std::optional<std::span<const std::uint8_t>> icmpOfIpv4(std::span<const std::uint8_t> datagram, bool quoted);
