#include "monitor/window/TickPaintGate.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

TickPaintGate::TickPaintGate(QWidget* window, int gatheringMs)
    : QObject(window)
    , m_window(window)
{
    m_bound.setSingleShot(true);
    m_bound.setInterval(gatheringMs);
    connect(&m_bound, &QTimer::timeout, this, &TickPaintGate::release);
    window->installEventFilter(this);
}

std::uint64_t TickPaintGate::tickStarted(int echoes)
{
    release();
    ++m_tick;
    m_inFlight = echoes;
    if (m_inFlight > 0) {
        m_holding = true;
        m_bound.start();
    }
    return m_tick;
}

void TickPaintGate::echoEnded(std::uint64_t tick)
{
    if (tick != m_tick || m_inFlight == 0)
        return;
    if (--m_inFlight == 0)
        release();
}

// The window's own paint pass comes from an update request it posts to
// itself, once until that pass has run; a held request is made on release,
// from the event loop, and passes even if a new tick holds by then (the
// replies it paints have waited long enough).
bool TickPaintGate::eventFilter(QObject* watched, QEvent* event)
{
    if (m_holding && !m_passing && watched == m_window && event->type() == QEvent::UpdateRequest) {
        m_held = true;
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TickPaintGate::release()
{
    m_bound.stop();
    m_holding = false;
    if (m_held) {
        m_held = false;
        QCoreApplication::postEvent(this, new QEvent(QEvent::User), Qt::LowEventPriority);
    }
}

void TickPaintGate::customEvent(QEvent* event)
{
    if (event->type() != QEvent::User)
        return;
    m_passing = true;
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(m_window, &request);
    m_passing = false;
}
