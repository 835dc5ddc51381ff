#include "icmp/EchoRate.h"
#include "icmp/HelperProtocol.h"
#include "icmp/HelperRequest.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <vector>

namespace {

using namespace HelperProtocol;

constexpr std::uint16_t Identifier = 0x1234;

std::vector<std::uint8_t> echoTo(const char* address, std::size_t payload = 32)
{
    std::vector<std::uint8_t> m(RequestHeaderSize + payload, 0xA5);
    std::fill_n(m.begin(), RequestHeaderSize, 0);
    const bool v6 = inet_pton(AF_INET6, address, m.data() + 16) == 1;
    if (!v6)
        inet_pton(AF_INET, address, m.data() + 16);
    m[0] = RequestEcho;
    m[1] = v6 ? 6 : 4;
    m[2] = v6 ? 128 : 8;
    m[4] = 64;
    write16(m, 8, Identifier);
    write16(m, 10, 0xBEEF);
    return m;
}

struct RequestCase {
    const char* name;
    const char* address;
    std::function<void(std::vector<std::uint8_t>&)> change;
    int refusal;  // 0: sent
};

void PrintTo(const RequestCase& c, std::ostream* out)
{
    *out << c.name;
}

const auto keep = [](std::vector<std::uint8_t>&) {};

class HelperRequests : public testing::TestWithParam<RequestCase> {};

// Whoever started the helper may send it anything; only a well-formed echo
// request to one host, with the helper's own identifier, is sent.
TEST_P(HelperRequests, OnlyAWellFormedEchoToOneHostIsSent)
{
    const RequestCase& c = GetParam();
    auto message = echoTo(c.address);
    c.change(message);
    const auto request = readHelperRequest(message, RequestRules{Identifier});
    EXPECT_EQ(request.refusal, c.refusal);
    if (c.refusal == 0 && message.size() >= RequestHeaderSize) {
        EXPECT_EQ(request.sequence, 0xBEEF);
        EXPECT_EQ(request.payload.size(), message.size() - RequestHeaderSize);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, HelperRequests,
    testing::Values(
        RequestCase{"EchoToAHost", "198.18.1.2", keep, 0},
        RequestCase{"Echo6ToAHost", "2001:db8:1::2", keep, 0},
        RequestCase{"LargestPayload", "198.18.1.2", [](auto& m) { m.resize(RequestHeaderSize + MaxPayload); }, 0},
        RequestCase{"Empty", "198.18.1.2", [](auto& m) { m.clear(); }, EINVAL},
        RequestCase{"ShorterThanItsHeader", "198.18.1.2", [](auto& m) { m.resize(RequestHeaderSize - 1); }, EINVAL},
        RequestCase{"OtherKind", "198.18.1.2", [](auto& m) { m[0] = AnswerPacket; }, EINVAL},
        RequestCase{"UnknownFamily", "198.18.1.2", [](auto& m) { m[1] = 5; }, EINVAL},
        RequestCase{"TimestampRequest", "198.18.1.2", [](auto& m) { m[2] = 13; }, EINVAL},
        RequestCase{"EchoReply", "198.18.1.2", [](auto& m) { m[2] = 0; }, EINVAL},
        RequestCase{"Ipv4TypeOnIpv6", "2001:db8:1::2", [](auto& m) { m[2] = 8; }, EINVAL},
        RequestCase{"Redirect", "198.18.1.2", [](auto& m) { m[2] = 5; }, EINVAL},
        RequestCase{"NonZeroCode", "198.18.1.2", [](auto& m) { m[3] = 1; }, EINVAL},
        RequestCase{"UnknownFlag", "198.18.1.2", [](auto& m) { m[6] = 0x80; }, EINVAL},
        RequestCase{"ReservedByteSet", "198.18.1.2", [](auto& m) { m[7] = 1; }, EINVAL},
        RequestCase{"AnotherIdentifier", "198.18.1.2", [](auto& m) { write16(m, 8, Identifier + 1); }, EINVAL},
        RequestCase{"Ipv4WithScope", "198.18.1.2", [](auto& m) { write32(m, 12, 2); }, EINVAL},
        RequestCase{"Ipv4WithTrailingAddressBytes", "198.18.1.2", [](auto& m) { m[31] = 1; }, EINVAL},
        RequestCase{"PayloadAboveTheLargest", "198.18.1.2",
                    [](auto& m) { m.resize(RequestHeaderSize + MaxPayload + 1); }, EMSGSIZE},
        RequestCase{"TtlZero", "198.18.1.2", [](auto& m) { m[4] = 0; }, EINVAL},
        RequestCase{"LimitedBroadcast", "255.255.255.255", keep, EACCES},
        RequestCase{"Multicast", "224.0.0.1", keep, EACCES},
        RequestCase{"ReservedClass", "240.0.0.1", keep, EACCES},
        RequestCase{"Ipv6Multicast", "ff02::1", keep, EACCES},
        RequestCase{"Ipv6Loopback", "::1", keep, 0},
        RequestCase{"Ipv6Unspecified", "::", keep, EACCES},
        RequestCase{"Ipv4MappedBroadcast", "::ffff:255.255.255.255", keep, EACCES},
        RequestCase{"Ipv4MappedMulticast", "::ffff:224.0.0.1", keep, EACCES},
        RequestCase{"Ipv4MappedHost", "::ffff:198.18.1.2", keep, EACCES},
        RequestCase{"Ipv4CompatibleHost", "::198.18.1.2", keep, EACCES}),
    [](const auto& info) { return std::string(info.param.name); });

// No more than a user's own ping may send: a hundred in any one second.
TEST(HelperRequestRate, TheHundredAndFirstEchoWithinASecondIsRefused)
{
    EchoRate rate;
    const auto start = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
    const RequestRules rules{Identifier};
    const auto message = echoTo("198.18.1.2");
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(admitHelperRequest(message, rules, rate, start + std::chrono::milliseconds(i)).refusal, 0) << i;
    EXPECT_EQ(admitHelperRequest(message, rules, rate, start + std::chrono::milliseconds(999)).refusal, EAGAIN);
    // A refused request is no echo: the first one's second has passed.
    EXPECT_EQ(admitHelperRequest(message, rules, rate, start + std::chrono::milliseconds(1000)).refusal, 0);
    EXPECT_EQ(admitHelperRequest(message, rules, rate, start + std::chrono::milliseconds(1000)).refusal, EAGAIN);
    // A refused request of another kind does not count either.
    auto other = message;
    other[2] = 13;
    EXPECT_EQ(admitHelperRequest(other, rules, rate, start + std::chrono::milliseconds(1001)).refusal, EINVAL);
    EXPECT_EQ(admitHelperRequest(message, rules, rate, start + std::chrono::milliseconds(1001)).refusal, 0);
}

}
