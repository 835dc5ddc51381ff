#include "monitor/history/PruningClock.h"

#include <algorithm>

// A newest row in the future was stamped by a clock that was ahead: the
// wall clock of the opening is the better guess then.
void PruningClock::start(qint64 wallMs, std::optional<qint64> newestKeptMs)
{
    m_anchorMs = newestKeptMs ? std::min(wallMs, *newestKeptMs) : wallMs;
    m_since.start();
}

qint64 PruningClock::now(qint64 wallMs) const
{
    return std::min(wallMs, m_anchorMs + m_since.elapsed());
}
