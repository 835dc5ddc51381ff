#include "ProgramRun.h"
#include "TestNet.h"
#include "XvfbDisplay.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
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

// A tool's standard output; the tool runs on the test's own display.
QString run(const QString& tool, const QStringList& arguments, const QString& display = {})
{
    QProcess process;
    if (!display.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", display);
        process.setProcessEnvironment(environment);
    }
    process.start(tool, arguments);
    EXPECT_TRUE(process.waitForFinished(10000)) << tool.toStdString() << " did not end (is it installed?)";
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The program's file dialogs open in the folder of its history, and
// whatever they read there, the program's locks on the history stay: a
// closed descriptor takes every POSIX lock of the process on its file with
// it. Without them a user's sqlite3 takes itself for the history's only
// user, folds the write-ahead file into it and removes the one the program
// goes on writing; its later queries see no newer echo, and what the
// program wrote since is gone once it quits beside an open shell.
TEST(DesktopDialogs, OutsideReaderAfterAFileDialogLosesNoEcho)
{
    XvfbDisplay screen;
    ASSERT_TRUE(screen.failure().isEmpty()) << screen.failure().toStdString();
    ProgramRun program({QString(testnet::FastName) + ";fast", QString(testnet::EchoName) + ";echo",
                        QString(testnet::SilentName) + ";silent"},
                       {"interval=1", "writelog=yes"});
    program.setEnvironment("QT_QPA_PLATFORM", {});
    program.setEnvironment("DISPLAY", screen.display());
    program.start();
    const QString history = program.path("history.sqlite");
    ASSERT_TRUE(within(15000, [&] {
        return QFile::exists(history + "-wal") && program.logRecords().filter(testnet::FastName).size() >= 6;
    })) << "no batch of echoes written";

    const auto windows = [&] {
        return run("xdotool", {"search", "--onlyvisible", "--pid", QString::number(program.pid())}, screen.display())
            .split('\n', Qt::SkipEmptyParts);
    };
    ASSERT_TRUE(within(5000, [&] { return windows().size() == 1; })) << "no window shown";
    const QString window = windows().constFirst();
    // No window manager hands out the keyboard: xdotool does. File > Open
    // host file opens in the program's folder, where the history lies.
    run("xdotool", {"windowfocus", "--sync", window}, screen.display());
    run("xdotool", {"key", "--delay", "150", "alt+f", "o"}, screen.display());
    QString dialog;
    ASSERT_TRUE(within(5000, [&] {
        for (const QString& shown : windows())
            if (shown != window)
                dialog = shown;
        return !dialog.isEmpty();
    })) << "no file dialog shown";
    // The dialog reads the folder on a thread of its own.
    QThread::msleep(2000);
    run("xdotool", {"windowfocus", "--sync", dialog}, screen.display());
    run("xdotool", {"key", "Escape"}, screen.display());
    ASSERT_TRUE(within(5000, [&] { return windows() == QStringList{window}; })) << "the file dialog stayed";

    // A user's queries, some seconds apart: each sees the last batch, which
    // is at most five seconds old.
    for (int query = 1; query <= 3; ++query) {
        const QStringList read = run("sqlite3", {history, "SELECT count(*), max(at_ms) FROM echoes"}).split('|');
        ASSERT_EQ(read.size(), 2) << "sqlite3 (package sqlite3) read nothing";
        const qint64 age = QDateTime::currentMSecsSinceEpoch() - read[1].toLongLong();
        EXPECT_LT(age, 10000) << "query " << query << " saw " << read[0].toStdString() << " echoes, the newest "
                              << age << " ms old";
        if (query < 3)
            QThread::msleep(6000);
    }
    QThread::msleep(30000);

    // The user's shell is still open when the program quits: the program
    // cannot fold its write-ahead file into the history then, and leaves it
    // for whoever closes last.
    QProcess shell;
    shell.start("sqlite3", {history});
    shell.write("SELECT count(*) FROM echoes;\n");
    ASSERT_TRUE(shell.waitForReadyRead(5000)) << "the shell read nothing";
    ASSERT_EQ(program.stop(SIGTERM, 3000), 0);
    shell.closeWriteChannel();
    ASSERT_TRUE(shell.waitForFinished(5000));

    std::map<QString, QSet<QString>> kinds;
    const Outcomes kept = fromHistory(history, kinds);
    const Outcomes logged = fromLog(program.logRecords());
    const auto counted = [](const Outcomes& outcomes) {
        QString text;
        for (const auto& [host, list] : outcomes)
            text += QString("%1: %2 echoes\n").arg(host).arg(list.size());
        return text.toStdString();
    };
    ASSERT_EQ(counted(kept), counted(logged));
    EXPECT_EQ(shown(kept), shown(logged));
}

}
