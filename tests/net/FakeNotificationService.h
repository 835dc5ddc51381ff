#pragma once

#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>

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
    ~FakeNotificationService();

    // Empty when the service holds its name on the bus.
    QString failure() const { return m_failure; }
    std::vector<Notice> notices() const;
    std::vector<uint> closed() const;

    // Called on the service's thread.
    QStringList capabilities() const { return m_capabilities; }
    uint notify(const QString& summary, const QString& body);
    void close(uint id);

private:
    QStringList m_capabilities;
    QThread m_thread;
    // Lives on the thread: what runs there runs in its name.
    QObject m_home;
    QString m_failure;
    mutable QMutex m_mutex;
    std::vector<Notice> m_notices;
    std::vector<uint> m_closed;
};
