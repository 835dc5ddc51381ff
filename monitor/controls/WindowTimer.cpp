#include "monitor/controls/WindowTimer.h"

#include <algorithm>

WindowTimer::WindowTimer(QObject* parent)
    : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &WindowTimer::timeout);
}

void WindowTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    apply();
}

void WindowTimer::setInterval(qint64 milliseconds)
{
    milliseconds = std::clamp<qint64>(milliseconds, 0, MaxInterval);
    if (milliseconds == m_interval)
        return;
    m_interval = milliseconds;
    apply();
}

void WindowTimer::apply()
{
    if (m_enabled && m_interval > 0)
        m_timer.start(static_cast<int>(m_interval));
    else
        m_timer.stop();
}
