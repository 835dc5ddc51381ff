#pragma once

#include "FakeBusService.h"

#include <QImage>
#include <QMutex>
#include <QString>
#include <QStringList>

// A panel's StatusNotifierWatcher of the test's own on the session bus,
// with a host registered, served on a thread of its own; it records the
// items that register and reads their tool tip and icon as a panel does.
class FakeStatusNotifierWatcher {
public:
    // On the bus at `address`, else on the test's session bus.
    explicit FakeStatusNotifierWatcher(const QString& address = {});

    // Empty when the watcher holds its name on the bus.
    QString failure() const { return m_bus.failure(); }
    QStringList items() const;

    // The tool tip's title and the largest icon picture of an item; empty
    // when it does not answer.
    QString toolTip(const QString& item) const;
    QImage icon(const QString& item) const;

    // Called on the watcher's thread.
    void registered(const QString& item);

private:
    mutable QMutex m_mutex;
    QStringList m_items;
    // Last: it serves from its construction, and goes before what it uses.
    FakeBusService m_bus;
};
