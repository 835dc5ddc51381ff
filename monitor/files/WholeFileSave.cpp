#include "monitor/files/WholeFileSave.h"

#include "monitor/files/RecordsInUse.h"

#include <QFile>
#include <QSaveFile>

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

}

// O_PATH reaches the file without opening it, which never blocks: a FIFO's
// open would wait for a reader, and a device's could act on the device.
void WholeFileSave::refuseIfNotRegular(const QString& path, const QString& failure)
{
    if (RecordsInUse::holds(path))
        fail(failure, path, "it is this program's history, which is in use");
    const int fd = ::open(QFile::encodeName(path).constData(), O_PATH | O_CLOEXEC);
    if (fd < 0) {
        // Not there yet: the save creates it.
        if (errno == ENOENT)
            return;
        fail(failure, path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    struct stat status {};
    const int result = ::fstat(fd, &status);
    const int error = errno;
    ::close(fd);
    if (result != 0)
        fail(failure, path, QString::fromLocal8Bit(std::strerror(error)));
    if (!S_ISREG(status.st_mode))
        fail(failure, path, "it is not a regular file");
}

void WholeFileSave::save(const QString& path, const QString& failure, const std::function<bool(QIODevice&)>& write)
{
    refuseIfNotRegular(path, failure);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !write(file) || !file.commit())
        fail(failure, path, file.errorString());
}
