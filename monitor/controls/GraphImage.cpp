#include "monitor/controls/GraphImage.h"

#include "graph/Vumo.h"

#include <QMouseEvent>
#include <QPainter>

GraphImage::GraphImage(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void GraphImage::setGraph(TVumo* graph)
{
    m_graph = graph;
    update();
}

// The picture is rasterised here, when it is first shown, and drawn from
// the graph's bitmap without a copy of its own: keeping one would make the
// graph's next rasterisation copy the bitmap first.
void GraphImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_graph)
        painter.drawImage(0, 0, m_graph->Picture());
    else
        painter.fillRect(rect(), Qt::white);
}

void GraphImage::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}
