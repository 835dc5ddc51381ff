#include "monitor/GraphImage.h"

#include <QMouseEvent>
#include <QPainter>

GraphImage::GraphImage(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphImage::setPicture(const QImage& picture)
{
    // A copy of its own: implicit sharing detaches it from the graph's
    // bitmap the moment the graph draws again.
    m_picture = picture;
    update();
}

void GraphImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_picture.isNull())
        painter.fillRect(rect(), Qt::white);
    else
        painter.drawImage(0, 0, m_picture);
}

void GraphImage::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}
