#include "FakeDialogs.h"
#include "HistoryTestSupport.h"

#include "monitor/history/view/HistoryChart.h"
#include "monitor/history/HistoryStore.h"
#include "monitor/history/view/HistoryView.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

namespace {

constexpr qint64 Minute = 60'000;
constexpr qint64 Hour = 60 * Minute;
constexpr qint64 Day = 24 * Hour;
constexpr qint64 Now = 1'800'000'000'000;  // 2027-01-15T08:00:00Z, a whole minute

// Three days ago a minute of one reply and one loss, now summarised; twenty
// minutes ago a reply, a time-out and a failure whose text needs quoting;
// another host's echo stamped two hours ahead by a clock that ran ahead.
class HistoryWorld {
public:
    HistoryWorld()
    {
        HistoryStore store(path(), [] { return Now; });
        HistoryEcho failure{"view.test", Now - 20 * Minute + 2000, HistoryEcho::NoTime,
                            HistoryEcho::Outcome::Failure, "Said \"no\", twice"};
        store.write({historyEcho("view.test", Now - 3 * 1440 * Minute, 20),
                     historyEcho("view.test", Now - 3 * 1440 * Minute + 1000, -1),
                     historyEcho("view.test", Now - 20 * Minute, 12),
                     historyEcho("view.test", Now - 20 * Minute + 1000, -1), failure,
                     historyEcho("other.test", Now - 20 * Minute, 99), historyEcho("ahead.test", Now - 5 * Minute, 8),
                     historyEcho("ahead.test", Now + 2 * Hour, 7)});
        store.maintain();
    }
    QString path() const { return QDir(m_folder.path()).filePath(HistoryStore::FileName); }
    QString folder() const { return m_folder.path(); }

    static void waitUntilRead(const HistoryView& view)
    {
        QElapsedTimer clock;
        clock.start();
        while (view.reading() && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::processEvents();
    }

private:
    QTemporaryDir m_folder;
};

// Keys typed on the chart, at the first showing and again at the second
// (after Escape closed the view): the span shown and the loss told.
struct KeysCase {
    const char* name;
    std::vector<Qt::Key> keys;
    const char* span;
    qint64 endBeforeLatestMs;
    const char* loss;
    const char* host = "view.test";

    friend void PrintTo(const KeysCase& c, std::ostream* out) { *out << c.name; }
};

class HistoryViewKeys : public testing::TestWithParam<KeysCase> {};

TEST_P(HistoryViewKeys, ZoomAndMoveTheSpanAtEachShowing)
{
    const KeysCase& c = GetParam();
    HistoryWorld world;
    QWidget window;
    auto* view = new HistoryView(world.path(), &window, [] { return Now; });
    for (int showing = 1; showing <= 2; ++showing) {
        SCOPED_TRACE(showing);
        view->showHost(c.host, "the test host");
        HistoryWorld::waitUntilRead(*view);
        ASSERT_TRUE(view->isVisible());
        EXPECT_EQ(view->windowTitle(), QString("History of %1 (the test host)").arg(c.host));
        auto* chart = view->findChild<HistoryChart*>("historyChart");
        ASSERT_EQ(QApplication::focusWidget(), chart);
        const qint64 latest = chart->span().request.toMs;
        for (const Qt::Key key : c.keys) {
            QTest::keyClick(chart, key);
            HistoryWorld::waitUntilRead(*view);
        }
        EXPECT_EQ(view->findChild<QComboBox*>("spanBox")->currentText(), c.span);
        const HistorySpanRequest& shown = chart->span().request;
        EXPECT_EQ(latest - shown.toMs, c.endBeforeLatestMs);
        const QString loss = view->findChild<QLabel*>("lossLabel")->text();
        EXPECT_TRUE(loss.contains(c.loss)) << loss.toStdString();
        EXPECT_EQ(chart->accessibleDescription(), loss);
        QTest::keyClick(chart, Qt::Key_Escape);
        EXPECT_FALSE(view->isVisible());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HistoryViewKeys,
    testing::Values(KeysCase{"opens_on_the_last_hour", {}, "1 hour", 0, "lost 2 of 3 echoes (66.67 %)"},
                    KeysCase{"minus_widens_to_a_day", {Qt::Key_Minus}, "1 day", -(10 * Minute - 30'000),
                             "lost 2 of 3 echoes"},
                    KeysCase{"down_twice_then_up", {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}, "1 day",
                             -(10 * Minute - 30'000), "lost 2 of 3"},
                    KeysCase{"a_week_reaches_the_older_minute", {Qt::Key_Minus, Qt::Key_Minus}, "1 week",
                             -(Hour - 30'000), "lost 3 of 5 echoes (60.00 %)"},
                    KeysCase{"left_moves_a_quarter_back", {Qt::Key_Left}, "1 hour", 15 * Minute,
                             "lost 2 of 3 echoes"},
                    KeysCase{"page_up_moves_past_the_echoes", {Qt::Key_PageUp}, "1 hour", Hour, "no echoes kept"},
                    KeysCase{"end_comes_back_to_now", {Qt::Key_PageUp, Qt::Key_PageUp, Qt::Key_End}, "1 hour", 0,
                             "lost 2 of 3"},
                    KeysCase{"right_stops_at_now", {Qt::Key_Right}, "1 hour", 0, "lost 2 of 3"},
                    KeysCase{"plus_at_the_shortest_span_stays", {Qt::Key_Plus}, "1 hour", 0, "lost 2 of 3"},
                    KeysCase{"right_reaches_echoes_stamped_ahead", std::vector<Qt::Key>(10, Qt::Key_Right), "1 hour",
                             -2 * Hour, "lost 0 of 1 echoes", "ahead.test"}),
    [](const auto& info) { return std::string(info.param.name); });

// The shown span exported: echo by echo while every echo of it is kept,
// else minute by minute.
struct ExportCase {
    const char* name;
    std::vector<Qt::Key> keys;
    const char* csv;

    friend void PrintTo(const ExportCase& c, std::ostream* out) { *out << c.name; }
};

class HistoryExport : public testing::TestWithParam<ExportCase> {};

TEST_P(HistoryExport, WritesTheShownSpan)
{
    HistoryWorld world;
    FakeDialogs dialogs;
    const QString saved = QDir(world.folder()).filePath("saved.csv");
    dialogs.saveAnswers.push_back(saved);
    QWidget window;
    auto* view = new HistoryView(world.path(), &window, [] { return Now; });
    view->showHost("view.test", "");
    HistoryWorld::waitUntilRead(*view);
    auto* chart = view->findChild<HistoryChart*>("historyChart");
    for (const Qt::Key key : GetParam().keys) {
        QTest::keyClick(chart, key);
        HistoryWorld::waitUntilRead(*view);
    }
    QTest::keyClick(view, Qt::Key_E, Qt::AltModifier);
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(saved) && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].proposedName, "view.test-history.csv");
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), QString(GetParam().csv));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HistoryExport,
    testing::Values(ExportCase{"an_hour_echo_by_echo", {},
                               "host,sent_utc,rtt_ms,outcome,text\r\n"
                               "view.test,2027-01-15T07:40:00.000Z,12,reply,\r\n"
                               "view.test,2027-01-15T07:40:01.000Z,,timeout,Request timed out\r\n"
                               "view.test,2027-01-15T07:40:02.000Z,,failure,\"Said \"\"no\"\", twice\"\r\n"},
                    ExportCase{"ninety_days_minute_by_minute", {Qt::Key_Minus, Qt::Key_Minus, Qt::Key_Minus},
                               "host,minute_utc,echoes,lost,min_ms,median_ms,max_ms\r\n"
                               "view.test,2027-01-12T08:00:00.000Z,2,1,20,20,20\r\n"
                               "view.test,2027-01-15T07:40:00.000Z,3,2,12,12,12\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}
