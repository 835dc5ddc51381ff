#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

#include <optional>

// The time the history prunes by. A wall clock may be days ahead for a
// while (wrong at boot, then set by NTP), and pruning by it would delete the
// echoes of the last days for good. So the pruning time is the wall clock's,
// but never later than the newest row the file held when it was opened plus
// the time the monotonic clock has run since: whatever the wall clock says,
// no more time can have passed than that. After a long pause the pruning
// lags by the pause until the next opening, which costs only room.
class PruningClock {
public:
    void start(qint64 wallMs, std::optional<qint64> newestKeptMs);
    qint64 now(qint64 wallMs) const;

private:
    qint64 m_anchorMs = 0;
    QElapsedTimer m_since;
};
