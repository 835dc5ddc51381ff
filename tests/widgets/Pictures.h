#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

namespace Pictures {

// What the widget paints, one 32-bit pixel per pixel.
inline QImage Of(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The smallest rectangle holding every pixel that is not the background.
inline QRect Ink(const QImage& picture, QRgb background)
{
    QRect ink;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if ((picture.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

}
