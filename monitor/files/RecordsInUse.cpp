#include "monitor/files/RecordsInUse.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStringList>

#include <sys/stat.h>

namespace {

QMutex guard;
QStringList names;

bool isFile(const QString& name, const struct stat& file)
{
    struct stat other {};
    return ::stat(QFile::encodeName(name).constData(), &other) == 0 && other.st_dev == file.st_dev &&
           other.st_ino == file.st_ino;
}

}

void RecordsInUse::addHistory(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QMutexLocker lock(&guard);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        if (!names.contains(absolute + suffix))
            names << absolute + suffix;
}

// Stat, never open: opening and closing one of them is what would drop the
// locks.
bool RecordsInUse::holds(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // A name that leads to nothing is none of theirs but by its spelling.
    struct stat file {};
    const bool exists = ::stat(QFile::encodeName(path).constData(), &file) == 0;
    QMutexLocker lock(&guard);
    for (const QString& name : std::as_const(names))
        if (name == absolute || (exists && isFile(name, file)))
            return true;
    return false;
}
