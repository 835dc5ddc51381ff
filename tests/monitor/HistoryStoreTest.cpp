#include "HistoryTestSupport.h"

#include "monitor/history/HistoryStore.h"
#include "monitor/history/HistoryWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

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

    friend void PrintTo(const KeepingCase& c, std::ostream* out) { *out << c.name; }
};

class HistoryKeeping : public testing::TestWithParam<KeepingCase> {};

TEST_P(HistoryKeeping, SummarisesClosedMinutesAndPrunesPastTheLimits)
{
    const KeepingCase& c = GetParam();
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(HistoryStore::FileName);
    HistoryStore store(path, [] { return Now; });
    const auto batch = [](const std::vector<Written>& echoes) {
        HistoryBatch b;
        for (const Written& w : echoes)
            b.push_back(historyEcho("host.test", Now - w.agoMs, w.rttMs));
        return b;
    };
    ASSERT_NO_THROW(store.write(batch(c.first)));
    ASSERT_NO_THROW(store.maintain());
    ASSERT_NO_THROW(store.write(batch(c.second)));
    ASSERT_NO_THROW(store.maintain());
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
                    {"1|reply", "2|reply"}, {"3|2|0|1|1|2"}}),
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

}
