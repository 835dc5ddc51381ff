#pragma once

#include <QWidget>

#include <functional>

class TVumo;

// The image control of a slot: shows its graph's picture as of the graph's
// latest Redraw, drawn for the screen's device pixel ratio, and reports
// double-clicks and context-menu requests. It takes the keyboard focus,
// which the window marks with a frame around it, never on the picture.
class GraphImage : public QWidget {
    Q_OBJECT

public:
    explicit GraphImage(QWidget* parent = nullptr);

    // The graph stays the caller's and must outlive this control or be
    // replaced before it goes.
    void setGraph(TVumo* graph);
    // The graph was redrawn: what changed in its picture is put on the
    // screen at the next paint, however many redraws come before it.
    void refresh();

    // The graph's state in words, for a screen reader: asked for only when
    // one reads it.
    void setDescriber(std::function<QString()> describe) { m_describe = std::move(describe); }
    QString stateDescription() const { return m_describe ? m_describe() : QString(); }

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool paintIntoBackingStore(const QPaintEvent& event);

    TVumo* m_graph = nullptr;
    std::function<QString()> m_describe;
};
