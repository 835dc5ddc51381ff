#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>

// The texts the logs and the log file are made of. Every stamp of one
// outcome is made from one processing time.
class LogFormat {
public:
    // "yyyy.mm.dd hh:nn:ss"
    static QString stamp(const QDateTime& when);
    // The same with "." and the milliseconds without leading zeros.
    static QString stampWithMilliseconds(const QDateTime& when);
    // "yyyymmdd_hhmmss", the base name of a log file.
    static QString fileStamp(const QDateTime& when);

    static QString replyLine(const QString& host, std::uint16_t dataSize, std::uint32_t roundTripTime,
                             const QDateTime& when);
    static QString foreignReplyLine(const QString& host, const QString& errorText, const QDateTime& when);
    static QString failureLine(const QString& host, const QString& errorText, const QDateTime& when,
                               bool withPrefix);

    static QString replyRecord(const QString& host, std::uint16_t dataSize, std::uint32_t roundTripTime,
                               const QDateTime& when);
    static QString failureRecord(const QString& host, const QString& errorText, const QDateTime& when);
};
