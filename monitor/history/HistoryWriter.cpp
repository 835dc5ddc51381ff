#include "monitor/history/HistoryWriter.h"

#include "monitor/controls/ErrorHandler.h"
#include "monitor/history/HistoryConnection.h"

#include <QDeadlineTimer>
#include <QThread>

namespace {

qint64 steadyMs()
{
    return QDeadlineTimer::current().deadline();
}

}

HistoryWriter::HistoryWriter(QString path, HistoryStore::Clock clock, std::shared_ptr<std::atomic<qint64>> unwritten)
    : m_store(std::move(path), std::move(clock))
    , m_unwritten(unwritten ? std::move(unwritten) : std::make_shared<std::atomic<qint64>>(0))
{
}

void HistoryWriter::forget(qint64 echoes)
{
    *m_unwritten -= echoes;
}

void HistoryWriter::take(HistoryBatch batch)
{
    if (m_leftAlone) {
        forget(static_cast<qint64>(batch.size()));
        return;
    }
    if (m_waiting.empty())
        m_waiting = std::move(batch);
    else
        m_waiting.insert(m_waiting.end(), std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
    if (m_waiting.size() > MaxWaiting) {
        const auto excess = m_waiting.size() - MaxWaiting;
        m_waiting.erase(m_waiting.begin(), m_waiting.begin() + static_cast<long>(excess));
        m_dropped += static_cast<qint64>(excess);
        forget(static_cast<qint64>(excess));
    }
    if (!m_troubled || steadyMs() >= m_retryAtMs)
        writeWaiting();
}

void HistoryWriter::finish()
{
    if (!m_waiting.empty() && !m_leftAlone) {
        try {
            m_store.setBusyMs(QuitBusyMs);
        } catch (const HistoryFailure&) {
            // The connection is gone; the try below opens it with this wait.
        }
        writeWaiting();
    }
    if (m_waiting.empty() && m_store.isOpen()) {
        try {
            m_store.maintain(HistoryStore::Upkeep::AtQuit);
        } catch (const HistoryFailure&) {
            // The minutes are summarised at the next run's first upkeep.
        }
    }
    if (const qint64 lost = static_cast<qint64>(m_waiting.size()) + m_dropped; lost > 0)
        ErrorHandler::tell(QString("The history \"%1\" could not keep the last %2 echoes before quitting (%3); "
                                   "the log file has them where it is written")
                               .arg(m_store.path())
                               .arg(lost)
                               .arg(m_lastFailure.isEmpty() ? QString("too many waited") : m_lastFailure));
    forget(static_cast<qint64>(m_waiting.size()));
    m_waiting.clear();
    m_store.close();
    QThread::currentThread()->quit();
}

// A damaged file is moved aside and the batch written into a new one at
// once; a file found moved or without its log under the connection is
// opened anew by the store.
void HistoryWriter::writeWaiting()
{
    try {
        const bool wasOpen = m_store.isOpen();
        try {
            m_store.write(m_waiting);
        } catch (const HistoryFailure& failure) {
            if (!failure.damaged() || !wasOpen)
                throw;
            m_store.open();
            m_store.write(m_waiting);
        }
        if (const QString aside = m_store.takeMovedAside(); !aside.isEmpty())
            emit troubled(QString("The history \"%1\" was damaged; it was moved to \"%2\" and a new one started")
                              .arg(m_store.path(), aside));
        if (m_store.takeReopened() && !std::exchange(m_toldReopened, true))
            emit recovered(QString("The history \"%1\" was moved, replaced or lost its write-ahead log while open; "
                                   "it was opened anew and nothing was lost")
                               .arg(m_store.path()));
        forget(static_cast<qint64>(m_waiting.size()));
        m_waiting.clear();
        m_store.maintain();
        if (m_troubled) {
            m_troubled = false;
            emit recovered(QString("The history \"%1\" is written again%2")
                               .arg(m_store.path(),
                                    m_dropped ? QString("; %1 echoes could not be kept").arg(m_dropped) : QString()));
            m_dropped = 0;
        }
    } catch (const HistoryFailure& failure) {
        failed(failure);
    }
}

// A lock is another program's for a moment: the connection stays and the
// next batch tries again. A file not ours is left alone for the run, what
// waits with it.
void HistoryWriter::failed(const HistoryFailure& failure)
{
    m_lastFailure = QString::fromStdString(failure.what());
    const bool busy = failure.kind() == HistoryFailure::Kind::Busy;
    m_retryAtMs = steadyMs() + (busy ? BusyRetryMs : m_retryMs);
    if (failure.kind() == HistoryFailure::Kind::Foreign) {
        m_leftAlone = true;
        forget(static_cast<qint64>(m_waiting.size()));
        m_waiting.clear();
        m_store.close();
        emit troubled(m_lastFailure + "; history is off until the program is started again");
        return;
    }
    if (!m_troubled) {
        m_troubled = true;
        emit troubled(m_lastFailure + (busy ? "; polling and the log file go on, and the history is tried again "
                                              "within seconds"
                                            : "; polling and the log file go on, and the history is tried again "
                                              "each minute"));
    }
    if (!busy)
        m_store.close();
}
