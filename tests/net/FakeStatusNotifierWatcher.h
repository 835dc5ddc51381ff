#pragma once

#include <QImage>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>

// A panel's StatusNotifierWatcher of the test's own on the session bus,
// with a host registered, served on a thread of its own; it records the
// items that register and reads their tool tip and icon as a panel does.
class FakeStatusNotifierWatcher {
public:
    FakeStatusNotifierWatcher();
    ~FakeStatusNotifierWatcher();

    // Empty when the watcher holds its name on the bus.
    QString failure() const { return m_failure; }
    QStringList items() const;

    // The tool tip's title and the largest icon picture of an item; empty
    // when it does not answer.
    QString toolTip(const QString& item) const;
    QImage icon(const QString& item) const;

    // Called on the watcher's thread.
    void registered(const QString& item);

private:
    QThread m_thread;
    // Lives on the thread: what runs there runs in its name.
    QObject m_home;
    QString m_failure;
    mutable QMutex m_mutex;
    QStringList m_items;
};
