#include "icmp/RelayFilter.h"

#include "packet/EchoHeader.h"

std::optional<std::uint16_t> concernsOurEchoes(std::span<const std::uint8_t> packet, bool v6,
                                                std::uint16_t identifier)
{
    const auto echo = concernedEcho(packet, v6);
    if (!echo || echo->identifier != identifier)
        return std::nullopt;
    return echo->sequence;
}
