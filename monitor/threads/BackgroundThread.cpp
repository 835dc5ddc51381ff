#include "monitor/threads/BackgroundThread.h"

#include <QDeadlineTimer>

#include <atomic>

namespace {
std::atomic<bool> leftBehind{false};
}

BackgroundThread::BackgroundThread(const QString& name, QObject* worker, QThread::Priority priority)
    : m_thread(new QThread)
    , m_worker(worker)
{
    m_thread->setObjectName(name);
    m_worker->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start(priority);
}

// A thread left behind keeps its QThread: deleting one that runs would
// abort the process.
BackgroundThread::~BackgroundThread()
{
    if (m_ended)
        delete m_thread;
}

bool BackgroundThread::waitOrLeave(int waitMs)
{
    m_ended = m_thread->wait(QDeadlineTimer(waitMs));
    if (!m_ended)
        leftBehind = true;
    return m_ended;
}

bool BackgroundThread::anyLeftBehind()
{
    return leftBehind;
}
