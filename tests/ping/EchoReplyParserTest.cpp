#include "ping/socket/EchoReplyParser.h"
#include "packet/InternetChecksum.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string Payload = "Echo request sent by the host mo";
constexpr std::uint16_t Id = 0x1234;
constexpr std::uint16_t Seq = 0xBEEF;

std::uint32_t address(const char* text)
{
    return inet_addr(text);
}

Bytes icmp(std::uint8_t type, std::uint8_t code, std::uint16_t id, std::uint16_t seq, const Bytes& body)
{
    Bytes m{type, code, 0, 0, std::uint8_t(id >> 8), std::uint8_t(id), std::uint8_t(seq >> 8), std::uint8_t(seq)};
    m.insert(m.end(), body.begin(), body.end());
    const auto sum = internetChecksum(m);
    m[2] = std::uint8_t(sum >> 8);
    m[3] = std::uint8_t(sum);
    return m;
}

Bytes ip(const char* source, const char* destination, const Bytes& body, int optionWords = 0, std::uint8_t ttl = 57)
{
    const std::size_t header = 20 + 4 * static_cast<std::size_t>(optionWords);
    Bytes p(header, 0);
    p[0] = std::uint8_t(0x40 | (header / 4));
    const auto total = header + body.size();
    p[2] = std::uint8_t(total >> 8);
    p[3] = std::uint8_t(total);
    p[6] = 0x40;  // don't fragment
    p[8] = ttl;
    p[9] = 1;
    const auto s = address(source);
    const auto d = address(destination);
    std::memcpy(&p[12], &s, 4);
    std::memcpy(&p[16], &d, 4);
    p.insert(p.end(), body.begin(), body.end());
    return p;
}

Bytes payload()
{
    return Bytes(Payload.begin(), Payload.end());
}

EchoExpectation expectation(const Bytes& data)
{
    EchoExpectation e;
    e.target = address("198.18.2.20");
    e.identifier = Id;
    e.sequence = Seq;
    e.payload = data;
    return e;
}

Bytes ourRequest()
{
    return icmp(8, 0, Id, Seq, payload());
}

TEST(RawPacket, AcceptsOurReplyFromAnyAddress)
{
    const auto data = payload();
    const auto answer = EchoReplyParser::parseRawPacket(ip("198.18.2.13", "198.18.0.2", icmp(0, 0, Id, Seq, data)),
                                                        expectation(data));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->source, address("198.18.2.13"));
    EXPECT_EQ(answer->status, 0u);
    EXPECT_EQ(answer->dataSize, Payload.size());
    EXPECT_EQ(answer->ttl, 57);
    EXPECT_EQ(answer->flags, 0x02);
}

TEST(RawPacket, AcceptsReplyBehindIpOptions)
{
    const auto data = payload();
    EXPECT_TRUE(EchoReplyParser::parseRawPacket(ip("198.18.2.20", "198.18.0.2", icmp(0, 0, Id, Seq, data), 3),
                                                expectation(data)));
}

struct ForeignCase {
    const char* name;
    Bytes packet;
};

class RawPacketNotOurs : public testing::TestWithParam<ForeignCase> {};

TEST_P(RawPacketNotOurs, IsIgnored)
{
    const auto data = payload();
    EXPECT_FALSE(EchoReplyParser::parseRawPacket(GetParam().packet, expectation(data)));
}

Bytes withBadChecksum()
{
    auto p = ip("198.18.2.20", "198.18.0.2", icmp(0, 0, Id, Seq, payload()));
    p.back() ^= 0x01;
    return p;
}

Bytes truncatedData()
{
    auto data = payload();
    data.resize(20);
    return ip("198.18.2.20", "198.18.0.2", icmp(0, 0, Id, Seq, data));
}

Bytes changedData()
{
    auto data = payload();
    data[0] = 'X';
    return ip("198.18.2.20", "198.18.0.2", icmp(0, 0, Id, Seq, data));
}

Bytes totalLengthBeyondBuffer()
{
    auto p = ip("198.18.2.20", "198.18.0.2", icmp(0, 0, Id, Seq, payload()));
    p.resize(p.size() - 4);
    return p;
}

Bytes headerLengthBelowMinimum()
{
    auto p = ip("198.18.2.20", "198.18.0.2", icmp(0, 0, Id, Seq, payload()));
    p[0] = 0x44;
    return p;
}

Bytes headerLengthBeyondPacket()
{
    Bytes p = ip("198.18.2.20", "198.18.0.2", {});
    p[0] = 0x4F;
    return p;
}

Bytes notIcmp()
{
    auto p = ip("198.18.2.20", "198.18.0.2", icmp(0, 0, Id, Seq, payload()));
    p[9] = 17;
    return p;
}

Bytes ipVersion6()
{
    auto p = ip("198.18.2.20", "198.18.0.2", icmp(0, 0, Id, Seq, payload()));
    p[0] = 0x65;
    return p;
}

Bytes errorAbout(const char* target, const Bytes& request, int quotedOptionWords = 0)
{
    return ip("198.18.0.1", "198.18.0.2", icmp(11, 0, 0, 0, ip("198.18.0.2", target, request, quotedOptionWords, 1)));
}

Bytes errorQuotingTooLittle()
{
    auto request = ourRequest();
    request.resize(6);
    return errorAbout("198.18.2.20", request);
}

INSTANTIATE_TEST_SUITE_P(
    Forgeries, RawPacketNotOurs,
    testing::Values(
        ForeignCase{"WrongIdentifier", ip("198.18.2.20", "198.18.0.2", icmp(0, 0, Id + 1, Seq, payload()))},
        ForeignCase{"WrongSequence", ip("198.18.2.20", "198.18.0.2", icmp(0, 0, Id, Seq + 1, payload()))},
        ForeignCase{"TruncatedData", truncatedData()},
        ForeignCase{"ChangedData", changedData()},
        ForeignCase{"BadChecksum", withBadChecksum()},
        ForeignCase{"EchoRequestNotReply", ip("198.18.2.20", "198.18.0.2", icmp(8, 0, Id, Seq, payload()))},
        ForeignCase{"ReplyWithNonZeroCode", ip("198.18.2.20", "198.18.0.2", icmp(0, 1, Id, Seq, payload()))},
        ForeignCase{"TotalLengthBeyondBuffer", totalLengthBeyondBuffer()},
        ForeignCase{"HeaderLengthBelowMinimum", headerLengthBelowMinimum()},
        ForeignCase{"HeaderLengthBeyondPacket", headerLengthBeyondPacket()},
        ForeignCase{"NotIcmp", notIcmp()}, ForeignCase{"IpVersion6", ipVersion6()},
        ForeignCase{"Empty", Bytes{}}, ForeignCase{"OnlyIpHeader", ip("198.18.2.20", "198.18.0.2", {})},
        ForeignCase{"ErrorAboutOtherSequence", errorAbout("198.18.2.20", icmp(8, 0, Id, Seq - 1, payload()))},
        ForeignCase{"ErrorAboutOtherIdentifier", errorAbout("198.18.2.20", icmp(8, 0, Id - 1, Seq, payload()))},
        ForeignCase{"ErrorAboutOtherTarget", errorAbout("198.18.2.21", ourRequest())},
        ForeignCase{"ErrorQuotingTooLittle", errorQuotingTooLittle()},
        ForeignCase{"RedirectAboutOurRequest",
                    ip("198.18.0.1", "198.18.0.2", icmp(5, 0, 0, 0, ip("198.18.0.2", "198.18.2.20", ourRequest())))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RawPacket, RouterReportAboutOurRequestIsAnAnswerFromTheRouter)
{
    const auto data = payload();
    for (int optionWords : {0, 2, 10}) {
        const auto answer = EchoReplyParser::parseRawPacket(errorAbout("198.18.2.20", ourRequest(), optionWords),
                                                            expectation(data));
        ASSERT_TRUE(answer) << optionWords;
        EXPECT_EQ(answer->source, address("198.18.0.1"));
        EXPECT_EQ(answer->status, 11013u);
        EXPECT_EQ(answer->dataSize, 0);
    }
}

TEST(RawPacket, RouterReportQuotingOnlyTheEchoHeaderIsEnough)
{
    auto request = ourRequest();
    request.resize(8);
    const auto data = payload();
    EXPECT_TRUE(EchoReplyParser::parseRawPacket(errorAbout("198.18.2.20", request), expectation(data)));
}

TEST(DatagramReply, KernelCheckedIdentifierIsNotCheckedAgain)
{
    const auto data = payload();
    auto e = expectation(data);
    e.checkIdentifier = false;
    const auto answer = EchoReplyParser::parseDatagramReply(icmp(0, 0, 999, Seq, data), address("198.18.2.20"), 60,
                                                            0, e);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->ttl, 60);
    EXPECT_EQ(answer->source, address("198.18.2.20"));
    EXPECT_FALSE(EchoReplyParser::parseDatagramReply(icmp(0, 0, 999, Seq + 1, data), 0, 60, 0, e));
    EXPECT_FALSE(EchoReplyParser::parseDatagramReply(Bytes{0, 0, 0}, 0, 60, 0, e));
}

TEST(QueuedError, MatchesTheQuotedSequence)
{
    const auto data = payload();
    auto e = expectation(data);
    e.checkIdentifier = false;
    const auto answer = EchoReplyParser::parseQueuedError(3, 0, address("198.18.0.1"), ourRequest(), e);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 11002u);
    EXPECT_EQ(answer->source, address("198.18.0.1"));
    EXPECT_FALSE(EchoReplyParser::parseQueuedError(3, 0, 0, icmp(8, 0, Id, Seq + 1, data), e));
    EXPECT_FALSE(EchoReplyParser::parseQueuedError(0, 0, 0, ourRequest(), e));
    EXPECT_FALSE(EchoReplyParser::parseQueuedError(11, 0, 0, Bytes{8, 0}, e));
}

}

namespace {

Ipv6Address address6(const char* text)
{
    Ipv6Address a{};
    inet_pton(AF_INET6, text, a.data());
    return a;
}

// An ICMPv6 message as either kind of IPv6 socket hands it over; the kernel
// checks its checksum, so it carries none.
Bytes icmp6(std::uint8_t type, std::uint8_t code, std::uint16_t id, std::uint16_t seq, const Bytes& body)
{
    Bytes m{type, code, 0, 0, std::uint8_t(id >> 8), std::uint8_t(id), std::uint8_t(seq >> 8), std::uint8_t(seq)};
    m.insert(m.end(), body.begin(), body.end());
    return m;
}

// A report quoting the IPv6 header of our request to `destination`, and
// the extension headers (starting with header `next`) that came before it.
Bytes report6(std::uint8_t type, std::uint8_t code, const char* destination, const Bytes& request,
              std::uint8_t next = 58, const Bytes& extensions = {})
{
    Bytes m{type, code, 0, 0, 0, 0, 0, 0};
    Bytes header(40, 0);
    header[0] = 0x60;
    header[6] = next;
    header.insert(header.end(), extensions.begin(), extensions.end());
    const auto d = address6(destination);
    std::copy(d.begin(), d.end(), header.begin() + 24);
    m.insert(m.end(), header.begin(), header.end());
    m.insert(m.end(), request.begin(), request.end());
    return m;
}

struct Icmp6Case {
    const char* name;
    Bytes message;
    std::optional<std::uint32_t> status;  // nothing: not about our echo
};

class Icmp6Message : public testing::TestWithParam<Icmp6Case> {};

TEST_P(Icmp6Message, IsOursWithItsStatusOrIgnored)
{
    const auto data = payload();
    EchoExpectation e = expectation(data);
    e.v6 = true;
    e.target6 = address6("2001:db8:2::20");
    ReceivedPacket packet;
    packet.origin = ReceivedPacket::Origin::Icmp6Message;
    packet.v6 = true;
    packet.bytes = GetParam().message;
    packet.source6 = address6("2001:db8::1");
    packet.ttl = 61;
    const auto answer = EchoReplyParser::parse(packet, e);
    ASSERT_EQ(answer.has_value(), GetParam().status.has_value());
    if (!answer)
        return;
    EXPECT_EQ(EchoReplyParser::sequenceOf(packet), Seq);
    EXPECT_EQ(answer->status, *GetParam().status);
    EXPECT_EQ(answer->source6, packet.source6);
    EXPECT_EQ(answer->ttl, 61);
    EXPECT_EQ(answer->dataSize, *GetParam().status == 0 ? data.size() : 0u);
}

const Bytes Request6 = icmp6(128, 0, Id, Seq, payload());

Bytes cutTo(Bytes bytes, std::size_t size)
{
    bytes.resize(size);
    return bytes;
}

// A fragment header at `offset` (in 8-byte units) with more to follow.
Bytes fragment(std::uint8_t next, std::uint16_t offset)
{
    return {next, 0, std::uint8_t(offset >> 5), std::uint8_t(offset << 3 | 1), 0x12, 0x34, 0x56, 0x78};
}

// Hop-by-hop options (8 bytes), a routing header without segments left (8
// bytes), destination options (16 bytes), then the first fragment.
Bytes optionsRoutingAndFirstFragment()
{
    Bytes chain{43, 0, 1, 4, 0, 0, 0, 0};
    chain.insert(chain.end(), {60, 0, 0, 0, 0, 0, 0, 0});
    chain.insert(chain.end(), {44, 1, 1, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const Bytes first = fragment(58, 0);
    chain.insert(chain.end(), first.begin(), first.end());
    return chain;
}

INSTANTIATE_TEST_SUITE_P(
    Messages, Icmp6Message,
    testing::Values(Icmp6Case{"Reply", icmp6(129, 0, Id, Seq, payload()), 0u},
                    Icmp6Case{"ReplyToAnotherSequence", icmp6(129, 0, Id, Seq + 1, payload()), std::nullopt},
                    Icmp6Case{"ReplyToAnotherIdentifier", icmp6(129, 0, Id + 1, Seq, payload()), std::nullopt},
                    Icmp6Case{"ReplyWithOtherData", icmp6(129, 0, Id, Seq, Bytes(32, 'x')), std::nullopt},
                    Icmp6Case{"Ipv4TypeReply", icmp6(0, 0, Id, Seq, payload()), std::nullopt},
                    Icmp6Case{"NoRoute", report6(1, 0, "2001:db8:2::20", Request6), 11002u},
                    Icmp6Case{"Prohibited", report6(1, 1, "2001:db8:2::20", Request6), 11003u},
                    Icmp6Case{"BeyondScope", report6(1, 2, "2001:db8:2::20", Request6), 11003u},
                    Icmp6Case{"AddressUnreachable", report6(1, 3, "2001:db8:2::20", Request6), 11003u},
                    Icmp6Case{"PortUnreachable", report6(1, 4, "2001:db8:2::20", Request6), 11005u},
                    Icmp6Case{"SourcePolicy", report6(1, 5, "2001:db8:2::20", Request6), 11003u},
                    Icmp6Case{"RejectRoute", report6(1, 6, "2001:db8:2::20", Request6), 11002u},
                    Icmp6Case{"PacketTooBig", report6(2, 0, "2001:db8:2::20", Request6), 11009u},
                    Icmp6Case{"HopLimitExceeded", report6(3, 0, "2001:db8:2::20", Request6), 11013u},
                    Icmp6Case{"ReassemblyTimeExceeded", report6(3, 1, "2001:db8:2::20", Request6), 11014u},
                    Icmp6Case{"ParameterProblem", report6(4, 0, "2001:db8:2::20", Request6), 11015u},
                    Icmp6Case{"ReportAboutAnotherDestination", report6(1, 0, "2001:db8:2::21", Request6), std::nullopt},
                    Icmp6Case{"ReportAboutAnotherSequence",
                              report6(1, 0, "2001:db8:2::20", icmp6(128, 0, Id, Seq + 1, payload())), std::nullopt},
                    Icmp6Case{"ReportCutShort", cutTo(report6(3, 0, "2001:db8:2::20", Request6), 47), std::nullopt},
                    Icmp6Case{"ReportQuotingAnIpv4Request",
                              report6(3, 0, "2001:db8:2::20", icmp6(8, 0, Id, Seq, payload())), std::nullopt},
                    Icmp6Case{"ReassemblyTimeExceededQuotingTheFirstFragment",
                              report6(3, 1, "2001:db8:2::20", Request6, 44, fragment(58, 0)), 11014u},
                    Icmp6Case{"HopLimitExceededQuotingExtensionHeaders",
                              report6(3, 0, "2001:db8:2::20", Request6, 0, optionsRoutingAndFirstFragment()), 11013u},
                    Icmp6Case{"ReportQuotingALaterFragment",
                              report6(1, 0, "2001:db8:2::20", Request6, 44, fragment(58, 185)), std::nullopt},
                    Icmp6Case{"ReportQuotingAnotherSequenceInAFragment",
                              report6(1, 0, "2001:db8:2::20", icmp6(128, 0, Id, Seq + 1, payload()), 44,
                                      fragment(58, 0)), std::nullopt},
                    Icmp6Case{"ReportCutInsideAnExtensionHeader",
                              cutTo(report6(3, 0, "2001:db8:2::20", Request6, 0, optionsRoutingAndFirstFragment()), 70),
                              std::nullopt},
                    Icmp6Case{"ReportQuotingAnotherProtocol",
                              report6(1, 0, "2001:db8:2::20", Request6, 44, fragment(17, 0)), std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}
