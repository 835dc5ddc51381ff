#include "monitor/access/SpokenState.h"

bool SpokenState::follow(const Reading& reading)
{
    if (reading.host != m_host) {
        m_host = reading.host;
        m_state = State::Unknown;
        m_told = State::Unknown;
        m_lostInARow = 0;
    }
    m_lostInARow = reading.answered ? 0 : m_lostInARow + 1;
    m_threshold = reading.threshold;
    if (!reading.answered)
        m_status = reading.status;
    if (reading.downSince) {
        m_state = State::Down;
        m_downSince = *reading.downSince;
    } else if (reading.answered)
        m_state = reading.above ? State::Above : State::Answering;
    else if (m_state == State::Down)
        m_state = State::Unknown;  // told up elsewhere (a restart of the watch): nothing to claim
    return m_state != m_told;
}

QString SpokenState::settle()
{
    const State before = m_told;
    m_told = m_state;
    if (m_state == before)
        return {};
    const QString limit = m_threshold ? QString(" %1 ms").arg(*m_threshold) : QString();
    switch (m_state) {
    case State::Down:
        // As the down notice words it.
        return QString("%1 down: %2 %3 lost since %4, %5")
            .arg(m_host)
            .arg(m_lostInARow)
            .arg(m_lostInARow == 1 ? "echo" : "echoes", m_downSince.toString("HH:mm:ss"), m_status);
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
