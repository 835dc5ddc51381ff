#include "monitor/history/HistoryWriter.h"

#include "monitor/history/HistoryConnection.h"

#include <QDeadlineTimer>
#include <QThread>

namespace {

qint64 steadyMs()
{
    return QDeadlineTimer::current().deadline();
}

}

HistoryWriter::HistoryWriter(QString path, HistoryStore::Clock clock)
    : m_store(std::move(path), std::move(clock))
{
}

void HistoryWriter::take(HistoryBatch batch)
{
    if (m_waiting.empty())
        m_waiting = std::move(batch);
    else
        m_waiting.insert(m_waiting.end(), std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
    if (m_waiting.size() > MaxWaiting) {
        const auto excess = m_waiting.size() - MaxWaiting;
        m_waiting.erase(m_waiting.begin(), m_waiting.begin() + static_cast<long>(excess));
        m_dropped += static_cast<qint64>(excess);
    }
    if (!m_troubled || steadyMs() >= m_retryAtMs)
        writeWaiting();
}

void HistoryWriter::finish()
{
    if (!m_waiting.empty() && !m_troubled)
        writeWaiting();
    m_store.close();
    QThread::currentThread()->quit();
}

// A damaged file is moved aside and the batch written into a new one at
// once; any other failure is waited out.
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
        m_retryAtMs = steadyMs() + m_retryMs;
        if (!m_troubled) {
            m_troubled = true;
            emit troubled(QString::fromStdString(failure.what()) +
                          "; polling and the log file go on, and the history is tried again each minute");
        }
        m_store.close();
    }
}
