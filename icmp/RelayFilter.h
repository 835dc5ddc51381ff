#pragma once

#include <cstdint>
#include <optional>
#include <span>

// Whether a packet that a raw socket of the helper read concerns the
// helper's own echoes: an echo reply with its identifier, or an error
// report that quotes one of its echo requests. Nothing else is relayed.
// IPv4: the whole datagram; ICMPv6: the bare message. The sequence of the
// echo it concerns, nothing when it concerns none of ours.
std::optional<std::uint16_t> concernsOurEchoes(std::span<const std::uint8_t> packet, bool v6,
                                                std::uint16_t identifier);
