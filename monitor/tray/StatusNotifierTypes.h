#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>

class QDBusArgument;

// One picture of an icon as a StatusNotifierItem sends it, (iiay): ARGB32
// in network byte order, not premultiplied.
struct TrayPicture {
    int width = 0;
    int height = 0;
    QByteArray argb;

    static TrayPicture of(const QImage& image);
};
using TrayPictures = QList<TrayPicture>;

// A StatusNotifierItem's tool tip, (sa(iiay)ss): an icon by name or by
// pictures, a title and a text below it.
struct TrayToolTip {
    QString iconName;
    TrayPictures pictures;
    QString title;
    QString text;
};

QDBusArgument& operator<<(QDBusArgument& argument, const TrayPicture& picture);
const QDBusArgument& operator>>(const QDBusArgument& argument, TrayPicture& picture);
QDBusArgument& operator<<(QDBusArgument& argument, const TrayToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& argument, TrayToolTip& tip);

Q_DECLARE_METATYPE(TrayPicture)
Q_DECLARE_METATYPE(TrayToolTip)

namespace StatusNotifierTypes {
// Before an item is put on a connection.
void registerAll();
}
