#include "EchoRun.h"
#include "TestNet.h"

#include "ping/socket/EchoExchange.h"

#include <QSet>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>

namespace {

using Kind = IcmpSocket::Kind;

// The hosts that both families have, each under its own addresses.
struct Hosts {
    const char* family;
    bool v6;
    const char *Router, *Fast, *FastName, *Rejecting, *Echo, *Delayed, *DelayedName, *Delayed200, *Silent,
        *OtherAddr, *OtherReplyAddr, *Unrouted, *LoopTarget, *LoopPeer, *LoopRouter;
};

const Hosts V4{"Ipv4", false, testnet::Router, testnet::Fast, testnet::FastName, testnet::Rejecting,
               testnet::Echo, testnet::Delayed, testnet::DelayedName, testnet::Delayed200, testnet::Silent,
               testnet::OtherAddr, testnet::OtherReplyAddr, testnet::Unrouted, testnet::LoopTarget,
               testnet::LoopPeer, testnet::Router};
const Hosts V6{"Ipv6", true, testnet::v6::Router, testnet::v6::Fast, testnet::v6::FastName, testnet::v6::Rejecting,
               testnet::v6::Echo, testnet::v6::Delayed, testnet::v6::DelayedName, testnet::v6::Delayed200,
               testnet::v6::Silent, testnet::v6::OtherAddr, testnet::v6::OtherReplyAddr, testnet::v6::Unrouted,
               testnet::v6::LoopTarget, testnet::v6::LoopPeer, testnet::v6::LoopRouter};

// Every echo test runs on the datagram socket and through the ICMP helper,
// which receive answers and router reports along different kernel paths,
// and over both IPv4 and IPv6. Run as root, the test opens or closes the
// ping sockets itself; run unprivileged (network-echo-helper), it finds them
// closed and a helper with the raw-socket capability.
class EchoOnTestNet : public testing::TestWithParam<std::tuple<Kind, const Hosts*>> {
protected:
    void SetUp() override
    {
        if (geteuid() == 0)
            setPingSocketsAllowed(kind() == Kind::Datagram);
        else if (kind() == Kind::Datagram)
            GTEST_SKIP() << "the datagram socket's run is root's";
        EchoExchange::forget();
        const auto exchange = EchoExchange::shared(net.v6);
        ASSERT_TRUE(exchange);
        ASSERT_EQ(exchange->kind(), kind()) << "the engine did not pick the socket kind under test";
    }
    void TearDown() override
    {
        if (geteuid() == 0)
            setPingSocketsAllowed(false);
        EchoExchange::forget();
    }
    Kind kind() const { return std::get<0>(GetParam()); }

    const Hosts& net = *std::get<1>(GetParam());
};

TEST_P(EchoOnTestNet, FastHostAnswersWithinAMillisecond)
{
    const auto o = runEcho({net.Fast, 45});
    EXPECT_EQ(o.replyCount, 1);
    EXPECT_EQ(o.replyAddress, net.Fast);
    EXPECT_EQ(o.hostIP, net.Fast);
    EXPECT_LE(o.roundTripTime, 0u + testnet::SanitizedRoundTripSlackMs);
    EXPECT_EQ(o.replyDataSize, 45);
    EXPECT_EQ(o.replyStatus, 0u);
    EXPECT_EQ(o.errorNumber, 0u);
    EXPECT_TRUE(o.errorText.isEmpty());
}

TEST_P(EchoOnTestNet, DelayedHostReportsItsDelayInWholeMilliseconds)
{
    for (int i = 0; i < 5; ++i) {
        const auto o = runEcho({net.DelayedName});
        ASSERT_EQ(o.replyCount, 1);
        EXPECT_GE(o.roundTripTime, 37u);
        EXPECT_LE(o.roundTripTime, 38u + testnet::SanitizedRoundTripSlackMs);
        EXPECT_EQ(o.hostIP, net.Delayed);
    }
}

TEST_P(EchoOnTestNet, SilentHostTimesOutAfterTheTimeOutAndNotBefore)
{
    const auto o = runEcho({net.Silent, 32, 1500});
    EXPECT_EQ(o.replyCount, 0);
    EXPECT_EQ(o.errorNumber, 11010u);
    EXPECT_EQ(o.errorText, "Request timed out");
    EXPECT_EQ(o.hostIP, net.Silent);
    EXPECT_TRUE(o.replyAddress.isEmpty());
    EXPECT_GE(o.elapsedMs, 1500);
    EXPECT_LT(o.elapsedMs, 1800);
}

TEST_P(EchoOnTestNet, AnswerFromAnotherAddressCountsWithThatAddress)
{
    const auto o = runEcho({net.OtherAddr});
    EXPECT_EQ(o.replyCount, 1);
    EXPECT_EQ(o.replyAddress, net.OtherReplyAddr);
    EXPECT_EQ(o.hostIP, net.OtherAddr);
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
    for (const Report& r : {Report{net.Unrouted, net.Router, 11002},
                            Report{net.Rejecting, net.Rejecting, 11005}}) {
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
// machine, the helper's too; none of our answers may be lost behind them.
TEST_P(EchoOnTestNet, NeighboursPingFloodCostsNoReply)
{
    PingFlood flood(net.Fast);
    // A loaded machine sends the flood slower: rounds go on until it has
    // put a thousand requests out, not for a fixed time.
    for (int round = 0; round < 3 || (flood.sent() <= 1000 && round < 30); ++round) {
        const auto outcomes = runEchoes(std::vector<EchoInput>(10, EchoInput{net.Delayed, 56, 3000}));
        for (const auto& o : outcomes)
            EXPECT_EQ(o.replyCount, 1) << "round " << round << ": " << o.errorText.toStdString();
    }
    EXPECT_GT(flood.sent(), 1000);
}

// A 2000-byte echo leaves a 1500-byte link in fragments: the report then
// quotes the first fragment, behind an IPv6 fragment header.
TEST_P(EchoOnTestNet, RoutingLoopExpiresTheTtl)
{
    for (const int payloadSize : {32, 2000}) {
        const auto o = runEcho({net.LoopTarget, payloadSize, 2000, 32});
        EXPECT_EQ(o.replyCount, 1) << payloadSize;
        EXPECT_EQ(o.replyStatus, 11013u) << payloadSize;
        EXPECT_TRUE(o.replyAddress == net.LoopRouter || o.replyAddress == net.LoopPeer) << o.replyAddress.toStdString();
    }
}

TEST_P(EchoOnTestNet, BlanksAroundTheHostAreTrimmedForTheEchoOnly)
{
    const QString host = QString(" \t") + net.Echo + "  ";
    const auto o = runEcho({host});
    EXPECT_EQ(o.replyCount, 1);
    EXPECT_EQ(o.hostText, host);
    EXPECT_EQ(o.hostIP, net.Echo);
}

TEST_P(EchoOnTestNet, ReverseLookupNamesTheReplyOnlyWhenAsked)
{
    EXPECT_EQ(runEcho({net.Fast, 32, 2000, 32, true}).replyHostName, net.FastName);
    EXPECT_EQ(runEcho({net.Fast, 32, 2000, 32, false}).replyHostName, net.Fast);
    // The router's address has no name: the dotted text stays.
    EXPECT_EQ(runEcho({net.Unrouted, 32, 2000, 32, true}).replyHostName, net.Router);
}

// Fifty echoes at once, several to each host: every worker must get the
// answer to its own request, which the payload size (unique per worker) and
// the host's delay prove.
TEST_P(EchoOnTestNet, ConcurrentWorkersEachGetTheirOwnAnswer)
{
    const std::vector<std::pair<const char*, int>> hosts{
        {net.Fast, 0}, {net.Echo, 0}, {net.Delayed, 37},
        {net.Delayed200, 200}, {net.v6 ? net.Echo : testnet::Mixed, net.v6 ? 0 : 20}};
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

// Reports about some hosts while others answer, as a user's list has them:
// each report fails only the echo it quotes. On a datagram socket every
// report also leaves an error pending on the shared socket, which must not
// fail the next send, whichever host it is for.
TEST_P(EchoOnTestNet, ReportsFailOnlyTheEchoTheyQuote)
{
    const QString unrouted = QString(net.Unrouted).chopped(1);
    struct Host {
        QString text;
        std::uint32_t status;  // of the reply record
    };
    std::vector<Host> hosts;
    for (int i = 1; i <= 4; ++i)
        hosts.push_back({unrouted + QString::number(i), 11002});
    hosts.push_back({net.LoopTarget, 11013});
    for (const char* answering : {net.Fast, net.FastName, net.Echo, net.Delayed, net.DelayedName})
        hosts.push_back({answering, 0});
    for (int round = 0; round < 8; ++round) {
        std::vector<EchoInput> inputs;
        for (const Host& h : hosts)
            inputs.push_back({h.text, 32, 3000, 32});
        const auto outcomes = runEchoes(inputs);
        for (std::size_t i = 0; i < hosts.size(); ++i) {
            EXPECT_EQ(outcomes[i].replyCount, 1) << "round " << round << ": " << hosts[i].text.toStdString() << " "
                                                 << outcomes[i].errorText.toStdString();
            EXPECT_EQ(outcomes[i].replyStatus, hosts[i].status)
                << "round " << round << ": " << hosts[i].text.toStdString();
        }
    }
}

// Hosts that only the IPv4 test network has.
class EchoOnIpv4TestNet : public EchoOnTestNet {};

TEST_P(EchoOnIpv4TestNet, UnknownNameSendsNothing)
{
    const long before = icmpEchoesSent();
    const auto o = runEcho({testnet::UnknownName});
    EXPECT_EQ(o.replyCount, 0);
    EXPECT_EQ(o.errorNumber, 11018u);
    EXPECT_EQ(o.errorText, "Bad Destination");
    EXPECT_TRUE(o.hostIP.isEmpty());
    EXPECT_EQ(icmpEchoesSent(), before);
}

TEST_P(EchoOnIpv4TestNet, LookAlikePacketsAreNeverTakenForTheAnswer)
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

// A report that comes with or after the answer changes nothing: the first
// message the kernel received stands, whichever queue it waited in. A
// source quench is no answer: the echo waits on for the reply.
TEST_P(EchoOnIpv4TestNet, TheFirstAnswerStandsAndSourceQuenchWaitsForTheReply)
{
    const auto outcomes = runEchoes(std::vector<EchoInput>(20, EchoInput{testnet::ReplyThenReport}));
    for (const auto& o : outcomes) {
        EXPECT_EQ(o.replyCount, 1);
        EXPECT_EQ(o.replyStatus, 0u);
        EXPECT_EQ(o.replyDataSize, 32);
    }
    const auto quenched = runEcho({testnet::QuenchThenReply});
    EXPECT_EQ(quenched.replyCount, 1);
    EXPECT_EQ(quenched.replyStatus, 0u);
    EXPECT_GE(quenched.roundTripTime, 20u);
}

std::string testName(const testing::TestParamInfo<std::tuple<Kind, const Hosts*>>& info)
{
    return std::string(std::get<1>(info.param)->family)
        + (std::get<0>(info.param) == Kind::Datagram ? "Datagram" : "Helper");
}

INSTANTIATE_TEST_SUITE_P(SocketKinds, EchoOnTestNet,
                         testing::Combine(testing::Values(Kind::Datagram, Kind::Helper), testing::Values(&V4, &V6)),
                         testName);
INSTANTIATE_TEST_SUITE_P(SocketKinds, EchoOnIpv4TestNet,
                         testing::Combine(testing::Values(Kind::Datagram, Kind::Helper), testing::Values(&V4)), testName);

}
