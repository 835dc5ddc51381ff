#include "HistoryTestSupport.h"

#include "monitor/history/view/HistoryQuery.h"
#include "monitor/history/HistoryStore.h"
#include "monitor/history/HistoryWriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ostream>
#include <thread>

namespace {

constexpr qint64 Minute = 60'000;
constexpr qint64 Hour = 60 * Minute;
constexpr qint64 Day = 24 * Hour;
// A whole minute, so that offsets in the cases say which minute they fall in.
constexpr qint64 Now = 1'800'000'000'000 - 1'800'000'000'000 % Minute;

struct Written {
    qint64 agoMs;
    int rttMs;  // negative: a time-out
};

// Echoes written in two batches (the second perhaps late for its minute),
// each followed by upkeep; what the views show after.
struct KeepingCase {
    const char* name;
    std::vector<Written> first;
    std::vector<Written> second;
    QStringList echoes;   // rtt_ms|outcome of the `echoes` view, in time order
    QStringList minutes;  // minutes ago|echoes|lost|min|median|max of `echo_minutes`
    qint64 clockAheadMs = 0;  // how far the wall clock is ahead for the second batch
    HistoryStore::Upkeep last = HistoryStore::Upkeep::Running;

    friend void PrintTo(const KeepingCase& c, std::ostream* out) { *out << c.name; }
};

class HistoryKeeping : public testing::TestWithParam<KeepingCase> {};

TEST_P(HistoryKeeping, SummarisesClosedMinutesAndPrunesPastTheLimits)
{
    const KeepingCase& c = GetParam();
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(HistoryStore::FileName);
    qint64 clock = Now;
    HistoryStore store(path, [&clock] { return clock; });
    const auto batch = [](const std::vector<Written>& echoes) {
        HistoryBatch b;
        for (const Written& w : echoes)
            b.push_back(historyEcho("host.test", Now - w.agoMs, w.rttMs));
        return b;
    };
    ASSERT_NO_THROW(store.write(batch(c.first)));
    ASSERT_NO_THROW(store.maintain());
    clock = Now + c.clockAheadMs;
    ASSERT_NO_THROW(store.write(batch(c.second)));
    ASSERT_NO_THROW(store.maintain());
    clock = Now;
    ASSERT_NO_THROW(store.maintain(c.last));
    store.close();

    EXPECT_EQ(historyRows(path, "SELECT rtt_ms, outcome FROM echoes ORDER BY at_ms, rtt_ms"), c.echoes);
    EXPECT_EQ(historyRows(path, QString("SELECT (%1 - at_ms) / 60000, echoes, lost, min_ms, median_ms, max_ms"
                                        " FROM echo_minutes ORDER BY at_ms")
                                    .arg(Now)),
              c.minutes);
}

const qint64 M3 = 3 * Minute;  // three minutes ago, at the minute's start

INSTANTIATE_TEST_SUITE_P(
    Rows, HistoryKeeping,
    testing::Values(
        KeepingCase{"a_closed_minute_is_summarised_with_the_lower_median",
                    {{M3, 30}, {M3 - 1000, 10}, {M3 - 2000, -1}, {M3 - 3000, 20}, {M3 - 4000, 40}}, {},
                    {"30|reply", "10|reply", "|timeout", "20|reply", "40|reply"}, {"3|5|1|10|20|40"}},
        KeepingCase{"a_minute_still_open_is_not_summarised", {{10'000, 5}}, {}, {"5|reply"}, {}},
        KeepingCase{"a_minute_of_time_outs_has_no_times", {{M3, -1}, {M3 - 1000, -1}}, {},
                    {"|timeout", "|timeout"}, {"3|2|2|||"}},
        KeepingCase{"echoes_past_48_hours_leave_their_summary",
                    {{49 * Hour, 7}, {49 * Hour - 1000, 9}}, {}, {}, {"2940|2|0|7|7|9"}},
        KeepingCase{"summaries_past_90_days_go_too", {{91 * Day, 7}}, {}, {}, {}},
        KeepingCase{"an_echo_late_for_its_summarised_minute_is_counted_in_it", {{M3, 10}}, {{M3 - 1000, 30}},
                    {"10|reply", "30|reply"}, {"3|2|0|10|10|30"}},
        KeepingCase{"two_echoes_of_one_millisecond_are_both_kept", {{M3, 1}, {M3, 2}}, {},
                    {"1|reply", "2|reply"}, {"3|2|0|1|1|2"}},
        KeepingCase{"a_clock_three_days_ahead_for_a_moment_deletes_nothing", {{47 * Hour, 20}, {M3, 10}}, {},
                    {"20|reply", "10|reply"}, {"2820|1|0|20|20|20", "3|1|0|10|10|10"}, 3 * Day},
        KeepingCase{"at_quit_the_minute_under_way_is_summarised_too", {{M3, 10}, {10'000, 5}}, {},
                    {"10|reply", "5|reply"}, {"3|1|0|10|10|10", "1|1|0|5|5|5"}, 0, HistoryStore::Upkeep::AtQuit}),
    [](const auto& info) { return std::string(info.param.name); });

// A damaged file is moved aside, told once, and a new one takes the echoes;
// the damaged bytes stay as they were for whoever wants to look.
struct DamageCase {
    const char* name;
    QByteArray (*damage)(const QByteArray& healthy);

    friend void PrintTo(const DamageCase& c, std::ostream* out) { *out << c.name; }
};

class HistoryDamage : public testing::TestWithParam<DamageCase> {};

TEST_P(HistoryDamage, IsMovedAsideAndANewFileStarted)
{
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(HistoryStore::FileName);
    {
        HistoryStore healthy(path);
        HistoryBatch many;
        for (int i = 0; i < 3000; ++i)
            many.push_back(historyEcho(QString("host%1.test").arg(i % 10), Now + i, i % 50));
        ASSERT_NO_THROW(healthy.write(many));
    }
    QFile::remove(path + "-wal");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray damaged = GetParam().damage(file.readAll());
    file.resize(0);
    file.write(damaged);
    file.close();

    HistoryWriter writer(path);
    QStringList told;
    QObject::connect(&writer, &HistoryWriter::troubled, [&](const QString& message) { told << message; });
    writer.take({historyEcho("after.test", Now, 12)});
    writer.take({historyEcho("after.test", Now + 1000, 13)});
    writer.finish();

    ASSERT_EQ(told.size(), 1) << told.join('\n').toStdString();
    EXPECT_TRUE(told[0].contains("damaged")) << told[0].toStdString();
    EXPECT_EQ(historyRows(path, "SELECT host, rtt_ms FROM echoes"), QStringList({"after.test|12", "after.test|13"}));
    const QStringList aside = QDir(folder.path()).entryList({"history.sqlite.damaged-*"});
    ASSERT_EQ(aside.size(), 1) << aside.join(' ').toStdString();
    QFile kept(QDir(folder.path()).filePath(aside[0]));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), damaged);
}

INSTANTIATE_TEST_SUITE_P(
    Files, HistoryDamage,
    testing::Values(DamageCase{"not_a_database", [](const QByteArray&) { return QByteArray(5000, 'x'); }},
                    DamageCase{"pages_overwritten", [](const QByteArray& healthy) {
                                   QByteArray b = healthy;
                                   for (qsizetype i = 4096 + 8; i < b.size(); i += 97)
                                       b[i] = static_cast<char>(0xa5);
                                   return b;
                               }}),
    [](const auto& info) { return std::string(info.param.name); });

// Files under the history's name that are not a history of ours to write:
// after a run they are byte for byte as they were (a FIFO never opened),
// the reason is told once, and the view reads the file or says why not.
struct RefusalCase {
    const char* name;
    std::string sql;  // made with this, or a FIFO behind a symlink when empty
    const char* told;
    const char* viewError;  // empty: the view reads the file

    friend void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }
};

class HistoryRefusal : public testing::TestWithParam<RefusalCase> {};

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
}

TEST_P(HistoryRefusal, LeavesTheFileAsItIs)
{
    const RefusalCase& c = GetParam();
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(HistoryStore::FileName);
    if (!c.sql.empty()) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "refusal");
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        for (const QString& statement : QString::fromStdString(c.sql).split(';', Qt::SkipEmptyParts))
            ASSERT_TRUE(QSqlQuery(db).exec(statement)) << statement.toStdString();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("refusal");
    } else {
        ASSERT_EQ(::mkfifo(QFile::encodeName(path + ".fifo").constData(), 0600), 0);
        ASSERT_TRUE(QFile::link(path + ".fifo", path));
    }
    const QByteArray before = c.sql.empty() ? QByteArray() : contentsOf(path);
    const QStringList filesBefore = QDir(folder.path()).entryList(QDir::Files | QDir::System);

    HistoryWriter writer(path);
    QStringList told;
    QObject::connect(&writer, &HistoryWriter::troubled, [&](const QString& message) { told << message; });
    writer.take({historyEcho("refused.test", Now, 12)});
    writer.take({historyEcho("refused.test", Now + 1000, 13)});
    testing::internal::CaptureStderr();
    writer.finish();
    testing::internal::GetCapturedStderr();

    ASSERT_EQ(told.size(), 1) << told.join('\n').toStdString();
    EXPECT_TRUE(told[0].contains(c.told)) << told[0].toStdString();
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::System), filesBefore);
    if (!c.sql.empty()) {
        EXPECT_EQ(contentsOf(path), before);
    }
    const HistorySpan span = HistoryQuery(path).span({1, "refused.test", Now - Hour, Now, Minute});
    EXPECT_TRUE(*c.viewError ? span.error.contains(c.viewError) : span.error.isEmpty()) << span.error.toStdString();
}

// Our tables and the minutes' view, as this program makes them.
const std::string OurTables =
    "CREATE TABLE hosts(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);"
    "CREATE TABLE notes(id INTEGER PRIMARY KEY, text TEXT NOT NULL UNIQUE);"
    "CREATE TABLE raw(key INTEGER PRIMARY KEY, host INTEGER NOT NULL, rtt_ms INTEGER, outcome INTEGER NOT NULL,"
    " note INTEGER);"
    "CREATE TABLE minutes(host INTEGER NOT NULL, minute INTEGER NOT NULL, echoes INTEGER NOT NULL, lost INTEGER NOT NULL,"
    " min_ms INTEGER, median_ms INTEGER, max_ms INTEGER, PRIMARY KEY(host, minute)) WITHOUT ROWID;"
    "CREATE TABLE state(name TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;"
    "CREATE VIEW echo_minutes AS SELECT hosts.name AS host, minutes.minute * 60000 AS at_ms,"
    " echoes, lost, min_ms, median_ms, max_ms FROM minutes JOIN hosts ON hosts.id = minutes.host;";

INSTANTIATE_TEST_SUITE_P(
    Files, HistoryRefusal,
    testing::Values(
        RefusalCase{"another_programs_tables_of_our_names",
                    "CREATE TABLE hosts(address TEXT, owner TEXT);CREATE TABLE raw(blob BLOB);"
                    "INSERT INTO hosts VALUES('198.18.0.1', 'them')",
                    "holds a table or view \"hosts\" that is not this program's", "\"hosts\""},
        RefusalCase{"a_newer_schema_of_ours",
                    OurTables +
                        "CREATE VIEW echoes AS SELECT hosts.name AS host, raw.key >> 10 AS at_ms,"
                        " raw.rtt_ms AS rtt_ms, CASE raw.outcome WHEN 0 THEN 'reply' WHEN 1 THEN 'timeout'"
                        " WHEN 2 THEN 'failure' ELSE 'other-address' END AS outcome, notes.text AS text"
                        " FROM raw JOIN hosts ON hosts.id = raw.host LEFT JOIN notes ON notes.id = raw.note;"
                        "PRAGMA user_version = 99",
                    "was made by a newer version of the program (schema 99", ""},
        RefusalCase{"a_users_own_echoes_table",
                    OurTables + "CREATE TABLE echoes(host TEXT, at_ms INTEGER);INSERT INTO echoes VALUES('mine', 1)",
                    "holds a table or view \"echoes\" that is not this program's", "\"echoes\""},
        RefusalCase{"a_fifo_behind_a_symlink", "", "is not a regular file", "is not a regular file"}),
    [](const auto& info) { return std::string(info.param.name); });

// Another program's lock on the file, or a second monitor on it: every
// echo is kept, or its loss told at quit with a count.
struct ContentionCase {
    const char* name;
    // LostToAReader: this process drops its locks (any descriptor of the
    // file closed) and an outside sqlite3, alone then, deletes the log.
    enum class Lock { None, LetGoBeforeQuit, HeldThroughQuit, LostToAReader } lock;
    int writers;
    int kept;  // rows in `echoes` after, the first writer's one included
    const char* quitSays;

    friend void PrintTo(const ContentionCase& c, std::ostream* out) { *out << c.name; }
};

class HistoryContention : public testing::TestWithParam<ContentionCase> {};

TEST_P(HistoryContention, KeepsEveryEchoOrTellsTheLoss)
{
    const ContentionCase& c = GetParam();
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(HistoryStore::FileName);
    if (c.lock != ContentionCase::Lock::None) {
        HistoryStore first(path);
        ASSERT_NO_THROW(first.write({historyEcho("first.test", Now, 1)}));
    }
    QSqlDatabase outside = QSqlDatabase::addDatabase("QSQLITE", "outside");
    outside.setDatabaseName(path);
    ASSERT_TRUE(outside.open());
    if (c.lock == ContentionCase::Lock::LetGoBeforeQuit || c.lock == ContentionCase::Lock::HeldThroughQuit) {
        ASSERT_TRUE(QSqlQuery(outside).exec("BEGIN IMMEDIATE"));
    }

    QProcess reader;  // a user's sqlite3 shell, open while the writer quits
    const auto run = [&](int writer) {
        HistoryWriter w(path);
        for (int i = 0; i < 5; ++i) {
            w.take({historyEcho(QString("writer%1.test").arg(writer), Now + i * 1000 + writer, 10 + i)});
            if (c.lock == ContentionCase::Lock::LetGoBeforeQuit && i == 1)
                QSqlQuery(outside).exec("COMMIT");
            if (c.lock == ContentionCase::Lock::LostToAReader && i == 1) {
                for (const char* suffix : {"", "-wal", "-shm"})
                    ::close(::open(QFile::encodeName(path + suffix).constData(), O_RDONLY | O_CLOEXEC));
                QProcess::execute("sqlite3", {path, "SELECT count(*) FROM echoes"});
                reader.start("sqlite3", {path});
                reader.write("SELECT count(*) FROM echoes;\n");
                reader.waitForReadyRead(5000);
            }
        }
        w.finish();
    };
    testing::internal::CaptureStderr();
    std::vector<std::thread> writers;
    for (int writer = 1; writer < c.writers; ++writer)
        writers.emplace_back(run, writer);
    run(0);
    for (std::thread& t : writers)
        t.join();
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    reader.closeWriteChannel();
    reader.waitForFinished(5000);
    QSqlQuery(outside).exec("COMMIT");
    outside.close();
    outside = QSqlDatabase();
    QSqlDatabase::removeDatabase("outside");

    EXPECT_EQ(historyRows(path, "SELECT count(*) FROM echoes"), QStringList{QString::number(c.kept)});
    EXPECT_TRUE(*c.quitSays ? said.contains(c.quitSays) : said.isEmpty()) << said.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HistoryContention,
    testing::Values(ContentionCase{"a_lock_let_go_before_quit", ContentionCase::Lock::LetGoBeforeQuit, 1, 6, ""},
                    ContentionCase{"a_lock_held_through_quit", ContentionCase::Lock::HeldThroughQuit, 1, 1,
                                   "could not keep the last 5 echoes before quitting"},
                    ContentionCase{"two_monitors_on_a_new_file", ContentionCase::Lock::None, 2, 10, ""},
                    ContentionCase{"locks_lost_to_an_outside_reader", ContentionCase::Lock::LostToAReader, 1, 6, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}
