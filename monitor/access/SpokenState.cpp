#include "monitor/access/SpokenState.h"

QString SpokenState::next(const Reading& reading)
{
    if (reading.host != m_host) {
        m_host = reading.host;
        m_state = State::Unknown;
        m_lostInARow = 0;
    }
    m_lostInARow = reading.answered ? 0 : m_lostInARow + 1;
    State now = m_state;
    if (reading.downSince)
        now = State::Down;
    else if (reading.answered)
        now = reading.above ? State::Above : State::Answering;
    else if (m_state == State::Down)
        now = State::Unknown;  // told up elsewhere (a restart of the watch): nothing to claim
    const State before = m_state;
    m_state = now;
    if (now == before)
        return {};

    const QString limit = reading.threshold ? QString(" %1 ms").arg(*reading.threshold) : QString();
    switch (now) {
    case State::Down:
        // As the down notice words it.
        return QString("%1 down: %2 %3 lost since %4, %5")
            .arg(m_host)
            .arg(m_lostInARow)
            .arg(m_lostInARow == 1 ? "echo" : "echoes", reading.downSince->toString("HH:mm:ss"), reading.status);
    case State::Above:
        return before == State::Down ? QString("%1 up again, above threshold%2").arg(m_host, limit)
                                     : QString("%1 above threshold%2").arg(m_host, limit);
    case State::Answering:
        if (before == State::Down)
            return m_host + " up again";
        if (before == State::Above)
            return QString("%1 back below threshold%2").arg(m_host, limit);
        return {};
    case State::Unknown:
        return {};
    }
    return {};
}
