#include "ProgramRun.h"
#include "TestNet.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include <gtest/gtest.h>

#include <csignal>
#include <map>

namespace {

using Outcomes = std::map<QString, QStringList>;  // per host, sorted

std::string shown(const Outcomes& outcomes)
{
    QString text;
    for (const auto& [host, list] : outcomes)
        text += host + ": " + list.join(", ") + "\n";
    return text.toStdString();
}

// The log file's records ("host, 32 bytes, 37ms, stamp" or "host, text, , stamp")
// as "reply 37" or "lost <text>", per host.
Outcomes fromLog(const QStringList& records)
{
    static const QRegularExpression reply(R"(^(.*?), \d+ bytes, (\d+)ms, [\d.: ]+$)");
    static const QRegularExpression lost(R"(^(.*?), (.*), , [\d.: ]+$)");
    Outcomes outcomes;
    for (const QString& record : records) {
        if (const auto m = reply.match(record); m.hasMatch())
            outcomes[m.captured(1)] << "reply " + m.captured(2);
        else if (const auto l = lost.match(record); l.hasMatch())
            outcomes[l.captured(1)] << "lost " + l.captured(2);
        else
            ADD_FAILURE() << "unreadable record " << record.toStdString();
    }
    for (auto& [host, list] : outcomes)
        list.sort();
    return outcomes;
}

// The `echoes` view the same way; a reply from another address is a reply
// with its time in the log file too.
Outcomes fromHistory(const QString& path, std::map<QString, QSet<QString>>& kinds)
{
    Outcomes outcomes;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "net-history");
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec("SELECT host, rtt_ms, outcome, text FROM echoes ORDER BY at_ms"));
        while (q.next()) {
            const QString host = q.value(0).toString();
            const QString outcome = q.value(2).toString();
            kinds[host] << outcome;
            outcomes[host] << (outcome == "reply" || outcome == "other-address" ? "reply " + q.value(1).toString()
                                                                               : "lost " + q.value(3).toString());
        }
    }
    QSqlDatabase::removeDatabase("net-history");
    for (auto& [host, list] : outcomes)
        list.sort();
    return outcomes;
}

// Two runs of the real program in one folder, "Write log" on and the
// history kept by default: the history holds exactly the echoes the log
// file holds, each with the outcome that fits its host.
TEST(ProgramHistory, RowsMatchTheLogFileOverTwoRuns)
{
    ProgramRun program({QString(testnet::FastName) + ";fast;50", QString(testnet::SilentName) + ";silent;50",
                        QString(testnet::Unrouted) + ";unrouted;50", QString(testnet::v6::Fast) + ";v6;50"},
                       {"interval=1", "writelog=yes"});
    const auto fastRecords = [&] { return program.logRecords().filter(testnet::FastName).size(); };
    for (int run = 1; run <= 2; ++run) {
        program.start();
        ASSERT_TRUE(within(20000, [&] { return fastRecords() >= 7 * run; }));
        QThread::msleep(450);
        ASSERT_EQ(program.stop(SIGTERM, 3000), 0);
    }
    const QString history = QFileInfo(program.logFilePath()).dir().filePath("history.sqlite");
    std::map<QString, QSet<QString>> kinds;
    const Outcomes kept = fromHistory(history, kinds);
    const Outcomes logged = fromLog(program.logRecords());
    EXPECT_EQ(shown(kept), shown(logged));
    EXPECT_GE(kept.at(testnet::FastName).size(), 8);
    EXPECT_EQ(kinds[testnet::FastName], QSet<QString>{"reply"});
    EXPECT_EQ(kinds[testnet::SilentName], QSet<QString>{"timeout"});
    EXPECT_EQ(kinds[testnet::Unrouted], QSet<QString>{"failure"});
}

}
