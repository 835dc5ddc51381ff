#include "ping/socket/EchoReplyParser.h"

#include <cstddef>
#include <cstdint>
#include <span>

// Feeds arbitrary bytes to every entry of the reply parser. The expectation
// is taken from the input's first bytes so that the fuzzer can steer
// towards packets that almost match.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 12)
        return 0;
    EchoExpectation expected;
    expected.target = static_cast<std::uint32_t>(data[0] | data[1] << 8 | data[2] << 16) | std::uint32_t(data[3]) << 24;
    expected.identifier = static_cast<std::uint16_t>(data[4] << 8 | data[5]);
    expected.sequence = static_cast<std::uint16_t>(data[6] << 8 | data[7]);
    expected.checkIdentifier = data[8] & 1;
    const std::size_t payloadSize = data[9] % 64;
    const std::span<const std::uint8_t> rest(data + 12, size - 12);
    expected.payload = rest.first(std::min(payloadSize, rest.size()));

    EchoReplyParser::parseRawPacket(rest, expected);
    EchoReplyParser::parseDatagramReply(rest, expected.target, data[10], data[11], expected);
    EchoReplyParser::parseQueuedError(data[10], data[11], expected.target, rest, expected);
    return 0;
}
