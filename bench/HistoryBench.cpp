#include "monitor/history/view/HistoryChart.h"
#include "monitor/history/HistoryStore.h"
#include "monitor/history/view/HistoryView.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

#include <benchmark/benchmark.h>

namespace {

constexpr qint64 Minute = 60'000;
constexpr qint64 Now = 1'800'000'000'000;
constexpr int Hosts = 10;

// The bytes in use (pages not on the free list) of a closed database.
double usedBytes(const QString& path)
{
    double bytes = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-size");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec("SELECT (SELECT page_count FROM pragma_page_count) - (SELECT freelist_count FROM pragma_freelist_count),"
               " (SELECT page_size FROM pragma_page_size)");
        if (q.next())
            bytes = q.value(0).toDouble() * q.value(1).toDouble();
    }
    QSqlDatabase::removeDatabase("bench-size");
    return bytes;
}

// Ten hosts echoed every stepMs up to Now, one batch per round as the
// window sends them, with times of a LAN and a few losses.
void fill(HistoryStore& store, qint64 rounds, qint64 stepMs)
{
    for (qint64 r = 0; r < rounds; ++r) {
        HistoryBatch batch;
        const qint64 at = Now - (rounds - r) * stepMs;
        for (int h = 0; h < Hosts; ++h) {
            const bool lost = (r * Hosts + h) % 97 == 0;
            batch.push_back({QString("host%1.example").arg(h), at + h, lost ? HistoryEcho::NoTime : 5 + int((r * 7 + h) % 40),
                             lost ? HistoryEcho::Outcome::Timeout : HistoryEcho::Outcome::Reply,
                             lost ? "Request timed out" : QString()});
        }
        store.write(batch);
    }
    store.maintain();
}

// 100,000 echoes of ten hosts at 1 s: the bytes each takes in the file
// (at most 32), and the time each takes to write.
void HistoryBytesPerEcho(benchmark::State& state)
{
    double bytes = 0;
    for (auto _ : state) {
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath(HistoryStore::FileName);
        {
            HistoryStore store(path, [] { return Now; });
            fill(store, 100'000 / Hosts, 1000);
        }
        bytes = usedBytes(path);
    }
    state.counters["bytes_per_echo"] = bytes / 100'000;
    state.SetItemsProcessed(state.iterations() * 100'000);
}
BENCHMARK(HistoryBytesPerEcho)->Unit(benchmark::kMillisecond)->Iterations(1);

// A week of minute summaries of ten hosts (one echo a minute gives one
// summary a minute, as sixty do), and what 90 days of them and 48 hours
// of echoes of ten hosts at 1 s come to.
class WeekOfTenHosts {
public:
    WeekOfTenHosts()
    {
        HistoryStore store(path(), [] { return Now; });
        HistoryLimits limits;
        limits.rawMs = HistoryLimits::HourMs;
        store.setLimits(limits);
        fill(store, 7 * 1440, Minute);
        store.close();
        bytesPerMinute = usedBytes(path()) / (7 * 1440 * Hosts);
    }
    QString path() const { return QDir(m_folder.path()).filePath(HistoryStore::FileName); }
    double bytesPerMinute = 0;

private:
    QTemporaryDir m_folder;
};

// From "Show history..." to the week of one of ten hosts painted: the view
// made, the span widened twice by key, the answers read and drawn.
void HistoryViewOpensAWeek(benchmark::State& state)
{
    static WeekOfTenHosts world;
    for (auto _ : state) {
        HistoryView view(world.path(), nullptr, [] { return Now; });
        view.showHost("host3.example", "bench");
        auto* chart = view.findChild<HistoryChart*>("historyChart");
        QTest::keyClick(chart, Qt::Key_Minus);
        QTest::keyClick(chart, Qt::Key_Minus);
        while (view.reading())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::processEvents();
        view.grab();
        if (chart->span().total.echoes == 0)
            state.SkipWithError("the week came back empty");
    }
    state.counters["bytes_per_minute_summary"] = world.bytesPerMinute;
}
BENCHMARK(HistoryViewOpensAWeek)->Unit(benchmark::kMillisecond)->Iterations(5);

}
