#include "ping/EchoCommand.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

// One command line of quorvane-echo: the host and time-out it gives, or a
// text that its one-line usage error must hold.
struct CommandLineRow {
    const char* name;
    QStringList arguments;
    QString host;
    std::int32_t timeOut;
    QString error;

    friend void PrintTo(const CommandLineRow& row, std::ostream* out) { *out << row.name; }
};

class EchoCommandLine : public testing::TestWithParam<CommandLineRow> {};

TEST_P(EchoCommandLine, GivesTheHostOrNamesWhatIsWrong)
{
    const CommandLineRow& row = GetParam();
    const EchoCommand::Options options = EchoCommand::parse(row.arguments);
    if (row.error.isEmpty()) {
        ASSERT_EQ(options.request, EchoCommand::Request::Echo) << options.error.toStdString();
        EXPECT_EQ(options.host, row.host);
        EXPECT_EQ(options.timeOut, row.timeOut);
        return;
    }
    ASSERT_EQ(options.request, EchoCommand::Request::Error);
    EXPECT_TRUE(options.error.startsWith("quorvane-echo: ")) << options.error.toStdString();
    EXPECT_TRUE(options.error.contains(row.error)) << options.error.toStdString();
    EXPECT_FALSE(options.error.contains('\n'));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EchoCommandLine,
    testing::Values(
        CommandLineRow{"EndOfOptions", {"--", "127.0.0.1"}, "127.0.0.1", 0, ""},
        CommandLineRow{"TimeOutThenEndOfOptions", {"-w", "1000", "--", "127.0.0.1"}, "127.0.0.1", 1000, ""},
        CommandLineRow{"PayloadThenEndOfOptionsIpv6", {"-s", "32", "--", "::1"}, "::1", 0, ""},
        CommandLineRow{"HostThatLooksLikeAnOption", {"-w", "5", "--", "-r"}, "-r", 5, ""},
        CommandLineRow{"UnknownOptionIsNamed", {"127.0.0.1", "--bogus"}, "", 0, "unknown option --bogus"},
        CommandLineRow{"NegativeTimeOut", {"-w", "-1", "127.0.0.1"}, "", 0, "time-out may not be negative"},
        CommandLineRow{"MissingValue", {"127.0.0.1", "-w"}, "", 0, "option -w needs a value"},
        CommandLineRow{"NoHost", {"-s", "32", "--"}, "", 0, "no HOST given"},
        CommandLineRow{"TwoHosts", {"127.0.0.1", "--", "::1"}, "", 0, "one HOST only"},
        CommandLineRow{"SameFamilyTwice", {"-6", "-6", "::1"}, "::1", 0, ""},
        CommandLineRow{"BothFamilies", {"-4", "-6", "127.0.0.1"}, "", 0, "-4 and -6 exclude each other"},
        CommandLineRow{"LargestPayload", {"-s", "65535", "127.0.0.1"}, "127.0.0.1", 0, ""},
        CommandLineRow{"PayloadPast16Bits", {"-s", "65536", "127.0.0.1"}, "", 0, "at most 65535 bytes: -s 65536"}),
    [](const auto& info) { return std::string(info.param.name); });

}
