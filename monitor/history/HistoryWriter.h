#pragma once

#include "monitor/history/HistoryStore.h"

#include <QObject>

// The history's own thread: takes the window's batches, writes each in one
// transaction, summarises and prunes. While the file cannot be written (a
// full disk, a lock, a folder that cannot be written) the echoes wait here,
// up to MaxWaiting, and every write is tried again a minute later; the
// first failure of each such spell is told once.
class HistoryWriter : public QObject {
    Q_OBJECT

public:
    static constexpr std::size_t MaxWaiting = 200'000;
    static constexpr qint64 RetryMs = 60'000;

    explicit HistoryWriter(QString path, HistoryStore::Clock clock = {});

    void take(HistoryBatch batch);
    void setLimits(const HistoryLimits& limits) { m_store.setLimits(limits); }
    void setRetryMs(qint64 ms) { m_retryMs = ms; }
    // Writes what waits, closes the file and ends the thread's loop.
    void finish();

signals:
    void troubled(const QString& message);
    void recovered(const QString& message);

private:
    void writeWaiting();

    HistoryStore m_store;
    HistoryBatch m_waiting;
    qint64 m_dropped = 0;
    bool m_troubled = false;
    qint64 m_retryMs = RetryMs;
    qint64 m_retryAtMs = 0;  // monotonic
};
