#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <deque>
#include <mutex>

// The metrics file's side on its own thread: it writes and removes what it
// is handed, in order. The owner hands over from its thread; a text handed
// over while one still waits takes its place, so that a stalled disk
// gathers no queue, and a drain is posted only when none is on its way.
class MetricsFileWorker : public QObject {
    Q_OBJECT

public:
    // From the owner's thread. Each says whether a drain is to be posted.
    bool queueText(const QString& path, const QByteArray& text);
    // A text for the old file waits no more.
    bool queueRemoval(const QString& path);

    // On the worker's thread.
    void drain();
    // The last call: what waits is done, then the thread ends.
    void finish();

signals:
    // The first failure of an outage and the first success after it.
    void news(const QString& message);

private:
    struct Job {
        QString path;
        QByteArray text;
        bool remove = false;
    };

    bool drainWanted();
    void perform(const Job& job);

    std::mutex m_mutex;
    // Removals in order, and at most one text, the newest, last.
    std::deque<Job> m_jobs;
    bool m_drainPosted = false;
    bool m_failing = false;  // the worker's thread only
};
