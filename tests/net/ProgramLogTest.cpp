#include "HostLogs.h"
#include "ProgramRun.h"
#include "TestNet.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

using testnet::recordsOf;
using testnet::requestsTo;

const QString Stamp = R"(\d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d)";

void expectEvery(const QStringList& records, const QString& pattern)
{
    const QRegularExpression format("^" + pattern + ", " + Stamp + "$");
    for (const QString& record : records)
        EXPECT_TRUE(format.match(record).hasMatch()) << record.toStdString() << "  against  " << pattern.toStdString();
}

// The real program polls nine hosts, two of them over IPv6, once a second with "Write log" on: every
// echo leaves exactly one record of the right form in the log file.
TEST(ProgramLog, OneWellFormedRecordPerEcho)
{
    const std::size_t slowBefore = requestsTo(testnet::Delayed).size();
    const std::size_t silentBefore = requestsTo(testnet::Silent).size();
    ProgramRun program({QString(testnet::FastName) + ";fast;50", QString(testnet::DelayedName) + ";slow;50",
                        QString(testnet::SilentName) + ";silent;50", QString(testnet::Unrouted) + ";unrouted;50",
                        QString(testnet::LoopTarget) + ";loop;50", QString(testnet::UnknownName) + ";unknown;50",
                        QString(testnet::Rejecting) + ";rejects;50", QString(testnet::v6::Fast) + ";v6 host;20",
                        QString(testnet::v6::DelayedName) + ";v6 name;50"},
                       {"interval=1", "writelog=yes"});
    program.start();

    QElapsedTimer clock;
    clock.start();
    while (recordsOf(program.logRecords(), testnet::FastName).size() < 8 && clock.elapsed() < 20000)
        QThread::msleep(20);
    // Halfway to the next tick: every echo that can have ended has ended.
    QThread::msleep(450);
    EXPECT_EQ(program.stop(SIGTERM), 0);

    const QStringList records = program.logRecords();
    const auto ticks = recordsOf(records, testnet::FastName).size();
    ASSERT_GE(ticks, 8);
    EXPECT_EQ(recordsOf(records, testnet::DelayedName).size(), ticks);
    EXPECT_EQ(recordsOf(records, testnet::Unrouted).size(), ticks);
    EXPECT_EQ(recordsOf(records, testnet::LoopTarget).size(), ticks);
    EXPECT_EQ(recordsOf(records, testnet::UnknownName).size(), ticks);
    EXPECT_EQ(recordsOf(records, testnet::Rejecting).size(), ticks);
    EXPECT_EQ(recordsOf(records, testnet::v6::Fast).size(), ticks);
    EXPECT_EQ(recordsOf(records, testnet::v6::DelayedName).size(), ticks);
    EXPECT_EQ(recordsOf(records, testnet::SilentName).size(), ticks - 5) << "each silent echo ends after 5 s";
    EXPECT_EQ(records.size(), 9 * ticks - 5) << records.join('\n').toStdString();

    EXPECT_EQ(requestsTo(testnet::Delayed).size() - slowBefore, ticks) << "one request per tick, none doubled";
    EXPECT_EQ(requestsTo(testnet::Silent).size() - silentBefore, ticks);

    const QString fastRtt = testnet::Sanitized ? R"(\d+)" : "[01]";
    const QString slowRtt = testnet::Sanitized ? R"(\d+)" : "3[78]";
    expectEvery(recordsOf(records, testnet::FastName), R"(fast\.test, 32 bytes, )" + fastRtt + "ms");
    expectEvery(recordsOf(records, testnet::DelayedName), R"(slow\.test, 32 bytes, )" + slowRtt + "ms");
    expectEvery(recordsOf(records, testnet::v6::Fast), R"(2001:db8:1::2, 32 bytes, )" + fastRtt + "ms");
    expectEvery(recordsOf(records, testnet::v6::DelayedName), R"(slow6\.test, 32 bytes, )" + slowRtt + "ms");
    expectEvery(recordsOf(records, testnet::SilentName), R"(silent\.test, Request timed out, )");
    // Error reports are failed echoes, whether a router or the host sent them.
    expectEvery(recordsOf(records, testnet::Unrouted), R"(198\.19\.250\.1, Destination network unreachable, )");
    expectEvery(recordsOf(records, testnet::LoopTarget), R"(198\.18\.200\.1, TTL expired in transit, )");
    expectEvery(recordsOf(records, testnet::Rejecting), R"(198\.18\.1\.3, Destination port unreachable, )");
    expectEvery(recordsOf(records, testnet::UnknownName), R"(nosuch\.test, Bad Destination, )");
}

}
