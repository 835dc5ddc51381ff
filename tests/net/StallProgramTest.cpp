#include "HostLogs.h"
#include "ProgramRun.h"
#include "TestNet.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace {

using testnet::recordsOf;

// The real program stopped for 10 s while answers arrive: when it runs on,
// whichever it serves first (the queued answers or the passed deadlines),
// an answer the kernel received past its echo's time-out is a time-out, and
// one received within it keeps its true round trip.
TEST(ProgramStall, AnswersAreJudgedByWhenTheyArrived)
{
    ProgramRun program({QString(testnet::Fast) + ";sync;50", QString(testnet::PastTimeOut) + ";late;50",
                        QString(testnet::Delayed200) + ";in time;500"},
                       {"interval=1", "writelog=yes"});
    program.start();
    const auto fastRecords = [&] { return recordsOf(program.logRecords(), testnet::Fast).size(); };
    // Five echoes to the late host are in flight.
    ASSERT_TRUE(within(15000, [&] { return fastRecords() >= 6; }));
    // Stopped just after a tick: the echo to the 200 ms host is answered
    // while the program stands still.
    const auto ticks = fastRecords();
    ASSERT_TRUE(within(3000, [&] { return fastRecords() > ticks; }));
    ::kill(static_cast<pid_t>(program.pid()), SIGSTOP);
    QThread::sleep(10);
    ::kill(static_cast<pid_t>(program.pid()), SIGCONT);
    QThread::msleep(7500);
    EXPECT_EQ(program.stop(SIGTERM), 0);

    const QStringList records = program.logRecords();
    const QString inTime = testnet::Sanitized ? R"(\d+)" : "20[0-9]";
    const struct {
        const char* host;
        QString record;
    } rows[] = {
        {testnet::PastTimeOut, R"(198\.18\.2\.24, Request timed out, )"},
        {testnet::Delayed200, R"(198\.18\.2\.21, 32 bytes, )" + inTime + "ms"},
    };
    for (const auto& row : rows) {
        const QStringList mine = recordsOf(records, row.host);
        EXPECT_GE(mine.size(), 10) << row.host;
        const QRegularExpression format("^" + row.record + R"(, \d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d$)");
        for (const QString& record : mine)
            EXPECT_TRUE(format.match(record).hasMatch()) << record.toStdString();
    }
    EXPECT_EQ(recordsOf(records, testnet::Delayed200).size(), recordsOf(records, testnet::Fast).size())
        << "the echo in flight during the stall was answered in time";
}

}
