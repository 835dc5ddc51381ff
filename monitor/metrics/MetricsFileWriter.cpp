#include "monitor/metrics/MetricsFileWriter.h"

#include "monitor/metrics/MetricsFileWorker.h"
#include "monitor/threads/BackgroundThread.h"

MetricsFileWriter::MetricsFileWriter() = default;

MetricsFileWriter::~MetricsFileWriter()
{
    setPath({});
    if (!m_thread)
        return;
    // No news is told to a writer that has gone.
    disconnect(m_worker, nullptr, this, nullptr);
    m_thread->end([worker = m_worker] { worker->finish(); }, EndWaitMs);
}

void MetricsFileWriter::setPath(const QString& path)
{
    if (path == m_path)
        return;
    if (!m_path.isEmpty())
        drainIf(worker().queueRemoval(m_path));
    m_path = path;
}

void MetricsFileWriter::write(const QByteArray& text)
{
    if (m_path.isEmpty())
        return;
    drainIf(worker().queueText(m_path, text));
}

// Started at the first job: a run that writes no metrics has no thread.
MetricsFileWorker& MetricsFileWriter::worker()
{
    if (!m_thread) {
        m_worker = new MetricsFileWorker;
        connect(m_worker, &MetricsFileWorker::news, this, &MetricsFileWriter::news);
        m_thread = std::make_unique<BackgroundThread>("metrics", m_worker);
    }
    return *m_worker;
}

void MetricsFileWriter::drainIf(bool wanted)
{
    if (wanted)
        m_thread->post([worker = m_worker] { worker->drain(); });
}
