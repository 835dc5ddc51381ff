#include "monitor/statistics/StatisticsToolTip.h"

#include "monitor/files/LogFormat.h"
#include "monitor/statistics/EchoStatistics.h"

#include <optional>

namespace {

const QString Missing = QString(QChar(0x2013));

QString decimal(std::optional<double> value, const QString& unit)
{
    return value ? QString::number(*value, 'f', 1) + unit : Missing;
}

QString whole(std::optional<std::int32_t> value)
{
    return value ? QString::number(*value) : Missing;
}

QString moment(const QDateTime& when)
{
    return when.isValid() ? LogFormat::stamp(when) : QString("none");
}

QString row(const QString& name, const QString& value)
{
    return "<tr><td>" + name + "</td><td>" + value + "</td></tr>";
}

}

QString StatisticsToolTip::text(const QString& host, const QString& description, const EchoStatistics& statistics,
                                const std::optional<QDateTime>& downSince)
{
    if (host.isEmpty())
        return {};
    QString title = "<b>" + host.toHtmlEscaped() + "</b>";
    if (!description.isEmpty())
        title += " &nbsp;" + description.toHtmlEscaped();
    const QString times = whole(statistics.minimum()) + " / " + decimal(statistics.average(), "") + " / "
        + whole(statistics.maximum()) + " ms";
    if (downSince)
        title += "<br><b>Down since " + downSince->toString("HH:mm:ss") + "</b>";
    return "<p style='white-space:pre'>" + title + "</p><table cellspacing='0' cellpadding='1'>"
        + row(QString("Echoes (last %1):").arg(EchoStatistics::Window), QString::number(statistics.echoes()))
        + row("Replies:", QString::number(statistics.replies()))
        + row("Loss:", decimal(statistics.lossPercent(), " %"))
        + row("Min / avg / max:", times)
        + row("Jitter:", decimal(statistics.jitter(), " ms"))
        + row("Last reply:", moment(statistics.lastReply()))
        + row("Last loss:", moment(statistics.lastLoss()))
        + (statistics.notSent() == 0
               ? QString()
               : row("Echoes not sent:", QString("%1, the last at %2")
                                      .arg(statistics.notSent())
                                      .arg(moment(statistics.lastNotSent()))))
        + "</table>";
}
