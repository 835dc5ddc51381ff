#include "monitor/tray/StatusNotifierTypes.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QtEndian>

TrayPicture TrayPicture::of(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    TrayPicture picture{argb.width(), argb.height(), {}};
    picture.argb.reserve(qsizetype(argb.width()) * argb.height() * 4);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const quint32 pixel = qToBigEndian(row[x]);
            picture.argb.append(reinterpret_cast<const char*>(&pixel), 4);
        }
    }
    return picture;
}

QDBusArgument& operator<<(QDBusArgument& argument, const TrayPicture& picture)
{
    argument.beginStructure();
    argument << picture.width << picture.height << picture.argb;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, TrayPicture& picture)
{
    argument.beginStructure();
    argument >> picture.width >> picture.height >> picture.argb;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const TrayToolTip& tip)
{
    argument.beginStructure();
    argument << tip.iconName << tip.pictures << tip.title << tip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, TrayToolTip& tip)
{
    argument.beginStructure();
    argument >> tip.iconName >> tip.pictures >> tip.title >> tip.text;
    argument.endStructure();
    return argument;
}

void StatusNotifierTypes::registerAll()
{
    qDBusRegisterMetaType<TrayPicture>();
    qDBusRegisterMetaType<TrayPictures>();
    qDBusRegisterMetaType<TrayToolTip>();
}
