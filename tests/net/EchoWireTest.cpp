#include "EchoRun.h"
#include "HostLogs.h"
#include "TestNet.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testnet::requestsTo;

std::string text(const std::vector<std::uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

struct WireCase {
    int size;
    std::string payload;
};

class RequestOnTheWire : public testing::TestWithParam<WireCase> {};

TEST_P(RequestOnTheWire, CarriesTheFixedTextCutOrPadded)
{
    const auto skip = testnet::ResponderLog::read().size();
    ASSERT_EQ(runEcho({testnet::Echo, GetParam().size}).replyCount, 1);
    const auto requests = requestsTo(testnet::Echo, skip);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(text(requests[0].payload), GetParam().payload);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, RequestOnTheWire,
    testing::Values(WireCase{32, "Echo request sent by the host mo"},
                    WireCase{45, "Echo request sent by the host monitor; filler"},
                    WireCase{56, "Echo request sent by the host monitor; filler           "}),
    [](const auto& info) { return "Size" + std::to_string(info.param.size); });

TEST(RequestOnTheWire, TtlTravelsAsItsLowByte)
{
    const auto skip = testnet::ResponderLog::read().size();
    ASSERT_EQ(runEcho({testnet::Echo, 32, 2000, 300}).replyCount, 1);
    ASSERT_EQ(runEcho({testnet::Echo, 32, 2000, 32}).replyCount, 1);
    const auto requests = requestsTo(testnet::Echo, skip);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].ttl, 43);  // 300 & 0xFF = 44, less the router's hop
    EXPECT_EQ(requests[1].ttl, 31);
}

TEST(RequestOnTheWire, OneRequestPerEcho)
{
    const auto skip = testnet::ResponderLog::read().size();
    std::vector<EchoInput> inputs(20, EchoInput{testnet::Delayed});
    for (const auto& o : runEchoes(inputs))
        EXPECT_EQ(o.replyCount, 1);
    EXPECT_EQ(requestsTo(testnet::Delayed, skip).size(), 20u);
}

}
