#include "monitor/files/LogFormat.h"

namespace {

QString reply(const QString& host, std::uint16_t dataSize, std::uint32_t roundTripTime)
{
    // One pass over all three, so that a host text holding "%2" stays as it is.
    return QString("%1, %2 bytes, %3ms")
        .arg(host, QString::number(dataSize), QString::number(static_cast<std::int32_t>(roundTripTime)));
}

}

QString LogFormat::stamp(const QDateTime& when)
{
    return when.toString("yyyy.MM.dd HH:mm:ss");
}

QString LogFormat::stampWithMilliseconds(const QDateTime& when)
{
    return stamp(when) + '.' + QString::number(when.time().msec());
}

QString LogFormat::fileStamp(const QDateTime& when)
{
    return when.toString("yyyyMMdd_HHmmss");
}

QString LogFormat::replyLine(const QString& host, std::uint16_t dataSize, std::uint32_t roundTripTime,
                             const QDateTime& when)
{
    return reply(host, dataSize, roundTripTime) + ", " + stampWithMilliseconds(when);
}

QString LogFormat::foreignReplyLine(const QString& host, const QString& errorText, const QDateTime& when)
{
    return host + ", " + errorText + ", " + stamp(when);
}

QString LogFormat::failureLine(const QString& host, const QString& errorText, const QDateTime& when,
                               bool withPrefix)
{
    return (withPrefix ? "Error: " : "") + host + ", " + errorText + ", " + stamp(when);
}

QString LogFormat::replyRecord(const QString& host, std::uint16_t dataSize, std::uint32_t roundTripTime,
                               const QDateTime& when)
{
    return reply(host, dataSize, roundTripTime) + ", " + stamp(when);
}

QString LogFormat::failureRecord(const QString& host, const QString& errorText, const QDateTime& when)
{
    return host + ", " + errorText + ", , " + stamp(when);
}
