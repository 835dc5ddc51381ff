#include "monitor/alerts/NotificationSession.h"

#include "monitor/alerts/SessionBus.h"

#include "common/ProductIdentity.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QThread>
#include <QTimer>
#include <QVariantMap>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr const char* Service = "org.freedesktop.Notifications";
constexpr const char* Path = "/org/freedesktop/Notifications";
constexpr const char* Interface = "org.freedesktop.Notifications";
// A connection of our own, so that a failed attempt can be dropped and
// made anew: the shared session connection is tried only once per process.
constexpr const char* ConnectionName = "quorvane-notifications";

enum Urgency : uchar { Normal = 1, Critical = 2 };

QDBusConnection bus()
{
    return QDBusConnection(ConnectionName);
}

QDBusMessage callOf(const char* method)
{
    return QDBusMessage::createMethodCall(Service, Path, Interface, method);
}

bool givenUp()
{
    return QThread::currentThread()->isInterruptionRequested();
}

}

NotificationSession::NotificationSession() = default;

NotificationSession::~NotificationSession()
{
    if (m_connected)
        QDBusConnection::disconnectFromBus(ConnectionName);
}

QString NotificationSession::errorText(const QDBusPendingCallWatcher& call)
{
    const QDBusError error = call.error();
    return error.message().isEmpty() ? error.name() : error.message();
}

// The bus is asked first on a socket of our own: the library is given only
// an address that answered, and never one it would have to start.
bool NotificationSession::connectBus()
{
    if (m_connected && bus().isConnected())
        return true;
    if (m_connected) {
        unavailable("the session bus connection was lost");
        return false;
    }
    m_failedAgo.invalidate();
    const SessionBus::Reached reached = SessionBus::reach(AnswerMs, &givenUp);
    if (reached.address.isEmpty()) {
        if (!reached.failure.isEmpty())
            unavailable(reached.failure);
        return false;
    }
    QDBusConnection connection = QDBusConnection::connectToBus(reached.address, ConnectionName);
    m_connected = connection.isConnected();
    if (!m_connected) {
        const QString reason = connection.lastError().message();
        QDBusConnection::disconnectFromBus(ConnectionName);
        unavailable(reason.isEmpty() ? QString("the session bus refused the connection") : reason);
        return false;
    }
    // No service name: matching on a name would first ask the bus for its
    // owner, a call that waits. Our ids tell our notices apart.
    connection.connect({}, Path, Interface, "ActionInvoked", this, SLOT(actionInvoked(uint,QString)));
    askCapabilities();
    return true;
}

void NotificationSession::askCapabilities()
{
    auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(callOf("GetCapabilities"), AnswerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QStringList> reply = *call;
        if (reply.isError()) {
            unavailable(errorText(*call));
            return;
        }
        m_bodyMarkup = reply.value().contains("body-markup");
        sendWaiting();
    });
}

void NotificationSession::unavailable(const QString& reason)
{
    m_failedAgo.start();
    m_waiting.clear();
    m_bodyMarkup.reset();
    if (m_connected) {
        m_connected = false;
        QDBusConnection::disconnectFromBus(ConnectionName);
    }
    if (m_told)
        return;
    m_told = true;
    std::fprintf(stderr, "quorvane: desktop notifications are unavailable: %s\n", qPrintable(reason));
    std::fflush(stderr);
}

void NotificationSession::show(const HostStateNotice& notice)
{
    if (m_ending || (m_failedAgo.isValid() && !m_failedAgo.hasExpired(RetryMs)))
        return;
    if (!connectBus())
        return;
    m_waiting.push_back(notice);
    sendWaiting();
}

void NotificationSession::sendWaiting()
{
    if (!m_bodyMarkup)
        return;
    const std::vector<HostStateNotice> waiting = std::exchange(m_waiting, {});
    for (const HostStateNotice& notice : waiting)
        send(notice);
}

// Host texts and descriptions are shown as typed: escaped where the
// service reads the body as markup, as they are where it does not.
void NotificationSession::send(const HostStateNotice& notice)
{
    QVariantMap hints;
    hints["urgency"] = QVariant::fromValue(static_cast<uchar>(notice.down ? Critical : Normal));
    hints["category"] = QString(notice.down ? "network.disconnected" : "network.connected");
    hints["desktop-entry"] = QString(ProductIdentity::ApplicationId);
    QDBusMessage call = callOf("Notify");
    call << QString(ProductIdentity::DisplayName) << m_shown.value(notice.replaces).id << QString(ProductIdentity::ApplicationId) << notice.summary
         << (*m_bodyMarkup ? notice.body.toHtmlEscaped() : notice.body)
         << QStringList{"default", QString("Show %1").arg(ProductIdentity::DisplayName)} << hints << qint32(-1);

    auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(call, AnswerMs), this);
    const int serial = notice.serial;
    const int replaced = notice.replaces;
    const bool down = notice.down;
    const auto answered = [this, serial, replaced, down](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<uint> reply = *call;
        if (reply.isError()) {
            unavailable(errorText(*call));
            return;
        }
        m_told = false;
        m_shown.remove(replaced);
        m_shown.insert(serial, {reply.value(), down});
    };
    connect(watcher, &QDBusPendingCallWatcher::finished, this, answered);
}

// After quit nobody would send the "up again" that takes a "down" notice's
// place. The answers are waited for, but never past WithdrawMs.
void NotificationSession::withdrawAndEnd()
{
    m_ending = true;
    m_waiting.clear();
    QThread* own = thread();
    auto pending = std::make_shared<int>(0);
    for (const Shown& shown : std::as_const(m_shown)) {
        if (!m_connected || !shown.down)
            continue;
        QDBusMessage call = callOf("CloseNotification");
        call << shown.id;
        auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(call, WithdrawMs), this);
        ++*pending;
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [own, pending](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            if (--*pending == 0)
                own->quit();
        });
    }
    m_shown.clear();
    if (*pending == 0)
        own->quit();
    else
        // Timed on this thread: a timer given to the thread object would be
        // handed to the GUI thread, which is ending and would never free it.
        QTimer::singleShot(WithdrawMs + 50, this, [own] { own->quit(); });
}

void NotificationSession::actionInvoked(uint id, const QString& action)
{
    const auto ours = [id](const Shown& shown) { return shown.id == id; };
    if (action == "default" && std::any_of(m_shown.cbegin(), m_shown.cend(), ours))
        emit activated();
}
