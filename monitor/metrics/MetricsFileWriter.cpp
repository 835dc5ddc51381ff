#include "monitor/metrics/MetricsFileWriter.h"

#include "monitor/files/UniqueDescriptor.h"
#include "monitor/files/WholeFileSave.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Failure = "The metrics file could not be written to";

struct Job {
    QString path;
    QByteArray text;
    bool remove = false;
};

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

void replace(const Job& job)
{
    WholeFileSave::refuseIfNotRegular(job.path, Failure);
    // Beside the file, in its folder, so that the rename stays on one file
    // system; the suffix keeps it out of the collector's "*.prom".
    QByteArray temporary = QFile::encodeName(job.path) + ".XXXXXX";
    UniqueDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0)
        fail(job.path, errno);
    try {
        // Readable by the collector, which runs as a user of its own.
        if (::fchmod(file.get(), 0644) != 0)
            fail(job.path, errno);
        writeAll(file.get(), job.text, job.path);
        if (file.release() != 0)
            fail(job.path, errno);
        if (::rename(temporary.constData(), QFile::encodeName(job.path).constData()) != 0)
            fail(job.path, errno);
    } catch (...) {
        ::unlink(temporary.constData());
        throw;
    }
}

// Only a regular file: a FIFO or device put there since is none of ours.
void remove(const Job& job)
{
    WholeFileSave::refuseIfNotRegular(job.path, Failure);
    if (::unlink(QFile::encodeName(job.path).constData()) != 0 && errno != ENOENT)
        fail(job.path, errno);
}

}

struct MetricsFileWriter::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable ended;
    // Removals in order, and at most one text, the newest, last.
    std::deque<Job> jobs;
    bool stopping = false;
    bool finished = false;
    // Cleared under the mutex when the writer goes, so that no news is
    // posted to it after.
    MetricsFileWriter* listener = nullptr;
    std::thread thread;

    void tell(const QString& message)
    {
        std::lock_guard lock(mutex);
        if (!listener)
            return;
        QMetaObject::invokeMethod(listener, [l = listener, message] { emit l->news(message); }, Qt::QueuedConnection);
    }

    void run()
    {
        ::pthread_setname_np(::pthread_self(), "metrics");
        bool failing = false;
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return !jobs.empty() || stopping; });
                if (jobs.empty())
                    break;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            try {
                job.remove ? remove(job) : replace(job);
                if (failing && !job.remove)
                    tell(QString("The metrics file \"%1\" is written again.").arg(job.path));
                failing = failing && job.remove;
            } catch (const std::exception& e) {
                if (!failing)
                    tell(QString::fromUtf8(e.what()));
                failing = true;
            }
        }
        std::lock_guard lock(mutex);
        finished = true;
        ended.notify_all();
    }
};

MetricsFileWriter::MetricsFileWriter()
    : m_shared(std::make_shared<Shared>())
{
    m_shared->listener = this;
}

MetricsFileWriter::~MetricsFileWriter()
{
    setPath({});
    std::unique_lock lock(m_shared->mutex);
    m_shared->listener = nullptr;
    m_shared->stopping = true;
    m_shared->wake.notify_one();
    if (!m_shared->thread.joinable())
        return;
    const bool finished = m_shared->ended.wait_for(lock, std::chrono::milliseconds(EndWaitMs),
                                                   [this] { return m_shared->finished; });
    lock.unlock();
    if (finished)
        m_shared->thread.join();
    else
        m_shared->thread.detach();
}

void MetricsFileWriter::setPath(const QString& path)
{
    if (path == m_path)
        return;
    std::lock_guard lock(m_shared->mutex);
    // A text for the old file waits no more.
    if (!m_shared->jobs.empty() && !m_shared->jobs.back().remove)
        m_shared->jobs.pop_back();
    if (!m_path.isEmpty()) {
        m_shared->jobs.push_back({m_path, {}, true});
        wakeThread();
    }
    m_path = path;
}

void MetricsFileWriter::write(const QByteArray& text)
{
    if (m_path.isEmpty())
        return;
    std::lock_guard lock(m_shared->mutex);
    if (!m_shared->jobs.empty() && !m_shared->jobs.back().remove)
        m_shared->jobs.back().text = text;
    else
        m_shared->jobs.push_back({m_path, text, false});
    wakeThread();
}

// Started at the first job: a run that writes no metrics has no thread.
void MetricsFileWriter::wakeThread()
{
    if (!m_shared->thread.joinable())
        m_shared->thread = std::thread([shared = m_shared] { shared->run(); });
    m_shared->wake.notify_one();
}
