#include "EchoRun.h"
#include "TestNet.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    QStringList lines;
    QString errors;
};

ToolRun runTool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QUORVANE_ECHO, arguments);
    EXPECT_TRUE(tool.waitForFinished(10000));
    ToolRun run;
    run.exitCode = tool.exitCode();
    run.lines = QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    run.errors = QString::fromUtf8(tool.readAllStandardError());
    return run;
}

struct AddressCase {
    const char* host;
    const char* flag;
    const char* address;
};

TEST(EchoTool, PingsTheAddressOfTheFamilyAndZoneAsked)
{
    // localhost has both an IPv4 and an IPv6 address in the client's hosts file.
    for (const auto& c : {AddressCase{"localhost", "-4", "127.0.0.1"}, AddressCase{"localhost", "-6", "::1"},
                          AddressCase{"::1%lo", "-6", "::1"}, AddressCase{"::ffff:127.0.0.1", "-4", "127.0.0.1"}}) {
        const auto run = runTool({c.host, c.flag});
        EXPECT_EQ(run.exitCode, 0) << c.host << c.flag;
        EXPECT_TRUE(run.lines.contains(QString("HostIP: ") + c.address)) << run.lines.join('\n').toStdString();
    }
}

TEST(EchoTool, PrintsTheTenFieldsInOrderAndSucceedsOnAReply)
{
    const auto run = runTool({testnet::DelayedName, "-s", "45", "-w", "3000", "-t", "32", "-r"});
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.lines.size(), 10) << run.lines.join('\n').toStdString();
    EXPECT_EQ(run.lines[0], "HostText: slow.test");
    EXPECT_EQ(run.lines[1], "HostIP: 198.18.2.10");
    EXPECT_EQ(run.lines[2], "ReplyAddress: 198.18.2.10");
    EXPECT_EQ(run.lines[3], "ReplyStatus: 0");
    ASSERT_TRUE(run.lines[4].startsWith("RoundTripTime: ")) << run.lines[4].toStdString();
    const int rtt = run.lines[4].mid(15).toInt();
    EXPECT_GE(rtt, 37);
    EXPECT_LE(rtt, 38 + testnet::SanitizedRoundTripSlackMs) << run.lines[4].toStdString();
    EXPECT_EQ(run.lines[5], "ReplyDataSize: 45");
    EXPECT_EQ(run.lines[6], "ReplyCount: 1");
    EXPECT_EQ(run.lines[7], "ReplyHostName: slow.test");
    EXPECT_EQ(run.lines[8], "ErrorNumber: 0");
    EXPECT_EQ(run.lines[9], "ErrorText: ");
}

TEST(EchoTool, FailsWithTheStatusTextWhenNothingAnswers)
{
    const auto run = runTool({testnet::Silent, "-w", "300"});
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.lines.size(), 10);
    EXPECT_EQ(run.lines[6], "ReplyCount: 0");
    EXPECT_EQ(run.lines[8], "ErrorNumber: 11010");
    EXPECT_EQ(run.lines[9], "ErrorText: Request timed out");
    // A family ruled out leaves the host without an address.
    const auto forced = runTool({testnet::v6::Fast, "-4"});
    EXPECT_EQ(forced.exitCode, 1);
    EXPECT_TRUE(forced.lines.contains("ErrorText: Bad Destination")) << forced.lines.join('\n').toStdString();
    // A host that rejects echoes sends a report, not an answer.
    const auto rejected = runTool({testnet::Rejecting});
    EXPECT_EQ(rejected.exitCode, 1);
    EXPECT_TRUE(rejected.lines.contains("ReplyStatus: 11005")) << rejected.lines.join('\n').toStdString();
    const auto negative = runTool({testnet::Echo, "-s", "-5"});
    EXPECT_EQ(negative.exitCode, 1);
    EXPECT_TRUE(negative.lines.contains("ErrorText: Bad request"));
}

TEST(EchoTool, RejectsWhatItCannotUnderstand)
{
    for (const QStringList& arguments :
         {QStringList{}, QStringList{"-s", "32"}, QStringList{testnet::Echo, "-s"}, QStringList{testnet::Echo, "-w", "abc"},
          QStringList{testnet::Echo, "-t", "99999999999"}, QStringList{testnet::Echo, testnet::Fast},
          QStringList{testnet::Echo, "-x"}, QStringList{"-x"}}) {
        const auto run = runTool(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.lines.isEmpty());
        EXPECT_TRUE(run.errors.startsWith("quorvane-echo: ")) << run.errors.toStdString();
        EXPECT_EQ(run.errors.count('\n'), 1) << run.errors.toStdString();
    }
}

// Other processes pinging the same hosts at the same time put their replies
// on our raw sockets too; none may be taken for ours.
TEST(EchoTool, AnotherProgramsEchoesAreNotCounted)
{
    setPingSocketsAllowed(false);
    std::vector<QProcess*> others;
    for (int i = 0; i < 6; ++i) {
        auto* other = new QProcess;
        other->start(QUORVANE_ECHO, {i % 2 ? testnet::Echo : testnet::Fast, "-s", "40"});
        others.push_back(other);
    }
    std::vector<EchoInput> inputs;
    for (int i = 0; i < 10; ++i)
        inputs.push_back({i % 2 ? testnet::Echo : testnet::Fast, 100 + i});
    inputs.push_back({testnet::WrongId, 40, 500});
    const auto outcomes = runEchoes(inputs);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(outcomes[static_cast<std::size_t>(i)].replyDataSize, 100 + i);
    EXPECT_EQ(outcomes.back().replyCount, 0);
    for (auto* other : others) {
        other->waitForFinished(5000);
        EXPECT_EQ(other->exitCode(), 0);
        delete other;
    }
}

}
