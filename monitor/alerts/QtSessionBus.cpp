#include "monitor/alerts/QtSessionBus.h"

#include "monitor/alerts/SessionBus.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>

#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

namespace {

constexpr const char* Variable = "DBUS_SESSION_BUS_ADDRESS";
// An address of no transport: the library refuses it without a try, and,
// the variable being set, never starts a bus of its own.
constexpr const char* NoBus = "none:";

bool qtGiven = false;
bool decided = false;
bool userHadVariable = false;
QByteArray userAddress;
QString answered;

void tell(const QString& failure)
{
    std::fprintf(stderr, "quorvane: %s; screen readers and the global menu are off for this run\n",
                 qPrintable(failure));
}

// Qt's own connection, made and asked once on a thread of its own: the bus
// may have answered our question and still hang on the library's.
bool qtConnectionAnswers(int waitMs)
{
    std::packaged_task<bool()> ask([waitMs] {
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return false;
        const QDBusMessage id = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                               "org.freedesktop.DBus", "GetId");
        return bus.call(id, QDBus::Block, waitMs).type() == QDBusMessage::ReplyMessage;
    });
    std::future<bool> answer = ask.get_future();
    std::thread asking(std::move(ask));
    if (answer.wait_for(std::chrono::milliseconds(waitMs)) != std::future_status::ready)
        SessionBus::cut(answered);
    asking.join();
    return answer.get();
}

}

void QtSessionBus::decide(int waitMs)
{
    if (decided)
        return;
    decided = true;
    userHadVariable = qEnvironmentVariableIsSet(Variable);
    userAddress = qgetenv(Variable);
    const SessionBus::Reached reached = SessionBus::reach(waitMs, [] { return false; });
    answered = reached.address;
    qtGiven = !answered.isEmpty();
    // Only the address that answered: the library would try the others in
    // turn, and may wait on one that does not answer.
    qputenv(Variable, qtGiven ? answered.toUtf8() : QByteArray(NoBus));
    if (!qtGiven && reached.named)
        tell(reached.failure);
}

// Qt keeps its first connection, and the library its first address: once
// Qt has asked, what it found holds for the run, and the variable is put
// back for the programs we start (a browser for a link).
void QtSessionBus::settle(int waitMs)
{
    if (!decided)
        return;
    if (!qtGiven)
        QDBusConnection::sessionBus();
    else if (!qtConnectionAnswers(waitMs)) {
        qtGiven = false;
        tell(QString("the session bus did not answer Qt's connection within %1 s").arg(waitMs / 1000.0));
    }
    if (userHadVariable)
        qputenv(Variable, userAddress);
    else
        qunsetenv(Variable);
}
