#include "widgets/LogView.h"

#include <QCoreApplication>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

constexpr int batch = 1000;

// Reply and error lines as a host's poll log gets them, with varying
// numbers; made once so that formatting is not what is timed.
QStringList replyLines()
{
    QStringList lines;
    for (int n = 0; n < 4096; ++n) {
        const QString time = QStringLiteral("2026.12.%1 %2:%3:%4.%5")
                                 .arg(6 + n / 1000, 2, 10, QLatin1Char('0'))
                                 .arg(n / 60 % 24, 2, 10, QLatin1Char('0'))
                                 .arg(n % 60, 2, 10, QLatin1Char('0'))
                                 .arg(n * 7 % 60, 2, 10, QLatin1Char('0'))
                                 .arg(n % 10);
        lines.append(n % 16 == 0
                         ? QStringLiteral("Error: host-%1.example.net, Request timed out, %2").arg(n % 10).arg(time)
                         : QStringLiteral("172.16.%1.%2, 32 bytes, %3ms, %4").arg(n % 10 + 10).arg(n % 250 + 1).arg(n * 37 % 400).arg(time));
    }
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
    std::int64_t next = 0;
    for (; next < held; ++next)
        view->addLine(lines[next % lines.size()]);
    QCoreApplication::processEvents();
    const double bytesPerLine = double(allocatedBytes() - before) / double(held);

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
