#pragma once

#include <QDateTime>

#include <functional>
#include <utility>

// The local date and time without asking the C library to look at the zone
// file again on every call (QDateTime's local time does, through tzset, on
// every conversion). The offset from UTC is taken once and held for as long
// as it is known to stay: up to the zone's next change of offset, found
// within the hour ahead, and at most an hour, after which it is taken
// again. The C library reads the zone file once: a system zone changed
// while the program runs is seen at its next start (changing TZ under a
// running program's threads is not safe).
// The times it gives carry their offset, so that formatting them needs no
// zone either.
class LocalClock {
public:
    using UtcSource = std::function<qint64()>;

    explicit LocalClock(UtcSource utcMs = &QDateTime::currentMSecsSinceEpoch);

    QDateTime now();

    // The program's one clock, for the GUI thread.
    static QDateTime current();

private:
    void learnOffset(qint64 seconds);

    UtcSource m_utcMs;
    qint64 m_validFromMs = 0;
    qint64 m_validUntilMs = 0;
    int m_offsetSeconds = 0;
};
