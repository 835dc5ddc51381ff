#include "monitor/files/LogFile.h"

#include "monitor/files/EightBitText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

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

LogFile::~LogFile()
{
    close();
}

QString LogFile::pathFor(const QString& programFolder, const QString& stamp)
{
    // Asked again for every record, mostly with the same two texts.
    thread_local struct {
        QString folder;
        QString stamp;
        QString path;
    } last;
    if (last.path.isNull() || stamp != last.stamp || programFolder != last.folder) {
        last.path = QDir(programFolder).filePath(QFileInfo(stamp).fileName() + ".log");
        last.folder = programFolder;
        last.stamp = stamp;
    }
    return last.path;
}

void LogFile::append(const QString& path, const QString& record)
{
    LogFile file;
    file.write(path, record);
    // A file system may report a failed write no earlier than at the close.
    const int fd = std::exchange(file.m_fd, -1);
    if (::close(fd) != 0)
        fail(path, systemReason(errno));
}

void LogFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

void LogFile::recheck()
{
    if (m_fd < 0)
        return;
    // lstat: a link put in the file's place is not the file.
    struct stat status {};
    if (::lstat(QFile::encodeName(m_path).constData(), &status) != 0 || status.st_dev != m_device ||
        status.st_ino != m_inode)
        close();
}

void LogFile::open(const QString& path)
{
    close();
    // The program may run as root: a link planted at the path must lead
    // nowhere, and a FIFO must not block the window (no reader: it fails).
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        fail(path, systemReason(errno));
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        fail(path, systemReason(error));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        fail(path, "it is not a regular file");
    }
    m_fd = fd;
    m_path = path;
    m_device = status.st_dev;
    m_inode = status.st_ino;
}

void LogFile::write(const QString& path, const QString& record)
{
    const QByteArray bytes = EightBitText::encode(record) + "\r\n";
    if (m_fd < 0 || path != m_path)
        open(path);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t result = ::write(m_fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0) {
            const int error = result < 0 ? errno : ENOSPC;
            // Whole records or none: a piece of this one would glue the
            // next record, written once there is room again, onto its line.
            // Appending, the piece is what ends the file now.
            struct stat status {};
            const bool cut = written == 0 ||
                             (::fstat(m_fd, &status) == 0 && ::ftruncate(m_fd, status.st_size - written) == 0);
            const int cutError = errno;
            close();
            if (!cut)
                fail(path, systemReason(error) + "; a part of the record is left in it: " + systemReason(cutError));
            fail(path, systemReason(error));
        }
        written += result;
    }
}
