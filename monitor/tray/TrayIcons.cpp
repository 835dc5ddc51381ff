#include "monitor/tray/TrayIcons.h"

#include <QPainter>
#include <QPixmap>

#include <array>

namespace {

// Told apart by brightness too, not by hue alone.
QColor dark(const QColor& colour)
{
    return colour.darker(170);
}

QPixmap disc(const QColor& colour, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal rim = size / 16.0 + 0.5;
    painter.setPen(QPen(dark(colour), rim));
    painter.setBrush(colour);
    const qreal inset = rim / 2 + size / 16.0;
    painter.drawEllipse(QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
    return pixmap;
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

QIcon TrayIcons::of(TrayGlance::Level level)
{
    static constexpr std::array<int, 5> Sizes{16, 22, 24, 32, 64};
    QIcon icon;
    for (const int size : Sizes)
        icon.addPixmap(disc(colourOf(level), size));
    return icon;
}
