#include "monitor/DesktopNotifier.h"

#include "monitor/HostDownWatch.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* Service = "org.freedesktop.Notifications";
constexpr const char* Path = "/org/freedesktop/Notifications";
constexpr const char* Interface = "org.freedesktop.Notifications";
// A connection of our own, so that a failed attempt can be dropped and
// made anew: the shared session connection is tried only once per process.
constexpr const char* ConnectionName = "quorvane-notifications";
constexpr const char* AppName = "Quorvane Grapher";
constexpr const char* AppId = "example.quorvane.Grapher";
constexpr qint64 RetryMs = 60 * 1000;

enum Urgency : uchar { Normal = 1, Critical = 2 };

QDBusConnection bus()
{
    return QDBusConnection(ConnectionName);
}

// Most services read the body as a small markup; host texts and
// descriptions are shown as typed.
QString plainBody(const QString& text)
{
    return text.toHtmlEscaped();
}

}

DesktopNotifier::DesktopNotifier(QObject* parent)
    : QObject(parent)
{
}

DesktopNotifier::~DesktopNotifier()
{
    if (m_connected)
        QDBusConnection::disconnectFromBus(ConnectionName);
}

bool DesktopNotifier::connectBus()
{
    if (m_connected && bus().isConnected())
        return true;
    if (m_connected)
        QDBusConnection::disconnectFromBus(ConnectionName);
    QDBusConnection connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, ConnectionName);
    m_connected = connection.isConnected();
    if (!m_connected) {
        const QString reason = connection.lastError().message();
        QDBusConnection::disconnectFromBus(ConnectionName);
        unavailable(reason.isEmpty() ? QString("no session bus") : reason);
        return false;
    }
    connection.connect(Service, Path, Interface, "ActionInvoked", this, SLOT(actionInvoked(uint,QString)));
    return true;
}

void DesktopNotifier::unavailable(const QString& reason)
{
    m_failedAgo.start();
    if (m_told)
        return;
    m_told = true;
    std::fprintf(stderr, "quorvane: desktop notifications are unavailable: %s\n", qPrintable(reason));
    std::fflush(stderr);
}

void DesktopNotifier::show(const HostStateNotice& notice)
{
    if (m_failedAgo.isValid() && !m_failedAgo.hasExpired(RetryMs))
        return;
    m_failedAgo.invalidate();
    if (!connectBus())
        return;

    QVariantMap hints;
    hints["urgency"] = QVariant::fromValue(static_cast<uchar>(notice.down ? Critical : Normal));
    hints["category"] = QString(notice.down ? "network.disconnected" : "network.connected");
    hints["desktop-entry"] = QString(AppId);
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, "Notify");
    call << QString(AppName) << m_ids.value(notice.replaces, 0u) << QString(AppId) << notice.summary
         << plainBody(notice.body) << QStringList{"default", "Show Quorvane Grapher"} << hints << qint32(-1);

    auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(call), this);
    const int serial = notice.serial;
    const int replaced = notice.replaces;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, serial, replaced](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<uint> reply = *finished;
        if (reply.isError()) {
            unavailable(reply.error().message().isEmpty() ? reply.error().name() : reply.error().message());
            return;
        }
        m_told = false;
        m_ids.remove(replaced);
        m_ids.insert(serial, reply.value());
    });
}

void DesktopNotifier::actionInvoked(uint id, const QString& action)
{
    if (action == "default" && std::find(m_ids.cbegin(), m_ids.cend(), id) != m_ids.cend())
        emit activated();
}
