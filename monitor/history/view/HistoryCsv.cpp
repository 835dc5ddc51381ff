#include "monitor/history/view/HistoryCsv.h"

#include <QDateTime>
#include <QStringList>

namespace {

// A spreadsheet takes a cell that starts with one of these for a formula,
// some after dropping a leading tab or carriage return.
QString field(QString text)
{
    if (!text.isEmpty() && QString("=+-@\t\r").contains(text.front()))
        text.prepend('\'');
    if (text.contains(',') || text.contains('"') || text.contains('\n') || text.contains('\r'))
        return '"' + text.replace("\"", "\"\"") + '"';
    return text;
}

QString utc(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

QString number(const std::optional<int>& value)
{
    return value ? QString::number(*value) : QString();
}

QByteArray line(const QStringList& fields)
{
    return fields.join(',').toUtf8() + "\r\n";
}

}

QByteArray HistoryCsv::echoHeader()
{
    return "host,sent_utc,rtt_ms,outcome,text\r\n";
}

QByteArray HistoryCsv::echoRow(const QString& host, const HistoryEcho& echo)
{
    const QString rtt = echo.rttMs == HistoryEcho::NoTime ? QString() : QString::number(echo.rttMs);
    return line({field(host), utc(echo.atMs), rtt, HistoryEcho::outcomeName(echo.outcome), field(echo.text)});
}

QByteArray HistoryCsv::minuteHeader()
{
    return "host,minute_utc,echoes,lost,min_ms,median_ms,max_ms\r\n";
}

QByteArray HistoryCsv::minuteRow(const QString& host, const HistoryQuery::MinuteRow& row)
{
    const HistorySummary& s = row.summary;
    return line({field(host), utc(row.atMs), QString::number(s.echoes), QString::number(s.lost), number(s.minMs),
                 number(s.medianMs), number(s.maxMs)});
}
