#include "FakeNotificationService.h"

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
    , m_bus(Name, Connection, "/org/freedesktop/Notifications", [this] { return new Adaptor(*this); },
            QDBusConnection::ExportAllSlots)
{
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
