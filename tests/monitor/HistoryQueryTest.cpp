#include "HistoryTestSupport.h"

#include "monitor/history/view/HistoryQuery.h"
#include "monitor/history/HistoryStore.h"
#include "monitor/history/view/HistoryView.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <numeric>
#include <ostream>

namespace {

constexpr qint64 Minute = 60'000;
constexpr qint64 Hour = 60 * Minute;
constexpr qint64 Day = 24 * Hour;
constexpr qint64 Now = 1'800'000'000'000 - 1'800'000'000'000 % Minute;

// A file's shape: one echo at the start of each listed minute (minutes from
// now, the future positive), written and kept up as the monitor does at Now.
// Echoes on whole minutes belong to the same span whether a span reads them
// one by one or from their minute's summary, so every span's total is known.
struct ShapeCase {
    const char* name;
    std::vector<qint64> minutes;

    friend void PrintTo(const ShapeCase& c, std::ostream* out) { *out << c.name; }
};

std::vector<qint64> every(qint64 fromMinute, qint64 toMinute, qint64 step)
{
    std::vector<qint64> minutes;
    for (qint64 m = fromMinute; m < toMinute; m += step)
        minutes.push_back(m);
    return minutes;
}

// Where a span may end: near now, and a quarter either side of each edge of
// what the file holds.
std::vector<qint64> endsFor(const HistoryView::SpanRow& row)
{
    const qint64 latest = (Now / row.bucketMs + 1) * row.bucketMs;
    std::vector<qint64> ends;
    for (int quarters = 0; quarters < 8; ++quarters)
        ends.push_back(latest - quarters * row.spanMs / 4);
    for (const qint64 edge : {-47 * Hour, -48 * Hour, -49 * Hour, -3 * Day, -89 * Day, -91 * Day, 2 * Hour, 3 * Day})
        for (const qint64 shift : {-row.spanMs / 4, qint64(0), row.spanMs / 4}) {
            const qint64 at = Now + edge + shift;
            ends.push_back((at / row.bucketMs + 1) * row.bucketMs);
        }
    return ends;
}

class HistorySpans : public testing::TestWithParam<ShapeCase> {};

TEST_P(HistorySpans, EverySpanAtEveryPositionReadsOnlyItsOwnRows)
{
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(HistoryStore::FileName);
    std::vector<qint64> kept;
    {
        HistoryStore store(path, [] { return Now; });
        HistoryBatch batch;
        for (const qint64 m : GetParam().minutes) {
            batch.push_back(historyEcho("span.test", Now + m * Minute, m % 3 == 0 ? -1 : int(m % 50 + 50)));
            if (m * Minute >= -90 * Day)
                kept.push_back(Now + m * Minute);
        }
        store.write(batch);
        store.maintain();
    }
    HistoryQuery query(path);
    for (const HistoryView::SpanRow& row : HistoryView::Spans)
        for (const qint64 end : endsFor(row)) {
            SCOPED_TRACE(testing::Message() << row.text << " ending " << (end - Now) / Minute << " min from now");
            const HistorySpan span = query.span({1, "span.test", end - row.spanMs, end, row.bucketMs});
            ASSERT_TRUE(span.error.isEmpty()) << span.error.toStdString();
            ASSERT_EQ(span.buckets.size(), static_cast<std::size_t>(row.spanMs / row.bucketMs));
            const auto inSpan = std::count_if(kept.begin(), kept.end(),
                                              [&](qint64 at) { return at >= end - row.spanMs && at < end; });
            EXPECT_EQ(span.total.echoes, inSpan);
            EXPECT_EQ(std::accumulate(span.buckets.begin(), span.buckets.end(), 0,
                                      [](int sum, const HistorySummary& b) { return sum + b.echoes; }),
                      inSpan);
        }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, HistorySpans,
    testing::Values(ShapeCase{"no_echoes", {}},
                    ShapeCase{"only_echoes_of_the_last_minutes", every(-3, 1, 1)},
                    ShapeCase{"only_summaries", every(-60 * 60, -50 * 60, 7)},
                    ShapeCase{"summaries_older_than_the_echoes", every(-4 * 1440, 0, 10)},
                    ShapeCase{"gaps_of_days", [] {
                                  std::vector<qint64> m = every(-92 * 1440, -88 * 1440, 300);
                                  for (const qint64 x : every(-1440 - 30, -1440, 1))
                                      m.push_back(x);
                                  m.push_back(-2);
                                  return m;
                              }()},
                    ShapeCase{"rows_stamped_in_the_future", [] {
                                  std::vector<qint64> m = every(-30, 0, 1);
                                  for (const qint64 x : {qint64(120), qint64(3 * 1440), qint64(3 * 1440 + 1)})
                                      m.push_back(x);
                                  return m;
                              }()}),
    [](const auto& info) { return std::string(info.param.name); });

}
