#include "icmp/RelayFilter.h"
#include "ping/socket/EchoReplyParser.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

// The helper's relay decision and the engine's reading of what it relays,
// over arbitrary bytes of either family. The first bytes choose the family,
// identifier and sequence, so that the fuzzer can steer towards packets
// that almost concern our echoes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 6)
        return 0;
    const bool v6 = data[0] & 1;
    const auto identifier = static_cast<std::uint16_t>(data[1] << 8 | data[2]);
    const std::span<const std::uint8_t> packet(data + 6, size - 6);

    const auto relayed = concernsOurEchoes(packet, v6, identifier);

    ReceivedPacket received;
    received.origin = v6 ? ReceivedPacket::Origin::Icmp6Message : ReceivedPacket::Origin::RawPacket;
    received.v6 = v6;
    received.bytes = packet;
    EchoExpectation expected;
    expected.v6 = v6;
    expected.identifier = identifier;
    expected.sequence = relayed ? *relayed : static_cast<std::uint16_t>(data[3] << 8 | data[4]);
    expected.payload = packet.last(std::min<std::size_t>(data[5] % 64, packet.size()));
    std::copy_n(packet.begin(), std::min<std::size_t>(4, packet.size()), reinterpret_cast<std::uint8_t*>(&expected.target));
    EchoReplyParser::sequenceOf(received);
    EchoReplyParser::parse(received, expected);
    return 0;
}
