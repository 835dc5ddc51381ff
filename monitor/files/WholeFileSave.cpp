#include "monitor/files/WholeFileSave.h"

#include "monitor/files/RecordsInUse.h"
#include "monitor/files/UniqueDescriptor.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const QString& failure, const QString& path, const QString& reason)
{
    throw std::runtime_error(QString("%1 \"%2\": %3").arg(failure, path, reason).toStdString());
}

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The status of what path leads to; none where nothing is there yet.
std::optional<struct stat> statusOf(const QString& path, const QString& failure)
{
    // O_PATH reaches the file without opening it, which never blocks: a
    // FIFO's open would wait for a reader, and a device's could act on it.
    const int fd = ::open(QFile::encodeName(path).constData(), O_PATH | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        fail(failure, path, reasonOf(errno));
    }
    struct stat status {};
    const int result = ::fstat(fd, &status);
    const int error = errno;
    ::close(fd);
    if (result != 0)
        fail(failure, path, reasonOf(error));
    return status;
}

// A name of its own beside the file, in its folder, so that the rename
// stays on one file system; the suffix keeps it out of a reader's
// "*.prom" or "*.txt". Created with 0666, which the umask narrows, as any
// new file of the user's.
int createBeside(const QByteArray& target, QByteArray& temporary)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        // Another file took the name between our choice and the open.
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

}

void WholeFileSave::refuseIfNotRegular(const QString& path, const QString& failure)
{
    if (RecordsInUse::holds(path))
        fail(failure, path, "it is this program's history, which is in use");
    if (const auto status = statusOf(path, failure); status && !S_ISREG(status->st_mode))
        fail(failure, path, "it is not a regular file");
}

void WholeFileSave::save(const QString& path, const QString& failure, const std::function<bool(QIODevice&)>& write,
                         const Way& way)
{
    if (RecordsInUse::holds(path))
        fail(failure, path, "it is this program's history, which is in use");
    const QFileInfo named(path);
    const QString target = named.isSymLink() && named.exists() ? named.canonicalFilePath() : path;
    const auto existing = statusOf(target, failure);
    if (existing && !S_ISREG(existing->st_mode))
        fail(failure, path, "it is not a regular file");
    const QByteArray targetName = QFile::encodeName(target);
    QByteArray temporary;
    UniqueDescriptor fd(createBeside(targetName, temporary));
    if (fd.get() < 0)
        fail(failure, path, reasonOf(errno));
    try {
        const std::optional<mode_t> mode = way.mode ? way.mode : existing ? std::optional(existing->st_mode & 07777)
                                                                          : std::nullopt;
        if (mode && ::fchmod(fd.get(), *mode) != 0)
            fail(failure, path, reasonOf(errno));
        QFile file;
        if (!file.open(fd.get(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle) || !write(file) || !file.flush())
            fail(failure, path, file.errorString());
        file.close();
        if (way.synced && ::fdatasync(fd.get()) != 0)
            fail(failure, path, reasonOf(errno));
        // A full disk may first tell at the close.
        if (fd.release() != 0)
            fail(failure, path, reasonOf(errno));
        if (::rename(temporary.constData(), targetName.constData()) != 0)
            fail(failure, path, reasonOf(errno));
    } catch (...) {
        ::unlink(temporary.constData());
        throw;
    }
}
