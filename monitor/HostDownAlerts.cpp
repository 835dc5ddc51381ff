#include "monitor/HostDownAlerts.h"

#include "monitor/DesktopNotifier.h"
#include "monitor/LocalClock.h"

#include <QDateTime>

HostDownAlerts::HostDownAlerts(QObject* parent)
    : QObject(parent)
{
    m_gathering.setSingleShot(true);
    m_gathering.setTimerType(Qt::PreciseTimer);
    connect(&m_gathering, &QTimer::timeout, this, &HostDownAlerts::deliverDue);
}

void HostDownAlerts::changed()
{
    if (m_gathering.isActive())
        return;
    if (const auto wait = m_watch.dueIn(LocalClock::current()))
        m_gathering.start(static_cast<int>(*wait));
}

void HostDownAlerts::stopped()
{
    m_gathering.stop();
    if (const auto notice = m_watch.takeAll())
        deliver(*notice);
}

void HostDownAlerts::deliverDue()
{
    if (const auto notice = m_watch.takeDue(LocalClock::current()))
        deliver(*notice);
    changed();
}

// The bus is first looked for when there is something to tell.
void HostDownAlerts::deliver(const HostStateNotice& notice)
{
    if (!m_notifying)
        return;
    if (!m_notifier) {
        m_notifier = new DesktopNotifier(this);
        connect(m_notifier, &DesktopNotifier::activated, this, &HostDownAlerts::activationRequested);
    }
    m_notifier->show(notice);
}
