#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QThread>

#include <functional>

// A service of the test's own on the session bus, served on a thread of its
// own (the tests wait without running an event loop): while it lives, it
// owns its name on a connection of its own, with one object at one path.
class FakeBusService {
public:
    // `adaptor` is made on the service's thread, which then owns it. The
    // service is on the bus at `address`, else on the test's session bus.
    FakeBusService(const char* name, const char* connection, const char* path, std::function<QObject*()> adaptor,
                   QDBusConnection::RegisterOptions options, const QString& address = {});
    ~FakeBusService();
    FakeBusService(const FakeBusService&) = delete;
    FakeBusService& operator=(const FakeBusService&) = delete;

    // Empty when the service holds its name on the bus.
    QString failure() const { return m_failure; }

private:
    const char* m_name;
    const char* m_connection;
    QThread m_thread;
    // Lives on the thread: what runs there runs in its name.
    QObject m_home;
    QString m_failure;
};
