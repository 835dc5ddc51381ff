#pragma once

#include "monitor/history/HistoryStore.h"

#include <QObject>

#include <atomic>
#include <memory>

// The history's own thread: takes the window's batches, writes each in one
// transaction, summarises and prunes. While the file cannot be written the
// echoes wait here, up to MaxWaiting. Another program's lock is tried again
// at the next batch; a full disk or a folder that cannot be written a minute
// later; the first failure of each such spell is told once. A file that is
// not ours is left alone for the rest of the run.
class HistoryWriter : public QObject {
    Q_OBJECT

public:
    static constexpr std::size_t MaxWaiting = 200'000;
    static constexpr qint64 RetryMs = 60'000;
    static constexpr qint64 BusyRetryMs = 3'000;
    // The last try at quit waits this long for another program's lock, so
    // that it ends within the window's wait for this thread.
    static constexpr int QuitBusyMs = 1'500;

    // unwritten counts the echoes posted and not yet written or told lost;
    // the poster adds to it.
    explicit HistoryWriter(QString path, HistoryStore::Clock clock = {},
                           std::shared_ptr<std::atomic<qint64>> unwritten = {});

    void take(HistoryBatch batch);
    void setLimits(const HistoryLimits& limits) { m_store.setLimits(limits); }
    void setRetryMs(qint64 ms) { m_retryMs = ms; }
    // Tries once more to write what waits, tells on standard error what
    // still could not be written, closes the file and ends the thread's loop.
    void finish();

signals:
    void troubled(const QString& message);
    void recovered(const QString& message);

private:
    void writeWaiting();
    void failed(const HistoryFailure& failure);
    void forget(qint64 echoes);

    HistoryStore m_store;
    std::shared_ptr<std::atomic<qint64>> m_unwritten;
    HistoryBatch m_waiting;
    qint64 m_dropped = 0;
    bool m_troubled = false;
    bool m_leftAlone = false;  // the file is not ours: nothing is written this run
    bool m_toldReopened = false;
    QString m_lastFailure;
    qint64 m_retryMs = RetryMs;
    qint64 m_retryAtMs = 0;  // monotonic
};
