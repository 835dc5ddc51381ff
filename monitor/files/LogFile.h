#pragma once

#include <QString>

#include <sys/types.h>

// The log file: one record per outcome, each written whole or not at all
// by one write, so that every record is on disk before the next step.
//
// The file stays open between records; once per tick, recheck() makes sure
// that its name still leads to the open file, so that a rotated log, a
// moved folder or a link planted in the file's place is seen before the
// tick's records are written: the next record opens the name again, with
// every check of a first opening.
class LogFile {
public:
    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // The program's folder, the stamp's last path component, ".log". A
    // stamp that names a path (a host list given with its folder) would
    // otherwise point the log into a folder that may not exist.
    static QString pathFor(const QString& programFolder, const QString& stamp);

    // One record appended to path by a file opened for it alone. Throws as
    // write() does.
    static void append(const QString& path, const QString& record);

    // Throws std::runtime_error with a clear message when the record cannot
    // be written; the file is then as it was before, and closed.
    void write(const QString& path, const QString& record);

    // Closes the file unless its name still leads to it.
    void recheck();
    void close();

private:
    void open(const QString& path);

    int m_fd = -1;
    QString m_path;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};
