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

// Two digits or more, zero-padded, as "MM" and "HH" give them.
void appendPadded(QString& text, int number, int width)
{
    char digits[12];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    for (auto length = end - digits; length < width; ++length)
        text += QLatin1Char('0');
    text += QLatin1StringView(digits, end - digits);
}

// "yyyy.MM.dd HH:mm:ss" by hand: QDateTime's formatter parses its format
// for every stamp, which with one host is every echo. Years outside four
// digits are left to it.
QString formatStamp(const QDate& date, const QTime& time)
{
    QString text;
    text.reserve(19);
    appendPadded(text, date.year(), 4);
    text += QLatin1Char('.');
    appendPadded(text, date.month(), 2);
    text += QLatin1Char('.');
    appendPadded(text, date.day(), 2);
    text += QLatin1Char(' ');
    appendPadded(text, time.hour(), 2);
    text += QLatin1Char(':');
    appendPadded(text, time.minute(), 2);
    text += QLatin1Char(':');
    appendPadded(text, time.second(), 2);
    return text;
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
    if (!date.isValid() || !time.isValid() || date.year() < 1000 || date.year() > 9999)
        return when.toString(StampFormat);
    const qint64 day = date.toJulianDay();
    const int second = time.msecsSinceStartOfDay() / 1000;
    if (day != last.day || second != last.second) {
        last.text = formatStamp(date, time);
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
