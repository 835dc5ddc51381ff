#include "ping/Icmp.h"
#include "ping/socket/EchoReplyParser.h"

#include <gtest/gtest.h>

namespace {

struct StatusCase {
    std::uint32_t code;
    const char* text;
};

class StatusText : public testing::TestWithParam<StatusCase> {};

TEST_P(StatusText, NamesTheCode)
{
    EXPECT_EQ(TICMP::StatusText(GetParam().code).toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StatusText,
    testing::Values(StatusCase{0, "No error"}, StatusCase{11001, "Buffer too small"},
                    StatusCase{11010, "Request timed out"}, StatusCase{11013, "TTL expired in transit"},
                    StatusCase{11018, "Bad Destination"}, StatusCase{11020, "Spec MTU change"},
                    StatusCase{11021, "MTU change"}, StatusCase{11050, "General failure"},
                    StatusCase{11255, "Pending"}, StatusCase{11022, "ICMP error #11022"},
                    StatusCase{11000, "ICMP error #11000"}, StatusCase{4294967295u, "ICMP error #4294967295"}),
    [](const auto& info) { return "Code" + std::to_string(info.param.code); });

struct IcmpErrorCase {
    std::uint8_t type;
    std::uint8_t code;
    std::uint32_t status;
};

class IcmpErrorStatus : public testing::TestWithParam<IcmpErrorCase> {};

TEST_P(IcmpErrorStatus, MapsRouterReportsToEchoStatus)
{
    EXPECT_EQ(EchoReplyParser::statusForIcmpError(GetParam().type, GetParam().code), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, IcmpErrorStatus,
    testing::Values(IcmpErrorCase{3, 0, 11002}, IcmpErrorCase{3, 1, 11003}, IcmpErrorCase{3, 2, 11004},
                    IcmpErrorCase{3, 3, 11005}, IcmpErrorCase{3, 4, 11009}, IcmpErrorCase{3, 5, 11012},
                    IcmpErrorCase{3, 6, 11002}, IcmpErrorCase{3, 9, 11002}, IcmpErrorCase{3, 11, 11002},
                    IcmpErrorCase{3, 7, 11003}, IcmpErrorCase{3, 8, 11003}, IcmpErrorCase{3, 10, 11003},
                    IcmpErrorCase{3, 12, 11003}, IcmpErrorCase{3, 15, 11003}, IcmpErrorCase{11, 0, 11013},
                    IcmpErrorCase{11, 1, 11014}, IcmpErrorCase{12, 0, 11015}, IcmpErrorCase{4, 0, 11016}),
    [](const auto& info) {
        return "Type" + std::to_string(info.param.type) + "Code" + std::to_string(info.param.code);
    });

}
