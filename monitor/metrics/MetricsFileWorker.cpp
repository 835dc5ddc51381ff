#include "monitor/metrics/MetricsFileWorker.h"

#include "monitor/files/UniqueDescriptor.h"
#include "monitor/files/WholeFileSave.h"

#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Failure = "The metrics file could not be written to";

[[noreturn]] void fail(const QString& path, int error)
{
    throw std::runtime_error(
        QString("%1 \"%2\": %3").arg(Failure, path, QString::fromLocal8Bit(std::strerror(error))).toStdString());
}

void writeAll(int fd, const QByteArray& text, const QString& path)
{
    const char* data = text.constData();
    qsizetype left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<std::size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(path, errno);
        }
        data += written;
        left -= written;
    }
}

void replace(const QString& path, const QByteArray& text)
{
    WholeFileSave::refuseIfNotRegular(path, Failure);
    // Beside the file, in its folder, so that the rename stays on one file
    // system; the suffix keeps it out of the collector's "*.prom".
    QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
    UniqueDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0)
        fail(path, errno);
    try {
        // Readable by the collector, which runs as a user of its own.
        if (::fchmod(file.get(), 0644) != 0)
            fail(path, errno);
        writeAll(file.get(), text, path);
        if (file.release() != 0)
            fail(path, errno);
        if (::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0)
            fail(path, errno);
    } catch (...) {
        ::unlink(temporary.constData());
        throw;
    }
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
