#include "monitor/files/RecordsInUse.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStringList>

#include <sys/stat.h>

namespace {

QMutex guard;
QStringList names;

bool sameFile(const QString& a, const QString& b)
{
    struct stat first {};
    struct stat second {};
    if (::stat(QFile::encodeName(a).constData(), &first) != 0 || ::stat(QFile::encodeName(b).constData(), &second) != 0)
        return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
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
    QMutexLocker lock(&guard);
    for (const QString& name : std::as_const(names))
        if (name == absolute || sameFile(name, path))
            return true;
    return false;
}
