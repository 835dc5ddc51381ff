#include "monitor/files/LogFile.h"

#include "monitor/files/EightBitText.h"
#include "monitor/files/UniqueDescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const QString& path, const QString& reason)
{
    throw std::runtime_error(QString("Cannot write the log file \"%1\": %2").arg(path, reason).toStdString());
}

QString systemReason(int error)
{
    if (error == ELOOP)
        return "it is a symbolic link, which the monitor does not follow";
    return QString::fromLocal8Bit(std::strerror(error));
}

}

QString LogFile::pathFor(const QString& programFolder, const QString& stamp)
{
    return QDir(programFolder).filePath(QFileInfo(stamp).fileName() + ".log");
}

void LogFile::append(const QString& path, const QString& record)
{
    const QByteArray bytes = EightBitText::encode(record) + "\r\n";
    // The program may run as root: a link planted at the path must lead
    // nowhere, and a FIFO must not block the window (no reader: it fails).
    UniqueDescriptor file(::open(QFile::encodeName(path).constData(),
                           O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666));
    if (file.get() < 0)
        fail(path, systemReason(errno));
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        fail(path, systemReason(errno));
    if (!S_ISREG(status.st_mode))
        fail(path, "it is not a regular file");
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t result = ::write(file.get(), bytes.constData() + written, size_t(bytes.size() - written));
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0) {
            const int error = result < 0 ? errno : ENOSPC;
            // Whole records or none: a piece of this one would glue the
            // next record, written once there is room again, onto its line.
            if (written > 0 && ::ftruncate(file.get(), status.st_size) != 0)
                fail(path, systemReason(error) + "; a part of the record is left in it: " + systemReason(errno));
            fail(path, systemReason(error));
        }
        written += result;
    }
    if (file.release() != 0)
        fail(path, systemReason(errno));
}
