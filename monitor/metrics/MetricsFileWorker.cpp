#include "monitor/metrics/MetricsFileWorker.h"

#include "monitor/files/WholeFileSave.h"

#include <QFile>
#include <QIODevice>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <unistd.h>

namespace {

const QString Failure = "The metrics file could not be written to";

[[noreturn]] void fail(const QString& path, int error)
{
    throw std::runtime_error(
        QString("%1 \"%2\": %3").arg(Failure, path, QString::fromLocal8Bit(std::strerror(error))).toStdString());
}

// Readable by the collector, which runs as a user of its own; not synced,
// since the next tick writes it anew anyway.
void replace(const QString& path, const QByteArray& text)
{
    WholeFileSave::save(path, Failure, [&text](QIODevice& file) { return file.write(text) == text.size(); },
                        {false, 0644});
}

// Only a regular file: a FIFO or device put there since is none of ours.
void remove(const QString& path)
{
    WholeFileSave::refuseIfNotRegular(path, Failure);
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        fail(path, errno);
}

}

bool MetricsFileWorker::queueText(const QString& path, const QByteArray& text)
{
    std::lock_guard lock(m_mutex);
    if (!m_jobs.empty() && !m_jobs.back().remove)
        m_jobs.back().text = text;
    else
        m_jobs.push_back({path, text, false});
    return drainWanted();
}

bool MetricsFileWorker::queueRemoval(const QString& path)
{
    std::lock_guard lock(m_mutex);
    if (!m_jobs.empty() && !m_jobs.back().remove)
        m_jobs.pop_back();
    m_jobs.push_back({path, {}, true});
    return drainWanted();
}

// Under the mutex.
bool MetricsFileWorker::drainWanted()
{
    const bool wanted = !m_drainPosted;
    m_drainPosted = true;
    return wanted;
}

void MetricsFileWorker::drain()
{
    for (;;) {
        Job job;
        {
            std::lock_guard lock(m_mutex);
            if (m_jobs.empty()) {
                m_drainPosted = false;
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        perform(job);
    }
}

void MetricsFileWorker::finish()
{
    drain();
    thread()->quit();
}

void MetricsFileWorker::perform(const Job& job)
{
    try {
        job.remove ? remove(job.path) : replace(job.path, job.text);
        if (m_failing && !job.remove)
            emit news(QString("The metrics file \"%1\" is written again.").arg(job.path));
        m_failing = m_failing && job.remove;
    } catch (const std::exception& e) {
        if (!m_failing)
            emit news(QString::fromUtf8(e.what()));
        m_failing = true;
    }
}
