#include "widgets/LogView.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

constexpr int batch = 1000;

// The lines one host's poll log gets in a day and the days after: one
// echo a second, the stamp advancing by about a second, the processing
// moment's milliseconds and the round-trip time varying, now and then a
// time-out. Made from a fixed seed, so every run holds the same lines.
class DayOfLines {
public:
    QString next()
    {
        m_ms += 1000 + std::int64_t(m_random.bounded(4));
        const QDateTime when = m_start.addMSecs(m_ms);
        const QString stamp = when.toString(QStringLiteral("yyyy.MM.dd HH:mm:ss"));
        if (m_random.bounded(50) == 0)
            return QStringLiteral("Error: 172.16.10.1, Request timed out, %1").arg(stamp);
        const int rtt = 4 + int(m_random.bounded(12)) + (m_random.bounded(20) == 0 ? int(m_random.bounded(200)) : 0);
        return QStringLiteral("172.16.10.1, 56 bytes, %1ms, %2.%3").arg(rtt).arg(stamp).arg(m_random.bounded(1000));
    }

private:
    QRandomGenerator m_random{20261206};
    QDateTime m_start{QDate(2026, 12, 6), QTime(0, 0), Qt::UTC};
    std::int64_t m_ms = 0;
};

// A sample of those lines, made once, so that formatting is not what the
// appending loop times.
QStringList replyLines()
{
    DayOfLines day;
    QStringList lines;
    for (int n = 0; n < 4096; ++n)
        lines.append(day.next());
    return lines;
}

// What the allocator has handed out, including the blocks it maps apart
// from its heap.
std::size_t allocatedBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Adding lines to a shown view that already holds range(0) lines. Each
// timed batch is followed by the single scroll bar update and repaint that
// the event loop gives it; the lines it added are trimmed off again untimed,
// so the view keeps its size. The view keeps nothing per line beyond its
// store, so bytes_per_line is the store's cost.
void BM_PollLogAppend(benchmark::State& state)
{
    static const QStringList lines = replyLines();
    const std::int64_t held = state.range(0);
    auto view = std::make_unique<LogView>();
    view->resize(300, 113);
    view->show();
    QCoreApplication::processEvents();

    const std::size_t before = allocatedBytes();
    DayOfLines day;
    for (std::int64_t n = 0; n < held; ++n)
        view->addLine(day.next());
    QCoreApplication::processEvents();
    const double bytesPerLine = double(allocatedBytes() - before) / double(held);
    std::int64_t next = 0;

    for (auto _ : state) {
        for (int i = 0; i < batch; ++i, ++next)
            view->addLine(lines[next % lines.size()]);
        QCoreApplication::processEvents();
        state.PauseTiming();
        for (int i = 0; i < batch; ++i)
            view->deleteFirstLine();
        state.ResumeTiming();
    }
    state.counters["bytes_per_line"] = bytesPerLine;
    state.counters["chars_per_line"] = double(lines.join(QString()).size()) / double(lines.size());
    state.counters["time_per_line"] = benchmark::Counter(double(state.iterations()) * batch,
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PollLogAppend)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

} // namespace

namespace {

// Scrolling a shown poll log of a million lines: each step jumps far
// enough that the rows in view lie in another packed block, and repaints.
// A smooth scroll needs a step well inside a frame (16 ms).
void BM_PollLogScroll(benchmark::State& state)
{
    auto view = std::make_unique<LogView>();
    view->resize(300, 113);
    view->show();
    DayOfLines day;
    for (std::int64_t n = 0; n < state.range(0); ++n)
        view->addLine(day.next());
    QCoreApplication::processEvents();
    QScrollBar* bar = view->verticalScrollBar();
    int position = 0;
    for (auto _ : state) {
        position = (position + 37003) % (bar->maximum() + 1);
        bar->setValue(position);
        view->viewport()->repaint();
    }
}
BENCHMARK(BM_PollLogScroll)->Arg(1000000)->Unit(benchmark::kMicrosecond);

} // namespace
