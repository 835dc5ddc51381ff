#include "icmp/EchoRate.h"

bool EchoRate::take(Clock::time_point now)
{
    if (m_count == m_sent.size() && now - m_sent[m_next] < std::chrono::seconds(1))
        return false;
    m_sent[m_next] = now;
    m_next = (m_next + 1) % m_sent.size();
    if (m_count < m_sent.size())
        ++m_count;
    return true;
}
