#include "monitor/alerts/BusConnection.h"

#include "monitor/alerts/SessionBus.h"

#include <chrono>
#include <future>
#include <thread>

QDBusConnection BusConnection::within(const QString& address, const QString& name, int waitMs)
{
    std::packaged_task<QDBusConnection()> connect([address, name] {
        return QDBusConnection::connectToBus(address, name);
    });
    std::future<QDBusConnection> made = connect.get_future();
    std::thread connecting(std::move(connect));
    if (made.wait_for(std::chrono::milliseconds(waitMs)) != std::future_status::ready)
        SessionBus::cut(address);
    connecting.join();
    return made.get();
}
