#pragma once

#include "monitor/history/view/HistorySpan.h"

#include <QWidget>

// One host's round-trip times over a span, a bucket to a column: the band
// from min to max, the median across it, lost echoes as an orange strip at
// the foot (a column wholly lost is orange throughout), on the graphs'
// white with silver grid lines. Drawn in device pixels, so that it is crisp
// at any scale. The wheel zooms (with Shift, or sideways, it moves); the
// keys + and − (or Up and Down) zoom, Left and Right move a quarter span,
// Page Up and Page Down a whole one, End goes to now. Hovering a column
// tells its numbers.
class HistoryChart : public QWidget {
    Q_OBJECT

public:
    explicit HistoryChart(QWidget* parent = nullptr);

    void setSpan(const HistorySpan& span);
    // A text shown in place of the columns: while reading, or what failed.
    void setNotice(const QString& notice);
    const HistorySpan& span() const { return m_span; }

    // The bucket under a point, or -1.
    int bucketAt(const QPoint& at) const;
    QString bucketText(int bucket) const;

signals:
    void zoomRequested(int steps);       // positive: a shorter span
    void scrollRequested(int quarters);  // positive: later
    void latestRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Frame;
    Frame frame(qreal dpr) const;
    void paintGrid(class QPainter& painter, const Frame& f, int topMs) const;
    void paintColumns(QPainter& painter, const Frame& f, int topMs) const;

    HistorySpan m_span;
    QString m_notice;
    int m_wheelX = 0;
    int m_wheelY = 0;
};
