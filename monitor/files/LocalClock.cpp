#include "monitor/files/LocalClock.h"

#include <ctime>

namespace {

constexpr qint64 RecheckSeconds = 3600;

// localtime_r, unlike localtime, does not read the zone again by itself.
long offsetAt(qint64 seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (localtime_r(&t, &parts) == nullptr)
        return 0;
    return parts.tm_gmtoff;
}

qint64 floorDiv(qint64 value, qint64 divisor)
{
    return value / divisor - (value % divisor < 0 ? 1 : 0);
}

}

LocalClock::LocalClock(UtcSource utcMs)
    : m_utcMs(std::move(utcMs))
{
}

QDateTime LocalClock::current()
{
    static LocalClock clock;
    return clock.now();
}

QDateTime LocalClock::now()
{
    const qint64 ms = m_utcMs();
    if (ms < m_validFromMs || ms >= m_validUntilMs)
        learnOffset(floorDiv(ms, 1000));
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, m_offsetSeconds);
}

// Offsets change on whole seconds: the first second of the hour ahead that
// has another offset is found by halving, a dozen look-ups once an hour.
void LocalClock::learnOffset(qint64 seconds)
{
    tzset();
    const long offset = offsetAt(seconds);
    qint64 same = seconds;
    qint64 changed = seconds + RecheckSeconds;
    if (offsetAt(changed) != offset) {
        while (changed - same > 1) {
            const qint64 middle = same + (changed - same) / 2;
            (offsetAt(middle) == offset ? same : changed) = middle;
        }
    }
    m_offsetSeconds = static_cast<int>(offset);
    m_validFromMs = seconds * 1000;
    m_validUntilMs = changed * 1000;
}
