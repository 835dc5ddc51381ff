#include "monitor/tray/TrayGlance.h"

#include <QStringList>


namespace {

// As the notifications name a host.
QString nameOf(const TrayGlance::Host& h)
{
    return h.description.isEmpty() ? h.host : h.host + " (" + h.description + ")";
}

QStringList namesWhere(const std::vector<TrayGlance::Host>& hosts, bool TrayGlance::Host::*flag)
{
    QStringList names;
    for (const TrayGlance::Host& h : hosts)
        if (h.*flag)
            names << nameOf(h);
    return names;
}

QString hostCount(qsizetype n)
{
    return QString::number(n) + (n == 1 ? " host" : " hosts");
}

}

TrayGlance TrayGlance::of(bool polling, const std::vector<Host>& hosts)
{
    if (hosts.empty())
        return {Level::Idle, "No host to poll"};
    const qsizetype total = static_cast<qsizetype>(hosts.size());
    if (!polling)
        return {Level::Idle, "Stopped: " + hostCount(total)};
    const QStringList down = namesWhere(hosts, &Host::down);
    if (!down.isEmpty())
        return {Level::Down, QString("%1 of %2 down: %3").arg(down.size()).arg(hostCount(total), down.join(", "))};
    const QString answer = total == 1 ? QString("The host answers") : QString("All %1 hosts answer").arg(total);
    const QStringList above = namesWhere(hosts, &Host::aboveThreshold);
    if (above.isEmpty())
        return {Level::Answering, answer};
    return {Level::AboveThreshold,
            answer + QString("; %1 above %2 threshold: %3")
                         .arg(above.size())
                         .arg(above.size() == 1 ? "its" : "their", above.join(", "))};
}
