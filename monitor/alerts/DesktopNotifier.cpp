#include "monitor/alerts/DesktopNotifier.h"

#include "monitor/alerts/NotificationSession.h"
#include "monitor/threads/BackgroundThread.h"

DesktopNotifier::DesktopNotifier(QObject* parent)
    : QObject(parent)
    , m_session(new NotificationSession)
    , m_thread(std::make_unique<BackgroundThread>("notifications", m_session))
{
    connect(m_session, &NotificationSession::activated, this, &DesktopNotifier::activated);
}

// Asking the thread to give up ends a search for a bus that does not
// answer within a few tens of milliseconds. A thread still held by the
// D-Bus library after QuitWaitMs (a bus that hung after it had answered)
// is left to the end of the process rather than waited for.
DesktopNotifier::~DesktopNotifier()
{
    m_thread->end([session = m_session] { session->withdrawAndEnd(); }, QuitWaitMs);
}

void DesktopNotifier::show(const HostStateNotice& notice)
{
    m_thread->post([session = m_session, notice] { session->show(notice); });
}
