#include "monitor/tray/TrayIcons.h"

#include <QPainter>

#include <array>

namespace {

constexpr std::array<int, 5> Sizes{16, 22, 24, 32, 64};

// Told apart by brightness too, not by hue alone.
QColor dark(const QColor& colour)
{
    return colour.darker(170);
}

// Drawn on an image, which any thread may paint: the panel item is served
// off the GUI thread.
QImage disc(const QColor& colour, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal rim = size / 16.0 + 0.5;
    painter.setPen(QPen(dark(colour), rim));
    painter.setBrush(colour);
    const qreal inset = rim / 2 + size / 16.0;
    painter.drawEllipse(QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
    return image;
}

}

QColor TrayIcons::colourOf(TrayGlance::Level level)
{
    switch (level) {
    case TrayGlance::Level::Answering:
        return QColor(0x2e, 0xa0, 0x43);
    case TrayGlance::Level::AboveThreshold:
        return QColor(0xf0, 0xc0, 0x00);
    case TrayGlance::Level::Down:
        return QColor(0xd8, 0x20, 0x20);
    case TrayGlance::Level::Idle:
        break;
    }
    return QColor(0x9a, 0x9a, 0x9a);
}

std::vector<QImage> TrayIcons::pictures(TrayGlance::Level level)
{
    std::vector<QImage> all;
    for (const int size : Sizes)
        all.push_back(disc(colourOf(level), size));
    return all;
}
