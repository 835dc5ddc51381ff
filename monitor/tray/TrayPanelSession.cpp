#include "monitor/tray/TrayPanelSession.h"

#include "monitor/alerts/BusConnection.h"
#include "monitor/alerts/SessionBus.h"
#include "monitor/tray/DBusTrayMenu.h"
#include "monitor/tray/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

// A connection of our own, so that a lost or failed one can be dropped
// and made anew.
constexpr const char* ConnectionName = "quorvane-tray";
constexpr const char* WatcherService = "org.kde.StatusNotifierWatcher";
constexpr const char* WatcherPath = "/StatusNotifierWatcher";
constexpr const char* BusService = "org.freedesktop.DBus";
constexpr const char* BusPath = "/org/freedesktop/DBus";
constexpr uint DoNotQueue = 4;
constexpr uint PrimaryOwner = 1;
constexpr QDBusConnection::RegisterOptions Exports = QDBusConnection::ExportScriptableSlots
                                                     | QDBusConnection::ExportScriptableSignals
                                                     | QDBusConnection::ExportAllProperties;

QDBusConnection bus()
{
    return QDBusConnection(ConnectionName);
}

bool givenUp()
{
    return QThread::currentThread()->isInterruptionRequested();
}

}

TrayPanelSession::TrayPanelSession()
    : m_item(new StatusNotifierItem(DBusTrayMenu::Path, this))
    , m_menu(new DBusTrayMenu(this))
    , m_retry(new QTimer(this))
    , m_service(QString("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid()))
{
    StatusNotifierTypes::registerAll();
    DBusMenuTypes::registerAll();
    m_retry->setSingleShot(true);
    m_retry->setInterval(RetryMs);
    connect(m_retry, &QTimer::timeout, this, &TrayPanelSession::attach);
    connect(m_item, &StatusNotifierItem::activated, this, &TrayPanelSession::activated);
    connect(m_item, &StatusNotifierItem::contextMenuAsked, this, &TrayPanelSession::contextMenuAsked);
    connect(m_menu, &DBusTrayMenu::startStopChosen, this, &TrayPanelSession::startStopChosen);
    connect(m_menu, &DBusTrayMenu::showChosen, this, &TrayPanelSession::showChosen);
    connect(m_menu, &DBusTrayMenu::quitChosen, this, &TrayPanelSession::quitChosen);
}

TrayPanelSession::~TrayPanelSession()
{
    leave();
}

void TrayPanelSession::setWanted(bool wanted)
{
    m_wanted = wanted;
    if (wanted)
        attach();
    else
        leave();
}

void TrayPanelSession::show(TrayGlance::Level level, const QString& toolTip, bool polling)
{
    m_item->show(level, toolTip);
    m_menu->setPolling(polling);
}

void TrayPanelSession::end()
{
    m_wanted = false;
    leave();
    thread()->quit();
}

void TrayPanelSession::attach()
{
    m_retry->stop();
    if (m_connected && !bus().isConnected())
        leave();
    if (!m_wanted || m_connected || givenUp())
        return;
    if (!connectBus()) {
        emit onPanel(false);
        m_retry->start();
        return;
    }
    claimName();
}

// The bus is asked first on a socket of our own: the library is given only
// an address that answered, and never one it would have to start.
bool TrayPanelSession::connectBus()
{
    const SessionBus::Reached reached = SessionBus::reach(AnswerMs, &givenUp);
    if (reached.address.isEmpty()) {
        if (reached.named && !reached.failure.isEmpty())
            unavailable(reached.failure);
        return false;
    }
    QDBusConnection connection = BusConnection::within(reached.address, ConnectionName, AnswerMs);
    if (!connection.isConnected()) {
        const QString reason = connection.lastError().message();
        QDBusConnection::disconnectFromBus(ConnectionName);
        unavailable(reason.isEmpty() ? QString("the session bus did not take a connection within %1 s")
                                           .arg(AnswerMs / 1000)
                                     : reason);
        return false;
    }
    m_connected = true;
    ++m_generation;
    connection.registerObject(StatusNotifierItem::Path, m_item, Exports);
    connection.registerObject(DBusTrayMenu::Path, m_menu, Exports);
    // No service names: matching on a name would first ask the bus for its
    // owner, a call that waits.
    connection.connect({}, "/org/freedesktop/DBus/Local", "org.freedesktop.DBus.Local", "Disconnected", this,
                       SLOT(disconnected()));
    connection.connect({}, BusPath, BusService, "NameOwnerChanged", {WatcherService}, {}, this,
                       SLOT(watcherChanged(QString,QString,QString)));
    return true;
}

// A name of the kind panels know items by; without it, the connection's own.
void TrayPanelSession::claimName()
{
    QDBusMessage call = QDBusMessage::createMethodCall(BusService, BusPath, BusService, "RequestName");
    call << m_service << DoNotQueue;
    ask(call, [this](const QDBusPendingCallWatcher& done) {
        const QDBusPendingReply<uint> reply = done;
        m_named = !reply.isError() && reply.value() == PrimaryOwner;
        registerItem();
    });
}

// A watcher that is not running is not started for us: no panel shows it.
void TrayPanelSession::registerItem()
{
    QDBusMessage call = QDBusMessage::createMethodCall(WatcherService, WatcherPath, WatcherService,
                                                       "RegisterStatusNotifierItem");
    call.setAutoStartService(false);
    call << (m_named ? m_service : bus().baseService());
    ask(call, [this](const QDBusPendingCallWatcher& done) {
        if (!done.isError())
            m_told = false;
        emit onPanel(!done.isError());
    });
}

void TrayPanelSession::ask(const QDBusMessage& call, std::function<void(const QDBusPendingCallWatcher&)> answered)
{
    auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(call, AnswerMs), this);
    const int generation = m_generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation, answered](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                if (generation == m_generation && m_connected)
                    answered(*done);
            });
}

// A panel that comes, or comes back, takes the item; one that goes leaves
// the item to the XEmbed tray, if there is one.
void TrayPanelSession::watcherChanged(const QString&, const QString&, const QString& newOwner)
{
    if (!m_connected)
        return;
    if (newOwner.isEmpty())
        emit onPanel(false);
    else
        registerItem();
}

void TrayPanelSession::disconnected()
{
    leave();
    emit onPanel(false);
    unavailable("the session bus connection was lost");
    if (m_wanted)
        m_retry->start();
}

void TrayPanelSession::leave()
{
    m_retry->stop();
    ++m_generation;
    if (!m_connected)
        return;
    m_connected = false;
    m_named = false;
    QDBusConnection::disconnectFromBus(ConnectionName);
}

void TrayPanelSession::unavailable(const QString& reason)
{
    if (m_told)
        return;
    m_told = true;
    std::fprintf(stderr, "quorvane: the tray's panel item is unavailable: %s\n", qPrintable(reason));
    std::fflush(stderr);
}
