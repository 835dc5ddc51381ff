#include "FakeEchoService.h"

#include "ping/Icmp.h"
#include "ping/names/Resolver.h"

#include <QStringList>

#include <net/if.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

struct ConstructionCase {
    const char* name;
    FakeEchoService::Fail fail;
    const char* message;
    Calls calls;
};

class IcmpConstructionFailure : public testing::TestWithParam<ConstructionCase> {};

TEST_P(IcmpConstructionFailure, RaisesItsMessageAndReleasesWhatWasAcquired)
{
    const auto& c = GetParam();
    FakeEchoService service(c.fail);
    try {
        TICMP client;
        FAIL() << "construction succeeded";
    } catch (const TICMPException& e) {
        EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(service.calls(), c.calls);
    EXPECT_EQ(service.balance(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, IcmpConstructionFailure,
    testing::Values(
        ConstructionCase{"SocketStartup", FakeEchoService::Fail::Startup, "Error initialising Winsock",
                         {"Startup 257", "Cleanup"}},
        ConstructionCase{"ServiceMissing", FakeEchoService::Fail::Load, "Unable to register icmp.dll",
                         {"Startup 257", "Load", "Cleanup"}},
        ConstructionCase{"EntryPoints", FakeEchoService::Fail::EntryPoints, "Error loading dll functions",
                         {"Startup 257", "Load", "HasEntryPoints", "Unload", "Cleanup"}},
        ConstructionCase{"Handle", FakeEchoService::Fail::Handle, "Unable to get ping handle",
                         {"Startup 257", "Load", "HasEntryPoints", "CreateFile", "Unload", "Cleanup"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IcmpClient, ClosesHandleUnloadsAndCleansUpInThatOrder)
{
    FakeEchoService service;
    { TICMP client; }
    EXPECT_EQ(service.calls(), (Calls{"Startup 257", "Load", "HasEntryPoints", "CreateFile", "CloseHandle 100",
                                      "Unload", "Cleanup"}));
    EXPECT_EQ(service.balance(), 0);
}

TEST(IcmpClient, StartsWithDocumentedDefaults)
{
    FakeEchoService service;
    TICMP client;
    EXPECT_EQ(client.PayloadSize, 56);
    EXPECT_EQ(client.TimeOut, 4000);
    EXPECT_EQ(client.Ttl, 64);
    EXPECT_EQ(client.IpFlags, 0);
    EXPECT_EQ(client.TargetAddr, 0u);
    EXPECT_FALSE(client.Resolved);
}

struct PayloadCase {
    int size;
    std::string bytes;
};

class IcmpRequestPayload : public testing::TestWithParam<PayloadCase> {};

TEST_P(IcmpRequestPayload, IsTheFixedTextCutOrPaddedWithSpaces)
{
    FakeEchoService service;
    TICMP client;
    client.PayloadSize = GetParam().size;
    client.SetHostAddress("10.0.0.1");
    ASSERT_EQ(client.SendEcho(), 1);
    const auto echoes = service.echoes();
    ASSERT_EQ(echoes.size(), 1u);
    EXPECT_EQ(std::string(echoes[0].request.begin(), echoes[0].request.end()), GetParam().bytes);
    EXPECT_EQ(echoes[0].replySize, static_cast<std::uint32_t>(GetParam().size) + 28);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, IcmpRequestPayload,
    testing::Values(PayloadCase{0, ""}, PayloadCase{32, "Echo request sent by the host mo"},
                    PayloadCase{45, "Echo request sent by the host monitor; filler"},
                    PayloadCase{56, "Echo request sent by the host monitor; filler           "}),
    [](const auto& info) { return "Size" + std::to_string(info.param.size); });

TEST(IcmpClient, SendsLowBytesOfTtlAndFlagsAndTheTimeOut)
{
    FakeEchoService service;
    TICMP client;
    client.Ttl = 300;
    client.IpFlags = 0x102;
    client.TimeOut = 5000;
    client.SetHostAddress("10.0.0.1");
    client.SendEcho();
    const auto sent = service.echoes().at(0);
    EXPECT_EQ(sent.options.Ttl, 44);
    EXPECT_EQ(sent.options.Flags, 0x02);
    EXPECT_EQ(sent.options.Tos, 0);
    EXPECT_EQ(sent.options.OptionsSize, 0);
    EXPECT_EQ(sent.timeoutMs, 5000u);
    EXPECT_EQ(sent.destination, 0x0100000Au);
}

TEST(IcmpClient, NegativePayloadSendsNothingAndReportsBadRequest)
{
    FakeEchoService service;
    TICMP client;
    client.PayloadSize = -1;
    client.SetHostAddress("10.0.0.1");
    EXPECT_EQ(client.SendEcho(), 0);
    EXPECT_EQ(client.LastError, 11011u);
    EXPECT_EQ(client.StatusText(), "Bad request");
    EXPECT_TRUE(service.echoes().empty());
}

TEST(IcmpClient, DottedAddressNeedsNoLookup)
{
    FakeEchoService service;
    TICMP client;
    client.SetHostAddress("10.0.0.1");
    client.ResolveHost();
    EXPECT_TRUE(client.Resolved);
    EXPECT_EQ(client.HostName, "10.0.0.1");
    EXPECT_EQ(client.HostIP, "10.0.0.1");
    EXPECT_EQ(client.TargetAddr, 0x0100000Au);
}

TEST(IcmpClient, SameHostTextKeepsResolutionAndNewTextDropsIt)
{
    FakeEchoService service;
    TICMP client;
    client.SetHostAddress("10.0.0.1");
    client.ResolveHost();
    client.SetHostAddress("10.0.0.1");
    EXPECT_TRUE(client.Resolved);
    client.SetHostAddress("10.0.0.2");
    EXPECT_FALSE(client.Resolved);
    client.SendEcho();
    EXPECT_EQ(client.HostIP, "10.0.0.2");
    EXPECT_EQ(service.echoes().at(0).destination, 0x0200000Au);
}

TEST(IcmpClient, UnresolvableHostSendsNothingAndSaysBadDestination)
{
    FakeEchoService service;
    TICMP client;
    QStringList notices;
    client.OnNotice = [&](TICMP*, const QString& text) { notices << text; };
    // Neither text reaches a resolver that could ask the network: the empty
    // one is refused at once, the one with a NUL would be cut short by it.
    for (const QString& host : {QString(), QString("10.0.0.1") + QChar(0) + "junk"}) {
        client.SetHostAddress(host);
        EXPECT_EQ(client.SendEcho(), 0);
        EXPECT_EQ(client.LastError, 11018u);
        EXPECT_EQ(client.StatusText(), "Bad Destination");
        EXPECT_EQ(client.TargetAddr, 0xFFFFFFFFu);
        EXPECT_FALSE(client.Resolved);
    }
    EXPECT_TRUE(service.echoes().empty());
    EXPECT_EQ(notices.back(), "Invalid host address");
    EXPECT_TRUE(notices.first().startsWith("Unable to resolve "));
}

TEST(IcmpClient, CallsItsSendCallbacksAroundTheEcho)
{
    FakeEchoService service(FakeEchoService::Fail::Nothing, FakeEchoService::Answer::Silence);
    TICMP client;
    std::vector<std::string> order;
    client.OnBeforeSend = [&](TICMP*) { order.push_back("before " + std::to_string(service.echoes().size())); };
    client.OnAfterSend = [&](TICMP*, std::int32_t count) { order.push_back("after " + std::to_string(count)); };
    client.SetHostAddress("10.0.0.1");
    EXPECT_EQ(client.SendEcho(), 0);
    EXPECT_EQ(order, (std::vector<std::string>{"before 0", "after 0"}));
    EXPECT_EQ(client.LastError, 11010u);
    EXPECT_EQ(client.LastReply.Address, 0u);
}

}

// Address texts choose the family without asking any name server; a family
// that was ruled out makes the address unusable.
struct FamilyCase {
    const char* host;
    int family;
    const char* hostIP;  // empty: Bad Destination
    std::uint32_t scope = 0;  // the interface an IPv6 echo is sent on
};

const std::uint32_t Loopback = if_nametoindex("lo");

class IcmpAddressFamily : public testing::TestWithParam<FamilyCase> {};

TEST_P(IcmpAddressFamily, FollowsTheAddressText)
{
    FakeEchoService service;
    TICMP client;
    client.AddressFamily = GetParam().family;
    client.SetHostAddress(GetParam().host);
    const bool usable = *GetParam().hostIP != '\0';
    EXPECT_EQ(client.SendEcho(), usable ? 1 : 0);
    if (!usable) {
        EXPECT_EQ(client.LastError, 11018u);
        EXPECT_TRUE(service.echoes().empty());
        return;
    }
    EXPECT_EQ(client.HostIP, GetParam().hostIP);
    const bool v6 = QString(GetParam().hostIP).contains(':');
    EXPECT_EQ(client.TargetIsIpv6, v6);
    const auto sent = service.echoes().at(0);
    EXPECT_EQ(Resolver::text6(sent.destination6) == GetParam().hostIP, v6);
    EXPECT_EQ(sent.scope6, GetParam().scope);
    EXPECT_EQ(v6 ? Resolver::text6(client.LastReply6.Address) : Resolver::dottedText(client.LastReply.Address),
              v6 ? GetParam().hostIP : "10.0.0.1");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IcmpAddressFamily,
    testing::Values(FamilyCase{"10.0.0.1", 0, "10.0.0.1"}, FamilyCase{"2001:db8::7", 0, "2001:db8::7"},
                    FamilyCase{"2001:0DB8:0:0::0007", 0, "2001:db8::7"}, FamilyCase{"::1", 0, "::1"},
                    FamilyCase{"::ffff:10.0.0.1", 0, "10.0.0.1"}, FamilyCase{"::ffff:10.0.0.1", 4, "10.0.0.1"},
                    FamilyCase{"::ffff:10.0.0.1", 6, ""}, FamilyCase{"2001:db8::7", 6, "2001:db8::7"},
                    FamilyCase{"2001:db8::7", 4, ""}, FamilyCase{"10.0.0.1", 6, ""},
                    FamilyCase{"10.0.0.1", 4, "10.0.0.1"}, FamilyCase{"198.18.100.255", 0, "198.18.100.255"},
                    FamilyCase{"10.1", 0, "10.0.0.1"}, FamilyCase{"0x0A.0.0.99", 4, "10.0.0.99"},
                    FamilyCase{"fe80::1%lo", 0, "fe80::1", Loopback}, FamilyCase{"::1%lo", 6, "::1", Loopback},
                    FamilyCase{"fe80::1%7", 0, "fe80::1", 7}, FamilyCase{"fe80::1%nosuchif0", 0, ""},
                    FamilyCase{"fe80::1%", 0, ""}));
