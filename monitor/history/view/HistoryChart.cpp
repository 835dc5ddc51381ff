#include "monitor/history/view/HistoryChart.h"

#include <QDateTime>
#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

const QColor White(255, 255, 255);
const QColor Silver(192, 192, 192);
const QColor Band(255, 176, 176);
const QColor Median(255, 0, 0);
const QColor Lost(247, 133, 49);  // the window's orange signal
const QColor AllLost(255, 222, 196);

// 1, 2 or 5 times a power of ten, at least value.
int niceStep(double value)
{
    const double power = std::pow(10.0, std::floor(std::log10(std::max(value, 1.0))));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= value)
            return static_cast<int>(m * power);
    return static_cast<int>(10 * power);
}

QString localText(qint64 ms, const char* format)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(format);
}

}

// Everything in device pixels: the plot's edges and one logical pixel.
struct HistoryChart::Frame {
    qreal dpr;
    int width, height;
    int left, top, right, bottom;
    int px(double logical) const { return std::max(1, static_cast<int>(std::lround(logical * dpr))); }
    int columnX(std::size_t i, std::size_t n) const
    {
        return left + static_cast<int>((static_cast<qint64>(right - left) * static_cast<qint64>(i)) / static_cast<qint64>(std::max<std::size_t>(n, 1)));
    }
    QRectF logical(int x0, int y0, int x1, int y1) const { return {x0 / dpr, y0 / dpr, (x1 - x0) / dpr, (y1 - y0) / dpr}; }
};

HistoryChart::HistoryChart(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(480, 220);
    QFont labels("Arial");
    labels.setPointSize(8);
    setFont(labels);
}

void HistoryChart::setSpan(const HistorySpan& span)
{
    m_span = span;
    m_notice = span.error;
    update();
}

void HistoryChart::setNotice(const QString& notice)
{
    m_notice = notice;
    update();
}

HistoryChart::Frame HistoryChart::frame(qreal dpr) const
{
    Frame f{dpr, static_cast<int>(std::lround(width() * dpr)), static_cast<int>(std::lround(height() * dpr)), 0, 0, 0, 0};
    f.left = f.px(48);
    f.top = f.px(8);
    f.right = f.width - f.px(10);
    f.bottom = f.height - f.px(20);
    return f;
}

int HistoryChart::bucketAt(const QPoint& at) const
{
    const Frame f = frame(devicePixelRatioF());
    const int x = static_cast<int>(at.x() * f.dpr);
    const std::size_t n = m_span.buckets.size();
    if (n == 0 || x < f.left || x >= f.right || at.y() * f.dpr < f.top || at.y() * f.dpr >= f.bottom)
        return -1;
    for (std::size_t i = 0; i < n; ++i)
        if (x < f.columnX(i + 1, n))
            return static_cast<int>(i);
    return -1;
}

QString HistoryChart::bucketText(int bucket) const
{
    if (bucket < 0 || static_cast<std::size_t>(bucket) >= m_span.buckets.size())
        return {};
    const HistorySummary& s = m_span.buckets[static_cast<std::size_t>(bucket)];
    const qint64 from = m_span.request.fromMs + bucket * m_span.request.bucketMs;
    QString text = QString("%1 to %2\n").arg(localText(from, "d MMM HH:mm:ss"),
                                              localText(from + m_span.request.bucketMs, "HH:mm:ss"));
    if (s.echoes == 0)
        return text + "no echoes";
    text += QString("%1 echoes, %2 lost").arg(s.echoes).arg(s.lost);
    if (s.minMs)
        text += QString("\nmin %1 ms, median %2 ms, max %3 ms").arg(*s.minMs).arg(s.medianMs.value_or(0)).arg(*s.maxMs);
    return text;
}

void HistoryChart::paintEvent(QPaintEvent*)
{
    const qreal dpr = devicePixelRatioF();
    const Frame f = frame(dpr);
    QImage image(f.width, f.height, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(palette().color(QPalette::Window));
    QPainter painter(&image);
    painter.setFont(font());
    painter.fillRect(f.logical(f.left, f.top, f.right, f.bottom), White);

    int maxMs = 0;
    for (const HistorySummary& s : m_span.buckets)
        maxMs = std::max(maxMs, s.maxMs.value_or(0));
    const int step = niceStep(std::max(maxMs * 1.1, 5.0) / 5);
    const int topMs = step * static_cast<int>(std::ceil(std::max(maxMs * 1.1, 5.0) / step));
    paintGrid(painter, f, topMs);
    if (m_notice.isEmpty())
        paintColumns(painter, f, topMs);
    else
        painter.drawText(f.logical(f.left, f.top, f.right, f.bottom), Qt::AlignCenter | Qt::TextWordWrap, m_notice);
    painter.setPen(Silver);
    painter.fillRect(f.logical(f.left, f.bottom, f.right, f.bottom + f.px(1)), Silver);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 0, Qt::DotLine));
        painter.drawRect(f.logical(f.left - f.px(2), f.top - f.px(2), f.right + f.px(1), f.bottom + f.px(1)));
    }
    painter.end();
    QPainter(this).drawImage(QPoint(0, 0), image);
}

// Grid lines fall on whole device pixels; the times are local, as the
// window's are, and ticks fall on the local clock's round values.
void HistoryChart::paintGrid(QPainter& painter, const Frame& f, int topMs) const
{
    const int step = niceStep(topMs / 5.0);
    const int textHeight = painter.fontMetrics().height();
    for (int ms = 0; ms <= topMs; ms += step) {
        const int y = f.bottom - static_cast<int>(std::lround(static_cast<double>(f.bottom - f.top) * ms / topMs));
        painter.fillRect(f.logical(f.left, y, f.right, y + f.px(1)), Silver);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRectF(0, y / f.dpr - textHeight / 2.0, f.left / f.dpr - 4, textHeight),
                         Qt::AlignRight | Qt::AlignVCenter, QString("%1 ms").arg(ms));
    }
    const HistorySpanRequest& r = m_span.request;
    const qint64 span = r.toMs - r.fromMs;
    if (span <= 0)
        return;
    const qint64 hour = 3'600'000;
    const qint64 tick = span <= hour ? 10 * 60'000 : span <= 24 * hour ? 3 * hour : span <= 7 * 24 * hour ? 24 * hour : 15 * 24 * hour;
    const char* format = tick < 24 * hour ? "HH:mm" : "d MMM";
    const qint64 offset = QDateTime::fromMSecsSinceEpoch(r.fromMs).offsetFromUtc() * 1000LL;
    for (qint64 t = ((r.fromMs + offset) / tick + 1) * tick - offset; t < r.toMs; t += tick) {
        const int x = f.left + static_cast<int>(std::lround(static_cast<double>(f.right - f.left) * (t - r.fromMs) / span));
        painter.fillRect(f.logical(x, f.top, x + f.px(1), f.bottom), Silver);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRectF(x / f.dpr - 40, f.bottom / f.dpr + 2, 80, textHeight), Qt::AlignHCenter | Qt::AlignTop,
                         localText(t, format));
    }
}

void HistoryChart::paintColumns(QPainter& painter, const Frame& f, int topMs) const
{
    const std::size_t n = m_span.buckets.size();
    const auto y = [&](int ms) {
        return f.bottom - static_cast<int>(std::lround(static_cast<double>(f.bottom - f.top) * ms / topMs));
    };
    const int medianHeight = f.px(2);
    for (std::size_t i = 0; i < n; ++i) {
        const HistorySummary& s = m_span.buckets[i];
        if (s.echoes == 0)
            continue;
        const int x0 = f.columnX(i, n);
        const int x1 = std::max(x0 + 1, f.columnX(i + 1, n));
        if (s.lost == s.echoes)
            painter.fillRect(f.logical(x0, f.top, x1, f.bottom), AllLost);
        if (s.minMs && s.maxMs) {
            painter.fillRect(f.logical(x0, y(*s.maxMs), x1, y(*s.minMs) + f.px(1)), Band);
            const int ym = y(s.medianMs.value_or(*s.minMs));
            painter.fillRect(f.logical(x0, ym - medianHeight / 2, x1, ym - medianHeight / 2 + medianHeight), Median);
        }
        if (s.lost > 0) {
            const int h = std::max(f.px(3), static_cast<int>((f.bottom - f.top) * 0.15 * s.lost / s.echoes));
            painter.fillRect(f.logical(x0, f.bottom - h, x1, f.bottom), Lost);
        }
    }
}

void HistoryChart::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        emit scrollRequested(-1);
        return;
    case Qt::Key_Right:
        emit scrollRequested(1);
        return;
    case Qt::Key_PageUp:
        emit scrollRequested(-4);
        return;
    case Qt::Key_PageDown:
        emit scrollRequested(4);
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Up:
        emit zoomRequested(1);
        return;
    case Qt::Key_Minus:
    case Qt::Key_Down:
        emit zoomRequested(-1);
        return;
    case Qt::Key_End:
        emit latestRequested();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

// A notch is 120; touchpads send less at a time, which adds up.
void HistoryChart::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    const bool sideways = (event->modifiers() & Qt::ShiftModifier) || delta.x() != 0;
    int& sum = sideways ? m_wheelX : m_wheelY;
    sum += sideways ? (delta.x() != 0 ? delta.x() : delta.y()) : delta.y();
    const int steps = sum / 120;
    if (steps == 0)
        return;
    sum -= steps * 120;
    if (sideways)
        emit scrollRequested(-steps);
    else
        emit zoomRequested(steps);
    event->accept();
}

bool HistoryChart::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = bucketText(bucketAt(help->pos()));
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}
