#include "monitor/access/SpokenChange.h"

#include <QAccessible>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QWidget>

namespace {

std::function<void(QWidget*, const QString&)>& listener()
{
    static std::function<void(QWidget*, const QString&)> heard;
    return heard;
}

}

void SpokenChange::setListener(std::function<void(QWidget*, const QString&)> heard)
{
    listener() = std::move(heard);
}

void SpokenChange::tell(QWidget* control, const QString& words)
{
    if (listener())
        listener()(control, words);
    if (!QAccessible::isActive())
        return;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    // The bridge's own connection, found by the name the bridge gave it; it
    // is there only once the bridge has reached the accessibility bus.
    const QDBusConnection bridge(QStringLiteral("a11y"));
    if (!accessible || !bridge.isConnected())
        return;
    const QString path = "/org/a11y/atspi/accessible/" + QString::number(QAccessible::uniqueId(accessible));
    QDBusMessage change = QDBusMessage::createSignal(path, "org.a11y.atspi.Event.Object", "PropertyChange");
    change << QStringLiteral("accessible-description") << 0 << 0 << QVariant::fromValue(QDBusVariant(words))
           << QVariantMap();
    // Queued to the bus's own thread: the GUI thread never waits for it.
    bridge.send(change);
}
