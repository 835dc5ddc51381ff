#include "graph/Vumo.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr int width = 300;
constexpr int height = 113;
constexpr int capacity = 100;
constexpr double xStep = 3.0;

// Two full series that look like real round-trip times and their average.
struct Samples {
    std::vector<std::int64_t> roundTrips;
    std::vector<std::int64_t> averages;

    Samples()
    {
        std::int64_t sum = 0;
        for (int i = 0; i < capacity; ++i) {
            const auto rtt = static_cast<std::int64_t>(20 + 15 * std::sin(i * 0.3) + (i % 17 == 0 ? 60 : 0));
            sum += rtt;
            roundTrips.push_back(rtt);
            averages.push_back((sum + (i + 1) / 2) / (i + 1));
        }
    }
};

const QString averageText = QStringLiteral("27");
const QString lastValueText = QStringLiteral("31");

// The renderer's own font as the window changes it in place.
void makeWindowFont(QFont& font)
{
    font.setBold(true);
    font.setFamily(QStringLiteral("Arial"));
    font.setPointSize(10);
}

// Configured as the window configures each slot's graph, then filled.
std::unique_ptr<TVumo> windowGraph(const Samples& samples)
{
    auto graph = std::make_unique<TVumo>(width, height);
    graph->SetGridX(5);
    graph->SetGridY(20);
    graph->SetGridColor(clSilver);
    graph->SetHeadroom(10);
    graph->SetXStep(xStep);
    graph->AddGraph(capacity, clRed);
    graph->AddGraph(capacity, clBlue);
    graph->Graphs()[0]->SetPenWidth(2);
    graph->Graphs()[1]->SetPenWidth(2);
    makeWindowFont(graph->Font());
    graph->Redraw();
    for (int i = 0; i < capacity; ++i) {
        graph->AddValue(0, samples.roundTrips[i]);
        graph->AddValue(1, samples.averages[i]);
    }
    graph->SetTopLeftText(averageText);
    graph->SetTopRightText(lastValueText);
    graph->SetShowTopLeft(true);
    graph->SetShowTopRight(true);
    return graph;
}

QImage newBitmap()
{
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    return image;
}

void BM_VumoRedraw(benchmark::State& state)
{
    const Samples samples;
    auto graph = windowGraph(samples);
    for (auto _ : state) {
        graph->Redraw();
        // As the slot's image paints it: rasterised where it is shown.
        const QImage shown = graph->Picture();
        benchmark::DoNotOptimize(shown.constBits());
    }
}
BENCHMARK(BM_VumoRedraw);

// As on every reply: a new sample in both series and new corner texts, so
// the points move and the texts are drawn afresh.
void BM_VumoRedrawAfterNewSample(benchmark::State& state)
{
    const Samples samples;
    auto graph = windowGraph(samples);
    std::size_t next = 0;
    for (auto _ : state) {
        const std::int64_t rtt = samples.roundTrips[next];
        const std::int64_t average = samples.averages[next];
        next = (next + 1) % samples.roundTrips.size();
        graph->AddValue(0, rtt);
        graph->SetTopRightText(QString::number(rtt));
        graph->AddValue(1, average);
        graph->SetTopLeftText(QString::number(average));
        graph->Redraw();
        const QImage shown = graph->Picture();
        benchmark::DoNotOptimize(shown.constBits());
    }
}
BENCHMARK(BM_VumoRedrawAfterNewSample);

// The way to the screen, from a Redraw to the pixels in a window's backing
// store (a 32-bit image larger than the graph): rasterised into the graph's
// bitmap and copied over, as before, against rasterised straight into the
// store.
QImage backingStore()
{
    QImage store(width + 120, height + 200, QImage::Format_RGB32);
    store.fill(0xFFC0C0C0u);
    return store;
}

// As the slot's image paints it into the window's backing store.
void paintShown(TVumo& graph, QImage& store)
{
    if (graph.LastChange().isEmpty())
        return;
    uchar* first = store.bits() + 100 * store.bytesPerLine() + 60 * 4;
    graph.PaintOnto(QImage(first, width, height, store.bytesPerLine(), QImage::Format_RGB32), graph.LastChange());
}

void BM_VumoToStoreByCopy(benchmark::State& state)
{
    const Samples samples;
    auto graph = windowGraph(samples);
    QImage store = backingStore();
    for (auto _ : state) {
        graph->Redraw();
        QPainter painter(&store);
        painter.drawImage(60, 100, graph->Picture());
    }
}
BENCHMARK(BM_VumoToStoreByCopy);

void BM_VumoToStoreDirectly(benchmark::State& state)
{
    const Samples samples;
    auto graph = windowGraph(samples);
    QImage store = backingStore();
    for (auto _ : state) {
        graph->Redraw();
        uchar* first = store.bits() + 100 * store.bytesPerLine() + 60 * 4;
        graph->PaintOnto(QImage(first, width, height, store.bytesPerLine(), QImage::Format_RGB32),
            QRect(0, 0, width, height));
        benchmark::DoNotOptimize(store.constBits());
    }
}
BENCHMARK(BM_VumoToStoreDirectly);

// 1,000 replies into one graph, each as the reply processing feeds it (the
// last value, the grid step, the average and the background) and as the
// shown graph puts it into the window's backing store. Loopback answers in
// 0 ms, so its picture stops changing once the series are full; a host
// further away moves its lines on every reply.
enum class Replies { Loopback, Varying };

void BM_VumoThousandReplies(benchmark::State& state)
{
    const auto kind = static_cast<Replies>(state.range(0));
    const Samples samples;
    QImage store = backingStore();
    for (auto _ : state) {
        state.PauseTiming();
        auto graph = windowGraph(Samples{});
        graph->Graphs()[0]->Clear();
        graph->Graphs()[1]->Clear();
        state.ResumeTiming();
        std::int64_t sum = 0;
        for (int i = 0; i < 1000; ++i) {
            const std::int64_t rtt = kind == Replies::Loopback ? 0 : samples.roundTrips[i % capacity];
            sum += rtt;
            const std::int64_t average = (sum + (i + 1) / 2) / (i + 1);
            graph->AddValue(0, rtt);
            const std::int64_t maximum = graph->Graphs()[0]->MaxValue();
            graph->SetGridY(maximum <= 20 ? 20 : static_cast<std::int32_t>(maximum / 10));
            graph->SetBackColor(clWhite);
            graph->SetTopRightText(QString::number(rtt));
            graph->SetTopLeftText(QString::number(average));
            graph->AddValue(1, average);
            graph->SetBackColor(average >= 50 ? TColor::FromRgb(247, 133, 49) : clWhite);
            graph->Redraw();
            paintShown(*graph, store);
        }
        benchmark::DoNotOptimize(store.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_VumoThousandReplies)->ArgName("varying")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

QPolygon plotted(const std::vector<std::int64_t>& values, double scale)
{
    QPolygon points(static_cast<int>(values.size()));
    for (int i = 0; i < points.size(); ++i)
        points[i] = QPoint(static_cast<int>(std::nearbyint(i * xStep)),
            height - static_cast<int>(std::nearbyint(values[i] * scale)) - 3);
    return points;
}

// The same picture drawn the plain way: every shape through QPainter, the
// series with 2-pixel pens.
void BM_QPainterReference(benchmark::State& state)
{
    const Samples samples;
    QFont font(QStringLiteral("Verdana"), 10);
    makeWindowFont(font);
    QImage background = newBitmap();
    const QColor silver(192, 192, 192);
    for (auto _ : state) {
        std::int64_t maximum = 0;
        for (std::int64_t value : samples.roundTrips)
            maximum = std::max(maximum, value);
        for (std::int64_t value : samples.averages)
            maximum = std::max(maximum, value);
        maximum += static_cast<std::int64_t>(std::nearbyint(maximum / 100.0 * 10));
        const double scale = static_cast<double>(height) / maximum;
        {
            QPainter painter(&background);
            painter.setPen(silver);
            painter.setBrush(Qt::white);
            painter.drawRect(0, 0, width - 1, height - 1);
            for (int x = 0; x <= width; x += 15)
                painter.drawLine(x, 0, x, height);
            for (double y = height; y >= 0; y = std::nearbyint(y - 20 * scale))
                painter.drawLine(0, static_cast<int>(y), width, static_cast<int>(y));
        }
        QImage bitmap = newBitmap();
        {
            QPainter painter(&bitmap);
            painter.drawImage(0, 0, background);
            painter.setPen(QPen(Qt::red, 2));
            painter.drawPolyline(plotted(samples.roundTrips, scale));
            painter.setPen(QPen(Qt::blue, 2));
            painter.drawPolyline(plotted(samples.averages, scale));
            painter.setFont(font);
            painter.setPen(Qt::black);
            const QFontMetrics metrics = painter.fontMetrics();
            painter.drawText(QPoint(1, 1 + metrics.ascent()), averageText);
            painter.drawText(QPoint(width - metrics.horizontalAdvance(lastValueText) - 1, 1 + metrics.ascent()),
                lastValueText);
        }
        const QImage picture = bitmap;
        QImage shown = picture.copy();
        benchmark::DoNotOptimize(shown.constBits());
    }
}
BENCHMARK(BM_QPainterReference);

// What no Redraw can beat: one background fill.
void BM_MemoryFloor(benchmark::State& state)
{
    QImage image = newBitmap();
    for (auto _ : state) {
        image.fill(0xFFFFFFFFu);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_MemoryFloor);

} // namespace
