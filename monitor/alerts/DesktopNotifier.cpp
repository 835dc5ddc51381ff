#include "monitor/alerts/DesktopNotifier.h"

#include "monitor/alerts/NotificationSession.h"

#include <QThread>

#include <atomic>

namespace {
std::atomic<bool> leftBehind{false};
}

DesktopNotifier::DesktopNotifier(QObject* parent)
    : QObject(parent)
    , m_thread(new QThread)
    , m_session(new NotificationSession)
{
    m_thread->setObjectName("notifications");
    m_session->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_session, &QObject::deleteLater);
    connect(m_session, &NotificationSession::activated, this, &DesktopNotifier::activated);
    m_thread->start();
}

// Asking the thread to give up ends a search for a bus that does not
// answer within a few tens of milliseconds. A thread still held by the
// D-Bus library after QuitWaitMs (a bus that hung after it had answered)
// is left to the end of the process rather than waited for.
DesktopNotifier::~DesktopNotifier()
{
    m_thread->requestInterruption();
    QMetaObject::invokeMethod(m_session, [session = m_session] { session->withdrawAndEnd(); }, Qt::QueuedConnection);
    if (m_thread->wait(QDeadlineTimer(QuitWaitMs)))
        delete m_thread;
    else
        leftBehind = true;
}

bool DesktopNotifier::threadLeftBehind()
{
    return leftBehind;
}

void DesktopNotifier::show(const HostStateNotice& notice)
{
    const auto post = [session = m_session, notice] { session->show(notice); };
    QMetaObject::invokeMethod(m_session, post, Qt::QueuedConnection);
}
