#include "FakeBusService.h"

#include <QDBusConnectionInterface>
#include <QDBusError>

FakeBusService::FakeBusService(const char* name, const char* connection, const char* path,
                               std::function<QObject*()> adaptor, QDBusConnection::RegisterOptions options,
                               const QString& address)
    : m_name(name)
    , m_connection(connection)
{
    m_home.moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        &m_home,
        [&] {
            QDBusConnection bus = address.isEmpty()
                                      ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connection)
                                      : QDBusConnection::connectToBus(address, m_connection);
            QObject* object = adaptor();
            object->setParent(&m_home);
            if (!bus.registerObject(path, object, options))
                m_failure = QString("cannot register the object at %1").arg(path);
            else if (!bus.registerService(m_name))
                m_failure = "cannot own " + QString(m_name) + ": " + bus.lastError().message();
        },
        Qt::BlockingQueuedConnection);
}

FakeBusService::~FakeBusService()
{
    QMetaObject::invokeMethod(
        &m_home,
        [this] {
            QDBusConnection(m_connection).unregisterService(m_name);
            QDBusConnection::disconnectFromBus(m_connection);
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}
