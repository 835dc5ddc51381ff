#pragma once

#include "FakeBusService.h"

#include <QMutex>
#include <QString>
#include <QStringList>

#include <vector>

// A notification service of the test's own on the session bus, served on a
// thread of its own (the tests wait without running an event loop): it
// announces the capabilities it is given and records what it is told.
class FakeNotificationService {
public:
    struct Notice {
        uint id = 0;
        QString summary;
        QString body;
    };

    explicit FakeNotificationService(const QStringList& capabilities);

    // Empty when the service holds its name on the bus.
    QString failure() const { return m_bus.failure(); }
    std::vector<Notice> notices() const;
    std::vector<uint> closed() const;

    // Called on the service's thread.
    QStringList capabilities() const { return m_capabilities; }
    uint notify(const QString& summary, const QString& body);
    void close(uint id);

private:
    QStringList m_capabilities;
    mutable QMutex m_mutex;
    std::vector<Notice> m_notices;
    std::vector<uint> m_closed;
    // Last: it serves from its construction, and goes before what it uses.
    FakeBusService m_bus;
};
