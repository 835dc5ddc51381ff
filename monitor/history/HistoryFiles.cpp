#include "monitor/history/HistoryFiles.h"

#include "monitor/history/HistoryConnection.h"

#include <QFile>

#include <sys/stat.h>

namespace {

constexpr const char* LogSuffix = "-wal";
constexpr const char* IndexSuffix = "-shm";

}

HistoryFiles::HistoryFiles(QString path)
    : m_path(std::move(path))
{
}

void HistoryFiles::refuseUnusual() const
{
    for (const QString& name : {m_path, m_path + LogSuffix, m_path + IndexSuffix}) {
        struct stat st {};
        if (::stat(QFile::encodeName(name).constData(), &st) != 0 || S_ISREG(st.st_mode))
            continue;
        throw HistoryFailure(QString("The history cannot be kept: \"%1\" is not a regular file, and is left alone")
                                 .arg(name),
                             HistoryFailure::Kind::Passing);
    }
}

HistoryFiles::Identity HistoryFiles::identify(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {st.st_dev, st.st_ino, true};
}

void HistoryFiles::remember()
{
    m_file = identify(m_path);
    m_log = identify(m_path + LogSuffix);
}

bool HistoryFiles::unchanged() const
{
    return identify(m_path) == m_file && identify(m_path + LogSuffix) == m_log;
}
