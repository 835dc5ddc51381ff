#include "monitor/files/LogFormat.h"

#include <charconv>

namespace {

constexpr QStringView StampFormat = u"yyyy.MM.dd HH:mm:ss";

// In place: a QString::number per field would be a text made and dropped
// for every echo.
void appendNumber(QString& text, qint64 number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    text += QLatin1StringView(digits, end - digits);
}

void appendStampWithMilliseconds(QString& text, const QDateTime& when)
{
    text += LogFormat::stamp(when);
    text += QLatin1Char('.');
    appendNumber(text, when.time().msec());
}

QString reply(const QString& host, std::uint16_t dataSize, std::uint32_t roundTripTime)
{
    // Put together rather than through arg(), so that a host text holding
    // "%2" stays as it is, and nothing is parsed on every echo.
    QString text;
    text.reserve(host.size() + 64);  // the stamp too
    text += host;
    text += QLatin1String(", ");
    appendNumber(text, dataSize);
    text += QLatin1String(" bytes, ");
    appendNumber(text, static_cast<std::int32_t>(roundTripTime));
    text += QLatin1String("ms");
    return text;
}

}

// Every echo of a second is stamped with that second: the text is made once
// and handed out again while the day and the second stay.
QString LogFormat::stamp(const QDateTime& when)
{
    thread_local struct {
        qint64 day = 0;
        int second = -1;
        QString text;
    } last;
    const QDate date = when.date();
    const QTime time = when.time();
    if (!date.isValid() || !time.isValid())
        return when.toString(StampFormat);
    const qint64 day = date.toJulianDay();
    const int second = time.msecsSinceStartOfDay() / 1000;
    if (day != last.day || second != last.second) {
        last.text = when.toString(StampFormat);
        last.day = day;
        last.second = second;
    }
    return last.text;
}

QString LogFormat::stampWithMilliseconds(const QDateTime& when)
{
    QString text;
    appendStampWithMilliseconds(text, when);
    return text;
}

QString LogFormat::fileStamp(const QDateTime& when)
{
    return when.toString("yyyyMMdd_HHmmss");
}

QString LogFormat::replyLine(const QString& host, std::uint16_t dataSize, std::uint32_t roundTripTime,
                             const QDateTime& when)
{
    QString text = reply(host, dataSize, roundTripTime);
    text += QLatin1String(", ");
    appendStampWithMilliseconds(text, when);
    return text;
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
    QString text = reply(host, dataSize, roundTripTime);
    text += QLatin1String(", ");
    text += stamp(when);
    return text;
}

QString LogFormat::failureRecord(const QString& host, const QString& errorText, const QDateTime& when)
{
    return host + ", " + errorText + ", , " + stamp(when);
}
