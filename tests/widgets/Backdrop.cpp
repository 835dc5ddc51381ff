#include "Backdrop.h"

#include <QPainter>

Backdrop::Backdrop(QSize size)
    : m_picture(size, QImage::Format_RGB32)
{
    resize(size);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            m_picture.setPixel(x, y, Pattern(x, y));
}

QRgb Backdrop::Pattern(int x, int y)
{
    return qRgb((x * 37 + y * 11) % 256, (x * 13 + y * 53 + 40) % 256, (x * 7 + y * 29 + 100) % 256);
}

void Backdrop::paintEvent(QPaintEvent*)
{
    QPainter(this).drawImage(0, 0, m_picture);
}
