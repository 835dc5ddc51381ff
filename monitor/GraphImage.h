#pragma once

#include <QWidget>

class QPainter;
class TVumo;

// The image control of a slot: shows its graph's picture as of the graph's
// latest Redraw, painted straight from the graph's own bitmap, and reports
// double-clicks and context-menu requests.
class GraphImage : public QWidget {
    Q_OBJECT

public:
    explicit GraphImage(QWidget* parent = nullptr);

    // The graph stays the caller's and must outlive this control or be
    // replaced before it goes.
    void setGraph(TVumo* graph);
    // The graph was redrawn: its picture is put on the screen at the next
    // paint, however many redraws come before it.
    void refresh() { update(); }

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool paintIntoBackingStore(QPainter& painter, const QPaintEvent& event);

    TVumo* m_graph = nullptr;
};
