#include "monitor/files/LogFile.h"
#include "monitor/files/LogFormat.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

QDateTime at(int ms, int second = 25)
{
    return QDateTime(QDate(2026, 12, 6), QTime(23, 1, second, ms));
}

TEST(LogFormat, WorkedExamples)
{
    EXPECT_EQ(LogFormat::replyLine("10.0.0.1", 32, 3, at(7)), "10.0.0.1, 32 bytes, 3ms, 2026.12.06 23:01:25.7");
    EXPECT_EQ(LogFormat::replyRecord("10.0.0.1", 32, 3, at(7)), "10.0.0.1, 32 bytes, 3ms, 2026.12.06 23:01:25");
    EXPECT_EQ(LogFormat::failureLine("10.0.0.1", "Request timed out", at(0, 27), true),
              "Error: 10.0.0.1, Request timed out, 2026.12.06 23:01:27");
    EXPECT_EQ(LogFormat::failureLine("10.0.0.1", "Request timed out", at(0, 27), false),
              "10.0.0.1, Request timed out, 2026.12.06 23:01:27");
    EXPECT_EQ(LogFormat::failureRecord("10.0.0.1", "Request timed out", at(0, 27)),
              "10.0.0.1, Request timed out, , 2026.12.06 23:01:27");
    EXPECT_EQ(LogFormat::foreignReplyLine("10.0.0.1", "", at(0, 27)), "10.0.0.1, , 2026.12.06 23:01:27");
}

TEST(LogFormat, MillisecondsHaveNoLeadingZeros)
{
    EXPECT_EQ(LogFormat::stampWithMilliseconds(at(0)), "2026.12.06 23:01:25.0");
    EXPECT_EQ(LogFormat::stampWithMilliseconds(at(45)), "2026.12.06 23:01:25.45");
    EXPECT_EQ(LogFormat::stampWithMilliseconds(at(120)), "2026.12.06 23:01:25.120");
    EXPECT_EQ(LogFormat::stamp(QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5, 999))), "2027.01.02 03:04:05");
    EXPECT_EQ(LogFormat::fileStamp(QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5))), "20270102_030405");
}

TEST(LogFormat, HostTextIsTakenLiterally)
{
    EXPECT_EQ(LogFormat::replyLine("a%2b%1", 32, 3, at(7)), "a%2b%1, 32 bytes, 3ms, 2026.12.06 23:01:25.7");
    // Round-trip times are signed 32-bit numbers in the logs.
    EXPECT_EQ(LogFormat::replyRecord("h", 0, 4294967295u, at(0)), "h, 0 bytes, -1ms, 2026.12.06 23:01:25");
}

TEST(LogFile, NamedAfterTheStampsLastComponentInTheProgramFolder)
{
    EXPECT_EQ(LogFile::pathFor("/opt/q", "20261206_230125"), "/opt/q/20261206_230125.log");
    EXPECT_EQ(LogFile::pathFor("/opt/q", "/data/site.txt"), "/opt/q/site.txt.log");
    EXPECT_EQ(LogFile::pathFor("/opt/q", "hosts.txt"), "/opt/q/hosts.txt.log");
}

TEST(LogFile, AppendsOneUtf8CrLfLinePerRecord)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.log");
    LogFile::append(path, "a, 32 bytes, 3ms, 2026.12.06 23:01:25");
    LogFile::append(path, QString::fromUtf8("caf\xC3\xA9, Request timed out, , 2026.12.06 23:01:27"));
    LogFile::append(path, QString::fromUtf8("\xCE\xA9, Request timed out, , 2026.12.06 23:01:29"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "a, 32 bytes, 3ms, 2026.12.06 23:01:25\r\n"
                              "caf\xC3\xA9, Request timed out, , 2026.12.06 23:01:27\r\n"
                              "\xCE\xA9, Request timed out, , 2026.12.06 23:01:29\r\n");
    EXPECT_THROW(LogFile::append(dir.filePath("missing/x.log"), "a"), std::runtime_error);
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The program may run as root: a link planted at the log's path must not
// lead its records into another file, nor create the file it names.
TEST(LogFile, RefusesASymbolicLinkAndLeavesItsTargetAlone)
{
    const struct {
        const char* name;
        bool targetExists;
    } cases[] = {{"LinkToAFile", true}, {"DanglingLink", false}};
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString target = dir.filePath("target");
        const QString path = dir.filePath("run.log");
        if (c.targetExists) {
            QFile file(target);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("precious\n");
        }
        ASSERT_TRUE(QFile::link(target, path));
        try {
            LogFile::append(path, "h1, 32 bytes, 1ms, 2026.12.06 23:01:25");
            ADD_FAILURE() << c.name << ": the link was followed";
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(QString(e.what()).contains(path)) << e.what();
        }
        EXPECT_EQ(QFile::exists(target), c.targetExists) << c.name;
        if (c.targetExists) {
            EXPECT_EQ(contents(target), "precious\n") << c.name;
        }
    }
}

// The window keeps its log file open from one record to the next and asks
// once per tick whether the name still leads to it.
TEST(LogFile, FollowsItsNameFromOneTickToTheNext)
{
    enum class Then { SameFile, NewFileAtTheName, Refused };
    const struct {
        const char* name;
        std::function<void(const QString& folder, const QString& path)> change;
        Then then;
    } cases[] = {
        {"Unchanged", [](const QString&, const QString&) {}, Then::SameFile},
        {"Rotated", [](const QString&, const QString& path) { ASSERT_TRUE(QFile::rename(path, path + ".1")); },
         Then::NewFileAtTheName},
        {"Removed", [](const QString&, const QString& path) { ASSERT_TRUE(QFile::remove(path)); },
         Then::NewFileAtTheName},
        {"ReplacedByALink",
         [](const QString& folder, const QString& path) {
             ASSERT_TRUE(QFile::rename(path, folder + "/target"));
             ASSERT_TRUE(QFile::link(folder + "/target", path));
         },
         Then::Refused},
        {"FolderMoved",
         [](const QString& folder, const QString&) { ASSERT_TRUE(QDir().rename(folder, folder + ".moved")); },
         Then::Refused},
    };
    for (const auto& c : cases) {
        QTemporaryDir root;
        const QString folder = root.filePath("logs");
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString path = folder + "/run.log";
        LogFile file;
        file.write(path, "first");
        c.change(folder, path);
        file.recheck();
        try {
            file.write(path, "second");
            EXPECT_NE(c.then, Then::Refused) << c.name << ": written through the changed name";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(c.then, Then::Refused) << c.name << ": " << e.what();
        }
        switch (c.then) {
        case Then::SameFile:
            EXPECT_EQ(contents(path), "first\r\nsecond\r\n") << c.name;
            break;
        case Then::NewFileAtTheName:
            EXPECT_EQ(contents(path), "second\r\n") << c.name;
            break;
        case Then::Refused:
            EXPECT_EQ(contents(folder + "/target") + contents(folder + ".moved/run.log"), "first\r\n") << c.name;
            break;
        }
    }
}

// A stamp is made once per second: another day at the same time of day is
// another stamp.
TEST(LogFormat, StampsOfTheSameSecondOnAnotherDayDiffer)
{
    EXPECT_EQ(LogFormat::stamp(at(0)), "2026.12.06 23:01:25");
    EXPECT_EQ(LogFormat::stamp(at(0).addDays(1)), "2026.12.07 23:01:25");
    EXPECT_EQ(LogFormat::stamp(at(999)), "2026.12.06 23:01:25");
}

}
