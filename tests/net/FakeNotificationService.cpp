#include "FakeNotificationService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMutexLocker>
#include <QObject>
#include <QVariantMap>

namespace {

constexpr const char* Name = "org.freedesktop.Notifications";
constexpr const char* Connection = "fake-notification-service";

class Adaptor : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit Adaptor(FakeNotificationService& service)
        : m_service(service)
    {
    }

public slots:
    QStringList GetCapabilities() { return m_service.capabilities(); }
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int)
    {
        return m_service.notify(summary, body);
    }
    void CloseNotification(uint id) { m_service.close(id); }
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion)
    {
        vendor = "test";
        version = "1";
        specVersion = "1.2";
        return "fake";
    }

private:
    FakeNotificationService& m_service;
};

}

FakeNotificationService::FakeNotificationService(const QStringList& capabilities)
    : m_capabilities(capabilities)
{
    m_home.moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        &m_home,
        [this] {
            QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, Connection);
            auto* adaptor = new Adaptor(*this);
            adaptor->setParent(&m_home);
            if (!bus.registerObject("/org/freedesktop/Notifications", adaptor, QDBusConnection::ExportAllSlots))
                m_failure = "cannot register the service's object";
            else if (!bus.registerService(Name))
                m_failure = "cannot own " + QString(Name) + ": " + bus.lastError().message();
        },
        Qt::BlockingQueuedConnection);
}

FakeNotificationService::~FakeNotificationService()
{
    QMetaObject::invokeMethod(
        &m_home,
        [] {
            QDBusConnection(Connection).unregisterService(Name);
            QDBusConnection::disconnectFromBus(Connection);
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

uint FakeNotificationService::notify(const QString& summary, const QString& body)
{
    const QMutexLocker lock(&m_mutex);
    m_notices.push_back({static_cast<uint>(m_notices.size() + 1), summary, body});
    return m_notices.back().id;
}

void FakeNotificationService::close(uint id)
{
    const QMutexLocker lock(&m_mutex);
    m_closed.push_back(id);
}

std::vector<FakeNotificationService::Notice> FakeNotificationService::notices() const
{
    const QMutexLocker lock(&m_mutex);
    return m_notices;
}

std::vector<uint> FakeNotificationService::closed() const
{
    const QMutexLocker lock(&m_mutex);
    return m_closed;
}

#include "FakeNotificationService.moc"
