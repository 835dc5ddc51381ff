#pragma once

#include <QObject>
#include <QString>
#include <QThread>

#include <utility>

// A worker object on a thread of its own, which its owner only posts calls
// to, so that whatever the worker waits on (a bus, a disk) never holds the
// GUI thread. The owner ends it with the worker's own last call and waits
// for it a bounded time; a thread still held past that is left behind,
// with its worker, and the program ends without the library clean-ups
// that would wait for it (anyLeftBehind).
class BackgroundThread {
public:
    // Takes the worker, which is freed on its thread when the thread ends.
    BackgroundThread(const QString& name, QObject* worker, QThread::Priority priority = QThread::InheritPriority);
    BackgroundThread(const BackgroundThread&) = delete;
    BackgroundThread& operator=(const BackgroundThread&) = delete;
    // Frees the thread only if it has ended.
    ~BackgroundThread();

    template <typename Call>
    void post(Call&& call)
    {
        QMetaObject::invokeMethod(m_worker, std::forward<Call>(call), Qt::QueuedConnection);
    }

    // Asks the thread to give up what it may wait on (isInterruptionRequested),
    // posts the last call, which ends the thread's loop, and waits for the
    // thread at most waitMs. Whether it ended.
    template <typename Call>
    bool end(Call&& last, int waitMs)
    {
        m_thread->requestInterruption();
        post(std::forward<Call>(last));
        return waitOrLeave(waitMs);
    }

    // Whether any thread of the process was left behind at its end.
    static bool anyLeftBehind();

private:
    bool waitOrLeave(int waitMs);

    QThread* m_thread;
    QObject* m_worker;
    bool m_ended = false;
};
