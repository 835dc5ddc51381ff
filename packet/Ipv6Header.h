#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// The fixed IPv6 header, as quoted in an ICMPv6 report.
struct Ipv6Header {
    static constexpr std::size_t Size = 40;
    std::uint8_t nextHeader = 0;
    std::uint8_t hopLimit = 0;
    std::array<std::uint8_t, 16> source{};
    std::array<std::uint8_t, 16> destination{};
};

std::optional<Ipv6Header> readIpv6Header(std::span<const std::uint8_t> packet);

// A large echo leaves in fragments, and a router may add headers of its
// own: the ICMPv6 message behind the extension headers that start with
// `next` at the front of `rest`. Only the first fragment carries the ICMPv6
// header; a later one, an unknown header, a header longer than what is left
// or a chain deeper than any echo of ours needs yields nothing.
std::optional<std::span<const std::uint8_t>> icmp6Behind(std::uint8_t next, std::span<const std::uint8_t> rest);

// The same for a whole IPv6 packet.
std::optional<std::span<const std::uint8_t>> icmpOfIpv6(std::span<const std::uint8_t> packet);
