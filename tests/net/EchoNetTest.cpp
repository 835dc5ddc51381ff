#include "EchoRun.h"
#include "TestNet.h"

#include "ping/EchoExchange.h"

#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using Kind = IcmpSocket::Kind;

// Every echo test runs once on the datagram socket and once on the raw one:
// they receive answers and router reports along different kernel paths.
class EchoOnTestNet : public testing::TestWithParam<Kind> {
protected:
    void SetUp() override
    {
        setPingSocketsAllowed(GetParam() == Kind::Datagram);
        EchoExchange::forget();
        const auto exchange = EchoExchange::shared();
        ASSERT_TRUE(exchange);
        ASSERT_EQ(exchange->kind(), GetParam()) << "the engine did not pick the socket kind under test";
    }
    void TearDown() override
    {
        setPingSocketsAllowed(false);
        EchoExchange::forget();
    }
};

TEST_P(EchoOnTestNet, FastHostAnswersWithinAMillisecond)
{
    const auto o = runEcho({testnet::Fast, 45});
    EXPECT_EQ(o.replyCount, 1);
    EXPECT_EQ(o.replyAddress, testnet::Fast);
    EXPECT_EQ(o.hostIP, testnet::Fast);
    EXPECT_LE(o.roundTripTime, 0u + testnet::SanitizedRoundTripSlackMs);
    EXPECT_EQ(o.replyDataSize, 45);
    EXPECT_EQ(o.replyStatus, 0u);
    EXPECT_EQ(o.errorNumber, 0u);
    EXPECT_TRUE(o.errorText.isEmpty());
}

TEST_P(EchoOnTestNet, DelayedHostReportsItsDelayInWholeMilliseconds)
{
    for (int i = 0; i < 5; ++i) {
        const auto o = runEcho({testnet::DelayedName});
        ASSERT_EQ(o.replyCount, 1);
        EXPECT_GE(o.roundTripTime, 37u);
        EXPECT_LE(o.roundTripTime, 38u + testnet::SanitizedRoundTripSlackMs);
        EXPECT_EQ(o.hostIP, testnet::Delayed);
    }
}

TEST_P(EchoOnTestNet, SilentHostTimesOutAfterTheTimeOutAndNotBefore)
{
    const auto o = runEcho({testnet::Silent, 32, 1500});
    EXPECT_EQ(o.replyCount, 0);
    EXPECT_EQ(o.errorNumber, 11010u);
    EXPECT_EQ(o.errorText, "Request timed out");
    EXPECT_EQ(o.hostIP, testnet::Silent);
    EXPECT_TRUE(o.replyAddress.isEmpty());
    EXPECT_GE(o.elapsedMs, 1500);
    EXPECT_LT(o.elapsedMs, 1800);
}

TEST_P(EchoOnTestNet, AnswerFromAnotherAddressCountsWithThatAddress)
{
    const auto o = runEcho({testnet::OtherAddr});
    EXPECT_EQ(o.replyCount, 1);
    EXPECT_EQ(o.replyAddress, testnet::OtherReplyAddr);
    EXPECT_EQ(o.hostIP, testnet::OtherAddr);
}

// A report is a reply record with the reporter's address and status, and
// no data; the window tells it apart from an answer by its status.
TEST_P(EchoOnTestNet, ErrorReportsComeBackAsRepliesWithTheirStatus)
{
    struct Report {
        const char* host;
        const char* reporter;
        std::uint32_t status;
    };
    for (const Report& r : {Report{testnet::Unrouted, testnet::Router, 11002},
                            Report{testnet::Rejecting, testnet::Rejecting, 11005}}) {
        const auto o = runEcho({r.host});
        EXPECT_EQ(o.replyCount, 1) << r.host;
        EXPECT_EQ(o.replyAddress, r.reporter) << r.host;
        EXPECT_EQ(o.replyStatus, r.status) << r.host;
        EXPECT_EQ(o.replyDataSize, 0) << r.host;
        EXPECT_EQ(o.errorNumber, 0u) << r.host;
        EXPECT_TRUE(o.errorText.isEmpty()) << r.host;
    }
}

// A neighbour's ping flood puts its replies on every raw socket of the
// machine; none of our answers may be lost behind them.
TEST_P(EchoOnTestNet, NeighboursPingFloodCostsNoReply)
{
    PingFlood flood(testnet::Fast);
    for (int round = 0; round < 3; ++round) {
        const auto outcomes = runEchoes(std::vector<EchoInput>(10, EchoInput{testnet::Delayed, 56, 3000}));
        for (const auto& o : outcomes)
            EXPECT_EQ(o.replyCount, 1) << "round " << round << ": " << o.errorText.toStdString();
    }
    EXPECT_GT(flood.sent(), 1000);
}

TEST_P(EchoOnTestNet, RoutingLoopExpiresTheTtl)
{
    const auto o = runEcho({testnet::LoopTarget, 32, 2000, 32});
    EXPECT_EQ(o.replyCount, 1);
    EXPECT_EQ(o.replyStatus, 11013u);
    EXPECT_TRUE(o.replyAddress == testnet::Router || o.replyAddress == testnet::LoopPeer) << o.replyAddress.toStdString();
}

TEST_P(EchoOnTestNet, UnknownNameSendsNothing)
{
    const long before = icmpEchoesSent();
    const auto o = runEcho({testnet::UnknownName});
    EXPECT_EQ(o.replyCount, 0);
    EXPECT_EQ(o.errorNumber, 11018u);
    EXPECT_EQ(o.errorText, "Bad Destination");
    EXPECT_TRUE(o.hostIP.isEmpty());
    EXPECT_EQ(icmpEchoesSent(), before);
}

TEST_P(EchoOnTestNet, LookAlikePacketsAreNeverTakenForTheAnswer)
{
    for (const char* host : {testnet::WrongId, testnet::WrongSeq, testnet::Truncated}) {
        const auto o = runEcho({host, 32, 600});
        EXPECT_EQ(o.replyCount, 0) << host;
        EXPECT_EQ(o.errorNumber, 11010u) << host;
    }
    // The right answer comes only after the burst of look-alikes.
    const auto mixed = runEcho({testnet::Mixed});
    EXPECT_EQ(mixed.replyCount, 1);
    EXPECT_GE(mixed.roundTripTime, 20u);
    const auto duplicated = runEcho({testnet::Duplicated});
    EXPECT_EQ(duplicated.replyCount, 1);
}

TEST_P(EchoOnTestNet, BlanksAroundTheHostAreTrimmedForTheEchoOnly)
{
    const QString host = QString(" \t") + testnet::Echo + "  ";
    const auto o = runEcho({host});
    EXPECT_EQ(o.replyCount, 1);
    EXPECT_EQ(o.hostText, host);
    EXPECT_EQ(o.hostIP, testnet::Echo);
}

TEST_P(EchoOnTestNet, ReverseLookupNamesTheReplyOnlyWhenAsked)
{
    EXPECT_EQ(runEcho({testnet::Fast, 32, 2000, 32, true}).replyHostName, testnet::FastName);
    EXPECT_EQ(runEcho({testnet::Fast, 32, 2000, 32, false}).replyHostName, testnet::Fast);
    // The router's address has no name: the dotted text stays.
    EXPECT_EQ(runEcho({testnet::Unrouted, 32, 2000, 32, true}).replyHostName, testnet::Router);
}

// Fifty echoes at once, several to each host: every worker must get the
// answer to its own request, which the payload size (unique per worker) and
// the host's delay prove.
TEST_P(EchoOnTestNet, ConcurrentWorkersEachGetTheirOwnAnswer)
{
    const std::vector<std::pair<const char*, int>> hosts{
        {testnet::Fast, 0}, {testnet::Echo, 0}, {testnet::Delayed, 37},
        {testnet::Delayed200, 200}, {testnet::Mixed, 20}};
    std::vector<EchoInput> inputs;
    for (int i = 0; i < 50; ++i)
        inputs.push_back({hosts[static_cast<std::size_t>(i) % hosts.size()].first, 32 + i, 3000});
    const auto outcomes = runEchoes(inputs);
    for (int i = 0; i < 50; ++i) {
        const auto& o = outcomes[static_cast<std::size_t>(i)];
        const auto& [host, delay] = hosts[static_cast<std::size_t>(i) % hosts.size()];
        ASSERT_TRUE(o.done) << i;
        EXPECT_EQ(o.replyCount, 1) << i << " " << host;
        EXPECT_EQ(o.replyAddress, host) << i;
        EXPECT_EQ(o.replyDataSize, 32 + i) << i;
        EXPECT_GE(o.roundTripTime, static_cast<std::uint32_t>(delay)) << i << " " << host;
        EXPECT_LE(o.roundTripTime, static_cast<std::uint32_t>(delay + 15 + testnet::SanitizedRoundTripSlackMs))
            << i << " " << host;
    }
}

INSTANTIATE_TEST_SUITE_P(SocketKinds, EchoOnTestNet, testing::Values(Kind::Datagram, Kind::Raw),
                         [](const auto& info) { return info.param == Kind::Datagram ? "Datagram" : "Raw"; });

}
