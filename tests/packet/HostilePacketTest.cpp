#include "icmp/RelayFilter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Every packet here could come from anyone on the path to a host we ping,
// and reaches the privileged helper's relay decision. Each is kept in a
// buffer of exactly its size, so that a read past it is caught by the
// bounds assertions and AddressSanitizer.

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t Id = 0x4D2E;
constexpr std::uint16_t Seq = 0x0102;

Bytes echo(std::uint8_t type, std::uint16_t id = Id, std::size_t payload = 8)
{
    Bytes m{type, 0, 0, 0, std::uint8_t(id >> 8), std::uint8_t(id), Seq >> 8, Seq & 0xFF};
    m.resize(m.size() + payload, 0xA5);
    return m;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes with(Bytes b, std::size_t at, std::uint8_t value)
{
    b.at(at) = value;
    return b;
}

Bytes cut(Bytes b, std::size_t size)
{
    b.resize(size);
    return b;
}

// An IPv4 header of ihl words for `behind` bytes; total length as given,
// else the true one.
Bytes ipv4(std::uint8_t protocol, const Bytes& behind, std::uint8_t ihl = 5, int total = -1)
{
    Bytes h(ihl * 4u, 0);
    h[0] = static_cast<std::uint8_t>(0x40 | ihl);
    const auto length = total < 0 ? h.size() + behind.size() : static_cast<std::size_t>(total);
    h[2] = std::uint8_t(length >> 8);
    h[3] = std::uint8_t(length);
    h[8] = 64;
    h[9] = protocol;
    h[16] = 198, h[17] = 18, h[18] = 0, h[19] = 1;
    return h + behind;
}

Bytes ipv6(std::uint8_t next)
{
    Bytes h(40, 0);
    h[0] = 0x60;
    h[6] = next;
    h[7] = 64;
    h[24] = 0x20, h[25] = 0x01, h[26] = 0x0d, h[27] = 0xb8;
    return h;
}

// An extension header of (words + 1) * 8 bytes.
Bytes extension(std::uint8_t next, std::uint8_t words = 0)
{
    Bytes h((words + 1u) * 8u, 0);
    h[0] = next;
    h[1] = words;
    return h;
}

Bytes fragment(std::uint8_t next, std::uint16_t offsetWords)
{
    return Bytes{next, 0, std::uint8_t(offsetWords >> 5), std::uint8_t(offsetWords << 3), 0, 0, 0, 1};
}

Bytes report4(const Bytes& quoted)
{
    return ipv4(1, Bytes{3, 1, 0, 0, 0, 0, 0, 0} + quoted);
}

Bytes report6(const Bytes& quoted)
{
    return Bytes{1, 0, 0, 0, 0, 0, 0, 0} + quoted;
}

Bytes chain6(int depth)
{
    Bytes headers;
    for (int i = 0; i < depth; ++i)
        headers = headers + extension(i + 1 < depth ? 60 : 58);
    return ipv6(depth > 0 ? 60 : 58) + headers + echo(128);
}

struct Row {
    std::string name;
    Bytes packet;
    bool v6;
    std::optional<std::uint16_t> sequence;
};

class HostilePacket : public testing::TestWithParam<Row> {};

TEST_P(HostilePacket, ReadWithinWhatArrived)
{
    const Row& row = GetParam();
    EXPECT_EQ(concernsOurEchoes(row.packet, row.v6, Id), row.sequence);
}

const Row Rows[] = {
    // What must still pass, so that refusing everything cannot pass.
    {"OurEchoReply4", ipv4(1, echo(0)), false, Seq},
    {"OurEchoReply6", echo(129), true, Seq},
    {"ReportQuotingOurRequest4", report4(ipv4(1, echo(8))), false, Seq},
    {"ReportQuotingOurRequest6", report6(ipv6(58) + echo(128)), true, Seq},
    {"ReportQuotingRequestCutToItsHeader4", report4(ipv4(1, echo(8, Id, 0), 5, 84)), false, Seq},
    {"FirstFragmentQuoted6", report6(ipv6(44) + fragment(58, 0) + echo(128)), true, Seq},
    {"EightExtensionHeaders6", report6(chain6(8)), true, Seq},
    {"SomeoneElsesReply4", ipv4(1, echo(0, Id + 1)), false, std::nullopt},
    {"SomeoneElsesRequestQuoted6", report6(ipv6(58) + echo(128, Id + 1)), true, std::nullopt},
    // Lengths that claim more than arrived.
    {"HopByHopClaimsMoreThanThePacket6",
     cut(report6(ipv6(0) + extension(58, 255)), 56), true, std::nullopt},
    {"HopByHopOneWordTooLong6", report6(ipv6(0) + cut(extension(58, 1), 8)), true, std::nullopt},
    {"RoutingHeaderCutShort6", report6(ipv6(43) + Bytes{58, 0, 0}), true, std::nullopt},
    {"QuotedIpv6HeaderCut", cut(report6(ipv6(58)), 8 + 39), true, std::nullopt},
    {"QuotedRequestCutInItsHeader6", cut(report6(ipv6(58) + echo(128)), 8 + 40 + 7), true, std::nullopt},
    {"NineExtensionHeaders6", report6(chain6(9)), true, std::nullopt},
    {"FragmentHeaderAtTheVeryEnd6", report6(ipv6(44) + fragment(58, 0)), true, std::nullopt},
    {"LaterFragmentQuoted6", report6(ipv6(44) + fragment(58, 1) + echo(128)), true, std::nullopt},
    {"ReportCutInItsOwnHeader6", Bytes{1, 0, 0, 0}, true, std::nullopt},
    {"Empty6", Bytes{}, true, std::nullopt},
    {"QuotedHeaderLongerThanThePacket4", report4(cut(ipv4(1, echo(8), 15), 28)), false, std::nullopt},
    {"QuotedHeaderLengthBelowMinimum4", with(report4(ipv4(1, echo(8))), 28, 0x44), false, std::nullopt},
    {"QuotedRequestCutInItsHeader4", report4(cut(ipv4(1, echo(8)), 20 + 7)), false, std::nullopt},
    {"QuotedUdpNotEcho4", report4(ipv4(17, echo(8))), false, std::nullopt},
    {"HeaderLongerThanTheDatagram4", cut(ipv4(1, echo(0), 15), 40), false, std::nullopt},
    {"TotalLengthBeyondWhatArrived4", ipv4(1, echo(0), 5, 200), false, std::nullopt},
    {"TotalLengthInsideTheHeader4", ipv4(1, echo(0), 5, 12), false, std::nullopt},
    {"ReportCutInItsOwnHeader4", ipv4(1, Bytes{3, 1, 0, 0}), false, std::nullopt},
    {"Empty4", Bytes{}, false, std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Rows, HostilePacket, testing::ValuesIn(Rows),
                         [](const auto& info) { return info.param.name; });

}
