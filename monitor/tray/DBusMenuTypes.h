#pragma once

#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

class QDBusArgument;

// An item of a com.canonical.dbusmenu layout with the items below it,
// (ia{sv}av): each child comes as a variant that holds its own layout.
struct MenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<MenuLayoutItem> children;
};

// An item's properties, (ia{sv}).
struct MenuItemProperties {
    int id = 0;
    QVariantMap properties;
};

// An event on an item ("clicked"), (isvu).
struct MenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

QDBusArgument& operator<<(QDBusArgument& argument, const MenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, MenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const MenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, MenuItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& argument, const MenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, MenuEvent& event);

Q_DECLARE_METATYPE(MenuLayoutItem)
Q_DECLARE_METATYPE(MenuItemProperties)
Q_DECLARE_METATYPE(MenuEvent)

namespace DBusMenuTypes {
// Before a menu is put on a connection.
void registerAll();
}
