#include "monitor/GraphImage.h"

#include <QMouseEvent>
#include <QPainter>

#include <cstring>

GraphImage::GraphImage(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphImage::setPicture(const QImage& picture)
{
    // Pixels of its own, copied into the buffer it already has: sharing
    // the graph's bitmap would make the graph's next drawing copy it into
    // a new buffer instead.
    if (m_picture.isDetached() && m_picture.size() == picture.size() && m_picture.format() == picture.format()
        && m_picture.sizeInBytes() == picture.sizeInBytes())
        std::memcpy(m_picture.bits(), picture.constBits(), static_cast<std::size_t>(picture.sizeInBytes()));
    else
        m_picture = picture.copy();
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
