#pragma once

#include <QDBusConnection>
#include <QString>

// Connects the D-Bus library to an address that has just answered us
// (SessionBus::reach), by a name of the caller's, without ever waiting for
// it longer than waitMs: the library waits without end for a Hello the bus
// never answers, and holds Qt's one D-Bus thread, every connection's, while
// it does. A connection not made in time is cut (SessionBus::cut) and comes
// back unconnected.
namespace BusConnection {

QDBusConnection within(const QString& address, const QString& name, int waitMs);

}
