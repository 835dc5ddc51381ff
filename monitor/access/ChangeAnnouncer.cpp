#include "monitor/access/ChangeAnnouncer.h"

#include <QAccessible>
#include <QWidget>

ChangeAnnouncer::ChangeAnnouncer(QWidget* target, std::chrono::milliseconds gap)
    : QObject(target)
    , m_target(target)
    , m_gap(gap)
{
    m_pending.setSingleShot(true);
    connect(&m_pending, &QTimer::timeout, this, [this] { announce(); });
}

void ChangeAnnouncer::changed()
{
    if (!QAccessible::isActive() || m_pending.isActive())
        return;
    const auto since = std::chrono::milliseconds(m_sinceLast.isValid() ? m_sinceLast.elapsed() : m_gap.count());
    if (since >= m_gap)
        announce();
    else
        m_pending.start(m_gap - since);
}

void ChangeAnnouncer::announce()
{
    m_sinceLast.start();
    QAccessibleEvent event(m_target, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}
